#pragma once

// Module1: the routines and state the two windows share. This header only
// brings in the module's units, so a window includes it alone; inside the
// settings layer every unit includes the headers it uses instead. The
// platform's part of Module1 is in platform_dialogs/CommonDialogs.h.

#include "AccountRecord.h"
#include "Numbers.h"
#include "Password.h"
#include "StoreActions.h"
#include "StoreOperations.h"
