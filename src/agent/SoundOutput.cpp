#include "SoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFileInfo>
#include <QMediaDevices>

namespace agent {

namespace {

// Qt's audio back end on Linux talks to a PulseAudio server (PipeWire offers
// the same socket) and complains on the console when there is none. Without a
// server there is no device either, so look for its socket first.
bool soundServerReachable()
{
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"))) ||
           QFileInfo::exists(QStringLiteral("/run/pulse/native"));
}

} // namespace

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
        haveDevice_ = soundServerReachable() && !QMediaDevices::defaultAudioOutput().isNull();
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
