#pragma once
// The backup both benchmark sides measure: a verbose backup of one database into one file through the
// service component, its output lines counted by a text handler. The benchmark calls it in its own
// process; the backup runner calls it in a fresh process of its own.

#include <cstdint>
#include <string>

#include "dbaccess/pZAZServices.h"
#include "rtl/StringLists.h"

namespace benchbackup {

class TLineCounter : public TObject {
  RTL_CLASS(TLineCounter, TObject)
public:
  void OnText(TObject*, const String& text) {
    ++Lines;
    Bytes += text.size();
  }
  int64_t Lines = 0;
  int64_t Bytes = 0;
};

// An empty server name backs up through the embedded engine's service manager; otherwise through the
// named server's (e.g. "localhost/3055") as SYSDBA with the given password. Returns the lines written.
inline int64_t Backup(const std::string& database, const std::string& file, const std::string& server,
                      const std::string& password) {
  TLineCounter* counter = New<TLineCounter>();
  TpZAZBackupService* svc = New<TpZAZBackupService>(nullptr);
  try {
    svc->SetLoginPrompt(false);
    if (!server.empty()) {
      svc->SetProtocol(TCP);
      svc->SetServerName(server);
    }
    svc->Params()->Add("user_name=SYSDBA");
    if (!password.empty()) svc->Params()->Add("password=" + password);
    svc->SetDatabaseName(database);
    svc->BackupFile()->Add(file);
    svc->SetVerbose(true);
    svc->SetOnTextNotify(TServiceGetTextNotify(counter, &TLineCounter::OnText));
    svc->Attach();
    svc->ServiceStart();
    svc->Detach();
  } catch (...) {
    svc->Free();
    counter->Free();
    throw;
  }
  svc->Free();
  const int64_t lines = counter->Lines;
  counter->Free();
  return lines;
}

}  // namespace benchbackup
