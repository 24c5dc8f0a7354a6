#include "ui/editors-more/cxCalc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rtl/FormatSettings.h"
#include "rtl/Math.h"
#include "rtl/ObjLinks.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "winapi/Windows.h"

namespace {

constexpr const char* cxSCalcError = "Ошибка";

struct TcxCalcButtonDef {
  const char* Text;
  TColor Color;
};

// Captions and colours by code; the decimal button takes the locale's separator when laid out.
constexpr TcxCalcButtonDef kButtonDefs[cxCalcButtonCount] = {
    {"Back", clMaroon}, {"CE", clMaroon}, {"C", clMaroon},
    {"MC", clRed},      {"MR", clRed},    {"MS", clRed},   {"M+", clRed},
    {"0", clBlue},      {"1", clBlue},    {"2", clBlue},   {"3", clBlue},  {"4", clBlue},
    {"5", clBlue},      {"6", clBlue},    {"7", clBlue},   {"8", clBlue},  {"9", clBlue},
    {"+/-", clBlue},    {",", clBlue},
    {"/", clRed},       {"*", clRed},     {"-", clRed},    {"+", clRed},
    {"sqrt", clNavy},   {"%", clNavy},    {"1/x", clNavy}, {"=", clRed},
};

// The five columns of the four rows below the clear buttons.
constexpr TcxCalcButtonKind kGrid[4][5] = {
    {cbNum7, cbNum8, cbNum9, cbDiv, cbSqrt},
    {cbNum4, cbNum5, cbNum6, cbMul, cbPercent},
    {cbNum1, cbNum2, cbNum3, cbSub, cbRev},
    {cbNum0, cbSign, cbDecimal, cbAdd, cbEqual},
};

bool IsArithmetic(TcxCalcButtonKind B) { return B == cbDiv || B == cbMul || B == cbSub || B == cbAdd; }

String DecimalSeparatorText() { return String(1, FormatSettings().DecimalSeparator); }

void PutClipboardText(HWND AOwner, const String& AText) {
  if (!OpenClipboard(AOwner)) return;
  EmptyClipboard();
  if (HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, AText.size() + 1)) {
    if (auto* p = static_cast<char*>(GlobalLock(g))) {
      std::memcpy(p, AText.c_str(), AText.size() + 1);
      GlobalUnlock(g);
      SetClipboardData(CF_TEXT, g);
    } else
      GlobalFree(g);
  }
  CloseClipboard();
}

bool GetClipboardText(HWND AOwner, String& AText) {
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(AOwner)) return false;
  bool result = false;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    auto g = static_cast<HGLOBAL>(h);
    if (auto* p = static_cast<const char*>(GlobalLock(g))) {
      AText.assign(p, strnlen(p, GlobalSize(g)));
      GlobalUnlock(g);
      result = true;
    }
  }
  CloseClipboard();
  return result;
}

}  // namespace

RTL_PUBLISHED(TcxCustomCalculator) {
  prop("TabStop", &TcxCustomCalculator::TabStop, &TcxCustomCalculator::SetTabStop).Default(true);
}

// ---- life ----------------------------------------------------------------------------------------------

TcxCustomCalculator::TcxCustomCalculator(TComponent* AOwner) : TcxControl(AOwner) {}

void TcxCustomCalculator::AfterConstruction() {
  inherited::AfterConstruction();
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque});
  SetColor(clBtnFace);
  SetParentColor(false);
  SetTabStop(true);
  // The calculator takes the focus itself on a press (and the drop-down one never does).
  SetTakesFocusOnClick(false);
  SetKeys(TcxControlKeys{ckAllKeys, ckArrows, ckChars, ckTab});
  FResizing = true;
  SetClientSize(FCalcWidth, FCalcHeight);
  FResizing = false;
  LayoutButtons();
}

void TcxCustomCalculator::WndProc(TMessage& m) {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::WndProc(m);
  if (alive && m.Msg == CM_ENABLEDCHANGED) Invalidate();
}

TcxCustomLookAndFeelPainterClass TcxCustomCalculator::GetButtonPainter() {
  return TcxStandardLookAndFeelPainter::Instance();
}

void TcxCustomCalculator::RequestClose() {
  if (OnHidePopup) OnHidePopup(this);
}

// ---- settings ------------------------------------------------------------------------------------------

void TcxCustomCalculator::SetAutoFontSize(bool Value) {
  if (FAutoFontSize == Value) return;
  FAutoFontSize = Value;
  FontChanged();
  // The font's own height does not size the automatic buttons, so the font handling leaves them alone.
  if (FAutoFontSize) Remeasure();
}

void TcxCustomCalculator::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TcxCustomCalculator::SetShowFocusRect(bool Value) {
  if (FShowFocusRect == Value) return;
  FShowFocusRect = Value;
  InvalidateButton(cbEqual);
}

// ---- display -------------------------------------------------------------------------------------------

int32_t TcxCustomCalculator::MaxDigits() const { return FPrecision < 2 ? 2 : FPrecision; }

double TcxCustomCalculator::GetDisplay() {
  if (FState == ccsError) return 0;
  String text = Trim(GetDisplayText());
  if (text.empty()) text = "0";
  const String& thousands = FormatSettings().ThousandSeparator;
  if (!thousands.empty()) text = StringReplace(text, thousands, "", TReplaceFlags{rfReplaceAll});
  return StrToFloat(text);
}

void TcxCustomCalculator::SetDisplay(double Value) {
  // A negated zero reads "0", not "-0".
  if (Value == 0) Value = 0;
  String text = FloatToStrF(Value, ffGeneral, MaxDigits(), 0);
  if (text == GetDisplayText()) return;
  TObjectLink<TcxCustomCalculator> alive(this);
  SetDisplayText(text);
  if (alive && OnDisplayChange) OnDisplayChange(this);
}

void TcxCustomCalculator::ShowResult(double AValue) {
  if (std::isfinite(AValue))
    SetDisplay(AValue);
  else
    ShowError();
}

void TcxCustomCalculator::CheckFirst() {
  if (FState != ccsFirst) return;
  FState = ccsValid;
  SetDisplayText("0");
}

void TcxCustomCalculator::ShowError() {
  FState = ccsError;
  SetDisplayText(TranslateString(cxSCalcError));
  if (FBeepOnError) MessageBeep(0);
}

void TcxCustomCalculator::ClearDisplay() {
  FState = ccsFirst;
  SetDisplay(0);
  FOperator = cbEqual;
}

void TcxCustomCalculator::ResetState() {
  FOperator = cbEqual;
  FState = ccsFirst;
  FMemory = 0;
}

void TcxCustomCalculator::UpdateMemoryButtons() {
  FButtons[cbMC].Grayed = FMemory == 0;
  FButtons[cbMR].Grayed = FMemory == 0;
}

// ---- the machine ---------------------------------------------------------------------------------------

void TcxCustomCalculator::ButtonClick(TcxCalcButtonKind AButton) {
  TObjectLink<TcxCustomCalculator> alive(this);
  if (OnButtonClick) {
    OnButtonClick(this, AButton);
    if (!alive) return;
  }
  if (AButton >= cbNone) return;
  if (FState == ccsError && AButton != cbCancel && AButton != cbClear) {
    ShowError();
    return;
  }
  if (AButton == cbDecimal) {
    CheckFirst();
    String text = GetDisplayText();
    String separator = DecimalSeparatorText();
    if (Pos(separator, text) == 0) SetDisplayText(text + separator);
    return;
  }
  switch (AButton) {
    case cbBack: {
      CheckFirst();
      String text = GetDisplayText();
      if (text.size() == 1 || (text.size() == 2 && text[0] == '-'))
        SetDisplayText("0");
      else if (!text.empty())
        SetDisplayText(text.substr(0, text.size() - 1));
      break;
    }
    case cbCancel:
    case cbClear:
      ClearDisplay();
      break;
    case cbNum0: case cbNum1: case cbNum2: case cbNum3: case cbNum4:
    case cbNum5: case cbNum6: case cbNum7: case cbNum8: case cbNum9: {
      CheckFirst();
      String text = GetDisplayText();
      if (text == "0") text.clear();
      int32_t limit = MaxDigits() + (!text.empty() && text[0] == '-' ? 1 : 0);
      if (static_cast<int32_t>(text.size()) < limit)
        SetDisplayText(text + char('0' + (AButton - cbNum0)));
      else if (FBeepOnError)
        MessageBeep(0);
      break;
    }
    case cbSign:
      SetDisplay(-GetDisplay());
      break;
    case cbSqrt:
    case cbRev: {
      FState = IsArithmetic(FOperator) ? ccsValid : ccsFirst;
      double value = GetDisplay();
      if ((AButton == cbSqrt && value < 0) || (AButton == cbRev && value == 0))
        ShowError();
      else
        ShowResult(AButton == cbSqrt ? std::sqrt(value) : 1 / value);
      break;
    }
    case cbDiv: case cbMul: case cbSub: case cbAdd: case cbPercent: case cbEqual: {
      // "=" right after an operator takes the shown number as its operand ("2 + =" gives 4); another
      // operator there only replaces the pending one.
      bool compute = FState == ccsValid || (AButton == cbEqual && FState == ccsFirst && IsArithmetic(FOperator));
      if (compute) {
        FState = ccsFirst;
        double value = GetDisplay();
        if (AButton == cbPercent) {
          if (FOperator == cbDiv || FOperator == cbMul)
            value = value / 100;
          else if (FOperator == cbSub || FOperator == cbAdd)
            value = FOperand * value / 100;
        }
        switch (FOperator) {
          case cbDiv:
            if (value == 0)
              ShowError();
            else
              ShowResult(FOperand / value);
            break;
          case cbMul: ShowResult(FOperand * value); break;
          case cbSub: ShowResult(FOperand - value); break;
          case cbAdd: ShowResult(FOperand + value); break;
          default: break;
        }
        if (!alive) return;
      }
      FOperator = AButton;
      FOperand = GetDisplay();
      if (AButton == cbPercent || AButton == cbEqual) {
        if (OnResult) OnResult(this);
        if (!alive) return;
      }
      if (AButton == cbEqual) RequestClose();
      break;
    }
    case cbMC:
      FMemory = 0;
      UpdateMemoryButtons();
      InvalidateButton(cbMC);
      InvalidateButton(cbMR);
      break;
    case cbMR:
      FState = ccsFirst;
      CheckFirst();
      SetDisplay(FMemory);
      break;
    case cbMS:
    case cbMP:
      FState = ccsFirst;
      FMemory = AButton == cbMS ? GetDisplay() : FMemory + GetDisplay();
      UpdateMemoryButtons();
      InvalidateButton(cbMC);
      InvalidateButton(cbMR);
      break;
    default:
      break;
  }
}

const TcxCalcButtonInfo& TcxCustomCalculator::Button(TcxCalcButtonKind AButton) const {
  static const TcxCalcButtonInfo none;
  return AButton < cbNone ? FButtons[AButton] : none;
}

TcxCalcButtonKind TcxCustomCalculator::ButtonAt(int32_t X, int32_t Y) const {
  POINT p{X, Y};
  for (const TcxCalcButtonInfo& b : FButtons)
    if (PtInRect(&b.BtnRect, p)) return b.Kind;
  return cbNone;
}

void TcxCustomCalculator::CopyToClipboard() {
  PutClipboardText(HandleAllocated() ? Handle() : nullptr, GetDisplayText());
}

void TcxCustomCalculator::PasteFromClipboard() {
  String text;
  if (!GetClipboardText(HandleAllocated() ? Handle() : nullptr, text)) return;
  try {
    const String& currency = FormatSettings().CurrencyString;
    if (!currency.empty()) text = StringReplace(text, currency, "", TReplaceFlags{rfReplaceAll});
    double value = StrToFloat(Trim(text));
    if (!std::isfinite(value)) throw EConvertError("'" + text + "' is not a valid floating point value");
    SetDisplay(value);
    FState = ccsValid;
  } catch (const Exception&) {
    SetDisplay(0);
  }
}

// ---- metrics and layout --------------------------------------------------------------------------------

void TcxCustomCalculator::CalculateMetrics(int32_t AClientWidth, int32_t AClientHeight) {
  int32_t h;
  if (FAutoFontSize) {
    int32_t target = std::min(MulDiv(AClientWidth, 131, 198), AClientHeight);
    auto miss = [target](int32_t ah) { return std::abs(5 * ah + 6 * MulDiv(ah, 3, 22) - target); };
    h = 22;
    while (miss(h + 1) < miss(h)) ++h;
  } else {
    TcxCanvas* canvas = GetDrawingCanvas();
    h = 2 * canvas->FontHeight(Font());
  }
  FButtonHeight = h;
  FButtonWidth = MulDiv(h, 28, 22);
  FHorzSpacing = MulDiv(h, 3, 22);
  FVertSpacing = FHorzSpacing;
  FLargeButtonWidth = MulDiv(FButtonWidth, 17, 10);
  FButtonFontSize = MulDiv(h, 8, 22);
  FCalcHeight = 5 * h + 6 * FVertSpacing;
  FCalcWidth = 6 * FButtonWidth + 8 * FHorzSpacing + 4;
  LayoutButtons();
}

void TcxCustomCalculator::LayoutButtons() {
  const int32_t w = FButtonWidth, h = FButtonHeight, xo = FHorzSpacing, yo = FVertSpacing;
  const int32_t L = FLargeButtonWidth;
  for (int32_t i = 0; i < cxCalcButtonCount; ++i) {
    TcxCalcButtonInfo& b = FButtons[i];
    b.Kind = static_cast<TcxCalcButtonKind>(i);
    b.Text = i == cbDecimal ? DecimalSeparatorText() : String(kButtonDefs[i].Text);
    b.FontColor = kButtonDefs[i].Color;
    b.BtnRect = RECT{};
    b.Down = false;
    b.Grayed = false;
  }
  auto rowTop = [&](int32_t r) { return r * (h + yo) + yo; };
  for (int32_t r = 1; r <= 4; ++r) FButtons[cbMC + r - 1].BtnRect = RECT{xo, rowTop(r), xo + w, rowTop(r) + h};
  const int32_t G = w + 2 * xo + 4;
  for (int32_t r = 1; r <= 4; ++r)
    for (int32_t c = 0; c < 5; ++c) {
      int32_t left = xo + G + c * (w + xo);
      FButtons[kGrid[r - 1][c]].BtnRect = RECT{left, rowTop(r), left + w, rowTop(r) + h};
    }
  int32_t right = FButtons[cbEqual].BtnRect.right;
  for (TcxCalcButtonKind b : {cbClear, cbCancel, cbBack}) {
    FButtons[b].BtnRect = RECT{right - L, yo, right, yo + h};
    right -= L + yo;
  }
  ResetState();
  UpdateMemoryButtons();
  FHotButton = FDownButton = FPressedButton = cbNone;
  FTracking = false;
  Invalidate();
}

void TcxCustomCalculator::Remeasure() {
  if (FResizing) return;
  FResizing = true;
  try {
    CalculateMetrics(ClientWidth(), ClientHeight());
    SetClientSize(FCalcWidth, FCalcHeight);
  } catch (...) {
    FResizing = false;
    throw;
  }
  FResizing = false;
}

void TcxCustomCalculator::Resize() {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::Resize();
  if (alive) Remeasure();
}

// ---- painting ------------------------------------------------------------------------------------------

void TcxCustomCalculator::InvalidateButton(TcxCalcButtonKind AButton) {
  if (AButton < cbNone) InvalidateRect(FButtons[AButton].BtnRect, false);
}

void TcxCustomCalculator::Paint() {
  TcxCanvas* canvas = ControlCanvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(FIsPopup ? ClientRect() : RECT{0, 0, Width(), Height()});
  canvas->Font()->Assign(Font());
  if (FAutoFontSize) {
    canvas->Font()->SetSize(FButtonFontSize);
    TFontStyles style = canvas->Font()->Style();
    if (FButtonFontSize >= 10)
      style.Include(fsBold);
    else
      style.Exclude(fsBold);
    canvas->Font()->SetStyle(style);
  }
  TcxCustomLookAndFeelPainterClass painter = GetButtonPainter();
  const bool focused = Focused();
  for (const TcxCalcButtonInfo& b : FButtons) {
    if (!canvas->RectVisible(b.BtnRect)) continue;
    TcxButtonState state;
    if (b.Grayed || !Enabled())
      state = cxbsDisabled;
    else if (b.Down)
      state = cxbsPressed;
    else if (b.Kind == FHotButton && b.Kind != FDownButton)
      state = cxbsHot;
    else if (b.Kind == cbEqual && focused)
      state = cxbsDefault;
    else
      state = cxbsNormal;
    painter->PaintButton(canvas, b.BtnRect, "", state, true, clDefault, clDefault);
    RECT textR = b.BtnRect;
    if (state == cxbsPressed) {
      int32_t shift = painter->ButtonCaptionPressShift();
      OffsetRect(&textR, shift, shift);
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->SetColor(b.FontColor);
    canvas->DrawText(b.Text, textR, tfAlignHCenter | tfAlignVCenter | tfSingleLine, state != cxbsDisabled);
    canvas->Brush()->SetStyle(bsSolid);
  }
  if (focused && FShowFocusRect) {
    RECT r = FButtons[cbEqual].BtnRect;
    InflateRect(&r, -3, -3);
    canvas->DrawFocusRect(r);
  }
}

// ---- window --------------------------------------------------------------------------------------------

void TcxCustomCalculator::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN | WS_TABSTOP;
  Params.WindowClass.style &= ~CS_DBLCLKS;
  if (FIsPopup)
    Params.Style &= ~WS_BORDER;
  else if (FBorderStyle == bsSingle) {
    // The platform's controls are always the new, three-dimensional kind: a sunken client edge.
    Params.Style &= ~WS_BORDER;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
  }
}

void TcxCustomCalculator::FocusChanged() {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::FocusChanged();
  if (alive) InvalidateButton(cbEqual);
}

void TcxCustomCalculator::FontChanged() {
  TObjectLink<TcxCustomCalculator> alive(this);
  if (!IsLoadingComponent(this)) SetParentFont(false);
  inherited::FontChanged();
  // Without the automatic size the buttons follow the font's height.
  if (alive && !FAutoFontSize) Remeasure();
}

// ---- mouse ---------------------------------------------------------------------------------------------

void TcxCustomCalculator::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomCalculator> alive(this);
  if (!FIsPopup && !IsDesigning()) {
    if (CanFocus())
      SetFocus();
    else if (!GetParentForm(this) && HandleAllocated())
      ::SetFocus(Handle());
    if (!alive) return;
  }
  inherited::MouseDown(Button, Shift, X, Y);
  if (!alive || Button != mbLeft) return;
  TcxCalcButtonKind b = ButtonAt(X, Y);
  if (b == cbNone || FButtons[b].Grayed) return;
  SetMouseCapture(true);
  FTracking = true;
  FDownButton = b;
  FButtons[b].Down = true;
  InvalidateButton(b);
}

void TcxCustomCalculator::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::MouseMove(Shift, X, Y);
  if (!alive) return;
  if (FTracking) {
    if (FDownButton == cbNone) return;
    bool over = ButtonAt(X, Y) == FDownButton;
    if (FButtons[FDownButton].Down != over) {
      FButtons[FDownButton].Down = over;
      InvalidateButton(FDownButton);
    }
  } else if (GetButtonPainter()->ButtonsTrackHot() && Enabled() && !Dragging()) {
    TcxCalcButtonKind b = ButtonAt(X, Y);
    if (b == FHotButton) return;
    TcxCalcButtonKind old = FHotButton;
    FHotButton = b;
    if (old != cbNone && !FButtons[old].Grayed) InvalidateButton(old);
    if (b != cbNone && !FButtons[b].Grayed) InvalidateButton(b);
  }
}

void TcxCustomCalculator::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (!alive) return;
  // Tracking ends on every release, also one away from the pressed button.
  TcxCalcButtonKind b = FDownButton;
  bool wasDown = b != cbNone && FButtons[b].Down;
  FTracking = false;
  FDownButton = cbNone;
  if (b != cbNone) {
    FButtons[b].Down = false;
    InvalidateButton(b);
  }
  if (MouseCapture()) SetMouseCapture(false);
  if (wasDown && Button == mbLeft) ButtonClick(b);
}

void TcxCustomCalculator::MouseLeave(TControl* AControl) {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::MouseLeave(AControl);
  if (!alive || !GetButtonPainter()->ButtonsTrackHot()) return;
  TcxCalcButtonKind old = FHotButton;
  FHotButton = cbNone;
  InvalidateButton(old);
}

// ---- keyboard ------------------------------------------------------------------------------------------

TcxCalcButtonKind TcxCustomCalculator::ButtonOfKey(uint16_t AKey, TShiftState AShift) {
  const bool ctrl = AShift.Contains(ssCtrl);
  switch (AKey) {
    case VK_RETURN: return cbEqual;
    case VK_ESCAPE: return cbClear;
    case VK_DELETE: return cbCancel;
    case VK_F9: return cbSign;
    case 'C': return ctrl ? cbNone : cbClear;
    case 'R': return ctrl ? cbMR : cbRev;
    case 'L': return ctrl ? cbMC : cbNone;
    case 'M': return ctrl ? cbMS : cbNone;
    case 'P': return ctrl ? cbMP : cbNone;
    default: return cbNone;
  }
}

// Enter and Esc work on the key, not on their characters: Ctrl+M also types a carriage return, which
// must not work "=" after "MS".
TcxCalcButtonKind TcxCustomCalculator::ButtonOfChar(char32_t AChar) {
  if (AChar >= '0' && AChar <= '9') return static_cast<TcxCalcButtonKind>(cbNum0 + (AChar - '0'));
  switch (AChar) {
    case 8: return cbBack;
    case ',': case '.': return cbDecimal;
    case '/': return cbDiv;
    case '*': return cbMul;
    case '-': return cbSub;
    case '+': return cbAdd;
    case '@': return cbSqrt;
    case '%': return cbPercent;
    case '=': return cbEqual;
    default: return cbNone;
  }
}

void TcxCustomCalculator::ReleaseKeyButton() {
  if (FPressedButton == cbNone) return;
  FButtons[FPressedButton].Down = false;
  InvalidateButton(FPressedButton);
  FPressedButton = cbNone;
}

void TcxCustomCalculator::PressKeyButton(TcxCalcButtonKind AButton, bool AClickWhenAlreadyDown) {
  if (AButton == cbNone || (AButton == FPressedButton && !AClickWhenAlreadyDown)) return;
  if (AButton != FPressedButton) {
    ReleaseKeyButton();
    FPressedButton = AButton;
    FButtons[AButton].Down = true;
    InvalidateButton(AButton);
    if (HandleAllocated()) UpdateWindow(Handle());
  }
  ButtonClick(AButton);
}

void TcxCustomCalculator::KeyDown(uint16_t& Key, TShiftState Shift) {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::KeyDown(Key, Shift);
  if (alive) PressKeyButton(ButtonOfKey(Key, Shift), false);
}

void TcxCustomCalculator::KeyPress(char32_t& Key) {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::KeyPress(Key);
  if (!alive) return;
  if (Key == 22)
    PasteFromClipboard();
  else if (Key == 3)
    CopyToClipboard();
  if (!alive) return;
  TcxCalcButtonKind b = ButtonOfChar(Key);
  // Backspace works on every character, so that holding it deletes repeatedly.
  PressKeyButton(b, b == cbBack);
}

void TcxCustomCalculator::KeyUp(uint16_t& Key, TShiftState Shift) {
  TObjectLink<TcxCustomCalculator> alive(this);
  inherited::KeyUp(Key, Shift);
  if (alive) ReleaseKeyButton();
}
