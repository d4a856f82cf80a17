#include "SoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

namespace agent {

SoundOutput::SoundOutput(QObject* parent) : QObject(parent) {}

SoundOutput::~SoundOutput()
{
    stop();
}

void SoundOutput::stop()
{
    if (sink_)
        sink_->stop();
    sink_.reset();
    buffer_.reset();
}

void SoundOutput::play(const PcmSound& sound)
{
    if (!checkedDevice_) {
        checkedDevice_ = true;
        haveDevice_ = !QMediaDevices::defaultAudioOutput().isNull();
    }
    if (!haveDevice_ || sound.samples.isEmpty())
        return;
    QAudioFormat format;
    format.setSampleRate(sound.sampleRate);
    format.setChannelCount(sound.channels);
    format.setSampleFormat(sound.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!device.isFormatSupported(format))
        return;
    stop();
    buffer_ = std::make_unique<QBuffer>();
    buffer_->setData(sound.samples);
    buffer_->open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->start(buffer_.get());
}

} // namespace agent
