#pragma once
// Controls: the visual component base classes. TControl carries position, alignment, visibility,
// colour, font, mouse handling, hints and dragging; TWinControl adds a window (created on demand from
// CreateParams, routed to WndProc), children, focus and keys; TCustomControl and TGraphicControl paint
// on a canvas, the first in its own window, the second on its parent's.

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"
#include "rtl/UITypes.h"
#include "winapi/Messages.h"

// Messages the component classes send each other, with their documented values.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_DOCKCLIENT = CM_BASE + 56;
constexpr UINT CM_UNDOCKCLIENT = CM_BASE + 57;
constexpr UINT CM_FLOAT = CM_BASE + 58;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr UINT CM_ALLCHILDRENFLIPPED = CM_BASE + 62;
constexpr UINT CM_ACTIONUPDATE = CM_BASE + 63;
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr UINT CM_DOCKNOTIFICATION = CM_BASE + 66;
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;

// Notifications a window reflects back to the control that owns the child window.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + 0x002F;
constexpr UINT CN_COMMAND = CN_BASE + 0x0111;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + 0x0135;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + 0x0133;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + 0x0134;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + 0x0137;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + 0x0138;
constexpr UINT CN_DRAWITEM = CN_BASE + 0x002B;
constexpr UINT CN_MEASUREITEM = CN_BASE + 0x002C;
constexpr UINT CN_NOTIFY = CN_BASE + 0x004E;
constexpr UINT CN_HSCROLL = CN_BASE + 0x0114;
constexpr UINT CN_VSCROLL = CN_BASE + 0x0115;
constexpr UINT CN_KEYDOWN = CN_BASE + 0x0100;
constexpr UINT CN_KEYUP = CN_BASE + 0x0101;
constexpr UINT CN_CHAR = CN_BASE + 0x0102;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + 0x0104;
constexpr UINT CN_SYSCHAR = CN_BASE + 0x0106;

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TDragObject;
class TBasicAction;
class TBasicActionLink;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
RTL_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
using TAlignSet = Set<TAlign>;
enum TAnchorKind : uint8_t { akLeft, akTop, akRight, akBottom };
RTL_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
using TAnchors = Set<TAnchorKind>;
enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
RTL_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
enum TShiftStateItem : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
RTL_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
using TShiftState = Set<TShiftStateItem>;
enum TDragMode : uint8_t { dmManual, dmAutomatic };
RTL_ENUM(TDragMode, dmManual, dmAutomatic)
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragMessage : uint8_t { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };
enum TBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
RTL_ENUM(TBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)

enum TControlStyleItem : uint8_t {
  csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption, csOpaque,
  csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable, csNoStdEvents,
  csDisplayDragImage, csReflector, csActionClient, csMenuEvents, csParentBackground
};
using TControlStyle = Set<TControlStyleItem>;
enum TControlStateItem : uint8_t {
  csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
  csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = Set<TControlStateItem>;

using TNotifyEventEx = TNotifyEvent;
using TMouseEvent = Event<TObject*, TMouseButton, TShiftState, int32_t, int32_t>;
using TMouseMoveEvent = Event<TObject*, TShiftState, int32_t, int32_t>;
using TKeyEvent = Event<TObject*, uint16_t&, TShiftState>;
using TKeyPressEvent = Event<TObject*, char32_t&>;
using TDragOverEvent = Event<TObject*, TObject*, int32_t, int32_t, TDragState, bool&>;
using TDragDropEvent = Event<TObject*, TObject*, int32_t, int32_t>;
using TStartDragEvent = Event<TObject*, TDragObject*&>;
using TEndDragEvent = Event<TObject*, TObject*, int32_t, int32_t>;
using TContextPopupEvent = Event<TObject*, POINT, bool&>;
using TMouseWheelEvent = Event<TObject*, TShiftState, int32_t, POINT, bool&>;
using TMouseWheelUpDownEvent = Event<TObject*, TShiftState, POINT, bool&>;

TShiftState KeysToShiftState(WORD keys);
TShiftState KeyDataToShiftState(LPARAM keyData);
// The shift state from the keyboard's current state.
TShiftState GetShiftState();

// Minimum and maximum sizes a control keeps; 0 means no limit.
class TSizeConstraints : public TPersistent {
  RTL_CLASS(TSizeConstraints, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TSizeConstraints(TControl* control) : FControl(control) {}
  void Assign(TPersistent* source) override;
  int32_t MaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(int32_t v);
  int32_t MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int32_t v);
  int32_t MinHeight() const { return FMinHeight; }
  void SetMinHeight(int32_t v);
  int32_t MinWidth() const { return FMinWidth; }
  void SetMinWidth(int32_t v);
  TNotifyEvent OnChange;

private:
  void Change();
  TControl* FControl;
  int32_t FMaxHeight = 0, FMaxWidth = 0, FMinHeight = 0, FMinWidth = 0;
};

// What is being dragged. The drag loop sends CM_DRAG to the control under the mouse and ends with
// DragDone(accepted).
class TDragObject : public TObject {
  RTL_CLASS(TDragObject, TObject)
public:
  TDragObject() = default;
  POINT DragPos() const { return FDragPos; }
  TObject* DragTarget() const { return FDragTarget; }
  POINT DragTargetPos() const { return FDragTargetPos; }
  bool Dropped() const { return FDropped; }
  bool Cancelling() const { return FCancelling; }
  virtual TCursor GetDragCursor(bool accepted, int32_t x, int32_t y);
  virtual void Finished(TObject* target, int32_t x, int32_t y, bool accepted) {
    (void)target, (void)x, (void)y, (void)accepted;
  }

protected:
  friend void DragTo(const POINT& pos);
  friend void DragDone(bool drop);
  POINT FDragPos{0, 0};
  TObject* FDragTarget = nullptr;
  POINT FDragTargetPos{0, 0};
  bool FDropped = false;
  bool FCancelling = false;
};

class TDragControlObject : public TDragObject {
  RTL_CLASS(TDragControlObject, TDragObject)
public:
  explicit TDragControlObject(TControl* control) : FControl(control) {}
  TDragControlObject() = default;
  TControl* Control() const { return FControl; }
  void SetControl(TControl* v) { FControl = v; }
  void Finished(TObject* target, int32_t x, int32_t y, bool accepted) override;

private:
  TControl* FControl = nullptr;
};

// The record of a CM_DRAG message: LParam points at it.
struct TDragRec {
  POINT Pos;
  TDragObject* Source;
  TObject* Target;
  bool Docking;
};

// The record of a CM_HINTSHOW message: LParam points at it.
struct THintInfo {
  TControl* HintControl = nullptr;
  POINT CursorPos{0, 0};
  RECT CursorRect{0, 0, 0, 0};
  String HintStr;
  // Screen point of the hint window's top-left corner: below the cursor unless the control moves it.
  POINT HintPos{0, 0};
  int32_t ReshowTimeout = 0;
  int32_t HideTimeout = 0;
  TColor HintColor = clInfoBk;
};

// Drag state shared by the whole application (one drag at a time).
void DragTo(const POINT& pos);
void DragDone(bool drop);
void CancelDrag();
TDragObject* DragObject();
bool Dragging();

// The mouse: drag settings and position.
class TMouse : public TObject {
  RTL_CLASS(TMouse, TObject)
public:
  int32_t DragThreshold() const { return FDragThreshold; }
  void SetDragThreshold(int32_t v) { FDragThreshold = v; }
  bool DragImmediate() const { return FDragImmediate; }
  void SetDragImmediate(bool v) { FDragImmediate = v; }
  POINT CursorPos() const;
  void SetCursorPos(POINT p);
  HWND Capture() const { return GetCapture(); }
  void SetCapture(HWND v);

private:
  int32_t FDragThreshold = 5;
  bool FDragImmediate = true;
};
extern TMouse* Mouse;

// The handler of one message in a class's message map: receives the object and the message.
using TMessageHandler = void (*)(TObject* self, TMessage& message);
// Adds a handler to cls's message map; the most derived class's handler for an id wins.
void RegisterMessageHandler(TClass cls, UINT msg, TMessageHandler handler);
// The handler Dispatch would call on an object of cls, or nullptr.
TMessageHandler FindMessageHandler(TClass cls, UINT msg);

// Registers a member function of T as the handler of msg: RTL_MESSAGE(TMyControl, WM_PAINT, WMPaint);
// put it at namespace scope in T's .cpp.
#define RTL_MESSAGE_CAT2(a, b) a##b
#define RTL_MESSAGE_CAT(a, b) RTL_MESSAGE_CAT2(a, b)
#define RTL_MESSAGE(T, Msg, Method)                                                            \
  static const bool RTL_MESSAGE_CAT(rtl_msg_##T##_##Method, __LINE__) = (::RegisterMessageHandler( \
      T::StaticClass(), Msg, [](TObject* s, TMessage& m) { static_cast<T*>(s)->Method(m); }), true)

class TControl : public TComponent {
  RTL_CLASS(TControl, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // Window procedure of the control: hooks (dragging, mouse routing) then Dispatch.
  virtual void WndProc(TMessage& message);
  // Calls the handler in the message map for message.Msg, or DefaultHandler.
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* value);
  TComponent* GetParentComponent() const override;
  bool HasParent() const override;
  void SetParentComponent(TComponent* value) override;

  int32_t Left() const { return FLeft; }
  int32_t Top() const { return FTop; }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  void SetLeft(int32_t v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int32_t v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int32_t v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int32_t v) { SetBounds(FLeft, FTop, FWidth, v); }
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  void SetBoundsRect(const RECT& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
  virtual RECT ClientRect();
  int32_t ClientWidth() { RECT r = ClientRect(); return r.right - r.left; }
  int32_t ClientHeight() { RECT r = ClientRect(); return r.bottom - r.top; }
  void SetClientWidth(int32_t v) { SetClientSize(v, ClientHeight()); }
  void SetClientHeight(int32_t v) { SetClientSize(ClientWidth(), v); }
  virtual void SetClientSize(int32_t w, int32_t h);
  virtual POINT ClientOrigin();
  POINT ClientToScreen(POINT p);
  POINT ScreenToClient(POINT p);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors v);
  TSizeConstraints* Constraints() const { return FConstraints; }
  void SetConstraints(TSizeConstraints* v) { FConstraints->Assign(v); }

  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  void Show();
  void Hide();
  virtual bool Showing() const;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool v);
  TFont* Font() const { return FFont; }
  void SetFont(TFont* v) { FFont->Assign(v); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool v);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor v);
  String Caption() const { return Text(); }
  void SetCaption(const String& v) { SetText(v); }
  String Text() const;
  void SetText(const String& v);
  String Hint() const { return FHint; }
  void SetHint(const String& v) { FHint = v; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool v);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool v);
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* v);
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode v) { FDragMode = v; }
  // The action linked to the control: its properties become the control's and Click runs it.
  TBasicAction* Action() const;
  void SetAction(TBasicAction* v);
  TBasicActionLink* ActionLink() const { return FActionLink; }
  void ActionFreed();  // the action went away
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor v) { FDragCursor = v; }

  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle v) { FControlStyle = v; }
  TControlState ControlState() const { return FControlState; }
  void SetControlState(TControlState v) { FControlState = v; }

  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  virtual void Click();
  virtual void DblClick();
  bool MouseCapture();
  void SetMouseCapture(bool v);
  void BeginDrag(bool immediate, int32_t threshold = -1);
  void EndDrag(bool drop);
  bool Dragging() const;
  // The window that handles this control's messages: its own, or its parent's for a graphic control.
  virtual HWND ParentWindowHandle();
  HWND GetDeviceContextWindow() { return ParentWindowHandle(); }

  // Events.
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnResize;
  TNotifyEvent OnCanResize;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;
  TContextPopupEvent OnContextPopup;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;

  // Message handlers (registered in the message map).
  void WMLButtonDown(TMessage& m);
  void WMLButtonUp(TMessage& m);
  void WMLButtonDblClk(TMessage& m);
  void WMRButtonDown(TMessage& m);
  void WMRButtonUp(TMessage& m);
  void WMMouseMove(TMessage& m);
  void WMContextMenu(TMessage& m);
  void CMEnabledChanged(TMessage& m);
  void CMVisibleChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMColorChanged(TMessage& m);
  void CMParentFontChanged(TMessage& m);
  void CMParentColorChanged(TMessage& m);
  void CMParentShowHintChanged(TMessage& m);
  void CMMouseEnter(TMessage& m);
  void CMMouseLeave(TMessage& m);
  void CMHitTest(TMessage& m);
  void CMDrag(TMessage& m);
  void CMHintShow(TMessage& m);
  void CMInvalidate(TMessage& m);
  void CMTextChanged(TMessage&) {}
  void WMMouseWheel(TMessage& m);
  void CMMouseWheel(TMessage& m);

  void SetName(const String& value) override;

  // Anchoring: records the control's place relative to its parent's client size.
  void UpdateAnchorRules();
  // Entry points for the drag loop and the mouse routing (the virtuals stay protected).
  void DoStartDragPublic(TDragObject*& dragObject);
  void DoEndDragPublic(TObject* target, int32_t x, int32_t y);
  void MouseDownPublic(TMouseButton b, TShiftState s, int32_t x, int32_t y);
  void MouseUpPublic(TMouseButton b, TShiftState s, int32_t x, int32_t y);
  void ValidateContainerPublic(TComponent* c) { ValidateContainer(c); }

protected:
  friend class TWinControl;
  virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void DoContextPopup(POINT mousePos, bool& handled);
  // The wheel turned over the control (or its focused child): OnMouseWheel, then the Down/Up events.
  virtual bool DoMouseWheel(TShiftState shift, int32_t wheelDelta, POINT mousePos);
  virtual bool DoMouseWheelDown(TShiftState shift, POINT mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, POINT mousePos);
  virtual void DoStartDrag(TDragObject*& dragObject);
  virtual void DragOver(TObject* source, int32_t x, int32_t y, TDragState state, bool& accept);
  virtual void DoEndDrag(TObject* target, int32_t x, int32_t y);
  virtual void Resize();
  virtual void Loaded() override;
  virtual String GetText() const { return FText; }
  virtual void SetTextBuf(const String& v);
  virtual void Changed() {}
  virtual void VisibleChanging() {}
  virtual bool CanAutoSize(int32_t& w, int32_t& h) { (void)w, (void)h; return true; }
  void ConstrainedResize(int32_t& w, int32_t& h);
  void RequestAlign();
  void Notification(TComponent* component, TOperation operation) override;
  virtual void DragDrop(TObject* source, int32_t x, int32_t y);
  void FontChanged(TObject* sender);
  void InvalidateControl(bool isVisible, bool isOpaque);

  TWinControl* FParent = nullptr;
  int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  RECT FAnchorBounds{0, 0, 0, 0};  // the control's bounds when the anchor rules were taken
  SIZE FAnchorParentSize{0, 0};     // the parent's client size then
  bool FAnchorRulesValid = false;
  TSizeConstraints* FConstraints;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = true;
  TFont* FFont;
  bool FParentFont = true;
  TCursor FCursor = crDefault;
  String FText;
  String FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TPopupMenu* FPopupMenu = nullptr;
  TDragMode FDragMode = dmManual;
  TCursor FDragCursor = crDrag;
  TControlStyle FControlStyle;
  TControlState FControlState;
  bool FMouseInControl = false;
  TBasicActionLink* FActionLink = nullptr;
};

enum TTabOrder : int32_t {};
// The list a control's Parent keeps, in z-order (first = bottom).
using TControlList = std::vector<TControl*>;

struct TCreateParams {
  String Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASS WindowClass{};
  String WinClassName;
};

class TWinControl : public TControl {
  RTL_CLASS(TWinControl, TControl)
  RTL_PUBLISHED_DECL
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND v);
  HWND ParentWindowHandle() override;

  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // Re-creates the window (styles that only take effect at creation changed), keeping the state.
  void RecreateWnd();
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  RECT ClientRect() override;
  POINT ClientOrigin() override;
  bool Showing() const override { return FShowing; }
  void SetParent(TWinControl* value) override;

  int32_t ControlCount() const { return static_cast<int32_t>(FControls.size()); }
  TControl* Controls(int32_t i) const { return FControls[static_cast<size_t>(i)]; }
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  bool ContainsControl(TControl* c) const;
  TControl* ControlAtPos(POINT pos, bool allowDisabled, bool allowWinControls = false);

  void DisableAlign();
  void EnableAlign();
  void Realign();
  bool AlignDisabled() const { return FAlignLevel != 0; }

  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool v);
  int32_t TabOrder() const;
  void SetTabOrder(int32_t v);
  virtual bool CanFocus();
  virtual void SetFocus();
  virtual bool Focused();
  void SelectFirst();
  void SelectNext(TWinControl* curControl, bool goForward, bool checkTabStop);
  TWinControl* FindNextControl(TWinControl* curControl, bool goForward, bool checkTabStop, bool checkParent);
  // Virtual: a control that stands in for its children (an editor for its inner edit) lists itself its own way.
  virtual void GetTabOrderList(std::vector<TWinControl*>& list);
  // Painted into a memory bitmap first, then copied: no flicker.
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool v) { FDoubleBuffered = v; }
  // The background is the parent's: erased with the parent's colour rather than the control's.
  bool ParentBackground() const { return FControlStyle.Contains(csParentBackground); }
  void SetParentBackground(bool v);

  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void PaintControls(HDC dc, TControl* first);
  void Broadcast(TMessage& message);
  void NotifyControls(UINT msg);
  void ScaleBy(int32_t m, int32_t d);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

  // Message handlers.
  void WMPaint(TMessage& m);
  void WMEraseBkgnd(TMessage& m);
  void WMSize(TMessage& m);
  void WMMove(TMessage& m);
  void WMSetFocus(TMessage& m);
  void WMKillFocus(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMKeyUp(TMessage& m);
  void WMChar(TMessage& m);
  void WMSysKeyDown(TMessage& m);
  void WMCommand(TMessage& m);
  void WMNotify(TMessage& m);
  void WMSetCursor(TMessage& m);
  void WMNCDestroy(TMessage& m);
  void WMWindowPosChanged(TMessage& m);
  void CNKeyDown(TMessage& m);
  void CNKeyUp(TMessage& m);
  void CNChar(TMessage& m);
  void CMChildKey(TMessage& m);
  void CMDialogKey(TMessage& m);
  void CMDialogChar(TMessage& m);
  void CMEnter(TMessage& m);
  void CMExit(TMessage& m);
  void CMShowingChanged(TMessage& m);
  void CMVisibleChanged(TMessage& m);
  void CMEnabledChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMColorChanged(TMessage& m);
  void CMTextChanged(TMessage& m);
  void CMRecreateWnd(TMessage& m);
  void CMSysColorChange(TMessage& m);
  void CMFocusChanged(TMessage& m);
  void CMInvalidate(TMessage& m);

  // Finds the control behind a window of ours; nullptr for foreign windows.
  static TWinControl* FindControl(HWND hwnd);
  void rtl_AttachHandle(HWND hwnd);  // the window procedure met the window being created
  void SetZOrderOf(TControl* c, bool top);
  virtual void ShowControlChain(TControl* c);

protected:
  friend class TControl;
  friend class TCustomForm;
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void CreateHandle();
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void DestroyHandle();
  // Subclasses a built-in window class: its procedure becomes the default handler.
  void CreateSubClass(TCreateParams& params, const char* controlClassName);
  virtual void AlignControls(TControl* control, RECT& rect);
  virtual void AdjustClientRect(RECT& rect) { (void)rect; }
  virtual void AlignControl(TControl* control);
  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyPress(char32_t& key);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  bool DoKeyDown(TMessage& m);
  bool DoKeyPress(TMessage& m);
  bool DoKeyUp(TMessage& m);
  virtual void PaintWindow(HDC dc);
  virtual void PaintHandler(TMessage& m);
  virtual void UpdateShowing();
  void UpdateControlState();
  virtual bool IsControlMouseMsg(TMessage& m);
  void Loaded() override;
  void ReadState(TReader* reader) override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void SetChildOrder(TComponent* child, int32_t order) override;
  virtual void ControlsAligned() {}
  void SetZOrderPosition(int32_t position);
  void UpdateBounds();
  void ResetAnchorsOfChildren();
  void Insert(TControl* c);
  void Remove(TControl* c);

  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  WNDPROC FDefWndProc = nullptr;
  TControlList FControls;
  std::vector<TWinControl*> FWinControls;  // in tab order
  std::vector<TWinControl*> FTabList;
  int32_t FAlignLevel = 0;
  bool FShowing = false;
  bool FTabStop = false;
  TControl* FCaptureControl = nullptr;  // a graphic child that holds the mouse
  TControl* FMouseControl = nullptr;    // the graphic child under the mouse
  bool FRecreating = false;
  bool FAligningNow = false;
  bool FDoubleBuffered = false;

  String GetText() const override;
  void SetTextBuf(const String& v) override;
};

// A windowed control that paints itself on its Canvas in Paint.
class TCustomControl : public TWinControl {
  RTL_CLASS(TCustomControl, TWinControl)
public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return FCanvas; }

protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;
  TCanvas* FCanvas;
};

// A control without a window: painted on its parent's window, mouse routed by its parent.
class TGraphicControl : public TControl {
  RTL_CLASS(TGraphicControl, TControl)
public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return FCanvas; }
  void WMPaint(TMessage& m);

protected:
  virtual void Paint() {}
  TCanvas* FCanvas;
};

// A canvas on a control: the DC of the control's window, offset and clipped to the control.
class TControlCanvas : public TCanvas {
  RTL_CLASS(TControlCanvas, TCanvas)
public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* Control() const { return FControl; }
  void SetControl(TControl* v);
  void FreeHandle();
  void UpdateTextFlags() {}

protected:
  void CreateHandle() override;

private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

TCustomForm* GetParentForm(TControl* control);
// Cancels modes (menus, captures) of other controls of sender's form before a click.
void SendCancelMode(TControl* sender);
TControl* FindDragTarget(POINT pos, bool allowDisabled);
TWinControl* FindControl(HWND hwnd);
// The control (windowed or graphic) at a screen point.
TControl* FindVCLWindow(POINT pos);
