#pragma once

// Plays a character's animations as a state machine over its frames; knows
// nothing of windows. It decides which frame is on view and when the next one
// is due; the window paints whatever frameChanged() reports.
//
// Timing: each frame starts at the previous frame's scheduled start plus its
// duration (1/100 s), never at "whenever the timer fired", so late timer
// wake-ups do not add up to drift.
//
// Flow: play() requests wait in a queue. An animation runs to its last frame
// and the character then rests on the last frame shown. When the next request
// starts, the resting animation is first left the way its transition type
// says: through the frames' exit branches (type 1) or by playing its return
// animation (type 0). While a request is waiting, branches that jump back
// (loops) are not taken, so even an endlessly looping animation ends and the
// queue moves on.

#include "AcsCharacter.h"
#include "AgentClock.h"

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <deque>
#include <optional>

namespace agent {

class AnimationPlayer : public QObject
{
    Q_OBJECT

public:
    // At most this many steps that take no time are made in one advance(); the
    // rest wait a tick, so a cycle of zero-duration frames cannot hang.
    static constexpr int kMaxInstantSteps = 256;
    static constexpr qint64 kTickMs = 10;

    // character and clock must outlive the player.
    AnimationPlayer(const AcsCharacter& character, AgentClock& clock, QObject* parent = nullptr);

    // Seeds the branch choices, so a test sees a known sequence.
    void setRandomSeed(quint32 seed) { random_.seed(seed); }
    // With auto-advance (the default) a timer calls advance() when the next frame
    // is due. Tests turn it off and call advance() after stepping their clock.
    void setAutoAdvance(bool enabled);

    // Queues the animation; throws AgentError for an unknown name (case-insensitive lookup).
    void play(const QString& name);
    void play(int animationIndex);
    // Queues the animation of the "Showing" state; without one, shows the first
    // visible frame at once when nothing is on view yet.
    void show();

    // Makes every step that is due at the clock's current time.
    void advance();

    struct Position
    {
        int animation = -1;
        int frame = -1;
        bool isValid() const { return animation >= 0; }
        bool operator==(const Position&) const = default;
    };
    // The frame on view; invalid before anything was shown.
    Position displayed() const { return displayed_; }
    // When the next step is due (clock milliseconds); none while resting.
    std::optional<qint64> nextStepMs() const;
    bool isIdle() const { return mode_ == Mode::Idle; }
    int queuedCount() const { return int(queue_.size()); }

signals:
    // The frame on view changed (reported once per advance()).
    void frameChanged(int animation, int frame);
    // A visible frame began at scheduledMs; emitted for every frame, even one replaced in the same advance().
    void frameStarted(int animation, int frame, qint64 scheduledMs);
    // A frame with a sound began (frames long overdue when the player catches up stay silent).
    void soundStarted(int soundIndex);
    // The queue ran empty and the character rests.
    void becameIdle();

private:
    // Waiting: a request is due to start at nextStepMs_.
    enum class Mode { Idle, Waiting, Playing, Exiting, Returning };

    void step();
    void enterFrame(int animation, int frame, qint64 startMs);
    void finishAnimation();
    void leaveOrStartNext(qint64 atMs);
    void startNext(qint64 atMs);
    int chooseNextFrame(const AcsFrame& frame, int current, bool allowLoops);
    void scheduleTimer();
    const AcsAnimation& animation(int index) const { return character_.animations[size_t(index)]; }

    const AcsCharacter& character_;
    AgentClock& clock_;
    QRandomGenerator random_;
    QTimer timer_;
    bool autoAdvance_ = true;

    std::deque<int> queue_;
    Mode mode_ = Mode::Idle;
    int animation_ = -1;
    int frame_ = -1;
    qint64 nextStepMs_ = 0;
    int exitSteps_ = 0;
    // The animation last played to its end and the frame it rests on; left before the next one.
    int restingAnimation_ = -1;
    int restingFrame_ = -1;
    int lastShownFrame_ = -1;
    Position displayed_;
    qint64 advanceNowMs_ = 0;
};

} // namespace agent
