#include "CharacterFilePreview.h"

#include "AcsImage.h"
#include "AcsReader.h"
#include "AgentError.h"

#include <QFileInfo>

namespace app {

namespace {

// Japanese first, as the rest of the program speaks it; the reader falls
// back to English and then to whatever the file has.
constexpr quint16 kJapaneseLanguage = 0x0411;

const agent::AcsFrame* firstVisibleFrame(const agent::AcsAnimation& animation)
{
    for (const agent::AcsFrame& frame : animation.frames) {
        if (!frame.images.empty())
            return &frame;
    }
    return nullptr;
}

// The character at rest when it has a rest pose, else the first picture any animation shows.
const agent::AcsFrame* pictureFrame(const agent::AcsCharacter& character)
{
    const int rest = character.findAnimation(QStringLiteral("RestPose"));
    if (rest >= 0) {
        if (const agent::AcsFrame* frame = firstVisibleFrame(character.animations[std::size_t(rest)]))
            return frame;
    }
    for (const agent::AcsAnimation& animation : character.animations) {
        if (const agent::AcsFrame* frame = firstVisibleFrame(animation))
            return frame;
    }
    return nullptr;
}

} // namespace

std::optional<dialogs::FilePreview> characterFilePreview(const QString& path)
{
    try {
        const agent::AcsCharacter character = agent::AcsReader::readFile(path);
        dialogs::FilePreview preview;
        QString name = character.name(kJapaneseLanguage);
        if (name.isEmpty())
            name = QFileInfo(path).completeBaseName();
        preview.lines << u"名前: " + name
                      << u"アニメーション: " + QString::number(character.animations.size());
        if (const agent::AcsFrame* frame = pictureFrame(character)) {
            // A damaged picture leaves the pane with the name alone.
            try {
                agent::AcsImageCache images(character);
                preview.picture = agent::composeFrame(character, images, *frame);
            } catch (const agent::AgentError&) {
                preview.picture = QImage();
            }
        }
        return preview;
    } catch (const agent::AgentError&) {
        return std::nullopt;
    }
}

void registerCharacterFilePreview()
{
    dialogs::setPreviewProvider(QStringLiteral("acs"), &characterFilePreview);
}

} // namespace app
