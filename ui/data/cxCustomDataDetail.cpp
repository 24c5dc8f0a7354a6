// Detail relations and the controller's master-detail operations: per master record a detail object
// (expanded flag, active relation, one info object per relation with the detail's link object and a
// cached has-children answer) kept in an internal object field of the master's storage, so that it lives
// and dies with the record.
#include <algorithm>

#include "ui/data/cxCustomData.h"
#include "ui/data/detail/cxScopeGuard.h"

// ---------------------------------------------------------------------------------------------------
// Relations

void TcxCustomDataRelation::AfterConstruction() {
  TObject::AfterConstruction();
  FOwnerRelations->FItems.push_back(this);
  Changed();
}

void TcxCustomDataRelation::BeforeDestruction() {
  if (FBoundDetailController) {
    TcxCustomDataController* detail = FBoundDetailController;
    FBoundDetailController = nullptr;
    detail->SetMasterRelation(nullptr, -1);
  }
  if (FOwnerRelations) FOwnerRelations->RemoveRelation(this);
  TObject::BeforeDestruction();
}

void TcxCustomDataRelation::Changed() {
  if (FOwnerRelations) FOwnerRelations->Changed(this);
}

TcxCustomDataController* TcxCustomDataRelation::GetDataController() const {
  return FOwnerRelations ? FOwnerRelations->DataController() : nullptr;
}

int32_t TcxCustomDataRelation::Index() const {
  if (!FOwnerRelations) return -1;
  const auto& items = FOwnerRelations->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int32_t>(it - items.begin());
}

TcxCustomDataRelationList::~TcxCustomDataRelationList() {
  FDestroying = true;
  ++FUpdateLock;
  // The records' detail objects go first: the detail controllers they carry still find their relation.
  if (FDetailField) {
    TcxCustomDataField* field = FDetailField;
    FDetailField = nullptr;
    field->Free();
  }
  while (!FItems.empty()) FItems.back()->Free();
}

TcxCustomDataRelation* TcxCustomDataRelationList::Add(TObject* AItem) { return FDataController->CreateRelation(this, AItem); }

void TcxCustomDataRelationList::EndUpdate() {
  --FUpdateLock;
  Changed(nullptr);
}

void TcxCustomDataRelationList::Clear() {
  BeginUpdate();
  cxdata::ScopeGuard unlock{[this] { EndUpdate(); }};
  while (!FItems.empty()) FItems.back()->Free();
}

void TcxCustomDataRelationList::Assign(TcxCustomDataRelationList* AOther) {
  BeginUpdate();
  cxdata::ScopeGuard unlock{[this] { EndUpdate(); }};
  Clear();
  for (TcxCustomDataRelation* source : AOther->FItems) Add(source->Item())->DoReserved2(source);
}

TcxCustomDataRelation* TcxCustomDataRelationList::FindByItem(TObject* AItem) const {
  for (TcxCustomDataRelation* r : FItems)
    if (r->Item() == AItem) return r;
  return nullptr;
}

void TcxCustomDataRelationList::RemoveRelation(TcxCustomDataRelation* ARelation) {
  auto it = std::find(FItems.begin(), FItems.end(), ARelation);
  if (it == FItems.end()) return;
  if (!FDestroying) FDataController->RelationRemoving(ARelation);
  FItems.erase(std::find(FItems.begin(), FItems.end(), ARelation));
  ARelation->FOwnerRelations = nullptr;
  Changed(ARelation);
}

void TcxCustomDataRelationList::Changed(TcxCustomDataRelation* ARelation) {
  if (FUpdateLock != 0 || FDestroying) return;
  FDataController->LockInfo();
  cxdata::ScopeGuard unlock{[this] { FDataController->UnlockInfo(); }};
  if (FItems.empty()) {
    if (FDetailField) {
      TcxCustomDataField* field = FDetailField;
      field->Free();  // FieldDestroyed clears FDetailField
      FDetailField = nullptr;
    }
  } else if (FDetailField) {
    FDataController->ResetDetailState();
  } else {
    FDetailField = FDataController->AddDetailField();
  }
  FDataController->DetailDataChanged(ARelation);
}

void TcxCustomDataRelationList::FieldDestroyed(TcxCustomDataField* AField) {
  if (AField == FDetailField) FDetailField = nullptr;
  for (TcxCustomDataRelation* r : FItems) r->FieldDestroyed(AField);
}

bool TcxCustomDataRelationList::HasNoDetailControllers() {
  TcxCustomDataController* pattern = FDataController->GetPatternDataController();
  TcxCustomDataRelationList* relations = pattern ? pattern->Relations() : this;
  if (!relations) return true;
  for (TcxCustomDataRelation* r : relations->FItems)
    if (r->BoundDetailController()) return false;
  return true;
}

TcxDetailObject* TcxCustomDataRelationList::PeekDetailObject(int32_t ARecordIndex) {
  if (!FDetailField) return nullptr;
  const Variant v = FDataController->GetFieldValue(ARecordIndex, FDetailField);
  if (VarIsNull(v) || VarIsEmpty(v)) return nullptr;
  return reinterpret_cast<TcxDetailObject*>(static_cast<intptr_t>(v.AsInt64()));
}

TcxDetailObject* TcxCustomDataRelationList::GetDetailObject(int32_t ARecordIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  if (!FDetailField) return nullptr;
  TcxDetailObject* object = PeekDetailObject(ARecordIndex);
  TcxValueDef* def = FDetailField->GetValueDef();
  if (!HasNoDetailControllers()) {
    if (!object) {
      object = New<TcxDetailObject>();
      object->CurrentRelationIndex = FDataController->GetDefaultActiveRelationIndex();
      FDataController->DataStorage()->PutRecordValue(ARecordIndex, def, Variant(static_cast<int64_t>(reinterpret_cast<intptr_t>(object))));
    }
    object->SetRelationCount(Count());
    return object;
  }
  if (object) {
    for (int32_t i = 0; i < object->InfoCount(); ++i)
      if (TObject* link = object->LinkObjects(i))
        if (TcxCustomDataController* detail = FDataController->GetDetailDataControllerByLinkObject(link))
          detail->SetMasterRelation(nullptr, -1);
    // The storage frees the object it held when the value is replaced.
    FDataController->DataStorage()->PutRecordValue(ARecordIndex, def, Variant(int64_t(0)));
  }
  return nullptr;
}

bool TcxCustomDataRelationList::ClearDetailObject(int32_t ARecordIndex, int32_t ARelationIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  if (!FDetailField) return false;
  TcxDetailObject* object = PeekDetailObject(ARecordIndex);
  if (!object) return false;
  if (ARelationIndex == -1)
    object->Clear();
  else
    object->FreeInfoObject(ARelationIndex);
  return true;
}

bool TcxCustomDataRelationList::IsDetailAvailable(int32_t ARecordIndex, int32_t ARelationIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  TcxDetailObject* object = PeekDetailObject(ARecordIndex);
  if (!object) return false;
  return ARelationIndex == -1 ? !object->IsEmpty() : object->LinkObjects(ARelationIndex) != nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Detail objects

TcxDetailInfoObject::~TcxDetailInfoObject() {
  if (LinkedObject) LinkedObject->Free();
}

void TcxDetailObject::Clear() {
  for (TcxDetailInfoObject*& info : FDetailInfoList)
    if (info) {
      TcxDetailInfoObject* i = info;
      info = nullptr;
      i->Free();
    }
  FDetailInfoList.clear();
}

bool TcxDetailObject::InvalidateCaches() {
  bool any = false;
  for (TcxDetailInfoObject* info : FDetailInfoList)
    if (info && info->HasRecordsKnown) {
      info->HasRecordsKnown = false;
      any = true;
    }
  return any;
}

void TcxDetailObject::FreeInfoObject(int32_t AIndex) {
  if (AIndex < 0 || AIndex >= InfoCount()) return;
  TcxDetailInfoObject* info = FDetailInfoList[static_cast<size_t>(AIndex)];
  FDetailInfoList[static_cast<size_t>(AIndex)] = nullptr;
  if (info) info->Free();
}

void TcxDetailObject::SetRelationCount(int32_t ACount) {
  if (InfoCount() < ACount) FDetailInfoList.resize(static_cast<size_t>(ACount), nullptr);
  if (InfoCount() == 0)
    CurrentRelationIndex = -1;
  else if (CurrentRelationIndex < 0)
    CurrentRelationIndex = 0;
  else if (CurrentRelationIndex >= InfoCount())
    CurrentRelationIndex = InfoCount() - 1;
}

TcxDetailInfoObject* TcxDetailObject::DetailInfoList(int32_t AIndex) const {
  return AIndex >= 0 && AIndex < InfoCount() ? FDetailInfoList[static_cast<size_t>(AIndex)] : nullptr;
}

bool TcxDetailObject::IsEmpty() const {
  for (TcxDetailInfoObject* info : FDetailInfoList)
    if (info && info->LinkedObject) return false;
  return true;
}

TObject* TcxDetailObject::LinkObjects(int32_t AIndex) const {
  TcxDetailInfoObject* info = DetailInfoList(AIndex);
  return info ? info->LinkedObject : nullptr;
}

void TcxDetailObject::SetInfoObject(int32_t AIndex, TcxDetailInfoObject* AInfo) {
  if (AIndex < 0) return;
  if (AIndex >= InfoCount()) FDetailInfoList.resize(static_cast<size_t>(AIndex) + 1, nullptr);
  FDetailInfoList[static_cast<size_t>(AIndex)] = AInfo;
}

void TcxDetailObject::SetLinkObject(int32_t AIndex, TObject* ALinkObject) {
  if (AIndex < 0) return;
  if (AIndex >= InfoCount()) FDetailInfoList.resize(static_cast<size_t>(AIndex) + 1, nullptr);
  TcxDetailInfoObject*& info = FDetailInfoList[static_cast<size_t>(AIndex)];
  if (!info) info = New<TcxDetailInfoObject>();
  info->LinkedObject = ALinkObject;
}

// ---------------------------------------------------------------------------------------------------
// The controller's side

TcxCustomDataRelation* TcxCustomDataController::CreateRelation(TcxCustomDataRelationList* AList, TObject* AItem) {
  return New<TcxCustomDataRelation>(AList, AItem);
}

TcxCustomDataRelationList* TcxCustomDataController::GetRelations() {
  if (!FRelations) FRelations = New<TcxCustomDataRelationList>(this);
  return FRelations;
}

TcxCustomDataField* TcxCustomDataController::AddDetailField() {
  TcxCustomDataField* field = AddInternalField();
  field->SetValueTypeClass(TcxObjectValueType::StaticClass());
  return field;
}

void TcxCustomDataController::ResetDetailState() {
  if (!FRelations || !FRelations->DetailField()) return;
  for (int32_t r = 0; r < GetRecordCount(); ++r)
    if (TcxDetailObject* object = FRelations->PeekDetailObject(r)) object->SetRelationCount(FRelations->Count());
}

void TcxCustomDataController::RelationRemoving(TcxCustomDataRelation* ARelation) {
  ResetDetailsMasterRelation(ARelation);
  if (FRelations && FRelations->DetailField()) {
    const int32_t index = ARelation->Index();
    for (int32_t r = 0; r < GetRecordCount(); ++r)
      if (TcxDetailObject* object = FRelations->PeekDetailObject(r)) object->FreeInfoObject(index);
  }
}

TcxCustomDataController* TcxCustomDataController::GetMasterDataController() const {
  return FMasterRelation ? FMasterRelation->GetDataController() : nullptr;
}

TcxCustomDataController* TcxCustomDataController::GetRootDataController() {
  TcxCustomDataController* dc = this;
  while (TcxCustomDataController* master = dc->GetMasterDataController()) dc = master;
  return dc;
}

namespace cxdata {
TcxCustomDataController* FindPattern(TcxCustomDataController* AController, TObject* AItem) {
  TcxCustomDataRelationList* relations = AController->Relations();
  if (!relations) return nullptr;
  for (int32_t i = 0; i < relations->Count(); ++i)
    if (relations->Items(i)->Item() == AItem && relations->Items(i)->BoundDetailController())
      return relations->Items(i)->BoundDetailController();
  for (int32_t i = 0; i < relations->Count(); ++i)
    if (TcxCustomDataController* detail = relations->Items(i)->BoundDetailController())
      if (TcxCustomDataController* found = FindPattern(detail, AItem)) return found;
  return nullptr;
}
}  // namespace cxdata

TcxCustomDataController* TcxCustomDataController::GetPatternDataController() {
  if (!FMasterRelation) return this;
  TcxCustomDataController* found = cxdata::FindPattern(GetRootDataController(), FMasterRelation->Item());
  return found ? found : this;
}

void TcxCustomDataController::SetMasterRelation(TcxCustomDataRelation* ARelation, int32_t AMasterRecordIndex) {
  const bool asPattern = AMasterRecordIndex == -1;
  if (!ARelation && !FMasterRelation && asPattern && FMasterRecordIndex == -1) return;
  LockInfo();
  cxdata::ScopeGuard unlock{[this] { UnlockInfo(); }};
  if (FMasterRelation) {
    if (FMasterRelation->BoundDetailController() == this && asPattern)
      FMasterRelation->SetBoundDetailController(nullptr);
    else if (!IsPattern() && FMasterRecordIndex != -1)
      SetCustomDataSource(nullptr);
    if (FRelations) FRelations->Changed(nullptr);
  }
  FMasterRelation = ARelation;
  if (ARelation) {
    if (asPattern) {
      ARelation->SetBoundDetailController(this);
      if (ARelation->OwnerRelations()) ARelation->OwnerRelations()->Changed(ARelation);
    } else if (TcxCustomDataController* pattern = GetPatternDataController(); pattern && pattern != this) {
      SetCustomDataSource(pattern->CustomDataSource());
    }
  }
  FMasterRecordIndex = AMasterRecordIndex;
  LayoutChanged(2);
}

void TcxCustomDataController::LinkToMasterRelation(TcxCustomDataRelation* ARelation, bool APatternMode) {
  LockInfo();
  cxdata::ScopeGuard unlock{[this] { UnlockInfo(); }};
  SetMasterRelation(ARelation, -1);
  SetPatternMode(APatternMode);
}

bool TcxCustomDataController::GetDetailExpanding(int32_t ARecordIndex) {
  if (!FRelations) return false;
  TcxDetailObject* object = FRelations->GetDetailObject(ARecordIndex);
  return object && object->Expanded;
}

bool TcxCustomDataController::CanChangeDetailExpanding(int32_t ARecordIndex, bool AExpanded) {
  bool allow = true;
  const TcxDataDetailExpandingEvent& handler = AExpanded ? OnDetailExpanding : OnDetailCollapsing;
  if (handler.Assigned()) handler(this, ARecordIndex, allow);
  return allow;
}

bool TcxCustomDataController::ChangeDetailExpanding(int32_t ARecordIndex, bool AExpanded) {
  // A record outside the table answers False rather than raising.
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) return false;
  if (GetDetailExpanding(ARecordIndex) == AExpanded) return false;
  CheckBrowseMode();
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount() || !FRelations) return false;
  TcxDetailObject* object = FRelations->GetDetailObject(ARecordIndex);
  if (!object || !CanChangeDetailExpanding(ARecordIndex, AExpanded)) return false;
  object->Expanded = AExpanded;
  TcxCustomDataController* master = GetMasterDataController();
  if (!(master && master->IsInfoLocked())) Change(dccDetail);
  const TcxDataControllerRecordEvent& done = AExpanded ? OnDetailExpanded : OnDetailCollapsed;
  if (done.Assigned()) done(this, ARecordIndex);
  return true;
}

int32_t TcxCustomDataController::GetDetailActiveRelationIndex(int32_t ARecordIndex) {
  if (!FRelations || FRelations->HasNoDetailControllers()) return -1;
  TcxDetailObject* object = FRelations->GetDetailObject(ARecordIndex);
  return object ? object->CurrentRelationIndex : -1;
}

void TcxCustomDataController::ChangeDetailActiveRelationIndex(int32_t ARecordIndex, int32_t AIndex) {
  if (GetDetailActiveRelationIndex(ARecordIndex) == AIndex) return;
  CheckBrowseMode();
  TcxDetailObject* object = FRelations ? FRelations->GetDetailObject(ARecordIndex) : nullptr;
  if (!object) return;
  object->CurrentRelationIndex = AIndex;
  Change(dccDetail);
}

bool TcxCustomDataController::GetDetailHasChildren(int32_t ARecordIndex, int32_t ARelationIndex) {
  // Only a detail controller that exists answers by its records; asking must not make one for every
  // record (that is what the cached answer of the provider saves).
  if (HasDetailDataController(ARecordIndex, ARelationIndex))
    if (TcxCustomDataController* detail = GetDetailDataController(ARecordIndex, ARelationIndex))
      return detail->GetRecordCount() > 0;
  if (!IsProviderMode() && !FProvider->HasSourceState()) return false;
  if (!FRelations || !FRelations->DetailField()) return true;
  TcxDetailObject* object = FRelations->GetDetailObject(ARecordIndex);
  if (!object) return true;
  TcxDetailInfoObject* info = object->DetailInfoList(ARelationIndex);
  if (!info) {
    info = New<TcxDetailInfoObject>();
    object->SetInfoObject(ARelationIndex, info);
  }
  if (!info->HasRecordsKnown) {
    info->HasRecords = FProvider->HasDetailRecords(ARecordIndex, ARelationIndex);
    info->HasRecordsKnown = true;
  }
  return info->HasRecords;
}

void TcxCustomDataController::ResetDetailHasChildren() {
  if (!FRelations || !FRelations->DetailField()) return;
  bool any = false;
  for (int32_t r = 0; r < GetRecordCount(); ++r)
    if (TcxDetailObject* object = FRelations->PeekDetailObject(r)) any = object->InvalidateCaches() || any;
  if (any) Change(dccLayout);
}

bool TcxCustomDataController::HasDetailDataController(int32_t ARecordIndex, int32_t ARelationIndex) {
  if (!FRelations || !FRelations->DetailField()) return false;
  CheckRecordRange(ARecordIndex);
  TcxDetailObject* object = FRelations->PeekDetailObject(ARecordIndex);
  if (!object) return false;
  return ARelationIndex == -1 ? !object->IsEmpty() : object->LinkObjects(ARelationIndex) != nullptr;
}

TObject* TcxCustomDataController::GetDetailLinkObject(int32_t ARecordIndex, int32_t ARelationIndex) {
  if (!FRelations) return nullptr;
  TcxDetailObject* object = FRelations->GetDetailObject(ARecordIndex);
  if (!object) return nullptr;
  TObject* link = object->LinkObjects(ARelationIndex);
  if (!link && !FCreatingDetail && ARelationIndex >= 0 && ARelationIndex < FRelations->Count()) {
    TcxCustomDataController* pattern = GetPatternDataController();
    FCreatingDetail = true;
    if (pattern) pattern->FCreatingDetail = true;
    TObject* created = nullptr;
    {
      cxdata::ScopeGuard reset{[this, pattern] {
        FCreatingDetail = false;
        if (pattern) pattern->FCreatingDetail = false;
      }};
      created = CreateDetailLinkObject(FRelations->Items(ARelationIndex), ARecordIndex);
    }
    if (created) {
      if (ARecordIndex >= GetRecordCount() || FRelations->PeekDetailObject(ARecordIndex) != object) {
        created->Free();
      } else {
        object->SetLinkObject(ARelationIndex, created);
        link = created;
      }
    }
  }
  if (!link && !FRecreatingLink && !FCreatingDetail) {
    FRecreatingLink = true;
    cxdata::ScopeGuard reset{[this] { FRecreatingLink = false; }};
    link = GetDetailLinkObject(ARecordIndex, ARelationIndex);
  }
  return link;
}

TcxCustomDataController* TcxCustomDataController::GetDetailDataController(int32_t ARecordIndex, int32_t ARelationIndex) {
  TObject* link = GetDetailLinkObject(ARecordIndex, ARelationIndex);
  return link ? GetDetailDataControllerByLinkObject(link) : nullptr;
}

void TcxCustomDataController::ClearDetailLinkObject(int32_t ARecordIndex, int32_t ARelationIndex) {
  if (!FRelations) return;
  if (FRelations->ClearDetailObject(ARecordIndex, ARelationIndex) && FRelations->DetailField()) Change(dccDetail);
}

void TcxCustomDataController::ClearDetailLinkObjects() {
  if (!FRelations) return;
  LockInfo();
  cxdata::ScopeGuard unlock{[this] { UnlockInfo(); }};
  for (int32_t r = 0; r < GetRecordCount(); ++r) ClearDetailLinkObject(r, -1);
}

void TcxCustomDataController::CollapseDetails() {
  CheckBrowseMode();
  if (!FRelations || !FRelations->DetailField()) return;
  LockInfo();
  cxdata::ScopeGuard unlock{[this] { UnlockInfo(); }};
  for (int32_t r = 0; r < GetRecordCount(); ++r)
    if (TcxDetailObject* object = FRelations->PeekDetailObject(r)) {
      object->Clear();
      object->Expanded = false;
      Change(dccDetail);
    }
}

namespace cxdata {
// Every detail controller that exists for a record, with the relation index it serves.
template <class F>
void ForExistingDetails(TcxCustomDataController* AController, TcxCustomDataRelationList* ARelations, int32_t AFrom, F AFn) {
  if (!ARelations || !ARelations->DetailField()) return;
  for (int32_t r = std::max(AFrom, 0); r < AController->GetRecordCount(); ++r)
    if (TcxDetailObject* object = ARelations->PeekDetailObject(r))
      for (int32_t i = 0; i < object->InfoCount(); ++i)
        if (TObject* link = object->LinkObjects(i))
          if (TcxCustomDataController* detail = AController->GetDetailDataControllerByLinkObject(link)) AFn(r, i, detail);
}
}  // namespace cxdata

void TcxCustomDataController::FocusDetails(int32_t ARecordIndex) {
  if (!FRelations || !FRelations->DetailField()) return;
  TcxDetailObject* object = FRelations->PeekDetailObject(ARecordIndex);
  if (!object) return;
  for (int32_t i = 0; i < object->InfoCount(); ++i)
    if (TObject* link = object->LinkObjects(i))
      if (i == object->CurrentRelationIndex)
        if (TcxCustomDataController* detail = GetDetailDataControllerByLinkObject(link)) detail->FocusFirstRowIfNone();
}

void TcxCustomDataController::ShiftDetailsAfterInsert(int32_t ARecordIndex) {
  cxdata::ForExistingDetails(this, FRelations, ARecordIndex + 1, [](int32_t, int32_t, TcxCustomDataController* detail) {
    ++detail->FMasterRecordIndex;
  });
}

void TcxCustomDataController::ShiftDetailsAfterDelete(int32_t ARecordIndex) {
  CheckEditingRecordIndex(ARecordIndex);
  cxdata::ForExistingDetails(this, FRelations, ARecordIndex, [](int32_t, int32_t, TcxCustomDataController* detail) {
    --detail->FMasterRecordIndex;
  });
}

void TcxCustomDataController::ResetDetailsMasterRelation(TcxCustomDataRelation* ARelation) {
  const int32_t index = ARelation->Index();
  cxdata::ForExistingDetails(this, FRelations, 0, [index](int32_t, int32_t i, TcxCustomDataController* detail) {
    if (i == index) {
      detail->FMasterRelation = nullptr;
      detail->FMasterRecordIndex = -1;
    }
  });
}

bool TcxCustomDataController::CheckDetailsBrowseMode() {
  cxdata::ForExistingDetails(this, FRelations, 0, [](int32_t, int32_t, TcxCustomDataController* detail) {
    detail->CheckBrowseMode();
  });
  return true;
}

void TcxCustomDataController::DetailDataChanged(TcxCustomDataRelation* ARelation) {
  (void)ARelation;
  if (IsDestroying()) return;
  if (FMasterRelation && FMasterRecordIndex == -1)
    GetRootDataController()->DetailChangedForItem(FMasterRelation->Item());
  else
    Change(dccData);
}

void TcxCustomDataController::DetailChangedForItem(TObject* AItem) {
  if (FRelations && FRelations->FindByItem(AItem)) {
    ClearDetailLinkObjects();
    return;
  }
  std::vector<TcxCustomDataController*> details;
  cxdata::ForExistingDetails(this, FRelations, 0,
                             [&details](int32_t, int32_t, TcxCustomDataController* detail) { details.push_back(detail); });
  for (TcxCustomDataController* detail : details) detail->DetailChangedForItem(AItem);
}

void TcxCustomDataController::ForEachDetail(TcxCustomDataRelation* ARelation, const TcxDetailProc& AProc, void* AData) {
  // The relation indexes from the root down to ARelation.
  std::vector<int32_t> path;
  for (TcxCustomDataRelation* r = ARelation; r; ) {
    path.insert(path.begin(), r->Index());
    TcxCustomDataController* owner = r->GetDataController();
    r = owner ? owner->GetMasterRelation() : nullptr;
  }
  std::vector<TcxCustomDataController*> level{GetRootDataController()};
  for (size_t depth = 0; depth < path.size(); ++depth) {
    std::vector<TcxCustomDataController*> next;
    for (TcxCustomDataController* dc : level)
      cxdata::ForExistingDetails(dc, dc->FRelations, 0, [&](int32_t, int32_t i, TcxCustomDataController* detail) {
        if (i == path[depth]) next.push_back(detail);
      });
    level.swap(next);
  }
  for (TcxCustomDataController* detail : level) AProc(AData, detail);
}
