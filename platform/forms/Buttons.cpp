#include "forms/Buttons.h"

#include <algorithm>

#include "rtl/TypInfo.h"
#include "winapi/WinGdi.h"
#include "winapi/WinText.h"

RTL_PUBLISHED(TBitBtn) {
  prop("Kind", &TBitBtn::Kind, &TBitBtn::SetKind).Default(bkCustom);
  prop("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph);
  prop("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs).Default(1);
  prop("Layout", &TBitBtn::Layout, &TBitBtn::SetLayout).Default(blGlyphLeft);
  prop("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing).Default(4);
  prop("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin).Default(-1);
}

RTL_PUBLISHED(TSpeedButton) {
  prop("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
  prop("Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false);
  prop("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
  prop("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false);
  prop("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
  prop("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs).Default(1);
  prop("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout).Default(blGlyphLeft);
  prop("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing).Default(4);
  prop("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin).Default(-1);
}

RTL_MESSAGE(TBitBtn, CN_DRAWITEM, CNDrawItem);
RTL_MESSAGE(TBitBtn, WM_LBUTTONDBLCLK, WMLButtonDblClk);
RTL_MESSAGE(TBitBtn, CM_FOCUSCHANGED, CMFocusChanged);
RTL_MESSAGE(TBitBtn, BM_SETSTYLE, BMSetStyle);
RTL_MESSAGE(TSpeedButton, CM_MOUSEENTER, CMMouseEnter);
RTL_MESSAGE(TSpeedButton, CM_MOUSELEAVE, CMMouseLeave);
RTL_MESSAGE(TSpeedButton, CM_TEXTCHANGED, CMTextChanged);
RTL_MESSAGE(TSpeedButton, CM_DIALOGCHAR, CMDialogChar);

String BitBtnCaption(TBitBtnKind kind) {
  static const char* const captions[] = {"",       "OK",    "Cancel", "&Help",   "&Yes",   "&No",
                                         "&Close", "Abort", "&Retry", "&Ignore", "&All"};
  return captions[kind];
}

TModalResult BitBtnModalResult(TBitBtnKind kind) {
  static const TModalResult results[] = {mrNone, mrOk, mrCancel, mrNone,  mrYes,   mrNo,
                                         mrNone, mrAbort, mrRetry, mrIgnore, mrAll};
  return results[kind];
}

TButtonFaceLayout CalcButtonLayout(const RECT& client, SIZE glyph, SIZE text, TButtonLayout layout, int32_t margin,
                                   int32_t spacing) {
  bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  int32_t cw = client.right - client.left, ch = client.bottom - client.top;
  if (glyph.cx == 0 || text.cx == 0) spacing = 0;
  int32_t total = horizontal ? glyph.cx + spacing + text.cx : glyph.cy + spacing + text.cy;
  int32_t room = horizontal ? cw : ch;
  if (margin < 0) margin = (room - total) / 2;
  POINT g{}, t{};
  if (horizontal) {
    g.y = (ch - glyph.cy) / 2;
    t.y = (ch - text.cy) / 2;
    if (layout == blGlyphLeft) {
      g.x = margin;
      t.x = g.x + glyph.cx + spacing;
    } else {
      g.x = cw - margin - glyph.cx;
      t.x = g.x - spacing - text.cx;
    }
  } else {
    g.x = (cw - glyph.cx) / 2;
    t.x = (cw - text.cx) / 2;
    if (layout == blGlyphTop) {
      g.y = margin;
      t.y = g.y + glyph.cy + spacing;
    } else {
      g.y = ch - margin - glyph.cy;
      t.y = g.y - spacing - text.cy;
    }
  }
  TButtonFaceLayout r;
  r.Glyph = RECT{client.left + g.x, client.top + g.y, client.left + g.x + glyph.cx, client.top + g.y + glyph.cy};
  r.Text = RECT{client.left + t.x, client.top + t.y, client.left + t.x + text.cx, client.top + t.y + text.cy};
  return r;
}

namespace {

// Glyph and caption of a button face on canvas (its font already set); state picks the picture of the
// strip, and a pressed face moves one pixel down and right.
void DrawFace(TCanvas* canvas, RECT client, const String& caption, TBitmap* glyph, int32_t numGlyphs,
              TButtonLayout layout, int32_t margin, int32_t spacing, TButtonState state, bool pressed) {
  HDC dc = canvas->Handle();
  SIZE g{0, 0};
  numGlyphs = std::clamp(numGlyphs, 1, 4);
  if (glyph && glyph->Width() > 0 && glyph->Height() > 0) g = SIZE{glyph->Width() / numGlyphs, glyph->Height()};
  SIZE t{0, 0};
  if (!caption.empty()) {
    RECT calc{0, 0, 0, 0};
    ::DrawText(dc, caption.c_str(), -1, &calc, DT_CALCRECT | DT_SINGLELINE);
    t = SIZE{calc.right - calc.left, calc.bottom - calc.top};
  }
  if (pressed) OffsetRect(&client, 1, 1);
  TButtonFaceLayout lay = CalcButtonLayout(client, g, t, layout, margin, spacing);
  if (g.cx > 0) {
    int32_t index = static_cast<int32_t>(state) < numGlyphs ? static_cast<int32_t>(state) : 0;
    HDC src = glyph->Canvas()->Handle();
    COLORREF transparent = static_cast<COLORREF>(ColorToRGB(glyph->TransparentColor()));
    ::TransparentBlt(dc, lay.Glyph.left, lay.Glyph.top, g.cx, g.cy, src, index * g.cx, 0, g.cx, g.cy, transparent);
  }
  if (t.cx > 0) {
    ::SetBkMode(dc, TRANSPARENT);
    if (state == bsDisabled) {
      RECT shadow = lay.Text;
      OffsetRect(&shadow, 1, 1);
      ::SetTextColor(dc, ColorToRGB(clBtnHighlight));
      ::DrawText(dc, caption.c_str(), -1, &shadow, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
      ::SetTextColor(dc, ColorToRGB(clBtnShadow));
    } else {
      ::SetTextColor(dc, ColorToRGB(canvas->Font()->Color()));
    }
    ::DrawText(dc, caption.c_str(), -1, &lay.Text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
}

}  // namespace

// ---- TBitBtn --------------------------------------------------------------------------------------

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), FGlyph(New<TBitmap>()), FCanvas(New<TCanvas>()) {
  FGlyph->OnChange = TNotifyEvent(this, &TBitBtn::GlyphChanged);
}

TBitBtn::~TBitBtn() {
  FreeAndNil(FCanvas);
  FreeAndNil(FGlyph);
}

void TBitBtn::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  p.Style = (p.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

void TBitBtn::SetKind(TBitBtnKind v) {
  if (FKind == v) return;
  FKind = v;
  if (v == bkCustom) return;
  SetCaption(BitBtnCaption(v));
  SetModalResult(BitBtnModalResult(v));
  if (v == bkOK || v == bkYes) SetDefault(true);
  if (v == bkCancel || v == bkNo) SetCancel(true);
  Invalidate();
}

void TBitBtn::SetGlyph(TBitmap* v) {
  FGlyph->Assign(v);
  if (FGlyph->Width() > 0 && FGlyph->Height() > 0 && FGlyph->Width() % FGlyph->Height() == 0)
    FNumGlyphs = std::clamp(FGlyph->Width() / FGlyph->Height(), 1, 4);
  Invalidate();
}

void TBitBtn::GlyphChanged(TObject*) { Invalidate(); }

void TBitBtn::SetNumGlyphs(int32_t v) {
  FNumGlyphs = std::clamp(v, 1, 4);
  Invalidate();
}
void TBitBtn::SetLayout(TButtonLayout v) {
  FLayout = v;
  Invalidate();
}
void TBitBtn::SetSpacing(int32_t v) {
  FSpacing = v;
  Invalidate();
}
void TBitBtn::SetMargin(int32_t v) {
  FMargin = std::max(v, -1);
  Invalidate();
}

void TBitBtn::Click() {
  // A Close button closes its form instead of setting a modal result.
  if (FKind == bkClose) {
    if (TCustomForm* form = GetParentForm(this)) {
      form->Close();
      return;
    }
  }
  inherited::Click();
}

void TBitBtn::WMLButtonDblClk(TMessage& m) {
  // The second press of a quick double click is another press, not a double click.
  m.Msg = WM_LBUTTONDOWN;
  WMLButtonDown(m);
}

void TBitBtn::BMSetStyle(TMessage& m) {
  // The button stays owner-drawn; being the default only changes how it is drawn.
  m.Result = 0;
  Invalidate();
}

void TBitBtn::CMFocusChanged(TMessage& m) {
  // The default frame goes to the focused button.
  Invalidate();
  inherited::CMFocusChanged(m);
}

void TBitBtn::CNDrawItem(TMessage& m) {
  const auto& d = *reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  bool pressed = (d.itemState & ODS_SELECTED) != 0;
  bool focused = (d.itemState & ODS_FOCUS) != 0;
  bool enabled = (d.itemState & ODS_DISABLED) == 0 && Enabled();
  FCanvas->SetHandle(d.hDC);
  RECT r = d.rcItem;
  bool isDefault = focused || Default();
  if (isDefault) {
    FCanvas->Brush()->SetColor(clWindowFrame);
    FCanvas->Brush()->SetStyle(bsSolid);
    FCanvas->FrameRect(r);
    InflateRect(&r, -1, -1);
  }
  ::DrawFrameControl(d.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  FCanvas->Font()->Assign(Font());
  FCanvas->Brush()->SetStyle(bsClear);
  FCanvas->TextExtent("0");  // selects the font
  RECT face = r;
  InflateRect(&face, -2, -2);
  DrawFace(FCanvas, face, Caption(), FGlyph, FNumGlyphs, FLayout, FMargin, FSpacing,
           !enabled ? bsDisabled : pressed ? bsDown : bsUp, pressed);
  if (focused) {
    RECT fr = r;
    InflateRect(&fr, -4, -4);
    ::DrawFocusRect(d.hDC, &fr);
  }
  FCanvas->SetHandle(nullptr);
  m.Result = 1;
}

// ---- TSpeedButton ---------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(New<TBitmap>()) {
  FControlStyle = TControlStyle{csCaptureMouse, csDoubleClicks, csOpaque};
  FWidth = 23;
  FHeight = 22;
  FParentColor = true;
  FGlyph->OnChange = TNotifyEvent(this, &TSpeedButton::GlyphChanged);
}

TSpeedButton::~TSpeedButton() { FreeAndNil(FGlyph); }

void TSpeedButton::GlyphChanged(TObject*) { Invalidate(); }

void TSpeedButton::SetGlyph(TBitmap* v) {
  FGlyph->Assign(v);
  if (FGlyph->Width() > 0 && FGlyph->Height() > 0 && FGlyph->Width() % FGlyph->Height() == 0)
    FNumGlyphs = std::clamp(FGlyph->Width() / FGlyph->Height(), 1, 4);
  Invalidate();
}
void TSpeedButton::SetNumGlyphs(int32_t v) {
  FNumGlyphs = std::clamp(v, 1, 4);
  Invalidate();
}
void TSpeedButton::SetLayout(TButtonLayout v) {
  FLayout = v;
  Invalidate();
}
void TSpeedButton::SetSpacing(int32_t v) {
  FSpacing = v;
  Invalidate();
}
void TSpeedButton::SetMargin(int32_t v) {
  FMargin = std::max(v, -1);
  Invalidate();
}
void TSpeedButton::SetFlat(bool v) {
  FFlat = v;
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int32_t v) {
  FGroupIndex = v;
  if (v == 0) FDown = false;
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool v) {
  FAllowAllUp = v;
  // The setting belongs to the whole group.
  if (FParent && FGroupIndex != 0)
    for (int32_t i = 0; i < FParent->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TSpeedButton*>(FParent->Controls(i)); b && b->FGroupIndex == FGroupIndex)
        b->FAllowAllUp = v;
}

void TSpeedButton::SetDown(bool v) {
  if (FGroupIndex == 0) v = false;
  if (v == FDown) return;
  // The down button of a group comes up only by another going down, unless all may be up.
  if (FDown && !FAllowAllUp) return;
  FDown = v;
  Invalidate();
  if (v) UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
  if (!FDown || FGroupIndex == 0 || !FParent) return;
  for (int32_t i = 0; i < FParent->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButton*>(FParent->Controls(i));
        b && b != this && b->FGroupIndex == FGroupIndex && b->FDown) {
      b->FDown = false;
      b->Invalidate();
    }
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  inherited::MouseDown(button, shift, x, y);
  if (button == mbLeft && Enabled()) {
    FDragging = true;
    FPressed = true;
    Invalidate();
  }
}

void TSpeedButton::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  inherited::MouseMove(shift, x, y);
  if (!FDragging) return;
  bool inside = x >= 0 && x < Width() && y >= 0 && y < Height();
  if (inside != FPressed) {
    FPressed = inside;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  inherited::MouseUp(button, shift, x, y);
  if (!FDragging || button != mbLeft) return;
  FDragging = false;
  FPressed = false;
  bool inside = x >= 0 && x < Width() && y >= 0 && y < Height();
  if (inside && FGroupIndex != 0) SetDown(!FDown);
  Invalidate();
  if (inside) Click();
}

void TSpeedButton::CMMouseEnter(TMessage& m) {
  inherited::CMMouseEnter(m);
  if (FFlat && Enabled()) Invalidate();
}

void TSpeedButton::CMMouseLeave(TMessage& m) {
  inherited::CMMouseLeave(m);
  if (FFlat && Enabled()) Invalidate();
}

void TSpeedButton::CMTextChanged(TMessage&) { Invalidate(); }

void TSpeedButton::CMDialogChar(TMessage& m) {
  if (IsAccel(static_cast<char32_t>(m.WParam), Caption()) && Enabled() && Visible() && FParent && FParent->Showing()) {
    if (FGroupIndex != 0) SetDown(!FDown);
    Click();
    m.Result = 1;
  }
}

void TSpeedButton::Paint() {
  RECT r = ClientRect();
  bool down = FDown || FPressed;
  FCanvas->Brush()->SetColor(Color());
  FCanvas->Brush()->SetStyle(bsSolid);
  FCanvas->FillRect(r);
  if (!FFlat) {
    RECT f = r;
    ::DrawFrameControl(FCanvas->Handle(), &f, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
  } else if (down || (FMouseInControl && Enabled())) {
    // A flat button shows a thin raised or sunken edge only when hot or down.
    RECT f = r;
    ::DrawEdge(FCanvas->Handle(), &f, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
  FCanvas->Font()->Assign(Font());
  FCanvas->Brush()->SetStyle(bsClear);
  FCanvas->TextExtent("0");
  RECT face = r;
  InflateRect(&face, -2, -2);
  TButtonState state = !Enabled() ? bsDisabled : FPressed ? bsDown : FDown ? bsExclusive : bsUp;
  DrawFace(FCanvas, face, Caption(), FGlyph, FNumGlyphs, FLayout, FMargin, FSpacing, state, down);
}
