// Finding records by key values in the cached rows: Locate, Lookup, the extended locate and the search
// engine behind them, which scans forward or backward, fetches further rows on demand and, when the keys
// are the leading fields of the row order, searches binary over it.
#include <algorithm>
#include <cstring>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/VariantRtn.h"
#include "rtl/SysUtils.h"

namespace {

bool IsCharField(const TField* f) { return f->DataType() == ftString || f->DataType() == ftWideString; }

bool IsCalcOrLookup(const TField* f) { return f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup; }

bool IsNullish(const Variant& v) { return VarIsNull(v) || VarIsEmpty(v); }

std::vector<Variant> KeyList(const Variant& keyValues) {
  std::vector<Variant> keys;
  if (VarIsArray(keyValues)) {
    for (int32_t i = VarArrayLowBound(keyValues, 1); i <= VarArrayHighBound(keyValues, 1); ++i)
      keys.push_back(VarArrayGet(keyValues, {i}));
  } else {
    keys.push_back(keyValues);
  }
  return keys;
}

}  // namespace

void TFIBCustomDataSet::GetCachedFieldValue(TField* field, int32_t recNo, Variant& value) {
  CheckActive();
  while (FFetchedCount < recNo && FetchRecord()) {
  }
  if (recNo < 1 || recNo > FFetchedCount)
    throw Exception(FullComponentName(this) + "." + "Can't read record " + IntToStr(recNo));
  const size_t size = static_cast<size_t>(GetRecordSize());
  if (FFilterBuffer.size() != size) FFilterBuffer.assign(size, 0);
  uint8_t* b = FFilterBuffer.data();
  const int32_t column = ColumnOf(field);
  if (column < 0 && !IsCalcOrLookup(field)) {
    value = Variant::Null();
    return;
  }
  std::memset(b, 0, size);
  FCache->ReadRow(recNo, b + CacheRowOffset, false);
  if (column >= 0) {
    value = ColumnValue(column, b);
    if (FOptions.Contains(poTrimCharFields) && VarIsStr(value)) value = Variant(TrimRight(value.AsString()));
    return;
  }
  // A calculated value is computed on a copy of the row, under the filter state that reads from it.
  const int32_t physical = FCache->PhysicalOfPosition(recNo - 1) - 1;
  std::memcpy(b + RecordNumberOffset, &physical, sizeof physical);
  b[BookmarkFlagOffset] = bfCurrent;
  const TDataSetState saved = SetTempState(dsFilter);
  try {
    GetCalcFields(reinterpret_cast<TRecordBuffer>(b));
    value = field->AsVariant();
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
}

bool TFIBCustomDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  TExtLocateOptions ext;
  if (options.Contains(loCaseInsensitive)) ext.Include(LocateCaseInsensitive);
  if (options.Contains(loPartialKey)) ext.Include(LocatePartialKey);
  if (LimitedCache()) return LocateOnServer(keyFields, keyValues, ext);
  return LocateInCache(keyFields, keyValues, ext, true, 0, true);
}

bool TFIBCustomDataSet::LocateExt(const String& keyFields, const Variant& keyValues, TExtLocateOptions options) {
  return LocateInCache(keyFields, keyValues, options, true, 0, true);
}

Variant TFIBCustomDataSet::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
  if (Trim(resultFields).empty()) return Variant::Null();
  CheckActive();
  if (LimitedCache()) return LimitedLookup(keyFields, keyValues, resultFields);
  const TBookmark bookmark = IsEmpty() ? TBookmark() : GetBookmark();
  auto restore = [&] {
    if (!bookmark.empty() && BookmarkValid(bookmark)) GotoBookmark(bookmark);
  };
  Variant result = Variant::Null();
  try {
    if (LocateInCache(keyFields, keyValues, TExtLocateOptions(), true, 0, true)) result = FieldValues(resultFields);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

bool TFIBCustomDataSet::LocateRowVisible(int32_t index) { return RowIsVisible(index); }

void TFIBCustomDataSet::GotoRecordNumber(int32_t recNo, bool center) {
  int32_t index = std::max(0, std::min(recNo, FFetchedCount) - 1);
  // A hidden row cannot be current: the nearest shown one after it, else before it.
  int32_t shown = index;
  while (shown < FFetchedCount && !RowIsVisible(shown)) ++shown;
  if (shown >= FFetchedCount) {
    shown = index;
    while (shown >= 0 && !RowIsVisible(shown)) --shown;
  }
  if (shown < 0) return;
  DoBeforeScroll();
  FCurrentIndex = shown;
  Resync(center ? TResyncMode{rmExact, rmCenter} : TResyncMode{rmExact});
  DoAfterScroll();
}

// Compares the keys with the row at index. Without a match and with a sorted search, keysAfter tells
// whether the keys belong after the row in the order.
bool TFIBCustomDataSet::TestLocateRow(int32_t index, std::vector<TField*>& fields, std::vector<Variant>& keys,
                                      std::vector<bool>& converted, TExtLocateOptions options, bool& keysAfter) {
  ++FLocateRowTests;
  const bool sorted = options.Contains(LocateInSortOrder);
  keysAfter = false;
  for (size_t k = 0; k < fields.size(); ++k) {
    TField* f = fields[k];
    Variant value;
    GetCachedFieldValue(f, index + 1, value);
    Variant& key = keys[k];
    TSortFieldInfo info;
    if (sorted) GetSortInfoOfField(f, info);
    const bool nullsBefore = FLocalSortActive ? info.Ascending : info.NullsFirst;
    if (IsNullish(key) && IsNullish(value)) continue;
    if (IsNullish(key)) {
      keysAfter = !nullsBefore;
      return false;
    }
    if (IsNullish(value)) {
      keysAfter = nullsBefore;
      return false;
    }
    if (!converted[k]) {
      converted[k] = true;
      const bool wideKey = key.VType() == varOleStr;
      if (VariantsIncomparable(key, value) && !(f->DataType() == ftBCD && wideKey)) {
        try {
          if (f->DataType() == ftBoolean && key.VType() == varBoolean) key = Variant(key.AsBoolean() ? 1 : 0);
          else if (VarIsStr(key) && key.AsString().empty() && !VarIsStr(value)) key = Variant::Null();
          else key = VarAsType(key, value.VType());
        } catch (const Exception&) {
          return false;
        }
        if (IsNullish(key)) {
          keysAfter = !nullsBefore;
          return false;
        }
      }
    }
    bool match;
    try {
      if (IsCharField(f)) {
        String text = value.AsString();
        if (options.Contains(LocateCaseInsensitive)) text = AnsiUpperCase(text);
        if (options.Contains(LocatePartialKey)) match = StrStartsWith(key.AsString(), text);
        else if (options.Contains(LocateWildcards)) match = SQLLikeMatch(text, key.AsString());
        else match = VariantsEqual(key, Variant(text));
      } else {
        match = VariantsEqual(key, value);
      }
    } catch (const Exception&) {
      return false;
    }
    if (!match) {
      if (sorted) {
        int32_t c = 0;
        try {
          c = CompareFieldValues(f, key, value);
        } catch (const Exception&) {
        }
        keysAfter = info.Ascending ? c > 0 : c < 0;
      }
      return false;
    }
  }
  return true;
}

bool TFIBCustomDataSet::LocateInCache(const String& keyFields, const Variant& keyValues, TExtLocateOptions options,
                                      bool fromFirst, int32_t direction, bool center) {
  CheckActive();
  if (IsEmpty()) return false;
  if (State() == dsEdit || State() == dsInsert) Post();
  std::vector<TField*> fields;
  GetFieldList(fields, keyFields);
  if (fields.empty()) return false;
  std::vector<Variant> keys = KeyList(keyValues);
  keys.resize(fields.size(), Variant::Null());
  std::vector<bool> converted(fields.size(), false);

  // Calculated values are left alone during the scan unless a key or the filter may need them.
  bool suppress = !FilterActive();
  for (size_t k = 0; k < fields.size(); ++k) {
    TField* f = fields[k];
    if (IsCalcOrLookup(f)) suppress = false;
    if (options.Contains(LocateCaseInsensitive) && !IsNullish(keys[k]) &&
        (f->DataType() == ftString || f->DataType() == ftWideString))
      keys[k] = Variant(AnsiUpperCase(VarToStr(keys[k])));
  }

  // A search over the sort order needs the keys to be exactly the leading order fields.
  if (options.Contains(LocateInSortOrder)) {
    std::vector<std::pair<int32_t, size_t>> order;
    bool usable = true;
    for (size_t k = 0; k < fields.size() && usable; ++k) {
      TSortFieldInfo info;
      if (!GetSortInfoOfField(fields[k], info)) usable = false;
      else order.emplace_back(info.OrderPosition, k);
      const TFieldType t = fields[k]->DataType();
      if (options.Contains(LocateCaseInsensitive) && (t == ftString || t == ftWideString || t == ftGuid))
        usable = false;
    }
    if (usable) {
      std::sort(order.begin(), order.end());
      for (size_t k = 0; k < order.size(); ++k)
        if (order[k].first != static_cast<int32_t>(k) + 1) usable = false;
    }
    if (usable) {
      std::vector<TField*> f2;
      std::vector<Variant> k2;
      for (const auto& o : order) {
        f2.push_back(fields[o.second]);
        k2.push_back(keys[o.second]);
      }
      fields.swap(f2);
      keys.swap(k2);
    } else {
      options.Exclude(LocateInSortOrder);
    }
  }

  if (suppress) DisableCalcFields();
  bool found = false;
  bool nearest = false;
  int32_t target = -1;
  try {
    bool after = false;
    if (options.Contains(LocateInSortOrder)) {
      // The last fetched row first: keys beyond it are searched among the rows still to come.
      int32_t last = FFetchedCount - 1;
      if (last + 1 == FRepositionRecNo) --last;
      if (last >= 0) {
        const bool match = TestLocateRow(last, fields, keys, converted, options, after);
        if (match && RowIsVisible(last)) {
          found = true;
          target = last;
        } else if (!match && after) {
          // Sequentially through the rows after the fetched ones, while the keys lie after them.
          int32_t index = FFetchedCount;
          target = index;
          while (!options.Contains(LocateFetchedOnly) && (index < FFetchedCount || FetchRecord())) {
            if (TestLocateRow(index, fields, keys, converted, options, after) && RowIsVisible(index)) {
              found = true;
              target = index;
              break;
            }
            target = index + 1;
            if (!after) {
              target = index;
              break;
            }
            ++index;
          }
          nearest = !found;
        } else {
          int32_t lo = 0;
          int32_t hi = last - 1;
          while (lo <= hi) {
            int32_t mid = lo + (hi - lo) / 2;
            if (mid + 1 == FRepositionRecNo) {
              if (mid + 1 <= hi) ++mid;
              else if (mid - 1 >= lo) --mid;
              else break;
            }
            const bool m = TestLocateRow(mid, fields, keys, converted, options, after);
            if (m && RowIsVisible(mid)) {
              found = true;
              target = mid;
              break;
            }
            if (m || !after) hi = mid - 1;
            else lo = mid + 1;
          }
          // Where the keys would stand: the first row whose keys lie after them.
          if (!found) target = lo;
          if (!found && FRepositionRecNo > 0 && target + 1 == FRepositionRecNo) ++target;
          nearest = !found;
        }
      }
    } else {
      int32_t index;
      bool forward = true;
      if (fromFirst || direction == 0) {
        index = 0;
      } else {
        const auto* b = reinterpret_cast<const uint8_t*>(ActiveBuffer());
        int32_t physical;
        std::memcpy(&physical, b + RecordNumberOffset, sizeof physical);
        const int32_t current = FCache->PositionOfPhysical(physical + 1);
        index = direction == 1 ? current + 1 : current - 1;
        forward = direction != 2;
      }
      while (!found) {
        if (forward) {
          if (index >= FFetchedCount && (options.Contains(LocateFetchedOnly) || !FetchRecord())) break;
        } else if (index < 0) {
          break;
        }
        if (TestLocateRow(index, fields, keys, converted, options, after) && RowIsVisible(index)) {
          found = true;
          target = index;
        }
        index += forward ? 1 : -1;
      }
    }
  } catch (...) {
    if (suppress) EnableCalcFields();
    throw;
  }
  if (suppress) EnableCalcFields();
  FNearestIndex = nearest ? target : -1;
  if (found || (nearest && options.Contains(LocateNearest) && target >= 0)) {
    GotoRecordNumber(target + 1, center);
    CursorPosChanged();
  }
  return found;
}
