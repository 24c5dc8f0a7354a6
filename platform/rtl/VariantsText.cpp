// The text conversions behind the variant rules: the runtime's number, date and UTF-16 routines with the
// process-wide regional settings.

#include "rtl/DateTime.h"
#include "rtl/SysUtils.h"
#include "rtl/VariantsImpl.h"

namespace rtl_variant {

String FloatText(double v) { return FloatToStr(v); }
// A Single shows the digits it holds, not those of its widened double (0.1f is "0,1").
String SingleText(float v) { return FloatToStrF(v, ffGeneral, 7, 0); }
bool TextToFloat(const String& s, double& v) { return TryStrToFloat(s, v); }
bool TextToInt64(const String& s, int64_t& v) { return TryStrToInt64(s, v); }
String DateText(TDateTime dt) { return DateTimeToStr(dt); }
bool TextToDate(const String& s, TDateTime& dt) { return TryStrToDateTime(s, dt); }
WideString ToWide(const String& s) { return UTF8ToWide(s); }
String FromWide(const WideString& s) { return WideToUTF8(s); }

}  // namespace rtl_variant
