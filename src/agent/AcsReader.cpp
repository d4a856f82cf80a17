#include "AcsReader.h"

#include "AgentError.h"
#include "ByteCursor.h"

#include <QFile>
#include <QFileInfo>

namespace agent {

namespace {

constexpr quint32 kAcsSignature = 0xABCDABC3;
constexpr quint32 kAcfSignature = 0xABCDABC4;
constexpr int kHeaderSize = 36;
constexpr quint32 kVoiceInfoFlag = 0x00000020;
constexpr quint32 kBalloonInfoFlag = 0x00000200;
constexpr quint16 kNoSound = 0xFFFF;

// Smallest encodings, used to refuse counts that cannot fit before allocating.
constexpr quint64 kMinFrameSize = 2 + 2 + 2 + 2 + 1 + 1;
constexpr quint64 kMinStringSize = 4;
constexpr quint64 kMinStateSize = kMinStringSize + 2;
constexpr quint64 kMinLocalizedSize = 2 + 3 * kMinStringSize;
constexpr quint64 kMinListEntrySize = kMinStringSize + 8;
constexpr quint64 kListEntryWithChecksum = 8 + 4;

class Parser
{
public:
    Parser(const QByteArray& bytes, const QString& fileName) : data_(bytes), fileName_(fileName)
    {
        character_.fileName = fileName;
        character_.data = bytes;
    }

    AcsCharacter parse()
    {
        checkIdentity();
        ByteCursor header(data_, {0, kHeaderSize}, fileName_, QStringLiteral("header"));
        header.skip(4);
        const AcsLocator info = headerLocator(header, QStringLiteral("character info"));
        const AcsLocator animationList = headerLocator(header, QStringLiteral("animation list"));
        const AcsLocator imageList = headerLocator(header, QStringLiteral("image list"));
        const AcsLocator audioList = headerLocator(header, QStringLiteral("audio list"));

        // References from frames are checked against these lists, so they come first.
        readBlockList(imageList, QStringLiteral("image list"), QStringLiteral("image"), character_.images);
        readBlockList(audioList, QStringLiteral("audio list"), QStringLiteral("sound"), character_.sounds);
        readCharacterInfo(info);
        readAnimations(animationList);
        return std::move(character_);
    }

private:
    void checkIdentity()
    {
        const auto* p = reinterpret_cast<const uchar*>(data_.constData());
        static const uchar ole[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        if (data_.size() >= 8 && std::equal(ole, ole + 8, p))
            throw AgentError(
                QStringLiteral(
                    "%1: this is a Microsoft Agent 1.5 character (OLE compound file), which is not "
                    "supported; only Agent 2.0 .acs files are")
                    .arg(fileName_));
        if (data_.size() < kHeaderSize)
            throw AgentError(
                QStringLiteral("%1: not a character file: only %2 bytes, the header alone has %3")
                    .arg(fileName_)
                    .arg(data_.size())
                    .arg(kHeaderSize));
        const quint32 signature =
            quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
        if (signature == kAcfSignature)
            throw AgentError(QStringLiteral("%1: this is an .acf file (the web form of a character, with "
                                            "separate .aca animations); only single-file .acs characters "
                                            "are supported")
                                 .arg(fileName_));
        if (signature != kAcsSignature)
            throw AgentError(QStringLiteral("%1: not a Microsoft Agent 2.0 character file (signature 0x%2 at "
                                            "offset 0)")
                                 .arg(fileName_, QString::number(signature, 16).toUpper()));
    }

    AcsLocator headerLocator(ByteCursor& header, const QString& what)
    {
        const quint64 at = header.offset();
        const AcsLocator l = header.locator();
        checkLocator(l, quint64(data_.size()), fileName_, QStringLiteral("header locator of the ") + what,
                     at);
        return l;
    }

    AcsLocator innerLocator(ByteCursor& cursor, const QString& what)
    {
        const quint64 at = cursor.offset();
        const AcsLocator l = cursor.locator();
        checkLocator(l, quint64(data_.size()), fileName_, what, at);
        return l;
    }

    void readBlockList(AcsLocator block, const QString& what, const QString& item,
                       std::vector<AcsLocator>& out)
    {
        ByteCursor c(data_, block, fileName_, what);
        const quint32 count = c.u32();
        c.requireItems(count, kListEntryWithChecksum, item + QStringLiteral(" entries"));
        out.reserve(count);
        for (quint32 i = 0; i < count; ++i) {
            out.push_back(innerLocator(c, QStringLiteral("%1 %2 in the %3").arg(item).arg(i).arg(what)));
            c.u32(); // checksum of unknown algorithm, useless for checking
        }
    }

    void readCharacterInfo(AcsLocator block)
    {
        ByteCursor c(data_, block, fileName_, QStringLiteral("character info"));
        character_.minorVersion = c.u16();
        character_.majorVersion = c.u16();
        const AcsLocator localized = innerLocator(c, QStringLiteral("localized info locator"));
        character_.guid = c.guid();
        const quint64 sizeAt = c.offset();
        character_.width = c.u16();
        character_.height = c.u16();
        if (character_.width == 0 || character_.height == 0 || character_.width > AcsReader::kMaxDimension ||
            character_.height > AcsReader::kMaxDimension)
            c.failAt(sizeAt, QStringLiteral("character size %1 x %2 is outside 1..%3")
                                 .arg(character_.width)
                                 .arg(character_.height)
                                 .arg(AcsReader::kMaxDimension));
        character_.transparentIndex = c.u8();
        character_.flags = c.u32();
        c.u16(); // animation set major version
        c.u16(); // animation set minor version

        if (character_.flags & kVoiceInfoFlag)
            skipVoiceInfo(c);
        if (character_.flags & kBalloonInfoFlag)
            skipBalloonInfo(c);
        readPalette(c);
        skipTrayIcon(c);
        readStates(c);
        readLocalizedInfo(localized);
    }

    void skipVoiceInfo(ByteCursor& c)
    {
        c.setWhat(QStringLiteral("voice info"));
        c.guid();
        c.guid();
        c.u32();
        c.u16();
        if (c.u8()) {
            c.u16();
            c.string();
            c.u16();
            c.u16();
            c.string();
        }
    }

    void skipBalloonInfo(ByteCursor& c)
    {
        c.setWhat(QStringLiteral("balloon info"));
        c.skip(2 + 3 * 4);
        c.string();
        c.skip(4 + 4 + 1 + 1);
    }

    void readPalette(ByteCursor& c)
    {
        c.setWhat(QStringLiteral("palette"));
        const quint64 at = c.offset();
        const quint32 count = c.u32();
        if (count > 256)
            c.failAt(at, QStringLiteral("%1 colours, at most 256 can be used").arg(count));
        c.requireItems(count, 4, QStringLiteral("colours"));
        character_.palette.reserve(qsizetype(count));
        for (quint32 i = 0; i < count; ++i) {
            const quint32 bgrx = c.u32();
            const quint32 blue = bgrx & 0xFF, green = (bgrx >> 8) & 0xFF, red = (bgrx >> 16) & 0xFF;
            character_.palette.append(0xFF000000u | (red << 16) | (green << 8) | blue);
        }
    }

    void skipTrayIcon(ByteCursor& c)
    {
        c.setWhat(QStringLiteral("tray icon"));
        if (c.u8()) {
            for (int i = 0; i < 2; ++i)
                c.skip(c.u32());
        }
    }

    void readStates(ByteCursor& c)
    {
        c.setWhat(QStringLiteral("state table"));
        const quint16 count = c.u16();
        c.requireItems(count, kMinStateSize, QStringLiteral("states"));
        character_.states.reserve(count);
        for (quint16 i = 0; i < count; ++i) {
            AcsState state;
            state.name = c.string();
            const quint16 names = c.u16();
            c.requireItems(names, kMinStringSize, QStringLiteral("animation names"));
            for (quint16 j = 0; j < names; ++j)
                state.animations.append(c.string());
            character_.states.push_back(std::move(state));
        }
    }

    void readLocalizedInfo(AcsLocator block)
    {
        ByteCursor c(data_, block, fileName_, QStringLiteral("localized info"));
        const quint16 count = c.u16();
        c.requireItems(count, kMinLocalizedSize, QStringLiteral("languages"));
        character_.localizedInfo.reserve(count);
        for (quint16 i = 0; i < count; ++i) {
            AcsLocalizedInfo info;
            info.language = c.u16();
            info.name = c.string();
            info.description = c.string();
            info.extraData = c.string();
            character_.localizedInfo.push_back(std::move(info));
        }
    }

    void readAnimations(AcsLocator block)
    {
        ByteCursor c(data_, block, fileName_, QStringLiteral("animation list"));
        const quint32 count = c.u32();
        c.requireItems(count, kMinListEntrySize, QStringLiteral("animations"));
        std::vector<std::pair<QString, AcsLocator>> entries;
        entries.reserve(count);
        for (quint32 i = 0; i < count; ++i) {
            QString name = c.string();
            entries.emplace_back(std::move(name), innerLocator(c, QStringLiteral("animation %1").arg(i)));
        }
        character_.animations.reserve(count);
        for (auto& [name, locator] : entries)
            character_.animations.push_back(readAnimation(std::move(name), locator));
    }

    AcsAnimation readAnimation(QString listName, AcsLocator block)
    {
        ByteCursor c(data_, block, fileName_, QStringLiteral("animation \"%1\"").arg(listName));
        AcsAnimation animation;
        animation.name = std::move(listName);
        animation.blockName = c.string();
        const quint64 transitionAt = c.offset();
        const quint8 transition = c.u8();
        if (transition > 2)
            c.failAt(transitionAt, QStringLiteral("unknown transition type %1").arg(transition));
        animation.transition = static_cast<AcsTransition>(transition);
        animation.returnAnimation = c.string();
        const quint16 frameCount = c.u16();
        c.requireItems(frameCount, kMinFrameSize, QStringLiteral("frames"));
        animation.frames.reserve(frameCount);
        for (quint16 i = 0; i < frameCount; ++i)
            animation.frames.push_back(readFrame(c, frameCount));
        return animation;
    }

    AcsFrame readFrame(ByteCursor& c, quint16 frameCount)
    {
        AcsFrame frame;
        const quint16 imageCount = c.u16();
        c.requireItems(imageCount, 8, QStringLiteral("frame images"));
        frame.images.reserve(imageCount);
        for (quint16 i = 0; i < imageCount; ++i) {
            AcsFrameImage image;
            const quint64 at = c.offset();
            image.imageIndex = c.u32();
            checkImageIndex(c, at, image.imageIndex);
            image.x = c.i16();
            image.y = c.i16();
            frame.images.push_back(image);
        }
        const quint64 soundAt = c.offset();
        const quint16 sound = c.u16();
        if (sound != kNoSound) {
            if (sound >= character_.sounds.size())
                c.failAt(soundAt, QStringLiteral("sound %1 does not exist (%2 sounds)")
                                      .arg(sound)
                                      .arg(character_.sounds.size()));
            frame.soundIndex = sound;
        }
        frame.duration = c.u16();
        const quint64 exitAt = c.offset();
        frame.exitBranch = c.i16();
        if (frame.exitBranch < AcsFrame::ExitEnds || frame.exitBranch >= frameCount)
            c.failAt(exitAt, QStringLiteral("exit branch %1 is not a frame (%2 frames)")
                                 .arg(frame.exitBranch)
                                 .arg(frameCount));
        const quint8 branchCount = c.u8();
        c.requireItems(branchCount, 4, QStringLiteral("branches"));
        for (quint8 i = 0; i < branchCount; ++i) {
            const quint64 at = c.offset();
            AcsBranch branch;
            branch.frame = c.u16();
            branch.probability = c.u16();
            if (branch.frame >= frameCount)
                c.failAt(at, QStringLiteral("branch to frame %1 of %2").arg(branch.frame).arg(frameCount));
            frame.branches.push_back(branch);
        }
        const quint8 mouthCount = c.u8();
        c.requireItems(mouthCount, 14, QStringLiteral("mouth overlays"));
        for (quint8 i = 0; i < mouthCount; ++i) {
            AcsMouthOverlay mouth;
            mouth.shape = c.u8();
            mouth.replacesTopImage = c.u8() != 0;
            const quint64 at = c.offset();
            mouth.imageIndex = c.u16();
            checkImageIndex(c, at, mouth.imageIndex);
            c.u8();
            const bool hasRegion = c.u8() != 0;
            mouth.x = c.i16();
            mouth.y = c.i16();
            c.u16(); // mouth anchor, not needed for drawing
            c.u16();
            if (hasRegion)
                c.skip(c.u32());
            frame.mouths.push_back(mouth);
        }
        return frame;
    }

    void checkImageIndex(ByteCursor& c, quint64 at, quint32 index)
    {
        if (index >= character_.images.size())
            c.failAt(at, QStringLiteral("image %1 does not exist (%2 images)")
                             .arg(index)
                             .arg(character_.images.size()));
    }

    const QByteArray& data_;
    QString fileName_;
    AcsCharacter character_;
};

} // namespace

AcsCharacter AcsReader::readFile(const QString& path)
{
    // Opening a FIFO or a device would wait for a writer that may never come.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw AgentError(QStringLiteral("%1: not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AgentError(
            QStringLiteral("%1: cannot open the character file: %2").arg(path, file.errorString()));
    // Real characters are a few megabytes; refuse anything absurd before reading it all.
    constexpr qint64 maxFileSize = qint64(1) << 30;
    if (file.size() > maxFileSize)
        throw AgentError(
            QStringLiteral("%1: %2 bytes is too large for a character file").arg(path).arg(file.size()));
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw AgentError(
            QStringLiteral("%1: could not read the whole file: %2").arg(path, file.errorString()));
    return readBytes(bytes, path);
}

AcsCharacter AcsReader::readBytes(const QByteArray& bytes, const QString& fileName)
{
    return Parser(bytes, fileName).parse();
}

QString AcsCharacter::name(quint16 language) const
{
    if (localizedInfo.empty())
        return {};
    auto find = [this](auto matches) -> const AcsLocalizedInfo* {
        for (const AcsLocalizedInfo& info : localizedInfo)
            if (matches(info.language))
                return &info;
        return nullptr;
    };
    const quint16 primary = language & 0x3FF;
    const AcsLocalizedInfo* info = find([&](quint16 l) { return l == language; });
    if (!info)
        info = find([&](quint16 l) { return (l & 0x3FF) == primary; });
    if (!info)
        info = find([](quint16 l) { return (l & 0x3FF) == 0x09; });
    return (info ? info : &localizedInfo.front())->name;
}

int AcsCharacter::findAnimation(const QString& wanted) const
{
    int caseless = -1;
    for (size_t i = 0; i < animations.size(); ++i) {
        if (animations[i].name == wanted)
            return int(i);
        if (caseless < 0 && animations[i].name.compare(wanted, Qt::CaseInsensitive) == 0)
            caseless = int(i);
    }
    return caseless;
}

const AcsState* AcsCharacter::findState(const QString& wanted) const
{
    for (const AcsState& state : states)
        if (state.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &state;
    return nullptr;
}

QStringList AcsCharacter::animationNames() const
{
    QStringList names;
    names.reserve(qsizetype(animations.size()));
    for (const AcsAnimation& animation : animations)
        names.append(animation.name);
    return names;
}

} // namespace agent
