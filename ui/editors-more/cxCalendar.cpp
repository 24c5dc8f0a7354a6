#include "ui/editors-more/cxCalendar.h"

#include <algorithm>
#include <cmath>

#include "forms/Forms.h"
#include "rtl/Math.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Utf8.h"
#include "rtl/Variants.h"
#include "ui/base/cxClasses.h"
#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"
#include "ui/base/dxUxTheme.h"
#include "ui/editors/cxEditConsts.h"
#include "ui/editors/cxFormats.h"
#include "winapi/WinGdi.h"
#include "winapi/WinText.h"

RTL_PUBLISHED(TcxClock) {
  prop("Color", &TcxClock::Color, &TcxClock::SetColor).Default(clWindow);
  prop("MinuteDotColor", &TcxClock::MinuteDotColor, &TcxClock::SetMinuteDotColor).Default(clWindow);
  prop("Time", &TcxClock::Time, &TcxClock::SetTime);
}

namespace {

constexpr const char* cxSDateToday = "Сегодня";
constexpr const char* cxSDateNow = "Сейчас";
constexpr const char* cxSDateClear = "Сброс";
constexpr const char* cxSDateOK = "ОК";
constexpr int32_t cxCalendarArrowInterval = 200;
constexpr int32_t cxMonthListScrollIntervals[4] = {500, 250, 100, 50};

TcxCalendarTimeEditorFactory& TimeEditorFactory() {
  static TcxCalendarTimeEditorFactory factory;
  return factory;
}

// The time of day of a value, kept positive whatever the sign of the date.
double TimeOf(TDateTime ADate) { return std::fabs(TimeOfValue(ADate)); }
// A date with a time of day added in the direction of its sign, as the date routines read it.
TDateTime WithTime(TDateTime ADate, double ATime) {
  double d = DateOfValue(ADate);
  return d >= 0 ? d + ATime : d - ATime;
}
bool IsValidDay(double ADay) { return ADay >= cxMinCalendarDate && ADay <= cxMaxCalendarDate; }

}  // namespace

void SetCalendarTimeEditorFactory(TcxCalendarTimeEditorFactory AFactory) { TimeEditorFactory() = std::move(AFactory); }

int32_t cxMonthOfDate(TDateTime ADate) {
  uint16_t y, m, d;
  DecodeDate(ADate, y, m, d);
  return y * 12 + m - 1;
}

TDateTime cxFirstDayOfMonth(int32_t AMonth) {
  AMonth = std::clamp(AMonth, cxMinCalendarMonth, cxMaxCalendarMonth);
  return EncodeDate(static_cast<uint16_t>(AMonth / 12), static_cast<uint16_t>(AMonth % 12 + 1), 1);
}

// ---- the clock -------------------------------------------------------------------------------------------

TcxClock::TcxClock(TComponent* AOwner) : TcxControl(AOwner) {}

void TcxClock::AfterConstruction() {
  inherited::AfterConstruction();
  SetColor(clWindow);
  SetParentColor(false);
  SetControlStyle(ControlStyle() + csOpaque);
  SetTabStop(false);
}

void TcxClock::SetMinuteDotColor(TColor Value) {
  if (FMinuteDotColor == Value) return;
  FMinuteDotColor = Value;
  Invalidate();
}

void TcxClock::SetTime(TDateTime Value) {
  double t = TimeOf(Value);
  if (t == FTime) return;
  FTime = t;
  Invalidate();
}

void TcxClock::HandAngle(TcxClockHand AHand, double& AAngle) const {
  uint16_t h, m, s, ms;
  DecodeTime(FTime, h, m, s, ms);
  switch (AHand) {
    case chHour:
      AAngle = ((h % 12) * 3600.0 + m * 60.0 + s - 10800.0) * 2 * M_PI / 43200.0;
      break;
    case chMinute:
      AAngle = (m * 60.0 + s - 900.0) * 2 * M_PI / 3600.0;
      break;
    case chSecond:
      AAngle = (s - 15.0) * 2 * M_PI / 60.0;
      break;
  }
}

std::vector<POINT> TcxClock::HandPoints(TcxClockHand AHand) const {
  const double cx = Width() / 2, cy = Height() / 2;
  const double rx = Width() / 2.0 - 2, ry = Height() / 2.0 - 2;
  double a = 0;
  HandAngle(AHand, a);
  const double c = std::cos(a), s = std::sin(a);
  auto at = [&](double k, double side) {
    // k along the hand (of the radius), side pixels across it; the offsets are rounded, not the
    // coordinates, so that a hand and its mirror image take the same pixels on both sides of the centre
    return POINT{static_cast<LONG>(cx + std::lround(k * rx * c - side * s)),
                 static_cast<LONG>(cy + std::lround(k * ry * s + side * c))};
  };
  if (AHand == chSecond) return {at(0, 0), at(0.9, 0)};
  const double tip = AHand == chHour ? 0.75 : 0.85, tail = AHand == chHour ? 0.15 : 0.2;
  const double half = AHand == chHour ? 4.5 : 3.5;
  return {at(tip, 0), at(0, half), at(-tail, 0), at(0, -half)};
}

POINT TcxClock::MarkCentre(int32_t AMinute) const {
  const double cx = Width() / 2, cy = Height() / 2;
  const double rx = Width() / 2.0 - 2, ry = Height() / 2.0 - 2;
  const double a = AMinute * 2 * M_PI / 60;
  return POINT{static_cast<LONG>(cx + std::lround(rx * std::cos(a))),
               static_cast<LONG>(cy + std::lround(ry * std::sin(a)))};
}

void TcxClock::Paint() {
  TcxCanvas* canvas = ControlCanvas();
  canvas->SetBrushColor(Color());
  canvas->FillRect(ClientRect());
  for (int32_t i = 0; i < 60; ++i) {
    POINT p = MarkCentre(i);
    if (i % 5 == 0) {
      canvas->SetBrushColor(TColor(RGB(0, 128, 128)));
      canvas->FillRect(RECT{p.x - 1, p.y - 1, p.x + 2, p.y + 2});
      canvas->SetPixel(p.x - 1, p.y - 1, clAqua);
      canvas->SetPixel(p.x, p.y - 1, clAqua);
      canvas->SetPixel(p.x - 1, p.y, clAqua);
      canvas->SetPixel(p.x + 1, p.y + 1, clBtnText);
      canvas->SetPixel(p.x, p.y + 1, clBtnText);
      canvas->SetPixel(p.x + 1, p.y, clBtnText);
    } else {
      canvas->SetPixel(p.x, p.y, FMinuteDotColor);
    }
  }
  canvas->Pen()->SetColor(TColor(RGB(0, 128, 128)));
  canvas->SetBrushColor(TColor(RGB(0, 128, 128)));
  canvas->Polygon(HandPoints(chHour));
  canvas->Polygon(HandPoints(chMinute));
  std::vector<POINT> second = HandPoints(chSecond);
  canvas->Pen()->SetColor(clRed);
  canvas->MoveTo(second[0].x, second[0].y);
  canvas->LineTo(second[1].x, second[1].y);
}

// ---- the month list --------------------------------------------------------------------------------------

TMonthListBox::TMonthListBox(TControl* AOwnerControl) : TcxCustomPopupWindow(AOwnerControl) {}

void TMonthListBox::AfterConstruction() {
  inherited::AfterConstruction();
  SetCaptureFocus(false);
  SetIsModal(false);
  SetAutoFitSize(false);
  SetPopupBorderStyle(pbsNone);
  TControlStyle style = ControlStyle() + csCaptureMouse + csOpaque;
  FShowYears = true;
  if (TcxCustomCalendar* c = Calendar()) FShowYears = !c->ArrowsForYear() || c->YearsInMonthList();
  if (!FShowYears) style = style + csClickEvents;
  SetControlStyle(style);
  FTimer = New<TcxTimer>(nullptr);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(cxMonthListScrollIntervals[0]);
  FTimer->SetOnTimer(TNotifyEvent(this, &TMonthListBox::DoTimer));
}

void TMonthListBox::BeforeDestruction() {
  FreeAndNil(FTimer);
  inherited::BeforeDestruction();
}

TcxCustomCalendar* TMonthListBox::Calendar() const { return dynamic_cast<TcxCustomCalendar*>(OwnerControl()); }

String TMonthListBox::RowText(int32_t ARow) const {
  int32_t month = FShowYears ? FTopMonth + ARow : (FTopMonth / 12) * 12 + ARow;
  if (month < cxMinCalendarMonth || month > cxMaxCalendarMonth) return String();
  String name = FormatSettings().LongMonthNames[month % 12];
  return FShowYears ? name + " " + IntToStr(month / 12) : name;
}

void TMonthListBox::Measure() {
  TcxCustomCalendar* c = Calendar();
  FShowYears = !c->ArrowsForYear() || c->YearsInMonthList();
  TControlStyle style = ControlStyle();
  style = FShowYears ? style - csClickEvents : style + csClickEvents;
  SetControlStyle(style);
  Font()->Assign(c->Font());
  FItemHeight = c->HeaderHeight() - 2;
  SetBounds(Left(), Top(), 6 * c->ColWidth() + 2, FItemHeight * RowCount() + 2);
}

void TMonthListBox::PopupFromCalendar() {
  TcxCustomCalendar* c = Calendar();
  Measure();
  int32_t shown = cxMonthOfDate(c->FirstDate());
  if (FShowYears) {
    // Near the ends of the calendar's years the list cannot start three months back; the shown month
    // keeps the highlight wherever it lands.
    FTopMonth = std::clamp(shown - 3, cxMinCalendarMonth, cxMaxCalendarMonth - 6);
    FItemIndex = shown - FTopMonth;
  } else {
    FTopMonth = (shown / 12) * 12;
    FItemIndex = shown % 12;
  }
  RECT r = c->MonthCaption();
  POINT tl = c->ClientToScreen(POINT{r.left, r.top});
  FOrigin = POINT{tl.x + (r.right - r.left - Width()) / 2, tl.y + (r.bottom - r.top - Height()) / 2};
  FScrollSign = 0;
  Popup(nullptr);
}

void TMonthListBox::CalculatePosition(POINT& P) { P = FOrigin; }

void TMonthListBox::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  // The list lives for a moment over the calendar: the screen under it is kept rather than repainted.
  Params.WindowClass.style |= CS_SAVEBITS;
}

void TMonthListBox::DoShowed() {
  inherited::DoShowed();
  if (FShowYears) SetMouseCapture(true);
  Invalidate();
}

void TMonthListBox::CloseUp(bool AAskCloseQuery) {
  if (FClosing || !IsPopupWindowShown(this)) return;
  FClosing = true;
  FTimer->SetEnabled(false);
  if (MouseCapture()) SetMouseCapture(false);
  // The list with years hands over the lit month however it closes.
  const int32_t chosen = FShowYears && FItemIndex >= 0 ? FTopMonth + FItemIndex : -1;
  TObjectLink<TMonthListBox> alive(this);
  inherited::CloseUp(AAskCloseQuery);
  if (!alive) return;
  FClosing = false;
  if (chosen >= cxMinCalendarMonth && chosen <= cxMaxCalendarMonth && !IsPopupWindowShown(this))
    if (TcxCustomCalendar* c = Calendar()) c->SetFirstDate(cxFirstDayOfMonth(chosen));
}

void TMonthListBox::SetItemIndex(int32_t Value) {
  if (FItemIndex == Value) return;
  FItemIndex = Value;
  Invalidate();
}

void TMonthListBox::SetTopMonth(int32_t Value) {
  Value = std::clamp(Value, cxMinCalendarMonth, cxMaxCalendarMonth - (RowCount() - 1));
  if (FTopMonth == Value) return;
  FTopMonth = Value;
  Invalidate();
}

void TMonthListBox::DoTimer(TObject*) {
  SetTopMonth(FTopMonth + FScrollSign);
  Update();
}

void TMonthListBox::PaintWindow(HDC DC) {
  TCanvas paintCanvas;
  paintCanvas.SetHandle(DC);
  TCanvas* canvas = &paintCanvas;
  TcxCanvas cxCanvas(canvas);
  canvas->Font()->Assign(Font());
  RECT client = ClientRect();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clBlack);
  canvas->FrameRect(client);
  for (int32_t i = 0; i < RowCount(); ++i) {
    RECT r{1, 1 + i * FItemHeight, client.right - 1, 1 + (i + 1) * FItemHeight};
    bool hot = i == FItemIndex;
    canvas->Brush()->SetColor(hot ? clWindowText : clWindow);
    canvas->FillRect(r);
    canvas->Font()->SetColor(hot ? clWindow : clWindowText);
    canvas->Brush()->SetStyle(bsClear);
    String text = RowText(i);
    cxCanvas.DrawText(text, r, tfSingleLine | tfAlignHCenter | tfAlignVCenter);
    canvas->Brush()->SetStyle(bsSolid);
  }
}

void TMonthListBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseMove(Shift, X, Y);
  if (!FShowYears) {
    int32_t row = (Y - 1) / std::max(1, FItemHeight);
    bool inside = X >= 0 && X < Width() && Y >= 1 && row < RowCount();
    SetItemIndex(inside && !RowText(row).empty() ? row : -1);
    return;
  }
  if (Y < 1 || Y >= Height() - 1) {
    // Above or below the list: scroll a month per tick, faster the farther the pointer is.
    int32_t distance = Y < 1 ? (1 - Y) : (Y - (Height() - 1));
    int32_t rows = std::min(3, distance / std::max(1, FItemHeight));
    FScrollSign = Y < 1 ? -1 : 1;
    FTimer->SetInterval(cxMonthListScrollIntervals[rows]);
    FTimer->SetEnabled(true);
    SetItemIndex(Y < 1 ? 0 : RowCount() - 1);
    return;
  }
  FTimer->SetEnabled(false);
  FScrollSign = 0;
  if (X < 0 || X >= Width()) {
    SetItemIndex(-1);
    return;
  }
  SetItemIndex(std::min(RowCount() - 1, (Y - 1) / std::max(1, FItemHeight)));
}

void TMonthListBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  TcxCustomCalendar* c = Calendar();
  int32_t chosen = -1;
  if (!FShowYears) {
    int32_t row = (Y - 1) / std::max(1, FItemHeight);
    if (X >= 0 && X < Width() && Y >= 1 && row < RowCount()) chosen = (FTopMonth / 12) * 12 + row;
  }
  TObjectLink<TMonthListBox> alive(this);
  CloseUp(false);
  if (alive && chosen >= cxMinCalendarMonth && chosen <= cxMaxCalendarMonth) c->SetFirstDate(cxFirstDayOfMonth(chosen));
}

// ---- the calendar ----------------------------------------------------------------------------------------

TcxCustomCalendar::TcxCustomCalendar(TComponent* AOwner) : TcxControl(AOwner) {}

TcxCustomCalendar::~TcxCustomCalendar() = default;

void TcxCustomCalendar::AfterConstruction() {
  inherited::AfterConstruction();
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque});
  FSelectDate = Date();
  FFirstDate = cxFirstDayOfMonth(cxMonthOfDate(FSelectDate));
  inherited::SetBounds(Left(), Top(), 20, 20);
  FMonthList = New<TMonthListBox>(this);
  SetKeys(TcxControlKeys{ckAllKeys, ckArrows, ckChars, ckTab});
  auto makeButton = [this](const char* caption) {
    TcxButton* b = New<TcxButton>(this);
    b->SetCaption(TranslateString(caption));
    b->OnClick = TNotifyEvent(this, &TcxCustomCalendar::ButtonClick);
    return b;
  };
  FTodayButton = makeButton(cxSDateToday);
  FNowButton = makeButton(cxSDateNow);
  FClearButton = makeButton(cxSDateClear);
  FOKButton = makeButton(cxSDateOK);
  FOKButton->SetDefault(true);
  FTimeEdit = CreateTimeEditor();
  FClock = New<TcxClock>(this);
  FClock->SetTabStop(false);
  FTimer = New<TcxTimer>(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(cxCalendarArrowInterval);
  FTimer->SetOnTimer(TNotifyEvent(this, &TcxCustomCalendar::ArrowTimerTick));
  FKind = ckDate;
  FCalendarButtons = TDateButtons{btnClear, btnToday};
  FFlat = true;
  FYearsInMonthList = true;
  ArrangeButtons();
}

void TcxCustomCalendar::BeforeDestruction() {
  StopMouseTracking(this);
  if (FMonthList) FMonthList->CloseUp(false);
  FreeAndNil(FMonthList);
  delete FTimeEdit;  // the adapter only; its control belongs to the calendar as owner
  FTimeEdit = nullptr;
  inherited::BeforeDestruction();
}

TcxCalendarTimeEditor* TcxCustomCalendar::CreateTimeEditor() {
  // The time edit unit installs the factory; until then a date-time calendar works with the clock alone.
  if (!TimeEditorFactory()) return nullptr;
  return TimeEditorFactory()(this, TNotifyEvent(this, &TcxCustomCalendar::TimeChanged));
}

int32_t TcxCustomCalendar::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}

bool TcxCustomCalendar::IsOffice11() const { return GetPainter()->PainterStyle() == psOffice11; }
bool TcxCustomCalendar::IsNative() const { return GetPainter()->PainterStyle() == psNative; }

TColor TcxCustomCalendar::HeaderColor() const {
  return IsOffice11() ? GetPainter()->DefaultHeaderColor() : clBtnFace;
}

int32_t TcxCustomCalendar::FontSize() const { return Font()->Size(); }

bool TcxCustomCalendar::HasButtonRow() const {
  return FKind == ckDateTime || FCalendarButtons.Contains(btnToday) || FCalendarButtons.Contains(btnClear);
}

void TcxCustomCalendar::SetArrowsForYear(bool Value) {
  if (FArrowsForYear == Value) return;
  FArrowsForYear = Value;
  CalculateLayout();
}

void TcxCustomCalendar::SetCalendarButtons(TDateButtons Value) {
  if (FCalendarButtons == Value) return;
  FCalendarButtons = Value;
  ArrangeButtons();
  CalculateLayout();
}

void TcxCustomCalendar::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  CalculateLayout();
}

void TcxCustomCalendar::SetKind(TcxCalendarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  TControlStyle style = ControlStyle();
  style = Value == ckDateTime ? style + csClickEvents + csDoubleClicks : style - csClickEvents - csDoubleClicks;
  SetControlStyle(style);
  ArrangeButtons();
  CalculateLayout();
}

// Which buttons show: Today and Clear follow the set; Now and OK belong to the date-time kind.
void TcxCustomCalendar::ArrangeButtons() {
  const bool dt = FKind == ckDateTime;
  FTodayButton->SetVisible(FCalendarButtons.Contains(btnToday));
  FClearButton->SetVisible(FCalendarButtons.Contains(btnClear));
  FNowButton->SetVisible(dt && FCalendarButtons.Contains(btnNow));
  FOKButton->SetVisible(dt);
  FClock->SetVisible(dt);
  if (FTimeEdit) FTimeEdit->Control()->SetVisible(dt);
}

void TcxCustomCalendar::UpdateTabStops() {
  const bool dt = FKind == ckDateTime;
  FTodayButton->SetTabStop(dt);
  FTodayButton->SetTabOrder(1);
  FNowButton->SetTabStop(dt);
  FNowButton->SetTabOrder(2);
  FClearButton->SetTabStop(dt);
  FClearButton->SetTabOrder(3);
  FOKButton->SetTabStop(dt);
  FOKButton->SetTabOrder(4);
  if (FTimeEdit) {
    FTimeEdit->Control()->SetTabStop(dt);
    FTimeEdit->Control()->SetTabOrder(0);
  }
  TcxControlKeys keys{ckAllKeys, ckArrows, ckChars};
  if (!dt) keys.Include(ckTab);
  SetKeys(keys);
}

int32_t TcxCustomCalendar::GetTimeAreaGap() { return (FButtonAreaHeight - FButtonHeight - 1) / 2; }
int32_t TcxCustomCalendar::GetTimeAreaMargins() { return MulDiv(FontSize(), 3, 4); }

SIZE TcxCustomCalendar::CalculateSize() {
  FDateRegionWidth = 2 * FSideWidth + 7 * FColWidth;
  int32_t h = FDaysOfWeekHeight + 6 * FRowHeight + FHeaderHeight + 1;
  if (HasButtonRow()) h += FButtonAreaHeight;
  if (FKind == ckDateTime)
    h += FMargin + FHeaderHeight + FontSize() / 2;
  else
    h += 1;
  if (FKind == ckDate && IsOffice11()) h += 2;
  int32_t w = FDateRegionWidth;
  FGap = GetTimeAreaGap();
  if (FKind == ckDateTime) {
    FClockSize = h - FHeaderHeight - FMargin - FButtonAreaHeight - FTimeEditHeight - 3 * FGap;
    FClockAreaWidth = 2 * FGap + std::max(FClockSize, FTimeEditWidth);
    w = 2 * FMargin + FDateRegionWidth + FColWidth + FClockAreaWidth;
  } else {
    FClockSize = 0;
    FClockAreaWidth = 0;
  }
  return SIZE{w, h};
}

void TcxCustomCalendar::CalculateLayout() {
  if (!HandleAllocated()) return;
  UpdateTabStops();
  TcxCanvas* canvas = ControlCanvas();
  canvas->Font()->Assign(Font());
  const int32_t w0 = canvas->TextWidth("0"), h0 = canvas->TextHeight("0");
  const bool dt = FKind == ckDateTime;
  FColWidth = 3 * w0;
  FSideWidth = 2 * w0;
  FRowHeight = h0 + 2;
  FHeaderHeight = h0 + 5 - (!dt && IsOffice11() ? 1 : 0);
  FDaysOfWeekHeight = FRowHeight + 1;
  int32_t widest = 0;
  for (TcxButton* b : {FTodayButton, FNowButton, FClearButton, FOKButton})
    if (b->Visible()) widest = std::max(widest, canvas->TextWidth(b->Caption()));
  FButtonWidth = widest + FColWidth;
  FButtonTopGap = FontSize() / 2;
  FButtonHeight = MulDiv(canvas->TextHeight("Wg"), 20, 13) + 1;
  if (dt) {
    int32_t t = MulDiv(FontSize(), 5, 4);
    FButtonAreaHeight = t + 1 + (t % 2 != 0 ? 1 : 0) + FButtonHeight;
  } else {
    FButtonAreaHeight = MulDiv(FontSize(), 3, 4) + FButtonHeight + FButtonTopGap;
  }
  FMargin = GetTimeAreaMargins();
  if (FTimeEdit && dt) {
    FTimeEditHeight = FTimeEdit->Control()->Height();
    FTimeEditWidth = FTimeEdit->ContentWidth() + w0;
  } else {
    FTimeEditHeight = 0;
    FTimeEditWidth = 0;
  }
  FCalcSize = CalculateSize();
  FMeasured = true;
  inherited::SetBounds(Left(), Top(), FCalcSize.cx, FCalcSize.cy);
  CalculateRects();
  Invalidate();
}

void TcxCustomCalendar::CalculateRects() {
  const bool dt = FKind == ckDateTime;
  const bool o11 = IsOffice11();
  int32_t dx = 0, dy = 0;
  if (dt) {
    FRects[crTimeText] = RECT{0, 0, FCalcSize.cx, FHeaderHeight};
    if (o11) FRects[crTimeText] = RECT{2, 2, FCalcSize.cx - 2, FHeaderHeight};
    dx = FMargin;
    dy = FMargin + FHeaderHeight;
  } else {
    FRects[crTimeText] = RECT{0, 0, 0, 0};
  }
  const int32_t li = !dt && o11 ? 2 : 0, ti = li, ri = li;
  const int32_t a = dt ? 1 : (FFlat ? 0 : 1);
  const int32_t aw = FColWidth - 2, ah = FHeaderHeight - 1 - a;
  const int32_t top = ti + a;
  const int32_t drw = FDateRegionWidth;
  auto arrow = [&](int32_t left) { return RECT{left, top, left + aw, top + ah}; };
  FArrowCount = FArrowsForYear ? 4 : 2;
  const int32_t captionTop = ti, captionBottom = ti + FHeaderHeight - 1;
  if (!FArrowsForYear) {
    FRects[crPrevMonth] = arrow(li + a);
    FRects[crNextMonth] = arrow(drw - ri - a - aw);
    FRects[crPrevYear] = FRects[crNextYear] = RECT{0, 0, 0, 0};
    FMonthRect = RECT{FRects[crPrevMonth].right, captionTop, FRects[crNextMonth].left, captionBottom};
    FYearRect = RECT{0, 0, 0, 0};
  } else {
    TcxCanvas* canvas = ControlCanvas();
    canvas->Font()->Assign(Font());
    int32_t mw = 0;
    for (const String& name : FormatSettings().LongMonthNames) mw = std::max(mw, canvas->TextWidth(name));
    const int32_t yw = canvas->TextWidth("9999");
    FRects[crPrevMonth] = arrow(li + a);
    FRects[crNextYear] = arrow(drw - ri - a - aw);
    const int32_t free = drw - 2 * a - li - ri - mw - yw - 4 * FColWidth + 8;
    const int32_t next = FRects[crPrevMonth].right + mw + mw * free / std::max(1, mw + yw);
    FRects[crNextMonth] = arrow(next);
    FRects[crPrevYear] = arrow(FRects[crNextMonth].right);
    FMonthRect = RECT{FRects[crPrevMonth].right, captionTop, FRects[crNextMonth].left, captionBottom};
    FYearRect = RECT{FRects[crPrevYear].right, captionTop, FRects[crNextYear].left, captionBottom};
  }
  FRects[crHeader] = RECT{li, ti, drw - ri, ti + FHeaderHeight};
  FRects[crDateRegion] = RECT{0, captionBottom + 1, drw, captionBottom + 1 + FDaysOfWeekHeight + 6 * FRowHeight + 1};
  for (int i : {crPrevMonth, crNextMonth, crPrevYear, crNextYear, crDateRegion, crHeader})
    if (!IsRectEmpty(&FRects[i])) OffsetRect(&FRects[i], dx, dy);
  OffsetRect(&FMonthRect, dx, dy);
  if (FArrowsForYear) OffsetRect(&FYearRect, dx, dy);
  FButtonArea = HasButtonRow() ? RECT{0, FCalcSize.cy - FButtonAreaHeight - (dt ? 0 : 1), FCalcSize.cx,
                                      FCalcSize.cy - (dt ? 0 : 1)}
                               : RECT{0, 0, 0, 0};

  // Buttons.
  const int32_t bw = FButtonWidth + 1;
  const int32_t btop = FButtonArea.top + (FButtonAreaHeight - FButtonHeight) / 2;
  std::vector<TcxButton*> shown;
  for (TcxButton* b : {FTodayButton, FNowButton, FClearButton, FOKButton})
    if (b->Visible()) shown.push_back(b);
  if (!dt) {
    if (shown.size() == 2) {
      const int32_t gap = (drw - 2 * bw) / 3;
      FTodayButton->SetBounds(gap, btop, bw, FButtonHeight);
      FClearButton->SetBounds(drw - gap - bw, btop, bw, FButtonHeight);
    } else if (shown.size() == 1) {
      shown[0]->SetBounds((drw - bw) / 2, btop, bw, FButtonHeight);
    }
  } else {
    const int32_t d = MulDiv(FontSize(), 5, 4);
    const int32_t n = static_cast<int32_t>(shown.size());
    const int32_t lastLeft = FCalcSize.cx - d - bw;
    if (n == 1) {
      shown[0]->SetBounds(lastLeft, btop, bw, FButtonHeight);
    } else if (n == 2) {
      shown[0]->SetBounds(lastLeft - d - bw, btop, bw, FButtonHeight);
      shown[1]->SetBounds(lastLeft, btop, bw, FButtonHeight);
    } else if (n > 2) {
      // From the margin at the left to the margin at the right, equally spaced.
      const int32_t spacing = (lastLeft - d - (n - 1) * bw) / (n - 1);
      for (int32_t i = 0; i < n; ++i)
        shown[i]->SetBounds(i == n - 1 ? lastLeft : d + i * (bw + spacing), btop, bw, FButtonHeight);
    }
    const int32_t clockRight = FCalcSize.cx - FMargin - FGap;
    const int32_t clockTop = FHeaderHeight + FMargin + FGap;
    FClock->SetBounds(clockRight - FClockSize, clockTop, FClockSize, FClockSize);
    if (FTimeEdit) {
      TWinControl* te = FTimeEdit->Control();
      const int32_t cxm = clockRight - FClockSize / 2;
      te->SetBounds(cxm - FTimeEditWidth / 2, FButtonArea.top - FGap - FTimeEditHeight, FTimeEditWidth,
                    FTimeEditHeight);
    }
  }
}

void TcxCustomCalendar::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  // Once measured the calendar keeps the size its font gives it.
  if (FMeasured) {
    AWidth = FCalcSize.cx;
    AHeight = FCalcSize.cy;
  }
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

bool TcxCustomCalendar::ErasesBackground() {
  return FTodayButton && FTodayButton->LookAndFeel()->NativeStyle() && AreThemeTypesAvailable({});
}

void TcxCustomCalendar::AttachScrollBars() {
  inherited::AttachScrollBars();
  for (TcxButton* b : {FTodayButton, FNowButton, FClearButton, FOKButton}) b->SetParent(this);
  FClock->SetParent(this);
  if (FTimeEdit) FTimeEdit->Control()->SetParent(this);
  CalculateLayout();
}

void TcxCustomCalendar::FontChanged() {
  inherited::FontChanged();
  CalculateLayout();
}

// ---- dates -----------------------------------------------------------------------------------------------

int32_t TcxCustomCalendar::ColOfDate(TDateTime ADate) {
  int32_t d = DayOfWeek(ADate) - GetFormatController()->FirstWeekDay();
  return d > 0 ? d - 1 : d + 6;
}

TDateTime TcxCustomCalendar::GetFirstShownDate() {
  int32_t col = ColOfDate(FFirstDate);
  return FFirstDate - (col == 0 ? 7 : col);
}

TDateTime TcxCustomCalendar::GetLastDate() {
  uint16_t y, m, d;
  DecodeDate(FFirstDate, y, m, d);
  return EncodeDate(y, m, DaysInAMonth(y, m));
}

TDateTime TcxCustomCalendar::GetLastShownDate() {
  uint16_t y, m, d;
  DecodeDate(FFirstDate, y, m, d);
  int32_t col = ColOfDate(FFirstDate);
  int32_t days = DaysInAMonth(y, m);
  return GetLastDate() + 42 - days - (col == 0 ? 7 : col);
}

void TcxCustomCalendar::SetFirstDate(TDateTime Value) {
  TDateTime v = cxFirstDayOfMonth(cxMonthOfDate(Value));
  if (v == FFirstDate) return;
  FFirstDate = v;
  Invalidate();
}

void TcxCustomCalendar::SetSelectDate(TDateTime Value) {
  if (Value == FSelectDate) return;
  FSelectDate = Value;
  if (Value != NullDate) {
    const double day = DateOfValue(Value);
    if (day < GetFirstShownDate()) {
      // The month before the date's, unless the date is in the first month the calendar can show.
      SetFirstDate(cxFirstDayOfMonth(std::max(cxMinCalendarMonth, cxMonthOfDate(Value) - 1)));
    }
    if (day > GetLastShownDate()) SetFirstDate(Value);
  }
  Invalidate();
}

TDateTime TcxCustomCalendar::GetDateAtPos(POINT P) {
  RECT client = ClientRect();
  if (!PtInRect(&client, P)) return NullDate;
  for (int32_t row = 0; row < 6; ++row)
    for (int32_t col = 0; col < 7; ++col) {
      RECT r = DayCellRect(row, col);
      if (PtInRect(&r, P)) {
        double day = GetFirstShownDate() + row * 7 + col;
        return IsValidDay(day) ? day : NullDate;
      }
    }
  return NullDate;
}

RECT TcxCustomCalendar::DayCellRect(int32_t ARow, int32_t ACol) const {
  const RECT& dr = FRects[crDateRegion];
  int32_t left = dr.left + FSideWidth + ACol * FColWidth;
  int32_t top = dr.top + FDaysOfWeekHeight + ARow * FRowHeight;
  return RECT{left, top, left + FColWidth, top + FRowHeight};
}

void TcxCustomCalendar::ChangeMonthOrYear(int32_t AAction) {
  int32_t month = cxMonthOfDate(FFirstDate), target = month;
  switch (AAction) {
    case 0: target = month - 1; break;
    case 1: target = month + 1; break;
    case 2: target = month - 12; break;
    case 3: target = month + 12; break;
    default: return;
  }
  // Dates begin with year 1: nothing before January of year 1 and nothing after December of 9999.
  if (target < cxMinCalendarMonth || target > cxMaxCalendarMonth) return;
  if (target == month) return;
  SetFirstDate(cxFirstDayOfMonth(target));
  Invalidate();
}

// ---- keys ------------------------------------------------------------------------------------------------

TDateTime TcxCustomCalendar::KeyBase() const {
  return FSelectDate == NullDate ? DateOfValue(Date()) : DateOfValue(FSelectDate);
}

void TcxCustomCalendar::MoveSelection(TDateTime ADate) {
  if (!IsValidDay(DateOfValue(ADate))) return;
  // The time of day stays with the moved date.
  double time = FSelectDate == NullDate ? 0 : TimeOf(FSelectDate);
  SetSelectDate(WithTime(ADate, time));
}

void TcxCustomCalendar::KeyDown(uint16_t& Key, TShiftState Shift) {
  const TDateTime base = KeyBase();
  const bool ctrlOnly = Shift == TShiftState{ssCtrl};
  const bool altOnly = Shift == TShiftState{ssAlt};
  auto monthStep = [&](int32_t delta) {
    int32_t target = cxMonthOfDate(base) + delta;
    if (target < cxMinCalendarMonth || target > cxMaxCalendarMonth) return;
    uint16_t y, m, d;
    DecodeDate(base, y, m, d);
    int32_t ty = target / 12, tm = target % 12 + 1;
    MoveSelection(EncodeDate(static_cast<uint16_t>(ty), static_cast<uint16_t>(tm),
                             static_cast<uint16_t>(ClampDayOfMonth(ty, tm, d))));
  };
  switch (Key) {
    case VK_LEFT: MoveSelection(base - 1); break;
    case VK_RIGHT: MoveSelection(base + 1); break;
    case VK_UP:
      if (!altOnly) MoveSelection(base - 7);
      break;
    case VK_DOWN:
      if (!altOnly) MoveSelection(base + 7);
      break;
    case VK_PRIOR: monthStep(-1); break;
    case VK_NEXT: monthStep(1); break;
    case VK_HOME:
      if (ctrlOnly)
        MoveSelection(cxFirstDayOfMonth(cxMonthOfDate(base)));
      else
        MoveSelection(base - ColOfDate(base));
      break;
    case VK_END:
      if (ctrlOnly) {
        uint16_t y, m, d;
        DecodeDate(base, y, m, d);
        MoveSelection(EncodeDate(y, m, DaysInAMonth(y, m)));
      } else {
        MoveSelection(base + 6 - ColOfDate(base));
      }
      break;
    default: break;
  }
  inherited::KeyDown(Key, Shift);
}

// ---- mouse -----------------------------------------------------------------------------------------------

int32_t TcxCustomCalendar::ArrowAt(POINT P) const {
  const TcxCalendarRegion arrows[4] = {crPrevMonth, crNextMonth, crPrevYear, crNextYear};
  for (int32_t i = 0; i < 4; ++i) {
    if (i >= 2 && !FArrowsForYear) break;
    if (PtInRect(&FRects[arrows[i]], P)) return i;
  }
  return -1;
}

bool TcxCustomCalendar::InMonthCaptionForList(POINT P) const {
  RECT r = FMonthRect;
  r.bottom -= 1;
  if (FKind == ckDateTime || !FFlat) r.top += 1;
  return PtInRect(&r, P);
}

TcxCalendarHotRegion TcxCustomCalendar::CaptionAt(POINT P) const {
  if (PtInRect(&FMonthRect, P)) return chrMonthCaption;
  if (FArrowsForYear && PtInRect(&FYearRect, P)) return chrYearCaption;
  return chrNone;
}

void TcxCustomCalendar::SetHotRegion(TcxCalendarHotRegion Value) {
  if (FHotRegion == Value) return;
  FHotRegion = Value;
  InvalidateRect(FRects[crHeader], false);
}

void TcxCustomCalendar::UpdateHotTrack() {
  POINT p;
  GetCursorPos(&p);
  p = ScreenToClient(p);
  if (IsPopupWindowShown(FMonthList) || GetCapture() != nullptr) return;
  SetHotRegion(CaptionAt(p));
}

void TcxCustomCalendar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomCalendar> alive(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (!alive || Button != mbLeft) return;
  POINT p{X, Y};
  TDateTime d = GetDateAtPos(p);
  if (d != NullDate) {
    SetSelectDate(d);
    return;
  }
  int32_t action = ArrowAt(p);
  if (action >= 0) {
    ChangeMonthOrYear(action);
    FTimer->SetEnabled(true);
    return;
  }
  if (InMonthCaptionForList(p)) {
    SetHotRegion(chrNone);
    FMonthList->PopupFromCalendar();
  }
}

void TcxCustomCalendar::ArrowTimerTick(TObject*) {
  POINT p;
  GetCursorPos(&p);
  p = ScreenToClient(p);
  int32_t action = ArrowAt(p);
  if (action >= 0) ChangeMonthOrYear(action);
}

void TcxCustomCalendar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseMove(Shift, X, Y);
  POINT p{X, Y};
  if (Shift.Contains(ssLeft)) {
    if (FTimer->Enabled()) return;
    TDateTime d = GetDateAtPos(p);
    if (d != NullDate && d != FSelectDate) {
      // Follows the pointer without moving the shown month.
      FSelectDate = d;
      InvalidateRect(FRects[crDateRegion], false);
    }
    return;
  }
  if (!IsPopupWindowShown(FMonthList) && GetCapture() == nullptr) {
    // The application tells of entering only while it idles; a move is the surer sign.
    if (!IsMouseTracking(this)) StartMouseTracking(this, ClientRect(), this);
    SetHotRegion(CaptionAt(p));
  }
}

void TcxCustomCalendar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomCalendar> alive(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (!alive || Button != mbLeft) return;
  if (FTimer->Enabled()) {
    FTimer->SetEnabled(false);
    return;
  }
  if (FKind != ckDate) return;
  POINT p{X, Y};
  RECT client = ClientRect();
  if (!PtInRect(&client, p) || CaptionAt(p) != chrNone || IsPopupWindowShown(FMonthList)) return;
  TDateTime d = GetDateAtPos(p);
  StopTracking();
  if (alive && d != NullDate) DoDateTimeChanged();
}

void TcxCustomCalendar::DblClick() {
  TObjectLink<TcxCustomCalendar> alive(this);
  inherited::DblClick();
  if (!alive || FKind != ckDateTime) return;
  POINT p;
  GetCursorPos(&p);
  p = ScreenToClient(p);
  TDateTime d = GetDateAtPos(p);
  if (d == NullDate) return;
  SetSelectDate(d);
  StopTracking();
  if (alive) DoDateTimeChanged();
}

bool TcxCustomCalendar::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) {
  TObjectLink<TcxCustomCalendar> alive(this);
  if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (!alive || IsPopupWindowShown(FMonthList)) return false;
  POINT p = ScreenToClient(MousePos);
  switch (CaptionAt(p)) {
    case chrMonthCaption: ChangeMonthOrYear(WheelDelta > 0 ? 0 : 1); return true;
    case chrYearCaption: ChangeMonthOrYear(WheelDelta > 0 ? 2 : 3); return true;
    default: return false;
  }
}

void TcxCustomCalendar::MouseEnter(TControl* AControl) {
  inherited::MouseEnter(AControl);
  // Entering or leaving one of the buttons is not entering or leaving the calendar.
  if (AControl == this) StartMouseTracking(this, ClientRect(), this);
}

void TcxCustomCalendar::MouseLeave(TControl* AControl) {
  inherited::MouseLeave(AControl);
  if (AControl != this) return;
  StopMouseTracking(this);
  SetHotRegion(chrNone);
}

void TcxCustomCalendar::MouseLeave() { SetHotRegion(chrNone); }

void TcxCustomCalendar::StopTracking() {
  FTimer->SetEnabled(false);
  if (FMonthList) FMonthList->CloseUp(false);
}

void TcxCustomCalendar::DoDateTimeChanged() {
  if (OnDateTimeChanged) OnDateTimeChanged(this);
}

// ---- buttons and time ------------------------------------------------------------------------------------

TDateTime TcxCustomCalendar::CurrentTime() { return FTimeEdit ? TimeOf(FTimeEdit->Time()) : FClock->Time(); }

void TcxCustomCalendar::ButtonClick(TObject* Sender) {
  TDateTime value;
  if (Sender == FNowButton)
    value = Now();
  else if (Sender == FTodayButton)
    value = WithTime(Date(), FClock->Time());
  else if (Sender == FClearButton)
    value = NullDate;
  else {
    TDateTime base = FSelectDate == NullDate ? Date() : FSelectDate;
    value = WithTime(base, FClock->Time());
  }
  const double time = value == NullDate ? 0 : TimeOf(value);
  FClock->SetTime(time);
  if (FTimeEdit) FTimeEdit->SetTime(time);
  TObjectLink<TcxCustomCalendar> alive(this);
  SetSelectDate(value);
  DoDateTimeChanged();
  if (alive) StopTracking();
}

void TcxCustomCalendar::TimeChanged(TObject*) {
  if (!FTimeEdit) return;
  FClock->SetTime(FTimeEdit->Time());
  InvalidateRect(FRects[crTimeText], false);
}

// ---- painting --------------------------------------------------------------------------------------------

void TcxCustomCalendar::PaintTimeText(TcxCanvas* ACanvas) {
  RECT r = FRects[crTimeText];
  if (IsNative()) {
    HTHEME theme = OpenTheme(totHeader);
    if (theme) DrawThemeBackground(theme, ACanvas->Handle(), HP_HEADERITEM, HIS_NORMAL, &r, nullptr);
    else {
      ACanvas->SetBrushColor(HeaderColor());
      ACanvas->FillRect(r);
    }
  } else if (!IsOffice11()) {
    ACanvas->SetBrushColor(HeaderColor());
    ACanvas->FillRect(r);
    if (FFlat)
      ACanvas->FrameRect(r, clBtnText, 1, TcxBorders{bBottom});
    else
      ACanvas->DrawBevelEdge(r, false, true);
  } else {
    ACanvas->SetBrushColor(HeaderColor());
    ACanvas->FillRect(r);
  }
  String text;
  if (FSelectDate != NullDate) DateTimeToLocaleText(text, WithTime(FSelectDate, CurrentTime()));
  ACanvas->Font()->Assign(Font());
  ACanvas->Font()->SetColor(clBtnText);
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->DrawText(text, r, tfSingleLine | tfAlignHCenter | tfAlignVCenter);
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->ExcludeFromClip(FRects[crTimeText]);
}

void TcxCustomCalendar::PaintHeader(TcxCanvas* ACanvas) {
  RECT header = FRects[crHeader];
  const bool dt = FKind == ckDateTime;
  if (IsNative()) {
    HTHEME theme = OpenTheme(totHeader);
    if (theme)
      DrawThemeBackground(theme, ACanvas->Handle(), HP_HEADERITEM, HIS_NORMAL, &header, nullptr);
    else {
      ACanvas->SetBrushColor(HeaderColor());
      ACanvas->FillRect(header);
    }
  } else {
    ACanvas->SetBrushColor(HeaderColor());
    ACanvas->FillRect(header);
  }
  // Arrows: a triangle centred in each cell, pointing left, right, left, right.
  const TcxCalendarRegion arrows[4] = {crPrevMonth, crNextMonth, crPrevYear, crNextYear};
  for (int32_t i = 0; i < FArrowCount; ++i) {
    RECT r = arrows[i] < 4 ? FRects[arrows[i]] : RECT{};
    if (FFlat && !dt) ACanvas->FrameRect(r, clBtnFace, 1, TcxBorders{bTop});
    const int32_t cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const int32_t s = std::max(2, (r.bottom - r.top) / 4);
    std::vector<POINT> tri = (i % 2 == 0) ? std::vector<POINT>{{cx - s / 2 - 1, cy}, {cx + s / 2, cy - s}, {cx + s / 2, cy + s}}
                                          : std::vector<POINT>{{cx + s / 2, cy}, {cx - s / 2 - 1, cy - s}, {cx - s / 2 - 1, cy + s}};
    ACanvas->Pen()->SetColor(clBtnText);
    ACanvas->SetBrushColor(clBtnText);
    ACanvas->Polygon(tri);
  }
  // Captions.
  ACanvas->Font()->Assign(Font());
  ACanvas->Brush()->SetStyle(bsClear);
  uint16_t y, m, d;
  DecodeDate(FFirstDate, y, m, d);
  const String month = FormatSettings().LongMonthNames[m - 1];
  const TColor hot = TColor(clSystemColor | COLOR_HOTLIGHT);
  auto caption = [&](const String& text, RECT r, bool isHot) {
    ACanvas->Font()->SetColor(isHot ? hot : clBtnText);
    ACanvas->DrawText(text, r, tfSingleLine | tfAlignHCenter | tfAlignVCenter);
  };
  if (FArrowsForYear) {
    caption(month, FMonthRect, FHotRegion == chrMonthCaption);
    caption(IntToStr(y), FYearRect, FHotRegion == chrYearCaption);
  } else {
    caption(month + " " + IntToStr(y), FMonthRect, FHotRegion == chrMonthCaption);
  }
  ACanvas->Brush()->SetStyle(bsSolid);
  // Frame.
  if (!FFlat)
    ACanvas->DrawBevelEdge(header, false, true);
  else if (dt)
    ACanvas->FrameRect(header, IsOffice11() ? Office11Color58 : clBtnShadow);
  else if (IsOffice11())
    ACanvas->FrameRect(header, Color(), 2);
  else
    ACanvas->FrameRect(header, clBtnText, 1, TcxBorders{bBottom});
  ACanvas->ExcludeFromClip(header);
}

void TcxCustomCalendar::PaintDayNames(TcxCanvas* ACanvas) {
  const RECT& dr = FRects[crDateRegion];
  const int32_t left = dr.left + FSideWidth, right = left + 7 * FColWidth;
  RECT row{dr.left, dr.top, dr.right, dr.top + FRowHeight - 1};
  ACanvas->SetBrushColor(Color());
  ACanvas->FillRect(RECT{dr.left, dr.top, dr.right, dr.top + FDaysOfWeekHeight});
  ACanvas->Font()->Assign(Font());
  ACanvas->Font()->SetColor(clWindowText);
  ACanvas->Brush()->SetStyle(bsClear);
  // The last character stands for the day in the scripts whose short day names end with it.
  const TFontCharset cs = Font()->Charset();
  const bool last = cs == 134 /* GB2312 */ || cs == 136 /* Big5 */ || cs == 178 /* Arabic */;
  const uint8_t first = GetFormatController()->FirstWeekDay();
  for (int32_t i = 0; i < 7; ++i) {
    const String& name = FormatSettings().ShortDayNames[(first + i) % 7];
    const int32_t n = Utf8Length(name);
    String ch = n == 0 ? String() : Utf8Copy(name, last ? n : 1, 1);
    RECT cell{left + i * FColWidth, row.top, left + (i + 1) * FColWidth - 3, row.bottom};
    ACanvas->DrawText(ch, cell, tfSingleLine | tfAlignRight | tfAlignVCenter);
  }
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->SetBrushColor(clBtnShadow);
  ACanvas->FillRect(RECT{left, row.bottom, right, row.bottom + 1});
  ACanvas->SetBrushColor(clWindow);
  ACanvas->FillRect(RECT{left, row.bottom + 1, right, row.bottom + 2});
  ACanvas->ExcludeFromClip(RECT{dr.left, dr.top, dr.right, dr.top + FDaysOfWeekHeight});
}

void TcxCustomCalendar::PaintDays(TcxCanvas* ACanvas) {
  const double first = GetFirstShownDate();
  const double today = DateOfValue(Date());
  const double selected = FSelectDate == NullDate ? today : DateOfValue(FSelectDate);
  const int32_t shownMonth = cxMonthOfDate(FFirstDate);
  ACanvas->Font()->Assign(Font());
  TcxCustomLookAndFeelPainterClass painter = GetPainter();
  for (int32_t row = 0; row < 6; ++row)
    for (int32_t col = 0; col < 7; ++col) {
      const double day = first + row * 7 + col;
      RECT r = DayCellRect(row, col);
      if (!IsValidDay(day)) {
        // Before the first or after the last day there is nothing to show.
        ACanvas->SetBrushColor(Color());
        ACanvas->FillRect(r);
        continue;
      }
      const bool isSelected = day == selected;
      ACanvas->SetBrushColor(isSelected ? painter->DefaultDateNavigatorSelectionColor() : Color());
      ACanvas->FillRect(r);
      TColor text = cxMonthOfDate(day) != shownMonth ? clGrayText : clWindowText;
      if (isSelected) text = painter->DefaultDateNavigatorSelectionTextColor();
      RECT tr{r.left, r.top, r.right - 3, r.bottom};
      if (day == today) {
        ACanvas->FrameRect(r, TColor(RGB(128, 0, 0)));
        tr.right -= 1;
      }
      uint16_t y, m, d;
      DecodeDate(day, y, m, d);
      String s = IntToStr(d);
      ACanvas->Font()->SetColor(text);
      ACanvas->Brush()->SetStyle(bsClear);
      ACanvas->DrawText(s, tr, tfSingleLine | tfAlignRight | tfAlignVCenter);
      ACanvas->Brush()->SetStyle(bsSolid);
    }
  ACanvas->ExcludeFromClip(RECT{DayCellRect(0, 0).left, DayCellRect(0, 0).top, DayCellRect(5, 6).right,
                                DayCellRect(5, 6).bottom});
}

void TcxCustomCalendar::PaintButtonArea(TcxCanvas* ACanvas) {
  if (IsRectEmpty(&FButtonArea)) return;
  if (FKind == ckDate) {
    ACanvas->SetBrushColor(clBtnShadow);
    ACanvas->FillRect(RECT{FButtonArea.left, FButtonArea.top, FButtonArea.right, FButtonArea.top + 1});
    ACanvas->ExcludeFromClip(RECT{FButtonArea.left, FButtonArea.top, FButtonArea.right, FButtonArea.top + 1});
    return;
  }
  RECT r = FButtonArea;
  ACanvas->SetBrushColor(clBtnText);
  ACanvas->FillRect(RECT{r.left, r.top, r.right, r.top + 1});
  if (!FFlat) ACanvas->DrawBevelEdge(RECT{r.left, r.top + 1, r.right, r.bottom}, true, true);
  ACanvas->ExcludeFromClip(RECT{r.left, r.top, r.right, r.top + 1});
  // The line between the days and the clock.
  const int32_t x = FRects[crDateRegion].right + FColWidth / 2;
  int32_t bottom = FClock->BoundsRect().bottom;
  if (FTimeEdit) bottom = FTimeEdit->Control()->BoundsRect().bottom;
  ACanvas->SetBrushColor(clBtnShadow);
  ACanvas->FillRect(RECT{x, FRects[crDateRegion].top, x + 1, bottom});
  ACanvas->ExcludeFromClip(RECT{x, FRects[crDateRegion].top, x + 1, bottom});
}

void TcxCustomCalendar::Paint() {
  TcxCanvas* canvas = ControlCanvas();
  if (!FMeasured) {
    canvas->SetBrushColor(Color());
    canvas->FillRect(ClientRect());
    return;
  }
  if (FKind == ckDateTime) PaintTimeText(canvas);
  PaintHeader(canvas);
  PaintDayNames(canvas);
  PaintDays(canvas);
  PaintButtonArea(canvas);
  canvas->SetBrushColor(Color());
  canvas->FillRect(ClientRect());
}

// ---- the popup calendar ----------------------------------------------------------------------------------

void TcxPopupCalendar::UpdateHotTrack() {
  // Only an open popup tracks the captions; a closed one has nothing under the pointer.
  if (FEdit && FEdit->HasPopupWindow()) inherited::UpdateHotTrack();
}

void TcxPopupCalendar::HidePopup() {
  if (OnHidePopup) OnHidePopup(this);
}

void TcxPopupCalendar::StopTracking() {
  inherited::StopTracking();
  HidePopup();
}

void TcxPopupCalendar::KeyDown(uint16_t& Key, TShiftState Shift) {
  const bool alt = Shift.Contains(ssAlt);
  switch (Key) {
    case VK_TAB:
      if (Kind() == ckDate) {
        TObjectLink<TcxPopupCalendar>* alive = new TObjectLink<TcxPopupCalendar>(this);
        if (FEdit && FEdit->ActiveProperties()->PostPopupValueOnTab()) DoDateTimeChanged();
        if (*alive) HidePopup();
        // The Tab goes on to the editor once the popup has closed and given the focus back (both posted,
        // so in this order).
        if (*alive && FEdit && FEdit->InnerControl() && FEdit->InnerControl()->HandleAllocated())
          PostMessage(FEdit->InnerControl()->Handle(), WM_KEYDOWN, VK_TAB, 0);
        delete alive;
        Key = 0;
        return;
      }
      break;
    case VK_RETURN:
      if (!IsPopupWindowShown(MonthList())) {
        TObjectLink<TcxPopupCalendar> alive(this);
        HidePopup();
        if (alive) DoDateTimeChanged();
        Key = 0;
        return;
      }
      break;
    case VK_ESCAPE:
      if (IsPopupWindowShown(MonthList()) && !MonthList()->ShowYears())
        MonthList()->CloseUp(false);
      else
        HidePopup();
      Key = 0;
      return;
    case VK_UP:
    case VK_DOWN:
      if (alt) {
        HidePopup();
        Key = 0;
        return;
      }
      break;
    case VK_F4:
      if (!alt) {
        HidePopup();
        Key = 0;
        return;
      }
      break;
    default: break;
  }
  inherited::KeyDown(Key, Shift);
}

void TcxPopupCalendar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseMove(Shift, X, Y);
  if (!Shift.Contains(ssLeft) || ArrowTimer()->Enabled() || !FEdit) return;
  RECT client = ClientRect();
  POINT p{X, Y};
  if (PtInRect(&client, p)) return;
  // Dragged off the calendar: nothing is chosen, the editor's date shows as selected again.
  TDateTime d = FEdit->Date();
  if (d != SelectDate()) {
    SetSelectDate(d);
    InvalidateRect(Region(crDateRegion), false);
  }
}

// ---- date edit properties ----------------------------------------------------------------------------------

namespace {

constexpr const char* cxSDateError = "Неверная дата";
constexpr const char* cxSDateConvertError = "Не могу преобразовать в дату";

bool DateEditIsBlank(const Variant& V) {
  return VarIsNull(V) || VarIsEmpty(V) || (VarIsStr(V) && VarToStr(V).empty());
}

// A date with a time of day put on in the direction of the date's sign (the date routines read negative
// dates that way).
TDateTime DateEditWithTime(TDateTime ADate, double ATime) {
  double d = DateOfValue(ADate);
  return d >= 0 ? d + ATime : d - ATime;
}

bool DateEditVarIsDateOrNumber(const Variant& V) {
  return VarType(V) == varDate || (VarIsNumeric(V) && VarType(V) != varBoolean);
}

}  // namespace

RTL_PUBLISHED(TcxDateEditPropertiesValues) {
  prop("DateButtons", &TcxDateEditPropertiesValues::DateButtons, &TcxDateEditPropertiesValues::SetDateButtons)
      .Default(false);
  prop("InputKind", &TcxDateEditPropertiesValues::InputKind, &TcxDateEditPropertiesValues::SetInputKind)
      .Default(false);
}

void TcxDateEditPropertiesValues::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxDateEditPropertiesValues*>(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    if (source) {
      SetDateButtons(source->FDateButtons);
      SetInputKind(source->FInputKind);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxDateEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  try {
    inherited::RestoreDefaults();
    SetDateButtons(false);
    SetInputKind(false);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxDateEditPropertiesValues::SetDateButtons(bool Value) {
  if (FDateButtons == Value) return;
  FDateButtons = Value;
  Changed();
}

void TcxDateEditPropertiesValues::SetInputKind(bool Value) {
  if (FInputKind == Value) return;
  FInputKind = Value;
  Changed();
}

RTL_PUBLISHED(TcxDateEditProperties) {
  prop("Alignment", &TcxDateEditProperties::GetAlignment, &TcxDateEditProperties::SetAlignment)
      .Stored(&TcxDateEditProperties::IsAlignmentStored);
  prop("ArrowsForYear", &TcxDateEditProperties::ArrowsForYear, &TcxDateEditProperties::SetArrowsForYear)
      .Default(true);
  prop("AssignedValues", &TcxDateEditProperties::AssignedValues, &TcxDateEditProperties::SetAssignedValues);
  prop("AutoSelect", &TcxDateEditProperties::AutoSelect, &TcxDateEditProperties::SetAutoSelect).Default(true);
  prop("BeepOnError", &TcxDateEditProperties::BeepOnError, &TcxDateEditProperties::SetBeepOnError).Default(false);
  prop("ButtonGlyph", &TcxDateEditProperties::ButtonGlyph, &TcxDateEditProperties::SetButtonGlyph);
  prop("ClearKey", &TcxDateEditProperties::ClearKey, &TcxDateEditProperties::SetClearKey).Default(TShortCut(0));
  prop("DateButtons", &TcxDateEditProperties::DateButtons, &TcxDateEditProperties::SetDateButtons)
      .Stored(&TcxDateEditProperties::IsDateButtonsStored);
  prop("DateOnError", &TcxDateEditProperties::DateOnError, &TcxDateEditProperties::SetDateOnError)
      .Default(deNoChange);
  prop("HideSelection", &TcxDateEditProperties::HideSelection, &TcxDateEditProperties::SetHideSelection)
      .Default(true);
  prop("ImmediatePost", &TcxDateEditProperties::ImmediatePost, &TcxDateEditProperties::SetImmediatePost)
      .Default(false);
  prop("InputKind", &TcxDateEditProperties::InputKind, &TcxDateEditProperties::SetInputKind)
      .Stored(&TcxDateEditProperties::IsInputKindStored);
  prop("Kind", &TcxDateEditProperties::Kind, &TcxDateEditProperties::SetKind).Default(ckDate);
  prop("MaxDate", &TcxDateEditProperties::MaxDate, &TcxDateEditProperties::SetMaxDate)
      .Stored(&TcxDateEditProperties::IsMaxValueStored);
  prop("MinDate", &TcxDateEditProperties::MinDate, &TcxDateEditProperties::SetMinDate)
      .Stored(&TcxDateEditProperties::IsMinValueStored);
  prop("PostPopupValueOnTab", &TcxDateEditProperties::PostPopupValueOnTab,
       &TcxDateEditProperties::SetPostPopupValueOnTab)
      .Default(false);
  prop("ReadOnly", &TcxDateEditProperties::GetReadOnly, &TcxDateEditProperties::SetReadOnly)
      .Stored(&TcxDateEditProperties::IsReadOnlyStored);
  prop("SaveTime", &TcxDateEditProperties::SaveTime, &TcxDateEditProperties::SetSaveTime).Default(true);
  prop("ShowTime", &TcxDateEditProperties::ShowTime, &TcxDateEditProperties::SetShowTime).Default(true);
  prop("ValidateOnEnter", &TcxDateEditProperties::ValidateOnEnter, &TcxDateEditProperties::SetValidateOnEnter)
      .Default(true);
  prop("YearsInMonthList", &TcxDateEditProperties::YearsInMonthList, &TcxDateEditProperties::SetYearsInMonthList)
      .Default(true);
  event("OnChange", &TcxDateEditProperties::OnChange, &TcxDateEditProperties::OnChange);
  event("OnCloseUp", &TcxDateEditProperties::OnCloseUp, &TcxDateEditProperties::OnCloseUp);
  event("OnEditValueChanged", &TcxDateEditProperties::OnEditValueChanged,
        &TcxDateEditProperties::OnEditValueChanged);
  event("OnInitPopup", &TcxDateEditProperties::OnInitPopup, &TcxDateEditProperties::OnInitPopup);
  event("OnPopup", &TcxDateEditProperties::OnPopup, &TcxDateEditProperties::OnPopup);
  event("OnValidate", &TcxDateEditProperties::OnValidate, &TcxDateEditProperties::OnValidate);
}

TcxCustomDateEditProperties::TcxCustomDateEditProperties(TPersistent* AOwner) : TcxCustomPopupEditProperties(AOwner) {}

void TcxCustomDateEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  BeginUpdate();
  SetCaseInsensitive(true);
  SetImmediateDropDown(false);
  SetPopupSizeable(false);
  EndUpdate(false);
  ApplyMask();
}

void TcxCustomDateEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomDateEditProperties*>(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    if (source) {
      SetArrowsForYear(source->ArrowsForYear());
      if (source->AssignedValues()->DateButtons())
        SetDateButtons(source->DateButtons());
      else
        AssignedValues()->SetDateButtons(false);
      SetDateOnError(source->DateOnError());
      if (source->AssignedValues()->InputKind())
        SetInputKind(source->InputKind());
      else
        AssignedValues()->SetInputKind(false);
      SetKind(source->Kind());
      SetSaveTime(source->SaveTime());
      SetShowTime(source->ShowTime());
      SetYearsInMonthList(source->YearsInMonthList());
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxCustomDateEditProperties::ApplyMask() {
  if (FApplyingMask) return;
  FApplyingMask = true;
  BeginUpdate();
  try {
    TcxFormatController* fc = GetFormatController();
    const bool dt = FKind == ckDateTime;
    switch (InputKind()) {
      case ikStandard:
        SetEditMask(String());
        break;
      case ikMask:
        SetMaskKind(emkStandard);
        SetEditMask(dt ? fc->DateTimeStandardMask() : fc->DateStandardMask());
        break;
      case ikRegExpr:
        SetMaskKind(emkRegExprEx);
        SetEditMask(dt ? fc->DateTimeRegExprMask() : fc->DateRegExprMask());
        break;
    }
  } catch (...) {
    EndUpdate(false);
    FApplyingMask = false;
    throw;
  }
  EndUpdate(false);
  FApplyingMask = false;
}

void TcxCustomDateEditProperties::Changed() {
  if (!IsChangedLocked()) ApplyMask();
  inherited::Changed();
}

TClass TcxCustomDateEditProperties::GetContainerClass() const { return TcxDateEdit::StaticClass(); }
TClass TcxCustomDateEditProperties::GetPopupWindowClass() { return TcxDateEditPopupWindow::StaticClass(); }

TcxMaskEditModeClass TcxCustomDateEditProperties::GetModeClass(TcxEditMaskKind AKind) {
  if (AKind == emkStandard) return TcxMaskEditModeClass::Of<TcxDateEditMaskStandardMode>();
  return inherited::GetModeClass(AKind);
}

// Both bounds when both are set and in order, none when both are set out of order, else the one set.
bool TcxCustomDateEditProperties::HasValueBound(int32_t AWhich) {
  const double lo = MinValue(), hi = MaxValue();
  if (lo != 0 && hi != 0) return hi > lo;
  return AWhich == 0 ? lo != 0 : hi != 0;
}

int32_t TcxCustomDateEditProperties::GetEditValueSource(bool AEditFocused) const {
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider && provider->HasDisplayFormat(!AEditFocused) ? 1 : 0;
}

TDateButtons TcxCustomDateEditProperties::DateButtons() const {
  if (AssignedValues()->DateButtons()) return FDateButtons;
  return FKind == ckDateTime ? TDateButtons{btnClear, btnNow} : TDateButtons{btnClear, btnToday};
}

void TcxCustomDateEditProperties::SetDateButtons(TDateButtons Value) {
  FDateButtons = Value;
  BeginUpdate();
  AssignedValues()->SetDateButtons(true);
  EndUpdate(false);
  Changed();
}

TcxInputKind TcxCustomDateEditProperties::InputKind() const {
  if (AssignedValues()->InputKind()) return FInputKind;
  return FKind == ckDateTime ? ikMask : ikRegExpr;
}

void TcxCustomDateEditProperties::SetInputKind(TcxInputKind Value) {
  FInputKind = Value;
  BeginUpdate();
  AssignedValues()->SetInputKind(true);
  EndUpdate(false);
  Changed();
}

#define DATE_EDIT_SETTER(Name, Type, Field) \
  void TcxCustomDateEditProperties::Set##Name(Type Value) { \
    if (Field == Value) return;                             \
    Field = Value;                                          \
    Changed();                                              \
  }
DATE_EDIT_SETTER(ArrowsForYear, bool, FArrowsForYear)
DATE_EDIT_SETTER(DateOnError, TDateOnError, FDateOnError)
DATE_EDIT_SETTER(Kind, TcxCalendarKind, FKind)
DATE_EDIT_SETTER(SaveTime, bool, FSaveTime)
DATE_EDIT_SETTER(ShowTime, bool, FShowTime)
DATE_EDIT_SETTER(YearsInMonthList, bool, FYearsInMonthList)
#undef DATE_EDIT_SETTER

TDateTime TcxCustomDateEditProperties::TodayOrNow() const { return FKind == ckDate ? ::Date() : Now(); }

String TcxCustomDateEditProperties::GetEmptyText(bool AEditing) {
  if (!AEditing) return String();
  String text = GetBaseEditMask();
  if (FKind == ckDateTime && InputKind() == ikMask && IsMasked()) {
    // The time places read as zeros: the end of day 0 formatted for editing.
    const int32_t n = TcxFormatController::GetItemsWidth(GetFormatController()->TimeItems());
    String zero;
    FormatDateValue(true, true, zero, 0);
    std::u32string t = Utf8ToCodePoints(text), z = Utf8ToCodePoints(zero);
    if (n > 0 && static_cast<int32_t>(t.size()) >= n && static_cast<int32_t>(z.size()) >= n)
      t.replace(t.size() - n, n, z.substr(z.size() - n));
    text = Utf8FromCodePoints(t);
  }
  return text;
}

TDateTime TcxCustomDateEditProperties::TextToDate(const String& AText) {
  if (AText == GetEmptyText(false) || AText == GetEmptyText(true) || Trim(AText).empty()) return NullDate;
  TDateTime d = NullDate;
  TextToDateValue(AText, !GetFormatController()->UsePlatformDateConversion(), d);
  if (d != NullDate) return d;
  return FDateOnError == deToday ? TodayOrNow() : NullDate;
}

String TcxCustomDateEditProperties::DateToText(TDateTime ADate, bool AEditing) {
  String text;
  FormatDateValue(AEditing && InputKind() == ikMask, FKind == ckDateTime, text, ADate);
  return TrimRight(text);
}

bool TcxCustomDateEditProperties::IsEditValueValid(Variant& AEditValue, bool) {
  if (VarIsStr(AEditValue)) {
    try {
      return TextToDate(VarToStr(AEditValue)) != NullDate;
    } catch (const Exception&) {
      return false;
    }
  }
  return DateEditIsBlank(AEditValue) || DateEditVarIsDateOrNumber(AEditValue);
}

bool TcxCustomDateEditProperties::NormalizeEditValue(Variant& AValue, bool AEditFocused) {
  if (InputKind() == ikStandard) {
    TDateTime d = NullDate;
    return ParseDateText(VarToStr(AValue), d) && d != NullDate;
  }
  return inherited::NormalizeEditValue(AValue, AEditFocused);
}

void TcxCustomDateEditProperties::ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                        bool AEditFocused) {
  if (DateEditIsBlank(AEditValue)) {
    ADisplayValue = Variant(GetEmptyText(AEditFocused));
    return;
  }
  TDateTime d = NullDate;
  if (VarIsStr(AEditValue)) {
    TextToDateValue(VarToStr(AEditValue), !GetFormatController()->UsePlatformDateConversion(), d);
    if (d == NullDate) throw EConvertError(TranslateString(cxSDateConvertError));
  } else if (DateEditVarIsDateOrNumber(AEditValue)) {
    d = AEditValue.AsDouble();
  } else {
    throw EConvertError(TranslateString(cxSDateConvertError));
  }
  bool keepTime;
  if (AEditFocused)
    keepTime = FKind == ckDateTime || (FShowTime && TimeOfValue(d) != 0 && InputKind() == ikStandard);
  else
    keepTime = FKind == ckDateTime || FShowTime;
  if (!keepTime) d = DateOfValue(d);
  String text;
  FormatDateValue(AEditFocused && InputKind() == ikMask, FKind == ckDateTime, text, d);
  text = TrimRight(text);
  if (AEditFocused && IsMasked()) {
    TcxCustomMaskEditProperties::ConvertToDisplayValue(Variant(text), ADisplayValue, true);
    return;
  }
  ADisplayValue = Variant(text);
}

void TcxCustomDateEditProperties::CheckDisplayValue(Variant& ADisplayValue, String& AErrorText,
                                                    IcxEditValidationSite* AEdit, bool& AError) {
  auto* edit = AEdit ? dynamic_cast<TcxCustomDateEdit*>(AEdit->GetValidationSender()) : nullptr;
  AErrorText = TranslateString(cxSDateError);
  AError = false;
  bool handlerChangedText = false;
  bool boundsError = false;
  TDateTime d = NullDate;
  const String emptyEditing = GetEmptyText(true);
  try {
    String text = VarToStr(ADisplayValue);
    const bool empty = text == emptyEditing || Trim(text).empty();
    if (!empty && !ParseDateText(text, d)) AError = true;
    TcxCustomEditProperties* own = AEdit ? AEdit->GetOwnProperties() : this;
    TcxCustomEditProperties* item = AEdit ? AEdit->GetRepositoryItemProperties() : nullptr;
    const bool handler = (own && own->OnValidate.Assigned()) || (item && item->OnValidate.Assigned());
    if (handler) {
      if (!AError && !empty) ADisplayValue = Variant(DateToText(d, false));
      const String before = VarToStr(ADisplayValue);
      bool modified = false;
      DoValidate(ADisplayValue, AErrorText, modified, AEdit, AError);
      handlerChangedText = VarToStr(ADisplayValue) != before;
      if (!AError) {
        text = VarToStr(ADisplayValue);
        d = NullDate;
        if (!(text == emptyEditing || Trim(text).empty()) && !ParseDateText(text, d)) AError = true;
      }
    } else if (AError) {
      switch (FDateOnError) {
        case deNoChange: break;
        case deToday:
          d = TodayOrNow();
          AError = false;
          break;
        case deNull:
          d = NullDate;
          AError = false;
          break;
      }
    }
  } catch (const Exception&) {
    AError = true;
  }
  if (!AError) {
    const String text = VarToStr(ADisplayValue);
    const bool empty = text == emptyEditing || Trim(text).empty();
    if (d != NullDate && !(empty && !handlerChangedText && FDateOnError != deToday)) {
      if ((HasValueBound(0) && d < MinDate()) || (HasValueBound(1) && d > MaxDate())) {
        AError = true;
        boundsError = true;
        AErrorText = GetOutOfBoundsErrorText();
      } else {
        if (FKind == ckDate && edit) {
          if (TimeOfValue(d) != 0)
            edit->SetSavedTime(std::fabs(TimeOfValue(d)));
          else if (!FSaveTime)
            edit->SetSavedTime(0);
        }
        // A date-only editor's text holds the day; its kept time of day comes back in the conversion.
        ADisplayValue = Variant(DateToText(FKind == ckDate ? DateOfValue(d) : d, false));
      }
    } else {
      // No date (cleared, or an unparsable text under deNull): no value. Keeping only the saved time
      // would turn a cleared editor into a time on day 0.
      if (edit) edit->SetSavedTime(0);
      ADisplayValue = Variant(emptyEditing);
    }
  }
  if (AError && (boundsError || !handlerChangedText) && edit) {
    Variant previous;
    try {
      ConvertToDisplayValue(edit->EditValue(), previous, true);
    } catch (const Exception&) {
      previous = Variant(String());
    }
    ADisplayValue = previous;
  }
}

// ---- time items of the date-time standard mask -------------------------------------------------------------

bool TcxCustomDateEditProperties::GetTimeItemAt(int32_t APosition, TTimeItem& AItem) {
  AItem = TTimeItem{};
  if (FKind != ckDateTime || InputKind() != ikMask) return false;
  const TcxDateTimeFormatInfo& items = GetFormatController()->DateTimeItems();
  uint8_t kind = 0, style = 0;
  int32_t start = 0, width = 0;
  if (!TcxFormatController::FindItemAtPos(items, APosition, kind, start, width, style)) return false;
  if (kind != 4 && kind != 5 && kind != 6 && kind != 8) return false;
  AItem.Kind = kind;
  AItem.Start = start;
  AItem.Width = width;
  AItem.AmPmStyle = style;
  AItem.NoAmPm = !items.KindPresent[8];
  return true;
}

char32_t TcxCustomDateEditProperties::GetMaskBlankChar(int32_t APosition) {
  TTimeItem item;
  if (!GetTimeItemAt(APosition, item)) return U' ';
  return item.Kind == 8 ? 0 : U'0';
}

bool TcxDateEditMaskStandardMode::PressDelete() {
  auto* edit = dynamic_cast<TcxCustomDateEdit*>(Edit());
  IcxInnerTextEdit* inner = edit ? edit->GetInnerTextEdit() : nullptr;
  if (!inner) return inherited::PressDelete();
  TcxCustomDateEditProperties* properties = edit->ActiveProperties();
  const int32_t start = SelStart(), length = SelLength();
  std::u32string text = Utf8ToCodePoints(EditText());
  const int32_t end = std::min<int32_t>(start + length, static_cast<int32_t>(text.size()));
  if (end <= start) return false;
  std::u32string part = text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
  bool changed = false;
  for (int32_t i = start; i < end; ++i) {
    // The AM/PM marker has no blank: deleting leaves it as it is.
    const char32_t blank = properties->GetMaskBlankChar(i + 1);
    if (IsPlaceAt(i) && blank != 0 && part[static_cast<size_t>(i - start)] != blank) {
      part[static_cast<size_t>(i - start)] = blank;
      changed = true;
    }
  }
  if (changed) {
    SetSelection(start, end - start);
    inner->SetSelText(Utf8FromCodePoints(part));
  }
  SetSelection(start, 0);
  AdjustCursorPosition();
  return false;
}

// ---- the date edit's popup window ---------------------------------------------------------------------------

void TcxDateEditPopupWindow::AfterConstruction() {
  inherited::AfterConstruction();
  SetKeyPreview(true);
}

bool TcxDateEditPopupWindow::IsCalendarKey(uint16_t Key, TShiftState Shift) {
  auto* edit = dynamic_cast<TcxCustomDateEdit*>(OwnerControl());
  TcxPopupCalendar* calendar = edit ? edit->Calendar() : nullptr;
  if (!calendar) return false;
  const bool alt = Shift.Contains(ssAlt);
  if (Key == VK_ESCAPE) {
    // Esc on one of the calendar's buttons or its untouched time editor closes like Esc on the days.
    TWinControl* active = ActiveControl();
    if (!active || active == calendar) return false;
    if (active == calendar->TodayButton() || active == calendar->NowButton() || active == calendar->ClearButton() ||
        active == calendar->OKButton())
      return true;
    if (calendar->TimeEdit() && active == calendar->TimeEdit()->Control()) {
      auto* timeEdit = dynamic_cast<TcxCustomEdit*>(active);
      return !timeEdit || !timeEdit->ModifiedAfterEnter();
    }
    return false;
  }
  return (alt && (Key == VK_UP || Key == VK_DOWN)) || (Key == VK_F4 && !alt);
}

void TcxDateEditPopupWindow::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (IsCalendarKey(Key, Shift)) {
    auto* edit = dynamic_cast<TcxCustomDateEdit*>(OwnerControl());
    edit->Calendar()->HandleKey(Key, Shift);
    Key = 0;
    return;
  }
  inherited::KeyDown(Key, Shift);
}

// ---- the date edit -----------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxDateEdit) {
  prop("AutoSize", &TcxDateEdit::AutoSize, &TcxDateEdit::SetAutoSize).Default(true);
  prop("BeepOnEnter", &TcxDateEdit::BeepOnEnter, &TcxDateEdit::SetBeepOnEnter).Default(true);
  prop("Date", &TcxDateEdit::Date, &TcxDateEdit::SetDate).Stored(false);
  prop("EditValue", &TcxDateEdit::EditValue, &TcxDateEdit::SetEditValue).Stored(&TcxDateEdit::IsEditValueStored);
  prop("Properties", &TcxDateEdit::Properties, &TcxDateEdit::SetProperties);
  prop("Style", &TcxDateEdit::Style, &TcxDateEdit::SetStyle);
  prop("StyleDisabled", &TcxDateEdit::StyleDisabled, &TcxDateEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxDateEdit::StyleFocused, &TcxDateEdit::SetStyleFocused);
  prop("StyleHot", &TcxDateEdit::StyleHot, &TcxDateEdit::SetStyleHot);
  event("OnEditing", &TcxDateEdit::OnEditing, &TcxDateEdit::OnEditing);
}

TcxCustomDateEdit::~TcxCustomDateEdit() = default;

void TcxCustomDateEdit::BeforeDestruction() {
  // The calendar goes with the editor's components, before the popup-controls look-and-feel its buttons
  // follow.
  inherited::BeforeDestruction();
  FCalendar = nullptr;
}

void TcxCustomDateEdit::CreatePopupWindow() {
  inherited::CreatePopupWindow();
  if (PopupWindow()) PopupWindow()->SetIsModal(false);
}

void TcxCustomDateEdit::InitializeEdit() {
  inherited::InitializeEdit();
  SetControlStyle(ControlStyle() - csSetCaption);
  if (FCalendar) return;
  FCalendar = New<TcxPopupCalendar>(this);
  FCalendar->SetEdit(this);
  FCalendar->SetVisible(false);
  FCalendar->OnHidePopup = TNotifyEvent(this, &TcxCustomDateEdit::CalendarHidePopup);
  if (TcxLookAndFeel* laf = PopupControlsLookAndFeel()) {
    for (TcxButton* b : {FCalendar->TodayButton(), FCalendar->NowButton(), FCalendar->ClearButton(),
                         FCalendar->OKButton()})
      b->LookAndFeel()->SetMaster(laf);
    if (TcxCalendarTimeEditor* te = FCalendar->TimeEdit())
      if (auto* timeEdit = dynamic_cast<TcxCustomEdit*>(te->Control())) timeEdit->Style()->LookAndFeel()->SetMaster(laf);
  }
  FDateDropDown = NullDate;
}

TDateTime TcxCustomDateEdit::Date() {
  Variant v = EditValue();
  if (VarIsNull(v) || VarIsEmpty(v)) return NullDate;
  if (DateEditVarIsDateOrNumber(v)) return v.AsDouble();
  if (VarIsStr(v)) {
    Variant value;
    DisplayToEditValue(v, value);
    return VarIsNull(value) ? NullDate : value.AsDouble();
  }
  return NullDate;
}

void TcxCustomDateEdit::SetDate(TDateTime Value) {
  if (Value == NullDate) {
    ApplyEditValue(Null());
    return;
  }
  TcxCustomDateEditProperties* properties = ActiveProperties();
  if (properties->Kind() == ckDate) {
    if (!properties->SaveTime())
      Value = DateOfValue(Value);
    else if (TimeOfValue(Value) == 0)
      Value = DateEditWithTime(Value, FSavedTime);
  }
  ApplyEditValue(VarFromDateTime(Value));
}

void TcxCustomDateEdit::ClearEditValue() { SetDate(NullDate); }

String TcxCustomDateEdit::ReadText() { return DisplayText(); }

bool TcxCustomDateEdit::WriteText(const String& AText) { return TrySetDisplayText(AText); }

void TcxCustomDateEdit::AssignEditValue(const Variant& Value) {
  if (!IsEditDestroying() && ActiveProperties()->Kind() == ckDate) {
    double saved = 0;
    if (ActiveProperties()->SaveTime()) {
      if (DateEditVarIsDateOrNumber(Value)) {
        saved = std::fabs(TimeOfValue(Value.AsDouble()));
      } else if (VarIsStr(Value)) {
        TDateTime d = NullDate;
        if (ParseDateText(VarToStr(Value), d) && d != NullDate) saved = std::fabs(TimeOfValue(d));
      }
    }
    FSavedTime = saved;
  }
  inherited::AssignEditValue(Value);
}

void TcxCustomDateEdit::ClampToValueBounds() {
  TDateTime d = Date();
  if (d == NullDate) return;
  TcxCustomDateEditProperties* properties = ActiveProperties();
  bool saved = KeyboardAction();
  SetKeyboardAction(ModifiedAfterEnter());
  try {
    if (properties->HasValueBound(0) && d < properties->MinDate())
      SetDate(properties->MinDate());
    else if (properties->HasValueBound(1) && d > properties->MaxDate())
      SetDate(properties->MaxDate());
  } catch (...) {
    SetKeyboardAction(saved);
    throw;
  }
  SetKeyboardAction(saved);
}

void TcxCustomDateEdit::DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
  TcxCustomDateEditProperties* properties = ActiveProperties();
  TDateTime d = properties->TextToDate(VarToStr(ADisplayValue));
  if (d == NullDate) {
    AEditValue = Null();
    return;
  }
  if (properties->Kind() == ckDate && properties->SaveTime()) d = DateEditWithTime(d, FSavedTime);
  AEditValue = GetFormatController()->UsePlatformDateConversion() ? Variant(d) : VarFromDateTime(d);
}

// Typing into the time places of a date-time mask: a digit must leave its two-digit part within the
// part's range, and the AM/PM place takes only the characters of the regional markers.
bool TcxCustomDateEdit::GetFlag233(char32_t& AChar, int32_t APosition) {
  TcxCustomDateEditProperties::TTimeItem item;
  if (!ActiveProperties()->GetTimeItemAt(APosition, item)) return true;
  std::u32string text = Utf8ToCodePoints(InnerText());
  if (item.Kind == 8) {
    const TFormatSettings& fs = FormatSettings();
    const std::u32string am = Utf8ToCodePoints(Utf8UpperCase(fs.TimeAMString)),
                         pm = Utf8ToCodePoints(Utf8UpperCase(fs.TimePMString));
    const size_t at = static_cast<size_t>(APosition - item.Start);
    const char32_t c = Utf8ToCodePoints(Utf8UpperCase(Utf8FromCodePoints(std::u32string(1, AChar))))[0];
    return (at < am.size() && am[at] == c) || (at < pm.size() && pm[at] == c);
  }
  if (AChar < U'0' || AChar > U'9' || item.Width != 2) return false;
  const int32_t first = item.Start - 1;
  if (first < 0 || first + 1 >= static_cast<int32_t>(text.size())) return true;
  auto digit = [](char32_t c) { return c >= U'0' && c <= U'9' ? static_cast<int32_t>(c - U'0') : 0; };
  int32_t hi = digit(text[first]), lo = digit(text[first + 1]);
  if (APosition == item.Start)
    hi = digit(AChar);
  else
    lo = digit(AChar);
  const int32_t value = hi * 10 + lo;
  if (item.Kind == 4) {
    const bool twelve = !item.NoAmPm;
    return twelve ? value <= 12 : value <= 23;
  }
  return value <= 59;
}

void TcxCustomDateEdit::DropDown() {
  if (FCalendar && ActiveProperties()->PopupControl() != FCalendar) ActiveProperties()->SetPopupControl(FCalendar);
  inherited::DropDown();
}

void TcxCustomDateEdit::SetupPopupWindow() {
  inherited::SetupPopupWindow();
  TcxCustomDateEditProperties* properties = ActiveProperties();
  TcxPopupCalendar* c = FCalendar;
  c->HandleNeeded();
  c->SetColor(Style()->Color());
  c->SetFlat(!PopupControlsLookAndFeel() || PopupControlsLookAndFeel()->Kind() != lfStandard);
  c->SetCalendarButtons(properties->DateButtons());
  c->OnDateTimeChanged = nullptr;
  TDateTime d;
  if (Focused() && ModifiedAfterEnter()) {
    Variant v;
    DisplayToEditValue(Variant(DisplayText()), v);
    d = VarIsNull(v) ? NullDate : v.AsDouble();
  } else {
    d = Date();
  }
  FDateDropDown = d;
  if (d == NullDate) d = ::Date();
  if (properties->Kind() == ckDateTime && c->TimeEdit()) c->TimeEdit()->SetTime(std::fabs(TimeOfValue(d)));
  c->Clock()->SetTime(std::fabs(TimeOfValue(d)));
  c->SetFirstDate(d);
  c->SetSelectDate(d);
  c->Font()->Assign(Style()->Font());
  c->Font()->SetColor(clBtnText);
  c->SetArrowsForYear(properties->ArrowsForYear());
  c->SetKind(properties->Kind());
  c->SetYearsInMonthList(properties->YearsInMonthList());
  c->Recalculate();
  c->OnDateTimeChanged = TNotifyEvent(this, &TcxCustomDateEdit::DateChanged);
}

void TcxCustomDateEdit::DateChanged(TObject*) {
  TcxCustomDateEditProperties* properties = ActiveProperties();
  TDateTime p = FCalendar->SelectDate();
  if (p != NullDate) {
    if (properties->Kind() == ckDateTime) {
      double t = FCalendar->TimeEdit() ? std::fabs(TimeOfValue(FCalendar->TimeEdit()->Time()))
                                       : FCalendar->Clock()->Time();
      p = DateEditWithTime(p, t);
    } else if (properties->SaveTime() && FDateDropDown != NullDate) {
      p = DateEditWithTime(p, std::fabs(TimeOfValue(FDateDropDown)));
    }
  }
  if (Date() == p) {
    Variant shown;
    properties->ConvertToDisplayValue(p == NullDate ? Null() : VarFromDateTime(p), shown, true);
    if (DisplayText() == VarToStr(shown)) return;
  }
  if (!DoEditing()) return;
  TObjectLink<TcxCustomDateEdit> alive(this);
  SetEditValue(p == NullDate ? Null() : VarFromDateTime(p));
  if (!alive) return;
  SelectAll();
  SetModifiedAfterEnter(true);
}

void TcxCustomDateEdit::CalendarHidePopup(TObject*) {
  if (PopupWindow() && PopupWindow()->HandleAllocated()) PostCloseUp(PopupWindow());
}

void TcxCustomDateEdit::PopupWindowClosed(TObject* Sender) {
  inherited::PopupWindowClosed(Sender);
  if (FCalendar) FCalendar->MouseLeave();
}

void TcxCustomDateEdit::PopupWindowShowed(TObject* Sender) {
  inherited::PopupWindowShowed(Sender);
  if (!FCalendar) return;
  FCalendar->Recalculate();
  FCalendar->UpdateHotTrack();
}

void cxDateEditInitialize() {
  cxMaskEditInitialize();
  GetRegisteredEditProperties()->Register(TcxDateEditProperties::StaticClass(), cxSEditRepositoryDateItem);
  RegisterClasses({TcxDateEdit::StaticClass(), TcxCalendar::StaticClass()});
}
