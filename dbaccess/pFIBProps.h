#pragma once
// The database library's nested property objects (SQL texts, default display formats, options for
// generated modifying SQL, connect parameters, schema cache and blob swapping), the option enumerations
// that datasets and statements publish, and the process-wide defaults that constructors read.
//
// The owner components (datasets, connections) live in units above this one; the objects reach them
// through the two small interfaces below, which those components implement.

#include <cstdint>

#include "rtl/Persistent.h"
#include "rtl/Sets.h"
#include "rtl/StringLists.h"
#include "rtl/System.h"

class TComponent;
class TReader;
class TWriter;

// ---------------------------------------------------------------------------------------------------
// Option enumerations

enum TpZAZDsOption : uint8_t {
  poTrimCharFields, poRefreshAfterPost, poRefreshDeletedRecord, poStartTransaction, poAutoFormatFields,
  poProtectedEdit, poKeepSorting, poPersistentSorting, poVisibleRecno, poNoForceIsNull, poFetchAll,
  poFreeHandlesAfterClose, poCacheCalcFields
};
RTL_ENUM(TpZAZDsOption, poTrimCharFields, poRefreshAfterPost, poRefreshDeletedRecord, poStartTransaction,
         poAutoFormatFields, poProtectedEdit, poKeepSorting, poPersistentSorting, poVisibleRecno, poNoForceIsNull,
         poFetchAll, poFreeHandlesAfterClose, poCacheCalcFields)
using TpZAZDsOptions = Set<TpZAZDsOption>;

enum TpPrepareOption : uint8_t {
  pfSetRequiredFields, pfSetReadOnlyFields, pfImportDefaultValues, psUseBooleanField, psUseGuidField,
  psSQLINT64ToBCD, psApplyRepositary, psGetOrderInfo, psAskRecordCount, psCanEditComputedFields,
  psSetEmptyStrToNull, psSupportUnicodeBlobs, psUseLargeIntField
};
RTL_ENUM(TpPrepareOption, pfSetRequiredFields, pfSetReadOnlyFields, pfImportDefaultValues, psUseBooleanField,
         psUseGuidField, psSQLINT64ToBCD, psApplyRepositary, psGetOrderInfo, psAskRecordCount,
         psCanEditComputedFields, psSetEmptyStrToNull, psSupportUnicodeBlobs, psUseLargeIntField)
using TpPrepareOptions = Set<TpPrepareOption>;

enum TpZAZQueryOption : uint8_t {
  qoStartTransaction, qoAutoCommit, qoTrimCharFields, qoNoForceIsNull, qoFreeHandleAfterExecute
};
RTL_ENUM(TpZAZQueryOption, qoStartTransaction, qoAutoCommit, qoTrimCharFields, qoNoForceIsNull,
         qoFreeHandleAfterExecute)
using TpZAZQueryOptions = Set<TpZAZQueryOption>;

enum TDetailCondition : uint8_t { dcForceOpen, dcIgnoreMasterClose, dcForceMasterRefresh, dcWaitEndMasterScroll };
RTL_ENUM(TDetailCondition, dcForceOpen, dcIgnoreMasterClose, dcForceMasterRefresh, dcWaitEndMasterScroll)
using TDetailConditions = Set<TDetailCondition>;

enum TFieldOriginRule : uint8_t { forNoRule, forTableAndFieldName, forClientFieldName, forTableAliasAndFieldName };
RTL_ENUM(TFieldOriginRule, forNoRule, forTableAndFieldName, forClientFieldName, forTableAliasAndFieldName)

enum TWhenGetGenID : uint8_t { wgNever, wgOnNewRecord, wgBeforePost };
RTL_ENUM(TWhenGetGenID, wgNever, wgOnNewRecord, wgBeforePost)

enum TTPBMode : uint8_t { tpbDefault, tpbReadCommitted, tpbRepeatableRead };
RTL_ENUM(TTPBMode, tpbDefault, tpbReadCommitted, tpbRepeatableRead)

// ---------------------------------------------------------------------------------------------------
// Library-wide defaults. An application may change them before it creates components; most are read
// only by constructors of components newly placed in a designer.

extern TpZAZDsOptions DefaultDataSetOptions;
extern TpPrepareOptions DefaultPrepareOptions;
extern TDetailConditions DefaultDetailConditions;
extern bool DefaultStoreConnected;
extern bool DefaultSynchronizeTime;
extern bool DefaultUpperOldNames;
extern bool DefaultUseLoginPrompt;
extern String DefaultCharSet;
extern int32_t DefaultSQLDialect;
// The ordinal of the transaction's TTransactionAction (TARollback), kept as a number here because the
// enumeration belongs to the transaction unit.
extern uint8_t DefaultTimeoutActionOrdinal;
extern int32_t DefaultTimeout;
extern TTPBMode DefaultTPBMode;
extern bool DefaultParamCheck;
extern bool DefaultGoToFirstRecordOnExecute;
extern TpZAZQueryOptions DefaultQueryOptions;
extern String GeneratorPrefix;
extern String GeneratorSuffix;
extern bool UseGlobalDefaultFormats;
extern String GlobalDateFormat;
extern String GlobalTimeFormat;
extern String GlobalNumericDisplayFormat;
extern String GlobalNumericEditFormat;
extern String DesignDateFormat;
extern String DesignTimeFormat;
extern String DesignNumericDisplayFormat;
extern String DesignNumericEditFormat;
extern const int32_t LibraryVersionMajor;
extern const int32_t LibraryVersionMinor;

// ---------------------------------------------------------------------------------------------------
// What the property objects need of their owners.

enum TDataSetSQLKind : uint8_t { dskSelect, dskUpdate, dskDelete, dskInsert, dskRefresh };

class IFIBPropsDataSet {
public:
  virtual TStrings* DataSetSQL(TDataSetSQLKind kind) = 0;
  virtual void SetDataSetSQL(TDataSetSQLKind kind, TStrings* value) = 0;
  // False without a connection; the dialect and the letter-case setting are then not asked.
  virtual bool HasConnection() = 0;
  virtual int32_t ConnectionSQLDialect() = 0;
  virtual bool ConnectionNamesLowerCaseAllowed() = 0;
  // Newly placed in a designer: designing, and neither it nor an owner being loaded.
  virtual bool NewInDesigner() = 0;

protected:
  ~IFIBPropsDataSet() = default;
};

class IFIBPropsConnection {
public:
  // An entry of the connection's parameter lines addressed by its connect parameter code.
  virtual String DBParamByCode(int32_t code) = 0;
  virtual void SetDBParamByCode(int32_t code, const String& value) = 0;
  // The connection's design options hold "do not save the password".
  virtual bool NotSavePassword() = 0;

protected:
  ~IFIBPropsConnection() = default;
};

// ---------------------------------------------------------------------------------------------------

class TSQLs : public TPersistent {
  RTL_CLASS(TSQLs, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TSQLs(TComponent* owner) : FOwner(owner) {}

  TStrings* SelectSQL() { return GetSQL(dskSelect); }
  void SetSelectSQL(TStrings* v) { PutSQL(dskSelect, v); }
  TStrings* UpdateSQL() { return GetSQL(dskUpdate); }
  void SetUpdateSQL(TStrings* v) { PutSQL(dskUpdate, v); }
  TStrings* DeleteSQL() { return GetSQL(dskDelete); }
  void SetDeleteSQL(TStrings* v) { PutSQL(dskDelete, v); }
  TStrings* InsertSQL() { return GetSQL(dskInsert); }
  void SetInsertSQL(TStrings* v) { PutSQL(dskInsert, v); }
  TStrings* RefreshSQL() { return GetSQL(dskRefresh); }
  void SetRefreshSQL(TStrings* v) { PutSQL(dskRefresh, v); }

protected:
  TPersistent* GetOwner() override;

private:
  TStrings* GetSQL(TDataSetSQLKind kind);
  void PutSQL(TDataSetSQLKind kind, TStrings* v);
  TComponent* FOwner;
};

class TFormatFields : public TPersistent {
  RTL_CLASS(TFormatFields, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TFormatFields(TComponent* owner);

  const String& DateTimeDisplayFormat() const { return FDateTimeDisplayFormat; }
  void SetDateTimeDisplayFormat(const String& v) { FDateTimeDisplayFormat = v; }
  const String& NumericDisplayFormat() const { return FNumericDisplayFormat; }
  void SetNumericDisplayFormat(const String& v) { FNumericDisplayFormat = v; }
  const String& NumericEditFormat() const { return FNumericEditFormat; }
  void SetNumericEditFormat(const String& v) { FNumericEditFormat = v; }
  const String& DisplayFormatDate() const { return FDisplayFormatDate; }
  void SetDisplayFormatDate(const String& v) { FDisplayFormatDate = v; }
  const String& DisplayFormatTime() const { return FDisplayFormatTime; }
  void SetDisplayFormatTime(const String& v) { FDisplayFormatTime = v; }

  bool IsDateTimeDisplayFormatStored() const;
  bool IsNumericDisplayFormatStored() const;
  bool IsNumericEditFormatStored() const;
  bool IsDisplayFormatDateStored() const;
  bool IsDisplayFormatTimeStored() const;

protected:
  void AssignTo(TPersistent* dest) override;
  TPersistent* GetOwner() override;

private:
  TComponent* FOwner;
  String FDateTimeDisplayFormat;
  String FNumericDisplayFormat;
  String FNumericEditFormat;
  String FDisplayFormatDate;
  String FDisplayFormatTime;
};

class TAutoUpdateOptions : public TPersistent {
  RTL_CLASS(TAutoUpdateOptions, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TAutoUpdateOptions(TComponent* owner);
  ~TAutoUpdateOptions() override;

  const String& UpdateTableName() const { return FUpdateTableName; }
  void SetUpdateTableName(const String& value);
  const String& KeyFields() const { return FKeyFields; }
  void SetKeyFields(const String& value);
  bool AutoReWriteSqls() const { return FAutoReWriteSqls; }
  void SetAutoReWriteSqls(bool v) { FAutoReWriteSqls = v; }
  bool CanChangeSQLs() const { return FCanChangeSQLs; }
  void SetCanChangeSQLs(bool v) { FCanChangeSQLs = v; }
  const String& GeneratorName() const { return FGeneratorName; }
  void SetGeneratorName(const String& v) { FGeneratorName = v; }
  // Only with AutoReWriteSqls and CanChangeSQLs both on.
  bool UpdateOnlyModifiedFields() const { return FUpdateOnlyModifiedFields && FAutoReWriteSqls && FCanChangeSQLs; }
  void SetUpdateOnlyModifiedFields(bool value);
  TWhenGetGenID WhenGetGenID() const { return FWhenGetGenID; }
  void SetWhenGetGenID(TWhenGetGenID v) { FWhenGetGenID = v; }
  int32_t GeneratorStep() const { return FGeneratorStep; }
  void SetGeneratorStep(int32_t v) { FGeneratorStep = v; }
  TStrings* ParamsToFieldsLinks() const { return FParamsToFieldsLinks; }
  void SetParamsToFieldsLinks(TStrings* value);
  bool AutoParamsToFields() const { return FAutoParamsToFields; }
  void SetAutoParamsToFields(bool v) { FAutoParamsToFields = v; }
  bool SeparateBlobUpdate() const { return FSeparateBlobUpdate; }
  void SetSeparateBlobUpdate(bool v) { FSeparateBlobUpdate = v; }

  bool UsesGenerator() const { return FWhenGetGenID != wgNever; }
  void SetUseGenerator(bool value);
  String GetModifyTable();
  String GetUpdateTableAlias();
  // The split of KeyFields at ";", each part trimmed, empty parts kept.
  TStrings* KeyFieldList() const { return FKeyFieldList; }
  bool HasAlias() const { return FHasAlias; }
  // Clause texts the owner's SQL generation keeps here.
  String CachedClause1;
  String CachedClause2;
  bool LegacySelectGenID() const { return FSelectGenID; }
  bool LegacyGenBeforePost() const { return FGenBeforePost; }

protected:
  void AssignTo(TPersistent* dest) override;
  void DefineProperties(TFiler* filer) override;
  TPersistent* GetOwner() override;

private:
  void ReadSelectGenID(TReader* reader);
  void ReadGenBeforePost(TReader* reader);
  void ComputeNames();

  TComponent* FOwner;
  String FUpdateTableName;
  String FKeyFields;
  bool FAutoReWriteSqls = false;
  bool FCanChangeSQLs = false;
  String FGeneratorName;
  bool FUpdateOnlyModifiedFields = false;
  TWhenGetGenID FWhenGetGenID = wgNever;
  int32_t FGeneratorStep = 1;
  TStringList* FParamsToFieldsLinks = nullptr;
  bool FAutoParamsToFields = false;
  bool FSeparateBlobUpdate = false;
  TStringList* FKeyFieldList = nullptr;
  bool FHasAlias = false;
  String FModifyTable;
  String FUpdateTableAlias;
  bool FSelectGenID = false;
  bool FGenBeforePost = true;
};

class TConnectParams : public TPersistent {
  RTL_CLASS(TConnectParams, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TConnectParams(TComponent* owner) : FOwner(owner) {}

  String UserName() const { return GetParam(28); }
  void SetUserName(const String& v) { SetParam(28, v); }
  String RoleName() const { return GetParam(60); }
  void SetRoleName(const String& v) { SetParam(60, v); }
  String Password() const { return GetParam(29); }
  void SetPassword(const String& v) { SetParam(29, v); }
  String CharSet() const { return GetParam(48); }
  void SetCharSet(const String& v);

protected:
  TPersistent* GetOwner() override;

private:
  String GetParam(int32_t code) const;
  void SetParam(int32_t code, const String& v);
  TComponent* FOwner;
};

class TDBParams : public TStringList {
  RTL_CLASS(TDBParams, TStringList)
public:
  explicit TDBParams(TComponent* owner) : FOwner(owner) {}

protected:
  void DefineProperties(TFiler* filer) override;

private:
  void ReadStrings(TReader* reader);
  void WriteStrings(TWriter* writer);
  TComponent* FOwner;
};

class TCacheSchemaOptions : public TPersistent {
  RTL_CLASS(TCacheSchemaOptions, TPersistent)
  RTL_PUBLISHED_DECL
public:
  TCacheSchemaOptions() = default;

  const String& LocalCacheFile() const { return FLocalCacheFile; }
  void SetLocalCacheFile(const String& v) { FLocalCacheFile = v; }
  bool AutoSaveToFile() const { return FAutoSaveToFile; }
  void SetAutoSaveToFile(bool v) { FAutoSaveToFile = v; }
  bool AutoLoadFromFile() const { return FAutoLoadFromFile; }
  void SetAutoLoadFromFile(bool v) { FAutoLoadFromFile = v; }
  bool ValidateAfterLoad() const { return FValidateAfterLoad; }
  void SetValidateAfterLoad(bool v) { FValidateAfterLoad = v; }

private:
  String FLocalCacheFile;
  bool FAutoSaveToFile = false;
  bool FAutoLoadFromFile = false;
  bool FValidateAfterLoad = true;
};

class TBlobSwapSupport : public TPersistent {
  RTL_CLASS(TBlobSwapSupport, TPersistent)
  RTL_PUBLISHED_DECL
public:
  TBlobSwapSupport() = default;

  bool Active() const { return FActive; }
  void SetActive(bool v) { FActive = v; }
  const String& SwapDir() const { return FSwapDir; }
  void SetSwapDir(const String& v) { FSwapDir = v; }
  int32_t MinBlobSizeToSwap() const { return FMinBlobSizeToSwap; }
  void SetMinBlobSizeToSwap(int32_t v) { FMinBlobSizeToSwap = v; }
  bool IsSwapDirStored() const { return FSwapDir != "{APP_PATH}"; }

  // Empty while inactive; "{APP_PATH}" at the start (any case) stands for the program's folder. The
  // result ends with the path separator.
  String ResolveSwapDir() const;

private:
  bool FActive = false;
  String FSwapDir = "{APP_PATH}";
  int32_t FMinBlobSizeToSwap = 0;
};
