#pragma once
// Records and view data. A table view copies no data: the data controller keeps the records and the visible
// rows; the view data gives each row a record object on first use and hands those out to the controller,
// the view infos and the painters. Record objects live until the next refresh, so hit tests keep row
// indexes, never records. The three changes here are how records and data ask for repainting, and the hit
// tests stand for the filter box, records, cells, expand buttons and the customization form.

#include <cstdint>
#include <vector>

#include "rtl/ObjLinks.h"
#include "rtl/Variants.h"
#include "ui/data/cxCustomData.h"
#include "ui/grid/cxGridCustomView.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridCustomViewInfo.h"

class IcxGridDataOwner;
class TcxCustomGridCellViewInfo;
class TcxCustomGridRecord;
class TcxCustomGridTableViewData;

using TcxCustomGridRecordClass = TcxGridClassRef<TcxCustomGridRecord, TcxCustomGridTableViewData*, TcxRowInfo, int32_t>;

// ---- records ---------------------------------------------------------------------------------------------------

class TcxCustomGridRecord : public TObject {
  RTL_CLASS(TcxCustomGridRecord, TObject)
public:
  TcxCustomGridRecord(TcxCustomGridTableViewData* AViewData, TcxRowInfo ARowInfo, int32_t AIndex)
      : FViewData(AViewData), FIndex(AIndex), FRowInfo(ARowInfo) {}

  TcxCustomGridTableViewData* ViewData() const { return FViewData; }
  TcxCustomGridView* GridView() const;
  TcxCustomDataController* DataController() const;
  IcxGridDataOwner* DataOwner() const;
  // The row index (-1 for the new-item record).
  int32_t Index() const { return FIndex; }
  const TcxRowInfo& RowInfo() const { return FRowInfo; }
  int32_t Level() const { return FRowInfo.Level; }
  int32_t RecordIndex() const { return FRowInfo.RecordIndex; }
  // The record view info that paints the record now (it clears itself when it goes).
  TcxCustomGridCellViewInfo* ViewInfo() const { return FViewInfo.Get(); }
  void SetViewInfo(TcxCustomGridCellViewInfo* Value) { FViewInfo = Value; }
  // Set when + or - expanded or collapsed the record, so that the key's character is not typed too.
  bool ExpandKeyHandled() const { return FExpandKeyHandled; }
  void SetExpandKeyHandled(bool Value) { FExpandKeyHandled = Value; }

  virtual void DoCollapse(bool ARecursive) { (void)ARecursive; }
  virtual void DoExpand(bool ARecursive) { (void)ARecursive; }
  virtual bool GetExpandable() { return false; }
  virtual bool GetExpanded() { return false; }
  virtual bool GetFocused();
  virtual bool GetSelectedDrawing();
  virtual bool GetHasCells() { return false; }
  virtual bool GetCanFocusCells() { return true; }
  virtual bool GetIsFirst() { return FIndex == 0; }
  virtual bool GetIsLast();
  virtual bool GetIsData() { return false; }
  virtual TcxCustomGridRecord* GetParentRecord();
  virtual bool GetSelected();
  virtual bool GetVisible();
  virtual void SetSelected(bool Value);
  virtual String GetDisplayText(int32_t AIndex);
  virtual int32_t GetValueCount();
  virtual Variant GetValue(int32_t AIndex);
  virtual void SetDisplayText(int32_t AIndex, const String& Value);
  virtual void SetValue(int32_t AIndex, const Variant& Value);
  virtual TcxCustomGridViewInfoCacheItemClass GetViewInfoCacheItemClass() = 0;
  // The class of the record's view info.
  virtual TClass GetViewInfoClass() = 0;
  virtual bool CanFocus();
  virtual TcxCustomGridRecord* GetFirstFocusableChild() { return nullptr; }
  virtual TcxCustomGridRecord* GetLastFocusableChild(bool ARecursive) { (void)ARecursive; return nullptr; }
  // Repaints the record, or only its cell of AItem, through the view's change queue.
  virtual void Invalidate(TObject* AItem = nullptr);
  virtual void KeyDown(uint16_t& AKey, TShiftState AShift);
  virtual void KeyPress(char32_t& AKey);

  void Expand(bool ARecursive);
  void Collapse(bool ARecursive);
  void SetExpanded(bool Value);
  bool IsNewItemRecord() const;
  bool IsEditing() const;
  bool IsValid() const;
  bool HasViewInfo() const { return ViewInfo() != nullptr; }
  bool Focused() const;
  void MakeVisible();
  void RefreshRecordInfo();
  int32_t GetLastParentRecordCount();
  void Focus(bool AFocused = true);

private:
  TcxCustomGridTableViewData* FViewData;
  int32_t FIndex;
  TcxRowInfo FRowInfo;
  TObjectLink<TcxCustomGridCellViewInfo> FViewInfo;
  bool FExpandKeyHandled = false;
};

// ---- view data -------------------------------------------------------------------------------------------------

class TcxCustomGridTableViewData : public TcxCustomGridViewData {
  RTL_CLASS(TcxCustomGridTableViewData, TcxCustomGridViewData)
public:
  using TcxCustomGridViewData::TcxCustomGridViewData;
  ~TcxCustomGridTableViewData() override;
  void BeforeDestruction() override;

  IcxGridDataOwner* DataOwner() const;
  virtual TcxCustomGridRecordClass GetRecordClass(const TcxRowInfo& ARowInfo) = 0;
  // No new-item record in the base.
  virtual TcxCustomGridRecordClass GetNewItemRecordClass() { return TcxCustomGridRecordClass(); }
  // Drops every record object and makes room for ARecordCount.
  virtual void Refresh(int32_t ARecordCount);
  virtual bool HasNewItemRecord() { return false; }

  // The record object of a row, made on first use.
  TcxCustomGridRecord* GetRecord(int32_t AIndex);
  // As GetRecord; nil outside 0..count-1.
  TcxCustomGridRecord* RecordAt(int32_t AIndex);
  bool HasRecordAt(int32_t AIndex) const;
  TcxCustomGridRecord* GetRecordByRecordIndex(int32_t ARecordIndex);
  TcxCustomGridRecord* GetEditingRecord();
  TcxCustomGridRecord* EditingRecord() const { return FEditingRecord; }
  TcxCustomGridRecord* NewItemRecord() const { return FNewItemRecord; }
  int32_t RecordCount() const { return static_cast<int32_t>(FRecords.size()); }
  void CollapseAll(bool ARecursive);
  void ExpandAll(bool ARecursive);
  void DestroyRecords();
  void RefreshRecords();
  void CheckNewItemRecord();

private:
  void CreateNewItemRecord();
  void DestroyNewItemRecord();
  std::vector<TcxCustomGridRecord*> FRecords;
  TcxCustomGridRecord* FEditingRecord = nullptr;
  TcxCustomGridRecord* FNewItemRecord = nullptr;
};

// ---- changes ---------------------------------------------------------------------------------------------------

// The data of the view changed; it never waits in the queue.
class TcxGridDataChange : public TcxCustomGridViewChange {
  RTL_CLASS(TcxGridDataChange, TcxCustomGridViewChange)
public:
  using TcxCustomGridViewChange::TcxCustomGridViewChange;
  bool CanBePostponed() override { return false; }
  void Run() override;
};

// Repaints one record (or one cell of it) that is on screen.
class TcxGridRecordChange : public TcxCustomGridViewChange {
  RTL_CLASS(TcxGridRecordChange, TcxCustomGridViewChange)
public:
  TcxGridRecordChange(TcxCustomGridView* AGridView, TcxCustomGridRecord* ARecord, int32_t ARecordIndex, TObject* AItem)
      : TcxCustomGridViewChange(AGridView), FRecord(ARecord), FRecordIndex(ARecordIndex), FItem(AItem) {}
  TcxCustomGridRecord* Record() const { return FRecord; }
  int32_t RecordIndex() const { return FRecordIndex; }
  TObject* Item() const { return FItem; }
  bool SameAs(TcxCustomGridChange* AChange) override;
  // A layout or size change of the same view repaints it anyway.
  bool IsCoveredBy(TcxCustomGridChange* AChange) override;
  void Run() override;

private:
  TcxCustomGridRecord* FRecord;
  int32_t FRecordIndex;
  TObject* FItem;
};

// The focus moved from one record to another: both repaint.
class TcxGridFocusedRecordChange : public TcxCustomGridViewChange {
  RTL_CLASS(TcxGridFocusedRecordChange, TcxCustomGridViewChange)
public:
  TcxGridFocusedRecordChange(TcxCustomGridView* AGridView, int32_t APrevFocusedRowIndex, int32_t AFocusedRowIndex,
                             bool ANewItemRowFocusingChanged)
      : TcxCustomGridViewChange(AGridView),
        FPrevFocusedRowIndex(APrevFocusedRowIndex),
        FFocusedRowIndex(AFocusedRowIndex),
        FNewItemRowFocusingChanged(ANewItemRowFocusingChanged) {}
  int32_t PrevFocusedRowIndex() const { return FPrevFocusedRowIndex; }
  int32_t FocusedRowIndex() const { return FFocusedRowIndex; }
  bool NewItemRowFocusingChanged() const { return FNewItemRowFocusingChanged; }
  void Run() override;

private:
  int32_t FPrevFocusedRowIndex;
  int32_t FFocusedRowIndex;
  bool FNewItemRowFocusingChanged;
};

// ---- hit tests -------------------------------------------------------------------------------------------------

class TcxGridFilterHitTest : public TcxCustomGridViewHitTest {
  RTL_CLASS(TcxGridFilterHitTest, TcxCustomGridViewHitTest)
public:
  int32_t GetHitTestCode() const override { return htFilter; }
};

class TcxGridFilterActivateButtonHitTest : public TcxGridFilterHitTest {
  RTL_CLASS(TcxGridFilterActivateButtonHitTest, TcxGridFilterHitTest)
public:
  int32_t GetHitTestCode() const override { return htFilterActivateButton; }
};

class TcxGridFilterCloseButtonHitTest : public TcxGridFilterHitTest {
  RTL_CLASS(TcxGridFilterCloseButtonHitTest, TcxGridFilterHitTest)
public:
  int32_t GetHitTestCode() const override { return htFilterCloseButton; }
};

class TcxGridFilterDropDownButtonHitTest : public TcxGridFilterHitTest {
  RTL_CLASS(TcxGridFilterDropDownButtonHitTest, TcxGridFilterHitTest)
public:
  int32_t GetHitTestCode() const override { return htFilterDropDownButton; }
};

class TcxGridFilterCustomizeButtonHitTest : public TcxGridFilterHitTest {
  RTL_CLASS(TcxGridFilterCustomizeButtonHitTest, TcxGridFilterHitTest)
public:
  int32_t GetHitTestCode() const override { return htFilterCustomizeButton; }
};

// Keeps its record by row index (and a new-item flag), so that it never holds a record object a refresh freed.
class TcxGridRecordHitTest : public TcxCustomGridViewHitTest {
  RTL_CLASS(TcxGridRecordHitTest, TcxCustomGridViewHitTest)
public:
  int32_t GetHitTestCode() const override { return htRecord; }
  // A press here is a click on a record.
  virtual bool CanClick() const { return true; }
  TcxCustomGridRecord* GridRecord() const;
  void SetGridRecord(TcxCustomGridRecord* Value);
  int32_t RecordIndexInView() const { return FRecordIndex; }

private:
  TcxCustomGridTableViewData* FViewData = nullptr;
  int32_t FRecordIndex = -1;
  bool FIsNewItemRecord = false;
};

class TcxGridRecordCellHitTest : public TcxGridRecordHitTest {
  RTL_CLASS(TcxGridRecordCellHitTest, TcxGridRecordHitTest)
public:
  int32_t GetHitTestCode() const override { return htCell; }
  TObject* Item() const { return FItem; }
  void SetItem(TObject* Value) { FItem = Value; }

private:
  TObject* FItem = nullptr;
};

class TcxGridExpandButtonHitTest : public TcxGridRecordHitTest {
  RTL_CLASS(TcxGridExpandButtonHitTest, TcxGridRecordHitTest)
public:
  int32_t GetHitTestCode() const override { return htExpandButton; }
  bool CanClick() const override { return false; }
};

class TcxGridCustomizationFormHitTest : public TcxCustomGridViewHitTest {
  RTL_CLASS(TcxGridCustomizationFormHitTest, TcxCustomGridViewHitTest)
public:
  int32_t GetHitTestCode() const override { return htCustomizationForm; }
};
