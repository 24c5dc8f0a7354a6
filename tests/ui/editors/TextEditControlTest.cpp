// The text editor control on a headless form, driven by real key and mouse input through the message loop:
// typing and validation, the maximum length on paste, thousand separators while typing, password echo,
// Esc, the clipboard, the inner edit's notification order and the window text messages.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "cxContainerTestSupport.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/FormatSettings.h"
#include "ui/editors/cxEditConsts.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxTextEdit.h"
#include "winapi/Headless.h"

namespace {

const char* const kTextEditCtlNbsp = "\xC2\xA0";

// A number kind with thousand separators, as the spin and currency editors have.
class TTextEditCtlNumberProperties : public TcxCustomTextEditProperties {
  RTL_CLASS(TTextEditCtlNumberProperties, TcxCustomTextEditProperties)
public:
  using TcxCustomTextEditProperties::TcxCustomTextEditProperties;
  bool SupportsValueBounds() override { return true; }
  bool IsThousandSeparatorUsed() override { return true; }
};

class TTextEditCtlNumberEdit : public TcxCustomTextEdit {
  RTL_CLASS(TTextEditCtlNumberEdit, TcxCustomTextEdit)
public:
  using TcxCustomTextEdit::TcxCustomTextEdit;
  TClass GetPropertiesClass() const override { return TTextEditCtlNumberProperties::StaticClass(); }
};

// A list kind: typed text must be one of the lookup items.
class TTextEditCtlListProperties : public TcxCustomTextEditProperties {
  RTL_CLASS(TTextEditCtlListProperties, TcxCustomTextEditProperties)
public:
  using TcxCustomTextEditProperties::TcxCustomTextEditProperties;
  TcxEditEditingStyle GetEditingStyle() override { return esEditList; }
  bool UsesLookupData() override { return true; }
};

class TTextEditCtlListEdit : public TcxCustomTextEdit {
  RTL_CLASS(TTextEditCtlListEdit, TcxCustomTextEdit)
public:
  using TcxCustomTextEdit::TcxCustomTextEdit;
  TClass GetPropertiesClass() const override { return TTextEditCtlListProperties::StaticClass(); }
};

// Records what the editor tells the outside world, in order.
class TTextEditCtlLog : public TObject {
public:
  void KeyDown(TObject*, uint16_t& Key, TShiftState) { Lines.push_back("KeyDown " + std::to_string(Key)); }
  void KeyPress(TObject*, char32_t& Key) { Lines.push_back("KeyPress " + std::to_string(uint32_t(Key))); }
  void KeyUp(TObject*, uint16_t& Key, TShiftState) { Lines.push_back("KeyUp " + std::to_string(Key)); }
  void AfterKeyDown(TObject*, uint16_t& Key, TShiftState) { Lines.push_back("AfterKeyDown " + std::to_string(Key)); }
  void Change(TObject*) { Lines.push_back("Change"); }
  void EditValueChanged(TObject*) { Lines.push_back("EditValueChanged"); }
  std::vector<std::string> Lines;
};

class TextEditControlTest : public cxcontainer_test::ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    SetFormatSettings(TFormatSettings::Russian());
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 200, 100, 21);
  }
  void TearDown() override {
    DoneForms();
    // Back to the program's formats; the format controller is told directly, as it no longer listens
    // once no editor does.
    SetFormatSettings(TFormatSettings::Russian());
    GetFormatController()->FormatSettingsChanged();
    // The headless window system keeps clipboard data past its shutdown; leave none behind.
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  template <class T = TcxTextEdit>
  T* Make(int y = 10) {
    T* edit = New<T>(Form);
    edit->SetParent(Form);
    edit->SetBoundsRect(RECT{10, y, 210, y + 21});
    Idle();
    return edit;
  }
  static void Focus(TWinControl* c) {
    c->SetFocus();
    Idle();
  }
  static void Type(const char* text) {
    headless::TypeText(text);
    Idle();
  }
  static void Key(int vk) {
    headless::KeyPress(vk);
    Idle();
  }
  static void Chord(int modifier, int vk) {
    headless::KeyDown(modifier);
    headless::KeyPress(vk);
    headless::KeyUp(modifier);
    Idle();
  }
  static void PutClipboard(const String& AText) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, AText.size() + 1);
    std::memcpy(GlobalLock(g), AText.c_str(), AText.size() + 1);
    GlobalUnlock(g);
    SetClipboardData(CF_TEXT, g);
    CloseClipboard();
  }
  static String Clipboard() {
    String text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
      auto g = reinterpret_cast<HGLOBAL>(h);
      text = static_cast<const char*>(GlobalLock(g));
      GlobalUnlock(g);
    }
    CloseClipboard();
    return text;
  }
  // Whether the inner edit's window shows (it is hidden by clipping it away).
  static bool InnerShown(TcxCustomTextEdit* AEdit) {
    TcxContainerInnerControlBounds clip = AEdit->LastInnerControlBounds();
    return clip.IsEmpty || !IsRectEmpty(&clip.Rect);
  }
  TEdit* Other = nullptr;
};

// ---- text, display value and edit value ----------------------------------------------------------------------

TEST_F(TextEditControlTest, TypingChangesTheTextAndLeavingValidatesIt) {
  TcxTextEdit* edit = Make();
  Focus(edit);
  Type("Привет");
  EXPECT_EQ(edit->Text(), String("Привет"));
  EXPECT_TRUE(VarIsNull(edit->EditValue()));  // the value follows on validation only
  EXPECT_TRUE(edit->ModifiedAfterEnter());
  Focus(Other);
  EXPECT_EQ(VarToStr(edit->EditValue()), String("Привет"));
  EXPECT_FALSE(edit->ModifiedAfterEnter());
}

TEST_F(TextEditControlTest, AssignedValueIsShownAndTextAssignmentSetsTheValue) {
  TcxTextEdit* edit = Make();
  edit->SetEditValue(Variant(String("значение")));
  EXPECT_EQ(edit->Text(), String("значение"));
  edit->Properties()->SetCharCase(ecUpperCase);
  edit->SetText("новое");
  EXPECT_EQ(edit->Text(), String("НОВОЕ"));
  EXPECT_EQ(VarToStr(edit->EditValue()), String("НОВОЕ"));
  EXPECT_FALSE(edit->Modified());
}

// ---- maximum length -------------------------------------------------------------------------------------------

struct TextEditPasteCase {
  const char* name;
  int32_t maxLength;
  const char* text;
  int32_t selStart, selLength;
  const char* clipboard;
  const char* result;
  int32_t caret;
};

TEST_F(TextEditControlTest, KeyboardPasteKeepsTheMaximumLengthInCharacters) {
  const std::vector<TextEditPasteCase> cases = {
      {"room for one", 5, "абвг", 4, 0, "деж", "абвгд", 5},
      {"before the caret already too long", 5, "абвгдеж", 6, 0, "х", "абвгдеж", 6},
      {"no limit", 0, "аб", 2, 0, "вгд", "абвгд", 5},
      {"replacing the selection", 3, "аб", 0, 2, "вгде", "вгд", 3},
      {"a full text takes nothing more", 4, "абвг", 1, 0, "x", "абвг", 1},
      {"inside, up to the limit", 4, "абв", 1, 0, "xyz", "аxбв", 2},
      {"latin and cyrillic count alike", 4, "ab", 2, 0, "вгд", "abвг", 4},
  };
  for (const TextEditPasteCase& c : cases) {
    TcxTextEdit* edit = Make();
    edit->Properties()->SetMaxLength(c.maxLength);
    edit->SetText(c.text);  // programmatic text is not limited
    Focus(edit);
    edit->SetSelection(c.selStart, c.selLength);
    PutClipboard(c.clipboard);
    Chord(VK_CONTROL, 'V');
    EXPECT_EQ(edit->Text(), String(c.result)) << c.name;
    EXPECT_EQ(edit->SelStart(), c.caret) << c.name;
    edit->Free();
    Idle();
  }
}

TEST_F(TextEditControlTest, ProgrammaticInsertionIgnoresTheMaximumLength) {
  TcxTextEdit* edit = Make();
  edit->Properties()->SetMaxLength(3);
  Focus(edit);
  edit->SetSelection(0, 0);
  edit->SetSelText("абвгд");
  EXPECT_EQ(edit->Text(), String("абвгд"));
  EXPECT_EQ(edit->SelStart(), 5);
  EXPECT_EQ(VarToStr(edit->EditValue()), String("абвгд"));
  // Typing is limited by the native control itself.
  edit->SetText("");
  Type("абвгд");
  EXPECT_EQ(edit->Text(), String("абв"));
}

TEST_F(TextEditControlTest, PasteThatTheListRefusesChangesNothing) {
  auto* edit = Make<TTextEditCtlListEdit>();
  edit->ActiveProperties()->LookupItems()->Add("яблоко");
  edit->SetText("яблоко");
  Focus(edit);
  edit->SetSelection(6, 0);
  PutClipboard("x");
  Chord(VK_CONTROL, 'V');
  EXPECT_EQ(edit->Text(), String("яблоко"));
  EXPECT_EQ(edit->SelStart(), 6);
  // A paste that gives an item is taken (the case of the list's spelling does not matter).
  edit->SetSelection(0, 6);
  PutClipboard("ЯБЛОКО");
  Chord(VK_CONTROL, 'V');
  EXPECT_EQ(edit->Text(), String("ЯБЛОКО"));
}

// ---- thousand separators ---------------------------------------------------------------------------------------

TEST_F(TextEditControlTest, ThousandSeparatorsFollowTypingAndTheCaretStaysAmongTheSameDigits) {
  const std::string nb = kTextEditCtlNbsp;
  auto* edit = Make<TTextEditCtlNumberEdit>();
  Focus(edit);
  Type("12345");
  EXPECT_EQ(edit->Text(), String("12" + nb + "345"));
  EXPECT_EQ(edit->SelStart(), 6);
  Key(VK_LEFT);
  Key(VK_LEFT);
  Key(VK_LEFT);
  ASSERT_EQ(edit->SelStart(), 3);  // before "345"
  Type("9");
  EXPECT_EQ(edit->Text(), String("129" + nb + "345"));
  EXPECT_EQ(edit->SelStart(), 3);  // still before "345"
  Type("8");
  EXPECT_EQ(edit->Text(), String("1" + nb + "298" + nb + "345"));
  EXPECT_EQ(edit->SelStart(), 5);
  Key(VK_BACK);
  EXPECT_EQ(edit->Text(), String("129" + nb + "345"));
  EXPECT_EQ(edit->SelStart(), 3);
  Key(VK_END);
  Type(",5");
  EXPECT_EQ(edit->Text(), String("129" + nb + "345,5"));
  EXPECT_EQ(edit->SelStart(), 9);
}

// ---- password echo -----------------------------------------------------------------------------------------------

TEST_F(TextEditControlTest, PasswordIsShownHiddenAndKeptAsTyped) {
  TcxTextEdit* edit = Make();
  edit->Properties()->SetEchoMode(eemPassword);
  TcxTextEdit* shown = Make(60);
  Focus(edit);
  Type("секрет");
  TcxCustomInnerTextEdit* inner = edit->InnerTextEditControl();
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(SendMessage(inner->Handle(), EM_GETPASSWORDCHAR, 0, 0), LRESULT('*'));
  EXPECT_EQ(edit->Text(), String("секрет"));
  // Copying a password puts nothing on the clipboard.
  PutClipboard("before");
  edit->SelectAll();
  Chord(VK_CONTROL, 'C');
  EXPECT_EQ(Clipboard(), String("before"));
  Focus(Other);
  EXPECT_EQ(VarToStr(edit->EditValue()), String("секрет"));
  EXPECT_EQ(edit->TextViewInfo()->Text, String("******"));  // what painting without the inner edit shows

  // The window shows exactly what a plain editor showing six asterisks shows.
  shown->SetText("******");
  Idle();
  int differences = 0;
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 200; ++x) {
      HWND form = Form->Handle();
      if (headless::Pixel(form, edit->Left() + x, edit->Top() + y) !=
          headless::Pixel(form, shown->Left() + x, shown->Top() + y))
        ++differences;
    }
  EXPECT_EQ(differences, 0);
}

// ---- live inner edit or painted text ---------------------------------------------------------------------------------

TEST_F(TextEditControlTest, RightAlignedEditorShowsTheInnerEditOnlyWhileActive) {
  TcxTextEdit* left = Make();
  TcxTextEdit* right = Make(60);
  right->Properties()->Alignment()->SetHorz(taRightJustify);
  right->SetText("справа");
  Idle();
  EXPECT_TRUE(left->NeedsInnerEdit());
  EXPECT_FALSE(right->NeedsInnerEdit());
  EXPECT_FALSE(InnerShown(right));  // clipped away
  EXPECT_EQ(right->TextViewInfo()->Text, String("справа"));
  EXPECT_EQ(right->TextViewInfo()->DrawTextFlags & TOF_HORZ_MASK, TOF_RIGHT);
  Focus(right);
  EXPECT_TRUE(right->NeedsInnerEdit());
  EXPECT_TRUE(InnerShown(right));
  Focus(Other);
  EXPECT_FALSE(right->NeedsInnerEdit());
  right->Properties()->SetHideCursor(true);
  Focus(right);
  EXPECT_FALSE(right->NeedsInnerEdit());  // no typing: always painted
}

// ---- keys and the inner edit's notifications ------------------------------------------------------------------------

TEST_F(TextEditControlTest, InnerEditReportsKeysCharactersAndChangesInOrder) {
  TcxTextEdit* edit = Make();
  TTextEditCtlLog log;
  edit->OnKeyDown = TKeyEvent(&log, &TTextEditCtlLog::KeyDown);
  edit->OnKeyPress = TKeyPressEvent(&log, &TTextEditCtlLog::KeyPress);
  edit->OnKeyUp = TKeyEvent(&log, &TTextEditCtlLog::KeyUp);
  edit->OnAfterKeyDown = TKeyEvent(&log, &TTextEditCtlLog::AfterKeyDown);
  edit->Properties()->OnChange = TNotifyEvent(&log, &TTextEditCtlLog::Change);
  Focus(edit);
  log.Lines.clear();
  Key('A');
  // A character key does nothing in the native control by itself (its character does), so the host hears
  // of the key as well.
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"KeyDown 65", "AfterKeyDown 65", "KeyPress 97", "Change",
                                                 "KeyUp 65"}));
  // Left moves the caret: the native control acted, no after-key event.
  log.Lines.clear();
  Key(VK_LEFT);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"KeyDown 37", "KeyUp 37"}));
  // Left at the start: ignored by the native control, offered to the host exactly once.
  log.Lines.clear();
  Key(VK_LEFT);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"KeyDown 37", "AfterKeyDown 37", "KeyUp 37"}));
  // Up has no use in a single line: the host gets it and the caret stays.
  log.Lines.clear();
  Key(VK_END);
  Key(VK_UP);
  EXPECT_EQ(log.Lines,
            (std::vector<std::string>{"KeyDown 35", "KeyUp 35", "KeyDown 38", "AfterKeyDown 38", "KeyUp 38"}));
  EXPECT_EQ(edit->SelStart(), 1);
}

TEST_F(TextEditControlTest, EnterAndTabNeverReachTheNativeControl) {
  TcxTextEdit* edit = Make();
  Focus(edit);
  edit->SetBeepOnEnter(false);
  int beeps = headless::BeepCount();
  Key(VK_RETURN);
  EXPECT_EQ(headless::BeepCount(), beeps);
  edit->SetBeepOnEnter(true);
  Key(VK_RETURN);
  EXPECT_EQ(headless::BeepCount(), beeps + 1);  // the single-line control's own beep
  // Tab moves the focus on instead of typing a tab character.
  Type("ab");
  Key(VK_TAB);
  EXPECT_EQ(edit->Text(), String("ab"));
  EXPECT_FALSE(edit->IsEditFocused());
}

TEST_F(TextEditControlTest, AutoSelectSelectsTheTextOnEnteringByKeyboardNotByClick) {
  TcxTextEdit* edit = Make();
  edit->SetTabOrder(1);
  Other->SetTabOrder(0);
  auto* label = New<TLabel>(Form);
  label->SetParent(Form);
  label->SetBounds(10, 60, 60, 15);
  label->SetCaption("&Name");
  label->SetFocusControl(edit);
  edit->SetText("backup folder");
  IcxInnerTextEdit* inner = edit->GetInnerTextEdit();
  // Keys go through the program's loop, where Tab and accelerators become focus moves.
  auto Key = [](int vk) {
    headless::KeyPress(vk);
    Application->ProcessMessages();
    Idle();
  };
  auto Chord = [](int modifier, int vk) {
    headless::KeyDown(modifier);
    headless::KeyPress(vk);
    headless::KeyUp(modifier);
    Application->ProcessMessages();
    Idle();
  };
  auto leave = [&] {
    Focus(Other);
    inner->SetSelStart(3);  // a caret left inside the text must not survive the next entry
  };

  // Tab from the field before it.
  leave();
  Key(VK_TAB);
  ASSERT_TRUE(edit->IsEditFocused());
  EXPECT_EQ(inner->GetSelStart(), 0);
  EXPECT_EQ(inner->GetSelLength(), 13) << "Tab";

  // Shift+Tab from the field after it comes back the same way.
  Focus(edit);
  Chord(VK_SHIFT, VK_TAB);
  ASSERT_TRUE(Other->Focused());
  Key(VK_TAB);
  EXPECT_EQ(inner->GetSelLength(), 13) << "Tab again";

  // The label's accelerator.
  leave();
  Chord(VK_MENU, 'N');
  ASSERT_TRUE(edit->IsEditFocused());
  EXPECT_EQ(inner->GetSelLength(), 13) << "accelerator";

  // A click puts the caret where it lands and selects nothing.
  leave();
  const POINT at = edit->ClientToScreen(POINT{8, 10});
  headless::MouseMove(at.x, at.y);
  headless::MouseDown(VK_LBUTTON);
  headless::MouseUp(VK_LBUTTON);
  Idle();
  ASSERT_TRUE(edit->IsEditFocused());
  EXPECT_EQ(inner->GetSelLength(), 0) << "click";
  EXPECT_LT(inner->GetSelStart(), 3) << "the caret is where the click landed, near the start";

  // Off, the text keeps the caret where entering puts it.
  edit->Properties()->SetAutoSelect(false);
  leave();
  Key(VK_TAB);
  EXPECT_EQ(inner->GetSelLength(), 0) << "AutoSelect off";
}

TEST_F(TextEditControlTest, EscRestoresTheValueOfEntering) {
  TcxTextEdit* edit = Make();
  edit->SetEditValue(Variant(String("старое")));
  TTextEditCtlLog log;
  edit->OnKeyPress = TKeyPressEvent(&log, &TTextEditCtlLog::KeyPress);
  Focus(edit);
  edit->SelectAll();
  Type("новое");
  EXPECT_EQ(edit->Text(), String("новое"));
  log.Lines.clear();
  Key(VK_ESCAPE);
  EXPECT_EQ(edit->Text(), String("старое"));
  EXPECT_EQ(VarToStr(edit->EditValue()), String("старое"));
  EXPECT_FALSE(edit->ModifiedAfterEnter());
  EXPECT_TRUE(log.Lines.empty());  // the Esc character that reset the value is swallowed
  // Without changes Esc passes through.
  Key(VK_ESCAPE);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"KeyPress 27"}));
}

// ---- clipboard ------------------------------------------------------------------------------------------------------

TEST_F(TextEditControlTest, ClipboardKeysAndOperations) {
  TcxTextEdit* edit = Make();
  edit->SetText("один два");
  Focus(edit);
  edit->SetSelection(0, 4);
  Chord(VK_CONTROL, 'C');
  EXPECT_EQ(Clipboard(), String("один"));
  Chord(VK_CONTROL, 'X');
  EXPECT_EQ(edit->Text(), String(" два"));
  EXPECT_TRUE(edit->ModifiedAfterEnter());
  edit->SetSelection(4, 0);
  Chord(VK_SHIFT, VK_INSERT);
  EXPECT_EQ(edit->Text(), String(" дваодин"));
  EXPECT_EQ(edit->SelStart(), 8);
  // Programmatic operations.
  edit->SetSelection(0, 1);
  edit->CutToClipboard();
  EXPECT_EQ(Clipboard(), String(" "));
  EXPECT_EQ(edit->Text(), String("дваодин"));
  EXPECT_EQ(VarToStr(edit->EditValue()), String("дваодин"));  // programmatic changes take the value along
  PutClipboard("три");
  edit->SetSelection(0, 3);
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), String("триодин"));
  edit->SetSelection(3, 4);
  SendMessage(edit->Handle(), WM_CLEAR, 0, 0);
  EXPECT_EQ(edit->Text(), String("три"));
}

TEST_F(TextEditControlTest, ReadOnlyEditorCopiesOnCutAndRefusesPaste) {
  TcxTextEdit* edit = Make();
  edit->SetText("только");
  edit->Properties()->SetReadOnly(true);
  Focus(edit);
  edit->SetSelection(0, 3);
  PutClipboard("x");
  // The cut key is a change, which a read-only editor refuses before the native control sees it.
  Chord(VK_CONTROL, 'X');
  EXPECT_EQ(Clipboard(), String("x"));
  EXPECT_EQ(edit->Text(), String("только"));
  // A cut request (a menu's) becomes a copy.
  SendMessage(edit->InnerTextEditControl()->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(Clipboard(), String("тол"));
  EXPECT_EQ(edit->Text(), String("только"));
  Chord(VK_CONTROL, 'V');
  EXPECT_EQ(edit->Text(), String("только"));
  Type("z");
  EXPECT_EQ(edit->Text(), String("только"));
}

// ---- window text ---------------------------------------------------------------------------------------------------------

TEST_F(TextEditControlTest, WindowTextMessagesCopyWholeCharactersOnly) {
  TcxTextEdit* edit = Make();
  edit->SetText("абв");
  HWND h = edit->Handle();
  struct Case {
    WPARAM size;
    LRESULT result;
    const char* copied;
  };
  for (const Case& c : {Case{1, 0, ""}, Case{4, 2, "а"}, Case{5, 4, "аб"}, Case{64, 6, "абв"}}) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(SendMessage(h, WM_GETTEXT, c.size, reinterpret_cast<LPARAM>(buffer)), c.result) << c.size;
    EXPECT_STREQ(buffer, c.copied) << c.size;
  }
  char untouched = 'x';
  EXPECT_EQ(SendMessage(h, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(&untouched)), 0);
  EXPECT_EQ(untouched, 'x');
  EXPECT_EQ(SendMessage(h, WM_GETTEXTLENGTH, 0, 0), 6);
  EXPECT_EQ(SendMessage(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("где")), 1);
  EXPECT_EQ(edit->Text(), String("где"));
  auto* list = Make<TTextEditCtlListEdit>(60);
  list->ActiveProperties()->LookupItems()->Add("да");
  EXPECT_EQ(SendMessage(list->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("нет")), 0);
  EXPECT_EQ(SendMessage(list->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ДА")), 1);
}

// ---- more keys, caret, hints, in-place -----------------------------------------------------------------------------------------

TEST_F(TextEditControlTest, LeftAndRightCollapseASelectionToItsEnds) {
  TcxTextEdit* edit = Make();
  edit->SetText("абвгде");
  Focus(edit);
  edit->SetSelection(1, 3);
  Key(VK_RIGHT);
  EXPECT_EQ(edit->SelStart(), 4);
  EXPECT_EQ(edit->SelLength(), 0);
  edit->SetSelection(1, 3);
  Key(VK_LEFT);
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 0);
  // With Shift the native control extends the selection instead.
  headless::KeyDown(VK_SHIFT);
  headless::KeyPress(VK_RIGHT);
  headless::KeyUp(VK_SHIFT);
  Idle();
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 1);
}

TEST_F(TextEditControlTest, CaretCharIndexFollowsTheCaret) {
  TcxTextEdit* edit = Make();
  edit->SetText("абвгде");
  Focus(edit);
  for (int32_t position : {0, 2, 5}) {
    edit->SetSelection(position, 0);
    Idle();
    EXPECT_EQ(edit->GetCaretCharIndex(), position);
  }
}

TEST_F(TextEditControlTest, NoTypingEditorPaintsItsTextAndRefusesKeys) {
  TcxTextEdit* edit = Make();
  edit->Properties()->SetHideCursor(true);
  edit->SetText("только показ");
  Focus(edit);
  EXPECT_FALSE(edit->NeedsInnerEdit());
  EXPECT_FALSE(edit->SupportsEditing());
  Type("x");
  EXPECT_EQ(edit->Text(), String("только показ"));
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 0);
  EXPECT_EQ(edit->TextViewInfo()->Text, String("только показ"));
  EXPECT_TRUE(edit->DoubleBuffered());  // painted text: no flicker
}

TEST_F(TextEditControlTest, LongPaintedTextAsksForAHint) {
  TcxTextEdit* edit = Make();
  edit->Properties()->Alignment()->SetHorz(taRightJustify);
  edit->SetText("короткий");
  Idle();
  TcxCustomTextEditViewInfo* info = edit->TextViewInfo();
  POINT inside{info->TextOutRect.left + 5, info->TextOutRect.top + 3};
  String text;
  bool multiLine = true;
  RECT r{};
  EXPECT_FALSE(info->NeedShowHintInRect(edit->ControlCanvas(), inside, RECT{}, text, multiLine, r));
  edit->SetText(String(60, 'W'));
  Idle();
  info = edit->TextViewInfo();
  EXPECT_TRUE(info->NeedShowHintInRect(edit->ControlCanvas(), inside, RECT{}, text, multiLine, r));
  EXPECT_EQ(text, String(60, 'W'));
  EXPECT_FALSE(multiLine);
  EXPECT_EQ(r.left, info->TextOutRect.left);
  POINT outside{info->ClientRect.right + 1, inside.y};
  EXPECT_FALSE(info->NeedShowHintInRect(edit->ControlCanvas(), outside, RECT{}, text, multiLine, r));
}

TEST_F(TextEditControlTest, InplaceEditorActivatedByAKeyTypesIt) {
  auto* edit = TcxCustomEdit::CreateInplace<TcxTextEdit>(nullptr);
  edit->SetVisible(false);
  edit->SetParent(Form);
  edit->SetBoundsRect(RECT{10, 100, 210, 121});
  edit->SetEditValue(Variant(String("ячейка")));
  Idle();
  TcxCustomEditData* data = nullptr;
  edit->ActivateByKey(U'ж', data);
  Idle();
  EXPECT_TRUE(edit->IsEditFocused());
  EXPECT_EQ(edit->Text(), String("ж"));  // the whole text was selected and replaced
  EXPECT_EQ(VarToStr(edit->EditValue()), String("ячейка"));  // typing leaves the value until validation
  // Enter in a cell never reaches the native control (no beep).
  int beeps = headless::BeepCount();
  Key(VK_RETURN);
  EXPECT_EQ(headless::BeepCount(), beeps);
  if (data) data->Free();
  edit->Free();
}

TEST_F(TextEditControlTest, RegionalFormatChangeReformatsTheValue) {
  auto* edit = Make<TTextEditCtlNumberEdit>();
  edit->SetEditValue(Variant(1234.5));
  EXPECT_EQ(edit->Text(), String("1234,5"));
  TFormatSettings english = TFormatSettings::English();
  SetFormatSettings(english);
  Idle();
  EXPECT_EQ(edit->Text(), String("1234.5"));
}

// ---- a picture -------------------------------------------------------------------------------------------------------------

// Four editors as a user sees them: plain, password, right-aligned and inactive (painted text), and focused
// with part of its text selected.
TEST_F(TextEditControlTest, EditorsLookRightOnAForm) {
  TcxTextEdit* plain = Make(10);
  plain->SetText("Обычный текст");
  TcxTextEdit* password = Make(40);
  password->Properties()->SetEchoMode(eemPassword);
  password->SetText("секрет");
  TcxTextEdit* right = Make(70);
  right->Properties()->Alignment()->SetHorz(taRightJustify);
  right->SetText("1 234,50");
  TcxTextEdit* focused = Make(100);
  focused->SetText("выделено здесь");
  Focus(focused);
  focused->SetSelection(0, 8);
  Idle();
  EXPECT_FALSE(right->NeedsInnerEdit());
  const char* dir = std::getenv("VORN_ARTIFACT_DIR");
  if (dir) headless::SavePng(Form->Handle(), (std::string(dir) + "/TextEditForm.png").c_str());
  // The painted right-aligned text ends two pixels inside the client area, the plain text starts one inside.
  RECT rightText = right->TextViewInfo()->TextOutRect;
  EXPECT_EQ(right->TextViewInfo()->ClientRect.right - rightText.right, 2);
}

// ---- form streaming --------------------------------------------------------------------------------------------------------

// A form that holds a text editor is written and read back as the program's form resources are.
TEST_F(TextEditControlTest, SettingsSurviveTheFormFormat) {
  cxTextEditInitialize();
  TcxTextEdit* edit = Make();
  edit->SetName("Password");
  edit->Properties()->SetEchoMode(eemPassword);
  edit->Properties()->SetMaxLength(12);
  edit->Properties()->SetCharCase(ecLowerCase);
  edit->Properties()->LookupItems()->Add("один");
  edit->SetBeepOnEnter(false);
  Other->SetName("Other");
  String text = ComponentToText(Form);
  EXPECT_NE(text.find("object Password: TcxTextEdit"), String::npos) << text;
  EXPECT_NE(text.find("EchoMode = eemPassword"), String::npos) << text;
  EXPECT_NE(text.find("MaxLength = 12"), String::npos) << text;
  EXPECT_EQ(text.find("TcxCustomInnerTextEdit"), String::npos) << text;  // the inner edit is the editor's own
  TForm* copy = New<TForm>(Application, 0);
  ReadComponentFromText(text, copy);
  auto* read = dynamic_cast<TcxTextEdit*>(copy->FindComponent("Password"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Properties()->EchoMode(), eemPassword);
  EXPECT_EQ(read->Properties()->MaxLength(), 12);
  EXPECT_TRUE(read->Properties()->AssignedValues()->MaxLength());
  EXPECT_EQ(read->Properties()->CharCase(), ecLowerCase);
  EXPECT_EQ(read->Properties()->LookupItems()->Count(), 1);
  EXPECT_FALSE(read->BeepOnEnter());
}

// ---- registration --------------------------------------------------------------------------------------------------------

TEST_F(TextEditControlTest, TextEditorKindIsRegisteredOnce) {
  cxTextEditInitialize();
  cxTextEditInitialize();
  TcxRegisteredClasses* kinds = GetRegisteredEditProperties();
  int32_t index = kinds->IndexOfClass(TcxTextEditProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(kinds->Descriptions(index), String("TextEdit|Represents a single line text editor"));
  int found = 0;
  for (int32_t i = 0; i < kinds->Count(); ++i)
    if (kinds->Items(i) == TcxTextEditProperties::StaticClass()) ++found;
  EXPECT_EQ(found, 1);
  edit_test::Owned<TcxTextEditProperties> properties(New<TcxTextEditProperties>(nullptr));
  EXPECT_EQ(properties->GetContainerClass(), TcxTextEdit::StaticClass());
  EXPECT_EQ(FindClass("TcxTextEdit"), TcxTextEdit::StaticClass());
}

}  // namespace
