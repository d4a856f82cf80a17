#pragma once

// fontconfig reads its configuration files and font caches on first use,
// about 3 ms of a start that shows its first text only later. Read on a
// thread of its own from the start's first statement, it is ready when Qt
// first asks for a font: under X that read overlaps Qt's own round trips
// with the server.

#include <thread>

namespace app {

class FontConfigurationRead
{
public:
    FontConfigurationRead();
    // Waits for the read: fontconfig must not be read twice at once (a
    // second reader reads it all again instead of waiting).
    ~FontConfigurationRead();
    FontConfigurationRead(const FontConfigurationRead&) = delete;
    FontConfigurationRead& operator=(const FontConfigurationRead&) = delete;

    // Returns once fontconfig is set up; call before the first font is asked for.
    void wait();

private:
    std::thread reader_;
};

} // namespace app
