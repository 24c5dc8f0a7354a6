// The standard controls on a form read from text: edits and memos over the edit window, buttons and
// check boxes over the button window, labels that hand their accelerator to another control.

#include "FormsSupport.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Resources.h"
#include "rtl/TypInfo.h"

using namespace ft;

class TStdForm : public TForm {
  RTL_CLASS(TStdForm, TForm)
  RTL_PUBLISHED_DECL
public:
  using TForm::TForm;
  TLabel* lbName = nullptr;
  TEdit* edName = nullptr;
  TMemo* mmNotes = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;
  TCheckBox* cbActive = nullptr;
  TGroupBox* gbOptions = nullptr;
  std::vector<std::string> Changes;
  int Clicks = 0;
  int CheckClicks = 0;
  void edNameChange(TObject*) { Changes.push_back(edName->Text()); }
  void btOkClick(TObject*) { ++Clicks; }
  void cbActiveClick(TObject*) { ++CheckClicks; }
};

RTL_PUBLISHED(TStdForm) {
  field("lbName", &TStdForm::lbName);
  field("edName", &TStdForm::edName);
  field("mmNotes", &TStdForm::mmNotes);
  field("btOk", &TStdForm::btOk);
  field("btCancel", &TStdForm::btCancel);
  field("cbActive", &TStdForm::cbActive);
  field("gbOptions", &TStdForm::gbOptions);
  method("edNameChange", &TStdForm::edNameChange);
  method("btOkClick", &TStdForm::btOkClick);
  method("cbActiveClick", &TStdForm::cbActiveClick);
}

namespace {
const char* kStdForm = R"(object StdForm: TStdForm
  Left = 100
  Top = 80
  Caption = 'Standard'
  ClientWidth = 400
  ClientHeight = 300
  object lbName: TLabel
    Left = 8
    Top = 12
    Caption = '&Name'
    FocusControl = edName
  end
  object edName: TEdit
    Left = 80
    Top = 8
    Width = 200
    Height = 21
    MaxLength = 10
    OnChange = edNameChange
  end
  object mmNotes: TMemo
    Left = 8
    Top = 40
    Width = 300
    Height = 120
    ScrollBars = ssVertical
  end
  object gbOptions: TGroupBox
    Left = 8
    Top = 170
    Width = 200
    Height = 60
    Caption = 'Options'
    object cbActive: TCheckBox
      Left = 8
      Top = 24
      Width = 120
      Height = 17
      Caption = 'Active'
      OnClick = cbActiveClick
    end
  end
  object btOk: TButton
    Left = 230
    Top = 260
    Caption = 'OK'
    Default = True
    ModalResult = 1
    OnClick = btOkClick
  end
  object btCancel: TButton
    Left = 310
    Top = 260
    Caption = 'Cancel'
    Cancel = True
    ModalResult = 2
  end
end
)";

class StdCtrlsTest : public FormsTest {
protected:
  void SetUp() override {
    FormsTest::SetUp();
    RegisterClass(TStdForm::StaticClass());
    RegisterFormResource("TStdForm", kStdForm);
    Form = New<TStdForm>(Application);
  }
  void TearDown() override {
    Application->OnIdle = nullptr;
    Form->Free();
    UnregisterFormResource("TStdForm");
    FormsTest::TearDown();
  }
  void ShowIt() {
    Form->Show();
    Pump();
  }
  TStdForm* Form = nullptr;
};
}  // namespace

TEST_F(StdCtrlsTest, ReadsEveryControlFromText) {
  EXPECT_EQ(Form->edName->MaxLength(), 10);
  EXPECT_EQ(Form->mmNotes->ScrollBars(), ssVertical);
  EXPECT_TRUE(Form->btOk->Default());
  EXPECT_TRUE(Form->btCancel->Cancel());
  EXPECT_EQ(Form->btCancel->ModalResult(), mrCancel);
  EXPECT_EQ(Form->cbActive->Parent(), Form->gbOptions);
  EXPECT_EQ(Form->lbName->FocusControl(), Form->edName);
  EXPECT_EQ(Form->CheckClicks, 0);  // streaming the state in is no click
  // The label sized itself to its caption.
  EXPECT_GT(Form->lbName->Width(), 0);
  EXPECT_NE(Form->lbName->Width(), 65);
}

TEST_F(StdCtrlsTest, TypingCyrillicFiresOnChangeAndReadsBack) {
  ShowIt();
  Form->edName->SetFocus();
  headless::TypeText("Привет");
  Pump();
  EXPECT_EQ(Form->edName->Text(), "Привет");
  ASSERT_EQ(Form->Changes.size(), 6u);
  EXPECT_EQ(Form->Changes.front(), "П");
  EXPECT_EQ(Form->Changes.back(), "Привет");
  EXPECT_TRUE(Form->edName->Modified());

  // MaxLength holds the typing at 10 characters.
  headless::TypeText(" мир!!");
  Pump();
  EXPECT_EQ(Form->edName->Text(), "Привет мир");

  // Selection counts characters, not bytes.
  Form->edName->SetSelStart(2);
  Form->edName->SetSelLength(3);
  EXPECT_EQ(Form->edName->SelText(), "иве");
  Form->edName->SetSelText("X");
  EXPECT_EQ(Form->edName->Text(), "ПрXт мир");
  Form->edName->SelectAll();
  EXPECT_EQ(Form->edName->SelLength(), 8);
  Form->edName->Clear();
  EXPECT_EQ(Form->edName->Text(), "");
  EXPECT_EQ(Form->Changes.back(), "");
}

TEST_F(StdCtrlsTest, EditKeepsTextAndModifiedWithoutAWindow) {
  EXPECT_FALSE(Form->edName->HandleAllocated());
  Form->edName->SetText("abc");
  Form->edName->SetModified(true);
  EXPECT_EQ(Form->edName->Text(), "abc");
  EXPECT_TRUE(Form->edName->Modified());
  ShowIt();
  EXPECT_EQ(Form->edName->Text(), "abc");
  EXPECT_TRUE(Form->edName->Modified());
}

TEST_F(StdCtrlsTest, MemoLinesAddDeleteInsertAndText) {
  ShowIt();
  TStrings* lines = Form->mmNotes->Lines();
  EXPECT_EQ(lines->Count(), 0);
  lines->Add("first");
  lines->Append("второй");
  lines->Add("");
  lines->Add("fourth");
  EXPECT_EQ(lines->Count(), 4);
  EXPECT_EQ(lines->Strings(1), "второй");
  EXPECT_EQ(lines->Strings(2), "");
  EXPECT_EQ(Form->mmNotes->Text(), "first\r\nвторой\r\n\r\nfourth\r\n");
  lines->Insert(0, "zero");
  lines->Delete(2);
  EXPECT_EQ(lines->Text(), "zero\r\nfirst\r\n\r\nfourth\r\n");
  lines->SetText("a\nb\nc");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(lines->Strings(2), "c");
  lines->Add("d");  // the last line had no break of its own
  EXPECT_EQ(Form->mmNotes->Text(), "a\r\nb\r\nc\r\nd\r\n");
  // A new window (scroll bars are a creation style) keeps the lines.
  Form->mmNotes->SetScrollBars(ssBoth);
  EXPECT_EQ(lines->Text(), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_TRUE(GetWindowLong(Form->mmNotes->Handle(), GWL_STYLE) & WS_HSCROLL);
  lines->Clear();
  EXPECT_EQ(lines->Count(), 0);
  EXPECT_EQ(Form->mmNotes->Text(), "");
}

TEST_F(StdCtrlsTest, MemoTypesEnterAsALineBreakOnlyWithWantReturns) {
  ShowIt();
  TMemo* memo = Form->mmNotes;
  for (bool want : {true, false}) {
    memo->SetWantReturns(want);
    memo->SetText("ab");
    SendMessage(memo->Handle(), EM_SETSEL, 1, 1);
    SendMessage(memo->Handle(), WM_CHAR, '\r', 0);
    EXPECT_EQ(memo->Text(), want ? "a\r\nb" : "ab") << want;
  }
}

TEST_F(StdCtrlsTest, ButtonClickFiresOnClickAndEndsShowModal) {
  RunScript({[&] { ClickOn(Form->btOk); }});
  TModalResult r = Form->ShowModal();
  EXPECT_EQ(r, mrOk);
  EXPECT_EQ(Form->Clicks, 1);
}

TEST_F(StdCtrlsTest, EnterAndEscapeGoToDefaultAndCancelButtons) {
  struct Case {
    int vk;
    TModalResult expected;
    int clicks;
  };
  for (Case c : {Case{VK_RETURN, mrOk, 1}, Case{VK_ESCAPE, mrCancel, 0}}) {
    SCOPED_TRACE(c.vk);
    Form->Clicks = 0;
    RunScript({[&] { Form->edName->SetFocus(); }, [&] {
                 headless::KeyPress(c.vk);
                 Pump();
               }});
    EXPECT_EQ(Form->ShowModal(), c.expected);
    EXPECT_EQ(Form->Clicks, c.clicks);
  }
}

TEST_F(StdCtrlsTest, CheckBoxTogglesByClickAndBySpace) {
  ShowIt();
  TCheckBox* cb = Form->cbActive;
  ClickOn(cb);
  EXPECT_TRUE(cb->Checked());
  EXPECT_EQ(SendMessage(cb->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(Form->CheckClicks, 1);
  ASSERT_TRUE(cb->Focused());
  headless::KeyPress(VK_SPACE);
  Pump();
  EXPECT_FALSE(cb->Checked());
  EXPECT_EQ(Form->CheckClicks, 2);
  cb->SetAllowGrayed(true);
  headless::KeyPress(VK_SPACE);
  Pump();
  EXPECT_EQ(cb->State(), cbGrayed);
  EXPECT_EQ(SendMessage(cb->Handle(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  cb->SetChecked(true);
  EXPECT_EQ(cb->State(), cbChecked);
  EXPECT_EQ(Form->CheckClicks, 4);
}

TEST_F(StdCtrlsTest, LabelAcceleratorFocusesItsControl) {
  ShowIt();
  // A letter the focused control does not take is offered to the form as an accelerator.
  Form->cbActive->SetFocus();
  headless::TypeText("n");
  Pump();
  EXPECT_TRUE(Form->edName->Focused());
}

TEST_F(StdCtrlsTest, LabelDrawsItsCaption) {
  ShowIt();
  TLabel* lb = Form->lbName;
  lb->SetColor(clWhite);
  lb->SetTransparent(false);
  Form->Repaint();
  Pump();
  // Some pixel inside the label is neither the label's background nor the form's.
  int dark = 0;
  for (int y = 0; y < lb->Height(); ++y)
    for (int x = 0; x < lb->Width(); ++x)
      if (headless::Pixel(Form->Handle(), lb->Left() + x, lb->Top() + y) < 0x808080) ++dark;
  EXPECT_GT(dark, 5);
}

TEST_F(StdCtrlsTest, ReadOnlyRefusesTypingAndPasswordCharReachesTheWindow) {
  ShowIt();
  TEdit* ed = Form->edName;
  ed->SetReadOnly(true);
  ed->SetFocus();
  headless::TypeText("abc");
  Pump();
  EXPECT_EQ(ed->Text(), "");
  EXPECT_TRUE(Form->Changes.empty());
  ed->SetReadOnly(false);
  ed->SetPasswordChar(U'•');
  EXPECT_EQ(SendMessage(ed->Handle(), EM_GETPASSWORDCHAR, 0, 0), static_cast<LRESULT>(U'•'));
  headless::TypeText("abc");
  Pump();
  EXPECT_EQ(ed->Text(), "abc");  // the text stays readable to the program
}
