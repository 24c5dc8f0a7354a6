#pragma once
// The grid tests' pieces: a minimal view (a list of its records' first values, one 20-pixel cell per row)
// built on the grid's spine with the grid data controller, its items, records and cells, and a fixture with
// a headless form and the grid unit started.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "rtl/Units.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/grid/cxGrid.h"
#include "ui/grid/cxGridCells.h"
#include "ui/grid/cxGridCustomView.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridCustomViewInfo.h"
#include "ui/grid/cxGridDataController.h"
#include "ui/grid/cxGridLevel.h"
#include "ui/grid/cxGridRecords.h"
#include "winapi/Headless.h"

namespace grid_test {

class TTestView;

inline uint32_t Rgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | uint32_t(GetBValue(v));
}

// ---- items ---------------------------------------------------------------------------------------------------

class TTestItem : public TComponent, public IcxGridDataItem {
  RTL_CLASS(TTestItem, TComponent)
public:
  explicit TTestItem(TComponent* AOwner) : TComponent(AOwner) {}
  void BeforeDestruction() override;
  // Joins AView: a field in its data controller, then a data binding of the controller's class.
  void Setup(TTestView* AView, int32_t AID);

  TcxGridItemDataBinding* Binding = nullptr;
  TTestView* View = nullptr;
  int32_t ID = 0;
  String ItemCaption;
  bool Visible = true;
  bool FilterMRU = true;
  TcxCustomEditProperties* Properties = nullptr;
  std::function<void(int32_t, String&)> OnGetDataText;
  int ValueTypeChanges = 0;
  int DataChanges = 0;

  int32_t GetID() override { return ID; }
  String GetCaption() override { return ItemCaption; }
  TcxCustomGridView* GetGridView() override;
  TcxGridItemDataBinding* GetDataBinding() override { return Binding; }
  TcxCustomEditProperties* GetProperties() override { return Properties; }
  void DoGetDataText(int32_t ARecordIndex, String& AText) override {
    if (OnGetDataText) OnGetDataText(ARecordIndex, AText);
  }
  bool HasDataTextHandler() override { return static_cast<bool>(OnGetDataText); }
  bool GetSortByDisplayText(bool ADefault) override { return ADefault; }
  void ValueTypeClassChanged() override { ++ValueTypeChanges; }
  void BindingDataChanged() override { ++DataChanges; }
  void DoGetFilterDisplayText(const Variant&, String&) override {}
  void DoGetFilterValues(TcxDataFilterValueList*) override {}
  bool GetFilteringMRUItemsList() override { return FilterMRU; }
  bool GetVisible() override { return Visible; }
};

// ---- cells, records, handlers --------------------------------------------------------------------------------------

class TTestCellHitTest : public TcxCustomGridViewHitTest {
  RTL_CLASS(TTestCellHitTest, TcxCustomGridViewHitTest)
public:
  static constexpr int32_t Code = 300;
  int32_t GetHitTestCode() const override { return Code; }
  TCursor GetCursor() const override { return crcxGridSelectRow; }
};

class TTestCell : public TcxCustomGridViewCellViewInfo {
  RTL_CLASS(TTestCell, TcxCustomGridViewCellViewInfo)
public:
  TTestCell(TcxCustomGridViewInfo* AViewInfo, const String& AText) : TcxCustomGridViewCellViewInfo(AViewInfo), CellText(AText) {}
  String CellText;
  bool Handles = true;
  bool KeepsPressed = false;
  bool Captures = true;
  bool Hint = false;
  int Clicks = 0;
  int32_t Width = 100;

  int32_t CalculateHeight() override { return 20; }
  int32_t CalculateWidth() override { return Width; }
  TClass GetHitTestClass() override { return TTestCellHitTest::StaticClass(); }
  void GetText(String& AText) override { AText = CellText; }
  void GetViewParams(TcxViewParamsRec& AParams) override;
  bool HandlesMouse() override { return Handles; }
  bool KeepsPressedState() override { return KeepsPressed; }
  bool CapturesMouseWhenPressed() override { return Captures; }
  bool HasHint() override { return Hint; }
  TcxBorders GetBorders() override { return TcxBorders{bBottom}; }
  int32_t GetBorderWidth(TcxBorder) override { return 1; }
  TColor GetBorderColor(TcxBorder) override { return clBtnShadow; }
  void Click() override { ++Clicks; }
};

class TTestRecord : public TcxCustomGridRecord {
  RTL_CLASS(TTestRecord, TcxCustomGridRecord)
public:
  using TcxCustomGridRecord::TcxCustomGridRecord;
  bool Expandable = false;
  bool Expanded = false;
  bool GetExpandable() override { return Expandable; }
  bool GetExpanded() override { return Expanded; }
  void DoExpand(bool) override { Expanded = true; }
  void DoCollapse(bool) override { Expanded = false; }
  bool GetHasCells() override { return true; }
  TcxCustomGridViewInfoCacheItemClass GetViewInfoCacheItemClass() override {
    return TcxCustomGridViewInfoCacheItemClass::Of<TcxCustomGridViewInfoCacheItem>();
  }
  TClass GetViewInfoClass() override { return TTestCell::StaticClass(); }
};

class TTestViewData : public TcxCustomGridTableViewData {
  RTL_CLASS(TTestViewData, TcxCustomGridTableViewData)
public:
  using TcxCustomGridTableViewData::TcxCustomGridTableViewData;
  TcxCustomGridRecordClass GetRecordClass(const TcxRowInfo&) override { return TcxCustomGridRecordClass::Of<TTestRecord>(); }
};

class TTestCacheItem : public TcxCustomGridViewInfoCacheItem {
  RTL_CLASS(TTestCacheItem, TcxCustomGridViewInfoCacheItem)
public:
  using TcxCustomGridViewInfoCacheItem::TcxCustomGridViewInfoCacheItem;
  int Unassigned = 0;
  void UnassignValues(bool) override { ++Unassigned; }
};

class TTestViewInfoCache : public TcxCustomGridViewInfoCache {
  RTL_CLASS(TTestViewInfoCache, TcxCustomGridViewInfoCache)
public:
  using TcxCustomGridViewInfoCache::TcxCustomGridViewInfoCache;
  TcxCustomGridViewInfoCacheItemClass GetItemClass(int32_t) override {
    return TcxCustomGridViewInfoCacheItemClass::Of<TTestCacheItem>();
  }
};

// One cell per row, 20 pixels high, showing the row's value of the first item.
class TTestViewInfo : public TcxCustomGridViewInfo {
  RTL_CLASS(TTestViewInfo, TcxCustomGridViewInfo)
public:
  using TcxCustomGridViewInfo::TcxCustomGridViewInfo;
  static constexpr int32_t RowHeight = 20;
  std::vector<TTestCell*> Cells;
  int Calculations = 0;
  // Makes each new cell (flags of the state-machine tests).
  std::function<void(TTestCell*)> OnCellMade;
  void DestroyViewInfos(bool AIsRecreating) override;
  void Calculate() override;
  TcxCustomGridHitTest* GetHitTest(POINT P) override;
  void GetSiteHeight(SIZE AMaxSize, int32_t& AHeight, bool& AFullyVisible) override;
};

class TTestPainter : public TcxCustomGridPainter {
  RTL_CLASS(TTestPainter, TcxCustomGridPainter)
public:
  using TcxCustomGridPainter::TcxCustomGridPainter;
  int Paints = 0;
  void PaintContent() override;
};

// ---- the view --------------------------------------------------------------------------------------------------

class TTestView : public TcxCustomGridView, public IcxGridDataOwner {
  RTL_CLASS(TTestView, TcxCustomGridView)
  RTL_PUBLISHED_DECL
public:
  explicit TTestView(TComponent* AOwner) : TcxCustomGridView(AOwner) {}
  void BeforeDestruction() override;

  // ---- published ----
  // The items' value types, comma separated; setting makes the items anew.
  String ValueTypes() const { return FValueTypes; }
  void SetValueTypes(const String& Value);
  TcxGridDataController* GetDataController() const { return static_cast<TcxGridDataController*>(DataController()); }
  void SetDataController(TcxGridDataController* Value) { DataController()->Assign(Value); }
  // A plain value of the view that pattern and clones keep equal.
  int32_t Marker() const { return FMarker; }
  void SetMarker(int32_t Value);

  std::vector<TTestItem*> Items;
  std::set<int32_t> ShownDetails;  // master records whose details the view shows
  bool FilterMRUItemsList = true;
  int32_t FilterMRUItemsListCount = 5;
  int32_t FocusedRowIndex = -1;
  int DataChanges = 0;
  int LayoutNotifications = 0;

  TTestViewInfo* TestViewInfo() const { return static_cast<TTestViewInfo*>(ViewInfo()); }
  TTestPainter* TestPainter() const { return static_cast<TTestPainter*>(Painter()); }
  TTestViewData* TestViewData() const { return static_cast<TTestViewData*>(ViewData()); }

  // ---- the view ----
  TClass GetControllerClass() override { return TcxCustomGridController::StaticClass(); }
  TClass GetDataControllerClass() override { return TcxGridDataController::StaticClass(); }
  TClass GetPainterClass() override { return TTestPainter::StaticClass(); }
  TClass GetViewDataClass() override { return TTestViewData::StaticClass(); }
  TClass GetViewInfoClass() override { return TTestViewInfo::StaticClass(); }
  TClass GetViewInfoCacheClass() override { return TTestViewInfoCache::StaticClass(); }
  bool CanShowDetail(TcxCustomGridView* ADetailView) override {
    return ShownDetails.count(ADetailView->MasterRecordIndex()) != 0;
  }
  void AssignProperties(TcxCustomGridView* ASource) override;
  void UpdateFromDataController(TcxUpdateControlInfo* AInfo) override;

  // ---- IcxGridDataOwner ----
  int32_t GetItemCount() override { return static_cast<int32_t>(Items.size()); }
  TObject* GetItem(int32_t AIndex) override { return Items.at(static_cast<size_t>(AIndex)); }
  int32_t IndexOfItem(TObject* AItem) override;
  bool CanSelectRecord(int32_t) override { return true; }
  TCollectionItemClass GetSummaryItemClass() override { return nullptr; }
  TCollectionItemClass GetSummaryGroupItemLinkClass() override { return nullptr; }
  void FilterChanged() override {}
  void UpdateEditingValue() override {}
  bool IsFirstRecordFocused() override { return FocusedRowIndex == 0; }
  bool IsLastRecordFocused() override { return FocusedRowIndex == DataController()->GetRowCount() - 1; }
  bool GetFilterMRUItemsList() override { return FilterMRUItemsList; }
  int32_t GetFilterMRUItemsListCount() override { return FilterMRUItemsListCount; }
  bool DrawRecordFocused(TcxCustomGridRecord* ARecord) override { return ARecord->Index() == FocusedRowIndex && Focused(); }
  bool DrawRecordSelected(TcxCustomGridRecord* ARecord) override { return ARecord->GetSelected(); }
  bool CanFocusRecord(int32_t) override { return true; }
  TcxCustomGridRecord* GetFocusedRecord() override { return TestViewData()->RecordAt(FocusedRowIndex); }
  void SetFocusedRecord(TcxCustomGridRecord* ARecord) override { FocusedRowIndex = ARecord ? ARecord->Index() : -1; }
  void MakeRecordVisible(TcxCustomGridRecord*) override {}
  void ChangeRecordSelection(TcxCustomGridRecord*, bool) override {}
  void MakeFocusedRecordVisible() override {}
  bool HasFocusedItem() override { return !Items.empty(); }
  bool StartFocusedItemEditing() override { ++EditStarts; return true; }
  void StartFocusedItemEditingByKey(char32_t AKey) override { EditKeys.push_back(AKey); }
  void ApplyDataChange() override;
  TcxCustomGridCellViewInfo* FindRecordViewInfo(TcxCustomGridRecord* ARecord) override;
  bool GetRecordRepaintBounds(TcxCustomGridCellViewInfo* ARecordViewInfo, TObject*, RECT& R) override {
    R = ARecordViewInfo->Bounds();
    return true;
  }
  int EditStarts = 0;
  std::vector<char32_t> EditKeys;

private:
  void FreeItems();
  String FValueTypes;
  int32_t FMarker = 0;
};

// ---- the fixture ------------------------------------------------------------------------------------------------

class GridTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  TcxGrid* MakeGrid(int32_t AWidth = 300, int32_t AHeight = 200);
  TTestView* MakeView(TcxCustomGrid* AGrid);
  // A level under AParent (a grid for a top level, or a level) showing AView.
  TcxGridLevel* AddLevel(TComponent* AParent, TcxCustomGridView* AView);
  // Fills the first item of AView with the texts.
  static void Fill(TTestView* AView, const std::vector<String>& ATexts);

  static void Idle() { headless::RunUntilIdle(); }
  static void Advance(uint32_t ms) {
    headless::AdvanceClock(ms);
    headless::RunUntilIdle();
  }
  static void MoveTo(TControl* c, int x, int y) {
    POINT p = c->ClientToScreen(POINT{x, y});
    headless::MouseMove(p.x, p.y);
    Idle();
  }

  TForm* Form = nullptr;
};

}  // namespace grid_test
