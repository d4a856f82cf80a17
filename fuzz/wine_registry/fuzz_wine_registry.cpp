// Any bytes must read as user.reg without failing.

#include "WineRegistryText.h"

#include <cstdint>

using namespace settings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadUserRegKey(QByteArrayView(data, qsizetype(size)), kMailCheckerKey);
    return 0;
}
