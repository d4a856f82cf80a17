// The options record: what ReadOptions makes of an empty store and of stored
// numbers that cannot be used, the order and form of WriteOptions' writes,
// and the number helpers that place the agent.

#include "KeySchema.h"
#include "OptionsRecord.h"
#include "StoreWrites.h"
#include "StoredNumbers.h"
#include "TestMain.h"

#include <limits>

using namespace Qt::StringLiterals;
using namespace settings;
using namespace quorvix::test;

namespace {

const QString kWindows = u"C:\\WINDOWS"_s;

QString writtenDefault(const GlobalKey& key)
{
    return key.source == DefaultSource::WindowsDirectory ? AgentnmDefault(kWindows)
                                                         : key.defaultText.toString();
}

} // namespace

class OptionsRecordTest : public QObject
{
    Q_OBJECT

private slots:
    // An empty store reads as the defaults, and writing them back writes every
    // key but the two positions, in the save order, through the save rule.
    void emptyStoreReadsAndWritesTheDefaults()
    {
        prepareStore({});
        const OptionsRecord record = ReadOptions(kWindows);
        QCOMPARE(record.AccountCount, qint16(0));
        QCOMPARE(record.Option5value, qint16(0));
        QCOMPARE(record.TimeUp, qint16(60));
        QCOMPARE(record.AgentPath, AgentnmDefault(kWindows));
        QCOMPARE(record.Actkind[2], u"Read"_s);
        QCOMPARE(record.Talkstr[6], kTalkstr6Default.toString());
        QCOMPARE(record.VolumeValue, 30000);

        WriteRecorder writes;
        WriteOptions(record);
        QCOMPARE(writes.keys, saveOrderNames());
        for (const GlobalKey* key : SaveOrder())
            QCOMPARE(writes.texts.value(key->name.toString()), writtenDefault(*key));
    }

    // Stored numbers that do not convert or do not fit their control: the
    // key's default, which is what a write hands back.
    void badStoredNumbersFallBackToTheDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("Timeupval not a number") << u"Timeupval"_s << u"abc"_s;
        QTest::newRow("Talkcnt beyond 16 bits") << u"Talkcnt"_s << u"99999"_s;
        QTest::newRow("Checktimerval with a fraction") << u"Checktimerval"_s << u"1.5"_s;
        QTest::newRow("Closetimerval empty") << u"Closetimerval"_s << QString();
        QTest::newRow("Pitchval below the bar") << u"Pitchval"_s << u"49"_s;
        QTest::newRow("Pitchval above the bar") << u"Pitchval"_s << u"251"_s;
        QTest::newRow("Volval below the bar") << u"Volval"_s << u"-1"_s;
        QTest::newRow("Volval above the bar") << u"Volval"_s << u"65536"_s;
        QTest::newRow("Volval beyond 32 bits") << u"Volval"_s << u"99999999999"_s;
        QTest::newRow("accountno negative") << u"accountno"_s << u"-5"_s;
        QTest::newRow("accountno not a number") << u"accountno"_s << u"two"_s;
        QTest::newRow("a check box holding 7") << u"Option4index"_s << u"7"_s;
        QTest::newRow("a check box holding -1") << u"Option5value"_s << u"-1"_s;
        QTest::newRow("HukifontS beyond 16 bits") << u"HukifontS"_s << u"40000"_s;
    }
    void badStoredNumbersFallBackToTheDefault()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        prepareStore({{key, stored}});
        WriteRecorder writes;
        WriteOptions(ReadOptions(kWindows));
        QCOMPARE(writes.texts.value(key), FindGlobalKey(key)->defaultText.toString());
    }

    void roundingGoesToTheEvenNeighbour_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("100.5") << 100.5 << 100;
        QTest::newRow("101.5") << 101.5 << 102;
        QTest::newRow("100.49") << 100.49 << 100;
        QTest::newRow("100.51") << 100.51 << 101;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("32767.4") << 32767.4 << 32767;
        QTest::newRow("-32768.5") << -32768.5 << -32768;
    }
    void roundingGoesToTheEvenNeighbour()
    {
        QFETCH(double, value);
        QFETCH(int, expected);
        const std::optional<qint16> rounded = RoundToInt16TiesToEven(value);
        QVERIFY(rounded);
        QCOMPARE(int(*rounded), expected);
    }

    void roundingRefusesWhatDoesNotFit()
    {
        QVERIFY(!RoundToInt16TiesToEven(32767.5));
        QVERIFY(!RoundToInt16TiesToEven(-32769.0));
        QVERIFY(!RoundToInt16TiesToEven(std::numeric_limits<double>::quiet_NaN()));
        QVERIFY(!RoundToInt16TiesToEven(std::numeric_limits<double>::infinity()));
    }

    void singlePrecisionText()
    {
        QCOMPARE(SingleToText(7616.0f), u"7616"_s);
        QCOMPARE(SingleToText(5696.0f), u"5696"_s);
        QCOMPARE(SingleToText(-64.0f), u"-64"_s);
        QCOMPARE(SingleToText(0.0f), u"0"_s);
        QCOMPARE(SingleToText(7616.5f), u"7616.5"_s);
        QCOMPARE(SingleToText(0.1f), u"0.1"_s);
        QCOMPARE(SingleToText(12345678.0f), u"1.234568E+07"_s);
    }

    void storedTwipsToPixels()
    {
        QCOMPARE(TwipsTextToPixels(u"1500"_s, 15.0), std::optional<qint16>(100));
        QCOMPARE(TwipsTextToPixels(u"1507.5"_s, 15.0), std::optional<qint16>(100)); // 100.5
        QCOMPARE(TwipsTextToPixels(u"1522.5"_s, 15.0), std::optional<qint16>(102)); // 101.5
        QCOMPARE(TwipsTextToPixels(u" -300 "_s, 15.0), std::optional<qint16>(-20));
        QVERIFY(!TwipsTextToPixels(u"abc"_s, 15.0));
        QVERIFY(!TwipsTextToPixels(QString(), 15.0));
        QVERIFY(!TwipsTextToPixels(u"491520"_s, 15.0)); // 32768 pixels
    }

    // A 1024 x 768 screen at 15 twips per pixel: fallbacks 7616 and 5696 twips.
    void positionFallsBackToTheScreenMiddle()
    {
        prepareStore({});
        QCOMPARE(AgentPosition(u"DefLeft", 1024 * 15, 15.0), qint16(508));
        QCOMPARE(AgentPosition(u"DefTop", 768 * 15, 15.0), qint16(380));
        prepareStore({{u"DefLeft"_s, u"1500"_s}, {u"DefTop"_s, u"not a number"_s}});
        QCOMPARE(AgentPosition(u"DefLeft", 1024 * 15, 15.0), qint16(100));
        QCOMPARE(AgentPosition(u"DefTop", 768 * 15, 15.0), qint16(380));
        prepareStore({{u"DefLeft"_s, u"9999999"_s}});
        QCOMPARE(AgentPosition(u"DefLeft", 1024 * 15, 15.0), qint16(508));
    }
};

QUORVIX_TEST_MAIN_CORE(OptionsRecordTest)
#include "tst_optionsrecord.moc"
