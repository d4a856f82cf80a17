#include "SoundOutput.h"

#include "SoundVoices.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPluginLoader>

namespace agent {

namespace {

// Without a server, Qt's audio back end has no device and complains on the
// console; looking for the server's socket first costs a file lookup. The
// answer is kept for a second, as frames with sounds may follow each other
// closely, and then asked again so a server started later is found.
constexpr qint64 serverCheckIntervalMs = 1000;

bool lookForSoundServer()
{
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    // PipeWire's PulseAudio service listens on the same socket.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"))) ||
           QFileInfo::exists(QStringLiteral("/run/pulse/native"));
}

// The module is installed beside the program's library folder; run from the
// build tree, it is where the build put it.
QString soundModulePath()
{
    const QString installed =
        QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                            .absoluteFilePath(QStringLiteral(QUORVIX_SOUND_MODULE_FROM_BIN)));
    if (QFileInfo::exists(installed))
        return installed;
    const QString built = QStringLiteral(QUORVIX_BUILT_SOUND_MODULE);
    return QFileInfo::exists(built) ? built : installed;
}

// Loaded once for the whole program and kept; null when it cannot be loaded.
SoundModule* soundModule()
{
    static SoundModule* const module = [] {
        QPluginLoader loader(soundModulePath());
        auto* loaded = qobject_cast<SoundModule*>(loader.instance());
        if (!loaded)
            qWarning("Sounds are off: %s", qPrintable(loader.errorString()));
        return loaded;
    }();
    return module;
}

// Whether a sound server's socket is there, looked for at most once a second.
bool soundServerReachable()
{
    static QElapsedTimer lastCheck;
    static bool reachable = false;
    if (!lastCheck.isValid() || lastCheck.elapsed() >= serverCheckIntervalMs) {
        reachable = lookForSoundServer();
        lastCheck.start();
    }
    return reachable;
}

} // namespace

SoundOutput::SoundOutput(QObject* parent) : QObject(parent) {}

SoundOutput::~SoundOutput() = default;

void SoundOutput::stop()
{
    if (voices_)
        voices_->stop();
}

void SoundOutput::play(const PcmSound& sound)
{
    if (sound.samples.isEmpty() || !soundServerReachable())
        return;
    if (!voices_) {
        SoundModule* module = soundModule();
        if (!module)
            return;
        voices_ = module->createVoices();
        if (!voices_)
            return;
    }
    // A stream that cannot start (the server went away, the device changed)
    // leaves these voices; the next sound opens new ones.
    if (!voices_->play(sound))
        voices_.reset();
}

} // namespace agent
