// The binary value encoding and the text form, below the level of components.
#include <gtest/gtest.h>

#include <functional>

#include "rtl/Filer.h"
#include "rtl/Streams.h"

namespace {

String Written(const std::function<void(TWriter&)>& fn) {
  TStringStream s;
  {
    TWriter w(&s, 64);
    fn(w);
  }
  return s.DataString();
}

String Bytes(std::initializer_list<int> bytes) {
  String s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

// The value bytes of property P of the text "object X: T\n  P = <value>\nend".
String ValueBytes(const String& value) {
  String bin = ObjectTextToBinary("object X: T\n  P = " + value + "\nend\n");
  const String head = String("TPF0") + Bytes({1}) + "T" + Bytes({1}) + "X" + Bytes({1}) + "P";
  EXPECT_EQ(bin.compare(0, head.size(), head), 0);
  return bin.substr(head.size(), bin.size() - head.size() - 2);  // two end-of-list markers follow
}

}  // namespace

TEST(FilerTest, IntegersTakeTheSmallestTag) {
  struct Case {
    int64_t value;
    TValueType tag;
    size_t size;
  };
  const Case cases[] = {{0, vaInt8, 2},           {127, vaInt8, 2},          {-128, vaInt8, 2},
                        {128, vaInt16, 3},        {-129, vaInt16, 3},        {32767, vaInt16, 3},
                        {32768, vaInt32, 5},      {INT32_MIN, vaInt32, 5},   {int64_t(INT32_MAX) + 1, vaInt64, 9},
                        {INT64_MIN, vaInt64, 9}};
  for (const Case& c : cases) {
    String bytes = Written([&](TWriter& w) { w.WriteInteger(c.value); });
    ASSERT_EQ(bytes.size(), c.size) << c.value;
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), c.tag) << c.value;
    TStringStream in(bytes);
    TReader r(&in, 16);
    EXPECT_EQ(r.ReadInt64(), c.value);
  }
}

TEST(FilerTest, ExtendedIsTheTenByteFormat) {
  String bytes = Written([](TWriter& w) { w.WriteFloat(1.0L); });
  EXPECT_EQ(bytes, Bytes({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  bytes = Written([](TWriter& w) { w.WriteFloat(-2.5L); });
  EXPECT_EQ(bytes, Bytes({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}));
  TStringStream in(bytes);
  TReader r(&in, 16);
  EXPECT_EQ(r.ReadFloat(), -2.5L);
}

TEST(FilerTest, TextValuesBecomeTheirTags) {
  struct Case {
    const char* text;
    String bytes;
  };
  const Case cases[] = {
      {"'ab'#13#10'c'", Bytes({vaString, 5, 'a', 'b', 13, 10, 'c'})},
      {"'a' +\n    'b'", Bytes({vaString, 2, 'a', 'b'})},
      {"'it''s'", Bytes({vaString, 4, 'i', 't', '\'', 's'})},
      {"#$41#1046", Bytes({vaString, 3, 'A', 0xD0, 0x96})},
      {"''", Bytes({vaString, 0})},
      {"-5", Bytes({vaInt8, 0xFB})},
      {"$FF", Bytes({vaInt16, 0xFF, 0})},
      {"1.5s", Bytes({vaSingle, 0, 0, 0xC0, 0x3F})},
      {"25000c", Bytes({vaCurrency, 0xA8, 0x61, 0, 0, 0, 0, 0, 0})},
      {"2d", Bytes({vaDate, 0, 0, 0, 0, 0, 0, 0, 0x40})},
      {"True", Bytes({vaTrue})},
      {"false", Bytes({vaFalse})},
      {"nil", Bytes({vaNil})},
      {"Form2.Table1", Bytes({vaIdent, 12, 'F', 'o', 'r', 'm', '2', '.', 'T', 'a', 'b', 'l', 'e', '1'})},
      {"[]", Bytes({vaSet, 0})},
      {"[a, bc]", Bytes({vaSet, 1, 'a', 2, 'b', 'c', 0})},
      {"(1 (2) 'x')", Bytes({vaList, vaInt8, 1, vaList, vaInt8, 2, vaNull, vaString, 1, 'x', vaNull})},
      {"{ 0a FF\n  10 }", Bytes({vaBinary, 3, 0, 0, 0, 0x0A, 0xFF, 0x10})},
      {"<>", Bytes({vaCollection, vaNull})},
      {"<\n item [3]\n  A = 1\n end\n item\n end>",
       Bytes({vaCollection, vaInt8, 3, vaList, 1, 'A', vaInt8, 1, vaNull, vaList, vaNull, vaNull})},
  };
  for (const Case& c : cases) EXPECT_EQ(ValueBytes(c.text), c.bytes) << c.text;
}

TEST(FilerTest, HeadersCarryInheritedInlineAndChildPosition) {
  String bin = ObjectTextToBinary(
      "inherited Form1: TForm1\n"
      "  inline Frame: TFrame1 [2]\n"
      "  end\n"
      "  object TLabel\n"
      "  end\n"
      "end\n");
  String expected = String("TPF0") + Bytes({0xF1, 6}) + "TForm1" + Bytes({5}) + "Form1" + Bytes({0}) +
                    Bytes({0xF6, vaInt8, 2, 7}) + "TFrame1" + Bytes({5}) + "Frame" + Bytes({0, 0}) +
                    Bytes({6}) + "TLabel" + Bytes({0, 0, 0}) + Bytes({0});
  EXPECT_EQ(bin, expected);
  EXPECT_EQ(ObjectBinaryToText(bin),
            "inherited Form1: TForm1\r\n"
            "  inline Frame: TFrame1 [2]\r\n"
            "  end\r\n"
            "  object TLabel\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST(FilerTest, TextErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"object A: T\n  P = [a b]\nend\n", "',' expected on line 2"},
      {"object A: T\n  P = 'open\nend\n", "Unterminated string on line 2"},
      {"object A: T\n\n  P = { 0G }\nend\n", "Invalid binary value on line 3"},
      {"thing A: T\nend\n", "'object' expected on line 1"},
      {"object A: T\n  P = 1\n", "'end' expected on line 3"},
  };
  for (const Case& c : cases) {
    try {
      ObjectTextToBinary(c.text);
      ADD_FAILURE() << c.text;
    } catch (const EParserError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.text;
    }
  }
}

TEST(FilerTest, SkipValueStepsOverEveryKind) {
  String bytes = Written([](TWriter& w) {
    w.WriteInteger(70000);
    w.WriteInteger(int64_t(1) << 50);
    w.WriteFloat(3.25L);
    w.WriteSingle(2.0f);
    w.WriteCurrency(Currency::FromInt(3));
    w.WriteDate(1.0);
    w.WriteString(String(300, 'z'));
    w.WriteUTF8Str("u");
    w.WriteWideString(u"wide");
    w.WriteIdent("Ident");
    w.WriteBoolean(true);
    w.WriteSetNames({"a", "b"});
    uint8_t blob[3] = {1, 2, 3};
    w.WriteBinary(blob, 3);
    w.WriteListBegin();
    w.WriteInteger(1);
    w.WriteListEnd();
    w.WriteValue(vaCollection);
    w.WriteInteger(0);
    w.WriteListBegin();
    w.WriteStr("X");
    w.WriteString("y");
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteIdent("nil");
    w.WriteListEnd();  // the end marker the loop stops at
  });
  TStringStream in(bytes);
  TReader r(&in, 8);  // a small buffer crosses refills inside values
  int skipped = 0;
  while (!r.EndOfList()) {
    r.SkipValue();
    ++skipped;
  }
  r.ReadListEnd();
  EXPECT_EQ(skipped, 16);
  EXPECT_EQ(r.Position(), static_cast<int64_t>(bytes.size()));
}

TEST(FilerTest, StringsReadFromEveryStringTag) {
  String bytes = Written([](TWriter& w) {
    w.WriteString("short");
    w.WriteString(String(256, 'L'));
    w.WriteUTF8Str("\xD0\x96");
    w.WriteWideString(u"\u0416!");
  });
  TStringStream in(bytes);
  TReader r(&in, 32);
  EXPECT_EQ(r.ReadString(), "short");
  EXPECT_EQ(r.ReadString(), String(256, 'L'));
  EXPECT_EQ(r.ReadString(), "\xD0\x96");
  EXPECT_EQ(r.ReadString(), "\xD0\x96!");
  EXPECT_EQ(static_cast<uint8_t>(bytes[7]), vaLString);
}

TEST(FilerTest, ReaderGivesBackWhatItBufferedButDidNotUse) {
  String bytes = Written([](TWriter& w) {
    w.WriteInteger(5);
    w.WriteString("rest");
  });
  TStringStream in(bytes);
  {
    TReader r(&in, 4096);
    EXPECT_EQ(r.ReadInteger(), 5);
  }
  EXPECT_EQ(in.Position(), 2);
}

TEST(FilerTest, StreamFormatIsRecognised) {
  struct Case {
    String data;
    TStreamOriginalFormat format;
  };
  const Case cases[] = {{"TPF0xyz", sofBinary},   {"\xFF\x0A\x00\x00", sofBinary}, {"object A: T", sofText},
                        {"  object", sofText},     {"Inherited", sofText},           {"\xEF\xBB\xBFobject", sofText},
                        {"garbage", sofUnknown},  {"", sofUnknown}};
  for (const Case& c : cases) {
    TStringStream s(c.data);
    EXPECT_EQ(TestStreamFormat(&s), c.format) << c.data;
    EXPECT_EQ(s.Position(), 0);
  }
}

TEST(FilerTest, LongAndSpecialStringsInTheTextForm) {
  String text = "object X: T\n  P = '" + String(70, 'a') + "'\n  Q = 'tab'#9'end'\nend\n";
  String back = ObjectBinaryToText(ObjectTextToBinary(text));
  EXPECT_NE(back.find("  P = \r\n    '" + String(64, 'a') + "' +\r\n    'aaaaaa'\r\n"), String::npos) << back;
  EXPECT_NE(back.find("  Q = 'tab'#9'end'\r\n"), String::npos) << back;
}
