// The field classes of the SQL dataset that carry more than their platform ancestors: wide text of memo
// fields, array fields and GUID fields, and the old-value helpers of the generated modifying statements.
#include "datasets/ZAZDataSet.h"

#include <cstring>

#include "rtl/FMTBcd.h"
#include "rtl/Utf8.h"
#include "rtl/Variants.h"

// --- memo fields -------------------------------------------------------------------------------------------

int32_t TFIBMemoField::QueryInterface(const TGUID& iid, void** obj) {
  if (void* p = InterfaceByIID(iid)) {
    *obj = p;
    return RTL_S_OK;
  }
  *obj = nullptr;
  return RTL_E_NOINTERFACE;
}

WideString TFIBMemoField::WideValue() { return Utf8ToUtf16(AsString()); }
void TFIBMemoField::SetWideValue(const WideString& value) { SetAsString(Utf16ToUtf8(value)); }
WideString TFIBMemoField::WideDisplayText() { return Utf8ToUtf16(DisplayText()); }
WideString TFIBMemoField::WideEditText() { return Utf8ToUtf16(Text()); }
void TFIBMemoField::SetWideEditText(const WideString& value) { SetText(Utf16ToUtf8(value)); }

// --- array fields ------------------------------------------------------------------------------------------

uint64_t TFIBArrayField::ArrayId() const {
  // The field's data is exactly the 8-byte identifier; a wider field would not be an array column.
  if (DataSize() != static_cast<int32_t>(sizeof(uint64_t))) return 0;
  uint64_t id = 0;
  if (!const_cast<TFIBArrayField*>(this)->GetData(&id)) return 0;
  return id;
}

void TFIBArrayField::KeepArrayId() { FOldArrayId = ArrayId(); }

String TFIBArrayField::GetAsString() const { return IsNull() ? String("(Array)") : String("(ARRAY)"); }

void TFIBArrayField::GetText(String& text, bool) const { text = GetAsString(); }

Variant TFIBArrayField::GetAsVariant() const {
  Variant values;
  if (auto* ds = dynamic_cast<TFIBCustomDataSet*>(DataSet()))
    ds->GetArrayFieldValues(const_cast<TFIBArrayField*>(this), values);
  return values;
}

void TFIBArrayField::SetVarValue(const Variant& value) {
  if (auto* ds = dynamic_cast<TFIBCustomDataSet*>(DataSet())) ds->SetArrayFieldValues(this, value);
}

void TFIBCustomDataSet::KeepArrayIdentifiers() {
  for (int32_t i = 0; i < FieldCount(); ++i)
    if (auto* f = dynamic_cast<TFIBArrayField*>(Fields()->Fields(i))) f->KeepArrayId();
}

// --- GUID fields -------------------------------------------------------------------------------------------

TGUID TFIBGuidField::GetGuidValue() const { return IsNull() ? GUID_NULL : AsGuid(); }

void TFIBGuidField::SetGuidValue(const TGUID& value) {
  if (value == GUID_NULL) Clear();
  else SetAsGuid(value);
}

// --- old values --------------------------------------------------------------------------------------------

int64_t OldLargeintValue(TField* field) {
  if (!field || (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc)) return 0;
  const Variant old = field->OldValue();
  if (VarIsNull(old) || VarIsEmpty(old)) return 0;
  return VarAsType(old, varInt64).AsInt64();
}

bool BCDValueChanged(TField* field) {
  if (!field) return false;
  const Variant old = field->OldValue();
  const bool oldNull = VarIsNull(old) || VarIsEmpty(old);
  if (field->IsNull() != oldNull) return true;
  if (oldNull) return false;
  // Exact decimal comparison: 1.10 and 1.1 are the same value.
  return BcdCompare(field->AsBCD(), VarToBcd(old)) != 0;
}
