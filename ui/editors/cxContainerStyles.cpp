// Container styles and the style controller: how a state style resolves each of its ten values through
// its own assignment, the controller chain and the state's default.

#include <algorithm>

#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/editors/cxContainer.h"

namespace {

TcxStyleController* gDefaultStyleController = nullptr;

const char* const kContainerStyleValueNames[cxContainerStyleValueCount] = {
    "BorderColor", "BorderStyle", "Color",     "Edges",     "Font",
    "HotTrack",    "Shadow",      "TextColor", "TextStyle", "TransparentBorder"};

// Default border style of the focused, disabled and hot states by the normal style's border style.
const TcxContainerBorderStyle kContainerStateBorderStyles[4][7] = {
    {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsFlat, cbsThick, cbsThick, cbs3D, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsFlat, cbsThick, cbsThick, cbs3D, cbs3D, cbsUltraFlat, cbsOffice11},
};

// Holds a counter up for a scope, released also when an exception passes.
class TcxStyleCountLock {
public:
  explicit TcxStyleCountLock(int32_t& ACount) : FCount(ACount) { ++FCount; }
  ~TcxStyleCountLock() { --FCount; }
  TcxStyleCountLock(const TcxStyleCountLock&) = delete;
  TcxStyleCountLock& operator=(const TcxStyleCountLock&) = delete;

private:
  int32_t& FCount;
};

}  // namespace

TcxStyleController* GetDefaultStyleController() { return gDefaultStyleController; }
void SetDefaultStyleController(TcxStyleController* AValue) { gDefaultStyleController = AValue; }

const char* cxContainerStyleValueName(int32_t AIndex) {
  return AIndex >= 0 && AIndex < cxContainerStyleValueCount ? kContainerStyleValueNames[AIndex] : "";
}

// ---- TcxContainerStyle: published values --------------------------------------------------------------
// None has a declared default: whether a value is written is the stored predicate's answer alone.
RTL_PUBLISHED(TcxContainerStyle) {
  const PTypeInfo color = TypeInfoAlias("TColor", TypeInfo<int32_t>());
  prop("AssignedValues", &TcxContainerStyle::AssignedValues, &TcxContainerStyle::SetAssignedValues)
      .NoDefault()
      .Stored(false);
  prop("BorderColor", &TcxContainerStyle::BorderColor, &TcxContainerStyle::SetBorderColor)
      .Type(color)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsBorderColorStored);
  prop("BorderStyle", &TcxContainerStyle::BorderStyle, &TcxContainerStyle::SetBorderStyle)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsBorderStyleStored);
  prop("Color", &TcxContainerStyle::Color, &TcxContainerStyle::SetColor)
      .Type(color)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsColorStored);
  prop("Edges", &TcxContainerStyle::Edges, &TcxContainerStyle::SetEdges)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsEdgesStored);
  prop("Font", &TcxContainerStyle::Font, &TcxContainerStyle::SetFont).Stored(&TcxContainerStyle::IsFontStored);
  prop("HotTrack", &TcxContainerStyle::HotTrack, &TcxContainerStyle::SetHotTrack)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsHotTrackStored);
  prop("LookAndFeel", &TcxContainerStyle::LookAndFeel, &TcxContainerStyle::SetLookAndFeel);
  prop("Shadow", &TcxContainerStyle::Shadow, &TcxContainerStyle::SetShadow)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsShadowStored);
  prop("StyleController", &TcxContainerStyle::StyleController, &TcxContainerStyle::SetStyleController);
  prop("TextColor", &TcxContainerStyle::TextColor, &TcxContainerStyle::SetTextColor)
      .Type(color)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsTextColorStored);
  prop("TextStyle", &TcxContainerStyle::TextStyle, &TcxContainerStyle::SetTextStyle)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsTextStyleStored);
  prop("TransparentBorder", &TcxContainerStyle::TransparentBorder, &TcxContainerStyle::SetTransparentBorder)
      .NoDefault()
      .Stored(&TcxContainerStyle::IsTransparentBorderStored);
}

// ---- TcxContainerStyle: life ---------------------------------------------------------------------------

TcxContainerStyle::TcxContainerStyle(TPersistent* AOwner, bool ADirectAccessMode, TcxContainerStyleState AState,
                                     TcxContainerStyle* AParentStyle)
    : FDirectAccessMode(ADirectAccessMode),
      FOwner(AOwner),
      FParentStyle(AState == cssNormal ? nullptr : AParentStyle),
      FState(AState) {
  // Direct access starts with the four values a painting host fills in itself.
  if (FDirectAccessMode) FAssignedValues = TcxContainerStyleValues{svColor, svFont, svTextColor, svTextStyle};
}

TcxContainerStyle::~TcxContainerStyle() = default;

void TcxContainerStyle::AfterConstruction() {
  inherited::AfterConstruction();
  if (IsNormal() && !FDirectAccessMode) {
    FFont = new TFont();
    FFont->OnChange = TNotifyEvent(this, &TcxContainerStyle::FontChanged);
  }
  FVisibleFont = new TFont();
  if (IsNormal()) {
    FLookAndFeel = New<TcxLookAndFeel>(this);
    FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxContainerStyle::LookAndFeelChanged);
    SetStyleController(nullptr);
  }
}

void TcxContainerStyle::BeforeDestruction() {
  FIsDestroying = true;
  if (IsNormal() && FStyleController) {
    FStyleController->RemoveListener(this);
    FStyleController = nullptr;
  }
  FreeAndNil(FLookAndFeel);
  delete FVisibleFont;
  FVisibleFont = nullptr;
  if (IsNormal() && !FDirectAccessMode) {
    delete FFont;
  }
  FFont = nullptr;
  inherited::BeforeDestruction();
}

void TcxContainerStyle::LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) {
  (void)Sender, (void)AChangedValues;
  Changed();
}

TcxContainer* TcxContainerStyle::Container() const { return dynamic_cast<TcxContainer*>(FOwner); }

// ---- notification --------------------------------------------------------------------------------------

void TcxContainerStyle::Changed() {
  FModified = true;
  DoChanged();
}

void TcxContainerStyle::DoChanged() {
  if (!FModified || FUpdateCount != 0) return;
  FModified = false;
  if (FIsDestroying || FDirectAccessMode) return;
  if (OnChanged.Assigned()) OnChanged(this);
}

void TcxContainerStyle::BeginUpdate() { ++FUpdateCount; }

void TcxContainerStyle::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  DoChanged();
}

void TcxContainerStyle::ControllerChanged(TcxStyleController* AController) {
  (void)AController;
  SyncFont();
  Changed();
}

void TcxContainerStyle::ControllerFreeNotification(TcxStyleController* AController) {
  if (AController && AController == ActiveStyleController()) SetStyleController(nullptr);
}

// ---- the controller chain ------------------------------------------------------------------------------

TcxStyleController* TcxContainerStyle::ActiveStyleController() const { return NormalStyle()->FStyleController; }

TcxStyleController* TcxContainerStyle::StyleController() const {
  TcxStyleController* c = ActiveStyleController();
  return c == GetDefaultStyleController() ? nullptr : c;
}

TcxStyleController* TcxContainerStyle::GetDefaultStyleController() const { return ::GetDefaultStyleController(); }

TcxContainerStyle* TcxContainerStyle::ControllerStyle() const {
  TcxStyleController* c = ActiveStyleController();
  return c ? c->GetStateStyle(FState) : nullptr;
}

void TcxContainerStyle::SetStyleController(TcxStyleController* Value) {
  if (!IsNormal()) {
    NormalStyle()->SetStyleController(Value);
    return;
  }
  TcxStyleController* defaultController = GetDefaultStyleController();
  // The default controller's own styles use no controller at all.
  if (defaultController && FOwner == defaultController) return;
  if (!Value) Value = defaultController;
  // A link that would make the chain come back to this style is refused.
  for (TcxStyleController* c = Value; c;) {
    TcxContainerStyle* normal = c->GetStyle();
    if (normal == this) return;
    c = normal->StyleController();
  }
  if (Value == FStyleController) return;
  if (FStyleController) FStyleController->RemoveListener(this);
  FStyleController = Value;
  if (FStyleController) FStyleController->AddListener(this);
  ControllerChanged(FStyleController);
}

#define CX_ASSIGNED_READER(Name, Type, Bit, Field)                  \
  bool TcxContainerStyle::GetAssigned##Name(Type& AValue) const {   \
    if (FAssignedValues.Contains(Bit)) {                            \
      AValue = Field;                                               \
      return true;                                                  \
    }                                                               \
    TcxContainerStyle* s = ControllerStyle();                       \
    return s && s->GetAssigned##Name(AValue);                       \
  }

CX_ASSIGNED_READER(BorderColor, TColor, svBorderColor, FBorderColor)
CX_ASSIGNED_READER(BorderStyle, TcxContainerBorderStyle, svBorderStyle, FBorderStyle)
CX_ASSIGNED_READER(Color, TColor, svColor, FColor)
CX_ASSIGNED_READER(Edges, TcxBorders, svEdges, FEdges)
CX_ASSIGNED_READER(Font, TFont*, svFont, FFont)
CX_ASSIGNED_READER(HotTrack, bool, svHotTrack, FHotTrack)
CX_ASSIGNED_READER(Shadow, bool, svShadow, FShadow)
CX_ASSIGNED_READER(TextColor, TColor, svTextColor, FTextColor)
CX_ASSIGNED_READER(TextStyle, TFontStyles, svTextStyle, FTextStyle)
CX_ASSIGNED_READER(TransparentBorder, bool, svTransparentBorder, FTransparentBorder)
#undef CX_ASSIGNED_READER

bool TcxContainerStyle::IsValueAssigned(int32_t AIndex) const {
  switch (AIndex) {
    case svBorderColor: { TColor v; return GetAssignedBorderColor(v); }
    case svBorderStyle: { TcxContainerBorderStyle v; return GetAssignedBorderStyle(v); }
    case svColor: { TColor v; return GetAssignedColor(v); }
    case svEdges: { TcxBorders v; return GetAssignedEdges(v); }
    case svFont: { TFont* v; return GetAssignedFont(v); }
    case svHotTrack: { bool v; return GetAssignedHotTrack(v); }
    case svShadow: { bool v; return GetAssignedShadow(v); }
    case svTextColor: { TColor v; return GetAssignedTextColor(v); }
    case svTextStyle: { TFontStyles v; return GetAssignedTextStyle(v); }
    case svTransparentBorder: { bool v; return GetAssignedTransparentBorder(v); }
    default: return false;
  }
}

// ---- defaults ------------------------------------------------------------------------------------------

TColor TcxContainerStyle::GetDefaultBorderColor() const {
  switch (FState) {
    case cssDisabled: return clBtnShadow;
    case cssNormal: return clWindowFrame;
    default: return NormalStyle()->BorderColor();
  }
}

TcxContainerBorderStyle TcxContainerStyle::GetDefaultBorderStyle() const {
  if (IsNormal()) {
    switch (LookAndFeel()->Kind()) {
      case lfFlat: return cbsFlat;
      case lfStandard: return cbs3D;
      case lfOffice11: return cbsOffice11;
      case lfUltraFlat:
      default: return cbsUltraFlat;
    }
  }
  return kContainerStateBorderStyles[FState][NormalStyle()->BorderStyle()];
}

TColor TcxContainerStyle::GetDefaultColor() const {
  switch (FState) {
    case cssDisabled: return clBtnFace;
    case cssNormal: {
      TcxContainer* c = Container();
      return c && !c->DefaultParentColor() ? clWindow : clBtnFace;
    }
    default: return NormalStyle()->Color();
  }
}

TcxBorders TcxContainerStyle::GetDefaultEdges() const { return cxBordersAll; }
bool TcxContainerStyle::GetDefaultHotTrack() const { return true; }
bool TcxContainerStyle::GetDefaultShadow() const { return false; }

TColor TcxContainerStyle::GetDefaultTextColor() const {
  switch (FState) {
    case cssDisabled: return clBtnShadow;
    case cssNormal: return Font() ? Font()->Color() : clWindowText;
    default: return NormalStyle()->TextColor();
  }
}

TFontStyles TcxContainerStyle::GetDefaultTextStyle() const {
  if (IsNormal()) return Font() ? Font()->Style() : TFontStyles{};
  return NormalStyle()->TextStyle();
}

bool TcxContainerStyle::GetDefaultTransparentBorder() const { return true; }

// ---- reading -------------------------------------------------------------------------------------------

TcxContainerStyleValues TcxContainerStyle::AssignedValues() const {
  if (FDirectAccessMode) {
    TcxContainerStyleValues all;
    for (int32_t i = 0; i < cxContainerStyleValueCount; ++i) all.Include(static_cast<TcxContainerStyleValue>(i));
    return all;
  }
  return FAssignedValues;
}

TColor TcxContainerStyle::BorderColor() const {
  if (FDirectAccessMode) return clDefault;
  TColor v;
  return GetAssignedBorderColor(v) ? v : GetDefaultBorderColor();
}

TcxContainerBorderStyle TcxContainerStyle::BorderStyle() const {
  if (FDirectAccessMode) return FAssignedValues.Contains(svBorderStyle) ? FBorderStyle : GetDefaultBorderStyle();
  TcxContainerBorderStyle v;
  return GetAssignedBorderStyle(v) ? v : GetDefaultBorderStyle();
}

TColor TcxContainerStyle::GetColor() const {
  if (FDirectAccessMode) return FColor;
  if (IsNormal()) {
    TcxContainer* c = Container();
    if (c && c->ParentColor() && c->Parent()) return c->Parent()->Color();
  }
  TColor v;
  return GetAssignedColor(v) ? v : GetDefaultColor();
}

TColor TcxContainerStyle::GetEffectiveColor() const {
  if (FDirectAccessMode) return FColor;
  TColor v;
  if (GetAssignedColor(v)) return v;
  if (IsNormal()) {
    TcxContainer* c = Container();
    if (c && !c->IsInplace() && c->ParentColor() && c->Parent()) return c->Parent()->Color();
  }
  return GetDefaultColor();
}

TcxBorders TcxContainerStyle::Edges() const {
  if (FDirectAccessMode) return {};
  if (!IsNormal()) return NormalStyle()->Edges();
  TcxBorders v;
  return GetAssignedEdges(v) ? v : GetDefaultEdges();
}

TFont* TcxContainerStyle::Font() const {
  if (FDirectAccessMode) return FFont;
  return NormalStyle()->FFont;
}

bool TcxContainerStyle::HotTrack() const {
  if (FDirectAccessMode) return FAssignedValues.Contains(svHotTrack) ? FHotTrack : GetDefaultHotTrack();
  if (!IsNormal()) return NormalStyle()->HotTrack();
  bool v;
  return GetAssignedHotTrack(v) ? v : GetDefaultHotTrack();
}

bool TcxContainerStyle::Shadow() const {
  if (FDirectAccessMode) return false;
  if (!IsNormal()) return NormalStyle()->Shadow();
  bool v;
  return GetAssignedShadow(v) ? v : GetDefaultShadow();
}

TColor TcxContainerStyle::GetTextColor() const {
  if (FDirectAccessMode) return FTextColor;
  TColor v;
  return GetAssignedTextColor(v) ? v : GetDefaultTextColor();
}

TFontStyles TcxContainerStyle::GetTextStyle() const {
  if (FDirectAccessMode) return FFont ? FFont->Style() : FTextStyle;
  TFontStyles v;
  return GetAssignedTextStyle(v) ? v : GetDefaultTextStyle();
}

bool TcxContainerStyle::TransparentBorder() const {
  if (FDirectAccessMode) return true;
  if (!IsNormal()) return NormalStyle()->TransparentBorder();
  bool v;
  return GetAssignedTransparentBorder(v) ? v : GetDefaultTransparentBorder();
}

TcxLookAndFeel* TcxContainerStyle::LookAndFeel() const { return NormalStyle()->FLookAndFeel; }

void TcxContainerStyle::SetLookAndFeel(TcxLookAndFeel* Value) {
  if (TcxLookAndFeel* own = LookAndFeel()) own->Assign(Value);
}

// ---- writing -------------------------------------------------------------------------------------------

void TcxContainerStyle::AssignValueBit(TcxContainerStyleValue AValue) {
  FAssignedValues.Include(AValue);
  Changed();
}

void TcxContainerStyle::SetAssignedValues(TcxContainerStyleValues Value) {
  if (FAssignedValues == Value) return;
  FAssignedValues = Value;
  if (IsNormal()) SyncFont();
  Changed();
}

void TcxContainerStyle::SetBorderColor(TColor Value) {
  if (FAssignedValues.Contains(svBorderColor) && FBorderColor == Value) return;
  FBorderColor = Value;
  AssignValueBit(svBorderColor);
}

void TcxContainerStyle::SetBorderStyle(TcxContainerBorderStyle Value) {
  if (FAssignedValues.Contains(svBorderStyle) && FBorderStyle == Value) return;
  FBorderStyle = Value;
  AssignValueBit(svBorderStyle);
}

void TcxContainerStyle::SetColor(TColor Value) {
  if (FAssignedValues.Contains(svColor) && FColor == Value) return;
  FColor = Value;
  AssignValueBit(svColor);
}

void TcxContainerStyle::SetEdges(TcxBorders Value) {
  if (!IsNormal()) return NormalStyle()->SetEdges(Value);
  if (FAssignedValues.Contains(svEdges) && FEdges == Value) return;
  FEdges = Value;
  AssignValueBit(svEdges);
}

void TcxContainerStyle::SetFont(TFont* Value) {
  if (FDirectAccessMode) {
    FFont = Value;
    return;
  }
  if (!IsNormal()) return NormalStyle()->SetFont(Value);
  FFont->Assign(Value);
  AssignValueBit(svFont);
}

void TcxContainerStyle::SetHotTrack(bool Value) {
  if (!IsNormal()) return NormalStyle()->SetHotTrack(Value);
  if (FAssignedValues.Contains(svHotTrack) && FHotTrack == Value) return;
  FHotTrack = Value;
  AssignValueBit(svHotTrack);
}

void TcxContainerStyle::SetShadow(bool Value) {
  if (!IsNormal()) return NormalStyle()->SetShadow(Value);
  if (FAssignedValues.Contains(svShadow) && FShadow == Value) return;
  FShadow = Value;
  AssignValueBit(svShadow);
}

void TcxContainerStyle::SetTextColor(TColor Value) {
  if (FAssignedValues.Contains(svTextColor) && GetTextColor() == Value) return;
  FTextColor = Value;
  AssignValueBit(svTextColor);
}

void TcxContainerStyle::SetTextStyle(TFontStyles Value) {
  if (FAssignedValues.Contains(svTextStyle) && GetTextStyle() == Value) return;
  FTextStyle = Value;
  AssignValueBit(svTextStyle);
}

void TcxContainerStyle::SetTransparentBorder(bool Value) {
  if (!IsNormal()) return NormalStyle()->SetTransparentBorder(Value);
  if (FAssignedValues.Contains(svTransparentBorder) && FTransparentBorder == Value) return;
  FTransparentBorder = Value;
  AssignValueBit(svTransparentBorder);
}

// ---- font ----------------------------------------------------------------------------------------------

void TcxContainerStyle::FontChanged(TObject* Sender) {
  (void)Sender;
  if (FFontAssignedValueLockCount == 0) FAssignedValues.Include(svFont);
  Changed();
}

void TcxContainerStyle::SyncFont() {
  if (FDirectAccessMode || !FFont || FAssignedValues.Contains(svFont)) return;
  TcxStyleCountLock lock(FFontAssignedValueLockCount);
  TcxContainerStyle* s = ControllerStyle();
  TFont* font = nullptr;
  if (s && s->GetAssignedFont(font) && font) {
    FFont->Assign(font);
  } else {
    TcxContainer* c = Container();
    if (!c || !c->ParentFont()) {
      TFont defaultFont;
      FFont->Assign(&defaultFont);
    }
  }
}

TFont* TcxContainerStyle::GetVisibleFont() {
  if (TFont* f = Font()) FVisibleFont->Assign(f);
  FVisibleFont->SetColor(GetTextColor());
  FVisibleFont->SetStyle(GetTextStyle());
  return FVisibleFont;
}

// ---- names and storing ---------------------------------------------------------------------------------

TcxContainerStyleValues TcxContainerStyle::GetHiddenValues() const { return cxContainerStyleHiddenValues; }

int32_t TcxContainerStyle::GetValueCount() const { return cxContainerStyleValueCount; }

bool TcxContainerStyle::GetValueName(int32_t AIndex, String& AName) const {
  if (AIndex < 0 || AIndex >= cxContainerStyleValueCount) {
    AName.clear();
    return false;
  }
  AName = kContainerStyleValueNames[AIndex];
  return true;
}

bool TcxContainerStyle::HasBorder() const { return IsNormal() ? true : NormalStyle()->HasBorder(); }

bool TcxContainerStyle::FindValueByName(const String& AName, int32_t& AIndex) const {
  for (int32_t i = 0; i < GetValueCount(); ++i) {
    String name;
    if (GetValueName(i, name) && SameText(name, AName)) {
      AIndex = i;
      return true;
    }
  }
  return false;
}

bool TcxContainerStyle::IsPropertyVisible(const String& AName) const {
  if (SameText(AName, "LookAndFeel") || SameText(AName, "StyleController")) return false;
  int32_t index;
  if (!FindValueByName(AName, index)) return true;
  return !GetHiddenValues().Contains(static_cast<TcxContainerStyleValue>(index));
}

bool TcxContainerStyle::IsValueStored(TcxContainerStyleValue AValue) const {
  if (!FAssignedValues.Contains(AValue)) return false;
  TcxContainer* c = Container();
  return !c || TcxContainer::CanStoreStyleValue(c, cxContainerStyleValueName(AValue), !IsNormal());
}

bool TcxContainer::CanStoreStyleValue(TcxContainer* AContainer, const String& AName, bool ANonNormal) {
  TcxContainerStyle* normal = AContainer->GetStyle();
  if (ANonNormal && normal && !normal->IsPropertyVisible(AName)) return false;
  int32_t index;
  if (normal && normal->FindValueByName(AName, index))
    return !AContainer->GetHiddenStyleValues().Contains(static_cast<TcxContainerStyleValue>(index));
  return true;
}

// ---- defaults and copying ------------------------------------------------------------------------------

void TcxContainerStyle::RestoreDefaults() {
  BeginUpdate();
  try {
    SetAssignedValues({});
    if (IsNormal()) {
      if (FLookAndFeel) FLookAndFeel->Reset();
      TcxContainer* c = Container();
      if (c) {
        c->SetParentColor(false);
        c->SetParentFont(true);
      } else if (!FDirectAccessMode && FFont) {
        TcxStyleCountLock lock(FFontAssignedValueLockCount);
        TFont defaultFont;
        FFont->Assign(&defaultFont);
      }
      if (c && c->DefaultParentColor()) {
        TcxStyleController* controller = ActiveStyleController();
        if (!controller || !controller->GetStyle()->IsValueAssigned(svColor)) c->SetParentColor(true);
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxContainerStyle::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TcxContainerStyle*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    NormalStyle()->SetStyleController(src->StyleController());
    if (TcxLookAndFeel* own = LookAndFeel())
      if (TcxLookAndFeel* other = src->LookAndFeel()) own->Assign(other);
    FBorderColor = src->FBorderColor;
    FBorderStyle = src->FBorderStyle;
    FEdges = src->FEdges;
    FHotTrack = src->FHotTrack;
    FShadow = src->FShadow;
    FTransparentBorder = src->FTransparentBorder;
    FColor = src->FColor;
    if (FDirectAccessMode) {
      FFont = src->Font();
      FTextColor = src->GetTextColor();
    } else {
      if (FFont && src->Font()) {
        TcxStyleCountLock lock(FFontAssignedValueLockCount);
        FFont->Assign(src->Font());
        if (src->FDirectAccessMode) FFont->SetColor(src->GetTextColor());
      }
      FTextColor = src->GetTextColor();
      FTextStyle = src->GetTextStyle();
    }
    FAssignedValues = src->FAssignedValues;
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- TcxContainerStyles --------------------------------------------------------------------------------

TcxContainerStyles::TcxContainerStyles(TPersistent* AOwner, TcxContainerStyleClass AStyleClass)
    : FOwner(AOwner), FStyleClass(AStyleClass) {
  if (!FStyleClass.Create) FStyleClass = TcxContainerStyleClass::Of<TcxContainerStyle>();
}

void TcxContainerStyles::AfterConstruction() {
  inherited::AfterConstruction();
  FStyles[cssNormal] = FStyleClass.Create(FOwner, false, cssNormal, nullptr);
  for (TcxContainerStyleState s : {cssFocused, cssDisabled, cssHot})
    FStyles[s] = FStyleClass.Create(FOwner, false, s, FStyles[cssNormal]);
}

TcxContainerStyles::~TcxContainerStyles() {
  for (int i = 3; i >= 0; --i) FreeAndNil(FStyles[i]);
}

void TcxContainerStyles::SetOnChanged(TNotifyEvent AValue) {
  for (TcxContainerStyle* s : FStyles)
    if (s) s->OnChanged = AValue;
}

// ---- TcxStyleController --------------------------------------------------------------------------------

TcxStyleController::TcxStyleController(TComponent* AOwner) : TComponent(AOwner) {}

void TcxStyleController::AfterConstruction() {
  inherited::AfterConstruction();
  FStyles = GetStylesClass().Create(this, GetStyleClass());
  FStyles->SetOnChanged(TNotifyEvent(this, &TcxStyleController::StyleChanged));
}

void TcxStyleController::BeforeDestruction() {
  FIsDestruction = true;
  // Every listener falls back to the default controller; the list itself stays as it is meanwhile.
  std::vector<TcxContainerStyle*> listeners = FListeners;
  for (TcxContainerStyle* s : listeners) s->ControllerFreeNotification(this);
  inherited::BeforeDestruction();
}

TcxStyleController::~TcxStyleController() {
  if (FStyles) {
    FStyles->SetOnChanged(TNotifyEvent());
    FStyles->Free();
  }
}

TcxContainerStyleClass TcxStyleController::GetStyleClass() const {
  return TcxContainerStyleClass::Of<TcxContainerStyle>();
}

TcxContainerStylesClass TcxStyleController::GetStylesClass() const {
  return TcxContainerStylesClass::Of<TcxContainerStyles>();
}

bool TcxStyleController::HasListener(TcxContainerStyle* AStyle) const {
  return std::find(FListeners.begin(), FListeners.end(), AStyle) != FListeners.end();
}

void TcxStyleController::AddListener(TcxContainerStyle* AStyle) {
  if (!AStyle || HasListener(AStyle)) return;
  FListeners.push_back(AStyle);
  if (TcxLookAndFeel* laf = AStyle->LookAndFeel()) laf->SetMaster(GetStyle()->LookAndFeel());
}

void TcxStyleController::RemoveListener(TcxContainerStyle* AStyle) {
  auto it = std::find(FListeners.begin(), FListeners.end(), AStyle);
  if (it == FListeners.end()) return;
  if (!FIsDestruction) FListeners.erase(it);
  if (TcxLookAndFeel* laf = AStyle->LookAndFeel()) laf->SetMaster(nullptr);
}

void TcxStyleController::Changed() {
  if (OnStyleChanged.Assigned()) OnStyleChanged(this);
  if (FIsDestruction) return;
  std::vector<TcxContainerStyle*> listeners = FListeners;
  for (TcxContainerStyle* s : listeners)
    if (HasListener(s)) s->ControllerChanged(this);
}

void TcxStyleController::Loaded() {
  inherited::Loaded();
  Changed();
}
