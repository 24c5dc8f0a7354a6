#pragma once
// The SQL time stamp record and its variant kind.

#include <cstdint>

#include "rtl/System.h"
#include "rtl/Variants.h"

struct TSQLTimeStamp {
  int16_t Year = 0;
  uint16_t Month = 0;
  uint16_t Day = 0;
  uint16_t Hour = 0;
  uint16_t Minute = 0;
  uint16_t Second = 0;
  uint32_t Fractions = 0;  // milliseconds
  friend bool operator==(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
};

// Throws EConvertError "Invalid argument to date encode" / "... time encode" for fields out of range.
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts);
TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime dt);

// The SQL time stamp variant kind: reads as its date-time in every conversion.
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ts);
Variant VarSQLTimeStampCreate(TDateTime dt);
bool VarIsSQLTimeStamp(const Variant& v);
TSQLTimeStamp VarToSQLTimeStamp(const Variant& v);
