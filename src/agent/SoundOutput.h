#pragma once

// Plays decoded frame sounds through Qt Multimedia. A new sound replaces the
// one playing. Without an audio device, or when a format is refused, sounds
// are skipped silently: the character keeps moving either way.

#include "WaveDecoder.h"

#include <QObject>

#include <memory>

class QAudioSink;
class QBuffer;

namespace agent {

class SoundOutput : public QObject
{
public:
    explicit SoundOutput(QObject* parent = nullptr);
    ~SoundOutput() override;

    void play(const PcmSound& sound);
    void stop();

private:
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QBuffer> buffer_;
    bool checkedDevice_ = false;
    bool haveDevice_ = false;
};

} // namespace agent
