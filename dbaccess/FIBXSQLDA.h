#pragma once
// Descriptor blocks: the client API's XSQLDA (a header and one XSQLVAR per parameter or result column)
// wrapped as TFIBXSQLDA, which owns the raw block, its entry objects and a name index, and TFIBXSQLVAR,
// which reads and writes one entry's bytes as any of the value types the library uses, converting between
// the column's SQL type and the requested one.
//
// Sizes are the 64-bit client API's (sizeof(XSQLVAR), XSQLDA_LENGTH). Both BOOLEAN codes are accepted.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "dbaccess/IB_Intf.h"
#include "rtl/FMTBcd.h"
#include "rtl/GUID.h"
#include "rtl/DateTime.h"
#include "rtl/System.h"
#include "rtl/Variants.h"

class TFIBQuery;
class TFIBXSQLDA;
class TMemoryStream;
class TStream;

// SQL type codes without the nullable bit.
enum : int32_t {
  SQLTypeVarying = 448,
  SQLTypeText = 452,
  SQLTypeDouble = 480,
  SQLTypeFloat = 482,
  SQLTypeLong = 496,
  SQLTypeShort = 500,
  SQLTypeTimeStamp = 510,
  SQLTypeBlob = 520,
  SQLTypeDFloat = 530,
  SQLTypeArray = 540,
  SQLTypeQuad = 550,
  SQLTypeTime = 560,
  SQLTypeDate = 570,
  SQLTypeInt64 = 580,
  SQLTypeBoolean = 590,
  SQLTypeBoolean64 = 32764,  // the BOOLEAN code of the 64-bit client
};
// The Unicode character set number of text columns.
constexpr int16_t CharsetUTF8Id = 3;

class TFIBXSQLVAR : public TObject {
  RTL_CLASS(TFIBXSQLVAR, TObject)
public:
  TFIBXSQLVAR(TFIBXSQLDA* parent, TFIBQuery* query);
  ~TFIBXSQLVAR() override;

  int32_t Index() const { return FIndex; }
  const String& Name() const { return FName; }
  bool Modified() const { return FModified; }
  TFIBXSQLDA* Parent() const { return FParent; }
  TFIBQuery* Query() const { return FQuery; }
  fbapi::XSQLVAR* GetXSQLVAR() const { return FXSQLVAR; }

  // Readers.
  bool GetIsNull() const;
  bool GetIsNullable() const;
  int32_t GetSQLType() const { return FXSQLVAR->sqltype & ~1; }
  int32_t GetSQLSubtype() const { return FXSQLVAR->sqlsubtype; }
  int32_t GetSQLScale() const { return FXSQLVAR->sqlscale; }
  int32_t GetSQLLen() const { return FXSQLVAR->sqllen; }
  String GetSQLName() const;
  String GetRelationName() const;
  int32_t GetAsInteger() const;
  int64_t GetAsInt64() const;
  double GetAsDouble() const;
  float GetAsFloat() const { return static_cast<float>(GetAsDouble()); }
  long double GetAsExtended() const;
  Currency GetAsCurrency() const;
  long double GetAsComp() const;
  TDateTime GetAsDateTime() const;
  String GetAsString() const;
  WideString GetAsWideString() const;
  Variant GetAsVariant() const;
  fbapi::ISC_QUAD GetAsQuad() const;
  TBcd GetAsBcd() const;
  TGUID GetAsGuid() const;
  bool GetAsBoolean() const;

  // Writers: each stores a fixed type (see the .cpp) through StoreValue.
  void SetAsInteger(int32_t v);
  void SetAsShort(int16_t v);
  void SetAsInt64(int64_t v);
  void SetScaledInt64(int64_t v) { SetAsInt64(v); }  // the caller sets the scale afterwards
  void SetScale(int16_t scale);
  void SetAsDouble(double v);
  void SetAsExtended(long double v);
  void SetAsCurrency(Currency v);
  void SetAsBcd(const TBcd& v);
  void SetAsDateTime(TDateTime v);
  void SetAsDate(TDateTime v);
  void SetAsTime(TDateTime v);
  void SetAsTimeStamp(const TTimeStamp& v);
  void SetAsString(const String& v);
  void SetAsVariant(const Variant& v);
  void SetAsQuad(const fbapi::ISC_QUAD& v);
  void SetAsGuid(const TGUID& v);
  void SetAsBoolean(bool v);
  void SetIsNull(bool v);
  void SetIsNullable(bool v);
  void Clear() { SetIsNull(true); }
  void LoadFromStream(TStream* stream);
  void SetArrayValue(const Variant& v);
  // Copies another entry's value, also across connections (blobs are copied into new blobs).
  void Assign(TFIBXSQLVAR* source);

  // The bytes of a VARYING or TEXT value without conversion.
  String RawText() const;

  // State of parameter scanning and macros.
  bool IsMacro = false;
  bool MacroQuoted = false;
  Variant SavedValue;
  String MacroDefault;
  int32_t DescribedType = 0;
  bool InWhereClause = false;
  bool Standalone = false;
  bool Assigned = false;
  int32_t TextStart = 0;
  int32_t TextEnd = 0;
  bool Deferred = false;
  TMemoryStream* BlobContents = nullptr;

private:
  friend class TFIBXSQLDA;
  friend class TFIBQuery;
  enum TStoreAction : uint8_t { saSetNull = 1, saSetNullable, saSetScale, saSetValue, saCopyRaw };
  void StoreValue(int32_t type, int32_t length, const void* data, TStoreAction action);
  void ApplyAction(int32_t type, int32_t length, const void* data, TStoreAction action);
  void StoreString(const String& value, bool resolving);
  void StoreTimeStamp(TDateTime v);
  void StoreBlobText(const String& text, int32_t charset);
  // The server type and character set a text value is decided by (the server entry of a user parameter).
  void ServerTypeOf(int32_t& type, int32_t& charset) const;
  const char* Data() const { return FXSQLVAR->sqldata; }
  double ScaledDouble() const;
  [[noreturn]] static void ConversionError();

  int32_t FIndex = 0;
  bool FModified = false;
  String FName;
  TFIBQuery* FQuery;
  fbapi::XSQLVAR* FXSQLVAR = nullptr;
  TFIBXSQLDA* FParent;
};

class TFIBXSQLDA : public TObject {
  RTL_CLASS(TFIBXSQLDA, TObject)
public:
  TFIBXSQLDA(TFIBQuery* query, bool isParams);
  ~TFIBXSQLDA() override;

  int32_t Count() const { return FCount; }
  void SetCount(int32_t n);
  // Client error 23 outside 0..Count-1.
  TFIBXSQLVAR* GetVar(int32_t index) const;
  TFIBXSQLVAR* operator[](int32_t index) const { return GetVar(index); }
  TFIBXSQLVAR* FindByName(const String& name);
  TFIBXSQLVAR* GetByName(const String& name) { return FindByName(name); }
  void AddName(const String& name, int32_t index, bool keepCase);
  void AfterDescribe();
  void AssignValues(TFIBXSQLDA* source);
  void ClearValues();
  void ResetModified();
  void ApplyDeferred();
  fbapi::XSQLDA* AsXSQLDA() const { return FCount > 0 || FAllocated > 0 ? FXSQLDA : nullptr; }
  bool IsParams() const { return FIsParams; }
  bool HasDeferred() const { return FHasDeferred; }
  TFIBQuery* Query() const { return FQuery; }
  // True when the name (as stored) stands for more than one entry.
  bool IsDuplicateName(const String& upperName) const;

private:
  friend class TFIBXSQLVAR;
  friend class TFIBQuery;
  void ClearNames();
  void RemoveIndexOfName(const String& name, int32_t index);
  static String Key(const String& name);

  std::unordered_map<String, std::vector<int32_t>> FNameIndex;  // ASCII upper-case name -> entries
  std::unordered_map<String, TFIBXSQLVAR*> FNameCache;          // names as asked
  int32_t FCount = 0;
  bool FHasDeferred = false;
  TFIBQuery* FQuery;
  int32_t FAllocated = 0;
  fbapi::XSQLDA* FXSQLDA = nullptr;
  std::vector<TFIBXSQLVAR*> FVars;
  bool FIsParams;
};
