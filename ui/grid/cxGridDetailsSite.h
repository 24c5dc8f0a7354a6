#pragma once
// A details site: the area that shows the children of one level, the view of the active child level inside
// a frame. The grid has one for its root level, covering its content (TcxGridTopDetailsSiteViewInfo); the
// expanded master rows of the table views get theirs from the same base. Tab strips for levels with
// DetailTabsPosition other than dtpNone hook in through GetTabsViewInfoClass; this base lays out the frame and
// the active view.

#include <cstdint>

#include "ui/base/cxClasses.h"
#include "ui/base/cxLookAndFeelPainters.h"

class TcxCanvas;
class TcxCustomGridHitTest;
class TcxCustomGridRecord;
class TcxCustomGridView;
class TcxCustomGrid;
class TcxGridDetailsSiteTabHitTest;
class TcxGridLevel;

class TcxCustomGridDetailsSiteViewInfo : public TcxComponent {
  RTL_CLASS(TcxCustomGridDetailsSiteViewInfo, TcxComponent)
public:
  // A site is made for a level and belongs to its maker (no owner).
  using VirtualCtorArg = TcxGridLevel*;
  explicit TcxCustomGridDetailsSiteViewInfo(TcxGridLevel* ALevel) : TcxComponent(nullptr), FLevel(ALevel) {}
  void BeforeDestruction() override;

  TcxGridLevel* Level() const { return FLevel; }
  const RECT& Bounds() const { return FBounds; }
  bool FullyVisible() { return GetFullyVisible(); }
  int32_t NormalHeight() { return GetNormalHeight(); }
  // The active view, fetched once and forgotten when it is freed; a view being destroyed counts as none.
  TcxCustomGridView* ActiveGridView();
  bool HasActiveGridView() { return ActiveGridView() != nullptr; }

  virtual int32_t CalculateHeight();
  virtual int32_t CalculateWidth();
  virtual TColor GetBackgroundColor();
  virtual TcxCanvas* GetCanvas() = 0;
  virtual void GetClientBounds(RECT& R);
  virtual int32_t GetEmptyClientHeight() { return 100; }
  virtual int32_t GetEmptyClientWidth() { return 200; }
  virtual TColor GetFrameColor();
  virtual int32_t GetFrameWidth();
  virtual bool GetFullyVisible() { return FFullyVisible; }
  virtual int32_t GetHeight() { return CalculateHeight(); }
  virtual TcxCustomLookAndFeelPainterClass GetLookAndFeelPainter() = 0;
  virtual TcxCustomGridRecord* GetMasterRecord() = 0;
  virtual int32_t GetMaxHeight() = 0;
  virtual int32_t GetMaxNormalHeight() { return 2147483647; }
  virtual int32_t GetMaxWidth() = 0;
  virtual int32_t GetMinWidth() { return GetMaxWidth(); }
  virtual int32_t GetNormalHeight() { return FNormalHeight; }
  virtual int32_t GetWidth() { return CalculateWidth(); }
  // The tab strip class (nil: no tabs).
  virtual TClass GetTabsViewInfoClass() { return nullptr; }
  virtual TcxCustomGridView* GetActiveGridView() = 0;
  virtual TcxGridLevel* GetActiveLevel() = 0;
  virtual bool IsVisible() { return true; }
  virtual void InitTabHitTest(TcxGridDetailsSiteTabHitTest* AHitTest) = 0;
  // Lays the site out at (ALeft, ATop) and runs the active view's main calculation in the client bounds.
  virtual void Calculate(int32_t ALeft, int32_t ATop);
  virtual void SetActiveLevel(TcxGridLevel* ALevel) = 0;
  virtual TcxCustomGridHitTest* GetHitTest(POINT P);
  virtual void UpdateViewSiteVisibility(bool ACheckVisible);

  // The client bounds grown by the frame width on every side.
  void GetFrameBounds(RECT& R);
  void Paint(TcxCanvas* ACanvas);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void GetSizeOverhead(int32_t& AWidth, int32_t& AHeight);
  TcxGridLevel* FLevel;
  RECT FBounds{};
  bool FFullyVisible = true;
  int32_t FNormalHeight = 0;
  TcxCustomGridView* FActiveGridView = nullptr;
  bool FActiveGridViewAssigned = false;
};

// The grid's root site: the grid's content rectangle, its active level and view.
class TcxGridTopDetailsSiteViewInfo : public TcxCustomGridDetailsSiteViewInfo {
  RTL_CLASS(TcxGridTopDetailsSiteViewInfo, TcxCustomGridDetailsSiteViewInfo)
public:
  using TcxCustomGridDetailsSiteViewInfo::TcxCustomGridDetailsSiteViewInfo;
  TcxCustomGrid* Control() const;
  int32_t CalculateHeight() override { return GetMaxHeight(); }
  int32_t CalculateWidth() override { return GetMaxWidth(); }
  TcxCanvas* GetCanvas() override;
  TcxCustomLookAndFeelPainterClass GetLookAndFeelPainter() override;
  TcxCustomGridRecord* GetMasterRecord() override { return nullptr; }
  int32_t GetMaxHeight() override;
  int32_t GetMaxWidth() override;
  TcxCustomGridView* GetActiveGridView() override;
  TcxGridLevel* GetActiveLevel() override;
  void InitTabHitTest(TcxGridDetailsSiteTabHitTest* AHitTest) override;
  void SetActiveLevel(TcxGridLevel* ALevel) override;
  void UpdateViewSiteVisibility(bool ACheckVisible) override;
};

// Paints a details site: its frame, its tabs, its client area; then keeps the site out of the clip region.
class TcxGridDetailsSitePainter : public TObject {
  RTL_CLASS(TcxGridDetailsSitePainter, TObject)
public:
  TcxGridDetailsSitePainter(TcxCanvas* ACanvas, TcxCustomGridDetailsSiteViewInfo* AViewInfo)
      : FCanvas(ACanvas), FViewInfo(AViewInfo) {}
  virtual void DrawBackground();
  virtual void DrawFrame();
  virtual void DrawTabs() {}
  virtual void Paint();
  TcxCanvas* Canvas() const { return FCanvas; }
  TcxCustomGridDetailsSiteViewInfo* ViewInfo() const { return FViewInfo; }

private:
  TcxCanvas* FCanvas;
  TcxCustomGridDetailsSiteViewInfo* FViewInfo;
};
