#include "StoreClock.h"

#include <QDeadlineTimer>
#include <QThread>

namespace settings {

namespace {

class SystemStoreClock final : public StoreClock
{
public:
    qint64 nowMs() const override { return QDeadlineTimer::current().deadline(); }
    void sleepMs(int ms) override { QThread::msleep(ulong(ms)); }
};

} // namespace

StoreClock& systemStoreClock()
{
    static SystemStoreClock clock;
    return clock;
}

} // namespace settings
