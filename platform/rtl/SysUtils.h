#pragma once
// The Pascal-style string routines, integer and boolean conversions, UTF-8/UTF-16 conversion, Format and
// the float and currency conversions.
//
// Positions are 1-based as in the original routines (0 means "not found") and count bytes of the UTF-8
// String; the code-point helpers for text a person edits are in rtl/Utf8.h. The plain routines
// (UpperCase, CompareText, SameText, …) treat only ASCII letters; the Ansi* routines map case for Latin,
// Greek, Cyrillic and the other scripts rtl/Utf8.h knows.

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "rtl/Currency.h"
#include "rtl/FormatSettings.h"
#include "rtl/System.h"

// ---------------------------------------------------------------------------------------------------
// Pascal string routines

inline int32_t Length(const String& s) { return static_cast<int32_t>(s.size()); }
inline int32_t Length(const WideString& s) { return static_cast<int32_t>(s.size()); }
inline void SetLength(String& s, int32_t newLength) { s.resize(newLength > 0 ? static_cast<size_t>(newLength) : 0); }
inline void SetLength(WideString& s, int32_t newLength) { s.resize(newLength > 0 ? static_cast<size_t>(newLength) : 0); }

// count characters from index (1-based); an index below 1 reads as 1, the count is clamped to the end.
String Copy(const String& s, int32_t index, int32_t count);
String Copy(const String& s, int32_t index);  // to the end
WideString Copy(const WideString& s, int32_t index, int32_t count);
// 1-based position of the first occurrence, 0 when absent or when substr is empty.
int32_t Pos(const String& substr, const String& s);
int32_t Pos(char c, const String& s);
// As Pos, starting at offset; 0 when offset is below 1 or past the end.
int32_t PosEx(const String& substr, const String& s, int32_t offset = 1);
inline int32_t Pos(const String& substr, const String& s, int32_t offset) { return PosEx(substr, s, offset); }
// Removes count characters at index; nothing when index is outside 1..Length(s) or count <= 0.
void Delete(String& s, int32_t index, int32_t count);
// Inserts source before index; an index below 1 inserts at the start, past the end appends.
void Insert(const String& source, String& s, int32_t index);

String StringOfChar(char c, int32_t count);
String DupeString(const String& s, int32_t count);
String LeftStr(const String& s, int32_t count);
String RightStr(const String& s, int32_t count);
String MidStr(const String& s, int32_t start, int32_t count);
String ReverseString(const String& s);  // by bytes, as the original
inline const String& IfThen(bool value, const String& whenTrue, const String& whenFalse) {
  return value ? whenTrue : whenFalse;
}

// Remove leading/trailing characters <= ' ' (spaces and control characters).
String Trim(const String& s);
String TrimLeft(const String& s);
String TrimRight(const String& s);

// ASCII case only; other bytes are left alone.
char UpCase(char c);
String UpperCase(const String& s);
String LowerCase(const String& s);
// Ordinal comparisons: < 0, 0, > 0. CompareText ignores ASCII case.
int32_t CompareStr(const String& s1, const String& s2);
int32_t CompareText(const String& s1, const String& s2);
bool SameStr(const String& s1, const String& s2);
bool SameText(const String& s1, const String& s2);

// Unicode-aware case mapping and comparison of UTF-8 text.
String AnsiUpperCase(const String& s);
String AnsiLowerCase(const String& s);
// Locale-like order: symbols, then digits, then letters in alphabet order ignoring case; "ё" sorts with
// "е" and only otherwise equal texts differ by it ("елка" < "ёлка"), then by case, lower case first.
// The result is -1, 0 or 1.
int32_t AnsiCompareStr(const String& s1, const String& s2);
// As AnsiCompareStr with case ignored.
int32_t AnsiCompareText(const String& s1, const String& s2);
bool AnsiSameStr(const String& s1, const String& s2);
bool AnsiSameText(const String& s1, const String& s2);
// 1-based byte position (0 when absent), never inside a UTF-8 sequence.
int32_t AnsiPos(const String& substr, const String& s);
bool AnsiStartsStr(const String& subText, const String& text);
bool AnsiEndsStr(const String& subText, const String& text);
bool AnsiContainsStr(const String& text, const String& subText);
bool AnsiStartsText(const String& subText, const String& text);
bool AnsiEndsText(const String& subText, const String& text);
bool AnsiContainsText(const String& text, const String& subText);
// Index of the first element equal to text, -1 when none.
int32_t AnsiIndexStr(const String& text, std::initializer_list<String> values);
int32_t AnsiIndexText(const String& text, std::initializer_list<String> values);
// Case mapping and case-insensitive comparison of UTF-16 text.
WideString WideUpperCase(const WideString& s);
WideString WideLowerCase(const WideString& s);
int32_t WideCompareStr(const WideString& s1, const WideString& s2);
int32_t WideCompareText(const WideString& s1, const WideString& s2);
bool WideSameText(const WideString& s1, const WideString& s2);

// Replace flags; a small bit set with the interface of Set<E> (Contains, Include, Exclude).
enum TReplaceFlag : uint8_t { rfReplaceAll, rfIgnoreCase };
struct TReplaceFlags {
  uint8_t Bits = 0;
  constexpr TReplaceFlags() = default;
  constexpr TReplaceFlags(std::initializer_list<TReplaceFlag> flags) {
    for (TReplaceFlag f : flags) Bits |= static_cast<uint8_t>(1u << f);
  }
  constexpr bool Contains(TReplaceFlag f) const { return (Bits >> f) & 1u; }
  constexpr TReplaceFlags& Include(TReplaceFlag f) {
    Bits |= static_cast<uint8_t>(1u << f);
    return *this;
  }
  constexpr TReplaceFlags& Exclude(TReplaceFlag f) {
    Bits &= static_cast<uint8_t>(~(1u << f));
    return *this;
  }
};
// Replaces the first (or every, with rfReplaceAll) occurrence of oldPattern; rfIgnoreCase matches with the
// Unicode-aware case mapping. An empty pattern leaves s unchanged.
String StringReplace(const String& s, const String& oldPattern, const String& newPattern, TReplaceFlags flags);
String AnsiReplaceStr(const String& text, const String& fromText, const String& toText);
String AnsiReplaceText(const String& text, const String& fromText, const String& toText);

// 'text' with inner quotes doubled.
String QuotedStr(const String& s);
String AnsiQuotedStr(const String& s, char quote);
// Reads a quoted string at src: when src starts with quote, returns the text up to the closing quote with
// doubled quotes undone and moves src past it; otherwise returns "" and leaves src.
String AnsiExtractQuotedStr(const char*& src, char quote);
// The unquoted text of s, or s itself when it is not a quoted string.
String AnsiDequotedStr(const String& s, char quote);

// 1-based index of the last character of s that is one of delimiters (bytes), 0 when none.
int32_t LastDelimiter(const String& delimiters, const String& s);
// Whether the character at 1-based index is one of delimiters.
bool IsDelimiter(const String& delimiters, const String& s, int32_t index);

enum TTextLineBreakStyle : uint8_t { tlbsLF, tlbsCRLF };
// Turns CR, LF and CR LF into the given line break (LF CR counts as two breaks).
String AdjustLineBreaks(const String& s, TTextLineBreakStyle style = tlbsCRLF);
// Whether s is a Pascal identifier (letter or underscore, then letters, digits, underscores).
bool IsValidIdent(const String& s);

// ---------------------------------------------------------------------------------------------------
// UTF-8 <-> UTF-16. Invalid UTF-8 bytes and lone surrogates become U+FFFD.


// ---------------------------------------------------------------------------------------------------
// Integers and booleans

String IntToStr(int32_t value);
String IntToStr(int64_t value);
String IntToStr(long long value);
String IntToStr(uint32_t value);
String IntToStr(uint64_t value);
String UIntToStr(uint32_t value);
String UIntToStr(uint64_t value);
// Upper-case hexadecimal, at least digits wide; negative values print their two's complement of the
// argument's width (8 digits for int32_t, 16 for int64_t).
String IntToHex(int32_t value, int32_t digits);
String IntToHex(uint32_t value, int32_t digits);
String IntToHex(int64_t value, int32_t digits);
String IntToHex(uint64_t value, int32_t digits);

// Decimal with an optional sign, or hexadecimal with "$", "0x" or "x" (after the sign); leading blanks
// are skipped, nothing may follow. Hexadecimal may fill the whole width ("$FFFFFFFF" is -1).
// Errors raise EConvertError "'<s>' is not a valid integer value".
int32_t StrToInt(const String& s);
int32_t StrToIntDef(const String& s, int32_t def);
bool TryStrToInt(const String& s, int32_t& value);
int64_t StrToInt64(const String& s);
int64_t StrToInt64Def(const String& s, int64_t def);
bool TryStrToInt64(const String& s, int64_t& value);

// "-1"/"0", or with useBoolStrs "True"/"False".
String BoolToStr(bool b, bool useBoolStrs = false);
// "True"/"False" (any case) or a number (0 is false, anything else true);
// errors raise EConvertError "'<s>' is not a valid boolean value".
bool StrToBool(const String& s);
bool StrToBoolDef(const String& s, bool def);
bool TryStrToBool(const String& s, bool& value);

// ---------------------------------------------------------------------------------------------------
// Text to floating point and currency

// [blanks] [sign] digits [decimal separator digits] [E|e [sign] digits] [blanks], with the settings'
// decimal separator only (no thousand separators). Errors raise EConvertError
// "'<s>' is not a valid floating point value".
double StrToFloat(const String& s);
double StrToFloat(const String& s, const TFormatSettings& fs);
double StrToFloatDef(const String& s, double def);
double StrToFloatDef(const String& s, double def, const TFormatSettings& fs);
bool TryStrToFloat(const String& s, double& value);
bool TryStrToFloat(const String& s, double& value, const TFormatSettings& fs);
// The conversion beneath them: false when the text does not convert (value is left alone).
bool TextToFloat(const String& text, double& value);
bool TextToFloat(const String& text, double& value, const TFormatSettings& fs);
bool TextToFloat(const String& text, Currency& value);
bool TextToFloat(const String& text, Currency& value, const TFormatSettings& fs);
// The same grammar, exact to the fourth decimal (half to even beyond it).
Currency StrToCurr(const String& s);
Currency StrToCurr(const String& s, const TFormatSettings& fs);
Currency StrToCurrDef(const String& s, Currency def);
Currency StrToCurrDef(const String& s, Currency def, const TFormatSettings& fs);
bool TryStrToCurr(const String& s, Currency& value);
bool TryStrToCurr(const String& s, Currency& value, const TFormatSettings& fs);

// ---------------------------------------------------------------------------------------------------
// Floating point and currency to text
//
// Digits come from the shortest decimal text that reads back as the same double, then are rounded half
// away from zero in decimal, so 1.005 shows as "1.01" with two decimals. Currency values are exact.

enum TFloatFormat : uint8_t { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// A number as decimal digits: value = 0.Digits × 10^Exponent. Digits hold no trailing zeros and are empty
// for zero; Exponent is 0x7FFF for infinities and -0x8000 for NaN.
struct TFloatRec {
  int16_t Exponent = 0;
  bool Negative = false;
  char Digits[21] = {};
};
// At most precision significant digits and at most decimals digits after the decimal point.
void FloatToDecimal(TFloatRec& result, double value, int32_t precision, int32_t decimals);
void FloatToDecimal(TFloatRec& result, Currency value, int32_t precision, int32_t decimals);

// General format with 15 significant digits ("1234,5", "1E20", "1,5E-7" under the Russian settings).
String FloatToStr(double value);
String FloatToStr(double value, const TFormatSettings& fs);
// precision: significant digits (ffGeneral, ffExponent; for the others the limit before falling back to
// the general format); digits: minimum exponent digits (ffGeneral, ffExponent) or decimals (the others).
String FloatToStrF(double value, TFloatFormat format, int32_t precision, int32_t digits);
String FloatToStrF(double value, TFloatFormat format, int32_t precision, int32_t digits, const TFormatSettings& fs);
// The mask language: 0 # . , E+ E- e+ e-, '…' and "…" literal text, up to three sections
// "positive;negative;zero". An empty mask gives FloatToStr.
String FormatFloat(const String& format, double value);
String FormatFloat(const String& format, double value, const TFormatSettings& fs);
String FormatCurr(const String& format, Currency value);
String FormatCurr(const String& format, Currency value, const TFormatSettings& fs);
String CurrToStr(Currency value);
String CurrToStr(Currency value, const TFormatSettings& fs);
String CurrToStrF(Currency value, TFloatFormat format, int32_t digits);
String CurrToStrF(Currency value, TFloatFormat format, int32_t digits, const TFormatSettings& fs);

// ---------------------------------------------------------------------------------------------------
// Format

// One argument of Format, made implicitly from the value: Format("%s: %d", {name, 5}). Strings are held
// by reference, so a FormatArg must not outlive the call it is written in.
struct FormatArg {
  enum Kind : uint8_t { akInt32, akInt64, akUInt64, akDouble, akCurrency, akString, akWideString, akChar, akPointer, akBool };
  Kind kind;
  union {
    int64_t i;
    uint64_t u;
    double d;
    const void* p;
    const WideString* w;
    char c;
    bool b;
  };
  std::string_view s;

  FormatArg(int v) : kind(akInt32), i(v) {}
  FormatArg(unsigned v) : kind(akInt64), i(v) {}
  FormatArg(long v) : kind(akInt64), i(v) {}
  FormatArg(long long v) : kind(akInt64), i(v) {}
  FormatArg(unsigned long v) : kind(akUInt64), u(v) {}
  FormatArg(unsigned long long v) : kind(akUInt64), u(v) {}
  FormatArg(double v) : kind(akDouble), d(v) {}
  FormatArg(long double v) : kind(akDouble), d(static_cast<double>(v)) {}
  FormatArg(Currency v) : kind(akCurrency), i(v.Value) {}
  FormatArg(const char* v) : kind(akString), p(nullptr), s(v ? v : "") {}
  FormatArg(const String& v) : kind(akString), p(nullptr), s(v) {}
  FormatArg(std::string_view v) : kind(akString), p(nullptr), s(v) {}
  FormatArg(const WideString& v) : kind(akWideString), w(&v) {}
  FormatArg(char v) : kind(akChar), c(v) {}
  FormatArg(bool v) : kind(akBool), b(v) {}
  FormatArg(const void* v) : kind(akPointer), p(v) {}
  FormatArg(std::nullptr_t) : kind(akPointer), p(nullptr) {}
};

// "%" [index ":"] ["-"] [width] ["." precision] type, where index, width and precision may be "*" (taken
// from the next argument) and type is one of d u x e f g n m p s (either case) or "%%". %d and %x accept
// integers, e f g n m floating point and Currency, s strings and characters, p pointers; a bool prints as
// "True"/"False" with %s and as 1/0 with %d. Width and the precision of %s count code points.
// A malformed conversion or a wrong argument type raises EConvertError
// "Format '<format>' invalid or incompatible with argument"; a missing argument raises EConvertError
// "No argument for format '<format>'"; both quote at most the first 31 bytes of the format.
String Format(const String& format, std::initializer_list<FormatArg> args);
String Format(const String& format, std::initializer_list<FormatArg> args, const TFormatSettings& fs);
String Format(const String& format, const FormatArg* args, size_t count, const TFormatSettings& fs);
