#pragma once

// Which store the program works on, decided at start from the environment:
//
// - the Wine registry of a prefix when the mail checker runs under Wine
//   there: $WINEPREFIX when set (Wine's own convention), else ~/.wine, when
//   that is a prefix Wine has set up holding the mail checker's key;
// - the INI file otherwise, as without Wine.
//
// While a wineserver of the prefix runs, the key the mail checker has just
// saved for the first time may be only in Wine's memory, so Wine is asked:
// the prefix's registry is the candidate, and its first read, which the
// window needs anyway, decides (and is kept as the store's read). With no
// wineserver, user.reg is the registry and decides alone.
//
// QUORVIX_STORE=ini or QUORVIX_STORE=wine chooses one regardless: "wine"
// takes that prefix's registry even before the key exists there, "ini" the
// file even when a prefix holds the key.

#include "SettingsStore.h"
#include "StoreBackend.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace settings {

struct StoreChoice
{
    bool wineRegistry = false;
    QString winePrefix; // the prefix, when wineRegistry
    // The registry is taken only when Wine's first read finds the key.
    bool keyToBeAskedOfWine = false;
    // When the INI file was taken: prefixes of the prefix managers' folders
    // whose user.reg holds the key, so the window can say how to choose one.
    QStringList otherPrefixesWithKey;
};

// The choice for these environment values (empty when unset) and home
// folder. wineCanBeAsked: Wine and our helper are there to read a prefix
// whose wineserver runs; without them user.reg decides.
StoreChoice ChooseStore(const QString& winePrefixVariable, const QString& storeVariable, const QString& home,
                        bool wineCanBeAsked = true);

// The choice for this process, made at the first call without reading any
// store or running Wine.
const StoreChoice& CurrentStoreChoice();

// The backend of that choice, not read yet.
std::unique_ptr<StoreBackend> makeStoreBackend();

// The file the chosen store is kept in, links followed, known before any
// read: what keys the one-window lock, so that a second start runs no Wine.
// Its folder exists, or is the folder that would hold it when that does not
// (nothing is made where a Wine prefix is missing).
QString ChosenStoreFile();

// When the chosen store would run this machine's Wine on a prefix that Wine
// updates first (last set up by another Wine build, CheckPrefixUpdate): what
// the user is asked before the first read.
struct PrefixUpdateQuestion
{
    QString prefix;
    qint64 recorded = 0; // what the prefix records, seconds since 1970; 0 for nothing
    QString thisWine;    // as `wine --version` names it
};
std::optional<PrefixUpdateQuestion> PrefixUpdateToAsk();
// The user agreed: the Wine store may run Wine there. Only before the first read.
void AllowWinePrefixUpdate();

// The store of choice, read: a candidate registry is read once, and when it
// holds the key that read is the store's; otherwise the INI file is the store.
std::unique_ptr<SettingsStore> OpenStore(const StoreChoice& choice);

// The store of this process, on the backend of its choice, read at the first
// call. Module1's store operations work on it.
SettingsStore& ProcessStore();
// Starts the first read of the process's store where that runs Wine, so that
// Wine starts while the window is built; ProcessStore() then waits for it.
// Nothing is started where a question comes first (PrefixUpdateToAsk).
void BeginOpeningProcessStore();

} // namespace settings
