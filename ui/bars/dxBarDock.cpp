// Dock areas and the row layout of docked bars.
//
// Along is the direction a row runs (x in horizontal docks, y in vertical ones), across the other one. The
// layout works in along/across terms and swaps the coordinates back for vertical docks at the end.

#include <algorithm>
#include <numeric>

#include "forms/Forms.h"
#include "rtl/ScopeExit.h"
#include "rtl/TypInfo.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"

namespace {

constexpr int32_t kMarkAllowance = 11;
constexpr int32_t kNewRowBand = 5;

TAlign AlignOfStyle(TdxBarDockingStyle AStyle) {
  switch (AStyle) {
    case dsLeft: return alLeft;
    case dsRight: return alRight;
    case dsBottom: return alBottom;
    default: return alTop;
  }
}

TdxBarDockingStyle StyleOfAlign(TAlign AAlign) {
  switch (AAlign) {
    case alBottom: return dsBottom;
    case alLeft: return dsLeft;
    case alRight: return dsRight;
    default: return dsTop;  // none, top, client and custom
  }
}

// The rectangle of a window in along/across terms.
struct TAlongRect {
  int32_t Along = 0, Across = 0, Length = 0, Thickness = 0;
};

}  // namespace

// ---- rows and columns -----------------------------------------------------------------------------------------

void TdxDockCol::StorePosition() { Pos = POINT{FBarControl->Left(), FBarControl->Top()}; }

TdxDockRow::~TdxDockRow() {
  for (TdxDockCol* c : FCols) c->Free();
}

int32_t TdxDockRow::IndexOfBarControl(TCustomdxBarControl* ABarControl) const {
  for (size_t i = 0; i < FCols.size(); ++i)
    if (FCols[i]->BarControl() == ABarControl) return static_cast<int32_t>(i);
  return -1;
}

// ---- TdxDockControl --------------------------------------------------------------------------------------------

TdxDockControl::TdxDockControl(TComponent* AOwner) : TCustomControl(AOwner) {}

TdxDockControl::TdxDockControl(TComponent* AOwner, TdxBarDockingStyle AStyle, TdxBarManager* ABarManager)
    : TCustomControl(AOwner), FBarManager(ABarManager), FImplicitStyle(AStyle) {}

TdxDockControl::~TdxDockControl() {
  delete FBackgroundBitmap;
  delete FBackgroundCache;
}

void TdxDockControl::AfterConstruction() {
  TCustomControl::AfterConstruction();
  FBackgroundBitmap = New<TBitmap>();
  FBackgroundBitmap->OnChange = TNotifyEvent(this, &TdxDockControl::BackgroundBitmapChanged);
  FBackgroundCache = New<TBitmap>();
  SetParentColor(true);
  if (FImplicitStyle != dsNone) {
    SetAlign(AlignOfStyle(FImplicitStyle));
    TControlStyle style = ControlStyle();
    style.Include(csNoDesignVisible);
    if (FImplicitStyle == dsTop) style.Include(csActionClient);
    SetControlStyle(style);
    TdxBarManager* manager = FBarManager;
    FBarManager = nullptr;
    SetBarManager(manager);
  }
}

void TdxDockControl::BeforeDestruction() {
  if (FBarManager) {
    TdxBarManager* manager = FBarManager;
    FBarManager = nullptr;
    manager->RemoveDockControl(this);
  }
  // Bar windows still standing here lose their dock.
  for (TdxDockRow* row : FRows)
    for (TdxDockCol* col : row->FCols)
      if (IsBarControlAlive(col->BarControl())) col->BarControl()->SetDockControl(nullptr);
  FreeRows();
  TCustomControl::BeforeDestruction();
}

void TdxDockControl::FreeRows() {
  for (TdxDockRow* row : FRows) row->Free();
  FRows.clear();
}

void TdxDockControl::SetBarManager(TdxBarManager* Value) {
  if (FBarManager == Value) return;
  if (FBarManager) {
    TdxBarManager* old = FBarManager;
    FBarManager = nullptr;
    old->RemoveDockControl(this);
  }
  FBarManager = Value;
  if (FBarManager) FBarManager->AddDockControl(this);
  BackgroundChanged();
}

void TdxDockControl::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FBarManager) {
    FBarManager = nullptr;
    FreeRows();
  }
}

void TdxDockControl::SetBackgroundBitmap(TBitmap* Value) { FBackgroundBitmap->Assign(Value); }

void TdxDockControl::BackgroundBitmapChanged(TObject*) {
  ClearBackgroundCache();
  Invalidate();
  UpdateDoubleBuffered();
  RefreshBars();
}

TdxBars* TdxDockControl::GetBars() const { return FBarManager ? FBarManager->Bars() : nullptr; }

TdxBarDockingStyle TdxDockControl::GetDockingStyle() const {
  return FImplicitStyle != dsNone ? FImplicitStyle : StyleOfAlign(TControl::Align());
}

bool TdxDockControl::IsVertical() const {
  const TdxBarDockingStyle s = GetDockingStyle();
  return s == dsLeft || s == dsRight;
}
bool TdxDockControl::IsHorizontal() const { return !IsVertical(); }
bool TdxDockControl::IsNearEdge() const {
  const TdxBarDockingStyle s = GetDockingStyle();
  return s == dsLeft || s == dsTop;
}

bool TdxDockControl::FindBarControl(TCustomdxBarControl* ABarControl, int32_t& ARow, int32_t& ACol) const {
  for (size_t r = 0; r < FRows.size(); ++r) {
    const int32_t c = FRows[r]->IndexOfBarControl(ABarControl);
    if (c >= 0) {
      ARow = static_cast<int32_t>(r);
      ACol = c;
      return true;
    }
  }
  return false;
}

void TdxDockControl::BackgroundChanged() { ClearBackgroundCache(); }
bool TdxDockControl::CanDockBar(TdxBar*) { return FAllowDocking; }

void TdxDockControl::UpdateColor() {
  if (!FBarManager || FBarManager->AutoDockColor())
    SetParentColor(true);
  else
    TControl::SetColor(FBarManager->DockColor());
}

int32_t TdxDockControl::ClientExtentAcross() { return IsVertical() ? ClientWidth() : ClientHeight(); }
int32_t TdxDockControl::ClientExtentAlong() { return IsVertical() ? ClientHeight() : ClientWidth(); }

namespace {

int32_t RowSize(const TdxDockRow* ARow, bool AVertical) {
  int32_t size = 0;
  for (int32_t i = 0; i < ARow->GetColumnCount(); ++i) {
    TCustomdxBarControl* c = ARow->GetColumn(i)->BarControl();
    size = std::max(size, AVertical ? c->Width() : c->Height());
  }
  return size;
}

}  // namespace

int32_t TdxDockControl::CalcRowsSize() {
  int32_t sum = 0;
  for (TdxDockRow* row : FRows) sum += RowSize(row, IsVertical());
  return sum;
}

bool TdxDockControl::GetSunkenBorder() { return FBarManager && FBarManager->SunkenBorder(); }

TCustomForm* TdxDockControl::GetOwnerForm() { return FBarManager ? FBarManager->OwnerForm() : nullptr; }

void TdxDockControl::DrawBackground(HDC DC, const RECT& R, TColor AColor, HBRUSH ABrush, const RECT& ASourceRect) {
  TBitmap* managerBitmap = FBarManager ? FBarManager->Backgrounds()->Bar() : nullptr;
  if (!FBackgroundBitmap->Empty()) {
    FillRectOrBitmap(DC, R, ASourceRect, FBackgroundBitmap, AColor, ABrush);
  } else if (managerBitmap && !managerBitmap->Empty()) {
    FillRectOrBitmap(DC, R, ASourceRect, managerBitmap, AColor, ABrush);
  } else {
    const RECT client = ClientRect();
    if (client.right <= client.left || client.bottom <= client.top) return;
    TdxBarItemControlPainterClass painter =
        FBarManager ? FBarManager->PainterClass() : TdxBarItemControlPainter::Instance();
    painter->DrawDockBackground(this, DC, AColor, nullptr, R, ASourceRect);
  }
}

bool TdxDockControl::HasBackgroundBitmap() const { return !FBackgroundBitmap->Empty(); }

bool TdxDockControl::IsDoubleBufferNeeded() const {
  if (!FBarManager) return false;
  return HasBackgroundBitmap() || FBarManager->PainterClass()->PaintsOwnBackground() ||
         !FBarManager->Backgrounds()->Bar()->Empty();
}

void TdxDockControl::RefreshBars() {
  for (TdxDockRow* row : FRows)
    for (TdxDockCol* col : row->FCols)
      if (col->BarControl()->HandleAllocated()) {
        SendMessage(col->BarControl()->Handle(), WM_NCPAINT, 1, 0);
        col->BarControl()->Repaint();
      }
}

void TdxDockControl::ClearBackgroundCache() {
  if (FBackgroundCache) FBackgroundCache->SetSize(0, 0);
}

void TdxDockControl::UpdateDoubleBuffered() { SetDoubleBuffered(IsDoubleBufferNeeded()); }

// ---- zones -------------------------------------------------------------------------------------------------------

void TdxDockControl::GetRowRange(int32_t ARow, int32_t& ALo, int32_t& AHi) {
  const bool vertical = IsVertical();
  const bool fromFar = !IsNearEdge() && GetBars() && GetBars()->Dragging();
  if (!fromFar) {
    ALo = 0;
    for (int32_t r = 0; r < ARow; ++r) ALo += RowSize(FRows[static_cast<size_t>(r)], vertical);
  } else {
    // While a bar is dragged, right and bottom docks keep their outer edge: rows stack from the far side.
    ALo = ClientExtentAcross();
    for (int32_t r = GetRowCount() - 1; r >= ARow; --r) ALo -= RowSize(FRows[static_cast<size_t>(r)], vertical);
  }
  AHi = ALo + RowSize(FRows[static_cast<size_t>(ARow)], vertical);
}

void TdxDockControl::GetInsertZone(int32_t ARow, int32_t& ALo, int32_t& AHi, int32_t& ABand) {
  const int32_t m = GetBars() ? GetBars()->DockZoneMargin() : 23;
  const int32_t n = GetRowCount();
  const bool nearEdge = IsNearEdge();
  if (ARow < 0) {
    const int32_t e = ClientExtentAcross(), s = CalcRowsSize();
    ALo = nearEdge ? -m : e - s - m;
    AHi = ALo + m;
  } else if (ARow >= n) {
    const int32_t e = ClientExtentAcross(), s = CalcRowsSize();
    ALo = nearEdge ? s : e;
    AHi = ALo + m;
  } else {
    GetRowRange(ARow, ALo, AHi);
  }
  ABand = nearEdge ? ALo + (m - kNewRowBand) / 2 : AHi - (m - kNewRowBand) / 2 - kNewRowBand;
}

int32_t TdxDockControl::RowFromPoint(int32_t AAcross, bool& ANewRow) {
  const int32_t n = GetRowCount();
  if (n == 0) {
    ANewRow = true;
    return 0;
  }
  for (int32_t r = -1; r < n; ++r) {
    int32_t lo, hi, band;
    GetInsertZone(r, lo, hi, band);
    const int32_t parts[3][2] = {{lo, band}, {band, band + kNewRowBand}, {band + kNewRowBand, hi}};
    for (int part = 0; part < 3; ++part)
      if (AAcross >= parts[part][0] && AAcross < parts[part][1]) {
        const int32_t row = r + (part > 0 ? 1 : 0);
        ANewRow = part == 1 || row >= n;
        return row;
      }
  }
  ANewRow = true;
  return AAcross < CalcRowsSize() ? 0 : n;
}

int32_t TdxDockControl::ColumnFromPoint(int32_t ARow, POINT AScreenPoint) {
  if (ARow < 0 || ARow >= GetRowCount()) return 0;
  TdxDockRow* row = FRows[static_cast<size_t>(ARow)];
  if (row->GetColumnCount() == 0) return 0;
  POINT p = ScreenToClient(AScreenPoint);
  const bool vertical = IsVertical();
  if (TdxBars* bars = GetBars(); bars && bars->Dragging() && bars->DraggedControl() &&
                                   !bars->DraggedControl()->IsInternalChange()) {
    const POINT grab = bars->DraggedControl()->GetDragGrabPoint(GetDockingStyle());
    if (vertical) p.y -= grab.y; else p.x -= grab.x;
  }
  const int32_t along = vertical ? p.y : p.x;
  for (int32_t i = 0; i < row->GetColumnCount(); ++i) {
    TdxBar* bar = row->GetColumn(i)->BarControl()->Bar();
    const int32_t stored = bar ? (vertical ? bar->DockedTop() : bar->DockedLeft()) : 0;
    if (stored >= along) return i;
  }
  return row->GetColumnCount();
}

POINT TdxDockControl::SnapToRow(int32_t ARow, bool AOneOnRow, POINT AScreenPoint) {
  const int32_t n = GetRowCount();
  int32_t across;
  int32_t lo, hi, band;
  if (AOneOnRow && ARow != n) {
    GetInsertZone(ARow - 1, lo, hi, band);
    across = (band + band + kNewRowBand) / 2;
  } else {
    int32_t plo, phi, pband;
    GetInsertZone(ARow - 1, plo, phi, pband);
    GetInsertZone(ARow, lo, hi, band);
    int32_t part2Lo = pband + kNewRowBand;
    const int32_t part2Hi = phi, part0Len = band - lo;
    if (part2Hi - part2Lo > part0Len) part2Lo = part2Hi - part0Len;
    across = (part2Lo + band) / 2;
  }
  POINT p = ScreenToClient(AScreenPoint);
  if (IsVertical()) p.x = across; else p.y = across;
  return ClientToScreen(p);
}

RECT TdxDockControl::GetDockZone() {
  RECT r = BoundsRect();
  if (Parent()) {
    POINT tl = Parent()->ClientToScreen(POINT{r.left, r.top});
    OffsetRect(&r, tl.x - r.left, tl.y - r.top);
  }
  const int32_t m = GetBars() ? GetBars()->DockZoneMargin() : 23;
  r.left -= m;
  r.right += m;
  if (IsHorizontal()) {
    r.top -= m;
    r.bottom += m;
  }
  return r;
}

// ---- inserting and removing bars ---------------------------------------------------------------------------------

void TdxDockControl::InsertBar(TCustomdxBarControl* ABarControl, POINT AScreenPoint, bool ARealign) {
  if (!FBarManager) return;
  TdxBars* bars = GetBars();
  TdxBar* bar = ABarControl->Bar();
  const bool internal = ABarControl->IsInternalChange();
  const bool restoring = bars && bars->RestoringLayout();
  int32_t row;
  bool newRow;
  if (internal && bar) {
    row = bar->Row();
    newRow = bar->OneOnRow();
  } else {
    const POINT c = ScreenToClient(AScreenPoint);
    row = RowFromPoint(IsVertical() ? c.x : c.y, newRow);
  }
  if (bar && bar->WholeRow()) newRow = true;
  if (internal && restoring) {
    // Rows between the ones read so far and the stored index come into being empty.
    while (GetRowCount() < row) FRows.push_back(New<TdxDockRow>(this));
  } else {
    const int32_t n = GetRowCount();
    row = std::min(row, newRow ? n : n - 1);
    row = std::max(row, 0);
  }
  if (row >= GetRowCount()) newRow = true;
  if (!newRow) {
    TdxDockRow* target = FRows[static_cast<size_t>(row)];
    for (TdxDockCol* col : target->FCols)
      if (col->BarControl() != ABarControl && col->BarControl()->Bar() && col->BarControl()->Bar()->WholeRow())
        newRow = true;
  }
  TdxDockCol* col;
  if (newRow) {
    TdxDockRow* target;
    if (internal && restoring && row < GetRowCount() && FRows[static_cast<size_t>(row)]->GetColumnCount() == 0) {
      target = FRows[static_cast<size_t>(row)];
    } else {
      target = New<TdxDockRow>(this);
      FRows.insert(FRows.begin() + std::min<int32_t>(row, GetRowCount()), target);
    }
    col = New<TdxDockCol>(target, ABarControl);
    target->FCols.push_back(col);
  } else {
    TdxDockRow* target = FRows[static_cast<size_t>(row)];
    const int32_t index = ColumnFromPoint(row, AScreenPoint);
    col = New<TdxDockCol>(target, ABarControl);
    target->FCols.insert(target->FCols.begin() + std::clamp<int32_t>(index, 0, target->GetColumnCount()), col);
  }
  POINT p = AScreenPoint;
  if (!internal) {
    if (bars && bars->Dragging()) {
      p.x -= bars->DragOffset().x;
      p.y -= bars->DragOffset().y;
    }
    const POINT grab = ABarControl->GetDragGrabPoint(ABarControl->DockingStyle());
    p.x -= grab.x;
    p.y -= grab.y;
  }
  p = ScreenToClient(p);
  if (IsVertical()) p.y = std::max<int32_t>(p.y, 0); else p.x = std::max<int32_t>(p.x, 0);
  col->Pos = p;
  if (!ARealign) return;
  if (!ABarControl->IsDragging()) ABarControl->SetBounds(p.x, p.y, ABarControl->Width(), ABarControl->Height());
  UpdateLayout();
  if (!restoring && !FBarManager->PendingVisibleStarted()) col->StorePosition();
}

void TdxDockControl::RemoveBar(TCustomdxBarControl* ABarControl, TdxDockCol* ACol, bool ARealign) {
  for (size_t r = 0; r < FRows.size(); ++r) {
    TdxDockRow* row = FRows[r];
    auto it = std::find_if(row->FCols.begin(), row->FCols.end(), [&](TdxDockCol* c) {
      return ACol ? c == ACol : c->BarControl() == ABarControl;
    });
    if (it == row->FCols.end()) continue;
    (*it)->Free();
    row->FCols.erase(it);
    if (row->FCols.empty()) {
      row->Free();
      FRows.erase(FRows.begin() + static_cast<ptrdiff_t>(r));
    }
    break;
  }
  if (ARealign) UpdateLayout();
}

void TdxDockControl::MoveBar(TCustomdxBarControl* ABarControl, POINT AScreenPoint) {
  RemoveBar(ABarControl, nullptr, false);
  InsertBar(ABarControl, AScreenPoint, true);
  if (IsDoubleBufferNeeded()) {
    ClearBackgroundCache();
    RefreshBars();
  }
}

void TdxDockControl::StoreBarPositions() {
  for (TdxDockRow* row : FRows)
    for (TdxDockCol* col : row->FCols) col->StorePosition();
}

// ---- layout --------------------------------------------------------------------------------------------------------

bool TdxDockControl::IsLayoutSuppressed() const {
  if (!FBarManager || FBarManager->IsBeingDestroyed() || FBarManager->UpdateLock()) return true;
  TCustomForm* form = FBarManager->OwnerForm();
  return form && form->ComponentState().Contains(csDestroying);
}

void TdxDockControl::UpdateLayout() {
  if (IsLayoutSuppressed()) return;
  LayoutRows();
  AdjustSize();
}

void TdxDockControl::LayoutRows() {
  if (FRows.empty() || IsLayoutSuppressed() || (GetBars() && GetBars()->RestoringLayout())) return;
  if (!IsDesigning() && HandleAllocated())
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DisableAlign();
  ScopeExit enable([&] { EnableAlign(); });
  const bool vertical = IsVertical();
  const TdxBarDockingStyle style = GetDockingStyle();
  const int32_t l = ClientExtentAlong();
  TdxBarItemControlPainterClass painter = FBarManager->PainterClass();

  for (int32_t r = 0; r < GetRowCount(); ++r) {
    TdxDockRow* row = FRows[static_cast<size_t>(r)];
    const int32_t n = row->GetColumnCount();
    if (n == 0) continue;
    std::vector<TCustomdxBarControl*> bars(static_cast<size_t>(n));
    std::vector<int32_t> extraAlong(static_cast<size_t>(n)), extraAcross(static_cast<size_t>(n));
    std::vector<bool> wraps(static_cast<size_t>(n));
    std::vector<TAlongRect> place(static_cast<size_t>(n));
    int32_t fullSum = 0;
    for (int32_t i = 0; i < n; ++i) {
      TCustomdxBarControl* c = row->GetColumn(i)->BarControl();
      bars[static_cast<size_t>(i)] = c;
      TdxBar* bar = c->Bar();
      c->Truncated = false;
      if (c->ItemLinks()) c->ItemLinks()->SetRecentItemCount(-1);
      extraAlong[static_cast<size_t>(i)] = bar ? (vertical ? bar->GetExtraHeight(style) : bar->GetExtraWidth(style)) : 0;
      extraAcross[static_cast<size_t>(i)] = bar ? (vertical ? bar->GetExtraWidth(style) : bar->GetExtraHeight(style)) : 0;
      c->MinLength = (vertical ? c->CalcMinHeight(style) : c->CalcMinWidth(style)) + extraAlong[static_cast<size_t>(i)];
      c->FullLength =
          (vertical ? c->CalcContentHeight(style) : c->CalcContentWidth(style)) + extraAlong[static_cast<size_t>(i)];
      if (!c->HasMark() && c->MinLength != c->FullLength) c->MinLength += kMarkAllowance;
      wraps[static_cast<size_t>(i)] = bar && bar->MultiLine();
      fullSum += c->FullLength;
    }
    int32_t rowLo, rowHi;
    GetRowRange(r, rowLo, rowHi);
    const int32_t t = rowLo;

    auto thickness = [&](int32_t i, int32_t length) {
      TCustomdxBarControl* c = bars[static_cast<size_t>(i)];
      int32_t inner = length - extraAlong[static_cast<size_t>(i)];
      if (c->Truncated && !painter->IsQuickCustomizingSupported()) inner -= kMarkAllowance;
      const int32_t content = vertical ? c->CalcSizeForHeight(style, inner).cx : c->CalcSizeForWidth(style, inner).cy;
      return content + extraAcross[static_cast<size_t>(i)];
    };
    auto plainThickness = [&](int32_t i) {
      TCustomdxBarControl* c = bars[static_cast<size_t>(i)];
      return (vertical ? c->CalcContentWidth(style) : c->CalcContentHeight(style)) + extraAcross[static_cast<size_t>(i)];
    };
    auto storedAlong = [&](int32_t i) {
      const POINT p = row->GetColumn(i)->Pos;
      return vertical ? p.y : p.x;
    };
    auto sumBefore = [&](int32_t i, bool full) {
      int32_t s = 0;
      for (int32_t k = 0; k < i; ++k) s += full ? bars[static_cast<size_t>(k)]->FullLength : bars[static_cast<size_t>(k)]->MinLength;
      return s;
    };

    TdxBar* firstBar = bars[0]->Bar();
    if (firstBar && firstBar->WholeRow()) {
      TCustomdxBarControl* c = bars[0];
      TAlongRect& pl = place[0];
      pl.Along = 0;
      pl.Length = std::max(l, c->MinLength);
      c->Truncated = !wraps[0] && pl.Length < c->FullLength;
      pl.Thickness = thickness(0, pl.Length);
      pl.Across = t;
    } else if (l < fullSum) {
      int32_t a = l;
      for (int32_t i = n - 1; i >= 0; --i) {
        TCustomdxBarControl* c = bars[static_cast<size_t>(i)];
        TAlongRect& pl = place[static_cast<size_t>(i)];
        int32_t p = std::min(std::max(storedAlong(i), sumBefore(i, false)), sumBefore(i, true));
        if (i > 0) {
          TCustomdxBarControl* prev = bars[static_cast<size_t>(i - 1)];
          TdxBars* barsCollection = GetBars();
          if (barsCollection && barsCollection->Dragging() && barsCollection->DraggedControl() == prev) {
            const int32_t prevPos = std::max(storedAlong(i - 1), sumBefore(i - 1, false));
            if (prevPos + prev->FullLength < p) {
              p = prevPos + prev->FullLength;
              POINT& stored = row->GetColumn(i)->Pos;
              (vertical ? stored.y : stored.x) = p;
            }
          }
        }
        const int32_t room = a - p;
        if (room < c->FullLength) {
          c->Truncated = !wraps[static_cast<size_t>(i)] && c->MinLength != c->FullLength;
          pl.Length = std::max(c->MinLength, room);
          pl.Thickness = thickness(i, pl.Length);
        } else {
          pl.Length = c->FullLength;
          pl.Thickness = wraps[static_cast<size_t>(i)] ? thickness(i, pl.Length) : plainThickness(i);
        }
        if (i == 0) pl.Length = std::max(pl.Length, a);
        pl.Along = std::min(std::max(a - pl.Length, sumBefore(i, false)), sumBefore(i, true));
        pl.Across = t;
        a -= pl.Length;
      }
    } else {
      int32_t b = l;
      for (int32_t i = n - 1; i >= 0; --i) {
        TCustomdxBarControl* c = bars[static_cast<size_t>(i)];
        TAlongRect& pl = place[static_cast<size_t>(i)];
        pl.Length = c->FullLength;
        pl.Thickness = wraps[static_cast<size_t>(i)] ? thickness(i, pl.Length) : plainThickness(i);
        const int32_t stored = storedAlong(i);
        pl.Along = stored + pl.Length > b ? b - pl.Length : stored;
        pl.Along = std::max(pl.Along, sumBefore(i, true));
        pl.Across = t;
        b = pl.Along;
      }
    }
    // Bars that want the rest of their row reach from the bar before them to the bar after them.
    for (int32_t i = 0; i < n; ++i) {
      TdxBar* bar = bars[static_cast<size_t>(i)]->Bar();
      if (!bar || !bar->UseRestSpace()) continue;
      TAlongRect& pl = place[static_cast<size_t>(i)];
      const int32_t start = i == 0 ? 0 : place[static_cast<size_t>(i - 1)].Along + place[static_cast<size_t>(i - 1)].Length;
      const int32_t end = i == n - 1 ? l : place[static_cast<size_t>(i + 1)].Along;
      pl.Along = start;
      pl.Length = std::max(end - start, bars[static_cast<size_t>(i)]->MinLength);
    }
    int32_t rowThickness = 0;
    for (const TAlongRect& pl : place) rowThickness = std::max(rowThickness, pl.Thickness);
    for (int32_t i = 0; i < n; ++i) {
      TCustomdxBarControl* c = bars[static_cast<size_t>(i)];
      TAlongRect pl = place[static_cast<size_t>(i)];
      if (i == n - 1 && c->Truncated) pl.Length = std::max(l - pl.Along, c->MinLength);
      pl.Thickness = rowThickness;
      RECT bounds = vertical ? RECT{pl.Across, pl.Along, pl.Across + pl.Thickness, pl.Along + pl.Length}
                             : RECT{pl.Along, pl.Across, pl.Along + pl.Length, pl.Across + pl.Thickness};
      const RECT current = c->BoundsRect();
      if (!EqualRect(&bounds, &current))
        c->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
      c->CalcItemRects();
    }
  }
  if (HandleAllocated()) Invalidate();
}

void TdxDockControl::AdjustSize() {
  int32_t wanted = CalcRowsSize();
  if (wanted > 0 && GetSunkenBorder()) wanted += 2;
  const TdxBarDockingStyle style = GetDockingStyle();
  const bool vertical = IsVertical();
  const int32_t current = vertical ? Width() : Height();
  if (wanted == current) return;
  const int32_t diff = wanted - current;
  TWinControl* parent = Parent();
  if (parent) parent->DisableAlign();
  {
    ScopeExit enable([&] {
      if (parent) parent->EnableAlign();
    });
    if (style == dsRight)
      SetBounds(Left() - diff, Top(), wanted, Height());
    else if (style == dsBottom)
      SetBounds(Left(), Top() - diff, Width(), wanted);
    else if (vertical)
      SetBounds(Left(), Top(), wanted, Height());
    else
      SetBounds(Left(), Top(), Width(), wanted);
  }
  TCustomdxBarControl* active = GetActiveBarControl();
  if (active && !active->IsQuickCustomizeBar() && !(active->HandleAllocated() && GetCapture() == active->Handle())) {
    TCustomdxBarControl* root = GetRootToolbarControl(active);
    const bool rootOutsidePlacedDock = root && !dynamic_cast<TdxBarDockControl*>(root->DockControl());
    if (!(dynamic_cast<TdxBarDockControl*>(this) && rootOutsidePlacedDock)) active->CloseAll();
  }
}

void TdxDockControl::RecreateFrames() {
  if (!HandleAllocated()) return;
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (TdxDockRow* row : FRows)
    for (TdxDockCol* col : row->FCols) col->BarControl()->UpdateFrame();
  UpdateLayout();
}

// ---- the window -----------------------------------------------------------------------------------------------------

void TdxDockControl::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  Params.ExStyle = 0;
  Params.WindowClass.style = CS_DBLCLKS;
}

void TdxDockControl::AlignControls(TControl*, RECT&) {
  if (FBarManager && !FBarManager->IsLoading()) UpdateLayout();
}

void TdxDockControl::Paint() {}

void TdxDockControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: {
      const RECT r = ClientRect();
      DrawBackground(reinterpret_cast<HDC>(Message.WParam), r, TControl::Color(), nullptr, r);
      Message.Result = 1;
      return;
    }
    case WM_MOUSEACTIVATE:
      TCustomControl::WndProc(Message);
      if (FBarManager && !IsDesigning()) {
        Message.Result = MA_NOACTIVATE;
        if (TCustomForm* form = GetOwnerForm(); form && form->HandleAllocated())
          SetWindowPos(form->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      }
      return;
    case WM_NCCALCSIZE:
      TCustomControl::WndProc(Message);
      if (GetSunkenBorder()) {
        auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
        InflateRect(&params->rgrc[0], -1, -1);
      }
      return;
    case WM_NCPAINT:
      TCustomControl::WndProc(Message);
      if (GetSunkenBorder() && HandleAllocated()) {
        HDC dc = GetWindowDC(Handle());
        RECT r{0, 0, Width(), Height()};
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        ReleaseDC(Handle(), dc);
      }
      return;
    case WM_SIZE:
      ClearBackgroundCache();
      break;
    case WM_WINDOWPOSCHANGED: {
      TCustomControl::WndProc(Message);
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
      if (FBarManager && pos && (pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        if (GetDockingStyle() == dsBottom) {
          const bool oldLock = FBarManager->UpdateLock();
          FBarManager->FLockUpdate = true;
          ScopeExit restore([&] { FBarManager->FLockUpdate = oldLock; });
          for (TdxDockRow* row : FRows)
            for (TdxDockCol* col : row->FCols)
              if (TdxBar* bar = col->BarControl()->Bar(); bar && bar->IsBottomWholeRow())
                col->BarControl()->RebuildAndRepaint();
        }
        if (IsDoubleBufferNeeded()) RefreshBars();
      }
      return;
    }
    case WM_DESTROY:
      if (FBarManager && !FBarManager->PendingVisibleStarted()) FBarManager->SetPendingVisibleStarted(true);
      break;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

// ---- TdxBarDockControl ------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBarDockControl) {
  using C = TdxBarDockControl;
  prop("Align", &C::Align, &C::SetAlign).Default(dalTop);
  prop("AllowDocking", &C::AllowDocking, &C::SetAllowDocking).Default(true);
  prop("AllowZeroSizeInDesignTime", &C::AllowZeroSizeInDesignTime, &C::SetAllowZeroSizeInDesignTime).Default(false);
  prop("BarManager", &C::BarManager, &C::SetBarManager);
  prop("Color", &C::Color, &C::SetColor)
      .Type(TypeInfoAlias("TColor", TypeInfo<int32_t>()))
      .Default(clBtnFace)
      .Stored(&C::IsColorStored);
  prop("ParentColor", &C::ParentColor, &C::SetParentColor).Default(true).Stored(&C::IsColorStored);
  prop("SunkenBorder", &C::SunkenBorder, &C::SetSunkenBorder).Default(false).Stored(&C::UseOwnSunkenBorder);
  prop("UseOwnColor", &C::UseOwnColor, &C::SetUseOwnColor).Default(false);
  prop("UseOwnSunkenBorder", &C::UseOwnSunkenBorder, &C::SetUseOwnSunkenBorder).Default(false);
  prop("BackgroundBitmap", &C::BackgroundBitmap, &C::SetBackgroundBitmap);
}

TdxBarDockControl::TdxBarDockControl(TComponent* AOwner) : TdxDockControl(AOwner) {}

void TdxBarDockControl::AfterConstruction() {
  TdxDockControl::AfterConstruction();
  SetAlign(dalTop);
}

TdxBarDockAlign TdxBarDockControl::Align() const {
  switch (TControl::Align()) {
    case alTop: return dalTop;
    case alBottom: return dalBottom;
    case alLeft: return dalLeft;
    case alRight: return dalRight;
    default: return dalNone;
  }
}

void TdxBarDockControl::SetAlign(TdxBarDockAlign Value) {
  static const TAlign kAligns[] = {alNone, alTop, alBottom, alLeft, alRight};
  TdxBarManager* manager = BarManager();
  const bool oldLock = manager ? manager->UpdateLock() : false;
  if (manager) manager->SetUpdateLock(true);
  const TdxBarDockingStyle style = StyleOfAlign(kAligns[Value]);
  ScopeExit restore([&] {
    if (manager) manager->SetUpdateLock(oldLock);
    if (Parent()) Parent()->Invalidate();
  });
  for (int32_t r = 0; r < GetRowCount(); ++r)
    for (int32_t c = 0; c < GetRow(r)->GetColumnCount(); ++c) GetRow(r)->GetColumn(c)->BarControl()->SetDockingStyle(style);
  TControl::SetAlign(kAligns[Value]);
  for (int32_t r = 0; r < GetRowCount(); ++r)
    for (int32_t c = 0; c < GetRow(r)->GetColumnCount(); ++c) GetRow(r)->GetColumn(c)->BarControl()->Rebuild();
}

void TdxBarDockControl::SetAllowZeroSizeInDesignTime(bool Value) {
  if (FAllowZeroSizeInDesignTime == Value) return;
  FAllowZeroSizeInDesignTime = Value;
  Perform(WM_SIZE, 0, 0);
}

namespace {
bool DockRestoring(TdxBarDockControl* ADock) {
  return ADock->ComponentState().Contains(csLoading) || (ADock->GetBars() && ADock->GetBars()->RestoringLayout());
}
}  // namespace

void TdxBarDockControl::SetColor(TColor Value) {
  TControl::SetColor(Value);
  if (!DockRestoring(this)) FUseOwnColor = true;
}

void TdxBarDockControl::SetParentColor(bool Value) {
  TControl::SetParentColor(Value);
  if (!DockRestoring(this)) FUseOwnColor = true;
}

void TdxBarDockControl::SetUseOwnColor(bool Value) {
  if (FUseOwnColor == Value) return;
  FUseOwnColor = Value;
  if (!Value) UpdateColor();
}

void TdxBarDockControl::SetSunkenBorder(bool Value) {
  if (Value == GetSunkenBorder() && FUseOwnSunkenBorder) return;
  FOwnSunkenBorder = Value;
  FUseOwnSunkenBorder = true;
  RecreateFrames();
}

void TdxBarDockControl::SetUseOwnSunkenBorder(bool Value) {
  if (FUseOwnSunkenBorder == Value) return;
  const bool effective = GetSunkenBorder();
  if (Value) {
    FOwnSunkenBorder = effective;
    FUseOwnSunkenBorder = true;
  } else {
    FUseOwnSunkenBorder = false;
    if (GetSunkenBorder() != effective) RecreateFrames();
  }
}

void TdxBarDockControl::BackgroundChanged() {
  TdxDockControl::BackgroundChanged();
  if (!ComponentState().Contains(csDestroying)) {
    UpdateColor();
    RecreateFrames();
  }
}

bool TdxBarDockControl::CanDockBar(TdxBar* ABar) {
  if (!TdxDockControl::CanDockBar(ABar)) return false;
  TCustomdxBarControl* window = ABar ? ABar->GetControl() : nullptr;
  // A bar cannot dock into a dock that lies on its own window.
  for (TControl* c = Parent(); window && c; c = c->Parent())
    if (c == window) return false;
  return true;
}

void TdxBarDockControl::UpdateColor() {
  if (FUseOwnColor) return;
  TdxDockControl::UpdateColor();
  FUseOwnColor = false;
}

int32_t TdxBarDockControl::CalcRowsSize() {
  if (DockRestoring(this)) return IsVertical() ? ClientWidth() : ClientHeight();
  const int32_t size = TdxDockControl::CalcRowsSize();
  return size == 0 ? EmptySize() : size;
}

bool TdxBarDockControl::GetSunkenBorder() {
  return FUseOwnSunkenBorder ? FOwnSunkenBorder : TdxDockControl::GetSunkenBorder();
}

TCustomForm* TdxBarDockControl::GetOwnerForm() {
  if (TCustomForm* form = GetParentForm(this)) return form;
  return TdxDockControl::GetOwnerForm();
}

int32_t TdxBarDockControl::EmptySize() { return IsDesigning() && !FAllowZeroSizeInDesignTime ? 3 : 0; }

void TdxBarDockControl::CreateParams(TCreateParams& Params) {
  TdxDockControl::CreateParams(Params);
  if (IsDesigning()) Params.WindowClass.style |= CS_HREDRAW | CS_VREDRAW;
}

void TdxBarDockControl::Paint() {
  if (!IsDesigning()) return;
  // The dock shows its place on the designed form.
  TCanvas* canvas = Canvas();
  canvas->Pen()->SetStyle(psDot);
  canvas->Brush()->SetStyle(bsClear);
  const RECT r = ClientRect();
  canvas->Rectangle(r);
}

void TdxBarDockControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TdxDockControl::WndProc(Message);
      if (!FSizing && !DockRestoring(this) && GetRowCount() == 0) {
        FSizing = true;
        ScopeExit done([&] { FSizing = false; });
        const int32_t empty = EmptySize();
        if (IsVertical() ? ClientWidth() != empty : ClientHeight() != empty) {
          if (IsVertical())
            SetClientWidth(empty);
          else
            SetClientHeight(empty);
        }
      }
      return;
    case WM_CREATE: {
      TdxDockControl::WndProc(Message);
      TdxBarManager* manager = BarManager();
      if (!manager) return;
      auto& pending = manager->PendingVisibleBars();
      for (size_t i = pending.size(); i-- > 0;) {
        if (i >= pending.size()) continue;
        TdxBar* bar = pending[i];
        if (bar->DockedDockControl() == this && bar->GetDockingStyle() != dsNone) {
          pending.erase(pending.begin() + static_cast<ptrdiff_t>(i));
          bar->SetVisible(true);
        }
      }
      return;
    }
    default:
      TdxDockControl::WndProc(Message);
  }
}
