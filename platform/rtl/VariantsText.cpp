// The text conversions behind the variant rules: the runtime's number, date and UTF-16 routines with the
// process-wide regional settings.

#include "rtl/DateTime.h"
#include "rtl/SysUtils.h"
#include "rtl/VariantsImpl.h"

namespace rtl_variant {

String VariantFloatText(double v) { return FloatToStr(v); }
// A Single shows the digits it holds, not those of its widened double (0.1f is "0,1").
String VariantSingleText(float v) { return FloatToStrF(v, ffGeneral, 7, 0); }
bool VariantTextToFloat(const String& s, double& v) { return TryStrToFloat(s, v); }
bool VariantTextToInt64(const String& s, int64_t& v) { return TryStrToInt64(s, v); }
String VariantDateText(TDateTime dt) { return DateTimeToStr(dt); }
bool VariantTextToDate(const String& s, TDateTime& dt) { return TryStrToDateTime(s, dt); }

}  // namespace rtl_variant
