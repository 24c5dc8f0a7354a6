#include "dbaccess/FIBMiscellaneous.h"

#include <cfenv>
#include <cmath>
#include <mutex>
#include <random>
#include <vector>

#include "rtl/Components.h"
#include "rtl/Streams.h"
#include "rtl/Variants.h"
#include "rtl/SysUtils.h"

const double E10[37] = {1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6,
                        1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,  1e5,  1e6,  1e7,
                        1e8,   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15,  1e16,  1e17,  1e18};
const uint8_t BitMasks[8] = {1, 2, 4, 8, 16, 32, 64, 128};

bool IsDefaultValueMacro(const String& text) {
  static const char* const words[] = {"CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_DATE", "NULL",
                                      "NOW",          "TODAY",             "TOMORROW",     "YESTERDAY"};
  for (const char* w : words)
    if (text == w) return true;
  return false;
}

TTimeStamp MakeTimeStamp(int32_t dayNumber, int32_t milliseconds) {
  TTimeStamp ts;
  ts.Date = dayNumber;
  ts.Time = milliseconds;
  return ts;
}

TDateTime SafeTimeStampToDateTime(const TTimeStamp& timeStamp) {
  if (timeStamp.Date != 0) return TimeStampToDateTime(timeStamp);
  return TimeStampToDateTime(MakeTimeStamp(1, timeStamp.Time)) - 1;
}

TDateTime DayNumberToDateTime(int32_t dayNumber) { return SafeTimeStampToDateTime(MakeTimeStamp(dayNumber, 0)); }

long double RoundToDecimals(int32_t decimals, long double value) {
  long double intPart;
  long double frac = std::modf(value, &intPart);
  long double scale = E10[decimals + 18];
  return intPart + std::nearbyint(frac * scale) / scale;
}

int32_t IntegerDigitCount(long double value) {
  long double v = std::trunc(std::fabs(value));
  if (v < 1) return 0;
  // The smallest k with 10^k above v, by bisection over 10^0 .. 10^18.
  int32_t lo = 0, hi = 18;
  if (v >= E10[36]) return 19;
  while (lo < hi) {
    int32_t mid = (lo + hi) / 2;
    if (static_cast<long double>(E10[mid + 18]) > v)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

namespace {
std::mutex gRandomLock;
std::mt19937& Generator() {
  static std::mt19937 gen(std::random_device{}());
  return gen;
}
}  // namespace

int32_t RandomRange(int32_t low, int32_t high) {
  int64_t span = static_cast<int64_t>(high) - low;
  if (span <= 0) return low;
  std::lock_guard<std::mutex> lock(gRandomLock);
  std::uniform_int_distribution<int64_t> dist(0, span - 1);
  return static_cast<int32_t>(low + dist(Generator()));
}

String RandomDigits(int32_t count) {
  String s;
  while (static_cast<int32_t>(s.size()) < count) s += IntToStr(RandomRange(0, 2147483647));
  s.resize(count < 0 ? 0 : count);
  return s;
}

void SetFPUExtendedPrecision() {}

String FullComponentName(const TComponent* component) {
  String result;
  for (const TComponent* c = component; c; c = c->Owner()) {
    if (c->Name().empty()) continue;
    result = result.empty() ? c->Name() : c->Name() + "." + result;
  }
  return result;
}

bool OwnerChainLoading(const TComponent* component) {
  for (const TComponent* c = component; c; c = c->Owner())
    if (c->ComponentState().Contains(csLoading)) return true;
  return false;
}

namespace {
// Element sizes of the array types the data block holds inline; 0 for the others.
size_t VarElementSize(TVarType t) {
  switch (t) {
    case varShortInt:
    case varByte:
      return 1;
    case varSmallint:
    case varWord:
    case varBoolean:
      return 2;
    case varInteger:
    case varLongWord:
    case varSingle:
      return 4;
    case varDouble:
    case varCurrency:
    case varDate:
    case varInt64:
      return 8;
    default:
      return 0;
  }
}

void AppendElement(String& out, const Variant& e, TVarType t) {
  auto put = [&out](const auto& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof(value));
  };
  switch (t) {
    case varShortInt: put(static_cast<int8_t>(e.AsInteger())); break;
    case varByte: put(static_cast<uint8_t>(e.AsInteger())); break;
    case varSmallint: put(static_cast<int16_t>(e.AsInteger())); break;
    case varWord: put(static_cast<uint16_t>(e.AsInteger())); break;
    case varBoolean: put(static_cast<int16_t>(e.AsBoolean() ? -1 : 0)); break;  // the platform's WordBool
    case varInteger: put(e.AsInteger()); break;
    case varLongWord: put(static_cast<uint32_t>(e.AsInt64())); break;
    case varSingle: put(static_cast<float>(e.AsDouble())); break;
    case varDouble: put(e.AsDouble()); break;
    case varCurrency: put(e.AsCurrency().Value); break;
    case varDate: put(e.AsDateTime()); break;
    case varInt64: put(e.AsInt64()); break;
    default: break;
  }
}
}  // namespace

int64_t VariantArrayToStream(const Variant& v, TMemoryStream* stream) {
  if (!stream || !VarIsArray(v)) return 0;
  int32_t lo = VarArrayLowBound(v, 1), hi = VarArrayHighBound(v, 1);
  if (hi < lo) return 0;
  TVarType t = VarArrayElementType(v);
  if (VarElementSize(t) == 0) return 0;
  // The first elements of the data block: the first dimension runs fastest.
  std::vector<int32_t> index(static_cast<size_t>(VarArrayDimCount(v)));
  for (size_t d = 0; d < index.size(); ++d) index[d] = VarArrayLowBound(v, static_cast<int32_t>(d + 1));
  String bytes;
  for (int32_t i = lo; i <= hi; ++i) {
    index[0] = i;
    AppendElement(bytes, VarArrayGet(v, index), t);
  }
  stream->SetSize(static_cast<int64_t>(bytes.size()));
  stream->SetPosition(0);
  stream->Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  return stream->Size();
}
