#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/Interfaces.h"

namespace {

std::vector<std::string> gEvents;

class ISpeaker : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{6B1F2A10-3C4D-4E5F-8A9B-0C1D2E3F4A5B}");
  virtual std::string Speak() = 0;
};

class ICounter : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{0F2E3D4C-5B6A-4789-9A8B-7C6D5E4F3A2B}");
  virtual int Next() = 0;
};

class IUnused : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{11111111-2222-3333-4444-555555555555}");
};

class TSpeaker : public TInterfacedObject, public ISpeaker, public ICounter {
  RTL_CLASS(TSpeaker, TInterfacedObject)
  RTL_INTERFACES(ISpeaker, ICounter)
public:
  ~TSpeaker() override { gEvents.push_back("destroyed"); }
  void BeforeDestruction() override {
    inherited::BeforeDestruction();
    gEvents.push_back("before");
  }
  std::string Speak() override { return "hi"; }
  int Next() override { return ++FCount; }

private:
  int FCount = 0;
};

// Lists nothing itself: its parent's list still answers.
class TLoudSpeaker : public TSpeaker {
  RTL_CLASS(TLoudSpeaker, TSpeaker)
public:
  std::string Speak() override { return "HI"; }
};

}  // namespace

TEST(IPtrTest, LastReferenceFreesThroughBeforeDestruction) {
  gEvents.clear();
  {
    IPtr<ISpeaker> a = New<TSpeaker>();
    EXPECT_EQ(a->Speak(), "hi");
    IPtr<ISpeaker> b = a;
    IPtr<IInterface> base = b;
    EXPECT_EQ(dynamic_cast<TSpeaker*>(a.get())->RefCount(), 3);
    IPtr<ISpeaker> moved = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_TRUE(moved == b);
    b = nullptr;
    base.reset();
    EXPECT_TRUE(gEvents.empty());
  }
  EXPECT_EQ(gEvents, (std::vector<std::string>{"before", "destroyed"}));
}

TEST(IPtrTest, FreeingWhileReferencedIsRefused) {
  TSpeaker* s = New<TSpeaker>();
  IPtr<ICounter> keep = s;
  EXPECT_THROW(s->Free(), EInvalidPointer);
  EXPECT_EQ(keep->Next(), 1);
}

TEST(SupportsTest, ByTypeAndByGuid) {
  IPtr<ISpeaker> holder = New<TLoudSpeaker>();
  TObject* obj = dynamic_cast<TObject*>(holder.get());
  ASSERT_NE(obj, nullptr);

  EXPECT_NE(Supports<ICounter>(obj), nullptr);
  EXPECT_EQ(Supports<IUnused>(obj), nullptr);
  IPtr<ICounter> counter;
  EXPECT_TRUE(Supports(holder, counter));
  EXPECT_EQ(counter->Next(), 1);

  struct TCase {
    TGUID IID;
    bool Expected;
  };
  for (const TCase& c : {TCase{ISpeaker::IID, true}, TCase{ICounter::IID, true}, TCase{IInterface::IID, true},
                         TCase{IUnused::IID, false}}) {
    EXPECT_EQ(Supports(obj, c.IID), c.Expected) << GUIDToString(c.IID);
    EXPECT_EQ(Supports(holder.get(), c.IID), c.Expected) << GUIDToString(c.IID);
  }
  void* raw = nullptr;
  ASSERT_TRUE(Supports(obj, ISpeaker::IID, &raw));
  EXPECT_EQ(static_cast<ISpeaker*>(raw)->Speak(), "HI");

  // QueryInterface hands out a counted reference of the GUID's type.
  void* q = nullptr;
  EXPECT_EQ(holder->QueryInterface(ICounter::IID, &q), RTL_S_OK);
  IPtr<ICounter> fromQuery;
  fromQuery.attach(static_cast<ICounter*>(q));
  EXPECT_EQ(fromQuery->Next(), 2);
  EXPECT_EQ(holder->QueryInterface(IUnused::IID, &q), RTL_E_NOINTERFACE);
  EXPECT_EQ(q, nullptr);
  EXPECT_EQ(dynamic_cast<TSpeaker*>(obj)->RefCount(), 3);
}
