#include <gtest/gtest.h>

#include <ibase.h>

#include <vector>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBParamBlocks.h"
#include "rtl/StringLists.h"

namespace {
struct Built {
  std::vector<int> Bytes;
  int16_t Length = -1;
};

TStringList* MakeLines(std::initializer_list<const char*> lines) {
  TStringList* l = New<TStringList>();
  for (const char* s : lines) l->Add(s);
  return l;
}

template <class Build>
Built BuildLines(Build build, std::initializer_list<const char*> lines) {
  TStringList* l = MakeLines(lines);
  String block;
  Built b;
  try {
    build(l, block, b.Length);
  } catch (...) {
    l->Free();
    throw;
  }
  l->Free();
  for (char c : block) b.Bytes.push_back(static_cast<unsigned char>(c));
  return b;
}

std::vector<int> Bytes(std::initializer_list<int> head, const char* text = "") {
  std::vector<int> v(head);
  for (const char* p = text; *p; ++p) v.push_back(static_cast<unsigned char>(*p));
  return v;
}

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

// The client error number of a failed build, -1 without an error.
template <class Build>
int32_t ErrorOf(Build build, std::initializer_list<const char*> lines, String* message = nullptr) {
  try {
    BuildLines(build, lines);
  } catch (const EFIBClientError& e) {
    if (message) *message = e.Message();
    return e.SQLCode();
  }
  return -1;
}
}  // namespace

TEST(DPB, StringItemsAndLength) {
  const Built b = BuildLines(BuildDPB, {"user_name=SYSDBA", "sql_role_name=R1", "lc_ctype=WIN1251"});
  EXPECT_EQ(b.Bytes, Concat({Bytes({1, 28, 6}, "SYSDBA"), Bytes({60, 2}, "R1"), Bytes({48, 7}, "WIN1251")}));
  EXPECT_EQ(b.Length, 22);
}

TEST(DPB, EachItemKind) {
  struct Case {
    const char* line;
    std::vector<int> bytes;
  } cases[] = {
      {"num_buffers=300", {5, 1, 44}},
      {"sweep_interval=20000", {22, 4, 32, 78, 0, 0}},
      {"sql_dialect=3", {63, 1, 3}},
      {"ISC_DPB_USER_NAME=A", Bytes({28, 1}, "A")},
      {"  password=pw \t", Bytes({29, 2}, "pw")},
      {"force_write=1", {24, 1, 1}},
      {"verify=257", {9, 1, 1}},
      {"garbage_collect=99", {8, 1, 0}},
      {"sweep", {10, 1, 2}},
      {"connect_timeout=30", {57, 1, 30}},
      {"lc_messages=", {47, 0}},
      {"", {}},
  };
  for (const Case& c : cases) {
    const Built b = BuildLines(BuildDPB, {c.line});
    std::vector<int> expected = {1};
    expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(b.Bytes, expected) << c.line;
    EXPECT_EQ(b.Length, static_cast<int16_t>(expected.size())) << c.line;
  }
}

TEST(DPB, LinesAreTrimmedInPlace) {
  TStringList* l = MakeLines({"  user_name=A  ", "\tlc_ctype=UTF8"});
  String block;
  int16_t length = 0;
  BuildDPB(l, block, length);
  EXPECT_EQ(l->Text(), "user_name=A\r\nlc_ctype=UTF8\r\n");
  l->Free();
}

TEST(DPB, RefusedNames) {
  String message;
  EXPECT_EQ(ErrorOf(BuildDPB, {"page_size=4096"}, &message), 8);
  EXPECT_EQ(message, "DPB Constant (isc_dpb_page_size) is unsupported.");
  EXPECT_EQ(ErrorOf(BuildDPB, {"user_name = A"}, &message), 9);
  EXPECT_EQ(message, "DPB Constant (user_name ) is unknown.");
  EXPECT_EQ(ErrorOf(BuildDPB, {"ISC_DPB_NONSENSE=1"}, &message), 9);
  EXPECT_EQ(message, "DPB Constant (nonsense) is unknown.");
  EXPECT_EQ(ErrorOf(BuildDPB, {"sql_dialect"}), 61);
  EXPECT_THROW(BuildLines(BuildDPB, {"num_buffers=many"}), EConvertError);
}

TEST(DPB, OverlongValueIsRefusedNotWrapped) {
  const String longName(256, 'x');
  const String line = "user_name=" + longName;
  String message;
  ErrorOf(BuildDPB, {line.c_str()}, &message);
  EXPECT_EQ(message, "DPB Constant (isc_dpb_user_name) value is longer than 255 bytes.");
  TStringList* l = MakeLines({line.c_str()});
  String block;
  int16_t length = 0;
  EXPECT_THROW(BuildDPB(l, block, length), EFIBClientError);
  l->Free();
  const String fits = "user_name=" + String(255, 'x');
  const Built b = BuildLines(BuildDPB, {fits.c_str()});
  ASSERT_EQ(b.Bytes.size(), 258u);
  EXPECT_EQ(b.Bytes[2], 255);
}

TEST(TPB, BlocksAndLengths) {
  const Built b = BuildLines(BuildTPB, {"write", "", "nowait", "rec_version", "read_committed"});
  EXPECT_EQ(b.Bytes, (std::vector<int>{3, 9, 7, 17, 15}));
  EXPECT_EQ(b.Length, 5);
  const Built lock = BuildLines(BuildTPB, {"isc_tpb_lock_write=ORDERS", "isc_tpb_protected"});
  EXPECT_EQ(lock.Bytes, Concat({{3}, Bytes({11, 6}, "ORDERS"), {4}}));
  EXPECT_EQ(lock.Length, 10);
  const Built empty = BuildLines(BuildTPB, {});
  EXPECT_TRUE(empty.Bytes.empty());
  EXPECT_EQ(empty.Length, 0);
}

TEST(TPB, RefusedNames) {
  String message;
  EXPECT_EQ(ErrorOf(BuildTPB, {"isc_tpb_autocommit"}, &message), 10);
  EXPECT_EQ(message, "TPB Constant (isc_tpb_autocommit) is unsupported.");
  EXPECT_EQ(ErrorOf(BuildTPB, {"snapshot"}, &message), 11);
  EXPECT_EQ(message, "TPB Constant (snapshot) is unknown.");
  const String line = "lock_read=" + String(300, 'T');
  EXPECT_THROW(BuildLines(BuildTPB, {line.c_str()}), EFIBClientError);
}

TEST(ParamBlockNames, CodesRoundTrip) {
  for (int32_t code = 1; code <= 67; ++code) EXPECT_EQ(DPBCodeOfName(DPBNameOfCode(code)), code);
  for (int32_t code = 1; code <= 20; ++code) EXPECT_EQ(TPBCodeOfName(TPBNameOfCode(code)), code);
  EXPECT_EQ(DPBCodeOfName("LC_CTYPE"), 48);
  EXPECT_EQ(DPBCodeOfName("nothing"), 0);
}
