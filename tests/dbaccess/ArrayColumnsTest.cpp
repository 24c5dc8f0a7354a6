// Array columns against an embedded database: descriptors and bounds, whole slices written and read back
// for each element kind, null arrays, partial values and the values a column refuses.
#include <gtest/gtest.h>

#include <ibase.h>

#include <cstdlib>

#include "FIBDatabaseTest.h"
#include "dbaccess/FIBArray.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/DateTime.h"

namespace {

class ArrayColumnsTest : public scratch::DatabaseTest {
protected:
  Owned Own;

  void SetUp() override {
    OpenScratch("a.fdb");
    ExecSQL(DB, TR,
            "CREATE TABLE ARR (ID INTEGER NOT NULL PRIMARY KEY, IA INTEGER[1:3], NA NUMERIC(9,2)[0:1, 1:2], "
            "VA VARCHAR(10)[2], BA NUMERIC(18,2)[1:2], DA DATE[1:2], TA TIMESTAMP[1:2], IM INTEGER[1:3, 0:1])");
    TR->Commit();
    TR->StartTransaction();
    ExecSQL(DB, TR, "INSERT INTO ARR (ID) VALUES (1)");
  }

  TpZAZArray* Accessor(const String& column) {
    return Own(New<TpZAZArray>(DB->ClientLibrary(), nullptr, DB->HandleAddress(), TR->HandleAddress(),
                               String("ARR"), column));
  }

  // Writes the value as a new slice and stores its identifier in row 1 (a parameter of the array type,
  // straight through the client API), then commits.
  void Store(TpZAZArray* a, const Variant& value) {
    fbapi::ISC_QUAD id{};
    a->PutValues(value, id, DB->HandleAddress(), TR->HandleAddress());
    fbapi::XSQLDA* in = static_cast<fbapi::XSQLDA*>(std::calloc(1, fbapi::XsqldaLength(1)));
    in->version = SQLDA_VERSION1;
    in->sqln = in->sqld = 1;
    in->sqlvar[0].sqltype = SQL_ARRAY;
    in->sqlvar[0].sqllen = sizeof id;
    in->sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&id);
    const String sql = "UPDATE ARR SET " + a->FieldName() + " = ? WHERE ID = 1";
    const ISC_STATUS status = DB->ClientLibrary()->isc_dsql_execute_immediate(
        StatusVector(), DB->HandleAddress(), TR->HandleAddress(), static_cast<unsigned short>(0), sql.c_str(),
        static_cast<unsigned short>(3), in);
    std::free(in);
    if (status) RaiseServerError(DB->ClientLibrary(), nullptr);
    TR->CommitRetaining();
  }

  // Row 1's column as read from the server through a fresh accessor.
  Variant Load(const String& column, bool* isNull = nullptr) {
    TFIBQuery* q = NewQuery("SELECT " + column + " FROM ARR WHERE ID = 1");
    q->ExecQuery();
    const fbapi::ISC_QUAD id = q->Fields(0)->GetAsQuad();
    if (isNull) *isNull = q->Fields(0)->GetIsNull();
    q->CloseCursor();
    Variant v;
    Accessor(column)->ReadSlice(id, v, DB->HandleAddress(), TR->HandleAddress());
    return v;
  }
};

TEST_F(ArrayColumnsTest, DescriptorGivesBoundsElementTypesAndSliceSizes) {
  struct Case {
    const char* Column;
    TFieldType Type;
    std::vector<std::pair<int32_t, int32_t>> Bounds;
    int32_t SliceSize;
  };
  const Case cases[] = {
      {"IA", ftInteger, {{1, 3}}, 12},
      {"NA", ftBCD, {{0, 1}, {1, 2}}, 16},
      {"BA", ftBCD, {{1, 2}}, 16},
      {"DA", ftDate, {{1, 2}}, 8},
      {"TA", ftDateTime, {{1, 2}}, 16},
      {"IM", ftInteger, {{1, 3}, {0, 1}}, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Column);
    TpZAZArray* a = Accessor(c.Column);
    EXPECT_EQ(a->ElementFieldType(), c.Type);
    ASSERT_EQ(a->DimensionCount(), static_cast<int32_t>(c.Bounds.size()));
    for (size_t i = 0; i < c.Bounds.size(); ++i) EXPECT_EQ(a->DimensionBounds(static_cast<int32_t>(i)), c.Bounds[i]);
    EXPECT_EQ(a->SliceSize(), c.SliceSize);
  }
  // Text elements carry two more bytes when varying, and the slice two more again.
  TpZAZArray* va = Accessor("VA");
  EXPECT_EQ(va->ElementFieldType(), ftString);
  EXPECT_EQ(va->DimensionBounds(0), std::make_pair(1, 2));
  EXPECT_EQ(va->SliceSize(), va->ElementStride() * 2 + 2);
  EXPECT_EQ(va->ElementStride(), va->Descriptor().array_desc_length + 2);

  const String msg = RaisedMessage([&] { Accessor("IA")->DimensionBounds(1); });
  EXPECT_EQ(msg, R"(Dimension 1 don't exist in "ARR.IA" )");
  EXPECT_EQ(ClientErrorCode([&] { Accessor("IA")->DimensionBounds(-1); }), 60);
}

TEST_F(ArrayColumnsTest, UnknownColumnRaisesTheServerError) {
  EXPECT_THROW(Accessor("NOPE"), EFIBInterBaseError);
}

TEST_F(ArrayColumnsTest, IntegerArrayRoundTripsWithItsBounds) {
  TpZAZArray* a = Accessor("IA");
  Variant v = VarArrayCreate({1, 3}, varVariant);
  VarArrayPut(v, 10, {1});
  VarArrayPut(v, -20, {2});
  VarArrayPut(v, 2147483647, {3});
  Store(a, v);
  const Variant r = Load("IA");
  ASSERT_EQ(VarArrayDimCount(r), 1);
  EXPECT_EQ(VarArrayLowBound(r, 1), 1);
  EXPECT_EQ(VarArrayHighBound(r, 1), 3);
  EXPECT_EQ(VarArrayGet(r, {1}).AsInteger(), 10);
  EXPECT_EQ(VarArrayGet(r, {2}).AsInteger(), -20);
  EXPECT_EQ(VarArrayGet(r, {3}).AsInteger(), 2147483647);
}

TEST_F(ArrayColumnsTest, TwoDimensionalArraysKeepTheLastDimensionFastest) {
  // Element [i, j] of INTEGER[1:3, 0:1] holds 10 * i + j; the server's own subscript confirms the layout.
  TpZAZArray* a = Accessor("IM");
  Variant v = VarArrayCreate({1, 3, 0, 1}, varInteger);
  for (int i = 1; i <= 3; ++i)
    for (int j = 0; j <= 1; ++j) VarArrayPut(v, 10 * i + j, {i, j});
  Store(a, v);
  TFIBQuery* q = NewQuery("SELECT IM[2, 1], IM[3, 0] FROM ARR WHERE ID = 1");
  q->ExecQuery();
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 21);
  EXPECT_EQ(q->Fields(1)->GetAsInteger(), 30);
  q->CloseCursor();
  const Variant r = Load("IM");
  ASSERT_EQ(VarArrayDimCount(r), 2);
  EXPECT_EQ(VarArrayLowBound(r, 2), 0);
  EXPECT_EQ(VarArrayHighBound(r, 2), 1);
  for (int i = 1; i <= 3; ++i)
    for (int j = 0; j <= 1; ++j) EXPECT_EQ(VarArrayGet(r, {i, j}).AsInteger(), 10 * i + j);
}

TEST_F(ArrayColumnsTest, ScaledNumbersReadAsDecimalsAndRoundHalfToEven) {
  TpZAZArray* na = Accessor("NA");
  Variant v = VarArrayCreate({0, 1, 1, 2}, varVariant);
  VarArrayPut(v, 12.34, {0, 1});
  VarArrayPut(v, -0.5, {0, 2});
  VarArrayPut(v, 7.01, {1, 1});
  VarArrayPut(v, 1000000.0, {1, 2});
  Store(na, v);
  TFIBQuery* q = NewQuery("SELECT NA[0, 1] FROM ARR WHERE ID = 1");
  q->ExecQuery();
  EXPECT_DOUBLE_EQ(q->Fields(0)->GetAsDouble(), 12.34);
  q->CloseCursor();
  const Variant r = Load("NA");
  EXPECT_DOUBLE_EQ(VarArrayGet(r, {0, 1}).AsDouble(), 12.34);
  EXPECT_DOUBLE_EQ(VarArrayGet(r, {0, 2}).AsDouble(), -0.5);
  EXPECT_DOUBLE_EQ(VarArrayGet(r, {1, 1}).AsDouble(), 7.01);
  EXPECT_DOUBLE_EQ(VarArrayGet(r, {1, 2}).AsDouble(), 1000000.0);

  TpZAZArray* ba = Accessor("BA");
  Store(ba, VarArrayOf({0.125, 0.375}));
  const Variant b = Load("BA");
  EXPECT_DOUBLE_EQ(VarArrayGet(b, {1}).AsDouble(), 0.12);
  EXPECT_DOUBLE_EQ(VarArrayGet(b, {2}).AsDouble(), 0.38);
}

TEST_F(ArrayColumnsTest, TextElementsRoundTripIncludingCyrillic) {
  const String cases[][2] = {{"ab", ""}, {"Привет", "мир"}, {"0123456789", "x"}};
  TpZAZArray* a = Accessor("VA");
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    Store(a, VarArrayOf({Variant(c[0]), Variant(c[1])}));
    const Variant r = Load("VA");
    EXPECT_EQ(VarArrayGet(r, {1}).AsString(), c[0]);
    EXPECT_EQ(VarArrayGet(r, {2}).AsString(), c[1]);
    // The server sees exactly the texts written, a full-length one included.
    TFIBQuery* q = NewQuery("SELECT VA[1], CHAR_LENGTH(VA[2]) FROM ARR WHERE ID = 1");
    q->ExecQuery();
    EXPECT_EQ(q->Fields(0)->GetAsString(), c[0]);
    EXPECT_EQ(q->Fields(1)->GetAsInteger(), static_cast<int32_t>(WideString(VarToWideStr(c[1])).size()));
    q->CloseCursor();
  }
}

TEST_F(ArrayColumnsTest, DatesAndTimestampsRoundTripAndNullDatesWriteTheZeroDay) {
  const TDateTime day = EncodeDate(2024, 2, 29);
  const TDateTime stamp = EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58, 0);
  Store(Accessor("DA"), VarArrayOf({Variant::FromDateTime(day), Variant::Null()}));
  Store(Accessor("TA"), VarArrayOf({Variant::FromDateTime(stamp), Variant::Null()}));
  const Variant d = Load("DA");
  EXPECT_DOUBLE_EQ(VarArrayGet(d, {1}).AsDateTime(), day);
  EXPECT_DOUBLE_EQ(VarArrayGet(d, {2}).AsDateTime(), EncodeDate(1858, 11, 17));
  const Variant t = Load("TA");
  EXPECT_NEAR(VarArrayGet(t, {1}).AsDateTime(), stamp, 1e-8);
  EXPECT_DOUBLE_EQ(VarArrayGet(t, {2}).AsDateTime(), EncodeDate(1858, 11, 17));
}

TEST_F(ArrayColumnsTest, NullColumnReadsNullElementsWithTheColumnsBounds) {
  bool isNull = false;
  const Variant r = Load("NA", &isNull);
  EXPECT_TRUE(isNull);
  ASSERT_EQ(VarArrayDimCount(r), 2);
  EXPECT_EQ(VarArrayLowBound(r, 1), 0);
  EXPECT_EQ(VarArrayHighBound(r, 2), 2);
  for (int i = 0; i <= 1; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_TRUE(VarIsNull(VarArrayGet(r, {i, j})));
}

TEST_F(ArrayColumnsTest, ShortValuesFillFromTheStartAndEmptyElementsStayZero) {
  Variant v = VarArrayCreate({0, 1}, varVariant);  // element 1 stays Empty
  VarArrayPut(v, 5, {0});
  Store(Accessor("IA"), v);
  const Variant r = Load("IA");
  EXPECT_EQ(VarArrayGet(r, {1}).AsInteger(), 5);
  EXPECT_EQ(VarArrayGet(r, {2}).AsInteger(), 0);
  EXPECT_EQ(VarArrayGet(r, {3}).AsInteger(), 0);
}

TEST_F(ArrayColumnsTest, ValuesTheColumnCannotHoldAreRefusedBeforeAnyWrite) {
  fbapi::ISC_QUAD id{};
  auto put = [&](const char* column, const Variant& v) {
    return [this, &id, column, v]() {
      fbapi::ISC_QUAD target{};
      Accessor(column)->PutValues(v, target, DB->HandleAddress(), TR->HandleAddress());
      id = target;
    };
  };
  // More dimensions than the column.
  EXPECT_EQ(ClientErrorCode(put("IA", VarArrayCreate({1, 3, 1, 1}, varInteger))), 60);
  // More elements than the column.
  EXPECT_NE(RaisedMessage(put("IA", VarArrayOf({1, 2, 3, 4}))), "");
  // A text longer than an element.
  EXPECT_NE(RaisedMessage(put("VA", VarArrayOf({Variant(String(200, 'x'))}))), "");
  // A text that is not a number for a numeric element.
  EXPECT_THROW(put("NA", VarArrayOf({Variant("abc")}))(), Exception);
  EXPECT_EQ(id.gds_quad_high, 0);
  EXPECT_EQ(id.gds_quad_low, 0u);
}

}  // namespace

namespace {

TEST_F(ArrayColumnsTest, ResultColumnsReadTheirArraysThroughTheStatement) {
  Store(Accessor("IM"), VarArrayOf({1, 2}));
  TFIBQuery* q = NewQuery("SELECT IM, IA, ID FROM ARR WHERE ID = 1");
  q->ExecQuery();
  const Variant im = ReadArrayColumn(q->Fields(0));
  EXPECT_EQ(VarArrayGet(im, {1, 0}).AsInteger(), 1);
  EXPECT_EQ(VarArrayGet(im, {1, 1}).AsInteger(), 2);
  EXPECT_EQ(VarArrayGet(im, {3, 1}).AsInteger(), 0);
  // A null column: its bounds with Null elements.
  const Variant ia = ReadArrayColumn(q->Fields(1));
  EXPECT_EQ(VarArrayHighBound(ia, 1), 3);
  EXPECT_TRUE(VarIsNull(VarArrayGet(ia, {2})));
  // A column that is no array.
  EXPECT_EQ(ClientErrorCode([&] { ReadArrayColumn(q->Fields(2)); }), 59);
  q->CloseCursor();
}

}  // namespace

namespace {

TEST_F(ArrayColumnsTest, ParametersTakeAWholeArrayForTheNamedColumn) {
  TFIBQuery* q = NewQuery("UPDATE ARR SET VA = :V, IA = :I WHERE ID = 1");
  WriteArrayParam(q->ParamByName("V"), "ARR", "VA", VarArrayOf({Variant("Ёж"), Variant("b")}));
  WriteArrayParam(q->ParamByName("I"), "ARR", "IA", VarArrayOf({7, 8, 9}));
  q->ExecQuery();
  TR->CommitRetaining();
  TFIBQuery* s = NewQuery("SELECT VA[1], IA[2] FROM ARR WHERE ID = 1");
  s->ExecQuery();
  EXPECT_EQ(s->Fields(0)->GetAsString(), "Ёж");
  EXPECT_EQ(s->Fields(1)->GetAsInteger(), 8);
  s->CloseCursor();
  // Null sets the parameter null, the column's array goes. (A new array's identifier serves one statement
  // only, so the other parameter is set again too.)
  WriteArrayParam(q->ParamByName("V"), "ARR", "VA", Variant::Null());
  WriteArrayParam(q->ParamByName("I"), "ARR", "IA", Variant::Null());
  q->ExecQuery();
  bool isNull = false;
  Load("IA", &isNull);
  EXPECT_TRUE(isNull);
}

}  // namespace
