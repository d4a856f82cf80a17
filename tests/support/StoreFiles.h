#pragma once

// Helpers for tests that prepare the store file by hand, the way another
// program writing the same file would, and read back what is on disk.

#include "IniDocument.h"
#include "Module1.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace quorvix::test {

using StoreMap = QMap<QString, QString>;

// Replaces the store file with bytes, as another program would, and makes the
// store read it afresh.
inline void writeStoreFile(const QByteArray& bytes)
{
    const QString path = Module1::StoreFilePath();
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
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

inline bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace quorvix::test
