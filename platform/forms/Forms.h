#pragma once
// Forms and the application: top-level windows streamed from their form resources, the modal loop,
// the application's message loop with its idle processing and exception handling, and the screen.

#include <cstdint>
#include <vector>

#include "forms/Controls.h"

class TMainMenu;
class TMenuItem;
class THintWindow;

enum TBorderIcon : uint8_t { biSystemMenu, biMinimize, biMaximize, biHelp };
RTL_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = Set<TBorderIcon>;
enum TPosition : uint8_t {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
  poOwnerFormCenter
};
RTL_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
         poMainFormCenter, poOwnerFormCenter)
enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
RTL_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
enum TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
RTL_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
RTL_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)
enum TFormStateItem : uint8_t { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = Set<TFormStateItem>;

using TModalResult = int32_t;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

using TCloseEvent = Event<TObject*, TCloseAction&>;
using TCloseQueryEvent = Event<TObject*, bool&>;

class TScrollingWinControl;
enum TScrollBarKind : uint8_t { sbHorizontal, sbVertical };
RTL_ENUM(TScrollBarKind, sbHorizontal, sbVertical)
// What a scroll bar reports to its owner: a step, a page, a thumb position while tracking or at its release,
// an end, and the end of a scrolling gesture.
enum TScrollCode : uint8_t { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom,
                             scEndScroll };
RTL_ENUM(TScrollCode, scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll)
using TScrollEvent = Event<TObject*, TScrollCode, int32_t&>;
// The step of an arrow or a page click.
using TScrollBarInc = int16_t;

// One scroll bar of a scrolling control: Range is the extent of the scrolled area (the children's extent
// when the control's AutoScroll is on), Position the scrolled distance; the bar shows while Range exceeds
// the client size. Increment is the distance of one arrow click; Tracking scrolls while the thumb moves.
class TControlScrollBar : public TPersistent {
  RTL_CLASS(TControlScrollBar, TPersistent)
  RTL_PUBLISHED_DECL
public:
  TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind);
  TControlScrollBar() : TControlScrollBar(nullptr, sbHorizontal) {}
  void Assign(TPersistent* source) override;
  TScrollBarKind Kind() const { return FKind; }
  int32_t Range() const { return FRange; }
  void SetRange(int32_t v);
  int32_t Position() const { return FPosition; }
  void SetPosition(int32_t v);
  int32_t Increment() const { return FIncrement; }
  void SetIncrement(int32_t v) { FIncrement = v > 0 ? v : 1; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  bool Tracking() const { return FTracking; }
  void SetTracking(bool v) { FTracking = v; }
  // Whether the bar shows: visible and the range exceeds the client size.
  bool IsScrollBarVisible();
  // The client size along the bar.
  int32_t ControlSize();
  // The greatest position: the range less the client size.
  int32_t MaxPosition();

private:
  friend class TScrollingWinControl;
  void ScrollMessage(TMessage& m);
  TScrollingWinControl* FControl;
  TScrollBarKind FKind;
  int32_t FRange = 0;
  int32_t FPosition = 0;
  int32_t FIncrement = 8;
  bool FVisible = true;
  bool FTracking = false;
};

// A windowed control that scrolls its children; the form's base.
class TScrollingWinControl : public TWinControl {
  RTL_CLASS(TScrollingWinControl, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TScrollingWinControl(TComponent* AOwner);
  ~TScrollingWinControl() override;
  TControlScrollBar* HorzScrollBar() const { return FHorzScrollBar; }
  void SetHorzScrollBar(TControlScrollBar* v) { FHorzScrollBar->Assign(v); }
  TControlScrollBar* VertScrollBar() const { return FVertScrollBar; }
  void SetVertScrollBar(TControlScrollBar* v) { FVertScrollBar->Assign(v); }
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool v);
  // Moves every child by dx, dy (the contents scroll by -dx, -dy).
  void ScrollBy(int32_t dx, int32_t dy);
  // Scrolls so that control is in view.
  void ScrollInView(TControl* control);
  // Recomputes the ranges (with AutoScroll) and shows the bars as needed.
  void UpdateScrollBars();

  void WMHScroll(TMessage& m);
  void WMVScroll(TMessage& m);
  void CMFocusChanged(TMessage& m);

protected:
  void CreateWnd() override;
  void AlignControls(TControl* control, RECT& rect) override;
  void AdjustClientRect(RECT& rect) override;
  bool DoMouseWheel(TShiftState shift, int32_t wheelDelta, POINT mousePos) override;

private:
  friend class TControlScrollBar;
  void CalcAutoRange();
  void UpdateBar(TControlScrollBar* bar);
  TControlScrollBar* FHorzScrollBar;
  TControlScrollBar* FVertScrollBar;
  bool FAutoScroll = true;
  bool FUpdatingScrollBars = false;
};

// A bordered box whose children scroll.
class TScrollBox : public TScrollingWinControl {
  RTL_CLASS(TScrollBox, TScrollingWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TScrollBox(TComponent* AOwner);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  TBorderStyle FBorderStyle = bsSingle;
};

class TCustomForm : public TScrollingWinControl {
  RTL_CLASS(TCustomForm, TScrollingWinControl)
  RTL_PUBLISHED_DECL
public:
  // Creates the form and streams it from the resource named after its class (and its ancestors').
  explicit TCustomForm(TComponent* AOwner);
  // Creates the form without a resource (forms built in code).
  TCustomForm(TComponent* AOwner, int dummy);
  ~TCustomForm() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons v);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition v) { FPosition = v; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState v);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle v);
  TFormState FormState() const { return FFormState; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult v) { FModalResult = v; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* v);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool v) { FKeyPreview = v; }
  int32_t PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int32_t v) { FPixelsPerInch = v; }
  bool Active() const { return FActive; }
  TMainMenu* Menu() const { return FMenu; }
  // The form's own icon (empty: the application's); setting it copies the icon.
  TIcon* Icon() const { return FIcon; }
  void SetIcon(TIcon* v) { FIcon->Assign(v); }
  void SetMenu(TMainMenu* v);
  // Stored client size: a form reads its client size before it has a window.
  void SetClientWidthProp(int32_t v);
  void SetClientHeightProp(int32_t v);
  int32_t ClientWidthProp() { return ClientWidth(); }
  int32_t ClientHeightProp() { return ClientHeight(); }

  void Show();
  void Hide();
  void Close();
  virtual bool CloseQuery();
  virtual TModalResult ShowModal();
  // Frees the form once the messages in the queue for it are handled.
  void Release();
  void FocusControl(TWinControl* control);
  bool SetFocusedControl(TWinControl* control);
  void DefocusControl(TWinControl* control, bool removing);
  void SendCancelMode(TControl* sender);
  bool IsShortCut(TMessage& m);
  bool DoKeyDownPublic(TMessage& m) { return DoKeyDown(m); }
  bool CanFocus() override { return Visible() && Enabled(); }
  void SetFocus() override;
  void ShowControlChain(TControl* c) override;
  // The menu bar: present while Menu is set, drawn in the non-client area above the client area.
  bool HasMenuBar() const { return FMenu != nullptr; }
  // The bar's rectangle in window coordinates (relative to the window's top-left corner).
  RECT MenuBarRect();
  void PaintMenuBar();
  // The menu's items changed: the bar is laid out and drawn again.
  void MenuBarChanged();
  RECT ClientRect() override;
  POINT ClientOrigin() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnHide;
  TNotifyEvent OnDestroy;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  // Message handlers.
  void WMClose(TMessage& m);
  void WMActivate(TMessage& m);
  void WMSetFocus(TMessage& m);
  void CMActivate(TMessage& m);
  void CMDeactivate(TMessage& m);
  void CMDialogKey(TMessage& m);
  void CMShowingChanged(TMessage& m);
  void CMRelease(TMessage& m);
  void CMVisibleChanged(TMessage& m);
  void WMNCCalcSize(TMessage& m);
  void WMNCPaint(TMessage& m);
  void WMNCActivate(TMessage& m);
  void WMNCHitTest(TMessage& m);
  void WMNCLButtonDown(TMessage& m);

protected:
  friend class TWinControl;
  friend class TApplication;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Loaded() override;
  void ReadState(TReader* reader) override;
  // The form's controls, then (when the form is the root being written) the components it owns that
  // stand on no parent of their own: non-visual components such as menus, data sources, bar managers.
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();
  void CloseModal();
  void SetWindowToMonitor();
  void UpdateWindowState();
  void SetActive(bool v);

  TBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TFormStyle FFormStyle = fsNormal;
  TFormState FFormState;
  TModalResult FModalResult = mrNone;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TWinControl* FLastFocused = nullptr;
  bool FKeyPreview = false;
  int32_t FPixelsPerInch = 96;
  bool FActive = false;
  bool FStreamed = true;  // stream from the class's resource in AfterConstruction
  TMainMenu* FMenu = nullptr;
  TIcon* FIcon = New<TIcon>();
  int32_t FClientWidth = -1, FClientHeight = -1;
};

class TForm : public TCustomForm {
  RTL_CLASS(TForm, TCustomForm)
public:
  using TCustomForm::TCustomForm;
};

using TFormClass = const TMetaClass*;

using TMessageEvent = Event<MSG&, bool&>;
using TIdleEvent = Event<TObject*, bool&>;
using TExceptionEvent = Event<TObject*, Exception*>;
using TShowHintEvent = Event<String&, bool&, THintInfo&>;

class TApplication : public TComponent {
  RTL_CLASS(TApplication, TComponent)
public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  void BeforeDestruction() override;

  void Initialize();
  // Creates a form of formClass owned by the application; the first one becomes the main form.
  // reference (if given) is set before the form's OnCreate runs.
  void CreateForm(TFormClass formClass, void* reference);
  template <class T>
  void CreateForm(T*& reference) {
    CreateForm(T::StaticClass(), &reference);
  }
  // The main loop: runs until Terminate (or the main form closes).
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  void ProcessMessages();
  // One message, or idle processing when there is none (waiting for the next message).
  void HandleMessage();
  // Routes the exception being handled (call inside a catch block) to OnException or ShowException;
  // EAbort is silent.
  void HandleException(TObject* sender);
  virtual void ShowException(Exception* e);
  // Shows the message (with a final period) in a message box with the stop icon under the title, once
  // the dialogs are installed (forms/Dialogs.h, InstallDialogs); the last one is kept for tests.
  const String& LastExceptionMessage() const { return FLastExceptionMessage; }
  int32_t ShownExceptionCount() const { return FShownExceptionCount; }
  void CancelHint();
  void HideHint();
  void ActivateHint(POINT cursorPos);

  TCustomForm* MainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* v) { FMainForm = v; }
  String Title() const { return FTitle; }
  void SetTitle(const String& v) { FTitle = v; }
  String ExeName() const;
  // A message box (the window system's, see InstallDialogs in forms/Dialogs.h) over the active form;
  // flags are MB_ values, the result the ID of the button pressed.
  int32_t MessageBox(const String& text, const String& caption, int32_t flags = MB_OK);
  String HelpFile() const { return FHelpFile; }
  void SetHelpFile(const String& v) { FHelpFile = v; }
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t v) { FHelpContext = v; }
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor v) { FHintColor = v; }
  int32_t HintPause() const { return FHintPause; }
  void SetHintPause(int32_t v) { FHintPause = v; }
  int32_t HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int32_t v) { FHintHidePause = v; }
  int32_t HintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(int32_t v) { FHintShortPause = v; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool v) { FShowHint = v; }
  String Hint() const { return FHint; }
  void SetHint(const String& v);
  bool Active() const { return FActive; }
  HWND Handle() const { return nullptr; }
  THintWindow* HintWindow() const { return FHintWindow; }
  // The program's icon (empty until the program gives it one); setting it copies the icon.
  TIcon* Icon();
  void SetIcon(TIcon* v) { Icon()->Assign(v); }

  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  bool ProcessMessage(MSG& msg);
  // Idle processing (mouse tracking, hints, OnIdle, synchronisation), then waiting for a message when
  // nothing asked for more; modal loops of menus call it too.
  void Idle(const MSG& msg);
  static void ExceptionHandlerThunk(void* context);

private:
  friend class TCustomForm;
  friend class TControl;
  bool IsKeyMsg(MSG& msg);
  bool IsHintMsg(MSG& msg);
  // Alt alone, F10 and Alt+letter enter the menu bar of the form the key is for.
  bool IsMenuKey(MSG& msg);
  void DoMouseIdle();
  void HintTimerExpired();

  TCustomForm* FMainForm = nullptr;
  String FTitle;
  String FHelpFile;
  int32_t FHelpContext = 0;
  TColor FHintColor = clInfoBk;
  int32_t FHintPause = 500;
  int32_t FHintHidePause = 2500;
  int32_t FHintShortPause = 50;
  bool FShowHint = true;
  String FHint;
  bool FTerminated = false;
  bool FActive = true;
  bool FRunning = false;
  bool FHandleCreated = false;
  String FLastExceptionMessage;
  int32_t FShownExceptionCount = 0;
  TControl* FMouseControl = nullptr;
  TControl* FHintControl = nullptr;
  THintWindow* FHintWindow = nullptr;
  bool FHintActive = false;
  uint32_t FHintDueTick = 0;
  bool FHintPending = false;
  POINT FHintCursor{0, 0};
  TIcon* FIcon = nullptr;
  bool FMenuAltAlone = false;  // Alt went down and no other key since
};

class TScreen : public TComponent {
  RTL_CLASS(TScreen, TComponent)
public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  HCURSOR Cursors(TCursor index) const;
  void SetCursors(TCursor index, HCURSOR handle);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor v);
  int32_t FormCount() const { return static_cast<int32_t>(FForms.size()); }
  TCustomForm* Forms(int32_t i) const { return FForms[static_cast<size_t>(i)]; }
  int32_t CustomFormCount() const { return FormCount(); }
  TCustomForm* CustomForms(int32_t i) const { return Forms(i); }
  TCustomForm* ActiveForm() const { return FActiveForm; }
  TCustomForm* ActiveCustomForm() const { return FActiveForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  int32_t PixelsPerInch() const { return FPixelsPerInch; }
  // The resolution forms are designed against and scaled to; forms created afterwards take it. Tests and
  // a program that reads the display's resolution set it.
  void SetPixelsPerInch(int32_t v) { FPixelsPerInch = v > 0 ? v : 96; }
  int32_t Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int32_t Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  RECT WorkAreaRect() const;
  int32_t WorkAreaWidth() const { RECT r = WorkAreaRect(); return r.right - r.left; }
  int32_t WorkAreaHeight() const { RECT r = WorkAreaRect(); return r.bottom - r.top; }
  TFont* HintFont() const { return FHintFont; }
  TFont* MenuFont() const { return FMenuFont; }
  // The installed font families, sorted (filled on first use).
  TStrings* Fonts();

  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

private:
  friend class TCustomForm;
  friend class TApplication;
  void AddForm(TCustomForm* f);
  void RemoveForm(TCustomForm* f);
  void SetFocusedForm(TCustomForm* f, TWinControl* control);

  std::vector<std::pair<TCursor, HCURSOR>> FCursorList;
  TCursor FCursor = crDefault;
  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  int32_t FPixelsPerInch = 96;
  TFont* FHintFont;
  TFont* FMenuFont;
  TStringList* FFonts = nullptr;
};

// The yellow window that shows a hint.
class THintWindow : public TCustomControl {
  RTL_CLASS(THintWindow, TCustomControl)
public:
  explicit THintWindow(TComponent* AOwner);
  void ActivateHint(RECT rect, const String& hint);
  void ReleaseHandle() { DestroyHandle(); }
  virtual RECT CalcHintRect(int32_t maxWidth, const String& hint);
  bool IsHintVisible() { return HandleAllocated() && IsWindowVisible(Handle()); }

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
};

extern TApplication* Application;
extern TScreen* Screen;
// Makes the Application and Screen objects once the window system is up (the program calls it at start,
// tests in each case's set-up), and frees them (with the forms the application owns).
void InitForms();
void DoneForms();
