#pragma once
// Filter criteria: a tree of groups joined by AND / OR / NOT AND / NOT OR whose leaves are conditions on
// an opaque item link (a grid column, a dataset field). Each condition owns the operator object of its
// kind, which evaluates and formats it. The criteria builds the plain text (names, signs, literals) and the
// display text (captions, words, display values) and reads and writes the binary criteria stream, the
// exchange format of filters.
//
// Descendants supply the item side: how a condition reads a record's value and names its item, and how
// item links map to the integer ids of the stream.

#include <cstdint>
#include <vector>

#include "rtl/Components.h"
#include "rtl/Events.h"
#include "rtl/Persistent.h"
#include "rtl/Streams.h"
#include "rtl/Variants.h"

class TcxFilterCriteria;
class TcxFilterCriteriaItem;
class TcxFilterCriteriaItemList;

// Operator kinds of a condition (the stored byte).
using TcxFilterOperatorKind = uint8_t;
enum : TcxFilterOperatorKind {
  foEqual, foNotEqual, foLess, foLessEqual, foGreater, foGreaterEqual, foLike, foNotLike, foBetween,
  foNotBetween, foInList, foNotInList, foYesterday, foToday, foTomorrow, foLastWeek, foLastMonth,
  foLastYear, foThisWeek, foThisMonth, foThisYear, foNextWeek, foNextMonth, foNextYear, foNull, foNotNull
};
inline constexpr int cxFilterOperatorKindCount = 26;

// Boolean operator kinds of a group.
using TcxFilterBoolOperatorKind = uint8_t;
enum : TcxFilterBoolOperatorKind { fboAnd, fboOr, fboNotAnd, fboNotOr };

// Options, one bit each.
enum TcxFilterCriteriaOption : uint8_t {
  fcoCaseInsensitive = 1 << 0,
  fcoShowOperatorDescription = 1 << 1,
  fcoSoftNull = 1 << 2,
  fcoSoftCompare = 1 << 3,
};
using TcxFilterCriteriaOptions = uint8_t;

// Every display word of a filter passes through the hook when one is installed (the editor framework
// installs its translation routine).
using TcxFilterTextHook = void (*)(const String& AText, String& AResult);
extern TcxFilterTextHook FilterTextHook;
void FilterResourceText(const String& AText, String& AResult);
String FilterResourceText(const String& AText);

// Text helpers of the display forms.
void CollapseDoubledChar(String& S, char C);
// 0 none, 1 starts with, 2 ends with, 3 contains; S loses the outer wildcards.
int32_t StripLikeWildcards(String& S, char C);
String NextListToken(const String& S, size_t& APosition);
Variant ParseBetweenText(const String& S);
Variant ParseListText(const String& S);
String ValueDisplayText(const Variant& X);
String BetweenDisplayText(const Variant& APair);
String ListDisplayText(const Variant& AArray);

// Base of groups and conditions. Freeing a node takes it out of its parent.
class TcxCustomFilterCriteriaItem : public TObject {
  RTL_CLASS(TcxCustomFilterCriteriaItem, TObject)
public:
  explicit TcxCustomFilterCriteriaItem(TcxFilterCriteriaItemList* AParent) : FParent(AParent) {}
  void BeforeDestruction() override;

  virtual void Changed();
  virtual TcxFilterCriteria* GetCriteria();
  virtual bool IsItemList() = 0;
  // Descendants that append data of their own to a node's stream record read it here.
  virtual void PrepareOperator(TStream* /*AStream*/) {}
  virtual void WriteData(TStream* AStream);

  TcxFilterCriteriaItemList* Parent() const { return FParent; }

protected:
  friend class TcxFilterCriteria;
  friend class TcxFilterCriteriaItemList;
  TcxFilterCriteriaItemList* FParent;
};

class TcxFilterCriteriaItemList : public TcxCustomFilterCriteriaItem {
  RTL_CLASS(TcxFilterCriteriaItemList, TcxCustomFilterCriteriaItem)
public:
  TcxFilterCriteriaItemList(TcxFilterCriteriaItemList* AParent, TcxFilterBoolOperatorKind ABoolOperatorKind)
      : TcxCustomFilterCriteriaItem(AParent), FGroupOperator(ABoolOperatorKind) {}
  void BeforeDestruction() override;

  TcxFilterCriteria* GetCriteria() override;
  bool IsItemList() override { return true; }
  void WriteData(TStream* AStream) override;
  virtual void RemoveItem(TcxCustomFilterCriteriaItem* AItem);

  TcxFilterCriteriaItem* AddItem(TObject* AItemLink, TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                 const String& ADisplayValue);
  TcxFilterCriteriaItemList* AddItemList(TcxFilterBoolOperatorKind ABoolOperatorKind);
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(FChildren.size()); }
  TcxCustomFilterCriteriaItem* Items(int32_t AIndex) const;
  TcxFilterBoolOperatorKind BoolOperatorKind() const { return FGroupOperator; }
  void SetBoolOperatorKind(TcxFilterBoolOperatorKind AValue);

private:
  friend class TcxFilterCriteria;
  TcxFilterBoolOperatorKind FGroupOperator;
  TcxFilterCriteria* FOwnerCriteria = nullptr;
  std::vector<TcxCustomFilterCriteriaItem*> FChildren;
};

class TcxFilterOperator;

// An operator class: makes the operator object of its class for a condition.
using TcxFilterOperatorClass = TcxFilterOperator* (*)(TcxFilterCriteriaItem* ACondition);
// The class of an operator kind (0 .. 25).
TcxFilterOperatorClass FilterOperatorClass(TcxFilterOperatorKind AKind);
// Null tests in SQL form ("IS" / "IS NOT" instead of "=" / "<>"), for criteria whose plain text goes to
// query datasets; they evaluate as the Null and NotNull operators.
TcxFilterOperatorClass FilterSQLNullOperatorClass();
TcxFilterOperatorClass FilterSQLNotNullOperatorClass();

// A condition. Descendants say how a record's value is read and how the item is named.
class TcxFilterCriteriaItem : public TcxCustomFilterCriteriaItem {
  RTL_CLASS(TcxFilterCriteriaItem, TcxCustomFilterCriteriaItem)
public:
  TcxFilterCriteriaItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink, TcxFilterOperatorKind AOperatorKind,
                        const Variant& AValue, const String& ADisplayValue)
      : TcxCustomFilterCriteriaItem(AParent),
        FDisplayValue(ADisplayValue),
        FItemLink(AItemLink),
        FConditionOperator(AOperatorKind),
        FValue(AValue) {}
  void AfterConstruction() override;
  void BeforeDestruction() override;

  bool IsItemList() override { return false; }
  void WriteData(TStream* AStream) override;

  virtual void GetDataValue(int32_t ARecordIndex, Variant& AValue) = 0;
  virtual String GetDisplayValueText();
  virtual String GetValueText(bool ADisplayForm);
  virtual String GetFieldCaption() = 0;
  // Several names separated by ";" for a key of several fields.
  virtual String GetFieldName() = 0;
  // The class of the stored kind, or Null / NotNull for an (in)equality or (NOT) LIKE against a null
  // value. Descendants may put another class in its place.
  virtual TcxFilterOperatorClass GetOperatorClass();
  virtual TObject* GetItemLink() { return FItemLink; }
  virtual void RecreateOperator();
  bool IsNullValue(const Variant& AValue);
  // A record's value when it is text, read without copying it (nullptr for Null), for operators that
  // test text; false when the item cannot give it that way (GetDataValue is used then).
  virtual bool GetDataText(int32_t ARecordIndex, const String*& AText) {
    (void)ARecordIndex;
    (void)AText;
    return false;
  }
  // The condition's value as PrepareValue makes it, kept while the criteria's options stay the same.
  const Variant& PreparedValue();
  // Tells operators whether a value they are given is the kept prepared value, unchanged since they saw it.
  bool IsPreparedValue(const Variant& AValue, uint32_t AVersion) const {
    return &AValue == &FPreparedValue && FPreparedOptions != -1 && AVersion == FPreparedVersion;
  }
  uint32_t PreparedVersion() const { return FPreparedVersion; }

  const String& DisplayValue() const { return FDisplayValue; }
  TObject* ItemLink() const { return FItemLink; }
  TcxFilterOperator* Operator() const { return FOperatorObject; }
  TcxFilterOperatorKind OperatorKind() const { return FConditionOperator; }
  const Variant& Value() const { return FValue; }

private:
  String FDisplayValue;
  TObject* FItemLink;
  TcxFilterOperator* FOperatorObject = nullptr;
  TcxFilterOperatorKind FConditionOperator;
  Variant FValue;
  Variant FPreparedValue;
  int32_t FPreparedOptions = -1;  // the options and wildcards FPreparedValue was made under; -1: not made
  uint32_t FPreparedVersion = 0;
};

// Evaluates and formats one condition.
class TcxFilterOperator : public TObject {
  RTL_CLASS(TcxFilterOperator, TObject)
public:
  explicit TcxFilterOperator(TcxFilterCriteriaItem* ACondition) : FCondition(ACondition) {}

  virtual String GetExpressionText(const Variant& AValue) { return FormatValue(AValue); }
  virtual String FormatValue(const Variant& AValue);
  virtual void AdjustDisplayValue(String& /*AText*/) {}
  virtual void Prepare() {}
  virtual bool FormatArray(const Variant& /*AValue*/, String& /*AText*/) { return false; }
  virtual bool Matches(const Variant& R, const Variant& C) = 0;
  virtual String DisplayCaption() { return Sign(); }
  virtual String Sign() = 0;
  virtual bool HasDisplayCaption() { return false; }
  virtual bool IsExpression() { return false; }
  virtual bool AcceptsNull() { return false; }
  // Operators that test text may take a record's text without a variant around it.
  virtual bool TestsText() { return false; }
  virtual bool MatchesText(const String& R, const Variant& C) {
    (void)R;
    (void)C;
    return false;
  }

  TcxFilterCriteriaItem* Condition() const { return FCondition; }
  TcxFilterCriteria* Criteria() const { return FCondition->GetCriteria(); }

private:
  TcxFilterCriteriaItem* FCondition;
};

// The operator object of a kind (0 .. 25) for a condition.
inline TcxFilterOperator* CreateFilterOperator(TcxFilterOperatorKind AKind, TcxFilterCriteriaItem* ACondition) {
  return FilterOperatorClass(AKind)(ACondition);
}

// The date periods: the range [RangeStart, RangeEnd) computed from the installed clock's date and the
// regional first day of the week whenever the criteria's changes are flushed.
class TcxFilterDateOperator : public TcxFilterOperator {
  RTL_CLASS(TcxFilterDateOperator, TcxFilterOperator)
public:
  using TcxFilterOperator::TcxFilterOperator;
  bool Matches(const Variant& R, const Variant& C) override;
  String Sign() override { return DisplayCaption(); }
  bool IsExpression() override { return true; }
  void AdjustDisplayValue(String& AText) override { AText.clear(); }
  String GetExpressionText(const Variant& AValue) override;

  TDateTime RangeStart() const { return FRangeStart; }
  TDateTime RangeEnd() const { return FRangeEnd; }

protected:
  TDateTime FRangeStart = 0;
  TDateTime FRangeEnd = 0;
};

class TcxFilterValueList;

class TcxFilterCriteria : public TPersistent {
  RTL_CLASS(TcxFilterCriteria, TPersistent)
  RTL_PUBLISHED_DECL
public:
  TcxFilterCriteria();
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;

  virtual void CheckChanges();
  virtual String ValueToText(const Variant& AValue);
  virtual String DateTimeValueToText(const Variant& AValue);
  // Lets descendants adjust a single value's plain text.
  virtual void DoReserved6(TcxFilterCriteriaItem* /*AItem*/, const Variant& /*AValue*/, String& /*AText*/) {}
  virtual String GetFilterCaption() { return BuildFilterText(true); }
  virtual String BuildFilterText(bool ADisplayForm);
  virtual String GetFilterText() { return BuildFilterText(false); }
  virtual int32_t GetIDByItemLink(TObject* AItemLink) = 0;
  // Makes the condition object of this criteria's kind (not yet a child of the group).
  virtual TcxFilterCriteriaItem* CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                            TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                            const String& ADisplayValue) = 0;
  virtual String GetItemText(TcxFilterCriteriaItem* AItem, bool ADisplayForm);
  virtual String GetItemNameText(TcxFilterCriteriaItem* AItem, bool ADisplayForm);
  virtual String GetItemOperatorText(TcxFilterCriteriaItem* AItem, bool ADisplayForm);
  virtual String GetItemValueText(TcxFilterCriteriaItem* AItem, bool ADisplayForm);
  virtual TObject* GetItemLinkByID(int32_t AID) = 0;
  virtual void PrepareOperators();
  void PrepareValue(const Variant& AValue, Variant& AResult) {
    AResult = AValue;
    PrepareValue(AResult);
  }
  // In place, so that a value that needs no change is not copied (every record passes through here).
  virtual void PrepareValue(Variant& AValue);
  virtual void DoChanged();
  virtual void CopyEvents(TPersistent* ASource);
  virtual void AssignItems(TcxFilterCriteria* ASource);
  virtual TcxFilterCriteriaItem* AddItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                         TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                         const String& ADisplayValue);
  virtual void Changed();
  virtual TcxFilterCriteriaItem* FindItemByItemLink(TObject* AItemLink);
  virtual bool IsEmpty() { return FRootGroup->Count() == 0; }
  virtual void RestoreDefaults();
  virtual bool IsNullValue(const Variant& AValue);
  virtual void ReadData(TStream* AStream);
  virtual void WriteData(TStream* AStream);
  // The class of the distinct-value lists offered for one item.
  virtual TcxFilterValueList* CreateValueListOfClass();
  // The component stream: a wrapper component whose published Filter carries this criteria's published
  // properties and those it defines itself.
  void SaveToStream(TStream* AStream);
  void LoadFromStream(TStream* AStream);

  void BeginUpdate() { ++FUpdateLock; }
  void EndUpdate();
  void CancelUpdate() { --FUpdateLock; }
  void Clear();
  void RemoveItemByItemLink(TObject* AItemLink);
  bool HasCriteriaData() { return FRootGroup->BoolOperatorKind() != fboAnd || FRootGroup->Count() > 0; }
  bool EvaluateRecord(int32_t ARecordIndex);

  TcxFilterCriteriaItemList* Root() const { return FRootGroup; }
  const String& DateTimeFormat() const { return FDateTimeFormat; }
  void SetDateTimeFormat(const String& AValue);
  int32_t MaxValueListCount() const { return FMaxValueListCount; }
  void SetMaxValueListCount(int32_t AValue) { FMaxValueListCount = AValue; }
  TcxFilterCriteriaOptions Options() const { return FOptions; }
  void SetOptions(TcxFilterCriteriaOptions AValue);
  char PercentWildcard() const { return FPercentWildcard; }
  void SetPercentWildcard(char AValue);
  char UnderscoreWildcard() const { return FUnderscoreWildcard; }
  void SetUnderscoreWildcard(char AValue);
  bool SupportedLike() const { return FSupportedLike; }
  void SetSupportedLike(bool AValue) { FSupportedLike = AValue; }
  bool TranslateBetween() const { return FTranslateBetween; }
  void SetTranslateBetween(bool AValue) { FTranslateBetween = AValue; }
  bool TranslateIn() const { return FTranslateIn; }
  void SetTranslateIn(bool AValue) { FTranslateIn = AValue; }

  TNotifyEvent OnChanged;

protected:
  String GroupText(TcxFilterCriteriaItemList* AGroup, bool ADisplayForm);
  bool EvaluateGroup(TcxFilterCriteriaItemList* AGroup, int32_t ARecordIndex);
  bool EvaluateItem(TcxFilterCriteriaItem* AItem, int32_t ARecordIndex);
  void ReadItem(TStream* AStream, TcxFilterCriteriaItemList* AGroup, int32_t ADepth);

private:
  bool FChangePending = false;
  String FDateTimeFormat;
  int32_t FUpdateLock = 0;
  int32_t FMaxValueListCount = 0;
  TcxFilterCriteriaOptions FOptions = 0;
  char FPercentWildcard = '%';
  TcxFilterCriteriaItemList* FRootGroup = nullptr;
  bool FSupportedLike = true;
  bool FTranslateBetween = false;
  bool FTranslateIn = false;
  char FUnderscoreWildcard = '_';
};

// The distinct values offered for filtering one item, in three blocks: recently used values closed by a
// separator, the special entries, then the values in ascending order.
enum TcxFilterValueItemKind : uint8_t {
  fviAll, fviCustom, fviBlanks, fviNonBlanks, fviUser, fviValue, fviMRU, fviMRUSeparator
};

struct TcxFilterValueItem {
  uint8_t ItemKind = fviValue;
  Variant ItemValue;
  String EntryText;
};

class TcxFilterValueList : public TObject {
  RTL_CLASS(TcxFilterValueList, TObject)
public:
  explicit TcxFilterValueList(TcxFilterCriteria* ACriteria) : FCriteria(ACriteria) {}

  virtual int32_t CompareWithItem(int32_t AIndex, const Variant& AValue, const String& ADisplayText);
  virtual void Add(uint8_t AKind, const Variant& AValue, const String& ADisplayText, bool AAppend);
  virtual void Clear() { FItems.clear(); }
  virtual bool Find(const Variant& AValue, const String& ADisplayText, int32_t& AIndex);
  virtual int32_t GetIndexByCriteriaItem(TcxFilterCriteriaItem* AItem);

  const TcxFilterValueItem& GetItem(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  int32_t IndexOfKind(uint8_t AKind) const;
  int32_t SeparatorIndex() const { return IndexOfKind(fviMRUSeparator); }
  int32_t FirstValueIndex() const;
  int32_t CountLimit() const { return FCriteria->MaxValueListCount(); }
  TcxFilterCriteria* Criteria() const { return FCriteria; }
  bool ByDisplayText() const { return FByDisplayText; }
  void SetByDisplayText(bool AValue) { FByDisplayText = AValue; }

private:
  TcxFilterCriteria* FCriteria;
  std::vector<TcxFilterValueItem> FItems;
  bool FByDisplayText = false;
};

// The component the criteria's component stream writes: it only points at the criteria being streamed.
class TFilterWrapper : public TComponent {
  RTL_CLASS(TFilterWrapper, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TFilterWrapper(TComponent* AOwner) : TComponent(AOwner) {}
  TcxFilterCriteria* Filter() const { return FFilter; }
  void SetFilter(TcxFilterCriteria* AValue) { FFilter = AValue; }

private:
  TcxFilterCriteria* FFilter = nullptr;
};

// Nested groups deeper than this in a criteria stream are refused as damaged data.
inline constexpr int32_t cxMaxFilterNesting = 256;
