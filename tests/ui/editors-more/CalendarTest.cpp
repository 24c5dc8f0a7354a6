// The calendar, its clock and its month list on the headless screen with real messages and a fixed clock
// (5 February 2008, a Tuesday, 10:30): the first shown day per locale, keys, mouse, wheel, the buttons,
// the measures of the layout, the year bounds, the clock's hands and pictures of both kinds.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/Clock.h"
#include "rtl/Files.h"
#include "rtl/SysUtils.h"
#include "rtl/FormatSettings.h"
#include "rtl/Math.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxCalendar.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxFormats.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"

namespace calendar_test {

inline uint32_t Rgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}
inline std::array<long, 4> R4(const RECT& r) { return {long(r.left), long(r.top), long(r.right), long(r.bottom)}; }

// A time editor stand-in: a plain edit holding "hh:mm:ss", so that the date-time layout has an editor to
// place; the real one comes with the time edit unit.
class CalendarFakeTimeEditor : public TcxCalendarTimeEditor {
public:
  CalendarFakeTimeEditor(TcxCustomCalendar* ACalendar, TNotifyEvent AOnChange) : FOnChange(AOnChange) {
    FEdit = New<TEdit>(ACalendar);
    FEdit->SetBounds(0, 0, 70, 21);
  }
  TWinControl* Control() override { return FEdit; }
  TDateTime Time() override { return FTime; }
  void SetTime(TDateTime Value) override { FTime = Value; }
  int32_t ContentWidth() override { return 60; }
  void ChangeByUser(TDateTime Value) {
    FTime = Value;
    if (FOnChange) FOnChange(nullptr);
  }
  TEdit* FEdit;
  TDateTime FTime = 0;
  TNotifyEvent FOnChange;
};

class CalendarTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    static const std::pair<int, COLORREF> colors[] = {
        {COLOR_BTNFACE, RGB(212, 208, 200)},  {COLOR_WINDOW, RGB(255, 255, 255)},  {COLOR_HIGHLIGHT, RGB(10, 36, 106)},
        {COLOR_BTNSHADOW, RGB(128, 128, 128)}, {COLOR_BTNTEXT, RGB(0, 0, 0)},      {COLOR_BTNHIGHLIGHT, RGB(250, 250, 250)},
        {COLOR_3DDKSHADOW, RGB(64, 64, 64)},  {COLOR_3DLIGHT, RGB(230, 226, 220)}, {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
        {COLOR_GRAYTEXT, RGB(120, 120, 120)}, {COLOR_HOTLIGHT, RGB(0, 102, 204)},
    };
    for (auto [index, color] : colors) SetSysColors(1, &index, &color);
    Clock().SetNow(EncodeDate(2008, 2, 5) + EncodeTime(10, 30, 0, 0));
    UseLocale(TFormatSettings::Russian());
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 600, 420);
    Form->SetColor(clBtnFace);
    Edit = New<TEdit>(Form);
    Edit->SetBounds(400, 350, 100, 21);
    Edit->SetParent(Form);
    Form->Show();
    Idle();
  }
  void TearDown() override {
    SetCalendarTimeEditorFactory(nullptr);
    DoneForms();
    cxContainerFinalize();
    cxControlsFinalize();
    cxEditFinalize();
    DoneEditPaintUtils();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    winapi::SetThemeActive(false);
    UseLocale(TFormatSettings::Russian());
    headless::Shutdown();
  }
  static TTestClock& Clock() { return dynamic_cast<TTestClock&>(CurrentClock()); }
  static void UseLocale(const TFormatSettings& fs) {
    SetFormatSettings(fs);
    GetFormatController()->FormatSettingsChanged();
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  TcxCalendar* MakeCalendar(TcxCalendarKind AKind = ckDate) {
    Calendar = New<TcxCalendar>(Form);
    Calendar->SetLeft(10);
    Calendar->SetTop(10);
    Calendar->SetKind(AKind);
    Calendar->SetParent(Form);
    Calendar->OnDateTimeChanged = TNotifyEvent([this](TObject*) { ++Chosen; });
    Idle();
    return Calendar;
  }
  POINT Screen(int x, int y) { return Calendar->ClientToScreen(POINT{x, y}); }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  void MoveTo(POINT client) {
    POINT p = Screen(client.x, client.y);
    headless::MouseMove(p.x, p.y);
    Idle();
  }
  void ClickAt(POINT client) {
    MoveTo(client);
    headless::MouseDown();
    Idle();
    headless::MouseUp();
    Idle();
  }
  void Key(int vk, const std::vector<int>& mods = {}) {
    for (int m : mods) headless::KeyDown(m);
    headless::KeyPress(vk);
    for (int m : mods) headless::KeyUp(m);
    Idle();
  }
  // The cell showing a date in the current grid.
  POINT CellOf(TDateTime ADate) {
    int n = static_cast<int>(ADate - Calendar->GetFirstShownDate());
    return Centre(Calendar->DayCellRect(n / 7, n % 7));
  }
  uint32_t Pixel(int x, int y) { return headless::Pixel(Calendar->Handle(), x, y); }
  bool ControlStyleHasDoubleClicks() const { return Calendar->ControlStyle().Contains(csDoubleClicks); }
  static String DateText(TDateTime d) { return d == NullDate ? String("null") : FormatDateTime("yyyy-mm-dd", d); }

  TForm* Form = nullptr;
  TEdit* Edit = nullptr;
  TcxCalendar* Calendar = nullptr;
  int Chosen = 0;
};

// ---- dates -----------------------------------------------------------------------------------------------

TEST_F(CalendarTest, FirstShownDayFollowsTheLocalesFirstWeekDay) {
  struct Case {
    bool mondayFirst;
    int year, month;
    int firstShown[3];  // y, m, d
  } cases[] = {
      {true, 2008, 2, {2008, 1, 28}},   // starts on Friday
      {false, 2008, 2, {2008, 1, 27}},  //
      {true, 2008, 9, {2008, 8, 25}},   // starts on Monday: a whole week of August first
      {false, 2008, 9, {2008, 8, 31}},  //
      {false, 2008, 6, {2008, 5, 25}},  // starts on Sunday, Sunday first
      {true, 2008, 6, {2008, 5, 26}},   //
  };
  MakeCalendar();
  for (const Case& c : cases) {
    UseLocale(c.mondayFirst ? TFormatSettings::Russian() : TFormatSettings::English());
    Calendar->SetFirstDate(EncodeDate(c.year, c.month, 17));
    SCOPED_TRACE(String(c.mondayFirst ? "Monday first " : "Sunday first ") + DateText(Calendar->FirstDate()));
    EXPECT_EQ(DateText(Calendar->FirstDate()), DateText(EncodeDate(c.year, c.month, 1)));
    TDateTime first = EncodeDate(c.firstShown[0], c.firstShown[1], c.firstShown[2]);
    EXPECT_EQ(DateText(Calendar->GetFirstShownDate()), DateText(first));
    EXPECT_EQ(DateText(Calendar->GetLastShownDate()), DateText(first + 41));
    EXPECT_EQ(TcxCustomCalendar::ColOfDate(first), 0);
    // The grid shows the same days under the pointer.
    Calendar->Repaint();
    EXPECT_EQ(DateText(Calendar->GetDateAtPos(Centre(Calendar->DayCellRect(0, 0)))), DateText(first));
    EXPECT_EQ(DateText(Calendar->GetDateAtPos(Centre(Calendar->DayCellRect(5, 6)))), DateText(first + 41));
  }
  // Outside the grid there is no date.
  EXPECT_EQ(Calendar->GetDateAtPos(Centre(Calendar->Region(crHeader))), NullDate);
  EXPECT_EQ(Calendar->GetDateAtPos(POINT{-3, 40}), NullDate);
}

TEST_F(CalendarTest, SelectingByCodeShowsTheDatesMonth) {
  MakeCalendar();
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-02-05");
  // 1 March 2008 is in February's grid (Monday first: up to 9 March): February stays.
  Calendar->SetSelectDate(EncodeDate(2008, 3, 1));
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-02-01");
  // Far ahead: that month.
  Calendar->SetSelectDate(EncodeDate(2008, 7, 20));
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-07-01");
  // The first days of a month before the grid: the previous month shows, where the date is visible.
  Calendar->SetSelectDate(EncodeDate(2008, 5, 2));
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-04-01");
  EXPECT_LE(Calendar->GetFirstShownDate(), EncodeDate(2008, 5, 2));
  EXPECT_GE(Calendar->GetLastShownDate(), EncodeDate(2008, 5, 2));
  // The null date moves nothing.
  Calendar->SetSelectDate(NullDate);
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-04-01");
}

// ---- keys ------------------------------------------------------------------------------------------------

TEST_F(CalendarTest, KeyboardNavigationTable) {
  struct Case {
    const char* from;
    int vk;
    std::vector<int> mods;
    const char* to;
  } cases[] = {
      {"2008-02-05", VK_LEFT, {}, "2008-02-04"},
      {"2008-02-05", VK_RIGHT, {}, "2008-02-06"},
      {"2008-02-05", VK_UP, {}, "2008-01-29"},
      {"2008-02-05", VK_DOWN, {}, "2008-02-12"},
      {"2008-02-05", VK_DOWN, {VK_MENU}, "2008-02-05"},  // Alt+Down belongs to the date editor
      {"2008-01-31", VK_NEXT, {}, "2008-02-29"},         // day clamped to February
      {"2008-03-31", VK_PRIOR, {}, "2008-02-29"},
      {"2008-02-05", VK_HOME, {}, "2008-02-04"},  // Monday first
      {"2008-02-05", VK_END, {}, "2008-02-10"},
      {"2008-02-05", VK_HOME, {VK_CONTROL}, "2008-02-01"},
      {"2008-02-05", VK_END, {VK_CONTROL}, "2008-02-29"},
      {"2008-02-05", VK_END, {VK_CONTROL, VK_SHIFT}, "2008-02-10"},  // Ctrl not alone: the week's end
      {"2008-12-31", VK_RIGHT, {}, "2009-01-01"},
  };
  MakeCalendar();
  Calendar->SetFocus();
  Idle();
  ASSERT_TRUE(Calendar->Focused());
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.from) + " key " + IntToStr(c.vk));
    Calendar->SetSelectDate(StrToDate(c.from, [] {
      TFormatSettings fs = TFormatSettings::Russian();
      fs.ShortDateFormat = "yyyy-mm-dd";
      fs.DateSeparator = '-';
      return fs;
    }()));
    Key(c.vk, c.mods);
    EXPECT_EQ(DateText(Calendar->SelectDate()), c.to);
    // The selected day is always on the grid.
    EXPECT_LE(Calendar->GetFirstShownDate(), DateOfValue(Calendar->SelectDate()));
    EXPECT_GE(Calendar->GetLastShownDate(), DateOfValue(Calendar->SelectDate()));
  }
  // Sunday first: the week runs Sunday to Saturday.
  UseLocale(TFormatSettings::English());
  Calendar->SetSelectDate(EncodeDate(2008, 2, 5));
  Key(VK_HOME);
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-02-03");
  Key(VK_END);
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-02-09");
  // Without a selection the keys start from today.
  Calendar->SetSelectDate(NullDate);
  Key(VK_RIGHT);
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-02-06");
}

// ---- mouse -----------------------------------------------------------------------------------------------

TEST_F(CalendarTest, ClickOnADayChoosesIt) {
  MakeCalendar();
  ClickAt(CellOf(EncodeDate(2008, 2, 14)));
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-02-14");
  EXPECT_EQ(Chosen, 1);
  // Dragging with the button held follows the pointer without moving the month; the release chooses.
  MoveTo(CellOf(EncodeDate(2008, 2, 20)));
  headless::MouseDown();
  Idle();
  MoveTo(CellOf(EncodeDate(2008, 3, 2)));
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-03-02");
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-02-01");
  headless::MouseUp();
  Idle();
  EXPECT_EQ(Chosen, 2);
  // A release on the header chooses nothing.
  ClickAt(Centre(Calendar->Region(crHeader)));
  EXPECT_EQ(Chosen, 2);
}

TEST_F(CalendarTest, ArrowsChangeMonthAndYearAndRepeatWhileHeld) {
  MakeCalendar();
  struct Case {
    TcxCalendarRegion arrow;
    const char* shown;
  } cases[] = {
      {crPrevMonth, "2008-01-01"}, {crNextMonth, "2008-02-01"}, {crPrevYear, "2007-02-01"}, {crNextYear, "2008-02-01"}};
  for (const Case& c : cases) {
    ClickAt(Centre(Calendar->Region(c.arrow)));
    EXPECT_EQ(DateText(Calendar->FirstDate()), c.shown);
  }
  EXPECT_EQ(Chosen, 0);
  // Held down, the arrow repeats every 200 ms until the release.
  MoveTo(Centre(Calendar->Region(crNextMonth)));
  headless::MouseDown();
  Idle();
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-03-01");
  EXPECT_TRUE(Calendar->ArrowTimer()->Enabled());
  headless::AdvanceClock(610);
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-06-01");
  headless::MouseUp();
  Idle();
  EXPECT_FALSE(Calendar->ArrowTimer()->Enabled());
  headless::AdvanceClock(1000);
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-06-01");
  EXPECT_EQ(Chosen, 0);
  // Without year arrows there are two arrows and one caption.
  Calendar->SetArrowsForYear(false);
  EXPECT_EQ(Calendar->ArrowCount(), 2);
  ClickAt(Centre(Calendar->Region(crNextMonth)));
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-07-01");
}

TEST_F(CalendarTest, MonthCaptionOpensTheMonthListWithYears) {
  MakeCalendar();
  TMonthListBox* list = Calendar->MonthList();
  MoveTo(Centre(Calendar->MonthCaption()));
  headless::MouseDown();
  Idle();
  ASSERT_TRUE(IsPopupWindowShown(list));
  EXPECT_TRUE(list->ShowYears());
  EXPECT_EQ(list->RowCount(), 7);
  EXPECT_EQ(list->TopMonth(), 2007 * 12 + 10);  // November 2007
  EXPECT_EQ(list->ItemIndex(), 3);
  EXPECT_EQ(list->RowText(3), "Февраль 2008");
  EXPECT_EQ(list->ItemHeight(), Calendar->HeaderHeight() - 2);
  EXPECT_EQ(list->Width(), 6 * Calendar->ColWidth() + 2);
  EXPECT_EQ(list->Height(), 7 * list->ItemHeight() + 2);
  // Centred on the month caption.
  RECT mc = Calendar->MonthCaption();
  POINT c = Screen((mc.left + mc.right) / 2, (mc.top + mc.bottom) / 2);
  EXPECT_NEAR(list->Left() + list->Width() / 2, c.x, 1);
  EXPECT_NEAR(list->Top() + list->Height() / 2, c.y, 1);
  // The row under the pointer lights up; the release takes its month.
  POINT row5 = list->ClientToScreen(POINT{list->Width() / 2, 1 + 5 * list->ItemHeight() + list->ItemHeight() / 2});
  headless::MouseMove(row5.x, row5.y);
  Idle();
  EXPECT_EQ(list->ItemIndex(), 5);
  EXPECT_EQ(headless::Pixel(list->Handle(), list->Width() / 2 - 40, row5.y - list->Top()), Rgb(clWindowText));
  headless::MouseUp();
  Idle();
  EXPECT_FALSE(IsPopupWindowShown(list));
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-04-01");
  EXPECT_EQ(Chosen, 0);
}

TEST_F(CalendarTest, MonthListScrollsFasterFartherAway) {
  MakeCalendar();
  TMonthListBox* list = Calendar->MonthList();
  MoveTo(Centre(Calendar->MonthCaption()));
  headless::MouseDown();
  Idle();
  ASSERT_TRUE(IsPopupWindowShown(list));
  const int h = list->ItemHeight();
  struct Case {
    int dy;  // below the list's bottom (negative: above its top)
    int interval;
  } cases[] = {{2, 500}, {h + 2, 250}, {2 * h + 2, 100}, {5 * h, 50}, {-2, 500}, {-(3 * h + 2), 50}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.dy);
    POINT p = k.dy > 0 ? list->ClientToScreen(POINT{list->Width() / 2, list->Height() - 1 + k.dy})
                       : list->ClientToScreen(POINT{list->Width() / 2, 1 + k.dy - 1});
    headless::MouseMove(p.x, p.y);
    Idle();
    EXPECT_TRUE(list->ScrollTimerRunning());
    EXPECT_EQ(list->ScrollInterval(), k.interval);
  }
  // Below by one row: one month per 250 ms.
  POINT below = list->ClientToScreen(POINT{list->Width() / 2, list->Height() - 1 + h + 2});
  headless::MouseMove(below.x, below.y);
  Idle();
  int top = list->TopMonth();
  headless::AdvanceClock(760);
  EXPECT_EQ(list->TopMonth(), top + 3);
  // Back inside the timer stops; off to the side nothing is lit.
  POINT inside = list->ClientToScreen(POINT{list->Width() / 2, 1 + h / 2});
  headless::MouseMove(inside.x, inside.y);
  Idle();
  EXPECT_FALSE(list->ScrollTimerRunning());
  EXPECT_EQ(list->ItemIndex(), 0);
  POINT aside = list->ClientToScreen(POINT{list->Width() + 20, 1 + h / 2});
  headless::MouseMove(aside.x, aside.y);
  Idle();
  EXPECT_EQ(list->ItemIndex(), -1);
  // Released with nothing lit: the list closes and the month stays.
  headless::MouseUp();
  Idle();
  EXPECT_FALSE(IsPopupWindowShown(list));
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-02-01");
}

TEST_F(CalendarTest, TwelveMonthListTakesAClick) {
  MakeCalendar();
  Calendar->SetYearsInMonthList(false);
  TMonthListBox* list = Calendar->MonthList();
  ClickAt(Centre(Calendar->MonthCaption()));
  ASSERT_TRUE(IsPopupWindowShown(list));
  EXPECT_FALSE(list->ShowYears());
  EXPECT_EQ(list->RowCount(), 12);
  EXPECT_EQ(list->RowText(0), "Январь");
  EXPECT_EQ(list->Height(), 12 * list->ItemHeight() + 2);
  POINT march = list->ClientToScreen(POINT{list->Width() / 2, 1 + 2 * list->ItemHeight() + 2});
  headless::Click(march.x, march.y);
  Idle();
  EXPECT_FALSE(IsPopupWindowShown(list));
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-03-01");
}

TEST_F(CalendarTest, WheelOverTheCaptions) {
  MakeCalendar();
  Calendar->SetFocus();
  Idle();
  struct Case {
    bool year;
    int delta;
    const char* shown;
  } cases[] = {{false, 120, "2008-01-01"}, {false, -120, "2008-02-01"}, {true, 120, "2007-02-01"},
               {true, -120, "2008-02-01"}, {true, -120, "2009-02-01"}};
  for (const Case& c : cases) {
    MoveTo(Centre(c.year ? Calendar->YearCaption() : Calendar->MonthCaption()));
    headless::Wheel(c.delta);
    Idle();
    EXPECT_EQ(DateText(Calendar->FirstDate()), c.shown);
  }
  // Over the days the wheel does nothing.
  MoveTo(CellOf(EncodeDate(2009, 2, 10)));
  headless::Wheel(120);
  Idle();
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2009-02-01");
}

TEST_F(CalendarTest, CaptionUnderThePointerIsHot) {
  MakeCalendar();
  // Pixels of the hot-light colour inside a caption: the caption's text is painted hot.
  auto hotPixels = [this](const RECT& r) {
    Calendar->Repaint();
    Idle();
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += Pixel(x, y) == 0x0066CCu;
    return n;
  };
  EXPECT_EQ(hotPixels(Calendar->YearCaption()), 0);
  MoveTo(Centre(Calendar->YearCaption()));
  EXPECT_EQ(Calendar->HotRegion(), chrYearCaption);
  EXPECT_GT(hotPixels(Calendar->YearCaption()), 0);
  EXPECT_EQ(hotPixels(Calendar->MonthCaption()), 0);
  MoveTo(Centre(Calendar->MonthCaption()));
  EXPECT_EQ(Calendar->HotRegion(), chrMonthCaption);
  EXPECT_GT(hotPixels(Calendar->MonthCaption()), 0);
  MoveTo(CellOf(EncodeDate(2008, 2, 10)));
  EXPECT_EQ(Calendar->HotRegion(), chrNone);
  // Leaving the calendar leaves nothing hot.
  MoveTo(Centre(Calendar->MonthCaption()));
  headless::MouseMove(700, 500);
  Idle();
  headless::AdvanceClock(50);
  EXPECT_EQ(Calendar->HotRegion(), chrNone);
}

TEST_F(CalendarTest, FontChangeMeasuresAgain) {
  MakeCalendar();
  const int w = Calendar->Width(), h = Calendar->Height();
  Calendar->Font()->SetSize(12);
  Idle();
  EXPECT_EQ(Calendar->ButtonTopGap(), 6);
  EXPECT_GT(Calendar->Width(), w);
  EXPECT_GT(Calendar->Height(), h);
  TCanvas* canvas = Calendar->Canvas();
  canvas->Font()->Assign(Calendar->Font());
  EXPECT_EQ(Calendar->ColWidth(), 3 * canvas->TextWidth("0"));
  EXPECT_EQ(Calendar->ButtonAreaHeight(), MulDiv(12, 3, 4) + Calendar->ButtonHeight() + 6);
}

// ---- buttons ---------------------------------------------------------------------------------------------

TEST_F(CalendarTest, TodayAndClearButtons) {
  MakeCalendar();
  EXPECT_TRUE(Calendar->TodayButton()->Visible());
  EXPECT_TRUE(Calendar->ClearButton()->Visible());
  EXPECT_FALSE(Calendar->NowButton()->Visible());
  EXPECT_FALSE(Calendar->OKButton()->Visible());
  EXPECT_EQ(Calendar->TodayButton()->Caption(), "Сегодня");
  EXPECT_FALSE(Calendar->TodayButton()->TabStop());
  EXPECT_TRUE(Calendar->Keys().Contains(ckTab));
  EXPECT_FALSE(ControlStyleHasDoubleClicks());
  EXPECT_EQ(Calendar->ClearButton()->Caption(), "Сброс");
  Calendar->SetSelectDate(EncodeDate(2010, 6, 1));
  headless::ClickWindow(Calendar->ClearButton()->Handle());
  Idle();
  EXPECT_EQ(Calendar->SelectDate(), NullDate);
  EXPECT_EQ(Chosen, 1);
  headless::ClickWindow(Calendar->TodayButton()->Handle());
  Idle();
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-02-05");
  // Coming from a later month, the date lies before the grid: the month before it shows, where the 5th
  // is still visible (January's grid runs to 10 February).
  EXPECT_EQ(DateText(Calendar->FirstDate()), "2008-01-01");
  EXPECT_EQ(Chosen, 2);
  // Only Today: one button, centred.
  Calendar->SetCalendarButtons(TDateButtons{btnToday});
  EXPECT_FALSE(Calendar->ClearButton()->Visible());
  RECT b = Calendar->TodayButton()->BoundsRect();
  EXPECT_NEAR(b.left, Calendar->Width() - b.right, 1);
}

TEST_F(CalendarTest, DateTimeButtonsUseTheClock) {
  MakeCalendar(ckDateTime);
  Calendar->SetColor(clWindow);
  Calendar->SetCalendarButtons(TDateButtons{btnNow, btnClear, btnToday});
  EXPECT_TRUE(Calendar->NowButton()->Visible());
  EXPECT_TRUE(Calendar->OKButton()->Visible());
  EXPECT_TRUE(Calendar->Clock()->Visible());
  EXPECT_EQ(Calendar->NowButton()->Caption(), "Сейчас");
  EXPECT_EQ(Calendar->OKButton()->Caption(), "ОК");
  // The buttons take Tab in the date-time kind (the calendar leaves it to them); the date kind keeps it.
  EXPECT_TRUE(Calendar->NowButton()->TabStop());
  EXPECT_EQ(Calendar->OKButton()->TabOrder(), 4);
  EXPECT_FALSE(Calendar->Keys().Contains(ckTab));
  EXPECT_TRUE(ControlStyleHasDoubleClicks());
  headless::ClickWindow(Calendar->NowButton()->Handle());
  Idle();
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", Calendar->SelectDate()), "2008-02-05 10:30");
  EXPECT_EQ(FormatDateTime("hh:nn", Calendar->Clock()->Time()), "10:30");
  EXPECT_EQ(Chosen, 1);
  // OK: the selected day plus the clock's time.
  Calendar->SetSelectDate(EncodeDate(2008, 2, 20));
  headless::ClickWindow(Calendar->OKButton()->Handle());
  Idle();
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", Calendar->SelectDate()), "2008-02-20 10:30");
  EXPECT_EQ(Chosen, 2);
  // A click on a day only selects it; a double click chooses it.
  ClickAt(CellOf(EncodeDate(2008, 2, 12)));
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-02-12");
  EXPECT_EQ(Chosen, 2);
  POINT cell = CellOf(EncodeDate(2008, 2, 13));
  headless::DoubleClickAt(Calendar->Handle(), cell.x, cell.y);
  Idle();
  EXPECT_EQ(DateText(Calendar->SelectDate()), "2008-02-13");
  EXPECT_EQ(Chosen, 3);
}

TEST_F(CalendarTest, TimeEditorHookFeedsTheClock) {
  CalendarFakeTimeEditor* editor = nullptr;
  SetCalendarTimeEditorFactory([&](TcxCustomCalendar* c, TNotifyEvent onChange) {
    editor = new CalendarFakeTimeEditor(c, onChange);
    return editor;
  });
  MakeCalendar(ckDateTime);
  ASSERT_TRUE(editor);
  EXPECT_EQ(Calendar->TimeEdit(), editor);
  EXPECT_EQ(editor->FEdit->Parent(), Calendar);
  editor->ChangeByUser(EncodeTime(15, 45, 0, 0));
  EXPECT_EQ(FormatDateTime("hh:nn", Calendar->Clock()->Time()), "15:45");
  // The editor stands centred under the clock, above the button area.
  RECT clock = Calendar->Clock()->BoundsRect(), te = editor->FEdit->BoundsRect();
  EXPECT_NEAR((te.left + te.right) / 2, (clock.left + clock.right) / 2, 1);
  EXPECT_EQ(te.bottom, Calendar->ButtonArea().top - Calendar->GetTimeAreaGap());
  EXPECT_EQ(te.right - te.left, 60 + Calendar->Canvas()->TextWidth("0"));
  EXPECT_TRUE(editor->FEdit->TabStop());
  EXPECT_EQ(editor->FEdit->TabOrder(), 0);
}

// ---- layout ----------------------------------------------------------------------------------------------

TEST_F(CalendarTest, LayoutMeasuresTable) {
  MakeCalendar();
  TCanvas* canvas = Calendar->Canvas();
  canvas->Font()->Assign(Calendar->Font());
  const int w0 = canvas->TextWidth("0"), h0 = canvas->TextHeight("0"), size = Calendar->Font()->Size();
  ASSERT_EQ(size, 8);
  const int bh = MulDiv(canvas->TextHeight("Wg"), 20, 13) + 1;
  const int m = MulDiv(size, 3, 4);
  struct Case {
    const char* name;
    TcxCalendarKind kind;
    TcxLookAndFeelKind look;
    bool flat;
    TDateButtons buttons;
  } cases[] = {
      {"date", ckDate, lfUltraFlat, true, {btnClear, btnToday}},
      {"date, no buttons", ckDate, lfUltraFlat, true, {}},
      {"date, office11", ckDate, lfOffice11, true, {btnClear, btnToday}},
      {"date, not flat", ckDate, lfStandard, false, {btnToday}},
      {"date-time", ckDateTime, lfUltraFlat, true, {btnNow, btnClear}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Calendar->LookAndFeel()->SetKind(c.look);
    Calendar->SetFlat(c.flat);
    Calendar->SetKind(c.kind);
    Calendar->SetCalendarButtons(c.buttons);
    Calendar->Recalculate();
    const bool dt = c.kind == ckDateTime, o11 = c.look == lfOffice11 && !dt;
    EXPECT_EQ(Calendar->ColWidth(), 3 * w0);
    EXPECT_EQ(Calendar->SideWidth(), 2 * w0);
    EXPECT_EQ(Calendar->RowHeight(), h0 + 2);
    EXPECT_EQ(Calendar->HeaderHeight(), h0 + 5 - (o11 ? 1 : 0));
    EXPECT_EQ(Calendar->DaysOfWeekHeight(), h0 + 3);
    EXPECT_EQ(Calendar->DateRegionWidth(), 7 * 3 * w0 + 2 * 2 * w0);
    EXPECT_EQ(Calendar->ButtonTopGap(), 4);
    EXPECT_EQ(Calendar->ButtonHeight(), bh);
    const int area = dt ? MulDiv(size, 5, 4) + 1 + (MulDiv(size, 5, 4) % 2) + bh : m + bh + 4;
    EXPECT_EQ(Calendar->ButtonAreaHeight(), area);
    const bool row = dt || c.buttons.Contains(btnToday) || c.buttons.Contains(btnClear);
    int h = (h0 + 3) + 6 * (h0 + 2) + Calendar->HeaderHeight() + 1 + (row ? area : 0) +
            (dt ? m + Calendar->HeaderHeight() + size / 2 : 1) + (o11 ? 2 : 0);
    EXPECT_EQ(Calendar->Height(), h);
    const int drw = Calendar->DateRegionWidth();
    if (!dt) {
      EXPECT_EQ(Calendar->Width(), drw);
    } else {
      const int g = (area - bh - 1) / 2;
      EXPECT_EQ(Calendar->ClockSize(), h - Calendar->HeaderHeight() - m - area - 3 * g);
      EXPECT_EQ(Calendar->Width(), 2 * m + drw + 3 * w0 + 2 * g + Calendar->ClockSize());
      RECT clock = Calendar->Clock()->BoundsRect();
      EXPECT_EQ(clock.right, Calendar->Width() - m - g);
      EXPECT_EQ(clock.top, Calendar->HeaderHeight() + m + g);
      // Now and Clear: the last ends 10 pixels from the right, the other 10 pixels before it.
      RECT clear = Calendar->ClearButton()->BoundsRect(), now = Calendar->NowButton()->BoundsRect(),
           ok = Calendar->OKButton()->BoundsRect();
      EXPECT_EQ(ok.right, Calendar->Width() - MulDiv(size, 5, 4));
      EXPECT_EQ(now.left, MulDiv(size, 5, 4));
      EXPECT_GT(clear.left, now.right);
      EXPECT_GT(ok.left, clear.right);
      EXPECT_EQ(clear.left - now.right, ok.left - clear.right);
    }
    // Arrows: column width less 2 wide, against the edges of the date region.
    const int a = dt ? 1 : (c.flat ? 0 : 1), li = o11 ? 2 : 0;
    RECT prev = Calendar->Region(crPrevMonth), last = Calendar->Region(crNextYear);
    const int dx = dt ? m : 0;
    EXPECT_EQ(prev.right - prev.left, 3 * w0 - 2);
    EXPECT_EQ(prev.bottom - prev.top, Calendar->HeaderHeight() - 1 - a);
    EXPECT_EQ(prev.left, dx + li + a);
    EXPECT_EQ(last.right, dx + drw - li - a);
    RECT next = Calendar->Region(crNextMonth), prevYear = Calendar->Region(crPrevYear);
    EXPECT_EQ(prevYear.left, next.right);
    EXPECT_EQ(Calendar->MonthCaption().left, prev.right);
    EXPECT_EQ(Calendar->MonthCaption().right, next.left);
    EXPECT_EQ(Calendar->YearCaption().left, prevYear.right);
    EXPECT_EQ(Calendar->YearCaption().right, last.left);
    // Setting a size by hand does not change it.
    int w = Calendar->Width();
    Calendar->SetBounds(10, 10, 500, 500);
    EXPECT_EQ(Calendar->Width(), w);
  }
}

TEST_F(CalendarTest, LayoutOfTheDefaultFontPinned) {
  // The numbers the default font (size 8: "0" 7 by 13 pixels) gives, per kind: a change of the font or of
  // the measuring shows here.
  struct Row {
    TcxCalendarKind kind;
    int col, row, header, buttonHeight, area, width, height;
  } rows[] = {
      {ckDate, 21, 15, 18, 21, 31, 175, 157},
      {ckDateTime, 21, 15, 18, 21, 32, 332, 185},  // without a time editor the clock takes 114 pixels
  };
  MakeCalendar();
  for (const Row& r : rows) {
    Calendar->SetKind(r.kind);
    SCOPED_TRACE(int(r.kind));
    EXPECT_EQ(Calendar->ColWidth(), r.col);
    EXPECT_EQ(Calendar->RowHeight(), r.row);
    EXPECT_EQ(Calendar->HeaderHeight(), r.header);
    EXPECT_EQ(Calendar->ButtonHeight(), r.buttonHeight);
    EXPECT_EQ(Calendar->ButtonAreaHeight(), r.area);
    EXPECT_EQ(Calendar->Width(), r.width);
    EXPECT_EQ(Calendar->Height(), r.height);
  }
}

TEST_F(CalendarTest, DateButtonsSplitTheWidthInThreeGaps) {
  MakeCalendar();
  RECT today = Calendar->TodayButton()->BoundsRect(), clear = Calendar->ClearButton()->BoundsRect();
  const int bw = Calendar->ButtonWidth() + 1;
  EXPECT_EQ(today.right - today.left, bw);
  EXPECT_EQ(clear.right - clear.left, bw);
  const int gap = (Calendar->DateRegionWidth() - 2 * bw) / 3;
  EXPECT_EQ(today.left, gap);
  EXPECT_EQ(clear.right, Calendar->DateRegionWidth() - gap);
  EXPECT_GE(today.top, Calendar->ButtonArea().top);
  EXPECT_LE(today.bottom, Calendar->ButtonArea().bottom);
}

// ---- the year bounds -------------------------------------------------------------------------------------

TEST_F(CalendarTest, YearOneAndYear9999AreTheBounds) {
  MakeCalendar();
  // Selecting the first day of year 1 shows January of year 1, not a month of year 0.
  Calendar->SetSelectDate(EncodeDate(1, 1, 1));
  EXPECT_EQ(Calendar->FirstDate(), EncodeDate(1, 1, 1));
  Calendar->Repaint();
  for (int action : {0, 2}) {
    Calendar->ChangeMonthOrYear(action);
    EXPECT_EQ(Calendar->FirstDate(), EncodeDate(1, 1, 1));
  }
  ClickAt(Centre(Calendar->Region(crPrevYear)));
  EXPECT_EQ(Calendar->FirstDate(), EncodeDate(1, 1, 1));
  // Cells before 1 January of year 1 are blank and take no click.
  EXPECT_EQ(Calendar->GetDateAtPos(Centre(Calendar->DayCellRect(0, 0))), NullDate);
  ClickAt(Centre(Calendar->DayCellRect(0, 0)));
  EXPECT_EQ(Calendar->SelectDate(), EncodeDate(1, 1, 1));
  Calendar->SetFocus();
  Idle();
  Key(VK_LEFT);
  Key(VK_PRIOR);
  EXPECT_EQ(Calendar->SelectDate(), EncodeDate(1, 1, 1));
  // The month list starts at January of year 1 and keeps the shown month lit.
  MoveTo(Centre(Calendar->MonthCaption()));
  headless::MouseDown();
  Idle();
  ASSERT_TRUE(IsPopupWindowShown(Calendar->MonthList()));
  EXPECT_EQ(Calendar->MonthList()->TopMonth(), cxMinCalendarMonth);
  EXPECT_EQ(Calendar->MonthList()->ItemIndex(), 0);
  EXPECT_EQ(Calendar->MonthList()->RowText(0), "Январь 1");
  headless::MouseUp();
  Idle();
  EXPECT_EQ(Calendar->FirstDate(), EncodeDate(1, 1, 1));
  // The other end: December 9999.
  Calendar->SetSelectDate(EncodeDate(9999, 12, 31));
  EXPECT_EQ(Calendar->FirstDate(), EncodeDate(9999, 12, 1));
  Calendar->Repaint();
  for (int action : {1, 3}) {
    Calendar->ChangeMonthOrYear(action);
    EXPECT_EQ(Calendar->FirstDate(), EncodeDate(9999, 12, 1));
  }
  Key(VK_RIGHT);
  Key(VK_NEXT);
  EXPECT_EQ(Calendar->SelectDate(), EncodeDate(9999, 12, 31));
  EXPECT_EQ(Calendar->GetDateAtPos(Centre(Calendar->DayCellRect(5, 6))), NullDate);
}

// ---- painting --------------------------------------------------------------------------------------------

TEST_F(CalendarTest, SelectionAndTodayColours) {
  MakeCalendar();
  Calendar->LookAndFeel()->SetKind(lfUltraFlat);
  Calendar->SetSelectDate(EncodeDate(2008, 2, 14));
  Calendar->Repaint();
  Idle();
  TcxCustomLookAndFeelPainterClass painter = Calendar->LookAndFeel()->GetPainterClass();
  POINT sel = CellOf(EncodeDate(2008, 2, 14));
  RECT selCell = Calendar->DayCellRect((sel.y - Calendar->DayCellRect(0, 0).top) / Calendar->RowHeight(),
                                       (sel.x - Calendar->DayCellRect(0, 0).left) / Calendar->ColWidth());
  EXPECT_EQ(Pixel(selCell.left + 1, selCell.top + 1), Rgb(painter->DefaultDateNavigatorSelectionColor()));
  // Today's cell: the dark red frame, the calendar colour inside.
  POINT today = CellOf(EncodeDate(2008, 2, 5));
  RECT t = Calendar->DayCellRect((today.y - Calendar->DayCellRect(0, 0).top) / Calendar->RowHeight(),
                                 (today.x - Calendar->DayCellRect(0, 0).left) / Calendar->ColWidth());
  EXPECT_EQ(Pixel(t.left, t.top), 0x800000u);
  EXPECT_EQ(Pixel(t.right - 1, t.bottom - 1), 0x800000u);
  EXPECT_EQ(Pixel(t.left + 1, t.top + 1), Rgb(Calendar->Color()));
  // With nothing selected today carries both the selection and the frame.
  Calendar->SetSelectDate(NullDate);
  Calendar->Repaint();
  Idle();
  EXPECT_EQ(Pixel(t.left, t.top), 0x800000u);
  EXPECT_EQ(Pixel(t.left + 1, t.top + 1), Rgb(painter->DefaultDateNavigatorSelectionColor()));
  // The line under the day names and the line over the buttons.
  RECT dr = Calendar->Region(crDateRegion);
  EXPECT_EQ(Pixel(dr.left + Calendar->SideWidth() + 2, dr.top + Calendar->RowHeight() - 1), 0x808080u);
  EXPECT_EQ(Pixel(5, Calendar->ButtonArea().top), 0x808080u);
}

// ---- the clock -------------------------------------------------------------------------------------------

TEST_F(CalendarTest, ClockHandsGeometry) {
  MakeCalendar();
  TcxClock* clock = New<TcxClock>(Form);
  clock->SetBounds(300, 20, 104, 104);
  clock->SetParent(Form);
  Idle();
  const int cx = 52, cy = 52;
  const double r = 50;  // 104 / 2 - 2
  struct Case {
    int h, m, s;
    TcxClockHand hand;
    POINT tip;
  } cases[] = {
      {3, 0, 0, chHour, {cx + 38, cy}},   // 0.75 * 50 = 37.5, rounded away from the centre
      {9, 0, 0, chHour, {cx - 38, cy}},   //
      {12, 0, 0, chHour, {cx, cy - 38}},  //
      {6, 0, 0, chHour, {cx, cy + 38}},   //
      {0, 15, 0, chMinute, {cx + 43, cy}},
      {0, 45, 0, chMinute, {cx - 43, cy}},
      {0, 0, 0, chMinute, {cx, cy - 43}},
      {0, 0, 30, chSecond, {cx, cy + 45}},
      {0, 0, 45, chSecond, {cx - 45, cy}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(IntToStr(c.h) + ":" + IntToStr(c.m) + ":" + IntToStr(c.s));
    clock->SetTime(EncodeTime(c.h % 24, c.m, c.s, 0));
    std::vector<POINT> pts = clock->HandPoints(c.hand);
    EXPECT_EQ(pts[c.hand == chSecond ? 1 : 0].x, c.tip.x);
    EXPECT_EQ(pts[c.hand == chSecond ? 1 : 0].y, c.tip.y);
  }
  // The hour hand at 3:00: tail 0.15 r behind the centre, 4.5 pixels to each side.
  clock->SetTime(EncodeTime(3, 0, 0, 0));
  std::vector<POINT> hour = clock->HandPoints(chHour);
  EXPECT_EQ(hour[2].x, cx - static_cast<int>(std::lround(0.15 * r)));
  EXPECT_EQ(hour[1].y - cy, 5);  // 4.5 rounded away from the centre on both sides
  EXPECT_EQ(hour[3].y - cy, -5);
  // Only the time of day is kept.
  clock->SetTime(EncodeDate(2008, 2, 5) + EncodeTime(3, 0, 0, 0));
  EXPECT_EQ(FormatDateTime("hh:nn", clock->Time()), "03:00");
  EXPECT_LT(clock->Time(), 1.0);
  // Painted: teal on the hour hand, red on the second hand, the marks at 12 and 3.
  clock->SetTime(EncodeTime(3, 0, 30, 0));
  clock->Repaint();
  Idle();
  HWND h = clock->Handle();
  EXPECT_EQ(headless::Pixel(h, cx + 20, cy), 0x008080u);
  EXPECT_EQ(headless::Pixel(h, cx, cy + 30), 0xFF0000u);
  POINT twelve = clock->MarkCentre(45), three = clock->MarkCentre(0);
  EXPECT_EQ(twelve.x, cx);
  EXPECT_EQ(twelve.y, cy - 50);
  EXPECT_EQ(headless::Pixel(h, three.x, three.y), 0x008080u);
  EXPECT_EQ(headless::Pixel(h, twelve.x - 1, twelve.y - 1), 0x00FFFFu);
  EXPECT_EQ(headless::Pixel(h, twelve.x + 1, twelve.y + 1), 0x000000u);
  EXPECT_EQ(headless::Pixel(h, 10, 10), Rgb(clWindow));
}

// ---- pictures --------------------------------------------------------------------------------------------

TEST_F(CalendarTest, PicturesOfBothKinds) {
  const char* dir = std::getenv("VORN_ARTIFACT_DIR");
#ifdef VORN_ARTIFACT_DIR
  if (!dir) dir = VORN_ARTIFACT_DIR;
#endif
  if (!dir) GTEST_SKIP();
  ForceDirectories(dir);
  // As the date editor shows it: in the editor's colour.
  MakeCalendar();
  Calendar->SetColor(clWindow);
  Calendar->SetSelectDate(EncodeDate(2008, 2, 14));
  Calendar->Repaint();
  Idle();
  EXPECT_TRUE(headless::SavePng(Calendar->Handle(), (String(dir) + "/calendar-date.png").c_str()));
  // The month list over the month caption, the pointer two rows below the shown month.
  MoveTo(Centre(Calendar->MonthCaption()));
  headless::MouseDown();
  Idle();
  TMonthListBox* list = Calendar->MonthList();
  POINT row5 = list->ClientToScreen(POINT{list->Width() / 2, 1 + 5 * list->ItemHeight() + 2});
  headless::MouseMove(row5.x, row5.y);
  Idle();
  EXPECT_TRUE(headless::SavePng(nullptr, (String(dir) + "/calendar-monthlist-screen.png").c_str()));
  headless::MouseUp();
  Idle();
  SetCalendarTimeEditorFactory([](TcxCustomCalendar* c, TNotifyEvent onChange) {
    auto* e = new CalendarFakeTimeEditor(c, onChange);
    e->FEdit->SetText("10:30:00");
    return e;
  });
  Calendar->Free();
  MakeCalendar(ckDateTime);
  Calendar->SetColor(clWindow);
  Calendar->SetCalendarButtons(TDateButtons{btnNow, btnClear});
  Calendar->Clock()->SetTime(EncodeTime(10, 30, 0, 0));
  static_cast<CalendarFakeTimeEditor*>(Calendar->TimeEdit())->SetTime(EncodeTime(10, 30, 0, 0));
  Calendar->SetSelectDate(EncodeDate(2008, 2, 14));
  Calendar->Repaint();
  Idle();
  EXPECT_TRUE(headless::SavePng(Calendar->Handle(), (String(dir) + "/calendar-datetime.png").c_str()));
  // The other looks: raised frames when not flat, the Office11 header.
  Calendar->Free();
  SetCalendarTimeEditorFactory(nullptr);
  MakeCalendar();
  Calendar->SetColor(clWindow);
  Calendar->SetFlat(false);
  Calendar->LookAndFeel()->SetKind(lfStandard);
  Calendar->SetSelectDate(EncodeDate(2008, 2, 14));
  Calendar->Repaint();
  Idle();
  EXPECT_TRUE(headless::SavePng(Calendar->Handle(), (String(dir) + "/calendar-date-standard.png").c_str()));
  Calendar->SetFlat(true);
  Calendar->LookAndFeel()->SetKind(lfOffice11);
  Calendar->Recalculate();
  Calendar->Repaint();
  Idle();
  EXPECT_TRUE(headless::SavePng(Calendar->Handle(), (String(dir) + "/calendar-date-office11.png").c_str()));
}

}  // namespace calendar_test
