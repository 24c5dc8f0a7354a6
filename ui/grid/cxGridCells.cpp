// The cell bases (geometry, text measuring and flags, custom drawing, the state machine with capture and
// mouse tracking, hints of texts that do not fit) and the cell painter base.

#include "ui/grid/cxGridCells.h"

#include <algorithm>

#include "rtl/ScopeExit.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridCustomViewInfo.h"

namespace {

constexpr uint32_t kCellVertAlignFlags = tfAlignTop | tfAlignBottom | tfAlignVCenter;

int32_t RectWidth(const RECT& R) { return R.right - R.left; }
int32_t RectHeight(const RECT& R) { return R.bottom - R.top; }

}  // namespace

// ---- TcxCustomGridCellViewInfo -------------------------------------------------------------------------------------

TcxCustomGridCellViewInfo::~TcxCustomGridCellViewInfo() {
  // A cell freed without Free must not stay in the tracking list.
  StopMouseTracking(this);
}

void TcxCustomGridCellViewInfo::BeforeDestruction() {
  FDestroying = true;
  SetCapture(false);
  SetState(gcsNormal);
  StopMouseTracking(this);
  inherited::BeforeDestruction();
}

int32_t TcxCustomGridCellViewInfo::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}

void TcxCustomGridCellViewInfo::CaptureLost() { SetState(gcsNormal); }

void TcxCustomGridCellViewInfo::MouseLeftArea() {
  if (!HasCapture() && FState == gcsHot) SetState(gcsNormal);
}

bool TcxCustomGridCellViewInfo::ContainsPoint(POINT P) { return PtInRect(&FBounds, P) != 0; }

void TcxCustomGridCellViewInfo::ReadParamsFromCanvas(TcxCanvas* ACanvas) {
  FParams.Color = ACanvas->Brush()->Color();
  FParams.Font = ACanvas->Font();
  FParams.TextColor = ACanvas->Font()->Color();
}

void TcxCustomGridCellViewInfo::ApplyParamsToCanvas(TcxCanvas* ACanvas) {
  ACanvas->SetBrushColor(FParams.Color);
  if (FParams.Font) ACanvas->SetFont(FParams.Font);
  ACanvas->Font()->SetColor(FParams.TextColor);
}

void TcxCustomGridCellViewInfo::CalculateContentBounds(RECT& R) {
  R = FBounds;
  const TcxBorders borders = FBorders;
  auto size = [&](TcxBorder ABorder) { return borders.Contains(ABorder) ? GetBorderWidth(ABorder) : 0; };
  R.left += size(bLeft);
  R.top += size(bTop);
  R.right -= size(bRight);
  R.bottom -= size(bBottom);
}

RECT TcxCustomGridCellViewInfo::ContentBounds() {
  if (!FContentBoundsAssigned) {
    CalculateContentBounds(FContentBounds);
    FContentBoundsAssigned = true;
  }
  return FContentBounds;
}

void TcxCustomGridCellViewInfo::GetBorderBounds(TcxBorder ABorder, RECT& R) {
  const RECT content = ContentBounds();
  const int32_t width = GetBorderWidth(ABorder);
  const int32_t top = FBorders.Contains(bTop) ? GetBorderWidth(bTop) : 0;
  const int32_t bottom = FBorders.Contains(bBottom) ? GetBorderWidth(bBottom) : 0;
  switch (ABorder) {
    case bLeft:
      R = RECT{content.left - width, content.top - top, content.left, content.bottom + bottom};
      break;
    case bTop:
      R = RECT{content.left, content.top - width, content.right, content.top};
      break;
    case bRight:
      R = RECT{content.right, content.top - top, content.right + width, content.bottom + bottom};
      break;
    case bBottom:
      R = RECT{content.left, content.bottom, content.right, content.bottom + width};
      break;
  }
}

void TcxCustomGridCellViewInfo::CalculateParams() {
  FAlignmentHorz = GetAlignmentHorz();
  FAlignmentVert = GetAlignmentVert();
  GetViewParams(FParams);
  FBorders = GetBorders();
  GetText(FText);
  FMultiLine = GetMultiLine();
  FMultiLinePainting = GetMultiLinePainting();
  SetWidth(CalculateWidth());
}

void TcxCustomGridCellViewInfo::EnsureParamsCalculated() {
  if (FParamsCalculated || FCalculatingParams) return;
  FCalculatingParams = true;
  ScopeExit reset([this] { FCalculatingParams = false; });
  CalculateParams();
  FParamsCalculated = true;
}

void TcxCustomGridCellViewInfo::Invalidate() {
  if (TcxControl* control = GetControl()) control->InvalidateRect(FBounds, false);
}

bool TcxCustomGridCellViewInfo::RunCustomDraw(TcxCanvas* ACanvas, bool (TcxCustomGridCellViewInfo::*AHandler)(TcxCanvas*)) {
  ApplyParamsToCanvas(ACanvas);
  const bool handled = (this->*AHandler)(ACanvas);
  // The handler may have changed colours or the font for the default drawing.
  if (!handled) ReadParamsFromCanvas(ACanvas);
  return handled;
}

bool TcxCustomGridCellViewInfo::CustomDraw(TcxCanvas* ACanvas) {
  return HasCustomDraw() && RunCustomDraw(ACanvas, &TcxCustomGridCellViewInfo::DoCustomDraw);
}

bool TcxCustomGridCellViewInfo::CustomDrawBackground(TcxCanvas* ACanvas) {
  return HasCustomDrawBackground() && RunCustomDraw(ACanvas, &TcxCustomGridCellViewInfo::DoCustomDrawBackground);
}

int32_t TcxCustomGridCellViewInfo::GetContentHeight() { return RectHeight(ContentBounds()); }

int32_t TcxCustomGridCellViewInfo::GetContentWidth() { return RectWidth(ContentBounds()); }

bool TcxCustomGridCellViewInfo::HasCapture() {
  TcxControl* control = GetControl();
  return control && control->CaptureObject() == this;
}

TcxCustomGridCellPainterClass TcxCustomGridCellViewInfo::GetPainterClass() {
  return TcxCustomGridCellPainterClass::Of<TcxCustomGridCellPainter>();
}

void TcxCustomGridCellViewInfo::GetTextAreaBounds(RECT& R) {
  R = ContentBounds();
  InflateRect(&R, -2, -2);
}

uint32_t TcxCustomGridCellViewInfo::GetTextFlags(bool AForPainting) {
  static constexpr uint32_t kHorz[] = {tfAlignLeft, tfAlignRight, tfAlignHCenter};
  static constexpr uint32_t kVert[] = {tfAlignTop, tfAlignBottom, tfAlignVCenter};
  uint32_t flags = kHorz[FAlignmentHorz] | kVert[FAlignmentVert];
  const bool wrap = AForPainting ? FMultiLinePainting : FMultiLine;
  flags |= wrap ? tfWordBreak : tfSingleLine;
  if (GetShowEndEllipsis()) flags |= tfShowEndEllipsis;
  return flags;
}

int32_t TcxCustomGridCellViewInfo::CalculateDefaultHeight(TcxCustomGridViewInfo* AViewInfo, TObject* AContext) {
  const int32_t textHeight = FMultiLine ? TextHeight() : AViewInfo->GetFontHeight(FParams.Font);
  return GetHeightForTextHeight(textHeight, AContext);
}

int32_t TcxCustomGridCellViewInfo::TextWidth() {
  TcxCanvas* canvas = GetCanvas();
  if (FParams.Font) canvas->SetFont(FParams.Font);
  return canvas->TextWidth(FText);
}

int32_t TcxCustomGridCellViewInfo::TextHeight() {
  TcxCanvas* canvas = GetCanvas();
  if (FParams.Font) canvas->SetFont(FParams.Font);
  RECT r = TextAreaBounds();
  canvas->MeasureTextRect(FText, r, (GetTextFlags(false) & ~kCellVertAlignFlags) | tfAlignTop);
  return RectHeight(r);
}

void TcxCustomGridCellViewInfo::GetTextBounds(RECT& R) {
  R = TextAreaBounds();
  const int32_t textWidth = TextWidth();
  const int32_t areaWidth = RectWidth(R);
  if (!(FMultiLinePainting && areaWidth < textWidth)) {
    const int32_t free = areaWidth - textWidth;
    if (FAlignmentHorz == taRightJustify)
      R.left += free;
    else if (FAlignmentHorz == taCenter)
      R.left += free / 2;
    R.right = R.left + textWidth;
  }
  const int32_t textHeight = TextHeight();
  const int32_t freeHeight = RectHeight(R) - textHeight;
  if (FAlignmentVert == vaBottom)
    R.top += freeHeight;
  else if (FAlignmentVert == vaCenter)
    R.top += freeHeight / 2;
  R.bottom = R.top + textHeight;
}

bool TcxCustomGridCellViewInfo::IsHitTestOf(TcxCustomGridHitTest* AHitTest) { return AHitTest && AHitTest->ViewInfo() == this; }

void TcxCustomGridCellViewInfo::PrepareHitTest(TcxCustomGridHitTest* AHitTest) { AHitTest->SetViewInfo(this); }

void TcxCustomGridCellViewInfo::Offset(int32_t DX, int32_t DY) {
  OffsetRect(&FBounds, DX, DY);
  if (FContentBoundsAssigned) OffsetRect(&FContentBounds, DX, DY);
}

void TcxCustomGridCellViewInfo::SetCapture(bool Value) {
  TcxControl* control = GetControl();
  if (control && Value != HasCapture()) control->SetCaptureObject(Value ? this : nullptr);
}

void TcxCustomGridCellViewInfo::SetState(TcxGridCellState Value) {
  if (FState == Value) return;
  BeforeStateChange();
  FState = Value;
  StateChanged();
}

void TcxCustomGridCellViewInfo::StateChanged() {
  if (InvalidateOnStateChange()) InvalidateForState();
  if (FState == gcsNormal)
    StopMouseTracking(this);
  else if (FState == gcsHot) {
    if (auto* control = dynamic_cast<TWinControl*>(GetControl())) StartMouseTracking(control, FBounds, this);
  }
  // A pressed cell keeps the mouse until the button is released, also outside its rectangle.
  if (CapturesMouseWhenPressed()) {
    if (FState == gcsPressed)
      SetCapture(true);
    else if (FState == gcsNormal)
      SetCapture(false);
  }
}

TcxButtonState TcxCustomGridCellViewInfo::ButtonState() const {
  switch (FState) {
    case gcsHot:
      return cxbsHot;
    case gcsPressed:
      return cxbsPressed;
    default:
      return cxbsNormal;
  }
}

void TcxCustomGridCellViewInfo::Calculate(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  EnsureParamsCalculated();
  if (AWidth == -1) AWidth = CalculateWidth();
  if (AHeight == -1) AHeight = CalculateHeight();
  FBounds = RECT{ALeft, ATop, ALeft + AWidth, ATop + AHeight};
  ResetContentBounds();
  FCalculated = true;
}

void TcxCustomGridCellViewInfo::CalculateFromRect(const RECT& R) {
  Calculate(R.left, R.top, std::max(RectWidth(R), 0), std::max(RectHeight(R), 0));
}

void TcxCustomGridCellViewInfo::Recalculate() {
  BeforeRecalculation();
  CalculateFromRect(FBounds);
}

void TcxCustomGridCellViewInfo::Shift(int32_t DX, int32_t DY) {
  Offset(DX, DY);
  SetState(gcsNormal);
  MouseLeftArea();
}

TcxCustomGridHitTest* TcxCustomGridCellViewInfo::GetHitTest(POINT P) {
  if (!IsHitTestVisible() || !HasPoint(P)) return nullptr;
  TClass hitTestClass = GetHitTestClass();
  if (!hitTestClass) return nullptr;
  TcxCustomGridHitTest* hitTest = GetGridHitTest(hitTestClass, P);
  PrepareHitTest(hitTest);
  return hitTest;
}

bool TcxCustomGridCellViewInfo::HasPoint(POINT P) { return PtInRect(&FBounds, P) != 0; }

bool TcxCustomGridCellViewInfo::MouseDown(TcxCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  (void)AShift;
  if (AButton != mbLeft || !HandlesMouse() || !IsHitTestOf(AHitTest)) return false;
  if (!KeepsPressedState() || FState == gcsHot)
    SetState(gcsPressed);
  else if (FState == gcsPressed)
    SetState(gcsHot);
  return true;
}

bool TcxCustomGridCellViewInfo::MouseMove(TcxCustomGridHitTest* AHitTest, TShiftState AShift) {
  (void)AShift;
  if (!HandlesMouse()) return false;
  const bool own = IsHitTestOf(AHitTest);
  if (KeepsPressedState()) {
    if (FState == gcsPressed) return false;
    SetState(own ? gcsHot : gcsNormal);
  } else if (own)
    SetState(HasCapture() ? gcsPressed : gcsHot);
  else
    SetState(HasCapture() ? gcsHot : gcsNormal);
  return true;
}

bool TcxCustomGridCellViewInfo::MouseUp(TcxCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  (void)AHitTest, (void)AShift;
  if (AButton != mbLeft || KeepsPressedState()) return false;
  const TcxGridCellState previous = FState;
  SetState(gcsNormal);
  if (previous != gcsPressed) return false;
  Click();
  return true;
}

void TcxCustomGridCellViewInfo::Paint(TcxCanvas* ACanvas) {
  if (!CanPaint()) return;
  TcxCustomGridCellPainterClass painterClass = GetPainterClass();
  if (!painterClass) return;
  TcxCustomGridCellPainter* painter = painterClass.Create(ACanvas ? ACanvas : GetCanvas(), this);
  ScopeExit freePainter([painter] { painter->Free(); });
  painter->Paint();
}

// ---- TcxCustomGridViewCellViewInfo ---------------------------------------------------------------------------------

void TcxCustomGridViewCellViewInfo::BeforeDestruction() {
  if (FGridViewInfo) FGridViewInfo->UnregisterCell(this);
  inherited::BeforeDestruction();
}

TcxCustomGridView* TcxCustomGridViewCellViewInfo::GridView() const { return FGridViewInfo->GridView(); }

TcxCustomGridController* TcxCustomGridViewCellViewInfo::Controller() const { return GridView()->Controller(); }

TcxCustomLookAndFeelPainterClass TcxCustomGridViewCellViewInfo::LookAndFeelPainter() const {
  return GridView()->LookAndFeelPainter();
}

TcxCanvas* TcxCustomGridViewCellViewInfo::GetCanvas() { return FGridViewInfo->Canvas(); }

TcxControl* TcxCustomGridViewCellViewInfo::GetControl() { return FGridViewInfo->Site(); }

void TcxCustomGridViewCellViewInfo::Invalidate() { GridView()->InvalidateRect(FBounds); }

void TcxCustomGridViewCellViewInfo::InvalidateForState() {
  if (Destroying()) return;
  EnsureParamsCalculated();
  inherited::InvalidateForState();
}

bool TcxCustomGridViewCellViewInfo::IsHitTestOf(TcxCustomGridHitTest* AHitTest) {
  auto* viewHitTest = dynamic_cast<TcxCustomGridViewHitTest*>(AHitTest);
  return inherited::IsHitTestOf(AHitTest) && viewHitTest && viewHitTest->GridView() == GridView();
}

void TcxCustomGridViewCellViewInfo::PrepareHitTest(TcxCustomGridHitTest* AHitTest) {
  inherited::PrepareHitTest(AHitTest);
  FGridViewInfo->AssignHitTestView(AHitTest);
}

void TcxCustomGridViewCellViewInfo::ResetContentBounds() {
  inherited::ResetContentBounds();
  if (!UpdatesHotStateAfterCalculation() || !HandlesMouse()) return;
  const POINT mouse = FGridViewInfo->MousePos();
  if (!PtInRect(&FBounds, mouse)) return;
  if (TcxCustomGridHitTest* hitTest = GetHitTest(mouse)) MouseMove(hitTest, TShiftState());
}

bool TcxCustomGridViewCellViewInfo::MouseMove(TcxCustomGridHitTest* AHitTest, TShiftState AShift) {
  const bool result = inherited::MouseMove(AHitTest, AShift);
  if (GetVisible() && HasHint()) ShowCellHint(AHitTest->Pos());
  return result;
}

void TcxCustomGridViewCellViewInfo::ShowCellHint(POINT P) {
  String text;
  RECT textArea{};
  bool multiLine = false;
  if (!NeedsHint(P, text, textArea, multiLine)) {
    Controller()->HideHint();
    return;
  }
  RECT hintArea, clip;
  GetHintAreaBounds(hintArea);
  GetHintClipBounds(clip);
  if (!IsRectEmpty(&clip)) IntersectRect(&hintArea, &hintArea, &clip);
  RECT clippedText{};
  if (IntersectRect(&clippedText, &clip, &textArea) && !IsRectEmpty(&clippedText)) textArea = clippedText;
  Controller()->ShowHint(hintArea, textArea, Params().Font, MultiLinePainting(), text);
}

bool TcxCustomGridViewCellViewInfo::NeedsHint(POINT P, String& AText, RECT& ATextArea, bool& AMultiLine) {
  if (Text().empty()) return false;
  RECT hintArea;
  GetHintAreaBounds(hintArea);
  if (!PtInRect(&hintArea, P)) return false;
  ATextArea = TextAreaBounds();
  TcxCanvas* canvas = GetCanvas();
  if (Params().Font) canvas->SetFont(Params().Font);
  RECT measured = ATextArea;
  canvas->MeasureTextRect(Text(), measured, (GetTextFlags(true) & ~kCellVertAlignFlags) | tfAlignTop);
  bool fits = RectHeight(ATextArea) >= RectHeight(measured) && (MultiLinePainting() || RectWidth(ATextArea) >= TextWidth());
  if (fits) {
    RECT textBounds, inside;
    GetTextBounds(textBounds);
    fits = IntersectRect(&inside, &textBounds, &hintArea) && EqualRect(&inside, &textBounds);
  }
  if (fits) return false;
  AText = Text();
  AMultiLine = MultiLinePainting();
  return true;
}

// ---- TcxCustomGridCellPainter --------------------------------------------------------------------------------------

void TcxCustomGridCellPainter::Paint() {
  if (!IsVisibleOnCanvas()) return;
  BeforePaint();
  PaintContent();
  DrawFocusIfOwnCanvas();
  if (ExcludesFromClipping()) ExcludeFromClipping();
}

bool TcxCustomGridCellPainter::IsVisibleOnCanvas() {
  RECT r;
  FViewInfo->GetVisibleBounds(r);
  return FCanvas->RectVisible(r);
}

void TcxCustomGridCellPainter::PaintContent() {
  TcxViewParamsRec saved;
  FViewInfo->SaveParams(saved);
  {
    ScopeExit restore([&] { FViewInfo->RestoreParams(saved); });
    if (!FViewInfo->CustomDraw(FCanvas)) DrawContent();
  }
  DrawBorders();
}

void TcxCustomGridCellPainter::DrawFocusIfOwnCanvas() {
  if (FViewInfo->HasFocusRect() && FCanvas == FViewInfo->GetCanvas()) DrawFocusRect();
}

void TcxCustomGridCellPainter::ExcludeFromClipping() { FCanvas->ExcludeFromClip(FViewInfo->Bounds()); }

void TcxCustomGridCellPainter::DrawContent() {
  if (!FViewInfo->CustomDrawBackground(FCanvas)) DrawBackground();
  DrawText();
}

void TcxCustomGridCellPainter::DrawBackground() {
  const RECT content = FViewInfo->ContentBounds();
  if (DrawBackgroundBitmap(FCanvas, content)) return;
  FCanvas->SetBrushColor(FViewInfo->Params().Color);
  FCanvas->FillRect(content);
}

bool TcxCustomGridCellPainter::DrawBackgroundBitmap(TcxCanvas* ACanvas, const RECT& R) {
  if (!FViewInfo->HasBackgroundBitmap()) return false;
  ACanvas->FillRect(R, FViewInfo->GetBackgroundBitmap());
  return true;
}

void TcxCustomGridCellPainter::DrawText() {
  const String& text = FViewInfo->Text();
  if (text.empty()) return;
  const TcxViewParamsRec& params = FViewInfo->Params();
  if (params.Font) FCanvas->SetFont(params.Font);
  FCanvas->Font()->SetColor(params.TextColor);
  FCanvas->Brush()->SetStyle(bsClear);
  BeforeDrawText();
  FCanvas->DrawText(text, FViewInfo->TextAreaBounds(), FViewInfo->GetTextFlags(true), true);
  AfterDrawText();
  FCanvas->Brush()->SetStyle(bsSolid);
}

void TcxCustomGridCellPainter::DrawBorders() {
  for (TcxBorder border : {bLeft, bTop, bRight, bBottom})
    if (FViewInfo->Borders().Contains(border)) DrawBorder(border);
}

void TcxCustomGridCellPainter::DrawBorder(TcxBorder ABorder) {
  RECT r;
  FViewInfo->GetBorderBounds(ABorder, r);
  FCanvas->SetBrushColor(FViewInfo->GetBorderColor(ABorder));
  FCanvas->FillRect(r);
}

void TcxCustomGridCellPainter::DrawFocusRect() {
  RECT r = FViewInfo->Bounds();
  InflateRect(&r, -1, -1);
  FCanvas->DrawFocusRect(r);
  InflateRect(&r, -1, -1);
  FCanvas->DrawFocusRect(r);
}
