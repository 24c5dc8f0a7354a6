#pragma once
// Status bar panel styles: what one panel of a status bar shows and how wide it wants to be (a text with an
// optional image, a row of indicator lamps, the lock-key states, a host for child controls), the registry
// of the style classes, and the small status bar that hosts them (panels, a painter, a size grip).
//
// The host is deliberately plain: panels stand left to right at their widths (the last one reaches the
// right edge), each framed by its bevel. Styles reach the bar only through the operations below.

#include <cstdint>
#include <vector>

#include "forms/ExtCtrls.h"
#include "forms/Graphics.h"
#include "forms/ImgList.h"
#include "rtl/Collections.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxGraphics.h"

class TdxStatusBar;
class TdxStatusBarPanel;
class TdxStatusBarPanels;
class TdxStatusBarPainter;
class TdxStatusBarContainerControl;

enum TdxStatusBarPanelBevel : uint8_t { dxpbNone, dxpbLowered, dxpbRaised };
RTL_ENUM(TdxStatusBarPanelBevel, dxpbNone, dxpbLowered, dxpbRaised)
enum TdxStatusBarEllipsisType : uint8_t { dxetNone, dxetTruncate, dxetSmartPath };
RTL_ENUM(TdxStatusBarEllipsisType, dxetNone, dxetTruncate, dxetSmartPath)
enum TdxStatusBarStateIndicatorType : uint8_t { sitOff, sitYellow, sitBlue, sitGreen, sitRed, sitTeal, sitPurple };
RTL_ENUM(TdxStatusBarStateIndicatorType, sitOff, sitYellow, sitBlue, sitGreen, sitRed, sitTeal, sitPurple)
enum TdxStatusBarKeyboardState : uint8_t { dxksCapsLock, dxksNumLock, dxksScrollLock, dxksInsert };
RTL_ENUM(TdxStatusBarKeyboardState, dxksCapsLock, dxksNumLock, dxksScrollLock, dxksInsert)
using TdxStatusBarKeyboardStates = Set<TdxStatusBarKeyboardState>;
inline constexpr TdxStatusBarKeyboardStates dxksAllKeyboardStates{dxksCapsLock, dxksNumLock, dxksScrollLock,
                                                                  dxksInsert};

using TdxStatusBarTextEvent = Event<TObject*, const RECT&, String&>;

// ---- the base style ---------------------------------------------------------------------------------------

class TdxStatusBarPanelStyle : public TPersistent {
  RTL_CLASS(TdxStatusBarPanelStyle, TPersistent)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TdxStatusBarPanel*;
  explicit TdxStatusBarPanelStyle(TdxStatusBarPanel* AOwner);
  ~TdxStatusBarPanelStyle() override;
  void AfterConstruction() override;

  void Assign(TPersistent* Source) override;
  virtual bool CanDelete() { return true; }
  virtual bool UsesPanelWidth() { return true; }
  virtual void DoPanelNotify();
  // The last panel gives up the size grip's width on its right.
  virtual void AdjustPanelRect(RECT& R);
  virtual TColor GetDefaultColor();
  virtual void DrawContent(TcxCanvas* ACanvas, RECT R, const TdxStatusBarPainter* APainter);
  virtual int32_t GetMinWidth() { return 20; }
  virtual bool DrawsOwnBorders() { return false; }
  virtual void PanelVisibleChanged() {}
  virtual void ParentFontChanged();
  virtual void RestoreDefaults();

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ColorAssigned() const { return FColorAssigned; }
  TFont* Font() const { return FFont; }
  void SetFont(TFont* Value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor GetColor() { return FColorAssigned ? FColor : GetDefaultColor(); }

  TdxStatusBarPanel* Owner() const { return FOwner; }
  TdxStatusBar* StatusBar() const;
  bool IsColorStored() const { return FColorAssigned; }
  bool IsFontStored() const { return !FParentFont; }

protected:
  TPersistent* GetOwner() override;
  // A change of this panel (or, with AllPanels, of all of them) for the bar to lay out and repaint.
  void PanelChanged(bool AllPanels = false);
  bool BarIsBusy() const;  // loading, reading or updating

private:
  void FontChanged(TObject* Sender);

  TAlignment FAlignment = taLeftJustify;
  TColor FColor = clBtnFace;
  TFont* FFont = nullptr;
  bool FColorAssigned = false;
  TdxStatusBarPanel* FOwner;
  bool FParentFont = true;
  bool FSettingParentFont = false;
};

using TdxStatusBarPanelStyleClass = TClass;

// ---- text ---------------------------------------------------------------------------------------------------

class TdxStatusBarTextPanelStyle : public TdxStatusBarPanelStyle {
  RTL_CLASS(TdxStatusBarTextPanelStyle, TdxStatusBarPanelStyle)
  RTL_PUBLISHED_DECL
public:
  explicit TdxStatusBarTextPanelStyle(TdxStatusBarPanel* AOwner) : TdxStatusBarPanelStyle(AOwner) {}
  void Assign(TPersistent* Source) override;
  void DrawContent(TcxCanvas* ACanvas, RECT R, const TdxStatusBarPainter* APainter) override;
  void RestoreDefaults() override;

  bool AutoHint() const { return FAutoHint; }
  // Only one text panel of a bar shows hints: setting it clears it on all the others first.
  void SetAutoHint(bool Value);
  TdxStatusBarEllipsisType EllipsisType() const { return FEllipsisType; }
  void SetEllipsisType(TdxStatusBarEllipsisType Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  TdxStatusBarTextEvent OnGetText;

private:
  bool FAutoHint = false;
  TdxStatusBarEllipsisType FEllipsisType = dxetNone;
  int32_t FImageIndex = -1;
};

// ---- state indicators -------------------------------------------------------------------------------------

class TdxStatusBarStateIndicatorItem : public TCollectionItem {
  RTL_CLASS(TdxStatusBarStateIndicatorItem, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  explicit TdxStatusBarStateIndicatorItem(TCollection* ACollection);
  ~TdxStatusBarStateIndicatorItem() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  TBitmap* IndicatorBitmap() const { return FIndicatorBitmap; }
  TdxStatusBarStateIndicatorType IndicatorType() const { return FIndicatorType; }
  // Loads the lamp picture of the type; a value outside the seven types leaves the picture as it is.
  void SetIndicatorType(TdxStatusBarStateIndicatorType Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);

private:
  TBitmap* FIndicatorBitmap = nullptr;
  TdxStatusBarStateIndicatorType FIndicatorType = sitOff;
  bool FVisible = true;
};

class TdxStatusBarStateIndicators : public TCollection {
  RTL_CLASS(TdxStatusBarStateIndicators, TCollection)
public:
  TdxStatusBarStateIndicators() : TCollection(TdxStatusBarStateIndicatorItem::StaticClass()) {}
  TdxStatusBarStateIndicatorItem* Add() { return static_cast<TdxStatusBarStateIndicatorItem*>(TCollection::Add()); }
  TdxStatusBarStateIndicatorItem* Items(int32_t Index) const {
    return static_cast<TdxStatusBarStateIndicatorItem*>(TCollection::Items(Index));
  }
  TNotifyEvent OnChange;

protected:
  void Update(TCollectionItem* Item) override;
};

class TdxStatusBarStateIndicatorPanelStyle : public TdxStatusBarPanelStyle {
  RTL_CLASS(TdxStatusBarStateIndicatorPanelStyle, TdxStatusBarPanelStyle)
  RTL_PUBLISHED_DECL
public:
  explicit TdxStatusBarStateIndicatorPanelStyle(TdxStatusBarPanel* AOwner);
  ~TdxStatusBarStateIndicatorPanelStyle() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;
  bool UsesPanelWidth() override { return false; }
  void DrawContent(TcxCanvas* ACanvas, RECT R, const TdxStatusBarPainter* APainter) override;
  int32_t GetMinWidth() override;

  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t Value);
  TdxStatusBarStateIndicators* Indicators() const { return FIndicators; }
  void SetIndicators(TdxStatusBarStateIndicators* Value) { FIndicators->Assign(Value); }

private:
  void IndicatorChangeHandler(TObject* Sender);
  TdxStatusBarStateIndicators* FIndicators = nullptr;
  int32_t FSpacing = 4;
};

// ---- keyboard states --------------------------------------------------------------------------------------

class TdxStatusBarKeyStateAppearance : public TPersistent {
  RTL_CLASS(TdxStatusBarKeyStateAppearance, TPersistent)
  RTL_PUBLISHED_DECL
public:
  TdxStatusBarKeyStateAppearance(TdxStatusBarKeyboardState AId, int32_t ACode, TColor AActiveFontColor,
                                 const String& AActiveCaption, TColor AInactiveFontColor,
                                 const String& AInactiveCaption, TNotifyEvent AOnChange);
  void Assign(TPersistent* Source) override;
  // The wider caption in the canvas's font, plus 4.
  int32_t KeyRectWidth(TcxCanvas* ACanvas);

  TdxStatusBarKeyboardState Id() const { return FId; }
  int32_t Code() const { return FCode; }
  TColor ActiveFontColor() const { return FActiveFontColor; }
  void SetActiveFontColor(TColor Value);
  TColor InactiveFontColor() const { return FInactiveFontColor; }
  void SetInactiveFontColor(TColor Value);
  const String& ActiveCaption() const { return FActiveCaption; }
  void SetActiveCaption(const String& Value);
  const String& InactiveCaption() const { return FInactiveCaption; }
  void SetInactiveCaption(const String& Value);

private:
  void Changed() {
    if (FOnChange.Assigned()) FOnChange(this);
  }
  TdxStatusBarKeyboardState FId;
  int32_t FCode;
  TColor FActiveFontColor;
  TColor FInactiveFontColor;
  String FActiveCaption;
  String FInactiveCaption;
  TNotifyEvent FOnChange;
};

class TdxStatusBarKeyboardStateWatchedKey : public TObject {
  RTL_CLASS(TdxStatusBarKeyboardStateWatchedKey, TObject)
public:
  explicit TdxStatusBarKeyboardStateWatchedKey(int32_t AKeyCode);
  int32_t KeyCode() const { return FKeyCode; }
  int32_t KeyState() const { return FKeyState; }
  void SetKeyState(int32_t Value) { FKeyState = Value; }

private:
  int32_t FKeyCode;
  int32_t FKeyState;
};

// Polls the watched keys every 100 ms and asks the bar to refresh its keyboard panels when one changed.
class TdxStatusBarKeyboardStateNotifier : public TObject {
  RTL_CLASS(TdxStatusBarKeyboardStateNotifier, TObject)
public:
  explicit TdxStatusBarKeyboardStateNotifier(TdxStatusBar* AStatusBar);
  ~TdxStatusBarKeyboardStateNotifier() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void SubScribeKey(int32_t AKeyCode);
  void UnSubScribeKey(int32_t AKeyCode);
  int32_t WatchedKeyCount() const { return static_cast<int32_t>(FKeys.size()); }
  TTimer* Timer() const { return FTimer; }

private:
  void TimerHandler(TObject* Sender);
  TdxStatusBar* FStatusBar;
  TTimer* FTimer = nullptr;
  std::vector<TdxStatusBarKeyboardStateWatchedKey*> FKeys;
};

class TdxStatusBarKeyboardStatePanelStyle : public TdxStatusBarPanelStyle {
  RTL_CLASS(TdxStatusBarKeyboardStatePanelStyle, TdxStatusBarPanelStyle)
  RTL_PUBLISHED_DECL
public:
  explicit TdxStatusBarKeyboardStatePanelStyle(TdxStatusBarPanel* AOwner);
  ~TdxStatusBarKeyboardStatePanelStyle() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;
  bool UsesPanelWidth() override { return false; }
  bool DrawsOwnBorders() override { return !FFullRect; }
  void DrawContent(TcxCanvas* ACanvas, RECT R, const TdxStatusBarPainter* APainter) override;
  int32_t GetMinWidth() override;

  bool FullRect() const { return FFullRect; }
  void SetFullRect(bool Value);
  TdxStatusBarKeyboardStates KeyboardStates() const { return FKeyboardStates; }
  void SetKeyboardStates(TdxStatusBarKeyboardStates Value);
  TdxStatusBarKeyStateAppearance* CapsLockKeyAppearance() const { return FAppearances[dxksCapsLock]; }
  TdxStatusBarKeyStateAppearance* NumLockKeyAppearance() const { return FAppearances[dxksNumLock]; }
  TdxStatusBarKeyStateAppearance* ScrollLockKeyAppearance() const { return FAppearances[dxksScrollLock]; }
  TdxStatusBarKeyStateAppearance* InsertKeyAppearance() const { return FAppearances[dxksInsert]; }
  void SetCapsLockKeyAppearance(TdxStatusBarKeyStateAppearance* V) { FAppearances[dxksCapsLock]->Assign(V); }
  void SetNumLockKeyAppearance(TdxStatusBarKeyStateAppearance* V) { FAppearances[dxksNumLock]->Assign(V); }
  void SetScrollLockKeyAppearance(TdxStatusBarKeyStateAppearance* V) { FAppearances[dxksScrollLock]->Assign(V); }
  void SetInsertKeyAppearance(TdxStatusBarKeyStateAppearance* V) { FAppearances[dxksInsert]->Assign(V); }
  TdxStatusBarKeyStateAppearance* Appearance(TdxStatusBarKeyboardState AState) const { return FAppearances[AState]; }
  TdxStatusBarKeyboardStateNotifier* Notifier() const { return FNotifier; }
  // Whether the key of the state is toggled on now (always false at design time).
  bool IsKeyActive(TdxStatusBarKeyboardState AState) const;

private:
  void AppearanceChangeHandler(TObject* Sender);
  bool FFullRect = false;
  TdxStatusBarKeyboardStates FKeyboardStates = dxksAllKeyboardStates;
  TdxStatusBarKeyStateAppearance* FAppearances[4] = {};
  TdxStatusBarKeyboardStateNotifier* FNotifier = nullptr;
};

// ---- container --------------------------------------------------------------------------------------------

class TdxStatusBarContainerPanelStyle;

// The window a container panel lends to the application's controls.
class TdxStatusBarContainerControl : public TcxControl {
  RTL_CLASS(TdxStatusBarContainerControl, TcxControl)
public:
  explicit TdxStatusBarContainerControl(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  TdxStatusBarContainerPanelStyle* PanelStyle() const { return FPanelStyle; }
  bool IsFocusable() override { return false; }
  bool HasScrollBars() const override { return false; }

protected:
  void Paint() override;

private:
  friend class TdxStatusBarContainerPanelStyle;
  TdxStatusBarContainerPanelStyle* FPanelStyle = nullptr;
};

class TdxStatusBarContainerPanelStyle : public TdxStatusBarPanelStyle {
  RTL_CLASS(TdxStatusBarContainerPanelStyle, TdxStatusBarPanelStyle)
  RTL_PUBLISHED_DECL
public:
  explicit TdxStatusBarContainerPanelStyle(TdxStatusBarPanel* AOwner) : TdxStatusBarPanelStyle(AOwner) {}
  ~TdxStatusBarContainerPanelStyle() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;
  bool CanDelete() override;
  void DrawContent(TcxCanvas* ACanvas, RECT R, const TdxStatusBarPainter* APainter) override;
  void PanelVisibleChanged() override;

  bool AlignControl() const { return FAlignControl; }
  void SetAlignControl(bool Value);
  TdxStatusBarContainerControl* Container() const { return FContainer; }
  // Links a new container; none frees the old one unless the bar is loading, being destroyed or updating.
  void SetContainer(TdxStatusBarContainerControl* Value);

private:
  friend class TdxStatusBarContainerControl;
  void CreateContainer();
  bool FAlignControl = true;
  TdxStatusBarContainerControl* FContainer = nullptr;
};

// ---- the host ---------------------------------------------------------------------------------------------

class TdxStatusBarPanel : public TCollectionItem {
  RTL_CLASS(TdxStatusBarPanel, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  explicit TdxStatusBarPanel(TCollection* ACollection) : TCollectionItem(ACollection) {}
  ~TdxStatusBarPanel() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;

  TdxStatusBar* StatusBar() const;
  TdxStatusBarPanelStyle* PanelStyle() const { return FPanelStyle; }
  TdxStatusBarPanelStyleClass PanelStyleClass() const { return FPanelStyle ? FPanelStyle->ClassType() : nullptr; }
  // A new style of the class (none frees the style); a registered class is expected.
  void SetPanelStyleClass(TdxStatusBarPanelStyleClass Value);
  void SetPanelStyle(TdxStatusBarPanelStyle* Value);

  const String& Text() const { return FText; }
  void SetText(const String& Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TdxStatusBarPanelBevel Bevel() const { return FBevel; }
  void SetBevel(TdxStatusBarPanelBevel Value);
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t Value);
  // The width the bar gives the panel: its own, or what its style measures.
  int32_t EffectiveWidth();

  void Changed(bool AllItems) { TCollectionItem::Changed(AllItems); }
  // What a style forwards (the host counts them; an application may hook OnNotify).
  void DoNotify();
  TNotifyEvent OnNotify;

private:
  TdxStatusBarPanelStyle* FPanelStyle = nullptr;
  String FText;
  bool FVisible = true;
  TdxStatusBarPanelBevel FBevel = dxpbLowered;
  int32_t FWidth = 50;
};

class TdxStatusBarPanels : public TOwnedCollection {
  RTL_CLASS(TdxStatusBarPanels, TOwnedCollection)
public:
  explicit TdxStatusBarPanels(TdxStatusBar* AOwner);
  TdxStatusBarPanel* Add() { return static_cast<TdxStatusBarPanel*>(TCollection::Add()); }
  TdxStatusBarPanel* Items(int32_t Index) const { return static_cast<TdxStatusBarPanel*>(TCollection::Items(Index)); }

protected:
  void Update(TCollectionItem* Item) override;

private:
  TdxStatusBar* FStatusBar;
};

// The bar's drawing: one stateless object, reached through TdxStatusBar::Painter().
class TdxStatusBarPainter {
public:
  virtual ~TdxStatusBarPainter() = default;
  static const TdxStatusBarPainter* Instance();
  virtual int32_t SizeGripWidth() const { return 14; }
  // The gap between two lock-key rectangles.
  virtual int32_t SeparatorSize() const { return 2; }
  // Gap between two panels.
  virtual int32_t PanelSeparatorSize() const { return 2; }
  virtual void DrawBackground(TdxStatusBar* ABar, TcxCanvas* ACanvas, const RECT& R) const;
  virtual void DrawKeyBorder(TcxCanvas* ACanvas, const RECT& R, TdxStatusBarPanelBevel ABevel) const;
  virtual void DrawPanelBorder(TcxCanvas* ACanvas, const RECT& R, TdxStatusBarPanelBevel ABevel) const;
  // The panel's background in its style's colour and, unless the style draws its own, its frame.
  virtual void DrawPanelBackground(TdxStatusBarPanel* APanel, TcxCanvas* ACanvas, const RECT& R) const;
  virtual void DrawSizeGrip(TcxCanvas* ACanvas, const RECT& R) const;
};

class TdxStatusBar : public TcxControl {
  RTL_CLASS(TdxStatusBar, TcxControl)
  RTL_PUBLISHED_DECL
public:
  explicit TdxStatusBar(TComponent* AOwner);
  ~TdxStatusBar() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TdxStatusBarPanels* Panels() const { return FPanels; }
  void SetPanels(TdxStatusBarPanels* Value) { FPanels->Assign(Value); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool Value);
  const TdxStatusBarPainter* Painter() const { return TdxStatusBarPainter::Instance(); }
  // Loading, reading or inside a BeginUpdate of the panels.
  bool IsUpdating() const;
  bool IsDestroyingBar() const { return FDestroying || IsDestroying(); }
  bool HasSizeGrip() const { return FSizeGrip; }

  // The panel's rectangle in the bar (empty when hidden or off the bar).
  RECT GetPanelRect(int32_t AIndex);
  void UpdatePanels();
  // The watcher's refresh: repaints the panels with a keyboard-state style.
  void UpdateKeyboardStatePanels();
  int32_t KeyboardRefreshCount() const { return FKeyboardRefreshCount; }
  bool IsHidingBorders() const { return false; }
  bool HasImages() const { return FImages != nullptr; }

  bool HasScrollBars() const override { return false; }
  bool IsFocusable() override { return false; }

protected:
  void Paint() override;
  void Resize() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void FontChanged() override;

private:
  void Calculate();
  TdxStatusBarPanels* FPanels = nullptr;
  TCustomImageList* FImages = nullptr;
  bool FSizeGrip = true;
  bool FDestroying = false;
  int32_t FKeyboardRefreshCount = 0;
  std::vector<RECT> FPanelRects;
};

// ---- registered styles ------------------------------------------------------------------------------------

// The panel style classes with their descriptions; made (and filled with the four styles) on first use.
TcxRegisteredClasses* GetRegisteredStatusBarPanelStyles();
// Unregisters the four styles and frees the list (the program's shutdown; tests after each case).
void dxStatusBarFinalize();

// The lamp picture of an indicator type (17 x 8); false for a value outside the seven types.
bool LoadStatusBarIndicatorBitmap(TBitmap* ABitmap, TdxStatusBarStateIndicatorType AType);
