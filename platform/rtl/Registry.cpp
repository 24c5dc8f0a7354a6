#include "rtl/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "rtl/Files.h"
#include "rtl/StringLists.h"

// File format, one line each:
//   VORN-REGISTRY 1                        first line
//   key "Software" "Pellwick" "Vorn"       a key by its path from the root ("key" alone is the root)
//   value "Name" string "text"             a value of the last key: string, expand, integer (decimal),
//                                          binary or unknown (hexadecimal bytes)
// Quoted texts escape \ " and control characters (\n \r \t \xHH).

namespace {

const char* const kSignature = "VORN-REGISTRY 1";

struct RegValue {
  String Name;
  TRegDataType Type = rdUnknown;
  std::vector<uint8_t> Data;  // text without its terminating zero
};

struct RegKey {
  String Name;
  std::map<String, std::unique_ptr<RegKey>> Subkeys;  // by folded name
  std::vector<RegValue> Values;

  RegKey* Find(const String& name) const {
    auto it = Subkeys.find(FoldNameCase(name));
    return it == Subkeys.end() ? nullptr : it->second.get();
  }
  RegKey* FindOrCreate(const String& name) {
    auto& slot = Subkeys[FoldNameCase(name)];
    if (!slot) {
      slot = std::make_unique<RegKey>();
      slot->Name = name;
    }
    return slot.get();
  }
  RegValue* FindValue(const String& name) {
    const String folded = FoldNameCase(name);
    for (RegValue& v : Values)
      if (FoldNameCase(v.Name) == folded) return &v;
    return nullptr;
  }
};

std::vector<String> SplitPath(const String& path) {
  std::vector<String> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

String JoinPath(const std::vector<String>& parts) {
  String r;
  for (const String& p : parts) {
    if (!r.empty()) r += '\\';
    r += p;
  }
  return r;
}

// --- text form -------------------------------------------------------------------------------------

String Quote(const String& s) {
  static const char hex[] = "0123456789ABCDEF";
  String r = "\"";
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      r += '\\';
      r += c;
    } else if (c == '\n') {
      r += "\\n";
    } else if (c == '\r') {
      r += "\\r";
    } else if (c == '\t') {
      r += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      r += "\\x";
      r += hex[u >> 4];
      r += hex[u & 15];
    } else {
      r += c;
    }
  }
  return r + "\"";
}

String HexBytes(const std::vector<uint8_t>& data) {
  static const char hex[] = "0123456789ABCDEF";
  String r;
  for (uint8_t b : data) {
    r += hex[b >> 4];
    r += hex[b & 15];
  }
  return r.empty() ? String("-") : r;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Splits a line into bare words and quoted texts; false when a quote is malformed.
bool Tokenize(const String& line, std::vector<String>& out) {
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
    } else if (line[i] == '"') {
      String t;
      ++i;
      for (;;) {
        if (i >= line.size()) return false;
        char c = line[i++];
        if (c == '"') break;
        if (c != '\\') {
          t += c;
          continue;
        }
        if (i >= line.size()) return false;
        c = line[i++];
        if (c == 'n') t += '\n';
        else if (c == 'r') t += '\r';
        else if (c == 't') t += '\t';
        else if (c == 'x') {
          if (i + 1 >= line.size() || HexDigit(line[i]) < 0 || HexDigit(line[i + 1]) < 0) return false;
          t += static_cast<char>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1]));
          i += 2;
        } else t += c;
      }
      out.push_back(std::move(t));
    } else {
      const size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      out.push_back(line.substr(start, i - start));
    }
  }
  return true;
}

void WriteKey(const RegKey& key, std::vector<String>& path, String& out) {
  out += "key";
  for (const String& p : path) out += " " + Quote(p);
  out += "\n";
  for (const RegValue& v : key.Values) {
    out += "value " + Quote(v.Name) + " ";
    switch (v.Type) {
      case rdString:
      case rdExpandString:
        out += (v.Type == rdString ? "string " : "expand ") + Quote(String(v.Data.begin(), v.Data.end()));
        break;
      case rdInteger: {
        int32_t n = 0;
        std::memcpy(&n, v.Data.data(), std::min<size_t>(4, v.Data.size()));
        out += "integer " + std::to_string(n);
        break;
      }
      case rdBinary:
        out += "binary " + HexBytes(v.Data);
        break;
      case rdUnknown:
        out += "unknown " + HexBytes(v.Data);
        break;
    }
    out += "\n";
  }
  for (const auto& [folded, sub] : key.Subkeys) {
    path.push_back(sub->Name);
    WriteKey(*sub, path, out);
    path.pop_back();
  }
}

void ParseInto(const String& text, RegKey& root) {
  size_t pos = text.find('\n');
  if (text.compare(0, std::strlen(kSignature), kSignature) != 0) return;
  RegKey* current = &root;
  while (pos != String::npos && pos < text.size()) {
    const size_t end = text.find('\n', pos + 1);
    const String line = text.substr(pos + 1, end == String::npos ? String::npos : end - pos - 1);
    pos = end;
    std::vector<String> t;
    if (!Tokenize(line, t) || t.empty()) continue;
    if (t[0] == "key") {
      current = &root;
      for (size_t i = 1; i < t.size(); ++i) current = current->FindOrCreate(t[i]);
    } else if (t[0] == "value" && t.size() == 4) {
      RegValue v;
      v.Name = t[1];
      const String& kind = t[2];
      const String& data = t[3];
      if (kind == "string" || kind == "expand") {
        v.Type = kind == "string" ? rdString : rdExpandString;
        v.Data.assign(data.begin(), data.end());
      } else if (kind == "integer") {
        v.Type = rdInteger;
        const int32_t n = static_cast<int32_t>(std::strtol(data.c_str(), nullptr, 10));
        v.Data.resize(4);
        std::memcpy(v.Data.data(), &n, 4);
      } else if (kind == "binary" || kind == "unknown") {
        v.Type = kind == "binary" ? rdBinary : rdUnknown;
        for (size_t i = 0; data != "-" && i + 1 < data.size(); i += 2) {
          const int hi = HexDigit(data[i]), lo = HexDigit(data[i + 1]);
          if (hi < 0 || lo < 0) break;
          v.Data.push_back(static_cast<uint8_t>(hi * 16 + lo));
        }
      } else {
        continue;
      }
      if (RegValue* old = current->FindValue(v.Name))
        *old = std::move(v);
      else
        current->Values.push_back(std::move(v));
    }
  }
}

// --- the shared store of one file ------------------------------------------------------------------

std::atomic<rtl_detail::RegistryWriteHook> gWriteHook{nullptr};
std::atomic<uint32_t> gTempCounter{0};

struct Store {
  std::mutex Mutex;
  String File;
  RegKey Root;
  bool Known = false;  // whether Stat describes the file that Root was read from
  struct stat Stat {};

  static bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
  }

  // Reads the file again when it changed (or vanished) since we read or wrote it.
  void Refresh() {
    struct stat st;
    const bool exists = ::stat(File.c_str(), &st) == 0;
    if (Known && exists && SameFile(st, Stat)) return;
    if (Known && !exists && Stat.st_ino == 0) return;
    Root = RegKey();
    Known = true;
    Stat = {};
    if (!exists) return;
    const int fd = ::open(File.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    String text;
    char buf[65536];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    ::fstat(fd, &Stat);
    ::close(fd);
    ParseInto(text, Root);
  }

  // Writes the whole tree to a new file and renames it over the old one; false on any failure, after
  // which the tree is read again from what the file still holds.
  bool Save() {
    String text = String(kSignature) + "\n";
    std::vector<String> path;
    WriteKey(Root, path, text);
    const String dir = ExtractFileDir(File);
    const String temp = File + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++gTempCounter);
    bool ok = ForceDirectories(dir);
    int fd = ok ? ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600) : -1;
    ok = fd >= 0;
    for (size_t done = 0; ok && done < text.size();) {
      const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) ok = false;
      else done += static_cast<size_t>(w);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (ok) {
      if (auto hook = gWriteHook.load()) hook(temp);
      ok = ::rename(temp.c_str(), File.c_str()) == 0;
    }
    if (!ok) {
      ::unlink(temp.c_str());
      Known = false;
      return false;
    }
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      ::fsync(dfd);  // makes the rename itself durable
      ::close(dfd);
    }
    if (::stat(File.c_str(), &Stat) != 0) Known = false;
    return true;
  }
};

// Serialises changes between processes: read, change and rewrite happen under one lock.
class FileLock {
public:
  explicit FileLock(const String& file) {
    ForceDirectories(ExtractFileDir(file));
    FFd = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (FFd >= 0)
      while (::flock(FFd, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~FileLock() {
    if (FFd >= 0) ::close(FFd);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

private:
  int FFd = -1;
};

std::mutex gStoresMutex;
String gRoot;  // guarded by gStoresMutex

std::map<String, std::shared_ptr<Store>>& Stores() {
  static auto* stores = new std::map<String, std::shared_ptr<Store>>();
  return *stores;
}

String DefaultRoot() {
  // Lets a test run a whole program against a registry of its own.
  const String forced = GetEnvironmentVariable("VORN_REGISTRY_DIR");
  if (!forced.empty()) return ExcludeTrailingPathDelimiter(forced);
  String base = GetEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.empty()) {
    const String home = GetEnvironmentVariable("HOME");
    base = (home.empty() ? String("/tmp") : home) + "/.config";
  }
  return ExcludeTrailingPathDelimiter(base) + "/vorn";
}

std::shared_ptr<Store> StoreFor(HKEY root) {
  const String name = RootKeyName(root);
  if (name.empty()) return nullptr;
  std::lock_guard<std::mutex> lock(gStoresMutex);
  const String file = (gRoot.empty() ? DefaultRoot() : gRoot) + "/" + name + ".reg";
  auto& slot = Stores()[file];
  if (!slot) {
    slot = std::make_shared<Store>();
    slot->File = file;
  }
  return slot;
}

RegKey* FindKey(RegKey& root, const String& path) {
  RegKey* k = &root;
  for (const String& part : SplitPath(path)) {
    k = k->Find(part);
    if (!k) return nullptr;
  }
  return k;
}

[[noreturn]] void ReadError(const String& name) { throw ERegistryException("Invalid data type for '" + name + "'"); }
[[noreturn]] void GetError(const String& name) { throw ERegistryException("Failed to get data for '" + name + "'"); }
[[noreturn]] void SetError(const String& name) { throw ERegistryException("Failed to set data for '" + name + "'"); }

}  // namespace

void rtl_detail::SetRegistryWriteHook(RegistryWriteHook hook) { gWriteHook = hook; }

void SetRegistryRoot(const String& path) {
  std::lock_guard<std::mutex> lock(gStoresMutex);
  gRoot = ExcludeTrailingPathDelimiter(path);
}

String RegistryRoot() {
  std::lock_guard<std::mutex> lock(gStoresMutex);
  return gRoot.empty() ? DefaultRoot() : gRoot;
}

String RootKeyName(HKEY key) {
  switch (key) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_PERFORMANCE_DATA: return "HKEY_PERFORMANCE_DATA";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    case HKEY_DYN_DATA: return "HKEY_DYN_DATA";
    default: return String();
  }
}

// ---------------------------------------------------------------------------------------------------

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY v) {
  CloseKey();
  FRootKey = v;
}

String TRegistry::AbsolutePath(const String& key) const {
  if (!key.empty() && key[0] == '\\') return JoinPath(SplitPath(key));
  if (FKeyOpen) return JoinPath(SplitPath(FCurrentPath + "\\" + key));
  return JoinPath(SplitPath(key));
}

bool TRegistry::OpenKey(const String& key, bool canCreate) {
  const String path = AbsolutePath(key);
  auto store = StoreFor(FRootKey);
  if (!store) return false;
  std::unique_ptr<FileLock> fileLock;
  if (canCreate) fileLock = std::make_unique<FileLock>(store->File);
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  if (!FindKey(store->Root, path)) {
    if (!canCreate) return false;
    RegKey* k = &store->Root;
    for (const String& part : SplitPath(path)) k = k->FindOrCreate(part);
    if (!store->Save()) return false;
  }
  FCurrentPath = path;
  FKeyOpen = true;
  FReadOnly = false;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const String& key) {
  if (!OpenKey(key, false)) return false;
  FReadOnly = true;
  return true;
}

void TRegistry::CloseKey() {
  FKeyOpen = false;
  FReadOnly = false;
  FCurrentPath.clear();
}

bool TRegistry::CreateKey(const String& key) {
  const String path = AbsolutePath(key);
  auto store = StoreFor(FRootKey);
  bool ok = false;
  if (store) {
    FileLock fileLock(store->File);
    std::lock_guard<std::mutex> lock(store->Mutex);
    store->Refresh();
    RegKey* k = &store->Root;
    bool added = false;
    for (const String& part : SplitPath(path)) {
      added = added || !k->Find(part);
      k = k->FindOrCreate(part);
    }
    ok = !added || store->Save();
  }
  if (!ok) throw ERegistryException("Failed to create key " + key);
  return true;
}

bool TRegistry::DeleteKey(const String& key) {
  std::vector<String> parts = SplitPath(AbsolutePath(key));
  auto store = StoreFor(FRootKey);
  if (!store || parts.empty()) return false;
  FileLock fileLock(store->File);
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  const String last = parts.back();
  parts.pop_back();
  RegKey* parent = FindKey(store->Root, JoinPath(parts));
  if (!parent || !parent->Subkeys.erase(FoldNameCase(last))) return false;
  return store->Save();
}

bool TRegistry::KeyExists(const String& key) {
  const String path = AbsolutePath(key);
  auto store = StoreFor(FRootKey);
  if (!store) return false;
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  return FindKey(store->Root, path) != nullptr;
}

bool TRegistry::HasSubKeys() { return !GetKeyNames().empty(); }

std::vector<String> TRegistry::GetKeyNames() {
  std::vector<String> names;
  auto store = StoreFor(FRootKey);
  if (!FKeyOpen || !store) return names;
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  if (RegKey* k = FindKey(store->Root, FCurrentPath))
    for (const auto& [folded, sub] : k->Subkeys) names.push_back(sub->Name);
  return names;
}

std::vector<String> TRegistry::GetValueNames() {
  std::vector<String> names;
  auto store = StoreFor(FRootKey);
  if (!FKeyOpen || !store) return names;
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  if (RegKey* k = FindKey(store->Root, FCurrentPath))
    for (const RegValue& v : k->Values) names.push_back(v.Name);
  return names;
}

namespace {
void FillStrings(TStrings* strings, const std::vector<String>& names) {
  strings->BeginUpdate();
  try {
    strings->Clear();
    for (const String& n : names) strings->Add(n);
  } catch (...) {
    strings->EndUpdate();
    throw;
  }
  strings->EndUpdate();
}
}  // namespace

void TRegistry::GetKeyNames(TStrings* strings) { FillStrings(strings, GetKeyNames()); }
void TRegistry::GetValueNames(TStrings* strings) { FillStrings(strings, GetValueNames()); }

bool TRegistry::GetDataInfo(const String& name, TRegDataInfo& info) {
  info = TRegDataInfo();
  auto store = StoreFor(FRootKey);
  if (!FKeyOpen || !store) return false;
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  RegKey* k = FindKey(store->Root, FCurrentPath);
  RegValue* v = k ? k->FindValue(name) : nullptr;
  if (!v) return false;
  info.RegData = v->Type;
  info.DataSize = static_cast<int32_t>(v->Data.size()) + ((v->Type == rdString || v->Type == rdExpandString) ? 1 : 0);
  return true;
}

bool TRegistry::ValueExists(const String& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info);
}

TRegDataType TRegistry::GetDataType(const String& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.RegData : rdUnknown;
}

int32_t TRegistry::GetDataSize(const String& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

bool TRegistry::DeleteValue(const String& name) {
  auto store = StoreFor(FRootKey);
  if (!FKeyOpen || FReadOnly || !store) return false;
  FileLock fileLock(store->File);
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  RegKey* k = FindKey(store->Root, FCurrentPath);
  RegValue* v = k ? k->FindValue(name) : nullptr;
  if (!v) return false;
  k->Values.erase(k->Values.begin() + (v - k->Values.data()));
  return store->Save();
}

bool TRegistry::RenameValue(const String& oldName, const String& newName) {
  auto store = StoreFor(FRootKey);
  if (!FKeyOpen || FReadOnly || !store) return false;
  FileLock fileLock(store->File);
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  RegKey* k = FindKey(store->Root, FCurrentPath);
  RegValue* v = k ? k->FindValue(oldName) : nullptr;
  if (!v || (FoldNameCase(oldName) != FoldNameCase(newName) && k->FindValue(newName))) return false;
  v->Name = newName;
  return store->Save();
}

// --- typed access ----------------------------------------------------------------------------------

void TRegistry::ReadRaw(const String& name, TRegDataType, std::vector<uint8_t>& data, bool& found) {
  found = false;
  auto store = StoreFor(FRootKey);
  if (!FKeyOpen || !store) return;
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  RegKey* k = FindKey(store->Root, FCurrentPath);
  RegValue* v = k ? k->FindValue(name) : nullptr;
  if (!v) return;
  found = true;
  data = v->Data;
}

void TRegistry::WriteRaw(const String& name, TRegDataType type, const void* data, size_t size) {
  auto store = StoreFor(FRootKey);
  if (!FKeyOpen || FReadOnly || !store) SetError(name);
  FileLock fileLock(store->File);
  std::lock_guard<std::mutex> lock(store->Mutex);
  store->Refresh();
  RegKey* k = FindKey(store->Root, FCurrentPath);
  if (!k) SetError(name);  // deleted meanwhile through another object
  RegValue* v = k->FindValue(name);
  if (!v) {
    k->Values.emplace_back();
    v = &k->Values.back();
    v->Name = name;
  }
  v->Type = type;
  const auto* bytes = static_cast<const uint8_t*>(data);
  v->Data.assign(bytes, bytes + size);
  if (!store->Save()) SetError(name);
}

// Reads a value of a fixed size and type: missing or larger than asked for fails to read; another type
// or size is the wrong type.
void TRegistry::ReadFixed(const String& name, void* out, size_t size, TRegDataType type) {
  TRegDataInfo info;
  std::vector<uint8_t> data;
  bool found;
  ReadRaw(name, type, data, found);
  if (!found || !GetDataInfo(name, info)) GetError(name);
  if (static_cast<size_t>(info.DataSize) > size) GetError(name);
  if (info.RegData != type || data.size() != size) ReadError(name);
  std::memcpy(out, data.data(), size);
}

String TRegistry::ReadString(const String& name) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info)) return String();
  if (info.RegData != rdString && info.RegData != rdExpandString) ReadError(name);
  std::vector<uint8_t> data;
  bool found;
  ReadRaw(name, rdString, data, found);
  return String(data.begin(), data.end());
}

int32_t TRegistry::ReadInteger(const String& name) {
  int32_t v;
  ReadFixed(name, &v, sizeof v, rdInteger);
  return v;
}

bool TRegistry::ReadBool(const String& name) { return ReadInteger(name) != 0; }

double TRegistry::ReadFloat(const String& name) {
  double v;
  ReadFixed(name, &v, sizeof v, rdBinary);
  return v;
}

Currency TRegistry::ReadCurrency(const String& name) {
  int64_t v;
  ReadFixed(name, &v, sizeof v, rdBinary);
  return Currency::FromScaled(v);
}

TDateTime TRegistry::ReadDateTime(const String& name) {
  double v;
  ReadFixed(name, &v, sizeof v, rdBinary);
  return v;
}

TDateTime TRegistry::ReadDate(const String& name) { return ReadDateTime(name); }
TDateTime TRegistry::ReadTime(const String& name) { return ReadDateTime(name); }

int32_t TRegistry::ReadBinaryData(const String& name, void* buffer, int32_t bufSize) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info)) return 0;
  if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > bufSize) ReadError(name);
  std::vector<uint8_t> data;
  bool found;
  ReadRaw(name, info.RegData, data, found);
  if (!found || data.size() > static_cast<size_t>(bufSize)) GetError(name);
  if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
  return static_cast<int32_t>(data.size());
}

std::vector<uint8_t> TRegistry::ReadBinaryData(const String& name) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info)) return {};
  if (info.RegData != rdBinary && info.RegData != rdUnknown) ReadError(name);
  std::vector<uint8_t> data;
  bool found;
  ReadRaw(name, info.RegData, data, found);
  return data;
}

void TRegistry::WriteString(const String& name, const String& value) {
  WriteRaw(name, rdString, value.data(), value.size());
}
void TRegistry::WriteExpandString(const String& name, const String& value) {
  WriteRaw(name, rdExpandString, value.data(), value.size());
}
void TRegistry::WriteInteger(const String& name, int32_t value) { WriteRaw(name, rdInteger, &value, sizeof value); }
void TRegistry::WriteBool(const String& name, bool value) { WriteInteger(name, value ? 1 : 0); }
void TRegistry::WriteFloat(const String& name, double value) { WriteRaw(name, rdBinary, &value, sizeof value); }
void TRegistry::WriteCurrency(const String& name, Currency value) {
  WriteRaw(name, rdBinary, &value.Value, sizeof value.Value);
}
void TRegistry::WriteDateTime(const String& name, TDateTime value) { WriteRaw(name, rdBinary, &value, sizeof value); }
void TRegistry::WriteDate(const String& name, TDateTime value) { WriteDateTime(name, value); }
void TRegistry::WriteTime(const String& name, TDateTime value) { WriteDateTime(name, value); }
void TRegistry::WriteBinaryData(const String& name, const void* buffer, int32_t bufSize) {
  if (bufSize < 0) SetError(name);
  WriteRaw(name, rdBinary, buffer, static_cast<size_t>(bufSize));
}
