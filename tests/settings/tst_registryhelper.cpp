// quorvix-registry.exe and its client: the protocol on its own, then the
// helper in a real Wine prefix (texts back exactly, a batch that fails
// midway undone) and the user.reg reader measured against what Wine itself
// reads and writes. The Wine cases skip without Wine or without the helper
// (a build without the MinGW cross compiler).

#include "RegistryHelper.h"
#include "TestMain.h"
#include "WineRegistryStore.h"
#include "WineRegistryText.h"
#include "WineTestPrefix.h"

#include <QFile>
#include <QThread>

using namespace settings;
using namespace quorvix::test;
using namespace Qt::StringLiterals;

namespace {

using Texts = std::vector<std::pair<QString, QString>>;

Texts textsOf(const HelperReply& reply)
{
    Texts texts;
    for (const HelperValue& value : reply.values) {
        if (value.text)
            texts.emplace_back(value.name, *value.text);
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

Texts sorted(Texts texts)
{
    std::sort(texts.begin(), texts.end());
    return texts;
}

const QString kTestKey = u"Software\\Quorvix\\Helper test"_s;

} // namespace

class RegistryHelperTest : public QObject
{
    Q_OBJECT

    WineTestPrefix wine_;
    QString skipReason_;

    void needWine()
    {
        if (!skipReason_.isEmpty())
            QSKIP(qPrintable(skipReason_));
    }

    HelperReply call(const std::vector<StoreChange>& changes, const QString& key = kTestKey)
    {
        RegistryHelper helper(wine_.path());
        HelperReply reply;
        QString reason;
        if (!helper.call(key, changes, &reply, &reason))
            qWarning("%s", qPrintable(reason));
        return reply;
    }

    // Several requests in one run of the helper: Wine loads user.reg once.
    std::vector<HelperReply> readKeys(const QStringList& keys)
    {
        QByteArray input = kHelperProtocolLine.toByteArray();
        for (const QString& key : keys)
            input += HelperRequest(key, {});
        QByteArray output;
        wine_.run(wine_.wine, {RegistryHelper::program()}, &output, input);
        std::vector<HelperReply> replies;
        QByteArrayView rest = QByteArrayView(output).sliced(kHelperProtocolLine.size());
        while (!rest.isEmpty()) {
            qsizetype used = 0;
            const std::optional<HelperReply> reply = ReadHelperReply(rest, &used);
            if (!reply)
                break;
            replies.push_back(*reply);
            rest = rest.sliced(used);
        }
        return replies;
    }

private slots:
    void initTestCase()
    {
        if (RegistryHelper::program().isEmpty())
            skipReason_ = u"quorvix-registry.exe was not built (no x86_64-w64-mingw32-gcc)"_s;
        else if (!wine_.make(&skipReason_))
            skipReason_ += u": the helper is not run"_s;
        else
            skipReason_.clear();
    }

    void cleanupTestCase()
    {
        if (skipReason_.isEmpty())
            wine_.stopServer();
    }

    void theProtocolCarriesAnyText()
    {
        const QByteArray request = HelperRequest(
            u"K\\ey"_s, {{u"A"_s, u"x\ny"_s}, {u"B"_s, QString(u"a\0b"_s)}, {u"C"_s, std::nullopt}});
        QCOMPARE(request, "key 4:K\\ey\nset 1:A 3:x\ny\nset 1:B 3:a\0b\ndelete 1:C\nend\n"_ba);
        QCOMPARE(HelperRequest(u"K"_s, {{u"A"_s, QString(QChar(0xd800))}}), QByteArray());

        const QByteArray reply = "key present\nvalue 1:A sz 3:x\ny\nvalue 1:D other 4 4\n"
                                 "failed 1:B 5 13:Access denied\nunrestored 1:C 5\nend\n";
        qsizetype used = 0;
        const std::optional<HelperReply> read = ReadHelperReply(QByteArray(reply + "key absent\n"), &used);
        QVERIFY(read);
        QCOMPARE(used, reply.size());
        QVERIFY(read->keyPresent && !read->ok);
        QCOMPARE(read->values.size(), std::size_t(2));
        QCOMPARE(read->values[0].text, std::optional<QString>(u"x\ny"_s));
        QCOMPARE(read->values[1].text, std::nullopt);
        QCOMPARE(read->values[1].type, 4u);
        QCOMPARE(read->failedValue, u"B"_s);
        QCOMPARE(read->error, 5u);
        QCOMPARE(read->failure, u"Access denied"_s);
        QCOMPARE(read->unrestored, QStringList{u"C"_s});
        for (qsizetype cut = 0; cut < reply.size(); cut += 7)
            QVERIFY(!ReadHelperReply(QByteArrayView(reply).first(cut)));
    }

    void aCallCanBeAbortedFromAnotherThread()
    {
        QTemporaryDir dir;
        const QString slowWine = dir.filePath(u"slow-wine"_s);
        QFile script(slowWine);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec sleep 60\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("WINE", QFile::encodeName(slowWine));
        qputenv("QUORVIX_REGISTRY_HELPER", QFile::encodeName(slowWine)); // any file: it is not run
        RegistryHelper helper(dir.path());
        QThread* aborter = QThread::create([&helper] {
            QThread::msleep(200);
            helper.abortPendingCall();
        });
        aborter->start();
        HelperReply reply;
        QString reason;
        QVERIFY(!helper.call(kTestKey, {}, &reply, &reason));
        aborter->wait();
        delete aborter;
        qunsetenv("WINE");
        qunsetenv("QUORVIX_REGISTRY_HELPER");
        QVERIFY2(reason.contains(u"given up"_s), qPrintable(reason));
    }

    // The store on a folder laid out as a prefix, without Wine: what is
    // refused before Wine would be run.
    void theStoreRefusesWhatCouldNotBeSaved()
    {
        QTemporaryDir dir;
        for (const QString& name : {u"drive_c"_s, u"dosdevices"_s})
            QVERIFY(QDir(dir.path()).mkpath(name));
        for (const QString& name : {u"system.reg"_s, u"user.reg"_s}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("WINE REGISTRY Version 2\n");
        }
        const std::unique_ptr<StoreBackend> store = makeWineRegistryStore(dir.path());
        StoreProblem problem;
        QFile::setPermissions(dir.filePath(u"user.reg"_s), QFile::ReadOwner | QFile::ReadGroup);
        QVERIFY(!store->commit({{u"Talkcnt"_s, u"7"_s}}, &problem));
        QCOMPARE(problem.kind, StoreProblem::Kind::ReadOnly);
        QVERIFY2(problem.detail.contains(u"read-only (mode 440)"_s) && problem.detail.contains(u"user.reg"_s),
                 qPrintable(problem.detail));

        qputenv("QUORVIX_REGISTRY_HELPER", QFile::encodeName(dir.filePath(u"missing.exe"_s)));
        const bool read = store->reload(&problem);
        qunsetenv("QUORVIX_REGISTRY_HELPER");
        QVERIFY(!read);
        QVERIFY2(problem.detail.contains(u"unavailable"_s) &&
                     problem.detail.contains(u"quorvix-registry.exe"_s),
                 qPrintable(problem.detail));
    }

    void textsComeBackExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << u"pop.example.jp"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("a NUL inside") << QString(u"mail\0host"_s);
        QTest::newRow("line breaks, quotes and backslashes") << u"a\r\nb\"c\\d\\"_s;
        QTest::newRow("outside the BMP") << u"𠮷野家 😀"_s;
        QTest::newRow("1 MB") << QString(512 * 1024, u'日');
    }
    void textsComeBackExactly()
    {
        needWine();
        QFETCH(QString, text);
        const HelperReply written = call({{u"Value"_s, text}});
        QVERIFY(written.ok);
        QVERIFY(written.keyPresent);
        const HelperReply read = call({});
        QCOMPARE(textsOf(read), textsOf(written));
        QCOMPARE(textsOf(read), (Texts{{u"Value"_s, text}}));
    }

    void aBatchThatFailsMidwayIsUndone()
    {
        needWine();
        const QString key = kTestKey + u"\\batch"_s;
        QVERIFY(call({{u"Kept"_s, u"old"_s}, {u"Gone"_s, u"there"_s}}, key).ok);
        const QString tooLong(16384, u'N'); // Wine refuses a value name this long
        const HelperReply failed = call(
            {{u"Kept"_s, u"new"_s}, {u"Gone"_s, std::nullopt}, {u"Added"_s, u"x"_s}, {tooLong, u"y"_s}}, key);
        QVERIFY(!failed.ok);
        QCOMPARE(failed.failedValue, tooLong);
        QVERIFY(failed.error != 0);
        QVERIFY(!failed.failure.isEmpty());
        QVERIFY(failed.unrestored.isEmpty());
        const Texts before = {{u"Gone"_s, u"there"_s}, {u"Kept"_s, u"old"_s}};
        QCOMPARE(textsOf(failed), before);
        QCOMPARE(textsOf(call({}, key)), before);
        QVERIFY(!call({{u"twice"_s, u"1"_s}, {u"TWICE"_s, u"2"_s}}, key).ok);
        const HelperReply removed =
            call({{u"Kept"_s, std::nullopt}, {u"Gone"_s, std::nullopt}, {u"Never"_s, std::nullopt}}, key);
        QVERIFY(removed.ok && removed.values.empty());
    }

    // Values Wine wrote itself, saved to user.reg when its server ends: the
    // direct reader takes them as Wine holds them, with no form left to Wine.
    void theUserRegReaderReadsWhatWineWrites()
    {
        needWine();
        const Texts texts = {
            {u"accountno"_s, u"2"_s},
            {u"Controls"_s, QString(u"\0\a\b\t\n\v\f\r\x1b\x01"
                                    "7\x7f"_s)},
            {u"Escapes"_s, u"\"quoted\" \\ [x] @=;#"_s},
            {u"Hex digit after"_s, u"日a日1 é0"_s},
            {u"Japanese"_s, u"日本語の名前 ｱｶｳﾝﾄ ～−"_s},
            {u"Outside the BMP"_s, u"𠮷😀"_s},
            {u"名前"_s, u"x"_s},
            {u"Empty"_s, QString()},
        };
        std::vector<StoreChange> changes;
        for (const auto& [name, text] : texts)
            changes.push_back({name, text});
        QVERIFY(call(changes, kMailCheckerKey.toString()).ok);
        wine_.stopServer();
        QFile userReg(wine_.userReg());
        QVERIFY(userReg.open(QIODevice::ReadOnly));
        const RegistryKeyTexts read = ReadUserRegKey(userReg.readAll(), kMailCheckerKey);
        QVERIFY(read.keyFound);
        QVERIFY(!read.unknownForm);
        QCOMPARE(sorted(read.texts), sorted(texts));
    }

    // Beside a running wineserver the helper is kept between calls; one that
    // wineserver -k ended is replaced by a new one.
    void aKeptHelperServesTheNextCalls()
    {
        needWine();
        wine_.startServer();
        RegistryHelper helper(wine_.path());
        const QString key = kTestKey + u"\\kept"_s;
        HelperReply reply;
        QString reason;
        QVERIFY2(helper.call(key, {{u"A"_s, u"1"_s}}, &reply, &reason, true), qPrintable(reason));
        QVERIFY2(helper.call(key, {{u"B"_s, u"2"_s}}, &reply, &reason, true), qPrintable(reason));
        QCOMPARE(textsOf(reply), (Texts{{u"A"_s, u"1"_s}, {u"B"_s, u"2"_s}}));
        wine_.stopServer();
        wine_.startServer();
        QVERIFY2(helper.call(key, {{u"A"_s, std::nullopt}, {u"B"_s, std::nullopt}}, &reply, &reason, true),
                 qPrintable(reason));
        QVERIFY(reply.ok && reply.values.empty());
    }

    // The mail checker has just saved its key for the first time: wineserver
    // holds it, user.reg does not yet. The store reads it from Wine.
    void aKeyOnlyInWinesMemoryIsRead()
    {
        needWine();
        wine_.stopServer();
        wine_.startServer();
        QVERIFY(call({{u"Memo"_s, u"only in memory"_s}}, kMailCheckerKey.toString()).ok);
        QFile userReg(wine_.userReg());
        QVERIFY(userReg.open(QIODevice::ReadOnly));
        QVERIFY(!userReg.readAll().contains("only in memory"));
        const std::unique_ptr<StoreBackend> store = makeWineRegistryStore(wine_.path());
        StoreProblem problem;
        QVERIFY2(store->reload(&problem), qPrintable(problem.detail));
        QCOMPARE(store->value(u"MEMO"_s), std::optional<QString>(u"only in memory"_s));
        wine_.stopServer();
    }

    // A wineserver the store started saves user.reg when it ends; after the
    // last action the store waits for that and looks.
    void theLastActionWaitsForWinesSave()
    {
        needWine();
        wine_.stopServer();
        const std::unique_ptr<StoreBackend> store = makeWineRegistryStore(wine_.path());
        StoreProblem problem;
        QVERIFY2(store->reload(&problem), qPrintable(problem.detail));
        QVERIFY2(store->commit({{u"Memo"_s, u"saved"_s}}, &problem), qPrintable(problem.detail));
        QVERIFY2(store->settle(&problem), qPrintable(problem.detail));
        QFile userReg(wine_.userReg());
        QVERIFY(userReg.open(QIODevice::ReadOnly));
        const RegistryKeyTexts saved = ReadUserRegKey(userReg.readAll(), kMailCheckerKey);
        QVERIFY(std::find(saved.texts.begin(), saved.texts.end(), std::pair(u"Memo"_s, u"saved"_s)) !=
                saved.texts.end());
    }

    // Lines Wine itself never writes but reads: each key either reads as
    // Wine reads it, or the reader says it does not know the form. Every
    // row goes into one user.reg under a key of its own, read by one run of
    // the helper, so Wine loads the file once.
    void theUserRegReaderAgreesWithWineOrSaysSo()
    {
        needWine();
        struct Row
        {
            const char* what;
            QByteArray lines;
            bool known;
        };
        const std::vector<Row> rows = {
            {"Wine's own form", "\"Timeupval\"=\"90\"", true},
            {"a name twice", "\"Timeupval\"=\"90\"\n\"TIMEUPVAL\"=\"60\"", true},
            {"a dword", "\"Timeupval\"=dword:0000005a", true},
            {"octal and short hex", "\"Timeupval\"=\"\\71\\x30\\60\"", true},
            {"raw UTF-8", "\"Aname1\"=\"\xe6\x97\xa5\xe6\x9c\xac\"", false},
            {"bytes that are not UTF-8", "\"Aname1\"=\"\x93\xfa\x96\x7b\"", false},
            {"REG_SZ as hex(1)", "\"Timeupval\"=hex(1):39,00,30,00,00,00", false},
            {"str:", "\"Timeupval\"=str:\"90\"", false},
            {"blanks around =", "  \"Timeupval\" = \"90\"", false},
            {"a dotless i beside the name", "\"Timeupval\"=\"90\"\n\"T\\x131meupval\"=\"60\"", true},
            {"a long s beside the name",
             "\"Sound\"=\"1\"\n\"\\x17f"
             "ound\"=\"2\"",
             true},
            {"malformed", "\"Timeupval\"=\"90", false},
        };
        wine_.stopServer();
        QFile userReg(wine_.userReg());
        QVERIFY(userReg.open(QIODevice::Append));
        QStringList keys;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            keys.append(u"Software\\Quorvix\\Row %1"_s.arg(i));
            userReg.write("\n[Software\\\\Quorvix\\\\Row " + QByteArray::number(qulonglong(i)) + "] 1\n" +
                          rows[i].lines + '\n');
        }
        userReg.close();
        QVERIFY(userReg.open(QIODevice::ReadOnly));
        const QByteArray bytes = userReg.readAll();
        userReg.close();
        const std::vector<HelperReply> wine = readKeys(keys);
        QCOMPARE(wine.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const RegistryKeyTexts read = ReadUserRegKey(bytes, keys[qsizetype(i)]);
            QVERIFY2(read.keyFound && wine[i].keyPresent, rows[i].what);
            if (rows[i].known)
                QVERIFY2(!read.unknownForm, rows[i].what);
            if (!read.unknownForm)
                QVERIFY2(sorted(read.texts) == textsOf(wine[i]), rows[i].what);
        }
    }
};

QUORVIX_TEST_MAIN_CORE(RegistryHelperTest)
#include "tst_registryhelper.moc"
