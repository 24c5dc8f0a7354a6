#include "dbaccess/pZAZDataSetInfo.h"

#include <algorithm>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/detail/CacheFileIO.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDataInfo.h"
#include "dbaccess/pZAZQuery.h"
#include "rtl/Files.h"
#include "rtl/Streams.h"
#include "rtl/StringLists.h"
#include "rtl/SyncObjs.h"
#include "rtl/SysUtils.h"

namespace {

const char* const DataSetMagic = "ZAZ$MCFDS";
constexpr int32_t DataSetFormatVersion = 1;
const char* const ErrorMagic = "ZAZ$Error_messages";
constexpr int32_t ErrorFormatVersion = 1;

const char* const VersionSQL = "SELECT ZAZ$VERSION FROM ZAZ$DATASETS_INFO WHERE DS_ID=:DS_ID";

using namespace cachefile;

struct Guard {
  explicit Guard(TCriticalSection* l) : L(l) { L->Enter(); }
  ~Guard() { L->Leave(); }
  TCriticalSection* L;
};

// Writes through a stream built by `write` into the file; a failure leaves no half-written promise.
template <class F>
void WriteFileIgnoringErrors(const String& fileName, F&& write) {
  try {
    TFileStream* file = New<TFileStream>(fileName, fmCreate);
    try {
      write(file);
    } catch (...) {
      file->Free();
      throw;
    }
    file->Free();
  } catch (const Exception&) {
  }
}

template <class F>
bool ReadFileIfExists(const String& fileName, F&& read) {
  if (!FileExists(fileName)) return false;
  TFileStream* file = New<TFileStream>(fileName, fmOpenRead);
  try {
    read(file);
  } catch (...) {
    file->Free();
    throw;
  }
  file->Free();
  return true;
}

// Lines ended by CR LF, as the file keeps them.
String ListText(TStringList* list) {
  String text;
  for (int32_t i = 0; i < list->Count(); ++i) text += list->Strings(i) + "\r\n";
  return text;
}

bool HasColumn(TFIBQuery* q, const char* name) { return q->FindField(name) != nullptr; }

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TpDataSetInfo

TpDataSetInfo::TpDataSetInfo(const String& dbName)
    : DBName(dbName),
      SelectSQL(New<TStringList>()),
      InsertSQL(New<TStringList>()),
      UpdateSQL(New<TStringList>()),
      DeleteSQL(New<TStringList>()),
      RefreshSQL(New<TStringList>()) {}

TpDataSetInfo::~TpDataSetInfo() {
  for (TStringList* l : {SelectSQL, InsertSQL, UpdateSQL, DeleteSQL, RefreshSQL}) l->Free();
}

void ReadDataSetInfo(TFIBDatabase* database, int32_t dataSetID, TpDataSetInfo* info, const String& dataSetName) {
  if (dataSetID <= 0) throw Exception(dataSetName + ".DataSet_ID should be greater than 0");
  if (!database) throw Exception("Database is not assigned");
  if (!database->UseRepositories().Contains(urDataSetInfo))
    throw Exception("Can't use ZAZ$DATASETS_INFO.\r\nurDataSetInfo not included into Database.UseRepositories.");
  if (!DataSetsInfoExists(database)) throw Exception("Table ZAZ$DATASETS_INFO does not exist.");
  TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  try {
    tr->SetDefaultDatabase(database);
    tr->StartTransaction();
    q->SetDatabase(database);
    q->SetTransaction(tr);
    // The ID is an integer, so the text cannot carry anything but digits.
    q->SQL()->SetText("SELECT * FROM ZAZ$DATASETS_INFO WHERE DS_ID=" + IntToStr(dataSetID));
    q->ExecQuery();
    if (!q->Eof()) {
      info->SelectSQL->SetText(q->FieldByName("SELECT_SQL")->GetAsString());
      info->UpdateSQL->SetText(q->FieldByName("UPDATE_SQL")->GetAsString());
      info->InsertSQL->SetText(q->FieldByName("INSERT_SQL")->GetAsString());
      info->DeleteSQL->SetText(q->FieldByName("DELETE_SQL")->GetAsString());
      info->RefreshSQL->SetText(q->FieldByName("REFRESH_SQL")->GetAsString());
      info->KeyField = q->FieldByName("KEY_FIELD")->GetAsString();
      info->GeneratorName = q->FieldByName("NAME_GENERATOR")->GetAsString();
      info->Description = q->FieldByName("DESCRIPTION")->GetAsString();
      if (HasColumn(q, "ZAZ$VERSION")) info->Version = q->FieldByName("ZAZ$VERSION")->GetAsInteger();
      if (HasColumn(q, "UPDATE_TABLE_NAME")) info->UpdateTableName = q->FieldByName("UPDATE_TABLE_NAME")->GetAsString();
      if (HasColumn(q, "UPDATE_ONLY_MODIFIED_FIELDS"))
        info->UpdateOnlyModifiedFields = q->FieldByName("UPDATE_ONLY_MODIFIED_FIELDS")->GetAsInteger() == 1;
      if (HasColumn(q, "CONDITIONS")) info->Conditions = q->FieldByName("CONDITIONS")->GetAsString();
    }
    q->CloseCursor();
    tr->Commit();
  } catch (...) {
    q->Free();
    tr->Free();
    throw;
  }
  q->Free();
  tr->Free();
}

// ---------------------------------------------------------------------------------------------------
// TpDataSetInfoCollect

TpDataSetInfoCollect::TpDataSetInfoCollect() : FLock(New<TCriticalSection>()) {}

TpDataSetInfoCollect::~TpDataSetInfoCollect() {
  ClearLocked();
  FreeAndNil(FLock);
}

int32_t TpDataSetInfoCollect::Count() const { return static_cast<int32_t>(FItems.size()); }

void TpDataSetInfoCollect::ClearLocked() {
  for (auto& item : FItems) item.second->Free();
  FItems.clear();
}

void TpDataSetInfoCollect::Clear() {
  Guard guard(FLock);
  ClearLocked();
}

TpDataSetInfo* TpDataSetInfoCollect::GetDataSetInfo(TFIBDatabase* database, TFIBTransaction* transaction,
                                                    int32_t dataSetID) {
  if (!database || dataSetID == 0) return nullptr;
  Guard guard(FLock);
  const String key = IntToStr(dataSetID);
  auto find = [&] {
    auto it = std::lower_bound(FItems.begin(), FItems.end(), key,
                               [](const auto& item, const String& k) { return item.first < k; });
    for (; it != FItems.end() && it->first == key; ++it)
      if (it->second->DBName == database->DBName()) return it;
    return FItems.end();
  };
  auto it = find();
  if (it != FItems.end() && it->second->NeedsValidation && FValidateAfterLoad) {
    TFIBTransaction* tr = transaction ? transaction : database->DefaultTransaction();
    int32_t version = 0;
    if (tr) {
      TFIBQuery* q = nullptr;
      try {
        q = AcquireCachedQuery(tr, VersionSQL);
        if (q) {
          q->SetOptions(q->Options() + qoStartTransaction);
          q->ParamByName("DS_ID")->SetAsInteger(dataSetID);
          q->ExecQuery();
          if (!q->Eof()) version = q->Fields(0)->GetAsInteger();
          q->CloseCursor();
        }
      } catch (const Exception&) {
        // A repository without row versions: the row counts as version 0, as it was read.
        version = 0;
      }
      if (q) ReleaseCachedQuery(q);
    }
    if (version == it->second->Version) {
      it->second->NeedsValidation = false;
    } else {
      it->second->Free();
      FItems.erase(it);
      it = FItems.end();
    }
  }
  if (it != FItems.end()) return it->second;
  if (database->DBName().empty())
    throw Exception("Can't get info for " + key + "\r\nDatabase is not assigned");
  auto* info = New<TpDataSetInfo>(database->DBName());
  try {
    ReadDataSetInfo(database, dataSetID, info);
  } catch (...) {
    info->Free();
    throw;
  }
  FItems.insert(std::upper_bound(FItems.begin(), FItems.end(), key,
                                 [](const String& k, const auto& item) { return k < item.first; }),
                {key, info});
  return info;
}

void TpDataSetInfoCollect::RemoveDataSetInfo(TFIBDatabase* database, int32_t dataSetID) {
  if (!database) return;
  Guard guard(FLock);
  const String key = IntToStr(dataSetID);
  for (auto it = FItems.begin(); it != FItems.end(); ++it)
    if (it->first == key && it->second->DBName == database->DBName()) {
      it->second->Free();
      FItems.erase(it);
      return;
    }
}

void TpDataSetInfoCollect::SaveToStream(TStream* s) {
  Guard guard(FLock);
  WriteStr(s, DataSetMagic);
  WriteInt(s, DataSetFormatVersion);
  WriteInt(s, static_cast<int32_t>(FItems.size()));
  for (const auto& [key, info] : FItems) {
    WriteStr(s, key);
    WriteStr(s, info->DBName);
    WriteInt(s, info->Version);
    for (TStringList* l : {info->SelectSQL, info->InsertSQL, info->UpdateSQL, info->DeleteSQL, info->RefreshSQL})
      WriteStr(s, ListText(l));
    for (const String* v :
         {&info->KeyField, &info->GeneratorName, &info->Description, &info->UpdateTableName, &info->Conditions})
      WriteStr(s, *v);
    const uint8_t b = info->UpdateOnlyModifiedFields ? 1 : 0;
    s->WriteBuffer(&b, 1);
  }
}

void TpDataSetInfoCollect::LoadFromStream(TStream* s) {
  Guard guard(FLock);
  ClearLocked();
  try {
    const int64_t start = s->Position();
    if (s->Size() - start < 9) return;
    char magic[9];
    s->ReadBuffer(magic, 9);
    if (String(magic, 9) != DataSetMagic) {
      s->SetPosition(start);
      if (ReadStr(s) != DataSetMagic) return;
    }
    if (ReadInt(s) <= 0) return;
    const int32_t count = ReadInt(s);
    for (int32_t i = 0; i < count; ++i) {
      const String key = ReadStr(s);
      auto* info = New<TpDataSetInfo>(ReadStr(s));
      FItems.emplace_back(key, info);
      info->Version = ReadInt(s);
      for (TStringList* l : {info->SelectSQL, info->InsertSQL, info->UpdateSQL, info->DeleteSQL, info->RefreshSQL})
        l->SetText(ReadStr(s));
      for (String* v :
           {&info->KeyField, &info->GeneratorName, &info->Description, &info->UpdateTableName, &info->Conditions})
        *v = ReadStr(s);
      uint8_t b;
      s->ReadBuffer(&b, 1);
      info->UpdateOnlyModifiedFields = b != 0;
      info->NeedsValidation = true;
    }
  } catch (const Exception&) {
    // A damaged file keeps what was read; every entry is checked before use when validating.
  }
  std::stable_sort(FItems.begin(), FItems.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

void TpDataSetInfoCollect::SaveToFile(const String& fileName) {
  Guard guard(FLock);
  if (FItems.empty()) {
    if (FileExists(fileName)) DeleteFile(fileName);
    return;
  }
  WriteFileIgnoringErrors(fileName, [&](TStream* s) { SaveToStream(s); });
}

bool TpDataSetInfoCollect::LoadFromFile(const String& fileName) {
  Guard guard(FLock);
  ClearLocked();
  return ReadFileIfExists(fileName, [&](TStream* s) { LoadFromStream(s); });
}

// ---------------------------------------------------------------------------------------------------
// TpErrorMessagesCollect

TpErrorMessagesCollect::~TpErrorMessagesCollect() { Clear(); }

void TpErrorMessagesCollect::Clear() {
  for (auto& db : FDatabases)
    for (auto& m : db.second) m.second->Free();
  FDatabases.clear();
  FHighestVersion = 0;
}

void TpErrorMessagesCollect::AddMessage(const String& database, const String& key, int32_t version,
                                        const String& text) {
  auto& messages = FDatabases[database];
  auto it = messages.find(key);
  if (it == messages.end()) {
    messages.emplace(key, New<TpErrorMessage>(text, version));
  } else if (version > it->second->Version) {
    it->second->Text = text;
    it->second->Version = version;
  }
  FHighestVersion = std::max(FHighestVersion, version);
}

TpErrorMessage* TpErrorMessagesCollect::FindMessage(const String& database, const String& key) const {
  auto db = FDatabases.find(database);
  if (db == FDatabases.end()) return nullptr;
  auto it = db->second.find(key);
  return it == db->second.end() ? nullptr : it->second;
}

void TpErrorMessagesCollect::SaveToStream(TStream* s) {
  WriteInt(s, ErrorFormatVersion);
  WriteStr(s, ErrorMagic);
  WriteInt(s, FHighestVersion);
  WriteInt(s, static_cast<int32_t>(FDatabases.size()));
  for (const auto& [name, messages] : FDatabases) {
    WriteStr(s, name);
    WriteInt(s, static_cast<int32_t>(messages.size()));
    for (const auto& [key, m] : messages) {
      WriteInt(s, m->Version);
      WriteStr(s, key);
      WriteStr(s, m->Text);
    }
  }
}

void TpErrorMessagesCollect::LoadFromStream(TStream* s) {
  Clear();
  try {
    if (ReadInt(s) != ErrorFormatVersion || ReadStr(s) != ErrorMagic) return;
    const int32_t highest = ReadInt(s);
    const int32_t databases = ReadInt(s);
    for (int32_t d = 0; d < databases; ++d) {
      const String name = ReadStr(s);
      const int32_t count = ReadInt(s);
      for (int32_t i = 0; i < count; ++i) {
        const int32_t version = ReadInt(s);
        const String key = ReadStr(s);
        AddMessage(name, key, version, ReadStr(s));
      }
    }
    FHighestVersion = highest;
  } catch (const Exception&) {
    // A damaged file keeps what was read so far.
  }
}

void TpErrorMessagesCollect::SaveToFile(const String& fileName) {
  if (FDatabases.empty()) {
    if (FileExists(fileName)) DeleteFile(fileName);
    return;
  }
  WriteFileIgnoringErrors(fileName, [&](TStream* s) { SaveToStream(s); });
}

bool TpErrorMessagesCollect::LoadFromFile(const String& fileName) {
  Clear();
  return ReadFileIfExists(fileName, [&](TStream* s) { LoadFromStream(s); });
}

TpDataSetInfoCollect* ListDataSetInfo() {
  static TpDataSetInfoCollect* cache = New<TpDataSetInfoCollect>();
  return cache;
}

TpErrorMessagesCollect* ListErrorMessages() {
  static TpErrorMessagesCollect* store = New<TpErrorMessagesCollect>();
  return store;
}
