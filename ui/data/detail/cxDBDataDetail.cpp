// Master-detail over datasets: the clones of a detail level share one detail dataset, positioned (or, in
// SQL mode, re-queried) for one master record at a time; the clone it is positioned for is its current
// one. New detail rows take their master's key, a master record's children are asked of the detail
// dataset, and a detail dataset that moves by itself takes its masters with it.
#include "rtl/ObjLinks.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxDBData.h"
#include "ui/data/detail/cxScopeGuard.h"

namespace {

bool IsPatternOfLevel(TcxCustomDataController* AController) {
  return AController->IsDetailMode() && (AController->GetMasterRecordIndex() == -1 || AController->IsPattern());
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Which clone the shared detail dataset is positioned for

void TcxDBDataController::SetDataSetCurrent(bool AValue) {
  TcxDBDataProvider* p = DBProvider();
  if (!p || p->FDataSetCurrent == AValue) return;
  p->FDataSetCurrent = AValue;
  DoReserved195(AValue);
  if (AValue) ResetOtherClones();
}

void TcxDBDataController::ResetOtherClones() {
  TcxCustomDataRelation* relation = GetMasterRelation();
  TcxCustomDataController* master = GetMasterDataController();
  if (!relation || !master || master->IsDestroying()) return;
  std::vector<TcxDBDataController*> others;
  master->ForEachDetail(
      relation,
      [this, &others](void*, TcxCustomDataController* ADetail) {
        auto* d = dynamic_cast<TcxDBDataController*>(ADetail);
        if (d && d != this && d->DBProvider() && d->DBProvider()->FDataSetCurrent) others.push_back(d);
      },
      nullptr);
  for (TcxDBDataController* d : others) {
    d->FResettingDataSetCurrent = true;
    cxdata::ScopeGuard reset{[d] { d->FResettingDataSetCurrent = false; }};
    d->SetDataSetCurrent(false);
    d->ChangeFocusedRecordIndex(-1);
  }
}

void TcxDBDataController::SyncDataSetCurrent() {
  if (GetFocusedRecordIndex() != -1) SetDataSetCurrent(true);
}

bool TcxDBDataProvider::DataSetPositioned() {
  TcxDBDataController* dc = DBController();
  if (!dc->IsDetailMode() || dc->DataModeController()->DetailInSQLMode() || !IsSyncMode()) return FDataSetCurrent;
  if (FInCanInitEditing) return true;
  for (TcxDBDataProvider* q : SameDataSetProviders())
    if (q != this && q->FInCanInitEditing) return false;
  const bool insertingItself = FInInsert || TcxCustomDataProvider::IsInserting();
  const bool newItemRowInsert = dc->IsNewItemRowEditing() && IsInserting();
  if (!insertingItself && ((dc->GetFocusedRowIndex() == -1 && !FDataSetCurrent) || IsOtherProviderInserting()) &&
      !newItemRowInsert)
    return false;
  return true;
}

// ---------------------------------------------------------------------------------------------------
// SQL mode: the detail dataset is re-queried with the master's key

std::vector<TField*> TcxDBDataController::GetMasterDetailKeyFields() {
  std::vector<TField*> result;
  TDataSet* ds = GetDataSet();
  const String names = MasterDetailKeyFieldNames();
  if (!ds || names.empty()) return result;
  std::vector<String> list;
  SplitFieldNames(names, list);
  for (const String& name : list)
    if (TField* f = ds->FindField(name)) result.push_back(f);
  return result;
}

bool TcxDBDataController::DetailRequeryNeeded() {
  if (!IsDetailMode() || !FDataModeController->DetailInSQLMode()) return false;
  if (!FDataModeController->DetailSyncEnabled()) return true;
  if (DBProvider()->DataSetPositioned() || VarIsEmpty(FMasterKeyValues)) return false;
  TDataSet* ds = GetDataSet();
  if (!ds || !ds->Active()) return false;
  Variant current;
  GetFieldValues(ds, GetMasterDetailKeyFields(), current);
  return !VariantValuesEqual(current, FMasterKeyValues);
}

void TcxDBDataController::CheckCurrentQuery() {
  if (!IsDetailMode() || !FDataModeController->DetailInSQLMode() || VarIsEmpty(FMasterKeyValues)) return;
  if (FDataModeController->DetailIsCurrentQuery(MasterDetailKeyFieldNames(), FMasterKeyValues)) return;
  TcxDBDataProvider* p = DBProvider();
  p->LockNotify();
  FCheckingCurrentQuery = true;
  cxdata::ScopeGuard done{[this, p] {
    FCheckingCurrentQuery = false;
    p->UnlockNotify();
  }};
  p->First();
  // Default fields are made anew by a re-query.
  if (p->FieldsRecreated() || !FieldsStillBound()) UpdateFields();
  p->SavePos();
  p->RestorePos();
  p->SetCursorRecord(0);
}

void TcxDBDataController::CheckDetailSync() {
  if (IsDetailMode() && FDataModeController->DetailSyncEnabled()) CheckCurrentQuery();
}

// ---------------------------------------------------------------------------------------------------
// Focus across the levels

bool TcxDBDataController::CanChangeFocusedRow() {
  if (FResettingDataSetCurrent) return true;
  auto* master = dynamic_cast<TcxDBDataController*>(GetMasterDataController());
  if (!master) return true;
  // Posting may run handlers that free either controller.
  TObjectLink<TcxDBDataController> self(this), masterLink(master);
  if (!master->CanChangeFocusedRow()) return false;
  if (!masterLink.Get()) return false;
  master->CheckBrowseMode();
  if (!self.Get() || !masterLink.Get()) return false;
  CheckBrowseMode();
  return self.Get() && masterLink.Get();
}

bool TcxDBDataController::CanChangeDetailExpanding(int32_t ARecordIndex, bool AExpanded) {
  if (AExpanded && IsGridMode()) {
    // Only the focused record of the window can show its details; a first attempt may be taken by a
    // posting edit.
    for (int32_t attempt = 0; attempt < 2 && GetFocusedRecordIndex() != ARecordIndex; ++attempt)
      ChangeFocusedRecordIndex(ARecordIndex);
    if (GetFocusedRecordIndex() != ARecordIndex) return false;
  }
  return TcxCustomDataController::CanChangeDetailExpanding(ARecordIndex, AExpanded);
}

// ---------------------------------------------------------------------------------------------------
// A detail dataset that moves by itself takes its masters with it

bool TcxDBDataController::IsDetailSyncChain() {
  for (auto* m = dynamic_cast<TcxDBDataController*>(GetMasterDataController()); m;
       m = dynamic_cast<TcxDBDataController*>(m->GetMasterDataController())) {
    TcxDBDataProvider* p = m->DBProvider();
    if (!p->IsSyncMode() || !m->IsKeyFieldMode() || p->IsEditing()) return false;
  }
  return true;
}

TcxDBDataController* TcxDBDataController::DoDetailSync() {
  auto* relation = dynamic_cast<TcxDBDataRelation*>(GetMasterRelation());
  auto* master = dynamic_cast<TcxDBDataController*>(GetMasterDataController());
  if (!relation || !master || !relation->IsLinked() || MasterDetailKeyFieldNames().empty()) return nullptr;
  if (FUpdatingDataSetPosition || FInBrowseCheck || master->FUpdatingDataSetPosition || master->FInBrowseCheck ||
      master->IsCreatingDetail() || master->IsDestroying())
    return nullptr;
  if (!DBProvider()->IsSyncMode() || !IsDetailSyncChain()) return nullptr;
  TDataSet* detailSet = GetDataSet();
  TDataSet* masterSet = master->GetDataSet();
  if (!detailSet || !masterSet || !detailSet->Active() || !masterSet->Active() || detailSet->IsEmpty()) return nullptr;
  bool positioned;
  {
    master->FUpdatingDataSetPosition = true;
    cxdata::ScopeGuard reset{[master] { master->FUpdatingDataSetPosition = false; }};
    const Variant detailValues = detailSet->FieldValues(FDetailKeyFieldNames);
    positioned = VariantValuesEqual(detailValues, masterSet->FieldValues(FMasterKeyFieldNames));
    if (!positioned) {
      TcxDBDataProvider* mp = master->DBProvider();
      mp->BeginLocate();
      cxdata::ScopeGuard endLocate{[mp] { mp->EndLocate(); }};
      positioned = masterSet->Locate(FMasterKeyFieldNames, detailValues, TLocateOptions());
    }
  }
  if (!positioned) return nullptr;
  // A master that is a detail itself follows its own master first; its clone of that record is the one
  // whose focused row shows this level.
  TcxDBDataController* owner = master;
  if (IsPatternOfLevel(master))
    if (TcxDBDataController* clone = master->DoDetailSync()) owner = clone;
  owner->CheckFocusing();
  const int32_t record = owner->GetFocusedRecordIndex();
  if (record < 0) return nullptr;
  owner->ChangeDetailExpanding(record, true);
  return dynamic_cast<TcxDBDataController*>(owner->GetDetailDataController(record, relation->Index()));
}

// ---------------------------------------------------------------------------------------------------
// Provider: has-children of a master record, master keys of new detail rows

bool TcxDBDataProvider::HasDetailRecords(int32_t ARecordIndex, int32_t ARelationIndex) {
  TcxDBDataController* dc = DBController();
  TcxCustomDataRelationList* relations = dc->Relations();
  auto* relation = relations && ARelationIndex >= 0 && ARelationIndex < relations->Count()
                       ? dynamic_cast<TcxDBDataRelation*>(relations->Items(ARelationIndex))
                       : nullptr;
  auto* pattern = relation ? dynamic_cast<TcxDBDataController*>(relation->BoundDetailController()) : nullptr;
  if (!pattern || !relation->IsLinked()) return TcxCustomDataProvider::HasDetailRecords(ARecordIndex, ARelationIndex);
  const Variant keys = dc->GetMasterRecordKeyValues(relation, ARecordIndex);
  const String names = pattern->MasterDetailKeyFieldNames();
  bool result = true;
  if (dc->OnDetailHasChildren.Assigned()) {
    dc->OnDetailHasChildren(dc, ARecordIndex, ARelationIndex, names, keys, result);
    return result;
  }
  // A grid-mode or SQL-mode detail holds no rows of other masters to look for: its children are
  // assumed.
  if (pattern->DataModeController()->GridMode() || pattern->DataModeController()->DetailInSQLMode()) return result;
  TDataSet* ds = pattern->GetDataSet();
  if (!ds || !ds->Active()) return false;
  TcxDBDataProvider* p = pattern->DBProvider();
  p->LockNotify();
  cxdata::ScopeGuard unlock{[p] { p->UnlockNotify(); }};
  p->SavePos();
  result = ds->Locate(names, keys, TLocateOptions());
  p->RestorePos();
  return result;
}

void TcxDBDataProvider::InitInsertingRecord(int32_t ARecordIndex, const TcxDataSummaryValues& AGroupValues) {
  TcxDBDataController* dc = DBController();
  if (FInInsert || FInCanInitEditing || IsOtherProviderInserting()) {
    TcxCustomDataProvider::InitInsertingRecord(ARecordIndex, AGroupValues);
    // A new detail row belongs to the master record it was made under.
    if (dc->GetOptions().Contains(dcoAssignMasterDetailKeys) && dc->IsDetailMode() && !VarIsEmpty(dc->MasterKeyValues())) {
      const std::vector<TField*> fields = dc->GetMasterDetailKeyFields();
      if (!fields.empty()) SetFieldValues(DataSet(), fields, dc->MasterKeyValues());
    }
    dc->DoReserved197(ARecordIndex);
  }
  if (!IsGridMode()) dc->ReadRecordFromDataSet(ARecordIndex);
}
