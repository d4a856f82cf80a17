#pragma once

// How the program waits for a store call that runs Wine (settings::
// StoreWorker): the call runs on the store's thread while this thread turns
// a local event loop, so the windows keep drawing and the character goes on
// moving, but every window refuses the user's input and shows the busy
// pointer. When no window is on screen yet (the read at start) a notice
// says what the program waits for. A call that has not answered after a
// while asks the user whether to wait or give up; giving up ends the call,
// which then fails like a refused read or write.

#include <chrono>

namespace dialogs {

struct StoreCallWaitTimes
{
    // When the notice comes up while no window of the program is shown.
    std::chrono::milliseconds notice{1000};
    // When the user is asked, and asked again after choosing to wait.
    std::chrono::milliseconds question{10'000};
};

// Makes every later store call wait this way.
void installStoreCallWait(StoreCallWaitTimes times = {});

// The question's two answers, as its buttons say them.
inline constexpr char16_t kWaitAnswer[] = u"待つ";
inline constexpr char16_t kGiveUpAnswer[] = u"中止";

} // namespace dialogs
