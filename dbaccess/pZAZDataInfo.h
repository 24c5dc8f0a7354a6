#pragma once
// The process-wide metadata cache: per database and table, each column's domain, default value,
// computed flag, WHERE eligibility and character set, and the table's primary key; read from the system
// tables once and kept, optionally saved to a local file and loaded (and validated) on the next start.

#include <cstdint>
#include <vector>

#include "rtl/Components.h"
#include "rtl/System.h"

class TFIBDatabase;
class TFIBTransaction;
class TpZAZTransaction;
class TStream;
class TStringList;
class TMultiReadExclusiveWriteSynchronizer;

class TpZAZFieldInfo : public TObject {
  RTL_CLASS(TpZAZFieldInfo, TObject)
public:
  bool IsComputed = false;
  String DefaultValue;
  bool CanIncToWhereClause = true;
  String DomainName;
  bool DefaultValueEmptyString = false;
  bool WithAdditionalInfo = false;
  String DisplayLabel;
  bool Visible = false;
  String EditFormat;
  String DisplayFormat;
  bool IsTriggered = false;
  std::vector<String> OtherInfo;  // name=value lines
  int32_t DisplayWidth = 0;
  int32_t CharSetID = 0;

  // Whether the domain name holds "BOOLEAN" ("GUID"); the first answer is kept.
  bool IsBoolean();
  bool IsGuid();

private:
  int8_t FCanBeBoolean = -1;
  int8_t FCanBeGuid = -1;
};

class TpZAZTableInfoCollect;

class TpZAZTableInfo : public TObject {
  RTL_CLASS(TpZAZTableInfo, TObject)
public:
  explicit TpZAZTableInfo(TpZAZTableInfoCollect* owner) : FOwner(owner) {}
  ~TpZAZTableInfo() override;

  const String& DBName() const { return FDBName; }
  const String& TableName() const { return FTableName; }
  int32_t FieldCount() const { return static_cast<int32_t>(FFields.size()); }
  const String& FieldName(int32_t i) const { return FFields[static_cast<size_t>(i)].first; }
  TpZAZFieldInfo* FieldInfo(int32_t i) const { return FFields[static_cast<size_t>(i)].second; }
  // The column by name, double quotes removed and trimmed; nil when absent.
  TpZAZFieldInfo* FindFieldInfo(const String& name) const;
  // Key column names joined by ";", read on first request through the given connection.
  String GetPrimaryKeyFields(TFIBDatabase* database);
  int32_t FormatNumber() const { return FFormatNumber; }
  // The highest ZAZ$VERSION of the table's ZAZ$FIELDS_INFO rows; 0 when not read.
  int32_t RepositoryVersion() const { return FRepositoryVersion; }
  bool WithRepositoryInfo() const { return FWithRepositoryInfo; }
  bool NeedsValidation() const { return FNeedsValidation; }

private:
  friend class TpZAZTableInfoCollect;
  void ClearFields();

  TpZAZTableInfoCollect* FOwner;
  String FDBName;
  String FTableName;
  String FPrimaryKeyFields = "@ZAZ_DEFERRED";
  std::vector<std::pair<String, TpZAZFieldInfo*>> FFields;
  int32_t FFormatNumber = 0;
  int32_t FRepositoryVersion = 0;
  bool FWithRepositoryInfo = false;
  bool FNeedsValidation = false;
};

class TpZAZTableInfoCollect : public TComponent {
  RTL_CLASS(TpZAZTableInfoCollect, TComponent)
public:
  explicit TpZAZTableInfoCollect(TComponent* AOwner);
  ~TpZAZTableInfoCollect() override;

  // The table's entry for the connection's database, loaded from the system tables on first use.
  TpZAZTableInfo* GetTableInfo(TFIBDatabase* database, const String& tableName, bool withRepositoryInfo);
  TpZAZFieldInfo* GetFieldInfo(TFIBDatabase* database, const String& tableName, bool withRepositoryInfo,
                               const String& fieldName);
  void Clear();
  void RemoveTable(const String& tableName);
  void RemoveDatabase(TFIBDatabase* database);
  int32_t TableCount() const { return static_cast<int32_t>(FTables.size()); }

  // With no table, an existing file of that name is deleted; errors while writing are ignored.
  void SaveToFile(const String& fileName);
  // Empties the cache and reads the file when it exists; returns whether it existed.
  bool LoadFromFile(const String& fileName);
  void SaveToStream(TStream* stream);
  void LoadFromStream(TStream* stream);
  bool ValidateAfterLoad() const { return FValidateAfterLoad; }
  void SetValidateAfterLoad(bool v) { FValidateAfterLoad = v; }

protected:
  // A connection being freed takes its entries with it.
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TpZAZTableInfo;
  TFIBTransaction* BindTransaction(TFIBDatabase* database);
  void LoadFromServer(TpZAZTableInfo* info, TFIBDatabase* database);
  bool Validate(TpZAZTableInfo* info, TFIBDatabase* database);
  int32_t QueryFormatNumber(TFIBDatabase* database, TFIBTransaction* tr, const String& table);
  // Reads the table's ZAZ$FIELDS_INFO rows and merges them into its columns (for ALIAS, makes the
  // columns from them); any failure leaves the entry without repository facts.
  void ReadRepositoryInfo(TpZAZTableInfo* info, TFIBDatabase* database, TFIBTransaction* tr);
  void RemoveTableLocked(const String& tableName);

  // Sorted by table name; the same table may appear once per database.
  std::vector<TpZAZTableInfo*> FTables;
  TpZAZTransaction* FTransaction = nullptr;
  TMultiReadExclusiveWriteSynchronizer* FLock;
  bool FValidateAfterLoad = false;
};

// The process-wide metadata cache.
TpZAZTableInfoCollect* ListTableInfo();

// Stored procedure names (sorted, without duplicates) and their parameter texts. The library keeps one
// for the life of the process and fills it nowhere; it stays for code that looks it up.
class TpStoredProcCollect : public TObject {
  RTL_CLASS(TpStoredProcCollect, TObject)
public:
  TpStoredProcCollect();
  ~TpStoredProcCollect() override;
  TStringList* Names() const { return FNames; }
  TStringList* ParamTexts() const { return FParamTexts; }

private:
  TStringList* FNames;
  TStringList* FParamTexts;
};

// The process-wide stored procedure list.
TpStoredProcCollect* ListStoredProc();

// Whether the connection's database holds the repository table of the kind: 1 ZAZ$FIELDS_INFO,
// 2 ZAZ$DATASETS_INFO, 3 ZAZ$ERROR_MESSAGES. Asked once per connection and kept (in the designer always
// asked anew); false without asking when the connection's UseRepositories leaves the kind out.
bool RepositoryTableExists(TFIBDatabase* database, int32_t kind);
inline bool FieldsInfoExists(TFIBDatabase* database) { return RepositoryTableExists(database, 1); }
inline bool DataSetsInfoExists(TFIBDatabase* database) { return RepositoryTableExists(database, 2); }
