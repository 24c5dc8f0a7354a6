#pragma once
// The accessor of one array column: the column's array descriptor, fetched once from the server, and the
// conversion of a whole slice to a multi-dimensional variant array (reading) and back (writing, which
// gives the column a new array identifier).

#include <cstdint>
#include <utility>

#include "db/DB.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/Interfaces.h"
#include "rtl/System.h"
#include "rtl/Variants.h"

class TpZAZArray : public TObject {
  RTL_CLASS(TpZAZArray, TObject)
public:
  // Looks the column's bounds up on the server; a failed lookup raises the server error with this
  // accessor as sender. xsqlvar is kept for the caller only.
  TpZAZArray(IIBClientLibrary* clientLibrary, fbapi::XSQLVAR* xsqlvar, isc_db_handle* dbHandle,
             isc_tr_handle* trHandle, const String& tableName, const String& fieldName);

  const String& TableName() const { return FTableName; }
  const String& FieldName() const { return FFieldName; }
  fbapi::XSQLVAR* SQLVar() const { return FXSQLVar; }
  const fbapi::ISC_ARRAY_DESC& Descriptor() const { return FDesc; }
  // The platform field type of one element; ftUnknown for an element type without a conversion.
  TFieldType ElementFieldType() const { return FFieldType; }
  int32_t DimensionCount() const { return FDesc.array_desc_dimensions; }
  // Lower and upper bound of dimension `index` (0-based); client error 60 outside the column's dimensions.
  std::pair<int32_t, int32_t> DimensionBounds(int32_t index) const;
  // Bytes of one element in a slice: the element length, plus 2 for varying text.
  int32_t ElementStride() const;
  int32_t SliceSize() const;

  // The slice of the array `arrayId` as a variant array with the column's bounds (varVariant elements).
  // A slice that comes back empty (a null column) gives Null elements.
  void ReadSlice(const fbapi::ISC_QUAD& arrayId, Variant& values, isc_db_handle* dbHandle, isc_tr_handle* trHandle);
  // Writes `values` as a new slice and stores the new identifier at arrayId. A value that is not a
  // variant array writes a slice of zero bytes.
  void PutValues(const Variant& values, fbapi::ISC_QUAD& arrayId, isc_db_handle* dbHandle, isc_tr_handle* trHandle);

  // The slice layout (exposed for callers that carry slices themselves). FillSlice allocates buffer
  // (malloc family, SliceSize() + 1 zero bytes) when values is a variant array and leaves it otherwise.
  void FillSlice(const Variant& values, void*& buffer) const;
  void WriteSlice(void* buffer, fbapi::ISC_QUAD& arrayId, isc_db_handle* dbHandle, isc_tr_handle* trHandle);

private:
  IPtr<IIBClientLibrary> FClientLibrary;
  fbapi::XSQLVAR* FXSQLVar;
  TFieldType FFieldType = ftUnknown;
  String FTableName;
  String FFieldName;
  fbapi::ISC_ARRAY_DESC FDesc{};

  Variant ElementToVariant(const uint8_t* element, bool isNull) const;
  void VariantToElement(const Variant& value, uint8_t* element) const;
};

class TFIBXSQLVAR;

// The whole array of a result column of an open statement (its relation and column name the server
// described), read within the statement's transaction. A null column gives Null elements.
Variant ReadArrayColumn(const TFIBXSQLVAR* column);
// Writes `values` as a new array of the column tableName.columnName (parameters do not carry their
// column) and sets the statement parameter to its identifier; Null or Empty sets the parameter null.
// The statement is prepared first, so that the parameter takes the array type.
void WriteArrayParam(TFIBXSQLVAR* param, const String& tableName, const String& columnName, const Variant& values);
