#include "AccountRows.h"

#include "FlexGrid.h"

namespace accounts {

namespace {

// Both cells of the current row in the popup colours, column 0 first.
void paintCurrentRow(controls::FlexGrid& grid, const Module1::AccountRecordType& account)
{
    for (int col = 0; col < 2; ++col) {
        grid.setCol(col);
        grid.setCellForeColor(account.Scolor1);
        grid.setCellBackColor(account.Scolor2);
    }
}

} // namespace

QString accountRowName(const Module1::AccountRecordType& account)
{
    return account.Aname + u'(' + account.Hname + u')';
}

QString checkMark(qint16 check)
{
    return check != 0 ? QStringLiteral("○") : QStringLiteral("×");
}

void appendAccountRow(controls::FlexGrid& grid, const Module1::AccountRecordType& account)
{
    grid.AddItem(accountRowName(account) + u'\t' + checkMark(account.Check));
    grid.setRow(grid.Rows() - 1);
    paintCurrentRow(grid, account);
}

void rewriteAccountRow(controls::FlexGrid& grid, int row, const Module1::AccountRecordType& account)
{
    grid.setRow(row);
    grid.setCol(0);
    grid.setText(accountRowName(account));
    grid.setCol(1);
    grid.setText(checkMark(account.Check));
    paintCurrentRow(grid, account);
}

void showStoredAccounts(controls::FlexGrid& grid)
{
    const Module1::AccountRecordType working = Module1::AccountRecord;
    for (int row = grid.Rows() - 1; row >= 1; --row)
        grid.RemoveItem(row);
    for (int n = 1; n <= Module1::AccountCount; ++n) {
        Module1::ResetAccount();
        Module1::LoadAccount(qint16(n));
        appendAccountRow(grid, Module1::AccountRecord);
    }
    Module1::AccountRecord = working;
}

} // namespace accounts
