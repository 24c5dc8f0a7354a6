#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/ClassRegistry.h"
#include "rtl/Persistent.h"
#include "rtl/System.h"

namespace {

// A family whose virtual constructor takes an owner, the way the component family does.
class TOwnedThing : public TPersistent {
  RTL_CLASS(TOwnedThing, TPersistent)
public:
  using VirtualCtorArg = TOwnedThing*;
  explicit TOwnedThing(TOwnedThing* owner) : FOwner(owner) {}
  void AfterConstruction() override {
    inherited::AfterConstruction();
    FKindSeen = Kind();
  }
  virtual std::string Kind() const { return "thing"; }
  TOwnedThing* Owner() const { return FOwner; }
  const std::string& KindSeen() const { return FKindSeen; }

private:
  TOwnedThing* FOwner;
  std::string FKindSeen;
};

class TSpecialThing : public TOwnedThing {
  RTL_CLASS(TSpecialThing, TOwnedThing)
public:
  using TOwnedThing::TOwnedThing;
  std::string Kind() const override { return "special"; }
};

class TAbstractThing : public TOwnedThing {
  RTL_CLASS(TAbstractThing, TOwnedThing)
public:
  using TOwnedThing::TOwnedThing;
  virtual void Paint() = 0;
};

class TUnrelated : public TObject {
  RTL_CLASS(TUnrelated, TObject)
};

class TFailingThing : public TOwnedThing {
  RTL_CLASS(TFailingThing, TOwnedThing)
public:
  using TOwnedThing::TOwnedThing;
  static inline int Destroyed = 0;
  ~TFailingThing() override { ++Destroyed; }
  void AfterConstruction() override { throw EInvalidOperation("no"); }
};

}  // namespace

TEST(TMetaClassTest, VirtualConstructorPassesTheOwnerAndReachesTheFinalClass) {
  TOwnedThing* owner = New<TOwnedThing>(nullptr);
  TClass cls = TSpecialThing::StaticClass();
  TOwnedThing* child = CreateAs<TOwnedThing>(cls, owner);
  EXPECT_EQ(child->ClassType(), cls);
  EXPECT_EQ(child->Owner(), owner);
  EXPECT_EQ(child->KindSeen(), "special");
  child->Free();
  owner->Free();
}

TEST(TMetaClassTest, AbstractClassesHaveNoFactory) {
  EXPECT_TRUE(TSpecialThing::StaticClass()->HasFactory());
  EXPECT_FALSE(TAbstractThing::StaticClass()->HasFactory());
  EXPECT_FALSE(TObject::StaticClass()->HasFactory());
  try {
    TAbstractThing::StaticClass()->Create();
    FAIL();
  } catch (const EInvalidOperation& e) {
    EXPECT_NE(e.Message().find("TAbstractThing"), std::string::npos);
  }
}

TEST(TMetaClassTest, CreateAsRefusesClassesOutsideTheFamily) {
  EXPECT_THROW(CreateAs<TOwnedThing>(TUnrelated::StaticClass()), EInvalidCast);
  TUnrelated notAnOwner;
  EXPECT_THROW(TSpecialThing::StaticClass()->Create(&notAnOwner), EInvalidCast);
}

TEST(TMetaClassTest, ThrowingAfterConstructionDestroysTheObject) {
  TFailingThing::Destroyed = 0;
  EXPECT_THROW(TFailingThing::StaticClass()->Create(), EInvalidOperation);
  EXPECT_EQ(TFailingThing::Destroyed, 1);
}

TEST(TObjectTest, IsAndFreeObjectOnNull) {
  TSpecialThing* t = New<TSpecialThing>(nullptr);
  TObject* o = t;
  EXPECT_TRUE(o->Is<TOwnedThing>());
  EXPECT_TRUE(o->Is<TPersistent>());
  EXPECT_FALSE(o->Is<TUnrelated>());
  EXPECT_TRUE(o->ClassNameIs("tspecialTHING"));
  EXPECT_FALSE(o->ClassNameIs("TSpecialThin"));
  FreeObject(o);
  FreeObject(nullptr);
}

TEST(ClassRegistryTest, FindsByNameCaseInsensitivelyWithAncestorsUpToTPersistent) {
  RegisterClass(TSpecialThing::StaticClass());
  EXPECT_EQ(GetClass("tspecialthing"), TSpecialThing::StaticClass());
  EXPECT_EQ(GetClass("TOwnedThing"), TOwnedThing::StaticClass());
  EXPECT_EQ(GetClass("TPersistent"), TPersistent::StaticClass());
  EXPECT_EQ(GetClass("TObject"), nullptr);
  RegisterClass(TSpecialThing::StaticClass());  // again: no error
  UnRegisterClasses({TSpecialThing::StaticClass(), TOwnedThing::StaticClass(), TPersistent::StaticClass()});
  EXPECT_EQ(GetClass("TSpecialThing"), nullptr);
}

TEST(ClassRegistryTest, FindClassNamesTheMissingClass) {
  try {
    FindClass("TNoSuchThing");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TNoSuchThing not found");
  }
}

TEST(ClassRegistryTest, AnotherClassUnderATakenNameIsRefusedAliasesResolve) {
  RegisterClass(TUnrelated::StaticClass());
  RegisterClassAlias(TUnrelated::StaticClass(), "TOldUnrelated");
  EXPECT_EQ(FindClass("toldunrelated"), TUnrelated::StaticClass());
  try {
    RegisterClassAlias(TSpecialThing::StaticClass(), "TUnrelated");
    FAIL();
  } catch (const EFilerError& e) {
    EXPECT_EQ(e.Message(), "A class named TUnrelated already exists");
  }
  UnRegisterClass(TUnrelated::StaticClass());
  EXPECT_EQ(GetClass("TOldUnrelated"), nullptr);
}
