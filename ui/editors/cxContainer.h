#pragma once
// The frame every editor stands on. A container is a painted control that may host an inner native
// control (an edit, a memo, a list box) on its client rectangle and paints only the frame around it: seven
// border styles, optional edges, a drop shadow and a transparent border that the window shape lets the
// parent show through. Four state styles (normal, focused, disabled, hot) describe how it looks; a value a
// style does not set comes from its style controller, a component many controls share, and otherwise from a
// default that depends on the state and the look-and-feel.
//
// The unit also holds the popup window of the drop-down editors with the thread hooks that close shown
// popups on clicks outside them, on application switches and when their owners go away.
//
// Declared in a header of its own: the native list box a container hosts, TcxCustomInnerListBox
// (cxInnerListBox.h).

#include <cstdint>
#include <vector>

#include "forms/Controls.h"
#include "forms/Forms.h"
#include "forms/Graphics.h"
#include "rtl/Classes.h"
#include "rtl/Components.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeels.h"

class TcxContainer;
class TcxContainerStyle;
class TcxContainerStyles;
class TcxStyleController;

// ---- enumerations ------------------------------------------------------------------------------------------

enum TcxContainerBorderStyle : uint8_t { cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11 };
RTL_ENUM(TcxContainerBorderStyle, cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11)

// The container's state: normal 1, focused 2, disabled 4, hot 8 as bits of one byte.
enum TcxContainerStateItem : uint8_t { csNormal, csActive, csDisabled, csHotTrack };
RTL_ENUM(TcxContainerStateItem, csNormal, csActive, csDisabled, csHotTrack)
using TcxContainerState = Set<TcxContainerStateItem, 8>;

// Which of the four state styles: the index into a styles object.
enum TcxContainerStyleState : uint8_t { cssNormal, cssFocused, cssDisabled, cssHot };
RTL_ENUM(TcxContainerStyleState, cssNormal, cssFocused, cssDisabled, cssHot)

// A style value's index (0..31); the container's own are 0..9, the editor style adds its own after them.
enum TcxContainerStyleValue : uint8_t {
  svBorderColor,
  svBorderStyle,
  svColor,
  svEdges,
  svFont,
  svHotTrack,
  svShadow,
  svTextColor,
  svTextStyle,
  svTransparentBorder
};
RTL_ENUM(TcxContainerStyleValue, svBorderColor, svBorderStyle, svColor, svEdges, svFont, svHotTrack, svShadow,
         svTextColor, svTextStyle, svTransparentBorder)
using TcxContainerStyleValues = Set<TcxContainerStyleValue, 32>;
inline constexpr int32_t cxContainerStyleValueCount = 10;
// The values the three non-normal styles read from and write to the normal style.
inline constexpr TcxContainerStyleValues cxContainerStyleHiddenValues{svEdges, svFont, svHotTrack, svShadow,
                                                                      svTransparentBorder};

// Hot state byte of the view info: 0 hot tracking off, 1 on but not highlighted, 2 highlighted.
constexpr uint8_t cxHotStateOff = 0;
constexpr uint8_t cxHotStateOn = 1;
constexpr uint8_t cxHotStateHighlighted = 2;

// ---- class references ------------------------------------------------------------------------------------
// A style class and a styles class are families whose constructors take several arguments, so a class
// reference carries the metaclass (for comparisons) and a creator of that very class.

struct TcxContainerStyleClass {
  using Creator = TcxContainerStyle* (*)(TPersistent* AOwner, bool ADirectAccessMode, TcxContainerStyleState AState,
                                          TcxContainerStyle* AParentStyle);
  TClass Class = nullptr;
  Creator Create = nullptr;
  template <class T>
  static TcxContainerStyleClass Of();
  bool operator==(const TcxContainerStyleClass& o) const { return Class == o.Class; }
};

struct TcxContainerStylesClass {
  using Creator = TcxContainerStyles* (*)(TPersistent* AOwner, TcxContainerStyleClass AStyleClass);
  TClass Class = nullptr;
  Creator Create = nullptr;
  template <class T>
  static TcxContainerStylesClass Of();
  bool operator==(const TcxContainerStylesClass& o) const { return Class == o.Class; }
};

// ---- the state style ----------------------------------------------------------------------------------------

class TcxContainerStyle : public TPersistent {
  RTL_CLASS(TcxContainerStyle, TPersistent)
  RTL_PUBLISHED_DECL
public:
  // AParentStyle is kept only for the focused, disabled and hot states (it is their normal style).
  TcxContainerStyle(TPersistent* AOwner, bool ADirectAccessMode, TcxContainerStyleState AState,
                    TcxContainerStyle* AParentStyle);
  ~TcxContainerStyle() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;

  // ---- the values ----
  TcxContainerStyleValues AssignedValues() const;
  void SetAssignedValues(TcxContainerStyleValues Value);
  TColor BorderColor() const;
  void SetBorderColor(TColor Value);
  TcxContainerBorderStyle BorderStyle() const;
  void SetBorderStyle(TcxContainerBorderStyle Value);
  TColor Color() const { return GetColor(); }
  void SetColor(TColor Value);
  TcxBorders Edges() const;
  void SetEdges(TcxBorders Value);
  TFont* Font() const;
  void SetFont(TFont* Value);
  bool HotTrack() const;
  void SetHotTrack(bool Value);
  bool Shadow() const;
  void SetShadow(bool Value);
  TColor TextColor() const { return GetTextColor(); }
  void SetTextColor(TColor Value);
  TFontStyles TextStyle() const { return GetTextStyle(); }
  void SetTextStyle(TFontStyles Value);
  bool TransparentBorder() const;
  void SetTransparentBorder(bool Value);
  TcxLookAndFeel* LookAndFeel() const;
  void SetLookAndFeel(TcxLookAndFeel* Value);
  // nil while the default controller is in use, so that a default link is never streamed.
  TcxStyleController* StyleController() const;
  void SetStyleController(TcxStyleController* Value);
  // The controller actually in use (the default one when none was chosen).
  TcxStyleController* ActiveStyleController() const;

  bool IsBorderColorStored() const { return IsValueStored(svBorderColor); }
  bool IsBorderStyleStored() const { return IsValueStored(svBorderStyle); }
  bool IsColorStored() const { return IsValueStored(svColor); }
  bool IsEdgesStored() const { return IsValueStored(svEdges); }
  bool IsFontStored() const { return IsValueStored(svFont); }
  bool IsHotTrackStored() const { return IsValueStored(svHotTrack); }
  bool IsShadowStored() const { return IsValueStored(svShadow); }
  bool IsTextColorStored() const { return IsValueStored(svTextColor); }
  bool IsTextStyleStored() const { return IsValueStored(svTextStyle); }
  bool IsTransparentBorderStored() const { return IsValueStored(svTransparentBorder); }
  bool IsValueStored(TcxContainerStyleValue AValue) const;

  // ---- the virtual operations ----
  virtual void Changed();
  virtual void ControllerChanged(TcxStyleController* AController);
  virtual void ControllerFreeNotification(TcxStyleController* AController);
  virtual TColor GetDefaultBorderColor() const;
  virtual TcxContainerBorderStyle GetDefaultBorderStyle() const;
  virtual TColor GetDefaultColor() const;
  virtual TcxBorders GetDefaultEdges() const;
  virtual bool GetDefaultHotTrack() const;
  virtual bool GetDefaultShadow() const;
  virtual TColor GetDefaultTextColor() const;
  virtual TFontStyles GetDefaultTextStyle() const;
  virtual bool GetDefaultTransparentBorder() const;
  virtual void FontChanged(TObject* Sender);
  virtual TColor GetColor() const;
  virtual TcxStyleController* GetDefaultStyleController() const;
  // The colour a container paints with.
  virtual TColor GetEffectiveColor() const;
  virtual TColor GetTextColor() const;
  virtual TFontStyles GetTextStyle() const;
  virtual TcxContainerStyleValues GetHiddenValues() const;
  virtual int32_t GetValueCount() const;
  virtual bool GetValueName(int32_t AIndex, String& AName) const;
  virtual bool HasBorder() const;
  virtual bool IsValueAssigned(int32_t AIndex) const;
  virtual void RestoreDefaults();

  // ---- the rest ----
  void BeginUpdate();
  void EndUpdate();
  void DoChanged();
  // Takes the font of the controller chain unless the font was set here.
  void SyncFont();
  // The normal style's font with TextColor and TextStyle applied; owned by the style.
  TFont* GetVisibleFont();
  TPersistent* Owner() const { return FOwner; }
  // The container that owns the style (nil for a controller's or a popup's style).
  TcxContainer* Container() const;
  bool FindValueByName(const String& AName, int32_t& AIndex) const;
  bool IsPropertyVisible(const String& AName) const;
  bool GetAssignedBorderColor(TColor& AValue) const;
  bool GetAssignedBorderStyle(TcxContainerBorderStyle& AValue) const;
  bool GetAssignedColor(TColor& AValue) const;
  bool GetAssignedEdges(TcxBorders& AValue) const;
  bool GetAssignedFont(TFont*& AValue) const;
  bool GetAssignedHotTrack(bool& AValue) const;
  bool GetAssignedShadow(bool& AValue) const;
  bool GetAssignedTextColor(TColor& AValue) const;
  bool GetAssignedTextStyle(TFontStyles& AValue) const;
  bool GetAssignedTransparentBorder(bool& AValue) const;

  TcxContainerStyleState State() const { return FState; }
  TcxContainerStyle* ParentStyle() const { return FParentStyle; }
  // The normal style of this style's set (itself for the normal style).
  TcxContainerStyle* NormalStyle() const { return FParentStyle ? FParentStyle : const_cast<TcxContainerStyle*>(this); }
  bool IsNormal() const { return FState == cssNormal; }
  bool DirectAccessMode() const { return FDirectAccessMode; }
  bool IsDestroying() const { return FIsDestroying; }
  bool IsModified() const { return FModified; }
  int32_t UpdateCount() const { return FUpdateCount; }
  // The raw assigned bits of this style (AssignedValues answers every bit in direct-access mode).
  TcxContainerStyleValues AssignedValuesField() const { return FAssignedValues; }
  TNotifyEvent OnChanged;

protected:
  TPersistent* GetOwner() override { return FOwner; }
  // Sets the value's bit on this style and reports the change.
  void AssignValueBit(TcxContainerStyleValue AValue);
  // The style of the same state in the controller in use (nil without one).
  TcxContainerStyle* ControllerStyle() const;

  TColor FBorderColor = clWindowFrame;
  TcxContainerBorderStyle FBorderStyle = cbs3D;
  TcxBorders FEdges = cxBordersAll;
  bool FHotTrack = true;
  bool FShadow = false;
  bool FTransparentBorder = true;
  bool FDirectAccessMode;
  int32_t FFontAssignedValueLockCount = 0;
  bool FIsDestroying = false;
  TcxLookAndFeel* FLookAndFeel = nullptr;
  bool FModified = false;
  TPersistent* FOwner;
  TcxContainerStyle* FParentStyle;
  TcxContainerStyleState FState;
  TFontStyles FTextStyle;
  int32_t FUpdateCount = 0;
  TFont* FVisibleFont = nullptr;
  TcxContainerStyleValues FAssignedValues;
  TcxStyleController* FStyleController = nullptr;
  TColor FColor = clWindow;
  TFont* FFont = nullptr;
  TColor FTextColor = clWindowText;

private:
  friend class TcxContainer;  // puts back the font bit after taking its own font into the style
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  bool InternalGetAssigned(TcxContainerStyleValue AValue) const { return FAssignedValues.Contains(AValue); }
};

template <class T>
TcxContainerStyleClass TcxContainerStyleClass::Of() {
  return TcxContainerStyleClass{T::StaticClass(), [](TPersistent* AOwner, bool ADirect, TcxContainerStyleState AState,
                                                     TcxContainerStyle* AParent) -> TcxContainerStyle* {
                                  return New<T>(AOwner, ADirect, AState, AParent);
                                }};
}

// ---- the four state styles -------------------------------------------------------------------------------------

class TcxContainerStyles : public TObject {
  RTL_CLASS(TcxContainerStyles, TObject)
public:
  TcxContainerStyles(TPersistent* AOwner, TcxContainerStyleClass AStyleClass);
  ~TcxContainerStyles() override;
  void AfterConstruction() override;

  TcxContainerStyle* GetStyle(TcxContainerStyleState AState) const { return FStyles[AState]; }
  TcxContainerStyle* operator[](TcxContainerStyleState AState) const { return FStyles[AState]; }
  TcxContainerStyle* GetNormalStyle() const { return FStyles[cssNormal]; }
  TcxContainerStyle* GetFocusedStyle() const { return FStyles[cssFocused]; }
  TcxContainerStyle* GetDisabledStyle() const { return FStyles[cssDisabled]; }
  TcxContainerStyle* GetHotStyle() const { return FStyles[cssHot]; }
  void AssignStyle(TcxContainerStyleState AState, TcxContainerStyle* ASource) { FStyles[AState]->Assign(ASource); }
  void AssignNormalStyle(TcxContainerStyle* ASource) { AssignStyle(cssNormal, ASource); }
  void AssignFocusedStyle(TcxContainerStyle* ASource) { AssignStyle(cssFocused, ASource); }
  void AssignDisabledStyle(TcxContainerStyle* ASource) { AssignStyle(cssDisabled, ASource); }
  void AssignHotStyle(TcxContainerStyle* ASource) { AssignStyle(cssHot, ASource); }
  // Binds one change event on all four styles (an unassigned event unbinds).
  void SetOnChanged(TNotifyEvent AValue);
  TcxContainerStyleClass StyleClass() const { return FStyleClass; }

private:
  TPersistent* FOwner;
  TcxContainerStyleClass FStyleClass;
  TcxContainerStyle* FStyles[4]{};
};

template <class T>
TcxContainerStylesClass TcxContainerStylesClass::Of() {
  return TcxContainerStylesClass{T::StaticClass(),
                                 [](TPersistent* AOwner, TcxContainerStyleClass AStyleClass) -> TcxContainerStyles* {
                                   return New<T>(AOwner, AStyleClass);
                                 }};
}

// ---- the style controller ---------------------------------------------------------------------------------

class TcxStyleController : public TComponent {
  RTL_CLASS(TcxStyleController, TComponent)
public:
  explicit TcxStyleController(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  ~TcxStyleController() override;

  virtual void AddListener(TcxContainerStyle* AStyle);
  virtual TcxContainerStyleClass GetStyleClass() const;
  virtual TcxContainerStylesClass GetStylesClass() const;
  virtual void RemoveListener(TcxContainerStyle* AStyle);

  // OnStyleChanged, then every listener's ControllerChanged (not while being destroyed).
  void Changed();
  TcxContainerStyle* GetStyle() const { return FStyles->GetNormalStyle(); }
  TcxContainerStyle* GetStateStyle(TcxContainerStyleState AState) const { return FStyles->GetStyle(AState); }
  TcxContainerStyles* Styles() const { return FStyles; }
  bool IsDestroying() const { return FIsDestruction; }
  int32_t ListenerCount() const { return static_cast<int32_t>(FListeners.size()); }
  bool HasListener(TcxContainerStyle* AStyle) const;

  TNotifyEvent OnStyleChanged;

protected:
  void Loaded() override;

private:
  void StyleChanged(TObject* Sender) { (void)Sender, Changed(); }
  std::vector<TcxContainerStyle*> FListeners;
  TcxContainerStyles* FStyles = nullptr;
  bool FIsDestruction = false;
};

// The controller every style without a chosen one uses: the editor unit creates it at its start-up and
// clears it (nil) before freeing it; nil until then.
TcxStyleController* GetDefaultStyleController();
void SetDefaultStyleController(TcxStyleController* AValue);

// The names of the ten container style values, in index order.
const char* cxContainerStyleValueName(int32_t AIndex);

// How a control is dragged off; the platform's controls have no docking, so only the kind is kept.
enum TDragKind : uint8_t { dkDrag, dkDock };
RTL_ENUM(TDragKind, dkDrag, dkDock)

// ---- the view info -----------------------------------------------------------------------------------------

// Geometry and paint state of a container; the editors' view info extends it.
class TcxContainerViewInfo : public TObject {
  RTL_CLASS(TcxContainerViewInfo, TObject)
public:
  TcxContainerViewInfo() = default;

  virtual void DrawBorder(TcxCanvas* ACanvas, RECT R);
  virtual TcxContainerBorderStyle GetContainerBorderStyle() const { return BorderStyle; }
  virtual void PaintBackground(TcxCanvas* ACanvas);
  virtual void SetBackgroundColor(TColor Value) { BackgroundColor = Value; }
  virtual void Assign(TObject* Source);
  // A new region (the caller frees it) covering what differs from another view info.
  virtual TcxRegion* GetChangedRegion(TcxContainerViewInfo* AViewInfo);
  virtual void OffsetRects(int32_t DX, int32_t DY);
  virtual void Draw(TcxCanvas* ACanvas) { PaintBackground(ACanvas); }

  TColor BackgroundColor = clWindow;
  TColor BorderColor = clWindowFrame;
  // The area inside the border (also the client rectangle).
  RECT BorderRect{};
  TcxContainerBorderStyle BorderStyle = cbsNone;
  int32_t BorderWidth = 0;
  RECT Bounds{};
  RECT ClientRect{};
  TcxContainerState ContainerState{csNormal};
  TcxBorders Edges = cxBordersAll;
  uint8_t HotState = cxHotStateOff;
  bool NativeStyle = false;
  bool Shadow = false;
  int32_t NativePart = 0;
  int32_t NativeState = 0;
  TdxThemedObjectType ThemedObjectType = totEdit;
};

// The clip last applied to an inner control: Full means no clipping at all.
struct TcxContainerInnerControlBounds {
  bool IsEmpty = true;
  RECT Rect{};
};

// The inner control of a container that forwards its own input (the inner list box) tells whose it is.
class IcxContainerInnerControl : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{1B111318-D9C9-4C35-9EFF-5D95793C0106}");
  virtual TcxContainer* GetControlContainer() = 0;
  virtual TWinControl* GetControl() = 0;
};

// ---- the container ----------------------------------------------------------------------------------------

class TcxContainer : public TcxControl, public IcxMouseTrackingCaller {
  RTL_CLASS(TcxContainer, TcxControl)
  RTL_INTERFACES(IcxMouseTrackingCaller)
  RTL_PUBLISHED_DECL
public:
  explicit TcxContainer(TComponent* AOwner);
  ~TcxContainer() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& Message) override;

  // Whether a style value may be written to a form resource: a non-normal style stores only what the
  // normal style shows, and nothing the container hides.
  static bool CanStoreStyleValue(TcxContainer* AContainer, const String& AName, bool ANonNormal);

  // ---- overrides of the platform's and the foundation's operations ----
  void SetFocus() override;
  bool Focused() override;
  void GetTabOrderList(std::vector<TWinControl*>& List) override;
  bool CanFocusOnClick() override;
  bool AllowsAutoDragAt(int32_t X, int32_t Y, uint8_t AKind) override { (void)X, (void)Y, (void)AKind; return false; }
  bool HasScrollBars() const override { return false; }
  void GetContentRect(RECT& R) override;
  void StoreDefaultCursor() override;
  void ApplyColorChange() override;
  void FontChanged() override;
  void FocusChanged() override;
  bool IsFocusable() override;
  void MouseEnter(TControl* AControl) override;
  void MouseLeave(TControl* AControl) override;
  void SetDragMode(TDragMode Value);

  // ---- new virtual operations ----
  virtual bool IsContainerFocused() { return Focused(); }
  virtual void ApplyStyleToInnerControl();
  virtual void CalculateViewInfo(POINT P, bool AHotAllowed);
  virtual bool CanShowContextPopup(POINT P) { (void)P; return true; }
  virtual void StyleChanged(TObject* Sender);
  virtual void DataChange() {}
  virtual void Notify96() {}
  virtual bool DefaultParentColor() const { return false; }
  // IcxMouseTrackingCaller; a component's lifetime is its owner's, so the interface counts nothing.
  void MouseLeave() override { MouseTrackingLeave(); }
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  virtual void MouseTrackingLeave();
  virtual void GetBorderExtent(RECT& R);
  virtual void ClipControlRect(const RECT& ABounds, TControl* AControl, TcxContainerInnerControlBounds& AClip);
  virtual void GetBorderBounds(RECT& R);
  virtual TcxContainerStyleClass GetStyleClass() const { return TcxContainerStyleClass::Of<TcxContainerStyle>(); }
  virtual TcxContainerStylesClass GetStylesClass() const {
    return TcxContainerStylesClass::Of<TcxContainerStyles>();
  }
  virtual TClass GetViewInfoClass() const { return TcxContainerViewInfo::StaticClass(); }
  virtual bool HasShadow();
  virtual TcxContainerStyle* GetActiveStyle();
  virtual TcxContainerStyleValues GetHiddenStyleValues() const { return {}; }
  virtual bool AreChildrenInTabOrder() { return false; }
  virtual bool UsesParentBackground() { return false; }
  // AButton: 0 none, else as ConvertMouseButton answers.
  virtual bool RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent);
  virtual void AdjustLayout();
  virtual void ClipToVisibleShape();
  virtual bool SuppressTabNavigation() { return false; }
  virtual void UpdateData() {}
  virtual void UpdateScrollBar(TcxScrollBar* AScrollBar);
  virtual TdxThemedObjectType GetThemedObjectType() { return totEdit; }
  virtual int32_t GetNativePart() { return 1; }
  virtual int32_t GetNativeState();
  virtual void ScrollBarRectToClient(const RECT& AScreenRect, RECT& APlacement);
  virtual bool IsScrollBarEnabled(TcxScrollBar* AScrollBar, const SCROLLBARINFO& AInfo);
  virtual bool GetInnerScrollBarInfo(SCROLLBARINFO& AInfo, TScrollBarKind AKind);
  virtual bool IsScrollBarVisible(const SCROLLBARINFO& AInfo);
  virtual bool IsNativeStyle();
  virtual void FocusInnerControl();
  virtual void SetDragKind(TDragKind Value);
  virtual void SetScrollBarVisible(TcxScrollBar* AScrollBar, bool AVisible);
  virtual void InvalidateInnerControlBounds() { FInnerControlBounds.IsEmpty = true; }
  virtual void GetVisibleBounds(RECT& R);
  virtual bool HandleInnerControlMessage(TMessage& Message) { (void)Message; return false; }
  virtual bool CheckInnerControlKey(TMessage& Message);
  virtual bool IsInplace() const { return false; }
  virtual void UpdateScrollBars(bool AOnlyPosition);
  // Run after the enabled state changed.
  virtual void EnabledChanged();

  // ---- other operations ----
  bool RefreshHotTrackState(bool AIsMouseEvent = false);
  TcxContainerStyle* GetCurrentStyle();
  bool IsDestroying() const { return ComponentState().Contains(csDestroying) || FIsDestroying; }
  bool IsCreating() const { return FIsCreating; }
  void LockAlignControls(bool ALock);
  void LockPopupMenu(bool ALock);
  TDragKind DragKind() const { return FDragKind; }
  TWinControl* InnerControl() const { return FInnerControl; }
  TcxContainerViewInfo* ViewInfo() const { return FViewInfo; }
  TcxContainerInnerControlBounds LastInnerControlBounds() const { return FInnerControlBounds; }
  bool InnerControlMouseDown() const { return FInnerControlMouseDown; }
  void SetInnerControlMouseDown(bool Value) { FInnerControlMouseDown = Value; }
  // A press in the inner control, handled as a press on the container (X, Y in the container's client
  // coordinates); InnerControlMouseDown holds while it runs, also when the container is freed or it throws.
  void MouseDownFromInnerControl(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);

  // Styles are published by descendants as Style, StyleFocused, StyleDisabled, StyleHot.
  TcxContainerStyles* Styles() const { return FStyles; }
  TcxContainerStyle* GetStyle() const { return FStyles ? FStyles->GetNormalStyle() : nullptr; }
  TcxContainerStyle* GetStyleFocused() const { return FStyles ? FStyles->GetFocusedStyle() : nullptr; }
  TcxContainerStyle* GetStyleDisabled() const { return FStyles ? FStyles->GetDisabledStyle() : nullptr; }
  TcxContainerStyle* GetStyleHot() const { return FStyles ? FStyles->GetHotStyle() : nullptr; }
  void SetStyle(TcxContainerStyle* Value) { FStyles->AssignNormalStyle(Value); }
  void SetStyleFocused(TcxContainerStyle* Value) { FStyles->AssignFocusedStyle(Value); }
  void SetStyleDisabled(TcxContainerStyle* Value) { FStyles->AssignDisabledStyle(Value); }
  void SetStyleHot(TcxContainerStyle* Value) { FStyles->AssignHotStyle(Value); }

protected:
  void Loaded() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateHandle() override;
  void Paint() override;
  void AdjustClientRect(RECT& R) override;
  void AlignControls(TControl* AControl, RECT& R) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void Resize() override;
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Descendants set the inner control (not owned by the container).
  void SetInnerControl(TWinControl* AValue);

  TcxContainerStyles* FStyles = nullptr;
  TcxContainerViewInfo* FViewInfo = nullptr;
  TWinControl* FInnerControl = nullptr;

private:
  void WMKillFocus(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void WMWindowPosChanging(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void SetWindowShape();
  LRESULT InnerControlColor(HDC ADC);

  TcxContainerState FActiveStyleState{csNormal};
  // The brush the inner control's background is painted with, kept for its colour.
  HBRUSH FInnerBrush = nullptr;
  TColor FInnerBrushColor = clNone;
  TcxContainerStyle* FActiveStyle = nullptr;
  TcxContainerInnerControlBounds FInnerControlBounds;
  bool FInnerControlMouseDown = false;
  bool FIsDestroying = false;
  bool FRefreshLock = false;
  int32_t FLockAlignControlsCount = 0;
  int32_t FPopupMenuLockCount = 0;
  bool FRefreshingHotTrackState = false;
  bool FScrollBarsCalculating = false;
  bool FInternalSetting = false;
  bool FIsCreating = true;
  TDragKind FDragKind = dkDrag;
};

// ---- routines of the unit ----------------------------------------------------------------------------------

void AssignFont(TFont* ADest, TFont* ASource);
// Left 1, right 2, middle 3.
uint8_t ConvertMouseButton(TMouseButton AButton);
bool IsWindowOnControlForm(TControl* AControl, HWND AWnd);
void DrawContainerShadow(TcxCanvas* ACanvas, const RECT& R);
void ShrinkRectByBorders(RECT& R, const RECT& AWidths);
int32_t GetContainerBorderWidth(TcxContainerBorderStyle ABorderStyle);
int32_t GetLookAndFeelKindBorderWidth(TcxLookAndFeelKind AKind);
RECT GetControlRect(TControl* AControl);
TcxContainer* GetInnerControlContainer(TWinControl* AControl);
// nil (no shape) when ANoRegion; else R, united with R moved by (3, 3) for a shadow, less AExcludeR.
HRGN CreateVisibleShapeRegion(const RECT& R, bool ANoRegion, const RECT& AExcludeR, bool AShadow);
bool IsWindowOfControl(TWinControl* AControl, HWND AWnd);
void ExcludeMissingEdges(RECT& R, int32_t AWidth, TcxBorders AEdges);
bool IsSameString(const String& S1, const String& S2, bool ACaseSensitive);
void FillRectRing(TcxCanvas* ACanvas, const RECT& AOuter, const RECT& AInner, TColor AColor);
void GetMouseCursorPos(POINT& P);
TShiftState GetCurrentShiftState();
void InvalidateBorderArea(HWND AWnd, const RECT& AOuter, const RECT& AInner, bool AErase);
void InvalidateControlRect(TWinControl* AControl, const RECT& R, bool AErase);
bool IsControlWindowVisible(TWinControl* AControl);
TcxCanvas* GetContainerScreenCanvas();
void SetControlClipRegion(TWinControl* AControl, const TcxContainerInnerControlBounds& AClip);
void SetWindowShapeRegion(HWND AWnd, const RECT& R, bool ANoRegion, const RECT& AExcludeR, bool AShadow);
bool IsScrollBarInfoAvailable();
bool IsNativeThemePartAvailable(bool ANativeStyle, TdxThemedObjectType AThemeType);
// The Office11 frame colour of a focused or hot container.
TColor cxOffice11HighlightColor();

// ---- the popup window ---------------------------------------------------------------------------------------

// Private messages of a popup: close it without accepting and give the focus back to its owner (posted by
// PostCloseUp), and show it again for the control it focused last.
constexpr UINT CM_CLOSEPOPUPWINDOW = 0x8065;
constexpr UINT CM_SHOWPOPUPWINDOW = 0x8066;

// The window a drop-down editor, a calendar or a calculator shows under its owner control. Capturing the
// focus (the default) it is an owned top-level window that takes the keyboard and may run a message loop
// of its own until it is hidden; otherwise it is a child-styled window detached from its parent, which
// floats over the desktop and never becomes active. Shown popups are listed in the order they opened; the
// unit's thread hooks close them on clicks outside, on application switches and when their owner goes.
class TcxCustomPopupWindow : public TcxPopupWindow {
  RTL_CLASS(TcxCustomPopupWindow, TcxPopupWindow)
public:
  using VirtualCtorArg = TControl*;
  explicit TcxCustomPopupWindow(TControl* AOwnerControl);
  ~TcxCustomPopupWindow() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& Message) override;

  virtual bool CanShrinkToWorkArea() { return false; }
  virtual void DoClosed();
  virtual void DoClosing();
  virtual void DoShowed();
  // Whether WM_ERASEBKGND erases.
  virtual bool GetFlag74() { return false; }
  // Run by the style's change event.
  virtual void Notify75() {}
  // Page, end, home, arrows and F4 keep working with Alt while a popup is up.
  virtual bool IsPopupKey(uint16_t AKey);
  virtual void CloseUp(bool AAskCloseQuery = false);
  virtual void CalculatePosition(POINT& P);
  virtual TcxContainerStyleClass GetStyleClass() const { return TcxContainerStyleClass::Of<TcxContainerStyle>(); }
  virtual TClass GetViewInfoClass() const { return TcxContainerViewInfo::StaticClass(); }
  virtual void Popup(TWinControl* AFocusedControl);

  // The base window's showing and closing go through Popup and CloseUp.
  void ShowPopup() override { Popup(FFocusedControl); }
  void ClosePopup() override { CloseUp(false); }
  void TakeOwnerFont() override {}
  void VisibilityChanged() override;
  bool Focused() override;
  bool CanFocus() override { return Visible(); }

  bool CaptureFocus() const { return FTakesFocus; }
  void SetCaptureFocus(bool Value);
  bool TakesFocus() const { return FTakesFocus; }
  bool TopMostAsOwner() const { return FTopMostAsOwner; }
  void SetTopMostAsOwner(bool Value);
  bool IsModal() const { return FIsModal; }
  void SetIsModal(bool Value) { FIsModal = Value; }
  TControl* OwnerControl() const { return FOwnerControl; }
  TWinControl* FocusedControl() const { return FFocusedControl; }
  void SetFocusedControl(TWinControl* Value) {
    FFocusedControl = Value;
    if (Value && Value != this) Value->FreeNotification(this);
  }
  bool ClosingByHook() const { return FClosingByHook; }
  // CloseUp (False) with the closing-by-hook flag held: deactivation that follows leaves other popups be.
  void CloseUpByHook();
  TcxContainerStyle* Style() const { return FStyle; }
  TcxContainerViewInfo* ViewInfo() const { return FViewInfo; }
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }

  TNotifyEvent OnClosed;
  TNotifyEvent OnClosing;
  TNotifyEvent OnShowed;
  TNotifyEvent OnShowing;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void CreateHandle() override;
  void PaintWindow(HDC DC) override;
  void Deactivate() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void MouseEnter(TControl* AControl) { (void)AControl; }
  virtual void MouseLeave(TControl* AControl) { (void)AControl; }

private:
  void StyleChanged(TObject*) { Notify75(); }
  void ModalLoop();
  void ReshowAfterWindowChange();

  bool FTakesFocus = true;
  TWinControl* FFocusedControl = nullptr;
  bool FClosingByHook = false;
  bool FTopMostAsOwner = false;
  bool FIsModal = true;
  TControl* FOwnerControl;
  TcxContainerStyle* FStyle = nullptr;
  TcxContainerViewInfo* FViewInfo = nullptr;
};

bool IsPopupWindowShown(TCustomForm* AForm);
// The shown popups, in the order they opened (the last is on top).
const std::vector<TcxCustomPopupWindow*>& cxShownPopups();
// Posts the close-without-accepting message to the popup's window.
void PostCloseUp(TcxCustomPopupWindow* APopup);
// Whether AWnd belongs to APopup: one of its child windows or controls, or a popup opened from it.
bool IsWindowInsidePopup(TCustomForm* APopup, HWND AWnd);
// Installs the three thread hooks and makes the shown list, unless that was done (the unit's start-up; any
// popup's creation runs it too).
void cxContainerInitialize();
// Whether the hooks are installed.
bool cxPopupHooksInstalled();

// ---- the unit's life -----------------------------------------------------------------------------------

// What the unit's end does: the hooks are removed, the shown-popups list and the shared screen canvas go.
// A later use starts them again (tests restart the window system between cases).
void cxContainerFinalize();
