#pragma once

// The store of a mail checker that runs under Wine: the key
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\wispane\setting of
// a Wine prefix's registry, REG_SZ values, names compared without regard to
// case.
//
// While any Wine program of the prefix runs, wineserver holds the registry
// in memory: it read user.reg when it started and writes it back every 30
// seconds and when it ends, so user.reg may be behind and an edit of it
// would be lost. So the key is read and written through quorvix-registry.exe
// (RegistryHelper.h), one run per user action holding only that action's
// keys, each read back before the action counts as done. A read takes
// user.reg itself when no wineserver of the prefix runs (then the file is
// the registry, and reading it costs a millisecond rather than starting
// Wine), unless the key holds a line of a form only Wine can vouch for.
//
// Every call may start Wine or wait for it, so the store makes them on its
// worker thread (StoreBackend::runsOtherPrograms), where the kept helper
// lives too.
//
// The prefix must exist: Wine would build a new one (about 700 MB) at any
// call on a folder that is not a prefix, so nothing is run then. Texts are
// stored in the forms code page 932 holds (AnsiText.h), since the mail
// checker reads them through it.

#include "StoreBackend.h"

#include <memory>

namespace settings {

// mayUpdatePrefix: Wine may be run even where it would first update the
// prefix (CheckPrefixUpdate), because the user agreed.
std::unique_ptr<StoreBackend> makeWineRegistryStore(const QString& prefix, bool mayUpdatePrefix = false);

} // namespace settings
