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
// and the character then rests on the last frame shown. Before the next
// animation starts, the resting one is left the way its transition type says:
// through the frames' exit branches (type 1) or by playing its return
// animation (type 0). A request that arrives while a looping, long or idling
// animation runs ends it at once through the current frame's exit branch, so
// the wait is bounded by that exit path.
//
// Idle processing (on by default): when the character has rested for
// kIdleTimeoutMs after the last request, it leaves its pose and plays an
// animation of the "IdlingLevel1" state, then another every few seconds;
// after kIdleLevel2AfterMs and kIdleLevel3AfterMs without requests it takes
// them from levels 2 and 3. A request ends idling and starts the count again.
// After an animation of the "Hiding" state the character is out of view and
// does not idle until the next request.

#include "AcsCharacter.h"
#include "AgentClock.h"

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <array>
#include <deque>
#include <optional>
#include <vector>

namespace agent {

class AnimationPlayer : public QObject
{
    Q_OBJECT

public:
    // At most this many steps that take no time are made in one advance(); the
    // rest wait a tick, so a cycle of zero-duration frames cannot hang.
    static constexpr int kMaxInstantSteps = 256;
    static constexpr qint64 kTickMs = 10;
    // Idle processing, in milliseconds: the first idling animation starts this
    // long after the last request ended; later ones follow after a random rest
    // between the two intervals; levels 2 and 3 begin this long after the last request.
    static constexpr qint64 kIdleTimeoutMs = 5'000;
    static constexpr qint64 kIdleIntervalMinMs = 3'000;
    static constexpr qint64 kIdleIntervalMaxMs = 8'000;
    static constexpr qint64 kIdleLevel2AfterMs = 30'000;
    static constexpr qint64 kIdleLevel3AfterMs = 120'000;
    // An animation whose frames add up to more than this counts as long: a request ends it early.
    static constexpr qint64 kLongAnimationMs = 5'000;

    // character and clock must outlive the player.
    AnimationPlayer(const AcsCharacter& character, AgentClock& clock, QObject* parent = nullptr);

    // Seeds the branch choices and the idling picks, so a test sees a known sequence.
    void setRandomSeed(quint32 seed) { random_.seed(seed); }
    // With auto-advance (the default) a timer calls advance() when the next frame
    // is due. Tests turn it off and call advance() after stepping their clock.
    void setAutoAdvance(bool enabled);

    // Idle processing; on by default. Turning it off ends a running idling animation.
    void setIdleOn(bool on);
    bool idleOn() const { return idleOn_; }
    // The level (1 to 3) of the idling animation playing or last played since
    // the last request; 0 when none was played since.
    int idleLevel() const { return idleLevel_; }
    // The animations idling may play, each once, and a way to leave one out
    // (its owner could not decode its pictures).
    std::vector<int> idlingAnimations() const;
    void excludeFromIdling(int animation);

    // Queues the animation and ends idling; throws AgentError for an unknown name (case-insensitive lookup).
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
    // When the next step is due (clock milliseconds): the next frame, or while
    // resting the start of idling; none while resting for good.
    std::optional<qint64> nextStepMs() const;
    // Nothing plays: the character rests on the frame on view.
    bool isResting() const { return mode_ == Mode::Resting; }
    int queuedCount() const { return int(queue_.size()); }

signals:
    // The frame on view changed (reported once per advance()).
    void frameChanged(int animation, int frame);
    // A visible frame began at scheduledMs; emitted for every frame, even one replaced in the same advance().
    void frameStarted(int animation, int frame, qint64 scheduledMs);
    // A frame with a sound began (frames long overdue when the player catches up stay silent).
    void soundStarted(int soundIndex);
    // An animation (requested or idling) began.
    void animationStarted(int animation);
    // The queue ran empty and the character rests.
    void cameToRest();

private:
    // Waiting: the pose is due to be left at nextStepMs_, then the queue's first animation starts.
    enum class Mode { Resting, Waiting, Playing, Exiting, Returning };

    void step();
    void enterFrame(int animation, int frame, qint64 startMs);
    void finishAnimation();
    void endEarly(qint64 atMs);
    void leaveOrStartNext(qint64 atMs);
    void startNext(qint64 atMs);
    void startIdling();
    void scheduleIdling(qint64 atMs);
    std::vector<int> stateAnimations(const QString& state) const;
    int chooseNextFrame(const AcsFrame& frame, int current, bool allowLoops);
    void scheduleTimer();
    const AcsAnimation& animation(int index) const { return character_.animations[size_t(index)]; }

    const AcsCharacter& character_;
    AgentClock& clock_;
    QRandomGenerator random_;
    QTimer timer_;
    bool autoAdvance_ = true;

    std::deque<int> queue_;
    Mode mode_ = Mode::Resting;
    int animation_ = -1;
    int frame_ = -1;
    qint64 nextStepMs_ = 0;
    int exitSteps_ = 0;
    // The animation last played to its end (or cut short) and the frame it rests on; left before the next
    // one.
    int restingAnimation_ = -1;
    int restingFrame_ = -1;
    int lastShownFrame_ = -1;
    // The resting animation is being left because a request cut it short.
    bool leavingEarly_ = false;
    Position displayed_;
    qint64 advanceNowMs_ = 0;

    // Animations a request ends early (looping or long ones), by index.
    std::vector<bool> endsEarly_;
    std::array<std::vector<int>, 3> idling_; // by level - 1
    std::vector<int> hiding_;
    bool idleOn_ = true;
    int idleLevel_ = 0;
    // The queue holds only the idling animation chosen, not a request.
    bool idleQueued_ = false;
    // The animation playing was chosen by idling.
    bool playingIdle_ = false;
    // The last request was a Hiding animation: no idling until the next one.
    bool hidden_ = false;
    // When the last request's animation ended; the idling level counts from here.
    qint64 requestEndedMs_ = 0;
    // When idling is next due while resting; none when it is off or the character is hidden.
    std::optional<qint64> nextIdleMs_;
};

} // namespace agent
