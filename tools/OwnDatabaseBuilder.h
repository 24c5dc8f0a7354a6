#pragma once
// Makes the program's own database "db.gdb" from the statements in app/OwnDatabase.h, through the
// project's own database library and the embedded engine. Used by the build (the make-db-gdb tool) and by
// the program's tests, which need the same database the program runs on.

#include "rtl/System.h"

// Creates a new database at path with the program's schema and first rows, readable by the user only.
// The file must not exist yet. A failure leaves no file behind and raises the library's error.
void CreateOwnDatabase(const String& path);

struct TOwnDatabaseResult {
  bool Created = false;  // false: a file of that name (in any letter case) was there and was left alone
  String Path;           // the file made, or the one found
};

// Makes the database at path unless its folder already holds a file of that name in any letter case (the
// program finds it so); an existing file is never touched. The database is made under a temporary name
// and linked into place only when it is complete, so an interrupted build leaves no half-made db.gdb that
// a later build would take as made. The folder (created when missing) also gets the fallback backup
// folder beside the file when it has none. Raises the library's error or EOSError.
TOwnDatabaseResult MakeOwnDatabase(const String& path);
