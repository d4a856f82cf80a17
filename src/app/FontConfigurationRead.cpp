#include "FontConfigurationRead.h"

#include <fontconfig/fontconfig.h>

#include <sched.h>

namespace app {

namespace {

// A processor this process may run on other than the one running it now, or
// -1. Linux tends to queue a new thread behind its creator on the creator's
// processor, where the read would wait until the start blocks.
int anotherProcessor()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return -1;
    const int here = sched_getcpu();
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (cpu != here && CPU_ISSET(cpu, &allowed))
            return cpu;
    }
    return -1;
}

} // namespace

FontConfigurationRead::FontConfigurationRead()
{
    const int cpu = anotherProcessor();
    if (cpu < 0)
        return;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return;
    cpu_set_t there;
    CPU_ZERO(&there);
    CPU_SET(cpu, &there);
    running_ = pthread_attr_setaffinity_np(&attributes, sizeof there, &there) == 0 &&
               pthread_create(&reader_, &attributes, &FontConfigurationRead::read, this) == 0;
    pthread_attr_destroy(&attributes);
}

FontConfigurationRead::~FontConfigurationRead()
{
    join();
}

void FontConfigurationRead::wait()
{
    if (begun_.load(std::memory_order_acquire))
        join();
}

void* FontConfigurationRead::read(void* self)
{
    static_cast<FontConfigurationRead*>(self)->begun_.store(true, std::memory_order_release);
    FcInit();
    return nullptr;
}

void FontConfigurationRead::join()
{
    if (running_) {
        pthread_join(reader_, nullptr);
        running_ = false;
    }
}

} // namespace app
