#include "ui/data/cxDBData.h"

#include <algorithm>
#include <functional>

#include "db/DBDataSetKinds.h"
#include "ui/base/cxVariants.h"

namespace {

struct TScopeExit {
  explicit TScopeExit(std::function<void()> AFn) : Fn(std::move(AFn)) {}
  ~TScopeExit() { Fn(); }
  std::function<void()> Fn;
};

struct TDetailAdapters {
  TDetailAdapters() {
    List = New<TcxDBAdapterList>();
    List->RegisterAdapter(TDataSet::StaticClass(), cxDBAdapterClass<TcxDBProviderDetailFilterAdapter>());
  }
  ~TDetailAdapters() { List->Free(); }
  TcxDBAdapterList* List;
};

// Hears the freeing of the dataset fields the controller's fields are bound to.
class TcxDBFieldNotifier : public TComponent {
  RTL_CLASS(TcxDBFieldNotifier, TComponent)
public:
  TcxDBFieldNotifier(TComponent* AOwner, TcxDBDataController* AController) : TComponent(AOwner), FController(AController) {}

protected:
  void Notification(TComponent* AComponent, TOperation AOperation) override {
    TComponent::Notification(AComponent, AOperation);
    if (AOperation == opRemove && AComponent != this && FController) FController->NotifyFieldList(AComponent);
  }

private:
  TcxDBDataController* FController;
};

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Mode controller

void TcxDBDataModeController::Assign(TPersistent* ASource) {
  auto* source = dynamic_cast<TcxDBDataModeController*>(ASource);
  if (!source) {
    TPersistent::Assign(ASource);
    return;
  }
  FDetailInSQLMode = source->FDetailInSQLMode;
  FDetailSyncEnabled = source->FDetailSyncEnabled;
  SetGridMode(source->FGridMode);
  SetGridModeBufferCount(source->FGridModeBufferCount);
  SetSmartRefresh(source->FSmartRefresh);
  FInsertSyncEnabled = source->FInsertSyncEnabled;
  SetSyncMode(source->FSyncMode);
  OnDetailFirst = source->OnDetailFirst;
  OnDetailIsCurrentQuery = source->OnDetailIsCurrentQuery;
}

bool TcxDBDataModeController::DetailIsCurrentQuery(const String& AMasterDetailKeyFieldNames,
                                                   const Variant& AMasterDetailKeyValues) {
  if (OnDetailIsCurrentQuery.Assigned()) {
    bool result = false;
    OnDetailIsCurrentQuery(this, FOwnerController->GetDataSet(), AMasterDetailKeyFieldNames, AMasterDetailKeyValues, result);
    return result;
  }
  return FOwnerController->GetDetailFilterAdapter()->IsCurrentQuery(FOwnerController->GetDataSet(),
                                                                    AMasterDetailKeyFieldNames, AMasterDetailKeyValues);
}

void TcxDBDataModeController::DetailFirst(const String& AMasterDetailKeyFieldNames, const Variant& AMasterDetailKeyValues,
                                          bool& AReopened) {
  AReopened = false;
  if (OnDetailFirst.Assigned())
    OnDetailFirst(this, FOwnerController->GetDataSet(), AMasterDetailKeyFieldNames, AMasterDetailKeyValues, AReopened);
  else
    FOwnerController->GetDetailFilterAdapter()->DetailFirst(FOwnerController->GetDataSet(), AMasterDetailKeyFieldNames,
                                                           AMasterDetailKeyValues, AReopened, FDetailInSQLMode);
}

void TcxDBDataModeController::SetGridMode(bool AValue) {
  if (FGridMode == AValue) return;
  const bool was = FOwnerController->IsGridMode();
  FGridMode = AValue;
  if (FOwnerController->IsGridMode() != was) FOwnerController->UpdateStructure();
}

void TcxDBDataModeController::SetGridModeBufferCount(int32_t AValue) {
  if (AValue < 0) AValue = 0;
  if (FGridModeBufferCount == AValue) return;
  FGridModeBufferCount = AValue;
  FOwnerController->FRefilling = true;
  TScopeExit done{[this] { FOwnerController->FRefilling = false; }};
  FOwnerController->DBProvider()->RefillGridBuffer();
}

void TcxDBDataModeController::SetSmartRefresh(bool AValue) {
  if (FSmartRefresh == AValue) return;
  FSmartRefresh = AValue;
  if (!FOwnerController->IsGridMode()) FOwnerController->DBProvider()->DataScrolled(0);
}

void TcxDBDataModeController::SetSyncMode(bool AValue) {
  if (FSyncMode == AValue) return;
  FSyncMode = AValue;
  if (FOwnerController->DBProvider()->IsActive()) FOwnerController->DBProvider()->DataScrolled(0);
}

// ---------------------------------------------------------------------------------------------------
// Detail adapters

TcxDBAdapterList* cxDetailFilterControllers() {
  static TDetailAdapters adapters;
  return adapters.List;
}

bool TcxDBProviderDetailFilterAdapter::IsCurrentQuery(TDataSet* ADataSet, const String& AMasterDetailKeyFieldNames,
                                                      const Variant& AMasterDetailKeyValues) {
  TParams* params = DataSetDetailParams(ADataSet);
  if (!params) return false;
  return VariantValuesEqual(params->ParamValues(AMasterDetailKeyFieldNames), AMasterDetailKeyValues);
}

void TcxDBProviderDetailFilterAdapter::ReopenSQL(TDataSet* ADataSet, const String& AMasterDetailKeyFieldNames,
                                                 const Variant& AMasterDetailKeyValues, bool& AReopened) {
  TParams* params = DataSetDetailParams(ADataSet);
  if (!params) return;
  if (VariantValuesEqual(params->ParamValues(AMasterDetailKeyFieldNames), AMasterDetailKeyValues)) {
    ADataSet->First();
    return;
  }
  ADataSet->DisableControls();
  TScopeExit enable{[ADataSet] { ADataSet->EnableControls(); }};
  ADataSet->SetActive(false);
  params->SetParamValues(AMasterDetailKeyFieldNames, AMasterDetailKeyValues);
  ADataSet->SetActive(true);
  AReopened = true;
}

void TcxDBProviderDetailFilterAdapter::DetailFirst(TDataSet* ADataSet, const String& AMasterDetailKeyFieldNames,
                                                   const Variant& AMasterDetailKeyValues, bool& AReopened, bool ASQLMode) {
  if (ASQLMode)
    ReopenSQL(ADataSet, AMasterDetailKeyFieldNames, AMasterDetailKeyValues, AReopened);
  else
    ADataSet->Locate(AMasterDetailKeyFieldNames, AMasterDetailKeyValues, TLocateOptions());
}

// ---------------------------------------------------------------------------------------------------
// Data fields

TcxDBDataField::~TcxDBDataField() {
  if (FOwnerComposite) {
    auto& siblings = FOwnerComposite->FSubFields;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    FOwnerComposite = nullptr;
  }
  FreeSubFields();
  SetField(nullptr);
}

TcxDBDataController* TcxDBDataField::DBController() const {
  return static_cast<TcxDBDataController*>(GetDataController());
}

void TcxDBDataField::SetField(TField* AField) {
  if (FField == AField) return;
  if (FField && FNotifier) FField->RemoveFreeNotification(FNotifier);
  FField = AField;
  if (FField) {
    FNotifier = DBController()->FFieldNotifier;
    if (FNotifier) FField->FreeNotification(FNotifier);
  }
}

TField* TcxDBDataField::Field() const {
  if (auto* ref = dynamic_cast<TcxDBDataField*>(ReferenceField())) return ref->Field();
  return FField;
}

int32_t TcxDBDataField::FieldCount() const {
  if (auto* ref = dynamic_cast<TcxDBDataField*>(ReferenceField())) return ref->FieldCount();
  return static_cast<int32_t>(FSubFields.size());
}

TcxDBDataField* TcxDBDataField::SubFields(int32_t AIndex) const {
  if (auto* ref = dynamic_cast<TcxDBDataField*>(ReferenceField())) return ref->SubFields(AIndex);
  return FSubFields.at(static_cast<size_t>(AIndex));
}

bool TcxDBDataField::IsLookup() const {
  TField* f = Field();
  return f && f->Lookup();
}

void TcxDBDataField::AddSubField(TcxDBDataField* AField) {
  if (AField->FOwnerComposite) RaiseControllerError("ADataField.FParentField <> nil");
  AField->FOwnerComposite = this;
  FSubFields.push_back(AField);
}

void TcxDBDataField::FreeSubFields() {
  std::vector<TcxDBDataField*> subs;
  subs.swap(FSubFields);
  for (TcxDBDataField* f : subs) {
    f->FOwnerComposite = nullptr;
    f->Free();
  }
}

void TcxDBDataField::Reassign(TcxCustomDataField* ASource) {
  TcxCustomDataField::Reassign(ASource);
  if (auto* source = dynamic_cast<TcxDBDataField*>(ASource)) {
    TField* f = source->FField;
    source->SetField(nullptr);
    SetField(f);
    FSubFields.swap(source->FSubFields);
    for (TcxDBDataField* s : FSubFields) s->FOwnerComposite = this;
    source->FSubFields.clear();
  }
}

void TcxDBDataField::RemoveNotification(TComponent* AComponent) {
  if (ReferenceField()) return;
  TcxCustomDataField::RemoveNotification(AComponent);
  if (AComponent != FField) return;
  TcxDBDataProvider* provider = DBController()->DBProvider();
  TDataSet* ds = provider->DataSet();
  if (provider->InFirst() && provider->DataLink()->Active() && ds && !ds->Active()) provider->SetFieldsRecreated(true);
  FField = nullptr;
}

bool TcxDBDataField::IsUnbound() {
  return !IsInternal() && FFieldName.empty() && !Field() && GetValueDef() != nullptr;
}

bool TcxDBDataField::CanModify(TcxDataEditValueSource AEditValueSource) {
  if (IsUnbound()) return TcxCustomDataField::CanModify(AEditValueSource);
  TField* f = Field();
  if (!TcxCustomDataField::CanModify(AEditValueSource) || !f) return false;
  if (f->Lookup()) {
    if (AEditValueSource != evsKey) return false;
    for (int32_t i = 0; i < FieldCount(); ++i)
      if (!SubFields(i)->CanModify(evsValue)) return false;
    return FieldCount() > 0;
  }
  return CanEditField(f, AEditValueSource == evsValue);
}

bool TcxDBDataField::SkipsInReader() {
  TcxDBDataController* dc = DBController();
  if (Field() && !dc->IsGridMode()) return false;
  if (IsUnbound() && dc->InUnboundCopy()) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Reader

namespace {
TField* DefField(TcxValueDef* ADef) {
  auto* f = dynamic_cast<TcxDBDataField*>(ADef->Link());
  return f ? f->Field() : nullptr;
}
}  // namespace

String TcxValueDefDBReader::ReadDefText(TcxValueDef* ADef) {
  if (TField* f = DefField(ADef)) return f->DisplayText();
  return TcxValueDefReader::ReadDefText(ADef);
}

Variant TcxValueDefDBReader::ReadDefValue(TcxValueDef* ADef) {
  if (TField* f = DefField(ADef)) {
    Variant v;
    GetFieldVariant(f, v);
    return v;
  }
  return TcxValueDefReader::ReadDefValue(ADef);
}

bool TcxValueDefDBReader::SkipsDef(TcxValueDef* ADef) {
  auto* f = dynamic_cast<TcxCustomDataField*>(ADef->Link());
  return !f || f->SkipsInReader();
}

// ---------------------------------------------------------------------------------------------------
// Controller: construction and class choices

TcxDBDataController::TcxDBDataController(TComponent* AOwner) : TcxCustomDataController(AOwner) {
  SetOptions(TcxDataControllerOptions{dcoAssignGroupingValues, dcoAssignMasterDetailKeys, dcoSaveExpanding});
}

void TcxDBDataController::AfterConstruction() {
  FFieldNotifier = New<TcxDBFieldNotifier>(nullptr, this);
  FDataModeController = New<TcxDBDataModeController>(this);
  TcxCustomDataController::AfterConstruction();
  SetOptions(TcxDataControllerOptions{dcoAssignGroupingValues, dcoAssignMasterDetailKeys, dcoSaveExpanding});
}

void TcxDBDataController::BeforeDestruction() {
  if (TcxDBDataProvider* p = DBProvider()) p->DataLink()->SetDataSource(nullptr);
  if (FKeyDataField) {
    TcxDBDataField* key = FKeyDataField;
    FKeyDataField = nullptr;
    key->Free();
  }
  // The fields outlive this part of the controller (the base frees them): their bindings go now.
  for (int32_t i = 0; i < Fields()->Count(); ++i)
    if (auto* f = dynamic_cast<TcxDBDataField*>(Fields()->Fields(i))) f->SetField(nullptr);
  TcxCustomDataController::BeforeDestruction();
  FDataModeController->Free();
  FDataModeController = nullptr;
  FFieldNotifier->Free();
  FFieldNotifier = nullptr;
}

void TcxDBDataController::Assign(TPersistent* ASource) {
  TcxCustomDataController::Assign(ASource);
  if (auto* source = dynamic_cast<TcxDBDataController*>(ASource)) {
    FDataModeController->Assign(source->FDataModeController);
    SetDataSource(source->DataSource());
    SetKeyFieldNames(source->FKeyFieldNames);
    FDetailKeyFieldNames = source->FDetailKeyFieldNames;
    FMasterKeyFieldNames = source->FMasterKeyFieldNames;
  }
}

TcxCustomDataProvider* TcxDBDataController::CreateDataProvider() { return New<TcxDBDataProvider>(this); }

TcxCustomDataField* TcxDBDataController::CreateField() { return New<TcxDBDataField>(Fields()); }

TcxDataFilterCriteria* TcxDBDataController::CreateFilter() { return New<TcxDBDataFilterCriteria>(this); }

TcxDBDataFilterCriteria* TcxDBDataController::Filter() const {
  return static_cast<TcxDBDataFilterCriteria*>(TcxCustomDataController::Filter());
}

TcxDBDataProvider* TcxDBDataController::DBProvider() const { return static_cast<TcxDBDataProvider*>(Provider()); }

// ---------------------------------------------------------------------------------------------------
// The dataset

TDataSource* TcxDBDataController::DataSource() const {
  return DBProvider() ? DBProvider()->DataLink()->DataSource() : nullptr;
}

void TcxDBDataController::SetDataSource(TDataSource* AValue) {
  if (DataSource() == AValue) return;
  DBProvider()->DataLink()->SetDataSource(AValue);
  DataSourceChanged();
}

TDataSet* TcxDBDataController::GetDataSet() const { return DBProvider() ? DBProvider()->DataSet() : nullptr; }

int32_t TcxDBDataController::GetDataSetRecordCount() const {
  TDataSet* ds = GetDataSet();
  return ds && ds->Active() ? ds->RecordCount() : 0;
}

int32_t TcxDBDataController::GetRecNo() const {
  TDataSet* ds = GetDataSet();
  return ds && ds->Active() ? ds->RecNo() : -1;
}

void TcxDBDataController::SetRecNo(int32_t AValue) {
  if (TDataSet* ds = GetDataSet()) ds->SetRecNo(AValue);
}

bool TcxDBDataController::IsSequenced() const {
  TDataSet* ds = GetDataSet();
  return ds && ds->IsSequenced();
}

// ---------------------------------------------------------------------------------------------------
// Summary items bound by field name

TCollectionItemClass TcxDBDataController::GetSummaryItemClass() { return TcxDBDataSummaryItem::StaticClass(); }

// Null while the item sits outside a dataset-bound controller, and while that controller is being torn
// down (its fields go with it then).
TcxDBDataController* TcxDBDataSummaryItem::DBController() {
  return dynamic_cast<TcxDBDataController*>(GetDataController());
}

void TcxDBDataSummaryItem::FreeBoundDataField() {
  TcxDBDataField* field = FBoundDataField;
  FBoundDataField = nullptr;
  TcxDBDataController* dc = DBController();
  if (!field || !dc || dc->IsDestroying()) return;
  dc->LockInfo();
  field->Free();
  dc->UnlockInfo();
}

void TcxDBDataSummaryItem::BeforeDestruction() {
  FreeBoundDataField();
  TcxDataSummaryItem::BeforeDestruction();
}

void TcxDBDataSummaryItem::SetFieldName(const String& AValue) {
  if (FFieldName == AValue) return;
  FFieldName = AValue;
  TcxDBDataController* dc = DBController();
  if (!dc) return;
  if (AValue.empty()) {
    FreeBoundDataField();
    dc->Change(dccData);
  } else {
    if (!FBoundDataField) FBoundDataField = static_cast<TcxDBDataField*>(dc->AddInternalField());
    dc->BindField(FBoundDataField, AValue, false);
  }
  // Another field means other values: recalculate, not just repaint.
  Changed(true);
}

TcxCustomDataField* TcxDBDataSummaryItem::GetDataField() {
  return FBoundDataField ? FBoundDataField : TcxDataSummaryItem::GetDataField();
}

void TcxDBDataSummaryItem::Assign(TPersistent* ASource) {
  auto* source = dynamic_cast<TcxDBDataSummaryItem*>(ASource);
  if (!source) {
    TcxDataSummaryItem::Assign(ASource);
    return;
  }
  TCollection* collection = Collection();
  if (collection) collection->BeginUpdate();
  TScopeExit unlock{[collection] {
    if (collection) collection->EndUpdate();
  }};
  TcxDataSummaryItem::Assign(source);
  SetFieldName(source->FieldName());
}

// ---------------------------------------------------------------------------------------------------
// Master-detail relations

TcxCustomDataRelation* TcxDBDataController::CreateRelation(TcxCustomDataRelationList* AList, TObject* AItem) {
  return New<TcxDBDataRelation>(AList, AItem);
}

TcxDBDataController* TcxDBDataRelation::MasterController() const {
  return dynamic_cast<TcxDBDataController*>(GetDataController());
}

TcxDBDataController* TcxDBDataRelation::DetailController() const {
  return dynamic_cast<TcxDBDataController*>(BoundDetailController());
}

bool TcxDBDataRelation::IsLinked() {
  TcxDBDataController* detail = DetailController();
  return FMasterKeyDataField && detail && !detail->DetailKeyFieldNames().empty();
}

void TcxDBDataRelation::FreeMasterKeyDataField() {
  TcxDBDataField* field = FMasterKeyDataField;
  FMasterKeyDataField = nullptr;
  TcxDBDataController* master = MasterController();
  if (!field || !master || master->IsDestroying()) return;
  master->LockInfo();
  field->Free();
  master->UnlockInfo();
}

void TcxDBDataRelation::UpdateMasterDetailKeyFieldNames() {
  TcxDBDataController* master = MasterController();
  if (!master || master->IsDestroying()) return;
  TcxDBDataController* detail = DetailController();
  const String names = detail ? detail->MasterKeyFieldNames() : String();
  if (names.empty()) {
    FreeMasterKeyDataField();
    return;
  }
  if (FMasterKeyDataField && FMasterKeyDataField->FieldName() == names) return;
  if (!FMasterKeyDataField) FMasterKeyDataField = static_cast<TcxDBDataField*>(master->AddInternalField());
  master->BindField(FMasterKeyDataField, names, false);
}

void TcxDBDataRelation::FieldDestroyed(TcxCustomDataField* AField) {
  TcxCustomDataRelation::FieldDestroyed(AField);
  if (AField == FMasterKeyDataField) FMasterKeyDataField = nullptr;
}

void TcxDBDataRelation::BeforeDestruction() {
  FreeMasterKeyDataField();
  TcxCustomDataRelation::BeforeDestruction();
}

Variant TcxDBDataController::GetMasterRecordKeyValues(TcxDBDataRelation* ARelation, int32_t ARecordIndex) {
  CheckRecordRange(ARecordIndex);
  if (!ARelation || !ARelation->IsLinked()) return Variant();
  TcxDBDataField* key = ARelation->MasterKeyDataField();
  std::vector<TcxCustomDataField*> fields;
  if (key->IsComposite())
    for (int32_t i = 0; i < key->FieldCount(); ++i) fields.push_back(key->SubFields(i));
  else
    fields.push_back(key);
  return GetRecordValues(ARecordIndex, fields);
}

void TcxDBDataController::SetMasterRelation(TcxCustomDataRelation* ARelation, int32_t AMasterRecordIndex) {
  LockInfo();
  TScopeExit unlock{[this] { UnlockInfo(); }};
  // Whatever this controller held of the dataset before, it starts at its new place without it.
  if (TcxDBDataProvider* p = DBProvider()) p->FDataSetCurrent = false;
  TcxCustomDataController::SetMasterRelation(ARelation, AMasterRecordIndex);
  FMasterKeyValues = Variant();
  auto* relation = dynamic_cast<TcxDBDataRelation*>(ARelation);
  if (!relation) return;
  if (AMasterRecordIndex == -1) {
    // The pattern names the master's key field.
    relation->UpdateMasterDetailKeyFieldNames();
    return;
  }
  auto* master = dynamic_cast<TcxDBDataController*>(relation->GetDataController());
  FMasterKeyValues = master ? master->GetMasterRecordKeyValues(relation, AMasterRecordIndex) : Variant();
  LayoutChanged(2);
}

void TcxDBDataController::SetMasterKeyFieldNames(const String& AValue) {
  if (FMasterKeyFieldNames == AValue) return;
  FMasterKeyFieldNames = AValue;
  if (auto* relation = dynamic_cast<TcxDBDataRelation*>(GetMasterRelation())) relation->UpdateMasterDetailKeyFieldNames();
}

void TcxDBDataController::SetDetailKeyFieldNames(const String& AValue) {
  if (FDetailKeyFieldNames == AValue) return;
  FDetailKeyFieldNames = AValue;
  if (auto* relation = dynamic_cast<TcxDBDataRelation*>(GetMasterRelation())) relation->UpdateMasterDetailKeyFieldNames();
}

void TcxDBDataController::DetailDataChanged(TcxCustomDataRelation* ARelation) {
  TcxCustomDataController::DetailDataChanged(ARelation);
  if (IsDestroying() || !Relations()) return;
  for (int32_t i = 0; i < Relations()->Count(); ++i)
    if (auto* relation = dynamic_cast<TcxDBDataRelation*>(Relations()->Items(i))) relation->UpdateMasterDetailKeyFieldNames();
}
