#pragma once

// Beside a running wineserver each registry call of the helper is a round
// trip to that server, one per value. With the helper and the server on two
// CPUs every trip wakes an idle CPU twice (in a virtual machine an exit to
// the host each way): reading a key of 8,000 values took 420 ms so, against
// 70 ms with both on one CPU. Linux puts a woken task on an idle CPU rather
// than beside the one that woke it, so only pinning keeps them together.
//
// While a SharedCpu lives, the server runs on one CPU, the one it last ran
// on or the one asked for; the helper is started on it (or already runs
// there). Its own CPU set is given back at the end: the server belongs to
// the mail checker's Wine, so nothing of it outlasts the call.

#include <sys/types.h>

#include <sched.h>

namespace settings {

class SharedCpu
{
public:
    // Pins the server's threads to cpu (-1: the CPU it last ran on) when
    // that CPU is one the server and this program may both use. Nothing is
    // pinned for no server (0), on a single CPU, or for a server of another
    // user.
    SharedCpu(pid_t server, int cpu = -1);
    ~SharedCpu();
    SharedCpu(const SharedCpu&) = delete;
    SharedCpu& operator=(const SharedCpu&) = delete;

    // The CPU both run on, -1 when nothing was pinned.
    int cpu() const { return cpu_; }

    // Pins the calling thread, and what it starts, to cpu (a child process
    // calls it before exec; only system calls, so that is safe there).
    static void pinCallingThread(int cpu);

    // A helper is started on the CPU now. What Wine starts from it inherits
    // the pin (the session's services, when none ran yet); at the end those
    // processes get this program's CPU set, which they would have had. The
    // helper itself, kept for later calls, stays.
    void helperStarting() { helperStartedAt_ = bootTicks(); }
    void helperStarted(pid_t helper) { helper_ = helper; }

private:
    static long long bootTicks();
    void releaseWineProcessesStartedSince(long long ticks) const;

    long long helperStartedAt_ = -1;
    pid_t helper_ = 0;
    pid_t server_ = 0;
    int serverHandle_ = -1; // a pidfd: the set is given back to this process only
    int cpu_ = -1;
    cpu_set_t saved_{};
};

} // namespace settings
