// Number parsing and the working account record: reset values, loading with
// its skip-on-failure steps, saving through the save rule, and Delete's copies.

#include "Module1.h"
#include "StoreFiles.h"
#include "TestMain.h"

#include <QDir>
#include <QFileInfo>

using namespace Module1;
using namespace quorvix::test;
using namespace Qt::StringLiterals;

namespace {

AccountRecordType sampleAccount()
{
    AccountRecordType r;
    r.Aname = u"仕事"_s;
    r.Hname = u"pop.example.jp"_s;
    r.Portno = 995;
    r.Uname = u"taro"_s;
    r.Passw = u"pa ss,あ"_s;
    r.Check = 0;
    r.Scolor1 = 255;
    r.Scolor2 = 0x00FFFF80;
    return r;
}

void compareRecords(const AccountRecordType& actual, const AccountRecordType& expected)
{
    QCOMPARE(actual.Aname, expected.Aname);
    QCOMPARE(actual.Hname, expected.Hname);
    QCOMPARE(actual.Portno, expected.Portno);
    QCOMPARE(actual.Uname, expected.Uname);
    QCOMPARE(actual.Passw, expected.Passw);
    QCOMPARE(actual.Check, expected.Check);
    QCOMPARE(actual.Scolor1, expected.Scolor1);
    QCOMPARE(actual.Scolor2, expected.Scolor2);
}

} // namespace

class AccountRecordTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { removeStoreFile(); }

    void parseNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("int16"); // -100000: not a 16-bit number
        QTest::addColumn<qlonglong>("int32");
        constexpr int no16 = -100000;
        constexpr qlonglong no32 = -10000000000LL;
        QTest::newRow("zero") << u"0"_s << 0 << 0LL;
        QTest::newRow("plain") << u"110"_s << 110 << 110LL;
        QTest::newRow("signs") << u"-60"_s << -60 << -60LL;
        QTest::newRow("plus") << u"+7"_s << 7 << 7LL;
        QTest::newRow("blanks around") << u" \t42 \t"_s << 42 << 42LL;
        QTest::newRow("leading zeros") << u"000000000000000000123"_s << 123 << 123LL;
        QTest::newRow("int16 max") << u"32767"_s << 32767 << 32767LL;
        QTest::newRow("int16 min") << u"-32768"_s << -32768 << -32768LL;
        QTest::newRow("int16 over") << u"32768"_s << no16 << 32768LL;
        QTest::newRow("port 70000") << u"70000"_s << no16 << 70000LL;
        QTest::newRow("int32 max") << u"2147483647"_s << no16 << 2147483647LL;
        QTest::newRow("int32 min") << u"-2147483648"_s << no16 << -2147483648LL;
        QTest::newRow("int32 over") << u"2147483648"_s << no16 << no32;
        QTest::newRow("int32 under") << u"-2147483649"_s << no16 << no32;
        QTest::newRow("huge") << u"9"_s.repeated(1 << 20) << no16 << no32;
        QTest::newRow("empty") << QString() << no16 << no32;
        QTest::newRow("blank") << u"  "_s << no16 << no32;
        QTest::newRow("sign only") << u"-"_s << no16 << no32;
        QTest::newRow("two signs") << u"--1"_s << no16 << no32;
        QTest::newRow("blank after sign") << u"- 1"_s << no16 << no32;
        QTest::newRow("inner blank") << u"1 2"_s << no16 << no32;
        QTest::newRow("letters") << u"abc"_s << no16 << no32;
        QTest::newRow("trailing letter") << u"12a"_s << no16 << no32;
        QTest::newRow("hex") << u"&HFF"_s << no16 << no32;
        QTest::newRow("decimal point") << u"1.5"_s << no16 << no32;
        QTest::newRow("separator") << u"1,000"_s << no16 << no32;
        QTest::newRow("full-width digits") << u"１２"_s << no16 << no32;
        QTest::newRow("NUL") << QString(u"1" + QString(QChar(0))) << no16 << no32;
        QTest::newRow("newline") << u"1\n"_s << no16 << no32;
    }

    void parseNumbers()
    {
        QFETCH(QString, text);
        QFETCH(int, int16);
        QFETCH(qlonglong, int32);
        const std::optional<qint16> parsed16 = ParseInt16(text);
        const std::optional<qint32> parsed32 = ParseInt32(text);
        QCOMPARE(parsed16.has_value(), int16 != -100000);
        if (parsed16)
            QCOMPARE(int(*parsed16), int16);
        QCOMPARE(parsed32.has_value(), int32 != -10000000000LL);
        if (parsed32)
            QCOMPARE(qlonglong(*parsed32), int32);
    }

    void resetGivesTheResetValues()
    {
        AccountRecord = sampleAccount();
        ResetAccount();
        QCOMPARE(AccountRecord.Aname, QString());
        QCOMPARE(AccountRecord.Portno, qint16(110));
        QCOMPARE(AccountRecord.Check, qint16(1));
        QCOMPARE(AccountRecord.Scolor1, 0);
        QCOMPARE(AccountRecord.Scolor2, 16777088);
    }

    void loadingAnAbsentAccountGivesTheDefaults()
    {
        ResetAccount();
        LoadAccount(5);
        compareRecords(AccountRecord, AccountRecordType{});
    }

    void saveAndLoadRoundTrip()
    {
        AccountRecord = sampleAccount();
        SaveAccount(3);
        QVERIFY(SyncSettings());
        ReloadStore();
        ResetAccount();
        LoadAccount(3);
        compareRecords(AccountRecord, sampleAccount());
    }

    void storedFormsAndKeyNames()
    {
        AccountRecord = sampleAccount();
        AccountRecord.Passw = u"abc"_s;
        AccountRecord.Portno = -1;
        AccountRecord.Scolor1 = -16777216;
        SaveAccount(10);
        const struct
        {
            const char16_t* key;
            const char16_t* stored;
        } expected[] = {
            {u"Aname10", u"仕事"},        {u"Hname10", u"pop.example.jp"}, {u"Portno10", u"-1"},
            {u"Uname10", u"taro"},        {u"Passw10", u"97 98 99 "},      {u"Check10", u"0"},
            {u"Scolor110", u"-16777216"}, {u"Scolor210", u"16777088"},
        };
        for (const auto& e : expected)
            QCOMPARE(ReadSetting(QString::fromUtf16(e.key), u"<absent>"_s), QString::fromUtf16(e.stored));
        QCOMPARE(ReadSetting(u"Aname1"_s, u"<absent>"_s), u"<absent>"_s);
    }

    void emptyTextsAreStoredAsZero()
    {
        ResetAccount();
        SaveAccount(1);
        QCOMPARE(ReadSetting(u"Aname1"_s, QString()), u"0"_s);
        QCOMPARE(ReadSetting(u"Hname1"_s, QString()), u"0"_s);
        QCOMPARE(ReadSetting(u"Uname1"_s, QString()), u"0"_s);
        QCOMPARE(ReadSetting(u"Passw1"_s, QString()), u"0"_s);
        QVERIFY(SyncSettings());
        ReloadStore();
        AccountRecord.Passw = u"old"_s;
        LoadAccount(1);
        QCOMPARE(AccountRecord.Uname, u"0"_s); // an empty name comes back as "0"
        QCOMPARE(AccountRecord.Aname, u"0"_s);
        QCOMPARE(AccountRecord.Passw, QString()); // "0" decodes to the empty password
    }

    void unusableNumbersKeepThePreviousValue_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("port too big") << QByteArray("Portno1=70000");
        QTest::newRow("port not a number") << QByteArray("Portno1=abc");
        QTest::newRow("port empty") << QByteArray("Portno1=");
        QTest::newRow("check too big") << QByteArray("Check1=99999");
        QTest::newRow("colour too big") << QByteArray("Scolor11=4294967295");
        QTest::newRow("colour not a number") << QByteArray("Scolor21=&H00FFFF80");
        QTest::newRow("NUL") << QByteArray("Portno1=@String(1\\0)");
        QTest::newRow("invalid UTF-8") << QByteArray("Check1=\xFF\xFE");
    }

    void unusableNumbersKeepThePreviousValue()
    {
        QFETCH(QByteArray, line);
        writeStoreFile("[setting]\n" + line + "\n");
        AccountRecord = sampleAccount();
        LoadAccount(1);
        QCOMPARE(AccountRecord.Portno, qint16(line.startsWith("Portno") ? 995 : 110));
        QCOMPARE(AccountRecord.Check, qint16(line.startsWith("Check") ? 0 : 1));
        QCOMPARE(AccountRecord.Scolor1, line.startsWith("Scolor11") ? 255 : 0);
        QCOMPARE(AccountRecord.Scolor2, 16777088);
        QCOMPARE(AccountRecord.Aname, QString()); // absent texts still take their defaults

        ResetAccount();
        LoadAccount(1);
        QCOMPARE(AccountRecord.Portno, qint16(110));
    }

    void absentPasswordKeepsTheRecordsPassword()
    {
        writeStoreFile("[setting]\nAname3=three\nPassw2=\"120 \"\nPassw4=\n");
        AccountRecord = sampleAccount();
        LoadAccount(3); // Delete's copy: load 3, save 2, no reset between
        QCOMPARE(AccountRecord.Passw, sampleAccount().Passw);
        SaveAccount(2);
        QVERIFY(SyncSettings());
        ReloadStore();
        ResetAccount();
        LoadAccount(2);
        QCOMPARE(AccountRecord.Aname, u"three"_s);
        QCOMPARE(AccountRecord.Passw, sampleAccount().Passw);

        AccountRecord.Passw = u"kept"_s;
        LoadAccount(4); // stored but empty
        QCOMPARE(AccountRecord.Passw, u"kept"_s);
    }

    void garbagePasswordLoadsWhatCanBeDecoded()
    {
        writeStoreFile("[setting]\nPassw1=\"97 x 130 -32096 99\"\n");
        ResetAccount();
        LoadAccount(1);
        // The last code counts without its blank: a plain store line loses it.
        QCOMPARE(AccountRecord.Passw, u"aあc"_s);
    }

    // Delete renumbers without a window; a refused write changes nothing.
    void deleteRenumbersOrLeavesEverything()
    {
        writeStoreFile("[setting]\naccountno=3\nAname1=one\nPassw1=\"97 \"\nAname2=two\nPassw2=\"98 \"\n"
                       "Aname3=three\nPassw3=\"99 \"\n");
        AccountCount = 3;
        QVERIFY(!DeleteAccount(4));
        QVERIFY(QDir().mkdir(StoreFilePath() + u".lock"_s)); // a lock that is never freed
        const QByteArray before = readStoreFile();
        settings::StoreProblem problem;
        QVERIFY(!DeleteAccount(1, &problem));
        QVERIFY(QDir().rmdir(StoreFilePath() + u".lock"_s));
        QCOMPARE(problem.kind, settings::StoreProblem::Kind::HeldByOther);
        QCOMPARE(AccountCount, qint16(3));
        QCOMPARE(readStoreFile(), before);

        QVERIFY(DeleteAccount(1));
        QCOMPARE(AccountCount, qint16(2));
        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"accountno"_s), u"2"_s);
        QCOMPARE(disk.value(u"Aname1"_s), u"two"_s);
        QCOMPARE(disk.value(u"Passw2"_s), u"99 "_s);
        QVERIFY(!disk.contains(u"Aname3"_s) && !disk.contains(u"Passw3"_s));
    }

    void megabyteValuesDoNotBreakLoading()
    {
        const QByteArray big(1 << 20, '7');
        writeStoreFile("[setting]\nAname1=" + big + "\nPortno1=" + big + "\nPassw1=" + big + "\n");
        ResetAccount();
        LoadAccount(1);
        QCOMPARE(AccountRecord.Aname.size(), 1 << 20);
        QCOMPARE(AccountRecord.Portno, qint16(110));
        QCOMPARE(AccountRecord.Passw, QString());
    }
};

QUORVIX_TEST_MAIN_CORE(AccountRecordTest)
#include "tst_accountrecord.moc"
