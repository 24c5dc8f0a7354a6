#include "forms/CheckLst.h"

#include <algorithm>

#include "rtl/ClassRegistry.h"
#include "rtl/TypInfo.h"
#include "winapi/WinGdi.h"

RTL_PUBLISHED(TCheckListBox) {
  prop("AllowGrayed", &TCheckListBox::AllowGrayed, &TCheckListBox::SetAllowGrayed).Default(false);
  event("OnClickCheck", &TCheckListBox::OnClickCheck, &TCheckListBox::OnClickCheck);
}

RTL_MESSAGE(TCheckListBox, WM_LBUTTONDOWN, WMLButtonDown);
RTL_MESSAGE(TCheckListBox, WM_LBUTTONDBLCLK, WMLButtonDblClk);

TCheckListBox::TCheckListBox(TComponent* AOwner) : TCustomListBox(AOwner) { FStyle = lbOwnerDrawFixed; }

int32_t TCheckListBox::CheckWidth() { return 16; }

void TCheckListBox::CreateParams(TCreateParams& p) {
  // The items are always drawn here (box first); a variable style still measures through OnMeasureItem.
  if (FStyle == lbStandard) FStyle = lbOwnerDrawFixed;
  inherited::CreateParams(p);
}

void TCheckListBox::MeasureItem(int32_t index, int32_t& height) {
  inherited::MeasureItem(index, height);
  height = std::max(height, CheckWidth());
}

void TCheckListBox::Ensure(int32_t index) {
  if (index >= 0 && static_cast<size_t>(index) >= FStates.size()) FStates.resize(static_cast<size_t>(index) + 1);
}

TCheckBoxState TCheckListBox::State(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= FStates.size()) return cbUnchecked;
  return FStates[static_cast<size_t>(index)].state;
}

bool TCheckListBox::ItemEnabled(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= FStates.size()) return true;
  return FStates[static_cast<size_t>(index)].enabled;
}

void TCheckListBox::SetState(int32_t index, TCheckBoxState v) {
  if (index < 0 || index >= FItems->Count()) TStrings::Error("List index out of bounds (%d)", index);
  Ensure(index);
  if (FStates[static_cast<size_t>(index)].state == v) return;
  FStates[static_cast<size_t>(index)].state = v;
  InvalidateItem(index);
}

void TCheckListBox::SetItemEnabled(int32_t index, bool v) {
  if (index < 0 || index >= FItems->Count()) TStrings::Error("List index out of bounds (%d)", index);
  Ensure(index);
  FStates[static_cast<size_t>(index)].enabled = v;
  InvalidateItem(index);
}

void TCheckListBox::InvalidateItem(int32_t index) {
  if (!HandleAllocated()) return;
  RECT r = ItemRect(index);
  ::InvalidateRect(FHandle, &r, FALSE);
}

void TCheckListBox::ItemInserted(int32_t index) {
  if (index < 0) return;
  if (static_cast<size_t>(index) > FStates.size()) FStates.resize(static_cast<size_t>(index));
  FStates.insert(FStates.begin() + index, ItemState{});
}

void TCheckListBox::ItemDeleted(int32_t index) {
  if (index >= 0 && static_cast<size_t>(index) < FStates.size()) FStates.erase(FStates.begin() + index);
}

void TCheckListBox::ItemsMoved(const std::vector<int32_t>& newIndex) {
  std::vector<ItemState> moved(newIndex.size());
  for (size_t i = 0; i < newIndex.size() && i < FStates.size(); ++i)
    if (newIndex[i] >= 0 && static_cast<size_t>(newIndex[i]) < moved.size()) moved[static_cast<size_t>(newIndex[i])] = FStates[i];
  FStates = std::move(moved);
}

uint32_t TCheckListBox::ItemExtra(int32_t index) {
  return static_cast<uint32_t>(State(index)) | (ItemEnabled(index) ? 0u : 0x100u);
}

void TCheckListBox::SetItemExtra(int32_t index, uint32_t extra) {
  Ensure(index);
  FStates[static_cast<size_t>(index)] = ItemState{static_cast<TCheckBoxState>(extra & 0xFF), (extra & 0x100u) == 0};
}

void TCheckListBox::DrawItem(int32_t index, RECT rect, TOwnerDrawState state) {
  // The box sits on the list's own colour, outside the selection highlight.
  RECT box{rect.left, rect.top, rect.left + CheckWidth(), rect.bottom};
  TColor brush = FCanvas->Brush()->Color();
  FCanvas->Brush()->SetColor(Color());
  FCanvas->FillRect(box);
  FCanvas->Brush()->SetColor(brush);
  RECT glyph{box.left + 2, box.top + (box.bottom - box.top - 13) / 2, 0, 0};
  glyph.right = glyph.left + 13;
  glyph.bottom = glyph.top + 13;
  UINT flags = DFCS_BUTTONCHECK;
  if (State(index) == cbChecked) flags |= DFCS_CHECKED;
  if (State(index) == cbGrayed) flags = DFCS_BUTTON3STATE | DFCS_CHECKED;
  if (!ItemEnabled(index) || !Enabled()) flags |= DFCS_INACTIVE;
  ::DrawFrameControl(FCanvas->Handle(), &glyph, DFC_BUTTON, flags);
  rect.left += CheckWidth();
  inherited::DrawItem(index, rect, state);
}

void TCheckListBox::ClickCheck() {
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::ToggleClickCheck(int32_t index) {
  if (index < 0 || index >= FItems->Count() || !ItemEnabled(index)) return;
  switch (State(index)) {
    case cbUnchecked: SetState(index, FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(index, cbUnchecked); break;
    case cbGrayed: SetState(index, cbChecked); break;
  }
  ClickCheck();
}

void TCheckListBox::KeyPress(char32_t& key) {
  inherited::KeyPress(key);
  if (key == U' ') {
    ToggleClickCheck(ItemIndex());
    key = 0;
  }
}

void TCheckListBox::WMLButtonDown(TMessage& m) {
  // The press selects the item first; a press on its box also toggles it.
  POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  int32_t index = ItemAtPos(p, true);
  inherited::WMLButtonDown(m);
  if (index >= 0 && p.x < CheckWidth()) ToggleClickCheck(index);
}

void TCheckListBox::WMLButtonDblClk(TMessage& m) {
  POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  int32_t index = ItemAtPos(p, true);
  inherited::WMLButtonDblClk(m);
  // The second press of a double click on the box counts as another toggle.
  if (index >= 0 && p.x < CheckWidth()) ToggleClickCheck(index);
}
