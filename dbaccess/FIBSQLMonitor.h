#pragma once
// The trace channel to an external SQL monitor on the same machine: a named 2048-byte shared block, a
// named mutex and four named events. The library side formats trace texts, queues them, and a writer
// thread hands them to every attached monitor piece by piece with a handshake per piece.

#include <cstdint>
#include <mutex>

#include "rtl/System.h"

class TComponent;
class TThread;
class TFIBQuery;

// Byte offsets of the shared block (integers little-endian, signed 32-bit).
namespace SQLMonitorBlock {
constexpr int32_t Size = 2048;
constexpr int32_t TextSize = 2002;
constexpr int32_t Text = 0;
constexpr int32_t TimeStamp = 2004;           // double: days since 1899-12-30, local time
constexpr int32_t TransactionCounter = 2012;  // monitors that want each kind
constexpr int32_t ConnectCounter = 2016;
constexpr int32_t FetchCounter = 2020;
constexpr int32_t ExecuteCounter = 2024;
constexpr int32_t PrepareCounter = 2028;
constexpr int32_t Length = 2032;
constexpr int32_t Kind = 2036;
constexpr int32_t ReaderCount = 2040;
constexpr int32_t MonitorCount = 2044;
}  // namespace SQLMonitorBlock

enum TFIBTraceFlag : uint8_t { tfQPrepare, tfQExecute, tfQFetch, tfConnect, tfTransact, tfService };

// The names of the channel's objects are this base followed by ".SharedMem", ".Mutex",
// ".WriteEvent", ".WriteFinishedEvent", ".ReadEvent" and ".ReadFinishedEvent".
constexpr const char* DefaultMonitorChannel = "ZAZ.SQL.MONITOR";
// Moves the channel to another base name (tests keep their channel to themselves). Only before the
// hook is first used.
void SetMonitorChannel(const String& base);
String MonitorChannel();

class TFIBSQLMonitorHook : public TObject {
  RTL_CLASS(TFIBSQLMonitorHook, TObject)
public:
  TFIBSQLMonitorHook();
  ~TFIBSQLMonitorHook() override;

  // Statements: the prepared text with its plan, the executed text with its parameter values, and
  // each fetched row.
  virtual void TracePrepare(TFIBQuery* statement);
  virtual void TraceExecute(TFIBQuery* statement);
  virtual void TraceFetch(TFIBQuery* statement);
  // Connections and transactions: texts built from the component's name (and the transaction's
  // server-side number, which the caller passes only for a transaction with a default connection).
  virtual void TraceConnect(TComponent* database);
  virtual void TraceDisconnect(TComponent* database);
  virtual void TraceTransactionStart(TComponent* transaction, int64_t transactionID);
  virtual void TraceCommit(TComponent* transaction, int64_t transactionID);
  // operation 0 sets, 1 rolls back to, 2 releases the savepoint.
  virtual void TraceSavepoint(TComponent* transaction, int64_t transactionID, const String& savepoint,
                              int32_t operation);
  virtual void TraceCommitRetaining(TComponent* transaction, int64_t transactionID);
  virtual void TraceRollback(TComponent* transaction, int64_t transactionID);
  virtual void TraceRollbackRetaining(TComponent* transaction, int64_t transactionID);
  virtual void TraceServiceAttach(TComponent* service);
  virtual void TraceServiceDetach(TComponent* service);
  virtual void TraceServiceQuery(TComponent* service);
  virtual void TraceServiceStart(TComponent* service);

  // Queues a text of a kind for the writer; drops it when no monitor is attached.
  void SendTrace(const String& text, TFIBTraceFlag kind);
  // Off stops, waits for and frees the writer thread.
  void SetEnabled(bool value);
  bool Enabled() const { return FActive; }
  // The monitor count of the shared block; 0 when it is not mapped.
  int32_t GetMonitorCount() const;
  // Whether a writer thread runs: only while texts are queued for attached monitors.
  bool WriterRunning() const;

  // The mapped block and the named objects; defined where they are used.
  struct Shared;

private:
  bool CreateSharedObjects();
  void StopWriter();
  void TraceService(TComponent* service, const char* what);
  // True when the hook is on, a monitor is attached and, for counterOffset >= 0, wants the kind.
  bool Wanted(int32_t counterOffset) const;
  void TraceTransaction(TComponent* transaction, const String& text);
  bool FActive = true;
  bool FSharedCreated = false;
  Shared* FShared = nullptr;
  mutable std::mutex FWriterLock;
  TThread* FWriter = nullptr;
};

// The process-wide hook, created on first use; null once the library is shutting down and none exists.
TFIBSQLMonitorHook* MonitorHook();
// The trace switch: on from the start.
bool IsTraceEnabled();
// Stops the writer thread and frees the hook, as the end of the process does; later calls of
// MonitorHook return null.
void FinalizeSQLMonitor();
