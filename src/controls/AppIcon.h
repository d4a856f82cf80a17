#pragma once

// The program's own icon, drawn from the SVG built into the library at the
// sizes window managers ask for.

#include <QIcon>

namespace controls {

QIcon applicationIcon();

} // namespace controls
