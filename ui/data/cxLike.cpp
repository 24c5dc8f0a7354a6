#include "ui/data/cxLike.h"

#include <cstdint>
#include <cstring>

#include <vector>

#include "rtl/Utf8.h"

namespace {

// The character at a byte position and its length. A malformed byte stays distinct from every other
// byte and from U+FFFD itself.
inline char32_t LikeCodePointAt(const String& s, size_t pos, size_t& len) {
  const unsigned char c = static_cast<unsigned char>(s[pos]);
  if (c < 0x80) {
    len = 1;
    return c;
  }
  char32_t cp = Utf8CodePointAt(s, pos, &len);
  if (len == 0) len = 1;
  if (cp == 0xFFFD && !(len == 3 && s.compare(pos, 3, "\xEF\xBF\xBD") == 0)) cp = 0x110000 + c;
  return cp;
}

}  // namespace

void TcxLikePattern::Compile(const String& APattern, char32_t AMultiple, char32_t ASingle, char32_t AEscape) {
  FTokens.clear();
  std::vector<char32_t> raw;
  raw.reserve(APattern.size());
  for (size_t pos = 0, len = 0; pos < APattern.size(); pos += len) raw.push_back(LikeCodePointAt(APattern, pos, len));
  for (size_t i = 0; i < raw.size(); ++i) {
    if (AEscape != 0 && raw[i] == AEscape && i + 1 < raw.size()) {
      FTokens.push_back({TokenKind::Literal, raw[++i]});
    } else if (raw[i] == AMultiple) {
      // A run of wildcards means what one does.
      if (FTokens.empty() || FTokens.back().Kind != TokenKind::Many) FTokens.push_back({TokenKind::Many, 0});
    } else if (raw[i] == ASingle) {
      FTokens.push_back({TokenKind::One, 0});
    } else {
      FTokens.push_back({TokenKind::Literal, raw[i]});
    }
  }
  // Literal runs as bytes: a well-formed literal equals the text's bytes exactly where the text's
  // characters equal it, and its first byte never continues another character, so a byte search finds
  // only whole-character matches.
  FSegments.clear();
  FBySegments = Utf8IsValid(APattern) && AMultiple < 0x110000 && ASingle < 0x110000;
  if (FBySegments)
    for (const Token& token : FTokens) {
      if (token.Kind == TokenKind::Literal) {
        if (FSegments.empty() || FSegments.back().Kind != TokenKind::Literal) FSegments.push_back({TokenKind::Literal, String()});
        Utf8Append(FSegments.back().Bytes, token.Char);
      } else {
        FSegments.push_back({token.Kind, String()});
      }
    }
  // Lead bytes of Cyrillic text repeat every other byte; the bytes that end a character tell more.
  for (Segment& segment : FSegments) {
    segment.Anchor = 0;
    for (size_t i = 0; i < segment.Bytes.size(); ++i)
      if ((static_cast<unsigned char>(segment.Bytes[i]) & 0xC0) == 0x80) {
        segment.Anchor = i;
        break;
      }
  }
  FSource = APattern;
  FMultiple = AMultiple;
  FSingle = ASingle;
  FCompiled = AEscape == 0;  // only the escape-free form is cached by callers
}

bool TcxLikePattern::Matches(const String& AText) const {
  if (!FBySegments) return MatchesByCharacter(AText);
  const size_t n = AText.size(), count = FSegments.size();
  size_t t = 0, p = 0;
  size_t starP = SIZE_MAX, starT = 0;
  size_t len;
  auto unit = [&](size_t at) {
    LikeCodePointAt(AText, at, len);
    return len;
  };
  // After a multiple wildcard the next literal is searched for instead of tried at each position.
  auto seek = [&]() {
    if (p >= count || FSegments[p].Kind != TokenKind::Literal) return true;
    const Segment& s = FSegments[p];
    const char* base = AText.data();
    const size_t size = s.Bytes.size(), k = s.Anchor;
    const char anchor = s.Bytes[k];
    for (size_t from = t + k; from < n;) {
      const void* hit = std::memchr(base + from, anchor, n - from);
      if (!hit) return false;
      const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - base) - k;
      if (at + size <= n && std::memcmp(base + at, s.Bytes.data(), size) == 0) {
        t = starT = at;
        return true;
      }
      from = at + k + 1;
    }
    return false;
  };
  for (;;) {
    if (p < count) {
      const Segment& s = FSegments[p];
      if (s.Kind == TokenKind::Many) {
        starP = p++;
        starT = t;
        if (!seek()) return false;
        continue;
      }
      if (t < n) {
        if (s.Kind == TokenKind::One) {
          t += unit(t);
          ++p;
          continue;
        }
        if (AText.compare(t, s.Bytes.size(), s.Bytes) == 0) {
          t += s.Bytes.size();
          ++p;
          continue;
        }
      } else {
        size_t rest = p;
        while (rest < count && FSegments[rest].Kind == TokenKind::Many) ++rest;
        if (rest == count) return true;
      }
    } else if (t == n) {
      return true;
    }
    // A mismatch: the last multiple wildcard takes one more character.
    if (starP == SIZE_MAX || starT >= n) return false;
    starT += unit(starT);
    t = starT;
    p = starP + 1;
    if (!seek()) return false;
  }
}

bool TcxLikePattern::MatchesByCharacter(const String& AText) const {
  // Greedy walk over the text's bytes that backs up to the last multiple wildcard seen: every wildcard
  // matches zero or more characters wherever it stands, and the time stays bounded whatever the pattern.
  const size_t n = AText.size();
  size_t t = 0, p = 0;
  size_t starP = SIZE_MAX, starT = 0;
  while (t < n) {
    size_t len;
    if (p < FTokens.size() && FTokens[p].Kind == TokenKind::Many) {
      starP = p++;
      starT = t;
      continue;
    }
    const char32_t c = LikeCodePointAt(AText, t, len);
    if (p < FTokens.size() && (FTokens[p].Kind == TokenKind::One || FTokens[p].Char == c)) {
      ++p;
      t += len;
    } else if (starP != SIZE_MAX) {
      p = starP + 1;
      LikeCodePointAt(AText, starT, len);
      starT += len;
      t = starT;
    } else {
      return false;
    }
  }
  while (p < FTokens.size() && FTokens[p].Kind == TokenKind::Many) ++p;
  return p == FTokens.size();
}

bool LikeMatch(const String& AText, const String& APattern, char32_t AMultiple, char32_t ASingle, char32_t AEscape) {
  TcxLikePattern pattern;
  pattern.Compile(APattern, AMultiple, ASingle, AEscape);
  return pattern.Matches(AText);
}

bool MatchLikePattern(const String& AText, const String& APattern, char32_t AMultiple, char32_t ASingle) {
  return LikeMatch(AText, APattern, AMultiple, ASingle, 0);
}
