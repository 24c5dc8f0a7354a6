#pragma once
// Timers, panels and paint boxes.

#include <cstdint>

#include "forms/Controls.h"

// Fires OnTimer every Interval milliseconds while Enabled, through a window-system timer.
class TTimer : public TComponent {
  RTL_CLASS(TTimer, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  void BeforeDestruction() override;
  void Loaded() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t v);
  TNotifyEvent OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent v);

protected:
  virtual void Timer();

private:
  friend struct TTimerAccess;
  void UpdateTimer();
  void KillIt();
  bool FEnabled = true;
  uint32_t FInterval = 1000;
  TNotifyEvent FOnTimer;
  UINT_PTR FTimerId = 0;
};

enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
RTL_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)

// A container with bevels; its caption is centred (drawn once text output is available to forms).
class TCustomPanel : public TCustomControl {
  RTL_CLASS(TCustomPanel, TCustomControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomPanel(TComponent* AOwner);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut v);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut v);
  int32_t BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int32_t v);
  int32_t BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int32_t v);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);

protected:
  void AdjustClientRect(RECT& rect) override;
  void Paint() override;

private:
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  int32_t FBevelWidth = 1;
  int32_t FBorderWidth = 0;
  TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
  RTL_CLASS(TPanel, TCustomPanel)
public:
  using TCustomPanel::TCustomPanel;
};

// A graphic control that leaves its painting to OnPaint.
class TPaintBox : public TGraphicControl {
  RTL_CLASS(TPaintBox, TGraphicControl)
  RTL_PUBLISHED_DECL
public:
  explicit TPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;

protected:
  void Paint() override;
};

enum TBevelShape : uint8_t { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
RTL_ENUM(TBevelShape, bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer)
enum TBevelStyle : uint8_t { bsLowered, bsRaised };
RTL_ENUM(TBevelStyle, bsLowered, bsRaised)

// A sunken or raised box, frame or line.
class TBevel : public TGraphicControl {
  RTL_CLASS(TBevel, TGraphicControl)
  RTL_PUBLISHED_DECL
public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape v);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle v);

protected:
  void Paint() override;

private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

// Shows a picture: at its size in the top-left corner, centred, or stretched over the control.
class TImage : public TGraphicControl {
  RTL_CLASS(TImage, TGraphicControl)
  RTL_PUBLISHED_DECL
public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() const { return FPicture; }
  void SetPicture(TPicture* v) { FPicture->Assign(v); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool v);
  bool Center() const { return FCenter; }
  void SetCenter(bool v);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  // The rectangle the picture is drawn in.
  RECT DestRect() const;

protected:
  void Paint() override;

private:
  void PictureChanged(TObject*);
  TPicture* FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FTransparent = false;
};

class TRadioButton;
class TStringList;

// A captioned frame of radio buttons, one per line of Items, laid out in Columns; ItemIndex is the
// checked one (-1 for none). The buttons belong to the group and are not streamed.
class TCustomRadioGroup : public TCustomControl {
  RTL_CLASS(TCustomRadioGroup, TCustomControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomRadioGroup(TComponent* AOwner);
  ~TCustomRadioGroup() override;
  TStrings* Items() const;
  void SetItems(TStrings* v);
  int32_t ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int32_t v);
  int32_t Columns() const { return FColumns; }
  void SetColumns(int32_t v);
  int32_t ButtonCount() const { return static_cast<int32_t>(FButtons.size()); }
  TRadioButton* Buttons(int32_t index) const { return FButtons[static_cast<size_t>(index)]; }

  void CMTextChanged(TMessage& m);
  void WMSize(TMessage& m);

protected:
  void AdjustClientRect(RECT& rect) override;
  void Paint() override;
  void Loaded() override;
  void ReadState(TReader* reader) override;
  // Whether a click may change the checked item; true here.
  virtual bool CanModify() { return true; }

private:
  friend struct TRadioGroupAccess;
  void ItemsChanged(TObject*);
  void ButtonClick(TObject* sender);
  void UpdateButtons();
  void ArrangeButtons();
  TStringList* FItems;
  std::vector<TRadioButton*> FButtons;
  int32_t FItemIndex = -1;
  int32_t FColumns = 1;
  bool FUpdating = false;
  bool FReading = false;
};

class TRadioGroup : public TCustomRadioGroup {
  RTL_CLASS(TRadioGroup, TCustomRadioGroup)
public:
  using TCustomRadioGroup::TCustomRadioGroup;
};
