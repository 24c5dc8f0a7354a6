#pragma once
// The record buffer layout of the SQL datasets, computed once per open from the select statement's columns.
//
// Record buffer (offsets in bytes):
//   0        record number (int32, 0-based fetch order)
//   4        bookmark flag of the platform's dataset
//   5        cached-update status of the row (bits 0-2)
//   6        one null flag per column
//   6 + n    inline values, each at its descriptor's Offset
//   ...      long character values: int32 length + column-size bytes each
//   ...      4 bytes per blob field, then the calculated fields
// The records cache stores the part from offset 5 on, with the long character values kept apart.

#include <cstdint>
#include <vector>

#include "db/DB.h"
#include "rtl/System.h"

enum TCachedUpdateStatus : uint8_t {
  cusUnmodified = 0,
  cusModified = 1,
  cusInserted = 2,
  cusDeleted = 3,
  cusUninserted = 4,
  cusDeletedApplied = 5
};

constexpr int32_t RecordNumberOffset = 0;
constexpr int32_t BookmarkFlagOffset = 4;
constexpr int32_t CacheRowOffset = 5;  // status byte: where a cache row starts in a record buffer
constexpr int32_t NullFlagsOffset = 6;
// Character columns longer than this live in the string table instead of the fixed row.
constexpr int32_t MaxInlineStringSize = 12;

struct TFIBFieldDescr {
  int16_t SQLType = 0;  // null bit cleared
  int16_t Scale = 0;
  uint8_t Nullable = 0;
  int16_t DataSize = 0;
  int32_t Offset = 0;  // of the value; of the length word for a long character column
  uint8_t IsDBKey = 0;
  uint8_t IsLongString = 0;
  int32_t StringColumn = -1;  // index in the cache's string table, -1 for other columns
  uint8_t Kind = 0;           // 2 wide string, 1 GUID, 0 other
};

class TFIBFieldDescrList : public TObject {
  RTL_CLASS(TFIBFieldDescrList, TObject)
public:
  TFIBFieldDescrList() = default;
  ~TFIBFieldDescrList() override;

  // Offset and StringColumn are set afterwards by the layout computation.
  TFIBFieldDescr* Add(int16_t sqlType, int16_t scale, int16_t dataSize, uint8_t nullable, uint8_t isDBKey,
                      uint8_t isLongString, uint8_t kind);
  TFIBFieldDescr* Items(int32_t index) const { return FItems[static_cast<size_t>(index)]; }
  // The capacity, which the layout sets to the column count before adding.
  int32_t Count() const { return FCapacity; }
  void SetCapacity(int32_t capacity);
  void Clear();

private:
  std::vector<TFIBFieldDescr*> FItems;
  int32_t FCapacity = 0;
};

// One select column as the layout needs it.
struct TFIBColumnInfo {
  int16_t SQLType = 0;  // as the descriptor block reports it, null bit included
  int16_t Scale = 0;
  int16_t Length = 0;  // declared length in bytes
  String Name;         // the column's own name (DB_KEY detection)
  TFieldType DataType = ftUnknown;  // the field definition made for the column
};

struct TFIBRecordLayout {
  int32_t ColumnCount = 0;
  int32_t LongColumnCount = 0;
  int32_t BlobSlotsOffset = 0;  // first byte after the long character values
  int32_t CalcFieldsOffset = 0;
  int32_t RecordBufferSize = 0;  // what the dataset allocates per record buffer
  int32_t RowSize = 0;           // bytes of one cache row
};

// Inline size of a value of the given SQL type (null bit ignored) and declared length.
int16_t InlineValueSize(int16_t sqlType, int16_t length);

// Fills the descriptor list (cleared first) from the columns and returns the buffer layout, blob slots and
// calculated fields included; the calculated fields count in RowSize only when cacheCalcFields is set.
TFIBRecordLayout BuildRecordLayout(const std::vector<TFIBColumnInfo>& columns, TFIBFieldDescrList& list,
                                   int32_t blobFieldCount, int32_t calcFieldsSize, bool cacheCalcFields);
