#pragma once
// Field utilities of the dataset-bound controller and the dataset-bound editors: typed access to field
// values, ";"-separated field-name lists, the tests that decide how a field's value is stored and
// edited, and registries of adapters keyed by dataset class, so that behaviour that depends on the kind of
// dataset can be replaced for a class and its descendants.

#include <cstdint>
#include <vector>

#include "db/DB.h"
#include "rtl/Variants.h"
#include "ui/data/cxDataStorage.h"

class TcxDBFilterOperatorAdapter;

// ---------------------------------------------------------------------------------------------------
// Field utilities

bool CanModifyLookupField(TField* AField);
// A name that is not a valid identifier becomes "[" + name + "]".
void QuoteFieldName(String& AName);
// The name a dataset filter knows the field by: its Origin unless origin is ignored, else its FieldName.
void GetFilterFieldName(TField* AField, bool AIgnoreOrigin, String& AName);
bool IsSameFieldName(const String& A, const String& B);
bool CanEditField(TField* AField, bool AAllowAnyType);
bool NeedsStoredText(TField* AField, bool AForOtherTypes);
bool HasMultipleFieldNames(const String& ANames);
int32_t GetFieldNameCount(const String& ANames);
void SplitFieldNames(const String& ANames, std::vector<String>& AList);
bool IsCurrencyField(TField* AField);
void GetFieldVariant(TField* AField, Variant& AValue);
// No field: Null; one: its value; several: a Variant array 0..n-1 of the values.
void GetFieldValues(TDataSet* ADataSet, const std::vector<TField*>& AFields, Variant& AValue);
void SetFieldValues(TDataSet* ADataSet, const std::vector<TField*>& AFields, const Variant& AValue);
void SetFieldVariant(TField* AField, const Variant& AValue);
TcxValueTypeClass GetValueTypeClassForField(TField* AField);
// Nil for no dataset or when the registry has no entry for the dataset's class (cxDBFilter).
TcxDBFilterOperatorAdapter* GetFilterOperatorAdapter(TDataSet* ADataSet);

// ---------------------------------------------------------------------------------------------------
// Adapter registries

class TcxDBAdapterItem;

// An adapter class: its metaclass and its virtual constructor.
struct TcxDBAdapterItemClassInfo {
  TClass Class;
  TcxDBAdapterItem* (*Create)(TClass ADataSetClass);
};
using TcxDBAdapterItemClass = const TcxDBAdapterItemClassInfo*;

template <class T>
TcxDBAdapterItemClass cxDBAdapterClass() {
  static const TcxDBAdapterItemClassInfo info{T::StaticClass(),
                                              [](TClass ADataSetClass) -> TcxDBAdapterItem* { return New<T>(ADataSetClass); }};
  return &info;
}

class TcxDBAdapterItem : public TObject {
  RTL_CLASS(TcxDBAdapterItem, TObject)
public:
  explicit TcxDBAdapterItem(TClass ADataSetClass) : FRegisteredClass(ADataSetClass) {}
  TClass RegisteredClass() const { return FRegisteredClass; }

private:
  TClass FRegisteredClass;
};

class TcxDBAdapterList : public TObject {
  RTL_CLASS(TcxDBAdapterList, TObject)
public:
  ~TcxDBAdapterList() override;
  // The most derived entry whose class is the dataset class or an ancestor of it. While scanning, AIndex
  // also takes the position of each entry registered for a descendant (the insert place of a more general
  // entry).
  virtual bool Find(TClass ADataSetClass, int32_t& AIndex);
  virtual void RegisterAdapter(TClass ADataSetClass, TcxDBAdapterItemClass AAdapterClass);
  virtual void UnregisterAdapter(TClass ADataSetClass, TcxDBAdapterItemClass AAdapterClass);
  TcxDBAdapterItem* GetAdapter(int32_t AIndex) const { return FAdapters.at(static_cast<size_t>(AIndex)); }
  int32_t Count() const { return static_cast<int32_t>(FAdapters.size()); }
  void Clear();

private:
  std::vector<TcxDBAdapterItem*> FAdapters;
};
