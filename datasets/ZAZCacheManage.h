#pragma once
// The records cache of the SQL datasets: fixed-size rows packed into large zero-filled blocks, long
// character values in a column-wise text table whose characters live in the cache's own large chunks,
// old-values copies of edited rows for cached updates, and an order map created only when rows are first
// reordered or inserted.
//
// Positions are 1-based unless marked 0-based; a position maps to a physical row through the order map.
// Row buffers passed in and out start at record buffer offset 5 (the status byte).

#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/System.h"

RTL_EXCEPTION(EMemManagerError, Exception)

class TRecordsCache : public TObject {
  RTL_CLASS(TRecordsCache, TObject)
public:
  // Fails with "Incompatible Sizes" when a block cannot hold one row.
  TRecordsCache(int32_t rowsPerChunk, int32_t longColumnCount, int32_t rowSize, int32_t fullBufferSize);
  ~TRecordsCache() override;

  // column is 1-based; offset is relative to record buffer offset 5.
  void SetStringColumn(int32_t column, int32_t offset, int32_t maxLength);
  int32_t AddBlock();
  int32_t BlockCount() const { return static_cast<int32_t>(FBlocks.Count()); }

  uint8_t* RowForWrite(int32_t position);
  uint8_t* RowAddress(int32_t position) const;
  uint8_t* RowAddressOrNil(int32_t position) const;
  void ReadRow(int32_t position, uint8_t* buffer, bool fromOldValues) const;
  // A null buffer zero-fills the row.
  void WriteRow(int32_t position, const uint8_t* buffer, bool extend);
  // The address of one value, to read: row + offset; for a long column (stringColumn != -1, 0-based) its
  // stored value as the record buffer holds it, a 32-bit length followed by the characters (an empty
  // value has length 0). A long value's address holds until the cache is next written; a value is
  // changed through SetStringValue or WriteRow, a fixed one through rowAddress.
  const void* FieldDataAddress(int32_t position, int32_t offset, uint8_t*& rowAddress, int32_t stringColumn) const;

  // chars must hold the column's maximum length when trim is set: the cut is marked with a zero byte.
  void SetStringFromBuffer(int32_t stringColumn, int32_t position0, bool trim, int32_t length, char* chars);
  void SetStringValue(int32_t stringColumn, int32_t position0, const String& text);

  void SaveOldRow(int32_t position);
  uint8_t* OldRow(int32_t position);
  void LogRow(int32_t position);
  void RevertRow(int32_t position);
  void ClearLog();

  int32_t PhysicalOfPosition(int32_t position0) const;
  int32_t PositionOfPhysical(int32_t physical) const;
  bool IsValidRow(int32_t physical) const;
  void SwapPositions(int32_t i, int32_t j);
  void MovePosition(int32_t from, int32_t to);
  void InsertRowAt(int32_t position0);
  void RemoveRowAt(int32_t position);

  bool LogOldValues() const { return FLogOldValues; }
  void SetLogOldValues(bool value) { FLogOldValues = value; }

  int32_t RowCount() const { return FRowCount; }
  int32_t RowSize() const { return FRowSize; }
  int32_t BlockSize() const { return FBlockSize; }
  int32_t RowsPerBlock() const { return FRowsPerBlock; }
  bool HasOrderMap() const { return FHasMap; }
  int32_t OldValuesCount() const { return static_cast<int32_t>(FEntries.size()); }
  // Bytes held by blocks, text tables and their characters: what the benchmark reports per row.
  size_t MemoryUsed() const;

private:
  struct TLongColumn {
    int32_t Offset = 0;
    int32_t MaxLength = 0;
  };
  struct TOldEntry {
    int32_t Physical;
    int32_t Slot;
  };
  // Large slabs from which fixed blocks and text values are carved; each slab is about as large as all
  // before it (64 KB up to 4 MB, or one item when that is larger). A million rows take a few dozen
  // allocations instead of one per block or value, and freeing them takes as few. Slabs from 2 MB up come
  // from the system's pages (zero-filled unwritten, in huge pages where granted): with small pages the
  // first touch of each 4 KB costs a fault, which made up most of the time a large fetch spent beyond
  // the statement's own.
  class TSlabArena {
  public:
    explicit TSlabArena(bool zeroed) : FZeroed(zeroed) {}
    ~TSlabArena() { Clear(); }
    TSlabArena(const TSlabArena&) = delete;
    TSlabArena& operator=(const TSlabArena&) = delete;
    uint8_t* Take(size_t bytes);
    void Clear();
    void Swap(TSlabArena& other) noexcept;
    size_t SlabBytes() const { return FSlabBytes; }

  private:
    struct TSlab {
      uint8_t* Memory;
      size_t Bytes;
      bool Pages;  // from AllocatePages, else from malloc
    };
    std::vector<TSlab> FSlabs;
    uint8_t* FNext = nullptr;
    size_t FLeft = 0;
    size_t FTaken = 0;
    size_t FSlabBytes = 0;
    bool FZeroed;
  };

  // Zero-filled blocks of one size.
  class TBlockStore {
  public:
    uint8_t* Add(size_t blockSize);
    void Clear();
    size_t Count() const { return FBlocks.size(); }
    uint8_t* operator[](size_t index) const { return FBlocks[index]; }

  private:
    std::vector<uint8_t*> FBlocks;
    TSlabArena FArena{true};
  };

public:
  // Long character values, one column per long column and one row per physical row. A value is kept as
  // the record buffer holds it (a 32-bit length, then the characters) in the table's own slabs, and a
  // table of pointers in fixed chunks of rows says where (null: empty); so neither a fetched value nor
  // the growth of the table allocates, and the pointers never move. A value that shrinks is rewritten in
  // place; one that grows is stored anew, and the slabs are compacted once more than half of what they
  // hold (and over 1 MB) is such garbage. Rows from Count up to Capacity hold empty values.
  class TTextTable {
  public:
    explicit TTextTable(int32_t columnCount) : FColumnCount(columnCount) {}
    int32_t ColumnCount() const { return FColumnCount; }
    int32_t Count() const { return FCount; }
    int32_t Capacity() const { return static_cast<int32_t>(FChunks.size()) * ChunkRows; }
    // Adds empty rows up to `rows`.
    void EnsureRows(int32_t rows);
    // Drops a row's values and moves the later rows up by one.
    void DeleteRow(int32_t row);
    // The stored value (length word, then characters), null when empty; row below Capacity.
    const uint8_t* Value(int32_t column, int32_t row) const { return Slot(column, row); }
    // Length 0 (or below) empties the value. chars may lie in this table's own storage.
    void Set(int32_t column, int32_t row, const char* chars, int32_t length);
    size_t MemoryUsed() const;

  private:
    static constexpr int32_t ChunkShift = 10;
    static constexpr int32_t ChunkRows = 1 << ChunkShift;
    static constexpr size_t CompactAbove = size_t{1} << 20;
    uint8_t*& Slot(int32_t column, int32_t row) const {
      return FChunks[static_cast<size_t>(row >> ChunkShift)]
                    [static_cast<size_t>(row & (ChunkRows - 1)) * static_cast<size_t>(FColumnCount) +
                     static_cast<size_t>(column)];
    }
    static uint8_t* Store(TSlabArena& arena, const char* chars, int32_t length);
    void Compact();

    std::vector<uint8_t**> FChunks;  // carved from FChunkArena, zero-filled: empty values
    TSlabArena FChunkArena{true};
    TSlabArena FArena{false};
    size_t FStored = 0;   // bytes of every value stored, garbage included
    size_t FGarbage = 0;  // bytes of values since replaced or emptied
    int32_t FColumnCount;
    int32_t FCount = 0;
  };

private:
  int32_t MapPosition(int32_t position) const;
  uint8_t* BlockRow(const TBlockStore& blocks, int32_t number) const;
  void EnsureMap();
  static void EnsureStringRows(TTextTable* table, int32_t rows);
  bool FindEntry(int32_t physical, int32_t& index) const;
  int32_t LongAreaEnd() const;

  TBlockStore FBlocks;
  TBlockStore FOldBlocks;
  std::vector<TOldEntry> FEntries;
  std::vector<TLongColumn> FLongColumns;
  std::vector<int32_t> FMap;
  std::vector<uint8_t> FScratch;
  std::unique_ptr<TTextTable> FStrings;
  std::unique_ptr<TTextTable> FOldStrings;
  int32_t FRowSize;
  int32_t FFullBufferSize;
  int32_t FBlockSize;
  int32_t FRowsPerBlock;
  int32_t FRowCount = 0;
  int32_t FScratchRow = -1;
  bool FHasMap = false;
  bool FLogOldValues = false;
};
