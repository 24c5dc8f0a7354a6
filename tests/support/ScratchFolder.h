#pragma once
// The one scratch folder of the database and in-memory dataset tests: a new folder per use under the
// system's temporary folder, removed with everything in it at the end.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "rtl/System.h"

namespace scratch {

class Folder {
public:
  explicit Folder(const char* prefix = "vorn") {
    const char* tmp = getenv("TMPDIR");
    String templ = String(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    FPath = templ;
    // The loopback server may run as another user and writes files here too.
    std::filesystem::permissions(FPath, std::filesystem::perms::all);
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const String& Path() const { return FPath; }
  String File(const String& name) const { return FPath + "/" + name; }

private:
  String FPath;
};

}  // namespace scratch
