#pragma once

// Pipwren, the program's own default character: its poses, animations,
// states and description, assembled into an AcsCharacter ready to write.

#include "AcsModel.h"

namespace pipwren {

AcsCharacter buildPipwren();

} // namespace pipwren
