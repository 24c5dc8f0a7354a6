#pragma once
// Connect (DPB) and transaction (TPB) parameter blocks built from name=value lines such as
// user_name=SYSDBA or lock_write=ORDERS. Names are the client API's isc_dpb_/isc_tpb_ code names, with or
// without that prefix, in any letter case.

#include <cstdint>

#include "rtl/System.h"

class TStrings;

// Both trim every line in place (blanks and control characters at both ends). Unknown names raise
// client error 9 (DPB) or 11 (TPB), names the blocks do not carry client error 8 or 10, a value longer
// than the one-byte length allows an EFIBClientError; the block is then incomplete.
void BuildDPB(TStrings* lines, String& block, int16_t& length);
void BuildTPB(TStrings* lines, String& block, int16_t& length);

// The code of a name (lower case, without prefix); 0 when it is not in the table.
int32_t DPBCodeOfName(const String& name);
int32_t TPBCodeOfName(const String& name);
// The name of a code (1..67, 1..20); empty outside.
String DPBNameOfCode(int32_t code);
String TPBNameOfCode(int32_t code);
