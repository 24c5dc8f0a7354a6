#include "db/DBDataSetKinds.h"

#include "rtl/SysUtils.h"

bool IsQueryDataSetClass(TClass AClass) {
  if (!AClass) return false;
  return AnsiUpperCase(AClass->ClassName()).find("QUERY") != String::npos;
}

bool IsQueryDataSet(const TDataSet* ADataSet) { return ADataSet && IsQueryDataSetClass(ADataSet->ClassType()); }

TParams* DataSetDetailParams(const TDataSet* ADataSet) { return ADataSet ? ADataSet->GetDetailParams() : nullptr; }
