#pragma once

// Where the store's values live, behind one interface: an INI file of our
// own dialect (ini/) or, when the mail checker runs under Wine, the Wine
// prefix's registry (wine/). makeStoreBackend() (StoreChoice.h) is the one
// place that chooses; everything above this interface asks the backend, never
// which one was chosen.

#include "StoreProblem.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

namespace settings {

// One key's change: its new text, or removal when text is empty (nullopt).
struct StoreChange
{
    QString key;
    std::optional<QString> text;
};

class StoreBackend
{
public:
    virtual ~StoreBackend() = default;

    // Where the store is, as the user would look for it.
    virtual QString location() const = 0;
    // The file that holds the store, links followed; what keys the
    // one-window lock and socket, so that two paths to one store are one.
    virtual QString storeFile() const = 0;
    // Reads the store as it is now, as at the window's opening. False, with
    // the problem, when a store exists but cannot be read; the values are
    // then empty, or those of the last good read.
    virtual bool reload(StoreProblem* problem) = 0;
    // Reads the store again while the window is open: like reload(), but a
    // store that now holds less than it did when last read may be in the
    // middle of another program's write and is waited for, and a failure
    // always keeps the values of the last good read.
    virtual bool refresh(StoreProblem* problem) { return reload(problem); }
    // Whether the last read found the store itself (the file, the registry
    // key); one not found reads as empty.
    virtual bool storeFound() const { return true; }
    virtual std::optional<QString> value(const QString& key) const = 0;
    virtual QStringList keys() const = 0;
    // Applies changes, in order, to the store as it is on disk now, in one
    // replace; afterwards value() answers from the result. False, with the
    // problem, when nothing was written.
    virtual bool commit(const std::vector<StoreChange>& changes, StoreProblem* problem) = 0;
    // After the last action (options OK): whatever the store still owes the
    // disk is done and checked. False, with the problem, when what was
    // committed did not reach it.
    virtual bool settle(StoreProblem* problem)
    {
        Q_UNUSED(problem);
        return true;
    }
    // Ends a reload, commit or settle that waits for another program, from
    // any thread; that call then fails.
    virtual void abortPendingCall() {}
    // Whether the calls above run another program (Wine), which may not
    // answer: the store then makes them, and ends the backend, on its worker
    // thread (StoreWorker.h), never on the thread that asks.
    virtual bool runsOtherPrograms() const { return false; }
    // Whether key can be a value name of this store at all.
    virtual bool acceptsKey(QStringView key) const { return !key.isEmpty(); }
    // The form in which the store keeps text the user gave it, so that the
    // mail checker reads what was typed; nullopt when the store cannot hold
    // one of its characters, which *refused then is.
    virtual std::optional<QString> storedForm(const QString& text, QString* refused) const
    {
        Q_UNUSED(refused);
        return text;
    }

    // What the windows need to know of where the mail checker runs.
    // The mail checker's Windows directory, when the store knows it (under
    // Wine: the prefix's); empty when the program's own data folder stands in.
    virtual QString windowsDirectory() const { return QString(); }
    // A path as stored, as a local path; empty when the store cannot map it.
    virtual QString toLocalPath(const QString& storedPath) const
    {
        Q_UNUSED(storedPath);
        return QString();
    }
    // A local path as the mail checker would store it.
    virtual QString toStoredPath(const QString& localPath) const { return localPath; }
    // The kind of store as named to the user (the version notice names it
    // and its location).
    virtual QString displayName() const { return QStringLiteral("設定ﾌｧｲﾙ"); }
};

} // namespace settings
