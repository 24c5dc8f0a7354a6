// A dialog of a dozen standard controls read from its text resource: shown, tabbed through, typed
// into, clicked and resized the way a user would.

#include "FormsSupport.h"
#include "forms/Buttons.h"
#include "forms/CheckLst.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Resources.h"
#include "rtl/TypInfo.h"

using namespace ft;

class TOptionsDialog : public TForm {
  RTL_CLASS(TOptionsDialog, TForm)
  RTL_PUBLISHED_DECL
public:
  using TForm::TForm;
  TLabel* lbName = nullptr;
  TEdit* edName = nullptr;
  TLabel* lbNotes = nullptr;
  TMemo* mmNotes = nullptr;
  TListBox* lbFiles = nullptr;
  TCheckListBox* clParts = nullptr;
  TComboBox* cbProtocol = nullptr;
  TRadioGroup* rgMode = nullptr;
  TGroupBox* gbFlags = nullptr;
  TCheckBox* chCompress = nullptr;
  TRadioButton* rbFull = nullptr;
  TRadioButton* rbQuick = nullptr;
  TPanel* pnButtons = nullptr;
  TSpeedButton* sbHelp = nullptr;
  TBitBtn* btOk = nullptr;
  TBitBtn* btCancel = nullptr;
  std::vector<std::string> Log;
  void ControlEnter(TObject* sender) { Log.push_back("enter " + static_cast<TComponent*>(sender)->Name()); }
  void ControlExit(TObject* sender) { Log.push_back("exit " + static_cast<TComponent*>(sender)->Name()); }
  void edNameChange(TObject*) { Log.push_back("change " + edName->Text()); }
  void lbFilesClick(TObject*) { Log.push_back("files " + std::to_string(lbFiles->ItemIndex())); }
  void clPartsClickCheck(TObject*) { Log.push_back("check " + std::to_string(clParts->ItemIndex())); }
  void cbProtocolSelect(TObject*) { Log.push_back("protocol " + cbProtocol->Text()); }
  void rgModeClick(TObject*) { Log.push_back("mode " + std::to_string(rgMode->ItemIndex())); }
  void chCompressClick(TObject*) { Log.push_back(chCompress->Checked() ? "compress on" : "compress off"); }
  void sbHelpClick(TObject*) { Log.push_back("help"); }
};

RTL_PUBLISHED(TOptionsDialog) {
  field("lbName", &TOptionsDialog::lbName);
  field("edName", &TOptionsDialog::edName);
  field("lbNotes", &TOptionsDialog::lbNotes);
  field("mmNotes", &TOptionsDialog::mmNotes);
  field("lbFiles", &TOptionsDialog::lbFiles);
  field("clParts", &TOptionsDialog::clParts);
  field("cbProtocol", &TOptionsDialog::cbProtocol);
  field("rgMode", &TOptionsDialog::rgMode);
  field("gbFlags", &TOptionsDialog::gbFlags);
  field("chCompress", &TOptionsDialog::chCompress);
  field("rbFull", &TOptionsDialog::rbFull);
  field("rbQuick", &TOptionsDialog::rbQuick);
  field("pnButtons", &TOptionsDialog::pnButtons);
  field("sbHelp", &TOptionsDialog::sbHelp);
  field("btOk", &TOptionsDialog::btOk);
  field("btCancel", &TOptionsDialog::btCancel);
  method("ControlEnter", &TOptionsDialog::ControlEnter);
  method("ControlExit", &TOptionsDialog::ControlExit);
  method("edNameChange", &TOptionsDialog::edNameChange);
  method("lbFilesClick", &TOptionsDialog::lbFilesClick);
  method("clPartsClickCheck", &TOptionsDialog::clPartsClickCheck);
  method("cbProtocolSelect", &TOptionsDialog::cbProtocolSelect);
  method("rgModeClick", &TOptionsDialog::rgModeClick);
  method("chCompressClick", &TOptionsDialog::chCompressClick);
  method("sbHelpClick", &TOptionsDialog::sbHelpClick);
}

namespace {
// Fixed-pitch control text: 8 pixels a code point, 16-pixel lines, so that wrapping is exact.
winapi::ControlTextExtent FixedMeasure(HFONT, const char* s, int n) {
  int cps = 0;
  for (int i = 0; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++cps;
  return {cps * 8, 16};
}

const char* kOptionsDialog = R"(object OptionsDialog: TOptionsDialog
  Left = 120
  Top = 60
  BorderStyle = bsSizeable
  Caption = 'Параметры'
  ClientWidth = 520
  ClientHeight = 400
  object lbName: TLabel
    Left = 8
    Top = 12
    Caption = '&Имя'
    FocusControl = edName
  end
  object edName: TEdit
    Left = 80
    Top = 8
    Width = 200
    Height = 21
    Anchors = [akLeft, akTop, akRight]
    OnEnter = ControlEnter
    OnExit = ControlExit
    OnChange = edNameChange
  end
  object lbNotes: TLabel
    Left = 8
    Top = 40
    Caption = '&Notes'
    FocusControl = mmNotes
  end
  object mmNotes: TMemo
    Left = 80
    Top = 36
    Width = 200
    Height = 90
    Anchors = [akLeft, akTop, akRight, akBottom]
    ScrollBars = ssVertical
    OnEnter = ControlEnter
    OnExit = ControlExit
  end
  object lbFiles: TListBox
    Left = 300
    Top = 8
    Width = 100
    Height = 118
    Anchors = [akTop, akRight]
    Items.Strings = (
      'main.gdb'
      'archive.gdb'
      'журнал.gdb')
    Sorted = True
    OnEnter = ControlEnter
    OnExit = ControlExit
    OnClick = lbFilesClick
  end
  object clParts: TCheckListBox
    Left = 410
    Top = 8
    Width = 100
    Height = 118
    Anchors = [akTop, akRight]
    Items.Strings = (
      'Data'
      'Metadata'
      'Garbage')
    OnEnter = ControlEnter
    OnExit = ControlExit
    OnClickCheck = clPartsClickCheck
  end
  object cbProtocol: TComboBox
    Left = 80
    Top = 140
    Width = 200
    Height = 21
    Style = csDropDownList
    Items.Strings = (
      'Novell SPX'
      'NetBEUI'
      'TCP/IP')
    ItemIndex = 2
    OnEnter = ControlEnter
    OnExit = ControlExit
    OnSelect = cbProtocolSelect
  end
  object rgMode: TRadioGroup
    Left = 300
    Top = 136
    Width = 210
    Height = 80
    Caption = 'Mode'
    Columns = 2
    Items.Strings = (
      'Local'
      'Remote'
      'Embedded')
    ItemIndex = 1
    OnClick = rgModeClick
  end
  object gbFlags: TGroupBox
    Left = 8
    Top = 176
    Width = 272
    Height = 100
    Caption = 'Flags'
    object chCompress: TCheckBox
      Left = 8
      Top = 24
      Width = 150
      Height = 17
      Caption = '&Compress'
      OnEnter = ControlEnter
      OnExit = ControlExit
      OnClick = chCompressClick
    end
    object rbFull: TRadioButton
      Left = 8
      Top = 48
      Width = 150
      Height = 17
      Caption = 'Full'
      Checked = True
      OnEnter = ControlEnter
      OnExit = ControlExit
    end
    object rbQuick: TRadioButton
      Left = 8
      Top = 72
      Width = 150
      Height = 17
      Caption = '&Quick'
      OnEnter = ControlEnter
      OnExit = ControlExit
    end
  end
  object pnButtons: TPanel
    Left = 0
    Top = 360
    Width = 520
    Height = 40
    Align = alBottom
    BevelOuter = bvNone
    object sbHelp: TSpeedButton
      Left = 8
      Top = 8
      Width = 25
      Height = 25
      Caption = '?'
      Flat = True
      OnClick = sbHelpClick
    end
    object btOk: TBitBtn
      Left = 352
      Top = 8
      Width = 75
      Height = 25
      Anchors = [akTop, akRight]
      Kind = bkOK
      OnEnter = ControlEnter
      OnExit = ControlExit
    end
    object btCancel: TBitBtn
      Left = 436
      Top = 8
      Width = 75
      Height = 25
      Anchors = [akTop, akRight]
      Kind = bkCancel
      OnEnter = ControlEnter
      OnExit = ControlExit
    end
  end
end
)";

class DialogFormTest : public FormsTest {
protected:
  void SetUp() override {
    FormsTest::SetUp();
    winapi::SetControlTextMeasure(FixedMeasure);
    RegisterClass(TOptionsDialog::StaticClass());
    RegisterFormResource("TOptionsDialog", kOptionsDialog);
    Dlg = New<TOptionsDialog>(Application);
  }
  void TearDown() override {
    Application->OnIdle = nullptr;
    Dlg->Free();
    UnregisterFormResource("TOptionsDialog");
    winapi::SetControlTextMeasure(nullptr);
    FormsTest::TearDown();
  }
  void ShowIt() {
    Dlg->Show();
    Pump();
  }
  static void Key(int vk) {
    headless::KeyPress(vk);
    Pump();
  }
  static void Chord(int modifier, int vk) {
    headless::KeyDown(modifier);
    headless::KeyPress(vk);
    headless::KeyUp(modifier);
    Pump();
  }
  static void Type(const char* text) {
    headless::TypeText(text);
    Pump();
  }
  std::string FocusedName() {
    TWinControl* c = Dlg->ActiveControl();
    return c ? c->Name() : std::string("-");
  }
  TOptionsDialog* Dlg = nullptr;
};

}  // namespace

TEST_F(DialogFormTest, StreamsEveryControlWithItemsAndSelections) {
  EXPECT_EQ(Dlg->lbFiles->Items()->CommaText(), "archive.gdb,main.gdb,журнал.gdb");
  EXPECT_EQ(Dlg->clParts->Items()->Count(), 3);
  EXPECT_EQ(Dlg->cbProtocol->ItemIndex(), 2);
  EXPECT_EQ(Dlg->rgMode->ItemIndex(), 1);
  EXPECT_EQ(Dlg->rgMode->ButtonCount(), 3);
  EXPECT_TRUE(Dlg->rbFull->Checked());
  EXPECT_EQ(Dlg->btOk->Caption(), "OK");
  EXPECT_EQ(Dlg->btOk->ModalResult(), mrOk);
  EXPECT_TRUE(Dlg->btOk->Default());
  EXPECT_TRUE(Dlg->btCancel->Cancel());
  EXPECT_TRUE(Dlg->sbHelp->Flat());
  EXPECT_TRUE(Dlg->Log.empty());  // reading the state in fires nothing
  ShowIt();
  EXPECT_EQ(Dlg->cbProtocol->Text(), "TCP/IP");
  EXPECT_TRUE(Dlg->rgMode->Buttons(1)->Checked());
  EXPECT_EQ(Dlg->lbFiles->ItemIndex(), -1);
}

TEST_F(DialogFormTest, TabVisitsControlsInOrderWithEnterAndExit) {
  ShowIt();
  EXPECT_EQ(FocusedName(), "edName");
  std::vector<std::string> order{FocusedName()};
  for (int i = 0; i < 10; ++i) {
    Key(VK_TAB);
    order.push_back(FocusedName());
  }
  // The radio group is entered at its checked button; of the two radio buttons only the checked one
  // is a stop; the speed button takes no focus.
  ASSERT_EQ(order.size(), 11u);
  EXPECT_EQ(order[1], "mmNotes");
  EXPECT_EQ(order[2], "lbFiles");
  EXPECT_EQ(order[3], "clParts");
  EXPECT_EQ(order[4], "cbProtocol");
  EXPECT_EQ(order[5], "");  // the checked button of the radio group (the group's own, unnamed)
  EXPECT_EQ(order[6], "chCompress");
  EXPECT_EQ(order[7], "rbFull");
  EXPECT_EQ(order[8], "btOk");
  EXPECT_EQ(order[9], "btCancel");
  EXPECT_EQ(order[10], "edName");
  // Shift+Tab goes back.
  Chord(VK_SHIFT, VK_TAB);
  EXPECT_EQ(FocusedName(), "btCancel");
  // Each control heard its exit before the next one's enter.
  auto at = [&](const std::string& s) { return std::find(Dlg->Log.begin(), Dlg->Log.end(), s) - Dlg->Log.begin(); };
  EXPECT_LT(at("exit edName"), at("enter mmNotes"));
  EXPECT_LT(at("exit mmNotes"), at("enter lbFiles"));
  EXPECT_LT(at("exit btOk"), at("enter btCancel"));
}

TEST_F(DialogFormTest, TypingCyrillicWithCaretSelectionAndUndo) {
  ShowIt();
  Dlg->Log.clear();
  Type("Привет");
  EXPECT_EQ(Dlg->edName->Text(), "Привет");
  EXPECT_EQ(Dlg->edName->SelStart(), 6);
  Chord(VK_SHIFT, VK_LEFT);
  Chord(VK_SHIFT, VK_LEFT);
  EXPECT_EQ(Dlg->edName->SelText(), "ет");
  Type("ок");
  EXPECT_EQ(Dlg->edName->Text(), "Привок");
  Chord(VK_CONTROL, 'Z');
  EXPECT_EQ(Dlg->edName->Text(), "Привет");
  EXPECT_EQ(Dlg->Log.back(), "change Привет");
  // Tabbing back into the edit selects all of it.
  Key(VK_TAB);
  Chord(VK_SHIFT, VK_TAB);
  EXPECT_EQ(Dlg->edName->SelLength(), 6);

  // The memo: lines, the caret as column and line, Home, and undo of typing.
  Key(VK_TAB);
  ASSERT_TRUE(Dlg->mmNotes->Focused());
  Type("строка");
  Key(VK_RETURN);
  Type("two");
  EXPECT_EQ(Dlg->mmNotes->Lines()->Count(), 2);
  EXPECT_EQ(Dlg->mmNotes->Lines()->Strings(0), "строка");
  POINT caret = Dlg->mmNotes->CaretPos();
  EXPECT_EQ(caret.x, 3);
  EXPECT_EQ(caret.y, 1);
  Key(VK_UP);
  EXPECT_EQ(Dlg->mmNotes->CaretPos().y, 0);
  Key(VK_END);
  EXPECT_EQ(Dlg->mmNotes->CaretPos().x, 6);
  Chord(VK_SHIFT, VK_HOME);
  EXPECT_EQ(Dlg->mmNotes->SelText(), "строка");
  Chord(VK_CONTROL, 'Z');
  EXPECT_EQ(Dlg->mmNotes->Text(), "строка\r\n");
  // Enter in the memo is a line break, not the default button.
  EXPECT_TRUE(Dlg->Visible());
}

TEST_F(DialogFormTest, MemoWrapsLongLinesAndKeepsTheText) {
  ShowIt();
  TMemo* mm = Dlg->mmNotes;
  EXPECT_EQ(GetWindowLong(mm->Handle(), GWL_STYLE) & ES_AUTOHSCROLL, 0);
  // 8 pixels a character; the memo's text area is narrower than the client (border, scroll bar).
  RECT r{};
  SendMessage(mm->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  int perLine = (r.right - r.left) / 8;
  ASSERT_GT(perLine, 10);
  std::string word = "слово ";  // 6 characters with the blank
  std::string text;
  for (int i = 0; i < perLine; ++i) text += word;
  mm->SetText(text);
  int lines = static_cast<int>(SendMessage(mm->Handle(), EM_GETLINECOUNT, 0, 0));
  // n words fit a line when their 6n - 1 characters do (the last blank may hang past the edge).
  int wordsPerLine = (perLine + 1) / 6;
  EXPECT_EQ(lines, (perLine + wordsPerLine - 1) / wordsPerLine);
  // Lines break after the blanks: each wrapped line starts with a word and the text is intact.
  for (int i = 1; i < lines; ++i) {
    LRESULT start = SendMessage(mm->Handle(), EM_LINEINDEX, i, 0);
    EXPECT_EQ(start % 6, 0) << i;
  }
  EXPECT_EQ(mm->Text(), text);
  // Ctrl+End then Up keeps the column by pixels; selection still counts code points.
  mm->SetFocus();
  Chord(VK_CONTROL, VK_HOME);
  Key(VK_DOWN);
  EXPECT_EQ(mm->SelStart(), SendMessage(mm->Handle(), EM_LINEINDEX, 1, 0));
  Key(VK_END);
  EXPECT_EQ(mm->CaretPos().y, 1);  // before the blank that ends the wrapped line
  // Typing in the first line re-wraps what follows.
  Chord(VK_CONTROL, VK_HOME);
  Type("ааааааааааааааааааааааа ");
  EXPECT_EQ(mm->Text().substr(0, 47), "ааааааааааааааааааааааа ");
  LRESULT second = SendMessage(mm->Handle(), EM_LINEINDEX, 1, 0);
  EXPECT_GT(second, 0);
  // A horizontal scroll bar turns wrapping off.
  mm->SetScrollBars(ssBoth);
  EXPECT_NE(GetWindowLong(mm->Handle(), GWL_STYLE) & ES_AUTOHSCROLL, 0);
  EXPECT_EQ(SendMessage(mm->Handle(), EM_GETLINECOUNT, 0, 0), 1);
  EXPECT_EQ(mm->Text(), "ааааааааааааааааааааааа " + text);
}

TEST_F(DialogFormTest, ClicksAndKeysReachEveryControl) {
  ShowIt();
  Dlg->Log.clear();
  // List box: click, then keys.
  ClickOn(Dlg->lbFiles);
  int first = Dlg->lbFiles->ItemIndex();
  EXPECT_GE(first, 0);
  Key(VK_HOME);
  Key(VK_DOWN);
  EXPECT_EQ(Dlg->lbFiles->ItemIndex(), 1);
  // Check list: Space checks the current item.
  Dlg->clParts->SetFocus();
  Key(VK_DOWN);
  Key(VK_SPACE);
  EXPECT_TRUE(Dlg->clParts->Checked(0));
  // Combo: the keys choose.
  Dlg->cbProtocol->SetFocus();
  Key(VK_UP);
  EXPECT_EQ(Dlg->cbProtocol->Text(), "NetBEUI");
  // Radio group: a click checks and reports.
  ClickOn(Dlg->rgMode->Buttons(2));
  EXPECT_EQ(Dlg->rgMode->ItemIndex(), 2);
  // Check box by click, radio button by its accelerator, speed button by click.
  ClickOn(Dlg->chCompress);
  Chord(VK_MENU, 'Q');
  EXPECT_TRUE(Dlg->rbQuick->Checked());
  EXPECT_FALSE(Dlg->rbFull->Checked());
  ClickOn(Dlg->sbHelp);
  std::erase_if(Dlg->Log, [](const std::string& s) { return s.rfind("enter", 0) == 0 || s.rfind("exit", 0) == 0; });
  EXPECT_EQ(Dlg->Log, (std::vector<std::string>{"files " + std::to_string(first), "files 0", "files 1", "check 0",
                                                  "protocol NetBEUI", "mode 2", "compress on", "help"}));
}

TEST_F(DialogFormTest, AcceleratorsInAnyScriptAndOfGroups) {
  ShowIt();
  Dlg->gbFlags->SetCaption("&Флаги");
  Dlg->lbFiles->SetFocus();
  // A Cyrillic accelerator of a label, in either case, focuses its control.
  EXPECT_NE(Dlg->Perform(CM_DIALOGCHAR, U'и', 0), 0);
  EXPECT_TRUE(Dlg->edName->Focused());
  // A group box's accelerator enters the group at its first control.
  EXPECT_NE(Dlg->Perform(CM_DIALOGCHAR, U'Ф', 0), 0);
  EXPECT_TRUE(Dlg->chCompress->Focused());
  EXPECT_FALSE(Dlg->chCompress->Checked());
  // A letter nobody marks is not taken.
  EXPECT_EQ(Dlg->Perform(CM_DIALOGCHAR, U'ж', 0), 0);
}

TEST_F(DialogFormTest, OkEndsTheModalDialogAndEscapeCancels) {
  RunScript({[&] { Dlg->edName->SetFocus(); }, [&] { Type("x"); }, [&] { Key(VK_RETURN); }});
  EXPECT_EQ(Dlg->ShowModal(), mrOk);
  RunScript({[&] { Dlg->lbFiles->SetFocus(); }, [&] { Key(VK_ESCAPE); }});
  EXPECT_EQ(Dlg->ShowModal(), mrCancel);
  RunScript({[&] { ClickOn(Dlg->btOk); }});
  EXPECT_EQ(Dlg->ShowModal(), mrOk);
}

TEST_F(DialogFormTest, ResizingFollowsAlignmentAndAnchors) {
  ShowIt();
  Dlg->SetClientWidth(620);
  Dlg->SetClientHeight(500);
  Pump();
  ExpectBounds(Dlg->pnButtons, 0, 460, 620, 40);
  ExpectBounds(Dlg->btOk, 452, 8, 75, 25);
  ExpectBounds(Dlg->btCancel, 536, 8, 75, 25);
  ExpectBounds(Dlg->sbHelp, 8, 8, 25, 25);
  ExpectBounds(Dlg->edName, 80, 8, 300, 21);
  ExpectBounds(Dlg->mmNotes, 80, 36, 300, 190);
  ExpectBounds(Dlg->lbFiles, 400, 8, 100, 118);
  ExpectBounds(Dlg->clParts, 510, 8, 100, 118);
  ExpectBounds(Dlg->gbFlags, 8, 176, 272, 100);
  // The windows follow.
  RECT r{};
  GetClientRect(Dlg->mmNotes->Handle(), &r);
  EXPECT_GT(r.right, 250);
}

TEST_F(DialogFormTest, WrappedLinesAfterEditsMatchAFreshLayout) {
  ShowIt();
  TMemo* mm = Dlg->mmNotes;
  auto* fresh = New<TMemo>(Dlg);
  fresh->SetParent(Dlg);
  fresh->SetBounds(mm->Left(), mm->Top(), mm->Width(), mm->Height());
  fresh->SetScrollBars(ssVertical);
  auto starts = [](TMemo* m) {
    std::vector<LRESULT> v;
    LRESULT n = SendMessage(m->Handle(), EM_GETLINECOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) v.push_back(SendMessage(m->Handle(), EM_LINEINDEX, static_cast<WPARAM>(i), 0));
    return v;
  };
  mm->SetText("один два три четыре пять шесть семь восемь девять десять\r\nкоротко\r\n"
              "длинноеслово_без_пробелов_которое_не_помещается_в_одну_строку_никак конец");
  // Edits of every kind: typing inside a wrapped line, a new line break in the middle of a paragraph,
  // deleting across a break, pasting several lines, undo.
  struct Step {
    int start, length;
    const char* text;
  };
  const Step steps[] = {{5, 0, "вставка "}, {30, 0, "\r\n"}, {28, 6, ""}, {0, 0, "a\r\nb\r\nc "},
                        {60, 40, "x"},     {3, 1, ""},        {100, 0, " хвост хвост хвост хвост"}};
  for (const Step& st : steps) {
    SCOPED_TRACE(st.start);
    mm->SetSelStart(st.start);
    mm->SetSelLength(st.length);
    mm->SetSelText(st.text);
    fresh->SetText(mm->Text());
    EXPECT_EQ(starts(mm), starts(fresh));
  }
  mm->Undo();
  fresh->SetText(mm->Text());
  EXPECT_EQ(starts(mm), starts(fresh));
  // A narrower memo wraps again.
  mm->SetWidth(mm->Width() - 60);
  fresh->SetWidth(mm->Width());
  Pump();
  fresh->SetText(mm->Text());
  EXPECT_EQ(starts(mm), starts(fresh));
  EXPECT_GT(starts(mm).size(), 5u);
}
