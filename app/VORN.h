#pragma once
// The program block's parts: the process set-up before anything loads, the units the program starts,
// and the program's folder. The main window's creation and the message loop join them with the forms.

#include "rtl/System.h"
#include "rtl/Units.h"

// The product's title: the application's title and the main window's caption.
inline constexpr const char* ProductTitle = "Vorn";

// Every unit the program uses; the program starts it with StartUnits({&VornUnit}) and finishes with
// FinishUnits() once its forms are gone.
extern const TUnit VornUnit;

// What the process needs before the first window and the first database: the user's locale, so that
// file names in any script reach the database engine as UTF-8 (a locale that is not UTF-8 gives way to
// C.UTF-8), and a lock folder of the user's own for the embedded engine.
void PrepareProcessEnvironment();
// Whether the locale's character set is UTF-8 after PrepareProcessEnvironment.
bool LocaleIsUtf8();

// The folder of the program's file, without a trailing separator.
String ProgramFolder();

// Ends the embedded engine after the last database closed, before the process exits: its threads must
// not run on while the process tears down (a quit would then crash). The engine cannot start again
// in this process afterwards.
void ShutdownDatabaseEngine();
