#include "dbaccess/pZAZQuery.h"

#include <algorithm>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/StrUtil.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

// --- TpZAZQuery ------------------------------------------------------------------------------------------

void TpZAZQuery::ExecQuery() {
  while (true) {
    TDataAction action = daFail;
    try {
      TFIBQuery::ExecQuery();
      return;
    } catch (EFIBError& e) {
      if (!OnExecuteError.Assigned()) throw;
      OnExecuteError(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

String TpZAZQuery::About() const { return "6.25.0 Release"; }

// --- pool ------------------------------------------------------------------------------------------------

namespace {
String PoolKey(const String& sql) { return TrimStr(sql); }

String CurrentText(TFIBQuery* query) {
  String text;
  TStrings* lines = query->SQL();
  for (int32_t i = 0; i < lines->Count(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines->Strings(i);
  }
  return text;
}

TCacheList* GCacheList = nullptr;
struct TCacheListFinalizer {
  ~TCacheListFinalizer() { FreeAndNil(GCacheList); }
} GCacheListFinalizer;
}  // namespace

TCacheQueries::TCacheQueries(TFIBDatabase* database) : TComponent(nullptr), FDatabase(database) {}

void TCacheQueries::BeforeDestruction() {
  FreeAll();
  TComponent::BeforeDestruction();
}

TCacheQueries::~TCacheQueries() = default;

void TCacheQueries::FreeAll() {
  FDestroying = true;
  std::vector<TFIBQuery*> busy;
  busy.swap(FBusy);
  for (TFIBQuery* q : busy) q->Free();
  std::unordered_map<String, TFIBQuery*> idle;
  idle.swap(FIdle);
  for (auto& [key, q] : idle) q->Free();
  FDestroying = false;
}

TFIBQuery* TCacheQueries::Acquire(TFIBTransaction* transaction, const String& sql) {
  TFIBQuery* q;
  auto it = FIdle.find(PoolKey(sql));
  if (it != FIdle.end()) {
    q = it->second;
    FIdle.erase(it);
    if (q->Transaction() != transaction) q->SetTransaction(transaction);
  } else {
    q = New<TFIBQuery>(nullptr);
    q->FreeNotification(this);
    q->SetDatabase(FDatabase);
    q->SetTransaction(transaction);
    q->SQL()->SetText(sql);
  }
  FBusy.push_back(q);
  return q;
}

void TCacheQueries::Release(TFIBQuery* query) {
  auto it = std::find(FBusy.begin(), FBusy.end(), query);
  if (it == FBusy.end()) return;
  FBusy.erase(it);
  const String key = PoolKey(CurrentText(query));
  if (FIdle.count(key)) {
    // One idle statement per text: the second one would be lost, so it goes.
    query->Free();
    return;
  }
  FIdle[key] = query;
}

void TCacheQueries::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || FDestroying) return;
  auto b = std::find(FBusy.begin(), FBusy.end(), component);
  if (b != FBusy.end()) FBusy.erase(b);
  for (auto it = FIdle.begin(); it != FIdle.end(); ++it) {
    if (it->second == component) {
      FIdle.erase(it);
      break;
    }
  }
}

TCacheList::~TCacheList() = default;

void TCacheList::BeforeDestruction() {
  std::lock_guard<std::recursive_mutex> lock(FLock);
  std::vector<TCacheQueries*> pools;
  pools.swap(FPools);
  for (TCacheQueries* p : pools) p->Free();
  TComponent::BeforeDestruction();
}

TCacheQueries* TCacheList::PoolOf(TFIBDatabase* database) {
  std::lock_guard<std::recursive_mutex> lock(FLock);
  for (TCacheQueries* p : FPools)
    if (p->Database() == database) return p;
  TCacheQueries* p = New<TCacheQueries>(database);
  FPools.push_back(p);
  return p;
}

void TCacheList::RemoveDatabase(TFIBDatabase* database) {
  std::lock_guard<std::recursive_mutex> lock(FLock);
  for (size_t i = FPools.size(); i-- > 0;) {
    if (FPools[i]->Database() == database) {
      TCacheQueries* p = FPools[i];
      FPools.erase(FPools.begin() + static_cast<std::ptrdiff_t>(i));
      p->Free();
    }
  }
}

void TCacheList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove)
    if (auto* db = dynamic_cast<TFIBDatabase*>(component)) RemoveDatabase(db);
}

TCacheList* CacheList() {
  static std::once_flag once;
  std::call_once(once, [] { GCacheList = New<TCacheList>(); });
  return GCacheList;
}

TFIBQuery* AcquireCachedQuery(TFIBTransaction* transaction, const String& sql) {
  if (!transaction || !transaction->DefaultDatabase()) return nullptr;
  TFIBDatabase* db = transaction->DefaultDatabase();
  TCacheList* list = CacheList();
  TFIBQuery* q;
  {
    std::lock_guard<std::recursive_mutex> lock(list->Lock());
    list->FreeNotification(db);
    q = list->PoolOf(db)->Acquire(transaction, sql);
  }
  if (q->Open()) q->CloseCursor();
  return q;
}

void ReleaseCachedQuery(TFIBQuery* query) {
  if (!query || !query->Database()) return;
  TCacheList* list = CacheList();
  std::lock_guard<std::recursive_mutex> lock(list->Lock());
  list->PoolOf(query->Database())->Release(query);
}
