#pragma once

// Helpers for tests that watch the store's own operations: a recorder of the
// writes in call order, and the order in which OK writes the global keys.
// (A store prepared with WriteSetting is StoreFiles.h's prepareStore.)

#include "KeySchema.h"
#include "Module1.h"
#include "StoreFiles.h"

#include <QStringList>
#include <QTest>

namespace quorvix::test {

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
