// The account list on page "ｱｶｳﾝﾄ": selecting, adding, editing and deleting accounts.
//
// Grid row k shows account number k; every handler here keeps that identity.
// Adding and editing happen in the account window, which writes the account
// and its grid row itself; Delete asks the store layer to renumber the stored
// accounts and then removes the row.

#include "optionform.h"

#include "FlexGrid.h"
#include "Module1.h"
#include "StoreRefusalBox.h"
#include "WarningBox.h"
#include "accountform.h"

#include <QPushButton>

#include <optional>

void optionform::accountList_MouseDown(int Button, int Shift, float X, float Y)
{
    // Any button anywhere over the grid: the grid has already moved its
    // current row for a left press on a cell.
    Q_UNUSED(Button);
    Q_UNUSED(Shift);
    Q_UNUSED(X);
    Q_UNUSED(Y);
    Module1::SelectedRow = qint16(accountList->Row());
    editbutton->setEnabled(true);
    // The fixed top row is no account: there is nothing to delete there.
    delbutton->setEnabled(Module1::SelectedRow >= 1);
}

void optionform::accountList_DblClick()
{
    editbutton_Click();
}

void optionform::accountList_RowColChange()
{
    // Arrow keys move the current row too; Edit, Delete and the account
    // window's OK must all see the row the user sees.
    Module1::SelectedRow = qint16(accountList->Row());
    if (Module1::SelectedRow < 1)
        delbutton->setEnabled(false);
    updateAddButton();
}

void optionform::addbutton_Click()
{
    if (Module1::AccountCount >= Module1::kMaxAccounts) {
        updateAddButton();
        return;
    }
    Module1::EditMode = 0;
    openAccountWindow(std::nullopt);
    updateAddButton();
}

void optionform::editbutton_Click()
{
    Module1::EditMode = 1;
    const auto n = qint16(accountList->Row());
    openAccountWindow(n);
    updateAddButton();
}

void optionform::delbutton_Click()
{
    using namespace Module1;
    const qint16 row = SelectedRow;
    if (row < 1 || row > AccountCount) {
        delbutton->setEnabled(false);
        return;
    }

    settings::StoreProblem problem;
    if (!DeleteAccount(row, &problem)) {
        // The store took the writes back: the disk still holds every
        // account, and so does the list.
        dialogs::showStoreRefusal(this, QStringLiteral("ｱｶｳﾝﾄを削除できませんでした"), problem);
        return;
    }

    accountList->RemoveItem(row);
    editbutton->setEnabled(false);
    delbutton->setEnabled(false);
    updateAddButton();
}

void optionform::openAccountWindow(std::optional<qint16> accountToLoad)
{
    // A fresh window for every opening, so it starts from a new account's contents.
    accountform form(this);
    form.setAccountList(accountList);
    if (accountToLoad)
        form.intoform(*accountToLoad);
    form.exec();
}

void optionform::updateAddButton()
{
    addbutton->setEnabled(Module1::AccountCount < Module1::kMaxAccounts);
}
