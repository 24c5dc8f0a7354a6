#include <gtest/gtest.h>

#include <algorithm>

#include "EditSupport.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxEdit.h"
#include "winapi/Headless.h"

namespace {

using edit_test::Owned;

const char* const kInvalidValueText = "Введено неверное значение. Нажмите Esc для отмены";

// A kind that validates typed display values, as text editors do.
class TValidatingProperties : public TcxCustomEditProperties {
  RTL_CLASS(TValidatingProperties, TcxCustomEditProperties)
public:
  using TcxCustomEditProperties::TcxCustomEditProperties;
  bool NeedsDisplayValueValidation() const override { return true; }
};

// A data source with defaults of its own.
class TTestProvider : public TcxCustomEditDefaultValuesProvider {
  RTL_CLASS(TTestProvider, TcxCustomEditDefaultValuesProvider)
public:
  using TcxCustomEditDefaultValuesProvider::TcxCustomEditDefaultValuesProvider;
  TAlignment GetDefaultAlignment() override { return Alignment; }
  bool GetDefaultReadOnly() override { return ReadOnly; }
  bool GetDefaultCanModify() override { return CanModifyValue; }
  TAlignment Alignment = taRightJustify;
  bool ReadOnly = false;
  bool CanModifyValue = true;
};

// The editor side of validation: its properties, an optional repository item and the text it shows.
class TTestSite : public IcxEditValidationSite {
public:
  TObject* GetValidationSender() override { return &Sender; }
  TcxCustomEditProperties* GetOwnProperties() override { return Own; }
  TcxCustomEditProperties* GetRepositoryItemProperties() override { return Item; }
  String GetCurrentDisplayText() override { return Shown; }
  TObject Sender;
  TcxCustomEditProperties* Own = nullptr;
  TcxCustomEditProperties* Item = nullptr;
  String Shown = "shown";
};

class EditPropertiesTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(320, 240);
    P.reset(New<TValidatingProperties>(nullptr));
    Count(P.get(), Changes);
  }
  void TearDown() override {
    P.reset();
    cxEditFinalize();
    DoneEditPaintUtils();
    headless::Shutdown();
  }
  static void Count(TcxCustomEditProperties* AProperties, int& ACounter) {
    int* counter = &ACounter;
    AProperties->OnPropertiesChanged = TNotifyEvent([counter](TObject*) { ++*counter; });
  }
  Owned<TcxCustomEditProperties> P;
  int Changes = 0;
};

TEST_F(EditPropertiesTest, StartsWithTheDocumentedDefaultsAndJoinsTheInstanceList) {
  Owned<TcxCustomEditProperties> base(New<TcxCustomEditProperties>(nullptr));
  EXPECT_TRUE(base->AutoSelect());
  EXPECT_FALSE(base->BeepOnError());
  EXPECT_EQ(base->ButtonsViewStyle(), bvsNormal);
  EXPECT_EQ(base->ClearKey(), 0);
  EXPECT_EQ(base->ClickKey(), 0x400D);
  EXPECT_FALSE(base->ImmediatePost());
  EXPECT_TRUE(base->UseLeftAlignmentOnEditing());
  EXPECT_TRUE(base->UseMouseWheel());
  EXPECT_FALSE(base->ValidateOnEnter());
  EXPECT_EQ(base->Alignment()->Horz(), taLeftJustify);
  EXPECT_EQ(base->Alignment()->Vert(), taTopJustify);
  EXPECT_FALSE(base->IsAlignmentStored());
  EXPECT_EQ(base->AssignedValues()->ClassType(), TcxCustomEditPropertiesValues::StaticClass());
  EXPECT_TRUE(base->GetStyleClass() == TcxContainerStyleClass::Of<TcxEditStyle>());
  EXPECT_EQ(base->GetValidationErrorText(), kInvalidValueText);
  EXPECT_EQ(base->GetEditValueSource(true), 0);
  EXPECT_EQ(base->GetSupportedOperations(), 0u);
  base->Buttons()->Add();
  EXPECT_EQ(base->GetSupportedOperations(), 16u);

  const auto& list = EditPropertiesInstances();
  TcxCustomEditProperties* raw = base.get();
  EXPECT_NE(std::find(list.begin(), list.end(), raw), list.end());
  base.reset();
  EXPECT_EQ(std::find(list.begin(), list.end(), raw), list.end());
}

TEST_F(EditPropertiesTest, EndUpdateWithoutBeginDoesNothing) {
  P->EndUpdate(true);
  EXPECT_EQ(P->UpdateCount(), 0);
  EXPECT_EQ(Changes, 0);
  // The stray EndUpdate left no debt: the next change is reported at once.
  P->SetAutoSelect(false);
  EXPECT_EQ(Changes, 1);
}

TEST_F(EditPropertiesTest, NestedBracketsReportOnceAtTheOutermostEnd) {
  P->BeginUpdate();
  P->BeginUpdate();
  P->SetAutoSelect(false);
  P->SetReadOnly(true);
  P->Buttons()->Add();
  P->EndUpdate(true);
  EXPECT_EQ(Changes, 0);
  P->EndUpdate(true);
  EXPECT_EQ(Changes, 1);

  P->BeginUpdate();
  P->SetAutoSelect(true);
  P->EndUpdate(false);
  EXPECT_EQ(Changes, 1);
}

TEST_F(EditPropertiesTest, SettersReportOnlyRealChanges) {
  struct Case {
    const char* name;
    void (*change)(TcxCustomEditProperties*);
    int expected;
  };
  const Case cases[] = {
      {"AutoSelect to its value", [](TcxCustomEditProperties* p) { p->SetAutoSelect(true); }, 0},
      {"AutoSelect changed", [](TcxCustomEditProperties* p) { p->SetAutoSelect(false); }, 1},
      {"ButtonsViewStyle to its value", [](TcxCustomEditProperties* p) { p->SetButtonsViewStyle(bvsNormal); }, 0},
      {"ButtonsViewStyle changed", [](TcxCustomEditProperties* p) { p->SetButtonsViewStyle(bvsButtonsOnly); }, 1},
      {"UseLeftAlignmentOnEditing to its value",
       [](TcxCustomEditProperties* p) { p->SetUseLeftAlignmentOnEditing(true); }, 0},
      {"UseLeftAlignmentOnEditing changed",
       [](TcxCustomEditProperties* p) { p->SetUseLeftAlignmentOnEditing(false); }, 1},
      {"ReadOnly set once", [](TcxCustomEditProperties* p) { p->SetReadOnly(false); }, 1},
      {"ReadOnly set twice alike",
       [](TcxCustomEditProperties* p) {
         p->SetReadOnly(true);
         p->SetReadOnly(true);
       },
       1},
      {"a button added", [](TcxCustomEditProperties* p) { p->Buttons()->Add(); }, 1},
      {"a button edited", [](TcxCustomEditProperties* p) { p->Buttons()->Add()->SetCaption("x"); }, 2},
      {"RestoreDefaults", [](TcxCustomEditProperties* p) { p->RestoreDefaults(); }, 1},
  };
  for (const Case& c : cases) {
    Owned<TcxCustomEditProperties> p(New<TcxCustomEditProperties>(nullptr));
    int changes = 0;
    Count(p.get(), changes);
    c.change(p.get());
    EXPECT_EQ(changes, c.expected) << c.name;
  }
}

TEST_F(EditPropertiesTest, TheChangeLockAndADestroyingOwnerSilenceChanged) {
  P->LockChanged(true);
  EXPECT_TRUE(P->IsChangedLocked());
  P->SetAutoSelect(false);
  P->LockChanged(false);
  EXPECT_FALSE(P->IsChangedLocked());
  EXPECT_EQ(Changes, 0);

  Owned<TComponent> owner(New<TComponent>(nullptr));
  Owned<TcxCustomEditProperties> owned(New<TcxCustomEditProperties>(owner.get()));
  int changes = 0;
  Count(owned.get(), changes);
  owned->SetAutoSelect(false);
  owner->Destroying();
  owned->SetAutoSelect(true);
  EXPECT_EQ(changes, 1);
}

TEST_F(EditPropertiesTest, SettingHorzToTheDefaultStillStoresIt) {
  ASSERT_EQ(P->Alignment()->Horz(), taLeftJustify);
  P->Alignment()->SetHorz(taLeftJustify);
  EXPECT_TRUE(P->IsAlignmentStored());
  EXPECT_TRUE(IsStoredProp(P->Alignment(), "Horz"));
  EXPECT_EQ(Changes, 1);
  // Already assigned with that value: nothing to report.
  P->Alignment()->SetHorz(taLeftJustify);
  EXPECT_EQ(Changes, 1);
}

TEST_F(EditPropertiesTest, AnUnassignedHorzFollowsTheProviderUntilSet) {
  Owned<TTestProvider> provider(New<TTestProvider>(nullptr));
  P->SetDefaultValuesProvider(provider.get());
  EXPECT_EQ(P->Alignment()->Horz(), taRightJustify);
  EXPECT_FALSE(P->IsAlignmentStored());
  provider->Alignment = taCenter;
  EXPECT_EQ(P->Alignment()->Horz(), taCenter);

  P->Alignment()->SetHorz(taLeftJustify);
  provider->Alignment = taRightJustify;
  EXPECT_EQ(P->Alignment()->Horz(), taLeftJustify);

  P->RestoreDefaults();
  EXPECT_FALSE(P->IsAlignmentStored());
  EXPECT_EQ(P->Alignment()->Horz(), taRightJustify);

  P->Alignment()->SetVert(taVCenter);
  EXPECT_TRUE(P->IsAlignmentStored());
  EXPECT_FALSE(P->Alignment()->IsHorzAssigned());
}

TEST_F(EditPropertiesTest, ReadOnlyWithoutProviderIsFalseAndNotStored) {
  EXPECT_FALSE(P->GetReadOnly());
  EXPECT_FALSE(P->IsReadOnlyStored());
  EXPECT_FALSE(IsStoredProp(P.get(), "ReadOnly"));
  P->SetReadOnly(false);
  EXPECT_FALSE(P->GetReadOnly());
  EXPECT_TRUE(P->IsReadOnlyStored());
  EXPECT_TRUE(IsStoredProp(P.get(), "ReadOnly"));
}

TEST_F(EditPropertiesTest, ReadOnlyAndCanModifyFollowTheProviderUnlessAssigned) {
  struct Case {
    int assigned;  // -1 not assigned, else the assigned value
    bool withProvider, providerReadOnly, providerCanModify;
    bool readOnly, canModify;
  };
  const Case cases[] = {
      {-1, false, false, false, false, true}, {-1, true, false, true, false, true},
      {-1, true, false, false, false, false}, {-1, true, true, true, true, false},
      {0, true, true, false, false, true},    {1, true, false, true, true, false},
  };
  for (const Case& c : cases) {
    Owned<TcxCustomEditProperties> p(New<TcxCustomEditProperties>(nullptr));
    Owned<TTestProvider> provider(New<TTestProvider>(nullptr));
    provider->ReadOnly = c.providerReadOnly;
    provider->CanModifyValue = c.providerCanModify;
    if (c.withProvider) p->SetDefaultValuesProvider(provider.get());
    if (c.assigned >= 0) p->SetReadOnly(c.assigned == 1);
    EXPECT_EQ(p->GetReadOnly(), c.readOnly) << &c - cases;
    EXPECT_EQ(p->CanModify(), c.canModify) << &c - cases;
  }
}

TEST_F(EditPropertiesTest, AFreedProviderUnlinksItselfFromEveryProperties) {
  Owned<TcxCustomEditProperties> other(New<TcxCustomEditProperties>(nullptr));
  Owned<TTestProvider> provider(New<TTestProvider>(nullptr));
  provider->ReadOnly = true;
  P->SetDefaultValuesProvider(provider.get());
  other->SetDefaultValuesProvider(provider.get());
  EXPECT_TRUE(P->GetReadOnly());
  provider.reset();
  EXPECT_EQ(P->DefaultValuesProvider(), nullptr);
  EXPECT_EQ(other->DefaultValuesProvider(), nullptr);
  EXPECT_FALSE(P->GetReadOnly());
}

TEST_F(EditPropertiesTest, AssignCopiesSettingsOnceAndClearsALocalReadOnly) {
  Owned<TcxCustomEditProperties> source(New<TcxCustomEditProperties>(nullptr));
  int sourceChanges = 0;
  Count(source.get(), sourceChanges);
  source->SetAutoSelect(false);
  source->SetBeepOnError(true);
  source->SetClickKey(0x2000 | 'K');
  source->SetUseMouseWheel(false);
  source->SetValidateOnEnter(true);
  source->SetButtonsViewStyle(bvsButtonsAutoWidth);
  source->Buttons()->Add();
  source->Buttons()->Add();
  source->Alignment()->SetHorz(taCenter);
  int validations = 0;
  source->OnValidate = TcxEditValidateEvent([&](TObject*, Variant&, String&, bool&) { ++validations; });
  P->SetReadOnly(true);
  Changes = 0;

  P->Assign(source.get());
  EXPECT_EQ(Changes, 1);
  EXPECT_FALSE(P->IsReadOnlyStored());
  EXPECT_FALSE(P->GetReadOnly());
  EXPECT_FALSE(P->AutoSelect());
  EXPECT_TRUE(P->BeepOnError());
  EXPECT_EQ(P->ClickKey(), 0x2000 | 'K');
  EXPECT_FALSE(P->UseMouseWheel());
  EXPECT_TRUE(P->ValidateOnEnter());
  EXPECT_EQ(P->ButtonsViewStyle(), bvsButtonsAutoWidth);
  EXPECT_EQ(P->Buttons()->Count(), 2);
  EXPECT_EQ(P->Alignment()->Horz(), taCenter);
  EXPECT_TRUE(P->IsAlignmentStored());
  EXPECT_TRUE(P->OnValidate == source->OnValidate);
  // The destination keeps its own owner binding.
  P->SetAutoSelect(true);
  EXPECT_EQ(Changes, 2);

  source->SetReadOnly(false);
  P->Assign(source.get());
  EXPECT_TRUE(P->IsReadOnlyStored());
  EXPECT_FALSE(P->GetReadOnly());
}

TEST_F(EditPropertiesTest, BaseKindsDoNotCheckDisplayValues) {
  Owned<TcxCustomEditProperties> base(New<TcxCustomEditProperties>(nullptr));
  int fired = 0;
  base->OnValidate = TcxEditValidateEvent([&](TObject*, Variant&, String&, bool&) { ++fired; });
  Variant value("abc");
  String error;
  bool failed = false;
  base->CheckDisplayValue(value, error, nullptr, failed);
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(error, "");
}

TEST_F(EditPropertiesTest, CheckDisplayValueFillsTheTextAndFiresOnValidateWithoutFailing) {
  TTestSite site;
  site.Own = P.get();
  TObject* sender = nullptr;
  String seenText;
  P->OnValidate = TcxEditValidateEvent([&](TObject* Sender, Variant&, String& AErrorText, bool&) {
    sender = Sender;
    seenText = AErrorText;
  });
  Variant value("typed");
  String error;
  bool failed = false;
  P->CheckDisplayValue(value, error, &site, failed);
  EXPECT_FALSE(failed);
  EXPECT_EQ(error, kInvalidValueText);
  EXPECT_EQ(seenText, kInvalidValueText);
  EXPECT_EQ(sender, &site.Sender);
  EXPECT_EQ(VarToStr(value), "typed");

  // A text the caller brought is kept.
  error = "own text";
  P->CheckDisplayValue(value, error, &site, failed);
  EXPECT_EQ(error, "own text");
}

TEST_F(EditPropertiesTest, AFailingHandlerGetsTheShownTextBackUnlessItChangedTheValue) {
  struct Case {
    const char* name;
    const char* newValue;  // nullptr: the handler leaves the value alone
    const char* expected;
    bool modified;
  };
  const Case cases[] = {
      {"untouched", nullptr, "shown", false},
      {"set to the same text", "typed", "shown", false},
      {"changed", "fixed", "fixed", true},
  };
  for (const Case& c : cases) {
    TTestSite site;
    site.Own = P.get();
    P->OnValidate = TcxEditValidateEvent([&](TObject*, Variant& AValue, String&, bool& AError) {
      if (c.newValue) AValue = Variant(c.newValue);
      AError = true;
    });
    Variant value("typed");
    String error;
    bool failed = false, modified = false;
    P->DoValidate(value, error, modified, &site, failed);
    EXPECT_TRUE(failed) << c.name;
    EXPECT_EQ(VarToStr(value), c.expected) << c.name;
    EXPECT_EQ(modified, c.modified) << c.name;
  }
}

TEST_F(EditPropertiesTest, TheRepositoryItemsHandlerFiresAfterTheEditorsOwn) {
  Owned<TcxCustomEditProperties> item(New<TValidatingProperties>(nullptr));
  TTestSite site;
  site.Own = P.get();
  site.Item = item.get();
  String order;
  P->OnValidate = TcxEditValidateEvent([&](TObject*, Variant&, String&, bool&) { order += "own;"; });
  item->OnValidate = TcxEditValidateEvent([&](TObject*, Variant&, String& AErrorText, bool& AError) {
    order += "item;";
    AErrorText = "from item";
    AError = true;
  });
  Variant value("typed");
  String error;
  bool failed = false;
  P->CheckDisplayValue(value, error, &site, failed);
  EXPECT_EQ(order, "own;item;");
  EXPECT_TRUE(failed);
  EXPECT_EQ(error, "from item");
  EXPECT_EQ(VarToStr(value), "shown");

  // Only the item has a handler: it still fires.
  P->OnValidate = nullptr;
  order.clear();
  failed = false;
  P->CheckDisplayValue(value, error, &site, failed);
  EXPECT_EQ(order, "item;");
}

TEST_F(EditPropertiesTest, AreEditValuesEqualComparesDisplayForms) {
  EXPECT_TRUE(P->AreEditValuesEqual(Variant("a"), Variant("a")));
  EXPECT_FALSE(P->AreEditValuesEqual(Variant("a"), Variant("b")));
  EXPECT_TRUE(P->AreEditValuesEqual(Variant(Null()), Variant(Null())));
}

}  // namespace
