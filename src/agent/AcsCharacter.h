#pragma once

// The parsed structure of a Microsoft Agent 2.0 character file (.acs): names,
// palette, states, animations with their frames, and where each image and
// sound lies in the file. Produced by AcsReader; images and sounds stay
// undecoded until someone asks for them (AcsImageCache, decodeWave).
//
// Every reference inside (image, sound, branch and exit-branch indices) has
// been checked by the reader, so users may index without further checks.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QtGlobal>

#include <vector>

namespace agent {

// Where a block lies in the file (absolute offset and size in bytes).
struct AcsLocator
{
    quint32 offset = 0;
    quint32 size = 0;
};

struct AcsFrameImage
{
    quint32 imageIndex = 0;
    qint16 x = 0;
    qint16 y = 0;
};

struct AcsBranch
{
    quint16 frame = 0;
    quint16 probability = 0; // percent
};

// Mouth picture used while speaking; kept for completeness, nothing here speaks.
struct AcsMouthOverlay
{
    quint8 shape = 0;
    bool replacesTopImage = false;
    quint16 imageIndex = 0;
    qint16 x = 0;
    qint16 y = 0;
};

struct AcsFrame
{
    // Exit-branch values that are not frame indices.
    static constexpr qint16 NoExit = -1;
    static constexpr qint16 ExitEnds = -2;
    static constexpr int NoSound = -1;

    std::vector<AcsFrameImage> images; // the first one is drawn on top
    int soundIndex = NoSound;
    quint16 duration = 0; // in 1/100 s
    qint16 exitBranch = NoExit;
    std::vector<AcsBranch> branches;
    std::vector<AcsMouthOverlay> mouths;

    // A frame without pictures that lasts no time only exists as a branch target.
    bool isInvisible() const { return images.empty() && duration == 0; }
};

enum class AcsTransition : quint8 {
    ReturnAnimation = 0, // play returnAnimation before the next animation
    ExitBranches = 1,    // follow the frames' exit branches before the next animation
    None = 2,
};

struct AcsAnimation
{
    QString name;      // as the animation list spells it (mixed case)
    QString blockName; // as the animation block spells it (upper case)
    AcsTransition transition = AcsTransition::None;
    QString returnAnimation; // only for AcsTransition::ReturnAnimation
    std::vector<AcsFrame> frames;
};

struct AcsState
{
    QString name;
    QStringList animations;
};

struct AcsLocalizedInfo
{
    quint16 language = 0;
    QString name;
    QString description;
    QString extraData;
};

struct AcsCharacter
{
    QString fileName;
    QByteArray data; // the whole file; images and sounds are decoded from it on demand

    quint16 majorVersion = 0;
    quint16 minorVersion = 0;
    QUuid guid;
    quint16 width = 0;
    quint16 height = 0;
    quint8 transparentIndex = 0;
    quint32 flags = 0;
    QList<quint32> palette; // 0xAARRGGBB, opaque; may hold fewer than 256 entries
    std::vector<AcsLocalizedInfo> localizedInfo;
    std::vector<AcsState> states;
    std::vector<AcsAnimation> animations; // in file order
    std::vector<AcsLocator> images;
    std::vector<AcsLocator> sounds;

    // Display name for a Windows language id: exact match, then the primary
    // language, then English, then the first entry.
    QString name(quint16 language = 0x0409) const;
    // Case-insensitive; an exact spelling wins over a case-insensitive one. -1 when absent.
    int findAnimation(const QString& name) const;
    // Case-insensitive; nullptr when absent.
    const AcsState* findState(const QString& name) const;
    QStringList animationNames() const;
};

} // namespace agent
