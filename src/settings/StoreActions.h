#pragma once

// The user's three actions that write the store, each one call from its
// window and each ending in the one sync of the action: the account window's
// OK, the account list's Delete and the options window's OK.
//
// An action writes its keys in the documented order, and a refusal leaves
// nothing of it pending and the counters as they were. Whether a text can
// be stored is the store's one rule (SettingsStore::canStore), applied at the
// sync; the action hands back the first key it refused, so the window can
// name the field and put the cursor there. What the user typed as a number,
// the password's characters and the messages stay the windows' own.

#include "StoreProblem.h"

#include <QString>
#include <QtGlobal>

namespace settings {
struct OptionsRecord;
} // namespace settings

namespace Module1 {

struct StoreOutcome
{
    bool saved = false;
    // Why nothing was saved (dialogs::showStoreRefusal tells the user).
    settings::StoreProblem problem;
    // The first key whose text cannot be stored, when that is the reason.
    QString unstorableKey;

    explicit operator bool() const { return saved; }
};

// Account OK: AccountRecord under the keys of account n, and the count when
// n is the next number (n = AccountCount + 1 adds an account), then the sync.
// Only then does AccountCount grow. n must be an account or the next number.
StoreOutcome StoreAccount(qint16 n);

// Delete of account row (1..AccountCount): every later account moves down one
// number, the former last number's keys are removed (so the deleted password
// leaves the disk), the count follows, and the store syncs once. Values are
// moved as they are stored, whatever another program put there. Only then
// does AccountCount drop by one. False, with the problem when asked, when the
// row is no account or the write was refused: the store and AccountCount are
// then as they were.
bool DeleteAccount(qint16 row, settings::StoreProblem* problem = nullptr);

// Options OK: every global key of record in the save order, with the count
// of accounts as the account list keeps it (AccountCount, not record's), then
// the sync.
StoreOutcome StoreOptions(const settings::OptionsRecord& record);

} // namespace Module1
