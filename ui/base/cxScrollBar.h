#pragma once
// A scroll bar that draws itself through the look-and-feel painters, so that the bars of the suite's controls
// share their look. It keeps the usual model (range, page, position, steps), hit-tests its five parts, lights
// the part under the mouse, repeats arrow and page clicks while the button is held (the first repeat after
// 400 ms, then every 60 ms) and drags its thumb. Every paint goes to an off-screen bitmap first and reaches
// the window in one copy, so a repaint never flickers.

#include <cstdint>

#include "forms/Controls.h"
#include "forms/Forms.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"

class TcxTimer;

// The system's text for a range that a scroll bar refuses.
inline constexpr const char* SScrollBarRange = "Scrollbar property out of range";

class TcxScrollBar : public TCustomControl {
  RTL_CLASS(TcxScrollBar, TCustomControl)
  RTL_PUBLISHED_DECL
public:
  explicit TcxScrollBar(TComponent* AOwner);
  ~TcxScrollBar() override;
  void AfterConstruction() override;
  void WndProc(TMessage& m) override;

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  // The one way the range changes; raises EInvalidOperation (SScrollBarRange) when AMax < AMin or
  // AMax < APageSize and then changes nothing.
  void SetScrollParams(int32_t AMin, int32_t AMax, int32_t APosition, int32_t APageSize, bool ARedraw = true);

  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  int32_t Min() const { return FMin; }
  void SetMin(int32_t Value) { SetScrollParams(Value, FMax, FPosition, FPageSize); }
  int32_t Max() const { return FMax; }
  void SetMax(int32_t Value) { SetScrollParams(FMin, Value, FPosition, FPageSize); }
  int32_t PageSize() const { return FPageSize; }
  void SetPageSize(int32_t Value) { SetScrollParams(FMin, FMax, FPosition, Value); }
  int32_t Position() const { return FPosition; }
  void SetPosition(int32_t Value) { SetScrollParams(FMin, FMax, Value, FPageSize); }
  TScrollBarInc SmallChange() const { return FSmallChange; }
  void SetSmallChange(TScrollBarInc Value) { FSmallChange = Value; }
  TScrollBarInc LargeChange() const { return FLargeChange; }
  void SetLargeChange(TScrollBarInc Value) { FLargeChange = Value; }
  bool UnlimitedTracking() const { return FUnlimitedTracking; }
  void SetUnlimitedTracking(bool Value) { FUnlimitedTracking = Value; }
  TcxLookAndFeel* LookAndFeel() const { return FLookAndFeel; }
  void SetLookAndFeel(TcxLookAndFeel* Value);

  TcxScrollPart HitTest(POINT P);
  void Scroll(TScrollCode AScrollCode);

  // What the geometry and the mouse state are now (tests and descendants read them).
  const RECT& FirstArrowRect() const { return FFirstArrowRect; }
  const RECT& SecondArrowRect() const { return FSecondArrowRect; }
  const RECT& ThumbRect() const { return FThumbRect; }
  const RECT& PageUpRect() const { return FPageUpRect; }
  const RECT& PageDownRect() const { return FPageDownRect; }
  TcxScrollPart PressedPart() const { return FPressedPart; }
  TcxScrollPart HotPart() const { return FHotPart; }
  int32_t ThumbMinSize() const { return FThumbMinSize; }
  TcxTimer* Timer() const { return FTimer; }
  TBitmap* OffScreenBitmap() const { return FBitmap; }

  TcxCustomLookAndFeelPainterClass GetScrollBarPainter() const;
  static POINT GetSystemScrollBarSize();

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

protected:
  virtual void DoChange();
  virtual void DoScroll(TScrollCode AScrollCode, int32_t& AScrollPos);
  virtual void MouseEnter(TControl* AControl);
  virtual void MouseLeave(TControl* AControl);

  void Paint() override;
  void MouseDown(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState AShift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y) override;

  void CalculateArrowRects();
  void CalculateThumbRect();
  void CalculatePageRects();
  void CalculateThumbMinSize();
  void StopScrolling();

private:
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  void ThemeChanged();
  void TimerTick(TObject* Sender);
  void ScrollByPart(TcxScrollPart APart);
  int32_t PositionFromThumb() const;
  int32_t TrackLength() const;
  TcxButtonState PartState(TcxScrollPart APart) const;
  bool IsHorizontal() const { return FKind == sbHorizontal; }
  void RepaintNow();

  TBitmap* FBitmap = nullptr;
  TcxCanvas* FBitmapCanvas = nullptr;
  TcxLookAndFeel* FLookAndFeel = nullptr;
  TdxThemeChangedNotificator* FThemeNotificator = nullptr;
  TcxTimer* FTimer = nullptr;
  TcxScrollPart FPressedPart = spNone;
  TcxScrollPart FHotPart = spNone;
  int32_t FThumbMinSize = 8;
  RECT FFirstArrowRect{}, FSecondArrowRect{}, FThumbRect{}, FPageUpRect{}, FPageDownRect{};
  TScrollBarKind FKind = sbHorizontal;
  int32_t FPosition = 0, FMin = 0, FMax = 100, FPageSize = 0;
  TScrollBarInc FSmallChange = 1, FLargeChange = 1;
  bool FUnlimitedTracking = false;
  POINT FMouseDownPos{};
  int32_t FSavePosition = 0;
  int32_t FSaveThumbOrigin = 0;
};
