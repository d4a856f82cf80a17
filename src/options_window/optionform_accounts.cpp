// The account list on page "ｱｶｳﾝﾄ": selecting, adding, editing and deleting accounts.

#include "optionform.h"

void optionform::accountList_DblClick() {}

void optionform::accountList_MouseDown(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Button);
    Q_UNUSED(Shift);
    Q_UNUSED(X);
    Q_UNUSED(Y);
}

void optionform::addbutton_Click() {}

void optionform::editbutton_Click() {}

void optionform::delbutton_Click() {}
