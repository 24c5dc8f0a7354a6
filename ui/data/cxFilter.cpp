#include "ui/data/cxFilter.h"

#include <algorithm>

#include "rtl/DateTime.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxDataUtils.h"
#include "ui/data/cxLike.h"
#include "ui/data/detail/cxScopeGuard.h"
#include "rtl/Filer.h"
#include "rtl/TypInfo.h"

TcxFilterTextHook FilterTextHook = nullptr;

void FilterResourceText(const String& AText, String& AResult) {
  if (FilterTextHook != nullptr)
    FilterTextHook(AText, AResult);
  else
    AResult = AText;
}

String FilterResourceText(const String& AText) {
  String result;
  FilterResourceText(AText, result);
  return result;
}

namespace {

constexpr const char* sAndWord = "и";
constexpr const char* sOrWord = "или";
constexpr const char* sNotWord = "не";
constexpr const char* sBlank = "пусто";

// Smallest stream records: a group (flag, kind, count) and a condition (flag, kind, text length, id, tag).
constexpr int64_t cxMinGroupRecord = 6;

[[noreturn]] void ReadFailure() { throw EReadError(cxSReadError); }

int32_t LowBound(const Variant& X) { return VarArrayLowBound(X, 1); }

// CompareVariantValues, with Integer, Int64 and Double pairs compared directly (as the variant
// operators compare them) since a filter compares every record.
int32_t CompareFilterValues(const Variant& A, const Variant& B) {
  const TVarType a = VarType(A), b = VarType(B);
  const bool intA = a == varInteger || a == varInt64, intB = b == varInteger || b == varInt64;
  if (intA && intB) {
    const int64_t x = A.RawData().i64, y = B.RawData().i64;
    return x == y ? 0 : (x < y ? -1 : 1);
  }
  if ((intA || a == varDouble) && (intB || b == varDouble)) {
    const double x = intA ? static_cast<double>(A.RawData().i64) : A.RawData().d;
    const double y = intB ? static_cast<double>(B.RawData().i64) : B.RawData().d;
    return x == y ? 0 : (x < y ? -1 : 1);
  }
  return CompareVariantValues(A, B);
}

// The elements of a condition's array value, taken out once: reading an element of a variant array
// costs an allocation, and a filter reads them for every record.
class FilterArrayElements {
public:
  const std::vector<Variant>& Of(TcxFilterCriteriaItem* AItem, const Variant& C) {
    if (FKept && AItem->IsPreparedValue(C, FVersion)) return FElements;
    FElements.clear();
    if (VarIsArray(C))
      for (int32_t i = VarArrayLowBound(C, 1); i <= VarArrayHighBound(C, 1); ++i) FElements.push_back(C[i]);
    else
      FElements.push_back(C);
    FVersion = AItem->PreparedVersion();
    FKept = AItem->IsPreparedValue(C, FVersion);
    return FElements;
  }

private:
  std::vector<Variant> FElements;
  uint32_t FVersion = 0;
  bool FKept = false;
};
int32_t HighBound(const Variant& X) { return VarArrayHighBound(X, 1); }

// A string literal keeps its value however it is quoted: embedded apostrophes are doubled, so a value
// can neither end the literal early nor add to the expression.
String QuotedLiteral(const String& S) {
  String result = "'";
  for (char c : S) {
    result += c;
    if (c == '\'') result += '\'';
  }
  return result + "'";
}

std::vector<String> SplitNames(const String& ANames) {
  std::vector<String> names;
  size_t pos = 0;
  while (pos <= ANames.size()) {
    const size_t next = ANames.find(';', pos);
    names.push_back(Trim(ANames.substr(pos, next == String::npos ? String::npos : next - pos)));
    if (next == String::npos) break;
    pos = next + 1;
  }
  return names;
}

class TcxFilterEqualOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterEqualOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override { return CompareFilterValues(R, C) == 0; }
  String Sign() override { return "="; }
  String DisplayCaption() override { return FilterResourceText("равно"); }
  bool IsExpression() override { return VarIsArray(Condition()->Value()); }
  String GetExpressionText(const Variant& X) override {
    if (!VarIsArray(X)) return FormatValue(X);
    const std::vector<String> names = SplitNames(Condition()->GetFieldName());
    String result;
    for (int32_t i = LowBound(X), n = 0; i <= HighBound(X); ++i, ++n) {
      if (n > 0) result += " AND ";
      const String name = n < static_cast<int32_t>(names.size()) ? names[n] : String();
      result += "(" + name + " = " + FormatValue(X[i]) + ")";
    }
    return result;
  }
};

class TcxFilterNotEqualOperator : public TcxFilterEqualOperator {
  RTL_CLASS(TcxFilterNotEqualOperator, TcxFilterEqualOperator)
public:
  using TcxFilterEqualOperator::TcxFilterEqualOperator;
  bool Matches(const Variant& R, const Variant& C) override { return !TcxFilterEqualOperator::Matches(R, C); }
  String Sign() override { return "<>"; }
  String DisplayCaption() override { return FilterResourceText("не равно"); }
  String GetExpressionText(const Variant& X) override {
    return "NOT (" + TcxFilterEqualOperator::GetExpressionText(X) + ")";
  }
};

class TcxFilterLessOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterLessOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override { return CompareFilterValues(R, C) < 0; }
  String Sign() override { return "<"; }
  String DisplayCaption() override { return FilterResourceText("меньше"); }
};

class TcxFilterLessEqualOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterLessEqualOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override { return CompareFilterValues(R, C) < 1; }
  String Sign() override { return "<="; }
  String DisplayCaption() override { return FilterResourceText("меньше или равно"); }
};

class TcxFilterGreaterOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterGreaterOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override { return CompareFilterValues(R, C) > 0; }
  String Sign() override { return ">"; }
  String DisplayCaption() override { return FilterResourceText("больше"); }
};

class TcxFilterGreaterEqualOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterGreaterEqualOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override { return CompareFilterValues(R, C) >= 0; }
  String Sign() override { return ">="; }
  String DisplayCaption() override { return FilterResourceText("больше или равно"); }
};

class TcxFilterLikeOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterLikeOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override {
    if (VarType(R) == varString) return TcxFilterLikeOperator::MatchesText(*static_cast<const String*>(R.RawData().p), C);
    return TcxFilterLikeOperator::MatchesText(VarToStr(R), C);
  }
  bool TestsText() override { return true; }
  bool MatchesText(const String& R, const Variant& C) override {
    // The pattern is read once for all the records a filter tests.
    // The prepared value seen before: its pattern is the one compiled (wildcard changes re-prepare it).
    if (FPatternKept && Condition()->IsPreparedValue(C, FPatternVersion)) return FPattern.Matches(R);
    const char32_t many = static_cast<unsigned char>(Criteria()->PercentWildcard());
    const char32_t one = static_cast<unsigned char>(Criteria()->UnderscoreWildcard());
    FPatternVersion = Condition()->PreparedVersion();
    FPatternKept = Condition()->IsPreparedValue(C, FPatternVersion);
    if (VarType(C) == varString) {
      const String& pattern = *static_cast<const String*>(C.RawData().p);
      if (!FPattern.IsCompiled(pattern, many, one)) FPattern.Compile(pattern, many, one, 0);
    } else {
      const String pattern = VarToStr(C);
      if (!FPattern.IsCompiled(pattern, many, one)) FPattern.Compile(pattern, many, one, 0);
    }
    return FPattern.Matches(R);
  }
  String Sign() override { return "LIKE"; }
  String DisplayCaption() override {
    static const char* const captions[] = {"походит", "начинается с", "кончается на", "содержит"};
    return FilterResourceText(captions[PatternKind()]);
  }
  void AdjustDisplayValue(String& AText) override {
    if (Criteria()->Options() & fcoShowOperatorDescription) StripLikeWildcards(AText, Criteria()->PercentWildcard());
  }

protected:
  int32_t PatternKind() {
    String s = VarToStr(Condition()->Value());
    return StripLikeWildcards(s, Criteria()->PercentWildcard());
  }

private:
  TcxLikePattern FPattern;
  uint32_t FPatternVersion = 0;
  bool FPatternKept = false;
};

class TcxFilterNotLikeOperator : public TcxFilterLikeOperator {
  RTL_CLASS(TcxFilterNotLikeOperator, TcxFilterLikeOperator)
public:
  using TcxFilterLikeOperator::TcxFilterLikeOperator;
  bool Matches(const Variant& R, const Variant& C) override { return !TcxFilterLikeOperator::Matches(R, C); }
  bool MatchesText(const String& R, const Variant& C) override { return !TcxFilterLikeOperator::MatchesText(R, C); }
  String Sign() override { return "NOT LIKE"; }
  String DisplayCaption() override {
    static const char* const captions[] = {"не походит", "начинается не с", "кончается не на", "не содержит"};
    return FilterResourceText(captions[PatternKind()]);
  }
};

class TcxFilterBetweenOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterBetweenOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override {
    if (!VarIsArray(C)) (void)C[LowBound(C)];  // not a pair: the variant error of reading one
    const std::vector<Variant>& bounds = FBounds.Of(Condition(), C);
    if (bounds.size() < 2) (void)C[LowBound(C) + 1];
    return CompareFilterValues(bounds[0], R) <= 0 && CompareFilterValues(R, bounds[1]) <= 0;
  }
  String Sign() override { return "BETWEEN"; }
  String DisplayCaption() override { return FilterResourceText("между"); }
  bool HasDisplayCaption() override { return true; }
  bool IsExpression() override { return Criteria()->TranslateBetween(); }
  bool FormatArray(const Variant& X, String& AText) override {
    if (!VarIsArray(X)) return false;
    AText = FormatValue(X[LowBound(X)]) + " AND " + FormatValue(X[LowBound(X) + 1]);
    return true;
  }
  String GetExpressionText(const Variant& X) override {
    const String name = Condition()->GetFieldName();
    return "(" + name + " >= " + FormatValue(X[LowBound(X)]) + ") AND (" + name + " <= " +
           FormatValue(X[LowBound(X) + 1]) + ")";
  }
  void AdjustDisplayValue(String& AText) override { AText = BetweenDisplayText(ParseBetweenText(AText)); }

private:
  FilterArrayElements FBounds;
};

class TcxFilterNotBetweenOperator : public TcxFilterBetweenOperator {
  RTL_CLASS(TcxFilterNotBetweenOperator, TcxFilterBetweenOperator)
public:
  using TcxFilterBetweenOperator::TcxFilterBetweenOperator;
  bool Matches(const Variant& R, const Variant& C) override { return !TcxFilterBetweenOperator::Matches(R, C); }
  String Sign() override { return "NOT BETWEEN"; }
  String DisplayCaption() override { return FilterResourceText("не между"); }
  String GetExpressionText(const Variant& X) override {
    return "NOT (" + TcxFilterBetweenOperator::GetExpressionText(X) + ")";
  }
};

class TcxFilterInListOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterInListOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override {
    // A single value (what an empty list text parses to) is a list of one.
    if (!VarIsArray(C)) return R == C;
    for (const Variant& element : FElements.Of(Condition(), C))
      if (R == element) return true;
    return false;
  }
  String Sign() override { return "IN"; }
  String DisplayCaption() override { return FilterResourceText("в"); }
  bool HasDisplayCaption() override { return true; }
  bool IsExpression() override { return Criteria()->TranslateIn(); }
  bool FormatArray(const Variant& X, String& AText) override {
    if (!VarIsArray(X)) return false;
    AText = "(";
    for (int32_t i = LowBound(X); i <= HighBound(X); ++i) {
      if (i > LowBound(X)) AText += ", ";
      AText += FormatValue(X[i]);
    }
    AText += ")";
    return true;
  }
  String GetExpressionText(const Variant& X) override {
    if (!VarIsArray(X)) return FormatValue(X);
    const String name = Condition()->GetFieldName();
    String result;
    for (int32_t i = LowBound(X); i <= HighBound(X); ++i) {
      if (i > LowBound(X)) result += " OR ";
      result += "(" + name + " = " + FormatValue(X[i]) + ")";
    }
    return result;
  }
  void AdjustDisplayValue(String& AText) override { AText = ListDisplayText(ParseListText(AText)); }

private:
  FilterArrayElements FElements;
};

class TcxFilterNotInListOperator : public TcxFilterInListOperator {
  RTL_CLASS(TcxFilterNotInListOperator, TcxFilterInListOperator)
public:
  using TcxFilterInListOperator::TcxFilterInListOperator;
  bool Matches(const Variant& R, const Variant& C) override { return !TcxFilterInListOperator::Matches(R, C); }
  String Sign() override { return "NOT IN"; }
  String DisplayCaption() override { return FilterResourceText("не в"); }
  String GetExpressionText(const Variant& X) override {
    return "NOT (" + TcxFilterInListOperator::GetExpressionText(X) + ")";
  }
};

class TcxFilterNullOperator : public TcxFilterEqualOperator {
  RTL_CLASS(TcxFilterNullOperator, TcxFilterEqualOperator)
public:
  using TcxFilterEqualOperator::TcxFilterEqualOperator;
  bool Matches(const Variant& R, const Variant& /*C*/) override { return Condition()->IsNullValue(R); }
  String DisplayCaption() override { return FilterResourceText("пустой"); }
  bool AcceptsNull() override { return true; }
  void AdjustDisplayValue(String& AText) override {
    if (Criteria()->Options() & fcoShowOperatorDescription) AText.clear();
  }
};

class TcxFilterNotNullOperator : public TcxFilterNullOperator {
  RTL_CLASS(TcxFilterNotNullOperator, TcxFilterNullOperator)
public:
  using TcxFilterNullOperator::TcxFilterNullOperator;
  bool Matches(const Variant& R, const Variant& C) override { return !TcxFilterNullOperator::Matches(R, C); }
  String Sign() override { return "<>"; }
  String DisplayCaption() override { return FilterResourceText("непустой"); }
};

TDateTime FirstOfMonth(int32_t AYear, int32_t AMonth) {
  // Month may run one or two past either end of the year.
  while (AMonth < 1) AMonth += 12, --AYear;
  while (AMonth > 12) AMonth -= 12, ++AYear;
  return EncodeDate(static_cast<uint16_t>(AYear), static_cast<uint16_t>(AMonth), 1);
}

enum class TPeriodUnit { Day, Week, Month, Year };

// One class serves the twelve periods: the unit and the offset from the current one say which.
class TcxFilterPeriodOperator : public TcxFilterDateOperator {
  RTL_CLASS(TcxFilterPeriodOperator, TcxFilterDateOperator)
public:
  TcxFilterPeriodOperator(TcxFilterCriteriaItem* ACondition, TPeriodUnit AUnit, int32_t AOffset, const char* ACaption)
      : TcxFilterDateOperator(ACondition), FUnit(AUnit), FOffset(AOffset), FCaption(ACaption) {}

  String DisplayCaption() override { return FilterResourceText(FCaption); }
  void Prepare() override {
    const TDateTime d = DateOnly(Date());
    uint16_t year, month, day;
    DecodeDate(d, year, month, day);
    switch (FUnit) {
      case TPeriodUnit::Day:
        FRangeStart = d + FOffset;
        FRangeEnd = FRangeStart + 1;
        break;
      case TPeriodUnit::Week:
        FRangeStart = WeekStart(d) + 7 * FOffset;
        FRangeEnd = FRangeStart + 7;
        break;
      case TPeriodUnit::Month:
        FRangeStart = FirstOfMonth(year, month + FOffset);
        FRangeEnd = FirstOfMonth(year, month + FOffset + 1);
        break;
      case TPeriodUnit::Year:
        FRangeStart = EncodeDate(static_cast<uint16_t>(year + FOffset), 1, 1);
        FRangeEnd = EncodeDate(static_cast<uint16_t>(year + FOffset + 1), 1, 1);
        break;
    }
  }

private:
  TPeriodUnit FUnit;
  int32_t FOffset;
  const char* FCaption;
};

}  // namespace

// ---- text helpers ----

void CollapseDoubledChar(String& S, char C) {
  const char pair[2] = {C, C};
  for (size_t pos; (pos = S.find(pair, 0, 2)) != String::npos;) S.erase(pos, 1);
}

int32_t StripLikeWildcards(String& S, char C) {
  CollapseDoubledChar(S, C);
  if (S.size() < 2) return 0;
  int32_t result = 0;
  const bool last = S.back() == C;
  if (S.front() == C) {
    S.erase(0, 1);
    result = 2;
  }
  if (last) {
    S.pop_back();
    result += 1;
  }
  return result;
}

String NextListToken(const String& S, size_t& APosition) {
  if (APosition >= S.size()) {
    APosition = S.size() + 1;
    return String();
  }
  const size_t next = S.find(';', APosition);
  const size_t end = next == String::npos ? S.size() : next;
  String token = Trim(S.substr(APosition, end - APosition));
  APosition = end + 1;
  return token;
}

Variant ParseBetweenText(const String& S) {
  size_t pos = 0;
  const String first = NextListToken(S, pos);
  const String second = pos <= S.size() ? NextListToken(S, pos) : String();
  return CreateVariantPair(Variant(first), Variant(second));
}

Variant ParseListText(const String& S) {
  if (S.empty()) return Variant(String());
  size_t pos = 0;
  Variant result = CreateVariantSingle(Variant(NextListToken(S, pos)));
  while (pos <= S.size()) AppendVariantToArray(result, Variant(NextListToken(S, pos)));
  return result;
}

String ValueDisplayText(const Variant& X) { return VarIsNull(X) ? FilterResourceText(sBlank) : VarToStr(X); }

String BetweenDisplayText(const Variant& APair) {
  if (!VarIsArray(APair)) return ValueDisplayText(APair);
  const int32_t low = LowBound(APair);
  return ValueDisplayText(APair[low]) + " " + FilterResourceText(sAndWord) + " " + ValueDisplayText(APair[low + 1]);
}

String ListDisplayText(const Variant& AArray) {
  if (!VarIsArray(AArray)) return "(" + ValueDisplayText(AArray) + ")";
  String result = "(";
  for (int32_t i = LowBound(AArray); i <= HighBound(AArray); ++i) {
    if (i > LowBound(AArray)) result += ", ";
    result += ValueDisplayText(AArray[i]);
  }
  return result + ")";
}

// ---- operators ----

String TcxFilterOperator::FormatValue(const Variant& X) {
  String text;
  if (VarIsArray(X) && FormatArray(X, text)) return text;
  TcxFilterCriteria* criteria = Criteria();
  if (VarIsNull(X))
    text = "NULL";
  else if (VarType(X) == varDate)
    text = "'" + criteria->DateTimeValueToText(X) + "'";
  else if (VarIsStr(X))
    text = QuotedLiteral(VarToStr(X));
  else if (VarType(X) == varBoolean)
    text = criteria->ValueToText(X);
  else
    text = VarToStr(X);
  criteria->DoReserved6(Condition(), X, text);
  return text;
}

bool TcxFilterDateOperator::Matches(const Variant& R, const Variant& /*C*/) {
  if (Criteria()->IsNullValue(R)) return false;
  return VarFromDateTime(FRangeStart) <= R && R < VarFromDateTime(FRangeEnd);
}

String TcxFilterDateOperator::GetExpressionText(const Variant& /*AValue*/) {
  const String name = Condition()->GetFieldName();
  return "(" + name + " >= " + FormatValue(VarFromDateTime(FRangeStart)) + ") AND (" + name + " < " +
         FormatValue(VarFromDateTime(FRangeEnd)) + ")";
}

namespace {

class TcxFilterSQLNullOperator : public TcxFilterNullOperator {
  RTL_CLASS(TcxFilterSQLNullOperator, TcxFilterNullOperator)
public:
  using TcxFilterNullOperator::TcxFilterNullOperator;
  String Sign() override { return "IS"; }
};

class TcxFilterSQLNotNullOperator : public TcxFilterNotNullOperator {
  RTL_CLASS(TcxFilterSQLNotNullOperator, TcxFilterNotNullOperator)
public:
  using TcxFilterNotNullOperator::TcxFilterNotNullOperator;
  String Sign() override { return "IS NOT"; }
};

template <class T>
TcxFilterOperator* Make(TcxFilterCriteriaItem* C) {
  return New<T>(C);
}

struct TPeriod {
  TPeriodUnit Unit;
  int32_t Offset;
  const char* Caption;
};
constexpr TPeriod cxPeriods[] = {
    {TPeriodUnit::Day, -1, "вчера"},           {TPeriodUnit::Day, 0, "сегодня"},
    {TPeriodUnit::Day, 1, "завтра"},           {TPeriodUnit::Week, -1, "прошлая неделя"},
    {TPeriodUnit::Month, -1, "прошлый месяц"}, {TPeriodUnit::Year, -1, "прошлый год"},
    {TPeriodUnit::Week, 0, "эта неделя"},      {TPeriodUnit::Month, 0, "этот месяц"},
    {TPeriodUnit::Year, 0, "этот год"},        {TPeriodUnit::Week, 1, "следующая неделя"},
    {TPeriodUnit::Month, 1, "следующий месяц"}, {TPeriodUnit::Year, 1, "следующий год"},
};

template <TcxFilterOperatorKind Kind>
TcxFilterOperator* MakePeriod(TcxFilterCriteriaItem* C) {
  const TPeriod& p = cxPeriods[Kind - foYesterday];
  return New<TcxFilterPeriodOperator>(C, p.Unit, p.Offset, p.Caption);
}

constexpr TcxFilterOperatorClass cxFilterOperatorClasses[cxFilterOperatorKindCount] = {
    &Make<TcxFilterEqualOperator>,       &Make<TcxFilterNotEqualOperator>,    &Make<TcxFilterLessOperator>,
    &Make<TcxFilterLessEqualOperator>,   &Make<TcxFilterGreaterOperator>,     &Make<TcxFilterGreaterEqualOperator>,
    &Make<TcxFilterLikeOperator>,        &Make<TcxFilterNotLikeOperator>,     &Make<TcxFilterBetweenOperator>,
    &Make<TcxFilterNotBetweenOperator>,  &Make<TcxFilterInListOperator>,      &Make<TcxFilterNotInListOperator>,
    &MakePeriod<foYesterday>,            &MakePeriod<foToday>,                &MakePeriod<foTomorrow>,
    &MakePeriod<foLastWeek>,             &MakePeriod<foLastMonth>,            &MakePeriod<foLastYear>,
    &MakePeriod<foThisWeek>,             &MakePeriod<foThisMonth>,            &MakePeriod<foThisYear>,
    &MakePeriod<foNextWeek>,             &MakePeriod<foNextMonth>,            &MakePeriod<foNextYear>,
    &Make<TcxFilterNullOperator>,        &Make<TcxFilterNotNullOperator>,
};

}  // namespace

TcxFilterOperatorClass FilterOperatorClass(TcxFilterOperatorKind AKind) {
  if (AKind >= cxFilterOperatorKindCount) throw EListError("filter operator kind out of range");
  return cxFilterOperatorClasses[AKind];
}

TcxFilterOperatorClass FilterSQLNullOperatorClass() { return &Make<TcxFilterSQLNullOperator>; }
TcxFilterOperatorClass FilterSQLNotNullOperatorClass() { return &Make<TcxFilterSQLNotNullOperator>; }

// ---- nodes ----

void TcxCustomFilterCriteriaItem::BeforeDestruction() {
  if (FParent != nullptr) FParent->RemoveItem(this);
  TObject::BeforeDestruction();
}

void TcxCustomFilterCriteriaItem::Changed() {
  if (TcxFilterCriteria* criteria = GetCriteria()) criteria->Changed();
}

TcxFilterCriteria* TcxCustomFilterCriteriaItem::GetCriteria() {
  return FParent != nullptr ? FParent->GetCriteria() : nullptr;
}

void TcxCustomFilterCriteriaItem::WriteData(TStream* AStream) { StreamWriteBoolean(AStream, IsItemList()); }

void TcxFilterCriteriaItemList::BeforeDestruction() {
  Clear();
  TcxCustomFilterCriteriaItem::BeforeDestruction();
}

TcxFilterCriteria* TcxFilterCriteriaItemList::GetCriteria() {
  return FOwnerCriteria != nullptr ? FOwnerCriteria : TcxCustomFilterCriteriaItem::GetCriteria();
}

void TcxFilterCriteriaItemList::WriteData(TStream* AStream) {
  TcxCustomFilterCriteriaItem::WriteData(AStream);
  StreamWriteByte(AStream, FGroupOperator);
  StreamWriteInt32(AStream, Count());
  for (TcxCustomFilterCriteriaItem* child : FChildren) child->WriteData(AStream);
}

void TcxFilterCriteriaItemList::RemoveItem(TcxCustomFilterCriteriaItem* AItem) {
  const auto it = std::find(FChildren.begin(), FChildren.end(), AItem);
  if (it == FChildren.end()) return;
  FChildren.erase(it);
  Changed();
}

TcxFilterCriteriaItem* TcxFilterCriteriaItemList::AddItem(TObject* AItemLink, TcxFilterOperatorKind AOperatorKind,
                                                          const Variant& AValue, const String& ADisplayValue) {
  return GetCriteria()->AddItem(this, AItemLink, AOperatorKind, AValue, ADisplayValue);
}

TcxFilterCriteriaItemList* TcxFilterCriteriaItemList::AddItemList(TcxFilterBoolOperatorKind ABoolOperatorKind) {
  auto* group = New<TcxFilterCriteriaItemList>(this, ABoolOperatorKind);
  FChildren.push_back(group);
  Changed();
  return group;
}

void TcxFilterCriteriaItemList::Clear() {
  TcxFilterCriteria* criteria = GetCriteria();
  if (criteria != nullptr) criteria->BeginUpdate();
  try {
    while (!FChildren.empty()) FChildren.back()->Free();
  } catch (...) {
    if (criteria != nullptr) criteria->EndUpdate();
    throw;
  }
  if (criteria != nullptr) criteria->EndUpdate();
}

TcxCustomFilterCriteriaItem* TcxFilterCriteriaItemList::Items(int32_t AIndex) const {
  return AIndex >= 0 && AIndex < Count() ? FChildren[static_cast<size_t>(AIndex)] : nullptr;
}

void TcxFilterCriteriaItemList::SetBoolOperatorKind(TcxFilterBoolOperatorKind AValue) {
  if (FGroupOperator == AValue) return;
  FGroupOperator = AValue;
  Changed();
}

void TcxFilterCriteriaItem::AfterConstruction() {
  TcxCustomFilterCriteriaItem::AfterConstruction();
  RecreateOperator();
  if (FDisplayValue.empty() && FOperatorObject->AcceptsNull()) FDisplayValue = FilterResourceText(sBlank);
}

void TcxFilterCriteriaItem::BeforeDestruction() {
  TcxCustomFilterCriteriaItem::BeforeDestruction();
  if (FOperatorObject != nullptr) {
    FOperatorObject->Free();
    FOperatorObject = nullptr;
  }
}

void TcxFilterCriteriaItem::WriteData(TStream* AStream) {
  TcxCustomFilterCriteriaItem::WriteData(AStream);
  StreamWriteByte(AStream, FConditionOperator);
  StreamWriteAnsiString(AStream, FDisplayValue);
  StreamWriteInt32(AStream, GetCriteria()->GetIDByItemLink(FItemLink));
  StreamWriteVariant(AStream, FValue);
}

String TcxFilterCriteriaItem::GetDisplayValueText() {
  String text = FDisplayValue;
  FOperatorObject->AdjustDisplayValue(text);
  return text;
}

String TcxFilterCriteriaItem::GetValueText(bool ADisplayForm) {
  return ADisplayForm ? GetDisplayValueText() : FOperatorObject->FormatValue(FValue);
}

TcxFilterOperatorClass TcxFilterCriteriaItem::GetOperatorClass() {
  const TcxFilterOperatorKind k = FConditionOperator;
  if ((k >= foLess && k <= foGreaterEqual) || k >= foBetween || !IsNullValue(FValue)) return FilterOperatorClass(k);
  return FilterOperatorClass(k == foNotEqual || k == foNotLike ? foNotNull : foNull);
}

void TcxFilterCriteriaItem::RecreateOperator() {
  if (FOperatorObject != nullptr) {
    FOperatorObject->Free();
    FOperatorObject = nullptr;
  }
  FOperatorObject = GetOperatorClass()(this);
  Changed();
}

const Variant& TcxFilterCriteriaItem::PreparedValue() {
  TcxFilterCriteria* criteria = GetCriteria();
  // Whatever the prepared value or what operators keep of it depends on: the options and the wildcards.
  const int32_t options = criteria ? criteria->Options() | static_cast<unsigned char>(criteria->PercentWildcard()) << 8 |
                                         static_cast<unsigned char>(criteria->UnderscoreWildcard()) << 16
                                   : 0;
  if (FPreparedOptions != options) {
    FPreparedValue = FValue;
    if (criteria) criteria->PrepareValue(FPreparedValue);
    FPreparedOptions = options;
    ++FPreparedVersion;
  }
  return FPreparedValue;
}

bool TcxFilterCriteriaItem::IsNullValue(const Variant& AValue) {
  TcxFilterCriteria* criteria = GetCriteria();
  return criteria != nullptr ? criteria->IsNullValue(AValue) : VarIsNull(AValue);
}

// ---- criteria ----

TcxFilterCriteria::TcxFilterCriteria() {
  FRootGroup = New<TcxFilterCriteriaItemList>(nullptr, fboAnd);
  FRootGroup->FOwnerCriteria = this;
}

void TcxFilterCriteria::BeforeDestruction() {
  // Nothing is reported while the tree goes.
  ++FUpdateLock;
  FRootGroup->Free();
  FRootGroup = nullptr;
  TPersistent::BeforeDestruction();
}

void TcxFilterCriteria::Assign(TPersistent* ASource) {
  auto* source = dynamic_cast<TcxFilterCriteria*>(ASource);
  if (source == nullptr) {
    TPersistent::Assign(ASource);
    return;
  }
  BeginUpdate();
  try {
    FDateTimeFormat = source->FDateTimeFormat;
    FMaxValueListCount = source->FMaxValueListCount;
    SetOptions(source->FOptions);
    SetPercentWildcard(source->FPercentWildcard);
    FTranslateBetween = source->FTranslateBetween;
    FTranslateIn = source->FTranslateIn;
    FSupportedLike = source->FSupportedLike;
    SetUnderscoreWildcard(source->FUnderscoreWildcard);
    AssignItems(source);
    CopyEvents(source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxFilterCriteria::CheckChanges() {
  if (!FChangePending || FUpdateLock != 0) return;
  FChangePending = false;
  PrepareOperators();
  DoChanged();
}

String TcxFilterCriteria::ValueToText(const Variant& AValue) { return VarToStr(AValue); }

String TcxFilterCriteria::DateTimeValueToText(const Variant& AValue) {
  return FDateTimeFormat.empty() ? VarToStr(AValue) : FormatDateTime(FDateTimeFormat, VarToDateTime(AValue));
}

String TcxFilterCriteria::GroupText(TcxFilterCriteriaItemList* AGroup, bool ADisplayForm) {
  const char* word = (AGroup->BoolOperatorKind() == fboAnd || AGroup->BoolOperatorKind() == fboNotAnd)
                         ? (ADisplayForm ? sAndWord : "AND")
                         : (ADisplayForm ? sOrWord : "OR");
  const String separator = " " + (ADisplayForm ? FilterResourceText(word) : String(word)) + " ";
  String result;
  for (int32_t i = 0; i < AGroup->Count(); ++i) {
    if (i > 0) result += separator;
    TcxCustomFilterCriteriaItem* child = AGroup->Items(i);
    if (child->IsItemList())
      result += "(" + GroupText(static_cast<TcxFilterCriteriaItemList*>(child), ADisplayForm) + ")";
    else
      result += "(" + GetItemText(static_cast<TcxFilterCriteriaItem*>(child), ADisplayForm) + ")";
  }
  if (AGroup->BoolOperatorKind() == fboNotAnd || AGroup->BoolOperatorKind() == fboNotOr)
    result = (ADisplayForm ? FilterResourceText(sNotWord) : String("NOT")) + " (" + result + ")";
  return result;
}

String TcxFilterCriteria::BuildFilterText(bool ADisplayForm) { return GroupText(FRootGroup, ADisplayForm); }

String TcxFilterCriteria::GetItemText(TcxFilterCriteriaItem* AItem, bool ADisplayForm) {
  if (!ADisplayForm && AItem->Operator()->IsExpression()) return AItem->Operator()->GetExpressionText(AItem->Value());
  const String value = GetItemValueText(AItem, ADisplayForm);
  String result = GetItemNameText(AItem, ADisplayForm) + " " + GetItemOperatorText(AItem, ADisplayForm);
  if (!value.empty()) result += " " + value;
  return result;
}

String TcxFilterCriteria::GetItemNameText(TcxFilterCriteriaItem* AItem, bool ADisplayForm) {
  return ADisplayForm ? AItem->GetFieldCaption() : AItem->GetFieldName();
}

String TcxFilterCriteria::GetItemOperatorText(TcxFilterCriteriaItem* AItem, bool ADisplayForm) {
  TcxFilterOperator* op = AItem->Operator();
  if (ADisplayForm && (op->HasDisplayCaption() || (FOptions & fcoShowOperatorDescription))) return op->DisplayCaption();
  return op->Sign();
}

String TcxFilterCriteria::GetItemValueText(TcxFilterCriteriaItem* AItem, bool ADisplayForm) {
  return AItem->GetValueText(ADisplayForm);
}

namespace {
void PrepareGroup(TcxFilterCriteriaItemList* AGroup) {
  for (int32_t i = 0; i < AGroup->Count(); ++i) {
    TcxCustomFilterCriteriaItem* child = AGroup->Items(i);
    if (child->IsItemList())
      PrepareGroup(static_cast<TcxFilterCriteriaItemList*>(child));
    else
      static_cast<TcxFilterCriteriaItem*>(child)->Operator()->Prepare();
  }
}

TcxFilterCriteriaItem* FindInGroup(TcxFilterCriteriaItemList* AGroup, TObject* AItemLink) {
  for (int32_t i = 0; i < AGroup->Count(); ++i) {
    TcxCustomFilterCriteriaItem* child = AGroup->Items(i);
    if (child->IsItemList()) {
      if (TcxFilterCriteriaItem* found = FindInGroup(static_cast<TcxFilterCriteriaItemList*>(child), AItemLink))
        return found;
    } else if (static_cast<TcxFilterCriteriaItem*>(child)->ItemLink() == AItemLink) {
      return static_cast<TcxFilterCriteriaItem*>(child);
    }
  }
  return nullptr;
}
}  // namespace

void TcxFilterCriteria::PrepareOperators() { PrepareGroup(FRootGroup); }

void TcxFilterCriteria::PrepareValue(Variant& AValue) {
  if (VarType(AValue) == varCurrency)
    AValue = Variant(AValue.AsDouble());
  else if (!VarIsArray(AValue) && VarIsStr(AValue) && (FOptions & fcoCaseInsensitive))
    AValue = Variant(AnsiUpperCase(VarToStr(AValue)));
}

void TcxFilterCriteria::DoChanged() {
  if (OnChanged.Assigned()) OnChanged(this);
}

void TcxFilterCriteria::CopyEvents(TPersistent* ASource) {
  if (auto* source = dynamic_cast<TcxFilterCriteria*>(ASource)) OnChanged = source->OnChanged;
}

void TcxFilterCriteria::AssignItems(TcxFilterCriteria* ASource) {
  BeginUpdate();
  try {
    Clear();
    TMemoryStream stream;
    ASource->WriteData(&stream);
    stream.SetPosition(0);
    ReadData(&stream);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TcxFilterCriteriaItem* TcxFilterCriteria::AddItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                                  TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                  const String& ADisplayValue) {
  if (AParent == nullptr) AParent = FRootGroup;
  BeginUpdate();
  TcxFilterCriteriaItem* item = nullptr;
  try {
    item = CreateItem(AParent, AItemLink, AOperatorKind, AValue, ADisplayValue);
    AParent->FChildren.push_back(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return item;
}

void TcxFilterCriteria::Changed() {
  FChangePending = true;
  CheckChanges();
}

TcxFilterCriteriaItem* TcxFilterCriteria::FindItemByItemLink(TObject* AItemLink) {
  return FindInGroup(FRootGroup, AItemLink);
}

void TcxFilterCriteria::RestoreDefaults() {
  BeginUpdate();
  SetOptions(0);
  SetPercentWildcard('%');
  FSupportedLike = true;
  FTranslateBetween = false;
  FTranslateIn = false;
  SetUnderscoreWildcard('_');
  EndUpdate();
}

bool TcxFilterCriteria::IsNullValue(const Variant& AValue) {
  return (FOptions & fcoSoftNull) ? IsBlankVariant(AValue) : VarIsNull(AValue);
}

void TcxFilterCriteria::EndUpdate() {
  --FUpdateLock;
  CheckChanges();
}

void TcxFilterCriteria::Clear() {
  BeginUpdate();
  try {
    FRootGroup->Clear();
    FRootGroup->SetBoolOperatorKind(fboAnd);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxFilterCriteria::RemoveItemByItemLink(TObject* AItemLink) {
  BeginUpdate();
  bool removed = false;
  try {
    while (TcxFilterCriteriaItem* item = FindItemByItemLink(AItemLink)) {
      TcxFilterCriteriaItemList* group = item->Parent();
      item->Free();
      removed = true;
      if (group == FRootGroup) continue;
      if (group->Count() == 0) {
        group->Free();
      } else if (group->Count() == 1) {
        TcxCustomFilterCriteriaItem* child = group->FChildren.front();
        group->FChildren.clear();
        TcxFilterCriteriaItemList* outer = group->Parent();
        outer->FChildren.push_back(child);
        child->FParent = outer;
        group->Free();
      }
    }
  } catch (...) {
    removed ? EndUpdate() : CancelUpdate();
    throw;
  }
  removed ? EndUpdate() : CancelUpdate();
}

bool TcxFilterCriteria::EvaluateRecord(int32_t ARecordIndex) { return EvaluateGroup(FRootGroup, ARecordIndex); }

bool TcxFilterCriteria::EvaluateGroup(TcxFilterCriteriaItemList* AGroup, int32_t ARecordIndex) {
  bool result = true;
  const TcxFilterBoolOperatorKind kind = AGroup->BoolOperatorKind();
  for (int32_t i = 0; i < AGroup->Count(); ++i) {
    TcxCustomFilterCriteriaItem* child = AGroup->Items(i);
    const bool value = child->IsItemList() ? EvaluateGroup(static_cast<TcxFilterCriteriaItemList*>(child), ARecordIndex)
                                           : EvaluateItem(static_cast<TcxFilterCriteriaItem*>(child), ARecordIndex);
    if (i == 0) {
      result = (kind == fboNotAnd || kind == fboNotOr) ? !value : value;
    } else {
      switch (kind) {
        case fboAnd: result = result && value; break;
        case fboOr: result = result || value; break;
        case fboNotAnd: result = result || !value; break;
        default: result = result && !value; break;
      }
    }
  }
  return result;
}

bool TcxFilterCriteria::EvaluateItem(TcxFilterCriteriaItem* AItem, int32_t ARecordIndex) {
  try {
    TcxFilterOperator* op = AItem->Operator();
    const Variant& c = AItem->PreparedValue();
    // Text read in place: PrepareValue's rules for text (upper case when case-insensitive), no copy
    // otherwise. A Null or (soft) blank text fails, as the general path below decides.
    const String* text = nullptr;
    if (op->TestsText() && !op->AcceptsNull() && AItem->GetDataText(ARecordIndex, text)) {
      if (!text || ((FOptions & fcoSoftNull) && text->empty())) return false;
      if (FOptions & fcoCaseInsensitive) return op->MatchesText(AnsiUpperCase(*text), c);
      return op->MatchesText(*text, c);
    }
    Variant r;
    AItem->GetDataValue(ARecordIndex, r);
    PrepareValue(r);
    return (op->AcceptsNull() || !IsNullValue(r)) && op->Matches(r, c);
  } catch (const EVariantError&) {
    if (FOptions & fcoSoftCompare) return false;
    throw;
  }
}

void TcxFilterCriteria::ReadItem(TStream* AStream, TcxFilterCriteriaItemList* AGroup, int32_t ADepth) {
  TcxCustomFilterCriteriaItem* node;
  if (StreamReadBoolean(AStream)) {
    const uint8_t kind = StreamReadByte(AStream);
    if (kind > fboNotOr || ADepth >= cxMaxFilterNesting) ReadFailure();
    TcxFilterCriteriaItemList* group = AGroup->AddItemList(kind);
    node = group;
    const int32_t count = StreamReadInt32(AStream);
    if (count < 0 || count > (AStream->Size() - AStream->Position()) / cxMinGroupRecord) ReadFailure();
    for (int32_t i = 0; i < count; ++i) ReadItem(AStream, group, ADepth + 1);
  } else {
    const uint8_t kind = StreamReadByte(AStream);
    if (kind >= cxFilterOperatorKindCount) ReadFailure();
    const String displayValue = StreamReadAnsiString(AStream);
    TObject* link = GetItemLinkByID(StreamReadInt32(AStream));
    const Variant value = StreamReadVariant(AStream);
    node = AddItem(AGroup, link, kind, value, displayValue);
  }
  node->PrepareOperator(AStream);
}

void TcxFilterCriteria::ReadData(TStream* AStream) {
  BeginUpdate();
  try {
    Clear();
    int32_t count = StreamReadInt32(AStream);
    if (count == -1) {
      const uint8_t kind = StreamReadByte(AStream);
      if (kind > fboNotOr) ReadFailure();
      FRootGroup->SetBoolOperatorKind(kind);
      count = StreamReadInt32(AStream);
    }
    if (count < 0 || count > (AStream->Size() - AStream->Position()) / cxMinGroupRecord) ReadFailure();
    for (int32_t i = 0; i < count; ++i) ReadItem(AStream, FRootGroup, 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxFilterCriteria::WriteData(TStream* AStream) {
  StreamWriteInt32(AStream, -1);
  StreamWriteByte(AStream, FRootGroup->BoolOperatorKind());
  StreamWriteInt32(AStream, FRootGroup->Count());
  for (int32_t i = 0; i < FRootGroup->Count(); ++i) FRootGroup->Items(i)->WriteData(AStream);
}

void TcxFilterCriteria::SetDateTimeFormat(const String& AValue) {
  if (FDateTimeFormat == AValue) return;
  FDateTimeFormat = AValue;
  Changed();
}

void TcxFilterCriteria::SetOptions(TcxFilterCriteriaOptions AValue) {
  if (FOptions == AValue) return;
  FOptions = AValue;
  Changed();
}

void TcxFilterCriteria::SetPercentWildcard(char AValue) {
  if (FPercentWildcard == AValue) return;
  FPercentWildcard = AValue;
  Changed();
}

void TcxFilterCriteria::SetUnderscoreWildcard(char AValue) {
  if (FUnderscoreWildcard == AValue) return;
  FUnderscoreWildcard = AValue;
  Changed();
}

// ---- published properties and the component stream ----

namespace cxFilterStreaming {
// The option bits as the form format names them.
enum class TcxFilterCriteriaOption : uint8_t { fcoCaseInsensitive, fcoShowOperatorDescription, fcoSoftNull, fcoSoftCompare };
RTL_ENUM(TcxFilterCriteriaOption, fcoCaseInsensitive, fcoShowOperatorDescription, fcoSoftNull, fcoSoftCompare)
using TcxFilterCriteriaOptions = Set<TcxFilterCriteriaOption>;
}  // namespace cxFilterStreaming

RTL_PUBLISHED(TcxFilterCriteria) {
  using StreamedOptions = cxFilterStreaming::TcxFilterCriteriaOptions;
  prop("MaxValueListCount", &TcxFilterCriteria::MaxValueListCount, &TcxFilterCriteria::SetMaxValueListCount).Default(0);
  prop("Options", [](TcxFilterCriteria& c) { return StreamedOptions::FromInt(c.Options()); },
       [](TcxFilterCriteria& c, StreamedOptions v) { c.SetOptions(static_cast<uint8_t>(v.ToInt())); })
      .Default(StreamedOptions());
  prop("PercentWildcard", &TcxFilterCriteria::PercentWildcard, &TcxFilterCriteria::SetPercentWildcard).Default('%');
  prop("UnderscoreWildcard", &TcxFilterCriteria::UnderscoreWildcard, &TcxFilterCriteria::SetUnderscoreWildcard)
      .Default('_');
}

RTL_PUBLISHED(TFilterWrapper) { prop("Filter", &TFilterWrapper::Filter, &TFilterWrapper::SetFilter); }

void TcxFilterCriteria::SaveToStream(TStream* AStream) {
  TFilterWrapper* wrapper = New<TFilterWrapper>(nullptr);
  cxdata::ScopeGuard release{[wrapper] { wrapper->Free(); }};
  wrapper->SetFilter(this);
  WriteComponentToStream(AStream, wrapper);
}

void TcxFilterCriteria::LoadFromStream(TStream* AStream) {
  BeginUpdate();
  cxdata::ScopeGuard unlock{[this] { EndUpdate(); }};
  TFilterWrapper* wrapper = New<TFilterWrapper>(nullptr);
  cxdata::ScopeGuard release{[wrapper] { wrapper->Free(); }};
  wrapper->SetFilter(this);
  ReadComponentFromStream(AStream, wrapper);
}

TcxFilterValueList* TcxFilterCriteria::CreateValueListOfClass() { return New<TcxFilterValueList>(this); }

// ---- value list ----

int32_t TcxFilterValueList::IndexOfKind(uint8_t AKind) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].ItemKind == AKind) return static_cast<int32_t>(i);
  return -1;
}

int32_t TcxFilterValueList::FirstValueIndex() const {
  int32_t i = 0;
  while (i < Count() && FItems[static_cast<size_t>(i)].ItemKind != fviValue) ++i;
  return i;
}

int32_t TcxFilterValueList::CompareWithItem(int32_t AIndex, const Variant& AValue, const String& ADisplayText) {
  const TcxFilterValueItem& item = FItems.at(static_cast<size_t>(AIndex));
  if (FByDisplayText) {
    if (FCriteria->Options() & fcoCaseInsensitive)
      return AnsiCompareStr(AnsiUpperCase(item.EntryText), AnsiUpperCase(ADisplayText));
    return AnsiCompareStr(item.EntryText, ADisplayText);
  }
  Variant a, b;
  FCriteria->PrepareValue(item.ItemValue, a);
  FCriteria->PrepareValue(AValue, b);
  return CompareVariantValues(a, b);
}

bool TcxFilterValueList::Find(const Variant& AValue, const String& ADisplayText, int32_t& AIndex) {
  const int32_t separator = SeparatorIndex();
  if (separator >= 0) {
    for (int32_t i = 0; i < separator; ++i)
      if (FItems[static_cast<size_t>(i)].ItemKind == fviMRU && CompareWithItem(i, AValue, ADisplayText) == 0) {
        AIndex = i;
        return true;
      }
  }
  int32_t low = FirstValueIndex(), high = Count() - 1;
  bool found = false;
  while (low <= high) {
    const int32_t middle = (low + high) / 2;
    const int32_t c = CompareWithItem(middle, AValue, ADisplayText);
    if (c < 0) {
      low = middle + 1;
    } else {
      if (c == 0) {
        found = true;
        low = middle;
      }
      high = middle - 1;
    }
  }
  AIndex = low;
  return found;
}

void TcxFilterValueList::Add(uint8_t AKind, const Variant& AValue, const String& ADisplayText, bool AAppend) {
  TcxFilterValueItem entry{AKind, AValue, ADisplayText};
  int32_t position;
  if (AKind == fviMRU) {
    position = SeparatorIndex();
    if (position < 0) {
      FItems.insert(FItems.begin(), TcxFilterValueItem{fviMRUSeparator, Null(), String()});
      position = 0;
    }
  } else if (AKind != fviValue) {
    position = FirstValueIndex();
  } else if (AAppend) {
    position = Count();
  } else {
    if (CountLimit() != 0 && Count() >= CountLimit()) return;
    if (Find(AValue, ADisplayText, position)) return;
  }
  FItems.insert(FItems.begin() + position, std::move(entry));
}

int32_t TcxFilterValueList::GetIndexByCriteriaItem(TcxFilterCriteriaItem* AItem) {
  if (AItem == nullptr) return -1;
  if (AItem->IsNullValue(AItem->Value()) && (AItem->OperatorKind() == foEqual || AItem->OperatorKind() == foNotEqual))
    return IndexOfKind(AItem->OperatorKind() == foEqual ? fviBlanks : fviNonBlanks);
  if (AItem->Parent() != FCriteria->Root() || AItem->OperatorKind() != foEqual) return IndexOfKind(fviCustom);
  int32_t index;
  if (Find(AItem->Value(), AItem->DisplayValue(), index)) return index;
  return IndexOfKind(fviAll);
}
