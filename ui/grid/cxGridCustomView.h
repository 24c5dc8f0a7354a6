#pragma once
// The base of every grid view: a component the form owns and streams as a child of its grid, linked at run
// time to one level and shown in its own child window (the site). A view is made of replaceable handlers
// (controller, data controller, painter, view data, view info and its cache), each created from a class
// that a class getter names, and of options and styles objects.
//
// A view of a detail level is a pattern: it shows no data, and every expanded master record gets a clone of
// it. Pattern and clones keep their settings equal: a change on the pattern is copied to the clones, a change
// on a clone goes back to the pattern and from there to the other clones (an invisible clone catches up when
// it is about to be shown).
//
// Every request to recalculate or repaint a view is a change object handed to the grid's change queue
// (declared here, run by the grid): inside an update bracket the queue merges them, so that a burst of
// changes recalculates a view once.

#include <cstdint>
#include <vector>

#include "forms/Controls.h"
#include "rtl/Variants.h"
#include "ui/base/cxControls.h"
#include "ui/grid/cxGridCommon.h"
#include "ui/grid/cxStyles.h"

class TStrings;
class TcxCustomDataController;
class TcxUpdateControlInfo;
class TcxCustomGrid;
class TcxGridLevel;
class TcxCustomGridView;
class TcxCustomGridController;
class TcxCustomGridPainter;
class TcxCustomGridViewData;
class TcxCustomGridViewInfo;
class TcxCustomGridViewInfoCache;
class TcxGridSite;

// ---- the change queue's objects ----------------------------------------------------------------------------

// One request to recalculate or repaint. The grid runs it at once, or keeps it while it is updating and
// merges it with the others when the outermost bracket closes.
class TcxCustomGridChange : public TObject {
  RTL_CLASS(TcxCustomGridChange, TObject)
public:
  // The grid that runs the change (nil for a view without a grid).
  TcxCustomGrid* Control() const { return FControl; }
  void SetControl(TcxCustomGrid* Value) { FControl = Value; }

  virtual void Run() = 0;
  // Whether running AChange makes this change unnecessary.
  virtual bool IsCoveredBy(TcxCustomGridChange* AChange) { (void)AChange; return false; }
  virtual bool IsMergeable() { return true; }
  // Whether AChange is a duplicate of this change.
  virtual bool SameAs(TcxCustomGridChange* AChange) { return AChange->ClassType() == ClassType(); }
  // A change that cannot wait runs at once, also inside an update bracket.
  virtual bool CanBePostponed() { return true; }

private:
  TcxCustomGrid* FControl = nullptr;
};

class TcxCustomGridViewChange : public TcxCustomGridChange {
  RTL_CLASS(TcxCustomGridViewChange, TcxCustomGridChange)
public:
  explicit TcxCustomGridViewChange(TcxCustomGridView* AGridView) : FGridView(AGridView) {}
  TcxCustomGridView* GridView() const { return FGridView; }
  bool SameAs(TcxCustomGridChange* AChange) override;

private:
  TcxCustomGridView* FGridView;
};

// Recalculates one view, or the whole grid (no view).
class TcxGridLayoutChange : public TcxCustomGridViewChange {
  RTL_CLASS(TcxGridLayoutChange, TcxCustomGridViewChange)
public:
  using TcxCustomGridViewChange::TcxCustomGridViewChange;
  void Run() override;
  bool IsCoveredBy(TcxCustomGridChange* AChange) override;
};

// The size of a view (or of the grid's active view) may have changed.
class TcxGridSizeChange : public TcxCustomGridViewChange {
  RTL_CLASS(TcxGridSizeChange, TcxCustomGridViewChange)
public:
  TcxGridSizeChange(TcxCustomGridView* AGridView, bool AMastersUnchanged = false, bool AThisViewOnly = false)
      : TcxCustomGridViewChange(AGridView), FMastersUnchanged(AMastersUnchanged), FThisViewOnly(AThisViewOnly) {}
  // The cached sizes of the master views stay valid.
  bool MastersUnchanged() const { return FMastersUnchanged; }
  // Only this view needs recalculating.
  bool ThisViewOnly() const { return FThisViewOnly; }
  void Run() override;
  bool IsCoveredBy(TcxCustomGridChange* AChange) override;
  bool SameAs(TcxCustomGridChange* AChange) override;

private:
  bool FMastersUnchanged;
  bool FThisViewOnly;
};

// Repaints a rectangle of a view's site, or the whole site when the rectangle is empty.
class TcxGridViewChange : public TcxCustomGridViewChange {
  RTL_CLASS(TcxGridViewChange, TcxCustomGridViewChange)
public:
  explicit TcxGridViewChange(TcxCustomGridView* AGridView) : TcxCustomGridViewChange(AGridView) {}
  TcxGridViewChange(TcxCustomGridView* AGridView, const RECT& AInvalidRect)
      : TcxCustomGridViewChange(AGridView), FInvalidRect(AInvalidRect) {}
  const RECT& InvalidRect() const { return FInvalidRect; }
  void Run() override;
  bool IsCoveredBy(TcxCustomGridChange* AChange) override;
  bool SameAs(TcxCustomGridChange* AChange) override;

private:
  RECT FInvalidRect{};
};

// The grid's focus state changed: what depends on it repaints.
class TcxGridControlFocusChange : public TcxCustomGridViewChange {
  RTL_CLASS(TcxGridControlFocusChange, TcxCustomGridViewChange)
public:
  using TcxCustomGridViewChange::TcxCustomGridViewChange;
  void Run() override;
};

// ---- what the views ask of a grid data controller ------------------------------------------------------------

// The operations through which a view reaches either kind of grid data controller alike (the unbound one and
// the dataset-bound one); found on a data controller with dynamic_cast.
class IcxGridDataControllerInfo {
public:
  static constexpr TGUID IID = MakeGUID("{FEEE7E69-BD54-4B5D-BA0B-B6116B69C0CC}");
  // Adjusts the grid-mode record window after the view's size changed.
  virtual void CheckGridModeBufferCount() = 0;
  // Scrolls by one record or one page; false when the controller leaves scrolling to the view.
  virtual bool DoScroll(bool AForward) = 0;
  virtual bool DoScrollPage(bool AForward) = 0;
  // The classes of an item's data binding and of its default-values provider.
  virtual TClass GetItemDataBindingClass() = 0;
  virtual TClass GetItemDefaultValuesProviderClass() = 0;
  // Whether the navigator stands at the first or the last record.
  virtual bool GetNavigatorIsBOF() = 0;
  virtual bool GetNavigatorIsEOF() = 0;
  // The scroll bar's position and range when the controller drives it, else -1.
  virtual int32_t GetScrollBarPos() = 0;
  virtual int32_t GetScrollBarRecordCount() = 0;
  virtual bool SetScrollBarPos(int32_t Value) = 0;

protected:
  ~IcxGridDataControllerInfo() = default;
};

class IcxGridDataControllerDesign {
public:
  static constexpr TGUID IID = MakeGUID("{B9ABDC6B-1A4A-4F11-A629-09B6FB9FB4BA}");
  // Copies the records of another controller.
  virtual void AssignData(TcxCustomDataController* ADataController) = 0;
  virtual void CreateAllItems() = 0;
  virtual void DeleteAllItems() = 0;
  virtual void GetFakeComponentLinks(TList* AList) = 0;
  // The view that owns the controller.
  virtual TcxCustomGridView* GetGridView() = 0;
  virtual bool IsDataAvailable() = 0;
  virtual bool IsDataSetBound() = 0;

protected:
  ~IcxGridDataControllerDesign() = default;
};

// The view that owns a data controller (nil when it is not a grid data controller).
TcxCustomGridView* GridViewOfDataController(TcxCustomDataController* ADataController);

// ---- handlers ----------------------------------------------------------------------------------------------------

// The base of a view's handlers: it knows its view and reaches the view's other handlers through it.
class TcxGridViewHandler : public TcxInterfacedPersistent {
  RTL_CLASS(TcxGridViewHandler, TcxInterfacedPersistent)
public:
  using VirtualCtorArg = TcxCustomGridView*;
  explicit TcxGridViewHandler(TcxCustomGridView* AGridView);

  TcxCustomGridView* GridView() const { return FGridView; }
  TcxCustomGrid* Control() const;
  TcxCustomLookAndFeelPainterClass LookAndFeelPainter() const;
  TcxCustomGridController* Controller() const;
  TcxCustomDataController* DataController() const;
  TcxCustomGridPainter* Painter() const;
  TcxGridSite* Site() const;
  TcxCustomGridViewData* ViewData() const;
  TcxCustomGridViewInfo* ViewInfo() const;
  void BeginUpdate();
  void EndUpdate();

private:
  TcxCustomGridView* FGridView;
};

// The record objects of a view (the table views fill it in).
class TcxCustomGridViewData : public TcxGridViewHandler {
  RTL_CLASS(TcxCustomGridViewData, TcxGridViewHandler)
public:
  using TcxGridViewHandler::TcxGridViewHandler;
};

// ---- options ---------------------------------------------------------------------------------------------------

class TcxCustomGridOptions : public TPersistent {
  RTL_CLASS(TcxCustomGridOptions, TPersistent)
public:
  using VirtualCtorArg = TcxCustomGridView*;
  explicit TcxCustomGridOptions(TcxCustomGridView* AGridView) : FGridView(AGridView) {}
  // The options join the view's list of options objects and leave it again.
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;

  TcxCustomGridView* GridView() const { return FGridView; }
  virtual void Changed(TcxGridViewChangeKind AChangeKind);
  // Every component notification the view receives.
  virtual void Notification(TComponent* AComponent, TOperation AOperation) { (void)AComponent, (void)AOperation; }

protected:
  TPersistent* GetOwner() override;

private:
  TcxCustomGridView* FGridView;
};

// Owned bitmaps by index, created on first access; each one's change recalculates the view.
class TcxCustomGridBackgroundBitmaps : public TcxCustomGridOptions {
  RTL_CLASS(TcxCustomGridBackgroundBitmaps, TcxCustomGridOptions)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomGridOptions::TcxCustomGridOptions;
  ~TcxCustomGridBackgroundBitmaps() override;
  void Assign(TPersistent* Source) override;

  TBitmap* GetValue(int32_t Index);
  void SetValue(int32_t Index, TBitmap* Value);
  TBitmap* Background() { return GetValue(0); }
  void SetBackground(TBitmap* Value) { SetValue(0, Value); }
  bool IsBackgroundStored() const { return IsValueStored(0); }
  bool IsValueStored(int32_t Index) const;

  // The view style slot that supplies a bitmap's default (0 for the background, else none).
  virtual int32_t GetStyleIndex(int32_t Index) { return Index == 0 ? 0 : -1; }
  virtual TBitmap* GetStyleBitmap(int32_t Index);
  // The own bitmap when it is not empty, else the style's.
  virtual TBitmap* GetEffectiveBitmap(int32_t Index);

private:
  void BitmapChanged(TObject* Sender);
  std::vector<TBitmap*> FItems;
};

class TcxCustomGridOptionsBehavior : public TcxCustomGridOptions {
  RTL_CLASS(TcxCustomGridOptionsBehavior, TcxCustomGridOptions)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomGridOptions::TcxCustomGridOptions;
  void Assign(TPersistent* Source) override;
  // A clone answers its pattern's value.
  bool PostponedSynchronization() const;
  void SetPostponedSynchronization(bool Value);

private:
  bool FPostponedSynchronization = true;
};

class TcxCustomGridOptionsData : public TcxCustomGridOptions {
  RTL_CLASS(TcxCustomGridOptionsData, TcxCustomGridOptions)
public:
  using TcxCustomGridOptions::TcxCustomGridOptions;
};

class TcxCustomGridOptionsSelection : public TcxCustomGridOptions {
  RTL_CLASS(TcxCustomGridOptionsSelection, TcxCustomGridOptions)
public:
  using TcxCustomGridOptions::TcxCustomGridOptions;
};

class TcxCustomGridOptionsView : public TcxCustomGridOptions {
  RTL_CLASS(TcxCustomGridOptionsView, TcxCustomGridOptions)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomGridOptions::TcxCustomGridOptions;
  void Assign(TPersistent* Source) override;
  // Kept by the site.
  TScrollStyle ScrollBars() const;
  void SetScrollBars(TScrollStyle Value);
};

// ---- styles ------------------------------------------------------------------------------------------------------

class TcxCustomGridStyles : public TcxStyles {
  RTL_CLASS(TcxCustomGridStyles, TcxStyles)
public:
  using TcxStyles::TcxStyles;
  // The owner component of every style used when it is not the view's owner, each once.
  virtual void CollectComponentLinks(TList* AList);
  virtual TcxCustomGridView* GetGridView() = 0;
  // The grid's font (without a grid, the font of the view's canvas).
  void GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams) override;
  void ValueChanged(int32_t Index) override;
};

class TcxCustomGridViewStyles : public TcxCustomGridStyles {
  RTL_CLASS(TcxCustomGridViewStyles, TcxCustomGridStyles)
  RTL_PUBLISHED_DECL
public:
  static constexpr int32_t vsBackground = 0;
  using TcxCustomGridStyles::TcxCustomGridStyles;
  void Assign(TPersistent* Source) override;
  TcxCustomGridView* GetGridView() override;
  void GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams) override;

  TcxStyle* Background() { return dynamic_cast<TcxStyle*>(GetStyleAt(vsBackground)); }
  void SetBackground(TcxStyle* Value) { SetStyleAt(vsBackground, Value); }
};

// ---- listener links ----------------------------------------------------------------------------------------------

// Lets a caller that runs a user event learn afterwards whether the view survived it: GridView reads nil
// once the view is gone. The holder frees it with TcxCustomGridView::RemoveListenerLink.
class TcxGridListenerLink : public TObject {
  RTL_CLASS(TcxGridListenerLink, TObject)
public:
  explicit TcxGridListenerLink(TcxCustomGridView* AGridView) : FGridView(AGridView) {}
  TcxCustomGridView* GridView() const { return FGridView; }

private:
  friend class TcxCustomGridView;
  TcxCustomGridView* FGridView;
};

// ---- the view ----------------------------------------------------------------------------------------------------

using TcxGridGetStoredPropertiesEvent = Event<TcxCustomGridView*, TStrings*>;
using TcxGridGetStoredPropertyValueEvent = Event<TcxCustomGridView*, const String&, Variant&>;
using TcxGridSetStoredPropertyValueEvent = Event<TcxCustomGridView*, const String&, const Variant&>;

// The site events a view publishes: they live on the site.
#define CX_GRID_VIEW_SITE_EVENTS(X)                                                                                \
  X(TNotifyEvent, OnDblClick)                                                                                      \
  X(TDragDropEvent, OnDragDrop) X(TDragOverEvent, OnDragOver) X(TEndDragEvent, OnEndDrag) X(TKeyEvent, OnKeyDown)  \
  X(TKeyPressEvent, OnKeyPress) X(TKeyEvent, OnKeyUp) X(TMouseEvent, OnMouseDown) X(TNotifyEvent, OnMouseEnter)     \
  X(TNotifyEvent, OnMouseLeave) X(TMouseMoveEvent, OnMouseMove) X(TMouseEvent, OnMouseUp)                          \
  X(TMouseWheelEvent, OnMouseWheel) X(TMouseWheelUpDownEvent, OnMouseWheelDown)                                    \
  X(TMouseWheelUpDownEvent, OnMouseWheelUp) X(TStartDragEvent, OnStartDrag)

class TcxCustomGridView : public TcxControlChildComponent {
  RTL_CLASS(TcxCustomGridView, TcxControlChildComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomGridView(TComponent* AOwner) : TcxControlChildComponent(AOwner) {}
  ~TcxCustomGridView() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;
  void Loaded() override;
  void ReadState(TReader* Reader) override;
  void Updating() override;
  void Updated() override;
  // The view itself or, for a detail view, one of its masters is being destroyed.
  bool IsDestroying() const override;
  void SetupDefaults() override;
  void SetControl(TcxControl* Value) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override;

  // A clone: a new view of AClass for AGrid, owned by the grid's owner and never streamed.
  static TcxCustomGridView* CreateForGrid(TClass AClass, TcxCustomGrid* AGrid);

  // ---- grid, level, handlers, options ----
  TcxCustomGrid* Control() const;
  TcxCustomGrid* HomeGrid() const { return FHomeGrid; }
  TcxGridLevel* Level() const { return FLevel; }
  TcxCustomGridController* Controller() const { return FController; }
  TcxCustomDataController* DataController() const { return FDataController; }
  TcxCustomGridPainter* Painter() const { return FPainter; }
  TcxCustomGridViewData* ViewData() const { return FViewData; }
  TcxCustomGridViewInfo* ViewInfo() const { return FViewInfo; }
  TcxCustomGridViewInfoCache* ViewInfoCache() const { return FViewInfoCache; }
  TcxGridSite* Site() const;
  TcxCustomGridBackgroundBitmaps* BackgroundBitmaps() const { return FBackgroundBitmaps; }
  void SetBackgroundBitmaps(TcxCustomGridBackgroundBitmaps* Value);
  TcxCustomGridOptionsBehavior* OptionsBehavior() const { return FOptionsBehavior; }
  void SetOptionsBehavior(TcxCustomGridOptionsBehavior* Value);
  TcxCustomGridOptionsData* OptionsData() const { return FOptionsData; }
  void SetOptionsData(TcxCustomGridOptionsData* Value);
  TcxCustomGridOptionsSelection* OptionsSelection() const { return FOptionsSelection; }
  void SetOptionsSelection(TcxCustomGridOptionsSelection* Value);
  TcxCustomGridOptionsView* OptionsView() const { return FOptionsView; }
  void SetOptionsView(TcxCustomGridOptionsView* Value);
  TcxCustomGridStyles* Styles() const { return FStyles; }
  void SetStyles(TcxCustomGridStyles* Value);
  int32_t OptionsCount() const { return static_cast<int32_t>(FOptionsList.size()); }
  TcxCustomLookAndFeelPainterClass LookAndFeelPainter() const;

  // ---- published values ----
  TDragMode DragMode() const;
  void SetDragMode(TDragMode Value);
  TComponent* PopupMenu() const;
  void SetPopupMenu(TComponent* Value);
  // Kept on the pattern: a clone answers its pattern's value and ignores a change.
  bool Synchronization() const;
  void SetSynchronization(bool Value);
#define CX_GRID_VIEW_DECLARE_SITE_EVENT(Type, Name) \
  Type Name() const;                                \
  void Set##Name(Type Value);
  CX_GRID_VIEW_SITE_EVENTS(CX_GRID_VIEW_DECLARE_SITE_EVENT)
#undef CX_GRID_VIEW_DECLARE_SITE_EVENT
  TcxGridGetStoredPropertiesEvent OnGetStoredProperties() const { return FOnGetStoredProperties; }
  void SetOnGetStoredProperties(TcxGridGetStoredPropertiesEvent Value);
  TcxGridGetStoredPropertyValueEvent OnGetStoredPropertyValue() const { return FOnGetStoredPropertyValue; }
  void SetOnGetStoredPropertyValue(TcxGridGetStoredPropertyValueEvent Value);
  TcxGridSetStoredPropertyValueEvent OnSetStoredPropertyValue() const { return FOnSetStoredPropertyValue; }
  void SetOnSetStoredPropertyValue(TcxGridSetStoredPropertyValueEvent Value);
  const String& StorageName() const { return FStorageName; }
  void SetStorageName(const String& Value) { FStorageName = Value; }

  // ---- update bracket and changes ----
  void BeginUpdate();
  void EndUpdate();
  // Closes the bracket dropping what the grid queued meanwhile.
  void CancelUpdate();
  bool IsUpdating() const { return FUpdateCount != 0; }
  // Hands AChange to the grid (or runs it at once without a grid); false, with the change freed, while the
  // view loads, is destroyed, has no view info or is in its main calculation.
  bool AddChange(TcxCustomGridChange* AChange);
  // The reaction of every property setter of the view and its options.
  void Changed(TcxGridViewChangeKind AChangeKind);
  // OwnOnly: this view's layout; otherwise the whole grid's.
  // Both answer whether the change was taken (AddChange).
  bool InvalidateLayout(bool AOwnOnly = true);
  bool InvalidateSize(bool AThisViewOnly = false, bool AMastersUnchanged = false);
  void Invalidate();
  void InvalidateRect(const RECT& R);
  void InvalidateTree(bool ALayout);
  virtual void InvalidateGeometry(bool AOwnOnly, bool AMastersUnchanged);

  // ---- master and detail ----
  bool IsPattern() const;
  bool IsDetail() const;
  TcxCustomGridView* MasterGridView() const;
  int32_t MasterRecordIndex() const;
  int32_t MasterRowIndex() const;
  bool HasAsMaster(TcxCustomGridView* AGridView) const;
  bool HasDetailLevels() const;
  // The pattern of a clone, else the view itself.
  TcxCustomGridView* PatternGridView() const;
  int32_t CloneCount() const { return static_cast<int32_t>(FClones.size()); }
  TcxCustomGridView* Clones(int32_t Index) const { return FClones.at(static_cast<size_t>(Index)); }
  void AddClone(TcxCustomGridView* AClone);
  void RemoveClone(TcxCustomGridView* AClone);

  // ---- focus ----
  bool Focused() const;
  void SetFocused(bool Value);

  // ---- synchronisation ----
  void AssignPattern(TcxCustomGridView* APattern);
  void Synchronize(bool APostponeWhenLocked = true);
  void SynchronizeWith(TcxCustomGridView* ASource);
  // Brings a clone whose synchronisation was postponed up to date (when it is about to be shown).
  void CheckPendingSynchronization();
  bool SynchronizationEnabled() const;
  bool SyncPending() const { return FSyncPending; }
  bool SyncPostponed() const { return FSyncPostponed; }
  bool Assigning() const { return FAssigning; }

  // ---- listener links ----
  TcxGridListenerLink* AddListenerLink();
  // Frees the link (taking it out of its view's list while the view lives).
  static void RemoveListenerLink(TcxGridListenerLink* ALink);

  // ---- the storage protocol (no storage engine uses it in this system) ----
  virtual String GetStorageName();
  virtual bool ListStoredProperties(TStrings* ANames);
  virtual void ReadStoredValue(const String& AName, Variant& AValue);
  virtual void WriteStoredValue(const String& AName, const Variant& AValue);
  virtual TObject* MakeStoredChild(const String& AObjectName, const String& AClassName);
  virtual void DropStoredChild(const String& AObjectName, TObject* AObject);
  virtual void ListStoredChildren(TStringList* AChildren) { (void)AChildren; }
  virtual void AssignLayout(TcxCustomGridView* ALayoutView) { (void)ALayoutView; }
  virtual void PrepareLayoutView(TcxCustomGridView* ALayoutView) { (void)ALayoutView; }
  virtual void GetLayoutCustomizationText(String& AText) { AText.clear(); }
  virtual bool HasLayoutCustomization() { return false; }
  virtual void ShowLayoutCustomization() {}

  // ---- the overridable behaviour ----
  virtual void CreateHandlers();
  virtual void DestroyHandlers();
  virtual void HookDataController();
  virtual void CreateOptions();
  virtual void DestroyOptions();
  virtual void BeforeAssign(TcxCustomGridView* ASource);
  virtual void AssignProperties(TcxCustomGridView* ASource);
  virtual void AfterAssign(TcxCustomGridView* ASource);
  virtual void BeforeRestoring() {}
  virtual void AfterRestoring() { DoAfterRestoring(); }
  virtual bool CanFocus();
  virtual bool CanTabStop();
  virtual void DetailVisibilityChanged(TcxGridLevel* ALevel, int32_t AOldCount, int32_t ANewCount) {
    (void)ALevel, (void)AOldCount, (void)ANewCount;
  }
  virtual bool CanRecalculate();
  virtual bool CanBeVisible(bool ALevelShown);
  virtual bool GridHasFocus();
  virtual bool ChangesAffectSize() { return false; }
  virtual bool IsVisible();
  virtual void AfterPropertiesChanged() {}
  virtual bool CanShowDetail(TcxCustomGridView* ADetailView) { (void)ADetailView; return false; }
  virtual void FocusedChanged(bool AFocused);
  virtual void ApplyLoadedState();
  virtual void LookAndFeelChanged();
  virtual void DoAfterRestoring() {}
  virtual void SetLevel(TcxGridLevel* Value);
  virtual void UpdateTabStop(bool AFocused);
  virtual void UpdateFromDataController(TcxUpdateControlInfo* AInfo) { (void)AInfo; }
  virtual TClass GetControllerClass() = 0;
  virtual TClass GetDataControllerClass() = 0;
  virtual TClass GetPainterClass() = 0;
  virtual TClass GetViewDataClass() = 0;
  virtual TClass GetViewInfoCacheClass();
  virtual TClass GetViewInfoClass() = 0;
  virtual TClass GetBackgroundBitmapsClass();
  virtual TClass GetOptionsBehaviorClass();
  virtual TClass GetOptionsDataClass();
  virtual TClass GetOptionsSelectionClass();
  virtual TClass GetOptionsViewClass();
  virtual TClass GetStylesClass();
  virtual void RestoreDefaults() {}

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CollectFakeComponentLinks(TList* AList) override;

private:
  friend class TcxCustomGridOptions;
  friend class TcxCustomGridOptionsBehavior;
  void UnlinkFromGrid(TcxCustomGrid* AGrid);
  void ReleaseFromMaster();

  TcxCustomGrid* FHomeGrid = nullptr;
  TcxGridLevel* FLevel = nullptr;
  TcxCustomGridController* FController = nullptr;
  TcxCustomDataController* FDataController = nullptr;
  TcxCustomGridPainter* FPainter = nullptr;
  TcxCustomGridViewData* FViewData = nullptr;
  TcxCustomGridViewInfo* FViewInfo = nullptr;
  TcxCustomGridViewInfoCache* FViewInfoCache = nullptr;
  std::vector<TcxCustomGridOptions*> FOptionsList;
  TcxCustomGridBackgroundBitmaps* FBackgroundBitmaps = nullptr;
  TcxCustomGridOptionsBehavior* FOptionsBehavior = nullptr;
  TcxCustomGridOptionsData* FOptionsData = nullptr;
  TcxCustomGridOptionsSelection* FOptionsSelection = nullptr;
  TcxCustomGridOptionsView* FOptionsView = nullptr;
  TcxCustomGridStyles* FStyles = nullptr;
  TcxCustomGridView* FPatternGridView = nullptr;
  std::vector<TcxCustomGridView*> FClones;
  bool FSynchronization = true;
  bool FAssigning = false;
  bool FSynchronizing = false;
  bool FSyncPending = false;
  bool FSyncPostponed = false;
  int32_t FUpdateCount = 0;
  std::vector<TcxGridListenerLink*> FListenerLinks;
  String FStorageName;
  TcxGridGetStoredPropertiesEvent FOnGetStoredProperties;
  TcxGridGetStoredPropertyValueEvent FOnGetStoredPropertyValue;
  TcxGridSetStoredPropertyValueEvent FOnSetStoredPropertyValue;
};

// The registry of view kinds ("Table", "DB Table"); it exists while the grid unit is started.
TcxRegisteredClasses* cxGridRegisteredViews();
