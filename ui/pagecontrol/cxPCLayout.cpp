// The tab layout: measuring, the single-line strip with its scroll window, row breaking and balancing on
// many lines, row order, the two row areas, tab rectangles, hit tests and the page client rectangle.

#include <algorithm>
#include <climits>

#include "rtl/SysUtils.h"
#include "ui/pagecontrol/cxPC.h"
#include "ui/pagecontrol/cxPCPainters.h"

namespace {

bool IsEmptyRect(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }

RECT Intersect(const RECT& A, const RECT& B) {
  RECT r{std::max(A.left, B.left), std::max(A.top, B.top), std::min(A.right, B.right), std::min(A.bottom, B.bottom)};
  if (IsEmptyRect(r)) return RECT{0, 0, 0, 0};
  return r;
}

}  // namespace

// ---- orientation ----------------------------------------------------------------------------------------------

TcxPCTextOrientation TcxCustomTabControl::TextOrientation() const {
  const bool vertical = IsVerticalStrip() ? !FRotate : FRotate;
  if (!vertical) return pctoHorizontal;
  return FOptions.Contains(pcoTopToBottomText) ? pctoTopToBottom : pctoBottomToTop;
}

bool TcxCustomTabControl::IsReversedRows() const {
  const bool topToBottom = FOptions.Contains(pcoTopToBottomText);
  if (IsVerticalStrip()) return !FRotate && !topToBottom;
  return FRotate && topToBottom;
}

TcxTabPosition TcxCustomTabControl::GetTabRowSide(int32_t VisibleIndex) const {
  TcxTab* tab = FTabs->VisibleTabs(VisibleIndex);
  const bool near = tab->VisibleRow() < FNearRowCount;
  if (IsVerticalStrip()) return near ? tpLeft : tpRight;
  return near ? tpTop : tpBottom;
}

TcxPCTabDrawingVariant TcxCustomTabControl::GetTabDrawingVariant(int32_t VisibleIndex) const {
  static const int32_t table[4][3] = {{1, 2, 3}, {10, 11, 12}, {6, 4, 5}, {9, 7, 8}};
  return table[GetTabRowSide(VisibleIndex)][TextOrientation()];
}

// ---- helpers --------------------------------------------------------------------------------------------------

int32_t TcxCustomTabControl::TabLength(int32_t VisibleIndex) {
  TcxTab* tab = FTabs->VisibleTabs(VisibleIndex);
  return FRotate ? FTabs->StandardTabHeight() : tab->FNormalWidth;
}

int32_t TcxCustomTabControl::FirstDrawnTab() const {
  if (VisibleTabCount() == 0 || FRowCount == 0) return 0;
  return FMultiLine ? 0 : std::max(FFirstVisibleTab, 0);
}

int32_t TcxCustomTabControl::LastDrawnTab() const {
  if (VisibleTabCount() == 0 || FRowCount == 0) return -1;
  return FMultiLine ? VisibleTabCount() - 1 : std::min(FLastVisibleTab, VisibleTabCount() - 1);
}

TcxPCNavigatorButtons TcxCustomTabControl::OptionsNavigatorButtons() const {
  TcxPCNavigatorButtons result;
  if (!(FOptions.Contains(pcoNoArrows) && FOptions.Contains(pcoGoDialog))) result = {nbTopLeft, nbBottomRight};
  if (FOptions.Contains(pcoGoDialog)) result.Include(nbGoDialog);
  return result;
}

// ---- measuring ------------------------------------------------------------------------------------------------

void TcxCustomTabControl::CalculateTabNormalSizes() {
  if (FTabs->Count() == 0) throw Exception("TcxCustomTabControl.CalculateTabNormalSizes: Tabs.Count = 0");
  FTabs->SetStandardTabHeight(FPainter->CalculateTabNormalHeight());
  for (int32_t i = 0; i < FTabs->Count(); ++i) {
    TcxTab* tab = FTabs->Tabs(i);
    tab->FNormalWidth = FPainter->CalculateTabNormalWidth(tab);
  }
}

// ---- the whole layout ---------------------------------------------------------------------------------------

void TcxCustomTabControl::CalculateTabsLayout() {
  FNearRowArea = RECT{0, 0, 0, 0};
  FFarRowArea = RECT{0, 0, 0, 0};
  const int32_t count = VisibleTabCount();
  if (FFirstVisibleTab == -1 && count > 0) FFirstVisibleTab = 0;
  if (FFirstVisibleTab >= count) FFirstVisibleTab = count - 1;
  FLastVisibleTab = FFirstVisibleTab;
  if (FHotTabVisibleIndex >= count) FHotTabVisibleIndex = -1;
  if (FMainTabVisibleIndex >= count) FMainTabVisibleIndex = -1;
  if (FPressedTabVisibleIndex >= count) FPressedTabVisibleIndex = -1;
  FRowCount = 0;
  if (FTabIndex >= FTabs->Count()) FTabIndex = FTabs->Count() - 1;
  FNearRowCount = 0;
  if (count == 0 || !FPainter) {
    FNavigatorButtons = TcxPCNavigatorButtons{};
    return;
  }
  CalculateTabNormalSizes();
  if (FMultiLine)
    CalculateMultiLineLayout();
  else
    CalculateSingleLineLayout();
}

bool TcxCustomTabControl::PrepareRows(TcxPCNavigatorButtons AButtons) {
  FNavigatorButtons = AButtons;
  FGeometry = TcxPCTabsAreaGeometry{};
  FPainter->CalculateTabsAreaGeometry(AButtons, FGeometry);
  if (FGeometry.AvailableLength <= 0) return false;
  const int32_t start = IsVerticalStrip() ? FGeometry.RowsRect.top : FGeometry.RowsRect.left;
  if (IsReversedRows()) {
    FRowLimit = -start;
    FRowStart = start + FGeometry.AvailableLength - 1;
    FRowDirection = -1;
  } else {
    FRowStart = start;
    FRowDirection = 1;
    FRowLimit = start + FGeometry.AvailableLength - 1;
  }
  POINT spacing{0, 0}, least{0, 0};
  FPainter->GetTabsSpacing(spacing);
  FPainter->GetMinTabVisiblePart(least);
  FTabSpacing = FRotate ? spacing.y : spacing.x;
  FMinVisiblePart = FRotate ? least.y : least.x;
  return true;
}

bool TcxCustomTabControl::PlaceRow(int32_t AFirst, int32_t ALast) {
  int32_t a = FRowStart;
  const int32_t d = FRowDirection;
  bool result = true;
  for (int32_t vi = AFirst; vi <= ALast; ++vi) {
    TcxTab* tab = FTabs->VisibleTabs(vi);
    const int32_t f = a + (TabLength(vi) - 1) * d;
    const int32_t along = d == 1 ? a : f;
    if (IsVerticalStrip())
      tab->FPosition.y = along;
    else
      tab->FPosition.x = along;
    FLastTabFitsCompletely = FRowLimit >= f * d;
    if (!(FRowLimit >= (a + (FMinVisiblePart - 1) * d) * d)) result = false;
    const int32_t next = f + (FTabSpacing + 1) * d;
    if (next * d > FRowLimit) {
      FLastVisibleTab = vi;
      return vi == ALast && result;
    }
    a = next;
  }
  if (!FMultiLine) FLastVisibleTab = VisibleTabCount() - 1;
  return result;
}

void TcxCustomTabControl::CalculateSingleLineLayout() {
  const int32_t last = VisibleTabCount() - 1;
  FRowCount = 1;
  FNearRowCount = (FTabPosition == tpTop || FTabPosition == tpLeft) ? 1 : 0;

  const int32_t saved = FFirstVisibleTab;
  FFirstVisibleTab = 0;
  if (!PrepareRows(TcxPCNavigatorButtons{})) {
    FFirstVisibleTab = saved;
    FRowCount = 0;
    FNearRowCount = 0;
    return;
  }
  bool fits = PlaceRow(0, last) && FLastTabFitsCompletely;
  if (!fits) {
    FFirstVisibleTab = saved;
    if (!PrepareRows(OptionsNavigatorButtons())) {
      FRowCount = 0;
      FNearRowCount = 0;
      return;
    }
    if (PlaceRow(FFirstVisibleTab, last) && FLastTabFitsCompletely) {
      while (FFirstVisibleTab > 0) {
        --FFirstVisibleTab;
        if (!(PlaceRow(FFirstVisibleTab, last) && FLastTabFitsCompletely)) {
          ++FFirstVisibleTab;
          PlaceRow(FFirstVisibleTab, last);
          break;
        }
      }
    }
  }

  FHotNavigatorButtons = FHotNavigatorButtons * FNavigatorButtons;
  FPressedNavigatorButtons = FPressedNavigatorButtons * FNavigatorButtons;
  UpdateNavigatorButtonStates();

  for (int32_t vi = FFirstVisibleTab; vi <= FLastVisibleTab; ++vi) {
    TcxTab* tab = FTabs->VisibleTabs(vi);
    tab->FRow = 0;
    tab->FVisibleRow = 0;
  }
  CalculateRowThickness();
  PositionRows();
}

void TcxCustomTabControl::CalculateMultiLineLayout() {
  FHotNavigatorButtons = TcxPCNavigatorButtons{};
  FPressedNavigatorButtons = TcxPCNavigatorButtons{};
  if (!PrepareRows(TcxPCNavigatorButtons{})) return;
  const int32_t rowLength = FGeometry.AvailableLength;
  BreakIntoRows(rowLength, FTabSpacing);
  StretchRows(rowLength, FTabSpacing);
  for (const TcxPCLineIndexBounds& b : RowBounds()) PlaceRow(b.Left, b.Right);
  CalculateRowThickness();
  ArrangeRows();
}

TcxPCLineIndexBoundsArray TcxCustomTabControl::RowBounds() {
  TcxPCLineIndexBoundsArray result(static_cast<size_t>(std::max(FRowCount, 0)), TcxPCLineIndexBounds{-1, -1});
  for (int32_t vi = 0; vi < VisibleTabCount(); ++vi) {
    const int32_t row = FTabs->VisibleTabs(vi)->FRow;
    if (row < 0 || row >= FRowCount) continue;
    TcxPCLineIndexBounds& b = result[static_cast<size_t>(row)];
    if (b.Left == -1) b.Left = vi;
    b.Right = vi;
  }
  return result;
}

// ---- row breaking and balancing ------------------------------------------------------------------------------

void TcxCustomTabControl::BreakIntoRows(int32_t ARowLength, int32_t ASpacing) {
  const int32_t count = VisibleTabCount();
  FRowCount = 1;
  int32_t current = 0;
  int32_t runStart = 0;
  for (int32_t vi = 0; vi < count; ++vi) {
    TcxTab* tab = FTabs->VisibleTabs(vi);
    const int32_t w = TabLength(vi);
    if (w < ARowLength) {
      if (w + current > ARowLength) {
        ++FRowCount;
        current = w + ASpacing;
      } else {
        current += w + ASpacing;
      }
      tab->FRow = FRowCount - 1;
      continue;
    }
    // A tab as long as the row: a row of its own.
    if (current > 0) {
      ++FRowCount;
      current = 0;
    }
    if (runStart < vi && FTabs->VisibleTabs(runStart)->FRow != FTabs->VisibleTabs(vi - 1)->FRow)
      BalanceRows(runStart, vi - 1, FTabs->VisibleTabs(runStart)->FRow, ARowLength, ASpacing);
    if (!FRotate && FPainter->GetMinTabNormalWidth() < ARowLength) tab->FNormalWidth = ARowLength;
    tab->FRow = FRowCount - 1;
    if (vi < count - 1) ++FRowCount;
    runStart = vi + 1;
  }
  if (count - runStart >= 2 && FTabs->VisibleTabs(runStart)->FRow != FTabs->VisibleTabs(count - 1)->FRow)
    BalanceRows(runStart, count - 1, FTabs->VisibleTabs(runStart)->FRow, ARowLength, ASpacing);
}

// Redistributes the tabs AFirstTab..ALastTab among the rows they occupy so that the largest leftover is as
// small as possible. The search looks at every split into the same number of rows; it is done as a table
// over (rows used, last tab) instead of trying split points recursively, which keeps it polynomial (rows x
// tabs x tabs per row) however many tabs there are. Among equal answers the split that moves the fewest tabs
// towards later rows wins, row by row from the last.
void TcxCustomTabControl::BalanceRows(int32_t AFirstTab, int32_t ALastTab, int32_t AFirstRow, int32_t ARowLength,
                                      int32_t ASpacing) {
  if (FRotate && FRaggedRight) return;
  const int32_t n = ALastTab - AFirstTab + 1;
  const int32_t rows = FTabs->VisibleTabs(ALastTab)->FRow - AFirstRow + 1;
  if (n < 2 || rows < 2 || rows > n) return;

  std::vector<int64_t> prefix(static_cast<size_t>(n) + 1, 0);
  for (int32_t i = 0; i < n; ++i) prefix[static_cast<size_t>(i) + 1] = prefix[static_cast<size_t>(i)] + TabLength(AFirstTab + i);
  auto leftover = [&](int32_t s, int32_t e) -> int64_t {  // tabs s..e of the run in one row
    return int64_t(ARowLength) - (prefix[static_cast<size_t>(e) + 1] - prefix[static_cast<size_t>(s)]) - int64_t(ASpacing) * (e - s);
  };
  const int64_t kNone = INT64_MAX;
  const size_t width = static_cast<size_t>(n);
  std::vector<int64_t> best(static_cast<size_t>(rows) * width, kNone);
  std::vector<int32_t> start(static_cast<size_t>(rows) * width, -1);
  auto at = [&](int32_t k, int32_t e) { return static_cast<size_t>(k) * width + static_cast<size_t>(e); };

  for (int32_t e = 0; e < n; ++e) {
    const int64_t lo = leftover(0, e);
    if (lo < 0) break;
    best[at(0, e)] = lo;
    start[at(0, e)] = 0;
  }
  for (int32_t k = 1; k < rows; ++k) {
    for (int32_t e = k; e < n; ++e) {
      // Latest start first: on a tie the row keeps the fewest tabs taken from the row before.
      for (int32_t s = e; s >= k; --s) {
        const int64_t lo = leftover(s, e);
        if (lo < 0) break;
        const int64_t before = best[at(k - 1, s - 1)];
        if (before == kNone) continue;
        const int64_t value = std::max(before, lo);
        if (value < best[at(k, e)]) {
          best[at(k, e)] = value;
          start[at(k, e)] = s;
        }
      }
    }
  }
  if (best[at(rows - 1, n - 1)] == kNone) return;  // no split into as many rows: keep the greedy one
  int32_t e = n - 1;
  for (int32_t k = rows - 1; k >= 0; --k) {
    const int32_t s = start[at(k, e)];
    for (int32_t i = s; i <= e; ++i) FTabs->VisibleTabs(AFirstTab + i)->FRow = AFirstRow + k;
    e = s - 1;
  }
}

void TcxCustomTabControl::StretchRows(int32_t ARowLength, int32_t ASpacing) {
  if (FRotate || FRaggedRight) return;
  for (const TcxPCLineIndexBounds& b : RowBounds()) {
    if (b.Left < 0) continue;
    int64_t sum = 0;
    for (int32_t vi = b.Left; vi <= b.Right; ++vi) sum += FTabs->VisibleTabs(vi)->FNormalWidth;
    const int64_t leftover = int64_t(ARowLength) - sum - int64_t(ASpacing) * (b.Right - b.Left);
    if (leftover <= 0 || sum <= 0) continue;
    int64_t given = 0;
    for (int32_t vi = b.Left; vi < b.Right; ++vi) {
      TcxTab* tab = FTabs->VisibleTabs(vi);
      const int64_t extra = int64_t(tab->FNormalWidth) * leftover / sum;
      tab->FNormalWidth += static_cast<int32_t>(extra);
      given += extra;
    }
    FTabs->VisibleTabs(b.Right)->FNormalWidth += static_cast<int32_t>(leftover - given);
  }
}

// ---- rows -----------------------------------------------------------------------------------------------------

void TcxCustomTabControl::CalculateRowThickness() {
  if (!FRotate) {
    FRowThickness = FTabs->StandardTabHeight();
    return;
  }
  int32_t widest = 0;
  for (int32_t vi = FirstDrawnTab(); vi <= LastDrawnTab(); ++vi)
    widest = std::max(widest, FTabs->VisibleTabs(vi)->FNormalWidth);
  if (FMaxRotatedTabWidth >= 1 && FMaxRotatedTabWidth >= FPainter->GetMinTabNormalWidth() &&
      FMaxRotatedTabWidth < widest)
    widest = FMaxRotatedTabWidth;
  FRowThickness = widest;
}

void TcxCustomTabControl::ArrangeRows() {
  if (FRowCount <= 0 || VisibleTabCount() == 0) return;
  const bool topToBottom = FOptions.Contains(pcoTopToBottomText);
  const bool reverse = IsVerticalStrip() ? ((!FRotate && topToBottom) != (FTabPosition == tpRight))
                                         : ((FRotate && !topToBottom) != (FTabPosition == tpBottom));
  const int32_t count = VisibleTabCount();
  for (int32_t vi = 0; vi < count; ++vi) {
    TcxTab* tab = FTabs->VisibleTabs(vi);
    tab->FVisibleRow = reverse ? FRowCount - tab->FRow - 1 : tab->FRow;
  }
  int32_t n = FRowCount;
  const int32_t mainVi = FTabIndex != -1 ? FVisibleTabList->IndexOf(FTabIndex) : -1;
  if (mainVi != -1 && FPainter->PainterClass() && FPainter->PainterClass()->KeepsMainRowNextToPage()) {
    const int32_t m = FTabs->VisibleTabs(mainVi)->FVisibleRow;
    if (FScrollOpposite) {
      n = m + 1;
    } else {
      for (int32_t vi = 0; vi < count; ++vi) {
        TcxTab* tab = FTabs->VisibleTabs(vi);
        tab->FVisibleRow = (tab->FVisibleRow + FRowCount - m - 1) % FRowCount;
      }
    }
  }
  FNearRowCount = n;
  if (FTabPosition == tpBottom || FTabPosition == tpRight) {
    for (int32_t vi = 0; vi < count; ++vi) {
      TcxTab* tab = FTabs->VisibleTabs(vi);
      tab->FVisibleRow = FRowCount - tab->FVisibleRow - 1;
    }
    FNearRowCount = FRowCount - FNearRowCount;
  }
  PositionRows();
}

void TcxCustomTabControl::PositionRows() {
  const bool vertical = IsVerticalStrip();
  const RECT& rows = FGeometry.RowsRect;
  const RECT& tabsRect = FGeometry.TabsRect;
  const int32_t s1 = vertical ? rows.left : rows.top;
  const int32_t e1 = vertical ? rows.right : rows.bottom;
  const int32_t t = FRowThickness;
  POINT spacing{0, 0};
  FPainter->GetTabsSpacing(spacing);
  const int32_t g = FRotate ? spacing.x : spacing.y;

  for (int32_t vi = FirstDrawnTab(); vi <= LastDrawnTab(); ++vi) {
    TcxTab* tab = FTabs->VisibleTabs(vi);
    const int32_t r = tab->FVisibleRow;
    const int32_t across =
        r < FNearRowCount ? s1 + r * (t + g) : e1 - (FRowCount - r) * t - (FRowCount - r - 1) * g;
    if (vertical)
      tab->FPosition.x = across;
    else
      tab->FPosition.y = across;
  }

  const int32_t s = vertical ? tabsRect.left : tabsRect.top;
  const int32_t e = vertical ? tabsRect.right : tabsRect.bottom;
  int32_t nearEnd = std::min(e, s1 + FNearRowCount * (t + g) - g + FGeometry.NearAreaExtension);
  int32_t farStart = std::max(s, e1 - (FRowCount - FNearRowCount) * (t + g) + g + FGeometry.FarAreaExtension);
  if (FNearRowCount > 0 && FNearRowCount < FRowCount) {
    if (FTabPosition == tpTop || FTabPosition == tpLeft) {
      const int32_t v = std::min(nearEnd + FGeometry.AreaGap, e);
      if (v > farStart) farStart = v;
    } else {
      const int32_t v = std::max(farStart - FGeometry.AreaGap, s);
      if (v < nearEnd) nearEnd = v;
    }
  }
  if (vertical) {
    FNearRowArea = RECT{s, tabsRect.top, nearEnd, tabsRect.bottom};
    FFarRowArea = RECT{farStart, tabsRect.top, e, tabsRect.bottom};
  } else {
    FNearRowArea = RECT{tabsRect.left, s, tabsRect.right, nearEnd};
    FFarRowArea = RECT{tabsRect.left, farStart, tabsRect.right, e};
  }
}

// ---- rectangles and hits ------------------------------------------------------------------------------------

RECT TcxCustomTabControl::GetTabCellRect(int32_t VisibleIndex) {
  TcxTab* tab = FTabs->VisibleTabs(VisibleIndex);
  int32_t w, h;
  if (IsVerticalText()) {
    w = FTabs->StandardTabHeight();
    h = FRotate ? FRowThickness : tab->FNormalWidth;
  } else {
    w = FRotate ? FRowThickness : tab->FNormalWidth;
    h = FTabs->StandardTabHeight();
  }
  return RECT{tab->FPosition.x, tab->FPosition.y, tab->FPosition.x + w, tab->FPosition.y + h};
}

RECT TcxCustomTabControl::GetTabFullRect(int32_t VisibleIndex) {
  RECT r = GetTabCellRect(VisibleIndex);
  RECT c{0, 0, 0, 0};
  if (FPainter) FPainter->GetTabCorrection(VisibleIndex, c);
  FTabs->VisibleTabs(VisibleIndex)->FCorrection = c;
  return RECT{r.left + c.left, r.top + c.top, r.right + c.right, r.bottom + c.bottom};
}

RECT TcxCustomTabControl::GetTabVisibleRect(int32_t VisibleIndex) {
  if (VisibleIndex < 0 || VisibleIndex >= VisibleTabCount() || FRowCount == 0) return RECT{0, 0, 0, 0};
  if (!FMultiLine && (VisibleIndex < FFirstVisibleTab || VisibleIndex > FLastVisibleTab)) return RECT{0, 0, 0, 0};
  TcxTab* tab = FTabs->VisibleTabs(VisibleIndex);
  const RECT area = tab->FVisibleRow < FNearRowCount ? FNearRowArea : FFarRowArea;
  return Intersect(GetTabFullRect(VisibleIndex), area);
}

int32_t TcxCustomTabControl::TabAtPos(int32_t X, int32_t Y) {
  if (!FPainter) return -1;
  for (int32_t vi = FirstDrawnTab(); vi <= LastDrawnTab(); ++vi) {
    const RECT r = GetTabVisibleRect(vi);
    if (X >= r.left && X < r.right && Y >= r.top && Y < r.bottom && FPainter->IsTabHit(vi, X, Y)) return vi;
  }
  return -1;
}

// ---- scrolling the single line --------------------------------------------------------------------------------

void TcxCustomTabControl::MakeTabVisible(int32_t VisibleIndex) {
  if (FMultiLine || !FPainter || VisibleIndex < 0 || VisibleIndex >= VisibleTabCount()) return;
  if (VisibleIndex < FFirstVisibleTab) {
    FFirstVisibleTab = VisibleIndex;
    return;
  }
  if (!(VisibleIndex > FLastVisibleTab || (VisibleIndex == FLastVisibleTab && !FLastTabFitsCompletely))) return;
  TcxPCTabsAreaGeometry g;
  FPainter->CalculateTabsAreaGeometry(FNavigatorButtons, g);
  FFirstVisibleTab = VisibleIndex;
  if (g.AvailableLength <= 0) return;
  POINT spacing{0, 0};
  FPainter->GetTabsSpacing(spacing);
  const int32_t sp = FRotate ? spacing.y : spacing.x;
  int32_t length = TabLength(VisibleIndex);
  while (length + sp < g.AvailableLength && FFirstVisibleTab > 0) {
    const int32_t more = length + sp + TabLength(FFirstVisibleTab - 1);
    if (more > g.AvailableLength) break;
    length = more;
    --FFirstVisibleTab;
  }
}

void TcxCustomTabControl::ScrollTabs(TcxPCNavigatorButton AButton) {
  if (FNavigatorButtonStates[AButton] == nbsDisabled) return;
  const bool towardsEnd = AButton == nbBottomRight || (AButton == nbTopLeft && IsReversedRows());
  FFirstVisibleTab += towardsEnd ? 1 : -1;
  if (FFirstVisibleTab < 0) FFirstVisibleTab = 0;
  RequestLayout();
}

bool TcxCustomTabControl::CanScroll(TcxPCNavigatorButton AButton) {
  const bool towardsEnd = AButton == nbBottomRight || (AButton == nbTopLeft && IsReversedRows());
  if (towardsEnd) {
    const int32_t last = VisibleTabCount() - 1;
    if (FLastVisibleTab > last) return false;
    if (FLastVisibleTab == last && (FLastTabFitsCompletely || FLastVisibleTab == FFirstVisibleTab)) return false;
    return true;
  }
  return FFirstVisibleTab > 0;
}

// ---- page client rectangle ---------------------------------------------------------------------------------

RECT TcxCustomTabControl::GetPageClientRect() {
  RECT r{0, 0, Width(), Height()};
  if (ComponentState().Contains(csLoading)) {
    if (FStoredClientRectRead) r = FStoredClientRect;
  } else if (FPainter) {
    FPainter->GetPageClientRect(r);
  }
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}
