// The memo: cutting a cell's text to its first line, the line-break repair of inserted text, and the
// editor itself driven through real messages on the headless backend: lines appended as the report page
// appends them, typing, word wrap, the deferred scroll-bar update and the lines saved to a file.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "forms/Graphics.h"
#include "forms/PngImage.h"
#include "rtl/Files.h"
#include "rtl/SysUtils.h"
#include "rtl/ClassRegistry.h"
#include "rtl/StringLists.h"
#include "rtl/Utf8.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxMemo.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"
#include "winapi/WinCtrls.h"
#include "../../support/ScratchFolder.h"

namespace {

TEST(MemoCutToFirstLine, KeepsFirstLineAndLimit) {
  struct Case {
    const char* text;
    int32_t max;
    const char* expected;
  } cases[] = {
      {"first\r\nsecond", 250, "first"},
      {"first\nsecond", 0, "first"},
      {"first\rsecond", -1, "first"},
      {"abcdef", 3, "abc"},
      {"abc\r\ndef", 2, "ab"},  // the break lies beyond the limit: the limit cuts
      {"ab\r\ncdef", 3, "ab"},  // the break lies within the limit
      {"абвгд", 2, "аб"},       // characters, not bytes
      {"абв\nгд", 10, "абв"},
      {"", 5, ""},
      {"short", 250, "short"},
  };
  for (const Case& c : cases) {
    String s = c.text;
    CutToFirstLine(s, c.max);
    EXPECT_EQ(s, c.expected) << c.text << " / " << c.max;
  }
}

TEST(MemoNormalizeLineBreaks, ReversedBreakBecomesTwo) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a\r\nb", "a\r\nb"},       {"a\n\rb", "a\r\n\r\nb"}, {"\n\r\n", "\r\n\r\n\n"},
      {"a\rb\nc", "a\rb\nc"},     {"\r\n\n\r", "\r\n\r\n\r\n"}, {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(cxMemoNormalizeLineBreaks(c.in), c.out) << c.in;
}

class MemoPropertiesTest : public ::testing::Test {
protected:
  void TearDown() override { cxEditFinalize(); }
};

TEST_F(MemoPropertiesTest, DefaultsAndChangedOncePerRealChange) {
  auto* p = New<TcxMemoProperties>(nullptr);
  EXPECT_EQ(p->ScrollBars(), ssNone);
  EXPECT_TRUE(p->WantReturns());
  EXPECT_FALSE(p->WantTabs());
  EXPECT_TRUE(p->WordWrap());
  EXPECT_FALSE(p->AutoSelect());
  EXPECT_EQ(p->GetAlignment()->Vert(), taTopJustify);
  EXPECT_TRUE(p->IsMultiLine());
  int changes = 0;
  struct Counter : TObject {
    int* n = nullptr;
    void Changed(TObject*) { ++*n; }
  } counter;
  counter.n = &changes;
  p->OnPropertiesChanged = TNotifyEvent(&counter, &Counter::Changed);
  p->SetScrollBars(ssVertical);
  p->SetScrollBars(ssVertical);
  p->SetWantReturns(false);
  p->SetWantTabs(true);
  p->SetWordWrap(false);
  p->SetWordWrap(false);
  EXPECT_EQ(changes, 4);
  EXPECT_TRUE(p->WantsTabKey());

  auto* copy = New<TcxMemoProperties>(nullptr);
  changes = 0;
  copy->OnPropertiesChanged = TNotifyEvent(&counter, &Counter::Changed);
  copy->Assign(p);
  EXPECT_EQ(changes, 1);  // one update for the whole copy
  EXPECT_EQ(copy->ScrollBars(), ssVertical);
  EXPECT_FALSE(copy->WantReturns());
  EXPECT_TRUE(copy->WantTabs());
  EXPECT_FALSE(copy->WordWrap());
  copy->Free();
  p->Free();
}

TEST_F(MemoPropertiesTest, CellTextIsTheFirstLineOfAtMost250Characters) {
  auto* p = New<TcxMemoProperties>(nullptr);
  EXPECT_EQ(Utf16ToUtf8(p->GetDisplayText(Variant("первая\r\nвторая"))), "первая");
  EXPECT_EQ(Utf16ToUtf8(p->GetDisplayText(Variant("первая\r\nвторая"), true)), "первая\r\nвторая");
  EXPECT_EQ(p->GetDisplayText(Variant(String(300, 'x'))).size(), 250u);
  p->Free();
}

TEST_F(MemoPropertiesTest, DrawTextFlagsFollowWordWrapAndScrollBars) {
  struct Case {
    bool wrap;
    TScrollStyle bars;
    TAlignment align;
    uint32_t flags;
  } cases[] = {
      {true, ssNone, taLeftJustify, 0x24100 | 0x440},     {true, ssVertical, taLeftJustify, 0x24100 | 0x440},
      {true, ssHorizontal, taLeftJustify, 0x4000 | 0x440}, {true, ssBoth, taLeftJustify, 0x4000 | 0x440},
      {false, ssNone, taLeftJustify, 0x4000 | 0x440},     {true, ssNone, taRightJustify, 0x24100 | 0x440 | 2},
      {false, ssNone, taCenter, 0x4000 | 0x440 | 1},
  };
  headless::Init(320, 240);
  auto* p = New<TcxMemoProperties>(nullptr);
  auto* style = New<TcxEditStyle>(nullptr, false, cssNormal, nullptr);
  for (const Case& c : cases) {
    p->SetWordWrap(c.wrap);
    p->SetScrollBars(c.bars);
    p->GetAlignment()->SetHorz(c.align);
    TcxCustomEditViewData* data = p->CreateViewData(style, false);
    auto* memoData = dynamic_cast<TcxCustomMemoViewData*>(data);
    ASSERT_NE(memoData, nullptr);
    EXPECT_EQ(memoData->GetDrawTextFlags(), c.flags) << c.wrap << " " << int(c.bars) << " " << int(c.align);
    RECT offsets{};
    memoData->GetTextOffsets(offsets);
    EXPECT_EQ(offsets.left, c.align == taRightJustify ? 0 : 1);
    EXPECT_EQ(offsets.right, c.align == taRightJustify ? 2 : 1);
    EXPECT_EQ(offsets.top + offsets.bottom, 2);
    data->Free();
  }
  style->Free();
  p->Free();
  headless::Shutdown();
}


// ---- a grid cell painted without a live memo ----------------------------------------------------------------

void MemoWriteArtifact(TBitmap* ABitmap, const char* AName) {
#ifdef VORN_ARTIFACT_DIR
  ForceDirectories(VORN_ARTIFACT_DIR);
  TPngImage png;
  png.Assign(ABitmap);
  png.SaveToFile(String(VORN_ARTIFACT_DIR) + "/" + AName + ".png");
#else
  (void)ABitmap, (void)AName;
#endif
}

// The rows of a bitmap region that carry ink, as bands of consecutive rows (one band per text row).
std::vector<std::pair<int, int>> MemoInkBands(TBitmap* ABitmap, const RECT& AArea) {
  std::vector<std::pair<int, int>> bands;
  bool inBand = false;
  for (int y = AArea.top; y < AArea.bottom; ++y) {
    bool ink = false;
    for (int x = AArea.left; x < AArea.right && !ink; ++x)
      ink = (ABitmap->ScanLine(y)[x] & 0xFFFFFF) != 0xFFFFFF;  // antialiased text on white
    if (ink && !inBand) bands.push_back({y, y});
    if (ink) bands.back().second = y;
    inBand = ink;
  }
  return bands;
}

class MemoCellPaintTest : public ::testing::Test {
protected:
  static constexpr int W = 240, H = 120;
  void SetUp() override {
    headless::Init(640, 480);
    Properties = New<TcxMemoProperties>(nullptr);
    Style = New<TcxEditStyle>(nullptr, false, cssNormal, nullptr);
    Style->SetBorderStyle(cbsNone);
    Style->SetShadow(false);
    Style->SetTransparentBorder(false);
    Style->SetColor(clWhite);
    Style->SetTextColor(clBlack);
    Style->LookAndFeel()->SetNativeStyle(false);
    Style->Font()->SetName("Courier New");
    Style->Font()->SetHeight(-13);
    Bitmap = New<TBitmap>();
    Bitmap->SetSize(W, H);
    Canvas = New<TcxCanvas>(Bitmap->Canvas());
  }
  void TearDown() override {
    Canvas->Free();
    Bitmap->Free();
    Style->Free();
    Properties->Free();
    cxEditFinalize();
    DoneEditPaintUtils();
    headless::Shutdown();
  }
  // Paints the value into a cell of the given bounds, as the grid paints an in-place memo's cell.
  void PaintCell(const RECT& ABounds, const String& AText) {
    Bitmap->Canvas()->Brush()->SetColor(clWhite);
    Bitmap->Canvas()->FillRect(RECT{0, 0, W, H});
    TcxCustomEditViewData* data = Properties->CreateViewData(Style, true);
    auto* info = CreateAs<TcxCustomTextEditViewInfo>(Properties->GetViewInfoClass());
    data->CalculateEditRects(Canvas, ABounds, false, info, {}, mbLeft, POINT{-1, -1});
    static_cast<TcxCustomTextEditViewData*>(data)->SetDrawTextFromValue(Variant(AText), info);
    info->Draw(Canvas);
    Flags = info->DrawTextFlags;
    info->Free();
    data->Free();
  }
  TcxMemoProperties* Properties = nullptr;
  TcxEditStyle* Style = nullptr;
  TBitmap* Bitmap = nullptr;
  TcxCanvas* Canvas = nullptr;
  uint32_t Flags = 0;
};

TEST_F(MemoCellPaintTest, WordWrapBreaksRowsAtTheCellWidthFromTheTop) {
  const RECT cell{10, 10, 130, 110};
  const String text = "один два три четыре\r\nпять";
  struct Case {
    bool wrap;
    TScrollStyle bars;
    size_t rows;
    const char* artifact;
  } cases[] = {
      {true, ssNone, 3, "MemoCellWordWrap"},  // "один два три " / "четыре" / "пять" at 15 characters a row
      {false, ssNone, 2, "MemoCellNoWordWrap"},     // one row per paragraph, cut at the cell's edge
      {true, ssHorizontal, 2, "MemoCellHorzScroll"},  // a horizontal scroll bar turns wrapping off
  };
  for (const Case& c : cases) {
    Properties->SetWordWrap(c.wrap);
    Properties->SetScrollBars(c.bars);
    PaintCell(cell, text);
    MemoWriteArtifact(Bitmap, c.artifact);
    auto bands = MemoInkBands(Bitmap, cell);
    ASSERT_FALSE(bands.empty());
    // Rows are counted from the lowest ink: the text starts one pixel under the cell's top (not centred).
    Bitmap->Canvas()->Font()->Assign(Style->Font());
    int rowHeight = Bitmap->Canvas()->TextHeight("Zg");
    int rows = (bands.back().second - (cell.top + 1)) / rowHeight + 1;
    EXPECT_EQ(static_cast<size_t>(rows), c.rows) << c.artifact;
    EXPECT_LT(bands.front().first, cell.top + 1 + rowHeight / 2) << c.artifact;
    EXPECT_EQ(Flags & TOF_SINGLELINE, 0u);
    // Nothing is painted outside the cell.
    EXPECT_TRUE(MemoInkBands(Bitmap, RECT{0, cell.bottom, W, H}).empty()) << c.artifact;
    EXPECT_TRUE(MemoInkBands(Bitmap, RECT{cell.right, 0, W, H}).empty()) << c.artifact;
  }
}

// ---- the memo on a form, driven through real messages ------------------------------------------------------

// Counts the change events of a memo's properties.
struct MemoEventLog : TObject {
  int changes = 0;
  int valueChanges = 0;
  int afterKeys = 0;
  void Changed(TObject*) { ++changes; }
  void ValueChanged(TObject*) { ++valueChanges; }
  void AfterKey(TObject*, uint16_t&, TShiftState) { ++afterKeys; }
};

class MemoControlTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(50, 50, 400, 300);
    Form->Show();
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 250, 100, 21);
    Idle();
  }
  void TearDown() override {
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    cxContainerFinalize();
    cxControlsFinalize();
    DoneLookAndFeels();
    DoneThemeManager();
    winapi::SetThemeActive(false);
    headless::Shutdown();
  }
  static void Idle() { headless::RunUntilIdle(); }
  TcxMemo* Make(TScrollStyle ABars = ssVertical, int AWidth = 200, int AHeight = 120) {
    auto* memo = New<TcxMemo>(Form);
    memo->SetParent(Form);
    memo->SetBounds(10, 10, AWidth, AHeight);
    memo->Properties()->SetScrollBars(ABars);
    memo->Properties()->OnChange = TNotifyEvent(&Log, &MemoEventLog::Changed);
    memo->Properties()->OnEditValueChanged = TNotifyEvent(&Log, &MemoEventLog::ValueChanged);
    memo->OnAfterKeyDown = TKeyEvent(&Log, &MemoEventLog::AfterKey);
    Idle();
    return memo;
  }
  static HWND InnerHandle(TcxMemo* AMemo) { return AMemo->InnerControl()->Handle(); }
  static String WindowText(TcxMemo* AMemo) { return AMemo->InnerControl()->Text(); }
  static void Chord(int AModifier, int AKey) {
    headless::KeyDown(AModifier);
    headless::KeyPress(AKey);
    headless::KeyUp(AModifier);
    Idle();
  }
  TForm* Form = nullptr;
  TEdit* Other = nullptr;
  MemoEventLog Log;
};

TEST_F(MemoControlTest, IsAStandAloneMemoOfTheDefaultSize) {
  auto* memo = New<TcxMemo>(Form);
  EXPECT_EQ(memo->Width(), 185);
  EXPECT_EQ(memo->Height(), 89);
  EXPECT_FALSE(memo->AutoSize());
  ASSERT_NE(memo->InnerMemo(), nullptr);
  EXPECT_TRUE(memo->InnerMemo()->GetMultiLine());
  EXPECT_EQ(memo->ActiveProperties()->GetContainerClass(), TcxMemo::StaticClass());
  memo->SetParent(Form);
  Idle();
  // The inner memo fills the client rectangle less one pixel on every side.
  RECT client = memo->EditViewInfo()->ClientRect;
  RECT inner = memo->InnerControl()->BoundsRect();
  EXPECT_EQ(inner.left, client.left + 1);
  EXPECT_EQ(inner.top, client.top + 1);
  EXPECT_EQ(inner.right, client.right - 1);
  EXPECT_EQ(inner.bottom, client.bottom - 1);
}

// The report page appends its lines one at a time: the value and the change events follow every line.
TEST_F(MemoControlTest, AppendedLinesCarryTheValueAndOneChangeEachWay) {
  TcxMemo* memo = Make();
  const char* lines[] = {"============== 11.12.2026 06:00:00 ==============", "Будет производится резервирование БД", "",
                         "gbak: запись данных таблицы BACKUPS"};
  String expected;
  int n = 0;
  for (const char* line : lines) {
    memo->Lines()->Add(line);
    expected += String(line) + "\r\n";
    ++n;
    EXPECT_EQ(VarToStr(memo->EditValue()), expected) << n;
    EXPECT_EQ(Log.changes, n);
    EXPECT_EQ(Log.valueChanges, n);
  }
  EXPECT_FALSE(memo->ModifiedAfterEnter());
  // A text with carriage returns inside is appended as one text; a reversed break becomes two breaks.
  memo->Lines()->Add("Не найдены файлы:\r\ra.gdb\rb.gdb\r");
  memo->Lines()->Add("x\n\ry");
  expected += "Не найдены файлы:\r\ra.gdb\rb.gdb\r\r\nx\r\n\r\ny\r\n";
  EXPECT_EQ(VarToStr(memo->EditValue()), expected);
  EXPECT_EQ(WindowText(memo), expected);
  // A value set by the program changes the text without a change event of the memo's own.
  Log.changes = 0;
  memo->SetEditValue(Variant(String("новый текст")));
  EXPECT_EQ(WindowText(memo), "новый текст");
  EXPECT_EQ(Log.changes, 0);
}

// Appending extends the value in place; whatever else changes the text makes the next append read it whole.
TEST_F(MemoControlTest, ValueStaysTheTextAcrossAppendsTypingAndEdits) {
  TcxMemo* memo = Make();
  for (int i = 0; i < 200; ++i) memo->Lines()->Add("строка " + IntToStr(i));
  EXPECT_EQ(VarToStr(memo->EditValue()), WindowText(memo));
  memo->SetFocus();
  Idle();
  ::SendMessage(InnerHandle(memo), EM_SETSEL, 0, 0);
  headless::TypeText("Я");
  Idle();
  memo->Lines()->Add("после ввода");
  EXPECT_EQ(VarToStr(memo->EditValue()), WindowText(memo));
  memo->Lines()->Delete(0);
  memo->Lines()->Add("после удаления");
  EXPECT_EQ(VarToStr(memo->EditValue()), WindowText(memo));
  memo->Lines()->Insert(1, "вставка");
  memo->Lines()->Add("в конце");
  EXPECT_EQ(VarToStr(memo->EditValue()), WindowText(memo));
  memo->SetEditValue(Variant(String("a\r\nb")));
  memo->Lines()->Add("c");
  EXPECT_EQ(VarToStr(memo->EditValue()), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(WindowText(memo), "a\r\nb\r\nc\r\n");
}

TEST_F(MemoControlTest, AppendingKeepsTheLastLineInViewAndTheScrollBarFollowsOnce) {
  TcxMemo* memo = Make(ssVertical);
  for (int i = 0; i < 100; ++i) memo->Lines()->Add("строка отчёта " + IntToStr(i));
  HWND inner = InnerHandle(memo);
  // The update of the painted bars waits in the queue, once for the whole run.
  int pending = 0;
  MSG msg;
  while (PeekMessage(&msg, memo->Handle(), CM_MEMOUPDATESCROLLBARS, CM_MEMOUPDATESCROLLBARS, PM_REMOVE)) {
    ++pending;
    DispatchMessage(&msg);
  }
  EXPECT_EQ(pending, 1);
  Idle();
  LRESULT first = ::SendMessage(inner, EM_GETFIRSTVISIBLELINE, 0, 0);
  LRESULT count = ::SendMessage(inner, EM_GETLINECOUNT, 0, 0);
  RECT r{};
  ::SendMessage(inner, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_GT(first, 0);
  // The last line ("строка отчёта 99", before the empty line after the final break) is on screen.
  POINT last = {0, 0};
  LRESULT lastStart = ::SendMessage(inner, EM_LINEINDEX, static_cast<WPARAM>(count - 2), 0);
  LRESULT pos = ::SendMessage(inner, EM_POSFROMCHAR, static_cast<WPARAM>(lastStart), 0);
  last = POINT{static_cast<SHORT>(LOWORD(pos)), static_cast<SHORT>(HIWORD(pos))};
  EXPECT_GE(last.y, r.top);
  EXPECT_LT(last.y, r.bottom);
  // The painted vertical bar mirrors the native one: visible, at the end of its range.
  TcxControlScrollBar* bar = memo->VScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->Visible());
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  GetScrollInfo(inner, SB_VERT, &si);
  EXPECT_EQ(bar->Max(), si.nMax);
  EXPECT_EQ(bar->Position(), si.nPos);
  EXPECT_EQ(si.nPos, static_cast<int>(first));
  EXPECT_FALSE(memo->HScrollBar()->Visible());
#ifdef VORN_ARTIFACT_DIR
  ForceDirectories(VORN_ARTIFACT_DIR);
  headless::SavePng(Form->Handle(), VORN_ARTIFACT_DIR "/MemoReportAppended.png");
#endif
  // Scrolling by the painted bar moves the inner memo a line at a time.
  int32_t position = bar->Position();
  memo->Scroll(sbVertical, scLineUp, position);
  EXPECT_EQ(::SendMessage(inner, EM_GETFIRSTVISIBLELINE, 0, 0), first - 1);
  EXPECT_EQ(position, first - 1);
  EXPECT_EQ(bar->Position(), first - 1);
}

TEST_F(MemoControlTest, WordWrapAndScrollBarsDecideTheRowsAndTheRedrawStyles) {
  const String longLine = "первое второе третье четвёртое пятое шестое седьмое восьмое девятое десятое";
  struct Case {
    bool wrap;
    TScrollStyle bars;
    bool wraps;
    bool horzRedraw;
  } cases[] = {
      {true, ssVertical, true, true},
      {false, ssVertical, false, false},
      {true, ssHorizontal, false, false},
      {true, ssBoth, false, false},
  };
  for (const Case& c : cases) {
    TcxMemo* memo = Make(c.bars);
    memo->Properties()->SetWordWrap(c.wrap);
    memo->Lines()->SetText(longLine);
    Idle();
    HWND inner = InnerHandle(memo);
    LRESULT rows = ::SendMessage(inner, EM_GETLINECOUNT, 0, 0);
    if (c.wraps)
      EXPECT_GT(rows, 2) << c.wrap << " " << int(c.bars);
    else
      EXPECT_LE(rows, 2) << c.wrap << " " << int(c.bars);  // the line and the empty one after its break
    bool hasHorz = (GetWindowLong(inner, GWL_STYLE) & WS_HSCROLL) != 0;
    EXPECT_EQ(hasHorz, c.bars == ssHorizontal || c.bars == ssBoth);
    // The window class never redraws the whole memo on a vertical resize, nor on a horizontal one when
    // the rows do not follow the width.
    TCreateParams params;
    struct Probe : TcxMemo {
      using TcxMemo::CreateParams;
    };
    static_cast<Probe*>(static_cast<TcxMemo*>(memo))->CreateParams(params);
    if (!c.horzRedraw) {
      EXPECT_EQ(params.WindowClass.style & CS_HREDRAW, 0u);
    }
    EXPECT_EQ(params.WindowClass.style & CS_VREDRAW, 0u);
    EXPECT_EQ(VarToStr(memo->EditValue()), longLine);
    memo->Free();
    Idle();
  }
}

TEST_F(MemoControlTest, TypingTakesEnterAndTabAsTheSettingsSay) {
  TcxMemo* memo = Make();
  memo->SetFocus();
  Idle();
  headless::TypeText("Привет");
  headless::KeyPress(VK_RETURN);
  headless::TypeText("мир");
  Idle();
  EXPECT_EQ(WindowText(memo), "Привет\r\nмир");
  EXPECT_TRUE(memo->ModifiedAfterEnter());
  // Without WantTabs, Tab moves on; the value follows the text when the memo is left.
  headless::KeyPress(VK_TAB);
  Idle();
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(VarToStr(memo->EditValue()), "Привет\r\nмир");
  // With WantTabs, Tab is typed; without WantReturns, Enter is no line break.
  memo->Properties()->SetWantTabs(true);
  memo->Properties()->SetWantReturns(false);
  memo->SetFocus();
  Idle();
  ::SendMessage(InnerHandle(memo), EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
  headless::KeyPress(VK_TAB);
  headless::TypeText("!");
  headless::KeyPress(VK_RETURN);
  Idle();
  EXPECT_EQ(WindowText(memo), "Привет\r\nмир\t!");
  EXPECT_TRUE(memo->IsLineBreakOrTabKey(VK_RETURN, TShiftState{ssCtrl}));
  EXPECT_FALSE(memo->IsLineBreakOrTabKey(VK_RETURN, TShiftState{}));
  EXPECT_TRUE(memo->IsLineBreakOrTabKey(VK_TAB, TShiftState{}));
}

TEST_F(MemoControlTest, CtrlASelectsAllUnlessTheMemoIsEmpty) {
  TcxMemo* memo = Make();
  memo->SetFocus();
  Idle();
  // An empty memo leaves Ctrl+A to the native control.
  uint16_t key = 'A';
  memo->DoEditKeyDown(key, TShiftState{ssCtrl});
  EXPECT_EQ(key, 'A');
  memo->Lines()->Add("первая");
  memo->Lines()->Add("вторая");
  key = 'A';
  Log.afterKeys = 0;
  memo->DoEditKeyDown(key, TShiftState{ssCtrl});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(Log.afterKeys, 1);  // consumed, and the host hears of it
  // Typed for real: everything is selected.
  ::SendMessage(InnerHandle(memo), EM_SETSEL, 0, 0);
  Chord(VK_CONTROL, 'A');
  IcxInnerTextEdit* inner = memo->GetInnerTextEdit();
  EXPECT_EQ(inner->GetSelStart(), 0);
  EXPECT_EQ(inner->GetSelLength(), Utf8Length(WindowText(memo)));
}

TEST_F(MemoControlTest, CyrillicLinesRoundTripThroughAFile) {
  scratch::Folder folder("memo");
  TcxMemo* memo = Make(ssVertical, 380);
  memo->Lines()->Add("Резервирование успешно завершено!");
  memo->Lines()->Add("");
  memo->Lines()->Add("Ёжик в тумане — ёлка");
  ASSERT_EQ(memo->Lines()->Count(), 3);
  EXPECT_EQ(memo->Lines()->Strings(2), "Ёжик в тумане — ёлка");
  const String file = folder.File("report.txt");
  memo->Lines()->SaveToFile(file);
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "Резервирование успешно завершено!\r\n\r\nЁжик в тумане — ёлка\r\n");

  // Read back into another memo: the lines and the value are those saved.
  auto* other = New<TcxMemo>(Form);
  other->SetParent(Form);
  other->SetBounds(10, 140, 380, 100);
  Idle();
  other->Lines()->LoadFromFile(file);
  ASSERT_EQ(other->Lines()->Count(), 3);
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(other->Lines()->Strings(i), memo->Lines()->Strings(i)) << i;
  EXPECT_EQ(VarToStr(other->EditValue()), VarToStr(memo->EditValue()));

  // An empty report saves an empty file.
  auto* empty = New<TcxMemo>(Form);
  empty->SetParent(Form);
  Idle();
  empty->Lines()->SaveToFile(folder.File("empty.txt"));
  std::ifstream e(folder.File("empty.txt"), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(e)), std::istreambuf_iterator<char>()), "");
}

TEST_F(MemoControlTest, RegistersWithTheEditorKindsAndTheStreamer) {
  cxMemoInitialize();
  cxMemoInitialize();
  TcxRegisteredClasses* registry = GetRegisteredEditProperties();
  int32_t index = registry->IndexOfClass(TcxMemoProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(registry->Descriptions(index), "Memo|Represents an edit control that allows editing memo data");
  EXPECT_EQ(GetClass("TcxMemo"), TcxMemo::StaticClass());
}

}  // namespace
