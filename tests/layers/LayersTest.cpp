// The layer table as a checked rule: the source tree keeps it, and the checker itself finds each kind of
// forbidden edge in a small tree made for the purpose.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "LayerRules.h"

namespace fs = std::filesystem;

namespace {

TEST(LayerTable, EdgesFollowTheArchitecture) {
  struct Case {
    const char* From;
    const char* To;
    bool Allowed;
  } cases[] = {
      {"rtl", "rtl", true},          {"rtl", "db", false},
      {"db", "rtl", true},           {"db", "forms", false},
      {"winapi", "rtl", true},       {"winapi", "forms", false},
      {"forms", "winapi", true},     {"forms", "db", false},
      {"dbaccess", "db", true},      {"dbaccess", "winapi", false},
      {"datasets", "dbaccess", true}, {"datasets", "forms", false},
      {"memdata", "db", true},       {"memdata", "dbaccess", false},
      {"ui/base", "forms", true},    {"ui/base", "db", false},
      {"ui/data", "db", true},       {"ui/data", "forms", false},
      {"ui/editors", "ui/data", true}, {"ui/editors", "db", false},
      {"ui/grid", "ui/pagecontrol", true}, {"ui/pagecontrol", "ui/grid", false},
      {"ui/barcontrols", "ui/editors", true}, {"ui/bars", "ui/editors", false},
      {"ui/shell", "ui/editors", true}, {"ui/htmlabel", "ui/editors", false},
      {"app", "ui/grid", true},      {"app", "dbaccess", true},
      {"ui/grid", "app", false},     {"ui/unknown", "rtl", false},
      {"tools", "dbaccess", true},   {"tools", "app", true},
      {"tools", "forms", false},     {"dbaccess", "tools", false},
  };
  for (const Case& c : cases) EXPECT_EQ(layers::Allowed(c.From, c.To), c.Allowed) << c.From << " -> " << c.To;
  EXPECT_EQ(layers::Folders().size(), 20u);
}

TEST(LayerTable, FilesBelongToTheirLibraryFolder) {
  EXPECT_EQ(layers::FolderOf("platform/rtl/System.h"), "rtl");
  EXPECT_EQ(layers::FolderOf("platform/winapi/x11/X11Backend.cpp"), "winapi");
  EXPECT_EQ(layers::FolderOf("ui/editors-more/cxCalc.cpp"), "ui/editors-more");
  EXPECT_EQ(layers::FolderOf("app/Main.cpp"), "app");
  EXPECT_EQ(layers::FolderOf("tools/bin/make_db_gdb.cpp"), "tools");
  EXPECT_EQ(layers::FolderOf("tests/dbaccess/TestDb.h"), "");
  EXPECT_EQ(layers::FolderOf("rtl/System.h"), "");  // the runtime lives under platform/
}

TEST(SourceTree, KeepsTheLayerTable) {
  const std::vector<layers::Violation> found = layers::CheckTree(VORN_SOURCE_ROOT);
  std::string all;
  for (const auto& v : found) all += layers::Describe(v) + "\n";
  EXPECT_TRUE(found.empty()) << all;
}

// A scratch tree for the checker; removed with everything in it.
class FixtureTree {
public:
  FixtureTree() {
    std::string templ = (fs::temp_directory_path() / "vorn-layers-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    FRoot = templ;
  }
  ~FixtureTree() {
    std::error_code ec;
    fs::remove_all(FRoot, ec);
  }
  void Write(const std::string& rel, const std::string& text) {
    fs::create_directories((FRoot / rel).parent_path());
    std::ofstream(FRoot / rel, std::ios::binary) << text;
  }
  const fs::path& Root() const { return FRoot; }

private:
  fs::path FRoot;
};

TEST(LayerChecker, FindsEveryForbiddenEdgeAndOnlyThose) {
  FixtureTree tree;
  // Allowed edges, includes in comments, local and system headers: nothing to report.
  tree.Write("platform/rtl/System.h", "#pragma once\n#include <string>\n");
  tree.Write("platform/db/DB.h", "#include \"rtl/System.h\"\n// #include \"forms/Forms.h\"\n");
  tree.Write("platform/forms/Forms.cpp", "#include \"forms/Forms.h\"\n#include \"winapi/Windows.h\"\n"
                                         "/* #include \"db/DB.h\"\n #include \"db/DB.h\" */\n");
  tree.Write("platform/winapi/x11/X11Backend.cpp", "#include <X11/Xlib.h>\n#include \"winapi/Backend.h\"\n");
  tree.Write("platform/winapi/detail/Wm.h", "#include \"Gdi.h\"\n#include \"detail/Local.h\"\n");
  tree.Write("platform/winapi/detail/detail/Local.h", "\n");
  tree.Write("dbaccess/IB_Intf.cpp", "#include <ibase.h>\n#include \"rtl/System.h\"\n");
  tree.Write("dbaccess/FIBDatabase.cpp", "#include <ibase.h>\n#include \"db/DB.h\"\n");
  tree.Write("datasets/ZAZDataSet.cpp", "#include \"dbaccess/IB_Intf.h\"\n#include <ibase.h>\n");
  tree.Write("ui/grid/cxGrid.cpp", "#include \"ui/pagecontrol/cxPC.h\"\n#include \"forms/Forms.h\"\n");
  tree.Write("app/Main.cpp", "#include \"ui/grid/cxGrid.h\"\n#include \"dbaccess/IB_Intf.h\"\n");
  tree.Write("dbaccess/CMakeLists.txt", "vorn_library(vorn_dbaccess DEPS vorn_rtl vorn_db)  # vorn_forms\n");
  tree.Write("platform/rtl/CMakeLists.txt", "vorn_library(vorn_rtl)\n");
  tree.Write("platform/db/CMakeLists.txt", "vorn_library(vorn_db DEPS vorn_rtl)\n");
  tree.Write("platform/winapi/CMakeLists.txt", "vorn_library(vorn_winapi DEPS vorn_rtl)\n");
  // Forbidden ones, one of each kind.
  tree.Write("platform/forms/CMakeLists.txt", "vorn_library(vorn_forms DEPS vorn_winapi vorn_db vorn_rtl)\n");
  tree.Write("dbaccess/FIBTimer.h", "#pragma once\n#include \"rtl/Events.h\"\n#include \"winapi/UtilWindow.h\"\n");
  tree.Write("datasets/CMakeLists.txt", "vorn_library(vorn_datasets DEPS vorn_dbaccess\n  vorn_forms)\n");
  tree.Write("datasets/ZAZDataSet.h", "  #  include <ibase.h>\n");
  tree.Write("dbaccess/IB_Intf.h", "#include <ibase.h>\n");
  tree.Write("memdata/MemData.cpp", "#include \"platform/db/DB.h\"\n#include \"reports/Report.h\"\n");
  tree.Write("ui/data/cxData.cpp", "#include \"ui/base/cxClasses.h\"\n#include <forms/Forms.h>\n");
  tree.Write("ui/pagecontrol/cxPC.cpp", "#include \"ui/grid/cxGrid.h\"\n");
  tree.Write("ui/mystery/Thing.cpp", "#include \"rtl/System.h\"\n");
  tree.Write("platform/rtl/Clock.cpp", "#include <X11/Xlib.h>\n");

  std::set<std::tuple<std::string, int, std::string>> found;
  for (const auto& v : layers::CheckTree(tree.Root())) found.insert({v.File, v.Line, v.To});
  const std::set<std::tuple<std::string, int, std::string>> expected = {
      {"platform/forms/CMakeLists.txt", 0, "db"},
      {"dbaccess/FIBTimer.h", 3, "winapi"},
      {"datasets/CMakeLists.txt", 0, "forms"},
      {"datasets/ZAZDataSet.h", 1, "ibase.h"},
      {"dbaccess/IB_Intf.h", 1, "ibase.h"},
      {"memdata/MemData.cpp", 1, "platform/db/DB.h"},
      {"memdata/MemData.cpp", 2, "reports/Report.h"},
      {"ui/data/cxData.cpp", 2, "forms"},
      {"ui/pagecontrol/cxPC.cpp", 1, "ui/grid"},
      {"ui/mystery", 0, ""},
      {"platform/rtl/Clock.cpp", 1, "X11/Xlib.h"},
  };
  EXPECT_EQ(found, expected);
}

TEST(LayerChecker, AForbiddenIncludeAddedToTheRealTreeIsCaught) {
  // The source tree's own rules applied to one extra file, as if a database source reached the forms.
  FixtureTree tree;
  tree.Write("dbaccess/FIBDatabase.cpp", "#include \"dbaccess/FIBDatabase.h\"\n#include \"rtl/System.h\"\n");
  EXPECT_TRUE(layers::CheckTree(tree.Root()).empty());
  tree.Write("dbaccess/FIBDatabase.cpp", "#include \"dbaccess/FIBDatabase.h\"\n#include \"forms/Forms.h\"\n");
  const auto found = layers::CheckTree(tree.Root());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(layers::Describe(found[0]),
            "dbaccess/FIBDatabase.cpp:2: dbaccess -> forms: the layer table does not let dbaccess use forms");
}

}  // namespace
