#pragma once
// Small containers of the database library: objects under text keys (the prepared-statement pool finds
// idle statements by SQL text), a sorted set of record numbers, and a column-wise table of strings whose
// cells the records cache writes in place.

#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/System.h"

class TStringList;

// The 32-bit hash that keeps a hashed TObjStringList in order: every character of a text below 16
// characters, else 8 or 9 samples.
int32_t TextHash(const String& text);

class TObjStringList : public TObject {
  RTL_CLASS(TObjStringList, TObject)
public:
  // Without useHash: a sorted list that ignores letter case; with it: hash order, exact texts.
  explicit TObjStringList(bool useHash);
  ~TObjStringList() override;

  // A text already present is not added again: its index is returned and obj is not stored.
  int32_t Add(const String& text, TObject* obj);
  // On a miss, index is where the text belongs.
  bool Find(const String& text, int32_t& index) const;
  // The object of a removed entry is left to the caller.
  void Remove(const String& text);
  void Delete(int32_t index);
  TObject* GetObject(int32_t index) const;
  String GetText(int32_t index) const;
  int32_t Count() const;
  bool UseHash() const { return FUseHash; }

private:
  TStringList* FList;
  std::vector<int32_t> FHashList;
  bool FUseHash;
};

// Distinct 32-bit integers in ascending order.
class TSortedList : public TObject {
  RTL_CLASS(TSortedList, TObject)
public:
  TSortedList() = default;

  int32_t Add(int32_t value);
  bool Find(int32_t value, int32_t& index) const;
  void Remove(int32_t value);
  // Adds delta to every value not below `value`.
  void ShiftFrom(int32_t value, int32_t delta);
  int32_t GetValue(int32_t index) const { return FItems[static_cast<size_t>(index)]; }
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  void Clear() { FItems.clear(); }
  // The largest value, -1 when empty.
  int32_t LastValue() const { return FItems.empty() ? -1 : FItems.back(); }

private:
  std::vector<int32_t> FItems;
};

// A table of strings with a fixed number of columns, stored column by column. Indices are not checked:
// the column stays below the column count and the row below Capacity.
class TStringCollection : public TObject {
  RTL_CLASS(TStringCollection, TObject)
public:
  explicit TStringCollection(int32_t columnCount);
  ~TStringCollection() override;

  // Grows the capacity when full (to 128, then by half), empties the new row; returns the new Count.
  int32_t AddRow();
  void DeleteRow(int32_t row);
  void SetCapacity(int32_t rows);
  void Clear();
  // The cell itself, to read or write in place; its address stays valid while the capacity grows.
  String* CellPtr(int32_t column, int32_t row) { return &Cell(column, row); }
  const String& GetCell(int32_t column, int32_t row) const { return Cell(column, row); }
  void SetCell(int32_t column, int32_t row, const String& text) { *CellPtr(column, row) = text; }
  // A negative length takes the zero-terminated length of chars; 0 empties the cell.
  void SetCellFromBuffer(int32_t column, int32_t row, int32_t length, const char* chars);

  int32_t Count() const { return FCount; }
  int32_t Capacity() const { return FCapacity; }
  int32_t ColumnCount() const { return static_cast<int32_t>(FColumns.size()); }

private:
  // Cells live in fixed chunks per column: growing adds chunks and never moves the cells already there,
  // which for a table of a million rows would copy the whole column again at each growth step.
  static constexpr int32_t ChunkShift = 10;
  static constexpr int32_t ChunkRows = 1 << ChunkShift;
  using Chunk = std::unique_ptr<String[]>;
  String& Cell(int32_t column, int32_t row) const {
    return FColumns[static_cast<size_t>(column)][static_cast<size_t>(row >> ChunkShift)]
                   [static_cast<size_t>(row & (ChunkRows - 1))];
  }

  std::vector<std::vector<Chunk>> FColumns;
  int32_t FCount = 0;
  int32_t FCapacity = 0;
};
