#include "dbaccess/FIBSQLMonitor.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Components.h"
#include "rtl/DateTime.h"
#include "rtl/Files.h"
#include "rtl/NamedObjects.h"
#include "rtl/SysUtils.h"
#include "rtl/Threads.h"

namespace SB = SQLMonitorBlock;

struct TFIBSQLMonitorHook::Shared {
  TNamedSharedMemory* Memory = nullptr;
  TNamedMutex* Mutex = nullptr;
  TNamedEvent* WriteEvent = nullptr;
  TNamedEvent* WriteFinishedEvent = nullptr;
  TNamedEvent* ReadEvent = nullptr;
  TNamedEvent* ReadFinishedEvent = nullptr;

  ~Shared() {
    FreeAndNil(ReadFinishedEvent);
    FreeAndNil(ReadEvent);
    FreeAndNil(WriteFinishedEvent);
    FreeAndNil(WriteEvent);
    FreeAndNil(Mutex);
    FreeAndNil(Memory);
  }
  char* Block() const { return static_cast<char*>(Memory->Memory()); }
  std::atomic_ref<int32_t> Int(int32_t offset) const {
    return std::atomic_ref<int32_t>(*reinterpret_cast<int32_t*>(Block() + offset));
  }
};

namespace {
std::mutex gHookLock;
std::mutex gChannelLock;
std::atomic<TFIBSQLMonitorHook*> gHook{nullptr};
std::atomic<bool> gFinalizing{false};
String gChannel = DefaultMonitorChannel;

class TFIBTraceObject : public TObject {
  RTL_CLASS(TFIBTraceObject, TObject)
public:
  TFIBTraceObject(TFIBTraceFlag kind, String text) : FDataType(kind), FText(std::move(text)), FTimeStamp(Now()) {}
  TFIBTraceFlag FDataType;
  String FText;
  TDateTime FTimeStamp;
};

// Characters a monitor cannot show become "#$" and two hex digits; tab, LF and CR stay.
String EscapeTraceText(const String& text) {
  String out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<uint8_t>(ch);
    if (c < 32 && c != 9 && c != 10 && c != 13) {
      static const char hex[] = "0123456789ABCDEF";
      out += "#$";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

class TMonitorWriterThread : public TThread {
  RTL_CLASS(TMonitorWriterThread, TThread)
public:
  explicit TMonitorWriterThread(TFIBSQLMonitorHook::Shared* shared) : TThread(false), FShared(shared) {}
  ~TMonitorWriterThread() override {
    for (TFIBTraceObject* o : FQueue) o->Free();
  }

  void Enqueue(TFIBTraceObject* obj) {
    std::lock_guard<std::mutex> lock(FQueueLock);
    FQueue.push_back(obj);
  }
  void Stop() { FStop = true; }

protected:
  void Execute() override {
    for (;;) {
      bool queued;
      {
        std::lock_guard<std::mutex> lock(FQueueLock);
        queued = !FQueue.empty();
      }
      if (!(((!Terminated() && !gFinalizing) || queued) && !FStop)) break;
      if (FShared->Int(SB::MonitorCount).load() == 0) {
        DiscardAll();
        Sleep(50);
      } else if (!queued) {
        Sleep(50);
      } else {
        WriteFirst();
      }
    }
  }

private:
  void DiscardAll() {
    std::deque<TFIBTraceObject*> gone;
    {
      std::lock_guard<std::mutex> lock(FQueueLock);
      gone.swap(FQueue);
    }
    for (TFIBTraceObject* o : gone) o->Free();
  }

  void WriteFirst() {
    TFIBTraceObject* obj;
    {
      std::lock_guard<std::mutex> lock(FQueueLock);
      obj = FQueue.front();
    }
    FShared->Mutex->WaitFor(INFINITE);
    if (FShared->Int(SB::MonitorCount).load() > 0) {
      String text = EscapeTraceText(obj->FText);
      size_t pos = 0;
      do {
        size_t len = std::min<size_t>(SB::TextSize, text.size() - pos);
        FShared->Mutex->WaitFor(INFINITE);
        char* block = FShared->Block();
        FShared->Int(SB::Kind).store(obj->FDataType);
        std::memcpy(block + SB::TimeStamp, &obj->FTimeStamp, sizeof(double));
        FShared->Int(SB::Length).store(static_cast<int32_t>(len));
        std::memcpy(block + SB::Text, text.data() + pos, len);
        Handshake();
        pos += len;
      } while (pos < text.size());
    }
    {
      std::lock_guard<std::mutex> lock(FQueueLock);
      FQueue.pop_front();
    }
    obj->Free();
    FShared->Mutex->Release();
  }

  void Handshake() {
    auto monitors = FShared->Int(SB::MonitorCount);
    auto readers = FShared->Int(SB::ReaderCount);
    // A monitor that does not answer within a second counts as gone.
    while (FShared->ReadEvent->WaitFor(1000) == wrTimeout) {
      if (monitors.load() > 0) monitors.fetch_sub(1);
      if (readers.load() == monitors.load() - 1 || monitors.load() == 0) FShared->ReadEvent->SetEvent();
    }
    FShared->WriteFinishedEvent->ResetEvent();
    FShared->ReadFinishedEvent->ResetEvent();
    FShared->WriteEvent->SetEvent();
    while (FShared->ReadFinishedEvent->WaitFor(1000) == wrTimeout) {
      if (readers.load() == 0)
        FShared->ReadFinishedEvent->SetEvent();
      else if (readers.fetch_sub(1) - 1 == 0)
        FShared->ReadFinishedEvent->SetEvent();
    }
    FShared->WriteEvent->ResetEvent();
    FShared->WriteFinishedEvent->SetEvent();
    FShared->Mutex->Release();
  }

  TFIBSQLMonitorHook::Shared* FShared;
  std::mutex FQueueLock;
  std::deque<TFIBTraceObject*> FQueue;
  std::atomic<bool> FStop{false};
};

String ApplicationName() {
  String exe = ParamStr(0);
  size_t slash = exe.find_last_of('/');
  return slash == String::npos ? exe : exe.substr(slash + 1);
}
}  // namespace

void SetMonitorChannel(const String& base) {
  std::lock_guard<std::mutex> lock(gChannelLock);
  gChannel = base;
}

String MonitorChannel() {
  std::lock_guard<std::mutex> lock(gChannelLock);
  return gChannel;
}

TFIBSQLMonitorHook::TFIBSQLMonitorHook() {
  if (!CreateSharedObjects()) SetEnabled(false);
}

TFIBSQLMonitorHook::~TFIBSQLMonitorHook() {
  StopWriter();
  delete FShared;
}

void TFIBSQLMonitorHook::StopWriter() {
  TThread* w;
  {
    std::lock_guard<std::mutex> lock(FWriterLock);
    w = FWriter;
    FWriter = nullptr;
  }
  if (!w) return;
  static_cast<TMonitorWriterThread*>(w)->Stop();
  w->Terminate();
  w->WaitFor();
  w->Free();
}

bool TFIBSQLMonitorHook::WriterRunning() const {
  std::lock_guard<std::mutex> lock(FWriterLock);
  return FWriter != nullptr;
}

bool TFIBSQLMonitorHook::CreateSharedObjects() {
  auto* shared = new Shared;
  try {
    String base = MonitorChannel();
    try {
      shared->Memory = New<TNamedSharedMemory>(base + ".SharedMem", SB::Size);
    } catch (const EOSError& e) {
      RaiseClientError(feCannotCreateSharedResource, {e.ErrorCode()});
    }
    try {
      shared->Mutex = New<TNamedMutex>(base + ".Mutex");
      shared->WriteEvent = New<TNamedEvent>(base + ".WriteEvent", true, false);
      shared->WriteFinishedEvent = New<TNamedEvent>(base + ".WriteFinishedEvent", true, true);
      shared->ReadEvent = New<TNamedEvent>(base + ".ReadEvent", true, false);
      shared->ReadFinishedEvent = New<TNamedEvent>(base + ".ReadFinishedEvent", true, false);
    } catch (const EOSError& e) {
      RaiseClientError(feCannotCreateSharedResource, {e.ErrorCode()});
    }
    if (shared->Memory->Created())
      for (int32_t off = SB::TransactionCounter; off <= SB::MonitorCount; off += 4)
        if (off != SB::Kind) shared->Int(off).store(0);
    if (shared->Int(SB::MonitorCount).load() < 0) shared->Int(SB::MonitorCount).store(0);
    if (shared->Int(SB::ReaderCount).load() < 0) shared->Int(SB::ReaderCount).store(0);
  } catch (const Exception&) {
    delete shared;
    return false;
  }
  FShared = shared;
  FSharedCreated = true;
  return true;
}

int32_t TFIBSQLMonitorHook::GetMonitorCount() const {
  return FShared ? FShared->Int(SB::MonitorCount).load() : 0;
}

void TFIBSQLMonitorHook::SetEnabled(bool value) {
  FActive = value;
  if (!value) StopWriter();
}

void TFIBSQLMonitorHook::SendTrace(const String& text, TFIBTraceFlag kind) {
  if (!FSharedCreated && !CreateSharedObjects()) {
    SetEnabled(false);
    return;
  }
  if (GetMonitorCount() == 0) {
    StopWriter();
    return;
  }
  String full = "\r\n[Application: " + ApplicationName() + "]\r\n" + text;
  std::lock_guard<std::mutex> lock(FWriterLock);
  if (!FWriter) FWriter = New<TMonitorWriterThread>(FShared);
  static_cast<TMonitorWriterThread*>(FWriter)->Enqueue(New<TFIBTraceObject>(kind, std::move(full)));
}

bool TFIBSQLMonitorHook::Wanted(int32_t counterOffset) const {
  if (!FActive || !IsTraceEnabled() || GetMonitorCount() <= 0) return false;
  return counterOffset < 0 || FShared->Int(counterOffset).load() > 0;
}

void TFIBSQLMonitorHook::TraceService(TComponent* service, const char* what) {
  if (!Wanted(-1)) return;
  SendTrace(service->Name() + ": [" + what + "]", tfService);
}

void TFIBSQLMonitorHook::TraceConnect(TComponent* database) {
  if (Wanted(SB::ConnectCounter)) SendTrace(database->Name() + ": [Connect]", tfConnect);
}

void TFIBSQLMonitorHook::TraceDisconnect(TComponent* database) {
  if (Wanted(SB::ConnectCounter)) SendTrace(database->Name() + ": [Disconnect]", tfConnect);
}

void TFIBSQLMonitorHook::TraceTransaction(TComponent* transaction, const String& text) {
  if (Wanted(SB::TransactionCounter)) SendTrace(transaction->Name() + text, tfTransact);
}

void TFIBSQLMonitorHook::TraceTransactionStart(TComponent* transaction, int64_t id) {
  TraceTransaction(transaction, ": [Start transaction](" + IntToStr(id) + ")");
}

void TFIBSQLMonitorHook::TraceCommit(TComponent* transaction, int64_t id) {
  TraceTransaction(transaction, ": [Commit (Hard commit)](" + IntToStr(id) + ")");
}

void TFIBSQLMonitorHook::TraceSavepoint(TComponent* transaction, int64_t id, const String& savepoint,
                                        int32_t operation) {
  static const char* const ops[3] = {" [SetSavePoint(", " [RollBackToSavePoint(", " [ReleaseSavePoint("};
  if (operation < 0 || operation > 2) return;
  TraceTransaction(transaction,
                   ": Transaction(" + IntToStr(id) + ") -" + ops[operation] + "\"" + savepoint + "\")]");
}

void TFIBSQLMonitorHook::TraceCommitRetaining(TComponent* transaction, int64_t id) {
  TraceTransaction(transaction, ": [Commit retaining (Soft commit)](" + IntToStr(id) + ")");
}

void TFIBSQLMonitorHook::TraceRollback(TComponent* transaction, int64_t id) {
  TraceTransaction(transaction, ": [Rollback](" + IntToStr(id) + ")");
}

void TFIBSQLMonitorHook::TraceRollbackRetaining(TComponent* transaction, int64_t id) {
  TraceTransaction(transaction, ": [Rollback retaining (Soft rollback)](" + IntToStr(id) + ")");
}

void TFIBSQLMonitorHook::TraceServiceAttach(TComponent* service) { TraceService(service, "Attach"); }
void TFIBSQLMonitorHook::TraceServiceDetach(TComponent* service) { TraceService(service, "Detach"); }
void TFIBSQLMonitorHook::TraceServiceQuery(TComponent* service) { TraceService(service, "Query"); }
void TFIBSQLMonitorHook::TraceServiceStart(TComponent* service) { TraceService(service, "Start"); }

TFIBSQLMonitorHook* MonitorHook() {
  TFIBSQLMonitorHook* hook = gHook.load();
  if (hook || gFinalizing) return hook;
  std::lock_guard<std::mutex> lock(gHookLock);
  hook = gHook.load();
  if (!hook && !gFinalizing) gHook = hook = New<TFIBSQLMonitorHook>();
  return hook;
}

bool IsTraceEnabled() { return true; }

void FinalizeSQLMonitor() {
  gFinalizing = true;
  TFIBSQLMonitorHook* hook = gHook.exchange(nullptr);
  if (hook) hook->Free();
}

namespace {
struct MonitorFinalizer {
  ~MonitorFinalizer() { FinalizeSQLMonitor(); }
} gMonitorFinalizer;
}  // namespace

// --- statements ----------------------------------------------------------------------------------------------

namespace {
String StatementTraceName(TFIBQuery* statement) { return statement->Name(); }

String TraceParamValue(TFIBXSQLVAR* v) {
  try {
    if (v->GetIsNull()) return "<NULL>";
    switch (v->GetSQLType()) {
      case 452:
      case 448: return "'" + v->GetAsString() + "'";
      case 520: {
        if (v->BlobContents) return "<BLOB>";
        const fbapi::ISC_QUAD q = v->GetAsQuad();
        return "<BLOB> (BLOB_ID=" + IntToStr(static_cast<int32_t>(q.gds_quad_high)) + "," +
               UIntToStr(static_cast<uint32_t>(q.gds_quad_low)) + ")";
      }
      case 540: return "<ARRAY>";
      default: return v->GetAsString();
    }
  } catch (const Exception&) {
    return "<Can't print value>";
  }
}
}  // namespace

void TFIBSQLMonitorHook::TracePrepare(TFIBQuery* statement) {
  if (!Wanted(SB::PrepareCounter)) return;
  String text = StatementTraceName(statement) + ": [Prepare] " + statement->SQL()->Text() + "\r\n";
  try {
    text += "  Plan: " + statement->GetPlan();
  } catch (const Exception&) {
    text += "  Plan: Can't retrieve plan ";
  }
  SendTrace(text, tfQPrepare);
}

void TFIBSQLMonitorHook::TraceExecute(TFIBQuery* statement) {
  if (!Wanted(SB::ExecuteCounter)) return;
  String name = statement->Name();
  if (statement->Owner()) name = statement->Owner()->Name() + "." + name;
  String text = name + ": [Execute] " + statement->SQL()->Text();
  TFIBXSQLDA* params = statement->Params();
  for (int32_t i = 0; i < params->Count(); ++i)
    text += "\r\n  " + params->GetVar(i)->Name() + " = " + TraceParamValue(params->GetVar(i));
  const TFIBSQLTypes t = statement->SQLType();
  if (t == SQLInsert || t == SQLUpdate || t == SQLDelete) {
    try {
      text += "\r\nRows Affected:  " + IntToStr(statement->GetRowsAffected());
    } catch (const Exception&) {
    }
  }
  text += "\r\nExecute tick count " + UIntToStr(statement->CallTime());
  SendTrace(text, tfQExecute);
}

void TFIBSQLMonitorHook::TraceFetch(TFIBQuery* statement) {
  if (!Wanted(SB::FetchCounter)) return;
  String text = "\r\n" + StatementTraceName(statement) + ": [Fetch] " + statement->SQL()->Text();
  TFIBXSQLDA* row = statement->GetCurrentRow();
  for (int32_t i = 0; row && i < row->Count(); ++i) {
    TFIBXSQLVAR* v = row->GetVar(i);
    String value;
    try {
      value = v->GetIsNull() ? String("NULL") : v->GetAsString();
    } catch (const Exception&) {
      value = "<Can't print value>";
    }
    text += v->Name() + " = " + value + "\r\n";
  }
  if (statement->EofFlag()) text += "\r\n  End of file reached";
  SendTrace(text, tfQFetch);
}
