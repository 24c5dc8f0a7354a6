#include "memdata/detail/MemStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "rtl/DateTime.h"
#include "rtl/FMTBcd.h"
#include "rtl/Variants.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace memdata {

namespace {

template <class T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

template <class T>
int Cmp(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int Sign(int32_t c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

Currency BcdAsCurrency(const uint8_t* p, bool& ok) {
  TBcd bcd;
  std::memcpy(&bcd, p, sizeof(TBcd));
  Currency c;
  ok = BCDToCurr(bcd, c);
  return c;
}

}  // namespace

String SlotString(const TMemColumn& col, const uint8_t* slot) {
  if (col.Kind == TMemKind::mkWideString) {
    const WideString* w = SlotWide(slot);
    return w ? Utf16ToUtf8(*w) : String();
  }
  const char* s = reinterpret_cast<const char*>(slot + 1);
  return String(s, strnlen(s, static_cast<size_t>(col.DataSize)));
}

WideString* SlotWide(const uint8_t* slot) { return Load<WideString*>(slot + 1); }

void SetSlotWide(uint8_t* slot, WideString* value) { std::memcpy(slot + 1, &value, sizeof(value)); }

int64_t SlotInt64(const TMemColumn& col, const uint8_t* slot) {
  const uint8_t* p = slot + 1;
  switch (col.Kind) {
    case TMemKind::mkSmallint: return Load<int16_t>(p);
    case TMemKind::mkWord: return Load<uint16_t>(p);
    case TMemKind::mkInteger: return Load<int32_t>(p);
    case TMemKind::mkLargeint: return Load<int64_t>(p);
    default: return 0;
  }
}

void SetSlotInt64(const TMemColumn& col, uint8_t* slot, int64_t value) {
  uint8_t* p = slot + 1;
  slot[0] = 1;
  switch (col.Kind) {
    case TMemKind::mkSmallint: { int16_t v = static_cast<int16_t>(value); std::memcpy(p, &v, 2); break; }
    case TMemKind::mkWord: { uint16_t v = static_cast<uint16_t>(value); std::memcpy(p, &v, 2); break; }
    case TMemKind::mkInteger: { int32_t v = static_cast<int32_t>(value); std::memcpy(p, &v, 4); break; }
    case TMemKind::mkLargeint: std::memcpy(p, &value, 8); break;
    default: break;
  }
}

int CompareSlots(const TMemColumn& col, const uint8_t* a, const uint8_t* b, bool caseInsensitive) {
  const bool an = a[0] == 0, bn = b[0] == 0;
  if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
  const uint8_t* pa = a + 1;
  const uint8_t* pb = b + 1;
  switch (col.Kind) {
    case TMemKind::mkString:
    case TMemKind::mkWideString: {
      const String sa = SlotString(col, a), sb = SlotString(col, b);
      return Sign(caseInsensitive ? AnsiCompareText(sa, sb) : AnsiCompareStr(sa, sb));
    }
    case TMemKind::mkSmallint: return Cmp(Load<int16_t>(pa), Load<int16_t>(pb));
    case TMemKind::mkWord: return Cmp(Load<uint16_t>(pa), Load<uint16_t>(pb));
    case TMemKind::mkInteger:
    case TMemKind::mkDate:
    case TMemKind::mkTime: return Cmp(Load<int32_t>(pa), Load<int32_t>(pb));
    case TMemKind::mkLargeint: return Cmp(Load<int64_t>(pa), Load<int64_t>(pb));
    case TMemKind::mkBoolean: {
      bool x = false, y = false;
      for (int32_t i = 0; i < col.DataSize; ++i) {
        x = x || pa[i] != 0;
        y = y || pb[i] != 0;
      }
      return Cmp(int(x), int(y));
    }
    case TMemKind::mkFloat:
    case TMemKind::mkDateTime: return Cmp(Load<double>(pa), Load<double>(pb));
    case TMemKind::mkBCD: {
      bool oka = false, okb = false;
      Currency ca = BcdAsCurrency(pa, oka), cb = BcdAsCurrency(pb, okb);
      if (oka && okb) return Cmp(ca.Value, cb.Value);
      // Beyond Currency's range the exact comparison keeps the order.
      TBcd x, y;
      std::memcpy(&x, pa, sizeof(TBcd));
      std::memcpy(&y, pb, sizeof(TBcd));
      return BcdCompare(x, y);
    }
    case TMemKind::mkOther: return 0;
  }
  return 0;
}

void MakeKeySlot(const TMemColumn& col, const Variant& value, TMemKeySlot& key) {
  key.Bytes.assign(static_cast<size_t>(col.DataSize) + 1, 0);
  key.IsString = col.Kind == TMemKind::mkString || col.Kind == TMemKind::mkWideString;
  key.Text.clear();
  key.Wide.clear();
  if (VarIsNull(value) || VarIsEmpty(value)) return;
  uint8_t* slot = key.Bytes.data();
  uint8_t* p = slot + 1;
  slot[0] = 1;
  switch (col.Kind) {
    case TMemKind::mkString: {
      key.Text = VarToStr(value);
      std::memcpy(p, key.Text.data(), std::min<size_t>(key.Text.size(), static_cast<size_t>(std::max(col.DataSize - 1, 0))));
      break;
    }
    case TMemKind::mkWideString: {
      key.Wide = VarToWideStr(value);
      key.Text = Utf16ToUtf8(key.Wide);
      SetSlotWide(slot, &key.Wide);
      break;
    }
    case TMemKind::mkSmallint:
    case TMemKind::mkWord:
    case TMemKind::mkInteger:
      SetSlotInt64(col, slot, value.AsInteger());
      break;
    case TMemKind::mkLargeint: SetSlotInt64(col, slot, value.AsInt64()); break;
    case TMemKind::mkBoolean: {
      const bool b = value.AsBoolean();
      std::memset(p, b ? 0xFF : 0, static_cast<size_t>(col.DataSize));
      break;
    }
    case TMemKind::mkFloat: {
      const double d = value.VType() == varCurrency ? value.AsCurrency().ToDouble() : value.AsDouble();
      std::memcpy(p, &d, 8);
      break;
    }
    case TMemKind::mkBCD: {
      const TBcd bcd = VarToBcd(value);
      std::memcpy(p, &bcd, std::min<size_t>(sizeof(TBcd), static_cast<size_t>(col.DataSize)));
      break;
    }
    case TMemKind::mkDate: {
      const int32_t d = DateTimeToTimeStamp(VarToDateTime(value)).Date;
      std::memcpy(p, &d, 4);
      break;
    }
    case TMemKind::mkTime: {
      const int32_t t = DateTimeToTimeStamp(VarToDateTime(value)).Time;
      std::memcpy(p, &t, 4);
      break;
    }
    case TMemKind::mkDateTime: {
      const double ms = TimeStampToMSecs(DateTimeToTimeStamp(VarToDateTime(value)));
      std::memcpy(p, &ms, 8);
      break;
    }
    case TMemKind::mkOther: break;
  }
}

Variant SlotToVariant(const TMemColumn& col, const uint8_t* slot) {
  if (slot[0] == 0) return Null();
  const uint8_t* p = slot + 1;
  switch (col.Kind) {
    case TMemKind::mkString: return Variant(SlotString(col, slot));
    case TMemKind::mkWideString: {
      const WideString* w = SlotWide(slot);
      return Variant(w ? *w : WideString());
    }
    case TMemKind::mkSmallint: return Variant(Load<int16_t>(p));
    case TMemKind::mkWord: return Variant(Load<uint16_t>(p));
    case TMemKind::mkInteger: return Variant(Load<int32_t>(p));
    case TMemKind::mkLargeint: return Variant(Load<int64_t>(p));
    case TMemKind::mkBoolean: {
      bool b = false;
      for (int32_t i = 0; i < col.DataSize; ++i) b = b || p[i] != 0;
      return Variant(b);
    }
    case TMemKind::mkFloat: return Variant(Load<double>(p));
    case TMemKind::mkBCD: {
      TBcd bcd;
      std::memcpy(&bcd, p, sizeof(TBcd));
      return VarFMTBcdCreate(bcd);
    }
    case TMemKind::mkDate: {
      TTimeStamp ts;
      ts.Date = Load<int32_t>(p);
      return VarFromDateTime(TimeStampToDateTime(ts));
    }
    case TMemKind::mkTime: {
      TTimeStamp ts;
      ts.Date = DateDelta;
      ts.Time = Load<int32_t>(p);
      return VarFromDateTime(TimeStampToDateTime(ts));
    }
    case TMemKind::mkDateTime: return VarFromDateTime(TimeStampToDateTime(MSecsToTimeStamp(Load<double>(p))));
    case TMemKind::mkOther: break;
  }
  return Null();
}

bool SlotMatches(const TMemColumn& col, const uint8_t* slot, const TMemKeySlot& key, bool caseInsensitive,
                 bool partial) {
  const bool sn = slot[0] == 0, kn = key.Bytes[0] == 0;
  if (sn || kn) return sn == kn;
  if (key.IsString) {
    // Case-sensitive text matches byte for byte, without building a string per record.
    if (!caseInsensitive && col.Kind == TMemKind::mkString) {
      const char* v = reinterpret_cast<const char*>(slot + 1);
      const size_t n = strnlen(v, static_cast<size_t>(col.DataSize));
      const size_t k = key.Text.size();
      if (partial ? n < k : n != k) return false;
      return std::memcmp(v, key.Text.data(), k) == 0;
    }
    const String value = SlotString(col, slot);
    if (!caseInsensitive) return partial ? AnsiStartsStr(key.Text, value) : value == key.Text;
    return partial ? AnsiStartsText(key.Text, value) : AnsiSameText(value, key.Text);
  }
  return CompareSlots(col, slot, key.Slot(), false) == 0;
}

TMemStore::~TMemStore() { Clear(); }

void TMemStore::SetLayout(std::vector<TMemColumn> columns, int32_t blobCount, int32_t recIdColumn) {
  Clear();
  FColumns = std::move(columns);
  FWideColumns.clear();
  int32_t offset = 0;
  for (size_t i = 0; i < FColumns.size(); ++i) {
    TMemColumn& c = FColumns[i];
    if (c.Kind == TMemKind::mkWideString) {
      c.DataSize = static_cast<int32_t>(sizeof(WideString*));
      FWideColumns.push_back(static_cast<int32_t>(i));
    }
    VORN_ASSERT(c.DataSize >= 0);
    c.Offset = offset;
    c.MaxAutoInc = 0;
    offset += c.DataSize + 1;
  }
  FRecordSize = offset;
  FBlobCount = blobCount;
  FRecIdColumn = recIdColumn;
}

TMemRecord TMemStore::NewRecord() const {
  TMemRecord rec;
  rec.Data = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(std::max(FRecordSize, 1)), 1));
  if (FBlobCount > 0) rec.Blobs = new String*[static_cast<size_t>(FBlobCount)]();
  return rec;
}

void TMemStore::FreeWide(uint8_t* data) const {
  for (int32_t i : FWideColumns) {
    uint8_t* slot = data + FColumns[static_cast<size_t>(i)].Offset;
    delete SlotWide(slot);
    SetSlotWide(slot, nullptr);
  }
}

void TMemStore::FreeRecord(TMemRecord& rec) const {
  if (rec.Data) {
    FreeWide(rec.Data);
    std::free(rec.Data);
    rec.Data = nullptr;
  }
  if (rec.Blobs) {
    FreeBlobs(rec.Blobs, FBlobCount);
    delete[] rec.Blobs;
    rec.Blobs = nullptr;
  }
}

void TMemStore::CopyData(uint8_t* dest, const uint8_t* src) const {
  FreeWide(dest);
  std::memcpy(dest, src, static_cast<size_t>(FRecordSize));
  for (int32_t i : FWideColumns) {
    uint8_t* slot = dest + FColumns[static_cast<size_t>(i)].Offset;
    const WideString* w = SlotWide(slot);
    SetSlotWide(slot, w ? new WideString(*w) : nullptr);
  }
}

void TMemStore::SetBlob(String** slots, int32_t i, const String& value) {
  delete slots[i];
  slots[i] = value.empty() ? nullptr : new String(value);
}

void TMemStore::FreeBlobs(String** slots, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    delete slots[i];
    slots[i] = nullptr;
  }
}

void TMemStore::Insert(int32_t index, const TMemRecord& rec) {
  FRecords.insert(FRecords.begin() + index, rec);
}

void TMemStore::Delete(int32_t index) {
  FreeRecord(FRecords[static_cast<size_t>(index)]);
  FRecords.erase(FRecords.begin() + index);
}

void TMemStore::Clear() {
  for (TMemRecord& r : FRecords) FreeRecord(r);
  FRecords.clear();
  for (TMemColumn& c : FColumns) c.MaxAutoInc = 0;
}

int32_t TMemStore::IndexOfBookmark(int32_t bookmark) const {
  for (size_t i = 0; i < FRecords.size(); ++i)
    if (FRecords[i].Bookmark == bookmark) return static_cast<int32_t>(i);
  return -1;
}

void TMemStore::RenumberBookmarks() {
  for (size_t i = 0; i < FRecords.size(); ++i) FRecords[i].Bookmark = static_cast<int32_t>(i + 1);
}

int64_t TMemStore::RecId(const TMemRecord& rec) const {
  if (FRecIdColumn < 0) return 0;
  const TMemColumn& c = FColumns[static_cast<size_t>(FRecIdColumn)];
  const uint8_t* slot = rec.Data + c.Offset;
  return slot[0] ? SlotInt64(c, slot) : 0;
}

int TMemStore::CompareRecords(int32_t col, const TMemRecord& a, const TMemRecord& b, bool desc,
                              bool caseInsensitive) const {
  const TMemColumn& c = FColumns[static_cast<size_t>(col)];
  const uint8_t* sa = a.Data + c.Offset;
  const uint8_t* sb = b.Data + c.Offset;
  const bool an = sa[0] == 0, bn = sb[0] == 0;
  int r;
  if (an || bn)
    r = an == bn ? 0 : (an ? -1 : 1);
  else {
    r = CompareSlots(c, sa, sb, caseInsensitive);
    if (desc) r = -r;
  }
  if (r == 0) r = Cmp(RecId(a), RecId(b));
  return r;
}

std::vector<int32_t> TMemStore::SortedOrder(int32_t col, bool desc, bool caseInsensitive) const {
  // RecId makes the order total, so any correct sort gives the one result the quicksort would.
  std::vector<int32_t> order(FRecords.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
  const TMemColumn& c = FColumns[static_cast<size_t>(col)];
  if (c.Kind != TMemKind::mkString && c.Kind != TMemKind::mkWideString) {
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
      return CompareRecords(col, FRecords[static_cast<size_t>(a)], FRecords[static_cast<size_t>(b)], desc,
                            caseInsensitive) < 0;
    });
    return order;
  }
  // Text is taken out of the records once rather than at every comparison.
  std::vector<String> texts(FRecords.size());
  std::vector<int64_t> ids(FRecords.size());
  std::vector<bool> nulls(FRecords.size());
  for (size_t i = 0; i < FRecords.size(); ++i) {
    const uint8_t* slot = FRecords[i].Data + c.Offset;
    nulls[i] = slot[0] == 0;
    if (!nulls[i]) texts[i] = SlotString(c, slot);
    ids[i] = RecId(FRecords[i]);
  }
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    const size_t x = static_cast<size_t>(a), y = static_cast<size_t>(b);
    int r;
    if (nulls[x] || nulls[y])
      r = nulls[x] == nulls[y] ? 0 : (nulls[x] ? -1 : 1);
    else {
      r = caseInsensitive ? AnsiCompareText(texts[x], texts[y]) : AnsiCompareStr(texts[x], texts[y]);
      if (desc) r = -r;
    }
    if (r == 0) r = Cmp(ids[x], ids[y]);
    return r < 0;
  });
  return order;
}

void TMemStore::Sort(int32_t col, bool desc, bool caseInsensitive) {
  const std::vector<int32_t> order = SortedOrder(col, desc, caseInsensitive);
  std::vector<TMemRecord> sorted(order.size());
  for (size_t i = 0; i < order.size(); ++i) sorted[i] = FRecords[static_cast<size_t>(order[i])];
  FRecords.swap(sorted);
}

void TMemIndexData::Build(const TMemStore& store, int32_t col, bool desc, bool caseInsensitive) {
  std::vector<int32_t> order = store.SortedOrder(col, desc, caseInsensitive);
  FRecords.resize(order.size());
  FPositions = std::move(order);
  for (size_t i = 0; i < FPositions.size(); ++i) FRecords[i] = store.Record(FPositions[i]).Data;
  FDirty = false;
}

int32_t TMemIndexData::PositionOf(const TMemStore& store, int32_t i) const {
  const uint8_t* data = FRecords[static_cast<size_t>(i)];
  int32_t p = FPositions[static_cast<size_t>(i)];
  if (p >= 0 && p < store.Count() && store.Record(p).Data == data) return p;
  for (int32_t k = 0; k < store.Count(); ++k)
    if (store.Record(k).Data == data) return k;
  return -1;
}

void TMemIndexData::Remove(const uint8_t* data, int32_t recordPos) {
  size_t w = 0;
  for (size_t i = 0; i < FRecords.size(); ++i) {
    if (FRecords[i] == data) continue;
    FRecords[w] = FRecords[i];
    FPositions[w] = FPositions[i] > recordPos ? FPositions[i] - 1 : FPositions[i];
    ++w;
  }
  FRecords.resize(w);
  FPositions.resize(w);
}

bool TMemIndexData::InOrder(const TMemStore& store, const uint8_t* data, int32_t col, bool desc,
                            bool caseInsensitive) const {
  size_t i = 0;
  while (i < FRecords.size() && FRecords[i] != data) ++i;
  if (i == FRecords.size()) return false;
  auto recOf = [&](const uint8_t* d) {
    TMemRecord r;
    r.Data = const_cast<uint8_t*>(d);
    return r;
  };
  const TMemRecord self = recOf(data);
  if (i > 0 && store.CompareRecords(col, recOf(FRecords[i - 1]), self, desc, caseInsensitive) > 0) return false;
  if (i + 1 < FRecords.size() && store.CompareRecords(col, self, recOf(FRecords[i + 1]), desc, caseInsensitive) > 0)
    return false;
  return true;
}

}  // namespace memdata
