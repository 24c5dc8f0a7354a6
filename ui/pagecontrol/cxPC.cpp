// The tab model: tabs, the tab list and the visible list, the control's properties, the selection change
// protocol, the painter choice and the control's messages.

#include "ui/pagecontrol/cxPC.h"

#include <algorithm>

#include "rtl/SysUtils.h"
#include "ui/base/cxClasses.h"
#include "ui/pagecontrol/cxPCPainters.h"

namespace {

const char* const sIndexOutOfRange = "Индекс страницы (%d) вышел за пределы допустимого значения";
const char* const sNoVisibleTabs = "Нет видимых страниц";
const char* const sVisibleIndexOutOfRange = "TabVisibleIndex (%d) должен быть между 0 и %d";

[[noreturn]] void PCError(const char* AClass, const char* AOperation, const String& AText) {
  throw Exception(String(AClass) + "." + AOperation + ": " + AText);
}

}  // namespace

TColor cxPCHotLightColor() { return clSystemColor | COLOR_HOTLIGHT; }

String TcxCustomTabControl::RemoveAccelChars(const String& S) {
  String result;
  result.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '&') {
      if (i + 1 == S.size()) {
        result += '_';
        break;
      }
      ++i;
    }
    result += S[i];
  }
  return result;
}

// ---- TcxTab -------------------------------------------------------------------------------------------------

TcxTab::TcxTab(TcxTabs* AOwner, int32_t AIndex) : FOwner(AOwner), FIndex(AIndex), FImageIndex(AIndex) {}

TcxTab::~TcxTab() {
  FreeTextBitmap();
  SetPaintBuffer(nullptr);
  if (FOwner) FOwner->RemoveTab(this);
}

void TcxTab::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TcxTab*>(Source)) {
    FCaption = src->FCaption;
    FDisplayCaption = src->FDisplayCaption;
    FEnabled = src->FEnabled;
    FHighlighted = src->FHighlighted;
    FObject = src->FObject;
    SetImageIndex(src->ImageIndex());
    SetVisible(src->FVisible);
    SetSelected(src->FSelected);
    return;
  }
  TPersistent::Assign(Source);
}

TcxCustomTabControl* TcxTab::Control() const { return FOwner->Control(); }

int32_t TcxTab::VisibleIndex() const { return Control()->VisibleTabList()->IndexOf(FIndex); }
bool TcxTab::IsMainTab() const { return Control()->TabIndex() == FIndex; }
bool TcxTab::IsHotTrack() const {
  int32_t vi = VisibleIndex();
  return vi != -1 && vi == Control()->HotTabVisibleIndex();
}
bool TcxTab::IsPressed() const {
  int32_t vi = VisibleIndex();
  return vi != -1 && vi == Control()->PressedTabVisibleIndex();
}
bool TcxTab::IsTracking() const {
  int32_t vi = VisibleIndex();
  return vi != -1 && vi == Control()->FocusedTabVisibleIndex();
}
bool TcxTab::RealEnabled() const { return Control()->Enabled() && FEnabled; }
bool TcxTab::OnScreen() const {
  int32_t vi = VisibleIndex();
  if (vi == -1) return false;
  RECT r = Control()->GetTabVisibleRect(vi);
  return r.right > r.left && r.bottom > r.top;
}
bool TcxTab::RealVisible() const { return OnScreen(); }
int32_t TcxTab::NormalLength() const { return Control()->Rotate() ? FOwner->StandardTabHeight() : FNormalWidth; }
RECT TcxTab::CellRect() const {
  int32_t vi = VisibleIndex();
  return vi == -1 ? RECT{} : Control()->GetTabCellRect(vi);
}
RECT TcxTab::FullRect() const {
  int32_t vi = VisibleIndex();
  return vi == -1 ? RECT{} : Control()->GetTabFullRect(vi);
}
RECT TcxTab::VisibleRect() const {
  int32_t vi = VisibleIndex();
  return vi == -1 ? RECT{} : Control()->GetTabVisibleRect(vi);
}

int32_t TcxTab::ImageIndex() const { return Control()->GetTabImageIndex(FIndex); }

void TcxTab::SetCaption(const String& Value) {
  if (Value == FCaption) return;
  const bool wasOnScreen = OnScreen();
  FCaption = Value;
  FDisplayCaption = TcxCustomTabControl::RemoveAccelChars(Value);
  TcxCustomTabControl* c = Control();
  if (c->IsLoadingOrDestroying()) return;
  if (c->HandleAllocated() && FVisible && c->Painter()) {
    const int32_t oldLength = NormalLength();
    const int32_t oldThickness = c->RowThickness();
    FNormalWidth = c->Painter()->CalculateTabNormalWidth(this);
    bool changed = NormalLength() != oldLength;
    if (c->Rotate() && !changed) {
      int32_t widest = 0;
      for (int32_t i = 0; i < c->VisibleTabCount(); ++i)
        widest = std::max(widest, FOwner->VisibleTabs(i)->FNormalWidth);
      changed = widest != oldThickness;
    }
    if (changed) {
      Changed(tpcLayout);
      return;
    }
  }
  if (wasOnScreen) Changed(tpcNotSpecified);
}

void TcxTab::Changed(TcxPCTabPropertyChanged AKind) { FOwner->TabChanged(VisibleIndex(), AKind); }

void TcxTab::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  const bool before = OnScreen();
  FEnabled = Value;
  if (before || OnScreen()) Changed(tpcEnabled);
}

void TcxTab::SetHighlighted(bool Value) {
  if (Value == FHighlighted) return;
  const bool before = OnScreen();
  FHighlighted = Value;
  if (before || OnScreen()) Changed(tpcHighlighted);
}

void TcxTab::SetImageIndex(int32_t Value) {
  if (Value < 0) Value = -1;
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  if (OnScreen()) Changed(tpcNotSpecified);
}

void TcxTab::SetSelected(bool Value) {
  if (Value == FSelected) return;
  TcxCustomTabControl* c = Control();
  if (c->ComponentState().Contains(csLoading)) {
    FSelected = Value;
    return;
  }
  c->TabSelectedChanging(this, Value);
  if (Value == FSelected) return;
  const bool before = OnScreen();
  FSelected = Value;
  if (before || OnScreen()) Changed(tpcSelected);
}

void TcxTab::SetVisible(bool Value) {
  if (Value == FVisible) return;
  TcxCustomTabControl* c = Control();
  const bool wasOnScreen = OnScreen();
  const bool wasMain = IsMainTab();
  FVisible = Value;
  if (Value)
    c->VisibleTabList()->Add(FIndex);
  else
    c->VisibleTabList()->Remove(FIndex);
  c->TabVisibilityChanged(this, wasOnScreen, wasMain);
}

void TcxTab::SetTextBitmap(TBitmap* Value) {
  if (Value == FTextBitmap) return;
  FreeTextBitmap();
  FTextBitmap = Value;
}

void TcxTab::FreeTextBitmap() {
  if (FTextBitmap) FreeAndNil(FTextBitmap);
}

void TcxTab::SetPaintBuffer(TBitmap* Value) {
  if (Value == FPaintBuffer) return;
  if (FPaintBuffer) FreeAndNil(FPaintBuffer);
  FPaintBuffer = Value;
}

// ---- TcxTabs ------------------------------------------------------------------------------------------------

TcxTabs::TcxTabs(TcxCustomTabControl* AControl) : FControl(AControl) {}

TcxTabs::~TcxTabs() {
  for (TcxTab* t : FTabs) {
    t->FOwner = nullptr;
    t->Free();
  }
  FTabs.clear();
}

void TcxTabs::CheckIndex(int32_t Index, int32_t ACount, const char* AOperation) {
  if (Index < 0 || Index >= ACount) PCError("TcxTabs", AOperation, Format(sIndexOutOfRange, {Index}));
}

String TcxTabs::Get(int32_t Index) {
  CheckIndex(Index, GetCount(), "Get");
  return FTabs[static_cast<size_t>(Index)]->Caption();
}

int32_t TcxTabs::GetCount() { return static_cast<int32_t>(FTabs.size()); }

TObject* TcxTabs::GetObject(int32_t Index) {
  CheckIndex(Index, GetCount(), "Get");
  return FTabs[static_cast<size_t>(Index)]->Object();
}

void TcxTabs::PutObject(int32_t Index, TObject* AObject) {
  CheckIndex(Index, GetCount(), "Get");
  FTabs[static_cast<size_t>(Index)]->SetObject(AObject);
}

TcxTab* TcxTabs::Tabs(int32_t Index) {
  CheckIndex(Index, GetCount(), "GetTab");
  return FTabs[static_cast<size_t>(Index)];
}

TcxTab* TcxTabs::VisibleTabs(int32_t VisibleIndex) {
  TcxVisibleTabList* list = FControl->VisibleTabList();
  if (VisibleIndex < 0 || VisibleIndex >= list->Count())
    throw Exception(String("TcxTabs.GetVisibleTab: ") + Format(sVisibleIndexOutOfRange, {VisibleIndex, list->Count() - 1}));
  return FTabs[static_cast<size_t>(list->Items(VisibleIndex))];
}

void TcxTabs::Renumber(int32_t AFrom) {
  for (size_t i = static_cast<size_t>(std::max(AFrom, 0)); i < FTabs.size(); ++i) FTabs[i]->FIndex = static_cast<int32_t>(i);
}

void TcxTabs::Insert(int32_t Index, const String& S) {
  CheckIndex(Index, GetCount() + 1, "Insert");
  TcxTab* tab = New<TcxTab>(this, Index);
  FTabs.insert(FTabs.begin() + Index, tab);
  Renumber(Index + 1);
  tab->FCaption = S;
  tab->FDisplayCaption = TcxCustomTabControl::RemoveAccelChars(S);
  if (!FControl->ComponentState().Contains(csLoading) && FControl->FTabIndex == -1 && FTabs.size() == 1)
    FControl->FTabIndex = 0;
  FControl->VisibleTabList()->Rebuild();
  TabChanged(-1, tpcLayout);
}

void TcxTabs::Delete(int32_t Index) {
  if (FDeleting) return;
  FDeleting = true;
  try {
    TcxTab* tab = nullptr;
    if (FTabRemoving) {
      tab = FTabs[static_cast<size_t>(Index)];
    } else {
      CheckIndex(Index, GetCount(), "Delete");
      tab = FTabs[static_cast<size_t>(Index)];
    }
    const bool wasFocused = tab->IsTracking();
    FTabs.erase(FTabs.begin() + Index);
    Renumber(Index);
    if (!FTabRemoving) {
      tab->FOwner = nullptr;
      tab->Free();
    }
    if (wasFocused) FControl->FFocusedTabVisibleIndex = -1;
    FControl->VisibleTabList()->Rebuild();
  } catch (...) {
    FDeleting = false;
    throw;
  }
  FDeleting = false;
  TabChanged(-1, tpcLayout);
}

void TcxTabs::RemoveTab(TcxTab* ATab) {
  auto it = std::find(FTabs.begin(), FTabs.end(), ATab);
  if (it == FTabs.end()) return;
  FTabRemoving = true;
  try {
    Delete(static_cast<int32_t>(it - FTabs.begin()));
  } catch (...) {
    FTabRemoving = false;
    throw;
  }
  FTabRemoving = false;
}

void TcxTabs::Clear() {
  std::vector<TcxTab*> old;
  old.swap(FTabs);
  for (TcxTab* t : old) {
    t->FOwner = nullptr;
    t->Free();
  }
  FControl->FFocusedTabVisibleIndex = -1;
  FControl->VisibleTabList()->Rebuild();
  TabChanged(-1, tpcLayout);
}

void TcxTabs::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex, GetCount(), "Delete");
  CheckIndex(NewIndex, GetCount(), "Insert");
  // The string list's own Move deletes the tab and inserts a fresh one, losing what was set on it.
  TcxTab* tab = FTabs[static_cast<size_t>(CurIndex)];
  FTabs.erase(FTabs.begin() + CurIndex);
  FTabs.insert(FTabs.begin() + NewIndex, tab);
  Renumber(std::min(CurIndex, NewIndex));
  FControl->VisibleTabList()->Rebuild();
  TabChanged(-1, tpcLayout);
}

void TcxTabs::TabChanged(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) {
  if (FControl->IsLoadingOrDestroying()) return;
  if (VisibleIndex == -1 || AKind == tpcLayout) {
    FControl->RequestLayout();
    return;
  }
  if (FControl->Painter()) FControl->Painter()->RepaintTab(VisibleIndex, AKind);
}

// ---- TcxVisibleTabList --------------------------------------------------------------------------------------

bool TcxVisibleTabList::Find(int32_t ATabIndex, int32_t& APosition) const {
  int32_t lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int32_t mid = (lo + hi) / 2;
    int32_t v = FItems[static_cast<size_t>(mid)];
    if (v == ATabIndex) {
      APosition = mid;
      return true;
    }
    if (v < ATabIndex)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  APosition = lo;
  return false;
}

int32_t TcxVisibleTabList::IndexOf(int32_t ATabIndex) const {
  int32_t p;
  return Find(ATabIndex, p) ? p : -1;
}

void TcxVisibleTabList::Add(int32_t ATabIndex) {
  int32_t p;
  if (!Find(ATabIndex, p)) FItems.insert(FItems.begin() + p, ATabIndex);
}

void TcxVisibleTabList::Remove(int32_t ATabIndex) {
  int32_t p;
  if (Find(ATabIndex, p)) FItems.erase(FItems.begin() + p);
}

void TcxVisibleTabList::Rebuild() {
  FItems.clear();
  TcxTabs* tabs = FControl->Tabs();
  if (!tabs) return;
  for (int32_t i = 0; i < tabs->Count(); ++i)
    if (tabs->Tabs(i)->Visible()) FItems.push_back(i);
}

TcxTab* TcxVisibleTabList::GetTab(int32_t VisibleIndex) {
  if (FItems.empty()) PCError("TcxVisibleTabList", "GetTab", sNoVisibleTabs);
  if (VisibleIndex < 0 || VisibleIndex >= Count())
    PCError("TcxVisibleTabList", "GetTab", Format(sVisibleIndexOutOfRange, {VisibleIndex, Count() - 1}));
  return FControl->Tabs()->Tabs(FItems[static_cast<size_t>(VisibleIndex)]);
}

// ---- TcxCustomTabControl: construction ----------------------------------------------------------------------

TcxCustomTabControl::TcxCustomTabControl(TComponent* AOwner) : TcxControl(AOwner) {}

TcxCustomTabControl::~TcxCustomTabControl() = default;

void TcxCustomTabControl::AfterConstruction() {
  TcxControl::AfterConstruction();
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csOpaque,
                                                 csDoubleClicks});
  SetBounds(Left(), Top(), 289, 193);
  SetTabStop(true);
  SetScrollBars(ssNone);
  FVisibleTabList = New<TcxVisibleTabList>(this);
  FImageList = New<TcxPCImageList>(this);
  FImageList->OnChange = TNotifyEvent([this](TObject*) { ImagesChanged(); });
  FTabs = New<TcxTabs>(this);
  Canvas()->Font()->Assign(Font());
  ApplyStyle(cxPCDefaultStyle);
  if (!IsDesigning()) {
    FGoDialog = New<TcxPCGoDialog>(this);
    FGoDialog->OnSelect = Event<int32_t>([this](int32_t i) { GoDialogTabChosen(i); });
  }
}

void TcxCustomTabControl::BeforeDestruction() {
  if (FRepeatTimer) FreeAndNil(FRepeatTimer);
  if (FGoDialog) FreeAndNil(FGoDialog);
  FreeAndNil(FImageList);
  FreeAndNil(FTabs);
  if (FPainter) {
    ReleasePainter(FPainter);
    FPainter = nullptr;
  }
  FreeAndNil(FVisibleTabList);
  TcxControl::BeforeDestruction();
}

bool TcxCustomTabControl::IsLoadingOrDestroying() const {
  return ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying) || !FTabs ||
         !FVisibleTabList;
}

int32_t TcxCustomTabControl::VisibleTabCount() const { return FVisibleTabList ? FVisibleTabList->Count() : 0; }

// ---- properties ---------------------------------------------------------------------------------------------

void TcxCustomTabControl::RealignChildren() {
  if (!ComponentState().Contains(csLoading)) Realign();
}

void TcxCustomTabControl::SetHideTabs(bool Value) {
  if (Value == FHideTabs) return;
  FHideTabs = Value;
  Invalidate();
  RealignChildren();
}

void TcxCustomTabControl::SetHotTrack(bool Value) {
  if (Value == FHotTrack) return;
  FHotTrack = Value;
  UpdateHotTrack(TShiftState{});
}

void TcxCustomTabControl::SetImageBorder(int32_t Value) {
  if (Value < 0 || Value == FImageBorder) return;
  FImageBorder = Value;
  if (VisibleTabCount() > 0) RequestLayout();
}

TCustomImageList* TcxCustomTabControl::Images() const { return FImageList ? FImageList->BaseImages() : nullptr; }

void TcxCustomTabControl::SetImages(TCustomImageList* Value) { FImageList->SetBaseImages(Value); }

void TcxCustomTabControl::SetMaxRotatedTabWidth(int32_t Value) {
  if (Value < 0) Value = 0;
  if (Value > 0 && FPainter) Value = std::max(Value, FPainter->GetMinTabNormalWidth());
  if (Value == FMaxRotatedTabWidth) return;
  FMaxRotatedTabWidth = Value;
  if (FRotate && VisibleTabCount() > 0) RequestLayout();
}

void TcxCustomTabControl::SetMultiLine(bool Value) {
  if (Value == FMultiLine) return;
  FMultiLine = Value;
  RequestLayout();
}

void TcxCustomTabControl::SetNavigatorPosition(TcxPCNavigatorPosition Value) {
  if (Value == FNavigatorPosition) return;
  FNavigatorPosition = Value;
  RequestLayout();
}

void TcxCustomTabControl::SetOptions(TcxPCOptions Value) {
  if (Value == FOptions) return;
  const TcxPCOptions layoutOptions{pcoGoDialog, pcoNoArrows, pcoTopToBottomText};
  const bool relayout = (Value * layoutOptions) != (FOptions * layoutOptions);
  FOptions = Value;
  if (relayout) RequestLayout();
}

void TcxCustomTabControl::SetOwnerDraw(bool Value) {
  if (Value == FOwnerDraw) return;
  FOwnerDraw = Value;
  Invalidate();
}

void TcxCustomTabControl::SetRaggedRight(bool Value) {
  if (Value == FRaggedRight) return;
  FRaggedRight = Value;
  if (FMultiLine) RequestLayout();
}

void TcxCustomTabControl::SetRotate(bool Value) {
  if (Value == FRotate) return;
  FRotate = Value;
  RequestLayout();
}

void TcxCustomTabControl::SetScrollOpposite(bool Value) {
  if (Value == FScrollOpposite) return;
  FScrollOpposite = Value;
  if (!FMultiLine) return;
  if (FMainTabVisibleIndex != -1 && FPainter && FPainter->PainterClass() &&
      FPainter->PainterClass()->KeepsMainRowNextToPage()) {
    ArrangeRows();
    RealignChildren();
    Invalidate();
  } else {
    RealignChildren();
  }
}

void TcxCustomTabControl::SetShowFrame(bool Value) {
  if (Value == FShowFrame) return;
  FShowFrame = Value;
  RequestLayout();
}

void TcxCustomTabControl::SetTabHeight(int16_t Value) {
  if (Value == FTabHeight) return;
  FTabHeight = Value;
  RequestLayout();
}

void TcxCustomTabControl::SetTabWidth(int16_t Value) {
  if (Value == FTabWidth) return;
  FTabWidth = Value;
  RequestLayout();
}

void TcxCustomTabControl::SetTabPosition(TcxTabPosition Value) {
  if (Value == FTabPosition) return;
  FTabPosition = Value;
  RequestLayout();
}

// ---- style and painter --------------------------------------------------------------------------------------

TcxPCStyleID TcxCustomTabControl::ActualStyle() const {
  return FPainter && FPainter->PainterClass() ? FPainter->PainterClass()->GetStyleID() : cxPCNoStyle;
}

void TcxCustomTabControl::SetStyle(TcxPCStyleID Value) {
  if (Value == FStyle && Value != cxPCDefaultStyle) return;
  if (Value != cxPCDefaultStyle && !FindPainterClass(Value)) return;
  FStyle = Value;
  ApplyStyle(Value);
}

void TcxCustomTabControl::ApplyStyle(TcxPCStyleID AStyle) {
  if (!PaintersFactory() || PaintersFactory()->Count() == 0) return;
  if (AStyle == cxPCDefaultStyle) {
    AStyle = GetStyleForLookAndFeel(LookAndFeel());
    if (AStyle == cxPCNoStyle) AStyle = GetDefaultStyleID(LookAndFeel());
  }
  SetPainterClass(FindPainterClass(AStyle));
}

void TcxCustomTabControl::SetPainterClass(TcxPCPainterClass AClass) {
  if (!AClass) return;
  if (FPainter && FPainter->PainterClass() == AClass) return;
  if (FPainter) {
    ReleasePainter(FPainter);
    FPainter = nullptr;
  }
  FPainter = GetPainterInstance(AClass, this);
  FreeTabTextBitmaps();
  RequestLayout();
}

void TcxCustomTabControl::FreeTabTextBitmaps() {
  if (!FTabs) return;
  for (int32_t i = 0; i < FTabs->Count(); ++i) FTabs->Tabs(i)->FreeTextBitmap();
}

void TcxCustomTabControl::LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) {
  TcxControl::LookAndFeelChanged(Sender, AChangedValues);
  if (FStyle == cxPCDefaultStyle) ApplyStyle(cxPCDefaultStyle);
  RequestLayout();
}

// ---- change protocol ----------------------------------------------------------------------------------------

void TcxCustomTabControl::LockChangeEvents() { ++FChangeEventsLockCount; }

void TcxCustomTabControl::UnlockChangeEvents() {
  if (FChangeEventsLockCount > 0) --FChangeEventsLockCount;
}

bool TcxCustomTabControl::ChangeEventsLocked() const {
  return FChangeEventsLockCount > 0 || ComponentState().Contains(csLoading) || IsDesigning();
}

bool TcxCustomTabControl::CanChange(int32_t NewTabIndex) {
  (void)NewTabIndex;
  bool allow = true;
  if (!ChangeEventsLocked() && OnChanging.Assigned()) OnChanging(this, allow);
  return allow;
}

void TcxCustomTabControl::Change() {
  if (!ChangeEventsLocked() && OnChange.Assigned()) OnChange(this);
}

void TcxCustomTabControl::SetMainTabVisibleIndexFromTabIndex() {
  int32_t value = -1;
  if (FTabIndex != -1 && FVisibleTabList) {
    int32_t p;
    if (FVisibleTabList->Find(FTabIndex, p))
      value = p;
    else
      value = std::min(p, FVisibleTabList->Count() - 1);
  }
  if (value == FMainTabVisibleIndex) return;
  const int32_t old = FMainTabVisibleIndex;
  FMainTabVisibleIndex = value;
  if (old != -1 && old < VisibleTabCount()) FTabs->TabChanged(old, tpcIsMainTab);
  if (value != -1) FTabs->TabChanged(value, tpcIsMainTab);
}

void TcxCustomTabControl::SetTabIndex(int32_t Value) {
  if (ComponentState().Contains(csLoading)) {
    FTabIndex = Value;
    return;
  }
  if (Value < -1 || Value >= FTabs->Count()) return;
  if (IsPagesMode() && Value != -1 && !FTabs->Tabs(Value)->Visible()) Value = -1;
  if (Value == FTabIndex || !CanChange(Value)) return;

  FTabIndex = -1;
  SetMainTabVisibleIndexFromTabIndex();
  for (int32_t i = 0; i < FTabs->Count(); ++i) FTabs->Tabs(i)->FSelected = false;
  SetFocusedTab(-1);
  FTabIndex = Value;
  SetMainTabVisibleIndexFromTabIndex();
  TObjectLink<TcxCustomTabControl> alive(this);
  Change();
  if (!alive.Get()) return;

  if (!FMultiLine) {
    if (FMainTabVisibleIndex != -1) MakeTabVisible(FMainTabVisibleIndex);
    if (Value != -1) RequestLayout();
  } else if (FPainter && FPainter->PainterClass() && FPainter->PainterClass()->KeepsMainRowNextToPage()) {
    ArrangeRows();
    RealignChildren();
    Invalidate();
  }
  UpdateHotTrack(TShiftState{});
}

void TcxCustomTabControl::TabSelectedChanging(TcxTab* ATab, bool& AValue) {
  if (!AValue) return;
  if (FPainter && FPainter->PainterClass() && FPainter->PainterClass()->AllowsMultiSelect()) {
    for (int32_t i = 0; i < FTabs->Count(); ++i) {
      TcxTab* t = FTabs->Tabs(i);
      if (t != ATab && t->Selected()) {
        FMultiSelect = true;
        break;
      }
    }
  } else if (ATab->Index() != FTabIndex) {
    AValue = ATab->Selected();  // refused: only the selected tab may carry the mark
  }
}

void TcxCustomTabControl::TabVisibilityChanged(TcxTab* ATab, bool AWasOnScreen, bool AWasMain) {
  if (IsLoadingOrDestroying()) return;
  if (ATab->Visible()) {
    FTabs->TabChanged(-1, tpcLayout);
  } else {
    if (AWasOnScreen || FMultiLine)
      FTabs->TabChanged(-1, tpcLayout);
    else
      CalculateTabsLayout();
    SetMainTabVisibleIndexFromTabIndex();
    if (IsPagesMode() && AWasMain && FMainTabVisibleIndex != -1)
      SetTabIndex(FVisibleTabList->Items(FMainTabVisibleIndex));
  }
}

int32_t TcxCustomTabControl::GetTabImageIndex(int32_t ATabIndex) {
  int32_t result = FTabs->Tabs(ATabIndex)->StoredImageIndex();
  if (OnGetImageIndex.Assigned()) OnGetImageIndex(this, ATabIndex, result);
  if (result < 0) return -1;
  TCustomImageList* images = Images();
  SIZE s = FImageList->GetSize();
  if (!images || s.cx <= 0 || s.cy <= 0 || result >= images->Count()) return -1;
  return result;
}

void TcxCustomTabControl::ImagesChanged() { RequestLayout(); }

// ---- layout request -----------------------------------------------------------------------------------------

void TcxCustomTabControl::RequestLayout() {
  if (IsLoadingOrDestroying() || FLayoutRunning || !FPainter) return;
  FLayoutRunning = true;
  try {
    if (FMaxRotatedTabWidth > 0)
      FMaxRotatedTabWidth = std::max(FMaxRotatedTabWidth, FPainter->GetMinTabNormalWidth());
    FreeTabTextBitmaps();
    CalculateTabsLayout();
    for (int32_t i = 0; i < VisibleTabCount(); ++i) {
      TcxTab* tab = FTabs->VisibleTabs(i);
      if (GetTabImageIndex(tab->Index()) != -1 && tab->OnScreen()) FPainter->RepaintTab(i, tpcNotSpecified);
    }
    TCustomImageList* images = Images();
    if (images && images->Count() > 0) {
      uint8_t rotation = FPainter->IsNativePainting() ? 0 : static_cast<uint8_t>(TextOrientation());
      if (rotation != FImageList->Rotation()) FImageList->SetRotation(rotation);
    }
  } catch (...) {
    FLayoutRunning = false;
    throw;
  }
  FLayoutRunning = false;
  RealignChildren();
  Invalidate();
  SetMainTabVisibleIndexFromTabIndex();
  UpdateHotTrack(TShiftState{});
}

// ---- window and messages ------------------------------------------------------------------------------------

void TcxCustomTabControl::CreateParams(TCreateParams& Params) {
  TcxControl::CreateParams(Params);
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TcxCustomTabControl::CreateWnd() {
  TcxControl::CreateWnd();
  RequestLayout();
}

void TcxCustomTabControl::Resize() {
  TcxControl::Resize();
  RequestLayout();
}

void TcxCustomTabControl::Loaded() {
  TcxControl::Loaded();
  RequestLayout();
  const int32_t stored = FTabIndex;
  FTabIndex = -1;
  LockChangeEvents();
  try {
    SetTabIndex(stored);
  } catch (...) {
    UnlockChangeEvents();
    throw;
  }
  UnlockChangeEvents();
}

void TcxCustomTabControl::Paint() {
  if (!FPainter) return;
  TcxCanvas* canvas = ControlCanvas();
  canvas->Font()->Assign(Font());
  const bool copy = ControlState().Contains(csPaintCopy);
  TcxRegion* saved = copy ? canvas->GetClipRegion() : nullptr;
  try {
    FPainter->Paint();
  } catch (...) {
    if (saved) canvas->SetClipRegion(saved, rcmCopy);
    throw;
  }
  if (saved) canvas->SetClipRegion(saved, rcmCopy);
}

void TcxCustomTabControl::AdjustClientRect(RECT& Rect) { Rect = GetPageClientRect(); }

void TcxCustomTabControl::FocusChanged() {
  TcxControl::FocusChanged();
  if (FMainTabVisibleIndex != -1 && FMainTabVisibleIndex < VisibleTabCount() &&
      FTabs->VisibleTabs(FMainTabVisibleIndex)->OnScreen())
    FTabs->TabChanged(FMainTabVisibleIndex, tpcFocused);
}

void TcxCustomTabControl::FontChanged() {
  TcxControl::FontChanged();
  Canvas()->Font()->Assign(Font());
  RequestLayout();
}

void TcxCustomTabControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      TcxControl::WndProc(m);
      m.Result |= DLGC_WANTARROWS;
      return;
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case CM_ENABLEDCHANGED:
    case CM_PARENTCOLORCHANGED:
      TcxControl::WndProc(m);
      Invalidate();
      return;
    case CM_DIALOGCHAR:
      if (HandleDialogChar(m)) return;
      break;
    case CM_DIALOGKEY: {
      HWND focus = GetFocus();
      if (HandleAllocated() && (focus == Handle() || IsChild(Handle(), focus))) {
        uint16_t key = static_cast<uint16_t>(m.WParam);
        TShiftState shift = GetShiftState();
        if (HandleTabKey(key, shift)) {
          m.Result = 1;
          return;
        }
      }
      break;
    }
    default:
      break;
  }
  TcxControl::WndProc(m);
}

// ---- the client rectangle in the form -----------------------------------------------------------------------

void TcxCustomTabControl::DefineProperties(TFiler* Filer) {
  TcxControl::DefineProperties(Filer);
  RECT r = GetPageClientRect();
  Filer->DefineProperty("ClientRectBottom", TReaderProc(this, &TcxCustomTabControl::ReadClientRectBottom),
                        TWriterProc(this, &TcxCustomTabControl::WriteClientRectBottom), r.bottom != 0);
  Filer->DefineProperty("ClientRectLeft", TReaderProc(this, &TcxCustomTabControl::ReadClientRectLeft),
                        TWriterProc(this, &TcxCustomTabControl::WriteClientRectLeft), r.left != 0);
  Filer->DefineProperty("ClientRectRight", TReaderProc(this, &TcxCustomTabControl::ReadClientRectRight),
                        TWriterProc(this, &TcxCustomTabControl::WriteClientRectRight), true);
  Filer->DefineProperty("ClientRectTop", TReaderProc(this, &TcxCustomTabControl::ReadClientRectTop),
                        TWriterProc(this, &TcxCustomTabControl::WriteClientRectTop), true);
}

void TcxCustomTabControl::ReadClientRectBottom(TReader* Reader) { FStoredClientRect.bottom = Reader->ReadInteger(); }
void TcxCustomTabControl::ReadClientRectLeft(TReader* Reader) { FStoredClientRect.left = Reader->ReadInteger(); }
void TcxCustomTabControl::ReadClientRectRight(TReader* Reader) { FStoredClientRect.right = Reader->ReadInteger(); }
void TcxCustomTabControl::ReadClientRectTop(TReader* Reader) {
  FStoredClientRect.top = Reader->ReadInteger();
  FStoredClientRectRead = true;
}
void TcxCustomTabControl::WriteClientRectBottom(TWriter* Writer) { Writer->WriteInteger(GetPageClientRect().bottom); }
void TcxCustomTabControl::WriteClientRectLeft(TWriter* Writer) { Writer->WriteInteger(GetPageClientRect().left); }
void TcxCustomTabControl::WriteClientRectRight(TWriter* Writer) { Writer->WriteInteger(GetPageClientRect().right); }
void TcxCustomTabControl::WriteClientRectTop(TWriter* Writer) { Writer->WriteInteger(GetPageClientRect().top); }
