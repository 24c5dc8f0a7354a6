// The text editor's side of lookup: completion while typing against the lookup items, through the lookup
// data hook. The lookup data here is a small stand-in over the properties' LookupItems.

#include <gtest/gtest.h>

#include <vector>

#include "cxContainerTestSupport.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxTextEdit.h"
#include "winapi/Headless.h"

namespace {

// The lookup items as a list the editor can search: a prefix search from the first item, ignoring case.
class TTextEditLookupStandIn : public TcxInterfacedPersistent, public IcxTextEditLookupData {
  RTL_CLASS(TTextEditLookupStandIn, TcxInterfacedPersistent)
  RTL_INTERFACES(IcxTextEditLookupData)
public:
  explicit TTextEditLookupStandIn(TcxCustomTextEdit* AEdit) : TcxInterfacedPersistent(AEdit), FEdit(AEdit) {}
  int32_t QueryInterface(const TGUID& iid, void** obj) override { return TcxInterfacedPersistent::QueryInterface(iid, obj); }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  bool CanResizeList(const SIZE&) override { return true; }
  void SyncListIndex() override {}
  TObject* GetInstance() override { return this; }
  void Notify4() override {}
  void Notify5() override {}
  bool ContainsText(const String& AText) override { return IndexOf(AText) >= 0; }
  TWinControl* GetListControl() override { return nullptr; }
  Variant GetCurrentIndex() override { return Variant(Current); }
  String GetKeyText(const Variant& AKey) override {
    int32_t i = AKey.AsInteger();
    return i >= 0 && i < Items()->Count() ? Items()->Strings(i) : String();
  }
  TNotifyEvent GetOnCurrentIndexChanged() override { return FOnCurrentIndexChanged; }
  TNotifyEvent GetOnItemChosen() override { return FOnItemChosen; }
  SIZE GetListPreferredSize() override { return SIZE{0, 0}; }
  void Navigate(TcxEditLookupNavigation, bool) override {}
  void InitializeList(TWinControl*) override {}
  bool IsEmpty() override { return Items()->Count() == 0; }
  bool IsPointOverList(POINT) override { return false; }
  bool Locate(String& AText, String& ATail, bool) override {
    String upper = AnsiUpperCase(AText);
    int32_t length = Utf8Length(AText);
    for (int32_t i = 0; !AText.empty() && i < Items()->Count(); ++i) {
      String item = Items()->Strings(i);
      if (Utf8Length(item) < length || AnsiUpperCase(Utf8Copy(item, 1, length)) != upper) continue;
      AText = Utf8Copy(item, 1, length);
      ATail = Utf8Copy(item, length + 1, Utf8Length(item) - length);
      Current = i;
      return true;
    }
    if (FEdit->ActiveProperties()->GetEditingStyle() == esEdit) Current = -1;
    return false;
  }
  void SetListBounds(const RECT&) override {}
  void RefreshList() override {}
  void SelectListItem() override {}
  void SetCurrentIndex(const Variant& AKey) override { Current = AKey.AsInteger(); }
  void SetOnCurrentIndexChanged(TNotifyEvent AValue) override { FOnCurrentIndexChanged = AValue; }
  void SetOnItemChosen(TNotifyEvent AValue) override { FOnItemChosen = AValue; }
  void TextChanged() override {}

  int32_t Current = -1;

private:
  TStrings* Items() { return FEdit->ActiveProperties()->LookupItems(); }
  int32_t IndexOf(const String& AText) {
    for (int32_t i = 0; i < Items()->Count(); ++i)
      if (AnsiUpperCase(Items()->Strings(i)) == AnsiUpperCase(AText)) return i;
    return -1;
  }
  TcxCustomTextEdit* FEdit;
  TNotifyEvent FOnCurrentIndexChanged;
  TNotifyEvent FOnItemChosen;
};

IcxTextEditLookupData* TextEditLookupStandInCreate(TcxCustomTextEdit* AEdit) {
  return New<TTextEditLookupStandIn>(AEdit);
}

// Typed text must match an item.
class TTextEditLookupListProperties : public TcxTextEditProperties {
  RTL_CLASS(TTextEditLookupListProperties, TcxTextEditProperties)
public:
  using TcxTextEditProperties::TcxTextEditProperties;
  TcxEditEditingStyle GetEditingStyle() override { return esEditList; }
};

class TTextEditLookupListEdit : public TcxTextEdit {
  RTL_CLASS(TTextEditLookupListEdit, TcxTextEdit)
public:
  using TcxTextEdit::TcxTextEdit;
  TClass GetPropertiesClass() const override { return TTextEditLookupListProperties::StaticClass(); }
};

class TextEditLookupTest : public cxcontainer_test::ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    SetDefaultTextEditLookupDataClass(
        TcxTextEditLookupDataClass{TTextEditLookupStandIn::StaticClass(), &TextEditLookupStandInCreate});
  }
  void TearDown() override {
    DoneForms();
    SetDefaultTextEditLookupDataClass(TcxTextEditLookupDataClass{});
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  template <class T = TcxTextEdit>
  T* Make() {
    T* edit = New<T>(Form);
    edit->SetParent(Form);
    edit->SetBoundsRect(RECT{10, 10, 210, 31});
    for (const char* item : {"Apple", "Apricot", "Banana"}) edit->ActiveProperties()->LookupItems()->Add(item);
    Idle();
    edit->SetFocus();
    Idle();
    return edit;
  }
  static void Type(const char* text) {
    headless::TypeText(text);
    Idle();
  }
  static TTextEditLookupStandIn* Lookup(TcxCustomTextEdit* AEdit) {
    return static_cast<TTextEditLookupStandIn*>(AEdit->LookupDataObject());
  }
};

TEST_F(TextEditLookupTest, TypingCompletesToTheFirstMatchingItem) {
  TcxTextEdit* edit = Make();
  ASSERT_NE(edit->GetLookupDataIntf(), nullptr);
  Type("a");
  EXPECT_EQ(edit->Text(), String("Apple"));  // the item's own spelling
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 4);
  EXPECT_TRUE(edit->FindSelection());
  EXPECT_EQ(Lookup(edit)->Current, 0);
  EXPECT_EQ(edit->GetItemIndex(), 0);
  Type("pr");
  EXPECT_EQ(edit->Text(), String("Apricot"));
  EXPECT_EQ(edit->SelStart(), 3);
  EXPECT_EQ(edit->SelLength(), 4);
  EXPECT_EQ(Lookup(edit)->Current, 1);
  EXPECT_EQ(edit->GetItemIndex(), 1);
  // Free typing goes on past the items.
  Type("x");
  EXPECT_EQ(edit->Text(), String("Aprx"));
  EXPECT_FALSE(edit->FindSelection());
  EXPECT_EQ(Lookup(edit)->Current, -1);
  EXPECT_EQ(edit->GetItemIndex(), -1);
}

TEST_F(TextEditLookupTest, ListStyleRefusesWhatCompletesNothingAndBackspaceShortensThePrefix) {
  auto* edit = Make<TTextEditLookupListEdit>();
  Type("ap");
  EXPECT_EQ(edit->Text(), String("Apple"));
  EXPECT_EQ(edit->SelStart(), 2);
  Type("x");  // refused silently
  EXPECT_EQ(edit->Text(), String("Apple"));
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 3);
  headless::KeyPress(VK_BACK);
  Idle();
  EXPECT_EQ(edit->Text(), String("Apple"));
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 4);
}

TEST_F(TextEditLookupTest, AcceptedTextThatIsNoItemIsAnnounced) {
  TcxTextEdit* edit = Make();
  struct Seen : TObject {
    void On(TObject*, const String& AText) { Texts.push_back(AText); }
    std::vector<String> Texts;
  } seen;
  edit->Properties()->OnNewLookupDisplayText = TcxNewLookupDisplayTextEvent(&seen, &Seen::On);
  Type("Cherry");
  EXPECT_EQ(edit->Text(), String("Cherry"));
  edit->ValidateInput();
  EXPECT_EQ(seen.Texts, std::vector<String>{String("Cherry")});
  edit->SelectAll();
  Type("b");
  EXPECT_EQ(edit->Text(), String("Banana"));
  edit->ValidateInput();
  EXPECT_EQ(seen.Texts.size(), 1u);
}

}  // namespace
