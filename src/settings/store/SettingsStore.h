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
//
// Text is stored when it fits on one line of the store, or when the store
// holds that very text already: another program may have stored a value the
// user could not type (a NUL, a lone carriage return), and moving it to
// another key (Delete's renumbering) or writing it back loses nothing.
//
// A backend that runs other programs is read, written, settled and ended on
// the store's worker thread; the asking thread waits through the installed
// waiter (StoreWorker.h). Its value() and keys() answer from memory and stay
// on the asking thread, which never calls them while a call runs.

#include "StoreBackend.h"
#include "StoreKeyMap.h"
#include "StoreWorker.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace settings {

class SettingsStore
{
public:
    // How the first read is made: at once, or (for a backend that runs other
    // programs) started on the worker and waited for by finishOpening(), so
    // that the window is built meanwhile.
    enum class FirstRead { Now, Started };
    // The process's own store is ProcessStore() (StoreChoice.h).
    explicit SettingsStore(std::unique_ptr<StoreBackend> backend, FirstRead firstRead = FirstRead::Now);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString read(const QString& key, const QString& defaultText) const;
    void write(const QString& key, const QString& text);
    void remove(const QString& key);
    // The stored keys, as last read or written, without pending changes.
    QStringList keys() const { return backend_->keys(); }

    // Hands the pending changes to the backend in one commit, each text the
    // store does not hold already in the form the store keeps it in
    // (StoreBackend::storedForm). A refusal names, when one is to blame, the
    // first key whose text cannot be stored.
    bool sync(StoreProblem* problem, QString* unstorableKey = nullptr);
    // After the program's last action: what the store still owes the disk
    // is done and checked (StoreBackend::settle).
    bool settle(StoreProblem* problem);
    // Reads the store afresh and forgets pending changes.
    void reload();
    // Reads the store as it is now and keeps the pending changes on top.
    // When it cannot be read now, the values of the last good read stay.
    void refresh();
    // Whether text can be written under any key (the rule above, and every
    // character one the store can hold).
    bool canStore(const QString& text) const;
    // The first character of text the store cannot hold, or "" when there
    // is none or the store holds that very text already.
    QString foreignCharacter(const QString& text) const;
    // Puts backend in place of the current one and reads it; pending changes
    // are dropped. Lets tests run the store, and the actions above it,
    // without a file.
    void useBackend(std::unique_ptr<StoreBackend> backend);
    QString filePath() const { return backend_->location(); }
    QString storeFile() const { return backend_->storeFile(); }
    // The backend's services to the windows (StoreBackend.h).
    const StoreBackend& backend() const { return *backend_; }
    // Why the store could not be read at the last reload (no problem when it could).
    StoreProblem readProblem() const { return readProblem_; }
    bool hasPendingWrites() const { return !changes_.empty(); }
    // Waits for a first read that was started (through the installed waiter);
    // nothing to do once it has ended. Nothing else may be asked before.
    void finishOpening();

private:
    void change(const QString& key, std::optional<QString> text);
    // Runs call on the backend where its calls belong (the rule above).
    void onBackendsThread(const std::function<void()>& call);
    bool reloadBackend(StoreProblem* problem);
    void dropBackend();
    // Also puts each text in the form the store keeps it in.
    StoreProblem refusal(std::vector<StoreChange>& changes, QString* unstorableKey);
    bool storeHolds(const QString& text) const;

    // Declared first, so it outlives the backend whose calls it runs.
    StoreWorker worker_;
    std::unique_ptr<StoreBackend> backend_;
    StoreProblem readProblem_;
    // The latest change of each key, in the order of the keys' first changes,
    // and where each key's change is in that list.
    std::vector<StoreChange> changes_;
    StoreKeyMap<std::size_t> changeOf_;
    bool opening_ = false; // a started first read not yet waited for
};

} // namespace settings
