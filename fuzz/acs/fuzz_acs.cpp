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
    // Bounded so one input cannot take seconds: composing is the slow part.
    int composed = 0;
    for (const agent::AcsAnimation& animation : character.animations) {
        for (const agent::AcsFrame& frame : animation.frames) {
            if (++composed > 64)
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
