#pragma once
// The month calendar a date editor drops down, the analog clock it shows for dates with a time of day, and
// the small month chooser that opens over its month caption. Everything is measured from the calendar's
// font; "today" and "now" come from the installed clock, so tests pin them.
//
// The date editor itself follows the calendar: a popup edit whose popup control is its own calendar, with
// the text typed through a date mask of the regional settings (or freely) and turned into a date by the
// smart date parsing.

#include <cstdint>
#include <functional>

#include "forms/Controls.h"
#include "forms/Graphics.h"
#include "rtl/DateTime.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/editors/cxButtons.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxDateUtils.h"
#include "ui/editors/cxPopupEdit.h"

enum TcxCalendarKind : uint8_t { ckDate, ckDateTime };
RTL_ENUM(TcxCalendarKind, ckDate, ckDateTime)
enum TDateButton : uint8_t { btnClear, btnNow, btnToday };
RTL_ENUM(TDateButton, btnClear, btnNow, btnToday)
using TDateButtons = Set<TDateButton>;

class TcxCustomCalendar;

// Dates the calendar can show and select: the first and the last day the date routines can encode.
constexpr TDateTime cxMinCalendarDate = -693593.0;  // 1 January of year 1
constexpr TDateTime cxMaxCalendarDate = 2958465.0;  // 31 December 9999

// ---- the clock -------------------------------------------------------------------------------------------

// Which hand of the clock.
enum TcxClockHand : uint8_t { chHour, chMinute, chSecond };

class TcxClock : public TcxControl {
  RTL_CLASS(TcxClock, TcxControl)
  RTL_PUBLISHED_DECL
public:
  explicit TcxClock(TComponent* AOwner);
  void AfterConstruction() override;

  TColor MinuteDotColor() const { return FMinuteDotColor; }
  void SetMinuteDotColor(TColor Value);
  // Only the time of day is kept.
  TDateTime Time() const { return FTime; }
  void SetTime(TDateTime Value);

  // The hand as drawn for the current time and size: the hour and minute hands as a quadrilateral (tip,
  // one side, tail, other side), the second hand as its two end points.
  std::vector<POINT> HandPoints(TcxClockHand AHand) const;
  // Centre of the 3x3 mark of minute position i (0 at three o'clock, clockwise).
  POINT MarkCentre(int32_t AMinute) const;
  bool HasScrollBars() const override { return false; }

protected:
  void Paint() override;

private:
  void HandAngle(TcxClockHand AHand, double& AAngle) const;
  TColor FMinuteDotColor = clWindow;
  TDateTime FTime = 0;
};

// ---- the month list --------------------------------------------------------------------------------------

class TMonthListBox : public TcxCustomPopupWindow {
  RTL_CLASS(TMonthListBox, TcxCustomPopupWindow)
public:
  using VirtualCtorArg = TControl*;
  explicit TMonthListBox(TControl* AOwnerControl);
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TcxCustomCalendar* Calendar() const;
  // Shown rows: 7 months with their years, or the 12 month names of the shown year.
  bool ShowYears() const { return FShowYears; }
  int32_t RowCount() const { return FShowYears ? 7 : 12; }
  // First month shown, counted as year * 12 + month - 1.
  int32_t TopMonth() const { return FTopMonth; }
  int32_t ItemIndex() const { return FItemIndex; }
  int32_t ItemHeight() const { return FItemHeight; }
  bool ScrollTimerRunning() const { return FTimer->Enabled(); }
  int32_t ScrollInterval() const { return FTimer->Interval(); }
  // The text of a row, blank for a month outside the years the calendar can show.
  String RowText(int32_t ARow) const;

  // Opens centred on the calendar's month caption.
  void PopupFromCalendar();
  void CloseUp(bool AAskCloseQuery = false) override;
  void CalculatePosition(POINT& P) override;
  void DoShowed() override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

private:
  void SetItemIndex(int32_t Value);
  void SetTopMonth(int32_t Value);
  void DoTimer(TObject* Sender);
  void Measure();
  int32_t FTopMonth = 0;
  int32_t FItemIndex = -1;
  int32_t FItemHeight = 0;
  int32_t FScrollSign = 0;
  TcxTimer* FTimer = nullptr;
  POINT FOrigin{0, 0};
  bool FShowYears = true;
  bool FClosing = false;
};

// ---- the time editor hook --------------------------------------------------------------------------------

// The time editor a date-time calendar shows under its clock. The calendar reaches it only through this
// adapter so that it does not depend on the time edit unit; that unit installs a factory with
// SetCalendarTimeEditorFactory. Without a factory the calendar has no time editor: the clock alone holds
// the time of day and the layout gives the editor no room.
class TcxCalendarTimeEditor {
public:
  virtual ~TcxCalendarTimeEditor() = default;
  // The editor's control, owned by the calendar (made with the calendar as owner).
  virtual TWinControl* Control() = 0;
  virtual TDateTime Time() = 0;
  virtual void SetTime(TDateTime Value) = 0;
  // The width its text takes (the calendar adds the width of "0").
  virtual int32_t ContentWidth() = 0;
};
// AOnChange is to be fired whenever the user changes the editor's time.
using TcxCalendarTimeEditorFactory =
    std::function<TcxCalendarTimeEditor*(TcxCustomCalendar* ACalendar, TNotifyEvent AOnChange)>;
void SetCalendarTimeEditorFactory(TcxCalendarTimeEditorFactory AFactory);

// ---- the calendar ----------------------------------------------------------------------------------------

// Regions of the calendar, in the order of its rectangles.
enum TcxCalendarRegion : uint8_t {
  crPrevMonth, crNextMonth, crPrevYear, crNextYear, crDateRegion, crTimeText, crHeader
};
// Hot-track regions.
enum TcxCalendarHotRegion : uint8_t { chrNone, chrMonthCaption, chrYearCaption };

class TcxCustomCalendar : public TcxControl, public IcxMouseTrackingCaller {
  RTL_CLASS(TcxCustomCalendar, TcxControl)
  RTL_INTERFACES(IcxMouseTrackingCaller)
public:
  explicit TcxCustomCalendar(TComponent* AOwner);
  ~TcxCustomCalendar() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;

  bool ArrowsForYear() const { return FArrowsForYear; }
  void SetArrowsForYear(bool Value);
  TDateButtons CalendarButtons() const { return FCalendarButtons; }
  void SetCalendarButtons(TDateButtons Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  TcxCalendarKind Kind() const { return FKind; }
  void SetKind(TcxCalendarKind Value);
  bool YearsInMonthList() const { return FYearsInMonthList; }
  void SetYearsInMonthList(bool Value) { FYearsInMonthList = Value; }
  TDateTime FirstDate() const { return FFirstDate; }
  TDateTime SelectDate() const { return FSelectDate; }

  TcxButton* ClearButton() const { return FClearButton; }
  TcxButton* NowButton() const { return FNowButton; }
  TcxButton* OKButton() const { return FOKButton; }
  TcxButton* TodayButton() const { return FTodayButton; }
  TcxClock* Clock() const { return FClock; }
  TMonthListBox* MonthList() const { return FMonthList; }
  // nullptr unless a time editor factory is installed.
  TcxCalendarTimeEditor* TimeEdit() const { return FTimeEdit; }
  TcxTimer* ArrowTimer() const { return FTimer; }

  // Layout measures, valid once measured.
  int32_t ColWidth() const { return FColWidth; }
  int32_t SideWidth() const { return FSideWidth; }
  int32_t RowHeight() const { return FRowHeight; }
  int32_t HeaderHeight() const { return FHeaderHeight; }
  int32_t DaysOfWeekHeight() const { return FDaysOfWeekHeight; }
  int32_t DateRegionWidth() const { return FDateRegionWidth; }
  int32_t ButtonWidth() const { return FButtonWidth; }
  int32_t ButtonHeight() const { return FButtonHeight; }
  int32_t ButtonTopGap() const { return FButtonTopGap; }
  int32_t ButtonAreaHeight() const { return FButtonAreaHeight; }
  int32_t ClockSize() const { return FClockSize; }
  int32_t ArrowCount() const { return FArrowCount; }
  RECT Region(TcxCalendarRegion ARegion) const { return FRects[ARegion]; }
  RECT MonthCaption() const { return FMonthRect; }
  RECT YearCaption() const { return FYearRect; }
  RECT ButtonArea() const { return FButtonArea; }
  // The rectangle of the day cell in grid row 0..5, column 0..6.
  RECT DayCellRect(int32_t ARow, int32_t ACol) const;
  TcxCalendarHotRegion HotRegion() const { return FHotRegion; }
  // The column (0..6) a date takes in a week that starts on the locale's first day.
  static int32_t ColOfDate(TDateTime ADate);

  // Previous month (0), next month (1), previous year (2), next year (3); the month stays within year
  // 1 .. 9999.
  void ChangeMonthOrYear(int32_t AAction);
  // Measures and places everything (only once the window exists).
  void Recalculate() { CalculateLayout(); }

  // ---- new virtual operations ----
  virtual void CalculateLayout();
  virtual void UpdateHotTrack();
  virtual int32_t GetTimeAreaGap();
  virtual TDateTime GetLastDate();
  virtual int32_t GetTimeAreaMargins();
  virtual TDateTime GetFirstShownDate();
  virtual TDateTime GetLastShownDate();
  virtual SIZE CalculateSize();
  virtual void StopTracking();
  virtual TDateTime GetDateAtPos(POINT P);
  virtual void SetFirstDate(TDateTime Value);
  virtual void SetSelectDate(TDateTime Value);
  // Makes the time editor (through the installed factory); nullptr leaves the calendar without one.
  virtual TcxCalendarTimeEditor* CreateTimeEditor();

  // The date the user chose: a click or a double click on a day, or one of the buttons.
  TNotifyEvent OnDateTimeChanged;

  // IcxMouseTrackingCaller; the calendar's lifetime is its owner's, so the interface counts nothing.
  void MouseLeave() override;
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  bool ErasesBackground() override;
  void AttachScrollBars() override;
  bool HasScrollBars() const override { return false; }
  void FontChanged() override;
  void MouseEnter(TControl* AControl) override;
  void MouseLeave(TControl* AControl) override;

protected:
  void Paint() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) override;
  void DoDateTimeChanged();
  bool IsOffice11() const;
  bool IsNative() const;
  TColor HeaderColor() const;

private:
  void ButtonClick(TObject* Sender);
  void TimeChanged(TObject* Sender);
  void ArrowTimerTick(TObject* Sender);
  int32_t ArrowAt(POINT P) const;  // the arrow's action, or -1
  bool InMonthCaptionForList(POINT P) const;
  TcxCalendarHotRegion CaptionAt(POINT P) const;
  void SetHotRegion(TcxCalendarHotRegion Value);
  void ArrangeButtons();
  void CalculateRects();
  void UpdateTabStops();
  TDateTime CurrentTime();
  TDateTime KeyBase() const;
  void MoveSelection(TDateTime ADate);
  bool HasButtonRow() const;
  int32_t FontSize() const;
  void PaintTimeText(TcxCanvas* ACanvas);
  void PaintHeader(TcxCanvas* ACanvas);
  void PaintDayNames(TcxCanvas* ACanvas);
  void PaintDays(TcxCanvas* ACanvas);
  void PaintButtonArea(TcxCanvas* ACanvas);

  bool FArrowsForYear = true;
  TDateButtons FCalendarButtons;
  TcxButton* FClearButton = nullptr;
  TcxButton* FNowButton = nullptr;
  TcxButton* FOKButton = nullptr;
  TcxButton* FTodayButton = nullptr;
  TcxClock* FClock = nullptr;
  int32_t FClockSize = 0;
  int32_t FColWidth = 0, FSideWidth = 0, FRowHeight = 0, FHeaderHeight = 0, FDaysOfWeekHeight = 0;
  int32_t FDateRegionWidth = 0;
  int32_t FButtonWidth = 0, FButtonHeight = 0, FButtonTopGap = 0, FButtonAreaHeight = 0;
  int32_t FTimeEditHeight = 0, FTimeEditWidth = 0, FMargin = 0, FGap = 0, FClockAreaWidth = 0;
  TDateTime FFirstDate = 0;
  bool FFlat = true;
  TcxCalendarHotRegion FHotRegion = chrNone;
  TcxCalendarKind FKind = ckDate;
  TMonthListBox* FMonthList = nullptr;
  TDateTime FSelectDate = 0;
  TcxCalendarTimeEditor* FTimeEdit = nullptr;
  TcxTimer* FTimer = nullptr;
  RECT FRects[7]{};
  int32_t FArrowCount = 4;
  RECT FMonthRect{}, FYearRect{}, FButtonArea{};
  bool FYearsInMonthList = true;
  bool FMeasured = false;
  SIZE FCalcSize{20, 20};
};

class TcxCalendar : public TcxCustomCalendar {
  RTL_CLASS(TcxCalendar, TcxCustomCalendar)
public:
  explicit TcxCalendar(TComponent* AOwner) : TcxCustomCalendar(AOwner) {}
};

// The month (year * 12 + month - 1) of a date, and the first day of such a month.
int32_t cxMonthOfDate(TDateTime ADate);
TDateTime cxFirstDayOfMonth(int32_t AMonth);
// Lowest and highest month index the calendar shows (January of year 1, December of 9999).
constexpr int32_t cxMinCalendarMonth = 12;
constexpr int32_t cxMaxCalendarMonth = 9999 * 12 + 11;

// ---- the date editor -------------------------------------------------------------------------------------

class TcxCustomDateEdit;

// What a typed text that is no date becomes.
enum TDateOnError : uint8_t { deNoChange, deToday, deNull };
RTL_ENUM(TDateOnError, deNoChange, deToday, deNull)
// How the text is typed: freely, through the regional standard mask, or through the regional
// regular-expression mask (which also takes the smart date keywords).
enum TcxInputKind : uint8_t { ikStandard, ikMask, ikRegExpr };
RTL_ENUM(TcxInputKind, ikStandard, ikMask, ikRegExpr)


// The calendar inside a date editor's popup: it knows its editor and asks to be closed.
class TcxPopupCalendar : public TcxCustomCalendar {
  RTL_CLASS(TcxPopupCalendar, TcxCustomCalendar)
public:
  explicit TcxPopupCalendar(TComponent* AOwner) : TcxCustomCalendar(AOwner) {}

  TcxCustomDateEdit* Edit() const { return FEdit; }
  void SetEdit(TcxCustomDateEdit* Value) { FEdit = Value; }
  void UpdateHotTrack() override;
  void StopTracking() override;
  // The date edit's popup window passes these keys on even while another control of the calendar has the
  // focus.
  void HandleKey(uint16_t& Key, TShiftState Shift) { KeyDown(Key, Shift); }

  // The popup is to close (without choosing).
  TNotifyEvent OnHidePopup;

protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

private:
  void HidePopup();
  TcxCustomDateEdit* FEdit = nullptr;
};

// Which of the settings that default by Kind were set explicitly.
class TcxDateEditPropertiesValues : public TcxTextEditPropertiesValues {
  RTL_CLASS(TcxDateEditPropertiesValues, TcxTextEditPropertiesValues)
  RTL_PUBLISHED_DECL
public:
  using TcxTextEditPropertiesValues::TcxTextEditPropertiesValues;
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;

  bool DateButtons() const { return FDateButtons; }
  void SetDateButtons(bool Value);
  bool InputKind() const { return FInputKind; }
  void SetInputKind(bool Value);

private:
  bool FDateButtons = false;
  bool FInputKind = false;
};

class TcxCustomDateEditProperties : public TcxCustomPopupEditProperties {
  RTL_CLASS(TcxCustomDateEditProperties, TcxCustomPopupEditProperties)
public:
  explicit TcxCustomDateEditProperties(TPersistent* AOwner);
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;
  void Changed() override;

  // ---- new virtual operations ----
  // The blank character of a 1-based mask position: "0" on hours, minutes and seconds, none (0) on the
  // AM/PM marker, a space elsewhere.
  virtual char32_t GetMaskBlankChar(int32_t APosition);
  // The time item of a date-time standard mask under a 1-based position.
  struct TTimeItem {
    uint8_t Kind = 0;  // 4 hour, 5 minute, 6 second, 8 AM/PM
    int32_t Start = 0;
    int32_t Width = 0;
    uint8_t AmPmStyle = 0;
    bool NoAmPm = true;
  };
  virtual bool GetTimeItemAt(int32_t APosition, TTimeItem& AItem);

  // ---- overrides ----
  TClass GetAssignedValuesClass() const override { return TcxDateEditPropertiesValues::StaticClass(); }
  uint8_t GetDisplayFormatOptions() const override { return cxEditDisplayFormatApplies | cxEditDisplayFormatWhileEditing; }
  TClass GetContainerClass() const override;
  TClass GetPopupWindowClass() override;
  bool PostsPopupValueItself() override { return true; }
  bool IsPopupShrinkable() override { return false; }
  bool SupportsValueBounds() override { return true; }
  bool HasValueBound(int32_t AWhich) override;
  bool HasValueBounds() override { return HasValueBound(0) || HasValueBound(1); }
  int32_t GetEditValueSource(bool AEditFocused) const override;
  void DisplayFormatChanged() override { Changed(); }
  TcxMaskEditModeClass GetModeClass(TcxEditMaskKind AKind) override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  bool NormalizeEditValue(Variant& AValue, bool AEditFocused) override;
  void ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                         bool& AError) override;

  // ---- conversions ----
  // The text of no date: the mask's blank text (for editing a date-time standard mask, with zeros in the
  // time places); an unfocused editor shows nothing.
  String GetEmptyText(bool AEditing);
  // A text as a date: Null for the empty texts, for a text that is no date NullDate unless DateOnError
  // makes it today.
  TDateTime TextToDate(const String& AText);
  // The text a date is shown with (editing or not), without the mask's formatting.
  String DateToText(TDateTime ADate, bool AEditing);

  // ---- properties ----
  TcxDateEditPropertiesValues* AssignedValues() const {
    return static_cast<TcxDateEditPropertiesValues*>(TcxCustomEditProperties::AssignedValues());
  }
  void SetAssignedValues(TcxDateEditPropertiesValues* Value) { TcxCustomEditProperties::SetAssignedValues(Value); }
  bool ArrowsForYear() const { return FArrowsForYear; }
  void SetArrowsForYear(bool Value);
  TDateButtons DateButtons() const;
  void SetDateButtons(TDateButtons Value);
  bool IsDateButtonsStored() const { return AssignedValues()->DateButtons(); }
  TDateOnError DateOnError() const { return FDateOnError; }
  void SetDateOnError(TDateOnError Value);
  TcxInputKind InputKind() const;
  void SetInputKind(TcxInputKind Value);
  bool IsInputKindStored() const { return AssignedValues()->InputKind(); }
  TcxCalendarKind Kind() const { return FKind; }
  void SetKind(TcxCalendarKind Value);
  bool SaveTime() const { return FSaveTime; }
  void SetSaveTime(bool Value);
  bool ShowTime() const { return FShowTime; }
  void SetShowTime(bool Value);
  bool YearsInMonthList() const { return FYearsInMonthList; }
  void SetYearsInMonthList(bool Value);
  TDateTime MinDate() { return MinValue(); }
  void SetMinDate(TDateTime Value) { SetMinValue(Value); }
  TDateTime MaxDate() { return MaxValue(); }
  void SetMaxDate(TDateTime Value) { SetMaxValue(Value); }

private:
  // Puts the mask of InputKind and Kind in place.
  void ApplyMask();
  TDateTime TodayOrNow() const;

  bool FArrowsForYear = true;
  TDateButtons FDateButtons;
  TDateOnError FDateOnError = deNoChange;
  TcxInputKind FInputKind = ikRegExpr;
  TcxCalendarKind FKind = ckDate;
  bool FSaveTime = true;
  bool FShowTime = true;
  bool FYearsInMonthList = true;
  bool FApplyingMask = false;
};

class TcxDateEditProperties : public TcxCustomDateEditProperties {
  RTL_CLASS(TcxDateEditProperties, TcxCustomDateEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomDateEditProperties::TcxCustomDateEditProperties;
};

// The popup window of a date editor: it previews keys, so that the calendar hears its keys whatever of
// its controls has the focus.
class TcxDateEditPopupWindow : public TcxPopupEditPopupWindow {
  RTL_CLASS(TcxDateEditPopupWindow, TcxPopupEditPopupWindow)
public:
  explicit TcxDateEditPopupWindow(TControl* AOwnerControl) : TcxPopupEditPopupWindow(AOwnerControl) {}
  void AfterConstruction() override;
  virtual bool IsCalendarKey(uint16_t Key, TShiftState Shift);

protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
};

// The standard mask of a date editor: time places blank to "0".
class TcxDateEditMaskStandardMode : public TcxMaskEditStandardMode {
  RTL_CLASS(TcxDateEditMaskStandardMode, TcxMaskEditStandardMode)
public:
  using TcxMaskEditStandardMode::TcxMaskEditStandardMode;
  bool PressDelete() override;
};

class TcxCustomDateEdit : public TcxCustomPopupEdit {
  RTL_CLASS(TcxCustomDateEdit, TcxCustomPopupEdit)
public:
  explicit TcxCustomDateEdit(TComponent* AOwner) : TcxCustomPopupEdit(AOwner) {}
  ~TcxCustomDateEdit() override;
  void BeforeDestruction() override;

  // NullDate without a value.
  TDateTime Date();
  void SetDate(TDateTime Value);
  TcxPopupCalendar* Calendar() const { return FCalendar; }
  // The editor's date when the popup opened.
  TDateTime DateDropDown() const { return FDateDropDown; }
  // The time of day a date-only editor keeps.
  double SavedTime() const { return FSavedTime; }
  void SetSavedTime(double Value) { FSavedTime = Value; }

  TClass GetPropertiesClass() const override { return TcxCustomDateEditProperties::StaticClass(); }
  TcxCustomDateEditProperties* ActiveProperties() {
    return static_cast<TcxCustomDateEditProperties*>(GetActiveProperties());
  }
  TcxCustomDateEditProperties* Properties() const {
    return static_cast<TcxCustomDateEditProperties*>(TcxCustomEdit::Properties());
  }

  void ClearEditValue() override;
  String ReadText() override;
  bool WriteText(const String& AText) override;
  void ApplyLoadedText() override {}
  void AssignEditValue(const Variant& Value) override;
  void ClampToValueBounds() override;
  void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) override;
  bool GetFlag233(char32_t& AChar, int32_t APosition) override;
  void DropDown() override;
  void SetupPopupWindow() override;
  // The calendar shows without a loop of its own.
  void CreatePopupWindow() override;

protected:
  void InitializeEdit() override;
  void PopupWindowClosed(TObject* Sender) override;
  void PopupWindowShowed(TObject* Sender) override;

private:
  void DateChanged(TObject* Sender);
  void CalendarHidePopup(TObject* Sender);
  TcxPopupCalendar* FCalendar = nullptr;
  TDateTime FDateDropDown = NullDate;
  double FSavedTime = 0;
};

class TcxDateEdit : public TcxCustomDateEdit {
  RTL_CLASS(TcxDateEdit, TcxCustomDateEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomDateEdit::TcxCustomDateEdit;
  TClass GetPropertiesClass() const override { return TcxDateEditProperties::StaticClass(); }
  TcxDateEditProperties* Properties() const {
    return static_cast<TcxDateEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxDateEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxDateEditProperties* ActiveProperties() {
    return static_cast<TcxDateEditProperties*>(GetActiveProperties());
  }
};

// Registers the date edit kind (once; later calls find it there).
void cxDateEditInitialize();
