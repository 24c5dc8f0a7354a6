#pragma once
// The process-wide login hook that a login dialog installs: it may change the user name, password and
// role for the named database or server and returns false when the person cancelled.

#include "rtl/System.h"

using TLoginDialogHook = bool (*)(const String& databaseName, String& userName, String& password,
                                  String& roleName);
// Null until a dialog unit installs one.
extern TLoginDialogHook LoginDialogHook;
