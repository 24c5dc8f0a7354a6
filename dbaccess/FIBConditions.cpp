#include "dbaccess/FIBConditions.h"

#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Filer.h"
#include "rtl/SysUtils.h"

// --- TCondition --------------------------------------------------------------------------------------------

TCondition::~TCondition() {
  if (FOwner && !FInDestruction) {
    FInDestruction = true;
    const int32_t i = IndexInOwner();
    if (i >= 0) FOwner->Delete(i);
  }
}

int32_t TCondition::IndexInOwner() const {
  for (int32_t i = 0; i < FOwner->Count(); ++i)
    if (FOwner->GetObject(i) == this) return i;
  return -1;
}

String TCondition::Name() const {
  const int32_t i = IndexInOwner();
  return i < 0 ? String() : FOwner->Names(i);
}

String TCondition::Text() const {
  const int32_t i = IndexInOwner();
  if (i < 0) return String();
  const String line = FOwner->Strings(i);
  const size_t p = line.find('=');
  return p == String::npos ? String() : line.substr(p + 1);
}

void TCondition::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FOwner->FApplied = false;
  FEnabled = value;
  FEnabledFromStream = false;
}

void TCondition::SetText(const String& value) {
  const int32_t i = IndexInOwner();
  if (i < 0) return;
  const String line = Name() + "=" + value;
  if (FOwner->Strings(i) != line) {
    FOwner->TStringList::Put(i, line);
    FTextFromStream = false;
  }
}

void TCondition::SetEnabledFromStream(bool value) {
  SetEnabled(value);
  FEnabledFromStream = true;
}

void TCondition::SetTextFromStream(const String& value) {
  SetText(value);
  FTextFromStream = true;
}

// --- TConditions ---------------------------------------------------------------------------------------------

TConditions::TConditions(TFIBQuery* owner) : FQuery(owner) {}

void TConditions::BeforeDestruction() {
  Clear();
  TStringList::BeforeDestruction();
}

TConditions::~TConditions() = default;

int32_t TConditions::Add(const String& s) { return AddObject(s, nullptr); }

int32_t TConditions::AddObject(const String& s, TObject* obj) {
  if (obj && !dynamic_cast<TCondition*>(obj)) return -1;
  TCondition* c = obj ? static_cast<TCondition*>(obj) : new TCondition(this);
  c->FOwner = this;
  return TStringList::AddObject(s, c);
}

void TConditions::Put(int32_t index, const String& s) {
  if (index == Count()) {
    Add(s);
    return;
  }
  TStringList::Put(index, s);
}

void TConditions::Delete(int32_t index) {
  auto* c = dynamic_cast<TCondition*>(GetObject(index));
  if (!c || c->FInDestruction) {
    TStringList::Delete(index);
    return;
  }
  // The condition's destruction removes its line.
  delete c;
}

void TConditions::Clear() {
  for (int32_t i = Count() - 1; i >= 0; --i) Delete(i);
  TStringList::Clear();
}

TCondition* TConditions::ConditionAt(int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  return dynamic_cast<TCondition*>(GetObject(index));
}

TCondition* TConditions::FindCondition(const String& name) { return ConditionAt(IndexOfName(name)); }

TCondition* TConditions::AddCondition(const String& name, const String& text, bool enabled) {
  TCondition* c;
  const int32_t i = IndexOfName(name);
  if (i < 0) {
    c = ConditionAt(Add(name + "=" + text));
  } else {
    c = ConditionAt(i);
    c->SetText(text);
  }
  c->FEnabled = enabled;
  if (enabled) FApplied = false;
  return c;
}

void TConditions::RemoveCondition(const String& name) {
  const int32_t i = IndexOfName(name);
  if (i < 0) return;
  Delete(i);
  FApplied = false;
}

String TConditions::EnabledWhereText() {
  String text;
  for (int32_t i = 0; i < Count(); ++i) {
    TCondition* c = ConditionAt(i);
    if (!c || !c->Enabled() || IsBlankStr(Strings(i))) continue;
    text += "(" + c->Text() + ")\r\n\r\n and ";
  }
  if (!IsBlankStr(text)) text.resize(text.size() - 7);
  return text;
}

void TConditions::Apply() {
  FQuery->BeginChangeSQL();
  FState |= 1;
  try {
    const String where = EnabledWhereText();
    if (IsBlankStr(FPrimarySQL)) FPrimarySQL = FQuery->SQL()->Text();
    else RestorePrimarySQL();
    if (!IsBlankStr(where)) {
      FQuery->SQLChanged(nullptr);  // the parser must see the primary text
      const String current = FQuery->GetMainWhereClause();
      // An existing clause keeps its meaning next to the added conditions only in brackets.
      const String clause = current.empty() ? where : "(" + current + ")\r\nand " + where;
      FQuery->ReplaceMainWhereClause(clause);
    }
    FApplied = true;
  } catch (...) {
    FState &= static_cast<uint8_t>(~1);
    FQuery->EndChangeSQL();
    throw;
  }
  FState &= static_cast<uint8_t>(~1);
  FQuery->EndChangeSQL();
}

void TConditions::CancelApply() {
  if (!FApplied || FState != 0) return;
  FState |= 2;
  try {
    RestorePrimarySQL();
  } catch (...) {
    FState &= static_cast<uint8_t>(~2);
    throw;
  }
  FState &= static_cast<uint8_t>(~2);
}

void TConditions::RestorePrimarySQL() {
  FState |= 4;
  FApplied = false;
  try {
    if (!IsBlankStr(FPrimarySQL) && FPrimarySQL != FQuery->SQL()->Text()) FQuery->SQL()->SetText(FPrimarySQL);
  } catch (...) {
    FState &= static_cast<uint8_t>(~4);
    throw;
  }
  FState &= static_cast<uint8_t>(~4);
}

void TConditions::SaveToStrings(TStrings* list) {
  list->Clear();
  for (int32_t i = 0; i < Count(); ++i) {
    TCondition* c = ConditionAt(i);
    list->Add(c->Name() + "#$#$" + c->Text() + "#$#$" + (c->Enabled() ? "1" : "0"));
  }
}

void TConditions::LoadFromStrings(TStrings* list) {
  Clear();
  for (int32_t i = 0; i < list->Count(); ++i) {
    const String line = list->Strings(i);
    const size_t a = line.find("#$#$");
    String name = line, text, rest;
    if (a != String::npos) {
      name = line.substr(0, a);
      const size_t b = line.find("#$#$", a + 4);
      if (b == String::npos) {
        text = line.substr(a + 4);
      } else {
        text = line.substr(a + 4, b - a - 4);
        rest = line.substr(b + 4);
      }
    }
    AddCondition(name, text, TrimStr(rest) == "1");
  }
}

String TConditions::GetConditionsText() {
  TStringList* list = New<TStringList>();
  SaveToStrings(list);
  String text = list->Text();
  list->Free();
  return text;
}

void TConditions::SetConditionsText(const String& text) {
  TStringList* list = New<TStringList>();
  list->SetText(text);
  LoadFromStrings(list);
  list->Free();
}

// --- streaming -----------------------------------------------------------------------------------------------

namespace {
constexpr const char* kDeletedMarker = "#@DELETED";
}

bool TConditions::DataDiffers(TPersistent* ancestor) {
  if (!ancestor) return Count() > 0;
  auto* other = dynamic_cast<TConditions*>(ancestor);
  if (!other) return false;
  if (Count() != other->Count()) return true;
  for (int32_t i = 0; i < Count(); ++i) {
    if (Strings(i) != other->Strings(i)) return true;
    TCondition* a = ConditionAt(i);
    TCondition* b = other->ConditionAt(i);
    if (a->Enabled() != b->Enabled() || a->Name() != b->Name()) return true;
  }
  return false;
}

void TConditions::DefineProperties(TFiler* filer) {
  filer->DefineProperty("Strings", TReaderProc(this, &TConditions::ReadStringsData), TWriterProc(), false);
  filer->DefineProperty("Enabled", TReaderProc(this, &TConditions::ReadEnabledData), TWriterProc(), false);
  filer->DefineProperty("Data", TReaderProc(this, &TConditions::ReadData), TWriterProc(this, &TConditions::WriteData),
                        DataDiffers(filer->Ancestor()));
}

void TConditions::ReadStringsData(TReader* reader) {
  Clear();
  reader->ReadListBegin();
  while (!reader->EndOfList()) Add(reader->ReadString());
  reader->ReadListEnd();
}

void TConditions::ReadEnabledData(TReader* reader) {
  const String flags = reader->ReadString();
  int32_t index = 0;
  for (size_t pos = 2; pos < flags.size() && index < Count(); pos += 2, ++index)
    ConditionAt(index)->FEnabled = flags[pos - 1] == '1';
}

void TConditions::ReadData(TReader* reader) {
  BeginUpdate();
  try {
    reader->ReadListBegin();
    bool deleting = false;
    while (!reader->EndOfList()) {
      const String name = reader->ReadString();
      if (deleting) {
        RemoveCondition(name);
        continue;
      }
      if (name == kDeletedMarker) {
        deleting = true;
        continue;
      }
      String text = reader->ReadString();
      const bool enabled = reader->ReadBoolean();
      if (TCondition* c = FindCondition(name)) {
        if (c->FEnabledFromStream) c->SetEnabledFromStream(enabled);
        if (text != "0" && c->FTextFromStream) c->SetTextFromStream(text == "'" ? String() : text);
      } else if (text != "0") {
        TCondition* added = AddCondition(name, text == "'" ? String() : text, enabled);
        added->FEnabledFromStream = true;
        added->FTextFromStream = true;
      }
    }
    reader->ReadListEnd();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TConditions::WriteData(TWriter* writer) {
  auto* ancestor = dynamic_cast<TConditions*>(writer->Ancestor());
  writer->WriteListBegin();
  for (int32_t i = 0; i < Count(); ++i) {
    TCondition* c = ConditionAt(i);
    String text = c->Text();
    if (ancestor) {
      if (TCondition* inherited = ancestor->FindCondition(c->Name())) {
        if (text == inherited->Text()) {
          if (c->Enabled() == inherited->Enabled()) continue;
          text = "0";
        }
      }
    }
    writer->WriteString(c->Name());
    writer->WriteString(text.empty() ? String("'") : text);
    writer->WriteBoolean(c->Enabled());
  }
  if (ancestor) {
    std::vector<String> deleted;
    for (int32_t i = 0; i < ancestor->Count(); ++i) {
      const String name = ancestor->ConditionAt(i)->Name();
      if (!FindCondition(name)) deleted.push_back(name);
    }
    if (!deleted.empty()) {
      writer->WriteString(kDeletedMarker);
      for (const String& name : deleted) writer->WriteString(name);
    }
  }
  writer->WriteListEnd();
}
