#include "DataDirectory.h"

#include "CommonDialogs.h"
#include "StoreOperations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace dialogs {

QString dataDirectoryFor(const QString& applicationDir, const QString& installedRelative,
                         const QString& buildDataDir)
{
    const QString installed = QDir::cleanPath(QDir(applicationDir).absoluteFilePath(installedRelative));
    if (QFileInfo(installed).isDir())
        return installed;
    if (!buildDataDir.isEmpty() && QFileInfo(buildDataDir).isDir())
        return QDir::cleanPath(buildDataDir);
    return installed;
}

} // namespace dialogs

namespace Module1 {

QString WindowsDirectory()
{
    if (const QString storeKnows = StoreWindowsDirectory(); !storeKnows.isEmpty())
        return storeKnows;
    return dialogs::dataDirectoryFor(QCoreApplication::applicationDirPath(),
                                     QStringLiteral(QUORVIX_DATA_DIR_FROM_BIN),
                                     QStringLiteral(QUORVIX_BUILD_DATA_DIR));
}

QString ToLocalPath(const QString& storedPath)
{
    if (storedPath.isEmpty())
        return storedPath;
    if (const QString local = StoreLocalPath(storedPath); !local.isEmpty())
        return local;
    QString path = storedPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // cleanPath folds doubled separators and drops a trailing one, which the
    // stored paths have when a folder was typed with a final backslash.
    return QDir::cleanPath(path);
}

QString ToStoredPath(const QString& localPath)
{
    return StoreStoredPath(localPath);
}

} // namespace Module1
