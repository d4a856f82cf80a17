#pragma once

// The text of the version notice: "Quorvix LAN Ver." followed by the major
// number, ".", the minor number and the revision with nothing between them
// (version 1.4.2 reads "Quorvix LAN Ver.1.42").

#include <QString>

namespace options {

QString versionNotice(int major, int minor, int revision);

// The notice for this build's own version (the project version given to CMake),
// followed by the store's location when that is a Wine prefix's registry.
QString programVersionNotice();

} // namespace options
