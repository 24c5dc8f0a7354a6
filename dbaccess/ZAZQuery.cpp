#include "dbaccess/ZAZQuery.h"

#include <ibase.h>

#include <cstring>

#include "dbaccess/FIBConditions.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBSQLMonitor.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "rtl/Clock.h"
#include "rtl/Streams.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '#' || c == '%' || c == '.';
}

bool IsDelimiter(char c) {
  return c == 0 || c == 9 || c == 10 || c == 13 || c == ' ' || c == '(' || c == '-' || c == '/' || c == ';';
}

// The lines joined with CR LF after every line.
String LinesText(TStrings* lines) {
  String text;
  const int32_t n = lines->Count();
  for (int32_t i = 0; i < n; ++i) {
    text += lines->Strings(i);
    text += "\r\n";
  }
  return text;
}

String QuotedMacroValue(const String& value) {
  // Embedded quotes are doubled so that the value stays one SQL string.
  String out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

int64_t VaxInteger(IIBClientLibrary* lib, const char* p, int16_t length) {
  return lib->isc_vax_integer(p, length);
}

}  // namespace

TFIBQuery::TFIBQuery(TComponent* AOwner) : TComponent(AOwner) {}

void TFIBQuery::AfterConstruction() {
  TComponent::AfterConstruction();
  FBase = New<TFIBBase>(this);
  FBase->SetOnDatabaseDisconnecting(TNotifyEvent(this, &TFIBQuery::DoBeforeDisconnect));
  FBase->SetOnTransactionEnding(TNotifyEvent(this, &TFIBQuery::DoBeforeTransactionEnd));
  FSQL = New<TStringList>();
  FSQL->SetOnChanging(TNotifyEvent(this, &TFIBQuery::SQLChanging));
  FSQL->SetOnChange(TNotifyEvent(this, &TFIBQuery::SQLChanged));
  FSQLParams = New<TFIBXSQLDA>(this, true);
  FSQLRecord = New<TFIBXSQLDA>(this, false);
  FUserSQLParams = New<TFIBXSQLDA>(this, true);
  FServerOnlyParams = New<TStringList>();
  FServerOnlyParams->SetSorted(true);
  FConditions = New<TConditions>(this);
  FParser = New<TSQLParser>();
  if (auto* db = dynamic_cast<TFIBDatabase*>(Owner())) SetDatabase(db);
  if (auto* tr = dynamic_cast<TFIBTransaction*>(Owner())) SetTransaction(tr);
}

void TFIBQuery::BeforeDestruction() {
  try {
    if (FOpen) CloseCursor();
    if (FHandle) FreeHandle();
  } catch (const Exception&) {
    // A statement that goes away cannot report a server that no longer answers.
  }
  TComponent::BeforeDestruction();
}

TFIBQuery::~TFIBQuery() {
  FreeAndNil(FBase);
  FreeAndNil(FConditions);
  FreeAndNil(FSQL);
  FreeAndNil(FSQLParams);
  FreeAndNil(FSQLRecord);
  FreeAndNil(FUserSQLParams);
  FreeAndNil(FServerOnlyParams);
  FreeAndNil(FParser);
}

int32_t TFIBQuery::QueryInterface(const TGUID& iid, void** obj) {
  if (void* p = InterfaceByIID(iid)) {
    *obj = p;
    return RTL_S_OK;
  }
  *obj = nullptr;
  return RTL_E_NOINTERFACE;
}

void TFIBQuery::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
}

// --- connection facts ---------------------------------------------------------------------------------------

TFIBDatabase* TFIBQuery::Database() const { return FBase ? FBase->Database() : nullptr; }
TFIBTransaction* TFIBQuery::Transaction() const { return FBase ? FBase->Transaction() : nullptr; }

void TFIBQuery::SetDatabase(TFIBDatabase* value) {
  if (value == Database()) return;
  if (FPrepared || FHandle) FreeHandle();
  FBase->SetDatabase(value);
}

void TFIBQuery::SetTransaction(TFIBTransaction* value) { FBase->SetTransaction(value); }

IIBClientLibrary* TFIBQuery::ClientLibrary() const {
  TFIBDatabase* db = Database();
  return db ? db->ClientLibrary() : nullptr;
}

int32_t TFIBQuery::SQLDialect() const {
  TFIBDatabase* db = Database();
  return db ? db->SQLDialect() : 3;
}

bool TFIBQuery::UnicodeCharset() const {
  TFIBDatabase* db = Database();
  return db && db->IsUnicodeCharSet();
}

bool TFIBQuery::UnicodeOrNoneCharset() const {
  TFIBDatabase* db = Database();
  return db && db->IsUnicodeOrNoneCharSet();
}

bool TFIBQuery::UpperOldNames() const {
  TFIBDatabase* db = Database();
  return db && db->UpperOldNames();
}

ISC_STATUS TFIBQuery::CheckStatus(ISC_STATUS status, bool raise) {
  TFIBTransaction* tr = Transaction();
  ISC_STATUS result = tr ? tr->Call(status, false) : status;
  if (raise && status > 0) RaiseServer();
  return result;
}

void TFIBQuery::RaiseServer() { RaiseServerError(ClientLibrary(), this); }

// --- SQL text --------------------------------------------------------------------------------------------------

TStrings* TFIBQuery::SQL() const { return FSQL; }

void TFIBQuery::SetSQL(TStrings* value) {
  if (value != FSQL) FSQL->Assign(value);
}

void TFIBQuery::SetConditions(TConditions* value) {
  if (value != FConditions) FConditions->Assign(value);
}

void TFIBQuery::SQLChanging(TObject*) {
  if (FOpen) {
    if (ComponentState().Contains(csDesigning)) CloseCursor();
    else RaiseClientError(28, {"change sql text", FullComponentName(this)});
  }
  if (FConditions && FConditions->State() == 0) {
    FConditions->RestorePrimarySQL();
    FConditions->ForgetPrimarySQL();
  }
  if (OnSQLChanging.Assigned()) OnSQLChanging(this);
  FreeHandle();
  FValuesChanged = false;
}

void TFIBQuery::SQLChanged(TObject*) {
  const String text = LinesText(FSQL);
  FParser->SetSQL(text);
  if (FChangeCount >= 1) return;
  ++FSQLVersion;
  FMainTable = "-1";
  FScanParams = FParamCheck && FParser->IsDataStatement();
  if (FScanParams && FSQL->Count() > 0 && HasParamMarkers(text)) {
    ScanParams(text, true);
    if (FUserSQLParams->Count() == 0) FProcessedSQL = text;
    FParsed = true;
    return;
  }
  FUserSQLParams->SetCount(0);
  FSQLParams->SetCount(0);
  FProcessedSQL = text;
  FreeHandle();
  FParsed = true;
}

void TFIBQuery::BeginChangeSQL() { ++FChangeCount; }

void TFIBQuery::EndChangeSQL() {
  if (FChangeCount > 0) --FChangeCount;
  if (FChangeCount == 0) SQLChanged(nullptr);
}

void TFIBQuery::SetParamCheck(bool value) {
  FParamCheck = value;
  FScanParams = value;
  if (!value) {
    FUserSQLParams->SetCount(0);
    FSQLParams->SetCount(0);
    FProcessedSQL = LinesText(FSQL);
    FreeHandle();
  } else {
    SQLChanged(nullptr);
  }
}

String TFIBQuery::GetWhereClause(int32_t n) {
  int32_t pos = 0, endPos = 0;
  String text;
  FParser->WhereClause(n, pos, text, endPos);
  return text;
}

String TFIBQuery::GetMainWhereClause() {
  int32_t pos = 0, endPos = 0;
  String text;
  FParser->MainWhereClause(pos, endPos, text);
  return text;
}

void TFIBQuery::ReplaceMainWhereClause(const String& clause) { FSQL->SetText(FParser->SetMainWhereClause(clause)); }

String TFIBQuery::GetOrderClause() { return FParser->GetOrderClause(); }

void TFIBQuery::SetOrderClause(const String& order) {
  const bool applied = FConditions->Applied();
  if (applied) FConditions->CancelApply();
  FSQL->SetText(FParser->SetOrderClause(order));
  if (applied) FConditions->Apply();
}

void TFIBQuery::SetPlanClause(const String& plan) { FSQL->SetText(FParser->SetPlanClause(plan)); }

String TFIBQuery::GetMainTable() {
  if (FMainTable == "-1") {
    SQLChanged(nullptr);
    FMainTable = MainTableFromSQL(FParser->SQL(), false);
  }
  return FMainTable;
}

// --- parameters -----------------------------------------------------------------------------------------------

TFIBXSQLDA* TFIBQuery::GetParams() {
  if (!FParsed) SQLChanged(nullptr);
  return FUserSQLParams;
}

TFIBXSQLVAR* TFIBQuery::FindParam(const String& name) { return GetParams()->FindByName(name); }

TFIBXSQLVAR* TFIBQuery::ParamByName(const String& name) {
  TFIBXSQLVAR* v = FindParam(name);
  if (!v && StrStartsWith("EXECUTE ", AsciiUpperCase(TrimLeft(FParser->SQL())))) v = FindField(name);
  if (!v) throw Exception(Format("Parameter \"%s\" does not exist in %s", {name, FullComponentName(this)}));
  return v;
}

TFIBXSQLVAR* TFIBQuery::FindField(const String& name) { return FSQLRecord->FindByName(name); }

TFIBXSQLVAR* TFIBQuery::FieldByName(const String& name) {
  TFIBXSQLVAR* v = FindField(name);
  if (!v) RaiseClientError(41, {name});
  return v;
}

TFIBXSQLVAR* TFIBQuery::GetFieldByIndex(int32_t index) {
  if (index < 0 || index >= FSQLRecord->Count()) RaiseClientError(41, {"Field No: " + IntToStr(index)});
  return FSQLRecord->GetVar(index);
}

int32_t TFIBQuery::FieldIndex(const String& name) {
  TFIBXSQLVAR* v = FindField(name);
  return v ? v->Index() : -1;
}

TFIBXSQLVAR* TFIBQuery::FieldByOrigin(const String& relationName, const String& columnName) {
  const bool upper = !(SQLDialect() >= 3 && !UpperOldNames());
  const String rel = upper ? AsciiUpperCase(relationName) : relationName;
  const String col = upper ? AsciiUpperCase(columnName) : columnName;
  for (int32_t i = 0; i < FSQLRecord->Count(); ++i) {
    TFIBXSQLVAR* v = FSQLRecord->GetVar(i);
    if (v->GetRelationName() == rel && v->GetSQLName() == col) return v;
  }
  return nullptr;
}

int32_t TFIBQuery::GetFieldCount() const { return FSQLRecord ? FSQLRecord->Count() : 0; }

int32_t TFIBQuery::ParamCount() { return GetParams()->Count(); }
String TFIBQuery::ParamName(int32_t index) { return GetParams()->GetVar(index)->Name(); }
int32_t TFIBQuery::FieldsCount() { return GetFieldCount(); }

bool TFIBQuery::FieldExist(const String& name, int32_t& index) {
  index = FieldIndex(name);
  return index >= 0;
}

bool TFIBQuery::ParamExist(const String& name, int32_t& index) {
  TFIBXSQLVAR* v = FindParam(name);
  index = v ? v->Index() : -1;
  return v != nullptr;
}

Variant TFIBQuery::FieldValue(const String& name, bool) { return FieldByName(name)->GetAsVariant(); }
Variant TFIBQuery::FieldValue(int32_t index, bool) { return GetFieldByIndex(index)->GetAsVariant(); }
Variant TFIBQuery::ParamValue(const String& name) { return ParamByName(name)->GetAsVariant(); }
Variant TFIBQuery::ParamValue(int32_t index) { return GetParams()->GetVar(index)->GetAsVariant(); }
void TFIBQuery::SetParamValue(int32_t index, const Variant& value) { GetParams()->GetVar(index)->SetAsVariant(value); }
String TFIBQuery::FieldName(int32_t index) { return GetFieldByIndex(index)->Name(); }

// --- parameter scanning and macros ------------------------------------------------------------------------

bool TFIBQuery::HasParamMarkers(const String& text) const {
  TSQLLexer lexer(text);
  TSQLPiece piece;
  while (lexer.Next(piece)) {
    if (piece.Kind != spCode) continue;
    const char c = text[piece.Start];
    if (c == ':' || c == '?' || c == FMacroChar) return true;
  }
  return false;
}

namespace {
struct TScannedName {
  String Name;
  int32_t Start;  // 1-based
  int32_t End;    // 1-based
  bool InWhere;
  bool Standalone;
  bool Quoted;
};

bool StandaloneAt(const String& text, size_t i, bool inWhere) {
  if (!inWhere) return false;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  if (i >= text.size()) return true;
  const char c = text[i];
  const char next = i + 1 < text.size() ? text[i + 1] : '\0';
  if (c == '*' || c == '+' || c == '|') return false;
  if (c == '-') return next == '-';
  if (c == '/') return next == '*';
  return true;
}
}  // namespace

void TFIBQuery::ScanParams(const String& text, bool userMode) {
  enum { sNormal, sParam, sMacro } state = sNormal;
  const TSQLKind kind = FParser->SQLKind();
  const bool paramsAllowed = FParser->IsDataStatement();
  const bool trackWhere = kind != sqkExecProc && kind != sqkExecBlock;
  const size_t n = text.size();
  String out;
  if (!userMode) out.reserve(n + 512);
  std::vector<TScannedName> names;
  bool inWhere = false, enabled = true, quotedName = false, doubled = false;
  int32_t depth = 0;
  String name;
  size_t nameStart = 0;
  auto error = [&](const char* what) {
    RaiseClientError(51, {FullComponentName(this), String(what)});
  };
  auto finish = [&](size_t endIndex, size_t after, bool quoted) {
    names.push_back({name, static_cast<int32_t>(nameStart) + 1, static_cast<int32_t>(endIndex) + 1, inWhere,
                     StandaloneAt(text, after, inWhere), quoted});
    quotedName = false;
    state = sNormal;
  };
  size_t i = 0;
  while (i < n) {
    const char c = text[i];
    const char next = i + 1 < n ? text[i + 1] : '\0';
    switch (state) {
      case sNormal: {
        if (!enabled) break;
        if (trackWhere) {
          if (!inWhere) {
            if (IsWhereAt(text, static_cast<int32_t>(i) + 1)) {
              inWhere = true;
              depth = 0;
              if (!userMode) out.append(text, i, 5);
              i += 5;
              continue;
            }
          } else if (c == '(') {
            ++depth;
          } else if (c == ')') {
            if (--depth < 0) inWhere = false;
          } else if (IsWhereClauseEnd(text, static_cast<int32_t>(i) + 1)) {
            inWhere = false;
          }
        }
        if (c == '\'' || c == '"' || (c == '-' && next == '-') || (c == '/' && next == '*')) {
          // Strings, quoted names and comments pass as they are; one the text ends inside is an error.
          TSQLLexer lexer(text, i);
          TSQLPiece piece;
          lexer.Next(piece);
          if (!piece.Closed)
            error(piece.Kind == spBlockComment ? "EOF in comment detected" : "EOF in string detected");
          if (!userMode) out.append(text, i, piece.End - i);
          i = piece.End;
          continue;
        } else if ((c == ':' || c == '?') && paramsAllowed) {
          state = sParam;
          nameStart = i;
          name.clear();
          if (!userMode) out += '?';
          ++i;
          continue;
        } else if ((c == 'B' || c == 'b') && kind == sqkExecBlock && n - i >= 6 &&
                   AsciiUpperCase(text.substr(i + 1, 4)) == "EGIN" && IsDelimiter(text[i + 5])) {
          // The body of an EXECUTE BLOCK holds local variables, not parameters.
          enabled = false;
        } else if (c == FMacroChar) {
          state = sMacro;
          nameStart = i;
          name.assign(1, c);
          doubled = next == FMacroChar;
          if (!userMode) out += c;
          ++i;
          if (doubled) {
            if (!userMode) out += next;
            ++i;
          }
          continue;
        }
        break;
      }
      case sParam:
      case sMacro: {
        if (state == sParam && c == '"' && !quotedName && name.empty()) {
          quotedName = true;
          if (!userMode) out += ' ';
          ++i;
          continue;
        }
        bool append;
        if (quotedName) append = true;
        else if (state == sParam) append = IsNameChar(c);
        else append = doubled ? c != FMacroChar : (c != ' ' && c != '\r');
        if (!append) {
          if (OwnerChainLoading(this)) return;
          error("Parameter name expected");
        }
        name += c;
        if (!userMode) out += state == sParam ? ' ' : c;
        ++i;
        const char nx = i < n ? text[i] : '\0';
        if (quotedName) {
          if (nx == '"') {
            if (!userMode) out += ' ';
            ++i;
            finish(i - 1, i, true);
          }
        } else if (state == sParam) {
          if (!IsNameChar(nx)) {
            finish(i - 1, i, false);
            if (i < n) {
              // The character after a name is passed unexamined; a bracket still closes a level.
              if (inWhere && trackWhere && nx == ')' && --depth < 0) inWhere = false;
              if (!userMode) out += nx;
              ++i;
            }
          }
        } else if (!doubled) {
          if (nx == ' ' || nx == '\r') finish(i - 1, i, false);
        } else if (nx == FMacroChar) {
          if (!userMode) out += nx;
          ++i;
          finish(i - 1, i, false);
        }
        continue;
      }
    }
    if (!userMode) out += c;
    ++i;
  }
  if (state == sParam || state == sMacro) {
    if (OwnerChainLoading(this)) return;
    error("Parameter name expected");
  }

  // Build the new block; entries of the previous one whose names reappear move over with their values.
  TFIBXSQLDA*& slot = userMode ? FUserSQLParams : FSQLParams;
  TFIBXSQLDA* previous = slot;
  int32_t count = 0;
  for (const TScannedName& s : names)
    if (userMode || s.Name[0] != FMacroChar) ++count;
  TFIBXSQLDA* block = New<TFIBXSQLDA>(this, true);
  block->SetCount(count);
  previous->FNameCache.clear();
  int32_t idx = 0;
  for (const TScannedName& s : names) {
    const bool macro = s.Name[0] == FMacroChar;
    if (macro && !userMode) continue;
    String entryName, macroDefault;
    if (macro) {
      SplitParamDefault(s.Name, FMacroChar, macroDefault, entryName);
      entryName = AsciiUpperCase(entryName.substr(1));
    } else {
      entryName = s.Quoted ? s.Name : AsciiUpperCase(s.Name);
    }
    TFIBXSQLVAR* kept = nullptr;
    auto it = previous->FNameIndex.find(TFIBXSQLDA::Key(entryName));
    if (it != previous->FNameIndex.end() && !it->second.empty()) {
      const int32_t oldIndex = it->second.front();
      kept = previous->FVars[static_cast<size_t>(oldIndex)];
      previous->RemoveIndexOfName(entryName, oldIndex);
      // The raw entries trade places so that the value's type, buffer and indicator stay with the object.
      TFIBXSQLVAR* fresh = block->FVars[static_cast<size_t>(idx)];
      std::swap(*kept->FXSQLVAR, *fresh->FXSQLVAR);
      fbapi::XSQLVAR* oldSlot = kept->FXSQLVAR;
      kept->FXSQLVAR = fresh->FXSQLVAR;
      fresh->FXSQLVAR = oldSlot;
      block->FVars[static_cast<size_t>(idx)] = kept;
      previous->FVars[static_cast<size_t>(oldIndex)] = fresh;
      fresh->FParent = previous;
      fresh->FIndex = oldIndex;
      kept->FParent = block;
    }
    block->AddName(entryName, idx, s.Quoted);
    TFIBXSQLVAR* v = block->FVars[static_cast<size_t>(idx)];
    v->IsMacro = macro;
    v->InWhereClause = s.InWhere;
    v->Standalone = s.Standalone;
    v->TextStart = s.Start;
    v->TextEnd = s.End;
    if (macro) {
      v->MacroQuoted = !macroDefault.empty() && macroDefault[0] == '#';
      v->MacroDefault = v->MacroQuoted ? macroDefault.substr(1) : macroDefault;
      if (!kept) {
        FHoldValuesChanged = true;
        v->StoreString(v->MacroDefault, false);
        FHoldValuesChanged = false;
      }
    } else {
      v->MacroQuoted = false;
      v->MacroDefault.clear();
      if (!kept) {
        bool yes = true;
        v->ApplyAction(0, 0, &yes, TFIBXSQLVAR::saSetNull);
        if (userMode) v->FXSQLVAR->sqltype &= 1;
        v->Assigned = false;
      }
    }
    ++idx;
  }
  // A name written several times shares one value: new occurrences take the kept one's.
  for (auto& [key, list] : block->FNameIndex) {
    if (list.size() < 2) continue;
    TFIBXSQLVAR* source = nullptr;
    for (int32_t k : list) {
      TFIBXSQLVAR* v = block->FVars[static_cast<size_t>(k)];
      if (v->Assigned && !v->GetIsNull()) source = v;
    }
    if (!source) continue;
    for (int32_t k : list) {
      TFIBXSQLVAR* v = block->FVars[static_cast<size_t>(k)];
      if (v != source) v->ApplyAction(0, 0, source->FXSQLVAR, TFIBXSQLVAR::saCopyRaw);
    }
  }
  slot = block;
  previous->Free();
  if (!userMode) FProcessedSQL = out;
}

String TFIBQuery::BuildExecText(bool markSubstitution) {
  String s = FParser->SQL();
  int32_t delta = 0;
  if (markSubstitution) FMacrosSubstituted = false;
  const bool forceIsNull = !FOptions.Contains(qoNoForceIsNull);
  for (int32_t k = 0; k < FUserSQLParams->Count(); ++k) {
    TFIBXSQLVAR* v = FUserSQLParams->GetVar(k);
    const int32_t start = v->TextStart + delta;  // 1-based
    const int32_t end = v->TextEnd + delta;
    if (start < 1 || end > static_cast<int32_t>(s.size())) continue;
    if (v->IsMacro) {
      const String value = v->GetAsString();
      const String text = v->MacroQuoted ? QuotedMacroValue(value) : value;
      s.replace(static_cast<size_t>(start - 1), static_cast<size_t>(end - start + 1), text);
      delta += static_cast<int32_t>(text.size()) - (end - start + 1);
      v->SavedValue = Variant(value);
      if (markSubstitution) FMacrosSubstituted = true;
      continue;
    }
    if (!forceIsNull || !v->GetIsNull() || !v->InWhereClause || !v->Standalone) continue;
    int32_t p = start - 1;
    int32_t brackets = 0;
    while (p >= 1 && IsDelimiter(s[static_cast<size_t>(p - 1)])) {
      if (s[static_cast<size_t>(p - 1)] == '(') ++brackets;
      --p;
    }
    if (p < 2) continue;
    const char op = s[static_cast<size_t>(p - 1)];
    const char before = s[static_cast<size_t>(p - 2)];
    int32_t from = 0;
    const char* replacement = nullptr;
    if (op == '=') {
      if (before == '!' || before == '^' || before == '~') {
        from = p - 1;
        replacement = " IS NOT NULL ";
      } else if (before != '<' && before != '>') {
        from = p;
        replacement = " IS NULL ";
      }
    } else if (op == '>' && before == '<') {
      from = p - 1;
      replacement = " IS NOT NULL ";
    }
    if (!replacement) continue;
    // Brackets opened between the operator and the name close after it: they go too, or nothing does.
    int32_t to = end;
    int32_t closing = brackets;
    int32_t q = end + 1;
    while (closing > 0 && q <= static_cast<int32_t>(s.size())) {
      const char c = s[static_cast<size_t>(q - 1)];
      if (c == ')') {
        --closing;
        to = q;
      } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
        break;
      }
      ++q;
    }
    if (closing > 0) continue;
    s.replace(static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1), replacement);
    delta += static_cast<int32_t>(std::strlen(replacement)) - (to - from + 1);
    v->SavedValue = Null();
    if (markSubstitution) FMacrosSubstituted = true;
  }
  ScanParams(s, false);
  return s;
}

bool TFIBQuery::NeedsRebuild() {
  if (!FPrepared || FValuesChanged) return true;
  for (int32_t k = 0; k < FUserSQLParams->Count(); ++k) {
    TFIBXSQLVAR* v = FUserSQLParams->GetVar(k);
    if (v->IsMacro) {
      if (v->GetAsString() != VarToStr(v->SavedValue)) return true;
    } else if (v->Standalone && v->InWhereClause && v->GetIsNull() != VarIsNull(v->SavedValue)) {
      return true;
    }
  }
  return false;
}

void TFIBQuery::RebuildParams() {
  if (ComponentState().Contains(csDesigning)) return;
  CloseCursor();
  FreeHandle();
  BuildExecText(true);
  FValuesChanged = false;
}

void TFIBQuery::SaveParamValues(TFIBXSQLDA* block) {
  for (int32_t k = 0; k < block->Count(); ++k) {
    TFIBXSQLVAR* v = block->GetVar(k);
    if (v->Assigned) v->SavedValue = v->GetIsNull() ? Null() : v->GetAsVariant();
  }
}

void TFIBQuery::RestoreParamValues(TFIBXSQLDA* block) {
  for (int32_t k = 0; k < block->Count(); ++k) {
    TFIBXSQLVAR* v = block->GetVar(k);
    const int32_t t = v->GetSQLType();
    if (t == SQLTypeBlob || t == SQLTypeArray) continue;
    if (VarIsEmpty(v->SavedValue)) {
      if (t == SQLTypeVarying) v->FXSQLVAR->sqltype = static_cast<ISC_SHORT>(SQLTypeText | (v->FXSQLVAR->sqltype & 1));
    } else {
      v->SetAsVariant(v->SavedValue);
    }
  }
}

// --- prepare ---------------------------------------------------------------------------------------------------

void TFIBQuery::StartTransactionIfNeeded() {
  TFIBTransaction* tr = Transaction();
  if (FOptions.Contains(qoStartTransaction) && tr && !tr->Active()) tr->StartTransaction();
}

String TFIBQuery::TraceName() const {
  if (Owner() && !Owner()->Name().empty()) return Owner()->Name() + "." + Name();
  return Name();
}

void TFIBQuery::Prepare() {
  if (FOpen) CloseCursor();
  FBase->CheckDatabase();
  StartTransactionIfNeeded();
  FBase->CheckTransaction();
  if (FScanParams && GetParams()->Count() > 0) {
    if (!FParsed) SQLChanged(nullptr);
    if (NeedsRebuild()) {
      FreeHandle();
      BuildExecText(true);
      FValuesChanged = false;
    }
  } else {
    // Text is UTF-8 already, so a Unicode connection takes the parser's text as it is.
    FProcessedSQL = FParser->SQL();
  }
  if (FPrepared) return;
  IIBClientLibrary* lib = ClientLibrary();
  FRelationAliases.clear();
  FAliasesFilled = false;
  if (IsBlankStr(FProcessedSQL)) RaiseClientError(37, {"Prepare"});
  try {
    CheckStatus(lib->isc_dsql_alloc_statement2(StatusVector(), FBase->GetDBHandle(), &FHandle), true);
    FSQLRecord->SetCount(1);
    const String text = FProcessedSQL + "\r\n";
    CheckStatus(lib->isc_dsql_prepare(StatusVector(), FBase->GetTRHandle(), &FHandle, 0, text.c_str(),
                                      static_cast<unsigned short>(SQLDialect()), FSQLRecord->AsXSQLDA()),
                true);
    char item = isc_info_sql_stmt_type;
    char buffer[8] = {};
    CheckStatus(lib->isc_dsql_sql_info(StatusVector(), &FHandle, 1, &item, sizeof buffer, buffer), true);
    if (buffer[0] != isc_info_sql_stmt_type) RaiseClientError(0);
    const int16_t length = static_cast<int16_t>(VaxInteger(lib, buffer + 1, 2));
    FSQLType = static_cast<TFIBSQLTypes>(VaxInteger(lib, buffer + 3, length));
    if (FSQLType == SQLSelectForUpdate) {
      if (FCursorName.empty()) FCursorName = RandomDigits(10);
      CheckStatus(lib->isc_dsql_set_cursor_name(StatusVector(), &FHandle, FCursorName.c_str(), 0), true);
    }
    switch (FSQLType) {
      case SQLGetSegment:
      case SQLPutSegment:
      case SQLStartTransaction:
        FreeHandle();
        RaiseClientError(2);
      case SQLSelect:
      case SQLInsert:
      case SQLUpdate:
      case SQLDelete:
      case SQLExecProcedure:
      case SQLSelectForUpdate: Describe(); break;
      default: FSQLRecord->SetCount(0); break;
    }
    FPrepared = true;
    FLibrary = lib;
    if (TFIBSQLMonitorHook* hook = MonitorHook()) hook->TracePrepare(this);
  } catch (const Exception& e) {
    if (TFIBSQLMonitorHook* hook = MonitorHook(); hook && IsTraceEnabled())
      hook->SendTrace(TraceName() + ": [Prepare] " + e.Message(), tfQPrepare);
    if (FHandle) {
      try {
        FreeHandle();
      } catch (const Exception&) {
      }
    }
    FPrepared = false;
    throw;
  }
}

void TFIBQuery::Describe() {
  IIBClientLibrary* lib = ClientLibrary();
  const unsigned short dialect = static_cast<unsigned short>(SQLDialect());
  TFIBXSQLDA* input = FMacrosSubstituted ? FSQLParams : FUserSQLParams;
  if (input->Count() > 0 && FSQLParams->Count() > 0) {
    if (!FMacrosSubstituted) SaveParamValues(FSQLParams);
    CheckStatus(lib->isc_dsql_describe_bind(StatusVector(), &FHandle, dialect, FSQLParams->AsXSQLDA()), true);
    if (input == FUserSQLParams) {
      const int32_t n = std::min(FUserSQLParams->Count(), FSQLParams->Count());
      for (int32_t i = 0; i < n; ++i) {
        TFIBXSQLVAR* user = FUserSQLParams->GetVar(i);
        fbapi::XSQLVAR* server = FSQLParams->GetVar(i)->FXSQLVAR;
        fbapi::XSQLVAR* x = user->FXSQLVAR;
        const int32_t st = server->sqltype & ~1;
        if (user->GetIsNull()) {
          x->sqltype = static_cast<ISC_SHORT>(server->sqltype | 1);
          x->sqlscale = server->sqlscale;
          x->sqllen = server->sqllen;
          x->sqlsubtype = server->sqlsubtype;
          std::free(x->sqldata);
          const size_t size = static_cast<size_t>(server->sqllen) + (st == SQLTypeVarying ? 2 : 0);
          x->sqldata = static_cast<ISC_SCHAR*>(std::calloc(size == 0 ? 1 : size, 1));
          user->ApplyAction(0, 0, &kTrue, TFIBXSQLVAR::saSetNull);
        } else if ((st == SQLTypeBlob || st == SQLTypeArray) && user->GetSQLType() != st && !user->BlobContents) {
          const String text = user->GetAsString();
          x->sqltype = server->sqltype;
          x->sqllen = server->sqllen;
          x->sqlsubtype = server->sqlsubtype;
          user->DescribedType = st;
          FSQLParams->GetVar(i)->DescribedType = st;
          user->SetAsString(text);
        } else if ((st == SQLTypeBoolean || st == SQLTypeBoolean64) &&
                   (user->GetSQLType() == SQLTypeShort || user->GetSQLType() == SQLTypeLong)) {
          // The server converts no integer to BOOLEAN.
          const uint8_t b = user->GetAsInteger() != 0 ? 1 : 0;
          user->ApplyAction(st, 1, &b, TFIBXSQLVAR::saSetValue);
        }
      }
    }
  }
  FSQLParams->AfterDescribe();
  if (!FMacrosSubstituted) RestoreParamValues(FSQLParams);
  if (FSQLType == SQLSelect || FSQLType == SQLExecProcedure || FSQLType == SQLSelectForUpdate) {
    const int32_t n = FSQLRecord->AsXSQLDA() ? FSQLRecord->AsXSQLDA()->sqld : 0;
    if (n > FSQLRecord->Count()) {
      FSQLRecord->SetCount(n);
      CheckStatus(lib->isc_dsql_describe(StatusVector(), &FHandle, dialect, FSQLRecord->AsXSQLDA()), true);
    } else {
      FSQLRecord->SetCount(n);
    }
    FSQLRecord->AfterDescribe();
  } else {
    FSQLRecord->SetCount(0);
  }
  if (FMacrosSubstituted) AlignUserParams();
}

void TFIBQuery::AlignUserParams() {
  FServerOnlyParams->Clear();
  for (int32_t i = 0; i < FUserSQLParams->Count(); ++i) {
    TFIBXSQLVAR* user = FUserSQLParams->GetVar(i);
    auto it = FSQLParams->FNameIndex.find(TFIBXSQLDA::Key(user->Name()));
    if (it == FSQLParams->FNameIndex.end() || it->second.empty()) continue;
    TFIBXSQLVAR* server = FSQLParams->FVars[static_cast<size_t>(it->second.front())];
    const int32_t st = server->GetSQLType();
    const int32_t ut = user->GetSQLType();
    if ((st == SQLTypeTimeStamp || st == SQLTypeDate) &&
        (ut == SQLTypeFloat || ut == SQLTypeDouble || ut == SQLTypeDFloat)) {
      user->SetAsDateTime(user->GetAsFloat());
    } else if ((st == SQLTypeBlob || st == SQLTypeArray) && st != ut && !user->BlobContents) {
      user->FXSQLVAR->sqlsubtype = server->FXSQLVAR->sqlsubtype;
      if (user->GetIsNull()) {
        user->SetAsQuad(server->GetAsQuad());
        user->SetIsNull(true);
      } else if (st != SQLTypeArray) {
        user->DescribedType = st;
        user->SetAsString(user->GetAsString());
      }
    }
  }
  for (int32_t i = 0; i < FSQLParams->Count(); ++i) {
    const String& name = FSQLParams->GetVar(i)->Name();
    if (FUserSQLParams->FNameIndex.find(TFIBXSQLDA::Key(name)) == FUserSQLParams->FNameIndex.end())
      FServerOnlyParams->Add(name);
  }
}

// --- execute and fetch ----------------------------------------------------------------------------------------

void TFIBQuery::WriteBlobParams() {
  if (!FBlobParams) return;
  for (int32_t i = 0; i < FUserSQLParams->Count(); ++i) {
    TFIBXSQLVAR* v = FUserSQLParams->GetVar(i);
    if (!v->BlobContents) continue;
    StartTransactionIfNeeded();
    const String data(static_cast<const char*>(v->BlobContents->Memory()),
                      static_cast<size_t>(v->BlobContents->Size()));
    const fbapi::ISC_QUAD id = WriteBlob(data);
    v->SetAsQuad(id);
  }
}

void TFIBQuery::FreeBlobParams() {
  for (int32_t i = 0; i < FUserSQLParams->Count(); ++i) FreeAndNil(FUserSQLParams->GetVar(i)->BlobContents);
  FBlobParams = false;
}

void TFIBQuery::ExecQuery() {
  if (BeforeExecute.Assigned()) BeforeExecute(this);
  FSQLRecord->ClearValues();
  StartTransactionIfNeeded();
  const bool withParams = FScanParams && GetParams()->Count() > 0;
  if (withParams || !FPrepared) Prepare();
  FBase->CheckTransaction();
  WriteBlobParams();
  TFIBXSQLDA* input;
  if (withParams && FMacrosSubstituted) {
    FSQLParams->AssignValues(FUserSQLParams);
    input = FSQLParams;
  } else {
    if (FUserSQLParams->HasDeferred()) FUserSQLParams->ApplyDeferred();
    input = FUserSQLParams;
  }
  fbapi::XSQLDA* in = input->Count() > 0 ? input->AsXSQLDA() : nullptr;
  IIBClientLibrary* lib = ClientLibrary();
  TFIBTransaction* tr = Transaction();
  const unsigned short dialect = static_cast<unsigned short>(SQLDialect());
  const uint32_t start = GetTickCount();
  try {
    tr->NotifySQLExecute(this, 0);
    switch (FSQLType) {
      case SQLSelect:
      case SQLSelectForUpdate:
        if (FOpen) CloseCursor();
        CheckStatus(lib->isc_dsql_execute(StatusVector(), FBase->GetTRHandle(), &FHandle, dialect, in), true);
        FOpen = true;
        FBOF = true;
        FEOF = false;
        FRecordCount = 0;
        FSQLRecord->ClearValues();
        if (FGoToFirstRecordOnExecute) FetchNext();
        break;
      case SQLExecProcedure:
        CheckStatus(lib->isc_dsql_execute2(StatusVector(), FBase->GetTRHandle(), &FHandle, dialect, in,
                                           FSQLRecord->Count() > 0 ? FSQLRecord->AsXSQLDA() : nullptr),
                    true);
        FProcExecuted = true;
        break;
      default:
        CheckStatus(lib->isc_dsql_execute(StatusVector(), FBase->GetTRHandle(), &FHandle, dialect, in), true);
        break;
    }
    FCallTime = GetTickCount() - start;
    if (TFIBSQLMonitorHook* hook = MonitorHook()) hook->TraceExecute(this);
    if (withParams) SaveParamValues(FUserSQLParams);
    tr->NotifySQLExecute(this, 1);
  } catch (const Exception& e) {
    FCallTime = GetTickCount() - start;
    if (TFIBSQLMonitorHook* hook = MonitorHook(); hook && IsTraceEnabled()) {
      hook->TraceExecute(this);
      hook->SendTrace(TraceName() + ": [Execute] " + e.Message(), tfQExecute);
    }
    throw;
  }
  if (FOptions.Contains(qoAutoCommit)) {
    if (tr->TimeoutAction() == TACommitRetaining) tr->CommitRetaining();
    else tr->Commit();
  }
  FUserSQLParams->ResetModified();
  FValuesChanged = false;
  FreeBlobParams();
  if (!FOpen && FOptions.Contains(qoFreeHandleAfterExecute)) FreeHandle();
  if (AfterExecute.Assigned()) AfterExecute(this);
}

TFIBXSQLDA* TFIBQuery::FetchNext() {
  if (FEOF) return nullptr;
  if (!FOpen) RaiseClientError(29, {"fetch next record", FullComponentName(this)});
  if (FetchHook.Assigned()) {
    bool stop = false;
    FetchHook(FRecordCount, stop);
    if (stop && !OwnerChainLoading(this)) Abort();
  }
  TFIBXSQLDA* result = nullptr;
  ISC_STATUS* status = StatusVector();
  const ISC_STATUS r = CheckStatus(
      FLibrary->isc_dsql_fetch(status, &FHandle, static_cast<unsigned short>(SQLDialect()), FSQLRecord->AsXSQLDA()),
      false);
  if (r == 0) {
    ++FRecordCount;
    FBOF = false;
    result = FSQLRecord;
  } else if (r == 100 || StatusVectorContains({isc_dsql_cursor_err})) {
    FEOF = true;
  } else {
    // Closing the cursor writes the status vector: keep the fetch's error for the exception.
    ISC_STATUS saved[StatusVectorLength];
    std::memcpy(saved, status, sizeof saved);
    try {
      CloseCursor();
    } catch (const Exception&) {
    }
    std::memcpy(status, saved, sizeof saved);
    RaiseServer();
  }
  if (TFIBSQLMonitorHook* hook = MonitorHook()) hook->TraceFetch(this);
  return result;
}

bool TFIBQuery::GetEof() {
  if (FEOF && FOpen && FOptions.Contains(qoFreeHandleAfterExecute)) {
    CloseCursor();
    FreeHandle();
  }
  return FEOF || !FOpen;
}

void TFIBQuery::CloseCursor() {
  ISC_STATUS r = 0;
  IIBClientLibrary* lib = ClientLibrary();
  if (FHandle && FOpen && lib && (FSQLType == SQLSelect || FSQLType == SQLSelectForUpdate)) {
    r = CheckStatus(lib->isc_dsql_free_statement(StatusVector(), &FHandle, DSQL_close), false);
    if (r > 0 && StatusVectorContains({isc_bad_stmt_handle, isc_dsql_cursor_close_err})) r = 0;
    if (r > 0) {
      // The server may still hold the cursor open, and the statement's next execution would fail
      // ("Attempt to reopen an open cursor"): it is dropped and prepared anew when used again. The
      // status vector keeps the close's failure for the error raised below.
      ISC_STATUS scratch[StatusVectorLength] = {};
      lib->isc_dsql_free_statement(scratch, &FHandle, DSQL_drop);
      FHandle = 0;
      FPrepared = false;
    }
  }
  FBOF = false;
  FEOF = false;
  FOpen = false;
  FProcExecuted = false;
  if (r > 0) RaiseServer();
}

void TFIBQuery::FreeHandle() {
  if (FSQLRecord) FSQLRecord->SetCount(0);
  ISC_STATUS r = 0;
  IIBClientLibrary* lib = ClientLibrary();
  if (FHandle && lib) {
    r = CheckStatus(lib->isc_dsql_free_statement(StatusVector(), &FHandle, DSQL_drop), false);
    if (r > 0 && StatusVectorContains({isc_bad_stmt_handle})) r = 0;
  }
  FPrepared = false;
  FHandle = 0;
  FOpen = false;
  FBOF = false;
  FEOF = false;
  if (r > 0) RaiseServer();
}

void TFIBQuery::DoBeforeDisconnect(TObject*) {
  if (FHandle) {
    try {
      CloseCursor();
    } catch (const Exception&) {
    }
    FreeHandle();
  }
}

void TFIBQuery::DoBeforeTransactionEnd(TObject*) {
  TFIBTransaction* tr = Transaction();
  if (FOpen && tr && (tr->State() == trsRollingBack || tr->State() == trsCommitting)) CloseCursor();
}

// --- server information -------------------------------------------------------------------------------------

int32_t TFIBQuery::GetRowsAffected() {
  if (!FPrepared) Prepare();
  IIBClientLibrary* lib = ClientLibrary();
  char item = isc_info_sql_records;
  char buffer[255] = {};
  CheckStatus(lib->isc_dsql_sql_info(StatusVector(), &FHandle, 1, &item, sizeof buffer, buffer), true);
  int64_t selected = 0, inserted = 0, updated = 0, deleted = 0;
  if (buffer[0] != isc_info_end) {
    if (buffer[0] != isc_info_sql_records) RaiseClientError(0);
    const char* p = buffer + 3;
    const char* end = buffer + sizeof buffer;
    while (p < end && *p != isc_info_end) {
      const char what = *p;
      const int16_t length = static_cast<int16_t>(VaxInteger(lib, p + 1, 2));
      const int64_t value = VaxInteger(lib, p + 3, length);
      switch (what) {
        case isc_info_req_select_count: selected = value; break;
        case isc_info_req_insert_count: inserted = value; break;
        case isc_info_req_update_count: updated = value; break;
        case isc_info_req_delete_count: deleted = value; break;
        default: RaiseClientError(0);
      }
      p += 3 + length;
    }
  }
  switch (FSQLType) {
    case SQLSelect: return static_cast<int32_t>(selected);
    case SQLInsert: return static_cast<int32_t>(inserted);
    case SQLUpdate: return static_cast<int32_t>(updated);
    case SQLDelete: return static_cast<int32_t>(deleted);
    default: return static_cast<int32_t>(selected + inserted + updated + deleted);
  }
}

String TFIBQuery::GetPlan() {
  if (!FPrepared || !(FSQLType == SQLSelect || FSQLType == SQLUpdate || FSQLType == SQLDelete ||
                      FSQLType == SQLExecProcedure || FSQLType == SQLSelectForUpdate))
    return String();
  IIBClientLibrary* lib = ClientLibrary();
  char item = isc_info_sql_get_plan;
  std::vector<char> buffer(16385);
  CheckStatus(lib->isc_dsql_sql_info(StatusVector(), &FHandle, 1, &item, static_cast<short>(buffer.size() - 1),
                                     buffer.data()),
              true);
  if (buffer[0] != isc_info_sql_get_plan) return String();
  const int16_t length = static_cast<int16_t>(VaxInteger(lib, buffer.data() + 1, 2));
  return TrimStr(String(buffer.data() + 3, static_cast<size_t>(length)));
}

void TFIBQuery::FillRelationAliases() {
  FAliasesFilled = true;
  const int32_t n = FSQLRecord->Count();
  FRelationAliases.assign(static_cast<size_t>(n), String());
  TFIBDatabase* db = Database();
  if (db && db->IsFirebirdServer() && db->GetServerMajorVersion() >= 2) {
    IIBClientLibrary* lib = ClientLibrary();
    const char items[] = {isc_info_sql_select, isc_info_sql_describe_vars, isc_info_sql_sqlda_seq,
                          isc_info_sql_relation_alias, isc_info_sql_describe_end};
    std::vector<char> buffer(32767);
    CheckStatus(lib->isc_dsql_sql_info(StatusVector(), &FHandle, sizeof items, items,
                                       static_cast<short>(buffer.size()), buffer.data()),
                true);
    const char* p = buffer.data();
    const char* end = p + buffer.size();
    int32_t seq = 0;
    while (p < end && *p != isc_info_end && *p != isc_info_truncated) {
      const char what = *p++;
      if (what == isc_info_sql_select || what == isc_info_sql_describe_end) continue;
      const int16_t length = static_cast<int16_t>(VaxInteger(lib, p, 2));
      p += 2;
      if (what == isc_info_sql_sqlda_seq) seq = static_cast<int32_t>(VaxInteger(lib, p, length));
      else if (what == isc_info_sql_relation_alias && seq >= 1 && seq <= n)
        FRelationAliases[static_cast<size_t>(seq - 1)] = String(p, static_cast<size_t>(std::min<int16_t>(length, 31)));
      p += length;
    }
    for (int32_t i = 0; i < n; ++i)
      if (FRelationAliases[static_cast<size_t>(i)].empty())
        FRelationAliases[static_cast<size_t>(i)] = FSQLRecord->GetVar(i)->GetRelationName();
  } else {
    const String text = FProcessedSQL;
    for (int32_t i = 0; i < n; ++i) {
      const String rel = FSQLRecord->GetVar(i)->GetRelationName();
      if (!rel.empty()) FRelationAliases[static_cast<size_t>(i)] = AliasOfTable(text, QuoteIdentifierIfNeeded(3, rel));
    }
  }
}

String TFIBQuery::FieldRelationAlias(int32_t index) {
  if (!FPrepared) Prepare();
  if (!FAliasesFilled) FillRelationAliases();
  if (index < 0 || index >= static_cast<int32_t>(FRelationAliases.size())) return String();
  return FRelationAliases[static_cast<size_t>(index)];
}

String TFIBQuery::FieldRelationAlias(const String& name) {
  if (!FPrepared) Prepare();
  TFIBXSQLVAR* v = FindField(name);
  return v ? FieldRelationAlias(v->Index()) : String();
}

// --- blobs ---------------------------------------------------------------------------------------------------

String TFIBQuery::ReadBlob(const fbapi::ISC_QUAD& id) {
  IIBClientLibrary* lib = ClientLibrary();
  if (!lib) RaiseClientError(21);
  StartTransactionIfNeeded();
  isc_blob_handle blob = 0;
  fbapi::ISC_QUAD quad = id;
  CheckStatus(lib->isc_open_blob2(StatusVector(), FBase->GetDBHandle(), FBase->GetTRHandle(), &blob, &quad, 0,
                                  nullptr),
              true);
  String data;
  char segment[32768];
  while (true) {
    unsigned short got = 0;
    const ISC_STATUS r = lib->isc_get_segment(StatusVector(), &blob, &got, sizeof segment, segment);
    if (r == 0 || r == isc_segment) {
      data.append(segment, got);
      continue;
    }
    if (r == isc_segstr_eof) break;
    ISC_STATUS saved[StatusVectorLength];
    std::memcpy(saved, StatusVector(), sizeof saved);
    lib->isc_close_blob(StatusVector(), &blob);
    std::memcpy(StatusVector(), saved, sizeof saved);
    RaiseServer();
  }
  CheckStatus(lib->isc_close_blob(StatusVector(), &blob), true);
  return data;
}

fbapi::ISC_QUAD TFIBQuery::WriteBlob(const String& data) {
  IIBClientLibrary* lib = ClientLibrary();
  if (!lib) RaiseClientError(21);
  isc_blob_handle blob = 0;
  fbapi::ISC_QUAD id{};
  CheckStatus(lib->isc_create_blob2(StatusVector(), FBase->GetDBHandle(), FBase->GetTRHandle(), &blob, &id, 0,
                                    nullptr),
              true);
  size_t pos = 0;
  while (pos < data.size()) {
    const unsigned short chunk = static_cast<unsigned short>(std::min<size_t>(data.size() - pos, 32767));
    if (lib->isc_put_segment(StatusVector(), &blob, chunk, data.data() + pos)) {
      ISC_STATUS saved[StatusVectorLength];
      std::memcpy(saved, StatusVector(), sizeof saved);
      lib->isc_cancel_blob(StatusVector(), &blob);
      std::memcpy(StatusVector(), saved, sizeof saved);
      RaiseServer();
    }
    pos += chunk;
  }
  CheckStatus(lib->isc_close_blob(StatusVector(), &blob), true);
  return id;
}
