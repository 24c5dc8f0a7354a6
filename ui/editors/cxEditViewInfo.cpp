#include <algorithm>
#include <memory>

#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/UxTheme.h"
#include "winapi/WinGdi.h"

namespace {

constexpr int32_t kEditTransparentBorderWidth = 2;
constexpr int32_t kEditShadowWidth = 3;
// Left plus right margin of a button drawn without a theme.
constexpr int32_t kEditButtonMargins = 4;
// Extra room beside a text button's caption.
constexpr int32_t kEditTextButtonCaptionGap = 3;

bool EditRectIsEmpty(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }

RECT EditShrinkRect(const RECT& R, const RECT& AExtent) {
  return RECT{R.left + AExtent.left, R.top + AExtent.top, R.right - AExtent.right, R.bottom - AExtent.bottom};
}

TShiftState EditMouseButtons(TShiftState AShift) {
  TShiftState result;
  for (TShiftStateItem item : {ssLeft, ssRight, ssMiddle, ssDouble})
    if (AShift.Contains(item)) result.Include(item);
  return result;
}

bool EditAnyMouseButtonDown(TShiftState AShift) {
  return AShift.Contains(ssLeft) || AShift.Contains(ssRight) || AShift.Contains(ssMiddle);
}

bool EditOnlyLeftButtonDown(TShiftState AShift) {
  return AShift.Contains(ssLeft) && !AShift.Contains(ssRight) && !AShift.Contains(ssMiddle);
}

// The theme part and state of a natively painted button: the combo box's drop-down part for a lone
// drop-down button, else the push button's; buttons whose theme does not open paint by style.
void EditCalculateButtonNativeInfo(TcxEditButtonViewInfo* AButton) {
  TcxEditButtonViewInfoData& d = AButton->Data;
  TdxThemedObjectType type = d.IsOnlyDropDownButton ? totComboBox : totButton;
  if (!IsNativeThemePartAvailable(d.NativeStyle, type)) {
    d.NativePart = 0;
    d.NativeState = 0;
    d.NativePartiallyTransparent = false;
    return;
  }
  static constexpr int32_t kStates[] = {4, 1, 3, 2};  // by disabled, normal, pressed, hot
  d.NativePart = 1;
  d.NativeState = kStates[d.State <= cxEditButtonStateHot ? d.State : cxEditButtonStateNormal];
  d.NativePartiallyTransparent = IsThemeBackgroundPartiallyTransparent(OpenTheme(type), 1, d.NativeState) != 0;
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

// ---- painting ---------------------------------------------------------------------------------------------------

namespace {

// Puts the device context's clipping back as it was when the keeper was made, also when painting throws.
class TcxEditClipKeeper {
public:
  explicit TcxEditClipKeeper(HDC ADC) : FDC(ADC), FRegion(CreateRectRgn(0, 0, 0, 0)) {
    if (GetClipRgn(FDC, FRegion) != 1) {
      DeleteObject(FRegion);
      FRegion = nullptr;
    }
  }
  ~TcxEditClipKeeper() {
    SelectClipRgn(FDC, FRegion);
    if (FRegion) DeleteObject(FRegion);
  }
  TcxEditClipKeeper(const TcxEditClipKeeper&) = delete;
  TcxEditClipKeeper& operator=(const TcxEditClipKeeper&) = delete;

private:
  HDC FDC;
  HRGN FRegion;
};

void EditFillRect(TcxCanvas* ACanvas, const RECT& R, TColor AColor) {
  if (!EditRectIsEmpty(R)) FillRectWithBrush(ACanvas->Handle(), R, GetSolidBrush(AColor));
}

// A one-pixel frame, R shrinking inside it.
void EditFrame(TcxCanvas* ACanvas, RECT& R, TColor AColor) {
  ACanvas->FrameRect(R, AColor, 1, cxBordersAll);
  InflateRect(&R, -1, -1);
}

void EditTwoColorFrame(TcxCanvas* ACanvas, RECT& R, TColor ALeftTop, TColor ARightBottom) {
  ACanvas->DrawTwoColorFrame(R, ALeftTop, ARightBottom, cxBordersAll, 1);
  InflateRect(&R, -1, -1);
}

bool EditButtonIsNative(const TcxEditButtonViewInfoData& AData) {
  return AData.NativeStyle && AData.NativePart != 0 && AData.NativeState != 0;
}

bool EditButtonIsActive(const TcxEditButtonViewInfoData& AData) {
  return AData.State == cxEditButtonStatePressed || AData.State == cxEditButtonStateHot;
}

// The face of a normal Office11 button, from the shared Office11 colour set.
TColor EditOffice11ButtonColor() {
  Office11ColorsAcquire();
  const TColor result = TcxOffice11LookAndFeelPainter::Instance()->ButtonFaceColor(cxbsNormal);
  Office11ColorsRelease();
  return result;
}

// Three dots, 2 pixels apart, of size 2 (1 in a narrow button).
void EditDrawEllipsis(TcxCanvas* ACanvas, const RECT& R, bool APressed, bool AEnabled, TColor AColor) {
  const int32_t size = R.right - R.left <= 11 ? 1 : 2;
  int32_t x = 0, y = 0;
  CenterSizeInRect(R, SIZE{3 * size + 2 * 2, size}, x, y, APressed);
  auto dots = [&](int32_t dx, TColor AColor2) {
    for (int32_t i = 0; i < 3; ++i) {
      const int32_t left = x + dx + i * (size + 2);
      EditFillRect(ACanvas, RECT{left, y + dx, left + size, y + dx + size}, AColor2);
    }
  };
  if (AEnabled) {
    dots(0, AColor);
  } else {
    dots(1, clBtnHighlight);
    dots(0, clBtnShadow);
  }
}

// Widens (or narrows) [AFrom, ATo) to the full extent AFull, the odd pixel going to the far side when
// pressed and to the near side otherwise; an even difference moves a pressed arrow one pixel further.
void EditFitArrowSpan(LONG& AFrom, LONG& ATo, int32_t AFull, bool APressed) {
  const int32_t difference = AFull - (ATo - AFrom);
  const int32_t d = difference / 2;
  const int32_t odd = difference - 2 * d;
  AFrom -= d;
  ATo += d;
  if (odd == 0) {
    if (APressed) {
      ++AFrom;
      ++ATo;
    }
  } else if (APressed) {
    ATo += odd;
  } else {
    AFrom -= odd;
  }
}

}  // namespace

bool TcxEditButtonViewInfo::RepaintIfChanged(TWinControl* AControl, TcxEditButtonViewInfo* AViewInfo, POINT AOffset) {
  if (AViewInfo && PaintsLike(AViewInfo)) return false;
  if (!AControl || !AControl->HandleAllocated()) return false;
  RECT r = Bounds;
  OffsetRect(&r, AOffset.x, AOffset.y);
  InvalidateRect(AControl->Handle(), &r, Data.EraseBackground);
  return true;
}

void TcxCustomEditViewInfo::PaintBackground(TcxCanvas* ACanvas) { PaintEditButtons(ACanvas, true, 0); }

void TcxCustomEditViewInfo::PaintEditButtons(TcxCanvas* ACanvas, bool AFillAll, int32_t AContentAreaMode) {
  HDC dc = ACanvas->Handle();
  {
    // The clipping is put back also without buttons, so that a shadow's exclusion does not outlive the
    // paint on a canvas that is painted again (a bitmap, a grid's row buffer).
    TcxEditClipKeeper keeper(dc);
    if (ButtonCount() > 0 && !Button(0)->Data.NativePartiallyTransparent)
      for (TcxEditButtonViewInfo* b : ButtonsInfo)
        if (!EditRectIsEmpty(b->Data.VisibleRect)) ACanvas->ExcludeFromClip(b->Data.VisibleRect);
    DrawEditBackground(ACanvas, AFillAll, AContentAreaMode);
  }
  for (int32_t i = 0; i < ButtonCount(); ++i) {
    TcxEditButtonViewInfo* b = Button(i);
    b->Data.BackgroundColor = BackgroundColor;
    if (EditRectIsEmpty(b->Data.VisibleRect)) continue;
    const bool beyondBorder = b->Bounds.left < BorderRect.left || b->Bounds.top < BorderRect.top ||
                              b->Bounds.right > BorderRect.right || b->Bounds.bottom > BorderRect.bottom;
    if (!beyondBorder) {
      DrawButton(ACanvas, i);
      continue;
    }
    TcxEditClipKeeper keeper(dc);
    ACanvas->IntersectClip(b->Data.VisibleRect);
    DrawButton(ACanvas, i);
  }
}

void TcxCustomEditViewInfo::DrawEditBackground(TcxCanvas* ACanvas, bool AFillAll, int32_t AContentAreaMode) {
  HDC dc = ACanvas->Handle();
  if (NativeStyle && !IsInplace && EditBorderStyle != ebsNone) {
    HTHEME theme = OpenTheme(totEdit);
    RECT content = Bounds;
    switch (AContentAreaMode) {
      case 0:
        if (theme) GetThemeContentRect(theme, dc, 1, NativeState, Bounds, content);
        break;
      case 1:
        InflateRect(&content, -3, -3);
        content.right = ClientRect.right - 1;
        break;
      default:
        content = ClientRect;
        break;
    }
    {
      TcxEditClipKeeper keeper(dc);
      ACanvas->ExcludeFromClip(content);
      if (theme) DrawThemeBackgroundRect(theme, dc, 1, NativeState, Bounds);
    }
    if (Transparent) return;
    if (AFillAll)
      EditFillRect(ACanvas, content, BackgroundColor);
    else if (AContentAreaMode != 2)
      FillRectExcept(ACanvas, content, BorderRect, GetSolidBrush(BackgroundColor));
    return;
  }
  if (NativeStyle) {
    if (!Transparent) EditFillRect(ACanvas, Bounds, BackgroundColor);
    return;
  }

  const int32_t w = GetContainerBorderWidth(static_cast<TcxContainerBorderStyle>(EditBorderStyle));
  RECT frame = BorderRect;
  frame.left -= w;
  frame.top -= w;
  if (Edges.Contains(bRight)) frame.right += w;
  if (Edges.Contains(bBottom)) frame.bottom += w;
  if (Shadow) DrawContainerShadow(ACanvas, frame);
  if (!Edges.Contains(bRight)) frame.right += w;
  if (!Edges.Contains(bBottom)) frame.bottom += w;
  switch (EditBorderStyle) {
    case ebsSingle:
    case ebsThick:
      ACanvas->FrameRect(frame, BorderColor, w, cxBordersAll);
      break;
    case ebsFlat:
      ACanvas->DrawBevelEdge(frame, true, true, Edges);
      InflateRect(&frame, -1, -1);
      ACanvas->FrameRect(frame, clBtnFace, 1, cxBordersAll);
      break;
    case ebs3D:
      ACanvas->DrawBevelEdge(frame, true, true, Edges);
      InflateRect(&frame, -1, -1);
      ACanvas->DrawTwoColorFrame(frame, cl3DDkShadow, cl3DLight, Edges, 1);
      break;
    default:
      break;
  }
  if (Transparent) return;
  if (IsInplace) {
    if (AFillAll)
      EditFillRect(ACanvas, Bounds, BackgroundColor);
    else if (!EqualRect(&Bounds, &BorderRect))  // in place, a content offset is all that lies between
      FillRectExcept(ACanvas, Bounds, BorderRect, GetSolidBrush(BackgroundColor));
  } else if (AFillAll) {
    EditFillRect(ACanvas, BorderRect, BackgroundColor);
  }
}

void TcxCustomEditViewInfo::DrawButton(TcxCanvas* ACanvas, int32_t AIndex) {
  TcxEditButtonViewInfo* button = Button(AIndex);
  TcxEditButtonStyle style = button->Data.Style;
  // A simple button has no frame of its own to show hot or pressed: it shows them as a flat one.
  if (button->Data.NativePart == 0 && EditButtonIsActive(button->Data) && style == btsSimple) style = btsFlat;
  DrawButtonBorder(ACanvas, AIndex, style, button->Bounds);
}

void TcxCustomEditViewInfo::DrawButtonBorder(TcxCanvas* ACanvas, int32_t AIndex, TcxEditButtonStyle AStyle,
                                             const RECT& ARect) {
  TcxEditButtonViewInfo* button = Button(AIndex);
  const TcxEditButtonViewInfoData& d = button->Data;
  HDC dc = ACanvas->Handle();
  RECT r = ARect;
  if (EditButtonIsNative(d)) {
    if (d.IsOnlyDropDownButton) {
      if (HTHEME combo = OpenTheme(totComboBox)) DrawThemeBackgroundRect(combo, dc, 1, d.NativeState, r);
      return;
    }
    RECT content = r;
    if (HTHEME theme = OpenTheme(totButton)) {
      DrawThemeBackgroundRect(theme, dc, 1, d.NativeState, r);
      GetThemeContentRect(theme, dc, 1, d.NativeState, r, content);
    }
    DrawButtonContent(ACanvas, AIndex, content, clBtnText, d.BackgroundColor);
    return;
  }

  const bool pressed = d.State == cxEditButtonStatePressed;
  const bool hot = d.State == cxEditButtonStateHot;
  TColor b = d.Transparent ? d.BackgroundColor : clBtnFace;
  TColor content = clBtnText;
  switch (AStyle) {
    case btsFlat:
      DrawRectEdges(ACanvas, r, cxEdgeLeft, b);
      if (pressed)
        EditTwoColorFrame(ACanvas, r, clBtnShadow, clBtnHighlight);
      else
        EditTwoColorFrame(ACanvas, r, clBtnHighlight, clBtnShadow);
      DrawRectEdges(ACanvas, r, cxEdgeRight, b);
      break;
    case btsSimple:
      if (Transparent)
        InflateRect(&r, -1, -1);
      else
        EditFrame(ACanvas, r, d.BackgroundColor);
      DrawRectEdges(ACanvas, r, cxEdgeLeft | cxEdgeRight, b);
      break;
    case btsHotFlat: {
      if (!d.Transparent) {
        static constexpr TColor kFaces[] = {clBtnFace, clBtnFace, clBtnText, clBtnShadow};
        b = kFaces[d.State <= cxEditButtonStateHot ? d.State : cxEditButtonStateNormal];
      }
      // The button next to the text area is framed all round; the others leave their inner side open.
      if ((d.LeftAlignment && d.Rightmost) || (!d.LeftAlignment && d.Leftmost)) {
        EditFrame(ACanvas, r, clBtnShadow);
      } else {
        const uint32_t outer = d.LeftAlignment ? cxEdgeLeft : cxEdgeRight;
        const uint32_t inner = d.LeftAlignment ? cxEdgeRight : cxEdgeLeft;
        DrawRectEdges(ACanvas, r, outer | cxEdgeTop | cxEdgeBottom, clBtnShadow);
        DrawRectEdges(ACanvas, r, inner, b);
      }
      DrawRectEdges(ACanvas, r, cxEdgeLeft | cxEdgeRight, b);
      if (pressed || (hot && !d.Transparent))
        content = clWindow;
      else if (hot)
        content = clBtnShadow;
      break;
    }
    case btsUltraFlat:
    case btsOffice11: {
      const bool office11 = AStyle == btsOffice11;
      if (!d.Transparent) {
        if (pressed || hot)
          b = GetFlatButtonColor(pressed, office11);
        else if (d.State == cxEditButtonStateNormal && office11)
          b = EditOffice11ButtonColor();
        else
          b = clBtnFace;
      }
      const TColor h = GetHighlightBorderColor(office11);
      if (!(pressed || hot) || IsInplace) {
        if (pressed || hot)
          EditFrame(ACanvas, r, h);
        else if (!Transparent)
          EditFrame(ACanvas, r, d.BackgroundColor);
        else
          InflateRect(&r, -1, -1);
        DrawRectEdges(ACanvas, r, cxEdgeLeft | cxEdgeRight, b);
      } else {
        // A highlighted button of a stand-alone editor: its sides on the editor's border take the face
        // colour, since the border itself is highlighted there.
        if (d.LeftAlignment) {
          DrawRectEdges(ACanvas, r, cxEdgeLeft, d.Leftmost ? b : h);
          DrawRectEdges(ACanvas, r, cxEdgeRight, r.right == BorderRect.right ? b : h);
        } else {
          DrawRectEdges(ACanvas, r, cxEdgeRight, d.Rightmost ? b : h);
          DrawRectEdges(ACanvas, r, cxEdgeLeft, r.left == BorderRect.left ? b : h);
        }
        DrawRectEdges(ACanvas, r, cxEdgeAll, b);
      }
      break;
    }
    case bts3D:
    default:
      if (pressed) {
        EditFrame(ACanvas, r, clBtnShadow);
        EditFrame(ACanvas, r, b);
      } else {
        EditTwoColorFrame(ACanvas, r, cl3DLight, cl3DDkShadow);
        EditTwoColorFrame(ACanvas, r, clBtnHighlight, clBtnShadow);
      }
      break;
  }
  DrawButtonContent(ACanvas, AIndex, r, content, b);
}

void TcxCustomEditViewInfo::DrawButtonContent(TcxCanvas* ACanvas, int32_t AIndex, const RECT& ARect,
                                              TColor AContentColor, TColor ABackgroundColor) {
  if (EditRectIsEmpty(ARect)) return;
  TcxEditButtonViewInfo* button = Button(AIndex);
  const TcxEditButtonViewInfoData& d = button->Data;
  const bool native = EditButtonIsNative(d);
  const bool pressed = d.State == cxEditButtonStatePressed;
  const bool enabled = d.State != cxEditButtonStateDisabled;
  const bool glyph = d.Kind == bkGlyph && IsGlyphAssigned(d.Glyph);
  if (!native && !glyph) EditFillRect(ACanvas, ARect, ABackgroundColor);

  switch (d.Kind) {
    case bkEllipsis:
      EditDrawEllipsis(ACanvas, ARect, pressed, enabled, AContentColor);
      break;
    case bkDown: {
      RECT arrow = ARect;
      EditFitArrowSpan(arrow.left, arrow.right, button->Bounds.right - button->Bounds.left, pressed);
      if (d.IsInplace) {
        EditFitArrowSpan(arrow.top, arrow.bottom, button->Bounds.bottom - button->Bounds.top, pressed);
      } else if (pressed) {
        OffsetRect(&arrow, 0, 1);
      }
      const TcxCustomLookAndFeelPainter* painter = TcxStandardLookAndFeelPainter::Instance();
      if (enabled) {
        painter->PaintArrow(ACanvas, arrow, padDown, AContentColor);
      } else {
        RECT light = arrow;
        OffsetRect(&light, 1, 1);
        painter->PaintArrow(ACanvas, light, padDown, clBtnHighlight);
        painter->PaintArrow(ACanvas, arrow, padDown, clBtnShadow);
      }
      break;
    }
    case bkGlyph: {
      if (!glyph) break;
      const SIZE size{std::min<LONG>(d.Glyph->Width(), ARect.right - ARect.left),
                      std::min<LONG>(d.Glyph->Height(), ARect.bottom - ARect.top)};
      int32_t x = 0, y = 0;
      CenterSizeInRect(ARect, size, x, y, pressed);
      const RECT glyphRect{x, y, x + size.cx, y + size.cy};
      if (native) {
        // The theme's face under the glyph, drawn into a buffer as the button lies around the glyph.
        std::unique_ptr<TBitmap> buffer(New<TBitmap>());
        buffer->SetSize(size.cx, size.cy);
        RECT face = button->Bounds;
        OffsetRect(&face, -x, -y);
        if (HTHEME theme = OpenTheme(totButton))
          DrawThemeBackgroundClipped(theme, buffer->Canvas()->Handle(), 1, d.NativeState, face,
                                     RECT{0, 0, size.cx, size.cy});
        DrawEditGlyph(ACanvas, x, y, d.Glyph, enabled, clNone, buffer.get());
      } else {
        FillRectExcept(ACanvas, ARect, glyphRect, GetSolidBrush(ABackgroundColor));
        TcxEditClipKeeper keeper(ACanvas->Handle());
        ACanvas->IntersectClip(glyphRect);
        DrawEditGlyph(ACanvas, x, y, d.Glyph, enabled, ABackgroundColor);
      }
      break;
    }
    case bkText: {
      TColor color = d.TextColor == clDefault ? TextColor : d.TextColor;
      if (d.Style == btsHotFlat && EditButtonIsActive(d)) color = AContentColor;
      RECT text{ARect.left + 1, ARect.top + (d.IsInplace ? -1 : 1), ARect.right - 1, ARect.bottom - 1};
      if (pressed) OffsetRect(&text, 1, 1);
      if (Font) ACanvas->Font()->Assign(Font);
      ACanvas->Brush()->SetStyle(bsClear);
      constexpr uint32_t flags = tfAlignHCenter | tfAlignVCenter | tfSingleLine | tfShowPrefix | tfShowEndEllipsis;
      if (enabled) {
        ACanvas->Font()->SetColor(color);
        ACanvas->DrawText(d.Caption, text, flags);
      } else {
        RECT light = text;
        OffsetRect(&light, 1, 1);
        ACanvas->Font()->SetColor(clBtnHighlight);
        ACanvas->DrawText(d.Caption, light, flags);
        ACanvas->Font()->SetColor(clBtnShadow);
        ACanvas->DrawText(d.Caption, text, flags);
      }
      ACanvas->Brush()->SetStyle(bsSolid);
      break;
    }
  }
}

bool TcxCustomEditViewInfo::NeedShowHint(TcxCanvas* ACanvas, POINT P, String& AText, bool& AIsMultiLine,
                                         RECT& ATextRect) {
  return NeedShowHintInRect(ACanvas, P, RECT{}, AText, AIsMultiLine, ATextRect);
}

bool TcxCustomEditViewInfo::NeedShowHintInRect(TcxCanvas*, POINT, const RECT&, String& AText, bool& AIsMultiLine,
                                               RECT& ATextRect) {
  AText.clear();
  AIsMultiLine = false;
  ATextRect = RECT{};
  return false;
}

bool TcxCustomEditViewInfo::RepaintControl(TWinControl* AControl, TcxCustomEditViewInfo* AOldViewInfo) {
  return RepaintControlRect(AControl, RECT{}, AOldViewInfo);
}

bool TcxCustomEditViewInfo::RepaintControlRect(TWinControl* AControl, const RECT& AInnerRect,
                                               TcxCustomEditViewInfo* AOldViewInfo) {
  if (!AControl || !AControl->HandleAllocated()) return false;
  HWND wnd = AControl->Handle();
  RECT r = Bounds;
  OffsetRect(&r, Left, Top);
  RECT inner{};
  if (!EditRectIsEmpty(AInnerRect) && !IntersectRect(&inner, &AInnerRect, &ClientRect)) inner = RECT{};
  OffsetRect(&inner, Left, Top);
  if (!AOldViewInfo) {
    InvalidateBorderArea(wnd, r, inner, false);
    return false;
  }
  const bool sameButtonCount = AOldViewInfo->ButtonCount() == ButtonCount();
  bool frame = false;
  if (AOldViewInfo->NativeState != NativeState || AOldViewInfo->BackgroundColor != BackgroundColor ||
      (PaintsText() && !(AOldViewInfo->ContainerState == ContainerState)) || !sameButtonCount) {
    InvalidateBorderArea(wnd, r, inner, false);
    frame = true;
  } else if ((EditBorderStyle != ebsNone && AOldViewInfo->BorderColor != BorderColor) ||
             AOldViewInfo->EditBorderStyle != EditBorderStyle) {
    RECT border = BorderRect;
    OffsetRect(&border, Left, Top);
    InvalidateBorderArea(wnd, r, border, false);
    frame = true;
  }
  bool buttons = false;
  if (sameButtonCount)
    for (int32_t i = 0; i < ButtonCount(); ++i)
      buttons = Button(i)->RepaintIfChanged(AControl, AOldViewInfo->Button(i), POINT{Left, Top}) || buttons;
  return frame || buttons;
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

// A themed editor's border is the theme's: fixed insets here, the theme's own margins only where content
// is placed (GetContentExtent).
void TcxCustomEditViewData::GetClientExtent(RECT& AExtent) {
  if (IsInplace) {
    AExtent = ContentOffset;
    return;
  }
  if (Style->TransparentBorder()) {
    constexpr int32_t w = kEditTransparentBorderWidth;
    AExtent = RECT{w, w, w, w};
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
    AExtent.right += kEditShadowWidth;
    AExtent.bottom += kEditShadowWidth;
  }
}

void TcxCustomEditViewData::GetContentExtent(TcxCanvas* ACanvas, RECT& AExtent) {
  if (IsInplace || !NativeStyle) {
    GetClientExtent(AExtent);
    return;
  }
  const auto border = static_cast<TcxEditBorderStyle>(Style->BorderStyle());
  if (border == ebsNone) {
    AExtent = Style->TransparentBorder() ? RECT{2, 2, 2, 2} : RECT{};
    return;
  }
  AExtent = RECT{2, 2, 2, 2};
  if (HTHEME theme = OpenTheme(totEdit)) {
    const RECT r{0, 0, 100, 100};
    RECT content = r;
    GetThemeContentRect(theme, ACanvas ? ACanvas->Handle() : nullptr, 1, 1, r, content);
    AExtent = RECT{content.left, content.top, r.right - content.right, r.bottom - content.bottom};
  }
}

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
    if (EditRectIsEmpty(r)) continue;
    if (b->Data.LeftAlignment)
      AExtent.left = std::max<int32_t>(AExtent.left, r.right - AViewInfo->Bounds.left);
    else
      AExtent.right = std::max<int32_t>(AExtent.right, AViewInfo->Bounds.right - r.left);
  }
}

int32_t TcxCustomEditViewData::GetButtonWidth(TcxCanvas* ACanvas, TcxEditButtonViewInfo* AButton) {
  TcxEditButtonViewInfoData& d = AButton->Data;
  // A button paints natively only when its theme opens; its margins are then the theme's.
  const TdxThemedObjectType type = d.IsOnlyDropDownButton ? totComboBox : totButton;
  d.NativeStyle = IsNativeThemePartAvailable(d.NativeStyle, type);
  int32_t margins = kEditButtonMargins;
  if (d.NativeStyle) {
    const RECT r{0, 0, 100, 100};
    RECT content = r;
    GetThemeContentRect(OpenTheme(type), ACanvas ? ACanvas->Handle() : nullptr, 1, 1, r, content);
    margins = content.left + (r.right - content.right);
  }
  if (d.Width >= 1) return std::max(d.Width, margins);
  if (d.Kind == bkGlyph && IsGlyphAssigned(d.Glyph)) return d.Glyph->Width() + margins;
  int32_t scroll = GetSystemMetrics(SM_CYHSCROLL);
  if (d.Kind == bkText && ACanvas)
    return std::max(scroll, margins + ACanvas->TextWidth(d.VisibleCaption) + kEditTextButtonCaptionGap);
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
    RECT visible = EditShrinkRect(ABounds, ContentOffset);
    if (PtInRect(&visible, AMousePos) && !EditAnyMouseButtonDown(AShift)) state.Include(csHotTrack);
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
  AShift = EditMouseButtons(AShift);
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
  // The states of the edit theme's frame part: disabled, read-only, focused, hot, normal.
  AViewInfo->ThemedObjectType = totEdit;
  AViewInfo->NativePart = NativeStyle ? 1 : 0;
  if (!NativeStyle)
    AViewInfo->NativeState = 0;
  else if (!Enabled)
    AViewInfo->NativeState = 4;
  else if (Properties->ReadOnly())
    AViewInfo->NativeState = 6;
  else if (Focused)
    AViewInfo->NativeState = 5;
  else if (ContainerState.Contains(csHotTrack))
    AViewInfo->NativeState = 2;
  else
    AViewInfo->NativeState = 1;
  AViewInfo->WindowHandle = WindowHandle;

  // A disabled themed editor is filled as the theme fills a disabled edit.
  TColor background = Style->GetEffectiveColor();
  if (NativeStyle && !Enabled)
    if (HTHEME theme = OpenTheme(totEdit)) {
      COLORREF fill = 0;
      if (GetThemeColor(theme, 1, AViewInfo->NativeState, TMT_FILLCOLOR, &fill) == S_OK)
        background = static_cast<TColor>(fill);
    }
  AViewInfo->SetBackgroundColor(background);
  AViewInfo->TextColor = Style->GetTextColor();
  AViewInfo->BorderColor = GetBorderColor();

  CalculateButtonsViewInfo(ACanvas, ABounds, AIsMouseEvent, AViewInfo, AShift, AButton, AMousePos);

  RECT border{};
  GetClientExtent(border);
  AViewInfo->BorderRect = EditShrinkRect(ABounds, border);
  RECT extent{};
  Calculate(ACanvas, AViewInfo, extent);
  AViewInfo->BorderExtent = extent;
  AViewInfo->ClientRect = EditShrinkRect(ABounds, extent);
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
  RECT room = EditShrinkRect(ABounds, content);
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
  bool anyDown = EditAnyMouseButtonDown(AShift);
  bool leftPress = AIsMouseEvent && AButton == mbLeft && EditOnlyLeftButtonDown(AShift);
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
    EditCalculateButtonNativeInfo(info);
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
  if (EditRectIsEmpty(ARect)) {
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
int32_t EditButtonBorderHeight(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo) {
  if (AViewInfo->ButtonCount() == 0) return 0;
  if (AViewInfo->Button(0)->Data.NativeStyle) {
    if (HTHEME theme = OpenTheme(totButton)) {
      const RECT r{0, 0, 100, 100};
      RECT content = r;
      GetThemeContentRect(theme, ACanvas ? ACanvas->Handle() : nullptr, 1, 1, r, content);
      return content.top + (r.bottom - content.bottom);
    }
  }
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
  height += content.top + content.bottom + EditButtonBorderHeight(ACanvas, AViewInfo) - AFrameSize.cy;
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
