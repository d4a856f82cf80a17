// Figures of the character engine: loading a large character and listing its
// animations, decoding all of its pictures, how long a request waits while a
// looping animation runs, and how closely playback keeps to the frames'
// durations. Prints "figure<TAB>value<TAB>unit<TAB>target" lines.

#include "AcsImage.h"
#include "AcsReader.h"
#include "AgentClock.h"
#include "AnimationPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace agent;

namespace {

void figure(const char* name, double value, const char* unit, const char* target)
{
    std::printf("%s\t%.2f\t%s\t%s\n", name, value, unit, target);
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void benchLargeCharacter(const QString& path)
{
    std::vector<double> loads;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer timer;
        timer.start();
        const AcsCharacter character = AcsReader::readFile(path);
        const QStringList names = character.animationNames();
        loads.push_back(timer.nsecsElapsed() / 1e6);
        if (names.isEmpty())
            return;
    }
    figure("agent_load_and_list_4mb_character", medianOf(loads), "ms", "< 20");

    const AcsCharacter character = AcsReader::readFile(path);
    std::vector<double> decodes;
    for (int i = 0; i < 5; ++i) {
        AcsImageCache images(character);
        QElapsedTimer timer;
        timer.start();
        for (size_t index = 0; index < character.images.size(); ++index)
            images.image(int(index));
        decodes.push_back(timer.nsecsElapsed() / 1e6);
    }
    figure("agent_decode_all_images_4mb_character", medianOf(decodes), "ms", "< 300");
}

// The longest way out of the animation: from any frame, the frames its exit
// branches lead through until the path ends, each shown for its duration.
qint64 longestExitPathMs(const AcsAnimation& animation)
{
    qint64 longest = 0;
    for (size_t start = 0; start < animation.frames.size(); ++start) {
        qint64 total = 0;
        size_t frame = start;
        for (size_t steps = 0; steps <= animation.frames.size(); ++steps) {
            const qint16 exit = animation.frames[frame].exitBranch;
            const size_t next = exit >= 0 ? size_t(exit) : frame + 1;
            if (exit == AcsFrame::ExitEnds || next >= animation.frames.size())
                break;
            frame = next;
            total += qint64(animation.frames[frame].duration) * 10;
        }
        longest = std::max(longest, total);
    }
    return longest;
}

// Play(RestPose) given at a random moment while Searching loops, on a stepped
// clock: the wait until RestPose's first frame, worst and mean over 20 seeds.
void benchPlayDuringLoop(const AcsCharacter& character)
{
    const int looping = character.findAnimation(QStringLiteral("Searching"));
    const int rest = character.findAnimation(QStringLiteral("RestPose"));
    if (looping < 0 || rest < 0)
        return;
    std::vector<double> waits;
    for (quint32 seed = 0; seed < 20; ++seed) {
        ManualClock clock;
        AnimationPlayer player(character, clock);
        player.setAutoAdvance(false);
        player.setRandomSeed(seed);
        qint64 restStartedMs = -1;
        QObject::connect(&player, &AnimationPlayer::frameStarted, &player,
                         [&](int animation, int, qint64 at) {
                             if (animation == rest && restStartedMs < 0)
                                 restStartedMs = at;
                         });
        player.play(looping);
        const qint64 askAt = 5'000 + QRandomGenerator(seed).bounded(55'000);
        while (clock.nowMs() < askAt) {
            clock.advance(1);
            player.advance();
        }
        player.play(rest);
        while (restStartedMs < 0 && clock.nowMs() < askAt + 120'000) {
            clock.advance(1);
            player.advance();
        }
        waits.push_back(double(restStartedMs - askAt));
    }
    double sum = 0;
    for (double w : waits)
        sum += w;
    const std::string target =
        "<= " + std::to_string(longestExitPathMs(character.animations[size_t(looping)])) +
        " (longest exit path)";
    figure("agent_play_during_loop_worst_wait_20_seeds", *std::max_element(waits.begin(), waits.end()), "ms",
           target.c_str());
    figure("agent_play_during_loop_mean_wait_20_seeds", sum / double(waits.size()), "ms", "-");
}

// A clock reading the same timer the measurement uses.
class BenchClock final : public AgentClock
{
public:
    BenchClock() { timer.start(); }
    qint64 nowMs() const override { return timer.nsecsElapsed() / 1'000'000; }
    double preciseMs() const { return timer.nsecsElapsed() / 1e6; }
    QElapsedTimer timer;
};

// Five seconds of frames of 10 to 40 ms (real characters mostly use 10).
AcsCharacter fiveSecondAnimation()
{
    AcsCharacter c;
    c.fileName = QStringLiteral("bench");
    c.width = c.height = 1;
    AcsAnimation a;
    a.name = QStringLiteral("Five");
    for (qint64 total = 0; total < 500;) {
        AcsFrame f;
        f.duration = quint16(1 + (total % 4 == 0 ? 3 : 0)); // 10 or 40 ms
        f.images.push_back({});
        total += f.duration;
        a.frames.push_back(f);
    }
    c.animations.push_back(a);
    return c;
}

void benchPlaybackDrift()
{
    const AcsCharacter character = fiveSecondAnimation();
    BenchClock clock;
    AnimationPlayer player(character, clock);
    std::vector<double> drift;
    QObject::connect(&player, &AnimationPlayer::frameStarted, &player, [&](int, int, qint64 scheduledMs) {
        drift.push_back(clock.preciseMs() - double(scheduledMs));
    });
    QObject::connect(&player, &AnimationPlayer::cameToRest, qApp, &QCoreApplication::quit);
    player.play(0);
    QCoreApplication::exec();
    if (drift.size() < 20)
        return;
    double sum = 0;
    for (double d : drift)
        sum += d;
    const size_t tenth = drift.size() / 10;
    double first = 0, last = 0;
    for (size_t i = 0; i < tenth; ++i) {
        first += drift[i];
        last += drift[drift.size() - 1 - i];
    }
    figure("agent_playback_mean_frame_start_drift", sum / double(drift.size()), "ms", "< 10");
    figure("agent_playback_max_frame_start_drift", *std::max_element(drift.begin(), drift.end()), "ms", "-");
    figure("agent_playback_drift_growth_last_vs_first_tenth", (last - first) / double(tenth), "ms",
           "~0 (< 10)");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString path = QStringLiteral(QUORVIX_TEST_CHARACTERS_DIR "/Peedy.acs");
    if (QFile::exists(path)) {
        benchLargeCharacter(path);
        benchPlayDuringLoop(AcsReader::readFile(path));
    } else
        std::fprintf(stderr, "bench_agent: %s not found, skipping the large-character figures\n",
                     qPrintable(path));
    benchPlaybackDrift();
    return 0;
}
