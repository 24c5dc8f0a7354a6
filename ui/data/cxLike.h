#pragma once
// The LIKE matcher of filter conditions. Text and pattern are UTF-8 and are compared character by
// character (code points), case-sensitively: case folding, when wanted, is done on both sides before.

#include <vector>

#include "rtl/System.h"

// AMultiple matches any run of characters (none included), ASingle exactly one character; AEscape (0:
// none) makes the pattern character after it literal. Runs in O(text * pattern) at worst.
bool LikeMatch(const String& AText, const String& APattern, char32_t AMultiple, char32_t ASingle,
               char32_t AEscape);
bool MatchLikePattern(const String& AText, const String& APattern, char32_t AMultiple, char32_t ASingle);

// A pattern read once and matched against many texts (a filter tests every record with one pattern).
class TcxLikePattern {
public:
  void Compile(const String& APattern, char32_t AMultiple, char32_t ASingle, char32_t AEscape);
  bool Matches(const String& AText) const;
  // Whether the last Compile was given these arguments.
  bool IsCompiled(const String& APattern, char32_t AMultiple, char32_t ASingle) const {
    return FCompiled && FSource == APattern && FMultiple == AMultiple && FSingle == ASingle;
  }

private:
  enum class TokenKind : uint8_t { Literal, One, Many };
  struct Token {
    TokenKind Kind;
    char32_t Char;
  };
  // A well-formed pattern matches by runs of literal bytes; a malformed one character by character.
  struct Segment {
    TokenKind Kind;
    String Bytes;
    size_t Anchor = 0;  // the byte a search looks for first: one that continues a character when any does
  };
  bool MatchesByCharacter(const String& AText) const;
  std::vector<Token> FTokens;
  std::vector<Segment> FSegments;
  bool FBySegments = false;
  String FSource;
  char32_t FMultiple = 0, FSingle = 0;
  bool FCompiled = false;
};
