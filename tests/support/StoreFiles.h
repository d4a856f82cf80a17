#pragma once

// Helpers for tests that prepare the store file by hand, the way another
// program writing the same file would, read back what is on disk, make the
// store refuse a write, and put the other files a case needs on disk.

#include "IniDocument.h"
#include "Module1.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace quorvix::test {

using StoreMap = QMap<QString, QString>;

// Replaces the store file with bytes behind the store's back, as another
// program does while this one has the file loaded.
inline void overwriteStoreFile(const QByteArray& bytes)
{
    QFile file(Module1::StoreFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Replaces the store file with bytes, as another program would, and makes the
// store read it afresh.
inline void writeStoreFile(const QByteArray& bytes)
{
    overwriteStoreFile(bytes);
    Module1::ReloadStore();
}

inline QByteArray readStoreFile()
{
    QFile file(Module1::StoreFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Every key of the store file as it is on disk, read as the store reads it.
inline StoreMap storeFileContents()
{
    StoreMap contents;
    const settings::IniDocument document(readStoreFile());
    for (const QString& key : document.keys())
        contents.insert(key, document.value(key).value_or(QString()));
    return contents;
}

// Starts a test with no store file and nothing pending.
inline void removeStoreFile()
{
    QFile::remove(Module1::StoreFilePath());
    Module1::ReloadStore();
}

// Starts from a store with no file and nothing pending, then writes keys.
inline void prepareStore(const StoreMap& keys)
{
    removeStoreFile();
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        Module1::WriteSetting(it.key(), it.value());
    if (!keys.isEmpty())
        QVERIFY(Module1::SyncSettings());
}

// While it lives, the store's folder is a plain file, so every sync is
// refused. Permissions would not do: they do not bind root, and CI runs as root.
class BlockedStore
{
public:
    BlockedStore()
        : folder_(QFileInfo(Module1::StoreFilePath()).absolutePath()),
          aside_(folder_ + QStringLiteral(".aside"))
    {
        ok_ = QDir().rename(folder_, aside_);
        QFile blocker(folder_);
        ok_ = ok_ && blocker.open(QIODevice::WriteOnly);
    }
    ~BlockedStore()
    {
        QFile::remove(folder_);
        QDir().rename(aside_, folder_);
    }
    BlockedStore(const BlockedStore&) = delete;
    BlockedStore& operator=(const BlockedStore&) = delete;
    bool ok() const { return ok_; }

private:
    QString folder_;
    QString aside_;
    bool ok_ = false;
};

// Writes a plain file into folder; the path, or "" when it could not be written.
inline QString writeFile(const QDir& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

// Everything in the test's configuration folder, hidden files and subfolders included.
inline QStringList configFolderEntries()
{
    QStringList found;
    QDirIterator it(qEnvironmentVariable("XDG_CONFIG_HOME"),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

inline bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace quorvix::test
