#include "ui/editors/cxButtons.h"

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/TypInfo.h"
#include "ui/base/dxThemeManager.h"
#include "ui/base/dxUxTheme.h"
#include "winapi/WinCtrls.h"
#include "winapi/WinGdi.h"
#include "winapi/WinText.h"

RTL_PUBLISHED(TcxButtonColors) {
  prop("Default", &TcxButtonColors::Default, &TcxButtonColors::SetDefault)
      .Stored(&TcxButtonColors::IsDefaultStored);
  prop("Normal", &TcxButtonColors::Normal, &TcxButtonColors::SetNormal)
      .Stored(&TcxButtonColors::IsNormalStored);
  prop("Hot", &TcxButtonColors::Hot, &TcxButtonColors::SetHot)
      .Stored(&TcxButtonColors::IsHotStored);
  prop("Pressed", &TcxButtonColors::Pressed, &TcxButtonColors::SetPressed)
      .Stored(&TcxButtonColors::IsPressedStored);
  prop("Disabled", &TcxButtonColors::Disabled, &TcxButtonColors::SetDisabled)
      .Stored(&TcxButtonColors::IsDisabledStored);
}

RTL_PUBLISHED(TcxCustomButton) {
  prop("PopupMenu", &TcxCustomButton::PopupMenu, &TcxCustomButton::SetPopupMenu);
}

RTL_PUBLISHED(TcxButton) {
  prop("Colors", &TcxButton::Colors, &TcxButton::SetColors);
  prop("DropDownMenu", &TcxButton::DropDownMenu, &TcxButton::SetDropDownMenu);
  prop("Glyph", &TcxButton::Glyph, &TcxButton::SetGlyph);
  prop("Kind", &TcxButton::Kind, &TcxButton::SetKind).Default(cxbkStandard);
  prop("Layout", &TcxButton::Layout, &TcxButton::SetLayout).Default(blGlyphLeft);
  prop("LookAndFeel", &TcxButton::LookAndFeel, &TcxButton::SetLookAndFeel);
  prop("Margin", &TcxButton::Margin, &TcxButton::SetMargin).Default(-1);
  prop("NumGlyphs", &TcxButton::NumGlyphs, &TcxButton::SetNumGlyphs).Default(1);
  prop("PopupAlignment", &TcxButton::PopupAlignment, &TcxButton::SetPopupAlignment).Default(paLeft);
  prop("Spacing", &TcxButton::Spacing, &TcxButton::SetSpacing).Default(4);
  prop("UseSystemPaint", &TcxButton::UseSystemPaint, &TcxButton::SetUseSystemPaint).Default(false);
}

RTL_MESSAGE(TcxCustomButton, CN_DRAWITEM, CNDrawItem);
RTL_MESSAGE(TcxCustomButton, CN_MEASUREITEM, CNMeasureItem);
RTL_MESSAGE(TcxCustomButton, WM_ERASEBKGND, WMEraseBkgnd);
RTL_MESSAGE(TcxCustomButton, WM_LBUTTONDOWN, WMLButtonDown);
RTL_MESSAGE(TcxCustomButton, WM_LBUTTONUP, WMLButtonUp);
RTL_MESSAGE(TcxCustomButton, WM_LBUTTONDBLCLK, WMLButtonDblClk);
RTL_MESSAGE(TcxCustomButton, WM_CAPTURECHANGED, WMCaptureChanged);
RTL_MESSAGE(TcxCustomButton, WM_CONTEXTMENU, WMContextMenu);
RTL_MESSAGE(TcxCustomButton, CM_MOUSEENTER, CMMouseEnter);
RTL_MESSAGE(TcxCustomButton, CM_MOUSELEAVE, CMMouseLeave);
RTL_MESSAGE(TcxCustomButton, CM_ENABLEDCHANGED, CMEnabledChanged);
RTL_MESSAGE(TcxCustomButton, CM_FONTCHANGED, CMFontChanged);
RTL_MESSAGE(TcxCustomButton, CM_FOCUSCHANGED, CMFocusChanged);
RTL_MESSAGE(TcxCustomButton, CM_DIALOGKEY, CMDialogKey);
RTL_MESSAGE(TcxCustomButton, BM_SETSTYLE, BMSetStyle);
RTL_MESSAGE(TcxCustomButton, CN_KEYDOWN, CNKeyDown);
RTL_MESSAGE(TcxCustomButton, CN_SYSKEYDOWN, CNKeyDown);
RTL_MESSAGE(TcxCustomButton, CM_DROPDOWNPOPUPMENU, CMDropDownPopupMenu);
RTL_MESSAGE(TcxCustomButton, CM_CLOSEUPPOPUPMENU, CMCloseUpPopupMenu);

// ---- TcxButtonColors -------------------------------------------------------------------------------------

void TcxButtonColors::Changed() {
  if (FButton) FButton->Invalidate();
}

void TcxButtonColors::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TcxButtonColors*>(Source)) {
    for (int i = 0; i < 5; ++i) FColors[i] = s->FColors[i];
    FAssignedColors = s->FAssignedColors;
    Changed();
    return;
  }
  inherited::Assign(Source);
}

void TcxButtonColors::SetColor(TcxButtonState AState, TColor Value) {
  if (Value == clNone || Value == clDefault) {
    FColors[AState] = clDefault;
    FAssignedColors.Exclude(AState);
  } else if (FColors[AState] != Value) {
    FColors[AState] = Value;
    FAssignedColors.Include(AState);
  }
  Changed();
}

void TcxButtonColors::SetAssignedColors(TcxButtonAssignedColors Value) {
  if (!FButton || !FButton->ComponentState().Contains(csDesigning) || Value == FAssignedColors) return;
  for (int i = 0; i < 5; ++i) {
    auto s = static_cast<TcxButtonState>(i);
    if (FAssignedColors.Contains(s) && !Value.Contains(s)) FColors[i] = clDefault;
    if (!FAssignedColors.Contains(s) && Value.Contains(s) && FColors[i] == clDefault) Value.Exclude(s);
  }
  FAssignedColors = Value;
  Changed();
}

// ---- TcxButtonGlyph --------------------------------------------------------------------------------------

TcxButtonGlyph::TcxButtonGlyph() : FOriginal(New<TBitmap>()) {
  FOriginal->OnChange = TNotifyEvent(this, &TcxButtonGlyph::GlyphChanged);
}

TcxButtonGlyph::~TcxButtonGlyph() {
  Invalidate();
  FreeAndNil(FOriginal);
}

void TcxButtonGlyph::GlyphChanged(TObject*) {
  Invalidate();
  if (OnChange) OnChange(this);
}

void TcxButtonGlyph::Invalidate() {
  for (int i = 0; i < 4; ++i) {
    FreeAndNil(FImages[i]);
    FMaskColors[i] = clDefault;
  }
}

void TcxButtonGlyph::SetGlyph(TBitmap* Value) {
  Invalidate();
  if (Value)
    FOriginal->Assign(Value);
  else
    FOriginal->SetSize(0, 0);
  if (Value && Value->Height() > 0 && Value->Width() % Value->Height() == 0) {
    int32_t n = Value->Width() / Value->Height();
    FNumGlyphs = n > 4 ? 1 : std::max(n, 1);
  }
}

void TcxButtonGlyph::SetNumGlyphs(int32_t Value) {
  if (Value == 0 || Value == FNumGlyphs) return;
  Invalidate();
  FNumGlyphs = std::clamp(Value, 1, 4);
  if (OnChange) OnChange(this);
}

SIZE TcxButtonGlyph::GlyphSize() const {
  if (!HasImage()) return SIZE{0, 0};
  return SIZE{FOriginal->Width() / FNumGlyphs, FOriginal->Height()};
}

TcxButtonGlyphLayout TcxButtonGlyph::CalcLayout(TcxCanvas* ACanvas, const RECT& AClient, POINT AOffset,
                                                const String& ACaption, TButtonLayout ALayout, int32_t AMargin,
                                                int32_t ASpacing, uint32_t ABiDiFlags, bool AWordWrap) {
  // A right-to-left reading mirrors the glyph's side.
  if (ABiDiFlags & DT_RIGHT) {
    if (ALayout == blGlyphLeft)
      ALayout = blGlyphRight;
    else if (ALayout == blGlyphRight)
      ALayout = blGlyphLeft;
  }
  const int32_t cw = AClient.right - AClient.left, ch = AClient.bottom - AClient.top;
  SIZE text{0, 0};
  if (!ACaption.empty()) {
    RECT calc{0, 0, cw, 0};
    UINT flags = DT_CALCRECT | ABiDiFlags | (WordWrapApplies(AWordWrap) ? DT_WORDBREAK : 0);
    ::DrawText(ACanvas->Handle(), ACaption.c_str(), -1, &calc, flags);
    text = SIZE{calc.right - calc.left, calc.bottom - calc.top};
  }
  const SIZE glyph = GlyphSize();
  POINT g{0, 0}, t{0, 0};
  const bool horizontal = ALayout == blGlyphLeft || ALayout == blGlyphRight;
  if (horizontal) {
    g.y = (ch - glyph.cy) / 2;
    t.y = (ch - text.cy - 1) / 2;
  } else {
    g.x = (cw - glyph.cx) / 2;
    t.x = (cw - text.cx) / 2;
  }
  if (text.cx == 0 || glyph.cx == 0) ASpacing = 0;
  const int32_t room = horizontal ? cw : ch;
  const int32_t glyphExtent = horizontal ? glyph.cx : glyph.cy;
  const int32_t textExtent = horizontal ? text.cx : text.cy;
  if (AMargin == -1) {
    if (ASpacing == -1) {
      AMargin = (room - (glyphExtent + textExtent)) / 3;
      ASpacing = AMargin;
    } else {
      AMargin = (room - (glyphExtent + ASpacing + textExtent)) / 2;
    }
  } else if (ASpacing == -1) {
    ASpacing = ((room - (AMargin + glyphExtent)) - textExtent) / 2;
  }
  switch (ALayout) {
    case blGlyphLeft:
      g.x = AMargin;
      t.x = g.x + glyph.cx + ASpacing;
      break;
    case blGlyphRight:
      g.x = cw - AMargin - glyph.cx;
      t.x = g.x - ASpacing - text.cx;
      break;
    case blGlyphTop:
      g.y = AMargin;
      t.y = g.y + glyph.cy + ASpacing;
      break;
    case blGlyphBottom:
      g.y = ch - AMargin - glyph.cy;
      t.y = g.y - ASpacing - text.cy;
      break;
  }
  TcxButtonGlyphLayout r;
  r.GlyphPos = POINT{g.x + AClient.left + AOffset.x, g.y + AClient.top + AOffset.y};
  r.TextBounds = RECT{0, 0, text.cx, text.cy};
  OffsetRect(&r.TextBounds, t.x + AClient.left + AOffset.x, t.y + AClient.top + AOffset.y);
  return r;
}

TcxButtonGlyphLayout TcxButtonGlyph::Draw(TcxCanvas* ACanvas, const RECT& AClient, POINT AOffset,
                                          const String& ACaption, TButtonLayout ALayout, int32_t AMargin,
                                          int32_t ASpacing, TcxButtonState AState, uint32_t ABiDiFlags,
                                          bool ATransparent, bool AWordWrap) {
  TcxButtonGlyphLayout r =
      CalcLayout(ACanvas, AClient, AOffset, ACaption, ALayout, AMargin, ASpacing, ABiDiFlags, AWordWrap);
  DrawGlyph(ACanvas, r.GlyphPos, AState, ATransparent);
  DrawCaption(ACanvas, ACaption, r.TextBounds, AState, ABiDiFlags, AWordWrap);
  return r;
}

namespace {

uint32_t Rgb32(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}

}  // namespace

int32_t TcxButtonGlyph::CreateButtonGlyph(TcxButtonState AState) {
  int32_t index = 0;  // up
  if (AState == cxbsDisabled)
    index = 1;
  else if (AState == cxbsPressed)
    index = FNumGlyphs < 3 ? 0 : 2;
  if (FImages[index]) return index;
  if (!HasImage()) return -1;
  const SIZE size = GlyphSize();
  TBitmap* image = New<TBitmap>();
  image->SetSize(size.cx, size.cy);
  image->Canvas()->Brush()->SetColor(clBtnFace);
  image->Canvas()->FillRect(RECT{0, 0, size.cx, size.cy});
  const int32_t source = FNumGlyphs > index ? index : 0;
  const RECT src{source * size.cx, 0, (source + 1) * size.cx, size.cy};
  const RECT dst{0, 0, size.cx, size.cy};
  const uint32_t transparent = Rgb32(FOriginal->TransparentColor());
  const uint32_t face = Rgb32(clBtnFace), light = Rgb32(clBtnHighlight), shadow = Rgb32(clBtnShadow);
  if (index == 1 && FNumGlyphs < 2) {
    // Embossed from the picture's ink: every pixel that is neither the transparent colour nor white is ink,
    // drawn in the highlight colour one pixel down-right and then in the shadow colour in place.
    std::vector<uint8_t> ink(static_cast<size_t>(size.cx * size.cy));
    for (int32_t y = 0; y < size.cy; ++y) {
      const uint32_t* row = FOriginal->ScanLine(y);
      for (int32_t x = 0; x < size.cx; ++x) {
        uint32_t p = row[src.left + x] & 0xFFFFFF;
        ink[static_cast<size_t>(y * size.cx + x)] = p != transparent && p != 0xFFFFFF;
      }
    }
    for (int32_t y = 0; y < size.cy; ++y) {
      uint32_t* row = image->ScanLine(y);
      for (int32_t x = 0; x < size.cx; ++x) row[x] = face;
    }
    for (int32_t pass = 0; pass < 2; ++pass) {
      const int32_t d = pass == 0 ? 1 : 0;
      const uint32_t colour = pass == 0 ? light : shadow;
      for (int32_t y = 0; y + d < size.cy; ++y) {
        uint32_t* row = image->ScanLine(y + d);
        for (int32_t x = 0; x + d < size.cx; ++x)
          if (ink[static_cast<size_t>(y * size.cx + x)]) row[x + d] = colour;
      }
    }
    image->Modified();
    FMaskColors[index] = clBtnFace;
  } else if (index == 1) {
    // A disabled picture of the strip is recoloured to the current system colours.
    image->Canvas()->CopyRect(dst, FOriginal->Canvas(), src);
    for (int32_t y = 0; y < size.cy; ++y) {
      uint32_t* row = image->ScanLine(y);
      for (int32_t x = 0; x < size.cx; ++x) {
        uint32_t p = row[x] & 0xFFFFFF;
        if (p == 0xFFFFFF)
          row[x] = light;
        else if (p == 0x808080)
          row[x] = shadow;
        else if (p == transparent)
          row[x] = face;
      }
    }
    image->Modified();
    FMaskColors[index] = clBtnFace;
  } else {
    image->Canvas()->CopyRect(dst, FOriginal->Canvas(), src);
    FMaskColors[index] = FOriginal->TransparentMode() == tmFixed ? FTransparentColor : clDefault;
  }
  FImages[index] = image;
  return index;
}

void TcxButtonGlyph::DrawGlyph(TcxCanvas* ACanvas, POINT APos, TcxButtonState AState, bool ATransparent) {
  (void)ATransparent;
  const int32_t index = CreateButtonGlyph(AState);
  if (index < 0) return;
  TBitmap* image = FImages[index];
  // clDefault masks with the picture's bottom-left pixel, as an image list does.
  TColor mask = FMaskColors[index];
  uint32_t maskRgb = mask == clDefault ? (image->ScanLine(image->Height() - 1)[0] & 0xFFFFFF) : Rgb32(mask);
  ::TransparentBlt(ACanvas->Handle(), APos.x, APos.y, image->Width(), image->Height(), image->Canvas()->Handle(), 0,
                   0, image->Width(), image->Height(),
                   RGB((maskRgb >> 16) & 0xFF, (maskRgb >> 8) & 0xFF, maskRgb & 0xFF));
}

void TcxButtonGlyph::DrawCaption(TcxCanvas* ACanvas, const String& ACaption, RECT ATextBounds, TcxButtonState AState,
                                 uint32_t ABiDiFlags, bool AWordWrap) {
  if (ACaption.empty()) return;
  TBrushStyle saved = ACanvas->Brush()->Style();
  ACanvas->Brush()->SetStyle(bsClear);
  HDC dc = ACanvas->Handle();
  UINT flags = DT_CENTER | DT_VCENTER | ABiDiFlags | (WordWrapApplies(AWordWrap) ? DT_WORDBREAK : 0);
  ::SetBkMode(dc, TRANSPARENT);
  if (AState == cxbsDisabled) {
    RECT shadow = ATextBounds;
    OffsetRect(&shadow, 1, 1);
    ::SetTextColor(dc, ColorToRGB(clBtnHighlight));
    ::DrawText(dc, ACaption.c_str(), -1, &shadow, flags);
  }
  ::SetTextColor(dc, ColorToRGB(ACanvas->Font()->Color()));
  ::DrawText(dc, ACaption.c_str(), -1, &ATextBounds, flags);
  ACanvas->Brush()->SetStyle(saved);
}

// ---- TcxCustomButton -------------------------------------------------------------------------------------

TcxCustomButton::TcxCustomButton(TComponent* AOwner) : TButton(AOwner) {}

void TcxCustomButton::AfterConstruction() {
  inherited::AfterConstruction();
  FGlyph = static_cast<TcxButtonGlyph*>(GetGlyphClass()->Create(nullptr));
  FGlyph->OnChange = TNotifyEvent(this, &TcxCustomButton::GlyphChanged);
  FColors = New<TcxButtonColors>(this);
  FControlCanvas = New<TControlCanvas>();
  FControlCanvas->SetControl(this);
  FCanvas = New<TcxCanvas>(FControlCanvas);
  FLookAndFeel = New<TcxLookAndFeel>(this);
  FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxCustomButton::LookAndFeelChanged);
  SetDoubleBuffered(true);
  TControlStyle style = ControlStyle();
  style.Include(csOpaque);
  style.Include(csReflector);
  SetControlStyle(style);
}

void TcxCustomButton::BeforeDestruction() {
  StopMouseTracking(this);
  inherited::BeforeDestruction();
}

TcxCustomButton::~TcxCustomButton() {
  StopMouseTracking(this);
  FreeAndNil(FLookAndFeel);
  FreeAndNil(FColors);
  FreeAndNil(FGlyph);
  FreeAndNil(FCanvas);
  FreeAndNil(FControlCanvas);
}

int32_t TcxCustomButton::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}

void TcxCustomButton::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) { RecreateWnd(); }
void TcxCustomButton::GlyphChanged(TObject*) { Invalidate(); }

TcxCustomLookAndFeelPainterClass TcxCustomButton::GetPainterClass() const {
  TcxCustomLookAndFeelPainterClass painter = FLookAndFeel->GetPainterClass();
  if (painter->PainterStyle() == psOffice11) {
    if (IsThemeTypeAvailable(totButton)) return TcxWinXPLookAndFeelPainter::Instance();
    return TcxStandardLookAndFeelPainter::Instance();
  }
  return painter;
}

void TcxCustomButton::SetDropDownMenu(TPopupMenu* Value) {
  if (FDropDownMenu == Value) return;
  if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
  FDropDownMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TcxCustomButton::SetPopupMenu(TComponent* Value) {
  if (Value && !dynamic_cast<TPopupMenu*>(Value) && !dynamic_cast<IcxPopupMenuSupport*>(Value)) Value = nullptr;
  if (FPopupMenu == Value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TcxCustomButton::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FDropDownMenu) FDropDownMenu = nullptr;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TcxCustomButton::SetGlyph(TBitmap* Value) {
  FGlyph->SetGlyph(Value);
  Invalidate();
}

void TcxCustomButton::SetNumGlyphs(int32_t Value) {
  Value = std::min(Value, 4);
  if (Value == FGlyph->NumGlyphs()) return;
  FGlyph->SetNumGlyphs(Value);
  Invalidate();
}

void TcxCustomButton::SetKind(TcxButtonKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  RecreateWnd();
}

void TcxCustomButton::SetLayout(TButtonLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}

void TcxCustomButton::SetMargin(int32_t Value) {
  if (Value < -1 || FMargin == Value) return;
  FMargin = Value;
  Invalidate();
}

void TcxCustomButton::SetSpacing(int32_t Value) {
  if (FSpacing == Value) return;
  FSpacing = Value;
  Invalidate();
}

void TcxCustomButton::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Invalidate();
}

void TcxCustomButton::CreateParams(TCreateParams& params) {
  inherited::CreateParams(params);
  if (!GetFlag56()) params.Style = (params.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

void TcxCustomButton::CreateHandle() {
  inherited::CreateHandle();
  FGlyph->CreateButtonGlyph(Enabled() ? cxbsNormal : cxbsDisabled);
}

void TcxCustomButton::DestroyWindowHandle() {
  // A closing notice still queued must not be lost with the window: it is delivered at once.
  MSG msg;
  if (HandleAllocated() && ::PeekMessage(&msg, Handle(), CM_CLOSEUPPOPUPMENU, CM_CLOSEUPPOPUPMENU, PM_REMOVE))
    ::SendMessage(Handle(), msg.message, msg.wParam, msg.lParam);
  inherited::DestroyWindowHandle();
}

void TcxCustomButton::SetButtonStyle(bool ADefault) {
  if (ADefault == FIsFocused) return;
  FIsFocused = ADefault;
  Refresh();
}

RECT TcxCustomButton::ArrowRect() {
  RECT r = ClientRect();
  return RECT{r.right - cxDropDownButtonWidth, r.top, r.right, r.bottom};
}

void TcxCustomButton::CNDrawItem(TMessage& m) {
  if (ComponentState().Contains(csDestroying)) return;
  const auto& d = *reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  FControlCanvas->SetHandle(d.hDC);
  struct Release {
    TControlCanvas* c;
    ~Release() { c->SetHandle(nullptr); }
  } release{FControlCanvas};
  if (!FLockDown) FIsPressed = (d.itemState & ODS_SELECTED) != 0;
  FIsDefault = (d.itemState & ODS_FOCUS) != 0 || (Default() && IsDesigning());
  m.Result = 1;
  if (GetFlag56()) return;

  TcxCustomLookAndFeelPainterClass painter = GetPainterClass();
  const bool native = painter->PainterStyle() == psNative;
  RECT r = ClientRect();
  if (native) {
    HTHEME theme = OpenTheme(totButton);
    if (theme && ::IsThemeBackgroundPartiallyTransparent(theme, 1, 1)) DrawThemeParentBackground(Handle(), d.hDC, r);
  }
  RECT arrow{};
  if (FKind == cxbkDropDown) {
    FIsPressed = FMenuVisible;
  } else if (FKind == cxbkDropDownButton) {
    arrow = ArrowRect();
    r.right = arrow.left + 2;
    if (FLockDown) FIsPressed = false;
  }
  TcxButtonState state;
  if (!Enabled())
    state = cxbsDisabled;
  else if (FIsPressed || FMenuVisible)
    state = cxbsPressed;
  else if (FIsMouseInControl)
    state = cxbsHot;
  else if (!FIsDefault && !FIsFocused)
    state = cxbsNormal;
  else
    state = cxbsDefault;
  FPaintedState = state;

  FCanvas->Font()->Assign(Font());
  FCanvas->Font()->SetColor(painter->ButtonGlyphColor(state));
  TColor colour = FColors->Color(state);
  if (OnGetDrawParams) OnGetDrawParams(this, state, colour, FCanvas->Font());
  painter->PaintButton(FCanvas, r, "", state, true, colour, FCanvas->Font()->Color());
  // PaintButton may have changed the DC's font; the caption is measured and drawn with the button's.
  FCanvas->Font()->SetColor(FCanvas->Font()->Color());
  FCanvas->Canvas()->TextWidth("0");

  POINT offset{0, 0};
  if (state == cxbsPressed) {
    int32_t s = painter->ButtonCaptionPressShift();
    if (s != 0) offset = POINT{s, s};
  }
  {
    const int saved = ::SaveDC(d.hDC);
    struct Restore {
      HDC dc;
      int id;
      ~Restore() { ::RestoreDC(dc, id); }
    } restore{d.hDC, saved};
    RECT clip = ClientRect();
    const int32_t fw = painter->ButtonFrameWidth(state);
    InflateRect(&clip, -fw, -fw);
    ::IntersectClipRect(d.hDC, clip.left, clip.top, clip.right, clip.bottom);
    FGlyph->Draw(FCanvas, r, offset, Caption(), FLayout, FMargin, FSpacing, state, 0, native, FWordWrap);
  }
  if (FKind == cxbkDropDownButton) {
    painter->PaintButton(FCanvas, arrow, "", state, true, colour, FCanvas->Font()->Color());
    painter->PaintStateArrow(FCanvas, arrow, state, padDown);
  }
  if (Focused() && !FMenuVisible) {
    RECT fr = painter->GetButtonFocusBounds(FCanvas, ClientRect());
    FCanvas->Canvas()->Brush()->SetStyle(bsSolid);
    FCanvas->Canvas()->DrawFocusRect(fr);
  }
}

void TcxCustomButton::CNMeasureItem(TMessage& m) {
  auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
  mi->itemWidth = static_cast<UINT>(Width());
  mi->itemHeight = static_cast<UINT>(Height());
}

void TcxCustomButton::WMEraseBkgnd(TMessage& m) {
  if (ComponentState().Contains(csDestroying) || GetFlag56() || GetPainterClass()->PainterStyle() == psNative)
    DefaultHandler(m);
  else
    m.Result = 1;
}

void TcxCustomButton::WMLButtonDown(TMessage& m) {
  if (FKind == cxbkDropDownButton) {
    POINT p{static_cast<int16_t>(LOWORD(m.LParam)), static_cast<int16_t>(HIWORD(m.LParam))};
    RECT a = ArrowRect();
    if (PtInRect(&a, p)) FLockDown = true;
  }
  inherited::WMLButtonDown(m);
}

void TcxCustomButton::WMLButtonUp(TMessage& m) {
  FLockDown = false;
  FInMouseUp = true;
  try {
    inherited::WMLButtonUp(m);
  } catch (...) {
    FInMouseUp = false;
    throw;
  }
  FInMouseUp = false;
}

void TcxCustomButton::WMLButtonDblClk(TMessage& m) {
  // A quick second press is another press, not a double click.
  m.Msg = WM_LBUTTONDOWN;
  WMLButtonDown(m);
}

bool TcxCustomButton::CursorOverButton() {
  POINT p{};
  ::GetCursorPos(&p);
  return HandleAllocated() && ::WindowFromPoint(p) == Handle();
}

void TcxCustomButton::WMCaptureChanged(TMessage& m) {
  DefaultHandler(m);
  if (IsDesigning()) return;
  FIsMouseInControl = HotTrackingOn() && CursorOverButton();
}

void TcxCustomButton::WMContextMenu(TMessage& m) {
  if (m.Result != 0 || IsDesigning()) return;
  POINT screen{static_cast<int16_t>(LOWORD(m.LParam)), static_cast<int16_t>(HIWORD(m.LParam))};
  bool keyboard = screen.x == -1 && screen.y == -1;
  POINT client = keyboard ? POINT{-1, -1} : ScreenToClient(screen);
  RECT r = ClientRect();
  if (keyboard || PtInRect(&r, client)) {
    bool handled = false;
    DoContextPopup(client, handled);
    m.Result = handled ? 1 : 0;
    return;
  }
  inherited::WMContextMenu(m);
}

void TcxCustomButton::DoContextPopup(POINT MousePos, bool& Handled) {
  inherited::DoContextPopup(MousePos, Handled);
  if (Handled) return;
  POINT p = (MousePos.x == -1 && MousePos.y == -1) ? POINT{0, 0} : MousePos;
  p = ClientToScreen(p);
  Handled = PopupDropDownMenu(FPopupMenu, p.x, p.y);
}

bool TcxCustomButton::PopupDropDownMenu(TComponent* AMenu, int32_t X, int32_t Y) {
  return PopupMenuAtPoint(this, AMenu, X, Y);
}

bool TcxCustomButton::DoOnDropDownMenuPopup(TPopupMenu*& AMenu) {
  bool handled = false;
  if (OnDropDownMenuPopup) OnDropDownMenuPopup(this, AMenu, handled);
  return handled;
}

bool TcxCustomButton::HotTrackingOn() { return !GetFlag56() && GetPainterClass()->ButtonsTrackHot() && Enabled(); }

void TcxCustomButton::CMMouseEnter(TMessage& m) {
  inherited::CMMouseEnter(m);
  if (IsDesigning() || FIsMouseInControl || !HotTrackingOn() || ::GetCapture() != nullptr) return;
  StartMouseTracking(this, RECT{0, 0, Width(), Height()}, this);
  FIsMouseInControl = true;
  Repaint();
}

void TcxCustomButton::CMMouseLeave(TMessage& m) {
  inherited::CMMouseLeave(m);
  if (IsDesigning()) return;
  StopMouseTracking(this);
  if (FIsMouseInControl && HotTrackingOn()) {
    FIsMouseInControl = false;
    Repaint();
  }
}

void TcxCustomButton::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseMove(Shift, X, Y);
  RECT r = ClientRect();
  if (PtInRect(&r, POINT{X, Y}) && !FIsMouseInControl && HotTrackingOn() && ::GetCapture() == nullptr)
    Perform(CM_MOUSEENTER, 0, 0);
}

void TcxCustomButton::CMEnabledChanged(TMessage& m) {
  inherited::CMEnabledChanged(m);
  if (!Enabled()) {
    StopMouseTracking(this);
    FIsMouseInControl = false;
  }
  Invalidate();
}

void TcxCustomButton::CMFontChanged(TMessage& m) {
  inherited::CMFontChanged(m);
  Invalidate();
}

void TcxCustomButton::CMFocusChanged(TMessage& m) {
  // The platform's default-button style follows the focus: the focused button, or the form's default
  // button while no other button has the focus.
  auto* sender = reinterpret_cast<TWinControl*>(m.LParam);
  bool active = sender == this || (Default() && !(sender && sender->InheritsFrom(TButton::StaticClass())));
  SetButtonStyle(active);
  inherited::CMFocusChanged(m);
}

void TcxCustomButton::CMDialogKey(TMessage& m) {
  // Enter belongs to the button that carries the default style, the focused one first.
  if (m.WParam == VK_RETURN && FIsFocused && Focused() && ::GetKeyState(VK_MENU) >= 0 &&
      ::GetKeyState(VK_CONTROL) >= 0 && Showing() && Enabled()) {
    Click();
    m.Result = 1;
    return;
  }
  inherited::CMDialogKey(m);
}

void TcxCustomButton::BMSetStyle(TMessage& m) {
  // The window stays owner-drawn; the default style is only remembered for painting.
  m.Result = 0;
  Invalidate();
}

void TcxCustomButton::CNKeyDown(TMessage& m) {
  if (IsPopupMenuShortCut(FPopupMenu, m)) {
    m.Result = 1;
    return;
  }
  inherited::CNKeyDown(m);
}

void TcxCustomButton::KeyDown(uint16_t& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (FKind == cxbkDropDownButton && (Key == VK_UP || Key == VK_DOWN) &&
      (Shift.Contains(ssAlt) || Shift.Contains(ssShift))) {
    if (!FMenuVisible) DropDown();
    Key = 0;
  }
}

void TcxCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || FKind == cxbkStandard) return;
  if (FMenuVisible) {
    FMenuVisibleClosedByMouse = true;
    FMenuVisible = false;
    FIsPressed = false;
    Repaint();
    return;
  }
  if (FKind == cxbkDropDown) {
    DropDown();
  } else {
    RECT a = ArrowRect();
    if (PtInRect(&a, POINT{X, Y})) DropDown();
  }
}

void TcxCustomButton::Click() {
  if (FKind == cxbkDropDown && !FMenuVisible) {
    if (!FInMouseUp && !FMenuVisibleClosedByMouse) DropDown();
    FMenuVisibleClosedByMouse = false;
    return;
  }
  if (FMenuVisibleClosedByMouse) {
    FMenuVisibleClosedByMouse = false;
    return;
  }
  if (FKind == cxbkDropDown) return;
  inherited::Click();
}

void TcxCustomButton::DropDown() {
  FLockDown = true;
  if (HandleAllocated()) ::PostMessage(Handle(), CM_DROPDOWNPOPUPMENU, 0, 0);
}

void TcxCustomButton::CMDropDownPopupMenu(TMessage&) {
  if (FKind == cxbkStandard) return;
  TPopupMenu* menu = FDropDownMenu;
  if (DoOnDropDownMenuPopup(menu) || !menu) return;
  FMenuVisible = true;
  Repaint();
  POINT p{0, Height()};
  if (FPopupAlignment == paRight)
    p.x = Width();
  else if (FPopupAlignment == paCenter)
    p.x = Width() / 2;
  p = ClientToScreen(p);
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfo(::MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &mi);
  const int32_t menuHeight = CalcPopupMenuHeight(menu);
  if (p.y + menuHeight > mi.rcWork.bottom) p.y -= menuHeight + Height() + 2;
  TPopupAlignment alignment = FPopupAlignment;
  if (p.x <= mi.rcWork.left)
    alignment = paRight;
  else if (p.x >= mi.rcWork.right)
    alignment = paLeft;
  const TPopupAlignment saved = menu->Alignment();
  menu->SetAlignment(alignment);
  try {
    menu->SetPopupComponent(this);
    menu->Popup(p.x, p.y);
  } catch (...) {
    menu->SetAlignment(saved);
    throw;
  }
  menu->SetAlignment(saved);
  if (HandleAllocated()) ::PostMessage(Handle(), CM_CLOSEUPPOPUPMENU, 0, 0);
}

void TcxCustomButton::CMCloseUpPopupMenu(TMessage&) {
  FIsMouseInControl = HotTrackingOn() && CursorOverButton();
  FMenuVisible = false;
  Repaint();
  FLockDown = false;
}
