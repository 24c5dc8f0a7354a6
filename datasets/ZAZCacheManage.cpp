#include "datasets/ZAZCacheManage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "rtl/Assert.h"
#include "rtl/PageMemory.h"

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
    FStrings = std::make_unique<TTextTable>(longColumnCount);
  }
}

TRecordsCache::~TRecordsCache() = default;

void TRecordsCache::SetStringColumn(int32_t column, int32_t offset, int32_t maxLength) {
  if (column < 1 || column > static_cast<int32_t>(FLongColumns.size())) return;
  // A string column's length word and characters lie inside the row buffer.
  VORN_ASSERT(offset >= 0 && maxLength >= 0);
  FLongColumns[static_cast<size_t>(column - 1)] = {offset, maxLength};
}

uint8_t* TRecordsCache::TSlabArena::Take(size_t bytes) {
  if (FLeft < bytes) {
    constexpr size_t MinSlab = size_t{64} << 10;
    constexpr size_t MaxSlab = size_t{4} << 20;
    // Each slab about as large as all that was taken before it.
    const size_t slab = std::max(std::clamp(FTaken, MinSlab, MaxSlab), bytes);
    FSlabs.reserve(FSlabs.size() + 1);
    const bool pages = slab >= HugePageBytes;
    auto* memory = static_cast<uint8_t*>(pages    ? AllocatePages(slab)
                                         : FZeroed ? std::calloc(slab, 1)
                                                   : std::malloc(slab));
    if (!memory) throw std::bad_alloc();
    FSlabs.push_back({memory, slab, pages});
    FNext = memory;
    FLeft = slab;
    FSlabBytes += slab;
  }
  VORN_ASSERT(FNext != nullptr && FLeft >= bytes);
  uint8_t* item = FNext;
  FNext += bytes;
  FLeft -= bytes;
  FTaken += bytes;
  return item;
}

void TRecordsCache::TSlabArena::Clear() {
  for (const TSlab& slab : FSlabs) {
    if (slab.Pages)
      FreePages(slab.Memory, slab.Bytes);
    else
      std::free(slab.Memory);
  }
  FSlabs.clear();
  FNext = nullptr;
  FLeft = 0;
  FTaken = 0;
  FSlabBytes = 0;
}

void TRecordsCache::TSlabArena::Swap(TSlabArena& other) noexcept {
  std::swap(FSlabs, other.FSlabs);
  std::swap(FNext, other.FNext);
  std::swap(FLeft, other.FLeft);
  std::swap(FTaken, other.FTaken);
  std::swap(FSlabBytes, other.FSlabBytes);
  std::swap(FZeroed, other.FZeroed);
}

uint8_t* TRecordsCache::TBlockStore::Add(size_t blockSize) {
  uint8_t* block = FArena.Take(blockSize);
  FBlocks.push_back(block);
  return block;
}

void TRecordsCache::TBlockStore::Clear() {
  FBlocks.clear();
  FArena.Clear();
}

// --- long values ------------------------------------------------------------------------------------------

void TRecordsCache::TTextTable::EnsureRows(int32_t rows) {
  while (Capacity() < rows) {
    const size_t slots = static_cast<size_t>(ChunkRows) * static_cast<size_t>(FColumnCount);
    FChunks.push_back(reinterpret_cast<uint8_t**>(FChunkArena.Take(slots * sizeof(uint8_t*))));
  }
  FCount = std::max(FCount, rows);
}

void TRecordsCache::TTextTable::DeleteRow(int32_t row) {
  VORN_ASSERT(row >= 0 && row < FCount);
  for (int32_t k = 0; k < FColumnCount; ++k) {
    Set(k, row, nullptr, 0);
    for (int32_t r = row; r + 1 < FCount; ++r) Slot(k, r) = Slot(k, r + 1);
    Slot(k, FCount - 1) = nullptr;
  }
  --FCount;
}

uint8_t* TRecordsCache::TTextTable::Store(TSlabArena& arena, const char* chars, int32_t length) {
  uint8_t* value = arena.Take(4 + static_cast<size_t>(length));
  WriteInt32(value, length);
  std::memcpy(value + 4, chars, static_cast<size_t>(length));
  return value;
}

void TRecordsCache::TTextTable::Set(int32_t column, int32_t row, const char* chars, int32_t length) {
  VORN_ASSERT(column >= 0 && column < FColumnCount && row >= 0 && row < FCount);
  uint8_t*& slot = Slot(column, row);
  const int32_t stored = slot ? ReadInt32(slot) : 0;
  if (length <= 0) {
    if (slot) FGarbage += 4 + static_cast<size_t>(stored);
    slot = nullptr;
    return;
  }
  if (length <= stored) {
    // chars may be this very value, or a part of it.
    WriteInt32(slot, length);
    std::memmove(slot + 4, chars, static_cast<size_t>(length));
    FGarbage += static_cast<size_t>(stored - length);
    return;
  }
  // The old value stays where it is until a compaction, so chars may still point into it.
  if (slot) FGarbage += 4 + static_cast<size_t>(stored);
  slot = Store(FArena, chars, length);
  FStored += 4 + static_cast<size_t>(length);
  if (FGarbage > CompactAbove && FGarbage > FStored - FGarbage) Compact();
}

void TRecordsCache::TTextTable::Compact() {
  TSlabArena fresh(false);
  size_t stored = 0;
  for (int32_t r = 0; r < FCount; ++r)
    for (int32_t k = 0; k < FColumnCount; ++k) {
      uint8_t*& slot = Slot(k, r);
      if (!slot) continue;
      const int32_t length = ReadInt32(slot);
      slot = Store(fresh, reinterpret_cast<const char*>(slot + 4), length);
      stored += 4 + static_cast<size_t>(length);
    }
  FArena.Swap(fresh);
  FStored = stored;
  FGarbage = 0;
}

size_t TRecordsCache::TTextTable::MemoryUsed() const {
  return FArena.SlabBytes() + FChunkArena.SlabBytes();
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

void TRecordsCache::EnsureStringRows(TTextTable* table, int32_t rows) {
  if (table) table->EnsureRows(rows);
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
      EnsureStringRows(FStrings.get(), FRowCount);
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
  const TTextTable* strings = FStrings.get();
  int32_t stringRow = physical - 1;
  if (fromOldValues) {
    int32_t index;
    if (FindEntry(physical, index)) {
      const int32_t slot = FEntries[static_cast<size_t>(index)].Slot;
      source = BlockRow(FOldBlocks, slot);
      if (!source) throw EMemManagerError(SCantReadLogBuffer);
      strings = FOldStrings.get();
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
    const uint8_t* value = present ? strings->Value(static_cast<int32_t>(k), stringRow) : nullptr;
    const int32_t length = value ? std::min(ReadInt32(value), column.MaxLength) : 0;
    uint8_t* target = buffer + column.Offset;
    WriteInt32(target, length);
    if (length > 0) std::memcpy(target + 4, value + 4, static_cast<size_t>(length));
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
  EnsureStringRows(FStrings.get(), physical);
  for (size_t k = 0; k < FLongColumns.size(); ++k) {
    const TLongColumn& column = FLongColumns[k];
    // A length beyond the column's area cannot come from a well-formed buffer; never read past it.
    const int32_t length = std::clamp(ReadInt32(buffer + column.Offset), 0, column.MaxLength);
    FStrings->Set(static_cast<int32_t>(k), physical - 1, reinterpret_cast<const char*>(buffer + column.Offset + 4),
                  length);
  }
}

const void* TRecordsCache::FieldDataAddress(int32_t position, int32_t offset, uint8_t*& rowAddress,
                                            int32_t stringColumn) const {
  static constexpr uint8_t EmptyValue[4] = {0, 0, 0, 0};
  const int32_t physical = MapPosition(position);
  uint8_t* row = BlockRow(FBlocks, physical);
  if (!row) throw EMemManagerError(SCantReadFieldData);
  rowAddress = row;
  if (!FStrings || stringColumn == -1) return row + offset;
  if (physical > FStrings->Capacity() || stringColumn < 0 || stringColumn >= FStrings->ColumnCount())
    throw EMemManagerError(SCantReadFieldData);
  const uint8_t* value = FStrings->Value(stringColumn, physical - 1);
  return value ? value : EmptyValue;
}

void TRecordsCache::SetStringFromBuffer(int32_t stringColumn, int32_t position0, bool trim, int32_t length,
                                        char* chars) {
  const int32_t row = FHasMap ? PhysicalOfPosition(position0) - 1 : position0;
  EnsureStringRows(FStrings.get(), row + 1);
  const int32_t maxLength = FLongColumns[static_cast<size_t>(stringColumn)].MaxLength;
  if (trim) {
    if (length < 0) length = maxLength;
    while (length > 0 && static_cast<uint8_t>(chars[length - 1]) <= 32) --length;
    if (length < maxLength) chars[length] = 0;
  } else if (length < 0) {
    length = static_cast<int32_t>(std::strlen(chars));
  }
  FStrings->Set(stringColumn, row, chars, length);
}

void TRecordsCache::SetStringValue(int32_t stringColumn, int32_t position0, const String& text) {
  const int32_t row = FHasMap ? PhysicalOfPosition(position0) - 1 : position0;
  EnsureStringRows(FStrings.get(), row + 1);
  const auto maxLength = static_cast<size_t>(FLongColumns[static_cast<size_t>(stringColumn)].MaxLength);
  size_t length = text.size();
  if (length > maxLength) {
    size_t cut = maxLength;
    while (cut > 0 && static_cast<uint8_t>(text[cut - 1]) <= 32) --cut;
    // A text cut at the maximum without blanks before it is kept whole: reading the row cuts it.
    if (cut < maxLength) length = cut;
  } else if (length > 0 && text.back() == ' ') {
    length = text.find_last_not_of(' ') + 1;
  }
  // The table keeps 32-bit lengths; beyond that no column reaches.
  length = std::min<size_t>(length, INT32_MAX - 4);
  FStrings->Set(stringColumn, row, text.data(), static_cast<int32_t>(length));
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
    if (FStrings && !FOldStrings) FOldStrings = std::make_unique<TTextTable>(FStrings->ColumnCount());
  }
  std::memcpy(BlockRow(FOldBlocks, slot), source, static_cast<size_t>(FRowSize));
  if (!FStrings) return;
  EnsureStringRows(FOldStrings.get(), slot);
  const bool present = physical - 1 < FStrings->Count();
  for (int32_t k = 0; k < FStrings->ColumnCount(); ++k) {
    const uint8_t* value = present ? FStrings->Value(k, physical - 1) : nullptr;
    FOldStrings->Set(k, slot - 1, value ? reinterpret_cast<const char*>(value + 4) : nullptr,
                     value ? ReadInt32(value) : 0);
  }
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
  EnsureStringRows(FStrings.get(), FRowCount);
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
  for (const TTextTable* table : {FStrings.get(), FOldStrings.get()})
    if (table) total += table->MemoryUsed();
  return total;
}
