#pragma once
// SQL text without a grammar: a scanner that tracks quotes, comments and brackets and stops where a small
// keyword test says so, the clause operations built on it (FROM, WHERE, ORDER BY, PLAN, record count,
// main table, table lists), and the name, alias and sort-order utilities on top.
//
// Keywords are whole words, ASCII case-insensitive, never inside quotes or comments. Positions are
// 1-based byte positions; 0 means not found. Edited text uses CR LF line breaks.

#include <cstdint>
#include <string_view>

#include "rtl/System.h"
#include "rtl/Variants.h"

class TStrings;
class TStringList;

// The one scanner of quotes and comments in SQL text: every routine here that must not look inside a
// string, a quoted identifier or a comment walks the text through it, so they all agree on where those end.
// A piece is one character of code, or a whole string ('...'), quoted identifier ("..."), block comment
// (/* ... */) or line comment (-- up to, not including, the CR or LF that ends the line). A doubled quote
// inside a string or an identifier stands for the quote itself and stays in the same piece, so
// "Tab ""q"" 'x'" is one identifier. A line comment also ends at the end of the text; a string,
// identifier or block comment that the text ends inside is returned with Closed false.
enum TSQLPieceKind : uint8_t { spCode, spString, spQuotedName, spBlockComment, spLineComment };

struct TSQLPiece {
  TSQLPieceKind Kind = spCode;
  size_t Start = 0;  // 0-based, inclusive
  size_t End = 0;    // 0-based, exclusive
  bool Closed = true;
  bool IsComment() const { return Kind == spBlockComment || Kind == spLineComment; }
};

class TSQLLexer {
public:
  explicit TSQLLexer(std::string_view text, size_t from = 0) : FText(text), FPos(from) {}
  // The piece at the current position; false at the end of the text.
  bool Next(TSQLPiece& piece);
  size_t Position() const { return FPos; }

private:
  std::string_view FText;
  size_t FPos;
};

inline bool TSQLLexer::Next(TSQLPiece& piece) {
  const size_t n = FText.size();
  if (FPos >= n) return false;
  piece.Start = FPos;
  piece.Closed = true;
  const char c = FText[FPos];
  const char next = FPos + 1 < n ? FText[FPos + 1] : '\0';
  if (c == '\'' || c == '"') {
    piece.Kind = c == '\'' ? spString : spQuotedName;
    size_t i = FPos + 1;
    piece.Closed = false;
    while (i < n) {
      if (FText[i] == c) {
        if (i + 1 < n && FText[i + 1] == c) {
          i += 2;  // a doubled quote is the quote itself
          continue;
        }
        ++i;
        piece.Closed = true;
        break;
      }
      ++i;
    }
    FPos = i;
  } else if (c == '-' && next == '-') {
    piece.Kind = spLineComment;
    size_t i = FPos + 2;
    while (i < n && FText[i] != '\r' && FText[i] != '\n') ++i;
    FPos = i;
  } else if (c == '/' && next == '*') {
    piece.Kind = spBlockComment;
    const size_t close = FText.find("*/", FPos + 2);
    piece.Closed = close != std::string_view::npos;
    FPos = piece.Closed ? close + 2 : n;
  } else {
    piece.Kind = spCode;
    ++FPos;
  }
  piece.End = FPos;
  return true;
}

enum TSQLKind : uint8_t {
  sqkUnknown,
  sqkSelect,
  sqkUpdate,
  sqkInsert,
  sqkDelete,
  sqkExecProc,
  sqkDDL,
  sqkExecBlock,
};

class TSQLParser : public TObject {
  RTL_CLASS(TSQLParser, TObject)
public:
  using TKeywordTest = bool (TSQLParser::*)(int32_t position);

  TSQLParser();
  explicit TSQLParser(const String& sql);
  ~TSQLParser() override;

  void SetSQL(const String& sql);
  const String& SQL() const { return FSQL; }
  int32_t FirstPos() const { return FFirstPos; }
  TSQLKind SQLKind() const { return FKind; }
  // True for every kind but sqkUnknown and sqkDDL.
  bool IsDataStatement() const { return FIsDataStatement; }

  // The walker: the result position, or 0. The test is asked only where a keyword can start (after a
  // blank, a line end or ")"), at a blank, and at the end of the text.
  int32_t Scan(int32_t start, TKeywordTest test);

  void FromClauseRange(int32_t& fromPos, int32_t& endPos);
  String MainTable();
  void OrderByClause(int32_t& orderPos, int32_t& endPos, String& text);
  String GetOrderClause();
  String SetOrderClause(const String& orderList);
  int32_t WhereCount();
  int32_t MainWhereIndex();
  // Outputs stay as the caller set them when the n-th clause does not exist.
  void WhereClause(int32_t n, int32_t& wherePos, String& text, int32_t& endPos);
  void MainWhereClause(int32_t& wherePos, int32_t& endPos, String& text);
  String SetWhereClause(int32_t n, const String& condition);
  String SetMainWhereClause(const String& condition);
  String AddMainWhereCondition(const String& condition, bool onNewLine);
  int32_t MainPlanIndex();
  void PlanClause(int32_t n, int32_t& startPos, String& text, int32_t& endPos);
  String SetPlanClause(const String& plan);
  // Empty for anything but a select, and for a UNION, GROUP BY, DISTINCT, FIRST, SKIP or ROWS: without a
  // derived table no count of the FROM and WHERE parts gives the rows such a select returns.
  String CountSQL();
  bool CountsOtherRows();
  bool TestGroupOrRowsDepth0(int32_t p);
  // A select of several branches joined by UNION outside brackets: its main WHERE clause restricts the
  // first branch only.
  bool IsUnion();
  void TablesOfSelect(bool keepBracketedItems);
  TStringList* Tables(bool keepBracketedItems);
  // The list as it stands, without filling it.
  TStringList* TableList();
  Variant OrderByToVariantArray();

  // Keyword tests usable with Scan.
  bool TestFromDepth0(int32_t p);
  bool TestFrom(int32_t p);
  bool TestInto(int32_t p);
  bool TestPlan(int32_t p);
  bool TestWhere(int32_t p);
  bool TestUnionDepth0(int32_t p);
  bool TestOrderDepth0(int32_t p);
  bool TestBy(int32_t p);
  bool TestFromEnd(int32_t p);
  bool TestWhereEnd(int32_t p);
  bool TestPlanEnd(int32_t p);

private:
  char At(int32_t p) const { return (p >= 1 && p <= FLength) ? FSQL[static_cast<size_t>(p - 1)] : '\0'; }
  bool KeywordAt(int32_t p, std::string_view word) const;
  void ResetScan();
  String NextWord(int32_t& p) const;

  String FSQL;
  int32_t FLength = 0;
  int32_t FFirstPos = 1;
  TSQLKind FKind = sqkUnknown;
  bool FIsDataStatement = false;
  TStringList* FTables = nullptr;

  int32_t FResult = 0;
  int32_t FDepth = 0;
  int32_t FScanStartDepth = 0;
  bool FBracketBounded = false;
  bool FStoppedAtBracket = false;
  int32_t FWantedOccurrence = 0;
  int32_t FOccurrences = 0;
};

// Unit-level functions: one parser per call.
String MakeRecordCountSQL(const String& sql);
String MainTableFromSQL(const String& sql, bool keepQuotes = false);
int32_t MainWhereIndexOfSQL(const String& sql);
int32_t WhereCountOfSQL(const String& sql);
void GetWhereClauseOfSQL(const String& sql, int32_t n, int32_t& wherePos, String& text, int32_t& endPos);
String AddToWhereClause(const String& sql, const String& condition, bool onNewLine = false);
bool IsUnionSQL(const String& sql);

bool IsWhereAt(const String& text, int32_t position);
bool IsWhereClauseEnd(const String& text, int32_t position);
// A whole word, ASCII case-insensitive, without regard to quotes or comments.
int32_t SQLWordPos(const String& word, const String& text);
// From the 1-based position past blanks, ";", "(" and comments, within the first length bytes.
void SkipBlanksAndComments(const String& text, int32_t length, int32_t& position);
String StripComments(const String& text);
void SplitParamDefault(const String& text, char prefix, String& defaultValue, String& name);

// Names, aliases and sort orders.
bool IdentifiersEqual(const String& a, const String& b);
int32_t AliasPosition(const String& item);
String TableNameOfRef(const String& item, int32_t aliasPos = 0);
String AliasOfRef(const String& item, int32_t aliasPos = 0);
String QualifiedFieldName(const String& table, const String& field);
void StripTableAliases(TStrings* list);
void ListSelectTables(const String& sql, TStrings* list, bool keepBracketedItems, bool withAliases);
void ListTablesOfSQL(const String& sql, TStrings* list, bool keepBracketedItems, bool withAliases);
String AliasOfTable(const String& sql, const String& table);
String TableNameByAlias(const String& sql, const String& alias);
String ExpandFieldAlias(const String& sql, const String& name);
// Rows of (field name, ascending, nulls first); Null without ORDER BY items.
Variant OrderByToVariantArray(const String& sql);
String ReverseOrderBy(const String& orderList);
String FieldNameByParam(const String& sql, const String& paramName);
