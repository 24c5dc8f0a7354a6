#pragma once
// Finding the element under a point, and the view's reaction to input.
//
// A hit test describes what lies at a point of a site or of the grid: its code, the cell view info hit, the
// view, the cursor to show and the drag-and-drop operation a press would start. One object per hit-test class
// is shared by the whole process and refilled on every query, so a hit test is valid only until the next
// query of its class: callers use it at once and never keep it.
//
// The view controller receives everything the site receives (keys, mouse, focus, scrolling, drag and drop,
// painting brackets). The base routes presses and moves to the cell under the mouse, shows the hint of texts
// that do not fit their cells, prepares the site's drag-and-drop objects and hands the focus between views.

#include <cstdint>
#include <vector>

#include "ui/base/cxControls.h"
#include "ui/grid/cxGridCustomView.h"

class THintWindow;
class TcxCustomGridCellViewInfo;
class TcxGridLevel;
class TcxCustomGridDragAndDropObject;

// ---- hit tests -----------------------------------------------------------------------------------------------

class TcxCustomGridHitTest : public TObject {
  RTL_CLASS(TcxCustomGridHitTest, TObject)
public:
  TcxCustomGridHitTest() = default;
  POINT Pos() const { return FPos; }
  void SetPos(POINT Value) { FPos = Value; }
  // The cell view info that was hit, or nil.
  TcxCustomGridCellViewInfo* ViewInfo() const { return FViewInfo; }
  void SetViewInfo(TcxCustomGridCellViewInfo* Value) { FViewInfo = Value; }

  virtual int32_t GetHitTestCode() const { return htError; }
  // 0: no cursor of its own.
  virtual TCursor GetCursor() const { return 0; }
  // The drag-and-drop object a press here starts (a TcxCustomGridDragAndDropObject class), or nil.
  virtual TClass GetDragAndDropObjectClass() const { return nullptr; }
  int32_t HitTestCode() const { return GetHitTestCode(); }

private:
  POINT FPos{};
  TcxCustomGridCellViewInfo* FViewInfo = nullptr;
};

class TcxCustomGridViewHitTest : public TcxCustomGridHitTest {
  RTL_CLASS(TcxCustomGridViewHitTest, TcxCustomGridHitTest)
public:
  TcxCustomGridView* GridView() const { return FGridView; }
  void SetGridView(TcxCustomGridView* Value) { FGridView = Value; }

private:
  TcxCustomGridView* FGridView = nullptr;
};

// Nothing of the grid: outside every site and tab.
class TcxGridNoneHitTest : public TcxCustomGridHitTest {
  RTL_CLASS(TcxGridNoneHitTest, TcxCustomGridHitTest)
public:
  int32_t GetHitTestCode() const override { return htNone; }
};

// A point of a site where no element is.
class TcxGridViewNoneHitTest : public TcxCustomGridViewHitTest {
  RTL_CLASS(TcxGridViewNoneHitTest, TcxCustomGridViewHitTest)
public:
  int32_t GetHitTestCode() const override { return htNone; }
};

class TcxGridNavigatorHitTest : public TcxCustomGridViewHitTest {
  RTL_CLASS(TcxGridNavigatorHitTest, TcxCustomGridViewHitTest)
public:
  int32_t GetHitTestCode() const override { return htNavigator; }
};

// A level tab of a details site; Owner is what the site shows the tabs for (the grid for its top tabs).
class TcxGridDetailsSiteTabHitTest : public TcxCustomGridHitTest {
  RTL_CLASS(TcxGridDetailsSiteTabHitTest, TcxCustomGridHitTest)
public:
  int32_t GetHitTestCode() const override { return htTab; }
  TcxGridLevel* Level() const { return FLevel; }
  void SetLevel(TcxGridLevel* Value) { FLevel = Value; }
  TObject* Owner() const { return FOwner; }
  void SetOwner(TObject* Value) { FOwner = Value; }

private:
  TcxGridLevel* FLevel = nullptr;
  TObject* FOwner = nullptr;
};

// The process-wide cache: at most one hit test per class.
class TGridHitTests : public TObject {
  RTL_CLASS(TGridHitTests, TObject)
public:
  TGridHitTests() = default;
  TGridHitTests(const TGridHitTests&) = delete;
  TGridHitTests& operator=(const TGridHitTests&) = delete;
  ~TGridHitTests() override;
  // The cached instance of exactly AClass, made on first use.
  TcxCustomGridHitTest* Obtain(TClass AClass);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }

private:
  std::vector<TcxCustomGridHitTest*> FItems;
};

// The shared hit test of AClass with its point set to P; the other fields keep what its last user left.
TcxCustomGridHitTest* GetGridHitTest(TClass AClass, POINT P);
template <class T>
T* GetGridHitTest(POINT P) {
  return static_cast<T*>(GetGridHitTest(T::StaticClass(), P));
}

// ---- the controller --------------------------------------------------------------------------------------------

class TcxCustomGridController : public TcxGridViewHandler, public IcxMouseTrackingCaller {
  RTL_CLASS(TcxCustomGridController, TcxGridViewHandler)
  RTL_INTERFACES(IcxMouseTrackingCaller)
public:
  using TcxGridViewHandler::TcxGridViewHandler;
  ~TcxCustomGridController() override;
  void BeforeDestruction() override;

  // The site's mouse left it, or the tracked hint area was left: the hint goes.
  void MouseLeave() override;
  virtual void AfterPaint();
  virtual void BeforeFocusLeave() {}
  virtual void BeforePaint();
  // False for a hit test of another view.
  virtual bool CanHandleHitTest(TcxCustomGridHitTest* AHitTest);
  virtual void DetailFocused(TcxCustomGridView* ADetailView) { (void)ADetailView; }
  virtual void DoEnter() {}
  virtual void DoExit() {}
  virtual void FocusEnter();
  virtual bool IsDesignHitTest(TcxCustomGridHitTest* AHitTest);
  virtual uint8_t GetMouseWheelScrollingKind() { return 0; }
  virtual TObject* GetPatternObject(TObject* AObject) { return AObject; }
  virtual bool AllowsHidingBothScrollBars(TScrollBarKind AKind) { (void)AKind; return false; }
  virtual bool CanFocusSite() { return true; }
  virtual void FocusLeave();
  virtual void DoFocusEnter();
  virtual void ControlFocusChanged();
  virtual void CancelMouseOperations() {}
  virtual TCursor GetCursor(int32_t X, int32_t Y);
  virtual bool HasFocusedChildControl() { return false; }
  virtual void InitScrollBarsParameters() {}
  virtual bool IsDataFullyVisible() { return true; }
  virtual void Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) { (void)AKind, (void)ACode, (void)APos; }
  virtual void BeforeDragAndDrop() {}
  virtual void DragAndDropMove(POINT P, bool& AAccepted) { (void)P, (void)AAccepted; }
  virtual void DragAndDropEnd(bool AAccepted) { (void)AAccepted; }
  // Whether a press at P starts an internal drag-and-drop: the hit test names its object class.
  virtual bool PrepareDragAndDrop(POINT P);
  virtual void BeforeStartDrag() {}
  virtual bool CanBeginDrag(int32_t X, int32_t Y) { (void)X, (void)Y; return true; }
  virtual void DragDrop(TObject* ASource, int32_t X, int32_t Y) { (void)ASource, (void)X, (void)Y; }
  virtual void DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept) {
    (void)ASource, (void)X, (void)Y, (void)AState, (void)AAccept;
  }
  // The drag image hooks; asked only when HasDragImages answers True.
  virtual void DrawDragImage(TcxCanvas* ACanvas, const RECT& R) { (void)ACanvas, (void)R; }
  virtual void EndDrag(TObject* ATarget, int32_t X, int32_t Y) { (void)ATarget, (void)X, (void)Y; }
  virtual void GetDragImagesSize(SIZE& ASize) { ASize = SIZE{0, 0}; }
  virtual bool HasDragImages() { return false; }
  virtual void StartDrag(TDragObject*& ADragObject) { (void)ADragObject; }
  virtual bool CanShowHint();
  virtual TClass GetHintWindowClass();
  virtual void KeyDown(uint16_t& AKey, TShiftState AShift) { DoKeyDown(AKey, AShift); }
  virtual void DoKeyDown(uint16_t& AKey, TShiftState AShift) { (void)AKey, (void)AShift; }
  virtual void KeyPress(char32_t& AKey) { (void)AKey; }
  virtual void KeyUp(uint16_t& AKey, TShiftState AShift) { (void)AKey, (void)AShift; }
  virtual void MouseDown(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y);
  virtual void MouseMove(TShiftState AShift, int32_t X, int32_t Y);
  virtual void MouseUp(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y);
  virtual void WndProc(TMessage& Message) { (void)Message; }

  TcxCustomGridDragAndDropObject* GetDragAndDropObject() const;
  bool IsDragAndDropInProgress() const;
  TcxCustomGridCellViewInfo* GetCaptureCellViewInfo() const;
  void SetDragAndDropObjectClass(TClass AClass);
  // Shows Text in a hint over TextArea while the mouse stays in HintArea (site coordinates).
  void ShowHint(const RECT& AHintArea, const RECT& ATextArea, TFont* AFont, bool AMultiLine, const String& AText);
  void HideHint();
  void NotifyDesignerModified();
  void UpdateScrollBars();

  bool IsDblClick() const { return FIsDblClick; }
  bool Focusing() const { return FFocusing; }
  THintWindow* HintWindow() const { return FHintWindow; }
  const RECT& HintAreaBounds() const { return FHintAreaBounds; }
  bool HintTimerRunning() const { return FHintTimer != nullptr; }

private:
  void HintTimerTick(TObject* Sender);
  THintWindow* FHintWindow = nullptr;
  RECT FHintAreaBounds{};
  String FHintText;
  TcxTimer* FHintTimer = nullptr;
  bool FIsDblClick = false;
  bool FFocusing = false;
};

// ---- drag and drop inside a site ----------------------------------------------------------------------------

// The base of the grid's internal drag-and-drop operations (moving and sizing items).
class TcxCustomGridDragAndDropObject : public TcxDragAndDropObject {
  RTL_CLASS(TcxCustomGridDragAndDropObject, TcxDragAndDropObject)
public:
  using TcxDragAndDropObject::TcxDragAndDropObject;
  TcxGridSite* Site() const;
  TcxCustomGridView* GridView() const;
  TcxCustomGridController* Controller() const;
  TcxCustomGridViewInfo* ViewInfo() const;
  POINT SourcePoint() const { return FSourcePoint; }

  virtual void AfterPaint() { SetDirty(false); }
  virtual void BeforePaint() { SetDirty(true); }
  virtual void Init(POINT P, TcxCustomGridHitTest* AHitTest);

protected:
  void DragDropFinished(bool AAccepted) override;

private:
  POINT FSourcePoint{};
};
