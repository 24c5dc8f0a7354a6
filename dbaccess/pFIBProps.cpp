#include "dbaccess/pFIBProps.h"

#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "rtl/Components.h"
#include "rtl/Filer.h"
#include "rtl/Files.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

TpZAZDsOptions DefaultDataSetOptions = {poTrimCharFields, poRefreshAfterPost, poStartTransaction, poAutoFormatFields};
TpPrepareOptions DefaultPrepareOptions = {pfImportDefaultValues, psUseBooleanField, psGetOrderInfo,
                                          psSetEmptyStrToNull};
TDetailConditions DefaultDetailConditions = {};
bool DefaultStoreConnected = true;
bool DefaultSynchronizeTime = true;
bool DefaultUpperOldNames = false;
bool DefaultUseLoginPrompt = false;
String DefaultCharSet;
int32_t DefaultSQLDialect = 1;
uint8_t DefaultTimeoutActionOrdinal = 0;
int32_t DefaultTimeout = 0;
TTPBMode DefaultTPBMode = tpbReadCommitted;
bool DefaultParamCheck = true;
bool DefaultGoToFirstRecordOnExecute = true;
TpZAZQueryOptions DefaultQueryOptions = {};
String GeneratorPrefix = "GEN_";
String GeneratorSuffix = "_ID";
bool UseGlobalDefaultFormats = false;
String GlobalDateFormat = "dd.mm.yyyy";
String GlobalTimeFormat = "hh:mm AMPM";
String GlobalNumericDisplayFormat = "#,##0.";
String GlobalNumericEditFormat = "0.";
String DesignDateFormat = "dd.mm.yyyy";
String DesignTimeFormat = "hh:mm AMPM";
String DesignNumericDisplayFormat = "#,##0.";
String DesignNumericEditFormat = "0.";
const int32_t LibraryVersionMajor = 6;
const int32_t LibraryVersionMinor = 25;

namespace {
IFIBPropsDataSet* DataSetOf(TComponent* owner) { return dynamic_cast<IFIBPropsDataSet*>(owner); }
IFIBPropsConnection* ConnectionOf(TComponent* owner) { return dynamic_cast<IFIBPropsConnection*>(owner); }

const char kFixedDateTime[] = "dd.mm.yyyy hh:mm AMPM";
const char kFixedNumericDisplay[] = "#,##0.";
const char kFixedNumericEdit[] = "0.";
const char kFixedDate[] = "dd.mm.yyyy";
const char kFixedTime[] = "hh:mm AMPM";
}  // namespace

// ---------------------------------------------------------------------------------------------------
// TSQLs

TPersistent* TSQLs::GetOwner() { return FOwner; }

TStrings* TSQLs::GetSQL(TDataSetSQLKind kind) {
  IFIBPropsDataSet* ds = DataSetOf(FOwner);
  return ds ? ds->DataSetSQL(kind) : nullptr;
}

void TSQLs::PutSQL(TDataSetSQLKind kind, TStrings* v) {
  if (IFIBPropsDataSet* ds = DataSetOf(FOwner)) ds->SetDataSetSQL(kind, v);
}

RTL_PUBLISHED(TSQLs) {
  prop("SelectSQL", &TSQLs::SelectSQL, &TSQLs::SetSelectSQL);
  prop("UpdateSQL", &TSQLs::UpdateSQL, &TSQLs::SetUpdateSQL);
  prop("DeleteSQL", &TSQLs::DeleteSQL, &TSQLs::SetDeleteSQL);
  prop("InsertSQL", &TSQLs::InsertSQL, &TSQLs::SetInsertSQL);
  prop("RefreshSQL", &TSQLs::RefreshSQL, &TSQLs::SetRefreshSQL);
}

// ---------------------------------------------------------------------------------------------------
// TFormatFields

TFormatFields::TFormatFields(TComponent* owner) : FOwner(owner) {
  IFIBPropsDataSet* ds = DataSetOf(owner);
  if (UseGlobalDefaultFormats) {
    FDateTimeDisplayFormat = GlobalDateFormat + " " + GlobalTimeFormat;
    FNumericDisplayFormat = GlobalNumericDisplayFormat;
    FNumericEditFormat = GlobalNumericEditFormat;
    FDisplayFormatDate = GlobalDateFormat;
    FDisplayFormatTime = GlobalTimeFormat;
  } else if (ds && ds->NewInDesigner()) {
    FDateTimeDisplayFormat = DesignDateFormat + " " + DesignTimeFormat;
    FNumericDisplayFormat = DesignNumericDisplayFormat;
    FNumericEditFormat = DesignNumericEditFormat;
    FDisplayFormatDate = DesignDateFormat;
    FDisplayFormatTime = DesignTimeFormat;
  } else {
    FDateTimeDisplayFormat = kFixedDateTime;
    FNumericDisplayFormat = kFixedNumericDisplay;
    FNumericEditFormat = kFixedNumericEdit;
    FDisplayFormatDate = kFixedDate;
    FDisplayFormatTime = kFixedTime;
  }
}

TPersistent* TFormatFields::GetOwner() { return FOwner; }

bool TFormatFields::IsDateTimeDisplayFormatStored() const {
  return FDateTimeDisplayFormat !=
         (UseGlobalDefaultFormats ? GlobalDateFormat + " " + GlobalTimeFormat : String(kFixedDateTime));
}
bool TFormatFields::IsNumericDisplayFormatStored() const {
  return FNumericDisplayFormat != (UseGlobalDefaultFormats ? GlobalNumericDisplayFormat : String(kFixedNumericDisplay));
}
bool TFormatFields::IsNumericEditFormatStored() const {
  return FNumericEditFormat != (UseGlobalDefaultFormats ? GlobalNumericEditFormat : String(kFixedNumericEdit));
}
bool TFormatFields::IsDisplayFormatDateStored() const {
  return FDisplayFormatDate != (UseGlobalDefaultFormats ? GlobalDateFormat : String(kFixedDate));
}
bool TFormatFields::IsDisplayFormatTimeStored() const {
  return FDisplayFormatTime != (UseGlobalDefaultFormats ? GlobalTimeFormat : String(kFixedTime));
}

void TFormatFields::AssignTo(TPersistent* dest) {
  auto* d = dynamic_cast<TFormatFields*>(dest);
  if (!d) {
    TPersistent::AssignTo(dest);
    return;
  }
  d->FDateTimeDisplayFormat = FDateTimeDisplayFormat;
  d->FNumericDisplayFormat = FNumericDisplayFormat;
  d->FNumericEditFormat = FNumericEditFormat;
  d->FDisplayFormatDate = FDisplayFormatDate;
  d->FDisplayFormatTime = FDisplayFormatTime;
}

RTL_PUBLISHED(TFormatFields) {
  prop("DateTimeDisplayFormat", &TFormatFields::DateTimeDisplayFormat, &TFormatFields::SetDateTimeDisplayFormat)
      .Stored(&TFormatFields::IsDateTimeDisplayFormatStored);
  prop("NumericDisplayFormat", &TFormatFields::NumericDisplayFormat, &TFormatFields::SetNumericDisplayFormat)
      .Stored(&TFormatFields::IsNumericDisplayFormatStored);
  prop("NumericEditFormat", &TFormatFields::NumericEditFormat, &TFormatFields::SetNumericEditFormat)
      .Stored(&TFormatFields::IsNumericEditFormatStored);
  prop("DisplayFormatDate", &TFormatFields::DisplayFormatDate, &TFormatFields::SetDisplayFormatDate)
      .Stored(&TFormatFields::IsDisplayFormatDateStored);
  prop("DisplayFormatTime", &TFormatFields::DisplayFormatTime, &TFormatFields::SetDisplayFormatTime)
      .Stored(&TFormatFields::IsDisplayFormatTimeStored);
}

// ---------------------------------------------------------------------------------------------------
// TAutoUpdateOptions

TAutoUpdateOptions::TAutoUpdateOptions(TComponent* owner)
    : FOwner(owner), FParamsToFieldsLinks(New<TStringList>()), FKeyFieldList(New<TStringList>()) {}

TAutoUpdateOptions::~TAutoUpdateOptions() {
  FreeAndNil(FParamsToFieldsLinks);
  FreeAndNil(FKeyFieldList);
}

TPersistent* TAutoUpdateOptions::GetOwner() { return FOwner; }

void TAutoUpdateOptions::SetUpdateTableName(const String& value) {
  CachedClause1.clear();
  FUpdateTableName = value;
  FModifyTable.clear();
  FUpdateTableAlias.clear();
  FHasAlias = AliasPosition(value) > 0;
  if (FGeneratorName.empty() && FWhenGetGenID != wgNever) {
    const String table = GetModifyTable();
    if (!table.empty() && table[0] == '"')
      FGeneratorName = QuoteIdentifier(GeneratorPrefix + UnquoteIdentifier(table) + GeneratorSuffix);
    else
      FGeneratorName = GeneratorPrefix + table + GeneratorSuffix;
  }
}

void TAutoUpdateOptions::SetKeyFields(const String& value) {
  CachedClause1.clear();
  FKeyFieldList->Clear();
  size_t start = 0;
  while (true) {
    const size_t semi = value.find(';', start);
    FKeyFieldList->Add(TrimStr(value.substr(start, semi == String::npos ? String::npos : semi - start)));
    if (semi == String::npos) break;
    start = semi + 1;
  }
  FKeyFields = value;
}

void TAutoUpdateOptions::SetUpdateOnlyModifiedFields(bool value) {
  FUpdateOnlyModifiedFields = value && FAutoReWriteSqls && FCanChangeSQLs;
}

void TAutoUpdateOptions::SetParamsToFieldsLinks(TStrings* value) {
  FParamsToFieldsLinks->Assign(value);
  DeleteEmptyLines(FParamsToFieldsLinks);
}

void TAutoUpdateOptions::SetUseGenerator(bool value) {
  if (!value)
    FWhenGetGenID = wgNever;
  else if (FWhenGetGenID == wgNever)
    FWhenGetGenID = wgBeforePost;
}

void TAutoUpdateOptions::ComputeNames() {
  if (!FModifyTable.empty()) return;
  IFIBPropsDataSet* ds = DataSetOf(FOwner);
  if (FHasAlias) {
    FModifyTable = TableNameOfRef(FUpdateTableName);
    FUpdateTableAlias = AliasOfRef(FUpdateTableName);
  } else {
    FModifyTable = FUpdateTableName;
    TStrings* select = ds ? ds->DataSetSQL(dskSelect) : nullptr;
    FUpdateTableAlias = select ? AliasOfTable(select->Text(), FUpdateTableName) : FUpdateTableName;
  }
  if (ds && ds->HasConnection()) {
    const int32_t dialect = ds->ConnectionSQLDialect();
    const bool lower = ds->ConnectionNamesLowerCaseAllowed();
    FModifyTable = FormatIdentifier(dialect, FModifyTable, lower);
    FUpdateTableAlias = FormatIdentifier(dialect, FUpdateTableAlias, lower);
  }
}

String TAutoUpdateOptions::GetModifyTable() {
  ComputeNames();
  return FModifyTable;
}

String TAutoUpdateOptions::GetUpdateTableAlias() {
  ComputeNames();
  return FUpdateTableAlias;
}

void TAutoUpdateOptions::AssignTo(TPersistent* dest) {
  auto* d = dynamic_cast<TAutoUpdateOptions*>(dest);
  if (!d) {
    TPersistent::AssignTo(dest);
    return;
  }
  d->FUpdateTableName = FUpdateTableName;
  d->FKeyFields = FKeyFields;
  d->FAutoReWriteSqls = FAutoReWriteSqls;
  d->FCanChangeSQLs = FCanChangeSQLs;
  d->FGeneratorName = FGeneratorName;
  d->FUpdateOnlyModifiedFields = FUpdateOnlyModifiedFields;
  d->FWhenGetGenID = FWhenGetGenID;
  d->FGeneratorStep = FGeneratorStep;
  d->FParamsToFieldsLinks->Clear();
  for (int32_t i = 0; i < FParamsToFieldsLinks->Count(); ++i) d->FParamsToFieldsLinks->Add(FParamsToFieldsLinks->Strings(i));
  d->FAutoParamsToFields = FAutoParamsToFields;
  d->FSeparateBlobUpdate = FSeparateBlobUpdate;
  d->FSelectGenID = FSelectGenID;
  d->FGenBeforePost = FGenBeforePost;
  d->FHasAlias = FHasAlias;
  // The destination's derived state belongs to its own owner: rebuilt or emptied.
  const String keys = d->FKeyFields;
  d->SetKeyFields(keys);
  d->FModifyTable.clear();
  d->FUpdateTableAlias.clear();
  d->CachedClause1.clear();
  d->CachedClause2.clear();
}

void TAutoUpdateOptions::ReadSelectGenID(TReader* reader) {
  FSelectGenID = reader->ReadBoolean();
  FWhenGetGenID = FSelectGenID ? wgBeforePost : wgNever;
}

void TAutoUpdateOptions::ReadGenBeforePost(TReader* reader) {
  FGenBeforePost = reader->ReadBoolean();
  if (FSelectGenID) FWhenGetGenID = FGenBeforePost ? wgBeforePost : wgOnNewRecord;
}

void TAutoUpdateOptions::DefineProperties(TFiler* filer) {
  TPersistent::DefineProperties(filer);
  // Names of older streams: read, never written.
  filer->DefineProperty("SelectGenID", TReaderProc(this, &TAutoUpdateOptions::ReadSelectGenID), TWriterProc(), false);
  filer->DefineProperty("GenBeforePost", TReaderProc(this, &TAutoUpdateOptions::ReadGenBeforePost), TWriterProc(),
                        false);
}

RTL_PUBLISHED(TAutoUpdateOptions) {
  using T = TAutoUpdateOptions;
  prop("UpdateTableName", &T::UpdateTableName, &T::SetUpdateTableName);
  prop("KeyFields", &T::KeyFields, &T::SetKeyFields);
  prop("AutoReWriteSqls", &T::AutoReWriteSqls, &T::SetAutoReWriteSqls).Default(false);
  prop("CanChangeSQLs", &T::CanChangeSQLs, &T::SetCanChangeSQLs).Default(false);
  prop("GeneratorName", &T::GeneratorName, &T::SetGeneratorName);
  prop("UpdateOnlyModifiedFields", &T::UpdateOnlyModifiedFields, &T::SetUpdateOnlyModifiedFields).Default(false);
  prop("WhenGetGenID", &T::WhenGetGenID, &T::SetWhenGetGenID).Default(wgNever);
  prop("GeneratorStep", &T::GeneratorStep, &T::SetGeneratorStep).Default(1);
  prop("ParamsToFieldsLinks", &T::ParamsToFieldsLinks, &T::SetParamsToFieldsLinks);
  prop("AutoParamsToFields", &T::AutoParamsToFields, &T::SetAutoParamsToFields).Default(false);
  prop("SeparateBlobUpdate", &T::SeparateBlobUpdate, &T::SetSeparateBlobUpdate).Default(false);
}

// ---------------------------------------------------------------------------------------------------
// TConnectParams

TPersistent* TConnectParams::GetOwner() { return FOwner; }

String TConnectParams::GetParam(int32_t code) const {
  IFIBPropsConnection* c = ConnectionOf(FOwner);
  return c ? c->DBParamByCode(code) : String();
}

void TConnectParams::SetParam(int32_t code, const String& v) {
  if (IFIBPropsConnection* c = ConnectionOf(FOwner)) c->SetDBParamByCode(code, v);
}

void TConnectParams::SetCharSet(const String& v) { SetParam(48, AsciiUpperCase(v)); }

RTL_PUBLISHED(TConnectParams) {
  using T = TConnectParams;
  prop("UserName", &T::UserName, &T::SetUserName).Stored(false);
  prop("RoleName", &T::RoleName, &T::SetRoleName).Stored(false);
  prop("Password", &T::Password, &T::SetPassword).Stored(false);
  prop("CharSet", &T::CharSet, &T::SetCharSet).Stored(false);
}

// ---------------------------------------------------------------------------------------------------
// TDBParams

void TDBParams::ReadStrings(TReader* reader) {
  reader->ReadListBegin();
  BeginUpdate();
  try {
    Clear();
    while (!reader->EndOfList()) Add(reader->ReadString());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  reader->ReadListEnd();
}

void TDBParams::WriteStrings(TWriter* writer) {
  IFIBPropsConnection* c = ConnectionOf(FOwner);
  const bool hidePassword = c && c->NotSavePassword();
  String password;
  if (hidePassword) {
    password = c->DBParamByCode(29);
    c->SetDBParamByCode(29, String());
  }
  try {
    writer->WriteListBegin();
    for (int32_t i = 0; i < Count(); ++i) writer->WriteString(Strings(i));
    writer->WriteListEnd();
  } catch (...) {
    if (hidePassword) c->SetDBParamByCode(29, password);
    throw;
  }
  if (hidePassword) c->SetDBParamByCode(29, password);
}

void TDBParams::DefineProperties(TFiler* filer) {
  bool hasData;
  if (TPersistent* ancestor = filer->Ancestor()) {
    auto* lines = dynamic_cast<TStrings*>(ancestor);
    hasData = !lines || !Equals(lines);
  } else {
    hasData = Count() > 0;
  }
  filer->DefineProperty("Strings", TReaderProc(this, &TDBParams::ReadStrings),
                        TWriterProc(this, &TDBParams::WriteStrings), hasData);
}

// ---------------------------------------------------------------------------------------------------
// TCacheSchemaOptions, TBlobSwapSupport

RTL_PUBLISHED(TCacheSchemaOptions) {
  using T = TCacheSchemaOptions;
  prop("LocalCacheFile", &T::LocalCacheFile, &T::SetLocalCacheFile);
  prop("AutoSaveToFile", &T::AutoSaveToFile, &T::SetAutoSaveToFile).Default(false);
  prop("AutoLoadFromFile", &T::AutoLoadFromFile, &T::SetAutoLoadFromFile).Default(false);
  prop("ValidateAfterLoad", &T::ValidateAfterLoad, &T::SetValidateAfterLoad).Default(true);
}

String TBlobSwapSupport::ResolveSwapDir() const {
  if (!FActive) return String();
  String result = FSwapDir;
  if (AsciiUpperCase(FSwapDir.substr(0, 10)) == "{APP_PATH}")
    result = ExtractFilePath(ParamStr(0)) + FSwapDir.substr(10);
  if (!result.empty() && result.back() != '/') result += '/';
  return result;
}

RTL_PUBLISHED(TBlobSwapSupport) {
  using T = TBlobSwapSupport;
  prop("Active", &T::Active, &T::SetActive).Default(false);
  prop("SwapDir", &T::SwapDir, &T::SetSwapDir).Stored(&T::IsSwapDirStored);
  prop("MinBlobSizeToSwap", &T::MinBlobSizeToSwap, &T::SetMinBlobSizeToSwap).Default(0);
}
