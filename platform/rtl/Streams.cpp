#include "rtl/Streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

constexpr int64_t MemoryDelta = 0x2000;  // memory streams grow in blocks of this size
constexpr int32_t MaxCopyBuffer = 0xF000;

String ExpandedName(const String& fileName) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(fileName), ec);
  if (ec) return fileName;
  return p.lexically_normal().string();
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TStream

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t result = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return result;
}

void TStream::SetSize(int64_t) {}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  int64_t result = count;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), MaxCopyBuffer)));
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, static_cast<int64_t>(buffer.size())));
    source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    count -= n;
  }
  return result;
}

// ---------------------------------------------------------------------------------------------------
// THandleStream, TFileStream

int32_t THandleStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  ssize_t n;
  do n = ::read(FHandle, buffer, static_cast<size_t>(count));
  while (n < 0 && errno == EINTR);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  ssize_t n;
  do n = ::write(FHandle, buffer, static_cast<size_t>(count));
  while (n < 0 && errno == EINTR);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == soBeginning ? SEEK_SET : (origin == soCurrent ? SEEK_CUR : SEEK_END);
  return static_cast<int64_t>(::lseek(FHandle, static_cast<off_t>(offset), whence));
}

void THandleStream::SetSize(int64_t newSize) {
  Seek(newSize, soBeginning);
  if (::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0) RaiseLastOSError();
}

TFileStream::TFileStream(const String& fileName, uint16_t mode, uint32_t rights)
    : THandleStream(-1), FFileName(fileName) {
  if ((mode & fmCreate) == fmCreate) {
    FHandle = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(rights));
    if (FHandle < 0)
      throw EFCreateError("Cannot create file \"" + ExpandedName(fileName) + "\". " + std::strerror(errno));
  } else {
    int access = (mode & 3) == fmOpenWrite ? O_WRONLY : ((mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY);
    FHandle = ::open(fileName.c_str(), access | O_CLOEXEC);
    if (FHandle < 0)
      throw EFOpenError("Cannot open file \"" + ExpandedName(fileName) + "\". " + std::strerror(errno));
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

// ---------------------------------------------------------------------------------------------------
// TCustomMemoryStream, TMemoryStream

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
  if (FPosition >= 0 && count >= 0) {
    int64_t result = FSize - FPosition;
    if (result > 0) {
      if (result > count) result = count;
      std::memcpy(buffer, FMemory + FPosition, static_cast<size_t>(result));
      FPosition += result;
      return static_cast<int32_t>(result);
    }
  }
  return 0;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soBeginning: FPosition = offset; break;
    case soCurrent: FPosition += offset; break;
    case soEnd: FPosition = FSize + offset; break;
  }
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
  int64_t left = FSize;
  const uint8_t* p = FMemory;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, INT32_MAX));
    stream->WriteBuffer(p, n);
    p += n;
    left -= n;
  }
}

void TCustomMemoryStream::SaveToFile(const String& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(&stream);
}

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

void* TMemoryStream::Realloc(int64_t& newCapacity) {
  if (newCapacity > 0 && newCapacity != FSize) newCapacity = (newCapacity + (MemoryDelta - 1)) & ~(MemoryDelta - 1);
  void* result = FMemory;
  if (newCapacity != FCapacity) {
    if (newCapacity == 0) {
      std::free(FMemory);
      result = nullptr;
    } else {
      result = std::realloc(FMemory, static_cast<size_t>(newCapacity));
      if (!result) throw EStreamError("Out of memory while expanding memory stream");
    }
  }
  return result;
}

void TMemoryStream::SetCapacity(int64_t newCapacity) {
  void* p = Realloc(newCapacity);
  SetPointer(p, FSize);
  FCapacity = newCapacity;
}

void TMemoryStream::SetSize(int64_t newSize) {
  int64_t oldPosition = FPosition;
  int64_t oldSize = FSize;
  SetCapacity(newSize);
  FSize = newSize;
  if (newSize > oldSize) std::memset(FMemory + oldSize, 0, static_cast<size_t>(newSize - oldSize));
  if (oldPosition > newSize) Seek(0, soEnd);
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (FPosition >= 0 && count >= 0) {
    int64_t pos = FPosition + count;
    if (pos > 0) {
      if (pos > FSize) {
        if (pos > FCapacity) SetCapacity(pos);
        // A write past the end leaves a gap; zero it rather than expose old heap bytes.
        if (FPosition > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(FPosition - FSize));
        FSize = pos;
      }
      if (count > 0) std::memcpy(FMemory + FPosition, buffer, static_cast<size_t>(count));
      FPosition = pos;
      return count;
    }
  }
  return 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  stream->SetPosition(0);
  int64_t count = stream->Size();
  SetSize(count);
  uint8_t* p = FMemory;
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
    stream->ReadBuffer(p, n);
    p += n;
    count -= n;
  }
}

void TMemoryStream::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

// ---------------------------------------------------------------------------------------------------
// TStringStream

int32_t TStringStream::Read(void* buffer, int32_t count) {
  int64_t n = static_cast<int64_t>(FDataString.size()) - FPosition;
  if (n > count) n = count;
  if (n <= 0) return 0;
  std::memcpy(buffer, FDataString.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<int32_t>(n);
}

int32_t TStringStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  size_t end = static_cast<size_t>(FPosition) + static_cast<size_t>(count);
  if (end > FDataString.size()) FDataString.resize(end);
  std::memcpy(FDataString.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition += count;
  return count;
}

int64_t TStringStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soBeginning: FPosition = offset; break;
    case soCurrent: FPosition += offset; break;
    case soEnd: FPosition = static_cast<int64_t>(FDataString.size()) + offset; break;
  }
  FPosition = std::clamp<int64_t>(FPosition, 0, static_cast<int64_t>(FDataString.size()));
  return FPosition;
}

void TStringStream::SetSize(int64_t newSize) {
  FDataString.resize(static_cast<size_t>(std::max<int64_t>(newSize, 0)));
  if (FPosition > static_cast<int64_t>(FDataString.size())) FPosition = static_cast<int64_t>(FDataString.size());
}

String TStringStream::ReadString(int32_t count) {
  int64_t n = static_cast<int64_t>(FDataString.size()) - FPosition;
  if (n > count) n = count;
  if (n <= 0) return String();
  String result = FDataString.substr(static_cast<size_t>(FPosition), static_cast<size_t>(n));
  FPosition += n;
  return result;
}

void TStringStream::WriteString(const String& s) { Write(s.data(), static_cast<int32_t>(s.size())); }
