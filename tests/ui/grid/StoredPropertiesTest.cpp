// The text forms of stored layout values: streams as "Hex:" text and flags as TRUE/FALSE.

#include <gtest/gtest.h>

#include "rtl/Streams.h"
#include "rtl/TypInfo.h"
#include "ui/grid/cxGridCommon.h"

namespace {

std::string Decoded(const String& AText) {
  TStringStream stream;
  HexStringToStream(AText, &stream);
  return stream.DataString();
}

TEST(StoredPropertiesTest, StreamsBecomeUpperCaseHexText) {
  TStringStream stream(std::string("\x01\xAB\x00\xFF", 4));
  stream.SetPosition(3);
  EXPECT_EQ(StreamToHexString(&stream), "Hex:01AB00FF") << "the whole stream, from its start";
  TStringStream empty;
  EXPECT_EQ(StreamToHexString(&empty), "");
  EXPECT_EQ(StreamToHexString(nullptr), "");
  EXPECT_EQ(BytesToHex({0x0F, 0xA0}), "0FA0");
}

TEST(StoredPropertiesTest, HexTextDecodes) {
  struct TCase {
    String Text;
    std::string Bytes;
  };
  const TCase cases[] = {
      {"", ""},
      {"Hex:", ""},
      {"Hex:01AB", std::string("\x01\xAB", 2)},
      {"Hex:ff00", std::string("\xFF\x00", 2)},
  };
  for (const TCase& c : cases) EXPECT_EQ(Decoded(c.Text), c.Bytes) << c.Text;
  HexStringToStream("Hex:01", nullptr);  // no stream: nothing
}

TEST(StoredPropertiesTest, DamagedHexTextIsRefusedWhole) {
  const String texts[] = {"Hex:A", "Hex:ABC", "Hex:0g", "hex:01", "Bin:01", "01AB", "Hex:01 2"};
  for (const String& text : texts) {
    TStringStream stream;
    EXPECT_THROW(HexStringToStream(text, &stream), EcxHexStringConvertError) << text;
    EXPECT_EQ(stream.Size(), 0) << text << ": nothing written";
  }
  EXPECT_THROW(HexToBytes("ABC"), EcxHexStringConvertError);
}

TEST(StoredPropertiesTest, HexDigits) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('A'), 10);
  EXPECT_EQ(HexDigitValue('f'), 15);
  try {
    HexDigitValue('g');
    FAIL();
  } catch (const EcxHexStringConvertError& e) {
    EXPECT_EQ(e.Message(), "");
  }
}

TEST(StoredPropertiesTest, FlagsAreTrueOrFalseInAnyCase) {
  EXPECT_TRUE(StrToBoolean("true"));
  EXPECT_TRUE(StrToBoolean("True"));
  EXPECT_TRUE(StrToBoolean("TRUE"));
  EXPECT_FALSE(StrToBoolean("false"));
  EXPECT_THROW(StrToBoolean("yes"), EPropertyConvertError);
}

}  // namespace
