#pragma once

// fontconfig reads its configuration files and font caches on first use,
// about 3 ms of a start that shows its first text only later. Read on a
// thread of its own from the start's first statement, on another processor,
// it is ready when Qt first asks for a font, or nearly so.

#include <atomic>

#include <pthread.h>

namespace app {

class FontConfigurationRead
{
public:
    // Starts the read on a processor other than this thread's; with a single
    // processor there is nothing to gain and fontconfig is read when first used.
    FontConfigurationRead();
    ~FontConfigurationRead();
    FontConfigurationRead(const FontConfigurationRead&) = delete;
    FontConfigurationRead& operator=(const FontConfigurationRead&) = delete;

    // Call before the first font is asked for. Waits for a read under way; a
    // read that has not begun yet is not waited for: fontconfig is then read
    // by whichever thread comes first, and the other's read is dropped.
    void wait();

private:
    static void* read(void* self);
    void join();

    pthread_t reader_{};
    bool running_ = false;
    std::atomic<bool> begun_{false};
};

} // namespace app
