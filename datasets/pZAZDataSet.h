#pragma once
// The dataset that forms use: on top of the SQL dataset it writes its own modifying statements from
// AutoUpdateOptions, takes key values from a generator for new records and gives its fields the display
// formats of DefaultFormats.

#include "datasets/ZAZDataSet.h"

class TAutoUpdateOptions;
class TFormatFields;

enum TpZAZStatementKind : uint8_t { skUpdate, skInsert, skDelete, skRefresh };

class TpZAZDataSet : public TFIBDataSet {
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

protected:
  void InitNewRecordValues() override;
  void ApplyFieldSettings() override;
  void DeleteOnServer() override;

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
};
