#pragma once

// The time the store policy waits by, put in from outside so that its
// waits can be stepped in tests.

#include <QtGlobal>

namespace settings {

class StoreClock
{
public:
    virtual ~StoreClock() = default;
    virtual qint64 nowMs() const = 0;
    virtual void sleepMs(int ms) = 0;
};

// The monotonic clock; sleeps block the calling thread.
StoreClock& systemStoreClock();

} // namespace settings
