#pragma once
// The data grid control. It owns the level tree (under an invisible root level whose children are the top
// levels), knows the views the form made for it, and keeps the active top level and the focused view. It
// paints only its background and the root level's area; every view paints into its own child window, its
// site, which the grid places. All recalculation and repainting goes through the grid's change queue: inside
// an update bracket (of the grid or of any of its views) changes wait and are merged when the outermost
// bracket closes.

#include <cstdint>
#include <vector>

#include "ui/base/cxControls.h"
#include "ui/grid/cxGridCommon.h"
#include "ui/grid/cxGridLevel.h"

class TcxCustomGrid;
class TcxCustomGridChange;
class TcxCustomGridController;
class TcxCustomGridDetailsSiteViewInfo;
class TcxCustomGridHitTest;
class TcxCustomGridView;

// ---- notifications ---------------------------------------------------------------------------------------------

enum TcxGridNotificationKind : uint8_t {
  gnkFocusedViewChanged,
  gnkFocusedRecordChanged,
  gnkRecordCountChanged,
  gnkContextMenu,
  gnkCustomization,
  gnkKeyDown
};
using TcxGridNotificationKinds = Set<TcxGridNotificationKind, 8>;

// An object that wants to hear of some of the grid's notifications. For gnkKeyDown the parameter is the key
// message; setting its result to non-zero stops the site's own handling.
class IcxGridNotificationReceiver {
public:
  virtual TcxGridNotificationKinds GetSupportedNotificationKinds() = 0;
  virtual void Notify(TcxGridNotificationKind AKind, void* AParam) = 0;

protected:
  ~IcxGridNotificationReceiver() = default;
};

// ---- handlers of the grid --------------------------------------------------------------------------------------

class TcxCustomGridHandler : public TObject {
  RTL_CLASS(TcxCustomGridHandler, TObject)
public:
  using VirtualCtorArg = TcxCustomGrid*;
  explicit TcxCustomGridHandler(TcxCustomGrid* AControl) : FControl(AControl) {}
  TcxCustomGrid* Control() const { return FControl; }
  TcxCustomGridView* ActiveView() const;
  TcxCustomGridController* ActiveController() const;

private:
  TcxCustomGrid* FControl;
};

// What dragging over an element of the grid opens after the wait.
class TcxCustomGridDragOpenInfo : public TObject {
  RTL_CLASS(TcxCustomGridDragOpenInfo, TObject)
public:
  virtual bool IsSameInfo(TcxCustomGridDragOpenInfo* AInfo) { return AInfo->ClassType() == ClassType(); }
  virtual void Run() = 0;
};

class TcxGridDragOpenInfoTab : public TcxCustomGridDragOpenInfo {
  RTL_CLASS(TcxGridDragOpenInfoTab, TcxCustomGridDragOpenInfo)
public:
  explicit TcxGridDragOpenInfoTab(TcxGridLevel* ALevel) : FLevel(ALevel) {}
  TcxGridLevel* Level() const { return FLevel; }
  bool IsSameInfo(TcxCustomGridDragOpenInfo* AInfo) override;
  // Makes the tab's level active.
  void Run() override;

private:
  TcxGridLevel* FLevel;
};

class TcxGridController : public TcxCustomGridHandler {
  RTL_CLASS(TcxGridController, TcxCustomGridHandler)
public:
  using TcxCustomGridHandler::TcxCustomGridHandler;
  ~TcxGridController() override;

  virtual void CancelMouseOperations();
  // Asks the active view to repaint what depends on the grid's focus.
  virtual void ControlFocusChanged();
  // 0: no cursor of its own.
  virtual TCursor GetCursor(int32_t X, int32_t Y) { (void)X, (void)Y; return 0; }
  virtual void DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept);
  virtual void EndDrag(TObject* ATarget, int32_t X, int32_t Y);
  virtual void StartDrag(TDragObject*& ADragObject) { (void)ADragObject; }
  // What a drag over the hit element would open (a level tab), or nil.
  virtual TcxCustomGridDragOpenInfo* GetDragOpenInfo(TcxCustomGridHitTest* AHitTest);
  // A TcxDragAndDropObject class for the grid's own drag-and-drop, or nil.
  virtual TClass GetDragAndDropObjectClass() { return nullptr; }
  virtual void KeyDown(uint16_t& AKey, TShiftState AShift);
  virtual void KeyUp(uint16_t& AKey, TShiftState AShift) { (void)AKey, (void)AShift; }
  virtual void MouseDown(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y);
  virtual void MouseMove(TShiftState AShift, int32_t X, int32_t Y);
  virtual void MouseUp(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y);

  TcxCustomGridDragOpenInfo* DragOpenInfo() const { return FDragOpenInfo; }
  bool DragOpenWaiting() const { return FDragOpenTimer != nullptr; }
  void StopDragOpen();

private:
  void DragOpenTimerTick(TObject* Sender);
  TcxCustomGridDragOpenInfo* FDragOpenInfo = nullptr;
  TcxTimer* FDragOpenTimer = nullptr;
};

class TcxGridPainter : public TcxCustomGridHandler {
  RTL_CLASS(TcxGridPainter, TcxCustomGridHandler)
public:
  using TcxCustomGridHandler::TcxCustomGridHandler;
  virtual void PaintDetailsSite();
  virtual void PaintBackground();
  // The grid window and the whole visible view tree; with AInvalidateSites every site window too.
  virtual void Invalidate(bool AInvalidateSites);
  virtual void InvalidateRect(const RECT& R);
  virtual void Paint();
};

// The grid's layout: the root level's details site, placed at the top-left corner of the content.
class TcxGridViewInfo : public TcxCustomGridHandler {
  RTL_CLASS(TcxGridViewInfo, TcxCustomGridHandler)
public:
  using TcxCustomGridHandler::TcxCustomGridHandler;
  ~TcxGridViewInfo() override;
  virtual void CreateViewInfos();
  virtual void DestroyViewInfos();
  // A TcxCustomGridDetailsSiteViewInfo class whose constructor takes the root level.
  virtual TClass GetDetailsSiteViewInfoClass();
  virtual void Calculate();
  virtual TcxCustomGridHitTest* GetHitTest(int32_t X, int32_t Y);
  TcxCustomGridDetailsSiteViewInfo* DetailsSiteViewInfo() const { return FDetailsSiteViewInfo; }

private:
  TcxCustomGridDetailsSiteViewInfo* FDetailsSiteViewInfo = nullptr;
};

// ---- the grid --------------------------------------------------------------------------------------------------

using TcxGridActiveTabChangedEvent = Event<TcxCustomGrid*, TcxGridLevel*>;
using TcxGridFocusedViewChangedEvent = Event<TcxCustomGrid*, TcxCustomGridView*, TcxCustomGridView*>;
using TcxGridLayoutChangedEvent = Event<TcxCustomGrid*, TcxCustomGridView*>;

class TcxCustomGrid : public TcxControl {
  RTL_CLASS(TcxCustomGrid, TcxControl)
public:
  explicit TcxCustomGrid(TComponent* AOwner) : TcxControl(AOwner) {}
  ~TcxCustomGrid() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Loaded() override;
  void SetName(const String& NewName) override;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;

  // ---- the change queue ----
  void BeginUpdate();
  void EndUpdate();
  void CancelUpdate();
  bool IsUpdating() const { return FUpdateCount != 0; }
  // Queues AChange while updating (when it can wait), else runs it; the grid owns it either way.
  void AddChange(TcxCustomGridChange* AChange);
  // Runs AChange (not while the grid is destroyed) and frees it, also when it raises.
  void RunChange(TcxCustomGridChange* AChange);
  void ProcessChanges();
  int32_t QueuedChangeCount() const { return static_cast<int32_t>(FChanges.size()); }
  TcxCustomGridChange* QueuedChanges(int32_t Index) const { return FChanges.at(static_cast<size_t>(Index)); }
  virtual void InvalidateLayout();
  virtual void InvalidateSize();

  // ---- levels and views ----
  TcxGridLevel* RootLevel() const { return FRootLevel; }
  TcxGridLevel* ActiveLevel() const { return FActiveLevel; }
  void SetActiveLevel(TcxGridLevel* Value);
  TcxCustomGridView* ActiveView() const;
  TcxCustomGridView* FocusedView() const { return FFocusedView; }
  void SetFocusedView(TcxCustomGridView* Value);
  void CheckFocusedView();
  TcxCustomGridView* FindFocusableView(TcxCustomGridView* APrevView);
  void AddView(TcxCustomGridView* AView);
  void RemoveView(TcxCustomGridView* AView);
  int32_t ViewCount() const { return static_cast<int32_t>(FViews.size()); }
  TcxCustomGridView* Views(int32_t Index) const { return FViews.at(static_cast<size_t>(Index)); }

  // ---- notifications and focus ----
  void AddNotificationReceiver(IcxGridNotificationReceiver* AReceiver);
  void RemoveNotificationReceiver(IcxGridNotificationReceiver* AReceiver);
  void NotifyReceivers(TcxGridNotificationKind AKind, void* AParam);
  // A site tells the grid its focus changed; the grid then repaints what depends on its own focus.
  void ReportFocus(bool AFocused);
  bool ReportedFocus() const { return FReportedFocus; }

  // ---- handlers ----
  TcxGridController* Controller() const { return FController; }
  TcxGridPainter* Painter() const { return FPainter; }
  TcxGridViewInfo* ViewInfo() const { return FViewInfo; }

  // ---- properties ----
  bool DragOpening() const { return FDragOpening; }
  void SetDragOpening(bool Value) { FDragOpening = Value; }
  int32_t DragOpeningWaitTime() const { return FDragOpeningWaitTime; }
  void SetDragOpeningWaitTime(int32_t Value) { FDragOpeningWaitTime = Value < 0 ? 0 : Value; }
  TcxGridLevelOptions* RootLevelOptions() const { return FRootLevel->Options(); }
  void SetRootLevelOptions(TcxGridLevelOptions* Value) { FRootLevel->SetOptions(Value); }
  TcxGridLevelStyles* RootLevelStyles() const { return FRootLevel->Styles(); }
  void SetRootLevelStyles(TcxGridLevelStyles* Value) { FRootLevel->SetStyles(Value); }
  // The grid's own copy: its window is no tab stop, its focused view's site is.
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  TcxGridActiveTabChangedEvent OnActiveTabChanged;
  TcxGridFocusedViewChangedEvent OnFocusedViewChanged;
  TcxGridLayoutChangedEvent OnLayoutChanged;

  // ---- the overridable behaviour ----
  virtual void CreateHandlers();
  virtual void DestroyHandlers();
  virtual void DoActiveTabChanged(TcxGridLevel* ALevel);
  virtual void DoLayoutChanged(TcxCustomGridView* AGridView);
  virtual void DoFocusedViewChanged(TcxCustomGridView* APrevView, TcxCustomGridView* AView);
  virtual TClass GetControllerClass();
  virtual TClass GetLevelClass();
  virtual TClass GetPainterClass();
  virtual TClass GetViewInfoClass();

  // ---- the foundation's hooks ----
  bool IsFocusable() override { return false; }
  bool HasFocus() override;
  void FocusChanged() override;
  void CancelMouseOperations() override;
  void ClientAreaChanged() override;
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) override;
  void AddChildComponent(TcxControlChildComponent* AChild) override;
  void RemoveChildComponent(TcxControlChildComponent* AChild) override;
  TCursor GetCursorAt(int32_t X, int32_t Y) override;
  bool AllowDesignHitTest(int32_t X, int32_t Y, TShiftState AShift) override;

protected:
  void Paint() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept) override;
  void DoEndDrag(TObject* ATarget, int32_t X, int32_t Y) override;

private:
  void FreeQueuedChanges();
  TcxGridLevel* FRootLevel = nullptr;
  TcxGridLevel* FActiveLevel = nullptr;
  TcxCustomGridView* FFocusedView = nullptr;
  std::vector<TcxCustomGridView*> FViews;
  std::vector<TcxCustomGridChange*> FChanges;
  std::vector<IcxGridNotificationReceiver*> FNotificationReceivers;
  int32_t FUpdateCount = 0;
  bool FReportedFocus = false;
  TcxGridController* FController = nullptr;
  TcxGridPainter* FPainter = nullptr;
  TcxGridViewInfo* FViewInfo = nullptr;
  bool FDragOpening = true;
  int32_t FDragOpeningWaitTime = 800;
  bool FTabStop = true;
};

// The grid forms place: TcxCustomGrid with its properties published.
class TcxGrid : public TcxCustomGrid {
  RTL_CLASS(TcxGrid, TcxCustomGrid)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomGrid::TcxCustomGrid;
};

// Replaces the old prefix by the new name in the names of AComponents that are owned by AOwner, longer than
// the old name and begin with it (ASCII letters compared without case); a name conflict leaves a
// component's name as it was.
void RenamePrefixedComponents(const std::vector<TComponent*>& AComponents, TComponent* AOwner, const String& AOldName,
                              const String& ANewName);
