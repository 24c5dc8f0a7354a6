#include <gtest/gtest.h>

#include <vector>

#include "rtl/StringLists.h"
#include "ui/base/cxClasses.h"

namespace {

// A small class tree for the registries: C <- A <- B <- D, and X apart.
class TRegC : public TObject {
  RTL_CLASS(TRegC, TObject)
};
class TRegA : public TRegC {
  RTL_CLASS(TRegA, TRegC)
};
class TRegB : public TRegA {
  RTL_CLASS(TRegB, TRegA)
};
class TRegD : public TRegB {
  RTL_CLASS(TRegD, TRegB)
};
class TRegX : public TObject {
  RTL_CLASS(TRegX, TObject)
};
// Stand-ins for what a registration yields (painters, view-info classes).
class TImplA : public TObject {
  RTL_CLASS(TImplA, TObject)
};
class TImplB : public TObject {
  RTL_CLASS(TImplB, TObject)
};
class TImplC : public TObject {
  RTL_CLASS(TImplC, TObject)
};
class TImplNew : public TObject {
  RTL_CLASS(TImplNew, TObject)
};

std::vector<TClass> ItemOrder(const TcxRegisteredClassList& list) {
  std::vector<TClass> order;
  for (int32_t i = 0; i < list.Count(); ++i) order.push_back(list.Items(i)->ItemClass);
  return order;
}

TEST(TcxRegisteredClassList, AncestorsComeFirstAndTheMostSpecificRegistrationAnswers) {
  auto* list = New<TcxRegisteredClassList>();
  list->AddRegistration(TRegA::StaticClass(), TImplA::StaticClass());
  list->AddRegistration(TRegB::StaticClass(), TImplB::StaticClass());
  list->AddRegistration(TRegC::StaticClass(), TImplC::StaticClass());
  EXPECT_EQ(ItemOrder(*list), (std::vector<TClass>{TRegC::StaticClass(), TRegA::StaticClass(), TRegB::StaticClass()}));

  struct TCase {
    TClass Item;
    TClass Expected;
  };
  const TCase cases[] = {{TRegD::StaticClass(), TImplB::StaticClass()},
                         {TRegB::StaticClass(), TImplB::StaticClass()},
                         {TRegA::StaticClass(), TImplA::StaticClass()},
                         {TRegC::StaticClass(), TImplC::StaticClass()},
                         {TRegX::StaticClass(), nullptr}};
  for (const auto& c : cases) EXPECT_EQ(list->LookupRegisteredClass(c.Item), c.Expected) << c.Item->ClassName();

  // The newest registration of a class wins, and removing it brings the older one back.
  list->AddRegistration(TRegA::StaticClass(), TImplNew::StaticClass());
  EXPECT_EQ(list->LookupRegisteredClass(TRegA::StaticClass()), TImplNew::StaticClass());
  EXPECT_EQ(list->LookupRegisteredClass(TRegD::StaticClass()), TImplB::StaticClass());
  list->RemoveRegistration(TRegA::StaticClass(), TImplNew::StaticClass());
  EXPECT_EQ(list->LookupRegisteredClass(TRegA::StaticClass()), TImplA::StaticClass());
  EXPECT_EQ(list->Count(), 3);
  EXPECT_THROW(list->Items(3), EListError);
  list->Free();
}

TEST(TcxRegisteredClasses, KeepsTheFirstDescriptionAndFindsByExactName) {
  auto* classes = New<TcxRegisteredClasses>(false);
  classes->Register(TRegA::StaticClass(), "A|first");
  classes->Register(TRegB::StaticClass(), "B|second");
  classes->Register(TRegA::StaticClass(), "A|again");
  ASSERT_EQ(classes->Count(), 2);
  EXPECT_EQ(classes->Descriptions(0), "A|first");
  EXPECT_EQ(classes->FindByClassName("TRegB"), TRegB::StaticClass());
  EXPECT_EQ(classes->FindByClassName("tregb"), nullptr);
  classes->Unregister(TRegA::StaticClass());
  EXPECT_EQ(classes->IndexOfClass(TRegA::StaticClass()), -1);
  EXPECT_EQ(classes->IndexOfClass(TRegB::StaticClass()), 0);
  classes->Free();
}

struct TAutoWidthCase {
  const char* Name;
  int32_t WidthToFill;
  std::vector<std::tuple<int32_t, int32_t, bool>> Items;  // requested, minimal, fixed
  std::vector<int32_t> Expected;
};

TEST(TcxAutoWidthObject, SharesTheWidth) {
  const TAutoWidthCase cases[] = {
      {"three equal", 300, {{100, 0, false}, {100, 0, false}, {100, 0, false}}, {100, 100, 100}},
      {"first held at its minimum", 300, {{100, 150, false}, {100, 0, false}, {100, 0, false}}, {150, 75, 75}},
      {"all fixed", 500, {{10, 0, true}, {20, 0, true}}, {10, 20}},
      {"fixed and open", 200, {{50, 0, true}, {100, 0, false}, {50, 0, false}}, {50, 100, 50}},
      {"rounded shares add up exactly", 100, {{1, 0, false}, {1, 0, false}, {1, 0, false}}, {33, 34, 33}},
      {"a minimum pushes the next one under its own", 100,
       {{10, 60, false}, {10, 30, false}, {80, 0, false}}, {60, 30, 10}},
  };
  for (const auto& c : cases) {
    auto* obj = New<TcxAutoWidthObject>(static_cast<int32_t>(c.Items.size()));
    obj->SetWidthToFill(c.WidthToFill);
    for (auto [requested, minimal, fixed] : c.Items) {
      TcxAutoWidthItem* item = obj->NewItem();
      EXPECT_EQ(item->CalculatedWidth, -1);
      item->RequestedWidth = requested;
      item->MinimalWidth = minimal;
      item->Fixed = fixed;
    }
    obj->Calculate();
    std::vector<int32_t> widths;
    for (int32_t i = 0; i < obj->Count(); ++i) widths.push_back(obj->ItemByIndex(i)->CalculatedWidth);
    EXPECT_EQ(widths, c.Expected) << c.Name;
    obj->Free();
  }
}

// MRU entries that match by key and count how many of them were freed.
int FreedItems = 0;
class TKeyItem : public TcxMRUItem {
  RTL_CLASS(TKeyItem, TcxMRUItem)
public:
  explicit TKeyItem(int key) : Key(key) {}
  ~TKeyItem() override { ++FreedItems; }
  bool Matches(TcxMRUItem* AItem) override { return static_cast<TKeyItem*>(AItem)->Key == Key; }
  int Key;
};

std::vector<int> Keys(TcxMRUItems* items) {
  std::vector<int> keys;
  for (int32_t i = 0; i < items->Count(); ++i) keys.push_back(static_cast<TKeyItem*>(items->Items(i))->Key);
  return keys;
}

TEST(TcxMRUItems, MatchMovesToTheFrontAndLimitTrims) {
  FreedItems = 0;
  auto* items = New<TcxMRUItems>();
  for (int key = 1; key <= 5; ++key) items->Add(New<TKeyItem>(key));
  EXPECT_EQ(Keys(items), (std::vector<int>{5, 4, 3, 2, 1}));
  items->Add(New<TKeyItem>(2));  // matches index 3
  EXPECT_EQ(Keys(items), (std::vector<int>{2, 5, 4, 3, 1}));
  EXPECT_EQ(FreedItems, 1);
  items->SetLimit(-5);
  EXPECT_EQ(items->Limit(), 0);
  EXPECT_EQ(items->Count(), 5);
  items->SetLimit(3);
  EXPECT_EQ(Keys(items), (std::vector<int>{2, 5, 4}));
  items->Add(New<TKeyItem>(9));
  EXPECT_EQ(Keys(items), (std::vector<int>{9, 2, 5}));
  EXPECT_EQ(FreedItems, 4);
  items->Free();
  EXPECT_EQ(FreedItems, 7);
}

TEST(cxClassesRoutines, MakeUniqueComponentName) {
  auto* owner = New<TComponent>(nullptr);
  auto* parent = New<TComponent>(owner);
  parent->SetName("Grid");
  auto* item = New<TcxFreeNotificator>(owner);
  struct TCase {
    const char* Name;
    TComponent* Parent;
    const char* BaseName;
    const char* Prefix;
    const char* Expected;
  };
  const TCase cases[] = {
      {"digit-led base with a blank, prefix of the class name", nullptr, "1st col", "TcxFree", "Notificator1stcol"},
      {"empty base numbers from 1", nullptr, "", "", "cxFreeNotificator1"},
      {"prefix compared without case", nullptr, "", "tcxfree", "Notificator1"},
      {"plain base", nullptr, "Name_1", "", "Name_1"},
      {"parent's name first", parent, "Col", "", "GridCol"},
      {"non-ASCII letters dropped whole", nullptr, "Колонка2", "", "cxFreeNotificator2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MakeUniqueComponentName(owner, c.Parent, item, c.BaseName, c.Prefix), c.Expected) << c.Name;

  // Clashes with other components of the owner (not with the component itself) count up.
  auto* other1 = New<TComponent>(owner);
  other1->SetName("Column");
  auto* other2 = New<TComponent>(owner);
  other2->SetName("COLUMN1");
  item->SetName("Column2");
  EXPECT_EQ(MakeUniqueComponentName(owner, nullptr, item, "Column", ""), "Column2");
  owner->Free();
}

TEST(cxClassesRoutines, TranslateStringUsesInstalledListsOnly) {
  EXPECT_EQ(TranslateString("Текст"), "Текст");
  auto* sources = new TStringList;
  auto* targets = new TStringList;
  sources->Add("Cancel");
  targets->Add("Отмена");
  SetTranslationLists(sources, targets);
  EXPECT_EQ(TranslateString("Cancel"), "Отмена");
  EXPECT_EQ(TranslateString("cancel"), "cancel");
  SetTranslationLists(nullptr, nullptr);
  EXPECT_EQ(TranslateString("Cancel"), "Cancel");
}

TEST(cxClassesRoutines, RangeMiddleIsTheFloorOfTheMean) {
  const int32_t cases[][3] = {{1, 2, 1}, {2, 4, 3}, {0, 0, 0}, {-1, 0, -1}, {-3, 0, -2}, {-2, 0, -1}, {-5, 2, -2},
                              {INT32_MAX, INT32_MAX, INT32_MAX}};
  for (const auto& c : cases) EXPECT_EQ(RangeMiddle(c[0], c[1]), c[2]) << c[0] << ", " << c[1];
}

TEST(cxClassesRoutines, MemoryStreamsEqual) {
  TMemoryStream a, b;
  EXPECT_TRUE(MemoryStreamsEqual(&a, &b));
  a.WriteBuffer("abc", 3);
  b.WriteBuffer("abd", 3);
  EXPECT_FALSE(MemoryStreamsEqual(&a, &b));
  b.SetPosition(2);
  b.WriteBuffer("c", 1);
  EXPECT_TRUE(MemoryStreamsEqual(&a, &b));
  b.WriteBuffer("", 0);
  b.SetSize(4);
  EXPECT_FALSE(MemoryStreamsEqual(&a, &b));
}

TEST(TcxObjectLink, ReadsNilOnceItsObjectIsGone) {
  auto* comp = New<TcxComponent>(nullptr);
  auto* plain = New<TcxMRUItems>();
  TcxObjectLink* compLink = AddObjectLink(comp);
  TcxObjectLink* plainLink = AddObjectLink(plain);
  TcxObjectLink* second = AddObjectLink(comp);
  EXPECT_EQ(ObjectLinkCount(), 3);
  EXPECT_EQ(compLink->Target(), comp);
  comp->Free();
  EXPECT_EQ(compLink->Target(), nullptr);
  EXPECT_EQ(second->Target(), nullptr);
  ResetObjectLinks(plain);
  EXPECT_EQ(plainLink->Target(), nullptr);
  plain->Free();
  RemoveObjectLink(compLink);
  RemoveObjectLink(second);
  RemoveObjectLink(plainLink);
  EXPECT_EQ(ObjectLinkCount(), 0);
}

TEST(TcxFreeNotificator, ReportsTheRemovedComponent) {
  auto* notificator = New<TcxFreeNotificator>(nullptr);
  std::vector<TComponent*> removed;
  notificator->OnComponentRemoved = [&removed](TComponent* c) { removed.push_back(c); };
  auto* watched = New<TComponent>(nullptr);
  auto* ignored = New<TComponent>(nullptr);
  RequestFreeNotification(notificator, watched);
  RequestFreeNotification(notificator, ignored);
  CancelFreeNotification(notificator, ignored);
  RequestFreeNotification(notificator, nullptr);
  TComponent* watchedPtr = watched;
  watched->Free();
  ignored->Free();
  EXPECT_EQ(removed, std::vector<TComponent*>{watchedPtr});
  notificator->Free();
}

// A component that shows two companions to the designer.
class TLinkedComponent : public TcxComponent {
  RTL_CLASS(TLinkedComponent, TcxComponent)
public:
  using TcxComponent::TcxComponent;
  TComponent* First = nullptr;
  TComponent* Second = nullptr;

protected:
  void CollectFakeComponentLinks(TList* AList) override {
    AList->Add(First);
    AList->Add(Second);
  }
};

TEST(TcxComponent, FakeLinksFollowTheCollectedComponentsAtDesignTime) {
  auto* owner = New<TComponent>(nullptr);
  auto* comp = New<TLinkedComponent>(owner);
  comp->First = New<TComponent>(owner);
  comp->Second = New<TComponent>(owner);
  comp->UpdateFakeComponentLinks();
  EXPECT_EQ(comp->FakeComponentLink1(), nullptr);  // only at design time
  comp->SetDesigning(true);
  comp->UpdateFakeComponentLinks();
  EXPECT_EQ(comp->FakeComponentLink1(), comp->First);
  EXPECT_EQ(comp->FakeComponentLink2(), comp->Second);
  EXPECT_EQ(comp->FakeComponentLink3(), nullptr);
  comp->Second->Free();
  EXPECT_EQ(comp->FakeComponentLink2(), nullptr);
  owner->Free();
}

TEST(TcxInterfacedPersistent, AnswersItsOwner) {
  auto* owner = New<TComponent>(nullptr);
  auto* p = New<TcxInterfacedPersistent>(owner);
  EXPECT_EQ(GetPersistentOwner(p), owner);
  EXPECT_EQ(GetPersistentOwner(owner), nullptr);
  EXPECT_EQ(MakeSize(3, 4).cy, 4);
  p->Free();
  owner->Free();
}

TEST(TcxObjectList, ClearFreesEveryItem) {
  FreedItems = 0;
  auto* list = New<TcxObjectList>();
  list->Add(New<TKeyItem>(1));
  list->Add(New<TKeyItem>(2));
  EXPECT_EQ(static_cast<TKeyItem*>(list->Items(1))->Key, 2);
  list->Clear();
  EXPECT_EQ(FreedItems, 2);
  list->Add(New<TKeyItem>(3));
  list->Free();
  EXPECT_EQ(FreedItems, 3);
}

}  // namespace
