// What a dataset tells of its fields (relation, column, alias, origin, key, descriptor), GUID columns,
// the notifications of field changes and disabled controls, the kinds of change it allows, and the blob
// swap files of its blob fields. One database serves the whole suite; every test rolls its changes back.
#include <gtest/gtest.h>
#include <ibase.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBBlobStream.h"
#include "dbaccess/FIBConditions.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pFIBProps.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/GUID.h"
#include "rtl/StringLists.h"

#include "SuiteDatabase.h"
#include "ScratchFolder.h"

namespace {

class SharedDatabaseTest : public scratch::SuiteDatabaseTest {
protected:
  static void SetUpTestSuite() {
    CreateSuiteDatabase("vorn-datasets-fieldinfo",
                        {
                            "CREATE DOMAIN D_GUID AS CHAR(16) CHARACTER SET OCTETS",
                            "CREATE TABLE P (ID INTEGER NOT NULL, K2 VARCHAR(10) NOT NULL, NAME VARCHAR(40), "
                            "AMOUNT NUMERIC(9,2), G D_GUID, MEMO BLOB SUB_TYPE 1, DATA BLOB, PRIMARY KEY (ID, K2))",
                            "CREATE TABLE Q (QID INTEGER NOT NULL PRIMARY KEY, P_ID INTEGER, LABEL VARCHAR(20))",
                        },
                        {
                            "INSERT INTO P (ID, K2, NAME, AMOUNT, MEMO, DATA) VALUES (1, 'a', 'one', 1.25, "
                            "'memo one', '0123456789abcdef0123456789')",
                            "INSERT INTO P (ID, K2, NAME, AMOUNT) VALUES (2, 'b', 'two', 2.50)",
                            "INSERT INTO Q (QID, P_ID, LABEL) VALUES (10, 1, 'ten')",
                            "INSERT INTO Q (QID, P_ID, LABEL) VALUES (20, 2, 'twenty')",
                        });
  }

  TpZAZDataSet* NewDataSet(const String& select) {
    auto* ds = New<TpZAZDataSet>(nullptr);
    ds->SetName("ds" + std::to_string(DataSets.size() + 1));
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->SelectSQL()->SetText(select);
    DataSets.push_back(ds);
    return ds;
  }
};

// --- field information -----------------------------------------------------------------------------------

class FieldInfoTest : public SharedDatabaseTest {
protected:
  TpZAZDataSet* Joined() {
    TpZAZDataSet* ds = NewDataSet(
        "SELECT p.ID, p.K2, p.NAME AS TITLE, p.AMOUNT, q.LABEL, p.RDB$DB_KEY FROM P p JOIN Q q ON q.P_ID = p.ID "
        "ORDER BY p.ID");
    auto* calc = New<TStringField>(ds);
    calc->SetFieldName("SHOWN");
    calc->SetFieldKind(fkCalculated);
    calc->SetSize(20);
    ds->FieldDefs()->Update();
    for (int32_t i = 0; i < ds->FieldDefs()->Count(); ++i) ds->FieldDefs()->Items(i)->CreateField(ds);
    calc->SetDataSet(ds);
    return ds;
  }
};

TEST_F(FieldInfoTest, TableColumnAliasAndScaleOfEachField) {
  TpZAZDataSet* ds = Joined();
  ds->Open();
  struct Case {
    const char* field;
    const char* table;
    const char* column;
    const char* alias;
    int32_t scale;
  };
  const Case cases[] = {
      {"ID", "P", "ID", "P", 0},
      {"TITLE", "P", "NAME", "P", 0},
      {"AMOUNT", "P", "AMOUNT", "P", -2},
      {"LABEL", "Q", "LABEL", "Q", 0},
      {"DB_KEY", "P", "RDB$DB_KEY", "P", 0},
      {"SHOWN", "CALCULATED", "SHOWN", "", 100},
  };
  for (const Case& c : cases) {
    TField* f = ds->FieldByName(c.field);
    EXPECT_EQ(ds->GetFieldTableName(f), c.table) << c.field;
    EXPECT_EQ(ds->GetFieldColumnName(f), c.column) << c.field;
    if (f->FieldKind() == fkData) {
      EXPECT_EQ(ds->FieldTableAlias(c.field), c.alias) << c.field;
    }
    EXPECT_EQ(ds->GetFieldScale(f), c.scale) << c.field;
  }
  EXPECT_TRUE(ds->IsDBKeyField(ds->FieldByName("DB_KEY")));
  EXPECT_FALSE(ds->IsDBKeyField(ds->FieldByName("ID")));
  EXPECT_EQ(ds->GetFieldTableName(ds->FieldDefs()->Items(2)), "P");
  EXPECT_EQ(ds->GetFieldColumnName(ds->FieldDefs()->Items(2)), "NAME");

  const fbapi::XSQLVAR amount = ds->GetFieldSQLVar(ds->FieldByName("AMOUNT"));
  EXPECT_EQ(amount.sqlscale, -2);
  EXPECT_EQ(amount.sqltype & ~1, SQL_LONG);
  EXPECT_EQ(ds->GetFieldSQLVar(nullptr).sqltype, -1);
  EXPECT_EQ(ds->GetFieldSQLVar(ds->FieldByName("SHOWN")).sqltype, -1);
}

TEST_F(FieldInfoTest, OriginFollowsTheRuleAtOpen) {
  struct Case {
    TFieldOriginRule rule;
    const char* title;   // origin of the aliased column
    const char* shown;   // origin of the calculated field
  };
  const Case cases[] = {
      {forNoRule, "", ""},
      {forTableAndFieldName, "P.NAME", "CALCULATED.SHOWN"},
      {forClientFieldName, "TITLE", "SHOWN"},
      {forTableAliasAndFieldName, "P.NAME", "CALCULATED.SHOWN"},
  };
  for (const Case& c : cases) {
    TpZAZDataSet* ds = Joined();
    ds->SetFieldOriginRule(c.rule);
    ds->Open();
    EXPECT_EQ(ds->FieldByName("TITLE")->Origin(), c.title) << int(c.rule);
    EXPECT_EQ(ds->FieldByName("SHOWN")->Origin(), c.shown) << int(c.rule);
    EXPECT_EQ(ds->GetFieldOrigin(ds->FieldByName("TITLE")), c.title) << int(c.rule);
  }
  // A table alias that differs from the table name shows in the alias rule only.
  TpZAZDataSet* aliased = NewDataSet("SELECT x.ID, x.NAME FROM P x");
  aliased->SetFieldOriginRule(forTableAliasAndFieldName);
  aliased->Open();
  EXPECT_EQ(aliased->FieldByName("NAME")->Origin(), "X.NAME");
}

TEST_F(FieldInfoTest, FieldsFoundByRelationOriginColumnAndKey) {
  TpZAZDataSet* ds = Joined();
  ds->Open();
  EXPECT_EQ(ds->FindFieldByRelation("P", "NAME"), ds->FieldByName("TITLE"));
  EXPECT_EQ(ds->FindFieldByRelation("\"Q\"", "\"LABEL\""), ds->FieldByName("LABEL"));
  // Dialect 3 takes unquoted names as written.
  EXPECT_EQ(ds->FindFieldByRelation("p", "name"), nullptr);
  EXPECT_EQ(ds->FindFieldByOrigin("Q.LABEL"), ds->FieldByName("LABEL"));
  EXPECT_EQ(ds->FindFieldByOrigin("LABEL"), nullptr);
  EXPECT_EQ(ds->FindFieldByColumnName("name"), ds->FieldByName("TITLE"));
  EXPECT_EQ(ds->GetPrimaryKeyFieldNames("P"), "ID;K2");
  // Q's key column is not selected.
  EXPECT_EQ(ds->GetPrimaryKeyFieldNames("Q"), "");

  // Without fields the key is named by the select's columns.
  TpZAZDataSet* bare = NewDataSet("SELECT K2, ID AS PID, NAME FROM P");
  bare->Prepare();
  ASSERT_EQ(bare->FieldCount(), 0);
  EXPECT_EQ(bare->GetPrimaryKeyFieldNames("P"), "PID;K2");

  EXPECT_EQ(ds->FieldByNameCached("\"TITLE\""), ds->FieldByName("TITLE"));
  try {
    ds->FieldByNameCached("MISSING");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("Field 'MISSING' not found"), String::npos);
  }
}

TEST_F(FieldInfoTest, ExpandedSelectTextCarriesTheMacroValues) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID FROM P WHERE @@cond%1=1@ ORDER BY ID");
  EXPECT_EQ(Trim(ds->ExpandedSelectText()), "SELECT ID FROM P WHERE 1=1 ORDER BY ID");
  ds->QSelect()->ParamByName("COND")->SetAsString("ID > 1");
  EXPECT_EQ(Trim(ds->ExpandedSelectText()), "SELECT ID FROM P WHERE ID > 1 ORDER BY ID");
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 1);
}

TEST_F(FieldInfoTest, SQLsAndConditionsAreTheStatementsOwn) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID, K2, NAME FROM P");
  ds->UpdateSQL()->SetText("UPDATE P SET NAME = ?NAME WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
  EXPECT_EQ(ds->SQLs()->SelectSQL(), ds->SelectSQL());
  EXPECT_EQ(ds->SQLs()->UpdateSQL()->Text(), ds->UpdateSQL()->Text());
  TpZAZDataSet* copy = NewDataSet("");
  copy->SetSQLs(ds->SQLs());
  EXPECT_EQ(copy->SelectSQL()->Text(), ds->SelectSQL()->Text());
  EXPECT_EQ(copy->UpdateSQL()->Text(), ds->UpdateSQL()->Text());

  EXPECT_EQ(ds->Conditions(), ds->QSelect()->Conditions());
  ds->Conditions()->AddCondition("first", "ID = 1", true);
  ds->Conditions()->Apply();
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 1);
}

// --- notifications and allowed changes ----------------------------------------------------------------------

TEST_F(FieldInfoTest, FieldChangeAndControlsEvents) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID, K2, NAME FROM P ORDER BY ID");
  ds->UpdateSQL()->SetText("UPDATE P SET NAME = ?NAME WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
  std::vector<String> log;
  struct Sink : TObject {
    explicit Sink(std::vector<String>* log) : Log(log) {}
    std::vector<String>* Log;
    void Changed(TField* f) { Log->push_back("change " + f->FieldName()); }
    void Disabled(TDataSet*) { Log->push_back("disabled"); }
    void Enabled(TDataSet*) { Log->push_back("enabled"); }
  } sink(&log);
  ds->OnFieldChange = TFieldNotifyEvent(&sink, &Sink::Changed);
  ds->OnDisableControls = TDataSetNotifyEvent(&sink, &Sink::Disabled);
  ds->OnEnableControls = TDataSetNotifyEvent(&sink, &Sink::Enabled);
  ds->Open();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("uno");
  ds->DisableControls();
  ds->DisableControls();
  ds->FieldByName("NAME")->SetAsString("eins");
  ds->EnableControls();
  ds->EnableControls();
  ds->Post();
  const std::vector<String> expected{"change NAME", "disabled", "change NAME", "enabled"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(Value("SELECT NAME FROM P WHERE ID = 1").AsString(), "eins");
}

TEST_F(FieldInfoTest, AllowedUpdateKindsNarrowWhatTheStatementsAllow) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID, K2, NAME FROM P ORDER BY ID");
  ds->UpdateSQL()->SetText("UPDATE P SET NAME = ?NAME WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
  ds->DeleteSQL()->SetText("DELETE FROM P WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
  ds->SetAllowedUpdateKinds({ukModify});
  ds->Open();
  EXPECT_TRUE(ds->CanModify());
  try {
    ds->Delete();
  } catch (const EAbort&) {
  } catch (const EFIBError&) {
  }
  EXPECT_EQ(Value("SELECT COUNT(*) FROM P").AsInteger(), 2);
  ds->SetAllowedUpdateKinds({});
  EXPECT_FALSE(ds->CanModify());
  ds->SetAllowedUpdateKinds({ukModify, ukInsert, ukDelete});
  ds->Delete();
  EXPECT_EQ(Value("SELECT COUNT(*) FROM P").AsInteger(), 1);
}

// --- GUID and memo columns ---------------------------------------------------------------------------------

TEST_F(FieldInfoTest, GuidColumnOfAGuidDomainKeepsSixteenBytes) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID, K2, G FROM P ORDER BY ID");
  ds->UpdateSQL()->SetText("UPDATE P SET G = ?G WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
  ds->RefreshSQL()->SetText("SELECT ID, K2, G FROM P WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
  ds->SetPrepareOptions(ds->PrepareOptions() + TpPrepareOptions{psUseGuidField});
  ds->Open();
  auto* g = dynamic_cast<TFIBGuidField*>(ds->FieldByName("G"));
  ASSERT_NE(g, nullptr);
  EXPECT_TRUE(g->IsNull());
  // Zero bytes inside the value must survive the trip.
  const TGUID guid = StringToGUID("{00112233-0000-5566-7788-0099AABBCC00}");
  ds->Edit();
  g->SetGuidValue(guid);
  ds->Post();
  EXPECT_EQ(g->AsString(), "{00112233-0000-5566-7788-0099AABBCC00}");
  const String raw = Value("SELECT G FROM P WHERE ID = 1").AsString();
  ASSERT_EQ(raw.size(), 16u);
  EXPECT_EQ(std::memcmp(raw.data(), &guid, 16), 0);

  ds->Close();
  ds->Open();
  g = dynamic_cast<TFIBGuidField*>(ds->FieldByName("G"));
  ASSERT_NE(g, nullptr);
  EXPECT_TRUE(IsEqualGUID(g->GetGuidValue(), guid));
  ds->Edit();
  g->SetAsString("");
  ds->Post();
  EXPECT_TRUE(VarIsNull(Value("SELECT G FROM P WHERE ID = 1")));

  // Without the option the column is plain text.
  TpZAZDataSet* plain = NewDataSet("SELECT G FROM P");
  plain->Open();
  EXPECT_EQ(plain->FieldByName("G")->DataType(), ftString);
}

TEST_F(FieldInfoTest, MemoFieldsTakeTheirCharacterSetWithUnicodeBlobs) {
  const int32_t charset = Value("SELECT F.RDB$CHARACTER_SET_ID FROM RDB$RELATION_FIELDS R JOIN RDB$FIELDS F ON "
                                "F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE WHERE R.RDB$RELATION_NAME = 'P' AND "
                                "R.RDB$FIELD_NAME = 'MEMO'")
                              .AsInteger();
  ASSERT_GT(charset, 0);
  for (bool unicode : {false, true}) {
    TpZAZDataSet* ds = NewDataSet("SELECT ID, MEMO FROM P ORDER BY ID");
    if (unicode) ds->SetPrepareOptions(ds->PrepareOptions() + TpPrepareOptions{psSupportUnicodeBlobs});
    ds->Open();
    auto* memo = dynamic_cast<TFIBMemoField*>(ds->FieldByName("MEMO"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->CharacterSet(), unicode ? charset : 0);
    EXPECT_EQ(memo->AsString(), "memo one");
  }
}

}  // namespace
