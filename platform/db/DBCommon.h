#pragma once
// The filter expression parser: turns a dataset's Filter text into the framework's binary expression
// tree (the filter data), which local filters walk record by record.
//
// Filter data layout (all integers little-endian):
//   header, 10 bytes: five uint16 words: version (2), total size, node count, node area start (10),
//                     literal area start (offset from the start of the data)
//   node area: the nodes; the first node is the root. Offsets to other nodes are uint16 counted from the
//              start of the node area; literal offsets are uint16 counted from the literal area start.
//   node:      uint32 node class (TNodeClass) at +0, uint32 operator (TCANOperator) at +4, operands
//              from +8, each a uint16:
//     nodeUNARY     operand node
//     nodeBINARY    left node, right node
//     nodeCOMPARE   case-insensitive flag, partial length, left node, right node (emitted for = <> LIKE
//                   on strings when the compare is case-insensitive or partial: 'abc*')
//     nodeFIELD     field number (FieldNo), field name (literal: null-terminated UTF-8)
//     nodeCONST     data type (TFieldType), size in bytes, value (literal offset)
//     nodeFUNC      function name (literal, upper case), argument node (a nodeLISTELEM for zero or
//                   several arguments)
//     nodeLISTELEM  element count n, then n element nodes (IN lists and function arguments)
//   constant literals: ftString null-terminated text (size counts the terminator); ftInteger int32;
//   ftLargeint int64; ftFloat double; ftBoolean uint16 (0 / 1); ftDate int32 days (TDateTimeRec.Date);
//   ftTime int32 milliseconds; ftDateTime double milliseconds (TDateTimeRec.DateTime).
//
// Syntax: comparisons (= <> < > <= >=), AND, OR, NOT, IS [NOT] NULL, "= NULL", "<> NULL", IN (list),
// LIKE, + - * / and unary minus, parentheses, string literals in single quotes with '' for a quote,
// field names plain or in [brackets] or "double quotes", numbers, TRUE/FALSE, and with poExtSyntax
// function calls NAME(args). A string constant compared with = or <> that ends in "*" compares only its
// leading part unless foNoPartialCompare is set. A malformed text raises EDatabaseError.
#include <cstdint>
#include <vector>

#include "db/DB.h"

enum TNodeClass : uint8_t {
  nodeNULL, nodeUNARY, nodeBINARY, nodeCOMPARE, nodeFIELD, nodeCONST, nodeTUPLE, nodeCONTINUE, nodeUDF,
  nodeLIST, nodeFUNC, nodeLISTELEM
};

enum TCANOperator : uint8_t {
  coNOTDEFINED, coISBLANK, coNOTBLANK, coEQ, coNE, coGT, coLT, coGE, coLE, coNOT, coAND, coOR, coTUPLE2,
  coFIELD2, coCONST2, coMINUS, coADD, coSUB, coMUL, coDIV, coMOD, coREM, coSUM, coCOUNT, coMIN, coMAX,
  coAVG, coCONT, coUDF2, coCONTINUE2, coLIKE, coIN, coLIST2, coUPPER, coLOWER, coFUNC2, coLISTELEM2,
  coASSIGN
};

enum TParserOption : uint8_t { poExtSyntax, poAggregate, poDefaultExpr, poUseOrigNames, poFieldNameGiven, poFieldDepend };
using TParserOptions = Set<TParserOption>;

constexpr uint16_t CANEXPRVERSION = 2;
constexpr uint16_t CANEXPRSIZE = 10;  // the header
constexpr uint16_t CANHDRSIZE = 8;    // node class and operator

// Maps a field name to the field a tree refers to (unused by the framework's datasets; kept for the
// constructor's shape).
using TFieldMap = std::vector<uint8_t>;

class TExprParser : public TObject {
  RTL_CLASS(TExprParser, TObject)
public:
  // Parses text against dataSet's fields (names are checked with FindField; an unknown name raises
  // "Field '%s' not found"). Calculated fields are accepted only with kind fkInternalCalc or fkData.
  TExprParser(TDataSet* dataSet, const String& text, TFilterOptions options,
              TParserOptions parserOptions = TParserOptions(), const String& fieldName = String(),
              void* depFields = nullptr, const TFieldMap* fieldMap = nullptr);
  ~TExprParser() override;

  const std::vector<uint8_t>& FilterData() const { return FFilterData; }
  int32_t DataSize() const { return static_cast<int32_t>(FFilterData.size()); }
  // Parses another text with the same dataset and options.
  void SetExprParams(const String& text, TFilterOptions options, TParserOptions parserOptions,
                     const String& fieldName);

  struct Node;  // the parse tree (private to the parser)

private:
  void Build();
  TDataSet* FDataSet;
  String FText;
  TFilterOptions FOptions;
  TParserOptions FParserOptions;
  String FFieldName;
  std::vector<uint8_t> FFilterData;
};

// Readers for the filter data, for evaluators.
inline uint16_t ExprWord(const std::vector<uint8_t>& data, size_t offset) {
  return static_cast<uint16_t>(data.at(offset) | (data.at(offset + 1) << 8));
}
inline uint32_t ExprNodeStart(const std::vector<uint8_t>& data) { return ExprWord(data, 6); }
inline uint32_t ExprLiteralStart(const std::vector<uint8_t>& data) { return ExprWord(data, 8); }
// The node class and operator of the node at node-area offset node.
inline TNodeClass ExprNodeClass(const std::vector<uint8_t>& data, uint16_t node) {
  return static_cast<TNodeClass>(data.at(ExprNodeStart(data) + node) & 0x7F);
}
inline TCANOperator ExprNodeOperator(const std::vector<uint8_t>& data, uint16_t node) {
  return static_cast<TCANOperator>(data.at(ExprNodeStart(data) + node + 4));
}
// Operand i (0-based uint16) of a node.
inline uint16_t ExprNodeOperand(const std::vector<uint8_t>& data, uint16_t node, int i) {
  return ExprWord(data, ExprNodeStart(data) + node + CANHDRSIZE + 2 * static_cast<size_t>(i));
}
// A null-terminated literal string at literal offset.
String ExprLiteralString(const std::vector<uint8_t>& data, uint16_t literalOffset);
// A constant node's value as a Variant (strings, integers, floats, booleans, dates as TDateTime).
Variant ExprConstValue(const std::vector<uint8_t>& data, uint16_t node);
