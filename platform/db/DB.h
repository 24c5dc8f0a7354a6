#pragma once
// The dataset framework: TDataSet and the record-buffer protocol its descendants implement, the field
// family with its native buffer formats, field definitions, data sources, data links and parameters.
//
// A descendant owns its record buffers (AllocRecordBuffer/FreeRecordBuffer) and answers GetRecord,
// bookmarks and field data; the base class runs the buffer ring, navigation, the editing state machine,
// events and notifications. Native field buffers:
//   ftString/ftFixedChar/ftGuid  Size + 1 bytes of null-terminated UTF-8 (ftGuid: Size 38)
//   ftWideString                 the buffer is a WideString object owned by the caller; DataSize is
//                                pointer-sized so that a record slot can hold a reference to a heap string
//   ftSmallint 2, ftWord 2, ftInteger/ftAutoInc 4, ftLargeint 8, ftBoolean 2 (WordBool: 0 false, else true)
//   ftFloat/ftCurrency           8-byte double
//   ftBCD/ftFMTBcd               TBcd (non-native: Currency for ftBCD, TBcd for ftFMTBcd)
//   ftDate                       int32 days since 0001-01-01 plus one (TDateTimeRec.Date)
//   ftTime                       int32 milliseconds of the day (TDateTimeRec.Time)
//   ftDateTime                   double milliseconds since 0001-01-01 (TDateTimeRec.DateTime)
//                                (non-native for the three: a TDateTime)
//   ftBytes                      Size bytes; ftVarBytes a uint16 length, then Size bytes
//   blobs                        no buffer: values go through CreateBlobStream
// GetFieldData with a null buffer only answers whether the value is present.
#include <cstdint>
#include <vector>

#include "rtl/Collections.h"
#include "rtl/Components.h"
#include "rtl/Events.h"
#include "rtl/FMTBcd.h"
#include "rtl/GUID.h"
#include "rtl/Sets.h"
#include "rtl/Streams.h"
#include "rtl/StringLists.h"
#include "rtl/UITypes.h"
#include "rtl/Variants.h"

class TDataSet;
class TField;
class TFields;
class TFieldDefs;
class TDataSource;
class TDataLink;
class TParams;

// ---------------------------------------------------------------------------------------------------
// Enumerations (values are the platform's)

enum TDataSetState : uint8_t {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue, dsOldValue,
  dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};
using TDataSetStates = Set<TDataSetState>;

enum TDataEvent : uint8_t {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord,
  deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange, deFocusControl, deParentScroll,
  deConnectChange, deReconcileError, deDisabledStateChange
};

enum TFieldType : uint8_t {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate,
  ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle,
  ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint, ftADT, ftArray, ftReference,
  ftDataSet, ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};
// "String", "Integer", … as the platform names the types in messages.
String FieldTypeName(TFieldType type);

enum TFieldKind : uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
RTL_ENUM(TFieldKind, fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate)
using TFieldKinds = Set<TFieldKind>;
enum TGetMode : uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : uint8_t { grOK, grBOF, grEOF, grError };
enum TResyncModeItem : uint8_t { rmExact, rmCenter };
using TResyncMode = Set<TResyncModeItem>;
enum TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TDataAction : uint8_t { daFail, daAbort, daRetry };
enum TUpdateKind : uint8_t { ukModify, ukInsert, ukDelete };
enum TUpdateStatus : uint8_t { usUnmodified, usModified, usInserted, usDeleted };
using TUpdateStatusSet = Set<TUpdateStatus>;
enum TUpdateAction : uint8_t { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };
enum TLocateOption : uint8_t { loCaseInsensitive, loPartialKey };
using TLocateOptions = Set<TLocateOption>;
enum TFilterOption : uint8_t { foCaseInsensitive, foNoPartialCompare };
RTL_ENUM(TFilterOption, foCaseInsensitive, foNoPartialCompare)
using TFilterOptions = Set<TFilterOption>;
enum TBlobStreamMode : uint8_t { bmRead, bmWrite, bmReadWrite };
enum TProviderFlag : uint8_t { pfInUpdate, pfInWhere, pfInKey, pfHidden };
RTL_ENUM(TProviderFlag, pfInUpdate, pfInWhere, pfInKey, pfHidden)
using TProviderFlags = Set<TProviderFlag>;
enum TFieldAttribute : uint8_t { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = Set<TFieldAttribute>;
enum TParamType : uint8_t { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

inline const TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};
inline const TDataSetStates dsWriteModes{dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
                                         dsInternalCalc};

// A record buffer: raw bytes owned by the dataset through AllocRecordBuffer/FreeRecordBuffer.
using TRecordBuffer = uint8_t*;
// A bookmark as bytes (GetBookmark) and as a string of the same bytes (Bookmark()).
using TBookmark = std::vector<uint8_t>;
using TBookmarkStr = String;

// The native date/time field formats.
union TDateTimeRec {
  int32_t Date;      // ftDate: days since 0001-01-01, plus one
  int32_t Time;      // ftTime: milliseconds of the day
  double DateTime;   // ftDateTime: milliseconds since 0001-01-01
};

// Raises EDatabaseError; with a component, its name is put in front ("Name: message").
[[noreturn]] void DatabaseError(const String& message, TComponent* component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const String& message, std::initializer_list<FormatArg> args,
                                   TComponent* component = nullptr);

// ---------------------------------------------------------------------------------------------------
// Events

using TDataSetNotifyEvent = Event<TDataSet*>;
using TDataSetErrorEvent = Event<TDataSet*, EDatabaseError*, TDataAction&>;
using TFilterRecordEvent = Event<TDataSet*, bool&>;
using TFieldNotifyEvent = Event<TField*>;
using TFieldGetTextEvent = Event<TField*, String&, bool>;  // sender, text, display text wanted
using TFieldSetTextEvent = Event<TField*, const String&>;
using TDataChangeEvent = Event<TObject*, TField*>;

// ---------------------------------------------------------------------------------------------------
// Field definitions

class TFieldDef : public TCollectionItem {
  RTL_CLASS(TFieldDef, TCollectionItem)
public:
  explicit TFieldDef(TCollection* collection);

  const String& Name() const { return FName; }
  void SetName(const String& v) { FName = v; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType v) { FDataType = v; }
  int32_t Size() const { return FSize; }
  void SetSize(int32_t v) { FSize = v; }
  int32_t Precision() const { return FPrecision; }
  void SetPrecision(int32_t v) { FPrecision = v; }
  bool Required() const { return FAttributes.Contains(faRequired); }
  void SetRequired(bool v);
  TFieldAttributes Attributes() const { return FAttributes; }
  void SetAttributes(TFieldAttributes v) { FAttributes = v; }
  // The 1-based field number; 0 until the definitions number themselves (Index + 1 then).
  int32_t FieldNo() const { return FFieldNo ? FFieldNo : Index() + 1; }
  void SetFieldNo(int32_t v) { FFieldNo = v; }
  bool InternalCalcField() const { return FInternalCalcField; }
  void SetInternalCalcField(bool v) { FInternalCalcField = v; }
  // The field class that CreateField makes for this definition.
  TClass FieldClass() const;
  // Creates a field of FieldClass owned by owner and attached to the definitions' dataset.
  TField* CreateField(TComponent* owner);
  void Assign(TPersistent* source) override;

protected:
  String GetDisplayName() override { return FName; }

private:
  String FName;
  TFieldType FDataType = ftUnknown;
  int32_t FSize = 0;
  int32_t FPrecision = 0;
  int32_t FFieldNo = 0;
  TFieldAttributes FAttributes;
  bool FInternalCalcField = false;
};

class TFieldDefs : public TOwnedCollection {
  RTL_CLASS(TFieldDefs, TOwnedCollection)
public:
  explicit TFieldDefs(TDataSet* owner);
  TDataSet* DataSet() const { return FDataSet; }
  TFieldDef* Items(int32_t index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }
  TFieldDef* AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }
  void Add(const String& name, TFieldType dataType, int32_t size = 0, bool required = false);
  TFieldDef* Find(const String& name) const;  // "Field '%s' not found"
  int32_t IndexOf(const String& name) const;
  void GetItemNames(TStrings* list) const;
  bool Updated() const { return FUpdated; }
  void SetUpdated(bool v) { FUpdated = v; }
  // Asks the dataset for its definitions (InitFieldDefs) when they are out of date.
  void Update();

private:
  TDataSet* FDataSet;
  bool FUpdated = false;
};

// ---------------------------------------------------------------------------------------------------
// Fields

class TField : public TComponent {
  RTL_CLASS(TField, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TField(TComponent* AOwner);
  ~TField() override;
  void BeforeDestruction() override;

  TDataSet* DataSet() const { return FDataSet; }
  // Attaches the field to a dataset's field list (closed datasets only: "Cannot perform this operation
  // on an open dataset").
  virtual void SetDataSet(TDataSet* value);
  const String& FieldName() const { return FFieldName; }
  void SetFieldName(const String& value);
  String FullName() const { return FFieldName; }
  TFieldType DataType() const { return FDataType; }
  int32_t DataSize() const { return GetDataSize(); }
  virtual int32_t GetDataSize() const { return 0; }
  int32_t Size() const { return FSize; }
  virtual void SetSize(int32_t value);
  int32_t FieldNo() const { return FFieldNo; }
  void SetFieldNo(int32_t v) { FFieldNo = v; }
  // Byte offset of the field in the calculated area (calculated and lookup fields); set by the dataset.
  int32_t Offset() const { return FOffset; }
  void SetOffset(int32_t v) { FOffset = v; }
  int32_t Index() const;
  void SetIndex(int32_t value);
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind value);
  bool Calculated() const { return FFieldKind == fkCalculated; }
  void SetCalculated(bool v) { SetFieldKind(v ? fkCalculated : fkData); }
  bool Lookup() const { return FFieldKind == fkLookup; }
  void SetLookup(bool v) { SetFieldKind(v ? fkLookup : fkData); }
  bool IsIndexField() const { return FIsIndexField; }
  void SetIsIndexField(bool v) { FIsIndexField = v; }

  String DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(const String& v);
  String DisplayName() const { return DisplayLabel(); }
  int32_t DisplayWidth() const;
  void SetDisplayWidth(int32_t v);
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v);
  bool Required() const { return FRequired; }
  void SetRequired(bool v) { FRequired = v; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  const String& Origin() const { return FOrigin; }
  void SetOrigin(const String& v) { FOrigin = v; }
  TProviderFlags ProviderFlags() const { return FProviderFlags; }
  void SetProviderFlags(TProviderFlags v) { FProviderFlags = v; }
  const String& DefaultExpression() const { return FDefaultExpression; }
  void SetDefaultExpression(const String& v) { FDefaultExpression = v; }
  const String& ConstraintErrorMessage() const { return FConstraintErrorMessage; }
  void SetConstraintErrorMessage(const String& v) { FConstraintErrorMessage = v; }
  bool HasConstraints() const { return false; }
  // Whether the field's value may be written now: not read-only, a data or calculated kind, and a
  // dataset that can modify.
  virtual bool CanModify() const;

  // Lookup definition.
  const String& KeyFields() const { return FKeyFields; }
  void SetKeyFields(const String& v) { FKeyFields = v; }
  TDataSet* LookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* v);
  const String& LookupKeyFields() const { return FLookupKeyFields; }
  void SetLookupKeyFields(const String& v) { FLookupKeyFields = v; }
  const String& LookupResultField() const { return FLookupResultField; }
  void SetLookupResultField(const String& v) { FLookupResultField = v; }
  bool LookupCache() const { return FLookupCache; }
  void SetLookupCache(bool v) { FLookupCache = v; }
  void RefreshLookupList();
  // Puts the looked-up value into the field (called while the calculated area is computed).
  void CalcLookupValue();

  // Raw access through the dataset. GetData returns whether a value is present; a null buffer only asks.
  bool GetData(void* buffer, bool nativeFormat = true) const;
  void SetData(const void* buffer, bool nativeFormat = true);
  // Runs OnValidate on a value about to be written (buffer: the value in native form, or null).
  void Validate(const void* buffer);
  bool IsNull() const;
  virtual void Clear();
  void FocusControl();
  // Runs OnChange.
  virtual void Change();

  // Value accessors; a type that the field cannot give raises EDatabaseError
  // "Cannot access field '%s' as type %s".
  String AsString() const { return GetAsString(); }
  virtual void SetAsString(const String& v);
  WideString AsWideString() const { return GetAsWideString(); }
  virtual void SetAsWideString(const WideString& v);
  int32_t AsInteger() const { return GetAsInteger(); }
  virtual void SetAsInteger(int32_t v);
  int64_t AsLargeInt() const { return GetAsLargeInt(); }
  virtual void SetAsLargeInt(int64_t v);
  double AsFloat() const { return GetAsFloat(); }
  virtual void SetAsFloat(double v);
  Currency AsCurrency() const { return GetAsCurrency(); }
  virtual void SetAsCurrency(Currency v);
  TBcd AsBCD() const { return GetAsBCD(); }
  virtual void SetAsBCD(const TBcd& v);
  bool AsBoolean() const { return GetAsBoolean(); }
  virtual void SetAsBoolean(bool v);
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  virtual void SetAsDateTime(TDateTime v);
  Variant AsVariant() const { return GetAsVariant(); }
  void SetAsVariant(const Variant& v) { SetVarValue(v); }
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& v) { SetVarValue(v); }
  // The value kept before the edit, the value being written and the current stored value, read through
  // the dataset's temporary states dsOldValue, dsNewValue and dsCurValue.
  Variant OldValue() const;
  Variant NewValue() const;
  void SetNewValue(const Variant& v);
  Variant CurValue() const;

  // Texts: Text is the edit text, DisplayText the display text; both go through OnGetText.
  String Text() const { return GetTextValue(false); }
  void SetText(const String& v);
  String DisplayText() const { return GetTextValue(true); }
  String EditMask() const { return FEditMask; }
  void SetEditMask(const String& v) { FEditMask = v; }

  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  void Assign(TPersistent* source) override;
  String GetNamePath() override;

protected:
  void SetDataType(TFieldType v) { FDataType = v; }
  virtual void GetText(String& text, bool displayText) const;
  virtual void SetTextValue(const String& text) { SetAsString(text); }
  virtual String GetAsString() const;
  virtual WideString GetAsWideString() const;
  virtual int32_t GetAsInteger() const;
  virtual int64_t GetAsLargeInt() const;
  virtual double GetAsFloat() const;
  virtual Currency GetAsCurrency() const;
  virtual TBcd GetAsBCD() const;
  virtual bool GetAsBoolean() const;
  virtual TDateTime GetAsDateTime() const;
  virtual Variant GetAsVariant() const;
  virtual void SetVarValue(const Variant& v);
  virtual void FreeBuffers() {}
  virtual void CheckInactive() const;
  [[noreturn]] void AccessError(const String& typeName) const;
  [[noreturn]] void RangeError(const String& value, const String& minValue, const String& maxValue) const;
  void Notification(TComponent* component, TOperation operation) override;
  void SetParentComponent(TComponent* value) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  String GetTextValue(bool displayText) const;
  virtual int32_t DefaultDisplayWidth() const { return 10; }
  virtual TAlignment DefaultAlignment() const { return taLeftJustify; }

  friend class TDataSet;
  friend class TFields;
  friend class TFieldDef;
  TDataSet* FDataSet = nullptr;
  String FFieldName;
  TFieldType FDataType = ftUnknown;
  int32_t FSize = 0;
  int32_t FFieldNo = 0;
  int32_t FOffset = 0;
  TFieldKind FFieldKind = fkData;
  String FDisplayLabel;
  int32_t FDisplayWidth = 0;
  bool FVisible = true;
  bool FReadOnly = false;
  bool FRequired = false;
  bool FIsIndexField = false;
  bool FAlignmentSet = false;
  TAlignment FAlignment = taLeftJustify;
  String FOrigin;
  TProviderFlags FProviderFlags{pfInUpdate, pfInWhere};
  String FDefaultExpression;
  String FConstraintErrorMessage;
  String FEditMask;
  String FKeyFields;
  TDataSet* FLookupDataSet = nullptr;
  String FLookupKeyFields;
  String FLookupResultField;
  bool FLookupCache = false;
  std::vector<std::pair<Variant, Variant>> FLookupList;  // key, result
  const void* FValueBuffer = nullptr;  // the value under validation
  bool FValidating = false;
};

using TFieldClass = const TMetaClass*;

class TStringField : public TField {
  RTL_CLASS(TStringField, TField)
  RTL_PUBLISHED_DECL
public:
  explicit TStringField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsInteger(int32_t v) override;
  void SetAsLargeInt(int64_t v) override;
  void SetAsFloat(double v) override;
  void SetAsBoolean(bool v) override;
  void SetAsDateTime(TDateTime v) override;
  int32_t GetDataSize() const override { return FSize + 1; }
  bool FixedChar() const { return FFixedChar; }
  void SetFixedChar(bool v) { FFixedChar = v; }
  bool Transliterate() const { return FTransliterate; }
  void SetTransliterate(bool v) { FTransliterate = v; }
  // Reads the value; false when null.
  virtual bool GetValue(String& value) const;

protected:
  String GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  bool GetAsBoolean() const override;
  TDateTime GetAsDateTime() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;
  int32_t DefaultDisplayWidth() const override { return FSize; }

private:
  bool FFixedChar = false;
  bool FTransliterate = true;
};

class TWideStringField : public TStringField {
  RTL_CLASS(TWideStringField, TStringField)
public:
  explicit TWideStringField(TComponent* AOwner);
  void SetAsWideString(const WideString& v) override;
  void SetAsString(const String& v) override;
  int32_t GetDataSize() const override { return static_cast<int32_t>(sizeof(void*)); }
  bool GetValue(String& value) const override;

protected:
  WideString GetAsWideString() const override;
  String GetAsString() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
};

class TGuidField : public TStringField {
  RTL_CLASS(TGuidField, TStringField)
public:
  explicit TGuidField(TComponent* AOwner);
  TGUID AsGuid() const;
  void SetAsGuid(const TGUID& v);
  void SetSize(int32_t value) override;
};

class TNumericField : public TField {
  RTL_CLASS(TNumericField, TField)
  RTL_PUBLISHED_DECL
public:
  explicit TNumericField(TComponent* AOwner);
  const String& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& v);
  const String& EditFormat() const { return FEditFormat; }
  void SetEditFormat(const String& v);

protected:
  TAlignment DefaultAlignment() const override { return taRightJustify; }
  String FDisplayFormat;
  String FEditFormat;
};

class TIntegerField : public TNumericField {
  RTL_CLASS(TIntegerField, TNumericField)
  RTL_PUBLISHED_DECL
public:
  explicit TIntegerField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsInteger(int32_t v) override;
  void SetAsLargeInt(int64_t v) override;
  void SetAsFloat(double v) override;
  int32_t GetDataSize() const override { return 4; }
  int32_t MinValue() const { return FMinValue; }
  void SetMinValue(int32_t v) { FMinValue = v; }
  int32_t MaxValue() const { return FMaxValue; }
  void SetMaxValue(int32_t v) { FMaxValue = v; }
  virtual bool GetValue(int32_t& value) const;

protected:
  void CheckRange(int64_t value) const;
  String GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;
  int32_t FMinValue = 0;
  int32_t FMaxValue = 0;
  int64_t FMinRange = INT32_MIN;
  int64_t FMaxRange = INT32_MAX;
};

class TSmallintField : public TIntegerField {
  RTL_CLASS(TSmallintField, TIntegerField)
public:
  explicit TSmallintField(TComponent* AOwner);
  void SetAsInteger(int32_t v) override;
  int32_t GetDataSize() const override { return 2; }
  bool GetValue(int32_t& value) const override;

protected:
};

class TWordField : public TIntegerField {
  RTL_CLASS(TWordField, TIntegerField)
public:
  explicit TWordField(TComponent* AOwner);
  void SetAsInteger(int32_t v) override;
  int32_t GetDataSize() const override { return 2; }
  bool GetValue(int32_t& value) const override;

protected:
};

class TAutoIncField : public TIntegerField {
  RTL_CLASS(TAutoIncField, TIntegerField)
public:
  explicit TAutoIncField(TComponent* AOwner);
};

class TLargeintField : public TNumericField {
  RTL_CLASS(TLargeintField, TNumericField)
  RTL_PUBLISHED_DECL
public:
  explicit TLargeintField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsInteger(int32_t v) override;
  void SetAsLargeInt(int64_t v) override;
  void SetAsFloat(double v) override;
  int32_t GetDataSize() const override { return 8; }
  int64_t MinValue() const { return FMinValue; }
  void SetMinValue(int64_t v) { FMinValue = v; }
  int64_t MaxValue() const { return FMaxValue; }
  void SetMaxValue(int64_t v) { FMaxValue = v; }
  bool GetValue(int64_t& value) const;

protected:
  void CheckRange(int64_t value) const;
  String GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;

private:
  int64_t FMinValue = 0;
  int64_t FMaxValue = 0;
};

class TFloatField : public TNumericField {
  RTL_CLASS(TFloatField, TNumericField)
  RTL_PUBLISHED_DECL
public:
  explicit TFloatField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsInteger(int32_t v) override;
  void SetAsFloat(double v) override;
  void SetAsCurrency(::Currency v) override;
  int32_t GetDataSize() const override { return 8; }
  bool IsCurrency() const { return FCurrency; }
  void SetCurrency(bool v);
  int32_t Precision() const { return FPrecision; }
  void SetPrecision(int32_t v);
  double MinValue() const { return FMinValue; }
  void SetMinValue(double v) { FMinValue = v; }
  double MaxValue() const { return FMaxValue; }
  void SetMaxValue(double v) { FMaxValue = v; }

protected:
  void CheckRange(double value) const;
  String GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  ::Currency GetAsCurrency() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;
  bool FCurrency = false;
  int32_t FPrecision = 15;
  double FMinValue = 0;
  double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
  RTL_CLASS(TCurrencyField, TFloatField)
public:
  explicit TCurrencyField(TComponent* AOwner);
};

class TBooleanField : public TField {
  RTL_CLASS(TBooleanField, TField)
  RTL_PUBLISHED_DECL
public:
  explicit TBooleanField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsBoolean(bool v) override;
  void SetAsInteger(int32_t v) override;
  int32_t GetDataSize() const override { return 2; }
  // "True;False" by default; either half may be empty.
  const String& DisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(const String& v);

protected:
  String GetAsString() const override;
  bool GetAsBoolean() const override;
  int32_t GetAsInteger() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;

private:
  String FDisplayValues;
  String FTextValues[2];  // false, true
};

class TDateTimeField : public TField {
  RTL_CLASS(TDateTimeField, TField)
  RTL_PUBLISHED_DECL
public:
  explicit TDateTimeField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsFloat(double v) override;
  void SetAsDateTime(TDateTime v) override;
  int32_t GetDataSize() const override { return 8; }
  const String& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& v);
  bool GetValue(TDateTime& value) const;

protected:
  String GetAsString() const override;
  double GetAsFloat() const override;
  TDateTime GetAsDateTime() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;
  virtual String DefaultFormat() const;
  virtual bool ParseText(const String& s, TDateTime& value) const;
  String FDisplayFormat;
};

class TDateField : public TDateTimeField {
  RTL_CLASS(TDateField, TDateTimeField)
public:
  explicit TDateField(TComponent* AOwner);
  int32_t GetDataSize() const override { return 4; }

protected:
  String DefaultFormat() const override;
  bool ParseText(const String& s, TDateTime& value) const override;
};

class TTimeField : public TDateTimeField {
  RTL_CLASS(TTimeField, TDateTimeField)
public:
  explicit TTimeField(TComponent* AOwner);
  int32_t GetDataSize() const override { return 4; }

protected:
  String DefaultFormat() const override;
  bool ParseText(const String& s, TDateTime& value) const override;
};

class TBCDField : public TNumericField {
  RTL_CLASS(TBCDField, TNumericField)
  RTL_PUBLISHED_DECL
public:
  explicit TBCDField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsInteger(int32_t v) override;
  void SetAsFloat(double v) override;
  void SetAsCurrency(::Currency v) override;
  void SetAsBCD(const TBcd& v) override;
  int32_t GetDataSize() const override { return static_cast<int32_t>(sizeof(TBcd)); }
  int32_t Precision() const { return FPrecision; }
  void SetPrecision(int32_t v) { FPrecision = v; }
  bool IsCurrency() const { return FCurrency; }
  void SetCurrency(bool v) { FCurrency = v; }
  void SetSize(int32_t value) override;  // the number of decimal places, 0..32

protected:
  String GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  ::Currency GetAsCurrency() const override;
  TBcd GetAsBCD() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;
  int32_t FPrecision = 0;
  bool FCurrency = false;
};

class TFMTBCDField : public TBCDField {
  RTL_CLASS(TFMTBCDField, TBCDField)
public:
  explicit TFMTBCDField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsFloat(double v) override;
  void SetAsCurrency(::Currency v) override;
  void SetAsBCD(const TBcd& v) override;

protected:
  String GetAsString() const override;
  double GetAsFloat() const override;
  ::Currency GetAsCurrency() const override;
  TBcd GetAsBCD() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;
};

class TBinaryField : public TField {
  RTL_CLASS(TBinaryField, TField)
  RTL_PUBLISHED_DECL
public:
  explicit TBinaryField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  std::vector<uint8_t> AsBytes() const;
  void SetAsBytes(const std::vector<uint8_t>& v);

protected:
  String GetAsString() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;
};

class TBytesField : public TBinaryField {
  RTL_CLASS(TBytesField, TBinaryField)
public:
  explicit TBytesField(TComponent* AOwner);
  int32_t GetDataSize() const override { return FSize; }
};

class TVarBytesField : public TBinaryField {
  RTL_CLASS(TVarBytesField, TBinaryField)
public:
  explicit TVarBytesField(TComponent* AOwner);
  int32_t GetDataSize() const override { return FSize + 2; }
};

class TBlobField : public TField {
  RTL_CLASS(TBlobField, TField)
  RTL_PUBLISHED_DECL
public:
  explicit TBlobField(TComponent* AOwner);
  void SetAsString(const String& v) override;
  void SetAsWideString(const WideString& v) override;
  int32_t GetDataSize() const override { return 0; }
  int32_t BlobSize() const;
  bool Modified() const { return FModified; }
  void SetModified(bool v) { FModified = v; }
  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream) const;
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName) const;
  std::vector<uint8_t> AsBytes() const;
  void SetAsBytes(const std::vector<uint8_t>& v);
  bool IsBlob() const { return true; }
  void Clear() override;
  // A posted or cancelled edit leaves the blob unmodified for the next one.
  void FreeBuffers() override { FModified = false; }

protected:
  String GetAsString() const override;
  WideString GetAsWideString() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& v) override;
  void GetText(String& text, bool displayText) const override;
  bool FModified = false;
};

class TMemoField : public TBlobField {
  RTL_CLASS(TMemoField, TBlobField)
public:
  explicit TMemoField(TComponent* AOwner);

protected:
  void GetText(String& text, bool displayText) const override;
};

class TGraphicField : public TBlobField {
  RTL_CLASS(TGraphicField, TBlobField)
public:
  explicit TGraphicField(TComponent* AOwner);
};

// Registers the field classes and TDataSource with the class registry (done on first use of TDataSet).
void RegisterDBClasses();

// The field class the framework creates for a data type (nullptr for types without one).
TFieldClass DefaultFieldClass(TFieldType type);

// The dataset's field list (Fields()). It does not own the fields: they belong to their owner
// component (persistent fields) or to the dataset (default fields).
class TFields : public TObject {
  RTL_CLASS(TFields, TObject)
public:
  explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
  TDataSet* DataSet() const { return FDataSet; }
  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  TField* Fields(int32_t index) const;  // "List index out of bounds (%d)"
  TField* operator[](int32_t index) const { return Fields(index); }
  void Add(TField* field);
  void Remove(TField* field);
  void Clear();
  int32_t IndexOf(const TField* field) const;
  TField* FindField(const String& name) const;  // case-insensitive
  TField* FieldByName(const String& name) const;  // "Field '%s' not found"
  TField* FieldByNumber(int32_t fieldNo) const;
  void SetFieldIndex(TField* field, int32_t value);
  void CheckFieldName(const String& name) const;  // "Duplicate field name '%s'"
  std::vector<TField*>::const_iterator begin() const { return FList.begin(); }
  std::vector<TField*>::const_iterator end() const { return FList.end(); }

private:
  TDataSet* FDataSet;
  std::vector<TField*> FList;
};

// ---------------------------------------------------------------------------------------------------
// The dataset

class TDataSet : public TComponent {
  RTL_CLASS(TDataSet, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;
  void BeforeDestruction() override;

  // State
  bool Active() const { return FState != dsInactive && FState != dsOpening; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return FState; }
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  bool CanModify() const { return GetCanModify(); }
  bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
  // Reading many records without telling the controls: while above 0 the state is dsBlockRead.
  int32_t BlockReadSize() const { return FBlockReadSize; }
  virtual void SetBlockReadSize(int32_t value);
  bool DefaultFields() const { return FDefaultFields; }
  bool AutoCalcFields() const { return FAutoCalcFields; }
  void SetAutoCalcFields(bool v) { FAutoCalcFields = v; }
  bool ControlsDisabled() const { return FDisableCount != 0; }
  virtual bool IsSequenced() { return true; }
  virtual bool IsUniDirectional() const { return false; }

  // Navigation
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int32_t MoveBy(int32_t distance);
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  // Finds the next record that passes the filter (the base moves like First/Last/Next/Prior).
  virtual bool FindRecord(bool restart, bool goForward);
  bool FindFirst();
  bool FindLast();
  bool FindNext();
  bool FindPrior();
  virtual int32_t RecordCount() const { return GetRecordCount(); }
  virtual int32_t RecNo() const { return -1; }
  virtual void SetRecNo(int32_t) {}
  int32_t RecordSize() const { return static_cast<int32_t>(GetRecordSize()); }
  void Resync(TResyncMode mode);
  void CursorPosChanged() { FCurrentRecord = -1; }
  void UpdateCursorPos();
  virtual bool GetCurrentRecord(TRecordBuffer) { return false; }

  // Editing
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void Refresh();
  void InsertRecord(const std::vector<Variant>& values);
  void AppendRecord(const std::vector<Variant>& values);
  void SetFields(const std::vector<Variant>& values);
  void CheckBrowseMode();
  void UpdateRecord();
  void ClearFields();
  virtual TUpdateStatus UpdateStatus() const;

  // Controls
  void DisableControls();
  void EnableControls();
  virtual void DataEvent(TDataEvent event, intptr_t info);

  // Fields
  TFields* Fields() const { return FFields; }
  TFields* FieldList() const { return FFields; }
  TFieldDefs* FieldDefs() const { return FFieldDefs; }
  int32_t FieldCount() const { return FFields->Count(); }
  TField* FieldByName(const String& name) const;
  TField* FindField(const String& name) const;
  TField* FieldByNumber(int32_t fieldNo) const;
  // The fields named in a ";"-separated list ("Field '%s' not found" for a missing one).
  void GetFieldList(std::vector<TField*>& list, const String& fieldNames) const;
  void GetFieldNames(TStrings* list) const;
  // The values of the named fields: one value, or a variant array for several names.
  Variant FieldValues(const String& fieldNames) const;
  void SetFieldValues(const String& fieldNames, const Variant& value);
  // The class of the default field made for a definition of the type; descendants give their own.
  virtual TClass GetFieldClass(TFieldType type) const { return DefaultFieldClass(type); }
  void CreateFields();
  void BindFields(bool binding);
  void DestroyFields();
  int32_t CalcFieldsSize() const { return FCalcFieldsSize; }
  bool InternalCalcFields() const { return FInternalCalcFields; }
  virtual TStream* CreateBlobStream(TField* field, TBlobStreamMode mode);
  // Field data. The base GetFieldData answers false (no value); descendants override the native
  // pair. The non-native overloads go through DataConvert.
  virtual bool GetFieldData(TField* field, void* buffer);
  virtual bool GetFieldData(TField* field, void* buffer, bool nativeFormat);
  virtual bool GetFieldData(int32_t fieldNo, void* buffer);
  virtual void SetFieldData(TField* field, const void* buffer);
  virtual void SetFieldData(TField* field, const void* buffer, bool nativeFormat);
  // Converts between the native buffer and the form the field accessors use (dates <-> TDateTime,
  // ftBCD <-> Currency).
  virtual void DataConvert(TField* field, const void* source, void* dest, bool toNative);

  // Bookmarks
  TBookmarkStr Bookmark() { return GetBookmarkStr(); }
  void SetBookmark(const TBookmarkStr& value) { SetBookmarkStr(value); }
  virtual TBookmarkStr GetBookmarkStr();
  virtual void SetBookmarkStr(const TBookmarkStr& value);
  virtual TBookmark GetBookmark();
  virtual void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
  virtual bool BookmarkValid(const TBookmark&) { return false; }
  virtual int32_t CompareBookmarks(const TBookmark&, const TBookmark&) { return 0; }
  bool BookmarkAvailable() const;
  int32_t BookmarkSize() const { return FBookmarkSize; }

  // Locating: the base finds nothing and looks up Null.
  virtual bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options);
  virtual Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields);
  // The parameters through which a detail dataset is re-queried for another master key; nil for a
  // dataset that has none (see DBDataSetKinds.h).
  virtual TParams* GetDetailParams() const { return nullptr; }

  // Filtering
  const String& Filter() const { return FFilterText; }
  virtual void SetFilterText(const String& value);
  void SetFilter(const String& value) { SetFilterText(value); }
  bool Filtered() const { return FFiltered; }
  virtual void SetFiltered(bool value);
  TFilterOptions FilterOptions() const { return FFilterOptions; }
  virtual void SetFilterOptions(TFilterOptions value);
  const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
  virtual void SetOnFilterRecord(const TFilterRecordEvent& value);
  bool Found() const { return FFound; }

  // The buffer ring as descendants and data links see it.
  TRecordBuffer ActiveBuffer() const { return FActiveRecord < static_cast<int32_t>(FBuffers.size()) ? FBuffers[FActiveRecord] : nullptr; }
  TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
  TRecordBuffer TempBuffer() const { return FBuffers.empty() ? nullptr : FBuffers[FBufferCount]; }
  int32_t BufferCount() const { return FBufferCount; }
  int32_t ActiveRecord() const { return FActiveRecord; }
  int32_t CurrentRecord() const { return FCurrentRecord; }
  int32_t BufferRecordCount() const { return FRecordCount; }  // records held in the ring
  TRecordBuffer Buffers(int32_t index) const { return FBuffers[index]; }

  // Data sources and links
  TDataSource* DataSource() const { return GetDataSource(); }
  bool IsLinkedTo(TDataSource* dataSource) const;
  int32_t DataSourceCount() const { return static_cast<int32_t>(FDataSources.size()); }

  // Events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert,
      BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete,
      BeforeScroll, AfterScroll, BeforeRefresh, AfterRefresh, OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

  void Loaded() override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;

protected:
  // --- The record-buffer protocol (descendants) ---
  virtual TRecordBuffer AllocRecordBuffer() { return nullptr; }
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) { buffer = nullptr; }
  virtual TGetResult GetRecord(TRecordBuffer, TGetMode, bool) { return grError; }
  virtual uint16_t GetRecordSize() const { return 0; }
  virtual int32_t GetRecordCount() const { return -1; }
  virtual void InternalOpen() {}
  virtual void InternalClose() {}
  virtual bool IsCursorOpen() const { return false; }
  virtual void InternalHandleException();
  virtual void InternalInitFieldDefs() {}
  virtual void InternalFirst() {}
  virtual void InternalLast() {}
  virtual void InternalSetToRecord(TRecordBuffer) {}
  virtual void InternalInitRecord(TRecordBuffer) {}
  virtual void InternalAddRecord(const void* buffer, bool append);
  virtual void InternalInsert() {}
  virtual void InternalEdit() {}
  // Checks the required fields; overrides call it before storing the record.
  virtual void InternalPost();
  virtual void InternalDelete() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  virtual void InternalGotoBookmark(const void*) {}
  virtual void GetBookmarkData(TRecordBuffer, void*) {}
  virtual void SetBookmarkData(TRecordBuffer, const void*) {}
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer) { return bfCurrent; }
  virtual void SetBookmarkFlag(TRecordBuffer, TBookmarkFlag) {}
  virtual void InitRecord(TRecordBuffer buffer);
  virtual void ClearCalcFields(TRecordBuffer) {}
  virtual void GetCalcFields(TRecordBuffer buffer);
  virtual void CalculateFields(TRecordBuffer buffer);
  virtual bool GetCanModify() const { return true; }
  virtual TDataSource* GetDataSource() const { return nullptr; }
  virtual Variant GetStateFieldValue(TDataSetState state, TField* field);
  virtual void SetStateFieldValue(TDataSetState state, TField* field, const Variant& value);
  virtual void InitFieldDefs();
  virtual void InitFieldDefsFromFields();
  virtual void OpenCursor(bool infoQuery = false);
  virtual void CloseCursor();
  virtual void DoBeforeOpen();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoAfterClose();
  virtual void DoBeforeInsert();
  virtual void DoAfterInsert();
  virtual void DoBeforeEdit();
  virtual void DoAfterEdit();
  virtual void DoBeforePost();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void DoAfterCancel();
  virtual void DoBeforeDelete();
  virtual void DoAfterDelete();
  virtual void DoBeforeScroll();
  virtual void DoAfterScroll();
  virtual void DoBeforeRefresh();
  virtual void DoAfterRefresh();
  virtual void DoOnCalcFields();
  virtual void DoOnNewRecord();
  virtual void SetBufferCount(int32_t value);
  virtual void ClearBuffers();
  virtual void ActivateBuffers();
  virtual bool GetNextRecord();
  virtual bool GetPriorRecord();
  virtual int32_t GetNextRecords();
  virtual int32_t GetPriorRecords();
  virtual void SetCurrentRecord(int32_t index);
  virtual void CheckRequiredFields();
  virtual void FreeFieldBuffers();
  virtual void Notification(TComponent* component, TOperation operation) override;
  // Record-buffer helpers
  void MoveBuffer(int32_t curIndex, int32_t newIndex);
  void UpdateBufferCount();
  void SetState(TDataSetState value);
  // Switches state without notifications (temporary states); returns the previous one.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  void CheckActive() const;    // "Cannot perform this operation on a closed dataset"
  void CheckInactive() const;  // "Cannot perform this operation on an open dataset"
  void CheckCanModify() const; // "Cannot modify a read-only dataset"
  void CheckBiDirectional() const;
  void CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent);
  void SetBookmarkSize(int32_t size) { FBookmarkSize = size; }
  void SetDefaultFields(bool v) { FDefaultFields = v; }
  // The buffer the field accessors read in the current state (active, calc, temp, …), or null.
  TRecordBuffer GetActiveRecBuf() const;
  void BeginInsertAppend();
  void EndInsertAppend();
  void UpdateCalcFields();
  virtual void SetFieldKinds() {}
  // Checks that a persistent field fits its definition ("Type mismatch for field '%s', expecting: %s
  // actual: %s"); called by BindFields.
  virtual void CheckFieldCompatibility(TField* field, TFieldDef* fieldDef);
  // Copies text between the dataset's and the program's character sets; the base copies unchanged and
  // returns the length.
  virtual int32_t Translate(const char* src, char* dest, bool toOem);

  TDataSetState FState = dsInactive;
  std::vector<TRecordBuffer> FBuffers;
  int32_t FBufferCount = 0;
  int32_t FRecordCount = 0;
  int32_t FActiveRecord = 0;
  int32_t FCurrentRecord = -1;
  bool FBOF = true;
  bool FEOF = true;
  TRecordBuffer FCalcBuffer = nullptr;
  int32_t FCalcFieldsSize = 0;
  bool FInternalCalcFields = false;
  int32_t FBookmarkSize = 0;
  bool FModified = false;
  bool FFound = false;
  String FFilterText;
  bool FFiltered = false;
  TFilterOptions FFilterOptions;
  TFilterRecordEvent FOnFilterRecord;

private:
  friend class TField;
  friend class TFields;
  friend class TDataSource;
  friend class TDataLink;
  friend class TFieldDefs;
  void SetBufListSize(int32_t value);
  void DoInternalOpen();
  void OpenCursorComplete();
  void AddDataSource(TDataSource* ds);
  void RemoveDataSource(TDataSource* ds);
  void NotifyDetails();
  void AddRecordValues(TRecordBuffer buffer, const std::vector<Variant>& values, bool append);
  void InternalPostOp() { InternalPost(); }
  void InternalEditOp() { InternalEdit(); }
  void InternalDeleteOp() { InternalDelete(); }

  TFields* FFields = nullptr;
  TFieldDefs* FFieldDefs = nullptr;
  std::vector<TDataSource*> FDataSources;
  int32_t FBufListSize = 0;
  int32_t FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;
  bool FDefaultFields = false;
  bool FAutoCalcFields = true;
  bool FInternalOpenComplete = false;
  bool FStreamedActive = false;
  int32_t FBlockReadSize = 0;
};

// ---------------------------------------------------------------------------------------------------
// Data sources and data links

class TDataSource : public TComponent {
  RTL_CLASS(TDataSource, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;
  void BeforeDestruction() override;

  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* value);
  bool AutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool v) { FAutoEdit = v; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  TDataSetState State() const { return FState; }
  // Puts the dataset into edit state when AutoEdit is set and it is browsing.
  void Edit();
  bool IsLinkedTo(TDataSet* dataSet) const;
  int32_t DataLinkCount() const { return static_cast<int32_t>(FDataLinks.size()); }
  TDataLink* DataLinks(int32_t i) const { return FDataLinks[i]; }

  TDataChangeEvent OnDataChange;
  TNotifyEvent OnStateChange;
  TNotifyEvent OnUpdateData;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, intptr_t info);
  void NotifyDataLinks(TDataEvent event, intptr_t info);
  void SetState(TDataSetState value);
  void UpdateState();
  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);

  TDataSet* FDataSet = nullptr;
  std::vector<TDataLink*> FDataLinks;
  bool FEnabled = true;
  bool FAutoEdit = true;
  TDataSetState FState = dsInactive;
};

// A link from a control (or a detail dataset) to a data source. Overrides receive the notifications
// in the platform's order; the base ones chain DataSetScrolled -> DataSetChanged -> RecordChanged(nullptr)
// and LayoutChanged -> DataSetChanged.
class TDataLink : public TPersistent {
  RTL_CLASS(TDataLink, TPersistent)
public:
  TDataLink();
  ~TDataLink() override;
  void BeforeDestruction() override;

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* value);
  bool DataSourceFixed() const { return FDataSourceFixed; }
  void SetDataSourceFixed(bool v) { FDataSourceFixed = v; }
  TDataSet* DataSet() const;
  bool Active() const { return FActive; }
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  int32_t ActiveRecord() const;
  void SetActiveRecord(int32_t value);
  int32_t BufferCount() const { return FBufferCount; }
  void SetBufferCount(int32_t value);
  int32_t RecordCount() const;
  bool Bof() const;
  bool Eof() const;
  // Asks the data source to edit; returns whether the link is editing afterwards.
  bool Edit();
  void UpdateRecord();
  int32_t FirstRecord() const { return FFirstRecord; }
  virtual void DataEvent(TDataEvent event, intptr_t info);

protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged();
  virtual void DataSetScrolled(int32_t distance);
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** field);
  virtual void LayoutChanged();
  virtual void RecordChanged(TField* field);
  virtual void UpdateData() {}

private:
  friend class TDataSource;
  friend class TDataSet;
  void UpdateState();
  void UpdateRange();
  void SetActive(bool v);
  void SetEditing(bool v);

  TDataSource* FDataSource = nullptr;
  bool FDataSourceFixed = false;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;
  int32_t FBufferCount = 1;
  int32_t FFirstRecord = 0;
};

// The link of a detail dataset to its master.
class TDetailDataLink : public TDataLink {
  RTL_CLASS(TDetailDataLink, TDataLink)
public:
  virtual TDataSet* DetailDataSet() const { return nullptr; }
};

// ---------------------------------------------------------------------------------------------------
// Parameters

class TParam : public TCollectionItem {
  RTL_CLASS(TParam, TCollectionItem)
public:
  explicit TParam(TCollection* collection);
  const String& Name() const { return FName; }
  void SetName(const String& v) { FName = v; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType v);
  TParamType ParamType() const { return FParamType; }
  void SetParamType(TParamType v) { FParamType = v; }
  int32_t Size() const { return FSize; }
  void SetSize(int32_t v) { FSize = v; }
  int32_t Precision() const { return FPrecision; }
  void SetPrecision(int32_t v) { FPrecision = v; }
  int32_t NumericScale() const { return FNumericScale; }
  void SetNumericScale(int32_t v) { FNumericScale = v; }
  bool Bound() const { return FBound; }
  void SetBound(bool v);
  bool IsNull() const { return VarIsNull(FValue) || VarIsClear(FValue); }
  void Clear();
  const Variant& Value() const { return FValue; }
  void SetValue(const Variant& v);
  String AsString() const;
  void SetAsString(const String& v);
  int32_t AsInteger() const;
  void SetAsInteger(int32_t v);
  int64_t AsLargeInt() const;
  void SetAsLargeInt(int64_t v);
  double AsFloat() const;
  void SetAsFloat(double v);
  Currency AsCurrency() const;
  void SetAsCurrency(Currency v);
  bool AsBoolean() const;
  void SetAsBoolean(bool v);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime v);
  void SetAsDate(TDateTime v);
  void SetAsTime(TDateTime v);
  Variant AsVariant() const { return FValue; }
  void SetAsVariant(const Variant& v) { SetValue(v); }
  // Takes the field's data type and value.
  void AssignField(TField* field);
  void AssignFieldValue(TField* field, const Variant& value);
  void Assign(TPersistent* source) override;

protected:
  String GetDisplayName() override { return FName; }

private:
  String FName;
  TFieldType FDataType = ftUnknown;
  TParamType FParamType = ptUnknown;
  int32_t FSize = 0;
  int32_t FPrecision = 0;
  int32_t FNumericScale = 0;
  bool FBound = false;
  Variant FValue;
};

class TParams : public TCollection {
  RTL_CLASS(TParams, TCollection)
public:
  TParams();
  explicit TParams(TPersistent* owner);
  TParam* Items(int32_t index) const { return static_cast<TParam*>(TCollection::Items(index)); }
  TParam* operator[](int32_t index) const { return Items(index); }
  TParam* AddParam();
  TParam* CreateParam(TFieldType fldType, const String& paramName, TParamType paramType);
  TParam* FindParam(const String& value) const;
  TParam* ParamByName(const String& value) const;  // "Parameter '%s' not found"
  void AssignValues(TParams* value);
  bool IsEqual(TParams* value) const;
  // Replaces ":name" parameters (outside quotes and comments) by "?" when doCreate asks for it,
  // creating a parameter per name; returns the rewritten text.
  String ParseSQL(const String& sql, bool doCreate);
  Variant ParamValues(const String& paramName) const;
  void SetParamValues(const String& paramName, const Variant& value);

protected:
  TPersistent* GetOwner() override { return FOwner; }

private:
  TPersistent* FOwner = nullptr;
};
