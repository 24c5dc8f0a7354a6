// The cache models of the SQL dataset and the fetch machinery around them.
//
// The limited model holds a window of at most BufferChunks consecutive rows of the ordered result in a
// ring of cache rows (record index i lives at ring row i mod BufferChunks). Rows outside the window are
// reached by keyset paging: generated statements continue the ordered result after or before the sort
// key of the window's last or first row, so that scrolling through a result of any size costs memory for
// the window only. Locate, refresh and bookmarks the window does not hold go to the server and rebuild
// the window around the row found.
//
// The unidirectional mode keeps the fetched rows in the same kind of ring: the record count never
// exceeds BufferChunks.
#include <algorithm>
#include <cstring>

#include "datasets/ZAZDataSet.h"
#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/VariantRtn.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

// Windows rebuilt from the end of the result start this high, so that walking back from there never
// takes an index below zero in practice.
constexpr int32_t HighWindowBase = 1073741823;  // 2^30 - 1
constexpr int32_t LimitedMinimumChunks = 100;
constexpr int32_t DefaultChunks = 32;

template <class T>
T LoadAt(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void StoreAt(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

String Unquoted(const String& name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
  return name;
}

bool HasPrefix(const String& name, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return name.size() > n && AsciiUpperCase(name.substr(0, n)) == prefix;
}

std::vector<Variant> KeyValueList(const Variant& keyValues) {
  std::vector<Variant> keys;
  if (VarIsArray(keyValues)) {
    for (int32_t i = VarArrayLowBound(keyValues, 1); i <= VarArrayHighBound(keyValues, 1); ++i)
      keys.push_back(VarArrayGet(keyValues, {i}));
  } else {
    keys.push_back(keyValues);
  }
  return keys;
}

String SelectOrderClause(const String& sql) {
  TSQLParser* parser = New<TSQLParser>(sql);
  String list;
  try {
    list = parser->GetOrderClause();
  } catch (...) {
    parser->Free();
    throw;
  }
  parser->Free();
  return list;
}

// The names of a ";"-separated list, trimmed, blanks left out.
std::vector<String> NameList(const String& names) {
  std::vector<String> list;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == String::npos) end = names.size();
    const String name = Trim(names.substr(start, end - start));
    if (!name.empty()) list.push_back(name);
    start = end + 1;
  }
  return list;
}

void CloseCursorOf(TFIBQuery* q) {
  if (q && q->Open()) q->CloseCursor();
}

}  // namespace

// What the limited model keeps besides the window: its generated statements, the statement that feeds
// rows now, and the key fields that bookmarks carry.
struct TFIBCustomDataSet::TLimitedState {
  TCacheModelOptions* Options = nullptr;
  TCacheWindow Window;
  TFIBQuery* Active = nullptr;
  TFIBQuery* Desc = nullptr;
  TFIBQuery* Part = nullptr;
  TFIBQuery* PartDesc = nullptr;
  TFIBQuery* Locate = nullptr;
  struct TKey {
    String Name;
    int32_t Offset;  // of the null flag in the bookmark; the value bytes follow
    int32_t Bytes;   // value bytes as the record buffer holds them
  };
  std::vector<TKey> Keys;
  std::vector<uint8_t> Scratch;
  std::vector<uint8_t> ScratchBookmark;
};

void TFIBCustomDataSet::TLimitedStateFree::operator()(TLimitedState* state) const {
  if (!state) return;
  if (state->Options) state->Options->Free();
  delete state;
}

TFIBCustomDataSet::TLimitedState& TFIBCustomDataSet::Limited() const {
  if (!FLimited) {
    FLimited.reset(new TLimitedState);
    FLimited->Options = New<TCacheModelOptions>(const_cast<TFIBCustomDataSet*>(this));
  }
  return *FLimited;
}

TCacheModelOptions* TFIBCustomDataSet::CacheModelOptions() const { return Limited().Options; }

TFIBQuery* TFIBCustomDataSet::ActiveSelect() const { return FLimited && LimitedCache() ? FLimited->Active : FSelect; }

// --- options --------------------------------------------------------------------------------------------

int32_t TCacheModelOptions::BufferChunks() const { return FOwner->FBufferChunks; }

void TCacheModelOptions::SetBufferChunks(int32_t value) {
  FOwner->CheckInactive();
  if (value <= 0) value = DefaultChunks;
  if (FKind == cmkLimitedBufferSize && value < LimitedMinimumChunks) value = LimitedMinimumChunks;
  FOwner->FBufferChunks = value;
}

void TCacheModelOptions::SetCacheModelKind(TCacheModelKind value) {
  if (value == FKind) return;
  FOwner->CheckInactive();
  if (value == cmkStandard) {
    FKind = cmkStandard;
    FOwner->FCacheWindow = nullptr;
    return;
  }
  if (!FOwner->ComponentState().Contains(csLoading) && !FOwner->CanUseLimitedCache())
    RaiseClientError(75, {FullComponentName(FOwner)});
  FKind = cmkLimitedBufferSize;
  if (FOwner->FBufferChunks < LimitedMinimumChunks) FOwner->FBufferChunks = LimitedMinimumChunks;
  TCacheWindow& window = FOwner->Limited().Window;
  window = TCacheWindow();
  FOwner->FCacheWindow = &window;
}

// Copying options copies the three settings through their setters, so that the destination's owner
// checks them as if they were set one by one.
void TCacheModelOptions::AssignTo(TPersistent* dest) {
  auto* d = dynamic_cast<TCacheModelOptions*>(dest);
  if (!d) return TPersistent::AssignTo(dest);
  d->SetCacheModelKind(FKind);
  d->SetBufferChunks(BufferChunks());
  d->SetPlanForDescSQLs(FPlanForDescSQLs);
}

RTL_PUBLISHED(TCacheModelOptions) {
  using T = TCacheModelOptions;
  prop("CacheModelKind", &T::CacheModelKind, &T::SetCacheModelKind).Default(cmkStandard);
  prop("BufferChunks", &T::BufferChunks, &T::SetBufferChunks).Default(DefaultChunks);
  prop("PlanForDescSQLs", &T::PlanForDescSQLs, &T::SetPlanForDescSQLs);
}

void TFIBCustomDataSet::SetBufferChunks(int32_t value) { CacheModelOptions()->SetBufferChunks(value); }

bool TFIBCustomDataSet::CanUseLimitedCache() const {
  if (FCachedUpdates) return false;
  if (Trim(SelectOrderClause(SelectSQL()->Text())).empty()) return false;
  if (!FAutoCommit && UpdateTransaction() != Transaction()) return false;
  for (int32_t i = 0; i < FSelect->ParamCount(); ++i)
    if (HasPrefix(Unquoted(FSelect->ParamName(i)), "NEW_")) return false;
  return true;
}

void TFIBCustomDataSet::SetUniDirectional(bool value) {
  if (value == FUniDirectional) return;
  if (FIsOpen) RaiseClientError(28, {" change Unidirectional property ", FullComponentName(this)});
  FUniDirectional = value;
}

int32_t TFIBCustomDataSet::CacheRowOf(int32_t index) const {
  return FUniDirectional || LimitedCache() ? index % FBufferChunks + 1 : index + 1;
}

void TFIBCustomDataSet::DoBeforeScroll() {
  if (FScrollEventsDisabled == 0) TDataSet::DoBeforeScroll();
}

// --- fetching ---------------------------------------------------------------------------------------------

bool TFIBCustomDataSet::AllRowsFetched() {
  if (!FIsOpen) return true;
  if (LimitedCache()) return FCacheWindow->EofReached && FCacheWindow->BofReached;
  return FCursorAtEnd || FSelect->EofFlag();
}

void TFIBCustomDataSet::FetchAllRows() {
  if (!FIsOpen || AllRowsFetched()) return;
  if (!LimitedCache()) return FetchAll();
  DisableControls();
  DisableScrollEvents();
  try {
    const TBookmark bookmark = IsEmpty() ? TBookmark() : GetBookmark();
    Last();
    if (!bookmark.empty()) GotoBookmark(bookmark);
  } catch (...) {
    EnableScrollEvents();
    EnableControls();
    throw;
  }
  EnableScrollEvents();
  EnableControls();
}

TGetResult TFIBCustomDataSet::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) {
  TGetResult result = grError;
  try {
    if (!LimitedCache()) return result = GetCachedRecord(buffer, getMode, doCheck);
    auto* b = reinterpret_cast<uint8_t*>(buffer);
    result = GetLimitedRecord(b, getMode);
    if (result == grOK) {
      ReadLimitedRow(FCurrentIndex, b);
      b[BookmarkFlagOffset] = bfCurrent;
      GetCalcFields(buffer);
    } else {
      b[BookmarkFlagOffset] = result == grBOF ? bfBOF : bfEOF;
    }
    return result;
  } catch (EDatabaseError& e) {
    if (!OnGetRecordError.Assigned()) throw;
    TDataAction action = daFail;
    OnGetRecordError(this, &e, action);
    if (action == daFail) throw;
    if (action == daAbort) Abort();
    return result;
  }
}

// --- opening and closing -----------------------------------------------------------------------------------

void TFIBCustomDataSet::OpenCacheModel() {
  if (BeforeFetchRecord.Assigned())
    FSelect->FetchHook = [this](int32_t number, bool& stop) { BeforeFetchRecord(FSelect, number, stop); };
  else
    FSelect->FetchHook = nullptr;
  if (!LimitedCache()) {
    SetBookmarkSize(8);
    return;
  }
  // The model pages on the order of the select whatever psGetOrderInfo says, and every order field
  // must be a field: its value is the key the next page continues after.
  const Variant order = OrderByToVariantArray(SelectSQL()->Text());
  if (VarIsArray(order))
    for (int32_t i = VarArrayLowBound(order, 1); i <= VarArrayHighBound(order, 1); ++i) {
      const String name = VarToStr(VarArrayGet(order, {i, 0}));
      bool number = !name.empty();
      for (char c : name) number = number && c >= '0' && c <= '9';
      if (number ? !FieldByNumber(StrToIntDef(name, 0)) : !FindField(name))
        RaiseClientErrorMsg("%s.\r\nField %s use in order, but not presented in fields section of SelectSQL",
                            {FullComponentName(this), name});
    }
  if (!VarIsArray(FSortInfo) || FLocalSortActive) PrepareSortInfo();
  BuildLimitedBookmarkLayout();
  BuildLimitedCacheStatements();
  TLimitedState& state = Limited();
  state.Active = FSelect;
  state.Scratch.assign(static_cast<size_t>(FLayout.RecordBufferSize), 0);
  *FCacheWindow = TCacheWindow();
  FCacheWindow->BofReached = true;
  FCurrentIndex = -1;
  FFetchedCount = 0;
}

void TFIBCustomDataSet::CloseCacheModel() {
  if (!FLimited) return;
  for (TFIBQuery* q : {FLimited->Desc, FLimited->Part, FLimited->PartDesc, FLimited->Locate}) CloseCursorOf(q);
  FLimited->Active = nullptr;
  if (FCacheWindow) *FCacheWindow = TCacheWindow();
}

// The column a field reads, as the generated conditions name it: qualified by its table's alias in the
// select when it has one.
String TFIBCustomDataSet::LimitedColumn(TField* field) {
  const int32_t column = ColumnOf(field);
  if (column < 0) return QuoteIdentifierIfNeeded(3, field->FieldName());
  String name = FSelect->Fields(column)->GetSQLName();
  if (name.empty()) name = field->FieldName();
  return QualifiedFieldName(FSelect->FieldRelationAlias(column), name);
}

void TFIBCustomDataSet::BuildLimitedBookmarkLayout() {
  if (!VarIsArray(FSortInfo)) RaiseClientErrorMsg("%s:Can't find or parse ORDER BY statement.", {FullComponentName(this)});
  TLimitedState& state = Limited();
  state.Keys.clear();
  int32_t size = 8;
  auto add = [&](TField* field) {
    const int32_t column = ColumnOf(field);
    if (column < 0) return;
    const TFIBFieldDescr* d = FDescrs.Items(column);
    const int32_t bytes = d->IsLongString ? 4 + d->DataSize : d->DataSize;
    state.Keys.push_back({field->FieldName(), size, bytes});
    size += bytes + 1;
  };
  String keyFields;
  if (auto* extended = dynamic_cast<TpZAZDataSet*>(this)) keyFields = extended->AutoUpdateOptions()->KeyFields();
  if (!Trim(keyFields).empty()) {
    for (const String& name : NameList(keyFields))
      if (TField* f = FindField(name)) add(f);
  } else {
    for (int32_t i = 0; i < OrderFieldCount(); ++i)
      if (TField* f = FindField(VarToStr(VarArrayGet(FSortInfo, {i, 0})))) add(f);
  }
  SetBookmarkSize(size);
  state.ScratchBookmark.assign(static_cast<size_t>(size), 0);
}

void TFIBCustomDataSet::BuildLimitedCacheStatements() {
  if (OrderFieldCount() == 0) RaiseClientErrorMsg("%s:Can't find or parse ORDER BY statement.", {FullComponentName(this)});
  TLimitedState& state = Limited();
  // Keyset conditions, from the last order field to the first: for ascending A then B the rows after a
  // key are (((B>?NEW_B) and (A=?NEW_A)) or (A>?NEW_A)).
  String forward, backward;
  for (int32_t i = OrderFieldCount(); i >= 1; --i) {
    TSortFieldInfo info;
    GetSortFieldInfo(i, info);
    TField* field = FindField(info.SortField);
    if (!field) continue;
    const String column = LimitedColumn(field);
    const String param = QuoteIdentifierIfNeeded(3, "NEW_" + field->FieldName());
    const String fop = info.Ascending ? ">" : "<";
    const String bop = info.Ascending ? "<" : ">";
    if (forward.empty()) {
      forward = "(" + column + fop + "?" + param + ")";
      backward = "(" + column + bop + "?" + param + ")";
    } else {
      const String equal = " and (" + column + "=?" + param + ")";
      forward = "((" + forward + equal + ") or (" + column + fop + "?" + param + "))";
      backward = "((" + backward + equal + ") or (" + column + bop + "?" + param + "))";
    }
  }
  const String base = SelectSQL()->Text();
  const String reversed = ReverseOrderBy(SelectOrderClause(base));
  // The plan may be given with or without its keyword.
  String plan = Trim(CacheModelOptions()->PlanForDescSQLs());
  if (plan.size() > 4 && AsciiUpperCase(plan.substr(0, 4)) == "PLAN" && (plan[4] == ' ' || plan[4] == '('))
    plan = Trim(plan.substr(4));
  auto make = [&](TFIBQuery*& q, const char* name) {
    if (!q) q = CreateOwnedStatement(name);
    CloseCursorOf(q);
    q->SetDatabase(FDatabase);
    q->SetTransaction(FTransaction);
  };
  make(state.Desc, "SelectDescQuery");
  state.Desc->BeginChangeSQL();
  state.Desc->SQL()->SetText(base);
  state.Desc->SetOrderClause(reversed);
  if (!plan.empty()) state.Desc->SetPlanClause(plan);
  state.Desc->EndChangeSQL();

  make(state.Part, "SelectPartQuery");
  state.Part->SQL()->SetText(AddToWhereClause(base, forward, true));

  make(state.PartDesc, "SelectPartDescQuery");
  state.PartDesc->BeginChangeSQL();
  state.PartDesc->SQL()->SetText(AddToWhereClause(base, backward, true));
  if (!plan.empty()) state.PartDesc->SetPlanClause(plan);
  state.PartDesc->SetOrderClause(reversed);
  state.PartDesc->EndChangeSQL();

  String locate;
  for (const auto& key : state.Keys) {
    TField* field = FindField(key.Name);
    if (!field) continue;
    if (!locate.empty()) locate += " and ";
    locate += "(" + LimitedColumn(field) + "=?" + QuoteIdentifierIfNeeded(3, "LOCATE_" + key.Name) + ")";
  }
  make(state.Locate, "SelectLocate");
  state.Locate->SQL()->SetText(locate.empty() ? base : AddToWhereClause(base, locate, true));
}

// --- the window ---------------------------------------------------------------------------------------------

void TFIBCustomDataSet::StoreLimitedRow(TFIBQuery* statement, TFIBXSQLDA* row, int32_t index) {
  std::fill(FFetchBuffer.begin(), FFetchBuffer.end(), uint8_t{0});
  // The generated statements share the select's column list; the refresh statement is matched by name.
  ReadRowFromStatement(row, FFetchBuffer.data(), statement == FRefresh || statement->GetFieldCount() != FDescrs.Count());
  FCache->WriteRow(CacheRowOf(index), FFetchBuffer.data() + CacheRowOffset, true);
}

void TFIBCustomDataSet::ReadLimitedRow(int32_t index, uint8_t* buffer) {
  FCache->ReadRow(CacheRowOf(index), buffer + CacheRowOffset, false);
  StoreAt<int32_t>(buffer + RecordNumberOffset, index);
}

void TFIBCustomDataSet::CopySelectParams(TFIBQuery* statement) {
  if (!statement->Prepared()) statement->Prepare();
  for (int32_t i = 0; i < statement->ParamCount(); ++i) {
    const String name = Unquoted(statement->ParamName(i));
    if (HasPrefix(name, "NEW_") || HasPrefix(name, "LOCATE_")) continue;
    int32_t index;
    if (FSelect->ParamExist(name, index)) statement->SetParamValue(i, FSelect->ParamValue(index));
  }
}

// The NEW_ parameters take the sort key of the source record buffer, the others the select's values.
void TFIBCustomDataSet::PrepareWindowStatement(TFIBQuery* statement, const uint8_t* source) {
  CloseCursorOf(statement);
  CopySelectParams(statement);
  for (int32_t i = 0; i < statement->ParamCount(); ++i) {
    const String name = Unquoted(statement->ParamName(i));
    if (!HasPrefix(name, "NEW_")) continue;
    const int32_t column = ColumnOf(FindField(name.substr(4)));
    statement->SetParamValue(i, column >= 0 ? ColumnValue(column, source) : Variant::Null());
  }
  statement->ExecQuery();
}

void TFIBCustomDataSet::SwitchActiveSelect(TFIBQuery* statement, int32_t anchorIndex) {
  TLimitedState& state = Limited();
  CloseCursorOf(state.Active);
  state.Active = statement;
  ReadLimitedRow(anchorIndex, state.Scratch.data());
  PrepareWindowStatement(statement, state.Scratch.data());
}

void TFIBCustomDataSet::ShiftWindowIndexes() {
  TCacheWindow& w = *FCacheWindow;
  FCurrentIndex += FBufferChunks;
  if (w.FirstIndex >= 0) w.FirstIndex += FBufferChunks;
  if (w.LastIndex >= 0) w.LastIndex += FBufferChunks;
  for (int32_t i = 0; i < BufferRecordCount(); ++i) {
    auto* b = reinterpret_cast<uint8_t*>(Buffers(i));
    StoreAt<int32_t>(b + RecordNumberOffset, LoadAt<int32_t>(b + RecordNumberOffset) + FBufferChunks);
  }
}

bool TFIBCustomDataSet::FillWindowFrom(TFIBQuery* statement, int32_t count, int32_t direction, int32_t start,
                                       bool& shifted) {
  TCacheWindow& w = *FCacheWindow;
  FCurrentIndex = start;
  bool any = false;
  while (count > 0) {
    TFIBXSQLDA* row = statement->FetchNext();
    if (!row) break;
    FCurrentIndex += direction;
    if (FCurrentIndex == -1) {
      ShiftWindowIndexes();
      shifted = true;
    }
    StoreLimitedRow(statement, row, FCurrentIndex);
    if (direction < 0) {
      w.FirstIndex = FCurrentIndex;
      if (w.LastIndex == -1) w.LastIndex = w.FirstIndex;
    } else {
      w.LastIndex = FCurrentIndex;
      if (w.FirstIndex == -1) w.FirstIndex = w.LastIndex;
    }
    --count;
    any = true;
  }
  if (statement->EofFlag()) (direction < 0 ? w.BofReached : w.EofReached) = true;
  return any;
}

bool TFIBCustomDataSet::LoadLimitedWindow(TFIBQuery* statement, int32_t& anchor, bool execute, bool requireFound) {
  TLimitedState& state = Limited();
  TCacheWindow& w = *FCacheWindow;
  // The current record is the key source when the statement finds nothing: copy it before the ring moves.
  if (const auto* current = reinterpret_cast<const uint8_t*>(ActiveBuffer()))
    std::memcpy(state.Scratch.data(), current, state.Scratch.size());
  bool found;
  if (execute) {
    CloseCursorOf(statement);
    CopySelectParams(statement);
    statement->ExecQuery();
    found = statement->FetchNext() != nullptr;
  } else {
    found = statement->RecordCount() > 0;
  }
  if (!found && requireFound) return false;
  const int32_t half = FBufferChunks / 2;
  if (anchor < half) anchor = half;
  CloseCursorOf(state.Active);
  FreeBlobStreams();
  if (found) {
    StoreLimitedRow(statement, statement->GetCurrentRow(), anchor);
    w.FirstIndex = w.LastIndex = anchor;
    ReadLimitedRow(anchor, state.Scratch.data());
  }
  w.BofReached = false;
  w.EofReached = false;
  PrepareWindowStatement(state.PartDesc, state.Scratch.data());
  PrepareWindowStatement(state.Part, state.Scratch.data());
  if (!found) w.FirstIndex = w.LastIndex = -1;
  bool shifted = false;
  FillWindowFrom(state.PartDesc, half, -1, anchor, shifted);
  if (shifted) anchor += FBufferChunks;
  if (!found) --anchor;
  FillWindowFrom(state.Part, FBufferChunks + w.FirstIndex - w.LastIndex - 2, 1, anchor, shifted);
  const int32_t size = w.FirstIndex < 0 ? 0 : w.LastIndex - w.FirstIndex + 2;
  if (size > 0 && size < FBufferChunks) {
    const bool wasShifted = shifted;
    shifted = false;
    FillWindowFrom(state.PartDesc, FBufferChunks - size, -1, w.FirstIndex, shifted);
    if (shifted) anchor += FBufferChunks;
    shifted = shifted || wasShifted;
  }
  CloseCursorOf(state.PartDesc);
  if (found) FCurrentIndex = anchor;
  else FCurrentIndex = w.FirstIndex < 0 ? -1 : anchor + 1;
  FFetchedCount = w.FirstIndex < 0 ? 0 : w.LastIndex - w.FirstIndex + 1;
  state.Active = state.Part;
  CloseCursorOf(statement);
  return found;
}

// --- navigation ------------------------------------------------------------------------------------------

TGetResult TFIBCustomDataSet::GetLimitedRecord(uint8_t* /*buffer*/, TGetMode getMode) {
  TLimitedState& state = Limited();
  TCacheWindow& w = *FCacheWindow;
  const bool empty = w.FirstIndex < 0 || w.LastIndex < w.FirstIndex;
  const bool forward = state.Active == FSelect || state.Active == state.Part;
  auto windowSize = [&] { return w.LastIndex - w.FirstIndex + 1; };
  switch (getMode) {
    case gmCurrent:
      if (empty || FCurrentIndex < w.FirstIndex) return w.BofReached ? grBOF : grError;
      if (FCurrentIndex > w.LastIndex) return w.EofReached ? grEOF : grError;
      return grOK;

    case gmNext: {
      if (!empty && FCurrentIndex >= w.FirstIndex - 1 && FCurrentIndex < w.LastIndex) {
        ++FCurrentIndex;
        return grOK;
      }
      if (w.EofReached && !empty) return grEOF;
      if (!state.Active) return grEOF;
      if (!forward) {
        if (empty) return grEOF;
        SwitchActiveSelect(state.Part, w.LastIndex);
      } else if (state.Active->EofFlag()) {
        w.EofReached = true;
        return grEOF;
      }
      TFIBXSQLDA* row = state.Active->FetchNext();
      if (!row) {
        w.EofReached = true;
        return grEOF;
      }
      const int32_t index = empty ? FCurrentIndex + 1 : w.LastIndex + 1;
      if (!empty && windowSize() >= FBufferChunks) {
        ++w.FirstIndex;  // the oldest row gives its ring row to the new one
        w.BofReached = false;
      }
      StoreLimitedRow(state.Active, row, index);
      w.LastIndex = index;
      if (empty) w.FirstIndex = index;
      FCurrentIndex = index;
      FFetchedCount = windowSize();
      return grOK;
    }

    case gmPrior: {
      if (!empty && FCurrentIndex > w.FirstIndex && FCurrentIndex <= w.LastIndex + 1) {
        --FCurrentIndex;
        return grOK;
      }
      if (FCurrentIndex == -1 || empty) {
        w.BofReached = true;
        return grBOF;
      }
      if (FCurrentIndex != w.FirstIndex) return grError;
      if (forward) {
        if (w.BofReached) return grBOF;
        SwitchActiveSelect(state.PartDesc, w.FirstIndex);
      }
      TFIBXSQLDA* row = state.Active->FetchNext();
      if (!row) {
        w.BofReached = true;
        return grBOF;
      }
      if (w.FirstIndex == 0) ShiftWindowIndexes();
      if (windowSize() >= FBufferChunks) {
        --w.LastIndex;
        w.EofReached = false;
      }
      --w.FirstIndex;
      StoreLimitedRow(state.Active, row, w.FirstIndex);
      FCurrentIndex = w.FirstIndex;
      FFetchedCount = windowSize();
      return grOK;
    }
  }
  return grError;
}

void TFIBCustomDataSet::LimitedFirst() {
  TLimitedState& state = Limited();
  TCacheWindow& w = *FCacheWindow;
  if (state.Active != FSelect || w.FirstIndex > 0) {
    CloseCursorOf(state.Active);
    CloseCursorOf(FSelect);
    FreeBlobStreams();
    FSelect->ExecQuery();
    state.Active = FSelect;
    w = TCacheWindow();
    w.BofReached = true;
    FFetchedCount = 0;
  }
  FCurrentIndex = -1;
}

void TFIBCustomDataSet::LimitedLast() {
  TLimitedState& state = Limited();
  TCacheWindow& w = *FCacheWindow;
  if (State() == dsInsert || w.EofReached) {
    FCurrentIndex = w.LastIndex + 1;
    return;
  }
  FreeBlobStreams();
  CloseCursorOf(state.Active);
  CloseCursorOf(state.Desc);
  state.Active = state.Desc;
  CopySelectParams(state.Desc);
  state.Desc->ExecQuery();
  w.FirstIndex = HighWindowBase;
  w.LastIndex = FCurrentIndex = HighWindowBase - 1;
  FFetchedCount = 0;
  auto settle = [&] {
    FCurrentIndex = w.LastIndex + 1;
    FFetchedCount = w.LastIndex - w.FirstIndex + 1;
    w.BofReached = false;
    w.EofReached = true;
  };
  // A failing fetch must not pass for the end of the result: the window keeps what was read and the
  // error goes on to the caller.
  try {
    while (w.LastIndex - w.FirstIndex + 1 < FBufferChunks) {
      TFIBXSQLDA* row = state.Desc->FetchNext();
      if (!row) break;
      StoreLimitedRow(state.Desc, row, FCurrentIndex);
      --FCurrentIndex;
      --w.FirstIndex;
    }
  } catch (...) {
    settle();
    throw;
  }
  settle();
}

// --- bookmarks --------------------------------------------------------------------------------------------

void TFIBCustomDataSet::LimitedBookmarkData(const uint8_t* buffer, uint8_t* data) {
  if (IsEmpty() && State() != dsInsert) return;
  const TLimitedState& state = Limited();
  std::memset(data, 0, static_cast<size_t>(BookmarkSize()));
  std::memcpy(data, buffer + RecordNumberOffset, 4);
  StoreAt<int32_t>(data + 4, ActiveRecord());
  for (const auto& key : state.Keys) {
    const int32_t column = ColumnOf(FindField(key.Name));
    if (column < 0) continue;
    const bool isNull = buffer[NullFlagsOffset + column] != 0;
    data[key.Offset] = isNull ? 1 : 0;
    if (!isNull) std::memcpy(data + key.Offset + 1, buffer + FDescrs.Items(column)->Offset, static_cast<size_t>(key.Bytes));
  }
}

bool TFIBCustomDataSet::BookmarkMatchesRecord(const uint8_t* bookmark, int32_t index, bool ignoreRow) {
  TLimitedState& state = Limited();
  if (!ignoreRow && LoadAt<int32_t>(bookmark) != index) return false;
  ReadLimitedRow(index, state.Scratch.data());
  LimitedBookmarkData(state.Scratch.data(), state.ScratchBookmark.data());
  const size_t size = static_cast<size_t>(BookmarkSize());
  return size <= 8 || std::memcmp(bookmark + 8, state.ScratchBookmark.data() + 8, size - 8) == 0;
}

void TFIBCustomDataSet::LimitedGotoBookmark(const uint8_t* bookmark) {
  TLimitedState& state = Limited();
  TCacheWindow& w = *FCacheWindow;
  const int32_t position = LoadAt<int32_t>(bookmark);
  const bool held = w.FirstIndex >= 0 && w.LastIndex >= w.FirstIndex;
  if (held && position >= w.FirstIndex && position <= w.LastIndex && BookmarkMatchesRecord(bookmark, position, false)) {
    FCurrentIndex = position;
    return;
  }
  if (held)
    for (int32_t i = w.FirstIndex; i <= w.LastIndex; ++i)
      if (BookmarkMatchesRecord(bookmark, i, true)) {
        FCurrentIndex = i;
        return;
      }
  // The row is read from the server by its key; its values come back through a scratch record buffer.
  CloseCursorOf(state.Locate);
  if (!state.Locate->Prepared()) state.Locate->Prepare();
  std::vector<uint8_t> values(state.Scratch.size(), 0);
  for (const auto& key : state.Keys) {
    TFIBXSQLVAR* param = state.Locate->FindParam("LOCATE_" + key.Name);
    if (!param) continue;
    const int32_t column = ColumnOf(FindField(key.Name));
    if (bookmark[key.Offset] != 0 || column < 0) {
      param->Clear();
      continue;
    }
    values[NullFlagsOffset + column] = 0;
    const TFIBFieldDescr* d = FDescrs.Items(column);
    uint8_t* target = values.data() + d->Offset;
    std::memcpy(target, bookmark + key.Offset + 1, static_cast<size_t>(key.Bytes));
    // A long value carries its length: never more than the column holds.
    if (d->IsLongString) StoreAt<int32_t>(target, std::clamp<int32_t>(LoadAt<int32_t>(target), 0, d->DataSize));
    param->SetAsVariant(ColumnValue(column, values.data()));
  }
  // The row number only places the rebuilt window; one out of range places it in the middle.
  int32_t anchor = position >= 0 && position <= HighWindowBase ? position : FBufferChunks / 2;
  if (LoadLimitedWindow(state.Locate, anchor, true, true)) FCurrentIndex = anchor;
}

// --- locate, lookup and refresh ---------------------------------------------------------------------------

bool TFIBCustomDataSet::LocateOnServer(const String& keyFields, const Variant& keyValues, TExtLocateOptions options,
                                       TFIBQuery* statement) {
  CheckActive();
  std::vector<TField*> fields;
  GetFieldList(fields, keyFields);
  const String operation = FullComponentName(this) + ".LocateForPartialCache";
  if (fields.empty()) RaiseClientError(76, {operation});
  for (TField* f : fields)
    if (f->FieldKind() != fkData) RaiseClientError(77, {operation, f->FieldName()});
  const std::vector<Variant> keys = KeyValueList(keyValues);
  CheckBrowseMode();
  DisableControls();
  DisableScrollEvents();
  TFIBQuery* q = statement;
  bool found = false;
  try {
    if (!q) q = CreateOwnedStatement("QLocate");
    q->SetDatabase(FDatabase);
    q->SetTransaction(FTransaction);
    String condition;
    for (size_t k = 0; k < fields.size(); ++k) {
      TField* f = fields[k];
      if (!condition.empty()) condition += " and ";
      const String column = LimitedColumn(f);
      const String name = QuoteIdentifierIfNeeded(3, "LOCATE_" + f->FieldName());
      const bool text = k < keys.size() && VarIsStr(keys[k]);
      if (text) {
        const String param = options.Contains(LocateCaseInsensitive) ? "UPPER(?" + name + ")" : "?" + name;
        condition += "(" + column + (options.Contains(LocatePartialKey) ? " starting with " : "=") + param + ")";
      } else {
        condition += "(" + column + "=?" + name + ")";
      }
    }
    q->SQL()->SetText(AddToWhereClause(FSelect->SQL()->Text(), condition, true));
    q->SetOrderClause("");
    if (!q->Prepared()) q->Prepare();
    for (size_t i = 0; i < fields.size() && i < keys.size(); ++i)
      q->ParamByName("LOCATE_" + fields[i]->FieldName())->SetAsVariant(keys[i]);
    if (statement) {
      CloseCursorOf(q);
      CopySelectParams(q);
      q->ExecQuery();
      found = q->FetchNext() != nullptr;
    } else {
      int32_t anchor = FBufferChunks / 2 + 1;
      found = LoadLimitedWindow(q, anchor, true, true);
      if (found) TDataSet::Resync({rmCenter});
    }
  } catch (...) {
    if (!statement && q) q->Free();
    EnableScrollEvents();
    EnableControls();
    throw;
  }
  if (!statement) q->Free();
  EnableScrollEvents();
  EnableControls();
  return found;
}

// The window is not moved: a row it holds answers at once, any other comes from a statement of its own.
Variant TFIBCustomDataSet::LimitedLookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
  const TCacheWindow& w = *FCacheWindow;
  std::vector<TField*> keyList, resultList;
  GetFieldList(keyList, keyFields);
  GetFieldList(resultList, resultFields);
  const std::vector<Variant> keys = KeyValueList(keyValues);
  bool dataOnly = keyList.size() == keys.size();
  for (TField* f : keyList) dataOnly = dataOnly && ColumnOf(f) >= 0;
  for (TField* f : resultList) dataOnly = dataOnly && ColumnOf(f) >= 0;
  if (dataOnly && w.FirstIndex >= 0) {
    std::vector<uint8_t>& row = Limited().Scratch;
    for (int32_t i = w.FirstIndex; i <= w.LastIndex; ++i) {
      ReadLimitedRow(i, row.data());
      bool match = true;
      for (size_t k = 0; k < keyList.size() && match; ++k)
        match = VariantsEqual(ColumnValue(ColumnOf(keyList[k]), row.data()), keys[k]);
      if (!match) continue;
      std::vector<Variant> values;
      for (TField* f : resultList) values.push_back(ColumnValue(ColumnOf(f), row.data()));
      return values.size() == 1 ? values[0] : VarArrayOf(values);
    }
  }
  TFIBQuery* q = CreateOwnedStatement("QLookUp");
  Variant result = Variant::Null();
  try {
    if (LocateOnServer(keyFields, keyValues, {}, q)) {
      std::vector<Variant> values;
      for (const String& name : NameList(resultFields)) {
        TFIBXSQLVAR* v = q->FindField(name);
        if (!v) DatabaseError("Field '" + name + "' not found", this);
        values.push_back(v->GetAsVariant());
      }
      result = values.size() == 1 ? values[0] : VarArrayOf(values);
    }
    CloseCursorOf(q);
  } catch (...) {
    q->Free();
    throw;
  }
  q->Free();
  return result;
}

// Rebuilds the window around the current row as the server has it now; a row that is gone leaves the
// window on the rows after its key.
void TFIBCustomDataSet::LimitedRefresh(bool resync, bool events) {
  if (!Active()) {
    Open();
    return;
  }
  TLimitedState& state = Limited();
  if (events) DoBeforeRefresh();
  const auto* current = reinterpret_cast<const uint8_t*>(ActiveBuffer());
  int32_t anchor = current && !IsEmpty() ? LoadAt<int32_t>(current + RecordNumberOffset) : FCurrentIndex;
  if (anchor < 0) anchor = 0;
  TFIBQuery* q = FRefresh;
  if (StringsAreBlank(RefreshSQL()) || RefreshSQL()->Strings(0) == "No Action") {
    // Without a refresh statement the row is found again by its bookmark key.
    q = state.Locate;
    CloseCursorOf(q);
    if (!q->Prepared()) q->Prepare();
    for (const auto& key : state.Keys) {
      const int32_t column = ColumnOf(FindField(key.Name));
      if (TFIBXSQLVAR* param = q->FindParam("LOCATE_" + key.Name))
        param->SetAsVariant(column >= 0 && current ? ColumnValue(column, current) : Variant::Null());
    }
  } else {
    TFIBTransaction* tr = q->Transaction();
    if (tr && !tr->InTransaction() && FOptions.Contains(poStartTransaction)) tr->StartTransaction();
    if (!q->Prepared()) q->Prepare();
    AssignSQLObjectParams(q, {this});
  }
  LoadLimitedWindow(q, anchor, true, false);
  if (resync) TDataSet::Resync({});
  if (events) DoAfterRefresh();
}

void TFIBCustomDataSet::LimitedPost(bool inserting) {
  auto* b = reinterpret_cast<uint8_t*>(ActiveBuffer());
  ProcessBlobStreams(b, 1, true, false, nullptr);
  ProcessBlobStreams(b, 3, false, false, nullptr);
  b[CacheRowOffset] = cusUnmodified;
  if (!inserting && FCurrentIndex >= FCacheWindow->FirstIndex && FCurrentIndex <= FCacheWindow->LastIndex)
    FCache->WriteRow(CacheRowOf(FCurrentIndex), b + CacheRowOffset, false);
  std::memcpy(FOldBuffer.data(), b, FOldBuffer.size());
  FHasOldBuffer = true;
  try {
    // A new row, or one whose sort key moved it, is shown where the order puts it now.
    if (inserting || FSortKeyChangedOnPost) LimitedRefresh(false, false);
    else if (FOptions.Contains(poRefreshAfterPost)) RefreshRecord();
  } catch (...) {
    // The row is on the server: the post stands and the failed re-read is reported after it.
    FPostRefreshError = std::current_exception();
  }
  FHasOldBuffer = false;
}

void TFIBCustomDataSet::LimitedDelete() { LimitedRefresh(false, false); }
