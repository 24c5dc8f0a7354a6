// The tool bar window's layout: where its items go in rows, and the sizes it needs for a docking style.
//
// Along is the direction items follow each other (x for a horizontal window, y for one docked left or
// right), across the other one. Floating windows are horizontal and wrap; docked ones wrap when their bar is
// multi-line. A docked window with a mark keeps 11 pixels at the end of its row for it.

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/Math.h"
#include "rtl/ScopeExit.h"
#include "ui/barcontrols/dxBarControls.h"

namespace {

constexpr int32_t kMarkAllowance = 11;

bool IsVerticalStyle(TdxBarDockingStyle AStyle) { return AStyle == dsLeft || AStyle == dsRight; }

int32_t AlongOf(const RECT& R, bool AVertical) { return AVertical ? R.bottom - R.top : R.right - R.left; }

// Shows every link while a measure runs and puts the shown count back afterwards.
class TShownCountScope {
public:
  explicit TShownCountScope(TdxBarItemLinks* ALinks) : FLinks(ALinks), FSaved(ALinks ? ALinks->RecentItemCount() : -1) {
    if (FLinks && FSaved != -1) FLinks->SetRecentItemCount(-1);
  }
  ~TShownCountScope() {
    if (FLinks && FLinks->RecentItemCount() != FSaved) FLinks->SetRecentItemCount(FSaved);
  }
  TShownCountScope(const TShownCountScope&) = delete;
  TShownCountScope& operator=(const TShownCountScope&) = delete;

private:
  TdxBarItemLinks* FLinks;
  int32_t FSaved;
};

TdxBarItemControl* ControlOf(TdxBarItemLink* ALink) {
  if (!ALink->Control()) ALink->CreateControl();
  return ALink->Control();
}

}  // namespace

SIZE TdxBarControl::CaptionButtonArea(bool AVertical) {
  if (!HasCaptionButtons()) return SIZE{0, 0};
  const bool system = BarManager()->GetActiveMDIChild() != nullptr;
  const int32_t w = FCaptionButtonWidth, h = FCaptionButtonHeight;
  if (AVertical) return SIZE{system ? 3 * h + 2 : h, w};
  return SIZE{system ? 3 * w + 2 : w, h};
}

int32_t TdxBarControl::MarkAllowance(TdxBarDockingStyle AStyle) {
  return IsDocked(AStyle) && HasMark() ? kMarkAllowance : 0;
}

// ---- placement ---------------------------------------------------------------------------------------------------

void TdxBarControl::CalcItemRects() {
  if (!FItemLinks) return;
  FItemLinks->ClearItemRects();
  if (!HandleAllocated()) return;
  const bool vertical = IsVertical(), wraps = Wraps();
  const RECT client = ClientRect();
  const int32_t clientAlong = vertical ? client.bottom : client.right;
  const int32_t clientAcross = vertical ? client.right : client.bottom;
  const SIZE area = CaptionButtonArea(vertical);
  const bool captionButtons = HasCaptionButtons();
  int32_t rowLength, rowThickness;
  if (wraps) {
    rowLength = clientAlong - MarkAllowance(FDockingStyle);
    rowThickness = 0;
  } else {
    rowLength = clientAlong - (HasMark() ? kMarkAllowance : 0) - (captionButtons ? area.cx : 0);
    rowThickness = clientAcross;
  }
  const int32_t separatorSize = GetSeparatorSize();
  const int32_t available = FItemLinks->AvailableItemCount();
  TdxBarItemLink* lastAvailable = available > 0 ? FItemLinks->AvailableItems(available - 1) : nullptr;
  const int32_t n = FItemLinks->VisibleItemCount();
  int32_t position = 0, acrossOffset = 0, rowStart = 0, placed = 0;
  TdxBarItemLink* last = nullptr;

  // A finished row of a wrapping window: its items centred across in the row's thickness.
  auto finishRow = [&](int32_t AFrom, int32_t ATo, int32_t AThickness) {
    for (int32_t k = AFrom; k < ATo; ++k) {
      TdxBarItemLink* link = FItemLinks->VisibleItems(k);
      RECT r = link->ItemRect();
      if (IsRectEmpty(&r)) continue;
      if (vertical)
        OffsetRect(&r, -(AThickness - (r.right - r.left)) / 2, 0);
      else
        OffsetRect(&r, 0, (AThickness - (r.bottom - r.top)) / 2);
      link->SetItemRect(r);
      link->SetRowHeight(AThickness);
    }
  };

  for (int32_t i = 0; i < n; ++i) {
    TdxBarItemLink* link = FItemLinks->VisibleItems(i);
    TdxBarItemControl* control = ControlOf(link);
    if (!control) continue;
    control->EndsRow = false;
    const int32_t w = control->GetLayoutWidth(), h = control->GetLayoutHeight();
    const int32_t along = vertical ? h : w, across = vertical ? w : h;
    int32_t separator = link->GetBeginGroup() && position > 0 ? separatorSize : 0;
    const bool newRow =
        (position > 0 && position + separator + along > rowLength) || (wraps && control->StartsRow && last);
    if (newRow) {
      if (!wraps) break;  // a single row shows what fits; the rest keep empty rectangles
      last->Control()->EndsRow = true;
      finishRow(rowStart, i, rowThickness);
      acrossOffset += rowThickness + separator;
      position = separator = rowThickness = 0;
      rowStart = i;
    }
    RECT r;
    if (wraps && vertical)
      r = RECT{client.right - acrossOffset - w, position + separator, client.right - acrossOffset, position + separator + h};
    else if (wraps)
      r = RECT{position + separator, acrossOffset, position + separator + w, acrossOffset + h};
    else if (vertical)
      r = RECT{(rowThickness - w) / 2, position + separator, (rowThickness - w) / 2 + w, position + separator + h};
    else
      r = RECT{position + separator, (rowThickness - h) / 2, position + separator + w, (rowThickness - h) / 2 + h};
    bool aligned = false;
    const TdxBarItemAlign align = link == lastAvailable ? control->GetAlign() : iaLeft;
    if (align != iaLeft) {
      LONG& farEdge = vertical ? r.bottom : r.right;
      LONG& nearEdge = vertical ? r.top : r.left;
      if (wraps && captionButtons && farEdge + area.cx <= rowLength) rowLength -= area.cx;
      switch (align) {
        case iaCenter: {
          const int32_t shift = (rowLength - farEdge) / 2;
          nearEdge += shift;
          farEdge += shift;
          break;
        }
        case iaRight: {
          const int32_t shift = rowLength - farEdge;
          nearEdge += shift;
          farEdge += shift;
          break;
        }
        default:
          farEdge = std::max<LONG>(farEdge, rowLength);
          break;
      }
      aligned = true;
      position = rowLength;
      if (i != n - 1) Truncated = true;
    }
    link->SetItemRect(r);
    link->SetRowHeight(rowThickness);
    if (!aligned) position += separator + along;
    if (wraps) rowThickness = std::max(rowThickness, across);
    last = link;
    placed = i + 1;
  }
  if (last) last->Control()->EndsRow = true;
  if (wraps) finishRow(rowStart, placed, rowThickness);
}

void TdxBarControl::WrapItems(TdxBarDockingStyle AStyle, int32_t AMaxLength, SIZE& ASize) {
  if (!FItemLinks) return;
  const bool vertical = IsVerticalStyle(AStyle);
  LONG& sizeAlong = vertical ? ASize.cy : ASize.cx;
  LONG& sizeAcross = vertical ? ASize.cx : ASize.cy;
  int32_t limit = std::max<int32_t>(AMaxLength, sizeAlong);
  if (IsDocked(AStyle) && HasMark()) limit -= kMarkAllowance;
  const int32_t separatorSize = GetSeparatorSize();
  const int32_t n = FItemLinks->VisibleItemCount();
  int32_t position = 0, rowThickness = 0, widest = 0, totalAcross = 0;
  int32_t groupStart = -1, groupPosition = 0, groupThickness = 0;
  bool retry = false, mayJoinGroups = true;
  // Each link is walked at most twice per row (once more when its group moves down): the guard only stops
  // a walk that could not end.
  for (int32_t i = 0, guard = 0; i < n && guard <= 4 * n + 8; ++guard) {
    TdxBarItemLink* link = FItemLinks->VisibleItems(i);
    TdxBarItemControl* control = ControlOf(link);
    if (!control) {
      ++i;
      continue;
    }
    const int32_t along = vertical ? control->GetLayoutHeight() : control->GetLayoutWidth();
    const int32_t across = vertical ? control->GetLayoutWidth() : control->GetLayoutHeight();
    const int32_t separator = link->GetBeginGroup() && position > 0 ? separatorSize : 0;
    if (separator > 0) {
      groupStart = i;
      groupPosition = position;
      groupThickness = rowThickness;
    }
    const bool rowBreak = (position > 0 && position + separator + along > limit) || retry ||
                          (separator > 0 && !mayJoinGroups);
    if (rowBreak) {
      control->StartsRow = true;
      mayJoinGroups = false;
      if (groupStart >= 0 && !retry) {
        // The whole group moves to the next row: walk again from its start.
        i = groupStart;
        position = groupPosition;
        rowThickness = groupThickness;
        mayJoinGroups = true;
        retry = true;
        continue;
      }
      if (groupStart >= 0) {
        groupStart = -1;
        mayJoinGroups = true;
        retry = false;
      }
      totalAcross += separator + rowThickness;
      widest = std::max(widest, position);
      rowThickness = 0;
      position = along;
    } else {
      control->StartsRow = false;
      position += separator + along;
    }
    rowThickness = std::max(rowThickness, across);
    ++i;
  }
  if (n > 0) sizeAcross = totalAcross + rowThickness;
  widest = std::max(widest, position);
  if (HasCaptionButtons()) {
    const SIZE area = CaptionButtonArea(vertical);
    if (position + area.cx <= limit) {
      widest = std::max<int32_t>(widest, position + area.cx);
    } else {
      sizeAcross += area.cy;
      widest = std::max<int32_t>(widest, area.cx);
    }
  }
  sizeAlong = std::max<int32_t>(sizeAlong, widest);
  CalcItemRects();
}

// ---- minimum and content sizes --------------------------------------------------------------------------------

int32_t TdxBarControl::CalcMinWidth(TdxBarDockingStyle AStyle) {
  const bool vertical = IsVerticalStyle(AStyle), wraps = AStyle == dsNone || (FBar && FBar->MultiLine());
  TdxBarManager* manager = BarManager();
  const SIZE area = CaptionButtonArea(vertical);
  const int32_t areaWidth = vertical ? area.cy : area.cx;
  int32_t w = 0;
  if (vertical || wraps) {
    bool any = false;
    for (int32_t i = 0; FItemLinks && i < FItemLinks->AvailableItemCount(); ++i)
      if (TdxBarItemControl* c = ControlOf(FItemLinks->AvailableItems(i))) {
        w = std::max(w, c->GetLayoutWidth());
        any = true;
      }
    if (!any) w = manager->ButtonWidth();
    w = std::max(w, areaWidth);
  } else {
    TdxBarItemControl* first = FItemLinks && FItemLinks->VisibleItemCount() > 0 ? ControlOf(FItemLinks->VisibleItems(0)) : nullptr;
    w = (first ? first->GetLayoutWidth() : manager->ButtonWidth()) + areaWidth;
  }
  if (!vertical && IsDocked(AStyle) && HasMark()) w += kMarkAllowance;
  return w;
}

int32_t TdxBarControl::CalcMinHeight(TdxBarDockingStyle AStyle) {
  const bool vertical = IsVerticalStyle(AStyle), wraps = AStyle == dsNone || (FBar && FBar->MultiLine());
  TdxBarManager* manager = BarManager();
  const SIZE area = CaptionButtonArea(vertical);
  const int32_t areaHeight = vertical ? area.cx : area.cy;
  int32_t h = 0;
  if (!vertical || wraps) {
    bool any = false;
    for (int32_t i = 0; FItemLinks && i < FItemLinks->AvailableItemCount(); ++i)
      if (TdxBarItemControl* c = ControlOf(FItemLinks->AvailableItems(i))) {
        h = std::max(h, c->GetLayoutHeight());
        any = true;
      }
    if (!any) h = manager->ButtonHeight();
    h = std::max(h, areaHeight);
  } else {
    TdxBarItemControl* first = FItemLinks && FItemLinks->VisibleItemCount() > 0 ? ControlOf(FItemLinks->VisibleItems(0)) : nullptr;
    h = (first ? first->GetLayoutHeight() : manager->ButtonHeight()) + areaHeight;
  }
  if (vertical && IsDocked(AStyle) && HasMark()) h += kMarkAllowance;
  return h;
}

int32_t TdxBarControl::CalcContentWidth(TdxBarDockingStyle AStyle) {
  TShownCountScope shown(FItemLinks);
  const bool vertical = IsVerticalStyle(AStyle), wraps = AStyle == dsNone || (FBar && FBar->MultiLine());
  const SIZE area = CaptionButtonArea(vertical);
  int32_t w = 0;
  if (!vertical || wraps) {
    const int32_t separatorSize = GetSeparatorSize();
    for (int32_t i = 0; FItemLinks && i < FItemLinks->VisibleItemCount(); ++i) {
      TdxBarItemLink* link = FItemLinks->VisibleItems(i);
      if (TdxBarItemControl* c = ControlOf(link)) w += (link->GetBeginGroup() ? separatorSize : 0) + c->GetLayoutWidth();
    }
    w += vertical ? area.cy : area.cx;
    if (!vertical && IsDocked(AStyle) && HasMark()) w += kMarkAllowance;
  } else {
    for (int32_t i = 0; FItemLinks && i < FItemLinks->AvailableItemCount(); ++i)
      if (TdxBarItemControl* c = ControlOf(FItemLinks->AvailableItems(i))) w = std::max(w, c->GetLayoutWidth());
    w = std::max<int32_t>(w, area.cy);
  }
  return std::max(w, CalcMinWidth(AStyle));
}

int32_t TdxBarControl::CalcContentHeight(TdxBarDockingStyle AStyle) {
  TShownCountScope shown(FItemLinks);
  const bool vertical = IsVerticalStyle(AStyle), wraps = AStyle == dsNone || (FBar && FBar->MultiLine());
  const SIZE area = CaptionButtonArea(vertical);
  int32_t h = 0;
  if (vertical || wraps) {
    const int32_t separatorSize = GetSeparatorSize();
    for (int32_t i = 0; FItemLinks && i < FItemLinks->VisibleItemCount(); ++i) {
      TdxBarItemLink* link = FItemLinks->VisibleItems(i);
      if (TdxBarItemControl* c = ControlOf(link)) h += (link->GetBeginGroup() ? separatorSize : 0) + c->GetLayoutHeight();
    }
    h += vertical ? area.cx : area.cy;
    if (vertical && IsDocked(AStyle) && HasMark()) h += kMarkAllowance;
  } else {
    for (int32_t i = 0; FItemLinks && i < FItemLinks->AvailableItemCount(); ++i)
      if (TdxBarItemControl* c = ControlOf(FItemLinks->AvailableItems(i))) h = std::max(h, c->GetLayoutHeight());
    h = std::max<int32_t>(h, area.cy);
  }
  return std::max(h, CalcMinHeight(AStyle));
}

// ---- sizes for a length ---------------------------------------------------------------------------------------

void TdxBarControl::MeasureRow(bool AVertical, int32_t AFill, int32_t& ALength, int32_t& AThickness) {
  ALength = AThickness = 0;
  const int32_t separatorSize = GetSeparatorSize();
  for (int32_t i = 0; FItemLinks && i < FItemLinks->VisibleItemCount(); ++i) {
    TdxBarItemLink* link = FItemLinks->VisibleItems(i);
    TdxBarItemControl* c = ControlOf(link);
    if (!c) continue;
    const int32_t along = AVertical ? c->GetLayoutHeight() : c->GetLayoutWidth();
    const int32_t next = ALength + (link->GetBeginGroup() && i > 0 ? separatorSize : 0) + along;
    if (i > 0 && next > AFill) break;
    ALength = next;
    AThickness = std::max(AThickness, AVertical ? c->GetLayoutWidth() : c->GetLayoutHeight());
  }
}

// A single row (a docked window that does not wrap) laid out for a length along: the links that fit, or in
// recent-items mode the most used links that fit.
SIZE TdxBarControl::CalcRowSize(TdxBarDockingStyle AStyle, int32_t ALength) {
  const bool vertical = IsVerticalStyle(AStyle);
  SIZE size{CalcMinWidth(AStyle), CalcMinHeight(AStyle)};
  LONG& sizeAlong = vertical ? size.cy : size.cx;
  LONG& sizeAcross = vertical ? size.cx : size.cy;
  const SIZE area = CaptionButtonArea(vertical);
  const int32_t mark = HasMark() ? kMarkAllowance : 0;
  const int32_t fill = std::max<int32_t>(ALength, sizeAlong) - area.cx - mark;
  if (!FItemLinks || FItemLinks->AvailableItemCount() == 0) return size;
  int32_t length = 0, thickness = 0;
  if (!FItemLinks->IsRecentItemsMode() || BarManager()->IsDesigning()) {
    MeasureRow(vertical, fill, length, thickness);
  } else {
    // The shown count grows from one link while the row still fits.
    const int32_t available = FItemLinks->AvailableItemCount();
    int32_t best = -1;
    for (int32_t count = 1; count <= available; ++count) {
      FItemLinks->SetRecentItemCount(count == available ? -1 : count);
      int32_t l = 0, t = 0;
      MeasureRow(vertical, INT32_MAX, l, t);
      if (l > fill && count > 1) break;
      best = count;
      length = l;
      thickness = t;
    }
    FItemLinks->SetRecentItemCount(best == available ? -1 : best);
  }
  sizeAlong = std::max<int32_t>(sizeAlong, length + mark);
  sizeAcross = thickness;
  if (HasCaptionButtons()) {
    sizeAlong += area.cx;
    sizeAcross = std::max<LONG>(sizeAcross, area.cy);
  }
  return size;
}

SIZE TdxBarControl::CalcSizeForWidth(TdxBarDockingStyle AStyle, int32_t AWidth) {
  SIZE size{0, 0};
  {
    TShownCountScope shown(FItemLinks);
    const bool vertical = IsVerticalStyle(AStyle), wraps = AStyle == dsNone || (FBar && FBar->MultiLine());
    if (wraps && vertical) {
      size = CalcSizeForHeight(AStyle, CalcContentHeight(AStyle));
      while (size.cx < AWidth) {
        const SIZE next = CalcSizeForHeight(AStyle, size.cy - 1);
        if (next.cy == size.cy) break;
        size = next;
      }
    } else if (wraps) {
      size = SIZE{CalcMinWidth(AStyle), CalcMinHeight(AStyle)};
      WrapItems(AStyle, AWidth, size);
    } else if (vertical) {
      size = SIZE{CalcMinWidth(AStyle), CalcContentHeight(AStyle)};
    } else {
      size = CalcRowSize(AStyle, AWidth);
    }
  }
  CalcItemRects();
  return size;
}

SIZE TdxBarControl::CalcSizeForHeight(TdxBarDockingStyle AStyle, int32_t AHeight) {
  SIZE size{0, 0};
  {
    TShownCountScope shown(FItemLinks);
    const bool vertical = IsVerticalStyle(AStyle), wraps = AStyle == dsNone || (FBar && FBar->MultiLine());
    if (wraps && !vertical) {
      size = CalcSizeForWidth(AStyle, CalcContentWidth(AStyle));
      while (size.cy < AHeight) {
        const SIZE next = CalcSizeForWidth(AStyle, size.cx - 1);
        if (next.cx == size.cx) break;
        size = next;
      }
    } else if (wraps) {
      size = SIZE{CalcMinWidth(AStyle), CalcMinHeight(AStyle)};
      WrapItems(AStyle, AHeight, size);
    } else if (!vertical) {
      size = SIZE{CalcContentWidth(AStyle), CalcMinHeight(AStyle)};
    } else {
      size = CalcRowSize(AStyle, AHeight);
    }
  }
  CalcItemRects();
  return size;
}

SIZE TdxBarControl::CalcSize(TdxBarDockingStyle AStyle) {
  if (!FBar) return TCustomdxBarControl::CalcSize(AStyle);
  SIZE size{0, 0};
  {
    TShownCountScope shown(FItemLinks);
    const int32_t extraW = FBar->GetExtraWidth(AStyle), extraH = FBar->GetExtraHeight(AStyle);
    TdxDockControl* dock = FDockControl ? FDockControl : BarManager()->Bars()->DockControls(AStyle);
    switch (AStyle) {
      case dsNone: {
        // A bar that never floated has no float width yet: it floats in one row.
        const int32_t width = FBar->FloatClientWidth() > 0 ? FBar->FloatClientWidth() : CalcContentWidth(dsNone);
        size = CalcSizeForWidth(dsNone, width);
        size.cx += extraW;
        size.cy += extraH;
        break;
      }
      case dsLeft:
      case dsRight: {
        const int32_t h = FBar->WholeRow() && dock ? dock->ClientHeight() - extraH : CalcContentHeight(AStyle);
        size = CalcSizeForHeight(AStyle, h);
        size.cx += extraW;
        size.cy = FBar->WholeRow() && dock ? dock->ClientHeight() : size.cy + extraH;
        break;
      }
      default: {
        const int32_t w = FBar->WholeRow() && dock ? dock->ClientWidth() - extraW : CalcContentWidth(AStyle);
        size = CalcSizeForWidth(AStyle, w);
        size.cx = FBar->WholeRow() && dock ? dock->ClientWidth() : size.cx + extraW;
        size.cy += extraH;
        break;
      }
    }
  }
  CalcItemRects();
  return size;
}

// ---- caption buttons, grab point and grip ------------------------------------------------------------------------

RECT TdxBarControl::GetCaptionButtonRect(int32_t AIndex) {
  if (!HandleAllocated()) return RECT{};
  const bool vertical = IsVertical();
  const RECT client = ClientRect();
  const int32_t rowLength = AlongOf(client, vertical) - MarkAllowance(FDockingStyle);
  const int32_t acrossSize = vertical ? client.right : client.bottom;
  const int32_t buttonAlong = vertical ? FCaptionButtonHeight : FCaptionButtonWidth;
  const int32_t buttonAcross = vertical ? FCaptionButtonWidth : FCaptionButtonHeight;
  int32_t across = (acrossSize - buttonAcross) / 2;
  if (Wraps()) {
    across = acrossSize - buttonAcross;
    const int32_t n = FItemLinks ? FItemLinks->VisibleItemCount() : 0;
    if (n == 0) {
      across = (acrossSize - buttonAcross) / 2;
    } else {
      // The last row: the buttons move into it when one of its items reaches their strip.
      TdxBarItemLink* last = FItemLinks->VisibleItems(n - 1);
      const RECT r = last->ItemRect();
      const int32_t rowTop = vertical ? acrossSize - r.right - (last->RowHeight() - (r.right - r.left)) / 2
                                      : r.top - (last->RowHeight() - (r.bottom - r.top)) / 2;
      if (!IsRectEmpty(&r) && rowTop + last->RowHeight() > across)
        across = rowTop + (last->RowHeight() - buttonAcross) / 2;
    }
  }
  int32_t along;
  if (BarManager()->GetActiveMDIChild()) {
    along = rowLength - CaptionButtonArea(vertical).cx + AIndex * buttonAlong + (AIndex == 2 ? 2 : 0);
  } else {
    along = rowLength - buttonAlong;
  }
  RECT r{along, across, along + buttonAlong, across + buttonAcross};
  if (vertical) r = RECT{acrossSize - r.bottom, r.left, acrossSize - r.top, r.right};
  return r;
}

POINT TdxBarControl::GetDragGrabPoint(TdxBarDockingStyle AStyle) {
  if (FDragWidth <= 0 || FDragHeight <= 0) return POINT{0, 0};
  const SIZE size = CalcSize(AStyle);
  return POINT{MulDiv(size.cx, FDragGrabX, FDragWidth), MulDiv(size.cy, FDragGrabY, FDragHeight)};
}

RECT TdxBarControl::GetDragGripRect() {
  if (FDockingStyle == dsNone || !FBar || FBar->BorderStyle() != bbsSingle) return RECT{};
  return IsVertical() ? RECT{-100, -100, 100, 0} : RECT{-100, -100, 0, 100};
}

void TdxBarControl::Sizing(UINT AEdge, RECT& R) {
  const int32_t extraW = FBar->GetExtraWidth(dsNone), extraH = FBar->GetExtraHeight(dsNone);
  switch (AEdge) {
    case WMSZ_LEFT:
    case WMSZ_RIGHT: {
      const SIZE s = CalcSizeForWidth(dsNone, R.right - R.left - extraW);
      if (AEdge == WMSZ_LEFT)
        R.left = R.right - (s.cx + extraW);
      else
        R.right = R.left + s.cx + extraW;
      R.bottom = R.top + s.cy + extraH;
      break;
    }
    case WMSZ_TOP:
    case WMSZ_BOTTOM: {
      const SIZE s = CalcSizeForHeight(dsNone, R.bottom - R.top - extraH);
      R.right = R.left + s.cx + extraW;
      if (AEdge == WMSZ_TOP)
        R.top = R.bottom - (s.cy + extraH);
      else
        R.bottom = R.top + s.cy + extraH;
      break;
    }
    default:
      // Corners do not size the bar.
      GetWindowRect(Handle(), &R);
      break;
  }
  if (R.top < -15) OffsetRect(&R, 0, -15 - R.top);
}
