// The text forms of stored layout values: binary streams as "Hex:" text, flags as TRUE/FALSE.

#include "ui/grid/cxGridCommon.h"

#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

constexpr const char* kHexPrefix = "Hex:";
constexpr size_t kHexPrefixLength = 4;
constexpr const char* kHexDigits = "0123456789ABCDEF";

}  // namespace

String BytesToHex(const std::vector<uint8_t>& ABytes) {
  String result;
  result.reserve(ABytes.size() * 2);
  for (uint8_t b : ABytes) {
    result += kHexDigits[b >> 4];
    result += kHexDigits[b & 0x0F];
  }
  return result;
}

uint8_t HexDigitValue(char ACh) {
  if (ACh >= '0' && ACh <= '9') return static_cast<uint8_t>(ACh - '0');
  if (ACh >= 'A' && ACh <= 'F') return static_cast<uint8_t>(ACh - 'A' + 10);
  if (ACh >= 'a' && ACh <= 'f') return static_cast<uint8_t>(ACh - 'a' + 10);
  throw EcxHexStringConvertError();
}

std::vector<uint8_t> HexToBytes(const String& AText) {
  // A lost last digit would silently drop half a byte of a stored filter; such a text is damaged.
  if (AText.size() % 2 != 0)
    throw EcxHexStringConvertError("Нечётное число шестнадцатеричных цифр: " + IntToStr(static_cast<int64_t>(AText.size())));
  std::vector<uint8_t> result;
  result.reserve(AText.size() / 2);
  for (size_t i = 0; i < AText.size(); i += 2)
    result.push_back(static_cast<uint8_t>((HexDigitValue(AText[i]) << 4) | HexDigitValue(AText[i + 1])));
  return result;
}

String StreamToHexString(TStream* AStream) {
  if (!AStream || AStream->Size() == 0) return String();
  std::vector<uint8_t> bytes(static_cast<size_t>(AStream->Size()));
  AStream->SetPosition(0);
  AStream->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return kHexPrefix + BytesToHex(bytes);
}

void HexStringToStream(const String& AText, TStream* AStream) {
  if (!AStream || AText.empty()) return;
  // Only texts that StreamToHexString could have made are read; anything else is refused whole rather than
  // cut into a stream that a later reader would misread.
  if (AText.compare(0, kHexPrefixLength, kHexPrefix) != 0)
    throw EcxHexStringConvertError("Шестнадцатеричный текст должен начинаться с \"Hex:\"");
  const std::vector<uint8_t> bytes = HexToBytes(AText.substr(kHexPrefixLength));
  if (!bytes.empty()) AStream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

bool StrToBoolean(const String& AText) {
  const String s = UpperCase(AText);
  if (s == "TRUE") return true;
  if (s == "FALSE") return false;
  throw EPropertyConvertError();
}
