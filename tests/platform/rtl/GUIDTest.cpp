#include <gtest/gtest.h>

#include <set>

#include "rtl/GUID.h"

namespace {

constexpr TGUID kSample = MakeGUID("{6B29FC40-CA47-1067-B31D-00DD010662DA}");
static_assert(kSample.D1 == 0x6B29FC40 && kSample.D2 == 0xCA47 && kSample.D3 == 0x1067);
static_assert(kSample.D4[0] == 0xB3 && kSample.D4[7] == 0xDA);
static_assert(kSample == TGUID{0x6B29FC40, 0xCA47, 0x1067, {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA}});

TEST(GUIDTest, TextRoundTripIsUpperCaseWithBraces) {
  TGUID g = StringToGUID("{6b29fc40-ca47-1067-b31d-00dd010662da}");
  EXPECT_EQ(g, kSample);
  EXPECT_EQ(GUIDToString(g), "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
  EXPECT_EQ(GUIDToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
  EXPECT_EQ(StringToGUID(GUIDToString(g)), g);
}

TEST(GUIDTest, MalformedTextIsAConvertError) {
  const char* bad[] = {
      "",
      "6B29FC40-CA47-1067-B31D-00DD010662DA",     // no braces
      "{6B29FC40-CA47-1067-B31D-00DD010662D}",    // short
      "{6B29FC40-CA47-1067-B31D-00DD010662DAA}",  // long
      "{6B29FC40+CA47-1067-B31D-00DD010662DA}",   // separator
      "{6B29FC4G-CA47-1067-B31D-00DD010662DA}",   // not hex
  };
  for (const char* s : bad) {
    TGUID g;
    EXPECT_FALSE(TryStringToGUID(s, g)) << s;
    try {
      StringToGUID(s);
      ADD_FAILURE() << s;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(s) + "' is not a valid GUID value");
    }
  }
}

TEST(GUIDTest, CreateGUIDGivesDistinctVersionFourValues) {
  std::set<TGUID> seen;
  for (int i = 0; i < 64; ++i) {
    TGUID g;
    EXPECT_EQ(CreateGUID(g), 0);
    EXPECT_EQ(g.D3 >> 12, 4);
    EXPECT_EQ(g.D4[0] & 0xC0, 0x80);
    seen.insert(g);
  }
  EXPECT_EQ(seen.size(), 64u);
  EXPECT_FALSE(IsEqualGUID(CreateGUID(), GUID_NULL));
  EXPECT_TRUE(IsEqualGUID(kSample, StringToGUID("{6B29FC40-CA47-1067-B31D-00DD010662DA}")));
}

}  // namespace
