// The popup edit: hosting a control of the form in the popup and giving it back.

#include "ui/editors/cxPopupEdit.h"

#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxGraphics.h"
#include "ui/editors/cxEditConsts.h"

namespace {

constexpr const char* cxSEditPopupCircularReferencingError = "Циклические ссылки не допустимы";

}  // namespace

// ---- the popup window's view info ----------------------------------------------------------------------------

void TcxPopupEditPopupWindowViewInfo::DrawBorder(TcxCanvas* ACanvas, RECT& R) {
  if (NativeStyle || PopupBorderStyle != epbsFrame3D) {
    inherited::DrawBorder(ACanvas, R);
    return;
  }
  // Whatever the client edge says: two raised bevels, then an inactive-border ring and a face ring.
  ACanvas->DrawBevelEdge(R, false, true);
  InflateRect(&R, -1, -1);
  ACanvas->DrawBevelEdge(R, false, false);
  InflateRect(&R, -1, -1);
  ACanvas->FrameRect(R, TColor(clSystemColor | COLOR_INACTIVEBORDER));
  InflateRect(&R, -1, -1);
  ACanvas->FrameRect(R, clBtnFace);
  InflateRect(&R, -1, -1);
}

// ---- properties ------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxPopupEditProperties) {
  using P = TcxPopupEditProperties;
  prop("Alignment", &P::GetAlignment, &P::SetAlignment).Stored(&P::IsAlignmentStored);
  prop("AlwaysShowBlanksAndLiterals", &P::AlwaysShowBlanksAndLiterals, &P::SetAlwaysShowBlanksAndLiterals)
      .Default(false);
  prop("AssignedValues", &P::AssignedValues, &P::SetAssignedValues);
  prop("AutoSelect", &P::AutoSelect, &P::SetAutoSelect).Default(true);
  prop("BeepOnError", &P::BeepOnError, &P::SetBeepOnError).Default(false);
  prop("ButtonGlyph", &P::ButtonGlyph, &P::SetButtonGlyph);
  prop("CaseInsensitive", &P::CaseInsensitive, &P::SetCaseInsensitive).Default(true);
  prop("CharCase", &P::CharCase, &P::SetCharCase).Default(ecNormal);
  prop("ClearKey", &P::ClearKey, &P::SetClearKey).Default(TShortCut(0));
  prop("EchoMode", &P::EchoMode, &P::SetEchoMode).Default(eemNormal);
  prop("HideSelection", &P::HideSelection, &P::SetHideSelection).Default(true);
  prop("IgnoreMaskBlank", &P::IgnoreMaskBlank, &P::SetIgnoreMaskBlank).Default(false);
  prop("ImeMode", &P::ImeMode, &P::SetImeMode).Default(imDontCare);
  prop("ImeName", &P::ImeName, &P::SetImeName);
  prop("ImmediateDropDown", &P::ImmediateDropDown, &P::SetImmediateDropDown).Default(true);
  prop("ImmediatePopup", &P::ImmediatePopup, &P::SetImmediatePopup).Default(true);
  prop("ImmediatePost", &P::ImmediatePost, &P::SetImmediatePost).Default(false);
  prop("LookupItems", &P::LookupItems, &P::SetLookupItems);
  prop("LookupItemsSorted", &P::LookupItemsSorted, &P::SetLookupItemsSorted).Default(false);
  prop("MaskKind", &P::MaskKind, &P::SetMaskKind).Default(emkStandard);
  prop("EditMask", &P::EditMask, &P::SetEditMask);
  prop("MaxLength", &P::MaxLength, &P::SetMaxLength).NoDefault().Stored(&P::IsMaxLengthStored);
  prop("OEMConvert", &P::OEMConvert, &P::SetOEMConvert).Default(false);
  prop("PasswordChar", &P::PasswordChar, &P::SetPasswordChar).Default(char(0));
  prop("PopupAlignment", &P::PopupAlignment, &P::SetPopupAlignment).Default(taLeftJustify);
  prop("PopupAutoSize", &P::PopupAutoSize, &P::SetPopupAutoSize).Default(true);
  prop("PopupClientEdge", &P::PopupClientEdge, &P::SetPopupClientEdge).Default(false);
  prop("PopupControl", &P::PopupControl, &P::SetPopupControl);
  prop("PopupHeight", &P::PopupHeight, &P::SetPopupHeight).Default(200);
  prop("PopupMinHeight", &P::PopupMinHeight, &P::SetPopupMinHeight).Default(100);
  prop("PopupMinWidth", &P::PopupMinWidth, &P::SetPopupMinWidth).Default(100);
  prop("PopupSizeable", &P::PopupSizeable, &P::SetPopupSizeable).Default(true);
  prop("PopupSysPanelStyle", &P::PopupSysPanelStyle, &P::SetPopupSysPanelStyle).Default(false);
  prop("PopupWidth", &P::PopupWidth, &P::SetPopupWidth).Default(250);
  prop("ReadOnly", &P::GetReadOnly, &P::SetReadOnly).Stored(&P::IsReadOnlyStored);
  prop("UseLeftAlignmentOnEditing", &P::UseLeftAlignmentOnEditing, &P::SetUseLeftAlignmentOnEditing)
      .Stored(&P::IsUseLeftAlignmentOnEditingStored);
  prop("ValidateOnEnter", &P::ValidateOnEnter, &P::SetValidateOnEnter).Default(true);
  event("OnChange", &P::OnChange, &P::OnChange);
  event("OnCloseQuery", &P::OnCloseQuery, &P::OnCloseQuery);
  event("OnCloseUp", &P::OnCloseUp, &P::OnCloseUp);
  event("OnEditValueChanged", &P::OnEditValueChanged, &P::OnEditValueChanged);
  event("OnInitPopup", &P::OnInitPopup, &P::OnInitPopup);
  event("OnNewLookupDisplayText", &P::OnNewLookupDisplayText, &P::OnNewLookupDisplayText);
  event("OnPopup", &P::OnPopup, &P::OnPopup);
  event("OnValidate", &P::OnValidate, &P::OnValidate);
}

TcxCustomPopupEditProperties::TcxCustomPopupEditProperties(TPersistent* AOwner)
    : TcxCustomDropDownEditProperties(AOwner) {}

TcxCustomPopupEditProperties::~TcxCustomPopupEditProperties() {
  if (FFreeNotificator) {
    FFreeNotificator->OnComponentRemoved = Event<TComponent*>();
    if (FPopupControl) FFreeNotificator->RemoveFreeNotification(FPopupControl);
    FreeAndNil(FFreeNotificator);
  }
}

void TcxCustomPopupEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  FFreeNotificator = New<TcxFreeNotificator>(nullptr);
  FFreeNotificator->OnComponentRemoved = Event<TComponent*>(this, &TcxCustomPopupEditProperties::ControlRemoved);
  BeginUpdate();
  SetPopupAutoSize(true);
  SetPopupMinHeight(100);
  SetPopupMinWidth(100);
  SetPopupHeight(200);
  SetPopupSizeable(true);
  SetPopupWidth(250);
  EndUpdate(false);
}

TClass TcxCustomPopupEditProperties::GetContainerClass() const { return TcxPopupEdit::StaticClass(); }

void TcxCustomPopupEditProperties::SetPopupControl(TControl* Value) {
  if (FPopupControl == Value) return;
  if (FPopupControl) FFreeNotificator->RemoveFreeNotification(FPopupControl);
  FPopupControl = Value;
  if (FPopupControl) FFreeNotificator->FreeNotification(FPopupControl);
}

void TcxCustomPopupEditProperties::ComponentFreeNotification(TComponent* AComponent) {
  inherited::ComponentFreeNotification(AComponent);
  if (AComponent && AComponent == FPopupControl) FPopupControl = nullptr;
}

void TcxCustomPopupEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomPopupEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetPopupControl(source->PopupControl());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxPopupEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  SetImmediateDropDown(true);
  SetImmediatePopup(true);
}

// ---- the editor ------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxPopupEdit) {
  prop("AutoSize", &TcxPopupEdit::AutoSize, &TcxPopupEdit::SetAutoSize).Default(true);
  prop("BeepOnEnter", &TcxPopupEdit::BeepOnEnter, &TcxPopupEdit::SetBeepOnEnter).Default(true);
  prop("Properties", &TcxPopupEdit::Properties, &TcxPopupEdit::SetProperties);
  prop("Style", &TcxPopupEdit::Style, &TcxPopupEdit::SetStyle);
  prop("StyleDisabled", &TcxPopupEdit::StyleDisabled, &TcxPopupEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxPopupEdit::StyleFocused, &TcxPopupEdit::SetStyleFocused);
  prop("StyleHot", &TcxPopupEdit::StyleHot, &TcxPopupEdit::SetStyleHot);
  prop("Text", &TcxPopupEdit::Text, &TcxPopupEdit::SetText).Stored(false);
  event("OnEditing", &TcxPopupEdit::OnEditing, &TcxPopupEdit::OnEditing);
}

TcxCustomPopupEdit::TcxCustomPopupEdit(TComponent* AOwner) : TcxCustomDropDownEdit(AOwner) {}

TcxCustomPopupEdit::~TcxCustomPopupEdit() {
  // BeforeDestruction gave the control back; this only covers an editor whose construction failed.
  if (FHostNotificator) {
    FHostNotificator->OnComponentRemoved = Event<TComponent*>();
    FreeAndNil(FHostNotificator);
  }
}

void TcxCustomPopupEdit::AfterConstruction() {
  FHostNotificator = New<TcxFreeNotificator>(nullptr);
  FHostNotificator->OnComponentRemoved = Event<TComponent*>(this, &TcxCustomPopupEdit::HostedComponentRemoved);
  inherited::AfterConstruction();
}

void TcxCustomPopupEdit::BeforeDestruction() {
  // The popup window goes with the editor and would take a control still inside it along: give it back
  // first, with every override still reachable.
  if (FHostedControl) {
    try {
      if (PopupWindow() && HasPopupWindow()) PopupWindow()->OnClosed = TNotifyEvent();
      RestorePopupControl();
    } catch (...) {
      // The control must not stay in the window about to be freed, whatever restoring raised.
      if (FHostedControl && PopupWindow() && FHostedControl->Parent() == PopupWindow()) FHostedControl->SetParent(nullptr);
      FHostedControl = nullptr;
    }
  }
  inherited::BeforeDestruction();
}

void TcxCustomPopupEdit::HostedComponentRemoved(TComponent* AComponent) {
  if (!AComponent) return;
  if (AComponent == FSaved.Parent) FSaved.Parent = nullptr;
  if (AComponent == FHostedControl) {
    // A hosted control freed elsewhere is forgotten; an open popup left empty closes.
    FHostedControl = nullptr;
    FSaved = TcxPopupControlSavedState{};
    if (HasPopupWindow()) PostCloseUp(PopupWindow());
  }
}

void TcxCustomPopupEdit::TakePopupControl() {
  TControl* c = ActiveProperties()->PopupControl();
  if (FHostedControl || !c) return;
  TcxPopupControlSavedState s;
  s.Align = c->Align();
  if (auto* form = dynamic_cast<TCustomForm*>(c)) {
    s.IsForm = true;
    s.BorderStyle = form->BorderStyle();
    form->SetBorderStyle(bsNone);
  }
  s.Bounds = c->BoundsRect();
  s.Parent = c->Parent();
  s.Visible = c->Visible();
  if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Parent()) s.TabOrder = w->TabOrder();
  if (TWinControl* parent = c->Parent()) {
    bool above = false;
    for (int32_t i = 0; i < parent->ControlCount(); ++i) {
      TControl* sibling = parent->Controls(i);
      if (above) s.Above.emplace_back(sibling);
      if (sibling == c) above = true;
    }
  }
  FSaved = s;
  FHostedControl = c;
  FHostNotificator->FreeNotification(c);
  if (s.Parent) FHostNotificator->FreeNotification(s.Parent);
}

void TcxCustomPopupEdit::RestorePopupControl() {
  if (!FHostedControl || FRestoring) return;
  FRestoring = true;
  TControl* c = FHostedControl;
  TcxPopupControlSavedState s = FSaved;
  // Forgotten first: whatever restoring sets off, the control is not given back twice.
  FHostedControl = nullptr;
  FSaved = TcxPopupControlSavedState{};
  FHostNotificator->RemoveFreeNotification(c);
  if (s.Parent) FHostNotificator->RemoveFreeNotification(s.Parent);
  TObjectLink<TControl> alive(c);
  try {
    c->SetVisible(false);
    TWinControl* parent = s.Parent && !s.Parent->ComponentState().Contains(csDestroying) ? s.Parent : nullptr;
    c->SetParent(parent);
    c->SetAlign(s.Align);
    if (s.IsForm)
      if (auto* form = dynamic_cast<TCustomForm*>(c)) form->SetBorderStyle(s.BorderStyle);
    c->SetBoundsRect(s.Bounds);
    if (auto* w = dynamic_cast<TWinControl*>(c); w && parent && s.TabOrder >= 0) w->SetTabOrder(s.TabOrder);
    if (parent)
      for (const TObjectLink<TControl>& sibling : s.Above)
        if (TControl* o = sibling.Get(); o && o->Parent() == parent) o->BringToFront();
    c->SetVisible(s.Visible);
  } catch (...) {
    FRestoring = false;
    throw;
  }
  FRestoring = false;
}

void TcxCustomPopupEdit::CheckPopupControl() {
  TControl* c = ActiveProperties()->PopupControl();
  if (!c) return;
  bool cyclic = PopupWindow() && static_cast<TControl*>(PopupWindow()) == c;
  TControl* owner = PopupWindow() && PopupWindow()->OwnerControl() ? PopupWindow()->OwnerControl() : this;
  for (TControl* p = owner; p && !cyclic; p = p->Parent()) cyclic = p == c;
  if (cyclic) throw Exception(TranslateString(cxSEditPopupCircularReferencingError));
}

void TcxCustomPopupEdit::DoInitPopup() {
  CheckPopupControl();
  inherited::DoInitPopup();
}

bool TcxCustomPopupEdit::CanDropDown() { return ActiveProperties()->PopupControl() != nullptr; }

TWinControl* TcxCustomPopupEdit::GetPopupFocusedControl() {
  return dynamic_cast<TWinControl*>(ActiveProperties()->PopupControl());
}

void TcxCustomPopupEdit::CalculatePopupSize(SIZE& ASize) {
  ASize = SIZE{0, 0};
  TControl* c = FHostedControl ? FHostedControl : ActiveProperties()->PopupControl();
  if (c) ASize = SIZE{c->Width(), c->Height()};
}

void TcxCustomPopupEdit::SetPopupContentBounds(const RECT& R) {
  TControl* c = FHostedControl;
  if (!c) return;
  c->SetLeft(R.left);
  c->SetTop(R.top);
  c->SetWidth(R.right - R.left);
  c->SetHeight(R.bottom - R.top);
}

void TcxCustomPopupEdit::PreparePopup() {
  TcxCustomEditPopupWindow* w = PopupWindow();
  if (!w) return;
  bool taking = !FHostedControl;
  TakePopupControl();
  if (TControl* c = FHostedControl) {
    // The control's own Align must not lay it out in the popup before its size is measured there.
    if (taking) c->SetAlign(alNone);
    if (c->Parent() != w) c->SetParent(w);
    c->SetVisible(true);
  }
  inherited::PreparePopup();
  if (FHostedControl) FHostedControl->SetAlign(alClient);
}

void TcxCustomPopupEdit::DropDown() {
  inherited::DropDown();
  // Arrives after the show request: a control still in a hidden popup then was left behind.
  if (FHostedControl && !HasPopupWindow() && HandleAllocated()) PostMessage(Handle(), CM_POPUPEDITCHECKHOSTED, 0, 0);
}

void TcxCustomPopupEdit::CheckOrphanedPopupControl() {
  if (!FHostedControl || HasPopupWindow()) return;
  if (PopupWindow() && IsPopupWindowShown(PopupWindow())) return;
  RestorePopupControl();
}

void TcxCustomPopupEdit::PopupWindowClosed(TObject* Sender) {
  RestorePopupControl();
  inherited::PopupWindowClosed(Sender);
}

void TcxCustomPopupEdit::WndProc(TMessage& Message) {
  if (Message.Msg == CM_POPUPEDITCHECKHOSTED) {
    CheckOrphanedPopupControl();
    return;
  }
  inherited::WndProc(Message);
}

// ---- registration ----------------------------------------------------------------------------------------------

void cxPopupEditInitialize() {
  cxMaskEditInitialize();
  GetRegisteredEditProperties()->Register(TcxPopupEditProperties::StaticClass(), cxSEditRepositoryPopupItem);
  RegisterClasses({TcxPopupEdit::StaticClass()});
}
