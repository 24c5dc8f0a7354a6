#include "ui/data/cxDataStorage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "rtl/DateTime.h"
#include "rtl/FMTBcd.h"
#include "rtl/SqlTimSt.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxVariants.h"

namespace {

template <class T>
T Get(const void* P) {
  T v;
  std::memcpy(&v, P, sizeof(T));
  return v;
}

template <class T>
void Put(void* P, T v) {
  std::memcpy(P, &v, sizeof(T));
}

template <class T>
int32_t Order(T a, T b) {
  return a == b ? 0 : (a > b ? 1 : -1);
}

// Heap holders are reached through the pointer kept in the cell.
template <class T>
T* HolderAt(const void* P) {
  return Get<T*>(P);
}

template <class T>
void DisposeHolder(void* P) {
  delete HolderAt<T>(P);
  Put<T*>(P, nullptr);
}

template <class T>
T& EnsureHolder(void* P) {
  T* h = HolderAt<T>(P);
  if (!h) {
    h = new T();
    Put<T*>(P, h);
  }
  return *h;
}

template <class T>
int32_t CompareHolders(const T* a, const T* b) {
  if (!a) return b ? -1 : 0;
  if (!b) return 1;
  const int c = a->compare(*b);
  return c == 0 ? 0 : (c < 0 ? -1 : 1);
}

uint64_t SignedKey(int64_t v) { return static_cast<uint64_t>(v) ^ (uint64_t{1} << 63); }

uint64_t DoubleKey(double d) {
  if (d == 0) d = 0;  // -0 sorts with 0
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  return (bits & (uint64_t{1} << 63)) ? ~bits : bits | (uint64_t{1} << 63);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TcxValueType

TcxValueTypeClass TcxValueType::StaticClass() {
  static const TcxValueType instance;
  return &instance;
}

bool TcxValueType::InheritsFrom(TcxValueTypeClass AClass) const {
  for (TcxValueTypeClass c = this; c; c = c->ClassParent())
    if (c == AClass) return true;
  return false;
}

void TcxValueType::ReleaseText(void* P) { DisposeHolder<String>(P); }

String TcxValueType::CellToText(const void* P) const {
  try {
    Variant v;
    CellToVariant(P, v);
    return VarToStr(v);
  } catch (const EVariantError&) {
    return String();
  }
}

String TcxValueType::TextFromHolder(const void* P) {
  const String* h = HolderAt<String>(P);
  return h ? *h : String();
}

void TcxValueType::LoadCell(void* P, TStream* AStream) const { VariantToCell(P, StreamReadVariant(AStream)); }

void TcxValueType::LoadText(void* P, TStream* AStream) { TextToHolder(P, StreamReadAnsiString(AStream)); }

void TcxValueType::TextToHolder(void* P, const String& S) { EnsureHolder<String>(P) = S; }

void TcxValueType::SaveCell(const void* P, TStream* AStream) const {
  Variant v;
  CellToVariant(P, v);
  StreamWriteVariant(AStream, v);
}

void TcxValueType::SaveText(const void* P, TStream* AStream) { StreamWriteAnsiString(AStream, TextFromHolder(P)); }

String TcxValueType::Caption() const {
  String s = ClassName();
  if (s.compare(0, 3, "Tcx") == 0) s.erase(0, 3);
  const size_t p = s.find("ValueType");
  if (p != String::npos) s.erase(p, 9);
  return s;
}

int32_t TcxValueType::CompareRefs(const void* R1, const void* R2) const {
  Variant v1, v2;
  CellToVariant(R1, v1);
  CellToVariant(R2, v2);
  return CompareVariantValues(v1, v2);
}

bool TcxValueType::CoerceVariant(Variant& V) const {
  if (VarIsNull(V) || VariantTypeCode() == varVariant) return true;
  try {
    V = VarAsType(V, VariantTypeCode());
    return true;
  } catch (const EVariantError&) {
    return false;
  }
}

// ---------------------------------------------------------------------------------------------------
// Strings

int32_t TcxStringValueType::CompareCells(const void* P1, const void* P2) const {
  return CompareHolders(HolderAt<String>(P1), HolderAt<String>(P2));
}
void TcxStringValueType::ReleaseCell(void* P) const { DisposeHolder<String>(P); }
void TcxStringValueType::CellToVariant(const void* P, Variant& V) const {
  const String* h = HolderAt<String>(P);
  V = h ? Variant(*h) : Variant(String());
}
void TcxStringValueType::VariantToCell(void* P, const Variant& V) const { EnsureHolder<String>(P) = VarToStr(V); }
void TcxStringValueType::LoadCell(void* P, TStream* AStream) const {
  EnsureHolder<String>(P) = StreamReadAnsiString(AStream);
}
void TcxStringValueType::SaveCell(const void* P, TStream* AStream) const {
  const String* h = HolderAt<String>(P);
  StreamWriteAnsiString(AStream, h ? *h : String());
}
int32_t TcxStringValueType::CompareRefs(const void* R1, const void* R2) const {
  return CompareHolders(static_cast<const String*>(R1), static_cast<const String*>(R2));
}
void TcxStringValueType::RefToVariant(const void* R, Variant& V) const {
  const String* h = static_cast<const String*>(R);
  V = h ? Variant(*h) : Variant(String());
}
void TcxStringValueType::CellToRef(const void*& P) const { P = HolderAt<String>(P); }
const String* TcxStringValueType::HolderOf(const void* P) { return HolderAt<String>(P); }

int32_t TcxWideStringValueType::CompareCells(const void* P1, const void* P2) const {
  return CompareHolders(HolderAt<WideString>(P1), HolderAt<WideString>(P2));
}
void TcxWideStringValueType::ReleaseCell(void* P) const { DisposeHolder<WideString>(P); }
void TcxWideStringValueType::CellToVariant(const void* P, Variant& V) const {
  const WideString* h = HolderAt<WideString>(P);
  V = h ? Variant(*h) : Variant(WideString());
}
void TcxWideStringValueType::VariantToCell(void* P, const Variant& V) const {
  EnsureHolder<WideString>(P) = VarToWideStr(V);
}
void TcxWideStringValueType::LoadCell(void* P, TStream* AStream) const {
  EnsureHolder<WideString>(P) = StreamReadWideString(AStream);
}
void TcxWideStringValueType::SaveCell(const void* P, TStream* AStream) const {
  // Text is 8-bit UTF-8 here, so the round trip through it keeps every character.
  const WideString* h = HolderAt<WideString>(P);
  StreamWriteWideString(AStream, h ? *h : WideString());
}
int32_t TcxWideStringValueType::CompareRefs(const void* R1, const void* R2) const {
  return CompareHolders(static_cast<const WideString*>(R1), static_cast<const WideString*>(R2));
}
void TcxWideStringValueType::RefToVariant(const void* R, Variant& V) const {
  const WideString* h = static_cast<const WideString*>(R);
  V = h ? Variant(*h) : Variant(WideString());
}
void TcxWideStringValueType::CellToRef(const void*& P) const { P = HolderAt<WideString>(P); }

// ---------------------------------------------------------------------------------------------------
// Numbers

int32_t TcxSmallintValueType::CompareCells(const void* P1, const void* P2) const {
  return Get<int16_t>(P1) - Get<int16_t>(P2);
}
void TcxSmallintValueType::CellToVariant(const void* P, Variant& V) const { V = Get<int16_t>(P); }
void TcxSmallintValueType::VariantToCell(void* P, const Variant& V) const {
  Put<int16_t>(P, static_cast<int16_t>(V.AsInteger()));
}
void TcxSmallintValueType::LoadCell(void* P, TStream* AStream) const { Put<int16_t>(P, StreamReadInt16(AStream)); }
void TcxSmallintValueType::SaveCell(const void* P, TStream* AStream) const { StreamWriteInt16(AStream, Get<int16_t>(P)); }
bool TcxSmallintValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  AKey = SignedKey(Get<int16_t>(P));
  return true;
}

int32_t TcxIntegerValueType::CompareCells(const void* P1, const void* P2) const {
  return Order(Get<int32_t>(P1), Get<int32_t>(P2));
}
void TcxIntegerValueType::CellToVariant(const void* P, Variant& V) const { V = Get<int32_t>(P); }
void TcxIntegerValueType::VariantToCell(void* P, const Variant& V) const { Put<int32_t>(P, V.AsInteger()); }
void TcxIntegerValueType::LoadCell(void* P, TStream* AStream) const { Put<int32_t>(P, StreamReadInt32(AStream)); }
void TcxIntegerValueType::SaveCell(const void* P, TStream* AStream) const { StreamWriteInt32(AStream, Get<int32_t>(P)); }
bool TcxIntegerValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  AKey = SignedKey(Get<int32_t>(P));
  return true;
}

int32_t TcxWordValueType::CompareCells(const void* P1, const void* P2) const {
  return Get<uint16_t>(P1) - Get<uint16_t>(P2);
}
void TcxWordValueType::CellToVariant(const void* P, Variant& V) const { V = Get<uint16_t>(P); }
void TcxWordValueType::VariantToCell(void* P, const Variant& V) const {
  Put<uint16_t>(P, static_cast<uint16_t>(V.AsInteger()));
}
void TcxWordValueType::LoadCell(void* P, TStream* AStream) const { Put<uint16_t>(P, StreamReadWord(AStream)); }
void TcxWordValueType::SaveCell(const void* P, TStream* AStream) const { StreamWriteWord(AStream, Get<uint16_t>(P)); }
bool TcxWordValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  AKey = Get<uint16_t>(P);
  return true;
}

int32_t TcxBooleanValueType::CompareCells(const void* P1, const void* P2) const {
  return Get<uint8_t>(P1) - Get<uint8_t>(P2);
}
void TcxBooleanValueType::CellToVariant(const void* P, Variant& V) const { V = Get<uint8_t>(P) != 0; }
String TcxBooleanValueType::CellToText(const void* P) const { return BoolToStr(Get<uint8_t>(P) != 0, true); }
void TcxBooleanValueType::VariantToCell(void* P, const Variant& V) const { Put<uint8_t>(P, V.AsBoolean() ? 1 : 0); }
void TcxBooleanValueType::LoadCell(void* P, TStream* AStream) const {
  Put<uint8_t>(P, StreamReadBoolean(AStream) ? 1 : 0);
}
void TcxBooleanValueType::SaveCell(const void* P, TStream* AStream) const {
  StreamWriteBoolean(AStream, Get<uint8_t>(P) != 0);
}
bool TcxBooleanValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  AKey = Get<uint8_t>(P);
  return true;
}

int32_t TcxFloatValueType::CompareCells(const void* P1, const void* P2) const {
  return Order(Get<double>(P1), Get<double>(P2));
}
void TcxFloatValueType::CellToVariant(const void* P, Variant& V) const { V = Get<double>(P); }
void TcxFloatValueType::VariantToCell(void* P, const Variant& V) const { Put<double>(P, V.AsDouble()); }
void TcxFloatValueType::LoadCell(void* P, TStream* AStream) const {
  Put<double>(P, static_cast<double>(StreamReadExtended(AStream)));
}
void TcxFloatValueType::SaveCell(const void* P, TStream* AStream) const { StreamWriteExtended(AStream, Get<double>(P)); }
bool TcxFloatValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  const double d = Get<double>(P);
  if (d != d) return false;  // NaN has no place in the order of CompareCells
  AKey = DoubleKey(d);
  return true;
}

int32_t TcxCurrencyValueType::CompareCells(const void* P1, const void* P2) const {
  return Order(Get<int64_t>(P1), Get<int64_t>(P2));
}
void TcxCurrencyValueType::CellToVariant(const void* P, Variant& V) const {
  Currency c;
  c.Value = Get<int64_t>(P);
  V = c;
}
void TcxCurrencyValueType::VariantToCell(void* P, const Variant& V) const { Put<int64_t>(P, V.AsCurrency().Value); }
void TcxCurrencyValueType::LoadCell(void* P, TStream* AStream) const {
  Put<int64_t>(P, StreamReadCurrency(AStream).Value);
}
void TcxCurrencyValueType::SaveCell(const void* P, TStream* AStream) const {
  Currency c;
  c.Value = Get<int64_t>(P);
  StreamWriteCurrency(AStream, c);
}
bool TcxCurrencyValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  AKey = SignedKey(Get<int64_t>(P));
  return true;
}

int32_t TcxDateTimeValueType::CompareCells(const void* P1, const void* P2) const {
  return Order(Get<double>(P1), Get<double>(P2));
}
void TcxDateTimeValueType::CellToVariant(const void* P, Variant& V) const { V = VarFromDateTime(Get<double>(P)); }
String TcxDateTimeValueType::CellToText(const void* P) const {
  try {
    return VarToStr(VarFromDateTime(Get<double>(P)));
  } catch (const EVariantError&) {
    return DateTimeToStr(Get<double>(P));
  }
}
void TcxDateTimeValueType::VariantToCell(void* P, const Variant& V) const { Put<double>(P, V.AsDouble()); }
void TcxDateTimeValueType::LoadCell(void* P, TStream* AStream) const { Put<double>(P, StreamReadDateTime(AStream)); }
void TcxDateTimeValueType::SaveCell(const void* P, TStream* AStream) const {
  StreamWriteDateTime(AStream, Get<double>(P));
}
bool TcxDateTimeValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  const double d = Get<double>(P);
  if (d != d) return false;
  AKey = DoubleKey(d);
  return true;
}

int32_t TcxLargeIntValueType::CompareCells(const void* P1, const void* P2) const {
  return Order(Get<int64_t>(P1), Get<int64_t>(P2));
}
void TcxLargeIntValueType::CellToVariant(const void* P, Variant& V) const { V = Get<int64_t>(P); }
void TcxLargeIntValueType::VariantToCell(void* P, const Variant& V) const { Put<int64_t>(P, V.AsInt64()); }
void TcxLargeIntValueType::LoadCell(void* P, TStream* AStream) const { Put<int64_t>(P, StreamReadInt64(AStream)); }
void TcxLargeIntValueType::SaveCell(const void* P, TStream* AStream) const { StreamWriteInt64(AStream, Get<int64_t>(P)); }
bool TcxLargeIntValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  AKey = SignedKey(Get<int64_t>(P));
  return true;
}

int32_t TcxFMTBcdValueType::CompareCells(const void* P1, const void* P2) const {
  return BcdCompare(Get<TBcd>(P1), Get<TBcd>(P2));
}
int32_t TcxFMTBcdValueType::CellSize() const { return sizeof(TBcd); }
void TcxFMTBcdValueType::CellToVariant(const void* P, Variant& V) const { V = BcdToDouble(Get<TBcd>(P)); }
String TcxFMTBcdValueType::CellToText(const void* P) const { return BcdToStrF(Get<TBcd>(P), ffGeneral, 0, 0); }
void TcxFMTBcdValueType::VariantToCell(void* P, const Variant& V) const { Put<TBcd>(P, VarToBcd(V)); }
void TcxFMTBcdValueType::LoadCell(void* P, TStream* AStream) const { Put<TBcd>(P, VarToBcd(StreamReadVariant(AStream))); }
TVarType TcxFMTBcdValueType::VariantTypeCode() const { return VarFMTBcd(); }

int32_t TcxSQLTimeStampValueType::CompareCells(const void* P1, const void* P2) const {
  const TSQLTimeStamp a = Get<TSQLTimeStamp>(P1), b = Get<TSQLTimeStamp>(P2);
  if (a.Year != b.Year) return a.Year - b.Year;
  if (a.Month != b.Month) return a.Month - b.Month;
  if (a.Day != b.Day) return a.Day - b.Day;
  if (a.Hour != b.Hour) return a.Hour - b.Hour;
  if (a.Minute != b.Minute) return a.Minute - b.Minute;
  if (a.Second != b.Second) return a.Second - b.Second;
  return a.Fractions == b.Fractions ? 0 : (a.Fractions > b.Fractions ? 1 : -1);
}
int32_t TcxSQLTimeStampValueType::CellSize() const { return sizeof(TSQLTimeStamp); }
void TcxSQLTimeStampValueType::CellToVariant(const void* P, Variant& V) const {
  V = VarFromDateTime(SQLTimeStampToDateTime(Get<TSQLTimeStamp>(P)));
}
void TcxSQLTimeStampValueType::VariantToCell(void* P, const Variant& V) const {
  Put<TSQLTimeStamp>(P, VarToSQLTimeStamp(V));
}
void TcxSQLTimeStampValueType::LoadCell(void* P, TStream* AStream) const {
  Put<TSQLTimeStamp>(P, VarToSQLTimeStamp(StreamReadVariant(AStream)));
}
TVarType TcxSQLTimeStampValueType::VariantTypeCode() const { return VarSQLTimeStamp(); }

int32_t TcxVariantValueType::CompareCells(const void* P1, const void* P2) const {
  return CompareRefs(HolderAt<Variant>(P1), HolderAt<Variant>(P2));
}
void TcxVariantValueType::ReleaseCell(void* P) const { DisposeHolder<Variant>(P); }
void TcxVariantValueType::CellToVariant(const void* P, Variant& V) const {
  const Variant* h = HolderAt<Variant>(P);
  V = h ? *h : Null();
}
void TcxVariantValueType::VariantToCell(void* P, const Variant& V) const { EnsureHolder<Variant>(P) = V; }
int32_t TcxVariantValueType::CompareRefs(const void* R1, const void* R2) const {
  const Variant* a = static_cast<const Variant*>(R1);
  const Variant* b = static_cast<const Variant*>(R2);
  if (!a) return b ? -1 : 0;
  if (!b) return 1;
  return CompareVariantValues(*a, *b);
}
void TcxVariantValueType::RefToVariant(const void* R, Variant& V) const {
  const Variant* h = static_cast<const Variant*>(R);
  V = h ? *h : Null();
}
void TcxVariantValueType::CellToRef(const void*& P) const { P = HolderAt<Variant>(P); }

int32_t TcxObjectValueType::CompareCells(const void* P1, const void* P2) const {
  return Order(Get<intptr_t>(P1), Get<intptr_t>(P2));
}
void TcxObjectValueType::ReleaseCell(void* P) const {
  TObject* obj = reinterpret_cast<TObject*>(Get<intptr_t>(P));
  Put<intptr_t>(P, 0);
  FreeObject(obj);
}
void TcxObjectValueType::CellToVariant(const void* P, Variant& V) const { V = static_cast<int64_t>(Get<intptr_t>(P)); }
void TcxObjectValueType::VariantToCell(void* P, const Variant& V) const {
  Put<intptr_t>(P, static_cast<intptr_t>(V.AsInt64()));
}
void TcxObjectValueType::LoadCell(void* P, TStream* AStream) const {
  (void)AStream;
  Put<intptr_t>(P, 0);
}
void TcxObjectValueType::SaveCell(const void* P, TStream* AStream) const {
  (void)P;
  (void)AStream;
}
bool TcxObjectValueType::CellToSortKey(const void* P, uint64_t& AKey) const {
  AKey = SignedKey(Get<intptr_t>(P));
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Registry

void TcxValueTypeClassList::RegisterType(TcxValueTypeClass AClass) {
  if (std::find(FItems.begin(), FItems.end(), AClass) == FItems.end()) FItems.push_back(AClass);
}

void TcxValueTypeClassList::UnregisterType(TcxValueTypeClass AClass) {
  auto it = std::find(FItems.begin(), FItems.end(), AClass);
  if (it != FItems.end()) FItems.erase(it);
}

TcxValueTypeClass TcxValueTypeClassList::FindByCaption(const String& ACaption) const {
  for (TcxValueTypeClass c : FItems)
    if (c->Caption() == ACaption) return c;
  return nullptr;
}

TcxValueTypeClass TcxValueTypeClassList::FindByClassName(const String& AClassName) const {
  for (TcxValueTypeClass c : FItems)
    if (AClassName == c->ClassName()) return c;
  return nullptr;
}

TcxValueTypeClassList* cxValueTypeClassList() {
  struct Holder {
    TcxValueTypeClassList* List = new TcxValueTypeClassList();
    Holder() {
      for (TcxValueTypeClass c :
           {TcxStringValueType::StaticClass(), TcxWideStringValueType::StaticClass(),
            TcxSmallintValueType::StaticClass(), TcxIntegerValueType::StaticClass(),
            TcxWordValueType::StaticClass(), TcxBooleanValueType::StaticClass(), TcxFloatValueType::StaticClass(),
            TcxCurrencyValueType::StaticClass(), TcxDateTimeValueType::StaticClass(),
            TcxLargeIntValueType::StaticClass(), TcxFMTBcdValueType::StaticClass(),
            TcxSQLTimeStampValueType::StaticClass(), TcxVariantValueType::StaticClass(),
            TcxObjectValueType::StaticClass()})
        List->RegisterType(c);
    }
    ~Holder() { delete List; }
  };
  static Holder holder;
  return holder.List;
}

// ---------------------------------------------------------------------------------------------------
// TcxValueDef

TcxValueDef::TcxValueDef(TcxValueDefs* AOwner, TcxValueTypeClass ATypeClass) : FOwner(AOwner), FTypeClass(ATypeClass) {}

TcxValueDef::~TcxValueDef() {
  if (FOwner) FOwner->Detach(this);
}

bool TcxValueDef::IsSlotted() const { return FSlotted || !FOwner->Storage()->SlottedOnly(); }

void TcxValueDef::AssignFlags(TcxValueDef* ASource) {
  SetSlotted(ASource->Slotted());
  SetKeepsText(ASource->KeepsText());
}

void TcxValueDef::SetSlotted(bool AValue) {
  if (FSlotted == AValue) return;
  FSlotted = AValue;
  if (FOwner) FOwner->DefChanged(this, vdcSlotted);
}

void TcxValueDef::SetKeepsText(bool AValue) {
  if (FKeepsText == AValue) return;
  FKeepsText = AValue;
  if (FOwner) FOwner->DefChanged(this, vdcKeepsText);
}

void TcxValueDef::Layout(int32_t& AOffset) {
  FValueSize = FTypeClass->CellSize();
  FSlotOffset = AOffset;
  if (IsSlotted()) {
    AOffset += 1 + FValueSize + (FKeepsText ? static_cast<int32_t>(sizeof(void*)) : 0);
    FSlotSize = AOffset - FSlotOffset;
  } else
    FSlotSize = 0;
}

Variant TcxValueDef::ReadValue(const char* ABuffer) const {
  if (IsNullAt(ABuffer)) return Null();
  Variant v;
  FTypeClass->CellToVariant(DataOf(ABuffer), v);
  return v;
}

void TcxValueDef::WriteValue(char* ABuffer, const Variant& AValue) const {
  if (VarIsNull(AValue)) {
    MarkNull(ABuffer, true);
    return;
  }
  MarkNull(ABuffer, false);
  FTypeClass->VariantToCell(DataOf(ABuffer), AValue);
}

String TcxValueDef::ReadText(const char* ABuffer) const {
  if (FKeepsText) return TcxValueType::TextFromHolder(TextSlotOf(ABuffer));
  if (IsNullAt(ABuffer)) return String();
  return FTypeClass->CellToText(DataOf(ABuffer));
}

void TcxValueDef::WriteText(char* ABuffer, const String& AText) const {
  TcxValueType::TextToHolder(TextSlotOf(ABuffer), AText);
}

void TcxValueDef::MarkNull(char* ABuffer, bool AIsNull) const {
  if (AIsNull) {
    if (!IsNullAt(ABuffer)) {
      FTypeClass->ReleaseCell(DataOf(ABuffer));
      std::memset(DataOf(ABuffer), 0, static_cast<size_t>(FValueSize));
    }
    ABuffer[FSlotOffset] = 0;
  } else
    ABuffer[FSlotOffset] = 1;
}

int32_t TcxValueDef::CompareInRecords(const char* ABuffer1, const char* ABuffer2) const {
  const bool n1 = IsNullAt(ABuffer1), n2 = IsNullAt(ABuffer2);
  if (n1) return n2 ? 0 : -1;
  if (n2) return 1;
  return FTypeClass->CompareCells(DataOf(ABuffer1), DataOf(ABuffer2));
}

int32_t TcxValueDef::CompareNullable(bool ANull1, bool ANull2, const void* ARef1, const void* ARef2) const {
  if (ANull1) return ANull2 ? 0 : -1;
  if (ANull2) return 1;
  return FTypeClass->CompareRefs(ARef1, ARef2);
}

void TcxValueDef::ReleaseValue(char* ABuffer) const {
  if (!IsSlotted()) return;
  if (!IsNullAt(ABuffer)) FTypeClass->ReleaseCell(DataOf(ABuffer));
  if (FKeepsText) TcxValueType::ReleaseText(TextSlotOf(ABuffer));
}

void TcxValueDef::LoadFromStream(char* ABuffer, TStream* AStream) const {
  const bool isNull = StreamReadBoolean(AStream);
  // What the cell held goes first, so that a loaded value never overwrites an owned one.
  MarkNull(ABuffer, true);
  if (isNull) return;
  MarkNull(ABuffer, false);
  FTypeClass->LoadCell(DataOf(ABuffer), AStream);
}

void TcxValueDef::SaveToStream(const char* ABuffer, TStream* AStream) const {
  const bool isNull = IsNullAt(ABuffer);
  StreamWriteBoolean(AStream, isNull);
  if (!isNull) FTypeClass->SaveCell(DataOf(ABuffer), AStream);
}

void TcxValueDef::LoadTextFromStream(char* ABuffer, TStream* AStream) const {
  TcxValueType::LoadText(TextSlotOf(ABuffer), AStream);
}

void TcxValueDef::SaveTextToStream(const char* ABuffer, TStream* AStream) const {
  TcxValueType::SaveText(TextSlotOf(ABuffer), AStream);
}

TObject* TcxInternalValueDef::GetLink() const {
  TcxValueDef* main = MainDef();
  return main ? main->Link() : nullptr;
}

// ---------------------------------------------------------------------------------------------------
// TcxValueDefs

TcxValueDefs::TcxValueDefs(TcxDataStorage* AStorage) : FStorage(AStorage) { LayoutAll(0); }

TcxValueDefs::~TcxValueDefs() { DeleteAll(); }

void TcxValueDefs::DefChanged(TcxValueDef* ADef, TcxValueDefChange AChange) { FStorage->DefsChanged(ADef, AChange); }

TcxValueDef* TcxValueDefs::CreateDef(TcxValueTypeClass ATypeClass) { return New<TcxValueDef>(this, ATypeClass); }

TcxValueDef* TcxInternalValueDefs::CreateDef(TcxValueTypeClass ATypeClass) {
  return New<TcxInternalValueDef>(this, ATypeClass);
}

void TcxValueDefs::LayoutAll(int32_t AStart) {
  FLayoutStart = AStart;
  int32_t r = AStart;
  for (TcxValueDef* d : FItems) d->Layout(r);
  FRecordLength = r;
}

bool TcxValueDefs::IsInternal() const { return FStorage && this == FStorage->InternalDefs(); }

TcxValueDef* TcxValueDefs::Add(TcxValueTypeClass ATypeClass, bool ASlotted, bool AKeepsText, TObject* ALink) {
  TcxValueDef* def = CreateDef(ATypeClass);
  def->FOwner = nullptr;  // no change notifications while it is set up
  def->SetLink(ALink);
  def->FSlotted = ASlotted;
  def->FKeepsText = AKeepsText;
  def->FOwner = this;
  int32_t offset = 0;
  def->Layout(offset);
  FStorage->OpenSlot(this, Count(), def);
  FItems.push_back(def);
  FStorage->LayoutDefs(this);
  return def;
}

void TcxValueDefs::DeleteAll() {
  while (!FItems.empty()) FItems.back()->Free();
}

void TcxValueDefs::Detach(TcxValueDef* ADef) {
  auto it = std::find(FItems.begin(), FItems.end(), ADef);
  if (it == FItems.end()) return;
  if (FStorage && !FStorage->InDestruction()) FStorage->CloseSlot(this, ADef);
  it = std::find(FItems.begin(), FItems.end(), ADef);
  FItems.erase(it);
  ADef->FOwner = nullptr;
  if (FStorage && !FStorage->InDestruction()) FStorage->LayoutDefs(this);
}

int32_t TcxValueDefs::SlottedCount() const {
  int32_t n = 0;
  for (TcxValueDef* d : FItems)
    if (d->IsSlotted()) ++n;
  return n;
}

TcxValueDef* TcxValueDefs::Defs(int32_t AIndex) const {
  if (FStorage && FStorage->FStreamOrderOpen && this == FStorage->FMainDefs)
    return FStorage->FStreamOrder.at(static_cast<size_t>(AIndex));
  return FItems.at(static_cast<size_t>(AIndex));
}

TcxValueDef* TcxValueDefs::FindByLink(TObject* ALink) const {
  for (TcxValueDef* d : FItems)
    if (d->TcxValueDef::GetLink() == ALink) return d;
  return nullptr;
}

int32_t TcxValueDefs::IndexOf(TcxValueDef* ADef) const {
  auto it = std::find(FItems.begin(), FItems.end(), ADef);
  return it == FItems.end() ? -1 : static_cast<int32_t>(it - FItems.begin());
}

// ---------------------------------------------------------------------------------------------------
// TcxDataStorage

TcxDataStorage::TcxDataStorage() {
  FInternalDefs = New<TcxInternalValueDefs>(this);
  FMainDefs = New<TcxValueDefs>(this);
  LayoutDefs(FInternalDefs);
  LayoutDefs(FMainDefs);
}

TcxDataStorage::~TcxDataStorage() {
  FInDestruction = true;
  for (char*& b : FInternalBuffers) FreeBuffer(b, FInternalDefs);
  for (char*& b : FBuffers) FreeBuffer(b, FMainDefs);
  FInternalBuffers.clear();
  FBuffers.clear();
  FreeAndNil(FMainDefs);
  FreeAndNil(FInternalDefs);
}

void TcxDataStorage::LayoutDefs(TcxValueDefs* ADefs) { ADefs->LayoutAll(HeaderSize()); }

void TcxDataStorage::DefsChanged(TcxValueDef* ADef, TcxValueDefChange AChange) {
  (void)ADef;
  (void)AChange;
}

TcxValueDefs* TcxDataStorage::DefsForRecord(int32_t AIndex) const { return AIndex < 0 ? FInternalDefs : FMainDefs; }

char*& TcxDataStorage::BufferSlot(int32_t AIndex) {
  if (AIndex < 0) return FInternalBuffers.at(static_cast<size_t>(-AIndex - 1));
  return FBuffers.at(static_cast<size_t>(AIndex));
}

char* TcxDataStorage::BufferOf(int32_t AIndex) const {
  if (AIndex < 0) return FInternalBuffers.at(static_cast<size_t>(-AIndex - 1));
  return FBuffers.at(static_cast<size_t>(AIndex));
}

char* TcxDataStorage::NewBuffer(TcxValueDefs* ADefs) const {
  return static_cast<char*>(std::calloc(1, static_cast<size_t>(std::max(ADefs->RecordLength(), 1))));
}

void TcxDataStorage::FreeBuffer(char*& ABuffer, TcxValueDefs* ADefs) {
  if (!ABuffer) return;
  for (TcxValueDef* d : ADefs->FItems) d->ReleaseValue(ABuffer);
  std::free(ABuffer);
  ABuffer = nullptr;
}

char* TcxDataStorage::EnsureBuffer(int32_t AIndex) {
  char*& b = BufferSlot(AIndex);
  if (!b) b = NewBuffer(DefsForRecord(AIndex));
  return b;
}

int32_t TcxDataStorage::AddRecord() {
  FBuffers.push_back(nullptr);
  const int32_t index = RecordCount() - 1;
  if (FRecordIdsOn) AssignMissingIds(index);
  return index;
}

int32_t TcxDataStorage::InsertEmptyRecord(int32_t AIndex) {
  FBuffers.insert(FBuffers.begin() + AIndex, nullptr);
  if (FRecordIdsOn) AssignMissingIds(AIndex);
  return AIndex;
}

void TcxDataStorage::RemoveRecord(int32_t AIndex) {
  if (AIndex < 0) {
    FreeBuffer(BufferSlot(AIndex), FInternalDefs);
    return;
  }
  FreeBuffer(BufferSlot(AIndex), FMainDefs);
  FBuffers.erase(FBuffers.begin() + AIndex);
  ResetIdCounterIfEmpty();
}

void TcxDataStorage::ResizeTo(int32_t ACount) {
  if (ACount < 0) ACount = 0;
  if (ACount > RecordCount()) FBuffers.reserve(static_cast<size_t>(ACount));
  while (RecordCount() < ACount) AddRecord();
  while (RecordCount() > ACount) RemoveRecord(RecordCount() - 1);
}

int32_t TcxDataStorage::NewInternalRecord() {
  int32_t index = 0;
  for (int32_t i = -1; i >= -InternalRecordCount(); --i) {
    char* b = BufferOf(i);
    if (!b || !(b[0] & 1)) {
      index = i;
      break;
    }
  }
  if (index == 0) {
    FInternalBuffers.push_back(nullptr);
    index = -InternalRecordCount();
  }
  EnsureBuffer(index)[0] |= 1;
  return index;
}

void TcxDataStorage::FreeInternalRecord(int32_t AIndex) {
  if (AIndex < 0 && -AIndex <= InternalRecordCount()) FreeBuffer(BufferSlot(AIndex), FInternalDefs);
}

void TcxDataStorage::Reset(bool AKeepInternal) {
  if (!AKeepInternal) DropInternalRecords();
  DropRecords(true);
}

void TcxDataStorage::DropInternalRecords() {
  for (char*& b : FInternalBuffers) FreeBuffer(b, FInternalDefs);
  FInternalBuffers.clear();
  if (OnInternalRecordsCleared.Assigned()) OnInternalRecordsCleared(this);
}

void TcxDataStorage::DropRecords(bool ARemoveEntries) {
  for (char*& b : FBuffers) FreeBuffer(b, FMainDefs);
  if (ARemoveEntries) FBuffers.clear();
  ResetIdCounterIfEmpty();
  if (FRecordIdsOn) AssignMissingIds(-1);
}

bool TcxDataStorage::ResolveDef(int32_t AIndex, TcxValueDef*& ADef) const {
  if (ADef && !ADef->Is<TcxInternalValueDef>() && AIndex < 0) ADef = FInternalDefs->FindByLink(ADef);
  return ADef != nullptr;
}

Variant TcxDataStorage::RecordValue(int32_t AIndex, TcxValueDef* ADef) {
  const char* b = BufferOf(AIndex);
  if (b && ResolveDef(AIndex, ADef) && ADef->IsSlotted()) return ADef->ReadValue(b);
  return Null();
}

void TcxDataStorage::PutRecordValue(int32_t AIndex, TcxValueDef* ADef, const Variant& AValue) {
  char* b = EnsureBuffer(AIndex);
  if (ResolveDef(AIndex, ADef) && ADef->IsSlotted()) ADef->WriteValue(b, AValue);
}

String TcxDataStorage::RecordText(int32_t AIndex, TcxValueDef* ADef) {
  const char* b = BufferOf(AIndex);
  if (b && ResolveDef(AIndex, ADef) && ADef->IsSlotted()) return ADef->ReadText(b);
  return String();
}

void TcxDataStorage::PutRecordText(int32_t AIndex, TcxValueDef* ADef, const String& AText) {
  char* b = EnsureBuffer(AIndex);
  if (ResolveDef(AIndex, ADef) && ADef->HasTextHolder()) ADef->WriteText(b, AText);
}

int32_t TcxDataStorage::CompareRecords(int32_t AIndex1, int32_t AIndex2, TcxValueDef* ADef) {
  const char* b1 = BufferOf(AIndex1);
  const char* b2 = BufferOf(AIndex2);
  if (!b1) return b2 ? -1 : 0;
  if (!b2) return 1;
  TcxValueDef* d1 = ADef;
  TcxValueDef* d2 = ADef;
  if (!ResolveDef(AIndex1, d1) || !ResolveDef(AIndex2, d2)) return 0;
  if (d1 == d2) return d1->CompareInRecords(b1, b2);
  // One side is an internal record: its def mirrors the other at another offset.
  const bool n1 = d1->IsNullAt(b1), n2 = d2->IsNullAt(b2);
  if (n1) return n2 ? 0 : -1;
  if (n2) return 1;
  return d1->TypeClass()->CompareCells(d1->DataOf(b1), d2->DataOf(b2));
}

bool TcxDataStorage::CompareRef(int32_t AIndex, TcxValueDef* ADef, const void*& ARef) {
  ARef = nullptr;
  const char* b = BufferOf(AIndex);
  if (!b || !ResolveDef(AIndex, ADef) || ADef->IsNullAt(b)) return false;
  ARef = ADef->DataOf(b);
  ADef->TypeClass()->CellToRef(ARef);
  return true;
}

int32_t TcxDataStorage::IdOfRecord(int32_t AIndex) {
  int32_t id;
  std::memcpy(&id, EnsureBuffer(AIndex) + 1, 4);
  return id;
}

void TcxDataStorage::AssignRecordId(int32_t AIndex, int32_t AId) { std::memcpy(EnsureBuffer(AIndex) + 1, &AId, 4); }

void TcxDataStorage::AssignMissingIds(int32_t AIndex) {
  if (!FRecordIdsOn) return;
  const int32_t from = AIndex < 0 ? 0 : AIndex;
  const int32_t to = AIndex < 0 ? RecordCount() - 1 : AIndex;
  for (int32_t i = from; i <= to; ++i)
    if (IdOfRecord(i) == 0) AssignRecordId(i, FNextRecordId++);
}

void TcxDataStorage::ResetIdCounterIfEmpty() {
  if (FBuffers.empty()) FNextRecordId = 1;
}

void TcxDataStorage::AdvanceIdCounter(int32_t AId) {
  if (AId >= FNextRecordId) FNextRecordId = AId + 1;
}

void TcxDataStorage::FillRecord(int32_t AIndex, TcxValueDefReader* AReader, bool ANonInternalOnly) {
  char* b = EnsureBuffer(AIndex);
  TcxValueDefs* defs = DefsForRecord(AIndex);
  for (TcxValueDef* d : defs->FItems) {
    if (!d->IsSlotted()) continue;
    if (ANonInternalOnly && AReader->SkipsDef(d)) continue;
    d->WriteValue(b, AReader->ReadDefValue(d));
    if (d->KeepsText()) d->WriteText(b, AReader->ReadDefText(d));
  }
}

void TcxDataStorage::LoadRecord(int32_t AIndex, TStream* AStream) {
  const bool noBuffer = StreamReadBoolean(AStream);
  char*& slot = BufferSlot(AIndex);
  TcxValueDefs* defs = DefsForRecord(AIndex);
  if (noBuffer) {
    FreeBuffer(slot, defs);
    return;
  }
  char* b = EnsureBuffer(AIndex);
  if (FRecordIdsOn) {
    const int32_t id = StreamReadInt32(AStream);
    AssignRecordId(AIndex, id);
    AdvanceIdCounter(id);
  }
  for (int32_t i = 0; i < defs->Count(); ++i) {
    TcxValueDef* d = defs->Defs(i);
    if (!d->Streamed() || !d->IsSlotted()) continue;
    d->LoadFromStream(b, AStream);
    if (d->KeepsText()) d->LoadTextFromStream(b, AStream);
  }
}

void TcxDataStorage::SaveRecord(int32_t AIndex, TStream* AStream) {
  const char* b = BufferOf(AIndex);
  StreamWriteBoolean(AStream, b == nullptr);
  if (!b) return;
  if (FRecordIdsOn) StreamWriteInt32(AStream, IdOfRecord(AIndex));
  TcxValueDefs* defs = DefsForRecord(AIndex);
  for (int32_t i = 0; i < defs->Count(); ++i) {
    TcxValueDef* d = defs->Defs(i);
    if (!d->Streamed() || !d->IsSlotted()) continue;
    d->SaveToStream(b, AStream);
    if (d->KeepsText()) d->SaveTextToStream(b, AStream);
  }
}

void TcxDataStorage::OpenStreamOrder(TcxDataStorageCompareDefs ACompare) {
  FStreamOrder = FMainDefs->FItems;
  std::stable_sort(FStreamOrder.begin(), FStreamOrder.end(),
                   [&](TcxValueDef* a, TcxValueDef* b) { return ACompare(a, b) < 0; });
  FStreamOrderOpen = true;
}

void TcxDataStorage::CloseStreamOrder() {
  FStreamOrder.clear();
  FStreamOrderOpen = false;
}

void TcxDataStorage::SetSlottedOnly(bool AValue) {
  if (FSlottedOnly == AValue) return;
  DropRecords(false);
  FSlottedOnly = AValue;
  LayoutDefs(FMainDefs);
}

void TcxDataStorage::SetRecordIdsOn(bool AValue) {
  if (FRecordIdsOn == AValue) return;
  DropRecords(false);
  FRecordIdsOn = AValue;
  LayoutDefs(FMainDefs);
  LayoutDefs(FInternalDefs);
  AssignMissingIds(-1);
}

void TcxDataStorage::OpenSlot(TcxValueDefs* ADefs, int32_t APosition, TcxValueDef* ADef) {
  const bool isMain = ADefs == FMainDefs;
  if (isMain) FInternalDefs->Add(ADef->TypeClass(), true, ADef->KeepsText(), ADef);
  std::vector<char*>& buffers = isMain ? FBuffers : FInternalBuffers;
  const int32_t slot = ADef->SlotSize();
  if (slot == 0) return;
  const int32_t length = ADefs->RecordLength();
  for (char*& b : buffers) {
    if (!b) continue;
    char* nb = static_cast<char*>(std::realloc(b, static_cast<size_t>(length + slot)));
    if (!nb) throw EOutOfResources("Out of memory");
    b = nb;
    int32_t at = length;
    if (APosition < ADefs->Count()) {
      at = ADefs->FItems[static_cast<size_t>(APosition)]->SlotOffset();
      std::memmove(b + at + slot, b + at, static_cast<size_t>(length - at));
    }
    std::memset(b + at, 0, static_cast<size_t>(slot));
  }
}

void TcxDataStorage::CloseSlot(TcxValueDefs* ADefs, TcxValueDef* ADef) {
  const bool isMain = ADefs == FMainDefs;
  if (isMain) {
    TcxValueDef* internal = FInternalDefs->FindByLink(ADef);
    if (internal) internal->Free();
  }
  if (!ADef->IsSlotted()) return;
  std::vector<char*>& buffers = isMain ? FBuffers : FInternalBuffers;
  const int32_t length = ADefs->RecordLength();
  const int32_t at = ADef->SlotOffset(), slot = ADef->SlotSize();
  const bool onlySlotted = ADefs->SlottedCount() < 2;
  for (char*& b : buffers) {
    if (!b) continue;
    if (onlySlotted) {
      FreeBuffer(b, ADefs);
      continue;
    }
    ADef->ReleaseValue(b);
    std::memmove(b + at, b + at + slot, static_cast<size_t>(length - at - slot));
    char* nb = static_cast<char*>(std::realloc(b, static_cast<size_t>(std::max(length - slot, 1))));
    if (nb) b = nb;
  }
}

// ---------------------------------------------------------------------------------------------------
// TcxLookupList

bool TcxLookupList::Find(const Variant& AValue, int32_t& AIndex) const {
  int32_t l = 0, h = Count() - 1;
  while (l <= h) {
    const int32_t m = (l + h) / 2;
    const int32_t c = CompareVariantValues(FItems[static_cast<size_t>(m)].Value, AValue);
    if (c == 0) {
      AIndex = m;
      return true;
    }
    if (c < 0)
      l = m + 1;
    else
      h = m - 1;
  }
  AIndex = l;
  return false;
}

void TcxLookupList::Insert(int32_t AIndex, const Variant& AValue, const String& AText) {
  FItems.insert(FItems.begin() + AIndex, TcxLookupListItem{AValue, AText});
}
