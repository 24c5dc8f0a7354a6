// Locate, the extended locate and Lookup over the cached rows of an SQL dataset, against an embedded
// database: key matching, the binary search over the row order and the nearest position.
#include <gtest/gtest.h>

#include "DataSetServicesSupport.h"
#include "dbaccess/VariantRtn.h"

namespace {

class LocateTest : public dss::ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    TR->StartTransaction();
    Exec("CREATE TABLE K (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), QTY INTEGER)");
    TR->Commit();
    TR->StartTransaction();
    Exec("INSERT INTO K VALUES (1, 'ABC', 10)");
    Exec("INSERT INTO K VALUES (2, 'abd', NULL)");
    Exec("INSERT INTO K VALUES (3, 'Xyz', 30)");
    Exec("INSERT INTO K VALUES (4, 'AB', 40)");
    Exec("INSERT INTO K VALUES (5, 'ABC', 50)");
  }

  TFIBDataSet* Open(const String& select) {
    auto* ds = NewDataSet<TFIBDataSet>(select);
    ds->Open();
    return ds;
  }

  // 1000 rows with the even keys 2 .. 2000.
  void FillEven() {
    Exec("CREATE TABLE E (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(10))");
    TR->Commit();
    TR->StartTransaction();
    Exec("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 1000) DO BEGIN "
         "INSERT INTO E VALUES (:I * 2, 'n' || :I); I = I + 1; END END");
  }
};

struct LocateCase {
  const char* Fields;
  Variant Key;
  TExtLocateOptions Options;
  int32_t ExpectedId;  // 0: not found, the position stays on row 2
};

TEST_F(LocateTest, MatchesKeysByTheOptions) {
  const LocateCase cases[] = {
      {"NAME", Variant("AB"), {}, 4},
      {"NAME", Variant("AB"), {LocatePartialKey}, 1},
      {"NAME", Variant("ab"), {LocateCaseInsensitive}, 4},
      {"NAME", Variant("ABD"), {}, 0},
      {"NAME", Variant("ABD"), {LocateCaseInsensitive}, 2},
      {"NAME", Variant("xy"), {LocateCaseInsensitive, LocatePartialKey}, 3},
      {"NAME", Variant("X%"), {LocateWildcards}, 3},
      {"NAME", Variant("a_d"), {LocateWildcards}, 2},
      {"NAME", Variant("A_D"), {LocateWildcards}, 0},
      {"QTY", Variant(""), {}, 2},
      {"QTY", Variant(30), {}, 3},
      {"QTY", Variant("50"), {}, 5},
      {"QTY", Variant::Null(), {}, 2},
      {"NAME;QTY", VarArrayOf({Variant("ABC"), Variant(50)}), {}, 5},
      {"NAME;QTY", VarArrayOf({Variant("ABC"), Variant(40)}), {}, 0},
      {"NAME", Variant("ZZZ"), {}, 0},
  };
  TFIBDataSet* ds = Open("SELECT ID, NAME, QTY FROM K ORDER BY ID");
  for (size_t i = 0; i < std::size(cases); ++i) {
    const LocateCase& c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    ds->First();
    ds->Next();
    const bool found = ds->LocateExt(c.Fields, c.Key, c.Options);
    EXPECT_EQ(found, c.ExpectedId != 0);
    EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), c.ExpectedId != 0 ? c.ExpectedId : 2);
  }
  // The platform's options reach the same matching.
  ds->First();
  EXPECT_TRUE(ds->Locate("NAME", Variant("ab"), TLocateOptions{loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
}

TEST_F(LocateTest, LookupKeepsTheCurrentRecord) {
  TFIBDataSet* ds = Open("SELECT ID, NAME, QTY FROM K ORDER BY ID");
  ds->Last();
  const Variant v = ds->Lookup("NAME", Variant("Xyz"), "ID;QTY");
  ASSERT_TRUE(VarIsArray(v));
  EXPECT_EQ(VarArrayGet(v, {0}).AsInteger(), 3);
  EXPECT_EQ(VarArrayGet(v, {1}).AsInteger(), 30);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);
  EXPECT_TRUE(VarIsNull(ds->Lookup("NAME", Variant("none"), "ID")));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);
  EXPECT_TRUE(VarIsNull(ds->Lookup("NAME", Variant("AB"), "  ")));
}

TEST_F(LocateTest, ScansForwardAndBackwardFromTheCurrentRow) {
  TFIBDataSet* ds = Open("SELECT ID, NAME, QTY FROM K ORDER BY ID");
  ds->First();
  ASSERT_TRUE(ds->LocateInCache("NAME", Variant("ABC"), {}, false, 1, true));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);
  ASSERT_TRUE(ds->LocateInCache("NAME", Variant("ABC"), {}, false, 2, true));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  EXPECT_FALSE(ds->LocateInCache("NAME", Variant("ABC"), {}, false, 2, true));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
}

TEST_F(LocateTest, SortedRowsAreSearchedBinary) {
  FillEven();
  TFIBDataSet* ds = Open("SELECT ID, NAME FROM E ORDER BY ID");
  ASSERT_EQ(ds->OrderFieldCount(), 1);
  ds->FetchAll();
  ASSERT_EQ(ds->FetchedCount(), 1000);
  const int64_t before = ds->LocateRowTests();
  ASSERT_TRUE(ds->LocateExt("ID", Variant(1554), {LocateInSortOrder}));
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "n777");
  EXPECT_LE(ds->LocateRowTests() - before, 12);
  // Without the option every row before the match is compared.
  const int64_t scan = ds->LocateRowTests();
  ASSERT_TRUE(ds->LocateExt("ID", Variant(1554), {}));
  EXPECT_EQ(ds->LocateRowTests() - scan, 777);
}

TEST_F(LocateTest, NearestPositionsOnTheNextGreaterKey) {
  FillEven();
  TFIBDataSet* ds = Open("SELECT ID, NAME FROM E ORDER BY ID");
  ds->FetchAll();
  EXPECT_FALSE(ds->LocateExt("ID", Variant(777), {LocateInSortOrder, LocateNearest}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 778);
  EXPECT_FALSE(ds->LocateExt("ID", Variant(1), {LocateInSortOrder, LocateNearest}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  // Without LocateNearest a failed search leaves the position alone.
  EXPECT_FALSE(ds->LocateExt("ID", Variant(1001), {LocateInSortOrder}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
}

TEST_F(LocateTest, KeysBeyondTheFetchedRowsFetchOnDemand) {
  FillEven();
  TFIBDataSet* ds = Open("SELECT ID, NAME FROM E ORDER BY ID");
  ASSERT_LT(ds->FetchedCount(), 100);
  ASSERT_TRUE(ds->LocateExt("ID", Variant(1200), {LocateInSortOrder}));
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "n600");
  EXPECT_GE(ds->FetchedCount(), 600);
  EXPECT_LT(ds->FetchedCount(), 1000);
  // LocateFetchedOnly stays within the rows already fetched.
  EXPECT_FALSE(ds->LocateExt("ID", Variant(1800), {LocateFetchedOnly}));
  EXPECT_LT(ds->FetchedCount(), 1000);
}

}  // namespace
