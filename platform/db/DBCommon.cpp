// The filter expression parser: text -> parse tree -> the binary filter data.
#include "db/DBCommon.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "db/detail/DBMessages.h"
#include "rtl/DateTime.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace {
const char* const SExprTermination = "Filter expression incorrectly terminated";
const char* const SExprNameError = "Unterminated field name";
const char* const SExprStringError = "Unterminated string constant";
const char* const SExprInvalidChar = "Invalid filter expression character: '%s'";
const char* const SExprNoRParen = "')' expected but %s found";
const char* const SExprNoRParenOrComma = "')' or ',' expected but %s found";
const char* const SExprNoLParen = "'(' expected but %s found";
const char* const SExprExpected = "Expression expected but %s found";
const char* const SExprBadField = "Field '%s' cannot be used in a filter expression";
const char* const SExprBadNullTest = "NULL only allowed with '=' and '<>'";
const char* const SExprNotBoolean = "Field '%s' is not of type Boolean";
const char* const SExprTypeMis = "Type mismatch in expression";
const char* const SExprEmptyInList = "IN predicate list may not be empty";
const char* const SExprNothing = "nothing";

enum TTokenKind { tokEnd, tokName, tokString, tokNumber, tokSymbol };

struct Token {
  TTokenKind kind = tokEnd;
  String text;    // the name, the string's value, the number or the symbol
  bool quotedName = false;
};

bool IsNameStart(unsigned char c) { return c >= 0x80 || std::isalpha(c) || c == '_'; }
bool IsNameChar(unsigned char c) { return c >= 0x80 || std::isalnum(c) || c == '_' || c == '.' || c == '$'; }

bool IsStringType(TFieldType t) {
  return t == ftString || t == ftFixedChar || t == ftWideString || t == ftMemo || t == ftFmtMemo || t == ftGuid;
}
bool IsDateType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime; }
bool IsNumericType(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint || t == ftFloat ||
         t == ftCurrency || t == ftBCD || t == ftFMTBcd;
}
}  // namespace

struct TExprParser::Node {
  TNodeClass cls = nodeNULL;
  TCANOperator op = coNOTDEFINED;
  std::vector<std::unique_ptr<Node>> args;
  // field
  String name;
  int32_t fieldNo = 0;
  TFieldType fieldType = ftUnknown;
  // constant
  TFieldType dataType = ftUnknown;
  std::vector<uint8_t> value;
  String text;  // a string constant's text (kept for typing against a field)
  // compare
  bool caseInsensitive = false;
  uint16_t partialLen = 0;
};

namespace {
using Node = TExprParser::Node;
using NodePtr = std::unique_ptr<Node>;

NodePtr MakeNode(TNodeClass cls, TCANOperator op) {
  auto n = std::make_unique<Node>();
  n->cls = cls;
  n->op = op;
  return n;
}

template <class T>
std::vector<uint8_t> Bytes(const T& v) {
  std::vector<uint8_t> b(sizeof(T));
  std::memcpy(b.data(), &v, sizeof(T));
  return b;
}

NodePtr StringConst(const String& s) {
  NodePtr n = MakeNode(nodeCONST, coCONST2);
  n->dataType = ftString;
  n->text = s;
  n->value.assign(s.begin(), s.end());
  n->value.push_back(0);
  return n;
}

class Parser {
public:
  Parser(TDataSet* ds, const String& text, TFilterOptions options, TParserOptions parserOptions)
      : FDataSet(ds), FText(text), FOptions(options), FParserOptions(parserOptions) {}

  NodePtr Parse() {
    Next();
    if (FToken.kind == tokEnd) DatabaseErrorFmt(SExprExpected, {String(SExprNothing)});
    NodePtr root = Logical(OrExpr());
    if (FToken.kind != tokEnd) DatabaseError(SExprTermination);
    return root;
  }

private:
  // --- tokens ---
  void Next() {
    FToken = Token();
    size_t n = FText.size();
    while (FPos < n && static_cast<unsigned char>(FText[FPos]) <= ' ') ++FPos;
    if (FPos >= n) return;
    unsigned char c = static_cast<unsigned char>(FText[FPos]);
    if (c == '\'') {
      String s;
      size_t p = FPos + 1;
      for (;;) {
        if (p >= n) DatabaseError(SExprStringError);
        if (FText[p] == '\'') {
          if (p + 1 < n && FText[p + 1] == '\'') {
            s += '\'';
            p += 2;
            continue;
          }
          break;
        }
        s += FText[p++];
      }
      FPos = p + 1;
      FToken.kind = tokString;
      FToken.text = s;
    } else if (c == '[' || c == '"') {
      char close = c == '[' ? ']' : '"';
      size_t p = FText.find(close, FPos + 1);
      if (p == String::npos) DatabaseError(SExprNameError);
      FToken.kind = tokName;
      FToken.text = FText.substr(FPos + 1, p - FPos - 1);
      FToken.quotedName = true;
      FPos = p + 1;
    } else if (std::isdigit(c) || (c == '.' && FPos + 1 < n && std::isdigit(static_cast<unsigned char>(FText[FPos + 1])))) {
      size_t p = FPos;
      while (p < n && (std::isdigit(static_cast<unsigned char>(FText[p])) || FText[p] == '.')) ++p;
      if (p < n && (FText[p] == 'e' || FText[p] == 'E')) {
        size_t q = p + 1;
        if (q < n && (FText[q] == '+' || FText[q] == '-')) ++q;
        if (q < n && std::isdigit(static_cast<unsigned char>(FText[q]))) {
          p = q;
          while (p < n && std::isdigit(static_cast<unsigned char>(FText[p]))) ++p;
        }
      }
      FToken.kind = tokNumber;
      FToken.text = FText.substr(FPos, p - FPos);
      FPos = p;
    } else if (IsNameStart(c)) {
      size_t p = FPos;
      while (p < n && IsNameChar(static_cast<unsigned char>(FText[p]))) ++p;
      FToken.kind = tokName;
      FToken.text = FText.substr(FPos, p - FPos);
      FPos = p;
    } else {
      static const char* const two[] = {"<>", "<=", ">=", "!="};
      for (const char* t : two)
        if (FText.compare(FPos, 2, t) == 0) {
          FToken.kind = tokSymbol;
          FToken.text = std::strcmp(t, "!=") == 0 ? "<>" : t;
          FPos += 2;
          return;
        }
      if (std::strchr("=<>()+-*/,", static_cast<char>(c)) && c) {
        FToken.kind = tokSymbol;
        FToken.text = String(1, static_cast<char>(c));
        ++FPos;
        return;
      }
      size_t len = Utf8UnitLength(FText, FPos);
      DatabaseErrorFmt(SExprInvalidChar, {FText.substr(FPos, len)});
    }
  }

  bool IsKeyword(const char* kw) const {
    return FToken.kind == tokName && !FToken.quotedName && SameText(FToken.text, kw);
  }
  bool IsSymbol(const char* s) const { return FToken.kind == tokSymbol && FToken.text == s; }

  String TokenDescription() const {
    switch (FToken.kind) {
      case tokEnd: return SExprNothing;
      case tokString: return "'" + FToken.text + "'";
      default: return "'" + FToken.text + "'";
    }
  }

  // --- grammar ---
  NodePtr OrExpr() {
    NodePtr left = AndExpr();
    while (IsKeyword("OR")) {
      Next();
      NodePtr right = AndExpr();
      left = Binary(coOR, Logical(std::move(left)), Logical(std::move(right)));
    }
    return left;
  }

  NodePtr AndExpr() {
    NodePtr left = NotExpr();
    while (IsKeyword("AND")) {
      Next();
      NodePtr right = NotExpr();
      left = Binary(coAND, Logical(std::move(left)), Logical(std::move(right)));
    }
    return left;
  }

  NodePtr NotExpr() {
    if (IsKeyword("NOT")) {
      Next();
      NodePtr operand = Logical(NotExpr());
      NodePtr n = MakeNode(nodeUNARY, coNOT);
      n->args.push_back(std::move(operand));
      return n;
    }
    return Compare();
  }

  NodePtr Compare() {
    NodePtr left = Additive();
    static const struct {
      const char* sym;
      TCANOperator op;
    } ops[] = {{"=", coEQ}, {"<>", coNE}, {"<", coLT}, {">", coGT}, {"<=", coLE}, {">=", coGE}};
    for (const auto& o : ops) {
      if (!IsSymbol(o.sym)) continue;
      Next();
      if (IsKeyword("NULL")) {
        if (o.op != coEQ && o.op != coNE) DatabaseError(SExprBadNullTest);
        Next();
        NodePtr n = MakeNode(nodeUNARY, o.op == coEQ ? coISBLANK : coNOTBLANK);
        n->args.push_back(std::move(left));
        return n;
      }
      NodePtr right = Additive();
      return Comparison(o.op, std::move(left), std::move(right));
    }
    if (IsKeyword("IS")) {
      Next();
      bool negate = false;
      if (IsKeyword("NOT")) {
        negate = true;
        Next();
      }
      if (!IsKeyword("NULL")) DatabaseErrorFmt(SExprExpected, {TokenDescription()});
      Next();
      NodePtr n = MakeNode(nodeUNARY, negate ? coNOTBLANK : coISBLANK);
      n->args.push_back(std::move(left));
      return n;
    }
    bool negate = false;
    if (IsKeyword("NOT")) {
      negate = true;
      Next();
      if (!IsKeyword("LIKE") && !IsKeyword("IN")) DatabaseErrorFmt(SExprExpected, {TokenDescription()});
    }
    NodePtr result;
    if (IsKeyword("LIKE")) {
      Next();
      NodePtr right = Additive();
      result = Comparison(coLIKE, std::move(left), std::move(right));
    } else if (IsKeyword("IN")) {
      Next();
      if (!IsSymbol("(")) DatabaseErrorFmt(SExprNoLParen, {TokenDescription()});
      Next();
      if (IsSymbol(")")) DatabaseError(SExprEmptyInList);
      NodePtr list = MakeNode(nodeLISTELEM, coLISTELEM2);
      for (;;) {
        NodePtr item = Additive();
        TypeConstant(*item, left.get());
        list->args.push_back(std::move(item));
        if (IsSymbol(",")) {
          Next();
          continue;
        }
        if (!IsSymbol(")")) DatabaseErrorFmt(SExprNoRParenOrComma, {TokenDescription()});
        Next();
        break;
      }
      result = Binary(coIN, std::move(left), std::move(list));
    } else {
      return left;
    }
    if (negate) {
      NodePtr n = MakeNode(nodeUNARY, coNOT);
      n->args.push_back(std::move(result));
      return n;
    }
    return result;
  }

  NodePtr Additive() {
    NodePtr left = Term();
    while (IsSymbol("+") || IsSymbol("-")) {
      TCANOperator op = IsSymbol("+") ? coADD : coSUB;
      Next();
      left = Binary(op, std::move(left), Term());
    }
    return left;
  }

  NodePtr Term() {
    NodePtr left = Factor();
    while (IsSymbol("*") || IsSymbol("/")) {
      TCANOperator op = IsSymbol("*") ? coMUL : coDIV;
      Next();
      left = Binary(op, std::move(left), Factor());
    }
    return left;
  }

  NodePtr Factor() {
    if (IsSymbol("-")) {
      Next();
      NodePtr operand = Factor();
      NodePtr n = MakeNode(nodeUNARY, coMINUS);
      n->args.push_back(std::move(operand));
      return n;
    }
    if (IsSymbol("(")) {
      Next();
      NodePtr inner = OrExpr();
      if (!IsSymbol(")")) DatabaseErrorFmt(SExprNoRParen, {TokenDescription()});
      Next();
      return inner;
    }
    switch (FToken.kind) {
      case tokString: {
        NodePtr n = StringConst(FToken.text);
        Next();
        return n;
      }
      case tokNumber: {
        NodePtr n = NumberConst(FToken.text);
        Next();
        return n;
      }
      case tokName: {
        if (!FToken.quotedName && (SameText(FToken.text, "TRUE") || SameText(FToken.text, "FALSE"))) {
          NodePtr n = MakeNode(nodeCONST, coCONST2);
          n->dataType = ftBoolean;
          n->value = Bytes<uint16_t>(SameText(FToken.text, "TRUE") ? 1 : 0);
          Next();
          return n;
        }
        if (!FToken.quotedName && IsReserved(FToken.text)) DatabaseErrorFmt(SExprExpected, {TokenDescription()});
        String name = FToken.text;
        bool quoted = FToken.quotedName;
        Next();
        if (!quoted && IsSymbol("(")) return Function(name);
        return FieldNode(name);
      }
      default:
        DatabaseErrorFmt(SExprExpected, {TokenDescription()});
    }
  }

  static bool IsReserved(const String& s) {
    static const char* const words[] = {"AND", "OR", "NOT", "IS", "NULL", "IN", "LIKE"};
    for (const char* w : words)
      if (SameText(s, w)) return true;
    return false;
  }

  NodePtr Function(const String& name) {
    Next();  // "("
    std::vector<NodePtr> args;
    if (!IsSymbol(")")) {
      for (;;) {
        args.push_back(OrExpr());
        if (IsSymbol(",")) {
          Next();
          continue;
        }
        if (!IsSymbol(")")) DatabaseErrorFmt(SExprNoRParenOrComma, {TokenDescription()});
        break;
      }
    }
    Next();  // ")"
    String upper = UpperCase(name);
    if ((upper == "UPPER" || upper == "LOWER") && args.size() == 1) {
      NodePtr n = MakeNode(nodeUNARY, upper == "UPPER" ? coUPPER : coLOWER);
      n->args.push_back(std::move(args[0]));
      return n;
    }
    NodePtr n = MakeNode(nodeFUNC, coFUNC2);
    n->name = upper;
    if (args.size() == 1) {
      n->args.push_back(std::move(args[0]));
    } else {
      NodePtr list = MakeNode(nodeLISTELEM, coLISTELEM2);
      for (auto& a : args) list->args.push_back(std::move(a));
      n->args.push_back(std::move(list));
    }
    return n;
  }

  NodePtr FieldNode(const String& name) {
    NodePtr n = MakeNode(nodeFIELD, coFIELD2);
    n->name = name;
    if (FDataSet) {
      TField* f = FDataSet->FindField(name);
      if (!f) DatabaseErrorFmt(SFieldNotFound, {name});
      if (f->FieldKind() != fkData && f->FieldKind() != fkInternalCalc) DatabaseErrorFmt(SExprBadField, {name});
      n->name = f->FieldName();
      n->fieldNo = f->FieldNo();
      n->fieldType = f->DataType();
    }
    return n;
  }

  NodePtr NumberConst(const String& text) {
    NodePtr n = MakeNode(nodeCONST, coCONST2);
    bool integral = text.find_first_of(".eE") == String::npos;
    int64_t i64 = 0;
    if (integral && TryStrToInt64(text, i64) && i64 >= INT32_MIN && i64 <= INT32_MAX) {
      n->dataType = ftInteger;
      n->value = Bytes<int32_t>(static_cast<int32_t>(i64));
    } else {
      TFormatSettings fs = FormatSettings();
      fs.DecimalSeparator = '.';
      double d;
      if (!TryStrToFloat(text, d, fs)) DatabaseErrorFmt(SExprExpected, {"'" + text + "'"});
      n->dataType = ftFloat;
      n->value = Bytes<double>(d);
    }
    n->text = text;
    return n;
  }

  // A bare Boolean field stands for "field = TRUE"; any other bare field is an error.
  NodePtr Logical(NodePtr n) {
    if (n->cls != nodeFIELD) return n;
    if (FDataSet && n->fieldType != ftBoolean) DatabaseErrorFmt(SExprNotBoolean, {n->name});
    NodePtr t = MakeNode(nodeCONST, coCONST2);
    t->dataType = ftBoolean;
    t->value = Bytes<uint16_t>(1);
    return Binary(coEQ, std::move(n), std::move(t));
  }

  static NodePtr Binary(TCANOperator op, NodePtr left, NodePtr right) {
    NodePtr n = MakeNode(nodeBINARY, op);
    n->args.push_back(std::move(left));
    n->args.push_back(std::move(right));
    return n;
  }

  // Gives a string constant the type of the field it is compared with (dates, numbers, Booleans).
  void TypeConstant(Node& c, const Node* other) {
    if (!other || other->cls != nodeFIELD || c.cls != nodeCONST || c.dataType != ftString) return;
    TFieldType t = other->fieldType;
    try {
      if (IsDateType(t)) {
        TDateTime dt = t == ftDate ? StrToDate(c.text) : t == ftTime ? StrToTime(c.text) : StrToDateTime(c.text);
        TTimeStamp ts = DateTimeToTimeStamp(dt);
        c.dataType = t;
        if (t == ftDate) c.value = Bytes<int32_t>(ts.Date);
        else if (t == ftTime) c.value = Bytes<int32_t>(ts.Time);
        else c.value = Bytes<double>(TimeStampToMSecs(ts));
      } else if (t == ftBoolean) {
        if (SameText(c.text, "TRUE") || SameText(c.text, "FALSE")) {
          c.dataType = ftBoolean;
          c.value = Bytes<uint16_t>(SameText(c.text, "TRUE") ? 1 : 0);
        } else {
          DatabaseError(SExprTypeMis);
        }
      } else if (IsNumericType(t)) {
        double d;
        if (!TryStrToFloat(c.text, d)) DatabaseError(SExprTypeMis);
        c.dataType = ftFloat;
        c.value = Bytes<double>(d);
      }
    } catch (EConvertError& e) {
      DatabaseError(e.Message());
    }
  }

  NodePtr Comparison(TCANOperator op, NodePtr left, NodePtr right) {
    TypeConstant(*right, left.get());
    TypeConstant(*left, right.get());
    auto isStringOperand = [](const Node& n) {
      return (n.cls == nodeCONST && n.dataType == ftString) || (n.cls == nodeFIELD && IsStringType(n.fieldType)) ||
             (n.cls == nodeUNARY && (n.op == coUPPER || n.op == coLOWER));
    };
    bool stringCompare = isStringOperand(*left) || isStringOperand(*right);
    uint16_t partial = 0;
    if ((op == coEQ || op == coNE) && !FOptions.Contains(foNoPartialCompare)) {
      for (Node* c : {right.get(), left.get()}) {
        if (c->cls == nodeCONST && c->dataType == ftString && !c->text.empty() && c->text.back() == '*') {
          String head = c->text.substr(0, c->text.size() - 1);
          *c = std::move(*StringConst(head));
          partial = static_cast<uint16_t>(Utf8Length(head));
          break;
        }
      }
    }
    bool caseInsensitive = FOptions.Contains(foCaseInsensitive) && stringCompare;
    if ((op == coEQ || op == coNE || op == coLIKE) && stringCompare && (caseInsensitive || partial > 0)) {
      NodePtr n = MakeNode(nodeCOMPARE, op);
      n->caseInsensitive = caseInsensitive;
      n->partialLen = partial;
      n->args.push_back(std::move(left));
      n->args.push_back(std::move(right));
      return n;
    }
    return Binary(op, std::move(left), std::move(right));
  }

  TDataSet* FDataSet;
  String FText;
  TFilterOptions FOptions;
  TParserOptions FParserOptions;
  size_t FPos = 0;
  Token FToken;
};

// Serialises the tree: the root first, each node followed by the nodes it refers to.
class Writer {
public:
  std::vector<uint8_t> nodes;
  std::vector<uint8_t> literals;
  uint16_t count = 0;

  uint16_t Put(const Node& n) {
    size_t operands = 0;
    switch (n.cls) {
      case nodeUNARY: operands = 1; break;
      case nodeBINARY: operands = 2; break;
      case nodeCOMPARE: operands = 4; break;
      case nodeFIELD: operands = 2; break;
      case nodeCONST: operands = 3; break;
      case nodeFUNC: operands = 2; break;
      case nodeLISTELEM: operands = 1 + n.args.size(); break;
      default: break;
    }
    size_t at = nodes.size();
    if (at + 8 + 2 * operands > 0xFFFF) DatabaseError("Filter expression is too long");
    nodes.resize(at + 8 + 2 * operands, 0);
    ++count;
    PutU32(at, n.cls);
    PutU32(at + 4, n.op);
    std::vector<uint16_t> ops;
    switch (n.cls) {
      case nodeUNARY:
        ops.push_back(Put(*n.args[0]));
        break;
      case nodeBINARY:
        ops.push_back(Put(*n.args[0]));
        ops.push_back(Put(*n.args[1]));
        break;
      case nodeCOMPARE:
        ops.push_back(n.caseInsensitive ? 1 : 0);
        ops.push_back(n.partialLen);
        ops.push_back(Put(*n.args[0]));
        ops.push_back(Put(*n.args[1]));
        break;
      case nodeFIELD:
        ops.push_back(static_cast<uint16_t>(n.fieldNo));
        ops.push_back(Literal(n.name.data(), n.name.size(), true));
        break;
      case nodeCONST:
        ops.push_back(n.dataType);
        ops.push_back(static_cast<uint16_t>(n.value.size()));
        ops.push_back(Literal(n.value.data(), n.value.size(), false));
        break;
      case nodeFUNC:
        ops.push_back(Literal(n.name.data(), n.name.size(), true));
        ops.push_back(n.args.empty() ? Put(*MakeNode(nodeLISTELEM, coLISTELEM2)) : Put(*n.args[0]));
        break;
      case nodeLISTELEM:
        ops.push_back(static_cast<uint16_t>(n.args.size()));
        for (const auto& a : n.args) ops.push_back(Put(*a));
        break;
      default:
        break;
    }
    for (size_t i = 0; i < ops.size(); ++i) PutU16(at + 8 + 2 * i, ops[i]);
    return static_cast<uint16_t>(at);
  }

private:
  void PutU16(size_t at, uint16_t v) {
    nodes[at] = static_cast<uint8_t>(v);
    nodes[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void PutU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) nodes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  uint16_t Literal(const void* data, size_t size, bool terminate) {
    size_t at = literals.size();
    auto* b = static_cast<const uint8_t*>(data);
    literals.insert(literals.end(), b, b + size);
    if (terminate) literals.push_back(0);
    return static_cast<uint16_t>(at);
  }
};
}  // namespace

TExprParser::TExprParser(TDataSet* dataSet, const String& text, TFilterOptions options, TParserOptions parserOptions,
                         const String& fieldName, void*, const TFieldMap*)
    : FDataSet(dataSet), FText(text), FOptions(options), FParserOptions(parserOptions), FFieldName(fieldName) {
  Build();
}

TExprParser::~TExprParser() = default;

void TExprParser::SetExprParams(const String& text, TFilterOptions options, TParserOptions parserOptions,
                                const String& fieldName) {
  FText = text;
  FOptions = options;
  FParserOptions = parserOptions;
  FFieldName = fieldName;
  Build();
}

void TExprParser::Build() {
  Parser parser(FDataSet, FText, FOptions, FParserOptions);
  NodePtr root = parser.Parse();
  Writer w;
  w.Put(*root);
  size_t literalStart = CANEXPRSIZE + w.nodes.size();
  size_t total = literalStart + w.literals.size();
  if (total > 0xFFFF) DatabaseError("Filter expression is too long");
  std::vector<uint8_t> data(total);
  auto put = [&](size_t at, uint16_t v) {
    data[at] = static_cast<uint8_t>(v);
    data[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  put(0, CANEXPRVERSION);
  put(2, static_cast<uint16_t>(total));
  put(4, w.count);
  put(6, CANEXPRSIZE);
  put(8, static_cast<uint16_t>(literalStart));
  std::memcpy(data.data() + CANEXPRSIZE, w.nodes.data(), w.nodes.size());
  if (!w.literals.empty()) std::memcpy(data.data() + literalStart, w.literals.data(), w.literals.size());
  FFilterData = std::move(data);
}

String ExprLiteralString(const std::vector<uint8_t>& data, uint16_t literalOffset) {
  size_t at = ExprLiteralStart(data) + literalOffset;
  String s;
  while (at < data.size() && data[at]) s += static_cast<char>(data[at++]);
  return s;
}

Variant ExprConstValue(const std::vector<uint8_t>& data, uint16_t node) {
  auto type = static_cast<TFieldType>(ExprNodeOperand(data, node, 0));
  uint16_t size = ExprNodeOperand(data, node, 1);
  size_t at = ExprLiteralStart(data) + ExprNodeOperand(data, node, 2);
  if (at + size > data.size()) DatabaseError("Incorrectly formed filter expression");
  const uint8_t* p = data.data() + at;
  switch (type) {
    case ftString:
    case ftFixedChar:
      return Variant(String(reinterpret_cast<const char*>(p), size ? size - 1 : 0));
    case ftInteger: {
      int32_t v;
      std::memcpy(&v, p, 4);
      return Variant(v);
    }
    case ftFloat: {
      double v;
      std::memcpy(&v, p, 8);
      return Variant(v);
    }
    case ftBoolean: {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return Variant(v != 0);
    }
    case ftDate: {
      int32_t v;
      std::memcpy(&v, p, 4);
      return VarFromDateTime(TimeStampToDateTime(TTimeStamp{0, v}));
    }
    case ftTime: {
      int32_t v;
      std::memcpy(&v, p, 4);
      return VarFromDateTime(static_cast<double>(v) / MSecsPerDay);
    }
    case ftDateTime: {
      double v;
      std::memcpy(&v, p, 8);
      return VarFromDateTime(TimeStampToDateTime(MSecsToTimeStamp(v)));
    }
    default:
      DatabaseError("Incorrectly formed filter expression");
  }
}
