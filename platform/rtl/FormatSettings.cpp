#include "rtl/FormatSettings.h"

#include <map>
#include <mutex>

namespace {

std::mutex& Lock() {
  static std::mutex m;
  return m;
}

TFormatSettings& Current() {
  static TFormatSettings fs = TFormatSettings::Russian();
  return fs;
}

std::map<int32_t, std::function<void()>>& FormatListeners() {
  static std::map<int32_t, std::function<void()>> l;
  return l;
}

}  // namespace

TFormatSettings TFormatSettings::Russian() {
  TFormatSettings fs;
  fs.CurrencyString = "р.";
  fs.CurrencyFormat = 3;
  fs.NegCurrFormat = 8;
  fs.ThousandSeparator = "\xC2\xA0";
  fs.DecimalSeparator = ',';
  fs.CurrencyDecimals = 2;
  fs.DateSeparator = '.';
  fs.ShortDateFormat = "dd.mm.yyyy";
  fs.LongDateFormat = "d mmmm yyyy 'г.'";
  fs.TimeSeparator = ':';
  fs.TimeAMString = "";
  fs.TimePMString = "";
  fs.ShortTimeFormat = "H:mm";
  fs.LongTimeFormat = "H:mm:ss";
  fs.ShortMonthNames = {"янв", "фев", "мар", "апр", "май", "июн", "июл", "авг", "сен", "окт", "ноя", "дек"};
  fs.LongMonthNames = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                       "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
  fs.ShortDayNames = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
  fs.LongDayNames = {"воскресенье", "понедельник", "вторник", "среда", "четверг", "пятница", "суббота"};
  fs.TwoDigitYearCenturyWindow = 50;
  fs.ListSeparator = ';';
  fs.FirstDayOfWeek = 0;
  return fs;
}

TFormatSettings TFormatSettings::English() {
  TFormatSettings fs;
  fs.CurrencyString = "$";
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 0;
  fs.ThousandSeparator = ",";
  fs.DecimalSeparator = '.';
  fs.CurrencyDecimals = 2;
  fs.DateSeparator = '/';
  fs.ShortDateFormat = "M/d/yyyy";
  fs.LongDateFormat = "dddd, mmmm d, yyyy";
  fs.TimeSeparator = ':';
  fs.TimeAMString = "AM";
  fs.TimePMString = "PM";
  fs.ShortTimeFormat = "h:mm AMPM";
  fs.LongTimeFormat = "h:mm:ss AMPM";
  fs.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  fs.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                       "July",    "August",   "September", "October", "November", "December"};
  fs.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  fs.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  fs.TwoDigitYearCenturyWindow = 50;
  fs.ListSeparator = ',';
  fs.FirstDayOfWeek = 6;
  return fs;
}

const TFormatSettings& FormatSettings() { return Current(); }

void SetFormatSettings(const TFormatSettings& fs) {
  std::map<int32_t, std::function<void()>> listeners;
  {
    std::lock_guard<std::mutex> g(Lock());
    Current() = fs;
    listeners = FormatListeners();
  }
  for (auto& [id, fn] : listeners) fn();
}

int32_t AddFormatSettingsListener(std::function<void()> listener) {
  static int32_t next = 0;
  std::lock_guard<std::mutex> g(Lock());
  int32_t id = ++next;
  FormatListeners()[id] = std::move(listener);
  return id;
}

void RemoveFormatSettingsListener(int32_t id) {
  std::lock_guard<std::mutex> g(Lock());
  FormatListeners().erase(id);
}
