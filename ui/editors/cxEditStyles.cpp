// Editor styles: the container style's values plus the three that only editors have, and the global
// editor style controller that stand-alone editors follow.

#include "rtl/TypInfo.h"
#include "ui/editors/cxEdit.h"

namespace {

TcxEditStyleController* gEditStyleController = nullptr;
// While the global controller is being made or freed, its own styles (and the listeners falling back from
// it) must not ask for it again.
bool gEditStyleControllerBusy = false;

const char* const kEditStyleValueNames[] = {"ButtonStyle", "ButtonTransparency", "PopupBorderStyle"};

}  // namespace

TcxEditStyleController* GetEditStyleController() {
  if (!gEditStyleController && !gEditStyleControllerBusy) {
    gEditStyleControllerBusy = true;
    try {
      gEditStyleController = New<TcxEditStyleController>(nullptr);
    } catch (...) {
      gEditStyleControllerBusy = false;
      throw;
    }
    gEditStyleControllerBusy = false;
    SetDefaultStyleController(gEditStyleController);
  }
  return gEditStyleController;
}

void cxEditFinalize() {
  // The repository's items may hold properties whose styles reach the controller: they go first.
  cx_edit_detail::FinalizeRepository();
  TcxEditStyleController* controller = gEditStyleController;
  if (!controller) return;
  if (GetDefaultStyleController() == controller) SetDefaultStyleController(nullptr);
  gEditStyleController = nullptr;
  gEditStyleControllerBusy = true;
  controller->Free();
  gEditStyleControllerBusy = false;
}

// ---- TcxCustomEditStyle -----------------------------------------------------------------------------------

TcxCustomEditStyle::TcxCustomEditStyle(TPersistent* AOwner, bool ADirectAccessMode, TcxContainerStyleState AState,
                                       TcxContainerStyle* ANormalStyle)
    : TcxContainerStyle(AOwner, ADirectAccessMode, AState, ANormalStyle) {}

TcxStyleController* TcxCustomEditStyle::GetDefaultStyleController() const {
  if (DirectAccessMode()) return nullptr;
  if (TcxContainer* container = Container(); container && container->IsInplace()) return nullptr;
  // The global controller's own styles use none.
  if (gEditStyleControllerBusy) return gEditStyleController;
  return GetEditStyleController();
}

#define CX_EDIT_ASSIGNED_READER(Name, Type, Bit, Field)                  \
  bool TcxCustomEditStyle::GetAssigned##Name(Type& AValue) const {       \
    if (FAssignedValues.Contains(Bit)) {                                 \
      AValue = Field;                                                    \
      return true;                                                       \
    }                                                                    \
    if (DirectAccessMode()) return false;                                \
    TcxCustomEditStyle* s = EditControllerStyle();                       \
    return s && s->GetAssigned##Name(AValue);                            \
  }

CX_EDIT_ASSIGNED_READER(ButtonStyle, TcxEditButtonStyle, svButtonStyle, FButtonStyle)
CX_EDIT_ASSIGNED_READER(ButtonTransparency, TcxEditButtonTransparency, svButtonTransparency, FButtonTransparency)
CX_EDIT_ASSIGNED_READER(PopupBorderStyle, TcxEditPopupBorderStyle, svPopupBorderStyle, FPopupBorderStyle)
#undef CX_EDIT_ASSIGNED_READER

TcxEditButtonStyle TcxCustomEditStyle::ButtonStyle() const {
  TcxEditButtonStyle v;
  return GetAssignedButtonStyle(v) ? v : GetDefaultButtonStyle();
}

TcxEditButtonTransparency TcxCustomEditStyle::ButtonTransparency() const {
  TcxEditButtonTransparency v;
  return GetAssignedButtonTransparency(v) ? v : GetDefaultButtonTransparency();
}

TcxEditPopupBorderStyle TcxCustomEditStyle::PopupBorderStyle() const {
  TcxEditPopupBorderStyle v;
  return GetAssignedPopupBorderStyle(v) ? v : GetDefaultPopupBorderStyle();
}

TcxEditButtonStyle TcxCustomEditStyle::GetDefaultButtonStyle() const {
  return IsNormal() ? btsDefault : EditNormalStyle()->ButtonStyle();
}

TcxEditButtonTransparency TcxCustomEditStyle::GetDefaultButtonTransparency() const {
  return IsNormal() ? ebtNone : EditNormalStyle()->ButtonTransparency();
}

TcxEditPopupBorderStyle TcxCustomEditStyle::GetDefaultPopupBorderStyle() const {
  return IsNormal() ? epbsDefault : EditNormalStyle()->PopupBorderStyle();
}

void TcxCustomEditStyle::SetButtonStyle(TcxEditButtonStyle Value) {
  if (FAssignedValues.Contains(svButtonStyle) && FButtonStyle == Value) return;
  FButtonStyle = Value;
  AssignValueBit(svButtonStyle);
}

void TcxCustomEditStyle::SetButtonTransparency(TcxEditButtonTransparency Value) {
  if (!IsNormal()) return EditNormalStyle()->SetButtonTransparency(Value);
  if (FAssignedValues.Contains(svButtonTransparency) && FButtonTransparency == Value) return;
  FButtonTransparency = Value;
  AssignValueBit(svButtonTransparency);
}

void TcxCustomEditStyle::SetPopupBorderStyle(TcxEditPopupBorderStyle Value) {
  if (!IsNormal()) return EditNormalStyle()->SetPopupBorderStyle(Value);
  if (FAssignedValues.Contains(svPopupBorderStyle) && FPopupBorderStyle == Value) return;
  FPopupBorderStyle = Value;
  AssignValueBit(svPopupBorderStyle);
}

bool TcxCustomEditStyle::PopupCloseButton() const { return EditNormalStyle()->FPopupCloseButton; }

void TcxCustomEditStyle::SetPopupCloseButton(bool Value) {
  TcxCustomEditStyle* normal = EditNormalStyle();
  if (normal->FPopupCloseButton == Value) return;
  normal->FPopupCloseButton = Value;
  normal->Changed();
}

bool TcxCustomEditStyle::GetValueName(int32_t AIndex, String& AName) const {
  if (AIndex >= cxContainerStyleValueCount && AIndex < cxEditStyleValueCount) {
    AName = kEditStyleValueNames[AIndex - cxContainerStyleValueCount];
    return true;
  }
  return inherited::GetValueName(AIndex, AName);
}

bool TcxCustomEditStyle::IsValueAssigned(int32_t AIndex) const {
  switch (AIndex) {
    case svButtonStyle: {
      TcxEditButtonStyle v;
      return GetAssignedButtonStyle(v);
    }
    case svButtonTransparency: {
      TcxEditButtonTransparency v;
      return GetAssignedButtonTransparency(v);
    }
    case svPopupBorderStyle: {
      TcxEditPopupBorderStyle v;
      return GetAssignedPopupBorderStyle(v);
    }
    default:
      return inherited::IsValueAssigned(AIndex);
  }
}

bool TcxCustomEditStyle::IsEditValueStored(TcxContainerStyleValue AValue) const {
  if (!FAssignedValues.Contains(AValue)) return false;
  TcxContainer* container = Container();
  String name;
  GetValueName(AValue, name);
  return !container || TcxContainer::CanStoreStyleValue(container, name, !IsNormal());
}

void TcxCustomEditStyle::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomEditStyle*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    FButtonStyle = source->FButtonStyle;
    FButtonTransparency = source->FButtonTransparency;
    FPopupBorderStyle = source->FPopupBorderStyle;
    FPopupCloseButton = source->FPopupCloseButton;
    inherited::Assign(Source);
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- TcxEditStyle -----------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxEditStyle) {
  prop("BorderColor", &TcxEditStyle::BorderColor, &TcxEditStyle::SetBorderColor)
      .NoDefault()
      .Stored(&TcxEditStyle::IsBorderColorStored);
  prop("BorderStyle", &TcxEditStyle::BorderStyle, &TcxEditStyle::SetBorderStyle)
      .NoDefault()
      .Stored(&TcxEditStyle::IsBorderStyleStored);
  prop("ButtonStyle", &TcxEditStyle::ButtonStyle, &TcxEditStyle::SetButtonStyle)
      .NoDefault()
      .Stored(&TcxEditStyle::IsButtonStyleStored);
  prop("ButtonTransparency", &TcxEditStyle::ButtonTransparency, &TcxEditStyle::SetButtonTransparency)
      .NoDefault()
      .Stored(&TcxEditStyle::IsButtonTransparencyStored);
  prop("Color", &TcxEditStyle::Color, &TcxEditStyle::SetColor).NoDefault().Stored(&TcxEditStyle::IsColorStored);
  prop("Edges", &TcxEditStyle::Edges, &TcxEditStyle::SetEdges).NoDefault().Stored(&TcxEditStyle::IsEdgesStored);
  prop("Font", &TcxEditStyle::Font, &TcxEditStyle::SetFont).Stored(&TcxEditStyle::IsFontStored);
  prop("HotTrack", &TcxEditStyle::HotTrack, &TcxEditStyle::SetHotTrack)
      .NoDefault()
      .Stored(&TcxEditStyle::IsHotTrackStored);
  prop("LookAndFeel", &TcxEditStyle::LookAndFeel, &TcxEditStyle::SetLookAndFeel).Stored(true);
  prop("PopupBorderStyle", &TcxEditStyle::PopupBorderStyle, &TcxEditStyle::SetPopupBorderStyle)
      .NoDefault()
      .Stored(&TcxEditStyle::IsPopupBorderStyleStored);
  prop("Shadow", &TcxEditStyle::Shadow, &TcxEditStyle::SetShadow).NoDefault().Stored(&TcxEditStyle::IsShadowStored);
  prop("StyleController", &TcxEditStyle::StyleController, &TcxEditStyle::SetStyleController).Stored(true);
  prop("TextColor", &TcxEditStyle::TextColor, &TcxEditStyle::SetTextColor)
      .NoDefault()
      .Stored(&TcxEditStyle::IsTextColorStored);
  prop("TextStyle", &TcxEditStyle::TextStyle, &TcxEditStyle::SetTextStyle)
      .NoDefault()
      .Stored(&TcxEditStyle::IsTextStyleStored);
  prop("TransparentBorder", &TcxEditStyle::TransparentBorder, &TcxEditStyle::SetTransparentBorder)
      .NoDefault()
      .Stored(&TcxEditStyle::IsTransparentBorderStored);
}

TcxEditStyleController* TcxEditStyle::StyleController() const {
  return dynamic_cast<TcxEditStyleController*>(inherited::StyleController());
}

void TcxEditStyle::SetStyleController(TcxEditStyleController* Value) { inherited::SetStyleController(Value); }

// ---- TcxEditStyleController -------------------------------------------------------------------------------

RTL_PUBLISHED(TcxEditStyleController) {
  prop("Style", &TcxEditStyleController::Style, &TcxEditStyleController::SetStyle);
  prop("StyleDisabled", &TcxEditStyleController::StyleDisabled, &TcxEditStyleController::SetStyleDisabled);
  prop("StyleFocused", &TcxEditStyleController::StyleFocused, &TcxEditStyleController::SetStyleFocused);
  prop("StyleHot", &TcxEditStyleController::StyleHot, &TcxEditStyleController::SetStyleHot);
  event("OnStyleChanged", &TcxEditStyleController::OnStyleChanged, &TcxEditStyleController::OnStyleChanged);
}
