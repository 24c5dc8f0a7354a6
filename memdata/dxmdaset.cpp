#include "memdata/dxmdaset.h"

#include <algorithm>
#include <cstring>

#include "memdata/detail/MemCodec.h"
#include "memdata/detail/MemStore.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Variants.h"

using memdata::TMemColumn;
using memdata::TMemKind;
using memdata::TMemRecord;
using memdata::TMemStore;

namespace {

bool IsBlobType(TFieldType t) {
  switch (t) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary: return true;
    default: return false;
  }
}

TMemKind KindOf(TFieldType t) {
  switch (t) {
    case ftString: return TMemKind::mkString;
    case ftWideString: return TMemKind::mkWideString;
    case ftSmallint: return TMemKind::mkSmallint;
    case ftInteger:
    case ftAutoInc: return TMemKind::mkInteger;
    case ftWord: return TMemKind::mkWord;
    case ftLargeint: return TMemKind::mkLargeint;
    case ftBoolean: return TMemKind::mkBoolean;
    case ftFloat:
    case ftCurrency: return TMemKind::mkFloat;
    case ftBCD:
    case ftFMTBcd: return TMemKind::mkBCD;
    case ftDate: return TMemKind::mkDate;
    case ftTime: return TMemKind::mkTime;
    case ftDateTime: return TMemKind::mkDateTime;
    default: return TMemKind::mkOther;
  }
}

bool IsStoredOutsideText(TField* f) {
  return f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup || IsBlobType(f->DataType());
}

std::vector<String> SplitFieldNames(const String& names) {
  std::vector<String> out;
  size_t start = 0;
  for (;;) {
    size_t p = names.find(';', start);
    String name = Trim(names.substr(start, p == String::npos ? String::npos : p - start));
    if (!name.empty() || p != String::npos) out.push_back(name);
    if (p == String::npos) break;
    start = p + 1;
  }
  return out;
}

int32_t LoadInt32(const void* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

RTL_PUBLISHED(TdxMemIndex) {
  prop("FieldName", &TdxMemIndex::FieldName, &TdxMemIndex::SetFieldName);
  prop("SortOptions", &TdxMemIndex::SortOptions, &TdxMemIndex::SetSortOptions).Default(TdxSortOptions());
}

RTL_PUBLISHED(TdxMemPersistent) {
  prop("Option", &TdxMemPersistent::Option, &TdxMemPersistent::SetOption).Default(poActive);
}

RTL_PUBLISHED(TdxMemData) {
  prop("Indexes", &TdxMemData::Indexes, &TdxMemData::SetIndexes);
  prop("Persistent", &TdxMemData::Persistent, &TdxMemData::SetPersistent);
  prop("ReadOnly", &TdxMemData::ReadOnly, &TdxMemData::SetReadOnly).Default(false);
  prop("SortOptions", &TdxMemData::SortOptions, &TdxMemData::SetSortOptions).Default(TdxSortOptions());
  prop("SortedField", &TdxMemData::SortedField, &TdxMemData::SetSortedField);
}

namespace {
// Form resources find the dataset by its class name.
const bool kRegistered = [] {
  RegisterClasses({TdxMemData::StaticClass()});
  return true;
}();
}  // namespace

// ---------------------------------------------------------------------------------------------------
// TdxMemField, TdxMemFields

TFieldType TdxMemField::DataType() const { return FField->DataType(); }
int32_t TdxMemField::DataSize() const { return FOwner->FDataSet->FStore->Column(FIndex).DataSize; }
int32_t TdxMemField::Offset() const { return FOwner->FDataSet->FStore->Column(FIndex).Offset; }
bool TdxMemField::AutoIncrement() const { return FOwner->FDataSet->FStore->Column(FIndex).AutoInc; }
int64_t TdxMemField::MaxIncValue() const { return FOwner->FDataSet->FStore->Column(FIndex).MaxAutoInc; }

TdxMemFields::~TdxMemFields() { Clear(); }

void TdxMemFields::Clear() {
  for (TdxMemField* f : FItems) f->Free();
  FItems.clear();
  FCalcFields.clear();
  FAutoIncFields.clear();
  FWideFields.clear();
}

TdxMemField* TdxMemFields::IndexOf(TField* field) const {
  for (TdxMemField* f : FItems)
    if (f->Field() == field) return f;
  return nullptr;
}

int32_t TdxMemFields::RecordSize() const { return FDataSet->FStore->RecordSize(); }

// ---------------------------------------------------------------------------------------------------
// TdxMemIndex, TdxMemIndexes

TdxMemIndex::TdxMemIndex(TCollection* collection)
    : TCollectionItem(collection), FData(std::make_unique<memdata::TMemIndexData>()) {}

TdxMemIndex::~TdxMemIndex() = default;

void TdxMemIndex::Assign(TPersistent* source) {
  if (auto* src = dynamic_cast<TdxMemIndex*>(source)) {
    SetFieldName(src->FFieldName);
    SetSortOptions(src->FSortOptions);
    return;
  }
  TCollectionItem::Assign(source);
}

TdxMemData* TdxMemIndex::DataSet() const {
  auto* owner = static_cast<TdxMemIndexes*>(Collection());
  return owner ? owner->DataSet() : nullptr;
}

void TdxMemIndex::SetFieldName(const String& value) {
  FFieldName = value;
  ResolveField();
  FData->MarkDirty();
}

void TdxMemIndex::SetSortOptions(TdxSortOptions value) {
  FSortOptions = value;
  FData->MarkDirty();
}

void TdxMemIndex::ResolveField() {
  TdxMemData* ds = DataSet();
  // While the form loads, the fields may not exist yet; the name is resolved when loading ends.
  if (!ds || ds->ComponentState().Contains(csLoading)) {
    FField = nullptr;
    return;
  }
  FField = ds->FindField(FFieldName);
  FData->MarkDirty();
}

bool TdxMemIndex::IsDirty() const { return FData->Dirty(); }

void TdxMemIndex::Prepare() {
  TdxMemData* ds = DataSet();
  if (!FField || !ds || !FData->Dirty()) return;
  TdxMemField* mf = ds->FData->IndexOf(FField);
  if (!mf) return;
  FData->Build(*ds->FStore, mf->Index(), FSortOptions.Contains(soDesc), FSortOptions.Contains(soCaseInsensitive));
}

String TdxMemIndex::GetDisplayName() { return FFieldName.empty() ? TCollectionItem::GetDisplayName() : FFieldName; }

TdxMemIndexes::TdxMemIndexes(TdxMemData* owner) : TOwnedCollection(owner, TdxMemIndex::StaticClass()), FDataSet(owner) {}

TdxMemIndex* TdxMemIndexes::GetIndexByField(TField* field) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->FField == field && field) return Items(i);
  return nullptr;
}

void TdxMemIndexes::SetDirty() {
  for (int32_t i = 0; i < Count(); ++i) Items(i)->FData->MarkDirty();
}

void TdxMemIndexes::RemoveRecord(const uint8_t* data, int32_t recordPos) {
  for (int32_t i = 0; i < Count(); ++i)
    if (!Items(i)->FData->Dirty()) Items(i)->FData->Remove(data, recordPos);
}

void TdxMemIndexes::CheckFields() {
  for (int32_t i = 0; i < Count(); ++i) Items(i)->ResolveField();
}

void TdxMemIndexes::AfterEdit(const uint8_t* data) {
  for (int32_t i = 0; i < Count(); ++i) {
    TdxMemIndex* idx = Items(i);
    if (idx->FData->Dirty() || !idx->FField) continue;
    TdxMemField* mf = FDataSet->FData->IndexOf(idx->FField);
    if (!mf || !idx->FData->InOrder(*FDataSet->FStore, data, mf->Index(), idx->FSortOptions.Contains(soDesc),
                                    idx->FSortOptions.Contains(soCaseInsensitive)))
      idx->FData->MarkDirty();
  }
}

// ---------------------------------------------------------------------------------------------------
// TdxMemPersistent

TdxMemPersistent::TdxMemPersistent(TdxMemData* dataSet) : FDataSet(dataSet), FStream(New<TMemoryStream>()) {}

TdxMemPersistent::~TdxMemPersistent() { FreeAndNil(FStream); }

void TdxMemPersistent::Assign(TPersistent* source) {
  if (auto* src = dynamic_cast<TdxMemPersistent*>(source)) {
    FOption = src->FOption;
    FStream->Clear();
    src->FStream->SetPosition(0);
    FStream->CopyFrom(src->FStream, 0);
    return;
  }
  TPersistent::Assign(source);
}

TPersistent* TdxMemPersistent::GetOwner() { return FDataSet; }

void TdxMemPersistent::DefineProperties(TFiler* filer) {
  filer->DefineBinaryProperty("Data", TStreamProc(this, &TdxMemPersistent::ReadData),
                              TStreamProc(this, &TdxMemPersistent::WriteData), HasData());
}

void TdxMemPersistent::ReadData(TStream* stream) {
  FStream->Clear();
  FStream->CopyFrom(stream, stream->Size() - stream->Position());
}

void TdxMemPersistent::WriteData(TStream* stream) {
  FStream->SetPosition(0);
  stream->CopyFrom(FStream, 0);
}

void TdxMemPersistent::SaveData(TStream* source) {
  FStream->Clear();
  source->SetPosition(0);
  FStream->CopyFrom(source, 0);
}

void TdxMemPersistent::LoadData() {
  if (FIsLoadFromPersistent || !HasData()) return;
  FIsLoadFromPersistent = true;
  try {
    FStream->SetPosition(0);
    FDataSet->ReadDataStream(FStream);
  } catch (...) {
    FIsLoadFromPersistent = false;
    throw;
  }
  FIsLoadFromPersistent = false;
}

// ---------------------------------------------------------------------------------------------------
// TMemBlobStream

class TMemBlobStream : public TStream {
  RTL_CLASS(TMemBlobStream, TStream)
public:
  TMemBlobStream(TdxMemData* dataSet, TField* field, TBlobStreamMode mode)
      : FDataSet(dataSet), FField(field), FMode(mode) {
    auto* blob = dynamic_cast<TBlobField*>(field);
    if (mode != bmRead) {
      if (!blob || !blob->Modified()) {
        if (!(dataSet->State() == dsEdit || dataSet->State() == dsInsert))
          DatabaseError("Dataset not in edit or insert mode");
        if (field->ReadOnly()) DatabaseErrorFmt("Field '%s' cannot be modified", {field->DisplayName()});
      }
    }
    FData = dataSet->GetBlobData(field);
    if (mode == bmWrite) {
      FData.clear();
      FModified = true;
    }
  }
  ~TMemBlobStream() override {
    if (FModified) {
      try {
        FDataSet->SetBlobData(FField, FData);
        if (auto* blob = dynamic_cast<TBlobField*>(FField)) blob->SetModified(true);
        FDataSet->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(FField));
      } catch (...) {
      }
    }
  }
  int32_t Read(void* buffer, int32_t count) override {
    const int64_t left = static_cast<int64_t>(FData.size()) - FPosition;
    const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(left, 0, count));
    if (n > 0) std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
  }
  int32_t Write(const void* buffer, int32_t count) override {
    if (count <= 0) return 0;
    const size_t end = static_cast<size_t>(FPosition) + static_cast<size_t>(count);
    if (FData.size() < end) FData.resize(end);
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition += count;
    FModified = true;
    return count;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    switch (origin) {
      case soBeginning: FPosition = offset; break;
      case soCurrent: FPosition += offset; break;
      case soEnd: FPosition = static_cast<int64_t>(FData.size()) + offset; break;
    }
    if (FPosition < 0) FPosition = 0;
    return FPosition;
  }
  void SetSize(int64_t newSize) override {
    FData.resize(static_cast<size_t>(std::max<int64_t>(newSize, 0)));
    FModified = true;
  }

private:
  TdxMemData* FDataSet;
  TField* FField;
  TBlobStreamMode FMode;
  String FData;
  int64_t FPosition = 0;
  bool FModified = false;
};

// ---------------------------------------------------------------------------------------------------
// TdxMemData: construction

TdxMemData::TdxMemData(TComponent* AOwner) : TDataSet(AOwner) { (void)kRegistered; }

TdxMemData::~TdxMemData() = default;

void TdxMemData::AfterConstruction() {
  TDataSet::AfterConstruction();
  FStore = new TMemStore();
  FData = New<TdxMemFields>(this);
  FIndexes = New<TdxMemIndexes>(this);
  FPersistent = New<TdxMemPersistent>(this);
  CreateRecIdField();
}

void TdxMemData::BeforeDestruction() {
  if (Active()) Close();
  TDataSet::BeforeDestruction();
  FreeAndNil(FIndexes);
  FreeAndNil(FPersistent);
  FreeAndNil(FData);
  delete FStore;
  FStore = nullptr;
}

void TdxMemData::CreateRecIdField() {
  // The hidden record number: calculated, invisible, first, and auto-incremented by its name.
  // Owned by the dataset, so that form resources never stream it: the constructor makes it every time.
  FRecIdField = New<TIntegerField>(this);
  FRecIdField->SetFieldName("RecId");
  FRecIdField->SetFieldKind(fkCalculated);
  FRecIdField->SetVisible(false);
  FRecIdField->SetDataSet(this);
  FRecIdField->SetIndex(0);
}

void TdxMemData::Notification(TComponent* component, TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation == opRemove && component == FRecIdField) FRecIdField = nullptr;
}

void TdxMemData::GetChildren(TGetChildProc proc, TComponent* root) {
  TDataSet::GetChildren(
      [&](TComponent* child) {
        if (child != FRecIdField) proc(child);
      },
      root);
}

void TdxMemData::SetIndexes(TdxMemIndexes* value) { FIndexes->Assign(value); }
void TdxMemData::SetPersistent(TdxMemPersistent* value) { FPersistent->Assign(value); }

void TdxMemData::SetName(const String& newName) {
  TDataSet::SetName(newName);
  if (FRecIdField) FRecIdField->SetName(newName.empty() ? String() : newName + "RecId");
}

bool TdxMemData::IsFieldTypeSupported(TFieldType fieldType) {
  switch (fieldType) {
    case ftString:
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftAutoInc:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftWideString:
    case ftLargeint:
    case ftFMTBcd: return true;
    default: return false;
  }
}

// ---------------------------------------------------------------------------------------------------
// Open and close

bool TdxMemData::IsCursorOpen() const { return FActive; }

void TdxMemData::InternalInitFieldDefs() {
  FieldDefs()->Clear();
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    if (f->FieldKind() != fkData) continue;
    TFieldDef* def = FieldDefs()->AddFieldDef();
    def->SetName(f->FieldName());
    def->SetDataType(f->DataType());
    def->SetSize(f->Size());
    def->SetRequired(f->Required());
  }
}

void TdxMemData::InternalOpen() {
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    if (!IsFieldTypeSupported(f->DataType())) DatabaseErrorFmt("Unsupported field type: %s", {f->FieldName()});
  }
  // Persistent data fields define the layout; without any, the field definitions make default fields.
  bool hasDataFields = false;
  for (int32_t i = 0; i < FieldCount(); ++i)
    if (Fields()->Fields(i)->FieldKind() == fkData) hasDataFields = true;
  SetDefaultFields(!hasDataFields && FieldDefs()->Count() > 0);
  if (DefaultFields())
    CreateFields();
  else
    InternalInitFieldDefs();
  BindFields(true);
  BindMemFields();
  FRecBufSize = BlobsOffset() + static_cast<int32_t>(FBlobFields.size() * sizeof(String*));
  // A record buffer: the stored record, the bookmark and its flag, then the blob pointers.
  VORN_ASSERT(BlobsOffset() >= BookmarkOffset() + 5 && FRecBufSize >= BlobsOffset());
  SetBookmarkSize(4);
  FActive = true;
  FCurRec = -1;
  FLastBookmark = 0;
  FFilterList.clear();
  MakeSort();
  ResolveIndexFields();
}

void TdxMemData::BindMemFields() {
  FData->Clear();
  FBlobFields.clear();
  std::vector<TMemColumn> cols;
  int32_t recIdCol = -1;
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    if (IsBlobType(f->DataType())) {
      FBlobFields.push_back(f);
      continue;
    }
    TMemColumn c;
    c.Kind = KindOf(f->DataType());
    c.DataSize = f->DataSize();
    c.AutoInc = f->DataType() == ftAutoInc || AnsiSameText(f->FieldName(), "RECID");
    if (f == FRecIdField) recIdCol = static_cast<int32_t>(cols.size());
    auto* mf = New<TdxMemField>(FData, f, static_cast<int32_t>(cols.size()));
    FData->FItems.push_back(mf);
    if (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup) FData->FCalcFields.push_back(mf);
    if (c.AutoInc) FData->FAutoIncFields.push_back(mf);
    if (c.Kind == TMemKind::mkWideString) FData->FWideFields.push_back(mf);
    cols.push_back(c);
  }
  FStore->SetLayout(std::move(cols), static_cast<int32_t>(FBlobFields.size()), recIdCol);
}

void TdxMemData::InternalClose() {
  FStore->Clear();
  FFilterList.clear();
  FSortedField = nullptr;
  FIndexes->SetDirty();
  if (DefaultFields()) {
    std::vector<TField*> own;
    for (int32_t i = 0; i < FieldCount(); ++i)
      if (Fields()->Fields(i)->Owner() == this && Fields()->Fields(i) != FRecIdField) own.push_back(Fields()->Fields(i));
    for (TField* f : own) f->Free();
  }
  FActive = false;
  FCurRec = -1;
  FLastBookmark = 0;
}

void TdxMemData::DoAfterOpen() {
  if (FPersistent->Option() == poActive && FPersistent->HasData() && !FPersistent->FIsLoadFromPersistent &&
      !FSkipPersistent)
    FPersistent->LoadData();
  if (!FLoadFlag) TDataSet::DoAfterOpen();
}

void TdxMemData::Loaded() {
  TDataSet::Loaded();
  ResolveIndexFields();
  if (Active() && FPersistent->Option() == poLoad) FPersistent->LoadData();
}

void TdxMemData::ResolveIndexFields() { FIndexes->CheckFields(); }

void TdxMemData::InternalHandleException() {}

// ---------------------------------------------------------------------------------------------------
// Record buffers

TRecordBuffer TdxMemData::AllocRecordBuffer() {
  auto* buf = static_cast<TRecordBuffer>(std::calloc(static_cast<size_t>(std::max(FRecBufSize, 1)), 1));
  return buf;
}

void TdxMemData::FreeRecordBuffer(TRecordBuffer& buffer) {
  if (!buffer) return;
  FStore->FreeWide(reinterpret_cast<uint8_t*>(buffer));
  TMemStore::FreeBlobs(BufferBlobs(buffer), static_cast<int32_t>(FBlobFields.size()));
  std::free(buffer);
  buffer = nullptr;
}

uint16_t TdxMemData::GetRecordSize() const { return static_cast<uint16_t>(FStore->RecordSize()); }

int32_t TdxMemData::BookmarkOffset() const { return FStore->RecordSize(); }

// The blob pointers follow the bookmark and its flag, aligned for native pointers.
int32_t TdxMemData::BlobsOffset() const {
  constexpr int32_t a = static_cast<int32_t>(alignof(String*));
  return (FStore->RecordSize() + 5 + a - 1) / a * a;
}

String** TdxMemData::BufferBlobs(TRecordBuffer buffer) const {
  return reinterpret_cast<String**>(reinterpret_cast<uint8_t*>(buffer) + BlobsOffset());
}

void TdxMemData::CopyBlobs(String** dest, String** src) const {
  for (size_t i = 0; i < FBlobFields.size(); ++i) {
    String* s = nullptr;
    std::memcpy(&s, src + i, sizeof(s));
    String* old = nullptr;
    std::memcpy(&old, dest + i, sizeof(old));
    delete old;
    String* copy = s ? new String(*s) : nullptr;
    std::memcpy(dest + i, &copy, sizeof(copy));
  }
}

void TdxMemData::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, reinterpret_cast<uint8_t*>(buffer) + BookmarkOffset(), 4);
}

void TdxMemData::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(reinterpret_cast<uint8_t*>(buffer) + BookmarkOffset(), data, 4);
}

TBookmarkFlag TdxMemData::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(reinterpret_cast<uint8_t*>(buffer)[BookmarkOffset() + 4]);
}

void TdxMemData::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  reinterpret_cast<uint8_t*>(buffer)[BookmarkOffset() + 4] = static_cast<uint8_t>(value);
}

// ---------------------------------------------------------------------------------------------------
// The view over the records

bool TdxMemData::Filtering() const { return FActive && Filtered() && OnFilterRecord().Assigned(); }

int32_t TdxMemData::ViewCount() const {
  return Filtering() ? static_cast<int32_t>(FFilterList.size()) : FStore->Count();
}

int32_t TdxMemData::ViewToRecord(int32_t i) const {
  if (!Filtering()) return i;
  if (i < 0) return -1;
  if (i >= static_cast<int32_t>(FFilterList.size())) return FStore->Count();
  return FFilterList[static_cast<size_t>(i)];
}

int32_t TdxMemData::RecordToView(int32_t recordPos) const {
  if (!Filtering()) return recordPos;
  auto it = std::lower_bound(FFilterList.begin(), FFilterList.end(), recordPos);
  if (it == FFilterList.end() || *it != recordPos) return -1;
  return static_cast<int32_t>(it - FFilterList.begin());
}

bool TdxMemData::RecordAccepted(int32_t recordPos) {
  TRecordBuffer buf = AllocRecordBuffer();
  const TMemRecord& rec = FStore->Record(recordPos);
  FStore->CopyData(reinterpret_cast<uint8_t*>(buf), rec.Data);
  if (rec.Blobs) CopyBlobs(BufferBlobs(buf), rec.Blobs);
  TRecordBuffer saved = FFilterBuffer;
  FFilterBuffer = buf;
  bool accept = true;
  TDataSetState old = SetTempState(dsFilter);
  try {
    OnFilterRecord()(this, accept);
  } catch (...) {
    RestoreState(old);
    FFilterBuffer = saved;
    FreeRecordBuffer(buf);
    throw;
  }
  RestoreState(old);
  FFilterBuffer = saved;
  FreeRecordBuffer(buf);
  return accept;
}

void TdxMemData::UpdateFilterList() {
  FFilterList.clear();
  if (!Filtering()) return;
  for (int32_t i = 0; i < FStore->Count(); ++i)
    if (RecordAccepted(i)) FFilterList.push_back(i);
}

void TdxMemData::FilterInserted(int32_t recordPos) {
  if (!Filtering()) return;
  auto it = std::lower_bound(FFilterList.begin(), FFilterList.end(), recordPos);
  for (auto j = it; j != FFilterList.end(); ++j) ++*j;
  FFilterList.insert(it, recordPos);
}

void TdxMemData::FilterDeleted(int32_t recordPos) {
  if (!Filtering()) return;
  auto it = std::lower_bound(FFilterList.begin(), FFilterList.end(), recordPos);
  if (it != FFilterList.end() && *it == recordPos) it = FFilterList.erase(it);
  for (auto j = it; j != FFilterList.end(); ++j) --*j;
}

void TdxMemData::FilterPostedRecord() {
  if (!Filtering()) return;
  const int32_t pos = ViewToRecord(FCurRec);
  if (pos < 0 || pos >= FStore->Count()) return;
  if (!RecordAccepted(pos)) {
    auto it = std::lower_bound(FFilterList.begin(), FFilterList.end(), pos);
    if (it != FFilterList.end() && *it == pos) FFilterList.erase(it);
    if (FCurRec >= ViewCount()) FCurRec = ViewCount() - 1;
  }
}

void TdxMemData::SetFiltered(bool value) {
  TDataSet::SetFiltered(value);
  if (FActive) {
    UpdateFilterList();
    First();
  }
}

void TdxMemData::SetOnFilterRecord(const TFilterRecordEvent& value) {
  TDataSet::SetOnFilterRecord(value);
  if (FActive) {
    UpdateFilterList();
    First();
  }
}

// ---------------------------------------------------------------------------------------------------
// Navigation

TGetResult TdxMemData::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) {
  const int32_t count = ViewCount();
  if (count == 0) {
    if (getMode == gmCurrent && doCheck) DatabaseError("No Records");
    return getMode == gmPrior ? grBOF : grEOF;
  }
  switch (getMode) {
    case gmNext:
      if (FCurRec >= count - 1) {
        FCurRec = count;
        return grEOF;
      }
      ++FCurRec;
      break;
    case gmPrior:
      if (FCurRec <= 0) {
        FCurRec = -1;
        return grBOF;
      }
      FCurRec = std::min(FCurRec, count) - 1;
      break;
    case gmCurrent:
      if (FCurRec < 0 || FCurRec >= count) {
        if (doCheck) DatabaseError("No Records");
        return grError;
      }
      break;
  }
  const TMemRecord& rec = FStore->Record(ViewToRecord(FCurRec));
  FStore->CopyData(reinterpret_cast<uint8_t*>(buffer), rec.Data);
  if (rec.Blobs) CopyBlobs(BufferBlobs(buffer), rec.Blobs);
  SetBookmarkData(buffer, &rec.Bookmark);
  SetBookmarkFlag(buffer, bfCurrent);
  GetCalcFields(buffer);
  return grOK;
}

bool TdxMemData::GetCurrentRecord(TRecordBuffer buffer) {
  if (!IsEmpty() && FCurRec >= 0 && FCurRec < ViewCount()) {
    UpdateCursorPos();
    const TMemRecord& rec = FStore->Record(ViewToRecord(FCurRec));
    FStore->CopyData(reinterpret_cast<uint8_t*>(buffer), rec.Data);
    if (rec.Blobs) CopyBlobs(BufferBlobs(buffer), rec.Blobs);
    return true;
  }
  return false;
}

void TdxMemData::InternalFirst() { FCurRec = -1; }

void TdxMemData::InternalLast() { FCurRec = ViewCount(); }

void TdxMemData::InternalGotoBookmark(const void* bookmark) {
  const int32_t bm = LoadInt32(bookmark);
  // The current record is the usual target; look there first.
  int32_t pos = -1;
  const int32_t cur = ViewToRecord(FCurRec);
  if (cur >= 0 && cur < FStore->Count() && FStore->Record(cur).Bookmark == bm)
    pos = cur;
  else
    pos = FStore->IndexOfBookmark(bm);
  const int32_t view = pos < 0 ? -1 : RecordToView(pos);
  if (view < 0) DatabaseError("Bookmark not found");
  FCurRec = view;
}

void TdxMemData::InternalSetToRecord(TRecordBuffer buffer) {
  int32_t bm = 0;
  GetBookmarkData(buffer, &bm);
  InternalGotoBookmark(&bm);
}

bool TdxMemData::BookmarkValid(const TBookmark& bookmark) {
  if (!FActive || bookmark.size() < 4) return false;
  const int32_t bm = LoadInt32(bookmark.data());
  const int32_t pos = FStore->IndexOfBookmark(bm);
  return pos >= 0 && RecordToView(pos) >= 0;
}

int32_t TdxMemData::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  const bool e1 = bookmark1.size() < 4, e2 = bookmark2.size() < 4;
  if (e1 || e2) return e1 == e2 ? 0 : (e1 ? -1 : 1);
  const int32_t a = LoadInt32(bookmark1.data()), b = LoadInt32(bookmark2.data());
  return a < b ? -1 : (a > b ? 1 : 0);
}

int32_t TdxMemData::GetRecordCount() const {
  CheckActive();
  return ViewCount();
}

int32_t TdxMemData::RecNo() const {
  CheckActive();
  const_cast<TdxMemData*>(this)->UpdateCursorPos();
  if (FCurRec == -1 && ViewCount() > 0) return 1;
  return FCurRec + 1;
}

void TdxMemData::SetRecNo(int32_t value) {
  CheckBrowseMode();
  if (value < 1 || value > ViewCount()) return;
  DoBeforeScroll();
  FCurRec = value - 1;
  Resync({});
  DoAfterScroll();
}

bool TdxMemData::GetCanModify() const { return !FReadOnly || FLoadFlag; }

// ---------------------------------------------------------------------------------------------------
// Field values

TRecordBuffer TdxMemData::RecBuf() const {
  switch (State()) {
    case dsBrowse: return IsEmpty() ? nullptr : ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc: return CalcBuffer();
    case dsFilter: return FFilterBuffer;
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsCurValue: return ActiveBuffer();
    case dsOldValue: {
      // The stored record is the old value of the record being edited.
      const int32_t pos = EditedRecord();
      if (pos >= 0) return reinterpret_cast<TRecordBuffer>(FStore->Record(pos).Data);
      return ActiveBuffer();
    }
    default: return nullptr;
  }
}

// The stored record behind the active buffer, found by its bookmark; -1 for a new record.
int32_t TdxMemData::EditedRecord() const {
  TRecordBuffer buf = ActiveBuffer();
  if (!buf || const_cast<TdxMemData*>(this)->GetBookmarkFlag(buf) != bfCurrent) return -1;
  int32_t bm = 0;
  const_cast<TdxMemData*>(this)->GetBookmarkData(buf, &bm);
  const int32_t cur = ViewToRecord(FCurRec);
  if (cur >= 0 && cur < FStore->Count() && FStore->Record(cur).Bookmark == bm) return cur;
  return FStore->IndexOfBookmark(bm);
}

uint8_t* TdxMemData::FieldSlot(TRecordBuffer buffer, TField* field) const {
  TdxMemField* mf = FData->IndexOf(field);
  if (!mf || !buffer) return nullptr;
  VORN_ASSERT(FStore->Column(mf->Index()).Offset + FStore->Column(mf->Index()).DataSize + 1 <= FStore->RecordSize());
  return reinterpret_cast<uint8_t*>(buffer) + FStore->Column(mf->Index()).Offset;
}

bool TdxMemData::GetFieldData(TField* field, void* buffer) {
  if (BlobFieldIndex(field) >= 0) return !GetBlobData(field).empty();
  uint8_t* slot = FieldSlot(RecBuf(), field);
  if (!slot || slot[0] == 0) return false;
  if (buffer) {
    TdxMemField* mf = FData->IndexOf(field);
    if (mf->IsWideString()) {
      const WideString* w = memdata::SlotWide(slot);
      *static_cast<WideString*>(buffer) = w ? *w : WideString();
    } else {
      std::memcpy(buffer, slot + 1, static_cast<size_t>(mf->DataSize()));
    }
  }
  return true;
}

void TdxMemData::SetFieldData(TField* field, const void* buffer) {
  const TDataSetState st = State();
  if (!(st == dsEdit || st == dsInsert || st == dsCalcFields || st == dsFilter || st == dsNewValue))
    DatabaseError("Dataset not in edit or insert mode");
  uint8_t* slot = FieldSlot(RecBuf(), field);
  if (!slot) return;
  TdxMemField* mf = FData->IndexOf(field);
  if (mf->IsWideString()) {
    delete memdata::SlotWide(slot);
    memdata::SetSlotWide(slot, buffer ? new WideString(*static_cast<const WideString*>(buffer)) : nullptr);
  } else if (buffer) {
    std::memcpy(slot + 1, buffer, static_cast<size_t>(mf->DataSize()));
  }
  slot[0] = buffer ? 1 : 0;
  if (!buffer) std::memset(slot + 1, 0, static_cast<size_t>(mf->DataSize()));
  if (st != dsCalcFields && st != dsFilter) DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

int32_t TdxMemData::BlobFieldIndex(TField* field) const {
  for (size_t i = 0; i < FBlobFields.size(); ++i)
    if (FBlobFields[i] == field) return static_cast<int32_t>(i);
  return -1;
}

String TdxMemData::GetBlobData(TField* field) {
  const int32_t i = BlobFieldIndex(field);
  TRecordBuffer buf = RecBuf();
  if (i < 0 || !buf) return String();
  String** slots;
  if (State() == dsOldValue) {
    const int32_t pos = EditedRecord();
    if (pos < 0) return String();
    slots = FStore->Record(pos).Blobs;
  } else {
    slots = BufferBlobs(buf);
  }
  String* s = nullptr;
  std::memcpy(&s, slots + i, sizeof(s));
  return s ? *s : String();
}

void TdxMemData::SetBlobData(TField* field, const String& value) {
  const int32_t i = BlobFieldIndex(field);
  TRecordBuffer buf = RecBuf();
  if (i < 0 || !buf) return;
  String** slots = BufferBlobs(buf);
  String* old = nullptr;
  std::memcpy(&old, slots + i, sizeof(old));
  delete old;
  String* fresh = value.empty() ? nullptr : new String(value);
  std::memcpy(slots + i, &fresh, sizeof(fresh));
}

void TdxMemData::SetBlobValue(std::vector<String*>& slots, int32_t index, const String& value) {
  delete slots[static_cast<size_t>(index)];
  slots[static_cast<size_t>(index)] = value.empty() ? nullptr : new String(value);
}

TStream* TdxMemData::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return New<TMemBlobStream>(this, field, mode);
}

// ---------------------------------------------------------------------------------------------------
// Editing

void TdxMemData::InternalInitRecord(TRecordBuffer buffer) {
  FStore->FreeWide(reinterpret_cast<uint8_t*>(buffer));
  TMemStore::FreeBlobs(BufferBlobs(buffer), static_cast<int32_t>(FBlobFields.size()));
  std::memset(buffer, 0, static_cast<size_t>(FStore->RecordSize()));
}


void TdxMemData::DoOnNewRecord() {
  // The new record's number follows the highest so far.
  if (FRecIdField && FStore->RecIdColumn() >= 0) {
    TMemColumn& c = FStore->Column(FStore->RecIdColumn());
    memdata::SetSlotInt64(c, reinterpret_cast<uint8_t*>(ActiveBuffer()) + c.Offset, c.MaxAutoInc + 1);
  }
  if (!FLoadFlag) TDataSet::DoOnNewRecord();
}

void TdxMemData::SettleAutoInc(uint8_t* data) {
  for (TdxMemField* mf : FData->FAutoIncFields) {
    TMemColumn& c = FStore->Column(mf->Index());
    uint8_t* slot = data + c.Offset;
    const bool has = slot[0] != 0;
    const int64_t v = has ? memdata::SlotInt64(c, slot) : 0;
    if (has && v > c.MaxAutoInc)
      c.MaxAutoInc = v;
    else if (has && FLoadFlag) {
    } else
      memdata::SetSlotInt64(c, slot, ++c.MaxAutoInc);
  }
}

void TdxMemData::InternalPost() {
  TDataSet::InternalPost();
  uint8_t* buf = reinterpret_cast<uint8_t*>(ActiveBuffer());
  if (State() == dsEdit) {
    const int32_t pos = ViewToRecord(FCurRec);
    TMemRecord& rec = FStore->Record(pos);
    bool sortedChanged = false;
    if (FSortedField) {
      const TMemColumn& c = FStore->Column(FData->IndexOf(FSortedField)->Index());
      sortedChanged = memdata::CompareSlots(c, rec.Data + c.Offset, buf + c.Offset, false) != 0;
    }
    FStore->CopyData(rec.Data, buf);
    if (rec.Blobs) CopyBlobs(rec.Blobs, BufferBlobs(reinterpret_cast<TRecordBuffer>(buf)));
    const uint8_t* data = rec.Data;
    if (sortedChanged) MoveToSortedPlace(pos, false);
    FIndexes->AfterEdit(data);
  } else {
    TMemRecord rec = FStore->NewRecord();
    FStore->CopyData(rec.Data, buf);
    if (rec.Blobs) CopyBlobs(rec.Blobs, BufferBlobs(reinterpret_cast<TRecordBuffer>(buf)));
    // The framework marks where the new record goes: after the last one, at the top of an empty view, or
    // before the record that was current when the insert began.
    int32_t pos;
    const TBookmarkFlag flag = GetBookmarkFlag(reinterpret_cast<TRecordBuffer>(buf));
    if (flag == bfEOF) {
      pos = FStore->Count();
    } else if (flag == bfBOF) {
      pos = 0;
    } else {
      int32_t before = 0;
      GetBookmarkData(reinterpret_cast<TRecordBuffer>(buf), &before);
      pos = FStore->IndexOfBookmark(before);
      if (pos < 0) pos = FCurRec < 0 ? 0 : ViewToRecord(FCurRec);
    }
    pos = std::clamp(pos, 0, FStore->Count());
    rec.Bookmark = ++FLastBookmark;
    FStore->Insert(pos, rec);
    SettleAutoInc(rec.Data);
    FilterInserted(pos);
    FCurRec = RecordToView(pos);
    MoveToSortedPlace(pos, true);
    FIndexes->SetDirty();
  }
  FIsModified = true;
  FilterPostedRecord();
}

void TdxMemData::InternalAddRecord(const void* buffer, bool /*append*/) {
  TMemRecord rec = FStore->NewRecord();
  FStore->CopyData(rec.Data, static_cast<const uint8_t*>(buffer));
  if (rec.Blobs) CopyBlobs(rec.Blobs, BufferBlobs(static_cast<TRecordBuffer>(const_cast<void*>(buffer))));
  rec.Bookmark = ++FLastBookmark;
  const int32_t pos = FStore->Count();
  FStore->Insert(pos, rec);
  SettleAutoInc(rec.Data);
  FilterInserted(pos);
  FCurRec = RecordToView(pos);
  MoveToSortedPlace(pos, true);
  FIndexes->SetDirty();
  FIsModified = true;
  FilterPostedRecord();
}

void TdxMemData::MoveToSortedPlace(int32_t recordPos, bool /*inserted*/) {
  if (!FSortedField || FLoadFlag) return;
  TdxMemField* mf = FData->IndexOf(FSortedField);
  if (!mf) return;
  const bool desc = FSortOptions.Contains(soDesc), ci = FSortOptions.Contains(soCaseInsensitive);
  auto& recs = FStore->Records();
  const TMemRecord rec = recs[static_cast<size_t>(recordPos)];
  const bool inView = RecordToView(recordPos) >= 0;
  recs.erase(recs.begin() + recordPos);
  FilterDeleted(recordPos);
  auto it = std::lower_bound(recs.begin(), recs.end(), rec, [&](const TMemRecord& a, const TMemRecord& b) {
    return FStore->CompareRecords(mf->Index(), a, b, desc, ci) < 0;
  });
  const int32_t np = static_cast<int32_t>(it - recs.begin());
  recs.insert(it, rec);
  if (Filtering()) {
    auto f = std::lower_bound(FFilterList.begin(), FFilterList.end(), np);
    for (auto j = f; j != FFilterList.end(); ++j) ++*j;
    if (inView) FFilterList.insert(f, np);
  }
  const int32_t view = RecordToView(np);
  if (view >= 0) FCurRec = view;
}

void TdxMemData::InternalDelete() {
  const int32_t pos = ViewToRecord(FCurRec);
  if (pos < 0 || pos >= FStore->Count()) return;
  FIndexes->RemoveRecord(FStore->Record(pos).Data, pos);
  FStore->Delete(pos);
  FilterDeleted(pos);
  if (FCurRec >= ViewCount()) FCurRec = ViewCount() - 1;
  FIsModified = true;
}

// ---------------------------------------------------------------------------------------------------
// Sorting

void TdxMemData::SetSortedField(const String& value) {
  if (FSortedFieldName == value) return;
  FSortedFieldName = value;
  if (FActive) MakeSort();
}

void TdxMemData::SetSortOptions(TdxSortOptions value) {
  if (FSortOptions == value) return;
  FSortOptions = value;
  if (FActive) MakeSort();
}

void TdxMemData::MakeSort() {
  FSortedField = FSortedFieldName.empty() ? nullptr : FindField(FSortedFieldName);
  if (FSortedField && !FData->IndexOf(FSortedField)) FSortedField = nullptr;
  if (!FActive) return;
  if (FSortedField && !FLoadFlag) {
    FStore->Sort(FData->IndexOf(FSortedField)->Index(), FSortOptions.Contains(soDesc),
                 FSortOptions.Contains(soCaseInsensitive));
    FIndexes->SetDirty();
  }
  UpdateFilterList();
  if (State() == dsBrowse) {
    First();
  } else {
    FCurRec = -1;
  }
}

// ---------------------------------------------------------------------------------------------------
// Locate and lookup

int32_t TdxMemData::LocateRecord(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  const std::vector<String> names = SplitFieldNames(keyFields);
  std::vector<TField*> fields;
  for (const String& n : names) {
    TField* f = FindField(n);
    if (!f) DatabaseErrorFmt("Field '%s' not found", {n});
    fields.push_back(f);
  }
  if (FStore->Count() == 0 || fields.empty()) return -1;
  if (fields.size() > 1 && !VarIsArray(keyValues)) return -1;

  const bool ci = options.Contains(loCaseInsensitive);
  const bool partial = options.Contains(loPartialKey);
  std::vector<memdata::TMemKeySlot> keys(fields.size());
  std::vector<const TMemColumn*> cols(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    TdxMemField* mf = FData->IndexOf(fields[i]);
    if (!mf) return -1;  // blob keys never match
    cols[i] = &FStore->Column(mf->Index());
    Variant v = VarIsArray(keyValues) ? keyValues[VarArrayLowBound(keyValues, 1) + static_cast<int32_t>(i)]
                                      : keyValues;
    memdata::MakeKeySlot(*cols[i], v, keys[i]);
  }
  auto matches = [&](const TMemRecord& rec) {
    for (size_t i = 0; i < fields.size(); ++i)
      if (!memdata::SlotMatches(*cols[i], rec.Data + cols[i]->Offset, keys[i], ci, partial)) return false;
    return true;
  };

  // An order on the first key field that matches the case option lets the search bisect. A partial text
  // key in a descending order would bisect past the longer values that start with it, so it scans.
  bool sorted = false, desc = false;
  TdxMemIndex* index = nullptr;
  const bool partialText = partial && keys[0].IsString;
  if (fields[0] == FSortedField && FSortOptions.Contains(soCaseInsensitive) == ci &&
      !(partialText && FSortOptions.Contains(soDesc))) {
    sorted = true;
    desc = FSortOptions.Contains(soDesc);
  } else if ((index = FIndexes->GetIndexByField(fields[0])) != nullptr &&
             index->SortOptions().Contains(soCaseInsensitive) == ci &&
             !(partialText && index->SortOptions().Contains(soDesc))) {
    index->Prepare();
    if (index->IsDirty()) index = nullptr;
    else desc = index->SortOptions().Contains(soDesc);
  } else {
    index = nullptr;
  }
  const TMemColumn& c0 = *cols[0];
  const uint8_t* key0 = keys[0].Slot();

  if (sorted && Filtering()) {
    // The filter list keeps the sorted order: bisect over it.
    int32_t p = 0;
    auto at = [&](int32_t i) { return FStore->Record(FFilterList[static_cast<size_t>(i)]).Data + c0.Offset; };
    memdata::BisectSlots(c0, key0, desc, ci, 0, static_cast<int32_t>(FFilterList.size()), at, p);
    for (; p < static_cast<int32_t>(FFilterList.size()); ++p) {
      const TMemRecord& rec = FStore->Record(FFilterList[static_cast<size_t>(p)]);
      if (!memdata::SlotMatches(c0, rec.Data + c0.Offset, keys[0], ci, partial)) break;
      if (matches(rec)) return FFilterList[static_cast<size_t>(p)];
    }
    return -1;
  }
  if (sorted) {
    int32_t p = 0;
    auto at = [&](int32_t i) { return FStore->Record(i).Data + c0.Offset; };
    memdata::BisectSlots(c0, key0, desc, ci, 0, FStore->Count(), at, p);
    for (; p < FStore->Count(); ++p) {
      const TMemRecord& rec = FStore->Record(p);
      if (!memdata::SlotMatches(c0, rec.Data + c0.Offset, keys[0], ci, partial)) break;
      if (matches(rec)) return p;
    }
    return -1;
  }
  if (index && !Filtering()) {
    memdata::TMemIndexData& d = *index->FData;
    int32_t p = 0;
    auto at = [&](int32_t i) { return d.Data(i) + c0.Offset; };
    memdata::BisectSlots(c0, key0, desc, ci, 0, d.Count(), at, p);
    for (; p < d.Count(); ++p) {
      if (!memdata::SlotMatches(c0, d.Data(p) + c0.Offset, keys[0], ci, partial)) break;
      const int32_t pos = d.PositionOf(*FStore, p);
      if (pos >= 0 && matches(FStore->Record(pos))) return pos;
    }
    return -1;
  }
  if (Filtering()) {
    for (int32_t pos : FFilterList)
      if (matches(FStore->Record(pos))) return pos;
    return -1;
  }
  for (int32_t pos = 0; pos < FStore->Count(); ++pos)
    if (matches(FStore->Record(pos))) return pos;
  return -1;
}

bool TdxMemData::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  DoBeforeScroll();
  const int32_t pos = LocateRecord(keyFields, keyValues, options);
  const int32_t view = pos < 0 ? -1 : RecordToView(pos);
  if (view < 0) return false;
  FCurRec = view;
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

int32_t TdxMemData::FindRecordNumber(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  const int32_t pos = LocateRecord(keyFields, keyValues, options);
  const int32_t view = pos < 0 ? -1 : RecordToView(pos);
  return view + 1;
}

Variant TdxMemData::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
  const int32_t pos = LocateRecord(keyFields, keyValues, {});
  if (pos < 0) return Null();
  const TMemRecord& rec = FStore->Record(pos);
  auto valueOf = [&](const String& name) -> Variant {
    TField* f = FieldByName(name);
    if (TdxMemField* mf = FData->IndexOf(f)) {
      const TMemColumn& c = FStore->Column(mf->Index());
      Variant v = memdata::SlotToVariant(c, rec.Data + c.Offset);
      if (f->DataType() == ftCurrency && !VarIsNull(v)) return Variant(Currency::FromDouble(v.AsDouble()));
      return v;
    }
    const int32_t b = BlobFieldIndex(f);
    if (b >= 0 && rec.Blobs && rec.Blobs[b]) return Variant(*rec.Blobs[b]);
    return Null();
  };
  const std::vector<String> names = SplitFieldNames(resultFields);
  if (names.size() == 1) return valueOf(names[0]);
  std::vector<Variant> values;
  for (const String& n : names) values.push_back(valueOf(n));
  return VarArrayOf(values);
}

void TdxMemData::InternalRefresh() { RefreshCalcValues(); }

// Stored calculated and lookup values are computed again for every record, silently.
void TdxMemData::RefreshCalcValues() {
  if (FStore->Count() == 0 || FData->FCalcFields.empty()) return;
  bool needed = OnCalcFields.Assigned();
  for (TdxMemField* mf : FData->FCalcFields) {
    TField* f = mf->Field();
    if (f->FieldKind() == fkLookup && f->LookupDataSet() && f->LookupDataSet()->Active()) needed = true;
  }
  if (!needed) return;
  const bool saveLoad = FLoadFlag;
  FLoadFlag = true;
  TRecordBuffer buf = AllocRecordBuffer();
  try {
    for (int32_t i = 0; i < FStore->Count(); ++i) {
      TMemRecord& rec = FStore->Record(i);
      FStore->CopyData(buf, rec.Data);
      if (rec.Blobs) CopyBlobs(BufferBlobs(buf), rec.Blobs);
      GetCalcFields(buf);
      FStore->CopyData(rec.Data, buf);
    }
  } catch (...) {
    FreeRecordBuffer(buf);
    FLoadFlag = saveLoad;
    throw;
  }
  FreeRecordBuffer(buf);
  FLoadFlag = saveLoad;
}

#define MEM_SILENT_EVENT(Name) \
  void TdxMemData::Name() {    \
    if (!FLoadFlag) TDataSet::Name(); \
  }
MEM_SILENT_EVENT(DoBeforeOpen)
MEM_SILENT_EVENT(DoBeforeClose)
MEM_SILENT_EVENT(DoAfterClose)
MEM_SILENT_EVENT(DoBeforeInsert)
MEM_SILENT_EVENT(DoAfterInsert)
MEM_SILENT_EVENT(DoBeforeEdit)
MEM_SILENT_EVENT(DoAfterEdit)
MEM_SILENT_EVENT(DoBeforePost)
MEM_SILENT_EVENT(DoAfterPost)
MEM_SILENT_EVENT(DoBeforeCancel)
MEM_SILENT_EVENT(DoAfterCancel)
MEM_SILENT_EVENT(DoBeforeDelete)
MEM_SILENT_EVENT(DoAfterDelete)
MEM_SILENT_EVENT(DoBeforeScroll)
MEM_SILENT_EVENT(DoAfterScroll)
#undef MEM_SILENT_EVENT

// ---------------------------------------------------------------------------------------------------
// Text file

void TdxMemData::WriteTextFile(const String& fileName) {
  if (!Active()) return;
  std::vector<TField*> cols;
  for (int32_t i = 0; i < FieldCount(); ++i)
    if (!IsStoredOutsideText(Fields()->Fields(i))) cols.push_back(Fields()->Fields(i));
  String text;
  std::vector<String> values;
  DisableControls();
  TBookmark bm = GetBookmark();
  try {
    for (TField* f : cols) values.push_back(f->FieldName());
    text += memdata::JoinTextLine(values, FDelimiter) + "\r\n";
    First();
    while (!Eof()) {
      values.clear();
      for (TField* f : cols) values.push_back(f->Text());
      text += memdata::JoinTextLine(values, FDelimiter) + "\r\n";
      Next();
    }
  } catch (...) {
    if (BookmarkValid(bm)) GotoBookmark(bm);
    EnableControls();
    throw;
  }
  if (!bm.empty() && BookmarkValid(bm)) GotoBookmark(bm);
  EnableControls();
  TFileStream fs(fileName, fmCreate);
  fs.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TdxMemData::ReadTextFile(const String& fileName) {
  String text;
  {
    TFileStream fs(fileName, fmOpenRead);
    text.resize(static_cast<size_t>(fs.Size()));
    if (!text.empty()) fs.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
  }
  if (text.empty()) return;
  const std::vector<std::vector<String>> lines = memdata::SplitTextFile(text, FDelimiter);
  if (lines.empty()) return;
  FLoadFlag = true;
  DisableControls();
  try {
    FSkipPersistent = true;
    Close();
    try {
      Open();
    } catch (...) {
      FSkipPersistent = false;
      throw;
    }
    FSkipPersistent = false;
    std::vector<TField*> cols;
    for (const String& name : lines[0]) {
      TField* f = FindField(name);
      cols.push_back(f && !IsStoredOutsideText(f) ? f : nullptr);
    }
    for (size_t l = 1; l < lines.size(); ++l) {
      Append();
      const std::vector<String>& cells = lines[l];
      for (size_t k = 0; k < cells.size() && k < cols.size(); ++k)
        if (cols[k] && !cells[k].empty()) cols[k]->SetText(cells[k]);
      Post();
    }
  } catch (...) {
    // A refused value ends the load; the dataset leaves loading with its controls enabled again.
    if (State() == dsInsert || State() == dsEdit) Cancel();
    FLoadFlag = false;
    EnableControls();
    throw;
  }
  FLoadFlag = false;
  First();
  MakeSort();
  EnableControls();
}

// ---------------------------------------------------------------------------------------------------
// Data stream

void TdxMemData::ReadDataStream(TStream* stream) {
  DisableControls();
  // Reopening empties the dataset; the persisted rows load only when they are this stream.
  FSkipPersistent = !FPersistent->FIsLoadFromPersistent;
  try {
    Close();
    Open();
  } catch (...) {
    FSkipPersistent = false;
    EnableControls();
    throw;
  }
  FSkipPersistent = false;
  FLoadFlag = true;
  std::vector<TField*> colFields;
  auto finish = [&] {
    FLoadFlag = false;
    FStore->RenumberBookmarks();
    FLastBookmark = FStore->Count();
    FSortedField = nullptr;
    MakeSort();
    UpdateFilterList();
    FCurRec = -1;
    RefreshCalcValues();
    if (!Filtering())
      First();
    else
      Resync({});
    EnableControls();
  };
  try {
    memdata::TMemStreamHandler h;
    h.Columns = [&](const std::vector<memdata::TMemStreamColumn>& columns) {
      std::vector<memdata::TMemStreamTarget> targets;
      for (const auto& c : columns) {
        TField* f = nullptr;
        for (int32_t i = 0; i < FieldCount() && !f; ++i)
          if (AnsiSameText(Fields()->Fields(i)->FieldName(), c.Name)) f = Fields()->Fields(i);
        colFields.push_back(f);
        memdata::TMemStreamTarget t;
        if (f) {
          const TFieldType ft = f->DataType();
          if (IsBlobType(ft)) t.Kind = memdata::TMemTarget::tkBlob;
          else if (ft == ftString) t.Kind = memdata::TMemTarget::tkString;
          else if (ft == ftWideString) t.Kind = memdata::TMemTarget::tkWideString;
          else t.Kind = memdata::TMemTarget::tkFixed;
          t.DataSize = f->DataSize();
        }
        targets.push_back(t);
      }
      return targets;
    };
    h.Record = [&](const std::vector<memdata::TMemStreamValue>& values) {
      TMemRecord rec = FStore->NewRecord();
      for (size_t k = 0; k < values.size(); ++k) {
        TField* f = colFields[k];
        const memdata::TMemStreamValue& v = values[k];
        if (!f || f == FRecIdField || v.Null) continue;
        if (TdxMemField* mf = FData->IndexOf(f)) {
          const TMemColumn& c = FStore->Column(mf->Index());
          uint8_t* slot = rec.Data + c.Offset;
          slot[0] = 1;
          if (c.Kind == TMemKind::mkWideString) {
            memdata::SetSlotWide(slot, new WideString(v.Wide));
          } else {
            const size_t room = c.Kind == TMemKind::mkString ? static_cast<size_t>(std::max(c.DataSize - 1, 0))
                                                            : static_cast<size_t>(c.DataSize);
            std::memcpy(slot + 1, v.Bytes.data(), std::min(room, v.Bytes.size()));
          }
        } else {
          const int32_t b = BlobFieldIndex(f);
          if (b >= 0) TMemStore::SetBlob(rec.Blobs, b, v.Bytes);
        }
      }
      if (FStore->RecIdColumn() >= 0) {
        TMemColumn& c = FStore->Column(FStore->RecIdColumn());
        memdata::SetSlotInt64(c, rec.Data + c.Offset, FStore->Count() + 1);
      }
      // Given auto-increment values stay; the highest so far follows them.
      for (TdxMemField* mf : FData->FAutoIncFields) {
        TMemColumn& c = FStore->Column(mf->Index());
        const uint8_t* slot = rec.Data + c.Offset;
        if (slot[0]) c.MaxAutoInc = std::max(c.MaxAutoInc, memdata::SlotInt64(c, slot));
      }
      FStore->Insert(FStore->Count(), rec);
    };
    memdata::ReadMemDataStream(stream, h);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}
