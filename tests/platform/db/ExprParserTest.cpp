// The filter expression parser: the tree it writes, read back through the filter data layout.
#include <gtest/gtest.h>

#include "ArrayDataSet.h"
#include "db/DBCommon.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"

namespace {

const char* OpName(TCANOperator op) {
  switch (op) {
    case coISBLANK: return "ISNULL";
    case coNOTBLANK: return "NOTNULL";
    case coEQ: return "EQ";
    case coNE: return "NE";
    case coGT: return "GT";
    case coLT: return "LT";
    case coGE: return "GE";
    case coLE: return "LE";
    case coNOT: return "NOT";
    case coAND: return "AND";
    case coOR: return "OR";
    case coMINUS: return "NEG";
    case coADD: return "ADD";
    case coSUB: return "SUB";
    case coMUL: return "MUL";
    case coDIV: return "DIV";
    case coLIKE: return "LIKE";
    case coIN: return "IN";
    case coUPPER: return "UPPER";
    case coLOWER: return "LOWER";
    default: return "?";
  }
}

// Writes the tree in prefix form: EQ(NAME,'Ann'), CMP[ci,3](EQ,...), fields bare, constants typed.
String Dump(const std::vector<uint8_t>& d, uint16_t node) {
  TNodeClass cls = ExprNodeClass(d, node);
  TCANOperator op = ExprNodeOperator(d, node);
  auto operand = [&](int i) { return ExprNodeOperand(d, node, i); };
  switch (cls) {
    case nodeUNARY:
      return String(OpName(op)) + "(" + Dump(d, operand(0)) + ")";
    case nodeBINARY:
      return String(OpName(op)) + "(" + Dump(d, operand(0)) + "," + Dump(d, operand(1)) + ")";
    case nodeCOMPARE:
      return String(OpName(op)) + "[" + (operand(0) ? "ci" : "cs") + "," + IntToStr(operand(1)) + "](" +
             Dump(d, operand(2)) + "," + Dump(d, operand(3)) + ")";
    case nodeFIELD:
      return ExprLiteralString(d, operand(1));
    case nodeCONST: {
      Variant v = ExprConstValue(d, node);
      switch (static_cast<TFieldType>(operand(0))) {
        case ftString: return "'" + v.AsString() + "'";
        case ftBoolean: return v.AsBoolean() ? "true" : "false";
        case ftFloat: return "f:" + FloatToStr(v.AsDouble(), TFormatSettings::English());
        case ftDate: return "d:" + FormatDateTime("yyyy-mm-dd", v.AsDateTime());
        case ftDateTime: return "dt:" + FormatDateTime("yyyy-mm-dd hh:nn", v.AsDateTime());
        default: return v.AsString();
      }
    }
    case nodeFUNC:
      return ExprLiteralString(d, operand(0)) + "(" + Dump(d, operand(1)) + ")";
    case nodeLISTELEM: {
      String s = "[";
      for (int i = 0; i < operand(0); ++i) s += (i ? "," : "") + Dump(d, operand(1 + i));
      return s + "]";
    }
    default:
      return "?";
  }
}

class ExprParserTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetFormatSettings(TFormatSettings::Russian());
    DS = New<TArrayDataSet>(static_cast<TComponent*>(nullptr));
    DS->FieldDefs()->Add("ID", ftInteger);
    DS->FieldDefs()->Add("NAME", ftString, 20);
    DS->FieldDefs()->Add("BORN", ftDate);
    DS->FieldDefs()->Add("ACTIVE", ftBoolean);
    DS->FieldDefs()->Add("Полное имя", ftString, 40);
    DS->FieldDefs()->Add("STAMP", ftDateTime);
    DS->Open();
  }
  void TearDown() override { DS->Free(); }

  String Tree(const String& text, TFilterOptions options = TFilterOptions()) {
    TExprParser* p = New<TExprParser>(DS, text, options, TParserOptions{poExtSyntax});
    String s = Dump(p->FilterData(), 0);
    p->Free();
    return s;
  }

  TArrayDataSet* DS = nullptr;
};

TEST_F(ExprParserTest, TreesInTheFilterDataLayout) {
  const struct {
    const char* text;
    TFilterOptions options;
    const char* tree;
  } cases[] = {
      {"ID = 5", {}, "EQ(ID,5)"},
      {"ID > 1 AND ID <= 10 OR NOT ACTIVE", {}, "OR(AND(GT(ID,1),LE(ID,10)),NOT(EQ(ACTIVE,true)))"},
      {"NOT (ID = 1 OR ID = 2) AND ACTIVE", {}, "AND(NOT(OR(EQ(ID,1),EQ(ID,2))),EQ(ACTIVE,true))"},
      {"NAME = 'O''Brien'", {}, "EQ(NAME,'O'Brien')"},
      {"NAME = 'Ann'", {foCaseInsensitive}, "EQ[ci,0](NAME,'Ann')"},
      {"NAME = 'An*'", {}, "EQ[cs,2](NAME,'An')"},
      {"NAME <> 'Ан*'", {foCaseInsensitive}, "NE[ci,2](NAME,'Ан')"},
      {"NAME = 'An*'", {foNoPartialCompare}, "EQ(NAME,'An*')"},
      {"NAME IS NULL OR NAME IS NOT NULL", {}, "OR(ISNULL(NAME),NOTNULL(NAME))"},
      {"NAME = NULL", {}, "ISNULL(NAME)"},
      {"NAME <> NULL", {}, "NOTNULL(NAME)"},
      {"ID IN (1, 2, 3)", {}, "IN(ID,[1,2,3])"},
      {"ID NOT IN (4)", {}, "NOT(IN(ID,[4]))"},
      {"UPPER(NAME) LIKE 'AN%'", {}, "LIKE(UPPER(NAME),'AN%')"},
      {"NAME LIKE 'a%'", {foCaseInsensitive}, "LIKE[ci,0](NAME,'a%')"},
      {"NAME NOT LIKE 'x%'", {}, "NOT(LIKE(NAME,'x%'))"},
      {"ID * 2 + 1 > -ID / 4 - 0.5", {}, "GT(ADD(MUL(ID,2),1),SUB(DIV(NEG(ID),4),f:0.5))"},
      {"[Полное имя] = 'Вера'", {}, "EQ(Полное имя,'Вера')"},
      {"\"NAME\" = 'x'", {}, "EQ(NAME,'x')"},
      {"BORN = '01.02.1970'", {}, "EQ(BORN,d:1970-02-01)"},
      {"STAMP >= '01.02.1970 10:30:00'", {}, "GE(STAMP,dt:1970-02-01 10:30)"},
      {"ACTIVE = 'true'", {}, "EQ(ACTIVE,true)"},
      {"ID = 3000000000", {}, "EQ(ID,f:3000000000)"},
      {"SUBSTRING(NAME, 2, 3) = 'BCD'", {}, "EQ(SUBSTRING([NAME,2,3]),'BCD')"},
      {"YEAR(BORN) = 1970", {}, "EQ(YEAR(BORN),1970)"},
      {"GETDATE() > BORN", {}, "GT(GETDATE([]),BORN)"},
      {"id = 1 and name = 'x'", {}, "AND(EQ(ID,1),EQ(NAME,'x'))"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Tree(c.text, c.options), c.tree);
  }
}

TEST_F(ExprParserTest, HeaderDescribesTheAreas) {
  TExprParser* p = New<TExprParser>(DS, "NAME = 'x'", TFilterOptions());
  const std::vector<uint8_t>& d = p->FilterData();
  EXPECT_EQ(ExprWord(d, 0), CANEXPRVERSION);
  EXPECT_EQ(ExprWord(d, 2), d.size());
  EXPECT_EQ(ExprWord(d, 4), 3);  // the comparison, the field and the constant
  EXPECT_EQ(ExprWord(d, 6), CANEXPRSIZE);
  // Binary node (8 + 4) + field node (8 + 4) + constant node (8 + 6) after the header.
  EXPECT_EQ(ExprLiteralStart(d), 10u + 12u + 12u + 14u);
  EXPECT_EQ(p->DataSize(), static_cast<int32_t>(d.size()));
  p->Free();
}

TEST_F(ExprParserTest, MalformedExpressionsRaiseDatabaseErrors) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "Expression expected but nothing found"},
      {"ID =", "Expression expected but nothing found"},
      {"ID = 1 )", "Filter expression incorrectly terminated"},
      {"(ID = 1", "')' expected but nothing found"},
      {"NAME = 'abc", "Unterminated string constant"},
      {"[NAME = 1", "Unterminated field name"},
      {"ID = 1 ; ID = 2", "Invalid filter expression character: ';'"},
      {"NOPE = 1", "Field 'NOPE' not found"},
      {"ID > NULL", "NULL only allowed with '=' and '<>'"},
      {"ID IN ()", "IN predicate list may not be empty"},
      {"ID IN (1 2)", "')' or ',' expected but '2' found"},
      {"NAME", "Field 'NAME' is not of type Boolean"},
      {"ID = AND", "Expression expected but 'AND' found"},
      {"BORN = 'yesterday'", "Invalid argument to date encode"},
      {"ID = 'abc'", "Type mismatch in expression"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      Tree(c.text);
      ADD_FAILURE() << "parsed";
    } catch (EDatabaseError& e) {
      if (String(c.text) == "BORN = 'yesterday'") EXPECT_FALSE(e.Message().empty());
      else EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST_F(ExprParserTest, CalculatedFieldsAreRefusedUnlessInternal) {
  DS->Close();
  auto* calc = New<TIntegerField>(DS);
  calc->SetFieldName("CALC");
  calc->SetFieldKind(fkCalculated);
  calc->SetDataSet(DS);
  DS->Open();
  EXPECT_THROW(Tree("CALC = 1"), EDatabaseError);
}

}  // namespace
