#include "db/DBProvider.h"

IProviderSupport* GetProviderSupport(TDataSet* dataSet) { return dynamic_cast<IProviderSupport*>(dataSet); }

String PSDefaultKeyFields(TDataSet* dataSet) {
  String keys;
  if (!dataSet) return keys;
  for (int32_t i = 0; i < dataSet->FieldCount(); ++i) {
    TField* field = dataSet->Fields()->Fields(i);
    if (!field->ProviderFlags().Contains(pfInKey)) continue;
    if (!keys.empty()) keys += ';';
    keys += field->FieldName();
  }
  return keys;
}

EUpdateError PSDefaultUpdateException(const Exception& error, const EUpdateError* previous) {
  if (const auto* update = dynamic_cast<const EUpdateError*>(&error))
    return EUpdateError(update->Message(), update->Context(), update->ErrorCode(), update->PreviousError());
  return EUpdateError(error.Message(), String(), 0, previous ? previous->ErrorCode() : 0);
}
