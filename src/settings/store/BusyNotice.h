#pragma once

// The store's way to let the user see that an action waits for another
// program (Wine can take half a second, more on a prefix it must update).
// The settings layer has no pointer of its own; the application installs one
// that shows the busy pointer, and the store brackets each wait with a
// BusyNotice.

#include <functional>

namespace settings {

// Called with true before a wait and with false after it, in pairs.
using BusyIndicator = std::function<void(bool busy)>;
void SetBusyIndicator(BusyIndicator indicator);

class BusyNotice
{
public:
    BusyNotice();
    ~BusyNotice();
    BusyNotice(const BusyNotice&) = delete;
    BusyNotice& operator=(const BusyNotice&) = delete;
};

} // namespace settings
