// The file pickers beside the path boxes and the version notice.

#include "optionform.h"

void optionform::Command1_Click() {}

void optionform::Command2_Click() {}

void optionform::Command3_Click() {}

void optionform::RefBt_Click(int Index)
{
    Q_UNUSED(Index);
}
