#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace controls {

namespace {

constexpr double kTwipsPerInch = 1440.0;
// What a screen without a known resolution is taken to have.
constexpr double kFallbackDpi = 96.0;

double logicalDpiX()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->logicalDotsPerInchX() > 0 ? screen->logicalDotsPerInchX() : kFallbackDpi;
}

double logicalDpiY()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->logicalDotsPerInchY() > 0 ? screen->logicalDotsPerInchY() : kFallbackDpi;
}

} // namespace

double twipsPerPixelX()
{
    return kTwipsPerInch / logicalDpiX();
}
double twipsPerPixelY()
{
    return kTwipsPerInch / logicalDpiY();
}

int twipsToPixelsX(int twips)
{
    return qRound(twips / twipsPerPixelX());
}
int twipsToPixelsY(int twips)
{
    return qRound(twips / twipsPerPixelY());
}
double pixelsToTwipsX(double pixels)
{
    return pixels * twipsPerPixelX();
}
double pixelsToTwipsY(double pixels)
{
    return pixels * twipsPerPixelY();
}

QRect twipsRect(int x, int y, int width, int height)
{
    return QRect(twipsToPixelsX(x), twipsToPixelsY(y), twipsToPixelsX(width), twipsToPixelsY(height));
}

double screenWidthTwips()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? pixelsToTwipsX(screen->geometry().width()) : 0.0;
}

double screenHeightTwips()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? pixelsToTwipsY(screen->geometry().height()) : 0.0;
}

} // namespace controls
