// The server's date, time and time-stamp codecs against the platform's calendar, and a time stamp read
// from the server through a statement and an array element, both of which decode through them.
#include <gtest/gtest.h>

#include <cmath>

#include "FIBDatabaseTest.h"
#include "dbaccess/FIBArray.h"
#include "dbaccess/ServerDateTime.h"
#include "rtl/DateTime.h"

namespace {

TEST(ServerDateTime, CodecsAgreeWithThePlatformCalendar) {
  EXPECT_EQ(TServerDate::ToDateTime(0), EncodeDate(1858, 11, 17));
  EXPECT_EQ(TServerDate::ToDateTime(15018), 0.0);
  EXPECT_EQ(TServerDate::FromDateTime(EncodeDate(2024, 2, 29) + 0.75), ISC_DATE(60369));
  EXPECT_EQ(TServerDate::ToTimeStampDate(0), DateTimeToTimeStamp(EncodeDate(1858, 11, 17)).Date);
  EXPECT_EQ(TServerTime::ToMSecs(123456789), 12345678);  // finer than a millisecond is cut off
  EXPECT_EQ(TServerTime::FromDateTime(EncodeTime(13, 45, 30, 250)), ISC_TIME(495302500));

  const struct {
    ISC_DATE date;
    ISC_TIME time;
    TDateTime value;
  } cases[] = {
      {15018, 432000000, 0.5},     // 1899-12-30 12:00
      {15017, 216000000, -1.25},   // 1899-12-29 06:00: the time of day counts away from zero
      {0, 0, EncodeDate(1858, 11, 17)},
      {60369, 495302500, EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 250)},
  };
  for (const auto& c : cases) {
    const fbapi::ISC_TIMESTAMP ts{c.date, c.time};
    EXPECT_NEAR(TServerTimeStamp::ToDateTime(ts), c.value, 1e-9) << c.date;
    const fbapi::ISC_TIMESTAMP back = TServerTimeStamp::FromDateTime(c.value);
    EXPECT_EQ(back.timestamp_date, c.date);
    EXPECT_EQ(back.timestamp_time, c.time);
    EXPECT_EQ(TServerTimeStamp::ToMSecs(ts), TimeStampToMSecs(DateTimeToTimeStamp(c.value)));
  }
}

class ServerDateTimeOnServer : public scratch::DatabaseTest {};

TEST_F(ServerDateTimeOnServer, StatementValuesAndArrayElementsDecodeAlike) {
  OpenScratch("d.fdb");
  ExecCommitted("CREATE TABLE DA (ID INTEGER NOT NULL PRIMARY KEY, TS TIMESTAMP, TA TIMESTAMP[1:2])");
  // Before the server's day 0 and with milliseconds, which an array element keeps as well.
  const TDateTime when = EncodeDate(1850, 3, 4) + EncodeTime(6, 7, 8, 9);
  TFIBQuery* ins = NewQuery("INSERT INTO DA (ID, TS, TA) VALUES (1, :TS, :TA)");
  ins->Prepare();
  ins->ParamByName("TS")->SetAsDateTime(when);
  WriteArrayParam(ins->ParamByName("TA"), "DA", "TA", VarArrayOf({Variant::FromDateTime(when), Variant::Null()}));
  ins->ExecQuery();

  TFIBQuery* sel = NewQuery("SELECT TS, TA FROM DA");
  sel->ExecQuery();
  EXPECT_NEAR(sel->Fields(0)->GetAsDateTime(), when, 1e-9);
  const Variant read = ReadArrayColumn(sel->Fields(1));
  EXPECT_NEAR(VarArrayGet(read, {1}).AsDateTime(), when, 1e-9);
  sel->CloseCursor();
}

}  // namespace
