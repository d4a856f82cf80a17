#include "BusyNotice.h"

namespace settings {

namespace {
BusyIndicator& busyIndicator()
{
    static BusyIndicator indicator;
    return indicator;
}
} // namespace

void SetBusyIndicator(BusyIndicator indicator)
{
    busyIndicator() = std::move(indicator);
}

BusyNotice::BusyNotice()
{
    if (const BusyIndicator& indicator = busyIndicator())
        indicator(true);
}

BusyNotice::~BusyNotice()
{
    if (const BusyIndicator& indicator = busyIndicator())
        indicator(false);
}

} // namespace settings
