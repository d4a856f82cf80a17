#pragma once

// How the program finds its data folder (the stand-in for the Windows
// directory), split from WindowsDirectory() so both layouts can be tested.

#include <QString>

namespace dialogs {

// The data folder for an executable in applicationDir: installedRelative
// resolved against applicationDir when that folder exists, otherwise
// buildDataDir when that exists, otherwise the installed location anyway, so
// that a missing installation shows up as a missing file under the expected
// folder rather than somewhere surprising. Never ends with a separator.
QString dataDirectoryFor(const QString& applicationDir, const QString& installedRelative,
                         const QString& buildDataDir);

} // namespace dialogs
