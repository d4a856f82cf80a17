#include "StoreWorker.h"

#include <QThread>

namespace settings {

namespace {
CallWaiter& callWaiter()
{
    static CallWaiter waiter;
    return waiter;
}
} // namespace

bool PendingCall::finished() const
{
    const std::lock_guard lock(mutex_);
    return finished_;
}

void PendingCall::onFinished(std::function<void()> wake)
{
    const std::lock_guard lock(mutex_);
    if (finished_ && wake)
        wake();
    else
        wake_ = std::move(wake);
}

void PendingCall::giveUp()
{
    if (abort_)
        abort_();
}

void PendingCall::waitBlocking()
{
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return finished_; });
}

// The wake runs under the lock, so the waiting thread, which unregisters it
// under the same lock before it goes on, never sees it run afterwards.
void PendingCall::finish()
{
    const std::lock_guard lock(mutex_);
    finished_ = true;
    if (wake_)
        std::exchange(wake_, {})();
    ended_.notify_all();
}

void SetCallWaiter(CallWaiter waiter)
{
    callWaiter() = std::move(waiter);
}

StoreWorker::StoreWorker() = default;

StoreWorker::~StoreWorker()
{
    if (!thread_)
        return;
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    queued_.notify_all();
    thread_->wait();
}

void StoreWorker::run(const std::function<void()>& work, std::function<void()> abort)
{
    PendingCall call(std::move(abort));
    post([&] {
        work();
        call.finish();
    });
    if (const CallWaiter& waiter = callWaiter())
        waiter(call);
    call.waitBlocking(); // a waiter returns only then; this makes it certain
}

void StoreWorker::runBlocking(const std::function<void()>& work)
{
    PendingCall call({});
    post([&] {
        work();
        call.finish();
    });
    call.waitBlocking();
}

void StoreWorker::post(std::function<void()> job)
{
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    queued_.notify_one();
    // A QThread rather than a bare one: QProcess needs the event dispatcher
    // that QThread gives every thread it starts, even one that never runs
    // its event loop (the helper is driven by QProcess's waitFor calls).
    if (!thread_) {
        thread_.reset(QThread::create([this] { serve(); }));
        thread_->setObjectName(QStringLiteral("store worker"));
        thread_->start();
    }
}

void StoreWorker::serve()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace settings
