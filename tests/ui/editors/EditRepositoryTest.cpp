#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditSupport.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditConsts.h"
#include "winapi/Headless.h"

namespace {

using edit_test::Owned;

// What the listeners heard, in order: "<listener>:<event>:<item name>".
using TRepoLog = std::vector<std::string>;

// Stands in for an editor that uses a repository item.
class TRepoTestListener : public TInterfacedObject, public IcxEditRepositoryItemListener {
  RTL_CLASS(TRepoTestListener, TInterfacedObject)
  RTL_INTERFACES(IcxEditRepositoryItemListener)
public:
  TRepoTestListener(TRepoLog* ALog, std::string AName) : FLog(ALog), FName(std::move(AName)) {}
  void ItemRemoved(TcxEditRepositoryItem* AItem) override { Record("removed", AItem); }
  void PropertiesChanged(TcxEditRepositoryItem* AItem) override { Record("changed", AItem); }

private:
  void Record(const char* AEvent, TcxEditRepositoryItem* AItem) {
    FLog->push_back(FName + ":" + AEvent + ":" + std::string(AItem->Name().c_str()));
  }
  TRepoLog* FLog;
  std::string FName;
};

// An editor that stops using the item as soon as it hears of a change.
class TRepoLeavingListener : public TRepoTestListener {
  RTL_CLASS(TRepoLeavingListener, TRepoTestListener)
public:
  using TRepoTestListener::TRepoTestListener;
  void PropertiesChanged(TcxEditRepositoryItem* AItem) override {
    TRepoTestListener::PropertiesChanged(AItem);
    AItem->RemoveListener(this);
  }
};

class TRepoTestProperties : public TcxCustomEditProperties {
  RTL_CLASS(TRepoTestProperties, TcxCustomEditProperties)
public:
  using TcxCustomEditProperties::TcxCustomEditProperties;
};

class TRepoTestItem : public TcxEditRepositoryItem {
  RTL_CLASS(TRepoTestItem, TcxEditRepositoryItem)
public:
  using TcxEditRepositoryItem::TcxEditRepositoryItem;
  TClass GetPropertiesClass() const override { return TRepoTestProperties::StaticClass(); }
};

class TRepoOtherKind : public TcxCustomEditProperties {
  RTL_CLASS(TRepoOtherKind, TcxCustomEditProperties)
public:
  using TcxCustomEditProperties::TcxCustomEditProperties;
};

// Receives the children a repository streams.
class TRepoChildCollector : public TObject {
public:
  void Add(TComponent* AChild) { Seen.push_back(AChild); }
  std::vector<TComponent*> Seen;
};

class EditRepositoryTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(320, 240);
    Repository.reset(New<TcxEditRepository>(nullptr));
  }
  void TearDown() override {
    Repository.reset();
    cxEditFinalize();
  }
  TcxEditRepositoryItem* AddItem(const char* AName) {
    TcxEditRepositoryItem* item = Repository->CreateItem(TcxEditRepositoryItem::StaticClass());
    item->SetName(AName);
    return item;
  }
  IPtr<IcxEditRepositoryItemListener> Listen(TcxEditRepositoryItem* AItem, const char* AName) {
    IPtr<IcxEditRepositoryItemListener> listener(New<TRepoTestListener>(&Log, AName));
    AItem->AddListener(listener.get());
    return listener;
  }
  Owned<TcxEditRepository> Repository;
  TRepoLog Log;
};

TEST_F(EditRepositoryTest, ItemOwnsPropertiesOfItsKindAndJoinsTheRepository) {
  TcxEditRepositoryItem* item = Repository->CreateItem(TRepoTestItem::StaticClass());
  ASSERT_TRUE(item->Is<TRepoTestItem>());
  EXPECT_TRUE(item->Properties()->Is<TRepoTestProperties>());
  EXPECT_EQ(item->Properties()->Owner(), item);
  EXPECT_EQ(item->Owner(), Repository.get());
  ASSERT_EQ(Repository->Count(), 1);
  EXPECT_EQ(Repository->Items(0), item);
  EXPECT_TRUE(item->HasParent());
  EXPECT_EQ(item->GetParentComponent(), Repository.get());
  EXPECT_THROW(Repository->Items(1), EListError);
}

TEST_F(EditRepositoryTest, PropertiesChangeNotifiesEveryListenerLastAddedFirst) {
  TcxEditRepositoryItem* item = AddItem("Item1");
  auto a = Listen(item, "a");
  auto b = Listen(item, "b");
  auto c = Listen(item, "c");
  item->Properties()->SetAutoSelect(false);
  EXPECT_EQ(Log, (TRepoLog{"c:changed:Item1", "b:changed:Item1", "a:changed:Item1"}));

  Log.clear();
  item->RemoveListener(b.get());
  item->Properties()->SetAutoSelect(true);
  EXPECT_EQ(Log, (TRepoLog{"c:changed:Item1", "a:changed:Item1"}));
}

TEST_F(EditRepositoryTest, AListenerLeavingWhileNotifiedDoesNotSkipTheOthers) {
  TcxEditRepositoryItem* item = AddItem("Item1");
  auto a = Listen(item, "a");
  IPtr<IcxEditRepositoryItemListener> leaving(New<TRepoLeavingListener>(&Log, "x"));
  item->AddListener(leaving.get());
  leaving.reset();  // the item's list holds the last reference
  auto c = Listen(item, "c");
  item->Properties()->SetAutoSelect(false);
  EXPECT_EQ(Log, (TRepoLog{"c:changed:Item1", "x:changed:Item1", "a:changed:Item1"}));
  EXPECT_EQ(item->ListenerCount(), 2);
}

TEST_F(EditRepositoryTest, UpdateBracketsNotifyOnce) {
  TcxEditRepositoryItem* item = AddItem("Item1");
  auto a = Listen(item, "a");
  TcxCustomEditProperties* p = item->Properties();
  p->BeginUpdate();
  p->SetAutoSelect(false);
  p->SetButtonsViewStyle(bvsButtonsOnly);
  p->SetReadOnly(true);
  EXPECT_TRUE(Log.empty());
  p->EndUpdate();
  EXPECT_EQ(Log, (TRepoLog{"a:changed:Item1"}));
}

TEST_F(EditRepositoryTest, SetPropertiesAssignsIntoTheOwnedObjectAndNotifies) {
  TcxEditRepositoryItem* item = AddItem("Item1");
  TcxCustomEditProperties* own = item->Properties();
  auto a = Listen(item, "a");
  Owned<TcxCustomEditProperties> source(New<TcxCustomEditProperties>(nullptr));
  source->SetAutoSelect(false);
  item->SetProperties(source.get());
  EXPECT_EQ(item->Properties(), own);
  EXPECT_FALSE(own->AutoSelect());
  EXPECT_FALSE(Log.empty());
}

TEST_F(EditRepositoryTest, AddingAListenerTwiceKeepsOneEntry) {
  TcxEditRepositoryItem* item = AddItem("Item1");
  auto a = Listen(item, "a");
  item->AddListener(a.get());
  EXPECT_EQ(item->ListenerCount(), 1);
  item->Properties()->SetAutoSelect(false);
  EXPECT_EQ(Log, (TRepoLog{"a:changed:Item1"}));
  item->RemoveListener(a.get());
  item->RemoveListener(a.get());
  EXPECT_EQ(item->ListenerCount(), 0);
}

TEST_F(EditRepositoryTest, FreeingAnItemTellsListenersAndLeavesTheRepository) {
  TcxEditRepositoryItem* keep = AddItem("Keep");
  TcxEditRepositoryItem* item = AddItem("Item1");
  auto a = Listen(item, "a");
  auto b = Listen(item, "b");
  item->Free();
  EXPECT_EQ(Log, (TRepoLog{"b:removed:Item1", "a:removed:Item1"}));
  ASSERT_EQ(Repository->Count(), 1);
  EXPECT_EQ(Repository->Items(0), keep);
  // The list let go of its references: ours are the last.
  EXPECT_EQ(static_cast<TRepoTestListener*>(a.get())->RefCount(), 1);
}

TEST_F(EditRepositoryTest, FreeingTheRepositoryFreesItsItemsLastToFirst) {
  // One item owned elsewhere: the repository still frees it, and it leaves its owner.
  Owned<TComponent> form(New<TComponent>(nullptr));
  std::vector<IPtr<IcxEditRepositoryItemListener>> listeners;
  listeners.push_back(Listen(AddItem("A"), "l"));
  TcxEditRepositoryItem* foreign = Repository->CreateItemWithOwner(TcxEditRepositoryItem::StaticClass(), form.get());
  foreign->SetName("B");
  listeners.push_back(Listen(foreign, "l"));
  listeners.push_back(Listen(AddItem("C"), "l"));
  Repository.reset();
  EXPECT_EQ(Log, (TRepoLog{"l:removed:C", "l:removed:B", "l:removed:A"}));
  EXPECT_EQ(form->ComponentCount(), 0);
}

TEST_F(EditRepositoryTest, MovingAnItemBetweenRepositories) {
  Owned<TcxEditRepository> other(New<TcxEditRepository>(nullptr));
  TcxEditRepositoryItem* item = AddItem("Item1");
  item->SetParentComponent(other.get());
  EXPECT_EQ(Repository->Count(), 0);
  ASSERT_EQ(other->Count(), 1);
  EXPECT_EQ(item->Repository(), other.get());
  other->AddItem(item);  // already there: kept once
  EXPECT_EQ(other->Count(), 1);
  item->SetParentComponent(nullptr);
  EXPECT_EQ(other->Count(), 0);
  EXPECT_FALSE(item->HasParent());
}

TEST_F(EditRepositoryTest, SetParentComponentRefusesANonRepository) {
  TcxEditRepositoryItem* item = AddItem("Item1");
  Owned<TComponent> stranger(New<TComponent>(nullptr));
  EXPECT_THROW(item->SetParentComponent(stranger.get()), EInvalidCast);
  EXPECT_EQ(item->Repository(), Repository.get());
  EXPECT_EQ(Repository->Count(), 1);
}

TEST_F(EditRepositoryTest, GetChildrenPassesOnlyItemsOwnedByRoot) {
  Owned<TComponent> form(New<TComponent>(nullptr));
  AddItem("Own");
  TcxEditRepositoryItem* foreign = Repository->CreateItemWithOwner(TcxEditRepositoryItem::StaticClass(), form.get());
  TRepoChildCollector collect;
  Repository->GetChildren(TGetChildProc(&collect, &TRepoChildCollector::Add), form.get());
  EXPECT_EQ(collect.Seen, (std::vector<TComponent*>{foreign}));
}

TEST_F(EditRepositoryTest, DefaultRepositoryIsMadeOnceAndFreedByFinalization) {
  TcxEditRepository* repository = GetDefaultEditRepository();
  ASSERT_NE(repository, nullptr);
  EXPECT_EQ(repository->Owner(), nullptr);
  EXPECT_EQ(GetDefaultEditRepository(), repository);
  TcxEditRepositoryItem* item = repository->CreateItem(TcxEditRepositoryItem::StaticClass());
  item->SetName("Shared");
  auto a = Listen(item, "a");
  cxEditFinalize();
  EXPECT_EQ(Log, (TRepoLog{"a:removed:Shared"}));
}

TEST_F(EditRepositoryTest, RegistryKeepsOneEntryPerKind) {
  TcxRegisteredClasses* registry = GetRegisteredEditProperties();
  EXPECT_EQ(GetRegisteredEditProperties(), registry);
  EXPECT_FALSE(registry->StreamRegistration());
  EXPECT_EQ(registry->Count(), 0);
  registry->Register(TRepoTestProperties::StaticClass(), cxSEditRepositoryTextItem);
  registry->Register(TRepoOtherKind::StaticClass(), cxSEditRepositoryMaskItem);
  registry->Register(TRepoTestProperties::StaticClass(), cxSEditRepositoryTextItem);
  ASSERT_EQ(registry->Count(), 2);
  EXPECT_EQ(registry->Items(0), TRepoTestProperties::StaticClass());
  EXPECT_EQ(registry->Descriptions(0), String(cxSEditRepositoryTextItem));
  cxEditFinalize();
  EXPECT_EQ(GetRegisteredEditProperties()->Count(), 0);  // a fresh registry after finalization
}

TEST(EditRepositoryTexts, RegistrationTextsAreExact) {
  const std::pair<const char*, const char*> cases[] = {
      {cxSEditRepositoryBlobItem, "BlobEdit|Represents the BLOB editor"},
      {cxSEditRepositoryButtonItem, "ButtonEdit|Represents an edit control with embedded buttons"},
      {cxSEditRepositoryCalcItem, "CalcEdit|Represents an edit control with a dropdown calculator window"},
      {cxSEditRepositoryCheckBoxItem, "CheckBox|Represents a check box control that allows selecting an option"},
      {cxSEditRepositoryComboBoxItem, "ComboBox|Represents the combo box editor"},
      {cxSEditRepositoryCurrencyItem, "CurrencyEdit|Represents an editor enabling editing currency data"},
      {cxSEditRepositoryDateItem, "DateEdit|Represents an edit control with a dropdown calendar"},
      {cxSEditRepositoryHyperLinkItem, "HyperLink|Represents a text editor with hyperlink functionality"},
      {cxSEditRepositoryImageItem, "Image|Represents an image editor"},
      {cxSEditRepositoryImageComboBoxItem,
       "ImageComboBox|Represents an editor displaying the list of images and text strings within the dropdown "
       "window"},
      {cxSEditRepositoryLabelItem, "Label|Represents a Label"},
      {cxSEditRepositoryLookupComboBoxItem, "LookupComboBox|Represents a lookup combo box control"},
      {cxSEditRepositoryMaskItem, "MaskEdit|Represents a generic masked edit control."},
      {cxSEditRepositoryMemoItem, "Memo|Represents an edit control that allows editing memo data"},
      {cxSEditRepositoryMRUItem,
       "MRUEdit|Represents a text editor displaying the list of most recently used items (MRU) within a "
       "dropdown window"},
      {cxSEditRepositoryPopupItem, "PopupEdit|Represents an edit control with a dropdown list"},
      {cxSEditRepositoryRadioGroupItem, "RadioGroup|Represents a group of radio buttons"},
      {cxSEditRepositoryShellComboBoxItem, "ShellComboBox|Represents a combo box with a dropdown shell tree view"},
      {cxSEditRepositorySpinItem, "SpinEdit|Represents a spin editor"},
      {cxSEditRepositoryTextItem, "TextEdit|Represents a single line text editor"},
      {cxSEditRepositoryTimeItem, "TimeEdit|Represents an editor displaying time values"},
  };
  EXPECT_EQ(std::size(cases), 21u);
  for (const auto& [actual, expected] : cases) EXPECT_STREQ(actual, expected);
}

}  // namespace
