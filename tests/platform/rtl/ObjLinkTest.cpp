#include <gtest/gtest.h>

#include "rtl/ObjLinks.h"

namespace {
class TTarget : public TObject {
  RTL_CLASS(TTarget, TObject)
public:
  int Value = 7;
};
}  // namespace

TEST(TObjectLinkTest, ReadsNullAfterTheTargetIsFreed) {
  TTarget* t = New<TTarget>();
  TObjectLink<TTarget> a(t), b(t);
  TObjectLink<TTarget> c = a;
  EXPECT_EQ(a->Value, 7);
  t->Free();
  EXPECT_EQ(a.Get(), nullptr);
  EXPECT_FALSE(b);
  EXPECT_FALSE(c.Assigned());
}

TEST(TObjectLinkTest, LinksGoingFirstLeaveTheOthersWorking) {
  TTarget* t = New<TTarget>();
  auto* first = new TObjectLink<TTarget>(t);
  TObjectLink<TTarget> middle(t);
  auto* last = new TObjectLink<TTarget>(t);
  delete last;   // head of the list
  delete first;  // tail of the list
  EXPECT_EQ(middle.Get(), t);
  middle = nullptr;
  TObjectLink<TTarget> again(t);
  t->Free();
  EXPECT_FALSE(again);
}

TEST(TObjectLinkTest, RetargetingMovesTheLinkAndCopiesOfObjectsDoNotCarryLinks) {
  TTarget* a = New<TTarget>();
  TTarget* b = New<TTarget>();
  TObjectLink<TTarget> link(a);
  link = b;
  a->Free();
  EXPECT_EQ(link.Get(), b);
  {
    TTarget copy(*b);  // a copy is a new object: links to b stay with b
  }
  EXPECT_EQ(link.Get(), b);
  b->Free();
  EXPECT_FALSE(link);
}
