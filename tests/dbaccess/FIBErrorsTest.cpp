#include <gtest/gtest.h>

#include <ibase.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "TestDb.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/Components.h"

namespace {
String ClientErrorText(int32_t number, std::initializer_list<FormatArg> args = {}) {
  try {
    RaiseClientError(number, args);
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), number & 0x7F);
    return e.Message();
  }
  return "(nothing raised)";
}
}  // namespace

TEST(ClientErrors, TextsByNumber) {
  struct Case {
    int32_t number;
    std::initializer_list<FormatArg> args;
    const char* text;
  } cases[] = {
      {0, {}, "Unknown error."},
      {13, {}, "Cannot perform operation -- DB is currently open."},
      {12, {"Form1.Database1"}, "Form1.Database1: Cannot perform operation -- DB is not open."},
      {38, {}, "Can't \"open\" a non-select statement. Use ExecQuery."},
      {51, {"X", "Y"}, "SQL Parse Error in :X \r\n\r\nY"},
      {55, {5, 255}, "Windows API error. (Windows error 5 [$000000FF])"},
      {65, {}, "Cannot perform operation -- service is not attached"},
      {73, {}, "SPB Constant Unknown"},
      {78, {"F"}, "F is an Firebird 2 function. Please upgrade to Firebird 2 to use this functonality"},
      {128 + 13, {}, "Cannot perform operation -- DB is currently open."},
  };
  for (const Case& c : cases) EXPECT_EQ(ClientErrorText(c.number, c.args), c.text) << c.number;
}

TEST(ClientErrors, NumberOutsideTheTableIsReportedNotReadPastIt) {
  for (int32_t n : {79, 100, 127, 128 + 90}) {
    try {
      RaiseClientError(n);
      ADD_FAILURE();
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.Message(), Format("Unknown client error number %d.", {n & 0x7F}));
    }
  }
}

TEST(ClientErrors, FreeTextErrorHasSqlCodeMinusOne) {
  try {
    RaiseClientErrorMsg("bad %s", {"thing"});
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), -1);
    EXPECT_EQ(e.Message(), "bad thing");
    EXPECT_TRUE(e.SQLMessage().empty());
  }
}

TEST(FIBError, ComponentSenderPrefixesItsDottedName) {
  TComponent* form = New<TComponent>(nullptr);
  form->SetName("MainForm");
  TComponent* unnamed = New<TComponent>(form);
  TComponent* query = New<TComponent>(unnamed);
  query->SetName("Query1");
  EXPECT_EQ(EFIBError(1, "msg", query).Message(), "MainForm.Query1:\r\nmsg");
  EXPECT_EQ(EFIBError(1, "msg", unnamed).Message(), "MainForm:\r\nmsg");
  TObject* plain = New<TObject>();
  EXPECT_EQ(EFIBError(1, "msg", plain).Message(), "msg");
  EXPECT_EQ(EFIBError(1, "msg", nullptr).Message(), "msg");
  plain->Free();
  form->Free();
}

TEST(FIBError, CreateWithMessagesJoinsWithoutSeparator) {
  EFIBError e = EFIBError::CreateWithMessages(-803, "sql.", "server.\r\n");
  EXPECT_EQ(e.Message(), "sql.server.\r\n");
  EXPECT_EQ(e.SQLMessage(), "sql.");
  EXPECT_EQ(e.IBMessage(), "server.\r\n");
}

TEST(StatusVector, EachThreadHasItsOwn) {
  StatusVector()[1] = 42;
  ISC_STATUS other = -1;
  std::thread([&] { other = StatusVector()[1]; }).join();
  EXPECT_EQ(other, 0);
  EXPECT_EQ(EFIBError(0, "x").IBErrorCode(), 42);
  StatusVector()[1] = 0;
}

TEST(StatusVector, ContainsWalksTheClusters) {
  struct Case {
    std::vector<ISC_STATUS> vector;
    ISC_STATUS code;
    bool found;
  } cases[] = {
      {{1, 335544665, 0}, 335544665, true},
      {{1, 335544665, 4, 12, 0}, 12, true},
      {{2, 999, 1, 335544665, 0}, 999, false},  // a string argument's pointer is no code
      {{3, 5, 1, 1, 7, 0}, 1, false},           // a counted string cluster is skipped whole
      {{3, 5, 1, 1, 7, 0}, 7, true},
      {{0, 335544665}, 335544665, false},
  };
  for (const Case& c : cases) {
    std::memset(StatusVector(), 0, sizeof(ISC_STATUS) * StatusVectorLength);
    std::copy(c.vector.begin(), c.vector.end(), StatusVector());
    EXPECT_EQ(StatusVectorContains({c.code}), c.found) << c.code;
  }
  std::memset(StatusVector(), 0, sizeof(ISC_STATUS) * StatusVectorLength);
}

TEST(Buffers, ReallocZeroedKeepsThePrefixAndZeroesTheRest) {
  void* p = nullptr;
  ReallocZeroed(p, 0, 10);
  std::memset(p, 0xAB, 10);
  ReallocZeroed(p, 10, 16);
  auto* b = static_cast<unsigned char*>(p);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(b[i], 0xAB);
  for (int i = 10; i < 16; ++i) EXPECT_EQ(b[i], 0);
  ReallocZeroed(p, 16, 0);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(XSQLDALength(2), fbapi::XsqldaLength(2));
}

TEST(ServerError, FromTheRealClientCarriesCodesAndTexts) {
  TempDir dir;
  TComponent* owner = New<TComponent>(nullptr);
  owner->SetName("Form1");
  TComponent* sender = New<TComponent>(owner);
  sender->SetName("Database1");
  try {
    CountRows(dir.File("missing.fdb"));
    ADD_FAILURE() << "attached a missing file";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.IBErrorCode(), isc_io_error);
    EXPECT_EQ(e.SQLCode(), -902);
  }
  // The same status vector raised with a component as sender.
  try {
    RaiseServerError(GetClientLibraryByName(DefaultClientLibraryName).get(), sender);
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.Message().rfind("Form1.Database1:\r\n", 0), 0u) << e.Message();
    EXPECT_EQ(e.SQLMessage().back(), '.');
    EXPECT_NE(e.IBMessage().find("missing.fdb"), String::npos) << e.IBMessage();
    EXPECT_EQ(e.IBMessage().substr(e.IBMessage().size() - 3), ".\r\n");
    EXPECT_EQ(e.Message(), "Form1.Database1:\r\n" + e.SQLMessage() + e.IBMessage());
  }
  owner->Free();
}

TEST(ServerError, MessagePartsChooseTheTexts) {
  TempDir dir;
  SetErrorMessageParts(TErrorMessageParts{IncludeServerText});
  try {
    CountRows(dir.File("missing.fdb"));
  } catch (const EFIBInterBaseError& e) {
    EXPECT_TRUE(e.SQLMessage().empty());
    EXPECT_FALSE(e.IBMessage().empty());
  }
  SetErrorMessageParts(TErrorMessageParts{IncludeSQLText, IncludeServerText});
}
