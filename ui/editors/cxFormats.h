#pragma once
// The process-wide holder of the formats the editors derive from the regional settings: the currency
// display format, the first day of the week and, from the short date and long time formats, their parsed
// items, the date and date-time edit masks (standard and regular-expression, the latter also taking the
// smart-date keywords) and the matching display formats. It re-derives everything when the regional
// settings change and tells its listeners; it also passes on changes of the clock.

#include <array>
#include <cstdint>
#include <vector>

#include "rtl/System.h"

// Kinds: 0 text, 1 year, 2 month, 3 day, 4 hour, 5 minute, 6 second, 7 millisecond, 8 AM/PM marker,
// 9 date separator, 10 time separator.
struct TcxDateTimeFormatItem {
  uint8_t Kind = 0;
  String Data;
};

struct TcxDateTimeFormatInfo {
  std::array<bool, 11> KindPresent{};
  std::vector<TcxDateTimeFormatItem> ItemList;
};

class IcxFormatChangeListener {
public:
  virtual ~IcxFormatChangeListener() = default;
  virtual void FormatChanged() = 0;
};

// A listener registered through AddListener hears clock changes when it implements this as well.
class IcxTimeChangeListener {
public:
  virtual ~IcxTimeChangeListener() = default;
  virtual void TimeChanged() = 0;
};

class TcxFormatController {
public:
  TcxFormatController();
  virtual ~TcxFormatController();
  TcxFormatController(const TcxFormatController&) = delete;
  TcxFormatController& operator=(const TcxFormatController&) = delete;

  virtual void AddListener(IcxFormatChangeListener* listener);
  virtual void RemoveListener(IcxFormatChangeListener* listener);
  int32_t ListenerCount() const { return static_cast<int32_t>(FListeners.size()); }
  // Re-derives every format from the current regional settings and tells the listeners.
  void FormatSettingsChanged();
  void TimeChanged();

  const String& CurrencyDisplayFormat() const { return FCurrencyDisplayFormat; }
  const TcxDateTimeFormatInfo& DateItems() const { return FDateItems; }
  const TcxDateTimeFormatInfo& DateTimeItems() const { return FDateTimeItems; }
  const TcxDateTimeFormatInfo& TimeItems() const { return FTimeItems; }
  const String& DateMaskDisplayFormat() const { return FDateMaskDisplayFormat; }
  const String& DateTimeMaskDisplayFormat() const { return FDateTimeMaskDisplayFormat; }
  const String& DateRegExprMask() const { return FDateRegExprMask; }
  const String& DateTimeRegExprMask() const { return FDateTimeRegExprMask; }
  const String& DateStandardMask() const { return FDateStandardMask; }
  const String& DateTimeStandardMask() const { return FDateTimeStandardMask; }
  uint8_t FirstWeekDay() const { return FFirstWeekDay; }  // 0 Sunday .. 6 Saturday
  bool UsePlatformDateConversion() const { return FUsePlatformDateConversion; }
  void SetUsePlatformDateConversion(bool value) { FUsePlatformDateConversion = value; }

  // Characters an item takes in an edit mask.
  static int32_t GetItemWidth(const TcxDateTimeFormatItem& item);
  static int32_t GetItemsWidth(const TcxDateTimeFormatInfo& info);
  // The item at a 1-based mask position: its kind, start, width and, for an AM/PM marker, its style
  // (0 "A/P", 1 "AM/PM", 2 the locale's strings).
  static bool FindItemAtPos(const TcxDateTimeFormatInfo& info, int32_t pos, uint8_t& kind, int32_t& start,
                            int32_t& width, uint8_t& ampmStyle);

  // The building blocks, exposed for the time editor and for tests.
  static bool ParseFormat(const String& format, TcxDateTimeFormatInfo& info);
  enum TcxMaskFor : uint8_t { mfDate, mfTime, mfDateTime };
  static String StandardMask(const TcxDateTimeFormatInfo& info, TcxMaskFor target);
  static String DisplayFormat(const TcxDateTimeFormatInfo& info);
  static String DateRegExpr(const TcxDateTimeFormatInfo& info);
  static String TimeRegExpr(const TcxDateTimeFormatInfo& info);
  static String CurrencyFormatOf(const String& symbol, uint8_t currencyFormat, uint8_t negCurrFormat,
                                 uint8_t decimals);

private:
  void Recompute();
  void Subscribe(bool on);

  String FCurrencyDisplayFormat;
  TcxDateTimeFormatInfo FDateItems;
  TcxDateTimeFormatInfo FDateTimeItems;
  std::vector<IcxFormatChangeListener*> FListeners;
  String FDateMaskDisplayFormat;
  String FDateTimeMaskDisplayFormat;
  String FDateRegExprMask;
  String FDateTimeRegExprMask;
  String FDateStandardMask;
  String FDateTimeStandardMask;
  uint8_t FFirstWeekDay = 0;
  TcxDateTimeFormatInfo FTimeItems;
  bool FUsePlatformDateConversion = false;
  // What stands for the hidden window: subscriptions to the regional settings and the clock, held while
  // there are listeners.
  int32_t FSettingsSubscription = 0;
  int32_t FClockSubscription = 0;
};

// The process-wide controller, created on first use.
TcxFormatController* GetFormatController();
