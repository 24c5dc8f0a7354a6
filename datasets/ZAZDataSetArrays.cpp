// Array fields of the SQL dataset: the field's data is the column's array identifier; the elements move
// through the column's array accessor as one slice.
#include "datasets/ZAZDataSet.h"

#include "dbaccess/FIBArray.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/ZAZQuery.h"

namespace {

// The select column behind an array field, or nullptr.
TFIBXSQLVAR* ArrayColumnOf(TFIBQuery* select, TField* field) {
  if (!select || !field || field->FieldNo() <= 0 || field->FieldNo() > select->GetFieldCount()) return nullptr;
  TFIBXSQLVAR* v = select->Fields(field->FieldNo() - 1);
  return v->GetSQLType() == SQLTypeArray ? v : nullptr;
}

// The field's array identifier; zeros when the field has none.
fbapi::ISC_QUAD ArrayIdOf(TField* field) {
  fbapi::ISC_QUAD id{};
  if (!field->GetData(&id)) id = fbapi::ISC_QUAD{};
  return id;
}

}  // namespace

void TFIBCustomDataSet::GetArrayFieldValues(TField* field, Variant& values) {
  values = false;
  TFIBXSQLVAR* column = ArrayColumnOf(FSelect, field);
  if (!column || !Database() || !Transaction()) return;
  TpZAZArray* accessor =
      New<TpZAZArray>(Database()->ClientLibrary(), column->GetXSQLVAR(), Database()->HandleAddress(),
                      Transaction()->HandleAddress(), column->GetRelationName(), column->GetSQLName());
  try {
    accessor->ReadSlice(ArrayIdOf(field), values, Database()->HandleAddress(), Transaction()->HandleAddress());
  } catch (...) {
    accessor->Free();
    throw;
  }
  accessor->Free();
}

void TFIBCustomDataSet::SetArrayFieldValues(TField* field, const Variant& values) {
  if (!field || (State() != dsEdit && State() != dsInsert)) return;
  if (VarIsNull(values) || VarIsEmpty(values)) {
    field->Clear();
    return;
  }
  TFIBXSQLVAR* column = ArrayColumnOf(FSelect, field);
  if (!column || !Database()) return;
  StartUpdateTransaction();
  EnsureUpdateTransactionActive();
  TFIBTransaction* tr = UpdateTransaction();
  TpZAZArray* accessor =
      New<TpZAZArray>(Database()->ClientLibrary(), column->GetXSQLVAR(), Database()->HandleAddress(),
                      tr->HandleAddress(), column->GetRelationName(), column->GetSQLName());
  fbapi::ISC_QUAD id{};
  try {
    accessor->PutValues(values, id, Database()->HandleAddress(), tr->HandleAddress());
  } catch (...) {
    accessor->Free();
    throw;
  }
  accessor->Free();
  field->SetData(&id);
}

void TFIBCustomDataSet::AssignArrayParams(TFIBQuery* query) {
  TFIBXSQLDA* params = query->Params();
  for (int32_t i = 0; i < params->Count(); ++i) {
    TFIBXSQLVAR* p = params->GetVar(i);
    TField* f = NewValueParamField(p);
    if (!ArrayColumnOf(FSelect, f)) continue;
    // The field's raw value may have retyped the parameter; an identifier goes to the server as an array.
    p->DescribedType = SQLTypeArray;
    if (f->IsNull()) p->SetIsNull(true);
    else p->SetAsQuad(ArrayIdOf(f));
  }
}
