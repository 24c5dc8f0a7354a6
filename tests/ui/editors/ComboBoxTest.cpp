// The combo box on the headless screen with real messages: properties, the list in the popup and its size
// rules, typing in the list styles, double-click cycling, the press that carries on from the button into
// the list, choosing and reverting, and owner drawing.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cxContainerTestSupport.h"
#include "rtl/SysUtils.h"
#include "ui/editors/cxComboBox.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

using namespace cxcontainer_test;

namespace {

class ComboBoxTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    cxComboBoxInitialize();
    Form->SetBounds(0, 0, 800, 600);
    Other = New<TcxComboBox>(Form);
    Other->SetParent(Form);
    Other->SetBounds(300, 300, 100, 21);
    Idle();
  }
  void TearDown() override {
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  TcxComboBox* Make(int ACount, int ATop = 20, int ALeft = 20, int AWidth = 150) {
    auto* combo = New<TcxComboBox>(Form);
    combo->SetParent(Form);
    combo->SetBounds(ALeft, ATop, AWidth, 21);
    for (int i = 0; i < ACount; ++i) combo->Properties()->Items()->Add("Item " + IntToStr(i));
    Idle();
    combo->SetFocus();
    Idle();
    return combo;
  }
  static void Key(int vk, int modifier = 0) {
    if (modifier) headless::KeyDown(modifier);
    headless::KeyPress(vk);
    if (modifier) headless::KeyUp(modifier);
    Idle();
  }
  static TcxComboBoxListBox* List(TcxComboBox* c) { return c->LookupData()->ComboList(); }
  static RECT ScreenRect(TControl* c) {
    POINT p = c->ClientToScreen(POINT{0, 0});
    return RECT{p.x, p.y, p.x + c->Width(), p.y + c->Height()};
  }
  static RECT OuterRect(TControl* c) {
    POINT p = c->Parent()->ClientToScreen(POINT{c->Left(), c->Top()});
    return RECT{p.x, p.y, p.x + c->Width(), p.y + c->Height()};
  }
  static int Row(TcxComboBox* c) { return List(c)->GetItemHeight(-1); }
  // The popup's frame and panel around the list.
  static RECT Extent(TcxComboBox* c) {
    RECT e;
    c->PopupWindow()->ViewInfo()->GetClientExtent(e);
    return e;
  }
  TcxComboBox* Other = nullptr;
};

TEST_F(ComboBoxTest, PropertiesDefaultsSettersAndRegistration) {
  auto* p = New<TcxComboBoxProperties>(nullptr);
  int changes = 0;
  p->OnPropertiesChanged = TNotifyEvent([&](TObject*) { ++changes; });
  EXPECT_EQ(lsEditList, p->DropDownListStyle());
  EXPECT_EQ(8, p->DropDownRows());
  EXPECT_EQ(0, p->ItemHeight());
  EXPECT_FALSE(p->Revertable());
  EXPECT_TRUE(p->DropDownAutoWidth());
  EXPECT_FALSE(p->DropDownSizeable());
  EXPECT_EQ(0, p->DropDownWidth());
  EXPECT_TRUE(p->ImmediateDropDown());
  EXPECT_FALSE(p->Sorted());
  EXPECT_EQ(esEdit, p->GetEditingStyle());
  EXPECT_TRUE(p->UsesLookupData());

  struct StyleCase {
    TcxEditDropDownListStyle style;
    TcxEditEditingStyle editing;
    bool popupOnly;
  };
  for (StyleCase c : {StyleCase{lsEditFixedList, esEditList, false}, StyleCase{lsFixedList, esFixedList, true},
                      StyleCase{lsEditList, esEdit, false}}) {
    p->SetDropDownListStyle(c.style);
    EXPECT_EQ(c.editing, p->GetEditingStyle());
    EXPECT_EQ(c.popupOnly, p->IsPopupOnlyEditing());
  }
  EXPECT_EQ(3, changes);
  for (int rows : {0, -3}) p->SetDropDownRows(rows);  // ignored
  EXPECT_EQ(8, p->DropDownRows());
  p->SetDropDownRows(5);
  p->SetItemHeight(20);
  EXPECT_EQ(5, changes);
  p->SetDropDownAutoWidth(false);  // stored without a change notice
  EXPECT_EQ(5, changes);
  EXPECT_FALSE(p->PopupAutoSize());
  p->SetRevertable(true);

  auto* copy = New<TcxComboBoxProperties>(nullptr);
  copy->Assign(p);
  EXPECT_EQ(5, copy->DropDownRows());
  EXPECT_EQ(20, copy->ItemHeight());
  EXPECT_EQ(lsEditList, copy->DropDownListStyle());
  EXPECT_TRUE(copy->Revertable());
  EXPECT_FALSE(copy->DropDownAutoWidth());
  copy->Free();
  p->Free();

  TcxRegisteredClasses* registry = GetRegisteredEditProperties();
  int found = -1;
  for (int i = 0; i < registry->Count(); ++i)
    if (registry->Items(i) == TcxComboBoxProperties::StaticClass()) found = i;
  ASSERT_GE(found, 0);
  EXPECT_EQ(String("ComboBox|Represents the combo box editor"), registry->Descriptions(found));
  EXPECT_EQ(TcxComboBox::StaticClass(), GetClass("TcxComboBox"));
}

}  // namespace
