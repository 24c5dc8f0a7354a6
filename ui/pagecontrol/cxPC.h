#pragma once
// The suite's tab strip and page control. TcxCustomTabControl keeps the tabs (TcxTabs of TcxTab), the
// sorted list of visible tabs, the selected, hot, pressed and keyboard-focused tab, and hands every number
// of geometry and every pixel to one painter object picked by style (cxPCPainters.h). The layout, the
// mouse and keyboard handling and the go-to-page menu live here too; TcxPageControl turns the strip into a
// page switcher of TcxTabSheet children.
//
// The interface is shared with the style painters, which another library half builds on: members are
// added, never renamed or removed.

#include <cstdint>
#include <vector>

#include "forms/Controls.h"
#include "forms/ImgList.h"
#include "forms/Menus.h"
#include "rtl/Classes.h"
#include "rtl/StringLists.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeels.h"

class TcxCustomTabControl;
class TcxPCCustomPainter;
class TcxPCPainterClassRec;
class TcxPCImageList;
class TcxPCGoDialog;
class TcxPageControl;
class TcxTabSheet;
class TcxTabs;
// A painter style: the constant object that answers the style's class-level questions and makes painters.
using TcxPCPainterClass = const TcxPCPainterClassRec*;

// ---- enumerations ---------------------------------------------------------------------------------------

enum TcxTabPosition : uint8_t { tpTop, tpBottom, tpLeft, tpRight };
RTL_ENUM(TcxTabPosition, tpTop, tpBottom, tpLeft, tpRight)

enum TcxPCNavigatorPosition : uint8_t { npLeftTop, npLeftBottom, npRightTop, npRightBottom };
RTL_ENUM(TcxPCNavigatorPosition, npLeftTop, npLeftBottom, npRightTop, npRightBottom)

enum TcxPCOption : uint8_t { pcoGoDialog, pcoNoArrows, pcoSort, pcoTopToBottomText };
RTL_ENUM(TcxPCOption, pcoGoDialog, pcoNoArrows, pcoSort, pcoTopToBottomText)
using TcxPCOptions = Set<TcxPCOption>;

// Identifier of a registered painter style; 0: the style follows the look-and-feel.
using TcxPCStyleID = int32_t;
constexpr TcxPCStyleID cxPCDefaultStyle = 0;
constexpr TcxPCStyleID cxPCNoStyle = -1;

// Navigator buttons: 0 scrolls towards the start of the strip, 1 towards the end, 2 opens the go-to-page menu.
enum TcxPCNavigatorButton : uint8_t { nbTopLeft, nbBottomRight, nbGoDialog };
RTL_ENUM(TcxPCNavigatorButton, nbTopLeft, nbBottomRight, nbGoDialog)
using TcxPCNavigatorButtons = Set<TcxPCNavigatorButton>;

enum TcxPCNavigatorButtonState : uint8_t { nbsNormal, nbsPressed, nbsHotTrack, nbsDisabled };
RTL_ENUM(TcxPCNavigatorButtonState, nbsNormal, nbsPressed, nbsHotTrack, nbsDisabled)

// What changed about a tab, as the tab list reports it (TcxTabs::TabChanged).
enum TcxPCTabPropertyChanged : uint8_t {
  tpcNotSpecified,  // 0 caption without size change, image index, images needing a redraw
  tpcEnabled,       // 1
  tpcFocused,       // 2 the control's focus (the selected tab)
  tpcHighlighted,   // 3
  tpcHotTrack,      // 4 the hot tab changed
  tpcIsMainTab,     // 5 the selected tab changed
  tpcLayout,        // 6 a new layout is needed
  tpcPressed,       // 7 the pressed tab changed
  tpcSelected,      // 8 the extra selection
  tpcTracking       // 9 the keyboard-focused tab changed
};

// Text orientation: horizontal, vertical reading bottom to top, vertical reading top to bottom.
enum TcxPCTextOrientation : uint8_t { pctoHorizontal, pctoBottomToTop, pctoTopToBottom };

// One of the twelve ways a tab is drawn, by its row side and its text orientation (1..12).
using TcxPCTabDrawingVariant = int32_t;

// ---- events -------------------------------------------------------------------------------------------------

class TcxTab;
using TcxDrawTabEvent = Event<TcxCustomTabControl*, TcxTab*, bool&>;
using TcxDrawTabExEvent = Event<TcxCustomTabControl*, TcxTab*, TFont*>;
using TcxGetTabImageEvent = Event<TObject*, int32_t, int32_t&>;
using TcxTabChangingEvent = Event<TObject*, bool&>;
using TcxPageChangingEvent = Event<TObject*, TcxTabSheet*, bool&>;

// ---- layout records -----------------------------------------------------------------------------------------

// What the painter answers for a set of navigator buttons (TcxPCCustomPainter::CalculateTabsAreaGeometry).
struct TcxPCTabsAreaGeometry {
  RECT TabsRect{};              // where tabs may show; along the strip it leaves the navigator out
  int32_t NearAreaExtension = 0;
  int32_t FarAreaExtension = 0;
  int32_t AreaGap = 0;          // least distance kept between the near and the far row area
  int32_t AvailableLength = 0;  // length of a row; 0 or less: no room
  RECT RowsRect{};              // along start: where the first tab begins; across: where near/far rows begin
};

// The first and the last visible index of each row.
struct TcxPCLineIndexBounds {
  int32_t Left = 0;
  int32_t Right = -1;
};
using TcxPCLineIndexBoundsArray = std::vector<TcxPCLineIndexBounds>;

// ---- tabs -----------------------------------------------------------------------------------------------------

class TcxTab : public TPersistent {
  RTL_CLASS(TcxTab, TPersistent)
public:
  TcxTab(TcxTabs* AOwner, int32_t AIndex);
  ~TcxTab() override;
  void Assign(TPersistent* Source) override;

  String Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  String DisplayCaption() const { return FDisplayCaption; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Highlighted() const { return FHighlighted; }
  void SetHighlighted(bool Value);
  // The resolved image index (TcxCustomTabControl::GetTabImageIndex); the stored value is StoredImageIndex.
  int32_t ImageIndex() const;
  void SetImageIndex(int32_t Value);
  int32_t StoredImageIndex() const { return FImageIndex; }
  bool IsImageIndexStored() const { return FImageIndex != FIndex; }
  bool Selected() const { return FSelected; }
  void SetSelected(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  int32_t Index() const { return FIndex; }
  TObject* Object() const { return FObject; }
  void SetObject(TObject* Value) { FObject = Value; }

  // Layout results.
  int32_t Row() const { return FRow; }
  int32_t VisibleRow() const { return FVisibleRow; }
  POINT Position() const { return FPosition; }
  int32_t NormalWidth() const { return FNormalWidth; }
  RECT Correction() const { return FCorrection; }
  // Length along its row: NormalWidth, or the tab list's StandardTabHeight with Rotate.
  int32_t NormalLength() const;

  // What painters and the layout ask.
  TcxTabs* Tabs() const { return FOwner; }
  TcxCustomTabControl* Control() const;
  int32_t VisibleIndex() const;  // -1 for a hidden tab
  bool IsMainTab() const;        // the selected one (TabIndex)
  bool IsHotTrack() const;
  bool IsPressed() const;
  bool IsTracking() const;  // the keyboard-focused tab of the button styles
  bool RealEnabled() const; // the control is enabled and the tab's Enabled is set
  bool RealVisible() const; // on screen: its visible rectangle is not empty
  RECT CellRect() const;
  RECT FullRect() const;
  RECT VisibleRect() const;

  // Cached rotated caption picture and the themed paint buffer; freed on every layout.
  TBitmap* TextBitmap() const { return FTextBitmap; }
  void SetTextBitmap(TBitmap* Value);  // takes ownership, frees the old one
  void FreeTextBitmap();
  TBitmap* PaintBuffer() const { return FPaintBuffer; }
  void SetPaintBuffer(TBitmap* Value);  // takes ownership, frees the old one

private:
  friend class TcxTabs;
  friend class TcxCustomTabControl;
  void Changed(TcxPCTabPropertyChanged AKind);
  bool OnScreen() const;

  TcxTabs* FOwner;
  int32_t FIndex;
  String FCaption;
  String FDisplayCaption;
  bool FEnabled = true;
  bool FHighlighted = false;
  int32_t FImageIndex;
  bool FSelected = false;
  bool FVisible = true;
  TObject* FObject = nullptr;
  int32_t FRow = 0;
  int32_t FVisibleRow = 0;
  POINT FPosition{0, 0};
  int32_t FNormalWidth = 0;
  RECT FCorrection{0, 0, 0, 0};
  TBitmap* FTextBitmap = nullptr;
  TBitmap* FPaintBuffer = nullptr;
};

// The tabs in tab order, as a string list of their captions.
class TcxTabs : public TStrings {
  RTL_CLASS(TcxTabs, TStrings)
public:
  explicit TcxTabs(TcxCustomTabControl* AControl);
  ~TcxTabs() override;

  void Clear() override;
  void Delete(int32_t Index) override;
  void Insert(int32_t Index, const String& S) override;
  // Keeps the moved tab itself (its Enabled, ImageIndex, Visible and the rest), only its place changes.
  void Move(int32_t CurIndex, int32_t NewIndex) override;

  TcxTab* Tabs(int32_t Index);
  TcxTab* operator[](int32_t Index) { return Tabs(Index); }
  // The tab at a visible index; raises "TcxTabs.GetVisibleTab: ..." outside the visible list.
  TcxTab* VisibleTabs(int32_t VisibleIndex);
  TcxCustomTabControl* Control() const { return FControl; }
  int32_t StandardTabHeight() const { return FStandardTabHeight; }
  void SetStandardTabHeight(int32_t Value) { FStandardTabHeight = Value; }

  // The one channel through which tabs report a change.
  void TabChanged(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind);

protected:
  String Get(int32_t Index) override;
  int32_t GetCount() override;
  TObject* GetObject(int32_t Index) override;
  void PutObject(int32_t Index, TObject* AObject) override;

private:
  friend class TcxTab;
  void CheckIndex(int32_t Index, int32_t ACount, const char* AOperation);
  void RemoveTab(TcxTab* ATab);  // a tab being freed leaves the list
  void Renumber(int32_t AFrom);

  TcxCustomTabControl* FControl;
  std::vector<TcxTab*> FTabs;
  bool FTabRemoving = false;
  bool FDeleting = false;
  int32_t FStandardTabHeight = 0;
};

// The Index of every visible tab in ascending order; a tab's visible index is its position here.
class TcxVisibleTabList : public TObject {
  RTL_CLASS(TcxVisibleTabList, TObject)
public:
  explicit TcxVisibleTabList(TcxCustomTabControl* AControl) : FControl(AControl) {}

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  int32_t Items(int32_t VisibleIndex) const { return FItems.at(static_cast<size_t>(VisibleIndex)); }
  // Bisection: true when found; APosition is the place, or where the index would go.
  bool Find(int32_t ATabIndex, int32_t& APosition) const;
  // The visible index of a tab, -1 when it is hidden.
  int32_t IndexOf(int32_t ATabIndex) const;
  void Add(int32_t ATabIndex);
  void Remove(int32_t ATabIndex);
  void Rebuild();
  // Raises "TcxVisibleTabList.GetTab: ..." outside 0..Count-1.
  TcxTab* GetTab(int32_t VisibleIndex);

private:
  TcxCustomTabControl* FControl;
  std::vector<int32_t> FItems;
};

// ---- the tab image list -------------------------------------------------------------------------------------

struct TcxPCImageListRotatedImagesElement {
  TColor BackgroundColor = clNone;
  TBitmap* Bitmap = nullptr;
  bool Valid = false;
};
using TcxPCImageListRotatedImagesElementArray = std::vector<TcxPCImageListRotatedImagesElement>;

// Stands between a tab control and its Images: follows their changes and destruction, draws for the
// painters and keeps turned copies of the images for vertical captions.
class TcxPCImageList : public TObject {
  RTL_CLASS(TcxPCImageList, TObject)
public:
  explicit TcxPCImageList(TcxCustomTabControl* AOwner);
  ~TcxPCImageList() override;

  TCustomImageList* BaseImages() const { return FBaseImages; }
  void SetBaseImages(TCustomImageList* Value);
  uint8_t Rotation() const { return FRotation; }
  void SetRotation(uint8_t Value);
  SIZE GetSize() const;
  SIZE GetRotatedSize() const;
  void Draw(TcxCanvas* ACanvas, int32_t X, int32_t Y, int32_t AIndex, bool AEnabled, TColor ABackgroundColor);
  const TcxPCImageListRotatedImagesElementArray& RotatedImages() const { return FRotatedImages; }

  TNotifyEvent OnChange;

private:
  void Changed(TObject* Sender);
  void BaseImagesFreed(TObject* Sender);
  void FreeRotatedImages();
  void RebuildRotatedImages();

  TcxCustomTabControl* FOwner;
  TCustomImageList* FBaseImages = nullptr;
  TChangeLink* FChangeLink = nullptr;
  TComponent* FFreeNotifier = nullptr;
  uint8_t FRotation = 0;
  TcxPCImageListRotatedImagesElementArray FRotatedImages;
};

// ---- the go-to-page menu ------------------------------------------------------------------------------------

using TcxPCGoDialogSelectEvent = Event<int32_t>;

class TcxPCGoDialog : public TPopupMenu {
  RTL_CLASS(TcxPCGoDialog, TPopupMenu)
public:
  explicit TcxPCGoDialog(TComponent* AOwner);
  // Builds the items from the control's usable visible tabs and shows the menu at the go-to-page button.
  void Popup(bool ASort);
  using TPopupMenu::Popup;
  Event<int32_t> OnSelect;  // the selection handler: the chosen tab's Index

private:
  void ItemClick(TObject* Sender);
};

// ---- the tab control ----------------------------------------------------------------------------------------

class TcxCustomTabControl : public TcxControl {
  RTL_CLASS(TcxCustomTabControl, TcxControl)
public:
  explicit TcxCustomTabControl(TComponent* AOwner);
  ~TcxCustomTabControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& m) override;

  // ---- properties ----
  bool HideTabs() const { return FHideTabs; }
  void SetHideTabs(bool Value);
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value);
  int32_t ImageBorder() const { return FImageBorder; }
  void SetImageBorder(int32_t Value);
  TCustomImageList* Images() const;
  void SetImages(TCustomImageList* Value);
  int32_t MaxRotatedTabWidth() const { return FMaxRotatedTabWidth; }
  void SetMaxRotatedTabWidth(int32_t Value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value);
  TcxPCNavigatorPosition NavigatorPosition() const { return FNavigatorPosition; }
  void SetNavigatorPosition(TcxPCNavigatorPosition Value);
  TcxPCOptions Options() const { return FOptions; }
  void SetOptions(TcxPCOptions Value);
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  bool RaggedRight() const { return FRaggedRight; }
  void SetRaggedRight(bool Value);
  bool Rotate() const { return FRotate; }
  void SetRotate(bool Value);
  bool ScrollOpposite() const { return FScrollOpposite; }
  void SetScrollOpposite(bool Value);
  bool ShowFrame() const { return FShowFrame; }
  void SetShowFrame(bool Value);
  TcxPCStyleID Style() const { return FStyle; }
  void SetStyle(TcxPCStyleID Value);
  int16_t TabHeight() const { return FTabHeight; }
  void SetTabHeight(int16_t Value);
  int16_t TabWidth() const { return FTabWidth; }
  void SetTabWidth(int16_t Value);
  TcxTabPosition TabPosition() const { return FTabPosition; }
  void SetTabPosition(TcxTabPosition Value);
  TcxTabs* Tabs() const { return FTabs; }
  void SetTabs(TcxTabs* Value) { FTabs->Assign(Value); }
  int32_t TabIndex() const { return FTabIndex; }
  void SetTabIndex(int32_t Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value) { FMultiSelect = Value; }

  TNotifyEvent OnChange;
  TcxTabChangingEvent OnChanging;
  TcxDrawTabEvent OnDrawTab;
  TcxDrawTabExEvent OnDrawTabEx;
  TcxGetTabImageEvent OnGetImageIndex;

  // ---- state ----
  TcxPCCustomPainter* Painter() const { return FPainter; }
  // The style in force (Style, or the look-and-feel's style while Style is 0).
  TcxPCStyleID ActualStyle() const;
  TcxVisibleTabList* VisibleTabList() const { return FVisibleTabList; }
  TcxPCImageList* ImageList() const { return FImageList; }
  TcxPCGoDialog* GoDialog() const { return FGoDialog; }
  TcxTimer* RepeatTimer() const { return FRepeatTimer; }
  bool GoDialogOpen() const { return FGoDialogOpen; }
  int32_t MainTabVisibleIndex() const { return FMainTabVisibleIndex; }
  int32_t HotTabVisibleIndex() const { return FHotTabVisibleIndex; }
  int32_t PressedTabVisibleIndex() const { return FPressedTabVisibleIndex; }
  int32_t FocusedTabVisibleIndex() const { return FFocusedTabVisibleIndex; }
  int32_t FirstVisibleTab() const { return FFirstVisibleTab; }
  int32_t LastVisibleTab() const { return FLastVisibleTab; }
  bool LastTabFitsCompletely() const { return FLastTabFitsCompletely; }
  int32_t RowCount() const { return FRowCount; }
  int32_t NearRowCount() const { return FNearRowCount; }
  int32_t RowThickness() const { return FRowThickness; }
  int32_t RotatedTabWidth() const { return FRowThickness; }
  RECT NearRowArea() const { return FNearRowArea; }
  RECT FarRowArea() const { return FFarRowArea; }
  const TcxPCTabsAreaGeometry& TabsAreaGeometry() const { return FGeometry; }
  TcxPCNavigatorButtons NavigatorButtons() const { return FNavigatorButtons; }
  TcxPCNavigatorButtonState NavigatorButtonState(TcxPCNavigatorButton AButton) const {
    return FNavigatorButtonStates[AButton];
  }
  TcxPCNavigatorButtons HotNavigatorButtons() const { return FHotNavigatorButtons; }
  TcxPCNavigatorButtons PressedNavigatorButtons() const { return FPressedNavigatorButtons; }
  int32_t VisibleTabCount() const;
  bool IsLayoutRunning() const { return FLayoutRunning; }

  // ---- change protocol ----
  void LockChangeEvents();
  void UnlockChangeEvents();
  bool ChangeEventsLocked() const;
  virtual void RequestLayout();
  virtual bool CanChange(int32_t NewTabIndex);
  virtual void Change();
  virtual int32_t GetTabImageIndex(int32_t ATabIndex);
  virtual void ImagesChanged();
  virtual bool IsPagesMode() const { return false; }

  // ---- layout ----
  TcxPCTextOrientation TextOrientation() const;
  bool IsVerticalText() const { return TextOrientation() != pctoHorizontal; }
  bool IsVerticalStrip() const { return FTabPosition == tpLeft || FTabPosition == tpRight; }
  bool IsReversedRows() const;
  // The row side of a tab (tpTop/tpBottom on a horizontal strip, tpLeft/tpRight on a vertical one).
  TcxTabPosition GetTabRowSide(int32_t VisibleIndex) const;
  TcxPCTabDrawingVariant GetTabDrawingVariant(int32_t VisibleIndex) const;
  void CalculateTabsLayout();
  void CalculateTabNormalSizes();
  int32_t TabAtPos(int32_t X, int32_t Y);
  void MakeTabVisible(int32_t VisibleIndex);
  void ScrollTabs(TcxPCNavigatorButton AButton);
  bool CanScroll(TcxPCNavigatorButton AButton);
  void ArrangeRows();
  RECT GetTabCellRect(int32_t VisibleIndex);
  RECT GetTabFullRect(int32_t VisibleIndex);
  RECT GetTabVisibleRect(int32_t VisibleIndex);
  RECT GetPageClientRect();
  // The visible indexes drawn and hit: the scroll window on a single line, all on many lines.
  int32_t FirstDrawnTab() const;
  int32_t LastDrawnTab() const;

  // ---- input ----
  void UpdateHotTrack(TShiftState Shift);
  void UpdateNavigatorButtonStates();
  virtual bool HandleTabKey(uint16_t& Key, TShiftState Shift);
  virtual void GoDialogTabChosen(int32_t ATabIndex);

  // Accelerator marks removed: "&x" gives "x", "&&" gives "&", a final "&" becomes "_".
  static String RemoveAccelChars(const String& S);

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Resize() override;
  void Loaded() override;
  void Paint() override;
  void AdjustClientRect(RECT& Rect) override;
  void DefineProperties(TFiler* Filer) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool DoMouseWheelDown(TShiftState Shift, POINT MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, POINT MousePos) override;
  void FocusChanged() override;
  void FontChanged() override;
  void MouseLeave(TControl* AControl) override;
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) override;
  bool HasScrollBars() const override { return false; }
  bool AllowDesignHitTest(int32_t X, int32_t Y, TShiftState AShift) override;

  // Where a click on a tab goes (the page control adds its drag start for docked clients).
  virtual void TabClick(int32_t VisibleIndex, TShiftState Shift);
  void SetMainTabVisibleIndexFromTabIndex();
  bool IsLoadingOrDestroying() const;

private:
  friend class TcxTab;
  friend class TcxTabs;
  friend class TcxPCCustomPainter;
  void ApplyStyle(TcxPCStyleID AStyle);
  void SetPainterClass(TcxPCPainterClass AClass);
  void FreeTabTextBitmaps();
  void RealignChildren();
  void MoveTabMark(int32_t& AMark, int32_t VisibleIndex, TcxPCTabPropertyChanged AKind);
  void SetHotTab(int32_t VisibleIndex);
  void SetPressedTab(int32_t VisibleIndex);
  void SetFocusedTab(int32_t VisibleIndex);
  void SetNavigatorButtonState(TcxPCNavigatorButton AButton, TcxPCNavigatorButtonState AState);
  void TabVisibilityChanged(TcxTab* ATab, bool AWasOnScreen, bool AWasMain);
  void TabSelectedChanging(TcxTab* ATab, bool& AValue);
  void DoTabClick(int32_t VisibleIndex, TShiftState Shift);
  void RepeatTimerTick(TObject* Sender);
  void StopRepeatTimer();
  void OpenGoDialog();
  bool HandleDialogChar(TMessage& m);

  // The layout passes.
  bool PrepareRows(TcxPCNavigatorButtons AButtons);
  bool PlaceRow(int32_t AFirst, int32_t ALast);
  void CalculateSingleLineLayout();
  void CalculateMultiLineLayout();
  void BreakIntoRows(int32_t ARowLength, int32_t ASpacing);
  void BalanceRows(int32_t AFirstTab, int32_t ALastTab, int32_t AFirstRow, int32_t ARowLength, int32_t ASpacing);
  void StretchRows(int32_t ARowLength, int32_t ASpacing);
  void CalculateRowThickness();
  void PositionRows();
  TcxPCNavigatorButtons OptionsNavigatorButtons() const;
  int32_t TabLength(int32_t VisibleIndex);
  TcxPCLineIndexBoundsArray RowBounds();

  bool FHideTabs = false;
  bool FHotTrack = false;
  int32_t FImageBorder = 0;
  int32_t FMaxRotatedTabWidth = 0;
  bool FMultiLine = false;
  TcxPCNavigatorPosition FNavigatorPosition = npRightTop;
  TcxPCOptions FOptions;
  bool FOwnerDraw = false;
  bool FRaggedRight = false;
  bool FRotate = false;
  bool FScrollOpposite = false;
  bool FShowFrame = false;
  TcxPCStyleID FStyle = cxPCDefaultStyle;
  int16_t FTabHeight = 0;
  int16_t FTabWidth = 0;
  TcxTabPosition FTabPosition = tpTop;
  TcxTabs* FTabs = nullptr;
  int32_t FTabIndex = -1;
  bool FMultiSelect = false;

  TcxVisibleTabList* FVisibleTabList = nullptr;
  TcxPCImageList* FImageList = nullptr;
  TcxPCCustomPainter* FPainter = nullptr;
  TcxPCGoDialog* FGoDialog = nullptr;
  TcxTimer* FRepeatTimer = nullptr;
  bool FLayoutRunning = false;
  bool FGoDialogOpen = false;
  int32_t FChangeEventsLockCount = 0;

  int32_t FMainTabVisibleIndex = -1;
  int32_t FHotTabVisibleIndex = -1;
  int32_t FPressedTabVisibleIndex = -1;
  int32_t FFocusedTabVisibleIndex = -1;
  int32_t FFirstVisibleTab = -1;
  int32_t FLastVisibleTab = -1;
  bool FLastTabFitsCompletely = false;
  int32_t FRowCount = 0;
  int32_t FNearRowCount = 0;
  int32_t FRowThickness = 0;
  RECT FNearRowArea{};
  RECT FFarRowArea{};
  TcxPCTabsAreaGeometry FGeometry;
  TcxPCNavigatorButtons FNavigatorButtons;
  TcxPCNavigatorButtonState FNavigatorButtonStates[3] = {nbsNormal, nbsNormal, nbsNormal};
  TcxPCNavigatorButtons FHotNavigatorButtons;
  TcxPCNavigatorButtons FPressedNavigatorButtons;

  // One row pass (PrepareRows .. PlaceRow).
  int32_t FRowStart = 0;
  int32_t FRowDirection = 1;
  int32_t FRowLimit = 0;
  int32_t FTabSpacing = 0;
  int32_t FMinVisiblePart = 0;

  // The client rectangle read from the form.
  RECT FStoredClientRect{};
  bool FStoredClientRectRead = false;
  void ReadClientRectBottom(TReader* Reader);
  void ReadClientRectLeft(TReader* Reader);
  void ReadClientRectRight(TReader* Reader);
  void ReadClientRectTop(TReader* Reader);
  void WriteClientRectBottom(TWriter* Writer);
  void WriteClientRectLeft(TWriter* Writer);
  void WriteClientRectRight(TWriter* Writer);
  void WriteClientRectTop(TWriter* Writer);
};

// ---- the page control ---------------------------------------------------------------------------------------

class TcxTabSheet : public TCustomControl {
  RTL_CLASS(TcxTabSheet, TCustomControl)
  RTL_PUBLISHED_DECL
public:
  explicit TcxTabSheet(TComponent* AOwner);
  ~TcxTabSheet() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& m) override;

  TcxPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TcxPageControl* Value);
  TcxTab* Tab() const { return FTab; }
  bool Highlighted() const { return FHighlighted; }
  void SetHighlighted(bool Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  int32_t PageIndex() const;
  void SetPageIndex(int32_t Value);
  int32_t BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int32_t Value);

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

protected:
  void CreateParams(TCreateParams& Params) override;
  void AdjustClientRect(RECT& Rect) override;
  void Paint() override;
  void ReadState(TReader* Reader) override;

private:
  friend class TcxPageControl;
  void UpdateTab();

  TcxPageControl* FPageControl = nullptr;
  TcxTab* FTab = nullptr;
  bool FHighlighted = false;
  int32_t FImageIndex = -1;
  bool FTabVisible = true;
  int32_t FBorderWidth = 0;
};

class TcxPageControl : public TcxCustomTabControl {
  RTL_CLASS(TcxPageControl, TcxCustomTabControl)
  RTL_PUBLISHED_DECL
public:
  explicit TcxPageControl(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& m) override;

  TcxTabSheet* ActivePage() const { return FActivePage; }
  void SetActivePage(TcxTabSheet* Page);
  // The position of the active page among the pages, -1 for none.
  int32_t ActivePageIndex() const;
  void SetActivePageIndex(int32_t Value);
  bool Focusable() const { return FFocusable; }
  void SetFocusable(bool Value);
  int32_t PageCount() const { return static_cast<int32_t>(FPages.size()); }
  TcxTabSheet* Pages(int32_t Index) const { return FPages.at(static_cast<size_t>(Index)); }
  TcxPageChangingEvent OnPageChanging;

  TcxTabSheet* FindNextPage(TcxTabSheet* CurPage, bool GoForward, bool CheckTabVisible);
  void SelectNextPage(bool GoForward, bool CheckTabVisible = true);
  bool CanFocus() override;
  bool IsPagesMode() const override { return true; }
  bool CanChange(int32_t NewTabIndex) override;
  void Change() override;
  void ImagesChanged() override;

protected:
  void ChangeActivePage(TcxTabSheet* Page);
  virtual bool CanChangePage(TcxTabSheet* NewPage);
  virtual void PageChange();
  void InsertPage(TcxTabSheet* Page);
  void RemovePage(TcxTabSheet* Page);
  void UpdateTab(TcxTabSheet* Page);
  void UpdateAllTabs();
  void RestoreActivePage();
  void Loaded() override;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Child, int32_t Order) override;
  bool CanFocusOnClick() override;
  void MovePage(TcxTabSheet* Page, int32_t NewIndex);

private:
  friend class TcxTabSheet;
  TcxTabSheet* FActivePage = nullptr;
  bool FFocusable = true;
  std::vector<TcxTabSheet*> FPages;
  bool FAdding = false;
};

// The hot-light colour painters use for a hot tab's caption and a hot navigator glyph.
TColor cxPCHotLightColor();
