// Feeds arbitrary bytes to the character reader and then decodes everything
// the parsed file points at: every image, every frame's composition and
// region, every sound. Only AgentError may come out.

#include "AcsImage.h"
#include "AcsReader.h"
#include "AgentControl.h"
#include "WaveDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral("fuzz.acs");
    agent::AcsCharacter character;
    try {
        character = agent::AcsReader::readBytes(bytes, name);
    } catch (const agent::AgentError&) {
        return 0;
    }
    agent::AcsImageCache images(character);
    for (size_t i = 0; i < character.images.size(); ++i) {
        try {
            images.image(int(i));
        } catch (const agent::AgentError&) {
        }
    }
    // Composing costs a canvas per frame, and the largest canvas allowed is
    // 4096 x 4096; a pixel budget keeps one input well under a second even
    // under the sanitizers (a real character composes a few dozen frames in it).
    qint64 pixelBudget = qint64(1) << 20;
    for (const agent::AcsAnimation& animation : character.animations) {
        for (const agent::AcsFrame& frame : animation.frames) {
            pixelBudget -= qint64(character.width) * character.height;
            if (pixelBudget < 0)
                break;
            try {
                agent::composeFrame(character, images, frame);
                agent::frameRegion(character, images, frame);
            } catch (const agent::AgentError&) {
            }
        }
    }
    for (size_t i = 0; i < character.sounds.size(); ++i) {
        try {
            agent::decodeSound(character, int(i));
        } catch (const agent::AgentError&) {
        }
    }
    return 0;
}
