// The status bar styles that measure or host something: indicator lamps, lock-key states and the container
// of child controls.

#include <algorithm>

#include "rtl/ClassRegistry.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/pagecontrol/dxStatusBar.h"

// ---- state indicators -------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxStatusBarStateIndicatorItem) {
  prop("IndicatorType", &TdxStatusBarStateIndicatorItem::IndicatorType,
       &TdxStatusBarStateIndicatorItem::SetIndicatorType)
      .Default(sitOff);
  prop("Visible", &TdxStatusBarStateIndicatorItem::Visible, &TdxStatusBarStateIndicatorItem::SetVisible)
      .Default(true);
}

TdxStatusBarStateIndicatorItem::TdxStatusBarStateIndicatorItem(TCollection* ACollection)
    : TCollectionItem(ACollection) {}

TdxStatusBarStateIndicatorItem::~TdxStatusBarStateIndicatorItem() {
  if (FIndicatorBitmap) FIndicatorBitmap->Free();
}

void TdxStatusBarStateIndicatorItem::AfterConstruction() {
  FIndicatorBitmap = New<TBitmap>();
  LoadStatusBarIndicatorBitmap(FIndicatorBitmap, sitOff);
  inherited::AfterConstruction();
}

void TdxStatusBarStateIndicatorItem::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TdxStatusBarStateIndicatorItem*>(Source)) {
    SetIndicatorType(src->IndicatorType());
    SetVisible(src->Visible());
  } else {
    inherited::Assign(Source);
  }
}

void TdxStatusBarStateIndicatorItem::SetIndicatorType(TdxStatusBarStateIndicatorType Value) {
  if (!LoadStatusBarIndicatorBitmap(FIndicatorBitmap, Value)) return;
  FIndicatorType = Value;
  Changed(false);
}

void TdxStatusBarStateIndicatorItem::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed(false);
}

void TdxStatusBarStateIndicators::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (OnChange.Assigned()) OnChange(this);
}

RTL_PUBLISHED(TdxStatusBarStateIndicatorPanelStyle) {
  prop("Color", &TdxStatusBarStateIndicatorPanelStyle::Color, &TdxStatusBarStateIndicatorPanelStyle::SetColor)
      .NoDefault()
      .Stored(&TdxStatusBarStateIndicatorPanelStyle::IsColorStored);
  prop("Indicators", &TdxStatusBarStateIndicatorPanelStyle::Indicators,
       &TdxStatusBarStateIndicatorPanelStyle::SetIndicators);
  prop("Spacing", &TdxStatusBarStateIndicatorPanelStyle::Spacing, &TdxStatusBarStateIndicatorPanelStyle::SetSpacing)
      .Default(4);
}

TdxStatusBarStateIndicatorPanelStyle::TdxStatusBarStateIndicatorPanelStyle(TdxStatusBarPanel* AOwner)
    : TdxStatusBarPanelStyle(AOwner) {}

TdxStatusBarStateIndicatorPanelStyle::~TdxStatusBarStateIndicatorPanelStyle() {
  if (FIndicators) FIndicators->Free();
}

void TdxStatusBarStateIndicatorPanelStyle::AfterConstruction() {
  FIndicators = New<TdxStatusBarStateIndicators>();
  FIndicators->OnChange = TNotifyEvent(this, &TdxStatusBarStateIndicatorPanelStyle::IndicatorChangeHandler);
  inherited::AfterConstruction();
}

void TdxStatusBarStateIndicatorPanelStyle::IndicatorChangeHandler(TObject*) { PanelChanged(); }

void TdxStatusBarStateIndicatorPanelStyle::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  if (auto* src = dynamic_cast<TdxStatusBarStateIndicatorPanelStyle*>(Source)) {
    SetSpacing(src->Spacing());
    SetIndicators(src->Indicators());
  }
}

void TdxStatusBarStateIndicatorPanelStyle::SetSpacing(int32_t Value) {
  if (FSpacing == Value) return;
  FSpacing = Value;
  PanelChanged();
}

int32_t TdxStatusBarStateIndicatorPanelStyle::GetMinWidth() {
  if (FIndicators->Count() == 0) return 20;
  int32_t width = FSpacing;
  for (int32_t i = 0; i < FIndicators->Count(); ++i) {
    TdxStatusBarStateIndicatorItem* item = FIndicators->Items(i);
    if (item->Visible() && !item->IndicatorBitmap()->Empty()) width += item->IndicatorBitmap()->Width() + FSpacing;
  }
  return width;
}

void TdxStatusBarStateIndicatorPanelStyle::DrawContent(TcxCanvas* ACanvas, RECT R,
                                                       const TdxStatusBarPainter* APainter) {
  inherited::DrawContent(ACanvas, R, APainter);
  int32_t x = R.left + FSpacing;
  for (int32_t i = 0; i < FIndicators->Count(); ++i) {
    TdxStatusBarStateIndicatorItem* item = FIndicators->Items(i);
    TBitmap* bmp = item->IndicatorBitmap();
    if (!item->Visible() || bmp->Empty()) continue;
    ACanvas->Draw(x, (R.top + R.bottom) / 2 - bmp->Height() / 2, bmp);
    x += bmp->Width() + FSpacing;
  }
}

// ---- keyboard states --------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxStatusBarKeyStateAppearance) {
  prop("ActiveCaption", &TdxStatusBarKeyStateAppearance::ActiveCaption,
       &TdxStatusBarKeyStateAppearance::SetActiveCaption)
      .Stored(true);
  prop("ActiveFontColor", &TdxStatusBarKeyStateAppearance::ActiveFontColor,
       &TdxStatusBarKeyStateAppearance::SetActiveFontColor)
      .Default(clWindowText);
  prop("InactiveCaption", &TdxStatusBarKeyStateAppearance::InactiveCaption,
       &TdxStatusBarKeyStateAppearance::SetInactiveCaption)
      .Stored(true);
  prop("InactiveFontColor", &TdxStatusBarKeyStateAppearance::InactiveFontColor,
       &TdxStatusBarKeyStateAppearance::SetInactiveFontColor)
      .Default(clBtnShadow);
}

TdxStatusBarKeyStateAppearance::TdxStatusBarKeyStateAppearance(TdxStatusBarKeyboardState AId, int32_t ACode,
                                                               TColor AActiveFontColor,
                                                               const String& AActiveCaption,
                                                               TColor AInactiveFontColor,
                                                               const String& AInactiveCaption,
                                                               TNotifyEvent AOnChange)
    : FId(AId),
      FCode(ACode),
      FActiveFontColor(AActiveFontColor),
      FInactiveFontColor(AInactiveFontColor),
      FActiveCaption(AActiveCaption),
      FInactiveCaption(AInactiveCaption),
      FOnChange(AOnChange) {}

void TdxStatusBarKeyStateAppearance::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TdxStatusBarKeyStateAppearance*>(Source)) {
    FActiveFontColor = src->ActiveFontColor();
    FInactiveFontColor = src->InactiveFontColor();
    FActiveCaption = src->ActiveCaption();
    FInactiveCaption = src->InactiveCaption();
    Changed();
  } else {
    inherited::Assign(Source);
  }
}

int32_t TdxStatusBarKeyStateAppearance::KeyRectWidth(TcxCanvas* ACanvas) {
  return std::max(ACanvas->TextWidth(FActiveCaption), ACanvas->TextWidth(FInactiveCaption)) + 4;
}

void TdxStatusBarKeyStateAppearance::SetActiveFontColor(TColor Value) {
  FActiveFontColor = Value;
  Changed();
}
void TdxStatusBarKeyStateAppearance::SetInactiveFontColor(TColor Value) {
  FInactiveFontColor = Value;
  Changed();
}
void TdxStatusBarKeyStateAppearance::SetActiveCaption(const String& Value) {
  FActiveCaption = Value;
  Changed();
}
void TdxStatusBarKeyStateAppearance::SetInactiveCaption(const String& Value) {
  FInactiveCaption = Value;
  Changed();
}

namespace {
// The toggle bit of the key's state as the message loop last saw it.
int32_t ToggleState(int32_t AKeyCode) { return GetKeyState(AKeyCode) & 0x01; }
}  // namespace

TdxStatusBarKeyboardStateWatchedKey::TdxStatusBarKeyboardStateWatchedKey(int32_t AKeyCode)
    : FKeyCode(AKeyCode), FKeyState(ToggleState(AKeyCode)) {}

TdxStatusBarKeyboardStateNotifier::TdxStatusBarKeyboardStateNotifier(TdxStatusBar* AStatusBar)
    : FStatusBar(AStatusBar) {}

TdxStatusBarKeyboardStateNotifier::~TdxStatusBarKeyboardStateNotifier() = default;

void TdxStatusBarKeyboardStateNotifier::AfterConstruction() {
  inherited::AfterConstruction();
  FTimer = New<TTimer>(nullptr);
  FTimer->SetInterval(100);
  FTimer->SetOnTimer(TNotifyEvent(this, &TdxStatusBarKeyboardStateNotifier::TimerHandler));
  FTimer->SetEnabled(true);
}

void TdxStatusBarKeyboardStateNotifier::BeforeDestruction() {
  FreeAndNil(FTimer);
  for (TdxStatusBarKeyboardStateWatchedKey* k : FKeys) k->Free();
  FKeys.clear();
  inherited::BeforeDestruction();
}

void TdxStatusBarKeyboardStateNotifier::SubScribeKey(int32_t AKeyCode) {
  UnSubScribeKey(AKeyCode);
  FKeys.push_back(New<TdxStatusBarKeyboardStateWatchedKey>(AKeyCode));
}

void TdxStatusBarKeyboardStateNotifier::UnSubScribeKey(int32_t AKeyCode) {
  for (auto it = FKeys.begin(); it != FKeys.end(); ++it) {
    if ((*it)->KeyCode() != AKeyCode) continue;
    (*it)->Free();
    FKeys.erase(it);
    return;
  }
}

void TdxStatusBarKeyboardStateNotifier::TimerHandler(TObject*) {
  bool changed = false;
  for (TdxStatusBarKeyboardStateWatchedKey* k : FKeys)
    if (ToggleState(k->KeyCode()) != k->KeyState()) changed = true;
  if (!changed) return;
  for (TdxStatusBarKeyboardStateWatchedKey* k : FKeys) k->SetKeyState(ToggleState(k->KeyCode()));
  if (FStatusBar) FStatusBar->UpdateKeyboardStatePanels();
}

RTL_PUBLISHED(TdxStatusBarKeyboardStatePanelStyle) {
  using S = TdxStatusBarKeyboardStatePanelStyle;
  prop("CapsLockKeyAppearance", &S::CapsLockKeyAppearance, &S::SetCapsLockKeyAppearance);
  prop("Color", &S::Color, &S::SetColor).NoDefault().Stored(&S::IsColorStored);
  prop("Font", &S::Font, &S::SetFont).Stored(&S::IsFontStored);
  prop("FullRect", &S::FullRect, &S::SetFullRect).Default(false);
  prop("InsertKeyAppearance", &S::InsertKeyAppearance, &S::SetInsertKeyAppearance);
  prop("KeyboardStates", &S::KeyboardStates, &S::SetKeyboardStates).Default(dxksAllKeyboardStates);
  prop("NumLockKeyAppearance", &S::NumLockKeyAppearance, &S::SetNumLockKeyAppearance);
  prop("ParentFont", &S::ParentFont, &S::SetParentFont).Default(true);
  prop("ScrollLockKeyAppearance", &S::ScrollLockKeyAppearance, &S::SetScrollLockKeyAppearance);
}

TdxStatusBarKeyboardStatePanelStyle::TdxStatusBarKeyboardStatePanelStyle(TdxStatusBarPanel* AOwner)
    : TdxStatusBarPanelStyle(AOwner) {}

TdxStatusBarKeyboardStatePanelStyle::~TdxStatusBarKeyboardStatePanelStyle() = default;

void TdxStatusBarKeyboardStatePanelStyle::AfterConstruction() {
  inherited::AfterConstruction();
  struct Init {
    TdxStatusBarKeyboardState state;
    int32_t code;
    const char* active;
    const char* inactive;
  };
  static const Init kInit[] = {{dxksCapsLock, VK_CAPITAL, "CAPS", "CAPS"},
                               {dxksNumLock, VK_NUMLOCK, "NUM", "NUM"},
                               {dxksScrollLock, VK_SCROLL, "SCRL", "SCRL"},
                               {dxksInsert, VK_INSERT, "OVR", "INS"}};
  const TNotifyEvent onChange(this, &TdxStatusBarKeyboardStatePanelStyle::AppearanceChangeHandler);
  for (const Init& i : kInit)
    FAppearances[i.state] = New<TdxStatusBarKeyStateAppearance>(i.state, i.code, Font()->Color(), i.active,
                                                                 clBtnShadow, i.inactive, onChange);
  FNotifier = New<TdxStatusBarKeyboardStateNotifier>(StatusBar());
  for (const Init& i : kInit) FNotifier->SubScribeKey(i.code);
}

void TdxStatusBarKeyboardStatePanelStyle::BeforeDestruction() {
  if (FNotifier) {
    for (int i = 3; i >= 0; --i) FNotifier->UnSubScribeKey(FAppearances[i]->Code());
    FreeAndNil(FNotifier);
  }
  for (TdxStatusBarKeyStateAppearance*& a : FAppearances) FreeAndNil(a);
  inherited::BeforeDestruction();
}

void TdxStatusBarKeyboardStatePanelStyle::AppearanceChangeHandler(TObject*) { PanelChanged(); }

void TdxStatusBarKeyboardStatePanelStyle::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  if (auto* src = dynamic_cast<TdxStatusBarKeyboardStatePanelStyle*>(Source)) {
    SetKeyboardStates(src->KeyboardStates());
    SetFullRect(src->FullRect());
    for (int i = 0; i < 4; ++i) FAppearances[i]->Assign(src->FAppearances[i]);
  }
}

void TdxStatusBarKeyboardStatePanelStyle::SetFullRect(bool Value) {
  if (FFullRect == Value) return;
  FFullRect = Value;
  PanelChanged(true);
}

void TdxStatusBarKeyboardStatePanelStyle::SetKeyboardStates(TdxStatusBarKeyboardStates Value) {
  if (FKeyboardStates == Value) return;
  FKeyboardStates = Value;
  PanelChanged();
}

bool TdxStatusBarKeyboardStatePanelStyle::IsKeyActive(TdxStatusBarKeyboardState AState) const {
  TdxStatusBar* bar = StatusBar();
  if (bar && bar->IsDesigning()) return false;
  // The toggle bit alone: a lock key held down is still on (the byte also carries the "down" bit).
  return ToggleState(FAppearances[AState]->Code()) != 0;
}

int32_t TdxStatusBarKeyboardStatePanelStyle::GetMinWidth() {
  if (FKeyboardStates.Empty()) return 50;
  TdxStatusBar* bar = StatusBar();
  if (!bar) return 50;
  TcxCanvas* canvas = bar->GetDrawingCanvas();
  canvas->Canvas()->Lock();
  TFont saved;
  saved.Assign(canvas->Font());
  canvas->SetFont(Font());
  int32_t width = 0, shown = 0;
  for (int i = 0; i < 4; ++i) {
    if (!FKeyboardStates.Contains(static_cast<TdxStatusBarKeyboardState>(i))) continue;
    if (shown++) width += bar->Painter()->SeparatorSize();
    width += FAppearances[i]->KeyRectWidth(canvas) + (FFullRect ? 0 : 2);
  }
  canvas->SetFont(&saved);
  canvas->Canvas()->Unlock();
  return width;
}

void TdxStatusBarKeyboardStatePanelStyle::DrawContent(TcxCanvas* ACanvas, RECT R,
                                                      const TdxStatusBarPainter* APainter) {
  inherited::DrawContent(ACanvas, R, APainter);
  TdxStatusBar* bar = StatusBar();
  if (!bar) return;
  ACanvas->SetFont(Font());
  int last = -1;
  for (int i = 0; i < 4; ++i)
    if (FKeyboardStates.Contains(static_cast<TdxStatusBarKeyboardState>(i))) last = i;
  int32_t x = R.left;
  for (int i = 0; i <= last; ++i) {
    const auto state = static_cast<TdxStatusBarKeyboardState>(i);
    if (!FKeyboardStates.Contains(state)) continue;
    TdxStatusBarKeyStateAppearance* a = FAppearances[i];
    const bool active = IsKeyActive(state);
    const int32_t w = a->KeyRectWidth(ACanvas) + (FFullRect ? 0 : 2);
    const RECT key{x, R.top, x + w, R.bottom};
    if (!FFullRect) APainter->DrawKeyBorder(ACanvas, key, Owner()->Bevel());
    ACanvas->Brush()->SetStyle(bsClear);
    ACanvas->Font()->SetColor(active ? a->ActiveFontColor() : a->InactiveFontColor());
    ACanvas->DrawText(active ? a->ActiveCaption() : a->InactiveCaption(), key,
                      tfAlignHCenter | tfAlignVCenter | tfSingleLine, bar->Enabled());
    ACanvas->Brush()->SetStyle(bsSolid);
    x += w;
    if (i != last) x += APainter->SeparatorSize();
  }
}

// ---- container --------------------------------------------------------------------------------------------

TdxStatusBarContainerControl::TdxStatusBarContainerControl(TComponent* AOwner) : TcxControl(AOwner) {}

void TdxStatusBarContainerControl::AfterConstruction() {
  inherited::AfterConstruction();
  SetScrollBars(ssNone);
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetTabStop(false);
}

void TdxStatusBarContainerControl::BeforeDestruction() {
  if (TdxStatusBarContainerPanelStyle* style = FPanelStyle) {
    FPanelStyle = nullptr;
    style->FContainer = nullptr;
    TdxStatusBarPanel* panel = style->Owner();
    TdxStatusBar* bar = panel ? panel->StatusBar() : nullptr;
    if (panel && !(bar && bar->IsDestroyingBar())) panel->SetPanelStyleClass(nullptr);
  }
  inherited::BeforeDestruction();
}

void TdxStatusBarContainerControl::Paint() {
  TcxCanvas* canvas = ControlCanvas();
  const RECT r = ClientRect();
  TdxStatusBar* bar = FPanelStyle ? FPanelStyle->StatusBar() : nullptr;
  if (bar) {
    // The bar's background as it lies under this window, so that the two meet without a seam.
    RECT barRect = bar->ClientRect();
    OffsetRect(&barRect, -Left(), -Top());
    bar->Painter()->DrawBackground(bar, canvas, barRect);
    bar->Painter()->DrawPanelBorder(canvas, r, FPanelStyle->Owner()->Bevel());
  } else {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->SetBrushColor(clBtnFace);
    canvas->FillRect(r);
  }
  if (IsDesigning()) {
    canvas->Brush()->SetColor(clBtnShadow);
    canvas->Brush()->SetStyle(bsBDiagonal);
    canvas->Canvas()->Rectangle(r);
    canvas->Brush()->SetStyle(bsSolid);
  }
}

RTL_PUBLISHED(TdxStatusBarContainerPanelStyle) {
  prop("AlignControl", &TdxStatusBarContainerPanelStyle::AlignControl,
       &TdxStatusBarContainerPanelStyle::SetAlignControl)
      .Default(true);
  prop("Container", &TdxStatusBarContainerPanelStyle::Container, &TdxStatusBarContainerPanelStyle::SetContainer);
}

TdxStatusBarContainerPanelStyle::~TdxStatusBarContainerPanelStyle() = default;

void TdxStatusBarContainerPanelStyle::AfterConstruction() {
  inherited::AfterConstruction();
  FAlignControl = true;
  TdxStatusBar* bar = StatusBar();
  if (bar && !bar->IsUpdating()) CreateContainer();
}

void TdxStatusBarContainerPanelStyle::BeforeDestruction() {
  SetContainer(nullptr);
  inherited::BeforeDestruction();
}

void TdxStatusBarContainerPanelStyle::CreateContainer() {
  TdxStatusBar* bar = StatusBar();
  auto* c = New<TdxStatusBarContainerControl>(bar->Owner());
  try {
    if (bar->IsDesigning()) {
      // The first free name from the panel's ID on; only a duplicate makes us try the next number.
      for (int32_t n = Owner()->ID();; ++n) {
        try {
          c->SetName(bar->Name() + "Container" + IntToStr(n));
          break;
        } catch (const EComponentError&) {
        }
      }
    }
    c->SetParent(bar);
  } catch (...) {
    c->Free();
    throw;
  }
  SetContainer(c);
}

void TdxStatusBarContainerPanelStyle::SetContainer(TdxStatusBarContainerControl* Value) {
  if (FContainer == Value) return;
  TdxStatusBarContainerControl* old = FContainer;
  FContainer = nullptr;
  if (old) {
    old->FPanelStyle = nullptr;
    TdxStatusBar* bar = StatusBar();
    const bool keep = bar && (bar->IsUpdating() || bar->IsDestroyingBar());
    if (!Value && !keep) old->Free();
  }
  FContainer = Value;
  if (FContainer) {
    if (FContainer->FPanelStyle && FContainer->FPanelStyle != this) FContainer->FPanelStyle->FContainer = nullptr;
    FContainer->FPanelStyle = this;
  }
  PanelChanged();
}

bool TdxStatusBarContainerPanelStyle::CanDelete() {
  return !(FContainer && FContainer->ComponentState().Contains(csAncestor));
}

void TdxStatusBarContainerPanelStyle::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  auto* src = dynamic_cast<TdxStatusBarContainerPanelStyle*>(Source);
  if (!src) return;
  SetAlignControl(src->AlignControl());
  TdxStatusBar* bar = StatusBar();
  if (!bar || !src->Container()) return;
  for (int32_t i = 0; i < bar->ControlCount(); ++i) {
    auto* c = dynamic_cast<TdxStatusBarContainerControl*>(bar->Controls(i));
    if (c && CompareText(c->Name(), src->Container()->Name()) == 0) {
      SetContainer(c);
      break;
    }
  }
}

void TdxStatusBarContainerPanelStyle::SetAlignControl(bool Value) {
  if (FAlignControl == Value) return;
  FAlignControl = Value;
  PanelChanged();
}

void TdxStatusBarContainerPanelStyle::DrawContent(TcxCanvas* ACanvas, RECT R, const TdxStatusBarPainter* APainter) {
  inherited::DrawContent(ACanvas, R, APainter);
  if (!FContainer) return;
  if (FContainer->Left() != R.left || FContainer->Top() != R.top || FContainer->Width() != R.right - R.left ||
      FContainer->Height() != R.bottom - R.top)
    FContainer->SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
  if (FAlignControl && !FContainer->IsDesigning()) {
    for (int32_t i = 0; i < FContainer->ControlCount(); ++i)
      FContainer->Controls(i)->SetBounds(0, 0, FContainer->Width(), FContainer->Height());
  }
}

void TdxStatusBarContainerPanelStyle::PanelVisibleChanged() {
  if (FContainer) FContainer->SetVisible(Owner()->Visible());
}
