#pragma once
// A view's layout and its window. The view info owns the site (the view's child window), runs the main
// calculation that gives every element its rectangle, answers hit tests and decides whether the site is on
// screen: a hidden view whose site holds the focus is parked far to the right instead of being taken off, so
// that the focus is not lost. The view-info cache keeps per-row values between calculations. The view painter
// brackets a painting, lets the elements paint and fills what none covered with the view's background.

#include <cstdint>
#include <vector>

#include "ui/base/cxControls.h"
#include "ui/grid/cxGridCustomView.h"

class TcxCustomGridCellViewInfo;
class TcxCustomGridHitTest;
class TcxCustomGridViewInfoCache;

// ---- the view info ---------------------------------------------------------------------------------------------

class TcxCustomGridViewInfo : public TcxGridViewHandler {
  RTL_CLASS(TcxCustomGridViewInfo, TcxGridViewHandler)
public:
  // The left edge of a parked site.
  static constexpr int32_t ParkedSiteLeft = 30000;
  // The mouse position of a view without a window (or at design time).
  static constexpr POINT NoMousePos{2147483647, 2147483647};

  using TcxGridViewHandler::TcxGridViewHandler;
  ~TcxCustomGridViewInfo() override;
  // Makes the site, then the view infos.
  void AfterConstruction() override;
  void BeforeDestruction() override;

  virtual void CreateViewInfos() {}
  virtual void DestroyViewInfos(bool AIsRecreating) { (void)AIsRecreating; }
  virtual void RecreateViewInfos();
  // A TcxGridSite class.
  virtual TClass GetSiteClass();
  virtual void AfterCalculating();
  virtual void BeforeCalculating();
  virtual void Calculate() {}
  virtual void GetBounds(RECT& R) { R = FClientBounds; }
  virtual void GetSiteHeight(SIZE AMaxSize, int32_t& AHeight, bool& AFullyVisible);
  virtual void GetSiteWidth(SIZE AMaxSize, int32_t& AWidth);
  virtual void ControlFocusChanged() {}
  virtual bool CanCalculate() { return !FIsCalculating && !FUpdatingSiteParent; }
  virtual TBitmap* GetBackgroundBitmap();
  virtual TColor GetBackgroundColor();
  virtual void AdjustHScrollBarBounds(RECT& R) { (void)R; }
  // While True for a view or any master, the view's calculation neither refreshes scroll bars nor moves
  // its site.
  virtual bool GetIsInternalUse() { return false; }
  virtual TcxCustomGridHitTest* AssignHitTestView(TcxCustomGridHitTest* AHitTest);
  virtual void UpdateSiteParent(bool AVisible);
  virtual TcxCustomGridHitTest* GetHitTest(POINT P);
  virtual TcxCustomGridHitTest* GetHitTestAt(int32_t X, int32_t Y) { return GetHitTest(POINT{X, Y}); }

  TcxGridSite* Site() const { return FSite; }
  TcxCanvas* Canvas() const;
  void MainCalculate(const RECT& ABounds);
  void Recalculate();
  void UpdateSiteVisibility(bool ACheckVisible);
  int32_t GetFontHeight(TFont* AFont);
  void MeasureHeight(SIZE AMaxSize, int32_t& AHeight, bool& AFullyVisible);
  void MeasureWidth(SIZE AMaxSize, int32_t& AWidth);
  // The master view's site for a detail view, else the grid.
  TWinControl* GetSiteParent();
  // FixedClientBounds when a calculation fixed them, else GetBounds.
  RECT GetClientBounds();
  const RECT& ClientBounds() const { return FClientBounds; }
  void FixClientBounds(const RECT& R);
  void UnfixClientBounds() { FClientBoundsFixed = false; }
  bool IsCalculating() const { return FIsCalculating; }
  bool UpdatingSiteParent() const { return FUpdatingSiteParent; }
  bool MeasuringSize() const { return FMeasuringSize; }
  POINT MousePos() const { return FMousePos; }
  bool IsSiteParked() const;
  // The view or one of its masters is in internal use.
  bool IsInternalUseInChain();

  void RegisterCell(TcxCustomGridCellViewInfo* ACell) { FRegisteredCells.push_back(ACell); }
  void UnregisterCell(TcxCustomGridCellViewInfo* ACell);
  int32_t RegisteredCellCount() const { return static_cast<int32_t>(FRegisteredCells.size()); }

private:
  void RefreshMousePos();
  TcxGridSite* FSite = nullptr;
  RECT FClientBounds{};
  RECT FFixedClientBounds{};
  bool FClientBoundsFixed = false;
  bool FIsCalculating = false;
  bool FUpdatingSiteParent = false;
  bool FMeasuringSize = false;
  POINT FMousePos = NoMousePos;
  std::vector<TcxCustomGridCellViewInfo*> FRegisteredCells;
};

// ---- the view-info cache --------------------------------------------------------------------------------------

class TcxCustomGridViewInfoCacheItem : public TObject {
  RTL_CLASS(TcxCustomGridViewInfoCacheItem, TObject)
public:
  TcxCustomGridViewInfoCacheItem(TcxCustomGridViewInfoCache* AOwner, int32_t AIndex) : FOwner(AOwner), FIndex(AIndex) {}
  TcxCustomGridViewInfoCache* Owner() const { return FOwner; }
  int32_t Index() const { return FIndex; }
  // Forgets the stored values (nothing here; the table views' items forget their sizes).
  virtual void UnassignValues(bool AKeepMaster) { (void)AKeepMaster; }

private:
  TcxCustomGridViewInfoCache* FOwner;
  int32_t FIndex;
};
using TcxCustomGridViewInfoCacheItemClass =
    TcxGridClassRef<TcxCustomGridViewInfoCacheItem, TcxCustomGridViewInfoCache*, int32_t>;

class TcxCustomGridViewInfoCache : public TcxGridViewHandler {
  RTL_CLASS(TcxCustomGridViewInfoCache, TcxGridViewHandler)
public:
  using TcxGridViewHandler::TcxGridViewHandler;
  ~TcxCustomGridViewInfoCache() override;

  virtual TcxCustomGridViewInfoCacheItemClass GetItemClass(int32_t AIndex) = 0;
  // Every existing item forgets its values; unless AKeepMaster, the master rows up the chain forget theirs,
  // because a detail's size is part of its master row's.
  virtual void UnassignValues(bool AKeepMaster);

  // The item of a row, made on first use.
  TcxCustomGridViewInfoCacheItem* GetItem(int32_t AIndex);
  bool HasItem(int32_t AIndex) const;
  // Frees every item and makes the list ACount empty places long.
  void SetCount(int32_t ACount);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  void Clear();

private:
  std::vector<TcxCustomGridViewInfoCacheItem*> FItems;
  bool FUnassigning = false;
};

// ---- the site --------------------------------------------------------------------------------------------------

class TcxGridSite : public TcxControl {
  RTL_CLASS(TcxGridSite, TcxControl)
public:
  // A site has no owner; it is made by its view info.
  using VirtualCtorArg = TcxCustomGridViewInfo*;
  explicit TcxGridSite(TcxCustomGridViewInfo* AViewInfo);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& m) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void SetParent(TWinControl* AParent) override;
  void SetFocus() override;

  TcxCustomGridViewInfo* ViewInfo() const { return FViewInfo; }
  TcxCustomGridView* GridView() const { return FViewInfo->GridView(); }
  TcxCustomGridController* Controller() const { return GridView()->Controller(); }
  TcxCustomGrid* Container() const { return GridView()->Control(); }
  int32_t RememberedWidth() const { return FRememberedWidth; }
  int32_t RememberedHeight() const { return FRememberedHeight; }
  bool ResizeTimerRunning() const { return FResizeTimer != nullptr; }

  // ---- the foundation's hooks ----
  void ClientAreaChanged() override;
  void FocusChanged() override;
  void CancelMouseOperations() override;
  bool CanFocusOnScrollBarClick(TControl* AScrollBar) override;
  bool AllowDesignHitTest(int32_t X, int32_t Y, TShiftState AShift) override;
  bool IsDesigning() const override;
  bool HasFocus() override;
  bool AllowsAutoDragAt(int32_t X, int32_t Y, uint8_t AKind) override { (void)X, (void)Y, (void)AKind; return false; }
  void GetHScrollBarBounds(RECT& R) override;
  TCursor GetCursorAt(int32_t X, int32_t Y) override;
  uint8_t GetMouseWheelScrollingKind() override;
  bool AllowsHidingBothScrollBars(TScrollBarKind AKind) override;
  void ComputeScrollBarsData() override;
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) override;
  void RefreshScrollBars() override;
  bool IsFocusable() override;
  bool StartsDragAndDropAt(POINT P) override;
  void DragAndDropMove(POINT P, bool& AAccepted) override;
  void DragAndDropEnd(bool AAccepted) override;
  bool CanBeginDrag(int32_t X, int32_t Y) override;
  void MouseLeave(TControl* AControl) override;

protected:
  void Paint() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void DoEnter() override;
  void DoExit() override;
  void DoStartDrag(TDragObject*& ADragObject) override;
  void DoEndDrag(TObject* ATarget, int32_t X, int32_t Y) override;
  void DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept) override;
  void DragDrop(TObject* ASource, int32_t X, int32_t Y) override;

private:
  void ResizeTimerTick(TObject* Sender);
  bool ChainCanCalculate();
  void RememberClientSize();
  TcxCustomGridViewInfo* FViewInfo;
  int32_t FRememberedWidth = 0;
  int32_t FRememberedHeight = 0;
  TcxTimer* FResizeTimer = nullptr;
};

// ---- the view painter --------------------------------------------------------------------------------------

class TcxCustomGridPainter : public TcxGridViewHandler {
  RTL_CLASS(TcxCustomGridPainter, TcxGridViewHandler)
public:
  using TcxGridViewHandler::TcxGridViewHandler;
  ~TcxCustomGridPainter() override;

  virtual void DrawBackground();
  virtual void AfterPaint();
  virtual void BeforePaint();
  virtual void PaintContent() {}
  // The dotted focus rectangle while the grid has the focus; otherwise the inverted frame, unless hidden.
  virtual void DrawFocusFrame(const RECT& R, bool AHideWhenUnfocused);

  void Paint();
  // An element that filled R keeps the background from painting there.
  void ExcludeFromBackground(const RECT& R);
  void InvalidateSite();
  void InvalidateRect(const RECT& R);
  void InvalidateRegion(TcxRegion* ARegion);
  TcxCanvas* Canvas() const;
  // The part of the client bounds no element has covered yet (during a painting only).
  TcxRegion* BackgroundRegion() const { return FBackgroundRegion; }

private:
  TcxRegion* FBackgroundRegion = nullptr;
  TcxRegion* FSavedClipRegion = nullptr;
};
