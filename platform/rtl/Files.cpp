#include "rtl/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace {

// --- letter case -----------------------------------------------------------------------------------

// Simple one-to-one lower-casing from the shared case tables; malformed bytes (above the Unicode range
// here) stay as they are.
char32_t FoldCodePoint(char32_t c) { return c >= 0x110000 ? c : UnicodeToLower(c); }

// Decodes one UTF-8 sequence at s[i]; a malformed byte comes back as itself above the Unicode range,
// so that it only ever matches the same byte.
char32_t DecodeAt(const String& s, size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  auto cont = [&](size_t k) { return k < s.size() && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80; };
  auto bits = [&](size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[k]) & 0x3F); };
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF && cont(i + 1)) {
    char32_t c = ((b0 & 0x1F) << 6) | bits(i + 1);
    i += 2;
    return c;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF && cont(i + 1) && cont(i + 2)) {
    char32_t c = ((b0 & 0x0F) << 12) | (bits(i + 1) << 6) | bits(i + 2);
    if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {  // a surrogate's bytes stay malformed bytes
      i += 3;
      return c;
    }
  }
  if (b0 >= 0xF0 && b0 <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
    char32_t c = ((b0 & 0x07) << 18) | (bits(i + 1) << 12) | (bits(i + 2) << 6) | bits(i + 3);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      i += 4;
      return c;
    }
  }
  ++i;
  return 0x110000 + b0;
}

// A malformed byte goes back as it was; everything else through the one encoder.
void Encode(char32_t c, String& out) {
  if (c >= 0x110000)
    out += static_cast<char>(c - 0x110000);
  else
    Utf8Append(out, c);
}

std::u32string FoldedCodePoints(const String& s) {
  std::u32string r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size();) r += FoldCodePoint(DecodeAt(s, i));
  return r;
}

bool GlobMatch(const std::u32string& name, const std::u32string& mask) {
  size_t n = 0, m = 0, starM = std::u32string::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == U'*') {
      starM = m++;
      starN = n;
    } else if (starM != std::u32string::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

// --- times -----------------------------------------------------------------------------------------

constexpr int64_t kDateTimeEpochDays = -25569;  // 1899-12-30 counted from 1970-01-01

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

TDateTime LocalDateTime(const timespec& ts) {
  time_t t = ts.tv_sec;
  tm lt{};
  localtime_r(&t, &lt);
  const int64_t days = DaysFromCivil(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) - kDateTimeEpochDays;
  const double secs = lt.tm_hour * 3600.0 + lt.tm_min * 60.0 + lt.tm_sec + ts.tv_nsec / 1e9;
  return static_cast<double>(days) + secs / 86400.0;
}

int32_t DosDateTime(const timespec& ts) {
  time_t t = ts.tv_sec;
  tm lt{};
  localtime_r(&t, &lt);
  if (lt.tm_year < 80) return (1 << 21) | (1 << 16);  // the packed form starts in 1980
  const uint32_t v = (static_cast<uint32_t>(lt.tm_year - 80) << 25) | (static_cast<uint32_t>(lt.tm_mon + 1) << 21) |
                     (static_cast<uint32_t>(lt.tm_mday) << 16) | (static_cast<uint32_t>(lt.tm_hour) << 11) |
                     (static_cast<uint32_t>(lt.tm_min) << 5) | static_cast<uint32_t>(lt.tm_sec / 2);
  return static_cast<int32_t>(v);
}

// --- attributes ------------------------------------------------------------------------------------

bool IsDotName(const String& name) { return name == "." || name == ".."; }

// Attributes of an entry, with its status (of the link's target when it has one).
bool StatEntry(const String& full, const String& name, int32_t& attr, struct stat& st) {
  attr = 0;
  if (::lstat(full.c_str(), &st) != 0) return false;
  if (S_ISLNK(st.st_mode)) {
    attr |= faSymLink;
    struct stat target;
    if (::stat(full.c_str(), &target) == 0) st = target;
  }
  if (S_ISDIR(st.st_mode))
    attr |= faDirectory;
  else if (S_ISREG(st.st_mode))
    attr |= faArchive;
  else if (!S_ISLNK(st.st_mode))
    attr |= faSysFile;
  if (!name.empty() && name[0] == '.' && !IsDotName(name)) attr |= faHidden;
  // The superuser may write anything, so for it the permission bits decide.
  const bool readOnly =
      ::geteuid() == 0 ? (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 : ::access(full.c_str(), W_OK) != 0;
  if (readOnly) attr |= faReadOnly;
  return true;
}

struct FindState {
  DIR* Dir = nullptr;
  String Folder;  // with a trailing "/" or empty for the current folder
  std::u32string Mask;
  ~FindState() {
    if (Dir) ::closedir(Dir);
  }
};

int32_t FindMatching(TSearchRec& f) {
  auto* state = static_cast<FindState*>(f.FindHandle.get());
  if (!state) return EBADF;
  for (;;) {
    errno = 0;
    dirent* e = ::readdir(state->Dir);
    if (!e) return errno ? errno : ENOENT;
    const String name = e->d_name;
    if (!GlobMatch(FoldedCodePoints(name), state->Mask)) continue;
    int32_t attr;
    struct stat st;
    if (!StatEntry(state->Folder + name, name, attr, st)) continue;  // vanished meanwhile
    if (attr & f.ExcludeAttr) continue;
    f.Name = name;
    f.Attr = attr;
    f.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    f.Time = DosDateTime(st.st_mtim);
    f.TimeStamp = LocalDateTime(st.st_mtim);
    return 0;
  }
}

}  // namespace

// --- existence and changes -------------------------------------------------------------------------

bool FileExists(const String& fileName) {
  struct stat st;
  return !fileName.empty() && ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const String& directory) {
  struct stat st;
  return !directory.empty() && ::stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDir(const String& dir) { return !dir.empty() && ::mkdir(dir.c_str(), 0777) == 0; }

bool ForceDirectories(const String& dir) {
  const String d = ExcludeTrailingPathDelimiter(dir);
  if (d.empty()) return dir == "/";
  if (DirectoryExists(d)) return true;
  const String parent = ExtractFileDir(d);
  if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
  return ::mkdir(d.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(d));
}

bool RemoveDir(const String& dir) { return !dir.empty() && ::rmdir(dir.c_str()) == 0; }

bool DeleteFile(const String& fileName) { return !fileName.empty() && ::unlink(fileName.c_str()) == 0; }

bool RenameFile(const String& oldName, const String& newName) {
  if (oldName.empty() || newName.empty()) return false;
  if (::renameat2(AT_FDCWD, oldName.c_str(), AT_FDCWD, newName.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace flag: test first (not atomic, but no worse than the platform).
  struct stat st;
  if (::lstat(newName.c_str(), &st) == 0) return false;
  return ::rename(oldName.c_str(), newName.c_str()) == 0;
}

bool CopyFile(const String& source, const String& target, bool failIfExists) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat src;
  if (::fstat(in, &src) != 0 || S_ISDIR(src.st_mode)) {
    ::close(in);
    return false;
  }
  struct stat dst;
  if (::stat(target.c_str(), &dst) == 0 && dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
    ::close(in);  // copying a file onto itself would truncate it
    return false;
  }
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
  const int out = ::open(target.c_str(), flags, src.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  if (ok) {
    ::fchmod(out, src.st_mode & 07777);
    const timespec times[2] = {src.st_atim, src.st_mtim};
    ::futimens(out, times);
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  return ok;
}

int64_t FileSize(const String& fileName) {
  struct stat st;
  if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool FileAge(const String& fileName, TDateTime& age) {
  struct stat st;
  if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0) return false;
  age = LocalDateTime(st.st_mtim);
  return true;
}

int32_t FileSetDate(const String& fileName, TDateTime age) {
  if (!std::isfinite(age) || std::fabs(age) > 3e6) return EINVAL;  // beyond any calendar we convert
  const double days = std::floor(age);
  double secs = (age - days) * 86400.0;
  // Civil date of the day number, then the local time through mktime.
  const int64_t z = static_cast<int64_t>(days) + kDateTimeEpochDays + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
  int64_t whole = static_cast<int64_t>(std::floor(secs + 1e-7));
  if (whole >= 86400) whole = 86399;
  const double frac = std::max(0.0, secs - static_cast<double>(whole));
  tm lt{};
  lt.tm_year = static_cast<int>(y - 1900);
  lt.tm_mon = static_cast<int>(m - 1);
  lt.tm_mday = static_cast<int>(d);
  lt.tm_hour = static_cast<int>(whole / 3600);
  lt.tm_min = static_cast<int>(whole / 60 % 60);
  lt.tm_sec = static_cast<int>(whole % 60);
  lt.tm_isdst = -1;
  const time_t t = std::mktime(&lt);
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = t;
  times[1].tv_nsec = std::min<long>(999999999, static_cast<long>(frac * 1e9));
  if (::utimensat(AT_FDCWD, fileName.c_str(), times, 0) != 0) return errno;
  return 0;
}

int32_t FileGetAttr(const String& fileName) {
  int32_t attr;
  struct stat st;
  const String trimmed = fileName.size() > 1 ? ExcludeTrailingPathDelimiter(fileName) : fileName;
  if (trimmed.empty() || !StatEntry(trimmed, ExtractFileName(trimmed), attr, st)) return -1;
  return attr;
}

// --- searching -------------------------------------------------------------------------------------

int32_t FindFirst(const String& path, int32_t attr, TSearchRec& f) {
  FindClose(f);
  f.ExcludeAttr = ~attr & (faHidden | faSysFile | faDirectory);
  String mask = ExtractFileName(path);
  if (mask.empty()) return ENOENT;
  if (mask == "*.*") mask = "*";  // the platform's "every name", with or without a dot
  auto state = std::make_shared<FindState>();
  state->Folder = ExtractFilePath(path);
  state->Mask = FoldedCodePoints(mask);
  state->Dir = ::opendir(state->Folder.empty() ? "." : state->Folder.c_str());
  if (!state->Dir) return errno;
  f.FindHandle = state;
  const int32_t r = FindMatching(f);
  if (r != 0) FindClose(f);
  return r;
}

int32_t FindNext(TSearchRec& f) { return FindMatching(f); }

void FindClose(TSearchRec& f) { f.FindHandle.reset(); }

// --- masks -----------------------------------------------------------------------------------------

bool MatchesMask(const String& name, const String& mask) {
  if (mask == "*.*") return true;
  return GlobMatch(FoldedCodePoints(name), FoldedCodePoints(mask));
}

std::vector<String> SplitMaskList(const String& masks) {
  std::vector<String> r;
  size_t start = 0;
  for (size_t i = 0; i <= masks.size(); ++i) {
    if (i == masks.size() || masks[i] == ';' || masks[i] == ',') {
      String m = Trim(masks.substr(start, i - start));
      if (!m.empty()) r.push_back(std::move(m));
      start = i + 1;
    }
  }
  return r;
}

bool MatchesMaskList(const String& name, const String& masks) {
  for (const String& m : SplitMaskList(masks))
    if (MatchesMask(name, m)) return true;
  return false;
}

String FoldNameCase(const String& s) {
  String r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size();) Encode(FoldCodePoint(DecodeAt(s, i)), r);
  return r;
}

bool SameFileName(const String& a, const String& b) { return FoldNameCase(a) == FoldNameCase(b); }

// --- path pieces -----------------------------------------------------------------------------------

String ExtractFilePath(const String& fileName) {
  const size_t p = fileName.rfind(PathDelim);
  return p == String::npos ? String() : fileName.substr(0, p + 1);
}

String ExtractFileDir(const String& fileName) {
  const size_t p = fileName.rfind(PathDelim);
  if (p == String::npos) return String();
  if (p == 0) return fileName.substr(0, 1);
  return fileName.substr(0, p);
}

String ExtractFileName(const String& fileName) {
  const size_t p = fileName.rfind(PathDelim);
  return p == String::npos ? fileName : fileName.substr(p + 1);
}

String ExtractFileExt(const String& fileName) {
  const size_t p = fileName.find_last_of(".\\/");
  if (p == String::npos || fileName[p] != '.') return String();
  return fileName.substr(p);
}

String ExtractFileDrive(const String&) { return String(); }

String ChangeFileExt(const String& fileName, const String& extension) {
  const size_t p = fileName.find_last_of("./");
  if (p == String::npos || fileName[p] != '.') return fileName + extension;
  return fileName.substr(0, p) + extension;
}

String IncludeTrailingPathDelimiter(const String& s) {
  if (!s.empty() && s.back() == PathDelim) return s;
  return s + PathDelim;
}

String ExcludeTrailingPathDelimiter(const String& s) {
  if (!s.empty() && s.back() == PathDelim) return s.substr(0, s.size() - 1);
  return s;
}

String IncludeTrailingBackslash(const String& s) { return IncludeTrailingPathDelimiter(s); }
String ExcludeTrailingBackslash(const String& s) { return ExcludeTrailingPathDelimiter(s); }

bool IsPathDelimiter(const String& s, int32_t index) {
  return index >= 1 && static_cast<size_t>(index) <= s.size() && s[static_cast<size_t>(index) - 1] == PathDelim;
}

String ExpandFileName(const String& fileName) {
  if (fileName.empty()) return String();
  String full = fileName[0] == PathDelim ? fileName : IncludeTrailingPathDelimiter(GetCurrentDir()) + fileName;
  std::vector<String> parts;
  size_t start = 0;
  for (size_t i = 0; i <= full.size(); ++i) {
    if (i == full.size() || full[i] == PathDelim) {
      String part = full.substr(start, i - start);
      start = i + 1;
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.push_back(std::move(part));
    }
  }
  String r;
  for (const String& p : parts) r += PathDelim + p;
  if (r.empty()) return String(1, PathDelim);
  if (fileName.back() == PathDelim) r += PathDelim;
  return r;
}

String ExpandFileNameCase(const String& fileName, TFilenameCaseMatch& matchFound) {
  matchFound = mkNone;
  const String full = ExpandFileName(fileName);
  if (full.empty() || full.back() == PathDelim) return full;
  struct stat st {};
  if (::lstat(full.c_str(), &st) == 0) {
    matchFound = mkExactMatch;
    return full;
  }
  const String folder = ExtractFilePath(full);
  const String wanted = FoldNameCase(ExtractFileName(full));
  std::vector<String> found;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(dir)) {
      const String name = e->d_name;
      if (name != "." && name != ".." && FoldNameCase(name) == wanted) found.push_back(name);
    }
    ::closedir(dir);
  }
  if (found.empty()) return full;
  std::sort(found.begin(), found.end());
  matchFound = found.size() == 1 ? mkSingleMatch : mkAmbiguous;
  return folder + found.front();
}

// --- process ---------------------------------------------------------------------------------------

String GetCurrentDir() {
  char* p = ::getcwd(nullptr, 0);
  if (!p) return String();
  String r = p;
  std::free(p);
  return r;
}

bool SetCurrentDir(const String& dir) { return !dir.empty() && ::chdir(dir.c_str()) == 0; }

String ProgramFilePath() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return String();
    if (static_cast<size_t>(n) < buf.size()) return String(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

namespace {
std::vector<String> CommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::vector<String> args;
  String arg;
  char c;
  while (in.get(c)) {
    if (c == '\0') {
      args.push_back(arg);
      arg.clear();
    } else {
      arg += c;
    }
  }
  if (!arg.empty()) args.push_back(arg);
  return args;
}
}  // namespace

String ParamStr(int32_t index) {
  if (index == 0) return ProgramFilePath();
  if (index < 0) return String();
  const std::vector<String> args = CommandLine();
  return static_cast<size_t>(index) < args.size() ? args[static_cast<size_t>(index)] : String();
}

int32_t ParamCount() {
  const size_t n = CommandLine().size();
  return n == 0 ? 0 : static_cast<int32_t>(n - 1);
}

String GetEnvironmentVariable(const String& name) {
  const char* v = std::getenv(name.c_str());
  return v ? String(v) : String();
}

bool SetEnvironmentVariable(const String& name, const String& value) {
  return !name.empty() && ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

String GetTempDir() {
  String d = GetEnvironmentVariable("TMPDIR");
  if (d.empty() || !DirectoryExists(d)) d = "/tmp";
  return IncludeTrailingPathDelimiter(d);
}

String GetTempFileName(const String& dir, const String& prefix) {
  String templ = IncludeTrailingPathDelimiter(dir.empty() ? GetTempDir() : dir) + prefix + "XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0) return String();
  ::close(fd);
  return String(buf.data());
}
