// The options window on a real Wine prefix's registry: the window shows what
// the registry holds, and OK, account OK and Delete leave in it exactly what
// the INI store would hold, read back with Wine's own reg export and by a
// Windows program through the registry functions; the same while a Wine
// program of the prefix runs. One prefix is made per run (wineboot takes
// about ten seconds) and seeded afresh with reg add before each case.
// Without Wine every case is skipped.

#include "AccountTestSupport.h"
#include "CommonDialogs.h"
#include "Cp932.h"
#include "KeySchema.h"
#include "OptionformTestSupport.h"
#include "StoreChoice.h"
#include "StoreWorker.h"
#include "VersionNotice.h"
#include "accountform.h"

#include <QFileDialog>

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using namespace quorvix::test;
using namespace options::test;

namespace {

const QString kKey = u"HKCU\\Software\\VB and VBA Program Settings\\wispane\\setting"_s;

// The mail checker's options as it leaves them: two accounts, a password
// with its trailing blank, Japanese, and a key of its own this program does not know.
const StoreMap kSeed = {
    {u"accountno"_s, u"2"_s},
    {u"Aname1"_s, u"日本語の名前"_s},
    {u"Hname1"_s, u"pop.example.jp"_s},
    {u"Passw1"_s, u"97 98 99 "_s},
    {u"Check1"_s, u"1"_s},
    {u"Aname2"_s, u"work"_s},
    {u"Hname2"_s, u"mail.example.com"_s},
    {u"Passw2"_s, u"120 121 "_s},
    {u"Agentnm"_s, u"C:\\windows\\msagent\\chars\\merlin.acs"_s},
    {u"Memo"_s, u"kept"_s},
};

// The value of reg export's line "name"="value", with its two escapes undone.
QString unescaped(QString text)
{
    return text.replace(QRegularExpression(uR"(\\(.))"_s), u"\\1"_s);
}

} // namespace

class WineStoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString prefix_;
    QString wine_;
    QString wineserver_;
    QProcess persistentServer_;
    int waits_ = 0;

    QProcessEnvironment wineEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"WINEPREFIX"_s, prefix_);
        environment.insert(u"WINEDEBUG"_s, u"-all"_s);
        environment.insert(u"WINEDLLOVERRIDES"_s, u"mscoree,mshtml="_s);
        // Wine decodes reg add's command line in the locale's character set;
        // a UTF-8 one keeps the Japanese seed whatever locale runs the suite.
        environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
        return environment;
    }

    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
             const QProcessEnvironment& extra = {})
    {
        QProcess process;
        QProcessEnvironment environment = wineEnvironment();
        for (const QString& name : extra.keys())
            environment.insert(name, extra.value(name));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir_.path());
        process.start(program, arguments);
        if (!process.waitForFinished(120'000))
            return false;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    // The key as Wine's reg export shows it.
    StoreMap exported()
    {
        const QString file = dir_.filePath(u"check.reg"_s);
        QFile::remove(file);
        if (!run(wine_, {u"reg"_s, u"export"_s, kKey, file, u"/y"_s}))
            return {{u"(reg export failed)"_s, QString()}};
        QFile exportedFile(file);
        if (!exportedFile.open(QIODevice::ReadOnly))
            return {};
        QStringDecoder utf16(QStringDecoder::Utf16);
        const QString text = utf16.decode(exportedFile.readAll());
        StoreMap values;
        bool inKey = false;
        static const QRegularExpression value(uR"re(^"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"\r?$)re"_s);
        for (const QString& line : text.split(u'\n')) {
            if (line.startsWith(u'['))
                inKey = line.trimmed() ==
                        u"[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\wispane\\setting]"_s;
            else if (const QRegularExpressionMatch match = value.match(line); inKey && match.hasMatch())
                values.insert(unescaped(match.captured(1)), unescaped(match.captured(2)));
            else if (inKey && line.startsWith(u'"'))
                values.insert(u"(unreadable line)"_s, line);
        }
        return values;
    }

    // The key holds values and nothing else: added one by one with reg add
    // the first time, then put back from Wine's own export of that, which
    // takes one call rather than one per value.
    void seed(const StoreMap& values)
    {
        run(wine_, {u"reg"_s, u"delete"_s, kKey, u"/f"_s});
        const QString seedFile = dir_.filePath(u"seed.reg"_s);
        if (QFileInfo::exists(seedFile)) {
            QVERIFY(run(wine_, {u"reg"_s, u"import"_s, seedFile}));
            return;
        }
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QVERIFY(run(wine_, {u"reg"_s, u"add"_s, kKey, u"/v"_s, it.key(), u"/d"_s, it.value(), u"/f"_s}));
        QVERIFY(run(wine_, {u"reg"_s, u"export"_s, kKey, seedFile, u"/y"_s}));
    }

    void stopServer()
    {
        if (persistentServer_.state() != QProcess::NotRunning)
            persistentServer_.waitForFinished(100);
        run(wineserver_, {u"-k"_s});
        run(wineserver_, {u"-w"_s});
    }

    // A Wine program of the prefix keeps running, as the resident mail checker does.
    void startServer()
    {
        persistentServer_.setProcessEnvironment(wineEnvironment());
        persistentServer_.start(wineserver_, {u"-p"_s});
        persistentServer_.waitForFinished(10'000);
    }

    // Seeds the prefix, with or without a running Wine program, and has the
    // store read it afresh, as a start of the program would.
    void prepare(const StoreMap& values)
    {
        QFETCH(bool, wineRuns);
        seed(values);
        if (wineRuns)
            startServer();
        else
            stopServer();
        Module1::ReloadStore();
        QCOMPARE(Module1::StoreReadProblem().detail, QString());
    }

    static StoreMap changed(StoreMap map, const StoreMap& changes, const QStringList& removed = {})
    {
        for (auto it = changes.cbegin(); it != changes.cend(); ++it)
            map.insert(it.key(), it.value());
        for (const QString& key : removed)
            map.remove(key);
        return map;
    }

    static void addRows()
    {
        QTest::addColumn<bool>("wineRuns");
        QTest::newRow("no Wine program running") << false;
        QTest::newRow("a Wine program running") << true;
    }

private slots:
    void initTestCase()
    {
        wine_ = QStandardPaths::findExecutable(u"wine"_s);
        wineserver_ = QStandardPaths::findExecutable(u"wineserver"_s);
        const QString wineboot = QStandardPaths::findExecutable(u"wineboot"_s);
        if (wine_.isEmpty() || wineserver_.isEmpty() || wineboot.isEmpty())
            QSKIP(
                "Wine is not installed (wine, wineserver, wineboot): the Wine registry store is not tested");
        QVERIFY(dir_.isValid());
        prefix_ = dir_.filePath(u"prefix"_s);
        QVERIFY(run(wineboot, {u"-i"_s}));
        seed(kSeed);
        stopServer(); // user.reg now holds the key, which is what makes the store choose Wine
        // The character the mail checker names, in another case than it is written.
        const QString character = someCharacterFile();
        QVERIFY(QDir().mkpath(prefix_ + u"/drive_c/windows/Msagent/Chars"_s));
        if (!character.isEmpty())
            QVERIFY(QFile::copy(character, prefix_ + u"/drive_c/windows/Msagent/Chars/Merlin.acs"_s));

        qputenv("WINEPREFIX", QFile::encodeName(prefix_));
        qunsetenv("QUORVIX_STORE");
        QVERIFY(settings::CurrentStoreChoice().wineRegistry);
        QCOMPARE(settings::CurrentStoreChoice().winePrefix, prefix_);
        // Every Wine call is waited for: none runs on this thread.
        settings::SetCallWaiter([this](settings::PendingCall& call) {
            ++waits_;
            call.waitBlocking();
        });
    }

    void cleanup()
    {
        rejectAllModals();
        clearProgramEnd();
        qunsetenv("WINE");
    }

    void cleanupTestCase()
    {
        if (!wineserver_.isEmpty() && !prefix_.isEmpty())
            stopServer();
    }

    void theWindowShowsTheRegistry_data() { addRows(); }
    void theWindowShowsTheRegistry()
    {
        prepare(kSeed);
        LoadedForm w;
        QCOMPARE(w.form.accountList->Rows(), 3);
        QCOMPARE(w.form.accountList->TextMatrix(1, 0), u"日本語の名前(pop.example.jp)"_s);
        QCOMPARE(w.form.AgentBox->text(), kSeed.value(u"Agentnm"_s));
        if (!someCharacterFile().isEmpty()) {
            QVERIFY(w.boxes.seen.empty()); // the character was found in the prefix
            QVERIFY(w.form.AgentLoaded);
        }
        QVERIFY(Module1::StoreFilePath().contains(prefix_));
        QCOMPARE(Module1::StoreIdentityFile(), QFileInfo(prefix_ + u"/user.reg"_s).canonicalFilePath());
    }

    void okWritesEveryOptionAndKeepsTheRest_data() { addRows(); }
    void okWritesEveryOptionAndKeepsTheRest()
    {
        prepare(kSeed);
        LoadedForm w;
        QSignalSpy ending(&w.form, &optionform::programEnding);
        waits_ = 0;
        w.form.talkcntbox->setText(u"7"_s);
        w.form.OkBt_Click();
        QCOMPARE(ending.size(), 1);
        QVERIFY(waits_ > 0);
        const StoreMap after = exported();
        for (const settings::GlobalKey& key : settings::GlobalKeys()) {
            const QString name = key.name.toString();
            QCOMPARE(after.contains(name), key.writtenOnOk());
        }
        QCOMPARE(after.value(u"Talkcnt"_s), u"7"_s);
        QCOMPARE(after.value(u"Talkstr1"_s), u"全部で@1通のメールが届いています"_s);
        // Everything the window did not write is as the mail checker left it.
        for (auto it = kSeed.cbegin(); it != kSeed.cend(); ++it)
            QCOMPARE(after.value(it.key()), it.value());
        for (const QString& key : after.keys())
            QVERIFY2(kSeed.contains(key) || settings::FindGlobalKey(key), qPrintable(key));
    }

    void accountOkWritesThatAccount_data() { addRows(); }
    void accountOkWritesThatAccount()
    {
        prepare(kSeed);
        LoadedForm w;
        w.form.SSTab1->setCurrentIndex(2);
        w.form.accountList->setRow(1);
        QCOMPARE(Module1::SelectedRow, qint16(1));
        auto answered = whenModal<accountform>([](accountform* a) {
            QCOMPARE(a->Accountname->text(), u"日本語の名前"_s);
            retype(a->Hostname, u"pop2.example.jp"_s);
            QTest::mouseClick(a->Command1, Qt::LeftButton);
        });
        w.form.editbutton_Click();
        QVERIFY(*answered);
        const StoreMap after = exported();
        // The whole record is written, the count is not (that is OK's).
        QCOMPARE(after, changed(kSeed, {{u"Hname1"_s, u"pop2.example.jp"_s},
                                        {u"Portno1"_s, u"110"_s},
                                        {u"Uname1"_s, u"0"_s},
                                        {u"Scolor11"_s, after.value(u"Scolor11"_s)},
                                        {u"Scolor21"_s, after.value(u"Scolor21"_s)}}));
        QVERIFY(after.contains(u"Scolor11"_s) && after.contains(u"Scolor21"_s));
    }

    void deleteRenumbersTheAccounts_data() { addRows(); }
    void deleteRenumbersTheAccounts()
    {
        prepare(kSeed);
        LoadedForm w;
        w.form.SSTab1->setCurrentIndex(2);
        w.form.accountList->setRow(1);
        QCOMPARE(Module1::SelectedRow, qint16(1));
        w.form.delbutton_Click();
        const StoreMap after = exported();
        const StoreMap expected = {{u"accountno"_s, u"1"_s},
                                   {u"Aname1"_s, u"work"_s},
                                   {u"Hname1"_s, u"mail.example.com"_s},
                                   {u"Passw1"_s, u"120 121 "_s},
                                   {u"Portno1"_s, u"110"_s},
                                   {u"Uname1"_s, u"0"_s},
                                   {u"Check1"_s, after.value(u"Check1"_s)},
                                   {u"Scolor11"_s, after.value(u"Scolor11"_s)},
                                   {u"Scolor21"_s, after.value(u"Scolor21"_s)},
                                   {u"Agentnm"_s, kSeed.value(u"Agentnm"_s)},
                                   {u"Memo"_s, u"kept"_s}};
        QCOMPARE(after, expected);
        QCOMPARE(w.form.accountList->Rows(), 2);
    }

    void aRefusedWriteIsReportedAndLeavesTheRegistry_data() { addRows(); }
    void aRefusedWriteIsReportedAndLeavesTheRegistry()
    {
        prepare(kSeed);
        LoadedForm w;
        QSignalSpy ending(&w.form, &optionform::programEnding);
        qputenv("WINE", "/bin/false");
        w.form.OkBt_Click();
        qunsetenv("WINE");
        QCOMPARE(ending.size(), 0);
        QVERIFY(w.form.isVisible());
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        QVERIFY(w.boxes.seen.front().text.startsWith(u"設定を保存できませんでした\r\n"_s));
        QVERIFY(w.boxes.seen.front().text.contains(prefix_));
        QCOMPARE(exported(), kSeed);
    }

    // The agent picker opens in the prefix's character folder and stores the
    // picked file as the mail checker under Wine opens it; the notice names the store.
    void pathsAreTheMailCheckersWindowsPaths_data() { addRows(); }
    void pathsAreTheMailCheckersWindowsPaths()
    {
        if (someCharacterFile().isEmpty())
            QSKIP("no character file to pick");
        prepare(kSeed);
        LoadedForm w;
        QCOMPARE(Module1::WindowsDirectory(), u"C:\\windows"_s);
        const QString folder = prefix_ + u"/dosdevices/c:/windows/Msagent/Chars"_s;
        auto seenFolder = std::make_shared<QString>();
        auto answered = whenModal<QFileDialog>([seenFolder, folder](QFileDialog* dialog) {
            *seenFolder = dialog->directory().absolutePath();
            typeAndAccept(dialog, folder + u"/Merlin.acs"_s);
        });
        QTest::mouseClick(w.form.Command3, Qt::LeftButton);
        QVERIFY(*answered);
        QCOMPARE(QFileInfo(*seenFolder).canonicalFilePath(), QFileInfo(folder).canonicalFilePath());
        QCOMPARE(w.form.AgentBox->text(), u"C:\\windows\\Msagent\\Chars\\Merlin.acs"_s);
        QCOMPARE(Module1::ToStoredPath(u"/usr/share"_s), u"Z:\\usr\\share"_s);
        QVERIFY(options::programVersionNotice().contains(u"Wine"_s));
        QVERIFY(options::programVersionNotice().contains(prefix_));
    }

    // A Windows program reading the key under a Japanese locale, as the mail
    // checker does, gets what was saved: Unicode through the W functions,
    // code page 932 through the A functions.
    void aWindowsProgramReadsWhatWasSaved_data() { addRows(); }
    void aWindowsProgramReadsWhatWasSaved()
    {
        const QString reader = QStringLiteral(QUORVIX_WINE_REGREAD);
        if (reader.isEmpty())
            QSKIP("no x86_64-w64-mingw32-gcc: the Windows reader was not built");
        const QString locales = dir_.filePath(u"locales"_s);
        QDir().mkpath(locales);
        if (!QFileInfo::exists(locales + u"/ja_JP.UTF-8"_s) &&
            QProcess::execute(u"localedef"_s,
                              {u"-i"_s, u"ja_JP"_s, u"-f"_s, u"UTF-8"_s, locales + u"/ja_JP.UTF-8"_s}) != 0)
            QSKIP("no Japanese locale could be made with localedef");
        prepare(kSeed);
        const QString name = u"表示名 ①～"_s; // includes a character code page 932 maps from its own table
        Module1::WriteSetting(u"Aname1"_s, name);
        QVERIFY(Module1::SyncSettings());
        QProcessEnvironment japanese;
        japanese.insert(u"LOCPATH"_s, locales);
        japanese.insert(u"LANG"_s, u"ja_JP.UTF-8"_s);
        japanese.insert(u"LC_ALL"_s, u"ja_JP.UTF-8"_s);
        QByteArray output;
        QVERIFY(run(wine_, {reader, u"Aname1"_s, u"Passw1"_s}, &output, japanese));
        QByteArray ansi;
        QByteArray units;
        for (const QChar c : name) {
            const quint16 code = settings::cp932::FromUnicode(c.unicode()).value_or(0x3f);
            ansi += code > 0xff ? QByteArray::number(code, 16)
                                : QByteArray::number(code, 16).rightJustified(2, '0');
            units += QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
        }
        const QByteArrayList lines = output.replace("\r", "").split('\n');
        QVERIFY2(lines.contains("ACP 932"), output.constData());
        QVERIFY2(lines.contains("Aname1 A:" + ansi + " W:" + units), output.constData());
        QVERIFY2(lines.contains("Passw1 A:393720393820393920 W:003900370020003900380020003900390020"),
                 output.constData());
    }
};

QUORVIX_TEST_MAIN(WineStoreTest)
#include "tst_winestore.moc"
