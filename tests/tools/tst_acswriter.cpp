// The writer's layout, read back field by field from a small hand-made
// character: header locators, the character info with its localized part,
// animation and image blocks that fill their locators exactly, and regions
// that cover exactly the opaque pixels.

#include "AcsWriter.h"
#include "ReferenceDecoder.h"
#include "RegionData.h"
#include "TestMain.h"

#include <QtEndian>

using namespace pipwren;
using pipwren::test::referenceDecode;
using namespace Qt::StringLiterals;

namespace {

// Little-endian reads at a moving offset; a read past the end fails the test through ok().
class Cursor
{
public:
    Cursor(const QByteArray& data, qsizetype at = 0) : data_(data), at_(at) {}

    template <typename T> T take()
    {
        if (at_ + qsizetype(sizeof(T)) > data_.size()) {
            overrun_ = true;
            return T{};
        }
        const T v = qFromLittleEndian<T>(data_.constData() + at_);
        at_ += sizeof(T);
        return v;
    }
    QString string()
    {
        const quint32 n = take<quint32>();
        if (n == 0)
            return {};
        QString s;
        for (quint32 i = 0; i < n; ++i)
            s.append(QChar(take<quint16>()));
        terminated_ = terminated_ && take<quint16>() == 0;
        return s;
    }
    QByteArray bytes(qsizetype n)
    {
        const QByteArray b = data_.mid(at_, n);
        overrun_ = overrun_ || b.size() != n;
        at_ += n;
        return b;
    }
    qsizetype at() const { return at_; }
    bool ok() const { return !overrun_ && terminated_; }

private:
    const QByteArray& data_;
    qsizetype at_;
    bool overrun_ = false;
    bool terminated_ = true;
};

IndexedImage pictureWithHole()
{
    // 6 x 4, transparent index 7: a ring of colour 1 around a transparent centre, one stray pixel.
    IndexedImage image{6, 4, QByteArray()};
    const char rows[] = "711117"
                        "717717"
                        "711117"
                        "777772";
    for (const char c : QByteArrayView(rows, 24))
        image.pixels.append(char(c - '0'));
    return image;
}

AcsCharacter smallCharacter()
{
    AcsCharacter c;
    c.id = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    c.width = 6;
    c.height = 4;
    c.transparentIndex = 7;
    c.flags = flags::kVoiceDisabled | 0x20; // the voice bit must never reach the file
    c.balloon = BalloonInfo{2, 30, qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9), u"Font"_s, -13, 700, true};
    c.palette = {qRgb(0x10, 0x20, 0x30), qRgb(0xAA, 0xBB, 0xCC)};
    c.states = {{u"Showing"_s, {u"Show"_s}}};
    c.localized = {{0x0009, u"Wren"_s, QString(), u"a^^b"_s},
                   {0x0011, u"ミソサザイ"_s, u"小鳥"_s, QString()}};
    c.images = {pictureWithHole()};
    c.sounds = {QByteArrayLiteral("RIFF....")};
    Frame shown;
    shown.images = {{0, -2, 3}};
    shown.sound = 0;
    shown.duration = 12;
    shown.exitBranch = 1;
    shown.branches = {{0, 40}, {1, 60}};
    Frame end;
    end.duration = 0;
    end.exitBranch = kExitEnds;
    c.animations = {{u"Show"_s, Transition::ExitBranches, QString(), {shown, end}},
                    {u"MoveLeft"_s, Transition::ReturnAnimation, u"MoveLeftReturn"_s, {shown}}};
    return c;
}

} // namespace

class AcsWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void headerAndCharacterInfo()
    {
        const QByteArray file = writeAcs(smallCharacter());
        Cursor header(file);
        QCOMPARE(header.take<quint32>(), 0xABCDABC3u);
        const quint32 infoAt = header.take<quint32>();
        const quint32 infoSize = header.take<quint32>();
        QCOMPARE(qint64(infoAt) + infoSize, file.size()); // the info and its localized part come last

        Cursor info(file, infoAt);
        QCOMPARE(info.take<quint16>(), 1);
        QCOMPARE(info.take<quint16>(), 2);
        const quint32 localizedAt = info.take<quint32>();
        const quint32 localizedSize = info.take<quint32>();
        QCOMPARE(qint64(localizedAt) + localizedSize, file.size());
        QCOMPARE(file.mid(info.at(), 16).toHex(), QByteArray("0403020106050807090a0b0c0d0e0f10"));
        info.bytes(16);
        QCOMPARE(info.take<quint16>(), 6);
        QCOMPARE(info.take<quint16>(), 4);
        QCOMPARE(info.take<quint8>(), 7);
        QCOMPARE(info.take<quint32>(), flags::kVoiceDisabled | flags::kBalloon);
        QCOMPARE(info.take<quint16>(), 2);
        QCOMPARE(info.take<quint16>(), 0);
        // Balloon: lines, width, three colours as blue-green-red-zero, font, height, weight, italic, spare.
        QCOMPARE(info.take<quint8>(), 2);
        QCOMPARE(info.take<quint8>(), 30);
        QCOMPARE(info.bytes(12).toHex(), QByteArray("030201000605040009080700"));
        QCOMPARE(info.string(), u"Font"_s);
        QCOMPARE(info.take<qint32>(), -13);
        QCOMPARE(info.take<qint32>(), 700);
        QCOMPARE(info.take<quint8>(), 1);
        QCOMPARE(info.take<quint8>(), 0);
        QCOMPARE(info.take<quint32>(), 2u);
        QCOMPARE(info.bytes(8).toHex(), QByteArray("30201000ccbbaa00"));
        QCOMPARE(info.take<quint8>(), 0); // no tray icon
        QCOMPARE(info.take<quint16>(), 1);
        QCOMPARE(info.string(), u"SHOWING"_s);
        QCOMPARE(info.take<quint16>(), 1);
        QCOMPARE(info.string(), u"SHOW"_s);
        QCOMPARE(info.at(), qsizetype(localizedAt));

        QCOMPARE(info.take<quint16>(), 2);
        QCOMPARE(info.take<quint16>(), 0x0009);
        QCOMPARE(info.string(), u"Wren"_s);
        // An empty string is a bare zero count with no terminator.
        QCOMPARE(info.take<quint32>(), 0u);
        QCOMPARE(info.string(), u"a^^b"_s);
        QCOMPARE(info.take<quint16>(), 0x0011);
        QCOMPARE(info.string(), u"ミソサザイ"_s);
        QCOMPARE(info.string(), u"小鳥"_s);
        QCOMPARE(info.string(), QString());
        QCOMPARE(info.at(), file.size());
        QVERIFY(info.ok());
    }

    void animationsFillTheirBlocksExactly()
    {
        const QByteArray file = writeAcs(smallCharacter());
        Cursor list(file, qFromLittleEndian<quint32>(file.constData() + 12));
        QCOMPARE(list.take<quint32>(), 2u);
        QCOMPARE(list.string(), u"Show"_s);
        const quint32 at = list.take<quint32>();
        const quint32 size = list.take<quint32>();
        QCOMPARE(at, 36u); // animations come straight after the header

        Cursor block(file, at);
        QCOMPARE(block.string(), u"SHOW"_s);
        QCOMPARE(block.take<quint8>(), 1);
        QCOMPARE(block.string(), QString()); // no return animation for exit branches
        QCOMPARE(block.take<quint16>(), 2);
        QCOMPARE(block.take<quint16>(), 1);
        QCOMPARE(block.take<quint32>(), 0u);
        QCOMPARE(block.take<qint16>(), -2);
        QCOMPARE(block.take<qint16>(), 3);
        QCOMPARE(block.take<quint16>(), 0);
        QCOMPARE(block.take<quint16>(), 12);
        QCOMPARE(block.take<qint16>(), 1);
        QCOMPARE(block.take<quint8>(), 2);
        QCOMPARE(block.bytes(8).toHex(), QByteArray("0000280001003c00"));
        QCOMPARE(block.take<quint8>(), 0);
        // The invisible end frame.
        QCOMPARE(block.take<quint16>(), 0);
        QCOMPARE(block.take<quint16>(), 0xFFFF);
        QCOMPARE(block.take<quint16>(), 0);
        QCOMPARE(block.take<qint16>(), -2);
        QCOMPARE(block.take<quint8>(), 0);
        QCOMPARE(block.take<quint8>(), 0);
        QCOMPARE(block.at(), qsizetype(at + size));

        QCOMPARE(list.string(), u"MoveLeft"_s);
        Cursor second(file, list.take<quint32>());
        QCOMPARE(second.string(), u"MOVELEFT"_s);
        QCOMPARE(second.take<quint8>(), 0);
        QCOMPARE(second.string(), u"MOVELEFTRETURN"_s);
        QVERIFY(list.ok() && block.ok() && second.ok());
    }

    void imagesDecodeInBothCodings_data()
    {
        QTest::addColumn<ImageCoding>("coding");
        QTest::newRow("compressed") << ImageCoding::Compressed;
        QTest::newRow("raw") << ImageCoding::Raw;
    }

    void imagesDecodeInBothCodings()
    {
        QFETCH(ImageCoding, coding);
        const AcsCharacter c = smallCharacter();
        const QByteArray file = writeAcs(c, coding);
        Cursor list(file, qFromLittleEndian<quint32>(file.constData() + 20));
        QCOMPARE(list.take<quint32>(), 1u);
        const quint32 at = list.take<quint32>();
        const quint32 size = list.take<quint32>();

        Cursor block(file, at);
        QCOMPARE(block.take<quint8>(), 1);
        QCOMPARE(block.take<quint16>(), 6);
        QCOMPARE(block.take<quint16>(), 4);
        const bool compressed = block.take<quint8>() != 0;
        QCOMPARE(compressed, coding == ImageCoding::Compressed);
        const QByteArray stored = block.bytes(block.take<quint32>());
        const QByteArray pixels = compressed ? referenceDecode(stored, 8 * 4).value_or(QByteArray()) : stored;
        // Bottom row first, each row padded to 8 bytes.
        QCOMPARE(pixels, bottomUpPixels(c.images[0]));
        QCOMPARE(pixels.left(8), QByteArray::fromHex("0707070707020000"));

        const quint32 packedSize = block.take<quint32>();
        const quint32 regionSize = block.take<quint32>();
        const QByteArray packed = block.bytes(packedSize == 0 ? regionSize : packedSize);
        QCOMPARE(packedSize == 0, coding == ImageCoding::Raw);
        const QByteArray region =
            packedSize == 0 ? packed : referenceDecode(packed, regionSize).value_or(QByteArray());
        QCOMPARE(region, regionData(c.images[0], 7));
        QCOMPARE(block.at(), qsizetype(at + size));
        QVERIFY(list.ok() && block.ok());
    }

    void regionCoversExactlyTheOpaquePixels()
    {
        const IndexedImage image = pictureWithHole();
        const QByteArray region = regionData(image, 7);
        Cursor in(region);
        QCOMPARE(in.take<quint32>(), 32u);
        QCOMPARE(in.take<quint32>(), 1u);
        const quint32 count = in.take<quint32>();
        QCOMPARE(in.take<quint32>(), count * 16);
        QCOMPARE(in.bytes(16), QByteArray::fromHex("01000000000000000600000004000000"));
        QRegion covered;
        int previousTop = -1;
        for (quint32 i = 0; i < count; ++i) {
            const int left = in.take<qint32>(), top = in.take<qint32>();
            const int right = in.take<qint32>(), bottom = in.take<qint32>();
            QVERIFY(top >= previousTop); // banded top to bottom
            previousTop = top;
            const QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
            QVERIFY(!covered.intersects(rect));
            covered += rect;
        }
        QVERIFY(in.ok());
        QCOMPARE(in.at(), region.size());
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x)
                QCOMPARE(covered.contains(QPoint(x, y)), image.at(x, y) != 7);
        }
        // Rows 0 and 2 have the same runs but are not adjacent; row 1 differs: five rectangles.
        QCOMPARE(count, 5u);
    }

    void fullyTransparentImageHasAnEmptyRegion()
    {
        const IndexedImage blank{3, 2, QByteArray(6, char(7))};
        QCOMPARE(regionData(blank, 7),
                 QByteArray::fromHex("2000000001000000000000000000000000000000000000000000000000000000"));
    }
};

QUORVIX_TEST_MAIN_CORE(AcsWriterTest)
#include "tst_acswriter.moc"
