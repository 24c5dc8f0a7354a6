#pragma once
// The dataset that forms use: on top of the SQL dataset it writes its own modifying statements from
// AutoUpdateOptions, takes key values from a generator for new records and gives its fields the display
// formats of DefaultFormats.

#include "datasets/ZAZDataSet.h"
#include "dbaccess/pZAZUpdateObject.h"

class TAutoUpdateOptions;
class TFormatFields;

enum TpZAZStatementKind : uint8_t { skUpdate, skInsert, skDelete, skRefresh };

class TpZAZDataSet : public TFIBDataSet, public IUpdateObjectHost {
  RTL_CLASS(TpZAZDataSet, TFIBDataSet)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZDataSet(TComponent* AOwner);
  ~TpZAZDataSet() override;
  void AfterConstruction() override;

  TAutoUpdateOptions* AutoUpdateOptions() const { return FAutoUpdateOptions; }
  TFormatFields* DefaultFormats() const { return FDefaultFormats; }

  void Prepare() override;
  // The statement of the kind for the update table, as generated from the select's columns; "No Action"
  // for an update or insert without columns, empty without a table.
  String GenerateSQLText(TpZAZStatementKind kind);
  // Takes the key field's value from the generator (when it is numeric and null).
  void AssignGeneratorValue();

  // --- Update objects and cached updates (ZAZDataSetCached.cpp) ---
  void AddUpdateObject(TpZAZUpdateObject* object) override;
  void RemoveUpdateObject(TpZAZUpdateObject* object) override;
  TFIBDatabase* UpdateObjectDatabase() override { return Database(); }
  TFIBTransaction* UpdateObjectTransaction() override { return Transaction(); }
  const TUpdateObjectLists& UpdateObjects() const { return FUpdateObjects; }
  // The update or insert statement of the current record with AutoUpdateOptions' UpdateOnlyModifiedFields:
  // only the fields whose value differs from the old one, or only the non-null fields; "No Action" when
  // there are none.
  String GenerateModifiedFieldsSQL(TpZAZStatementKind kind);

protected:
  void InitNewRecordValues() override;
  void ApplyFieldSettings() override;
  void DeleteOnServer() override;
  // Update objects around the dataset's own statement; with UpdateOnlyModifiedFields the statement is
  // written for the record first.
  void PostOnServer(bool inserting) override;
  bool CanEdit() const override;
  bool CanInsert() const override;
  bool CanDelete() const override;
  void RunUpdateObjects(TUpdateKind kind, TFIBOrderExecUO order);

private:
  struct TUpdateColumn {
    String Column;
    String FieldName;
  };
  std::vector<TUpdateColumn> UpdateColumns();
  String KeyCondition();
  void GenerateStatements();

  TAutoUpdateOptions* FAutoUpdateOptions = nullptr;
  TFormatFields* FDefaultFormats = nullptr;
  String FGeneratedFor;  // the select text the stored statements were generated for
  bool AllowedBeyondStatements(TUpdateKind kind) const;
  TUpdateObjectLists FUpdateObjects;
};
