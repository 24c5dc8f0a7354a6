#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "rtl/SysUtils.h"
#include "ui/base/cxVariants.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Written(const Variant& v) {
  TMemoryStream s;
  StreamWriteVariant(&s, v);
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

Variant ReadFrom(const Bytes& bytes) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  s.SetPosition(0);
  return StreamReadVariant(&s);
}

struct TEncodingCase {
  const char* Name;
  Variant Value;
  Bytes Expected;
};

TEST(cxVariantsStream, TaggedEncodingBytes) {
  const TEncodingCase cases[] = {
      {"100", Variant(int32_t(100)), {0x02, 0x64}},
      {"-200", Variant(int32_t(-200)), {0x03, 0x38, 0xFF}},
      {"65536", Variant(int32_t(65536)), {0x04, 0x00, 0x00, 0x01, 0x00}},
      {"byte 200 needs 16 bits", Variant(uint8_t(200)), {0x03, 0xC8, 0x00}},
      {"[1, \"a\"]", VarArrayOf({Variant(int32_t(1)), Variant("a")}), {0x01, 0x02, 0x02, 0x02, 0x01, 0x06, 0x01, 0x61}},
      {"Null", Null(), {0x00}},
      {"Empty", Unassigned(), {0x0D}},
      {"True", Variant(true), {0x09}},
      {"False", Variant(false), {0x08}},
      {"currency 1.5", Variant(Currency::FromScaled(15000)), {0x10, 0x98, 0x3A, 0, 0, 0, 0, 0, 0}},
      {"single 1", Variant(1.0f), {0x0F, 0x00, 0x00, 0x80, 0x3F}},
      {"extended 1", Variant(1.0), {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {"wide \"я\"", Variant(WideString(u"я")), {0x12, 0x01, 0, 0, 0, 0x4F, 0x04}},
      {"word travels as text", Variant(uint16_t(7)), {0x06, 0x01, '7'}},
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.Value), c.Expected) << c.Name;
}

TEST(cxVariantsStream, StringLengthPicksShortOrLongTag) {
  Bytes b255 = Written(Variant(String(255, 'x')));
  ASSERT_EQ(b255.size(), 2u + 255);
  EXPECT_EQ(b255[0], 0x06);
  EXPECT_EQ(b255[1], 0xFF);
  Bytes b300 = Written(Variant(String(300, 'x')));
  ASSERT_EQ(b300.size(), 5u + 300);
  EXPECT_EQ(Bytes(b300.begin(), b300.begin() + 5), (Bytes{0x0C, 0x2C, 0x01, 0x00, 0x00}));
}

TEST(cxVariantsStream, ReadsBackWithThePartsTypes) {
  struct TCase {
    const char* Name;
    Variant Value;
    TVarType Type;
  };
  const TCase cases[] = {
      {"integer 5", Variant(int32_t(5)), varShortInt},
      {"integer 1000", Variant(int32_t(1000)), varSmallint},
      {"integer 100000", Variant(int32_t(100000)), varInteger},
      {"byte", Variant(uint8_t(3)), varShortInt},
      {"double", Variant(2.5), varDouble},
      {"single", Variant(2.5f), varSingle},
      {"currency", Variant(Currency::FromScaled(-12345)), varCurrency},
      {"date", VarFromDateTime(45000.25), varDate},
      {"wide", Variant(WideString(u"при")), varOleStr},
      {"long string", Variant(String(1000, 'q')), varString},
      {"int64 as text", Variant(int64_t(1) << 40), varString},
      {"Null", Null(), varNull},
      {"Empty", Unassigned(), varEmpty},
  };
  for (const auto& c : cases) {
    Variant back = ReadFrom(Written(c.Value));
    EXPECT_EQ(VarType(back), c.Type) << c.Name;
    if (!VarIsNull(c.Value)) {
      EXPECT_EQ(VarToStr(back), VarToStr(c.Value)) << c.Name;
    }
  }
}

TEST(cxVariantsStream, ListReadsBackAsZeroBasedVariantArray) {
  Variant back = ReadFrom({0x01, 0x02, 0x02, 0x02, 0x01, 0x06, 0x01, 0x61});
  ASSERT_TRUE(VarIsArray(back));
  EXPECT_EQ(VarArrayElementType(back), varVariant);
  EXPECT_EQ(VarArrayLowBound(back, 1), 0);
  EXPECT_EQ(VarArrayHighBound(back, 1), 1);
  EXPECT_EQ(VarType(back[0]), varShortInt);
  EXPECT_EQ(back[0].Value().AsInteger(), 1);
  EXPECT_EQ(back[1].Value().AsString(), "a");
  Variant empty = ReadFrom({0x01, 0x02, 0x00});
  ASSERT_TRUE(VarIsArray(empty));
  EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
}

TEST(cxVariantsStream, MultiDimensionalArrayIsAWriteError) {
  Variant grid = VarArrayCreate({0, 1, 0, 1}, varVariant);
  TMemoryStream s;
  try {
    StreamWriteVariant(&s, grid);
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Ошибка записи в поток");
  }
}

// Each damaged stream fails with a read error, long before it could allocate what its counts claim.
TEST(cxVariantsStream, DamagedStreamsRaiseReadError) {
  Bytes deep;
  for (int i = 0; i < 2000; ++i) deep.insert(deep.end(), {0x01, 0x02, 0x01});
  deep.push_back(0x00);
  struct TCase {
    const char* Name;
    Bytes Data;
    const char* Message;  // nullptr: any read error
  };
  const TCase cases[] = {
      {"empty stream", {}, nullptr},
      {"unknown tag 7", {0x07}, "Ошибка чтения из потока"},
      {"unknown tag 19", {0x13}, "Ошибка чтения из потока"},
      {"truncated 32-bit integer", {0x04, 0x01, 0x02}, nullptr},
      {"truncated extended", {0x05, 0, 0, 0, 0}, nullptr},
      {"list count of 2^31-1 with nothing after", {0x01, 0x04, 0xFF, 0xFF, 0xFF, 0x7F}, nullptr},
      {"negative list count", {0x01, 0x02, 0xFF}, "Ошибка чтения из потока"},
      {"list count that is no integer", {0x01, 0x06, 0x01, 0x31}, "Ошибка чтения из потока"},
      {"list shorter than its count", {0x01, 0x02, 0x03, 0x00, 0x00}, nullptr},
      {"long string of 2 GB", {0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, nullptr},
      {"negative long string", {0x0C, 0x00, 0x00, 0x00, 0x80}, "Ошибка чтения из потока"},
      {"short string past the end", {0x06, 0x05, 'a', 'b'}, nullptr},
      {"wide string of 2^30 characters", {0x12, 0x00, 0x00, 0x00, 0x40, 0x41, 0x00}, nullptr},
      {"wide string with an odd byte", {0x12, 0x01, 0x00, 0x00, 0x00, 0x41}, nullptr},
      {"lists nested 2000 deep", deep, "Ошибка чтения из потока"},
  };
  for (const auto& c : cases) {
    try {
      ReadFrom(c.Data);
      ADD_FAILURE() << c.Name << ": no error";
    } catch (const EReadError& e) {
      if (c.Message) {
        EXPECT_EQ(e.Message(), c.Message) << c.Name;
      }
    }
  }
}

TEST(cxVariantsStream, PlainLayouts) {
  TMemoryStream s;
  StreamWriteAnsiString(&s, "ab");
  StreamWriteWideString(&s, u"я");
  StreamWriteBoolean(&s, true);
  StreamWriteSmallInt(&s, -2);
  StreamWriteInt64(&s, 0x0102030405060708);
  StreamWriteCurrency(&s, Currency::FromScaled(1));
  StreamWriteExtended(&s, -2.0L);
  const Bytes expected = {2, 0, 0, 0, 'a', 'b', 1, 0, 0, 0, 0x4F, 0x04, 1, 0xFE, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1,
                          1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0};
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  ASSERT_EQ(Bytes(p, p + s.Size()), expected);
  s.SetPosition(0);
  EXPECT_EQ(StreamReadAnsiString(&s), "ab");
  WideString w;
  StreamReadWideString(&s, w);
  EXPECT_EQ(w, u"я");
  EXPECT_TRUE(StreamReadBoolean(&s));
  EXPECT_EQ(StreamReadWord(&s), 0xFFFE);
  EXPECT_EQ(StreamReadInt64(&s), 0x0102030405060708);
  EXPECT_EQ(StreamReadCurrency(&s).Value, 1);
  EXPECT_EQ(StreamReadExtended(&s), -2.0L);
  EXPECT_THROW(StreamReadByte(&s), EReadError);
}

TEST(cxVariantsStream, PlainStringLengthsAreCheckedBeforeAllocating) {
  const Bytes cases[] = {{0xFF, 0xFF, 0xFF, 0x7F}, {0x00, 0x00, 0x00, 0x80}, {0x03, 0x00, 0x00, 0x00, 'a'}};
  for (const Bytes& data : cases) {
    TMemoryStream s;
    s.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    s.SetPosition(0);
    EXPECT_THROW(StreamReadAnsiString(&s), EReadError);
    s.SetPosition(0);
    EXPECT_THROW(StreamReadWideString(&s), EReadError);
  }
}

TEST(cxVariantsStream, ReaderAndWriterWrapAMemoryStream) {
  TMemoryStream s;
  TcxWriter writer(&s);
  writer.WriteInteger(-5);
  writer.WriteAnsiString("абв");
  s.SetPosition(0);
  TcxReader reader(&s);
  EXPECT_EQ(reader.ReadInteger(), -5);
  EXPECT_EQ(reader.ReadAnsiString(), "абв");
}

// Thousands of mutated encodings: each read either gives a value or raises a read error, within the
// memory its input can justify (the sanitizers report anything else).
TEST(cxVariantsStream, MutatedStreamsFailCleanly) {
  const Variant seeds[] = {
      VarArrayOf({Variant(int32_t(1)), Variant("a"), VarArrayOf({Variant(2.5), Null(), Variant(true)})}),
      Variant(String(300, 'z')),
      Variant(WideString(u"строка")),
      VarArrayOf({Variant(Currency::FromScaled(7)), VarFromDateTime(1.5), Variant(1.0f), Unassigned()}),
      Variant(int32_t(-70000)),
  };
  std::mt19937 rng(20261210);
  int values = 0, errors = 0;
  for (int round = 0; round < 4000; ++round) {
    Bytes data = Written(seeds[round % std::size(seeds)]);
    const int mutations = 1 + static_cast<int>(rng() % 4);
    for (int m = 0; m < mutations && !data.empty(); ++m) {
      const size_t at = rng() % data.size();
      switch (rng() % 5) {
        case 0: data[at] = static_cast<uint8_t>(rng()); break;
        case 1: data[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
        case 2: data.resize(at); break;
        case 3: data.insert(data.begin() + static_cast<ptrdiff_t>(at), static_cast<uint8_t>(rng())); break;
        case 4: data[at] = (rng() % 2) ? 0xFF : 0x7F; break;
      }
    }
    try {
      ReadFrom(data);
      ++values;
    } catch (const EReadError&) {
      ++errors;
    }
  }
  EXPECT_GT(values, 0);
  EXPECT_GT(errors, 0);
}

TEST(cxVariantsCompare, ThreeWayResults) {
  struct TCase {
    const char* Name;
    Variant V1, V2;
    int32_t Expected;
  };
  const TCase cases[] = {
      {"Null, Null", Null(), Null(), 0},
      {"Null, 5", Null(), Variant(5), -1},
      {"5, Null", Variant(5), Null(), 1},
      {"5, 7", Variant(5), Variant(7), -1},
      {"7, 5", Variant(7), Variant(5), 1},
      {"7, 7.0", Variant(7), Variant(7.0), 0},
      // Incomparable values go by type code (an integer before a text), whichever comes first.
      {"text that is no number against a number", Variant("abc"), Variant(5), 1},
      {"a number against text that is no number", Variant(5), Variant("abc"), -1},
      {"[1,2] vs [1,2,3]", VarArrayOf({1, 2}), VarArrayOf({1, 2, 3}), -1},
      {"[1,2,3,4] vs [1]", VarArrayOf({1, 2, 3, 4}), VarArrayOf({1}), 3},
      {"[1,3] vs [1,2]", VarArrayOf({1, 3}), VarArrayOf({1, 2}), 1},
      {"[1,2] vs [1,2]", VarArrayOf({1, 2}), VarArrayOf({1, 2}), 0},
      {"array vs scalar", VarArrayOf({1}), Variant(1), 1},
      {"scalar vs array", Variant(1), VarArrayOf({1}), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(CompareVariantValues(c.V1, c.V2), c.Expected) << c.Name;
}

TEST(cxVariantsCompare, MixedValuesHaveOneOrderWhateverTheirSequence) {
  const Variant values[] = {Variant(5), Variant("abc"), Variant(2.5), Variant("xyz"), Null(), Variant(true),
                            Variant("7"),  Variant(-1)};
  for (const Variant& a : values)
    for (const Variant& b : values) {
      EXPECT_EQ(CompareVariantValues(a, b), -CompareVariantValues(b, a)) << VarToStrDef(a, "Null") << " / " << VarToStrDef(b, "Null");
      if (&a == &b) {
        EXPECT_EQ(CompareVariantValues(a, b), 0);
      }
    }
}

TEST(cxVariantsCompare, BooleanEqualsItsTextOnlyInTheExtendedTest) {
  const String trueText = VarAsType(Variant(true), varString).AsString();
  EXPECT_TRUE(VariantValuesEqualEx(Variant(true), Variant(trueText)));
  EXPECT_FALSE(VariantValuesEqualEx(Variant(true), Variant(false)));
  EXPECT_FALSE(VariantValuesEqualEx(Variant(true), Null()));
  EXPECT_EQ(VariantValuesEqual(Variant(true), Variant(trueText)), Variant(true) == Variant(trueText));
}

TEST(cxVariantsCompare, TypeTests) {
  EXPECT_TRUE(IsBlankVariant(Null()));
  EXPECT_TRUE(IsBlankVariant(Variant("")));
  EXPECT_TRUE(IsBlankVariant(Variant(WideString())));
  EXPECT_FALSE(IsBlankVariant(Unassigned()));
  EXPECT_FALSE(IsBlankVariant(Variant(" ")));
  EXPECT_TRUE(IsDateTimeVariant(VarFromDateTime(1)));
  EXPECT_FALSE(IsDateTimeVariant(Variant(1.0)));
  EXPECT_TRUE(IsNumericVariant(Variant(Currency::FromInt(1))));
  EXPECT_FALSE(IsNumericVariant(Variant("1")));
}

TEST(cxVariantsBuilders, PairSingleAndAppend) {
  Variant pair = CreateVariantPair(1, "b");
  EXPECT_EQ(VarArrayHighBound(pair, 1), 1);
  EXPECT_EQ(pair[1].Value().AsString(), "b");
  Variant single = CreateVariantSingle(9);
  EXPECT_EQ(VarArrayHighBound(single, 1), 0);
  AppendVariantToArray(single, "x");
  ASSERT_EQ(VarArrayHighBound(single, 1), 1);
  EXPECT_EQ(single[0].Value().AsInteger(), 9);
  EXPECT_EQ(single[1].Value().AsString(), "x");
  Variant none;
  AppendVariantToArray(none, 3);
  ASSERT_TRUE(VarIsArray(none));
  EXPECT_EQ(none[0].Value().AsInteger(), 3);
}

}  // namespace
