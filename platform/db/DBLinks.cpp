// Data sources, data links and parameters.
#include <algorithm>

#include "db/DB.h"
#include "rtl/SysUtils.h"

// ---------------------------------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() = default;

void TDataSource::BeforeDestruction() {
  Destroying();
  while (!FDataLinks.empty()) FDataLinks.back()->SetDataSource(nullptr);
  SetDataSet(nullptr);
  TComponent::BeforeDestruction();
}

void TDataSource::SetDataSet(TDataSet* value) {
  if (value == FDataSet) return;
  if (value && value->IsLinkedTo(this)) DatabaseError("Circular datalinks are not allowed", this);
  if (FDataSet) {
    FDataSet->RemoveFreeNotification(this);
    FDataSet->RemoveDataSource(this);
  }
  FDataSet = value;
  if (value) {
    value->FreeNotification(this);
    value->AddDataSource(this);
  }
  UpdateState();
}

void TDataSource::SetEnabled(bool v) {
  FEnabled = v;
  UpdateState();
}

void TDataSource::Edit() {
  if (FAutoEdit && FState == dsBrowse && FDataSet) FDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
  for (TDataLink* link : FDataLinks) {
    if (auto* detail = dynamic_cast<TDetailDataLink*>(link)) {
      TDataSet* d = detail->DetailDataSet();
      if (d == dataSet) return true;
      if (d && d->DataSourceCount() > 0)
        for (TDataSource* ds : d->FDataSources)
          if (ds->IsLinkedTo(dataSet)) return true;
    }
  }
  return false;
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FDataSet) SetDataSet(nullptr);
}

void TDataSource::SetState(TDataSetState value) {
  if (FState == value) return;
  TDataSetState prior = FState;
  FState = value;
  NotifyDataLinks(deUpdateState, 0);
  if (!ComponentState().Contains(csDestroying)) {
    if (OnStateChange.Assigned()) OnStateChange(this);
    if (prior == dsInactive && OnDataChange.Assigned()) OnDataChange(this, nullptr);
  }
}

void TDataSource::UpdateState() {
  if (FEnabled && FDataSet) SetState(FDataSet->State());
  else SetState(dsInactive);
}

void TDataSource::NotifyDataLinks(TDataEvent event, intptr_t info) {
  // A link may remove itself while it is told; walk a copy and skip the ones that left.
  std::vector<TDataLink*> links = FDataLinks;
  for (TDataLink* link : links)
    if (std::find(FDataLinks.begin(), FDataLinks.end(), link) != FDataLinks.end()) link->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == dsInactive && event != deDisabledStateChange) return;
  NotifyDataLinks(event, info);
  switch (event) {
    case deFieldChange:
      if (OnDataChange.Assigned()) OnDataChange(this, reinterpret_cast<TField*>(info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange.Assigned()) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData.Assigned()) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::AddDataLink(TDataLink* link) {
  FDataLinks.push_back(link);
  link->FDataSource = this;
  if (FDataSet) FDataSet->UpdateBufferCount();
  link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  auto it = std::find(FDataLinks.begin(), FDataLinks.end(), link);
  if (it != FDataLinks.end()) FDataLinks.erase(it);
  link->FDataSource = nullptr;
  link->UpdateState();
  if (FDataSet) FDataSet->UpdateBufferCount();
}

// ---------------------------------------------------------------------------------------------------
// TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (FDataSource) {
    auto& links = FDataSource->FDataLinks;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
}

void TDataLink::BeforeDestruction() {
  FActive = false;
  FEditing = false;
  FDataSourceFixed = false;
  SetDataSource(nullptr);
  TPersistent::BeforeDestruction();
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* value) {
  if (value == FDataSource) return;
  if (FDataSourceFixed) DatabaseError("Operation cannot be performed on a fixed data source", value);
  if (FDataSource) FDataSource->RemoveDataLink(this);
  if (value) value->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  UpdateState();
}

void TDataLink::UpdateState() {
  SetActive(FDataSource && FDataSource->State() != dsInactive);
  SetEditing(FDataSource && dsEditModes.Contains(FDataSource->State()) && !FReadOnly);
}

void TDataLink::SetActive(bool v) {
  if (FActive == v) return;
  FActive = v;
  if (v) UpdateRange();
  else FFirstRecord = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool v) {
  if (FEditing == v) return;
  FEditing = v;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  TDataSet* ds = DataSet();
  if (!ds) return;
  int32_t minFirst = ds->FActiveRecord - FBufferCount + 1;
  if (minFirst < 0) minFirst = 0;
  int32_t maxFirst = ds->FBufferCount - FBufferCount;
  if (maxFirst > ds->FActiveRecord) maxFirst = ds->FActiveRecord;
  if (maxFirst < 0) maxFirst = 0;
  if (FFirstRecord < minFirst) FFirstRecord = minFirst;
  if (FFirstRecord > maxFirst) FFirstRecord = maxFirst;
}

int32_t TDataLink::ActiveRecord() const {
  if (!FDataSource || !DataSet() || FDataSource->State() == dsSetKey) return 0;
  return DataSet()->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int32_t value) {
  if (FDataSource && DataSet() && FDataSource->State() != dsSetKey)
    DataSet()->FActiveRecord = value + FFirstRecord;
}

void TDataLink::SetBufferCount(int32_t value) {
  if (value < 1) value = 1;
  if (FBufferCount == value) return;
  FBufferCount = value;
  if (FActive) {
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
  }
}

int32_t TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  if (!ds) return 0;
  int32_t n = ds->FRecordCount;
  return n > FBufferCount ? FBufferCount : n;
}

bool TDataLink::Bof() const { return DataSet() ? DataSet()->Bof() : true; }
bool TDataLink::Eof() const { return DataSet() ? DataSet()->Eof() : true; }

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  FUpdating = true;
  try {
    UpdateData();
  } catch (...) {
    FUpdating = false;
    throw;
  }
  FUpdating = false;
}

void TDataLink::DataSetChanged() { RecordChanged(nullptr); }
void TDataLink::DataSetScrolled(int32_t) { DataSetChanged(); }
void TDataLink::LayoutChanged() { DataSetChanged(); }
void TDataLink::RecordChanged(TField*) {}
void TDataLink::FocusControl(TField**) {}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      int32_t count = 0;
      if (FDataSource->State() != dsSetKey) {
        int32_t active = DataSet()->FActiveRecord;
        int32_t first = FFirstRecord + static_cast<int32_t>(info);
        int32_t last = first + FBufferCount - 1;
        if (active > last) count = active - last;
        else if (active < first) count = active - first;
        FFirstRecord = first + count;
      }
      if (event == deDataSetChange) DataSetChanged();
      else if (event == deDataSetScroll) DataSetScrolled(count);
      else LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------------------
// TParam / TParams

TParam::TParam(TCollection* collection) : TCollectionItem(collection) {}

void TParam::SetDataType(TFieldType v) {
  FDataType = v;
}

void TParam::SetBound(bool v) {
  FBound = v;
  if (!v) FValue = Variant();
}

void TParam::Clear() { FValue = Null(); }

void TParam::SetValue(const Variant& v) {
  FValue = v;
  if (FDataType == ftUnknown) {
    switch (VarType(v)) {
      case varSmallint: case varShortInt: case varByte: FDataType = ftSmallint; break;
      case varWord: FDataType = ftWord; break;
      case varInteger: case varLongWord: FDataType = ftInteger; break;
      case varInt64: FDataType = ftLargeint; break;
      case varSingle: case varDouble: FDataType = ftFloat; break;
      case varCurrency: FDataType = ftCurrency; break;
      case varDate: FDataType = ftDateTime; break;
      case varBoolean: FDataType = ftBoolean; break;
      case varString: case varOleStr: FDataType = ftString; break;
      default: break;
    }
  }
  FBound = !VarIsClear(v);
}

String TParam::AsString() const { return IsNull() ? String() : VarToStr(FValue); }
void TParam::SetAsString(const String& v) { FDataType = ftString; FValue = v; FBound = true; }
int32_t TParam::AsInteger() const { return IsNull() ? 0 : FValue.AsInteger(); }
void TParam::SetAsInteger(int32_t v) { FDataType = ftInteger; FValue = v; FBound = true; }
int64_t TParam::AsLargeInt() const { return IsNull() ? 0 : FValue.AsInt64(); }
void TParam::SetAsLargeInt(int64_t v) { FDataType = ftLargeint; FValue = v; FBound = true; }
double TParam::AsFloat() const { return IsNull() ? 0 : FValue.AsDouble(); }
void TParam::SetAsFloat(double v) { FDataType = ftFloat; FValue = v; FBound = true; }
Currency TParam::AsCurrency() const { return IsNull() ? Currency() : FValue.AsCurrency(); }
void TParam::SetAsCurrency(Currency v) { FDataType = ftCurrency; FValue = v; FBound = true; }
bool TParam::AsBoolean() const { return IsNull() ? false : FValue.AsBoolean(); }
void TParam::SetAsBoolean(bool v) { FDataType = ftBoolean; FValue = v; FBound = true; }
TDateTime TParam::AsDateTime() const { return IsNull() ? 0 : FValue.AsDateTime(); }
void TParam::SetAsDateTime(TDateTime v) { FDataType = ftDateTime; FValue = VarFromDateTime(v); FBound = true; }
void TParam::SetAsDate(TDateTime v) { FDataType = ftDate; FValue = VarFromDateTime(v); FBound = true; }
void TParam::SetAsTime(TDateTime v) { FDataType = ftTime; FValue = VarFromDateTime(v); FBound = true; }

void TParam::AssignField(TField* field) {
  if (!field) return;
  FDataType = field->DataType() == ftAutoInc ? ftInteger : field->DataType();
  FName = field->FieldName();
  FSize = field->Size();
  FValue = field->IsNull() ? Null() : field->AsVariant();
  FBound = true;
}

void TParam::AssignFieldValue(TField* field, const Variant& value) {
  if (!field) return;
  FDataType = field->DataType() == ftAutoInc ? ftInteger : field->DataType();
  FSize = field->Size();
  FValue = value;
  FBound = true;
}

void TParam::Assign(TPersistent* source) {
  if (auto* p = dynamic_cast<TParam*>(source)) {
    FName = p->FName;
    FDataType = p->FDataType;
    FParamType = p->FParamType;
    FSize = p->FSize;
    FPrecision = p->FPrecision;
    FNumericScale = p->FNumericScale;
    FBound = p->FBound;
    FValue = p->FValue;
    return;
  }
  if (auto* f = dynamic_cast<TField*>(source)) {
    AssignField(f);
    return;
  }
  TCollectionItem::Assign(source);
}

TParams::TParams() : TCollection(TParam::StaticClass()) {}
TParams::TParams(TPersistent* owner) : TCollection(TParam::StaticClass()), FOwner(owner) {}

TParam* TParams::AddParam() { return static_cast<TParam*>(Add()); }

TParam* TParams::CreateParam(TFieldType fldType, const String& paramName, TParamType paramType) {
  TParam* p = AddParam();
  p->SetName(paramName);
  p->SetDataType(fldType);
  p->SetParamType(paramType);
  return p;
}

TParam* TParams::FindParam(const String& value) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), value)) return Items(i);
  return nullptr;
}

TParam* TParams::ParamByName(const String& value) const {
  TParam* p = FindParam(value);
  if (!p) {
    auto* comp = dynamic_cast<TComponent*>(FOwner);
    DatabaseErrorFmt("Parameter '%s' not found", {value}, comp);
  }
  return p;
}

void TParams::AssignValues(TParams* value) {
  for (int32_t i = 0; i < value->Count(); ++i) {
    TParam* p = FindParam(value->Items(i)->Name());
    if (p) p->Assign(value->Items(i));
  }
}

bool TParams::IsEqual(TParams* value) const {
  if (Count() != value->Count()) return false;
  for (int32_t i = 0; i < Count(); ++i) {
    TParam* a = Items(i);
    TParam* b = value->Items(i);
    if (a->Name() != b->Name() || a->DataType() != b->DataType() || a->ParamType() != b->ParamType() ||
        a->Bound() != b->Bound() || !VarSameValue(a->Value(), b->Value()))
      return false;
  }
  return true;
}

Variant TParams::ParamValues(const String& paramName) const {
  if (paramName.find(';') == String::npos) return ParamByName(paramName)->Value();
  std::vector<Variant> values;
  size_t start = 0;
  while (start <= paramName.size()) {
    size_t end = paramName.find(';', start);
    if (end == String::npos) end = paramName.size();
    String n = Trim(paramName.substr(start, end - start));
    if (!n.empty()) values.push_back(ParamByName(n)->Value());
    start = end + 1;
  }
  return VarArrayOf(values);
}

void TParams::SetParamValues(const String& paramName, const Variant& value) {
  if (paramName.find(';') == String::npos) {
    ParamByName(paramName)->SetValue(value);
    return;
  }
  size_t start = 0;
  int32_t i = 0;
  while (start <= paramName.size()) {
    size_t end = paramName.find(';', start);
    if (end == String::npos) end = paramName.size();
    String n = Trim(paramName.substr(start, end - start));
    if (!n.empty()) ParamByName(n)->SetValue(value[i++]);
    start = end + 1;
  }
}

String TParams::ParseSQL(const String& sql, bool doCreate) {
  String out;
  size_t i = 0, n = sql.size();
  auto isNameChar = [](unsigned char c) { return c >= 0x80 || std::isalnum(c) || c == '_' || c == '$'; };
  while (i < n) {
    char c = sql[i];
    if (c == '\'' || c == '"') {
      size_t j = i + 1;
      while (j < n && sql[j] != c) ++j;
      out.append(sql, i, std::min(j + 1, n) - i);
      i = j + 1;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      size_t j = sql.find('\n', i);
      if (j == String::npos) j = n;
      out.append(sql, i, j - i);
      i = j;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      size_t j = sql.find("*/", i + 2);
      j = j == String::npos ? n : j + 2;
      out.append(sql, i, j - i);
      i = j;
    } else if (c == ':' && i + 1 < n && sql[i + 1] == ':') {
      out += "::";
      i += 2;
    } else if (c == ':' && i + 1 < n && (isNameChar(static_cast<unsigned char>(sql[i + 1])) || sql[i + 1] == '"')) {
      size_t j = i + 1;
      String name;
      if (sql[j] == '"') {
        size_t k = sql.find('"', j + 1);
        if (k == String::npos) k = n;
        name = sql.substr(j + 1, k - j - 1);
        j = std::min(k + 1, n);
      } else {
        while (j < n && isNameChar(static_cast<unsigned char>(sql[j]))) ++j;
        name = sql.substr(i + 1, j - i - 1);
      }
      if (doCreate) {
        TParam* p = AddParam();
        p->SetName(name);
      }
      out += '?';
      i = j;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}
