#include "AnimationPlayer.h"

#include "AgentControl.h"

#include <algorithm>

namespace agent {

namespace {
// Sounds of frames that began this long before the player caught up are skipped,
// so a stalled event loop does not fire a burst of sounds at once.
constexpr qint64 kStaleSoundMs = 100;
} // namespace

AnimationPlayer::AnimationPlayer(const AcsCharacter& character, AgentClock& clock, QObject* parent)
    : QObject(parent), character_(character), clock_(clock), random_(QRandomGenerator::global()->generate())
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &AnimationPlayer::advance);
}

void AnimationPlayer::setAutoAdvance(bool enabled)
{
    autoAdvance_ = enabled;
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
    queue_.push_back(animationIndex);
    if (mode_ == Mode::Idle) {
        mode_ = Mode::Waiting;
        nextStepMs_ = clock_.nowMs();
        advance();
    }
}

void AnimationPlayer::show()
{
    std::vector<int> candidates;
    if (const AcsState* showing = character_.findState(QStringLiteral("Showing"))) {
        for (const QString& name : showing->animations) {
            const int index = character_.findAnimation(name);
            if (index >= 0)
                candidates.push_back(index);
        }
    }
    if (!candidates.empty()) {
        // A state may name several animations; the character then shows itself in any of them.
        play(candidates[size_t(random_.bounded(int(candidates.size())))]);
        return;
    }
    if (displayed_.isValid())
        return;
    for (size_t a = 0; a < character_.animations.size(); ++a) {
        const auto& frames = character_.animations[a].frames;
        for (size_t f = 0; f < frames.size(); ++f) {
            if (!frames[f].isInvisible()) {
                displayed_ = {int(a), int(f)};
                emit frameChanged(displayed_.animation, displayed_.frame);
                return;
            }
        }
    }
}

std::optional<qint64> AnimationPlayer::nextStepMs() const
{
    if (mode_ == Mode::Idle)
        return std::nullopt;
    return nextStepMs_;
}

void AnimationPlayer::advance()
{
    const qint64 now = clock_.nowMs();
    advanceNowMs_ = now;
    const Position before = displayed_;
    const bool wasIdle = mode_ == Mode::Idle;
    int instantSteps = 0;
    while (mode_ != Mode::Idle && nextStepMs_ <= now) {
        const qint64 stepAt = nextStepMs_;
        step();
        if (mode_ != Mode::Idle && nextStepMs_ == stepAt && ++instantSteps >= kMaxInstantSteps) {
            nextStepMs_ = now + kTickMs;
            break;
        }
    }
    if (displayed_ != before)
        emit frameChanged(displayed_.animation, displayed_.frame);
    if (!wasIdle && mode_ == Mode::Idle)
        emit becameIdle();
    scheduleTimer();
}

void AnimationPlayer::step()
{
    switch (mode_) {
    case Mode::Idle:
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
    if (queue_.empty())
        mode_ = Mode::Idle;
    else
        leaveOrStartNext(nextStepMs_);
}

void AnimationPlayer::leaveOrStartNext(qint64 atMs)
{
    const int resting = std::exchange(restingAnimation_, -1);
    if (resting >= 0 && restingFrame_ >= 0) {
        const AcsAnimation& left = animation(resting);
        if (left.transition == AcsTransition::ExitBranches) {
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
        lastShownFrame_ = -1;
        enterFrame(next, 0, atMs);
        return;
    }
    mode_ = Mode::Idle;
}

void AnimationPlayer::scheduleTimer()
{
    if (!autoAdvance_ || mode_ == Mode::Idle) {
        timer_.stop();
        return;
    }
    timer_.start(int(std::clamp<qint64>(nextStepMs_ - clock_.nowMs(), 0, 60000)));
}

} // namespace agent
