#include <gtest/gtest.h>

#include "dbaccess/FIBConditions.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Filer.h"
#include "rtl/StringLists.h"
#include "rtl/Streams.h"

namespace {

// Conditions work on the text alone: no connection is needed.
class ConditionsTest : public ::testing::Test {
protected:
  TFIBQuery* Q = New<TFIBQuery>(nullptr);
  ~ConditionsTest() override { Q->Free(); }
  TConditions* C() { return Q->Conditions(); }
  String SQL() { return TrimStr(Q->SQL()->Text()); }
};

TEST_F(ConditionsTest, ApplyAddsEnabledConditionsAndKeepsTheExistingClauseMeaning) {
  Q->SQL()->SetText("SELECT * FROM T WHERE a=1 or b=2");
  C()->AddCondition("A", "X > 1", true);
  C()->AddCondition("B", "Y < 2", false);
  C()->AddCondition("C", "Z = 3", true);
  EXPECT_EQ(C()->EnabledWhereText(), "(X > 1)\r\n\r\n and (Z = 3)\r\n");
  C()->Apply();
  EXPECT_TRUE(C()->Applied());
  const String applied = SQL();
  EXPECT_NE(applied.find("(a=1 or b=2)"), String::npos) << applied;
  EXPECT_NE(applied.find("and (X > 1)"), String::npos) << applied;
  EXPECT_EQ(applied.find("Y < 2"), String::npos) << applied;
  C()->Apply();
  EXPECT_EQ(SQL(), applied);  // a second run starts from the primary SQL
  C()->CancelApply();
  EXPECT_FALSE(C()->Applied());
  EXPECT_EQ(SQL(), "SELECT * FROM T WHERE a=1 or b=2");
}

TEST_F(ConditionsTest, NoWhereClauseAndNothingEnabled) {
  Q->SQL()->SetText("SELECT * FROM T");
  C()->AddCondition("A", "X > 1", false);
  C()->Apply();
  EXPECT_TRUE(C()->Applied());
  EXPECT_EQ(SQL(), "SELECT * FROM T");
  C()->FindCondition("A")->SetEnabled(true);
  EXPECT_FALSE(C()->Applied());
  C()->Apply();
  EXPECT_NE(SQL().find("WHERE"), String::npos) << SQL();
  EXPECT_NE(SQL().find("(X > 1)"), String::npos) << SQL();
}

TEST_F(ConditionsTest, ListOperations) {
  C()->AddCondition("A", "1=1", false);
  C()->AddCondition("B", "2=2", true);
  C()->Apply();
  // Replacing a text keeps the position; disabled, it leaves the applied flag alone.
  C()->AddCondition("A", "3=3", false);
  EXPECT_EQ(C()->Strings(0), "A=3=3");
  EXPECT_EQ(C()->FindCondition("A")->Text(), "3=3");
  EXPECT_TRUE(C()->Applied());
  EXPECT_EQ(C()->AddObject("X=1", Q), -1);
  EXPECT_EQ(C()->Count(), 2);
  delete C()->FindCondition("A");
  EXPECT_EQ(C()->Count(), 1);
  EXPECT_EQ(C()->IndexOfName("A"), -1);
  C()->RemoveCondition("missing");
  EXPECT_EQ(C()->Count(), 1);
  C()->Add("N=text");
  ASSERT_NE(C()->ConditionAt(1), nullptr);
  EXPECT_FALSE(C()->ConditionAt(1)->Enabled());
  EXPECT_EQ(C()->ConditionAt(5), nullptr);
}

TEST_F(ConditionsTest, TextForm) {
  C()->SetConditionsText("A#$#$X > 1#$#$1\r\nB#$#$Y#$#$0\r\n");
  ASSERT_EQ(C()->Count(), 2);
  EXPECT_EQ(C()->FindCondition("A")->Text(), "X > 1");
  EXPECT_TRUE(C()->FindCondition("A")->Enabled());
  EXPECT_FALSE(C()->FindCondition("B")->Enabled());
  EXPECT_EQ(C()->GetConditionsText(), "A#$#$X > 1#$#$1\r\nB#$#$Y#$#$0\r\n");
}

TEST_F(ConditionsTest, ChangingTheTextFromOutsideForgetsThePrimarySQL) {
  Q->SQL()->SetText("SELECT * FROM T");
  C()->AddCondition("A", "X > 1", true);
  C()->Apply();
  Q->SQL()->SetText("SELECT * FROM U");
  EXPECT_FALSE(C()->Applied());
  EXPECT_EQ(C()->PrimarySQL(), "");
  EXPECT_EQ(SQL(), "SELECT * FROM U");
}

class PropertyReader : public TReader {
public:
  using TReader::TReader;
  using TReader::ReadProperty;
};

// Writes the conditions' pseudo-properties against an ancestor (or none) and reads them into a copy.
bool StreamThrough(TConditions* source, TConditions* ancestor, TConditions* target) {
  TMemoryStream stream;
  {
    TWriter writer(&stream);
    writer.SetAncestor(ancestor);
    source->DefineProperties(&writer);
    writer.FlushBuffer();
  }
  if (stream.Size() == 0) return false;
  stream.SetPosition(0);
  PropertyReader reader(&stream);
  reader.ReadProperty(target);
  return true;
}

TEST_F(ConditionsTest, StreamedDataAgainstAnAncestor) {
  TFIBQuery* base = New<TFIBQuery>(nullptr);
  TFIBQuery* copy = New<TFIBQuery>(nullptr);
  TConditions* anc = base->Conditions();
  anc->AddCondition("A", "X > 1", true);
  anc->AddCondition("B", "", false);
  // Without an ancestor everything is written; the empty text travels as "'".
  ASSERT_TRUE(StreamThrough(anc, nullptr, copy->Conditions()));
  EXPECT_EQ(copy->Conditions()->GetConditionsText(), anc->GetConditionsText());
  // Equal to the ancestor: nothing written.
  C()->AddCondition("A", "X > 1", true);
  C()->AddCondition("B", "", false);
  EXPECT_FALSE(StreamThrough(C(), anc, copy->Conditions()));
  // A disabled inherited condition and a deleted one: the inherited form loads its ancestor first.
  C()->FindCondition("A")->SetEnabled(false);
  C()->RemoveCondition("B");
  C()->AddCondition("N", "Z = 0", true);
  copy->Conditions()->Clear();
  StreamThrough(anc, nullptr, copy->Conditions());
  ASSERT_TRUE(StreamThrough(C(), anc, copy->Conditions()));
  EXPECT_EQ(copy->Conditions()->GetConditionsText(), "A#$#$X > 1#$#$0\r\nN#$#$Z = 0#$#$1\r\n");
  base->Free();
  copy->Free();
}

}  // namespace
