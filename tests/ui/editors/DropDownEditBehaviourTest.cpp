// The drop-down editor as a user meets it: opening and closing by keys, the button, focus and typing; the
// lookup list in the popup and what accepting or cancelling does to the value; the popup's frame, size and
// side taken from the editor; in-place activation with the popup size kept per record.

#include "cxContainerTestSupport.h"

#include <cstring>
#include <vector>

#include "forms/StdCtrls.h"
#include "rtl/SysUtils.h"
#include "ui/editors/cxDropDownEdit.h"
#include "ui/editors/cxEditListBox.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Messages.h"

using namespace cxcontainer_test;

namespace {

// Lookup data over the properties' lookup items that shows a real list in the popup.
class TDdBehaviourLookupData : public TcxCustomTextEditLookupData {
  RTL_CLASS(TDdBehaviourLookupData, TcxCustomTextEditLookupData)
public:
  using TcxCustomTextEditLookupData::TcxCustomTextEditLookupData;
  TClass GetListBoxClass() override { return TcxCustomEditListBox::StaticClass(); }
};

class TDdBehaviourProperties : public TcxCustomDropDownEditProperties {
  RTL_CLASS(TDdBehaviourProperties, TcxCustomDropDownEditProperties)
public:
  using TcxCustomDropDownEditProperties::TcxCustomDropDownEditProperties;
  TcxTextEditLookupDataClass GetLookupDataClass() override {
    return TcxTextEditLookupDataClass{
        TDdBehaviourLookupData::StaticClass(),
        [](TcxCustomTextEdit* AEdit) -> IcxTextEditLookupData* { return New<TDdBehaviourLookupData>(AEdit); }};
  }
};

// A drop-down editor whose popup is its lookup list (or a fixed area when it has no items).
class TDdBehaviourEdit : public TcxCustomDropDownEdit {
  RTL_CLASS(TDdBehaviourEdit, TcxCustomDropDownEdit)
public:
  using TcxCustomDropDownEdit::TcxCustomDropDownEdit;
  TClass GetPropertiesClass() const override { return TDdBehaviourProperties::StaticClass(); }
  bool CanDropDown() override { return true; }
  void CalculatePopupSize(SIZE& ASize) override { ASize = Content; }
  void PopupControlsLookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChanged) override {
    ++LookAndFeelChanges;
    inherited::PopupControlsLookAndFeelChanged(Sender, AChanged);
  }
  SIZE Content{120, 80};
  int LookAndFeelChanges = 0;
};

class DdBehaviourTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    cxEditListBoxInitialize();
    Form->SetBounds(0, 0, 800, 600);
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(20, 300, 100, 21);
    Idle();
  }
  void TearDown() override {
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  TDdBehaviourEdit* Make(std::initializer_list<const char*> items = {}, bool focus = true) {
    auto* edit = New<TDdBehaviourEdit>(Form);
    edit->SetParent(Form);
    edit->SetBounds(20, 20, 150, 24);
    for (const char* s : items) edit->ActiveProperties()->LookupItems()->Add(s);
    Idle();
    if (focus) {
      edit->SetFocus();
      Idle();
    }
    return edit;
  }
  TDdBehaviourEdit* MakeInplace() {
    auto* edit = TcxCustomEdit::CreateInplace<TDdBehaviourEdit>(Form);
    edit->SetVisible(false);
    edit->SetBounds(20, 20, 150, 24);
    edit->SetParent(Form);
    Idle();
    return edit;
  }
  static void Key(int vk, int modifier = 0) {
    if (modifier) headless::KeyDown(modifier);
    headless::KeyPress(vk);
    if (modifier) headless::KeyUp(modifier);
    Idle();
  }
  static void Type(const char* text) {
    headless::TypeText(text);
    Idle();
  }
  static POINT ButtonCenter(TcxCustomDropDownEdit* edit) {
    const RECT& b = edit->EditViewInfo()->Button(0)->Bounds;
    return POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  }
  static RECT ScreenRect(TControl* c) {
    POINT p = c->ClientToScreen(POINT{0, 0});
    return RECT{p.x, p.y, p.x + c->Width(), p.y + c->Height()};
  }
  static RECT EditScreenRect(TControl* c) {
    POINT p = c->Parent()->ClientToScreen(POINT{c->Left(), c->Top()});
    return RECT{p.x, p.y, p.x + c->Width(), p.y + c->Height()};
  }
  // Drags the size grip of an open popup by (dx, dy).
  static void DragGrip(TcxCustomEditPopupWindow* w, int dx, int dy) {
    const RECT g = w->ViewInfo()->SizeGripSizingRect;
    POINT start = w->ClientToScreen(POINT{g.right - 2, g.bottom - 2});
    headless::MouseMove(start.x, start.y);
    Idle();
    headless::MouseDown(VK_LBUTTON);
    Idle();
    headless::MouseMove(start.x + dx, start.y + dy);
    Idle();
    headless::MouseUp(VK_LBUTTON);
    Idle();
  }
  TEdit* Other = nullptr;
};

// ---- opening and closing ---------------------------------------------------------------------------------

TEST_F(DdBehaviourTest, TheDropDownButtonTogglesAndOtherClicksClose) {
  auto* edit = Make();
  POINT b = ButtonCenter(edit);
  struct Step {
    const char* what;
    int x, y;  // in the editor; negative: the other control
    bool open;
  } steps[] = {
      {"button opens", b.x, b.y, true},
      {"button again closes and the click does not reopen", b.x, b.y, false},
      {"button opens again", b.x, b.y, true},
      {"a click on another control closes", -1, -1, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.x < 0)
      Click(Other, 5, 5);
    else
      Click(edit, s.x, s.y);
    EXPECT_EQ(s.open, edit->HasPopupWindow());
  }
}

TEST_F(DdBehaviourTest, EscClosesWithoutResettingTheEditorAndFocusStaysInIt) {
  auto* edit = Make();
  Type("ab");
  ASSERT_TRUE(edit->HasPopupWindow()) << "typing opens the popup";
  ASSERT_EQ("ab", edit->Text());
  Key(VK_ESCAPE);
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_EQ("ab", edit->Text()) << "the Esc that closed the popup does not undo the typing";
  EXPECT_TRUE(edit->ModifiedAfterEnter());
  EXPECT_TRUE(edit->Focused());
  // The next Esc, with the popup closed, goes to the editor and restores the value before editing.
  Key(VK_ESCAPE);
  EXPECT_EQ("", edit->Text());
}

TEST_F(DdBehaviourTest, TypingOpensThePopupOnlyWithImmediateDropDown) {
  struct Case {
    bool immediate;
    const char* typed;
    bool open;
  } cases[] = {{true, "x", true}, {false, "x", false}, {true, " ", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.immediate << " '" << c.typed << "'");
    auto* edit = Make();
    edit->ActiveProperties()->SetImmediateDropDown(c.immediate);
    Type(c.typed);
    EXPECT_EQ(c.open, edit->HasPopupWindow());
    EXPECT_EQ(String(c.typed), edit->Text()) << "the character still reaches the text";
    edit->Free();
    Idle();
  }
  // Backspace and other control characters never open it.
  auto* edit = Make();
  Key(VK_BACK);
  EXPECT_FALSE(edit->HasPopupWindow());
}

TEST_F(DdBehaviourTest, OnInitPopupRunsBeforeEveryAttemptAndOnCloseQueryMayKeepItOpen) {
  auto* edit = Make();
  int inits = 0, popups = 0, closeUps = 0;
  bool allow = false;
  edit->ActiveProperties()->OnInitPopup = TNotifyEvent([&](TObject*) { ++inits; });
  edit->ActiveProperties()->OnPopup = TNotifyEvent([&](TObject*) { ++popups; });
  edit->ActiveProperties()->OnCloseUp = TNotifyEvent([&](TObject*) { ++closeUps; });
  edit->ActiveProperties()->OnCloseQuery = TCloseQueryEvent([&](TObject*, bool& can) { can = allow; });
  Key(VK_F4);
  EXPECT_EQ(1, inits);
  EXPECT_EQ(1, popups);
  // The close button asks; refused, the popup stays.
  edit->ActiveProperties()->SetPopupSysPanelStyle(true);
  Idle();
  TcxCustomEditPopupWindow* w = edit->PopupWindow();
  ASSERT_TRUE(edit->HasPopupWindow());
  RECT c = w->ViewInfo()->CloseButtonRect;
  ASSERT_FALSE(IsRectEmpty(&c));
  Click(w, (c.left + c.right) / 2, (c.top + c.bottom) / 2);
  EXPECT_TRUE(edit->HasPopupWindow());
  allow = true;
  Click(w, (c.left + c.right) / 2, (c.top + c.bottom) / 2);
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_EQ(1, closeUps);
  // The init event runs even when the editor then refuses to open.
  edit->SetDroppedDown(true);
  Idle();
  EXPECT_EQ(2, inits);
}

// A drop-down editor whose popup takes the focus and holds an edit box of its own.
class TDdBehaviourFocusProperties : public TDdBehaviourProperties {
  RTL_CLASS(TDdBehaviourFocusProperties, TDdBehaviourProperties)
public:
  using TDdBehaviourProperties::TDdBehaviourProperties;
  bool PopupCapturesFocus() override { return true; }
};

class TDdBehaviourFocusEdit : public TDdBehaviourEdit {
  RTL_CLASS(TDdBehaviourFocusEdit, TDdBehaviourEdit)
public:
  using TDdBehaviourEdit::TDdBehaviourEdit;
  TClass GetPropertiesClass() const override { return TDdBehaviourFocusProperties::StaticClass(); }
  TWinControl* GetPopupFocusedControl() override {
    if (!Box && PopupWindow()) {
      Box = New<TEdit>(PopupWindow());
      Box->SetParent(PopupWindow());
      Box->SetBounds(4, 4, 100, 21);
    }
    return Box ? Box : inherited::GetPopupFocusedControl();
  }
  TEdit* Box = nullptr;
};

TEST_F(DdBehaviourTest, ACharacterTypedIntoAFocusTakingPopupsEditorGoesOnToThePopup) {
  auto* edit = New<TDdBehaviourFocusEdit>(Form);
  edit->SetParent(Form);
  edit->SetBounds(20, 20, 150, 24);
  Idle();
  edit->SetFocus();
  Idle();
  Type("x");
  ASSERT_TRUE(edit->HasPopupWindow());
  ASSERT_NE(edit->Box, nullptr);
  EXPECT_EQ(GetFocus(), edit->Box->Handle()) << "the popup took the focus";
  EXPECT_EQ("x", edit->Box->Text()) << "the opening character was forwarded";
  EXPECT_EQ("", edit->Text()) << "and not typed into the editor";
  Type("y");
  EXPECT_EQ("xy", edit->Box->Text());
  // A character beyond 16 bits arrives whole.
  PostMessage(edit->PopupWindow()->Handle(), CM_DROPDOWNFORWARDCHAR, WPARAM(U'\U0001F600'), 0);
  Idle();
  EXPECT_EQ("xy\xF0\x9F\x98\x80", edit->Box->Text());
  EXPECT_TRUE(edit->HasPopupWindow()) << "the focus in the popup does not close it";
}

// The popup window lives on after its first showing; while it is closed, typing belongs to the text
// unless the character is the one that opens it.
TEST_F(DdBehaviourTest, AClosedFocusTakingPopupLeavesTypingToTheTextUnlessTheKeyOpensIt) {
  struct Case {
    bool immediate;
    const char* text;  // the editor's text after "a", opening and closing, "b"
    const char* box;   // the popup's edit box
    bool open;
  } cases[] = {{false, "ab", "", false}, {true, "", "b", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "immediate " << c.immediate);
    auto* edit = New<TDdBehaviourFocusEdit>(Form);
    edit->SetParent(Form);
    edit->SetBounds(20, 20, 150, 24);
    edit->ActiveProperties()->SetImmediateDropDown(c.immediate);
    Idle();
    edit->SetFocus();
    Idle();
    ASSERT_NE(edit->PopupWindow(), nullptr) << "the window exists before the first showing";
    if (!c.immediate) {
      Type("a");
      EXPECT_EQ("a", edit->Text()) << "before the first showing";
    }
    Key(VK_F4);
    ASSERT_TRUE(edit->HasPopupWindow());
    edit->SetDroppedDown(false);
    Idle();
    ASSERT_FALSE(edit->HasPopupWindow());
    EXPECT_TRUE(edit->Focused()) << "closing gives the focus back";
    if (edit->Box) edit->Box->SetText("");
    Type("b");
    EXPECT_EQ(c.open, edit->HasPopupWindow());
    EXPECT_EQ(String(c.text), edit->Text());
    ASSERT_NE(edit->Box, nullptr);
    EXPECT_EQ(String(c.box), edit->Box->Text());
    edit->Free();
    Idle();
  }
}

TEST_F(DdBehaviourTest, PastingTextOpensThePopupAndTheListFollowsTheText) {
  auto* edit = Make({"Apple", "Apricot", "Banana"});
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const char kText[] = "Ban";
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof kText);
  std::memcpy(GlobalLock(g), kText, sizeof kText);
  GlobalUnlock(g);
  SetClipboardData(CF_TEXT, g);
  CloseClipboard();
  Key('V', VK_CONTROL);
  EXPECT_EQ("Ban", edit->Text());
  ASSERT_TRUE(edit->HasPopupWindow());
  auto* list = dynamic_cast<TcxCustomEditListBox*>(edit->LookupListControl());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(2, list->ItemIndex()) << "the list shows the item the pasted text starts";
}

struct DdSelectionBarCase {
  const char* what;
  bool inplace, focused, open;
  bool bar;
};

TEST_F(DdBehaviourTest, AFixedListEditorPaintsItsTextAsASelectionBarOnlyFocusedAndClosed) {
  class TFixedProperties : public TDdBehaviourProperties {
  public:
    using TDdBehaviourProperties::TDdBehaviourProperties;
    TcxEditEditingStyle GetEditingStyle() override { return esFixedList; }
  };
  const DdSelectionBarCase cases[] = {
      {"focused and closed", false, true, false, true},
      {"focused and open", false, true, true, false},
      {"not focused", false, false, false, false},
      {"in place", true, true, false, false},
  };
  for (const DdSelectionBarCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto* edit = Make({}, false);
    auto* props = New<TFixedProperties>(nullptr);
    auto* view = static_cast<TcxCustomDropDownEditViewData*>(
        props->GetViewDataClass().Create(props, edit->Style(), c.inplace));
    auto* vi = New<TcxCustomTextEditViewInfo>();
    view->Focused = c.focused;
    view->HasPopupWindow = c.open;
    view->CalculateEditRects(nullptr, RECT{0, 0, 150, 24}, false, vi, TShiftState{}, mbLeft, POINT{-1, -1});
    EXPECT_EQ(c.bar, vi->DrawSelectionBar);
    vi->Free();
    view->Free();
    props->Free();
    edit->Free();
    Idle();
  }
}

class TDdBehaviourPopupOnlyProperties : public TDdBehaviourProperties {
  RTL_CLASS(TDdBehaviourPopupOnlyProperties, TDdBehaviourProperties)
public:
  using TDdBehaviourProperties::TDdBehaviourProperties;
  bool IsPopupOnlyEditing() override { return true; }
};

class TDdBehaviourPopupOnlyEdit : public TDdBehaviourEdit {
  RTL_CLASS(TDdBehaviourPopupOnlyEdit, TDdBehaviourEdit)
public:
  using TDdBehaviourEdit::TDdBehaviourEdit;
  TClass GetPropertiesClass() const override { return TDdBehaviourPopupOnlyProperties::StaticClass(); }
};

TEST_F(DdBehaviourTest, WhenTheValueComesOnlyFromThePopupAClickOnTheTextOpensIt) {
  auto* edit = New<TDdBehaviourPopupOnlyEdit>(Form);
  edit->SetParent(Form);
  edit->SetBounds(20, 20, 150, 24);
  Idle();
  // The click focuses the editor, which then opens its popup; a second click closes it again.
  Click(edit, 10, 10);
  EXPECT_TRUE(edit->Focused());
  EXPECT_TRUE(edit->HasPopupWindow());
  Click(edit, 10, 10);
  EXPECT_FALSE(edit->HasPopupWindow());
  Click(edit, 10, 10);
  EXPECT_TRUE(edit->HasPopupWindow());
  // Without popup-only editing a click in the text just places the caret.
  Key(VK_ESCAPE);
  auto* plain = Make();
  Click(plain, 10, 10);
  EXPECT_FALSE(plain->HasPopupWindow());
}

TEST_F(DdBehaviourTest, InPlaceTheArrowsStepTheListOnlyWhileItIsOpen) {
  auto* edit = MakeInplace();
  edit->ActiveProperties()->LookupItems()->Add("Apple");
  edit->ActiveProperties()->LookupItems()->Add("Apricot");
  uint16_t passed = 0;
  edit->OnAfterKeyDown = TKeyEvent([&](TObject*, uint16_t& AKey, TShiftState) { passed = AKey; });
  TcxCustomEditData* data = nullptr;
  edit->Activate(data);
  Idle();
  Key(VK_DOWN);
  EXPECT_EQ("", edit->Text()) << "closed, the arrow is the host's";
  EXPECT_EQ(VK_DOWN, passed);
  EXPECT_FALSE(edit->CanLookupNow(false));
  EXPECT_TRUE(edit->CanLookupNow(true));
  Key(VK_F4);
  EXPECT_TRUE(edit->CanLookupNow(false));
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_EQ("Apple", edit->Text());
  edit->Free();
  Idle();
  data->Free();
}

TEST_F(DdBehaviourTest, NoHintOverAnOpenPopupAndFreeingTheEditorWithItOpenOrPending) {
  auto* edit = Make({"Apple"});
  EXPECT_EQ(0, SendMessage(edit->Handle(), CM_HINTSHOW, 0, 0));
  Key(VK_F4);
  ASSERT_TRUE(edit->HasPopupWindow());
  EXPECT_NE(0, SendMessage(edit->Handle(), CM_HINTSHOW, 0, 0));
  EXPECT_NE(0, SendMessage(edit->InnerControl()->Handle(), CM_HINTSHOW, 0, 0));
  int closeUps = 0;
  edit->ActiveProperties()->OnCloseUp = TNotifyEvent([&](TObject*) { ++closeUps; });
  edit->Free();
  Idle();
  EXPECT_TRUE(cxShownPopups().empty());
  EXPECT_EQ(0, closeUps) << "a dying editor fires no events";
  // An opening still queued when the editor goes is dropped with its window.
  auto* second = Make({"Apple"});
  second->DropDown();
  second->Free();
  Idle();
  EXPECT_TRUE(cxShownPopups().empty());
}

// ---- the lookup list -----------------------------------------------------------------------------------

struct DdCloseCase {
  const char* what;
  int downs;  // Down presses while the list is open
  int closeKey, closeModifier;
  const char* text;
  bool postOnTab;
};

TEST_F(DdBehaviourTest, AcceptingTakesTheListsSelectionAndCancellingKeepsTheValue) {
  const DdCloseCase cases[] = {
      {"Enter accepts", 2, VK_RETURN, 0, "Apricot", false},
      {"Alt+Down accepts", 3, VK_DOWN, VK_MENU, "Banana", false},
      {"F4 accepts", 1, VK_F4, 0, "Apple", false},
      {"Esc cancels", 2, VK_ESCAPE, 0, "", false},
      {"Tab cancels without PostPopupValueOnTab", 2, VK_TAB, 0, "", false},
      {"Tab accepts with PostPopupValueOnTab", 2, VK_TAB, 0, "Apricot", true},
  };
  for (const DdCloseCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto* edit = Make({"Apple", "Apricot", "Banana"});
    edit->ActiveProperties()->SetPostPopupValueOnTab(c.postOnTab);
    int clicks = 0;
    edit->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    Key(VK_F4);
    ASSERT_TRUE(edit->HasPopupWindow());
    // The list lives in the popup and fills its client area.
    auto* list = dynamic_cast<TcxCustomEditListBox*>(edit->LookupListControl());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Parent(), edit->PopupWindow());
    EXPECT_EQ(R4(edit->PopupWindow()->ViewInfo()->ClientRect), R4(list->BoundsRect()));
    EXPECT_TRUE(list->IsListVisible());
    for (int i = 0; i < c.downs; ++i) Key(VK_DOWN);
    EXPECT_EQ(c.downs - 1, list->ItemIndex()) << "the keys move the highlight only";
    EXPECT_EQ("", edit->Text());
    Key(c.closeKey, c.closeModifier);
    EXPECT_FALSE(edit->HasPopupWindow());
    EXPECT_EQ(String(c.text), edit->Text());
    EXPECT_EQ(String(c.text), VarToStr(edit->EditValue()));
    EXPECT_EQ(String(c.text).empty() ? 0 : 1, clicks);
    // Closing re-selects the current item in the list.
    auto* data = static_cast<TcxCustomTextEditLookupData*>(edit->LookupDataObject());
    EXPECT_EQ(data->CurrentKey(), data->ListIndex());
    edit->Free();
    Idle();
  }
}

TEST_F(DdBehaviourTest, InPlaceAcceptingWithImmediatePostPostsTheChosenValueOnce) {
  struct Case {
    bool immediatePost;
    int closeKey;
    int posts;
  } cases[] = {{true, VK_RETURN, 1}, {false, VK_RETURN, 0}, {true, VK_ESCAPE, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.immediatePost << " key " << c.closeKey);
    auto* edit = MakeInplace();
    edit->ActiveProperties()->LookupItems()->Add("Apple");
    edit->ActiveProperties()->LookupItems()->Add("Apricot");
    edit->ActiveProperties()->SetImmediatePost(c.immediatePost);
    std::vector<String> posted;
    edit->OnPostEditValue = TNotifyEvent([&](TObject*) { posted.push_back(VarToStr(edit->EditValue())); });
    TcxCustomEditData* data = nullptr;
    edit->Activate(data);
    Idle();
    Key(VK_F4);
    ASSERT_TRUE(edit->HasPopupWindow());
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(c.closeKey);
    EXPECT_FALSE(edit->HasPopupWindow());
    ASSERT_EQ(size_t(c.posts), posted.size());
    if (c.posts) {
      EXPECT_EQ("Apricot", posted[0]);
    }
    edit->Free();
    Idle();
    data->Free();
  }
}

TEST_F(DdBehaviourTest, TheWheelOverAnOpenPopupScrollsTheListAndNotTheValue) {
  std::initializer_list<const char*> many = {"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9",
                                            "b0", "b1", "b2", "b3", "b4", "b5", "b6", "b7", "b8", "b9"};
  auto* edit = Make(many);
  edit->Content = SIZE{120, 60};
  Key(VK_F4);
  auto* list = dynamic_cast<TcxCustomEditListBox*>(edit->LookupListControl());
  ASSERT_NE(list, nullptr);
  int top = list->TopIndex();
  POINT p = ScreenRect(edit).left == 0 ? POINT{} : edit->ClientToScreen(POINT{10, 10});
  SendMessage(edit->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, uint16_t(int16_t(-WHEEL_DELTA))), MAKELPARAM(p.x, p.y));
  Idle();
  EXPECT_GT(list->TopIndex(), top);
  EXPECT_EQ("", edit->Text());
  EXPECT_TRUE(edit->HasPopupWindow());
}

// ---- the popup's frame, size and side ----------------------------------------------------------------------

TEST_F(DdBehaviourTest, SetupTakesTheFrameFromTheStyleAndTheProperties) {
  struct Case {
    TcxEditPopupBorderStyle styleBorder;
    bool shadow, clientEdge, panel, sizeable, closeButton;
    TcxEditPopupBorderStyle border;  // as the popup gets it
  } cases[] = {
      {epbsDefault, false, false, false, false, true, epbsSingle},
      {epbsFrame3D, true, true, true, true, true, epbsFrame3D},
      {epbsFlat, false, false, true, false, false, epbsFlat},
      {epbsSingle, true, false, true, true, false, epbsSingle},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.styleBorder) << c.shadow << c.clientEdge << c.panel << c.sizeable
                                    << c.closeButton);
    auto* edit = Make();
    edit->Style()->SetPopupBorderStyle(c.styleBorder);
    edit->Style()->SetShadow(c.shadow);
    edit->Style()->SetPopupCloseButton(c.closeButton);
    edit->ActiveProperties()->SetPopupClientEdge(c.clientEdge);
    edit->ActiveProperties()->SetPopupSysPanelStyle(c.panel);
    edit->ActiveProperties()->SetPopupSizeable(c.sizeable);
    Idle();
    Key(VK_F4);
    TcxCustomEditPopupWindow* w = edit->PopupWindow();
    ASSERT_TRUE(edit->HasPopupWindow());
    EXPECT_EQ(c.border, w->BorderStyle());
    EXPECT_EQ(c.shadow, w->Shadow());
    EXPECT_EQ(c.clientEdge, w->ClientEdge());
    EXPECT_EQ(c.panel, w->SysPanelStyle());
    EXPECT_EQ(c.sizeable, w->Sizeable());
    EXPECT_EQ(c.closeButton, w->CloseButton());
    EXPECT_EQ(c.panel && c.closeButton, !IsRectEmpty(&w->ViewInfo()->CloseButtonRect));
    EXPECT_EQ(c.panel && c.sizeable, !IsRectEmpty(&w->ViewInfo()->SizeGripSizingRect));
    // The content fills what the frame, panel and shadow leave.
    RECT e;
    w->ViewInfo()->GetClientExtent(e);
    EXPECT_EQ(w->Width(), e.left + e.right + 120);
    EXPECT_EQ(w->Height(), e.top + e.bottom + 80);
    edit->Free();
    Idle();
  }
}

TEST_F(DdBehaviourTest, PopupWidthRules) {
  struct Case {
    bool autoSize, sizeable;
    int width, minWidth;
    int want;  // -1: the editor's width; -2: the content plus the frame
  } cases[] = {
      {false, false, 0, 0, -1},     // no width: as wide as the editor
      {false, false, 300, 0, 300},  // a width of its own
      {false, false, 50, 100, 100}, // the minimum raises the stored width
      {false, true, 0, 200, 200},   // sizeable: at least the minimum even as wide as the editor
      {false, false, 0, 200, -1},   // not sizeable: the minimum does not count
      {true, false, 300, 0, -2},    // auto size: the content decides
      {true, true, 0, 250, 250},    // ... but a sizeable popup keeps its minimum
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.autoSize << c.sizeable << " " << c.width << " min " << c.minWidth);
    auto* edit = Make();
    TcxCustomDropDownEditProperties* p = edit->ActiveProperties();
    p->SetPopupAutoSize(c.autoSize);
    p->SetPopupSizeable(c.sizeable);
    p->SetPopupMinWidth(c.minWidth);
    p->SetPopupWidth(c.width);
    Idle();
    Key(VK_F4);
    TcxCustomEditPopupWindow* w = edit->PopupWindow();
    ASSERT_TRUE(edit->HasPopupWindow());
    RECT e;
    w->ViewInfo()->GetClientExtent(e);
    int want = c.want == -1 ? edit->Width() : c.want == -2 ? e.left + e.right + 120 : c.want;
    EXPECT_EQ(want, w->Width());
    edit->Free();
    Idle();
  }
}

TEST_F(DdBehaviourTest, TheRoomAboveAndBelowPicksTheSide) {
  struct Case {
    int top, contentHeight;
    bool below;
    bool shrunk;
  } cases[] = {
      {20, 80, true, false},    // room below
      {540, 80, false, false},  // no room below, more above
      {250, 200, true, false},  // fits below
      {250, 400, true, true},   // fits nowhere, more room below: stays below and shrinks to the screen
      {330, 400, false, true},  // fits nowhere, more room above: above, shrunk, never over the editor
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "top " << c.top << " content " << c.contentHeight);
    auto* edit = Make();
    edit->SetTop(c.top);
    edit->Content = SIZE{120, c.contentHeight};
    Idle();
    Key(VK_F4);
    TcxCustomEditPopupWindow* w = edit->PopupWindow();
    ASSERT_TRUE(edit->HasPopupWindow());
    RECT p = ScreenRect(w), o = EditScreenRect(edit);
    RECT work = GetMonitorWorkAreaAtPoint(POINT{o.left, o.top});
    if (c.below) {
      EXPECT_EQ(o.bottom, p.top);
    } else {
      EXPECT_EQ(o.top, p.bottom);
    }
    EXPECT_GE(p.top, work.top);
    EXPECT_LE(p.bottom, work.bottom);
    RECT e;
    w->ViewInfo()->GetClientExtent(e);
    EXPECT_EQ(c.shrunk, w->Height() < e.top + e.bottom + c.contentHeight);
    edit->Free();
    Idle();
  }
}

TEST_F(DdBehaviourTest, PopupControlsFollowTheButtonsLookAndFeel) {
  auto* edit = Make();
  TcxEditPopupControlLookAndFeel* lf = edit->PopupControlsLookAndFeel();
  ASSERT_NE(lf, nullptr);
  struct Case {
    TcxEditButtonStyle style;
    TcxLookAndFeelKind kind;
  } cases[] = {{bts3D, lfStandard}, {btsFlat, lfFlat}, {btsHotFlat, lfFlat}, {btsUltraFlat, lfUltraFlat},
               {btsOffice11, lfOffice11}, {btsSimple, lfFlat}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.style));
    int before = edit->LookAndFeelChanges;
    TcxLookAndFeelKind previous = lf->Kind();
    edit->Style()->SetButtonStyle(c.style);
    Idle();
    EXPECT_EQ(c.kind, lf->Kind());
    EXPECT_EQ(previous != c.kind, edit->LookAndFeelChanges > before) << "the editor hears of a change only";
    Key(VK_F4);
    EXPECT_EQ(c.kind, edit->PopupWindow()->ViewInfo()->PainterKind) << "the close button paints in it";
    Key(VK_ESCAPE);
  }
}

TEST_F(DdBehaviourTest, InPlacePopupControlsFollowTheStylesLookAndFeel) {
  auto* edit = MakeInplace();
  TcxCustomEditData* data = nullptr;
  edit->Activate(data);
  Idle();
  for (TcxLookAndFeelKind kind : {lfOffice11, lfStandard, lfUltraFlat}) {
    SCOPED_TRACE(int(kind));
    edit->Style()->LookAndFeel()->SetKind(kind);
    Key(VK_F4);
    ASSERT_TRUE(edit->HasPopupWindow());
    EXPECT_EQ(kind, edit->PopupControlsLookAndFeel()->Kind());
    EXPECT_EQ(kind, edit->PopupWindow()->ViewInfo()->PainterKind);
    Key(VK_ESCAPE);
  }
  edit->Free();
  Idle();
  data->Free();
}

// ---- in place --------------------------------------------------------------------------------------------

TEST_F(DdBehaviourTest, InPlaceThePopupSizeIsKeptPerRecord) {
  auto* edit = MakeInplace();
  TcxCustomDropDownEditProperties* p = edit->ActiveProperties();
  p->SetPopupAutoSize(false);
  p->SetPopupSizeable(true);
  p->SetPopupSysPanelStyle(true);
  p->SetPopupWidth(200);
  p->SetPopupHeight(120);
  TcxCustomEditData* first = nullptr;
  TcxCustomEditData* second = nullptr;
  edit->Activate(first);
  Idle();
  ASSERT_NE(nullptr, dynamic_cast<TcxCustomDropDownEditData*>(first));
  Key(VK_F4);
  TcxCustomEditPopupWindow* w = edit->PopupWindow();
  ASSERT_TRUE(edit->HasPopupWindow());
  EXPECT_EQ(200, w->Width());
  DragGrip(w, 40, 30);
  Key(VK_ESCAPE);
  auto* d1 = static_cast<TcxCustomDropDownEditData*>(first);
  EXPECT_TRUE(d1->SizeChanged);
  EXPECT_EQ(240, d1->Width);
  EXPECT_EQ(150, d1->Height);
  EXPECT_EQ(200, p->PopupWidth()) << "the properties, shared by every record, keep their size";
  edit->ValidateInput();

  // Another record opens at the properties' size ...
  edit->Activate(second);
  Idle();
  EXPECT_FALSE(edit->PopupSizeChanged());
  Key(VK_F4);
  EXPECT_EQ(200, w->Width());
  EXPECT_EQ(120, w->Height());
  Key(VK_ESCAPE);
  edit->ValidateInput();
  // ... and the first record at its own.
  edit->Activate(first);
  Idle();
  EXPECT_TRUE(edit->PopupSizeChanged());
  Key(VK_F4);
  EXPECT_EQ(240, w->Width());
  EXPECT_EQ(150, w->Height());
  Key(VK_ESCAPE);
  edit->Free();
  Idle();
  first->Free();
  second->Free();
}

TEST_F(DdBehaviourTest, InPlaceImmediatePopupOpensOnActivation) {
  struct Case {
    bool immediatePopup;
    bool open;
  } cases[] = {{false, false}, {true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.immediatePopup);
    auto* edit = MakeInplace();
    edit->ActiveProperties()->SetImmediatePopup(c.immediatePopup);
    TcxCustomEditData* data = nullptr;
    edit->Activate(data);
    Idle();
    EXPECT_EQ(c.open, edit->HasPopupWindow());
    edit->Free();
    Idle();
    data->Free();
  }
}

TEST_F(DdBehaviourTest, InPlaceActivationByAKeyTypesItAndOpens) {
  auto* edit = MakeInplace();
  TcxCustomEditData* data = nullptr;
  edit->ActivateByKey(U'q', data);
  Idle();
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ("q", edit->Text());
  EXPECT_TRUE(edit->HasPopupWindow()) << "the typed character opened the popup";
  // Validation closes the popup without accepting and drops a request still queued.
  edit->ValidateInput();
  EXPECT_FALSE(edit->HasPopupWindow());
  edit->DropDown();
  edit->ValidateInput();
  Idle();
  EXPECT_FALSE(edit->HasPopupWindow()) << "a request queued before validation is dropped";
  edit->Free();
  Idle();
  data->Free();
}

TEST_F(DdBehaviourTest, InPlaceAClickOnTheButtonOpensThePopup) {
  auto* edit = MakeInplace();
  TcxCustomEditData* data = nullptr;
  edit->Activate(data);
  Idle();
  POINT b = ButtonCenter(edit);
  POINT inParent{edit->Left() + b.x, edit->Top() + b.y};
  edit->ActivateByMouse(TShiftState{ssLeft}, inParent.x, inParent.y, data);
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_TRUE(edit->HasPopupWindow());
  // Keys with Ctrl or Alt, and keys outside the character range, belong to the open popup.
  EXPECT_TRUE(edit->IsClickKey(VK_DOWN, TShiftState{ssAlt}));
  EXPECT_TRUE(edit->IsClickKey(VK_RETURN, TShiftState{}));
  EXPECT_FALSE(edit->IsClickKey(VK_F4, TShiftState{}));
  EXPECT_FALSE(edit->IsClickKey('A', TShiftState{}));
  Key(VK_ESCAPE);
  EXPECT_FALSE(edit->IsClickKey(VK_RETURN, TShiftState{}));
  edit->Free();
  Idle();
  data->Free();
}

}  // namespace
