#pragma once
// The window a drop-down editor opens: its frame, shadow and system panel (size grip and close button), its
// size rule, the grip corner chosen from where it lies against the editor, and resizing with the mouse.

#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxMaskEdit.h"

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

  void CalculateSize();
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
  void ApplyWindowShape();

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

  virtual int32_t GetDropDownButtonIndex() { return 0; }
  virtual bool IsPopupOnlyEditing() { return false; }
  virtual bool PostsPopupValueItself() { return false; }
  virtual TClass GetPopupWindowClass() { return TcxCustomEditPopupWindow::StaticClass(); }
  virtual bool IsPopupShrinkable() { return true; }
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

// Private message: opens an editor's popup at once.
constexpr UINT CM_DROPDOWNBYPASTE = 0x8067;

// An editor that opens a popup under (or over) itself. Opening is posted to the popup window so that it
// shows after the input message that asked for it.
class TcxCustomDropDownEdit : public TcxCustomMaskEdit {
  RTL_CLASS(TcxCustomDropDownEdit, TcxCustomMaskEdit)
public:
  explicit TcxCustomDropDownEdit(TComponent* AOwner);
  ~TcxCustomDropDownEdit() override;
  void WndProc(TMessage& Message) override;

  virtual bool CanDropDown() { return false; }
  virtual void ClosePopup(bool Accept);
  virtual void DropDown();
  virtual void CalculatePopupSize(SIZE& ASize) = 0;
  virtual void SetupPopupWindow();
  virtual void PreparePopup();

  TClass GetPropertiesClass() const override { return TcxCustomDropDownEditProperties::StaticClass(); }
  TcxCustomDropDownEditProperties* ActiveProperties() {
    return static_cast<TcxCustomDropDownEditProperties*>(GetActiveProperties());
  }
  TcxCustomEditPopupWindow* PopupWindow() const { return FPopupWindow; }
  bool HasPopupWindow() const { return FPopupWindow && FPopupWindow->Visible(); }
  void SetDroppedDown(bool Value);
  // The user resized the popup at some time.
  bool PopupSizeChanged() const { return FPopupSizeChanged; }
  bool PopupJustClosed = false;

protected:
  void InitializeEdit() override;
  void DoEditKeyDown(uint16_t& Key, TShiftState Shift) override;
  void DoButtonDown(int32_t AVisibleIndex) override;
  void FocusChanged() override;

  virtual void PopupWindowClosed(TObject* Sender);
  virtual void PopupWindowShowed(TObject* Sender);

private:
  TcxCustomEditPopupWindow* FPopupWindow = nullptr;
  bool FPopupSizeChanged = false;
};
