#pragma once
// The bar model of a form: the bar manager with its categories, items, item links, bars, dock areas,
// groups, popup-menu links and background bitmaps.
//
// A form has at most one TdxBarManager. Its commands are TdxBarItem components (owned by the form, listed
// by the manager, sorted into categories); a TdxBarItemLink is one appearance of an item in a bar, a
// sub-menu or a popup menu, and a TdxBarItemLinks collection holds the links of one of them. A TdxBar is a
// toolbar or the main-menu bar; it docks in a TdxDockControl (one of the four implicit docks along the
// form's edges, or a TdxBarDockControl placed on the form) or floats. Docks lay their bars out in rows.
//
// This library is the model. The windows that show links (TCustomdxBarControl: tool bars and menus), the
// item controls that draw one link in one window (TdxBarItemControl) and the painters of the bar styles
// (TdxBarItemControlPainter) are declared here with the operations the model calls; the bar controls
// library derives the real ones and installs them at its start-up: the window classes through
// RegisterBarControlClasses, the item-control classes through RegisterItemClass (dxBarCommon.h), the
// painters through RegisterBarPainter. Without them bars keep their state but show no window.

#include <cstdint>
#include <vector>

#include "forms/ActnList.h"
#include "forms/Controls.h"
#include "forms/Menus.h"
#include "rtl/Classes.h"
#include "rtl/Collections.h"
#include "rtl/StringLists.h"
#include "rtl/Units.h"

class TBitmap;
class TFont;
class TCustomImageList;
class TChangeLink;
class TCustomForm;
class TBasicAction;
class TBasicActionLink;
class TcxLookAndFeel;
class TdxThemeChangedNotificator;
class TReader;
class TWriter;

class TdxBarManager;
class TdxBarItem;
class TdxBarItemLink;
class TdxBarItemLinks;
class TdxBar;
class TdxBars;
class TdxDockControl;
class TdxBarDockControl;
class TdxBarGroup;
class TdxBarPopupMenu;
class TdxBarPopupMenuLink;
class TdxBarPopupMenuLinks;
class TdxBarBackgrounds;
class TdxBarManagerCategories;
class TCustomdxBarControl;
class TdxBarItemControl;
class TdxBarItemControlPainter;

// The bar unit: the manager list, the temporary items, the item-class registry, the live bar windows and
// the shared brush. Start it (StartUnits) before the first manager is made.
extern const TUnit dxBarUnit;

// ---- enumerations ---------------------------------------------------------------------------------------------

enum TdxBarManagerStyle : uint8_t { bmsStandard, bmsEnhanced, bmsFlat, bmsXP, bmsOffice11, bmsUseLookAndFeel };
RTL_ENUM(TdxBarManagerStyle, bmsStandard, bmsEnhanced, bmsFlat, bmsXP, bmsOffice11, bmsUseLookAndFeel)

enum TdxBarMenuAnimations : uint8_t { maNone, maRandom, maUnfold, maSlide, maFade };
RTL_ENUM(TdxBarMenuAnimations, maNone, maRandom, maUnfold, maSlide, maFade)

enum TdxBarDockingStyle : uint8_t { dsNone, dsLeft, dsTop, dsRight, dsBottom };
RTL_ENUM(TdxBarDockingStyle, dsNone, dsLeft, dsTop, dsRight, dsBottom)
using TdxBarDockingStyles = Set<TdxBarDockingStyle, 8>;
inline constexpr TdxBarDockingStyles dxBarAllDockingStyles{dsNone, dsLeft, dsTop, dsRight, dsBottom};

enum TdxBarItemVisible : uint8_t { ivNever, ivInCustomizing, ivAlways };
RTL_ENUM(TdxBarItemVisible, ivNever, ivInCustomizing, ivAlways)

enum TdxBarBorderStyle : uint8_t { bbsNone, bbsSingle };
RTL_ENUM(TdxBarBorderStyle, bbsNone, bbsSingle)

enum TdxBarItemAlign : uint8_t { iaLeft, iaCenter, iaRight, iaClient };
RTL_ENUM(TdxBarItemAlign, iaLeft, iaCenter, iaRight, iaClient)

enum TdxBarUserDefine : uint8_t { udCaption, udGlyph, udPaintStyle, udWidth };
RTL_ENUM(TdxBarUserDefine, udCaption, udGlyph, udPaintStyle, udWidth)
using TdxBarUserDefines = Set<TdxBarUserDefine, 8>;

// Scoped: the look-and-feel painters' TcxPainterStyle already has a psStandard. The other three
// values are also reachable unqualified.
enum class TdxBarPaintStyle : uint8_t { psStandard, psCaption, psCaptionInMenu, psCaptionGlyph };
RTL_ENUM(TdxBarPaintStyle, psStandard, psCaption, psCaptionInMenu, psCaptionGlyph)
inline constexpr TdxBarPaintStyle psCaption = TdxBarPaintStyle::psCaption;
inline constexpr TdxBarPaintStyle psCaptionInMenu = TdxBarPaintStyle::psCaptionInMenu;
inline constexpr TdxBarPaintStyle psCaptionGlyph = TdxBarPaintStyle::psCaptionGlyph;

enum TdxBarDockAlign : uint8_t { dalNone, dalTop, dalBottom, dalLeft, dalRight };
RTL_ENUM(TdxBarDockAlign, dalNone, dalTop, dalBottom, dalLeft, dalRight)

// ---- events -----------------------------------------------------------------------------------------------------

using TdxBarEvent = Event<TdxBarManager*, TdxBar*>;
using TdxBarVisibleChangeEvent = Event<TdxBarManager*, TdxBar*>;
using TdxBarItemLinkEvent = Event<TdxBarManager*, TdxBarItemLink*>;
using TdxBarCanDockingEvent = Event<TdxBar*, TdxBarDockingStyle, TdxDockControl*, bool&>;
using TdxBarMenuMergeEvent = Event<TdxBarManager*, TdxBarManager*, bool>;
using TdxBarShowPopupEvent = Event<TdxBarManager*, TdxBarItemLinks*>;
using TdxBarClickItemEvent = Event<TdxBarManager*, TdxBarItem*>;
using TdxBarPopupMenuLinkActionEvent = Event<TdxBarPopupMenuLink*, int32_t&, int32_t&, bool, bool&>;

// ---- messages -----------------------------------------------------------------------------------------------------

// Posted to a bar window: rebuild when the queue is idle.
constexpr UINT WM_DXBAR_DEFERREDREBUILD = WM_USER + 1;

// ---- the texts of the bar unit -------------------------------------------------------------------------------------

extern const char* const sdxBarManagerBadOwner;
extern const char* const sdxBarManagerMoreThenOne;
extern const char* const sdxBarDefaultCategory;
extern const char* const sdxBarRecursiveGroups;
extern const char* const sdxBarRecursiveSubItems;
extern const char* const sdxBarConfirmResetToolbar;

// ---- the style painters, as far as the model measures with them -------------------------------------------------

// A painter is one constant object per bar style (never made per use); the manager keeps the one of its
// style. The bar controls library derives the styles' painters and adds the drawing operations.
class TdxBarItemControlPainter {
public:
  static const TdxBarItemControlPainter* Instance();
  virtual ~TdxBarItemControlPainter() = default;
  virtual const char* ClassName() const { return "TdxBarItemControlPainter"; }

  virtual int32_t GetDragGripIndent() const { return 0; }
  virtual int32_t GetGripAreaSize() const { return 0; }
  virtual int32_t GetMenuSeparatorIndent() const { return 0; }
  virtual int32_t GetNoGripSize() const { return 0; }
  virtual int32_t GetButtonExtraWidth() const { return 7; }
  virtual int32_t GetButtonExtraHeight() const { return 6; }
  // The width of a button's drop-down arrow part: (1, or 2 with LargeIcons) x ButtonArrowWidth, made odd.
  virtual int32_t GetButtonArrowWidth(TdxBarManager* ABarManager) const;
  virtual int32_t GetFloatingBorderWidth() const;
  virtual int32_t GetFloatingBorderHeight() const;
  virtual int32_t GetFloatingInnerBorder() const { return 0; }
  virtual int32_t GetFloatingInnerTop() const { return 0; }
  virtual int32_t GetFloatingInnerBottom() const { return 0; }
  virtual int32_t GetSmallCaptionHeight() const;
  virtual int32_t GetCaptionHeight() const { return GetSmallCaptionHeight() + 1; }
  // The border a docked bar draws around its items (left, top, right, bottom).
  virtual RECT GetDockedBorderSizes(TdxBar* ABar, TdxBarDockingStyle AStyle) const;
  virtual SIZE GetSizeGripSize(TdxBarManager* ABarManager) const;
  virtual int32_t GetBottomBarExtraHeight(TdxBarManager* ABarManager) const;
  virtual bool IsQuickCustomizingSupported() const { return false; }
  virtual bool PaintsOwnBackground() const { return false; }
  // The dock's background over R: the bitmap tiled from the origin of AOrigin, else the colour.
  virtual void DrawDockBackground(TdxDockControl* ADock, HDC DC, TColor AColor, TBitmap* ABitmap, const RECT& R,
                                  const RECT& AOrigin) const;
  virtual bool IsFlatStyle() const { return false; }
};
using TdxBarItemControlPainterClass = const TdxBarItemControlPainter*;

// Installs the painter of a style (bmsStandard .. bmsOffice11; bmsXP falls back to bmsEnhanced's painter
// while the themes are not available); nullptr takes it out again.
void RegisterBarPainter(TdxBarManagerStyle AStyle, TdxBarItemControlPainterClass APainter);
TdxBarItemControlPainterClass GetRegisteredBarPainter(TdxBarManagerStyle AStyle);

// ---- the windows that show links ------------------------------------------------------------------------------------

// The window classes the links make: a tool bar window for a bar's links, a menu window for the others.
// Both must descend from TCustomdxBarControl; nullptr takes them out. APlainButtonControlClass is the
// item control that shows a window item (an edit) on a tool bar docked left or right that turns its
// captions.
void RegisterBarControlClasses(TClass AToolbarClass, TClass ASubMenuClass, TClass APlainButtonControlClass = nullptr);

// The base of the windows that show one collection of links. The bar manager owns them. Besides what
// every bar window has (its links, its selected control, the window it was opened from), the base keeps
// the values the dock's row layout writes for a docked tool bar. The model calls the virtual operations;
// their behaviour belongs to the window classes.
class TCustomdxBarControl : public TCustomControl {
  RTL_CLASS(TCustomdxBarControl, TCustomControl)
public:
  explicit TCustomdxBarControl(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TdxBarManager* BarManager() const;
  TdxBarItemLinks* ItemLinks() const { return FItemLinks; }
  virtual void SetItemLinks(TdxBarItemLinks* AValue) { FItemLinks = AValue; }
  // The bar this window shows (tool bar windows), or nullptr.
  TdxBar* Bar() const { return FBar; }
  virtual void SetBar(TdxBar* ABar) { FBar = ABar; }
  TdxDockControl* DockControl() const { return FDockControl; }
  TdxBarDockingStyle DockingStyle() const { return FDockingStyle; }
  TCustomdxBarControl* ParentBarControl() const { return FParentBarControl; }
  void SetParentBarControl(TCustomdxBarControl* AValue) { FParentBarControl = AValue; }
  TdxBarItemControl* SelectedControl() const { return FSelectedControl; }
  virtual void SetSelectedControl(TdxBarItemControl* AValue) { FSelectedControl = AValue; }
  bool Active() const { return FActive; }
  void SetActiveFlag(bool AValue) { FActive = AValue; }
  bool IsDestroying() const { return FDestroying; }

  // The item controls of the available links, made when the window begins to show its links.
  virtual void CreateItemControls();
  virtual void DestroyItemControls();
  // Rebuilding: the links' controls are made again and the window is laid out and repainted.
  virtual void Rebuild() {}
  virtual void RebuildAndRepaint() { Rebuild(); }
  virtual void RepaintItem(TdxBarItemControl* AControl);
  virtual bool IsCustomizing();
  virtual bool IsMenuLike() const { return false; }
  virtual bool IsQuickCustomizeBar() const { return false; }
  virtual void CloseAll() {}
  virtual void CloseSubMenus() {}
  virtual void PainterChanged() {}
  virtual void ClearBackgroundCache() {}
  virtual void UpdateDoubleBuffered() {}
  virtual void UpdateFrame() {}
  virtual void UpdateCaption() {}
  virtual void UpdateAlphaBlend() {}
  virtual void UpdateFont() {}

  // Docking (tool bar windows).
  virtual void SetDockingStyle(TdxBarDockingStyle AStyle) { FDockingStyle = AStyle; }
  virtual void SetDockControl(TdxDockControl* ADock) { FDockControl = ADock; }
  // Makes the window a child of ADock (docked) or a floating window (dsNone).
  virtual void RecreateForDocking(TdxBarDockingStyle AStyle, TdxDockControl* ADock);
  // Writes the window's placement back into its bar: a floating window its position and client size, a
  // docked one its docking style, its dock (nullptr for an implicit one), row, whether it is alone in its
  // row, and its position in the dock.
  virtual void StorePosition();
  virtual SIZE CalcSize(TdxBarDockingStyle AStyle);
  void BeginInternalChange() { ++FInternalChange; }
  void EndInternalChange() { --FInternalChange; }
  bool IsInternalChange() const { return FInternalChange > 0; }
  // The window is being dragged, and the point of it the pointer holds, for a docking style.
  bool IsDragging() const { return FDragging; }
  void SetDragging(bool AValue) { FDragging = AValue; }
  virtual POINT GetDragGrabPoint(TdxBarDockingStyle AStyle);

  // The row layout's measures of a docked tool bar, without the bar's extra size.
  virtual int32_t CalcMinWidth(TdxBarDockingStyle AStyle);
  virtual int32_t CalcMinHeight(TdxBarDockingStyle AStyle);
  virtual int32_t CalcContentWidth(TdxBarDockingStyle AStyle);
  virtual int32_t CalcContentHeight(TdxBarDockingStyle AStyle);
  // The content size when the items wrap into a width (or a height).
  virtual SIZE CalcSizeForWidth(TdxBarDockingStyle AStyle, int32_t AWidth);
  virtual SIZE CalcSizeForHeight(TdxBarDockingStyle AStyle, int32_t AHeight);
  virtual bool HasMark() { return false; }
  // Places the items again after the window was moved or sized.
  virtual void CalcItemRects() {}

  // Written by the dock's row layout.
  bool Truncated = false;
  int32_t MinLength = 0;
  int32_t FullLength = 0;

  // The window (or a parent, up to a window without parent or an MDI child) has its bottom at the bottom
  // of its parent's client area.
  bool IsAtParentBottom();

protected:
  TdxBarItemLinks* FItemLinks = nullptr;
  TdxBar* FBar = nullptr;
  TdxDockControl* FDockControl = nullptr;
  TdxBarDockingStyle FDockingStyle = dsNone;
  TCustomdxBarControl* FParentBarControl = nullptr;
  TdxBarItemControl* FSelectedControl = nullptr;
  bool FActive = false;
  bool FDestroying = false;
  bool FDragging = false;
  int32_t FInternalChange = 0;
};

// The on-screen part of one link in one bar window: a plain object made through the item-class
// registry's control class (its virtual constructor takes the link).
class TdxBarItemControl : public TObject {
  RTL_CLASS(TdxBarItemControl, TObject)
public:
  using VirtualCtorArg = TdxBarItemLink*;
  explicit TdxBarItemControl(TdxBarItemLink* ALink);
  ~TdxBarItemControl() override;

  TdxBarItemLink* Link() const { return FLink; }
  TCustomdxBarControl* Parent() const { return FParent; }
  TdxBarItem* Item() const;
  bool IsActive() const { return FActive; }
  virtual void Activate(bool AByMouse);
  virtual void Deactivate(bool AByMouse);

  virtual void BeginGroupChanged();
  virtual void CaptionChanged();
  virtual void EnabledChanged();
  virtual void GlyphChanged();
  virtual void ShortCutChanged();
  virtual void VisibleChanged();
  virtual void AlignChanged();
  virtual void Repaint();
  // Notifications of the button and edit controls; other controls ignore them.
  virtual void PaintStyleChanged() {}
  virtual void WidthChanged() {}
  virtual void ButtonStyleChanged() {}
  virtual void DownChanged() {}
  virtual void DropDownEnabledChanged() {}
  virtual bool CanSelect() { return true; }

private:
  friend class TdxBarItemLink;
  TdxBarItemLink* FLink;
  TCustomdxBarControl* FParent;
  bool FActive = false;
};

// ---- items ------------------------------------------------------------------------------------------------------------

// The link between an item and its action: a property follows the action only while the item still holds
// the action's value.
class TdxBarItemActionLink : public TBasicActionLink {
  RTL_CLASS(TdxBarItemActionLink, TBasicActionLink)
public:
  using VirtualCtorArg = TObject*;
  explicit TdxBarItemActionLink(TObject* AClient);
  TdxBarItem* Client() const { return FItem; }

  bool IsCaptionLinked();
  bool IsCheckedLinked();
  bool IsEnabledLinked();
  bool IsHelpContextLinked();
  bool IsHintLinked();
  bool IsImageIndexLinked();
  bool IsShortCutLinked();
  bool IsVisibleLinked();
  bool IsOnExecuteLinked();

  void SetCaption(const String& Value) override;
  void SetChecked(bool Value) override;
  void SetEnabled(bool Value) override;
  void SetHelpContext(int32_t Value);
  void SetHint(const String& Value) override;
  void SetImageIndex(int32_t Value) override;
  void SetShortCut(TShortCut Value) override;
  void SetVisible(bool Value) override;
  void SetOnExecute(const TNotifyEvent& Value) override;

private:
  bool IsCustomAction() const;
  TdxBarItem* FItem;
};

// A command of a bar manager: caption, hint, glyph, shortcut, enabled and visible state, click handler and
// an optional action. An item never draws itself; its links' controls do, and an item pushes every change
// of its state to them.
class TdxBarItem : public TComponent {
  RTL_CLASS(TdxBarItem, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TdxBarItem(TComponent* AOwner);
  ~TdxBarItem() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TBasicAction* Action() const;
  void SetAction(TBasicAction* Value);
  TdxBarItemActionLink* ActionLink() const { return FActionLink; }
  TdxBarItemAlign Align() const { return FAlign; }
  void SetAlign(TdxBarItemAlign Value);
  TdxBarManager* BarManager() const { return FBarManager; }
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  int32_t Category() const { return FCategory; }
  void SetCategory(int32_t Value);
  TdxBarItemLink* ClickItemLink() const { return FClickItemLink; }
  void SetClickItemLink(TdxBarItemLink* Value) { FClickItemLink = Value; }
  const String& Description() const { return FDescription; }
  void SetDescription(const String& Value);
  // The stored value; GetEnabled is what everybody sees.
  bool Enabled() const { return FEnabled; }
  bool GetEnabled() const;
  void SetEnabled(bool Value);
  TBitmap* Glyph() const { return FGlyph; }
  void SetGlyph(TBitmap* Value);
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t Value) { FHelpContext = Value; }
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  int32_t ImageIndex() const { return FImageIndex; }
  virtual void SetImageIndex(int32_t Value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  bool UnclickAfterDoing() const { return FUnclickAfterDoing; }
  void SetUnclickAfterDoing(bool Value) { FUnclickAfterDoing = Value; }
  TdxBarItemVisible Visible() const { return FVisible; }
  void SetVisible(TdxBarItemVisible Value);
  TdxBarItemVisible LoadedVisible() const { return FLoadedVisible; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDestroy;

  // The item's place in the model.
  bool IsActuallyVisible() const;
  TdxBarItemLink* FindActiveLink() const;
  int32_t GetManagerIndex() const;
  bool HasImage();
  bool HasControls() const;
  int32_t LinkCount() const { return static_cast<int32_t>(FLinks.size()); }
  TdxBarItemLink* Links(int32_t Index) const;

  // The click family.
  virtual void DirectClick();
  virtual void Click();
  virtual void DoClick();
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  virtual TClass GetActionLinkClass() const;

  // Overridable operations.
  virtual void BarManagerChanged() {}
  virtual bool IsClickable() const { return true; }
  virtual void CaptionChanged();
  virtual void EnabledChanged();
  virtual int32_t ReadImageIndex() const { return FImageIndex; }
  virtual void WriteImageIndex(int32_t Value) { SetImageIndex(Value); }
  virtual void GlyphChanged();
  virtual bool HasAccelerator(TdxBarItemLink* ALink);
  virtual bool HasContents() const { return true; }
  virtual void BarNotification(TdxBar* ABar) { (void)ABar; }
  virtual void ShortCutChanged();
  virtual void RepaintControls();
  virtual void RebuildBars();
  virtual void VisibleChanged();
  virtual TCustomImageList* GetImages() const;

  // What the links ask of the kinds of items (sub-items, buttons, edit items answer other than these).
  // The links of a sub-item's menu; nullptr for other items.
  virtual TdxBarItemLinks* SubItemLinks() const { return nullptr; }
  // Whether a sub-item's links may be customized.
  virtual bool AreLinksCustomizable() const { return true; }
  // The links of the popup menu a drop-down button opens (shortcuts reach into it); nullptr otherwise.
  virtual TdxBarItemLinks* DropDownLinks() const { return nullptr; }
  // The paint style a link shows the item with when the link does not override it.
  virtual TdxBarPaintStyle GetPaintStyle() const { return TdxBarPaintStyle::psStandard; }
  // The width a link gives the item when the link does not override it (edit items).
  virtual int32_t GetLinkWidth() const { return 0; }
  // Items that own an inner window (edit and combo items).
  virtual bool IsWindowItem() const { return false; }
  // The checked state an action follows (buttons); false when the item has none.
  virtual bool GetActionChecked(bool& AChecked) const {
    (void)AChecked;
    return false;
  }
  virtual void SetActionChecked(bool AChecked) { (void)AChecked; }

  TComponent* GetParentComponent() const override;
  bool HasParent() const override;
  void SetParentComponent(TComponent* Value) override;
  void ReadState(TReader* Reader) override;
  void SetName(const String& NewName) override;
  void Loaded() override;

  bool IsLoading() const;
  bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }
  // Joins a manager (the reader and SetParentComponent do this; code may too).
  void SetBarManager(TdxBarManager* Value);

protected:
  void AssignTo(TPersistent* Dest) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DoActionChange(TObject* Sender);
  void NotifyLinkControls(void (TdxBarItemControl::*ANotify)(), bool ASkipUserCaption = false,
                          bool ASkipUserGlyph = false);

private:
  friend class TdxBarItemLink;
  friend class TdxBarManager;
  friend class TdxBarManagerCategories;
  bool IsActionLinkedCaption() const;
  bool IsCaptionStored() const;
  bool IsEnabledStored() const;
  bool IsHelpContextStored() const;
  bool IsHintStored() const;
  bool IsVisibleStored() const;
  void GlyphChangedHandler(TObject* Sender) { (void)Sender, GlyphChanged(); }
  void AlignNotification();

  TdxBarItemActionLink* FActionLink = nullptr;
  TdxBarItemAlign FAlign = iaLeft;
  TdxBarManager* FBarManager = nullptr;
  String FCaption;
  int32_t FCategory = -1;
  bool FChangingByAction = false;
  TdxBarItemLink* FClickItemLink = nullptr;
  String FDescription;
  bool FEnabled = true;
  TBitmap* FGlyph = nullptr;
  int32_t FHelpContext = 0;
  String FHint;
  int32_t FImageIndex = -1;
  std::vector<TdxBarItemLink*> FLinks;
  TdxBarItemVisible FLoadedVisible = ivAlways;
  TShortCut FShortCut = 0;
  bool FUnclickAfterDoing = false;
  TdxBarItemVisible FVisible = ivAlways;
};

// Whether AItem may be linked into the links of AOwner (a sub-item, a bar, a popup menu) without a
// recursion: a sub-item may not contain itself, nor a button the links of its own drop-down menu.
bool CanLinkItem(TPersistent* AOwner, TdxBarItem* AItem);

// ---- item links -------------------------------------------------------------------------------------------------------

class TdxBarItemLink : public TCollectionItem {
  RTL_CLASS(TdxBarItemLink, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TCollection*;
  explicit TdxBarItemLink(TCollection* ACollection);
  ~TdxBarItemLink() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;

  // Published.
  bool BeginGroup() const { return FBeginGroup; }  // the stored flag; GetBeginGroup is the effective one
  void SetBeginGroup(bool Value);
  TdxBarItem* Item() const { return FItem; }
  void SetItem(TdxBarItem* Value);
  bool MostRecentlyUsed() const { return FMostRecentlyUsed; }
  void SetMostRecentlyUsed(bool Value);
  const String& UserCaption() const { return FUserCaption; }
  void SetUserCaption(const String& Value);
  TdxBarUserDefines UserDefine() const { return FUserDefine; }
  void SetUserDefine(TdxBarUserDefines Value);
  TBitmap* UserGlyph() const { return FUserGlyph; }
  void SetUserGlyph(TBitmap* Value);
  TdxBarPaintStyle UserPaintStyle() const { return FUserPaintStyle; }
  void SetUserPaintStyle(TdxBarPaintStyle Value);
  int32_t UserWidth() const { return FUserWidth; }
  void SetUserWidth(int32_t Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);

  TdxBarItemControl* Control() const { return FControl; }
  TObject* Data() const { return FData; }
  void SetData(TObject* Value) { FData = Value; }
  RECT ItemRect() const { return FItemRect; }
  void SetItemRect(const RECT& Value) { FItemRect = Value; }
  int32_t RowHeight() const { return FRowHeight; }
  void SetRowHeight(int32_t Value) { FRowHeight = Value; }
  int32_t UseCount() const { return FUseCount; }
  void SetUseCount(int32_t Value) { FUseCount = Value; }
  int32_t LoadedRecentIndex() const { return FLoadedRecentIndex; }
  void SetLoadedRecentIndex(int32_t Value) { FLoadedRecentIndex = Value; }
  int32_t LoadedUseCount() const { return FLoadedUseCount; }
  void SetLoadedUseCount(int32_t Value) { FLoadedUseCount = Value; }
  bool LoadedVisible() const { return FLoadedVisible; }
  TdxBarItemLink* OriginalItemLink() const { return FOriginalItemLink; }
  void SetOriginalItemLink(TdxBarItemLink* Value) { FOriginalItemLink = Value; }

  TdxBarItemLinks* GetLinks() const;
  TCustomdxBarControl* GetBarControl() const;
  TdxBarManager* GetBarManager() const;
  int32_t GetActiveIndex() const;
  int32_t GetAvailableIndex() const;
  int32_t GetVisibleIndex() const;
  bool GetBeginGroup() const;
  String GetCaption() const;
  TBitmap* GetGlyph() const;
  TdxBarPaintStyle GetPaintStyle() const;
  int32_t GetWidth() const;
  TdxBarItemLink* GetSourceLink() { return FOriginalItemLink ? FOriginalItemLink : this; }

  bool IsAvailable() const;
  bool ContainsItem(TdxBarItem* AItem) const;
  void UpdateAction();
  void CreateControl();
  void DestroyControl();
  void Changed();

  void MarkUsed(bool ACountUse);
  void MarkUnused();
  void ApplyMostRecentlyUsed();
  void CopyUsageFrom(TdxBarItemLink* ALink);
  int32_t GetRecentIndex() const;
  void SetRecentIndex(int32_t APosition);
  void BringToFront(bool ACountUse);
  void SaveRecentPosition();
  void RestoreRecentPosition();
  bool IsAcceleratorKey(uint16_t AKey, TShiftState AShift) const;

private:
  friend class TdxBarItemLinks;
  friend class TdxBarItem;
  void RemoveFromItem();
  bool ChangesAllowed() const;

  bool FBeginGroup = false;
  TdxBarItemControl* FControl = nullptr;
  TObject* FData = nullptr;
  TdxBarItem* FItem = nullptr;
  RECT FItemRect{};
  int32_t FLoadedRecentIndex = -1;
  int32_t FLoadedUseCount = 0;
  bool FLoadedVisible = true;
  bool FMostRecentlyUsed = true;
  TdxBarItemLink* FOriginalItemLink = nullptr;
  int32_t FSavedRecentPosition = -1;
  int32_t FRowHeight = 0;
  int32_t FUseCount = 0;
  String FUserCaption;
  TdxBarUserDefines FUserDefine;
  TBitmap* FUserGlyph = nullptr;
  TdxBarPaintStyle FUserPaintStyle = TdxBarPaintStyle::psStandard;
  int32_t FUserWidth = 0;
  bool FVisible = true;
  bool FInCollection = false;
};

class TdxBarItemLinks : public TCollection {
  RTL_CLASS(TdxBarItemLinks, TCollection)
public:
  explicit TdxBarItemLinks(TdxBarManager* ABarManager);
  ~TdxBarItemLinks() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;

  TdxBarItemLink* Items(int32_t Index) const { return static_cast<TdxBarItemLink*>(TCollection::Items(Index)); }
  TdxBarItemLink* Add() { return static_cast<TdxBarItemLink*>(TCollection::Add()); }
  // A new link of AItem appended (convenience for code that builds bars).
  TdxBarItemLink* AddItem(TdxBarItem* AItem, bool ABeginGroup = false);

  TdxBarManager* BarManager() const { return FBarManager; }
  void SetBarManager(TdxBarManager* Value) { FBarManager = Value; }
  TPersistent* Owner() const { return FOwner; }
  void SetOwner(TPersistent* Value) { FOwner = Value; }
  TCustomdxBarControl* BarControl() const { return FBarControl; }
  void SetBarControl(TCustomdxBarControl* Value) { FBarControl = Value; }
  bool UseRecentItems() const { return FUseRecentItems; }
  void SetUseRecentItems(bool Value) { FUseRecentItems = Value; }
  bool IsAssigning() const { return FAssigning; }
  // Whether changes of these links mark the manager modified (the quick-customize popups' links do not).
  void SetModifiesManager(bool Value) { FModifiesManager = Value; }
  TNotifyEvent OnChange;

  int32_t ActiveItemCount() const { return static_cast<int32_t>(FActiveList.size()); }
  TdxBarItemLink* ActiveItems(int32_t Index) const;
  int32_t AvailableItemCount() const { return static_cast<int32_t>(FAvailableList.size()); }
  TdxBarItemLink* AvailableItems(int32_t Index) const;
  int32_t VisibleItemCount() const { return static_cast<int32_t>(FShownList.size()); }
  TdxBarItemLink* VisibleItems(int32_t Index) const;
  int32_t RecentItemListCount() const { return static_cast<int32_t>(FRecentList.size()); }
  TdxBarItemLink* RecentItemList(int32_t Index) const;
  int32_t IndexOfActive(const TdxBarItemLink* ALink) const;
  int32_t IndexOfAvailable(const TdxBarItemLink* ALink) const;
  int32_t IndexOfVisible(const TdxBarItemLink* ALink) const;
  int32_t IndexOfRecent(const TdxBarItemLink* ALink) const;
  int32_t RecentItemCount() const { return FRecentItemCount; }

  bool ChangesModifyManager() const;
  TCustomdxBarControl* CreateBarControl();
  bool ContainsItem(TdxBarItem* AItem) const;
  void UpdateActions();
  void ClearItemRects();
  bool IsRecentItemsMode() const;
  int32_t CalcRecentItemCount() const;
  void SetRecentItemCount(int32_t Value);
  void RestoreRecentItemCount();
  void RebuildLists();
  void ApplyLoadedState(bool AApplyVisible);
  void CopyUsageFlags(TdxBarItemLinks* AOther);
  void CompactRecentList();

  int32_t GetSelectableCount();
  TdxBarItemLink* GetFirstSelectableLink();
  TdxBarItemLink* GetLastSelectableLink();
  TdxBarItemLink* GetNextSelectableLink(TdxBarItemLink* ALink);
  TdxBarItemLink* GetPrevSelectableLink(TdxBarItemLink* ALink);

  bool HandleShortCut(TShortCut AShortCut);
  TdxBarItemLink* FindAcceleratedLink(uint16_t AKey, TShiftState AShift, TdxBarItemLink* AStart);

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* AItem) override;

private:
  friend class TdxBarItemLink;
  bool IsDesigning() const;
  bool LinkIsSelectable(TdxBarItemLink* ALink);

  bool FAssigning = false;
  bool FModifiesManager = true;
  bool FDestroyingLists = false;
  std::vector<TdxBarItemLink*> FActiveList;
  std::vector<TdxBarItemLink*> FAvailableList;
  std::vector<TdxBarItemLink*> FShownList;
  std::vector<TdxBarItemLink*> FRecentList;
  TCustomdxBarControl* FBarControl = nullptr;
  TdxBarManager* FBarManager;
  TPersistent* FOwner = nullptr;
  int32_t FPrevRecentItemCount = -1;
  int32_t FRecentItemCount = -1;
  bool FUseRecentItems = true;
};

// The accelerator of a caption in lower case (0 when it has none); Shift is taken out of AShift when the
// lower-case form differs from the character.
char32_t GetAcceleratorChar(const String& ACaption, TShiftState& AShift);

// ---- bars -----------------------------------------------------------------------------------------------------------

class TdxBar : public TCollectionItem {
  RTL_CLASS(TdxBar, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TCollection*;
  explicit TdxBar(TCollection* ACollection);
  ~TdxBar() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;

  bool AllowClose() const { return FAllowClose; }
  void SetAllowClose(bool Value);
  bool AllowCustomizing() const { return FAllowCustomizing; }
  void SetAllowCustomizing(bool Value) { FAllowCustomizing = Value; }
  bool AllowQuickCustomizing() const { return FAllowQuickCustomizing; }
  void SetAllowQuickCustomizing(bool Value);
  bool AllowReset() const { return FAllowReset; }
  void SetAllowReset(bool Value) { FAllowReset = Value; }
  uint8_t AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(uint8_t Value);
  TBitmap* BackgroundBitmap() const { return FBackgroundBitmap; }
  void SetBackgroundBitmap(TBitmap* Value);
  TdxBarBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TdxBarBorderStyle Value);
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TdxBarDockControl* DockControl() const { return FDockControl; }
  void SetDockControl(TdxBarDockControl* Value);
  TdxBarDockControl* DockedDockControl() const { return FDockedDockControl; }
  void SetDockedDockControl(TdxBarDockControl* Value);
  TdxBarDockingStyle DockedDockingStyle() const { return FDockedDockingStyle; }
  TdxBarDockingStyle GetDockedDockingStyle() const;
  void SetDockedDockingStyle(TdxBarDockingStyle Value) { FDockedDockingStyle = Value; }
  int32_t DockedLeft() const { return FDockedLeft; }
  void SetDockedLeft(int32_t Value);
  int32_t DockedTop() const { return FDockedTop; }
  void SetDockedTop(int32_t Value);
  // The stored style; GetDockingStyle follows the dock control.
  TdxBarDockingStyle DockingStyle() const { return FDockingStyle; }
  TdxBarDockingStyle GetDockingStyle() const;
  void SetDockingStyle(TdxBarDockingStyle Value);
  int32_t FloatLeft() const { return FFloatLeft; }
  void SetFloatLeft(int32_t Value);
  int32_t FloatTop() const { return FFloatTop; }
  void SetFloatTop(int32_t Value);
  int32_t FloatClientWidth() const { return FFloatClientWidth; }
  void SetFloatClientWidth(int32_t Value);
  int32_t FloatClientHeight() const { return FFloatClientHeight; }
  void SetFloatClientHeight(int32_t Value);
  TFont* Font() const { return FFont; }
  void SetFont(TFont* Value);
  bool Hidden() const { return FHidden; }
  void SetHidden(bool Value);
  bool IsMainMenu() const { return FIsMainMenu; }
  void SetIsMainMenu(bool Value);
  TdxBarItemLinks* ItemLinks() const { return FItemLinks; }
  void SetItemLinks(TdxBarItemLinks* Value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value);
  const String& Name() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  TdxBarDockingStyles NotDocking() const { return FNotDocking; }
  void SetNotDocking(TdxBarDockingStyles Value);
  bool OneOnRow() const { return FOneOnRow; }
  void SetOneOnRow(bool Value) { FOneOnRow = Value; }
  bool RotateWhenVertical() const { return FRotateWhenVertical; }
  void SetRotateWhenVertical(bool Value);
  int32_t Row() const { return FRow; }
  void SetRow(int32_t Value) { FRow = Value < 0 ? 0 : Value; }
  bool ShowMark() const { return FShowMark; }
  void SetShowMark(bool Value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool Value);
  bool UseOwnFont() const { return FUseOwnFont; }
  void SetUseOwnFont(bool Value);
  bool UseRecentItems() const { return FUseRecentItems; }
  void SetUseRecentItems(bool Value);
  bool UseRestSpace() const { return FUseRestSpace; }
  void SetUseRestSpace(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool WholeRow() const { return FWholeRow; }
  void SetWholeRow(bool Value);

  TdxBars* Bars() const;
  TdxBarManager* GetBarManager() const;
  TCustomdxBarControl* GetControl() const;
  TdxDockControl* GetEffectiveDock() const;
  void ChangeDocking(TdxBarDockingStyle AStyle, TdxDockControl* ADock);
  int32_t GetExtraWidth(TdxBarDockingStyle AStyle);
  int32_t GetExtraHeight(TdxBarDockingStyle AStyle);
  bool CanClose() const;
  bool IsDockable() const;
  bool IsBottomWholeRow() const;
  bool HasSizeGrip() const;
  bool CanReset() const;
  bool HandleShortCut(TShortCut AShortCut);
  void Reset();
  void ConfirmAndReset();
  void SetNameFromCaption();
  void AddDetachingSubItem(TdxBarItem* AItem);
  void RemoveDetachingSubItem(TdxBarItem* AItem);
  void SetRebuildLocked(bool Value);
  bool IsLoadedFromForm() const { return FLoaded; }
  void SetLoadedFromForm(bool Value) { FLoaded = Value; }
  bool AutoHidden() const { return FAutoHidden; }
  void SetAutoHidden(bool Value) { FAutoHidden = Value; }
  HFONT FontHandle() const { return FFontHandle; }
  // Applies what was read while the manager loaded: the dock control, else the docking style, then Visible.
  void ApplyPendingDocking();
  void ApplyPendingVisible();

protected:
  String GetDisplayName() override;

private:
  friend class TdxBarManager;
  friend class TdxBars;
  bool IsLoading() const;
  bool IsManagerDestroying() const;
  void BackgroundChanged(TObject* Sender);
  void FontChanged(TObject* Sender);
  void ItemLinksChanged(TObject* Sender);
  void NotifyDetachingSubItems();
  void Modified();
  void RebuildWindow();
  void RelayoutWindow();
  void DockingStyleChanged();
  bool IsDockedDockingStyleStored() const { return FDockedDockControl == nullptr; }
  bool IsDockingStyleStored() const { return FDockControl == nullptr; }
  bool IsFontStored() const { return FUseOwnFont; }

  bool FAllowClose = true;
  bool FAllowCustomizing = true;
  bool FAllowQuickCustomizing = true;
  bool FAllowReset = true;
  uint8_t FAlphaBlendValue = 255;
  TBitmap* FBackgroundBitmap = nullptr;
  TdxBarBorderStyle FBorderStyle = bbsSingle;
  String FCaption;
  TColor FColor = 0x20000000;
  TdxBarDockControl* FDockControl = nullptr;
  TdxBarDockControl* FDockedDockControl = nullptr;
  TdxBarDockingStyle FDockedDockingStyle = dsTop;
  int32_t FDockedLeft = 0;
  int32_t FDockedTop = 0;
  TdxBarDockingStyle FDockingStyle = dsNone;
  int32_t FFloatLeft = 0;
  int32_t FFloatTop = 0;
  int32_t FFloatClientWidth = 0;
  int32_t FFloatClientHeight = 0;
  TFont* FFont = nullptr;
  bool FHidden = false;
  bool FIsMainMenu = false;
  TdxBarItemLinks* FItemLinks = nullptr;
  bool FMultiLine = false;
  String FName;
  TdxBarDockingStyles FNotDocking;
  bool FOneOnRow = false;
  bool FRotateWhenVertical = true;
  int32_t FRow = 0;
  bool FShowMark = true;
  bool FSizeGrip = true;
  bool FUseOwnFont = false;
  bool FUseRecentItems = true;
  bool FUseRestSpace = false;
  bool FVisible = false;
  bool FWholeRow = false;

  bool FChangingDocking = false;
  HFONT FFontHandle = nullptr;
  std::vector<TdxBarItem*> FDetachingSubItems;
  bool FFontLock = false;
  bool FAutoHidden = false;
  bool FFreeingWindow = false;
  bool FLoaded = false;
  TdxBarDockControl* FPendingDockControl = nullptr;
  bool FPendingDockControlSet = false;
  TdxBarDockingStyle FPendingDockingStyle = dsNone;
  bool FPendingDockingStyleSet = false;
  bool FPendingVisible = false;
  bool FPendingVisibleSet = false;
  int32_t FRebuildLock = 0;
  bool FRebuildPending = false;
};

class TdxBars : public TCollection {
  RTL_CLASS(TdxBars, TCollection)
public:
  explicit TdxBars(TdxBarManager* ABarManager);
  ~TdxBars() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TdxBar* Items(int32_t Index) const { return static_cast<TdxBar*>(TCollection::Items(Index)); }
  TdxBar* Add() { return static_cast<TdxBar*>(TCollection::Add()); }
  TdxBarManager* BarManager() const { return FBarManager; }
  // The implicit dock of a style (dsLeft .. dsBottom), or nullptr.
  TdxDockControl* DockControls(TdxBarDockingStyle AStyle) const;
  void ClearDockControl(TdxDockControl* ADock);
  int32_t DockZoneMargin() const { return FDockZoneMargin; }
  bool RestoringLayout() const { return FRestoringLayout; }
  void SetRestoringLayout(bool Value) { FRestoringLayout = Value; }
  // The bar being dragged between docks, with the point of it the pointer holds.
  TCustomdxBarControl* DraggedControl() const { return FDraggedControl; }
  void SetDraggedControl(TCustomdxBarControl* Value) { FDraggedControl = Value; }
  bool Dragging() const { return FDragging; }
  void SetDragging(bool Value) { FDragging = Value; }
  POINT DragOffset() const { return FDragOffset; }
  void SetDragOffset(POINT Value) { FDragOffset = Value; }

  String MakeUniqueName(const String& ABase) const;
  void InsertIntoDock(TdxBarDockingStyle AStyle, TdxDockControl* ADock, POINT AScreenPoint,
                      TCustomdxBarControl* ABarControl);
  void RemoveFromDock(TdxBarDockingStyle AStyle, TdxDockControl* ADock, TCustomdxBarControl* ABarControl);

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* AItem) override { (void)AItem; }

private:
  TdxDockControl* FDockControls[5] = {};
  int32_t FDockZoneMargin = 23;
  TdxBarManager* FBarManager;
  bool FRestoringLayout = false;
  TCustomdxBarControl* FDraggedControl = nullptr;
  bool FDragging = false;
  POINT FDragOffset{0, 0};
};

// ---- docks -----------------------------------------------------------------------------------------------------------

class TdxDockRow;

// One bar window in a row: its position in the dock's client coordinates.
class TdxDockCol : public TObject {
  RTL_CLASS(TdxDockCol, TObject)
public:
  TdxDockCol(TdxDockRow* ARow, TCustomdxBarControl* ABarControl) : FRow(ARow), FBarControl(ABarControl) {}
  TdxDockRow* Row() const { return FRow; }
  TCustomdxBarControl* BarControl() const { return FBarControl; }
  POINT Pos{0, 0};
  void StorePosition();

private:
  TdxDockRow* FRow;
  TCustomdxBarControl* FBarControl;
};

class TdxDockRow : public TObject {
  RTL_CLASS(TdxDockRow, TObject)
public:
  explicit TdxDockRow(TdxDockControl* ADock) : FDockControl(ADock) {}
  ~TdxDockRow() override;
  TdxDockControl* DockControl() const { return FDockControl; }
  int32_t GetColumnCount() const { return static_cast<int32_t>(FCols.size()); }
  TdxDockCol* GetColumn(int32_t Index) const { return FCols[static_cast<size_t>(Index)]; }
  int32_t IndexOfBarControl(TCustomdxBarControl* ABarControl) const;

private:
  friend class TdxDockControl;
  TdxDockControl* FDockControl;
  std::vector<TdxDockCol*> FCols;
};

class TdxDockControl : public TCustomControl {
  RTL_CLASS(TdxDockControl, TCustomControl)
public:
  explicit TdxDockControl(TComponent* AOwner);
  // An implicit dock along one edge of the manager's form.
  TdxDockControl(TComponent* AOwner, TdxBarDockingStyle AStyle, TdxBarManager* ABarManager);
  ~TdxDockControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  bool AllowDocking() const { return FAllowDocking; }
  void SetAllowDocking(bool Value) { FAllowDocking = Value; }
  TBitmap* BackgroundBitmap() const { return FBackgroundBitmap; }
  void SetBackgroundBitmap(TBitmap* Value);
  TdxBarManager* BarManager() const { return FBarManager; }
  virtual void SetBarManager(TdxBarManager* Value);

  TdxBars* GetBars() const;
  TdxBarDockingStyle GetDockingStyle() const;
  bool IsVertical() const;
  bool IsHorizontal() const;
  bool IsNearEdge() const;
  bool IsImplicit() const { return FImplicitStyle != dsNone; }
  TdxBarDockingStyle ImplicitStyle() const { return FImplicitStyle; }
  bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  TdxDockRow* GetRow(int32_t Index) const { return FRows[static_cast<size_t>(Index)]; }
  int32_t GetRowCount() const { return static_cast<int32_t>(FRows.size()); }
  // The row and column of a bar window, or false.
  bool FindBarControl(TCustomdxBarControl* ABarControl, int32_t& ARow, int32_t& ACol) const;

  virtual void BackgroundChanged();
  virtual bool CanDockBar(TdxBar* ABar);
  virtual void UpdateColor();
  virtual int32_t CalcRowsSize();
  virtual bool GetSunkenBorder();
  virtual TCustomForm* GetOwnerForm();
  virtual void DrawBackground(HDC DC, const RECT& R, TColor AColor, HBRUSH ABrush, const RECT& ASourceRect);
  virtual bool HasBackgroundBitmap() const;
  virtual bool IsDoubleBufferNeeded() const;
  virtual void RefreshBars();
  virtual void ClearBackgroundCache();
  virtual void UpdateDoubleBuffered();

  void InsertBar(TCustomdxBarControl* ABarControl, POINT AScreenPoint, bool ARealign);
  void RemoveBar(TCustomdxBarControl* ABarControl, TdxDockCol* ACol, bool ARealign);
  void MoveBar(TCustomdxBarControl* ABarControl, POINT AScreenPoint);
  void StoreBarPositions();
  RECT GetDockZone();
  // The across extent [lo, hi) of a row (in client coordinates).
  void GetRowRange(int32_t ARow, int32_t& ALo, int32_t& AHi);
  // The insert zone of a row index (-1 .. row count), split into part 0, the new-row band and part 2.
  void GetInsertZone(int32_t ARow, int32_t& ALo, int32_t& AHi, int32_t& ABand);
  // The row a client across coordinate drops into, and whether a new row is made there.
  int32_t RowFromPoint(int32_t AAcross, bool& ANewRow);
  int32_t ColumnFromPoint(int32_t ARow, POINT AScreenPoint);
  POINT SnapToRow(int32_t ARow, bool AOneOnRow, POINT AScreenPoint);
  void UpdateLayout();
  void LayoutRows();
  void AdjustSize();
  void RecreateFrames();

  void WndProc(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  // The client size across for a dock without rows: 0 at run time.
  virtual int32_t EmptySize() { return 0; }
  bool IsLayoutSuppressed() const;

private:
  void BackgroundBitmapChanged(TObject* Sender);
  void FreeRows();
  int32_t ClientExtentAcross();
  int32_t ClientExtentAlong();

  bool FAllowDocking = true;
  TBitmap* FBackgroundBitmap = nullptr;
  TBitmap* FBackgroundCache = nullptr;
  TdxBarManager* FBarManager = nullptr;
  TdxBarDockingStyle FImplicitStyle = dsNone;
  std::vector<TdxDockRow*> FRows;
};

class TdxBarDockControl : public TdxDockControl {
  RTL_CLASS(TdxBarDockControl, TdxDockControl)
  RTL_PUBLISHED_DECL
public:
  explicit TdxBarDockControl(TComponent* AOwner);
  void AfterConstruction() override;

  TdxBarDockAlign Align() const;
  void SetAlign(TdxBarDockAlign Value);
  bool AllowZeroSizeInDesignTime() const { return FAllowZeroSizeInDesignTime; }
  void SetAllowZeroSizeInDesignTime(bool Value);
  TColor Color() const { return TControl::Color(); }
  void SetColor(TColor Value);
  bool ParentColor() const { return TControl::ParentColor(); }
  void SetParentColor(bool Value);
  bool SunkenBorder() { return GetSunkenBorder(); }
  void SetSunkenBorder(bool Value);
  bool UseOwnColor() const { return FUseOwnColor; }
  void SetUseOwnColor(bool Value);
  bool UseOwnSunkenBorder() const { return FUseOwnSunkenBorder; }
  void SetUseOwnSunkenBorder(bool Value);

  void BackgroundChanged() override;
  bool CanDockBar(TdxBar* ABar) override;
  void UpdateColor() override;
  int32_t CalcRowsSize() override;
  bool GetSunkenBorder() override;
  TCustomForm* GetOwnerForm() override;

  void WndProc(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  int32_t EmptySize() override;

private:
  bool IsColorStored() const { return FUseOwnColor && !ParentColor(); }
  bool FAllowZeroSizeInDesignTime = false;
  bool FSizing = false;
  bool FOwnSunkenBorder = false;
  bool FUseOwnColor = false;
  bool FUseOwnSunkenBorder = false;
};

// ---- categories, groups, popup menus and their links, backgrounds -------------------------------------------------

class TdxBarCategoryData : public TObject {
  RTL_CLASS(TdxBarCategoryData, TObject)
public:
  TdxBarItemVisible ItemsVisible = ivAlways;
  TdxBarItemVisible PendingItemsVisible = ivAlways;
  bool PendingSet = false;
  bool Visible = true;
};

// The category names of a manager; an item's Category indexes them. Inserting, deleting, exchanging and
// moving categories keep the items' categories in step; deleting a category frees its items.
class TdxBarManagerCategories : public TStringList {
  RTL_CLASS(TdxBarManagerCategories, TStringList)
public:
  explicit TdxBarManagerCategories(TdxBarManager* ABarManager);
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TdxBarManager* BarManager() const { return FBarManager; }
  void Clear() override;
  void Delete(int32_t Index) override;
  void Exchange(int32_t Index1, int32_t Index2) override;
  void InsertObject(int32_t Index, const String& S, TObject* AObject) override;
  void Move(int32_t CurIndex, int32_t NewIndex) override;
  TdxBarCategoryData* Data(int32_t Index);
  TdxBarCategoryData* NeedData(int32_t Index);

protected:
  void DefineProperties(TFiler* Filer) override;
  void Changed() override;

private:
  void ReadStrings(TReader* Reader);
  void WriteStrings(TWriter* Writer);
  void ReadItemsVisibles(TReader* Reader);
  void WriteItemsVisibles(TWriter* Writer);
  void ReadVisibles(TReader* Reader);
  void WriteVisibles(TWriter* Writer);
  void SetItemsCategory(int32_t AFrom, int32_t ATo);

  TdxBarManager* FBarManager;
  bool FMoving = false;
};

// Switches Enabled and Visible of many items (and nested groups) at once.
class TdxBarGroup : public TComponent {
  RTL_CLASS(TdxBarGroup, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TdxBarGroup(TComponent* AOwner);
  ~TdxBarGroup() override;
  void BeforeDestruction() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TdxBarItemVisible Visible() const { return FVisible; }
  void SetVisible(TdxBarItemVisible Value);
  TdxBarManager* BarManager() const { return FBarManager; }
  void SetBarManager(TdxBarManager* Value);

  void AddMember(TComponent* AComponent);
  void RemoveMember(TComponent* AComponent);
  int32_t IndexOfMember(TComponent* AComponent) const;
  void MoveMember(int32_t CurIndex, int32_t NewIndex);
  int32_t MemberCount() const { return static_cast<int32_t>(FMembers.size()); }
  TComponent* Members(int32_t Index) const;
  // Whether AGroup is this group or one of its members at any depth.
  bool Contains(TdxBarGroup* AGroup) const;
  int32_t Index() const;
  void SetIndex(int32_t Value);

  TComponent* GetParentComponent() const override;
  bool HasParent() const override;
  void SetParentComponent(TComponent* Value) override;
  void SetName(const String& NewName) override;
  void Loaded() override;

protected:
  void DefineProperties(TFiler* Filer) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void ReadItems(TReader* Reader);
  void WriteItems(TWriter* Writer);
  bool LocksUpdates() const;
  // Applies AApply to every member item and group, under the manager's update lock.
  template <class F>
  void ForMembers(F AApply);

  bool FEnabled = true;
  TdxBarItemVisible FVisible = ivAlways;
  std::vector<TComponent*> FMembers;
  TdxBarManager* FBarManager = nullptr;
  std::vector<String> FLoadedNames;
};

// A popup menu of a bar manager: its links, shown at a point. The menu window belongs to the bar controls
// library; without it Popup only runs the shortcut search and OnPopup.
class TdxBarPopupMenu : public TComponent {
  RTL_CLASS(TdxBarPopupMenu, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TdxBarPopupMenu(TComponent* AOwner);
  ~TdxBarPopupMenu() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TdxBarManager* BarManager() const { return FBarManager; }
  void SetBarManager(TdxBarManager* Value);
  TdxBarItemLinks* ItemLinks() const { return FItemLinks; }
  void SetItemLinks(TdxBarItemLinks* Value);
  TCustomdxBarControl* SubMenuControl() const;
  virtual bool IsShowing() const;
  virtual void Popup(int32_t X, int32_t Y);
  // Runs the item of the links whose shortcut matches; true when one took it.
  virtual bool ProcessShortCut(TShortCut AShortCut);
  virtual void DesignerModified() {}
  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TdxBarManager* FBarManager = nullptr;
  TdxBarItemLinks* FItemLinks = nullptr;
};

class TdxBarPopupMenuLink : public TCollectionItem {
  RTL_CLASS(TdxBarPopupMenuLink, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TCollection*;
  explicit TdxBarPopupMenuLink(TCollection* ACollection) : TCollectionItem(ACollection) {}
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;

  TWinControl* Control() const { return FControl; }
  void SetControl(TWinControl* Value);
  TdxBarPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TdxBarPopupMenu* Value);
  bool ProcessChildren() const { return FProcessChildren; }
  void SetProcessChildren(bool Value) { FProcessChildren = Value; }
  TdxBarPopupMenuLinkActionEvent OnAction;

  TdxBarManager* BarManager() const;
  // Offers a context popup to this link; true when handled.
  bool ShowPopup(TWinControl* AControl, HWND AWindow, POINT APoint);
  bool ProcessShortCut(TShortCut AShortCut);

private:
  friend class TdxBarManager;
  TWinControl* FControl = nullptr;
  TdxBarPopupMenu* FPopupMenu = nullptr;
  bool FProcessChildren = true;
};

class TdxBarPopupMenuLinks : public TCollection {
  RTL_CLASS(TdxBarPopupMenuLinks, TCollection)
public:
  explicit TdxBarPopupMenuLinks(TdxBarManager* ABarManager);
  TdxBarPopupMenuLink* Items(int32_t Index) const {
    return static_cast<TdxBarPopupMenuLink*>(TCollection::Items(Index));
  }
  TdxBarPopupMenuLink* Add() { return static_cast<TdxBarPopupMenuLink*>(TCollection::Add()); }
  TdxBarManager* BarManager() const { return FBarManager; }
  // The context popup of AControl (the point in screen coordinates, or (-1, -1) from the keyboard).
  bool ShowPopup(TWinControl* AControl, HWND AWindow, POINT APoint);
  bool ProcessShortCut(TWinControl* AControl, TShortCut AShortCut);

protected:
  TPersistent* GetOwner() override;

private:
  template <class F>
  bool ForControl(TWinControl* AControl, F ATry);
  TdxBarManager* FBarManager;
};

class TdxBarBackgrounds : public TPersistent {
  RTL_CLASS(TdxBarBackgrounds, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TdxBarBackgrounds(TdxBarManager* ABarManager);
  ~TdxBarBackgrounds() override;
  void Assign(TPersistent* Source) override;
  TBitmap* Bar() const { return FBar; }
  void SetBar(TBitmap* Value);
  TBitmap* SubMenu() const { return FSubMenu; }
  void SetSubMenu(TBitmap* Value);

protected:
  TPersistent* GetOwner() override;

private:
  void BarChanged(TObject* Sender);
  TdxBarManager* FBarManager;
  TBitmap* FBar;
  TBitmap* FSubMenu;
};

// ---- the manager -----------------------------------------------------------------------------------------------------

class TdxBarManager : public TComponent {
  RTL_CLASS(TdxBarManager, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TdxBarManager(TComponent* AOwner);
  ~TdxBarManager() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // ---- published properties
  bool AllowCallFromAnotherForm() const { return FAllowCallFromAnotherForm; }
  void SetAllowCallFromAnotherForm(bool Value) { FAllowCallFromAnotherForm = Value; }
  bool AllowReset() const { return FAllowReset; }
  void SetAllowReset(bool Value) { FAllowReset = Value; }
  bool AlwaysMerge() const { return FAlwaysMerge; }
  void SetAlwaysMerge(bool Value) { FAlwaysMerge = Value; }
  bool AlwaysSaveText() const { return FAlwaysSaveText; }
  void SetAlwaysSaveText(bool Value) { FAlwaysSaveText = Value; }
  bool AutoDockColor() const { return FAutoDockColor; }
  void SetAutoDockColor(bool Value);
  bool AutoHideEmptyBars() const { return FAutoHideEmptyBars; }
  void SetAutoHideEmptyBars(bool Value);
  bool Scaled() const { return FScaled; }
  void SetScaled(bool Value);
  TFont* Font() const { return FFont; }
  void SetFont(TFont* Value);
  TdxBarBackgrounds* Backgrounds() const { return FBackgrounds; }
  void SetBackgrounds(TdxBarBackgrounds* Value);
  TdxBars* Bars() const { return FBars; }
  void SetBars(TdxBars* Value);
  int32_t ButtonArrowWidth() const { return FButtonArrowWidth; }
  void SetButtonArrowWidth(int32_t Value);
  bool CanCustomize() const { return FCanCustomize; }
  void SetCanCustomize(bool Value) { FCanCustomize = Value; }
  TdxBarManagerCategories* Categories() const { return FCategories; }
  void SetCategories(TStrings* Value);
  TColor DockColor() const;
  void SetDockColor(TColor Value);
  bool FlatCloseButton() const { return FFlatCloseButton; }
  void SetFlatCloseButton(bool Value);
  TBitmap* HelpButtonGlyph() const { return FHelpButtonGlyph; }
  void SetHelpButtonGlyph(TBitmap* Value);
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t Value) { FHelpContext = Value; }
  bool HideFloatingBarsWhenInactive() const { return FHideFloatingBarsWhenInactive; }
  void SetHideFloatingBarsWhenInactive(bool Value);
  TCustomImageList* Images() const { return FImages[0]; }
  void SetImages(TCustomImageList* Value) { SetImageList(0, Value); }
  TCustomImageList* LargeImages() const { return FImages[1]; }
  void SetLargeImages(TCustomImageList* Value) { SetImageList(1, Value); }
  TCustomImageList* HotImages() const { return FImages[2]; }
  void SetHotImages(TCustomImageList* Value) { SetImageList(2, Value); }
  TCustomImageList* DisabledImages() const { return FImages[3]; }
  void SetDisabledImages(TCustomImageList* Value) { SetImageList(3, Value); }
  TCustomImageList* DisabledLargeImages() const { return FImages[4]; }
  void SetDisabledLargeImages(TCustomImageList* Value) { SetImageList(4, Value); }
  TColor ImageListBkColor() const { return FImageListBkColor; }
  void SetImageListBkColor(TColor Value);
  const String& IniFileName() const { return FIniFileName; }
  void SetIniFileName(const String& Value) { FIniFileName = Value; }
  int32_t LargeButtonArrowWidth() const { return FLargeButtonArrowWidth; }
  void SetLargeButtonArrowWidth(int32_t Value);
  bool LargeIcons() const { return FLargeIcons; }
  void SetLargeIcons(bool Value);
  TcxLookAndFeel* LookAndFeel() const { return FLookAndFeel; }
  void SetLookAndFeel(TcxLookAndFeel* Value);
  bool MakeDisabledImagesFaded() const { return FMakeDisabledImagesFaded; }
  void SetMakeDisabledImagesFaded(bool Value);
  TdxBarMenuAnimations MenuAnimations() const { return FMenuAnimations; }
  void SetMenuAnimations(TdxBarMenuAnimations Value);
  bool MenusShowRecentItemsFirst() const { return FMenusShowRecentItemsFirst; }
  void SetMenusShowRecentItemsFirst(bool Value);
  uint8_t MostRecentItemsPercents() const { return FMostRecentItemsPercents; }
  // Values above 100 become 100 (an int so that out-of-range values can be given at all).
  void SetMostRecentItemsPercents(int32_t Value);
  TdxBarDockingStyles NotDocking() const { return FNotDocking; }
  void SetNotDocking(TdxBarDockingStyles Value);
  TdxBarPopupMenuLinks* PopupMenuLinks() const { return FPopupMenuLinks; }
  void SetPopupMenuLinks(TdxBarPopupMenuLinks* Value);
  const String& RegistryPath() const { return FRegistryPath; }
  void SetRegistryPath(const String& Value) { FRegistryPath = Value; }
  bool ShowCloseButton() const { return FShowCloseButton; }
  void SetShowCloseButton(bool Value);
  bool ShowFullMenusAfterDelay() const { return FShowFullMenusAfterDelay; }
  void SetShowFullMenusAfterDelay(bool Value);
  bool ShowHelpButton() const { return FShowHelpButton; }
  void SetShowHelpButton(bool Value) { FShowHelpButton = Value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool ShowHintForDisabledItems() const { return FShowHintForDisabledItems; }
  void SetShowHintForDisabledItems(bool Value) { FShowHintForDisabledItems = Value; }
  bool ShowShortCutInHint() const { return FShowShortCutInHint; }
  void SetShowShortCutInHint(bool Value);
  bool StoreInIniFile() const { return FStoreInIniFile; }
  void SetStoreInIniFile(bool Value) { FStoreInIniFile = Value; }
  bool StoreInRegistry() const { return FStoreInRegistry; }
  void SetStoreInRegistry(bool Value) { FStoreInRegistry = Value; }
  bool StretchGlyphs() const { return FStretchGlyphs; }
  void SetStretchGlyphs(bool Value) { FStretchGlyphs = Value; }
  TdxBarManagerStyle Style() const { return FStyle; }
  void SetStyle(TdxBarManagerStyle Value);
  bool SunkenBorder() const { return FSunkenBorder; }
  void SetSunkenBorder(bool Value);
  bool UseF10ForMenu() const { return FUseF10ForMenu; }
  void SetUseF10ForMenu(bool Value) { FUseF10ForMenu = Value; }
  bool UseFullReset() const { return FUseFullReset; }
  void SetUseFullReset(bool Value) { FUseFullReset = Value; }
  bool UseLargeImagesForLargeIcons() const { return FUseLargeImagesForLargeIcons; }
  void SetUseLargeImagesForLargeIcons(bool Value);
  bool UseSystemFont() const { return FUseSystemFont; }
  void SetUseSystemFont(bool Value);
  int32_t WaitForDockingTime() const { return FWaitForDockingTime; }
  void SetWaitForDockingTime(int32_t Value);

  TdxBarEvent OnBarAdd;
  TdxBarEvent OnBarAfterReset;
  TdxBarEvent OnBarBeforeReset;
  TdxBarEvent OnBarClose;
  TdxBarEvent OnBarDelete;
  TdxBarEvent OnBarDockingStyleChange;
  TdxBarVisibleChangeEvent OnBarVisibleChange;
  TdxBarItemLinkEvent OnItemLinkAdd;
  TdxBarItemLinkEvent OnItemLinkChange;
  TdxBarItemLinkEvent OnItemLinkDelete;
  TNotifyEvent OnCloseButtonClick;
  TNotifyEvent OnHelpButtonClick;
  TNotifyEvent OnHideCustomizingForm;
  TNotifyEvent OnShowCustomizingForm;
  TdxBarCanDockingEvent OnDocking;
  TdxBarMenuMergeEvent OnMenuMerge;
  TdxBarShowPopupEvent OnShowCustomizingPopup;
  TdxBarShowPopupEvent OnShowToolbarsPopup;
  TdxBarClickItemEvent OnClickItem;

  // ---- overridable operations
  virtual void DoClickItem(TdxBarItem* ClickedItem);
  virtual bool CanDock(TdxBar* ABar, TdxBarDockingStyle AStyle, TdxDockControl* ADockControl);
  virtual TdxBarItemControlPainterClass GetPainterClass();

  void DoBarAfterReset(TdxBar* ABar);
  void DoBarBeforeReset(TdxBar* ABar);
  void DoBarClose(TdxBar* ABar);
  void DoBarDockingStyleChange(TdxBar* ABar);
  void DoCloseButtonClick();
  void DoHelpButtonClick();
  void DoShowCustomizingPopup(TdxBarItemLinks* PopupItemLinks);
  void DoShowToolbarsPopup(TdxBarItemLinks* PopupItemLinks);

  // ---- categories and items
  TdxBarItemVisible GetCategoryItemsVisible(int32_t Index);
  void SetCategoryItemsVisible(int32_t Index, TdxBarItemVisible Value);
  bool GetCategoryVisible(int32_t Index);
  void SetCategoryVisible(int32_t Index, bool Value);
  int32_t GetVisibleCategoryIndex(int32_t N);
  int32_t GetItemsOfCategory(int32_t Category, TList* List);
  int32_t GetVisibleItemsOfCategory(int32_t Category, TList* List);
  int32_t GetItemCount() const { return static_cast<int32_t>(FItems.size()); }
  TdxBarItem* GetItem(int32_t Index) const;
  void MoveItem(int32_t CurIndex, int32_t NewIndex);
  void ExchangeItems(int32_t Index1, int32_t Index2);
  TdxBarItem* FindItemByName(const String& AName) const;
  TdxBar* FindBarByCaption(const String& ACaption) const;
  TdxBar* FindBarByName(const String& AName) const;
  String MakeUniqueItemName(TClass AItemClass) const;
  int32_t IndexOfItem(const TdxBarItem* AItem) const;

  // ---- docks and groups
  int32_t GetDockControlCount() const { return static_cast<int32_t>(FDockControls.size()); }
  TdxDockControl* GetDockControl(int32_t Index) const { return FDockControls[static_cast<size_t>(Index)]; }
  void AddDockControl(TdxDockControl* ADock);
  void RemoveDockControl(TdxDockControl* ADock);
  TdxBarGroup* AddGroup();
  int32_t GroupCount() const { return static_cast<int32_t>(FGroups.size()); }
  TdxBarGroup* Groups(int32_t Index) const { return FGroups[static_cast<size_t>(Index)]; }
  TdxBarDockControl* FindDockControlByPath(const String& APath);
  // The layout the form's resource declares: a new form without owner holding a copy of this manager, or
  // nullptr when the form has no resource; the caller frees it.
  TCustomForm* LoadDesignCopy();

  // ---- states
  bool IsCustomizing() const { return FIsCustomizing || FDesigning; }
  void SetCustomizingFlag(bool Value) { FIsCustomizing = Value; }
  bool IsDesigning() const { return FDesigning; }
  bool IsBeingDestroyed() const { return ComponentState().Contains(csDestroying); }
  bool IsLoading() const { return ComponentState().Contains(csLoading); }
  bool IsRecentItemsStyle();
  bool IsShowRecentItemsFirst();
  bool IsLargeImagesUsed() const;
  bool CanReset() const;
  TdxBarManagerStyle GetEffectiveStyle();
  bool ThemeClassesAvailable() const { return FThemeClassesAvailable; }
  TdxBarItemControlPainterClass PainterClass() const { return FPainterClass; }
  void UpdateButtonMetrics();
  void StyleChanged();
  void RefreshBackgrounds();
  int32_t GetFloatingFrameWidth();
  int32_t GetFloatingFrameHeight();
  int32_t GetGripSize(TdxBar* ABar);
  int32_t InitialUseCount() const { return FInitialUseCount; }
  int32_t GlyphSize() const { return FGlyphSize; }
  int32_t ButtonWidth() const { return FButtonWidth; }
  int32_t ButtonHeight() const { return FButtonHeight; }
  int32_t ButtonArrowWidthMetric() const { return FButtonArrowWidthMetric; }
  int32_t DragGripIndent() const { return FPainterMetrics[0]; }
  int32_t GripAreaSize() const { return FPainterMetrics[1]; }
  int32_t MenuSeparatorIndent() const { return FPainterMetrics[2]; }
  HBRUSH FlatBrush(int32_t Index) const { return FFlatBrushes[Index]; }
  HBRUSH ThemedToolbarBrush() const { return FFlatBrushes[5]; }
  HFONT FontHandle() const { return FFontHandle; }
  HWND GetActiveMDIChild();
  void SetUpdateLock(bool Value);
  bool UpdateLock() const { return FLockUpdate; }
  TdxBarItemControl* SelectedControl() const { return FSelectedControl; }
  void SetSelectedControl(TdxBarItemControl* Control);
  void ClearSelectedControl() { FSelectedControl = nullptr; }
  void Modified();
  void CloseActiveMenus();
  TWinControl* GetDragOwnerWindow();
  void ItemCategoryChanged(TdxBarItem* Item);
  TCustomForm* OwnerForm() const { return FOwnerForm; }
  TdxBar* MainMenuBar() const { return FMainMenuBar; }
  int32_t ReadStateCount() const { return FReadStateCount; }
  bool InLoaded() const { return FLoadedInProgress; }
  // How many times the form designer heard of a change (design time only).
  int32_t DesignerModifiedCount() const { return FDesignerModifiedCount; }
  int32_t PopupMenuCount() const { return static_cast<int32_t>(FPopupMenus.size()); }
  TdxBarPopupMenu* PopupMenus(int32_t Index) const { return FPopupMenus[static_cast<size_t>(Index)]; }
  // The bars to show again when a dock's window is made again.
  std::vector<TdxBar*>& PendingVisibleBars() { return FPendingVisibleBars; }
  bool PendingVisibleStarted() const { return FPendingVisibleStarted; }
  void SetPendingVisibleStarted(bool Value) { FPendingVisibleStarted = Value; }
  // Takes the system menu font (after a change of the system's settings).
  void TakeSystemFont();
  void RecalcColors();

  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  void SetName(const String& NewName) override;
  void ReadState(TReader* Reader) override;
  void Loaded() override;

protected:
  void DefineProperties(TFiler* Filer) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TdxBarItem;
  friend class TdxBarGroup;
  friend class TdxBarManagerCategories;
  friend class TdxBarPopupMenu;
  friend class TdxBar;
  friend class TdxDockControl;
  void CheckOwner(TComponent* AOwner);
  void SetImageList(int32_t AIndex, TCustomImageList* Value);
  void ImageListChanged(TObject* Sender);
  void RefreshItemGlyphs(int32_t AListIndex);
  void FontChanged(TObject* Sender);
  void HelpButtonGlyphChanged(TObject* Sender) { (void)Sender; }
  void ThemeChanged();
  void CreateColors();
  void FreeColors();
  void ApplyFontToBars();
  void RebuildAllBarWindows();
  void RefreshCustomizingForm() {}
  void ReadDockControlHeights(TReader* Reader);
  void WriteDockControlHeights(TWriter* Writer);
  void UpdateInitialUseCount();
  void AddItem(TdxBarItem* AItem);
  void RemoveItem(TdxBarItem* AItem);
  void AddGroupToList(TdxBarGroup* AGroup);
  void RemoveGroupFromList(TdxBarGroup* AGroup);
  void AddPopupMenu(TdxBarPopupMenu* AMenu);
  void RemovePopupMenu(TdxBarPopupMenu* AMenu);
  bool IsDockColorStored() const { return !FAutoDockColor; }

  bool FAllowCallFromAnotherForm = false;
  bool FAllowReset = true;
  bool FAlwaysMerge = false;
  bool FAlwaysSaveText = false;
  bool FAutoDockColor = true;
  bool FAutoHideEmptyBars = false;
  bool FScaled = true;
  TFont* FFont = nullptr;
  TdxBarBackgrounds* FBackgrounds = nullptr;
  TdxBars* FBars = nullptr;
  int32_t FButtonArrowWidth = 11;
  bool FCanCustomize = true;
  TdxBarManagerCategories* FCategories = nullptr;
  TColor FDockColor;
  bool FFlatCloseButton = false;
  TBitmap* FHelpButtonGlyph = nullptr;
  int32_t FHelpContext = 0;
  bool FHideFloatingBarsWhenInactive = true;
  TCustomImageList* FImages[5] = {};
  TChangeLink* FImageChangeLinks[5] = {};
  TColor FImageListBkColor;
  String FIniFileName;
  int32_t FLargeButtonArrowWidth = 13;
  bool FLargeIcons = false;
  TcxLookAndFeel* FLookAndFeel = nullptr;
  bool FMakeDisabledImagesFaded = false;
  TdxBarMenuAnimations FMenuAnimations = maNone;
  bool FMenusShowRecentItemsFirst = true;
  uint8_t FMostRecentItemsPercents = 95;
  TdxBarDockingStyles FNotDocking;
  TdxBarPopupMenuLinks* FPopupMenuLinks = nullptr;
  String FRegistryPath;
  bool FShowCloseButton = false;
  bool FShowFullMenusAfterDelay = true;
  bool FShowHelpButton = false;
  bool FShowHint = true;
  bool FShowHintForDisabledItems = true;
  bool FShowShortCutInHint = false;
  bool FStoreInIniFile = false;
  bool FStoreInRegistry = false;
  bool FStretchGlyphs = true;
  TdxBarManagerStyle FStyle = bmsEnhanced;
  bool FSunkenBorder = false;
  bool FUseF10ForMenu = true;
  bool FUseFullReset = false;
  bool FUseLargeImagesForLargeIcons = false;
  bool FUseSystemFont = false;
  int32_t FWaitForDockingTime = 21;

  // Private state.
  bool FCreatingFailed = true;
  bool FReady = false;
  bool FStyleChanging = false;
  bool FDesigning = false;
  std::vector<TdxDockControl*> FDockControls;
  HFONT FFontHandle = nullptr;
  bool FLoadedInProgress = false;
  HBRUSH FFlatBrushes[6] = {};
  bool FThemeClassesAvailable = false;
  TCustomdxBarControl* FMenuModeBar = nullptr;
  std::vector<TdxBarGroup*> FGroups;
  std::vector<TdxBarItem*> FItems;
  bool FSettingSystemFont = false;
  bool FIsCustomizing = false;
  std::vector<TdxBar*> FPendingVisibleBars;
  bool FPendingVisibleStarted = false;
  bool FLockUpdate = false;
  TCustomForm* FOwnerForm = nullptr;
  bool FFormActive = false;
  TdxBar* FMainMenuBar = nullptr;
  int32_t FInitialUseCount = 20;
  TdxBarItemControlPainterClass FPainterClass = nullptr;
  std::vector<TdxBarPopupMenu*> FPopupMenus;
  int32_t FReadStateCount = 0;
  TdxBarItemControl* FSelectedControl = nullptr;
  TdxThemeChangedNotificator* FThemeNotificator = nullptr;
  int32_t FPainterMetrics[3] = {};
  int32_t FGlyphSize = 16;
  int32_t FButtonWidth = 23;
  int32_t FButtonHeight = 22;
  int32_t FButtonArrowWidthMetric = 11;
  bool FColorsCreated = false;
  bool FOffice11Acquired = false;
  int32_t FDesignerModifiedCount = 0;
  int32_t FStoredDockSizes[4] = {};
  bool FStoredDockSizesRead = false;
};

// Every manager of the process.
int32_t BarManagerCount();
TdxBarManager* BarManagers(int32_t Index);
// The manager whose owner form is AForm, or nullptr.
TdxBarManager* GetBarManagerByForm(TCustomForm* AForm);
// The manager a new item or popup menu of AOwner joins: the form's manager when AOwner is a form,
// otherwise the first manager of the process (nullptr when there is none).
TdxBarManager* FindBarManagerFor(TComponent* AOwner);

// Items the bars make for their own menus; FreeUnusedTemporaryItems frees those none of whose links is shown.
void AddTemporaryItem(TdxBarItem* AItem);
void RemoveTemporaryItem(TdxBarItem* AItem);
int32_t TemporaryItemCount();
void FreeUnusedTemporaryItems();

// While set, a link assigned from a design copy takes the item of the real form of that name.
bool dxBarResetting();
