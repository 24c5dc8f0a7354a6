#include "ui/data/cxLike.h"

#include <vector>

#include "rtl/Utf8.h"

namespace {

// A malformed byte stays distinct from every other byte and from U+FFFD itself.
std::vector<char32_t> CodePoints(const String& s) {
  std::vector<char32_t> result;
  result.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) {
    size_t len = 0;
    char32_t cp = Utf8CodePointAt(s, pos, &len);
    if (len == 0) len = 1;
    if (cp == 0xFFFD && !(len == 3 && s.compare(pos, 3, "\xEF\xBF\xBD") == 0))
      cp = 0x110000 + static_cast<unsigned char>(s[pos]);
    result.push_back(cp);
    pos += len;
  }
  return result;
}

enum class TokenKind { Literal, One, Many };
struct Token {
  TokenKind Kind;
  char32_t Char;
};

}  // namespace

bool LikeMatch(const String& AText, const String& APattern, char32_t AMultiple, char32_t ASingle,
               char32_t AEscape) {
  const std::vector<char32_t> text = CodePoints(AText);
  const std::vector<char32_t> raw = CodePoints(APattern);
  std::vector<Token> pattern;
  pattern.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (AEscape != 0 && raw[i] == AEscape && i + 1 < raw.size()) {
      pattern.push_back({TokenKind::Literal, raw[++i]});
    } else if (raw[i] == AMultiple) {
      // A run of wildcards means what one does.
      if (pattern.empty() || pattern.back().Kind != TokenKind::Many) pattern.push_back({TokenKind::Many, 0});
    } else if (raw[i] == ASingle) {
      pattern.push_back({TokenKind::One, 0});
    } else {
      pattern.push_back({TokenKind::Literal, raw[i]});
    }
  }
  // Greedy walk that backs up to the last multiple wildcard seen: every wildcard matches zero or more
  // characters wherever it stands, and the time stays bounded whatever the pattern.
  size_t t = 0, p = 0;
  size_t starP = SIZE_MAX, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p].Kind == TokenKind::Many) {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() &&
               (pattern[p].Kind == TokenKind::One || pattern[p].Char == text[t])) {
      ++p;
      ++t;
    } else if (starP != SIZE_MAX) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p].Kind == TokenKind::Many) ++p;
  return p == pattern.size();
}

bool MatchLikePattern(const String& AText, const String& APattern, char32_t AMultiple, char32_t ASingle) {
  return LikeMatch(AText, APattern, AMultiple, ASingle, 0);
}
