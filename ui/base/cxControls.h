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
// A 32 × 32 cursor drawn as text rows: "#" black, "o" white, anything else (and what short or missing rows
// leave out) shows the screen. The caller owns the handle and frees it with DestroyIcon.
HCURSOR MakecxCursorFromRows(const char* const* ARows, int32_t ARowCount, POINT AHotSpot);
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

// ---- the custom-drawn control base ---------------------------------------------------------------------

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/ObjLinks.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/cxScrollBar.h"

class TcxControl;
class TcxControlChildComponent;
class TcxDragAndDropObject;
class TcxDragControlObject;
class TcxDragImageList;

enum TcxControlBorderStyle : uint8_t { cxcbsNone, cxcbsDefault };
RTL_ENUM(TcxControlBorderStyle, cxcbsNone, cxcbsDefault)
enum TcxControlKey : uint8_t { ckAllKeys, ckArrows, ckChars, ckTab };
RTL_ENUM(TcxControlKey, ckAllKeys, ckArrows, ckChars, ckTab)
using TcxControlKeys = Set<TcxControlKey>;
enum TcxDragAndDropState : uint8_t { ddIdle, ddPending, ddActive };
RTL_ENUM(TcxDragAndDropState, ddIdle, ddPending, ddActive)
// Directions of ScrollInDirection and of middle-button scrolling.
enum TcxScrollDirection : uint8_t { dirNone, dirLeft, dirRight, dirUp, dirDown };

// Told to every control (and posted by a control to itself after its frame changed) when the system's
// scroll-bar sizes may have changed.
constexpr UINT CXM_SCROLLBARMETRICS = 0x8131;

// The object inside a control that owns its mouse capture hears when another object takes it.
class IcxMouseCaptureObject : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{ACB73657-6066-4564-9A3D-D4D0273AA82F}");
  virtual void CaptureLost() = 0;
};

class IcxFontListener : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{B144DD7E-0B27-439A-B908-FC3ACFE6A2D3}");
  virtual void Changed(TObject* Sender, TFont* AFont) = 0;
};

// A painted bar of a control: the data a layout pass asks for wait here until the control applies them.
struct TcxScrollBarData {
  int32_t Min = 0;
  int32_t Max = 100;
  int32_t Position = 0;
  int32_t PageSize = 0;
  TScrollBarInc SmallChange = 1;
  TScrollBarInc LargeChange = 1;
  bool Enabled = true;
  bool Visible = false;
  bool AllowShow = true;
  bool AllowHide = true;
};

class TcxControlScrollBar : public TcxScrollBar {
  RTL_CLASS(TcxControlScrollBar, TcxScrollBar)
public:
  explicit TcxControlScrollBar(TComponent* AOwner);
  void AfterConstruction() override;
  void WndProc(TMessage& m) override;
  void ApplyData();
  TcxScrollBarData& Data() { return FData; }

protected:
  virtual void FocusParent();

private:
  TcxScrollBarData FData;
};

// The corner between the two bars.
class TcxSizeGrip : public TCustomControl {
  RTL_CLASS(TcxSizeGrip, TCustomControl)
public:
  explicit TcxSizeGrip(TComponent* AOwner);

protected:
  void Paint() override;
};

// Tells every registered control when the system's non-client metrics change.
class TcxSettingsController : public TObject {
  RTL_CLASS(TcxSettingsController, TObject)
public:
  ~TcxSettingsController() override;
  void AddListener(TcxControl* AControl);
  void RemoveListener(TcxControl* AControl);
  int32_t ListenerCount() const { return static_cast<int32_t>(FList.size()); }
  HWND Window() const { return FWindow; }

protected:
  virtual void WndProc(TMessage& Message);

private:
  std::vector<TcxControl*> FList;
  HWND FWindow = nullptr;
};
TcxSettingsController* cxSettingsController();

// ---- the control ---------------------------------------------------------------------------------------

class TcxControl : public TCustomControl {
  RTL_CLASS(TcxControl, TCustomControl)
public:
  explicit TcxControl(TComponent* AOwner);
  ~TcxControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& m) override;

  TcxCanvas* GetDrawingCanvas();
  TcxCanvas* ControlCanvas() const { return FCanvas; }
  bool GetHScrollBarVisible() const;
  bool GetVScrollBarVisible() const;
  void InvalidateRect(const RECT& R, bool AErase);
  void InvalidateRegion(TcxRegion* ARegion, bool AErase);
  void UpdateWindowAndChildren();
  bool IsCloseToMouseDownPoint(int32_t X, int32_t Y) const;
  void SetCaptureObject(TObject* AObject);
  TObject* CaptureObject() const { return FCaptureObject; }

  TcxControlKeys Keys() const { return FKeys; }
  void SetKeys(TcxControlKeys AKeys) { FKeys = AKeys; }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle AValue);
  TcxControlBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TcxControlBorderStyle AValue);
  TcxLookAndFeel* LookAndFeel() const { return FLookAndFeel; }
  void SetLookAndFeel(TcxLookAndFeel* AValue) { FLookAndFeel->Assign(AValue); }
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* AValue);
  // What the platform's own popup handling sees: only a platform popup menu.
  TPopupMenu* GetPopupMenu() const;
  void AddFontListener(IcxFontListener* AListener);
  void RemoveFontListener(IcxFontListener* AListener);
  bool IsMenuShortCutKey(TMessage& Message);
  void NotifyDesignerModified();
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }
  bool IsCopyDragDrop() const;

  bool TakesFocusOnClick() const { return FTakesFocusOnClick; }
  void SetTakesFocusOnClick(bool v) { FTakesFocusOnClick = v; }
  bool MouseButtonPressed() const { return FMouseButtonPressed; }
  POINT MouseDownPos() const { return FMouseDownPos; }
  TCursor DefaultCursor() const { return FDefaultCursor; }
  RECT ExplicitBounds() const { return FExplicitBounds; }
  void SetExplicitBounds(const RECT& R) { FExplicitBounds = R; }
  TcxControlScrollBar* HScrollBar() const { return FHScrollBar; }
  TcxControlScrollBar* VScrollBar() const { return FVScrollBar; }
  TcxSizeGrip* SizeGrip() const { return FSizeGrip; }
  bool CalculatingScrollBars() const { return FCalculatingScrollBars; }
  bool ScrollingContent() const { return FScrollingContent; }

  // Drag-and-drop inside the control.
  TcxDragAndDropState DragAndDropState() const { return FDragAndDropState; }
  void SetDragAndDropState(TcxDragAndDropState AState);
  TcxDragAndDropObject* DragAndDropObject();  // created on first need
  bool HasDragAndDropObject() const { return FDragAndDropObject != nullptr; }
  TClass DragAndDropObjectClass() const { return FDragAndDropObjectClass; }
  void SetDragAndDropObjectClass(TClass AValue) { FDragAndDropObjectClass = AValue; }
  void StartDragAndDrop(POINT P);
  void FinishDragAndDrop(bool AAccepted);

  // Scroll bars.
  void SetScrollBarInfo(TScrollBarKind AKind, int32_t AMin, int32_t AMax, int32_t AStep, int32_t APage,
                        int32_t APos, bool AAllowShow, bool AAllowHide);
  void ScrollInDirection(TcxScrollDirection ADirection);
  void ScrollWindow(int32_t DX, int32_t DY, const RECT& R);
  void ScrollContentWithMiddleButton();

  TNotifyEvent OnFocusChanged;
  Event<TObject*, TControl*> OnMouseEnterControl;
  Event<TObject*, TControl*> OnMouseLeaveControl;

  // ---- extension points ----
  virtual bool ShowPopupMenu(TComponent* AMenu, int32_t X, int32_t Y);
  virtual void ParentBackgroundChanged() {}
  virtual void MouseButtonDown(TMouseButton AButton, int32_t X, int32_t Y);
  virtual bool AllowsAutoDragAt(int32_t X, int32_t Y, uint8_t AKind) { (void)X, (void)Y, (void)AKind; return true; }
  virtual void BeforeMouseDown(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y) {
    (void)AButton, (void)AShift, (void)X, (void)Y;
  }
  virtual void BringScrollBarsToFront();
  virtual void FinishMouseOperations();
  virtual bool CanFocusOnClick();
  virtual bool CanFocusOnScrollBarClick(TControl* AScrollBar) { (void)AScrollBar; return CanFocusOnClick(); }
  virtual int32_t GetBorderSize();
  virtual void GetControlRect(RECT& R);
  virtual void GetContentRect(RECT& R);
  RECT ControlRect() { RECT r; GetControlRect(r); return r; }
  RECT ContentRect() { RECT r; GetContentRect(r); return r; }
  virtual TCursor GetCursorAt(int32_t X, int32_t Y) { (void)X, (void)Y; return FDefaultCursor; }
  virtual bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  virtual bool HasFocus() { return Focused(); }
  virtual uint8_t GetMouseWheelScrollingKind() { return GetVScrollBarVisible() ? 2 : 0; }
  virtual bool ErasesBackground() { return false; }
  virtual void AttachScrollBars();
  virtual bool OwnsScrollControl(TControl* AControl) const {
    return AControl && (AControl == FHScrollBar || AControl == FVScrollBar || AControl == FSizeGrip);
  }
  virtual TcxCustomLookAndFeelPainterClass GetPainter() const { return FLookAndFeel->GetPainterClass(); }
  virtual void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) {
    (void)Sender, (void)AChangedValues;
  }
  virtual void GetHScrollBarBounds(RECT& R);
  virtual void GetSizeGripBounds(RECT& R);
  virtual void GetVScrollBarBounds(RECT& R);
  virtual void ComputeScrollBarsData() {}
  virtual bool AllowsHidingBothScrollBars(TScrollBarKind AKind) { (void)AKind; return false; }
  virtual bool HasScrollBars() const { return true; }
  virtual bool KeepScrollBarsOnTop() { return true; }
  virtual void Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) { (void)AKind, (void)ACode, (void)APos; }
  virtual void SetScrollBarsBounds();
  virtual void RefreshScrollBars();
  virtual TClass GetDragAndDropObjectClass() const;
  virtual bool CanFocusWithForm();
  virtual bool IsNearMouseDownPos(int32_t X, int32_t Y);

  // (dynamic in the original: rarely overridden)
  virtual void ApplyColorChange() {}
  virtual void VisibleChanged() {}
  virtual bool AllowUnfocusedMouseDown() { return false; }
  virtual void ClientAreaChanged() { RefreshScrollBars(); }
  virtual bool CanBeginDrag(int32_t X, int32_t Y) { (void)X, (void)Y; return FDragAndDropState == ddIdle; }
  virtual void StoreDefaultCursor() { FDefaultCursor = Cursor(); }
  virtual void CancelMouseOperations();
  virtual void FocusChanged();
  virtual void FontChanged();
  virtual bool AllowDesignHitTest(int32_t X, int32_t Y, TShiftState AShift);
  virtual TClass GetDragObjectClass() const;
  virtual void AddChildComponent(TcxControlChildComponent* AChild);
  virtual void RemoveChildComponent(TcxControlChildComponent* AChild);
  virtual bool IsFocusable() { return true; }
  virtual void MouseEnter(TControl* AControl);
  virtual void MouseLeave(TControl* AControl);
  virtual void TextChanged() {}
  virtual void DragAndDropMove(POINT P, bool& AAccepted);
  virtual void DragAndDropEnd(bool AAccepted);
  virtual bool StartsDragAndDropAt(POINT P) { (void)P; return false; }
  virtual bool AcceptsDragObject(TDragObject* ADragObject) { (void)ADragObject; return true; }

  // The picture of a platform drag that starts at the control. The base has none; a descendant that has one
  // answers HasDragImages, gives its size and draws it. The list is made on the first request of a drag,
  // holds that one picture, and is freed when the drag ends; nil while there is no picture.
  TcxDragImageList* GetDragImages();
  virtual bool HasDragImages() { return false; }
  virtual void GetDragImagesSize(POINT& ASize) { ASize = POINT{0, 0}; }
  virtual void DrawDragImage(TcxCanvas* ACanvas, const RECT& R) { (void)ACanvas, (void)R; }
  virtual TClass GetDragImagesClass() const;
  virtual void InitDragImages(TcxDragImageList* AList);

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Resize() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void DoStartDrag(TDragObject*& ADragObject) override;
  void DoEndDrag(TObject* ATarget, int32_t X, int32_t Y) override;
  void DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept) override;

private:
  bool HandleMessage(TMessage& m);
  void CalculateScrollBarsData();
  void HideBothScrollBarsIfPossible();
  void ScrollBarScroll(TObject* Sender, TScrollCode ACode, int32_t& APos);
  void DoLookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) {
    LookAndFeelChanged(Sender, AChangedValues);
  }
  void CreateScrollBars();
  void DestroyScrollBars();
  void CheckScrollBarMetrics();
  void MiddleScrollTick();

  TcxCanvas* FScreenCanvasCache = nullptr;
  TcxControlBorderStyle FBorderStyle = cxcbsNone;
  bool FCalculatingScrollBars = false;
  TcxCanvas* FCanvas = nullptr;
  TCursor FDefaultCursor = crDefault;
  TcxDragAndDropObject* FDragAndDropObject = nullptr;
  TClass FDragAndDropObjectClass = nullptr;
  TcxDragImageList* FDragImages = nullptr;
  TCursor FDragAndDropPrevCursor = crDefault;
  TcxDragAndDropState FDragAndDropState = ddIdle;
  bool FFinishingDragAndDrop = false;
  bool FTakesFocusOnClick = true;
  std::vector<IPtr<IcxFontListener>> FFontListeners;
  TcxControlScrollBar* FHScrollBar = nullptr;
  bool FInitialHScrollBarVisible = false, FInitialVScrollBarVisible = false, FScrollBarsSettled = false;
  TcxControlKeys FKeys;
  TcxLookAndFeel* FLookAndFeel = nullptr;
  bool FMouseButtonPressed = false;
  TObject* FCaptureObject = nullptr;
  POINT FMouseDownPos{-1, -1};
  TComponent* FPopupMenu = nullptr;
  TScrollStyle FScrollBars = ssBoth;
  TcxSizeGrip* FSizeGrip = nullptr;
  bool FUpdatingScrollBars = false;
  TcxControlScrollBar* FVScrollBar = nullptr;
  bool FScrollingContent = false;
  TcxScrollDirection FMiddleScrollDirection = dirNone;
  int32_t FMiddleScrollSpeed = 1;
  int32_t FMiddleScrollTicks = 0;
  bool FLastParentBackground = true;
  RECT FExplicitBounds{};
};

// ---- drag-and-drop objects ---------------------------------------------------------------------------

// Follows the mouse from a press inside a control to the release and paints its feedback there (the grid
// moves columns and sizes rows with its descendants).
class TcxDragAndDropObject : public TObject {
  RTL_CLASS(TcxDragAndDropObject, TObject)
public:
  explicit TcxDragAndDropObject(TcxControl* AControl);
  using VirtualCtorArg = TcxControl*;

  void Init();
  void DoMove(POINT P, bool& AAccepted);
  void DoEnd(bool AAccepted);

  TcxControl* Control() const { return FControl; }
  TcxCanvas* Canvas() const { return FCanvas; }
  POINT CurMousePos() const { return FCurMousePos; }
  POINT PrevMousePos() const { return FPrevMousePos; }
  bool Dirty() const { return FDirty; }
  void SetDirty(bool Value);

  virtual bool StartsImmediately() const { return false; }
  virtual TCursor GetDragAndDropCursor(bool AAccepted);

protected:
  virtual void DirtyFlagChanged() {}
  virtual void DragDropFinished(bool AAccepted) { (void)AAccepted; }
  virtual void DragDropStarted() { DirtyFlagChanged(); }
  virtual void DragDropMoved(POINT P, bool& AAccepted);
  virtual void DragDropEnding(bool AAccepted);

private:
  TcxControl* FControl;
  TcxCanvas* FCanvas;
  POINT FCurMousePos{-1, -1};
  POINT FPrevMousePos{-1, -1};
  bool FDirty = false;
};
using TcxDragAndDropObjectClass = TClass;

// The image list of a control's drag picture.
class TcxDragImageList : public TCustomImageList {
  RTL_CLASS(TcxDragImageList, TCustomImageList)
public:
  using TCustomImageList::TCustomImageList;
};

// The platform drag object of a control: the copy cursor while Ctrl is down; it frees itself when done.
class TcxDragControlObject : public TDragControlObject {
  RTL_CLASS(TcxDragControlObject, TDragControlObject)
public:
  using TDragControlObject::TDragControlObject;
  TCursor GetDragCursor(bool AAccepted, int32_t X, int32_t Y) override;
  void Finished(TObject* ATarget, int32_t X, int32_t Y, bool AAccepted) override;
};

// The platform drag object over a control now (nil outside).
TDragObject* cxCurrentDragObject();

// 0 released inside the threshold, 1 moved beyond it, 2 cancelled.
uint8_t DetectDragStart(HWND AWnd);

// Middle-button scrolling: the speed (1..12, 0 in the neutral zone) and direction for a mouse at P, with
// the anchor at AAnchor, an anchor mark AMarkWidth wide, and which bars there are. ALeftZone reports whether
// P lies outside the neutral zone.
void cxMiddleScrollSpeed(POINT AAnchor, POINT P, int32_t AMarkWidth, bool AHorz, bool AVert, RECT AScreen,
                         TcxScrollDirection& ADirection, int32_t& ASpeed, bool& ALeftZone);
// The anchor marks' pictures (both bars, horizontal only, vertical only), made on first use.
TBitmap* cxScrollAnchorBitmap(bool AHorz, bool AVert);

// The base of components that belong to a control (a grid's views and levels).
class TcxControlChildComponent : public TcxComponent {
  RTL_CLASS(TcxControlChildComponent, TcxComponent)
public:
  explicit TcxControlChildComponent(TComponent* AOwner) : TcxComponent(AOwner) {}
  void AfterConstruction() override;
  void BeforeDestruction() override;
  // Made for a control: owned by the control's owner when AAssignOwner, else by nothing.
  template <class T>
  static T* CreateForControl(TcxControl* AControl, bool AAssignOwner = true) {
    T* result = New<T>(AAssignOwner ? AControl->Owner() : nullptr);
    result->SetControl(AControl);
    return result;
  }
  TcxControl* Control() const { return FControl; }
  virtual bool IsDestroying() const { return ComponentState().Contains(csDestroying); }
  virtual bool IsLoading() const { return ComponentState().Contains(csLoading); }
  virtual void SetupDefaults() {}
  virtual void SetControl(TcxControl* Value) { FControl = Value; }
  TComponent* GetParentComponent() const override { return FControl; }
  bool HasParent() const override { return FControl != nullptr; }
  void SetParentComponent(TComponent* Value) override;

private:
  TcxControl* FControl = nullptr;
};

// ---- the popup window ----------------------------------------------------------------------------------

enum TcxPopupAlignHorz : uint8_t { phaLeft, phaCenter, phaRight };
enum TcxPopupAlignVert : uint8_t { pvaTop, pvaCenter, pvaBottom };
enum TcxPopupDirection : uint8_t { pdrHorizontal, pdrVertical };
enum TcxPopupBorderStyle : uint8_t { pbsNone, pbsSingle, pbsRaised, pbsDoubleRaised };

// The suite's borderless drop-down window: it opens beside a rectangle of its anchor control, sizes itself
// around its children, flips to the roomier side, stays in the work area, draws a thin frame and closes when
// it or the application loses activation.
class TcxPopupWindow : public TForm {
  RTL_CLASS(TcxPopupWindow, TForm)
public:
  // The window has no owner whatever is passed: its creator frees it.
  explicit TcxPopupWindow(TComponent* AOwner = nullptr);
  ~TcxPopupWindow() override;
  void AfterConstruction() override;
  void WndProc(TMessage& m) override;

  virtual void ComputePopupPosition(POINT& P);
  virtual void FitSizeToControls();
  virtual int32_t GetClientOffset(TcxBorder ASide);
  virtual int32_t GetFrameWidth(TcxBorder ASide);
  virtual void TakeOwnerFont();
  virtual void DrawFrame();
  virtual void ClosePopup();
  virtual void ShowPopup();
  virtual void VisibilityChanged() {}

  int32_t GetHorzBordersWidth() { return GetClientOffset(bLeft) + GetClientOffset(bRight); }
  void RestoreControlsBounds();

  RECT AnchorBounds() const { return FAnchorBounds; }
  void SetAnchorBounds(const RECT& R) { FAnchorBounds = R; }
  TControl* AnchorParent() const { return FAnchorParent; }
  void SetAnchorParent(TControl* v) { FAnchorParent = v; }
  TcxPopupAlignHorz HorzAlignment() const { return FHorzAlignment; }
  void SetHorzAlignment(TcxPopupAlignHorz v) { FHorzAlignment = v; }
  TcxPopupAlignVert VertAlignment() const { return FVertAlignment; }
  void SetVertAlignment(TcxPopupAlignVert v) { FVertAlignment = v; }
  TcxPopupDirection PopupDirection() const { return FDirection; }
  void SetPopupDirection(TcxPopupDirection v) { FDirection = v; }
  TcxPopupBorderStyle PopupBorderStyle() const { return FBorderStyle; }
  void SetPopupBorderStyle(TcxPopupBorderStyle AValue);
  int32_t FrameSpacing() const { return FFrameSpacing; }
  void SetFrameSpacing(int32_t v) { FFrameSpacing = v; }
  TColor FrameLineColor() const { return FFrameLineColor; }
  void SetFrameLineColor(TColor v) { FFrameLineColor = v; }
  bool AutoFitSize() const { return FAutoFitSize; }
  void SetAutoFitSize(bool v) { FAutoFitSize = v; }
  HWND DeactivatedWindow() const { return FDeactivatedWindow; }
  TcxCanvas* PopupCanvas() const { return FPopupCanvas; }

protected:
  void PaintWindow(HDC DC) override;
  void Deactivate() override;

private:
  TCanvas* FFrameCanvas = nullptr;
  RECT FAnchorBounds{};
  TControl* FAnchorParent = nullptr;
  TcxPopupAlignHorz FHorzAlignment = phaLeft;
  TcxPopupAlignVert FVertAlignment = pvaBottom;
  TcxPopupDirection FDirection = pdrVertical;
  TcxPopupBorderStyle FBorderStyle = pbsNone;
  int32_t FFrameSpacing = 0;
  TColor FFrameLineColor = clWindowText;
  bool FAutoFitSize = true;
  HWND FDeactivatedWindow = nullptr;
  TcxCanvas* FPopupCanvas = nullptr;
};

// ---- the unit's life ---------------------------------------------------------------------------------

// What the unit's end does: tracking entries still registered are freed (their callers are not told),
// the tracking list and the shared timer window go. Raises nothing. Program exit runs it too; a window
// system restarted afterwards gets a fresh timer window on first use.
void cxControlsFinalize();
// The control base's share of it: the settings controller and the anchor pictures.
void cxControlBaseFinalize();
