#include "app/VORN.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

#include "app/main.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/Files.h"

constinit const TUnit VornUnit{"VORN", {&mainUnit}, nullptr, nullptr};

bool LocaleIsUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

void PrepareProcessEnvironment() {
  std::setlocale(LC_ALL, "");
  if (!LocaleIsUtf8()) std::setlocale(LC_CTYPE, "C.UTF-8");
  PrepareEmbeddedLockFolder();
}

String ProgramFolder() { return ExtractFileDir(ProgramFilePath()); }

void ShutdownDatabaseEngine() { ShutdownClientLibraries(); }
