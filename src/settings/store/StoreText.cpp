#include "StoreText.h"

namespace settings {

bool FitsOnAStoreLine(QStringView text)
{
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\0')
            return false;
    }
    return true;
}

} // namespace settings
