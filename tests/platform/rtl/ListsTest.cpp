#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "rtl/Interfaces.h"
#include "rtl/Lists.h"

namespace {

// Records every notification as "added:x", "deleted:x", "extracted:x" with x the pointed-to char.
class TLoggingList : public TList {
  RTL_CLASS(TLoggingList, TList)
public:
  std::vector<std::string>* log = nullptr;

protected:
  void Notify(void* ptr, TListNotification action) override {
    static const char* const names[] = {"added", "extracted", "deleted"};
    log->push_back(std::string(names[action]) + ":" + *static_cast<char*>(ptr));
  }
};

// An object that reports its destruction.
class TTracked : public TObject {
  RTL_CLASS(TTracked, TObject)
public:
  TTracked(std::vector<std::string>* log, std::string name) : FLog(log), FName(std::move(name)) {}
  ~TTracked() override { FLog->push_back("freed:" + FName); }

private:
  std::vector<std::string>* FLog;
  std::string FName;
};

class TTrackedChild : public TTracked {
  RTL_CLASS(TTrackedChild, TTracked)
public:
  using TTracked::TTracked;
};

std::string Message(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EListError& e) {
    return e.ClassName() + ": " + e.Message();
  }
  return "no error";
}

char a = 'a', b = 'b', c = 'c', d = 'd';

std::string Chars(TList* list) {
  std::string s;
  for (int32_t i = 0; i < list->Count(); ++i) s += list->Items(i) ? *static_cast<char*>(list->Items(i)) : '-';
  return s;
}

}  // namespace

TEST(TListTest, NotifiesAdditionsAndRemovalsInOrderAndSkipsNil) {
  std::vector<std::string> log;
  auto* list = New<TLoggingList>();
  list->log = &log;
  list->Add(&a);
  list->Add(nullptr);
  list->Insert(0, &b);
  list->SetItems(1, &c);  // replaces a
  list->SetItems(1, &c);  // same item: nothing happens
  EXPECT_EQ(list->Extract(&b), &b);
  EXPECT_EQ(list->Extract(&d), nullptr);
  list->Add(&d);
  list->Move(0, 2);  // moving is silent
  EXPECT_EQ(Chars(list), "-dc");
  EXPECT_EQ(list->Remove(&d), 1);
  list->Add(&a);
  list->Free();  // clears last item first
  EXPECT_EQ(log, (std::vector<std::string>{"added:a", "added:b", "deleted:a", "added:c", "extracted:b", "added:d",
                                           "deleted:d", "added:a", "deleted:a", "deleted:c"}));
}

TEST(TListTest, IndexAndBoundErrorsCarryTheOffendingValue) {
  TList list;
  list.Add(&a);
  list.Add(&b);
  struct Case {
    std::function<void()> call;
    std::string expected;
  } cases[] = {
      {[&] { list.Items(2); }, "EListError: List index out of bounds (2)"},
      {[&] { list.Items(-1); }, "EListError: List index out of bounds (-1)"},
      {[&] { list.SetItems(5, &c); }, "EListError: List index out of bounds (5)"},
      {[&] { list.Insert(3, &c); }, "EListError: List index out of bounds (3)"},
      {[&] { list.Delete(2); }, "EListError: List index out of bounds (2)"},
      {[&] { list.Exchange(0, 7); }, "EListError: List index out of bounds (7)"},
      {[&] { list.Move(0, 2); }, "EListError: List index out of bounds (2)"},
      {[&] { list.SetCapacity(1); }, "EListError: List capacity out of bounds (1)"},
      {[&] { list.SetCount(-1); }, "EListError: List count out of bounds (-1)"},
      {[&] { TList empty; empty.First(); }, "EListError: List index out of bounds (0)"},
      {[&] { TList empty; empty.Last(); }, "EListError: List index out of bounds (-1)"},
  };
  for (const Case& tc : cases) EXPECT_EQ(Message(tc.call), tc.expected);
  EXPECT_EQ(Chars(&list), "ab");
}

TEST(TListTest, SetCountPadsWithNilAndShrinksFromTheEnd) {
  std::vector<std::string> log;
  auto* list = New<TLoggingList>();
  list->log = &log;
  list->Add(&a);
  list->Add(&b);
  list->Add(&c);
  list->SetCount(5);
  EXPECT_EQ(Chars(list), "abc--");
  list->SetCount(1);
  EXPECT_EQ(Chars(list), "a");
  EXPECT_EQ(log, (std::vector<std::string>{"added:a", "added:b", "added:c", "deleted:c", "deleted:b"}));
  list->Free();
}

TEST(TListTest, GrowsCapacityInThePlatformSteps) {
  TList list;
  std::vector<int32_t> capacities;
  for (int i = 0; i < 80; ++i) {
    list.Add(nullptr);
    if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95}));
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(TListTest, SortPackExchangeAndExpand) {
  TList list;
  char items[] = "dbacb";
  for (char& ch : items)
    if (ch) list.Add(&ch);
  list.Add(nullptr);
  list.Pack();
  list.Sort([](void* x, void* y) { return int32_t(*static_cast<char*>(x)) - *static_cast<char*>(y); });
  EXPECT_EQ(Chars(&list), "abbcd");
  list.Exchange(0, 4);
  EXPECT_EQ(Chars(&list), "dbbca");
  while (list.Count() < list.Capacity()) list.Add(nullptr);
  int32_t full = list.Capacity();
  EXPECT_EQ(list.Expand(), &list);
  EXPECT_GT(list.Capacity(), full);
}

TEST(TListTest, AssignOperatorsCombineLists) {
  struct Case {
    TListAssignOp op;
    const char* expected;
  } cases[] = {{laCopy, "bcd"}, {laAnd, "bc"}, {laOr, "abcd"}, {laXor, "ad"}, {laSrcUnique, "a"}, {laDestUnique, "d"}};
  for (const Case& tc : cases) {
    TList dest, source;
    dest.Add(&a);
    dest.Add(&b);
    dest.Add(&c);
    source.Add(&b);
    source.Add(&c);
    source.Add(&d);
    dest.Assign(&source, tc.op);
    EXPECT_EQ(Chars(&dest), tc.expected) << "operator " << tc.op;
  }
}

TEST(TObjectListTest, FreesWhatItDeletesButNotWhatItHandsBack) {
  std::vector<std::string> log;
  auto* list = New<TObjectList>();
  auto* o1 = new TTracked(&log, "1");
  auto* o2 = new TTracked(&log, "2");
  auto* o3 = new TTracked(&log, "3");
  auto* o4 = new TTracked(&log, "4");
  auto* o5 = new TTracked(&log, "5");
  list->Add(o1);
  list->Add(o2);
  list->Add(o3);
  list->Add(o4);
  list->Delete(0);
  EXPECT_EQ(list->Extract(o2), o2);
  list->Remove(o3);
  list->SetItems(0, o5);  // replaces o4
  EXPECT_EQ(log, (std::vector<std::string>{"freed:1", "freed:3", "freed:4"}));
  list->Add(o2);
  list->SetOwnsObjects(false);
  list->Remove(o2);
  list->SetOwnsObjects(true);
  list->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"freed:1", "freed:3", "freed:4", "freed:5"}));
  o2->Free();
}

TEST(TObjectListTest, ClearFreesAndNonOwningListLeavesObjectsAlone) {
  std::vector<std::string> log;
  auto* kept = new TTracked(&log, "kept");
  {
    auto* list = New<TObjectList>(false);
    list->Add(kept);
    list->Free();
  }
  EXPECT_TRUE(log.empty());
  auto* list = New<TObjectList>();
  list->Add(kept);
  list->Add(new TTracked(&log, "other"));
  list->Clear();
  EXPECT_EQ(log, (std::vector<std::string>{"freed:other", "freed:kept"}));
  list->Free();
}

TEST(TObjectListTest, FindInstanceOfExactOrInherited) {
  std::vector<std::string> log;
  TObjectList list;
  list.Add(new TTracked(&log, "base"));
  list.Add(new TTrackedChild(&log, "child"));
  EXPECT_EQ(list.FindInstanceOf(TTrackedChild::StaticClass()), 1);
  EXPECT_EQ(list.FindInstanceOf(TTracked::StaticClass()), 0);
  EXPECT_EQ(list.FindInstanceOf(TTracked::StaticClass(), false, 1), 1);
  EXPECT_EQ(list.FindInstanceOf(TObject::StaticClass(), true), -1);
}

TEST(TThreadListTest, DuplicatesModes) {
  auto* list = New<TThreadList>();
  list->Add(&a);
  list->Add(&a);  // dupIgnore by default
  EXPECT_EQ(list->LockList()->Count(), 1);
  list->UnlockList();
  list->SetDuplicates(dupAccept);
  list->Add(&a);
  EXPECT_EQ(list->LockList()->Count(), 2);
  list->UnlockList();
  list->SetDuplicates(dupError);
  std::string msg = Message([&] { list->Add(&a); });
  EXPECT_EQ(msg.rfind("EListError: List does not allow duplicates ($0", 0), 0u) << msg;
  list->Remove(&a);
  EXPECT_EQ(list->LockList()->Count(), 1);
  list->UnlockList();
  list->Clear();
  EXPECT_EQ(list->LockList()->Count(), 0);
  list->UnlockList();
  list->Free();
}

TEST(TThreadListTest, ConcurrentAddsAllArrive) {
  auto* list = New<TThreadList>();
  std::vector<std::vector<int>> values(4, std::vector<int>(500));
  std::vector<std::thread> threads;
  for (auto& v : values)
    threads.emplace_back([&list, &v] {
      for (int& x : v) list->Add(&x);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(list->LockList()->Count(), 2000);
  list->UnlockList();
  list->Free();
}

TEST(TListOfTest, TypedAccessorsOverTheSameList) {
  TListOf<char> list;
  list.Add(&b);
  list.Insert(0, &a);
  char* first = list.First();
  EXPECT_EQ(*first, 'a');
  EXPECT_EQ(*list.Items(1), 'b');
  EXPECT_EQ(list.IndexOf(&b), 1);
  EXPECT_EQ(list.Extract(&a), &a);
  EXPECT_EQ(list.Count(), 1);
}

namespace {

class INamed : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{5A0C6E2B-91D4-4F3A-8C7E-2B6D9F1A3E47}");
  virtual std::string Name() = 0;
};

class TNamed : public TInterfacedObject, public INamed {
  RTL_CLASS(TNamed, TInterfacedObject)
  RTL_INTERFACES(INamed)
public:
  TNamed(std::vector<std::string>* log, std::string name) : FLog(log), FName(std::move(name)) {}
  ~TNamed() override { FLog->push_back("freed:" + FName); }
  std::string Name() override { return FName; }

private:
  std::vector<std::string>* FLog;
  std::string FName;
};

}  // namespace

TEST(TInterfaceListTest, HoldsOneReferencePerEntryAndDropsItOnRemoval) {
  std::vector<std::string> log;
  auto* list = New<TInterfaceList>();
  auto* x = New<TNamed>(&log, "x");
  auto* y = New<TNamed>(&log, "y");
  IPtr<INamed> z(New<TNamed>(&log, "z"));
  list->Add(x);
  list->Add(x);  // duplicates are allowed, each with its own reference
  list->Insert(0, y);
  list->Add(z);
  list->Add(nullptr);
  EXPECT_EQ(x->RefCount(), 2);
  EXPECT_EQ(z.get()->_AddRef(), 3);
  z.get()->_Release();
  EXPECT_EQ(list->IndexOf(x), 1);
  IPtr<IInterface> first = list->First();
  EXPECT_EQ(dynamic_cast<INamed*>(first.get())->Name(), "y");
  EXPECT_EQ(list->Last(), nullptr);

  list->Delete(0);  // y lives on through `first`
  EXPECT_TRUE(log.empty());
  first.reset();
  EXPECT_EQ(log, (std::vector<std::string>{"freed:y"}));
  EXPECT_EQ(list->Remove(x), 0);
  EXPECT_EQ(x->RefCount(), 1);
  list->SetItems(0, nullptr);  // the last reference to x
  EXPECT_EQ(log, (std::vector<std::string>{"freed:y", "freed:x"}));
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(Message([&] { list->Items(3); }), "EListError: List index out of bounds (3)");
  EXPECT_EQ(Message([&] { list->Delete(-1); }), "EListError: List index out of bounds (-1)");
  z.reset();
  EXPECT_EQ(log.size(), 2u);  // the list still holds z
  list->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"freed:y", "freed:x", "freed:z"}));
}

TEST(TInterfaceListTest, ConcurrentAddsAndRemovesKeepCountsRight) {
  std::vector<std::string> log;
  auto* list = New<TInterfaceList>();
  IPtr<INamed> shared(New<TNamed>(&log, "shared"));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) list->Add(shared);
      for (int i = 0; i < 100; ++i) list->Remove(shared.get());
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(list->Count(), 400);
  list->Lock();
  list->SetCount(1);
  list->Unlock();
  EXPECT_EQ(shared.get()->_AddRef(), 3);
  shared.get()->_Release();
  list->Clear();
  EXPECT_EQ(list->Capacity(), 0);
  list->Free();
  EXPECT_TRUE(log.empty());
}
