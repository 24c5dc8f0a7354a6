// Mouse and keyboard of the tab control: hot tracking, clicks, the navigator with its auto-repeat, the wheel,
// arrow keys and accelerators, and the go-to-page menu.

#include <algorithm>

#include "ui/pagecontrol/cxPC.h"
#include "ui/pagecontrol/cxPCPainters.h"

namespace {

constexpr int32_t kFirstRepeatDelay = 300;
constexpr int32_t kRepeatInterval = 150;

}  // namespace

// ---- hot tracking -------------------------------------------------------------------------------------------

// Moves one of the hot, pressed or focused marks to another visible tab; both tabs repaint.
void TcxCustomTabControl::MoveTabMark(int32_t& AMark, int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) {
  if (VisibleIndex == AMark) return;
  const int32_t old = AMark;
  AMark = VisibleIndex;
  if (old != -1 && old < VisibleTabCount()) FTabs->TabChanged(old, AKind);
  if (VisibleIndex != -1) FTabs->TabChanged(VisibleIndex, AKind);
}

void TcxCustomTabControl::SetHotTab(int32_t VisibleIndex) {
  MoveTabMark(FHotTabVisibleIndex, VisibleIndex, tpcHotTrack);
}

void TcxCustomTabControl::SetPressedTab(int32_t VisibleIndex) {
  MoveTabMark(FPressedTabVisibleIndex, VisibleIndex, tpcPressed);
}

void TcxCustomTabControl::SetFocusedTab(int32_t VisibleIndex) {
  MoveTabMark(FFocusedTabVisibleIndex, VisibleIndex, tpcTracking);
}

void TcxCustomTabControl::SetNavigatorButtonState(TcxPCNavigatorButton AButton, TcxPCNavigatorButtonState AState) {
  const TcxPCNavigatorButtonState old = FNavigatorButtonStates[AButton];
  if (old == AState) return;
  FNavigatorButtonStates[AButton] = AState;
  if (FPainter) FPainter->RepaintNavigatorButton(AButton, old);
}

void TcxCustomTabControl::UpdateHotTrack(TShiftState Shift) {
  if (IsLoadingOrDestroying() || IsDesigning() || !HandleAllocated() || FGoDialogOpen || !FPainter) return;
  const bool applies = FHotTrack || FPainter->IsNativePainting();
  TcxPCNavigatorButtons hotButtons;
  int32_t hotTab = -1;
  if (applies && Enabled() && !Shift.Contains(ssLeft)) {
    POINT p;
    GetCursorPos(&p);
    p = ScreenToClient(p);
    TcxPCNavigatorButton button;
    if (!FNavigatorButtons.Empty() && FPainter->GetNavigatorButtonAt(p.x, p.y, button) &&
        FNavigatorButtons.Contains(button)) {
      const TcxPCNavigatorButtonState state = FNavigatorButtonStates[button];
      if (state != nbsPressed && state != nbsDisabled) hotButtons.Include(button);
    } else if (!FHideTabs) {
      const int32_t vi = TabAtPos(p.x, p.y);
      if (vi != -1 && FTabs->VisibleTabs(vi)->Enabled()) hotTab = vi;
    }
  }
  if (hotButtons != FHotNavigatorButtons) {
    for (int b = nbTopLeft; b <= nbGoDialog; ++b) {
      const auto button = static_cast<TcxPCNavigatorButton>(b);
      if (FHotNavigatorButtons.Contains(button) && !hotButtons.Contains(button) &&
          FNavigatorButtonStates[button] == nbsHotTrack)
        SetNavigatorButtonState(button, nbsNormal);
    }
    for (int b = nbTopLeft; b <= nbGoDialog; ++b) {
      const auto button = static_cast<TcxPCNavigatorButton>(b);
      if (hotButtons.Contains(button) && !FHotNavigatorButtons.Contains(button))
        SetNavigatorButtonState(button, nbsHotTrack);
    }
    FHotNavigatorButtons = hotButtons;
  }
  SetHotTab(hotTab);
}

void TcxCustomTabControl::UpdateNavigatorButtonStates() {
  if (!FNavigatorButtons.Contains(nbTopLeft) && !FNavigatorButtons.Contains(nbBottomRight)) return;
  for (TcxPCNavigatorButton button : {nbTopLeft, nbBottomRight}) {
    if (!FNavigatorButtons.Contains(button)) continue;
    const TcxPCNavigatorButtonState old = FNavigatorButtonStates[button];
    TcxPCNavigatorButtonState state = CanScroll(button) ? (old == nbsDisabled ? nbsNormal : old) : nbsDisabled;
    if (state == old) continue;
    if (state == nbsDisabled) {
      FHotNavigatorButtons = TcxPCNavigatorButtons{};
      FPressedNavigatorButtons = TcxPCNavigatorButtons{};
    }
    SetNavigatorButtonState(button, state);
    UpdateHotTrack(GetShiftState());
  }
}

// ---- mouse ----------------------------------------------------------------------------------------------------

void TcxCustomTabControl::DoTabClick(int32_t VisibleIndex, TShiftState Shift) {
  TcxTab* tab = FTabs->VisibleTabs(VisibleIndex);
  if (FMultiSelect && FPainter->PainterClass() && FPainter->PainterClass()->AllowsMultiSelect() &&
      Shift.Contains(ssCtrl)) {
    if (tab->Index() == FTabIndex)
      SetTabIndex(-1);
    else
      tab->SetSelected(!tab->Selected());
    return;
  }
  SetTabIndex(tab->Index());
}

void TcxCustomTabControl::TabClick(int32_t VisibleIndex, TShiftState Shift) {
  if (FPainter->PainterClass() && FPainter->PainterClass()->PressesTabsLikeButtons() && !IsDesigning()) {
    SetPressedTab(VisibleIndex);
    return;
  }
  DoTabClick(VisibleIndex, Shift);
}

void TcxCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TcxControl::MouseDown(Button, Shift, X, Y);
  if (!FPainter) return;
  if (!IsDesigning() && (FHideTabs || Button != mbLeft)) return;
  TObjectLink<TcxCustomTabControl> alive(this);
  UpdateHotTrack(Shift);
  TcxPCNavigatorButton button;
  if (!FNavigatorButtons.Empty() && FPainter->GetNavigatorButtonAt(X, Y, button) && FNavigatorButtons.Contains(button)) {
    const TcxPCNavigatorButtonState state = FNavigatorButtonStates[button];
    if (state == nbsPressed || state == nbsDisabled) return;
    FPressedNavigatorButtons = TcxPCNavigatorButtons{button};
    SetNavigatorButtonState(button, nbsPressed);
    if (button != nbGoDialog) {
      ScrollTabs(button);
      if (!alive.Get()) return;
      if (FPressedNavigatorButtons.Contains(button)) {
        if (!FRepeatTimer) {
          FRepeatTimer = New<TcxTimer>(this);
          FRepeatTimer->SetOnTimer(TNotifyEvent(this, &TcxCustomTabControl::RepeatTimerTick));
        }
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->SetInterval(kFirstRepeatDelay);
        FRepeatTimer->SetEnabled(true);
      }
    }
    return;
  }
  const int32_t vi = TabAtPos(X, Y);
  if (vi == -1) return;
  if (FTabs->VisibleTabs(vi)->RealEnabled() || IsDesigning()) TabClick(vi, Shift);
}

void TcxCustomTabControl::RepeatTimerTick(TObject* Sender) {
  (void)Sender;
  FRepeatTimer->SetInterval(kRepeatInterval);
  for (TcxPCNavigatorButton button : {nbTopLeft, nbBottomRight})
    if (FPressedNavigatorButtons.Contains(button)) {
      ScrollTabs(button);
      if (FPressedNavigatorButtons.Contains(button)) return;
    }
  FRepeatTimer->SetEnabled(false);
}

void TcxCustomTabControl::StopRepeatTimer() {
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TcxCustomTabControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TcxControl::MouseMove(Shift, X, Y);
  if (FHideTabs || FGoDialogOpen || !FPainter) return;
  for (int b = nbTopLeft; b <= nbGoDialog; ++b) {
    const auto button = static_cast<TcxPCNavigatorButton>(b);
    if (!FPressedNavigatorButtons.Contains(button)) continue;
    TcxPCNavigatorButton under;
    if (FPainter->GetNavigatorButtonAt(X, Y, under) && under == button) continue;
    StopRepeatTimer();
    FPressedNavigatorButtons = TcxPCNavigatorButtons{};
    SetNavigatorButtonState(button, nbsNormal);
  }
  if (FPressedTabVisibleIndex != -1 && TabAtPos(X, Y) != FPressedTabVisibleIndex) SetPressedTab(-1);
  UpdateHotTrack(Shift);
}

void TcxCustomTabControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TcxControl::MouseUp(Button, Shift, X, Y);
  if (FHideTabs || Button != mbLeft || FGoDialogOpen || !FPainter) return;
  TObjectLink<TcxCustomTabControl> alive(this);
  TcxPCNavigatorButton button;
  if (!FNavigatorButtons.Empty() && FPainter->GetNavigatorButtonAt(X, Y, button) && FNavigatorButtons.Contains(button)) {
    StopRepeatTimer();
    if (FNavigatorButtonStates[button] == nbsDisabled) return;
    if (button == nbGoDialog && FPressedNavigatorButtons == TcxPCNavigatorButtons{nbGoDialog} && !IsDesigning()) {
      OpenGoDialog();
      return;
    }
    if (FPressedNavigatorButtons.Contains(button)) {
      FPressedNavigatorButtons.Exclude(button);
      SetNavigatorButtonState(button, nbsNormal);
      UpdateHotTrack(Shift);
    }
    return;
  }
  // A press released outside the navigator ends there.
  for (int b = nbTopLeft; b <= nbGoDialog; ++b) {
    const auto pressed = static_cast<TcxPCNavigatorButton>(b);
    if (FPressedNavigatorButtons.Contains(pressed)) {
      StopRepeatTimer();
      FPressedNavigatorButtons.Exclude(pressed);
      SetNavigatorButtonState(pressed, nbsNormal);
    }
  }
  const int32_t vi = TabAtPos(X, Y);
  if (vi != -1 && (FTabs->VisibleTabs(vi)->RealEnabled() || IsDesigning())) {
    if (FPainter->PainterClass() && FPainter->PainterClass()->PressesTabsLikeButtons() &&
        vi == FPressedTabVisibleIndex && !IsDesigning()) {
      SetPressedTab(-1);
      DoTabClick(vi, Shift);
      if (!alive.Get()) return;
    }
  }
  if (FPressedTabVisibleIndex != -1) SetPressedTab(-1);
  UpdateHotTrack(Shift);
}

void TcxCustomTabControl::MouseLeave(TControl* AControl) {
  TcxControl::MouseLeave(AControl);
  if (!FGoDialogOpen) UpdateHotTrack(TShiftState{});
}

bool TcxCustomTabControl::DoMouseWheelDown(TShiftState Shift, POINT MousePos) {
  if (TcxControl::DoMouseWheelDown(Shift, MousePos)) return true;
  if (FMultiLine || FHideTabs || FFirstVisibleTab < 0 || FFirstVisibleTab >= VisibleTabCount() || FRowCount == 0)
    return false;
  POINT p = ScreenToClient(MousePos);
  RECT r = GetTabFullRect(FFirstVisibleTab);
  const bool inBand = IsVerticalStrip() ? (p.x >= r.left && p.x < r.right) : (p.y >= r.top && p.y < r.bottom);
  if (!inBand) return false;
  ScrollTabs(nbBottomRight);
  return true;
}

bool TcxCustomTabControl::DoMouseWheelUp(TShiftState Shift, POINT MousePos) {
  if (TcxControl::DoMouseWheelUp(Shift, MousePos)) return true;
  if (FMultiLine || FHideTabs || FFirstVisibleTab < 0 || FFirstVisibleTab >= VisibleTabCount() || FRowCount == 0)
    return false;
  POINT p = ScreenToClient(MousePos);
  RECT r = GetTabFullRect(FFirstVisibleTab);
  const bool inBand = IsVerticalStrip() ? (p.x >= r.left && p.x < r.right) : (p.y >= r.top && p.y < r.bottom);
  if (!inBand) return false;
  ScrollTabs(nbTopLeft);
  return true;
}

bool TcxCustomTabControl::AllowDesignHitTest(int32_t X, int32_t Y, TShiftState AShift) {
  bool result = TcxControl::AllowDesignHitTest(X, Y, AShift);
  if (!FPainter) return result;
  TcxPCNavigatorButton button;
  if (!FNavigatorButtons.Empty() && FPainter->GetNavigatorButtonAt(X, Y, button) && FNavigatorButtons.Contains(button))
    return result || button != nbGoDialog;
  const int32_t vi = TabAtPos(X, Y);
  if (vi != -1 && vi != FMainTabVisibleIndex) return true;
  return result;
}

// ---- keyboard -------------------------------------------------------------------------------------------------

void TcxCustomTabControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  TcxControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  if (HandleTabKey(Key, Shift)) Key = 0;
}

bool TcxCustomTabControl::HandleTabKey(uint16_t& Key, TShiftState Shift) {
  (void)Shift;
  const TShiftState state = GetShiftState() * TShiftState{ssShift, ssAlt, ssCtrl};
  const int32_t count = VisibleTabCount();
  if (FHideTabs || count == 0 || !FPainter) return false;
  if (state == TShiftState{ssAlt} || state == TShiftState{ssAlt, ssShift}) return false;

  const bool reversed = IsReversedRows();
  int32_t step = 0;
  bool wrap = false, jump = false;
  switch (Key) {
    case VK_TAB:
      if (!state.Contains(ssCtrl)) return false;
      step = state.Contains(ssShift) ? -1 : 1;
      wrap = true;
      break;
    case VK_LEFT:
    case VK_UP:
      step = reversed ? 1 : -1;
      break;
    case VK_RIGHT:
    case VK_DOWN:
      step = reversed ? -1 : 1;
      break;
    case VK_HOME:
      step = reversed ? -1 : 1;
      jump = true;
      break;
    case VK_END:
      step = reversed ? 1 : -1;
      jump = true;
      break;
    case VK_RETURN:
    case VK_SPACE:
      if (FFocusedTabVisibleIndex == -1 || FFocusedTabVisibleIndex >= count) return false;
      SetTabIndex(FTabs->VisibleTabs(FFocusedTabVisibleIndex)->Index());
      return true;
    default:
      return false;
  }

  int32_t start;
  if (jump) {
    start = step > 0 ? 0 : count - 1;
  } else {
    const int32_t from = FFocusedTabVisibleIndex != -1 ? FFocusedTabVisibleIndex : FMainTabVisibleIndex;
    if (from == -1)
      start = step > 0 ? 0 : count - 1;
    else
      start = from + step;
  }
  if (start < 0 || start >= count) {
    if (!wrap) return true;
    start = start < 0 ? count - 1 : 0;
  }
  int32_t found = -1;
  for (int32_t i = start, n = 0; n < count; ++n) {
    if (FTabs->VisibleTabs(i)->RealEnabled()) {
      found = i;
      break;
    }
    i += step;
    if (i < 0 || i >= count) {
      if (!wrap) break;
      i = i < 0 ? count - 1 : 0;
    }
  }
  if (found == -1) return true;
  if (FPainter->PainterClass() && FPainter->PainterClass()->PressesTabsLikeButtons() && Key != VK_TAB) {
    SetFocusedTab(found);
    if (!FMultiLine) {
      MakeTabVisible(found);
      RequestLayout();
    }
  } else if (FTabs->VisibleTabs(found)->Index() != FTabIndex) {
    SetTabIndex(FTabs->VisibleTabs(found)->Index());
  }
  return true;
}

bool TcxCustomTabControl::HandleDialogChar(TMessage& m) {
  const char32_t ch = static_cast<char32_t>(m.WParam);
  for (int32_t i = 0; i < FTabs->Count(); ++i) {
    TcxTab* tab = FTabs->Tabs(i);
    if (IsAccel(ch, tab->Caption()) && tab->Visible() && tab->RealEnabled()) {
      SetTabIndex(i);
      m.Result = 1;
      return true;
    }
  }
  return false;
}

// ---- go-to-page menu ------------------------------------------------------------------------------------------

void TcxCustomTabControl::OpenGoDialog() {
  if (!FGoDialog) return;
  FGoDialogOpen = true;
  TObjectLink<TcxCustomTabControl> alive(this);
  try {
    FGoDialog->Popup(FOptions.Contains(pcoSort));
  } catch (...) {
    if (alive.Get()) GoDialogTabChosen(-1);
    throw;
  }
  if (alive.Get()) GoDialogTabChosen(-1);
}

void TcxCustomTabControl::GoDialogTabChosen(int32_t ATabIndex) {
  FGoDialogOpen = false;
  if (FPressedNavigatorButtons.Contains(nbGoDialog) || FNavigatorButtonStates[nbGoDialog] == nbsPressed) {
    FPressedNavigatorButtons = TcxPCNavigatorButtons{};
    if (FNavigatorButtonStates[nbGoDialog] == nbsPressed) SetNavigatorButtonState(nbGoDialog, nbsNormal);
  }
  if (ATabIndex != -1) SetTabIndex(ATabIndex);
  UpdateHotTrack(GetShiftState());
}

TcxPCGoDialog::TcxPCGoDialog(TComponent* AOwner) : TPopupMenu(AOwner) {}

void TcxPCGoDialog::Popup(bool ASort) {
  auto* control = dynamic_cast<TcxCustomTabControl*>(Owner());
  if (!control) return;
  TStringList list;
  for (int32_t vi = 0; vi < control->VisibleTabCount(); ++vi) {
    TcxTab* tab = control->Tabs()->VisibleTabs(vi);
    if (!tab->RealEnabled()) continue;
    list.AddObject(TcxCustomTabControl::RemoveAccelChars(tab->Caption()),
                   reinterpret_cast<TObject*>(static_cast<intptr_t>(tab->Index())));
  }
  if (ASort) list.Sort();
  Items()->Clear();
  for (int32_t i = 0; i < list.Count(); ++i) {
    TMenuItem* item = New<TMenuItem>(this);
    item->SetCaption(list.Strings(i));
    item->SetTag(reinterpret_cast<intptr_t>(list.Objects(i)));
    item->OnClick = TNotifyEvent(this, &TcxPCGoDialog::ItemClick);
    Items()->Add(item);
  }
  RECT r{0, 0, 0, 0};
  if (control->Painter()) control->Painter()->GetGoDialogButtonBounds(r);
  POINT p = control->ClientToScreen(POINT{r.left, r.bottom});
  TPopupMenu::Popup(p.x, p.y);
}

void TcxPCGoDialog::ItemClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (item && OnSelect.Assigned()) OnSelect(static_cast<int32_t>(item->Tag()));
}
