#pragma once

// Paints Pipwren, a small brown wren facing right, with QPainter shapes only:
// no bitmaps, no fonts, so the drawing is the same on every build.

#include "WrenPose.h"

#include <QImage>

namespace pipwren {

constexpr int kCanvasSize = 128;

// A transparent canvas with the bird in the given pose, antialiased.
QImage paintWren(const WrenPose& pose);

} // namespace pipwren
