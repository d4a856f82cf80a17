// Saving the options on OK, and the two ways out of the program.

#include "optionform.h"

void optionform::savedata() {}

void optionform::OkBt_Click()
{
    endProgram();
}

void optionform::CancelBt_Click()
{
    endProgram();
}
