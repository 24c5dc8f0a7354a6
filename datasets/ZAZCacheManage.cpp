#include "datasets/ZAZCacheManage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "dbaccess/FIBLists.h"
#include "rtl/Assert.h"

namespace {

const char* const SIncompatibleSizes = "Incompatible Sizes";
const char* const SCantReadBuffer = "Can't read Buffer.Incorrect RecordNo";
const char* const SCantReadLogBuffer = "Can't read LogBuffer.Incorrect RecordNo";
const char* const SCantWriteBuffer = "Can't write to Buffer.Incorrect RecordNo";
const char* const SCantReadFieldData = "Can't read  FieldData .Incorrect RecordNo";

int32_t ReadInt32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void WriteInt32(uint8_t* p, int32_t v) { std::memcpy(p, &v, sizeof v); }

}  // namespace

TRecordsCache::TRecordsCache(int32_t rowsPerChunk, int32_t longColumnCount, int32_t rowSize,
                             int32_t fullBufferSize)
    : FRowSize(rowSize), FFullBufferSize(fullBufferSize) {
  int32_t blockSize = rowSize * rowsPerChunk;
  // Small blocks are rounded so that a record buffer's worth of bytes always fits beyond 1 KB.
  if (blockSize < 1024 && fullBufferSize > 0) blockSize = 1024 + fullBufferSize - (1024 % fullBufferSize);
  if (blockSize < rowSize || rowSize <= 0) throw EMemManagerError(SIncompatibleSizes);
  FBlockSize = blockSize;
  FRowsPerBlock = blockSize / rowSize;
  VORN_ASSERT(FRowsPerBlock >= 1 && static_cast<int64_t>(FRowsPerBlock) * FRowSize <= FBlockSize);
  FScratch.assign(static_cast<size_t>(std::max(fullBufferSize, rowSize)), 1);
  if (longColumnCount > 0) {
    FLongColumns.resize(static_cast<size_t>(longColumnCount));
    FStrings = New<TStringCollection>(longColumnCount);
  }
}

TRecordsCache::~TRecordsCache() {
  FreeAndNil(FStrings);
  FreeAndNil(FOldStrings);
}

void TRecordsCache::SetStringColumn(int32_t column, int32_t offset, int32_t maxLength) {
  if (column < 1 || column > static_cast<int32_t>(FLongColumns.size())) return;
  // A string column's length word and characters lie inside the row buffer.
  VORN_ASSERT(offset >= 0 && maxLength >= 0);
  FLongColumns[static_cast<size_t>(column - 1)] = {offset, maxLength};
}

uint8_t* TRecordsCache::TBlockStore::Add(size_t blockSize) {
  if (FLeft < blockSize) {
    constexpr size_t MinSlab = size_t{64} << 10;
    constexpr size_t MaxSlab = size_t{4} << 20;
    // Each slab about as large as all the blocks before it.
    const size_t slab = std::max(std::clamp(FBlocks.size() * blockSize, MinSlab, MaxSlab), blockSize);
    auto* memory = static_cast<uint8_t*>(std::calloc(slab, 1));
    if (!memory) throw std::bad_alloc();
    FSlabs.emplace_back(memory);
    FNext = memory;
    FLeft = slab;
  }
  VORN_ASSERT(FNext != nullptr && FLeft >= blockSize);
  uint8_t* block = FNext;
  FNext += blockSize;
  FLeft -= blockSize;
  FBlocks.push_back(block);
  return block;
}

void TRecordsCache::TBlockStore::TFree::operator()(uint8_t* p) const { std::free(p); }

void TRecordsCache::TBlockStore::Clear() {
  FBlocks.clear();
  FSlabs.clear();
  FNext = nullptr;
  FLeft = 0;
}

int32_t TRecordsCache::AddBlock() {
  FBlocks.Add(static_cast<size_t>(FBlockSize));
  return BlockCount();
}

int32_t TRecordsCache::MapPosition(int32_t position) const {
  if (!FHasMap) return position;
  if (position < 1 || position > static_cast<int32_t>(FMap.size())) return -1;
  return FMap[static_cast<size_t>(position - 1)];
}

uint8_t* TRecordsCache::BlockRow(const TBlockStore& blocks, int32_t number) const {
  if (number < 1) return nullptr;
  const auto index = static_cast<size_t>((number - 1) / FRowsPerBlock);
  if (index >= blocks.Count()) return nullptr;
  VORN_ASSERT(FRowSize > 0 && static_cast<size_t>(FRowsPerBlock) * static_cast<size_t>(FRowSize) <=
                                  static_cast<size_t>(FBlockSize));
  return blocks[index] + static_cast<size_t>((number - 1) % FRowsPerBlock) * static_cast<size_t>(FRowSize);
}

void TRecordsCache::EnsureStringRows(TStringCollection* table, int32_t rows) {
  if (!table) return;
  while (table->Count() < rows) table->AddRow();
}

int32_t TRecordsCache::LongAreaEnd() const {
  const TLongColumn& last = FLongColumns.back();
  return last.Offset + 4 + last.MaxLength;
}

uint8_t* TRecordsCache::RowForWrite(int32_t position) {
  int32_t physical;
  if (FHasMap) {
    if (position > static_cast<int32_t>(FMap.size())) {
      int32_t next = FRowCount;
      while (static_cast<int32_t>(FMap.size()) < position) FMap.push_back(++next);
      FRowCount = static_cast<int32_t>(FMap.size());
      EnsureStringRows(FStrings, FRowCount);
    }
    physical = MapPosition(position);
  } else {
    if (position > FRowCount) FRowCount = position;
    physical = position;
  }
  if (physical >= 1 && (physical - 1) / FRowsPerBlock == BlockCount()) AddBlock();
  uint8_t* row = BlockRow(FBlocks, physical);
  if (!row) throw EMemManagerError(SCantWriteBuffer);
  return row;
}

uint8_t* TRecordsCache::RowAddress(int32_t position) const {
  uint8_t* row = BlockRow(FBlocks, MapPosition(position));
  if (!row) throw EMemManagerError(SCantReadBuffer);
  return row;
}

uint8_t* TRecordsCache::RowAddressOrNil(int32_t position) const { return BlockRow(FBlocks, MapPosition(position)); }

void TRecordsCache::ReadRow(int32_t position, uint8_t* buffer, bool fromOldValues) const {
  const int32_t physical = MapPosition(position);
  const uint8_t* source = nullptr;
  const TStringCollection* strings = FStrings;
  int32_t stringRow = physical - 1;
  if (fromOldValues) {
    int32_t index;
    if (FindEntry(physical, index)) {
      const int32_t slot = FEntries[static_cast<size_t>(index)].Slot;
      source = BlockRow(FOldBlocks, slot);
      if (!source) throw EMemManagerError(SCantReadLogBuffer);
      strings = FOldStrings;
      stringRow = slot - 1;
    }
  }
  if (!source) {
    source = BlockRow(FBlocks, physical);
    if (!source) throw EMemManagerError(SCantReadBuffer);
  }
  if (FLongColumns.empty()) {
    std::memcpy(buffer, source, static_cast<size_t>(FRowSize));
    return;
  }
  const int32_t first = FLongColumns.front().Offset;
  VORN_ASSERT(first >= 0 && first <= FRowSize && LongAreaEnd() >= first);
  std::memcpy(buffer, source, static_cast<size_t>(first));
  for (size_t k = 0; k < FLongColumns.size(); ++k) {
    const TLongColumn& column = FLongColumns[k];
    const bool present = strings && stringRow >= 0 && stringRow < strings->Count();
    const String empty;
    const String& value = present ? strings->GetCell(static_cast<int32_t>(k), stringRow) : empty;
    const int32_t length = std::min(static_cast<int32_t>(value.size()), column.MaxLength);
    uint8_t* target = buffer + column.Offset;
    WriteInt32(target, length);
    if (length > 0) std::memcpy(target + 4, value.data(), static_cast<size_t>(length));
    if (length < column.MaxLength) target[4 + length] = 0;
  }
  std::memcpy(buffer + LongAreaEnd(), source + first, static_cast<size_t>(FRowSize - first));
}

void TRecordsCache::WriteRow(int32_t position, const uint8_t* buffer, bool extend) {
  uint8_t* row;
  if (extend) {
    row = RowForWrite(position);
  } else {
    row = BlockRow(FBlocks, MapPosition(position));
    if (!row) throw EMemManagerError(SCantWriteBuffer);
  }
  if (!buffer) {
    std::memset(row, 0, static_cast<size_t>(FRowSize));
    return;
  }
  if (FLongColumns.empty()) {
    std::memcpy(row, buffer, static_cast<size_t>(FRowSize));
    return;
  }
  const int32_t physical = MapPosition(position);
  const int32_t first = FLongColumns.front().Offset;
  VORN_ASSERT(first >= 0 && first <= FRowSize && LongAreaEnd() >= first);
  std::memcpy(row, buffer, static_cast<size_t>(first));
  std::memcpy(row + first, buffer + LongAreaEnd(), static_cast<size_t>(FRowSize - first));
  EnsureStringRows(FStrings, physical);
  for (size_t k = 0; k < FLongColumns.size(); ++k) {
    const TLongColumn& column = FLongColumns[k];
    // A length beyond the column's area cannot come from a well-formed buffer; never read past it.
    const int32_t length = std::clamp(ReadInt32(buffer + column.Offset), 0, column.MaxLength);
    FStrings->SetCellFromBuffer(static_cast<int32_t>(k), physical - 1, length,
                                reinterpret_cast<const char*>(buffer + column.Offset + 4));
  }
}

void* TRecordsCache::FieldDataAddress(int32_t position, int32_t offset, uint8_t*& rowAddress, int32_t stringColumn) {
  const int32_t physical = MapPosition(position);
  uint8_t* row = BlockRow(FBlocks, physical);
  if (!row) throw EMemManagerError(SCantReadFieldData);
  rowAddress = row;
  if (!FStrings || stringColumn == -1) return row + offset;
  if (physical > FStrings->Capacity()) throw EMemManagerError(SCantReadFieldData);
  return FStrings->CellPtr(stringColumn, physical - 1);
}

void TRecordsCache::SetStringFromBuffer(int32_t stringColumn, int32_t position0, bool trim, int32_t length,
                                        char* chars) {
  const int32_t row = FHasMap ? PhysicalOfPosition(position0) - 1 : position0;
  EnsureStringRows(FStrings, row + 1);
  const int32_t maxLength = FLongColumns[static_cast<size_t>(stringColumn)].MaxLength;
  if (trim) {
    if (length < 0) length = maxLength;
    while (length > 0 && static_cast<uint8_t>(chars[length - 1]) <= 32) --length;
    if (length < maxLength) chars[length] = 0;
  }
  FStrings->SetCellFromBuffer(stringColumn, row, length, chars);
}

void TRecordsCache::SetStringValue(int32_t stringColumn, int32_t position0, const String& text) {
  const int32_t row = FHasMap ? PhysicalOfPosition(position0) - 1 : position0;
  EnsureStringRows(FStrings, row + 1);
  String* cell = FStrings->CellPtr(stringColumn, row);
  const auto maxLength = static_cast<size_t>(FLongColumns[static_cast<size_t>(stringColumn)].MaxLength);
  if (text.empty()) {
    cell->clear();
  } else if (text.size() > maxLength) {
    size_t cut = maxLength;
    while (cut > 0 && static_cast<uint8_t>(text[cut - 1]) <= 32) --cut;
    *cell = cut < maxLength ? text.substr(0, cut) : text;
  } else if (text.back() == ' ') {
    *cell = text.substr(0, text.find_last_not_of(' ') + 1);
  } else {
    *cell = text;
  }
}

bool TRecordsCache::FindEntry(int32_t physical, int32_t& index) const {
  int32_t low = 1;
  int32_t high = static_cast<int32_t>(FEntries.size());
  bool found = false;
  while (low <= high) {
    const int32_t middle = (low + high) / 2;
    const int32_t value = FEntries[static_cast<size_t>(middle - 1)].Physical;
    if (value < physical) {
      low = middle + 1;
    } else {
      if (value == physical) found = true;
      high = middle - 1;
    }
  }
  index = low - 1;  // 0-based: the match, or where the number belongs
  return found;
}

void TRecordsCache::SaveOldRow(int32_t position) {
  if (FLogOldValues) {
    LogRow(position);
    return;
  }
  if (position > FRowCount)
    std::fill(FScratch.begin(), FScratch.end(), uint8_t{1});
  else
    ReadRow(position, FScratch.data(), false);
  FScratchRow = position;
}

uint8_t* TRecordsCache::OldRow(int32_t position) {
  if (FLogOldValues) {
    if (position <= FRowCount)
      ReadRow(position, FScratch.data(), true);
    else
      std::fill(FScratch.begin(), FScratch.end(), uint8_t{1});
  } else if (position != FScratchRow) {
    SaveOldRow(position);
  }
  return FScratch.data();
}

void TRecordsCache::LogRow(int32_t position) {
  const int32_t physical = MapPosition(position);
  const uint8_t* source = BlockRow(FBlocks, physical);
  if (!source) throw EMemManagerError(SCantReadBuffer);
  int32_t index;
  if (!FindEntry(physical, index)) {
    const TOldEntry entry{physical, static_cast<int32_t>(FEntries.size()) + 1};
    FEntries.insert(FEntries.begin() + index, entry);
  }
  const int32_t slot = FEntries[static_cast<size_t>(index)].Slot;
  if ((slot - 1) / FRowsPerBlock >= static_cast<int32_t>(FOldBlocks.Count())) {
    FOldBlocks.Add(static_cast<size_t>(FBlockSize));
    if (FStrings && !FOldStrings) FOldStrings = New<TStringCollection>(FStrings->ColumnCount());
  }
  std::memcpy(BlockRow(FOldBlocks, slot), source, static_cast<size_t>(FRowSize));
  if (!FStrings) return;
  EnsureStringRows(FOldStrings, slot);
  const bool present = physical - 1 < FStrings->Count();
  for (int32_t k = 0; k < FStrings->ColumnCount(); ++k)
    FOldStrings->SetCell(k, slot - 1, present ? FStrings->GetCell(k, physical - 1) : String());
}

void TRecordsCache::RevertRow(int32_t position) { WriteRow(position, OldRow(position), false); }

void TRecordsCache::ClearLog() {
  FOldBlocks.Clear();
  FEntries.clear();
}

void TRecordsCache::EnsureMap() {
  if (FHasMap) return;
  FMap.resize(static_cast<size_t>(FRowCount));
  for (int32_t i = 0; i < FRowCount; ++i) FMap[static_cast<size_t>(i)] = i + 1;
  FHasMap = true;
}

int32_t TRecordsCache::PhysicalOfPosition(int32_t position0) const { return MapPosition(position0 + 1); }

int32_t TRecordsCache::PositionOfPhysical(int32_t physical) const {
  if (!FHasMap) return physical - 1;
  if (physical >= 1 && physical <= static_cast<int32_t>(FMap.size()) &&
      FMap[static_cast<size_t>(physical - 1)] == physical)
    return physical - 1;
  const auto it = std::find(FMap.begin(), FMap.end(), physical);
  return it == FMap.end() ? -1 : static_cast<int32_t>(it - FMap.begin());
}

bool TRecordsCache::IsValidRow(int32_t physical) const {
  if (physical < 1) return false;
  if (!FHasMap) return physical <= FRowCount;
  return PositionOfPhysical(physical) >= 0;
}

void TRecordsCache::SwapPositions(int32_t i, int32_t j) {
  EnsureMap();
  std::swap(FMap[static_cast<size_t>(i)], FMap[static_cast<size_t>(j)]);
}

void TRecordsCache::MovePosition(int32_t from, int32_t to) {
  if (from == to) return;
  EnsureMap();
  const int32_t value = FMap[static_cast<size_t>(from)];
  const int32_t insertAt = from < to ? to + 1 : to;
  FMap.insert(FMap.begin() + insertAt, value);
  FMap.erase(FMap.begin() + (insertAt <= from ? from + 1 : from));
}

void TRecordsCache::InsertRowAt(int32_t position0) {
  EnsureMap();
  ++FRowCount;
  FMap.insert(FMap.begin() + position0, FRowCount);
  EnsureStringRows(FStrings, FRowCount);
}

void TRecordsCache::RemoveRowAt(int32_t position) {
  if (!FHasMap) return;
  const int32_t physical = FMap[static_cast<size_t>(position - 1)];
  if (physical == FRowCount) --FRowCount;
  if (FStrings && physical - 1 < FStrings->Count()) FStrings->DeleteRow(physical - 1);
  FMap.erase(FMap.begin() + (position - 1));
}

size_t TRecordsCache::MemoryUsed() const {
  size_t total = (FBlocks.Count() + FOldBlocks.Count()) * static_cast<size_t>(FBlockSize);
  total += FMap.capacity() * sizeof(int32_t) + FEntries.capacity() * sizeof(TOldEntry);
  for (const TStringCollection* table : {FStrings, FOldStrings}) {
    if (!table) continue;
    total += static_cast<size_t>(table->Capacity()) * static_cast<size_t>(table->ColumnCount()) * sizeof(String);
    for (int32_t k = 0; k < table->ColumnCount(); ++k)
      for (int32_t r = 0; r < table->Count(); ++r) {
        const String& cell = table->GetCell(k, r);
        if (cell.capacity() > 15) total += cell.capacity() + 1;
      }
  }
  return total;
}
