#pragma once

// How an account appears in the options window's account grid, and the two
// ways a row is written: appended at the end, or rewritten in place.
//
// Grid row k always shows account number k. Every writer of the grid (the
// loader, the account window's OK) goes through here so the text, the mark and
// the colours are the same everywhere.

#include "Module1.h"

#include <QString>

namespace controls {
class FlexGrid;
}

namespace accounts {

// Column 0: the display name followed by the server in parentheses, no blanks.
QString accountRowName(const Module1::AccountRecordType& account);
// Column 1: "○" for a checked account, "×" for one that is skipped.
QString checkMark(qint16 check);

// Appends the account's row and makes it the current row, painted in the
// account's popup colours.
void appendAccountRow(controls::FlexGrid& grid, const Module1::AccountRecordType& account);
// Rewrites row in place and makes it the current row.
void rewriteAccountRow(controls::FlexGrid& grid, int row, const Module1::AccountRecordType& account);
// One row per stored account (AccountCount of them), as the store holds them
// now: after an action another program's writes left half done, the list
// shows what is stored. The working record is left as it was.
void showStoredAccounts(controls::FlexGrid& grid);

} // namespace accounts
