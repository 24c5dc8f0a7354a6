#include "ui/base/cxControls.h"

#include <algorithm>
#include <vector>

#include "forms/Forms.h"
#include "forms/Graphics.h"
#include "forms/ImgList.h"
#include "rtl/FormatSettings.h"
#include "rtl/ObjLinks.h"
#include "rtl/TypInfo.h"
#include "winapi/UtilWindow.h"

// ---- the shared timer window -------------------------------------------------------------------------

// One hidden window delivers the ticks of every TcxTimer. It knows the live timers, so a tick that was
// queued for a timer freed since is dropped instead of reaching freed memory.
class TcxTimerWindow {
public:
  HWND Handle() {
    // A window system restarted under us (tests do so between cases) leaves a dead handle behind.
    if (FHandle && !IsWindow(FHandle)) FHandle = nullptr;
    if (!FHandle) FHandle = AllocateHWnd(TWndMethod([this](TMessage& m) { WndProc(m); }));
    return FHandle;
  }
  // The handle as it is, without making one.
  HWND ExistingHandle() const { return FHandle; }
  void Attach(TcxTimer* timer) {
    if (std::find(FTimers.begin(), FTimers.end(), timer) == FTimers.end()) FTimers.push_back(timer);
  }
  void Detach(TcxTimer* timer) { FTimers.erase(std::remove(FTimers.begin(), FTimers.end(), timer), FTimers.end()); }
  void Destroy() {
    if (FHandle && IsWindow(FHandle)) DeallocateHWnd(FHandle);
    FHandle = nullptr;
  }

private:
  void WndProc(TMessage& m) {
    if (m.Msg == WM_TIMER) {
      for (TcxTimer* timer : FTimers)
        if (timer->TimerID() == static_cast<UINT_PTR>(m.WParam)) {
          timer->Elapsed();  // may free the timer; nothing of it is touched afterwards
          return;
        }
      return;
    }
    m.Result = DefWindowProc(FHandle, m.Msg, m.WParam, m.LParam);
  }

  HWND FHandle = nullptr;
  std::vector<TcxTimer*> FTimers;
};

namespace {
TcxTimerWindow* TimerWindow = nullptr;
bool ProgramExiting = false;

TcxTimerWindow* GetTimerWindow() {
  if (!TimerWindow) TimerWindow = new TcxTimerWindow;
  return TimerWindow;
}
}  // namespace

RTL_PUBLISHED(TcxTimer) {
  prop("Enabled", &TcxTimer::Enabled, &TcxTimer::SetEnabled).Default(true);
  prop("Interval", &TcxTimer::Interval, &TcxTimer::SetInterval).Default(1000);
  event("OnTimer", &TcxTimer::OnTimer, &TcxTimer::SetOnTimer);
}

void TcxTimer::BeforeDestruction() {
  Stop();
  if (TimerWindow) TimerWindow->Detach(this);
  inherited::BeforeDestruction();
}

void TcxTimer::SetEnabled(bool Value) {
  FEnabled = Value;
  Restart();
}

void TcxTimer::SetInterval(int32_t AValue) {
  // A negative interval would wrap to an endless one: kept out like 0.
  if (AValue <= 0 || AValue == FInterval) return;
  FInterval = AValue;
  Restart();
}

void TcxTimer::SetOnTimer(TNotifyEvent Value) {
  FOnTimer = std::move(Value);
  Restart();
}

void TcxTimer::Elapsed() {
  TNotifyEvent handler = FOnTimer;  // the handler may free this timer
  if (handler) handler(this);
}

void TcxTimer::Stop() {
  if (!FRunning) return;
  if (TimerWindow && !ProgramExiting) KillTimer(TimerWindow->ExistingHandle(), TimerID());
  FRunning = false;
}

void TcxTimer::Restart() {
  Stop();
  if (!FEnabled || FRunning || !FOnTimer) return;
  TcxTimerWindow* window = GetTimerWindow();
  window->Attach(this);
  FRunning = SetTimer(window->Handle(), TimerID(), static_cast<UINT>(FInterval), nullptr) != 0;
}

// ---- mouse tracking ----------------------------------------------------------------------------------

namespace {

const void* Identity(IcxMouseTrackingCaller* ACaller) { return ACaller ? dynamic_cast<const void*>(ACaller) : nullptr; }

class TMouseTrackingTimer : public TcxTimer {
  RTL_CLASS(TMouseTrackingTimer, TcxTimer)
public:
  TMouseTrackingTimer(TWinControl* AControl, const RECT& ABounds, IcxMouseTrackingCaller* ACaller)
      : TcxTimer(nullptr), FCaller(ACaller), FControl(AControl), FBounds(ABounds) {}
  void AfterConstruction() override {
    inherited::AfterConstruction();
    SetInterval(10);
    SetOnTimer(TNotifyEvent(this, &TMouseTrackingTimer::CheckMouse));
  }
  IcxMouseTrackingCaller* Caller() const { return FCaller.get(); }

private:
  void CheckMouse(TObject*);
  bool MouseInside(POINT cursor);

  IPtr<IcxMouseTrackingCaller> FCaller;
  TObjectLink<TWinControl> FControl;  // the control may go first
  RECT FBounds;
};

std::vector<TMouseTrackingTimer*>* TrackingList = nullptr;

std::vector<TMouseTrackingTimer*>::iterator FindTracking(IcxMouseTrackingCaller* ACaller) {
  const void* id = Identity(ACaller);
  return std::find_if(TrackingList->begin(), TrackingList->end(),
                      [id](TMouseTrackingTimer* t) { return Identity(t->Caller()) == id; });
}

bool TMouseTrackingTimer::MouseInside(POINT cursor) {
  if (auto* area = dynamic_cast<IcxMouseTrackingArea*>(FCaller.get())) {
    TWinControl* control = FControl.Get();
    return control && control->HandleAllocated() && area->PtInArea(control->ScreenToClient(cursor));
  }
  return PtInRect(&FBounds, cursor) != FALSE;
}

void TMouseTrackingTimer::CheckMouse(TObject*) {
  POINT cursor;
  GetCursorPos(&cursor);
  if (MouseInside(cursor)) return;
  // Everything this entry needs is taken now: any of the calls below may end the tracking and free it.
  IPtr<IcxMouseTrackingCaller> caller = FCaller;
  TObjectLink<TWinControl> control(FControl.Get());
  if (control && control->HandleAllocated()) {
    RECT client = control->ClientRect();
    if (!PtInRect(&client, control->ScreenToClient(cursor)))
      control->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(control.Get()));
  }
  caller->MouseLeave();
  StopMouseTracking(caller.get());
}

}  // namespace

void StartMouseTracking(TWinControl* AControl, const RECT& ABounds, IcxMouseTrackingCaller* ACaller) {
  if (!ACaller || IsMouseTracking(ACaller)) return;
  RECT bounds = ABounds;
  if (AControl) {
    POINT topLeft = AControl->ClientToScreen(POINT{ABounds.left, ABounds.top});
    POINT bottomRight = AControl->ClientToScreen(POINT{ABounds.right, ABounds.bottom});
    bounds = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  }
  if (!TrackingList) TrackingList = new std::vector<TMouseTrackingTimer*>;
  TrackingList->push_back(New<TMouseTrackingTimer>(AControl, bounds, ACaller));
}

void StopMouseTracking(IcxMouseTrackingCaller* ACaller) {
  if (!TrackingList) return;
  auto it = FindTracking(ACaller);
  if (it == TrackingList->end()) return;
  TMouseTrackingTimer* timer = *it;
  TrackingList->erase(it);
  timer->Free();
}

bool IsMouseTracking(IcxMouseTrackingCaller* ACaller) {
  return TrackingList && FindTracking(ACaller) != TrackingList->end();
}

int32_t MouseTrackingCount() { return TrackingList ? static_cast<int32_t>(TrackingList->size()) : 0; }

// ---- hourglass ---------------------------------------------------------------------------------------

namespace {
int32_t HourglassCount = 0;
TCursor SavedCursor = crDefault;
}  // namespace

void PushHourglassCursor() {
  if (HourglassCount == 0 && Screen) {
    SavedCursor = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
  }
  ++HourglassCount;
}

void PopHourglassCursor() {
  if (HourglassCount == 0) return;
  if (--HourglassCount == 0 && Screen) Screen->SetCursor(SavedCursor);
}

int32_t HourglassNesting() { return HourglassCount; }

// ---- popup menus -------------------------------------------------------------------------------------

bool PopupMenuAtPoint(TControl* AControl, TComponent* AMenu, int32_t X, int32_t Y) {
  if (!AMenu) return false;
  if (auto* support = dynamic_cast<IcxPopupMenuSupport*>(AMenu)) {
    support->Popup(X, Y);
    return true;
  }
  if (auto* menu = dynamic_cast<TPopupMenu*>(AMenu); menu && menu->AutoPopup()) {
    menu->SetPopupComponent(AControl);
    menu->Popup(X, Y);
    return true;
  }
  return false;
}

bool IsPopupMenuShortCut(TComponent* AMenu, TMessage& Message) {
  if (!AMenu) return false;
  if (auto* support = dynamic_cast<IcxPopupMenuSupport*>(AMenu)) return support->IsShortCut(Message);
  // The platform's popup menu keeps no window between popups; its shortcuts answer at any time.
  if (auto* menu = dynamic_cast<TPopupMenu*>(AMenu)) return menu->IsShortCut(Message);
  return false;
}

int32_t CalcPopupMenuHeight(TPopupMenu* AMenu) {
  // A screen canvas with the menu font measures the default item height.
  HDC dc = GetDC(nullptr);
  int32_t itemHeight;
  {
    TCanvas canvas;
    canvas.SetHandle(dc);
    if (Screen) canvas.Font()->Assign(Screen->MenuFont());
    itemHeight = canvas.TextHeight("Qg") + 4;
    canvas.SetHandle(nullptr);
  }
  ReleaseDC(nullptr, dc);
  int32_t height = 0;
  if (AMenu) {
    // The platform's menu items measure themselves only through their menu's images: an item with a
    // picture column is at least as high as the pictures.
    const int32_t imageHeight = AMenu->Images() ? AMenu->Images()->Height() : 0;
    TMenuItem* items = AMenu->Items();
    for (int32_t i = 0; i < items->Count(); ++i)
      if (items->Items(i)->Visible()) height += std::max(itemHeight, imageHeight);
  }
  return height + 4;
}

// ---- window, monitor and input routines --------------------------------------------------------------

bool HasParentWithHandle(TControl* AControl) {
  for (TWinControl* p = AControl ? AControl->Parent() : nullptr; p; p = p->Parent())
    if (p->HandleAllocated()) return true;
  return false;
}

namespace {
// The form a control belongs to for hot tracking: the nearest MDI child form, else the top-level
// window's control (nullptr when that window is not one of the platform's forms).
TWinControl* HotTrackForm(TWinControl* AControl) {
  for (TWinControl* p = AControl; p; p = p->Parent())
    if (auto* form = dynamic_cast<TCustomForm*>(p); form && form->FormStyle() == fsMDIChild) return form;
  return FindControl(GetAncestor(AControl->Handle(), GA_ROOT));
}
}  // namespace

bool CanHotTrackControl(TControl* AControl) {
  auto* control = dynamic_cast<TWinControl*>(AControl);
  if (!control || !Application || !Application->Active() || !control->HandleAllocated()) return false;
  if (!IsWindowVisible(control->Handle())) return false;
  POINT cursor;
  GetCursorPos(&cursor);
  if (FindVCLWindow(cursor) != control) return false;
  auto* form = dynamic_cast<TCustomForm*>(HotTrackForm(control));
  return !form || form->Active() || form->FormStyle() == fsMDIForm;
}

void GetMonitorWorkAreaAtPoint(POINT P, RECT& R) {
  // The monitor functions are part of our window system, so there is nothing to look up at run time.
  MONITORINFO info{};
  info.cbSize = sizeof(MONITORINFO);
  HMONITOR monitor = MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST);
  if (monitor && GetMonitorInfo(monitor, &info))
    R = info.rcWork;
  else
    SystemParametersInfo(SPI_GETWORKAREA, 0, &R, 0);
}

RECT GetMonitorWorkAreaAtPoint(POINT P) {
  RECT r{};
  GetMonitorWorkAreaAtPoint(P, r);
  return r;
}

void FitRectToWorkArea(RECT& ABounds, POINT ADesktopPoint) {
  RECT area;
  GetMonitorWorkAreaAtPoint(ADesktopPoint, area);
  auto shift = [&ABounds](LONG dx, LONG dy) { OffsetRect(&ABounds, dx, dy); };
  if (ABounds.right > area.right) shift(area.right - ABounds.right, 0);
  if (ABounds.bottom > area.bottom) shift(0, area.bottom - ABounds.bottom);
  if (ABounds.left < area.left) shift(area.left - ABounds.left, 0);
  if (ABounds.top < area.top) shift(0, area.top - ABounds.top);
}

void MapPointBetweenWindows(HWND AFrom, HWND ATo, POINT& P) { MapWindowPoints(AFrom, ATo, &P, 1); }

void MapRectBetweenWindows(HWND AFrom, HWND ATo, RECT& R) {
  POINT corners[2] = {{R.left, R.top}, {R.right, R.bottom}};
  MapPointBetweenWindows(AFrom, ATo, corners[0]);
  MapPointBetweenWindows(AFrom, ATo, corners[1]);
  R = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

void GetCursorScreenPos(POINT& P) { GetCursorPos(&P); }

bool IsCtrlPressed() { return GetAsyncKeyState(VK_CONTROL) < 0; }

bool IsWithinDragThreshold(POINT P, int32_t X, int32_t Y) {
  const int32_t threshold = Mouse ? Mouse->DragThreshold() : 5;
  return std::abs(X - P.x) < threshold && std::abs(Y - P.y) < threshold;
}

bool IsNumericChar(char ACh, int32_t AKind) {
  if ((ACh >= '0' && ACh <= '9') || ACh == '+' || ACh == '-') return true;
  if (AKind == 1 || AKind == 2)
    if (ACh == FormatSettings().DecimalSeparator) return true;
  return AKind == 2 && (ACh == 'e' || ACh == 'E');
}

bool IsPrintableChar(char32_t ACh) { return ACh >= 32; }

uint16_t TranslateKey(uint16_t AKey) { return AKey; }

bool IsLoadingComponent(TComponent* AComponent) { return AComponent->ComponentState().Contains(csLoading); }

void SetDesignerModified(TControl* AControl) {
  // Only a designing control has a designer to tell; this system runs no form designer, so a designing
  // control's form has nobody to hear of the change.
  (void)AControl;
}

void PostCursorMouseMove(TWinControl* AControl) {
  if (!AControl || !AControl->HandleAllocated()) return;
  POINT p;
  GetCursorPos(&p);
  p = AControl->ScreenToClient(p);
  PostMessage(AControl->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
}

// ---- the unit's life ---------------------------------------------------------------------------------

namespace {
void FreeUnitState() {
  if (TrackingList) {
    std::vector<TMouseTrackingTimer*> left;
    left.swap(*TrackingList);
    delete TrackingList;
    TrackingList = nullptr;
    for (TMouseTrackingTimer* timer : left) timer->Free();
  }
  if (TimerWindow) {
    if (!ProgramExiting) TimerWindow->Destroy();
    delete TimerWindow;
    TimerWindow = nullptr;
  }
  HourglassCount = 0;
}

// Program exit runs the same clean-up, without calls into a window system that may be gone by then.
struct TcxControlsExit {
  ~TcxControlsExit() {
    ProgramExiting = true;
    FreeUnitState();
  }
} ControlsExit;
}  // namespace

void cxControlsFinalize() {
  // Callers still tracked at the end are not worth failing the exit for: their entries are freed
  // quietly, without telling them.
  FreeUnitState();
  cxControlBaseFinalize();
}
