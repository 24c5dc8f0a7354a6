// Raw field reads shared by the statements and the datasets.

#include "dbaccess/FIBMiscellaneous.h"
#include "db/DB.h"
#include "rtl/FMTBcd.h"
#include "rtl/Variants.h"

namespace {

// The temporary states are the dataset's own business; this reader borrows them the way a friend would.
struct DataSetStates : TDataSet {
  static TDataSetState Enter(TDataSet* ds, TDataSetState state) {
    return (ds->*&DataSetStates::SetTempState)(state);
  }
  static void Leave(TDataSet* ds, TDataSetState saved) { (ds->*&DataSetStates::RestoreState)(saved); }
};

}  // namespace

bool GetFieldBuffer(TField* field, bool old, void* buffer) {
  TDataSet* ds = field->DataSet();
  if (!old || ds->State() == dsOldValue) return ds->GetFieldData(field, buffer);
  const TDataSetState saved = DataSetStates::Enter(ds, dsOldValue);
  try {
    const bool result = ds->GetFieldData(field, buffer);
    DataSetStates::Leave(ds, saved);
    return result;
  } catch (...) {
    DataSetStates::Leave(ds, saved);
    throw;
  }
}

Variant GetBcdFieldVariant(TField* field, bool old) {
  TBcd bcd{};
  if (!GetFieldBuffer(field, old, &bcd)) return Variant::Null();
  return Variant(BcdToStr(bcd));
}
