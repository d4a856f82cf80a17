#pragma once

// Helpers for tests that go through the store's own operations: a store
// prepared with WriteSetting, a recorder of the writes in call order, and the
// order in which OK writes the global keys.

#include "KeySchema.h"
#include "Module1.h"
#include "StoreFiles.h"

#include <QFile>
#include <QStringList>
#include <QTest>

namespace quorvix::test {

// Starts from a store with no file and nothing pending, then writes keys.
inline void prepareStore(const StoreMap& keys)
{
    QFile::remove(Module1::StoreFilePath());
    Module1::ReloadStore();
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        Module1::WriteSetting(it.key(), it.value());
    if (!keys.isEmpty())
        QVERIFY(Module1::SyncSettings());
}

// Records every WriteSetting, in call order, while it lives.
class WriteRecorder
{
public:
    WriteRecorder()
    {
        Module1::SetWriteObserver([this](const QString& key, const QString& text) {
            keys.append(key);
            texts.insert(key, text);
        });
    }
    ~WriteRecorder() { Module1::SetWriteObserver({}); }
    WriteRecorder(const WriteRecorder&) = delete;
    WriteRecorder& operator=(const WriteRecorder&) = delete;

    QStringList keys;
    StoreMap texts;
};

// The global keys in the order OK writes them (pinned by the key table's test).
inline QStringList saveOrderNames()
{
    QStringList names;
    for (const settings::GlobalKey* key : settings::SaveOrder())
        names << key->name.toString();
    return names;
}

} // namespace quorvix::test
