#pragma once

// Builds small character files in memory, so tests (and the fuzzer's seed
// corpus) control every field without shipping anyone's character. Images are
// compressed with literals only, which the decoder must accept like any
// other stream.

#include "AcsCharacter.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <utility>
#include <vector>

namespace agent::test {

class ByteWriter
{
public:
    QByteArray bytes;

    qsizetype size() const { return bytes.size(); }
    void u8(quint32 v) { bytes.append(char(v & 0xFF)); }
    void u16(quint32 v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(quint32 v)
    {
        u16(v);
        u16(v >> 16);
    }
    void string(const QString& s)
    {
        u32(quint32(s.size()));
        if (s.isEmpty())
            return;
        for (QChar c : s)
            u16(c.unicode());
        u16(0);
    }
    void block(const QByteArray& b) { bytes.append(b); }
    void putU32(qsizetype at, quint32 v) { qToLittleEndian<quint32>(v, bytes.data() + at); }
};

// Literal-only compression: a zero lead byte, then "0 + 8 bits" per byte, then the end marker.
inline QByteArray compressLiterals(const QByteArray& plain)
{
    QByteArray out(1, '\0');
    quint32 acc = 0;
    int bits = 0;
    auto put = [&](quint32 value, int n) {
        for (int i = 0; i < n; ++i) {
            acc |= ((value >> i) & 1u) << bits;
            if (++bits == 8) {
                out.append(char(acc));
                acc = 0;
                bits = 0;
            }
        }
    };
    for (char c : plain) {
        put(0, 1);
        put(quint8(c), 8);
    }
    put(0xF, 4);      // copy, 20-bit tier
    put(0xFFFFF, 20); // end marker
    while (bits != 0)
        put(1, 1);
    out.append(QByteArray(3, char(0xFF)));
    return out;
}

struct TestImage
{
    int width = 0;
    int height = 0;
    QByteArray pixels; // top-down, width bytes per row
    bool compressed = true;
};

struct TestFrame
{
    std::vector<AcsFrameImage> images;
    int sound = -1;
    quint16 duration = 10;
    qint16 exitBranch = -1;
    std::vector<AcsBranch> branches;
};

struct TestAnimation
{
    QString name;
    AcsTransition transition = AcsTransition::None;
    QString returnAnimation;
    std::vector<TestFrame> frames;
};

struct TestCharacter
{
    QString name = QStringLiteral("Tester");
    quint16 width = 8;
    quint16 height = 6;
    quint8 transparentIndex = 0;
    QList<quint32> palette{0xFF00FF, 0xFF0000, 0x00FF00, 0x0000FF}; // 0xRRGGBB
    std::vector<std::pair<QString, QStringList>> states;
    std::vector<TestAnimation> animations;
    std::vector<TestImage> images;
    std::vector<QByteArray> sounds; // complete RIFF WAVE files
};

// The opaque pixels as Win32 RGNDATA: one rectangle per run of opaque pixels in a row.
inline QByteArray regionData(const TestImage& image, quint8 transparent)
{
    ByteWriter rects;
    quint32 count = 0;
    for (int y = 0; y < image.height; ++y) {
        int x = 0;
        while (x < image.width) {
            if (quint8(image.pixels[y * image.width + x]) == transparent) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.width && quint8(image.pixels[y * image.width + x]) != transparent)
                ++x;
            rects.u32(quint32(start));
            rects.u32(quint32(y));
            rects.u32(quint32(x));
            rects.u32(quint32(y + 1));
            ++count;
        }
    }
    ByteWriter region;
    region.u32(32);
    region.u32(1);
    region.u32(count);
    region.u32(count * 16);
    region.u32(0);
    region.u32(0);
    region.u32(quint32(image.width));
    region.u32(quint32(image.height));
    region.block(rects.bytes);
    return region.bytes;
}

inline QByteArray imageBlock(const TestImage& image, quint8 transparent)
{
    const int stride = (image.width + 3) & ~3;
    QByteArray stored(stride * image.height, '\0');
    for (int row = 0; row < image.height; ++row)
        for (int x = 0; x < image.width; ++x)
            stored[(image.height - 1 - row) * stride + x] = image.pixels[row * image.width + x];
    ByteWriter w;
    w.u8(1);
    w.u16(quint32(image.width));
    w.u16(quint32(image.height));
    w.u8(image.compressed ? 1 : 0);
    const QByteArray pixels = image.compressed ? compressLiterals(stored) : stored;
    w.u32(quint32(pixels.size()));
    w.block(pixels);
    const QByteArray region = regionData(image, transparent);
    const QByteArray packed = compressLiterals(region);
    w.u32(quint32(packed.size()));
    w.u32(quint32(region.size()));
    w.block(packed);
    return w.bytes;
}

inline QByteArray buildAcs(const TestCharacter& c)
{
    ByteWriter w;
    w.u32(0xABCDABC3);
    for (int i = 0; i < 8; ++i)
        w.u32(0); // four locators, patched below

    std::vector<std::pair<quint32, quint32>> animationBlocks, imageBlocks, soundBlocks;
    for (const TestAnimation& a : c.animations) {
        const qsizetype start = w.size();
        w.string(a.name.toUpper());
        w.u8(quint8(a.transition));
        w.string(a.returnAnimation);
        w.u16(quint32(a.frames.size()));
        for (const TestFrame& f : a.frames) {
            w.u16(quint32(f.images.size()));
            for (const AcsFrameImage& i : f.images) {
                w.u32(i.imageIndex);
                w.u16(quint16(i.x));
                w.u16(quint16(i.y));
            }
            w.u16(f.sound < 0 ? 0xFFFF : quint32(f.sound));
            w.u16(f.duration);
            w.u16(quint16(f.exitBranch));
            w.u8(quint32(f.branches.size()));
            for (const AcsBranch& b : f.branches) {
                w.u16(b.frame);
                w.u16(b.probability);
            }
            w.u8(0); // no mouth overlays
        }
        animationBlocks.emplace_back(quint32(start), quint32(w.size() - start));
    }
    for (const TestImage& image : c.images) {
        const qsizetype start = w.size();
        w.block(imageBlock(image, c.transparentIndex));
        imageBlocks.emplace_back(quint32(start), quint32(w.size() - start));
    }
    for (const QByteArray& sound : c.sounds) {
        const qsizetype start = w.size();
        w.block(sound);
        soundBlocks.emplace_back(quint32(start), quint32(w.size() - start));
    }

    auto patch = [&](int slot, qsizetype start) {
        w.putU32(4 + 8 * slot, quint32(start));
        w.putU32(8 + 8 * slot, quint32(w.size() - start));
    };
    qsizetype start = w.size();
    w.u32(quint32(c.animations.size()));
    for (size_t i = 0; i < c.animations.size(); ++i) {
        w.string(c.animations[i].name);
        w.u32(animationBlocks[i].first);
        w.u32(animationBlocks[i].second);
    }
    patch(1, start);
    start = w.size();
    w.u32(quint32(imageBlocks.size()));
    for (auto [offset, size] : imageBlocks) {
        w.u32(offset);
        w.u32(size);
        w.u32(0x12345678); // checksum, ignored by readers
    }
    patch(2, start);
    start = w.size();
    w.u32(quint32(soundBlocks.size()));
    for (auto [offset, size] : soundBlocks) {
        w.u32(offset);
        w.u32(size);
        w.u32(0);
    }
    patch(3, start);

    start = w.size();
    w.u16(1); // minor version
    w.u16(2); // major version
    const qsizetype localizedLocator = w.size();
    w.u32(0);
    w.u32(0);
    for (int i = 0; i < 4; ++i)
        w.u32(0x01020304u * quint32(i + 1)); // GUID
    w.u16(c.width);
    w.u16(c.height);
    w.u8(c.transparentIndex);
    w.u32(0x10); // flags: no voice, no balloon
    w.u16(2);
    w.u16(0);
    w.u32(quint32(c.palette.size()));
    for (quint32 rgb : c.palette)
        w.u32(rgb & 0xFFFFFF); // blue, green, red, 0 in little-endian order
    w.u8(0);                   // no tray icon
    w.u16(quint32(c.states.size()));
    for (const auto& [state, names] : c.states) {
        w.string(state);
        w.u16(quint32(names.size()));
        for (const QString& n : names)
            w.string(n);
    }
    const qsizetype localized = w.size();
    w.u16(1);
    w.u16(0x0009);
    w.string(c.name);
    w.string(QStringLiteral("A character built by the tests"));
    w.string(QString());
    w.putU32(localizedLocator, quint32(localized));
    w.putU32(localizedLocator + 4, quint32(w.size() - localized));
    patch(0, start);
    return w.bytes;
}

inline QByteArray waveFile(quint16 format, int channels, int rate, int bits, int blockAlign,
                           const QByteArray& extra, const QByteArray& data, qint64 factFrames = -1)
{
    ByteWriter fmt;
    fmt.u16(format);
    fmt.u16(quint32(channels));
    fmt.u32(quint32(rate));
    fmt.u32(quint32(rate * blockAlign));
    fmt.u16(quint32(blockAlign));
    fmt.u16(quint32(bits));
    if (!extra.isEmpty()) {
        fmt.u16(quint32(extra.size()));
        fmt.block(extra);
    }
    ByteWriter w;
    w.block("RIFF");
    w.u32(0);
    w.block("WAVE");
    w.block("fmt ");
    w.u32(quint32(fmt.size()));
    w.block(fmt.bytes);
    if (factFrames >= 0) {
        w.block("fact");
        w.u32(4);
        w.u32(quint32(factFrames));
    }
    w.block("data");
    w.u32(quint32(data.size()));
    w.block(data);
    if (data.size() & 1)
        w.u8(0);
    w.putU32(4, quint32(w.size() - 8));
    return w.bytes;
}

// The standard seven MS ADPCM coefficient pairs, as a fmt extension after samplesPerBlock.
inline QByteArray adpcmExtra(int samplesPerBlock)
{
    static const int pairs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                    {240, 0}, {460, -208}, {392, -232}};
    ByteWriter w;
    w.u16(quint32(samplesPerBlock));
    w.u16(7);
    for (const auto& p : pairs) {
        w.u16(quint16(qint16(p[0])));
        w.u16(quint16(qint16(p[1])));
    }
    return w.bytes;
}

// A small character that exercises every feature the player and the window use.
// Images: 0 body (8x6), 1 patch (3x2), 2 uncompressed block (4x3), 3 larger than the character (10x8).
inline TestCharacter sampleCharacter()
{
    TestCharacter c;
    auto image = [](int w, int h, auto pixel) {
        TestImage i{w, h, QByteArray(w * h, '\0')};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                i.pixels[y * w + x] = char(pixel(x, y));
        return i;
    };
    c.images.push_back(image(8, 6, [](int x, int y) { return (x > 0 && x < 7 && y > 0) ? 1 : 0; }));
    c.images.push_back(image(3, 2, [](int, int) { return 2; }));
    TestImage raw = image(4, 3, [](int x, int) { return x == 0 ? 0 : 3; });
    raw.compressed = false;
    c.images.push_back(raw);
    c.images.push_back(image(10, 8, [](int x, int y) { return (x + y) % 2 ? 2 : 1; }));

    c.sounds.push_back(waveFile(1, 1, 8000, 8, 1, {}, QByteArray(16, char(0x80))));
    QByteArray adpcm;
    adpcm.append(char(0)); // predictor
    adpcm.append(QByteArray::fromHex("1000"
                                     "6400"
                                     "3200")); // delta 16, sample1 100, sample2 50
    adpcm.append(QByteArray::fromHex("17f0"));
    c.sounds.push_back(waveFile(2, 1, 8000, 4, 11, adpcmExtra(6), adpcm, 6));

    const AcsFrameImage body{0, 0, 0};
    const AcsFrameImage patch{1, 2, 1};
    auto frame = [](std::vector<AcsFrameImage> images, quint16 duration, qint16 exit = -1,
                    std::vector<AcsBranch> branches = {}, int sound = -1) {
        TestFrame f;
        f.images = std::move(images);
        f.duration = duration;
        f.exitBranch = exit;
        f.branches = std::move(branches);
        f.sound = sound;
        return f;
    };
    c.animations.push_back({QStringLiteral("RestPose"), AcsTransition::None, {}, {frame({body}, 10, -2)}});
    c.animations.push_back(
        {QStringLiteral("Show"),
         AcsTransition::ExitBranches,
         {},
         {frame({body}, 10, 2, {}, 0), frame({patch, body}, 20, 2, {}, 1), frame({}, 0, -2)}});
    // Frames 0-3 raise an arm, 4 is the invisible end; the exit path lowers it again.
    c.animations.push_back(
        {QStringLiteral("Wave"),
         AcsTransition::ExitBranches,
         {},
         {frame({body}, 10, 4), frame({patch, body}, 10, 0), frame({{2, 4, 3}, body}, 10, 1),
          frame({{2, 4, 2}, patch, body}, 10, 2), frame({}, 0, -2)}});
    // Loops for ever; its exit branches lead from frame 1 back through frame 0 to the end.
    c.animations.push_back(
        {QStringLiteral("Loop"),
         AcsTransition::ExitBranches,
         {},
         {frame({body}, 10, 2), frame({patch, body}, 10, 0, {{0, 100}}), frame({}, 0, -2)}});
    c.animations.push_back({QStringLiteral("Move"),
                            AcsTransition::ReturnAnimation,
                            QStringLiteral("MOVERETURN"),
                            {frame({{2, 0, 0}}, 30)}});
    c.animations.push_back({QStringLiteral("MoveReturn"), AcsTransition::None, {}, {frame({{1, 5, 4}}, 10)}});
    c.animations.push_back(
        {QStringLiteral("Clip"), AcsTransition::None, {}, {frame({{2, 6, 4}, {3, -1, -1}}, 10)}});
    c.animations.push_back({QStringLiteral("Spin"),
                            AcsTransition::None,
                            {},
                            {frame({body}, 0, -1, {{1, 100}}), frame({patch}, 0, -1, {{0, 100}})}});
    c.animations.push_back({QStringLiteral("Pick"),
                            AcsTransition::None,
                            {},
                            {frame({body}, 10, -1, {{2, 50}}), frame({patch}, 10), frame({{2, 0, 0}}, 10)}});
    c.states = {{QStringLiteral("SHOWING"), {QStringLiteral("SHOW")}},
                {QStringLiteral("SPEAKING"), {QStringLiteral("RESTPOSE")}}};
    return c;
}

// A character with the animations a test names itself, each one frame showing
// a picture of its own in the palette colours 1, 2, 3, 1, ... (red, green,
// blue), so a test can tell which animation a picture comes from.
inline TestCharacter characterWith(const QStringList& animationNames)
{
    TestCharacter c;
    for (qsizetype i = 0; i < animationNames.size(); ++i) {
        c.images.push_back({8, 6, QByteArray(48, char(1 + i % 3))});
        TestFrame frame;
        frame.images = {AcsFrameImage{quint32(i), 0, 0}};
        c.animations.push_back({animationNames.at(i), AcsTransition::None, {}, {frame}});
    }
    if (c.images.empty()) // as a real one, a character without animations still has a picture
        c.images.push_back({8, 6, QByteArray(48, char(1))});
    return c;
}

} // namespace agent::test
