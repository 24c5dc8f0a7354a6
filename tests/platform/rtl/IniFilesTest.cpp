#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "rtl/Files.h"
#include "rtl/FormatSettings.h"
#include "rtl/IniFiles.h"
#include "rtl/StringLists.h"

namespace {

class IniFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    String templ = GetTempDir() + "vorn-ini-XXXXXX";
    FDir = ::mkdtemp(templ.data());
    FFile = FDir + "/layout.ini";
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  void Write(const String& text) { std::ofstream(FFile, std::ios::binary) << text; }
  String Read() {
    std::ifstream in(FFile, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  String FDir, FFile;
};

TEST_F(IniFilesTest, ParsesSectionsKeysAndCommentsIgnoringLetterCase) {
  Write("; a comment\r\n[Main.Bar]\r\n  Left = 10 \r\nCaption=Панель инструментов\r\n\r\n[Other]\nx=1\n[main.bar]\nTop=5\n");
  auto* ini = New<TMemIniFile>(FFile);
  EXPECT_EQ(ini->ReadString("MAIN.BAR", "left", "?"), "10");
  EXPECT_EQ(ini->ReadString("main.bar", "CAPTION", "?"), "Панель инструментов");
  EXPECT_EQ(ini->ReadString("Main.Bar", "Top", "?"), "5") << "a repeated section continues the first";
  EXPECT_EQ(ini->ReadString("Main.Bar", "Missing", "?"), "?");
  EXPECT_EQ(ini->ReadString("Missing", "Left", "def"), "def");

  std::vector<String> v;
  ini->ReadSections(v);
  EXPECT_EQ(v, (std::vector<String>{"Main.Bar", "Other"}));
  ini->ReadSection("main.BAR", v);
  EXPECT_EQ(v, (std::vector<String>{"Left", "Caption", "Top"}));
  ini->ReadSectionValues("Main.Bar", v);
  EXPECT_EQ(v, (std::vector<String>{"Left=10", "Caption=Панель инструментов", "Top=5"}));
  EXPECT_TRUE(ini->SectionExists("OTHER"));
  EXPECT_FALSE(ini->SectionExists("None"));
  EXPECT_TRUE(ini->ValueExists("other", "X"));
  EXPECT_FALSE(ini->ValueExists("other", "y"));
  ini->Free();
}

TEST_F(IniFilesTest, TypedValuesWithDefaults) {
  Write("[S]\nInt=-42\nHex=0x1F\nBad=12abc\nOn=1\nOff=0\nFloat=2,5\nFloatDot=x\n");
  TMemIniFile ini(FFile);
  struct IntCase {
    const char* key;
    int32_t expected;
  } ints[] = {{"Int", -42}, {"Hex", 31}, {"Bad", 7}, {"Missing", 7}};
  for (const IntCase& c : ints) EXPECT_EQ(ini.ReadInteger("S", c.key, 7), c.expected) << c.key;
  EXPECT_TRUE(ini.ReadBool("S", "On", false));
  EXPECT_FALSE(ini.ReadBool("S", "Off", true));
  EXPECT_TRUE(ini.ReadBool("S", "Missing", true));

  const TFormatSettings saved = FormatSettings();
  SetFormatSettings(TFormatSettings::Russian());
  EXPECT_EQ(ini.ReadFloat("S", "Float", 0), 2.5);
  EXPECT_EQ(ini.ReadFloat("S", "FloatDot", 9.0), 9.0);
  ini.WriteFloat("S", "Written", 0.125);
  EXPECT_EQ(ini.ReadString("S", "Written", ""), "0,125");
  ini.WriteInteger("S", "I", 12);
  ini.WriteBool("S", "B", true);
  EXPECT_EQ(ini.ReadString("S", "I", ""), "12");
  EXPECT_EQ(ini.ReadString("S", "B", ""), "1");
  SetFormatSettings(saved);
}

TEST_F(IniFilesTest, MemIniFileWritesOnlyOnUpdateFile) {
  TMemIniFile ini(FFile);
  ini.WriteString("Bars", "Count", "2");
  ini.WriteString("Bar0", "Name", "Главное меню");
  ini.WriteString("Bar1", "Name", "Tools");
  EXPECT_FALSE(FileExists(FFile));
  ini.DeleteKey("bar1", "NAME");
  ini.EraseSection("BAR0");
  ini.WriteString("bars", "count", "1");
  ini.UpdateFile();
  EXPECT_EQ(Read(), "[Bars]\nCount=1\n\n[Bar1]\n\n") << "names keep the case they were first written with";

  TMemIniFile again(FFile);
  EXPECT_EQ(again.ReadString("BARS", "COUNT", ""), "1");
  std::vector<String> keys;
  again.ReadSection("Bar1", keys);
  EXPECT_TRUE(keys.empty());
  EXPECT_FALSE(again.SectionExists("Bar1")) << "an empty section does not count";
}

TEST_F(IniFilesTest, IniFileWritesThroughAndReadsOtherWriters) {
  TIniFile ini(FFile);
  ini.WriteString("Main", "Width", "800");
  {
    TMemIniFile other(FFile);
    EXPECT_EQ(other.ReadString("Main", "Width", ""), "800");
    other.WriteString("Main", "Height", "600");
    other.UpdateFile();
  }
  EXPECT_EQ(ini.ReadString("Main", "Height", ""), "600");
  ini.EraseSection("Main");
  TMemIniFile check(FFile);
  EXPECT_FALSE(check.SectionExists("Main"));
}

TEST_F(IniFilesTest, DatesAndStringListsFollowTheFormatSettings) {
  const TFormatSettings saved = FormatSettings();
  SetFormatSettings(TFormatSettings::Russian());
  TMemIniFile ini(FFile);
  ini.WriteDateTime("D", "When", 45000.5);
  ini.WriteDate("D", "Day", 45000.0);
  EXPECT_EQ(ini.ReadString("D", "When", ""), "15.03.2023 12:00:00");
  EXPECT_EQ(ini.ReadString("D", "Day", ""), "15.03.2023");
  EXPECT_DOUBLE_EQ(ini.ReadDateTime("D", "When", 0), 45000.5);
  EXPECT_DOUBLE_EQ(ini.ReadDate("D", "Day", 0), 45000.0);
  EXPECT_DOUBLE_EQ(ini.ReadDateTime("D", "Missing", 1.5), 1.5);
  ini.WriteString("D", "Bad", "not a date");
  EXPECT_DOUBLE_EQ(ini.ReadDateTime("D", "Bad", 2.5), 2.5);
  SetFormatSettings(saved);

  auto* list = New<TStringList>();
  list->Add("stale");
  ini.ReadSection("d", list);
  EXPECT_EQ(list->Text(), "When\r\nDay\r\nBad\r\n");
  ini.ReadSections(list);
  EXPECT_EQ(list->Text(), "D\r\n");
  ini.ReadSectionValues("D", list);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Values("Day"), "15.03.2023");
  list->SetText("[New]\r\nA=1\r\n");
  ini.SetStrings(list);
  EXPECT_EQ(ini.ReadInteger("new", "a", 0), 1);
  ini.GetStrings(list);
  EXPECT_EQ(list->Text(), "[New]\r\nA=1\r\n\r\n");
  list->Free();
}

}  // namespace
