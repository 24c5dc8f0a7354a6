#include "rtl/IniFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>

#include "rtl/DateTime.h"
#include "rtl/Files.h"
#include "rtl/FormatSettings.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace rtl_detail {

struct IniEntry {
  String Key;
  String Value;
  bool HasValue = true;  // a line without "=" is kept as it is
};

struct IniSection {
  String Name;
  std::vector<IniEntry> Entries;
};

struct IniData {
  std::vector<IniSection> Sections;
  bool Known = false;
  struct stat Stat {};

  IniSection* Find(const String& name) {
    const String folded = FoldNameCase(name);
    for (IniSection& s : Sections)
      if (FoldNameCase(s.Name) == folded) return &s;
    return nullptr;
  }
  static IniEntry* FindEntry(IniSection& s, const String& key) {
    const String folded = FoldNameCase(key);
    for (IniEntry& e : s.Entries)
      if (e.HasValue && FoldNameCase(e.Key) == folded) return &e;
    return nullptr;
  }
};

}  // namespace rtl_detail

using rtl_detail::IniData;
using rtl_detail::IniEntry;
using rtl_detail::IniSection;

namespace {

void ParseLines(const std::vector<String>& lines, IniData& data) {
  data.Sections.clear();
  IniSection* current = nullptr;
  for (const String& raw : lines) {
    const String line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      const String name = Trim(line.substr(1, line.size() - 2));
      current = data.Find(name);
      if (!current) {
        data.Sections.push_back(IniSection{name, {}});
        current = &data.Sections.back();
      }
      continue;
    }
    if (!current) continue;  // lines before the first section belong to none
    IniEntry e;
    const size_t eq = line.find('=');
    if (eq == String::npos) {
      e.Key = line;
      e.HasValue = false;
    } else {
      e.Key = Trim(line.substr(0, eq));
      e.Value = Trim(line.substr(eq + 1));
    }
    current->Entries.push_back(std::move(e));
  }
}

std::vector<String> ToLines(const IniData& data) {
  std::vector<String> lines;
  for (const IniSection& s : data.Sections) {
    lines.push_back("[" + s.Name + "]");
    for (const IniEntry& e : s.Entries) lines.push_back(e.HasValue ? e.Key + "=" + e.Value : e.Key);
    lines.push_back(String());
  }
  return lines;
}

void LoadFile(const String& fileName, IniData& data) {
  data.Sections.clear();
  data.Known = true;
  data.Stat = {};
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return;
  std::vector<String> lines;
  String line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (lines.size() > 0 && lines[0].compare(0, 3, "\xEF\xBB\xBF") == 0) lines[0].erase(0, 3);
  ParseLines(lines, data);
  ::stat(fileName.c_str(), &data.Stat);
}

void SaveFile(const String& fileName, IniData& data) {
  String text;
  for (const String& l : ToLines(data)) text += l + "\n";
  // Written beside the file and renamed over it, so a reader never sees half a file.
  static std::atomic<uint32_t> counter{0};
  const String temp = fileName + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++counter);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) RaiseLastOSError();
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) ok = false;
    else done += static_cast<size_t>(w);
  }
  int err = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(temp.c_str(), fileName.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    RaiseLastOSError(err ? err : EIO);
  }
  ::stat(fileName.c_str(), &data.Stat);
  data.Known = true;
}

bool ParseInt(const String& text, int32_t& out) {
  String s = Trim(text);
  int base = 10;
  size_t start = 0;
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    start = 1;
  }
  if (s.size() > start + 2 && s[start] == '0' && (s[start + 1] == 'x' || s[start + 1] == 'X')) {
    base = 16;
    start += 2;
  } else if (s.size() > start + 1 && s[start] == '$') {
    base = 16;
    start += 1;
  }
  if (start >= s.size()) return false;
  int64_t v = 0;
  auto [p, ec] = std::from_chars(s.data() + start, s.data() + s.size(), v, base);
  if (ec != std::errc() || p != s.data() + s.size()) return false;
  if (negative) v = -v;
  if (base == 16 && v > INT32_MAX && v <= static_cast<int64_t>(UINT32_MAX)) v = static_cast<int32_t>(static_cast<uint32_t>(v));
  if (v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

}  // namespace

// --- TCustomIniFile --------------------------------------------------------------------------------

int32_t TCustomIniFile::ReadInteger(const String& section, const String& ident, int32_t defaultValue) {
  int32_t v;
  return ParseInt(ReadString(section, ident, String()), v) ? v : defaultValue;
}

void TCustomIniFile::WriteInteger(const String& section, const String& ident, int32_t value) {
  WriteString(section, ident, std::to_string(value));
}

bool TCustomIniFile::ReadBool(const String& section, const String& ident, bool defaultValue) {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& section, const String& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const String& section, const String& ident, double defaultValue) {
  const String s = ReadString(section, ident, String());
  double v;
  return !s.empty() && TryStrToFloat(s, v) ? v : defaultValue;
}

void TCustomIniFile::WriteFloat(const String& section, const String& ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

TDateTime TCustomIniFile::ReadDateTime(const String& section, const String& ident, TDateTime defaultValue) {
  const String s = ReadString(section, ident, String());
  return s.empty() ? defaultValue : StrToDateTimeDef(s, defaultValue);
}

void TCustomIniFile::WriteDateTime(const String& section, const String& ident, TDateTime value) {
  WriteString(section, ident, DateTimeToStr(value));
}

TDateTime TCustomIniFile::ReadDate(const String& section, const String& ident, TDateTime defaultValue) {
  const String s = ReadString(section, ident, String());
  return s.empty() ? defaultValue : StrToDateDef(s, defaultValue);
}

void TCustomIniFile::WriteDate(const String& section, const String& ident, TDateTime value) {
  WriteString(section, ident, DateToStr(value));
}

TDateTime TCustomIniFile::ReadTime(const String& section, const String& ident, TDateTime defaultValue) {
  const String s = ReadString(section, ident, String());
  return s.empty() ? defaultValue : StrToTimeDef(s, defaultValue);
}

void TCustomIniFile::WriteTime(const String& section, const String& ident, TDateTime value) {
  WriteString(section, ident, TimeToStr(value));
}

namespace {
void FillStrings(TStrings* strings, const std::vector<String>& lines) {
  strings->BeginUpdate();
  try {
    strings->Clear();
    for (const String& l : lines) strings->Add(l);
  } catch (...) {
    strings->EndUpdate();
    throw;
  }
  strings->EndUpdate();
}
std::vector<String> FromStrings(TStrings* strings) {
  std::vector<String> lines;
  for (int32_t i = 0; i < strings->Count(); ++i) lines.push_back(strings->Strings(i));
  return lines;
}
}  // namespace

void TCustomIniFile::ReadSection(const String& section, TStrings* strings) {
  std::vector<String> v;
  ReadSection(section, v);
  FillStrings(strings, v);
}

void TCustomIniFile::ReadSections(TStrings* strings) {
  std::vector<String> v;
  ReadSections(v);
  FillStrings(strings, v);
}

void TCustomIniFile::ReadSectionValues(const String& section, TStrings* strings) {
  std::vector<String> v;
  ReadSectionValues(section, v);
  FillStrings(strings, v);
}

bool TCustomIniFile::SectionExists(const String& section) {
  std::vector<String> idents;
  ReadSection(section, idents);
  return !idents.empty();
}

bool TCustomIniFile::ValueExists(const String& section, const String& ident) {
  std::vector<String> idents;
  ReadSection(section, idents);
  for (const String& i : idents)
    if (SameFileName(i, ident)) return true;
  return false;
}

// --- TMemIniFile -----------------------------------------------------------------------------------

TMemIniFile::TMemIniFile(const String& fileName) : TCustomIniFile(fileName), FData(std::make_unique<IniData>()) {
  LoadFile(fileName, *FData);
}

TMemIniFile::~TMemIniFile() = default;

String TMemIniFile::ReadString(const String& section, const String& ident, const String& defaultValue) {
  IniSection* s = FData->Find(section);
  IniEntry* e = s ? IniData::FindEntry(*s, ident) : nullptr;
  return e ? e->Value : defaultValue;
}

void TMemIniFile::WriteString(const String& section, const String& ident, const String& value) {
  IniSection* s = FData->Find(section);
  if (!s) {
    FData->Sections.push_back(IniSection{section, {}});
    s = &FData->Sections.back();
  }
  if (IniEntry* e = IniData::FindEntry(*s, ident))
    e->Value = value;
  else
    s->Entries.push_back(IniEntry{ident, value, true});
}

void TMemIniFile::ReadSection(const String& section, std::vector<String>& idents) {
  idents.clear();
  if (IniSection* s = FData->Find(section))
    for (const IniEntry& e : s->Entries)
      if (e.HasValue) idents.push_back(e.Key);
}

void TMemIniFile::ReadSections(std::vector<String>& sections) {
  sections.clear();
  for (const IniSection& s : FData->Sections) sections.push_back(s.Name);
}

void TMemIniFile::ReadSectionValues(const String& section, std::vector<String>& lines) {
  lines.clear();
  if (IniSection* s = FData->Find(section))
    for (const IniEntry& e : s->Entries) lines.push_back(e.HasValue ? e.Key + "=" + e.Value : e.Key);
}

void TMemIniFile::EraseSection(const String& section) {
  const String folded = FoldNameCase(section);
  auto& v = FData->Sections;
  for (auto it = v.begin(); it != v.end(); ++it)
    if (FoldNameCase(it->Name) == folded) {
      v.erase(it);
      return;
    }
}

void TMemIniFile::DeleteKey(const String& section, const String& ident) {
  IniSection* s = FData->Find(section);
  if (!s) return;
  const String folded = FoldNameCase(ident);
  for (auto it = s->Entries.begin(); it != s->Entries.end(); ++it)
    if (it->HasValue && FoldNameCase(it->Key) == folded) {
      s->Entries.erase(it);
      return;
    }
}

void TMemIniFile::UpdateFile() { SaveFile(FFileName, *FData); }

void TMemIniFile::Clear() { FData->Sections.clear(); }

void TMemIniFile::GetStrings(std::vector<String>& lines) { lines = ToLines(*FData); }

void TMemIniFile::SetStrings(const std::vector<String>& lines) { ParseLines(lines, *FData); }

void TMemIniFile::GetStrings(TStrings* lines) { FillStrings(lines, ToLines(*FData)); }

void TMemIniFile::SetStrings(TStrings* lines) { ParseLines(FromStrings(lines), *FData); }

void TMemIniFile::Rename(const String& fileName, bool reload) {
  FFileName = fileName;
  if (reload) LoadFile(fileName, *FData);
}

// --- TIniFile --------------------------------------------------------------------------------------

void TIniFile::Reload() {
  struct stat st;
  const bool exists = ::stat(FFileName.c_str(), &st) == 0;
  const struct stat& old = FData->Stat;
  if (exists && old.st_ino == st.st_ino && old.st_dev == st.st_dev && old.st_size == st.st_size &&
      old.st_mtim.tv_sec == st.st_mtim.tv_sec && old.st_mtim.tv_nsec == st.st_mtim.tv_nsec)
    return;
  if (!exists && old.st_ino == 0 && FData->Known) return;
  LoadFile(FFileName, *FData);
}

String TIniFile::ReadString(const String& section, const String& ident, const String& defaultValue) {
  Reload();
  return TMemIniFile::ReadString(section, ident, defaultValue);
}

void TIniFile::WriteString(const String& section, const String& ident, const String& value) {
  Reload();
  TMemIniFile::WriteString(section, ident, value);
  UpdateFile();
}

void TIniFile::ReadSection(const String& section, std::vector<String>& idents) {
  Reload();
  TMemIniFile::ReadSection(section, idents);
}

void TIniFile::ReadSections(std::vector<String>& sections) {
  Reload();
  TMemIniFile::ReadSections(sections);
}

void TIniFile::ReadSectionValues(const String& section, std::vector<String>& lines) {
  Reload();
  TMemIniFile::ReadSectionValues(section, lines);
}

void TIniFile::EraseSection(const String& section) {
  Reload();
  TMemIniFile::EraseSection(section);
  UpdateFile();
}

void TIniFile::DeleteKey(const String& section, const String& ident) {
  Reload();
  TMemIniFile::DeleteKey(section, ident);
  UpdateFile();
}
