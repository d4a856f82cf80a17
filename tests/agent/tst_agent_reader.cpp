// The character reader and the image and sound decoding behind it: on
// characters built here, on real characters when this checkout has them, and
// on damaged files, which must fail with AgentError and nothing worse.

#include "AcsBuilder.h"
#include "AcsImage.h"
#include "AcsReader.h"
#include "AgentControl.h"
#include "TestMain.h"
#include "WaveDecoder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

using namespace agent;

namespace {

QString realCharacter(const QString& name)
{
    const QString dir = quorvix::test::realCharactersDir();
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + name;
}

QStringList expectedNames(const QString& name)
{
    QFile file(QStringLiteral(QUORVIX_SOURCE_DIR "/tests/agent/data/") + name + QStringLiteral(".names.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The reader may fail, but only with AgentError; decoding everything it accepted likewise.
bool readsOrFailsCleanly(const QByteArray& bytes)
{
    try {
        const AcsCharacter c = AcsReader::readBytes(bytes, QStringLiteral("damaged.acs"));
        AcsImageCache images(c);
        for (size_t i = 0; i < c.images.size(); ++i) {
            try {
                images.image(int(i));
            } catch (const AgentError&) {
            }
        }
        for (size_t i = 0; i < c.sounds.size(); ++i) {
            try {
                decodeSound(c, int(i));
            } catch (const AgentError&) {
            }
        }
        return true;
    } catch (const AgentError& e) {
        return !e.message().isEmpty();
    }
}

QImage opaqueMask(const QImage& frame)
{
    QImage mask(frame.size(), QImage::Format_Mono);
    mask.fill(0);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (qAlpha(frame.pixel(x, y)) != 0)
                mask.setPixel(x, y, 1);
    return mask;
}

QImage regionMask(const QRegion& region, QSize size)
{
    QImage mask(size, QImage::Format_Mono);
    mask.fill(0);
    for (const QRect& r : region)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                mask.setPixel(x, y, 1);
    return mask;
}

} // namespace

class TestAgentReader : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryFieldOfABuiltCharacter()
    {
        const AcsCharacter c =
            AcsReader::readBytes(test::buildAcs(test::sampleCharacter()), QStringLiteral("t.acs"));
        QCOMPARE(c.name(), QStringLiteral("Tester"));
        QCOMPARE(c.name(0x0411), QStringLiteral("Tester")); // falls back to English
        QCOMPARE(c.width, 8);
        QCOMPARE(c.height, 6);
        QCOMPARE(c.palette.size(), 4);
        QCOMPARE(c.palette[1], 0xFFFF0000u);
        QCOMPARE(c.animationNames().first(), QStringLiteral("RestPose"));
        QCOMPARE(c.animations[1].blockName, QStringLiteral("SHOW"));
        QCOMPARE(c.animations[4].returnAnimation, QStringLiteral("MOVERETURN"));
        QCOMPARE(c.findAnimation(QStringLiteral("MOVERETURN")), 5);
        QCOMPARE(c.findAnimation(QStringLiteral("nothing")), -1);
        QVERIFY(c.findState(QStringLiteral("Showing")));
        const AcsFrame& f = c.animations[1].frames[1];
        QCOMPARE(f.images.size(), size_t(2));
        QCOMPARE(f.images[0].imageIndex, 1u);
        QCOMPARE(f.soundIndex, 1);
        QCOMPARE(f.duration, 20);
        QVERIFY(c.animations[1].frames[2].isInvisible());
        QCOMPARE(c.animations[3].frames[1].branches.front().probability, 100);
    }

    void decodesImagesWithRowsFlippedAndRegions()
    {
        const test::TestCharacter t = test::sampleCharacter();
        const AcsCharacter c = AcsReader::readBytes(test::buildAcs(t), QStringLiteral("t.acs"));
        for (size_t i = 0; i < t.images.size(); ++i) {
            const AcsImage image = decodeImage(c, int(i));
            QCOMPARE(image.width, t.images[i].width);
            QCOMPARE(image.pixels, t.images[i].pixels); // compressed and raw alike, top row first
        }
        QCOMPARE(decodeImage(c, 0).region.size(), 5); // one run per opaque row
    }

    void composesFirstImageOnTopClippedAndKeyedOnIndex()
    {
        test::TestCharacter t = test::sampleCharacter();
        t.palette[0] = 0x00FF00; // the transparent entry shares its colour with entry 2
        const AcsCharacter c = AcsReader::readBytes(test::buildAcs(t), QStringLiteral("t.acs"));
        AcsImageCache images(c);
        const QImage showing = composeFrame(c, images, c.animations[1].frames[1]);
        QCOMPARE(showing.size(), QSize(8, 6));
        QCOMPARE(showing.pixel(0, 0), 0u);          // transparent by index, not by colour
        QCOMPARE(showing.pixel(2, 1), 0xFF00FF00u); // the patch lies on the body
        QCOMPARE(showing.pixel(1, 5), 0xFFFF0000u); // body
        const QImage clipped = composeFrame(c, images, c.animations[6].frames[0]);
        QCOMPARE(clipped.pixel(0, 0), 0xFFFF0000u); // (1,1) of the oversized image
        QCOMPARE(clipped.pixel(1, 0), 0xFF00FF00u);
        QCOMPARE(clipped.pixel(6, 4), 0xFFFF0000u); // shows through the top image's transparent pixel
        QCOMPARE(clipped.pixel(7, 4), 0xFF0000FFu); // the top image, clipped at the edge
        QCOMPARE(opaqueMask(clipped),
                 regionMask(frameRegion(c, images, c.animations[6].frames[0]), QSize(8, 6)));
        QCOMPARE(images.decodedCount(), 4);
    }

    void recognisesOtherFileKinds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QByteArray ole = QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(600, '\0');
        QByteArray acf = QByteArray::fromHex("C4ABCDAB") + QByteArray(60, '\0');
        QTest::newRow("agent 1.5") << ole << QStringLiteral("Agent 1.5");
        QTest::newRow("acf") << acf << QStringLiteral(".acf");
        QTest::newRow("text") << QByteArray(100, 'x') << QStringLiteral("signature");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("only 0 bytes");
    }
    void recognisesOtherFileKinds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        try {
            AcsReader::readBytes(bytes, QStringLiteral("x.acs"));
            QFAIL("accepted");
        } catch (const AgentError& e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("x.acs: ")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
        }
    }

    void damagedCountsAndLocatorsNameThePlace()
    {
        QByteArray bytes = test::buildAcs(test::sampleCharacter());
        const quint32 listOffset = qFromLittleEndian<quint32>(bytes.constData() + 20);
        QByteArray bomb = bytes;
        qToLittleEndian<quint32>(0x10000000, bomb.data() + listOffset); // 268 million images
        try {
            AcsReader::readBytes(bomb, QStringLiteral("b.acs"));
            QFAIL("accepted");
        } catch (const AgentError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("image list at offset %1").arg(listOffset + 4)),
                     qPrintable(e.message()));
        }
        QByteArray wrap = bytes;
        qToLittleEndian<quint32>(0xFFFFFFF0, wrap.data() + 20); // offset + size wraps in 32 bits
        QVERIFY_THROWS_EXCEPTION(AgentError, AcsReader::readBytes(wrap, QStringLiteral("w.acs")));
    }

    void everyTruncationAndBitFlipOfABuiltFileFailsCleanly()
    {
        const QByteArray bytes = test::buildAcs(test::sampleCharacter());
        for (qsizetype n = 0; n < bytes.size(); ++n)
            QVERIFY_THROWS_EXCEPTION(AgentError,
                                     AcsReader::readBytes(bytes.left(n), QStringLiteral("t.acs")));
        for (qsizetype bit = 0; bit < bytes.size() * 8; ++bit) {
            QByteArray flipped = bytes;
            flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
            QVERIFY2(readsOrFailsCleanly(flipped), qPrintable(QString::number(bit)));
        }
    }

    void realCharactersListTheirAnimationsInFileOrder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::newRow("Merlin") << QStringLiteral("Merlin") << 73;
        QTest::newRow("Peedy") << QStringLiteral("Peedy") << 85;
        QTest::newRow("HappyFace") << QStringLiteral("HappyFace") << 6;
        QTest::newRow("Character2") << QStringLiteral("Character2") << 2;
    }
    void realCharactersListTheirAnimationsInFileOrder()
    {
        QFETCH(QString, file);
        QFETCH(int, count);
        const QString path = realCharacter(file + QStringLiteral(".acs"));
        if (path.isEmpty())
            QSKIP("no real characters in this checkout");
        const AcsCharacter c = AcsReader::readFile(path);
        QCOMPARE(c.animationNames().size(), count);
        QCOMPARE(c.animationNames(), expectedNames(file));
    }

    void realCharactersDecodeEveryImageAndSound_data()
    {
        realCharactersListTheirAnimationsInFileOrder_data();
    }
    void realCharactersDecodeEveryImageAndSound()
    {
        QFETCH(QString, file);
        const QString path = realCharacter(file + QStringLiteral(".acs"));
        if (path.isEmpty())
            QSKIP("no real characters in this checkout");
        const AcsCharacter c = AcsReader::readFile(path);
        for (size_t i = 0; i < c.images.size(); ++i) {
            const AcsImage image = decodeImage(c, int(i));
            // The stored region covers exactly the pixels that are not transparent.
            QImage opaque(image.width, image.height, QImage::Format_Mono);
            opaque.fill(0);
            for (int y = 0; y < image.height; ++y)
                for (int x = 0; x < image.width; ++x)
                    if (image.pixel(x, y) != c.transparentIndex)
                        opaque.setPixel(x, y, 1);
            QRegion region;
            for (const QRect& r : image.region)
                region += r;
            QVERIFY2(opaque == regionMask(region, opaque.size()), qPrintable(QString::number(i)));
        }
        for (size_t i = 0; i < c.sounds.size(); ++i) {
            const PcmSound sound = decodeSound(c, int(i));
            QVERIFY(sound.frameCount() > 0);
            QVERIFY(sound.bitsPerSample == 8 || sound.bitsPerSample == 16);
        }
    }

    void realFramesComposeToTheirRegions()
    {
        const QString path = realCharacter(QStringLiteral("Merlin.acs"));
        if (path.isEmpty())
            QSKIP("no real characters in this checkout");
        const AcsCharacter c = AcsReader::readFile(path);
        AcsImageCache images(c);
        int checked = 0;
        for (const AcsAnimation& a : c.animations) {
            for (const AcsFrame& f : a.frames) {
                if (f.images.empty())
                    continue;
                QCOMPARE(opaqueMask(composeFrame(c, images, f)),
                         regionMask(frameRegion(c, images, f), QSize(c.width, c.height)));
                ++checked;
            }
        }
        QVERIFY(checked > 500);
    }

    void realFramesMatchTheirReferencePictures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("animation");
        QTest::addColumn<int>("frame");
        QTest::newRow("Merlin Blink 1 (eyelids on top)")
            << QStringLiteral("Merlin") << QStringLiteral("Blink") << 1;
        QTest::newRow("Merlin GestureRight 4")
            << QStringLiteral("Merlin") << QStringLiteral("GestureRight") << 4;
        QTest::newRow("Peedy Show 12") << QStringLiteral("Peedy") << QStringLiteral("Show") << 12;
        QTest::newRow("HappyFace Spin 2") << QStringLiteral("HappyFace") << QStringLiteral("Spin") << 2;
        QTest::newRow("Character2 LoL 0") << QStringLiteral("Character2") << QStringLiteral("LoL") << 0;
    }
    void realFramesMatchTheirReferencePictures()
    {
        QFETCH(QString, file);
        QFETCH(QString, animation);
        QFETCH(int, frame);
        const QString path = realCharacter(file + QStringLiteral(".acs"));
        if (path.isEmpty())
            QSKIP("no real characters in this checkout");
        const AcsCharacter c = AcsReader::readFile(path);
        AcsImageCache images(c);
        const QImage composed =
            composeFrame(c, images, c.animations[size_t(c.findAnimation(animation))].frames[size_t(frame)]);
        const QString reference = QStringLiteral(QUORVIX_SOURCE_DIR "/tests/agent/reference/%1-%2-%3.png")
                                      .arg(file, animation)
                                      .arg(frame);
        const QImage expected(reference);
        QVERIFY2(!expected.isNull(), qPrintable(reference));
        QCOMPARE(composed, expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    void damagedRealCharactersFailCleanly()
    {
        const QString path = realCharacter(QStringLiteral("HappyFace.acs"));
        if (path.isEmpty())
            QSKIP("no real characters in this checkout");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (qsizetype n = 0; n < bytes.size(); n += 7)
            QVERIFY(readsOrFailsCleanly(bytes.left(n)));
        QRandomGenerator random(20260);
        for (int i = 0; i < 3000; ++i) {
            QByteArray flipped = bytes;
            const quint32 bit = random.bounded(quint32(bytes.size() * 8));
            flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
            QVERIFY2(readsOrFailsCleanly(flipped), qPrintable(QString::number(bit)));
        }
    }

    // Not a check: writes the fuzzer's seed corpus when asked (see fuzz/acs/README.md).
    void writeFuzzSeedsWhenAsked()
    {
        const QString dir = qEnvironmentVariable("QUORVIX_WRITE_ACS_SEEDS");
        if (dir.isEmpty())
            QSKIP("set QUORVIX_WRITE_ACS_SEEDS to a folder to write the seed corpus");
        auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile f(dir + QLatin1Char('/') + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        test::TestCharacter sample = test::sampleCharacter();
        write(QStringLiteral("sample.acs"), test::buildAcs(sample));
        sample.animations.resize(2);
        sample.images.resize(2);
        sample.sounds.resize(2);
        write(QStringLiteral("small.acs"), test::buildAcs(sample));
        test::TestCharacter minimal;
        minimal.images.push_back({2, 2, QByteArray("\x01\x00\x02\x03", 4)});
        minimal.animations.push_back(
            {QStringLiteral("A"), AcsTransition::None, {}, {{{{0, 1, 1}}, -1, 5, -2, {}}}});
        write(QStringLiteral("minimal.acs"), test::buildAcs(minimal));
    }
};

QUORVIX_TEST_MAIN_CORE(TestAgentReader)
#include "tst_agent_reader.moc"
