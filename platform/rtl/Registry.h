#pragma once
// TRegistry: the platform's hierarchical settings store, kept in one text file per root key
// ("HKEY_CURRENT_USER.reg") under $XDG_CONFIG_HOME/vorn (default ~/.config/vorn).
//
// Every change rewrites the file atomically (a temporary file, flushed to disk, renamed over the old
// one), so a crash leaves either the old or the new file. All TRegistry objects of a process share one
// copy of each file, and a file changed by another process is read again before the next access.
//
// Key and value names ignore letter case and keep the case they were created with. Key paths use "\":
// a leading "\" starts at the root key, otherwise a path is relative to the open key; empty parts (a
// trailing "\", or "\\") are ignored.

#include <cstdint>
#include <vector>

#include "rtl/Currency.h"
#include "rtl/System.h"

class TStrings;

using HKEY = uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int32_t DataSize = 0;
};

RTL_EXCEPTION(ERegistryException, Exception)

// The folder holding the registry files; an empty path restores the default: $VORN_REGISTRY_DIR when
// set, else $XDG_CONFIG_HOME/vorn, else ~/.config/vorn. Tests point it at a temporary folder.
void SetRegistryRoot(const String& path);
String RegistryRoot();
// The name of a root key ("HKEY_CURRENT_USER"), empty for an unknown value.
String RootKeyName(HKEY key);

class TRegistry : public TObject {
  RTL_CLASS(TRegistry, TObject)
public:
  TRegistry();
  ~TRegistry() override;

  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY v);  // closes the open key
  // The open key's path from the root, without a leading "\"; empty when none is open.
  const String& CurrentPath() const { return FCurrentPath; }
  bool HasCurrentKey() const { return FKeyOpen; }
  // Kept for source compatibility; every write is stored at once.
  bool LazyWrite() const { return FLazyWrite; }
  void SetLazyWrite(bool v) { FLazyWrite = v; }

  // Opens a key (creating the missing levels when canCreate); the opened key becomes the current one.
  bool OpenKey(const String& key, bool canCreate);
  bool OpenKeyReadOnly(const String& key);
  void CloseKey();
  // Creates a key without opening it; raises "Failed to create key %s" when that cannot be done.
  bool CreateKey(const String& key);
  // Deletes a key with all its subkeys and values.
  bool DeleteKey(const String& key);
  bool KeyExists(const String& key);
  bool HasSubKeys();
  std::vector<String> GetKeyNames();    // subkeys of the open key, ordered by name ignoring case
  std::vector<String> GetValueNames();  // values of the open key, in the order they were created
  void GetKeyNames(TStrings* strings);  // the same into a list, which is cleared first
  void GetValueNames(TStrings* strings);

  bool ValueExists(const String& name);
  bool DeleteValue(const String& name);
  bool RenameValue(const String& oldName, const String& newName);
  TRegDataType GetDataType(const String& name);
  // Bytes of the data (text counts its terminating zero, as the platform's does); -1 when missing.
  int32_t GetDataSize(const String& name);
  bool GetDataInfo(const String& name, TRegDataInfo& info);

  // A missing value reads as an empty text; other missing values raise "Failed to get data for '%s'".
  // A value of another type raises "Invalid data type for '%s'".
  String ReadString(const String& name);
  int32_t ReadInteger(const String& name);
  bool ReadBool(const String& name);
  double ReadFloat(const String& name);
  Currency ReadCurrency(const String& name);
  TDateTime ReadDateTime(const String& name);
  TDateTime ReadDate(const String& name);
  TDateTime ReadTime(const String& name);
  // Copies up to bufSize bytes of binary (or untyped) data and returns their number; raises "Failed to
  // get data for '%s'" when the value is missing or larger than the buffer.
  int32_t ReadBinaryData(const String& name, void* buffer, int32_t bufSize);
  std::vector<uint8_t> ReadBinaryData(const String& name);

  // Writing raises "Failed to set data for '%s'" when no key is open or it was opened read-only.
  void WriteString(const String& name, const String& value);
  void WriteExpandString(const String& name, const String& value);
  void WriteInteger(const String& name, int32_t value);
  void WriteBool(const String& name, bool value);
  // Floats, currency and date-times are stored as 8 bytes of binary data, as the platform does.
  void WriteFloat(const String& name, double value);
  void WriteCurrency(const String& name, Currency value);
  void WriteDateTime(const String& name, TDateTime value);
  void WriteDate(const String& name, TDateTime value);
  void WriteTime(const String& name, TDateTime value);
  void WriteBinaryData(const String& name, const void* buffer, int32_t bufSize);

private:
  String AbsolutePath(const String& key) const;
  void ReadRaw(const String& name, TRegDataType expected, std::vector<uint8_t>& data, bool& found);
  void WriteRaw(const String& name, TRegDataType type, const void* data, size_t size);
  void ReadFixed(const String& name, void* out, size_t size, TRegDataType type);

  HKEY FRootKey = HKEY_CURRENT_USER;
  String FCurrentPath;
  bool FKeyOpen = false;
  bool FReadOnly = false;
  bool FLazyWrite = true;
};

namespace rtl_detail {
// Runs between writing the temporary registry file and renaming it over the real one; lets a test stand
// for a crash at the worst moment. Null removes it.
using RegistryWriteHook = void (*)(const String& tempFile);
void SetRegistryWriteHook(RegistryWriteHook hook);
}  // namespace rtl_detail
