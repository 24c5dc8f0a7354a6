#include "ui/editors/cxFormats.h"

#include <algorithm>
#include <memory>

#include "rtl/Clock.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxDateUtils.h"

namespace {


char32_t Upper(char32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

bool SameAsciiText(const std::u32string& s, size_t at, const char* word) {
  for (size_t k = 0; word[k]; ++k)
    if (at + k >= s.size() || Upper(s[at + k]) != static_cast<char32_t>(word[k])) return false;
  return true;
}

String Written(const std::u32string& s, size_t at, size_t n) {
  String result;
  for (size_t k = 0; k < n; ++k) Utf8Append(result, s[at + k]);
  return result;
}

struct ParseState {
  bool ampm = false;
  char32_t lastLetter = 0;
};

void AddItem(TcxDateTimeFormatInfo& info, uint8_t kind, const String& data) {
  if (kind == 0) {
    if (!info.ItemList.empty() && info.ItemList.back().Kind == 0) {
      info.ItemList.back().Data += data;
      return;
    }
  } else if (kind != 9 && kind != 10 && info.KindPresent[kind]) {
    return;  // one item per kind: a second year or month is ignored
  }
  info.ItemList.push_back({kind, data});
  info.KindPresent[kind] = true;
}

bool ParseLevel(const String& format, TcxDateTimeFormatInfo& info, int level, ParseState& st) {
  if (level >= 2) return true;  // a format reached two expansions deep adds nothing
  const std::u32string f = Utf8ToCodePoints(format.empty() ? String("C") : format);
  const TFormatSettings& fs = FormatSettings();
  size_t i = 0;
  while (i < f.size()) {
    const char32_t c = f[i];
    const char32_t u = Upper(c);
    size_t run = 1;
    while (i + run < f.size() && Upper(f[i + run]) == u) ++run;
    if (c == '"' || c == '\'') {
      size_t close = i + 1;
      while (close < f.size() && f[close] != c) ++close;
      AddItem(info, 0, Written(f, i + 1, close - i - 1));
      i = close < f.size() ? close + 1 : close;
      continue;
    }
    if (c == '/') {
      AddItem(info, 9, String());
      ++i;
      continue;
    }
    if (c == ':') {
      AddItem(info, 10, String());
      ++i;
      continue;
    }
    bool ok = true;
    switch (u) {
      case 'A':
        if (SameAsciiText(f, i, "AM/PM") || SameAsciiText(f, i, "A/P") || SameAsciiText(f, i, "AMPM")) {
          const size_t n = SameAsciiText(f, i, "AM/PM") ? 5 : SameAsciiText(f, i, "A/P") ? 3 : 4;
          AddItem(info, 8, Written(f, i, n));
          st.ampm = true;
          run = n;
        } else if (run >= 4) {
          AddItem(info, 3, "DDDD");
          run = 4;
        } else if (run == 3) {
          AddItem(info, 3, "DDD");
        } else {
          AddItem(info, 0, Written(f, i, run));
        }
        break;
      case 'C':
        run = 1;
        ok = ParseLevel(fs.ShortDateFormat, info, level + 1, st);
        if (ok) AddItem(info, 0, " ");
        if (ok) ok = ParseLevel(fs.LongTimeFormat, info, level + 1, st);
        break;
      case 'D':
        if (run <= 4)
          AddItem(info, 3, String(run, 'D'));
        else if (run == 5)
          ok = ParseLevel(fs.ShortDateFormat, info, level + 1, st);
        else
          ok = ParseLevel(fs.LongDateFormat, info, level + 1, st);
        break;
      case 'E':
      case 'Y': AddItem(info, 1, run > 2 ? "YYYY" : "YY"); break;
      case 'G': return false;
      case 'H': AddItem(info, 4, String(std::min<size_t>(run, 2), 'H')); break;
      case 'M':
        if (st.lastLetter == 'H')
          AddItem(info, 5, String(std::min<size_t>(run, 2), 'N'));
        else
          AddItem(info, 2, String(std::min<size_t>(run, 4), 'M'));
        break;
      case 'N': AddItem(info, 5, String(std::min<size_t>(run, 2), 'N')); break;
      case 'S': AddItem(info, 6, String(std::min<size_t>(run, 2), 'S')); break;
      case 'Z': AddItem(info, 7, String(std::min<size_t>(run, 3), 'Z')); break;
      case 'T': ok = ParseLevel(run == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, info, level + 1, st); break;
      default:
        run = 1;
        AddItem(info, 0, Written(f, i, 1));
        break;
    }
    if (!ok) return false;
    if (u >= 'A' && u <= 'Z') st.lastLetter = u;
    i += run;
  }
  return true;
}

}  // namespace

bool TcxFormatController::ParseFormat(const String& format, TcxDateTimeFormatInfo& info) {
  info = TcxDateTimeFormatInfo();
  ParseState st;
  if (!ParseLevel(format, info, 0, st)) {
    info = TcxDateTimeFormatInfo();
    return false;
  }
  if (info.KindPresent[4]) {
    for (auto& item : info.ItemList)
      if (item.Kind == 4) item.Data = (st.ampm ? "12" : "24") + item.Data;
  } else if (info.KindPresent[8]) {
    std::erase_if(info.ItemList, [](const TcxDateTimeFormatItem& item) { return item.Kind == 8; });
    info.KindPresent[8] = false;
  }
  return true;
}

namespace {

int32_t AmPmLength() {
  const TFormatSettings& fs = FormatSettings();
  return std::max(Utf8Length(fs.TimeAMString), Utf8Length(fs.TimePMString));
}

bool IsAP(const String& data) { return SameText(data, "A/P"); }
bool IsAMPM(const String& data) { return SameText(data, "AM/PM"); }

}  // namespace

int32_t TcxFormatController::GetItemWidth(const TcxDateTimeFormatItem& item) {
  switch (item.Kind) {
    case 0: return Utf8Length(item.Data);
    case 1: return item.Data == "YY" ? 2 : 4;
    case 2:
    case 3: return item.Data.size() > 2 ? 3 : 2;
    case 4:
    case 5:
    case 6: return 2;
    case 8: return IsAP(item.Data) ? 1 : IsAMPM(item.Data) ? 2 : AmPmLength();
    case 9:
    case 10: return 1;
    default: return 0;
  }
}

int32_t TcxFormatController::GetItemsWidth(const TcxDateTimeFormatInfo& info) {
  int32_t width = 0;
  for (const auto& item : info.ItemList) width += GetItemWidth(item);
  return width;
}

bool TcxFormatController::FindItemAtPos(const TcxDateTimeFormatInfo& info, int32_t pos, uint8_t& kind,
                                        int32_t& start, int32_t& width, uint8_t& ampmStyle) {
  if (pos < 1) return false;
  int32_t at = 1;
  for (const auto& item : info.ItemList) {
    const int32_t w = GetItemWidth(item);
    if (at + w > pos) {
      kind = item.Kind;
      start = at;
      width = w;
      ampmStyle = item.Kind == 8 ? (IsAP(item.Data) ? 0 : IsAMPM(item.Data) ? 1 : 2) : 0;
      return true;
    }
    at += w;
  }
  return false;
}

String TcxFormatController::StandardMask(const TcxDateTimeFormatInfo& info, TcxMaskFor target) {
  if (info.ItemList.empty()) return String();
  String result = target == mfTime ? "" : "!";
  for (const auto& item : info.ItemList) {
    switch (item.Kind) {
      case 0:
        for (char32_t c : Utf8ToCodePoints(item.Data)) {
          result += '\\';
          Utf8Append(result, c);
        }
        break;
      case 1: result += item.Data == "YY" ? "99" : "9999"; break;
      case 2:
      case 3: result += item.Data.size() > 2 ? "lll" : "99"; break;
      case 4:
      case 5:
      case 6: result += target == mfTime ? "00" : "99"; break;
      case 8: result += IsAP(item.Data) ? "c" : IsAMPM(item.Data) ? "cc" : String(AmPmLength(), 'c'); break;
      case 9: result += '/'; break;
      case 10: result += ':'; break;
      default: break;
    }
  }
  return result + (target == mfTime ? ";1;0" : ";1; ");
}

String TcxFormatController::DisplayFormat(const TcxDateTimeFormatInfo& info) {
  String result;
  for (const auto& item : info.ItemList) {
    switch (item.Kind) {
      case 0: result += "'" + item.Data + "'"; break;
      case 1: result += LowerCase(item.Data); break;
      case 2: result += item.Data.size() > 2 ? "mmm" : "mm"; break;
      case 3: result += item.Data.size() > 2 ? "ddd" : "dd"; break;
      case 4: result += "hh"; break;
      case 5: result += "nn"; break;
      case 6: result += "ss"; break;
      case 8: result += LowerCase(item.Data); break;
      case 9: result += '/'; break;
      case 10: result += ':'; break;
      default: break;
    }
  }
  return result;
}

namespace {

String SeparatorRegExpr(char separator) {
  if (separator == 0) return String();
  if (separator == ' ') return "' '";
  return String("\\") + separator;
}

String TextRegExpr(const String& text) {
  String result;
  QuoteRegExprLiteral(result, text);
  return result;
}

}  // namespace

String TcxFormatController::DateRegExpr(const TcxDateTimeFormatInfo& info) {
  const TFormatSettings& fs = FormatSettings();
  String result;
  for (const auto& item : info.ItemList) {
    switch (item.Kind) {
      case 0: result += TextRegExpr(item.Data); break;
      case 1: result += item.Data == "YY" ? "\\d\\d" : "\\d\\d\\d\\d"; break;
      case 2: {
        const auto& names = item.Data.size() == 4 ? fs.LongMonthNames : fs.ShortMonthNames;
        result += "((0?[1-9]|1[012])|(";
        for (size_t m = 0; m < names.size(); ++m) {
          if (m > 0) result += "|";
          result += TextRegExpr(names[m]);
        }
        result += "))";
        break;
      }
      case 3: result += "([012]?[1-9]|[123]0|31)"; break;
      case 9: result += SeparatorRegExpr(fs.DateSeparator); break;
      default: break;
    }
  }
  return result;
}

String TcxFormatController::TimeRegExpr(const TcxDateTimeFormatInfo& info) {
  const TFormatSettings& fs = FormatSettings();
  String result;
  for (const auto& item : info.ItemList) {
    switch (item.Kind) {
      case 0: result += TextRegExpr(item.Data); break;
      case 4: result += item.Data.starts_with("12") ? "(0?[1-9]|1[012])" : "([01]?\\d|2[0-3])"; break;
      case 5:
      case 6: result += "[0-5]?\\d"; break;
      case 8:
        result += "(";
        if (IsAP(item.Data))
          result += "A|P";
        else if (IsAMPM(item.Data))
          result += "AM|PM";
        else
          result += TextRegExpr(fs.TimeAMString) + "|" + TextRegExpr(fs.TimePMString);
        result += ")?";
        break;
      case 10: result += SeparatorRegExpr(fs.TimeSeparator); break;
      default: break;
    }
  }
  return result;
}

String TcxFormatController::CurrencyFormatOf(const String& symbolText, uint8_t currencyFormat,
                                             uint8_t negCurrFormat, uint8_t decimals) {
  const String n = ",0." + String(decimals, '0');
  String s;
  for (char c : symbolText) {
    if (c == ',' || c == '.')
      s += String("'") + c + "'";
    else
      s += c;
  }
  String positive;
  switch (currencyFormat) {
    case 0: positive = s + n; break;
    case 1: positive = n + s; break;
    case 2: positive = s + " " + n; break;
    case 3: positive = n + " " + s; break;
    default: break;
  }
  String negative;
  switch (negCurrFormat) {
    case 0: negative = "(" + s + n + ")"; break;
    case 1: negative = "-" + s + n; break;
    case 2: negative = s + "-" + n; break;
    case 3: negative = s + n + "-"; break;
    case 4: negative = "(" + n + s + ")"; break;
    case 5: negative = "-" + n + s; break;
    case 6: negative = n + "-" + s; break;
    case 7: negative = n + s + "-"; break;
    case 8: negative = "-" + n + " " + s; break;
    case 9: negative = "-" + s + " " + n; break;
    case 10: negative = n + " " + s + "-"; break;
    case 11: negative = s + " " + n + "-"; break;
    case 12: negative = s + " -" + n; break;
    case 13: negative = n + "- " + s; break;
    case 14: negative = "(" + s + " " + n + ")"; break;
    case 15: negative = "(" + n + " " + s + ")"; break;
    default: break;
  }
  return positive + ";" + negative;
}

// ---- the controller --------------------------------------------------------------------------------

namespace {
TcxFormatController* GProcessController = nullptr;
}

TcxFormatController::TcxFormatController() {
  if (!GProcessController) GProcessController = this;
  Recompute();
}

TcxFormatController::~TcxFormatController() {
  Subscribe(false);
  if (GProcessController == this) GProcessController = nullptr;
}

TcxFormatController* GetFormatController() {
  static std::unique_ptr<TcxFormatController> controller;
  if (!GProcessController) controller = std::make_unique<TcxFormatController>();
  return GProcessController;
}

void TcxFormatController::Recompute() {
  const TFormatSettings& fs = FormatSettings();
  FCurrencyDisplayFormat = CurrencyFormatOf(fs.CurrencyString, fs.CurrencyFormat, fs.NegCurrFormat, fs.CurrencyDecimals);
  FFirstWeekDay = static_cast<uint8_t>((fs.FirstDayOfWeek + 1) % 7);
  ParseFormat(fs.ShortDateFormat, FDateItems);
  ParseFormat(fs.LongTimeFormat, FTimeItems);
  ParseFormat(fs.ShortDateFormat + " " + fs.LongTimeFormat, FDateTimeItems);
  FDateStandardMask = StandardMask(FDateItems, mfDate);
  FDateRegExprMask = DateRegExpr(FDateItems);
  AddSmartDateAlternatives(FDateRegExprMask, false);
  FDateTimeRegExprMask = DateRegExpr(FDateItems) + "' '(" + TimeRegExpr(FTimeItems) + ")?";
  AddSmartDateAlternatives(FDateTimeRegExprMask, true);
  FDateTimeStandardMask = StandardMask(FDateTimeItems, mfDateTime);
  FDateMaskDisplayFormat = DisplayFormat(FDateItems);
  FDateTimeMaskDisplayFormat = DisplayFormat(FDateTimeItems);
}

void TcxFormatController::Subscribe(bool on) {
  if (on && FSettingsSubscription == 0) {
    FSettingsSubscription = AddFormatSettingsListener([this] { FormatSettingsChanged(); });
    FClockSubscription = AddClockListener([this] { TimeChanged(); });
  } else if (!on && FSettingsSubscription != 0) {
    RemoveFormatSettingsListener(FSettingsSubscription);
    RemoveClockListener(FClockSubscription);
    FSettingsSubscription = 0;
    FClockSubscription = 0;
  }
}

void TcxFormatController::AddListener(IcxFormatChangeListener* listener) {
  if (!listener || std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end()) return;
  FListeners.push_back(listener);
  if (FListeners.size() == 1) Subscribe(true);
}

void TcxFormatController::RemoveListener(IcxFormatChangeListener* listener) {
  std::erase(FListeners, listener);
  if (FListeners.empty()) Subscribe(false);
}

void TcxFormatController::FormatSettingsChanged() {
  Recompute();
  // A listener may remove itself while it is told.
  const std::vector<IcxFormatChangeListener*> listeners = FListeners;
  for (IcxFormatChangeListener* l : listeners)
    if (std::find(FListeners.begin(), FListeners.end(), l) != FListeners.end()) l->FormatChanged();
}

void TcxFormatController::TimeChanged() {
  const std::vector<IcxFormatChangeListener*> listeners = FListeners;
  for (IcxFormatChangeListener* l : listeners)
    if (auto* t = dynamic_cast<IcxTimeChangeListener*>(l);
        t && std::find(FListeners.begin(), FListeners.end(), l) != FListeners.end())
      t->TimeChanged();
}
