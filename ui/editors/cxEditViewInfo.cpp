#include <algorithm>

#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"

namespace {

constexpr int32_t kTransparentBorderWidth = 2;
constexpr int32_t kShadowWidth = 3;
// Left plus right margin of a button drawn without a theme.
constexpr int32_t kButtonMargins = 4;
// Extra room beside a text button's caption.
constexpr int32_t kTextButtonCaptionGap = 3;

bool IsRectEmptyOrInverted(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }

RECT Shrink(const RECT& R, const RECT& AExtent) {
  return RECT{R.left + AExtent.left, R.top + AExtent.top, R.right - AExtent.right, R.bottom - AExtent.bottom};
}

TShiftState MouseButtons(TShiftState AShift) {
  TShiftState result;
  for (TShiftStateItem item : {ssLeft, ssRight, ssMiddle, ssDouble})
    if (AShift.Contains(item)) result.Include(item);
  return result;
}

bool AnyMouseButtonDown(TShiftState AShift) {
  return AShift.Contains(ssLeft) || AShift.Contains(ssRight) || AShift.Contains(ssMiddle);
}

bool OnlyLeftButtonDown(TShiftState AShift) {
  return AShift.Contains(ssLeft) && !AShift.Contains(ssRight) && !AShift.Contains(ssMiddle);
}

}  // namespace

// ---- the properties' view classes -------------------------------------------------------------------------

TcxCustomEditViewDataClass TcxCustomEditProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxCustomEditViewData>();
}

TClass TcxCustomEditProperties::GetViewInfoClass() const { return TcxCustomEditViewInfo::StaticClass(); }

// ---- TcxEditButtonViewInfo --------------------------------------------------------------------------------------

void TcxEditButtonViewInfo::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxEditButtonViewInfo*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  Data.NativeState = source->Data.NativeState;
  Data.BackgroundColor = source->Data.BackgroundColor;
  Bounds = source->Bounds;
  Data.Style = source->Data.Style;
  Data.State = source->Data.State;
}

bool TcxEditButtonViewInfo::PaintsLike(const TcxEditButtonViewInfo* AViewInfo) const {
  return Data.Style == AViewInfo->Data.Style && Data.State == AViewInfo->Data.State &&
         Data.BackgroundColor == AViewInfo->Data.BackgroundColor && Data.NativeState == AViewInfo->Data.NativeState;
}

TcxRegion* TcxEditButtonViewInfo::GetChangedRegion(TcxEditButtonViewInfo* AViewInfo) {
  if (AViewInfo && PaintsLike(AViewInfo)) return new TcxRegion();
  return new TcxRegion(Bounds);
}

// ---- TcxCustomEditViewInfo --------------------------------------------------------------------------------------

TcxCustomEditViewInfo::~TcxCustomEditViewInfo() { SetButtonCount(0); }

void TcxCustomEditViewInfo::SetButtonCount(int32_t ACount) {
  while (ButtonCount() > ACount) {
    ButtonsInfo.back()->Free();
    ButtonsInfo.pop_back();
  }
  while (ButtonCount() < ACount)
    ButtonsInfo.push_back(CreateAs<TcxEditButtonViewInfo>(GetButtonViewInfoClass()));
}

bool TcxCustomEditViewInfo::HasTextButtons() const {
  return std::any_of(ButtonsInfo.begin(), ButtonsInfo.end(),
                     [](const TcxEditButtonViewInfo* b) { return b->Data.Kind == bkText; });
}

bool TcxCustomEditViewInfo::IsHotTrackPoint(POINT P) const {
  POINT shifted{P.x + Left, P.y + Top};
  return std::any_of(ButtonsInfo.begin(), ButtonsInfo.end(),
                     [&](const TcxEditButtonViewInfo* b) { return PtInRect(&b->Bounds, shifted) != 0; });
}

void TcxCustomEditViewInfo::SetBackgroundColor(TColor Value) { inherited::SetBackgroundColor(Value); }

void TcxCustomEditViewInfo::Assign(TObject* Source) {
  if (auto* source = dynamic_cast<TcxCustomEditViewInfo*>(Source)) {
    SetBackgroundColor(source->BackgroundColor);
    BorderColor = source->BorderColor;
    EditBorderStyle = source->EditBorderStyle;
    ContainerState = source->ContainerState;
    NativeState = source->NativeState;
    SetButtonCount(source->ButtonCount());
    for (int32_t i = 0; i < ButtonCount(); ++i) Button(i)->Assign(source->Button(i));
    PressedButton = source->PressedButton;
    HotButton = source->HotButton;
  }
  inherited::Assign(Source);
}

TcxRegion* TcxCustomEditViewInfo::GetChangedRegion(TcxContainerViewInfo* AViewInfo) {
  auto* old = dynamic_cast<TcxCustomEditViewInfo*>(AViewInfo);
  bool sameBorder = old && old->EditBorderStyle == EditBorderStyle &&
                    (old->BorderColor == BorderColor || EditBorderStyle == ebsNone);
  if (!sameBorder || old->ButtonCount() != ButtonCount() || old->NativeState != NativeState)
    return new TcxRegion(Bounds);
  auto* region = new TcxRegion();
  for (int32_t i = 0; i < ButtonCount(); ++i) region->CombineWith(Button(i)->GetChangedRegion(old->Button(i)), rcmAdd);
  return region;
}

void TcxCustomEditViewInfo::OffsetRects(int32_t DX, int32_t DY) {
  inherited::OffsetRects(DX, DY);
  OffsetRect(&TextRect, DX, DY);
  OffsetRect(&ShadowRect, DX, DY);
  for (TcxEditButtonViewInfo* b : ButtonsInfo) {
    OffsetRect(&b->Bounds, DX, DY);
    OffsetRect(&b->Data.VisibleRect, DX, DY);
  }
}

// ---- TcxCustomEditViewData --------------------------------------------------------------------------------------

TcxCustomEditViewData::TcxCustomEditViewData(TcxCustomEditProperties* AProperties, TcxCustomEditStyle* AStyle,
                                             bool AIsInplace)
    : Properties(AProperties), Style(AStyle), IsInplace(AIsInplace) {}

void TcxCustomEditViewData::AfterConstruction() {
  inherited::AfterConstruction();
  InitializeState();
  SelTextColor = clDefault;
  SelBackgroundColor = clDefault;
  InitializeFromProperties();
}

void TcxCustomEditViewData::InitializeState() {
  ContentOffset = RECT{};
  Enabled = true;
}

void TcxCustomEditViewData::InitializeFromProperties() {
  ButtonVisibleCount = Properties->Buttons()->VisibleCount();
  IsValueSource = Properties->GetEditValueSource(false) == 0;
  TcxEditAlignment* alignment = Properties->Alignment();
  HorzAlignment = alignment->Horz();
  VertAlignment = alignment->Vert();
  NativeStyle = IsNativeStyleFor(Style->LookAndFeel());
}

bool TcxCustomEditViewData::IsNativeStyleFor(TcxLookAndFeel* ALookAndFeel) {
  return ALookAndFeel && ALookAndFeel->NativeStyle() && IsNativeThemePartAvailable(true, totEdit);
}

bool TcxCustomEditViewData::HasShadow() { return Style->Shadow() && !NativeStyle; }

TcxEditBorderStyle TcxCustomEditViewData::GetEditBorderStyle() {
  if (IsInplace) return ebsNone;
  auto style = static_cast<TcxEditBorderStyle>(Style->BorderStyle());
  return (style == ebsUltraFlat || style == ebsOffice11) ? ebsSingle : style;
}

TColor TcxCustomEditViewData::GetBorderColor() {
  auto style = static_cast<TcxEditBorderStyle>(Style->BorderStyle());
  if (style != ebsUltraFlat && style != ebsOffice11) return Style->BorderColor();
  bool highlighted = ContainerState.Contains(csActive) ||
                     (ContainerState.Contains(csHotTrack) && Style->HotTrack()) || (IsDesigning && Enabled);
  return highlighted ? GetHighlightBorderColor(style == ebsOffice11) : clBtnShadow;
}

// The native theme's content margins are not taken here: a themed editor uses the same insets as its
// border until the themed editor painting joins.
void TcxCustomEditViewData::GetClientExtent(RECT& AExtent) {
  if (IsInplace) {
    AExtent = ContentOffset;
    return;
  }
  if (Style->TransparentBorder()) {
    AExtent = RECT{kTransparentBorderWidth, kTransparentBorderWidth, kTransparentBorderWidth, kTransparentBorderWidth};
  } else if (!Style->HasBorder() || (NativeStyle && GetEditBorderStyle() == ebsNone)) {
    AExtent = RECT{};
  } else if (NativeStyle) {
    AExtent = RECT{2, 2, 2, 2};
  } else {
    int32_t w = GetContainerBorderWidth(static_cast<TcxContainerBorderStyle>(GetEditBorderStyle()));
    TcxBorders edges = Style->Edges();
    AExtent = RECT{edges.Contains(bLeft) ? w : 0, edges.Contains(bTop) ? w : 0, edges.Contains(bRight) ? w : 0,
                   edges.Contains(bBottom) ? w : 0};
  }
  if (HasShadow()) {
    AExtent.right += kShadowWidth;
    AExtent.bottom += kShadowWidth;
  }
}

void TcxCustomEditViewData::GetContentExtent(TcxCanvas*, RECT& AExtent) { GetClientExtent(AExtent); }

void TcxCustomEditViewData::Calculate(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& AExtent) {
  GetClientExtent(AExtent);
  if (Properties->ButtonsViewStyle() != bvsNormal && AViewInfo->ButtonCount() > 0) {
    RECT content{};
    GetContentExtent(ACanvas, content);
    AExtent.left = content.left;
    AExtent.right = content.right;
  }
  // A button wider than the room left reaches past the editor; only its visible part narrows the text
  // area, so that the client rectangle never turns inside out.
  for (TcxEditButtonViewInfo* b : AViewInfo->ButtonsInfo) {
    const RECT& r = b->Data.VisibleRect;
    if (IsRectEmptyOrInverted(r)) continue;
    if (b->Data.LeftAlignment)
      AExtent.left = std::max<int32_t>(AExtent.left, r.right - AViewInfo->Bounds.left);
    else
      AExtent.right = std::max<int32_t>(AExtent.right, AViewInfo->Bounds.right - r.left);
  }
}

int32_t TcxCustomEditViewData::GetButtonWidth(TcxCanvas* ACanvas, TcxEditButtonViewInfo* AButton) {
  const TcxEditButtonViewInfoData& d = AButton->Data;
  if (d.Width >= 1) return std::max(d.Width, kButtonMargins);
  if (d.Kind == bkGlyph && IsGlyphAssigned(d.Glyph)) return d.Glyph->Width() + kButtonMargins;
  int32_t scroll = GetSystemMetrics(SM_CYHSCROLL);
  if (d.Kind == bkText && ACanvas)
    return std::max(scroll, kButtonMargins + ACanvas->TextWidth(d.VisibleCaption) + kTextButtonCaptionGap);
  return scroll;
}

void TcxCustomEditViewData::CalculateViewInfoState(TcxCustomEditViewInfo* AViewInfo, const RECT& ABounds,
                                                   TShiftState AShift, POINT AMousePos) {
  TcxContainerState state;
  if (!Enabled) {
    state.Include(csDisabled);
  } else if (IsDesigning) {
    state.Include(csNormal);
  } else {
    state.Include(Focused ? csActive : csNormal);
    // Without an editor there is no mouse capture to keep a held button hot.
    RECT visible = Shrink(ABounds, ContentOffset);
    if (PtInRect(&visible, AMousePos) && !AnyMouseButtonDown(AShift)) state.Include(csHotTrack);
  }
  AViewInfo->ContainerState = state;
  ContainerState = state;
  IsSelected = state.Contains(csActive) || state.Contains(csHotTrack);
  AViewInfo->IsSelected = IsSelected;
  if (IsDesigning || !Style->HotTrack() || IsInplace)
    AViewInfo->HotState = cxHotStateOff;
  else
    AViewInfo->HotState = IsSelected ? cxHotStateHighlighted : cxHotStateOn;
  AViewInfo->EditBorderStyle =
      (IsInplace || !NativeStyle) ? GetEditBorderStyle() : static_cast<TcxEditBorderStyle>(Style->BorderStyle());
}

void TcxCustomEditViewData::CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                               TcxCustomEditViewInfo* AViewInfo, TShiftState AShift,
                                               TMouseButton AButton, POINT AMousePos) {
  AShift = MouseButtons(AShift);
  CalculateViewInfoState(AViewInfo, ABounds, AShift, AMousePos);
  AViewInfo->BorderStyle = static_cast<TcxContainerBorderStyle>(AViewInfo->EditBorderStyle);
  AViewInfo->BorderWidth = GetContainerBorderWidth(AViewInfo->BorderStyle);
  AViewInfo->EditProperties = Properties;

  if (IsInplace)
    ButtonsOnlyStyle = ABounds.right != cxEditUnlimitedWidth && Properties->ButtonsViewStyle() != bvsNormal;
  else
    ButtonsOnlyStyle = Properties->ButtonsViewStyle() == bvsButtonsOnly;

  Bounds = ABounds;
  AViewInfo->Bounds = ABounds;
  AViewInfo->Enabled = Enabled;
  AViewInfo->Focused = Focused;
  AViewInfo->IsDesigning = IsDesigning;
  AViewInfo->IsInplace = IsInplace;
  AViewInfo->PaintOptions = PaintOptions;
  AViewInfo->Edges = Style->Edges();
  AViewInfo->Font = Style->DirectAccessMode() ? Style->Font() : Style->GetVisibleFont();
  AViewInfo->Shadow = !IsInplace && HasShadow();
  AViewInfo->NativeStyle = NativeStyle;
  AViewInfo->WindowHandle = WindowHandle;

  AViewInfo->SetBackgroundColor(Style->GetEffectiveColor());
  AViewInfo->TextColor = Style->GetTextColor();
  AViewInfo->BorderColor = GetBorderColor();

  CalculateButtonsViewInfo(ACanvas, ABounds, AIsMouseEvent, AViewInfo, AShift, AButton, AMousePos);

  RECT border{};
  GetClientExtent(border);
  AViewInfo->BorderRect = Shrink(ABounds, border);
  RECT extent{};
  Calculate(ACanvas, AViewInfo, extent);
  AViewInfo->BorderExtent = extent;
  AViewInfo->ClientRect = Shrink(ABounds, extent);
  AViewInfo->TextRect = AViewInfo->ClientRect;

  TcxEditPopupBorderStyle popup = Style->PopupBorderStyle();
  if (popup == epbsDefault) {
    if (IsInplace) {
      static constexpr TcxEditPopupBorderStyle byKind[] = {epbsFlat, epbsFrame3D, epbsSingle, epbsSingle};
      popup = byKind[Style->LookAndFeel()->Kind()];
    } else {
      static constexpr TcxEditPopupBorderStyle byBorder[] = {epbsFlat,   epbsSingle, epbsSingle, epbsFlat,
                                                             epbsSingle, epbsSingle, epbsSingle};
      popup = byBorder[AViewInfo->EditBorderStyle];
    }
  }
  AViewInfo->PopupBorderStyle = popup;
}

void TcxCustomEditViewData::CalculateButtonsViewInfo(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                                     TcxCustomEditViewInfo* AViewInfo, TShiftState AShift,
                                                     TMouseButton AButton, POINT AMousePos) {
  TcxEditButtons* buttons = Properties->Buttons();
  ButtonVisibleCount = buttons->VisibleCount();
  TcxEditButtonTransparency transparency = Style->ButtonTransparency();
  bool active = ContainerState.Contains(csActive);
  bool hot = ContainerState.Contains(csHotTrack);
  if (ButtonVisibleCount == 0 || (!active && transparency == ebtHideInactive) ||
      (!active && !hot && transparency == ebtHideUnselected)) {
    AViewInfo->SetButtonCount(0);
    return;
  }
  AViewInfo->SetButtonCount(ButtonVisibleCount);
  for (TcxEditButtonViewInfo* b : AViewInfo->ButtonsInfo) b->Data = TcxEditButtonViewInfoData();
  AViewInfo->IsButtonReallyPressed = false;
  int32_t previousPressed = AIsMouseEvent ? AViewInfo->PressedButton : -1;
  AViewInfo->PressedButton = -1;
  AViewInfo->HotButton = -1;
  LeftSideLeftmostButtonIndex = LeftSideRightmostButtonIndex = -1;
  RightSideLeftmostButtonIndex = RightSideRightmostButtonIndex = -1;

  TcxEditButtonStyle style = Style->ButtonStyle();
  if (style == btsDefault) {
    if (IsInplace) {
      static constexpr TcxEditButtonStyle byKind[] = {btsFlat, bts3D, btsUltraFlat, btsOffice11};
      style = byKind[Style->LookAndFeel()->Kind()];
    } else {
      static constexpr TcxEditButtonStyle byBorder[] = {btsSimple, btsHotFlat,   bts3D,      btsFlat,
                                                        bts3D,     btsUltraFlat, btsOffice11};
      style = byBorder[Style->BorderStyle()];
    }
  }

  // Laid out from the last button to the first: the last right-aligned one ends up rightmost and the
  // last left-aligned one leftmost.
  RECT content{};
  GetContentExtent(ACanvas, content);
  RECT room = Shrink(ABounds, content);
  bool fontPrepared = false;
  int32_t visibleIndex = ButtonVisibleCount - 1;
  for (int32_t i = buttons->Count() - 1; i >= 0 && visibleIndex >= 0; --i) {
    TcxEditButton* button = buttons->Items(i);
    if (!button->Visible()) continue;
    if (button->Kind() == bkText && !fontPrepared && ACanvas) {
      ACanvas->Font()->Assign(AViewInfo->Font ? AViewInfo->Font : Style->GetVisibleFont());
      AViewInfo->PrepareCanvasFont(ACanvas);
      fontPrepared = true;
    }
    TcxEditButtonViewInfo* info = AViewInfo->Button(visibleIndex);
    info->Data.ButtonIndex = i;
    info->Data.Style = style;
    CalculateButtonViewInfo(ACanvas, AViewInfo, room, visibleIndex);
    --visibleIndex;
  }

  // Buttons alone: the room left goes to the stretchable buttons in proportion to their widths.
  int32_t spare = room.right - room.left;
  if (ButtonsOnlyStyle && spare > 0) {
    std::vector<int32_t> takers;
    for (int32_t i = ButtonVisibleCount - 1; i >= 0; --i)
      if (AViewInfo->Button(i)->Data.Stretchable) takers.push_back(i);
    if (takers.empty())
      for (int32_t i = ButtonVisibleCount - 1; i >= 0; --i) takers.push_back(i);
    int64_t total = 0;
    for (int32_t i : takers) total += AViewInfo->Button(i)->Bounds.right - AViewInfo->Button(i)->Bounds.left;
    int32_t left = spare;
    for (size_t k = 0; k < takers.size(); ++k) {
      TcxEditButtonViewInfo* info = AViewInfo->Button(takers[k]);
      int32_t width = info->Bounds.right - info->Bounds.left;
      int32_t grow = k + 1 == takers.size() ? left
                     : total > 0            ? static_cast<int32_t>(int64_t(spare) * width / total)
                                            : 0;
      left -= grow;
      bool isLeft = info->Data.LeftAlignment;
      if (isLeft) {
        info->Bounds.right += grow;
        info->Data.VisibleRect.right += grow;
      } else {
        info->Bounds.left -= grow;
        info->Data.VisibleRect.left -= grow;
      }
      for (int32_t j = takers[k] - 1; j >= 0; --j) {
        TcxEditButtonViewInfo* other = AViewInfo->Button(j);
        if (other->Data.LeftAlignment != isLeft) continue;
        int32_t dx = isLeft ? grow : -grow;
        OffsetRect(&other->Bounds, dx, 0);
        OffsetRect(&other->Data.VisibleRect, dx, 0);
      }
    }
  }

  // States. Without an editor there is no capture button, so only the mouse position and the shift
  // state decide.
  bool anyDown = AnyMouseButtonDown(AShift);
  bool leftPress = AIsMouseEvent && AButton == mbLeft && OnlyLeftButtonDown(AShift);
  for (int32_t i = 0; i < ButtonVisibleCount; ++i) {
    TcxEditButtonViewInfo* info = AViewInfo->Button(i);
    TcxEditButton* button = buttons->Items(info->Data.ButtonIndex);
    uint8_t state = cxEditButtonStateNormal;
    bool held = IsButtonPressed(AViewInfo, i);
    if (!Enabled || !button->Enabled()) {
      state = cxEditButtonStateDisabled;
    } else if (held || (!IsDesigning && PtInRect(&info->Data.VisibleRect, AMousePos))) {
      bool wasPressed = i == previousPressed;
      if (held || leftPress || (wasPressed && AShift.Contains(ssLeft))) AViewInfo->IsButtonReallyPressed = true;
      if (!anyDown && !held) {
        state = cxEditButtonStateHot;
        AViewInfo->HotButton = i;
      } else if (held || (leftPress && CanPressButton(AViewInfo, i)) || (wasPressed && AShift.Contains(ssLeft))) {
        state = cxEditButtonStatePressed;
        AViewInfo->PressedButton = i;
      }
    }
    info->Data.State = state;
  }

  auto mark = [&](int32_t AIndex, bool ALeftmost) {
    if (AIndex < 0) return;
    (ALeftmost ? AViewInfo->Button(AIndex)->Data.Leftmost : AViewInfo->Button(AIndex)->Data.Rightmost) = true;
  };
  mark(LeftSideLeftmostButtonIndex, true);
  if (!(ButtonsOnlyStyle && RightSideRightmostButtonIndex >= 0)) mark(LeftSideRightmostButtonIndex, false);
  if (!(ButtonsOnlyStyle && LeftSideLeftmostButtonIndex >= 0)) mark(RightSideLeftmostButtonIndex, true);
  mark(RightSideRightmostButtonIndex, false);
  if (ButtonsOnlyStyle)
    for (TcxEditButtonViewInfo* b : AViewInfo->ButtonsInfo) b->Data.LeftAlignment = false;
}

void TcxCustomEditViewData::CalculateButtonViewInfo(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo,
                                                    RECT& ARect, int32_t AIndex) {
  TcxEditButtonViewInfo* info = AViewInfo->Button(AIndex);
  TcxEditButton* button = Properties->Buttons()->Items(info->Data.ButtonIndex);
  TcxEditButtonViewInfoData& d = info->Data;
  d.IsOnlyDropDownButton = ButtonVisibleCount == 1 && button->Kind() == bkDown;
  d.Kind = button->Kind();
  if (d.Kind == bkText) {
    d.Caption = button->Caption();
    d.TextColor = button->TextColor();
    d.VisibleCaption = button->VisibleCaption();
  }
  d.Default = button->Default();
  d.Glyph = button->HasGlyph() ? button->Glyph() : nullptr;
  d.EraseBackground = AViewInfo->EraseBackground;
  d.IsInplace = IsInplace;
  d.LeftAlignment = button->LeftAlignment();
  d.Leftmost = false;
  d.Rightmost = false;
  d.NativeStyle = NativeStyle;
  d.Stretchable = button->Stretchable();
  d.Width = button->Width();
  TcxEditButtonTransparency transparency = Style->ButtonTransparency();
  d.Transparent = transparency == ebtAlways || (transparency == ebtInactive && !IsSelected);
  d.BackgroundColor = AViewInfo->BackgroundColor;
  CalculateButtonBounds(ACanvas, AViewInfo, ARect, AIndex);
}

void TcxCustomEditViewData::CalculateButtonBounds(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& ARect,
                                                  int32_t AIndex) {
  TcxEditButtonViewInfo* info = AViewInfo->Button(AIndex);
  if (IsRectEmptyOrInverted(ARect)) {
    info->Bounds = RECT{};
    info->Data.VisibleRect = RECT{};
    return;
  }
  int32_t width = GetButtonWidth(ACanvas, info);
  int32_t visible = std::min<int32_t>(width, ARect.right - ARect.left);
  if (info->Data.LeftAlignment) {
    info->Bounds = RECT{ARect.left, ARect.top, ARect.left + width, ARect.bottom};
    info->Data.VisibleRect = RECT{ARect.left, ARect.top, ARect.left + visible, ARect.bottom};
    ARect.left += visible;
    if (LeftSideLeftmostButtonIndex < 0) LeftSideLeftmostButtonIndex = AIndex;
    LeftSideRightmostButtonIndex = AIndex;
  } else {
    info->Bounds = RECT{ARect.right - width, ARect.top, ARect.right, ARect.bottom};
    info->Data.VisibleRect = RECT{ARect.right - visible, ARect.top, ARect.right, ARect.bottom};
    ARect.right -= visible;
    if (RightSideRightmostButtonIndex < 0) RightSideRightmostButtonIndex = AIndex;
    RightSideLeftmostButtonIndex = AIndex;
  }
}

// ---- measuring --------------------------------------------------------------------------------------------------

namespace {

// The frame a button face adds above and below its content, by the first button's style.
int32_t ButtonBorderHeight(TcxCustomEditViewInfo* AViewInfo) {
  if (AViewInfo->ButtonCount() == 0) return 0;
  switch (AViewInfo->Button(0)->Data.Style) {
    case btsDefault: return 0;
    case bts3D: return 4;
    default: return 2;
  }
}

}  // namespace

POINT TcxCustomEditViewData::GetTextOffsets() const {
  if (!IsInplace) return POINT{3, 4};
  return POINT{3, NativeStyle && ButtonVisibleCount > 0 ? 3 : 2};
}

void TcxCustomEditViewData::GetValueDisplayText(const Variant& AEditValue, String& AText) {
  EditValueToDisplayText(AEditValue, AText);
  if (OnGetDisplayText) OnGetDisplayText(this, AText);
}

void TcxCustomEditViewData::CalculateButtonsMinSize(TcxCanvas* ACanvas, bool AIsInplace,
                                                    TcxCustomEditViewInfo* AViewInfo, SIZE& AFrameSize,
                                                    SIZE& AMinContentSize) {
  AFrameSize = SIZE{(AViewInfo->Bounds.right - AViewInfo->Bounds.left) -
                        (AViewInfo->ClientRect.right - AViewInfo->ClientRect.left),
                    (AViewInfo->Bounds.bottom - AViewInfo->Bounds.top) -
                        (AViewInfo->ClientRect.bottom - AViewInfo->ClientRect.top)};
  AMinContentSize = SIZE{0, 0};
  // A stand-alone editor asks for this only when it sizes itself; that editor joins the unit later.
  if (!AIsInplace) return;
  int32_t height = 0;
  bool fontPrepared = false;
  for (TcxEditButtonViewInfo* b : AViewInfo->ButtonsInfo) {
    if (b->Data.Kind == bkGlyph && IsGlyphAssigned(b->Data.Glyph)) height = std::max(height, b->Data.Glyph->Height());
    if (b->Data.Kind == bkText && ACanvas) {
      if (!fontPrepared) {
        ACanvas->Font()->Assign(AViewInfo->Font ? AViewInfo->Font : Style->GetVisibleFont());
        AViewInfo->PrepareCanvasFont(ACanvas);
        fontPrepared = true;
      }
      height = std::max(height, ACanvas->TextHeight(b->Data.VisibleCaption));
    }
  }
  if (height <= 0) return;
  RECT content{};
  GetContentExtent(ACanvas, content);
  height += content.top + content.bottom + ButtonBorderHeight(AViewInfo) - AFrameSize.cy;
  AMinContentSize.cy = std::max(height, 0);
}

void TcxCustomEditViewData::MeasureFramePart(TcxCanvas* ACanvas, const TcxEditSizeProperties&, SIZE& AFrameSize,
                                             TcxCustomEditViewInfo* AViewInfo, SIZE& AMinContentSize) {
  TcxCustomEditViewInfo* viewInfo = AViewInfo;
  if (!viewInfo) {
    viewInfo = CreateAs<TcxCustomEditViewInfo>(Properties->GetViewInfoClass());
    try {
      CalculateEditRects(ACanvas, RECT{0, 0, cxEditUnlimitedWidth, cxEditUnlimitedWidth}, false, viewInfo, {},
                         mbLeft, POINT{-1, -1});
    } catch (...) {
      viewInfo->Free();
      throw;
    }
  }
  try {
    CalculateButtonsMinSize(ACanvas, IsInplace, viewInfo, AFrameSize, AMinContentSize);
  } catch (...) {
    if (viewInfo != AViewInfo) viewInfo->Free();
    throw;
  }
  if (viewInfo != AViewInfo) viewInfo->Free();
}

void TcxCustomEditViewData::MeasureContentPart(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                                               const TcxEditSizeProperties& ASizeRequest) {
  if (Properties->ButtonsViewStyle() == bvsNormal) {
    GetValueContentSize(ACanvas, AEditValue, ASize, ASizeRequest);
    return;
  }
  int32_t textHeight = 0;
  if (ACanvas) {
    ACanvas->Font()->Assign(Style->GetVisibleFont());
    textHeight = ACanvas->TextHeight("Zg");
  }
  ASize = SIZE{0, textHeight + GetTextOffsets().y};
}

void TcxCustomEditViewData::GetEditSize(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                                        TcxCustomEditViewInfo* AViewInfo, const TcxEditSizeProperties& ASizeRequest) {
  SIZE frame{}, minContent{};
  MeasureFramePart(ACanvas, ASizeRequest, frame, AViewInfo, minContent);
  TcxEditSizeProperties request = ASizeRequest;
  bool tooNarrow = false;
  if (ASizeRequest.Width >= 0) {
    request.Width = ASizeRequest.Width - frame.cx;
    if (request.Width < 0) {
      tooNarrow = true;
      request.Width = 0;
    }
  }
  SIZE content{};
  MeasureContentPart(ACanvas, AEditValue, content, request);
  content.cx = std::max(content.cx, minContent.cx);
  content.cy = std::max(content.cy, minContent.cy);
  ASize.cx = tooNarrow ? ASizeRequest.Width : frame.cx + content.cx;
  ASize.cy = frame.cy + content.cy;
  // The editor's size constraints apply here once the editor control joins the unit.
}

void TcxCustomEditProperties::GetEditSize(TcxCanvas* ACanvas, TcxCustomEditStyle* AStyle, bool AIsInplace,
                                          const Variant& AEditValue, const TcxEditSizeProperties& AEditSizeProperties,
                                          SIZE& ASize) {
  TcxCustomEditViewData* data = CreateViewData(AStyle, AIsInplace);
  try {
    data->GetEditSize(ACanvas, AEditValue, ASize, nullptr, AEditSizeProperties);
  } catch (...) {
    data->Free();
    throw;
  }
  data->Free();
}
