#include <algorithm>

#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxEdit.h"

namespace {

std::vector<TcxCustomEditProperties*>& Instances() {
  static std::vector<TcxCustomEditProperties*> list;
  return list;
}

const char* const cxSEditInvalidValue = "Введено неверное значение. Нажмите Esc для отмены";

}  // namespace

const std::vector<TcxCustomEditProperties*>& EditPropertiesInstances() { return Instances(); }

// ---- TcxCustomEditPropertiesValues --------------------------------------------------------------------------

// ReadOnly is written by the properties' own ReadOnly, which is stored exactly when this flag is set.
RTL_PUBLISHED(TcxCustomEditPropertiesValues) {
  prop("ReadOnly", &TcxCustomEditPropertiesValues::ReadOnly, &TcxCustomEditPropertiesValues::SetReadOnly)
      .Stored(false);
}

TcxCustomEditProperties* TcxCustomEditPropertiesValues::Properties() const {
  return dynamic_cast<TcxCustomEditProperties*>(FOwner);
}

void TcxCustomEditPropertiesValues::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomEditPropertiesValues*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    SetReadOnly(source->FReadOnly);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxCustomEditPropertiesValues::BeginUpdate() {
  if (TcxCustomEditProperties* properties = Properties()) properties->BeginUpdate();
}

void TcxCustomEditPropertiesValues::EndUpdate() {
  if (TcxCustomEditProperties* properties = Properties()) properties->EndUpdate(true);
}

void TcxCustomEditPropertiesValues::RestoreDefaults() { SetReadOnly(false); }

void TcxCustomEditPropertiesValues::Changed() {
  if (TcxCustomEditProperties* properties = Properties()) properties->Changed();
}

bool TcxCustomEditPropertiesValues::IsPropertyPublished(const String& APropertyName) const {
  return FOwner && IsPublishedProp(FOwner->ClassType(), APropertyName);
}

void TcxCustomEditPropertiesValues::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  Changed();
}

// ---- TcxEditAlignment -------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxEditAlignment) {
  prop("Horz", &TcxEditAlignment::Horz, &TcxEditAlignment::SetHorz).NoDefault().Stored(&TcxEditAlignment::IsHorzStored);
  prop("Vert", &TcxEditAlignment::Vert, &TcxEditAlignment::SetVert).NoDefault().Stored(&TcxEditAlignment::IsVertStored);
}

void TcxEditAlignment::DoChanged() {
  if (OnChanged) OnChanged(this);
}

void TcxEditAlignment::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxEditAlignment*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  FVert = source->FVert;
  FHorz = source->FHorz;
  FIsHorzAssigned = source->FIsHorzAssigned;
  DoChanged();
}

void TcxEditAlignment::Reset() {
  FIsHorzAssigned = false;
  DoChanged();
}

// Assigning marks Horz as set even with the value it already had: a user who picks the default on purpose
// keeps it when the data defaults change later.
void TcxEditAlignment::SetHorz(TAlignment Value) {
  if (FIsHorzAssigned && FHorz == Value) return;
  FHorz = Value;
  FIsHorzAssigned = true;
  DoChanged();
}

void TcxEditAlignment::SetVert(TcxEditVertAlignment Value) {
  if (FVert == Value) return;
  FVert = Value;
  DoChanged();
}

// ---- TcxCustomEditDefaultValuesProvider ---------------------------------------------------------------------

void TcxCustomEditDefaultValuesProvider::BeforeDestruction() {
  ClearUsages();
  inherited::BeforeDestruction();
}

void TcxCustomEditDefaultValuesProvider::ClearUsages() {
  IcxEditDefaultValuesProvider* self = this;
  for (TcxCustomEditProperties* properties : Instances())
    if (properties->DefaultValuesProvider() == self) properties->SetDefaultValuesProvider(nullptr);
}

TAlignment TcxCustomEditDefaultValuesProvider::GetDefaultAlignment() { return taLeftJustify; }

// ---- TcxCustomEditProperties --------------------------------------------------------------------------------

RTL_PUBLISHED(TcxCustomEditProperties) {
  prop("Alignment", &TcxCustomEditProperties::GetAlignment, &TcxCustomEditProperties::SetAlignment)
      .Stored(&TcxCustomEditProperties::IsAlignmentStored);
  prop("AssignedValues", &TcxCustomEditProperties::AssignedValues, &TcxCustomEditProperties::SetAssignedValues);
  prop("AutoSelect", &TcxCustomEditProperties::AutoSelect, &TcxCustomEditProperties::SetAutoSelect).Default(true);
  prop("BeepOnError", &TcxCustomEditProperties::BeepOnError, &TcxCustomEditProperties::SetBeepOnError)
      .Default(false);
  prop("ClearKey", &TcxCustomEditProperties::ClearKey, &TcxCustomEditProperties::SetClearKey)
      .Default(TShortCut(0));
  prop("ClickKey", &TcxCustomEditProperties::ClickKey, &TcxCustomEditProperties::SetClickKey)
      .Default(cxEditDefaultClickKey);
  prop("ImmediatePost", &TcxCustomEditProperties::ImmediatePost, &TcxCustomEditProperties::SetImmediatePost)
      .Default(false);
  prop("ReadOnly", &TcxCustomEditProperties::GetReadOnly, &TcxCustomEditProperties::SetReadOnly)
      .NoDefault()
      .Stored(&TcxCustomEditProperties::IsReadOnlyStored);
  prop("UseLeftAlignmentOnEditing", &TcxCustomEditProperties::UseLeftAlignmentOnEditing,
       &TcxCustomEditProperties::SetUseLeftAlignmentOnEditing)
      .NoDefault()
      .Stored(&TcxCustomEditProperties::IsUseLeftAlignmentOnEditingStored);
  prop("ValidateOnEnter", &TcxCustomEditProperties::ValidateOnEnter, &TcxCustomEditProperties::SetValidateOnEnter)
      .Default(false);
  event("OnButtonClick", &TcxCustomEditProperties::OnButtonClick, &TcxCustomEditProperties::OnButtonClick);
  event("OnChange", &TcxCustomEditProperties::OnChange, &TcxCustomEditProperties::OnChange);
  event("OnEditValueChanged", &TcxCustomEditProperties::OnEditValueChanged,
        &TcxCustomEditProperties::OnEditValueChanged);
  event("OnValidate", &TcxCustomEditProperties::OnValidate, &TcxCustomEditProperties::OnValidate);
}

TcxCustomEditProperties::TcxCustomEditProperties(TPersistent* AOwner) : TcxInterfacedPersistent(AOwner) {
  Instances().push_back(this);
}

void TcxCustomEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  FFreeNotificator = New<TcxFreeNotificator>(nullptr);
  FFreeNotificator->OnComponentRemoved = Event<TComponent*>(this, &TcxCustomEditProperties::FreeNotification);
  FAlignment = New<TcxEditAlignment>(this);
  FAlignment->OnChanged = TNotifyEvent(this, &TcxCustomEditProperties::RestoreDefaultAlignment);
  FAssignedValues = CreateAs<TcxCustomEditPropertiesValues>(GetAssignedValuesClass(), this);
  FButtons = New<TcxEditButtons>(this);
  FButtons->OnChange = TNotifyEvent(this, &TcxCustomEditProperties::AlignmentChanged);
  FUseLeftAlignmentOnEditing = GetFlag10();
  FStoredAlignment = New<TcxEditAlignment>(this);
}

TcxCustomEditProperties::~TcxCustomEditProperties() {
  FDefaultValuesProvider = nullptr;
  FreeAndNil(FButtons);
  FreeAndNil(FStoredAlignment);
  FreeAndNil(FAssignedValues);
  FreeAndNil(FAlignment);
  FreeAndNil(FFreeNotificator);
  auto& list = Instances();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

bool TcxCustomEditProperties::IsOwnerDestroying() const {
  auto* component = dynamic_cast<TComponent*>(Owner());
  return component && component->ComponentState().Contains(csDestroying);
}

bool TcxCustomEditProperties::IsOwnerWriting() const {
  auto* component = dynamic_cast<TComponent*>(Owner());
  return component && component->ComponentState().Contains(csWriting);
}

bool TcxCustomEditProperties::IsOwnerEditControl() const { return dynamic_cast<TcxCustomEdit*>(Owner()) != nullptr; }

TClass TcxCustomEditProperties::GetContainerClass() const { return TcxCustomEdit::StaticClass(); }

void TcxCustomEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    SetAutoSelect(source->AutoSelect());
    FButtons->Assign(source->Buttons());
    SetButtonsViewStyle(source->ButtonsViewStyle());
    FBeepOnError = source->FBeepOnError;
    FClearKey = source->FClearKey;
    FClickKey = source->FClickKey;
    SetUseLeftAlignmentOnEditing(source->UseLeftAlignmentOnEditing());
    FDefaultValuesProvider = source->FDefaultValuesProvider;
    SetAlignment(source->GetAlignment());
    FAssignedValues->SetReadOnly(false);
    if (source->FAssignedValues->ReadOnly()) SetReadOnly(source->GetReadOnly());
    FImmediatePost = source->FImmediatePost;
    FUseMouseWheel = source->FUseMouseWheel;
    FValidateOnEnter = source->FValidateOnEnter;
    OnButtonClick = source->OnButtonClick;
    OnChange = source->OnChange;
    OnEditValueChanged = source->OnEditValueChanged;
    OnValidate = source->OnValidate;
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TcxCustomEditProperties::RestoreDefaultAlignment(TObject*) {
  FStoredAlignment->Assign(FAlignment);
  Changed();
}

void TcxCustomEditProperties::SetAlignment(TcxEditAlignment* Value) {
  FStoredAlignment->Assign(Value);
  Changed();
}

void TcxCustomEditProperties::AlignmentChanged(TObject*) { Changed(); }

void TcxCustomEditProperties::ComponentFreeNotification(TComponent*) {}

TAlignment TcxCustomEditProperties::GetDefaultHorzAlignment() {
  if (FDefaultValuesProvider) return FDefaultValuesProvider->GetDefaultAlignment();
  return FAlignment->Horz();
}

String TcxCustomEditProperties::GetValidationErrorText() { return TranslateString(cxSEditInvalidValue); }

bool TcxCustomEditProperties::HasDataDisplayFormat(bool AIsEditing) {
  uint8_t options = GetDisplayFormatOptions();
  if (AIsEditing || !(options & cxEditDisplayFormatApplies) || !FDefaultValuesProvider) return false;
  return FDefaultValuesProvider->HasDisplayFormat(!(options & cxEditDisplayFormatWhileEditing));
}

void TcxCustomEditProperties::Changed() {
  if (IsChangedLocked()) return;
  if (IsOwnerDestroying()) return;
  if (OnPropertiesChanged) OnPropertiesChanged(this);
}

bool TcxCustomEditProperties::AreEditValuesEqual(const Variant& AEditValue1, const Variant& AEditValue2) {
  Variant display1, display2;
  ConvertToDisplayValue(AEditValue1, display1, false);
  ConvertToDisplayValue(AEditValue2, display2, false);
  return display1 == display2;
}

TcxCustomEditViewData* TcxCustomEditProperties::CreateViewData(TcxCustomEditStyle* AStyle, bool AIsInplace) {
  TcxCustomEditViewDataClass cls = GetViewDataClass();
  return cls.Create ? cls.Create(this, AStyle, AIsInplace) : nullptr;
}

WideString TcxCustomEditProperties::GetDisplayText(const Variant&, bool, bool) { return WideString(); }

uint32_t TcxCustomEditProperties::GetSupportedOperations() { return FButtons->Count() > 0 ? 16u : 0u; }

bool TcxCustomEditProperties::IsEditValueValid(Variant&, bool) { return true; }

void TcxCustomEditProperties::ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool) {
  ADisplayValue = AEditValue;
}

void TcxCustomEditProperties::RestoreDefaults() {
  FStoredAlignment->Reset();
  BeginUpdate();
  try {
    FAssignedValues->RestoreDefaults();
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TcxCustomEditProperties::CopyExtraDataTo(TcxCustomEditProperties*) {}

void TcxCustomEditProperties::CheckDisplayValue(Variant& ADisplayValue, String& AErrorText,
                                                IcxEditValidationSite* AEdit, bool& AError) {
  if (!NeedsDisplayValueValidation()) return;
  if (AErrorText.empty()) AErrorText = GetValidationErrorText();
  bool modified = false;
  DoValidate(ADisplayValue, AErrorText, modified, AEdit, AError);
}

int32_t TcxCustomEditProperties::GetEditValueSource(bool) const { return 0; }

void TcxCustomEditProperties::EndUpdate(bool AInvokeChanged) {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0 && AInvokeChanged) Changed();
}

void TcxCustomEditProperties::SetDefaultValuesProvider(IcxEditDefaultValuesProvider* AProvider) {
  FDefaultValuesProvider = AProvider;
  if (IsOwnerEditControl()) Changed();
}

bool TcxCustomEditProperties::CanModify() {
  if (FAssignedValues->ReadOnly() && !FReadOnlyValue) return true;
  if (!GetReadOnly() && FDefaultValuesProvider) return FDefaultValuesProvider->GetDefaultCanModify();
  return !GetReadOnly();
}

bool TcxCustomEditProperties::UsesDataDisplayFormat() {
  uint8_t options = GetDisplayFormatOptions();
  return (options & cxEditDisplayFormatApplies) && GetEditValueSource(true) == 0 && GetEditValueSource(false) == 1 &&
         FDefaultValuesProvider &&
         FDefaultValuesProvider->HasDisplayFormat(!(options & cxEditDisplayFormatWhileEditing));
}

// Without an editor (a host checking a value on its own) the handlers of these properties fire with no
// Sender, and a rejected value keeps the text it had, as there is no shown text to go back to.
void TcxCustomEditProperties::DoValidate(Variant& ADisplayValue, String& AErrorText, bool& ADisplayValueModified,
                                         IcxEditValidationSite* AEdit, bool& AError) {
  ADisplayValueModified = false;
  TcxCustomEditProperties* own = AEdit ? AEdit->GetOwnProperties() : this;
  if (!own) own = this;
  TcxCustomEditProperties* item = AEdit ? AEdit->GetRepositoryItemProperties() : nullptr;
  bool ownHandler = own->OnValidate.Assigned();
  bool itemHandler = item && item->OnValidate.Assigned();
  if (!ownHandler && !itemHandler) return;
  Variant before = ADisplayValue;
  TObject* sender = AEdit ? AEdit->GetValidationSender() : nullptr;
  if (ownHandler) own->OnValidate(sender, ADisplayValue, AErrorText, AError);
  if (item && item->OnValidate.Assigned()) item->OnValidate(sender, ADisplayValue, AErrorText, AError);
  if (!AError) return;
  ADisplayValueModified = VarToStr(ADisplayValue) != VarToStr(before);
  if (!ADisplayValueModified && AEdit) ADisplayValue = Variant(AEdit->GetCurrentDisplayText());
}

TcxEditAlignment* TcxCustomEditProperties::GetAlignment() {
  FAlignment->OnChanged = nullptr;
  FAlignment->Assign(FStoredAlignment);
  if (!(IsAlignmentStored() && IsOwnerWriting()) && !FStoredAlignment->IsHorzAssigned())
    FAlignment->FHorz = GetDefaultHorzAlignment();
  FAlignment->OnChanged = TNotifyEvent(this, &TcxCustomEditProperties::RestoreDefaultAlignment);
  return FAlignment;
}

bool TcxCustomEditProperties::IsAlignmentStored() const {
  return FStoredAlignment->IsHorzAssigned() || FStoredAlignment->Vert() != taTopJustify;
}

void TcxCustomEditProperties::SetAutoSelect(bool Value) {
  if (FAutoSelect == Value) return;
  FAutoSelect = Value;
  Changed();
}

void TcxCustomEditProperties::SetButtonsViewStyle(TcxEditButtonsViewStyle Value) {
  if (FButtonsViewStyle == Value) return;
  FButtonsViewStyle = Value;
  Changed();
}

bool TcxCustomEditProperties::GetReadOnly() {
  if (FAssignedValues->ReadOnly()) return FReadOnlyValue;
  return FDefaultValuesProvider ? FDefaultValuesProvider->GetDefaultReadOnly() : false;
}

void TcxCustomEditProperties::SetReadOnly(bool Value) {
  if (FAssignedValues->ReadOnly() && FReadOnlyValue == Value) return;
  // One notification for the flag and the value together.
  BeginUpdate();
  FReadOnlyValue = Value;
  FAssignedValues->SetReadOnly(true);
  EndUpdate(true);
}

void TcxCustomEditProperties::SetUseLeftAlignmentOnEditing(bool Value) {
  if (FUseLeftAlignmentOnEditing == Value) return;
  FUseLeftAlignmentOnEditing = Value;
  Changed();
}
