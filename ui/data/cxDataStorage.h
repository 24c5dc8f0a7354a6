#pragma once
// Typed record storage of the data controller: the value types (stateless class objects that know the
// layout, comparison, stream encoding and text of one kind of stored value), their registry, the value
// definitions that lay out a record buffer, the storage of main and internal (scratch) records, the
// reader interface that fills a record, and a small sorted value-to-text cache.
//
// A record buffer is one zero-filled block: a flag byte, the record id when ids are on, then per slotted
// definition a null byte, the data cell and, when the definition keeps text, a pointer to a text holder.
// Cells holding strings, wide strings and variants keep a pointer to a heap holder, so the record length
// is fixed per collection. Cell sizes are the real sizes of this platform (pointers are 8 bytes).

#include <cstdint>
#include <vector>

#include "rtl/Events.h"
#include "rtl/Streams.h"
#include "rtl/Variants.h"

class TcxValueType;
class TcxValueDef;
class TcxValueDefs;
class TcxDataStorage;
class TcxValueDefReader;

// "A value type class": a pointer to the single constant instance of a TcxValueType descendant.
using TcxValueTypeClass = const TcxValueType*;

// The base of the value types. Never instantiated per value: every operation is a class-level one.
// Cell pointers point at the data cell inside a record buffer; text pointers at the text-holder slot.
class TcxValueType {
public:
  TcxValueType(const TcxValueType&) = delete;
  TcxValueType& operator=(const TcxValueType&) = delete;
  virtual ~TcxValueType() = default;

  static TcxValueTypeClass StaticClass();
  virtual const char* ClassName() const { return "TcxValueType"; }
  virtual TcxValueTypeClass ClassParent() const { return nullptr; }
  bool InheritsFrom(TcxValueTypeClass AClass) const;

  virtual int32_t CompareCells(const void* P1, const void* P2) const { return CompareRefs(P1, P2); }
  virtual void ReleaseCell(void* P) const { (void)P; }
  static void ReleaseText(void* P);
  virtual int32_t CellSize() const { return 0; }
  virtual void CellToVariant(const void* P, Variant& V) const {
    (void)P;
    V = Null();
  }
  virtual String CellToText(const void* P) const;
  static String TextFromHolder(const void* P);
  virtual void LoadCell(void* P, TStream* AStream) const;
  static void LoadText(void* P, TStream* AStream);
  virtual void VariantToCell(void* P, const Variant& V) const {
    (void)P;
    (void)V;
  }
  static void TextToHolder(void* P, const String& S);
  virtual void SaveCell(const void* P, TStream* AStream) const;
  static void SaveText(const void* P, TStream* AStream);
  // The class name without a leading "Tcx" and without the first "ValueType": "String", "Integer".
  String Caption() const;
  virtual int32_t CompareRefs(const void* R1, const void* R2) const;
  virtual void RefToVariant(const void* R, Variant& V) const { CellToVariant(R, V); }
  virtual TVarType VariantTypeCode() const { return varVariant; }
  // True for Null or an untyped type; otherwise casts V in place, False when the cast fails.
  bool CoerceVariant(Variant& V) const;
  virtual bool IsTextual() const { return false; }
  virtual void CellToRef(const void*& P) const { (void)P; }

  // An unsigned key whose order is the order of CompareCells, for the sorting fast path of the row view;
  // False when the type has none (texts, variants, objects, BCD, time stamps).
  virtual bool CellToSortKey(const void* P, uint64_t& AKey) const {
    (void)P;
    (void)AKey;
    return false;
  }

protected:
  TcxValueType() = default;
};

#define CX_VALUE_TYPE(Self, Parent)                                          \
public:                                                                      \
  static TcxValueTypeClass StaticClass() {                                   \
    static const Self instance;                                              \
    return &instance;                                                        \
  }                                                                          \
  const char* ClassName() const override { return #Self; }                   \
  TcxValueTypeClass ClassParent() const override { return Parent::StaticClass(); }

// Text held by pointer to a heap 8-bit string; ordinal byte-wise comparison.
class TcxStringValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxStringValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  void ReleaseCell(void* P) const override;
  int32_t CellSize() const override { return sizeof(void*); }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  int32_t CompareRefs(const void* R1, const void* R2) const override;
  void RefToVariant(const void* R, Variant& V) const override;
  TVarType VariantTypeCode() const override { return varString; }
  bool IsTextual() const override { return true; }
  void CellToRef(const void*& P) const override;
  // The held text without a copy (nullptr for no holder).
  static const String* HolderOf(const void* P);

protected:
  TcxStringValueType() = default;
};

class TcxWideStringValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxWideStringValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  void ReleaseCell(void* P) const override;
  int32_t CellSize() const override { return sizeof(void*); }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  int32_t CompareRefs(const void* R1, const void* R2) const override;
  void RefToVariant(const void* R, Variant& V) const override;
  TVarType VariantTypeCode() const override { return varOleStr; }
  bool IsTextual() const override { return true; }
  void CellToRef(const void*& P) const override;

protected:
  TcxWideStringValueType() = default;
};

class TcxSmallintValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxSmallintValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override { return 2; }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varSmallint; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxSmallintValueType() = default;
};

class TcxIntegerValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxIntegerValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override { return 4; }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varInteger; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxIntegerValueType() = default;
};

class TcxWordValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxWordValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override { return 2; }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varWord; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxWordValueType() = default;
};

class TcxBooleanValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxBooleanValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override { return 1; }
  void CellToVariant(const void* P, Variant& V) const override;
  String CellToText(const void* P) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varBoolean; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxBooleanValueType() = default;
};

class TcxFloatValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxFloatValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override { return 8; }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varDouble; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxFloatValueType() = default;
};

class TcxCurrencyValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxCurrencyValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override { return 8; }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varCurrency; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxCurrencyValueType() = default;
};

class TcxDateTimeValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxDateTimeValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override { return 8; }
  void CellToVariant(const void* P, Variant& V) const override;
  String CellToText(const void* P) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varDate; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxDateTimeValueType() = default;
};

class TcxLargeIntValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxLargeIntValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override { return 8; }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varInt64; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxLargeIntValueType() = default;
};

class TcxFMTBcdValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxFMTBcdValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override;
  void CellToVariant(const void* P, Variant& V) const override;
  String CellToText(const void* P) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override;

protected:
  TcxFMTBcdValueType() = default;
};

class TcxSQLTimeStampValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxSQLTimeStampValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  int32_t CellSize() const override;
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override;

protected:
  TcxSQLTimeStampValueType() = default;
};

class TcxVariantValueType : public TcxValueType {
  CX_VALUE_TYPE(TcxVariantValueType, TcxValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  void ReleaseCell(void* P) const override;
  int32_t CellSize() const override { return sizeof(void*); }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  int32_t CompareRefs(const void* R1, const void* R2) const override;
  void RefToVariant(const void* R, Variant& V) const override;
  void CellToRef(const void*& P) const override;

protected:
  TcxVariantValueType() = default;
};

// An owned object kept by reference. The cell is pointer-sized so that nothing is cut off on a 64-bit
// platform; the reference travels in variants as a 64-bit integer. Nothing of it is streamed.
class TcxObjectValueType : public TcxIntegerValueType {
  CX_VALUE_TYPE(TcxObjectValueType, TcxIntegerValueType)
  int32_t CompareCells(const void* P1, const void* P2) const override;
  void ReleaseCell(void* P) const override;
  int32_t CellSize() const override { return sizeof(intptr_t); }
  void CellToVariant(const void* P, Variant& V) const override;
  void VariantToCell(void* P, const Variant& V) const override;
  void LoadCell(void* P, TStream* AStream) const override;
  void SaveCell(const void* P, TStream* AStream) const override;
  TVarType VariantTypeCode() const override { return varInt64; }
  bool CellToSortKey(const void* P, uint64_t& AKey) const override;

protected:
  TcxObjectValueType() = default;
};

// The registry of value types.
class TcxValueTypeClassList : public TObject {
  RTL_CLASS(TcxValueTypeClassList, TObject)
public:
  void RegisterType(TcxValueTypeClass AClass);
  void UnregisterType(TcxValueTypeClass AClass);
  TcxValueTypeClass FindByCaption(const String& ACaption) const;
  TcxValueTypeClass FindByClassName(const String& AClassName) const;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxValueTypeClass Items(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }

private:
  std::vector<TcxValueTypeClass> FItems;
};

// The process-wide registry, made on first use with the fourteen types registered.
TcxValueTypeClassList* cxValueTypeClassList();

enum TcxValueDefChange : uint8_t { vdcSlotted, vdcKeepsText };

// One stored column.
class TcxValueDef : public TObject {
  RTL_CLASS(TcxValueDef, TObject)
public:
  TcxValueDef(TcxValueDefs* AOwner, TcxValueTypeClass ATypeClass);
  ~TcxValueDef() override;

  virtual TObject* GetLink() const { return FLink; }
  virtual bool IsSlotted() const;
  virtual void SetLink(TObject* ALink) { FLink = ALink; }
  virtual void AssignFlags(TcxValueDef* ASource);

  TObject* Link() const { return GetLink(); }
  int32_t SlotSize() const { return FSlotSize; }
  int32_t ValueSize() const { return FValueSize; }
  int32_t SlotOffset() const { return FSlotOffset; }
  bool Slotted() const { return FSlotted; }
  void SetSlotted(bool AValue);
  bool KeepsText() const { return FKeepsText; }
  void SetKeepsText(bool AValue);
  bool Streamed() const { return FStreamed; }
  void SetStreamed(bool AValue) { FStreamed = AValue; }
  TcxValueDefs* Owner() const { return FOwner; }
  TcxValueTypeClass TypeClass() const { return FTypeClass; }
  bool IsTextual() const { return FTypeClass->IsTextual(); }
  bool HasTextHolder() const { return IsSlotted() && FKeepsText; }

  // On a record buffer.
  Variant ReadValue(const char* ABuffer) const;
  void WriteValue(char* ABuffer, const Variant& AValue) const;
  String ReadText(const char* ABuffer) const;
  void WriteText(char* ABuffer, const String& AText) const;
  void MarkNull(char* ABuffer, bool AIsNull) const;
  bool IsNullAt(const char* ABuffer) const { return ABuffer[FSlotOffset] == 0; }
  int32_t CompareInRecords(const char* ABuffer1, const char* ABuffer2) const;
  int32_t CompareNullable(bool ANull1, bool ANull2, const void* ARef1, const void* ARef2) const;
  void ReleaseValue(char* ABuffer) const;
  void LoadFromStream(char* ABuffer, TStream* AStream) const;
  void SaveToStream(const char* ABuffer, TStream* AStream) const;
  void LoadTextFromStream(char* ABuffer, TStream* AStream) const;
  void SaveTextToStream(const char* ABuffer, TStream* AStream) const;
  char* DataOf(char* ABuffer) const { return ABuffer + FSlotOffset + 1; }
  const char* DataOf(const char* ABuffer) const { return ABuffer + FSlotOffset + 1; }
  char* TextSlotOf(char* ABuffer) const { return ABuffer + FSlotOffset + 1 + FValueSize; }
  const char* TextSlotOf(const char* ABuffer) const { return ABuffer + FSlotOffset + 1 + FValueSize; }

protected:
  friend class TcxValueDefs;
  void Layout(int32_t& AOffset);

private:
  int32_t FSlotSize = 0;
  int32_t FValueSize = 0;
  bool FSlotted = true;
  TObject* FLink = nullptr;
  int32_t FSlotOffset = 0;
  bool FStreamed = true;
  bool FKeepsText = false;
  TcxValueDefs* FOwner;
  TcxValueTypeClass FTypeClass;
};

// A def of the internal (scratch) records mirroring one main def.
class TcxInternalValueDef : public TcxValueDef {
  RTL_CLASS(TcxInternalValueDef, TcxValueDef)
public:
  using TcxValueDef::TcxValueDef;
  TObject* GetLink() const override;
  bool IsSlotted() const override { return true; }
  TcxValueDef* MainDef() const { return static_cast<TcxValueDef*>(TcxValueDef::GetLink()); }
};

class TcxValueDefs : public TObject {
  RTL_CLASS(TcxValueDefs, TObject)
public:
  explicit TcxValueDefs(TcxDataStorage* AStorage);
  ~TcxValueDefs() override;
  virtual void DefChanged(TcxValueDef* ADef, TcxValueDefChange AChange);
  virtual TcxValueDef* CreateDef(TcxValueTypeClass ATypeClass);
  virtual void LayoutAll(int32_t AStart);

  TcxValueDef* Add(TcxValueTypeClass ATypeClass, bool ASlotted, bool AKeepsText, TObject* ALink);
  void DeleteAll();
  void Detach(TcxValueDef* ADef);
  int32_t SlottedCount() const;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // The def at a position; the stream order's while the storage has one open.
  TcxValueDef* Defs(int32_t AIndex) const;
  TcxValueDef* FindByLink(TObject* ALink) const;
  int32_t IndexOf(TcxValueDef* ADef) const;
  int32_t LayoutStart() const { return FLayoutStart; }
  int32_t RecordLength() const { return FRecordLength; }
  TcxDataStorage* Storage() const { return FStorage; }
  bool IsInternal() const;

private:
  friend class TcxDataStorage;
  TcxDataStorage* FStorage;
  std::vector<TcxValueDef*> FItems;
  int32_t FLayoutStart = 0;
  int32_t FRecordLength = 0;
};

class TcxInternalValueDefs : public TcxValueDefs {
  RTL_CLASS(TcxInternalValueDefs, TcxValueDefs)
public:
  using TcxValueDefs::TcxValueDefs;
  TcxValueDef* CreateDef(TcxValueTypeClass ATypeClass) override;
};

// Fills a record from elsewhere (another record, a provider).
class TcxValueDefReader : public TObject {
  RTL_CLASS(TcxValueDefReader, TObject)
public:
  TcxValueDefReader() = default;
  virtual String ReadDefText(TcxValueDef* ADef) {
    (void)ADef;
    return String();
  }
  virtual Variant ReadDefValue(TcxValueDef* ADef) {
    (void)ADef;
    return Null();
  }
  virtual bool SkipsDef(TcxValueDef* ADef) {
    (void)ADef;
    return false;
  }
};

using TcxDataStorageCompareDefs = int32_t (*)(TcxValueDef* A, TcxValueDef* B);

class TcxDataStorage : public TObject {
  RTL_CLASS(TcxDataStorage, TObject)
public:
  TcxDataStorage();
  ~TcxDataStorage() override;

  virtual void LayoutDefs(TcxValueDefs* ADefs);
  virtual void DefsChanged(TcxValueDef* ADef, TcxValueDefChange AChange);
  virtual TcxValueDefs* DefsForRecord(int32_t AIndex) const;

  int32_t HeaderSize() const { return FRecordIdsOn ? 5 : 1; }
  int32_t AddRecord();
  int32_t InsertEmptyRecord(int32_t AIndex);
  void RemoveRecord(int32_t AIndex);
  void ResizeTo(int32_t ACount);
  int32_t RecordCount() const { return static_cast<int32_t>(FBuffers.size()); }
  int32_t InternalRecordCount() const { return static_cast<int32_t>(FInternalBuffers.size()); }
  int32_t NewInternalRecord();
  void FreeInternalRecord(int32_t AIndex);
  void Reset(bool AKeepInternal);
  void DropInternalRecords();
  void DropRecords(bool ARemoveEntries);

  Variant RecordValue(int32_t AIndex, TcxValueDef* ADef);
  void PutRecordValue(int32_t AIndex, TcxValueDef* ADef, const Variant& AValue);
  String RecordText(int32_t AIndex, TcxValueDef* ADef);
  void PutRecordText(int32_t AIndex, TcxValueDef* ADef, const String& AText);
  int32_t CompareRecords(int32_t AIndex1, int32_t AIndex2, TcxValueDef* ADef);
  // False when the value is null; otherwise the compare reference of the value.
  bool CompareRef(int32_t AIndex, TcxValueDef* ADef, const void*& ARef);
  int32_t IdOfRecord(int32_t AIndex);
  void AssignRecordId(int32_t AIndex, int32_t AId);
  void FillRecord(int32_t AIndex, TcxValueDefReader* AReader, bool ANonInternalOnly);
  void LoadRecord(int32_t AIndex, TStream* AStream);
  void SaveRecord(int32_t AIndex, TStream* AStream);
  void OpenStreamOrder(TcxDataStorageCompareDefs ACompare);
  void CloseStreamOrder();
  bool StreamOrderOpen() const { return FStreamOrderOpen; }
  void StartLoading() {}
  void FinishLoading() {}
  bool SlottedOnly() const { return FSlottedOnly; }
  void SetSlottedOnly(bool AValue);
  bool RecordIdsOn() const { return FRecordIdsOn; }
  void SetRecordIdsOn(bool AValue);
  int32_t NextRecordId() const { return FNextRecordId; }
  bool InDestruction() const { return FInDestruction; }

  TcxValueDefs* MainDefs() const { return FMainDefs; }
  TcxValueDefs* InternalDefs() const { return FInternalDefs; }
  TNotifyEvent OnInternalRecordsCleared;

  // The raw buffer of a record (nullptr when it has none); the fast sorting paths read cells through it.
  char* BufferOf(int32_t AIndex) const;
  // Allocates the buffer of a record when it has none.
  char* EnsureBuffer(int32_t AIndex);
  bool ResolveDef(int32_t AIndex, TcxValueDef*& ADef) const;

private:
  friend class TcxValueDefs;
  char*& BufferSlot(int32_t AIndex);
  char* NewBuffer(TcxValueDefs* ADefs) const;
  void FreeBuffer(char*& ABuffer, TcxValueDefs* ADefs);
  void OpenSlot(TcxValueDefs* ADefs, int32_t APosition, TcxValueDef* ADef);
  void CloseSlot(TcxValueDefs* ADefs, TcxValueDef* ADef);
  void AssignMissingIds(int32_t AIndex);
  void ResetIdCounterIfEmpty();
  void AdvanceIdCounter(int32_t AId);

  bool FInDestruction = false;
  std::vector<char*> FInternalBuffers;
  TcxInternalValueDefs* FInternalDefs = nullptr;
  bool FSlottedOnly = false;
  std::vector<char*> FBuffers;
  int32_t FNextRecordId = 1;
  bool FRecordIdsOn = false;
  TcxValueDefs* FMainDefs = nullptr;
  std::vector<TcxValueDef*> FStreamOrder;
  bool FStreamOrderOpen = false;
};

// A sorted list of (value, display text) pairs.
struct TcxLookupListItem {
  Variant Value;
  String DisplayText;
};

class TcxLookupList : public TObject {
  RTL_CLASS(TcxLookupList, TObject)
public:
  void Clear() { FItems.clear(); }
  bool Find(const Variant& AValue, int32_t& AIndex) const;
  void Insert(int32_t AIndex, const Variant& AValue, const String& AText);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  const TcxLookupListItem& Items(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }

private:
  std::vector<TcxLookupListItem> FItems;
};
