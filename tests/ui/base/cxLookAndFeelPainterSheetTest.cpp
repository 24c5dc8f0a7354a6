// One picture per painter with every element in every state, for a person to look at.

#include <string>

#include "cxPainterSupport.h"

using namespace uibase_test;

namespace {

using PainterSheetTest = PainterTest;

const TcxButtonState kStates[] = {cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled};

// Rows of elements, one column per state (default, normal, hot, pressed, disabled).
void PaintSheet(const TcxCustomLookAndFeelPainter* P, Surface& s) {
  TcxCanvas* c = s.canvas;
  c->SetBrushColor(clBtnFace);
  c->FillRect(RECT{0, 0, s.get()->Width(), s.get()->Height()});
  TFont* font = c->Font();
  int y = 4;
  const int col = 62;
  // Buttons with captions.
  for (int i = 0; i < 5; ++i) P->PaintButton(c, RECT{4 + i * col, y, 4 + i * col + 56, y + 21}, "OK", kStates[i]);
  y += 26;
  // Arrow buttons and state arrows.
  for (int i = 0; i < 5; ++i) {
    const int x = 4 + i * col;
    P->PaintArrowButton(c, RECT{x, y, x + 16, y + 16}, kStates[i], padDown, true);
    P->PaintArrowButton(c, RECT{x + 18, y, x + 34, y + 16}, kStates[i], padRight, true);
    P->PaintStateArrow(c, RECT{x + 36, y, x + 52, y + 16}, kStates[i], padUp);
  }
  y += 20;
  // Check boxes (unchecked, checked, grayed) and radio buttons (unchecked, checked).
  for (int i = 0; i < 5; ++i) {
    const int x = 4 + i * col;
    for (int k = 0; k < 3; ++k)
      P->PaintCheckBox(c, RECT{x + k * 15, y, x + k * 15 + 13, y + 13}, kStates[i], TcxCheckBoxState(k));
  }
  y += 16;
  for (int i = 1; i < 5; ++i) {
    const int x = 4 + i * col;
    P->PaintRadioButton(c, x, y, kStates[i], false, false, clDefault);
    P->PaintRadioButton(c, x + 16, y, kStates[i], true, false, clDefault);
    P->PaintRadioButton(c, x + 32, y, kStates[i], true, true, clDefault, true);
  }
  y += 18;
  // Expand buttons: plain, plain-expanded, group collapsed and expanded per state.
  {
    const int e = P->ExpandButtonExtent() > 0 ? P->ExpandButtonExtent() : 11;
    c->SetBrushColor(clWindow);
    c->FillRect(RECT{4, y, 60, y + 16});
    P->PaintExpandButton(c, RECT{6, y + 2, 6 + e, y + 2 + e}, false);
    P->PaintExpandButton(c, RECT{22, y + 2, 22 + e, y + 2 + e}, true);
    P->PaintPlainExpandButton(c, RECT{38, y + 2, 38 + 9, y + 2 + 9}, false, clBtnShadow, clWindow);
    TcxRegion* full = New<TcxRegion>(RECT{0, 0, 10000, 10000});
    c->SetClipRegion(full, rcmCopy);
    for (int i = 1; i < 5; ++i) {
      const int x = 4 + i * col;
      P->PaintGroupExpandButton(c, RECT{x, y, x + 15, y + 15}, false, kStates[i]);
      P->PaintGroupExpandButton(c, RECT{x + 18, y, x + 33, y + 15}, true, kStates[i]);
    }
  }
  y += 20;
  // Headers in a row of three with sort marks, per state; then header-control sections.
  for (int i = 1; i < 5; ++i) {
    const int x = 4 + (i - 1) * 78;
    const RECT r{x, y, x + 76, y + 19};
    P->PaintHeader(c, r, RECT{r.left + 3, r.top, r.right - 18, r.bottom}, {bLeft, bRight}, cxBordersAll,
                   kStates[i], taLeftJustify, vaCenter, false, true, "Name", font, clBtnText, clBtnFace);
    P->PaintSortingMark(c, RECT{r.right - 18, r.top, r.right - 2, r.bottom}, i % 2 == 0);
  }
  y += 22;
  for (int i = 1; i < 5; ++i) {
    const int x = 4 + (i - 1) * 78;
    const RECT r{x, y, x + 76, y + 19};
    P->PaintHeaderControlSection(c, r, RECT{r.left + 3, r.top, r.right, r.bottom}, {}, cxBordersAll, kStates[i],
                                 taCenter, vaCenter, false, false, "Section", font, clBtnText, clBtnFace);
  }
  y += 22;
  // Footer: frame with two cells and a separator.
  {
    const RECT f{4, y, 200, y + 22};
    c->SetBrushColor(P->DefaultFooterColor());
    c->FillRect(f);
    P->PaintFooterFrame(c, f);
    P->PaintFooterCell(c, RECT{8, y + 3, 90, y + 19}, taRightJustify, vaCenter, false, "123", font, clBtnText,
                       P->DefaultFooterColor());
    P->PaintFooterCell(c, RECT{96, y + 3, 190, y + 19}, taLeftJustify, vaCenter, false, "Sum", font, clBtnText,
                       P->DefaultFooterColor());
    P->PaintFooterSeparator(c, RECT{4, y + 24, 200, y + 25});
  }
  y += 30;
  // Small buttons per state: filter drop-down (inactive, active), close, symbol, pin (unpinned, pinned).
  for (int i = 0; i < 5; ++i) {
    const int x = 4 + i * col;
    P->PaintFilterDropDownButton(c, RECT{x, y, x + 15, y + 18}, kStates[i], false);
    P->PaintFilterDropDownButton(c, RECT{x + 16, y, x + 31, y + 18}, kStates[i], true);
    P->PaintSmallCloseButton(c, RECT{x + 33, y, x + 49, y + 14}, kStates[i]);
  }
  y += 20;
  for (int i = 0; i < 5; ++i) {
    const int x = 4 + i * col;
    P->PaintSymbolButton(c, RECT{x, y, x + 16, y + 14}, kStates[i]);
    P->PaintPinButton(c, RECT{x + 18, y, x + 34, y + 14}, kStates[i], false, clBtnFace);
    P->PaintPinButton(c, RECT{x + 36, y, x + 52, y + 14}, kStates[i], true, clBtnFace);
  }
  y += 18;
  // Joined buttons: a row of three per state.
  for (int i = 1; i < 5; ++i) {
    const int x = 4 + (i - 1) * 78;
    for (int b = 0; b < 3; ++b)
      P->PaintEmptyButton(c, RECT{x + b * 22, y, x + b * 22 + 22, y + 18}, kStates[i], 3, b, clBtnShadow);
  }
  y += 22;
  // Tabs: horizontal row through the tab frame operations (or whole tabs), with the root under them.
  {
    const int top = y;
    P->PaintTabsRoot(c, RECT{4, top + 20, 220, top + 40}, {bLeft, bTop, bRight, bBottom}, false);
    for (int t = 0; t < 3; ++t) {
      const RECT r{8 + t * 66, top + (t == 1 ? 0 : 2), 8 + t * 66 + 64, top + 21};
      const TcxButtonState st = t == 1 ? cxbsPressed : (t == 2 ? cxbsHot : cxbsNormal);
      if (P->TabPartOffset136(false)) {
        P->PaintTab(c, r, {bLeft, bTop, bRight}, "Tab", st, false, font, clBtnText, clBtnFace);
        continue;
      }
      c->SetBrushColor(P->DefaultTabColor());
      c->FillRect(r);
      P->PaintTabFrame(c, RECT{r.left, r.top, r.left + 1, r.bottom}, bLeft, {bLeft, bTop, bRight}, false);
      P->PaintTabFrame(c, RECT{r.left, r.top, r.right, r.top + 1}, bTop, {bLeft, bTop, bRight}, false);
      P->PaintTabFrame(c, RECT{r.right - 1, r.top, r.right, r.bottom}, bRight, {bLeft, bTop, bRight}, false);
      c->Brush()->SetStyle(bsClear);
      c->Font()->SetColor(P->DefaultTabTextColor());
      c->DrawText("Tab", r, tfAlignHCenter | tfAlignVCenter | tfSingleLine);
      c->Brush()->SetStyle(bsSolid);
    }
  }
  y += 44;
  // Indicator items, all kinds.
  for (int k = 0; k < 6; ++k)
    P->PaintIndicatorItem(c, RECT{4 + k * 14, y, 4 + k * 14 + 14, y + 19}, TcxIndicatorImage(k), P->DefaultHeaderColor());
  // Control border, splitter, month header.
  P->PaintControlBorder(c, RECT{100, y, 140, y + 20});
  P->PaintSplitterFrame(c, RECT{146, y, 152, y + 20});
  TcxViewParamsRec params;
  params.Color = P->DefaultHeaderColor();
  params.TextColor = clBtnText;
  params.Font = font;
  P->PaintMonthHeader(c, RECT{158, y, 300, y + 20}, "May 2026", {}, params, 3, 10);
  y += 24;
  // Scroll bars: one vertical and one horizontal per state, parts laid end to end.
  for (int i = 1; i < 5; ++i) {
    const int x = 4 + (i - 1) * 30;
    P->PaintScrollBarPart(c, false, RECT{x, y, x + 17, y + 17}, spLineUp, kStates[i]);
    P->PaintScrollBarPart(c, false, RECT{x, y + 17, x + 17, y + 30}, spPageUp, kStates[i]);
    P->PaintScrollBarPart(c, false, RECT{x, y + 30, x + 17, y + 55}, spThumb, kStates[i]);
    P->PaintScrollBarPart(c, false, RECT{x, y + 55, x + 17, y + 70}, spPageDown, kStates[i]);
    P->PaintScrollBarPart(c, false, RECT{x, y + 70, x + 17, y + 87}, spLineDown, kStates[i]);
  }
  for (int i = 1; i < 5; ++i) {
    const int yy = y + (i - 1) * 21;
    P->PaintScrollBarPart(c, true, RECT{130, yy, 147, yy + 17}, spLineUp, kStates[i]);
    P->PaintScrollBarPart(c, true, RECT{147, yy, 170, yy + 17}, spPageUp, kStates[i]);
    P->PaintScrollBarPart(c, true, RECT{170, yy, 200, yy + 17}, spThumb, kStates[i]);
    P->PaintScrollBarPart(c, true, RECT{200, yy, 230, yy + 17}, spPageDown, kStates[i]);
    P->PaintScrollBarPart(c, true, RECT{230, yy, 247, yy + 17}, spLineDown, kStates[i]);
  }
}

void CheckSheet(const TcxCustomLookAndFeelPainter* P, const char* name) {
  Surface s(320, 480);
  PaintSheet(P, s);
  // Something of every row was drawn: no row band is left plain button face.
  int plainRows = 0;
  for (int y = 4; y < 400; ++y) {
    bool plain = true;
    for (int x = 0; x < 320 && plain; ++x) plain = s(x, y) == Rgb(clBtnFace);
    plainRows += plain;
  }
  EXPECT_LT(plainRows, 120) << name;
  WriteArtifact(s.get(), name);
}

}  // namespace

TEST_F(PainterSheetTest, Standard) { CheckSheet(TcxStandardLookAndFeelPainter::Instance(), "ui-base-painter-standard"); }
TEST_F(PainterSheetTest, Flat) { CheckSheet(TcxFlatLookAndFeelPainter::Instance(), "ui-base-painter-flat"); }
TEST_F(PainterSheetTest, UltraFlat) {
  CheckSheet(TcxUltraFlatLookAndFeelPainter::Instance(), "ui-base-painter-ultraflat");
}
TEST_F(PainterSheetTest, Office11) { CheckSheet(TcxOffice11LookAndFeelPainter::Instance(), "ui-base-painter-office11"); }
TEST_F(PainterSheetTest, NativeThemed) {
  winapi::SetThemeActive(true);
  DoneThemeManager();
  CheckSheet(TcxWinXPLookAndFeelPainter::Instance(), "ui-base-painter-native");
}
TEST_F(PainterSheetTest, NativeThemedWithThemesOff) {
  CheckSheet(TcxWinXPLookAndFeelPainter::Instance(), "ui-base-painter-native-off");
}
