#include "AcsWriter.h"

#include "LzCompressor.h"
#include "RegionData.h"

#include <QtEndian>

#include <stdexcept>

namespace pipwren {

namespace {

constexpr quint32 kSignature = 0xABCDABC3;
constexpr int kHeaderSize = 36;

// Little-endian field writer over a growing byte array.
class Block
{
public:
    void u8(quint8 v) { bytes_.append(char(v)); }
    void u16(quint16 v) { put(v); }
    void i16(qint16 v) { put(v); }
    void u32(quint32 v) { put(v); }
    void i32(qint32 v) { put(v); }
    void raw(const QByteArray& b) { bytes_.append(b); }

    // A count of UTF-16 units, the text and a terminator; nothing at all for an empty string.
    void string(const QString& s)
    {
        u32(quint32(s.size()));
        if (s.isEmpty())
            return;
        for (const QChar c : s)
            u16(c.unicode());
        u16(0);
    }

    void rgbQuad(QRgb c)
    {
        u8(quint8(qBlue(c)));
        u8(quint8(qGreen(c)));
        u8(quint8(qRed(c)));
        u8(0);
    }

    void locator(quint32 offset, quint32 size)
    {
        u32(offset);
        u32(size);
    }

    void guid(const AcsCharacter::Guid& g)
    {
        u32(g.data1);
        u16(g.data2);
        u16(g.data3);
        for (const quint8 b : g.data4)
            u8(b);
    }

    const QByteArray& bytes() const { return bytes_; }
    qsizetype size() const { return bytes_.size(); }

private:
    template <typename T> void put(T v)
    {
        char buf[sizeof(T)];
        qToLittleEndian(v, buf);
        bytes_.append(buf, sizeof(T));
    }

    QByteArray bytes_;
};

struct Located
{
    quint32 offset = 0;
    quint32 size = 0;
};

void writeFrame(Block& b, const Frame& frame)
{
    b.u16(quint16(frame.images.size()));
    for (const FrameImage& image : frame.images) {
        b.u32(image.image);
        b.i16(image.x);
        b.i16(image.y);
    }
    b.u16(frame.sound);
    b.u16(frame.duration);
    b.i16(frame.exitBranch);
    b.u8(quint8(frame.branches.size()));
    for (const Branch& branch : frame.branches) {
        b.u16(branch.frame);
        b.u16(branch.probability);
    }
    b.u8(0); // no mouth overlays: the character does not lip-sync
}

QByteArray animationBlock(const Animation& animation)
{
    Block b;
    b.string(animation.name.toUpper());
    b.u8(quint8(animation.transition));
    b.string(animation.transition == Transition::ReturnAnimation ? animation.returnAnimation.toUpper()
                                                                 : QString());
    b.u16(quint16(animation.frames.size()));
    for (const Frame& frame : animation.frames)
        writeFrame(b, frame);
    return b.bytes();
}

QByteArray imageBlock(const IndexedImage& image, quint8 transparentIndex, ImageCoding coding)
{
    if (image.pixels.size() != qsizetype(image.width) * image.height)
        throw std::invalid_argument("image pixel count does not match its size");
    const QByteArray pixels = bottomUpPixels(image);
    const QByteArray region = regionData(image, transparentIndex);
    const bool compress = coding == ImageCoding::Compressed;

    Block b;
    b.u8(1);
    b.u16(quint16(image.width));
    b.u16(quint16(image.height));
    b.u8(compress ? 1 : 0);
    const QByteArray pixelData = compress ? lzCompress(pixels) : pixels;
    b.u32(quint32(pixelData.size()));
    b.raw(pixelData);
    if (compress) {
        const QByteArray packed = lzCompress(region);
        b.u32(quint32(packed.size()));
        b.u32(quint32(region.size()));
        b.raw(packed);
    } else {
        b.u32(0);
        b.u32(quint32(region.size()));
        b.raw(region);
    }
    return b.bytes();
}

void writeBalloon(Block& b, const BalloonInfo& balloon)
{
    b.u8(balloon.lines);
    b.u8(balloon.charsPerLine);
    b.rgbQuad(balloon.text);
    b.rgbQuad(balloon.background);
    b.rgbQuad(balloon.border);
    b.string(balloon.fontName);
    b.i32(balloon.fontHeight);
    b.i32(balloon.fontWeight);
    b.u8(balloon.italic ? 1 : 0);
    b.u8(0);
}

// The fixed and variable fields of the character info, up to where the localized block starts.
QByteArray characterInfo(const AcsCharacter& c, Located localized)
{
    quint32 characterFlags = c.flags & ~quint32(0x20); // no voice block is ever written
    if (c.balloon)
        characterFlags |= flags::kBalloon;
    else
        characterFlags &= ~flags::kBalloon;

    Block b;
    b.u16(1);
    b.u16(2);
    b.locator(localized.offset, localized.size);
    b.guid(c.id);
    b.u16(c.width);
    b.u16(c.height);
    b.u8(c.transparentIndex);
    b.u32(characterFlags);
    b.u16(2);
    b.u16(0);
    if (c.balloon)
        writeBalloon(b, *c.balloon);
    b.u32(quint32(c.palette.size()));
    for (const QRgb colour : c.palette)
        b.rgbQuad(colour);
    b.u8(0); // no tray icon
    b.u16(quint16(c.states.size()));
    for (const State& state : c.states) {
        b.string(state.name.toUpper());
        b.u16(quint16(state.animations.size()));
        for (const QString& name : state.animations)
            b.string(name.toUpper());
    }
    return b.bytes();
}

QByteArray localizedInfo(const AcsCharacter& c)
{
    Block b;
    b.u16(quint16(c.localized.size()));
    for (const LocalizedInfo& info : c.localized) {
        b.u16(info.language);
        b.string(info.name);
        b.string(info.description);
        b.string(info.extraData);
    }
    return b.bytes();
}

} // namespace

QByteArray bottomUpPixels(const IndexedImage& image)
{
    const int stride = (image.width + 3) & ~3;
    QByteArray out(qsizetype(stride) * image.height, '\0');
    for (int row = 0; row < image.height; ++row) {
        const int source = image.height - 1 - row;
        std::copy_n(image.pixels.constData() + qsizetype(source) * image.width, image.width,
                    out.data() + qsizetype(row) * stride);
    }
    return out;
}

QByteArray writeAcs(const AcsCharacter& c, ImageCoding coding)
{
    QByteArray file(kHeaderSize, '\0');
    const auto append = [&file](const QByteArray& block) {
        const Located at{quint32(file.size()), quint32(block.size())};
        file.append(block);
        return at;
    };

    QList<Located> animations;
    for (const Animation& animation : c.animations)
        animations.append(append(animationBlock(animation)));
    QList<Located> images;
    for (const IndexedImage& image : c.images)
        images.append(append(imageBlock(image, c.transparentIndex, coding)));
    QList<Located> sounds;
    for (const QByteArray& sound : c.sounds)
        sounds.append(append(sound));

    Block animationList;
    animationList.u32(quint32(c.animations.size()));
    for (qsizetype i = 0; i < c.animations.size(); ++i) {
        animationList.string(c.animations[i].name);
        animationList.locator(animations[i].offset, animations[i].size);
    }
    // The list checksums have no known algorithm and readers ignore them.
    Block imageList;
    imageList.u32(quint32(images.size()));
    for (const Located& image : images) {
        imageList.locator(image.offset, image.size);
        imageList.u32(0);
    }
    Block audioList;
    audioList.u32(quint32(sounds.size()));
    for (const Located& sound : sounds) {
        audioList.locator(sound.offset, sound.size);
        audioList.u32(0);
    }
    const Located animationListAt = append(animationList.bytes());
    const Located imageListAt = append(imageList.bytes());
    const Located audioListAt = append(audioList.bytes());

    // The info's own size does not depend on where the localized block lands.
    const QByteArray localized = localizedInfo(c);
    const quint32 infoOffset = quint32(file.size());
    const quint32 infoFieldsSize = quint32(characterInfo(c, {}).size());
    const Located localizedAt{infoOffset + infoFieldsSize, quint32(localized.size())};
    append(characterInfo(c, localizedAt));
    append(localized);

    Block header;
    header.u32(kSignature);
    header.locator(infoOffset, infoFieldsSize + localizedAt.size);
    header.locator(animationListAt.offset, animationListAt.size);
    header.locator(imageListAt.offset, imageListAt.size);
    header.locator(audioListAt.offset, audioListAt.size);
    file.replace(0, kHeaderSize, header.bytes());
    return file;
}

} // namespace pipwren
