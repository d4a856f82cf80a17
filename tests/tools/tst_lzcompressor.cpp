// The compressor against an independent decoder and, when the character
// engine is part of the build, against the decoder the program itself uses.

#include "LzCompressor.h"
#include "ReferenceDecoder.h"
#include "TestMain.h"

#include "AcsDecompressor.h"
#include "AgentControl.h"

#include <QRandomGenerator>

using pipwren::lzCompress;
using pipwren::test::referenceDecode;

class LzCompressorTest : public QObject
{
    Q_OBJECT

private:
    static QByteArray randomBytes(quint32 seed, qsizetype size, int alphabet = 256)
    {
        QRandomGenerator random(seed);
        QByteArray bytes(size, '\0');
        for (char& b : bytes)
            b = char(random.bounded(alphabet));
        return bytes;
    }

    static void verifyRoundTrip(const QByteArray& input)
    {
        const QByteArray packed = lzCompress(input);
        QCOMPARE(packed.at(0), '\0');
        // The stream ends with the marker's 1-bits and three slack bytes of 0xFF.
        QVERIFY(packed.endsWith(QByteArray(3, '\xFF')));
        const auto decoded = referenceDecode(packed, input.size());
        QVERIFY(decoded.has_value());
        QCOMPARE(*decoded, input);
        QCOMPARE(agent::decompressAcs(packed, input.size(), QStringLiteral("round trip")), input);
    }

private slots:
    void referenceDecoderReadsTheKnownStream()
    {
        // A hand-assembled stream: literals A and B, a copy of 6 at distance 2, literal C.
        QCOMPARE(referenceDecode(QByteArray::fromHex("008208152C43FFFFFFFFFFFF"), 9),
                 std::optional<QByteArray>(QByteArrayLiteral("ABABABABC")));
        QVERIFY(!referenceDecode(QByteArray::fromHex("008208152C43FFFFFFFFFFFF"), 8).has_value());
    }

    void roundTrips_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one byte") << QByteArray(1, 'x');
        QTest::newRow("two equal bytes") << QByteArray(2, '\0');
        QTest::newRow("short text") << QByteArrayLiteral("ABABABABC");
        // Runs at the edges of the length codes and past the longest single copy.
        for (const int n : {3, 4, 5, 6, 7, 8, 9, 2049, 4095, 4096, 4097, 4098, 10000})
            QTest::newRow(qPrintable(QStringLiteral("run of %1").arg(n))) << QByteArray(n, '\xFE');
        QTest::newRow("random bytes") << randomBytes(1, 20000);
        QTest::newRow("few symbols") << randomBytes(2, 20000, 3);
        QTest::newRow("all byte values") << [] {
            QByteArray b;
            for (int i = 0; i < 256 * 4; ++i)
                b.append(char(i));
            return b;
        }();
        // A block repeated at distances in every tier, the last beyond 4672 bytes.
        for (const int gap : {10, 100, 1000, 6000, 70000}) {
            const QByteArray block = randomBytes(3, 40);
            QTest::newRow(qPrintable(QStringLiteral("repeat after %1").arg(gap)))
                << block + randomBytes(4, gap) + block + block.left(3);
        }
    }

    void roundTrips()
    {
        QFETCH(QByteArray, input);
        verifyRoundTrip(input);
    }

    void compressesWhatRepeats()
    {
        // Mostly transparent pictures are the common case: they must shrink a lot.
        QByteArray picture(128 * 128, char(255));
        picture.replace(64 * 128 + 10, 50, randomBytes(5, 50));
        QVERIFY(lzCompress(picture).size() < 200);
        verifyRoundTrip(picture);
    }

    void usesTheWideTierOnlyWithThreeBytes()
    {
        // A two-byte repeat far away is cheaper as literals: only 3+ bytes may use the 20-bit tier.
        QByteArray input = "xy" + randomBytes(6, 5000) + "xy";
        verifyRoundTrip(input);
        input = "xyz" + randomBytes(7, 5000) + "xyz";
        verifyRoundTrip(input);
    }

    void programDecoderRejectsWrongSizes()
    {
        const QByteArray packed = lzCompress(QByteArray(100, 'a'));
        QVERIFY_THROWS_EXCEPTION(agent::AgentError,
                                 agent::decompressAcs(packed, 99, QStringLiteral("short")));
        QVERIFY_THROWS_EXCEPTION(agent::AgentError,
                                 agent::decompressAcs(packed, 101, QStringLiteral("long")));
    }
};

QUORVIX_TEST_MAIN_CORE(LzCompressorTest)
#include "tst_lzcompressor.moc"
