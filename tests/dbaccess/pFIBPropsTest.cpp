#include <gtest/gtest.h>

#include "dbaccess/FIBParamBlocks.h"
#include "dbaccess/pFIBProps.h"
#include "rtl/Components.h"
#include "rtl/Filer.h"
#include "rtl/Files.h"
#include "rtl/Streams.h"
#include "rtl/TypInfo.h"

namespace {
class TFakeDataSet : public TComponent, public IFIBPropsDataSet {
  RTL_CLASS(TFakeDataSet, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TFakeDataSet(TComponent* owner) : TComponent(owner) {
    for (auto*& l : FSQL) l = New<TStringList>();
    // After the fields the property objects ask about.
    Options = New<TAutoUpdateOptions>(this);
    Formats = New<TFormatFields>(this);
  }
  ~TFakeDataSet() override {
    for (auto*& l : FSQL) FreeAndNil(l);
    FreeAndNil(Options);
    FreeAndNil(Formats);
  }
  TAutoUpdateOptions* AutoUpdateOptions() const { return Options; }
  void SetAutoUpdateOptions(TAutoUpdateOptions* v) { Options->Assign(v); }
  TFormatFields* DefaultFormats() const { return Formats; }
  void SetDefaultFormats(TFormatFields* v) { Formats->Assign(v); }
  TAutoUpdateOptions* Options = nullptr;
  TFormatFields* Formats = nullptr;

  TStrings* DataSetSQL(TDataSetSQLKind kind) override { return FSQL[kind]; }
  void SetDataSetSQL(TDataSetSQLKind kind, TStrings* value) override { FSQL[kind]->Assign(value); }
  bool HasConnection() override { return Dialect > 0; }
  int32_t ConnectionSQLDialect() override { return Dialect; }
  bool ConnectionNamesLowerCaseAllowed() override { return LowerAllowed; }
  bool NewInDesigner() override { return Designing; }

  int32_t Dialect = 0;
  bool LowerAllowed = false;
  bool Designing = false;

private:
  TStringList* FSQL[5] = {};
};

class TFakeConnection : public TComponent, public IFIBPropsConnection {
  RTL_CLASS(TFakeConnection, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TFakeConnection(TComponent* owner)
      : TComponent(owner),
        Params(New<TDBParams>(this)),
        Connect(New<TConnectParams>(this)),
        Swap(New<TBlobSwapSupport>()) {}
  ~TFakeConnection() override {
    FreeAndNil(Params);
    FreeAndNil(Connect);
    FreeAndNil(Swap);
  }
  TDBParams* DBParams() const { return Params; }
  void SetDBParams(TDBParams* v) { Params->Assign(v); }
  TConnectParams* ConnectParams() const { return Connect; }
  void SetConnectParams(TConnectParams* v) { Connect->Assign(v); }
  TBlobSwapSupport* BlobSwapSupport() const { return Swap; }
  void SetBlobSwapSupport(TBlobSwapSupport* v) { Swap->Assign(v); }

  String DBParamByCode(int32_t code) override { return Params->Values(DPBNameOfCode(code)); }
  void SetDBParamByCode(int32_t code, const String& value) override { Params->SetValues(DPBNameOfCode(code), value); }
  bool NotSavePassword() override { return HidePassword; }

  TDBParams* Params;
  TConnectParams* Connect;
  TBlobSwapSupport* Swap;
  bool HidePassword = false;
};

}  // namespace

RTL_PUBLISHED(TFakeDataSet) {
  prop("AutoUpdateOptions", &TFakeDataSet::AutoUpdateOptions, &TFakeDataSet::SetAutoUpdateOptions);
  prop("DefaultFormats", &TFakeDataSet::DefaultFormats, &TFakeDataSet::SetDefaultFormats);
}

RTL_PUBLISHED(TFakeConnection) {
  prop("DBParams", &TFakeConnection::DBParams, &TFakeConnection::SetDBParams);
  prop("ConnectParams", &TFakeConnection::ConnectParams, &TFakeConnection::SetConnectParams).Stored(false);
  prop("BlobSwapSupport", &TFakeConnection::BlobSwapSupport, &TFakeConnection::SetBlobSwapSupport);
}

namespace {
// Reads single property entries the way the form reader does.
class TPropReader : public TReader {
  RTL_CLASS(TPropReader, TReader)
public:
  using TReader::ReadProperty;
  using TReader::TReader;
};

struct FreedAtEnd {
  TComponent* C;
  explicit FreedAtEnd(TComponent* c) : C(c) {}
  ~FreedAtEnd() { C->Free(); }
};
}  // namespace

TEST(AutoUpdateOptions, Defaults) {
  TAutoUpdateOptions* o = New<TAutoUpdateOptions>(nullptr);
  EXPECT_EQ(o->GeneratorStep(), 1);
  EXPECT_EQ(o->WhenGetGenID(), wgNever);
  EXPECT_FALSE(o->UsesGenerator());
  EXPECT_TRUE(o->LegacyGenBeforePost());
  EXPECT_FALSE(o->LegacySelectGenID());
  EXPECT_EQ(o->KeyFieldList()->Count(), 0);
  const TPropInfo* step = GetPropInfo(o, "GeneratorStep");
  ASSERT_NE(step, nullptr);
  EXPECT_EQ(step->Default, 1);
  EXPECT_NE(GetPropInfo(o, "WhenGetGenID"), nullptr);
  o->Free();
}

TEST(AutoUpdateOptions, GeneratorNameFromTable) {
  struct Case {
    TWhenGetGenID when;
    const char* table;
    const char* generator;
  } cases[] = {
      {wgOnNewRecord, "CLIENTS", "GEN_CLIENTS_ID"},
      {wgNever, "CLIENTS", ""},
      {wgBeforePost, "\"Clients\"", "\"GEN_Clients_ID\""},
      {wgBeforePost, "CLIENTS C", "GEN_CLIENTS_ID"},
  };
  for (const Case& c : cases) {
    TAutoUpdateOptions* o = New<TAutoUpdateOptions>(nullptr);
    o->SetWhenGetGenID(c.when);
    o->SetUpdateTableName(c.table);
    EXPECT_EQ(o->GeneratorName(), c.generator) << c.table;
    o->Free();
  }
}

TEST(AutoUpdateOptions, KeyFieldsAndDependentOptions) {
  TAutoUpdateOptions* o = New<TAutoUpdateOptions>(nullptr);
  o->SetKeyFields("ID; CODE");
  EXPECT_EQ(o->KeyFieldList()->Text(), "ID\r\nCODE\r\n");
  o->SetKeyFields("ID;;X");
  EXPECT_EQ(o->KeyFieldList()->Text(), "ID\r\n\r\nX\r\n");
  o->SetUpdateOnlyModifiedFields(true);
  EXPECT_FALSE(o->UpdateOnlyModifiedFields());
  o->SetAutoReWriteSqls(true);
  o->SetCanChangeSQLs(true);
  o->SetUpdateOnlyModifiedFields(true);
  EXPECT_TRUE(o->UpdateOnlyModifiedFields());
  o->SetCanChangeSQLs(false);
  EXPECT_FALSE(o->UpdateOnlyModifiedFields());
  o->SetUseGenerator(true);
  EXPECT_EQ(o->WhenGetGenID(), wgBeforePost);
  o->SetWhenGetGenID(wgOnNewRecord);
  o->SetUseGenerator(true);
  EXPECT_EQ(o->WhenGetGenID(), wgOnNewRecord);
  o->SetUseGenerator(false);
  EXPECT_EQ(o->WhenGetGenID(), wgNever);
  TStringList* links = New<TStringList>();
  links->SetText("A=B\r\n\r\nC=D\r\n");
  o->SetParamsToFieldsLinks(links);
  EXPECT_EQ(o->ParamsToFieldsLinks()->Count(), 2);
  links->Free();
  o->Free();
}

TEST(AutoUpdateOptions, DerivedNamesFromOwner) {
  FreedAtEnd ds(New<TFakeDataSet>(nullptr));
  auto* d = static_cast<TFakeDataSet*>(ds.C);
  d->DataSetSQL(dskSelect)->SetText("SELECT * FROM orders o");
  TAutoUpdateOptions* o = New<TAutoUpdateOptions>(d);
  o->SetUpdateTableName("ORDERS");
  EXPECT_EQ(o->GetModifyTable(), "ORDERS");
  EXPECT_EQ(o->GetUpdateTableAlias(), "O");  // FROM items are upper-cased
  o->SetUpdateTableName("MyTable M");
  EXPECT_TRUE(o->HasAlias());
  d->Dialect = 3;
  EXPECT_EQ(o->GetModifyTable(), "\"MyTable\"");
  EXPECT_EQ(o->GetUpdateTableAlias(), "M");
  d->LowerAllowed = true;
  o->SetUpdateTableName("MyTable M");
  EXPECT_EQ(o->GetModifyTable(), "MYTABLE");

  TAutoUpdateOptions* copy = New<TAutoUpdateOptions>(nullptr);
  o->SetKeyFields("A;B");
  copy->Assign(o);
  EXPECT_EQ(copy->UpdateTableName(), "MyTable M");
  EXPECT_EQ(copy->KeyFieldList()->Text(), "A\r\nB\r\n");
  EXPECT_EQ(copy->GetModifyTable(), "MyTable");  // its own owner has no connection
  TFormatFields* formats = New<TFormatFields>(nullptr);
  EXPECT_THROW(formats->Assign(o), Exception);
  formats->Free();
  copy->Free();
  o->Free();
}

TEST(AutoUpdateOptions, LegacyStreamNames) {
  struct Case {
    std::vector<std::pair<const char*, bool>> entries;
    TWhenGetGenID when;
  } cases[] = {
      {{{"SelectGenID", true}, {"GenBeforePost", false}}, wgOnNewRecord},
      {{{"SelectGenID", true}, {"GenBeforePost", true}}, wgBeforePost},
      {{{"SelectGenID", true}}, wgBeforePost},
      {{{"SelectGenID", false}}, wgNever},
      {{{"GenBeforePost", false}}, wgNever},
  };
  for (const Case& c : cases) {
    TMemoryStream* stream = New<TMemoryStream>();
    TWriter* writer = New<TWriter>(stream);
    for (const auto& [name, value] : c.entries) {
      writer->WriteStr(name);
      writer->WriteBoolean(value);
    }
    writer->Free();
    stream->SetPosition(0);
    TAutoUpdateOptions* o = New<TAutoUpdateOptions>(nullptr);
    TPropReader* reader = New<TPropReader>(stream);
    for (size_t i = 0; i < c.entries.size(); ++i) reader->ReadProperty(o);
    reader->Free();
    EXPECT_EQ(o->WhenGetGenID(), c.when) << c.entries.size() << " " << c.entries[0].second;
    // Legacy names are never written back.
    TMemoryStream* out = New<TMemoryStream>();
    TWriter* w2 = New<TWriter>(out);
    w2->WriteProperties(o);
    w2->Free();
    const String written(static_cast<const char*>(out->Memory()), static_cast<size_t>(out->Size()));
    EXPECT_EQ(written.find("SelectGenID"), String::npos);
    EXPECT_EQ(written.find("GenBeforePost"), String::npos);
    out->Free();
    o->Free();
    stream->Free();
  }
}

TEST(FormatFields, DefaultsAndStored) {
  TFormatFields* f = New<TFormatFields>(nullptr);
  EXPECT_EQ(f->DateTimeDisplayFormat(), "dd.mm.yyyy hh:mm AMPM");
  EXPECT_EQ(f->NumericDisplayFormat(), "#,##0.");
  EXPECT_EQ(f->NumericEditFormat(), "0.");
  EXPECT_EQ(f->DisplayFormatDate(), "dd.mm.yyyy");
  EXPECT_EQ(f->DisplayFormatTime(), "hh:mm AMPM");
  EXPECT_FALSE(IsStoredProp(f, "NumericDisplayFormat"));
  f->SetNumericDisplayFormat("0.00");
  EXPECT_TRUE(IsStoredProp(f, "NumericDisplayFormat"));

  UseGlobalDefaultFormats = true;
  GlobalDateFormat = "yyyy-mm-dd";
  TFormatFields* g = New<TFormatFields>(nullptr);
  EXPECT_EQ(g->DateTimeDisplayFormat(), "yyyy-mm-dd hh:mm AMPM");
  EXPECT_FALSE(IsStoredProp(g, "DisplayFormatDate"));
  EXPECT_TRUE(IsStoredProp(f, "DisplayFormatDate"));
  UseGlobalDefaultFormats = false;
  GlobalDateFormat = "dd.mm.yyyy";

  // A dataset newly placed in a designer starts from the design-time formats.
  FreedAtEnd ds(New<TFakeDataSet>(nullptr));
  auto* d = static_cast<TFakeDataSet*>(ds.C);
  d->Designing = true;
  DesignNumericEditFormat = "0.000";
  TFormatFields* designed = New<TFormatFields>(d);
  EXPECT_EQ(designed->NumericEditFormat(), "0.000");
  EXPECT_TRUE(IsStoredProp(designed, "NumericEditFormat"));
  designed->Free();
  DesignNumericEditFormat = "0.";

  TFormatFields* h = New<TFormatFields>(nullptr);
  h->Assign(f);
  EXPECT_EQ(h->NumericDisplayFormat(), "0.00");
  h->Free();
  g->Free();
  f->Free();
}

TEST(ConnectParams, ViewOfDBParams) {
  FreedAtEnd conn(New<TFakeConnection>(nullptr));
  auto* c = static_cast<TFakeConnection*>(conn.C);
  TConnectParams* p = New<TConnectParams>(c);
  p->SetUserName("SYSDBA");
  p->SetCharSet("win1251");
  EXPECT_EQ(c->Params->Text(), "user_name=SYSDBA\r\nlc_ctype=WIN1251\r\n");
  EXPECT_EQ(p->CharSet(), "WIN1251");
  EXPECT_FALSE(IsStoredProp(p, "UserName"));
  p->Free();
  TConnectParams* orphan = New<TConnectParams>(nullptr);
  orphan->SetPassword("x");
  EXPECT_EQ(orphan->Password(), "");
  orphan->Free();
}

TEST(DBParams, StreamingHidesThePasswordWhenAsked) {
  for (bool hide : {false, true}) {
    FreedAtEnd conn(New<TFakeConnection>(nullptr));
    auto* c = static_cast<TFakeConnection*>(conn.C);
    c->HidePassword = hide;
    c->Params->SetText("user_name=SYSDBA\r\npassword=masterkey\r\n");
    TMemoryStream* stream = New<TMemoryStream>();
    TWriter* writer = New<TWriter>(stream);
    writer->WriteProperties(c->Params);
    writer->Free();
    EXPECT_EQ(c->Params->Values("password"), "masterkey");  // kept in memory

    stream->SetPosition(0);
    FreedAtEnd other(New<TFakeConnection>(nullptr));
    auto* o = static_cast<TFakeConnection*>(other.C);
    o->Params->Add("stale=1");
    TPropReader* reader = New<TPropReader>(stream);
    reader->ReadProperty(o->Params);
    reader->Free();
    stream->Free();
    EXPECT_EQ(o->Params->Values("user_name"), "SYSDBA");
    EXPECT_EQ(o->Params->Values("password"), hide ? "" : "masterkey");
    EXPECT_EQ(o->Params->IndexOfName("stale"), -1);
  }
}

TEST(DBParams, EmptyListIsNotWritten) {
  TDBParams* p = New<TDBParams>(nullptr);
  TMemoryStream* stream = New<TMemoryStream>();
  TWriter* writer = New<TWriter>(stream);
  writer->WriteProperties(p);
  writer->Free();
  EXPECT_EQ(stream->Size(), 0);
  stream->Free();
  p->Free();
}

TEST(SchemaAndSwapOptions, DefaultsAndSwapFolder) {
  TCacheSchemaOptions* cache = New<TCacheSchemaOptions>();
  EXPECT_TRUE(cache->ValidateAfterLoad());
  EXPECT_FALSE(cache->AutoSaveToFile());
  EXPECT_EQ(GetPropInfo(cache, "ValidateAfterLoad")->Default, 1);
  cache->Free();

  TBlobSwapSupport* swap = New<TBlobSwapSupport>();
  EXPECT_EQ(swap->SwapDir(), "{APP_PATH}");
  EXPECT_FALSE(IsStoredProp(swap, "SwapDir"));
  swap->SetSwapDir("{app_path}Temp");
  EXPECT_TRUE(IsStoredProp(swap, "SwapDir"));
  EXPECT_EQ(swap->ResolveSwapDir(), "");
  swap->SetActive(true);
  EXPECT_EQ(swap->ResolveSwapDir(), ExtractFilePath(ParamStr(0)) + "Temp/");
  swap->SetSwapDir("/var/tmp");
  EXPECT_EQ(swap->ResolveSwapDir(), "/var/tmp/");
  swap->Free();
}

TEST(LibraryDefaults, InitialValues) {
  EXPECT_EQ(DefaultDataSetOptions,
            (TpZAZDsOptions{poTrimCharFields, poRefreshAfterPost, poStartTransaction, poAutoFormatFields}));
  EXPECT_TRUE(DefaultPrepareOptions.Contains(psGetOrderInfo));
  EXPECT_EQ(DefaultTPBMode, tpbReadCommitted);
  EXPECT_EQ(DefaultSQLDialect, 1);
  EXPECT_EQ(GeneratorPrefix, "GEN_");
  EXPECT_EQ(GeneratorSuffix, "_ID");
  EXPECT_EQ(LibraryVersionMajor, 6);
  EXPECT_EQ(LibraryVersionMinor, 25);
}

TEST(FormStream, DataSetOptionsWithLegacyNames) {
  FreedAtEnd ds(New<TFakeDataSet>(nullptr));
  auto* d = static_cast<TFakeDataSet*>(ds.C);
  ReadComponentFromText(
      "object DS1: TFakeDataSet\r\n"
      "  AutoUpdateOptions.UpdateTableName = 'CLIENTS'\r\n"
      "  AutoUpdateOptions.KeyFields = 'ID;CODE'\r\n"
      "  AutoUpdateOptions.AutoReWriteSqls = True\r\n"
      "  AutoUpdateOptions.CanChangeSQLs = True\r\n"
      "  AutoUpdateOptions.UpdateOnlyModifiedFields = True\r\n"
      "  AutoUpdateOptions.SelectGenID = True\r\n"
      "  AutoUpdateOptions.GenBeforePost = False\r\n"
      "  DefaultFormats.NumericDisplayFormat = '0.00'\r\n"
      "end\r\n",
      d);
  EXPECT_EQ(d->Name(), "DS1");
  EXPECT_EQ(d->Options->UpdateTableName(), "CLIENTS");
  EXPECT_EQ(d->Options->KeyFieldList()->Text(), "ID\r\nCODE\r\n");
  EXPECT_TRUE(d->Options->UpdateOnlyModifiedFields());
  EXPECT_EQ(d->Options->WhenGetGenID(), wgOnNewRecord);
  EXPECT_EQ(d->Formats->NumericDisplayFormat(), "0.00");
  EXPECT_EQ(d->Formats->NumericEditFormat(), "0.");

  // Written back: the current names only, defaults left out.
  const String text = ComponentToText(d);
  EXPECT_NE(text.find("AutoUpdateOptions.WhenGetGenID = wgOnNewRecord"), String::npos) << text;
  EXPECT_EQ(text.find("SelectGenID"), String::npos) << text;
  EXPECT_EQ(text.find("GeneratorStep"), String::npos) << text;
  EXPECT_EQ(text.find("NumericEditFormat"), String::npos) << text;
  EXPECT_NE(text.find("DefaultFormats.NumericDisplayFormat = '0.00'"), String::npos) << text;
}

TEST(FormStream, ConnectionParamsAndSwapOptions) {
  FreedAtEnd conn(New<TFakeConnection>(nullptr));
  auto* c = static_cast<TFakeConnection*>(conn.C);
  ReadComponentFromText(
      "object DB1: TFakeConnection\r\n"
      "  DBParams.Strings = (\r\n"
      "    'user_name=SYSDBA'\r\n"
      "    'password=masterkey'\r\n"
      "    'lc_ctype=UTF8')\r\n"
      "  BlobSwapSupport.Active = True\r\n"
      "end\r\n",
      c);
  EXPECT_EQ(c->Connect->UserName(), "SYSDBA");
  EXPECT_EQ(c->Connect->CharSet(), "UTF8");
  EXPECT_TRUE(c->Swap->Active());
  EXPECT_EQ(c->Swap->SwapDir(), "{APP_PATH}");

  c->HidePassword = true;
  const String text = ComponentToText(c);
  EXPECT_NE(text.find("'user_name=SYSDBA'"), String::npos) << text;
  EXPECT_EQ(text.find("masterkey"), String::npos) << text;
  EXPECT_EQ(text.find("ConnectParams"), String::npos) << text;
  EXPECT_EQ(text.find("SwapDir"), String::npos) << text;
  EXPECT_EQ(c->Connect->Password(), "masterkey");
}

TEST(PropertyClasses, PublishedInStreamingOrder) {
  struct Case {
    TClass cls;
    std::vector<String> names;
  } cases[] = {
      {TSQLs::StaticClass(), {"SelectSQL", "UpdateSQL", "DeleteSQL", "InsertSQL", "RefreshSQL"}},
      {TFormatFields::StaticClass(),
       {"DateTimeDisplayFormat", "NumericDisplayFormat", "NumericEditFormat", "DisplayFormatDate",
        "DisplayFormatTime"}},
      {TAutoUpdateOptions::StaticClass(),
       {"UpdateTableName", "KeyFields", "AutoReWriteSqls", "CanChangeSQLs", "GeneratorName",
        "UpdateOnlyModifiedFields", "WhenGetGenID", "GeneratorStep", "ParamsToFieldsLinks", "AutoParamsToFields",
        "SeparateBlobUpdate"}},
      {TCacheSchemaOptions::StaticClass(), {"LocalCacheFile", "AutoSaveToFile", "AutoLoadFromFile", "ValidateAfterLoad"}},
      {TBlobSwapSupport::StaticClass(), {"Active", "SwapDir", "MinBlobSizeToSwap"}},
  };
  for (const Case& c : cases) {
    std::vector<String> names;
    for (const TPropInfo* p : GetPropList(c.cls)) names.push_back(p->Name);
    EXPECT_EQ(names, c.names) << c.cls->ClassName();
  }
}

TEST(PropertyClasses, SQLsAreTheDataSetsTexts) {
  FreedAtEnd ds(New<TFakeDataSet>(nullptr));
  auto* d = static_cast<TFakeDataSet*>(ds.C);
  TSQLs* sqls = New<TSQLs>(d);
  TStringList* text = New<TStringList>();
  text->Add("SELECT * FROM T");
  sqls->SetSelectSQL(text);
  sqls->SetRefreshSQL(text);
  EXPECT_EQ(d->DataSetSQL(dskSelect)->Text(), "SELECT * FROM T\r\n");
  EXPECT_EQ(sqls->RefreshSQL(), d->DataSetSQL(dskRefresh));
  EXPECT_EQ(sqls->UpdateSQL()->Count(), 0);
  text->Free();
  sqls->Free();
  TSQLs* orphan = New<TSQLs>(nullptr);
  EXPECT_EQ(orphan->SelectSQL(), nullptr);
  orphan->Free();
}
