#pragma once
// Components that drive the server's service manager: backup into backup files, restore from them, and
// validation or repair of a database, with the action's text output read line by line.

#include <cstdint>
#include <deque>

#include "dbaccess/IB_Intf.h"
#include "rtl/Components.h"
#include "rtl/Events.h"
#include "rtl/Interfaces.h"
#include "rtl/Sets.h"

class IIBClientLibrary;
class TStrings;
class TStringList;

enum TProtocol : uint8_t { TCP, SPX, NamedPipe, Local };
RTL_ENUM(TProtocol, TCP, SPX, NamedPipe, Local)

// Ordinal n has the bit 1 << n in the backup options value.
enum TBackupOption : uint8_t {
  IgnoreChecksums,
  IgnoreLimbo,
  MetadataOnly,
  NoGarbageCollection,
  OldMetadataDesc,
  NonTransportable,
  ConvertExtTables
};
RTL_ENUM(TBackupOption, IgnoreChecksums, IgnoreLimbo, MetadataOnly, NoGarbageCollection, OldMetadataDesc,
         NonTransportable, ConvertExtTables)
using TBackupOptions = Set<TBackupOption>;

// Ordinal n has the bit 0x100 << n in the restore options value.
enum TRestoreOption : uint8_t {
  DeactivateIndexes,
  NoShadow,
  NoValidityCheck,
  OneRelationAtATime,
  Replace,
  CreateNewDB,
  UseAllSpace
};
RTL_ENUM(TRestoreOption, DeactivateIndexes, NoShadow, NoValidityCheck, OneRelationAtATime, Replace, CreateNewDB,
         UseAllSpace)
using TRestoreOptions = Set<TRestoreOption>;

enum TValidateOption : uint8_t {
  LimboTransactions,
  CheckDB,
  IgnoreChecksum,
  KillShadows,
  MendDB,
  SweepDB,
  ValidateDB,
  ValidateFull
};
RTL_ENUM(TValidateOption, LimboTransactions, CheckDB, IgnoreChecksum, KillShadows, MendDB, SweepDB, ValidateDB,
         ValidateFull)
using TValidateOptions = Set<TValidateOption>;

enum TTransactionGlobalAction : uint8_t { CommitGlobal, RollbackGlobal, RecoverTwoPhaseGlobal, NoGlobalAction };
RTL_ENUM(TTransactionGlobalAction, CommitGlobal, RollbackGlobal, RecoverTwoPhaseGlobal, NoGlobalAction)

class TpZAZCustomService;
using TLoginEvent = Event<TpZAZCustomService*, TStrings*>;
using TServiceGetTextNotify = Event<TObject*, const String&>;

uint32_t BackupOptionsValue(TBackupOptions options);
uint32_t RestoreOptionsValue(TRestoreOptions options);

// The connection to the service manager.
class TpZAZCustomService : public TComponent {
  RTL_CLASS(TpZAZCustomService, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZCustomService(TComponent* AOwner);
  ~TpZAZCustomService() override;
  void BeforeDestruction() override;
  void Loaded() override;

  bool Active() const { return FHandle != 0; }
  void SetActive(bool value);
  const String& ServerName() const { return FServerName; }
  void SetServerName(const String& value);
  TProtocol Protocol() const { return FProtocol; }
  void SetProtocol(TProtocol value);
  TStrings* Params() const;
  void SetParams(TStrings* value);
  bool LoginPrompt() const { return FLoginPrompt; }
  void SetLoginPrompt(bool value) { FLoginPrompt = value; }
  const TNotifyEvent& OnAttach() const { return FOnAttach; }
  void SetOnAttach(const TNotifyEvent& value) { FOnAttach = value; }
  const TLoginEvent& OnLogin() const { return FOnLogin; }
  void SetOnLogin(const TLoginEvent& value) { FOnLogin = value; }
  const String& LibraryName() const { return FLibraryName; }
  void SetLibraryName(const String& value);

  void Attach();
  void Detach();
  void CheckActive();
  void CheckInactive();

  // The name the service manager is attached by, from Protocol and ServerName.
  String ServiceName() const;
  // The service parameter block built from Params (version bytes included).
  String BuildSPB() const;
  isc_svc_handle Handle() const { return FHandle; }

protected:
  IIBClientLibrary* ClientLibrary();
  // Sets the handle to 0 after a failed call, detaches it and raises the server error of the calling
  // thread. Before the detach, SettleFailedHandle lets the service manager finish what still runs on it.
  [[noreturn]] void ServiceCallFailed();
  // Called by ServiceCallFailed with the handle about to be detached; the calling thread's status vector
  // holds the failure and must be left as it is. Empty here.
  virtual void SettleFailedHandle(isc_svc_handle handle) { (void)handle; }
  // Index of the first Params line whose first occurrence of name starts at 1 or behind "isc_spb_".
  int32_t IndexOfParam(const String& name) const;

  int32_t FBufferSize = 32000;
  isc_svc_handle FHandle = 0;

private:
  bool Login();
  bool IsLibraryNameStored() const;
  void ParamsChange(TObject* sender);
  void ParamsChanging(TObject* sender);

  IPtr<IIBClientLibrary> FLibrary;
  String FSPB;
  bool FSPBRebuild = true;
  bool FStreamedActive = false;
  String FServerName;
  TProtocol FProtocol = Local;
  TStringList* FParams = nullptr;
  bool FLoginPrompt = true;
  TNotifyEvent FOnAttach;
  TLoginEvent FOnLogin;
  String FLibraryName;
};

// Adds the start request.
class TpZAZControlService : public TpZAZCustomService {
  RTL_CLASS(TpZAZControlService, TpZAZCustomService)
public:
  using TpZAZCustomService::TpZAZCustomService;

  // CheckActive, BuildStartRequest, SendStartRequest.
  virtual void ServiceStart();
  // Fills the start request of the action; empty here.
  virtual void BuildStartRequest() {}
  // The request that BuildStartRequest filled (cleared once sent).
  const String& StartParams() const { return FStartParams; }

protected:
  void SendStartRequest();
  void AddStartByte(uint8_t b) { FStartParams += static_cast<char>(b); }
  // Tag, 2-byte length, bytes; an empty value adds nothing. Over 65,535 bytes: client error.
  void AddStartString(uint8_t tag, const String& value);
  // Tag, 4-byte little-endian value.
  void AddStartInteger(uint8_t tag, int32_t value);

  String FStartParams;
};

// Adds the output query and the output loop.
class TpZAZControlAndQueryService : public TpZAZControlService {
  RTL_CLASS(TpZAZControlAndQueryService, TpZAZControlService)
  RTL_PUBLISHED_DECL
public:
  using TpZAZControlService::TpZAZControlService;
  ~TpZAZControlAndQueryService() override;

  // Starts the action and reads its output to the end, so that an error the server reports after the
  // last line surfaces here. Each line goes to OnTextNotify when it is set (the last call with the empty
  // line that ends the output); otherwise the lines wait for FetchNextLine.
  void ServiceStart() override;
  // The next output line of the running action, or "" at its end (then Eof is true).
  String FetchNextLine();
  bool Eof() const { return FEof && FPending.empty(); }

  int32_t BufferSize() const { return FBufferSize; }
  // 4 to 65,535 (the client takes the size as 16 bits); other values raise a client error.
  void SetBufferSize(int32_t value);

  // 0 before any start, then 1 backup, 2 restore, 3 validation.
  int32_t RunningAction() const { return FAction; }

protected:
  virtual const TServiceGetTextNotify& TextNotify() const;
  void BeginAction(int32_t action) {
    FAction = action;
    FEof = false;
    FRunning = false;
    FPending.clear();
  }
  String QueryNextLine();
  // A query failed while the action was running: the service manager goes on with it after a detach
  // (a restore keeps its database in use, a backup keeps writing its file), so its remaining output is
  // read and dropped until it ends or another query fails.
  void SettleFailedHandle(isc_svc_handle handle) override;
  // Each output line as ServiceStart reads it, and the end of the output once it has been read in
  // full; the backup and restore check there that the utility reached its closing step.
  virtual void OutputLine(const String& line) { (void)line; }
  virtual void OutputEnded() {}

private:
  void Query(const String& items);

  bool FEof = false;
  // Set from a successful start of the action until its output has ended.
  bool FRunning = false;
  int32_t FAction = 0;
  char* FOutputBuffer = nullptr;
  std::deque<String> FPending;
};

// Adds Verbose and OnTextNotify.
class TpZAZBackupRestoreService : public TpZAZControlAndQueryService {
  RTL_CLASS(TpZAZBackupRestoreService, TpZAZControlAndQueryService)
  RTL_PUBLISHED_DECL
public:
  using TpZAZControlAndQueryService::TpZAZControlAndQueryService;

  // A verbose run whose output ends before the utility's closing line raises a client error after
  // the output has been read to its end (the lines stay available to FetchNextLine).
  void ServiceStart() override;

  bool Verbose() const { return FVerbose; }
  void SetVerbose(bool value) { FVerbose = value; }
  const TServiceGetTextNotify& OnTextNotify() const { return FOnTextNotify; }
  void SetOnTextNotify(const TServiceGetTextNotify& value) { FOnTextNotify = value; }

protected:
  const TServiceGetTextNotify& TextNotify() const override { return FOnTextNotify; }
  // "file" gives tag fileTag with file; "file=length" adds lengthTag with the number.
  void AddFileLines(TStrings* lines, uint8_t fileTag, uint8_t lengthTag);
  // The utility can end a run that stopped short (a backup file cut short, a volume it could not
  // open) without any error in the status, so a verbose run counts as complete only when its output
  // holds the closing line: ClosingLine is its text (without the "gbak:" prefix), IncompleteMessage
  // the error raised when it is missing. Without Verbose there is no output to tell by.
  virtual const char* ClosingLine() const { return nullptr; }
  virtual const char* IncompleteMessage() const { return nullptr; }
  void OutputLine(const String& line) override;
  void OutputEnded() override;

private:
  bool FVerbose = false;
  bool FCheckClosing = false;
  bool FClosed = false;
  TServiceGetTextNotify FOnTextNotify;
};

class TpZAZBackupService : public TpZAZBackupRestoreService {
  RTL_CLASS(TpZAZBackupService, TpZAZBackupRestoreService)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZBackupService(TComponent* AOwner);
  ~TpZAZBackupService() override;
  void BuildStartRequest() override;

  TStrings* BackupFile() const;
  void SetBackupFile(TStrings* value);
  int32_t BlockingFactor() const { return FBlockingFactor; }
  void SetBlockingFactor(int32_t value) { FBlockingFactor = value; }
  const String& DatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const String& value) { FDatabaseName = value; }
  TBackupOptions Options() const { return FOptions; }
  void SetOptions(TBackupOptions value) { FOptions = value; }

protected:
  const char* ClosingLine() const override;
  const char* IncompleteMessage() const override;

private:
  TStringList* FBackupFile;
  int32_t FBlockingFactor = 0;
  String FDatabaseName;
  TBackupOptions FOptions;
};

class TpZAZRestoreService : public TpZAZBackupRestoreService {
  RTL_CLASS(TpZAZRestoreService, TpZAZBackupRestoreService)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZRestoreService(TComponent* AOwner);
  ~TpZAZRestoreService() override;
  void BuildStartRequest() override;

  TStrings* DatabaseName() const;
  void SetDatabaseName(TStrings* value);
  TStrings* BackupFile() const;
  void SetBackupFile(TStrings* value);
  int32_t PageSize() const { return FPageSize; }
  void SetPageSize(int32_t value) { FPageSize = value; }
  int32_t PageBuffers() const { return FPageBuffers; }
  void SetPageBuffers(int32_t value) { FPageBuffers = value; }
  TRestoreOptions Options() const { return FOptions; }
  void SetOptions(TRestoreOptions value) { FOptions = value; }

protected:
  const char* ClosingLine() const override;
  const char* IncompleteMessage() const override;

private:
  TStringList* FDatabaseName;
  TStringList* FBackupFile;
  int32_t FPageSize = 0;
  int32_t FPageBuffers = 0;
  TRestoreOptions FOptions{CreateNewDB};
};

class TpZAZValidationService : public TpZAZControlAndQueryService {
  RTL_CLASS(TpZAZValidationService, TpZAZControlAndQueryService)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZValidationService(TComponent* AOwner);
  ~TpZAZValidationService() override;
  void BuildStartRequest() override;

  const String& DatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const String& value) { FDatabaseName = value; }
  TValidateOptions Options() const { return FOptions; }
  void SetOptions(TValidateOptions value) { FOptions = value; }
  // Kept for streaming; no request uses it.
  TTransactionGlobalAction GlobalAction() const { return FGlobalAction; }
  void SetGlobalAction(TTransactionGlobalAction value) { FGlobalAction = value; }
  const TServiceGetTextNotify& OnTextNotify() const { return FOnTextNotify; }
  void SetOnTextNotify(const TServiceGetTextNotify& value) { FOnTextNotify = value; }

protected:
  const TServiceGetTextNotify& TextNotify() const override { return FOnTextNotify; }

private:
  String FDatabaseName;
  TValidateOptions FOptions;
  TTransactionGlobalAction FGlobalAction = CommitGlobal;
  TServiceGetTextNotify FOnTextNotify;
};
