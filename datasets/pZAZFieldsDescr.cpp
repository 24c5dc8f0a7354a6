#include "datasets/pZAZFieldsDescr.h"

#include <ibase.h>

TFIBFieldDescrList::~TFIBFieldDescrList() { Clear(); }

TFIBFieldDescr* TFIBFieldDescrList::Add(int16_t sqlType, int16_t scale, int16_t dataSize, uint8_t nullable,
                                        uint8_t isDBKey, uint8_t isLongString, uint8_t kind) {
  auto* item = new TFIBFieldDescr;
  item->SQLType = sqlType;
  item->Scale = scale;
  item->DataSize = dataSize;
  item->Nullable = nullable;
  item->IsDBKey = isDBKey;
  item->IsLongString = isLongString;
  item->Kind = kind;
  FItems.push_back(item);
  if (static_cast<int32_t>(FItems.size()) > FCapacity) FCapacity = static_cast<int32_t>(FItems.size());
  return item;
}

void TFIBFieldDescrList::SetCapacity(int32_t capacity) {
  FItems.reserve(static_cast<size_t>(capacity));
  FCapacity = capacity;
}

void TFIBFieldDescrList::Clear() {
  for (TFIBFieldDescr* item : FItems) delete item;
  FItems.clear();
  FCapacity = 0;
}

int16_t InlineValueSize(int16_t sqlType, int16_t length) {
  switch (sqlType & ~1) {
    case SQL_SHORT:
      return 2;
    case SQL_LONG:
    case SQL_FLOAT:
    case SQL_TYPE_TIME:
    case SQL_TYPE_DATE:
      return 4;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
    case SQL_TIMESTAMP:
    case SQL_INT64:
      return 8;
    default:
      return length;
  }
}

TFIBRecordLayout BuildRecordLayout(const std::vector<TFIBColumnInfo>& columns, TFIBFieldDescrList& list,
                                   int32_t blobFieldCount, int32_t calcFieldsSize, bool cacheCalcFields) {
  TFIBRecordLayout layout;
  const auto n = static_cast<int32_t>(columns.size());
  layout.ColumnCount = n;
  list.Clear();
  list.SetCapacity(n);
  int32_t offset = NullFlagsOffset + n;
  int32_t rowSize = 1 + n;
  for (const TFIBColumnInfo& column : columns) {
    const auto type = static_cast<int16_t>(column.SQLType & ~1);
    const int16_t size = InlineValueSize(type, column.Length);
    const bool isText = type == SQL_TEXT || type == SQL_VARYING;
    const bool isLong = isText && size > MaxInlineStringSize && column.DataType != ftGuid;
    const uint8_t kind = column.DataType == ftWideString ? 2 : column.DataType == ftGuid ? 1 : 0;
    const bool isDBKey = column.Name == "DB_KEY" || column.Name == "RDB$DB_KEY";
    TFIBFieldDescr* d = list.Add(type, column.Scale, size, static_cast<uint8_t>(column.SQLType & 1), isDBKey,
                                 isLong, kind);
    if (isLong) {
      d->StringColumn = layout.LongColumnCount++;
    } else {
      d->Offset = offset;
      d->StringColumn = -1;
      offset += size;
      rowSize += size;
    }
  }
  for (int32_t i = 0; i < n; ++i) {
    TFIBFieldDescr* d = list.Items(i);
    if (!d->IsLongString) continue;
    d->Offset = offset;
    offset += d->DataSize + 4;
  }
  layout.BlobSlotsOffset = offset;
  layout.CalcFieldsOffset = offset + 4 * blobFieldCount;
  layout.RecordBufferSize = layout.CalcFieldsOffset + calcFieldsSize;
  layout.RowSize = rowSize + 4 * blobFieldCount + (cacheCalcFields ? calcFieldsSize : 0);
  return layout;
}
