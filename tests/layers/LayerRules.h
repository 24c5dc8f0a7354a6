#pragma once
// The layer rules of the source tree and a checker for them. Every library folder may include headers of
// its own folder and of the folders its row of the layer table names; the checker reads every
// #include "<folder>/..." of every library source and every library's CMake dependency list and reports
// each edge the table does not allow. It also keeps two client headers where they belong: X11 only inside
// the X11 backend, the database client's <ibase.h> in sources only (headers use our own client types).

#include <filesystem>
#include <string>
#include <vector>

namespace layers {

struct Violation {
  std::string File;  // relative to the checked root, '/'-separated
  int Line = 0;      // 0 for a CMake dependency
  std::string From;  // the folder of the file ("dbaccess", "ui/grid")
  std::string To;    // the folder or header it reaches
  std::string Why;
};

// The folder names as headers are included ("rtl", "ui/editors-more", "app"), in table order.
const std::vector<std::string>& Folders();
// Whether code of folder `from` may include headers of folder `to`; a folder may always use itself.
bool Allowed(const std::string& from, const std::string& to);

// The folder a source path (relative to the root) belongs to, or "" when it lies outside every library
// (tests, benchmarks, tools, the build).
std::string FolderOf(const std::string& relativePath);

// Checks every .h/.cpp below the library folders of `root` and their CMakeLists.txt. A folder under ui/
// that is not in the table is itself a violation.
std::vector<Violation> CheckTree(const std::filesystem::path& root);

std::string Describe(const Violation& v);

}  // namespace layers
