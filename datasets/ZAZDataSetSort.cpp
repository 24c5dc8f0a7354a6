// The row order of the SQL dataset: the sort information taken from the select's ORDER BY or made by a
// sort in memory over the cached rows, moving a posted row to its place, and the local filter (the
// filter text through the framework's expression parser, and OnFilterRecord) over the cached rows.
#include <cstring>
#include <utility>

#include "datasets/ZAZDataSet.h"
#include "db/DBCommon.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/VariantRtn.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/DateTime.h"
#include "rtl/SysUtils.h"

namespace {

bool IsNullOrEmptyKey(const Variant& v) { return VarIsNull(v) || VarIsEmpty(v); }

bool IsCalculatedKind(const TField* f) { return f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup; }

// Text without the characters below 33 at its ends.
String TrimControls(const String& s) {
  size_t a = 0;
  size_t b = s.size();
  while (a < b && static_cast<uint8_t>(s[a]) < 33) ++a;
  while (b > a && static_cast<uint8_t>(s[b - 1]) < 33) --b;
  return s.substr(a, b - a);
}

[[noreturn]] void BadFilter() { DatabaseError("Incorrectly formed filter expression"); }
[[noreturn]] void ExpressionExpected(const String& found) {
  DatabaseErrorFmt("Expression expected but %s found", {found});
}

// Walks the filter data of the framework's parser against the dataset's current (filter) record.
class TFilterEvaluator {
public:
  TFilterEvaluator(const std::vector<uint8_t>& data, TDataSet* dataSet) : FData(data), FDataSet(dataSet) {}

  bool Matches() {
    const Variant v = Eval(0);
    if (IsNullOrEmptyKey(v)) return false;
    return v.AsBoolean();
  }

private:
  uint16_t Op(uint16_t node, int i) const { return ExprNodeOperand(FData, node, i); }

  Variant Eval(uint16_t node) {
    const TCANOperator op = ExprNodeOperator(FData, node);
    switch (ExprNodeClass(FData, node)) {
      case nodeUNARY: return Unary(op, Eval(Op(node, 0)));
      case nodeBINARY: return Binary(op, node);
      case nodeCOMPARE: return Compare(op, node);
      case nodeFIELD: {
        if (op != coFIELD2) BadFilter();
        TField* f = FDataSet->FieldByName(ExprLiteralString(FData, Op(node, 1)));
        if (f->DataType() == ftBCD && f->IsNull()) return Variant::Null();
        return f->AsVariant();
      }
      case nodeCONST:
        if (op != coCONST2) BadFilter();
        return ExprConstValue(FData, node);
      case nodeLISTELEM: {
        std::vector<Variant> values;
        for (int i = 0; i < Op(node, 0); ++i) {
          const Variant v = Eval(Op(node, 1 + i));
          if (VarIsArray(v)) {
            for (int32_t k = VarArrayLowBound(v, 1); k <= VarArrayHighBound(v, 1); ++k) {
              const Variant e = VarArrayGet(v, {k});
              if (VarIsEmpty(e)) break;
              values.push_back(e);
            }
          } else {
            values.push_back(v);
          }
        }
        if (values.size() > 51) DatabaseError("Variant array index out of bounds");
        if (values.size() < 2) return values.empty() ? Variant() : values[0];
        return VarArrayOf(values);
      }
      case nodeFUNC: return Function(ExprLiteralString(FData, Op(node, 0)), Op(node, 1));
      default: return Variant();
    }
  }

  static Variant Unary(TCANOperator op, const Variant& v) {
    switch (op) {
      case coISBLANK: return Variant(IsNullOrEmptyKey(v));
      case coNOTBLANK: return Variant(!IsNullOrEmptyKey(v));
      case coNOT: return IsNullOrEmptyKey(v) ? Variant(true) : Variant(!v.AsBoolean());
      case coMINUS: return -v;
      case coUPPER: return Variant(AnsiUpperCase(VarToStr(v)));
      case coLOWER: return Variant(AnsiLowerCase(VarToStr(v)));
      default: return Variant();
    }
  }

  Variant Binary(TCANOperator op, uint16_t node) {
    if (op == coAND || op == coOR) {
      const Variant l = Eval(Op(node, 0));
      const bool left = !IsNullOrEmptyKey(l) && l.AsBoolean();
      if (op == coAND && !left) return Variant(false);
      if (op == coOR && left) return Variant(true);
      const Variant r = Eval(Op(node, 1));
      return Variant(!IsNullOrEmptyKey(r) && r.AsBoolean());
    }
    const Variant l = Eval(Op(node, 0));
    const Variant r = Eval(Op(node, 1));
    switch (op) {
      case coEQ: return Variant(l == r);
      case coNE: return Variant(!(l == r));
      case coGT: return Variant(l > r);
      case coLT: return Variant(l < r);
      case coGE: return Variant(l >= r);
      case coLE: return Variant(l <= r);
      case coADD: return l + r;
      case coSUB: return l - r;
      case coMUL: return l * r;
      case coDIV: return l / r;
      case coMOD:
      case coREM: return l % r;
      case coLIKE: return Variant(SQLLikeMatch(VarToStr(l), VarToStr(r)));
      case coIN: {
        if (!VarIsArray(r)) return Variant(l == r);
        for (int32_t k = VarArrayLowBound(r, 1); k <= VarArrayHighBound(r, 1); ++k) {
          const Variant e = VarArrayGet(r, {k});
          if (VarIsEmpty(e)) break;
          if (l == e) return Variant(true);
        }
        return Variant(false);
      }
      case coASSIGN: return l;
      default: BadFilter();
    }
  }

  Variant Compare(TCANOperator op, uint16_t node) {
    const bool caseInsensitive = Op(node, 0) != 0;
    const uint16_t partial = Op(node, 1);
    Variant l = Eval(Op(node, 2));
    Variant r = Eval(Op(node, 3));
    const bool ln = IsNullOrEmptyKey(l);
    const bool rn = IsNullOrEmptyKey(r);
    if (ln != rn) return Variant(op == coNE);
    if (ln) return Variant(op != coNE);
    String a = VarToStr(l);
    String b = VarToStr(r);
    if (caseInsensitive) {
      a = AnsiUpperCase(a);
      b = AnsiUpperCase(b);
    }
    if (partial > 0 && op != coLIKE) {
      a = a.substr(0, partial);
      b = b.substr(0, partial);
    }
    switch (op) {
      case coEQ: return Variant(a == b);
      case coNE: return Variant(a != b);
      case coLIKE: return Variant(SQLLikeMatch(a, b));
      default: BadFilter();
    }
  }

  Variant Function(const String& rawName, uint16_t arg) {
    const String name = AnsiUpperCase(rawName);
    auto date = [&] { return VarToDateTime(Eval(arg)); };
    uint16_t y, m, d, h, n, s, ms;
    if (name == "UPPER") return Variant(AnsiUpperCase(VarToStr(Eval(arg))));
    if (name == "LOWER") return Variant(AnsiLowerCase(VarToStr(Eval(arg))));
    if (name == "TRIM") return Variant(TrimControls(VarToStr(Eval(arg))));
    if (name == "TRIMLEFT") return Variant(TrimLeft(VarToStr(Eval(arg))));
    if (name == "TRIMRIGHT") return Variant(TrimRight(VarToStr(Eval(arg))));
    if (name == "YEAR" || name == "MONTH" || name == "DAY") {
      DecodeDate(date(), y, m, d);
      return Variant(static_cast<int32_t>(name == "YEAR" ? y : name == "MONTH" ? m : d));
    }
    if (name == "HOUR" || name == "MINUTE" || name == "SECOND") {
      DecodeTime(date(), h, n, s, ms);
      return Variant(static_cast<int32_t>(name == "HOUR" ? h : name == "MINUTE" ? n : s));
    }
    if (name == "DATE") {
      const Variant v = Eval(arg);
      // The form with a text and its format needs a date parser, which the dataset does not supply.
      if (VarIsArray(v)) BadFilter();
      return Variant(static_cast<int32_t>(VarToDateTime(v)));
    }
    if (name == "GETDATE") return Variant::FromDateTime(Now());
    if (name == "SUBSTRING") {
      const Variant v = Eval(arg);
      if (!VarIsArray(v)) BadFilter();
      const int32_t low = VarArrayLowBound(v, 1);
      const String text = VarToStr(VarArrayGet(v, {low}));
      const Variant second = VarArrayGet(v, {low + 1});
      int32_t start;
      int32_t length;
      if (VarIsType(second, {varSmallint, varInteger, varSingle, varDouble})) {
        start = second.AsInteger();
        length = VarArrayHighBound(v, 1) >= low + 2 ? VarArrayGet(v, {low + 2}).AsInteger() : INT32_MAX;
      } else {
        const String range = VarToStr(second);
        const size_t comma = range.find(',');
        if (comma == String::npos) ExpressionExpected(range);
        start = StrToInt(Trim(range.substr(0, comma)));
        length = StrToInt(Trim(range.substr(comma + 1)));
      }
      if (start < 1) start = 1;
      if (static_cast<size_t>(start) > text.size() || length <= 0) return Variant(String());
      return Variant(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)));
    }
    ExpressionExpected(rawName);
  }

  const std::vector<uint8_t>& FData;
  TDataSet* FDataSet;
};

}  // namespace

// --- comparing and the sort information --------------------------------------------------------------------

int32_t TFIBCustomDataSet::CompareFieldValues(TField* field, const Variant& s1, const Variant& s2) {
  if (OnCompareFieldValues) return OnCompareFieldValues(field, s1, s2);
  const bool n1 = IsNullOrEmptyKey(s1);
  const bool n2 = IsNullOrEmptyKey(s2);
  if (n1 && n2) return 0;
  if (n1) return -1;
  if (n2) return 1;
  return CompareVariants(s1, s2);
}

int32_t TFIBCustomDataSet::OrderFieldCount() const {
  if (!VarIsArray(FSortInfo)) return 0;
  return VarArrayHighBound(FSortInfo, 1) - VarArrayLowBound(FSortInfo, 1) + 1;
}

bool TFIBCustomDataSet::AllOrderFieldsPresent() const {
  if (!VarIsArray(FSortInfo)) return false;
  for (int32_t i = 0; i < OrderFieldCount(); ++i)
    if (!FindField(VarToStr(VarArrayGet(FSortInfo, {i, 0})))) return false;
  return true;
}

String TFIBCustomDataSet::OrderFieldNames() const {
  String names;
  for (int32_t i = 0; i < OrderFieldCount(); ++i) {
    if (i > 0) names += ";";
    names += VarToStr(VarArrayGet(FSortInfo, {i, 0}));
  }
  return names;
}

bool TFIBCustomDataSet::GetSortInfoOfField(TField* field, TSortFieldInfo& info) const {
  for (int32_t i = 0; i < OrderFieldCount(); ++i) {
    if (VarToStr(VarArrayGet(FSortInfo, {i, 0})) != field->FieldName()) continue;
    info.SortField = field->FieldName();
    info.FieldIndex = field->Index();
    info.OrderPosition = i + 1;
    info.Ascending = VarArrayGet(FSortInfo, {i, 1}).AsBoolean();
    info.NullsFirst = VarArrayGet(FSortInfo, {i, 2}).AsBoolean();
    return true;
  }
  return false;
}

void TFIBCustomDataSet::GetSortFieldInfo(int32_t position, TSortFieldInfo& info) const {
  if (position < 1 || position > OrderFieldCount()) {
    info.SortField = "Unknown";
    info.OrderPosition = -1;
    info.FieldIndex = -1;
    info.Ascending = true;
    return;
  }
  info.SortField = VarToStr(VarArrayGet(FSortInfo, {position - 1, 0}));
  info.OrderPosition = position;
  TField* f = FindField(info.SortField);
  info.FieldIndex = f ? f->Index() : -1;
  info.Ascending = VarArrayGet(FSortInfo, {position - 1, 1}).AsBoolean();
  info.NullsFirst = VarArrayGet(FSortInfo, {position - 1, 2}).AsBoolean();
}

void TFIBCustomDataSet::PrepareSortInfo() {
  if (FOptions.Contains(poPersistentSorting) && VarIsArray(FSortInfo) && FLocalSortActive) return;
  // A reopen after a local sort without poPersistentSorting takes the order of the select again: the
  // rows arrive in the server's order.
  FSortInfo = OrderByToVariantArray(SelectSQL()->Text());
  FLocalSortActive = false;
  if (VarIsArray(FSortInfo)) {
    // An item without NULLS FIRST or LAST gets the server's placing: nulls first ascending, last
    // descending. Taken as "nulls last" they would send a sorted search the wrong way at a null row.
    TSQLParser* parser = New<TSQLParser>(SelectSQL()->Text());
    const String list = parser->GetOrderClause();
    parser->Free();
    const TCharSet comma(",");
    for (int32_t i = 0; i < OrderFieldCount(); ++i)
      if (PosText("NULLS", ExtractWordByIndex(i + 1, list, comma)) == 0)
        VarArrayPut(FSortInfo, VarArrayGet(FSortInfo, {i, 1}), {i, 2});
  }
  for (int32_t i = 0; i < OrderFieldCount(); ++i) {
    const String name = VarToStr(VarArrayGet(FSortInfo, {i, 0}));
    TField* field = nullptr;
    bool number = !name.empty();
    for (char c : name) number = number && c >= '0' && c <= '9';
    if (number) {
      field = FieldByNumber(StrToIntDef(name, 0));
      VarArrayPut(FSortInfo, Variant(field ? field->FieldName() : String("NotPresented")), {i, 0});
      continue;
    }
    // By the select's column: its alias or, after a table prefix, its column name.
    const size_t dot = name.find('.');
    const String column = dot == String::npos ? name : name.substr(dot + 1);
    for (int32_t c = 0; c < FSelect->GetFieldCount() && !field; ++c) {
      TFIBXSQLVAR* v = FSelect->Fields(c);
      if (IdentifiersEqual(v->Name(), column) || IdentifiersEqual(v->GetSQLName(), column))
        field = FieldByNumber(c + 1);
    }
    if (!field) {
      FSortInfo = Variant::Null();
      break;
    }
    VarArrayPut(FSortInfo, Variant(field->FieldName()), {i, 0});
  }
}

void TFIBCustomDataSet::OpenLocalOrderAndFilter() {
  const String select = SelectSQL()->Text();
  if (FLocalSortActive && select != FSortSelectText &&
      (!FOptions.Contains(poPersistentSorting) || !AllOrderFieldsPresent())) {
    FSortInfo = Variant::Null();
    FLocalSortActive = false;
  }
  FSortSelectText = select;
  if (FPrepareOptions.Contains(psGetOrderInfo)) PrepareSortInfo();
  else if (!(FOptions.Contains(poPersistentSorting) && FLocalSortActive)) FSortInfo = Variant::Null();
  FreeAndNil(FFilterParser);
  FFilterParserText.clear();
  if (!TrimControls(Filter()).empty()) CreateFilterParser(Filter(), FilterOptions());
}

void TFIBCustomDataSet::RestoreLocalSortAfterOpen() {
  if (!FOptions.Contains(poPersistentSorting) || !FLocalSortActive || !VarIsArray(FSortInfo)) return;
  std::vector<TSortFieldRef> fields;
  std::vector<bool> ordering;
  for (int32_t i = 0; i < OrderFieldCount(); ++i) {
    fields.emplace_back(FieldByName(VarToStr(VarArrayGet(FSortInfo, {i, 0})))->Index());
    ordering.push_back(VarArrayGet(FSortInfo, {i, 1}).AsBoolean());
  }
  DoSort(fields, ordering);
  First();
}

// --- sorting in memory --------------------------------------------------------------------------------------

void TFIBCustomDataSet::DoSort(const std::vector<TSortFieldRef>& fields, const std::vector<bool>& ordering) {
  if (State() == dsEdit || State() == dsInsert) Post();
  try {
    SortCachedRows(fields, ordering);
  } catch (...) {
    ResyncAfterReorder();
    throw;
  }
  ResyncAfterReorder();
}

void TFIBCustomDataSet::SortCachedRows(const std::vector<TSortFieldRef>& refs, const std::vector<bool>& ordering) {
  if (!Active()) RaiseClientError(29, {"do local sorting", FullComponentName(this)});
  int16_t cursor = 0;
  ShowSQLScreenCursor(cursor);
  const TBookmark bookmark = IsEmpty() ? TBookmark() : GetBookmark();
  DisableControls();
  auto restore = [&] {
    if (!bookmark.empty() && BookmarkValid(bookmark)) GotoBookmark(bookmark);
    RestoreScreenCursor(cursor);
    EnableControls();
  };
  std::vector<TField*> fields;
  std::vector<int32_t> directions;
  try {
    while (FetchRecord()) {
    }
    FFilteredRecords.clear();
    Variant info = VarArrayCreate({0, static_cast<int32_t>(refs.size()) - 1, 0, 2}, varVariant);
    for (size_t i = 0; i < refs.size(); ++i) {
      const TSortFieldRef& ref = refs[i];
      TField* f = nullptr;
      switch (ref.Kind) {
        case TSortFieldRef::kIndex: f = Fields()->Fields(ref.Index); break;
        case TSortFieldRef::kName: f = FindField(ref.Name); break;
        case TSortFieldRef::kField: f = ref.Field && ref.Field->DataSet() == this ? ref.Field : nullptr; break;
        case TSortFieldRef::kVariant:
          if (VarIsOrdinal(ref.Value) && ref.Value.VType() != varBoolean) f = Fields()->Fields(ref.Value.AsInteger());
          else if (VarIsStr(ref.Value)) f = FindField(ref.Value.AsString());
          break;
      }
      if (!f) throw Exception("Can't sort. Invalid parameter: Fields[" + IntToStr(static_cast<int32_t>(i)) + "]");
      const bool ascending = i < ordering.size() ? ordering[i] : true;
      VarArrayPut(info, Variant(f->FieldName()), {static_cast<int32_t>(i), 0});
      VarArrayPut(info, Variant(ascending), {static_cast<int32_t>(i), 1});
      VarArrayPut(info, Variant(false), {static_cast<int32_t>(i), 2});
      fields.push_back(f);
      directions.push_back(ascending ? 1 : -1);
    }
    FSortInfo = info;
    FLocalSortActive = true;
  } catch (...) {
    FSortInfo = Variant::Null();
    RestoreScreenCursor(cursor);
    EnableControls();
    throw;
  }
  try {
    if (FFetchedCount >= 2 && !fields.empty()) QuickSortRows(fields, directions, 0, FFetchedCount - 1);
  } catch (...) {
    FSortInfo = Variant::Null();
    restore();
    throw;
  }
  restore();
}

void TFIBCustomDataSet::QuickSortRows(const std::vector<TField*>& fields, const std::vector<int32_t>& directions,
                                      int32_t l, int32_t r) {
  const size_t n = fields.size();
  auto keysAt = [&](int32_t position, std::vector<Variant>& keys) {
    keys.resize(n);
    for (size_t k = 0; k < n; ++k) GetCachedFieldValue(fields[k], position + 1, keys[k]);
  };
  // An unreadable or incomparable value counts as equal.
  auto compare = [&](int32_t position, std::vector<Variant>& keys, const std::vector<Variant>& pivot) {
    try {
      keysAt(position, keys);
      for (size_t k = 0; k < n; ++k)
        if (const int32_t c = CompareFieldValues(fields[k], keys[k], pivot[k])) return c * directions[k];
    } catch (const Exception&) {
    }
    return 0;
  };
  auto equal = [&](const std::vector<Variant>& a, const std::vector<Variant>& b) {
    for (size_t k = 0; k < n; ++k) {
      try {
        if (!VariantsEqual(a[k], b[k])) return false;
      } catch (const Exception&) {
        return false;
      }
    }
    return true;
  };
  std::vector<Variant> pivot, vi, vj;
  int32_t i;
  do {
    i = l;
    int32_t j = r;
    try {
      keysAt(static_cast<int32_t>((static_cast<uint32_t>(l) + static_cast<uint32_t>(r)) >> 1), pivot);
    } catch (const Exception&) {
      pivot.assign(n, Variant::Null());
    }
    do {
      while (i < FFetchedCount && compare(i, vi, pivot) < 0) ++i;
      while (j >= 0 && compare(j, vj, pivot) > 0) --j;
      if (i <= j) {
        if (i != j && !equal(vi, vj)) FCache->SwapPositions(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSortRows(fields, directions, l, j);
    l = i;
  } while (i < r);
}

void TFIBCustomDataSet::MoveRecord(int32_t fromRecNo, int32_t toRecNo) {
  if (toRecNo <= 0) toRecNo = 1;
  if (toRecNo > FFetchedCount) {
    while (FetchRecord()) {
    }
    toRecNo = std::min(toRecNo, FFetchedCount);
  }
  FCache->MovePosition(fromRecNo - 1, toRecNo - 1);
  Resync({});
}

// --- a posted row in sort order -----------------------------------------------------------------------------

Variant TFIBCustomDataSet::SortKeyValue() {
  const int32_t n = OrderFieldCount();
  bool calcDone = false;
  std::vector<Variant> values;
  for (int32_t i = 0; i < n; ++i) {
    TField* f = FieldByName(VarToStr(VarArrayGet(FSortInfo, {i, 0})));
    if (IsCalculatedKind(f) && !calcDone) {
      GetCalcFields(ActiveBuffer());
      calcDone = true;
    }
    values.push_back(f->Value());
  }
  return n == 1 ? values[0] : VarArrayOf(values);
}

Variant TFIBCustomDataSet::RecordValuesArray() {
  std::vector<Variant> values;
  for (TField* f : *Fields()) values.push_back(f->Value());
  return VarArrayOf(values);
}

bool TFIBCustomDataSet::SortKeyChanged() {
  if (!HasOrderInfo() || !(FOptions.Contains(poKeepSorting) || LimitedCache())) return false;
  bool calcDone = false;
  for (int32_t i = 0; i < OrderFieldCount(); ++i) {
    TField* f = FindField(VarToStr(VarArrayGet(FSortInfo, {i, 0})));
    if (!f) continue;
    if (IsCalculatedKind(f) && !calcDone) {
      GetCalcFields(ActiveBuffer());
      calcDone = true;
    }
    if (State() == dsInsert) return true;
    if (!VariantsEqual(f->Value(), f->OldValue())) return true;
  }
  return false;
}

void TFIBCustomDataSet::DoAfterPost() {
  if (FSortKeyChangedOnPost) {
    FSortKeyChangedOnPost = false;
    KeepSortOrder();
  }
  TDataSet::DoAfterPost();
  if (FPostRefreshError) std::rethrow_exception(std::exchange(FPostRefreshError, nullptr));
}

void TFIBCustomDataSet::KeepSortOrder() {
  if (IsEmpty() || !HasOrderInfo()) return;
  if (!FOptions.Contains(poKeepSorting)) {
    FSortInfo = Variant::Null();
    return;
  }
  // Positions in the cache's row order, not visible record numbers: hidden and filtered rows keep
  // their places in the order too. The filter is set aside without resynchronising while the place
  // is searched.
  const bool wasFiltered = Filtered();
  UpdateCursorPos();
  const int32_t from = FCurrentIndex;
  DisableControls();
  FRepositionRecNo = from + 1;
  TDataSet::SetFiltered(false);
  auto finish = [&] {
    FRepositionRecNo = -1;
    TDataSet::SetFiltered(wasFiltered);
    EnableControls();
  };
  try {
    const Variant key = SortKeyValue();
    const Variant before = RecordValuesArray();
    FNearestIndex = -1;
    const bool found = LocateExt(OrderFieldNames(), key, {LocateInSortOrder, LocateNearest});
    bool same = false;
    if (found) {
      try {
        same = VarArraysEqual(before, RecordValuesArray(), FieldCount() - 1);
      } catch (const Exception&) {
      }
    }
    int32_t place = found ? FCurrentIndex : FNearestIndex;
    if (same || place < 0) place = from;
    const int32_t to = from < place ? place - 1 : place;
    if (to != from) FCache->MovePosition(from, to);
    FCurrentIndex = to;
    Resync({});
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// --- resynchronising after a change of order or visibility --------------------------------------------------

void TFIBCustomDataSet::ResyncAfterReorder() {
  if (ComponentState().Contains(csDestroying) || !Active()) return;
  CheckBrowseMode();
  ResyncViaBookmark();
}

void TFIBCustomDataSet::ResyncViaBookmark() {
  const TBookmark bookmark = IsEmpty() ? TBookmark() : GetBookmark();
  const bool eof = Eof();
  DisableControls();
  try {
    if (!bookmark.empty() && BookmarkValid(bookmark)) {
      GotoBookmark(bookmark);
      if (eof) Next();
    } else {
      First();
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

// --- the local filter ---------------------------------------------------------------------------------------

void TFIBCustomDataSet::CreateFilterParser(const String& text, TFilterOptions options) {
  const String trimmed = TrimControls(text);
  if (trimmed.empty()) {
    FreeAndNil(FFilterParser);
    FFilterParserText = text;
    return;
  }
  // The framework's parser accepts calculated fields only as internal ones. The kind setter refuses an
  // open dataset, so the switch is made (both ways) under a momentarily inactive state.
  std::vector<TField*> calculated;
  auto switchKinds = [&](TFieldKind kind) {
    const TDataSetState saved = SetTempState(dsInactive);
    for (TField* f : calculated) f->SetFieldKind(kind);
    RestoreState(saved);
  };
  for (TField* f : *Fields())
    if (f->FieldKind() == fkCalculated) calculated.push_back(f);
  switchKinds(fkInternalCalc);
  auto restore = [&] { switchKinds(fkCalculated); };
  TExprParser* parser = nullptr;
  try {
    parser = New<TExprParser>(this, trimmed, options, TParserOptions{poExtSyntax});
  } catch (const EDatabaseError& e) {
    restore();
    DatabaseError("Can't parse Filter for: \r\n" + e.Message());
  } catch (...) {
    restore();
    throw;
  }
  restore();
  FreeAndNil(FFilterParser);
  FFilterParser = parser;
  FFilterParserText = text;
}

void TFIBCustomDataSet::SetFilterData(const String& text, TFilterOptions options) {
  if (Active()) {
    CheckBrowseMode();
    if (!(FFilterParser && FFilterParserText == text && options == FilterOptions()))
      CreateFilterParser(text, options);
  } else {
    FreeAndNil(FFilterParser);
  }
  TDataSet::SetFilterText(text);
  TDataSet::SetFilterOptions(options);
  if (Active() && Filtered()) {
    FFilteredRecords.clear();
    First();
  }
}

void TFIBCustomDataSet::SetFilterText(const String& value) { SetFilterData(value, FilterOptions()); }

void TFIBCustomDataSet::SetFilterOptions(TFilterOptions value) { SetFilterData(Filter(), value); }

void TFIBCustomDataSet::SetFiltered(bool value) {
  FFilteredRecords.clear();
  if (Active() && FFilterParserText != Filter()) SetFilterData(Filter(), FilterOptions());
  TDataSet::SetFiltered(value);
  ResyncAfterReorder();
}

void TFIBCustomDataSet::SetOnFilterRecord(const TFilterRecordEvent& value) {
  TDataSet::SetOnFilterRecord(value);
  if (Filtered()) ResyncAfterReorder();
}

bool TFIBCustomDataSet::RecordIsVisible(TRecordBuffer buffer) {
  auto* b = reinterpret_cast<uint8_t*>(buffer);
  if (!IsStatusVisible(b[CacheRowOffset])) return false;
  if (!FilterActive()) return true;
  if (b != FFilterBuffer.data()) {
    FFilterBuffer.assign(b, b + GetRecordSize());
    b = FFilterBuffer.data();
  }
  return BufferPassesFilter(b);
}

bool TFIBCustomDataSet::BufferPassesFilter(uint8_t* b) {
  const TDataSetState saved = SetTempState(dsFilter);
  bool accept = true;
  try {
    GetCalcFields(reinterpret_cast<TRecordBuffer>(b));
    if (FFilterParser) accept = TFilterEvaluator(FFilterParser->FilterData(), this).Matches();
    if (accept && OnFilterRecord().Assigned()) OnFilterRecord()(this, accept);
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
  return accept;
}

bool TFIBCustomDataSet::EvaluateRowFilter(int32_t position0) const {
  auto* self = const_cast<TFIBCustomDataSet*>(this);
  const size_t size = static_cast<size_t>(GetRecordSize());
  if (self->FFilterBuffer.size() != size) self->FFilterBuffer.assign(size, 0);
  uint8_t* b = self->FFilterBuffer.data();
  std::memset(b, 0, size);
  FCache->ReadRow(position0 + 1, b + CacheRowOffset, false);
  const int32_t physical = FCache->PhysicalOfPosition(position0) - 1;
  std::memcpy(b + RecordNumberOffset, &physical, sizeof physical);
  b[BookmarkFlagOffset] = bfCurrent;
  return self->BufferPassesFilter(b);
}

int32_t TFIBCustomDataSet::FilteredRecordCount() const {
  int32_t count = 0;
  for (int32_t p = 0; p < FFetchedCount; ++p)
    if (RowIsVisible(p)) ++count;
  return count;
}

const std::vector<int32_t>& TFIBCustomDataSet::FilteredRecords() {
  FFilteredRecords.clear();
  if (!FilterActive() || !FCache) return FFilteredRecords;
  for (int32_t p = 0; p < FFetchedCount; ++p)
    if (RowIsVisible(p)) FFilteredRecords.push_back(p + 1);
  return FFilteredRecords;
}
