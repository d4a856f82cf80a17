#pragma once

// What this program needs to know of a Wine prefix without starting Wine:
// whether it is a prefix at all, whether a wineserver of it runs, and how a
// Windows path of its programs names a file here.
//
// No function here creates or changes anything in the prefix; any `wine`
// call on a folder that is not yet a prefix would silently build one there.

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace settings {

// A prefix Wine has set up: drive_c, dosdevices, system.reg and user.reg
// are there. A folder holding only copies of the registry files is none:
// a Wine call there would build the rest.
bool IsWinePrefix(const QString& prefix);
// What of that the folder lacks, as the names listed ("" when it is a prefix).
QStringList MissingPrefixParts(const QString& prefix);
QString UserRegOf(const QString& prefix);

// The prefixes where prefix managers keep them (~/.local/share/wineprefixes,
// ~/.PlayOnLinux/wineprefix, Bottles' and Lutris' usual folders), each a
// prefix Wine has set up, sorted.
QStringList ManagedPrefixes(const QString& home);

// Whether running this machine's Wine on the prefix would first update it
// (Wine brings a prefix up to date when the wine.inf it was last set up from
// is not its own: the prefix's .update-timestamp holds that file's time).
struct PrefixUpdateCheck
{
    bool wouldUpdate = false;
    // The time the prefix records (seconds since 1970; 0 when it records
    // none) and that of this Wine's wine.inf.
    qint64 recorded = 0;
    qint64 thisWine = 0;
};
// wineProgram is the launcher that would run (its share/wine beside its bin
// folder holds its wine.inf). Nothing would be updated when that file cannot
// be found, or the prefix has asked Wine never to update it.
PrefixUpdateCheck CheckPrefixUpdate(const QString& prefix, const QString& wineProgram);
// The Wine build as `wine --version` names it (it touches no prefix); "" when
// it does not answer.
QString WineVersion(const QString& wineProgram);

enum class WineServerState { Stopped, Running, Unknown };

// Whether a wineserver of the prefix runs, from the lock the server holds
// for its whole life in its folder: below $TMPDIR, or /tmp when that is not
// set, a folder .wine-<uid> (upstream Wine) or the one the prefix's file
// "wineserver" names (Debian's Wine), then server-<device>-<inode> of the
// prefix. Both temporary folders are looked at: the mail checker may have
// been started with another TMPDIR than this program. Unknown when a lock
// file cannot be probed.
WineServerState ProbeWineServer(const QString& prefix);
// The process of the prefix's running wineserver, from the same lock; 0 when
// none runs or the lock does not tell (a server in another PID namespace).
pid_t WineServerProcess(const QString& prefix);

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
