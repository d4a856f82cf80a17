// The store operations and the store file: save rule, defaults, exact
// round trips through the INI file, durability, permissions and failures.

#include "Module1.h"
#include "StoreFiles.h"
#include "TestMain.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Module1;
using namespace Qt::StringLiterals;
using namespace quorvix::test;

namespace {

QString reloaded(const QString& key, const QString& defaultText = QStringLiteral("<absent>"))
{
    ReloadStore();
    return ReadSetting(key, defaultText);
}

QFile::Permissions groupOrOther()
{
    return QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
           QFile::ExeOther;
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { removeStoreFile(); }

    void storeFileIsWispaneIniInTheConfigFolder()
    {
        const QString expected = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/wispane.ini");
        QCOMPARE(QFileInfo(StoreFilePath()).absoluteFilePath(), QFileInfo(expected).absoluteFilePath());
    }

    void saveRule_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");

        const QString empty;
        QTest::newRow("Talkstr3 empty") << u"Talkstr3"_s << 0 << empty << empty;
        QTest::newRow("Mailerdir1 empty") << u"Mailerdir1"_s << 0 << empty << empty;
        QTest::newRow("Mailerdir2 empty") << u"Mailerdir2"_s << 0 << empty << empty;
        QTest::newRow("Wavdir empty") << u"Wavdir"_s << 0 << empty << empty;
        QTest::newRow("Talkstr anywhere") << u"xTalkstr9y"_s << 7 << empty << empty;
        QTest::newRow("Notstr empty") << u"Notstr"_s << 0 << empty << u"0"_s;
        QTest::newRow("Agentnm empty") << u"Agentnm"_s << 0 << empty << u"0"_s;
        QTest::newRow("HukifontN empty") << u"HukifontN"_s << 0 << empty << u"0"_s;
        QTest::newRow("Actkind4 empty") << u"Actkind4"_s << 0 << empty << u"0"_s;
        QTest::newRow("lower-case mailerdir1") << u"mailerdir1"_s << 0 << empty << u"0"_s;
        QTest::newRow("lower-case talkstr1") << u"talkstr1"_s << 0 << empty << u"0"_s;
        QTest::newRow("Wavdir2 is not Wavdir") << u"Wavdir2"_s << 3 << empty << u"3"_s;
        QTest::newRow("Checktimerval 15") << u"Checktimerval"_s << 15 << empty << u"15"_s;
        QTest::newRow("negative") << u"Checktimerval"_s << -32768 << empty << u"-32768"_s;
        QTest::newRow("text wins over number") << u"Checktimerval"_s << 15 << u"abc"_s << u"abc"_s;
        QTest::newRow("text kept for Talkstr") << u"Talkstr1"_s << 0 << u" x "_s << u" x "_s;
        QTest::newRow("text 0 stays") << u"Wavdir"_s << 5 << u"0"_s << u"0"_s;
    }

    void saveRule()
    {
        QFETCH(QString, key);
        QFETCH(int, number);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        SaveValue(key, qint16(number), text);
        QCOMPARE(ReadSetting(key, u"<absent>"_s), stored);
        QVERIFY(SyncSettings());
        QCOMPARE(reloaded(key), stored);
    }

    void absentKeysReadAsTheDefaultPassed()
    {
        QCOMPARE(ReadSetting(u"Timeupval"_s, u"60"_s), u"60"_s);
        QCOMPARE(ReadSetting(u"Actkind5"_s, u"Nothing"_s), u"Nothing"_s);
        SaveValue(u"Timeupval"_s, 0, QString());
        QCOMPARE(ReadSetting(u"Timeupval"_s, u"60"_s), u"0"_s);
    }

    void keysAreCaseSensitive()
    {
        WriteSetting(u"Mailerdir1"_s, u"upper"_s);
        WriteSetting(u"mailerdir1"_s, u"lower"_s);
        QVERIFY(SyncSettings());
        QCOMPARE(reloaded(u"Mailerdir1"_s), u"upper"_s);
        QCOMPARE(ReadSetting(u"mailerdir1"_s, QString()), u"lower"_s);
        QCOMPARE(ReadSetting(u"MAILERDIR1"_s, u"none"_s), u"none"_s);
    }

    void textsRoundTripExactly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << u"Notstr"_s << u"a, b,c"_s;
        QTest::newRow("only comma") << u"Notstr"_s << u","_s;
        QTest::newRow("quotes") << u"Talkstr1"_s << u"say \"hi\" \""_s;
        QTest::newRow("backslashes") << u"Agentnm"_s << u"C:\\WINDOWS\\Msagent\\chars\\Pipwren.acs\\"_s;
        QTest::newRow("semicolon") << u"Talkstr2"_s << u"a;b ; c"_s;
        QTest::newRow("equals") << u"Talkstr2"_s << u"=a=b="_s;
        QTest::newRow("blanks around") << u"Talkstr3"_s << u"  both  "_s;
        QTest::newRow("tabs around") << u"Talkstr3"_s << u"\tx\t"_s;
        QTest::newRow("quoted") << u"Talkstr4"_s << u"\"both\""_s;
        QTest::newRow("one quote") << u"Talkstr4"_s << u"\""_s;
        QTest::newRow("at sign") << u"Talkstr5"_s << u"@6"_s;
        QTest::newRow("at-variant look-alike") << u"Talkstr5"_s << u"@String(x)"_s;
        QTest::newRow("escape look-alike") << u"Talkstr6"_s << u"\\x41\\n"_s;
        QTest::newRow("brackets") << u"Notstr"_s << u"[setting]"_s;
        QTest::newRow("Japanese") << u"HukifontN"_s << u"ＭＳ Ｐゴシック"_s;
        QTest::newRow("outside the BMP") << u"Talkstr1"_s << u"mail \U0001F4E7"_s;
        QTest::newRow("lone surrogate") << u"Talkstr1"_s << QString(QChar(0xD800));
        QTest::newRow("1 MB") << u"Notstr"_s << QString(1 << 20, u'x');
        QTest::newRow("1 MB of commas and quotes") << u"Notstr"_s << u", \""_s.repeated(1 << 18);
    }

    void textsRoundTripExactly()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        if (QTest::currentDataTag() == QByteArrayLiteral("lone surrogate"))
            QSKIP("a lone surrogate cannot be written as UTF-8; the file keeps a replacement character");
        WriteSetting(key, text);
        QVERIFY(SyncSettings());
        QCOMPARE(reloaded(key), text);
    }

    void keysWithSpecialCharactersRoundTrip()
    {
        const QStringList keys = {u"a key"_s, u"50%"_s,         u"x]"_s,  u"semi;colon"_s, u"a[x]"_s,
                                  u"日本"_s,  u"back\\slash"_s, u"a/b"_s, u"\"q\""_s};
        for (const QString& key : keys)
            WriteSetting(key, key + u" value"_s);
        QVERIFY(SyncSettings());
        ReloadStore();
        for (const QString& key : keys)
            QCOMPARE(ReadSetting(key, QString()), key + u" value"_s);
    }

    void unquotedCommaFromAnotherProgramReadsAsText()
    {
        writeStoreFile("[setting]\nNotstr=a, b,c\nHukifontN=\"x, y\"\n");
        QCOMPARE(ReadSetting(u"Notstr"_s, QString()), u"a, b,c"_s);
        QCOMPARE(ReadSetting(u"HukifontN"_s, QString()), u"x, y"_s);
    }

    void writesWaitForTheSync()
    {
        WriteSetting(u"Wavdir"_s, u"ding.wav"_s);
        QCoreApplication::processEvents(); // nothing is written from the event loop
        QCoreApplication::sendPostedEvents();
        QVERIFY(!readStoreFile().contains("Wavdir"));
        QCOMPARE(QFile::permissions(StoreFilePath()) & groupOrOther(), QFile::Permissions());
        QVERIFY(SyncSettings());
        QVERIFY(readStoreFile().contains("Wavdir=ding.wav"));
        settings::StoreProblem problem{settings::StoreProblem::Kind::Other, u"stale"_s};
        QVERIFY(SyncSettings(&problem)); // nothing pending
        QVERIFY(!problem.isProblem());
    }

    void newFileIsOwnerOnlyAndStaysSo()
    {
        WriteSetting(u"Passw1"_s, u"97 "_s);
        QVERIFY(SyncSettings());
        QCOMPARE(QFile::permissions(StoreFilePath()) & groupOrOther(), QFile::Permissions());
        for (int i = 0; i < 3; ++i) {
            WriteSetting(u"Passw1"_s, QString::number(i) + u' ');
            QVERIFY(SyncSettings());
            QCOMPARE(QFile::permissions(StoreFilePath()) & groupOrOther(), QFile::Permissions());
        }
    }

    void fileReadableByOthersIsNarrowedOnSync()
    {
        writeStoreFile("[setting]\nPassw1=\"98 \"\n");
        QVERIFY(QFile::setPermissions(StoreFilePath(), QFile::ReadOwner | QFile::WriteOwner |
                                                           QFile::ReadGroup | QFile::ReadOther));
        WriteSetting(u"Passw2"_s, u"99 "_s);
        QVERIFY(SyncSettings());
        QCOMPARE(QFile::permissions(StoreFilePath()) & groupOrOther(), QFile::Permissions());
        QCOMPARE(reloaded(u"Passw1"_s), u"98 "_s);
    }

    void keysOfAnotherProgramAreKept()
    {
        writeStoreFile("[setting]\nAname1=mine\n");
        QCOMPARE(ReadSetting(u"Aname1"_s, QString()), u"mine"_s);
        // The mail checker writes its own key after we loaded the file.
        overwriteStoreFile("[setting]\nAname1=mine\nLastCheck=12345\n[other]\nx=1\n");
        WriteSetting(u"Aname2"_s, u"new"_s);
        QVERIFY(SyncSettings());
        const QByteArray onDisk = readStoreFile();
        QVERIFY2(onDisk.contains("LastCheck=12345"), onDisk.constData());
        QVERIFY(onDisk.contains("[other]"));
        QVERIFY(onDisk.contains("Aname2=new"));
        QCOMPARE(reloaded(u"LastCheck"_s), u"12345"_s);
    }

    void removedKeyReadsAsAbsent()
    {
        writeStoreFile("[setting]\nAname9=old\n");
        RemoveSetting(u"Aname9"_s);
        QCOMPARE(ReadSetting(u"Aname9"_s, u"gone"_s), u"gone"_s);
        QVERIFY(SyncSettings());
        QVERIFY(!readStoreFile().contains("Aname9"));
    }

    void damagedFilesDoNotBreakReading()
    {
        writeStoreFile(
            "[setting]\nAname1=caf\xC3\xA9\nHname1=\xFF\xFE\x80 bad\nnoequals\n[broken\nUname1=\x00x\n");
        QCOMPARE(ReadSetting(u"Aname1"_s, QString()), u"café"_s);
        QVERIFY(!ReadSetting(u"Hname1"_s, QString()).isEmpty()); // replacement characters, no crash
        WriteSetting(u"Portno1"_s, u"110"_s);
        QVERIFY(SyncSettings());
        QCOMPARE(reloaded(u"Portno1"_s), u"110"_s);
    }

    void missingFileGivesDefaults()
    {
        QVERIFY(!QFileInfo::exists(StoreFilePath()));
        QCOMPARE(ReadSetting(u"Volval"_s, u"30000"_s), u"30000"_s);
    }

    void unreadableFileRefusesTheSync()
    {
        if (runningAsRoot())
            QSKIP("permissions do not bind root");
        writeStoreFile("[setting]\nAname1=secret\n");
        QVERIFY(QFile::setPermissions(StoreFilePath(), QFile::Permissions()));
        WriteSetting(u"Aname2"_s, u"x"_s);
        settings::StoreProblem problem;
        QVERIFY(!SyncSettings(&problem));
        QVERIFY(problem.isProblem());
        QVERIFY(QFile::setPermissions(StoreFilePath(), QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(SyncSettings());
        QCOMPARE(reloaded(u"Aname1"_s), u"secret"_s); // the other keys were not lost
    }

    void refusedSyncTakesBackAChangedValue()
    {
        WriteSetting(u"Aname1"_s, u"first"_s);
        QVERIFY(SyncSettings());
        WriteSetting(u"Aname1"_s, u"second"_s);
        settings::StoreProblem problem;
        bool synced = true;
        {
            BlockedStore blocked;
            QVERIFY(blocked.ok());
            synced = SyncSettings(&problem);
        }
        QVERIFY(!synced);
        QVERIFY(problem.isProblem());
        QCOMPARE(ReadSetting(u"Aname1"_s, QString()), u"first"_s); // the refused write was taken back
        QVERIFY(SyncSettings());
        QCOMPARE(reloaded(u"Aname1"_s), u"first"_s);
    }

    void folderThatCannotHoldTheFileRefusesTheSync()
    {
        WriteSetting(u"Aname1"_s, u"kept"_s);
        QVERIFY(SyncSettings());
        WriteSetting(u"Aname2"_s, u"pending"_s);
        settings::StoreProblem problem;
        bool synced = true;
        bool againWhileBlocked = false;
        {
            BlockedStore blocked;
            QVERIFY(blocked.ok());
            synced = SyncSettings(&problem);
            againWhileBlocked = SyncSettings();
        }
        QVERIFY(!synced);
        QVERIFY(againWhileBlocked); // nothing of the refused action is left to write
        QVERIFY(problem.isProblem());
        // A refused sync takes its writes back, so no later action carries
        // them to disk after the user was told nothing was saved.
        QCOMPARE(ReadSetting(u"Aname2"_s, u"absent"_s), u"absent"_s);
        QVERIFY(SyncSettings());
        QCOMPARE(reloaded(u"Aname2"_s), u"<absent>"_s);
        QCOMPARE(ReadSetting(u"Aname1"_s, QString()), u"kept"_s);
    }
};

QUORVIX_TEST_MAIN_CORE(StoreTest)
#include "tst_settingsstore.moc"
