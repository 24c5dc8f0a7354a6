#pragma once
// String routines the database library leans on: trimming, cutting, searching, ASCII case folding,
// words, name=value lines, wildcard and LIKE matching, SQL identifier quoting with the library's
// reserved words, and date literals rewritten into the user's locale.
//
// Positions count bytes from 1; 0 means not found. A blank is any byte with a code of 32 or below.

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "rtl/DateTime.h"
#include "rtl/System.h"

class TStrings;

// A set of 8-bit characters.
struct TCharSet {
  uint64_t Bits[4] = {0, 0, 0, 0};
  constexpr TCharSet() = default;
  constexpr explicit TCharSet(std::string_view chars) {
    for (char c : chars) Include(c);
  }
  constexpr TCharSet& Include(char c) {
    const auto b = static_cast<unsigned char>(c);
    Bits[b >> 6] |= uint64_t{1} << (b & 63);
    return *this;
  }
  constexpr bool Contains(char c) const {
    const auto b = static_cast<unsigned char>(c);
    return (Bits[b >> 6] >> (b & 63)) & 1u;
  }
};

inline bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= 32; }

int32_t PCharLength(const char* s);
bool IsBlankStr(const String& s);
bool StringsAreBlank(TStrings* lines);
String TrimStr(const String& s);
void TrimStrInPlace(String& s);
void TrimRightInPlace(String& s);
String CopyStr(const String& s, int32_t index, int32_t count);
void CopyStrInto(const String& s, String& target, int32_t index, int32_t count);
String ReplicateChar(char ch, int32_t count);
String AsciiUpperCase(const String& s);
// `to` 0 or beyond the end stands for the end.
void AsciiUpperCaseRange(String& s, int32_t from, int32_t to);
void AsciiLowerCaseInPlace(String& s);
// Without `exact`, ASCII letters compare without regard to case and every other byte exactly.
bool StrEquals(const String& a, const String& b, bool exact);
// Lengths first, then the locale's case-insensitive comparison (flag set) or byte equality.
bool EqualStrings(bool caseInsensitive, const String& a, const String& b);
bool IsStrInArray(const String& s, std::initializer_list<String> items);
bool StrStartsWith(const String& prefix, const String& s);
inline const String& ChooseStr(bool flag, const String& a, const String& b) { return flag ? a : b; }
int32_t CharPos(char ch, const String& s);
int32_t CharPosFrom(char ch, const String& s, int32_t from);
int32_t FirstPosOfChars(const TCharSet& chars, const String& s);
int32_t PosText(const String& sub, const String& s);
int32_t PosFrom(const String& sub, const String& s, int32_t from);
int32_t PosInRange(const String& sub, const String& s, int32_t from, int32_t to);
int32_t PosWordBounded(const String& sub, const String& s, const TCharSet& before, const TCharSet& after);
int32_t PosWordText(const String& sub, const String& s, const TCharSet& before, bool locale, const TCharSet& after);
String ReplaceAllStr(const String& s, const String& oldText, const String& newText);
String ReplaceAllText(const String& s, const String& oldText, const String& newText, bool locale);
int32_t CountWords(const String& s, const TCharSet& delimiters);
String ExtractWordByIndex(int32_t n, const String& s, const TCharSet& delimiters);
String ValuePart(const String& line);
void SplitNameValue(const String& line, String& name, String& value);
String RemoveOuterQuotes(const String& s);
void DeleteEmptyLines(TStrings* lines);
void ListDifference(TStrings* a, TStrings* b, TStrings* target);
bool HasOldPrefix(const String& name);
bool HasNewPrefix(const String& name);
bool HasMasterPrefix(const String& name);

// True when the name must stand between double quotes in SQL.
bool NeedsQuoting(const String& name, bool lowerCaseAllowed);
// A name between double quotes, a double quote inside it doubled: Tab "q" reads "Tab ""q""".
String QuoteIdentifier(const String& name);
// The name a quoted identifier stands for (outer quotes gone, doubled quotes single); any other text
// as it is.
String UnquoteIdentifier(const String& identifier);
String FormatIdentifier(int32_t dialect, const String& name, bool lowerCaseAllowed);
String QuoteIdentifierIfNeeded(int32_t dialect, const String& name);
// The library's reserved words, sorted ignoring ASCII case.
int32_t ReservedWordCount();
const String& ReservedWord(int32_t index);
bool IsReservedWord(const String& word);

bool WildcardMatch(const String& a, const String& b);
int32_t IndexOfWildcard(TStrings* lines, const String& value, bool caseSensitive);
bool MaskMatch(const String& s, const String& mask, char anyChars, char oneChar);
bool SQLLikeMatch(const String& value, const String& pattern);
String CollapseWildcards(const String& s);

// Parses with a private copy of the user's settings whose short date format is replaced, so that other
// threads formatting dates meanwhile are not disturbed.
TDateTime StrToDateTimeFmt(const String& text, const String& shortDateFormat);
// kind: 0 date and time, 1 date, 2 time.
String LocalizeDateTimeText(const String& text, int32_t kind);
String MonthNamesToNumbers(const String& s);
