#pragma once

// Conversions between twips (1/1440 inch, the unit the windows' sizes and the
// agent's stored position are given in) and the screen's logical pixels.

#include <QRect>

namespace controls {

// Twips per logical pixel of the primary screen (15 at 96 DPI).
double twipsPerPixelX();
double twipsPerPixelY();

int twipsToPixelsX(int twips);
int twipsToPixelsY(int twips);
double pixelsToTwipsX(double pixels);
double pixelsToTwipsY(double pixels);

// A rectangle given in twips, in logical pixels.
QRect twipsRect(int x, int y, int width, int height);

// Size of the primary screen in twips.
double screenWidthTwips();
double screenHeightTwips();

} // namespace controls
