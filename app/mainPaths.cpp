// Paths, names, protocols and the file operations of the runs: joining, listing by masks, the backup
// stamp, the side copy of a database file and the deletion of a backup's folder tree.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "app/main.h"
#include "db/DB.h"
#include "dbaccess/pZAZServices.h"
#include "rtl/DateTime.h"
#include "rtl/Files.h"
#include "rtl/ScopeExit.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

String JoinPath(const String& folder, const String& name) {
  if (folder.empty()) throw Exception("Не указана директория для файла " + name + "!");
  const char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  const bool windowsStyle = folder.find('\\') != String::npos && folder.find('/') == String::npos;
  return folder + (windowsStyle ? '\\' : '/') + name;
}

String BackupStamp(TDateTime moment) { return FormatDateTime("dd-mm-yyyy-hh-nn-ss", moment); }

String BackupFolderOf(const String& root, TDateTime moment) { return JoinPath(root, BackupStamp(moment)); }

String DatabaseNameOfBackup(const String& backupFileName) {
  return backupFileName.size() > 4 ? backupFileName.substr(0, backupFileName.size() - 4) : String();
}

bool IsRemoteText(const String& text) {
  if (text.empty()) return false;
  const char c = text[0];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::vector<String> ListFilesByMasks(const String& folder, const String& masks) {
  std::vector<String> names;
  if (folder.empty() || !DirectoryExists(folder) || SplitMaskList(masks).empty()) return names;
  TStringList sorted;
  sorted.SetSorted(true);
  sorted.SetDuplicates(dupAccept);
  TSearchRec f;
  if (FindFirst(IncludeTrailingPathDelimiter(folder) + "*", 0, f) == 0) {
    ScopeExit close([&] { FindClose(f); });
    do {
      if ((f.Attr & (faDirectory | faHidden | faSysFile)) == 0 && MatchesMaskList(f.Name, masks)) sorted.Add(f.Name);
    } while (FindNext(f) == 0);
  }
  for (int32_t i = 0; i < sorted.Count(); ++i) names.push_back(sorted.Strings(i));
  return names;
}

TProjectSettings ReadProjectSettings(TDataSet* dataSet, const String& idField) {
  TProjectSettings p;
  auto text = [&](const char* name) {
    TField* f = dataSet->FindField(name);
    return f && !f->IsNull() ? f->AsString() : String();
  };
  if (TField* id = dataSet->FindField(idField); id && !id->IsNull()) p.ID = id->AsInteger();
  p.Name = text("NAME");
  p.BkFolder = text("BKFOLDER");
  p.RsFolder = text("RSFOLDER");
  p.ServerName = text("SERVERNAME");
  if (TField* protocol = dataSet->FindField("PROTOCOL"); protocol && !protocol->IsNull())
    p.Protocol = protocol->AsInteger();
  p.RmFolder = text("RMFOLDER");
  p.IsRemote = IsRemoteText(text("ISREMOTE"));
  p.OptionsDB = text("OPTIONSDB");
  return p;
}

String CheckRunProtocol(const TProjectSettings& project) {
  if (!project.IsRemote) return String();
  switch (project.Protocol) {
    case 3:
      return String();
    case 1:
      return "Сетевой протокол Novell SPX не поддерживается, используйте TCP/IP!";
    case 2:
      return "Сетевой протокол NetBEUI не поддерживается, используйте TCP/IP!";
    default:
      return "Для сетевой БД не указан сетевой протокол!";
  }
}

void ConnectServiceTo(TpZAZControlAndQueryService* service, const TProjectSettings& project) {
  service->SetActive(false);
  service->Params()->SetText(project.OptionsDB);
  if (project.IsRemote) {
    service->SetServerName(project.ServerName);
    service->SetProtocol(TCP);
  } else {
    service->SetServerName(String());
    service->SetProtocol(Local);
  }
}

// ---- the side copy ------------------------------------------------------------------------------------------

bool MakeSideCopy(const String& file) {
  static std::atomic<unsigned> counter{0};
  const String target = file + "~";
  // Copied beside the target first and renamed over it: an older side copy is replaced whole (a link
  // there is replaced, not written through), and a failed copy leaves the older one as it was.
  const String temporary = target + "." + IntToStr(static_cast<int64_t>(getpid())) + "." + IntToStr(static_cast<int64_t>(counter++));
  if (!CopyFile(file, temporary, true)) {
    ::unlink(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

// ---- deleting a folder tree -------------------------------------------------------------------------------

namespace {

// The names in an open folder, read to the end before anything is deleted.
bool FolderEntries(int dirFd, std::vector<String>& names) {
  const int fd = ::dup(dirFd);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return false;
  }
  while (dirent* e = ::readdir(dir)) {
    const String name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

// Empties the open folder dirFd (shown as path): files and links are unlinked, folders emptied the same
// way and removed. Every step works relative to an open folder, so nothing is reached through a link.
bool DeleteFolderEntries(int dirFd, const String& path, String& message) {
  std::vector<String> names;
  if (!FolderEntries(dirFd, names)) {
    message = "Не могу открыть каталог: " + path;
    return false;
  }
  for (const String& name : names) {
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;  // gone meanwhile
      message = "Не могу удалить файл: " + name;
      return false;
    }
    if (S_ISDIR(st.st_mode)) {
      const String subPath = path + "/" + name;
      const int sub = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0) {
        message = "Не могу открыть каталог: " + subPath;
        return false;
      }
      const bool emptied = DeleteFolderEntries(sub, subPath, message);
      ::close(sub);
      if (!emptied) return false;
      if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0) {
        message = "Не могу удалить каталог: " + subPath;
        return false;
      }
    } else if (::unlinkat(dirFd, name.c_str(), 0) != 0) {
      message = "Не могу удалить файл: " + name;
      return false;
    }
  }
  return true;
}

}  // namespace

bool DeleteFolderTree(const String& path, String& message) {
  message.clear();
  const String folder = path.size() > 1 ? ExcludeTrailingPathDelimiter(path) : path;
  struct stat st {};
  if (::lstat(folder.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (::unlink(folder.c_str()) == 0) return true;
    message = "Не могу удалить файл: " + ExtractFileName(folder);
    return false;
  }
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    message = "Не могу открыть каталог: " + path;
    return false;
  }
  const bool emptied = DeleteFolderEntries(fd, folder, message);
  ::close(fd);
  if (!emptied) return false;
  if (::rmdir(folder.c_str()) != 0) {
    message = "Не могу удалить каталог: " + path;
    return false;
  }
  return true;
}
