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

// A windowed control that scrolls its children; the form's base.
class TScrollingWinControl : public TWinControl {
  RTL_CLASS(TScrollingWinControl, TWinControl)
public:
  explicit TScrollingWinControl(TComponent* AOwner);
  // Scrolls so that control is in view.
  void ScrollInView(TControl* control);
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

protected:
  friend class TWinControl;
  friend class TApplication;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Loaded() override;
  void ReadState(TReader* reader) override;
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
  TIcon* FIcon = new TIcon();
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
  // The last message ShowException showed (tests read it; the message box comes with the dialogs).
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
  bool IsKeyMsg(MSG& msg);
  bool IsHintMsg(MSG& msg);
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
