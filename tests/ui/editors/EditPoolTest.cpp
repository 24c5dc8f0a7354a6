#include <gtest/gtest.h>

#include "cxContainerTestSupport.h"
#include "rtl/ObjLinks.h"
#include "rtl/SysUtils.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxEditPool.h"

namespace {

using cxcontainer_test::ContainerTest;

// A minimal editor kind: its properties name its control, and the control announces a change whenever
// its properties change, so that the pool's dropping of those announcements can be seen.
class TPoolTestProperties : public TcxCustomEditProperties {
  RTL_CLASS(TPoolTestProperties, TcxCustomEditProperties)
public:
  using TcxCustomEditProperties::TcxCustomEditProperties;
  TClass GetContainerClass() const override;
};

class TPoolTestSubProperties : public TPoolTestProperties {
  RTL_CLASS(TPoolTestSubProperties, TPoolTestProperties)
public:
  using TPoolTestProperties::TPoolTestProperties;
  TClass GetContainerClass() const override;
};

class TPoolTestEdit : public TcxCustomEdit {
  RTL_CLASS(TPoolTestEdit, TcxCustomEdit)
public:
  using TcxCustomEdit::TcxCustomEdit;
  using TcxCustomEdit::PropertiesChanged;
  TClass GetPropertiesClass() const override { return TPoolTestProperties::StaticClass(); }
  void PropertiesChanged(TObject* Sender) override {
    TcxCustomEdit::PropertiesChanged(Sender);
    NotifyChange();
  }
};

class TPoolTestSubEdit : public TPoolTestEdit {
  RTL_CLASS(TPoolTestSubEdit, TPoolTestEdit)
public:
  using TPoolTestEdit::TPoolTestEdit;
  TClass GetPropertiesClass() const override { return TPoolTestSubProperties::StaticClass(); }
};

TClass TPoolTestProperties::GetContainerClass() const { return TPoolTestEdit::StaticClass(); }
TClass TPoolTestSubProperties::GetContainerClass() const { return TPoolTestSubEdit::StaticClass(); }

// Counts the OnChange events an editor delivers.
class TPoolChangeCounter : public TObject {
  RTL_CLASS(TPoolChangeCounter, TObject)
public:
  void Changed(TObject*) { ++Count; }
  int Count = 0;
};

class EditPoolTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    Pool = New<TcxInplaceEditList>();
    P1 = New<TPoolTestProperties>(nullptr);
    P2 = New<TPoolTestProperties>(nullptr);
  }
  void TearDown() override {
    FreeAndNil(Pool);
    FreeAndNil(P1);
    FreeAndNil(P2);
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  TcxInplaceEditList* Pool = nullptr;
  TPoolTestProperties* P1 = nullptr;
  TPoolTestProperties* P2 = nullptr;
};

TEST_F(EditPoolTest, OneHiddenOwnerlessEditorPerPropertiesObject) {
  TcxCustomEdit* e1 = Pool->GetEdit(P1);
  ASSERT_NE(e1, nullptr);
  EXPECT_EQ(Pool->GetEdit(P1), e1);
  TcxCustomEdit* e2 = Pool->GetEdit(P2);
  EXPECT_NE(e2, e1);
  EXPECT_EQ(Pool->Count(), 2);
  EXPECT_EQ(Pool->FindEdit(P1), e1);
  EXPECT_EQ(Pool->IndexOfProperties(P2), 1);
  EXPECT_EQ(Pool->FindEdit(nullptr), nullptr);

  EXPECT_EQ(e1->ClassType(), TPoolTestEdit::StaticClass());
  EXPECT_TRUE(e1->IsInplace());
  EXPECT_FALSE(e1->Visible());
  EXPECT_EQ(e1->Owner(), nullptr);

  // Every hand-out re-configures the editor from the properties it was asked for.
  P1->SetBeepOnError(true);
  EXPECT_FALSE(e1->Properties()->BeepOnError());
  EXPECT_EQ(Pool->GetEdit(P1), e1);
  EXPECT_TRUE(e1->Properties()->BeepOnError());
  EXPECT_FALSE(e2->Properties()->BeepOnError());
}

TEST_F(EditPoolTest, ByClassMatchesTheExactClassOfAnEditorsOwnProperties) {
  TcxCustomEdit* byProperties = Pool->GetEdit(P1);
  // The editor made for P1 has properties of exactly P1's class: it is found by that class.
  EXPECT_EQ(Pool->GetEdit(TPoolTestProperties::StaticClass()), byProperties);
  EXPECT_EQ(Pool->Count(), 1);

  // A subclass is another kind: a new editor, keyed by its own properties.
  TcxCustomEdit* sub = Pool->GetEdit(TPoolTestSubProperties::StaticClass());
  ASSERT_NE(sub, nullptr);
  EXPECT_NE(sub, byProperties);
  EXPECT_EQ(sub->ClassType(), TPoolTestSubEdit::StaticClass());
  EXPECT_EQ(Pool->Count(), 2);
  EXPECT_EQ(Pool->IndexOfProperties(sub->Properties()), 1);
  EXPECT_EQ(Pool->GetEdit(TPoolTestSubProperties::StaticClass()), sub);

  // Nor does a subclass editor answer for its base class.
  Pool->RemoveByProperties(P1);
  TcxCustomEdit* base = Pool->GetEdit(TPoolTestProperties::StaticClass());
  EXPECT_NE(base, sub);
  EXPECT_EQ(base->Properties()->ClassType(), TPoolTestProperties::StaticClass());
  EXPECT_EQ(Pool->Count(), 2);
}

TEST_F(EditPoolTest, RemovingFreesAndUnparentsOnlyTheNamedEntry) {
  TObjectLink<TcxCustomEdit> e1(Pool->GetEdit(P1));
  TObjectLink<TcxCustomEdit> e2(Pool->GetEdit(P2));
  e1->SetParent(Form);
  const int32_t controls = Form->ControlCount();

  // Unknown properties and -1 change nothing.
  TPoolTestProperties* unknown = New<TPoolTestProperties>(nullptr);
  Pool->RemoveByProperties(unknown);
  unknown->Free();
  Pool->Remove(-1);
  EXPECT_EQ(Pool->Count(), 2);
  EXPECT_THROW(Pool->Remove(2), EListError);

  Pool->RemoveByProperties(P1);
  EXPECT_FALSE(e1);
  EXPECT_EQ(Form->ControlCount(), controls - 1);
  EXPECT_EQ(Pool->Count(), 1);
  EXPECT_EQ(Pool->Edits(0), e2.Get());
  EXPECT_EQ(Pool->Properties(0), P2);

  // The pool frees what it still holds when it goes.
  FreeAndNil(Pool);
  EXPECT_FALSE(e2);
}

TEST_F(EditPoolTest, ChangeEventsRaisedWhileAssigningAreNotDelivered) {
  TPoolChangeCounter* counter = New<TPoolChangeCounter>();
  P1->OnChange = TNotifyEvent(counter, &TPoolChangeCounter::Changed);
  TcxCustomEdit* edit = Pool->GetEdit(P1);
  P1->SetBeepOnError(true);
  EXPECT_EQ(Pool->GetEdit(P1), edit);
  EXPECT_EQ(counter->Count, 0);
  EXPECT_EQ(edit->ChangeEventsLockCount(), 0);

  // The same announcement outside the pool's assignment reaches the handler the assignment carried over.
  edit->Properties()->Changed();
  EXPECT_EQ(counter->Count, 1);
  P1->OnChange = TNotifyEvent();
  Pool->Clear();
  counter->Free();
}

}  // namespace
