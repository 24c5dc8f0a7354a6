// Record objects, the view data that makes them on first use, the record changes and the record hit tests.

#include "ui/grid/cxGridRecords.h"

#include <algorithm>

#include "rtl/SysUtils.h"
#include "ui/grid/cxGridCells.h"
#include "ui/grid/cxGridDataController.h"

namespace {

constexpr uint16_t kImeProcessKey = 229;
constexpr char32_t kCtrlV = 22;
constexpr char32_t kCtrlX = 24;
constexpr char32_t kBackspace = 8;

}  // namespace

// ---- TcxCustomGridRecord ---------------------------------------------------------------------------------------

TcxCustomGridView* TcxCustomGridRecord::GridView() const { return FViewData->GridView(); }

TcxCustomDataController* TcxCustomGridRecord::DataController() const { return FViewData->DataController(); }

IcxGridDataOwner* TcxCustomGridRecord::DataOwner() const { return FViewData->DataOwner(); }

bool TcxCustomGridRecord::GetFocused() {
  IcxGridDataOwner* owner = DataOwner();
  return owner && owner->DrawRecordFocused(this);
}

bool TcxCustomGridRecord::GetSelectedDrawing() {
  IcxGridDataOwner* owner = DataOwner();
  return owner && owner->DrawRecordSelected(this);
}

bool TcxCustomGridRecord::GetIsLast() { return FIndex == FViewData->RecordCount() - 1; }

TcxCustomGridRecord* TcxCustomGridRecord::GetParentRecord() {
  if (FRowInfo.Level == 0) {
    TcxCustomGridView* view = GridView();
    if (!view->IsDetail()) return nullptr;
    TcxCustomGridView* master = view->MasterGridView();
    auto* masterData = master ? dynamic_cast<TcxCustomGridTableViewData*>(master->ViewData()) : nullptr;
    return masterData ? masterData->GetRecordByRecordIndex(view->MasterRecordIndex()) : nullptr;
  }
  for (int32_t i = FIndex - 1; i >= 0; --i) {
    TcxCustomGridRecord* record = FViewData->GetRecord(i);
    if (record->Level() < FRowInfo.Level) return record;
  }
  return nullptr;
}

bool TcxCustomGridRecord::GetSelected() {
  if (IsNewItemRecord()) return DataController()->IsNewItemRowFocused();
  return DataController()->IsRowSelected(FIndex);
}

bool TcxCustomGridRecord::GetVisible() {
  if (IsNewItemRecord()) return true;
  TcxCustomGridCellViewInfo* viewInfo = ViewInfo();
  return viewInfo && viewInfo->GetVisible();
}

void TcxCustomGridRecord::SetSelected(bool Value) {
  if (IsNewItemRecord()) {
    if (DataController()->IsNewItemRowFocused() != Value) DataController()->SetNewItemRowFocused(Value);
    return;
  }
  if (IcxGridDataOwner* owner = DataOwner()) owner->ChangeRecordSelection(this, Value);
}

String TcxCustomGridRecord::GetDisplayText(int32_t AIndex) {
  int32_t itemIndex = AIndex;
  return DataController()->GetRowDisplayText(FRowInfo, itemIndex);
}

int32_t TcxCustomGridRecord::GetValueCount() { return DataController()->GetItemCount(); }

Variant TcxCustomGridRecord::GetValue(int32_t AIndex) { return DataController()->GetRowValue(FRowInfo, AIndex); }

void TcxCustomGridRecord::SetDisplayText(int32_t AIndex, const String& Value) {
  DataController()->SetDisplayText(FRowInfo.RecordIndex, AIndex, Value);
}

void TcxCustomGridRecord::SetValue(int32_t AIndex, const Variant& Value) {
  DataController()->SetValue(FRowInfo.RecordIndex, AIndex, Value);
}

bool TcxCustomGridRecord::CanFocus() {
  IcxGridDataOwner* owner = DataOwner();
  return !owner || owner->CanFocusRecord(FRowInfo.RecordIndex);
}

void TcxCustomGridRecord::Invalidate(TObject* AItem) {
  GridView()->AddChange(New<TcxGridRecordChange>(GridView(), this, FRowInfo.RecordIndex, AItem));
}

void TcxCustomGridRecord::KeyDown(uint16_t& AKey, TShiftState AShift) {
  IcxGridDataOwner* owner = DataOwner();
  if (AKey == VK_RETURN || AKey == VK_F2 || AKey == kImeProcessKey) {
    const bool shiftAllowed = AShift.Empty() || (AKey == VK_RETURN && AShift == TShiftState{ssShift});
    if (GetHasCells() && owner && owner->HasFocusedItem() && shiftAllowed) {
      const bool started = owner->StartFocusedItemEditing();
      if (started && AKey != kImeProcessKey) AKey = 0;
    }
    return;
  }
  if (AKey == VK_ADD || AKey == VK_SUBTRACT) {
    if (!GetExpandable()) return;
    FExpandKeyHandled = true;
    const bool expand = AKey == VK_ADD;
    if (expand != GetExpanded()) {
      if (expand)
        Expand(false);
      else
        Collapse(false);
    }
    AKey = 0;
  }
}

void TcxCustomGridRecord::KeyPress(char32_t& AKey) {
  const bool typed = AKey == kBackspace || AKey == kCtrlV || AKey == kCtrlX || (AKey >= 32 && AKey <= 255);
  if (!typed) return;
  IcxGridDataOwner* owner = DataOwner();
  if (GetHasCells() && owner && owner->HasFocusedItem()) {
    owner->StartFocusedItemEditingByKey(AKey);
    AKey = 0;
  }
}

void TcxCustomGridRecord::Expand(bool ARecursive) {
  if (GetExpandable()) DoExpand(ARecursive);
}

void TcxCustomGridRecord::Collapse(bool ARecursive) {
  if (GetExpandable()) DoCollapse(ARecursive);
}

void TcxCustomGridRecord::SetExpanded(bool Value) {
  if (GetExpanded() == Value) return;
  if (Value)
    Expand(false);
  else
    Collapse(false);
}

bool TcxCustomGridRecord::IsNewItemRecord() const { return FViewData->NewItemRecord() == this; }

bool TcxCustomGridRecord::IsEditing() const { return FViewData->EditingRecord() == this; }

bool TcxCustomGridRecord::IsValid() const {
  return FRowInfo.RecordIndex >= 0 && FRowInfo.RecordIndex < DataController()->GetRecordCount();
}

bool TcxCustomGridRecord::Focused() const {
  IcxGridDataOwner* owner = DataOwner();
  return owner && owner->GetFocusedRecord() == this;
}

void TcxCustomGridRecord::MakeVisible() {
  if (IcxGridDataOwner* owner = DataOwner()) owner->MakeRecordVisible(this);
}

void TcxCustomGridRecord::Focus(bool AFocused) {
  if (IcxGridDataOwner* owner = DataOwner()) owner->SetFocusedRecord(AFocused ? this : nullptr);
}

void TcxCustomGridRecord::RefreshRecordInfo() {
  if (IsNewItemRecord())
    FRowInfo = TcxRowInfo{false, 0, DataController()->GetNewItemRecordIndex()};
  else
    FRowInfo = DataController()->GetRowInfo(FIndex);
}

int32_t TcxCustomGridRecord::GetLastParentRecordCount() {
  int32_t result = 0;
  for (int32_t i = 0; i < FRowInfo.Level; ++i) {
    bool last = GetIsLast();
    if (!last) {
      TcxCustomGridRecord* next = FViewData->RecordAt(FIndex + 1);
      last = next && next->Level() < FRowInfo.Level - i;
    }
    if (!last) break;
    ++result;
  }
  return result;
}

// ---- TcxCustomGridTableViewData ----------------------------------------------------------------------------------

TcxCustomGridTableViewData::~TcxCustomGridTableViewData() = default;

void TcxCustomGridTableViewData::BeforeDestruction() {
  DestroyNewItemRecord();
  DestroyRecords();
  inherited::BeforeDestruction();
}

IcxGridDataOwner* TcxCustomGridTableViewData::DataOwner() const { return dynamic_cast<IcxGridDataOwner*>(GridView()); }

TcxCustomGridRecord* TcxCustomGridTableViewData::GetRecord(int32_t AIndex) {
  if (AIndex < 0 || AIndex >= RecordCount()) throw EListError("List index out of bounds (" + IntToStr(AIndex) + ")");
  TcxCustomGridRecord*& record = FRecords[static_cast<size_t>(AIndex)];
  if (!record) {
    const TcxRowInfo info = DataController()->GetRowInfo(AIndex);
    record = GetRecordClass(info).Create(this, info, AIndex);
  }
  return record;
}

TcxCustomGridRecord* TcxCustomGridTableViewData::RecordAt(int32_t AIndex) {
  return AIndex >= 0 && AIndex < RecordCount() ? GetRecord(AIndex) : nullptr;
}

bool TcxCustomGridTableViewData::HasRecordAt(int32_t AIndex) const {
  return AIndex >= 0 && AIndex < RecordCount() && FRecords[static_cast<size_t>(AIndex)] != nullptr;
}

TcxCustomGridRecord* TcxCustomGridTableViewData::GetRecordByRecordIndex(int32_t ARecordIndex) {
  TcxCustomDataController* dataController = DataController();
  if (FNewItemRecord && ARecordIndex == dataController->GetNewItemRecordIndex()) return FNewItemRecord;
  if (ARecordIndex < 0 || ARecordIndex >= dataController->GetRecordCount()) return nullptr;
  return RecordAt(dataController->GetRowIndexByRecordIndex(ARecordIndex, false));
}

TcxCustomGridRecord* TcxCustomGridTableViewData::GetEditingRecord() {
  TcxCustomDataController* dataController = DataController();
  if (!dataController->IsEditing()) return nullptr;
  return GetRecordByRecordIndex(dataController->GetEditingRecordIndex());
}

void TcxCustomGridTableViewData::DestroyRecords() {
  std::vector<TcxCustomGridRecord*> records;
  records.swap(FRecords);
  FEditingRecord = nullptr;
  for (TcxCustomGridRecord* record : records) FreeObject(record);
}

void TcxCustomGridTableViewData::CreateNewItemRecord() {
  TcxCustomGridRecordClass cls = GetNewItemRecordClass();
  if (!cls) return;
  FNewItemRecord = cls.Create(this, TcxRowInfo{}, -1);
  FNewItemRecord->RefreshRecordInfo();
}

void TcxCustomGridTableViewData::DestroyNewItemRecord() {
  if (FEditingRecord == FNewItemRecord) FEditingRecord = nullptr;
  FreeAndNil(FNewItemRecord);
}

void TcxCustomGridTableViewData::CheckNewItemRecord() {
  if (HasNewItemRecord()) {
    if (!FNewItemRecord) CreateNewItemRecord();
  } else
    DestroyNewItemRecord();
}

void TcxCustomGridTableViewData::Refresh(int32_t ARecordCount) {
  if (FNewItemRecord) {
    DestroyNewItemRecord();
    CreateNewItemRecord();
  }
  DestroyRecords();
  FRecords.assign(static_cast<size_t>(std::max(ARecordCount, 0)), nullptr);
  FEditingRecord = GetEditingRecord();
  GridView()->InvalidateSize(GridView()->IsPattern(), false);
}

void TcxCustomGridTableViewData::RefreshRecords() {
  if (FNewItemRecord) FNewItemRecord->RefreshRecordInfo();
  for (TcxCustomGridRecord* record : FRecords)
    if (record) record->RefreshRecordInfo();
  FEditingRecord = GetEditingRecord();
}

void TcxCustomGridTableViewData::CollapseAll(bool ARecursive) {
  for (int32_t i = RecordCount() - 1; i >= 0; --i)
    if (TcxCustomGridRecord* record = RecordAt(i)) record->Collapse(ARecursive);
}

void TcxCustomGridTableViewData::ExpandAll(bool ARecursive) {
  // Expanding adds rows after the record; the count is read again each time.
  for (int32_t i = 0; i < RecordCount(); ++i)
    if (TcxCustomGridRecord* record = RecordAt(i)) record->Expand(ARecursive);
}

// ---- changes ---------------------------------------------------------------------------------------------------

void TcxGridDataChange::Run() {
  if (auto* owner = dynamic_cast<IcxGridDataOwner*>(GridView())) owner->ApplyDataChange();
}

bool TcxGridRecordChange::SameAs(TcxCustomGridChange* AChange) {
  if (!inherited::SameAs(AChange)) return false;
  auto* other = static_cast<TcxGridRecordChange*>(AChange);
  return other->FRecord == FRecord && other->FRecordIndex == FRecordIndex && other->FItem == FItem;
}

bool TcxGridRecordChange::IsCoveredBy(TcxCustomGridChange* AChange) {
  if (!GridView()) return false;
  if (auto* layout = dynamic_cast<TcxGridLayoutChange*>(AChange)) return layout->GridView() == GridView();
  if (auto* size = dynamic_cast<TcxGridSizeChange*>(AChange)) return size->GridView() == GridView();
  return false;
}

void TcxGridRecordChange::Run() {
  TcxCustomGridView* view = GridView();
  auto* owner = dynamic_cast<IcxGridDataOwner*>(view);
  if (!owner) return;
  TcxCustomGridCellViewInfo* recordViewInfo = owner->FindRecordViewInfo(FRecord);
  if (!recordViewInfo) return;
  if (FItem) {
    if (owner->IndexOfItem(FItem) == -1) return;
    auto* item = dynamic_cast<IcxGridDataItem*>(FItem);
    if (!item || !item->GetVisible()) return;
  }
  if (!view->IsVisible()) return;
  RECT r{};
  if (owner->GetRecordRepaintBounds(recordViewInfo, FItem, r)) view->InvalidateRect(r);
}

void TcxGridFocusedRecordChange::Run() {
  TcxCustomGridView* view = GridView();
  auto* owner = dynamic_cast<IcxGridDataOwner*>(view);
  auto* viewData = dynamic_cast<TcxCustomGridTableViewData*>(view->ViewData());
  if (!owner || !viewData || !view->IsVisible()) return;
  owner->MakeFocusedRecordVisible();
  if (TcxCustomGridRecord* previous = viewData->RecordAt(FPrevFocusedRowIndex)) previous->Invalidate();
  if (TcxCustomGridRecord* focused = viewData->RecordAt(FFocusedRowIndex)) focused->Invalidate();
  if (FNewItemRowFocusingChanged && viewData->NewItemRecord()) viewData->NewItemRecord()->Invalidate();
}

// ---- TcxGridRecordHitTest ----------------------------------------------------------------------------------------

TcxCustomGridRecord* TcxGridRecordHitTest::GridRecord() const {
  if (!FViewData) return nullptr;
  if (FIsNewItemRecord) return FViewData->NewItemRecord();
  return FViewData->RecordAt(FRecordIndex);
}

void TcxGridRecordHitTest::SetGridRecord(TcxCustomGridRecord* Value) {
  if (!Value) {
    FViewData = nullptr;
    FRecordIndex = -1;
    FIsNewItemRecord = false;
    return;
  }
  FViewData = Value->ViewData();
  FRecordIndex = Value->Index();
  FIsNewItemRecord = Value->IsNewItemRecord();
}
