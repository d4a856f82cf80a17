// The store file on Linux as other programs write it: what is read from it,
// that every line an action does not change stays byte for byte, and the
// writes that are refused, leaving the file and the folder as they were.

#include "Module1.h"
#include "PlainWriter.h"
#include "StoreFiles.h"
#include "TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace Module1;
using namespace Qt::StringLiterals;
using namespace quorvix::test;

namespace {

// Written by a plain INI writer and by hand: every kind of line the program
// must keep, ending without a line break. "名前" in code page 932 for Hname1.
const QByteArray kForeign = "; the mail checker's store\n"
                            "[setting]\n"
                            "Agentnm=C:\\WINDOWS\\msagent\\chars\\merlin.acs\n"
                            "Passw1=97 98 99 \n"
                            "\xE5\x90\x8D\xE5\x89\x8D = x\n"
                            "DefLeft=1,5\n"
                            "Hname1=\x96\xBC\x91\x4F\n"
                            "Talkstr1 = \"  quoted  \"\n"
                            "Aname1=first\n"
                            "Aname1=second\n"
                            "Uname1=a\0b\n"
                            "Check1=1\n"
                            "# a comment\n"
                            "\n"
                            "[mail]\n"
                            "inbox dir=C:\\Mail\\\n"
                            "next=kept?\n"
                            "lastrun=2026-12-07 10:00;ok"_ba;

} // namespace

class StoreFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { removeStoreFile(); }

    void foreignLinesAreReadLiterallyAndKept()
    {
        writeStoreFile(kForeign);
        const QMap<QString, QString> expected = {
            {u"Agentnm"_s, u"C:\\WINDOWS\\msagent\\chars\\merlin.acs"_s},
            {u"Passw1"_s, u"97 98 99"_s}, // blanks at the ends go unless quoted
            {u"名前"_s, u"x"_s},
            {u"DefLeft"_s, u"1,5"_s},
            {u"Hname1"_s, u"名前"_s},
            {u"Talkstr1"_s, u"  quoted  "_s},
            {u"Aname1"_s, u"first"_s},
            {u"Uname1"_s, u"a"_s + QChar(0) + u"b"_s},
            {u"next"_s, u"<absent>"_s}, // another section
        };
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(ReadSetting(it.key(), u"<absent>"_s), it.value());
        ResetAccount();
        LoadAccount(1);
        QCOMPARE(AccountRecord.Passw, u"abc"_s);

        // Values equal to the stored ones, one change, one removal, two new keys.
        WriteSetting(u"Agentnm"_s, ReadSetting(u"Agentnm"_s, {}));
        WriteSetting(u"Uname1"_s, ReadSetting(u"Uname1"_s, {}));
        WriteSetting(u"Hname1"_s, u"名前"_s);
        WriteSetting(u"Check1"_s, u"0"_s);
        RemoveSetting(u"Aname1"_s);
        WriteSetting(u"Talkstr5"_s, u"@6"_s);
        WriteSetting(u"Talkstr2"_s, u" x"_s);
        QVERIFY(SyncSettings());
        QByteArray expectedFile = kForeign;
        expectedFile.replace("Aname1=first\nAname1=second\n", "");
        expectedFile.replace("Check1=1\n", "Check1=0\nTalkstr5=@6\nTalkstr2=\" x\"\n");
        QCOMPARE(readStoreFile(), expectedFile);
        ReloadStore();
        QCOMPARE(ReadSetting(u"Talkstr2"_s, {}), u" x"_s);
        QCOMPARE(ReadSetting(u"Aname1"_s, u"<absent>"_s), u"<absent>"_s);
    }

    void newKeysFollowTheFilesForm_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no file") << QByteArray() << "[setting]\nk=v\n"_ba;
        QTest::newRow("CRLF, no section") << "[other]\r\nx=1\r\n"_ba
                                          << "[other]\r\nx=1\r\n[setting]\r\nk=v\r\n"_ba;
        QTest::newRow("no final line break") << "[setting]\na=1"_ba
                                             << "[setting]\na=1\nk=v\n"_ba;
        QTest::newRow("first of two sections") << "[setting]\na=1\n[x]\n[setting]\nb=2\n"_ba
                                               << "[setting]\na=1\nk=v\n[x]\n[setting]\nb=2\n"_ba;
        QTest::newRow("lines before sections") << "k0=0\n[setting]\n"_ba
                                               << "k0=0\n[setting]\nk=v\n"_ba;
        QTest::newRow("changed in place") << "[setting]\n k = old ; not a comment\n"_ba
                                          << "[setting]\n k =v\n"_ba;
    }

    void newKeysFollowTheFilesForm()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        if (!before.isNull())
            writeStoreFile(before);
        WriteSetting(u"k"_s, u"v"_s);
        QVERIFY(SyncSettings());
        QCOMPARE(readStoreFile(), after);
    }

    // Each refused write says why, leaves the file, the folder and their
    // permissions alone, and leaves nothing for a later sync to write.
    void refusedWritesLeaveEverythingAsItWas_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("blocker");
        QTest::newRow("line break") << u"Talkstr1"_s << u"a\nb"_s << QString();
        QTest::newRow("carriage return") << u"Talkstr1"_s << u"a\r"_s << QString();
        QTest::newRow("NUL") << u"Notstr"_s << u"a"_s + QChar(0) << QString();
        QTest::newRow("key with =") << u"a=b"_s << u"x"_s << QString();
        QTest::newRow("key like a section") << u"[x]"_s << u"x"_s << QString();
        QTest::newRow("old lock folder") << u"Talkstr1"_s << u"x"_s << u"lock folder"_s;
        QTest::newRow("folder at the store path") << u"Talkstr1"_s << u"x"_s << u"store folder"_s;
        QTest::newRow("pipe at the store path") << u"Talkstr1"_s << u"x"_s << u"pipe"_s;
        for (const QString& mode : {u"0400"_s, u"0444"_s, u"0500"_s})
            QTest::newRow(qPrintable(u"read-only store "_s + mode)) << u"Talkstr1"_s << u"x"_s << mode;
    }

    void refusedWritesLeaveEverythingAsItWas()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, blocker);
        const QString path = StoreFilePath();
        if (blocker.isEmpty()) {
            writeStoreFile("[setting]\nTalkstr1=kept\n");
        } else if (blocker == u"lock folder") {
            writeStoreFile("[setting]\nTalkstr1=kept\n");
            QVERIFY(QDir().mkdir(path + u".lock"_s));
            const utimbuf anHourAgo{::time(nullptr) - 3600, ::time(nullptr) - 3600};
            QCOMPARE(::utime(QFile::encodeName(path + u".lock"_s).constData(), &anHourAgo), 0);
        } else if (blocker.startsWith(u'0')) {
            writeStoreFile("[setting]\nTalkstr1=kept\n");
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(blocker.toUInt(nullptr, 8))), 0);
        } else if (blocker == u"store folder") {
            QVERIFY(QDir().mkdir(path));
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                    QFile::ReadOther | QFile::ExeOther));
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        ReloadStore();
        const QFile::Permissions permissions = QFile::permissions(path);
        const QByteArray before = blocker.isEmpty() || blocker == u"lock folder" || blocker.startsWith(u'0')
                                      ? readStoreFile()
                                      : QByteArray();

        const QString stored = ReadSetting(key, u"<absent>"_s);
        WriteSetting(key, text);
        settings::StoreProblem problem;
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!SyncSettings(&problem));
        QVERIFY(waited.elapsed() < 20'000); // bounded, never a hang
        QVERIFY(problem.isProblem());
        QCOMPARE(ReadSetting(key, u"<absent>"_s), stored);
        QVERIFY(SyncSettings()); // nothing pending
        QCOMPARE(QFile::permissions(path), permissions);
        if (!before.isNull())
            QCOMPARE(readStoreFile(), before);
        QDir(path + u".lock"_s).removeRecursively();
        QDir(path).removeRecursively();
        QFile::remove(path);
    }

    // Another program writes the file in place while an action commits: it
    // truncates the file, writes part, pauses, writes the rest.
    void unfinishedWriteOfAnotherProgramIsWaitedFor_data()
    {
        QTest::addColumn<QString>("cut");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<bool>("saved");
        QTest::newRow("emptied") << u"empty"_s << 300 << true;
        QTest::newRow("cut in the middle") << u"half"_s << 300 << true;
        QTest::newRow("cut in the last line") << u"last"_s << 300 << true;
        QTest::newRow("stays empty too long") << u"empty"_s << 2500 << false;
    }

    void unfinishedWriteOfAnotherProgramIsWaitedFor()
    {
        QFETCH(QString, cut);
        QFETCH(int, pauseMs);
        QFETCH(bool, saved);
        const StoreMap stored = storeWithAccounts(50);
        prepareStore(stored);
        const QString path = StoreFilePath();
        const QByteArray theirs = withValue(readStoreFile(), u"DefLeft"_s, u"2"_s);
        const qsizetype first = cut == u"empty" ? 0 : cut == u"half" ? theirs.size() / 2 : theirs.size() - 1;
        std::thread writer([&] { writeInPlace(path, theirs, first, pauseMs); });
        QTRY_COMPARE_WITH_TIMEOUT(readStoreFile().size(), first, 1000);
        WriteSetting(u"Talkcnt"_s, u"3"_s);
        settings::StoreProblem problem;
        const bool synced = SyncSettings(&problem);
        writer.join();
        QCOMPARE(synced, saved);
        StoreMap expected = stored;
        expected[u"DefLeft"_s] = u"2"_s;
        if (saved)
            expected[u"Talkcnt"_s] = u"3"_s;
        else
            QCOMPARE(problem.kind, settings::StoreProblem::Kind::CutShort);
        QCOMPARE(storeFileContents(), expected);
    }

    // The other program read the file before the replace and writes after
    // it: into the file it had open (now replaced), or over the replacement.
    void writeBesideTheReplaceIsTakenIn_data()
    {
        QTest::addColumn<bool>("intoTheOldFile");
        QTest::newRow("into the file it had open") << true;
    }

    void writeBesideTheReplaceIsTakenIn()
    {
        QFETCH(bool, intoTheOldFile);
        const StoreMap stored = storeWithAccounts(20);
        prepareStore(stored);
        const QString path = StoreFilePath();
        overwriteStoreFile(withValue(readStoreFile(), u"DefLeft"_s, u"5"_s)); // it is at work
        const QByteArray theirs = withValue(readStoreFile(), u"DefLeft"_s, u"6"_s);
        const int held = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
        QVERIFY(held >= 0);
        const ino_t before = inodeOf(path);
        std::thread writer([&] {
            QElapsedTimer waited;
            waited.start();
            while (inodeOf(path) == before && waited.elapsed() < 5000)
                std::this_thread::yield();
            if (!intoTheOldFile)
                writeInPlace(path, theirs);
            else if (::ftruncate(held, 0) == 0)
                writeBytes(held, theirs);
        });
        WriteSetting(u"Talkcnt"_s, u"3"_s);
        QVERIFY(SyncSettings());
        writer.join();
        ::close(held);
        StoreMap expected = stored;
        expected[u"DefLeft"_s] = u"6"_s;
        expected[u"Talkcnt"_s] = u"3"_s;
        QCOMPARE(storeFileContents(), expected);
    }

    void leftoversOfAnInterruptedWriteGo()
    {
        QDir folder = QFileInfo(StoreFilePath()).absoluteDir();
        writeStoreFile("[setting]\n");
        const QStringList ours = {u"wispane.ini.unfinished-a1B2c3"_s, u"wispane.ini.unfinished-XXXXXX"_s};
        const QStringList others = {u"wispane.ini.unfinished-a1B2c"_s, u"wispane.ini.unfinished-a1B2c3d"_s,
                                    u"wispane.ini.backup"_s, u"other.ini.unfinished-a1B2c3"_s};
        for (const QString& name : ours + others)
            QVERIFY(!writeFile(folder, name, "[setting]\nPassw1=1\n").isEmpty());
        WriteSetting(u"Talkcnt"_s, u"3"_s);
        QVERIFY(SyncSettings());
        for (const QString& name : ours)
            QVERIFY2(!folder.exists(name), qPrintable(name));
        for (const QString& name : others) {
            QVERIFY2(folder.exists(name), qPrintable(name));
            QVERIFY(folder.remove(name));
        }
    }

    void unreadableStoreIsNeverReplaced()
    {
        // A folder is a store that exists and cannot be read, for root too.
        QVERIFY(QDir().mkdir(StoreFilePath()));
        ReloadStore();
        QVERIFY(StoreReadProblem().detail.contains(StoreFilePath()));
        QVERIFY(QDir().rmdir(StoreFilePath()));
        WriteSetting(u"Talkcnt"_s, u"3"_s); // the file could be written now, but was never read
        settings::StoreProblem problem;
        QVERIFY(!SyncSettings(&problem));
        QCOMPARE(problem.kind, settings::StoreProblem::Kind::Unreadable);
        QVERIFY(!QFileInfo::exists(StoreFilePath()));
        ReloadStore();
        QVERIFY(!StoreReadProblem().isProblem());
    }

    void symbolicLinkIsFollowed()
    {
        const QString target = QFileInfo(StoreFilePath()).absolutePath() + u"/elsewhere.ini"_s;
        QFile::remove(target);
        QVERIFY(QFile::link(target, StoreFilePath()));
        ReloadStore();
        WriteSetting(u"Talkcnt"_s, u"3"_s);
        QVERIFY(SyncSettings());
        QVERIFY(QFileInfo(StoreFilePath()).isSymLink());
        QCOMPARE(StoreIdentityFile(), QFileInfo(target).canonicalFilePath()); // the one-window key
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "[setting]\nTalkcnt=3\n"_ba);
        QCOMPARE(QFile::permissions(target) &
                     ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
        QFile::remove(target);
    }
};

QUORVIX_TEST_MAIN_CORE(StoreFileTest)
#include "tst_storefile.moc"
