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
  String CountSQL();
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
  bool TestOrderDepth0(int32_t p);
  bool TestBy(int32_t p);
  bool TestFromEnd(int32_t p);
  bool TestWhereEnd(int32_t p);
  bool TestPlanEnd(int32_t p);

private:
  enum TLexState : uint8_t { lsNormal, lsDoubleQuoted, lsBlockComment, lsLineComment, lsSingleQuoted };

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

  TLexState FState = lsNormal;
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

bool IsWhereAt(const String& text, int32_t position);
bool IsWhereClauseEnd(const String& text, int32_t position);
// A whole word, ASCII case-insensitive, without regard to quotes or comments.
int32_t SQLWordPos(const String& word, const String& text);
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
