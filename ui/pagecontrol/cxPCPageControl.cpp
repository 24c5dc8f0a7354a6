// The page control and its tab sheets: the active page, its switching with the focus rules and the event
// order, inserting, moving and removing pages, and loading.

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/base/dxThemeManager.h"
#include "ui/pagecontrol/cxPC.h"
#include "ui/pagecontrol/cxPCPainters.h"

namespace {

const char* const sPageIndexError = "%d - неверное значение PageIndex.  PageIndex должент быть между 0 и %d";

}  // namespace

RTL_PUBLISHED(TcxTabSheet) {
  prop("BorderWidth", &TcxTabSheet::BorderWidth, &TcxTabSheet::SetBorderWidth).Default(0);
  prop("Highlighted", &TcxTabSheet::Highlighted, &TcxTabSheet::SetHighlighted).Default(false);
  prop("ImageIndex", &TcxTabSheet::ImageIndex, &TcxTabSheet::SetImageIndex).Default(-1);
  prop("PageIndex", &TcxTabSheet::PageIndex, &TcxTabSheet::SetPageIndex).Stored(false);
  prop("TabVisible", &TcxTabSheet::TabVisible, &TcxTabSheet::SetTabVisible).Default(true);
  // The page's place and visibility come from its page control.
  prop("Left", &TcxTabSheet::Left, &TcxTabSheet::SetLeft).Stored(false);
  prop("Top", &TcxTabSheet::Top, &TcxTabSheet::SetTop).Stored(false);
  prop("Width", &TcxTabSheet::Width, &TcxTabSheet::SetWidth).Stored(false);
  prop("Height", &TcxTabSheet::Height, &TcxTabSheet::SetHeight).Stored(false);
  prop("Visible", &TcxTabSheet::Visible, &TcxTabSheet::SetVisible).Stored(false);
  event("OnShow", &TcxTabSheet::OnShow, &TcxTabSheet::OnShow);
  event("OnHide", &TcxTabSheet::OnHide, &TcxTabSheet::OnHide);
}

RTL_PUBLISHED(TcxPageControl) {
  using C = TcxPageControl;
  prop("ActivePage", &C::ActivePage, &C::SetActivePage);
  prop("Focusable", &C::Focusable, &C::SetFocusable).Default(true);
  prop("HideTabs", &C::HideTabs, &C::SetHideTabs).Default(false);
  prop("HotTrack", &C::HotTrack, &C::SetHotTrack).Default(false);
  prop("ImageBorder", &C::ImageBorder, &C::SetImageBorder).Default(0);
  prop("Images", &C::Images, &C::SetImages);
  prop("LookAndFeel", &C::LookAndFeel, &C::SetLookAndFeel);
  prop("MaxRotatedTabWidth", &C::MaxRotatedTabWidth, &C::SetMaxRotatedTabWidth).Default(0);
  prop("MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  prop("NavigatorPosition", &C::NavigatorPosition, &C::SetNavigatorPosition).Default(npRightTop);
  prop("Options", &C::Options, &C::SetOptions).Default(TcxPCOptions{});
  prop("OwnerDraw", &C::OwnerDraw, &C::SetOwnerDraw).Default(false);
  prop("RaggedRight", &C::RaggedRight, &C::SetRaggedRight).Default(false);
  prop("Rotate", &C::Rotate, &C::SetRotate).Default(false);
  prop("ScrollOpposite", &C::ScrollOpposite, &C::SetScrollOpposite).Default(false);
  prop("ShowFrame", &C::ShowFrame, &C::SetShowFrame).Default(false);
  prop("Style", &C::Style, &C::SetStyle).Default(0);
  prop("TabHeight", &C::TabHeight, &C::SetTabHeight).Default(int16_t(0));
  prop("TabPosition", &C::TabPosition, &C::SetTabPosition).Default(tpTop);
  prop("TabWidth", &C::TabWidth, &C::SetTabWidth).Default(int16_t(0));
  event("OnChange", &C::OnChange, &C::OnChange);
  event("OnDrawTab", &C::OnDrawTab, &C::OnDrawTab);
  event("OnDrawTabEx", &C::OnDrawTabEx, &C::OnDrawTabEx);
  event("OnGetImageIndex", &C::OnGetImageIndex, &C::OnGetImageIndex);
  event("OnPageChanging", &C::OnPageChanging, &C::OnPageChanging);
}

// ---- TcxTabSheet --------------------------------------------------------------------------------------------

TcxTabSheet::TcxTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {}

TcxTabSheet::~TcxTabSheet() = default;

void TcxTabSheet::AfterConstruction() {
  TCustomControl::AfterConstruction();
  SetAlign(alClient);
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls, csNoDesignVisible});
  SetVisible(false);
  SetTabStop(false);
}

void TcxTabSheet::BeforeDestruction() {
  if (FPageControl) FPageControl->RemovePage(this);
  TCustomControl::BeforeDestruction();
}

void TcxTabSheet::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TcxTabSheet::AdjustClientRect(RECT& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  InflateRect(&Rect, -FBorderWidth, -FBorderWidth);
}

void TcxTabSheet::Paint() {
  if (FPageControl && FPageControl->Painter() && FPageControl->Painter()->IsNativePainting() && OpenTheme(totTab))
    return;  // the erase drew the theme's pane
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

void TcxTabSheet::ReadState(TReader* Reader) {
  if (auto* pc = dynamic_cast<TcxPageControl*>(Reader->Parent())) SetPageControl(pc);
  TCustomControl::ReadState(Reader);
}

void TcxTabSheet::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_SHOWINGCHANGED: {
      TCustomControl::WndProc(m);
      try {
        if (Showing()) {
          if (OnShow.Assigned()) OnShow(this);
        } else if (OnHide.Assigned()) {
          OnHide(this);
        }
      } catch (...) {
        if (Application) Application->HandleException(this);
      }
      return;
    }
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
      TCustomControl::WndProc(m);
      UpdateTab();
      return;
    case WM_WINDOWPOSCHANGED:
      TCustomControl::WndProc(m);
      Invalidate();
      return;
    case WM_ERASEBKGND:
      // Through visual styles the page shows the tab theme's pane, continuing the page control's frame.
      if (FPageControl && FPageControl->Painter() && FPageControl->Painter()->IsNativePainting()) {
        if (HTHEME theme = OpenTheme(totTab)) {
          RECT r;
          FPageControl->Painter()->GetPageFrameRect(r);
          InflateRect(&r, 2, 2);
          OffsetRect(&r, -Left(), -Top());
          DrawThemeBackground(theme, reinterpret_cast<HDC>(m.WParam), 9, 0, &r, nullptr);
          m.Result = 1;
          return;
        }
      }
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TcxTabSheet::UpdateTab() {
  if (FPageControl) FPageControl->UpdateTab(this);
}

void TcxTabSheet::SetPageControl(TcxPageControl* Value) {
  if (Value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  SetParent(Value);
  if (!Value) return;
  Value->InsertPage(this);
  if (!Value->ComponentState().Contains(csLoading) && !Value->ActivePage()) Value->SetActivePage(this);
}

void TcxTabSheet::SetHighlighted(bool Value) {
  if (Value == FHighlighted) return;
  FHighlighted = Value;
  UpdateTab();
}

void TcxTabSheet::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  UpdateTab();
}

void TcxTabSheet::SetTabVisible(bool Value) {
  if (Value == FTabVisible) return;
  FTabVisible = Value;
  UpdateTab();
}

void TcxTabSheet::SetBorderWidth(int32_t Value) {
  if (Value < 0 || Value == FBorderWidth) return;
  FBorderWidth = Value;
  Realign();
  Invalidate();
}

int32_t TcxTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  const auto& pages = FPageControl->FPages;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<int32_t>(it - pages.begin());
}

void TcxTabSheet::SetPageIndex(int32_t Value) {
  if (!FPageControl) return;
  const int32_t last = FPageControl->PageCount() - 1;
  if (Value > last) throw EListError(Format(TranslateString(sPageIndexError), {Value, last}));
  if (Value < 0) throw EListError(Format("List index out of bounds (%d)", {Value}));
  FPageControl->MovePage(this, Value);
}

// ---- TcxPageControl -----------------------------------------------------------------------------------------

TcxPageControl::TcxPageControl(TComponent* AOwner) : TcxCustomTabControl(AOwner) {}

void TcxPageControl::AfterConstruction() {
  TcxCustomTabControl::AfterConstruction();
  SetControlStyle(ControlStyle() - TControlStyle{csAcceptsControls});
}

void TcxPageControl::BeforeDestruction() {
  for (TcxTabSheet* page : FPages) {
    page->FPageControl = nullptr;
    page->FTab = nullptr;
  }
  FPages.clear();
  FActivePage = nullptr;
  TcxCustomTabControl::BeforeDestruction();
}

void TcxPageControl::WndProc(TMessage& m) {
  if (m.Msg == WM_PRINTCLIENT) {
    m.Result = 1;
    return;
  }
  TcxCustomTabControl::WndProc(m);
}

int32_t TcxPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TcxPageControl::SetActivePageIndex(int32_t Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? Pages(Value) : nullptr);
}

void TcxPageControl::SetFocusable(bool Value) {
  if (Value == FFocusable) return;
  FFocusable = Value;
  SetTabStop(Value);
}

bool TcxPageControl::CanFocus() { return FFocusable && TcxCustomTabControl::CanFocus(); }

bool TcxPageControl::CanFocusOnClick() {
  if (!FFocusable) return false;
  POINT p;
  GetCursorPos(&p);
  p = ScreenToClient(p);
  const int32_t vi = TabAtPos(p.x, p.y);
  if (vi == -1 || !FActivePage || !FActivePage->Tab() || Tabs()->VisibleTabs(vi) != FActivePage->Tab()) return false;
  return TcxCustomTabControl::CanFocusOnClick();
}

void TcxPageControl::SetActivePage(TcxTabSheet* Page) {
  if (Page && Page->PageControl() != this) return;
  ChangeActivePage(Page);
  if (Page != FActivePage) return;
  LockChangeEvents();
  try {
    SetTabIndex(Page && Page->TabVisible() && Page->Tab() ? Page->Tab()->Index() : -1);
  } catch (...) {
    UnlockChangeEvents();
    throw;
  }
  UnlockChangeEvents();
}

void TcxPageControl::ChangeActivePage(TcxTabSheet* Page) {
  if (Page == FActivePage || !CanChangePage(Page)) return;
  TCustomForm* form = GetParentForm(this);
  if (form && FActivePage && form->ActiveControl() && form->ActiveControl() != FActivePage &&
      FActivePage->ContainsControl(form->ActiveControl())) {
    form->SetActiveControl(FActivePage);
    if (form->ActiveControl() != FActivePage) {
      if (FActivePage->Tab()) SetTabIndex(FActivePage->Tab()->Index());
      return;
    }
  }
  if (Page) {
    Page->BringToFront();
    Page->SetVisible(true);
    if (form && FActivePage && form->ActiveControl() == FActivePage) {
      if (Page->CanFocus())
        form->SetActiveControl(Page);
      else
        form->SetActiveControl(this);
    }
  }
  if (FActivePage) FActivePage->SetVisible(false);
  FActivePage = Page;
  PageChange();
  if (form && Page && form->ActiveControl() == Page) Page->SelectFirst();
  if (IsDesigning() && !ComponentState().Contains(csLoading)) NotifyDesignerModified();
}

bool TcxPageControl::CanChangePage(TcxTabSheet* NewPage) {
  bool allow = true;
  if (!ChangeEventsLocked() && OnPageChanging.Assigned()) OnPageChanging(this, NewPage, allow);
  return allow;
}

void TcxPageControl::PageChange() {
  if (!ChangeEventsLocked() && OnChange.Assigned()) OnChange(this);
}

bool TcxPageControl::CanChange(int32_t NewTabIndex) {
  bool result = TcxCustomTabControl::CanChange(NewTabIndex);
  if (result && NewTabIndex != -1 && NewTabIndex < PageCount()) result = CanChangePage(Pages(NewTabIndex));
  return result;
}

void TcxPageControl::Change() {
  if (TabIndex() != -1) {
    LockChangeEvents();
    try {
      RestoreActivePage();
    } catch (...) {
      UnlockChangeEvents();
      throw;
    }
    UnlockChangeEvents();
  }
  TcxCustomTabControl::Change();
}

void TcxPageControl::RestoreActivePage() {
  const int32_t i = TabIndex();
  SetActivePage(i == -1 || i >= PageCount() ? nullptr : Pages(i));
}

TcxTabSheet* TcxPageControl::FindNextPage(TcxTabSheet* CurPage, bool GoForward, bool CheckTabVisible) {
  const int32_t count = PageCount();
  if (count == 0) return nullptr;
  auto it = std::find(FPages.begin(), FPages.end(), CurPage);
  if (it == FPages.end()) return GoForward ? FPages.front() : FPages.back();
  const int32_t start = static_cast<int32_t>(it - FPages.begin());
  int32_t i = start;
  do {
    i = GoForward ? (i + 1) % count : (i + count - 1) % count;
    TcxTabSheet* page = FPages[static_cast<size_t>(i)];
    if (!CheckTabVisible || page->TabVisible()) return page;
  } while (i != start);
  return CurPage;
}

void TcxPageControl::SelectNextPage(bool GoForward, bool CheckTabVisible) {
  TcxTabSheet* page = FindNextPage(FActivePage, GoForward, CheckTabVisible);
  if (page && page != FActivePage) SetActivePage(page);
}

void TcxPageControl::InsertPage(TcxTabSheet* Page) {
  HandleNeeded();
  FAdding = true;
  try {
    FPages.push_back(Page);
    Page->FPageControl = this;
    Tabs()->Add(Page->Caption());
  } catch (...) {
    FAdding = false;
    throw;
  }
  FAdding = false;
  Page->FTab = Tabs()->Tabs(PageCount() - 1);
  UpdateTab(Page);
}

void TcxPageControl::RemovePage(TcxTabSheet* Page) {
  auto it = std::find(FPages.begin(), FPages.end(), Page);
  if (it == FPages.end()) return;
  const bool wasActive = Page == FActivePage;
  TcxTabSheet* next = FindNextPage(Page, true, !IsDesigning());
  const int32_t index = static_cast<int32_t>(it - FPages.begin());
  FPages.erase(it);
  Page->FTab = nullptr;
  Tabs()->Delete(index);
  Page->FPageControl = nullptr;
  Page->SetParent(nullptr);
  if (wasActive) {
    SetActivePage(next == Page ? nullptr : next);
    // A page that has left cannot stay active, even when the switch was refused.
    if (FActivePage == Page) {
      FActivePage = nullptr;
      LockChangeEvents();
      SetTabIndex(-1);
      UnlockChangeEvents();
    }
  } else if (FActivePage) {
    // The active page stays; its tab may have moved down by one.
    LockChangeEvents();
    try {
      SetTabIndex(FActivePage->TabVisible() && FActivePage->Tab() ? FActivePage->Tab()->Index() : -1);
    } catch (...) {
      UnlockChangeEvents();
      throw;
    }
    UnlockChangeEvents();
  }
}

void TcxPageControl::MovePage(TcxTabSheet* Page, int32_t NewIndex) {
  const int32_t old = Page->PageIndex();
  if (old == -1 || old == NewIndex) return;
  FPages.erase(FPages.begin() + old);
  FPages.insert(FPages.begin() + NewIndex, Page);
  Tabs()->Move(old, NewIndex);
  Page->FTab = Tabs()->Tabs(NewIndex);
  UpdateTab(Page);
  SetTabIndex(NewIndex);
}

void TcxPageControl::UpdateTab(TcxTabSheet* Page) {
  if (ComponentState().Contains(csLoading) || !Page->FTab) return;
  TcxTab* tab = Page->FTab;
  tab->SetCaption(Page->Caption());
  tab->SetEnabled(Page->Enabled());
  tab->SetImageIndex(Page->ImageIndex());
  tab->SetHighlighted(Page->Highlighted());
  tab->SetVisible(Page->TabVisible());
  if (Page == FActivePage && Page->FTab) SetTabIndex(Page->TabVisible() ? Page->FTab->Index() : -1);
}

void TcxPageControl::UpdateAllTabs() {
  for (int32_t i = 0; i < PageCount(); ++i) UpdateTab(Pages(i));
}

void TcxPageControl::Loaded() {
  TcxCustomTabControl::Loaded();
  UpdateAllTabs();
  if (!IsDesigning() && FActivePage && !FActivePage->Enabled()) SetActivePage(nullptr);
}

void TcxPageControl::ImagesChanged() {
  if (!FAdding)
    for (TcxTabSheet* page : FPages)
      if (page->FTab) page->FTab->SetImageIndex(page->ImageIndex());
  TcxCustomTabControl::ImagesChanged();
}

void TcxPageControl::GetChildren(TGetChildProc Proc, TComponent* Root) {
  (void)Root;
  for (TcxTabSheet* page : FPages) Proc(page);
}

void TcxPageControl::SetChildOrder(TComponent* Child, int32_t Order) {
  if (auto* page = dynamic_cast<TcxTabSheet*>(Child)) page->SetPageIndex(Order);
}
