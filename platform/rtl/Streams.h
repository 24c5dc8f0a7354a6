#pragma once
// Streams: the abstract TStream with buffer and copy helpers, streams over file descriptors and files,
// memory streams that grow in blocks, and a stream over a String.

#include "rtl/System.h"

enum TSeekOrigin : uint16_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };
// The older names of the same origins.
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

// TFileStream modes: one access mode, optionally or-ed with a share mode (accepted and ignored).
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

RTL_EXCEPTION(EFCreateError, EStreamError)
RTL_EXCEPTION(EFOpenError, EStreamError)

class TStream : public TObject {
  RTL_CLASS(TStream, TObject)
public:
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Moves the position; returns the new position from the beginning.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  // Reads exactly count bytes or fails with EReadError "Stream read error".
  void ReadBuffer(void* buffer, int32_t count);
  // Writes exactly count bytes or fails with EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source's position; count 0 copies the whole source from its beginning.
  // Returns the number of bytes copied.
  int64_t CopyFrom(TStream* source, int64_t count);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  virtual int64_t Size();
  // Streams that can change their size override this; the base ignores it.
  virtual void SetSize(int64_t newSize);
};

// A stream over an open file descriptor, which it does not close.
class THandleStream : public TStream {
  RTL_CLASS(THandleStream, TStream)
public:
  explicit THandleStream(int handle) : FHandle(handle) {}
  int Handle() const { return FHandle; }

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // Truncates or extends the file at newSize and leaves the position there.
  void SetSize(int64_t newSize) override;

protected:
  int FHandle;
};

// A stream over a named file, which it opens (or creates, with fmCreate) and closes.
class TFileStream : public THandleStream {
  RTL_CLASS(TFileStream, THandleStream)
public:
  // Fails with EFCreateError "Cannot create file "<path>". <reason>" or EFOpenError
  // "Cannot open file "<path>". <reason>", the path expanded and the reason the system's text.
  TFileStream(const String& fileName, uint16_t mode, uint32_t rights = 0666);
  ~TFileStream() override;
  const String& FileName() const { return FFileName; }

private:
  String FFileName;
};

// A stream over a block of memory that a descendant supplies.
class TCustomMemoryStream : public TStream {
  RTL_CLASS(TCustomMemoryStream, TStream)
public:
  int32_t Read(void* buffer, int32_t count) override;
  // Positions are not clamped: past the end reads nothing, and writing there extends the stream.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // Writes the whole content, wherever the position is.
  void SaveToStream(TStream* stream);
  void SaveToFile(const String& fileName);
  void* Memory() const { return FMemory; }

protected:
  void SetPointer(void* ptr, int64_t size) {
    FMemory = static_cast<uint8_t*>(ptr);
    FSize = size;
  }

  uint8_t* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

// A memory stream that owns and grows its block in steps of 8 KiB.
class TMemoryStream : public TCustomMemoryStream {
  RTL_CLASS(TMemoryStream, TCustomMemoryStream)
public:
  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  ~TMemoryStream() override;

  int32_t Write(const void* buffer, int32_t count) override;
  // Keeps the position unless it lies past the new end, where it moves to the end.
  void SetSize(int64_t newSize) override;
  void Clear();
  // Replaces the content with the whole of stream (read from its beginning).
  void LoadFromStream(TStream* stream);
  void LoadFromFile(const String& fileName);
  int64_t Capacity() const { return FCapacity; }

protected:
  void SetCapacity(int64_t newCapacity);
  // Rounds newCapacity up to the block size and reallocates; returns the new block.
  virtual void* Realloc(int64_t& newCapacity);

private:
  int64_t FCapacity = 0;
};

// A stream over a String: reading, writing and seeking work on its bytes; positions stay inside it.
class TStringStream : public TStream {
  RTL_CLASS(TStringStream, TStream)
public:
  TStringStream() = default;
  explicit TStringStream(String data) : FDataString(std::move(data)) {}

  int32_t Read(void* buffer, int32_t count) override;
  // Overwrites from the position on and extends the string when writing past its end.
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  // Reads up to count bytes as a string.
  String ReadString(int32_t count);
  void WriteString(const String& s);
  const String& DataString() const { return FDataString; }

private:
  String FDataString;
  int64_t FPosition = 0;
};
