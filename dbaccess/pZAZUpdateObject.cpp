#include "dbaccess/pZAZUpdateObject.h"

#include <algorithm>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/StrUtil.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

// --- TpZAZUpdateObject -------------------------------------------------------------------------------------

// Parameter checking is on from the statement's own default.
TpZAZUpdateObject::TpZAZUpdateObject(TComponent* AOwner) : TpZAZQuery(AOwner) {}

TpZAZUpdateObject::~TpZAZUpdateObject() {
  if (FHost) FHost->RemoveUpdateObject(this);
}

void TpZAZUpdateObject::SetDataSet(TComponent* value) {
  auto* host = dynamic_cast<IUpdateObjectHost*>(value);
  if (value && !host) throw Exception(Format("%s is not TpZAZDataSet", {value->Name()}));
  if (value == FDataSet) return;
  if (FHost) FHost->RemoveUpdateObject(this);
  if (FDataSet) FDataSet->RemoveFreeNotification(this);
  FDataSet = value;
  FHost = host;
  if (!host) return;
  host->AddUpdateObject(this);
  value->FreeNotification(this);
  if (!Database()) SetDatabase(host->UpdateObjectDatabase());
  if (!Transaction()) SetTransaction(host->UpdateObjectTransaction());
}

void TpZAZUpdateObject::SetOrderInList(int32_t value) {
  FOrderInList = value;
  if (FHost) FHost->AddUpdateObject(this);
}

void TpZAZUpdateObject::SetKindUpdate(TUpdateKind value) {
  if (value == FKindUpdate) return;
  if (!FHost) {
    FKindUpdate = value;
    return;
  }
  FHost->RemoveUpdateObject(this);
  FKindUpdate = value;
  FHost->AddUpdateObject(this);
}

void TpZAZUpdateObject::Notification(TComponent* component, TOperation operation) {
  TpZAZQuery::Notification(component, operation);
  if (operation == opRemove && component == FDataSet) {
    // The dataset is being freed but still whole: its lists must not keep this object, which it may
    // free next as one of its components.
    if (FHost) FHost->RemoveUpdateObject(this);
    FDataSet = nullptr;
    FHost = nullptr;
  }
}

void TpZAZUpdateObject::DetachFromDataSet() {
  if (FDataSet) FDataSet->RemoveFreeNotification(this);
  FDataSet = nullptr;
  FHost = nullptr;
}

bool TpZAZUpdateObject::Runnable() const {
  return FActive && !StringsAreBlank(SQL()) && SQL()->Strings(0) != "No Action";
}

void TpZAZUpdateObject::Execute(ISQLObject* source, bool startTransaction) {
  TFIBTransaction* tr = Transaction();
  if (tr && !tr->InTransaction() && startTransaction) tr->StartTransaction();
  if (!Prepared()) Prepare();
  AssignSQLObjectParams(this, {source});
  if (Open()) CloseCursor();
  ExecQuery();
  if (Open()) CloseCursor();
}

// --- TUpdateObjectLists ------------------------------------------------------------------------------------

TUpdateObjectLists::~TUpdateObjectLists() {
  for (auto& list : FLists) {
    const std::vector<TpZAZUpdateObject*> objects = list;
    list.clear();
    for (TpZAZUpdateObject* object : objects) object->DetachFromDataSet();
  }
}

void TUpdateObjectLists::Add(TpZAZUpdateObject* object) {
  for (auto& list : FLists) list.erase(std::remove(list.begin(), list.end(), object), list.end());
  auto& list = FLists[object->KindUpdate()];
  const auto at = static_cast<size_t>(std::clamp<int32_t>(object->OrderInList(), 0, static_cast<int32_t>(list.size())));
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), object);
  for (size_t i = 0; i < list.size(); ++i) list[i]->StoreOrderInList(static_cast<int32_t>(i));
}

void TUpdateObjectLists::Remove(TpZAZUpdateObject* object) {
  for (auto& list : FLists) {
    const auto it = std::find(list.begin(), list.end(), object);
    if (it == list.end()) continue;
    list.erase(it);
    for (size_t i = 0; i < list.size(); ++i) list[i]->StoreOrderInList(static_cast<int32_t>(i));
  }
}

bool TUpdateObjectLists::HasActive(TUpdateKind kind) const {
  return std::any_of(FLists[kind].begin(), FLists[kind].end(), [](TpZAZUpdateObject* o) { return o->Active(); });
}

void TUpdateObjectLists::Execute(TUpdateKind kind, TFIBOrderExecUO order, ISQLObject* source,
                                 bool startTransaction) const {
  // A copy: an object's event may attach or detach objects while the list runs.
  const std::vector<TpZAZUpdateObject*> objects = FLists[kind];
  for (TpZAZUpdateObject* object : objects)
    if (object->ExecuteOrder() == order && object->Runnable()) object->Execute(source, startTransaction);
}
