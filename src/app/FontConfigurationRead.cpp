#include "FontConfigurationRead.h"

#include <fontconfig/fontconfig.h>

namespace app {

FontConfigurationRead::FontConfigurationRead() : reader_([] { FcInit(); }) {}

FontConfigurationRead::~FontConfigurationRead()
{
    wait();
}

void FontConfigurationRead::wait()
{
    if (reader_.joinable())
        reader_.join();
}

} // namespace app
