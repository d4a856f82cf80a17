// Sound onset: from a frame with a sound painted in the character window to
// its first sample at the output, through a PulseAudio server of the
// benchmark's own with a null sink whose monitor is recorded. The default
// character plays Greet, which chirps, again and again; the first chirp,
// which loads the sound module and connects to the server, is a figure of
// its own. Prints "figure<TAB>value<TAB>unit<TAB>target" lines.

#include "AgentControl.h"
#include "CommonDialogs.h"
#include "LoadedCharacter.h"
#include "SoundServerSandbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace agent;
using quorvix::test::SoundServerSandbox;

namespace {

constexpr int kChirps = 12;
constexpr qint16 kHeard = 1000;

// Times the first paint of the character window after a frame with a sound.
class PaintWatch final : public QObject
{
public:
    QElapsedTimer* clock = nullptr;
    bool soundFramePending = false;
    qint64 paintedNs = -1;

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && soundFramePending) {
            soundFramePending = false;
            paintedNs = clock->nsecsElapsed();
        }
        return false;
    }
};

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString character = Module1::WindowsDirectory() + QStringLiteral("/Msagent/chars/Pipwren.acs");
    if (!QFileInfo(character).isFile()) {
        std::fprintf(stderr, "the default character %s has not been built\n", qPrintable(character));
        return 1;
    }
    SoundServerSandbox server;
    // Without the sound server's packages the figure is left out, not failed.
    if (const QString why = server.start(); !why.isEmpty()) {
        std::printf("sound onset after its frame is painted: skipped, %s\t\t\t< 40\n", qPrintable(why));
        return 0;
    }

    AgentControl control;
    control.Characters().Load(QStringLiteral("Agent"), character);
    auto& wren = dynamic_cast<LoadedCharacter&>(control.Characters()(QStringLiteral("Agent")));
    QElapsedTimer clock;
    clock.start();
    PaintWatch watch;
    watch.clock = &clock;
    wren.window().installEventFilter(&watch);
    QObject::connect(&wren.player(), &AnimationPlayer::soundStarted, &watch, [&] {
        watch.soundFramePending = true;
        watch.paintedNs = -1;
    });

    // Each block the recorder hands over ends now: the first loud sample in it
    // sounded as many samples earlier as follow it.
    std::vector<double> onsets;
    QObject::connect(&server.recorder(), &QProcess::readyReadStandardOutput, &watch, [&] {
        const qint64 now = clock.nsecsElapsed();
        const std::vector<qint16> block = server.takeRecorded();
        if (watch.paintedNs < 0)
            return;
        const auto loud =
            std::find_if(block.begin(), block.end(), [](qint16 s) { return std::abs(s) > kHeard; });
        if (loud == block.end())
            return;
        const qint64 after = qint64(block.end() - loud) * 1'000'000'000 / SoundServerSandbox::rate;
        onsets.push_back(double(now - after - watch.paintedNs) / 1e6);
        watch.paintedNs = -1;
    });

    wren.Show();
    QTimer greet;
    QObject::connect(&greet, &QTimer::timeout, &app, [&] {
        if (int(onsets.size()) >= kChirps + 1)
            app.quit();
        else
            wren.Play(QStringLiteral("Greet"));
    });
    greet.start(2000);
    QTimer::singleShot(60'000, &app, &QApplication::quit);
    app.exec();

    if (int(onsets.size()) < kChirps + 1) {
        std::fprintf(stderr, "heard %d chirps of %d\n", int(onsets.size()), kChirps + 1);
        return 1;
    }
    std::printf(
        "sound onset after its frame is painted, first sound (loads the sound module)\t%.1f\tms\treference\n",
        onsets.front());
    onsets.erase(onsets.begin());
    std::printf("sound onset after its frame is painted (median of %d)\t%.1f\tms\t< 40\n", kChirps,
                medianOf(onsets));
    std::printf("sound onset after its frame is painted (worst of %d)\t%.1f\tms\treference\n", kChirps,
                *std::max_element(onsets.begin(), onsets.end()));
    return 0;
}
