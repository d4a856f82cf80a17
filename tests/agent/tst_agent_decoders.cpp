// The image decompressor and the sound decoder on inputs written by hand.

#include "AcsBuilder.h"
#include "AcsDecompressor.h"
#include "AgentControl.h"
#include "TestMain.h"
#include "WaveDecoder.h"

using namespace agent;

namespace {

// Writes the compressed form bit by bit, least significant bit first.
class StreamWriter
{
public:
    StreamWriter() : bytes_(1, '\0') {}

    StreamWriter& literal(char c)
    {
        put(0, 1);
        put(quint8(c), 8);
        return *this;
    }
    StreamWriter& copy(quint32 distance, quint32 length)
    {
        put(1, 1);
        quint32 lengthBase = 2;
        if (distance <= 64) {
            put(0, 1);
            put(distance - 1, 6);
        } else if (distance <= 576) {
            put(0b01, 2);
            put(distance - 65, 9);
        } else if (distance <= 4672) {
            put(0b011, 3);
            put(distance - 577, 12);
        } else {
            put(0b111, 3);
            put(distance - 4673, 20);
            lengthBase = 3;
        }
        int n = 0;
        while (length - lengthBase >= (1u << (n + 1)) - 1)
            ++n;
        put((1u << n) - 1, n); // n ones
        put(0, 1);
        put(length - lengthBase - ((1u << n) - 1), n);
        return *this;
    }
    StreamWriter& raw(quint32 value, int n)
    {
        put(value, n);
        return *this;
    }
    QByteArray end()
    {
        put(0xF, 4);
        put(0xFFFFF, 20);
        while (bits_)
            put(1, 1);
        return bytes_ + QByteArray(3, char(0xFF));
    }
    QByteArray truncated() const { return bytes_; }

private:
    void put(quint32 value, int n)
    {
        for (int i = 0; i < n; ++i) {
            acc_ |= ((value >> i) & 1u) << bits_;
            if (++bits_ == 8) {
                bytes_.append(char(acc_));
                acc_ = 0;
                bits_ = 0;
            }
        }
    }
    QByteArray bytes_;
    quint32 acc_ = 0;
    int bits_ = 0;
};

QByteArray decode(const QByteArray& in, qsizetype size)
{
    return decompressAcs(in, size, QStringLiteral("test"));
}

QList<qint16> samples(const QByteArray& pcm16)
{
    QList<qint16> out;
    for (qsizetype i = 0; i + 1 < pcm16.size(); i += 2)
        out.append(qint16(quint8(pcm16[i]) | (quint8(pcm16[i + 1]) << 8)));
    return out;
}

QByteArray adpcmBlock(std::initializer_list<int> predictors, std::initializer_list<int> deltas,
                      std::initializer_list<int> sample1, std::initializer_list<int> sample2,
                      const QByteArray& codes)
{
    test::ByteWriter w;
    for (int p : predictors)
        w.u8(quint32(p));
    for (auto list : {deltas, sample1, sample2})
        for (int v : list)
            w.u16(quint16(qint16(v)));
    w.block(codes);
    return w.bytes;
}

// The block may be shorter than a full one, as the last block of a sound may be.
PcmSound adpcm(int channels, const QByteArray& block, qint64 fact, int samplesPerBlock = 6)
{
    const int blockAlign = 7 * channels + ((samplesPerBlock - 2) * channels + 1) / 2;
    return decodeWave(
        test::waveFile(2, channels, 8000, 4, blockAlign, test::adpcmExtra(samplesPerBlock), block, fact),
        QStringLiteral("test"));
}

} // namespace

class TestAgentDecoders : public QObject
{
    Q_OBJECT

private slots:
    void decodesTheWorkedExample()
    {
        QCOMPARE(decode(QByteArray::fromHex("0082 0815 2C43 FFFF FFFF FFFF"), 9), QByteArray("ABABABABC"));
    }

    void backReferencesInEveryTierAndOverlapping()
    {
        QCOMPARE(decode(StreamWriter().literal('x').copy(1, 5).end(), 6), QByteArray("xxxxxx"));
        QByteArray plain;
        StreamWriter w;
        for (int i = 0; i < 5000; ++i) {
            plain.append(char('a' + i % 23 + i / 700));
            w.literal(plain.back());
        }
        // 9-, 12- and 20-bit distances; lengths with 0, 1 and 11 length bits.
        for (auto [distance, length] :
             {std::pair{100u, 2u}, {600u, 3u}, {4700u, 4097u}, {65u, 4096u}, {4672u, 7u}}) {
            w.copy(distance, length);
            for (quint32 i = 0; i < length; ++i)
                plain.append(plain[plain.size() - qsizetype(distance)]);
        }
        QCOMPARE(decode(w.end(), plain.size()), plain);
    }

    void refusesDamagedStreams_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("problem");
        QTest::newRow("lead byte") << QByteArray::fromHex("0182") << 1 << QStringLiteral("lead byte");
        QTest::newRow("empty") << QByteArray() << 0 << QStringLiteral("lead byte");
        QTest::newRow("distance before the start")
            << StreamWriter().literal('a').copy(2, 2).end() << 3 << QStringLiteral("back reference");
        QTest::newRow("more than expected")
            << StreamWriter().literal('a').literal('b').end() << 1 << QStringLiteral("more data");
        QTest::newRow("copy beyond expected")
            << StreamWriter().literal('a').copy(1, 9).end() << 4 << QStringLiteral("more data");
        QTest::newRow("less than expected")
            << StreamWriter().literal('a').end() << 2 << QStringLiteral("1 bytes decoded");
        QTest::newRow("no end marker")
            << StreamWriter().literal('a').literal('b').truncated() << 2 << QStringLiteral("ends before");
        QTest::newRow("twelve length bits")
            << StreamWriter().literal('a').raw(0b01, 2).raw(0, 6).raw(0xFFF, 12).raw(0, 1).raw(0, 12).end()
            << 9000 << QStringLiteral("length prefix");
        QTest::newRow("impossible size")
            << QByteArray::fromHex("00FFFFFF") << 100'000'000 << QStringLiteral("cannot come from");
    }
    void refusesDamagedStreams()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, size);
        QFETCH(QString, problem);
        try {
            decode(input, size);
            QFAIL("accepted");
        } catch (const AgentError& e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("test: ")) && e.message().contains(problem),
                     qPrintable(e.message()));
        }
    }

    void decodesMsAdpcmByHand()
    {
        // Predictor 0 (256, 0), delta 16, samples 100 then 50; codes 1, 7, 15, 0.
        const QByteArray block = adpcmBlock({0}, {16}, {100}, {50}, QByteArray::fromHex("17F0"));
        const PcmSound sound = adpcm(1, block, 6);
        QCOMPARE(sound.bitsPerSample, 16);
        QCOMPARE(sound.sampleRate, 8000);
        QCOMPARE(samples(sound.samples), (QList<qint16>{50, 100, 116, 228, 190, 190}));
        // "fact" claiming more than the data holds: what the data holds.
        QCOMPARE(adpcm(1, block, 1000).frameCount(), 6);
        QCOMPARE(adpcm(1, block, 3).frameCount(), 3);
        // Predictor 1 (512, -256) extrapolates: (100*512 - 50*256) >> 8 = 150, then 200.
        QCOMPARE(samples(adpcm(1, adpcmBlock({1}, {16}, {100}, {50}, QByteArray::fromHex("00")), 4).samples),
                 (QList<qint16>{50, 100, 150, 200}));
        // Results clamp to 16 bits.
        QCOMPARE(samples(adpcm(1, adpcmBlock({0}, {16}, {32767}, {0}, QByteArray::fromHex("70")), 3).samples)
                     .last(),
                 32767);
    }

    void decodesStereoMsAdpcmAndSeveralBlocks()
    {
        // Left and right alternate, high nibble first.
        const QByteArray stereo = adpcmBlock({0, 0}, {16, 16}, {10, 20}, {1, 2}, QByteArray::fromHex("10"));
        QCOMPARE(samples(adpcm(2, stereo, 3, 3).samples), (QList<qint16>{1, 2, 10, 20, 26, 20}));
        // Two full mono blocks: each restarts from its own header.
        const QByteArray one = adpcmBlock({0}, {16}, {100}, {50}, QByteArray::fromHex("1000"));
        const PcmSound two =
            decodeWave(test::waveFile(2, 1, 8000, 4, int(one.size()), test::adpcmExtra(6), one + one),
                       QStringLiteral("test"));
        QCOMPARE(samples(two.samples),
                 (QList<qint16>{50, 100, 116, 116, 116, 116, 50, 100, 116, 116, 116, 116}));
    }

    void passesPcmThroughAndRefusesBrokenWaves()
    {
        const PcmSound pcm = decodeWave(test::waveFile(1, 1, 11025, 8, 1, {}, QByteArray("\x80\x81\x82", 3)),
                                        QStringLiteral("test"));
        QCOMPARE(pcm.bitsPerSample, 8);
        QCOMPARE(pcm.samples, QByteArray("\x80\x81\x82", 3));
        const PcmSound wide =
            decodeWave(test::waveFile(1, 1, 8000, 24, 3, {}, QByteArray("\x11\x22\x33\x44\x55\x66\x77", 7)),
                       QStringLiteral("test"));
        QCOMPARE(wide.samples, QByteArray("\x22\x33\x55\x66", 4)); // the top 16 bits of whole samples
        QCOMPARE(wide.bitsPerSample, 16);
        QByteArray chunkTooLong = test::waveFile(1, 1, 8000, 16, 2, {}, QByteArray(8, '\0'));
        qToLittleEndian<quint32>(1000, chunkTooLong.data() + 16); // fmt chunk size
        for (const QByteArray& bad : {QByteArray("RIFX"), QByteArray(40, '\0'), chunkTooLong,
                                      test::waveFile(85, 1, 8000, 0, 1, {}, QByteArray(8, '\0')), // MP3
                                      test::waveFile(1, 6, 8000, 16, 12, {}, QByteArray(24, '\0')),
                                      test::waveFile(2, 1, 8000, 4, 7, test::adpcmExtra(6),
                                                     QByteArray(14, '\0'))}) // block without room
            QVERIFY_THROWS_EXCEPTION(AgentError, decodeWave(bad, QStringLiteral("test")));
        QVERIFY_THROWS_EXCEPTION(
            AgentError,
            adpcm(1, adpcmBlock({7}, {16}, {0}, {0}, QByteArray::fromHex("00")), 4)); // no predictor 7
    }
};

QUORVIX_TEST_MAIN_CORE(TestAgentDecoders)
#include "tst_agent_decoders.moc"
