#pragma once

// The per-user store behind Module1's store operations.
//
// Reads answer from the store as it was last read, with this action's
// changes on top. The changes wait in memory for the action's one sync,
// which hands them to the platform's store in a single replace. A sync
// always leaves nothing pending: the caller has told the user whether the
// action was saved, so a refused write must not reach the disk later through
// another action or at exit.
//
// A store that exists but could not be read is never replaced: the window
// opened with defaults in its place, and writing those would lose what the
// file holds.

#include "IniDocument.h"
#include "StoreBackend.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace settings {

class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The process-wide store used by Module1.
    static SettingsStore& instance();

    QString read(const QString& key, const QString& defaultText) const;
    void write(const QString& key, const QString& text);
    void remove(const QString& key);
    // The stored keys, as last read or written, without pending changes.
    QStringList keys() const { return backend_->keys(); }

    bool sync(QString* reason);
    // Reads the store afresh and forgets pending changes.
    void reload();
    QString filePath() const { return backend_->location(); }
    QString storeFile() const { return backend_->storeFile(); }
    // Why the store could not be read at the last reload, or "" when it could.
    QString readProblem() const { return readProblem_; }
    bool hasPendingWrites() const { return !changes_.empty(); }

private:
    void change(const QString& key, std::optional<QString> text);
    QString refusal() const;

    std::unique_ptr<StoreBackend> backend_;
    QString readProblem_;
    // The latest change of each key, in the order of the keys' first changes,
    // and where each key's change is in that list.
    std::vector<StoreChange> changes_;
    StoreKeyMap<std::size_t> changeOf_;
};

} // namespace settings
