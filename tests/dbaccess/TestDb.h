#pragma once
// Throw-away databases for the tests: created embedded in a temporary folder through the project's own
// binding, filled with rows by one statement, counted afterwards.

#include <cstdint>
#include <string>

#include "ScratchFolder.h"
#include "rtl/System.h"

// A temporary folder removed with everything in it at the end of the test.
using TempDir = scratch::Folder;

// Creates a dialect 3 database at `path` (a local path, or "host/port:path" with credentials) with the
// table T (ID integer primary key, NAME varchar(40)) holding `rows` rows.
void CreateTestDatabase(const String& path, int32_t rows, const String& user = "SYSDBA",
                        const String& password = String());
// Rows of T, and the sum of their IDs (to tell the rows apart from a mere count).
int64_t CountRows(const String& path, int64_t* idSum = nullptr);

// The loopback server's settings from the test environment; empty server when none runs.
struct TestServer {
  String Server;  // "localhost/<port>"
  String Password;
};
TestServer LoopbackServer();

// Removes the named objects of a trace channel.
void UnlinkMonitorChannel(const String& base);
