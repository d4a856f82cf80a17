#pragma once

// What this program needs to know of a Wine prefix without starting Wine:
// whether it is a prefix at all, whether a wineserver of it runs, and how a
// Windows path of its programs names a file here.
//
// No function here creates or changes anything in the prefix; any `wine`
// call on a folder that is not yet a prefix would silently build one there.

#include <QString>

namespace settings {

// A prefix Wine has set up: its system.reg and user.reg exist.
bool IsWinePrefix(const QString& prefix);
QString UserRegOf(const QString& prefix);

enum class WineServerState { Stopped, Running, Unknown };

// Whether a wineserver of the prefix runs, from the lock the server holds
// for its whole life in its folder (upstream Wine: /tmp/.wine-<uid>; Debian's
// Wine: the folder the prefix's file "wineserver" names). Unknown when a
// lock file cannot be probed.
WineServerState ProbeWineServer(const QString& prefix);

// A drive path such as C:\windows or z:/home: a letter, a colon, then a
// separator or nothing.
bool IsWindowsDrivePath(const QString& path);

// The file a drive path names as Wine finds it: the drive through the
// prefix's dosdevices (c: is usually drive_c, z: the root), each name
// matched without regard to case where the exact name is not there, and
// what matches nothing taken as written. "" when path is no drive path.
QString WindowsPathToUnix(const QString& prefix, const QString& path);

// The path under which the prefix's programs reach a local file: below the
// drive whose folder holds it most closely, else below Z:.
QString UnixPathToWindows(const QString& prefix, const QString& path);

} // namespace settings
