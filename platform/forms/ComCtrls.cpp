#include "forms/ComCtrls.h"

#include <algorithm>
#include <cstring>

#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

RTL_PUBLISHED(TListColumn) {
  prop("Alignment", &TListColumn::Alignment, &TListColumn::SetAlignment).Default(taLeftJustify);
  prop("AutoSize", &TListColumn::AutoSize, &TListColumn::SetAutoSize).Default(false);
  prop("Caption", &TListColumn::Caption, &TListColumn::SetCaption);
  prop("Width", &TListColumn::StoredWidth, &TListColumn::SetWidth).Default(50);
}

RTL_PUBLISHED(TCustomListView) {
  prop("BorderStyle", &TCustomListView::BorderStyle, &TCustomListView::SetBorderStyle).Default(bsSingle);
  prop("Checkboxes", &TCustomListView::Checkboxes, &TCustomListView::SetCheckboxes).Default(false);
  prop("Columns", &TCustomListView::Columns, &TCustomListView::SetColumns);
  prop("ColumnClick", &TCustomListView::ColumnClick, &TCustomListView::SetColumnClick).Default(true);
  prop("HideSelection", &TCustomListView::HideSelection, &TCustomListView::SetHideSelection).Default(true);
  prop("Items", &TCustomListView::Items, &TCustomListView::SetItems);
  prop("LargeImages", &TCustomListView::LargeImages, &TCustomListView::SetLargeImages);
  prop("MultiSelect", &TCustomListView::MultiSelect, &TCustomListView::SetMultiSelect).Default(false);
  prop("OwnerData", &TCustomListView::OwnerData, &TCustomListView::SetOwnerData).Default(false);
  prop("ReadOnly", &TCustomListView::ReadOnly, &TCustomListView::SetReadOnly).Default(false);
  prop("RowSelect", &TCustomListView::RowSelect, &TCustomListView::SetRowSelect).Default(false);
  prop("ShowColumnHeaders", &TCustomListView::ShowColumnHeaders, &TCustomListView::SetShowColumnHeaders).Default(true);
  prop("SmallImages", &TCustomListView::SmallImages, &TCustomListView::SetSmallImages);
  prop("SortType", &TCustomListView::SortType, &TCustomListView::SetSortType).Default(stNone);
  prop("StateImages", &TCustomListView::StateImages, &TCustomListView::SetStateImages);
  prop("TabStop", &TCustomListView::TabStop, &TCustomListView::SetTabStop).Default(true);
  prop("ViewStyle", &TCustomListView::ViewStyle, &TCustomListView::SetViewStyle).Default(vsIcon);
  event("OnChange", &TCustomListView::OnChange, &TCustomListView::OnChange);
  event("OnChanging", &TCustomListView::OnChanging, &TCustomListView::OnChanging);
  event("OnColumnClick", &TCustomListView::OnColumnClick, &TCustomListView::OnColumnClick);
  event("OnCompare", &TCustomListView::OnCompare, &TCustomListView::OnCompare);
  event("OnData", &TCustomListView::OnData, &TCustomListView::OnData);
  event("OnDataFind", &TCustomListView::OnDataFind, &TCustomListView::OnDataFind);
  event("OnDeletion", &TCustomListView::OnDeletion, &TCustomListView::OnDeletion);
  event("OnEdited", &TCustomListView::OnEdited, &TCustomListView::OnEdited);
  event("OnEditing", &TCustomListView::OnEditing, &TCustomListView::OnEditing);
  event("OnInsert", &TCustomListView::OnInsert, &TCustomListView::OnInsert);
  event("OnSelectItem", &TCustomListView::OnSelectItem, &TCustomListView::OnSelectItem);
}

RTL_PUBLISHED(TCustomTreeView) {
  prop("AutoExpand", &TCustomTreeView::AutoExpand, &TCustomTreeView::SetAutoExpand).Default(false);
  prop("BorderStyle", &TCustomTreeView::BorderStyle, &TCustomTreeView::SetBorderStyle).Default(bsSingle);
  prop("ChangeDelay", &TCustomTreeView::ChangeDelay, &TCustomTreeView::SetChangeDelay).Default(0);
  prop("HideSelection", &TCustomTreeView::HideSelection, &TCustomTreeView::SetHideSelection).Default(true);
  prop("HotTrack", &TCustomTreeView::HotTrack, &TCustomTreeView::SetHotTrack).Default(false);
  prop("Images", &TCustomTreeView::Images, &TCustomTreeView::SetImages);
  prop("Indent", &TCustomTreeView::Indent, &TCustomTreeView::SetIndent).Default(19);
  prop("Items", &TCustomTreeView::Items, &TCustomTreeView::SetItems);
  prop("ReadOnly", &TCustomTreeView::ReadOnly, &TCustomTreeView::SetReadOnly).Default(false);
  prop("RightClickSelect", &TCustomTreeView::RightClickSelect, &TCustomTreeView::SetRightClickSelect).Default(false);
  prop("RowSelect", &TCustomTreeView::RowSelect, &TCustomTreeView::SetRowSelect).Default(false);
  prop("ShowButtons", &TCustomTreeView::ShowButtons, &TCustomTreeView::SetShowButtons).Default(true);
  prop("ShowLines", &TCustomTreeView::ShowLines, &TCustomTreeView::SetShowLines).Default(true);
  prop("ShowRoot", &TCustomTreeView::ShowRoot, &TCustomTreeView::SetShowRoot).Default(true);
  prop("SortType", &TCustomTreeView::SortType, &TCustomTreeView::SetSortType).Default(stNone);
  prop("StateImages", &TCustomTreeView::StateImages, &TCustomTreeView::SetStateImages);
  prop("TabStop", &TCustomTreeView::TabStop, &TCustomTreeView::SetTabStop).Default(true);
  prop("ToolTips", &TCustomTreeView::ToolTips, &TCustomTreeView::SetToolTips).Default(true);
  event("OnAddition", &TCustomTreeView::OnAddition, &TCustomTreeView::OnAddition);
  event("OnChange", &TCustomTreeView::OnChange, &TCustomTreeView::OnChange);
  event("OnChanging", &TCustomTreeView::OnChanging, &TCustomTreeView::OnChanging);
  event("OnCollapsed", &TCustomTreeView::OnCollapsed, &TCustomTreeView::OnCollapsed);
  event("OnCollapsing", &TCustomTreeView::OnCollapsing, &TCustomTreeView::OnCollapsing);
  event("OnCompare", &TCustomTreeView::OnCompare, &TCustomTreeView::OnCompare);
  event("OnDeletion", &TCustomTreeView::OnDeletion, &TCustomTreeView::OnDeletion);
  event("OnEdited", &TCustomTreeView::OnEdited, &TCustomTreeView::OnEdited);
  event("OnEditing", &TCustomTreeView::OnEditing, &TCustomTreeView::OnEditing);
  event("OnExpanded", &TCustomTreeView::OnExpanded, &TCustomTreeView::OnExpanded);
  event("OnExpanding", &TCustomTreeView::OnExpanding, &TCustomTreeView::OnExpanding);
  event("OnGetImageIndex", &TCustomTreeView::OnGetImageIndex, &TCustomTreeView::OnGetImageIndex);
  event("OnGetSelectedIndex", &TCustomTreeView::OnGetSelectedIndex, &TCustomTreeView::OnGetSelectedIndex);
}

RTL_MESSAGE(TCustomListView, CN_NOTIFY, CNNotify);
RTL_MESSAGE(TCustomListView, WM_GETDLGCODE, WMGetDlgCode);
RTL_MESSAGE(TCustomTreeView, CN_NOTIFY, CNNotify);
RTL_MESSAGE(TCustomTreeView, WM_GETDLGCODE, WMGetDlgCode);

namespace {

constexpr UINT kKeptStates = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED;

void CopyText(const String& s, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return;
  size_t n = std::min(s.size(), static_cast<size_t>(size - 1));
  // Never end inside a UTF-8 sequence.
  while (n > 0 && n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buffer, s.data(), n);
  buffer[n] = 0;
}

UINT OverlayBits(int32_t overlay) { return overlay >= 0 ? INDEXTOOVERLAYMASK(static_cast<UINT>(overlay) + 1) : 0; }
UINT StateImageBits(int32_t state) { return state >= 0 ? (static_cast<UINT>(state) + 1) << 12 : 0; }

int Sign(int32_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

// ===================================================================================================
// TListColumn, TListColumns

void TListColumn::Assign(TPersistent* source) {
  if (auto* c = dynamic_cast<TListColumn*>(source)) {
    FCaption = c->FCaption;
    FWidth = c->FWidth;
    FAlignment = c->FAlignment;
    FAutoSize = c->FAutoSize;
    Changed(false);
    return;
  }
  inherited::Assign(source);
}

void TListColumn::SetCaption(const String& v) {
  if (FCaption == v) return;
  FCaption = v;
  Changed(false);
}

int32_t TListColumn::Width() {
  auto* cols = dynamic_cast<TListColumns*>(Collection());
  if (cols && cols->Owner()->HandleAllocated() && cols->Owner()->ViewStyle() == vsReport)
    return static_cast<int32_t>(::SendMessage(cols->Owner()->Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(Index()), 0));
  return FWidth;
}

void TListColumn::SetWidth(int32_t v) {
  if (FWidth == v) return;
  FWidth = std::max(v, 0);
  Changed(false);
}

void TListColumn::SetAlignment(TAlignment v) {
  if (FAlignment == v) return;
  FAlignment = v;
  Changed(false);
}

void TListColumn::SetAutoSize(bool v) {
  if (FAutoSize == v) return;
  FAutoSize = v;
  Changed(false);
}

String TListColumn::GetDisplayName() { return FCaption.empty() ? inherited::GetDisplayName() : FCaption; }

TListColumns::TListColumns(TCustomListView* owner) : TCollection(TListColumn::StaticClass()), FOwner(owner) {}

TPersistent* TListColumns::GetOwner() { return FOwner; }

void TListColumns::Update(TCollectionItem* item) {
  if (item) FOwner->UpdateColumn(item->Index());
  else FOwner->UpdateColumns();
}

void TListColumns::Notify(TCollectionItem* item, TCollectionNotification action) {
  inherited::Notify(item, action);
  if (!FOwner->HandleAllocated()) return;
  if (action == cnAdded) {
    LVCOLUMN c{};
    c.mask = LVCF_WIDTH;
    c.cx = static_cast<TListColumn*>(item)->StoredWidth();
    ::SendMessage(FOwner->Handle(), LVM_INSERTCOLUMN, static_cast<WPARAM>(item->Index()), reinterpret_cast<LPARAM>(&c));
    FOwner->UpdateColumn(item->Index());
  } else {
    ::SendMessage(FOwner->Handle(), LVM_DELETECOLUMN, static_cast<WPARAM>(item->Index()), 0);
  }
}

// ===================================================================================================
// TListItem

TListItem::TListItem(TListItems* owner) : FOwner(owner), FSubItems(New<TStringList>()) {
  FSubItems->SetOnChange(TNotifyEvent(this, &TListItem::SubItemsChanged));
}

TListItem::~TListItem() { FreeAndNil(FSubItems); }

TCustomListView* TListItem::ListView() const { return FOwner->Owner(); }

void TListItem::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TListItem*>(source)) {
    SetCaption(s->FCaption);
    FSubItems->Assign(s->FSubItems);
    SetImageIndex(s->FImageIndex);
    SetOverlayIndex(s->FOverlayIndex);
    SetStateIndex(s->FStateIndex);
    FData = s->FData;
    return;
  }
  inherited::Assign(source);
}

void TListItem::SetCaption(const String& v) {
  if (FCaption == v) return;
  FCaption = v;
  TCustomListView* lv = ListView();
  if (this == lv->FTempItem) return;
  Update();
  lv->SortIfNeeded();
}

void TListItem::SetImageIndex(int32_t v) {
  if (FImageIndex == v) return;
  FImageIndex = v;
  if (this != ListView()->FTempItem) Update();
}

void TListItem::SetOverlayIndex(int32_t v) {
  if (FOverlayIndex == v) return;
  FOverlayIndex = v;
  if (this != ListView()->FTempItem) ListView()->PushState(this, LVIS_OVERLAYMASK);
}

void TListItem::SetStateIndex(int32_t v) {
  if (FStateIndex == v) return;
  FStateIndex = v;
  if (this != ListView()->FTempItem) ListView()->PushState(this, LVIS_STATEIMAGEMASK);
}

void TListItem::SetData(void* v) {
  FData = v;
  if (this != ListView()->FTempItem && ListView()->SortType() != stNone && ListView()->SortType() != stText)
    ListView()->SortIfNeeded();
}

UINT TListItem::WindowState() const { return OverlayBits(FOverlayIndex) | StateImageBits(FStateIndex); }

bool TListItem::GetState(UINT bit) const {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated() && FIndex >= 0)
    return (::SendMessage(lv->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(FIndex), bit) & bit) != 0;
  return (FStates & bit) != 0;
}

void TListItem::SetState(UINT bit, bool on) {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated() && FIndex >= 0) {
    LVITEM it{};
    it.state = on ? bit : 0;
    it.stateMask = bit;
    // The window answers with LVN_ITEMCHANGING/LVN_ITEMCHANGED, which keep FStates.
    ::SendMessage(lv->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&it));
    return;
  }
  if (on) FStates |= bit;
  else FStates &= ~bit;
}

void TListItem::SubItemsChanged(TObject*) {
  TCustomListView* lv = ListView();
  if (this == lv->FTempItem || !lv->HandleAllocated() || FIndex < 0 || lv->OwnerData()) return;
  // Each sub-item's text is asked for when shown.
  for (int32_t i = 0; i < FSubItems->Count(); ++i) {
    LVITEM it{};
    it.iSubItem = i + 1;
    it.pszText = LPSTR_TEXTCALLBACK;
    ::SendMessage(lv->Handle(), LVM_SETITEMTEXT, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&it));
  }
  Update();
}

void TListItem::MakeVisible(bool) {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated()) ::SendMessage(lv->Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(FIndex), FALSE);
}

bool TListItem::EditCaption() {
  TCustomListView* lv = ListView();
  if (!lv->CanFocus()) return false;
  lv->SetFocus();
  return ::SendMessage(lv->Handle(), LVM_EDITLABEL, static_cast<WPARAM>(FIndex), 0) != 0;
}

void TListItem::CancelEdit() {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated()) ::SendMessage(lv->Handle(), LVM_EDITLABEL, static_cast<WPARAM>(-1), 0);
}

RECT TListItem::DisplayRect(TDisplayCode code) const {
  RECT r{static_cast<LONG>(code), 0, 0, 0};
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated() || !::SendMessage(lv->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&r)))
    return RECT{0, 0, 0, 0};
  return r;
}

void TListItem::Update() {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated() && FIndex >= 0 && lv->Items()->UpdateCount() == 0)
    ::SendMessage(lv->Handle(), LVM_REDRAWITEMS, static_cast<WPARAM>(FIndex), FIndex);
}

void TListItem::Delete() {
  if (!FDeleting && this != ListView()->FTempItem) FOwner->Delete(FIndex);
}

// Freeing an item that is still in the list deletes it from the list.
void TListItem::BeforeDestruction() {
  if (!FDeleting && FIndex >= 0 && FOwner->IndexOf(this) == FIndex && this != ListView()->FTempItem &&
      FIndex < static_cast<int32_t>(FOwner->FItems.size()) && FOwner->FItems[static_cast<size_t>(FIndex)] == this)
    FOwner->Remove(FIndex);
  inherited::BeforeDestruction();
}

// ===================================================================================================
// TListItems

TListItems::TListItems(TCustomListView* owner) : FOwner(owner) {}

TListItems::~TListItems() {
  std::vector<TListItem*> items;
  items.swap(FItems);
  for (TListItem* item : items) {
    item->FDeleting = true;
    item->Free();
  }
}

void TListItems::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TListItems*>(source)) {
    BeginUpdate();
    Clear();
    for (TListItem* item : s->FItems) Add()->Assign(item);
    EndUpdate();
    return;
  }
  inherited::Assign(source);
}

int32_t TListItems::Count() const { return FOwner->OwnerData() ? FVirtualCount : static_cast<int32_t>(FItems.size()); }

void TListItems::SetCount(int32_t v) {
  if (!FOwner->OwnerData()) return;
  FVirtualCount = std::max(v, 0);
  if (FOwner->HandleAllocated())
    ::SendMessage(FOwner->Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(FVirtualCount), 0);
}

TListItem* TListItems::Item(int32_t index) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  if (FOwner->OwnerData()) return FOwner->TempItem(index);
  return FItems[static_cast<size_t>(index)];
}

void TListItems::Renumber(int32_t from) {
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < FItems.size(); ++i) FItems[i]->FIndex = static_cast<int32_t>(i);
}

TListItem* TListItems::Add() { return AddItem(nullptr, -1); }

TListItem* TListItems::Insert(int32_t index) { return AddItem(nullptr, index); }

TListItem* TListItems::AddItem(TListItem* item, int32_t index) {
  if (FOwner->OwnerData()) throw EListError("Cannot add items to an owner-data list");
  if (!item) item = New<TListItem>(this);
  else item->FOwner = this;
  if (index < 0 || index > static_cast<int32_t>(FItems.size())) index = static_cast<int32_t>(FItems.size());
  FItems.insert(FItems.begin() + index, item);
  Renumber(index);
  FOwner->InsertIntoWindow(item);
  FOwner->InsertItem(item);
  FOwner->SortIfNeeded();
  return item;
}

void TListItems::Delete(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(FItems.size()))
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  TListItem* item = FItems[static_cast<size_t>(index)];
  Remove(index);
  item->Free();
}

void TListItems::Remove(int32_t index) {
  TListItem* item = FItems[static_cast<size_t>(index)];
  item->FDeleting = true;
  FOwner->Delete(item);
  if (FOwner->HandleAllocated()) ::SendMessage(FOwner->Handle(), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
  FItems.erase(FItems.begin() + index);
  Renumber(index);
  item->FIndex = -1;
}

void TListItems::Clear() {
  if (FOwner->OwnerData()) {
    SetCount(0);
    return;
  }
  BeginUpdate();
  for (TListItem* item : FItems) {
    item->FDeleting = true;
    FOwner->Delete(item);
  }
  if (FOwner->HandleAllocated()) ::SendMessage(FOwner->Handle(), LVM_DELETEALLITEMS, 0, 0);
  std::vector<TListItem*> gone;
  gone.swap(FItems);
  for (TListItem* item : gone) item->Free();  // FDeleting: already out of the list
  EndUpdate();
}

int32_t TListItems::IndexOf(TListItem* item) const {
  return item && item->FOwner == this && !FOwner->OwnerData() ? item->FIndex : -1;
}

void TListItems::BeginUpdate() { ++FUpdateCount; }

void TListItems::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0) return;
  if (FOwner->FSortPending) FOwner->SortIfNeeded();
  if (FOwner->HandleAllocated()) ::InvalidateRect(FOwner->Handle(), nullptr, TRUE);
}

void TListItems::DefineProperties(TFiler* filer) {
  inherited::DefineProperties(filer);
  filer->DefineProperty("ItemList", TReaderProc(this, &TListItems::ReadItems), TWriterProc(this, &TListItems::WriteItems),
                        !FItems.empty() && !FOwner->OwnerData());
}

void TListItems::ReadItems(TReader* reader) {
  BeginUpdate();
  Clear();
  reader->ReadListBegin();
  while (!reader->EndOfList()) {
    TListItem* item = Add();
    item->SetCaption(reader->ReadString());
    item->SetImageIndex(reader->ReadInteger());
    item->SetStateIndex(reader->ReadInteger());
    item->SetOverlayIndex(reader->ReadInteger());
    int32_t subs = reader->ReadInteger();
    item->FSubItems->BeginUpdate();
    for (int32_t i = 0; i < subs; ++i) item->FSubItems->Add(reader->ReadString());
    item->FSubItems->EndUpdate();
  }
  reader->ReadListEnd();
  EndUpdate();
}

void TListItems::WriteItems(TWriter* writer) {
  writer->WriteListBegin();
  for (TListItem* item : FItems) {
    writer->WriteString(item->FCaption);
    writer->WriteInteger(item->FImageIndex);
    writer->WriteInteger(item->FStateIndex);
    writer->WriteInteger(item->FOverlayIndex);
    writer->WriteInteger(item->FSubItems->Count());
    for (int32_t i = 0; i < item->FSubItems->Count(); ++i) writer->WriteString(item->FSubItems->Strings(i));
  }
  writer->WriteListEnd();
}

// ===================================================================================================
// TCustomListView

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(New<TListItems>(this)),
      FColumns(New<TListColumns>(this)),
      FLargeLink(New<TChangeLink>()),
      FSmallLink(New<TChangeLink>()),
      FStateLink(New<TChangeLink>()),
      FTempItem(nullptr) {
  FControlStyle = TControlStyle{csClickEvents, csDoubleClicks, csDisplayDragImage};
  FWidth = 250;
  FHeight = 150;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  FTempItem = New<TListItem>(FItems);
  for (TChangeLink* link : {FLargeLink, FSmallLink, FStateLink}) link->OnChange = TNotifyEvent(this, &TCustomListView::ImageListChange);
}

TCustomListView::~TCustomListView() {
  FreeAndNil(FLargeLink);
  FreeAndNil(FSmallLink);
  FreeAndNil(FStateLink);
  FTempItem->FDeleting = true;
  FTempItem->Free();
  FreeAndNil(FItems);
  FColumns->Free();
}

void TCustomListView::BeforeDestruction() {
  inherited::BeforeDestruction();
  for (TCustomImageList* images : {FLargeImages, FSmallImages, FStateImages})
    if (images) {
      images->UnRegisterChanges(FLargeLink);
      images->UnRegisterChanges(FSmallLink);
      images->UnRegisterChanges(FStateLink);
    }
}

void TCustomListView::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  CreateSubClass(p, WC_LISTVIEW);
  static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  p.Style |= views[FViewStyle] | LVS_SHAREIMAGELISTS | WS_CLIPCHILDREN;
  if (!FMultiSelect) p.Style |= LVS_SINGLESEL;
  if (FOwnerData) p.Style |= LVS_OWNERDATA;
  if (!FReadOnly) p.Style |= LVS_EDITLABELS;
  if (!FHideSelection) p.Style |= LVS_SHOWSELALWAYS;
  if (!FColumnClick) p.Style |= LVS_NOSORTHEADER;
  if (!FShowColumnHeaders) p.Style |= LVS_NOCOLUMNHEADER;
  if (FBorderStyle == bsSingle) p.Style |= WS_BORDER;
}

void TCustomListView::CreateWnd() {
  inherited::CreateWnd();
  HWND h = FHandle;
  FQuiet = true;
  DWORD ex = (FRowSelect ? LVS_EX_FULLROWSELECT : 0) | (FCheckboxes ? LVS_EX_CHECKBOXES : 0);
  ::SendMessage(h, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES, static_cast<LPARAM>(ex));
  ::SendMessage(h, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(FLargeImages ? FLargeImages->Handle() : nullptr));
  ::SendMessage(h, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FSmallImages ? FSmallImages->Handle() : nullptr));
  ::SendMessage(h, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(FStateImages ? FStateImages->Handle() : nullptr));
  UpdateColumns();
  if (FOwnerData) {
    ::SendMessage(h, LVM_SETITEMCOUNT, static_cast<WPARAM>(FItems->FVirtualCount), 0);
    for (auto [index, state] : FVirtualStates) {
      if (index >= FItems->FVirtualCount) continue;
      LVITEM it{};
      it.state = state;
      it.stateMask = kKeptStates;
      ::SendMessage(h, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&it));
    }
  } else {
    for (TListItem* item : FItems->FItems) InsertIntoWindow(item);
  }
  FVirtualStates.clear();
  if (FSavedTop > 0) ::SendMessage(h, LVM_ENSUREVISIBLE, static_cast<WPARAM>(FSavedTop), FALSE);
  FSavedTop = 0;
  FQuiet = false;
}

void TCustomListView::DestroyWnd() {
  if (FHandle) {
    HWND h = FHandle;
    // The window goes; the items keep what it knew.
    if (::SendMessage(h, LVM_GETEDITCONTROL, 0, 0)) ::SendMessage(h, LVM_EDITLABEL, static_cast<WPARAM>(-1), 0);
    FSavedTop = static_cast<int32_t>(::SendMessage(h, LVM_GETTOPINDEX, 0, 0));
    if (FOwnerData) {
      FVirtualStates.clear();
      for (int32_t i = static_cast<int32_t>(::SendMessage(h, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_ALL)); i >= 0;
           i = static_cast<int32_t>(::SendMessage(h, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_ALL))) {
        UINT s = static_cast<UINT>(::SendMessage(h, LVM_GETITEMSTATE, static_cast<WPARAM>(i), kKeptStates));
        if (s) FVirtualStates.emplace_back(i, s);
      }
    } else {
      for (TListItem* item : FItems->FItems)
        item->FStates = static_cast<UINT>(::SendMessage(h, LVM_GETITEMSTATE, static_cast<WPARAM>(item->FIndex), kKeptStates));
    }
    for (int32_t i = 0; i < FColumns->Count(); ++i) {
      TListColumn* c = FColumns->Items(i);
      if (!c->AutoSize() && FViewStyle == vsReport)
        c->FWidth = static_cast<int32_t>(::SendMessage(h, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
    }
  }
  FQuiet = true;
  inherited::DestroyWnd();
  FQuiet = false;
}

void TCustomListView::InsertIntoWindow(TListItem* item) {
  if (!HandleAllocated() || FOwnerData) return;
  LVITEM it{};
  it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
  it.iItem = item->FIndex;
  it.pszText = LPSTR_TEXTCALLBACK;
  it.iImage = I_IMAGECALLBACK;
  it.lParam = reinterpret_cast<LPARAM>(item);
  it.state = item->WindowState() | (item->FStates & kKeptStates);
  it.stateMask = LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK | kKeptStates;
  bool quiet = FQuiet;
  FQuiet = true;
  ::SendMessage(FHandle, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  FQuiet = quiet;
  for (int32_t i = 0; i < item->FSubItems->Count(); ++i) {
    LVITEM sub{};
    sub.iSubItem = i + 1;
    sub.pszText = LPSTR_TEXTCALLBACK;
    ::SendMessage(FHandle, LVM_SETITEMTEXT, static_cast<WPARAM>(item->FIndex), reinterpret_cast<LPARAM>(&sub));
  }
}

void TCustomListView::PushState(TListItem* item, UINT mask) {
  if (!HandleAllocated() || item->FIndex < 0) return;
  LVITEM it{};
  it.state = item->WindowState();
  it.stateMask = mask;
  ::SendMessage(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(item->FIndex), reinterpret_cast<LPARAM>(&it));
}

void TCustomListView::UpdateColumns() {
  if (!HandleAllocated()) return;
  while (::SendMessage(FHandle, LVM_DELETECOLUMN, 0, 0)) {
  }
  for (int32_t i = 0; i < FColumns->Count(); ++i) {
    LVCOLUMN c{};
    c.mask = LVCF_WIDTH;
    c.cx = FColumns->Items(i)->StoredWidth();
    ::SendMessage(FHandle, LVM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
    UpdateColumn(i);
  }
  ApplyColumnWidths();
}

void TCustomListView::UpdateColumn(int32_t index) {
  if (!HandleAllocated() || index < 0 || index >= FColumns->Count()) return;
  TListColumn* col = FColumns->Items(index);
  static const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
  String caption = col->Caption();
  LVCOLUMN c{};
  c.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
  c.fmt = formats[col->Alignment()];
  c.cx = col->StoredWidth();
  c.pszText = caption.data();
  ::SendMessage(FHandle, LVM_SETCOLUMN, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c));
  if (col->AutoSize()) ApplyColumnWidths();
}

void TCustomListView::ApplyColumnWidths() {
  if (!HandleAllocated()) return;
  // Auto-sized columns share what the fixed ones leave of the client width.
  int32_t fixed = 0, autos = 0;
  for (int32_t i = 0; i < FColumns->Count(); ++i) {
    if (FColumns->Items(i)->AutoSize()) ++autos;
    else fixed += FColumns->Items(i)->StoredWidth();
  }
  if (autos == 0) return;
  RECT r{};
  ::GetClientRect(FHandle, &r);
  int32_t room = std::max<int32_t>(0, r.right - fixed);
  int32_t k = 0;
  for (int32_t i = 0; i < FColumns->Count(); ++i) {
    if (!FColumns->Items(i)->AutoSize()) continue;
    int32_t w = room / autos + (k++ < room % autos ? 1 : 0);
    ::SendMessage(FHandle, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), MAKELPARAM(std::max(w, 0), 0));
  }
}

void TCustomListView::Resize() {
  ApplyColumnWidths();
  inherited::Resize();
}

void TCustomListView::Loaded() {
  inherited::Loaded();
  UpdateColumns();
  SortIfNeeded();
}

void TCustomListView::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FLargeImages) SetLargeImages(nullptr);
  if (component == FSmallImages) SetSmallImages(nullptr);
  if (component == FStateImages) SetStateImages(nullptr);
}

namespace {
// Puts an image list into one of a view's slots: change link and free notification moved over, the window
// told through its set-image-list message.
void AttachImageList(TWinControl* view, TCustomImageList*& slot, TChangeLink* link, UINT message, WPARAM which,
                     TCustomImageList* v) {
  if (slot == v) return;
  if (slot) slot->UnRegisterChanges(link);
  slot = v;
  if (v) {
    v->RegisterChanges(link);
    v->FreeNotification(view);
  }
  if (view->HandleAllocated()) {
    ::SendMessage(view->Handle(), message, which, reinterpret_cast<LPARAM>(v ? v->Handle() : nullptr));
    view->Invalidate();
  }
}
}  // namespace

void TCustomListView::SetImageList(TCustomImageList*& slot, TChangeLink* link, WPARAM which, TCustomImageList* v) {
  AttachImageList(this, slot, link, LVM_SETIMAGELIST, which, v);
}

void TCustomListView::ImageListChange(TObject* sender) {
  if (!HandleAllocated()) return;
  auto* images = dynamic_cast<TCustomImageList*>(sender);
  if (!images) return;
  HIMAGELIST h = images->Handle();
  if (images == FLargeImages) ::SendMessage(FHandle, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(h));
  if (images == FSmallImages) ::SendMessage(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(h));
  if (images == FStateImages) ::SendMessage(FHandle, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(h));
  Invalidate();
}

void TCustomListView::SetStyleFlag(bool& flag, bool v) {
  if (flag == v) return;
  flag = v;
  RecreateWnd();
}

void TCustomListView::SetViewStyle(TViewStyle v) {
  if (FViewStyle == v) return;
  FViewStyle = v;
  if (!HandleAllocated()) return;
  static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  LONG style = ::GetWindowLong(FHandle, GWL_STYLE);
  ::SetWindowLong(FHandle, GWL_STYLE, static_cast<LONG>((static_cast<DWORD>(style) & ~LVS_TYPEMASK) | views[v]));
  ApplyColumnWidths();
  Invalidate();
}

void TCustomListView::SetOwnerData(bool v) {
  if (FOwnerData == v) return;
  Clear();
  FItems->FVirtualCount = 0;
  FOwnerData = v;
  RecreateWnd();
}

void TCustomListView::SetRowSelect(bool v) {
  if (FRowSelect == v) return;
  FRowSelect = v;
  if (HandleAllocated())
    ::SendMessage(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, v ? LVS_EX_FULLROWSELECT : 0);
}

void TCustomListView::SetCheckboxes(bool v) {
  if (FCheckboxes == v) return;
  FCheckboxes = v;
  if (HandleAllocated()) ::SendMessage(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, v ? LVS_EX_CHECKBOXES : 0);
}

void TCustomListView::SetSortType(TSortType v) {
  if (FSortType == v) return;
  FSortType = v;
  SortIfNeeded();
}

void TCustomListView::SetBorderStyle(TBorderStyle v) {
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  RecreateWnd();
}

void TCustomListView::SortIfNeeded() {
  if (FSortType == stNone || FOwnerData) return;
  if (FItems->FUpdateCount > 0 || ComponentState().Contains(csLoading)) {
    FSortPending = true;
    return;
  }
  FSortPending = false;
  AlphaSort();
}

int32_t TCustomListView::DoCompare(TListItem* a, TListItem* b, int32_t data) {
  if (OnCompare) {
    int32_t result = 0;
    OnCompare(this, a, b, data, result);
    return result;
  }
  auto byData = [&] { return a->FData < b->FData ? -1 : a->FData > b->FData ? 1 : 0; };
  if (FSortType == stData) return byData();
  int32_t r = AnsiCompareText(a->FCaption, b->FCaption);
  if (r == 0 && FSortType == stBoth) r = byData();
  return r;
}

bool TCustomListView::AlphaSort() {
  return CustomSort(nullptr, 0);
}

bool TCustomListView::CustomSort(TLVCompare compare, LPARAM data) {
  if (FOwnerData) return false;
  auto& items = FItems->FItems;
  std::stable_sort(items.begin(), items.end(), [&](TListItem* a, TListItem* b) {
    int r = compare ? compare(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b), data)
                    : DoCompare(a, b, static_cast<int32_t>(data));
    return r < 0;
  });
  FItems->Renumber(0);
  if (HandleAllocated()) {
    // The window takes the order the items now have.
    PFNLVCOMPARE byIndex = [](LPARAM a, LPARAM b, LPARAM) {
      return Sign(reinterpret_cast<TListItem*>(a)->Index() - reinterpret_cast<TListItem*>(b)->Index());
    };
    ::SendMessage(FHandle, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(byIndex));
  }
  return true;
}

TListItem* TCustomListView::TempItem(int32_t index) {
  TListItem* t = FTempItem;
  t->FIndex = index;
  t->FCaption.clear();
  t->FSubItems->SetOnChange(nullptr);
  t->FSubItems->Clear();
  t->FSubItems->SetOnChange(TNotifyEvent(t, &TListItem::SubItemsChanged));
  t->FImageIndex = 0;
  t->FOverlayIndex = -1;
  t->FStateIndex = -1;
  t->FData = nullptr;
  OwnerDataFetch(t, TItemRequest{irText, irImage, irParam, irState});
  return t;
}

bool TCustomListView::OwnerDataFetch(TListItem* item, TItemRequest) {
  if (!OnData) return false;
  OnData(this, item);
  return true;
}

int32_t TCustomListView::OwnerDataFind(TItemFind find, const String& findString, POINT findPosition, void* findData,
                                       int32_t startIndex, TSearchDirection direction, bool wrap) {
  int32_t index = -1;
  if (OnDataFind) OnDataFind(this, find, findString, findPosition, findData, startIndex, direction, wrap, index);
  return index;
}

TListItem* TCustomListView::ItemOfNotify(int32_t index, LPARAM param) {
  if (FOwnerData) return index >= 0 && index < FItems->FVirtualCount ? TempItem(index) : nullptr;
  if (param) return reinterpret_cast<TListItem*>(param);
  return index >= 0 && index < static_cast<int32_t>(FItems->FItems.size()) ? FItems->FItems[static_cast<size_t>(index)] : nullptr;
}

void TCustomListView::DisplayInfo(NMLVDISPINFO* di) {
  LVITEM& it = di->item;
  TListItem* item = ItemOfNotify(it.iItem, it.lParam);
  if (!item) return;
  if (it.mask & LVIF_TEXT) {
    int sub = it.iSubItem;
    String text = sub == 0 ? item->FCaption : sub - 1 < item->FSubItems->Count() ? item->FSubItems->Strings(sub - 1) : String();
    CopyText(text, it.pszText, it.cchTextMax);
  }
  if ((it.mask & LVIF_IMAGE) && it.iSubItem == 0) it.iImage = item->FImageIndex;
  if (it.mask & LVIF_STATE) {
    UINT mine = LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK;
    it.state = (it.state & ~mine) | item->WindowState();
    it.stateMask |= mine;
  }
  if ((it.mask & LVIF_PARAM) && FOwnerData) it.lParam = 0;
}

void TCustomListView::CNNotify(TMessage& m) {
  auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
  m.Result = 0;
  if (ComponentState().Contains(csDestroying)) return;
  switch (hdr->code) {
    case LVN_GETDISPINFO: DisplayInfo(reinterpret_cast<NMLVDISPINFO*>(hdr)); break;
    case LVN_ITEMCHANGING: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
      if (FQuiet || nm->uChanged != LVIF_STATE) break;
      if (TListItem* item = ItemOfNotify(nm->iItem, nm->lParam); item && !CanChange(item, ctState)) m.Result = TRUE;
      break;
    }
    case LVN_ITEMCHANGED: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
      TListItem* item = ItemOfNotify(nm->iItem, nm->lParam);
      if (!item) break;
      if (!FOwnerData) item->FStates = nm->uNewState & kKeptStates;
      if (FQuiet || nm->uChanged != LVIF_STATE) break;
      Change(item, ctState);
      bool was = (nm->uOldState & LVIS_SELECTED) != 0, now = (nm->uNewState & LVIS_SELECTED) != 0;
      if (was != now) DoSelectItem(ItemOfNotify(nm->iItem, nm->lParam), now);
      break;
    }
    case LVN_BEGINLABELEDIT: {
      auto* di = reinterpret_cast<NMLVDISPINFO*>(hdr);
      TListItem* item = ItemOfNotify(di->item.iItem, di->item.lParam);
      m.Result = item && CanEdit(item) ? FALSE : TRUE;
      break;
    }
    case LVN_ENDLABELEDIT: {
      auto* di = reinterpret_cast<NMLVDISPINFO*>(hdr);
      TListItem* item = ItemOfNotify(di->item.iItem, di->item.lParam);
      if (item && di->item.pszText) {
        String s = di->item.pszText;
        Edit(item, s);
      }
      // The text stays ours: the window keeps asking for it.
      m.Result = FALSE;
      break;
    }
    case LVN_COLUMNCLICK: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
      if (nm->iSubItem >= 0 && nm->iSubItem < FColumns->Count()) ColClick(FColumns->Items(nm->iSubItem));
      break;
    }
    default: break;
  }
}

void TCustomListView::WMGetDlgCode(TMessage& m) {
  DefaultHandler(m);
  // Enter and Esc belong to the label editor while it is open.
  if (IsEditing()) m.Result |= DLGC_WANTALLKEYS;
}

bool TCustomListView::CanChange(TListItem* item, TItemChange change) {
  bool allow = true;
  if (OnChanging) OnChanging(this, item, change, allow);
  return allow;
}

void TCustomListView::Change(TListItem* item, TItemChange change) {
  if (OnChange) OnChange(this, item, change);
}

void TCustomListView::DoSelectItem(TListItem* item, bool selected) {
  if (OnSelectItem) OnSelectItem(this, item, selected);
}

void TCustomListView::ColClick(TListColumn* column) {
  if (OnColumnClick) OnColumnClick(this, column);
}

bool TCustomListView::CanEdit(TListItem* item) {
  bool allow = !FReadOnly;
  if (allow && OnEditing) OnEditing(this, item, allow);
  return allow;
}

void TCustomListView::Edit(TListItem* item, String& s) {
  if (OnEdited) OnEdited(this, item, s);
  if (!FOwnerData) item->SetCaption(s);
}

void TCustomListView::Delete(TListItem* item) {
  if (OnDeletion) OnDeletion(this, item);
}

void TCustomListView::InsertItem(TListItem* item) {
  if (OnInsert) OnInsert(this, item);
}

TListItem* TCustomListView::Selected() {
  if (HandleAllocated()) {
    int32_t i = static_cast<int32_t>(::SendMessage(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return i >= 0 ? FItems->Item(i) : nullptr;
  }
  for (TListItem* item : FItems->FItems)
    if (item->FStates & LVIS_SELECTED) return item;
  return nullptr;
}

void TCustomListView::SetSelected(TListItem* v) {
  if (v) {
    v->SetSelected(true);
    return;
  }
  if (HandleAllocated()) {
    LVITEM it{};
    it.stateMask = LVIS_SELECTED;
    ::SendMessage(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
  } else {
    for (TListItem* item : FItems->FItems) item->FStates &= ~LVIS_SELECTED;
  }
}

TListItem* TCustomListView::ItemFocused() {
  if (HandleAllocated()) {
    int32_t i = static_cast<int32_t>(::SendMessage(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    return i >= 0 ? FItems->Item(i) : nullptr;
  }
  for (TListItem* item : FItems->FItems)
    if (item->FStates & LVIS_FOCUSED) return item;
  return nullptr;
}

void TCustomListView::SetItemFocused(TListItem* v) {
  if (v) {
    v->SetFocused(true);
  } else if (TListItem* f = ItemFocused()) {
    f->SetFocused(false);
  }
}

int32_t TCustomListView::SelCount() {
  if (HandleAllocated()) return static_cast<int32_t>(::SendMessage(FHandle, LVM_GETSELECTEDCOUNT, 0, 0));
  int32_t n = 0;
  for (TListItem* item : FItems->FItems)
    if (item->FStates & LVIS_SELECTED) ++n;
  return n;
}

TListItem* TCustomListView::GetNextItem(TListItem* start, TSearchDirection direction, TItemStates states) {
  UINT flags = 0;
  if (states.Contains(isSelected)) flags |= LVNI_SELECTED;
  if (states.Contains(isFocused)) flags |= LVNI_FOCUSED;
  if (states.Contains(isCut)) flags |= LVNI_CUT;
  if (states.Contains(isDropHilited)) flags |= LVNI_DROPHILITED;
  if (direction == sdAbove) flags |= LVNI_ABOVE;
  if (direction == sdBelow) flags |= LVNI_BELOW;
  int32_t from = start ? start->FIndex : -1;
  int32_t i = static_cast<int32_t>(::SendMessage(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(from), static_cast<LPARAM>(flags)));
  return i >= 0 ? FItems->Item(i) : nullptr;
}

TListItem* TCustomListView::GetItemAt(int32_t x, int32_t y) {
  LVHITTESTINFO hi{};
  hi.pt = POINT{x, y};
  int32_t i = static_cast<int32_t>(::SendMessage(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hi)));
  return i >= 0 && (hi.flags & LVHT_ONITEM) ? FItems->Item(i) : nullptr;
}

THitTests TCustomListView::GetHitTestInfoAt(int32_t x, int32_t y) {
  LVHITTESTINFO hi{};
  hi.pt = POINT{x, y};
  ::SendMessage(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hi));
  THitTests r;
  UINT f = hi.flags;
  if (f & LVHT_NOWHERE) r.Include(htNowhere);
  if (hi.iItem >= 0) {
    if (f & LVHT_ONITEMICON) r.Include(htOnIcon);
    if (f & LVHT_ONITEMLABEL) r.Include(htOnLabel);
    if (f & LVHT_ONITEMSTATEICON) r.Include(htOnStateIcon);
    if (f & LVHT_ONITEM) r.Include(htOnItem);
  } else {
    // Outside every item the value of the state-icon bit means "above".
    if (f & LVHT_ABOVE) r.Include(htAbove);
    if (f & LVHT_BELOW) r.Include(htBelow);
    if (f & LVHT_TOLEFT) r.Include(htToLeft);
    if (f & LVHT_TORIGHT) r.Include(htToRight);
  }
  return r;
}

TListItem* TCustomListView::TopItem() {
  if (FViewStyle == vsIcon || FViewStyle == vsSmallIcon || FItems->Count() == 0) return nullptr;
  int32_t i = static_cast<int32_t>(::SendMessage(Handle(), LVM_GETTOPINDEX, 0, 0));
  return i >= 0 && i < FItems->Count() ? FItems->Item(i) : nullptr;
}

int32_t TCustomListView::VisibleRowCount() {
  return static_cast<int32_t>(::SendMessage(Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
}

TListItem* TCustomListView::FindCaption(int32_t startIndex, const String& value, bool partial, bool inclusive, bool wrap) {
  int32_t n = FItems->Count();
  if (FOwnerData) {
    int32_t i = OwnerDataFind(partial ? ifPartialString : ifExactString, value, POINT{0, 0}, nullptr,
                              inclusive ? startIndex : startIndex + 1, sdAll, wrap);
    return i >= 0 && i < n ? FItems->Item(i) : nullptr;
  }
  int32_t first = inclusive ? startIndex : startIndex + 1;
  for (int32_t k = 0; k < n; ++k) {
    int32_t i = first + k;
    if (i >= n) {
      if (!wrap) break;
      i -= n;
    }
    if (i < 0) continue;
    const String& c = FItems->FItems[static_cast<size_t>(i)]->FCaption;
    if (partial ? AnsiStartsText(value, c) : AnsiSameText(value, c)) return FItems->FItems[static_cast<size_t>(i)];
  }
  return nullptr;
}

TListItem* TCustomListView::FindData(int32_t startIndex, void* value, bool inclusive, bool wrap) {
  int32_t n = FItems->Count();
  if (FOwnerData) {
    int32_t i = OwnerDataFind(ifData, String(), POINT{0, 0}, value, inclusive ? startIndex : startIndex + 1, sdAll, wrap);
    return i >= 0 && i < n ? FItems->Item(i) : nullptr;
  }
  int32_t first = inclusive ? startIndex : startIndex + 1;
  for (int32_t k = 0; k < n; ++k) {
    int32_t i = first + k;
    if (i >= n) {
      if (!wrap) break;
      i -= n;
    }
    if (i >= 0 && FItems->FItems[static_cast<size_t>(i)]->FData == value) return FItems->FItems[static_cast<size_t>(i)];
  }
  return nullptr;
}

bool TCustomListView::IsEditing() {
  return HandleAllocated() && ::SendMessage(FHandle, LVM_GETEDITCONTROL, 0, 0) != 0;
}

void TCustomListView::Scroll(int32_t dx, int32_t dy) {
  ::SendMessage(Handle(), LVM_SCROLL, static_cast<WPARAM>(dx), static_cast<LPARAM>(dy));
}

void TCustomListView::UpdateItems(int32_t first, int32_t last) {
  if (HandleAllocated()) ::SendMessage(FHandle, LVM_REDRAWITEMS, static_cast<WPARAM>(first), last);
}

// ===================================================================================================
// TTreeNode

TTreeNode::TTreeNode(TTreeNodes* owner) : FOwner(owner) {}

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::TreeView() const { return FOwner->Owner(); }

void TTreeNode::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TTreeNode*>(source)) {
    SetText(s->FText);
    FData = s->FData;
    SetImageIndex(s->FImageIndex);
    SetSelectedIndex(s->FSelectedIndex);
    SetOverlayIndex(s->FOverlayIndex);
    SetStateIndex(s->FStateIndex);
    SetHasChildren(s->FHasChildren);
    return;
  }
  inherited::Assign(source);
}

UINT TTreeNode::WindowState() const {
  return OverlayBits(FOverlayIndex) | StateImageBits(FStateIndex) | (FCut ? TVIS_CUT : 0);
}

// Hands the parts of mask to the window: TVIF_TEXT, TVIF_CHILDREN, TVIF_STATE (overlay, state image, cut).
void TTreeNode::Push(UINT mask) {
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !FItemId) return;
  TVITEM it{};
  it.mask = TVIF_HANDLE | mask;
  it.hItem = FItemId;
  String text = FText;
  it.pszText = text.data();
  it.cChildren = FHasChildren ? 1 : 0;
  it.state = WindowState();
  it.stateMask = TVIS_OVERLAYMASK | TVIS_STATEIMAGEMASK | TVIS_CUT;
  ::SendMessage(tv->Handle(), TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
}

void TTreeNode::SetText(const String& v) {
  if (FText == v) return;
  FText = v;
  Push(TVIF_TEXT);
  TreeView()->SortIfNeeded(FParent);
}

void TTreeNode::SetData(void* v) {
  FData = v;
  TSortType st = TreeView()->SortType();
  if (st == stData || st == stBoth) TreeView()->SortIfNeeded(FParent);
}

// A changed image repaints the node's row (unchanged values repaint nothing: handlers of
// OnGetImageIndex set the index while the row is being painted).
void TTreeNode::RepaintRow() {
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !FItemId) return;
  RECT r = DisplayRect(false);
  ::InvalidateRect(tv->Handle(), &r, TRUE);
}

void TTreeNode::SetImageIndex(int32_t v) {
  if (FImageIndex == v) return;
  FImageIndex = v;
  RepaintRow();
}

void TTreeNode::SetSelectedIndex(int32_t v) {
  if (FSelectedIndex == v) return;
  FSelectedIndex = v;
  RepaintRow();
}

void TTreeNode::SetOverlayIndex(int32_t v) {
  if (FOverlayIndex == v) return;
  FOverlayIndex = v;
  Push(TVIF_STATE);
}

void TTreeNode::SetStateIndex(int32_t v) {
  if (FStateIndex == v) return;
  FStateIndex = v;
  Push(TVIF_STATE);
}

void TTreeNode::SetCut(bool v) {
  if (FCut == v) return;
  FCut = v;
  Push(TVIF_STATE);
}

void TTreeNode::SetHasChildren(bool v) {
  FHasChildren = v;
  Push(TVIF_CHILDREN);
  if (!v && FChildren.empty()) {
    // Nothing left to show: the node is no longer expanded.
    FExpanded = false;
    TCustomTreeView* tv = TreeView();
    if (tv->HandleAllocated() && FItemId) {
      TVITEM it{};
      it.mask = TVIF_HANDLE | TVIF_STATE;
      it.hItem = FItemId;
      it.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
      ::SendMessage(tv->Handle(), TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
    }
  }
}

bool TTreeNode::Expanded() const {
  TCustomTreeView* tv = TreeView();
  if (tv->HandleAllocated() && FItemId)
    return (::SendMessage(tv->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  return FExpanded;
}

void TTreeNode::SetExpanded(bool v) {
  if (v) Expand(false);
  else Collapse(false);
}

void TTreeNode::Expand(bool recurse) {
  TCustomTreeView* tv = TreeView();
  if (!Expanded() && (FHasChildren || !FChildren.empty())) {
    // The events are asked here, not through the window's notifications, so that a refusal holds for
    // code as for the user; the window's own notifications are ignored meanwhile.
    tv->FManualNotify = true;
    try {
      if (tv->CanExpand(this)) {
        if (tv->HandleAllocated() && FItemId)
          ::SendMessage(tv->Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItemId));
        else if (FHasChildren || !FChildren.empty())
          FExpanded = true;
        if (Expanded()) tv->Expand(this);
      }
    } catch (...) {
      tv->FManualNotify = false;
      throw;
    }
    tv->FManualNotify = false;
  }
  if (recurse)
    for (TTreeNode* k : std::vector<TTreeNode*>(FChildren)) k->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  TCustomTreeView* tv = TreeView();
  if (recurse)
    for (TTreeNode* k : std::vector<TTreeNode*>(FChildren)) k->Collapse(true);
  if (!Expanded()) return;
  tv->FManualNotify = true;
  try {
    if (tv->CanCollapse(this)) {
      if (tv->HandleAllocated() && FItemId)
        ::SendMessage(tv->Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItemId));
      FExpanded = false;
      tv->Collapse(this);
    }
  } catch (...) {
    tv->FManualNotify = false;
    throw;
  }
  tv->FManualNotify = false;
}

bool TTreeNode::Selected() const { return TreeView()->Selected() == this; }

void TTreeNode::SetSelected(bool v) {
  TCustomTreeView* tv = TreeView();
  if (v) tv->SetSelected(this);
  else if (tv->Selected() == this) tv->SetSelected(nullptr);
}

bool TTreeNode::DropTarget() const { return const_cast<TCustomTreeView*>(TreeView())->DropTarget() == this; }

void TTreeNode::SetDropTarget(bool v) {
  TCustomTreeView* tv = TreeView();
  if (v) tv->SetDropTarget(this);
  else if (tv->DropTarget() == this) tv->SetDropTarget(nullptr);
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = FParent; p; p = p->FParent)
    if (!p->Expanded()) return false;
  return true;
}

TTreeNode* TTreeNode::Item(int32_t index) const {
  if (index < 0 || index >= Count()) throw EListError("Tree node index out of bounds (" + IntToStr(index) + ")");
  return FChildren[static_cast<size_t>(index)];
}

int32_t TTreeNode::IndexOf(TTreeNode* child) const {
  auto it = std::find(FChildren.begin(), FChildren.end(), child);
  return it == FChildren.end() ? -1 : static_cast<int32_t>(it - FChildren.begin());
}

int32_t TTreeNode::Index() const {
  const auto& sib = FParent ? FParent->FChildren : FOwner->FRoots;
  auto it = std::find(sib.begin(), sib.end(), this);
  return it == sib.end() ? -1 : static_cast<int32_t>(it - sib.begin());
}

int32_t TTreeNode::Level() const {
  int32_t n = 0;
  for (TTreeNode* p = FParent; p; p = p->FParent) ++n;
  return n;
}

int32_t TTreeNode::AbsoluteIndex() const {
  int32_t n = 0;
  for (TTreeNode* p = FOwner->GetFirstNode(); p; p = p->GetNext(), ++n)
    if (p == this) return n;
  return -1;
}

bool TTreeNode::HasAsParent(TTreeNode* node) const {
  for (TTreeNode* p = FParent; p; p = p->FParent)
    if (p == node) return true;
  return false;
}

TTreeNode* TTreeNode::getNextSibling() const {
  const auto& sib = FParent ? FParent->FChildren : FOwner->FRoots;
  auto it = std::find(sib.begin(), sib.end(), this);
  return it == sib.end() || it + 1 == sib.end() ? nullptr : *(it + 1);
}

TTreeNode* TTreeNode::getPrevSibling() const {
  const auto& sib = FParent ? FParent->FChildren : FOwner->FRoots;
  auto it = std::find(sib.begin(), sib.end(), this);
  return it == sib.end() || it == sib.begin() ? nullptr : *(it - 1);
}

TTreeNode* TTreeNode::GetNext() const {
  if (!FChildren.empty()) return FChildren.front();
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (TTreeNode* s = n->getNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* p = getPrevSibling();
  if (!p) return FParent;
  while (!p->FChildren.empty()) p = p->FChildren.back();
  return p;
}

TTreeNode* TTreeNode::GetNextVisible() const {
  if (!IsVisible()) return nullptr;
  if (!FChildren.empty() && Expanded()) return FChildren.front();
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (TTreeNode* s = n->getNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  TTreeNode* p = getPrevSibling();
  if (!p) return FParent;
  while (!p->FChildren.empty() && p->Expanded()) p = p->FChildren.back();
  return p;
}

void TTreeNode::MakeVisible() {
  TCustomTreeView* tv = TreeView();
  if (tv->HandleAllocated() && FItemId) {
    ::SendMessage(tv->Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItemId));
  } else {
    for (TTreeNode* p = FParent; p; p = p->FParent) p->FExpanded = true;
  }
}

void TTreeNode::Delete() {
  if (!FDeleting) Free();
}

// Freeing a node is deleting it: it leaves the window and its parent, its children go first, and each
// node is announced to OnDeletion once its children are gone.
void TTreeNode::BeforeDestruction() {
  FDeleting = true;
  TCustomTreeView* tv = TreeView();
  bool inDeletedParent = FParent && FParent->FDeleting;
  if (!inDeletedParent && !FOwner->FDestroying) {
    if (tv->HandleAllocated() && FItemId) ::SendMessage(tv->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(FItemId));
    auto& sib = FOwner->SiblingsOf(FParent);
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
  }
  std::vector<TTreeNode*> kids;
  kids.swap(FChildren);
  for (TTreeNode* k : kids) k->Free();
  if (!FOwner->FDestroying) tv->Delete(this);
  if (tv->FSavedSelected == this) tv->FSavedSelected = nullptr;
  if (tv->FSavedTop == this) tv->FSavedTop = nullptr;
  if (tv->FSavedDrop == this) tv->FSavedDrop = nullptr;
  FItemId = nullptr;
  if (!inDeletedParent && FParent && !FParent->FDeleting && FParent->FChildren.empty()) FParent->SetHasChildren(false);
  inherited::BeforeDestruction();
}

void TTreeNode::DeleteChildren() {
  TCustomTreeView* tv = TreeView();
  tv->Items()->BeginUpdate();
  while (!FChildren.empty()) FChildren.back()->Delete();
  tv->Items()->EndUpdate();
  FExpanded = false;
  SetHasChildren(false);
}

bool TTreeNode::EditText() {
  TCustomTreeView* tv = TreeView();
  if (!FItemId || !tv->CanFocus()) return false;
  tv->SetFocus();
  return ::SendMessage(tv->Handle(), TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(FItemId)) != 0;
}

void TTreeNode::EndEdit(bool cancel) {
  TCustomTreeView* tv = TreeView();
  if (tv->HandleAllocated()) ::SendMessage(tv->Handle(), TVM_ENDEDITLABELNOW, cancel ? TRUE : FALSE, 0);
}

void TTreeNode::MoveTo(TTreeNode* destination, TNodeAttachMode mode) {
  if (destination == this || (destination && destination->HasAsParent(this)))
    throw EInvalidOperation("Cannot move a node into itself");
  TCustomTreeView* tv = TreeView();
  bool live = tv->HandleAllocated() && FItemId;
  bool wasSelected = live && Selected();
  if (live) {
    // The window loses the subtree quietly; it comes back at the new place with its expansion.
    std::function<void(TTreeNode*)> keep = [&](TTreeNode* n) {
      n->FExpanded = n->Expanded();
      for (TTreeNode* k : n->FChildren) keep(k);
    };
    keep(this);
    ++tv->FQuiet;
    ::SendMessage(tv->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(FItemId));
    --tv->FQuiet;
    std::function<void(TTreeNode*)> forget = [&](TTreeNode* n) {
      n->FItemId = nullptr;
      for (TTreeNode* k : n->FChildren) forget(k);
    };
    forget(this);
  }
  TTreeNode* oldParent = FParent;
  auto& oldSib = FOwner->SiblingsOf(FParent);
  oldSib.erase(std::remove(oldSib.begin(), oldSib.end(), this), oldSib.end());
  if (oldParent && oldParent->FChildren.empty()) {
    oldParent->FExpanded = false;
    oldParent->SetHasChildren(false);
  }
  TTreeNode* parent = nullptr;
  size_t pos = 0;
  switch (mode) {
    case naAdd:
    case naAddFirst:
      parent = destination ? destination->FParent : nullptr;
      pos = mode == naAdd ? FOwner->SiblingsOf(parent).size() : 0;
      break;
    case naAddChild:
    case naAddChildFirst:
      parent = destination;
      pos = mode == naAddChild ? FOwner->SiblingsOf(parent).size() : 0;
      break;
    case naInsert:
      parent = destination ? destination->FParent : nullptr;
      pos = destination ? static_cast<size_t>(destination->Index()) : FOwner->SiblingsOf(parent).size();
      break;
  }
  FOwner->Attach(this, parent, pos);
  if (wasSelected) {
    ++tv->FQuiet;
    ::SendMessage(tv->Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FItemId));
    --tv->FQuiet;
  }
}

bool TTreeNode::AlphaSort(bool recurse) { return CustomSort(nullptr, 0, recurse); }

bool TTreeNode::CustomSort(TTVCompare compare, LPARAM data, bool recurse) {
  TCustomTreeView* tv = TreeView();
  tv->SortNodes(FChildren, this,
                [&](TTreeNode* a, TTreeNode* b) {
                  return compare ? compare(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b), data)
                                 : tv->DoCompare(a, b, static_cast<int32_t>(data));
                },
                recurse);
  return true;
}

RECT TTreeNode::DisplayRect(bool textOnly) const {
  RECT r{0, 0, 0, 0};
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !FItemId) return r;
  TreeItemToRect(FItemId, &r);
  if (!::SendMessage(tv->Handle(), TVM_GETITEMRECT, textOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&r))) return RECT{0, 0, 0, 0};
  return r;
}

// ===================================================================================================
// TTreeNodes

TTreeNodes::TTreeNodes(TCustomTreeView* owner) : FOwner(owner) {}

TTreeNodes::~TTreeNodes() {
  FDestroying = true;
  std::vector<TTreeNode*> roots;
  roots.swap(FRoots);
  for (TTreeNode* n : roots) n->Free();
}

void TTreeNodes::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TTreeNodes*>(source)) {
    BeginUpdate();
    Clear();
    std::function<void(TTreeNode*, TTreeNode*)> copy = [&](TTreeNode* from, TTreeNode* parent) {
      TTreeNode* n = AddChildObject(parent, from->Text(), from->Data());
      n->Assign(from);
      for (TTreeNode* k : from->FChildren) copy(k, n);
    };
    for (TTreeNode* n : s->FRoots) copy(n, nullptr);
    EndUpdate();
    return;
  }
  inherited::Assign(source);
}

int32_t TTreeNodes::Count() const {
  int32_t n = 0;
  for (TTreeNode* p = GetFirstNode(); p; p = p->GetNext()) ++n;
  return n;
}

TTreeNode* TTreeNodes::Item(int32_t index) const {
  int32_t k = 0;
  for (TTreeNode* p = GetFirstNode(); p; p = p->GetNext(), ++k)
    if (k == index) return p;
  throw EListError("Tree node index out of bounds (" + IntToStr(index) + ")");
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM item) const {
  if (!item || !FOwner->HandleAllocated()) return nullptr;
  TVITEM it{};
  it.mask = TVIF_HANDLE | TVIF_PARAM;
  it.hItem = item;
  if (!::SendMessage(FOwner->Handle(), TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
  return reinterpret_cast<TTreeNode*>(it.lParam);
}

TTreeNode* TTreeNodes::Attach(TTreeNode* node, TTreeNode* parent, size_t pos) {
  auto& sib = SiblingsOf(parent);
  pos = std::min(pos, sib.size());
  sib.insert(sib.begin() + static_cast<ptrdiff_t>(pos), node);
  node->FParent = parent;
  if (parent && !parent->FHasChildren) parent->SetHasChildren(true);
  FOwner->InsertIntoWindow(node);
  return node;
}

TTreeNode* TTreeNodes::AddNode(TTreeNode* relative, const String& s, void* data, TNodeAttachMode mode) {
  auto* node = New<TTreeNode>(this);
  node->FText = s;
  node->FData = data;
  TTreeNode* parent = nullptr;
  size_t pos = 0;
  switch (mode) {
    case naAdd: parent = relative ? relative->FParent : nullptr; pos = SiblingsOf(parent).size(); break;
    case naAddFirst: parent = relative ? relative->FParent : nullptr; pos = 0; break;
    case naAddChild: parent = relative; pos = SiblingsOf(parent).size(); break;
    case naAddChildFirst: parent = relative; pos = 0; break;
    case naInsert:
      parent = relative ? relative->FParent : nullptr;
      pos = relative ? static_cast<size_t>(relative->Index()) : SiblingsOf(parent).size();
      break;
  }
  Attach(node, parent, pos);
  FOwner->Added(node);
  FOwner->SortIfNeeded(parent);
  return node;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const String& s, void* data) { return AddNode(sibling, s, data, naAdd); }
TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* sibling, const String& s, void* data) {
  return AddNode(sibling, s, data, naAddFirst);
}
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const String& s, void* data) {
  return AddNode(parent, s, data, naAddChild);
}
TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* parent, const String& s, void* data) {
  return AddNode(parent, s, data, naAddChildFirst);
}
TTreeNode* TTreeNodes::InsertObject(TTreeNode* sibling, const String& s, void* data) {
  return AddNode(sibling, s, data, naInsert);
}

void TTreeNodes::Clear() {
  BeginUpdate();
  while (!FRoots.empty()) FRoots.back()->Delete();
  EndUpdate();
}

void TTreeNodes::BeginUpdate() { ++FUpdateCount; }

void TTreeNodes::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0) return;
  if (FOwner->FSortType != stNone) FOwner->AlphaSort(true);
  if (FOwner->HandleAllocated()) FOwner->Invalidate();
}

void TTreeNodes::DefineProperties(TFiler* filer) {
  inherited::DefineProperties(filer);
  filer->DefineProperty("NodeList", TReaderProc(this, &TTreeNodes::ReadNodes), TWriterProc(this, &TTreeNodes::WriteNodes),
                        !FRoots.empty());
}

void TTreeNodes::ReadNodes(TReader* reader) {
  BeginUpdate();
  Clear();
  std::vector<TTreeNode*> last;  // the latest node of each level
  reader->ReadListBegin();
  while (!reader->EndOfList()) {
    int32_t level = reader->ReadInteger();
    String text = reader->ReadString();
    if (level < 0 || level > static_cast<int32_t>(last.size())) throw EReadError("Invalid tree node level");
    TTreeNode* node = AddChild(level > 0 ? last[static_cast<size_t>(level - 1)] : nullptr, text);
    node->SetImageIndex(reader->ReadInteger());
    node->SetSelectedIndex(reader->ReadInteger());
    node->SetStateIndex(reader->ReadInteger());
    node->SetOverlayIndex(reader->ReadInteger());
    last.resize(static_cast<size_t>(level) + 1);
    last[static_cast<size_t>(level)] = node;
  }
  reader->ReadListEnd();
  EndUpdate();
}

void TTreeNodes::WriteNodes(TWriter* writer) {
  writer->WriteListBegin();
  for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext()) {
    writer->WriteInteger(n->Level());
    writer->WriteString(n->FText);
    writer->WriteInteger(n->FImageIndex);
    writer->WriteInteger(n->FSelectedIndex);
    writer->WriteInteger(n->FStateIndex);
    writer->WriteInteger(n->FOverlayIndex);
  }
  writer->WriteListEnd();
}

// ===================================================================================================
// TCustomTreeView

TCustomTreeView::TCustomTreeView(TComponent* AOwner)
    : TWinControl(AOwner),
      FNodes(New<TTreeNodes>(this)),
      FChangeTimer(New<TTimer>(nullptr)),
      FImageLink(New<TChangeLink>()),
      FStateLink(New<TChangeLink>()) {
  FChangeTimer->SetEnabled(false);
  FChangeTimer->SetOnTimer(TNotifyEvent(this, &TCustomTreeView::ChangeTimer));
  FControlStyle = TControlStyle{csClickEvents, csDoubleClicks, csDisplayDragImage};
  FWidth = 121;
  FHeight = 97;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  FImageLink->OnChange = TNotifyEvent(this, &TCustomTreeView::ImageListChange);
  FStateLink->OnChange = TNotifyEvent(this, &TCustomTreeView::ImageListChange);
}

TCustomTreeView::~TCustomTreeView() {
  FChangeTimer->Free();
  FreeAndNil(FImageLink);
  FreeAndNil(FStateLink);
  FreeAndNil(FNodes);
}

void TCustomTreeView::BeforeDestruction() {
  inherited::BeforeDestruction();
  for (TCustomImageList* images : {FImages, FStateImages})
    if (images) {
      images->UnRegisterChanges(FImageLink);
      images->UnRegisterChanges(FStateLink);
    }
}

void TCustomTreeView::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  CreateSubClass(p, WC_TREEVIEW);
  p.Style |= WS_CLIPCHILDREN;
  if (FShowButtons) p.Style |= TVS_HASBUTTONS;
  if (FShowLines) p.Style |= TVS_HASLINES;
  if (FShowRoot) p.Style |= TVS_LINESATROOT;
  if (!FReadOnly) p.Style |= TVS_EDITLABELS;
  if (!FHideSelection) p.Style |= TVS_SHOWSELALWAYS;
  if (FRowSelect) p.Style |= TVS_FULLROWSELECT;
  if (!FToolTips) p.Style |= TVS_NOTOOLTIPS;
  if (FHotTrack) p.Style |= TVS_TRACKSELECT;
  if (FAutoExpand) p.Style |= TVS_SINGLEEXPAND;
  if (FBorderStyle == bsSingle) p.Style |= WS_BORDER;
}

void TCustomTreeView::CreateWnd() {
  inherited::CreateWnd();
  HWND h = FHandle;
  ++FQuiet;
  ::SendMessage(h, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
  ::SendMessage(h, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
  ::SendMessage(h, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(FStateImages ? FStateImages->Handle() : nullptr));
  for (TTreeNode* n : FNodes->FRoots) InsertIntoWindow(n);
  if (FSavedSelected && FSavedSelected->FItemId)
    ::SendMessage(h, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FSavedSelected->FItemId));
  if (FSavedDrop && FSavedDrop->FItemId)
    ::SendMessage(h, TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(FSavedDrop->FItemId));
  if (FSavedTop && FSavedTop->FItemId)
    ::SendMessage(h, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(FSavedTop->FItemId));
  FSavedSelected = FSavedTop = FSavedDrop = nullptr;
  --FQuiet;
}

void TCustomTreeView::DestroyWnd() {
  // Without restoring, the nodes go with the window (each announced to OnDeletion).
  if (FHandle && !FCreateWndRestores && !ComponentState().Contains(csDestroying)) FNodes->Clear();
  if (FHandle) {
    if (::SendMessage(FHandle, TVM_GETEDITCONTROL, 0, 0)) ::SendMessage(FHandle, TVM_ENDEDITLABELNOW, TRUE, 0);
    for (TTreeNode* n = FNodes->GetFirstNode(); n; n = n->GetNext()) n->FExpanded = n->Expanded();
    FSavedSelected = Selected();
    FSavedTop = TopItem();
    FSavedDrop = DropTarget();
  }
  ++FQuiet;
  inherited::DestroyWnd();
  --FQuiet;
  for (TTreeNode* n = FNodes->GetFirstNode(); n; n = n->GetNext()) n->FItemId = nullptr;
}

void TCustomTreeView::InsertIntoWindow(TTreeNode* node) {
  if (!HandleAllocated()) return;
  auto& sib = FNodes->SiblingsOf(node->FParent);
  auto at = std::find(sib.begin(), sib.end(), node);
  TVINSERTSTRUCT is{};
  is.hParent = node->FParent ? node->FParent->FItemId : TVI_ROOT;
  is.hInsertAfter = at == sib.begin() ? TVI_FIRST : (*(at - 1))->FItemId;
  if (!is.hInsertAfter) is.hInsertAfter = TVI_LAST;
  String text = node->FText;
  is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
  is.item.pszText = text.data();
  is.item.iImage = I_IMAGECALLBACK;
  is.item.iSelectedImage = I_IMAGECALLBACK;
  is.item.cChildren = node->FHasChildren ? 1 : 0;
  is.item.lParam = reinterpret_cast<LPARAM>(node);
  is.item.state = node->WindowState();
  is.item.stateMask = TVIS_OVERLAYMASK | TVIS_STATEIMAGEMASK | TVIS_CUT;
  node->FItemId = reinterpret_cast<HTREEITEM>(::SendMessage(FHandle, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  for (TTreeNode* k : node->FChildren) InsertIntoWindow(k);
  if (node->FExpanded && node->FItemId) {
    // Expanded as it was: no one is asked again.
    TVITEM it{};
    it.mask = TVIF_HANDLE | TVIF_STATE;
    it.hItem = node->FItemId;
    it.state = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    it.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    ::SendMessage(FHandle, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
  }
}

void TCustomTreeView::Loaded() {
  inherited::Loaded();
  if (FSortType != stNone) AlphaSort(true);
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) SetImages(nullptr);
  if (component == FStateImages) SetStateImages(nullptr);
}

void TCustomTreeView::SetImageList(TCustomImageList*& slot, TChangeLink* link, WPARAM which, TCustomImageList* v) {
  AttachImageList(this, slot, link, TVM_SETIMAGELIST, which, v);
}

void TCustomTreeView::ImageListChange(TObject* sender) {
  if (!HandleAllocated()) return;
  auto* images = dynamic_cast<TCustomImageList*>(sender);
  if (images && images == FImages) ::SendMessage(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images->Handle()));
  if (images && images == FStateImages) ::SendMessage(FHandle, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(images->Handle()));
  Invalidate();
}

void TCustomTreeView::SetStyleFlag(bool& flag, bool v) {
  if (flag == v) return;
  flag = v;
  RecreateWnd();
}

int32_t TCustomTreeView::Indent() {
  if (HandleAllocated()) FIndent = static_cast<int32_t>(::SendMessage(FHandle, TVM_GETINDENT, 0, 0));
  return FIndent;
}

void TCustomTreeView::SetIndent(int32_t v) {
  FIndent = v;
  if (HandleAllocated()) ::SendMessage(FHandle, TVM_SETINDENT, static_cast<WPARAM>(v), 0);
}

void TCustomTreeView::SetSortType(TSortType v) {
  if (FSortType == v) return;
  FSortType = v;
  if (v != stNone && !ComponentState().Contains(csLoading)) AlphaSort(true);
}

void TCustomTreeView::SetBorderStyle(TBorderStyle v) {
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  RecreateWnd();
}

TTreeNode* TCustomTreeView::Selected() {
  if (!HandleAllocated()) return FSavedSelected;
  return FNodes->GetNode(reinterpret_cast<HTREEITEM>(::SendMessage(FHandle, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* v) {
  if (!HandleAllocated()) {
    FSavedSelected = v;
    return;
  }
  ::SendMessage(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(v ? v->FItemId : nullptr));
}

TTreeNode* TCustomTreeView::TopItem() {
  if (!HandleAllocated()) return FSavedTop;
  return FNodes->GetNode(reinterpret_cast<HTREEITEM>(::SendMessage(FHandle, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

void TCustomTreeView::SetTopItem(TTreeNode* v) {
  if (!HandleAllocated()) {
    FSavedTop = v;
    return;
  }
  if (v) ::SendMessage(FHandle, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(v->FItemId));
}

TTreeNode* TCustomTreeView::DropTarget() {
  if (!HandleAllocated()) return FSavedDrop;
  return FNodes->GetNode(reinterpret_cast<HTREEITEM>(::SendMessage(FHandle, TVM_GETNEXTITEM, TVGN_DROPHILITE, 0)));
}

void TCustomTreeView::SetDropTarget(TTreeNode* v) {
  if (!HandleAllocated()) {
    FSavedDrop = v;
    return;
  }
  ::SendMessage(FHandle, TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(v ? v->FItemId : nullptr));
}

TTreeNode* TCustomTreeView::GetNodeAt(int32_t x, int32_t y) {
  TVHITTESTINFO hi{};
  hi.pt = POINT{x, y};
  auto item = reinterpret_cast<HTREEITEM>(::SendMessage(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hi)));
  return FNodes->GetNode(item);
}

THitTests TCustomTreeView::GetHitTestInfoAt(int32_t x, int32_t y) {
  TVHITTESTINFO hi{};
  hi.pt = POINT{x, y};
  ::SendMessage(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hi));
  THitTests r;
  static const std::pair<UINT, THitTest> map[] = {
      {TVHT_ABOVE, htAbove},         {TVHT_BELOW, htBelow},           {TVHT_NOWHERE, htNowhere},
      {TVHT_ONITEMBUTTON, htOnButton}, {TVHT_ONITEMICON, htOnIcon},     {TVHT_ONITEMINDENT, htOnIndent},
      {TVHT_ONITEMLABEL, htOnLabel},   {TVHT_ONITEMRIGHT, htOnRight},   {TVHT_ONITEMSTATEICON, htOnStateIcon},
      {TVHT_TOLEFT, htToLeft},         {TVHT_TORIGHT, htToRight}};
  for (auto [bit, ht] : map)
    if (hi.flags & bit) r.Include(ht);
  if (hi.flags & TVHT_ONITEM) r.Include(htOnItem);
  return r;
}

bool TCustomTreeView::IsEditing() { return HandleAllocated() && ::SendMessage(FHandle, TVM_GETEDITCONTROL, 0, 0) != 0; }

void TCustomTreeView::FullExpand() {
  for (TTreeNode* n : std::vector<TTreeNode*>(FNodes->FRoots)) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* n : std::vector<TTreeNode*>(FNodes->FRoots)) n->Collapse(true);
}

void TCustomTreeView::SortNodes(std::vector<TTreeNode*>& nodes, TTreeNode* parent,
                                const std::function<int(TTreeNode*, TTreeNode*)>& cmp, bool recurse) {
  std::stable_sort(nodes.begin(), nodes.end(), [&](TTreeNode* a, TTreeNode* b) { return cmp(a, b) < 0; });
  if (HandleAllocated() && (!parent || parent->FItemId)) {
    // The window takes the order the nodes now have.
    TVSORTCB sc{};
    sc.hParent = parent ? parent->FItemId : TVI_ROOT;
    sc.lpfnCompare = [](LPARAM a, LPARAM b, LPARAM) {
      return Sign(reinterpret_cast<TTreeNode*>(a)->Index() - reinterpret_cast<TTreeNode*>(b)->Index());
    };
    ::SendMessage(FHandle, TVM_SORTCHILDRENCB, FALSE, reinterpret_cast<LPARAM>(&sc));
  }
  if (recurse)
    for (TTreeNode* n : nodes) SortNodes(n->FChildren, n, cmp, true);
}

void TCustomTreeView::SortIfNeeded(TTreeNode* parent) {
  if (FSortType == stNone || FNodes->FUpdateCount > 0 || ComponentState().Contains(csLoading)) return;
  SortNodes(FNodes->SiblingsOf(parent), parent, [this](TTreeNode* a, TTreeNode* b) { return DoCompare(a, b, 0); }, false);
}

bool TCustomTreeView::AlphaSort(bool recurse) { return CustomSort(nullptr, 0, recurse); }

bool TCustomTreeView::CustomSort(TTVCompare compare, LPARAM data, bool recurse) {
  SortNodes(FNodes->FRoots, nullptr,
            [&](TTreeNode* a, TTreeNode* b) {
              return compare ? compare(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b), data)
                             : DoCompare(a, b, static_cast<int32_t>(data));
            },
            recurse);
  return true;
}

int32_t TCustomTreeView::DoCompare(TTreeNode* a, TTreeNode* b, int32_t data) {
  if (OnCompare) {
    int32_t result = 0;
    OnCompare(this, a, b, data, result);
    return result;
  }
  auto byData = [&] { return a->FData < b->FData ? -1 : a->FData > b->FData ? 1 : 0; };
  if (FSortType == stData) return byData();
  int32_t r = AnsiCompareText(a->FText, b->FText);
  if (r == 0 && FSortType == stBoth) r = byData();
  return r;
}

void TCustomTreeView::CNNotify(TMessage& m) {
  auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
  m.Result = 0;
  if (ComponentState().Contains(csDestroying)) return;
  switch (hdr->code) {
    case TVN_GETDISPINFO: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(di->item.lParam);
      if (!node) break;
      if (di->item.mask & TVIF_IMAGE) {
        GetImageIndex(node);
        di->item.iImage = node->FImageIndex;
      }
      if (di->item.mask & TVIF_SELECTEDIMAGE) {
        GetSelectedIndex(node);
        di->item.iSelectedImage = node->FSelectedIndex;
      }
      break;
    }
    case TVN_SELCHANGING: {
      if (FQuiet) break;
      auto* nm = reinterpret_cast<NMTREEVIEW*>(hdr);
      if (!CanChange(reinterpret_cast<TTreeNode*>(nm->itemNew.lParam))) m.Result = TRUE;
      break;
    }
    case TVN_SELCHANGED: {
      if (FQuiet) break;
      auto* nm = reinterpret_cast<NMTREEVIEW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (FChangeDelay > 0) {
        FChangeTimer->SetEnabled(false);
        FChangeTimer->SetInterval(static_cast<uint32_t>(FChangeDelay));
        FChangeTimer->SetEnabled(true);
      } else {
        Change(node);
      }
      break;
    }
    case TVN_ITEMEXPANDING: {
      if (FQuiet || FManualNotify) break;
      auto* nm = reinterpret_cast<NMTREEVIEW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (!node) break;
      bool allow = nm->action == TVE_EXPAND ? CanExpand(node) : CanCollapse(node);
      m.Result = allow ? FALSE : TRUE;
      break;
    }
    case TVN_ITEMEXPANDED: {
      if (FQuiet || FManualNotify) break;
      auto* nm = reinterpret_cast<NMTREEVIEW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (!node) break;
      if (nm->action == TVE_EXPAND) {
        node->FExpanded = true;
        Expand(node);
      } else {
        node->FExpanded = false;
        Collapse(node);
      }
      break;
    }
    case TVN_BEGINLABELEDIT: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(di->item.lParam);
      m.Result = node && CanEdit(node) ? FALSE : TRUE;
      break;
    }
    case TVN_ENDLABELEDIT: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(di->item.lParam);
      if (node && di->item.pszText) {
        String s = di->item.pszText;
        Edit(node, s);
      }
      m.Result = FALSE;  // the node hands the text to the window itself
      break;
    }
    case NM_RCLICK:
      if (FRightClickSelect) {
        POINT p{};
        ::GetCursorPos(&p);
        ::ScreenToClient(FHandle, &p);
        if (TTreeNode* node = GetNodeAt(p.x, p.y)) SetSelected(node);
      }
      break;
    default: break;
  }
}

void TCustomTreeView::WMGetDlgCode(TMessage& m) {
  DefaultHandler(m);
  if (IsEditing()) m.Result |= DLGC_WANTALLKEYS;
}

void TCustomTreeView::SetChangeDelay(int32_t v) { FChangeDelay = std::max(v, 0); }

void TCustomTreeView::ChangeTimer(TObject*) {
  // The report names the selection where it stopped (a node deleted meanwhile is not named).
  FChangeTimer->SetEnabled(false);
  Change(Selected());
}

bool TCustomTreeView::CanChange(TTreeNode* node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, node, allow);
  return allow;
}

void TCustomTreeView::Change(TTreeNode* node) {
  if (OnChange) OnChange(this, node);
}

bool TCustomTreeView::CanExpand(TTreeNode* node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, node, allow);
  return allow;
}

void TCustomTreeView::Expand(TTreeNode* node) {
  if (OnExpanded) OnExpanded(this, node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, node, allow);
  return allow;
}

void TCustomTreeView::Collapse(TTreeNode* node) {
  if (OnCollapsed) OnCollapsed(this, node);
}

bool TCustomTreeView::CanEdit(TTreeNode* node) {
  bool allow = !FReadOnly;
  if (allow && OnEditing) OnEditing(this, node, allow);
  return allow;
}

void TCustomTreeView::Edit(TTreeNode* node, String& s) {
  if (OnEdited) OnEdited(this, node, s);
  node->SetText(s);
}

void TCustomTreeView::Delete(TTreeNode* node) {
  if (OnDeletion) OnDeletion(this, node);
}

void TCustomTreeView::Added(TTreeNode* node) {
  if (OnAddition) OnAddition(this, node);
}

void TCustomTreeView::GetImageIndex(TTreeNode* node) {
  if (OnGetImageIndex) OnGetImageIndex(this, node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* node) {
  if (OnGetSelectedIndex) OnGetSelectedIndex(this, node);
}

void RegisterComCtrls() {
  RegisterClasses({TListView::StaticClass(), TTreeView::StaticClass()});
}
