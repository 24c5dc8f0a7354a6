// Blob fields of the SQL datasets: one blob stream per blob column of a row, made on first use and kept in
// the row's slot; the streams are synchronised into the record buffer, written as new blobs for the modify
// statements, reverted on cancel and dropped when the rows are fetched again or the dataset closes.
#include <cstring>

#include <ibase.h>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBBlobStream.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/ClassRegistry.h"
#include "rtl/TypInfo.h"

namespace {

// The stream the platform's blob fields read and write: a view of the row's blob stream for one call.
class TFIBDSBlobStream : public TStream {
  RTL_CLASS(TFIBDSBlobStream, TStream)
public:
  TFIBDSBlobStream(TFIBCustomDataSet* dataSet, TField* field, TBlobStreamMode mode, TFIBBlobStream* inner)
      : FDataSet(dataSet), FField(field), FInner(inner), FModified(mode == bmWrite),
        FGeneration(dataSet->BlobStreamsGeneration()) {
    if (!FInner) return;
    FInner->Seek(0, soBeginning);
    if (mode == bmWrite) FInner->Truncate();
  }
  ~TFIBDSBlobStream() override {
    // After the dataset freed its streams the field may be gone as well.
    if (!FModified || FDataSet->BlobStreamsGeneration() != FGeneration) return;
    if (auto* blob = dynamic_cast<TBlobField*>(FField)) blob->SetModified(true);
    try {
      FDataSet->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(FField));
    } catch (...) {
    }
  }
  int32_t Read(void* buffer, int32_t count) override {
    if (!Alive()) return 0;
    if (FDataSet->State() == dsOldValue) return FInner->ReadOldValue(buffer, count);
    return FInner->Read(buffer, count);
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    if (!Alive()) return 0;
    if (FDataSet->State() == dsOldValue) return FInner->SeekOldValue(offset, origin);
    return FInner->Seek(offset, origin);
  }
  int64_t Size() override {
    if (!Alive()) return 0;
    if (FDataSet->State() == dsOldValue) return FInner->SeekOldValue(0, soEnd);
    const int64_t here = FInner->Seek(0, soCurrent);
    const int64_t size = FInner->Size();
    FInner->Seek(here, soBeginning);
    return size;
  }
  void SetSize(int64_t size) override {
    if (Alive()) FInner->SetSize(size);
  }
  int32_t Write(const void* buffer, int32_t count) override {
    const TDataSetState st = FDataSet->State();
    auto* blob = dynamic_cast<TFIBBlobField*>(FField);
    if (st != dsEdit && st != dsInsert && !(blob && blob->IsClientField())) RaiseClientError(43);
    FModified = true;
    FDataSet->SetModified(true);
    if (auto* b = dynamic_cast<TBlobField*>(FField)) b->SetModified(true);
    return Alive() ? FInner->Write(buffer, count) : 0;
  }

private:
  // The dataset frees its streams when it closes or fetches again; a view kept longer reads nothing.
  bool Alive() const { return FInner && FDataSet->BlobStreamsGeneration() == FGeneration; }
  TFIBCustomDataSet* FDataSet;
  TField* FField;
  TFIBBlobStream* FInner;
  bool FModified;
  uint32_t FGeneration;
};

// Blob swap keys are worked out only for a connection that keeps swap files.
bool SwapFolderInUse(TFIBDatabase* db) {
  if (!db || db->ComponentState().Contains(csDesigning)) return false;
  TBlobSwapSupport* swap = db->BlobSwapSupport();
  return swap && swap->Active() && !swap->ResolveSwapDir().empty();
}

bool IsBlobColumn(const TFIBFieldDescrList& descrs, int32_t column) {
  return column >= 0 && column < descrs.Count() && descrs.Items(column)->SQLType == SQL_BLOB;
}

}  // namespace

// --- field classes ------------------------------------------------------------------------------------------

int32_t TFIBBlobField::SubType() const {
  auto* ds = dynamic_cast<TFIBCustomDataSet*>(DataSet());
  if (!ds || !ds->QSelect() || FieldKind() != fkData) return 0;
  TFIBXSQLVAR* v = ds->QSelect()->FindField(FieldName());
  return v ? v->GetSQLSubtype() : 0;
}

RTL_PUBLISHED(TFIBBlobField) {
  prop("IsClientField", &TFIBBlobField::IsClientField, &TFIBBlobField::SetIsClientField);
}

// --- slots --------------------------------------------------------------------------------------------------

int32_t TFIBCustomDataSet::BlobOrdinal(int32_t column) const {
  if (!IsBlobColumn(FDescrs, column)) return -1;
  int32_t ordinal = 0;
  for (int32_t i = 0; i < column; ++i)
    if (FDescrs.Items(i)->SQLType == SQL_BLOB) ++ordinal;
  return ordinal;
}

int32_t* TFIBCustomDataSet::BlobSlot(uint8_t* buffer, int32_t column) const {
  const int32_t ordinal = BlobOrdinal(column);
  if (!buffer || ordinal < 0) return nullptr;
  return reinterpret_cast<int32_t*>(buffer + FLayout.BlobSlotsOffset + 4 * ordinal);
}

TFIBBlobStream* TFIBCustomDataSet::BlobStreamOf(const uint8_t* buffer, int32_t column) const {
  const int32_t* slot = BlobSlot(const_cast<uint8_t*>(buffer), column);
  if (!slot) return nullptr;
  int32_t index = 0;
  std::memcpy(&index, slot, 4);
  if (index <= 0 || index > static_cast<int32_t>(FBlobSlotTable.size())) return nullptr;
  return FBlobSlotTable[static_cast<size_t>(index - 1)];
}

void TFIBCustomDataSet::FreeBlobStreams() {
  ++FBlobStreamsGeneration;
  FBlobSlotTable.clear();
  while (!FOpenBlobStreams.empty()) FOpenBlobStreams.back()->Free();  // each leaves the list itself
}

// --- streams ------------------------------------------------------------------------------------------------

TStream* TFIBCustomDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  auto* fibBlob = dynamic_cast<TFIBBlobField*>(field);
  const bool clientField = fibBlob && fibBlob->IsClientField();
  if (mode != bmRead && !field->ReadOnly() && !clientField) CheckEditInsertState();
  uint8_t* buffer = State() == dsOldValue ? reinterpret_cast<uint8_t*>(ActiveBuffer()) : StateBuffer();
  const int32_t column = ColumnOf(field);
  if (!buffer || column < 0 || !IsBlobColumn(FDescrs, column) || (State() == dsBrowse && IsEmpty()))
    return New<TFIBDSBlobStream>(this, field, mode, nullptr);
  TFIBBlobStream* stream = BlobStreamOf(buffer, column);
  if (!stream) {
    const bool isNull = buffer[NullFlagsOffset + column] != 0;
    if (clientField && mode == bmRead) {
      field->SetReadOnly(true);
      stream = new TFIBBlobStream(field->FieldNo(), {}, String(), String(), &FOpenBlobStreams);
      stream->SetClientFilled(true);
      stream->SetMode(bmsReadWrite);
    } else if (!isNull || mode != bmRead) {
      String swapTable, swapColumn;
      std::vector<Variant> keys;
      if (!SwapFolderInUse(FDatabase) || !GetBlobSwapKeys(field, swapTable, keys, swapColumn)) {
        swapTable.clear();
        swapColumn.clear();
        keys.clear();
      }
      stream = TFIBBlobStream::CreateForField(field->FieldNo(), keys, swapColumn, swapTable, &FOpenBlobStreams);
      const int32_t subType = fibBlob ? fibBlob->SubType() : FSelect->Fields(column)->GetSQLSubtype();
      stream->SetBlobSubType(subType);
      stream->SetMode(bmsReadWrite);
      stream->SetDatabase(FDatabase);
      stream->SetTransaction(FTransaction);
      fbapi::ISC_QUAD id{};
      if (!isNull) std::memcpy(&id, buffer + FDescrs.Items(column)->Offset, sizeof id);
      stream->SetBlobId(id);
    }
    if (stream) {
      FBlobSlotTable.push_back(stream);
      const auto index = static_cast<int32_t>(FBlobSlotTable.size());
      std::memcpy(BlobSlot(buffer, column), &index, 4);
      // While browsing the cache row keeps the slot too, so that the stream outlives the record buffer.
      if (State() == dsBrowse && buffer == reinterpret_cast<uint8_t*>(ActiveBuffer())) {
        int32_t physical = 0;
        std::memcpy(&physical, buffer + RecordNumberOffset, 4);
        const int32_t position = FCache->PositionOfPhysical(physical + 1);
        if (position >= 0 && position < FFetchedCount) FCache->WriteRow(position + 1, buffer + CacheRowOffset, false);
      }
      if (stream->ClientFilled() && OnFillClientBlob.Assigned()) {
        OnFillClientBlob(this, field, stream);
        stream->FinalizeBlob(true, false);  // filled contents are the value, not a change to write
      }
    }
  }
  if (stream) stream->SetUpdateTransaction(UpdateTransaction());
  return New<TFIBDSBlobStream>(this, field, mode, stream);
}

void TFIBCustomDataSet::ProcessBlobStreams(uint8_t* buffer, int32_t action, bool markOnly, bool force,
                                           TField* field) {
  if (!buffer) return;
  for (int32_t column = 0; column < FDescrs.Count(); ++column) {
    if (!IsBlobColumn(FDescrs, column)) continue;
    if (field && ColumnOf(field) != column) continue;
    TFIBBlobStream* stream = BlobStreamOf(buffer, column);
    // Contents the application supplies have no blob on the server behind them.
    if (!stream || stream->ClientFilled()) continue;
    switch (action) {
      case 1:
        if (SwapFolderInUse(FDatabase)) {
          // The row's key may have changed in the edit: the swap file is named after the new one.
          String swapTable, swapColumn;
          std::vector<Variant> keys;
          TField* blobField = field ? field : Fields()->FieldByNumber(column + 1);
          if (blobField && GetBlobSwapKeys(blobField, swapTable, keys, swapColumn)) {
            stream->TableName = swapTable;
            stream->FieldName = swapColumn;
            stream->KeyValues = keys;
          }
        }
        stream->FinalizeBlob(markOnly, force);
        break;
      case 2: stream->RevertToOldValue(); break;
      case 3: stream->DiscardOldValue(); break;
      default: break;
    }
    const bool empty = stream->Loaded() ? stream->Size() == 0 : QuadsEqual(stream->BlobId(), NullQuad);
    buffer[NullFlagsOffset + column] = empty ? 1 : 0;
    if (empty && QuadsEqual(stream->BlobId(), NullQuad)) stream->AssignNewBlobId(NullQuad);
    std::memcpy(buffer + FDescrs.Items(column)->Offset, &stream->BlobId(), sizeof(fbapi::ISC_QUAD));
  }
}

bool TFIBCustomDataSet::BlobFieldModified(TField* field) {
  auto* blob = dynamic_cast<TBlobField*>(field);
  if (!blob) return false;
  if (!FCachedUpdates) return blob->Modified();
  TFIBBlobStream* stream = BlobStreamOf(reinterpret_cast<uint8_t*>(ActiveBuffer()), ColumnOf(field));
  return blob->Modified() || (stream && stream->Modified());
}

bool TFIBCustomDataSet::BlobHasData(const uint8_t* buffer, int32_t column) const {
  TFIBBlobStream* stream = State() == dsOldValue ? nullptr : BlobStreamOf(buffer, column);
  if (stream && stream->Loaded()) return stream->Size() > 0;
  return buffer[NullFlagsOffset + column] == 0;
}

void TFIBCustomDataSet::DropChangedBlobSlot(uint8_t* buffer, int32_t column, const void* newId, bool isNull) {
  int32_t* slot = BlobSlot(buffer, column);
  TFIBBlobStream* stream = BlobStreamOf(buffer, column);
  if (!slot || !stream) return;
  fbapi::ISC_QUAD id{};
  if (!isNull && newId) std::memcpy(&id, newId, sizeof id);
  // The stream keeps the contents it wrote as long as the row still points at its blob.
  if (QuadsEqual(id, stream->BlobId()) && !stream->Modified()) return;
  const int32_t zero = 0;
  std::memcpy(slot, &zero, 4);
}

void TFIBCustomDataSet::ClearBlobSlotsOfRow(int32_t position0) {
  if (FLayout.CalcFieldsOffset == FLayout.BlobSlotsOffset) return;  // no blob columns
  std::vector<uint8_t> row(static_cast<size_t>(FLayout.RecordBufferSize), 0);
  FCache->ReadRow(position0 + 1, row.data() + CacheRowOffset, false);
  std::memset(row.data() + FLayout.BlobSlotsOffset, 0,
              static_cast<size_t>(FLayout.CalcFieldsOffset - FLayout.BlobSlotsOffset));
  FCache->WriteRow(position0 + 1, row.data() + CacheRowOffset, false);
}

TField* TFIBCustomDataSet::NewValueParamField(TFIBXSQLVAR* param) {
  String name = param->Name();
  const String upper = AnsiUpperCase(name);
  if (upper.rfind("OLD_", 0) == 0) return nullptr;  // old values are the row's identifiers as they were
  if (upper.rfind("NEW_", 0) == 0 && name.size() > 4) name = name.substr(4);
  return FindFieldCached(name);
}

void TFIBCustomDataSet::AssignBlobParams(TFIBQuery* query) {
  auto* rec = reinterpret_cast<uint8_t*>(ActiveBuffer());
  TFIBXSQLDA* params = query->Params();
  for (int32_t i = 0; i < params->Count(); ++i) {
    TFIBXSQLVAR* p = params->GetVar(i);
    TField* f = NewValueParamField(p);
    if (!f) continue;
    const int32_t column = ColumnOf(f);
    if (!IsBlobColumn(FDescrs, column)) continue;
    if (TFIBBlobStream* stream = BlobStreamOf(rec, column); stream && stream->ClientFilled()) continue;
    // An untouched blob keeps its identifier; a written one goes to the server as a new blob first.
    ProcessBlobStreams(rec, 1, false, false, f);
    if (rec[NullFlagsOffset + column]) {
      p->SetIsNull(true);
    } else {
      fbapi::ISC_QUAD id;
      std::memcpy(&id, rec + FDescrs.Items(column)->Offset, sizeof id);
      p->SetAsQuad(id);
    }
  }
}

void TFIBCustomDataSet::InternalCancel() {
  auto* b = reinterpret_cast<uint8_t*>(ActiveBuffer());
  ProcessBlobStreams(b, 2, false, false, nullptr);
  // The reverted streams count as unchanged again; a cancelled insert keeps nothing.
  for (int32_t i = 0; i < FieldCount(); ++i)
    if (auto* blob = dynamic_cast<TBlobField*>(Fields()->Fields(i))) blob->SetModified(false);
}

namespace {
// Form resources find the blob field classes by class name.
[[maybe_unused]] const bool kBlobFieldsRegistered = [] {
  RegisterClasses({TFIBBlobField::StaticClass(), TFIBMemoField::StaticClass()});
  return true;
}();
}  // namespace
