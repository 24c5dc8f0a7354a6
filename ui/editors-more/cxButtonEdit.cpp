// The button edit.

#include "ui/editors-more/cxButtonEdit.h"

#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxEditConsts.h"

RTL_PUBLISHED(TcxButtonEditProperties) {
  prop("Alignment", &TcxButtonEditProperties::GetAlignment, &TcxButtonEditProperties::SetAlignment)
      .Stored(&TcxButtonEditProperties::IsAlignmentStored);
  prop("AssignedValues", &TcxButtonEditProperties::AssignedValues, &TcxButtonEditProperties::SetAssignedValues);
  prop("AutoSelect", &TcxButtonEditProperties::AutoSelect, &TcxButtonEditProperties::SetAutoSelect).Default(true);
  prop("BeepOnError", &TcxButtonEditProperties::BeepOnError, &TcxButtonEditProperties::SetBeepOnError)
      .Default(false);
  prop("Buttons", &TcxButtonEditProperties::Buttons, &TcxButtonEditProperties::SetButtons);
  prop("CaseInsensitive", &TcxButtonEditProperties::CaseInsensitive, &TcxButtonEditProperties::SetCaseInsensitive)
      .Default(true);
  prop("CharCase", &TcxButtonEditProperties::CharCase, &TcxButtonEditProperties::SetCharCase).Default(ecNormal);
  prop("ClickKey", &TcxButtonEditProperties::ClickKey, &TcxButtonEditProperties::SetClickKey)
      .Default(cxEditDefaultClickKey);
  prop("EchoMode", &TcxButtonEditProperties::EchoMode, &TcxButtonEditProperties::SetEchoMode).Default(eemNormal);
  prop("HideCursor", &TcxButtonEditProperties::HideCursor, &TcxButtonEditProperties::SetHideCursor).Stored(false);
  prop("HideSelection", &TcxButtonEditProperties::HideSelection, &TcxButtonEditProperties::SetHideSelection)
      .Default(true);
  prop("IgnoreMaskBlank", &TcxButtonEditProperties::IgnoreMaskBlank, &TcxButtonEditProperties::SetIgnoreMaskBlank)
      .Default(false);
  prop("ImeMode", &TcxButtonEditProperties::ImeMode, &TcxButtonEditProperties::SetImeMode).Default(imDontCare);
  prop("ImeName", &TcxButtonEditProperties::ImeName, &TcxButtonEditProperties::SetImeName);
  prop("LookupItems", &TcxButtonEditProperties::LookupItems, &TcxButtonEditProperties::SetLookupItems);
  prop("LookupItemsSorted", &TcxButtonEditProperties::LookupItemsSorted,
       &TcxButtonEditProperties::SetLookupItemsSorted)
      .Default(false);
  prop("MaskKind", &TcxButtonEditProperties::MaskKind, &TcxButtonEditProperties::SetMaskKind).Default(emkStandard);
  prop("EditMask", &TcxButtonEditProperties::EditMask, &TcxButtonEditProperties::SetEditMask);
  prop("MaxLength", &TcxButtonEditProperties::MaxLength, &TcxButtonEditProperties::SetMaxLength)
      .NoDefault()
      .Stored(&TcxButtonEditProperties::IsMaxLengthStored);
  prop("OEMConvert", &TcxButtonEditProperties::OEMConvert, &TcxButtonEditProperties::SetOEMConvert).Default(false);
  prop("PasswordChar", &TcxButtonEditProperties::PasswordChar, &TcxButtonEditProperties::SetPasswordChar)
      .Default(char(0));
  prop("ReadOnly", &TcxButtonEditProperties::GetReadOnly, &TcxButtonEditProperties::SetReadOnly)
      .Stored(&TcxButtonEditProperties::IsReadOnlyStored);
  prop("UseLeftAlignmentOnEditing", &TcxButtonEditProperties::UseLeftAlignmentOnEditing,
       &TcxButtonEditProperties::SetUseLeftAlignmentOnEditing)
      .Stored(&TcxButtonEditProperties::IsUseLeftAlignmentOnEditingStored);
  prop("ValidateOnEnter", &TcxButtonEditProperties::ValidateOnEnter, &TcxButtonEditProperties::SetValidateOnEnter)
      .Default(true);
  prop("ViewStyle", &TcxButtonEditProperties::ViewStyle, &TcxButtonEditProperties::SetViewStyle).Default(vsNormal);
  event("OnButtonClick", &TcxButtonEditProperties::OnButtonClick, &TcxButtonEditProperties::OnButtonClick);
  event("OnChange", &TcxButtonEditProperties::OnChange, &TcxButtonEditProperties::OnChange);
  event("OnEditValueChanged", &TcxButtonEditProperties::OnEditValueChanged,
        &TcxButtonEditProperties::OnEditValueChanged);
  event("OnNewLookupDisplayText", &TcxButtonEditProperties::OnNewLookupDisplayText,
        &TcxButtonEditProperties::OnNewLookupDisplayText);
  event("OnValidate", &TcxButtonEditProperties::OnValidate, &TcxButtonEditProperties::OnValidate);
}

void TcxCustomButtonEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  Buttons()->Add()->SetKind(bkEllipsis);
}

TClass TcxCustomButtonEditProperties::GetContainerClass() const { return TcxButtonEdit::StaticClass(); }

RTL_PUBLISHED(TcxButtonEdit) {
  prop("AutoSize", &TcxButtonEdit::AutoSize, &TcxButtonEdit::SetAutoSize).Default(true);
  prop("BeepOnEnter", &TcxButtonEdit::BeepOnEnter, &TcxButtonEdit::SetBeepOnEnter).Default(true);
  prop("Properties", &TcxButtonEdit::Properties, &TcxButtonEdit::SetProperties);
  prop("Style", &TcxButtonEdit::Style, &TcxButtonEdit::SetStyle);
  prop("StyleDisabled", &TcxButtonEdit::StyleDisabled, &TcxButtonEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxButtonEdit::StyleFocused, &TcxButtonEdit::SetStyleFocused);
  prop("StyleHot", &TcxButtonEdit::StyleHot, &TcxButtonEdit::SetStyleHot);
  prop("Text", &TcxButtonEdit::Text, &TcxButtonEdit::SetText).Stored(false);
  event("OnEditing", &TcxButtonEdit::OnEditing, &TcxButtonEdit::OnEditing);
  // The control's own enter and leave events (Sender, and the control the mouse entered or left: the
  // editor or its inner edit).
  event("OnMouseEnter", &TcxButtonEdit::OnMouseEnterControl, &TcxButtonEdit::OnMouseEnterControl);
  event("OnMouseLeave", &TcxButtonEdit::OnMouseLeaveControl, &TcxButtonEdit::OnMouseLeaveControl);
}

void TcxButtonEdit::ReadState(TReader* Reader) {
  if (!FIsFirstReadDone) {
    Properties()->Buttons()->Clear();
    GetActiveProperties()->Buttons()->Clear();
    FIsFirstReadDone = true;
  }
  inherited::ReadState(Reader);
}

void cxButtonEditInitialize() {
  cxMaskEditInitialize();
  GetRegisteredEditProperties()->Register(TcxButtonEditProperties::StaticClass(), cxSEditRepositoryButtonItem);
  RegisterClasses({TcxButtonEdit::StaticClass()});
}
