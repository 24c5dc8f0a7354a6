// The dataset-bound controller: binding items to dataset fields, keys and locating by key, reading the
// records, and the overrides through which focus and editing reach the dataset.
#include <algorithm>
#include <functional>

#include "rtl/ScopeExit.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxDBData.h"
#include "ui/data/detail/cxScopeGuard.h"

namespace {
struct TControllerGuard {
  explicit TControllerGuard(std::function<void()> AFn) : Fn(std::move(AFn)) {}
  ~TControllerGuard() { Fn(); }
  std::function<void()> Fn;
};
}  // namespace

// ---------------------------------------------------------------------------------------------------
// Binding

TcxDBDataField* TcxDBDataController::DBField(int32_t AItemIndex) {
  return static_cast<TcxDBDataField*>(Fields(AItemIndex));
}

TField* TcxDBDataController::GetItemField(int32_t AItemIndex) { return DBField(AItemIndex)->Field(); }

String TcxDBDataController::GetItemFieldName(int32_t AItemIndex) { return DBField(AItemIndex)->FieldName(); }

String TcxDBDataController::GetItemFilterName(int32_t AItemIndex) {
  TcxDBDataField* f = DBField(AItemIndex);
  TField* field = f->Field();
  if (!field) return String();
  const bool ignoreOrigin = Filter() ? Filter()->IgnoreOrigin() : true;
  String result;
  if (field->Lookup()) {
    for (int32_t i = 0; i < f->FieldCount(); ++i) {
      String name;
      GetFilterFieldName(f->SubFields(i)->Field(), ignoreOrigin, name);
      result += (i ? ";" : "") + name;
    }
    return result;
  }
  GetFilterFieldName(field, ignoreOrigin, result);
  return result;
}

void TcxDBDataController::ChangeFieldName(int32_t AItemIndex, const String& AFieldName) {
  TcxDBDataField* f = DBField(AItemIndex);
  if (f->FieldName() == AFieldName) return;
  BindField(f, AFieldName, false);
}

TcxDBDataField* TcxDBDataController::FindFieldByName(const String& AName, TcxDBDataField* AExcept) {
  for (int32_t i = 0; i < Fields()->Count(); ++i) {
    auto* f = static_cast<TcxDBDataField*>(Fields()->Fields(i));
    if (f == AExcept || f->ReferenceField() || f->FSubFields.size() > 0 || f->FieldName().empty()) continue;
    if (f->OwnerComposite() == AExcept) continue;
    if (IsSameFieldName(f->FieldName(), AName)) return f;
  }
  return nullptr;
}

void TcxDBDataController::BindField(TcxDBDataField* AField, const String& AName, bool ALookupKeys) {
  AField->FreeSubFields();
  if (!ALookupKeys) AField->FFieldName = AName;
  if (HasMultipleFieldNames(AName) || ALookupKeys) {
    std::vector<String> names;
    SplitFieldNames(AName, names);
    LockInfo();
    try {
      for (const String& name : names) {
        auto* sub = static_cast<TcxDBDataField*>(AddInternalField());
        AField->AddSubField(sub);
        BindField(sub, name, false);
      }
    } catch (...) {
      UnlockInfo();
      throw;
    }
    UnlockInfo();
    if (!ALookupKeys) {
      AField->SetField(nullptr);
      LayoutChanged(1);
    }
    return;
  }
  const TcxValueTypeClass oldClass = AField->GetValueTypeClass();
  if (TcxDBDataField* other = FindFieldByName(AName, AField)) {
    AField->SetField(nullptr);
    AField->SetReferenceField(other);
    Change(dccData);
    // A field that reads through another takes that one's type; its item hears of it here (a field of its
    // own hears when the layout change below adapts it).
    if (AField->GetValueTypeClass() != oldClass && !AField->IsInternal()) DoValueTypeClassChanged(AField->Index());
  } else {
    if (AField->ReferenceField()) {
      AField->SetReferenceField(nullptr);
      AField->SetValueTypeClass(oldClass ? oldClass : TcxStringValueType::StaticClass());
    }
    AField->SetField(nullptr);
    LayoutChanged(1);
  }
}

void TcxDBDataController::AdaptFieldType(TcxDBDataField* AField) {
  // Each pass may change what the next one sees (a recreated def); stop when nothing changes.
  for (int32_t pass = 0; pass < 4; ++pass) {
    TField* field = AField->FField;
    if (!field) return;
    const bool forOtherTypes = !AField->IsInternal() && CanEditItem(AField->Index());
    const bool text = NeedsStoredText(field, forOtherTypes);
    const TcxValueTypeClass cls = GetValueTypeClassForField(field);
    if (text == AField->GetTextStored() && cls == AField->GetValueTypeClass()) return;
    const bool classChanged = cls != AField->GetValueTypeClass();
    AField->BeginRecreateData();
    AField->SetTextStored(text);
    AField->SetValueTypeClass(cls);
    AField->EndRecreateData();
    if (classChanged) ValueTypeClassChangedFor(AField);
  }
}

void TcxDBDataController::ValueTypeClassChangedFor(TcxDBDataField* AField) {
  if (!AField->IsInternal()) DoValueTypeClassChanged(AField->Index());
  for (int32_t i = 0; i < GetItemCount(); ++i)
    if (Fields(i) != AField && Fields(i)->ReferenceField() == AField) DoValueTypeClassChanged(i);
}

void TcxDBDataController::UpdateField(TcxCustomDataField* AField) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  if (!f || f->ReferenceField()) return;
  TDataSet* ds = GetDataSet();
  if (!ds) return;
  if (FResettingFields) {
    f->SetField(nullptr);
    return;
  }
  if (f->FieldName().empty() || HasMultipleFieldNames(f->FieldName())) return;
  TField* field = ds->FindField(f->FieldName());
  const bool isNew = field != f->FField;
  f->SetField(field);
  if (!field) return;
  AdaptFieldType(f);
  if (field->Lookup() && (isNew || f->FSubFields.empty())) BindField(f, field->KeyFields(), true);
}

void TcxDBDataController::UpdateFields() { TcxCustomDataController::UpdateFields(); }

void TcxDBDataController::DropFieldBindings() {
  FResettingFields = true;
  TControllerGuard reset{[this] { FResettingFields = false; }};
  UpdateFields();
}

bool TcxDBDataController::FieldsStillBound() {
  TDataSet* ds = GetDataSet();
  if (!ds) return false;
  for (int32_t i = 0; i < Fields()->Count(); ++i) {
    auto* f = static_cast<TcxDBDataField*>(Fields()->Fields(i));
    if (f->ReferenceField() || f->FieldName().empty() || HasMultipleFieldNames(f->FieldName())) continue;
    if (ds->FindField(f->FieldName()) != f->FField) return false;
  }
  return true;
}

void TcxDBDataController::CheckGridModeBufferCount() {
  if (!IsGridMode() || !DBProvider()->DataLink()->Active()) return;
  if (DBProvider()->DataLink()->BufferCount() == GridModeBufferCountValue()) return;
  FRefilling = true;
  ScopeExit done([this] { FRefilling = false; });
  DBProvider()->RefillGridBuffer();
}

void TcxDBDataController::ChangeValueTypeClass(int32_t AItemIndex, TcxValueTypeClass AClass) {
  if (GetItemField(AItemIndex)) return;
  TcxCustomDataController::ChangeValueTypeClass(AItemIndex, AClass);
}

void TcxDBDataController::NotifyFieldList(TComponent* AComponent) {
  TcxCustomDataController::NotifyFieldList(AComponent);
}

bool TcxDBDataController::IsProviderField(TcxCustomDataField* AField) {
  if (TcxCustomDataController::IsProviderField(AField)) return true;
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  return f && f->Field();
}

Variant TcxDBDataController::GetFieldValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  if (f && f->IsComposite() && !f->IsLookup()) {
    std::vector<TcxCustomDataField*> subs;
    for (int32_t i = 0; i < f->FieldCount(); ++i) subs.push_back(f->SubFields(i));
    return GetRecordValues(ARecordIndex, subs);
  }
  return TcxCustomDataController::GetFieldValue(ARecordIndex, AField);
}

String TcxDBDataController::GetFieldDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  if (f && f->IsComposite() && !f->IsLookup()) {
    String text;
    for (int32_t i = 0; i < f->FieldCount(); ++i)
      text += (i ? ";" : "") + TcxCustomDataController::GetFieldDisplayText(ARecordIndex, f->SubFields(i));
    return text;
  }
  return TcxCustomDataController::GetFieldDisplayText(ARecordIndex, AField);
}

Variant TcxDBDataController::GetFilterDataValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  if (f && f->IsLookup()) {
    std::vector<TcxCustomDataField*> subs;
    for (int32_t i = 0; i < f->FieldCount(); ++i) subs.push_back(f->SubFields(i));
    if (subs.empty()) return Null();
    return GetRecordValues(ARecordIndex, subs);
  }
  return GetFieldValue(ARecordIndex, AField);
}

bool TcxDBDataController::GetFilterDataTextRef(int32_t ARecordIndex, TcxCustomDataField* AField, const String*& AText) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  if (f && (f->IsLookup() || f->IsComposite())) return false;
  return TcxCustomDataController::GetFilterDataTextRef(ARecordIndex, AField, AText);
}

bool TcxDBDataController::GetSearchDisplayTextRef(int32_t ARecordIndex, TcxCustomDataField* AField, const String*& AText) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  if (f && f->IsComposite() && !f->IsLookup()) return false;
  return TcxCustomDataController::GetSearchDisplayTextRef(ARecordIndex, AField, AText);
}

// ---------------------------------------------------------------------------------------------------
// Keys

void TcxDBDataController::SetKeyFieldNames(const String& AValue) {
  if (FKeyFieldNames == AValue) return;
  FKeyFieldNames = AValue;
  if (FKeyDataField) {
    TcxDBDataField* old = FKeyDataField;
    FKeyDataField = nullptr;
    LockInfo();
    old->Free();
    UnlockInfo();
  }
  if (!AValue.empty()) {
    FKeyDataField = static_cast<TcxDBDataField*>(AddInternalField());
    BindField(FKeyDataField, AValue, false);
  } else
    Change(dccData);
}

std::vector<TcxCustomDataField*> TcxDBDataController::GetKeyFields() {
  std::vector<TcxCustomDataField*> result;
  if (!FKeyDataField) return result;
  if (FKeyDataField->IsComposite()) {
    for (int32_t i = 0; i < FKeyDataField->FieldCount(); ++i) result.push_back(FKeyDataField->SubFields(i));
  } else
    result.push_back(FKeyDataField);
  return result;
}

std::vector<TField*> TcxDBDataController::GetKeyDataSetFields() {
  std::vector<TField*> result;
  for (TcxCustomDataField* f : GetKeyFields()) {
    TField* field = static_cast<TcxDBDataField*>(f)->Field();
    if (!field) RaiseControllerError(cxSDataKeyFieldNotFound);
    result.push_back(field);
  }
  return result;
}

Variant TcxDBDataController::GetDataSetKeyValues() {
  Variant v;
  GetFieldValues(GetDataSet(), GetKeyDataSetFields(), v);
  return v;
}

bool TcxDBDataController::IsKeyFieldMode() { return FKeyDataField != nullptr && !IsGridMode(); }

Variant TcxDBDataController::GetRecordId(int32_t ARecordIndex) {
  if ((ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) && ARecordIndex != GetNewItemRecordIndex())
    RaiseControllerError(cxSDataRecordIndexError);
  return GetRecordValues(ARecordIndex, GetKeyFields());
}

int32_t TcxDBDataController::FindRecordIndexByKey(const Variant& AKeyValue) {
  const std::vector<TcxCustomDataField*> keys = GetKeyFields();
  if (keys.empty()) return -1;
  std::vector<Variant> wanted;
  if (keys.size() == 1)
    wanted.push_back(AKeyValue);
  else {
    if (!VarIsArray(AKeyValue)) return -1;
    for (int32_t i = 0; i <= VarArrayHighBound(AKeyValue, 1); ++i) wanted.push_back(VarArrayGet(AKeyValue, {i}));
    if (wanted.size() != keys.size()) return -1;
  }
  const int32_t count = GetRecordCount();
  for (int32_t r = 0; r < count; ++r) {
    bool equal = true;
    for (size_t k = 0; k < keys.size() && equal; ++k) equal = VariantValuesEqual(GetFieldValue(r, keys[k]), wanted[k]);
    if (equal) return r;
  }
  return -1;
}

bool TcxDBDataController::LocateByKey(const Variant& AKeyValue) {
  const int32_t record = FindRecordIndexByKey(AKeyValue);
  if (record == -1 && IsGridMode()) {
    TcxDBDataProvider* p = DBProvider();
    TDataSet* ds = GetDataSet();
    if (!ds) return false;
    bool found;
    p->BeginLocate();
    try {
      found = ds->Locate(FKeyFieldNames, AKeyValue, TLocateOptions());
    } catch (...) {
      p->EndLocate();
      throw;
    }
    p->EndLocate();
    if (found) SetFocusedSelected(true);
    return found;
  }
  const int32_t row = record == -1 ? -1 : GetRowIndexByRecordIndex(record, true);
  ChangeFocusedRowIndex(row);
  return row != -1 && GetFocusedRowIndex() == row;
}

int32_t TcxDBDataController::LocateByKeyFields() {
  const std::vector<TcxCustomDataField*> keys = GetKeyFields();
  TDataSet* ds = GetDataSet();
  if (keys.empty() || !ds || !ds->Active() || ds->IsEmpty()) return -1;
  std::vector<Variant> current;
  for (TcxCustomDataField* k : keys) {
    TField* field = static_cast<TcxDBDataField*>(k)->Field();
    if (!field) return -1;
    Variant v;
    GetFieldVariant(field, v);
    current.push_back(v);
  }
  const int32_t count = GetRecordCount();
  for (int32_t r = 0; r < count; ++r) {
    bool equal = true;
    for (size_t k = 0; k < keys.size() && equal; ++k) equal = VariantValuesEqual(GetFieldValue(r, keys[k]), current[k]);
    if (equal) return r;
  }
  return -1;
}

bool TcxDBDataController::IsDataSetCurrentRecord(int32_t ARecordIndex) {
  if (ARecordIndex < 0) return false;
  TDataSet* ds = GetDataSet();
  TcxDBDataProvider* p = DBProvider();
  if (!ds) return false;
  if (IsKeyFieldMode()) {
    const Variant key = GetRecordId(ARecordIndex);
    if (ARecordIndex == p->CursorRecord() && VariantValuesEqual(key, GetDataSetKeyValues())) return true;
    const bool found = ds->Locate(FKeyFieldNames, key, TLocateOptions());
    if (found) p->SetCursorRecord(ARecordIndex);
    return found;
  }
  const int32_t distance = ARecordIndex - p->CursorRecord();
  if (distance != 0) ds->MoveBy(distance);
  p->SetCursorRecord(ARecordIndex);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Focus and editing

bool TcxDBDataController::CanFocusRecord(int32_t ARecordIndex) {
  TcxDBDataProvider* p = DBProvider();
  // Taking the focus away needs no cursor movement.
  if (ARecordIndex == -1) return TcxCustomDataController::CanFocusRecord(ARecordIndex);
  if ((p->IsInserting() && ARecordIndex == p->EditRecord()) || (UseNewItemRowForEditing() && ARecordIndex < 0)) {
    if (!p->IsInserting() && ARecordIndex < 0) PostEditingData();
    return true;
  }
  bool result;
  p->BeginLocate();
  try {
    const bool detailSync = IsDetailMode() && FDataModeController->DetailSyncEnabled();
    if (detailSync && FResettingDataSetCurrent)
      result = TcxCustomDataController::CanFocusRecord(ARecordIndex);
    else {
      // A SQL-mode detail first gets its master's rows back into the dataset.
      if (detailSync) CheckCurrentQuery();
      result = p->IsSyncMode() ? IsDataSetCurrentRecord(ARecordIndex) : TcxCustomDataController::CanFocusRecord(ARecordIndex);
    }
  } catch (...) {
    p->EndLocate();
    throw;
  }
  p->EndLocate();
  DataLoaded();
  return result;
}

void TcxDBDataController::CheckBrowseMode() {
  TDataSet* ds = GetDataSet();
  if (!ds) return;
  FInBrowseCheck = true;
  TControllerGuard reset{[this] { FInBrowseCheck = false; }};
  ds->CheckBrowseMode();
}

int32_t TcxDBDataController::GetFocusedRecordIndexVirtual() {
  if (IsGridMode()) return DBProvider()->DataLink()->ActiveRecord();
  return TcxCustomDataController::GetFocusedRecordIndexVirtual();
}

bool TcxDBDataController::GetFlag73() { return DBProvider()->IsSmartRefresh(); }

void TcxDBDataController::CheckFocusing() {
  TcxDBDataProvider* p = DBProvider();
  // The pattern of a detail level shows no rows: when its dataset moved, the masters follow it and the
  // clone of their focused record takes the focus.
  if (IsDetailMode() && GetMasterRecordIndex() == -1) {
    if (!p->ActiveChanging() && !p->IsDataSetBusy())
      if (TcxDBDataController* clone = DoDetailSync()) clone->CheckFocusing();
  }
  if (IsKeyFieldMode() && p->IsSyncMode() && !p->IsInserting() && p->LockNesting() == 0) {
    const int32_t record = LocateByKeyFields();
    if (record != -1) p->SetCursorRecord(record);
  }
  LockInfo();
  try {
    TcxCustomDataController::CheckFocusing();
  } catch (...) {
    UnlockInfo();
    throw;
  }
  UnlockInfo();
}

void TcxDBDataController::DoDataLoaded() { DBProvider()->NotifyWaitingProviders(); }

void TcxDBDataController::DoDeferredNotifications() {
  if (!FFirstCheckDone && DBProvider()->HasFields()) LayoutChanged(1);
  TcxCustomDataController::DoDeferredNotifications();
  FFirstCheckDone = true;
}

// ---------------------------------------------------------------------------------------------------
// Structure and loading

int32_t TcxDBDataController::GridModeBufferCountValue() {
  const int32_t count = FDataModeController->GridModeBufferCount();
  return count > 0 ? count : GetDefaultBufferCount();
}

void TcxDBDataController::UpdateStructure() {
  // A selection held as row entries or as bookmarks means nothing in the other mode.
  if (FStructureGridMode != IsGridMode()) ClearSelection();
  FStructureGridMode = IsGridMode();
  if (!FStructureGridMode) DBProvider()->DataLink()->SetBufferCount(1);
  TcxCustomDataController::UpdateStructure();
}

void TcxDBDataController::UpdateControl(TcxUpdateControlInfo* AInfo) {
  TcxCustomDataController::UpdateControl(AInfo);
  if (FSwitchingStructure || IsDestroying() || IsGridMode() == FStructureGridMode) return;
  FSwitchingStructure = true;
  TControllerGuard reset{[this] { FSwitchingStructure = false; }};
  UpdateStructure();
}

void TcxDBDataController::ReloadStorage() {
  LockInfo();
  try {
    TcxCustomDataController::ReloadStorage();
  } catch (...) {
    UnlockInfo();
    throw;
  }
  UnlockInfo();
  DBProvider()->SetPostLocate(false);
}

void TcxDBDataController::ReadRecords() {
  if (IsGridMode()) {
    TcxCustomDataController::ReadRecords();
    return;
  }
  TcxDBDataProvider* p = DBProvider();
  if (!p->IsActive()) return;
  p->LockNotify();
  TcxValueDefDBReader* reader = New<TcxValueDefDBReader>();
  try {
    p->SavePos();
    p->SetCursorRecord(-1);
    FReadingRecords = true;
    cxdata::ScopeGuard reading{[this] { FReadingRecords = false; }};
    p->First();
    if (p->FieldsRecreated()) UpdateFields();
    DataStorage()->StartLoading();
    while (!p->IsEOF()) {
      AppendLoadedRecord(reader);
      p->Next();
    }
    DataStorage()->FinishLoading();
    p->RestorePos();
    // Without the saved record among those read, the cursor was left on the last one.
    if (p->CursorRecord() == -1 && !IsKeyFieldMode()) p->SetCursorRecord(GetRecordCount() - 1);
  } catch (...) {
    reader->Free();
    p->UnlockNotify();
    throw;
  }
  reader->Free();
  p->UnlockNotify();
}

void TcxDBDataController::ReadRecordFromDataSet(int32_t ARecordIndex) {
  TcxValueDefDBReader* reader = New<TcxValueDefDBReader>();
  try {
    DataStorage()->FillRecord(ARecordIndex, reader, true);
  } catch (...) {
    reader->Free();
    throw;
  }
  reader->Free();
  Change(dccUpdateRecord);
}

TcxDBProviderDetailFilterAdapter* TcxDBDataController::GetDetailFilterAdapter() {
  TDataSet* ds = GetDataSet();
  int32_t index = -1;
  TcxDBAdapterList* list = cxDetailFilterControllers();
  if (!ds || !list->Find(ds->ClassType(), index)) RaiseControllerError(cxSDataDetailFilterControllerNotFound);
  return static_cast<TcxDBProviderDetailFilterAdapter*>(list->GetAdapter(index));
}

// ---------------------------------------------------------------------------------------------------
// Grid-mode bookmarks

TBookmarkStr TcxDBDataController::GetRecordBookmark(int32_t ARecordIndex) {
  TDataSet* ds = GetDataSet();
  TcxDBDataLink* link = DBProvider()->DataLink();
  if (!ds || !link->Active() || ARecordIndex < 0 || ARecordIndex >= link->RecordCount()) return TBookmarkStr();
  const int32_t saved = link->ActiveRecord();
  link->SetActiveRecord(ARecordIndex);
  cxdata::ScopeGuard restore{[link, saved] { link->SetActiveRecord(saved); }};
  return ds->Bookmark();
}

TBookmarkStr TcxDBDataController::GetRowBookmark(int32_t ARow) {
  if (!GetDataSet() || !DBProvider()->DataLink()->Active()) return TBookmarkStr();
  return GetRecordBookmark(GetRowInfo(ARow).RecordIndex);
}

TBookmarkStr TcxDBDataController::GetSelectedBookmark(int32_t AIndex) {
  if (!IsGridMode()) RaiseControllerError(cxSDataNotInGridMode);
  if (IsSingleSelection()) {
    const int32_t row = GetFocusedRowIndex();
    return row == -1 ? TBookmarkStr() : GetRowBookmark(row);
  }
  return DBSelection()->Bookmarks().at(static_cast<size_t>(AIndex));
}

bool TcxDBDataController::SaveBookmark() {
  if (!IsGridMode()) return TcxCustomDataController::SaveBookmark();
  TDataSet* ds = GetDataSet();
  if (ds && ds->Active()) {
    const TBookmarkStr current = ds->Bookmark();
    if (FSavedBookmark.empty() || FSavedBookmark != current) FSavedBookmark = current;
  }
  return false;
}

void TcxDBDataController::ClearBookmark() {
  FSavedBookmark.clear();
  TcxCustomDataController::ClearBookmark();
}

bool TcxDBDataController::IsBookmarkAvailable() const {
  if (!const_cast<TcxDBDataController*>(this)->IsGridMode()) return TcxCustomDataController::IsBookmarkAvailable();
  return !FSavedBookmark.empty();
}

bool TcxDBDataController::IsBookmarkRow(int32_t ARow) {
  if (!IsGridMode()) return TcxCustomDataController::IsBookmarkRow(ARow);
  if (FSavedBookmark.empty() || !GetDataSet()) return false;
  return GetRowBookmark(ARow) == FSavedBookmark;
}

bool TcxDBDataController::IsBookmarkAffected(int32_t ARecordIndex) {
  if (!IsGridMode()) return TcxCustomDataController::IsBookmarkAffected(ARecordIndex);
  TDataSet* ds = GetDataSet();
  return !ds || !DBProvider()->BookmarkValid(FSavedBookmark);
}

void TcxDBDataController::GotoBookmark() {
  if (!IsGridMode()) {
    TcxCustomDataController::GotoBookmark();
    return;
  }
  TDataSet* ds = GetDataSet();
  if (!ds || FSavedBookmark.empty()) return;
  ds->SetBookmark(FSavedBookmark);
  SetFocusedSelected(true);
}

bool TcxDBDataController::SearchInProvider(const String& AText, bool AForward, bool ANext) {
  TcxCustomDataField* field = IncrementalSearchField();
  if (!field) return false;
  // The walk moves the focus; that must not end the search it belongs to.
  Search()->Lock();
  cxdata::ScopeGuard unlock{[this] { Search()->Unlock(); }};
  const bool found = DBProvider()->SearchInDataSet(field, AText, AForward, ANext);
  if (found) Change(dccLayout);
  return found;
}
