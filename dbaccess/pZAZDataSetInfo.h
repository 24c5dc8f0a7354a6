#pragma once
// The process-wide cache of dataset repository rows (ZAZ$DATASETS_INFO, one row per dataset ID and
// database) and the process-wide store of error messages per database. Both are saved next to the
// metadata cache file and loaded from there; rows loaded from a file are checked against the server's row
// version before use when the cache is told to validate.
//
// Copying a row into a dataset, and writing a dataset's settings back into its row, belong to the dataset
// layer, which builds on GetDataSetInfo and ReadDataSetInfo here.

#include <cstdint>
#include <map>
#include <vector>

#include "rtl/System.h"

class TCriticalSection;
class TFIBDatabase;
class TFIBTransaction;
class TStream;
class TStringList;

// One cached row of the dataset repository.
class TpDataSetInfo : public TObject {
  RTL_CLASS(TpDataSetInfo, TObject)
public:
  explicit TpDataSetInfo(const String& dbName);
  ~TpDataSetInfo() override;

  String DBName;
  int32_t Version = 0;  // ZAZ$VERSION of the row, 0 when unknown
  TStringList* SelectSQL;
  TStringList* InsertSQL;
  TStringList* UpdateSQL;
  TStringList* DeleteSQL;
  TStringList* RefreshSQL;
  String KeyField;
  String GeneratorName;
  String Description;
  String UpdateTableName;
  String Conditions;
  bool UpdateOnlyModifiedFields = false;
  bool NeedsValidation = false;
};

// Reads the repository row of the dataset ID on the connection into `info` (left empty when there is no
// row). Raises when the ID is not above 0 (the message starts with `dataSetName`), without a connection,
// when the connection does not use the dataset repository, or when the table does not exist.
void ReadDataSetInfo(TFIBDatabase* database, int32_t dataSetID, TpDataSetInfo* info,
                     const String& dataSetName = String());

class TpDataSetInfoCollect : public TObject {
  RTL_CLASS(TpDataSetInfoCollect, TObject)
public:
  TpDataSetInfoCollect();
  ~TpDataSetInfoCollect() override;

  // The row for the ID and the connection's database, read from the server on first use (an ID without a
  // row is cached as an empty entry). A row loaded from a file whose version the server no longer has is
  // read again. Nil without a connection or with ID 0. `transaction` serves the version check; without
  // one the connection's default transaction does.
  TpDataSetInfo* GetDataSetInfo(TFIBDatabase* database, TFIBTransaction* transaction, int32_t dataSetID);
  // Drops the cached row of the ID for the connection's database only.
  void RemoveDataSetInfo(TFIBDatabase* database, int32_t dataSetID);
  void Clear();
  int32_t Count() const;

  // An empty cache deletes an existing file of that name; errors while writing are ignored.
  void SaveToFile(const String& fileName);
  // Empties the cache and reads the file when it exists; returns whether it existed.
  bool LoadFromFile(const String& fileName);
  void SaveToStream(TStream* stream);
  void LoadFromStream(TStream* stream);
  // The cache's lock, re-entrant for the holding thread; copying a row into a dataset runs under it.
  TCriticalSection* Lock() const { return FLock; }
  bool ValidateAfterLoad() const { return FValidateAfterLoad; }
  void SetValidateAfterLoad(bool v) { FValidateAfterLoad = v; }

private:
  void ClearLocked();
  // Sorted by key (the ID as decimal text); the same key once per database.
  std::vector<std::pair<String, TpDataSetInfo*>> FItems;
  TCriticalSection* FLock;
  bool FValidateAfterLoad = false;
};

class TpErrorMessage : public TObject {
  RTL_CLASS(TpErrorMessage, TObject)
public:
  TpErrorMessage(const String& text, int32_t version) : Text(text), Version(version) {}
  String Text;
  int32_t Version;
};

class TpErrorMessagesCollect : public TObject {
  RTL_CLASS(TpErrorMessagesCollect, TObject)
public:
  TpErrorMessagesCollect() = default;
  ~TpErrorMessagesCollect() override;

  // A key the database has already keeps its text unless the new version is higher.
  void AddMessage(const String& database, const String& key, int32_t version, const String& text);
  // Nil when the database or the key is unknown.
  TpErrorMessage* FindMessage(const String& database, const String& key) const;
  void Clear();
  int32_t DatabaseCount() const { return static_cast<int32_t>(FDatabases.size()); }
  int32_t HighestVersion() const { return FHighestVersion; }

  // An empty store deletes an existing file of that name; errors while writing are ignored.
  void SaveToFile(const String& fileName);
  // Empties the store and reads the file when it exists; returns whether it existed. A file of another
  // format leaves the store empty.
  bool LoadFromFile(const String& fileName);
  void SaveToStream(TStream* stream);
  void LoadFromStream(TStream* stream);

private:
  std::map<String, std::map<String, TpErrorMessage*>> FDatabases;
  int32_t FHighestVersion = 0;
};

// The process-wide dataset repository cache and error message store.
TpDataSetInfoCollect* ListDataSetInfo();
TpErrorMessagesCollect* ListErrorMessages();
