#include <gtest/gtest.h>

#include <cstring>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBXSQLDA.h"
#include "rtl/DateTime.h"

namespace {

// Blocks without a statement: the raw entries as the client API sees them.
class XSQLDATest : public ::testing::Test {
protected:
  TFIBXSQLDA* Params = New<TFIBXSQLDA>(nullptr, true);
  TFIBXSQLDA* Result = New<TFIBXSQLDA>(nullptr, false);
  ~XSQLDATest() override {
    Params->Free();
    Result->Free();
  }
};

TEST_F(XSQLDATest, DatesAndTimesAreSentAsTimeStamps) {
  Params->SetCount(2);
  Params->AddName("D", 0, false);
  Params->AddName("T", 1, false);
  const TDateTime day = EncodeDate(2000, 1, 1);
  Params->GetVar(0)->SetAsDate(day + 0.75);
  Params->GetVar(1)->SetAsTime(0.5);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(Params->GetVar(i)->GetSQLType(), SQLTypeTimeStamp);
  fbapi::ISC_TIMESTAMP ts;
  std::memcpy(&ts, Params->GetVar(0)->GetXSQLVAR()->sqldata, sizeof ts);
  EXPECT_EQ(ts.timestamp_date, static_cast<int32_t>(day) + 15018);
  EXPECT_EQ(ts.timestamp_time, 0u);
  std::memcpy(&ts, Params->GetVar(1)->GetXSQLVAR()->sqldata, sizeof ts);
  EXPECT_EQ(ts.timestamp_date, 15018);
  EXPECT_EQ(ts.timestamp_time, 432000000u);
  EXPECT_DOUBLE_EQ(Params->GetVar(0)->GetAsDateTime(), day);
}

TEST_F(XSQLDATest, RepeatedNamesShareOneValueAndIndexesAreChecked) {
  Params->SetCount(3);
  Params->AddName("a", 0, false);
  Params->AddName("B", 1, false);
  Params->AddName("A", 2, false);
  Params->GetVar(2)->SetAsInteger(7);
  EXPECT_EQ(Params->GetVar(0)->GetAsInteger(), 7);
  EXPECT_TRUE(Params->GetVar(1)->GetIsNull());
  EXPECT_EQ(Params->FindByName("a"), Params->GetVar(0));
  EXPECT_EQ(Params->FindByName("\"B\""), Params->GetVar(1));
  EXPECT_EQ(Params->FindByName("C"), nullptr);
  EXPECT_THROW(Params->GetVar(3), EFIBClientError);
  EXPECT_THROW(Params->GetVar(-1), EFIBClientError);
}

TEST_F(XSQLDATest, ScaledIntegersAndBooleans) {
  Params->SetCount(2);
  Params->AddName("N", 0, false);
  Params->AddName("B", 1, false);
  TFIBXSQLVAR* n = Params->GetVar(0);
  n->SetScaledInt64(-155);
  n->SetScale(-2);
  EXPECT_EQ(n->GetAsInt64(), -1);
  EXPECT_EQ(n->GetAsInteger(), -1);
  EXPECT_DOUBLE_EQ(n->GetAsDouble(), -1.55);
  EXPECT_EQ(n->GetAsCurrency().Value, -15500);
  TFIBXSQLVAR* b = Params->GetVar(1);
  const int16_t two = 2;
  b->SetAsShort(two);
  b->GetXSQLVAR()->sqltype = SQLTypeBoolean;
  b->GetXSQLVAR()->sqllen = 2;
  EXPECT_DOUBLE_EQ(b->GetAsDouble(), 0.0);
  EXPECT_EQ(b->GetAsInteger(), 2);
  EXPECT_FALSE(b->GetAsBoolean());
  EXPECT_THROW(b->GetAsDateTime(), EFIBClientError);
  n->SetAsString("abc");
  EXPECT_THROW(n->GetAsInteger(), EFIBClientError);
  EXPECT_THROW(n->GetAsQuad(), EFIBClientError);
}

TEST_F(XSQLDATest, ResultNamesFromAliases) {
  Result->SetCount(5);
  const char* aliases[] = {"NAME", "NAME", "", "", ""};
  for (int i = 0; i < 5; ++i) {
    fbapi::XSQLVAR* x = &Result->AsXSQLDA()->sqlvar[i];
    x->sqltype = SQLTypeLong | 1;
    x->sqllen = 4;
    x->aliasname_length = static_cast<ISC_SHORT>(std::strlen(aliases[i]));
    std::memcpy(x->aliasname, aliases[i], std::strlen(aliases[i]));
  }
  Result->AfterDescribe();
  const char* names[] = {"NAME", "NAME1", "F_1", "F_2", "F_3"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Result->GetVar(i)->Name(), names[i]);
  EXPECT_EQ(String(Result->AsXSQLDA()->sqlvar[1].aliasname, 5), "NAME1");
  Result->AsXSQLDA()->sqlvar[0].sqltype = 12345;
  EXPECT_THROW(Result->AfterDescribe(), EFIBClientError);
}

}  // namespace
