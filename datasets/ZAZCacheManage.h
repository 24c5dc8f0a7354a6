#pragma once
// The records cache of the SQL datasets: fixed-size rows packed into large zero-filled blocks, long
// character values in a column-wise string table, old-values copies of edited rows for cached updates,
// and an order map created only when rows are first reordered or inserted.
//
// Positions are 1-based unless marked 0-based; a position maps to a physical row through the order map.
// Row buffers passed in and out start at record buffer offset 5 (the status byte).

#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/System.h"

class TStringCollection;

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
  // The address of one value: row + offset, or the String cell of a long column (stringColumn != -1).
  void* FieldDataAddress(int32_t position, int32_t offset, uint8_t*& rowAddress, int32_t stringColumn);

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
  // Bytes held by blocks and string cells: what the benchmark reports per row.
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
  // Zero-filled blocks carved from slabs each about as large as all the blocks before it (64 KB up to
  // 4 MB): a million rows take a few dozen allocations instead of one per block (tens of thousands,
  // interleaved with the long values' strings), and a large slab comes zeroed from the system without
  // being written, so its pages are first touched when rows are.
  class TBlockStore {
  public:
    uint8_t* Add(size_t blockSize);
    void Clear();
    size_t Count() const { return FBlocks.size(); }
    uint8_t* operator[](size_t index) const { return FBlocks[index]; }

  private:
    struct TFree {
      void operator()(uint8_t* p) const;
    };
    std::vector<uint8_t*> FBlocks;
    std::vector<std::unique_ptr<uint8_t, TFree>> FSlabs;
    uint8_t* FNext = nullptr;
    size_t FLeft = 0;
  };

  int32_t MapPosition(int32_t position) const;
  uint8_t* BlockRow(const TBlockStore& blocks, int32_t number) const;
  void EnsureMap();
  void EnsureStringRows(TStringCollection* table, int32_t rows);
  bool FindEntry(int32_t physical, int32_t& index) const;
  int32_t LongAreaEnd() const;

  TBlockStore FBlocks;
  TBlockStore FOldBlocks;
  std::vector<TOldEntry> FEntries;
  std::vector<TLongColumn> FLongColumns;
  std::vector<int32_t> FMap;
  std::vector<uint8_t> FScratch;
  TStringCollection* FStrings = nullptr;
  TStringCollection* FOldStrings = nullptr;
  int32_t FRowSize;
  int32_t FFullBufferSize;
  int32_t FBlockSize;
  int32_t FRowsPerBlock;
  int32_t FRowCount = 0;
  int32_t FScratchRow = -1;
  bool FHasMap = false;
  bool FLogOldValues = false;
};
