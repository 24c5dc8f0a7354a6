#pragma once
// Code-point helpers for UTF-8 text: what caret movement, selection, length limits and case mapping need.
//
// Byte offsets and code-point indexes here are 0-based (caret positions); the Pascal-style routines of
// SysUtils.h stay 1-based. A byte that does not start a well-formed sequence (stray continuation byte,
// truncated or overlong sequence, surrogate) counts as one unit of its own and reads as U+FFFD, so no
// helper ever splits a well-formed sequence and every byte belongs to exactly one unit.

#include <cstddef>
#include <cstdint>
#include <string>

#include "rtl/System.h"

// Length in bytes of the unit starting at pos (1 for an invalid byte, 0 at or past the end).
size_t Utf8UnitLength(const String& s, size_t pos);
// The code point of the unit at pos (U+FFFD for an invalid byte, 0 past the end); len receives the unit length.
char32_t Utf8CodePointAt(const String& s, size_t pos, size_t* len = nullptr);
// The boundary after the unit at pos (s.size() at the end).
size_t Utf8NextBoundary(const String& s, size_t pos);
// The boundary before pos (0 at the start). From inside a sequence it returns the sequence's start.
size_t Utf8PrevBoundary(const String& s, size_t pos);
// pos itself when it is a boundary, otherwise the start of the unit that contains it.
size_t Utf8AlignBoundary(const String& s, size_t pos);
bool Utf8IsBoundary(const String& s, size_t pos);

// Number of code points (units) in s.
int32_t Utf8Length(const String& s);
// Byte offset of the code point with the given 0-based index; s.size() when the index is past the end.
size_t Utf8ByteOffset(const String& s, int32_t cpIndex);
// 0-based code-point index of the unit that contains the byte offset (the count of units before it).
int32_t Utf8CodePointIndex(const String& s, size_t byteOffset);
// Copy by code points with Pascal meaning: 1-based index, clamped like Copy.
String Utf8Copy(const String& s, int32_t index, int32_t count);

bool Utf8IsValid(const String& s);
// The one UTF-8 encoder: a surrogate or a value past U+10FFFF is written as U+FFFD.
void Utf8Append(String& s, char32_t cp);
String Utf8FromCodePoint(char32_t cp);
// The text as one code point per unit (an invalid byte reads as U+FFFD), and back: what engines that index
// characters at random (masks, regular expressions) work on.
std::u32string Utf8ToCodePoints(const String& s);
String Utf8FromCodePoints(const std::u32string& cps);

// UTF-8 <-> UTF-16. A byte that does not start a well-formed sequence reads as U+FFFD; so does a
// surrogate without its partner.
WideString Utf8ToUtf16(const String& s);
String Utf16ToUtf8(const WideString& s);

// Simple (one-to-one) case mapping: Latin (incl. Latin-1 Supplement, Extended-A/B and Additional),
// Greek, Cyrillic, Armenian, Georgian capitals and fullwidth Latin. Independent of the C locale.
char32_t UnicodeToUpper(char32_t cp);
char32_t UnicodeToLower(char32_t cp);
bool UnicodeIsUpper(char32_t cp);
bool UnicodeIsLower(char32_t cp);
// Letters and digits for word-wise caret movement and identifiers typed by a person.
bool UnicodeIsLetter(char32_t cp);
bool UnicodeIsDigit(char32_t cp);
bool UnicodeIsLetterOrDigit(char32_t cp);
bool UnicodeIsSpace(char32_t cp);

// Whole-string case mapping of UTF-8 text (invalid bytes are kept as they are).
String Utf8UpperCase(const String& s);
String Utf8LowerCase(const String& s);
