#include <gtest/gtest.h>

#include <vector>

#include "dbaccess/VariantRtn.h"

TEST(CompareVariants, MixedTypes) {
  struct Case {
    Variant a;
    Variant b;
    int32_t result;
  } cases[] = {
      {Variant(int32_t{5}), Variant(5.0), 0},
      {Variant(int32_t{5}), Variant(Currency::FromScaled(50001)), -1},
      {Variant(int16_t{2}), Variant("10"), -1},
      {Variant(int32_t{1}), Variant(true), 0},
      {Variant(int64_t{9007199254740993}), Variant(int64_t{9007199254740992}), 1},
      {Variant(int32_t{-1}), Variant(uint32_t{4000000000u}), -1},
      {Variant(Currency::FromScaled(25000)), Variant(int32_t{2}), 1},
      {Variant(Currency::FromScaled(25000)), Variant(2.5), 0},
      {Variant(2.5), Variant(Currency::FromScaled(25000)), 0},
      {Variant("abc"), Variant("abd"), -1},
      {Variant("b"), Variant(u"a"), 1},
      {Variant(u"abc"), Variant("abc"), 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CompareVariants(c.a, c.b), c.result) << VarToStr(c.a) << " vs " << VarToStr(c.b);
  EXPECT_THROW(CompareVariants(Variant(int32_t{1}), Variant("x")), EConvertError);
}

TEST(CompareVariants, NullOrdersBelowEveryValue) {
  const Variant values[] = {Variant(int32_t{0}), Variant(-1.0), Variant(""), Variant(false),
                            Variant(Currency::FromScaled(0))};
  for (const Variant& v : values) {
    EXPECT_EQ(CompareVariants(Null(), v), -1) << VarToStr(v);
    EXPECT_EQ(CompareVariants(v, Null()), 1) << VarToStr(v);
    EXPECT_FALSE(VariantsEqual(v, Null())) << VarToStr(v);
    EXPECT_FALSE(VariantsEqual(Null(), v)) << VarToStr(v);
  }
  EXPECT_EQ(CompareVariants(Null(), Null()), 0);
  EXPECT_TRUE(VariantsEqual(Null(), Null()));
}

TEST(CompareVariants, StringEquality) {
  EXPECT_TRUE(VariantsEqual(Variant("abc"), Variant("abc")));
  EXPECT_FALSE(VariantsEqual(Variant("abc"), Variant("ABC")));
  EXPECT_TRUE(VariantsEqual(Variant("12"), Variant(int32_t{12})));
  EXPECT_TRUE(VariantsEqual(Variant(int32_t{12}), Variant(12.0)));
}

TEST(VariantsIncomparable, Pairs) {
  const Variant date = VarFromDateTime(40000.5);
  EXPECT_FALSE(VariantsIncomparable(date, Variant(int32_t{1})));
  EXPECT_TRUE(VariantsIncomparable(Variant(true), Variant(int32_t{1})));
  EXPECT_TRUE(VariantsIncomparable(Variant(int32_t{1}), Variant("1")));
  EXPECT_FALSE(VariantsIncomparable(Variant("a"), Variant("b")));
  EXPECT_FALSE(VariantsIncomparable(Variant(true), Variant(false)));
  EXPECT_TRUE(VariantsIncomparable(Variant("a"), date));
  EXPECT_FALSE(VariantsIncomparable(Variant(2.0), Variant(int32_t{1})));
}

TEST(VariantArrays, CreateReadWrite) {
  Variant a;
  VarArrayCreateDims({0, 1, 1, 3}, varInteger, a, 2);
  EXPECT_EQ(VarArrayDimCount(a), 2);
  VarArrayPutAt(a, Variant("7"), 2, {1, 3});
  Variant v;
  VarArrayGetAt(v, a, 2, {1, 3});
  EXPECT_EQ(v.VType(), varInteger);
  EXPECT_EQ(v.AsInteger(), 7);
  EXPECT_THROW(VarArrayGetAt(v, a, 1, {1}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGetAt(v, a, 2, {2, 1}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGetAt(v, Variant(int32_t{1}), 1, {0}), EVariantError);
  std::vector<int32_t> tooMany(130, 0);
  EXPECT_THROW(VarArrayCreateDims(tooMany, varInteger, a, 65), EVariantError);

  Variant vars;
  VarArrayCreateDims({0, 1}, varVariant, vars, 1);
  VarArrayPutAt(vars, Variant("text"), 1, {0});
  VarArrayGetAt(v, vars, 1, {0});
  EXPECT_EQ(v.VType(), varOleStr);
}

TEST(VariantArrays, WalkOrderAndMapping) {
  Variant a;
  VarArrayCreateDims({0, 1, 0, 2}, varInteger, a, 2);
  std::vector<std::pair<int32_t, int32_t>> order;
  EXPECT_TRUE(ForEachArrayElement(a, [&](const Variant&, const TArrayIndex& i, bool&, int32_t high) {
    EXPECT_EQ(high, 1);
    order.emplace_back(i[0], i[1]);
  }));
  const std::vector<std::pair<int32_t, int32_t>> expected = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}};
  EXPECT_EQ(order, expected);

  int32_t n = 0;
  MapArrayElements(a, [&](const Variant&, const TArrayIndex&, bool&, Variant& out) { out = Variant(++n); });
  Variant v;
  VarArrayGetAt(v, a, 2, {1, 2});
  EXPECT_EQ(v.AsInteger(), 6);

  int visited = 0;
  EXPECT_FALSE(ForEachArrayElement(a, [&](const Variant&, const TArrayIndex&, bool& goOn, int32_t) {
    if (++visited == 2) goOn = false;
  }));
  EXPECT_EQ(visited, 2);
  EXPECT_FALSE(ForEachArrayElement(Variant(int32_t{1}), [&](const Variant&, const TArrayIndex&, bool&, int32_t) {}));
}

TEST(VariantArrays, ArraysEqual) {
  const Variant a = VarArrayOf({Variant(int32_t{1}), Variant("x")});
  const Variant b = VarArrayOf({Variant(1.0), Variant("x")});
  EXPECT_TRUE(VarArraysEqual(a, b, 1));
  EXPECT_FALSE(VarArraysEqual(a, b, 2));  // beyond the end
  EXPECT_FALSE(VarArraysEqual(a, VarArrayOf({Variant(int32_t{2}), Variant("x")}), 1));
}
