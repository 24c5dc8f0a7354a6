#include "datasets/ZAZDataSet.h"

#include <ibase.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "dbaccess/FIBDecimals.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBTimer.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/ServerDateTime.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "datasets/DSContainer.h"
#include "db/DBCommon.h"
#include "db/DBScreen.h"
#include "rtl/DateTime.h"
#include "rtl/FMTBcd.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/StringLists.h"

namespace {

constexpr double MSecsInDay = 86400000.0;

template <class T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void Store(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

double Power10(int32_t n) { return std::pow(10.0, n); }

bool IsTextType(int16_t t) { return t == SQL_TEXT || t == SQL_VARYING; }

// Bit 7 of a row's status byte: the calculated values kept in the row are valid.
constexpr uint8_t CalcValuesCachedBit = 0x80;
// Marks a saved screen cursor as "nothing was changed".
constexpr TCursor NoSavedCursor = INT16_MIN;

bool IsCalcKind(const TField* f) { return f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup; }

// Shows the dataset's SQL cursor for the life of the scope.
class TScreenCursorScope {
public:
  explicit TScreenCursorScope(const TFIBCustomDataSet* ds) : FDataSet(ds) { ds->ShowSQLScreenCursor(FSaved); }
  ~TScreenCursorScope() { FDataSet->RestoreScreenCursor(FSaved); }
  TScreenCursorScope(const TScreenCursorScope&) = delete;
  TScreenCursorScope& operator=(const TScreenCursorScope&) = delete;

private:
  const TFIBCustomDataSet* FDataSet;
  TCursor FSaved = NoSavedCursor;
};

}  // namespace

TFIBCustomDataSet::TFIBCustomDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TFIBCustomDataSet::~TFIBCustomDataSet() {
  FreeAndNil(FCache);
  FreeAndNil(FDataLink);
  FreeAndNil(FFilterParser);
  FreeAndNil(FSQLs);
}

void TFIBCustomDataSet::AfterConstruction() {
  TDataSet::AfterConstruction();
  FDelete = CreateOwnedStatement("DeleteQuery");
  FInsert = CreateOwnedStatement("InsertQuery");
  FRefresh = CreateOwnedStatement("RefreshQuery");
  FUpdate = CreateOwnedStatement("UpdateQuery");
  FSelect = CreateOwnedStatement("SelectQuery");
  SetBookmarkSize(8);
  InitMasterLinks();
}

void TFIBCustomDataSet::BeforeDestruction() {
  if (Active()) SetActive(false);
  BindTransactionEvents(FTransaction, true, false);
  BindTransactionEvents(UpdateTransaction(), false, false);
  SetContainer(nullptr);
  FDataLink->SetDataSource(nullptr);
  ReleaseMasterLinks();
  TDataSet::BeforeDestruction();
}

int32_t TFIBCustomDataSet::QueryInterface(const TGUID& iid, void** obj) {
  if (void* p = InterfaceByIID(iid)) {
    *obj = p;
    return RTL_S_OK;
  }
  *obj = nullptr;
  return RTL_E_NOINTERFACE;
}

TFIBQuery* TFIBCustomDataSet::CreateOwnedStatement(const String& name) {
  auto* q = New<TFIBQuery>(this);
  q->SetGoToFirstRecordOnExecute(false);
  q->SetParamCheck(true);
  q->SetName(name);
  return q;
}

void TFIBCustomDataSet::SetDatabase(TFIBDatabase* value) {
  if (value == FDatabase) return;
  if (FIsOpen) RaiseClientError(28, {" change database ", FullComponentName(this)});
  FDatabase = value;
  for (TFIBQuery* q : {FSelect, FInsert, FUpdate, FDelete, FRefresh}) q->SetDatabase(value);
  FIsPrepared = false;
  // A connection with its own update transaction lends it to datasets that have none of their own.
  const bool loading = ComponentState().Contains(csLoading) || (value && value->ComponentState().Contains(csLoading));
  if (value && value->DefaultUpdateTransaction() && !loading &&
      (!UpdateTransaction() || UpdateTransaction() == FTransaction))
    SetUpdateTransaction(value->DefaultUpdateTransaction());
  SyncLinkObject();
}

void TFIBCustomDataSet::SetTransaction(TFIBTransaction* value) {
  if (FIsOpen) RaiseClientError(28, {" change transaction ", FullComponentName(this)});
  // Statements that shared the read transaction keep sharing it; a separate update transaction stays.
  const bool shared = FSelect->Transaction() == FDelete->Transaction();
  BindTransactionEvents(FSelect->Transaction(), true, false);
  BindTransactionEvents(FSelect->Transaction(), false, false);
  FTransaction = value;
  if (value) value->FreeNotification(this);
  FSelect->SetTransaction(value);
  BindTransactionEvents(value, true, true);
  if (shared) {
    for (TFIBQuery* q : {FRefresh, FDelete, FInsert, FUpdate}) q->SetTransaction(value);
    BindTransactionEvents(value, false, true);
  } else {
    BindTransactionEvents(FDelete->Transaction(), false, true);
    if (FRefreshTransactionKind == tkReadTransaction) FRefresh->SetTransaction(value);
  }
  SyncLinkObject();
}

TFIBTransaction* TFIBCustomDataSet::UpdateTransaction() const { return FUpdate->Transaction(); }

void TFIBCustomDataSet::SetUpdateTransaction(TFIBTransaction* value) {
  if (FRefreshTransactionKind == tkUpdateTransaction) FRefresh->SetTransaction(value);
  BindTransactionEvents(FDelete->Transaction(), false, false);
  for (TFIBQuery* q : {FDelete, FInsert, FUpdate}) q->SetTransaction(value);
  if (value) {
    value->FreeNotification(this);
    BindTransactionEvents(value, false, true);
  }
}

void TFIBCustomDataSet::SetRefreshTransactionKind(TTransactionKind value) {
  FRefresh->SetTransaction(value == tkReadTransaction ? FTransaction : UpdateTransaction());
  FRefreshTransactionKind = value;
}

void TFIBCustomDataSet::BindTransactionEvents(TFIBTransaction* tr, bool read, bool add) {
  if (!tr) return;
  using T = TFIBCustomDataSet;
  const TNotifyEvent beforeStart = read ? TNotifyEvent(this, &T::DoBeforeStartTransaction)
                                        : TNotifyEvent(this, &T::DoBeforeStartUpdateTransaction);
  const TNotifyEvent afterStart = read ? TNotifyEvent(this, &T::DoAfterStartTransaction)
                                       : TNotifyEvent(this, &T::DoAfterStartUpdateTransaction);
  const TEndTrEvent beforeEnd = read ? TEndTrEvent(this, &T::DoBeforeEndTransaction)
                                     : TEndTrEvent(this, &T::DoBeforeEndUpdateTransaction);
  const TEndTrEvent afterEnd = read ? TEndTrEvent(this, &T::DoAfterEndTransaction)
                                    : TEndTrEvent(this, &T::DoAfterEndUpdateTransaction);
  // Removed first: a handler is registered once, however often the same transaction is given again.
  tr->RemoveEvent(tekBeforeStart, beforeStart);
  tr->RemoveEvent(tekAfterStart, afterStart);
  tr->RemoveEndEvent(tekBeforeEnd, beforeEnd);
  tr->RemoveEndEvent(tekAfterEnd, afterEnd);
  if (!add) return;
  tr->AddEvent(tekBeforeStart, beforeStart);
  tr->AddEvent(tekAfterStart, afterStart);
  tr->AddEndEvent(tekBeforeEnd, beforeEnd);
  tr->AddEndEvent(tekAfterEnd, afterEnd);
}

void TFIBCustomDataSet::DoBeforeStartTransaction(TObject* sender) {
  if (BeforeStartTransaction.Assigned()) BeforeStartTransaction(sender);
}
void TFIBCustomDataSet::DoAfterStartTransaction(TObject* sender) {
  if (AfterStartTransaction.Assigned()) AfterStartTransaction(sender);
}
void TFIBCustomDataSet::DoBeforeEndTransaction(TFIBTransaction* sender, TTransactionAction action, bool force) {
  if (BeforeEndTransaction.Assigned()) BeforeEndTransaction(sender, action, force);
}
void TFIBCustomDataSet::DoAfterEndTransaction(TFIBTransaction* sender, TTransactionAction action, bool force) {
  if (AfterEndTransaction.Assigned()) AfterEndTransaction(sender, action, force);
}
void TFIBCustomDataSet::DoBeforeStartUpdateTransaction(TObject* sender) {
  if (BeforeStartUpdateTransaction.Assigned()) BeforeStartUpdateTransaction(sender);
}
void TFIBCustomDataSet::DoAfterStartUpdateTransaction(TObject* sender) {
  if (AfterStartUpdateTransaction.Assigned()) AfterStartUpdateTransaction(sender);
}
void TFIBCustomDataSet::DoBeforeEndUpdateTransaction(TFIBTransaction* sender, TTransactionAction action,
                                                     bool force) {
  if (BeforeEndUpdateTransaction.Assigned()) BeforeEndUpdateTransaction(sender, action, force);
}
void TFIBCustomDataSet::DoAfterEndUpdateTransaction(TFIBTransaction* sender, TTransactionAction action,
                                                    bool force) {
  if (AfterEndUpdateTransaction.Assigned()) AfterEndUpdateTransaction(sender, action, force);
}

void TFIBCustomDataSet::StartUpdateTransaction() {
  TFIBTransaction* tr = UpdateTransaction();
  if (tr && !tr->InTransaction() && FOptions.Contains(poStartTransaction)) tr->StartTransaction();
}

void TFIBCustomDataSet::AutoCommitUpdate() {
  TFIBTransaction* tr = UpdateTransaction();
  if (!FAutoCommit || !tr || !tr->InTransaction()) return;
  if (tr == FTransaction || tr->TimeoutAction() == TACommitRetaining) tr->CommitRetaining();
  else tr->Commit();
}

void TFIBCustomDataSet::EnsureUpdateTransactionActive() {
  TFIBTransaction* tr = UpdateTransaction();
  if (!tr) RaiseClientError(22, {FullComponentName(Owner() ? Owner() : this)});
  tr->EnsureActive();
}

void TFIBCustomDataSet::ShowSQLScreenCursor(TCursor& saved) const {
  saved = NoSavedCursor;
  if (FSQLScreenCursor == crDefault || !DBScreenAvailable()) return;
  saved = DBScreenCursor();
  if (saved != FSQLScreenCursor) SetDBScreenCursor(FSQLScreenCursor);
}

void TFIBCustomDataSet::RestoreScreenCursor(TCursor saved) const {
  if (saved == NoSavedCursor || !DBScreenAvailable()) return;
  if (saved != FSQLScreenCursor) SetDBScreenCursor(saved);
}

void TFIBCustomDataSet::SetDataSource(TDataSource* value) {
  if (value && IsLinkedTo(value)) RaiseClientError(50, {FullComponentName(this)});
  FDataLink->SetDataSource(value);
}

TDataSource* TFIBCustomDataSet::GetDataSource() const { return FDataLink ? FDataLink->DataSource() : nullptr; }

void TFIBCustomDataSet::SetContainer(TDataSetsContainer* value) {
  if (value == FContainer) return;
  if (FContainer) {
    FContainer->RemoveDataSet(this);
    FContainer->RemoveFreeNotification(this);
  }
  FContainer = value;
  if (value) {
    value->AddDataSet(this);
    value->FreeNotification(this);
  }
}

void TFIBCustomDataSet::Notification(TComponent* component, TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FContainer) FContainer = nullptr;
  if (component == FTransaction) FTransaction = nullptr;
}

TStrings* TFIBCustomDataSet::SelectSQL() const { return FSelect->SQL(); }
TStrings* TFIBCustomDataSet::InsertSQL() const { return FInsert->SQL(); }
TStrings* TFIBCustomDataSet::UpdateSQL() const { return FUpdate->SQL(); }
TStrings* TFIBCustomDataSet::DeleteSQL() const { return FDelete->SQL(); }
TStrings* TFIBCustomDataSet::RefreshSQL() const { return FRefresh->SQL(); }

TStrings* TFIBCustomDataSet::DataSetSQL(TDataSetSQLKind kind) {
  switch (kind) {
    case dskSelect: return SelectSQL();
    case dskUpdate: return UpdateSQL();
    case dskDelete: return DeleteSQL();
    case dskInsert: return InsertSQL();
    case dskRefresh: return RefreshSQL();
  }
  return nullptr;
}

void TFIBCustomDataSet::SetDataSetSQL(TDataSetSQLKind kind, TStrings* value) { DataSetSQL(kind)->Assign(value); }

int32_t TFIBCustomDataSet::ConnectionSQLDialect() { return FDatabase ? FDatabase->SQLDialect() : 3; }

void TFIBCustomDataSet::SetPrepareOptions(TpPrepareOptions value) {
  const TpPrepareOptions typeOptions{psUseBooleanField, psSQLINT64ToBCD, psUseLargeIntField};
  if ((value * typeOptions) != (FPrepareOptions * typeOptions) && FIsOpen)
    RaiseClientError(28, {"change psUseBooleanField or psSQLINT64ToBCD or psUseLargeIntField\r\n",
                          FullComponentName(this)});
  FPrepareOptions = value;
  if (FIsPrepared) {
    FieldDefs()->Clear();
    InternalInitFieldDefs();
  }
}

void TFIBCustomDataSet::CheckDatabaseAndTransaction() {
  if (!FDatabase && FTransaction) SetDatabase(FTransaction->DefaultDatabase());
  if (!FTransaction && FDatabase) SetTransaction(FDatabase->DefaultTransaction());
  if (!FDatabase) RaiseClientError(22, {FullComponentName(this)});
  if (!FTransaction) RaiseClientError(22, {FullComponentName(this)});
  if (!FTransaction->InTransaction() && FOptions.Contains(poStartTransaction)) FTransaction->StartTransaction();
}

// --- preparing and field definitions ---------------------------------------------------------------------

void TFIBCustomDataSet::Prepare() {
  TScreenCursorScope cursor(this);
  CheckDatabaseAndTransaction();
  if (StringsAreBlank(SelectSQL())) RaiseClientError(37, {"Prepare " + FullComponentName(this)});
  if (!FSelect->Prepared()) FSelect->Prepare();
  FIsPrepared = true;
  InternalInitFieldDefs();
}

void TFIBCustomDataSet::UnPrepare() {
  for (TFIBQuery* q : {FSelect, FDelete, FInsert, FUpdate}) q->FreeHandle();
  FIsPrepared = false;
}

void TFIBCustomDataSet::InternalInitFieldDefs() {
  if (!FIsPrepared) {
    Prepare();
    return;
  }
  TFieldDefs* defs = FieldDefs();
  defs->BeginUpdate();
  try {
    defs->Clear();
    for (int32_t i = 0; i < FSelect->GetFieldCount(); ++i) {
      TFIBXSQLVAR* v = FSelect->Fields(i);
      const int32_t type = v->GetSQLType();
      const int32_t scale = v->GetSQLScale();
      TFieldType ft = ftUnknown;
      int32_t size = 0;
      switch (type) {
        case SQL_VARYING:
        case SQL_TEXT:
          ft = v->GetXSQLVAR()->sqlsubtype == 3 ? ftWideString : ftString;  // character set UNICODE_FSS
          size = v->GetSQLLen();
          // A 16-byte column of a GUID domain holds the GUID's bytes; the field shows its text.
          if (size == 16 && FPrepareOptions.Contains(psUseGuidField) && IsGuidColumn(v)) {
            ft = ftGuid;
            size = 38;
          }
          break;
        case SQL_DOUBLE:
        case SQL_FLOAT:
        case SQL_D_FLOAT:
          ft = ftFloat;
          break;
        case SQL_LONG:
        case SQL_SHORT:
          if (scale < 0) ft = ftFloat;
          else if (type == SQL_SHORT) ft = ftSmallint;
          else ft = ftInteger;
          break;
        case SQL_TIMESTAMP: ft = ftDateTime; break;
        case SQL_BLOB:
          ft = v->GetSQLSubtype() == 1 ? ftMemo : ftBlob;
          size = 8;
          break;
        case SQL_ARRAY:
          ft = ftBytes;
          size = 8;
          break;
        case SQL_TYPE_TIME: ft = ftTime; break;
        case SQL_TYPE_DATE: ft = ftDate; break;
        case SQL_INT64:
          if (scale < 0) {
            ft = scale >= -4 || FPrepareOptions.Contains(psSQLINT64ToBCD) ? ftBCD : ftFloat;
            if (ft == ftBCD) size = -scale;
          } else {
            ft = FPrepareOptions.Contains(psUseLargeIntField) ? ftLargeint : ftBCD;
          }
          break;
        case SQLTypeBoolean:
        case SQLTypeBoolean64: ft = ftBoolean; break;
        default: break;
      }
      if (ft == ftUnknown) continue;
      TFieldDef* def = defs->AddFieldDef();
      def->SetName(v->Name());
      def->SetDataType(ft);
      def->SetSize(size);
      def->SetFieldNo(i + 1);
    }
  } catch (...) {
    defs->EndUpdate();
    throw;
  }
  defs->EndUpdate();
}

// --- open and close ---------------------------------------------------------------------------------------

void TFIBCustomDataSet::CreateCache() {
  FreeBlobStreams();  // the rows are fetched again with empty slots
  std::vector<TFIBColumnInfo> columns;
  int32_t blobCount = 0;
  for (int32_t i = 0; i < FSelect->GetFieldCount(); ++i) {
    TFIBXSQLVAR* v = FSelect->Fields(i);
    TFieldDef* def = nullptr;
    for (int32_t k = 0; k < FieldDefs()->Count(); ++k)
      if (FieldDefs()->Items(k)->FieldNo() == i + 1) def = FieldDefs()->Items(k);
    const int16_t type = static_cast<int16_t>(v->GetXSQLVAR()->sqltype);
    if ((type & ~1) == SQL_BLOB) ++blobCount;
    columns.push_back({type, static_cast<int16_t>(v->GetSQLScale()), static_cast<int16_t>(v->GetSQLLen()),
                       v->GetSQLName(), def ? def->DataType() : ftUnknown});
  }
  FCalcFieldsCached = FOptions.Contains(poCacheCalcFields);
  FLayout = BuildRecordLayout(columns, FDescrs, blobCount, CalcFieldsSize(), FCalcFieldsCached);
  FreeAndNil(FCache);
  FCache = New<TRecordsCache>(FBufferChunks, FLayout.LongColumnCount, FLayout.RowSize, FLayout.RecordBufferSize);
  FCache->AddBlock();
  for (int32_t i = 0; i < FDescrs.Count(); ++i) {
    const TFIBFieldDescr* d = FDescrs.Items(i);
    if (d->IsLongString) FCache->SetStringColumn(d->StringColumn + 1, d->Offset - CacheRowOffset, d->DataSize);
  }
  FFetchBuffer.assign(static_cast<size_t>(FLayout.RecordBufferSize), 0);
  FOldBuffer.assign(static_cast<size_t>(FLayout.RecordBufferSize), 0);
  FFetchedCount = 0;
  FHiddenCount = 0;
  FCurrentIndex = -1;
  FCursorAtEnd = false;
  ResetCachedUpdates();
}

void TFIBCustomDataSet::InternalOpen() {
  TScreenCursorScope cursor(this);
  if (!FIsPrepared || !FSelect->Prepared() || FieldDefs()->Count() == 0) Prepare();
  if (FSelect->SQLType() != SQLSelect && FSelect->SQLType() != SQLSelectForUpdate) {
    FSelect->ExecQuery();
    return;
  }
  SetDefaultFields(FieldCount() == 0);
  if (DefaultFields()) CreateFields();
  BindFields(true);
  DoAskRecordCount();
  SetParamsFromMaster();
  FSelect->ExecQuery();
  FIsOpen = FSelect->Open();
  CreateCache();
  OpenLocalOrderAndFilter();
  OpenCacheModel();
}

void TFIBCustomDataSet::DoAfterOpen() {
  if (FMasterWaitTimer) FMasterWaitTimer->SetEnabled(false);
  ApplyFieldSettings();
  FillFieldInfoAfterOpen();
  TDataSet::DoAfterOpen();
  RestoreLocalSortAfterOpen();
  if (FOptions.Contains(poFetchAll)) FetchAll();
}

void TFIBCustomDataSet::InternalClose() {
  if (FSelect->Open()) FSelect->CloseCursor();
  CloseCacheModel();
  FCurrentIndex = -1;
  FIsOpen = false;
  FFetchedCount = 0;
  FHiddenCount = 0;
  FreeBlobStreams();
  FreeAndNil(FCache);
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  FDescrs.Clear();
  if (FOptions.Contains(poFreeHandlesAfterClose)) UnPrepare();
}

void TFIBCustomDataSet::InternalHandleException() { throw; }

// --- fetching ---------------------------------------------------------------------------------------------

void TFIBCustomDataSet::ReadRowFromStatement(TFIBXSQLDA* row, uint8_t* buffer, bool byName) {
  for (int32_t i = 0; i < FDescrs.Count(); ++i) {
    TFIBXSQLVAR* var = byName ? row->FindByName(FSelect->Fields(i)->Name()) : row->GetVar(i);
    if (!var) continue;
    const TFIBFieldDescr* d = FDescrs.Items(i);
    const fbapi::XSQLVAR* x = var->GetXSQLVAR();
    if ((x->sqltype & ~1) != d->SQLType) continue;  // a refresh column of another type is not taken
    uint8_t* target = buffer + d->Offset;
    const bool isNull = (x->sqltype & 1) && x->sqlind && *x->sqlind == -1;
    if (d->SQLType == SQL_BLOB) DropChangedBlobSlot(buffer, i, x->sqldata, isNull);
    buffer[NullFlagsOffset + i] = isNull ? 1 : 0;
    if (isNull) {
      if (d->IsLongString) Store<int32_t>(target, 0);
      else std::memset(target, 0, static_cast<size_t>(d->DataSize));
      continue;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(x->sqldata);
    switch (d->SQLType) {
      case SQL_TEXT:
      case SQL_VARYING: {
        int32_t length = x->sqllen;
        const uint8_t* chars = data;
        if (d->SQLType == SQL_VARYING) {
          length = Load<uint16_t>(data);
          chars = data + 2;
        }
        if (d->IsLongString) {
          // Fixed-length values come padded with blanks: the cache keeps them without.
          if (d->SQLType == SQL_TEXT)
            while (length > 0 && chars[length - 1] <= 32) --length;
          length = std::min<int32_t>(length, d->DataSize);
          Store<int32_t>(target, length);
          std::memcpy(target + 4, chars, static_cast<size_t>(length));
          if (length < d->DataSize) target[4 + length] = 0;
        } else {
          length = std::min<int32_t>(length, d->DataSize);
          std::memcpy(target, chars, static_cast<size_t>(length));
          if (length < d->DataSize) std::memset(target + length, 0, static_cast<size_t>(d->DataSize - length));
        }
        break;
      }
      case SQL_TIMESTAMP: {
        Store<double>(target, TServerTimeStamp::ToMSecs(Load<fbapi::ISC_TIMESTAMP>(data)));
        break;
      }
      case SQL_TYPE_DATE:
        Store<int32_t>(target, TServerDate::ToTimeStampDate(Load<ISC_DATE>(data)));
        break;
      case SQL_TYPE_TIME:
        Store<int32_t>(target, TServerTime::ToMSecs(Load<ISC_TIME>(data)));
        break;
      default:
        std::memcpy(target, data, static_cast<size_t>(std::min<int32_t>(d->DataSize, x->sqllen)));
        break;
    }
  }
}

bool TFIBCustomDataSet::FetchRecord() {
  if (FCursorAtEnd || !FIsOpen) return false;
  TFIBXSQLDA* row = FSelect->FetchNext();
  if (!row) {
    FCursorAtEnd = true;
    return false;
  }
  std::fill(FFetchBuffer.begin(), FFetchBuffer.end(), uint8_t{0});
  ReadRowFromStatement(row, FFetchBuffer.data(), false);
  FCache->WriteRow(CacheRowOf(FFetchedCount), FFetchBuffer.data() + CacheRowOffset, true);
  bool stop = false;
  if (AfterFetchRecord.Assigned()) AfterFetchRecord(FSelect, FFetchedCount, stop);
  ++FFetchedCount;
  // The handler keeps the row it saw and ends the fetch.
  if (stop) Abort();
  return true;
}

void TFIBCustomDataSet::FetchAll() {
  if (!FIsOpen) return;
  TScreenCursorScope cursor(this);
  const bool wasEnd = FCursorAtEnd;
  while (FetchRecord()) {
  }
  if (!wasEnd && State() == dsBrowse) Resync({});
}

// --- record buffers and navigation -----------------------------------------------------------------------

TRecordBuffer TFIBCustomDataSet::AllocRecordBuffer() {
  auto* b = new uint8_t[static_cast<size_t>(FLayout.RecordBufferSize)]();
  return reinterpret_cast<TRecordBuffer>(b);
}

void TFIBCustomDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  delete[] reinterpret_cast<uint8_t*>(buffer);
  buffer = nullptr;
}

uint16_t TFIBCustomDataSet::GetRecordSize() const { return static_cast<uint16_t>(FLayout.RecordBufferSize); }

bool TFIBCustomDataSet::RowIsVisible(int32_t position0) const {
  // The ring of a unidirectional dataset is neither filtered nor hidden from.
  if (FUniDirectional) return true;
  return IsStatusVisible(FCache->RowAddress(position0 + 1)[0]) && RowPassesFilter(position0);
}

TGetResult TFIBCustomDataSet::GetCachedRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) {
  switch (getMode) {
    case gmNext:
      for (;;) {
        if (FCurrentIndex + 1 >= FFetchedCount && !FetchRecord()) {
          FCurrentIndex = FFetchedCount;
          return grEOF;
        }
        ++FCurrentIndex;
        if (RowIsVisible(FCurrentIndex)) break;
      }
      break;
    case gmPrior:
      for (;;) {
        if (FCurrentIndex <= 0) {
          FCurrentIndex = -1;
          return grBOF;
        }
        FCurrentIndex = std::min(FCurrentIndex, FFetchedCount) - 1;
        if (RowIsVisible(FCurrentIndex)) break;
      }
      break;
    case gmCurrent:
      if (FCurrentIndex < 0 || FCurrentIndex >= FFetchedCount || !RowIsVisible(FCurrentIndex)) {
        if (doCheck) DatabaseError("No Records", this);
        return grError;
      }
      break;
  }
  auto* b = reinterpret_cast<uint8_t*>(buffer);
  FCache->ReadRow(CacheRowOf(FCurrentIndex), b + CacheRowOffset, false);
  Store<int32_t>(b + RecordNumberOffset, FUniDirectional ? FCurrentIndex : FCache->PhysicalOfPosition(FCurrentIndex) - 1);
  b[BookmarkFlagOffset] = bfCurrent;
  GetCalcFields(buffer);
  return grOK;
}

bool TFIBCustomDataSet::GetCurrentRecord(TRecordBuffer buffer) {
  if (LimitedCache()) {
    if (IsEmpty() || FCurrentIndex < FCacheWindow->FirstIndex || FCurrentIndex > FCacheWindow->LastIndex) return false;
    UpdateCursorPos();
    FCache->ReadRow(CacheRowOf(FCurrentIndex), reinterpret_cast<uint8_t*>(buffer) + CacheRowOffset, false);
    return true;
  }
  if (IsEmpty() || FCurrentIndex < 0 || FCurrentIndex >= FFetchedCount) return false;
  UpdateCursorPos();
  FCache->ReadRow(FCurrentIndex + 1, reinterpret_cast<uint8_t*>(buffer) + CacheRowOffset, false);
  return true;
}

int32_t TFIBCustomDataSet::GetRecordCount() const {
  if (LimitedCache()) return FFetchedCount;
  if (FUniDirectional) return std::min(FFetchedCount, FBufferChunks);
  return FilterActive() ? FilteredRecordCount() : FFetchedCount - FHiddenCount;
}

int32_t TFIBCustomDataSet::RecNo() const {
  if (State() != dsBrowse && State() != dsEdit) return 0;
  const auto* b = reinterpret_cast<const uint8_t*>(ActiveBuffer());
  if (!b || !FCache) return 0;
  if (LimitedCache() || FUniDirectional) return Load<int32_t>(b + RecordNumberOffset) + 1;
  const int32_t position = FCache->PositionOfPhysical(Load<int32_t>(b + RecordNumberOffset) + 1);
  if (FHiddenCount == 0 && !FilterActive()) return position + 1;
  int32_t visible = 0;
  for (int32_t p = 0; p <= position; ++p)
    if (RowIsVisible(p)) ++visible;
  return visible;
}

void TFIBCustomDataSet::SetRecNo(int32_t value) {
  CheckBrowseMode();
  if (LimitedCache()) {
    // Only rows of the window can be reached by number.
    if (value < 1 || value - 1 < FCacheWindow->FirstIndex || value - 1 > FCacheWindow->LastIndex) return;
    DoBeforeScroll();
    FCurrentIndex = value - 1;
    Resync({});
    DoAfterScroll();
    return;
  }
  int32_t visible = 0;
  for (int32_t p = 0;; ++p) {
    if (p >= FFetchedCount && !FetchRecord()) return;
    if (!RowIsVisible(p)) continue;
    if (++visible == value) {
      DoBeforeScroll();
      FCurrentIndex = p;
      Resync({});
      DoAfterScroll();
      return;
    }
  }
}

void TFIBCustomDataSet::InternalFirst() {
  if (LimitedCache()) return LimitedFirst();
  FCurrentIndex = -1;
}

void TFIBCustomDataSet::InternalLast() {
  if (LimitedCache()) return LimitedLast();
  while (FetchRecord()) {
  }
  FCurrentIndex = FFetchedCount;
}

void TFIBCustomDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  if (LimitedCache()) {
    FCurrentIndex = Load<int32_t>(reinterpret_cast<uint8_t*>(buffer) + RecordNumberOffset);
    return;
  }
  InternalGotoBookmark(reinterpret_cast<uint8_t*>(buffer) + RecordNumberOffset);
}

void TFIBCustomDataSet::InternalGotoBookmark(const void* bookmark) {
  if (LimitedCache()) return LimitedGotoBookmark(static_cast<const uint8_t*>(bookmark));
  FCurrentIndex = FCache->PositionOfPhysical(Load<int32_t>(static_cast<const uint8_t*>(bookmark)) + 1);
}

void TFIBCustomDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  if (LimitedCache()) return LimitedBookmarkData(reinterpret_cast<uint8_t*>(buffer), static_cast<uint8_t*>(data));
  std::memset(data, 0, 8);
  std::memcpy(data, reinterpret_cast<uint8_t*>(buffer) + RecordNumberOffset, 4);
}

void TFIBCustomDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(reinterpret_cast<uint8_t*>(buffer) + RecordNumberOffset, data, 4);
}

TBookmarkFlag TFIBCustomDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(reinterpret_cast<uint8_t*>(buffer)[BookmarkFlagOffset]);
}

void TFIBCustomDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  reinterpret_cast<uint8_t*>(buffer)[BookmarkFlagOffset] = static_cast<uint8_t>(value);
}

bool TFIBCustomDataSet::BookmarkValid(const TBookmark& bookmark) {
  // The server is asked for a row the window does not hold.
  if (LimitedCache()) return bookmark.size() == static_cast<size_t>(BookmarkSize());
  if (!FCache || bookmark.size() < 4) return false;
  const int32_t physical = Load<int32_t>(bookmark.data()) + 1;
  if (!FCache->IsValidRow(physical)) return false;
  return RowIsVisible(FCache->PositionOfPhysical(physical));
}

int32_t TFIBCustomDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty() ? 0 : (a.empty() ? -1 : 1);
  if (LimitedCache()) {
    const int32_t ia = Load<int32_t>(a.data()), ib = Load<int32_t>(b.data());
    return ia < ib ? -1 : ia > ib ? 1 : 0;
  }
  const int32_t pa = FCache->PositionOfPhysical(Load<int32_t>(a.data()) + 1);
  const int32_t pb = FCache->PositionOfPhysical(Load<int32_t>(b.data()) + 1);
  return pa < pb ? -1 : pa > pb ? 1 : 0;
}

// --- field values -----------------------------------------------------------------------------------------

uint8_t* TFIBCustomDataSet::StateBuffer() const {
  switch (State()) {
    case dsBrowse: return IsEmpty() ? nullptr : reinterpret_cast<uint8_t*>(ActiveBuffer());
    case dsCalcFields:
    case dsInternalCalc: return reinterpret_cast<uint8_t*>(CalcBuffer());
    case dsFilter: return const_cast<uint8_t*>(FFilterBuffer.data());
    case dsOldValue:
      return FHasOldBuffer ? const_cast<uint8_t*>(FOldBuffer.data()) : reinterpret_cast<uint8_t*>(ActiveBuffer());
    default: return reinterpret_cast<uint8_t*>(ActiveBuffer());
  }
}

int32_t TFIBCustomDataSet::ColumnOf(TField* field) const {
  if (!field || field->FieldKind() != fkData) return -1;
  const int32_t column = field->FieldNo() - 1;
  return column >= 0 && column < FDescrs.Count() ? column : -1;
}

bool TFIBCustomDataSet::GetFieldData(TField* field, void* buffer) {
  if (field && IsCalcKind(field)) return GetCalcFieldData(field, buffer);
  const uint8_t* rec = StateBuffer();
  const int32_t column = ColumnOf(field);
  if (!rec || column < 0 || !FCache) return false;
  if (FDescrs.Items(column)->SQLType == SQL_BLOB) return BlobHasData(rec, column);
  if (rec[NullFlagsOffset + column]) return false;
  if (!buffer) return true;
  const TFIBFieldDescr* d = FDescrs.Items(column);
  const uint8_t* v = rec + d->Offset;
  const double scaleFactor = Power10(-d->Scale);
  switch (field->DataType()) {
    case ftGuid:
      if (d->Kind == 1) {
        TGUID guid;
        std::memcpy(&guid, v, sizeof guid);
        const String text = GUIDToString(guid);
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return true;
      }
      break;
    case ftString:
    case ftFixedChar:
    case ftWideString: {
      int32_t length;
      const uint8_t* chars = v;
      if (d->IsLongString) {
        length = Load<int32_t>(v);
        chars = v + 4;
      } else {
        const void* zero = std::memchr(v, 0, static_cast<size_t>(d->DataSize));
        length = zero ? static_cast<int32_t>(static_cast<const uint8_t*>(zero) - v) : d->DataSize;
      }
      if (FOptions.Contains(poTrimCharFields))
        while (length > 0 && chars[length - 1] == ' ') --length;
      const String text(reinterpret_cast<const char*>(chars), static_cast<size_t>(length));
      if (field->DataType() == ftWideString) {
        *static_cast<WideString*>(buffer) = Variant(text).AsWideString();
      } else {
        const auto n = std::min<size_t>(text.size(), static_cast<size_t>(std::max(field->DataSize() - 1, 0)));
        std::memcpy(buffer, text.data(), n);
        static_cast<char*>(buffer)[n] = 0;
      }
      return true;
    }
    default: break;
  }
  int64_t integer = 0;
  double real = 0;
  bool isReal = false;
  switch (d->SQLType) {
    case SQL_SHORT: integer = Load<int16_t>(v); break;
    case SQL_LONG: integer = Load<int32_t>(v); break;
    case SQL_INT64: integer = Load<int64_t>(v); break;
    case SQL_FLOAT: real = Load<float>(v); isReal = true; break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT: real = Load<double>(v); isReal = true; break;
    case SQLTypeBoolean:
    case SQLTypeBoolean64: integer = v[0]; break;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME: integer = Load<int32_t>(v); break;
    case SQL_TIMESTAMP: real = Load<double>(v); isReal = true; break;
    default:
      std::memcpy(buffer, v, static_cast<size_t>(std::min<int32_t>(d->DataSize, field->DataSize())));
      return true;
  }
  switch (field->DataType()) {
    case ftSmallint:
    case ftWord: Store<int16_t>(static_cast<uint8_t*>(buffer), static_cast<int16_t>(integer)); break;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime: Store<int32_t>(static_cast<uint8_t*>(buffer), static_cast<int32_t>(integer)); break;
    case ftLargeint: Store<int64_t>(static_cast<uint8_t*>(buffer), integer); break;
    case ftBoolean: Store<int16_t>(static_cast<uint8_t*>(buffer), integer != 0 ? int16_t{1} : int16_t{0}); break;
    case ftFloat:
    case ftCurrency:
      Store<double>(static_cast<uint8_t*>(buffer), isReal ? real : static_cast<double>(integer) / scaleFactor);
      break;
    case ftDateTime: Store<double>(static_cast<uint8_t*>(buffer), real); break;
    case ftBCD:
    case ftFMTBcd: {
      TBcd bcd;
      if (isReal) bcd = DoubleToBcd(real);
      else ScaledInt64ToBcd(-d->Scale, bcd, integer);
      *static_cast<TBcd*>(buffer) = bcd;
      break;
    }
    default: return false;
  }
  return true;
}

void TFIBCustomDataSet::SetFieldData(TField* field, const void* buffer) {
  if (field && IsCalcKind(field)) {
    SetCalcFieldData(field, buffer);
    return;
  }
  const TDataSetState st = State();
  CheckEditInsertState();
  uint8_t* rec = StateBuffer();
  const int32_t column = ColumnOf(field);
  if (!rec || column < 0) return;
  const TFIBFieldDescr* d = FDescrs.Items(column);
  uint8_t* v = rec + d->Offset;
  String text;
  const bool isText = IsTextType(d->SQLType);
  if (buffer && isText) {
    text = field->DataType() == ftWideString ? Variant(*static_cast<const WideString*>(buffer)).AsString()
                                             : String(static_cast<const char*>(buffer));
    const auto* fibField = dynamic_cast<const TFIBStringField*>(field);
    const bool emptyIsNull = fibField ? fibField->EmptyStrToNull() : FPrepareOptions.Contains(psSetEmptyStrToNull);
    if (text.empty() && emptyIsNull) buffer = nullptr;
  }
  TGUID guid{};
  const bool guidBytes = buffer && isText && d->Kind == 1 && field->DataType() == ftGuid;
  if (guidBytes) {
    if (text.empty()) buffer = nullptr;
    else guid = StringToGUID(text);
  }
  rec[NullFlagsOffset + column] = buffer ? 0 : 1;
  if (guidBytes && buffer) {
    std::memcpy(v, &guid, sizeof guid);
  } else if (!buffer) {
    if (d->IsLongString) Store<int32_t>(v, 0);
    else std::memset(v, 0, static_cast<size_t>(d->DataSize));
  } else if (isText) {
    const int32_t length = std::min<int32_t>(static_cast<int32_t>(text.size()), d->DataSize);
    if (d->IsLongString) {
      Store<int32_t>(v, length);
      v += 4;
    }
    std::memcpy(v, text.data(), static_cast<size_t>(length));
    if (length < d->DataSize) std::memset(v + length, 0, static_cast<size_t>(d->DataSize - length));
  } else {
    const auto* in = static_cast<const uint8_t*>(buffer);
    int64_t integer = 0;
    double real = 0;
    bool isReal = false;
    switch (field->DataType()) {
      case ftSmallint:
      case ftWord:
      case ftBoolean: integer = Load<int16_t>(in); break;
      case ftInteger:
      case ftAutoInc:
      case ftDate:
      case ftTime: integer = Load<int32_t>(in); break;
      case ftLargeint: integer = Load<int64_t>(in); break;
      case ftFloat:
      case ftCurrency:
      case ftDateTime: real = Load<double>(in); isReal = true; break;
      case ftBCD:
      case ftFMTBcd: {
        const TBcd& bcd = *static_cast<const TBcd*>(buffer);
        int64_t scaled;
        int32_t s;
        if (d->SQLType == SQL_DOUBLE || d->SQLType == SQL_FLOAT || !BcdToScaledInt64(bcd, scaled, s)) {
          real = BcdToDouble(bcd);
          isReal = true;
        } else {
          // Bring the value to the column's scale.
          while (s < -d->Scale) scaled *= 10, ++s;
          while (s > -d->Scale) scaled /= 10, --s;
          integer = scaled;
        }
        break;
      }
      default: std::memcpy(v, in, static_cast<size_t>(d->DataSize)); break;
    }
    const double scaleFactor = Power10(-d->Scale);
    const int64_t scaledInteger =
        isReal ? static_cast<int64_t>(std::llround(real * scaleFactor)) : integer;
    switch (d->SQLType) {
      case SQL_SHORT: Store<int16_t>(v, static_cast<int16_t>(scaledInteger)); break;
      case SQL_LONG: Store<int32_t>(v, static_cast<int32_t>(scaledInteger)); break;
      case SQL_INT64: Store<int64_t>(v, scaledInteger); break;
      case SQL_FLOAT: Store<float>(v, static_cast<float>(isReal ? real : static_cast<double>(integer))); break;
      case SQL_DOUBLE:
      case SQL_D_FLOAT: Store<double>(v, isReal ? real : static_cast<double>(integer)); break;
      case SQL_TIMESTAMP: Store<double>(v, isReal ? real : static_cast<double>(integer) * MSecsInDay); break;
      case SQL_TYPE_DATE:
      case SQL_TYPE_TIME: Store<int32_t>(v, static_cast<int32_t>(integer)); break;
      case SQLTypeBoolean:
      case SQLTypeBoolean64: v[0] = integer != 0 ? 1 : 0; break;
      default: break;
    }
  }
  if (st != dsCalcFields && st != dsFilter && st != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

void TFIBCustomDataSet::CheckEditInsertState() const {
  CheckActive();
  const TDataSetState st = State() == dsNewValue || State() == dsOldValue ? FStateBeforeValue : State();
  auto* self = const_cast<TFIBCustomDataSet*>(this);
  if (st == dsEdit) {
    if (!CanEdit()) RaiseClientError(46, {FullComponentName(self)});
  } else if (st == dsInsert) {
    if (!CanInsert()) RaiseClientError(44, {FullComponentName(self)});
  } else {
    RaiseClientError(42, {FullComponentName(self)});
  }
}

// --- calculated fields ---------------------------------------------------------------------------------------

uint8_t* TFIBCustomDataSet::CachedCalcArea(const uint8_t* buffer) const {
  if (!FCalcFieldsCached || !FCache || CalcFieldsSize() == 0 || buffer[BookmarkFlagOffset] != bfCurrent)
    return nullptr;
  const int32_t physical = Load<int32_t>(buffer + RecordNumberOffset) + 1;
  if (!FCache->IsValidRow(physical)) return nullptr;
  return FCache->RowAddress(FCache->PositionOfPhysical(physical) + 1) + FLayout.RowSize - CalcFieldsSize();
}

void TFIBCustomDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (FCalcSuppression > 0 || (CalcFieldsSize() == 0 && !InternalCalcFields()) || !buffer) return;
  auto* b = reinterpret_cast<uint8_t*>(buffer);
  // Values computed from an edit in progress are never kept: the row holds the posted values.
  const bool editing = State() == dsEdit || State() == dsInsert;
  uint8_t* cached = editing ? nullptr : CachedCalcArea(b);
  if (!cached) {
    TDataSet::GetCalcFields(buffer);
    return;
  }
  if (b[CacheRowOffset] & CalcValuesCachedBit) return;
  TDataSet::GetCalcFields(buffer);
  b[CacheRowOffset] |= CalcValuesCachedBit;
  std::memcpy(cached, b + FLayout.CalcFieldsOffset, static_cast<size_t>(CalcFieldsSize()));
  // The status byte sits right before the row's other bytes: cached - (RowSize - calc size) is the row.
  (cached - (FLayout.RowSize - CalcFieldsSize()))[0] |= CalcValuesCachedBit;
}

void TFIBCustomDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (buffer && CalcFieldsSize() > 0)
    std::memset(reinterpret_cast<uint8_t*>(buffer) + FLayout.CalcFieldsOffset, 0, static_cast<size_t>(CalcFieldsSize()));
}

bool TFIBCustomDataSet::GetCalcFieldData(TField* field, void* buffer) {
  const uint8_t* rec = StateBuffer();
  std::vector<uint8_t> oldValues;
  if (State() == dsOldValue && rec) {
    // The calculated values of the old record: computed on a copy of the old values.
    oldValues.assign(rec, rec + FLayout.RecordBufferSize);
    const TRecordBuffer saveCalc = FCalcBuffer;
    try {
      TDataSet::GetCalcFields(reinterpret_cast<TRecordBuffer>(oldValues.data()));
    } catch (...) {
      FCalcBuffer = saveCalc;
      throw;
    }
    FCalcBuffer = saveCalc;
    rec = oldValues.data();
  }
  if (!rec || !FCache) return false;
  const uint8_t* v = rec + FLayout.CalcFieldsOffset + field->Offset();
  if (!v[0]) return false;
  if (!buffer) return true;
  if (field->DataType() == ftWideString) {
    const auto* text = reinterpret_cast<const char*>(v + 1);
    *static_cast<WideString*>(buffer) =
        Variant(String(text, strnlen(text, static_cast<size_t>(field->DataSize())))).AsWideString();
  } else {
    std::memcpy(buffer, v + 1, static_cast<size_t>(field->DataSize()));
  }
  return true;
}

void TFIBCustomDataSet::SetCalcFieldData(TField* field, const void* buffer) {
  CheckActive();
  uint8_t* rec = StateBuffer();
  if (!rec || !FCache) return;
  uint8_t* v = rec + FLayout.CalcFieldsOffset + field->Offset();
  const auto size = static_cast<size_t>(field->DataSize());
  v[0] = buffer ? 1 : 0;
  std::memset(v + 1, 0, size);
  if (buffer) {
    if (field->DataType() == ftString || field->DataType() == ftFixedChar || field->DataType() == ftWideString) {
      const String text = field->DataType() == ftWideString
                              ? Variant(*static_cast<const WideString*>(buffer)).AsString()
                              : String(static_cast<const char*>(buffer), strnlen(static_cast<const char*>(buffer), size));
      size_t n = std::min(text.size(), size > 0 ? size - 1 : 0);
      // A cut never splits a character.
      while (n > 0 && n < text.size() && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
      std::memcpy(v + 1, text.data(), n);
    } else {
      std::memcpy(v + 1, buffer, size);
    }
  }
  const TDataSetState st = State();
  if (st != dsCalcFields && st != dsFilter && st != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

Variant TFIBCustomDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  // A record being inserted has no old values.
  if (State() == dsInsert && state == dsOldValue) return Variant::Null();
  if (IsCalcKind(field)) {
    switch (state) {
      case dsNewValue:
      case dsCurValue: return field->AsVariant();
      case dsOldValue: return TDataSet::GetStateFieldValue(dsOldValue, field);
      default: return Variant::Null();
    }
  }
  return TDataSet::GetStateFieldValue(state, field);
}

void TFIBCustomDataSet::SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) {
  FStateBeforeValue = State();
  TDataSet::SetStateFieldValue(state, field, value);
}

Variant TFIBCustomDataSet::ColumnValue(int32_t column, const uint8_t* rec) const {
  if (!rec || rec[NullFlagsOffset + column]) return Variant::Null();
  const TFIBFieldDescr* d = FDescrs.Items(column);
  const uint8_t* v = rec + d->Offset;
  const double scaleFactor = Power10(-d->Scale);
  switch (d->SQLType) {
    case SQL_TEXT:
    case SQL_VARYING: {
      if (d->IsLongString)
        return Variant(String(reinterpret_cast<const char*>(v + 4), static_cast<size_t>(Load<int32_t>(v))));
      // GUID bytes may hold zeros.
      if (d->Kind == 1) return Variant(String(reinterpret_cast<const char*>(v), static_cast<size_t>(d->DataSize)));
      const void* zero = std::memchr(v, 0, static_cast<size_t>(d->DataSize));
      const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - v) : static_cast<size_t>(d->DataSize);
      return Variant(String(reinterpret_cast<const char*>(v), n));
    }
    case SQL_SHORT:
      return d->Scale < 0 ? Variant(Load<int16_t>(v) / scaleFactor) : Variant(static_cast<int32_t>(Load<int16_t>(v)));
    case SQL_LONG: return d->Scale < 0 ? Variant(Load<int32_t>(v) / scaleFactor) : Variant(Load<int32_t>(v));
    case SQL_INT64: {
      const int64_t raw = Load<int64_t>(v);
      if (d->Scale == 0) return Variant(raw);
      // Up to 4 places a currency value carries the number exactly, as long as it fits.
      if (d->Scale >= -4) {
        int64_t factor = 1;
        for (int32_t i = 0; i < 4 + d->Scale; ++i) factor *= 10;
        if (raw <= INT64_MAX / factor && raw >= INT64_MIN / factor) return Variant(Currency::FromScaled(raw * factor));
      }
      TBcd bcd;
      ScaledInt64ToBcd(-d->Scale, bcd, Load<int64_t>(v));
      return VarFMTBcdCreate(bcd);
    }
    case SQL_FLOAT: return Variant(static_cast<double>(Load<float>(v)));
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return Variant(Load<double>(v));
    case SQL_TIMESTAMP: return Variant::FromDateTime(TimeStampToDateTime(MSecsToTimeStamp(Load<double>(v))));
    case SQL_TYPE_DATE: {
      TTimeStamp ts;
      ts.Date = Load<int32_t>(v);
      return Variant::FromDateTime(TimeStampToDateTime(ts));
    }
    case SQL_TYPE_TIME: {
      TTimeStamp ts;
      ts.Date = 693594;  // the day of TDateTime 0
      ts.Time = Load<int32_t>(v);
      return Variant::FromDateTime(TimeStampToDateTime(ts));
    }
    case SQLTypeBoolean:
    case SQLTypeBoolean64: return Variant(v[0] != 0);
    default: return Variant::Null();
  }
}

TField* TFIBCustomDataSet::FindFieldCached(const String& name) {
  if (TField* f = FindField(name)) return f;
  if (name.size() > 1 && name.front() == '"') return FindField(UnquoteIdentifier(name));
  return nullptr;
}

// --- ISQLObject --------------------------------------------------------------------------------------------

int32_t TFIBCustomDataSet::ParamCount() { return FSelect->ParamCount(); }
String TFIBCustomDataSet::ParamName(int32_t index) { return FSelect->ParamName(index); }
int32_t TFIBCustomDataSet::FieldsCount() { return FieldCount(); }

bool TFIBCustomDataSet::FieldExist(const String& name, int32_t& index) {
  TField* f = FindFieldCached(name);
  if (f) index = f->Index();
  return f != nullptr;
}

bool TFIBCustomDataSet::ParamExist(const String& name, int32_t& index) { return FSelect->ParamExist(name, index); }

Variant TFIBCustomDataSet::FieldValue(const String& name, bool old) {
  TField* f = FindFieldCached(name);
  if (!f) DatabaseErrorFmt("Field '%s' not found", {name}, this);
  const int32_t column = ColumnOf(f);
  if (column < 0) return f->Value();
  // By name the old value of an inserted record is its (empty) old value.
  const uint8_t* rec = old && FHasOldBuffer ? FOldBuffer.data() : reinterpret_cast<const uint8_t*>(ActiveBuffer());
  if (State() == dsBrowse && IsEmpty()) return Variant::Null();
  return ColumnValue(column, rec);
}

Variant TFIBCustomDataSet::FieldValue(int32_t index, bool old) {
  TField* f = Fields()->Fields(index);
  const int32_t column = ColumnOf(f);
  if (column < 0) return f->Value();
  // By index an inserted record has no old values of its own: the new ones stand in.
  const bool useOld = old && FHasOldBuffer && State() != dsInsert;
  const uint8_t* rec = useOld ? FOldBuffer.data() : reinterpret_cast<const uint8_t*>(ActiveBuffer());
  if (State() == dsBrowse && IsEmpty()) return Variant::Null();
  return ColumnValue(column, rec);
}

Variant TFIBCustomDataSet::ParamValue(const String& name) { return FSelect->ParamValue(name); }
Variant TFIBCustomDataSet::ParamValue(int32_t index) { return FSelect->ParamValue(index); }
void TFIBCustomDataSet::SetParamValue(int32_t index, const Variant& value) { FSelect->SetParamValue(index, value); }
String TFIBCustomDataSet::FieldName(int32_t index) { return Fields()->Fields(index)->FieldName(); }

// --- editing ----------------------------------------------------------------------------------------------

bool TFIBCustomDataSet::CanEdit() const { return !StringsAreBlank(UpdateSQL()) || CurrentRowIsCachedInsert(); }
bool TFIBCustomDataSet::CanInsert() const { return !StringsAreBlank(InsertSQL()); }
bool TFIBCustomDataSet::CanDelete() const { return !StringsAreBlank(DeleteSQL()); }
bool TFIBCustomDataSet::GetCanModify() const { return CanEdit() || CanInsert() || CanDelete(); }

// A before-event handler may close the dataset; going on would edit, delete or cancel a record that is gone.
void TFIBCustomDataSet::CheckStillOpen(const char* handler) {
  if (!Active()) RaiseClientError(29, {String("continue after ") + handler, FullComponentName(this)});
}

void TFIBCustomDataSet::DoBeforeEdit() {
  FlushMasterWait();
  if (!CanEdit()) Abort();
  TDataSet::DoBeforeEdit();
  CheckStillOpen("BeforeEdit");
  KeepArrayIdentifiers();
}

void TFIBCustomDataSet::DoBeforePost() {
  if (State() != dsEdit && State() != dsInsert) return;
  TDataSet::DoBeforePost();
  CheckStillOpen("BeforePost");
}

void TFIBCustomDataSet::DoBeforeCancel() {
  TDataSet::DoBeforeCancel();
  CheckStillOpen("BeforeCancel");
}

void TFIBCustomDataSet::DoBeforeInsert() {
  FlushMasterWait();
  if (!CanInsert()) Abort();
  TDataSet::DoBeforeInsert();
}

void TFIBCustomDataSet::DoBeforeDelete() {
  FlushMasterWait();
  if (!CanDelete()) Abort();
  TDataSet::DoBeforeDelete();
  CheckStillOpen("BeforeDelete");
}

void TFIBCustomDataSet::InternalInitRecord(TRecordBuffer buffer) {
  auto* b = reinterpret_cast<uint8_t*>(buffer);
  std::memset(b, 0, static_cast<size_t>(FLayout.RecordBufferSize));
  std::memset(b + NullFlagsOffset, 1, static_cast<size_t>(FDescrs.Count()));
}

void TFIBCustomDataSet::InternalEdit() {
  std::memcpy(FOldBuffer.data(), ActiveBuffer(), FOldBuffer.size());
  FHasOldBuffer = true;
  SaveOriginalValues();
}

void TFIBCustomDataSet::InternalInsert() {
  InternalInitRecord(reinterpret_cast<TRecordBuffer>(FOldBuffer.data()));
  FHasOldBuffer = true;
}

void TFIBCustomDataSet::DoOnNewRecord() {
  InitNewRecordValues();
  TDataSet::DoOnNewRecord();
}

void TFIBCustomDataSet::ExecModify(TFIBQuery* query) {
  if (StringsAreBlank(query->SQL()) || query->SQL()->Strings(0) == "No Action") return;
  TFIBTransaction* tr = query->Transaction();
  if (!tr) RaiseClientError(22, {FullComponentName(query)});
  if (tr == UpdateTransaction()) StartUpdateTransaction();
  else if (!tr->InTransaction() && FOptions.Contains(poStartTransaction)) tr->StartTransaction();
  if (!query->Prepared()) query->Prepare();
  AssignSQLObjectParams(query, {this});
  AssignBlobParams(query);
  AssignArrayParams(query);
  query->ExecQuery();
  if (query->Open()) {
    query->FetchNext();
    query->CloseCursor();
  }
}

void TFIBCustomDataSet::PostOnServer(bool inserting) {
  ExecModify(inserting ? FInsert : FUpdate);
  // Applying cached updates commits once, at the end, not after every row.
  if (!FCachedUpdates) AutoCommitUpdate();
}

void TFIBCustomDataSet::DeleteOnServer() {
  ExecModify(FDelete);
  if (!FCachedUpdates) AutoCommitUpdate();
}

void TFIBCustomDataSet::DoOnPostError(EDatabaseError&, TDataAction&) {}

void TFIBCustomDataSet::DoOnDeleteError(EDatabaseError&, TDataAction&) {}

template <class Step>
void TFIBCustomDataSet::WithErrorAction(void (TFIBCustomDataSet::*handler)(EDatabaseError&, TDataAction&),
                                        Step step) {
  for (;;) {
    try {
      step();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      (this->*handler)(e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

void TFIBCustomDataSet::InternalPost() {
  FPostRefreshError = nullptr;
  TDataSet::InternalPost();
  TScreenCursorScope cursor(this);
  auto* b = reinterpret_cast<uint8_t*>(ActiveBuffer());
  const bool inserting = State() == dsInsert;
  FSortKeyChangedOnPost = SortKeyChanged();
  if (inserting && !CanInsert()) RaiseClientError(44, {FullComponentName(this)});
  if (!inserting && !CanEdit()) RaiseClientError(46, {FullComponentName(this)});
  ProcessBlobStreams(b, 0, false, false, nullptr);
  if (FCachedUpdates) return PostToCache(inserting);
  // The server first: a refused post leaves the cache and the edit state as they were.
  WithErrorAction(&TFIBCustomDataSet::DoOnPostError, [&] { PostOnServer(inserting); });
  if (LimitedCache()) return LimitedPost(inserting);
  // The written blobs are the streams' contents now; the next change starts new old values.
  ProcessBlobStreams(b, 1, true, false, nullptr);
  ProcessBlobStreams(b, 3, false, false, nullptr);
  if (inserting) {
    InsertIntoCache(b, cusUnmodified);
  } else {
    b[CacheRowOffset] = cusUnmodified;
    FCache->WriteRow(CacheRowOf(FCurrentIndex), b + CacheRowOffset, false);
  }
  // From now on the posted values are the old values the refresh statement looks for.
  std::memcpy(FOldBuffer.data(), b, FOldBuffer.size());
  FHasOldBuffer = true;
  if (FOptions.Contains(poRefreshAfterPost)) {
    // The row is written and in the cache now: a failed re-read must not undo the post, or the
    // dataset would stay in insert mode and a retry would write the row a second time. The post
    // completes and its error is raised at the end (DoAfterPost).
    try {
      RefreshRecord();
    } catch (...) {
      FPostRefreshError = std::current_exception();
    }
  }
  FHasOldBuffer = false;
}

// A new record goes into the cache where it was inserted (after the last row when appended) and becomes the
// current row.
void TFIBCustomDataSet::InsertIntoCache(uint8_t* buffer, uint8_t status) {
  int32_t position;
  if (GetBookmarkFlag(ActiveBuffer()) == bfEOF || FCurrentIndex < 0) {
    InternalLast();
    position = FFetchedCount;
  } else {
    position = std::min(FCurrentIndex, FFetchedCount);
  }
  buffer[CacheRowOffset] = status;
  FCache->InsertRowAt(position);
  FCache->WriteRow(position + 1, buffer + CacheRowOffset, true);
  ++FFetchedCount;
  FCurrentIndex = position;
  Store<int32_t>(buffer + RecordNumberOffset, FCache->PhysicalOfPosition(position) - 1);
}

void TFIBCustomDataSet::RefreshRecord() {
  if (StringsAreBlank(RefreshSQL()) || RefreshSQL()->Strings(0) == "No Action" || FCurrentIndex < 0) return;
  TScreenCursorScope cursor(this);
  TFIBTransaction* tr = FRefresh->Transaction();
  if (tr && !tr->InTransaction() && FOptions.Contains(poStartTransaction)) tr->StartTransaction();
  if (!FRefresh->Prepared()) FRefresh->Prepare();
  const bool hadOld = FHasOldBuffer;
  if (!hadOld) {
    std::memcpy(FOldBuffer.data(), ActiveBuffer(), FOldBuffer.size());
    FHasOldBuffer = true;
  }
  AssignSQLObjectParams(FRefresh, {this});
  FHasOldBuffer = hadOld;
  FRefresh->ExecQuery();
  struct Closer {
    TFIBQuery* q;
    ~Closer() {
      try {
        if (q->Open()) q->CloseCursor();
      } catch (...) {
      }
    }
  } closer{FRefresh};
  auto* b = reinterpret_cast<uint8_t*>(ActiveBuffer());
  if (TFIBXSQLDA* row = FRefresh->FetchNext()) {
    ReadRowFromStatement(row, b, true);
    b[CacheRowOffset] &= static_cast<uint8_t>(~CalcValuesCachedBit);  // the kept calculated values are stale
    FCache->WriteRow(CacheRowOf(FCurrentIndex), b + CacheRowOffset, false);
  } else if (FOptions.Contains(poRefreshDeletedRecord) && !LimitedCache()) {
    FCache->RowAddress(FCurrentIndex + 1)[0] = cusDeletedApplied;
    ++FHiddenCount;
  }
  // On the way out of a failure the closer above closes the cursor quietly; here its close is an
  // error like any other.
  if (FRefresh->Open()) FRefresh->CloseCursor();
  if (State() == dsBrowse) Resync({});
}

void TFIBCustomDataSet::InternalDelete() {
  if (!CanDelete()) RaiseClientError(47, {FullComponentName(this)});
  TScreenCursorScope cursor(this);
  if (FCachedUpdates) return DeleteInCache();
  std::memcpy(FOldBuffer.data(), ActiveBuffer(), FOldBuffer.size());
  FHasOldBuffer = true;
  try {
    WithErrorAction(&TFIBCustomDataSet::DoOnDeleteError, [&] { DeleteOnServer(); });
  } catch (...) {
    FHasOldBuffer = false;
    throw;
  }
  FHasOldBuffer = false;
  if (LimitedCache()) return LimitedDelete();
  FCache->RowAddress(FCurrentIndex + 1)[0] = cusDeletedApplied;
  ++FHiddenCount;
}

// Refresh re-reads the current record only: re-running the select would drop every pending cached change
// and the rows fetched so far. CloseOpen reads everything anew.
void TFIBCustomDataSet::InternalRefresh() {
  if (!FIsOpen) return;
  RefreshRecord();
}

// Reopens and puts the cursor back on the same record, found by the key fields' values (by every data field
// but blobs when none are named; then the record is re-read first so that its values are the server's).
void TFIBCustomDataSet::ReopenKeepingPosition(const String& keyFields) {
  // The ring no longer holds the rows before the current one: there is no place to return to.
  if (FUniDirectional) RaiseClientError(53);
  if (!Active()) {
    Open();
    return;
  }
  CheckBrowseMode();
  String names;
  std::vector<Variant> values;
  bool reposition = FFetchedCount > 0 && !IsEmpty();
  if (reposition && keyFields.empty()) {
    reposition = !StringsAreBlank(RefreshSQL());
    if (reposition) RefreshRecord();
  }
  if (reposition) {
    if (!keyFields.empty()) {
      std::vector<TField*> list;
      GetFieldList(list, keyFields);
      for (TField* f : list) values.push_back(f->AsVariant());
      names = keyFields;
    } else {
      for (int32_t i = 0; i < FieldCount(); ++i) {
        TField* f = Fields()->Fields(i);
        if (f->FieldKind() != fkData || dynamic_cast<TBlobField*>(f)) continue;
        names += (names.empty() ? "" : ";") + f->FieldName();
        values.push_back(f->AsVariant());
      }
      reposition = !values.empty();
    }
  }
  DisableControls();
  try {
    CloseOpen(false);
    if (reposition)
      LocateInCache(names, values.size() == 1 ? values[0] : VarArrayOf(values), {}, true, 0, false);
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TFIBCustomDataSet::FullRefresh() {
  if (LimitedCache() && Active()) return LimitedRefresh(true, true);
  ReopenKeepingPosition(String());
}

void TFIBCustomDataSet::CloseOpen(bool fetchAll) {
  TScreenCursorScope cursor(this);
  // The field objects outlive the reopen, so that links and handlers bound to them stay valid.
  const bool defaults = DefaultFields();
  SetDefaultFields(false);
  try {
    if (Active()) Close();
    Open();
    if (fetchAll) FetchAll();
  } catch (...) {
    SetDefaultFields(defaults);
    throw;
  }
  SetDefaultFields(defaults);
}

// --- streamed option pseudo-properties ----------------------------------------------------------------------

namespace {

enum TOptionSet : uint8_t { osPrepare, osDetail, osOptions };

struct TOptionProperty {
  const char* Name;
  TOptionSet Set;
  uint8_t Bit;
};

// In the order they are defined; a default-on member is written only when cleared, others when set.
const TOptionProperty OptionProperties[] = {
    {"poUseBooleanField", osPrepare, psUseBooleanField},
    {"poUseGuidField", osPrepare, psUseGuidField},
    {"poUseLargeIntField", osPrepare, psUseLargeIntField},
    {"poImportDefaultValues", osPrepare, pfImportDefaultValues},
    {"poGetOrderInfo", osPrepare, psGetOrderInfo},
    {"poSupportUnicodeBlobs", osPrepare, psSupportUnicodeBlobs},
    {"poSetRequiredFields", osPrepare, pfSetRequiredFields},
    {"poSetReadOnlyFields", osPrepare, pfSetReadOnlyFields},
    {"poSQLINT64ToBCD", osPrepare, psSQLINT64ToBCD},
    {"poApplyRepositary", osPrepare, psApplyRepositary},
    {"poAskRecordCount", osPrepare, psAskRecordCount},
    {"poCanEditComputedFields", osPrepare, psCanEditComputedFields},
    {"poEmptyStrToNull", osPrepare, psSetEmptyStrToNull},
    {"WaitEndMasterScroll", osDetail, dcWaitEndMasterScroll},
    {"dcForceMasterRefresh", osDetail, dcForceMasterRefresh},
    {"dcForceOpen", osDetail, dcForceOpen},
    {"dcIgnoreMasterClose", osDetail, dcIgnoreMasterClose},
    {"oTrimCharFields", osOptions, poTrimCharFields},
    {"oCacheCalcFields", osOptions, poCacheCalcFields},
    {"oRefreshAfterPost", osOptions, poRefreshAfterPost},
    {"oRefreshDeletedRecord", osOptions, poRefreshDeletedRecord},
    {"oStartTransaction", osOptions, poStartTransaction},
    {"oAutoFormatFields", osOptions, poAutoFormatFields},
    {"oProtectedEdit", osOptions, poProtectedEdit},
    {"oKeepSorting", osOptions, poKeepSorting},
    {"oPersistentSorting", osOptions, poPersistentSorting},
    {"oVisibleRecno", osOptions, poVisibleRecno},
    {"oNoForceIsNull", osOptions, poNoForceIsNull},
    {"oFetchAll", osOptions, poFetchAll},
};

const TpZAZDsOptions StreamedDsDefaults{poTrimCharFields, poRefreshAfterPost, poStartTransaction, poAutoFormatFields};
const TpPrepareOptions StreamedPrepareDefaults{pfImportDefaultValues, psUseBooleanField, psGetOrderInfo,
                                             psSetEmptyStrToNull};

bool OptionBit(const TFIBCustomDataSet* ds, const TOptionProperty& p) {
  switch (p.Set) {
    case osPrepare: return ds->PrepareOptions().Contains(static_cast<TpPrepareOption>(p.Bit));
    case osDetail: return ds->DetailConditions().Contains(static_cast<TDetailCondition>(p.Bit));
    case osOptions: return ds->Options().Contains(static_cast<TpZAZDsOption>(p.Bit));
  }
  return false;
}

bool DefaultBit(const TOptionProperty& p) {
  switch (p.Set) {
    case osPrepare: return StreamedPrepareDefaults.Contains(static_cast<TpPrepareOption>(p.Bit));
    case osDetail: return false;
    case osOptions: return StreamedDsDefaults.Contains(static_cast<TpZAZDsOption>(p.Bit));
  }
  return false;
}

void SetOptionBit(TFIBCustomDataSet* ds, const TOptionProperty& p, bool on) {
  switch (p.Set) {
    case osPrepare: {
      TpPrepareOptions v = ds->PrepareOptions();
      on ? v.Include(static_cast<TpPrepareOption>(p.Bit)) : v.Exclude(static_cast<TpPrepareOption>(p.Bit));
      ds->SetPrepareOptions(v);
      break;
    }
    case osDetail: {
      TDetailConditions v = ds->DetailConditions();
      on ? v.Include(static_cast<TDetailCondition>(p.Bit)) : v.Exclude(static_cast<TDetailCondition>(p.Bit));
      ds->SetDetailConditions(v);
      break;
    }
    case osOptions: {
      TpZAZDsOptions v = ds->Options();
      on ? v.Include(static_cast<TpZAZDsOption>(p.Bit)) : v.Exclude(static_cast<TpZAZDsOption>(p.Bit));
      ds->SetOptions(v);
      break;
    }
  }
}

}  // namespace

void TFIBCustomDataSet::DefineProperties(TFiler* filer) {
  TDataSet::DefineProperties(filer);
  const bool reading = dynamic_cast<TReader*>(filer) != nullptr;
  if (reading && ComponentState().Contains(csDesigning) && !FOptionsResetDone) {
    FOptions = StreamedDsDefaults;
    FPrepareOptions = StreamedPrepareDefaults;
    FDetailConditions = TDetailConditions();
    FOptionsResetDone = true;
  }
  filer->DefineProperty(
      "BufferChunks", TReaderProc([this](TReader* r) { SetBufferChunks(r->ReadInteger()); }), TWriterProc(), false);
  auto* ancestor = dynamic_cast<TFIBCustomDataSet*>(filer->Ancestor());
  for (const TOptionProperty& p : OptionProperties) {
    bool hasData = false;
    if (!reading) hasData = ancestor ? OptionBit(ancestor, p) != OptionBit(this, p) : OptionBit(this, p) != DefaultBit(p);
    filer->DefineProperty(
        p.Name, TReaderProc([this, &p](TReader* r) { SetOptionBit(this, p, r->ReadBoolean()); }),
        TWriterProc([this, &p](TWriter* w) { w->WriteBoolean(OptionBit(this, p)); }), hasData);
  }
  filer->DefineProperty("ObjectView", TReaderProc([](TReader* r) { r->ReadBoolean(); }), TWriterProc(), false);
}

// --- field classes ------------------------------------------------------------------------------------------

TClass TFIBCustomDataSet::GetFieldClass(TFieldType type) const {
  switch (type) {
    case ftString:
    case ftFixedChar: return TFIBStringField::StaticClass();
    case ftWideString: return TFIBWideStringField::StaticClass();
    case ftSmallint: return TFIBSmallIntField::StaticClass();
    case ftInteger: return TFIBIntegerField::StaticClass();
    case ftLargeint: return TFIBLargeIntField::StaticClass();
    case ftFloat: return TFIBFloatField::StaticClass();
    case ftBCD: return TFIBBCDField::StaticClass();
    case ftDate: return TFIBDateField::StaticClass();
    case ftTime: return TFIBTimeField::StaticClass();
    case ftDateTime: return TFIBDateTimeField::StaticClass();
    case ftBoolean: return TFIBBooleanField::StaticClass();
    case ftBlob: return TFIBBlobField::StaticClass();
    case ftMemo: return TFIBMemoField::StaticClass();
    case ftBytes: return TFIBArrayField::StaticClass();
    case ftGuid: return TFIBGuidField::StaticClass();
    default: return TDataSet::GetFieldClass(type);
  }
}

void TFIBStringField::SetDataSet(TDataSet* value) {
  TStringField::SetDataSet(value);
  if (auto* ds = dynamic_cast<TFIBCustomDataSet*>(value))
    FEmptyStrToNull = ds->PrepareOptions().Contains(psSetEmptyStrToNull);
}

void TFIBStringField::SetAsString(const String& v) {
  if (v.empty() && FEmptyStrToNull) {
    Clear();
    return;
  }
  TStringField::SetAsString(v);
}

String TFIBStringField::GetAsString() const {
  // A DB_KEY column reads as hexadecimal groups of 8 digits, one per 4 bytes.
  auto* ds = dynamic_cast<TFIBCustomDataSet*>(DataSet());
  const int32_t column = FieldNo() - 1;
  if (ds && FieldKind() == fkData && column >= 0 && column < ds->FieldDescrs().Count() &&
      ds->FieldDescrs().Items(column)->IsDBKey) {
    std::vector<char> raw(static_cast<size_t>(DataSize()) + 1, 0);
    if (ds->IsEmpty() || !const_cast<TFIBStringField*>(this)->GetData(raw.data())) return String();
    String text;
    for (int32_t i = 0; i + 4 <= Size(); i += 4) text += Format("%-8.8x", {Load<uint32_t>(reinterpret_cast<uint8_t*>(&raw[static_cast<size_t>(i)]))});
    return text;
  }
  return TStringField::GetAsString();
}

int32_t TFIBFloatField::Scale() const {
  if (FieldKind() != fkData) return -15;
  auto* ds = dynamic_cast<TFIBCustomDataSet*>(DataSet());
  const int32_t column = FieldNo() - 1;
  if (!ds || column < 0 || column >= ds->FieldDescrs().Count()) return 100;
  return ds->FieldDescrs().Items(column)->Scale;
}

void TFIBFloatField::SetAsFloat(double v) {
  const int32_t scale = Scale();
  if (FRoundByScale && scale != 0 && scale != 100 && scale < 0)
    v = static_cast<double>(RoundToDecimals(-scale, v));
  TFloatField::SetAsFloat(v);
}

void TFIBBooleanField::SetAsString(const String& v) {
  if (v == "1" || AnsiSameText(v, FStringTrue)) SetAsBoolean(true);
  else if (v == "0" || AnsiSameText(v, FStringFalse)) SetAsBoolean(false);
  else TBooleanField::SetAsString(v);
}

String TFIBBooleanField::GetAsString() const {
  if (IsNull()) return String();
  return GetAsBoolean() ? FStringTrue : FStringFalse;
}

RTL_PUBLISHED(TFIBStringField) { prop("EmptyStrToNull", &TFIBStringField::EmptyStrToNull, &TFIBStringField::SetEmptyStrToNull).Default(false); }

RTL_PUBLISHED(TFIBFloatField) { prop("RoundByScale", &TFIBFloatField::RoundByScale, &TFIBFloatField::SetRoundByScale).Default(true); }

RTL_PUBLISHED(TFIBBooleanField) {
  prop("StringTrue", &TFIBBooleanField::StringTrue, &TFIBBooleanField::SetStringTrue)
      .Stored(&TFIBBooleanField::IsStringTrueStored);
  prop("StringFalse", &TFIBBooleanField::StringFalse, &TFIBBooleanField::SetStringFalse)
      .Stored(&TFIBBooleanField::IsStringFalseStored);
}

// The statement texts are edited in place: a streamed list is copied into the statement's own.
RTL_PUBLISHED(TFIBDataSet) {
  using T = TFIBDataSet;
  // An open dataset is stored open only when its connection is stored connected.
  prop("Active", &T::Active, &T::SetActive).Default(false).Stored([](T& d) {
    return d.Active() && d.Database() && d.Database()->IsConnectedStored();
  });
  prop("SelectSQL", &T::SelectSQL, [](T& d, TStrings* v) { d.SelectSQL()->Assign(v); });
  prop("InsertSQL", &T::InsertSQL, [](T& d, TStrings* v) { d.InsertSQL()->Assign(v); });
  prop("UpdateSQL", &T::UpdateSQL, [](T& d, TStrings* v) { d.UpdateSQL()->Assign(v); });
  prop("DeleteSQL", &T::DeleteSQL, [](T& d, TStrings* v) { d.DeleteSQL()->Assign(v); });
  prop("RefreshSQL", &T::RefreshSQL, [](T& d, TStrings* v) { d.RefreshSQL()->Assign(v); });
  prop("CachedUpdates", &T::CachedUpdates, &T::SetCachedUpdates).Default(false);
  prop("UpdateRecordTypes", &T::UpdateRecordTypes, &T::SetUpdateRecordTypes)
      .Default(TFIBUpdateRecordTypes{cusUnmodified, cusModified, cusInserted});
  event("OnUpdateError", &T::OnUpdateError, &T::OnUpdateError);
  event("OnUpdateRecord", &T::OnUpdateRecord, &T::OnUpdateRecord);
  prop("Database", &T::Database, &T::SetDatabase);
  prop("Transaction", &T::Transaction, &T::SetTransaction);
  // The sets travel as the Boolean pseudo-properties of DefineProperties.
  prop("Options", &T::Options, &T::SetOptions).Stored(false);
  prop("PrepareOptions", &T::PrepareOptions, &T::SetPrepareOptions).Stored(false);
  prop("DetailConditions", &T::DetailConditions, &T::SetDetailConditions).Stored(false);
  prop("UpdateTransaction", &T::UpdateTransaction, &T::SetUpdateTransaction).Stored(&T::IsUpdateTransactionStored);
  prop("RefreshTransactionKind", &T::RefreshTransactionKind, &T::SetRefreshTransactionKind).Default(tkReadTransaction);
  prop("AutoCommit", &T::AutoCommit, &T::SetAutoCommit).Default(false);
  prop("CacheModelOptions", &T::CacheModelOptions, &T::SetCacheModelOptions);
  prop("UniDirectional", &T::UniDirectional, &T::SetUniDirectional).Default(false);
  event("BeforeFetchRecord", &T::BeforeFetchRecord, &T::BeforeFetchRecord);
  event("AfterFetchRecord", &T::AfterFetchRecord, &T::AfterFetchRecord);
  event("OnGetRecordError", &T::OnGetRecordError, &T::OnGetRecordError);
  prop("SQLScreenCursor", &T::SQLScreenCursor, [](T& d, TCursor v) { d.SetSQLScreenCursor(v); }).Default(crDefault);
  prop("DataSource", [](T& d) { return d.DataSource(); }, &T::SetDataSource);
  prop("Container", &T::Container, &T::SetContainer);
  prop("FieldOriginRule", &T::FieldOriginRule, &T::SetFieldOriginRule).Default(forTableAndFieldName);
  prop("AllowedUpdateKinds", &T::AllowedUpdateKinds, &T::SetAllowedUpdateKinds)
      .Default(TUpdateKinds{ukModify, ukInsert, ukDelete});
  // The texts travel one by one above.
  prop("SQLs", [](T& d) { return d.SQLs(); }, [](T& d, TSQLs* v) { d.SetSQLs(v); }).Stored(false);
  event("OnFieldChange", &T::OnFieldChange, &T::OnFieldChange);
  event("OnEnableControls", &T::OnEnableControls, &T::OnEnableControls);
  event("OnDisableControls", &T::OnDisableControls, &T::OnDisableControls);
  event("BeforeStartTransaction", &T::BeforeStartTransaction, &T::BeforeStartTransaction);
  event("AfterStartTransaction", &T::AfterStartTransaction, &T::AfterStartTransaction);
  event("BeforeEndTransaction", &T::BeforeEndTransaction, &T::BeforeEndTransaction);
  event("AfterEndTransaction", &T::AfterEndTransaction, &T::AfterEndTransaction);
  event("BeforeStartUpdateTransaction", &T::BeforeStartUpdateTransaction, &T::BeforeStartUpdateTransaction);
  event("AfterStartUpdateTransaction", &T::AfterStartUpdateTransaction, &T::AfterStartUpdateTransaction);
  event("BeforeEndUpdateTransaction", &T::BeforeEndUpdateTransaction, &T::BeforeEndUpdateTransaction);
  event("AfterEndUpdateTransaction", &T::AfterEndUpdateTransaction, &T::AfterEndUpdateTransaction);
  event("OnEndScroll", &T::OnEndScroll, &T::SetOnEndScroll);
  event("DatabaseDisconnecting", &T::DatabaseDisconnecting, &T::DatabaseDisconnecting);
  event("DatabaseDisconnected", &T::DatabaseDisconnected, &T::DatabaseDisconnected);
  event("DatabaseFree", &T::DatabaseFree, &T::DatabaseFree);
  event("TransactionEnding", &T::TransactionEnding, &T::TransactionEnding);
  event("TransactionEnded", &T::TransactionEnded, &T::TransactionEnded);
  event("TransactionFree", &T::TransactionFree, &T::TransactionFree);
}

namespace {
// Form resources find the datasets and their field classes by class name.
const bool kZAZDataSetRegistered = [] {
  RegisterClasses({TFIBDataSet::StaticClass(), TFIBStringField::StaticClass(), TFIBWideStringField::StaticClass(),
                   TFIBIntegerField::StaticClass(), TFIBSmallIntField::StaticClass(),
                   TFIBLargeIntField::StaticClass(), TFIBFloatField::StaticClass(), TFIBBCDField::StaticClass(),
                   TFIBDateField::StaticClass(), TFIBTimeField::StaticClass(), TFIBDateTimeField::StaticClass(),
                   TFIBBooleanField::StaticClass(), TFIBArrayField::StaticClass(),
                   TFIBGuidField::StaticClass()});
  return true;
}();
}  // namespace
