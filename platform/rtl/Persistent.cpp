#include "rtl/Persistent.h"

void TPersistent::Assign(TPersistent* source) {
  if (source)
    source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* source) {
  String sourceName = source ? source->ClassName() : String("nil");
  throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler*) {}

TPersistent* TPersistent::GetOwner() { return nullptr; }

String TPersistent::GetNamePath() {
  String result = ClassName();
  if (TPersistent* owner = GetOwner()) {
    String ownerPath = owner->GetNamePath();
    if (!ownerPath.empty()) result = ownerPath + "." + result;
  }
  return result;
}
