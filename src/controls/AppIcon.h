#pragma once

// The program's own icon at the sizes window managers ask for, from the
// pictures drawn when the program was built.

#include <QIcon>

namespace controls {

QIcon applicationIcon();

} // namespace controls
