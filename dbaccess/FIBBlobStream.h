#pragma once
// TFIBBlobStream: the whole contents of one server blob in memory. It reads the blob through the segment
// calls on first touch, lets its owner overwrite and truncate the contents, keeps what it held before the
// first change (old values, reverting) and writes the contents as a new blob on request, taking the new
// identifier. With blob swapping active on the connection, loaded contents are also kept in a swap file,
// one per blob, named after the row's table, column and key values, and read from there next time.
//
// Also the four routines on open blob handles the library shares, and the swap folder validation.

#include <cstdint>
#include <functional>
#include <vector>

#include "dbaccess/IB_Intf.h"
#include "rtl/Streams.h"
#include "rtl/System.h"
#include "rtl/Threads.h"
#include "rtl/Variants.h"

class IIBClientLibrary;
class TFIBDatabase;
class TFIBTransaction;
class TFIBBlobStream;

using TFIBBlobStreamList = std::vector<TFIBBlobStream*>;

// Access modes of a blob stream.
enum : uint8_t { bmsRead = 0, bmsWrite = 1, bmsReadWrite = 2 };

class TFIBBlobStream : public TStream {
  RTL_CLASS(TFIBBlobStream, TStream)
public:
  TFIBBlobStream();
  // A stream for a dataset field; with an owner list the stream appends itself and leaves on destruction.
  TFIBBlobStream(int32_t fieldNo, const std::vector<Variant>& keyValues, const String& fieldName,
                 const String& tableName, TFIBBlobStreamList* ownerList);
  ~TFIBBlobStream() override;
  // A stream for a dataset field (the named form of the constructor above); the caller owns it.
  static TFIBBlobStream* CreateForField(int32_t fieldNo, const std::vector<Variant>& keyValues,
                                        const String& fieldName, const String& tableName,
                                        TFIBBlobStreamList* ownerList);

  TFIBDatabase* Database() const { return FDatabase; }
  void SetDatabase(TFIBDatabase* v);
  TFIBTransaction* Transaction() const { return FTransaction; }
  void SetTransaction(TFIBTransaction* v);
  TFIBTransaction* UpdateTransaction() const { return FUpdateTransaction; }
  void SetUpdateTransaction(TFIBTransaction* v) { FUpdateTransaction = v; }
  TFIBTransaction* GetWriteTransaction() const { return FUpdateTransaction ? FUpdateTransaction : FTransaction; }
  const fbapi::ISC_QUAD& BlobId() const { return FBlobId; }
  void SetBlobId(const fbapi::ISC_QUAD& id);
  uint8_t Mode() const { return FMode; }
  void SetMode(uint8_t v);
  int32_t BlobSubType() const { return FBlobSubType; }
  void SetBlobSubType(int32_t v) { FBlobSubType = v; }
  bool Modified() const { return FModified; }
  bool Loaded() const { return FLoaded; }
  int32_t FieldNo() const { return FFieldNo; }
  int32_t IndexInOwner() const { return FIndexInOwner; }
  int32_t NumSegments() const { return FNumSegments; }
  int32_t MaxSegmentSize() const { return FMaxSegmentSize; }
  int16_t BlobType() const { return FBlobType; }
  int32_t OldSize() const { return FOldSize; }
  bool InSwap() const { return FInSwap; }
  bool ClientFilled() const { return FClientFilled; }
  void SetClientFilled(bool v) { FClientFilled = v; }
  String TableName;
  String FieldName;
  std::vector<Variant> KeyValues;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FSize; }
  void SetSize(int64_t newSize) override;

  void Truncate();
  // Writes modified (or, with force, any loaded) contents as a new blob in the write transaction; with
  // markOnly it only counts them as written, so that the next change saves them as old contents.
  void FinalizeBlob(bool markOnly, bool force);
  void Finalize();
  void RevertToOldValue();
  void DiscardOldValue();
  int32_t ReadOldValue(void* buffer, int32_t count);
  int64_t SeekOldValue(int64_t offset, TSeekOrigin origin);
  void AssignNewBlobId(const fbapi::ISC_QUAD& id);
  String ReadAsString();
  // The contents to and from another stream, bare or in the swap file layout.
  void WriteContents(TStream* stream, bool withHeader);
  bool ReadContents(TStream* stream, bool withHeader);
  void CloseBlob();

  // The swap file of this blob; empty when the folders are missing (and cannot be made, with create).
  String SwapFileName(bool createFolders) const;
  bool LoadFromSwapFile(const String& fileName, bool withHeader);
  void WriteSwapFile(const String& fileName, bool withHeader);
  void SaveToSwap();

private:
  void CheckReadable() const;
  void CheckWritable() const;
  void CheckHandles();
  ISC_STATUS CheckStatus(ISC_STATUS status, bool raise);
  void EnsureLoaded();
  void NewBlob();
  void LoadFromServer();
  void SaveOldValue();
  bool SwapUsable() const;
  String KeysText() const;
  IIBClientLibrary* Library() const;

  TFIBDatabase* FDatabase = nullptr;
  TFIBTransaction* FTransaction = nullptr;
  TFIBTransaction* FUpdateTransaction = nullptr;
  fbapi::ISC_QUAD FBlobId{};
  int32_t FMaxSegmentSize = 0;
  int32_t FNumSegments = 0;
  int32_t FSize = 0;
  int32_t FOldSize = 0;
  int16_t FBlobType = 0;
  int32_t FBlobSubType = 0;
  char* FBuffer = nullptr;     // malloc family: blob filters may replace it
  char* FOldBuffer = nullptr;
  bool FLoaded = false;
  isc_blob_handle FHandle = 0;
  uint8_t FMode = bmsRead;
  bool FModified = false;
  int32_t FPosition = 0;
  TFIBBlobStreamList* FOwnerList = nullptr;
  int32_t FIndexInOwner = -1;
  int32_t FFieldNo = -1;
  bool FSaveOldOnChange = true;
  bool FInSwap = false;
  bool FClientFilled = false;
};

// Both 32-bit halves equal.
bool QuadsEqual(const fbapi::ISC_QUAD& a, const fbapi::ISC_QUAD& b);
// The all-zero identifier that stands for no blob.
extern const fbapi::ISC_QUAD NullQuad;

// Routines on an open blob handle (the segment calls move at most 65535 bytes each).
void GetBlobInfo(IIBClientLibrary* library, isc_blob_handle* handle, int32_t& numSegments, int32_t& maxSegment,
                 int32_t& totalSize, int16_t& blobType);
void ReadBlob(IIBClientLibrary* library, isc_blob_handle* handle, char* buffer, int32_t length);
void WriteBlob(IIBClientLibrary* library, isc_blob_handle* handle, const char* buffer, int32_t length);
// Whether the identifier opens as a blob in the given transaction; never raises.
bool BlobExist(IIBClientLibrary* library, isc_db_handle* db, isc_tr_handle* tr, const fbapi::ISC_QUAD& id);

// Swap folder validation: deletes every file below the folder (which ends with the path separator) that
// is not a swap file, and every swap file whose blob the server reports gone; connects and starts the
// connection and transaction as needed. Files stay while the server cannot be asked; symbolic links are
// neither followed nor deleted. Both answer how many files they deleted.
int32_t ValidateSwapFolder(TFIBDatabase* database, TFIBTransaction* transaction, const String& folder);
int32_t ValidateSwapFile(TFIBDatabase* database, TFIBTransaction* transaction, const String& fileName);

// Walks a connection's swap folder on a thread of its own, with its own connection to the same database
// and its own read-only transaction, so that it shares no client handle with the connection that started
// it. It frees itself when done; its outcome reaches the main thread through the main-thread queue.
class TValidateBlobCacheThread : public TThread {
  RTL_CLASS(TValidateBlobCacheThread, TThread)
public:
  explicit TValidateBlobCacheThread(TFIBDatabase* database);
  ~TValidateBlobCacheThread() override;
  const String& SwapFolder() const { return FFolder; }

protected:
  void Execute() override;

private:
  TFIBDatabase* FDatabase;
  TFIBTransaction* FTransaction;
  String FFolder;
};

// Runs on the main thread after each walk with the folder and the number of files deleted (process-wide;
// empty by default).
using TBlobCacheValidatedProc = std::function<void(const String& folder, int32_t deleted)>;
extern TBlobCacheValidatedProc OnBlobCacheValidated;

// Starts a walk for a connected connection whose blob swapping is active and whose swap folder exists;
// nothing otherwise. The connection calls it after each connect.
void StartBlobCacheValidation(TFIBDatabase* database);
