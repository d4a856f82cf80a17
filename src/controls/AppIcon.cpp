#include "AppIcon.h"

#include <QImageReader>
#include <QPixmap>

namespace controls {

QIcon applicationIcon()
{
    // The sizes drawn from the icon's SVG when the program was built. Told
    // the format and not to guess it, Qt reads them without loading every
    // image plugin (and the SVG library with one of them).
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImageReader reader(QStringLiteral(":/quorvix/icons/%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

} // namespace controls
