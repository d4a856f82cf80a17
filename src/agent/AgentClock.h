#pragma once

// The time source of the animation player. The player only asks what time it
// is; who calls AnimationPlayer::advance() and when is up to the owner, so a
// test can step a ManualClock and advance the player by hand.

#include <QElapsedTimer>
#include <QtGlobal>

namespace agent {

class AgentClock
{
public:
    virtual ~AgentClock() = default;
    virtual qint64 nowMs() const = 0;
};

// Monotonic milliseconds since construction.
class SteadyClock final : public AgentClock
{
public:
    SteadyClock() { timer_.start(); }
    qint64 nowMs() const override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

class ManualClock final : public AgentClock
{
public:
    qint64 nowMs() const override { return now_; }
    void advance(qint64 ms) { now_ += ms; }
    void setNow(qint64 ms) { now_ = ms; }

private:
    qint64 now_ = 0;
};

} // namespace agent
