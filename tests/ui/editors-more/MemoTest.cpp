// The memo: cutting a cell's text to its first line, the line-break repair of inserted text, and the
// editor itself driven through real messages on the headless backend: lines appended as the report page
// appends them, typing, word wrap, the deferred scroll-bar update and the lines saved to a file.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "forms/Forms.h"
#include "forms/Graphics.h"
#include "forms/PngImage.h"
#include "rtl/Files.h"
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

TEST_F(MemoPropertiesTest, RegistersAsAnEditorKind) {
  cxMemoRegisterEditKind();
  cxMemoRegisterEditKind();
  TcxRegisteredClasses* registry = GetRegisteredEditProperties();
  int32_t index = registry->IndexOfClass(TcxMemoProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(registry->Descriptions(index), "Memo|Represents an edit control that allows editing memo data");
  EXPECT_EQ(registry->FindByClassName("TcxMemoProperties"), TcxMemoProperties::StaticClass());
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

}  // namespace
