#include "SharedCpu.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace settings {

namespace {

// Field number field (counted from 1, as proc(5) does) of /proc/PID/stat;
// -1 when there is none. The command name, field 2, may hold spaces: the
// fields after it are counted from its closing parenthesis.
long long statField(pid_t process, int field)
{
    const std::string path = "/proc/" + std::to_string(process) + "/stat";
    FILE* file = std::fopen(path.c_str(), "re");
    if (!file)
        return -1;
    char line[1024];
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    const char* at = read ? std::strrchr(line, ')') : nullptr;
    for (int skipped = 2; skipped < field && at; ++skipped)
        at = std::strchr(at + 1, ' ');
    return at ? std::atoll(at + 1) : -1;
}

// The CPU the process last ran on, and when it started (clock ticks since boot).
int lastCpuOf(pid_t process)
{
    return int(statField(process, 39));
}

long long startTicksOf(pid_t process)
{
    return statField(process, 22);
}

std::vector<pid_t> threadsOf(pid_t process)
{
    std::vector<pid_t> threads;
    const std::string path = "/proc/" + std::to_string(process) + "/task";
    DIR* folder = ::opendir(path.c_str());
    if (!folder)
        return {process};
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_name[0] >= '0' && entry->d_name[0] <= '9')
            threads.push_back(pid_t(std::atoi(entry->d_name)));
    }
    ::closedir(folder);
    return threads;
}

// By system call: glibc 2.36's <sys/pidfd.h> declares them without C linkage.
int openProcessHandle(pid_t process)
{
    return int(::syscall(SYS_pidfd_open, process, 0));
}

bool processIsThere(int handle)
{
    return ::syscall(SYS_pidfd_send_signal, handle, 0, nullptr, 0) == 0;
}

// The server's last CPU, unless this program's main thread (the window, which
// goes on drawing meanwhile) ran there last: then another one both may use.
int cpuBeside(pid_t server, const cpu_set_t& servers, const cpu_set_t& ours)
{
    const int last = lastCpuOf(server);
    const int window = lastCpuOf(::getpid());
    if (last != window)
        return last;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (cpu != window && CPU_ISSET(cpu, &servers) && CPU_ISSET(cpu, &ours))
            return cpu;
    }
    return last;
}

cpu_set_t onlyCpu(int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return set;
}

} // namespace

SharedCpu::SharedCpu(pid_t server, int cpu)
{
    if (server <= 0 || ::sched_getaffinity(server, sizeof saved_, &saved_) != 0)
        return;
    cpu_set_t ours;
    if (::sched_getaffinity(0, sizeof ours, &ours) != 0 || CPU_COUNT(&ours) < 2)
        return;
    if (cpu < 0)
        cpu = cpuBeside(server, saved_, ours);
    if (cpu < 0 || cpu >= CPU_SETSIZE || !CPU_ISSET(cpu, &saved_) || !CPU_ISSET(cpu, &ours))
        return;
    if (CPU_COUNT(&saved_) == 1) {
        cpu_ = cpu; // it runs there anyway: nothing to give back
        return;
    }
    serverHandle_ = openProcessHandle(server);
    if (serverHandle_ < 0)
        return;
    const cpu_set_t one = onlyCpu(cpu);
    for (const pid_t thread : threadsOf(server)) {
        // The first thread is the server itself: refused (another user's
        // server), nothing is pinned; a thread that ended meanwhile is no loss.
        if (::sched_setaffinity(thread, sizeof one, &one) != 0 && thread == server) {
            ::close(serverHandle_);
            serverHandle_ = -1;
            return;
        }
    }
    server_ = server;
    cpu_ = cpu;
}

SharedCpu::~SharedCpu()
{
    if (cpu_ >= 0 && helperStartedAt_ >= 0)
        releaseWineProcessesStartedSince(helperStartedAt_);
    if (serverHandle_ < 0)
        return;
    // Only while it is the same process: its number may have been given to
    // another one once it ended.
    if (processIsThere(serverHandle_)) {
        for (const pid_t thread : threadsOf(server_))
            ::sched_setaffinity(thread, sizeof saved_, &saved_);
    }
    ::close(serverHandle_);
}

long long SharedCpu::bootTicks()
{
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const long long perSecond = ::sysconf(_SC_CLK_TCK);
    return now.tv_sec * perSecond + now.tv_nsec / (1'000'000'000 / perSecond);
}

// This user's Wine processes started since ticks (the 22nd field of their
// stat, in clock ticks since boot) and pinned to exactly our CPU.
void SharedCpu::releaseWineProcessesStartedSince(long long ticks) const
{
    cpu_set_t ours;
    if (::sched_getaffinity(0, sizeof ours, &ours) != 0)
        return;
    const cpu_set_t pinned = onlyCpu(cpu_);
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return;
    while (const dirent* entry = ::readdir(processes)) {
        const pid_t process = pid_t(std::atoi(entry->d_name));
        if (process <= 0 || process == helper_ || process == server_ || process == ::getpid())
            continue;
        const std::string folder = std::string("/proc/") + entry->d_name;
        struct stat info
        {};
        if (::stat(folder.c_str(), &info) != 0 || info.st_uid != ::getuid())
            continue;
        cpu_set_t set;
        if (::sched_getaffinity(process, sizeof set, &set) != 0 || !CPU_EQUAL(&set, &pinned))
            continue;
        if (startTicksOf(process) < ticks - 1) // a tick's rounding either way
            continue;
        char exe[512];
        const ssize_t length = ::readlink((folder + "/exe").c_str(), exe, sizeof exe - 1);
        if (length <= 0)
            continue;
        exe[length] = 0;
        if (!std::strstr(exe, "wine"))
            continue;
        for (const pid_t thread : threadsOf(process))
            ::sched_setaffinity(thread, sizeof ours, &ours);
    }
    ::closedir(processes);
}

void SharedCpu::pinCallingThread(int cpu)
{
    if (cpu < 0)
        return;
    const cpu_set_t one = onlyCpu(cpu);
    ::sched_setaffinity(0, sizeof one, &one);
}

} // namespace settings
