#pragma once
// TGUID: the 128-bit identifier of interfaces and records, its text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and random (version 4) generation.

#include <cstdint>
#include <string_view>

#include "rtl/System.h"

struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  uint8_t D4[8] = {};

  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
  // An arbitrary but stable order, so that GUIDs can key ordered containers.
  friend constexpr auto operator<=>(const TGUID&, const TGUID&) = default;
};

inline constexpr TGUID GUID_NULL{};

namespace rtl_detail {
constexpr int GUIDHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
// Reads `count` hex digits at `pos`.
constexpr bool GUIDHex(std::string_view s, size_t pos, size_t count, uint32_t& value) {
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    int d = GUIDHexDigit(s[pos + i]);
    if (d < 0) return false;
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return true;
}
constexpr bool ParseGUID(std::string_view s, TGUID& g) {
  if (s.size() != 38 || s[0] != '{' || s[9] != '-' || s[14] != '-' || s[19] != '-' || s[24] != '-' || s[37] != '}')
    return false;
  uint32_t v = 0;
  if (!GUIDHex(s, 1, 8, v)) return false;
  g.D1 = v;
  if (!GUIDHex(s, 10, 4, v)) return false;
  g.D2 = static_cast<uint16_t>(v);
  if (!GUIDHex(s, 15, 4, v)) return false;
  g.D3 = static_cast<uint16_t>(v);
  constexpr size_t at[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (size_t i = 0; i < 8; ++i) {
    if (!GUIDHex(s, at[i], 2, v)) return false;
    g.D4[i] = static_cast<uint8_t>(v);
  }
  return true;
}
// Throws EConvertError; reached in a constant expression it stops the build instead.
[[noreturn]] void InvalidGUIDText(std::string_view s);
}  // namespace rtl_detail

// A GUID from its text form, usable for constants:
//   static constexpr TGUID IID_IFoo = MakeGUID("{00000000-0000-0000-C000-000000000046}");
// Bad text fails to compile in a constant expression and throws EConvertError at run time.
constexpr TGUID MakeGUID(std::string_view text) {
  TGUID g;
  if (!rtl_detail::ParseGUID(text, g)) rtl_detail::InvalidGUIDText(text);
  return g;
}

// Upper-case text form with braces.
String GUIDToString(const TGUID& guid);
// Parses the text form (hex digits in either case); EConvertError "'<text>' is not a valid GUID value".
TGUID StringToGUID(const String& s);
bool TryStringToGUID(const String& s, TGUID& guid);
bool IsEqualGUID(const TGUID& a, const TGUID& b);
// A random version-4 GUID; the out form returns 0 (S_OK) as the platform's does.
int32_t CreateGUID(TGUID& guid);
TGUID CreateGUID();
