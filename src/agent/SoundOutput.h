#pragma once

// Plays decoded sounds; sounds that overlap are heard together. Nothing of
// the audio stack is touched before the first sound: then the sound module is
// loaded, if a sound server is there to play to. Without a server or a
// device, or when a format is refused, sounds are skipped silently: the
// character keeps moving either way, and a server started later is used.

#include "WaveDecoder.h"

#include <QObject>

#include <memory>

namespace agent {

class SoundVoices;

class SoundOutput : public QObject
{
public:
    explicit SoundOutput(QObject* parent = nullptr);
    ~SoundOutput() override;

    void play(const PcmSound& sound);
    void stop();

private:
    std::unique_ptr<SoundVoices> voices_;
};

} // namespace agent
