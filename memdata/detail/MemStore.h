#pragma once
// The storage of the in-memory dataset, kept apart from the dataset framework so that the record layout,
// value comparison, sorting, bisecting search and indexes can be reasoned about (and tested) on their own.
//
// A stored record is one heap block: for each stored column a null-flag byte (0 null, 1 value) followed by
// the column's data size in the field's native buffer format. A wide-string slot holds a native pointer to a
// separately allocated WideString. Blob values live beside the record, one pointer per blob field; an empty
// blob is no block.
#include <cstdint>
#include <vector>

#include "rtl/Assert.h"
#include "rtl/System.h"

class Variant;

namespace memdata {

// How a column's native bytes compare; every type the dataset stores maps to one of these.
enum class TMemKind : uint8_t {
  mkString,
  mkWideString,
  mkSmallint,
  mkInteger,  // also auto-increment
  mkWord,
  mkLargeint,
  mkBoolean,   // 2-byte word-bool as the platform's field keeps it
  mkFloat,     // also currency: 8-byte double
  mkBCD,       // the platform's TBcd record, compared through Currency
  mkDate,      // int32 day number
  mkTime,      // int32 milliseconds since midnight
  mkDateTime,  // double milliseconds
  mkOther      // compares equal
};

struct TMemColumn {
  TMemKind Kind = TMemKind::mkOther;
  int32_t DataSize = 0;  // bytes of the value, without the flag byte
  int32_t Offset = 0;    // of the flag byte; the value follows at Offset + 1
  bool AutoInc = false;
  int64_t MaxAutoInc = 0;
};

// One stored record with its bookmark and its blob values; they travel together whenever records move.
struct TMemRecord {
  uint8_t* Data = nullptr;
  int32_t Bookmark = 0;
  String** Blobs = nullptr;  // BlobCount pointers, nullptr for an empty value
};

// Compares two stored slots (each pointing at the flag byte): a missing value sorts first, two missing
// values are equal; -1, 0 or 1.
int CompareSlots(const TMemColumn& col, const uint8_t* a, const uint8_t* b, bool caseInsensitive);

// Text of a string slot (up to its terminator) and of a wide-string slot (converted to UTF-8).
String SlotString(const TMemColumn& col, const uint8_t* slot);
WideString* SlotWide(const uint8_t* slot);
void SetSlotWide(uint8_t* slot, WideString* value);

int64_t SlotInt64(const TMemColumn& col, const uint8_t* slot);
void SetSlotInt64(const TMemColumn& col, uint8_t* slot, int64_t value);

// A locate key turned into a slot of its column's layout, so that it compares like a stored value.
// A wide-string key keeps its text in Wide, which the slot points at.
struct TMemKeySlot {
  std::vector<uint8_t> Bytes;  // flag byte, then the value
  WideString Wide;
  String Text;                 // string and wide-string keys as UTF-8, for the partial-key test
  bool IsString = false;
  const uint8_t* Slot() const { return Bytes.data(); }
};

// Converts a key value to its column's native format; raises the variant's conversion error when the
// value does not convert. Null gives a null slot.
void MakeKeySlot(const TMemColumn& col, const Variant& value, TMemKeySlot& key);
// The value of a stored slot as a Variant (Null when null).
Variant SlotToVariant(const TMemColumn& col, const uint8_t* slot);
// A stored value against a key: a null key matches only null; a string key compares with the case option
// and, with the partial option, also matches a longer value that starts with it; other values are equal.
bool SlotMatches(const TMemColumn& col, const uint8_t* slot, const TMemKeySlot& key, bool caseInsensitive,
                 bool partial);

class TMemStore {
public:
  TMemStore() = default;
  TMemStore(const TMemStore&) = delete;
  TMemStore& operator=(const TMemStore&) = delete;
  ~TMemStore();

  // Layout: columns in field order, offsets computed here. Clears every record.
  void SetLayout(std::vector<TMemColumn> columns, int32_t blobCount, int32_t recIdColumn);
  const std::vector<TMemColumn>& Columns() const { return FColumns; }
  TMemColumn& Column(int32_t i) {
    VORN_ASSERT(i >= 0 && static_cast<size_t>(i) < FColumns.size());
    return FColumns[static_cast<size_t>(i)];
  }
  int32_t RecordSize() const { return FRecordSize; }
  int32_t BlobCount() const { return FBlobCount; }
  int32_t RecIdColumn() const { return FRecIdColumn; }

  int32_t Count() const { return static_cast<int32_t>(FRecords.size()); }
  TMemRecord& Record(int32_t i) {
    VORN_ASSERT(i >= 0 && static_cast<size_t>(i) < FRecords.size());
    return FRecords[static_cast<size_t>(i)];
  }
  const TMemRecord& Record(int32_t i) const {
    VORN_ASSERT(i >= 0 && static_cast<size_t>(i) < FRecords.size());
    return FRecords[static_cast<size_t>(i)];
  }
  std::vector<TMemRecord>& Records() { return FRecords; }

  // A new zeroed (all-null) record with no blobs; not yet in the list.
  TMemRecord NewRecord() const;
  // Frees a record's wide strings and blob blocks and the record itself.
  void FreeRecord(TMemRecord& rec) const;
  void Insert(int32_t index, const TMemRecord& rec);
  void Delete(int32_t index);
  void Clear();

  // Copies a record image (RecordSize bytes, wide-string pointers of the source) into rec, allocating fresh
  // wide strings and freeing rec's old ones.
  void CopyData(uint8_t* dest, const uint8_t* src) const;
  void FreeWide(uint8_t* data) const;
  // Blob helpers: an empty text leaves no block.
  static void SetBlob(String** slots, int32_t i, const String& value);
  static void FreeBlobs(String** slots, int32_t count);

  int32_t IndexOfBookmark(int32_t bookmark) const;
  void RenumberBookmarks();

  int64_t RecId(const TMemRecord& rec) const;

  // The sort order: values compared by the column (case-insensitive when asked), nulls first in both
  // directions, descending reverses the value order, equal values ordered by RecId ascending.
  int CompareRecords(int32_t col, const TMemRecord& a, const TMemRecord& b, bool desc, bool caseInsensitive) const;
  // The record positions in that order.
  std::vector<int32_t> SortedOrder(int32_t col, bool desc, bool caseInsensitive) const;
  void Sort(int32_t col, bool desc, bool caseInsensitive);

private:
  std::vector<TMemColumn> FColumns;
  std::vector<int32_t> FWideColumns;
  std::vector<TMemRecord> FRecords;
  int32_t FRecordSize = 0;
  int32_t FBlobCount = 0;
  int32_t FRecIdColumn = -1;
};

// Bisecting search over an ordered sequence for a key slot. at(i) gives the slot of the i-th element.
// Returns whether an equal value exists; pos is the first element of the run of equal values, or where
// the key belongs.
template <class At>
bool BisectSlots(const TMemColumn& col, const uint8_t* key, bool desc, bool caseInsensitive, int32_t lo,
                 int32_t hi, At at, int32_t& pos) {
  // Nulls come first in both directions, so a descending order is ascending in "null, then reversed".
  auto cmp = [&](const uint8_t* slot) {
    const bool sn = slot[0] == 0, kn = key[0] == 0;
    if (sn || kn) return sn == kn ? 0 : (sn ? -1 : 1);
    int c = CompareSlots(col, slot, key, caseInsensitive);
    return desc ? -c : c;
  };
  const int32_t end = hi;
  while (lo < hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (cmp(at(mid)) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  pos = lo;
  return lo < end && cmp(at(lo)) == 0;
}

// An index: the records ordered by one column, with their positions in the record list when it was built.
class TMemIndexData {
public:
  bool Dirty() const { return FDirty; }
  void MarkDirty() { FDirty = true; }
  void Build(const TMemStore& store, int32_t col, bool desc, bool caseInsensitive);
  int32_t Count() const { return static_cast<int32_t>(FRecords.size()); }
  const uint8_t* Data(int32_t i) const { return FRecords[static_cast<size_t>(i)]; }
  // The record's current position in the store: the remembered one when still right, else searched.
  int32_t PositionOf(const TMemStore& store, int32_t i) const;
  // Drops a deleted record that sat at recordPos; later records move up one place.
  void Remove(const uint8_t* data, int32_t recordPos);
  // Whether the record at index position i still sits in order among its neighbours.
  bool InOrder(const TMemStore& store, const uint8_t* data, int32_t col, bool desc, bool caseInsensitive) const;

private:
  std::vector<const uint8_t*> FRecords;
  std::vector<int32_t> FPositions;
  bool FDirty = true;
};

}  // namespace memdata
