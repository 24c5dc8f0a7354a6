// The item controls of buttons and sub-items.

#include "ui/barcontrols/dxBarItemControls.h"

#include <algorithm>

#include "forms/Forms.h"
#include "forms/Menus.h"
#include "ui/barcontrols/detail/dxBarControlsState.h"
#include "ui/barcontrols/dxBarControls.h"
#include "ui/barcontrols/dxBarItems.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/dxOffice11.h"

using dxbarcontrols_detail::BarControlsState;
using dxbarcontrols_detail::BarControlsStateOrNull;

namespace {

bool InMenu(TdxBarItemControl* AControl) { return AControl->Parent() && AControl->Parent()->IsMenuLike(); }

// The point a menu opened from a control hangs from, in screen coordinates: beside a menu line (raised by
// the painter's sub-menu offset) or a button of a vertical tool bar, else below the control.
POINT MenuAnchor(TdxBarItemControl* AControl) {
  TCustomdxBarControl* parent = AControl->Parent();
  const RECT r = parent->GetItemRect(AControl);
  POINT p{r.left, r.bottom};
  if (parent->IsMenuLike())
    p = POINT{r.right, r.top - AControl->GetPainter()->GetSubMenuOffset()};
  else if (IsVerticalToolbar(parent))
    p = POINT{r.right, r.top};
  return parent->ClientToScreen(p);
}

}  // namespace

// ---- TdxBarButtonControl -----------------------------------------------------------------------------------

TdxBarButton* TdxBarButtonControl::Button() const { return static_cast<TdxBarButton*>(Item()); }

int32_t TdxBarButtonControl::GetArrowWidth() {
  if (InMenu(this)) return Parent()->MenuArrowWidth();
  return Parent()->BarManager()->ButtonArrowWidthMetric();
}

void TdxBarButtonControl::ButtonStyleChanged() {
  ForgetSizes();
  if (Parent()) Parent()->Rebuild();
}

void TdxBarButtonControl::DownChanged() { Repaint(); }
void TdxBarButtonControl::DropDownEnabledChanged() { Repaint(); }

void TdxBarButtonControl::PaintStyleChanged() {
  ForgetSizes();
  if (Parent()) Parent()->Rebuild();
}

void TdxBarButtonControl::CaptionChanged() {
  ForgetSizes();
  TdxBarItemControl::CaptionChanged();
}

void TdxBarButtonControl::WidthChanged() {
  ForgetSizes();
  if (Parent()) Parent()->Rebuild();
}

TdxBarPaintStyle TdxBarButtonControl::AdjustPaintStyle(TdxBarPaintStyle AStyle) {
  return AStyle == TdxBarPaintStyle::psStandard && !HasGlyph() ? psCaption : AStyle;
}

TdxBarPaintStyle TdxBarButtonControl::GetPaintStyle() {
  const TdxBarPaintStyle style = Link() ? Link()->GetPaintStyle() : TdxBarPaintStyle::psStandard;
  return InMenu(this) ? style : AdjustPaintStyle(style);
}

bool TdxBarButtonControl::IsCaptionShown() {
  const TdxBarPaintStyle style = GetPaintStyle();
  return style == psCaption || style == psCaptionGlyph;
}

int32_t TdxBarButtonControl::CalcDefaultHeight() {
  TCustomdxBarControl* parent = Parent();
  TdxBarManager* manager = parent->BarManager();
  int32_t h;
  if (InMenu(this)) {
    h = parent->LineHeight();
    GetPainter()->AdjustMenuItemHeight(h);
  } else if (IsCaptionShown()) {
    h = std::max(parent->LineHeight(), IsRotatedVerticalToolbar(parent) ? manager->ButtonWidth() : manager->ButtonHeight());
  } else {
    h = manager->ButtonHeight();
  }
  if (Button()->Lowered()) h += 2 * GetPainter()->GetLoweredButtonMargin(this);
  return h;
}

int32_t TdxBarButtonControl::CalcDefaultWidth() {
  TCustomdxBarControl* parent = Parent();
  TdxBarManager* manager = parent->BarManager();
  TCanvas* canvas = parent->Canvas();
  const String caption = RemoveAmpersands(GetCaption());
  int32_t w;
  if (InMenu(this)) {
    w = canvas->TextWidth(caption) + 2 * parent->LineHeight() + 6;
    if (const TShortCut shortCut = GetShortCut())
      w += canvas->TextWidth(ShortCutToText(shortCut)) + parent->LineHeight() - 6;
    GetPainter()->AdjustMenuItemWidth(this, w);
  } else {
    switch (GetPaintStyle()) {
      case psCaption: w = canvas->TextWidth(caption) + canvas->Font()->Size(); break;
      case psCaptionGlyph:
        w = canvas->TextWidth(caption) +
            (IsRotatedVerticalToolbar(parent) ? manager->ButtonHeight() : manager->ButtonWidth()) + 4;
        break;
      default: w = manager->ButtonWidth(); break;
    }
  }
  if (Button()->Lowered()) w += 2 * GetPainter()->GetLoweredButtonMargin(this);
  return w;
}

void TdxBarButtonControl::Measure() {
  TCustomdxBarControl* parent = Parent();
  TdxBarManager* manager = parent->BarManager();
  const int32_t key[4] = {parent->LineHeight(), manager->ButtonWidth(), manager->ButtonHeight(), PaintType()};
  if (FDefaultWidth >= 0 && std::equal(key, key + 4, FMeasuredWith)) return;
  std::copy(key, key + 4, FMeasuredWith);
  FDefaultWidth = CalcDefaultWidth();
  FDefaultHeight = CalcDefaultHeight();
}

int32_t TdxBarButtonControl::GetHeight() {
  Measure();
  if (!InMenu(this) && IsRotatedVerticalToolbar(Parent()) && IsCaptionShown()) return FDefaultWidth;
  return FDefaultHeight;
}

int32_t TdxBarButtonControl::GetWidth() {
  Measure();
  int32_t w = !InMenu(this) && IsRotatedVerticalToolbar(Parent()) && IsCaptionShown() ? FDefaultHeight
                                                                                    : FDefaultWidth;
  if (!InMenu(this) && Button()->ButtonStyle() == bsDropDown) w += GetArrowWidth();
  return w;
}

void TdxBarButtonControl::GlyphChanged() {
  ForgetSizes();
  if (Link() && Link()->GetPaintStyle() == TdxBarPaintStyle::psStandard) {
    if (Parent()) Parent()->Rebuild();
    return;
  }
  Repaint();
}

bool TdxBarButtonControl::IsHighlighted() {
  return (IsSelectedControl() && !Parent()->IsCustomizing()) || ClickState();
}

void TdxBarButtonControl::KeyDown(uint16_t AKey) {
  if (AKey >= VK_UP && AKey <= VK_DOWN && Button()->DropDownMenu()) OpenDropDownMenu(false);
}

bool TdxBarButtonControl::HandleChar(uint16_t AKey) {
  if (Button()->ButtonStyle() != bsDropDown) return false;
  return InMenu(this) ? AKey == VK_RIGHT : AKey == VK_UP || AKey == VK_DOWN;
}

bool TdxBarButtonControl::ClosesMenusOnClick() { return !InMenu(this) || Button()->CloseSubMenuOnClick(); }

bool TdxBarButtonControl::UnclicksAfterDoing() { return Button()->UnclickAfterDoing(); }

bool TdxBarButtonControl::IsMouseOnArrowPart() {
  if (Button()->ButtonStyle() != bsDropDown || !IsMouseDownOnIt()) return false;
  POINT p;
  GetCursorPos(&p);
  p = Parent()->ScreenToClient(p);
  return p.x >= Parent()->GetItemRect(this).right - GetArrowWidth();
}

void TdxBarButtonControl::Deactivate(bool AByMouse) {
  TdxBarItemControl::Deactivate(AByMouse);
  if (!FDroppedDown || Button()->ButtonStyle() != bsDropDown) return;
  FDroppedDown = false;
  if (TdxBarPopupMenu* menu = Button()->DropDownMenu())
    if (TCustomdxBarControl* window = menu->SubMenuControl()) window->Free();
  Repaint();
}

void TdxBarButtonControl::PrepareClick(bool) {
  if (IsMouseOnArrowPart()) {
    OpenDropDownMenu(true);
    return;
  }
  if (!InMenu(this) || Button()->ButtonStyle() == bsDropDown) Repaint();
}

void TdxBarButtonControl::Click(bool AByMouse) {
  if (FDroppedDown) return;
  if (InMenu(this)) PlayMenuSound(1);
  TdxBarButton* button = Button();
  if (button->ButtonStyle() == bsChecked) button->SetDown(!button->Down());
  Deactivate(true);
  TdxBarItemControl::Click(AByMouse);
}

void TdxBarButtonControl::OpenDropDownMenu(bool AByMouse) {
  TdxBarButton* button = Button();
  if (FDroppedDown || !GetEnabled() || !button->DropDownEnabled() || !button->DropDownMenu()) return;
  FDroppedDown = true;
  if (!IsActive()) Activate(AByMouse);
  Repaint();
  TCustomdxBarControl* parent = Parent();
  const POINT p = MenuAnchor(this);
  button->DropDown(this, p.x, p.y, AByMouse);
  // The drop-down may have closed (and this window gone) before it returned.
  if (!IsBarControlAlive(parent) || !parent->OwnsControl(this)) return;
  if (TdxBarPopupMenu* menu = button->DropDownMenu(); !menu || !menu->IsShowing()) DropDownMenuClosed();
  if (GetPainter()->RepaintsAfterClick()) Repaint();
}

void TdxBarButtonControl::DropDownMenuClosed() {
  if (!FDroppedDown) return;
  FDroppedDown = false;
  Repaint();
}

void TdxBarButtonControl::Draw(const RECT& R, int32_t APaintType) {
  if (IsRectEmpty(&R)) return;
  HDC dc = Parent()->Canvas()->Handle();
  RECT r = R;
  if (Button()->Lowered()) DrawLowered(r);
  if (APaintType == dxBarPaintMenu)
    DrawInMenu(dc, r);
  else
    DrawOnToolbar(dc, r, APaintType);
}

void TdxBarButtonControl::DrawInMenu(HDC DC, RECT R) {
  const TdxBarPaintStyle style = GetPaintStyle();
  const bool highlighted = IsHighlighted();
  DrawCaptionOf(DC, R, highlighted, style != psCaption && style != psCaptionInMenu, Button()->Down());
  const TShortCut shortCut = GetShortCut();
  if (!shortCut) return;
  RECT r = R;
  r.right -= (r.bottom - r.top) + 5;
  const bool flatText = GetPainter()->IsFlatStyle() && !IsWhiteBtnFace();
  DrawTextOf(DC, ShortCutToText(shortCut), r, 2, GetEnabled(), highlighted, false, false, flatText);
}

void TdxBarButtonControl::DrawOnToolbar(HDC DC, RECT R, int32_t APaintType) {
  TdxBarButton* button = Button();
  TdxBarItemControlPainterClass painter = GetPainter();
  TCustomdxBarControl* parent = Parent();
  TdxBarManager* manager = parent->BarManager();
  const bool dropDown = button->ButtonStyle() == bsDropDown;
  RECT arrow{};
  if (dropDown) {
    arrow = RECT{R.right - GetArrowWidth(), R.top, R.right, R.bottom};
    R.right = arrow.left;
  }
  const bool highlighted = IsHighlighted();
  const bool mouseOnArrow = IsMouseOnArrowPart();
  const bool pressed = (highlighted && parent->Active() && IsMouseDownOnIt() && !mouseOnArrow && !FDroppedDown) ||
                       (ClickState() && button->ButtonStyle() != bsChecked);
  const bool down = button->Down() || (painter->IsFlatStyle() && FDroppedDown);
  const TdxBarPaintStyle style = GetPaintStyle();
  TdxBarPaintFlags flags;
  flags.Kind = APaintType;
  flags.NoGlyph = style == psCaption;
  flags.Hot = highlighted;
  flags.Down = down;
  flags.Pressed = pressed;
  flags.OpensMenu = dropDown;
  flags.Split = dropDown;
  DrawGlyphOf(R, nullptr, flags);
  if (style == psCaption || style == psCaptionGlyph) {
    const bool vertical = APaintType == dxBarPaintVertical;
    RECT text = R;
    if (style == psCaption)
      (vertical ? text.top : text.left) += parent->Canvas()->Font()->Size() / 2;
    else
      (vertical ? text.top : text.left) += vertical ? manager->ButtonHeight() : manager->ButtonWidth();
    if (pressed) painter->OffsetPressedContent(this, pressed, text);
    bool selected = painter->IsFlatStyle() &&
                    ((painter->RepaintsPressedButtons() && pressed) || (button->Down() && highlighted));
    if (painter->IsFlatStyle() && IsWhiteBtnFace() && (pressed || down || highlighted) && !FDroppedDown) selected = true;
    DrawTextOf(DC, GetCaption(), text, 0, GetEnabled(), selected, vertical, false, !selected);
  }
  if (!dropDown) return;
  TdxBarPaintFlags colors = flags;
  int32_t textColor = COLOR_BTNTEXT;
  HBRUSH brush = parent->CachedBkBrush();
  GetColors(colors, textColor, brush);
  painter->DrawButtonArrowPart(this, DC, arrow, brush, textColor, highlighted, pressed, FDroppedDown,
                               button->DropDownEnabled(), button->DropDownMenu() != nullptr, APaintType);
}

// ---- TdxBarSubItemControl ---------------------------------------------------------------------------------------

namespace {

void StopSubItemTimer(dxbarcontrols_detail::TBarControlsState& S) {
  if (S.SubItemTimer) KillTimer(nullptr, S.SubItemTimer);
  S.SubItemTimer = 0;
  S.PendingSubItem = nullptr;
}

void SubItemTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  dxbarcontrols_detail::TBarControlsState* S = BarControlsStateOrNull();
  if (!S) return;
  TdxBarSubItemControl* control = S->PendingSubItem;
  const bool open = S->PendingOpen;
  StopSubItemTimer(*S);
  if (!control) return;
  try {
    if (open)
      control->Activate(true);
    else
      control->Deactivate(true);
  } catch (...) {
    // A timer has nobody to report to: a menu that cannot open stays closed.
  }
}

void StartSubItemTimer(TdxBarSubItemControl* AControl, bool AOpen) {
  auto& S = BarControlsState();
  StopSubItemTimer(S);
  S.PendingSubItem = AControl;
  S.PendingOpen = AOpen;
  S.SubItemTimer = SetTimer(nullptr, 0, 400, &SubItemTimerProc);
}

}  // namespace

TdxBarSubItemControl* PendingSubItemControl() {
  dxbarcontrols_detail::TBarControlsState* S = BarControlsStateOrNull();
  return S ? S->PendingSubItem : nullptr;
}

void TdxBarSubItemControl::BeforeDestruction() {
  if (dxbarcontrols_detail::TBarControlsState* S = BarControlsStateOrNull(); S && S->PendingSubItem == this)
    StopSubItemTimer(*S);
  if (Item() && !Item()->IsDestroying()) CloseMenu();
  TdxBarItemControl::BeforeDestruction();
}

TCustomdxBarSubItem* TdxBarSubItemControl::SubItem() const { return static_cast<TCustomdxBarSubItem*>(Item()); }

TCustomdxBarControl* TdxBarSubItemControl::GetSubMenu() {
  TCustomdxBarSubItem* item = SubItem();
  return item && item->ItemLinks() ? item->ItemLinks()->BarControl() : nullptr;
}

TCustomdxBarControl* TdxBarSubItemControl::CreateSubMenu() {
  TCustomdxBarSubItem* item = SubItem();
  return item && item->ItemLinks() ? item->ItemLinks()->CreateBarControl() : nullptr;
}

int32_t TdxBarSubItemControl::CalcDefaultHeight() { return GetPainter()->GetSubItemHeight(this); }
int32_t TdxBarSubItemControl::CalcDefaultWidth() { return GetPainter()->GetSubItemWidth(this); }

int32_t TdxBarSubItemControl::GetHeight() {
  return IsRotatedVerticalToolbar(Parent()) ? CalcDefaultWidth() : CalcDefaultHeight();
}

int32_t TdxBarSubItemControl::GetWidth() {
  return IsRotatedVerticalToolbar(Parent()) ? CalcDefaultHeight() : CalcDefaultWidth();
}

void TdxBarSubItemControl::GlyphChanged() {
  if (Parent()) Parent()->Rebuild();
}

bool TdxBarSubItemControl::ShowsCaption() { return !SubItem() || SubItem()->ShowCaption(); }

bool TdxBarSubItemControl::WantsDblClick() { return !Parent()->BarManager()->IsDesigning(); }

void TdxBarSubItemControl::KeyDown(uint16_t AKey) {
  if (AKey == VK_RIGHT) PerformClick(false);
}

bool TdxBarSubItemControl::HandleChar(uint16_t AKey) { return InMenu(this) && AKey == VK_RIGHT; }

void TdxBarSubItemControl::Activate(bool AByMouse) {
  if (!CanOpen()) return;
  if (GetSubMenu()) {
    TdxBarItemLink* active = Item() ? Item()->FindActiveLink() : nullptr;
    TdxBarItemControl* other = active ? active->Control() : nullptr;
    if (!other || other == this) {
      if (auto* S = BarControlsStateOrNull(); S && S->PendingSubItem == this) StopSubItemTimer(*S);
      return;
    }
    other->Deactivate(true);
  }
  TdxBarItemControl::Activate(AByMouse);
  TCustomdxBarControl* parent = Parent();
  TdxBarManager* manager = parent->BarManager();
  if (!GetEnabled() && !manager->IsDesigning()) return;
  if (auto* toolbar = dynamic_cast<TdxBarControl*>(parent)) {
    // A tool bar opens menus at once, and only once a click or a key asked for them.
    if (toolbar->IsCustomizing() || toolbar->MenusDropped()) OpenMenu();
    return;
  }
  if (!AByMouse && !manager->IsCustomizing()) {
    auto& S = BarControlsState();
    if (TdxBarSubItemControl* pending = S.PendingSubItem; pending && pending != this) {
      // The control that waits in the window this menu was opened from keeps waiting its turn.
      if (pending->Parent() != parent->ParentBarControl()) {
        StopSubItemTimer(S);
        try {
          pending->Deactivate(true);
        } catch (...) {
        }
      }
    }
    StartSubItemTimer(this, true);
    return;
  }
  OpenMenu();
}

void TdxBarSubItemControl::OpenMenu() {
  TCustomdxBarSubItem* item = SubItem();
  if (!item) return;
  TCustomdxBarControl* parent = Parent();
  item->DoPopup();
  item->Click();
  if (!IsBarControlAlive(parent) || !parent->OwnsControl(this)) return;
  TCustomdxBarControl* menu = CreateSubMenu();
  if (!menu) return;
  if (UsesOwnerRect()) {
    RECT r = parent->GetItemRect(this);
    const POINT tl = parent->ClientToScreen(POINT{r.left, r.top});
    OffsetRect(&r, tl.x - r.left, tl.y - r.top);
    menu->SetOwnerRect(r);
    menu->SetAnchorControl(parent);
  }
  const POINT p = MenuAnchor(this);
  menu->SetParentBarControl(parent);
  parent->SetChildMenu(menu);
  if (!parent->IsMenuLike()) Repaint();
  menu->SetBounds(p.x, p.y, menu->Width(), menu->Height());
  menu->HandleNeeded();
  if (IsBarControlAlive(menu) && menu->HandleAllocated()) ShowWindow(menu->Handle(), SW_SHOWNA);
  if (GetPainter()->RepaintsAfterClick()) Repaint();
}

void TdxBarSubItemControl::Deactivate(bool AByMouse) {
  if (!CanOpen()) return;
  TCustomdxBarControl* parent = Parent();
  TdxBarManager* manager = parent->BarManager();
  auto* S = BarControlsStateOrNull();
  if (!parent->Bar() && !AByMouse && S && !S->PendingSubItem && !parent->IsDestroying() && !manager->IsCustomizing()) {
    StartSubItemTimer(this, false);
    return;
  }
  TdxBarItemControl::Deactivate(AByMouse);
  if (S && S->PendingSubItem == this) StopSubItemTimer(*S);
  CloseMenu();
}

void TdxBarSubItemControl::CloseMenu() {
  TCustomdxBarControl* menu = GetSubMenu();
  if (!menu) return;
  TCustomdxBarControl* parent = Parent();
  if (parent && parent->ChildMenu() == menu) parent->SetChildMenu(nullptr);
  menu->Free();
  if (parent && !parent->IsMenuLike() && !parent->IsDestroying()) Repaint();
  if (SubItem()) SubItem()->DoCloseUp();
}

void TdxBarSubItemControl::PrepareClick(bool AByMouse) {
  TCustomdxBarControl* parent = Parent();
  if (GetSubMenu()) {
    if (parent->IsCustomizing() || parent->BarManager()->GetEffectiveStyle() == bmsStandard) Deactivate(true);
    return;
  }
  Activate(true);
  (void)AByMouse;
}

void TdxBarSubItemControl::Draw(const RECT& R, int32_t APaintType) {
  if (IsRectEmpty(&R)) return;
  const bool down = IsActive() && GetSubMenu();
  GetPainter()->DrawSubItem(this, Parent()->Canvas()->Handle(), R, IsHighlighted(), down, APaintType);
}
