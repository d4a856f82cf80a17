#pragma once

// The interface between the program and its sound module. Qt Multimedia and
// the sound server's client library are linked only into the module, which
// is loaded when the first sound plays, so a start-up without sound neither
// loads nor resolves any of them.

#include "WaveDecoder.h"

#include <QtPlugin>

#include <memory>

namespace agent {

// A few output streams that play decoded sounds side by side: a sound that
// starts while others play is mixed with them by the sound server.
class SoundVoices
{
public:
    virtual ~SoundVoices() = default;

    // False when the output failed (the server went away, the device is
    // gone); a sound in a format the device refuses is skipped, not a failure.
    virtual bool play(const PcmSound& sound) = 0;
    // Silences every sound these voices are playing.
    virtual void stop() = 0;
};

class SoundModule
{
public:
    virtual ~SoundModule() = default;

    // Null when there is no audio output device.
    virtual std::unique_ptr<SoundVoices> createVoices() = 0;
};

} // namespace agent

#define QUORVIX_SOUND_MODULE_IID "io.github.quorvix.QuorvixOptions.SoundModule/1"
Q_DECLARE_INTERFACE(agent::SoundModule, QUORVIX_SOUND_MODULE_IID)
