#include "rtl/GUID.h"

#include <cstdio>
#include <random>

void rtl_detail::InvalidGUIDText(std::string_view s) {
  throw EConvertError("'" + String(s) + "' is not a valid GUID value");
}

String GUIDToString(const TGUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.D1),
                static_cast<unsigned>(g.D2), static_cast<unsigned>(g.D3), g.D4[0], g.D4[1], g.D4[2], g.D4[3], g.D4[4],
                g.D4[5], g.D4[6], g.D4[7]);
  return String(buf, 38);
}

bool TryStringToGUID(const String& s, TGUID& guid) {
  TGUID g;
  if (!rtl_detail::ParseGUID(s, g)) return false;
  guid = g;
  return true;
}

TGUID StringToGUID(const String& s) { return MakeGUID(s); }

bool IsEqualGUID(const TGUID& a, const TGUID& b) { return a == b; }

int32_t CreateGUID(TGUID& guid) {
  // The system's entropy source directly: identifiers from separate processes must not collide, which
  // a generator seeded per process cannot promise as well.
  static thread_local std::random_device rd;
  uint32_t w[4];
  for (uint32_t& x : w) x = rd();
  guid.D1 = w[0];
  guid.D2 = static_cast<uint16_t>(w[1] >> 16);
  guid.D3 = static_cast<uint16_t>((w[1] & 0x0FFFu) | 0x4000u);  // version 4
  for (int i = 0; i < 4; ++i) {
    guid.D4[i] = static_cast<uint8_t>(w[2] >> (8 * i));
    guid.D4[4 + i] = static_cast<uint8_t>(w[3] >> (8 * i));
  }
  guid.D4[0] = static_cast<uint8_t>((guid.D4[0] & 0x3Fu) | 0x80u);  // RFC 4122 variant
  return 0;
}

TGUID CreateGUID() {
  TGUID g;
  CreateGUID(g);
  return g;
}
