#include "ui/bars/dxBarCommon.h"

#include <algorithm>

#include "forms/Controls.h"
#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "ui/bars/detail/dxBarState.h"
#include "ui/base/cxControls.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/WinCtrls.h"
#include "winapi/WinText.h"

using dxbar_detail::BarState;
using dxbar_detail::BarStateOrNull;

// ---- text ---------------------------------------------------------------------------------------------------

int DrawTextString(HDC DC, const String& S, RECT& R, UINT Format) {
  return DrawText(DC, S.c_str(), static_cast<int>(S.size()), &R, Format);
}

BOOL ExtTextOutString(HDC DC, int X, int Y, UINT Options, const RECT* R, const String& S) {
  return ExtTextOut(DC, X, Y, Options, R, S.c_str(), static_cast<UINT>(S.size()), nullptr);
}

SIZE GetTextExtentString(HDC DC, const String& S) {
  SIZE size{0, 0};
  GetTextExtentPoint32(DC, S.c_str(), static_cast<int>(S.size()), &size);
  return size;
}

String RemoveAmpersands(const String& S) {
  String result;
  result.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '&' && i + 1 < S.size()) {
      // The mark goes; the character after it stays whatever it is (a second "&" included).
      result += S[++i];
      continue;
    }
    result += S[i];
  }
  return result;
}

void EnsureMinItemWidth(int32_t& Width) {
  if (Width < 20) Width = 20;
}

TdxBarItemVisible BooleanToItemVisible(bool B) { return B ? ivAlways : ivNever; }

// ---- windows -----------------------------------------------------------------------------------------------

TControl* FindControlFromWindow(HWND Handle) {
  for (HWND w = Handle; w; w = GetParent(w))
    if (TWinControl* c = FindControl(w)) return c;
  return nullptr;
}

bool IsChildWindowOf(HWND Window, HWND Parent) {
  if (!Parent) return false;
  for (HWND w = Window ? GetParent(Window) : nullptr; w; w = GetParent(w))
    if (w == Parent) return true;
  return false;
}

HWND FindDeepestWindowAtPoint(POINT ScreenPoint) {
  HWND w = WindowFromPoint(ScreenPoint);
  while (w) {
    POINT p = ScreenPoint;
    ScreenToClient(w, &p);
    HWND child = ChildWindowFromPointEx(w, p, CWP_SKIPINVISIBLE);
    if (!child || child == w) break;
    w = child;
  }
  return w;
}

RECT GetWorkAreaAtPoint(POINT P) { return GetMonitorWorkAreaAtPoint(P); }

namespace {

void DispatchPendingRange(UINT AFirst, UINT ALast) {
  MSG msg;
  while (PeekMessage(&msg, nullptr, AFirst, ALast, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    DispatchMessage(&msg);
  }
}

}  // namespace

void DispatchPendingMouseMessages() { DispatchPendingRange(WM_MOUSEFIRST, WM_MOUSELAST); }
void DispatchPendingPaintMessages() { DispatchPendingRange(WM_PAINT, WM_PAINT); }

void PlayMenuSound(int32_t Kind) { (void)Kind; }

namespace {
bool ButtonsSwapped() { return GetSystemMetrics(SM_SWAPBUTTON) != 0; }
bool AsyncDown(int AKey) { return (GetAsyncKeyState(AKey) & 0x8000) != 0; }
}  // namespace

bool IsPrimaryMouseButtonDown() { return AsyncDown(ButtonsSwapped() ? VK_RBUTTON : VK_LBUTTON); }
bool IsSecondaryMouseButtonDown() { return AsyncDown(ButtonsSwapped() ? VK_LBUTTON : VK_RBUTTON); }

// Layered windows: the window system here has no per-window alpha, so the call finds no entry and leaves
// the window as it is, as on a system that lacks the layered-window functions.
void SetLayeredAlpha(HWND Window, uint8_t Alpha) {
  (void)Window;
  (void)Alpha;
}

// ---- mouse-leave tracking --------------------------------------------------------------------------------------

namespace {

void SendLeave(HWND AWindow) {
  if (AWindow && IsWindow(AWindow)) SendMessage(AWindow, WM_MOUSELEAVE, 0, 0);
}

void StopPolling(dxbar_detail::TBarUnitState& S) {
  if (S.TrackTimer) KillTimer(nullptr, S.TrackTimer);
  S.TrackTimer = 0;
  S.TrackedWindow = nullptr;
}

void TrackTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  if (!S || !S->TrackedWindow) return;
  POINT p;
  GetCursorPos(&p);
  if (FindDeepestWindowAtPoint(p) != S->TrackedWindow) CancelMouseLeaveTracking(S->TrackedWindow);
}

}  // namespace

bool UsesSystemMouseLeaveTracking() { return BarState().UseSystemTracking; }

void SetUsesSystemMouseLeaveTracking(bool AValue) {
  auto& S = BarState();
  if (S.UseSystemTracking == AValue) return;
  StopPolling(S);
  S.UseSystemTracking = AValue;
}

void StartMouseLeaveTracking(HWND Window) {
  auto& S = BarState();
  if (S.UseSystemTracking) {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = Window;
    TrackMouseEvent(&tme);
    return;
  }
  if (S.TrackedWindow == Window) return;
  if (S.TrackedWindow) CancelMouseLeaveTracking(S.TrackedWindow);
  S.TrackedWindow = Window;
  S.TrackTimer = SetTimer(nullptr, 0, 50, &TrackTimerProc);
}

void CancelMouseLeaveTracking(HWND Window) {
  auto& S = BarState();
  if (S.UseSystemTracking) {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_CANCEL | TME_LEAVE;
    tme.hwndTrack = Window;
    TrackMouseEvent(&tme);
    SendLeave(Window);
    return;
  }
  if (S.TrackedWindow != Window || !Window) return;
  StopPolling(S);
  SendLeave(Window);
}

bool IsMouseLeaveTracked(HWND Window) {
  auto& S = BarState();
  if (!S.UseSystemTracking) return Window && S.TrackedWindow == Window;
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_QUERY;
  tme.hwndTrack = Window;
  TrackMouseEvent(&tme);
  return tme.hwndTrack == Window && (tme.dwFlags & TME_LEAVE) != 0;
}

// ---- themes ---------------------------------------------------------------------------------------------------

int32_t GetEditThemeState(TWinControl* Control) {
  if (!Control || !Control->Enabled()) return 4;  // ETS_DISABLED
  if (Control->HandleAllocated() && (GetWindowLong(Control->Handle(), GWL_STYLE) & ES_READONLY)) return 6;
  return 1;
}

TColor GetThemedEditColor(HTHEME Theme, int32_t State) {
  if (State == 4 && Theme) {
    COLORREF c;
    if (SUCCEEDED(GetThemeColor(Theme, EP_EDITTEXT, State, TMT_FILLCOLOR, &c))) return static_cast<TColor>(c);
  }
  return clWindow;
}

TColor GetThemedEditTextColor(HTHEME Theme, int32_t State) {
  COLORREF c;
  if (Theme && SUCCEEDED(GetThemeColor(Theme, EP_EDITTEXT, State, TMT_TEXTCOLOR, &c))) return static_cast<TColor>(c);
  return State == 4 ? clGrayText : clWindowText;
}

TColor GetThemedToolbarColor() {
  COLORREF c;
  HTHEME theme = OpenTheme(totToolBar);
  if (theme && SUCCEEDED(GetThemeColor(theme, 0, 0, TMT_FILLCOLOR, &c))) return static_cast<TColor>(c);
  return clBtnFace;
}

// ---- registries --------------------------------------------------------------------------------------------

void RegisterItemClass(TClass ItemClass, TClass ControlClass, bool OfferedAtDesignTime) {
  auto& S = BarState();
  for (TRegItemRecord& r : S.ItemClasses)
    if (r.ItemClass == ItemClass) {
      r.ControlClass = ControlClass;
      r.OfferedAtDesignTime = OfferedAtDesignTime;
      return;
    }
  S.ItemClasses.push_back(TRegItemRecord{ItemClass, ControlClass, OfferedAtDesignTime});
  RegisterClass(ItemClass);
}

void UnregisterItemClass(TClass ItemClass) {
  auto& S = BarState();
  auto it = std::find_if(S.ItemClasses.begin(), S.ItemClasses.end(),
                         [&](const TRegItemRecord& r) { return r.ItemClass == ItemClass; });
  if (it == S.ItemClasses.end()) return;
  S.ItemClasses.erase(it);
  UnRegisterClass(ItemClass);
}

int32_t GetDesignItemClassCount() {
  const auto& list = BarState().ItemClasses;
  return static_cast<int32_t>(
      std::count_if(list.begin(), list.end(), [](const TRegItemRecord& r) { return r.OfferedAtDesignTime; }));
}

TClass GetDesignItemClass(int32_t N) {
  for (const TRegItemRecord& r : BarState().ItemClasses)
    if (r.OfferedAtDesignTime && N-- == 0) return r.ItemClass;
  return nullptr;
}

const TRegItemRecord* FindRegItemRecord(TClass ItemClass) {
  for (const TRegItemRecord& r : BarState().ItemClasses)
    if (r.ItemClass == ItemClass) return &r;
  return nullptr;
}

void AddBarControl(TCustomdxBarControl* ABarControl) { BarState().BarControls.push_back(ABarControl); }

void RemoveBarControl(TCustomdxBarControl* ABarControl) {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  if (!S) return;
  auto& list = S->BarControls;
  list.erase(std::remove(list.begin(), list.end(), ABarControl), list.end());
  if (S->ActiveBarControl == ABarControl) S->ActiveBarControl = nullptr;
}

bool IsBarControlAlive(const TObject* ABarControl) {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  if (!S || !ABarControl) return false;
  return std::find(S->BarControls.begin(), S->BarControls.end(), ABarControl) != S->BarControls.end();
}

int32_t BarControlCount() { return static_cast<int32_t>(BarState().BarControls.size()); }
TCustomdxBarControl* BarControls(int32_t Index) { return BarState().BarControls.at(static_cast<size_t>(Index)); }

TCustomdxBarControl* GetActiveBarControl() {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  return S ? S->ActiveBarControl : nullptr;
}

void SetActiveBarControl(TCustomdxBarControl* AValue) { BarState().ActiveBarControl = AValue; }

TCustomdxBarControl* GetRootBarControl(TCustomdxBarControl* ABarControl) {
  TCustomdxBarControl* c = ABarControl;
  while (c && c->ParentBarControl() && !c->ParentBarControl()->IsDestroying()) c = c->ParentBarControl();
  return c;
}

TCustomdxBarControl* GetRootToolbarControl(TCustomdxBarControl* ABarControl) {
  TCustomdxBarControl* root = GetRootBarControl(ABarControl);
  return root && root->Bar() ? root : nullptr;
}

bool IsVerticalToolbar(TCustomdxBarControl* ABarControl) {
  return ABarControl && ABarControl->Bar() &&
         (ABarControl->DockingStyle() == dsLeft || ABarControl->DockingStyle() == dsRight);
}

bool IsRotatedVerticalToolbar(TCustomdxBarControl* ABarControl) {
  return IsVerticalToolbar(ABarControl) && ABarControl->Bar()->RotateWhenVertical();
}

bool IsAnyPopupMenuShowing() {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  if (!S) return false;
  for (TdxBarManager* m : S->Managers)
    for (int32_t i = 0; i < m->PopupMenuCount(); ++i)
      if (m->PopupMenus(i)->IsShowing()) return true;
  return false;
}

// ---- shared values ----------------------------------------------------------------------------------------

int32_t ScreenColorDepth() { return BarState().ScreenDepth; }

void RefreshScreenDepth() {
  HDC dc = GetDC(nullptr);
  BarState().ScreenDepth = GetDeviceCaps(dc, BITSPIXEL);
  ReleaseDC(nullptr, dc);
}

HBRUSH CheckeredBrush() { return BarState().CheckeredBrush; }

void RecreateCheckeredBrush() {
  auto& S = BarState();
  if (S.CheckeredBrush) DeleteObject(S.CheckeredBrush);
  TBitmap pattern;
  pattern.SetSize(8, 8);
  const COLORREF face = GetSysColor(COLOR_BTNFACE), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  auto pixel = [](COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
  };
  for (int32_t y = 0; y < 8; ++y) {
    uint32_t* row = pattern.ScanLine(y);
    for (int32_t x = 0; x < 8; ++x) row[x] = pixel((x % 2) == (y % 2) ? face : light);
  }
  S.CheckeredBrush = CreatePatternBrush(pattern.Handle());
}

TColor GetNearestScreenColor(TColor Color) {
  HDC dc = GetDC(nullptr);
  COLORREF c = GetNearestColor(dc, ColorToRGB(Color));
  ReleaseDC(nullptr, dc);
  return static_cast<TColor>(c);
}

// ---- fonts -------------------------------------------------------------------------------------------------------

void MakeDerivedFont(TFont* AFont, HFONT& AHandle, bool AScaled) {
  if (AHandle) DeleteObject(AHandle);
  AHandle = nullptr;
  LOGFONT lf = AFont->LogFont();
  if (AScaled) {
    LOGFONT title{};
    SystemParametersInfo(SPI_GETICONTITLELOGFONT, sizeof(title), &title, 0);
    lf.lfHeight = title.lfHeight >= -10 ? -11 : title.lfHeight;
  }
  AHandle = CreateFontIndirect(&lf);
}

// ---- clip regions ------------------------------------------------------------------------------------------

HRGN SaveCurrentClipRegion(HDC DC, bool& AHadRegion) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  AHadRegion = GetClipRgn(DC, rgn) == 1;
  if (!AHadRegion) {
    DeleteObject(rgn);
    return nullptr;
  }
  return rgn;
}

void RestoreSavedClipRegion(HDC DC, HRGN ARegion, bool AHadRegion) {
  SelectClipRgn(DC, AHadRegion ? ARegion : nullptr);
  if (ARegion) DeleteObject(ARegion);
}

void AddClipRect(HDC DC, const RECT& R) { IntersectClipRect(DC, R.left, R.top, R.right, R.bottom); }

void ExcludeRectFromRegion(HRGN ARegion, const RECT& R) {
  HRGN cut = CreateRectRgnIndirect(&R);
  CombineRgn(ARegion, ARegion, cut, RGN_DIFF);
  DeleteObject(cut);
}
