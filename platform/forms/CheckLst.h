#pragma once
// A list box with a check box in front of every item: a click on the box or Space toggles it (through
// the grayed state when AllowGrayed) and reports OnClickCheck.

#include <vector>

#include "forms/StdCtrls.h"

class TCheckListBox : public TCustomListBox {
  RTL_CLASS(TCheckListBox, TCustomListBox)
  RTL_PUBLISHED_DECL
public:
  explicit TCheckListBox(TComponent* AOwner);

  bool Checked(int32_t index) const { return State(index) == cbChecked; }
  void SetChecked(int32_t index, bool v) { SetState(index, v ? cbChecked : cbUnchecked); }
  TCheckBoxState State(int32_t index) const;
  void SetState(int32_t index, TCheckBoxState v);
  // A disabled item keeps its state against the user.
  bool ItemEnabled(int32_t index) const;
  void SetItemEnabled(int32_t index, bool v);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool v) { FAllowGrayed = v; }
  // The width of the box column in front of the items.
  static int32_t CheckWidth();

  TNotifyEvent OnClickCheck;

  void WMLButtonDown(TMessage& m);
  void WMLButtonDblClk(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;
  void KeyPress(char32_t& key) override;
  void DrawItem(int32_t index, RECT rect, TOwnerDrawState state) override;
  void MeasureItem(int32_t index, int32_t& height) override;
  virtual void ClickCheck();
  void ToggleClickCheck(int32_t index);
  void ItemInserted(int32_t index) override;
  void ItemDeleted(int32_t index) override;
  void ItemsCleared() override { FStates.clear(); }
  void ItemsMoved(const std::vector<int32_t>& newIndex) override;
  uint32_t ItemExtra(int32_t index) override;
  void SetItemExtra(int32_t index, uint32_t extra) override;

private:
  struct ItemState {
    TCheckBoxState state = cbUnchecked;
    bool enabled = true;
  };
  void InvalidateItem(int32_t index);
  void Ensure(int32_t index);
  std::vector<ItemState> FStates;
  bool FAllowGrayed = false;
};
