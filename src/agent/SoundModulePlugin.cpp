// The sound module: frame sounds played through Qt Multimedia, one output
// stream per voice. Built as a plugin of its own (see SoundVoices.h).

#include "SoundVoices.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QObject>

#include <vector>

namespace agent {

namespace {

// Characters rarely overlap more than two sounds; past this many the sound
// that started first gives way to the new one.
constexpr std::size_t maxVoices = 4;

QAudioFormat formatOf(const PcmSound& sound)
{
    QAudioFormat format;
    format.setSampleRate(sound.sampleRate);
    format.setChannelCount(sound.channels);
    format.setSampleFormat(sound.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return format;
}

// One audio output and the sound it plays. The output is kept after its sound
// ends and plays the next sound of the same format.
struct Voice
{
    QBuffer samples; // declared first: the sink reads it until it is gone
    std::unique_ptr<QAudioSink> sink;
    qint64 startedAt = 0;

    bool busy() const { return sink->state() == QAudio::ActiveState; }
};

class QtSoundVoices final : public SoundVoices
{
public:
    explicit QtSoundVoices(QAudioDevice device) : device_(std::move(device)) { clock_.start(); }
    ~QtSoundVoices() override { stop(); }

    bool play(const PcmSound& sound) override
    {
        const QAudioFormat format = formatOf(sound);
        if (sound.samples.isEmpty() || !device_.isFormatSupported(format))
            return true;
        Voice& voice = voiceFor(format);
        voice.sink->stop();
        voice.samples.close();
        voice.samples.setData(sound.samples);
        voice.samples.open(QIODevice::ReadOnly);
        voice.startedAt = clock_.elapsed();
        voice.sink->start(&voice.samples);
        return voice.sink->error() == QAudio::NoError;
    }

    void stop() override
    {
        for (const auto& voice : voices_)
            voice->sink->stop();
    }

private:
    // A free voice of the format, else a new one while there are few, else the
    // free or longest-playing voice with its stream set to the format.
    Voice& voiceFor(const QAudioFormat& format)
    {
        Voice* oldest = nullptr;
        Voice* idle = nullptr;
        for (const auto& voice : voices_) {
            if (!voice->busy()) {
                if (voice->sink->format() == format)
                    return *voice;
                idle = voice.get();
            }
            if (!oldest || voice->startedAt < oldest->startedAt)
                oldest = voice.get();
        }
        Voice* voice = idle ? idle : oldest;
        if (voices_.size() < maxVoices || !voice) {
            voices_.push_back(std::make_unique<Voice>());
            voice = voices_.back().get();
        }
        if (!voice->sink || voice->sink->format() != format) {
            if (voice->sink)
                voice->sink->stop();
            voice->sink = std::make_unique<QAudioSink>(device_, format);
        }
        return *voice;
    }

    QAudioDevice device_;
    QElapsedTimer clock_;
    std::vector<std::unique_ptr<Voice>> voices_;
};

} // namespace

class QtSoundModule final : public QObject, public SoundModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QUORVIX_SOUND_MODULE_IID)
    Q_INTERFACES(agent::SoundModule)

public:
    std::unique_ptr<SoundVoices> createVoices() override
    {
        QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return nullptr;
        return std::make_unique<QtSoundVoices>(std::move(device));
    }
};

} // namespace agent

#include "SoundModulePlugin.moc"
