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
// Folding and letter tests of the first 2,048 code points (Latin, Greek, Cyrillic), looked up once.
struct TFoldTable {
  char32_t Fold[0x800];
  uint8_t Category[0x800];  // 0 symbol, 1 digit, 2 letter (of the weight, "ё" taken as "е")
  TFoldTable() {
    for (char32_t c = 0; c < 0x800; ++c)
      Fold[c] = c < 0x80 ? ((c >= 'A' && c <= 'Z') ? c + 32 : c) : UnicodeToLower(UnicodeToUpper(c));
    for (char32_t c = 0; c < 0x800; ++c) Category[c] = CategoryOf(Fold[c]);
  }
  // The weight units of the first 2,048 code points (the second is 0 when the weight takes one unit).
  uint16_t Units[0x800][2];
  static uint8_t CategoryOf(char32_t folded) {
    const char32_t f = folded == 0x0451 ? 0x0435 : folded;
    if (f < 0x80) return (f >= 'a' && f <= 'z') ? 2 : (f >= '0' && f <= '9') ? 1 : 0;
    return UnicodeIsLetter(f) ? 2 : UnicodeIsDigit(f) ? 1 : 0;
  }
};

void AppendWeight(char32_t folded, uint8_t category, std::vector<uint16_t>& out);

const TFoldTable& FoldTable() {
  static const TFoldTable table = [] {
    TFoldTable t;
    std::vector<uint16_t> units;
    for (char32_t c = 0; c < 0x800; ++c) {
      units.clear();
      AppendWeight(t.Fold[c], t.Category[c], units);
      t.Units[c][0] = units[0];
      t.Units[c][1] = units.size() > 1 ? units[1] : 0;
    }
    return t;
  }();
  return table;
}

// The folded character at pos (an invalid byte folds to a value of its own past Unicode), its weight
// category and the code point as written.
char32_t FoldAt(const String& s, size_t pos, size_t& len, uint8_t& category, char32_t& written) {
  const TFoldTable& t = FoldTable();
  const unsigned char c = static_cast<unsigned char>(s[pos]);
  if (c < 0x80) {
    len = 1;
    written = c;
    category = t.Category[c];
    return t.Fold[c];
  }
  // Two-byte sequences (Cyrillic, accented Latin) decoded here, the rest by the general decoder.
  if (c >= 0xC2 && c <= 0xDF && pos + 1 < s.size() && (static_cast<unsigned char>(s[pos + 1]) & 0xC0) == 0x80) {
    len = 2;
    written = (static_cast<char32_t>(c & 0x1F) << 6) | (static_cast<unsigned char>(s[pos + 1]) & 0x3F);
    category = t.Category[written];
    return t.Fold[written];
  }
  written = Utf8CodePointAt(s, pos, &len);
  if (len == 1) {
    written = 0xFFFD;
    category = 0;
    return 0x110000 + c;
  }
  if (written < 0x800) {
    category = t.Category[written];
    return t.Fold[written];
  }
  const char32_t f = UnicodeToLower(UnicodeToUpper(written));
  category = TFoldTable::CategoryOf(f);
  return f;
}

void AppendWeight(char32_t folded, uint8_t category, std::vector<uint16_t>& out) {
  const char32_t f = folded == 0x0451 ? 0x0435 : folded;
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

// The key of AnsiCompareText (case-insensitive) or AnsiCompareStr over UTF-8 text: the letter weights,
// then the "ё" marks (trailing unmarked positions dropped), then, case-sensitive, the case of each
// character (lower first) and the character itself.
void cxAppendAnsiSortKey(const String& s, bool ACaseSensitive, std::vector<uint16_t>& out) {
  const TFoldTable& t = FoldTable();
  // Every character takes at most two weight units and at least one byte: room for the weights and the
  // separator is written through a pointer, then the vector is cut to what was used.
  const size_t base = out.size();
  out.resize(base + 2 * s.size() + 1);
  uint16_t* w = out.data() + base;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
  const unsigned char* end = p + s.size();
  bool marks = false, slow = false;
  while (p < end) {
    const unsigned char c = *p;
    char32_t cp;
    if (c < 0x80) {
      cp = c;
      ++p;
    } else if (c >= 0xC2 && c <= 0xDF && p + 1 < end && (p[1] & 0xC0) == 0x80) {
      cp = (static_cast<char32_t>(c & 0x1F) << 6) | (p[1] & 0x3F);
      p += 2;
    } else {
      slow = true;  // three- and four-byte sequences and invalid bytes
      break;
    }
    *w++ = t.Units[cp][0];
    if (t.Units[cp][1] || t.Units[cp][0] == 0x100) *w++ = t.Units[cp][1];
    marks |= cp == 0x0451 || cp == 0x0401;
  }
  if (slow) {
    w = out.data() + base;
    size_t len;
    uint8_t category;
    char32_t written;
    out.resize(base);
    for (size_t i = 0; i < s.size(); i += len) {
      const char32_t folded = FoldAt(s, i, len, category, written);  // sets category first
      AppendWeight(folded, category, out);
    }
    out.push_back(0);
  } else {
    *w++ = 0;
    out.resize(static_cast<size_t>(w - out.data()));
  }
  size_t len;
  uint8_t category;
  char32_t written;
  if (marks || slow) {
    // The "ё" marks, trailing unmarked positions dropped; texts with "ё" are the rare case.
    size_t lastMark = 0, chars = 0;
    for (size_t i = 0; i < s.size(); i += len) {
      ++chars;
      if (FoldAt(s, i, len, category, written) == 0x0451) lastMark = chars;
    }
    size_t k = 0;
    for (size_t i = 0; k < lastMark; i += len, ++k) out.push_back(FoldAt(s, i, len, category, written) == 0x0451 ? 2 : 1);
  }
  if (!ACaseSensitive) return;
  out.push_back(0);
  for (size_t i = 0; i < s.size(); i += len) {
    FoldAt(s, i, len, category, written);
    out.push_back(UnicodeIsLower(written) ? 1 : 2);
    out.push_back(static_cast<uint16_t>(written >> 16));
    out.push_back(static_cast<uint16_t>(written & 0xFFFF));
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
  std::vector<uint64_t> Num;  // the value's key, or the first window of a text key
  std::vector<uint32_t> Off;
  std::vector<uint32_t> Len;
  // The keys, in blocks small enough for the allocator to keep and hand out again on the next sort
  // (one large block would be fresh memory, page by page, every time). A key never straddles blocks;
  // Off holds the block in its top bits.
  static constexpr uint32_t kBlockBits = 22, kBlockUnits = 1u << kBlockBits;
  std::vector<std::vector<uint16_t>> Blocks;
  std::vector<uint16_t>* Current = nullptr;
  const uint16_t* KeyData(size_t r) const {
    return Blocks[Off[r] >> kBlockBits].data() + (Off[r] & (kBlockUnits - 1));
  }

  // Windows of a text key: the units' ranks among the units the column uses (plus one, so that a
  // position past the end reads 0, below every unit) packed into 64 bits, eight units to a window when
  // the column uses fewer than 256 distinct units (a usual alphabet), four otherwise. Equal windows
  // mean equal texts up to their end.
  std::vector<uint16_t> UnitRank;
  uint32_t UnitBits = 16, UnitsPerWindow = 4;

  uint64_t Window(size_t r, uint32_t depth) const {
    const uint32_t from = depth * UnitsPerWindow, len = Len[r];
    const uint16_t* p = KeyData(r);
    uint64_t k = 0;
    for (uint32_t i = from; i < from + UnitsPerWindow; ++i)
      k = (k << UnitBits) | (i < len ? uint64_t{UnitRank[p[i]]} + 1 : 0);
    return k;
  }
  // The window at depth holds the key's end (a text ending right at the window's edge is not known to
  // tie with the others until the next window shows its end).
  bool Exhausted(size_t r, uint32_t depth) const { return Len[r] < (depth + 1) * UnitsPerWindow; }

  void FinishText(const std::vector<int32_t>& records) {
    std::vector<bool> used(0x10000, false);
    for (const std::vector<uint16_t>& block : Blocks)
      for (uint16_t u : block) used[u] = true;
    UnitRank.assign(0x10000, 0);
    uint32_t rank = 0;
    for (uint32_t u = 0; u < 0x10000; ++u)
      if (used[u]) UnitRank[u] = static_cast<uint16_t>(rank++);
    if (rank < 256) {
      UnitBits = 8;
      UnitsPerWindow = 8;
    }
    for (int32_t r : records)
      if (Rank[static_cast<size_t>(r)] == 3) Num[static_cast<size_t>(r)] = Window(static_cast<size_t>(r), 0);
  }

  int32_t Compare(int32_t a, int32_t b) const {
    const size_t ia = static_cast<size_t>(a), ib = static_cast<size_t>(b);
    if (Rank[ia] != Rank[ib]) return Rank[ia] < Rank[ib] ? -Sign : Sign;
    if (Rank[ia] < 3) return 0;
    if (Num[ia] != Num[ib]) return Num[ia] < Num[ib] ? -Sign : Sign;
    if (!Text) return 0;
    const uint32_t la = Len[ia], lb = Len[ib];
    const uint16_t* pa = KeyData(ia);
    const uint16_t* pb = KeyData(ib);
    const uint32_t n = std::min(la, lb);
    for (uint32_t k = UnitsPerWindow; k < n; ++k)
      if (pa[k] != pb[k]) return pa[k] < pb[k] ? -Sign : Sign;
    return la == lb ? 0 : (la < lb ? -Sign : Sign);
  }

  // A record's key is appended to the returned block between these two; bound is the most units the
  // key can take.
  std::vector<uint16_t>& BeginText(size_t r, size_t bound) {
    if (!Current || Current->size() + bound > Current->capacity()) {
      Blocks.emplace_back();
      Blocks.back().reserve(std::max<size_t>(kBlockUnits, bound));
      Current = &Blocks.back();
    }
    Off[r] = static_cast<uint32_t>(((Blocks.size() - 1) << kBlockBits) | Current->size());
    return *Current;
  }
  void EndText(size_t r) { Len[r] = static_cast<uint32_t>(Current->size() - (Off[r] & (kBlockUnits - 1))); }
  // Room for the keys of the texts about to be added, so that the pool is not copied as it grows.
  void ReserveFor(size_t blocks) { Blocks.reserve(blocks); }
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
      FDataController->Summary()->UpdateFooterSummary();
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
      FDataController->Summary()->UpdateFooterSummary();
    FDataController->Summary()->UpdateGroupSummary();
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
  TcxCustomDataController* dc = FDataController;
  const bool byHandler = dc->HasFilterRecordHandler() && !dc->IsGridMode();
  const bool byIncremental = dc->HasIncrementalFilter();
  TcxDataFilterCriteria* filter = dc->Filter();
  const bool byCriteria = filter->IsFiltering();
  if (!byHandler && !byIncremental && !byCriteria) return;
  const int32_t editing = dc->Provider()->EditRecord();
  const size_t before = FRecordList.size();
  // Walked from the end as the handler expects; kept records are compacted in place.
  size_t keep = before;
  // Each test reads a record's buffer somewhere in memory; asking for the buffers a few records ahead
  // keeps the walk from waiting on each one in turn.
  TcxDataStorage* storage = dc->IsProviderMode() || dc->IsGridMode() ? nullptr : dc->DataStorage();
  constexpr size_t kAhead = 16;
  for (size_t i = before; i-- > 0;) {
    if (storage && i >= kAhead) __builtin_prefetch(storage->BufferOf(FRecordList[i - kAhead]));
    const int32_t r = FRecordList[i];
    const bool drop = r != editing && ((byHandler && !dc->DoFilterRecord(r)) ||
                                       (byIncremental && !dc->IsIncrementalFilterMatch(r)) ||
                                       (byCriteria && !filter->DoFilterRecord(r)));
    if (!drop) FRecordList[--keep] = r;
  }
  FRecordList.erase(FRecordList.begin(), FRecordList.begin() + static_cast<ptrdiff_t>(keep));
  if (FRecordList.size() < before) {
    if (dc->FRefocusAfterFilter) {
      dc->FRefocusAfterFilter = false;
      dc->SetRefocusPending(true);
    }
  }
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
            cxAppendOrdinalSortKey(*s, col->BeginText(ri, s->size()));
            col->EndText(ri);
          } else if (!type->CellToSortKey(def->DataOf(b), col->Num[ri]))
            return false;
        }
        if (ordinalText) col->FinishText(FRecordList);
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
      const bool stringCells = !byText && type == TcxStringValueType::StaticClass();
      static const String empty;
      auto heldText = [&](const char* b) -> const String* {
        if (!b || def->IsNullAt(b)) return nullptr;
        const String* s = TcxStringValueType::HolderOf(def->DataOf(b));
        return s ? s : &empty;
      };
      size_t bytes = 0;
      if (stringCells)
        for (int32_t r : FRecordList)
          if (const String* s = heldText(storage->BufferOf(r))) bytes += s->size();
      // Units per byte at most: two weights and a mark, plus three case units when case counts.
      const size_t perByte = ansi ? (ci ? 3 : 6) : 1;
      col->ReserveFor((stringCells ? bytes : FRecordList.size() * 16) * perByte / TSortKeyColumn::kBlockUnits + 16);
      String text;
      for (int32_t r : FRecordList) {
        const size_t ri = static_cast<size_t>(r);
        const String* source = &text;
        if (byText)
          text = dc->GetFieldDisplayText(r, f);
        else {
          const char* b = storage->BufferOf(r);
          if (!b || def->IsNullAt(b)) continue;  // Null orders first under the variant comparison
          if (stringCells)
            source = heldText(b);
          else
            text = VarToStr(def->ReadValue(b));
        }
        col->Rank[ri] = 3;
        std::vector<uint16_t>& block = col->BeginText(ri, source->size() * perByte + 2);
        if (ansi)
          cxAppendAnsiSortKey(*source, !ci, block);
        else
          cxAppendOrdinalSortKey(AnsiUpperCase(*source), block);
        col->EndText(ri);
      }
      col->FinishText(FRecordList);
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
  const bool keyed = BuildSortKeys();
  // A key form that gave up halfway leaves the columns made so far: the comparisons of the grouping
  // that follows must not take them for the whole key.
  if (!keyed) FreeSortKeys();
  if (keyed) {
    // The order is total (ties end in record order), so any sort gives the quicksort's result. The
    // elements carry the first column's key, so comparisons stay in one contiguous array; runs that
    // tie on a text window are refined with the next window instead of comparing whole texts.
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
    auto byKey = [sign](const Element& a, const Element& b) {
      if (a.Rank != b.Rank) return sign > 0 ? a.Rank < b.Rank : a.Rank > b.Rank;
      if (a.Rank < 3 || a.Key == b.Key) return false;
      return sign > 0 ? a.Key < b.Key : a.Key > b.Key;
    };
    auto sameKey = [](const Element& a, const Element& b) {
      return a.Rank == b.Rank && (a.Rank < 3 || a.Key == b.Key);
    };
    auto byRest = [&](const Element& a, const Element& b) {
      if (const int32_t c = CompareKeyed(a.Record, b.Record, 1, count)) return c < 0;
      return a.Record < b.Record;
    };
    // Runs [lo, hi) that agree on the first column up to the window at depth, refined with an explicit
    // stack (texts sharing long beginnings would make recursion deep).
    struct Run {
      size_t Lo, Hi;
      uint32_t Depth;
    };
    std::vector<Run> runs;
    auto pushRuns = [&](size_t lo, size_t hi, uint32_t depth) {
      for (size_t i = lo; i < hi;) {
        size_t j = i + 1;
        while (j < hi && sameKey(elements[i], elements[j])) ++j;
        if (j - i > 1) runs.push_back({i, j, depth});
        i = j;
      }
    };
    std::sort(elements.begin(), elements.end(), byKey);
    pushRuns(0, elements.size(), 0);
    while (!runs.empty()) {
      const Run run = runs.back();
      runs.pop_back();
      const auto lo = elements.begin() + static_cast<ptrdiff_t>(run.Lo), hi = elements.begin() + static_cast<ptrdiff_t>(run.Hi);
      const Element& e = *lo;
      if (e.Rank < 3 || !first.Text || first.Exhausted(static_cast<size_t>(e.Record), run.Depth)) {
        std::sort(lo, hi, byRest);
        continue;
      }
      for (auto it = lo; it != hi; ++it) it->Key = first.Window(static_cast<size_t>(it->Record), run.Depth + 1);
      std::sort(lo, hi, byKey);
      pushRuns(run.Lo, run.Hi, run.Depth + 1);
    }
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
  for (int32_t i = FSelection->FollowsRows() ? FSelection->GetCount() - 1 : -1; i >= 0; --i) {
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
  if (!FSelection->FollowsRows()) return;
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
  if (FSelection->GetCount() == 0 || !FSelection->FollowsRows()) return;
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
