// Summaries: footer values over the filtered records, one value array per group, their texts, and the
// collections of summary items that views edit.
#include <cmath>
#include <cstdint>

#include "rtl/DateTime.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxCustomData.h"
#include "ui/data/cxDataUtils.h"
#include "ui/data/detail/cxScopeGuard.h"

namespace cxdata {
// Variant addition of Integer, Int64 and Double values without the general dispatch, by the same rules
// (two Integers stay an Integer while the sum fits, an Int64 makes an Int64, a Double a Double); false
// for any other pair and for an Int64 overflow, which the general addition reports.
bool AddNumbers(Variant& AAccumulator, const Variant& AValue) {
  const TVarType a = VarType(AAccumulator), b = VarType(AValue);
  const bool intA = a == varInteger || a == varInt64, intB = b == varInteger || b == varInt64;
  if (intA && intB) {
    int64_t sum;
    if (__builtin_add_overflow(AAccumulator.RawData().i64, AValue.RawData().i64, &sum)) return false;
    Variant::Data d;
    d.i64 = sum;
    const bool narrow = a == varInteger && b == varInteger && sum >= INT32_MIN && sum <= INT32_MAX;
    AAccumulator.SetRaw(narrow ? varInteger : varInt64, d);
    return true;
  }
  if ((intA || a == varDouble) && (intB || b == varDouble)) {
    Variant::Data d;
    d.d = (intA ? static_cast<double>(AAccumulator.RawData().i64) : AAccumulator.RawData().d) +
          (intB ? static_cast<double>(AValue.RawData().i64) : AValue.RawData().d);
    AAccumulator.SetRaw(varDouble, d);
    return true;
  }
  return false;
}
}  // namespace cxdata

// ---------------------------------------------------------------------------------------------------
// Items

TObject* TcxCustomDataSummaryItem::ItemLink() const { return FField ? FField->Item() : nullptr; }

void TcxCustomDataSummaryItem::SetItemLink(TObject* AItem) {
  if (ItemLink() == AItem) return;
  TCollection* collection = Collection();
  if (collection) collection->BeginUpdate();
  cxdata::ScopeGuard unlock{[collection] {
    if (collection) collection->EndUpdate();
  }};
  TcxCustomDataController* dc = GetDataController();
  TcxCustomDataField* field = AItem && dc ? dc->Fields()->FindByItem(AItem) : nullptr;
  BeforeFieldChange(field);
  FField = field;
  Changed(true);
}

void TcxCustomDataSummaryItem::Assign(TPersistent* ASource) {
  if (auto* source = dynamic_cast<TcxCustomDataSummaryItem*>(ASource)) {
    TcxCustomDataController* dc = GetDataController();
    TObject* link = source->ItemLink();
    SetItemLink(link && dc && source->GetDataController() ? dc->FindItemByID(source->GetDataController()->GetItemID(link))
                                                          : nullptr);
  } else {
    TCollectionItem::Assign(ASource);
  }
}

TcxDataSummaryItems* TcxDataSummaryItem::SummaryItems() const { return static_cast<TcxDataSummaryItems*>(Collection()); }

TcxCustomDataController* TcxDataSummaryItem::GetDataController() {
  TcxDataSummaryItems* items = SummaryItems();
  return items ? items->Summary()->DataController() : nullptr;
}

void TcxDataSummaryItem::BeforeDestruction() {
  TcxDataSummaryItems* items = SummaryItems();
  if (items) {
    TcxDataGroups* groups = items->Summary()->DataController()->DataControllerInfo()
                                ? items->Summary()->DataController()->DataControllerInfo()->DataGroups()
                                : nullptr;
    // A group order by this item ends with it.
    if (groups && groups->OrderingSummaryIndex == Index() && !items->IsFooterPosition(this)) groups->OrderingSummaryIndex = -1;
  }
  TcxCustomDataSummaryItem::BeforeDestruction();
}

void TcxDataSummaryItem::Assign(TPersistent* ASource) {
  if (auto* source = dynamic_cast<TcxDataSummaryItem*>(ASource)) {
    TCollection* collection = Collection();
    if (collection) collection->BeginUpdate();
    cxdata::ScopeGuard unlock{[collection] {
      if (collection) collection->EndUpdate();
    }};
    TcxCustomDataSummaryItem::Assign(source);
    SetFormat(source->Format());
    SetKind(source->Kind());
    SetPosition(source->Position());
    OnGetText = source->OnGetText;
  } else {
    TcxCustomDataSummaryItem::Assign(ASource);
  }
}

void TcxDataSummaryItem::SetFormat(const String& AValue) {
  if (FFormat == AValue) return;
  FFormat = AValue;
  Changed(false);
}

void TcxDataSummaryItem::SetKind(TcxSummaryKind AValue) {
  if (FKind == AValue) return;
  FKind = AValue;
  Changed(true);
}

TcxSummaryPosition TcxDataSummaryItem::Position() {
  TcxDataSummaryItems* items = SummaryItems();
  if (!items) return FPosition;
  return items->IsFooterPosition(this) ? spFooter : spGroup;
}

void TcxDataSummaryItem::SetPosition(TcxSummaryPosition AValue) {
  if (FPosition == AValue) return;
  FPosition = AValue;
  Changed(false);
}

bool TcxDataSummaryItem::CanCalculate() { return GetDataField() != nullptr || (FKind == skCount && Position() == spGroup); }

String TcxDataSummaryItem::FormatValue(const Variant& AValue, bool AIsFooter) {
  String text;
  if (VarIsNull(AValue)) {
    text.clear();
  } else if (FKind == skNone) {
    text = VarToStr(AValue);
  } else {
    const TVarType type = VarType(AValue);
    String format = FFormat;
    if (format.empty()) {
      const int32_t valueKind = IsCurrency(type) ? 1 : (type == varDate ? 2 : 0);
      format = SummaryItems()->GetDefaultFormat(valueKind, FKind, AIsFooter);
    }
    if (type != varDate || FKind == skCount) {
      text = FormatFloat(format, AValue.AsDouble());
    } else {
      const TDateTime dt = VarToDateTime(AValue);
      const double whole = std::trunc(dt);
      if (dt == whole)
        text = format + DateToStr(dt);
      else if (whole == 0)
        text = format + TimeToStr(dt);
      else
        text = format + DateTimeToStr(dt);
    }
  }
  if (OnGetText.Assigned()) OnGetText(this, AValue, AIsFooter, text);
  return text;
}

// ---------------------------------------------------------------------------------------------------
// Collections

TPersistent* TcxDataSummaryItems::GetOwner() { return FSummary; }

void TcxDataSummaryItems::Update(TCollectionItem* AItem) {
  TCollection::Update(AItem);
  // A changed item only repaints (format, position); a change of the whole collection recalculates.
  FSummary->Changed(AItem != nullptr);
}

void TcxDataSummaryItems::Assign(TPersistent* ASource) {
  TCollection::Assign(ASource);
  if (auto* source = dynamic_cast<TcxDataSummaryItems*>(ASource)) CopyEvents(source);
}

bool TcxDataSummaryItems::IsFooterPosition(TcxDataSummaryItem* AItem) {
  // The stored position, read without asking the collection again.
  return AItem->StoredPosition() == spFooter;
}

bool TcxDataSummaryItems::IsItemPositionStored(TcxDataSummaryItem* AItem) { return AItem->Position() != spGroup; }

TcxDataSummaryItem* TcxDataSummaryItems::FindItemByItemIndex(int32_t AItemIndex, TcxSummaryPosition APosition) {
  TcxCustomDataController* dc = FSummary->DataController();
  dc->CheckItemRange(AItemIndex);
  TcxCustomDataField* field = dc->Fields(AItemIndex);
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->Field() == field && Items(i)->Position() == APosition) return Items(i);
  return nullptr;
}

bool TcxDataSummaryItems::IsEmptySummary(int32_t AFlags, const String& AFormat, TcxSummaryKind AKind) {
  return !(((AFlags & 1) && !AFormat.empty()) || ((AFlags & 2) && AKind != skNone));
}

TcxDataSummaryItem* TcxDataSummaryItems::Add(TObject* AItemLink, TcxSummaryPosition APosition, TcxSummaryKind AKind,
                                             const String& AFormat) {
  BeginUpdate();
  cxdata::ScopeGuard unlock{[this] { EndUpdate(); }};
  TcxDataSummaryItem* item = Add();
  item->SetItemLink(AItemLink);
  item->SetPosition(APosition);
  item->SetKind(AKind);
  item->SetFormat(AFormat);
  return item;
}

String TcxDataSummaryItems::GetItemFormat(int32_t AItemIndex, TcxSummaryPosition APosition) {
  TcxDataSummaryItem* item = FindItemByItemIndex(AItemIndex, APosition);
  return item ? item->Format() : String();
}

TcxSummaryKind TcxDataSummaryItems::GetItemKind(int32_t AItemIndex, TcxSummaryPosition APosition) {
  TcxDataSummaryItem* item = FindItemByItemIndex(AItemIndex, APosition);
  return item ? item->Kind() : skNone;
}

void TcxDataSummaryItems::SetItemFormat(int32_t AItemIndex, TcxSummaryPosition APosition, const String& AValue) {
  TcxDataSummaryItem* item = FindItemByItemIndex(AItemIndex, APosition);
  if (!item) {
    if (AValue.empty()) return;
    item = Add(FSummary->DataController()->GetItem(AItemIndex), APosition, skNone);
  }
  item->SetFormat(AValue);
  if (IsEmptySummary(3, item->Format(), item->Kind())) item->Free();
}

void TcxDataSummaryItems::SetItemKind(int32_t AItemIndex, TcxSummaryPosition APosition, TcxSummaryKind AValue) {
  TcxDataSummaryItem* item = FindItemByItemIndex(AItemIndex, APosition);
  if (!item) {
    if (AValue == skNone) return;
    item = Add(FSummary->DataController()->GetItem(AItemIndex), APosition, skNone);
  }
  item->SetKind(AValue);
  if (IsEmptySummary(3, item->Format(), item->Kind())) item->Free();
}

String TcxDataSummaryItems::GetDefaultFormat(int32_t AValueKind, TcxSummaryKind AKind, bool AIsFooter) {
  if (AKind == skNone) return String();
  // Rows: sum, min, max, count, average; columns: currency, date, other.
  static const char* const group[5][3] = {{"SUM=%s;SUM=-%s", "SUM=", "SUM=0.00;SUM=-0.00"},
                                          {"MIN=%s;MIN=-%s", "MIN=", "MIN=0.00;MIN=-0.00"},
                                          {"MAX=%s;MAX=-%s", "MAX=", "MAX=0.00;MAX=-0.00"},
                                          {"COUNT=0", "COUNT=0", "COUNT=0"},
                                          {"AVG=%s;AVG=-%s", "AVG=", "AVG=0.00;AVG=-0.00"}};
  static const char* const footer[5][3] = {{"%s;-%s", "", "0.00;-0.00"},
                                           {"MIN=%s;MIN=-%s", "MIN=", "MIN=0.00;MIN=-0.00"},
                                           {"MAX=%s;MAX=-%s", "MAX=", "MAX=0.00;MAX=-0.00"},
                                           {"0", "0", "0"},
                                           {"AVG=%s;AVG=-%s", "AVG=", "AVG=0.00;AVG=-0.00"}};
  const int32_t column = AValueKind == 1 ? 0 : (AValueKind == 2 ? 1 : 2);
  String format = (AIsFooter ? footer : group)[AKind - 1][column];
  if (AValueKind == 1) {
    const String number = CurrencyNumberFormat();
    format = ::Format(format, {number, number});
  }
  return format;
}

// Group items: texts around the pieces.

TPersistent* TcxDataGroupSummaryItems::GetOwner() {
  return FSummaryGroup ? static_cast<TPersistent*>(FSummaryGroup) : static_cast<TPersistent*>(Summary());
}

void TcxDataGroupSummaryItems::Assign(TPersistent* ASource) {
  TcxDataSummaryItems::Assign(ASource);
  if (auto* source = dynamic_cast<TcxDataGroupSummaryItems*>(ASource)) {
    SetBeginText(source->BeginText());
    SetEndText(source->EndText());
    SetSeparator(source->Separator());
  }
}

void TcxDataGroupSummaryItems::TextChanged() { Summary()->Changed(true); }

void TcxDataGroupSummaryItems::SetBeginText(const String& AValue) {
  if (FBeginText == AValue) return;
  FBeginText = AValue;
  TextChanged();
}

void TcxDataGroupSummaryItems::SetEndText(const String& AValue) {
  if (FEndText == AValue) return;
  FEndText = AValue;
  TextChanged();
}

void TcxDataGroupSummaryItems::SetSeparator(const String& AValue) {
  if (FSeparator == AValue) return;
  FSeparator = AValue;
  TextChanged();
}

String TcxDataGroupSummaryItems::GetGroupSummaryText(const TcxDataSummaryValues& AValues) {
  String text;
  for (int32_t i = 0; i < Count(); ++i) {
    TcxDataSummaryItem* item = Items(i);
    if (item->Position() != spGroup) continue;
    const Variant value = i < static_cast<int32_t>(AValues.size()) ? AValues[static_cast<size_t>(i)] : Variant();
    const String piece = item->FormatValue(value, false);
    if (text.empty())
      text = piece;
    else
      text += FSeparator + " " + piece;
  }
  if (!text.empty()) {
    if (!FBeginText.empty()) text = FBeginText + text;
    if (!FEndText.empty()) text += FEndText;
  }
  return text;
}

// Summary groups and their links.

TcxCustomDataController* TcxDataSummaryGroupItemLink::GetDataController() {
  auto* links = static_cast<TcxDataSummaryGroupItemLinks*>(Collection());
  return links ? links->SummaryGroup()->Summary()->DataController() : nullptr;
}

void TcxDataSummaryGroupItemLink::BeforeFieldChange(TcxCustomDataField* AField) {
  if (!AField) return;
  auto* links = static_cast<TcxDataSummaryGroupItemLinks*>(Collection());
  if (!links) return;
  TcxDataSummaryGroups* groups = links->SummaryGroup()->SummaryGroups();
  groups->BeginUpdate();
  cxdata::ScopeGuard unlock{[groups] { groups->EndUpdate(); }};
  // A grouping item belongs to one summary group at most.
  for (int32_t g = 0; g < groups->Count(); ++g) {
    TcxDataSummaryGroupItemLinks* other = groups->Items(g)->Links();
    for (int32_t i = 0; i < other->Count(); ++i)
      if (other->Items(i) != this && other->Items(i)->Field() == AField) {
        other->Items(i)->SetField(nullptr);
      }
  }
}

TPersistent* TcxDataSummaryGroupItemLinks::GetOwner() { return FSummaryGroup; }

void TcxDataSummaryGroupItemLinks::Update(TCollectionItem* AItem) {
  TCollection::Update(AItem);
  FSummaryGroup->Summary()->Changed(false);
}

int32_t TcxDataSummaryGroupItemLinks::IndexOfItemLink(TObject* AItem) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->ItemLink() == AItem) return i;
  return -1;
}

int32_t TcxDataSummaryGroupItemLinks::IndexOfField(TcxCustomDataField* AField) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->Field() == AField) return i;
  return -1;
}

TcxDataSummaryGroupItemLink* TcxDataSummaryGroupItemLinks::FindByField(TcxCustomDataField* AField) const {
  const int32_t i = IndexOfField(AField);
  return i >= 0 ? Items(i) : nullptr;
}

TcxDataSummaryGroup::TcxDataSummaryGroup(TCollection* ACollection)
    : TCollectionItem(ACollection),
      FSummaryItems(New<TcxDataGroupSummaryItems>(static_cast<TcxDataSummaryGroups*>(ACollection)->Summary(),
                                                   static_cast<TcxDataSummaryGroups*>(ACollection)->Summary()->GetSummaryItemClass(),
                                                   this)) {}

TcxDataSummaryGroups* TcxDataSummaryGroup::SummaryGroups() const { return static_cast<TcxDataSummaryGroups*>(Collection()); }

TcxDataSummary* TcxDataSummaryGroup::Summary() const { return FSummaryItems->Summary(); }

TcxDataSummaryGroupItemLinks* TcxDataSummaryGroup::Links() {
  if (!FLinks) FLinks = New<TcxDataSummaryGroupItemLinks>(this, Summary()->GetSummaryGroupItemLinkClass());
  return FLinks;
}

void TcxDataSummaryGroup::BeforeDestruction() {
  TCollectionItem::BeforeDestruction();
  FreeAndNil(FLinks);
  FreeAndNil(FSummaryItems);
}

void TcxDataSummaryGroup::Assign(TPersistent* ASource) {
  if (auto* source = dynamic_cast<TcxDataSummaryGroup*>(ASource)) {
    Links()->Assign(source->Links());
    FSummaryItems->Assign(source->SummaryItems());
  } else {
    TCollectionItem::Assign(ASource);
  }
}

TPersistent* TcxDataSummaryGroups::GetOwner() { return FSummary; }

void TcxDataSummaryGroups::Update(TCollectionItem* AItem) {
  TCollection::Update(AItem);
  FSummary->Changed(false);
}

TcxDataSummaryGroup* TcxDataSummaryGroups::FindSummaryGroupByItem(TObject* AItem) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->Links()->IndexOfItemLink(AItem) != -1) return Items(i);
  return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// The summary

void TcxDataSummary::AfterConstruction() {
  TPersistent::AfterConstruction();
  FDefaultGroupSummaryItems = New<TcxDataGroupSummaryItems>(this, GetSummaryItemClass(), nullptr);
  FFooterSummaryItems = New<TcxDataFooterSummaryItems>(this, GetSummaryItemClass());
  FSummaryGroups = New<TcxDataSummaryGroups>(this);
}

TCollectionItemClass TcxDataSummary::GetSummaryGroupItemLinkClass() { return FDataController->GetSummaryGroupItemLinkClass(); }

TCollectionItemClass TcxDataSummary::GetSummaryItemClass() { return FDataController->GetSummaryItemClass(); }

void TcxDataSummary::BeforeDestruction() {
  FDestroying = true;
  FreeAndNil(FSummaryGroups);
  FreeAndNil(FFooterSummaryItems);
  FreeAndNil(FDefaultGroupSummaryItems);
  TPersistent::BeforeDestruction();
}

void TcxDataSummary::Assign(TPersistent* ASource) {
  auto* source = dynamic_cast<TcxDataSummary*>(ASource);
  if (!source) {
    TPersistent::Assign(ASource);
    return;
  }
  BeginUpdate();
  cxdata::ScopeGuard unlock{[this] { EndUpdate(); }};
  FDefaultGroupSummaryItems->Assign(source->DefaultGroupSummaryItems());
  FFooterSummaryItems->Assign(source->FooterSummaryItems());
  FSummaryGroups->Assign(source->SummaryGroups());
  SetOptions(source->Options);
  CopyEvents(source);
}

void TcxDataSummary::BeginUpdate() {
  FDataController->LockInfo();
  ++FLockCount;
}

void TcxDataSummary::EndUpdate() {
  --FLockCount;
  Changed(false);
  FDataController->UnlockInfo();
}

void TcxDataSummary::CancelUpdate() {
  FDataController->UnlockInfo();
  --FLockCount;
}

void TcxDataSummary::Changed(bool AOneItem) {
  if (FInAfterSummary || FLockCount > 0) return;
  UpdateController(AOneItem);
}

void TcxDataSummary::UpdateController(bool AOneItem) {
  if (FDestroying || !FDataController->DataControllerInfo()) return;
  FDataController->LockInfo();
  cxdata::ScopeGuard unlock{[this] { FDataController->UnlockInfo(); }};
  FDataController->MarkInfoChanged(AOneItem);
}

void TcxDataSummary::SetOptions(TcxSummaryOptions AValue) {
  if (Options == AValue) return;
  Options = AValue;
  Changed(false);
}

void TcxDataSummary::RemoveFieldSummaries(TcxCustomDataField* AField) {
  if (FDestroying) return;
  BeginUpdate();
  bool changed = false;
  auto clear = [&](TCollection* items) {
    for (int32_t i = 0; i < items->Count(); ++i) {
      auto* item = static_cast<TcxCustomDataSummaryItem*>(items->Items(i));
      if (item->Field() == AField) {
        item->SetField(nullptr);
        changed = true;
      }
    }
  };
  try {
    clear(FFooterSummaryItems);
    clear(FDefaultGroupSummaryItems);
    for (int32_t g = 0; g < FSummaryGroups->Count(); ++g) {
      clear(FSummaryGroups->Items(g)->SummaryItems());
      clear(FSummaryGroups->Items(g)->Links());
    }
  } catch (...) {
    CancelUpdate();
    throw;
  }
  changed ? EndUpdate() : CancelUpdate();
}

int32_t TcxDataSummary::GetSummaryRecordIndex(int32_t APosition) {
  TcxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  const int32_t r = info->GetRecordListItem(APosition);
  if (!Options.Contains(soSelectedRecords)) return r;
  if (FDataController->GetMultiSelect()) return info->GetSelection()->IsRecordSelected(r) ? r : -1;
  return r == FDataController->GetFocusedRecordIndex() ? r : -1;
}

void TcxDataSummary::PrepareValues(TcxDataSummaryItems* AItems, TcxDataSummaryValues& AValues,
                                   TcxDataSummaryCountValues& ACounts) {
  const size_t n = static_cast<size_t>(AItems->Count());
  AValues.assign(n, Variant());
  ACounts.assign(n, 0);
}

void TcxDataSummary::AccumulateValue(TcxDataSummaryItem* AItem, int32_t ARecordIndex, int32_t& ACount, Variant& AValue) {
  if (!AItem->CanCalculate()) return;
  // A plain count needs no value: every record counts, Nulls included.
  if (AItem->Kind() == skCount && !Options.Contains(soNullIgnore) && !AItem->SummaryItems()->OnSummary.Assigned()) {
    ++ACount;
    return;
  }
  TcxCustomDataField* field = AItem->GetDataField();
  Variant v = field ? FDataController->GetFieldValue(ARecordIndex, field) : Variant(Null());
  bool done = false;
  TcxDataSummaryItems* items = AItem->SummaryItems();
  if (items->OnSummary.Assigned()) {
    TcxSummaryEventArguments args{ARecordIndex, AItem};
    TcxSummaryEventOutArguments out{v, AValue, ACount, false};
    items->OnSummary(items, args, out);
    AValue = out.SummaryValue;
    ACount = out.CountValue;
    v = out.Value;
    done = out.Done;
  }
  const TcxSummaryKind kind = AItem->Kind();
  const bool isNull = VarIsNull(v);
  if (done || kind == skNone || (Options.Contains(soNullIgnore) && isNull)) return;
  if (VarIsEmpty(AValue)) {
    if (kind != skCount && !(isNull && (kind == skMin || kind == skMax))) {
      AValue = v;
      if (isNull && (kind == skSum || kind == skAverage)) AValue = Variant(int32_t(0));
    }
  } else if (!isNull && !VarIsNull(AValue)) {
    switch (kind) {
      case skSum:
      case skAverage: {
        if (cxdata::AddNumbers(AValue, v)) break;
        // Dates add up to a date, so that their average is one.
        const bool isDate = VarType(AValue) == varDate;
        AValue = AValue + v;
        if (isDate && VarType(AValue) != varDate) AValue = VarFromDateTime(AValue.AsDouble());
        break;
      }
      case skMin:
        if (v < AValue) AValue = v;
        break;
      case skMax:
        if (v > AValue) AValue = v;
        break;
      default: break;
    }
  }
  ++ACount;
}

void TcxDataSummary::CalculateRecordRange(TcxDataSummaryItems* AItems, TcxDataSummaryValues& AValues,
                                          TcxDataSummaryCountValues& ACounts, int32_t AFrom, int32_t ATo) {
  const int32_t n = AItems->Count();
  if (n == 0) return;
  std::vector<TcxDataSummaryItem*> items(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) items[static_cast<size_t>(i)] = AItems->Items(i);
  // The records' buffers are asked for a few positions ahead (see the row view's filtering).
  TcxDataStorage* storage = FDataController->IsProviderMode() || FDataController->IsGridMode() ? nullptr
                                                                                                : FDataController->DataStorage();
  const std::vector<int32_t>& list = FDataController->DataControllerInfo()->RecordList();
  constexpr int32_t kAhead = 16;
  for (int32_t p = AFrom; p <= ATo; ++p) {
    if (storage && p + kAhead <= ATo) __builtin_prefetch(storage->BufferOf(list[static_cast<size_t>(p + kAhead)]));
    const int32_t r = GetSummaryRecordIndex(p);
    if (r == -1) continue;
    for (int32_t i = 0; i < n; ++i)
      AccumulateValue(items[static_cast<size_t>(i)], r, ACounts[static_cast<size_t>(i)], AValues[static_cast<size_t>(i)]);
  }
}

void TcxDataSummary::CalculateFinalValue(TcxDataSummaryItem* AItem, Variant& AValue, int32_t ACount) {
  if (!AItem->CanCalculate()) return;
  if (VarIsEmpty(AValue)) AValue = Null();
  if (AItem->Kind() == skCount) {
    AValue = Variant(ACount);
  } else if (AItem->Kind() == skAverage && ACount > 0 && !VarIsNull(AValue)) {
    const bool isDate = VarType(AValue) == varDate;
    AValue = AValue / Variant(ACount);
    if (isDate) AValue = VarFromDateTime(AValue.AsDouble());
  }
}

void TcxDataSummary::FinishValues(TcxDataSummaryItems* AItems, const TcxDataSummaryCountValues& ACounts,
                                  TcxDataSummaryValues& AResult, TcxDataSummaryValues& AValues) {
  for (int32_t i = 0; i < AItems->Count(); ++i)
    CalculateFinalValue(AItems->Items(i), AValues[static_cast<size_t>(i)], ACounts[static_cast<size_t>(i)]);
  AResult = AValues;
}

void TcxDataSummary::CalculateFooterSummary() {
  TcxDataSummaryValues values;
  TcxDataSummaryCountValues counts;
  PrepareValues(FFooterSummaryItems, values, counts);
  if (!FDataController->IsGridMode())
    CalculateRecordRange(FFooterSummaryItems, values, counts, 0,
                         FDataController->DataControllerInfo()->GetRecordListCount() - 1);
  FinishValues(FFooterSummaryItems, counts, FFooterSummaryValues, values);
}

void TcxDataSummary::CalculateGroupSummary() {
  TcxDataGroups* groups = FDataController->DataControllerInfo()->DataGroups();
  const int32_t levels = groups->LevelCount();
  for (int32_t level = 0; level < levels; ++level) {
    TcxDataGroupSummaryItems* items = GetGroupSummaryItems(level);
    TcxDataSummaryValues values;
    TcxDataSummaryCountValues counts;
    int32_t current = -1;
    for (int32_t g = 0; g < groups->Count(); ++g) {
      const TcxDataGroupInfo& info = groups->Items(g);
      if (info.Level == level) {
        if (current != -1) FinishValues(items, counts, groups->Items(current).SummaryValues, values);
        PrepareValues(items, values, counts);
        current = g;
      }
      if (info.Level == levels - 1 && current != -1)
        CalculateRecordRange(items, values, counts, info.FirstIndex, info.LastIndex);
    }
    if (current != -1) FinishValues(items, counts, groups->Items(current).SummaryValues, values);
  }
  if (groups->OrderingSummaryIndex != -1 && levels == 1) groups->SortBySummary();
}

void TcxDataSummary::DoAfterSummary() {
  if (!OnAfterSummary.Assigned()) return;
  if (FDataController->IsLoading()) {
    FDataController->SetAfterSummaryPending(true);
    return;
  }
  FDataController->SetAfterSummaryPending(false);
  if (FDataController->IsPattern()) return;
  FInAfterSummary = true;
  cxdata::ScopeGuard reset{[this] { FInAfterSummary = false; }};
  OnAfterSummary(this);
}

Variant TcxDataSummary::GetFooterSummaryValue(int32_t AIndex) {
  return IsValidArrayIndex(FFooterSummaryValues, AIndex) ? FFooterSummaryValues[static_cast<size_t>(AIndex)] : Variant(Null());
}

String TcxDataSummary::GetFooterSummaryText(int32_t AIndex) {
  return FFooterSummaryItems->Items(AIndex)->FormatValue(GetFooterSummaryValue(AIndex), true);
}

const TcxDataSummaryValues* TcxDataSummary::GetGroupSummaryValues(int32_t AGroupIndex) {
  if (AGroupIndex < 0) return nullptr;
  return &FDataController->DataControllerInfo()->DataGroups()->Items(AGroupIndex).SummaryValues;
}

TcxDataGroupSummaryItems* TcxDataSummary::GetGroupSummaryItems(int32_t ALevel) {
  TcxDataGroups* groups = FDataController->DataControllerInfo()->DataGroups();
  if (ALevel < 0 || ALevel >= groups->LevelCount()) return nullptr;
  TcxCustomDataField* field = groups->Fields(ALevel);
  for (int32_t g = 0; g < FSummaryGroups->Count(); ++g)
    if (FSummaryGroups->Items(g)->Links()->IndexOfField(field) != -1) return FSummaryGroups->Items(g)->SummaryItems();
  return FDefaultGroupSummaryItems;
}

String TcxDataSummary::GetGroupSummaryText(int32_t ARow) {
  TcxDataGroups* groups = FDataController->DataControllerInfo()->DataGroups();
  int32_t groupIndex = -1;
  if (groups->FindByRowIndex(ARow, groupIndex) == -1 || groupIndex < 0) return String();
  const TcxDataGroupInfo& info = groups->Items(groupIndex);
  if (info.RowIndex != ARow) return String();
  TcxDataGroupSummaryItems* items = GetGroupSummaryItems(info.Level);
  if (!items || info.SummaryValues.empty()) return String();
  return items->GetGroupSummaryText(info.SummaryValues);
}

int32_t TcxDataSummary::GetGroupFooterItemIndex(int32_t ALevel, TObject* AItem) {
  TcxDataGroupSummaryItems* items = GetGroupSummaryItems(ALevel);
  if (!items) return -1;
  for (int32_t i = 0; i < items->Count(); ++i)
    if (items->Items(i)->Position() == spFooter && items->Items(i)->ItemLink() == AItem) return i;
  return -1;
}

String TcxDataSummary::GetGroupFooterSummaryText(int32_t ARow, int32_t ALevel, int32_t AIndex) {
  TcxDataGroups* groups = FDataController->DataControllerInfo()->DataGroups();
  const int32_t groupIndex = groups->GroupIndexByRowIndex(ARow, ALevel);
  if (groupIndex < 0) return String();
  const TcxDataSummaryValues& values = groups->Items(groupIndex).SummaryValues;
  TcxDataGroupSummaryItems* items = GetGroupSummaryItems(ALevel);
  if (!items || !IsValidArrayIndex(values, AIndex) || AIndex >= items->Count()) return String();
  return items->Items(AIndex)->FormatValue(values[static_cast<size_t>(AIndex)], true);
}
