#pragma once

// Module1's account records: the one working record every account operation
// passes through, the counters the account list and the account window share,
// and the record's operations on the store. The actions that write accounts
// and end in a sync (account OK, Delete) are in StoreActions.h.

#include "RecordTypes.h"

#include <QString>
#include <QtGlobal>

#include <limits>

namespace Module1 {

// The one working account record of the program.
inline AccountRecordType AccountRecord;

// Shared between the account list and the account window.
inline qint16 AccountCount = 0;
inline qint16 EditMode = 0;
inline qint16 SelectedRow = 0;

// Account numbers and the count are 16-bit: no account beyond this one.
inline constexpr qint16 kMaxAccounts = std::numeric_limits<qint16>::max();

void ResetAccount();
// Fills AccountRecord from the keys of account n, field by field in the
// account table's order (KeySchema.h): an absent key gives its default, a
// stored number that cannot be used leaves its field as it was, and so does an
// absent or empty password. The record is not reset first.
void LoadAccount(qint16 n);
// Writes every field of AccountRecord under the keys of account n, in the
// table's order, through the save rule (the 32-bit colours directly).
void SaveAccount(qint16 n);

} // namespace Module1
