#pragma once

// A sound server of the test's own: a PulseAudio daemon in a fresh runtime
// folder with one null sink, whose monitor is recorded as 16-bit mono at
// SoundServerSandbox::rate.
// start() points this process's XDG_RUNTIME_DIR at the folder, so the program
// under test finds the server as it would a user's. Everything stops with the
// object.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <vector>

namespace quorvix::test {

class SoundServerSandbox
{
public:
    static constexpr int rate = 22050;

    ~SoundServerSandbox()
    {
        for (QProcess* p : {&recorder_, &daemon_}) {
            p->kill();
            p->waitForFinished(2000);
        }
    }

    // Empty when the server runs; otherwise why it cannot.
    QString start()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
            return QStringLiteral("pulseaudio or parec is not installed");
        if (!runtime_.isValid())
            return QStringLiteral("no temporary folder");
        const QString socket = runtime_.filePath(QStringLiteral("pulse/native"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), runtime_.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), runtime_.path());
        env.remove(QStringLiteral("PULSE_SERVER"));
        daemon_.setProcessEnvironment(env);
        daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon_.start(QStringLiteral("pulseaudio"),
                      {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                       QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--log-level=error"),
                       QStringLiteral("--use-pid-file=no"), QStringLiteral("-L"),
                       QStringLiteral("module-native-protocol-unix auth-anonymous=1"), QStringLiteral("-L"),
                       QStringLiteral("module-null-sink sink_name=sandbox")});
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(socket) && daemon_.state() != QProcess::NotRunning &&
               waited.elapsed() < 5000)
            QTest::qWait(20);
        if (!QFileInfo::exists(socket))
            return QStringLiteral("the sound server did not start");
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        qunsetenv("PULSE_SERVER");

        recorder_.setProcessEnvironment(env);
        recorder_.start(QStringLiteral("parec"),
                        {QStringLiteral("--device=sandbox.monitor"), QStringLiteral("--raw"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                         QStringLiteral("--rate=%1").arg(rate), QStringLiteral("--latency-msec=5")});
        // Recording starts a while after parec does; sounds played before
        // would be missed.
        if (!recorder_.waitForStarted(5000) || !recorder_.waitForReadyRead(5000))
            return QStringLiteral("cannot record the server's output");
        takeRecorded();
        return {};
    }

    // The samples recorded since the last call.
    std::vector<qint16> takeRecorded()
    {
        pending_ += recorder_.readAllStandardOutput();
        std::vector<qint16> samples(std::size_t(pending_.size() / 2));
        std::memcpy(samples.data(), pending_.constData(), samples.size() * 2);
        pending_.remove(0, qsizetype(samples.size() * 2));
        return samples;
    }

    // Tells when recorded samples can be taken.
    QProcess& recorder() { return recorder_; }

private:
    QTemporaryDir runtime_;
    QProcess daemon_;
    QProcess recorder_;
    QByteArray pending_;
};

} // namespace quorvix::test
