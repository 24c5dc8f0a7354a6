#include "forms/Controls.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "forms/ActnList.h"
#include "forms/Forms.h"
#include "forms/Menus.h"
#include "rtl/Filer.h"
#include "rtl/TypInfo.h"
#include "winapi/WinCtrls.h"

// ===================================================================================================
// Message maps

namespace {
struct TMessageMaps {
  std::mutex Lock;
  std::unordered_map<TClass, std::unordered_map<UINT, TMessageHandler>> Maps;
};
TMessageMaps& MessageMaps() {
  static TMessageMaps maps;
  return maps;
}
}  // namespace

void RegisterMessageHandler(TClass cls, UINT msg, TMessageHandler handler) {
  auto& m = MessageMaps();
  std::lock_guard<std::mutex> lock(m.Lock);
  m.Maps[cls][msg] = handler;
}

TMessageHandler FindMessageHandler(TClass cls, UINT msg) {
  auto& m = MessageMaps();
  std::lock_guard<std::mutex> lock(m.Lock);
  for (TClass c = cls; c; c = c->ClassParent()) {
    auto it = m.Maps.find(c);
    if (it == m.Maps.end()) continue;
    auto h = it->second.find(msg);
    if (h != it->second.end()) return h->second;
  }
  return nullptr;
}

RTL_MESSAGE(TControl, WM_LBUTTONDOWN, WMLButtonDown);
RTL_MESSAGE(TControl, WM_LBUTTONUP, WMLButtonUp);
RTL_MESSAGE(TControl, WM_LBUTTONDBLCLK, WMLButtonDblClk);
RTL_MESSAGE(TControl, WM_RBUTTONDOWN, WMRButtonDown);
RTL_MESSAGE(TControl, WM_RBUTTONUP, WMRButtonUp);
RTL_MESSAGE(TControl, WM_MOUSEMOVE, WMMouseMove);
RTL_MESSAGE(TControl, WM_CONTEXTMENU, WMContextMenu);
RTL_MESSAGE(TControl, CM_ENABLEDCHANGED, CMEnabledChanged);
RTL_MESSAGE(TControl, CM_VISIBLECHANGED, CMVisibleChanged);
RTL_MESSAGE(TControl, CM_FONTCHANGED, CMFontChanged);
RTL_MESSAGE(TControl, CM_COLORCHANGED, CMColorChanged);
RTL_MESSAGE(TControl, CM_PARENTFONTCHANGED, CMParentFontChanged);
RTL_MESSAGE(TControl, CM_PARENTCOLORCHANGED, CMParentColorChanged);
RTL_MESSAGE(TControl, CM_PARENTSHOWHINTCHANGED, CMParentShowHintChanged);
RTL_MESSAGE(TControl, CM_MOUSEENTER, CMMouseEnter);
RTL_MESSAGE(TControl, CM_MOUSELEAVE, CMMouseLeave);
RTL_MESSAGE(TControl, CM_HITTEST, CMHitTest);
RTL_MESSAGE(TControl, CM_DRAG, CMDrag);
RTL_MESSAGE(TControl, CM_HINTSHOW, CMHintShow);
RTL_MESSAGE(TControl, CM_INVALIDATE, CMInvalidate);
RTL_MESSAGE(TControl, CM_TEXTCHANGED, CMTextChanged);
RTL_MESSAGE(TControl, WM_MOUSEWHEEL, WMMouseWheel);
RTL_MESSAGE(TControl, CM_MOUSEWHEEL, CMMouseWheel);

RTL_MESSAGE(TWinControl, WM_PAINT, WMPaint);
RTL_MESSAGE(TWinControl, WM_ERASEBKGND, WMEraseBkgnd);
RTL_MESSAGE(TWinControl, WM_SIZE, WMSize);
RTL_MESSAGE(TWinControl, WM_MOVE, WMMove);
RTL_MESSAGE(TWinControl, WM_SETFOCUS, WMSetFocus);
RTL_MESSAGE(TWinControl, WM_KILLFOCUS, WMKillFocus);
RTL_MESSAGE(TWinControl, WM_KEYDOWN, WMKeyDown);
RTL_MESSAGE(TWinControl, WM_KEYUP, WMKeyUp);
RTL_MESSAGE(TWinControl, WM_CHAR, WMChar);
RTL_MESSAGE(TWinControl, WM_SYSKEYDOWN, WMSysKeyDown);
RTL_MESSAGE(TWinControl, WM_COMMAND, WMCommand);
RTL_MESSAGE(TWinControl, WM_NOTIFY, WMNotify);
RTL_MESSAGE(TWinControl, WM_SETCURSOR, WMSetCursor);
RTL_MESSAGE(TWinControl, WM_NCDESTROY, WMNCDestroy);
RTL_MESSAGE(TWinControl, WM_WINDOWPOSCHANGED, WMWindowPosChanged);
RTL_MESSAGE(TWinControl, CN_KEYDOWN, CNKeyDown);
RTL_MESSAGE(TWinControl, CN_SYSKEYDOWN, CNKeyDown);
RTL_MESSAGE(TWinControl, CN_KEYUP, CNKeyUp);
RTL_MESSAGE(TWinControl, CN_CHAR, CNChar);
RTL_MESSAGE(TWinControl, CM_CHILDKEY, CMChildKey);
RTL_MESSAGE(TWinControl, CM_DIALOGKEY, CMDialogKey);
RTL_MESSAGE(TWinControl, CM_DIALOGCHAR, CMDialogChar);
RTL_MESSAGE(TWinControl, CM_ENTER, CMEnter);
RTL_MESSAGE(TWinControl, CM_EXIT, CMExit);
RTL_MESSAGE(TWinControl, CM_SHOWINGCHANGED, CMShowingChanged);
RTL_MESSAGE(TWinControl, CM_VISIBLECHANGED, CMVisibleChanged);
RTL_MESSAGE(TWinControl, CM_ENABLEDCHANGED, CMEnabledChanged);
RTL_MESSAGE(TWinControl, CM_FONTCHANGED, CMFontChanged);
RTL_MESSAGE(TWinControl, CM_COLORCHANGED, CMColorChanged);
RTL_MESSAGE(TWinControl, CM_TEXTCHANGED, CMTextChanged);
RTL_MESSAGE(TWinControl, CM_RECREATEWND, CMRecreateWnd);

namespace {
// Owner-draw requests and Alt+letter reach the control they belong to: a child's drawing and measuring
// come back to it as CN_DRAWITEM/CN_MEASUREITEM (found by its window, or by its window id while
// measuring), and a system character is offered to the form as a dialog character.
void ReflectDrawItem(TObject* self, TMessage& m) {
  auto* w = static_cast<TWinControl*>(self);
  auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  TWinControl* c = d ? TWinControl::FindControl(d->hwndItem) : nullptr;
  if (!c && d && d->CtlID != 0)
    for (int32_t i = 0; i < w->ControlCount() && !c; ++i)
      if (auto* wc = dynamic_cast<TWinControl*>(w->Controls(i));
          wc && wc->HandleAllocated() && GetWindowLongPtr(wc->Handle(), GWLP_ID) == static_cast<LONG_PTR>(d->CtlID))
        c = wc;
  if (c && c != w) {
    m.Result = c->Perform(CN_DRAWITEM, m.WParam, m.LParam);
    return;
  }
  w->DefaultHandler(m);
}
void ReflectMeasureItem(TObject* self, TMessage& m) {
  auto* w = static_cast<TWinControl*>(self);
  auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
  if (mi && mi->CtlID != 0)
    for (int32_t i = 0; i < w->ControlCount(); ++i)
      if (auto* wc = dynamic_cast<TWinControl*>(w->Controls(i));
          wc && wc->HandleAllocated() && GetWindowLongPtr(wc->Handle(), GWLP_ID) == static_cast<LONG_PTR>(mi->CtlID)) {
        m.Result = wc->Perform(CN_MEASUREITEM, m.WParam, m.LParam);
        return;
      }
  w->DefaultHandler(m);
}
void SysCharToDialogChar(TObject* self, TMessage& m) {
  m.Result = 0;
  TCustomForm* form = GetParentForm(static_cast<TControl*>(self));
  if (form && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0) m.Result = 1;
}
const bool gReflectionRegistered = (RegisterMessageHandler(TWinControl::StaticClass(), WM_DRAWITEM, ReflectDrawItem),
                                    RegisterMessageHandler(TWinControl::StaticClass(), WM_MEASUREITEM, ReflectMeasureItem),
                                    RegisterMessageHandler(TWinControl::StaticClass(), CN_SYSCHAR, SysCharToDialogChar),
                                    true);
}  // namespace
RTL_MESSAGE(TWinControl, CM_SYSCOLORCHANGE, CMSysColorChange);
RTL_MESSAGE(TWinControl, CM_FOCUSCHANGED, CMFocusChanged);
RTL_MESSAGE(TWinControl, CM_INVALIDATE, CMInvalidate);
RTL_MESSAGE(TGraphicControl, WM_PAINT, WMPaint);

// ===================================================================================================
// Published properties

RTL_PUBLISHED(TSizeConstraints) {
  prop("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight).Default(0);
  prop("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth).Default(0);
  prop("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight).Default(0);
  prop("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth).Default(0);
}

RTL_PUBLISHED(TControl) {
  prop("Left", &TControl::Left, &TControl::SetLeft);
  prop("Top", &TControl::Top, &TControl::SetTop);
  prop("Width", &TControl::Width, &TControl::SetWidth);
  prop("Height", &TControl::Height, &TControl::SetHeight);
  prop("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  prop("Anchors", &TControl::Anchors, &TControl::SetAnchors).Default(TAnchors{akLeft, akTop});
  prop("Constraints", &TControl::Constraints, &TControl::SetConstraints);
  prop("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  prop("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  prop("Color", &TControl::Color, &TControl::SetColor).Type(TypeInfoAlias("TColor", TypeInfo<int32_t>()))
      .Stored([](TControl& c) { return !c.ParentColor(); });
  prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
  prop("Font", &TControl::Font, &TControl::SetFont).Stored([](TControl& c) { return !c.ParentFont(); });
  prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  prop("Cursor", &TControl::Cursor, &TControl::SetCursor).Default(crDefault);
  prop("Caption", &TControl::Caption, &TControl::SetCaption);
  prop("Hint", &TControl::Hint, &TControl::SetHint);
  prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Stored([](TControl& c) { return !c.ParentShowHint(); });
  prop("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  prop("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  prop("Action", &TControl::Action, &TControl::SetAction);
  prop("DragMode", &TControl::DragMode, &TControl::SetDragMode).Default(dmManual);
  prop("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor).Default(crDrag);
  event("OnClick", &TControl::OnClick, &TControl::OnClick);
  event("OnDblClick", &TControl::OnDblClick, &TControl::OnDblClick);
  event("OnMouseDown", &TControl::OnMouseDown, &TControl::OnMouseDown);
  event("OnMouseUp", &TControl::OnMouseUp, &TControl::OnMouseUp);
  event("OnMouseMove", &TControl::OnMouseMove, &TControl::OnMouseMove);
  event("OnResize", &TControl::OnResize, &TControl::OnResize);
  event("OnDragOver", &TControl::OnDragOver, &TControl::OnDragOver);
  event("OnDragDrop", &TControl::OnDragDrop, &TControl::OnDragDrop);
  event("OnStartDrag", &TControl::OnStartDrag, &TControl::OnStartDrag);
  event("OnEndDrag", &TControl::OnEndDrag, &TControl::OnEndDrag);
  event("OnContextPopup", &TControl::OnContextPopup, &TControl::OnContextPopup);
}

RTL_PUBLISHED(TWinControl) {
  prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
  prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1);
  event("OnEnter", &TWinControl::OnEnter, &TWinControl::OnEnter);
  event("OnExit", &TWinControl::OnExit, &TWinControl::OnExit);
  event("OnKeyDown", &TWinControl::OnKeyDown, &TWinControl::OnKeyDown);
  event("OnKeyPress", &TWinControl::OnKeyPress, &TWinControl::OnKeyPress);
  event("OnKeyUp", &TWinControl::OnKeyUp, &TWinControl::OnKeyUp);
}

// ===================================================================================================
// Helpers

TShiftState KeysToShiftState(WORD keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s.Include(ssShift);
  if (keys & MK_CONTROL) s.Include(ssCtrl);
  if (keys & MK_LBUTTON) s.Include(ssLeft);
  if (keys & MK_RBUTTON) s.Include(ssRight);
  if (keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (keyData & 0x20000000) s.Include(ssAlt);
  return s;
}

TShiftState GetShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
  return s;
}

static POINT PointOf(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

TCustomForm* GetParentForm(TControl* control) {
  while (control && control->Parent()) control = control->Parent();
  return control && control->Is<TCustomForm>() ? static_cast<TCustomForm*>(control) : nullptr;
}

// ===================================================================================================
// Window objects: one registered class per control class, messages routed to the control

namespace {
std::unordered_map<HWND, TWinControl*>& ControlsByHandle() {
  static std::unordered_map<HWND, TWinControl*> map;
  return map;
}
thread_local TWinControl* gCreationControl = nullptr;

LRESULT ControlWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto& map = ControlsByHandle();
  TWinControl* control = nullptr;
  auto it = map.find(hwnd);
  if (it != map.end()) {
    control = it->second;
  } else if (gCreationControl) {
    control = gCreationControl;
    gCreationControl = nullptr;
    map[hwnd] = control;
    control->rtl_AttachHandle(hwnd);
  }
  if (!control) return DefWindowProc(hwnd, msg, wp, lp);
  TMessage m{msg, wp, lp, 0};
  try {
    control->WndProc(m);
  } catch (...) {
    if (Application)
      Application->HandleException(control);
    else
      throw;
  }
  return m.Result;
}
}  // namespace

TWinControl* TWinControl::FindControl(HWND hwnd) {
  auto& map = ControlsByHandle();
  auto it = map.find(hwnd);
  return it == map.end() ? nullptr : it->second;
}

TWinControl* FindControl(HWND hwnd) { return TWinControl::FindControl(hwnd); }

TControl* FindVCLWindow(POINT pos) {
  HWND h = WindowFromPoint(pos);
  TWinControl* w = nullptr;
  while (h && !(w = FindControl(h))) h = GetParent(h);
  if (!w) return nullptr;
  TControl* c = w->ControlAtPos(w->ScreenToClient(pos), false);
  return c ? c : w;
}

TControl* FindDragTarget(POINT pos, bool allowDisabled) {
  HWND h = WindowFromPoint(pos);
  TWinControl* w = nullptr;
  while (h && !(w = FindControl(h))) h = GetParent(h);
  if (!w) return nullptr;
  TControl* c = w->ControlAtPos(w->ScreenToClient(pos), allowDisabled);
  return c ? c : w;
}

// ===================================================================================================
// TSizeConstraints

void TSizeConstraints::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TSizeConstraints*>(source)) {
    FMaxHeight = s->FMaxHeight;
    FMaxWidth = s->FMaxWidth;
    FMinHeight = s->FMinHeight;
    FMinWidth = s->FMinWidth;
    Change();
    return;
  }
  inherited::Assign(source);
}
void TSizeConstraints::SetMaxHeight(int32_t v) {
  if (v == FMaxHeight) return;
  FMaxHeight = v;
  if (v > 0 && v < FMinHeight) FMinHeight = v;
  Change();
}
void TSizeConstraints::SetMaxWidth(int32_t v) {
  if (v == FMaxWidth) return;
  FMaxWidth = v;
  if (v > 0 && v < FMinWidth) FMinWidth = v;
  Change();
}
void TSizeConstraints::SetMinHeight(int32_t v) {
  if (v == FMinHeight) return;
  FMinHeight = v;
  if (FMaxHeight > 0 && v > FMaxHeight) FMaxHeight = v;
  Change();
}
void TSizeConstraints::SetMinWidth(int32_t v) {
  if (v == FMinWidth) return;
  FMinWidth = v;
  if (FMaxWidth > 0 && v > FMaxWidth) FMaxWidth = v;
  Change();
}
void TSizeConstraints::Change() {
  if (FControl) FControl->SetBounds(FControl->Left(), FControl->Top(), FControl->Width(), FControl->Height());
  if (OnChange) OnChange(this);
}

// ===================================================================================================
// Dragging

namespace {
struct TDragState_ {
  TDragObject* Object = nullptr;
  bool Internal = false;  // created by the drag itself: handlers see the control as the source
  bool Pending = false;   // waiting for the mouse to pass the threshold
  bool Active = false;
  TControl* Control = nullptr;
  POINT StartPos{0, 0};
  int32_t Threshold = 5;
  TControl* Target = nullptr;
  HWND CaptureWnd = nullptr;
};
TDragState_ gDrag;

LRESULT DragCaptureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

HWND DragCaptureWindow() {
  if (gDrag.CaptureWnd && IsWindow(gDrag.CaptureWnd)) return gDrag.CaptureWnd;
  WNDCLASS wc{};
  if (!GetClassInfo(nullptr, "TDragCaptureWindow", &wc)) {
    wc = WNDCLASS{};
    wc.lpfnWndProc = DragCaptureProc;
    wc.lpszClassName = "TDragCaptureWindow";
    RegisterClass(&wc);
  }
  gDrag.CaptureWnd = CreateWindowEx(0, "TDragCaptureWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  return gDrag.CaptureWnd;
}

TObject* DragSourceArg() {
  if (gDrag.Internal) return static_cast<TDragControlObject*>(gDrag.Object)->Control();
  return gDrag.Object;
}

LRESULT DragMessage(TControl* target, TDragMessage msg, POINT pos) {
  if (!target || !gDrag.Object) return 0;
  TDragRec rec{pos, gDrag.Object, target, false};
  return target->Perform(CM_DRAG, msg, reinterpret_cast<LPARAM>(&rec));
}

void StartDrag() {
  gDrag.Pending = false;
  TDragObject* obj = nullptr;
  TControl* control = gDrag.Control;
  control->DoStartDragPublic(obj);
  if (!obj) {
    obj = New<TDragControlObject>(control);
    gDrag.Internal = true;
  } else {
    gDrag.Internal = false;
  }
  gDrag.Object = obj;
  gDrag.Active = true;
}

void FreeDrag() {
  if (gDrag.Internal && gDrag.Object) gDrag.Object->Free();
  gDrag.Object = nullptr;
  gDrag.Internal = false;
  gDrag.Active = false;
  gDrag.Pending = false;
  gDrag.Control = nullptr;
  gDrag.Target = nullptr;
}

LRESULT DragCaptureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    switch (msg) {
      case WM_MOUSEMOVE: {
        POINT p = PointOf(lp);
        ::ClientToScreen(hwnd, &p);
        if (gDrag.Pending) {
          if (std::abs(p.x - gDrag.StartPos.x) >= gDrag.Threshold || std::abs(p.y - gDrag.StartPos.y) >= gDrag.Threshold)
            StartDrag();
        }
        if (gDrag.Active) DragTo(p);
        return 0;
      }
      case WM_LBUTTONUP: {
        POINT p = PointOf(lp);
        ::ClientToScreen(hwnd, &p);
        if (gDrag.Active) {
          DragTo(p);
          DragDone(true);
        } else {
          FreeDrag();
          ReleaseCapture();
        }
        return 0;
      }
      case WM_RBUTTONDOWN:
        if (gDrag.Active || gDrag.Pending) DragDone(false);
        return 0;
      case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lp) != hwnd && (gDrag.Active || gDrag.Pending)) DragDone(false);
        return 0;
    }
  } catch (...) {
    if (Application) Application->HandleException(nullptr);
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}
}  // namespace

TDragObject* DragObject() { return gDrag.Object; }
bool Dragging() { return gDrag.Active || gDrag.Pending; }

void DragTo(const POINT& pos) {
  if (!gDrag.Active) return;
  TControl* target = FindDragTarget(pos, false);
  if (target != gDrag.Target) {
    if (gDrag.Target) DragMessage(gDrag.Target, dmDragLeave, pos);
    gDrag.Target = target;
    if (target) DragMessage(target, dmDragEnter, pos);
  }
  bool accepted = target && DragMessage(target, dmDragMove, pos) != 0;
  gDrag.Object->FDragPos = pos;
  gDrag.Object->FDragTarget = target;
  gDrag.Object->FDragTargetPos = target ? target->ScreenToClient(pos) : pos;
  if (Screen) {
    POINT tp = gDrag.Object->FDragTargetPos;
    ::SetCursor(Screen->Cursors(gDrag.Object->GetDragCursor(accepted, tp.x, tp.y)));
  }
}

void DragDone(bool drop) {
  if (!gDrag.Active) {
    if (gDrag.Pending) {
      FreeDrag();
      if (GetCapture() == gDrag.CaptureWnd) ReleaseCapture();
    }
    return;
  }
  TDragObject* obj = gDrag.Object;
  TControl* target = gDrag.Target;
  POINT pos = obj->FDragPos;
  bool accepted = drop && target && DragMessage(target, dmDragMove, pos) != 0;
  gDrag.Active = false;  // the capture change below must not cancel twice
  if (GetCapture() == gDrag.CaptureWnd) ReleaseCapture();
  gDrag.Active = true;
  obj->FCancelling = !drop;
  POINT tp = target ? target->ScreenToClient(pos) : pos;
  if (target) {
    if (accepted) {
      obj->FDropped = true;
      DragMessage(target, dmDragDrop, pos);
    } else {
      DragMessage(target, dmDragLeave, pos);
    }
  }
  gDrag.Active = false;
  obj->Finished(accepted ? target : nullptr, tp.x, tp.y, accepted);
  FreeDrag();
  if (Screen) ::SetCursor(Screen->Cursors(crDefault));
}

void CancelDrag() {
  if (gDrag.Active || gDrag.Pending) DragDone(false);
}

TCursor TDragObject::GetDragCursor(bool accepted, int32_t, int32_t) { return accepted ? crDrag : crNoDrop; }

void TDragControlObject::Finished(TObject* target, int32_t x, int32_t y, bool accepted) {
  (void)accepted;
  if (FControl) FControl->DoEndDragPublic(target, x, y);
}

// ===================================================================================================
// TMouse

static TMouse* MakeMouse() { return New<TMouse>(); }
TMouse* Mouse = MakeMouse();

POINT TMouse::CursorPos() const {
  POINT p{0, 0};
  GetCursorPos(&p);
  return p;
}
void TMouse::SetCursorPos(POINT p) { ::SetCursorPos(p.x, p.y); }
void TMouse::SetCapture(HWND v) {
  if (v)
    ::SetCapture(v);
  else
    ReleaseCapture();
}

// ===================================================================================================
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FConstraints = New<TSizeConstraints>(this);
  FFont = New<TFont>();
  FControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TControl::~TControl() {
  FreeAndNil(FActionLink);
  FreeAndNil(FFont);
  FreeAndNil(FConstraints);
}

void TControl::AfterConstruction() {
  inherited::AfterConstruction();
  FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
}

void TControl::BeforeDestruction() {
  if (gDrag.Control == this) CancelDrag();
  // The application's idle pass would otherwise touch a freed control under the mouse or with a hint.
  if (Application) {
    if (Application->FHintControl == this) Application->CancelHint();
    if (Application->FMouseControl == this) Application->FMouseControl = nullptr;
  }
  if (FParent) FParent->RemoveControl(this);
  inherited::BeforeDestruction();
}

void TControl::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
    if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && FDragMode == dmAutomatic && !::Dragging() &&
        !ComponentState().Contains(csDesigning)) {
      BeginDrag(Mouse->DragImmediate(), Mouse->DragThreshold());
      return;
    }
  }
  Dispatch(m);
}

void TControl::Dispatch(TMessage& m) {
  if (TMessageHandler h = FindMessageHandler(ClassType(), m.Msg))
    h(this, m);
  else
    DefaultHandler(m);
}

void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_GETTEXT: {
      String t = GetText();
      if (m.WParam > 0 && m.LParam) {
        size_t n = std::min<size_t>(t.size(), m.WParam - 1);
        std::copy_n(t.data(), n, reinterpret_cast<char*>(m.LParam));
        reinterpret_cast<char*>(m.LParam)[n] = 0;
        m.Result = static_cast<LRESULT>(n);
      }
      return;
    }
    case WM_GETTEXTLENGTH:
      m.Result = static_cast<LRESULT>(GetText().size());
      return;
    case WM_SETTEXT:
      FText = m.LParam ? reinterpret_cast<const char*>(m.LParam) : "";
      Perform(CM_TEXTCHANGED);
      m.Result = 1;
      return;
  }
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::SetParent(TWinControl* value) {
  if (FParent == value) return;
  if (value == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (value) {
    value->InsertControl(this);
    UpdateAnchorRules();
  }
}

TComponent* TControl::GetParentComponent() const { return FParent; }
bool TControl::HasParent() const { return true; }
void TControl::SetParentComponent(TComponent* value) {
  if (auto* w = dynamic_cast<TWinControl*>(value)) SetParent(w);
}

void TControl::ConstrainedResize(int32_t& w, int32_t& h) {
  if (FConstraints->MinWidth() > 0 && w < FConstraints->MinWidth()) w = FConstraints->MinWidth();
  if (FConstraints->MaxWidth() > 0 && w > FConstraints->MaxWidth()) w = FConstraints->MaxWidth();
  if (FConstraints->MinHeight() > 0 && h < FConstraints->MinHeight()) h = FConstraints->MinHeight();
  if (FConstraints->MaxHeight() > 0 && h > FConstraints->MaxHeight()) h = FConstraints->MaxHeight();
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  ConstrainedResize(width, height);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  InvalidateControl(Visible(), false);
  bool resized = width != FWidth || height != FHeight;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  InvalidateControl(Visible(), false);
  if (!FParent || FParent->FAlignLevel == 0 || !FParent->ControlState().Contains(csAlignmentNeeded)) {
    // Set by code (not by the parent's alignment): the anchors measure from here.
  }
  UpdateAnchorRules();
  RequestAlign();
  if (resized) Resize();
}

void TControl::UpdateAnchorRules() {
  if (!FParent || (FParent->FAlignLevel > 0 && FParent->FAligningNow)) return;
  if (ComponentState().Contains(csLoading)) return;
  FAnchorBounds = BoundsRect();
  RECT r = FParent->ClientRect();
  FAnchorParentSize = SIZE{r.right - r.left, r.bottom - r.top};
  FAnchorRulesValid = true;
}

RECT TControl::ClientRect() { return RECT{0, 0, FWidth, FHeight}; }

void TControl::SetClientSize(int32_t w, int32_t h) {
  RECT r = ClientRect();
  SetBounds(FLeft, FTop, FWidth - (r.right - r.left) + w, FHeight - (r.bottom - r.top) + h);
}

POINT TControl::ClientOrigin() {
  if (!FParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  POINT p = FParent->ClientOrigin();
  p.x += FLeft;
  p.y += FTop;
  return p;
}

POINT TControl::ClientToScreen(POINT p) {
  POINT o = ClientOrigin();
  return POINT{p.x + o.x, p.y + o.y};
}
POINT TControl::ScreenToClient(POINT p) {
  POINT o = ClientOrigin();
  return POINT{p.x - o.x, p.y - o.y};
}

void TControl::RequestAlign() {
  // Unaligned children too: the parent's anchors and scroll ranges follow every move.
  if (FParent) FParent->AlignControl(this);
}

void TControl::SetAlign(TAlign v) {
  if (FAlign == v) return;
  TAlign old = FAlign;
  FAlign = v;
  if (old == alNone || v == alNone) UpdateAnchorRules();
  if (FParent) FParent->AlignControl(this);
}

void TControl::SetAnchors(TAnchors v) {
  if (FAnchors == v) return;
  FAnchors = v;
  UpdateAnchorRules();
}

void TControl::SetVisible(bool v) {
  if (FVisible == v) return;
  VisibleChanging();
  FVisible = v;
  Perform(CM_VISIBLECHANGED, v ? 1 : 0);
  RequestAlign();
  if (FParent && FAlign == alNone) FParent->AlignControl(this);
}
void TControl::Show() {
  if (FParent) FParent->ShowControlChain(this);
  SetVisible(true);
}
void TControl::Hide() { SetVisible(false); }
bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::SetEnabled(bool v) {
  if (FEnabled == v) return;
  FEnabled = v;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor v) {
  if (FColor == v) return;
  FColor = v;
  FParentColor = false;
  Perform(CM_COLORCHANGED);
}
void TControl::SetParentColor(bool v) {
  if (FParentColor == v) return;
  FParentColor = v;
  if (FParent && v) Perform(CM_PARENTCOLORCHANGED);
}
void TControl::SetParentFont(bool v) {
  if (FParentFont == v) return;
  FParentFont = v;
  if (FParent && v) Perform(CM_PARENTFONTCHANGED);
}
void TControl::SetCursor(TCursor v) {
  if (FCursor == v) return;
  FCursor = v;
  Perform(CM_CURSORCHANGED);
}

void TControl::FontChanged(TObject*) {
  FParentFont = false;
  Perform(CM_FONTCHANGED);
}

String TControl::Text() const { return GetText(); }
void TControl::SetText(const String& v) {
  if (GetText() != v) SetTextBuf(v);
}
void TControl::SetTextBuf(const String& v) { Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(v.c_str())); }

void TControl::SetName(const String& value) {
  // A control whose caption followed its name keeps following it, as the designer expects.
  bool changeText = FControlStyle.Contains(csSetCaption) && !ComponentState().Contains(csLoading) &&
                    Name() == Text() && (!Owner() || !Owner()->ComponentState().Contains(csLoading));
  inherited::SetName(value);
  if (changeText) SetText(value);
}

void TControl::SetShowHint(bool v) {
  if (FShowHint == v && !FParentShowHint) return;
  FShowHint = v;
  FParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED);
}
void TControl::SetParentShowHint(bool v) {
  if (FParentShowHint == v) return;
  FParentShowHint = v;
  if (FParent && v) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetPopupMenu(TPopupMenu* v) {
  FPopupMenu = v;
  if (v) v->FreeNotification(this);
}

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
  (void)isOpaque;
  if (!isVisible || !FParent || !FParent->HandleAllocated()) return;
  if (Is<TWinControl>()) return;  // windowed children repaint through the window manager
  RECT r = BoundsRect();
  InvalidateRect(FParent->Handle(), &r, TRUE);
}

void TControl::Invalidate() { InvalidateControl(Visible(), FControlStyle.Contains(csOpaque)); }
void TControl::Update() {
  if (FParent) FParent->Update();
}
void TControl::Repaint() {
  if (!Visible() || !FParent || !FParent->HandleAllocated()) return;
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (FParent) FParent->SetZOrderOf(this, true);
}
void TControl::SendToBack() {
  if (FParent) FParent->SetZOrderOf(this, false);
}

void TControl::Click() {
  // A handler of its own wins over the action's; otherwise the action runs.
  if (OnClick && FActionLink && FActionLink->Action() && OnClick != FActionLink->Action()->OnExecute())
    OnClick(this);
  else if (FActionLink && FActionLink->Action() && !ComponentState().Contains(csDesigning))
    FActionLink->Execute(this);
  else if (OnClick)
    OnClick(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FPopupMenu) FPopupMenu = nullptr;
  if (FActionLink && component == FActionLink->Action()) ActionFreed();
}

TBasicAction* TControl::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TControl::SetAction(TBasicAction* v) {
  if (!v) {
    FreeAndNil(FActionLink);
    return;
  }
  if (!FActionLink) FActionLink = New<TControlActionLink>(this);
  FActionLink->SetAction(v);
  static_cast<TControlActionLink*>(FActionLink)->AssignFromAction();
  v->FreeNotification(this);
}

void TControl::ActionFreed() {
  FreeAndNil(FActionLink);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

bool TControl::MouseCapture() {
  HWND h = ParentWindowHandle();
  return h && GetCapture() == h && (Is<TWinControl>() || (FParent && FParent->FCaptureControl == this));
}
void TControl::SetMouseCapture(bool v) {
  if (MouseCapture() == v) return;
  HWND h = ParentWindowHandle();
  if (!h) return;
  if (v) {
    if (!Is<TWinControl>() && FParent) FParent->FCaptureControl = this;
    ::SetCapture(h);
  } else {
    if (!Is<TWinControl>() && FParent) FParent->FCaptureControl = nullptr;
    ReleaseCapture();
  }
}

HWND TControl::ParentWindowHandle() { return FParent ? FParent->Handle() : nullptr; }

void TControl::BeginDrag(bool immediate, int32_t threshold) {
  if (::Dragging()) return;
  if (threshold < 0) threshold = Mouse->DragThreshold();
  if (MouseCapture()) SetMouseCapture(false);
  gDrag = TDragState_{nullptr, false, true, false, this, Mouse->CursorPos(), threshold, nullptr, gDrag.CaptureWnd};
  ::SetCapture(DragCaptureWindow());
  if (immediate) {
    StartDrag();
    DragTo(Mouse->CursorPos());
  }
}

void TControl::EndDrag(bool drop) {
  if (gDrag.Control == this) DragDone(drop);
}
bool TControl::Dragging() const { return gDrag.Control == this && (gDrag.Active || gDrag.Pending); }

void TControl::DoStartDrag(TDragObject*& dragObject) {
  if (OnStartDrag) OnStartDrag(this, dragObject);
}
void TControl::DoStartDragPublic(TDragObject*& dragObject) { DoStartDrag(dragObject); }
void TControl::DoEndDrag(TObject* target, int32_t x, int32_t y) {
  if (OnEndDrag) OnEndDrag(this, target, x, y);
}
void TControl::DoEndDragPublic(TObject* target, int32_t x, int32_t y) { DoEndDrag(target, x, y); }

void TControl::DragOver(TObject* source, int32_t x, int32_t y, TDragState state, bool& accept) {
  accept = false;
  if (OnDragOver) {
    accept = true;
    OnDragOver(this, source, x, y, state, accept);
  }
}
void TControl::DragDrop(TObject* source, int32_t x, int32_t y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::CMDrag(TMessage& m) {
  auto* rec = reinterpret_cast<TDragRec*>(m.LParam);
  POINT p = ScreenToClient(rec->Pos);
  TObject* source = DragSourceArg();
  switch (static_cast<TDragMessage>(m.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
      static const TDragState states[] = {dsDragEnter, dsDragLeave, dsDragMove};
      bool accept = true;
      DragOver(source, p.x, p.y, states[m.WParam], accept);
      m.Result = accept ? 1 : 0;
      break;
    }
    case dmDragDrop:
      DragDrop(source, p.x, p.y);
      break;
    case dmFindTarget:
      m.Result = reinterpret_cast<LRESULT>(this);
      break;
    default:
      break;
  }
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::Loaded() {
  inherited::Loaded();
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

static void DoMouse(TControl* c, TMessage& m, TMouseButton b, bool down, TShiftState extra = {}) {
  POINT p = PointOf(m.LParam);
  TShiftState s = KeysToShiftState(static_cast<WORD>(m.WParam)) + extra;
  if (c->ControlStyle().Contains(csNoStdEvents)) return;
  if (down)
    c->MouseDownPublic(b, s, p.x, p.y);
  else
    c->MouseUpPublic(b, s, p.x, p.y);
}
void TControl::MouseDownPublic(TMouseButton b, TShiftState s, int32_t x, int32_t y) { MouseDown(b, s, x, y); }
void TControl::MouseUpPublic(TMouseButton b, TShiftState s, int32_t x, int32_t y) { MouseUp(b, s, x, y); }

void TControl::WMLButtonDown(TMessage& m) {
  SendCancelMode(this);
  DefaultHandler(m);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
  DoMouse(this, m, mbLeft, true);
}

void TControl::WMLButtonDblClk(TMessage& m) {
  SendCancelMode(this);
  DefaultHandler(m);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) DblClick();
  DoMouse(this, m, mbLeft, true, TShiftState{ssDouble});
}

void TControl::WMLButtonUp(TMessage& m) {
  DefaultHandler(m);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (FControlState.Contains(csClicked)) {
    FControlState.Exclude(csClicked);
    POINT p = PointOf(m.LParam);
    RECT r = ClientRect();
    if (PtInRect(&r, p)) Click();
  }
  DoMouse(this, m, mbLeft, false);
}

void TControl::WMRButtonDown(TMessage& m) {
  DefaultHandler(m);
  DoMouse(this, m, mbRight, true);
}

void TControl::WMRButtonUp(TMessage& m) {
  DefaultHandler(m);
  DoMouse(this, m, mbRight, false);
}

void TControl::WMMouseMove(TMessage& m) {
  DefaultHandler(m);
  if (FControlStyle.Contains(csNoStdEvents)) return;
  POINT p = PointOf(m.LParam);
  MouseMove(KeysToShiftState(static_cast<WORD>(m.WParam)), p.x, p.y);
}

void TControl::DoContextPopup(POINT mousePos, bool& handled) {
  if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

void TControl::WMContextMenu(TMessage& m) {
  if (m.Result != 0) return;
  POINT screen = PointOf(m.LParam);
  // A graphic child has no window of its own: its parent's menu request is offered to it first.
  if (auto* self = dynamic_cast<TWinControl*>(this); self && !(screen.x == -1 && screen.y == -1)) {
    if (TControl* child = self->ControlAtPos(ScreenToClient(screen), false)) {
      m.Result = child->Perform(WM_CONTEXTMENU, m.WParam, m.LParam);
      if (m.Result != 0) return;
    }
  }
  POINT p = (screen.x == -1 && screen.y == -1) ? POINT{-1, -1} : ScreenToClient(screen);
  bool handled = false;
  DoContextPopup(p, handled);
  m.Result = handled ? 1 : 0;
  if (handled) return;
  TPopupMenu* menu = FPopupMenu;
  if (menu && menu->AutoPopup()) {
    if (screen.x == -1 && screen.y == -1) screen = ClientToScreen(POINT{0, 0});
    menu->SetPopupComponent(this);
    menu->Popup(screen.x, screen.y);
    m.Result = 1;
    return;
  }
  if (!Is<TWinControl>() || !static_cast<TWinControl*>(this)->HandleAllocated()) return;
  DefaultHandler(m);
}

bool TControl::DoMouseWheel(TShiftState shift, int32_t wheelDelta, POINT mousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  if (!handled) {
    if (wheelDelta < 0)
      handled = DoMouseWheelDown(shift, mousePos);
    else if (wheelDelta > 0)
      handled = DoMouseWheelUp(shift, mousePos);
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, POINT mousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, POINT mousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
  return handled;
}

void TControl::WMMouseWheel(TMessage& m) {
  // The wheel goes to the focused control; what it leaves goes up to its parents.
  TShiftState shift = KeysToShiftState(GET_KEYSTATE_WPARAM(m.WParam));
  POINT p = PointOf(m.LParam);
  if (DoMouseWheel(shift, GET_WHEEL_DELTA_WPARAM(m.WParam), p)) {
    m.Result = 1;
    return;
  }
  if (FParent) {
    m.Result = FParent->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
    if (m.Result) return;
  }
  DefaultHandler(m);
}

void TControl::CMMouseWheel(TMessage& m) {
  TShiftState shift = KeysToShiftState(GET_KEYSTATE_WPARAM(m.WParam));
  if (DoMouseWheel(shift, GET_WHEEL_DELTA_WPARAM(m.WParam), PointOf(m.LParam))) {
    m.Result = 1;
    return;
  }
  if (FParent) m.Result = FParent->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }
void TControl::CMVisibleChanged(TMessage&) { InvalidateControl(true, FControlStyle.Contains(csOpaque)); }
void TControl::CMFontChanged(TMessage&) { Invalidate(); }
void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMParentFontChanged(TMessage& m) {
  if (!FParentFont) return;
  TFont* src = m.WParam ? reinterpret_cast<TFont*>(m.LParam) : (FParent ? FParent->Font() : nullptr);
  if (!src) return;
  FFont->Assign(src);
  FParentFont = true;  // Assign's change notification cleared it
}

void TControl::CMParentColorChanged(TMessage& m) {
  if (!FParentColor) return;
  TColor c = m.WParam ? static_cast<TColor>(m.LParam) : (FParent ? FParent->Color() : FColor);
  SetColor(c);
  FParentColor = true;
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (FParentShowHint && FParent) {
    FShowHint = FParent->ShowHint();
  }
}

void TControl::CMMouseEnter(TMessage&) {
  FMouseInControl = true;
  if (FParent) FParent->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this));
  if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::CMMouseLeave(TMessage&) {
  FMouseInControl = false;
  if (FParent) FParent->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this));
  if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::CMHitTest(TMessage& m) { m.Result = HTCLIENT; }

void TControl::CMHintShow(TMessage& m) {
  (void)m;  // the default hint is the control's Hint, filled in by the application
}

void TControl::CMInvalidate(TMessage&) { Invalidate(); }

void SendCancelMode(TControl* sender) {
  TCustomForm* form = GetParentForm(sender);
  if (form) form->SendCancelMode(sender);
}

// ===================================================================================================
// TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() = default;

void TWinControl::BeforeDestruction() {
  // Children first: a child whose owner is elsewhere is only taken off this parent.
  for (int32_t i = ControlCount() - 1; i >= 0; --i) {
    TControl* c = FControls[static_cast<size_t>(i)];
    if (c->Owner() == nullptr) c->Free();
    else c->SetParent(nullptr);
    if (i > ControlCount()) i = ControlCount();
  }
  if (FHandle) DestroyHandle();
  inherited::BeforeDestruction();
}

void TWinControl::rtl_AttachHandle(HWND hwnd) { FHandle = hwnd; }

HWND TWinControl::Handle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle) return;
  if (FParent) FParent->HandleNeeded();
  CreateHandle();
}

void TWinControl::SetParentWindow(HWND v) {
  if (FParent || FParentWindow == v) return;
  if (FHandle && v) ::SetParent(FHandle, v);
  else if (FHandle) DestroyHandle();
  FParentWindow = v;
  UpdateControlState();
}

HWND TWinControl::ParentWindowHandle() { return Handle(); }

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = FText;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle.Contains(csAcceptsControls)) p.Style |= WS_CLIPCHILDREN;
  if (!FEnabled) p.Style |= WS_DISABLED;
  if (FTabStop) p.Style |= WS_TABSTOP;
  p.X = FLeft;
  p.Y = FTop;
  p.Width = FWidth;
  p.Height = FHeight;
  p.WndParent = FParent ? FParent->Handle() : FParentWindow;
  p.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  p.WindowClass.lpfnWndProc = DefWindowProc;
  p.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  p.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& p, const char* controlClassName) {
  WNDCLASS wc{};
  if (!GetClassInfo(nullptr, controlClassName, &wc))
    throw EOutOfResources(String("Window class ") + controlClassName + " is not available");
  DWORD keep = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  p.WindowClass = wc;
  p.WindowClass.style = (p.WindowClass.style & ~keep) | (wc.style & keep);
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if (p.WndParent == nullptr && (p.Style & WS_CHILD))
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  FDefWndProc = p.WindowClass.lpfnWndProc;
  WNDCLASS existing{};
  bool registered = GetClassInfo(nullptr, p.WinClassName.c_str(), &existing);
  if (registered && existing.lpfnWndProc != ControlWndProc) {
    UnregisterClass(p.WinClassName.c_str(), nullptr);
    registered = false;
  }
  if (!registered) {
    WNDCLASS wc = p.WindowClass;
    wc.lpfnWndProc = ControlWndProc;
    wc.lpszClassName = p.WinClassName.c_str();
    if (!RegisterClass(&wc)) throw EOutOfResources("Cannot register window class " + p.WinClassName);
  }
  CreateWindowHandle(p);
  if (!FHandle) throw EOutOfResources("Error creating window for " + Name());
  // Built-in window classes draw their text with the font they are given, not the control's.
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
  TWinControl* saved = gCreationControl;
  gCreationControl = this;
  HWND h = nullptr;
  try {
    h = CreateWindowEx(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                       p.WndParent, nullptr, nullptr, p.Param);
  } catch (...) {
    gCreationControl = saved;
    throw;
  }
  gCreationControl = saved;
  if (h && !FHandle) {
    ControlsByHandle()[h] = this;
    FHandle = h;
  }
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  FControlState.Include(csCreating);
  try {
    CreateWnd();
  } catch (...) {
    FControlState.Exclude(csCreating);
    throw;
  }
  FControlState.Exclude(csCreating);
  // Windowed children keep their tab order as z-order.
  UpdateBounds();
  for (TWinControl* c : FWinControls)
    if (c->FHandle) ::SetParent(c->FHandle, FHandle);
  Realign();
}

void TWinControl::DestroyWnd() { DestroyWindowHandle(); }

void TWinControl::DestroyWindowHandle() {
  FControlState.Include(csDestroyingHandle);
  HWND h = FHandle;
  if (h) DestroyWindow(h);
  ControlsByHandle().erase(h);
  FHandle = nullptr;
  FControlState.Exclude(csDestroyingHandle);
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TWinControl* c : FWinControls) c->DestroyHandle();
  DestroyWnd();
  FShowing = false;
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  bool hadFocus = Focused();
  FRecreating = true;
  DestroyHandle();
  FRecreating = false;
  UpdateControlState();
  if (hadFocus && FHandle) ::SetFocus(FHandle);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  bool wasFocused = Focused();
  RecreateWnd();
  if (wasFocused && FHandle) ::SetFocus(FHandle);
}

void TWinControl::WMNCDestroy(TMessage& m) {
  DefaultHandler(m);
  ControlsByHandle().erase(FHandle);
  FHandle = nullptr;
  FShowing = false;
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm(this);
      if (form && form != this && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (FControlState.Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST:
      break;
    default:
      if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
        if (IsControlMouseMsg(m)) {
          if (m.Result == 0 && FHandle) DefWindowProc(FHandle, m.Msg, m.WParam, m.LParam);
          return;
        }
      } else if (m.Msg >= WM_KEYFIRST && m.Msg <= WM_KEYLAST) {
        if (Dragging()) return;
      }
      break;
  }
  inherited::WndProc(m);
}

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  TControl* control = nullptr;
  POINT p = PointOf(m.LParam);
  if (m.Msg == WM_MOUSEWHEEL) return false;
  if (FHandle && GetCapture() == FHandle) {
    if (FCaptureControl && FCaptureControl->Parent() == this) control = FCaptureControl;
  } else {
    control = ControlAtPos(p, false);
  }
  if (!control || control->Is<TWinControl>()) return false;
  LPARAM lp = MAKELPARAM(static_cast<WORD>(p.x - control->Left()), static_cast<WORD>(p.y - control->Top()));
  m.Result = control->Perform(m.Msg, m.WParam, lp);
  return true;
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (FHandle) {
    m.Result = CallWindowProc(FDefWndProc ? FDefWndProc : DefWindowProc, FHandle, m.Msg, m.WParam, m.LParam);
    if (m.Msg == WM_SETTEXT) Perform(CM_TEXTCHANGED);
    return;
  }
  inherited::DefaultHandler(m);
}

String TWinControl::GetText() const {
  if (!FHandle) return FText;
  int n = GetWindowTextLength(FHandle);
  String s(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowText(FHandle, s.data(), n + 1);
  s.resize(static_cast<size_t>(std::max(n, 0)));
  return s;
}

void TWinControl::SetTextBuf(const String& v) {
  FText = v;
  if (FHandle)
    ::SetWindowText(FHandle, v.c_str());
  Perform(CM_TEXTCHANGED);
}

void TWinControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  ConstrainedResize(width, height);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  if (FHandle && !IsIconic(FHandle)) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // WM_WINDOWPOSCHANGED updated the fields; a window that ignored the change keeps ours.
    if (FLeft != left || FTop != top || FWidth != width || FHeight != height) {
      FLeft = left, FTop = top, FWidth = width, FHeight = height;
    }
  } else {
    bool resized = width != FWidth || height != FHeight;
    FLeft = left, FTop = top, FWidth = width, FHeight = height;
    if (resized) {
      Realign();
      Resize();
    }
  }
  UpdateAnchorRules();
  RequestAlign();
}

void TWinControl::UpdateBounds() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  HWND parent = GetParent(FHandle);
  if (parent && (GetWindowLong(FHandle, GWL_STYLE) & WS_CHILD)) {
    POINT pts[2] = {{r.left, r.top}, {r.right, r.bottom}};
    MapWindowPoints(nullptr, parent, pts, 2);
    r = RECT{pts[0].x, pts[0].y, pts[1].x, pts[1].y};
  }
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

void TWinControl::WMWindowPosChanged(TMessage& m) {
  DefaultHandler(m);
  int32_t w = FWidth, h = FHeight;
  UpdateBounds();
  if (w != FWidth || h != FHeight) {
    Realign();
    Resize();
  }
}

void TWinControl::WMSize(TMessage& m) { DefaultHandler(m); }
void TWinControl::WMMove(TMessage& m) { DefaultHandler(m); }

RECT TWinControl::ClientRect() {
  if (FHandle) {
    RECT r;
    ::GetClientRect(FHandle, &r);
    return r;
  }
  // Without a window the frame comes from the styles the window would be created with.
  TCreateParams p;
  if (FParent || FParentWindow || !Is<TCustomForm>())
    p.Style = WS_CHILD;
  else
    CreateParams(p);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, p.Style, FALSE, p.ExStyle);
  RECT r{0, 0, FWidth - (frame.right - frame.left), FHeight - (frame.bottom - frame.top)};
  if (r.right < 0) r.right = 0;
  if (r.bottom < 0) r.bottom = 0;
  return r;
}

POINT TWinControl::ClientOrigin() {
  if (FHandle) {
    POINT p{0, 0};
    ::ClientToScreen(FHandle, &p);
    return p;
  }
  if (FParent) return TControl::ClientOrigin();
  // A top-level control without its window yet: the frame it will have.
  TCreateParams params;
  CreateParams(params);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  return POINT{FLeft - frame.left, FTop - frame.top};
}

void TWinControl::SetParent(TWinControl* value) {
  if (FParent == value) return;
  if (value && FHandle && value->HandleAllocated() && !FParentWindow) {
    // The window moves to the new parent's window instead of being re-created.
    TControl::SetParent(value);
    ::SetParent(FHandle, value->Handle());
    UpdateControlState();
    return;
  }
  if (!value && FHandle && !ComponentState().Contains(csDestroying)) DestroyHandle();
  TControl::SetParent(value);
  if (value) UpdateControlState();
}

void TWinControl::InsertControl(TControl* c) {
  c->ValidateContainerPublic(this);
  Insert(c);
  if (!c->ComponentState().Contains(csReading)) {
    c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    c->Perform(CM_PARENTFONTCHANGED, 0, 0);
    c->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      if (FHandle && w->FHandle) ::SetParent(w->FHandle, FHandle);
      w->UpdateControlState();
    } else if (FHandle) {
      c->Invalidate();
    }
    AlignControl(c);
  }
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 1);
}

void TWinControl::RemoveControl(TControl* c) {
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 0);
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    TCustomForm* form = GetParentForm(this);
    if (form) form->DefocusControl(w, true);
    if (w->FHandle && !w->FParentWindow) {
      if (w->ComponentState().Contains(csDestroying) || !FHandle)
        w->DestroyHandle();
    }
  } else if (FHandle) {
    c->Invalidate();
  }
  if (FCaptureControl == c) FCaptureControl = nullptr;
  if (FMouseControl == c) FMouseControl = nullptr;
  Remove(c);
  Realign();
}

void TWinControl::Insert(TControl* c) {
  FControls.push_back(c);
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    FWinControls.push_back(w);
    FTabList.push_back(w);
  }
  c->FParent = this;
}

void TWinControl::Remove(TControl* c) {
  auto erase = [](auto& v, auto* x) { v.erase(std::remove(v.begin(), v.end(), x), v.end()); };
  erase(FControls, c);
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    erase(FWinControls, w);
    erase(FTabList, w);
  }
  c->FParent = nullptr;
}

bool TWinControl::ContainsControl(TControl* c) const {
  while (c && c != this) c = c->Parent();
  return c == this;
}

TControl* TWinControl::ControlAtPos(POINT pos, bool allowDisabled, bool allowWinControls) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (!allowWinControls && c->Is<TWinControl>()) continue;
    if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, pos)) {
      POINT local{pos.x - c->Left(), pos.y - c->Top()};
      if (c->Perform(CM_HITTEST, 0, MAKELPARAM(static_cast<WORD>(local.x), static_cast<WORD>(local.y))) != 0)
        return c;
    }
  }
  return nullptr;
}

void TWinControl::SetZOrderOf(TControl* c, bool top) {
  auto it = std::find(FControls.begin(), FControls.end(), c);
  if (it == FControls.end()) return;
  FControls.erase(it);
  if (top)
    FControls.push_back(c);
  else
    FControls.insert(FControls.begin(), c);
  if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle)
    SetWindowPos(w->FHandle, top ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    c->Invalidate();
}

void TWinControl::SetZOrderPosition(int32_t) {}

void TWinControl::ShowControlChain(TControl*) {
  if (FParent) FParent->ShowControlChain(this);
}

// ---- alignment ------------------------------------------------------------------------------------

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (--FAlignLevel == 0) {
    if (!ComponentState().Contains(csDestroying) && FControlState.Contains(csAlignmentNeeded)) Realign();
  }
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* control) {
  if (ComponentState().Contains(csDestroying)) return;
  if (FAlignLevel != 0 || ComponentState().Contains(csLoading)) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  DisableAlign();
  FAligningNow = true;
  try {
    RECT r = ClientRect();
    AlignControls(control, r);
  } catch (...) {
    FAligningNow = false;
    FControlState.Exclude(csAlignmentNeeded);
    --FAlignLevel;
    throw;
  }
  FAligningNow = false;
  FControlState.Exclude(csAlignmentNeeded);
  EnableAlign();
}

static bool InsertBefore(TControl* c1, TControl* c2, TAlign align) {
  switch (align) {
    case alTop: return c1->Top() < c2->Top();
    case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft: return c1->Left() < c2->Left();
    case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
    default: return false;
  }
}

void TWinControl::AlignControls(TControl* aControl, RECT& rect) {
  AdjustClientRect(rect);
  RECT whole = ClientRect();
  auto position = [&](TControl* c, TAlign align) {
    int32_t left = c->Left(), top = c->Top(), width = c->Width(), height = c->Height();
    int32_t rw = std::max<int32_t>(rect.right - rect.left, 0);
    int32_t rh = std::max<int32_t>(rect.bottom - rect.top, 0);
    switch (align) {
      case alTop: left = rect.left; top = rect.top; width = rw; break;
      case alBottom: left = rect.left; top = rect.bottom - height; width = rw; break;
      case alLeft: left = rect.left; top = rect.top; height = rh; break;
      case alRight: left = rect.right - width; top = rect.top; height = rh; break;
      case alClient: left = rect.left; top = rect.top; width = rw; height = rh; break;
      case alNone: {
        if (!c->FAnchorRulesValid) return;
        int32_t dx = (whole.right - whole.left) - c->FAnchorParentSize.cx;
        int32_t dy = (whole.bottom - whole.top) - c->FAnchorParentSize.cy;
        const RECT& o = c->FAnchorBounds;
        TAnchors a = c->Anchors();
        left = o.left;
        width = o.right - o.left;
        if (a.Contains(akRight)) {
          if (a.Contains(akLeft)) width += dx;
          else left += dx;
        } else if (!a.Contains(akLeft)) {
          left += dx / 2;
        }
        top = o.top;
        height = o.bottom - o.top;
        if (a.Contains(akBottom)) {
          if (a.Contains(akTop)) height += dy;
          else top += dy;
        } else if (!a.Contains(akTop)) {
          top += dy / 2;
        }
        break;
      }
      default: return;
    }
    c->SetBounds(left, top, width, height);
    // Constraints may have refused the size: take what the control kept.
    switch (align) {
      case alTop: rect.top += c->Height(); break;
      case alBottom: rect.bottom -= c->Height(); break;
      case alLeft: rect.left += c->Width(); break;
      case alRight: rect.right -= c->Width(); break;
      default: break;
    }
  };
  auto doAlign = [&](TAlign align) {
    std::vector<TControl*> list;
    if (aControl && aControl->Align() == align && aControl->Parent() == this &&
        (align == alNone || aControl->Visible()))
      list.push_back(aControl);
    for (TControl* c : FControls) {
      if (c == aControl || c->Align() != align) continue;
      if (align != alNone && !c->Visible()) continue;
      if (align == alNone && !c->FAnchorRulesValid) continue;
      // The control being moved stands where it was put: the others go before it when they lie before it
      // (a dock that grows below another keeps its place below it).
      size_t j = 0;
      while (j < list.size() && !InsertBefore(c, list[j], align)) ++j;
      list.insert(list.begin() + static_cast<ptrdiff_t>(j), c);
    }
    for (TControl* c : list) position(c, align);
  };
  if (!FControls.empty()) {
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) doAlign(a);
    doAlign(alNone);
  }
  ControlsAligned();
}

void TWinControl::ResetAnchorsOfChildren() {
  for (TControl* c : FControls) c->UpdateAnchorRules();
}

// ---- showing --------------------------------------------------------------------------------------

void TWinControl::UpdateShowing() {
  bool showControl = FVisible && !FControlState.Contains(csReadingState) && !ComponentState().Contains(csLoading);
  if (showControl) {
    if (!FHandle) CreateHandle();
    for (size_t i = 0; i < FWinControls.size(); ++i) FWinControls[i]->UpdateShowing();
  }
  if (FHandle && FShowing != showControl) {
    FShowing = showControl;
    try {
      Perform(CM_SHOWINGCHANGED);
    } catch (...) {
      FShowing = !showControl;
      throw;
    }
  }
  if (!showControl)
    for (size_t i = 0; i < FWinControls.size(); ++i) FWinControls[i]->UpdateShowing();
}

void TWinControl::UpdateControlState() {
  TWinControl* c = this;
  while (c->FParent) {
    c = c->FParent;
    if (!c->Showing()) return;
  }
  if (c->Is<TCustomForm>() || c->FParentWindow) UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
  static const UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, flags | (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChanged(TMessage& m) {
  if (!FVisible && FParent) {
    TCustomForm* form = GetParentForm(this);
    if (form) form->DefocusControl(this, false);
  }
  if (!FParent && !FParentWindow && !Is<TCustomForm>()) return;
  UpdateControlState();
  (void)m;
}

void TWinControl::CMEnabledChanged(TMessage&) {
  if (!FEnabled && FParent) {
    TCustomForm* form = GetParentForm(this);
    if (form) form->DefocusControl(this, false);
  }
  if (FHandle) EnableWindow(FHandle, FEnabled ? TRUE : FALSE);
}

void TWinControl::CMFontChanged(TMessage& m) {
  inherited::CMFontChanged(m);
  if (FHandle) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& m) {
  inherited::CMColorChanged(m);
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMTextChanged(TMessage&) {}
void TWinControl::CMSysColorChange(TMessage& m) { Broadcast(m); }
void TWinControl::CMFocusChanged(TMessage& m) { Broadcast(m); }
void TWinControl::CMInvalidate(TMessage&) { Invalidate(); }

void TWinControl::Broadcast(TMessage& m) {
  for (size_t i = 0; i < FControls.size(); ++i) {
    FControls[i]->WndProc(m);
    if (m.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  TMessage m{msg, 0, 0, 0};
  Broadcast(m);
}

void TWinControl::ScaleBy(int32_t m, int32_t d) {
  for (TControl* c : FControls)
    c->SetBounds(c->Left() * m / d, c->Top() * m / d, c->Width() * m / d, c->Height() * m / d);
}

void TWinControl::Loaded() {
  inherited::Loaded();
  if (FHandle) UpdateBounds();
  Realign();
  ResetAnchorsOfChildren();
}

void TWinControl::ReadState(TReader* reader) {
  DisableAlign();
  FControlState.Include(csReadingState);
  try {
    inherited::ReadState(reader);
  } catch (...) {
    FControlState.Exclude(csReadingState);
    EnableAlign();
    throw;
  }
  FControlState.Exclude(csReadingState);
  EnableAlign();
}

void TWinControl::GetChildren(TGetChildProc proc, TComponent* root) {
  for (TControl* c : FControls)
    if (c->Owner() == root) proc(c);
}

void TWinControl::SetChildOrder(TComponent* child, int32_t order) {
  if (auto* w = dynamic_cast<TWinControl*>(child); w && w->FParent == this) w->SetTabOrder(order);
}

// ---- focus and keys -------------------------------------------------------------------------------

void TWinControl::SetTabStop(bool v) {
  if (FTabStop == v) return;
  FTabStop = v;
  if (FHandle) {
    LONG s = GetWindowLong(FHandle, GWL_STYLE);
    SetWindowLong(FHandle, GWL_STYLE, v ? (s | WS_TABSTOP) : (s & ~static_cast<LONG>(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED);
}

int32_t TWinControl::TabOrder() const {
  if (!FParent) return -1;
  auto& l = FParent->FTabList;
  auto it = std::find(l.begin(), l.end(), this);
  return it == l.end() ? -1 : static_cast<int32_t>(it - l.begin());
}

void TWinControl::SetTabOrder(int32_t v) {
  if (!FParent) return;
  auto& l = FParent->FTabList;
  auto it = std::find(l.begin(), l.end(), this);
  if (it == l.end()) return;
  l.erase(it);
  if (v < 0 || v > static_cast<int32_t>(l.size())) v = static_cast<int32_t>(l.size());
  l.insert(l.begin() + v, this);
}

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (TWinControl* c = this; c != form; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return form->Visible() && form->Enabled();
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this) {
    form->FocusControl(this);
  } else {
    if (!FVisible || !FEnabled) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
  }
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* c : FTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* cur, bool goForward, bool checkTabStop, bool checkParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int32_t n = static_cast<int32_t>(list.size());
  auto it = std::find(list.begin(), list.end(), cur);
  int32_t start = it == list.end() ? (goForward ? n - 1 : 0) : static_cast<int32_t>(it - list.begin());
  int32_t i = start;
  for (int32_t step = 0; step < n; ++step) {
    i = goForward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c == cur && step < n - 1) continue;
    if ((!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this) && c->CanFocus()) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* cur, bool goForward, bool checkTabStop) {
  TWinControl* c = FindNextControl(cur, goForward, checkTabStop, !checkTabStop);
  if (c) c->SetFocus();
}

void TWinControl::SelectFirst() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return;
  TWinControl* c = FindNextControl(nullptr, true, true, false);
  if (!c) c = FindNextControl(nullptr, true, false, false);
  if (c) c->SetFocus();
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}
void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::WMSetFocus(TMessage& m) { DefaultHandler(m); }
void TWinControl::WMKillFocus(TMessage& m) { DefaultHandler(m); }

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char32_t& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::DoKeyDown(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyDown(m)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    uint16_t key = static_cast<uint16_t>(m.WParam);
    KeyDown(key, KeyDataToShiftState(m.LParam));
    m.WParam = key;
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyUp(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyUp(m)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    uint16_t key = static_cast<uint16_t>(m.WParam);
    KeyUp(key, KeyDataToShiftState(m.LParam));
    m.WParam = key;
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyPress(m)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    char32_t ch = static_cast<char32_t>(m.WParam);
    KeyPress(ch);
    m.WParam = ch;
    if (ch == 0) return true;
  }
  return false;
}

void TWinControl::WMKeyDown(TMessage& m) {
  if (!DoKeyDown(m)) DefaultHandler(m);
}
void TWinControl::WMSysKeyDown(TMessage& m) {
  if (!DoKeyDown(m)) DefaultHandler(m);
}
void TWinControl::WMKeyUp(TMessage& m) {
  if (!DoKeyUp(m)) DefaultHandler(m);
}
void TWinControl::WMChar(TMessage& m) {
  if (!DoKeyPress(m)) DefaultHandler(m);
}

void TWinControl::CNKeyDown(TMessage& m) {
  m.Result = 1;
  if (TCustomForm* form = GetParentForm(this); form && form->IsShortCut(m)) return;
  if (!ComponentState().Contains(csDesigning)) {
    if (Perform(CM_CHILDKEY, m.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
    LRESULT mask = 0;
    switch (m.WParam) {
      case VK_TAB: mask = DLGC_WANTTAB; break;
      case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
      case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, m.WParam) == 0 && (Perform(WM_GETDLGCODE) & mask) == 0) {
      TCustomForm* form = GetParentForm(this);
      if (form && form->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0) return;
    }
  }
  m.Result = 0;
}

void TWinControl::CNKeyUp(TMessage& m) { m.Result = 0; }

void TWinControl::CNChar(TMessage& m) {
  m.Result = 0;
  // Alt+letter and letters a control does not take are offered as dialog characters (accelerators).
  if ((Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0) {
    TCustomForm* form = GetParentForm(this);
    if (form && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0) m.Result = 1;
  }
}

void TWinControl::CMChildKey(TMessage& m) {
  if (FParent) FParent->WndProc(m);
}

void TWinControl::CMDialogKey(TMessage& m) { Broadcast(m); }
void TWinControl::CMDialogChar(TMessage& m) { Broadcast(m); }

void TWinControl::WMCommand(TMessage& m) {
  // Notifications come back to the control of the child window that sent them.
  if (m.LParam) {
    if (TWinControl* c = FindControl(reinterpret_cast<HWND>(m.LParam))) {
      m.Result = c->Perform(CN_COMMAND, m.WParam, m.LParam);
      return;
    }
  }
  DefaultHandler(m);
}

void TWinControl::WMNotify(TMessage& m) {
  if (m.LParam) {
    // The notification header starts with the sender's window.
    HWND from = *reinterpret_cast<const HWND*>(m.LParam);
    if (TWinControl* c = FindControl(from)) {
      m.Result = c->Perform(CN_NOTIFY, m.WParam, m.LParam);
      return;
    }
  }
  DefaultHandler(m);
}

void TWinControl::WMSetCursor(TMessage& m) {
  if (reinterpret_cast<HWND>(m.WParam) == FHandle && LOWORD(static_cast<uintptr_t>(m.LParam)) == HTCLIENT && Screen) {
    TCursor cursor = Screen->Cursor();
    if (cursor == crDefault) {
      POINT p = Mouse->CursorPos();
      p = ScreenToClient(p);
      TControl* c = ControlAtPos(p, false);
      cursor = c ? c->Cursor() : FCursor;
    }
    if (cursor != crDefault) {
      ::SetCursor(Screen->Cursors(cursor));
      m.Result = 1;
      return;
    }
  }
  DefaultHandler(m);
}

// ---- painting -------------------------------------------------------------------------------------

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}
void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}
void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::SetParentBackground(bool v) {
  if (ParentBackground() == v) return;
  if (v)
    FControlStyle.Include(csParentBackground);
  else
    FControlStyle.Exclude(csParentBackground);
  Invalidate();
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  RECT r;
  ::GetClientRect(FHandle, &r);
  TColor color = (ParentBackground() && FParent) ? FParent->Color() : FColor;
  HBRUSH b = CreateSolidBrush(ColorToRGB(color));
  ::FillRect(dc, &r, b);
  DeleteObject(b);
  m.Result = 1;
}

void TWinControl::WMPaint(TMessage& m) {
  // A built-in window class with no graphic children on it paints itself, with its own BeginPaint: painting
  // it inside ours would find the update region already taken and draw nothing.
  if (m.WParam == 0 && !FDoubleBuffered && FControls.empty() && FDefWndProc && FDefWndProc != DefWindowProc) {
    DefaultHandler(m);
    return;
  }
  PaintHandler(m);
}

void TWinControl::PaintHandler(TMessage& m) {
  if (FDoubleBuffered && m.WParam == 0) {
    // Everything is drawn on a memory bitmap of the update area's size, then copied at once.
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(FHandle, &ps);
    RECT r = ps.rcPaint;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w > 0 && h > 0) {
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
      HGDIOBJ oldBmp = SelectObject(mem, bmp);
      SetWindowOrgEx(mem, r.left, r.top, nullptr);
      try {
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), reinterpret_cast<LPARAM>(mem));
        TMessage inner{WM_PAINT, reinterpret_cast<WPARAM>(mem), 0, 0};
        PaintHandler(inner);
      } catch (...) {
        SelectObject(mem, oldBmp);
        DeleteObject(bmp);
        DeleteDC(mem);
        EndPaint(FHandle, &ps);
        throw;
      }
      SetWindowOrgEx(mem, 0, 0, nullptr);
      BitBlt(dc, r.left, r.top, w, h, mem, 0, 0, SRCCOPY);
      SelectObject(mem, oldBmp);
      DeleteObject(bmp);
      DeleteDC(mem);
    }
    EndPaint(FHandle, &ps);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  bool own = dc == nullptr;
  if (own) dc = BeginPaint(FHandle, &ps);
  try {
    int saved = SaveDC(dc);
    PaintWindow(dc);
    RestoreDC(dc, saved);
    PaintControls(dc, nullptr);
  } catch (...) {
    if (own) EndPaint(FHandle, &ps);
    throw;
  }
  if (own) EndPaint(FHandle, &ps);
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  size_t i = 0;
  if (first) {
    auto it = std::find(FControls.begin(), FControls.end(), first);
    if (it != FControls.end()) i = static_cast<size_t>(it - FControls.begin());
  }
  for (; i < FControls.size(); ++i) {
    TControl* c = FControls[i];
    if (c->Is<TWinControl>() || !c->Visible()) continue;
    RECT r = c->BoundsRect();
    if (!RectVisible(dc, &r)) continue;
    int saved = SaveDC(dc);
    POINT old;
    OffsetWindowOrgEx(dc, -c->Left(), -c->Top(), &old);  // the control draws at its own origin
    IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
  }
}

// ===================================================================================================
// TCustomControl and TGraphicControl

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
  FCanvas = New<TControlCanvas>();
  static_cast<TControlCanvas*>(FCanvas)->SetControl(this);
}
TCustomControl::~TCustomControl() { FreeAndNil(FCanvas); }

void TCustomControl::PaintWindow(HDC dc) {
  FCanvas->Lock();
  try {
    FCanvas->SetHandle(dc);
    Paint();
    FCanvas->SetHandle(nullptr);
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    throw;
  }
  FCanvas->Unlock();
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
  FCanvas = New<TControlCanvas>();
  static_cast<TControlCanvas*>(FCanvas)->SetControl(this);
}
TGraphicControl::~TGraphicControl() { FreeAndNil(FCanvas); }

void TGraphicControl::WMPaint(TMessage& m) {
  if (!m.WParam) return;
  FCanvas->Lock();
  try {
    FCanvas->SetHandle(reinterpret_cast<HDC>(m.WParam));
    Paint();
    FCanvas->SetHandle(nullptr);
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    throw;
  }
  FCanvas->Unlock();
}

// ===================================================================================================
// TControlCanvas

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* v) {
  if (FControl == v) return;
  FreeHandle();
  FControl = v;
}

void TControlCanvas::FreeHandle() {
  if (FDeviceContext) {
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
  }
}

void TControlCanvas::CreateHandle() {
  if (!FControl) return;
  if (!FDeviceContext) {
    FWindowHandle = FControl->GetDeviceContextWindow();
    FDeviceContext = GetDC(FWindowHandle);
    if (!FControl->Is<TWinControl>()) {
      OffsetWindowOrgEx(FDeviceContext, -FControl->Left(), -FControl->Top(), nullptr);
      IntersectClipRect(FDeviceContext, 0, 0, FControl->Width(), FControl->Height());
    }
  }
  SetHandle(FDeviceContext);
}
