#include "LayerRules.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace layers {

namespace {

// The layer table: each folder and the folders it may use besides itself. "The platform" in a row means
// rtl, winapi and forms; db is always named on its own.
struct Row {
  const char* Folder;
  std::vector<std::string> Uses;
  bool UsesEverything = false;
};

const std::vector<Row>& Table() {
  static const std::vector<std::string> P = {"rtl", "winapi", "forms"};
  auto with = [](std::vector<std::string> v, const std::vector<std::string>& more) {
    v.insert(v.end(), more.begin(), more.end());
    return v;
  };
  static const std::vector<Row> table = {
      {"rtl", {}},
      {"db", {"rtl"}},
      {"winapi", {"rtl"}},
      {"forms", {"rtl", "winapi"}},
      {"dbaccess", {"rtl", "db"}},
      {"datasets", {"dbaccess", "db", "rtl"}},
      {"memdata", {"db", "rtl"}},
      {"ui/base", P},
      {"ui/data", {"ui/base", "db", "rtl"}},
      {"ui/editors", with({"ui/base", "ui/data"}, P)},
      {"ui/editors-more", with({"ui/editors", "ui/data", "ui/base", "db"}, P)},
      {"ui/grid", with({"ui/editors-more", "ui/editors", "ui/data", "ui/base", "ui/pagecontrol", "db"}, P)},
      {"ui/bars", with({"ui/base"}, P)},
      {"ui/barcontrols", with({"ui/bars", "ui/base", "ui/editors"}, P)},
      {"ui/pagecontrol", with({"ui/base"}, P)},
      {"ui/shell", with({"ui/editors", "ui/base"}, P)},
      {"ui/propstorage", with({"ui/base"}, P)},
      {"ui/htmlabel", with({"ui/base"}, P)},
      {"app", {}, true},
      // Build-time tools: the program's own database from the program's statements (a header of app).
      {"tools", {"app", "dbaccess", "db", "rtl"}},
  };
  return table;
}

const Row* FindRow(const std::string& folder) {
  for (const Row& r : Table())
    if (folder == r.Folder) return &r;
  return nullptr;
}

bool IsPlatformFolder(const std::string& folder) {
  return folder == "rtl" || folder == "db" || folder == "winapi" || folder == "forms";
}

// Where a folder's sources live below the root.
fs::path FolderPath(const std::string& folder) {
  return IsPlatformFolder(folder) ? fs::path("platform") / folder : fs::path(folder);
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(s);
  while (std::getline(in, part, sep)) parts.push_back(part);
  return parts;
}

// The folder an include path names ("ui/grid" for "ui/grid/cxGrid.h"), or "" for a path without a folder.
std::string IncludedFolder(const std::string& path) {
  const std::vector<std::string> segs = Split(path, '/');
  if (segs.size() < 2) return "";
  if (segs[0] == "ui" && segs.size() >= 3) return "ui/" + segs[1];
  return segs[0];
}

bool IsSource(const fs::path& p) {
  const std::string ext = p.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".c" || ext == ".inc";
}

// The lines of a file with comments blanked out, so that an include mentioned in a comment is not read.
std::vector<std::string> CodeLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  bool inBlock = false;
  while (std::getline(in, line)) {
    std::string code;
    for (size_t i = 0; i < line.size(); ++i) {
      if (inBlock) {
        if (line.compare(i, 2, "*/") == 0) {
          inBlock = false;
          ++i;
        }
        continue;
      }
      if (line.compare(i, 2, "/*") == 0) {
        inBlock = true;
        ++i;
        continue;
      }
      if (line.compare(i, 2, "//") == 0) break;
      code += line[i];
    }
    lines.push_back(code);
  }
  return lines;
}

// The header an include directive names, and whether it was quoted; false when the line is no include.
// (Hand-read rather than through std::regex, whose g++ 12 instantiation trips -Wmaybe-uninitialized.)
bool ParseInclude(const std::string& line, std::string& path, bool& quoted) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '#') return false;
  i = line.find_first_not_of(" \t", i + 1);
  if (i == std::string::npos || line.compare(i, 7, "include") != 0) return false;
  i = line.find_first_not_of(" \t", i + 7);
  if (i == std::string::npos || (line[i] != '"' && line[i] != '<')) return false;
  quoted = line[i] == '"';
  const size_t end = line.find(quoted ? '"' : '>', i + 1);
  if (end == std::string::npos) return false;
  path = line.substr(i + 1, end - i - 1);
  return true;
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The names (letters, digits, underscores) of a CMake text, in order.
std::vector<std::string> Names(const std::string& code) {
  std::vector<std::string> names;
  for (size_t i = 0; i < code.size();) {
    if (!IsNameChar(code[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < code.size() && IsNameChar(code[j])) ++j;
    names.push_back(code.substr(i, j - i));
    i = j;
  }
  return names;
}

std::string Relative(const fs::path& file, const fs::path& root) {
  return fs::relative(file, root).generic_string();
}

void CheckSource(const fs::path& root, const fs::path& file, const std::string& folder, std::vector<Violation>& out) {
  const std::string rel = Relative(file, root);
  const bool isHeader = file.extension() != ".cpp" && file.extension() != ".c";
  const std::vector<std::string> lines = CodeLines(file);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string path;
    bool quoted = false;
    if (!ParseInclude(lines[i], path, quoted)) continue;
    const int lineNo = static_cast<int>(i + 1);
    auto report = [&](const std::string& to, const std::string& why) {
      out.push_back(Violation{rel, lineNo, folder, to, why});
    };
    if (path.rfind("X11/", 0) == 0) {
      if (rel.rfind("platform/winapi/x11/", 0) != 0) report(path, "X11 headers belong to the X11 backend alone");
      continue;
    }
    if (path == "ibase.h") {
      if (isHeader || !(folder == "dbaccess" || Allowed(folder, "dbaccess")))
        report(path, isHeader ? "headers take the client's types from dbaccess/ClientTypes.h"
                              : "only code that may use dbaccess talks to the database client");
      continue;
    }
    const std::string to = IncludedFolder(path);
    if (to.empty()) continue;  // a header of the including folder itself, or a system header
    if (FindRow(to)) {
      if (!Allowed(folder, to)) report(to, "the layer table does not let " + folder + " use " + to);
      continue;
    }
    // A quoted path with a folder that is no library: fine when it names a file beside the includer.
    if (quoted && !fs::exists(file.parent_path() / path))
      report(path, path.rfind("platform/", 0) == 0 ? "headers are included by folder, without platform/"
                                                   : "the folder is not in the layer table");
  }
}

// The text of a CMake file without its comments.
std::string CMakeCode(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string code, line;
  while (std::getline(in, line)) code += line.substr(0, line.find('#')) + "\n";
  return code;
}

void CheckCMake(const fs::path& root, const std::map<std::string, std::string>& folders,
                std::vector<Violation>& out) {
  // Which folder builds which target.
  std::map<std::string, std::string> targetFolder;
  for (const auto& [folder, dir] : folders) {
    const fs::path cm = fs::path(dir) / "CMakeLists.txt";
    if (!fs::exists(cm)) continue;
    const std::vector<std::string> names = Names(CMakeCode(cm));
    for (size_t i = 0; i + 1 < names.size(); ++i)
      if (names[i] == "vorn_library") targetFolder[names[i + 1]] = folder;
  }
  for (const auto& [folder, dir] : folders) {
    const fs::path cm = fs::path(dir) / "CMakeLists.txt";
    if (!fs::exists(cm)) continue;
    std::set<std::string> seen;
    for (const std::string& name : Names(CMakeCode(cm))) {
      auto t = targetFolder.find(name);
      if (t == targetFolder.end() || t->second == folder || !seen.insert(t->first).second) continue;
      if (!Allowed(folder, t->second))
        out.push_back(Violation{Relative(cm, root), 0, folder, t->second,
                                "links " + t->first + ", which the layer table does not let " + folder + " use"});
    }
  }
}

}  // namespace

const std::vector<std::string>& Folders() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const Row& r : Table()) v.push_back(r.Folder);
    return v;
  }();
  return names;
}

bool Allowed(const std::string& from, const std::string& to) {
  if (from == to) return true;
  const Row* row = FindRow(from);
  if (!row || !FindRow(to)) return false;
  return row->UsesEverything || std::find(row->Uses.begin(), row->Uses.end(), to) != row->Uses.end();
}

std::string FolderOf(const std::string& relativePath) {
  const std::vector<std::string> segs = Split(relativePath, '/');
  if (segs.size() < 2) return "";
  std::string folder;
  if (segs[0] == "platform") folder = segs[1];
  else if (segs[0] == "ui") folder = "ui/" + segs[1];
  else folder = segs[0];
  if (!FindRow(folder)) return "";
  if (IsPlatformFolder(folder) != (segs[0] == "platform")) return "";  // e.g. a top-level rtl/ is no library
  return folder;
}

std::vector<Violation> CheckTree(const fs::path& root) {
  std::vector<Violation> out;
  std::map<std::string, std::string> folders;  // folder -> its directory
  for (const std::string& f : Folders())
    if (fs::is_directory(root / FolderPath(f))) folders[f] = (root / FolderPath(f)).string();
  // A library folder that the table does not know has no allowed edges at all: it must join the table.
  for (const char* parent : {"platform", "ui"}) {
    if (!fs::is_directory(root / parent)) continue;
    for (const auto& entry : fs::directory_iterator(root / parent)) {
      if (!entry.is_directory()) continue;
      const std::string rel = Relative(entry.path(), root);
      if (FolderOf(rel + "/x").empty()) out.push_back(Violation{rel, 0, rel, "", "the folder is not in the layer table"});
    }
  }
  for (const auto& [folder, dir] : folders) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      if (entry.is_regular_file() && IsSource(entry.path())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) CheckSource(root, file, folder, out);
  }
  CheckCMake(root, folders, out);
  return out;
}

std::string Describe(const Violation& v) {
  std::string s = v.File;
  if (v.Line) s += ":" + std::to_string(v.Line);
  return s + ": " + v.From + " -> " + v.To + ": " + v.Why;
}

}  // namespace layers
