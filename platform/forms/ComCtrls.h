#pragma once
// The common-control views as components: TListView over the list view window class and TTreeView over
// the tree view window class.
//
// The component keeps the items (TListItem, TTreeNode) and the window shows them: list texts and all
// images are handed to the window on request (LVN_GETDISPINFO / TVN_GETDISPINFO, where OnGetImageIndex
// runs), node texts are copied to it. The items are the truth: a new window (RecreateWnd, a new parent) is
// filled again from them with their selection, focus and expansion. An owner-data list view keeps no
// items: OnData fills one temporary item whenever one is asked for, OnDataFind answers FindCaption and
// FindData. The list view draws no check boxes: Checked is the item's state image (StateIndex 1).
//
// Items in form text: a list view's items as the defined property "Items.ItemList", a list of values per
// item: caption, image index, state index, overlay index, the number of sub-items, then the sub-item
// texts. A tree view's nodes as "Items.NodeList", per node in tree order: level, text, image index,
// selected index, state index, overlay index. Columns stream as the "Columns" collection.

#include <cstdint>
#include <functional>
#include <vector>

#include "forms/Controls.h"
#include "forms/ExtCtrls.h"
#include "forms/ImgList.h"
#include "rtl/Collections.h"
#include "rtl/StringLists.h"
#include "winapi/WinCtrls.h"

class TCustomListView;
class TListItems;
class TListItem;
class TCustomTreeView;
class TTreeNodes;
class TTreeNode;

enum TViewStyle : uint8_t { vsIcon, vsSmallIcon, vsList, vsReport };
RTL_ENUM(TViewStyle, vsIcon, vsSmallIcon, vsList, vsReport)
enum TSortType : uint8_t { stNone, stData, stText, stBoth };
RTL_ENUM(TSortType, stNone, stData, stText, stBoth)
enum TItemChange : uint8_t { ctText, ctImage, ctState };
RTL_ENUM(TItemChange, ctText, ctImage, ctState)
enum TDisplayCode : uint8_t { drBounds, drIcon, drLabel, drSelectBounds };
RTL_ENUM(TDisplayCode, drBounds, drIcon, drLabel, drSelectBounds)
enum TItemFind : uint8_t { ifData, ifPartialString, ifExactString, ifNearest };
RTL_ENUM(TItemFind, ifData, ifPartialString, ifExactString, ifNearest)
enum TSearchDirection : uint8_t { sdLeft, sdRight, sdAbove, sdBelow, sdAll };
RTL_ENUM(TSearchDirection, sdLeft, sdRight, sdAbove, sdBelow, sdAll)
enum TItemState : uint8_t { isNone, isCut, isDropHilited, isFocused, isSelected, isActivating };
RTL_ENUM(TItemState, isNone, isCut, isDropHilited, isFocused, isSelected, isActivating)
using TItemStates = Set<TItemState>;
enum TItemRequestItem : uint8_t { irText, irImage, irParam, irState, irIndent };
using TItemRequest = Set<TItemRequestItem>;
enum THitTest : uint8_t {
  htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent, htOnLabel, htOnRight, htOnStateIcon,
  htToLeft, htToRight
};
RTL_ENUM(THitTest, htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent, htOnLabel, htOnRight,
         htOnStateIcon, htToLeft, htToRight)
using THitTests = Set<THitTest>;
enum TNodeAttachMode : uint8_t { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };
RTL_ENUM(TNodeAttachMode, naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert)

// ---- list view ------------------------------------------------------------------------------------

using TLVChangeEvent = Event<TObject*, TListItem*, TItemChange>;
using TLVChangingEvent = Event<TObject*, TListItem*, TItemChange, bool& /*allowChange*/>;
using TLVSelectItemEvent = Event<TObject*, TListItem*, bool /*selected*/>;
using TLVColumnClickEvent = Event<TObject*, class TListColumn*>;
using TLVCompareEvent = Event<TObject*, TListItem*, TListItem*, int32_t /*data*/, int32_t& /*compare*/>;
using TLVEditingEvent = Event<TObject*, TListItem*, bool& /*allowEdit*/>;
using TLVEditedEvent = Event<TObject*, TListItem*, String& /*s*/>;
using TLVDeletedEvent = Event<TObject*, TListItem*>;
using TLVOwnerDataEvent = Event<TObject*, TListItem*>;
using TLVOwnerDataFindEvent = Event<TObject*, TItemFind, const String& /*findString*/, POINT /*findPosition*/,
                                    void* /*findData*/, int32_t /*startIndex*/, TSearchDirection, bool /*wrap*/,
                                    int32_t& /*index*/>;
// The comparison of CustomSort: the two items (as LPARAM) and the caller's data.
using TLVCompare = int (*)(LPARAM item1, LPARAM item2, LPARAM data);

class TListColumn : public TCollectionItem {
  RTL_CLASS(TListColumn, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  using TCollectionItem::TCollectionItem;
  void Assign(TPersistent* source) override;
  String Caption() const { return FCaption; }
  void SetCaption(const String& v);
  // The width the window shows (AutoSize columns share the room the others leave).
  int32_t Width();
  void SetWidth(int32_t v);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  int32_t StoredWidth() const { return FWidth; }

protected:
  String GetDisplayName() override;

private:
  friend class TCustomListView;
  String FCaption;
  int32_t FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = false;
};

class TListColumns : public TCollection {
  RTL_CLASS(TListColumns, TCollection)
public:
  explicit TListColumns(TCustomListView* owner);
  TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
  TListColumn* Items(int32_t index) const { return static_cast<TListColumn*>(TCollection::Items(index)); }
  TCustomListView* Owner() const { return FOwner; }

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* item) override;
  void Notify(TCollectionItem* item, TCollectionNotification action) override;

private:
  TCustomListView* FOwner;
};

class TListItem : public TPersistent {
  RTL_CLASS(TListItem, TPersistent)
public:
  explicit TListItem(TListItems* owner);
  ~TListItem() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* source) override;

  TListItems* Owner() const { return FOwner; }
  TCustomListView* ListView() const;
  int32_t Index() const { return FIndex; }
  String Caption() const { return FCaption; }
  void SetCaption(const String& v);
  TStrings* SubItems() const { return FSubItems; }
  void SetSubItems(TStrings* v) { FSubItems->Assign(v); }
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t v);
  int32_t OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int32_t v);
  int32_t StateIndex() const { return FStateIndex; }
  void SetStateIndex(int32_t v);
  void* Data() const { return FData; }
  void SetData(void* v);
  // The check box of a list with Checkboxes: the state image 2 (checked) or 1 (clear).
  bool Checked() const { return FStateIndex == 1; }
  void SetChecked(bool v) { SetStateIndex(v ? 1 : 0); }
  bool Selected() const { return GetState(LVIS_SELECTED); }
  void SetSelected(bool v) { SetState(LVIS_SELECTED, v); }
  bool Focused() const { return GetState(LVIS_FOCUSED); }
  void SetFocused(bool v) { SetState(LVIS_FOCUSED, v); }
  bool Cut() const { return GetState(LVIS_CUT); }
  void SetCut(bool v) { SetState(LVIS_CUT, v); }
  bool DropTarget() const { return GetState(LVIS_DROPHILITED); }
  void SetDropTarget(bool v) { SetState(LVIS_DROPHILITED, v); }

  void MakeVisible(bool partialOK);
  // Starts editing the label (the window must allow it: the list is not ReadOnly); false when refused.
  bool EditCaption();
  void CancelEdit();
  RECT DisplayRect(TDisplayCode code) const;
  void Update();
  void Delete();

private:
  friend class TListItems;
  friend class TCustomListView;
  bool GetState(UINT bit) const;
  void SetState(UINT bit, bool on);
  UINT WindowState() const;  // overlay, state image and the kept state bits
  void SubItemsChanged(TObject*);
  TListItems* FOwner;
  int32_t FIndex = -1;
  String FCaption;
  TStringList* FSubItems;
  int32_t FImageIndex = 0;
  int32_t FOverlayIndex = -1;
  int32_t FStateIndex = -1;
  void* FData = nullptr;
  UINT FStates = 0;  // selection, focus, cut, drop while there is no window (and for owner-data items)
  bool FDeleting = false;
};

class TListItems : public TPersistent {
  RTL_CLASS(TListItems, TPersistent)
public:
  explicit TListItems(TCustomListView* owner);
  ~TListItems() override;
  void Assign(TPersistent* source) override;

  TCustomListView* Owner() const { return FOwner; }
  int32_t Count() const;
  // Owner-data lists only: the number of virtual items.
  void SetCount(int32_t v);
  // The item at index; an owner-data list fills one temporary item through OnData each time.
  TListItem* Item(int32_t index);
  TListItem* operator[](int32_t index) { return Item(index); }
  TListItem* Add();
  TListItem* Insert(int32_t index);
  TListItem* AddItem(TListItem* item, int32_t index = -1);
  void Delete(int32_t index);
  void Clear();
  int32_t IndexOf(TListItem* item) const;
  // Changes between BeginUpdate and EndUpdate repaint and sort once at the end.
  void BeginUpdate();
  void EndUpdate();
  int32_t UpdateCount() const { return FUpdateCount; }

protected:
  void DefineProperties(TFiler* filer) override;

private:
  friend class TCustomListView;
  friend class TListItem;
  void ReadItems(TReader* reader);
  void WriteItems(TWriter* writer);
  void Renumber(int32_t from);
  void Remove(int32_t index);  // takes the item out of the list and the window
  TCustomListView* FOwner;
  std::vector<TListItem*> FItems;
  int32_t FUpdateCount = 0;
  int32_t FVirtualCount = 0;
};

class TCustomListView : public TWinControl {
  RTL_CLASS(TCustomListView, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;
  void BeforeDestruction() override;

  TListItems* Items() const { return FItems; }
  void SetItems(TListItems* v) { FItems->Assign(v); }
  TListColumns* Columns() const { return FColumns; }
  void SetColumns(TListColumns* v) { FColumns->Assign(v); }
  TListColumn* Column(int32_t i) const { return FColumns->Items(i); }

  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle v);
  TCustomImageList* LargeImages() const { return FLargeImages; }
  void SetLargeImages(TCustomImageList* v) { SetImageList(FLargeImages, FLargeLink, LVSIL_NORMAL, v); }
  TCustomImageList* SmallImages() const { return FSmallImages; }
  void SetSmallImages(TCustomImageList* v) { SetImageList(FSmallImages, FSmallLink, LVSIL_SMALL, v); }
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* v) { SetImageList(FStateImages, FStateLink, LVSIL_STATE, v); }
  bool OwnerData() const { return FOwnerData; }
  void SetOwnerData(bool v);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool v) { SetStyleFlag(FMultiSelect, v); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v) { SetStyleFlag(FReadOnly, v); }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool v) { SetStyleFlag(FHideSelection, v); }
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool v);
  bool ColumnClick() const { return FColumnClick; }
  void SetColumnClick(bool v) { SetStyleFlag(FColumnClick, v); }
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool v) { SetStyleFlag(FShowColumnHeaders, v); }
  bool Checkboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool v);
  TSortType SortType() const { return FSortType; }
  void SetSortType(TSortType v);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);

  // The first selected item; setting one selects it (a single-selection list drops the old one), nullptr
  // clears the selection.
  TListItem* Selected();
  void SetSelected(TListItem* v);
  TListItem* ItemFocused();
  void SetItemFocused(TListItem* v);
  int32_t SelCount();
  TListItem* GetNextItem(TListItem* start, TSearchDirection direction, TItemStates states);
  TListItem* GetItemAt(int32_t x, int32_t y);
  THitTests GetHitTestInfoAt(int32_t x, int32_t y);
  TListItem* TopItem();
  int32_t VisibleRowCount();
  TListItem* FindCaption(int32_t startIndex, const String& value, bool partial, bool inclusive, bool wrap);
  TListItem* FindData(int32_t startIndex, void* value, bool inclusive, bool wrap);
  bool IsEditing();
  void Clear() { FItems->Clear(); }
  // Sorts by OnCompare, else by caption (stText, stBoth) or data (stData).
  bool AlphaSort();
  bool CustomSort(TLVCompare compare, LPARAM data);
  void Scroll(int32_t dx, int32_t dy);
  void UpdateItems(int32_t first, int32_t last);

  TLVChangeEvent OnChange;
  TLVChangingEvent OnChanging;
  TLVSelectItemEvent OnSelectItem;
  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVDeletedEvent OnDeletion;
  TLVDeletedEvent OnInsert;
  TLVOwnerDataEvent OnData;
  TLVOwnerDataFindEvent OnDataFind;

  void CNNotify(TMessage& m);
  void WMGetDlgCode(TMessage& m);

protected:
  friend class TListItems;
  friend class TListItem;
  friend class TListColumns;
  friend class TListColumn;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void Resize() override;

  virtual bool CanChange(TListItem* item, TItemChange change);
  virtual void Change(TListItem* item, TItemChange change);
  virtual void DoSelectItem(TListItem* item, bool selected);
  virtual void ColClick(TListColumn* column);
  virtual bool CanEdit(TListItem* item);
  virtual void Edit(TListItem* item, String& s);
  virtual void Delete(TListItem* item);
  virtual void InsertItem(TListItem* item);
  // Fills item (the temporary one) for index; false when nothing was supplied.
  virtual bool OwnerDataFetch(TListItem* item, TItemRequest request);
  virtual int32_t OwnerDataFind(TItemFind find, const String& findString, POINT findPosition, void* findData,
                                int32_t startIndex, TSearchDirection direction, bool wrap);
  virtual int32_t DoCompare(TListItem* a, TListItem* b, int32_t data);

private:
  void SetImageList(TCustomImageList*& slot, TChangeLink* link, WPARAM which, TCustomImageList* v);
  void ImageListChange(TObject* sender);
  void SetStyleFlag(bool& flag, bool v);
  void InsertIntoWindow(TListItem* item);
  void PushState(TListItem* item, UINT mask);
  void UpdateColumns();
  void UpdateColumn(int32_t index);
  void ApplyColumnWidths();
  void SortIfNeeded();
  TListItem* ItemOfNotify(int32_t index, LPARAM param);
  TListItem* TempItem(int32_t index);
  void DisplayInfo(NMLVDISPINFO* di);

  TListItems* FItems;
  TListColumns* FColumns;
  TViewStyle FViewStyle = vsIcon;
  TCustomImageList* FLargeImages = nullptr;
  TCustomImageList* FSmallImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  TChangeLink* FLargeLink;
  TChangeLink* FSmallLink;
  TChangeLink* FStateLink;
  bool FOwnerData = false;
  bool FMultiSelect = false;
  bool FReadOnly = false;
  bool FHideSelection = true;
  bool FRowSelect = false;
  bool FColumnClick = true;
  bool FShowColumnHeaders = true;
  bool FCheckboxes = false;
  TSortType FSortType = stNone;
  TBorderStyle FBorderStyle = bsSingle;
  TListItem* FTempItem;
  bool FSortPending = false;
  bool FQuiet = false;   // filling a new window: its notifications are no user's changes
  int32_t FSavedTop = 0;
  std::vector<std::pair<int32_t, UINT>> FVirtualStates;  // owner data: the states kept for a new window
};

class TListView : public TCustomListView {
  RTL_CLASS(TListView, TCustomListView)
public:
  using TCustomListView::TCustomListView;
};

// ---- tree view ------------------------------------------------------------------------------------

using TTVChangedEvent = Event<TObject*, TTreeNode*>;
using TTVChangingEvent = Event<TObject*, TTreeNode*, bool& /*allowChange*/>;
using TTVExpandingEvent = Event<TObject*, TTreeNode*, bool& /*allowExpansion*/>;
using TTVCollapsingEvent = Event<TObject*, TTreeNode*, bool& /*allowCollapse*/>;
using TTVExpandedEvent = Event<TObject*, TTreeNode*>;
using TTVEditingEvent = Event<TObject*, TTreeNode*, bool& /*allowEdit*/>;
using TTVEditedEvent = Event<TObject*, TTreeNode*, String& /*s*/>;
using TTVCompareEvent = Event<TObject*, TTreeNode*, TTreeNode*, int32_t /*data*/, int32_t& /*compare*/>;
using TTVCompare = int (*)(LPARAM node1, LPARAM node2, LPARAM data);

class TTreeNode : public TPersistent {
  RTL_CLASS(TTreeNode, TPersistent)
public:
  explicit TTreeNode(TTreeNodes* owner);
  ~TTreeNode() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* source) override;

  TTreeNodes* Owner() const { return FOwner; }
  TCustomTreeView* TreeView() const;
  HTREEITEM ItemId() const { return FItemId; }
  String Text() const { return FText; }
  void SetText(const String& v);
  void* Data() const { return FData; }
  void SetData(void* v);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t v);
  int32_t SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int32_t v);
  int32_t OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int32_t v);
  int32_t StateIndex() const { return FStateIndex; }
  void SetStateIndex(int32_t v);
  // Whether the node shows an expand button; adding a child sets it, deleting the last one clears it.
  bool HasChildren() const { return FHasChildren; }
  void SetHasChildren(bool v);
  bool Expanded() const;
  void SetExpanded(bool v);
  bool Selected() const;
  void SetSelected(bool v);
  bool Focused() const { return Selected(); }
  bool Cut() const { return FCut; }
  void SetCut(bool v);
  bool DropTarget() const;
  void SetDropTarget(bool v);
  bool Deleting() const { return FDeleting; }
  // Visible: every ancestor is expanded.
  bool IsVisible() const;

  TTreeNode* Parent() const { return FParent; }
  int32_t Count() const { return static_cast<int32_t>(FChildren.size()); }
  TTreeNode* Item(int32_t index) const;
  int32_t Index() const;
  int32_t IndexOf(TTreeNode* child) const;
  int32_t Level() const;
  int32_t AbsoluteIndex() const;
  bool HasAsParent(TTreeNode* node) const;
  TTreeNode* getFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
  TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
  TTreeNode* getNextSibling() const;
  TTreeNode* getPrevSibling() const;
  TTreeNode* GetNext() const;  // the next node in tree order
  TTreeNode* GetPrev() const;
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;

  // Through the same events as the user's expand and collapse (OnExpanding may refuse).
  void Expand(bool recurse);
  void Collapse(bool recurse);
  void MakeVisible();
  void Delete();
  void DeleteChildren();
  bool EditText();
  void EndEdit(bool cancel);
  void MoveTo(TTreeNode* destination, TNodeAttachMode mode);
  bool AlphaSort(bool recurse = false);
  bool CustomSort(TTVCompare compare, LPARAM data, bool recurse = false);
  RECT DisplayRect(bool textOnly) const;

private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  UINT WindowState() const;
  void Push(UINT mask);
  void RepaintRow();
  TTreeNodes* FOwner;
  HTREEITEM FItemId = nullptr;
  TTreeNode* FParent = nullptr;
  std::vector<TTreeNode*> FChildren;
  String FText;
  void* FData = nullptr;
  int32_t FImageIndex = 0;
  int32_t FSelectedIndex = 0;
  int32_t FOverlayIndex = -1;
  int32_t FStateIndex = -1;
  bool FHasChildren = false;
  bool FExpanded = false;  // kept while there is no window
  bool FCut = false;
  bool FDeleting = false;
};

class TTreeNodes : public TPersistent {
  RTL_CLASS(TTreeNodes, TPersistent)
public:
  explicit TTreeNodes(TCustomTreeView* owner);
  ~TTreeNodes() override;
  void Assign(TPersistent* source) override;

  TCustomTreeView* Owner() const { return FOwner; }
  // Every node, at any level.
  int32_t Count() const;
  // The node at an absolute index (tree order).
  TTreeNode* Item(int32_t index) const;
  TTreeNode* operator[](int32_t index) const { return Item(index); }
  TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
  TTreeNode* GetNode(HTREEITEM item) const;

  // As the last sibling of sibling (a root without one).
  TTreeNode* Add(TTreeNode* sibling, const String& s) { return AddObject(sibling, s, nullptr); }
  TTreeNode* AddObject(TTreeNode* sibling, const String& s, void* data);
  TTreeNode* AddFirst(TTreeNode* sibling, const String& s) { return AddObjectFirst(sibling, s, nullptr); }
  TTreeNode* AddObjectFirst(TTreeNode* sibling, const String& s, void* data);
  TTreeNode* AddChild(TTreeNode* parent, const String& s) { return AddChildObject(parent, s, nullptr); }
  TTreeNode* AddChildObject(TTreeNode* parent, const String& s, void* data);
  TTreeNode* AddChildFirst(TTreeNode* parent, const String& s) { return AddChildObjectFirst(parent, s, nullptr); }
  TTreeNode* AddChildObjectFirst(TTreeNode* parent, const String& s, void* data);
  // Before sibling.
  TTreeNode* Insert(TTreeNode* sibling, const String& s) { return InsertObject(sibling, s, nullptr); }
  TTreeNode* InsertObject(TTreeNode* sibling, const String& s, void* data);
  void Delete(TTreeNode* node) { node->Delete(); }
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  int32_t UpdateCount() const { return FUpdateCount; }

protected:
  void DefineProperties(TFiler* filer) override;

private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  // Puts node under parent (nullptr: a root) at position pos, in the model and the window.
  TTreeNode* Attach(TTreeNode* node, TTreeNode* parent, size_t pos);
  TTreeNode* AddNode(TTreeNode* relative, const String& s, void* data, TNodeAttachMode mode);
  std::vector<TTreeNode*>& SiblingsOf(TTreeNode* parent) { return parent ? parent->FChildren : FRoots; }
  void ReadNodes(TReader* reader);
  void WriteNodes(TWriter* writer);
  TCustomTreeView* FOwner;
  std::vector<TTreeNode*> FRoots;
  int32_t FUpdateCount = 0;
  bool FDestroying = false;
};

class TCustomTreeView : public TWinControl {
  RTL_CLASS(TCustomTreeView, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;
  void BeforeDestruction() override;

  TTreeNodes* Items() const { return FNodes; }
  void SetItems(TTreeNodes* v) { FNodes->Assign(v); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* v) { SetImageList(FImages, FImageLink, TVSIL_NORMAL, v); }
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* v) { SetImageList(FStateImages, FStateLink, TVSIL_STATE, v); }
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool v) { SetStyleFlag(FShowButtons, v); }
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool v) { SetStyleFlag(FShowLines, v); }
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool v) { SetStyleFlag(FShowRoot, v); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v) { SetStyleFlag(FReadOnly, v); }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool v) { SetStyleFlag(FHideSelection, v); }
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool v) { SetStyleFlag(FRowSelect, v); }
  bool ToolTips() const { return FToolTips; }
  void SetToolTips(bool v) { SetStyleFlag(FToolTips, v); }
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool v) { SetStyleFlag(FHotTrack, v); }
  // A right click selects the node under the mouse before the context menu.
  bool RightClickSelect() const { return FRightClickSelect; }
  void SetRightClickSelect(bool v) { FRightClickSelect = v; }
  // Selecting a node expands it and collapses the others (the window's single-expand style).
  bool AutoExpand() const { return FAutoExpand; }
  void SetAutoExpand(bool v) { SetStyleFlag(FAutoExpand, v); }
  // Whether a new window gets the nodes back; without, the nodes are deleted when the window goes.
  bool CreateWndRestores() const { return FCreateWndRestores; }
  void SetCreateWndRestores(bool v) { FCreateWndRestores = v; }
  int32_t Indent();
  void SetIndent(int32_t v);
  TSortType SortType() const { return FSortType; }
  void SetSortType(TSortType v);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);
  // Milliseconds OnChange waits after a selection change; a newer change restarts the wait, so moving
  // quickly through the nodes reports only where the selection stops. 0 reports every change at once.
  int32_t ChangeDelay() const { return FChangeDelay; }
  void SetChangeDelay(int32_t v);

  TTreeNode* Selected();
  void SetSelected(TTreeNode* v);
  TTreeNode* TopItem();
  void SetTopItem(TTreeNode* v);
  TTreeNode* DropTarget();
  void SetDropTarget(TTreeNode* v);
  TTreeNode* GetNodeAt(int32_t x, int32_t y);
  THitTests GetHitTestInfoAt(int32_t x, int32_t y);
  bool IsEditing();
  void FullExpand();
  void FullCollapse();
  bool AlphaSort(bool recurse = true);
  bool CustomSort(TTVCompare compare, LPARAM data, bool recurse = true);

  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVExpandedEvent OnGetImageIndex;
  TTVExpandedEvent OnGetSelectedIndex;
  TTVExpandedEvent OnDeletion;
  TTVExpandedEvent OnAddition;
  TTVCompareEvent OnCompare;

  void CNNotify(TMessage& m);
  void WMGetDlgCode(TMessage& m);

protected:
  friend class TTreeNodes;
  friend class TTreeNode;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

  virtual bool CanChange(TTreeNode* node);
  virtual void Change(TTreeNode* node);
  virtual bool CanExpand(TTreeNode* node);
  virtual void Expand(TTreeNode* node);
  virtual bool CanCollapse(TTreeNode* node);
  virtual void Collapse(TTreeNode* node);
  virtual bool CanEdit(TTreeNode* node);
  virtual void Edit(TTreeNode* node, String& s);
  virtual void Delete(TTreeNode* node);
  virtual void Added(TTreeNode* node);
  virtual void GetImageIndex(TTreeNode* node);
  virtual void GetSelectedIndex(TTreeNode* node);
  virtual int32_t DoCompare(TTreeNode* a, TTreeNode* b, int32_t data);

private:
  void SetImageList(TCustomImageList*& slot, TChangeLink* link, WPARAM which, TCustomImageList* v);
  void ImageListChange(TObject* sender);
  void SetStyleFlag(bool& flag, bool v);
  void InsertIntoWindow(TTreeNode* node);
  void SortNodes(std::vector<TTreeNode*>& nodes, TTreeNode* parent, const std::function<int(TTreeNode*, TTreeNode*)>& cmp,
                 bool recurse);
  void SortIfNeeded(TTreeNode* parent);
  void ChangeTimer(TObject* sender);

  TTreeNodes* FNodes;
  TTimer* FChangeTimer;
  int32_t FChangeDelay = 0;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  TChangeLink* FImageLink;
  TChangeLink* FStateLink;
  bool FShowButtons = true;
  bool FShowLines = true;
  bool FShowRoot = true;
  bool FReadOnly = false;
  bool FHideSelection = true;
  bool FRowSelect = false;
  bool FToolTips = true;
  bool FHotTrack = false;
  bool FRightClickSelect = false;
  bool FAutoExpand = false;
  bool FCreateWndRestores = true;
  int32_t FIndent = 19;
  TSortType FSortType = stNone;
  TBorderStyle FBorderStyle = bsSingle;
  int32_t FQuiet = 0;          // our own window changes: no events
  bool FManualNotify = false;  // Expand/Collapse asked the events already
  TTreeNode* FSavedSelected = nullptr;
  TTreeNode* FSavedTop = nullptr;
  TTreeNode* FSavedDrop = nullptr;
};

class TTreeView : public TCustomTreeView {
  RTL_CLASS(TTreeView, TCustomTreeView)
public:
  using TCustomTreeView::TCustomTreeView;
};

// Registers TListView and TTreeView so that form text can create them.
void RegisterComCtrls();
