// The painted calculator on the headless screen, worked only through real messages: key sequences typed
// into it and clicks on its painted buttons, the key map, the button layout at two sizes, the faces and
// captions read back from the screen, and a picture of it for a person to look at.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "forms/PngImage.h"
#include "forms/StdCtrls.h"
#include "rtl/FormatSettings.h"
#include "rtl/Math.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxCalc.h"
#include "winapi/Headless.h"

namespace calc_test {

// Keeps the display in a string, as the drop-down keeps it in the editor's text.
class TCalcTestCalculator : public TcxCustomCalculator {
  RTL_CLASS(TCalcTestCalculator, TcxCustomCalculator)
public:
  using TcxCustomCalculator::TcxCustomCalculator;
  String Display;
  int DisplayWrites = 0;
  TcxCustomLookAndFeelPainterClass Painter = nullptr;  // the base's painter when null
  String GetDisplayText() override { return Display; }
  void SetDisplayText(const String& AText) override {
    Display = AText;
    ++DisplayWrites;
  }
  TcxCustomLookAndFeelPainterClass GetButtonPainter() override {
    return Painter ? Painter : TcxCustomCalculator::GetButtonPainter();
  }
};

uint32_t CalcRgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}

void CalcSetSysColor(int index, COLORREF c) { SetSysColors(1, &index, &c); }

void CalcPutClipboard(const char* text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
  std::memcpy(GlobalLock(g), text, strlen(text) + 1);
  GlobalUnlock(g);
  SetClipboardData(CF_TEXT, g);
  CloseClipboard();
}

std::string CalcClipboardText() {
  std::string s;
  if (!OpenClipboard(nullptr)) return s;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    auto* p = static_cast<const char*>(GlobalLock(static_cast<HGLOBAL>(h)));
    if (p) s.assign(p, strnlen(p, GlobalSize(static_cast<HGLOBAL>(h))));
    GlobalUnlock(static_cast<HGLOBAL>(h));
  }
  CloseClipboard();
  return s;
}

class CalculatorTest : public ::testing::Test {
protected:
  void SetUp() override {
    SavedFormats = FormatSettings();
    headless::Init(800, 600);
    CalcSetSysColor(COLOR_BTNFACE, RGB(212, 208, 200));
    CalcSetSysColor(COLOR_WINDOW, RGB(255, 255, 255));
    CalcSetSysColor(COLOR_BTNSHADOW, RGB(128, 128, 128));
    CalcSetSysColor(COLOR_BTNHIGHLIGHT, RGB(250, 250, 250));
    CalcSetSysColor(COLOR_BTNTEXT, RGB(0, 0, 0));
    CalcSetSysColor(COLOR_3DDKSHADOW, RGB(64, 64, 64));
    CalcSetSysColor(COLOR_3DLIGHT, RGB(230, 226, 220));
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(50, 50, 500, 360);
    Calc = MakeCalculator();
    Form->Show();
    Idle();
    Calc->SetFocus();
    Idle();
  }
  void TearDown() override {
    // The clipboard outlives the window system's reset: leave it empty.
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    DoneForms();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
    SetFormatSettings(SavedFormats);
  }
  TCalcTestCalculator* MakeCalculator() {
    auto* c = New<TCalcTestCalculator>(Form);
    c->SetLeft(10);
    c->SetTop(10);
    c->SetParent(Form);
    return c;
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  static void Ctrl(int vk) {
    headless::KeyDown(VK_CONTROL);
    headless::KeyPress(vk);
    headless::KeyUp(VK_CONTROL);
  }
  // Types a sequence into the focused calculator: characters as typed text, braces name keys
  // ({Enter} {Esc} {Del} {Back} {F9} {^L} {^M} {^P} {^R} {^C} {^V}).
  static void Keys(const std::string& seq) {
    for (size_t i = 0; i < seq.size(); ++i) {
      if (seq[i] == '{') {
        size_t end = seq.find('}', i);
        std::string key = seq.substr(i + 1, end - i - 1);
        i = end;
        if (key == "Enter") headless::KeyPress(VK_RETURN);
        else if (key == "Esc") headless::KeyPress(VK_ESCAPE);
        else if (key == "Del") headless::KeyPress(VK_DELETE);
        else if (key == "Back") headless::KeyPress(VK_BACK);
        else if (key == "F9") headless::KeyPress(VK_F9);
        else if (key.size() == 2 && key[0] == '^') Ctrl(key[1]);
        else ADD_FAILURE() << "unknown key " << key;
      } else {
        char text[2] = {seq[i], 0};
        headless::TypeText(text);
      }
      Idle();
    }
  }
  POINT Centre(TcxCalcButtonKind b) {
    RECT r = Calc->Button(b).BtnRect;
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void ClickButton(TcxCalcButtonKind b) {
    POINT p = Centre(b);
    headless::ClickAt(Calc->Handle(), p.x, p.y);
    Idle();
  }
  void MoveTo(int x, int y) {
    POINT p = Calc->ClientToScreen(POINT{x, y});
    headless::MouseMove(p.x, p.y);
    Idle();
  }
  uint32_t Px(int x, int y) { return headless::Pixel(Calc->Handle(), x, y); }
  // How many pixels of the button's inside come close to this colour.
  int CountIn(TcxCalcButtonKind b, uint32_t rgb) {
    RECT r = Calc->Button(b).BtnRect;
    int n = 0;
    for (int y = r.top + 2; y < r.bottom - 2; ++y)
      for (int x = r.left + 2; x < r.right - 2; ++x)
        if (Near(Px(x, y), rgb)) ++n;
    return n;
  }
  // The pixel of the button's inside that stands farthest from the face colour.
  uint32_t InkOf(TcxCalcButtonKind b) {
    RECT r = Calc->Button(b).BtnRect;
    const uint32_t face = CalcRgb(clBtnFace);
    uint32_t ink = face;
    int best = -1;
    for (int y = r.top + 3; y < r.bottom - 3; ++y)
      for (int x = r.left + 3; x < r.right - 3; ++x) {
        uint32_t p = Px(x, y);
        int d = Distance(p, face);
        if (d > best) best = d, ink = p;
      }
    return ink;
  }
  static int Distance(uint32_t a, uint32_t b) {
    int d = 0;
    for (int shift : {0, 8, 16}) d += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    return d;
  }
  static bool Near(uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
      if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 0x30) return false;
    return true;
  }
  TFormatSettings SavedFormats;
  TForm* Form = nullptr;
  TCalcTestCalculator* Calc = nullptr;
};

// ---- the machine, by keys ------------------------------------------------------------------------------

struct CalcKeyCase {
  const char* name;
  const char* keys;
  const char* display;
  int beeps;
};

TEST_F(CalculatorTest, KeySequencesTable) {
  // The default profile is Russian: the decimal separator is ",".
  const CalcKeyCase cases[] = {
      {"add", "2+3=", "5", 0},
      {"operand is the display", "2+=", "4", 0},
      {"second operator replaces the first", "2+*3=", "6", 0},
      {"repeated equals computes nothing more", "2+3==", "5", 0},
      {"chain", "2+3*4=", "20", 0},
      {"enter is equals", "7-9{Enter}", "-2", 0},
      {"percent of the operand", "50+10%", "55", 0},
      {"percent as a factor", "50*10%", "5", 0},
      {"percent of a difference", "200-10%", "180", 0},
      {"division by zero", "5/0=", "Ошибка", 1},
      {"error keeps until cleared", "5/0=7+", "Ошибка", 3},
      {"clear recovers", "5/0=c2+3=", "5", 1},
      {"esc clears", "12{Esc}", "0", 0},
      {"delete clears the entry", "12+3{Del}4=", "4", 0},
      {"square root", "9@", "3", 0},
      {"square root of a negative", "9{F9}@", "Ошибка", 1},
      {"root of the operand keeps the sum", "7+9@=", "10", 0},
      {"reciprocal", "4r", "0,25", 0},
      {"reciprocal of zero", "0r", "Ошибка", 1},
      {"sign", "5{F9}", "-5", 0},
      {"sign keeps typing", "5{F9}3", "-53", 0},
      {"sign of zero", "{F9}", "0", 0},
      {"backspace", "123{Back}", "12", 0},
      {"backspace to zero", "7{Back}", "0", 0},
      {"backspace of a negative digit", "5{F9}{Back}", "0", 0},
      {"comma", "1,5+1,5=", "3", 0},
      {"point types the locale separator", "1.25", "1,25", 0},
      {"one separator only", "1,,5", "1,5", 0},
      {"separator first", ",5", "0,5", 0},
      {"zero stays zero", "000", "0", 0},
      {"fifteen digits", "1234567890123456", "123456789012345", 1},
      {"fifteen digits after a minus", "123456789012345{F9}6", "-123456789012345", 1},
      {"memory store and recall", "7{^M}c{^R}", "7", 0},
      {"recalled value stays editable", "7{^M}c{^R}5", "75", 0},
      {"memory add", "7{^M}3{^P}c{^R}", "10", 0},
      {"memory clear", "7{^M}{^L}{^R}", "0", 0},
      {"ctrl+m stores and works no equals", "2+3{^M}", "3", 0},
      {"equals after ctrl+m completes the sum", "2+3{^M}=", "5", 0},
      {"overflow is an error", "99999999999999*=*=*=*=*=", "Ошибка", 1},
      {"no conversion error after an overflow", "99999999999999*=*=*=*=*=+", "Ошибка", 2},
      {"squares by equals", "12*=", "144", 0},
  };
  for (const CalcKeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    Calc->LayoutButtons();  // a fresh machine: no memory, no pending operator
    Calc->Display = "0";
    int beeps = headless::BeepCount();
    Keys(c.keys);
    EXPECT_EQ(Calc->Display, c.display);
    EXPECT_EQ(headless::BeepCount() - beeps, c.beeps);
  }
}

TEST_F(CalculatorTest, MemoryButtonsAreGrayedExactlyWhileMemoryIsZero) {
  EXPECT_TRUE(Calc->Button(cbMC).Grayed);
  EXPECT_TRUE(Calc->Button(cbMR).Grayed);
  Keys("7{^M}");
  EXPECT_EQ(Calc->Memory(), 7);
  EXPECT_FALSE(Calc->Button(cbMC).Grayed);
  EXPECT_FALSE(Calc->Button(cbMR).Grayed);
  EXPECT_FALSE(Calc->Button(cbMS).Grayed);
  Keys("c{^M}");  // storing 0 grays them again
  EXPECT_TRUE(Calc->Button(cbMC).Grayed);
  EXPECT_TRUE(Calc->Button(cbMR).Grayed);
  Keys("4{^P}{^L}");
  EXPECT_EQ(Calc->Memory(), 0);
  EXPECT_TRUE(Calc->Button(cbMR).Grayed);
}

TEST_F(CalculatorTest, LocaleDecidesTheSeparatorOfTheButtonAndOfTyping) {
  SetFormatSettings(TFormatSettings::English());
  Calc->LayoutButtons();
  EXPECT_EQ(Calc->Button(cbDecimal).Text, ".");
  Calc->Display = "0";
  Keys("1,5+1.25=");
  EXPECT_EQ(Calc->Display, "2.75");
  SetFormatSettings(TFormatSettings::Russian());
  Calc->LayoutButtons();
  EXPECT_EQ(Calc->Button(cbDecimal).Text, ",");
}

TEST_F(CalculatorTest, DisplayChangeAndResultEvents) {
  int changes = 0, results = 0, closes = 0;
  Calc->OnDisplayChange = [&](TObject*) { ++changes; };
  Calc->OnResult = [&](TObject*) { ++results; };
  Calc->OnHidePopup = [&](TObject*) { ++closes; };
  Keys("2+3");  // typing writes the text directly: no display-change event
  EXPECT_EQ(changes, 0);
  Keys("=");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(results, 1);
  EXPECT_EQ(closes, 1);
  Keys("10%");
  EXPECT_EQ(results, 2);
  EXPECT_EQ(closes, 1);  // only "=" asks to close
}

TEST_F(CalculatorTest, ButtonEventMayReplaceTheButton) {
  Calc->OnButtonClick = [](TObject*, TcxCalcButtonKind& b) {
    if (b == cbNum1) b = cbNum9;
  };
  Keys("11+1=");
  EXPECT_EQ(Calc->Display, "108");
}

TEST_F(CalculatorTest, HoldingBackspaceDeletesRepeatedlyAndHoldingADigitEntersOnce) {
  Keys("123456");
  headless::KeyDown(VK_BACK);
  headless::KeyDown(VK_BACK);
  headless::KeyDown(VK_BACK);
  Idle();
  EXPECT_EQ(Calc->KeyPressedButton(), cbBack);
  EXPECT_TRUE(Calc->Button(cbBack).Down);
  headless::KeyUp(VK_BACK);
  Idle();
  EXPECT_EQ(Calc->Display, "123");
  EXPECT_EQ(Calc->KeyPressedButton(), cbNone);
  EXPECT_FALSE(Calc->Button(cbBack).Down);
  headless::KeyDown('7');
  headless::KeyDown('7');
  headless::KeyDown('7');
  Idle();
  headless::KeyUp('7');
  Idle();
  EXPECT_EQ(Calc->Display, "1237");
}

TEST_F(CalculatorTest, CopyAndPasteThroughTheClipboard) {
  Keys("42,5{^C}");
  EXPECT_EQ(CalcClipboardText(), "42,5");
  CalcPutClipboard(" 12,5р. ");  // the currency string goes, the rest is trimmed
  Keys("{^V}");
  EXPECT_EQ(Calc->Display, "12,5");
  EXPECT_EQ(Calc->State(), ccsValid);
  Keys("3");
  EXPECT_EQ(Calc->Display, "12,53");
  CalcPutClipboard("abc");
  Keys("{^V}");
  EXPECT_EQ(Calc->Display, "0");
  Keys("5/0=");
  CalcPutClipboard("8");
  Keys("{^V}+1=");  // a good paste leaves the error status
  EXPECT_EQ(Calc->Display, "9");
}

// ---- the key map -----------------------------------------------------------------------------------------

struct CalcKeyMapCase {
  const char* name;
  int vk;
  bool ctrl;
  const char* text;  // typed instead of a key when set
  TcxCalcButtonKind button;
};

TEST_F(CalculatorTest, KeyMapTable) {
  const CalcKeyMapCase cases[] = {
      {"Backspace", VK_BACK, false, nullptr, cbBack},   {"Delete", VK_DELETE, false, nullptr, cbCancel},
      {"Esc", VK_ESCAPE, false, nullptr, cbClear},      {"C", 'C', false, nullptr, cbClear},
      {"Ctrl+C copies", 'C', true, nullptr, cbNone},   {"Ctrl+L", 'L', true, nullptr, cbMC},
      {"Ctrl+R", 'R', true, nullptr, cbMR},             {"Ctrl+M", 'M', true, nullptr, cbMS},
      {"Ctrl+P", 'P', true, nullptr, cbMP},             {"R", 'R', false, nullptr, cbRev},
      {"F9", VK_F9, false, nullptr, cbSign},            {"Enter", VK_RETURN, false, nullptr, cbEqual},
      {"L alone", 'L', false, nullptr, cbNone},         {"0", 0, false, "0", cbNum0},
      {"5", 0, false, "5", cbNum5},                     {"9", 0, false, "9", cbNum9},
      {"comma", 0, false, ",", cbDecimal},              {"point", 0, false, ".", cbDecimal},
      {"slash", 0, false, "/", cbDiv},                  {"star", 0, false, "*", cbMul},
      {"minus", 0, false, "-", cbSub},                  {"plus", 0, false, "+", cbAdd},
      {"at", 0, false, "@", cbSqrt},                    {"percent", 0, false, "%", cbPercent},
      {"equals", 0, false, "=", cbEqual},               {"letter", 0, false, "x", cbNone},
  };
  std::vector<TcxCalcButtonKind> clicked;
  // The handler notes the button and works nothing, so the cases do not disturb each other.
  Calc->OnButtonClick = [&](TObject*, TcxCalcButtonKind& b) {
    clicked.push_back(b);
    b = cbNone;
  };
  for (const CalcKeyMapCase& c : cases) {
    SCOPED_TRACE(c.name);
    clicked.clear();
    if (c.text) {
      headless::TypeText(c.text);
    } else {
      if (c.ctrl) headless::KeyDown(VK_CONTROL);
      headless::KeyDown(c.vk);
      Idle();
      // shown down while the key is held
      EXPECT_EQ(Calc->KeyPressedButton(), c.button);
      if (c.button != cbNone) {
        EXPECT_TRUE(Calc->Button(c.button).Down);
      }
      headless::KeyUp(c.vk);
      if (c.ctrl) headless::KeyUp(VK_CONTROL);
    }
    Idle();
    if (c.button == cbNone)
      EXPECT_TRUE(clicked.empty());
    else
      EXPECT_EQ(clicked, std::vector<TcxCalcButtonKind>{c.button});
    EXPECT_EQ(Calc->KeyPressedButton(), cbNone);
  }
}

// ---- the mouse -------------------------------------------------------------------------------------------

TEST_F(CalculatorTest, ClicksOnThePaintedButtonsWorkTheMachine) {
  for (TcxCalcButtonKind b : {cbNum1, cbNum2, cbDecimal, cbNum5, cbMul, cbNum4, cbEqual}) ClickButton(b);
  EXPECT_EQ(Calc->Display, "50");
  ClickButton(cbMS);
  ClickButton(cbClear);
  ClickButton(cbMR);
  ClickButton(cbSqrt);
  EXPECT_EQ(Calc->Display, "7,07106781186548");
  ClickButton(cbBack);
  ClickButton(cbCancel);
  EXPECT_EQ(Calc->Display, "0");
  ClickButton(cbMC);
  ClickButton(cbMR);  // grayed: the press does nothing
  EXPECT_EQ(Calc->Display, "0");
  EXPECT_EQ(Calc->Memory(), 0);
  // The window class takes no double clicks: a quick second click is a second press.
  POINT p = Centre(cbNum1);
  headless::DoubleClickAt(Calc->Handle(), p.x, p.y);
  Idle();
  EXPECT_EQ(Calc->Display, "11");
}

TEST_F(CalculatorTest, WindowStyles) {
  HWND h = Calc->Handle();
  EXPECT_NE(GetWindowLong(h, GWL_STYLE) & WS_TABSTOP, 0);
  EXPECT_NE(GetWindowLong(h, GWL_STYLE) & WS_CLIPCHILDREN, 0);
  EXPECT_EQ(GetWindowLong(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB);
  Calc->SetBorderStyle(bsSingle);
  Idle();
  h = Calc->Handle();
  EXPECT_NE(GetWindowLong(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(GetWindowLong(h, GWL_STYLE) & WS_BORDER, 0);
  EXPECT_FALSE(Calc->ControlStyle().Contains(csDoubleClicks));
  EXPECT_TRUE(Calc->ControlStyle().Contains(csOpaque));
}

TEST_F(CalculatorTest, PressShowsDownOnlyWhileOverTheButtonAndReleaseAwayDoesNothing) {
  Keys("12");
  POINT p = Centre(cbNum7);
  MoveTo(p.x, p.y);
  headless::MouseDown();
  Idle();
  EXPECT_TRUE(Calc->Tracking());
  EXPECT_EQ(Calc->MouseDownButton(), cbNum7);
  EXPECT_TRUE(Calc->Button(cbNum7).Down);
  MoveTo(Centre(cbNum8).x, p.y);
  EXPECT_FALSE(Calc->Button(cbNum7).Down);
  MoveTo(p.x, p.y);
  EXPECT_TRUE(Calc->Button(cbNum7).Down);
  MoveTo(Centre(cbNum8).x, p.y);
  headless::MouseUp();
  Idle();
  EXPECT_EQ(Calc->Display, "12");
  EXPECT_FALSE(Calc->Tracking());
  EXPECT_EQ(Calc->MouseDownButton(), cbNone);
  EXPECT_FALSE(Calc->Button(cbNum7).Down);
  // back over the button with no mouse button held: nothing is shown down
  MoveTo(p.x, p.y);
  EXPECT_FALSE(Calc->Button(cbNum7).Down);
  ClickButton(cbNum7);
  EXPECT_EQ(Calc->Display, "127");
  // the right button shows down but works nothing
  headless::ClickAt(Calc->Handle(), p.x, p.y, VK_RBUTTON);
  Idle();
  EXPECT_EQ(Calc->Display, "127");
}

TEST_F(CalculatorTest, HotButtonFollowsThePointerWhenThePainterTracksHot) {
  MoveTo(Centre(cbNum7).x, Centre(cbNum7).y);
  EXPECT_EQ(Calc->HotButton(), cbNone);  // the standard faces show no hot state
  Calc->Painter = TcxUltraFlatLookAndFeelPainter::Instance();
  ASSERT_TRUE(Calc->Painter->ButtonsTrackHot());
  MoveTo(Centre(cbNum8).x, Centre(cbNum8).y);
  EXPECT_EQ(Calc->HotButton(), cbNum8);
  const uint32_t hotFace = Px(Calc->Button(cbNum8).BtnRect.left + 3, Calc->Button(cbNum8).BtnRect.top + 3);
  const uint32_t plainFace = Px(Calc->Button(cbNum9).BtnRect.left + 3, Calc->Button(cbNum9).BtnRect.top + 3);
  EXPECT_NE(hotFace, plainFace);
  MoveTo(Centre(cbNum9).x, Centre(cbNum9).y);
  EXPECT_EQ(Calc->HotButton(), cbNum9);
  MoveTo(1, 1);  // between the buttons
  EXPECT_EQ(Calc->HotButton(), cbNone);
  MoveTo(Centre(cbNum9).x, Centre(cbNum9).y);
  EXPECT_EQ(Calc->HotButton(), cbNum9);
  // Off the form: the program's idle step finds the pointer gone and the control hears it left.
  Application->OnIdle = [](TObject*, bool& done) { done = false; };
  Application->Idle(MSG{});
  headless::MouseMove(790, 590);
  Idle();
  Application->Idle(MSG{});
  Application->OnIdle = nullptr;
  EXPECT_EQ(Calc->HotButton(), cbNone);
}

TEST_F(CalculatorTest, StandAloneCalculatorTakesTheFocusOnAPress) {
  auto* edit = New<TEdit>(Form);
  edit->SetParent(Form);
  edit->SetBounds(300, 10, 100, 21);
  Idle();
  edit->SetFocus();
  Idle();
  ASSERT_FALSE(Calc->Focused());
  RECT e = Calc->Button(cbEqual).BtnRect;
  EXPECT_EQ(Px(e.left, e.top), CalcRgb(clBtnHighlight));  // "=" is an ordinary button without the focus
  ClickButton(cbNum3);
  EXPECT_TRUE(Calc->Focused());
  EXPECT_EQ(Calc->Display, "3");
  EXPECT_EQ(Px(e.left, e.top), 0u);  // and the default one with it
}

// ---- layout ----------------------------------------------------------------------------------------------

struct CalcLayoutCase {
  const char* name;
  int clientW, clientH;  // asked for
  int h, w, spacing, large, fontSize, calcW, calcH;
  // rectangles of Back, CE, C, MC, M+, 7, sqrt, 0, "="
  RECT back, ce, c, mc, mp, seven, sqrt, zero, equal;
};

TEST_F(CalculatorTest, ButtonLayoutTable) {
  const CalcLayoutCase cases[] = {
      {"as created", 0, 0, 22, 28, 3, 47, 8, 198, 131,
       {46, 3, 93, 25}, {96, 3, 143, 25}, {146, 3, 193, 25}, {3, 28, 31, 50}, {3, 103, 31, 125},
       {41, 28, 69, 50}, {165, 28, 193, 50}, {41, 103, 69, 125}, {165, 103, 193, 125}},
      {"the first resize", 198, 132, 23, 29, 3, 49, 8, 202, 133,
       {46, 3, 95, 26}, {98, 3, 147, 26}, {150, 3, 199, 26}, {3, 29, 32, 52}, {3, 107, 32, 130},
       {42, 29, 71, 52}, {170, 29, 199, 52}, {42, 107, 71, 130}, {170, 107, 199, 130}},
      {"twice as large", 396, 262, 45, 57, 6, 97, 16, 394, 261,
       {85, 6, 182, 51}, {188, 6, 285, 51}, {291, 6, 388, 51}, {6, 57, 63, 102}, {6, 210, 63, 255},
       {79, 57, 136, 102}, {331, 57, 388, 102}, {79, 210, 136, 255}, {331, 210, 388, 255}},
      // measured, the large buttons come out one pixel wider than the defaults they were created with
      {"narrow keeps the smallest buttons", 100, 400, 22, 28, 3, 48, 8, 196, 128,
       {43, 3, 91, 25}, {94, 3, 142, 25}, {145, 3, 193, 25}, {3, 28, 31, 50}, {3, 103, 31, 125},
       {41, 28, 69, 50}, {165, 28, 193, 50}, {41, 103, 69, 125}, {165, 103, 193, 125}},
  };
  for (const CalcLayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto* calc = New<TCalcTestCalculator>(Form);
    calc->SetParent(Form);
    if (c.clientW) calc->SetClientSize(c.clientW, c.clientH);
    Idle();
    EXPECT_EQ(calc->ButtonHeight(), c.h);
    EXPECT_EQ(calc->ButtonWidth(), c.w);
    EXPECT_EQ(calc->HorzSpacing(), c.spacing);
    EXPECT_EQ(calc->VertSpacing(), c.spacing);
    EXPECT_EQ(calc->LargeButtonWidth(), c.large);
    EXPECT_EQ(calc->ButtonFontSize(), c.fontSize);
    EXPECT_EQ(calc->CalcWidth(), c.calcW);
    EXPECT_EQ(calc->CalcHeight(), c.calcH);
    EXPECT_EQ(calc->ClientWidth(), c.calcW);
    EXPECT_EQ(calc->ClientHeight(), c.calcH);
    const std::pair<TcxCalcButtonKind, RECT> rects[] = {
        {cbBack, c.back}, {cbCancel, c.ce}, {cbClear, c.c},     {cbMC, c.mc},       {cbMP, c.mp},
        {cbNum7, c.seven}, {cbSqrt, c.sqrt}, {cbNum0, c.zero}, {cbEqual, c.equal},
    };
    for (auto& [b, r] : rects) {
      SCOPED_TRACE(calc->Button(b).Text);
      RECT got = calc->Button(b).BtnRect;
      EXPECT_EQ(got.left, r.left);
      EXPECT_EQ(got.top, r.top);
      EXPECT_EQ(got.right, r.right);
      EXPECT_EQ(got.bottom, r.bottom);
    }
    // every button inside the client area, none overlapping another
    for (int i = 0; i < cxCalcButtonCount; ++i) {
      RECT a = calc->Button(TcxCalcButtonKind(i)).BtnRect;
      EXPECT_GE(a.left, 0);
      EXPECT_LE(a.right, c.calcW);
      EXPECT_LE(a.bottom, c.calcH);
      for (int j = i + 1; j < cxCalcButtonCount; ++j) {
        RECT b = calc->Button(TcxCalcButtonKind(j)).BtnRect, x;
        EXPECT_FALSE(IntersectRect(&x, &a, &b)) << i << " " << j;
      }
    }
    calc->Free();
  }
}

TEST_F(CalculatorTest, EveryResizeClearsMemoryAndThePendingOperation) {
  Keys("7{^M}2+");
  ASSERT_EQ(Calc->Memory(), 7);
  ASSERT_EQ(Calc->PendingOperator(), cbAdd);
  Calc->SetClientSize(300, 200);
  Idle();
  EXPECT_EQ(Calc->Memory(), 0);
  EXPECT_EQ(Calc->PendingOperator(), cbEqual);
  EXPECT_TRUE(Calc->Button(cbMR).Grayed);
}

TEST_F(CalculatorTest, WithoutAutomaticFontSizeTheButtonsFollowTheFont) {
  Calc->Font()->SetHeight(-20);
  Calc->SetAutoFontSize(false);
  Idle();
  auto probe = New<TBitmap>();
  probe->SetSize(10, 10);
  probe->Canvas()->Font()->Assign(Calc->Font());
  const int fontHeight = probe->Canvas()->TextHeight("Qq");
  probe->Free();
  EXPECT_EQ(Calc->ButtonHeight(), 2 * fontHeight);
  EXPECT_EQ(Calc->ClientHeight(), 5 * Calc->ButtonHeight() + 6 * Calc->VertSpacing());
  Calc->Font()->SetHeight(-30);
  Idle();
  EXPECT_GT(Calc->ButtonHeight(), 2 * fontHeight);
  Calc->SetAutoFontSize(true);
  Idle();
  EXPECT_EQ(Calc->ButtonFontSize(), MulDiv(Calc->ButtonHeight(), 8, 22));
}

// ---- painting --------------------------------------------------------------------------------------------

struct CalcFaceCase {
  const char* name;
  TcxCalcButtonKind button;
  uint32_t corner, inner, farCorner;  // (left, top), (left + 1, top + 1), (right - 1, bottom - 1)
};

TEST_F(CalculatorTest, FacesAndCaptionsOnTheScreen) {
  headless::KeyDown('5');  // held: shown pressed
  Idle();
  const uint32_t hi = CalcRgb(clBtnHighlight), light = CalcRgb(cl3DLight), dk = CalcRgb(cl3DDkShadow);
  const uint32_t shadow = CalcRgb(clBtnShadow), black = 0;
  const CalcFaceCase cases[] = {
      {"normal", cbNum7, hi, light, dk},
      {"pressed", cbNum5, black, shadow, black},
      {"default while focused", cbEqual, black, hi, black},
      {"grayed keeps the normal frame", cbMC, hi, light, dk},
  };
  for (const CalcFaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    RECT r = Calc->Button(c.button).BtnRect;
    EXPECT_EQ(Px(r.left, r.top), c.corner);
    EXPECT_EQ(Px(r.left + 1, r.top + 1), c.inner);
    EXPECT_EQ(Px(r.right - 1, r.bottom - 1), c.farCorner);
  }
  headless::KeyUp('5');
  Idle();
  // Captions in their colours (the darkest stroke of the smoothed text); a grayed caption is embossed.
  EXPECT_TRUE(Near(InkOf(cbNum7), CalcRgb(clBlue)));
  EXPECT_TRUE(Near(InkOf(cbDiv), CalcRgb(clRed)));
  EXPECT_TRUE(Near(InkOf(cbSqrt), CalcRgb(clNavy)));
  EXPECT_TRUE(Near(InkOf(cbBack), CalcRgb(clMaroon)));
  EXPECT_TRUE(Near(InkOf(cbMS), CalcRgb(clRed)));
  EXPECT_TRUE(Near(InkOf(cbMC), shadow));
  EXPECT_GT(CountIn(cbMC, hi), 0);
  // the focus rectangle 3 pixels inside "="
  RECT e = Calc->Button(cbEqual).BtnRect;
  const uint32_t face = CalcRgb(clBtnFace);
  EXPECT_NE(Px(e.left + 3, e.top + 3) , face);
  Calc->SetShowFocusRect(false);
  Idle();
  EXPECT_EQ(Px(e.left + 3, e.top + 3), face);
  // Disabled: every caption embossed, no face default.
  Calc->SetEnabled(false);
  Idle();
  EXPECT_TRUE(Near(InkOf(cbNum7), shadow));
  EXPECT_TRUE(Near(InkOf(cbDiv), shadow));
}

// The window's pixels, zoomed, as <name>.png in the artifacts folder.
void CalcWriteArtifact(HWND hwnd, const char* name, int zoom) {
  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  RECT r;
  GetClientRect(hwnd, &r);
  auto* big = New<TBitmap>();
  big->SetSize(r.right * zoom, r.bottom * zoom);
  HDC dc = GetDC(hwnd);
  StretchBlt(big->Canvas()->Handle(), 0, 0, big->Width(), big->Height(), dc, 0, 0, r.right, r.bottom, SRCCOPY);
  ReleaseDC(hwnd, dc);
  TPngImage png;
  png.Assign(big);
  png.SaveToFile(String(VORN_ARTIFACT_DIR) + "/" + name + ".png");
  big->Free();
}

TEST_F(CalculatorTest, PictureForAPerson) {
  Form->SetBounds(0, 0, 700, 340);
  Keys("7{^M}");
  headless::KeyDown('8');
  Idle();
  CalcWriteArtifact(Calc->Handle(), "calculator", 3);
  headless::KeyUp('8');
  Idle();
  // Twice as large, with the automatic bold font, unfocused, memory empty.
  auto* big = MakeCalculator();
  big->SetLeft(230);
  big->SetClientSize(396, 262);
  Calc->SetEnabled(false);
  Idle();
  CalcWriteArtifact(big->Handle(), "calculator-large", 1);
  CalcWriteArtifact(Calc->Handle(), "calculator-disabled", 3);
  EXPECT_TRUE(std::filesystem::exists(VORN_ARTIFACT_DIR "/calculator-large.png"));
}

}  // namespace calc_test
