#pragma once

// A picture of every frame of a character, one row per animation, composed
// the way a player draws them; for looking at the art while working on it.

#include "AcsModel.h"

#include <QImage>

namespace pipwren {

// The frame as a player shows it: images painted last to first, clipped.
QImage composeFrame(const AcsCharacter& character, const Frame& frame);

QImage contactSheet(const AcsCharacter& character);

} // namespace pipwren
