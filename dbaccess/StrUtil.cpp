#include "dbaccess/StrUtil.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {
char AsciiUp(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLow(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
bool IsAsciiUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }

int32_t CompareAsciiText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(AsciiUp(a[i]));
    const auto cb = static_cast<unsigned char>(AsciiUp(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

const char* const kFunctionWords[] = {"AVG", "CAST", "COUNT", "GEN_ID", "MAX", "MIN", "SUM", "UPPER", "IIF",
                                      "SUBSTRING"};
const char* const kKeywords[] = {
    "ACTIVE", "ADD", "AFTER", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "ASCENDING", "AT", "AUTO", "AUTODDL",
    "BASED", "BASENAME", "BASE_NAME", "BEFORE", "BEGIN", "BETWEEN", "BLOBEDIT", "BUFFER", "BY", "CASE", "CACHE",
    "CHARACTER_LENGTH", "CHAR_LENGTH", "CHECK", "CHECK_POINT_LEN", "CHECK_POINT_LENGTH", "COLLATE", "COLLATION",
    "COLUMN", "COMMIT", "COMMITED", "COMPILETIME", "COMPUTED", "CROSS", "CLOSE", "CONDITIONAL", "CONNECT",
    "CONSTRAINT", "CONTAINING", "CONTINUE", "CREATE", "CURRENT", "CURRENT_DATE", "CURRENT_TIME",
    "CURRENT_TIMESTAMP", "CURSOR", "DATABASE", "DAY", "DB_KEY", "DEBUG", "DEC", "DECLARE", "DEFAULT", "DELETE",
    "DESC", "DESCENDING", "DESCRIBE", "DESCRIPTOR", "DISCONNECT", "DISTINCT", "DO", "DOMAIN", "DROP", "ECHO",
    "EDIT", "ELSE", "END", "ENTRY_POINT", "ESCAPE", "EVENT", "EXCEPTION", "EXECUTE", "EXISTS", "EXIT", "EXTERN",
    "EXTERNAL", "EXTRACT", "FALSE", "FETCH", "FILE", "FILTER", "FOR", "FOREIGN", "FOUND", "FROM", "FULL",
    "FUNCTION", "GDSCODE", "GENERATOR", "GLOBAL", "GOTO", "GRANT", "GROUP", "GROUP_COMMIT_WAIT",
    "GROUP_COMMIT_WAIT_TIME", "HAVING", "HELP", "HOUR", "IF", "IMMEDIATE", "IN", "INACTIVE", "INDEX",
    "INDICATOR", "INIT", "INNER", "INPUT", "INPUT_TYPE", "INSERT", "INT", "INTO", "IS", "ISOLATION", "ISQL",
    "JOIN", "KEY", "LC_MESSAGES", "LC_TYPE", "LEFT", "LENGTH", "LEV", "LEVEL", "LIKE", "LOGFILE",
    "LOG_BUFFER_SIZE", "LOG_BUF_SIZE", "LONG", "MANUAL", "MAXIMUM", "MAXIMUM_SEGMENT", "MAX_SEGMENT", "MERGE",
    "MESSAGE", "MINIMUM", "MINUTE", "MODULE_NAME", "MONTH", "NAMES", "NATIONAL", "NATURAL", "NCHAR", "NO",
    "NOAUTO", "NOT", "NULL", "NUM_LOG_BUFFS", "NUM_LOG_BUFFERS", "OCTET_LENGTH", "OF", "ON", "ONLY", "OPEN",
    "OPTION", "OR", "ORDER", "OUTER", "OUTPUT", "OUTPUT_TYPE", "OVERFLOW", "PAGE", "PAGELENGTH", "PAGES",
    "PAGE_SIZE", "PARAMETER", "PASSWORD", "PLAN", "POSITION", "POST_EVENT", "PRECISION", "PREPARE", "PROCEDURE",
    "PROTECTED", "PRIMARY", "PRIVILEGES", "PUBLIC", "QUIT", "RAW_PARTITIONS", "READ", "REAL", "RECORD_VERSION",
    "REFERENCES", "RELEASE", "RESERV", "RESERVING", "RETAIN", "RETURN", "RETURNING_VALUES", "RETURNS", "REVOKE",
    "RIGHT", "ROLLBACK", "ROWS", "RUNTIME", "SAVEPOINT", "SCHEMA", "SECOND", "SEGMENT", "SELECT", "SEQUENCE",
    "SET", "SHADOW", "SHARED", "SHELL", "SHOW", "SINGULAR", "SIZE", "SNAPSHOT", "SOME", "SORT", "SQL", "SQLCODE",
    "SQLERROR", "SQLWARNING", "STABILITY", "STARTING", "STARTS", "STATEMENT", "STATIC", "STATISTICS",
    "SUB_TYPE", "SUSPEND", "TABLE", "TERMINATOR", "THEN", "TO", "TRANSACTION", "TRANSLATE", "TRANSLATION",
    "TRIGGER", "TRIM", "TRUE", "TYPE", "UNCOMMITTED", "UNION", "UNIQUE", "UNKNOWN", "UPDATE", "USER", "USING",
    "VALUE", "VALUES", "VARIABLE", "VARYING", "VERSION", "VIEW", "WAIT", "WEEKDAY", "WHEN", "WHENEVER", "WHERE",
    "WHILE", "WITH", "WORK", "WRITE", "YEAR", "YEARDAY", "FIRST", "SKIP", "RECREATE", "CURRENT_USER",
    "CURRENT_ROLE", "PLANONLY", "LIMIT", "SECONDS", "PERCENT", "TIES", "NEW", "OLD", "CURRENT_CONNECTION",
    "CURRENT_TRANSACTION", "INSERTING", "UPDATING", "DELETING", "ROW_COUNT", "FREE_IT"};
const char* const kTypeNames[] = {"BLOB",    "CHAR",      "CHARACTER", "DATE",     "DECIMAL", "DOUBLE",
                                  "FLOAT",   "INTEGER",   "NUMERIC",   "SMALLINT", "TIME",    "TIMESTAMP",
                                  "VARCHAR", "INT64",     "BIGINT",    "BOOLEAN",  "CSTRING"};

// The sorted words and, per pair of leading letters, the range of words that begin with it; a lookup
// then compares against a handful of words only.
struct ReservedWordTable {
  std::vector<String> Words;
  struct Range {
    uint16_t First = 1;
    uint16_t Last = 0;
  };
  Range Index[26][26];

  ReservedWordTable() {
    for (const char* w : kFunctionWords) Words.emplace_back(w);
    for (const char* w : kKeywords) Words.emplace_back(w);
    for (const char* w : kTypeNames) Words.emplace_back(w);
    std::sort(Words.begin(), Words.end(),
              [](const String& a, const String& b) { return CompareAsciiText(a, b) < 0; });
    int prevA = -1, prevB = -1;
    for (size_t i = 0; i < Words.size(); ++i) {
      const int a = AsciiUp(Words[i][0]) - 'A';
      const int b = Words[i].size() > 1 ? AsciiUp(Words[i][1]) - 'A' : -1;
      if (a != prevA || b != prevB) {
        if (prevA >= 0 && prevB >= 0 && prevB < 26) Index[prevA][prevB].Last = static_cast<uint16_t>(i - 1);
        if (a >= 0 && a < 26 && b >= 0 && b < 26) Index[a][b].First = static_cast<uint16_t>(i);
        prevA = a;
        prevB = b;
      }
    }
    if (prevA >= 0 && prevB >= 0 && prevB < 26) Index[prevA][prevB].Last = static_cast<uint16_t>(Words.size() - 1);
  }

  // first and second are upper-case letters.
  bool Contains(const String& name, char first, char second) const {
    const Range& r = Index[first - 'A'][second - 'A'];
    int lo = r.First, hi = r.Last;
    while (lo <= hi) {
      const int mid = (lo + hi) / 2;
      const int c = CompareAsciiText(Words[static_cast<size_t>(mid)], name);
      if (c == 0) return true;
      if (c < 0)
        lo = mid + 1;
      else
        hi = mid - 1;
    }
    return false;
  }
};

const ReservedWordTable& Reserved() {
  static const ReservedWordTable table;
  return table;
}

// Built before any library code runs, as the table is read from any thread afterwards.
[[maybe_unused]] const ReservedWordTable& gReservedAtStart = Reserved();

bool HasPrefix3(const String& name, const char* prefix) {
  return name.size() > 4 && AsciiUp(name[0]) == prefix[0] && AsciiUp(name[1]) == prefix[1] &&
         AsciiUp(name[2]) == prefix[2] && name[3] == '_';
}

using View = std::string_view;

View Tail(View s, size_t from0) { return from0 >= s.size() ? View() : s.substr(from0); }

size_t FirstWildcard(View s) {
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == '*' || s[i] == '?') return i;
  return s.size();
}

bool WildMatch(View a, View b) {
  if (b == "*" || a == "*" || a == b) return true;
  if (a.empty() || b.empty()) return false;
  const bool aw = a[0] == '*' || a[0] == '?';
  const bool bw = b[0] == '*' || b[0] == '?';
  if (!aw && !bw) {
    if (a[0] != b[0]) return false;
    const size_t n = std::min(FirstWildcard(a), FirstWildcard(b));
    if (a.substr(0, n) != b.substr(0, n)) return false;
    return WildMatch(Tail(a, n), Tail(b, n));
  }
  if (a[0] == '*') {
    const char next = a.size() > 1 ? a[1] : '\0';
    for (size_t i = 0; i < b.size(); ++i)
      if ((b[i] == '*' || b[i] == '?' || b[i] == next) && WildMatch(Tail(a, 1), Tail(b, i))) return true;
    return false;
  }
  if (b[0] == '*') {
    const char next = b.size() > 1 ? b[1] : '\0';
    for (size_t i = 0; i < a.size(); ++i)
      if ((a[i] == '*' || a[i] == '?' || a[i] == next) && WildMatch(Tail(a, i), Tail(b, 1))) return true;
    return false;
  }
  if (a[0] == b[0] || a[0] == '?' || b[0] == '?') return WildMatch(Tail(a, 1), Tail(b, 1));
  return false;
}

bool Mask(View s, View mask, char any, char one) {
  if ((mask.size() == 1 && mask[0] == any) || s == mask) return true;
  if (s.empty() || mask.empty()) return false;
  if (mask[0] != any && mask[0] != one && mask[0] != s[0]) return false;
  if (mask[0] == any) {
    const char next = mask.size() > 1 ? mask[1] : '\0';
    for (size_t i = 0; i < s.size(); ++i)
      if (s[i] == next && Mask(Tail(s, i), Tail(mask, 1), any, one)) return true;
    return false;
  }
  if (mask[0] == one) return Mask(Tail(s, 1), Tail(mask, 1), any, one);
  size_t n = mask.size();
  for (size_t i = 0; i < mask.size(); ++i)
    if (mask[i] == any || mask[i] == one) {
      n = i;
      break;
    }
  if (n == mask.size()) return s == mask;
  if (s.substr(0, n) != mask.substr(0, n)) return false;
  return Mask(Tail(s, n), Tail(mask, n), any, one);
}

String UpperFor(const String& s, bool locale) { return locale ? AnsiUpperCase(s) : AsciiUpperCase(s); }

String ReplaceAll(const String& s, const String& oldText, const String& newText, const String& searchIn,
                  const String& searchFor) {
  if (oldText.empty()) return s;
  size_t at = searchIn.find(searchFor);
  if (at == String::npos) return s;
  String result;
  size_t from = 0;
  while (at != String::npos) {
    result.append(s, from, at - from);
    result += newText;
    from = at + searchFor.size();
    at = searchIn.find(searchFor, from);
  }
  result.append(s, from, String::npos);
  return result;
}
}  // namespace

int32_t PCharLength(const char* s) { return s ? static_cast<int32_t>(std::strlen(s)) : 0; }

bool IsBlankStr(const String& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return IsBlankChar(c); });
}

bool StringsAreBlank(TStrings* lines) {
  for (int32_t i = 0; i < lines->Count(); ++i)
    if (!IsBlankStr(lines->Strings(i))) return false;
  return true;
}

String TrimStr(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlankChar(s[b])) ++b;
  while (e > b && IsBlankChar(s[e - 1])) --e;
  return s.substr(b, e - b);
}

void TrimStrInPlace(String& s) { s = TrimStr(s); }

void TrimRightInPlace(String& s) {
  size_t e = s.size();
  while (e > 0 && IsBlankChar(s[e - 1])) --e;
  s.resize(e);
}

String CopyStr(const String& s, int32_t index, int32_t count) {
  if (count <= 0 || index < 1 || static_cast<size_t>(index) > s.size()) return String();
  return s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

void CopyStrInto(const String& s, String& target, int32_t index, int32_t count) {
  if (count <= 0 || index < 1 || static_cast<size_t>(index) > s.size()) {
    target.clear();
    return;
  }
  target.assign(s, static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

String ReplicateChar(char ch, int32_t count) { return count > 0 ? String(static_cast<size_t>(count), ch) : String(); }

String AsciiUpperCase(const String& s) {
  String r = s;
  for (char& c : r) c = AsciiUp(c);
  return r;
}

void AsciiUpperCaseRange(String& s, int32_t from, int32_t to) {
  const int32_t len = static_cast<int32_t>(s.size());
  if (to == 0 || to > len) to = len;
  for (int32_t i = std::max(from, 1); i <= to; ++i) s[static_cast<size_t>(i - 1)] = AsciiUp(s[static_cast<size_t>(i - 1)]);
}

void AsciiLowerCaseInPlace(String& s) {
  for (char& c : s) c = AsciiLow(c);
}

bool StrEquals(const String& a, const String& b, bool exact) {
  if (exact) return a == b;
  if (a.size() != b.size()) return false;
  // Only letters fold: "0" and "P" lie 32 codes apart too, and must stay different.
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && AsciiUp(a[i]) != AsciiUp(b[i])) return false;
  return true;
}

bool EqualStrings(bool caseInsensitive, const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  return caseInsensitive ? AnsiSameText(a, b) : a == b;
}

bool IsStrInArray(const String& s, std::initializer_list<String> items) {
  return std::find(items.begin(), items.end(), s) != items.end();
}

bool StrStartsWith(const String& prefix, const String& s) { return s.compare(0, prefix.size(), prefix) == 0; }

int32_t CharPos(char ch, const String& s) {
  const size_t p = s.find(ch);
  return p == String::npos ? 0 : static_cast<int32_t>(p + 1);
}

int32_t CharPosFrom(char ch, const String& s, int32_t from) {
  if (from < 1 || static_cast<size_t>(from) > s.size()) return 0;
  const size_t p = s.find(ch, static_cast<size_t>(from - 1));
  return p == String::npos ? 0 : static_cast<int32_t>(p + 1);
}

int32_t FirstPosOfChars(const TCharSet& chars, const String& s) {
  for (size_t i = 0; i < s.size(); ++i)
    if (chars.Contains(s[i])) return static_cast<int32_t>(i + 1);
  return 0;
}

int32_t PosText(const String& sub, const String& s) { return Pos(AsciiUpperCase(sub), AsciiUpperCase(s)); }

int32_t PosFrom(const String& sub, const String& s, int32_t from) {
  return PosInRange(sub, s, from, static_cast<int32_t>(s.size()));
}

int32_t PosInRange(const String& sub, const String& s, int32_t from, int32_t to) {
  const int32_t len = static_cast<int32_t>(s.size());
  if (to > len) to = len;
  if (from < 1) from = 1;
  if (sub.empty() || from > to) return 0;
  const View range = View(s).substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1));
  const size_t p = range.find(sub);
  return p == View::npos ? 0 : static_cast<int32_t>(p) + from;
}

int32_t PosWordBounded(const String& sub, const String& s, const TCharSet& before, const TCharSet& after) {
  if (sub.empty()) return 0;
  size_t from = 0;
  while (true) {
    const size_t p = s.find(sub, from);
    if (p == String::npos) return 0;
    const size_t end = p + sub.size();
    if ((p == 0 || before.Contains(s[p - 1])) && (end == s.size() || after.Contains(s[end])))
      return static_cast<int32_t>(p + 1);
    from = end;
  }
}

int32_t PosWordText(const String& sub, const String& s, const TCharSet& before, bool locale, const TCharSet& after) {
  return PosWordBounded(UpperFor(sub, locale), UpperFor(s, locale), before, after);
}

String ReplaceAllStr(const String& s, const String& oldText, const String& newText) {
  return ReplaceAll(s, oldText, newText, s, oldText);
}

String ReplaceAllText(const String& s, const String& oldText, const String& newText, bool locale) {
  const String upper = UpperFor(s, locale);
  // Locale case mapping may change byte lengths; positions are then only meaningful in the upper copy.
  if (upper.size() != s.size()) return ReplaceAll(upper, oldText, newText, upper, UpperFor(oldText, locale));
  return ReplaceAll(s, oldText, newText, upper, UpperFor(oldText, locale));
}

int32_t CountWords(const String& s, const TCharSet& delimiters) {
  int32_t count = 0;
  bool inWord = false;
  for (char c : s) {
    if (delimiters.Contains(c))
      inWord = false;
    else if (!inWord) {
      inWord = true;
      ++count;
    }
  }
  return count;
}

String ExtractWordByIndex(int32_t n, const String& s, const TCharSet& delimiters) {
  int32_t count = 0;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && delimiters.Contains(s[i])) ++i;
    if (i >= s.size()) break;
    const size_t start = i;
    while (i < s.size() && !delimiters.Contains(s[i])) ++i;
    if (++count == n) return s.substr(start, i - start);
  }
  if (count == 0 && n == 1) return s;
  return String();
}

String ValuePart(const String& line) {
  const size_t p = line.find('=');
  return p == String::npos ? String() : line.substr(p + 1);
}

void SplitNameValue(const String& line, String& name, String& value) {
  const size_t p = line.find('=');
  if (p == String::npos) {
    name = line;
    value.clear();
  } else {
    name = line.substr(0, p);
    value = line.substr(p + 1);
  }
}

String RemoveOuterQuotes(const String& s) {
  auto white = [](char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; };
  size_t e = s.size();
  while (e > 0 && white(s[e - 1])) --e;
  if (e == 0) return s;
  const char quote = s[e - 1];
  if (quote != '\'' && quote != '"') return s;
  const char other = quote == '\'' ? '"' : '\'';
  const size_t closing = e - 1;
  for (size_t i = 0; i < closing; ++i) {
    if (white(s[i]) || s[i] == other) continue;
    if (s[i] == quote) return s.substr(i + 1, closing - i - 1);
    return s;
  }
  return s;
}

void DeleteEmptyLines(TStrings* lines) {
  for (int32_t i = lines->Count() - 1; i >= 0; --i)
    if (lines->Strings(i).empty()) lines->Delete(i);
}

void ListDifference(TStrings* a, TStrings* b, TStrings* target) {
  target->Clear();
  auto* sortedB = dynamic_cast<TStringList*>(b);
  const bool useFind = sortedB && sortedB->Sorted();
  for (int32_t i = 0; i < a->Count(); ++i) {
    const String line = a->Strings(i);
    int32_t index = -1;
    const bool found = useFind ? sortedB->Find(line, index) : b->IndexOf(line) >= 0;
    if (!found) target->AddObject(line, a->Objects(i));
  }
}

bool HasOldPrefix(const String& name) { return HasPrefix3(name, "OLD"); }
bool HasNewPrefix(const String& name) { return HasPrefix3(name, "NEW"); }
bool HasMasterPrefix(const String& name) { return HasPrefix3(name, "MAS"); }

bool NeedsQuoting(const String& name, bool lowerCaseAllowed) {
  if (name.empty() || name[0] == '"') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    (i > 0 && (c == '#' || c == '$' || c == '%' || c == '_')) ||
                    (lowerCaseAllowed && c >= 'a' && c <= 'z');
    if (!ok) return true;
  }
  if (name[0] >= '0' && name[0] <= '9') return true;
  if (name.size() == 1) return false;
  if (name[1] >= '0' && name[1] <= '9') return false;
  const char first = lowerCaseAllowed ? AsciiUp(name[0]) : name[0];
  const char second = lowerCaseAllowed ? AsciiUp(name[1]) : name[1];
  if (!IsAsciiUpperLetter(first) || !IsAsciiUpperLetter(second)) return false;
  return Reserved().Contains(name, first, second);
}

String QuoteIdentifier(const String& name) {
  String r;
  r.reserve(name.size() + 2);
  r += '"';
  for (char c : name) {
    r += c;
    if (c == '"') r += '"';
  }
  r += '"';
  return r;
}

String UnquoteIdentifier(const String& identifier) {
  if (identifier.size() < 2 || identifier.front() != '"' || identifier.back() != '"') return identifier;
  String r;
  r.reserve(identifier.size() - 2);
  for (size_t i = 1; i + 1 < identifier.size(); ++i) {
    r += identifier[i];
    if (identifier[i] == '"' && identifier[i + 1] == '"' && i + 2 < identifier.size()) ++i;
  }
  return r;
}

String FormatIdentifier(int32_t dialect, const String& name, bool lowerCaseAllowed) {
  if (dialect == 1) return AsciiUpperCase(TrimStr(name));
  if (name.empty() || name[0] == '"') return name;
  if (NeedsQuoting(name, lowerCaseAllowed)) return QuoteIdentifier(name);
  return AsciiUpperCase(name);
}

String QuoteIdentifierIfNeeded(int32_t dialect, const String& name) {
  if (dialect == 1) return AsciiUpperCase(TrimStr(name));
  return NeedsQuoting(name, false) ? QuoteIdentifier(name) : name;
}

int32_t ReservedWordCount() { return static_cast<int32_t>(Reserved().Words.size()); }
const String& ReservedWord(int32_t index) { return Reserved().Words.at(static_cast<size_t>(index)); }
bool IsReservedWord(const String& word) {
  if (word.size() < 2) return false;
  const char a = AsciiUp(word[0]), b = AsciiUp(word[1]);
  return IsAsciiUpperLetter(a) && IsAsciiUpperLetter(b) && Reserved().Contains(word, a, b);
}

String CollapseWildcards(const String& s) {
  if (s.size() < 2) return s;
  String r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '*') {
      r += s[i++];
      continue;
    }
    size_t j = i;
    while (j < s.size() && (s[j] == '*' || s[j] == '?')) ++j;
    r += '*';
    if (j == s.size() && s[j - 1] == '?') r += '?';
    i = j;
  }
  return r;
}

bool WildcardMatch(const String& a, const String& b) { return WildMatch(CollapseWildcards(a), CollapseWildcards(b)); }

int32_t IndexOfWildcard(TStrings* lines, const String& value, bool caseSensitive) {
  const String v = caseSensitive ? value : AnsiUpperCase(value);
  for (int32_t i = 0; i < lines->Count(); ++i) {
    const String line = caseSensitive ? lines->Strings(i) : AnsiUpperCase(lines->Strings(i));
    if (WildcardMatch(line, v)) return i;
  }
  return -1;
}

bool MaskMatch(const String& s, const String& mask, char anyChars, char oneChar) {
  return Mask(s, CollapseWildcards(mask), anyChars, oneChar);
}

bool SQLLikeMatch(const String& value, const String& pattern) { return MaskMatch(value, pattern, '%', '_'); }

TDateTime StrToDateTimeFmt(const String& text, const String& shortDateFormat) {
  TFormatSettings fs = FormatSettings();
  fs.ShortDateFormat = shortDateFormat;
  return StrToDateTime(text, fs);
}

String MonthNamesToNumbers(const String& s) {
  static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  static const char* const kNumbers[12] = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"};
  String r = s;
  const char sep = FormatSettings().DateSeparator;
  for (char& c : r)
    if (c == '-') c = sep;
  for (int i = 0; i < 12; ++i)
    if (r.find(kMonths[i]) != String::npos) return ReplaceAllStr(r, kMonths[i], kNumbers[i]);
  return r;
}

String LocalizeDateTimeText(const String& text, int32_t kind) {
  if (IsBlankStr(text)) return String();
  const TFormatSettings& user = FormatSettings();
  // A private copy instead of swapping the process-wide settings, so other threads are not disturbed.
  TFormatSettings fs = user;
  String source = text;
  if (kind == 0 || kind == 1) {
    if (source.find('.') != String::npos) {
      fs.DateSeparator = '.';
      fs.ShortDateFormat = "dd.mm.yyyy";
    } else if (source.find('/') != String::npos) {
      fs.DateSeparator = '/';
      fs.ShortDateFormat = "mm/dd/yyyy";
    } else if (source.find('-') != String::npos) {
      source = MonthNamesToNumbers(source);
      fs.ShortDateFormat = String("dd") + user.DateSeparator + "mm" + user.DateSeparator + "yyyy";
    } else {
      return AsciiUpperCase(text);
    }
  }
  fs.TimeSeparator = ':';
  fs.ShortTimeFormat = "h:m:s";
  switch (kind) {
    case 1:
      return DateToStr(StrToDate(source, fs), user);
    case 2:
      return TimeToStr(StrToTime(source, fs), user);
    default:
      return DateTimeToStr(StrToDateTime(source, fs), user);
  }
}
