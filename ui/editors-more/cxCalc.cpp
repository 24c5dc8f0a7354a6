#include "ui/editors-more/cxCalc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rtl/ClassRegistry.h"
#include "rtl/FormatSettings.h"
#include "rtl/Math.h"
#include "rtl/ObjLinks.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "rtl/Variants.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxEditConsts.h"
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

// ==== the calculator editor ==============================================================================

namespace {

// The smallest and largest magnitudes a typed number may have (besides 0).
constexpr double kCalcEditMinMagnitude = 5.0E-324;
constexpr double kCalcEditMaxMagnitude = 1.7E308;

String CalcEditStripThousands(const String& AText) {
  const String& thousands = FormatSettings().ThousandSeparator;
  return thousands.empty() ? AText : StringReplace(AText, thousands, "", TReplaceFlags{rfReplaceAll});
}

// Scientific notation without the zeros that end the mantissa (and without a separator left at its end).
String CalcEditTrimMantissa(const String& AText) {
  size_t e = AText.find_first_of("Ee");
  if (e == String::npos) return AText;
  String mantissa = AText.substr(0, e);
  const char separator = FormatSettings().DecimalSeparator;
  if (mantissa.find(separator) != String::npos) {
    while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
    if (!mantissa.empty() && mantissa.back() == separator) mantissa.pop_back();
  }
  return mantissa + AText.substr(e);
}

}  // namespace

// ---- the drop-down calculator ---------------------------------------------------------------------------

TcxPopupCalculator::TcxPopupCalculator(TComponent* AOwner) : TcxCustomCalculator(AOwner) {}

void TcxPopupCalculator::AfterConstruction() {
  inherited::AfterConstruction();
  SetIsPopup(true);
}

TcxCustomLookAndFeelPainterClass TcxPopupCalculator::GetButtonPainter() {
  if (FEdit) return FEdit->PopupControlsPainter();
  return inherited::GetButtonPainter();
}

String TcxPopupCalculator::GetDisplayText() { return FEdit ? FEdit->Text() : String(); }

void TcxPopupCalculator::SetDisplayText(const String& AText) {
  if (!FEdit || !FEdit->DoEditing() || !FEdit->InnerEdit()) return;
  FEdit->InnerEdit()->SetEditValue(Variant(AText));
  FEdit->SetModifiedAfterEnter(true);
}

void TcxPopupCalculator::KeyDown(uint16_t& Key, TShiftState Shift) {
  const bool alt = Shift.Contains(ssAlt);
  if (Key == VK_ESCAPE) {
    RequestClose();
    Key = 0;
    return;
  }
  if (Key == VK_INSERT && Shift.Contains(ssShift)) {
    PasteFromClipboard();
    Key = 0;
    return;
  }
  if (Key == VK_INSERT && Shift.Contains(ssCtrl)) {
    CopyToClipboard();
    Key = 0;
    return;
  }
  if (Key == VK_F4 || (alt && (Key == VK_UP || Key == VK_DOWN))) {
    RequestClose();
    Key = 0;
    return;
  }
  if (Key == VK_TAB && FEdit) {
    FEdit->DoEditKeyDown(Key, Shift);
    if (Key == 0) return;
  }
  inherited::KeyDown(Key, Shift);
}

void TcxPopupCalculator::KeyPress(char32_t& Key) {
  TObjectLink<TcxPopupCalculator> alive(this);
  inherited::KeyPress(Key);
  if (!alive) return;
  if (Key == U'\r' || (Key == U'=' && FEdit && FEdit->ActiveProperties()->QuickClose())) RequestClose();
}

// ---- which settings were set ------------------------------------------------------------------------------

RTL_PUBLISHED(TcxCalcEditPropertiesValues) {
  prop("Precision", &TcxCalcEditPropertiesValues::Precision, &TcxCalcEditPropertiesValues::SetPrecision)
      .Stored(false);
}

void TcxCalcEditPropertiesValues::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCalcEditPropertiesValues*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetPrecision(source->FPrecision);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxCalcEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  try {
    inherited::RestoreDefaults();
    SetPrecision(false);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxCalcEditPropertiesValues::SetPrecision(bool Value) {
  if (FPrecision == Value) return;
  FPrecision = Value;
  Changed();
}

// ---- the properties ---------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxCalcEditProperties) {
  prop("Alignment", &TcxCalcEditProperties::GetAlignment, &TcxCalcEditProperties::SetAlignment)
      .Stored(&TcxCalcEditProperties::IsAlignmentStored);
  prop("AssignedValues", &TcxCalcEditProperties::AssignedValues, &TcxCalcEditProperties::SetAssignedValues);
  prop("AutoSelect", &TcxCalcEditProperties::AutoSelect, &TcxCalcEditProperties::SetAutoSelect).Default(true);
  prop("BeepOnError", &TcxCalcEditProperties::BeepOnError, &TcxCalcEditProperties::SetBeepOnError).Default(true);
  prop("ButtonGlyph", &TcxCalcEditProperties::ButtonGlyph, &TcxCalcEditProperties::SetButtonGlyph);
  prop("DisplayFormat", &TcxCalcEditProperties::DisplayFormat, &TcxCalcEditProperties::SetDisplayFormat)
      .Stored(&TcxCalcEditProperties::IsDisplayFormatStored);
  prop("ImeMode", &TcxCalcEditProperties::ImeMode, &TcxCalcEditProperties::SetImeMode).Default(imDontCare);
  prop("ImeName", &TcxCalcEditProperties::ImeName, &TcxCalcEditProperties::SetImeName);
  prop("ImmediatePost", &TcxCalcEditProperties::ImmediatePost, &TcxCalcEditProperties::SetImmediatePost)
      .Default(false);
  prop("Precision", &TcxCalcEditProperties::GetPrecision, &TcxCalcEditProperties::SetPrecision)
      .Stored(&TcxCalcEditProperties::IsPrecisionStored);
  prop("ReadOnly", &TcxCalcEditProperties::GetReadOnly, &TcxCalcEditProperties::SetReadOnly)
      .Stored(&TcxCalcEditProperties::IsReadOnlyStored);
  prop("QuickClose", &TcxCalcEditProperties::QuickClose, &TcxCalcEditProperties::SetQuickClose).Default(false);
  prop("ScientificFormat", &TcxCalcEditProperties::ScientificFormat, &TcxCalcEditProperties::SetScientificFormat)
      .Default(false);
  prop("UseLeftAlignmentOnEditing", &TcxCalcEditProperties::UseLeftAlignmentOnEditing,
       &TcxCalcEditProperties::SetUseLeftAlignmentOnEditing)
      .Stored(&TcxCalcEditProperties::IsUseLeftAlignmentOnEditingStored);
  prop("UseThousandSeparator", &TcxCalcEditProperties::UseThousandSeparator,
       &TcxCalcEditProperties::SetUseThousandSeparator)
      .Default(false);
  prop("ValidateOnEnter", &TcxCalcEditProperties::ValidateOnEnter, &TcxCalcEditProperties::SetValidateOnEnter)
      .Default(false);
  event("OnChange", &TcxCalcEditProperties::OnChange, &TcxCalcEditProperties::OnChange);
  event("OnCloseUp", &TcxCalcEditProperties::OnCloseUp, &TcxCalcEditProperties::OnCloseUp);
  event("OnEditValueChanged", &TcxCalcEditProperties::OnEditValueChanged,
        &TcxCalcEditProperties::OnEditValueChanged);
  event("OnInitPopup", &TcxCalcEditProperties::OnInitPopup, &TcxCalcEditProperties::OnInitPopup);
  event("OnPopup", &TcxCalcEditProperties::OnPopup, &TcxCalcEditProperties::OnPopup);
  event("OnValidate", &TcxCalcEditProperties::OnValidate, &TcxCalcEditProperties::OnValidate);
}

TcxCustomCalcEditProperties::TcxCustomCalcEditProperties(TPersistent* AOwner)
    : TcxCustomPopupEditProperties(AOwner) {}

void TcxCustomCalcEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  SetPopupSizeable(false);
  SetImmediateDropDown(false);
}

TClass TcxCustomCalcEditProperties::GetContainerClass() const { return TcxCalcEdit::StaticClass(); }

void TcxCustomCalcEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomCalcEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetBeepOnError(source->BeepOnError());
    AssignedValues()->SetPrecision(false);
    if (source->AssignedValues()->Precision()) SetPrecision(source->FPrecision);
    SetQuickClose(source->QuickClose());
    SetScientificFormat(source->ScientificFormat());
    SetUseThousandSeparator(source->UseThousandSeparator());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

uint8_t TcxCustomCalcEditProperties::GetPrecision() const {
  int32_t precision;
  if (AssignedValues()->Precision())
    precision = FPrecision;
  else if (IcxEditDefaultValuesProvider* provider = DefaultValuesProvider())
    precision = provider->GetDefaultPrecision();
  else
    precision = 15;
  return static_cast<uint8_t>(std::clamp(precision, 0, 15));
}

void TcxCustomCalcEditProperties::SetPrecision(uint8_t Value) {
  if (AssignedValues()->Precision() && FPrecision == Value) return;
  BeginUpdate();
  try {
    AssignedValues()->SetPrecision(true);
    FPrecision = Value;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxCustomCalcEditProperties::SetBeepOnError(bool Value) {
  if (FCalcBeepOnError == Value) return;
  FCalcBeepOnError = Value;
  Changed();
}

void TcxCustomCalcEditProperties::SetQuickClose(bool Value) {
  if (FQuickClose == Value) return;
  FQuickClose = Value;
  Changed();
}

void TcxCustomCalcEditProperties::SetScientificFormat(bool Value) {
  if (FScientificFormat == Value) return;
  FScientificFormat = Value;
  Changed();
}

void TcxCustomCalcEditProperties::SetUseThousandSeparator(bool Value) {
  if (FUseThousandSeparator == Value) return;
  FUseThousandSeparator = Value;
  Changed();
}

bool TcxCustomCalcEditProperties::TextToNumber(const String& AText, double& AValue) const {
  double value = 0;
  if (TextToFloat(CalcEditStripThousands(AText), value)) {
    double magnitude = std::fabs(value);
    if (value == 0 || (magnitude >= kCalcEditMinMagnitude && magnitude <= kCalcEditMaxMagnitude)) {
      AValue = value;
      return true;
    }
  }
  AValue = 0;
  return false;
}

String TcxCustomCalcEditProperties::NumberToText(double AValue) {
  // A negated zero reads "0", not "-0".
  if (AValue == 0) AValue = 0;
  String text = FloatToStrF(AValue, FScientificFormat ? ffExponent : ffGeneral, GetPrecision(), 0);
  if (FScientificFormat)
    text = CalcEditTrimMantissa(text);
  else if (FUseThousandSeparator)
    text = InsertThousandSeparators(text);
  return text;
}

bool TcxCustomCalcEditProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  (void)AEditFocused;
  if (VarIsNull(AEditValue) || VarIsNumeric(AEditValue)) return true;
  if (VarIsStr(AEditValue)) {
    String text = VarToStr(AEditValue);
    double value = 0;
    return text.empty() || TextToFloat(text, value);
  }
  return false;
}

void TcxCustomCalcEditProperties::ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                        bool AEditFocused) {
  if (VarIsNull(AEditValue) || VarIsEmpty(AEditValue) || (VarIsStr(AEditValue) && VarToStr(AEditValue).empty())) {
    ADisplayValue = Variant(String());
    return;
  }
  double value = 0;
  if (VarIsNumeric(AEditValue)) {
    value = AEditValue.AsDouble();
  } else if (!VarIsStr(AEditValue) || !TextToNumber(VarToStr(AEditValue), value)) {
    // A text that is no number (the data's own display text) is shown as it stands.
    ADisplayValue = Variant(VarToStr(AEditValue));
    return;
  }
  String format = DisplayFormat();
  if (AEditFocused || format.empty())
    ADisplayValue = Variant(NumberToText(value));
  else
    ADisplayValue = Variant(FormatFloat(format, value));
}

void TcxCustomCalcEditProperties::CheckDisplayValue(Variant& ADisplayValue, String& AErrorText,
                                                    IcxEditValidationSite* AEdit, bool& AError) {
  AError = false;
  inherited::CheckDisplayValue(ADisplayValue, AErrorText, AEdit, AError);
}

int32_t TcxCustomCalcEditProperties::GetEditValueSource(bool AEditFocused) const {
  if (AEditFocused || AssignedValues()->DisplayFormat()) return 0;
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider && provider->HasDisplayFormat(true) ? 1 : 0;
}

// ---- the editor -------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxCalcEdit) {
  prop("AutoSize", &TcxCalcEdit::AutoSize, &TcxCalcEdit::SetAutoSize).Default(true);
  prop("BeepOnEnter", &TcxCalcEdit::BeepOnEnter, &TcxCalcEdit::SetBeepOnEnter).Default(true);
  prop("Properties", &TcxCalcEdit::Properties, &TcxCalcEdit::SetProperties);
  prop("Style", &TcxCalcEdit::Style, &TcxCalcEdit::SetStyle);
  prop("StyleDisabled", &TcxCalcEdit::StyleDisabled, &TcxCalcEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxCalcEdit::StyleFocused, &TcxCalcEdit::SetStyleFocused);
  prop("StyleHot", &TcxCalcEdit::StyleHot, &TcxCalcEdit::SetStyleHot);
  prop("Value", &TcxCalcEdit::Value, &TcxCalcEdit::SetValue).Stored(false);
  event("OnEditing", &TcxCalcEdit::OnEditing, &TcxCalcEdit::OnEditing);
}

TcxCustomCalcEdit::TcxCustomCalcEdit(TComponent* AOwner) : TcxCustomPopupEdit(AOwner) {}

// The calculator goes first, while the drop-down it lives in still exists.
void TcxCustomCalcEdit::BeforeDestruction() {
  if (TcxPopupCalculator* calculator = std::exchange(FCalculator, nullptr)) {
    calculator->OnHidePopup = TNotifyEvent();
    calculator->SetEdit(nullptr);
    calculator->Free();
  }
  inherited::BeforeDestruction();
}

void TcxCustomCalcEdit::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FCalculator) FCalculator = nullptr;
}

void TcxCustomCalcEdit::InitializeEdit() {
  inherited::InitializeEdit();
  // A new calculator editor holds 0, not Null.
  SetValue(0);
  if (FCalculator) return;
  FCalculator = New<TcxPopupCalculator>(this);
  if (PopupWindow()) FCalculator->SetParent(PopupWindow());
  FCalculator->SetEdit(this);
  FCalculator->SetAutoFontSize(false);
  FCalculator->OnHidePopup = TNotifyEvent([this](TObject*) {
    if (PopupWindow()) PopupWindow()->CloseUp(false);
  });
  SetCalculatorAsPopupControl();
}

void TcxCustomCalcEdit::SetCalculatorAsPopupControl() {
  TcxCustomCalcEditProperties* properties = ActiveProperties();
  if (properties->PopupControl() == FCalculator) return;
  properties->BeginUpdate();
  try {
    properties->SetPopupControl(FCalculator);
  } catch (...) {
    properties->EndUpdate(false);
    throw;
  }
  properties->EndUpdate(false);
}

double TcxCustomCalcEdit::Value() {
  // The shown text may hold thousand separators, which the plain conversion does not read.
  double value = 0;
  if (!TextToFloat(Trim(CalcEditStripThousands(Text())), value)) return 0;
  return value;
}

void TcxCustomCalcEdit::SetValue(double AValue) { ApplyEditValue(Variant(AValue)); }

TcxCustomLookAndFeelPainterClass TcxCustomCalcEdit::PopupControlsPainter() {
  if (TcxEditPopupControlLookAndFeel* lookAndFeel = PopupControlsLookAndFeel()) return lookAndFeel->GetPainterClass();
  return GetCurrentEditStyle()->LookAndFeel()->GetPainterClass();
}

void TcxCustomCalcEdit::CreatePopupWindow() {
  inherited::CreatePopupWindow();
  // The calculator is worked in place: showing it runs no modal loop.
  if (PopupWindow()) PopupWindow()->SetIsModal(false);
}

bool TcxCustomCalcEdit::CanDropDown() {
  return !ActiveProperties()->ReadOnly() && DataBinding()->IsDataAvailable();
}

void TcxCustomCalcEdit::DoInitPopup() {
  inherited::DoInitPopup();
  SetCalculatorAsPopupControl();
}

void TcxCustomCalcEdit::SetupPopupWindow() {
  inherited::SetupPopupWindow();
  if (!FCalculator) return;
  FCalculator->HandleNeeded();
  FCalculator->Font()->Assign(GetCurrentEditStyle()->GetVisibleFont());
  // The buttons follow the font's height; laying them out again also starts with an empty memory and no
  // pending operation.
  FCalculator->FontChanged();
}

void TcxCustomCalcEdit::PopupWindowShowed(TObject* Sender) {
  inherited::PopupWindowShowed(Sender);
  if (FCalculator) FCalculator->ResetPressedButton();
}

void TcxCustomCalcEdit::PopupWindowClosed(TObject* Sender) {
  if (Text() == TranslateString(cxSCalcError)) ApplyEditValue(Variant(int32_t(0)));
  if (ActiveProperties()->AutoSelect())
    SelectAll();
  else
    SetSelLength(Utf8Length(Text()));
  inherited::PopupWindowClosed(Sender);
}

void TcxCustomCalcEdit::PropertiesChanged(TObject* Sender) {
  TcxCustomCalcEditProperties* properties = ActiveProperties();
  if (properties->IsDisplayFormatChanging()) return;
  inherited::PropertiesChanged(Sender);
  if (!InnerEdit() || !FCalculator) return;
  properties = ActiveProperties();
  FCalculator->SetBeepOnError(properties->BeepOnError());
  FCalculator->SetPrecision(properties->Precision());
  SetCalculatorAsPopupControl();
}

bool TcxCustomCalcEdit::IsValidChar(char32_t AChar) {
  const char separator = FormatSettings().DecimalSeparator;
  const bool candidate = (AChar >= U'0' && AChar <= U'9') || AChar == U'+' || AChar == U'-' || AChar == U'e' ||
                         AChar == U'E' || AChar == static_cast<char32_t>(static_cast<unsigned char>(separator));
  if (!candidate) return false;
  std::u32string text = Utf8ToCodePoints(Text());
  const int32_t length = static_cast<int32_t>(text.size());
  const int32_t start = std::clamp(SelStart(), 0, length);
  const int32_t count = std::clamp(SelLength(), 0, length - start);
  text.erase(static_cast<size_t>(start), static_cast<size_t>(count));
  if (AChar == U'-' && text.empty()) return true;
  text.insert(text.begin() + start, AChar);
  double value = 0;
  return ActiveProperties()->TextToNumber(Utf8FromCodePoints(text), value);
}

void TcxCustomCalcEdit::KeyPress(char32_t& Key) {
  if (Key == U'.' || Key == U',') Key = static_cast<unsigned char>(FormatSettings().DecimalSeparator);
  if (Key >= 32 && !IsValidChar(Key)) {
    Key = 0;
    if (ActiveProperties()->BeepOnError()) MessageBeep(0);
    return;
  }
  inherited::KeyPress(Key);
}

void TcxCustomCalcEdit::PasteFromClipboard() {
  if (DoEditing() && FCalculator) FCalculator->PasteFromClipboard();
}

void TcxCustomCalcEdit::DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
  TcxCustomCalcEditProperties* properties = ActiveProperties();
  String text = VarToStr(ADisplayValue);
  if (properties->IsThousandSeparatorUsed()) text = CalcEditStripThousands(text);
  text = Trim(text);
  double value = 0;
  if (text.empty() || !TextToFloat(text, value))
    AEditValue = Null();
  else
    AEditValue = Variant(value);
}

void TcxCustomCalcEdit::FormatChanged() { DataBinding()->UpdateDisplayValue(); }

void TcxCustomCalcEdit::DoEnter() {
  RefreshDisplayFromEditValue();
  inherited::DoEnter();
}

void TcxCustomCalcEdit::DoExit() {
  TObjectLink<TcxCustomCalcEdit> alive(this);
  inherited::DoExit();
  if (alive) DataBinding()->UpdateDisplayValue();
}

void cxCalcEditInitialize() {
  cxMaskEditInitialize();
  GetRegisteredEditProperties()->Register(TcxCalcEditProperties::StaticClass(), cxSEditRepositoryCalcItem);
  RegisterClasses({TcxCalcEdit::StaticClass()});
}
