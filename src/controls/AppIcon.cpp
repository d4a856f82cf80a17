#include "AppIcon.h"

namespace controls {

QIcon applicationIcon()
{
    // The sizes drawn from the icon's SVG when the program was built; the
    // pictures are read when a window first asks for one.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/quorvix/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace controls
