#pragma once
// Levels: the nodes of a grid's level tree. A level links at most one view and carries the options and styles
// of the area that shows its child levels. The grid's invisible root level holds the top levels (tabs when
// there are several); the child levels of a level describe master-detail relations, each with the data
// relation that joins its view's data controller to its parent's. A top level's view shows its own data; a
// detail level's view is a pattern, and the level makes a clone of it for each master record shown.

#include <cstdint>
#include <vector>

#include "ui/grid/cxStyles.h"

class TcxCustomDataRelation;
class TcxCustomGrid;
class TcxCustomGridRecord;
class TcxCustomGridView;
class TcxGridLevel;

enum TcxGridDetailTabsPosition : uint8_t { dtpNone, dtpLeft, dtpTop };
RTL_ENUM(TcxGridDetailTabsPosition, dtpNone, dtpLeft, dtpTop)

class TcxGridLevelOptions : public TPersistent {
  RTL_CLASS(TcxGridLevelOptions, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TcxGridLevelOptions(TcxGridLevel* ALevel) : FLevel(ALevel) {}
  void Assign(TPersistent* Source) override;

  TcxGridLevel* Level() const { return FLevel; }
  TColor DetailFrameColor() const { return FDetailFrameColor; }
  void SetDetailFrameColor(TColor Value);
  int32_t DetailFrameWidth() const { return FDetailFrameWidth; }
  void SetDetailFrameWidth(int32_t Value);
  TcxGridDetailTabsPosition DetailTabsPosition() const { return FDetailTabsPosition; }
  void SetDetailTabsPosition(TcxGridDetailTabsPosition Value);
  // DetailFrameColor, or the painter's detail frame colour for clDefault.
  TColor GetDetailFrameColor();
  // The frame width a level has unless set: 0 for the root level, else 1.
  int32_t DefaultDetailFrameWidth() const;
  bool IsDetailFrameWidthStored() const { return FDetailFrameWidth != DefaultDetailFrameWidth(); }

protected:
  TPersistent* GetOwner() override;
  void Changed(bool ASizeChanged);

private:
  TcxGridLevel* FLevel;
  TColor FDetailFrameColor = clDefault;
  int32_t FDetailFrameWidth = 1;
  TcxGridDetailTabsPosition FDetailTabsPosition = dtpNone;
};

using TcxGridLevelGetTabStyleEvent = Event<TcxGridLevel*, TcxGridLevel*, TcxStyle*&>;
using TcxGridLevelGetOwnTabStyleEvent = Event<TcxGridLevel*, TcxCustomGridRecord*, TcxStyle*&>;

class TcxGridLevelStyles : public TcxStyles {
  RTL_CLASS(TcxGridLevelStyles, TcxStyles)
  RTL_PUBLISHED_DECL
public:
  static constexpr int32_t lsTab = 0;
  static constexpr int32_t lsTabsBackground = 1;
  using TcxStyles::TcxStyles;
  void Assign(TPersistent* Source) override;

  TcxGridLevel* Level() const;
  TcxStyle* Tab() { return dynamic_cast<TcxStyle*>(GetStyleAt(lsTab)); }
  void SetTab(TcxStyle* Value) { SetStyleAt(lsTab, Value); }
  TcxStyle* TabsBackground() { return dynamic_cast<TcxStyle*>(GetStyleAt(lsTabsBackground)); }
  void SetTabsBackground(TcxStyle* Value) { SetStyleAt(lsTabsBackground, Value); }

  // The values of ATabLevel's tab as shown by this level: the style OnGetTabStyle chooses here, which
  // ATabLevel's OnGetOwnTabStyle may replace, resolved on this level's styles.
  void GetTabParams(TcxCustomGridRecord* AMasterRecord, TcxGridLevel* ATabLevel, TcxViewParamsRec& AParams);
  void GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams) override;
  void ValueChanged(int32_t Index) override;

  TcxGridLevelGetTabStyleEvent OnGetTabStyle;
  TcxGridLevelGetOwnTabStyleEvent OnGetOwnTabStyle;
};

using TcxGridLevelGetGridViewEvent = Event<TcxGridLevel*, TcxCustomGridRecord*, TcxCustomGridView*&>;

class TcxGridLevel : public TcxComponent {
  RTL_CLASS(TcxGridLevel, TcxComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TcxGridLevel(TComponent* AOwner) : TcxComponent(AOwner) {}
  ~TcxGridLevel() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* Value) override;
  void ReadState(TReader* Reader) override;

  // ---- the tree ----
  TcxCustomGrid* Control() const { return FControl; }
  TcxGridLevel* Parent() const { return FParent; }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxGridLevel* Items(int32_t Index) const { return FItems.at(static_cast<size_t>(Index)); }
  int32_t VisibleCount() const { return static_cast<int32_t>(FVisibleItems.size()); }
  TcxGridLevel* VisibleItems(int32_t Index) const { return FVisibleItems.at(static_cast<size_t>(Index)); }
  int32_t Index() const;
  int32_t VisibleIndex() const;
  TcxCustomDataRelation* DataRelation() const { return FDataRelation; }
  bool IsRoot() const;
  bool IsTop() const;
  bool IsActive() const;
  bool IsActuallyVisible() const;
  bool IsShown() const;
  TcxGridLevel* FirstVisibleItem() const;

  void AddItem(TcxGridLevel* ALevel);
  void RemoveItem(TcxGridLevel* ALevel);
  void SetActive(bool Value);
  void LinkDataController(bool AShown, bool AAsPattern);
  void AddDataRelation(TcxGridLevel* AChild);
  void RemoveDataRelation(TcxGridLevel* AChild);
  // The record object of the master view for a master record (nil when it has none).
  TcxCustomGridRecord* GetMasterRecord(TcxCustomDataRelation* ARelation, int32_t AMasterRecordIndex);

  // ---- properties ----
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  TcxCustomGridView* GridView() const { return FGridView; }
  void SetGridView(TcxCustomGridView* Value);
  int32_t MaxDetailHeight() const { return FMaxDetailHeight; }
  void SetMaxDetailHeight(int32_t Value);
  TcxGridLevelOptions* Options() const { return FOptions; }
  void SetOptions(TcxGridLevelOptions* Value) { FOptions->Assign(Value); }
  TcxGridLevelStyles* Styles() const { return FStyles; }
  void SetStyles(TcxGridLevelStyles* Value) { FStyles->Assign(Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TcxGridLevelGetGridViewEvent OnGetGridView;

  // ---- the overridable behaviour ----
  // The clone that shows the detail of one master record, or nil.
  virtual TcxCustomGridView* CreateLinkedView(TcxCustomDataRelation* ARelation, int32_t AMasterRecordIndex);
  // True asks the grid for a size change, False for a layout change.
  virtual void Changed(bool ASizeChanged);
  virtual void CheckHeight(int32_t& AHeight);
  virtual TClass GetItemClass();
  virtual TClass GetStylesClass();
  virtual void VisibleItemsChanged(TcxGridLevel* ALevel);

private:
  friend class TcxCustomGrid;
  void RefreshVisibleItems();
  void SetControl(TcxCustomGrid* Value);

  TcxCustomGrid* FControl = nullptr;
  TcxGridLevel* FParent = nullptr;
  std::vector<TcxGridLevel*> FItems;
  std::vector<TcxGridLevel*> FVisibleItems;
  TcxCustomDataRelation* FDataRelation = nullptr;
  TcxGridLevelOptions* FOptions = nullptr;
  TcxGridLevelStyles* FStyles = nullptr;
  TcxCustomGridView* FGridView = nullptr;
  String FCaption;
  int32_t FMaxDetailHeight = 0;
  bool FVisible = true;
};
