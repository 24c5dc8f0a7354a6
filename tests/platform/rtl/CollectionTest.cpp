#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/Collections.h"

namespace {

class TColorItem : public TCollectionItem {
  RTL_CLASS(TColorItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  String color;
  void Assign(TPersistent* source) override {
    if (auto* s = dynamic_cast<TColorItem*>(source)) {
      color = s->color;
      Changed(false);
      return;
    }
    inherited::Assign(source);
  }
  void SetColor(const String& c) {
    color = c;
    Changed(false);
  }

protected:
  String GetDisplayName() override { return color.empty() ? inherited::GetDisplayName() : color; }
};

class TLogCollection : public TOwnedCollection {
  RTL_CLASS(TLogCollection, TOwnedCollection)
public:
  TLogCollection(TPersistent* owner) : TOwnedCollection(owner, TColorItem::StaticClass()) {}
  std::vector<std::string> log;

protected:
  void Update(TCollectionItem* item) override {
    log.push_back(item ? "update " + std::to_string(item->ID()) : "update all");
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    static const char* names[] = {"added", "extracting", "deleting"};
    log.push_back(std::string(names[action]) + " " + std::to_string(item->ID()));
    inherited::Notify(item, action);
  }
};

class TNamed : public TPersistent {
  RTL_CLASS(TNamed, TPersistent)
public:
  String GetNamePath() override { return "Grid1"; }
};

}  // namespace

TEST(TCollectionTest, AddInsertDeleteNotifyAndUpdate) {
  TLogCollection c(nullptr);
  c.Add();
  c.Add();
  auto* third = static_cast<TColorItem*>(c.Insert(0));
  EXPECT_EQ(third->Index(), 0);
  EXPECT_EQ(third->ID(), 2);
  third->SetColor("red");
  c.Delete(1);
  EXPECT_EQ(c.log, (std::vector<std::string>{"added 0", "update all", "added 1", "update all", "added 2",
                                             "update all", "update all", "update 2", "deleting 0",
                                             "extracting 0", "update all"}));
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.FindItemID(1), c.Items(1));
  EXPECT_EQ(c.FindItemID(0), nullptr);
  EXPECT_THROW(c.Items(2), EListError);
}

TEST(TCollectionTest, BeginEndUpdateEndsWithOneUpdateOfEverything) {
  TLogCollection c(nullptr);
  c.BeginUpdate();
  c.BeginUpdate();
  for (int i = 0; i < 3; ++i) static_cast<TColorItem*>(c.Add())->SetColor("x");
  c.Clear();
  c.EndUpdate();
  c.EndUpdate();
  std::vector<std::string> updates;
  for (auto& s : c.log)
    if (s.rfind("update", 0) == 0) updates.push_back(s);
  EXPECT_EQ(updates, (std::vector<std::string>{"update all"}));
}

TEST(TCollectionTest, IdsKeepGrowingAndIndexMoves) {
  TLogCollection c(nullptr);
  for (int i = 0; i < 3; ++i) c.Add();
  c.Delete(2);
  EXPECT_EQ(c.Add()->ID(), 3);
  c.Items(0)->SetIndex(2);
  EXPECT_EQ(c.Items(2)->ID(), 0);
  EXPECT_EQ(c.Items(0)->ID(), 1);
}

TEST(TCollectionTest, AssignCopiesItemByItem) {
  TLogCollection a(nullptr), b(nullptr);
  for (const char* col : {"red", "green"}) static_cast<TColorItem*>(a.Add())->SetColor(col);
  b.Add();
  b.Add();
  b.Add();
  b.log.clear();
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(static_cast<TColorItem*>(b.Items(1))->color, "green");
  EXPECT_EQ(b.Items(1)->DisplayName(), "green");
  EXPECT_EQ(b.log.back(), "update all");
  int updates = 0;
  for (auto& s : b.log) updates += s.rfind("update", 0) == 0;
  EXPECT_EQ(updates, 1);
}

TEST(TCollectionTest, NamePathOfItemsFollowsTheOwner) {
  TNamed owner;
  TLogCollection c(&owner);
  c.SetPropName("Columns");
  c.Add();
  c.Add();
  EXPECT_EQ(c.Items(1)->GetNamePath(), "Grid1.Columns[1]");
  TLogCollection orphan(nullptr);
  orphan.Add();
  EXPECT_EQ(orphan.Items(0)->GetNamePath(), "TLogCollection[0]");
}

TEST(TCollectionTest, ItemFreedDirectlyLeavesItsCollection) {
  TLogCollection c(nullptr);
  c.Add();
  TCollectionItem* item = c.Add();
  item->Free();
  EXPECT_EQ(c.Count(), 1);
  auto* loose = New<TColorItem>(nullptr);
  EXPECT_EQ(loose->Index(), -1);
  loose->SetCollection(&c);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(loose->Collection(), &c);
}
