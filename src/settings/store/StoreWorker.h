#pragma once

// The thread on which a backend that runs other programs (Wine) does its
// calls, so that a program that does not answer never stops the thread that
// asked: that thread waits through the installed CallWaiter, which in the
// program keeps the windows drawn, refuses their input and lets the user
// give up (dialogs::installStoreCallWait). Without a waiter it simply blocks.
//
// One long-lived thread per store: a helper process that a call leaves
// running belongs to the thread that started it, and the next call must be
// made from there.

#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

namespace settings {

// A call on the worker thread as the waiting thread sees it.
class PendingCall
{
public:
    explicit PendingCall(std::function<void()> abort) : abort_(std::move(abort)) {}
    PendingCall(const PendingCall&) = delete;
    PendingCall& operator=(const PendingCall&) = delete;

    bool finished() const;
    // wake runs once the call has ended (at once when it has), on the
    // worker thread, so it may only post to the waiting thread. An empty
    // function unregisters; after that wake is not run any more.
    void onFinished(std::function<void()> wake);
    // Asks the call to end now; it then fails. From the waiting thread.
    void giveUp();
    // Blocks the calling thread until the call has ended.
    void waitBlocking();

    // The worker's side.
    void finish();

private:
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    std::function<void()> wake_;
    std::function<void()> abort_;
};

// How the asking thread waits for a call; returns once call.finished().
using CallWaiter = std::function<void(PendingCall& call)>;
// Installs waiter for every later call; an empty one makes calls block.
void SetCallWaiter(CallWaiter waiter);

class StoreWorker
{
public:
    StoreWorker();
    ~StoreWorker();
    StoreWorker(const StoreWorker&) = delete;
    StoreWorker& operator=(const StoreWorker&) = delete;

    // Runs work on the worker thread and returns when it has run, waiting
    // through the installed waiter; abort (thread-safe) is what giving up
    // calls, and must make work return soon.
    void run(const std::function<void()>& work, std::function<void()> abort);
    // Runs work there with the calling thread blocked: for what must not
    // meet the user (ending a helper when the store goes).
    void runBlocking(const std::function<void()>& work);
    // Queues work and returns at once; a later run() waits for it too, since
    // the jobs run in turn.
    void start(std::function<void()> work) { post(std::move(work)); }

private:
    void post(std::function<void()> job);
    void serve();

    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> jobs_;
    bool ending_ = false;
    std::unique_ptr<QThread> thread_;
};

} // namespace settings
