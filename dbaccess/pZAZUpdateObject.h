#pragma once
// Update objects: extra statements attached to an extended dataset, run when it posts or deletes a record,
// before or after the dataset's own statement, in the order of their OrderInList within their kind.
//
// The objects talk to their dataset through IUpdateObjectHost, so that this library does not depend on the
// datasets library; the extended dataset implements it and keeps its objects in a TUpdateObjectLists.

#include <array>
#include <cstdint>
#include <vector>

#include "db/DB.h"
#include "dbaccess/pZAZQuery.h"

class TpZAZUpdateObject;

enum TFIBOrderExecUO : uint8_t { oeBeforeDefault, oeAfterDefault };

class IUpdateObjectHost {
public:
  // Inserts the object into the list of its kind at its OrderInList (moving it when listed) and renumbers.
  virtual void AddUpdateObject(TpZAZUpdateObject* object) = 0;
  virtual void RemoveUpdateObject(TpZAZUpdateObject* object) = 0;
  // What an attached object without its own connection takes.
  virtual TFIBDatabase* UpdateObjectDatabase() = 0;
  virtual TFIBTransaction* UpdateObjectTransaction() = 0;

protected:
  ~IUpdateObjectHost() = default;
};

class TpZAZUpdateObject : public TpZAZQuery {
  RTL_CLASS(TpZAZUpdateObject, TpZAZQuery)
public:
  explicit TpZAZUpdateObject(TComponent* AOwner);
  ~TpZAZUpdateObject() override;

  TComponent* DataSet() const { return FDataSet; }
  // Only an extended dataset is accepted: "%s is not TpZAZDataSet" otherwise.
  void SetDataSet(TComponent* value);
  int32_t OrderInList() const { return FOrderInList; }
  void SetOrderInList(int32_t value);
  // Stores the place without moving the object; the dataset's renumbering uses it.
  void StoreOrderInList(int32_t value) { FOrderInList = value; }
  TUpdateKind KindUpdate() const { return FKindUpdate; }
  void SetKindUpdate(TUpdateKind value);
  bool Active() const { return FActive; }
  void SetActive(bool value) { FActive = value; }
  TFIBOrderExecUO ExecuteOrder() const { return FExecuteOrder; }
  void SetExecuteOrder(TFIBOrderExecUO value) { FExecuteOrder = value; }

  // Whether Execute would run the statement: active and a text whose first line is not "No Action".
  bool Runnable() const;
  // Starts the transaction when needed, takes the parameters from the source and executes.
  void Execute(ISQLObject* source, bool startTransaction);
  // The dataset is going away: forget it without calling back into it.
  void DetachFromDataSet();

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TComponent* FDataSet = nullptr;
  IUpdateObjectHost* FHost = nullptr;
  int32_t FOrderInList = 0;
  TUpdateKind FKindUpdate = ukModify;
  bool FActive = true;
  TFIBOrderExecUO FExecuteOrder = oeBeforeDefault;
};

// The update objects of one dataset, one list per kind. Destroying the lists detaches every object.
class TUpdateObjectLists {
public:
  TUpdateObjectLists() = default;
  TUpdateObjectLists(const TUpdateObjectLists&) = delete;
  TUpdateObjectLists& operator=(const TUpdateObjectLists&) = delete;
  ~TUpdateObjectLists();

  void Add(TpZAZUpdateObject* object);
  void Remove(TpZAZUpdateObject* object);
  const std::vector<TpZAZUpdateObject*>& Items(TUpdateKind kind) const { return FLists[kind]; }
  bool HasActive(TUpdateKind kind) const;
  // Runs, in list order, the runnable objects of the kind with the given execute order.
  void Execute(TUpdateKind kind, TFIBOrderExecUO order, ISQLObject* source, bool startTransaction) const;

private:
  std::array<std::vector<TpZAZUpdateObject*>, 3> FLists;
};
