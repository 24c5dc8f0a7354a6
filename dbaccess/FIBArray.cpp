#include "dbaccess/FIBArray.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/ServerDateTime.h"
#include "dbaccess/VariantRtn.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/DateTime.h"
#include "rtl/Math.h"

namespace {

constexpr int32_t feDimensionMissing = 60;

// Element type codes of the array descriptor (the API's blr codes).
enum : uint8_t {
  etShort = 7, etLong = 8, etFloat = 10, etDouble = 11, etSqlDate = 12, etSqlTime = 13, etText = 14,
  etInt64 = 16, etDDouble = 27, etTimestamp = 35, etVarying = 37
};

double PowerOfTen(int32_t exponent) {
  static const double table[] = {1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9,
                                 1e-8,  1e-7,  1e-6,  1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,
                                 1e2,   1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,
                                 1e12,  1e13,  1e14,  1e15,  1e16,  1e17,  1e18};
  if (exponent < -18 || exponent > 18) return std::pow(10.0, exponent);
  return table[exponent + 18];
}

// Every element type the conversion knows, and its field type.
TFieldType FieldTypeOf(uint8_t code) {
  switch (code) {
    case etShort: return ftSmallint;
    case etLong: return ftInteger;
    case etFloat: case etDouble: case etDDouble: return ftFloat;
    case etSqlDate: return ftDate;
    case etSqlTime: return ftTime;
    case etTimestamp: return ftDateTime;
    case etText: case etVarying: return ftString;
    case etInt64: return ftBCD;
    default: return ftUnknown;
  }
}

String ColumnText(const String& table, const String& field) { return table + "." + field; }

}  // namespace


TpZAZArray::TpZAZArray(IIBClientLibrary* clientLibrary, fbapi::XSQLVAR* xsqlvar, isc_db_handle* dbHandle,
                       isc_tr_handle* trHandle, const String& tableName, const String& fieldName)
    : FClientLibrary(clientLibrary), FXSQLVar(xsqlvar), FTableName(tableName), FFieldName(fieldName) {
  // A failed lookup would leave an empty descriptor that silently reads nothing; it is reported instead.
  ISC_STATUS status = 0;
  try {
    status = FClientLibrary->isc_array_lookup_bounds(StatusVector(), dbHandle, trHandle, FTableName.c_str(),
                                                     FFieldName.c_str(), &FDesc);
  } catch (const Exception&) {
    RaiseServerError(FClientLibrary.get(), this);
  }
  if (status) RaiseServerError(FClientLibrary.get(), this);
  FFieldType = FieldTypeOf(FDesc.array_desc_dtype);
  if (FDesc.array_desc_scale != 0 && (FFieldType == ftSmallint || FFieldType == ftInteger)) FFieldType = ftBCD;
}

std::pair<int32_t, int32_t> TpZAZArray::DimensionBounds(int32_t index) const {
  if (index < 0 || index >= FDesc.array_desc_dimensions)
    RaiseClientError(feDimensionMissing, {index, ColumnText(FTableName, FFieldName)});
  return {FDesc.array_desc_bounds[index].array_bound_lower, FDesc.array_desc_bounds[index].array_bound_upper};
}

int32_t TpZAZArray::ElementStride() const {
  return FDesc.array_desc_length + (FDesc.array_desc_dtype == etVarying ? 2 : 0);
}

int32_t TpZAZArray::SliceSize() const {
  int32_t count = 1;
  for (int32_t i = 0; i < FDesc.array_desc_dimensions; ++i)
    count *= FDesc.array_desc_bounds[i].array_bound_upper - FDesc.array_desc_bounds[i].array_bound_lower + 1;
  return ElementStride() * count + (FDesc.array_desc_dtype == etVarying ? 2 : 0);
}

Variant TpZAZArray::ElementToVariant(const uint8_t* element, bool isNull) const {
  if (isNull) return Variant::Null();
  const int32_t scale = static_cast<int8_t>(FDesc.array_desc_scale);
  switch (FDesc.array_desc_dtype) {
    // A scaled integer (NUMERIC or DECIMAL) reads as its decimal value, not its raw digits.
    case etShort: {
      int16_t v;
      std::memcpy(&v, element, sizeof v);
      return scale ? Variant(v * PowerOfTen(scale)) : Variant(v);
    }
    case etLong: {
      int32_t v;
      std::memcpy(&v, element, sizeof v);
      return scale ? Variant(v * PowerOfTen(scale)) : Variant(v);
    }
    case etFloat: { float v; std::memcpy(&v, element, sizeof v); return Variant(static_cast<double>(v)); }
    case etDouble: case etDDouble: { double v; std::memcpy(&v, element, sizeof v); return Variant(v); }
    case etInt64: {
      int64_t v;
      std::memcpy(&v, element, sizeof v);
      return Variant(static_cast<double>(v) * PowerOfTen(scale));
    }
    case etSqlDate: {
      ISC_DATE raw;
      std::memcpy(&raw, element, sizeof raw);
      return Variant::FromDateTime(TServerDate::ToDateTime(raw));
    }
    case etSqlTime: {
      ISC_TIME raw;
      std::memcpy(&raw, element, sizeof raw);
      return Variant::FromDateTime(TServerTime::ToDateTime(raw));
    }
    case etTimestamp: {
      fbapi::ISC_TIMESTAMP raw;
      std::memcpy(&raw, element, sizeof raw);
      return Variant::FromDateTime(TServerTimeStamp::ToDateTime(raw));
    }
    case etText: case etVarying: {
      const size_t stride = static_cast<size_t>(ElementStride());
      const char* text = reinterpret_cast<const char*>(element);
      return Variant(String(text, strnlen(text, stride)));
    }
    default: return Variant();
  }
}

void TpZAZArray::VariantToElement(const Variant& value, uint8_t* element) const {
  const bool isNull = VarIsNull(value);
  const int32_t scale = static_cast<int8_t>(FDesc.array_desc_scale);
  switch (FDesc.array_desc_dtype) {
    case etShort: {
      const int16_t v = isNull ? 0
                         : static_cast<int16_t>(scale ? Round(value.AsDouble() * PowerOfTen(-scale))
                                                      : value.AsInteger());
      std::memcpy(element, &v, sizeof v);
      break;
    }
    case etLong: {
      const int32_t v = isNull ? 0
                         : static_cast<int32_t>(scale ? Round(value.AsDouble() * PowerOfTen(-scale))
                                                      : value.AsInteger());
      std::memcpy(element, &v, sizeof v);
      break;
    }
    case etFloat: {
      const float v = isNull ? 0.0f : static_cast<float>(value.AsDouble());
      std::memcpy(element, &v, sizeof v);
      break;
    }
    case etDouble: case etDDouble: {
      const double v = isNull ? 0.0 : value.AsDouble();
      std::memcpy(element, &v, sizeof v);
      break;
    }
    case etInt64: {
      const int64_t v = isNull ? 0 : Round(value.AsDouble() * PowerOfTen(-scale));
      std::memcpy(element, &v, sizeof v);
      break;
    }
    // A Null date, time or time stamp element is written as the server's day 0 at midnight.
    case etSqlDate: {
      const ISC_DATE v = isNull ? 0 : TServerDate::FromDateTime(VarToDateTime(value));
      std::memcpy(element, &v, sizeof v);
      break;
    }
    case etSqlTime: {
      const ISC_TIME v = isNull ? 0 : TServerTime::FromDateTime(VarToDateTime(value));
      std::memcpy(element, &v, sizeof v);
      break;
    }
    case etTimestamp: {
      fbapi::ISC_TIMESTAMP v{};
      if (!isNull) v = TServerTimeStamp::FromDateTime(VarToDateTime(value));
      std::memcpy(element, &v, sizeof v);
      break;
    }
    // The server takes a text element up to its first zero byte, varying or not: nothing is appended
    // (a trailing line feed would be stored as part of the text and overflow a full-length value).
    case etText: case etVarying: {
      if (isNull) break;  // the element's zero bytes
      String s = VarToStr(value);
      // A longer text would spill into the next element: refused rather than cut.
      if (s.size() > static_cast<size_t>(FDesc.array_desc_length))
        RaiseClientErrorMsg("Value too long for an element of array %s: %s",
                            {ColumnText(FTableName, FFieldName), s});
      std::memcpy(element, s.data(), s.size());
      break;
    }
    default: break;
  }
}

void TpZAZArray::ReadSlice(const fbapi::ISC_QUAD& arrayId, Variant& values, isc_db_handle* dbHandle,
                           isc_tr_handle* trHandle) {
  std::vector<int32_t> bounds;
  for (int32_t i = 0; i < DimensionCount(); ++i) {
    const auto [lo, hi] = DimensionBounds(i);
    bounds.push_back(static_cast<int16_t>(lo));
    bounds.push_back(static_cast<int16_t>(hi));
  }
  VarArrayCreateDims(bounds, varVariant, values, DimensionCount());
  const int32_t size = SliceSize();
  std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1, 0);
  ISC_LONG length = size;
  fbapi::ISC_QUAD id = arrayId;
  // A zero identifier is a null column: the server is not asked.
  if (id.gds_quad_high != 0 || id.gds_quad_low != 0) {
    if (FClientLibrary->isc_array_get_slice(StatusVector(), dbHandle, trHandle, &id, &FDesc, buffer.data(),
                                            &length))
      RaiseServerError(FClientLibrary.get(), this);
  } else {
    length = 0;
  }
  const bool isNull = length == 0;
  const size_t stride = static_cast<size_t>(ElementStride());
  size_t k = 0;
  MapArrayElements(values, [&](const Variant&, const TArrayIndex&, bool&, Variant& newValue) {
    newValue = ElementToVariant(buffer.data() + k * stride, isNull);
    ++k;
  });
}

void TpZAZArray::FillSlice(const Variant& values, void*& buffer) const {
  if (!VarIsArray(values)) return;
  const int32_t dims = VarArrayDimCount(values);
  if (dims > DimensionCount()) RaiseClientError(feDimensionMissing, {dims, ColumnText(FTableName, FFieldName)});
  const int32_t size = SliceSize();
  const size_t stride = static_cast<size_t>(ElementStride());
  const size_t capacity = stride == 0 ? 0 : static_cast<size_t>(size) / stride;
  size_t count = 1;
  for (int32_t d = 1; d <= dims; ++d)
    count *= static_cast<size_t>(VarArrayHighBound(values, d) - VarArrayLowBound(values, d) + 1);
  // More elements than the column holds would write past the slice.
  if (count > capacity)
    RaiseClientErrorMsg("Too many elements for array %s", {ColumnText(FTableName, FFieldName)});
  ReallocZeroed(buffer, 0, 0);
  ReallocZeroed(buffer, 0, static_cast<size_t>(size) + 1);
  uint8_t* pos = static_cast<uint8_t*>(buffer);
  ForEachArrayElement(values, [&](const Variant& value, const TArrayIndex&, bool&, int32_t) {
    if (!VarIsEmpty(value)) VariantToElement(value, pos);
    pos += stride;
  });
}

void TpZAZArray::WriteSlice(void* buffer, fbapi::ISC_QUAD& arrayId, isc_db_handle* dbHandle, isc_tr_handle* trHandle) {
  ISC_LONG length = SliceSize();
  if (FClientLibrary->isc_array_put_slice(StatusVector(), dbHandle, trHandle, &arrayId, &FDesc, buffer, &length))
    RaiseServerError(FClientLibrary.get(), this);
}

void TpZAZArray::PutValues(const Variant& values, fbapi::ISC_QUAD& arrayId, isc_db_handle* dbHandle,
                           isc_tr_handle* trHandle) {
  void* buffer = nullptr;
  ReallocZeroed(buffer, 0, static_cast<size_t>(SliceSize()) + 1);
  try {
    FillSlice(values, buffer);
    WriteSlice(buffer, arrayId, dbHandle, trHandle);
  } catch (...) {
    ReallocZeroed(buffer, 0, 0);
    throw;
  }
  ReallocZeroed(buffer, 0, 0);
}

Variant ReadArrayColumn(const TFIBXSQLVAR* column) {
  TFIBQuery* query = column->Query();
  const String rel = column->GetRelationName();
  const String col = column->GetSQLName();
  if (column->GetSQLType() != SQLTypeArray || !query || !query->Database() || !query->Transaction() ||
      rel.empty() || col.empty())
    RaiseClientError(59, {rel + "." + col});
  TFIBDatabase* db = query->Database();
  TFIBTransaction* tr = query->Transaction();
  TpZAZArray* accessor = New<TpZAZArray>(db->ClientLibrary(), column->GetXSQLVAR(), db->HandleAddress(),
                                         tr->HandleAddress(), rel, col);
  Variant values;
  try {
    accessor->ReadSlice(column->GetIsNull() ? fbapi::ISC_QUAD{} : column->GetAsQuad(), values, db->HandleAddress(),
                        tr->HandleAddress());
  } catch (...) {
    accessor->Free();
    throw;
  }
  accessor->Free();
  return values;
}

void WriteArrayParam(TFIBXSQLVAR* param, const String& tableName, const String& columnName,
                     const Variant& values) {
  if (VarIsNull(values) || VarIsEmpty(values)) {
    param->SetIsNull(true);
    return;
  }
  TFIBQuery* query = param->Query();
  if (!query || !query->Database() || !query->Transaction()) RaiseClientError(59, {tableName + "." + columnName});
  if (!query->Prepared()) query->Prepare();
  TFIBDatabase* db = query->Database();
  TFIBTransaction* tr = query->Transaction();
  TpZAZArray* accessor =
      New<TpZAZArray>(db->ClientLibrary(), param->GetXSQLVAR(), db->HandleAddress(), tr->HandleAddress(),
                      tableName, columnName);
  fbapi::ISC_QUAD id{};
  try {
    accessor->PutValues(values, id, db->HandleAddress(), tr->HandleAddress());
  } catch (...) {
    accessor->Free();
    throw;
  }
  accessor->Free();
  param->SetAsQuad(id);
}
