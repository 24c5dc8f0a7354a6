#pragma once
// The native list box a container hosts as its inner control: the list of the drop-down editors and of
// the list-box editors. It hands the user's mouse, key, click, drag and focus traffic to its container in
// the container's coordinates, so that both behave as one control, and it covers its own native scroll
// bars with two painted bars that follow the look-and-feel, kept in step with the native ones after every
// change of content, position or size.

#include <cstdint>

#include "forms/StdCtrls.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/cxScrollBar.h"
#include "ui/editors/cxContainer.h"

class TcxCustomInnerListBox : public TListBox, public IcxContainerInnerControl {
  RTL_CLASS(TcxCustomInnerListBox, TListBox)
  RTL_INTERFACES(IcxContainerInnerControl)
public:
  explicit TcxCustomInnerListBox(TComponent* AOwner);
  ~TcxCustomInnerListBox() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void Click() override;
  void DblClick() override;

  // IcxContainerInnerControl; the list box lives as long as its owner, so nothing is counted.
  TWinControl* GetControl() override { return this; }
  TcxContainer* GetControlContainer() override { return FContainer; }
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  // Invalidates the list when its window exists.
  virtual void RepaintList();
  // Puts the painted bars over the native ones and gives them the native range and position.
  virtual void UpdateScrollBars();

  // Set by the container that hosts the list box; nil when it stands alone.
  TcxContainer* Container() const { return FContainer; }
  void SetContainer(TcxContainer* Value) { FContainer = Value; }
  TcxCanvas* cxCanvas() const { return FCanvas; }
  TcxScrollBar* HScrollBar() const { return FHScrollBar; }
  TcxScrollBar* VScrollBar() const { return FVScrollBar; }
  // The master of both bars' look-and-feel.
  TcxLookAndFeel* LookAndFeel() const { return FLookAndFeel; }
  // While locked (counted), UpdateScrollBars does nothing.
  void LockScrollBars() { ++FScrollBarsLockCount; }
  void UnlockScrollBars() {
    if (FScrollBarsLockCount > 0) --FScrollBarsLockCount;
  }
  bool ScrollBarsCalculating() const { return FScrollBarsCalculating; }
  // The menu a right click shows: the container's when there is one.
  TComponent* GetPopupMenu() const;
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) override;
  void DragDrop(TObject* Source, int32_t X, int32_t Y) override;
  void DragOver(TObject* Source, int32_t X, int32_t Y, TDragState State, bool& Accept) override;
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  virtual void MouseEnter(TControl* AControl) { (void)AControl; }
  virtual void MouseLeave(TControl* AControl);

  // The corner between the two painted bars in the list box's window coordinates; false unless both show.
  bool GetScrollBarsCornerRect(RECT& R);

  TcxCanvas* FCanvas = nullptr;
  TcxScrollBar* FHScrollBar = nullptr;
  TcxLookAndFeel* FLookAndFeel = nullptr;
  TcxScrollBar* FVScrollBar = nullptr;
  bool FScrollBarsCalculating = false;
  int32_t FScrollBarsLockCount = 0;
  TcxContainer* FContainer = nullptr;

private:
  void HScrollHandler(TObject* Sender, TScrollCode ScrollCode, int32_t& ScrollPos);
  void VScrollHandler(TObject* Sender, TScrollCode ScrollCode, int32_t& ScrollPos);
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  void UpdateScrollBar(TcxScrollBar* AScrollBar);
  void CNDrawItem(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMLButtonDown(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  bool IsContainerDestroying() const;
};
