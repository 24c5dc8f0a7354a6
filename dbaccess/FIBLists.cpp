#include "dbaccess/FIBLists.h"

#include <cstring>

#include "rtl/StringLists.h"

int32_t TextHash(const String& text) {
  // Signed 32-bit arithmetic with wrap-around, done unsigned.
  uint32_t h = 0;
  size_t len = text.size();
  if (len < 16) {
    for (unsigned char c : text) h = c + h * 37u - 32u;
  } else {
    size_t step = len / 8;
    for (size_t pos = 0; pos < len; pos += step) h = static_cast<unsigned char>(text[pos]) + h * 39u - 32u;
  }
  return static_cast<int32_t>(h);
}

// ---------------------------------------------------------------------------------------------------
// TObjStringList

TObjStringList::TObjStringList(bool useHash) : FList(New<TStringList>()), FUseHash(useHash) {
  if (!useHash) {
    FList->SetSorted(true);
    FList->SetDuplicates(dupIgnore);
  }
}

TObjStringList::~TObjStringList() {
  for (int32_t i = 0; i < FList->Count(); ++i) FreeObject(FList->Objects(i));
  FreeAndNil(FList);
}

int32_t TObjStringList::Count() const { return FList->Count(); }
TObject* TObjStringList::GetObject(int32_t index) const { return FList->Objects(index); }
String TObjStringList::GetText(int32_t index) const { return FList->Strings(index); }

int32_t TObjStringList::Add(const String& text, TObject* obj) {
  if (!FUseHash) return FList->AddObject(text, obj);
  int32_t index;
  if (Find(text, index)) return index;
  FList->InsertObject(index, text, obj);
  FHashList.insert(FHashList.begin() + index, TextHash(text));
  return index;
}

bool TObjStringList::Find(const String& text, int32_t& index) const {
  if (!FUseHash) return FList->Find(text, index);
  int32_t h = TextHash(text);
  int32_t count = static_cast<int32_t>(FHashList.size());
  int32_t lo = 0, hi = count - 1;
  while (lo <= hi) {
    int32_t mid = (lo + hi) / 2;
    int32_t v = FHashList[static_cast<size_t>(mid)];
    if (v < h) {
      lo = mid + 1;
    } else if (v > h) {
      hi = mid - 1;
    } else {
      hi = mid - 1;
      if (FList->Strings(mid) == text) {
        index = mid;
        return true;
      }
      // Equal hashes stay adjacent: walk the whole run from its first entry.
      int32_t j = mid;
      while (j > 0 && FHashList[static_cast<size_t>(j - 1)] == h) --j;
      for (; j < count && FHashList[static_cast<size_t>(j)] == h; ++j)
        if (FList->Strings(j) == text) {
          index = j;
          return true;
        }
      if (j == count) {
        index = count;
        return false;
      }
    }
  }
  index = lo;
  return false;
}

void TObjStringList::Remove(const String& text) {
  if (!FUseHash) {
    int32_t i = FList->IndexOf(text);
    if (i >= 0) FList->Delete(i);
    return;
  }
  int32_t index;
  if (Find(text, index)) Delete(index);
}

void TObjStringList::Delete(int32_t index) {
  FList->Delete(index);
  if (FUseHash) FHashList.erase(FHashList.begin() + index);
}

// ---------------------------------------------------------------------------------------------------
// TSortedList

bool TSortedList::Find(int32_t value, int32_t& index) const {
  int32_t lo = 0, hi = GetCount() - 1;
  bool found = false;
  while (lo <= hi) {
    int32_t mid = (lo + hi) / 2;
    if (FItems[static_cast<size_t>(mid)] < value) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (FItems[static_cast<size_t>(mid)] == value) found = true;
    }
  }
  index = lo;
  return found;
}

int32_t TSortedList::Add(int32_t value) {
  int32_t index;
  if (!Find(value, index)) FItems.insert(FItems.begin() + index, value);
  return index;
}

void TSortedList::Remove(int32_t value) {
  int32_t index;
  if (Find(value, index)) FItems.erase(FItems.begin() + index);
}

void TSortedList::ShiftFrom(int32_t value, int32_t delta) {
  int32_t index;
  Find(value, index);
  for (size_t i = static_cast<size_t>(index); i < FItems.size(); ++i) FItems[i] += delta;
}

// ---------------------------------------------------------------------------------------------------
// TStringCollection

TStringCollection::TStringCollection(int32_t columnCount) : FColumns(static_cast<size_t>(columnCount)) {}

TStringCollection::~TStringCollection() { Clear(); }

int32_t TStringCollection::AddRow() {
  if (FCount == FCapacity) SetCapacity(FCapacity == 0 ? 128 : FCapacity + FCapacity / 2);
  for (int32_t k = 0; k < ColumnCount(); ++k) Cell(k, FCount).clear();
  return ++FCount;
}

void TStringCollection::DeleteRow(int32_t row) {
  for (int32_t k = 0; k < ColumnCount(); ++k) {
    Cell(k, row).clear();
    for (int32_t r = row; r + 1 < FCount; ++r) Cell(k, r).swap(Cell(k, r + 1));
  }
  --FCount;
}

void TStringCollection::SetCapacity(int32_t rows) {
  if (rows < 0) rows = 0;
  const auto chunks = static_cast<size_t>((rows + ChunkRows - 1) >> ChunkShift);
  // Cells past a lowered capacity are emptied, as if they had been dropped and made anew.
  for (int32_t k = 0; k < ColumnCount(); ++k)
    for (int32_t r = rows; r < FCapacity; ++r) Cell(k, r).clear();
  for (auto& column : FColumns) {
    column.resize(chunks);
    for (Chunk& chunk : column)
      if (!chunk) chunk = std::make_unique<String[]>(static_cast<size_t>(ChunkRows));
  }
  FCapacity = rows;
  if (FCount > rows) FCount = rows;
}

void TStringCollection::Clear() {
  for (auto& column : FColumns) std::vector<Chunk>().swap(column);
  FCount = 0;
  FCapacity = 0;
}

void TStringCollection::SetCellFromBuffer(int32_t column, int32_t row, int32_t length, const char* chars) {
  String* cell = CellPtr(column, row);
  if (length < 0) length = static_cast<int32_t>(std::strlen(chars));
  if (length == 0)
    cell->clear();
  else
    cell->assign(chars, static_cast<size_t>(length));
}
