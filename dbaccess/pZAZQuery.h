#pragma once
// TpZAZQuery, the statement component forms use (a description, an execution-error event that may retry
// or abort, a version text), and the prepared-statement pool: per connection, statements prepared for an
// SQL text, handed out busy and kept idle between uses so that the library's short queries are prepared
// once.

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "db/DB.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Components.h"
#include "rtl/Events.h"
#include "rtl/System.h"

class TpZAZQuery;
class EFIBError;

using TFIBQueryErrorEvent = Event<TpZAZQuery*, EFIBError&, TDataAction&>;

class TpZAZQuery : public TFIBQuery {
  RTL_CLASS(TpZAZQuery, TFIBQuery)
public:
  explicit TpZAZQuery(TComponent* AOwner) : TFIBQuery(AOwner) {}
  // Runs the statement; an EFIBError goes to OnExecuteError, whose action fails (raises again), aborts
  // silently or retries.
  void ExecQuery() override;
  const String& Description() const { return FDescription; }
  void SetDescription(const String& value) { FDescription = value; }
  // "6.25.0 Release"; writing does nothing.
  String About() const;
  void SetAbout(const String&) {}
  TFIBQueryErrorEvent OnExecuteError;

private:
  String FDescription;
};

class TCacheQueries : public TComponent {
  RTL_CLASS(TCacheQueries, TComponent)
public:
  explicit TCacheQueries(TFIBDatabase* database);
  ~TCacheQueries() override;
  void BeforeDestruction() override;
  TFIBDatabase* Database() const { return FDatabase; }
  TFIBQuery* Acquire(TFIBTransaction* transaction, const String& sql);
  void Release(TFIBQuery* query);
  void FreeAll();
  int32_t IdleCount() const { return static_cast<int32_t>(FIdle.size()); }
  int32_t BusyCount() const { return static_cast<int32_t>(FBusy.size()); }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TFIBDatabase* FDatabase;
  std::unordered_map<String, TFIBQuery*> FIdle;  // by key: the text without surrounding blanks
  std::vector<TFIBQuery*> FBusy;
  bool FDestroying = false;
};

class TCacheList : public TComponent {
  RTL_CLASS(TCacheList, TComponent)
public:
  TCacheList() : TComponent(nullptr) {}
  ~TCacheList() override;
  void BeforeDestruction() override;
  TCacheQueries* PoolOf(TFIBDatabase* database);
  void RemoveDatabase(TFIBDatabase* database);
  std::recursive_mutex& Lock() { return FLock; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::recursive_mutex FLock;
  std::vector<TCacheQueries*> FPools;
};

// The process-wide pool.
TCacheList* CacheList();
// A prepared statement for the text on the transaction's default connection; nil without one.
TFIBQuery* AcquireCachedQuery(TFIBTransaction* transaction, const String& sql);
// Files the statement idle under its current text; statements the pool does not know are left alone.
void ReleaseCachedQuery(TFIBQuery* query);
