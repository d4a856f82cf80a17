// Sounds through a real sound server of the test's own: nothing of the audio
// stack before a server is there, sounds that overlap are both heard in full,
// and a voice that has finished plays the next sound.

#include "SoundOutput.h"
#include "SoundServerSandbox.h"
#include "TestMain.h"

#include <cmath>
#include <numbers>

using namespace agent;
using quorvix::test::SoundServerSandbox;

namespace {

PcmSound tone(double hz, int ms)
{
    PcmSound sound{SoundServerSandbox::rate, 1, 16, {}};
    const int count = SoundServerSandbox::rate * ms / 1000;
    sound.samples.resize(count * 2);
    auto* out = reinterpret_cast<qint16*>(sound.samples.data());
    for (int i = 0; i < count; ++i)
        out[i] = qint16(9000 * std::sin(2 * std::numbers::pi * hz * i / SoundServerSandbox::rate));
    return sound;
}

// Amplitude of one frequency in samples [from, from + n) (Goertzel).
double amplitudeOf(const std::vector<qint16>& s, std::size_t from, std::size_t n, double hz)
{
    const double k = 2 * std::cos(2 * std::numbers::pi * hz / SoundServerSandbox::rate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = from; i < from + n; ++i) {
        const double s0 = s[i] + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(s1 * s1 + s2 * s2 - k * s1 * s2) * 2 / double(n);
}

bool audioStackLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
}

} // namespace

class TestSoundOutput : public QObject
{
    Q_OBJECT

private slots:
    void overlappingSoundsAreBothHeardInFull()
    {
        QTemporaryDir noServer;
        qputenv("XDG_RUNTIME_DIR", noServer.path().toLocal8Bit());
        qunsetenv("PULSE_SERVER");
        SoundServerSandbox server; // outlives the output, which talks to it
        SoundOutput output;
        output.play(tone(440, 1000));
        QVERIFY(!audioStackLoaded());

        if (const QString why = server.start(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QTest::qWait(1100); // the server is looked for again after a second
        output.play(tone(440, 1000));
        QVERIFY(audioStackLoaded());
        QTest::qWait(300);
        output.play(tone(1000, 300));
        QTest::qWait(1500);
        output.play(tone(1000, 300)); // on a voice that has finished its sound
        QTest::qWait(600);

        // Count 20 ms windows in which each tone is heard.
        const std::vector<qint16> heard = server.takeRecorded();
        const std::size_t window = SoundServerSandbox::rate / 50;
        int low = 0, high = 0, both = 0;
        for (std::size_t at = 0; at + window <= heard.size(); at += window) {
            const bool l = amplitudeOf(heard, at, window, 440) > 3000;
            const bool h = amplitudeOf(heard, at, window, 1000) > 3000;
            low += l;
            high += h;
            both += l && h;
        }
        // 50, 30 and 15 windows; a cut-off sound misses far more than the
        // few a loaded machine may lose.
        QVERIFY2(low >= 42 && low <= 52, qPrintable(QString::number(low)));
        QVERIFY2(high >= 25 && high <= 32, qPrintable(QString::number(high)));
        QVERIFY2(both >= 11, qPrintable(QString::number(both)));
    }
};

QUORVIX_TEST_MAIN(TestSoundOutput)
#include "tst_sound_output.moc"
