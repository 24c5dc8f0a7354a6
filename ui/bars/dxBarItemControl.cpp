// The base of the item controls: the on-screen part of one link in one bar window, its answers to the bar
// window and the click path every control shares.

#include "forms/ImgList.h"
#include "rtl/ScopeExit.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/cxClasses.h"

TdxBarItemControl::TdxBarItemControl(TdxBarItemLink* ALink)
    : FLink(ALink), FParent(ALink ? ALink->GetBarControl() : nullptr) {}

TdxBarItemControl::~TdxBarItemControl() = default;

void TdxBarItemControl::BeforeDestruction() {
  TdxBarManager* manager = FParent ? FParent->BarManager() : nullptr;
  if (manager && manager->SelectedControl() == this) manager->ClearSelectedControl();
  if (FParent && IsBarControlAlive(FParent)) {
    if (FParent->CapturedControl() == this) FParent->ClearCapturedControl();
    if (FParent->SelectedControl() == this) {
      // A control still shown hands the selection on as a pointer leaving it would; one going away just
      // drops it.
      if (FLink && FLink->GetVisibleIndex() >= 0 && manager && !manager->IsBeingDestroyed() &&
          !manager->IsCustomizing() && !FParent->IsDestroying())
        FParent->SelectControlAndOpen(nullptr);
      if (FParent->SelectedControl() == this) FParent->ClearSelection();
    }
  }
  ResetObjectLinks(this);
  TObject::BeforeDestruction();
}

TdxBarItem* TdxBarItemControl::Item() const { return FLink ? FLink->Item() : nullptr; }

TdxBarItemControlPainterClass TdxBarItemControl::GetPainter() const { return FParent->GetPainter(); }

void TdxBarItemControl::SetClickState(bool AValue) {
  if (FClickState == AValue) return;
  FClickState = AValue;
  ClickStateChanged();
}

// ---- notifications -----------------------------------------------------------------------------------------------

void TdxBarItemControl::BeginGroupChanged() {
  if (FParent) FParent->Rebuild();
}

void TdxBarItemControl::CaptionChanged() {
  if (GetAlign() == iaClient)
    Repaint();
  else if (FParent)
    FParent->Rebuild();
}

void TdxBarItemControl::EnabledChanged() {
  if (!GetEnabled() && FParent && FParent->SelectedControl() == this) FParent->ClearSelection();
  Repaint();
}

void TdxBarItemControl::GlyphChanged() { Repaint(); }

void TdxBarItemControl::ClickStateChanged() {
  if (!FClickState) Repaint();
}

void TdxBarItemControl::ShortCutChanged() {
  if (FParent && FParent->IsMenuLike()) FParent->Rebuild();
}

void TdxBarItemControl::VisibleChanged() {
  if (FParent) FParent->Rebuild();
}

void TdxBarItemControl::AlignChanged() {
  if (FParent) FParent->Rebuild();
}

void TdxBarItemControl::Repaint() {
  if (FParent && !FParent->IsDestroying()) FParent->RepaintItem(this);
}

// ---- answers ----------------------------------------------------------------------------------------------------

bool TdxBarItemControl::IsClickable() { return true; }

bool TdxBarItemControl::IsCustomizable() {
  TdxBarItem* item = Item();
  return item && FLink && FLink->GetBarManager() == item->BarManager();
}

bool TdxBarItemControl::CanHotTrack() { return CanSelect(); }

bool TdxBarItemControl::CanSelect() { return !(FParent && FParent->IsCustomizing()) || IsCustomizable(); }

void TdxBarItemControl::PerformClick(bool AByMouse) {
  if (!GetEnabled()) return;
  TCustomdxBarControl* parent = FParent;
  PrepareClick(AByMouse);
  // Preparing may have closed menus and freed windows: the control is touched again only when its window
  // is alive and still shows it.
  if (IsBarControlAlive(parent) && parent->OwnsControl(this)) Click(AByMouse);
}

void TdxBarItemControl::Activate(bool) { FActive = true; }
void TdxBarItemControl::Deactivate(bool) { FActive = false; }

void TdxBarItemControl::Click(bool) {
  TdxBarItemLink* sourceLink = FLink ? FLink->GetSourceLink() : nullptr;
  TdxBarItemLink* ownLink = FLink;
  TdxBarItem* item = Item();
  const bool clickable = IsClickable();
  const bool closesMenus = ClosesMenusOnClick();
  TCustomdxBarControl* parent = FParent;
  if (closesMenus) {
    try {
      if (sourceLink) sourceLink->MarkUsed(true);
      if (ownLink && ownLink != sourceLink) ownLink->MarkUsed(true);
    } catch (...) {
      // Recording the use is bookkeeping: the click goes on without it.
    }
  }
  // The click may free this control (its handler may close the form): the link tells afterwards.
  TcxObjectLink* self = AddObjectLink(this);
  ScopeExit release([&] { RemoveObjectLink(self); });
  bool pressed = false;
  if (UnclicksAfterDoing() && (!closesMenus || !parent->IsMenuLike())) {
    SetClickState(true);
    pressed = true;
  }
  if (closesMenus) {
    if (IsBarControlAlive(parent)) parent->CloseAll();
  } else if (!sourceLink) {
    sourceLink = ownLink;
  }
  if (clickable && item) {
    TcxObjectLink* itemLink = AddObjectLink(item);
    ScopeExit releaseItem([&] { RemoveObjectLink(itemLink); });
    item->SetClickItemLink(sourceLink);
    item->Click();
    if (itemLink->Target()) item->SetClickItemLink(nullptr);
  }
  if (self->Target() && pressed) SetClickState(false);
}

bool TdxBarItemControl::IsHighlighted() { return IsSelectedControl(); }

void TdxBarItemControl::GetColors(const TdxBarPaintFlags& AFlags, int32_t& ATextColor, HBRUSH& ABrush) {
  GetPainter()->GetItemColors(this, AFlags.Kind, GetEnabled(), AFlags.Hot, AFlags.Pressed, ABrush, ATextColor);
}

String TdxBarItemControl::GetCaption() { return FLink ? FLink->GetCaption() : String(); }

bool TdxBarItemControl::GetEnabled() { return Item() && Item()->GetEnabled(); }

TBitmap* TdxBarItemControl::GetGlyph() { return FLink ? FLink->GetGlyph() : nullptr; }

int32_t TdxBarItemControl::GetImageIndex() { return Item() ? Item()->ImageIndex() : -1; }

TCustomImageList* TdxBarItemControl::GetImages(bool ALarge) {
  if (!FParent) return nullptr;
  TdxBarManager* manager = FParent->BarManager();
  const bool enabled = GetEnabled();
  if (ALarge && manager->LargeIcons() && manager->IsLargeImagesUsed())
    return !enabled && manager->DisabledLargeImages() ? manager->DisabledLargeImages() : manager->LargeImages();
  return !enabled && manager->DisabledImages() ? manager->DisabledImages() : manager->Images();
}

String TdxBarItemControl::GetHint() { return Item() ? Item()->Hint() : String(); }

TCustomImageList* TdxBarItemControl::GetHotImages() { return FParent ? FParent->BarManager()->HotImages() : nullptr; }

bool TdxBarItemControl::UseImagesWhenDisabled() {
  if (GetEnabled()) return true;
  TBitmap* glyph = GetGlyph();
  return FParent && FParent->BarManager()->DisabledImages() && (!glyph || glyph->Empty());
}

TCustomImageList* TdxBarItemControl::GetLargeImages() {
  if (!FParent) return nullptr;
  TdxBarManager* manager = FParent->BarManager();
  return !GetEnabled() && manager->DisabledLargeImages() ? manager->DisabledLargeImages() : manager->LargeImages();
}

TShortCut TdxBarItemControl::GetShortCut() { return Item() ? Item()->ShortCut() : TShortCut(0); }

int32_t TdxBarItemControl::GetMenuItemIndent() { return GetPainter()->GetMenuItemIndent(this); }

bool TdxBarItemControl::HasHint() { return !GetHint().empty() && FParent && FParent->Bar(); }

bool TdxBarItemControl::UsesOwnerRect() { return FParent && FParent->AttachesMenusToItems(); }

bool TdxBarItemControl::WantsDblClick() {
  return (FParent && FParent->BarManager()->IsDesigning()) || HasSubMenu();
}

bool TdxBarItemControl::IsSelectedControl() {
  return FParent && FParent->SelectedControl() == this && (GetEnabled() || !FSelectedByMouse);
}

TdxBarItemAlign TdxBarItemControl::GetAlign() {
  TdxBarItem* item = Item();
  if (!item || item->Align() == iaLeft || !FParent || !FParent->IsLastItemControl(this)) return iaLeft;
  return item->Align();
}

int32_t TdxBarItemControl::GetLayoutWidth() {
  if (GetAlign() == iaClient && !IsVerticalToolbar(FParent) && !(FParent && FParent->IsMenuLike()))
    return GetMinWidth();
  return GetWidth();
}

int32_t TdxBarItemControl::GetLayoutHeight() {
  if (GetAlign() == iaClient && IsVerticalToolbar(FParent))
    return IsRotatedVerticalToolbar(FParent) ? GetMinWidth() : GetMinHeight();
  return GetHeight();
}

bool TdxBarItemControl::HasGlyph() {
  TBitmap* glyph = GetGlyph();
  return (glyph && !glyph->Empty()) || HasImageInList();
}

bool TdxBarItemControl::HasImageInList() {
  TCustomImageList* images = GetImages(false);
  const int32_t index = GetImageIndex();
  return images && index >= 0 && index < images->Count();
}

bool TdxBarItemControl::IsMouseDownOnIt() {
  if (!FParent || !FParent->HandleAllocated() || !GetEnabled()) return false;
  POINT p;
  GetCursorPos(&p);
  p = FParent->ScreenToClient(p);
  const RECT r = FParent->GetItemRect(this);
  return PtInRect(&r, p) && IsPrimaryMouseButtonDown();
}

RECT TdxBarItemControl::ItemRect() const { return FLink ? FLink->ItemRect() : RECT{}; }

int32_t TdxBarItemControl::PaintType() const {
  if (!FParent) return dxBarPaintToolbar;
  if (FParent->IsMenuLike()) return dxBarPaintMenu;
  return IsRotatedVerticalToolbar(FParent) ? dxBarPaintVertical : dxBarPaintToolbar;
}

// ---- drawing through the painter -------------------------------------------------------------------------------

void TdxBarItemControl::DrawLowered(RECT& R) { GetPainter()->DrawButtonEdge(this, FParent->Canvas()->Handle(), R); }

void TdxBarItemControl::DrawGlyphOf(const RECT& R, const RECT* ASubstitute, const TdxBarPaintFlags& AFlags,
                                    bool AUseRAsItIs) {
  GetPainter()->DrawItemGlyph(this, R, ASubstitute, AFlags, AUseRAsItIs);
}

void TdxBarItemControl::DrawCaptionOf(HDC DC, RECT& R, bool AHot, bool AGlyphColumn, bool ADown) {
  GetPainter()->DrawItemCaption(this, DC, R, AHot, AGlyphColumn, ADown);
}

void TdxBarItemControl::DrawTextOf(HDC DC, const String& AText, const RECT& R, int32_t AAlignment, bool AEnabled,
                                   bool ASelected, bool AVertical, bool AClip, bool AFlatText) {
  GetPainter()->DrawItemText(this, DC, AText, R, AAlignment, AEnabled, ASelected, AVertical, AClip, AFlatText);
}
