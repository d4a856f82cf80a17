#include "AnimationPlayer.h"

#include "AgentError.h"

#include <algorithm>

namespace agent {

namespace {
// Sounds of frames that began this long before the player caught up are skipped,
// so a stalled event loop does not fire a burst of sounds at once.
constexpr qint64 kStaleSoundMs = 100;

// Whether a request should cut the animation short rather than wait for its
// end: it can loop (a branch back to itself or an earlier frame) or it is long.
bool endsEarlyOnRequest(const AcsAnimation& animation)
{
    qint64 totalMs = 0;
    for (size_t f = 0; f < animation.frames.size(); ++f) {
        totalMs += qint64(animation.frames[f].duration) * 10;
        for (const AcsBranch& branch : animation.frames[f].branches)
            if (branch.frame <= f)
                return true;
    }
    return totalMs > AnimationPlayer::kLongAnimationMs;
}
} // namespace

AnimationPlayer::AnimationPlayer(const AcsCharacter& character, AgentClock& clock, QObject* parent)
    : QObject(parent), character_(character), clock_(clock), random_(QRandomGenerator::global()->generate())
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &AnimationPlayer::advance);
    for (const AcsAnimation& a : character_.animations)
        endsEarly_.push_back(endsEarlyOnRequest(a));
    for (size_t level = 0; level < idling_.size(); ++level)
        idling_[level] = stateAnimations(QStringLiteral("IdlingLevel%1").arg(level + 1));
    hiding_ = stateAnimations(QStringLiteral("Hiding"));
}

std::vector<int> AnimationPlayer::stateAnimations(const QString& state) const
{
    std::vector<int> found;
    if (const AcsState* listed = character_.findState(state)) {
        for (const QString& name : listed->animations) {
            const int index = character_.findAnimation(name);
            if (index >= 0 && !animation(index).frames.empty())
                found.push_back(index);
        }
    }
    return found;
}

std::vector<int> AnimationPlayer::idlingAnimations() const
{
    std::vector<int> all;
    for (const std::vector<int>& level : idling_)
        all.insert(all.end(), level.begin(), level.end());
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

void AnimationPlayer::excludeFromIdling(int animationIndex)
{
    for (std::vector<int>& level : idling_)
        level.erase(std::remove(level.begin(), level.end(), animationIndex), level.end());
}

void AnimationPlayer::setAutoAdvance(bool enabled)
{
    autoAdvance_ = enabled;
    scheduleTimer();
}

void AnimationPlayer::setIdleOn(bool on)
{
    idleOn_ = on;
    if (!on) {
        nextIdleMs_.reset();
        if (idleQueued_) {
            queue_.clear();
            idleQueued_ = false;
        }
        if (mode_ == Mode::Playing && playingIdle_) {
            endEarly(clock_.nowMs());
            advance();
        }
    } else if (mode_ == Mode::Resting && !nextIdleMs_) {
        scheduleIdling(clock_.nowMs() + kIdleTimeoutMs);
    }
    scheduleTimer();
}

void AnimationPlayer::play(const QString& name)
{
    const int index = character_.findAnimation(name);
    if (index < 0)
        throw AgentError(
            QStringLiteral("%1: the character has no animation named \"%2\"").arg(character_.fileName, name));
    play(index);
}

void AnimationPlayer::play(int animationIndex)
{
    if (animationIndex < 0 || size_t(animationIndex) >= character_.animations.size())
        throw AgentError(
            QStringLiteral("%1: animation %2 does not exist").arg(character_.fileName).arg(animationIndex));
    // A request ends idling: an idling animation not yet started is dropped.
    if (idleQueued_) {
        queue_.clear();
        idleQueued_ = false;
    }
    idleLevel_ = 0;
    nextIdleMs_.reset();
    queue_.push_back(animationIndex);
    if (mode_ == Mode::Resting) {
        mode_ = Mode::Waiting;
        nextStepMs_ = clock_.nowMs();
    } else if (mode_ == Mode::Playing && (playingIdle_ || endsEarly_[size_t(animation_)])) {
        endEarly(clock_.nowMs());
    } else {
        return;
    }
    advance();
}

void AnimationPlayer::show()
{
    const std::vector<int> showing = stateAnimations(QStringLiteral("Showing"));
    if (!showing.empty()) {
        // A state may name several animations; the character then shows itself in any of them.
        play(showing[size_t(random_.bounded(int(showing.size())))]);
        return;
    }
    if (displayed_.isValid() || mode_ != Mode::Resting)
        return;
    for (size_t a = 0; a < character_.animations.size(); ++a) {
        const auto& frames = character_.animations[a].frames;
        for (size_t f = 0; f < frames.size(); ++f) {
            if (!frames[f].isInvisible()) {
                displayed_ = {int(a), int(f)};
                emit frameChanged(displayed_.animation, displayed_.frame);
                // Showing counts as a request: idling starts from here.
                idleLevel_ = 0;
                hidden_ = false;
                requestEndedMs_ = clock_.nowMs();
                scheduleIdling(requestEndedMs_ + kIdleTimeoutMs);
                scheduleTimer();
                return;
            }
        }
    }
}

std::optional<qint64> AnimationPlayer::nextStepMs() const
{
    if (mode_ == Mode::Resting)
        return nextIdleMs_;
    return nextStepMs_;
}

void AnimationPlayer::advance()
{
    const qint64 now = clock_.nowMs();
    advanceNowMs_ = now;
    const Position before = displayed_;
    const bool wasResting = mode_ == Mode::Resting;
    int instantSteps = 0;
    while (true) {
        if (mode_ == Mode::Resting) {
            if (!nextIdleMs_ || *nextIdleMs_ > now)
                break;
            startIdling();
            continue;
        }
        if (nextStepMs_ > now)
            break;
        const qint64 stepAt = nextStepMs_;
        step();
        if (mode_ != Mode::Resting && nextStepMs_ == stepAt && ++instantSteps >= kMaxInstantSteps) {
            nextStepMs_ = now + kTickMs;
            break;
        }
    }
    if (displayed_ != before)
        emit frameChanged(displayed_.animation, displayed_.frame);
    if (!wasResting && mode_ == Mode::Resting)
        emit cameToRest();
    scheduleTimer();
}

void AnimationPlayer::step()
{
    switch (mode_) {
    case Mode::Resting:
        return;
    case Mode::Waiting:
        leaveOrStartNext(nextStepMs_);
        return;
    case Mode::Playing:
    case Mode::Returning: {
        const AcsAnimation& current = animation(animation_);
        // A return animation must end, so it never loops.
        const bool allowLoops = mode_ == Mode::Playing && queue_.empty();
        const int next = chooseNextFrame(current.frames[size_t(frame_)], frame_, allowLoops);
        if (size_t(next) < current.frames.size())
            enterFrame(animation_, next, nextStepMs_);
        else if (mode_ == Mode::Playing)
            finishAnimation();
        else
            startNext(nextStepMs_);
        return;
    }
    case Mode::Exiting: {
        const AcsAnimation& current = animation(animation_);
        const qint16 exit = current.frames[size_t(frame_)].exitBranch;
        // An exit path longer than the animation is a cycle in a damaged file.
        const bool cycling = ++exitSteps_ > int(current.frames.size()) + 1;
        const int next = exit >= 0 ? exit : frame_ + 1; // without an exit branch, carry on frame by frame
        if (exit == AcsFrame::ExitEnds || cycling || size_t(next) >= current.frames.size())
            startNext(nextStepMs_);
        else
            enterFrame(animation_, next, nextStepMs_);
        return;
    }
    }
}

int AnimationPlayer::chooseNextFrame(const AcsFrame& frame, int current, bool allowLoops)
{
    if (!frame.branches.empty()) {
        const int draw = int(random_.bounded(100));
        int sum = 0;
        for (const AcsBranch& branch : frame.branches) {
            sum += branch.probability;
            if (sum > draw) {
                if (allowLoops || branch.frame > current)
                    return branch.frame;
                break;
            }
        }
    }
    return current + 1;
}

void AnimationPlayer::enterFrame(int animationIndex, int frameIndex, qint64 startMs)
{
    animation_ = animationIndex;
    frame_ = frameIndex;
    const AcsFrame& frame = animation(animationIndex).frames[size_t(frameIndex)];
    nextStepMs_ = startMs + qint64(frame.duration) * 10;
    if (frame.isInvisible())
        return;
    displayed_ = {animationIndex, frameIndex};
    lastShownFrame_ = frameIndex;
    emit frameStarted(animationIndex, frameIndex, startMs);
    if (frame.soundIndex != AcsFrame::NoSound && startMs >= advanceNowMs_ - kStaleSoundMs)
        emit soundStarted(frame.soundIndex);
}

void AnimationPlayer::finishAnimation()
{
    restingAnimation_ = animation_;
    restingFrame_ = lastShownFrame_;
    if (!queue_.empty()) {
        leaveOrStartNext(nextStepMs_);
        return;
    }
    mode_ = Mode::Resting;
    if (playingIdle_) {
        scheduleIdling(nextStepMs_ + kIdleIntervalMinMs +
                       random_.bounded(int(kIdleIntervalMaxMs - kIdleIntervalMinMs + 1)));
        return;
    }
    requestEndedMs_ = nextStepMs_;
    hidden_ = std::find(hiding_.begin(), hiding_.end(), animation_) != hiding_.end();
    scheduleIdling(requestEndedMs_ + kIdleTimeoutMs);
}

void AnimationPlayer::endEarly(qint64 atMs)
{
    restingAnimation_ = animation_;
    restingFrame_ = lastShownFrame_;
    leavingEarly_ = true;
    mode_ = Mode::Waiting;
    nextStepMs_ = atMs; // cut the frame on view short
}

void AnimationPlayer::leaveOrStartNext(qint64 atMs)
{
    const int resting = std::exchange(restingAnimation_, -1);
    const bool early = std::exchange(leavingEarly_, false);
    if (resting >= 0 && restingFrame_ >= 0) {
        const AcsAnimation& left = animation(resting);
        // An animation cut short leaves through its exit branches whatever its type, where it has them.
        if (left.transition == AcsTransition::ExitBranches ||
            (early && left.frames[size_t(restingFrame_)].exitBranch >= 0)) {
            mode_ = Mode::Exiting;
            animation_ = resting;
            frame_ = restingFrame_;
            exitSteps_ = 0;
            nextStepMs_ = atMs; // the resting frame has been on view long enough
            return;
        }
        if (left.transition == AcsTransition::ReturnAnimation) {
            const int back = character_.findAnimation(left.returnAnimation);
            if (back >= 0 && !animation(back).frames.empty()) {
                mode_ = Mode::Returning;
                enterFrame(back, 0, atMs);
                return;
            }
        }
    }
    startNext(atMs);
}

void AnimationPlayer::startNext(qint64 atMs)
{
    while (!queue_.empty()) {
        const int next = queue_.front();
        queue_.pop_front();
        if (animation(next).frames.empty())
            continue;
        mode_ = Mode::Playing;
        playingIdle_ = std::exchange(idleQueued_, false);
        lastShownFrame_ = -1;
        emit animationStarted(next);
        enterFrame(next, 0, atMs);
        return;
    }
    // Nothing to play: the pose was left for idling, but no idling animation was due.
    idleQueued_ = false;
    playingIdle_ = false;
    mode_ = Mode::Resting;
    const bool canIdle =
        std::any_of(idling_.begin(), idling_.end(), [](const auto& l) { return !l.empty(); });
    if (canIdle)
        scheduleIdling(atMs + kIdleIntervalMinMs);
    else
        nextIdleMs_.reset();
}

void AnimationPlayer::startIdling()
{
    const qint64 atMs = *nextIdleMs_;
    nextIdleMs_.reset();
    const qint64 restedMs = atMs - requestEndedMs_;
    idleLevel_ = restedMs >= kIdleLevel3AfterMs ? 3 : restedMs >= kIdleLevel2AfterMs ? 2 : 1;
    // A level the character lacks borrows the animations of the level below.
    for (int level = idleLevel_; level >= 1; --level) {
        const std::vector<int>& choices = idling_[size_t(level - 1)];
        if (!choices.empty()) {
            queue_.push_back(choices[size_t(random_.bounded(int(choices.size())))]);
            idleQueued_ = true;
            break;
        }
    }
    // The pose is left first, as before a request.
    mode_ = Mode::Waiting;
    nextStepMs_ = atMs;
}

void AnimationPlayer::scheduleIdling(qint64 atMs)
{
    if (idleOn_ && !hidden_)
        nextIdleMs_ = atMs;
    else
        nextIdleMs_.reset();
}

void AnimationPlayer::scheduleTimer()
{
    const std::optional<qint64> due = nextStepMs();
    if (!autoAdvance_ || !due) {
        timer_.stop();
        return;
    }
    timer_.start(int(std::clamp<qint64>(*due - clock_.nowMs(), 0, 60000)));
}

} // namespace agent
