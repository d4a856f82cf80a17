#pragma once

// Which store the program works on, decided once at start from the
// environment:
//
// - the Wine registry of a prefix when the mail checker runs under Wine
//   there: $WINEPREFIX when set (Wine's own convention), else ~/.wine, when
//   that is a prefix Wine has set up whose user.reg holds the mail checker's
//   key;
// - the INI file otherwise, as without Wine.
//
// QUORVIX_STORE=ini or QUORVIX_STORE=wine chooses one regardless: "wine"
// takes that prefix's registry even before the key exists there, "ini" the
// file even when a prefix holds the key.

#include "SettingsStore.h"
#include "StoreBackend.h"

#include <QString>

namespace settings {

struct StoreChoice
{
    bool wineRegistry = false;
    QString winePrefix; // the prefix, when wineRegistry
};

// The choice for these environment values (empty when unset) and home folder.
StoreChoice ChooseStore(const QString& winePrefixVariable, const QString& storeVariable, const QString& home);

// The choice for this process, made at the first call.
const StoreChoice& CurrentStoreChoice();

// The backend of that choice.
std::unique_ptr<StoreBackend> makeStoreBackend();

// The store of this process, on the backend of its choice, read at the first
// call. Module1's store operations work on it.
SettingsStore& ProcessStore();

} // namespace settings
