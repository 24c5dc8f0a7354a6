// Values of every common column type read from and written through the dataset's record buffers.
#include <gtest/gtest.h>
#include <ibase.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/DateTime.h"
#include "rtl/FMTBcd.h"
#include "rtl/StringLists.h"

#include "ScratchDatabase.h"

namespace {

class FieldValues : public scratch::DatabaseTest {
protected:
  void SetUp() override {
    OpenScratch("v.fdb");
    Exec("CREATE TABLE V (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, BI BIGINT, N4 NUMERIC(18,4), "
         "N5 NUMERIC(18,5), N2 NUMERIC(9,2), D DOUBLE PRECISION, DT DATE, TM TIME, TS TIMESTAMP, "
         "CH CHAR(3), B BOOLEAN)");
    TR->Commit();
    TR->StartTransaction();
    Exec("INSERT INTO V VALUES (1, -7, 123456789012, 1234.5678, 1.23456, 12.34, 2.5, "
         "'2024-02-29', '13:45:30', '2024-02-29 13:45:30.250', 'ab', TRUE)");
    DS = New<TFIBDataSet>(nullptr);
    DS->SetDatabase(DB);
    DS->SetTransaction(TR);
    DS->SelectSQL()->SetText("SELECT * FROM V");
    DS->UpdateSQL()->SetText(
        "UPDATE V SET S = :S, BI = :BI, N4 = :N4, N2 = :N2, D = :D, DT = :DT, TM = :TM, TS = :TS, CH = :CH, "
        "B = :B WHERE ID = :OLD_ID");
  }
  void TearDown() override { DS->Free(); }
  TFIBDataSet* DS = nullptr;
};

TEST_F(FieldValues, TypesChosenByColumnAndValuesRead) {
  DS->Open();
  struct {
    const char* name;
    TFieldType type;
    int32_t size;
    const char* text;
  } cases[] = {
      {"S", ftSmallint, 0, "-7"},
      {"N4", ftBCD, 4, nullptr},
      {"N2", ftFloat, 0, nullptr},
      {"DT", ftDate, 0, nullptr},
      {"TM", ftTime, 0, nullptr},
      {"TS", ftDateTime, 0, nullptr},
      {"CH", ftString, 12, "ab"},
      {"B", ftBoolean, 0, nullptr},
  };
  for (const auto& c : cases) {
    TField* f = DS->FieldByName(c.name);
    EXPECT_EQ(f->DataType(), c.type) << c.name;
    if (c.size) {
      EXPECT_EQ(f->Size(), c.size) << c.name;
    }
    if (c.text) {
      EXPECT_EQ(f->AsString(), c.text) << c.name;
    }
  }
  // A scale beyond 4 decimals becomes a double; a plain BIGINT keeps every digit.
  EXPECT_EQ(DS->FieldByName("N5")->DataType(), ftFloat);
  EXPECT_NEAR(DS->FieldByName("N5")->AsFloat(), 1.23456, 1e-12);
  EXPECT_EQ(DS->FieldByName("N4")->AsCurrency().Value, 12345678);
  EXPECT_DOUBLE_EQ(DS->FieldByName("N2")->AsFloat(), 12.34);
  EXPECT_EQ(DS->FieldByName("BI")->AsCurrency().Value, 1234567890120000LL);
  EXPECT_DOUBLE_EQ(DS->FieldByName("D")->AsFloat(), 2.5);
  EXPECT_EQ(DS->FieldByName("DT")->AsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_NEAR(DS->FieldByName("TM")->AsDateTime(), EncodeTime(13, 45, 30, 0), 1e-9);
  EXPECT_NEAR(DS->FieldByName("TS")->AsDateTime(), EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 250), 1e-9);
  EXPECT_TRUE(DS->FieldByName("B")->AsBoolean());
}

TEST_F(FieldValues, EditedValuesReachTheServer) {
  DS->Open();
  DS->Edit();
  DS->FieldByName("S")->SetAsInteger(12);
  DS->FieldByName("N4")->SetAsCurrency(Currency::FromScaled(-1));
  EXPECT_EQ(DS->FieldByName("N4")->AsCurrency().Value, -1) << "in the buffer";
  DS->FieldByName("N2")->SetAsFloat(7.25);
  DS->FieldByName("DT")->SetAsDateTime(EncodeDate(1858, 11, 17));
  DS->FieldByName("TM")->SetAsDateTime(EncodeTime(0, 0, 1, 500));
  DS->FieldByName("TS")->SetAsDateTime(EncodeDate(2000, 1, 1) + EncodeTime(23, 59, 59, 0));
  DS->FieldByName("CH")->SetAsString("xyz");
  DS->FieldByName("B")->SetAsBoolean(false);
  DS->Post();
  DS->Close();
  DS->Open();
  EXPECT_EQ(DS->FieldByName("S")->AsInteger(), 12);
  EXPECT_EQ(DS->FieldByName("N4")->AsCurrency().Value, -1);
  EXPECT_DOUBLE_EQ(DS->FieldByName("N2")->AsFloat(), 7.25);
  EXPECT_EQ(DS->FieldByName("DT")->AsDateTime(), EncodeDate(1858, 11, 17));
  EXPECT_NEAR(DS->FieldByName("TM")->AsDateTime(), EncodeTime(0, 0, 1, 500), 1e-9);
  EXPECT_NEAR(DS->FieldByName("TS")->AsDateTime(), EncodeDate(2000, 1, 1) + EncodeTime(23, 59, 59, 0), 1e-9);
  EXPECT_EQ(DS->FieldByName("CH")->AsString(), "xyz");
  EXPECT_FALSE(DS->FieldByName("B")->AsBoolean());
}

}  // namespace
