#pragma once

// Where the store's values live on this platform, behind one interface: an
// INI file of our own dialect on Linux (IniStoreFile.cpp) or, when the mail
// checker runs under Wine, the Wine prefix's registry (WineRegistryStore.cpp);
// the registry location the mail checker's runtime uses on Windows
// (RegistryStore.cpp). makeStoreBackend() is the one place that chooses
// (StoreChoice.cpp on Linux).

#include <QString>
#include <QStringList>

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
    // Reads the store as it is now. False, with the reason, when a store
    // exists but cannot be read; the values are then empty.
    virtual bool reload(QString* reason) = 0;
    virtual std::optional<QString> value(const QString& key) const = 0;
    virtual QStringList keys() const = 0;
    // Applies changes, in order, to the store as it is on disk now, in one
    // replace; afterwards value() answers from the result. False, with the
    // reason, when nothing was written.
    virtual bool commit(const std::vector<StoreChange>& changes, QString* reason) = 0;
};

std::unique_ptr<StoreBackend> makeStoreBackend();
// The INI file store, $XDG_CONFIG_HOME/wispane.ini (not on Windows).
std::unique_ptr<StoreBackend> makeIniStoreBackend();

} // namespace settings
