#pragma once

// The program from its first statement to its event loop: the display
// checked, the application set up, the one window per store claimed, the
// options window shown. main() is nothing but this, and the start-up
// benchmark runs this very sequence, so what it measures is the program.

#include <functional>

class optionform;

namespace app {

// What a caller that measures the start is told on the way; the program
// itself passes none of it.
struct StartWatch
{
    // After each step, with the step's name.
    std::function<void(const char* step)> stepDone;
    // Before the window is made: false ends the start with code 2.
    std::function<bool()> mayOpenWindow;
    // The window is shown; the event loop comes next.
    std::function<void(optionform& form)> windowShown;
};

// Returns the program's exit code.
int runProgram(int argc, char** argv, const StartWatch& watch = {});

} // namespace app
