#pragma once

// Helpers for tests that prepare the store file by hand, the way another
// program writing the same file would, and read back what is on disk.

#include "Module1.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace quorvix::test {

using StoreMap = QMap<QString, QString>;

// QSettings notices a changed file by its size and modification time; give
// every prepared file a time of its own so that two files of equal size
// written within the same millisecond still count as changed.
inline void touchUniquely(const QString& path)
{
    static qint64 seconds = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadWrite)) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(1'000'000'000 + ++seconds);
        file.setFileTime(time, QFileDevice::FileModificationTime);
    }
}

// Replaces the store file with bytes, as another program would, and makes the
// store read it afresh.
inline void writeStoreFile(const QByteArray& bytes)
{
    const QString path = Module1::StoreFilePath();
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    touchUniquely(path);
    Module1::ReloadStore();
}

inline QByteArray readStoreFile()
{
    QFile file(Module1::StoreFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Every key of the store file as it is on disk. A copy is read so that Qt's
// per-file cache, which the program's own store shares, cannot answer instead.
inline StoreMap storeFileContents()
{
    StoreMap contents;
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.ini"));
    if (!QFile::copy(Module1::StoreFilePath(), copy))
        return contents;
    QSettings settings(copy, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("setting"));
    for (const QString& key : settings.childKeys())
        contents.insert(key, settings.value(key).toString());
    return contents;
}

// Starts a test with no store file and nothing pending.
inline void removeStoreFile()
{
    QFile::remove(Module1::StoreFilePath());
    Module1::ReloadStore();
}

inline bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace quorvix::test
