#include "WinePrefix.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings {

namespace {

// A folder that holds a lock file of a wineserver of this prefix when one runs.
QStringList serverFolders(const QString& prefix)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(prefix).constData(), &info) != 0)
        return {};
    const QString server = QStringLiteral("/server-%1-%2")
                               .arg(qulonglong(info.st_dev), 0, 16)
                               .arg(qulonglong(info.st_ino), 0, 16);
    QStringList bases;
    const QString tmpdir = QDir::cleanPath(qEnvironmentVariable("TMPDIR"));
    if (tmpdir.startsWith(u'/') && tmpdir != u"/tmp")
        bases.append(tmpdir);
    bases.append(QStringLiteral("/tmp"));
    QStringList names{QStringLiteral(".wine-%1").arg(::getuid())};
    QFile named(prefix + QStringLiteral("/wineserver"));
    if (named.open(QIODevice::ReadOnly)) {
        const QString name = QString::fromLocal8Bit(named.read(256)).trimmed();
        if (!name.isEmpty() && !name.contains(u'/') && name != u".." && name != u".")
            names.append(name);
    }
    QStringList folders;
    for (const QString& base : bases) {
        for (const QString& name : names)
            folders.append(base + u'/' + name + server);
    }
    return folders;
}

struct LockProbe
{
    WineServerState state = WineServerState::Unknown;
    pid_t holder = 0; // the server's process, when the lock tells it
};

LockProbe probeLock(const QString& lockPath)
{
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {errno == ENOENT || errno == ENOTDIR ? WineServerState::Stopped : WineServerState::Unknown};
    struct flock lock
    {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool probed = ::fcntl(fd, F_GETLK, &lock) == 0;
    ::close(fd);
    if (!probed)
        return {};
    if (lock.l_type == F_UNLCK)
        return {WineServerState::Stopped};
    // A holder in another process namespace reads as 0.
    return {WineServerState::Running, lock.l_pid > 0 ? lock.l_pid : 0};
}

LockProbe probeServer(const QString& prefix)
{
    const QStringList folders = serverFolders(prefix);
    if (folders.isEmpty())
        return {};
    LockProbe probe{WineServerState::Stopped};
    for (const QString& folder : folders) {
        const LockProbe found = probeLock(folder + QStringLiteral("/lock"));
        if (found.state == WineServerState::Running)
            return found;
        if (found.state == WineServerState::Unknown)
            probe = found;
    }
    return probe;
}

// The entry of folder named like name but for case, or "" when there is none.
QString entryLike(const QString& folder, const QString& name)
{
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

QString driveFolder(const QString& prefix, QChar letter)
{
    return prefix + QStringLiteral("/dosdevices/") + letter.toLower() + u':';
}

bool isUnder(const QString& path, const QString& folder)
{
    if (folder == u"/")
        return path.startsWith(u'/');
    return path == folder || path.startsWith(folder + u'/');
}

} // namespace

QStringList MissingPrefixParts(const QString& prefix)
{
    QStringList missing;
    for (const char* folder : {"drive_c", "dosdevices"}) {
        if (!QFileInfo(prefix + u'/' + QLatin1StringView(folder)).isDir())
            missing.append(QLatin1StringView(folder));
    }
    for (const char* file : {"system.reg", "user.reg"}) {
        if (!QFileInfo(prefix + u'/' + QLatin1StringView(file)).isFile())
            missing.append(QLatin1StringView(file));
    }
    return missing;
}

bool IsWinePrefix(const QString& prefix)
{
    return !prefix.isEmpty() && MissingPrefixParts(prefix).isEmpty();
}

QStringList ManagedPrefixes(const QString& home)
{
    QStringList prefixes;
    for (const char* folder : {"/.local/share/wineprefixes", "/.PlayOnLinux/wineprefix",
                               "/.local/share/bottles/bottles", "/Games"}) {
        const QDir managed(home + QLatin1StringView(folder));
        for (const QString& entry : managed.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
            const QString prefix = managed.filePath(entry);
            if (IsWinePrefix(prefix))
                prefixes.append(prefix);
        }
    }
    prefixes.sort();
    return prefixes;
}

PrefixUpdateCheck CheckPrefixUpdate(const QString& prefix, const QString& wineProgram)
{
    PrefixUpdateCheck check;
    if (wineProgram.isEmpty())
        return check;
    // A launcher linked from elsewhere (/usr/bin/wine to a Wine in /opt)
    // is the build of the folder it lives in.
    const QString launcher = QFileInfo(wineProgram).canonicalFilePath();
    const QFileInfo wineInf(QFileInfo(launcher).absolutePath() + QStringLiteral("/../share/wine/wine.inf"));
    if (launcher.isEmpty() || !wineInf.isFile())
        return check;
    check.thisWine = wineInf.lastModified().toSecsSinceEpoch();
    QFile stamp(prefix + QStringLiteral("/.update-timestamp"));
    QByteArray recorded;
    if (stamp.open(QIODevice::ReadOnly))
        recorded = stamp.read(64).trimmed();
    if (recorded.startsWith("disable"))
        return check;
    check.recorded = recorded.split(' ').value(0).toLongLong();
    check.wouldUpdate = check.recorded != check.thisWine;
    return check;
}

QString UserRegOf(const QString& prefix)
{
    return prefix + QStringLiteral("/user.reg");
}

WineServerState ProbeWineServer(const QString& prefix)
{
    return probeServer(prefix).state;
}

pid_t WineServerProcess(const QString& prefix)
{
    return probeServer(prefix).holder;
}

QString WineVersion(const QString& wineProgram)
{
    QProcess wine;
    wine.start(wineProgram, {QStringLiteral("--version")});
    if (!wine.waitForFinished(2000)) {
        wine.kill();
        wine.waitForFinished(1000);
        return QString();
    }
    return QString::fromLocal8Bit(wine.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
}

bool IsWindowsDrivePath(const QString& path)
{
    return path.size() >= 2 && path[0].isLetter() && path[0].unicode() < 128 && path[1] == u':' &&
           (path.size() == 2 || path[2] == u'\\' || path[2] == u'/');
}

QString WindowsPathToUnix(const QString& prefix, const QString& path)
{
    if (!IsWindowsDrivePath(path))
        return QString();
    QString local = driveFolder(prefix, path[0]);
    QStringList names;
    // Wine folds "." and ".." before it looks at the disk.
    for (const QString& name :
         path.mid(2).split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts)) {
        if (name == u".")
            continue;
        if (name == u"..") {
            if (!names.isEmpty())
                names.removeLast();
            continue;
        }
        names.append(name);
    }
    bool exists = QFileInfo(local).isDir();
    for (const QString& name : names) {
        QString entry = name;
        if (exists && !QFileInfo::exists(local + u'/' + name)) {
            entry = entryLike(local, name);
            if (entry.isEmpty()) {
                entry = name;
                exists = false;
            }
        }
        local += u'/' + entry;
    }
    return local;
}

QString UnixPathToWindows(const QString& prefix, const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    QChar bestDrive;
    QString bestRest;
    qsizetype bestLength = -1;
    const QDir devices(prefix + QStringLiteral("/dosdevices"));
    for (const QString& entry : devices.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        if (entry.size() != 2 || entry[1] != u':' || !entry[0].isLetter())
            continue;
        const QString folder = QFileInfo(devices.filePath(entry)).canonicalFilePath();
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        for (const QString& candidate : {absolute, canonical}) {
            if (candidate.isEmpty() || !isUnder(candidate, folder) || folder.size() <= bestLength)
                continue;
            bestLength = folder.size();
            bestDrive = entry[0].toUpper();
            bestRest = candidate.mid(folder == u"/" ? 0 : folder.size());
        }
    }
    if (bestLength < 0) {
        bestDrive = u'Z';
        bestRest = absolute;
    }
    if (!bestRest.startsWith(u'/'))
        bestRest.prepend(u'/');
    bestRest.replace(u'/', u'\\');
    return bestDrive + QStringLiteral(":") + bestRest;
}

} // namespace settings
