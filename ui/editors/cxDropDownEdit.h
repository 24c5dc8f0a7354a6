#pragma once
// The drop-down editor unit: the window a drop-down editor opens (its frame, shadow and system panel with
// size grip and close button, its size rule, the grip corner chosen from where it lies against the editor,
// resizing with the mouse), and the editor itself: when the popup opens and closes (keys, button, mouse,
// focus, typing, in-place activation), how it is set up from the properties and the editor's style, the
// size a user gave it (in the properties stand-alone, per record in place), the lookup list it shows and
// what accepting or cancelling does to the value.
//
// The unit's two editor kinds are declared in headers of their own: the combo box, TcxComboBox with its
// properties, lookup data, list box and popup window (cxComboBox.h), and the popup edit, TcxPopupEdit
// (cxPopupEdit.h).

#include <functional>

#include "ui/base/cxLookAndFeels.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxMaskEdit.h"
#include "ui/editors/cxTextEdit.h"

class TcxCustomDropDownEdit;

// Private message: a character typed in the editor goes on to the open popup (WParam = the character).
constexpr UINT CM_DROPDOWNFORWARDCHAR = 0x806B;

// Grip corners: where the size grip sits and which edges the user may drag.
constexpr int32_t cxGripTopLeft = 0;
constexpr int32_t cxGripTopRight = 1;
constexpr int32_t cxGripBottomLeft = 2;
constexpr int32_t cxGripBottomRight = 3;

// Close button states of the popup's system panel.
constexpr int32_t cxCloseButtonNormal = 1;
constexpr int32_t cxCloseButtonHot = 2;
constexpr int32_t cxCloseButtonPressed = 3;

// The shadow of a popup: this many pixels on the right and at the bottom.
constexpr int32_t cxEditPopupShadowWidth = 3;

struct TcxSizingDirection {
  int32_t X = 0;
  int32_t Y = 0;
  bool Sizing = false;
};

class TcxCustomEditPopupWindowViewInfo : public TcxContainerViewInfo {
  RTL_CLASS(TcxCustomEditPopupWindowViewInfo, TcxContainerViewInfo)
public:
  TcxCustomEditPopupWindowViewInfo() = default;

  virtual void Calculate();
  virtual void DrawBorder(TcxCanvas* ACanvas, RECT& R);
  virtual void GetBorderExtent(RECT& R);
  virtual void GetClientExtent(RECT& R);
  virtual int32_t GetSysPanelHeight();
  virtual TcxSizingDirection GetSizingDirection(int32_t X, int32_t Y);
  void PaintBackground(TcxCanvas* ACanvas) override;

  // The frame width alone, and the client edge inside it.
  int32_t PopupBorderWidth() const;
  int32_t ClientEdgeWidth() const;
  // The panel's height without MinSysPanelHeight: the larger of the scroll bar and caption button heights.
  static int32_t BaseSysPanelHeight();
  static int32_t SizingOffset();

  TcxEditPopupBorderStyle PopupBorderStyle = epbsDefault;
  bool ClientEdge = false;
  bool Sizeable = false;
  bool SysPanelStyle = false;
  int32_t SizeGripCorner = cxGripBottomRight;
  int32_t MinSysPanelHeight = 0;
  int32_t SysPanelHeight = 0;
  int32_t SizingOffsetValue = 0;
  RECT SizingRegionBounds{};
  RECT SizeGripSizingRect{};
  RECT SizeGripRect{};
  bool CloseButton = false;
  RECT CloseButtonRect{};
  int32_t CloseButtonState = cxCloseButtonNormal;
  TcxLookAndFeelKind PainterKind = lfStandard;
};

class TcxCustomEditPopupWindow : public TcxCustomPopupWindow {
  RTL_CLASS(TcxCustomEditPopupWindow, TcxCustomPopupWindow)
public:
  explicit TcxCustomEditPopupWindow(TControl* AOwnerControl);
  ~TcxCustomEditPopupWindow() override;
  void WndProc(TMessage& Message) override;

  virtual void CalculateViewInfo();
  virtual void ForwardChar(uint16_t AChar);
  virtual void GetMinSize(SIZE& ASize);
  // The content size an auto-sized popup wraps: the editor's answer; (0, 0) without a drop-down editor.
  virtual void CalculateContentSize(SIZE& ASize);

  TClass GetViewInfoClass() const override { return TcxCustomEditPopupWindowViewInfo::StaticClass(); }
  bool CanShrinkToWorkArea() override;
  void ComputePopupPosition(POINT& P) override;
  void FitSizeToControls() override { CalculateSize(); }
  void DoClosing() override;
  void DoClosed() override;

  // The drop-down editor that owns the popup (nullptr for another owner).
  TcxCustomDropDownEdit* Edit() const;
  void CalculateSize();
  // The height the work area leaves on the popup's side of the editor.
  int32_t GetAvailableHeight();
  // The window shape: without native style the shadow is cut out of the window's region.
  void ApplyWindowShape();
  // The editor's bounds on the screen, 3 pixels wider with a shadow.
  RECT GetPopupOwnerBounds();
  // Lays the view info out for the current size and repaints.
  void UpdateContent();
  // What a drag to the screen point P would make of the popup's bounds; false when nothing changes.
  bool CalculateSizingBounds(POINT P, RECT& ANewBounds);
  // Adjusts a proposed size; false keeps the current one.
  virtual bool CanResize(int32_t& NewWidth, int32_t& NewHeight);

  TcxCustomEditPopupWindowViewInfo* ViewInfo() const {
    return static_cast<TcxCustomEditPopupWindowViewInfo*>(TcxCustomPopupWindow::ViewInfo());
  }

  bool PopupAutoSize() const { return FPopupAutoSize; }
  void SetPopupAutoSize(bool Value) { FPopupAutoSize = Value; }
  TcxEditPopupBorderStyle BorderStyle() const { return ViewInfo()->PopupBorderStyle; }
  void SetBorderStyle(TcxEditPopupBorderStyle Value) { ViewInfo()->PopupBorderStyle = Value; }
  bool ClientEdge() const { return ViewInfo()->ClientEdge; }
  void SetClientEdge(bool Value) { ViewInfo()->ClientEdge = Value; }
  bool CloseButton() const { return ViewInfo()->CloseButton; }
  void SetCloseButton(bool Value) { ViewInfo()->CloseButton = Value; }
  int32_t MinHeight() const { return FMinHeight; }
  void SetMinHeight(int32_t Value) { FMinHeight = Value; }
  int32_t MinWidth() const { return FMinWidth; }
  void SetMinWidth(int32_t Value) { FMinWidth = Value; }
  bool NativeStyle() const { return ViewInfo()->NativeStyle; }
  void SetNativeStyle(bool Value) { ViewInfo()->NativeStyle = Value; }
  int32_t PopupHeight() const { return FPopupHeight; }
  void SetPopupHeight(int32_t Value) { FPopupHeight = Value; }
  int32_t PopupWidth() const { return FPopupWidth; }
  void SetPopupWidth(int32_t Value) { FPopupWidth = Value; }
  bool Shadow() const { return ViewInfo()->Shadow; }
  void SetShadow(bool Value) { ViewInfo()->Shadow = Value; }
  bool Sizeable() const { return ViewInfo()->Sizeable; }
  void SetSizeable(bool Value) { ViewInfo()->Sizeable = Value; }
  bool SysPanelStyle() const { return ViewInfo()->SysPanelStyle; }
  void SetSysPanelStyle(bool Value) { ViewInfo()->SysPanelStyle = Value; }
  RECT OwnerScreenBounds() const { return FOwnerBounds; }
  // The screen rectangle of the tracking frame while sizing, empty otherwise.
  static RECT SizingFrameRect();
  static bool IsSizing();

  // Set when the user resized the popup with the mouse during the current opening.
  bool SizeChangedByMouse = false;
  // Asked before the close button closes the popup; true allows.
  std::function<bool()> OnCloseButtonQuery;
  // Closes the popup without accepting when the close button was clicked.
  std::function<void()> OnCloseButtonClick;

protected:
  void AdjustClientRect(RECT& Rect) override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseLeave(TControl* AControl) override;

private:
  void SetCloseButtonState(int32_t AState);
  void SetSizingCursor(const TcxSizingDirection& D);
  void MoveSizingFrame(const RECT& R);

  bool FPopupAutoSize = true;
  int32_t FMinHeight = 0;
  int32_t FMinWidth = 0;
  int32_t FPopupHeight = 0;
  int32_t FPopupWidth = 0;
  RECT FOwnerBounds{};
};

// Settings of an editor that opens a popup: when it opens, how it is sized and what its frame shows.
class TcxCustomDropDownEditProperties : public TcxCustomMaskEditProperties {
  RTL_CLASS(TcxCustomDropDownEditProperties, TcxCustomMaskEditProperties)
public:
  explicit TcxCustomDropDownEditProperties(TPersistent* AOwner);
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;
  void Changed() override;
  bool UsesDropDownLookup() override { return true; }
  TcxCustomEditViewDataClass GetViewDataClass() const override;

  // ---- new virtual operations, in slot order ----
  virtual int32_t GetDropDownButtonIndex() { return 0; }
  // True: the value can only be chosen in the popup (a click in the text area opens it).
  virtual bool IsPopupOnlyEditing() { return false; }
  // True: the editor posts the popup's value itself once the popup has closed.
  virtual bool PostsPopupValueItself() { return false; }
  // A TcxCustomEditPopupWindow class.
  virtual TClass GetPopupWindowClass() { return TcxCustomEditPopupWindow::StaticClass(); }
  virtual bool IsPopupShrinkable() { return true; }
  // True: the popup takes the keyboard focus (typed characters are forwarded to it).
  virtual bool PopupCapturesFocus() { return false; }

  int32_t DropDownButtonIndex() const { return FDropDownButtonIndex; }
  void SetDropDownButtonIndex(int32_t Value);
  // The drop-down button's glyph; nil when the index is out of range.
  TBitmap* ButtonGlyph();
  void SetButtonGlyph(TBitmap* Value);
  bool ImmediateDropDown() const { return FImmediateDropDown; }
  void SetImmediateDropDown(bool Value) { FImmediateDropDown = Value; }
  bool ImmediatePopup() const { return FImmediatePopup; }
  void SetImmediatePopup(bool Value) { FImmediatePopup = Value; }
  TAlignment PopupAlignment() const { return FPopupAlignment; }
  void SetPopupAlignment(TAlignment Value);
  bool PopupAutoSize() const { return FPopupAutoSize; }
  void SetPopupAutoSize(bool Value) { FPopupAutoSize = Value; }
  bool PopupClientEdge() const { return FPopupClientEdge; }
  void SetPopupClientEdge(bool Value);
  int32_t PopupHeight() const { return FPopupHeight; }
  void SetPopupHeight(int32_t Value);
  int32_t PopupMinHeight() const { return FPopupMinHeight; }
  void SetPopupMinHeight(int32_t Value);
  int32_t PopupMinWidth() const { return FPopupMinWidth; }
  void SetPopupMinWidth(int32_t Value);
  bool PopupSizeable() const { return FPopupSizeable; }
  void SetPopupSizeable(bool Value);
  bool PopupSysPanelStyle() const { return FPopupSysPanelStyle; }
  void SetPopupSysPanelStyle(bool Value);
  int32_t PopupWidth() const { return FPopupWidth; }
  void SetPopupWidth(int32_t Value);
  bool PostPopupValueOnTab() const { return FPostPopupValueOnTab; }
  void SetPostPopupValueOnTab(bool Value) { FPostPopupValueOnTab = Value; }

  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnInitPopup;
  TNotifyEvent OnPopup;

private:
  // The drop-down button shows its glyph when it has one and the arrow otherwise.
  void CheckButtonKind();

  int32_t FDropDownButtonIndex = 0;
  bool FImmediateDropDown = true;
  bool FImmediatePopup = false;
  bool FChanging = false;
  TAlignment FPopupAlignment = taLeftJustify;
  bool FPopupAutoSize = true;
  bool FPopupClientEdge = false;
  int32_t FPopupHeight = 0;
  int32_t FPopupMinHeight = 0;
  int32_t FPopupMinWidth = 0;
  bool FPopupSizeable = false;
  bool FPopupSysPanelStyle = false;
  int32_t FPopupWidth = 0;
  bool FPostPopupValueOnTab = false;
};

// Private messages of a drop-down editor: open the popup at once (sent), and bring the open lookup list in
// step with the text (posted).
constexpr UINT CM_DROPDOWNBYPASTE = 0x8067;
constexpr UINT CM_DROPDOWNPOPUP = CM_DROPDOWNBYPASTE;
constexpr UINT CM_DROPDOWNSYNCLOOKUP = 0x806C;

// The popup size an in-place editor keeps per record, so that a cell reopens its popup at the size the
// user gave it there.
class TcxCustomDropDownEditData : public TcxCustomEditData {
  RTL_CLASS(TcxCustomDropDownEditData, TcxCustomEditData)
public:
  using TcxCustomEditData::TcxCustomEditData;
  bool SizeChanged = false;
  int32_t Width = 0;
  int32_t Height = 0;
};

// The look-and-feel that controls inside an editor's popup follow: in place the editor style's kind;
// stand-alone the kind the editor's buttons are painted in; native when the editor paints natively.
class TcxEditPopupControlLookAndFeel : public TcxLookAndFeel {
  RTL_CLASS(TcxEditPopupControlLookAndFeel, TcxLookAndFeel)
public:
  explicit TcxEditPopupControlLookAndFeel(TPersistent* AOwner);
  TcxCustomDropDownEdit* Edit() const;
  // Compares the resolved values with the kept ones and tells the listeners what changed.
  void Refresh();

protected:
  TcxLookAndFeelKind ResolveKind() override;
  bool ResolveNativeStyle() override;
};

// The inner edit of a drop-down editor: no hint shows over an open popup.
class TcxCustomDropDownInnerEdit : public TcxCustomInnerTextEdit {
  RTL_CLASS(TcxCustomDropDownInnerEdit, TcxCustomInnerTextEdit)
public:
  using TcxCustomInnerTextEdit::TcxCustomInnerTextEdit;
  void WndProc(TMessage& Message) override;
};

class TcxCustomDropDownEditViewData : public TcxCustomTextEditViewData {
  RTL_CLASS(TcxCustomDropDownEditViewData, TcxCustomTextEditViewData)
public:
  using TcxCustomTextEditViewData::TcxCustomTextEditViewData;
  // The drop-down button cannot be pressed while the popup is open over a hot editor.
  bool CanPressButton(TcxCustomEditViewInfo* AViewInfo, int32_t AButtonVisibleIndex) override;
  void CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                          TcxCustomEditViewInfo* AViewInfo, TShiftState AShift, TMouseButton AButton,
                          POINT AMousePos) override;

  bool HasPopupWindow = false;
  bool IsHotAndPopup = false;
};

// An editor that opens a popup under (or over) itself. Opening is posted to the popup window so that it
// shows after the input message that asked for it. Editors whose properties use a drop-down lookup show
// their lookup data's list in the popup; closing with Accept makes the list's selection the value.
class TcxCustomDropDownEdit : public TcxCustomMaskEdit {
  RTL_CLASS(TcxCustomDropDownEdit, TcxCustomMaskEdit)
public:
  explicit TcxCustomDropDownEdit(TComponent* AOwner);
  ~TcxCustomDropDownEdit() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& Message) override;

  // ---- new virtual operations, in slot order ----
  virtual bool CanDropDown() { return false; }
  // Closes an open popup; Accept makes the popup's choice (the lookup list's selection) the value.
  virtual void ClosePopup(bool Accept);
  virtual void CreatePopupWindow();
  // OnInitPopup of the properties, then of the repository item's.
  virtual void DoInitPopup();
  // OnPopup of the properties, then of the repository item's.
  virtual void DoPopup();
  virtual void DropDown();
  // The control that takes the focus when the popup shows.
  virtual TWinControl* GetPopupFocusedControl();
  // The size of the popup's content (without its frame, panel and shadow).
  virtual void CalculatePopupSize(SIZE& ASize) = 0;
  // Puts the lookup data's list into the popup (editors that use a drop-down lookup).
  virtual void AttachLookupList();
  // Copies alignment, frame, panel, sizes and style into the popup window.
  virtual void SetupPopupWindow();
  // The popup-controls look-and-feel changed.
  virtual void PopupControlsLookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  // Lays the content out in the popup's client rectangle (the lookup list fills it in the base class).
  virtual void SetPopupContentBounds(const RECT& ARect);
  virtual void PreparePopup();

  // ---- hooks bound to the popup window's events ----
  virtual void PopupWindowClosed(TObject* Sender);
  virtual void PopupWindowCloseQuery(TObject* Sender, bool& CanClose);
  virtual void PopupWindowClosing(TObject* Sender) { (void)Sender; }
  virtual void PopupWindowShowing(TObject* Sender) { (void)Sender; }
  virtual void PopupWindowShowed(TObject* Sender);
  // OnCloseUp of the properties, then of the repository item's.
  virtual void DoCloseUp();
  // The open lookup list follows the text (posted as CM_DROPDOWNSYNCLOOKUP).
  virtual void SynchronizeLookupWithText();

  // ---- overrides of the editor ----
  TClass GetPropertiesClass() const override { return TcxCustomDropDownEditProperties::StaticClass(); }
  TClass GetEditDataClass() const override { return TcxCustomDropDownEditData::StaticClass(); }
  TClass GetInnerEditClass() const override { return TcxCustomDropDownInnerEdit::StaticClass(); }
  TcxContainerStyleValues GetHiddenStyleValues() const override { return {}; }
  bool HasPopupWindow() override { return FPopupWindow && FPopupWindow->Visible(); }
  bool Focused() override;
  TcxCustomEditViewData* CreateViewData() override;
  bool CanLookupNow(bool AForMouseWheel) override;
  void Activate(TcxCustomEditData*& AEditData) override;
  void ActivateByKey(char32_t AKey, TcxCustomEditData*& AEditData) override;
  void ActivateByMouse(TShiftState Shift, int32_t X, int32_t Y, TcxCustomEditData*& AEditData) override;
  bool SendsActivationKey(char32_t Key) override;
  void ValidateInput() override;
  void InitializeEditData() override;
  bool IsClickKey(uint16_t Key, TShiftState Shift) override;
  void HandleTabKey(TShiftState Shift) override;
  void PasteFromClipboard() override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomMaskEdit::PropertiesChanged;
  bool RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) override;
  void StyleChanged(TObject* Sender) override;
  void FocusChanged() override;

  // ---- the rest ----
  TcxCustomDropDownEditProperties* ActiveProperties() {
    return static_cast<TcxCustomDropDownEditProperties*>(GetActiveProperties());
  }
  TcxCustomDropDownEditProperties* Properties() const {
    return static_cast<TcxCustomDropDownEditProperties*>(TcxCustomEdit::Properties());
  }
  TcxCustomEditPopupWindow* PopupWindow() const { return FPopupWindow; }
  TcxEditPopupControlLookAndFeel* PopupControlsLookAndFeel() const { return FPopupControlsLookAndFeel; }
  bool DroppedDown() { return HasPopupWindow(); }
  // DropDown or ClosePopup (False) unless already in that state.
  void SetDroppedDown(bool Value);
  // The user resized the popup at some time.
  bool PopupSizeChanged() const { return FPopupSizeChanged; }
  void SetPopupSizeChanged(bool Value) { FPopupSizeChanged = Value; }
  // The popup is open while the editor is hot.
  bool IsHotAndPopup() const { return FIsHotAndPopup; }
  bool IsActivatingByMouse() const { return FIsActivatingByMouse; }
  // The per-record data of an in-place editor (nullptr stand-alone).
  TcxCustomDropDownEditData* DropDownEditData() const { return dynamic_cast<TcxCustomDropDownEditData*>(EditData()); }
  // The lookup list is shown in the popup: lookup data, not designing, the properties use a drop-down lookup.
  bool UsesLookupList();
  // The lookup data's list control (nullptr without one).
  TWinControl* LookupListControl();

protected:
  void InitializeEdit() override;
  void DoEditKeyDown(uint16_t& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void DoButtonDown(int32_t AVisibleIndex) override;
  void DoExit() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) override;

private:
  void ApplyPopupShape();
  void UpdatePopupTransparency();
  void RemovePendingPopupRequests();

  TcxCustomEditPopupWindow* FPopupWindow = nullptr;
  TcxEditPopupControlLookAndFeel* FPopupControlsLookAndFeel = nullptr;
  bool FPopupSizeChanged = false;
  bool FIsActivatingByMouse = false;
  bool FIsHotAndPopup = false;
};
