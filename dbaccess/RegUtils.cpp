#include "dbaccess/RegUtils.h"

namespace {

TRegistry& Registry() {
  static TRegistry* registry = New<TRegistry>();
  return *registry;
}

// Opens the keys of the path in turn, each relative to the one before.
bool OpenPath(TRegistry& reg, HKEY rootKey, const std::vector<String>& keyPath, bool canCreate) {
  reg.SetRootKey(rootKey);
  for (const String& key : keyPath)
    if (!reg.OpenKey(key, canCreate)) return false;
  return true;
}

struct KeyCloser {
  TRegistry& reg;
  ~KeyCloser() { reg.CloseKey(); }
};

}  // namespace

void WriteRegValues(HKEY rootKey, const std::vector<String>& keyPath, const std::vector<String>& valueNames,
                    const std::vector<Variant>& values) {
  TRegistry& reg = Registry();
  KeyCloser closer{reg};
  OpenPath(reg, rootKey, keyPath, true);
  const size_t n = std::min(valueNames.size(), values.size());
  for (size_t i = 0; i < n; ++i) {
    const String& name = valueNames[i];
    const Variant& v = values[i];
    switch (VarType(v)) {
      case varSmallint:
      case varInteger:
        reg.WriteInteger(name, v.AsInteger());
        break;
      case varSingle:
      case varDouble:
        reg.WriteFloat(name, v.AsDouble());
        break;
      case varCurrency:
        reg.WriteCurrency(name, v.AsCurrency());
        break;
      case varDate:
        reg.WriteDateTime(name, v.AsDateTime());
        break;
      case varBoolean:
        reg.WriteBool(name, v.AsBoolean());
        break;
      case varString:
      case varOleStr:
        reg.WriteString(name, v.AsString());
        break;
      default:
        break;
    }
  }
}

void WriteRegValuesHKCU(const std::vector<String>& keyPath, const std::vector<String>& valueNames,
                        const std::vector<Variant>& values) {
  WriteRegValues(HKEY_CURRENT_USER, keyPath, valueNames, values);
}

Variant ReadRegValues(HKEY rootKey, const std::vector<String>& keyPath, const std::vector<String>& valueNames) {
  TRegistry& reg = Registry();
  KeyCloser closer{reg};
  if (!OpenPath(reg, rootKey, keyPath, false)) return Variant(false);
  const auto n = static_cast<int32_t>(valueNames.size());
  Variant result = VarArrayCreate({0, 1, 0, n - 1}, varVariant);
  for (int32_t i = 0; i < n; ++i) {
    const String& name = valueNames[static_cast<size_t>(i)];
    try {
      switch (reg.GetDataType(name)) {
        case rdString:
        case rdExpandString: {
          const bool exists = reg.ValueExists(name);
          VarArrayPut(result, Variant(exists), {1, i});
          VarArrayPut(result, Variant(exists ? reg.ReadString(name) : String()), {0, i});
          break;
        }
        case rdInteger:
          VarArrayPut(result, Variant(reg.ReadInteger(name)), {0, i});
          VarArrayPut(result, Variant(true), {1, i});
          break;
        default:
          break;
      }
    } catch (const Exception&) {
      VarArrayPut(result, Variant(false), {1, i});
    }
  }
  return result;
}

Variant ReadRegValuesHKCU(const std::vector<String>& keyPath, const std::vector<String>& valueNames) {
  return ReadRegValues(HKEY_CURRENT_USER, keyPath, valueNames);
}

Variant GetRegKeyNames(HKEY rootKey, const std::vector<String>& keyPath) {
  TRegistry& reg = Registry();
  KeyCloser closer{reg};
  if (!OpenPath(reg, rootKey, keyPath, false)) return Variant(false);
  const std::vector<String> names = reg.GetKeyNames();
  if (names.empty()) return Variant(false);
  Variant result = VarArrayCreate({0, static_cast<int32_t>(names.size()) - 1}, varOleStr);
  for (size_t i = 0; i < names.size(); ++i) VarArrayPut(result, Variant(names[i]), {static_cast<int32_t>(i)});
  return result;
}

Variant GetRegKeyNamesHKCU(const std::vector<String>& keyPath) { return GetRegKeyNames(HKEY_CURRENT_USER, keyPath); }

String FindRegKeyByValue(const String& keyPath, const String& valueName, const String& valueText) {
  const Variant names = GetRegKeyNamesHKCU({keyPath});
  if (VarArrayDimCount(names) != 1) return String();
  TRegistry& reg = Registry();
  KeyCloser closer{reg};
  for (int32_t i = 0; i <= VarArrayHighBound(names, 1); ++i) {
    const String subKey = VarArrayGet(names, {i}).AsString();
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(keyPath + "\\" + subKey, false)) continue;
    // Only a text value can match; other kinds are passed over rather than failing the search.
    const TRegDataType type = reg.GetDataType(valueName);
    if ((type == rdString || type == rdExpandString) && reg.ReadString(valueName) == valueText) return subKey;
    reg.CloseKey();
  }
  return String();
}
