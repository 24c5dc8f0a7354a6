// The text editor control (joins once the editor core is in).
#include "ui/editors/cxTextEdit.h"

TClass TcxCustomTextEditProperties::GetContainerClass() const { return nullptr; }
void TcxCustomTextEditProperties::ValidateValueBounds(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                      TcxCustomEdit*) {
  Variant value = ADisplayValue;
  if (!VarIsNumeric(value) && VarType(value) != varDate) return;
  double v = value.AsDouble();
  if ((HasValueBound(0) && v < MinValue()) || (HasValueBound(1) && v > MaxValue())) {
    AError = true;
    AErrorText = GetOutOfBoundsErrorText();
  }
}
void TcxCustomTextEditProperties::CheckDisplayValue(Variant& ADisplayValue, String& AErrorText,
                                                    IcxEditValidationSite* AEdit, bool& AError) {
  if (SupportsValueBounds() && HasValueBounds()) ValidateValueBounds(ADisplayValue, AErrorText, AError, nullptr);
  inherited::CheckDisplayValue(ADisplayValue, AErrorText, AEdit, AError);
}
void TcxCustomTextEditProperties::ResolveEditFormat(bool& AIsCurrency, bool& AFormatFromData, String& AFormat,
                                                    TcxCustomEdit* AEdit) {
  AIsCurrency = false;
  AFormatFromData = false;
  AFormat.clear();
  if (AssignedValues()->EditFormat()) {
    AFormat = FEditFormat;
    return;
  }
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  bool inplace = AEdit && false;
  if ((!AEdit || !inplace) && provider && provider->HasDisplayFormatWithoutPattern()) {
    AFormatFromData = true;
    return;
  }
  if (provider) {
    String format = provider->GetDefaultEditFormat();
    if (!format.empty()) {
      AFormat = format;
      return;
    }
  }
  if (AssignedValues()->DisplayFormat()) {
    AFormat = DisplayFormat();
  } else if (provider) {
    AFormat = provider->GetDefaultDisplayFormat();
    if (AFormat.empty() && !(GetDisplayFormatOptions() & cxEditDisplayFormatWhileEditing))
      AIsCurrency = provider->IsCurrencyData();
  }
  if (!FUseDisplayFormatWhenEditing) AFormat.clear();
}

bool TcxCustomTextEditViewData::IsInnerEditUsed() { return false; }
bool TcxCustomTextEditViewData::IsFocusedForText() { return Focused; }
bool TcxCustomTextEditViewData::IsPopupWindowOpen() { return false; }
