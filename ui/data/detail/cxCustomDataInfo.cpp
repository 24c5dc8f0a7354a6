// The row view: record list, sorting, grouping, expanding, focus and selection.
#include <algorithm>
#include <cstring>
#include <map>

#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxCustomData.h"

namespace {

// Sort keys of texts: sequences of 16-bit units whose lexicographic order (shorter first on a common
// prefix) is the order of the text comparison they stand for. The locale-like order is encoded in
// levels separated by a 0 unit: the letter weights, then the "ё" marks, then (case-sensitive) the case.
char32_t FoldAt(const String& s, size_t pos, size_t& len) {
  const unsigned char c = static_cast<unsigned char>(s[pos]);
  if (c < 0x80) {
    len = 1;
    return (c >= 'A' && c <= 'Z') ? c + 32u : c;
  }
  const char32_t cp = Utf8CodePointAt(s, pos, &len);
  if (len == 1) return 0x110000 + c;
  return UnicodeToLower(UnicodeToUpper(cp));
}

void AppendWeight(char32_t folded, std::vector<uint16_t>& out) {
  char32_t f = folded == 0x0451 ? 0x0435 : folded;
  int category;
  if (f < 0x80)
    category = (f >= 'a' && f <= 'z') ? 2 : (f >= '0' && f <= '9') ? 1 : 0;
  else
    category = UnicodeIsLetter(f) ? 2 : UnicodeIsDigit(f) ? 1 : 0;
  switch (category) {
    case 0:
      if (f < 0x80)
        out.push_back(static_cast<uint16_t>(1 + f));
      else {
        out.push_back(static_cast<uint16_t>(0x100 + (f >> 16)));
        out.push_back(static_cast<uint16_t>(f & 0xFFFF));
      }
      break;
    case 1:
      if (f < 0x80)
        out.push_back(static_cast<uint16_t>(0x200 + f));
      else {
        out.push_back(static_cast<uint16_t>(0x300 + (f >> 16)));
        out.push_back(static_cast<uint16_t>(f & 0xFFFF));
      }
      break;
    default:
      if (f < 0xE000)
        out.push_back(static_cast<uint16_t>(0x1000 + f));
      else {
        out.push_back(static_cast<uint16_t>(0xF000 + (f >> 16)));
        out.push_back(static_cast<uint16_t>(f & 0xFFFF));
      }
  }
}

}  // namespace

// The key of AnsiCompareText (case-insensitive) or AnsiCompareStr over UTF-8 text.
void cxAppendAnsiSortKey(const String& s, bool ACaseSensitive, std::vector<uint16_t>& out) {
  // The common case, ASCII without upper-case letters or "ё" marks, needs the first level only.
  size_t len;
  for (size_t i = 0; i < s.size(); i += len) AppendWeight(FoldAt(s, i, len), out);
  out.push_back(0);
  size_t markEnd = out.size();
  for (size_t i = 0; i < s.size(); i += len) {
    const bool mark = FoldAt(s, i, len) == 0x0451;
    out.push_back(mark ? 2 : 1);
    if (mark) markEnd = out.size();
  }
  out.resize(markEnd);
  if (!ACaseSensitive) return;
  out.push_back(0);
  for (size_t i = 0; i < s.size(); i += len) {
    const char32_t c = Utf8CodePointAt(s, i, &len);
    if (len == 0) len = 1;
    out.push_back(UnicodeIsLower(c) ? 1 : 2);
    out.push_back(static_cast<uint16_t>(c >> 16));
    out.push_back(static_cast<uint16_t>(c & 0xFFFF));
  }
}

// The key of an ordinal byte-wise comparison.
void cxAppendOrdinalSortKey(const String& s, std::vector<uint16_t>& out) {
  for (unsigned char c : s) out.push_back(static_cast<uint16_t>(c + 1));
}

struct TcxCustomDataControllerInfo::TSortKeyColumn {
  bool Text = false;
  int32_t Sign = 1;
  std::vector<uint8_t> Rank;  // 0 no buffer, 1 null, 2 no text holder, 3 value
  std::vector<uint64_t> Num;  // the value's key, or the first four units of a text key
  std::vector<uint32_t> Off;
  std::vector<uint32_t> Len;
  std::vector<uint16_t> Pool;

  int32_t Compare(int32_t a, int32_t b) const {
    const size_t ia = static_cast<size_t>(a), ib = static_cast<size_t>(b);
    if (Rank[ia] != Rank[ib]) return Rank[ia] < Rank[ib] ? -Sign : Sign;
    if (Rank[ia] < 3) return 0;
    if (Num[ia] != Num[ib]) return Num[ia] < Num[ib] ? -Sign : Sign;
    if (!Text) return 0;
    const uint32_t la = Len[ia], lb = Len[ib];
    if (la <= 4 && lb <= 4) return la == lb ? 0 : (la < lb ? -Sign : Sign);
    const uint16_t* pa = Pool.data() + Off[ia];
    const uint16_t* pb = Pool.data() + Off[ib];
    const uint32_t n = std::min(la, lb);
    for (uint32_t k = 4; k < n; ++k)
      if (pa[k] != pb[k]) return pa[k] < pb[k] ? -Sign : Sign;
    return la == lb ? 0 : (la < lb ? -Sign : Sign);
  }

  void AddText(size_t r, const std::vector<uint16_t>& units) {
    Off[r] = static_cast<uint32_t>(Pool.size());
    Len[r] = static_cast<uint32_t>(units.size());
    Pool.insert(Pool.end(), units.begin(), units.end());
    uint64_t k = 0;
    for (size_t i = 0; i < 4; ++i) k = (k << 16) | (i < units.size() ? units[i] : 0);
    Num[r] = k;
  }
};

// ---------------------------------------------------------------------------------------------------

TcxCustomDataControllerInfo::TcxCustomDataControllerInfo(TcxCustomDataController* AController)
    : FDataController(AController) {}

void TcxCustomDataControllerInfo::AfterConstruction() {
  TObject::AfterConstruction();
  FGroupingFieldList = New<TcxGroupingFieldList>();
  FGroupingFieldList->OnChanged = [this](TObject*) { GroupingChanged(); };
  FSortingFieldList = New<TcxSortingFieldList>();
  FSortingFieldList->OnChanged = [this](TObject*) { SortingChanged(); };
  FTotalSortingFieldList = New<TcxSortingFieldList>();
  FDataGroups = New<TcxDataGroups>();
  FExpandingInfo = New<TcxDataExpandingInfos>();
  FFocusingInfo = New<TcxDataFocusingInfo>(this);
  FPrevFocusingInfo = New<TcxDataFocusingInfo>(this);
  FSelection = FDataController->CreateDataSelection();
  FSelection->OnChanged = [this](TObject*) { SelectionChanged(); };
}

TcxCustomDataControllerInfo::~TcxCustomDataControllerInfo() {
  FreeSortKeys();
  FreeObject(FSelection);
  FreeObject(FPrevFocusingInfo);
  FreeObject(FFocusingInfo);
  FreeObject(FExpandingInfo);
  FreeObject(FDataGroups);
  FreeObject(FTotalSortingFieldList);
  FreeObject(FSortingFieldList);
  FreeObject(FGroupingFieldList);
}

void TcxCustomDataControllerInfo::GroupingChanged() {
  FChanges |= dcicGrouping | dcicSummary | dcicFocusedRecord;
  CheckUpdate();
}

void TcxCustomDataControllerInfo::SortingChanged() {
  FChanges |= dcicSorting;
  CheckUpdate();
}

void TcxCustomDataControllerInfo::SelectionChanged() {
  FChanges |= dcicSelection;
  if (FDataController->Summary()->Options.Contains(soSelectedRecords)) FChanges |= dcicSummary;
  CheckUpdate();
}

void TcxCustomDataControllerInfo::EndUpdate() {
  --FLockCount;
  CheckUpdate();
}

void TcxCustomDataControllerInfo::CheckUpdate() {
  if (FChanges != 0 && FLockCount == 0) Update();
}

void TcxCustomDataControllerInfo::DataChanged() {
  FChanges |= dcicLoad;
  if (!FDataController->IsGridMode()) FChanges |= dcicSummary;
  if (FSortingFieldList->Count() > 0) FChanges |= dcicSorting;
  if (FGroupingFieldList->Count() > 0) FChanges |= dcicGrouping;
  CheckUpdate();
}

void TcxCustomDataControllerInfo::CheckFocusing() {
  FChanges |= dcicResetFocusedRow;
  FFocusingInfo->Level = -1;
  FFocusingInfo->RecordIndex = FDataController->GetSyncFocusedRecordIndex();
  CheckUpdate();
}

void TcxCustomDataControllerInfo::MarkChanged(bool AFlag) {
  FChanges |= AFlag ? dcicView : dcicSummary;
  CheckUpdate();
}

void TcxCustomDataControllerInfo::MarkFocusedRecordChanged(bool ANewItemRow) {
  FChanges |= dcicFocusedRecord;
  if (ANewItemRow) FPrevFocusingInfo->Changed = true;
}

void TcxCustomDataControllerInfo::CheckRowIndex(int32_t ARow) const {
  if (ARow < 0 || ARow >= GetRowCount()) RaiseControllerError(cxSDataRowIndexError);
}

// ---------------------------------------------------------------------------------------------------
// Update

void TcxCustomDataControllerInfo::Update() {
  if (FInUpdate) return;
  FInUpdate = true;
  ++FLockCount;
  const uint16_t changes = FChanges;
  TComponent* owner = FDataController->GetOwner();
  const bool armed = (changes & dcicSummary) &&
                     !(owner && (owner->ComponentState().Contains(csReading) || owner->ComponentState().Contains(csDestroying)));
  FExpandingChanged = false;
  try {
    PrepareExpandingSave();
    if (changes & dcicLoad) {
      const int32_t n = FDataController->GetRecordCount();
      FRecordList.resize(static_cast<size_t>(n));
      for (int32_t i = 0; i < n; ++i) FRecordList[static_cast<size_t>(i)] = i;
      ApplyFilters();
    }
    if (armed && !FDataController->Summary()->Options.Contains(soSelectedRecords))
      FDataController->Summary()->CalculateFooterSummary();
    if (changes & (dcicGrouping | dcicSorting)) DoSort();
    if (changes & dcicGrouping) DoGrouping();
    FreeSortKeys();
    ClearCompareCaches();
    if ((changes & (dcicGrouping | dcicSorting)) && FDataController->GetOptions().Contains(dcoFocusTopRowAfterSorting) &&
        !FDataController->IsDelivering() &&
        (FDataController->GroupingChangedFlag() || FDataController->SortingChangedFlag() ||
         FDataController->StorageReloadedFlag())) {
      ResetFocusing();
      if (FSelection->GetCount() > 0) FSelection->Clear();
    }
    RestoreExpanding();
    CheckFocusedRow();
    FDataController->CheckBookmark(-1);
  } catch (...) {
    FreeSortKeys();
    ClearCompareCaches();
    FExpandingInfo->Clear();
    TranslateChanges(FChanges);
    FChanges = 0;
    FDataController->ClearUpdateFlags();
    --FLockCount;
    FInUpdate = false;
    throw;
  }
  FExpandingInfo->Clear();
  if (FExpandingChanged) RefreshSelectionRows();
  if (FChanges & (dcicExpanding | dcicSorting)) FDataController->RefreshPrevSelectionInfo();
  if (armed) {
    if (FDataController->Summary()->Options.Contains(soSelectedRecords))
      FDataController->Summary()->CalculateFooterSummary();
    FDataController->Summary()->CalculateGroupSummary();
  }
  TranslateChanges(FChanges);
  FChanges = 0;
  FDataController->ClearUpdateFlags();
  --FLockCount;
  FInUpdate = false;
  // The outermost unlock delivers what this update changed.
  if (FLockCount == 0) FDataController->CheckChanges();
}

void TcxCustomDataControllerInfo::TranslateChanges(uint16_t AChanges) {
  uint16_t c = 0;
  if (AChanges & (dcicLoad | dcicGrouping | dcicExpanding)) c |= dccData;
  if (AChanges & (dcicSorting | dcicView)) c |= dccLayout;
  if (AChanges & (dcicFocusedRow | dcicResetFocusedRow | dcicFocusedRecord)) c |= dccFocus;
  if (AChanges & dcicSelection) c |= dccSelection;
  if (AChanges & dcicSummary) c |= dccSummary;
  if (FDataController->SortingChangedFlag()) c |= dccSorting;
  if (FDataController->GroupingChangedFlag()) c |= dccGrouping;
  if (c) FDataController->FChanges |= c;
}

void TcxCustomDataControllerInfo::ApplyFilters() {
  const bool handler = FDataController->HasFilterRecordHandler();
  if (!handler && !FDataController->Filter()->IsFiltering()) return;
  const size_t before = FRecordList.size();
  std::vector<int32_t> kept;
  kept.reserve(before);
  for (int32_t r : FRecordList)
    if (FDataController->DoFilterRecord(r)) kept.push_back(r);
  FRecordList.swap(kept);
  if (FRecordList.size() < before && FDataController->FRefocusAfterFilter) FDataController->SetRefocusPending(true);
}

// ---------------------------------------------------------------------------------------------------
// Sorting and grouping

void TcxCustomDataControllerInfo::PrepareCompareCaches() {
  for (int32_t i = 0; i < FTotalSortingFieldList->Count(); ++i) {
    TcxCustomDataField* f = FTotalSortingFieldList->Items(i).Field;
    f->FCompareCache = 0;
    f->FCompareCache = FDataController->NeedsCustomCompare(f) ? (FDataController->IsFieldSortByDisplayText(f) ? 2 : 1) : -1;
  }
}

void TcxCustomDataControllerInfo::ClearCompareCaches() {
  for (int32_t i = 0; i < FTotalSortingFieldList->Count(); ++i) FTotalSortingFieldList->Items(i).Field->FCompareCache = 0;
}

void TcxCustomDataControllerInfo::FreeSortKeys() {
  for (TSortKeyColumn* c : FSortKeys) delete c;
  FSortKeys.clear();
}

// Builds one key column per entry of the total key when every entry has an exact key form; False
// leaves the generic comparison (OnCompare, display texts under the variant rule, variants, BCD, a
// source that compares itself, a record being edited in place).
bool TcxCustomDataControllerInfo::BuildSortKeys() {
  FreeSortKeys();
  TcxCustomDataController* dc = FDataController;
  TcxCustomDataProvider* provider = dc->Provider();
  if (dc->OnCompare.Assigned() || dc->IsProviderMode() || provider->IsEditing() || FTotalSortingFieldList->Count() == 0)
    return false;
  const TcxDataControllerOptions options = dc->GetOptions();
  TcxDataStorage* storage = dc->DataStorage();
  const size_t records = static_cast<size_t>(dc->GetRecordCount());
  std::vector<uint16_t> units;
  try {
    for (int32_t e = 0; e < FTotalSortingFieldList->Count(); ++e) {
      const TcxDataSortInfo& info = FTotalSortingFieldList->Items(e);
      TcxCustomDataField* f = info.Field;
      TcxValueDef* def = f->GetValueDef();
      auto* col = new TSortKeyColumn();
      FSortKeys.push_back(col);
      col->Sign = info.SortOrder == soDescending ? -1 : 1;
      col->Rank.assign(records, 1);
      col->Num.assign(records, 0);
      if (!def) {
        if (f->FCompareCache == -1) continue;  // no values: every record compares equal
        return false;
      }
      TcxValueTypeClass type = def->TypeClass();
      if (f->FCompareCache == -1) {
        const bool ordinalText = type == TcxStringValueType::StaticClass();
        if (!ordinalText && type->IsTextual()) return false;
        if (ordinalText) {
          col->Text = true;
          col->Off.assign(records, 0);
          col->Len.assign(records, 0);
        }
        for (int32_t r : FRecordList) {
          const size_t ri = static_cast<size_t>(r);
          const char* b = storage->BufferOf(r);
          if (!b) {
            col->Rank[ri] = 0;
            continue;
          }
          if (def->IsNullAt(b)) continue;
          col->Rank[ri] = 3;
          if (ordinalText) {
            const String* s = TcxStringValueType::HolderOf(def->DataOf(b));
            if (!s) {
              col->Rank[ri] = 2;
              continue;
            }
            units.clear();
            cxAppendOrdinalSortKey(*s, units);
            col->AddText(ri, units);
          } else if (!type->CellToSortKey(def->DataOf(b), col->Num[ri]))
            return false;
        }
        continue;
      }
      // Values or display texts compared under the string rule.
      const bool ansi = options.Contains(dcoAnsiSort), ci = options.Contains(dcoCaseInsensitive);
      if (!(ansi || ci)) return false;
      if (f->FCompareCache == 1 && !type->IsTextual()) return false;
      col->Text = true;
      col->Off.assign(records, 0);
      col->Len.assign(records, 0);
      const bool byText = f->FCompareCache == 2;
      for (int32_t r : FRecordList) {
        const size_t ri = static_cast<size_t>(r);
        String text;
        if (byText)
          text = dc->GetFieldDisplayText(r, f);
        else {
          const char* b = storage->BufferOf(r);
          if (!b || def->IsNullAt(b)) continue;  // Null orders first under the variant comparison
          if (type == TcxStringValueType::StaticClass()) {
            const String* s = TcxStringValueType::HolderOf(def->DataOf(b));
            if (s) text = *s;
          } else
            text = VarToStr(def->ReadValue(b));
        }
        col->Rank[ri] = 3;
        units.clear();
        if (ansi)
          cxAppendAnsiSortKey(text, !ci, units);
        else
          cxAppendOrdinalSortKey(AnsiUpperCase(text), units);
        col->AddText(ri, units);
      }
    }
  } catch (...) {
    FreeSortKeys();
    throw;
  }
  return true;
}

int32_t TcxCustomDataControllerInfo::CompareKeyed(int32_t A, int32_t B, int32_t AFrom, int32_t ATo) const {
  for (int32_t e = AFrom; e < ATo; ++e)
    if (const int32_t c = FSortKeys[static_cast<size_t>(e)]->Compare(A, B)) return c;
  return 0;
}

void TcxCustomDataControllerInfo::DoSort() {
  FTotalSortingFieldList->ClearSilently();
  FTotalSortingFieldList->Assign(FGroupingFieldList);
  FTotalSortingFieldList->AppendMissing(FSortingFieldList);
  if (FDataController->IsGridMode() || FRecordList.empty()) return;
  PrepareCompareCaches();
  TcxCustomDataProvider* provider = FDataController->Provider();
  if (FDataController->IsProviderMode() && provider->IsCustomSorting()) {
    provider->CustomSort();
    return;
  }
  if (FTotalSortingFieldList->Count() == 0) {
    std::sort(FRecordList.begin(), FRecordList.end());
    return;
  }
  if (BuildSortKeys()) {
    // The order is total (ties end in record order), so any sort gives the quicksort's result. The first
    // column travels with the element, so most comparisons stay in one contiguous array.
    const TSortKeyColumn& first = *FSortKeys[0];
    struct Element {
      uint64_t Key;
      int32_t Record;
      uint8_t Rank;
    };
    std::vector<Element> elements(FRecordList.size());
    for (size_t i = 0; i < FRecordList.size(); ++i) {
      const size_t r = static_cast<size_t>(FRecordList[i]);
      elements[i] = {first.Num[r], FRecordList[i], first.Rank[r]};
    }
    const int32_t sign = first.Sign;
    const int32_t count = static_cast<int32_t>(FSortKeys.size());
    std::sort(elements.begin(), elements.end(), [&](const Element& a, const Element& b) {
      int32_t c;
      if (a.Rank != b.Rank)
        c = a.Rank < b.Rank ? -sign : sign;
      else if (a.Rank < 3)
        c = 0;
      else if (a.Key != b.Key)
        c = a.Key < b.Key ? -sign : sign;
      else
        c = first.Text ? first.Compare(a.Record, b.Record) : 0;
      if (c == 0) c = CompareKeyed(a.Record, b.Record, 1, count);
      if (c == 0) return a.Record < b.Record;
      return c < 0;
    });
    for (size_t i = 0; i < elements.size(); ++i) FRecordList[i] = elements[i].Record;
    return;
  }
  SortRecordIndexes(
      FRecordList, 0, static_cast<int32_t>(FRecordList.size()) - 1,
      [](void* ctx, int32_t a, int32_t b) { return static_cast<TcxCustomDataControllerInfo*>(ctx)->CompareRecords(a, b); },
      this);
}

int32_t TcxCustomDataControllerInfo::CompareRecords(int32_t A, int32_t B) {
  if (A == B) return 0;
  TcxCustomDataProvider* p = FDataController->Provider();
  const int32_t after = p->EditPrevRecord(), before = p->EditNextRecord();
  if (after != cxNullEditingRecordIndex || before != cxNullEditingRecordIndex) {
    const int32_t edit = p->EditRecord();
    if (A == edit) {
      if (after != cxNullEditingRecordIndex) return 1;
      if (B == before) return -1;
      A = before;
    } else if (B == edit) {
      if (after != cxNullEditingRecordIndex) return -1;
      if (A == before) return 1;
      B = before;
    }
    if (A == B) return 0;
  }
  for (int32_t i = 0; i < FTotalSortingFieldList->Count(); ++i)
    if (const int32_t c = FDataController->CompareRecordsBySortInfo(A, B, FTotalSortingFieldList->Items(i))) return c;
  return FDataController->CompareEqualRecords(A, B);
}

int32_t TcxCustomDataControllerInfo::CompareGroupRecords(int32_t A, int32_t B, int32_t ALevel) {
  if (A == B) return 0;
  TcxCustomDataProvider* p = FDataController->Provider();
  const int32_t edit = p->EditRecord();
  if (edit != cxNullEditingRecordIndex && (A == edit || B == edit)) {
    if (p->SavedCopyRecord() != 0) {
      if (A == edit) A = p->SavedCopyRecord();
      if (B == edit) B = p->SavedCopyRecord();
    } else {
      const int32_t after = p->EditPrevRecord(), before = p->EditNextRecord();
      if (after != cxNullEditingRecordIndex || before != cxNullEditingRecordIndex) {
        if (B == edit) {
          if (after != cxNullEditingRecordIndex || A == before) return 0;
          B = before;
        } else {
          if (after != cxNullEditingRecordIndex || B == before) return 0;
          A = before;
        }
      }
    }
  } else if (!FSortKeys.empty())
    return CompareKeyed(A, B, ALevel, ALevel + 1);
  return FDataController->CompareRecordsBySortInfo(A, B, FTotalSortingFieldList->Items(ALevel));
}

void TcxCustomDataControllerInfo::DoGrouping() {
  FDataGroups->Clear();
  for (int32_t i = 0; i < FGroupingFieldList->Count(); ++i) FDataGroups->AddField(FGroupingFieldList->Items(i).Field);
  const int32_t levels = FDataGroups->LevelCount();
  const int32_t n = static_cast<int32_t>(FRecordList.size());
  if (n == 0 || levels == 0) return;
  if (FTotalSortingFieldList->Count() == 0) DoSort();
  std::vector<int32_t> open(static_cast<size_t>(levels));
  int32_t topOrdinal = 0;
  auto openFrom = [&](int32_t level, int32_t position) {
    for (int32_t l = level; l < levels; ++l) {
      TcxDataGroupInfo* g = FDataGroups->AddGroup();
      g->Level = l;
      g->RowIndex = l == 0 ? topOrdinal++ : FDataGroups->Items(open[0]).RowIndex;
      g->FirstIndex = l == levels - 1 ? position : FDataGroups->Count();
      open[static_cast<size_t>(l)] = FDataGroups->Count() - 1;
    }
  };
  auto closeFrom = [&](int32_t level, int32_t position) {
    for (int32_t l = level; l < levels; ++l) {
      TcxDataGroupInfo& g = FDataGroups->Items(open[static_cast<size_t>(l)]);
      g.LastIndex = l == levels - 1 ? position - 1 : FDataGroups->Count() - 1;
    }
  };
  openFrom(0, 0);
  for (int32_t p = 1; p < n; ++p) {
    const int32_t r = FRecordList[static_cast<size_t>(p)];
    for (int32_t l = 0; l < levels; ++l) {
      const int32_t first = FRecordList[static_cast<size_t>(
          FDataGroups->FirstRecordListIndex(open[static_cast<size_t>(l)]))];
      if (CompareGroupRecords(first, r, l) != 0) {
        closeFrom(l, p);
        openFrom(l, p);
        break;
      }
    }
  }
  closeFrom(0, n);
}

// ---------------------------------------------------------------------------------------------------
// Expanding states across a rebuild

std::vector<Variant> TcxCustomDataControllerInfo::GroupPathOf(int32_t AGroupIndex) const {
  std::vector<Variant> path;
  const int32_t level = FDataGroups->Items(AGroupIndex).Level;
  const int32_t record = FRecordList[static_cast<size_t>(FDataGroups->FirstRecordListIndex(AGroupIndex))];
  for (int32_t l = 0; l <= level; ++l) path.push_back(FDataController->GetGroupingValue(record, FDataGroups->Fields(l)));
  return path;
}

void TcxCustomDataControllerInfo::PrepareExpandingSave() {
  const TcxDataControllerOptions options = FDataController->GetOptions();
  TcxDataExpandingInfoStateSet keep;
  if (options.Contains(dcoSaveExpanding) && (FChanges & (dcicLoad | dcicGrouping))) keep.Include(eisExpanded);
  if (FSelection->GetCount() > 0 && (FChanges & 0x0027)) keep.Include(eisSelected);
  if (keep == FExpandingInfo->StatesToKeep) return;
  FExpandingInfo->Clear();
  if (keep.Empty()) return;
  FExpandingInfo->StatesToKeep = keep;
  if (FDataGroups->Count() == 0 || FRecordList.empty()) return;
  bool sameFields = FDataGroups->LevelCount() == FGroupingFieldList->Count();
  for (int32_t l = 0; sameFields && l < FDataGroups->LevelCount(); ++l)
    sameFields = FDataGroups->Fields(l) == FGroupingFieldList->Items(l).Field;
  if (!sameFields || FDataController->GetRecordCount() == 0) {
    FExpandingInfo->StatesToKeep = {};
    return;
  }
  // The groups are about to be rebuilt from the current record list; keep what the old groups held.
  for (int32_t l = 0; l < FDataGroups->LevelCount(); ++l) FExpandingInfo->AddField(FDataGroups->Fields(l));
  for (int32_t i = 0; i < FDataGroups->Count();) {
    const TcxDataGroupInfo& g = FDataGroups->Items(i);
    const bool selected = keep.Contains(eisSelected) && FSelection->IsRowSelected(g.RowIndex) &&
                          FDataGroups->IsVisibleGroup(i);
    uint8_t state = 0;
    if (g.Expanded && keep.Contains(eisExpanded) && !FDataController->GetOptions().Contains(dcoGroupsAlwaysExpanded))
      state |= 1;
    if (selected) state |= 2;
    if (state) FExpandingInfo->AddItem(g.Level, GroupPathOf(i), state);
    // Descend only into expanded groups.
    if (g.Expanded || g.Level == FDataGroups->LevelCount() - 1)
      ++i;
    else {
      int32_t next = i + 1;
      while (next < FDataGroups->Count() && FDataGroups->Items(next).Level > g.Level) ++next;
      i = next;
    }
  }
}

void TcxCustomDataControllerInfo::RestoreExpanding() {
  const bool always = FDataController->GetOptions().Contains(dcoGroupsAlwaysExpanded);
  if (IsGrouped() && always) FDataGroups->SetAllExpanded(true);
  const TcxDataExpandingInfoStateSet keep = FExpandingInfo->StatesToKeep;
  if (keep.Empty()) {
    if (IsGrouped()) FDataGroups->RecalculateRowIndexes();
    return;
  }
  bool sameFields = FExpandingInfo->FieldCount() == FGroupingFieldList->Count();
  for (int32_t l = 0; sameFields && l < FExpandingInfo->FieldCount(); ++l)
    sameFields = FExpandingInfo->Fields(l) == FGroupingFieldList->Items(l).Field;
  if (!sameFields) {
    if (keep.Contains(eisSelected)) FSelection->ClearItems();
    if (IsGrouped()) FDataGroups->RecalculateRowIndexes();
    return;
  }
  // Group entries of the selection are rebuilt from the saved states.
  for (int32_t i = FSelection->GetCount() - 1; i >= 0; --i)
    if (FSelection->Items(i).Level == -1 || FSelection->Items(i).Level != FGroupingFieldList->Count())
      FSelection->DeleteItem(i);
  std::vector<int32_t> selectedGroups;
  if (IsGrouped()) {
    auto less = [](const std::vector<Variant>& a, const std::vector<Variant>& b) {
      if (a.size() != b.size()) return a.size() < b.size();
      for (size_t k = 0; k < a.size(); ++k)
        if (const int32_t c = CompareVariantValues(a[k], b[k])) return c < 0;
      return false;
    };
    std::map<std::vector<Variant>, int32_t, decltype(less)> byPath(less);
    for (int32_t i = 0; i < FDataGroups->Count(); ++i) byPath.emplace(GroupPathOf(i), i);
    for (int32_t k = 0; k < FExpandingInfo->ItemCount(); ++k) {
      const TcxDataExpandingInfo& s = FExpandingInfo->Items(k);
      auto it = byPath.find(s.Values);
      if (it == byPath.end()) continue;
      if ((s.State & 1) && keep.Contains(eisExpanded)) FDataGroups->Items(it->second).Expanded = true;
      if (s.State & 2) selectedGroups.push_back(it->second);
    }
    if (!always) FDataGroups->RecalculateRowIndexes();
  }
  // Record entries move to their records' new rows; entries of records without a row go.
  for (int32_t i = FSelection->GetCount() - 1; i >= 0; --i) {
    const int32_t row = GetRowIndexByRecordIndex(FSelection->Items(i).Index, false);
    if (row == -1)
      FSelection->DeleteItem(i);
    else
      FSelection->Items(i).RowIndex = row;
  }
  for (int32_t g : selectedGroups)
    if (FDataGroups->IsVisibleGroup(g)) FSelection->InsertItem(-1, FDataGroups->Items(g).RowIndex, g, -1);
  FSelection->SortByRowIndex();
  if (FSelection->SelectionAnchorRow() != -1 && !FSelection->IsRowSelected(FSelection->SelectionAnchorRow()))
    FSelection->ClearAnchor();
}

void TcxCustomDataControllerInfo::RefreshSelectionRows() {
  for (int32_t i = FSelection->GetCount() - 1; i >= 0; --i) {
    TcxDataSelectionInfo& e = FSelection->Items(i);
    e.RowIndex = e.Level == -1 ? FDataGroups->Items(e.Index).RowIndex : GetRowIndexByRecordIndex(e.Index, false);
  }
  FSelection->SortByRowIndex();
}

// ---------------------------------------------------------------------------------------------------
// Focus

int32_t TcxCustomDataControllerInfo::GetFocusedRecordIndex() const {
  const int32_t row = FFocusingInfo->RowIndex;
  if (row < 0 || row >= GetRowCount()) return -1;
  TcxRowInfo info;
  GetRowInfo(row, info);
  return info.RecordIndex;
}

bool TcxCustomDataControllerInfo::CanFocusRow(int32_t ARow) {
  int32_t record = -1;
  if (ARow != -1) {
    TcxRowInfo info;
    GetRowInfo(ARow, info);
    record = info.RecordIndex;
  }
  return FDataController->CanFocusRecord(record);
}

void TcxCustomDataControllerInfo::ChangeFocusedRow(int32_t ARow, bool AForce) {
  ARow = std::clamp(ARow, -1, GetRowCount() - 1);
  if (ARow == FFocusingInfo->RowIndex) return;
  FFocusChanging = true;
  if (!(FChanges & dcicFocusedRow)) FPrevFocusingInfo->Assign(FFocusingInfo);
  auto finish = [&] {
    const int32_t rows = GetRowCount();
    if (FFocusingInfo->RowIndex >= rows) FFocusingInfo->RowIndex = -1;
    if (FPrevFocusingInfo->RowIndex >= rows) FPrevFocusingInfo->RowIndex = -1;
    FFocusingInfo->UpdateFromRow();
    if (!FFocusingInfo->IsEqual(FPrevFocusingInfo)) {
      FChanges |= dcicFocusedRow | dcicFocusedRecord;
      if (FDataController->IsSingleSelection() && FDataController->Summary()->Options.Contains(soSelectedRecords))
        FChanges |= dcicSummary;
      if (FDataController->IsNewItemRowFocused() && FFocusingInfo->RowIndex != -1) {
        FDataController->FNewItemRowFocused = false;
        FPrevFocusingInfo->Changed = true;
      }
      FDataController->SyncDataSetCurrent();
      FDataController->SetFocusedSelected(true);
    }
    FFocusChanging = false;
  };
  try {
    if (AForce || CanFocusRow(ARow)) FFocusingInfo->RowIndex = ARow;
  } catch (...) {
    finish();
    throw;
  }
  finish();
  CheckUpdate();
}

void TcxCustomDataControllerInfo::ResetFocusing() {
  FFocusingInfo->Clear();
  ChangeFocusedRow(0, true);
}

int32_t TcxCustomDataControllerInfo::FindFocusedRow(bool AForCollapse) {
  const int32_t record = FFocusingInfo->RecordIndex;
  if (record < 0) return -1;
  const int32_t position = IndexOfRecord(record);
  if (position == -1) return -1;
  if (!IsGrouped() || FDataGroups->Count() == 0) return position;
  const int32_t levels = FDataGroups->LevelCount();
  const int32_t g = FDataGroups->DataGroupIndexByRecordListIndex(position);
  if (g == -1) return -1;
  int32_t level = FFocusingInfo->Level;
  const bool firstOfGroup = FDataGroups->Items(g).FirstIndex == position;
  if (!AForCollapse) {
    if (firstOfGroup && level < levels) {
      // Walk up while the group is its parent's first child, stopping at the focusing level.
      int32_t target = g;
      while (FDataGroups->Items(target).Level > (level < 0 ? 0 : level)) {
        const int32_t parent = FDataGroups->ParentGroupIndex(target);
        if (parent == -1 || FDataGroups->Items(parent).FirstIndex != target) break;
        target = parent;
      }
      if (level < 0 || FDataGroups->Items(target).Level == level) {
        if (FDataGroups->ExpandParents(target, false)) {
          FExpandingChanged = true;
          FChanges |= dcicExpanding;
        }
        return FDataGroups->Items(target).RowIndex;
      }
    }
    return GetRowIndexByRecordIndex(record, true);
  }
  int32_t shown;
  const bool ownRow = FDataGroups->FindByRowIndex(FDataGroups->Items(g).RowIndex, shown) != -1 && shown == g;
  if (level == levels && ownRow && FDataGroups->Items(g).Expanded) return GetRowIndexByRecordIndex(record, false);
  if (level >= levels) level = levels - 1;
  if (level < 0 && ownRow) return FDataGroups->Items(g).RowIndex;
  if (level < 0) level = 0;
  for (int32_t i = g; i >= 0; --i)
    if (FDataGroups->Items(i).Level == level) return FDataGroups->Items(i).RowIndex;
  return -1;
}

void TcxCustomDataControllerInfo::CheckFocusedRow() {
  const int32_t row = FindFocusedRow(false);
  const int32_t focused = FFocusingInfo->RowIndex;
  if (row != focused) {
    bool shows = false;
    if (focused >= 0 && focused < GetRowCount()) {
      TcxRowInfo info;
      GetRowInfo(focused, info);
      shows = info.RecordIndex == FFocusingInfo->RecordIndex && info.Level == FFocusingInfo->Level;
    }
    if (!shows) ChangeFocusedRow(row, true);
  }
  if ((FChanges & dcicFocusedRow) && FPrevFocusingInfo->RowIndex >= GetRowCount()) FPrevFocusingInfo->RowIndex = -1;
  if (FDataController->RefocusPending() && FFocusingInfo->RowIndex == -1 && !FDataController->IsNewItemRowEditing()) {
    FDataController->SetRefocusPending(false);
    if (FDataController->LocateCount() == 0) ChangeFocusedRow(0, true);
  }
}

// ---------------------------------------------------------------------------------------------------
// Sorting and grouping lists

void TcxCustomDataControllerInfo::ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder AOrder) {
  BeginUpdate();
  FSortingFieldList->ChangeSorting(AField, AOrder);
  SyncGroupingOrders();
  EndUpdate();
}

void TcxCustomDataControllerInfo::ChangeSortIndex(TcxCustomDataField* AField, int32_t AIndex) {
  const int32_t i = FSortingFieldList->Find(AField);
  if (i == -1) return;
  AIndex = std::clamp(AIndex, 0, FSortingFieldList->Count() - 1);
  if (AIndex == i) return;
  FDataController->PostEditingData();
  FDataController->SetSortingChanged();
  FSortingFieldList->Move(i, AIndex);
}

void TcxCustomDataControllerInfo::ClearSorting(bool AKeepGroupedItems) {
  const int32_t count = FSortingFieldList->Count();
  BeginUpdate();
  if (AKeepGroupedItems) {
    for (int32_t i = FSortingFieldList->Count() - 1; i >= 0; --i)
      if (FGroupingFieldList->Find(FSortingFieldList->Items(i).Field) == -1) FSortingFieldList->Delete(i);
  } else {
    FSortingFieldList->Clear();
    SyncGroupingOrders();
  }
  if (FSortingFieldList->Count() != count) {
    FDataController->PostEditingData();
    FDataController->SetSortingChanged();
  }
  EndUpdate();
}

void TcxCustomDataControllerInfo::ChangeGrouping(TcxCustomDataField* AField, int32_t AGroupIndex) {
  BeginUpdate();
  FGroupingFieldList->SetFieldIndex(AField, AGroupIndex);
  SyncGroupingOrders();
  EndUpdate();
}

void TcxCustomDataControllerInfo::ClearGrouping() {
  BeginUpdate();
  FGroupingFieldList->Clear();
  FDataGroups->Clear();
  EndUpdate();
}

void TcxCustomDataControllerInfo::RemoveField(TcxCustomDataField* AField) {
  BeginUpdate();
  FSortingFieldList->Remove(AField);
  if (FGroupingFieldList->Find(AField) != -1) ClearSelection();
  FGroupingFieldList->Remove(AField);
  SyncGroupingOrders();
  FExpandingInfo->CheckField(AField);
  for (int32_t i = FTotalSortingFieldList->Count() - 1; i >= 0; --i)
    if (FTotalSortingFieldList->Items(i).Field == AField) FTotalSortingFieldList->ClearSilently();
  EndUpdate();
}

void TcxCustomDataControllerInfo::RecheckField(TcxCustomDataField* AField) {
  BeginUpdate();
  FChanges |= dcicView;
  FSortingFieldList->CheckField(AField);
  if (FGroupingFieldList->Find(AField) != -1) {
    FGroupingFieldList->CheckField(AField);
    ClearSelection();
  }
  FExpandingInfo->CheckField(AField);
  EndUpdate();
}

// ---------------------------------------------------------------------------------------------------
// Expanding

void TcxCustomDataControllerInfo::ChangeExpanding(int32_t ARow, bool AExpanded, bool ARecursive) {
  CheckRowIndex(ARow);
  if (!IsGrouped() || FDataController->GetOptions().Contains(dcoGroupsAlwaysExpanded)) return;
  int32_t g;
  if (FDataGroups->FindByRowIndex(ARow, g) == -1) return;
  if (!AExpanded) {
    const int32_t focusedRow = FFocusingInfo->RowIndex;
    if (focusedRow >= 0 && FDataController->Groups()->IsRowInGroup(focusedRow, ARow)) FDataController->CheckBrowseMode();
  }
  BeginUpdate();
  FDataGroups->ChangeExpanding(ARow, AExpanded, ARecursive);
  FExpandingChanged = true;
  FChanges |= dcicExpanding;
  if (!AExpanded) {
    const int32_t row = FindFocusedRow(true);
    if (row != FFocusingInfo->RowIndex) ChangeFocusedRow(row, true);
  } else {
    // Rows after the group moved; the focused row follows its record and level.
    const int32_t row = FindFocusedRow(true);
    if (row != -1 && row != FFocusingInfo->RowIndex) ChangeFocusedRow(row, true);
  }
  EndUpdate();
}

void TcxCustomDataControllerInfo::FullExpand() {
  if (!IsGrouped()) return;
  BeginUpdate();
  FDataGroups->SetAllExpanded(true);
  FExpandingChanged = true;
  FChanges |= dcicExpanding;
  const int32_t row = FindFocusedRow(true);
  if (row != FFocusingInfo->RowIndex) ChangeFocusedRow(row, true);
  EndUpdate();
}

void TcxCustomDataControllerInfo::FullCollapse() {
  if (!IsGrouped() || FDataController->GetOptions().Contains(dcoGroupsAlwaysExpanded)) return;
  BeginUpdate();
  FDataGroups->SetAllExpanded(false);
  FExpandingChanged = true;
  FChanges |= dcicExpanding;
  const int32_t row = FindFocusedRow(true);
  if (row != FFocusingInfo->RowIndex) ChangeFocusedRow(row, true);
  EndUpdate();
}

// ---------------------------------------------------------------------------------------------------
// Selection

void TcxCustomDataControllerInfo::ChangeRowSelection(int32_t ARow, bool ASelect) {
  CheckRowIndex(ARow);
  int32_t position;
  const bool selected = FSelection->FindByRowIndex(ARow, position);
  if (selected && !ASelect)
    FSelection->Delete(position);
  else if (!selected && ASelect && FDataController->CanSelectRow(ARow)) {
    TcxRowInfo info;
    GetRowInfo(ARow, info);
    if (info.Level < FGroupingFieldList->Count()) {
      int32_t g;
      FDataGroups->FindByRowIndex(ARow, g);
      FSelection->Add(position, ARow, g, -1);
    } else
      FSelection->Add(position, ARow, info.RecordIndex, info.Level);
  }
}

void TcxCustomDataControllerInfo::ClearSelection() {
  if (FSelection->GetCount() > 0 || FSelection->SelectionAnchorRow() != -1) FSelection->ClearAll();
}

bool TcxCustomDataControllerInfo::IsRowSelected(int32_t ARow) const {
  CheckRowIndex(ARow);
  return FSelection->IsRowSelected(ARow);
}

void TcxCustomDataControllerInfo::CheckSelection() {
  if (FSelection->GetCount() == 0) return;
  if (FDataController->GetRecordCount() == 0) {
    FSelection->Clear();
    return;
  }
  if (FDataController->SelectionDeleting() && !FDataController->InReloadNotice()) return;
  if (FDataController->IsKeyFieldMode() && !FDataController->GetFlag73()) return;
  bool changed = false;
  for (int32_t i = FSelection->GetCount() - 1; i >= 0; --i)
    if (FSelection->Items(i).Level != -1 && FSelection->Items(i).Index >= FDataController->GetRecordCount()) {
      FSelection->DeleteItem(i);
      changed = true;
    }
  if (changed) FSelection->Changed();
}

// ---------------------------------------------------------------------------------------------------
// Rows

int32_t TcxCustomDataControllerInfo::GetRowCount() const {
  if (!IsGrouped() || FDataGroups->LevelCount() == 0) return static_cast<int32_t>(FRecordList.size());
  return FDataGroups->RowCount();
}

void TcxCustomDataControllerInfo::GetRowInfo(int32_t ARow, TcxRowInfo& AInfo) const {
  CheckRowIndex(ARow);
  if (!IsGrouped() || FDataGroups->LevelCount() == 0) {
    AInfo.Expanded = false;
    AInfo.Level = 0;
    AInfo.RecordIndex = FRecordList[static_cast<size_t>(ARow)];
    return;
  }
  int32_t position;
  FDataGroups->GetRowInfo(ARow, AInfo, position);
  AInfo.RecordIndex = FRecordList[static_cast<size_t>(position)];
}

int32_t TcxCustomDataControllerInfo::GetNearestRowIndex(int32_t ARow) const {
  CheckRowIndex(ARow);
  const int32_t count = GetRowCount();
  if (!IsGrouped()) {
    if (ARow < count - 1) return ARow + 1;
    return ARow - 1;
  }
  TcxRowInfo self, other;
  GetRowInfo(ARow, self);
  const bool hasNext = ARow < count - 1, hasPrev = ARow > 0;
  if (hasNext) {
    GetRowInfo(ARow + 1, other);
    if (other.Level == self.Level) return ARow + 1;
  }
  if (hasPrev) {
    GetRowInfo(ARow - 1, other);
    if (other.Level == self.Level) return ARow - 1;
  }
  if (!hasNext) return hasPrev ? ARow - 1 : ARow;
  return ARow + 1;
}

int32_t TcxCustomDataControllerInfo::IndexOfRecord(int32_t ARecordIndex) const {
  auto it = std::find(FRecordList.begin(), FRecordList.end(), ARecordIndex);
  return it == FRecordList.end() ? -1 : static_cast<int32_t>(it - FRecordList.begin());
}

int32_t TcxCustomDataControllerInfo::GetRowIndexByRecordIndex(int32_t ARecordIndex, bool AMakeVisible) {
  const int32_t position = IndexOfRecord(ARecordIndex);
  if (position == -1) return -1;
  if (!IsGrouped() || FDataGroups->Count() == 0) return position;
  const int32_t g = FDataGroups->DataGroupIndexByRecordListIndex(position);
  if (g == -1) return -1;
  const bool visible = FDataGroups->IsVisibleGroup(g) && FDataGroups->Items(g).Expanded;
  if (!visible) {
    if (!AMakeVisible) return -1;
    BeginUpdate();
    FDataGroups->ExpandParents(g, true);
    FExpandingChanged = true;
    FChanges |= dcicExpanding;
    EndUpdate();
  }
  const TcxDataGroupInfo& gi = FDataGroups->Items(g);
  return gi.RowIndex + 1 + position - gi.FirstIndex;
}
