#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"

RTL_PUBLISHED(TcxEditButton) {
  prop("Caption", &TcxEditButton::Caption, &TcxEditButton::SetCaption).Stored(true);
  prop("Default", &TcxEditButton::Default, &TcxEditButton::SetDefault).NoDefault().Stored(true);
  prop("Enabled", &TcxEditButton::Enabled, &TcxEditButton::SetEnabled).NoDefault().Stored(true);
  prop("Glyph", &TcxEditButton::Glyph, &TcxEditButton::SetGlyph).Stored(true);
  prop("Kind", &TcxEditButton::Kind, &TcxEditButton::SetKind).NoDefault().Stored(true);
  prop("LeftAlignment", &TcxEditButton::LeftAlignment, &TcxEditButton::SetLeftAlignment).NoDefault().Stored(true);
  prop("Stretchable", &TcxEditButton::Stretchable, &TcxEditButton::SetStretchable).NoDefault().Stored(true);
  prop("Visible", &TcxEditButton::Visible, &TcxEditButton::SetVisible).NoDefault().Stored(true);
  prop("Width", &TcxEditButton::Width, &TcxEditButton::SetWidth).NoDefault().Stored(true);
}

TcxEditButton::TcxEditButton(TCollection* ACollection) : TCollectionItem(ACollection) {}

TcxEditButton::~TcxEditButton() { FreeAndNil(FGlyph); }

void TcxEditButton::AfterConstruction() {
  inherited::AfterConstruction();  // joins the collection
  TCollection* buttons = Collection();
  if (!buttons || buttons->Count() != 1) return;
  TPersistent* owner = GetPersistentOwner(buttons);
  while (owner && !dynamic_cast<TComponent*>(owner)) owner = GetPersistentOwner(owner);
  auto* component = dynamic_cast<TComponent*>(owner);
  if (component && component->ComponentState().Contains(csDesigning) &&
      !component->ComponentState().Contains(csLoading))
    SetDefault(true);
}

void TcxEditButton::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxEditButton*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  TCollection* buttons = Collection();
  if (buttons) buttons->BeginUpdate();
  try {
    SetCaption(source->FCaption);
    FVisibleCaption = source->FVisibleCaption;
    SetDefault(source->FDefault);
    FEnabled = source->FEnabled;
    SetGlyph(source->GetGlyph());
    FKind = source->FKind;
    FLeftAlignment = source->FLeftAlignment;
    FStretchable = source->FStretchable;
    FTextColor = source->FTextColor;
    FVisible = source->FVisible;
    FWidth = source->FWidth;
    Changed(false);
  } catch (...) {
    if (buttons) buttons->EndUpdate();
    throw;
  }
  if (buttons) buttons->EndUpdate();
}

void TcxEditButton::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  StripHotkeyPrefix(FCaption, FVisibleCaption);
  Changed(false);
}

void TcxEditButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  if (Value)
    if (TCollection* buttons = Collection())
      for (int32_t i = 0; i < buttons->Count(); ++i)
        static_cast<TcxEditButton*>(buttons->Items(i))->FDefault = false;
  FDefault = Value;
  Changed(true);
}

void TcxEditButton::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Changed(false);
}

TBitmap* TcxEditButton::GetGlyph() {
  if (!FGlyph) {
    FGlyph = New<TBitmap>();
    FGlyph->OnChange = TNotifyEvent(this, &TcxEditButton::GlyphChanged);
    // The platform's bitmap does not pass its canvas's drawing on as a change of the bitmap, so a pixel
    // edited in place is heard at the canvas.
    FGlyph->Canvas()->OnChange = TNotifyEvent(this, &TcxEditButton::GlyphChanged);
  }
  return FGlyph;
}

void TcxEditButton::SetGlyph(TBitmap* Value) {
  if (!Value)
    FreeAndNil(FGlyph);
  else
    GetGlyph()->Assign(Value);
  Changed(false);
}

void TcxEditButton::GlyphChanged(TObject*) { Changed(false); }

void TcxEditButton::SetKind(TcxEditButtonKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  Changed(false);
}

void TcxEditButton::SetLeftAlignment(bool Value) {
  if (FLeftAlignment == Value) return;
  FLeftAlignment = Value;
  Changed(false);
}

void TcxEditButton::SetStretchable(bool Value) {
  if (FStretchable == Value) return;
  FStretchable = Value;
  Changed(false);
}

void TcxEditButton::SetTextColor(TColor Value) {
  if (FTextColor == Value) return;
  FTextColor = Value;
  Changed(false);
}

void TcxEditButton::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed(false);
}

void TcxEditButton::SetWidth(int32_t Value) {
  // A negative width has no meaning for the layout; it is refused rather than stored.
  if (Value < 0 || FWidth == Value) return;
  FWidth = Value;
  Changed(false);
}

// ---- TcxEditButtons ---------------------------------------------------------------------------------------
TcxEditButtons::TcxEditButtons(TPersistent* AOwner)
    : TCollection(TcxEditButton::StaticClass()), FOwner(AOwner) {}

int32_t TcxEditButtons::GetVisibleCount() const {
  int32_t result = 0;
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) ++result;
  return result;
}

void TcxEditButtons::Update(TCollectionItem*) {
  if (OnChange.Assigned()) OnChange(this);
}
