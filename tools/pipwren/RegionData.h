#pragma once

// Region data for a character image: a Win32 RGNDATA whose rectangles cover
// exactly the pixels that are not transparent, so the region can shape the
// character's window and answer hit tests.

#include "AcsModel.h"

#include <QByteArray>
#include <QRect>

namespace pipwren {

// Rectangles in top-down image coordinates, banded the way Windows stores
// regions: rows with the same runs share one band.
QList<QRect> opaqueRectangles(const IndexedImage& image, quint8 transparentIndex);

QByteArray regionData(const IndexedImage& image, quint8 transparentIndex);

} // namespace pipwren
