#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "rtl/Files.h"
#include "rtl/Registry.h"
#include "rtl/StringLists.h"

namespace {

String ReadAll(const String& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Each test gets its own registry folder.
class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    String templ = GetTempDir() + "vorn-registry-XXXXXX";
    FDir = ::mkdtemp(templ.data());
    SetRegistryRoot(FDir);
  }
  void TearDown() override {
    SetRegistryRoot(String());
    for (const String& d : FOthers) std::filesystem::remove_all(d);
    std::filesystem::remove_all(FDir);
  }
  String File(const char* root = "HKEY_CURRENT_USER") const { return FDir + "/" + root + ".reg"; }
  // Points the registry at a copy of the current files: what a fresh process would read from disk.
  void SwitchToCopyOfFiles() {
    String templ = GetTempDir() + "vorn-registry-copy-XXXXXX";
    String copy = ::mkdtemp(templ.data());
    FOthers.push_back(copy);
    for (const auto& e : std::filesystem::directory_iterator(FDir))
      if (e.path().extension() == ".reg") std::filesystem::copy(e.path(), copy + "/" + e.path().filename().string());
    SetRegistryRoot(copy);
  }

  String FDir;
  std::vector<String> FOthers;
};

const String kPath = "\\Software\\Pellwick\\Vorn\\";

TEST_F(RegistryTest, EveryValueTypeRoundTripsThroughTheFile) {
  const String text = "Текст \"в кавычках\" \\ с\tтабуляцией\r\nи строкой \x01 end";
  const uint8_t bytes[] = {0x00, 0xFF, 0x54, 0x50, 0x46, 0x30, 0x0A};
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kPath, true));
    reg.WriteString("Text", text);
    reg.WriteString("Empty", "");
    reg.WriteExpandString("Expand", "$HOME/x");
    reg.WriteInteger("Negative", -123456);
    reg.WriteBool("Flag", true);
    reg.WriteFloat("Float", -1.25e300);
    reg.WriteCurrency("Money", Currency::FromScaled(123456789));
    reg.WriteDateTime("When", 45000.75);
    reg.WriteDate("Day", 45000.0);
    reg.WriteTime("Hour", 0.5);
    reg.WriteBinaryData("Bytes", bytes, sizeof bytes);
    reg.WriteBinaryData("NoBytes", bytes, 0);
    reg.WriteString("", "the default value");
  }
  SwitchToCopyOfFiles();
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(kPath));
  EXPECT_EQ(reg.ReadString("Text"), text);
  EXPECT_EQ(reg.ReadString("Empty"), "");
  EXPECT_EQ(reg.ReadString("Expand"), "$HOME/x");
  EXPECT_EQ(reg.ReadInteger("Negative"), -123456);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.ReadFloat("Float"), -1.25e300);
  EXPECT_EQ(reg.ReadCurrency("Money"), Currency::FromScaled(123456789));
  EXPECT_EQ(reg.ReadDateTime("When"), 45000.75);
  EXPECT_EQ(reg.ReadDate("Day"), 45000.0);
  EXPECT_EQ(reg.ReadTime("Hour"), 0.5);
  uint8_t buf[16] = {};
  EXPECT_EQ(reg.ReadBinaryData("Bytes", buf, sizeof buf), 7);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 7), std::vector<uint8_t>(bytes, bytes + 7));
  EXPECT_TRUE(reg.ReadBinaryData("NoBytes").empty());
  EXPECT_EQ(reg.ReadString(""), "the default value");

  struct TypeCase {
    const char* name;
    TRegDataType type;
    int32_t size;
  } types[] = {
      {"Text", rdString, static_cast<int32_t>(text.size()) + 1},
      {"Empty", rdString, 1},
      {"Expand", rdExpandString, 8},
      {"Negative", rdInteger, 4},
      {"Flag", rdInteger, 4},
      {"Float", rdBinary, 8},
      {"Money", rdBinary, 8},
      {"When", rdBinary, 8},
      {"Bytes", rdBinary, 7},
      {"Missing", rdUnknown, -1},
  };
  for (const TypeCase& c : types) {
    EXPECT_EQ(reg.GetDataType(c.name), c.type) << c.name;
    EXPECT_EQ(reg.GetDataSize(c.name), c.size) << c.name;
  }
  EXPECT_EQ(reg.GetValueNames(), (std::vector<String>{"Text", "Empty", "Expand", "Negative", "Flag", "Float", "Money",
                                                      "When", "Day", "Hour", "Bytes", "NoBytes", ""}));
}

TEST_F(RegistryTest, ReadErrorsCarryThePlatformsTexts) {
  TRegistry reg;
  auto message = [](auto fn) -> String {
    try {
      fn();
    } catch (const ERegistryException& e) {
      return e.Message();
    }
    return "no error";
  };
  EXPECT_EQ(message([&] { reg.WriteString("X", "v"); }), "Failed to set data for 'X'") << "no key open";
  ASSERT_TRUE(reg.OpenKey(kPath, true));
  reg.WriteString("Short", "ab");
  reg.WriteString("Long", "a long text");
  reg.WriteInteger("Int", 7);
  const uint8_t big[9] = {};
  reg.WriteBinaryData("Nine", big, 9);

  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.ReadBinaryData("Missing", nullptr, 0), 0);
  EXPECT_EQ(message([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
  EXPECT_EQ(message([&] { reg.ReadInteger("Short"); }), "Invalid data type for 'Short'");
  EXPECT_EQ(message([&] { reg.ReadInteger("Long"); }), "Failed to get data for 'Long'");
  EXPECT_EQ(message([&] { reg.ReadString("Int"); }), "Invalid data type for 'Int'");
  EXPECT_EQ(message([&] { reg.ReadFloat("Int"); }), "Invalid data type for 'Int'");
  EXPECT_EQ(message([&] { reg.ReadFloat("Nine"); }), "Failed to get data for 'Nine'");
  EXPECT_EQ(message([&] { reg.ReadDateTime("Missing"); }), "Failed to get data for 'Missing'");
  EXPECT_EQ(message([&] { reg.ReadBinaryData("Int"); }), "Invalid data type for 'Int'");
  uint8_t small[4];
  EXPECT_EQ(message([&] { reg.ReadBinaryData("Nine", small, 4); }), "Invalid data type for 'Nine'");

  ASSERT_TRUE(reg.OpenKeyReadOnly(kPath));
  EXPECT_EQ(message([&] { reg.WriteInteger("Int", 1); }), "Failed to set data for 'Int'");
  EXPECT_FALSE(reg.DeleteValue("Int"));
  EXPECT_EQ(reg.ReadInteger("Int"), 7);
}

TEST_F(RegistryTest, PathsAreAbsoluteOrRelativeAndIgnoreLetterCase) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(kPath, false));
  EXPECT_FALSE(reg.HasCurrentKey());
  // The storage manager's composed path: the Path's own trailing "\" and the separator stand together.
  ASSERT_TRUE(reg.OpenKey(kPath + "\\" + "TfmMain", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Pellwick\\Vorn\\TfmMain");
  ASSERT_TRUE(reg.OpenKey("Sub\\Deeper", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Pellwick\\Vorn\\TfmMain\\Sub\\Deeper");
  EXPECT_FALSE(reg.OpenKey("Nothing", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Pellwick\\Vorn\\TfmMain\\Sub\\Deeper") << "a failed open keeps the key";

  EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\pellwick\\VORN\\tfmmain"));
  ASSERT_TRUE(reg.OpenKey("\\software\\PELLWICK", false));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<String>{"Vorn"}) << "the case it was created with";
  reg.WriteString("Имя", "1");
  EXPECT_TRUE(reg.ValueExists("ИМЯ"));
  reg.WriteString("имя", "2");
  EXPECT_EQ(reg.GetValueNames(), std::vector<String>{"Имя"});
  EXPECT_EQ(reg.ReadString("иМЯ"), "2");

  EXPECT_TRUE(reg.CreateKey("b"));
  EXPECT_TRUE(reg.CreateKey("A"));
  EXPECT_TRUE(reg.CreateKey("c"));
  EXPECT_EQ(reg.CurrentPath(), "software\\PELLWICK") << "CreateKey does not open";
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<String>{"A", "b", "c", "Vorn"}));
  EXPECT_TRUE(reg.HasSubKeys());
  auto* list = New<TStringList>();
  list->Add("stale");
  reg.GetKeyNames(list);
  EXPECT_EQ(list->CommaText(), "A,b,c,Vorn");
  reg.GetValueNames(list);
  EXPECT_EQ(list->CommaText(), "Имя");
  list->Free();

  reg.CloseKey();
  EXPECT_TRUE(reg.GetKeyNames().empty());
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.KeyExists(kPath));
  ASSERT_TRUE(reg.OpenKey(kPath, true));
  EXPECT_TRUE(FileExists(File("HKEY_LOCAL_MACHINE")));
}

TEST_F(RegistryTest, DeleteKeyRemovesTheWholeSubtree) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quendrake\\Aliases\\one\\deep", true));
  reg.WriteString("Database Name", "/db/one.gdb");
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quendrake\\Aliases\\two", true));
  reg.WriteString("Database Name", "/db/two.gdb");
  reg.CloseKey();

  EXPECT_TRUE(reg.DeleteKey("\\Software\\Quendrake\\Aliases\\ONE"));
  EXPECT_FALSE(reg.DeleteKey("\\Software\\Quendrake\\Aliases\\one"));
  EXPECT_FALSE(reg.DeleteKey("\\"));
  SwitchToCopyOfFiles();
  EXPECT_FALSE(reg.KeyExists("\\Software\\Quendrake\\Aliases\\one\\deep"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Quendrake\\Aliases\\one"));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quendrake\\Aliases", false));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<String>{"two"});
  EXPECT_TRUE(reg.DeleteKey("two"));  // relative to the open key
  EXPECT_TRUE(reg.GetKeyNames().empty());
  EXPECT_FALSE(reg.HasSubKeys());
}

TEST_F(RegistryTest, ValuesCanBeDeletedAndRenamed) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kPath, true));
  for (int i = 0; i < 5; ++i) reg.WriteString("Line000000000" + std::to_string(i), "x");
  EXPECT_TRUE(reg.DeleteValue("Line0000000003"));
  EXPECT_FALSE(reg.DeleteValue("Line0000000003"));
  EXPECT_FALSE(reg.ValueExists("Line0000000003"));
  EXPECT_TRUE(reg.RenameValue("Line0000000004", "Last"));
  EXPECT_FALSE(reg.RenameValue("Last", "Line0000000000"));  // taken
  EXPECT_EQ(reg.GetValueNames(), (std::vector<String>{"Line0000000000", "Line0000000001", "Line0000000002", "Last"}));
}

TEST_F(RegistryTest, ObjectsOfOneProcessAndOtherProcessesSeeEachOthersWrites) {
  TRegistry a, b;
  ASSERT_TRUE(a.OpenKey(kPath, true));
  ASSERT_TRUE(b.OpenKey(kPath, false));
  a.WriteInteger("Count", 1);
  EXPECT_EQ(b.ReadInteger("Count"), 1);
  b.WriteInteger("Count", 2);
  EXPECT_EQ(a.ReadInteger("Count"), 2);

  const pid_t child = ::fork();
  if (child == 0) {
    TRegistry c;
    int code = c.OpenKey(kPath, false) && c.ReadInteger("Count") == 2 ? 0 : 1;
    if (code == 0) c.WriteInteger("Count", 3);
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(a.ReadInteger("Count"), 3) << "the file changed on disk and is read again";
}

TEST_F(RegistryTest, ACrashBeforeTheRenameLeavesTheOldFileWhole) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kPath, true));
  reg.WriteString("State", "old");
  const String before = ReadAll(File());
  ASSERT_NE(before.find("old"), String::npos);

  const pid_t child = ::fork();
  if (child == 0) {
    // The temporary file is complete and flushed; the process dies before it replaces the old one.
    rtl_detail::SetRegistryWriteHook([](const String&) { ::_exit(0); });
    TRegistry r;
    r.OpenKey(kPath, false);
    r.WriteString("State", "new");
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  EXPECT_EQ(ReadAll(File()), before);
  bool leftover = false;
  for (const auto& e : std::filesystem::directory_iterator(FDir))
    leftover |= e.path().filename().string().find(".reg.tmp.") != String::npos;
  EXPECT_TRUE(leftover) << "the crash left its temporary file behind";

  SwitchToCopyOfFiles();
  TRegistry fresh;
  ASSERT_TRUE(fresh.OpenKey(kPath, false));
  EXPECT_EQ(fresh.ReadString("State"), "old");
  fresh.WriteString("State", "newer");
  EXPECT_EQ(fresh.ReadString("State"), "newer");
}

TEST_F(RegistryTest, TheFileIsReadableTextAndNoTemporaryFilesStay) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kPath + "TfmMain", true));
  reg.WriteString("Line0000000000", "545046300754666D4D61696E");
  reg.WriteInteger("Tag", 3);
  const String text = ReadAll(File());
  EXPECT_NE(text.find("key \"Software\" \"Pellwick\" \"Vorn\" \"TfmMain\""), String::npos) << text;
  EXPECT_NE(text.find("value \"Line0000000000\" string \"545046300754666D4D61696E\""), String::npos) << text;
  EXPECT_NE(text.find("value \"Tag\" integer 3"), String::npos) << text;
  for (const auto& e : std::filesystem::directory_iterator(FDir))
    EXPECT_EQ(e.path().filename().string().find(".tmp."), String::npos) << e.path();
}

TEST(RegistryRoot, DefaultsToTheUsersConfigFolder) {
  SetRegistryRoot(String());
  ASSERT_EQ(GetEnvironmentVariable("VORN_REGISTRY_DIR"), "");
  const String saved = GetEnvironmentVariable("XDG_CONFIG_HOME");
  SetEnvironmentVariable("XDG_CONFIG_HOME", "/some/config");
  EXPECT_EQ(RegistryRoot(), "/some/config/vorn");
  SetEnvironmentVariable("VORN_REGISTRY_DIR", "/forced/");
  EXPECT_EQ(RegistryRoot(), "/forced");
  ::unsetenv("VORN_REGISTRY_DIR");
  SetEnvironmentVariable("XDG_CONFIG_HOME", saved);
  if (saved.empty()) ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(RootKeyName(HKEY_CURRENT_USER), "HKEY_CURRENT_USER");
  EXPECT_EQ(RootKeyName(12345), "");
}

}  // namespace
