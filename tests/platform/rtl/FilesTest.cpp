#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>

#include "rtl/Files.h"

namespace {

// A fresh folder under the temporary folder, removed with everything in it.
class TempDir {
public:
  TempDir() {
    String templ = GetTempDir() + "vorn-files-XXXXXX";
    FPath = ::mkdtemp(templ.data());
  }
  ~TempDir() { std::filesystem::remove_all(FPath); }
  const String& Path() const { return FPath; }
  String operator/(const String& name) const { return FPath + "/" + name; }

private:
  String FPath;
};

void WriteText(const String& file, const String& text) { std::ofstream(file, std::ios::binary) << text; }

std::set<String> Find(const String& path, int32_t attr) {
  std::set<String> names;
  TSearchRec sr;
  for (int32_t r = FindFirst(path, attr, sr); r == 0; r = FindNext(sr)) names.insert(sr.Name);
  FindClose(sr);
  return names;
}

class FindFirstTest : public ::testing::Test {
protected:
  void SetUp() override {
    WriteText(dir / "База.GDB", "12345");
    WriteText(dir / "данные.gdba", "");
    WriteText(dir / "notes.txt", "");
    WriteText(dir / "README", "");
    WriteText(dir / ".hidden.gdb", "");
    ASSERT_TRUE(CreateDir(dir / "Подпапка"));
    ASSERT_TRUE(CreateDir(dir / "sub.gdb"));
  }
  TempDir dir;
};

TEST_F(FindFirstTest, FilesAlwaysFolderAndHiddenOnlyWhenAsked) {
  struct Case {
    const char* mask;
    int32_t attr;
    std::set<String> expected;
  } cases[] = {
      {"*.gdb", 0, {"База.GDB"}},
      {"*.gdb", faHidden, {"База.GDB", ".hidden.gdb"}},
      {"*.gdb", faDirectory, {"База.GDB", "sub.gdb"}},
      {"*.gdb", faAnyFile, {"База.GDB", ".hidden.gdb", "sub.gdb"}},
      {"*.*", faArchive, {"База.GDB", "данные.gdba", "notes.txt", "README"}},
      {"*", faDirectory, {".", "..", "База.GDB", "данные.gdba", "notes.txt", "README", "Подпапка", "sub.gdb"}},
      {"БАЗА.*", 0, {"База.GDB"}},
      {"?АННЫЕ.GDB?", 0, {"данные.gdba"}},
      {"подпапка", faDirectory, {"Подпапка"}},
      {"*.zip", faAnyFile, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Find(dir / c.mask, c.attr), c.expected) << c.mask << " " << c.attr;
}

TEST_F(FindFirstTest, RecordCarriesSizeAttributesAndTime) {
  ASSERT_EQ(::chmod((dir / "notes.txt").c_str(), 0444), 0);
  struct Case {
    const char* name;
    int64_t size;
    int32_t attr;
  } cases[] = {
      {"База.GDB", 5, faArchive},
      {"notes.txt", 0, faArchive | faReadOnly},
      {"Подпапка", 0, faDirectory},
      {".hidden.gdb", 0, faArchive | faHidden},
  };
  for (const Case& c : cases) {
    TSearchRec sr;
    ASSERT_EQ(FindFirst(dir / c.name, faAnyFile, sr), 0) << c.name;
    EXPECT_EQ(sr.Name, c.name);
    EXPECT_EQ(sr.Size, c.size) << c.name;
    EXPECT_EQ(sr.Attr, c.attr) << c.name;
    EXPECT_GT(sr.Time, 0);
    EXPECT_GT(sr.TimeStamp, 40000.0);  // after 2009
    FindClose(sr);
    EXPECT_EQ(FileGetAttr(dir / c.name), c.attr) << c.name;
  }
  EXPECT_EQ(FileGetAttr(dir / "missing"), -1);
}

TEST_F(FindFirstTest, MissingFolderOrNoMatchFails) {
  TSearchRec sr;
  EXPECT_NE(FindFirst(dir / "nowhere/*", faAnyFile, sr), 0);
  EXPECT_NE(FindFirst(dir / "*.none", faAnyFile, sr), 0);
  EXPECT_FALSE(sr.FindHandle);
}

TEST(MatchesMask, WildcardsIgnoreLetterCase) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  } cases[] = {
      {"base.gdb", "*.gdb", true},     {"BASE.GDB", "*.gdb", true},       {"base.gdba", "*.gdb", false},
      {"base.gdb", "*.gdb?", false},   {"a", "?", true},                  {"ab", "?", false},
      {"Ёжик.txt", "ё*.TXT", true},    {"ÄÖÜ.doc", "äöü.*", true},        {"ЪЫЬ", "ъыь", true},
      {"x", "*.*", true},              {"a.b.c", "*.c", true},            {"abc", "a*b*c*", true},
      {"abc", "*d*", false},           {"ж", "?", true},                  {"", "*", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(MatchesMask, MaskListsSplitOnSemicolonsAndCommas) {
  EXPECT_EQ(SplitMaskList(" *.gdb ; *.gdba,,*.fdb ;"), (std::vector<String>{"*.gdb", "*.gdba", "*.fdb"}));
  EXPECT_TRUE(MatchesMaskList("DATA.GDBA", "*.gdb; *.gdba"));
  EXPECT_TRUE(MatchesMaskList("data.gdb", "*.gdb; *.gdba"));
  EXPECT_FALSE(MatchesMaskList("data.gbk", "*.gdb; *.gdba"));
  EXPECT_FALSE(MatchesMaskList("data.gdb", ""));
}

TEST(FoldNameCase, FoldsLatinGreekAndCyrillic) {
  EXPECT_EQ(FoldNameCase("ПРИВЕТ World ЁЖ ΣΩ Ää ŁŹ"), "привет world ёж σω ää łź");
  EXPECT_TRUE(SameFileName("Файл.GDB", "файл.gdb"));
  EXPECT_FALSE(SameFileName("a", "b"));
}

TEST(PathPieces, ExtractAndChange) {
  struct Case {
    String in, path, dir, name, ext;
  } cases[] = {
      {"/a/b/c.txt", "/a/b/", "/a/b", "c.txt", ".txt"},
      {"/a/b.d/c", "/a/b.d/", "/a/b.d", "c", ""},
      {"c.tar.gz", "", "", "c.tar.gz", ".gz"},
      {"/x", "/", "/", "x", ""},
      {"/dir/", "/dir/", "/dir", "", ""},
      {"/д/файл.гдб", "/д/", "/д", "файл.гдб", ".гдб"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.in), c.path) << c.in;
    EXPECT_EQ(ExtractFileDir(c.in), c.dir) << c.in;
    EXPECT_EQ(ExtractFileName(c.in), c.name) << c.in;
    EXPECT_EQ(ExtractFileExt(c.in), c.ext) << c.in;
    EXPECT_EQ(ExtractFileDrive(c.in), "");
  }
  EXPECT_EQ(ChangeFileExt("/a/b.gdb", ".gbk"), "/a/b.gbk");
  EXPECT_EQ(ChangeFileExt("/a.d/b", ".gbk"), "/a.d/b.gbk");
  EXPECT_EQ(ChangeFileExt("b.x", ""), "b");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(IncludeTrailingBackslash("a"), "a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingBackslash("/a"), "/a");
  EXPECT_TRUE(IsPathDelimiter("/a/", 3));
  EXPECT_FALSE(IsPathDelimiter("/a/", 2));
  EXPECT_FALSE(IsPathDelimiter("/a/", 4));
}

TEST(PathPieces, ExpandFileNameResolvesAgainstTheCurrentFolder) {
  const String cwd = GetCurrentDir();
  EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
  EXPECT_EQ(ExpandFileName("/a//b/"), "/a/b/");
  EXPECT_EQ(ExpandFileName("/.."), "/");
  EXPECT_EQ(ExpandFileName("x.txt"), cwd + "/x.txt");
  EXPECT_EQ(ExpandFileName(""), "");
}

TEST(PathPieces, ExpandFileNameCaseFindsTheSpellingOnDisk) {
  TempDir dir;
  WriteText(dir / "DB.GDB", "x");
  WriteText(dir / "База.FDB", "x");
  WriteText(dir / "two.txt", "x");
  WriteText(dir / "TWO.txt", "x");
  WriteText(dir / "Two.TXT", "x");
  struct Case {
    const char* asked;
    const char* found;
    TFilenameCaseMatch match;
  } cases[] = {
      {"db.gdb", "DB.GDB", mkSingleMatch},
      {"DB.GDB", "DB.GDB", mkExactMatch},
      {"база.fdb", "База.FDB", mkSingleMatch},  // Cyrillic letters fold too
      {"two.txt", "two.txt", mkExactMatch},      // the name as given wins
      {"tWo.txt", "TWO.txt", mkAmbiguous},       // the first spelling in sorted order
      {"none.gdb", "none.gdb", mkNone},
  };
  for (const Case& c : cases) {
    TFilenameCaseMatch match = mkExactMatch;
    EXPECT_EQ(ExpandFileNameCase(dir / c.asked, match), dir / c.found) << c.asked;
    EXPECT_EQ(match, c.match) << c.asked;
  }
  TFilenameCaseMatch match = mkExactMatch;
  EXPECT_EQ(ExpandFileNameCase(dir / "missing/db.gdb", match), dir / "missing/db.gdb");
  EXPECT_EQ(match, mkNone);
}

TEST(FileOps, CreateCopyRenameAndDeleteWithCyrillicNames) {
  TempDir dir;
  const String deep = dir / "Архив/2024/копии";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep + "/"));  // already there
  EXPECT_FALSE(CreateDir(dir / "нет/такой"));  // the parent is missing

  const String a = deep + "/база.gdb";
  WriteText(a, "content");
  EXPECT_TRUE(FileExists(a));
  EXPECT_FALSE(FileExists(deep));
  EXPECT_FALSE(DirectoryExists(a));
  EXPECT_EQ(FileSize(a), 7);
  EXPECT_EQ(FileSize(dir / "missing"), -1);

  const String b = deep + "/копия.gdb";
  EXPECT_TRUE(CopyFile(a, b, true));
  EXPECT_EQ(FileSize(b), 7);
  EXPECT_FALSE(CopyFile(a, b, true));
  WriteText(a, "longer content");
  EXPECT_TRUE(CopyFile(a, b, false));
  EXPECT_EQ(FileSize(b), 14);
  EXPECT_FALSE(CopyFile(a, a, false));
  EXPECT_EQ(FileSize(a), 14);

  EXPECT_FALSE(RenameFile(a, b));  // the target exists
  EXPECT_TRUE(RenameFile(a, deep + "/новое.gdb"));
  EXPECT_FALSE(FileExists(a));
  EXPECT_TRUE(FileExists(deep + "/новое.gdb"));

  EXPECT_FALSE(RemoveDir(deep));  // not empty
  EXPECT_FALSE(DeleteFile(deep));  // a folder
  EXPECT_TRUE(DeleteFile(b));
  EXPECT_TRUE(DeleteFile(deep + "/новое.gdb"));
  EXPECT_FALSE(DeleteFile(b));
  EXPECT_TRUE(RemoveDir(deep));
  EXPECT_FALSE(DirectoryExists(deep));
}

TEST(FileOps, FileDateRoundTrips) {
  TempDir dir;
  const String f = dir / "f";
  WriteText(f, "x");
  const TDateTime when = 45000.5 + 1.0 / 86400 * 7;  // 2023-03-15 12:00:07 local
  EXPECT_EQ(FileSetDate(f, when), 0);
  TDateTime age = 0;
  ASSERT_TRUE(FileAge(f, age));
  EXPECT_NEAR(age, when, 1e-6);
  EXPECT_FALSE(FileAge(dir / "missing", age));
  EXPECT_NE(FileSetDate(dir / "missing", when), 0);
  EXPECT_NE(FileSetDate(f, std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(Process, ProgramPathParamsEnvironmentAndTempFiles) {
  EXPECT_EQ(ExtractFileName(ProgramFilePath()), "rtl_tests");
  EXPECT_EQ(ParamStr(0), ProgramFilePath());
  EXPECT_GE(ParamCount(), 0);
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");

  EXPECT_TRUE(SetEnvironmentVariable("VORN_FILES_TEST", "значение"));
  EXPECT_EQ(GetEnvironmentVariable("VORN_FILES_TEST"), "значение");
  EXPECT_EQ(GetEnvironmentVariable("VORN_FILES_TEST_UNSET"), "");

  TempDir dir;
  const String t1 = GetTempFileName(dir.Path(), "bk");
  const String t2 = GetTempFileName(dir.Path(), "bk");
  EXPECT_NE(t1, t2);
  EXPECT_TRUE(FileExists(t1));
  EXPECT_EQ(ExtractFilePath(t1), dir.Path() + "/");
  EXPECT_EQ(ExtractFileName(t1).substr(0, 2), "bk");
  EXPECT_EQ(GetTempDir().back(), '/');

  const String before = GetCurrentDir();
  EXPECT_TRUE(SetCurrentDir(dir.Path()));
  EXPECT_EQ(GetCurrentDir(), std::filesystem::canonical(dir.Path()).string());
  EXPECT_TRUE(SetCurrentDir(before));
  EXPECT_FALSE(SetCurrentDir(dir / "missing"));
}

}  // namespace
