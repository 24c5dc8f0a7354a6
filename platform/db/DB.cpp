// TDataSet: the buffer ring, navigation, the editing state machine and notifications.
#include "db/DB.h"

#include <algorithm>
#include <cstring>

#include "db/detail/DBMessages.h"
#include "rtl/Assert.h"
#include "rtl/DateTime.h"
#include "rtl/SysUtils.h"

// The buffer ring's indexes: the records held fit the ring, the active record is one of them (0 when
// there is none), the current one is one of them or none.
#define VORN_ASSERT_RING()                                                                             \
  VORN_ASSERT(FRecordCount >= 0 && FRecordCount <= std::max(FBufferCount, 1) &&                         \
              (FRecordCount == 0 ? FActiveRecord == 0 : FActiveRecord >= 0 && FActiveRecord < FRecordCount) && \
              FCurrentRecord >= -1 && FCurrentRecord < std::max(FRecordCount, 1))

namespace {
const char* const SDataSetClosed = "Cannot perform this operation on a closed dataset";
const char* const SDataSetOpen = "Cannot perform this operation on an open dataset";
const char* const SDataSetReadOnly = "Cannot modify a read-only dataset";
const char* const SDataSetEmpty = "Cannot perform this operation on an empty dataset";
const char* const SRecordNotFound = "Record not found";
const char* const SFieldRequired = "Field '%s' must have a value";
const char* const SDataSetUnidirectional = "Operation not allowed on a unidirectional dataset";
const char* const SCircularDataLink = "Circular datalinks are not allowed";
const char* const SFieldIndexError = "Field index out of range";
const char* const SDuplicateFieldName = "Duplicate field name '%s'";

// Splits "A;B; C" into trimmed names; empty parts are skipped.
std::vector<String> SplitNames(const String& names) {
  std::vector<String> out;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == String::npos) end = names.size();
    String part = Trim(names.substr(start, end - start));
    if (!part.empty()) out.push_back(part);
    start = end + 1;
  }
  return out;
}
}  // namespace

void DatabaseError(const String& message, TComponent* component) {
  if (component && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}

void DatabaseErrorFmt(const String& message, std::initializer_list<FormatArg> args, TComponent* component) {
  DatabaseError(Format(message, args), component);
}

String FieldTypeName(TFieldType type) {
  static const char* const names[] = {
      "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD", "Date",
      "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic", "FmtMemo", "ParadoxOle",
      "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString", "Largeint", "ADT", "Array", "Reference",
      "DataSet", "OraBlob", "OraClob", "Variant", "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd"};
  return type <= ftFMTBcd ? names[type] : "Unknown";
}

// ---------------------------------------------------------------------------------------------------
// TFieldDef / TFieldDefs

TFieldDef::TFieldDef(TCollection* collection) : TCollectionItem(collection) {}

void TFieldDef::SetRequired(bool v) {
  if (v) FAttributes.Include(faRequired);
  else FAttributes.Exclude(faRequired);
}

TClass TFieldDef::FieldClass() const {
  auto* defs = dynamic_cast<TFieldDefs*>(Collection());
  if (defs && defs->DataSet()) return defs->DataSet()->GetFieldClass(FDataType);
  return DefaultFieldClass(FDataType);
}

TField* TFieldDef::CreateField(TComponent* owner) {
  TClass cls = FieldClass();
  if (!cls) DatabaseErrorFmt("Field '%s' is of an unknown type", {FName});
  TField* field = CreateAs<TField>(cls, owner);
  try {
    field->SetSize(FSize);
    field->SetFieldName(FName);
    field->SetRequired(Required());
    field->FFieldNo = FieldNo();
    if (FAttributes.Contains(faReadonly)) field->SetReadOnly(true);
    if (FInternalCalcField) field->FFieldKind = fkInternalCalc;
    // One class serves several types (fixed char, the blob kinds): keep the definition's type.
    field->FDataType = FDataType == ftFixedChar || FDataType == ftFmtMemo || FDataType == ftTypedBinary ||
                               FDataType == ftParadoxOle || FDataType == ftDBaseOle
                           ? FDataType
                           : field->FDataType;
    if (FDataType == ftFixedChar) static_cast<TStringField*>(field)->SetFixedChar(true);
    if (auto* bcd = dynamic_cast<TBCDField*>(field)) bcd->SetPrecision(FPrecision);
    if (auto* fl = dynamic_cast<TFloatField*>(field); fl && FPrecision > 0) fl->SetPrecision(FPrecision);
    auto* defs = static_cast<TFieldDefs*>(Collection());
    field->SetDataSet(defs ? defs->DataSet() : nullptr);
  } catch (...) {
    field->Free();
    throw;
  }
  return field;
}

void TFieldDef::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TFieldDef*>(source)) {
    FName = s->FName;
    FDataType = s->FDataType;
    FSize = s->FSize;
    FPrecision = s->FPrecision;
    FAttributes = s->FAttributes;
    FInternalCalcField = s->FInternalCalcField;
    return;
  }
  TCollectionItem::Assign(source);
}

TFieldDefs::TFieldDefs(TDataSet* owner) : TOwnedCollection(owner, TFieldDef::StaticClass()), FDataSet(owner) {}

void TFieldDefs::Add(const String& name, TFieldType dataType, int32_t size, bool required) {
  if (name.empty()) DatabaseError("Field name missing", FDataSet);
  if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {name}, FDataSet);
  TFieldDef* def = AddFieldDef();
  def->SetName(name);
  def->SetDataType(dataType);
  def->SetSize(size);
  def->SetRequired(required);
}

int32_t TFieldDefs::IndexOf(const String& name) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(const String& name) const {
  int32_t i = IndexOf(name);
  if (i < 0) DatabaseErrorFmt(SFieldNotFound, {name}, FDataSet);
  return Items(i);
}

void TFieldDefs::GetItemNames(TStrings* list) const {
  for (int32_t i = 0; i < Count(); ++i) list->Add(Items(i)->Name());
}

void TFieldDefs::Update() {
  if (!FUpdated && FDataSet) FDataSet->InitFieldDefs();
}

// ---------------------------------------------------------------------------------------------------
// TFields

TField* TFields::Fields(int32_t index) const {
  if (index < 0 || index >= Count()) DatabaseError(SFieldIndexError, FDataSet);
  return FList[index];
}

void TFields::CheckFieldName(const String& name) const {
  if (name.empty()) DatabaseError("Field name missing", FDataSet);
  if (FindField(name)) DatabaseErrorFmt(SDuplicateFieldName, {name}, FDataSet);
}

void TFields::Add(TField* field) {
  // A field read from a form resource joins its dataset before its name is read.
  if (!field->FieldName().empty() && FindField(field->FieldName()))
    DatabaseErrorFmt(SDuplicateFieldName, {field->FieldName()}, FDataSet);
  FList.push_back(field);
  field->FDataSet = FDataSet;
  if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

void TFields::Remove(TField* field) {
  auto it = std::find(FList.begin(), FList.end(), field);
  if (it == FList.end()) return;
  FList.erase(it);
  field->FDataSet = nullptr;
  if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

void TFields::Clear() {
  while (!FList.empty()) {
    TField* f = FList.back();
    FList.pop_back();
    f->FDataSet = nullptr;
  }
}

int32_t TFields::IndexOf(const TField* field) const {
  auto it = std::find(FList.begin(), FList.end(), field);
  return it == FList.end() ? -1 : static_cast<int32_t>(it - FList.begin());
}

TField* TFields::FindField(const String& name) const {
  for (TField* f : FList)
    if (AnsiSameText(f->FieldName(), name)) return f;
  return nullptr;
}

TField* TFields::FieldByName(const String& name) const {
  TField* f = FindField(name);
  if (!f) DatabaseErrorFmt(SFieldNotFound, {name}, FDataSet);
  return f;
}

TField* TFields::FieldByNumber(int32_t fieldNo) const {
  for (TField* f : FList)
    if (f->FieldNo() == fieldNo) return f;
  return nullptr;
}

void TFields::SetFieldIndex(TField* field, int32_t value) {
  int32_t cur = IndexOf(field);
  if (cur < 0) return;
  value = std::clamp(value, 0, Count() - 1);
  if (cur == value) return;
  FList.erase(FList.begin() + cur);
  FList.insert(FList.begin() + value, field);
  if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

// ---------------------------------------------------------------------------------------------------
// TDataSet: life cycle

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner) {
  RegisterDBClasses();
  FFields = new TFields(this);
  FFieldDefs = new TFieldDefs(this);
}

TDataSet::~TDataSet() {
  delete FFieldDefs;
  delete FFields;
}

void TDataSet::BeforeDestruction() {
  Destroying();
  try {
    SetActive(false);
  } catch (...) {
  }
  while (!FDataSources.empty()) FDataSources.back()->SetDataSet(nullptr);
  // Fields owned elsewhere forget this dataset; default ones go with it.
  DestroyFields();
  FFields->Clear();
  TComponent::BeforeDestruction();
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  try {
    if (FStreamedActive) SetActive(true);
  } catch (...) {
    if (ComponentState().Contains(csDesigning)) InternalHandleException();
    else throw;
  }
}

void TDataSet::GetChildren(TGetChildProc proc, TComponent* root) {
  for (TField* f : *FFields)
    if (f->Owner() == root) proc(f);
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) {
    for (TField* f : *FFields)
      if (f->FLookupDataSet == component) f->FLookupDataSet = nullptr;
  }
}

void TDataSet::InternalHandleException() {}

void TDataSet::SetActive(bool value) {
  if (ComponentState().Contains(csReading)) {
    FStreamedActive = value;
    return;
  }
  if (Active() == value) return;
  if (value) {
    DoBeforeOpen();
    try {
      OpenCursor(false);
    } catch (...) {
      if (FState != dsOpening) OpenCursorComplete();
      throw;
    }
    if (FState != dsOpening) OpenCursorComplete();
  } else {
    bool destroying = ComponentState().Contains(csDestroying);
    if (!destroying) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) DoAfterClose();
  }
}

void TDataSet::OpenCursor(bool infoQuery) {
  if (infoQuery) InternalInitFieldDefs();
  else if (FState != dsOpening) DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
  InternalOpen();
  FInternalOpenComplete = true;
  UpdateBufferCount();
  FBOF = true;
}

void TDataSet::OpenCursorComplete() {
  if (FInternalOpenComplete) {
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    SetState(dsInactive);
    CloseCursor();
  }
}

void TDataSet::CloseCursor() {
  SetBufListSize(0);
  FBufferCount = 0;
  ClearBuffers();
  FBOF = FEOF = true;
  if (FInternalOpenComplete || IsCursorOpen()) {
    FInternalOpenComplete = false;
    InternalClose();
  }
  FInternalOpenComplete = false;
}

void TDataSet::InitFieldDefs() {
  if (IsCursorOpen()) InternalInitFieldDefs();
  else {
    SetState(dsOpening);
    try {
      OpenCursor(true);
    } catch (...) {
      CloseCursor();
      SetState(dsInactive);
      throw;
    }
    CloseCursor();
    SetState(dsInactive);
  }
  FFieldDefs->SetUpdated(true);
}

void TDataSet::InitFieldDefsFromFields() {
  if (FFieldDefs->Count() != 0) return;
  for (TField* f : *FFields) {
    if (f->FieldKind() != fkData && f->FieldKind() != fkInternalCalc) continue;
    TFieldDef* def = FFieldDefs->AddFieldDef();
    def->SetName(f->FieldName());
    def->SetDataType(f->DataType());
    def->SetSize(f->Size());
    def->SetRequired(f->Required());
    if (f->FieldKind() == fkInternalCalc) def->SetInternalCalcField(true);
    if (auto* bcd = dynamic_cast<TBCDField*>(f)) def->SetPrecision(bcd->Precision());
  }
}

// ---------------------------------------------------------------------------------------------------
// Fields

void TDataSet::CreateFields() {
  for (int32_t i = 0; i < FFieldDefs->Count(); ++i) {
    TFieldDef* def = FFieldDefs->Items(i);
    if (def->DataType() == ftUnknown || !def->FieldClass()) continue;
    def->CreateField(this);
  }
}

void TDataSet::DestroyFields() {
  // Default fields belong to the dataset; persistent ones to their owner.
  std::vector<TField*> own;
  for (TField* f : *FFields)
    if (f->Owner() == this) own.push_back(f);
  for (TField* f : own) f->Free();
}

void TDataSet::BindFields(bool binding) {
  FCalcFieldsSize = 0;
  FInternalCalcFields = false;
  int32_t fieldNo = 0;
  for (TField* f : *FFields) {
    ++fieldNo;
    if (binding) {
      if (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup) {
        f->FFieldNo = -1;
        f->FOffset = FCalcFieldsSize;
        FCalcFieldsSize += f->DataSize() + 1;
        VORN_ASSERT(f->FOffset >= 0 && FCalcFieldsSize > f->FOffset);
      } else {
        if (f->FieldKind() == fkInternalCalc) FInternalCalcFields = true;
        int32_t idx = FFieldDefs->IndexOf(f->FieldName());
        if (idx >= 0) {
          TFieldDef* def = FFieldDefs->Items(idx);
          CheckFieldCompatibility(f, def);
          f->FFieldNo = def->FieldNo();
        } else if (f->FFieldNo <= 0) {
          f->FFieldNo = fieldNo;
        }
      }
      if (f->FieldKind() == fkLookup && f->FLookupDataSet == this)
        DatabaseError(SCircularDataLink, this);
    } else {
      f->FLookupList.clear();
    }
  }
}

void TDataSet::CheckFieldCompatibility(TField* f, TFieldDef* def) {
  TFieldType a = def->DataType(), b = f->DataType();
  auto intLike = [](TFieldType t) { return t == ftInteger || t == ftAutoInc; };
  auto strLike = [](TFieldType t) { return t == ftString || t == ftFixedChar; };
  if (a == b || (intLike(a) && intLike(b)) || (strLike(a) && strLike(b))) return;
  DatabaseErrorFmt("Type mismatch for field '%s', expecting: %s actual: %s",
                   {f->DisplayName(), FieldTypeName(b), FieldTypeName(a)}, this);
}

int32_t TDataSet::Translate(const char* src, char* dest, bool) {
  if (!src) return 0;
  size_t n = std::strlen(src);
  if (dest && dest != src) std::memmove(dest, src, n + 1);
  return static_cast<int32_t>(n);
}

void TDataSet::SetBlockReadSize(int32_t value) {
  if (value > 0) {
    CheckActive();
    if (FState == dsBrowse) {
      FBlockReadSize = value;
      FState = dsBlockRead;  // no notification: controls are not told while blocks are read
    } else if (FState == dsBlockRead) {
      FBlockReadSize = value;
    }
  } else {
    FBlockReadSize = 0;
    if (FState == dsBlockRead) {
      FState = dsBrowse;
      DataEvent(deDataSetChange, 0);
    }
  }
}

bool TDataSet::FindRecord(bool restart, bool goForward) {
  if (restart) {
    if (goForward) First();
    else Last();
    FFound = !IsEmpty();
  } else {
    FFound = MoveBy(goForward ? 1 : -1) != 0;
  }
  return FFound;
}

TField* TDataSet::FieldByName(const String& name) const {
  TField* f = FFields->FindField(name);
  if (!f) DatabaseErrorFmt(SFieldNotFound, {name}, const_cast<TDataSet*>(this));
  return f;
}

TField* TDataSet::FindField(const String& name) const { return FFields->FindField(name); }

TField* TDataSet::FieldByNumber(int32_t fieldNo) const { return FFields->FieldByNumber(fieldNo); }

void TDataSet::GetFieldList(std::vector<TField*>& list, const String& fieldNames) const {
  for (const String& n : SplitNames(fieldNames)) list.push_back(FieldByName(n));
}

void TDataSet::GetFieldNames(TStrings* list) const {
  if (FFields->Count() > 0) {
    for (TField* f : *FFields) list->Add(f->FieldName());
  } else {
    FFieldDefs->Update();
    FFieldDefs->GetItemNames(list);
  }
}

Variant TDataSet::FieldValues(const String& fieldNames) const {
  std::vector<TField*> list;
  GetFieldList(list, fieldNames);
  if (list.size() == 1) return list[0]->AsVariant();
  std::vector<Variant> values;
  for (TField* f : list) values.push_back(f->AsVariant());
  return VarArrayOf(values);
}

void TDataSet::SetFieldValues(const String& fieldNames, const Variant& value) {
  std::vector<TField*> list;
  GetFieldList(list, fieldNames);
  if (list.size() == 1 && !VarIsArray(value)) {
    list[0]->SetAsVariant(value);
    return;
  }
  for (size_t i = 0; i < list.size(); ++i) list[i]->SetAsVariant(value[static_cast<int32_t>(i)]);
}

TStream* TDataSet::CreateBlobStream(TField*, TBlobStreamMode) { return nullptr; }

bool TDataSet::GetFieldData(TField*, void*) { return false; }

bool TDataSet::GetFieldData(int32_t fieldNo, void* buffer) {
  TField* f = FieldByNumber(fieldNo);
  return f ? GetFieldData(f, buffer) : false;
}

namespace {
bool NeedsConversion(TFieldType t) {
  return t == ftDate || t == ftTime || t == ftDateTime || t == ftBCD;
}
}  // namespace

bool TDataSet::GetFieldData(TField* field, void* buffer, bool nativeFormat) {
  if (nativeFormat || !NeedsConversion(field->DataType())) return GetFieldData(field, buffer);
  if (!buffer) return GetFieldData(field, nullptr);
  std::vector<uint8_t> temp(std::max<size_t>(field->DataSize(), 8) + 8);
  bool present = GetFieldData(field, temp.data());
  if (present) DataConvert(field, temp.data(), buffer, false);
  return present;
}

void TDataSet::SetFieldData(TField*, const void*) { DatabaseError(SNotEditing, this); }

void TDataSet::SetFieldData(TField* field, const void* buffer, bool nativeFormat) {
  if (nativeFormat || !buffer || !NeedsConversion(field->DataType())) {
    SetFieldData(field, buffer);
    return;
  }
  std::vector<uint8_t> temp(std::max<size_t>(field->DataSize(), 8) + 8);
  DataConvert(field, buffer, temp.data(), true);
  SetFieldData(field, temp.data());
}

void TDataSet::DataConvert(TField* field, const void* source, void* dest, bool toNative) {
  switch (field->DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime: {
      if (toNative) {
        TDateTime dt;
        std::memcpy(&dt, source, sizeof dt);
        TTimeStamp ts = DateTimeToTimeStamp(dt);
        TDateTimeRec rec{};
        if (field->DataType() == ftDate) {
          rec.Date = ts.Date;
          std::memcpy(dest, &rec.Date, 4);
        } else if (field->DataType() == ftTime) {
          rec.Time = ts.Time;
          std::memcpy(dest, &rec.Time, 4);
        } else {
          rec.DateTime = TimeStampToMSecs(ts);
          std::memcpy(dest, &rec.DateTime, 8);
        }
      } else {
        TTimeStamp ts{};
        if (field->DataType() == ftDate) {
          std::memcpy(&ts.Date, source, 4);
          ts.Time = 0;
        } else if (field->DataType() == ftTime) {
          std::memcpy(&ts.Time, source, 4);
          ts.Date = DateDelta;
        } else {
          double ms;
          std::memcpy(&ms, source, 8);
          ts = MSecsToTimeStamp(ms);
        }
        TDateTime dt = 0;
        if (ts.Date != 0 || field->DataType() == ftTime) dt = TimeStampToDateTime(ts);
        std::memcpy(dest, &dt, sizeof dt);
      }
      break;
    }
    case ftBCD: {
      if (toNative) {
        Currency c;
        std::memcpy(&c, source, sizeof c);
        TBcd bcd;
        CurrToBCD(c, bcd, 32, field->Size());
        std::memcpy(dest, &bcd, sizeof bcd);
      } else {
        TBcd bcd;
        std::memcpy(&bcd, source, sizeof bcd);
        Currency c;
        if (!BCDToCurr(bcd, c)) DatabaseErrorFmt(SFieldValueError, {field->DisplayName()});
        std::memcpy(dest, &c, sizeof c);
      }
      break;
    }
    default:
      std::memcpy(dest, source, field->DataSize());
  }
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  TDataSetState save = SetTempState(state);
  Variant result;
  try {
    result = field->AsVariant();
  } catch (...) {
    RestoreState(save);
    throw;
  }
  RestoreState(save);
  return result;
}

void TDataSet::SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) {
  TDataSetState save = SetTempState(state);
  try {
    field->SetAsVariant(value);
  } catch (...) {
    RestoreState(save);
    throw;
  }
  RestoreState(save);
}

TRecordBuffer TDataSet::GetActiveRecBuf() const {
  switch (FState) {
    case dsBrowse:
    case dsBlockRead:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
    case dsCurValue:
      return ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc:
      return FCalcBuffer;
    case dsFilter:
      return TempBuffer();
    default:
      return nullptr;
  }
}

// ---------------------------------------------------------------------------------------------------
// State and notifications

void TDataSet::SetState(TDataSetState value) {
  if (FState == value) return;
  // Opening starts from a closed dataset, editing from browsing; the passing states of field
  // calculation and value reads go through SetTempState.
  VORN_ASSERT(value != dsOpening || FState == dsInactive);
  VORN_ASSERT(!dsEditModes.Contains(value) || FState == dsBrowse);
  VORN_ASSERT(value == dsInactive || value == dsBrowse || value == dsOpening || dsEditModes.Contains(value));
  FState = value;
  FModified = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  TDataSetState old = FState;
  FState = value;
  ++FDisableCount;
  return old;
}

void TDataSet::RestoreState(TDataSetState value) {
  VORN_ASSERT(FDisableCount > 0);
  FState = value;
  --FDisableCount;
}

void TDataSet::CheckActive() const {
  if (FState == dsInactive) DatabaseError(SDataSetClosed, const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError(SDataSetOpen, const_cast<TDataSet*>(this));
}

void TDataSet::CheckCanModify() const {
  if (!GetCanModify()) DatabaseError(SDataSetReadOnly, const_cast<TDataSet*>(this));
}

void TDataSet::CheckBiDirectional() const {
  if (IsUniDirectional()) DatabaseError(SDataSetUnidirectional, const_cast<TDataSet*>(this));
}

void TDataSet::UpdateCalcFields() {
  if (FState != dsSetKey && FAutoCalcFields && (FCalcFieldsSize > 0 || FInternalCalcFields)) {
    if (FState == dsBrowse || FState == dsEdit || FState == dsInsert) GetCalcFields(ActiveBuffer());
  }
}

void TDataSet::NotifyDetails() {}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
  bool notifyDataSources = !(ControlsDisabled() || FState == dsBlockRead);
  switch (event) {
    case deFieldChange: {
      auto* field = reinterpret_cast<TField*>(info);
      if (field && (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc)) FModified = true;
      UpdateCalcFields();
      if (field && FState != dsSetKey) field->Change();
      break;
    }
    case dePropertyChange:
      FFieldDefs->SetUpdated(false);
      break;
    default:
      break;
  }
  if (event == deDisabledStateChange) notifyDataSources = true;
  if (notifyDataSources) {
    std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* ds : sources) ds->DataEvent(event, info);
  } else if ((event == deUpdateState && FState == dsInactive) || event == deLayoutChange) {
    FEnableEvent = deLayoutChange;
  }
}

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
    DataEvent(deDisabledStateChange, 1);
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  --FDisableCount;
  if (FDisableCount == 0) {
    DataEvent(deDisabledStateChange, 0);
    if (FDisableState != FState) DataEvent(deUpdateState, 0);
    if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
  }
}

void TDataSet::AddDataSource(TDataSource* ds) {
  FDataSources.push_back(ds);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* ds) {
  auto it = std::find(FDataSources.begin(), FDataSources.end(), ds);
  if (it != FDataSources.end()) FDataSources.erase(it);
  UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) const {
  for (TDataSet* ds = dataSource ? dataSource->DataSet() : nullptr; ds;) {
    if (ds == this) return true;
    TDataSource* up = ds->DataSource();
    ds = up ? up->DataSet() : nullptr;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------------
// The buffer ring

void TDataSet::SetBufListSize(int32_t value) {
  if (FBufListSize == value) return;
  if (value > FBufListSize) {
    FBuffers.resize(value, nullptr);
    for (int32_t i = FBufListSize; i < value; ++i) FBuffers[i] = AllocRecordBuffer();
  } else {
    for (int32_t i = value; i < FBufListSize; ++i) FreeRecordBuffer(FBuffers[i]);
    FBuffers.resize(value);
    if (value == 0) FCalcBuffer = nullptr;  // it only ever points at a buffer being calculated
  }
  FBufListSize = value;
}

void TDataSet::SetBufferCount(int32_t value) {
  if (FBufferCount == value) return;
  auto adjustFirst = [this](int32_t delta) {
    if (!delta) return;
    for (TDataSource* ds : FDataSources)
      for (TDataLink* link : ds->FDataLinks)
        if (link->FActive) link->FFirstRecord += delta;
  };
  if (FBufferCount > value && FRecordCount > 0) {
    int32_t delta = FActiveRecord;
    int32_t extra = FRecordCount - value;
    for (int32_t i = 0; i < extra; ++i) {
      if (FActiveRecord > 0) {
        MoveBuffer(0, FRecordCount - 1);
        --FActiveRecord;
      }
    }
    delta -= FActiveRecord;
    if (FCurrentRecord >= 0) FCurrentRecord = std::max(FCurrentRecord - delta, -1);
    if (FRecordCount > value) FRecordCount = value;
    if (FCurrentRecord >= FRecordCount) FCurrentRecord = -1;
    adjustFirst(-delta);
  }
  SetBufListSize(value + 1);
  FBufferCount = value;
  VORN_ASSERT(static_cast<int32_t>(FBuffers.size()) == FBufferCount + 1);
  VORN_ASSERT_RING();
  if (!ComponentState().Contains(csDestroying)) {
    GetNextRecords();
    adjustFirst(GetPriorRecords());
  }
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  int32_t maxCount = 1;
  for (TDataSource* ds : FDataSources)
    for (TDataLink* link : ds->FDataLinks)
      maxCount = std::max(maxCount, link->FBufferCount);
  SetBufferCount(maxCount);
}

void TDataSet::MoveBuffer(int32_t curIndex, int32_t newIndex) {
  if (curIndex == newIndex) return;
  VORN_ASSERT(curIndex >= 0 && newIndex >= 0 && static_cast<size_t>(std::max(curIndex, newIndex)) < FBuffers.size());
  TRecordBuffer b = FBuffers[curIndex];
  if (curIndex < newIndex)
    std::move(FBuffers.begin() + curIndex + 1, FBuffers.begin() + newIndex + 1, FBuffers.begin() + curIndex);
  else
    std::move_backward(FBuffers.begin() + newIndex, FBuffers.begin() + curIndex, FBuffers.begin() + curIndex + 1);
  FBuffers[newIndex] = b;
}

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
  FCurrentRecord = -1;
  FBOF = true;
  FEOF = true;
}

void TDataSet::ActivateBuffers() {
  FRecordCount = 1;
  FActiveRecord = 0;
  FCurrentRecord = 0;
  FBOF = false;
  FEOF = false;
}

void TDataSet::SetCurrentRecord(int32_t index) {
  if (FCurrentRecord == index) return;
  VORN_ASSERT(index >= 0 && static_cast<size_t>(index) < FBuffers.size());
  if (!IsUniDirectional()) {
    TRecordBuffer b = FBuffers[index];
    switch (GetBookmarkFlag(b)) {
      case bfCurrent:
      case bfInserted:
        InternalSetToRecord(b);
        break;
      case bfBOF:
        InternalFirst();
        break;
      case bfEOF:
        InternalLast();
        break;
    }
  }
  FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (FRecordCount > 0) {
    SetCurrentRecord(FRecordCount - 1);
    if (FState == dsInsert && FCurrentRecord == FActiveRecord && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  bool ok = GetRecord(FBuffers[FRecordCount], mode, true) == grOK;
  if (ok) {
    if (FRecordCount == 0) ActivateBuffers();
    else if (FRecordCount < FBufferCount) ++FRecordCount;
    else MoveBuffer(0, FRecordCount);
    FCurrentRecord = FRecordCount - 1;
  } else {
    CursorPosChanged();
  }
  VORN_ASSERT_RING();
  return ok;
}

bool TDataSet::GetPriorRecord() {
  CheckBiDirectional();
  if (FRecordCount > 0) SetCurrentRecord(0);
  bool ok = GetRecord(FBuffers[FRecordCount], gmPrior, true) == grOK;
  if (ok) {
    if (FRecordCount == 0) ActivateBuffers();
    else {
      MoveBuffer(FRecordCount, 0);
      if (FRecordCount < FBufferCount) {
        ++FRecordCount;
        ++FActiveRecord;
      }
    }
    FCurrentRecord = 0;
  } else {
    CursorPosChanged();
  }
  return ok;
}

int32_t TDataSet::GetNextRecords() {
  int32_t n = 0;
  while (FRecordCount < FBufferCount && GetNextRecord()) ++n;
  return n;
}

int32_t TDataSet::GetPriorRecords() {
  int32_t n = 0;
  while (FRecordCount < FBufferCount && GetPriorRecord()) ++n;
  return n;
}

void TDataSet::Resync(TResyncMode mode) {
  if (IsUniDirectional()) return;
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(FBuffers[FRecordCount], gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
  } else if (GetRecord(FBuffers[FRecordCount], gmCurrent, false) != grOK &&
             GetRecord(FBuffers[FRecordCount], gmNext, false) != grOK &&
             GetRecord(FBuffers[FRecordCount], gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int32_t count = mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
  MoveBuffer(FRecordCount, 0);
  ActivateBuffers();
  try {
    while (count > 0 && GetPriorRecord()) --count;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange, 0);
    throw;
  }
  DataEvent(deDataSetChange, 0);
}

// ---------------------------------------------------------------------------------------------------
// Navigation

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  } catch (...) {
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  FBOF = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBiDirectional();
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  } catch (...) {
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  FEOF = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

int32_t TDataSet::MoveBy(int32_t distance) {
  CheckBrowseMode();
  int32_t result = 0;
  DoBeforeScroll();
  if ((distance > 0 && !FEOF) || (distance < 0 && !FBOF)) {
    FBOF = false;
    FEOF = false;
    int32_t scroll = 0;
    try {
      while (distance > 0) {
        if (FActiveRecord < FRecordCount - 1) {
          ++FActiveRecord;
        } else {
          bool full = FRecordCount >= FBufferCount;
          if (!GetNextRecord()) {
            FEOF = true;
            break;
          }
          if (full) --scroll;
          else FActiveRecord = FRecordCount - 1;
        }
        --distance;
        ++result;
      }
      while (distance < 0) {
        if (FActiveRecord > 0) {
          --FActiveRecord;
        } else {
          bool full = FRecordCount >= FBufferCount;
          if (!GetPriorRecord()) {
            FBOF = true;
            break;
          }
          if (full) ++scroll;
          else FActiveRecord = 0;
        }
        ++distance;
        --result;
      }
    } catch (...) {
      DataEvent(deDataSetScroll, scroll);
      throw;
    }
    DataEvent(deDataSetScroll, scroll);
    DoAfterScroll();
  }
  return result;
}

bool TDataSet::FindFirst() { return FindRecord(true, true); }
bool TDataSet::FindLast() { return FindRecord(true, false); }
bool TDataSet::FindNext() { return FindRecord(false, true); }
bool TDataSet::FindPrior() { return FindRecord(false, false); }

// ---------------------------------------------------------------------------------------------------
// Editing

void TDataSet::CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      (this->*operation)();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (errorEvent.Assigned()) errorEvent(this, &e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (FState) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (FModified) Post();
      else Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (!dsEditModes.Contains(FState)) DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::Edit() {
  if (FState == dsEdit || FState == dsInsert) return;
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  CheckOperation(&TDataSet::InternalEditOp, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(TResyncMode());
    throw;
  }
  FModified = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  TBookmark oldCurrent;
  bool hadRecords = FRecordCount > 0;
  if (hadRecords && FBookmarkSize > 0) {
    oldCurrent.resize(FBookmarkSize);
    GetBookmarkData(ActiveBuffer(), oldCurrent.data());
  }
  MoveBuffer(FRecordCount, FActiveRecord);
  TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (!hadRecords) SetBookmarkFlag(buffer, bfBOF);
  else if (!oldCurrent.empty()) SetBookmarkData(buffer, oldCurrent.data());
  if (FRecordCount < FBufferCount) ++FRecordCount;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer buffer = FBuffers[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  FRecordCount = 1;
  FBOF = false;
  GetPriorRecords();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::CheckRequiredFields() {
  for (TField* f : *FFields) {
    if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->IsNull()) {
      f->FocusControl();
      DatabaseErrorFmt(SFieldRequired, {f->DisplayName()});
    }
  }
}

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::InternalAddRecord(const void*, bool) {}

void TDataSet::FreeFieldBuffers() {
  for (TField* f : *FFields) f->FreeBuffers();
}

void TDataSet::Post() {
  UpdateRecord();
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation(&TDataSet::InternalPostOp, OnPostError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode());
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  bool scrollEvents = FState == dsInsert;
  if (scrollEvents) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode());
  DoAfterCancel();
  if (scrollEvents) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation(&TDataSet::InternalDeleteOp, OnDeleteError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode());
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  DoBeforeRefresh();
  UpdateCursorPos();
  InternalRefresh();
  Resync(TResyncMode());
  DoAfterRefresh();
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
  for (size_t i = 0; i < values.size() && i < static_cast<size_t>(FFields->Count()); ++i) {
    TField* f = FFields->Fields(static_cast<int32_t>(i));
    if (VarIsClear(values[i])) continue;  // an empty slot leaves the field as it is
    f->SetAsVariant(values[i]);
  }
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
  BeginInsertAppend();
  TBookmark oldCurrent;
  bool hadRecords = FRecordCount > 0;
  if (hadRecords && FBookmarkSize > 0) {
    oldCurrent.resize(FBookmarkSize);
    GetBookmarkData(ActiveBuffer(), oldCurrent.data());
  }
  MoveBuffer(FRecordCount, FActiveRecord);
  TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (!hadRecords) SetBookmarkFlag(buffer, bfBOF);
  else if (!oldCurrent.empty()) SetBookmarkData(buffer, oldCurrent.data());
  if (FRecordCount < FBufferCount) ++FRecordCount;
  AddRecordValues(buffer, values, false);
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer buffer = FBuffers[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  FRecordCount = 1;
  FBOF = false;
  GetPriorRecords();
  AddRecordValues(buffer, values, true);
}

void TDataSet::AddRecordValues(TRecordBuffer buffer, const std::vector<Variant>& values, bool append) {
  SetState(dsInsert);
  try {
    SetFields(values);
    DoBeforePost();
    InternalAddRecord(buffer, append);
  } catch (...) {
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(TResyncMode());
    throw;
  }
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode());
  DoAfterPost();
}

void TDataSet::ClearFields() {
  if (!dsEditModes.Contains(FState)) DatabaseError(SNotEditing, this);
  DataEvent(deCheckBrowseMode, 0);
  InternalInitRecord(ActiveBuffer());
  if (FState != dsSetKey) GetCalcFields(ActiveBuffer());
  DataEvent(deRecordChange, 0);
}

TUpdateStatus TDataSet::UpdateStatus() const {
  if (FState == dsInsert) return usInserted;
  return FModified ? usModified : usUnmodified;
}

// ---------------------------------------------------------------------------------------------------
// Calculated fields

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsSize > 0 || FInternalCalcFields) {
    TDataSetState save = FState;
    FState = dsCalcFields;
    try {
      CalculateFields(buffer);
    } catch (...) {
      FState = save;
      throw;
    }
    FState = save;
  }
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  FCalcBuffer = buffer;
  if (FState != dsInternalCalc) {
    ClearCalcFields(FCalcBuffer);
    for (TField* f : *FFields)
      if (f->FieldKind() == fkLookup) f->CalcLookupValue();
  }
  DoOnCalcFields();
}

// ---------------------------------------------------------------------------------------------------
// Bookmarks

bool TDataSet::BookmarkAvailable() const {
  return FState == dsBrowse && !IsEmpty() && FBookmarkSize > 0 &&
         const_cast<TDataSet*>(this)->GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
  TBookmark b;
  if (BookmarkAvailable()) {
    b.resize(FBookmarkSize);
    GetBookmarkData(ActiveBuffer(), b.data());
  }
  return b;
}

TBookmarkStr TDataSet::GetBookmarkStr() {
  TBookmark b = GetBookmark();
  return TBookmarkStr(b.begin(), b.end());
}

void TDataSet::SetBookmarkStr(const TBookmarkStr& value) {
  GotoBookmark(TBookmark(value.begin(), value.end()));
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::Locate(const String&, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(const String&, const Variant&, const String&) { return Null(); }

// ---------------------------------------------------------------------------------------------------
// Filtering

void TDataSet::SetFilterText(const String& value) {
  FFilterText = value;
}

void TDataSet::SetFiltered(bool value) {
  FFiltered = value;
}

void TDataSet::SetFilterOptions(TFilterOptions value) {
  FFilterOptions = value;
}

void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& value) {
  FOnFilterRecord = value;
}

// ---------------------------------------------------------------------------------------------------
// Events

#define DS_EVENT(Name, Ev) \
  void TDataSet::Name() {  \
    if (Ev.Assigned()) Ev(this); \
  }
DS_EVENT(DoBeforeOpen, BeforeOpen)
DS_EVENT(DoAfterOpen, AfterOpen)
DS_EVENT(DoBeforeClose, BeforeClose)
DS_EVENT(DoAfterClose, AfterClose)
DS_EVENT(DoBeforeInsert, BeforeInsert)
DS_EVENT(DoAfterInsert, AfterInsert)
DS_EVENT(DoBeforeEdit, BeforeEdit)
DS_EVENT(DoAfterEdit, AfterEdit)
DS_EVENT(DoBeforePost, BeforePost)
DS_EVENT(DoAfterPost, AfterPost)
DS_EVENT(DoBeforeCancel, BeforeCancel)
DS_EVENT(DoAfterCancel, AfterCancel)
DS_EVENT(DoBeforeDelete, BeforeDelete)
DS_EVENT(DoAfterDelete, AfterDelete)
DS_EVENT(DoBeforeScroll, BeforeScroll)
DS_EVENT(DoAfterScroll, AfterScroll)
DS_EVENT(DoBeforeRefresh, BeforeRefresh)
DS_EVENT(DoAfterRefresh, AfterRefresh)
DS_EVENT(DoOnCalcFields, OnCalcFields)
DS_EVENT(DoOnNewRecord, OnNewRecord)
#undef DS_EVENT
