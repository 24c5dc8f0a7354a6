// The button edit on a headless form: its default ellipsis button, stored buttons replacing it when read
// from a form, clicks on buttons reaching OnButtonClick, the click key, and its mask.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/Filer.h"
#include "rtl/FormatSettings.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "rtl/TypInfo.h"
#include "ui/editors-more/cxButtonEdit.h"
#include "ui/editors-more/cxCalc.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

namespace {

class TButtonEditClicks : public TObject {
public:
  void ButtonClick(TObject*, int32_t AIndex) { Clicks.push_back(AIndex); }
  std::vector<int32_t> Clicks;
};

class ButtonEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    SetFormatSettings(TFormatSettings::Russian());
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 400, 300);
    Form->Show();
    Idle();
  }
  void TearDown() override {
    DoneForms();
    cxContainerFinalize();
    cxControlsFinalize();
    cxEditFinalize();
    DoneEditPaintUtils();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  TcxButtonEdit* Make() {
    auto* edit = New<TcxButtonEdit>(Form);
    edit->SetParent(Form);
    edit->SetBoundsRect(RECT{10, 10, 210, 31});
    Idle();
    return edit;
  }
  static void ClickButton(TcxButtonEdit* AEdit, int32_t AVisibleIndex) {
    RECT r = AEdit->EditViewInfo()->Button(AVisibleIndex)->Bounds;
    headless::ClickAt(AEdit->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Idle();
  }
  TForm* Form = nullptr;
};

TEST_F(ButtonEditTest, NewEditorHasOneNonDefaultEllipsisButton) {
  TcxButtonEdit* edit = Make();
  TcxEditButtons* buttons = edit->Properties()->Buttons();
  ASSERT_EQ(buttons->Count(), 1);
  EXPECT_EQ(buttons->Items(0)->Kind(), bkEllipsis);
  EXPECT_FALSE(buttons->Items(0)->Default());  // made at run time, not in the form designer
  ASSERT_EQ(edit->EditViewInfo()->ButtonCount(), 1);
  // The button takes room at the right of the text.
  RECT r = edit->EditViewInfo()->Button(0)->Bounds;
  EXPECT_GT(r.right - r.left, 0);
  EXPECT_GT(r.left, 100);
  EXPECT_EQ(edit->Properties()->GetContainerClass(), TcxButtonEdit::StaticClass());
  EXPECT_FALSE(edit->GetHiddenStyleValues().Contains(svButtonStyle));
  EXPECT_TRUE(edit->GetHiddenStyleValues().Contains(svPopupBorderStyle));
}

TEST_F(ButtonEditTest, ClicksReachOnButtonClickWithTheButtonIndex) {
  TcxButtonEdit* edit = Make();
  TcxEditButton* second = edit->Properties()->Buttons()->Add();
  second->SetKind(bkText);
  second->SetCaption("Go");
  Idle();
  TButtonEditClicks log;
  edit->Properties()->OnButtonClick = TcxEditButtonClickEvent(&log, &TButtonEditClicks::ButtonClick);
  ASSERT_EQ(edit->EditViewInfo()->ButtonCount(), 2);
  ClickButton(edit, 1);
  ClickButton(edit, 0);
  EXPECT_EQ(log.Clicks, (std::vector<int32_t>{1, 0}));
  // Ctrl+Enter clicks only a default button.
  edit->SetFocus();
  Idle();
  auto ctrlEnter = [] {
    headless::KeyDown(VK_CONTROL);
    headless::KeyPress(VK_RETURN);
    headless::KeyUp(VK_CONTROL);
    Idle();
  };
  ctrlEnter();
  EXPECT_EQ(log.Clicks.size(), 2u);
  second->SetDefault(true);
  ctrlEnter();
  EXPECT_EQ(log.Clicks, (std::vector<int32_t>{1, 0, 1}));
}

TEST_F(ButtonEditTest, StoredButtonsReplaceTheDefaultOne) {
  // Written: the buttons as a collection of the nested Properties, each item naming its own properties.
  TcxButtonEdit* source = Make();
  source->SetName("Source");
  source->Properties()->Buttons()->Add()->SetKind(bkGlyph);
  String written = ComponentToText(source);
  EXPECT_NE(written.find("Properties.Buttons = <"), String::npos) << written;
  EXPECT_NE(written.find(" Kind = bkGlyph"), String::npos) << written;
  EXPECT_EQ(written.find("Properties.Kind"), String::npos) << written;

  // Read: two stored buttons give two buttons, not three.
  RegisterClass(TcxButtonEdit::StaticClass());
  const String text =
      "object Copy: TcxButtonEdit\r\n"
      "  Properties.Buttons = <\r\n"
      "    item\r\n"
      "      Kind = bkEllipsis\r\n"
      "    end\r\n"
      "    item\r\n"
      "      Kind = bkGlyph\r\n"
      "    end>\r\n"
      "end\r\n";
  auto* copy = New<TcxButtonEdit>(nullptr);
  ASSERT_EQ(copy->Properties()->Buttons()->Count(), 1);
  ReadComponentFromText(text, copy);
  TcxEditButtons* buttons = copy->Properties()->Buttons();
  ASSERT_EQ(buttons->Count(), 2);
  EXPECT_EQ(buttons->Items(0)->Kind(), bkEllipsis);
  EXPECT_EQ(buttons->Items(1)->Kind(), bkGlyph);
  copy->Free();
}

TEST_F(ButtonEditTest, MouseEnterAndLeaveArePublishedUnlikeTheCalcEdits) {
  EXPECT_NE(GetPropInfo(TcxButtonEdit::StaticClass(), "OnMouseEnter"), nullptr);
  EXPECT_NE(GetPropInfo(TcxButtonEdit::StaticClass(), "OnMouseLeave"), nullptr);
  EXPECT_EQ(GetPropInfo(TcxCalcEdit::StaticClass(), "OnMouseEnter"), nullptr);
  EXPECT_EQ(GetPropInfo(TcxCalcEdit::StaticClass(), "OnMouseLeave"), nullptr);

  // A handler set through the published events (as a form file sets it) hears the mouse come and go.
  TcxButtonEdit* edit = Make();
  std::vector<std::string> heard;
  struct Listener : TObject {
    std::vector<std::string>* Heard = nullptr;
    void Enter(TObject*, TControl*) { Heard->push_back("enter"); }
    void Leave(TObject*, TControl*) { Heard->push_back("leave"); }
  } listener;
  listener.Heard = &heard;
  using TEnterLeave = Event<TObject*, TControl*>;
  SetMethodProp(edit, "OnMouseEnter", TEnterLeave(&listener, &Listener::Enter).ToMethod());
  SetMethodProp(edit, "OnMouseLeave", TEnterLeave(&listener, &Listener::Leave).ToMethod());
  const RECT r = edit->EditViewInfo()->Button(0)->Bounds;  // over the button: the editor itself, not its inner edit
  POINT inside = edit->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  // The program's idle step tells controls that the mouse came or went (and, told it is not done, does
  // not wait for a message).
  Application->OnIdle = [](TObject*, bool& done) { done = false; };
  headless::MouseMove(inside.x, inside.y);
  Idle();
  Application->Idle(MSG{});
  headless::MouseMove(inside.x, inside.y + 200);
  Idle();
  Application->Idle(MSG{});
  Application->OnIdle = nullptr;
  EXPECT_EQ(heard, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(ButtonEditTest, TheMaskStillApplies) {
  TcxButtonEdit* edit = Make();
  edit->Properties()->SetMaskKind(emkRegExprEx);
  edit->Properties()->SetEditMask("\\d\\d:\\d\\d");
  edit->SetFocus();
  Idle();
  headless::TypeText("123");
  Idle();
  EXPECT_EQ(edit->InnerText(), "12:3");
}

TEST_F(ButtonEditTest, RegistersTheKindOnce) {
  cxButtonEditInitialize();
  cxButtonEditInitialize();
  TcxRegisteredClasses* kinds = GetRegisteredEditProperties();
  int32_t index = kinds->IndexOfClass(TcxButtonEditProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(kinds->Descriptions(index), "ButtonEdit|Represents an edit control with embedded buttons");
  EXPECT_GE(kinds->IndexOfClass(TcxMaskEditProperties::StaticClass()), 0);
}

}  // namespace
