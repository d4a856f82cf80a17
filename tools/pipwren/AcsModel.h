#pragma once

// An in-memory character as the writer lays it out: images, sounds,
// animations, states and the character's description. Field meanings follow
// the character-file format; indices refer to the lists of AcsCharacter.

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace pipwren {

// An 8-bit palette image, rows top-down without padding (width * height bytes).
struct IndexedImage
{
    int width = 0;
    int height = 0;
    QByteArray pixels;

    quint8 at(int x, int y) const { return quint8(pixels[y * width + x]); }
    bool operator==(const IndexedImage&) const = default;
};

struct FrameImage
{
    quint32 image = 0;
    qint16 x = 0;
    qint16 y = 0;
};

struct Branch
{
    quint16 frame = 0;
    quint16 probability = 0;
};

constexpr quint16 kNoSound = 0xFFFF;
constexpr qint16 kNoExit = -1;
constexpr qint16 kExitEnds = -2;

struct Frame
{
    // The first image is drawn on top.
    QList<FrameImage> images;
    quint16 sound = kNoSound;
    // In hundredths of a second; 0 with no images makes an invisible frame.
    quint16 duration = 10;
    qint16 exitBranch = kNoExit;
    QList<Branch> branches;
};

enum class Transition : quint8 { ReturnAnimation = 0, ExitBranches = 1, None = 2 };

struct Animation
{
    QString name;
    Transition transition = Transition::ExitBranches;
    QString returnAnimation;
    QList<Frame> frames;
};

struct State
{
    QString name;
    QStringList animations;
};

struct LocalizedInfo
{
    quint16 language = 0;
    QString name;
    QString description;
    QString extraData;
};

struct BalloonInfo
{
    quint8 lines = 2;
    quint8 charsPerLine = 28;
    QRgb text = 0;
    QRgb background = 0;
    QRgb border = 0;
    QString fontName;
    qint32 fontHeight = -13;
    qint32 fontWeight = 400;
    bool italic = false;
};

namespace flags {
constexpr quint32 kVoiceDisabled = 0x00000010;
constexpr quint32 kBalloon = 0x00000200;
} // namespace flags

struct AcsCharacter
{
    // A GUID in its text order: the first three groups as numbers, then 8 bytes.
    struct Guid
    {
        quint32 data1 = 0;
        quint16 data2 = 0;
        quint16 data3 = 0;
        std::array<quint8, 8> data4{};
    };

    Guid id;
    quint16 width = 128;
    quint16 height = 128;
    quint8 transparentIndex = 0;
    quint32 flags = flags::kVoiceDisabled;
    std::optional<BalloonInfo> balloon;
    QList<QRgb> palette;
    QList<State> states;
    QList<LocalizedInfo> localized;
    QList<Animation> animations;
    QList<IndexedImage> images;
    // Each a complete RIFF WAVE file.
    QList<QByteArray> sounds;
};

} // namespace pipwren
