// Field settings of the extended dataset taken from the metadata cache: required and read-only fields,
// imported default values on new records, and the server record count.
#include "DataSetServicesSupport.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"

namespace {

using dss::ServicesTest;

const char* const AllColumns = "SELECT * FROM T ORDER BY ID";
const char* const Joined = "SELECT T.ID, T.NAME, T.TOTAL, U.LABEL FROM T JOIN U ON U.T_ID = T.ID";

TpPrepareOptions With(TpPrepareOptions o, std::initializer_list<TpPrepareOption> add) {
  for (TpPrepareOption p : add) o.Include(p);
  return o;
}

TEST_F(ServicesTest, RequiredFieldsFollowNullabilityDefaultsAndComputedColumns) {
  auto* ds = NewDataSet(AllColumns);
  ds->SetPrepareOptions(With(ds->PrepareOptions(), {pfSetRequiredFields}));
  ds->Open();
  const std::pair<const char*, bool> expected[] = {
      {"ID", true}, {"NAME", true}, {"QTY", false}, {"NOTE", false}, {"TOTAL", false}};
  for (const auto& [name, required] : expected) EXPECT_EQ(ds->FieldByName(name)->Required(), required) << name;
  // Without the option nothing is made required.
  auto* plain = NewDataSet(AllColumns);
  plain->Open();
  EXPECT_FALSE(plain->FieldByName("NAME")->Required());
}

struct ReadOnlyCase {
  const char* name;
  bool autoRewrite;
  bool canEditComputed;
  bool idReadOnly, labelReadOnly, totalReadOnly;
};

class ReadOnlyFields : public ServicesTest, public ::testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(ReadOnlyFields, FieldsOutsideTheUpdateTableAndComputedOnesAreReadOnly) {
  const ReadOnlyCase c = GetParam();
  auto* ds = NewDataSet(Joined);
  TpPrepareOptions po = With(ds->PrepareOptions(), {pfSetReadOnlyFields});
  if (c.canEditComputed) po.Include(psCanEditComputedFields);
  ds->SetPrepareOptions(po);
  if (c.autoRewrite) {
    ds->AutoUpdateOptions()->SetUpdateTableName("T");
    ds->AutoUpdateOptions()->SetKeyFields("ID");
    ds->AutoUpdateOptions()->SetAutoReWriteSqls(true);
  }
  ds->Open();
  EXPECT_EQ(ds->FieldByName("ID")->ReadOnly(), c.idReadOnly);
  EXPECT_EQ(ds->FieldByName("LABEL")->ReadOnly(), c.labelReadOnly);
  EXPECT_EQ(ds->FieldByName("TOTAL")->ReadOnly(), c.totalReadOnly);
}

INSTANTIATE_TEST_SUITE_P(Rules, ReadOnlyFields,
                         ::testing::Values(ReadOnlyCase{"GeneratedStatements", true, false, false, true, true},
                                           ReadOnlyCase{"GivenUpdateStatement", false, false, false, true, true},
                                           ReadOnlyCase{"ComputedEditable", true, true, false, true, false}),
                         [](const auto& info) { return String(info.param.name); });

TEST_F(ServicesTest, DefaultsAreImportedAndFillNewRecords) {
  auto* ds = NewDataSet(AllColumns);
  ds->Open();
  const String sep(1, FormatSettings().DecimalSeparator);
  EXPECT_EQ(ds->FieldByName("NOTE")->DefaultExpression(), "'abc'");
  EXPECT_EQ(ds->FieldByName("QTY")->DefaultExpression(), "5");
  EXPECT_EQ(ds->FieldByName("PRICE")->DefaultExpression(), "1" + sep + "5");
  EXPECT_EQ(ds->FieldByName("DAY_")->DefaultExpression(), DateToStr(EncodeDate(2026, 5, 4)));
  EXPECT_EQ(ds->FieldByName("CREATED")->DefaultExpression(), "CURRENT_TIMESTAMP");
  EXPECT_EQ(ds->FieldByName("NAME")->DefaultExpression(), "");

  const TDateTime before = Now();
  ds->Insert();
  EXPECT_EQ(ds->FieldByName("NOTE")->AsString(), "abc");
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 5);
  EXPECT_DOUBLE_EQ(ds->FieldByName("PRICE")->AsFloat(), 1.5);
  EXPECT_EQ(ds->FieldByName("WHO")->AsString(), "SYSDBA");
  EXPECT_EQ(ds->FieldByName("DAY_")->AsDateTime(), EncodeDate(2026, 5, 4));
  const TDateTime created = ds->FieldByName("CREATED")->AsDateTime();
  EXPECT_GE(created, before - 1.0 / 86400);
  EXPECT_LE(created, Now() + 1.0 / 86400);
  EXPECT_TRUE(ds->FieldByName("NAME")->IsNull());
  ds->Cancel();
}

TEST_F(ServicesTest, DefaultsAreLeftToTheHandlersThatApplyThem) {
  auto* ds = NewDataSet(AllColumns);
  auto* container = New<TDataSetsContainer>(Owner);
  ds->SetContainer(container);
  container->OnApplyDefaultValue = [](TDataSet*, TField* f, bool& applied) {
    if (f->FieldName() == "NOTE") {
      f->SetAsString("from container");
      applied = true;
    }
  };
  ds->OnApplyDefaultValue = [](TDataSet*, TField* f, bool& applied) {
    if (f->FieldName() == "QTY" || f->FieldName() == "NOTE") applied = f->FieldName() == "QTY";
  };
  ds->Open();
  ds->Append();
  EXPECT_EQ(ds->FieldByName("NOTE")->AsString(), "from container");
  EXPECT_TRUE(ds->FieldByName("QTY")->IsNull());
  EXPECT_EQ(ds->FieldByName("WHO")->AsString(), "SYSDBA");
  ds->Cancel();
}

TEST_F(ServicesTest, DateKeywordsGiveServerDays) {
  auto* ds = NewDataSet(AllColumns);
  ds->Open();
  const std::pair<const char*, int> days[] = {{"TODAY", 0}, {"'TOMORROW'", 1}, {"YESTERDAY", -1}};
  for (const auto& [keyword, shift] : days) {
    ds->FieldByName("DAY_")->SetDefaultExpression(keyword);
    ds->Append();
    EXPECT_EQ(ds->FieldByName("DAY_")->AsDateTime(), static_cast<double>(static_cast<int64_t>(Now()) + shift))
        << keyword;
    ds->Cancel();
  }
  ds->FieldByName("DAY_")->SetDefaultExpression("NULL");
  ds->Append();
  EXPECT_TRUE(ds->FieldByName("DAY_")->IsNull());
  ds->Cancel();
}

TEST_F(ServicesTest, ServerRecordCountBeforeTheRowsAreFetched) {
  auto* ds = NewDataSet();
  ds->SetPrepareOptions(With(ds->PrepareOptions(), {psAskRecordCount}));
  ds->Open();
  EXPECT_EQ(ds->ServerRecordCount(), 5);
  EXPECT_EQ(ds->RecordCount(), 5);  // one row fetched so far
  ds->Last();
  ds->Delete();
  EXPECT_EQ(ds->RecordCount(), 4);
  ds->Close();

  ds->OnAskRecordCount = [](TDataSet*, String& text) { text = "SELECT COUNT(*) FROM T WHERE ID < 3"; };
  ds->Open();
  EXPECT_EQ(ds->ServerRecordCount(), 2);
  ds->Close();

  auto* plain = NewDataSet();
  plain->Open();
  EXPECT_EQ(plain->ServerRecordCount(), 0);
  EXPECT_EQ(plain->RecordCount(), 1);
}

TEST_F(ServicesTest, RepositorySettingsApplyWhenTheCacheCarriesThem) {
  auto* ds = NewDataSet(AllColumns);
  TpPrepareOptions po = ds->PrepareOptions();
  po.Include(psApplyRepositary);
  ds->SetPrepareOptions(po);
  TpZAZFieldInfo* name = ListTableInfo()->GetFieldInfo(DB, "T", true, "NAME");
  ASSERT_NE(name, nullptr);
  name->WithAdditionalInfo = true;
  name->DisplayLabel = "Название";
  name->DisplayWidth = 12;
  name->Visible = false;
  TpZAZFieldInfo* price = ListTableInfo()->GetFieldInfo(DB, "T", true, "PRICE");
  price->WithAdditionalInfo = true;
  price->Visible = true;
  price->DisplayFormat = "0.000";
  ds->Open();
  EXPECT_EQ(ds->FieldByName("NAME")->DisplayLabel(), "Название");
  EXPECT_EQ(ds->FieldByName("NAME")->DisplayWidth(), 12);
  EXPECT_FALSE(ds->FieldByName("NAME")->Visible());
  EXPECT_EQ(static_cast<TNumericField*>(ds->FieldByName("PRICE"))->DisplayFormat(), "0.000");
  EXPECT_TRUE(ds->FieldByName("QTY")->Visible());  // no repository entry: untouched
}

}  // namespace
