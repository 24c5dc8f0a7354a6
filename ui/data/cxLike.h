#pragma once
// The LIKE matcher of filter conditions. Text and pattern are UTF-8 and are compared character by
// character (code points), case-sensitively: case folding, when wanted, is done on both sides before.

#include "rtl/System.h"

// AMultiple matches any run of characters (none included), ASingle exactly one character; AEscape (0:
// none) makes the pattern character after it literal. Runs in O(text * pattern) at worst.
bool LikeMatch(const String& AText, const String& APattern, char32_t AMultiple, char32_t ASingle,
               char32_t AEscape);
bool MatchLikePattern(const String& AText, const String& APattern, char32_t AMultiple, char32_t ASingle);
