#include "dbaccess/SqlTxtRtns.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "dbaccess/StrUtil.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {
const String kCRLF = "\r\n";

bool IsWordEnd(char c) {
  switch (c) {
    case '\0': case '\t': case '\n': case '\r': case ' ': case '(': case '-': case '/': case ';':
      return true;
    default:
      return false;
  }
}
bool IsWordStart(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ')'; }
bool IsLineBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

char CharAt(const String& s, int32_t p) {
  return (p >= 1 && static_cast<size_t>(p) <= s.size()) ? s[static_cast<size_t>(p - 1)] : '\0';
}

// The letters of word at p, ASCII case-insensitive, with a character present after them that ends a
// word (set chosen by the caller). Called for every ordinary character a scan meets, so it rejects on
// the first letter before anything else.
inline bool LettersAt(const String& s, int32_t p, std::string_view word, bool (*after)(char)) {
  const auto n = static_cast<int32_t>(word.size());
  const auto len = static_cast<int32_t>(s.size());
  if (p < 1 || p + n > len) return false;
  const char* at = s.data() + (p - 1);
  if (Up(at[0]) != word[0]) return false;
  for (int32_t i = 1; i < n; ++i)
    if (Up(at[i]) != word[static_cast<size_t>(i)]) return false;
  return after(at[n]);
}

inline bool KeywordStartsAt(const String& s, int32_t p, std::string_view word) {
  return (p == 1 || IsWordStart(CharAt(s, p - 1))) && LettersAt(s, p, word, IsWordEnd);
}

// Blanks, ";" and comments: what may stand around a clause without belonging to it.
bool IsFiller(const String& s, const TSQLPiece& piece) {
  if (piece.IsComment()) return true;
  if (piece.Kind != spCode) return false;
  const char c = s[piece.Start];
  return c == '\0' || IsLineBlank(c) || c == ';';
}

String Sub(const String& s, int32_t from, int32_t to) {  // inclusive, 1-based
  if (from < 1) from = 1;
  if (to > static_cast<int32_t>(s.size())) to = static_cast<int32_t>(s.size());
  if (to < from) return String();
  return s.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1));
}
String From(const String& s, int32_t from) { return Sub(s, from, static_cast<int32_t>(s.size())); }

String TrimBelow33(const String& s) { return TrimStr(s); }

String UpperUnlessQuoted(const String& s) { return (!s.empty() && s[0] == '"') ? s : AsciiUpperCase(s); }
}  // namespace

// ---------------------------------------------------------------------------------------------------
// Free keyword tests and helpers

bool IsWhereAt(const String& text, int32_t position) {
  return position > 1 && position + 5 <= static_cast<int32_t>(text.size()) &&
         KeywordStartsAt(text, position, "WHERE");
}

bool IsWhereClauseEnd(const String& text, int32_t position) {
  const auto len = static_cast<int32_t>(text.size());
  if (position == len) return true;
  if (position <= 1 || position >= len) return false;
  if (!IsWordStart(text[static_cast<size_t>(position - 2)])) return false;
  static constexpr std::string_view kEnds[] = {"FOR", "GROUP", "HAVING", "ORDER", "PLAN", "START", "UNION"};
  for (std::string_view w : kEnds)
    if (LettersAt(text, position, w, IsWordEnd)) return true;
  return false;
}

int32_t SQLWordPos(const String& word, const String& text) {
  if (word.empty() || word.size() > text.size()) return 0;
  const String upWord = AsciiUpperCase(word);
  const String upText = AsciiUpperCase(text);
  size_t from = 0;
  while (true) {
    const size_t p = upText.find(upWord, from);
    if (p == String::npos) return 0;
    const size_t end = p + upWord.size();
    if ((p == 0 || IsWordStart(upText[p - 1])) && (end == upText.size() || IsWordEnd(upText[end])))
      return static_cast<int32_t>(p + 1);
    from = p + 1;
  }
}

void SkipBlanksAndComments(const String& text, int32_t length, int32_t& position) {
  if (position < 1) position = 1;
  const auto limit = static_cast<size_t>(std::clamp<int32_t>(length, 0, static_cast<int32_t>(text.size())));
  TSQLLexer lexer(std::string_view(text).substr(0, limit), static_cast<size_t>(position - 1));
  TSQLPiece piece;
  while (lexer.Next(piece)) {
    // Opening brackets are passed over too: a statement may stand in brackets, "(select ...".
    const bool skipped = IsFiller(text, piece) || (piece.Kind == spCode && text[piece.Start] == '(');
    if (!skipped) {
      position = static_cast<int32_t>(piece.Start + 1);
      return;
    }
    position = static_cast<int32_t>(piece.End + 1);
  }
}

String StripComments(const String& text) {
  String r;
  r.reserve(text.size());
  TSQLLexer lexer(text);
  TSQLPiece piece;
  while (lexer.Next(piece)) {
    if (!piece.IsComment()) {
      r.append(text, piece.Start, piece.End - piece.Start);
      continue;
    }
    // A comment separates words as a blank does: "a/**/b" are two words. The line break after a line
    // comment stays.
    if (!r.empty() && !IsLineBlank(r.back()) && piece.End < text.size() && !IsLineBlank(text[piece.End]))
      r += ' ';
  }
  return r;
}

void SplitParamDefault(const String& text, char prefix, String& defaultValue, String& name) {
  const size_t p = text.find('%');
  if (p == String::npos) {
    name = text;
  } else {
    name = text.substr(0, p);
    defaultValue = text.substr(p + 1);
  }
  if (name.empty() || name[0] != prefix) name.insert(name.begin(), prefix);
}

// ---------------------------------------------------------------------------------------------------
// TSQLParser

TSQLParser::TSQLParser() = default;

TSQLParser::TSQLParser(const String& sql) { SetSQL(sql); }

TSQLParser::~TSQLParser() { FreeAndNil(FTables); }

bool TSQLParser::KeywordAt(int32_t p, std::string_view word) const { return KeywordStartsAt(FSQL, p, word); }

void TSQLParser::ResetScan() {
  FDepth = 0;
  FBracketBounded = false;
  FWantedOccurrence = 0;
  FOccurrences = 0;
}

void TSQLParser::SetSQL(const String& sql) {
  FSQL = sql;
  FLength = static_cast<int32_t>(sql.size());
  if (FTables) FTables->Clear();
  FFirstPos = 1;
  SkipBlanksAndComments(FSQL, FLength, FFirstPos);
  const int32_t p = FFirstPos;
  // The first word may follow a bracket, so only its end is tested.
  auto KeywordAt = [this](int32_t at, const char* word) { return LettersAt(FSQL, at, word, IsWordEnd); };
  FKind = sqkUnknown;
  if (KeywordAt(p, "SELECT")) {
    FKind = sqkSelect;
  } else if (KeywordAt(p, "UPDATE")) {
    FKind = sqkUpdate;
  } else if (KeywordAt(p, "DELETE")) {
    FKind = sqkDelete;
  } else if (KeywordAt(p, "INSERT")) {
    FKind = sqkInsert;
  } else if (KeywordAt(p, "EXECUTE")) {
    int32_t q = p + 7;
    SkipBlanksAndComments(FSQL, FLength, q);
    if (LettersAt(FSQL, q, "PROCEDURE", IsWordEnd))
      FKind = sqkExecProc;
    else if (LettersAt(FSQL, q, "BLOCK", IsWordEnd))
      FKind = sqkExecBlock;
  }
  if (FKind == sqkUnknown) {
    if (KeywordAt(p, "ALTER") || KeywordAt(p, "CREATE") || KeywordAt(p, "DROP") || KeywordAt(p, "RECREATE")) {
      FKind = sqkDDL;
    } else if (KeywordAt(p, "SET")) {
      int32_t q = p + 3;
      while (q <= FLength && (IsLineBlank(At(q)) || At(q) == ')')) ++q;
      if (LettersAt(FSQL, q, "GENERATOR", IsWordEnd)) FKind = sqkDDL;
    }
  }
  FIsDataStatement = FKind != sqkUnknown && FKind != sqkDDL;
}

int32_t TSQLParser::Scan(int32_t start, TKeywordTest test) {
  if (!test) return 0;
  FResult = 0;
  FStoppedAtBracket = false;
  FScanStartDepth = FDepth;
  const char* s = FSQL.data();
  TSQLLexer lexer(FSQL, static_cast<size_t>(start < 1 ? 0 : start - 1));
  TSQLPiece piece;
  // The text may end inside a string, an identifier or a block comment: no keyword test there. A line
  // comment that runs to the end still leaves the statement complete.
  bool endsOpen = false;
  while (lexer.Next(piece)) {
    if (piece.Kind != spCode) {
      endsOpen = !piece.Closed;
      continue;
    }
    endsOpen = false;
    const auto p = static_cast<int32_t>(piece.Start + 1);
    const char c = s[piece.Start];
    if (c == '(') {
      ++FDepth;
    } else if (c == ')') {
      if (FBracketBounded && FDepth - 1 < FScanStartDepth) {
        FResult = p;
        FStoppedAtBracket = true;
        FWantedOccurrence = 0;
        return FResult;
      }
      --FDepth;
    } else if ((p == 1 || p == FLength || IsWordStart(s[p - 2]) || IsLineBlank(c)) && (this->*test)(p)) {
      // Every test needs a word start before p, a blank at p, or the end of the text; asking only
      // there saves a call for most characters without changing any result.
      FResult = p;
      FWantedOccurrence = 0;
      return FResult;
    }
  }
  if (!endsOpen && FLength > 0 && (this->*test)(FLength)) FResult = FLength;
  FWantedOccurrence = 0;
  return FResult;
}

bool TSQLParser::TestFromDepth0(int32_t p) { return FDepth == 0 && KeywordAt(p, "FROM"); }
bool TSQLParser::TestFrom(int32_t p) { return KeywordAt(p, "FROM"); }
bool TSQLParser::TestInto(int32_t p) { return KeywordAt(p, "INTO"); }
bool TSQLParser::TestOrderDepth0(int32_t p) { return FDepth == 0 && KeywordAt(p, "ORDER"); }
bool TSQLParser::TestBy(int32_t p) { return KeywordAt(p, "BY"); }
bool TSQLParser::TestUnionDepth0(int32_t p) { return FDepth == 0 && KeywordAt(p, "UNION"); }

bool TSQLParser::IsUnion() {
  if (FKind != sqkSelect) return false;
  ResetScan();
  return Scan(FFirstPos, &TSQLParser::TestUnionDepth0) > 0;
}

bool TSQLParser::TestPlan(int32_t p) {
  if (!KeywordAt(p, "PLAN")) return false;
  if (FWantedOccurrence <= 0) return true;
  return ++FOccurrences == FWantedOccurrence;
}

bool TSQLParser::TestWhere(int32_t p) {
  if (!IsWhereAt(FSQL, p)) return false;
  if (FWantedOccurrence <= 0) return true;
  return ++FOccurrences == FWantedOccurrence;
}

bool TSQLParser::TestFromEnd(int32_t p) {
  if (FDepth > FScanStartDepth) return false;
  if (p == FLength) return true;
  if (!IsLineBlank(At(p))) return false;
  const int32_t q = p + 1;
  if (LettersAt(FSQL, q, "FOR", IsLineBlank) || LettersAt(FSQL, q, "GROUP", IsLineBlank)) return true;
  static constexpr std::string_view kEnds[] = {"HAVING", "ORDER", "PLAN", "UNION", "WHERE"};
  for (std::string_view w : kEnds)
    if (LettersAt(FSQL, q, w, IsWordEnd)) return true;
  return false;
}

bool TSQLParser::TestWhereEnd(int32_t p) { return FDepth <= FScanStartDepth && IsWhereClauseEnd(FSQL, p); }

bool TSQLParser::TestPlanEnd(int32_t p) {
  if (FDepth > FScanStartDepth) return false;
  if (p == FLength) return true;
  return IsLineBlank(At(p)) && LettersAt(FSQL, p + 1, "ORDER", IsWordEnd);
}

void TSQLParser::FromClauseRange(int32_t& fromPos, int32_t& endPos) {
  ResetScan();
  fromPos = Scan(FFirstPos, &TSQLParser::TestFromDepth0);
  endPos = 0;
  if (fromPos == 0) return;
  endPos = Scan(fromPos + 5, &TSQLParser::TestFromEnd);
  if (endPos == 0) endPos = FLength;
}

String TSQLParser::NextWord(int32_t& p) const {
  SkipBlanksAndComments(FSQL, FLength, p);
  String word;
  bool quoted = false;
  while (p <= FLength) {
    const char c = At(p);
    if (quoted) {
      word += c;
      ++p;
      if (c == '"') break;
      continue;
    }
    if (c == '"') {
      quoted = true;
      word += c;
      ++p;
      continue;
    }
    if (IsWordEnd(c)) break;
    word += c;
    ++p;
  }
  return word;
}

String TSQLParser::MainTable() {
  ResetScan();
  switch (FKind) {
    case sqkUpdate: {
      int32_t p = FFirstPos + 6;
      const String table = NextWord(p);
      const String next = NextWord(p);
      if (!next.empty() && AsciiUpperCase(next) != "SET") return table + " " + next;
      return table;
    }
    case sqkInsert: {
      const int32_t into = Scan(FFirstPos + 7, &TSQLParser::TestInto);
      if (into == 0) return "Unknown";
      int32_t p = into + 4;
      const String table = NextWord(p);
      return table.empty() ? String("Unknown") : table;
    }
    case sqkDelete: {
      const int32_t from = Scan(FFirstPos, &TSQLParser::TestFrom);
      if (from == 0) return "Unknown";
      int32_t p = from + 4;
      const String table = NextWord(p);
      const String next = NextWord(p);
      if (!next.empty() && AsciiUpperCase(next) != "WHERE") return table + " " + next;
      return table;
    }
    default:
      return String();
  }
}

void TSQLParser::OrderByClause(int32_t& orderPos, int32_t& endPos, String& text) {
  ResetScan();
  orderPos = Scan(FFirstPos, &TSQLParser::TestOrderDepth0);
  endPos = 0;
  text.clear();
  if (orderPos == 0) return;
  const int32_t by = Scan(orderPos + 5, &TSQLParser::TestBy);
  if (by == 0) return;
  text = From(FSQL, by + 2);
  endPos = FLength;
}

String TSQLParser::GetOrderClause() {
  int32_t orderPos = 0, endPos = 0;
  String text;
  OrderByClause(orderPos, endPos, text);
  return text;
}

String TSQLParser::SetOrderClause(const String& orderList) {
  int32_t orderPos = 0, endPos = 0;
  String text;
  OrderByClause(orderPos, endPos, text);
  const bool blank = IsBlankStr(orderList);
  if (orderPos > 0 && endPos > 0) {
    const String before = Sub(FSQL, 1, orderPos - 1);
    if (blank) return before;
    return before + (At(orderPos - 1) == '\n' ? String() : kCRLF) + "ORDER BY " + orderList;
  }
  if (blank) return FSQL;
  return TrimStr(FSQL) + kCRLF + "ORDER BY " + orderList;
}

int32_t TSQLParser::WhereCount() {
  ResetScan();
  int32_t count = 0;
  // From the statement's first word, so that a leading comment is never scanned from its middle.
  int32_t p = FFirstPos;
  while (int32_t r = Scan(p, &TSQLParser::TestWhere)) {
    ++count;
    p = r + 5;
  }
  return count;
}

int32_t TSQLParser::MainWhereIndex() {
  ResetScan();
  int32_t count = 0;
  int32_t p = FFirstPos;
  while (int32_t r = Scan(p, &TSQLParser::TestWhere)) {
    ++count;
    if (FDepth == 0) return count;
    p = r + 5;
  }
  return -1;
}

void TSQLParser::WhereClause(int32_t n, int32_t& wherePos, String& text, int32_t& endPos) {
  if (n < 0) {
    wherePos = 0;
    endPos = 0;
    text.clear();
    return;
  }
  ResetScan();
  FWantedOccurrence = n;
  const int32_t r = Scan(1, &TSQLParser::TestWhere);
  if (r == 0) return;
  wherePos = r;
  FBracketBounded = FDepth > 0;
  // The condition starts at its first word: blanks, ";" and comments after WHERE stay before it.
  int32_t start = r + 5;
  {
    TSQLLexer lexer(FSQL, static_cast<size_t>(start - 1));
    TSQLPiece piece;
    while (lexer.Next(piece) && IsFiller(FSQL, piece)) start = static_cast<int32_t>(piece.End + 1);
  }
  const int32_t e = Scan(start, &TSQLParser::TestWhereEnd);
  if (e == 0) {
    wherePos = 0;
    return;
  }
  // A clause that runs to the end keeps the last character; one cut short by a keyword or by the
  // bracket around it ends before that. Blanks, ";" and comments at its end stay outside it, so that
  // what is added after the condition is never swallowed by a line comment.
  const int32_t stop = (e != FLength || FStoppedAtBracket) ? e - 1 : e;
  int32_t end = start - 1;
  if (stop >= start) {
    TSQLLexer lexer(std::string_view(FSQL).substr(0, static_cast<size_t>(stop)), static_cast<size_t>(start - 1));
    TSQLPiece piece;
    while (lexer.Next(piece))
      if (!IsFiller(FSQL, piece)) end = static_cast<int32_t>(piece.End);
  }
  endPos = end;
  text = Sub(FSQL, start, end);
}

void TSQLParser::MainWhereClause(int32_t& wherePos, int32_t& endPos, String& text) {
  wherePos = 0;
  endPos = 0;
  text.clear();
  const int32_t index = MainWhereIndex();
  if (index > 0) WhereClause(index, wherePos, text, endPos);
}

String TSQLParser::SetWhereClause(int32_t n, const String& condition) {
  int32_t wherePos = 0, endPos = 0;
  String text;
  WhereClause(n, wherePos, text, endPos);
  if (wherePos <= 0) return FSQL;
  const String before = Sub(FSQL, 1, wherePos - 1);
  const String rest = From(FSQL, endPos + 1);
  if (IsBlankStr(condition)) return before + kCRLF + rest;
  return before + (At(wherePos - 1) == '\n' ? String() : kCRLF) + "WHERE " + condition +
         (At(endPos + 1) == '\r' ? rest : kCRLF + rest);
}

String TSQLParser::SetMainWhereClause(const String& condition) {
  const int32_t index = MainWhereIndex();
  if (index > 0) return SetWhereClause(index, condition);
  return AddMainWhereCondition(condition, false);
}

String TSQLParser::AddMainWhereCondition(const String& condition, bool onNewLine) {
  if (IsBlankStr(condition)) return FSQL;
  const String lineBreak = onNewLine ? kCRLF + "    " : String();
  int32_t wherePos = 0, endPos = 0;
  String text;
  MainWhereClause(wherePos, endPos, text);
  if (wherePos <= 0) {
    int32_t fromPos = 0, fromEnd = 0;
    FromClauseRange(fromPos, fromEnd);
    return Sub(FSQL, 1, fromEnd) + kCRLF + " WHERE " + lineBreak + condition + kCRLF + From(FSQL, fromEnd + 1);
  }
  return Sub(FSQL, 1, wherePos + 4) + "( " + Sub(FSQL, wherePos + 5, endPos) + lineBreak + " ) and ( " +
         condition + " )" + lineBreak + From(FSQL, endPos + 1);
}

int32_t TSQLParser::MainPlanIndex() {
  ResetScan();
  int32_t count = 0;
  int32_t p = FFirstPos + 5;
  while (int32_t r = Scan(p, &TSQLParser::TestPlan)) {
    ++count;
    if (FDepth == 0) return count;
    p = r + 5;
  }
  return -1;
}

void TSQLParser::PlanClause(int32_t n, int32_t& startPos, String& text, int32_t& endPos) {
  if (n < 0) {
    startPos = 0;
    endPos = 0;
    text.clear();
    return;
  }
  ResetScan();
  FWantedOccurrence = n;
  const int32_t r = Scan(1, &TSQLParser::TestPlan);
  if (r == 0) return;
  FBracketBounded = FDepth > 0;
  // The plan text keeps its own brackets, so that a replacement plan is written as it is given.
  int32_t start = r + 4;
  while (start <= FLength && IsLineBlank(At(start))) ++start;
  startPos = start;
  const int32_t e = Scan(start, &TSQLParser::TestPlanEnd);
  if (e == 0) {
    startPos = 0;
    return;
  }
  int32_t end = (e != FLength || FStoppedAtBracket) ? e - 1 : e;
  while (end >= start && IsWordEnd(At(end))) --end;
  endPos = end;
  text = Sub(FSQL, start, end);
}

String TSQLParser::SetPlanClause(const String& plan) {
  const int32_t index = MainPlanIndex();
  int32_t startPos = 0, endPos = 0;
  String text;
  if (index > 0) PlanClause(index, startPos, text, endPos);
  const bool blank = IsBlankStr(plan);
  if (startPos <= 0) {
    if (blank) return FSQL;
    int32_t orderPos = 0, orderEnd = 0;
    String order;
    OrderByClause(orderPos, orderEnd, order);
    if (orderPos > 0) {
      const String before = Sub(FSQL, 1, orderPos - 1);
      return before + (!before.empty() && before.back() == '\n' ? String() : kCRLF) + "PLAN " + plan + kCRLF +
             From(FSQL, orderPos);
    }
    return FSQL + (!FSQL.empty() && FSQL.back() == '\n' ? String() : kCRLF) + "PLAN " + plan;
  }
  if (!blank) return Sub(FSQL, 1, startPos - 1) + plan + From(FSQL, endPos + 1);
  // The keyword lies before the clause start, after blanks only.
  int32_t planPos = startPos - 1;
  while (planPos > 0 && IsLineBlank(At(planPos))) --planPos;
  planPos -= 3;
  return Sub(FSQL, 1, planPos - 1) + From(FSQL, endPos + 1);
}

bool TSQLParser::TestGroupOrRowsDepth0(int32_t p) { return FDepth == 0 && (KeywordAt(p, "GROUP") || KeywordAt(p, "ROWS")); }

// A count of the FROM and WHERE parts counts the rows before grouping, before DISTINCT and before FIRST,
// SKIP or ROWS cut them: such a select has no count of this form.
bool TSQLParser::CountsOtherRows() {
  if (IsUnion()) return true;
  int32_t p = FFirstPos + 6;
  const String word = AsciiUpperCase(NextWord(p));
  if (word == "DISTINCT" || word == "FIRST" || word == "SKIP") return true;
  ResetScan();
  return Scan(FFirstPos, &TSQLParser::TestGroupOrRowsDepth0) > 0;
}

String TSQLParser::CountSQL() {
  if (FKind != sqkSelect || CountsOtherRows()) return String();
  int32_t fromPos = 0, fromEnd = 0;
  FromClauseRange(fromPos, fromEnd);
  if (fromPos == 0) return String();
  String result = "Select Count(*) " + Sub(FSQL, fromPos, fromEnd);
  int32_t wherePos = 0, endPos = 0;
  String text;
  MainWhereClause(wherePos, endPos, text);
  if (!text.empty()) result += kCRLF + " WHERE " + text;
  return result;
}

void TSQLParser::TablesOfSelect(bool keepBracketedItems) {
  if (!FTables) FTables = New<TStringList>();
  FTables->Clear();
  int32_t fromPos = 0, fromEnd = 0;
  FromClauseRange(fromPos, fromEnd);
  if (fromPos == 0) return;
  String body = fromEnd == FLength ? From(FSQL, fromPos + 5) : Sub(FSQL, fromPos + 5, fromEnd - 1);
  if (body.empty()) return;
  body = StripComments(body);

  // One blank for every run of separators outside double quotes.
  String flat;
  flat.reserve(body.size());
  bool quoted = false, pendingBlank = false;
  for (char c : body) {
    if (!quoted && (c == '\0' || IsLineBlank(c) || c == '-' || c == '/' || c == ';')) {
      pendingBlank = !flat.empty();
      continue;
    }
    if (pendingBlank) {
      flat += ' ';
      pendingBlank = false;
    }
    if (c == '"') quoted = !quoted;
    flat += c;
  }

  // Joins become a comma list; ON conditions go.
  if (const int32_t j = SQLWordPos("JOIN", flat)) flat = Sub(flat, 1, j - 1) + ", " + From(flat, j + 4);
  for (const char* w : {" LEFT ", " RIGHT ", " FULL ", " INNER ", " OUTER "}) flat = ReplaceAllText(flat, w, " ", false);
  flat = ReplaceAllText(flat, " JOIN ", " , ", false);
  while (const int32_t on = SQLWordPos("ON", flat)) {
    const int32_t comma = CharPosFrom(',', flat, on);
    flat = Sub(flat, 1, on - 1) + (comma ? From(flat, comma) : String());
  }

  // Bracketed parts: procedure arguments, derived tables.
  int32_t open = 0;
  while ((open = CharPos('(', flat)) > 0) {
    int32_t depth = 0, close = 0;
    for (int32_t i = open; i <= static_cast<int32_t>(flat.size()); ++i) {
      const char c = flat[static_cast<size_t>(i - 1)];
      if (c == '(') ++depth;
      if (c == ')' && --depth == 0) {
        close = i;
        break;
      }
    }
    if (close == 0) break;
    if (keepBracketedItems) {
      flat = Sub(flat, 1, open - 1) + From(flat, close + 1);
    } else {
      int32_t itemStart = open;
      while (itemStart > 1 && flat[static_cast<size_t>(itemStart - 2)] != ',') --itemStart;
      if (itemStart > 1) --itemStart;  // the comma before it
      int32_t itemEnd = CharPosFrom(',', flat, close);
      itemEnd = itemEnd ? itemEnd - 1 : static_cast<int32_t>(flat.size());
      flat = Sub(flat, 1, itemStart - 1) + From(flat, itemEnd + 1);
    }
  }

  int32_t i = 1;
  const auto len = static_cast<int32_t>(flat.size());
  while (i <= len + 1) {
    int32_t comma = CharPosFrom(',', flat, i);
    if (comma == 0) comma = len + 1;
    String item = TrimBelow33(Sub(flat, i, comma - 1));
    i = comma + 1;
    if (item.empty()) continue;
    const size_t q = item.find('"', 1);
    if (item[0] != '"') {
      if (q == String::npos) {
        item = AsciiUpperCase(item);
      } else {
        const bool second = item.find('"', q + 1) != String::npos;
        item = AsciiUpperCase(item.substr(0, q)) + (second ? item.substr(q) : AsciiUpperCase(item.substr(q)));
      }
    } else if (q != String::npos && item.find('"', q + 1) == String::npos) {
      item = item.substr(0, q + 1) + AsciiUpperCase(item.substr(q + 1));
    }
    FTables->Add(item);
  }
}

TStringList* TSQLParser::TableList() {
  if (!FTables) FTables = New<TStringList>();
  return FTables;
}

TStringList* TSQLParser::Tables(bool keepBracketedItems) {
  TableList();
  if (FTables->Count() > 0) return FTables;
  if (FKind == sqkSelect)
    TablesOfSelect(keepBracketedItems);
  else
    FTables->Add(MainTable());
  return FTables;
}

// ---------------------------------------------------------------------------------------------------
// Unit-level functions

namespace {
// One parser for one call, created and freed the way every object of the library is.
class ParserOf {
public:
  explicit ParserOf(const String& sql) : FParser(New<TSQLParser>(sql)) {}
  ~ParserOf() { FParser->Free(); }
  ParserOf(const ParserOf&) = delete;
  ParserOf& operator=(const ParserOf&) = delete;
  TSQLParser* operator->() const { return FParser; }

private:
  TSQLParser* FParser;
};
}  // namespace

String MakeRecordCountSQL(const String& sql) { return ParserOf(sql)->CountSQL(); }

String MainTableFromSQL(const String& sql, bool keepQuotes) {
  String result = TrimStr(ParserOf(sql)->MainTable());
  if (keepQuotes || result.empty()) return result;
  if (result[0] == '"') {
    TSQLLexer lexer(result);
    TSQLPiece name;
    lexer.Next(name);
    return UnquoteIdentifier(result.substr(0, name.End));
  }
  for (size_t i = 0; i < result.size(); ++i)
    if (IsWordEnd(result[i])) {
      result.resize(i);
      break;
    }
  return AsciiUpperCase(result);
}

bool IsUnionSQL(const String& sql) { return ParserOf(sql)->IsUnion(); }

int32_t MainWhereIndexOfSQL(const String& sql) { return ParserOf(sql)->MainWhereIndex(); }
int32_t WhereCountOfSQL(const String& sql) { return ParserOf(sql)->WhereCount(); }

void GetWhereClauseOfSQL(const String& sql, int32_t n, int32_t& wherePos, String& text, int32_t& endPos) {
  ParserOf(sql)->WhereClause(n, wherePos, text, endPos);
}

String AddToWhereClause(const String& sql, const String& condition, bool onNewLine) {
  return ParserOf(sql)->AddMainWhereCondition(condition, onNewLine);
}

// ---------------------------------------------------------------------------------------------------
// Names, aliases and sort orders

bool IdentifiersEqual(const String& a, const String& b) {
  if (a.empty() || b.empty()) return true;
  if (a[0] == '"') {
    if (b[0] == '"') return a == b;
    return UnquoteIdentifier(a) == AsciiUpperCase(b);
  }
  if (b[0] == '"') return UnquoteIdentifier(b) == a || UnquoteIdentifier(b) == AsciiUpperCase(a);
  return AsciiUpperCase(a) == AsciiUpperCase(b);
}

int32_t AliasPosition(const String& item) {
  bool inDouble = false, inSingle = false;
  const auto len = static_cast<int32_t>(item.size());
  for (int32_t i = 1; i <= len; ++i) {
    const char c = item[static_cast<size_t>(i - 1)];
    if (c == '"' && !inSingle) inDouble = !inDouble;
    else if (c == '\'' && !inDouble) inSingle = !inSingle;
    else if (!inDouble && !inSingle && IsLineBlank(c)) {
      int32_t p = i + 1;
      while (p < len && IsWordEnd(item[static_cast<size_t>(p - 1)])) ++p;
      return p;
    }
  }
  return 0;
}

String TableNameOfRef(const String& item, int32_t aliasPos) {
  if (aliasPos <= 0) aliasPos = AliasPosition(item);
  return aliasPos > 0 ? TrimStr(Sub(item, 1, aliasPos - 1)) : TrimStr(item);
}

String AliasOfRef(const String& item, int32_t aliasPos) {
  if (aliasPos <= 0) aliasPos = AliasPosition(item);
  if (aliasPos > 0 && aliasPos + 2 <= static_cast<int32_t>(item.size()) && Up(CharAt(item, aliasPos)) == 'A' &&
      Up(CharAt(item, aliasPos + 1)) == 'S' && IsWordEnd(CharAt(item, aliasPos + 2)))
    aliasPos += 2;
  return aliasPos > 0 ? TrimStr(From(item, aliasPos)) : TrimStr(item);
}

String QualifiedFieldName(const String& table, const String& field) {
  if (table.empty()) return QuoteIdentifierIfNeeded(3, field);
  return QuoteIdentifierIfNeeded(3, table) + "." + QuoteIdentifierIfNeeded(3, field);
}

void StripTableAliases(TStrings* list) {
  for (int32_t i = 0; i < list->Count(); ++i) list->SetStrings(i, TableNameOfRef(list->Strings(i), 0));
}

void ListSelectTables(const String& sql, TStrings* list, bool keepBracketedItems, bool withAliases) {
  ParserOf parser(sql);
  parser->TablesOfSelect(keepBracketedItems);
  list->Assign(parser->TableList());
  if (!withAliases) StripTableAliases(list);
}

void ListTablesOfSQL(const String& sql, TStrings* list, bool keepBracketedItems, bool withAliases) {
  ParserOf parser(sql);
  list->Assign(parser->Tables(keepBracketedItems));
  if (!withAliases) StripTableAliases(list);
}

String AliasOfTable(const String& sql, const String& table) {
  ParserOf parser(sql);
  parser->TablesOfSelect(true);
  TStringList* items = parser->TableList();
  for (int32_t i = 0; i < items->Count(); ++i) {
    const String item = items->Strings(i);
    if (IdentifiersEqual(TableNameOfRef(item), table)) return AliasOfRef(item);
  }
  return table;
}

String TableNameByAlias(const String& sql, const String& alias) {
  ParserOf parser(sql);
  parser->TablesOfSelect(true);
  TStringList* items = parser->TableList();
  String fallback;
  for (int32_t i = 0; i < items->Count(); ++i) {
    const String item = items->Strings(i);
    const String table = TableNameOfRef(item);
    if (IdentifiersEqual(AliasOfRef(item), alias)) return table;
    if (fallback.empty()) {
      fallback = table;
      if (!IdentifiersEqual(fallback, alias)) fallback.clear();
    }
  }
  return fallback;
}

String ExpandFieldAlias(const String& sql, const String& name) {
  const size_t dot = name.find('.');
  if (dot == String::npos) return name;
  String table = TableNameByAlias(sql, name.substr(0, dot));
  if (table.empty()) return name;
  String field = TrimStr(name.substr(dot + 1));
  field = (!field.empty() && field[0] == '"') ? UnquoteIdentifier(field) : AsciiUpperCase(field);
  table = (table[0] == '"') ? UnquoteIdentifier(table) : AsciiUpperCase(table);
  return table + "." + field;
}

Variant TSQLParser::OrderByToVariantArray() {
  String list = TrimStr(StripComments(GetOrderClause()));
  const TCharSet comma(",");
  const int32_t n = CountWords(list, comma);
  if (n == 0) return Null();
  Variant result = VarArrayCreate({0, n - 1, 0, 2}, varVariant);
  for (int32_t row = 0; row < n; ++row) {
    String item = TrimStr(ExtractWordByIndex(row + 1, list, comma));
    const size_t dot = item.find('.');
    if (dot != String::npos)
      item = UpperUnlessQuoted(item.substr(0, dot)) + "." + UpperUnlessQuoted(TrimStr(item.substr(dot + 1)));
    if (item.empty()) continue;
    if (const int32_t nulls = SQLWordPos("NULLS", item)) {
      int32_t p = nulls + 5;
      const auto len = static_cast<int32_t>(item.size());
      while (p < len && IsWordEnd(CharAt(item, p))) ++p;
      if (p < len) VarArrayPut(result, Variant(Up(CharAt(item, p)) == 'F'), {row, 2});
      item = Sub(item, 1, nulls - 1);
    } else {
      VarArrayPut(result, Variant(false), {row, 2});
    }
    int32_t dir = SQLWordPos("DESC", item);
    if (dir == 0) dir = SQLWordPos("DESCENDING", item);
    if (dir > 0) {
      VarArrayPut(result, Variant(false), {row, 1});
      item = Sub(item, 1, dir - 1);
    } else {
      VarArrayPut(result, Variant(true), {row, 1});
      int32_t asc = SQLWordPos("ASC", item);
      if (asc == 0) asc = SQLWordPos("ASCENDING", item);
      if (asc > 0) item = Sub(item, 1, asc - 1);
    }
    if (const int32_t collate = SQLWordPos("COLLATE", item)) item = Sub(item, 1, collate - 1);
    VarArrayPut(result, Variant(TrimStr(item)), {row, 0});
  }
  return result;
}

Variant OrderByToVariantArray(const String& sql) { return ParserOf(sql)->OrderByToVariantArray(); }

namespace {
// The rest of ASCENDING or DESCENDING, whose letters must not read as a direction again.
size_t SkipEnding(const String& s, size_t i) {
  static const char kEnding[] = "ENDING";
  for (size_t k = 0; k < 6; ++k)
    if (i + k >= s.size() || Up(s[i + k]) != kEnding[k]) return i;
  return i + 6;
}
}  // namespace

String ReverseOrderBy(const String& orderList) {
  if (orderList.empty()) return String();
  enum { item, quoted, afterItem, between, collation } state = item;
  const size_t n = orderList.size();
  size_t i = 0;
  while (i < n && IsLineBlank(orderList[i])) ++i;
  bool needsDesc = true;
  int collationBlanks = 0;
  String out;
  out.reserve(n + 16);
  while (i < n) {
    const char c = orderList[i];
    switch (state) {
      case item:
        if (IsLineBlank(c)) {
          state = afterItem;
          ++i;
        } else if (c == '"') {
          out += c;
          state = quoted;
          ++i;
        } else if (c == ',') {
          out += needsDesc ? " desc," : ",";
          ++i;
          while (i < n && IsLineBlank(orderList[i])) ++i;
        } else {
          out += c;
          ++i;
        }
        break;
      case quoted:
        out += c;
        if (c == '"') state = item;
        ++i;
        break;
      case afterItem:
        if (c == ',') {
          out += needsDesc ? " desc," : ",";
          needsDesc = true;
          state = between;
          ++i;
        } else if (c == 'A' || c == 'a') {
          i += 3;
          i = SkipEnding(orderList, i);
        } else if (c == 'D' || c == 'd') {
          needsDesc = false;
          i += 4;
          i = SkipEnding(orderList, i);
        } else if (c == 'C' || c == 'c') {
          out += orderList[i - 1];
          out += c;
          state = collation;
          collationBlanks = 0;
          ++i;
        } else {
          ++i;
        }
        break;
      case between:
        if (IsLineBlank(c))
          ++i;
        else
          state = item;
        break;
      case collation:
        out += c;
        if (IsLineBlank(c) && ++collationBlanks == 2) state = afterItem;
        ++i;
        break;
    }
  }
  if (needsDesc) out += " desc";
  return out;
}

namespace {
bool IsOperatorChar(char c) {
  return IsLineBlank(c) || std::strchr("!()*+,-/;<=>^|~", c) != nullptr;
}

// The word before the operator that precedes position mark (the ":" or "?").
String WordBeforeOperator(const String& text, int32_t mark, char markChar) {
  int32_t p = mark - 1;
  while (p >= 1 && (IsOperatorChar(CharAt(text, p)) || CharAt(text, p) == markChar || CharAt(text, p) == ':')) --p;
  const int32_t end = p;
  while (p >= 1 && !IsOperatorChar(CharAt(text, p))) --p;
  return Sub(text, p + 1, end);
}

int32_t FindParamRef(const String& upText, const String& upName, char markChar) {
  const String needle = String(1, markChar) + upName;
  size_t from = 0;
  while (true) {
    const size_t p = upText.find(needle, from);
    if (p == String::npos) return 0;
    const size_t end = p + needle.size();
    const bool beforeOk = p > 0 && IsOperatorChar(upText[p - 1]);
    const bool afterOk = end == upText.size() || upText[end] == '\0' || IsOperatorChar(upText[end]);
    if (beforeOk && afterOk) return static_cast<int32_t>(p + 1);
    from = p + 1;
  }
}
}  // namespace

String FieldNameByParam(const String& sql, const String& paramName) {
  ParserOf parser(sql);
  const int32_t count = parser->WhereCount();
  const String upName = AnsiUpperCase(paramName);
  for (int32_t n = 1; n <= count; ++n) {
    int32_t wherePos = 0, endPos = 0;
    String clause;
    parser->WhereClause(n, wherePos, clause, endPos);
    if (clause.empty()) continue;
    String upClause = AnsiUpperCase(clause);
    const String& source = upClause.size() == clause.size() ? clause : upClause;
    for (char mark : {':', '?'}) {
      if (const int32_t at = FindParamRef(upClause, upName, mark)) {
        const String word = WordBeforeOperator(source, at, mark);
        if (!word.empty()) return word;
      }
    }
  }
  return String();
}
