#include "dbaccess/FIBLoginDialog.h"

TLoginDialogHook LoginDialogHook = nullptr;
