#include "dbaccess/FIBBlobStream.h"

#include <ibase.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/pFIBProps.h"
#include "rtl/Files.h"
#include "rtl/SysUtils.h"

const fbapi::ISC_QUAD NullQuad{};

namespace {

constexpr char SwapSignature[] = "ZAZ$BLOB_BODY";
constexpr int32_t SwapSignatureLength = 13;
constexpr int32_t SwapVersion = 1;
constexpr int32_t MaxSegment = 65535;

// Every swap file of the process is created, read, checked and deleted under this lock.
std::recursive_mutex& SwapLock() {
  static std::recursive_mutex lock;
  return lock;
}

[[noreturn]] void UnknownLibrary(const char* operation) {
  throw Exception(Format("Can't perform operation %s. Unknown client library", {operation}));
}

bool IsZero(const fbapi::ISC_QUAD& q) { return q.gds_quad_high == 0 && q.gds_quad_low == 0; }

bool ReadExact(TStream* s, void* buffer, int32_t count) { return s->Read(buffer, count) == count; }

}  // namespace

bool QuadsEqual(const fbapi::ISC_QUAD& a, const fbapi::ISC_QUAD& b) {
  return a.gds_quad_high == b.gds_quad_high && a.gds_quad_low == b.gds_quad_low;
}

// --- handle routines ------------------------------------------------------------------------------------

void GetBlobInfo(IIBClientLibrary* library, isc_blob_handle* handle, int32_t& numSegments, int32_t& maxSegment,
                 int32_t& totalSize, int16_t& blobType) {
  if (!library) UnknownLibrary("GetBlobInfo");
  const ISC_SCHAR items[] = {isc_info_blob_num_segments, isc_info_blob_max_segment, isc_info_blob_total_length,
                             isc_info_blob_type};
  ISC_SCHAR result[100] = {};
  if (library->isc_blob_info(StatusVector(), handle, static_cast<short>(sizeof items), items,
                             static_cast<short>(sizeof result), result) > 0)
    RaiseServerError(library, nullptr);
  int32_t i = 0;
  while (i + 3 <= static_cast<int32_t>(sizeof result)) {
    const uint8_t item = static_cast<uint8_t>(result[i]);
    if (item == isc_info_end) break;
    const int32_t length = library->isc_vax_integer(result + i + 1, 2);
    if (length < 0 || i + 3 + length > static_cast<int32_t>(sizeof result)) break;
    const int32_t value = library->isc_vax_integer(result + i + 3, static_cast<short>(length));
    switch (item) {
      case isc_info_blob_num_segments: numSegments = value; break;
      case isc_info_blob_max_segment: maxSegment = value; break;
      case isc_info_blob_total_length: totalSize = value; break;
      case isc_info_blob_type: blobType = static_cast<int16_t>(value); break;
      default: break;
    }
    i += length + 3;
  }
}

void ReadBlob(IIBClientLibrary* library, isc_blob_handle* handle, char* buffer, int32_t length) {
  if (!library) UnknownLibrary("ReadBlob");
  int32_t offset = 0;
  while (offset < length) {
    const auto ask = static_cast<unsigned short>(std::min(length - offset, MaxSegment));
    unsigned short got = 0;
    const ISC_STATUS r = library->isc_get_segment(StatusVector(), handle, &got, ask, buffer + offset);
    if (r != 0 && StatusVector()[1] != isc_segment) RaiseServerError(library, nullptr);
    if (got == 0) break;  // the server reported less than it holds: no endless loop
    offset += got;
  }
}

void WriteBlob(IIBClientLibrary* library, isc_blob_handle* handle, const char* buffer, int32_t length) {
  if (!library) UnknownLibrary("WriteBlob");
  int32_t offset = 0;
  while (offset < length) {
    const auto piece = static_cast<unsigned short>(std::min(length - offset, MaxSegment));
    if (library->isc_put_segment(StatusVector(), handle, piece, buffer + offset) > 0)
      RaiseServerError(library, nullptr);
    offset += piece;
  }
}

bool BlobExist(IIBClientLibrary* library, isc_db_handle* db, isc_tr_handle* tr, const fbapi::ISC_QUAD& id) {
  if (!library) UnknownLibrary("BlobExist");
  try {
    isc_blob_handle blob = 0;
    fbapi::ISC_QUAD quad = id;
    if (library->isc_open_blob2(StatusVector(), db, tr, &blob, &quad, 0, nullptr) != 0) return false;
    ISC_STATUS status[StatusVectorLength];
    library->isc_close_blob(status, &blob);
    return true;
  } catch (...) {
    return false;
  }
}

// --- the stream ----------------------------------------------------------------------------------------

TFIBBlobStream::TFIBBlobStream() : TFIBBlobStream(-1, {}, String(), String(), nullptr) {}

TFIBBlobStream::TFIBBlobStream(int32_t fieldNo, const std::vector<Variant>& keyValues, const String& fieldName,
                               const String& tableName, TFIBBlobStreamList* ownerList)
    : TableName(tableName), FieldName(fieldName), KeyValues(keyValues), FOwnerList(ownerList), FFieldNo(fieldNo) {
  if (FOwnerList) {
    FIndexInOwner = static_cast<int32_t>(FOwnerList->size());
    FOwnerList->push_back(this);
  }
}

TFIBBlobStream* TFIBBlobStream::CreateForField(int32_t fieldNo, const std::vector<Variant>& keyValues,
                                               const String& fieldName, const String& tableName,
                                               TFIBBlobStreamList* ownerList) {
  return new TFIBBlobStream(fieldNo, keyValues, fieldName, tableName, ownerList);
}

TFIBBlobStream::~TFIBBlobStream() {
  try {
    CloseBlob();
  } catch (...) {
  }
  std::free(FBuffer);
  std::free(FOldBuffer);
  if (FOwnerList && FIndexInOwner >= 0 && FIndexInOwner < static_cast<int32_t>(FOwnerList->size())) {
    TFIBBlobStream* last = FOwnerList->back();
    if (last != this) {
      (*FOwnerList)[static_cast<size_t>(FIndexInOwner)] = last;
      last->FIndexInOwner = FIndexInOwner;
    }
    FOwnerList->pop_back();
  }
}

void TFIBBlobStream::SetDatabase(TFIBDatabase* v) {
  FDatabase = v;
  FLoaded = false;
}

void TFIBBlobStream::SetTransaction(TFIBTransaction* v) {
  FTransaction = v;
  FLoaded = false;
}

void TFIBBlobStream::SetBlobId(const fbapi::ISC_QUAD& id) {
  FBlobId = id;
  FLoaded = false;
}

void TFIBBlobStream::SetMode(uint8_t v) {
  FMode = v;
  FLoaded = false;
}

IIBClientLibrary* TFIBBlobStream::Library() const { return FDatabase ? FDatabase->ClientLibrary() : nullptr; }

void TFIBBlobStream::CheckReadable() const {
  if (FMode == bmsWrite) RaiseClientError(35);
}

void TFIBBlobStream::CheckWritable() const {
  if (FMode == bmsRead && !FClientFilled) RaiseClientError(36);
}

void TFIBBlobStream::CheckHandles() {
  if (!FDatabase || !FDatabase->Connected()) {
    if (FDatabase) RaiseClientError(12, {"BlobStream"});
    RaiseClientError(21, {"BlobStream"});
  }
  if (!FTransaction || !FTransaction->InTransaction()) {
    if (FTransaction) RaiseClientError(15, {"BlobStream"});
    RaiseClientError(22, {"BlobStream"});
  }
}

ISC_STATUS TFIBBlobStream::CheckStatus(ISC_STATUS status, bool raise) {
  if (FTransaction) return FTransaction->Call(status, raise);
  if (raise && status > 0) RaiseServerError(Library(), this);
  return status;
}

void TFIBBlobStream::CloseBlob() {
  if (!FHandle) return;
  if (IIBClientLibrary* lib = Library()) {
    ISC_STATUS status[StatusVectorLength];
    lib->isc_close_blob(status, &FHandle);
  }
  FHandle = 0;
}

void TFIBBlobStream::EnsureLoaded() {
  if (FLoaded) return;
  if (FClientFilled) {
    FLoaded = true;
    return;
  }
  if (FMode == bmsWrite || (FMode == bmsReadWrite && IsZero(FBlobId))) {
    NewBlob();
  } else {
    LoadFromServer();
    if (FLoaded) return;  // came from the swap file
  }
  FLoaded = true;
  SaveToSwap();
}

void TFIBBlobStream::NewBlob() {
  CheckWritable();
  FBlobId = NullQuad;
  Truncate();
}

void TFIBBlobStream::LoadFromServer() {
  CheckReadable();
  CheckHandles();
  IIBClientLibrary* lib = Library();
  isc_db_handle db = FDatabase->Handle();
  isc_tr_handle tr = FTransaction->Handle();
  FHandle = 0;
  CheckStatus(lib->isc_open_blob2(StatusVector(), &db, &tr, &FHandle, &FBlobId, 0, nullptr), true);
  try {
    int32_t total = 0;
    GetBlobInfo(lib, &FHandle, FNumSegments, FMaxSegmentSize, total, FBlobType);
    SetSize(total);
    if (SwapUsable()) {
      String fileName = SwapFileName(false);
      bool canLoad = true;
      if (FDatabase->BeforeLoadBlobFromSwap.Assigned())
        FDatabase->BeforeLoadBlobFromSwap(TableName, FieldName, KeyValues, fileName, canLoad);
      if (canLoad && !fileName.empty()) {
        if (LoadFromSwapFile(fileName, true)) {
          FLoaded = true;
          FPosition = 0;
          ISC_STATUS status[StatusVectorLength];
          const ISC_STATUS r = lib->isc_close_blob(status, &FHandle);
          FHandle = 0;
          if (r > 0) RaiseServerError(lib, this);
          if (FDatabase->AfterLoadBlobFromSwap.Assigned())
            FDatabase->AfterLoadBlobFromSwap(TableName, FieldName, KeyValues, fileName);
          return;
        }
        std::lock_guard<std::recursive_mutex> guard(SwapLock());
        DeleteFile(fileName);
      }
    }
    ReadBlob(lib, &FHandle, FBuffer, FSize);
    FDatabase->ApplyBlobFilter(FBuffer, FSize, false, FBlobSubType);
  } catch (...) {
    ISC_STATUS status[StatusVectorLength];
    lib->isc_close_blob(status, &FHandle);
    FHandle = 0;
    throw;
  }
  const ISC_STATUS r = lib->isc_close_blob(StatusVector(), &FHandle);
  FHandle = 0;
  CheckStatus(r, true);
  FPosition = 0;
}

int32_t TFIBBlobStream::Read(void* buffer, int32_t count) {
  CheckReadable();
  EnsureLoaded();
  if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  const int32_t n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, FBuffer + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int32_t TFIBBlobStream::Write(const void* buffer, int32_t count) {
  CheckWritable();
  EnsureLoaded();
  if (FSaveOldOnChange) SaveOldValue();
  if (count <= 0) return count;
  if (FPosition < 0) RaiseClientErrorMsg("Blob stream position is negative.");
  if (FPosition + count > FSize) SetSize(static_cast<int64_t>(FPosition) + count);
  std::memcpy(FBuffer + FPosition, buffer, static_cast<size_t>(count));
  FPosition += count;
  FModified = true;
  return count;
}

int64_t TFIBBlobStream::Seek(int64_t offset, TSeekOrigin origin) {
  EnsureLoaded();
  switch (origin) {
    case soBeginning: FPosition = static_cast<int32_t>(offset); break;
    case soCurrent: FPosition += static_cast<int32_t>(offset); break;
    case soEnd: FPosition = FSize + static_cast<int32_t>(offset); break;
  }
  return FPosition;
}

void TFIBBlobStream::SetSize(int64_t newSize) {
  const auto size = static_cast<int32_t>(newSize);
  if (size == FSize) return;
  void* p = FBuffer;
  ReallocZeroed(p, static_cast<size_t>(FSize), static_cast<size_t>(std::max(size, 0)));
  FBuffer = static_cast<char*>(p);
  FSize = std::max(size, 0);
}

void TFIBBlobStream::SaveOldValue() {
  std::free(FOldBuffer);
  FOldBuffer = FBuffer;
  FOldSize = FSize;
  FBuffer = nullptr;
  FSize = 0;
  FSaveOldOnChange = false;
}

void TFIBBlobStream::Truncate() {
  FModified = true;
  if (FSaveOldOnChange) SaveOldValue();
  else SetSize(0);
}

void TFIBBlobStream::FinalizeBlob(bool markOnly, bool force) {
  if (!FLoaded || FMode == bmsRead || !(FModified || force)) return;
  FInSwap = false;
  if (markOnly) {
    FSaveOldOnChange = true;
    FModified = false;
    return;
  }
  CheckHandles();
  IIBClientLibrary* lib = Library();
  TFIBTransaction* writeTr = GetWriteTransaction();
  if (!writeTr->InTransaction()) RaiseClientError(15, {"BlobStream"});
  isc_db_handle db = FDatabase->Handle();
  isc_tr_handle tr = writeTr->Handle();
  isc_blob_handle blob = 0;
  fbapi::ISC_QUAD id{};
  writeTr->Call(lib->isc_create_blob2(StatusVector(), &db, &tr, &blob, &id, 0, nullptr), true);
  char* saved = nullptr;
  int32_t savedSize = FSize;
  const bool filtered = FDatabase->HasBlobFilter(FBlobSubType);
  try {
    if (filtered) {
      saved = static_cast<char*>(std::malloc(static_cast<size_t>(std::max(FSize, 1))));
      if (FSize > 0) std::memcpy(saved, FBuffer, static_cast<size_t>(FSize));
      FDatabase->ApplyBlobFilter(FBuffer, FSize, true, FBlobSubType);
    }
    WriteBlob(lib, &blob, FBuffer, FSize);
  } catch (...) {
    ISC_STATUS status[StatusVectorLength];
    lib->isc_cancel_blob(status, &blob);
    if (filtered) {
      std::free(FBuffer);
      FBuffer = saved;
      FSize = savedSize;
    }
    throw;
  }
  if (filtered) {
    std::free(FBuffer);
    FBuffer = saved;
    FSize = savedSize;
  }
  writeTr->Call(lib->isc_close_blob(StatusVector(), &blob), true);
  FBlobId = id;
}

void TFIBBlobStream::Finalize() {
  FinalizeBlob(false, false);
  FinalizeBlob(true, false);
}

void TFIBBlobStream::RevertToOldValue() {
  if (!FLoaded || !FModified) return;
  SetSize(FOldSize);
  if (FOldSize > 0) std::memcpy(FBuffer, FOldBuffer, static_cast<size_t>(FOldSize));
  FModified = false;
  FSaveOldOnChange = true;
  std::free(FOldBuffer);
  FOldBuffer = nullptr;
  FOldSize = 0;
  FPosition = 0;
}

void TFIBBlobStream::DiscardOldValue() {
  if (!FOldBuffer) return;
  std::free(FOldBuffer);
  FOldBuffer = nullptr;
  FOldSize = 0;
}

int32_t TFIBBlobStream::ReadOldValue(void* buffer, int32_t count) {
  if (!FOldBuffer) return Read(buffer, count);
  const int32_t n = std::max(0, std::min(count, FOldSize));
  std::memcpy(buffer, FOldBuffer, static_cast<size_t>(n));
  return n;
}

int64_t TFIBBlobStream::SeekOldValue(int64_t offset, TSeekOrigin origin) {
  if (!FOldBuffer) return Seek(offset, origin);
  return FOldSize;
}

void TFIBBlobStream::AssignNewBlobId(const fbapi::ISC_QUAD& id) {
  FBlobId = id;
  SaveToSwap();
}

String TFIBBlobStream::ReadAsString() {
  CheckReadable();
  EnsureLoaded();
  FPosition = 0;
  String s(static_cast<size_t>(FSize), '\0');
  if (FSize > 0) Read(s.data(), FSize);
  return s;
}

String TFIBBlobStream::KeysText() const {
  String text;
  for (size_t i = 0; i < KeyValues.size(); ++i) {
    if (i) text += '_';
    text += VarToStr(KeyValues[i]);
  }
  return text;
}

void TFIBBlobStream::WriteContents(TStream* stream, bool withHeader) {
  CheckReadable();
  EnsureLoaded();
  stream->SetSize(0);
  stream->SetPosition(0);
  if (FSize == 0) return;
  FPosition = 0;
  if (!withHeader) {
    stream->WriteBuffer(FBuffer, FSize);
    return;
  }
  char* data = FBuffer;
  int32_t length = FSize;
  const bool filtered = FDatabase && FDatabase->HasBlobFilter(FBlobSubType);
  if (filtered) {
    data = static_cast<char*>(std::malloc(static_cast<size_t>(FSize)));
    std::memcpy(data, FBuffer, static_cast<size_t>(FSize));
    FDatabase->ApplyBlobFilter(data, length, true, FBlobSubType);
  }
  struct Freer {
    char* p;
    bool own;
    ~Freer() {
      if (own) std::free(p);
    }
  } freer{data, filtered};
  auto putInt = [&](int32_t v) { stream->WriteBuffer(&v, 4); };
  auto putText = [&](const String& s) {
    putInt(static_cast<int32_t>(s.size()));
    if (!s.empty()) stream->WriteBuffer(s.data(), static_cast<int32_t>(s.size()));
  };
  stream->WriteBuffer(SwapSignature, SwapSignatureLength);
  putInt(SwapVersion);
  stream->WriteBuffer(&FBlobId, 8);
  putInt(length);
  putInt(static_cast<int32_t>(KeyValues.size()));
  putText(TableName);
  putText(FieldName);
  putText(KeysText());
  if (length > 0) stream->WriteBuffer(freer.p, length);
}

bool TFIBBlobStream::ReadContents(TStream* stream, bool withHeader) {
  if (!withHeader) {
    if (!FClientFilled) CheckWritable();
    EnsureLoaded();
    stream->SetPosition(0);
    const auto size = static_cast<int32_t>(stream->Size());
    SetSize(size);
    if (size > 0) stream->ReadBuffer(FBuffer, size);
    FModified = true;
    return true;
  }
  stream->SetPosition(0);
  char signature[SwapSignatureLength];
  if (!ReadExact(stream, signature, SwapSignatureLength) ||
      std::memcmp(signature, SwapSignature, SwapSignatureLength) != 0)
    return false;
  int32_t v = 0;
  if (!ReadExact(stream, &v, 4) || v != SwapVersion) return false;
  fbapi::ISC_QUAD id{};
  if (!ReadExact(stream, &id, 8) || !QuadsEqual(id, FBlobId)) return false;
  if (!ReadExact(stream, &v, 4) || v != FSize) return false;
  if (!ReadExact(stream, &v, 4) || v != static_cast<int32_t>(KeyValues.size())) return false;
  auto readText = [&](String& s) {
    int32_t n = 0;
    if (!ReadExact(stream, &n, 4) || n < 0 || n > 1 << 20) return false;
    s.assign(static_cast<size_t>(n), '\0');
    return n == 0 || ReadExact(stream, s.data(), n);
  };
  String text;
  if (!readText(text) || (!text.empty() && text != TableName)) return false;
  if (!readText(text) || (!text.empty() && text != FieldName)) return false;
  if (!readText(text) || text != KeysText()) return false;
  if (FSize > 0 && !ReadExact(stream, FBuffer, FSize)) return false;
  if (FDatabase) FDatabase->ApplyBlobFilter(FBuffer, FSize, false, FBlobSubType);
  return true;
}

bool TFIBBlobStream::SwapUsable() const {
  if (!FDatabase || FDatabase->ComponentState().Contains(csDesigning)) return false;
  TBlobSwapSupport* swap = FDatabase->BlobSwapSupport();
  return swap && swap->Active() && !swap->ResolveSwapDir().empty();
}

namespace {
// Table, column and key values become folder and file names: a part that could leave its folder (a
// separator, "." or "..") or that the file system cannot take gives the blob no swap file.
bool SafeSwapNamePart(const String& part) {
  return !part.empty() && part != "." && part != ".." && part.find_first_of(String("/\\\0", 3)) == String::npos;
}
}  // namespace

String TFIBBlobStream::SwapFileName(bool createFolders) const {
  if (!FDatabase || !FDatabase->BlobSwapSupport()) return String();
  if (!SafeSwapNamePart(TableName) || !SafeSwapNamePart(FieldName) || !SafeSwapNamePart(KeysText())) return String();
  const String dir = FDatabase->BlobSwapSupport()->ResolveSwapDir() + TableName + "/" + FieldName + "/";
  if (createFolders) {
    if (!ForceDirectories(dir)) return String();
  } else if (!DirectoryExists(dir)) {
    return String();
  }
  return dir + KeysText() + ".blb";
}

bool TFIBBlobStream::LoadFromSwapFile(const String& fileName, bool withHeader) {
  std::lock_guard<std::recursive_mutex> guard(SwapLock());
  try {
    if (!FileExists(fileName)) return false;
    TFileStream file(fileName, fmOpenRead);
    const bool ok = ReadContents(&file, withHeader);
    FInSwap = withHeader && ok;
    return ok;
  } catch (...) {
    return false;
  }
}

void TFIBBlobStream::WriteSwapFile(const String& fileName, bool withHeader) {
  if ((withHeader && KeyValues.empty()) || TableName.empty()) return;
  std::lock_guard<std::recursive_mutex> guard(SwapLock());
  try {
    TFileStream file(fileName, fmCreate);
    WriteContents(&file, withHeader);
  } catch (...) {
  }
}

void TFIBBlobStream::SaveToSwap() {
  if (FInSwap || !SwapUsable()) return;
  if (FSize < FDatabase->BlobSwapSupport()->MinBlobSizeToSwap() || FBlobId.gds_quad_high == 0) return;
  if (KeyValues.empty() || TableName.empty()) return;
  String fileName = SwapFileName(true);
  bool canSave = true;
  if (FDatabase->BeforeSaveBlobToSwap.Assigned())
    FDatabase->BeforeSaveBlobToSwap(TableName, FieldName, KeyValues, this, fileName, canSave);
  if (!canSave || fileName.empty()) return;
  WriteSwapFile(fileName, true);
  if (FDatabase->AfterSaveBlobToSwap.Assigned())
    FDatabase->AfterSaveBlobToSwap(TableName, FieldName, KeyValues, fileName);
}

// --- swap folder validation --------------------------------------------------------------------------------

namespace {

enum class TBlobAnswer { Exists, Gone, Unknown };

// What the server says of the identifier: only its answer that the blob does not exist means it is gone;
// a lost connection or any other refusal says nothing about it.
TBlobAnswer AskBlob(IIBClientLibrary* library, isc_db_handle* db, isc_tr_handle* tr, const fbapi::ISC_QUAD& id) {
  isc_blob_handle blob = 0;
  fbapi::ISC_QUAD quad = id;
  if (library->isc_open_blob2(StatusVector(), db, tr, &blob, &quad, 0, nullptr) == 0) {
    ISC_STATUS status[StatusVectorLength];
    library->isc_close_blob(status, &blob);
    return TBlobAnswer::Exists;
  }
  // The engine names a missing blob either by its own code or by a plain "BLOB not found" text.
  const ISC_STATUS* sv = StatusVector();
  bool gone = StatusVectorContains({isc_bad_segstr_id});
  if (!gone && sv[0] == isc_arg_gds && sv[1] == isc_random && sv[2] == isc_arg_string && sv[3] != 0)
    gone = std::strcmp(reinterpret_cast<const char*>(sv[3]), "BLOB not found") == 0;
  return gone ? TBlobAnswer::Gone : TBlobAnswer::Unknown;
}

bool IsSymlink(const String& path) {
  std::error_code ec;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec));
}

}  // namespace

// A file is deleted when it is not a swap file (wrong or short header) or when the server answered that
// its blob is gone. While the server cannot be asked the file stays: deleting then would throw away the
// swap files of blobs that still exist. A symbolic link is never opened or deleted: it may point out of
// the swap folder.
int32_t ValidateSwapFile(TFIBDatabase* database, TFIBTransaction* transaction, const String& fileName) {
  std::lock_guard<std::recursive_mutex> guard(SwapLock());
  if (IsSymlink(fileName)) return 0;
  bool remove = false;
  try {
    fbapi::ISC_QUAD id{};
    bool headerOk = false;
    {
      TFileStream file(fileName, fmOpenRead);
      char signature[SwapSignatureLength];
      int32_t version = 0;
      headerOk = ReadExact(&file, signature, SwapSignatureLength) &&
                 std::memcmp(signature, SwapSignature, SwapSignatureLength) == 0 && ReadExact(&file, &version, 4) &&
                 version == SwapVersion && ReadExact(&file, &id, 8);
    }
    remove = !headerOk;
    if (headerOk) {
      TFIBDatabase* db = transaction->DefaultDatabase() ? transaction->DefaultDatabase() : database;
      if (!db->Connected()) db->Open();
      if (!transaction->InTransaction()) transaction->StartTransaction();
      isc_db_handle dbh = db->Handle();
      isc_tr_handle trh = transaction->Handle();
      remove = AskBlob(db->ClientLibrary(), &dbh, &trh, id) == TBlobAnswer::Gone;
    }
  } catch (const EFIBError&) {
    // The connection or transaction could not be made: nothing is known of the blob.
  } catch (...) {
    // The file could not be opened or read: not a usable swap file.
    remove = !IsSymlink(fileName);
  }
  return remove && DeleteFile(fileName) ? 1 : 0;
}

int32_t ValidateSwapFolder(TFIBDatabase* database, TFIBTransaction* transaction, const String& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<String> files, dirs;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const String name = it->path().filename().string();
    // Links are left alone, whatever they point to: the walk stays inside the swap folder.
    const fs::file_status st = it->symlink_status(ec);
    if (ec || fs::is_symlink(st)) continue;
    if (fs::is_regular_file(st) && name.size() > 4 && name.compare(name.size() - 4, 4, ".blb") == 0)
      files.push_back(folder + name);
    else if (fs::is_directory(st))
      dirs.push_back(folder + name + "/");
  }
  int32_t deleted = 0;
  for (const String& f : files) deleted += ValidateSwapFile(database, transaction, f);
  for (const String& d : dirs) deleted += ValidateSwapFolder(database, transaction, d);
  return deleted;
}

// --- the validation thread ---------------------------------------------------------------------------------

TBlobCacheValidatedProc OnBlobCacheValidated;

TValidateBlobCacheThread::TValidateBlobCacheThread(TFIBDatabase* database)
    : TThread(true), FDatabase(New<TFIBDatabase>(nullptr)), FTransaction(New<TFIBTransaction>(nullptr)) {
  // A local database is opened by name again: the embedded engine serves the second attachment in this
  // process, and a server reached by name serves it over the network as before.
  FDatabase->SetDBName(database->DBName());
  FDatabase->DBParams()->Assign(database->DBParams());
  FDatabase->SetUseLoginPrompt(false);
  FDatabase->SetSynchronizeTime(false);
  FDatabase->SetName("dbValidateBlobCache");
  FTransaction->SetDefaultDatabase(FDatabase);
  FTransaction->SetName("trValidateBlobCache");
  for (const char* p : {"read", "read_committed", "isc_tpb_nowait", "rec_version"}) FTransaction->TRParams()->Add(p);
  FFolder = database->BlobSwapSupport()->ResolveSwapDir();
  SetFreeOnTerminate(true);
}

TValidateBlobCacheThread::~TValidateBlobCacheThread() {
  FTransaction->Free();
  FDatabase->Free();
}

void TValidateBlobCacheThread::Execute() {
  int32_t deleted = 0;
  try {
    deleted = ValidateSwapFolder(FDatabase, FTransaction, FFolder);
    if (FTransaction->InTransaction()) FTransaction->Commit();
  } catch (...) {
    // The walk's own failures are silent; what it removed so far is reported.
  }
  try {
    if (FTransaction->InTransaction()) FTransaction->Rollback();
    if (FDatabase->Connected()) FDatabase->Close();
  } catch (...) {
  }
  const String folder = FFolder;
  // Queued without the thread, which frees itself before the main thread may get to the call.
  TThread::Queue(nullptr, TThreadMethod([folder, deleted] {
    if (OnBlobCacheValidated) OnBlobCacheValidated(folder, deleted);
  }));
}

void StartBlobCacheValidation(TFIBDatabase* database) {
  if (!database || !database->Connected()) return;
  const String folder = database->BlobSwapSupport()->ResolveSwapDir();
  if (folder.empty() || !DirectoryExists(folder)) return;
  New<TValidateBlobCacheThread>(database)->Start();
}
