#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "datasets/ZAZCacheManage.h"
#include "datasets/pZAZFieldsDescr.h"
#include <ibase.h>

namespace {

// A long value as FieldDataAddress hands it out: a 32-bit length, then the characters.
String StoredText(const void* value) {
  int32_t length;
  std::memcpy(&length, value, 4);
  return String(static_cast<const char*>(value) + 4, static_cast<size_t>(length));
}

struct SizingCase {
  int32_t rowSize, chunks, fullBuffer, blockSize, rowsPerBlock;
};

TEST(RecordsCache, BlockSizing) {
  const SizingCase cases[] = {
      {40, 32, 200, 1280, 32},
      {20, 10, 100, 1100, 55},
      {30, 10, 256, 1280, 42},
      {600, 1, 700, 1400, 2},
  };
  for (const auto& c : cases) {
    TRecordsCache* cache = New<TRecordsCache>(c.chunks, 0, c.rowSize, c.fullBuffer);
    EXPECT_EQ(cache->BlockSize(), c.blockSize) << c.rowSize;
    EXPECT_EQ(cache->RowsPerBlock(), c.rowsPerBlock) << c.rowSize;
    cache->Free();
  }
  try {
    New<TRecordsCache>(0, 0, 3000, 10);
    FAIL();
  } catch (const EMemManagerError& e) {
    EXPECT_EQ(e.Message(), "Incompatible Sizes");
  }
}

// Columns: INTEGER, VARCHAR(20) long, CHAR(4) inline, CHAR(20) long; one blob field.
class CacheWithLongColumns : public ::testing::Test {
protected:
  void SetUp() override {
    std::vector<TFIBColumnInfo> columns = {
        {SQL_LONG + 1, 0, 4, "ID", ftInteger},
        {SQL_VARYING + 1, 0, 20, "NAME", ftString},
        {SQL_TEXT, 0, 4, "CODE", ftFixedChar},
        {SQL_TEXT + 1, 0, 20, "NOTE", ftFixedChar},
    };
    layout = BuildRecordLayout(columns, descrs, 1, 0, false);
    cache = New<TRecordsCache>(4, layout.LongColumnCount, layout.RowSize, layout.RecordBufferSize);
    cache->AddBlock();
    for (int32_t i = 0; i < descrs.Count(); ++i) {
      TFIBFieldDescr* d = descrs.Items(i);
      if (d->IsLongString) cache->SetStringColumn(d->StringColumn + 1, d->Offset - CacheRowOffset, d->DataSize);
    }
  }
  void TearDown() override { cache->Free(); }

  // A record buffer with the given values; the blob slot holds `blob`.
  std::vector<uint8_t> Buffer(int32_t id, const String& name, const String& code, const String& note,
                              int32_t blob) {
    std::vector<uint8_t> b(static_cast<size_t>(layout.RecordBufferSize), 0);
    std::memcpy(&b[static_cast<size_t>(descrs.Items(0)->Offset)], &id, 4);
    auto putLong = [&](int32_t col, const String& s) {
      auto len = static_cast<int32_t>(s.size());
      std::memcpy(&b[static_cast<size_t>(descrs.Items(col)->Offset)], &len, 4);
      std::memcpy(&b[static_cast<size_t>(descrs.Items(col)->Offset + 4)], s.data(), s.size());
    };
    putLong(1, name);
    std::memcpy(&b[static_cast<size_t>(descrs.Items(2)->Offset)], code.data(), code.size());
    putLong(3, note);
    std::memcpy(&b[static_cast<size_t>(layout.BlobSlotsOffset)], &blob, 4);
    return b;
  }
  String LongValue(const std::vector<uint8_t>& b, int32_t col) {
    int32_t len;
    std::memcpy(&len, &b[static_cast<size_t>(descrs.Items(col)->Offset)], 4);
    return String(reinterpret_cast<const char*>(&b[static_cast<size_t>(descrs.Items(col)->Offset + 4)]),
                  static_cast<size_t>(len));
  }
  int32_t IntAt(const std::vector<uint8_t>& b, int32_t offset) {
    int32_t v;
    std::memcpy(&v, &b[static_cast<size_t>(offset)], 4);
    return v;
  }
  // The old values as a whole record buffer.
  std::vector<uint8_t> OldBuffer(int32_t pos) {
    std::vector<uint8_t> b(static_cast<size_t>(layout.RecordBufferSize));
    std::memcpy(b.data() + CacheRowOffset, cache->OldRow(pos), b.size() - CacheRowOffset);
    return b;
  }
  void Write(int32_t pos, const std::vector<uint8_t>& b) { cache->WriteRow(pos, b.data() + CacheRowOffset, true); }
  std::vector<uint8_t> Read(int32_t pos, bool old = false) {
    std::vector<uint8_t> b(static_cast<size_t>(layout.RecordBufferSize), 0xEE);
    cache->ReadRow(pos, b.data() + CacheRowOffset, old);
    return b;
  }

  TFIBFieldDescrList descrs;
  TFIBRecordLayout layout;
  TRecordsCache* cache = nullptr;
};

TEST_F(CacheWithLongColumns, LayoutPutsLongTextsAfterInlineValues) {
  // 6 + 4 null flags; ID at 10, CODE at 14; NAME and NOTE after CODE, each length word + 20 bytes.
  EXPECT_EQ(descrs.Count(), 4);
  EXPECT_EQ(descrs.Items(0)->Offset, 10);
  EXPECT_EQ(descrs.Items(2)->Offset, 14);
  EXPECT_EQ(descrs.Items(1)->Offset, 18);
  EXPECT_EQ(descrs.Items(3)->Offset, 42);
  EXPECT_EQ(descrs.Items(1)->StringColumn, 0);
  EXPECT_EQ(descrs.Items(3)->StringColumn, 1);
  EXPECT_EQ(descrs.Items(2)->StringColumn, -1);
  EXPECT_TRUE(descrs.Items(1)->IsLongString);
  EXPECT_EQ(descrs.Items(0)->Nullable, 1);
  EXPECT_EQ(descrs.Items(2)->Nullable, 0);
  EXPECT_EQ(layout.BlobSlotsOffset, 66);
  EXPECT_EQ(layout.RecordBufferSize, 70);
  EXPECT_EQ(layout.RowSize, 1 + 4 + 4 + 4 + 4);  // status, nulls, ID, CODE, blob slot
}

TEST(FieldsDescr, GuidTextStaysInlineAndDbKeyIsCaseSensitive) {
  TFIBFieldDescrList list;
  std::vector<TFIBColumnInfo> columns = {
      {SQL_TEXT, 0, 16, "DB_KEY", ftGuid},
      {SQL_TEXT, 0, 8, "db_key", ftBytes},
      {SQL_TEXT, 0, 8, "RDB$DB_KEY", ftBytes},
      {SQL_VARYING, 0, 40, "W", ftWideString},
      {SQL_INT64, 2, 8, "N", ftBCD},
  };
  BuildRecordLayout(columns, list, 0, 8, true);
  EXPECT_FALSE(list.Items(0)->IsLongString);
  EXPECT_EQ(list.Items(0)->Kind, 1);
  EXPECT_EQ(list.Items(3)->Kind, 2);
  EXPECT_EQ(list.Items(0)->IsDBKey, 1);
  EXPECT_EQ(list.Items(1)->IsDBKey, 0);
  EXPECT_EQ(list.Items(2)->IsDBKey, 1);
  EXPECT_EQ(list.Items(4)->DataSize, 8);
}

TEST_F(CacheWithLongColumns, RowsRoundTripAcrossBlocks) {
  for (int32_t i = 1; i <= 130; ++i) Write(i, Buffer(i, "name " + std::to_string(i), "AB", "", 100 + i));
  uint8_t* row = nullptr;
  const void* cellOfRow2 = cache->FieldDataAddress(2, 0, row, 0);
  // Enough rows for several slabs of blocks and several chunks of the string table.
  constexpr int32_t Rows = 6000;
  for (int32_t i = 131; i <= Rows; ++i) Write(i, Buffer(i, "name " + std::to_string(i), "AB", "", 100 + i));
  EXPECT_GT(static_cast<int64_t>(cache->BlockCount()) * cache->BlockSize(), 64 << 10);
  EXPECT_EQ(cache->RowCount(), Rows);
  EXPECT_EQ(cache->FieldDataAddress(2, 0, row, 0), cellOfRow2);  // values stay put while the table grows
  // A block added before its rows are written is zero-filled, in a new slab too.
  const int32_t firstOfNextBlock = cache->BlockCount() * cache->RowsPerBlock() + 1;
  uint8_t* fresh = cache->RowForWrite(firstOfNextBlock);
  EXPECT_TRUE(std::all_of(fresh, fresh + layout.RowSize, [](uint8_t b) { return b == 0; }));
  for (int32_t i : {1, 61, 62, 130, 1024, 1025, 4097, Rows}) {
    auto b = Read(i);
    EXPECT_EQ(IntAt(b, descrs.Items(0)->Offset), i);
    EXPECT_EQ(LongValue(b, 1), "name " + std::to_string(i));
    EXPECT_EQ(LongValue(b, 3), "");
    EXPECT_EQ(b[static_cast<size_t>(descrs.Items(3)->Offset + 4)], 0);  // zero byte after a short value
    EXPECT_EQ(String(reinterpret_cast<char*>(&b[14]), 2), "AB");
    EXPECT_EQ(IntAt(b, layout.BlobSlotsOffset), 100 + i);
  }
  try {
    cache->RowAddress(100000);
    FAIL();
  } catch (const EMemManagerError& e) {
    EXPECT_EQ(e.Message(), "Can't read Buffer.Incorrect RecordNo");
  }
  EXPECT_EQ(cache->RowAddressOrNil(100000), nullptr);
  try {
    cache->FieldDataAddress(100000, 1, row, -1);
    FAIL();
  } catch (const EMemManagerError& e) {
    EXPECT_EQ(e.Message(), "Can't read  FieldData .Incorrect RecordNo");
  }
  EXPECT_EQ(StoredText(cache->FieldDataAddress(2, 0, row, 0)), "name 2");
  EXPECT_EQ(StoredText(cache->FieldDataAddress(2, 0, row, 1)), "");
  EXPECT_EQ(row, cache->RowAddress(2));
}

TEST_F(CacheWithLongColumns, FetchedTextIsTrimmedAndCut) {
  Write(1, Buffer(1, "", "", "", 0));
  char blanks[21] = "                    ";
  cache->SetStringFromBuffer(1, 0, true, -1, blanks);
  EXPECT_EQ(LongValue(Read(1), 3), "");
  char twoLetters[21] = "ab                  ";
  cache->SetStringFromBuffer(1, 0, true, -1, twoLetters);
  EXPECT_EQ(LongValue(Read(1), 3), "ab");
  char varying[] = "xyz  ";
  cache->SetStringFromBuffer(0, 0, false, 5, varying);
  EXPECT_EQ(LongValue(Read(1), 1), "xyz  ");

  struct {
    String in, stored, read;
  } cases[] = {
      {"plain", "plain", "plain"},
      {"tail   ", "tail", "tail"},
      {"", "", ""},
      {"0123456789012345678     x", "0123456789012345678", "0123456789012345678"},
      {"012345678901234567890123", "012345678901234567890123", "01234567890123456789"},
  };
  for (const auto& c : cases) {
    cache->SetStringValue(0, 0, c.in);
    uint8_t* row;
    EXPECT_EQ(StoredText(cache->FieldDataAddress(1, 0, row, 0)), c.stored) << c.in;
    EXPECT_EQ(LongValue(Read(1), 1), c.read) << c.in;
  }
}

TEST_F(CacheWithLongColumns, OldValuesInLogMode) {
  cache->SetLogOldValues(true);
  Write(1, Buffer(1, "first", "AA", "note", 0));
  Write(2, Buffer(2, "second", "BB", "", 0));
  // Never logged: the current values.
  EXPECT_EQ(LongValue(OldBuffer(2), 1), "second");
  cache->LogRow(1);
  Write(1, Buffer(10, "changed", "ZZ", "other", 0));
  auto oldBuffer = OldBuffer(1);
  EXPECT_EQ(IntAt(oldBuffer, descrs.Items(0)->Offset), 1);
  EXPECT_EQ(LongValue(oldBuffer, 1), "first");
  EXPECT_EQ(LongValue(oldBuffer, 3), "note");
  cache->RevertRow(1);
  auto reverted = Read(1);
  EXPECT_EQ(IntAt(reverted, descrs.Items(0)->Offset), 1);
  EXPECT_EQ(LongValue(reverted, 1), "first");
  EXPECT_EQ(LongValue(reverted, 3), "note");
  EXPECT_EQ(String(reinterpret_cast<char*>(&reverted[14]), 2), "AA");
  // Beyond the row count: all bytes 1.
  const uint8_t* beyond = cache->OldRow(3);
  EXPECT_EQ(beyond[0], 1);
  EXPECT_EQ(beyond[layout.RecordBufferSize - CacheRowOffset - 1], 1);
  cache->ClearLog();
  EXPECT_EQ(cache->OldValuesCount(), 0);
}

TEST_F(CacheWithLongColumns, OldValuesWithoutLogModeComeFromTheSavedRow) {
  Write(1, Buffer(1, "first", "AA", "", 0));
  cache->SaveOldRow(1);
  Write(1, Buffer(2, "second", "BB", "", 0));
  EXPECT_EQ(LongValue(OldBuffer(1), 1), "first");
  cache->RevertRow(1);
  EXPECT_EQ(LongValue(Read(1), 1), "first");
}

TEST_F(CacheWithLongColumns, OrderMapMovesAndInserts) {
  for (int32_t i = 1; i <= 4; ++i) Write(i, Buffer(i, "r" + std::to_string(i), "", "", 0));
  EXPECT_FALSE(cache->HasOrderMap());
  EXPECT_EQ(cache->PositionOfPhysical(3), 2);
  auto order = [&] {
    String s;
    for (int32_t p = 0; p < 4; ++p) s += std::to_string(cache->PhysicalOfPosition(p));
    return s;
  };
  cache->MovePosition(0, 2);
  EXPECT_EQ(order(), "2314");
  cache->MovePosition(2, 0);
  cache->MovePosition(3, 1);
  EXPECT_EQ(order(), "1423");
  EXPECT_EQ(LongValue(Read(2), 1), "r4");
  cache->SwapPositions(0, 3);
  EXPECT_EQ(order(), "3421");
  EXPECT_FALSE(cache->IsValidRow(0));
  EXPECT_FALSE(cache->IsValidRow(5));
  EXPECT_EQ(cache->PositionOfPhysical(9), -1);
  EXPECT_EQ(cache->PositionOfPhysical(1), 3);

  cache->InsertRowAt(1);
  EXPECT_EQ(cache->RowCount(), 5);
  EXPECT_EQ(cache->PhysicalOfPosition(1), 5);
  Write(2, Buffer(5, "inserted", "", "", 0));
  EXPECT_EQ(LongValue(Read(2), 1), "inserted");
  EXPECT_EQ(LongValue(Read(3), 1), "r4");
  cache->RemoveRowAt(2);
  EXPECT_EQ(cache->RowCount(), 4);
  EXPECT_EQ(order(), "3421");
  EXPECT_FALSE(cache->IsValidRow(5));
}

// The text table directly: values written over and over, longer each time, leave garbage behind in its
// slabs; the table compacts them, so its memory follows the live values and every value reads back.
TEST(RecordsCacheTexts, GrowingValuesAreCompacted) {
  using Table = TRecordsCache::TTextTable;
  Table table(2);
  constexpr int32_t Rows = 3000;
  table.EnsureRows(Rows);
  EXPECT_EQ(table.Count(), Rows);
  auto text = [](int32_t row, int32_t round) { return String(static_cast<size_t>(round + 1), 'a' + row % 26); };
  auto read = [&](int32_t column, int32_t row) {
    const uint8_t* value = table.Value(column, row);
    return value ? StoredText(value) : String();
  };
  for (int32_t round = 0; round < 300; round += 7) {
    for (int32_t r = 0; r < Rows; ++r) {
      const String t = text(r, round);
      table.Set(0, r, t.data(), static_cast<int32_t>(t.size()));
    }
    // The live values with their length words, the garbage allowed (as much again, or 1 MB), slabs up to
    // about twice what was taken from them, and the row pointers; without compaction the
    // table would end at about 20 MB.
    const size_t live = static_cast<size_t>(Rows) * (4 + static_cast<size_t>(round) + 1);
    const size_t held = live + std::max(live, size_t{1} << 20);
    const size_t pointers = size_t{64} << 10;  // one slab holds the three chunks of row pointers
    EXPECT_LE(table.MemoryUsed(), 2 * held + (size_t{64} << 10) + pointers) << round;
    for (int32_t r : {0, 1, Rows / 2, Rows - 1}) {
      EXPECT_EQ(read(0, r), text(r, round)) << round;
      EXPECT_EQ(read(1, r), "");
    }
  }
}

// Enough text for slabs of the system's pages (2 MB and up), written, read back and compacted.
TEST(RecordsCacheTexts, LargeSlabsHoldValuesLikeSmallOnes) {
  TRecordsCache::TTextTable table(1);
  constexpr int32_t Rows = 4000;
  table.EnsureRows(Rows);
  auto text = [](int32_t row, size_t length) { return String(length, static_cast<char>('A' + row % 26)); };
  for (size_t length : {size_t{3000}, size_t{3001}})
    for (int32_t r = 0; r < Rows; ++r) {
      const String t = text(r, length);
      table.Set(0, r, t.data(), static_cast<int32_t>(t.size()));
    }
  EXPECT_GT(table.MemoryUsed(), size_t{12} << 20);
  for (int32_t r : {0, 1000, Rows - 1}) EXPECT_EQ(StoredText(table.Value(0, r)), text(r, 3001)) << r;
}

TEST(RecordsCacheTexts, ValuesFromTheirOwnStorageAndDeletedRows) {
  TRecordsCache::TTextTable table(1);
  table.EnsureRows(4);
  const String values[] = {"first value", "second value", "third value", "fourth value"};
  for (int32_t r = 0; r < 4; ++r) table.Set(0, r, values[r].data(), static_cast<int32_t>(values[r].size()));
  auto read = [&](int32_t row) {
    const uint8_t* value = table.Value(0, row);
    return value ? StoredText(value) : String("<empty>");
  };
  // A value set from a part of itself (in place) and from a longer stretch of another one.
  table.Set(0, 0, reinterpret_cast<const char*>(table.Value(0, 0)) + 4 + 6, 5);
  EXPECT_EQ(read(0), "value");
  table.Set(0, 2, reinterpret_cast<const char*>(table.Value(0, 1)) + 4, 12);
  EXPECT_EQ(read(2), "second value");
  table.Set(0, 1, "", 0);
  EXPECT_EQ(table.Value(0, 1), nullptr);
  table.DeleteRow(1);
  EXPECT_EQ(table.Count(), 3);
  EXPECT_EQ(read(0), "value");
  EXPECT_EQ(read(1), "second value");
  EXPECT_EQ(read(2), "fourth value");
  EXPECT_EQ(read(3), "<empty>");  // beyond the count: empty again
  table.EnsureRows(4);
  EXPECT_EQ(read(3), "<empty>");
}

}  // namespace
