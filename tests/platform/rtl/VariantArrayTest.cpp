#include <gtest/gtest.h>

#include <functional>

#include "rtl/FormatSettings.h"
#include "rtl/Variants.h"

namespace {

template <class E>
void ExpectThrowText(const std::function<void()>& f, const char* text) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected: " << text;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), text);
  }
}

TEST(VariantArray, TwoDimensionsWithArbitraryBounds) {
  Variant a = VarArrayCreate({-2, 3, 10, 12}, varInteger);
  EXPECT_EQ(VarType(a), varArray | varInteger);
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayDimCount(a), 2);
  EXPECT_EQ(VarArrayLowBound(a, 1), -2);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(VarArrayLowBound(a, 2), 10);
  EXPECT_EQ(VarArrayHighBound(a, 2), 12);
  // Fresh elements of a typed array hold that type's zero.
  Variant e = VarArrayGet(a, {0, 11});
  EXPECT_EQ(VarType(e), varInteger);
  EXPECT_EQ(e.AsInteger(), 0);

  for (int i = -2; i <= 3; ++i)
    for (int j = 10; j <= 12; ++j) VarArrayPut(a, Variant(i * 100 + j), {i, j});
  for (int i = -2; i <= 3; ++i)
    for (int j = 10; j <= 12; ++j) EXPECT_EQ(VarArrayGet(a, {i, j}).AsInteger(), i * 100 + j);

  // Values are converted to the element type on the way in.
  VarArrayPut(a, Variant("42"), {3, 12});
  EXPECT_EQ(VarType(VarArrayGet(a, {3, 12})), varInteger);
  EXPECT_EQ(VarArrayGet(a, {3, 12}).AsInteger(), 42);
  EXPECT_THROW(VarArrayPut(a, Variant("x"), {3, 12}), EVariantTypeCastError);
}

TEST(VariantArray, IndexAndBoundErrorsCarryThePlatformTexts) {
  Variant a = VarArrayCreate({-2, 3, 10, 12}, varVariant);
  const char* bounds = "Variant or safe array index out of bounds";
  ExpectThrowText<EVariantBadIndexError>([&] { VarArrayGet(a, {-3, 10}); }, bounds);
  ExpectThrowText<EVariantBadIndexError>([&] { VarArrayGet(a, {0, 13}); }, bounds);
  ExpectThrowText<EVariantBadIndexError>([&] { VarArrayGet(a, {0}); }, bounds);
  ExpectThrowText<EVariantBadIndexError>([&] { VarArrayPut(a, Variant(1), {4, 10}); }, bounds);
  ExpectThrowText<EVariantBadIndexError>([&] { VarArrayLowBound(a, 3); }, bounds);
  ExpectThrowText<EVariantInvalidArgError>([&] { VarArrayLowBound(Variant(1), 1); }, "Invalid argument");
  ExpectThrowText<EVariantArrayCreateError>([&] { VarArrayCreate({5, 3}, varInteger); },
                                            "Error creating variant or safe array");
  ExpectThrowText<EVariantArrayCreateError>([&] { VarArrayCreate({0, 1}, varNull); },
                                            "Error creating variant or safe array");
  EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);
}

TEST(VariantArray, SixtyFourDimensionsAtMostAndEmptyRanges) {
  std::vector<int32_t> b64(128, 0);
  Variant a = VarArrayCreate(b64, varByte);
  EXPECT_EQ(VarArrayDimCount(a), 64);
  std::vector<int32_t> b65(130, 0);
  EXPECT_THROW(VarArrayCreate(b65, varByte), EVariantArrayCreateError);
  Variant empty = VarArrayCreate({0, -1}, varVariant);
  EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
}

TEST(VariantArray, VarArrayOfKeepsElementTypesAndCopiesByValue) {
  Variant a = VarArrayOf({1, "two", 3.5, Null()});
  EXPECT_EQ(VarType(a), varArray | varVariant);
  EXPECT_EQ(VarArrayLowBound(a, 1), 0);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(VarType(a[0]), varInteger);
  EXPECT_EQ(VarType(a[1]), varString);
  EXPECT_EQ(VarType(a[2]), varDouble);
  EXPECT_TRUE(VarIsNull(a[3]));

  Variant b = a;
  b[1] = Variant("changed");
  EXPECT_EQ(VarToStr(a[1]), "two");
  EXPECT_EQ(VarToStr(b[1]), "changed");
  b[0] = b[2];
  EXPECT_EQ(VarType(b[0]), varDouble);

  Variant nested = VarArrayOf({a, 5});
  EXPECT_TRUE(VarIsArray(nested[0]));
  EXPECT_EQ(VarToStr(VarArrayGet(nested[0], {1})), "two");

  Variant moved = std::move(b);
  EXPECT_EQ(VarToStr(moved[1]), "changed");
  EXPECT_TRUE(VarIsEmpty(b));
}

TEST(VariantArray, RedimChangesTheLastDimensionAndKeepsElements) {
  Variant a = VarArrayCreate({1, 2, 0, 1}, varInteger);
  for (int i = 1; i <= 2; ++i)
    for (int j = 0; j <= 1; ++j) VarArrayPut(a, Variant(i * 10 + j), {i, j});
  VarArrayRedim(a, 3);
  EXPECT_EQ(VarArrayHighBound(a, 2), 3);
  for (int i = 1; i <= 2; ++i) {
    for (int j = 0; j <= 1; ++j) EXPECT_EQ(VarArrayGet(a, {i, j}).AsInteger(), i * 10 + j);
    EXPECT_EQ(VarArrayGet(a, {i, 3}).AsInteger(), 0);
  }
  VarArrayRedim(a, 0);
  EXPECT_EQ(VarArrayGet(a, {2, 0}).AsInteger(), 20);
  EXPECT_THROW(VarArrayGet(a, {2, 1}), EVariantBadIndexError);
}

TEST(VariantArray, ArraysDoNotCompareOrConvert) {
  Variant a = VarArrayOf({1});
  ExpectThrowText<EVariantInvalidOpError>([&] { (void)(a == a); }, "Invalid variant operation");
  EXPECT_THROW(a + Variant(1), EVariantInvalidOpError);
  ExpectThrowText<EVariantTypeCastError>([&] { VarToStr(a); },
                                         "Could not convert variant of type (Array Variant) into type (String)");
}

}  // namespace
