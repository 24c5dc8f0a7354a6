// Search and locate: the incremental search of a view, the prefix scan offered to lookup editors, and
// finding a record by field values loaded into an internal record.
#include <algorithm>

#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/data/cxCustomData.h"
#include "ui/data/cxDataUtils.h"
#include "ui/data/detail/cxScopeGuard.h"

namespace cxdata {

// The typed text, upper-cased once; each candidate is upper-cased only as far as the text reaches, so a
// scan over many long display texts does not convert them whole.
class TUpperPrefix {
public:
  explicit TUpperPrefix(const String& AText) : FPattern(AnsiUpperCase(AText)) {}
  bool Empty() const { return FPattern.empty(); }
  bool StartsIn(const String& ACandidate) const {
    size_t p = 0, t = 0;
    String folded;
    while (p < FPattern.size()) {
      if (t >= ACandidate.size()) return false;
      const unsigned char c = static_cast<unsigned char>(ACandidate[t]);
      if (c < 0x80) {
        const char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c);
        if (FPattern[p] != u) return false;
        ++p;
        ++t;
        continue;
      }
      size_t len = 0;
      const char32_t cp = Utf8CodePointAt(ACandidate, t, &len);
      if (len == 0) len = 1;
      folded.clear();
      Utf8Append(folded, UnicodeToUpper(cp));
      if (FPattern.compare(p, folded.size(), folded) != 0) return false;
      p += folded.size();
      t += len;
    }
    return true;
  }
  // Equality after upper-casing both (the whole-text comparison).
  bool Equals(const String& ACandidate) const { return AnsiUpperCase(ACandidate) == FPattern; }

private:
  String FPattern;
};

}  // namespace cxdata

// ---------------------------------------------------------------------------------------------------
// Incremental search

int32_t TcxDataControllerSearch::GetItemIndex() {
  TcxCustomDataField* f = FDataController->IncrementalSearchField();
  return f ? f->Index() : -1;
}

bool TcxDataControllerSearch::GetSearching() { return FDataController->IncrementalSearching(); }

String TcxDataControllerSearch::GetSearchText() { return FDataController->IncrementalSearchText(); }

void TcxDataControllerSearch::SetItemIndex(int32_t AItemIndex) {
  FDataController->SetIncrementalSearchField(FDataController->Fields(AItemIndex));
}

void TcxDataControllerSearch::Cancel() {
  if (FLocked) return;
  if (FDataController->IncrementalSearching()) {
    FDataController->SetIncrementalSearchText(String());
    FDataController->SetIncrementalSearching(false);
    FDataController->Change(dccSearch);
  }
}

int32_t TcxDataControllerSearch::FindInRange(int32_t AFrom, int32_t ATo, bool AForward, const String& AText) {
  TcxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  TcxCustomDataField* field = FDataController->IncrementalSearchField();
  if (ATo == -1) ATo = AForward ? info->GetRecordListCount() - 1 : 0;
  const cxdata::TUpperPrefix prefix(AText);
  const std::vector<int32_t>& list = info->RecordList();
  static const String empty;
  TcxDataStorage* storage = FDataController->IsProviderMode() || FDataController->IsGridMode() ? nullptr
                                                                                                : FDataController->DataStorage();
  constexpr int32_t kAhead = 16;
  const int32_t step = AForward ? 1 : -1;
  for (int32_t p = AFrom; AForward ? p <= ATo : p >= ATo; p += step) {
    // The records' buffers are asked for a few positions ahead (see the row view's filtering).
    const int32_t ahead = p + step * kAhead;
    if (storage && (AForward ? ahead <= ATo : ahead >= ATo)) __builtin_prefetch(storage->BufferOf(list[static_cast<size_t>(ahead)]));
    const int32_t r = list[static_cast<size_t>(p)];
    // Stored texts are looked at where they are; other display texts are made.
    const String* ref = nullptr;
    String made;
    if (FDataController->GetSearchDisplayTextRef(r, field, ref)) {
      if (!ref) ref = &empty;
    } else {
      made = FDataController->GetSearchDisplayText(r, field);
      ref = &made;
    }
    if (prefix.Empty() ? ref->empty() : prefix.StartsIn(*ref)) return p;
  }
  return -1;
}

void TcxDataControllerSearch::FocusFoundRecord(int32_t APosition) {
  Lock();
  cxdata::ScopeGuard unlock{[this] { Unlock(); }};
  FDataController->ChangeFocusedRecordIndex(FDataController->DataControllerInfo()->GetRecordListItem(APosition));
  FDataController->SelectFocusedRowOnly();
}

bool TcxDataControllerSearch::Locate(int32_t AItemIndex, const String& AText) {
  TcxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  if (AText.empty() || info->GetRecordListCount() == 0) return false;
  SetItemIndex(AItemIndex);
  bool found;
  if (FDataController->IsGridMode()) {
    found = FDataController->SearchInProvider(AText, true, false);
  } else {
    int32_t start = FDataController->GetRecordListIndexOfFocused();
    if (start < 0) start = 0;
    int32_t position = FindInRange(start, -1, true, AText);
    if (position == -1 && start > 0) position = FindInRange(0, start - 1, true, AText);
    found = position != -1;
    if (found) FocusFoundRecord(position);
  }
  if (found) {
    FDataController->SetIncrementalSearching(true);
    FDataController->SetIncrementalSearchText(AText);
    FDataController->Change(dccSearch);
    if (FDataController->GetMultiSelect()) FDataController->ResyncSelectionToFocus();
  }
  return found;
}

bool TcxDataControllerSearch::LocateNext(bool AForward) {
  const String text = GetSearchText();
  TcxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  if (!FDataController->IncrementalSearching() || text.empty() || !FDataController->IncrementalSearchField() ||
      info->GetRecordListCount() == 0)
    return false;
  bool found = false;
  if (FDataController->IsGridMode()) {
    found = FDataController->SearchInProvider(text, AForward, true);
  } else {
    const int32_t p = FDataController->GetRecordListIndexOfFocused();
    if (p < 0) return false;
    int32_t position = -1;
    if (AForward && p + 1 < info->GetRecordListCount())
      position = FindInRange(p + 1, -1, true, text);
    else if (!AForward && p - 1 >= 0)
      position = FindInRange(p - 1, -1, false, text);
    found = position != -1;
    if (found) FocusFoundRecord(position);
  }
  if (found && FDataController->GetMultiSelect()) FDataController->ResyncSelectionToFocus();
  return found;
}

// ---------------------------------------------------------------------------------------------------
// The controller's scans

int32_t TcxCustomDataController::GetRecordListIndexOfFocused() const {
  const int32_t r = GetFocusedRecordIndex();
  if (r < 0) return -1;
  if (!FDataControllerInfo->IsGrouped()) {
    const int32_t row = GetFocusedRowIndex();
    if (row >= 0 && row < FDataControllerInfo->GetRecordListCount() && FDataControllerInfo->GetRecordListItem(row) == r)
      return row;
  }
  return FDataControllerInfo->IndexOfRecord(r);
}

int32_t TcxCustomDataController::FindRowByText(int32_t AStartIndex, int32_t AItemIndex, const String& AText,
                                               bool APartialCompare, bool AWrap, bool AForward) {
  TcxCustomDataField* field = Fields(AItemIndex);
  const int32_t count = FDataControllerInfo->GetRecordListCount();
  if (AStartIndex < 0 || AStartIndex >= count) return -1;
  const cxdata::TUpperPrefix pattern(AText);
  const std::vector<int32_t>& list = FDataControllerInfo->RecordList();
  auto matches = [&](int32_t p) {
    const String text = GetFieldDisplayText(list[static_cast<size_t>(p)], field);
    if (pattern.Empty()) return text.empty();
    return APartialCompare ? pattern.StartsIn(text) : pattern.Equals(text);
  };
  if (AForward) {
    for (int32_t p = AStartIndex; p < count; ++p)
      if (matches(p)) return p;
    if (AWrap && AStartIndex != 0)
      for (int32_t p = 0; p < AStartIndex; ++p)
        if (matches(p)) return p;
  } else {
    for (int32_t p = AStartIndex; p >= 0; --p)
      if (matches(p)) return p;
    if (AWrap)
      for (int32_t p = count - 1; p > AStartIndex; --p)
        if (matches(p)) return p;
  }
  return -1;
}

int32_t TcxCustomDataController::LocateRecordByFields(int32_t ARecordIndex, const std::vector<TcxCustomDataField*>& AFields) {
  if (AFields.empty()) return -1;
  for (int32_t r = 0; r < GetRecordCount(); ++r) {
    bool equal = true;
    for (TcxCustomDataField* f : AFields)
      if (CompareByField(r, ARecordIndex, f) != 0) {
        equal = false;
        break;
      }
    if (equal) return r;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------------
// Readers and locate objects

Variant TcxValueDefUnboundReader::ReadDefValue(TcxValueDef* ADef) {
  if (auto* internal = dynamic_cast<TcxInternalValueDef*>(ADef)) ADef = internal->MainDef();
  for (size_t i = 0; i < FDefs.size(); ++i)
    if (FDefs[i] == ADef) return i < FValues.size() && FValues[i] ? *FValues[i] : Variant(Null());
  return Null();
}

bool TcxValueDefUnboundReader::SkipsDef(TcxValueDef* ADef) { return IsValueDefInternal(ADef); }

void TcxValueDefUnboundReader::SetValue(TcxValueDef* ADef, const Variant& AValue) {
  size_t i = 0;
  while (i < FDefs.size() && FDefs[i] != ADef) ++i;
  if (i == FDefs.size()) FDefs.push_back(ADef);
  if (FValues.size() < FDefs.size()) FValues.resize(FDefs.size(), nullptr);
  if (!FValues[i])
    FValues[i] = new Variant(AValue);
  else
    *FValues[i] = AValue;
}

void TcxValueDefUnboundReader::Truncate(int32_t ACount) {
  if (ACount < 0) ACount = 0;
  while (static_cast<int32_t>(FValues.size()) > ACount) {
    delete FValues.back();
    FValues.pop_back();
  }
}

Variant TcxValueDefRecordReader::ReadDefValue(TcxValueDef* ADef) {
  auto* field = dynamic_cast<TcxCustomDataField*>(ADef->Link());
  return field ? FDataController->GetFieldValue(FRecordIndex, field) : Variant(Null());
}

String TcxValueDefRecordReader::ReadDefText(TcxValueDef* ADef) {
  auto* field = dynamic_cast<TcxCustomDataField*>(ADef->Link());
  if (!field || field->IsInternal()) return String();
  return FDataController->GetFieldDisplayText(FRecordIndex, field);
}

bool TcxValueDefRecordReader::SkipsDef(TcxValueDef* ADef) { return IsValueDefInternal(ADef); }

void TcxDataControllerLocateObject::ReleaseRecord() {
  if (FRecordIndex == 0) return;
  FDataController->DataStorage()->FreeInternalRecord(FRecordIndex);
  FRecordIndex = 0;
}

void TcxDataControllerLocateObject::ReadRecord(TcxValueDefReader* AReader) {
  if (FRecordIndex == 0) FRecordIndex = FDataController->DataStorage()->NewInternalRecord();
  FDataController->DataStorage()->FillRecord(FRecordIndex, AReader, true);
}

int32_t TcxDataControllerKeyLocateObject::FindRecordIndex() {
  if (FRecordIndex == 0) return -1;
  return FDataController->LocateRecordByFields(FRecordIndex, KeyFields);
}

int32_t TcxCustomDataController::LocateGroupRecord(int32_t ARecordIndex, int32_t ALevelCount) {
  TcxCustomDataControllerInfo* info = DataControllerInfo();
  ALevelCount = std::min(ALevelCount, info->GroupingFieldList()->Count());
  if (ALevelCount <= 0) return -1;
  int32_t low = 0, high = info->GetRecordListCount() - 1;
  while (low <= high) {
    const int32_t middle = low + (high - low) / 2;
    const int32_t record = info->GetRecordListItem(middle);
    int32_t c = 0;
    for (int32_t level = 0; level < ALevelCount && c == 0; ++level) c = info->CompareGroupRecords(record, ARecordIndex, level);
    if (c == 0) return record;
    if (c < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return -1;
}

void TcxDataControllerGroupLocateObject::AfterConstruction() {
  TcxDataControllerLocateObject::AfterConstruction();
  TcxGroupingFieldList* grouping = FDataController->DataControllerInfo()->GroupingFieldList();
  for (int32_t i = 0; i < grouping->Count(); ++i) {
    TcxCustomDataField* f = grouping->Items(i).Field;
    FGroupingFields.push_back(f);
    if (FDataController->IsFieldSortByDisplayText(f)) FBinarySearch = false;
  }
  PrepareComparedFields();
}

void TcxDataControllerGroupLocateObject::PrepareComparedFields() {
  FComparedFields.assign(FGroupingFields.begin(),
                         FGroupingFields.begin() + std::min<ptrdiff_t>(FLevel + 1, static_cast<ptrdiff_t>(FGroupingFields.size())));
}

void TcxDataControllerGroupLocateObject::SetLevel(int32_t ALevel) {
  if (FLevel == ALevel) return;
  FLevel = ALevel;
  if (!FBinarySearch) PrepareComparedFields();
}

int32_t TcxDataControllerGroupLocateObject::FindRecordIndex() {
  if (FRecordIndex == 0) return -1;
  if (FBinarySearch) return FDataController->LocateGroupRecord(FRecordIndex, FLevel + 1);
  const bool saved = FDataController->CompareByValue();
  FDataController->SetCompareByValue(true);
  struct TRestore {
    TcxCustomDataController* DC;
    bool Saved;
    ~TRestore() { DC->SetCompareByValue(Saved); }
  } restore{FDataController, saved};
  return FDataController->LocateRecordByFields(FRecordIndex, FComparedFields);
}
