#pragma once
// The machinery the suite's painted controls share: a light timer that needs no window of its own, mouse
// tracking that tells an object when the mouse has left its area, a nested hourglass cursor, the suite's
// cursors, popup-menu routines that accept the platform's popup menu and any menu supporting
// IcxPopupMenuSupport, and small window, monitor and keyboard routines.

#include <cstdint>

#include "forms/Controls.h"
#include "forms/Menus.h"
#include "rtl/Classes.h"
#include "rtl/Interfaces.h"
#include "winapi/Windows.h"

// ---- the shared timer --------------------------------------------------------------------------------

// A timer component whose ticks arrive through one hidden window shared by all timers; its identifier
// is the timer object itself.
class TcxTimer : public TComponent {
  RTL_CLASS(TcxTimer, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TcxTimer(TComponent* AOwner) : TComponent(AOwner) {}
  void BeforeDestruction() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  int32_t Interval() const { return FInterval; }
  // 0 and the current value are ignored; another value restarts the timer.
  void SetInterval(int32_t AValue);
  TNotifyEvent OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Value);
  // Whether a system timer runs for it now.
  bool Running() const { return FRunning; }
  UINT_PTR TimerID() const { return reinterpret_cast<UINT_PTR>(this); }

protected:
  virtual void Elapsed();

private:
  friend class TcxTimerWindow;
  void Restart();
  void Stop();
  bool FEnabled = true;
  int32_t FInterval = 1000;
  TNotifyEvent FOnTimer;
  bool FRunning = false;
};

// ---- mouse tracking ----------------------------------------------------------------------------------

// Told when the mouse has left the area it asked to have tracked.
class IcxMouseTrackingCaller : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{84A4BCBE-E001-4D60-B7A6-75E2B0DCD3E9}");
  virtual void MouseLeave() = 0;
};

// A tracked object that decides by itself whether a point (client coordinates of its control) is inside.
class IcxMouseTrackingArea : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{3A5D973B-F016-4F22-80B6-1D35668D7743}");
  virtual bool PtInArea(POINT P) = 0;
};

// Starts watching the area ABounds (client coordinates of AControl, screen coordinates without a
// control) for ACaller; every 10 ms the mouse is checked, and once it is outside, AControl hears
// CM_MOUSELEAVE (when the cursor has left its client area too), ACaller's MouseLeave runs and the
// tracking ends. Nothing happens when ACaller is tracked already.
void StartMouseTracking(TWinControl* AControl, const RECT& ABounds, IcxMouseTrackingCaller* ACaller);
void StopMouseTracking(IcxMouseTrackingCaller* ACaller);
bool IsMouseTracking(IcxMouseTrackingCaller* ACaller);
// How many callers are tracked now.
int32_t MouseTrackingCount();

// ---- cursors -----------------------------------------------------------------------------------------

void PushHourglassCursor();
void PopHourglassCursor();
// How many pushes are still open.
int32_t HourglassNesting();

constexpr TCursor crcxDragCopy = 2100;
constexpr TCursor crcxFullScroll = 2101;
constexpr TCursor crcxHorScroll = 2102;
constexpr TCursor crcxVerScroll = 2103;
constexpr TCursor crcxUpScroll = 2104;
constexpr TCursor crcxRightScroll = 2105;
constexpr TCursor crcxDownScroll = 2106;
constexpr TCursor crcxLeftScroll = 2107;
constexpr TCursor crcxRemove = 2108;
constexpr TCursor crcxVertSize = 2109;
constexpr TCursor crcxHorzSize = 2110;
constexpr TCursor crcxMultiDrag = 2111;
constexpr TCursor crcxNoDrop = 2112;
constexpr TCursor crcxDrag = 2113;
constexpr int32_t cxCursorCount = 14;

// The resource name of a suite cursor ("CX_DRAGCOPYCURSOR"), or nullptr for another number.
const char* cxCursorResourceName(TCursor ACursor);
// Makes a suite cursor from the images compiled into the program, looked up by resource name
// (case-insensitive); nullptr for an unknown name. The caller owns the handle.
HCURSOR LoadcxCursor(const char* AResourceName);
// Registers the fourteen cursors with Screen.Cursors (the unit's start-up; safe to repeat).
void RegistercxCursors();

// ---- popup menus -------------------------------------------------------------------------------------

// A menu of the suite (the bar manager's popup menu) that can stand where a TPopupMenu is expected.
class IcxPopupMenuSupport : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{61EEDA7D-88CC-45BF-8A00-5C25174D6501}");
  virtual bool IsShortCut(TMessage& Message) = 0;
  virtual void Popup(int32_t X, int32_t Y) = 0;
};

bool PopupMenuAtPoint(TControl* AControl, TComponent* AMenu, int32_t X, int32_t Y);
bool IsPopupMenuShortCut(TComponent* AMenu, TMessage& Message);
// The height a popup menu's window takes for its visible items.
int32_t CalcPopupMenuHeight(TPopupMenu* AMenu);

// ---- window, monitor and input routines --------------------------------------------------------------

bool HasParentWithHandle(TControl* AControl);
bool CanHotTrackControl(TControl* AControl);
void GetMonitorWorkAreaAtPoint(POINT P, RECT& R);
RECT GetMonitorWorkAreaAtPoint(POINT P);
// Moves ABounds (without resizing) into the work area of the monitor at ADesktopPoint.
void FitRectToWorkArea(RECT& ABounds, POINT ADesktopPoint);
void MapPointBetweenWindows(HWND AFrom, HWND ATo, POINT& P);
void MapRectBetweenWindows(HWND AFrom, HWND ATo, RECT& R);
void GetCursorScreenPos(POINT& P);
bool IsCtrlPressed();
bool IsWithinDragThreshold(POINT P, int32_t X, int32_t Y);
// Digits, "+" and "-"; kind 1 adds the decimal separator, kind 2 that and "e"/"E".
bool IsNumericChar(char ACh, int32_t AKind);
bool IsPrintableChar(char32_t ACh);
uint16_t TranslateKey(uint16_t AKey);
bool IsLoadingComponent(TComponent* AComponent);
void SetDesignerModified(TControl* AControl);
void PostCursorMouseMove(TWinControl* AControl);

// ---- the unit's life ---------------------------------------------------------------------------------

// What the unit's end does: tracking entries still registered are freed (their callers are not told),
// the tracking list and the shared timer window go. Raises nothing. Program exit runs it too; a window
// system restarted afterwards gets a fresh timer window on first use.
void cxControlsFinalize();
