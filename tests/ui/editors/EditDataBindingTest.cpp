#include "EditControlSupport.h"
#include "ui/data/cxData.h"

using namespace edctl_test;

namespace {

// ---- a binding to one value of a data controller --------------------------------------------------------------

class TEdBindDCProvider : public TcxCustomEditDefaultValuesProvider {
  RTL_CLASS(TEdBindDCProvider, TcxCustomEditDefaultValuesProvider)
public:
  using TcxCustomEditDefaultValuesProvider::TcxCustomEditDefaultValuesProvider;
  bool IsDataBound() override { return true; }
};

// Binds the editor to item 0 of the focused record, as a field binding does: editing starts the
// controller's edit (which stays pending until posted), posting writes the value and posts the record, and
// the shown value follows the stored one on entering and leaving.
class TEdBindDCBinding : public TcxEditDataBinding {
  RTL_CLASS(TEdBindDCBinding, TcxEditDataBinding)
public:
  using TcxEditDataBinding::TcxEditDataBinding;
  TClass GetDefaultValuesProviderClass() const override { return TEdBindDCProvider::StaticClass(); }
  void GetStoredValue(Variant& Value) override { Value = DC ? DC->GetEditValue(0, evsValue) : Null(); }
  bool PostData() override {
    ++EditRequests;
    if (!DC || RefuseEditing) return false;
    DC->Edit();
    return DC->IsEditing();
  }
  void SetStoredValue(const Variant& Value) override {
    DC->Edit();
    DC->SetEditValue(0, Value, evsValue);
    DC->Post();
  }
  void UpdateDisplayValue() override { Edit()->SetEditValue(StoredValue()); }
  // The edit is pending while the controller edits the record for this editor.
  bool GetModified() override { return DC && DC->IsEditing(); }

  TcxDataController* DC = nullptr;
  bool RefuseEditing = false;
  int EditRequests = 0;
};

class TEdBindDCEdit : public TEdCtlEdit {
  RTL_CLASS(TEdBindDCEdit, TEdCtlEdit)
public:
  using TEdCtlEdit::TEdCtlEdit;
  TClass GetDataBindingClass() const override { return TEdBindDCBinding::StaticClass(); }
  TEdBindDCBinding* Binding() const { return static_cast<TEdBindDCBinding*>(DataBinding()); }
};

class TEdBindItem : public TcxEditRepositoryItem {
  RTL_CLASS(TEdBindItem, TcxEditRepositoryItem)
public:
  using TcxEditRepositoryItem::TcxEditRepositoryItem;
  TClass GetPropertiesClass() const override { return TEdCtlProperties::StaticClass(); }
};

class EdBindTest : public EdCtlFixture {};

class EdBindControllerTest : public EdCtlFixture {
protected:
  void SetUp() override {
    EdCtlFixture::SetUp();
    DC = New<TcxDataController>(nullptr);
    DC->AddItem(&FItem);
    DC->ChangeValueTypeClass(0, TcxIntegerValueType::StaticClass());
    DC->SetRecordCount(2);
    DC->SetValue(0, 0, Variant(10));
    DC->SetValue(1, 0, Variant(20));
    DC->ChangeFocusedRecordIndex(0);
    Bound = New<TEdBindDCEdit>(Form);
    Bound->SetAutoSize(false);
    Bound->SetBounds(10, 50, 120, 24);
    Bound->Binding()->DC = DC;
    Bound->SetParent(Form);
    Idle();
  }
  void TearDown() override {
    Bound->Free();
    DC->Free();
    EdCtlFixture::TearDown();
  }
  TcxDataController* DC = nullptr;
  TEdBindDCEdit* Bound = nullptr;

private:
  TObject FItem;
};

}  // namespace

// ---- the base binding ------------------------------------------------------------------------------------------

TEST_F(EdBindTest, BaseBindingAnswersFromTheEditor) {
  TcxEditDataBinding* binding = Edit->DataBinding();
  ASSERT_EQ(binding->ClassType(), TcxEditDataBinding::StaticClass());
  EXPECT_EQ(binding->Edit(), Edit);
  EXPECT_EQ(binding->GetDefaultValuesProvider(), Edit->Properties()->DefaultValuesProvider());
  EXPECT_EQ(binding->DefaultValuesProviderObject()->ClassType(), TcxCustomEditDefaultValuesProvider::StaticClass());
  EXPECT_TRUE(binding->CanModify());
  EXPECT_TRUE(binding->PostData());
  EXPECT_TRUE(binding->IsDataAvailable());
  EXPECT_FALSE(binding->IsInDesignMode());
  EXPECT_FALSE(binding->ExecuteAction(nullptr));
  EXPECT_FALSE(binding->UpdateAction(nullptr));
  EXPECT_FALSE(Edit->IsBoundToData());
  EXPECT_EQ(GetPersistentOwner(binding), Edit);

  Edit->SetEditValue(Variant(31));
  EXPECT_TRUE(VarEqualsExact(binding->StoredValue(), Variant(31)));
  Variant display;
  binding->GetDisplayValue(display);
  EXPECT_TRUE(VarEqualsExact(display, Variant(String("31"))));
  binding->SetDisplayValue(Variant(String("77")));
  EXPECT_EQ(Edit->DisplayText(), "77");
  EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), Variant(31))) << "showing is not storing";
  binding->UpdateDisplayValue();
  EXPECT_EQ(Edit->DisplayText(), "31");
}

TEST_F(EdBindTest, BaseBindingModifiedFollowsTheEditorAndPostingStoresNothing) {
  TcxEditDataBinding* binding = Edit->DataBinding();
  Edit->SetEditValue(Variant(4));
  FocusEdit(Edit);
  EXPECT_FALSE(binding->GetModified());
  Type("2");
  EXPECT_TRUE(binding->GetModified());
  // A stand-alone editor's post alone leaves the mark; the value stays in EditValue.
  Edit->PostEditValue(true);
  EXPECT_TRUE(binding->GetModified());
  EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), Variant(42)));
  EXPECT_TRUE(VarEqualsExact(binding->StoredValue(), Variant(42)));
  // Leaving clears it; so does a value from the program.
  ClickOn(Other);
  EXPECT_FALSE(binding->GetModified());
  FocusEdit(Edit);
  Type("1");
  ASSERT_TRUE(binding->GetModified());
  Edit->SetEditValue(Variant(5));
  EXPECT_FALSE(binding->GetModified());
  // Reset through the binding is the editor's Esc.
  Type("9");
  binding->Reset();
  EXPECT_EQ(Edit->DisplayText(), "42") << "the value held on entering, not the one the program set since";
  EXPECT_FALSE(binding->GetModified());
}

TEST_F(EdBindTest, InplacePostingClearsTheModifiedMark) {
  TEdCtlEdit* edit = TcxCustomEdit::CreateInplace<TEdCtlEdit>(Form);
  edit->SetBounds(10, 50, 120, 20);
  edit->SetParent(Form);
  int posts = 0;
  edit->OnPostEditValue = TNotifyEvent([&](TObject*) { ++posts; });
  TcxCustomEditData* data = nullptr;
  edit->ActivateByKey(U'3', data);
  Idle();
  ASSERT_TRUE(edit->DataBinding()->GetModified());
  edit->PostEditValue(true);
  EXPECT_EQ(posts, 1);
  EXPECT_FALSE(edit->DataBinding()->GetModified());
  EXPECT_FALSE(edit->Modified());
}

TEST_F(EdBindTest, DefaultValuesChangedWithARepositoryItemRefreshesOnlyThatEditor) {
  TcxEditDataBinding* binding = Edit->DataBinding();
  // Without an item: the editor's own properties report the change as usual.
  int changed = Edit->PropertiesChangedCount;
  binding->DefaultValuesChanged();
  EXPECT_EQ(Edit->PropertiesChangedCount, changed + 1);

  TcxEditRepositoryItem* item = GetDefaultEditRepository()->CreateItem(TEdBindItem::StaticClass());
  auto* second = New<TEdCtlEdit>(Form);
  second->SetParent(Form);
  Edit->SetRepositoryItem(item);
  second->SetRepositoryItem(item);
  int itemNotices = 0;
  TNotifyEvent notify = item->Properties()->OnPropertiesChanged;
  item->Properties()->OnPropertiesChanged = TNotifyEvent([&](TObject* Sender) {
    ++itemNotices;
    notify(Sender);
  });
  changed = Edit->PropertiesChangedCount;
  int secondChanged = second->PropertiesChangedCount;
  binding->DefaultValuesChanged();
  EXPECT_EQ(Edit->PropertiesChangedCount, changed + 1);
  EXPECT_EQ(second->PropertiesChangedCount, secondChanged);
  EXPECT_EQ(itemNotices, 0);
  EXPECT_EQ(item->Properties()->UpdateCount(), 0);
  item->Properties()->OnPropertiesChanged = notify;
  second->Free();
  item->Free();
}

// ---- a binding to a data controller ------------------------------------------------------------------------------

TEST_F(EdBindControllerTest, ShowsTheStoredValueAndWritesTheEditThroughTheController) {
  EXPECT_TRUE(Bound->IsBoundToData());
  EXPECT_EQ(Bound->DisplayText(), "10") << "the first parent shows the stored value";
  FocusEdit(Bound);
  Type("5");
  EXPECT_EQ(Bound->Binding()->EditRequests, 1) << "asked once, before the first change";
  EXPECT_TRUE(DC->IsEditing());
  Type("6");
  EXPECT_EQ(Bound->Binding()->EditRequests, 1);
  EXPECT_TRUE(VarEqualsExact(DC->GetValue(0, 0), Variant(10))) << "nothing is written before leaving";
  ClickOn(Other);
  EXPECT_TRUE(VarEqualsExact(DC->GetValue(0, 0), Variant(1056)));
  EXPECT_TRUE(VarEqualsExact(DC->GetValue(1, 0), Variant(20)));
  EXPECT_FALSE(DC->IsEditing());
  EXPECT_EQ(Bound->DisplayText(), "1056");
  EXPECT_FALSE(Bound->ModifiedAfterEnter());
  EXPECT_TRUE(Errors.empty());

  // Another record: entering shows its value.
  DC->ChangeFocusedRecordIndex(1);
  FocusEdit(Bound);
  EXPECT_EQ(Bound->DisplayText(), "20");
}

TEST_F(EdBindControllerTest, EscRestoresTheStoredValueAndARefusedEditTypesNothing) {
  FocusEdit(Bound);
  Type("7");
  ASSERT_EQ(Bound->DisplayText(), "107");
  DC->SetEditValue(0, Variant(11), evsValue);  // the record's value moved on meanwhile
  Press(VK_ESCAPE);
  EXPECT_EQ(Bound->DisplayText(), "11") << "Esc shows what is stored, not what was there on entering";
  EXPECT_FALSE(Bound->ModifiedAfterEnter());
  DC->Cancel();

  Bound->Binding()->RefuseEditing = true;
  Type("8");
  EXPECT_EQ(Bound->DisplayText(), "11");
  EXPECT_FALSE(Bound->ModifiedAfterEnter());
  ClickOn(Other);
  EXPECT_TRUE(VarEqualsExact(DC->GetValue(0, 0), Variant(10)));
  EXPECT_EQ(Bound->DisplayText(), "10");
}

TEST_F(EdBindControllerTest, AWrongValueIsNeverWritten) {
  FocusEdit(Bound);
  Type("z");
  ClickOn(Other);
  EXPECT_EQ(Errors, std::vector<std::string>{kEdCtlInvalidValue});
  EXPECT_TRUE(Bound->Focused());
  EXPECT_TRUE(VarEqualsExact(DC->GetValue(0, 0), Variant(10)));
  Press(VK_BACK);
  ClickOn(Other);
  EXPECT_TRUE(Other->Focused());
  EXPECT_TRUE(VarEqualsExact(DC->GetValue(0, 0), Variant(10)));
  EXPECT_EQ(Errors.size(), 1u);
}
