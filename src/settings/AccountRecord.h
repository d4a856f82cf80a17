#pragma once

// Module1's account records: the one working record every account operation
// passes through, the counters the account list and the account window share,
// and the record's operations on the store.

#include <QString>
#include <QtGlobal>

#include <limits>

namespace Module1 {

// The member initializers are the reset values, and also what a key that is
// absent from the store reads as (the password aside, which a missing key
// leaves as it was).
struct AccountRecordType
{
    QString Aname;
    QString Hname;
    qint16 Portno = 110;
    QString Uname;
    QString Passw;
    qint16 Check = 1;
    qint32 Scolor1 = 0;
    qint32 Scolor2 = 16777088;
};

// The one working account record of the program.
inline AccountRecordType AccountRecord;

// Shared between the account list and the account window.
inline qint16 AccountCount = 0;
inline qint16 EditMode = 0;
inline qint16 SelectedRow = 0;

// Account numbers and the count are 16-bit: no account beyond this one.
inline constexpr qint16 kMaxAccounts = std::numeric_limits<qint16>::max();

void ResetAccount();
void LoadAccount(qint16 n);
void SaveAccount(qint16 n);
// Delete of account row (1..AccountCount): every later account moves down one
// number, the former last number's keys are removed (so the deleted password
// leaves the disk), the count follows, and the store syncs once. Only then
// does AccountCount drop by one. False, with the reason when given, when the
// row is no account or the write was refused: the store and AccountCount are
// then as they were.
bool DeleteAccount(qint16 row, QString* reason = nullptr);
// Writes the count of stored accounts (the account window's Add keeps it in
// step with the records it writes).
void SaveAccountCount(qint16 count);

} // namespace Module1
