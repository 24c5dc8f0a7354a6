#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "rtl/Streams.h"

namespace {

std::string ErrorText(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const Exception& e) {
    return e.ClassName() + ": " + e.Message();
  }
  return "no error";
}

// A fresh directory under /tmp, removed with the fixture.
class TFileStreamTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vorn-streams-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string dir;
};

// A sink that takes at most `room` bytes in all.
class TLimitedStream : public TStream {
  RTL_CLASS(TLimitedStream, TStream)
public:
  explicit TLimitedStream(int32_t room) : FRoom(room) {}
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void* buffer, int32_t count) override {
    int32_t n = count < FRoom ? count : FRoom;
    data.append(static_cast<const char*>(buffer), static_cast<size_t>(n));
    FRoom -= n;
    return n;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return static_cast<int64_t>(data.size()); }
  std::string data;

private:
  int32_t FRoom;
};

std::string ReadAll(TStream* s) {
  std::string result(static_cast<size_t>(s->Size() - s->Position()), '\0');
  s->ReadBuffer(result.data(), static_cast<int32_t>(result.size()));
  return result;
}

}  // namespace

TEST(TStreamTest, ShortReadsAndWritesOfTheBufferHelpersFail) {
  TStringStream in("abc");
  char buf[8];
  EXPECT_EQ(ErrorText([&] { in.ReadBuffer(buf, 4); }), "EReadError: Stream read error");
  in.SetPosition(0);
  EXPECT_EQ(ErrorText([&] { in.ReadBuffer(buf, 3); }), "no error");
  EXPECT_EQ(ErrorText([&] { in.ReadBuffer(buf, 0); }), "no error");  // nothing asked, nothing missing

  TLimitedStream out(5);
  EXPECT_EQ(ErrorText([&] { out.WriteBuffer("1234", 4); }), "no error");
  EXPECT_EQ(ErrorText([&] { out.WriteBuffer("5678", 4); }), "EWriteError: Stream write error");
  EXPECT_THROW(in.ReadBuffer(buf, 1), EStreamError);  // read and write errors are stream errors
}

TEST(TStreamTest, CopyFromCopiesFromThePositionOrTheWholeSourceForZero) {
  TStringStream source("0123456789");
  TMemoryStream dest;
  source.SetPosition(6);
  EXPECT_EQ(dest.CopyFrom(&source, 3), 3);
  EXPECT_EQ(source.Position(), 9);
  EXPECT_EQ(dest.CopyFrom(&source, 0), 10);  // from the beginning, whatever the position
  dest.SetPosition(0);
  EXPECT_EQ(ReadAll(&dest), "6780123456789");
  source.SetPosition(8);
  EXPECT_EQ(ErrorText([&] { dest.CopyFrom(&source, 5); }), "EReadError: Stream read error");

  // Larger than one copy buffer.
  TMemoryStream big, copy;
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  big.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  EXPECT_EQ(copy.CopyFrom(&big, 0), 200000);
  EXPECT_EQ(std::memcmp(copy.Memory(), data.data(), data.size()), 0);
}

TEST(TMemoryStreamTest, GrowsInBlocksOf8KiB) {
  TMemoryStream s;
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
  struct Step {
    int32_t write;
    int64_t size, capacity;
  } steps[] = {{1, 1, 8192}, {8191, 8192, 8192}, {1, 8193, 16384}, {10000, 18193, 24576}};
  std::string chunk(10000, 'x');
  for (const Step& st : steps) {
    s.WriteBuffer(chunk.data(), st.write);
    EXPECT_EQ(s.Size(), st.size);
    EXPECT_EQ(s.Capacity(), st.capacity);
  }
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
}

TEST(TMemoryStreamTest, SeekFromEndAndWritesPastTheEnd) {
  TMemoryStream s;
  s.WriteBuffer("abcdefghij", 10);
  EXPECT_EQ(s.Seek(-3, soFromEnd), 7);
  EXPECT_EQ(ReadAll(&s), "hij");
  EXPECT_EQ(s.Seek(-5, soFromCurrent), 5);
  EXPECT_EQ(s.Seek(4, soFromEnd), 14);  // positions are not clamped
  char buf[4];
  EXPECT_EQ(s.Read(buf, 4), 0);
  s.WriteBuffer("Z", 1);
  EXPECT_EQ(s.Size(), 15);
  EXPECT_EQ(std::string(static_cast<char*>(s.Memory()), 15), std::string("abcdefghij\0\0\0\0Z", 15));

  s.SetPosition(12);
  s.SetSize(4);  // the position was past the new end
  EXPECT_EQ(s.Position(), 4);
  s.SetPosition(1);
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 1);
  EXPECT_EQ(ReadAll(&s), "bc");
}

TEST_F(TFileStreamTest, FileStreamsCreateOpenSeekAndTruncate) {
  std::string name = dir + "/data.bin";
  auto* f = new TFileStream(name, fmCreate | fmShareExclusive);
  f->WriteBuffer("hello world", 11);
  EXPECT_EQ(f->Size(), 11);
  EXPECT_EQ(f->Seek(-5, soFromEnd), 6);
  EXPECT_EQ(ReadAll(f), "world");
  f->SetSize(5);
  EXPECT_EQ(f->Position(), 5);
  f->Free();

  auto* r = new TFileStream(name, fmOpenRead | fmShareDenyNone);
  EXPECT_EQ(r->Size(), 5);
  EXPECT_EQ(ReadAll(r), "hello");
  EXPECT_EQ(ErrorText([&] { r->WriteBuffer("x", 1); }), "EWriteError: Stream write error");
  r->Free();

  auto* rw = new TFileStream(name, fmOpenReadWrite);
  rw->SetPosition(1);
  rw->WriteBuffer("E", 1);
  rw->SetPosition(0);
  EXPECT_EQ(ReadAll(rw), "hEllo");
  rw->Free();

  auto* w = new TFileStream(name, fmOpenWrite);
  w->Seek(0, soEnd);
  w->WriteBuffer("!", 1);
  char c;
  w->SetPosition(0);
  EXPECT_EQ(w->Read(&c, 1), 0);  // write-only
  w->Free();

  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(std::string(static_cast<char*>(m.Memory()), static_cast<size_t>(m.Size())), "hEllo!");
  m.SaveToFile(dir + "/copy.bin");
  TFileStream copy(dir + "/copy.bin", fmOpenRead);
  EXPECT_EQ(ReadAll(&copy), "hEllo!");
}

TEST_F(TFileStreamTest, FileStreamErrorsNameTheExpandedPathAndTheReason) {
  std::string missingDir = dir + "/no/such/../file.txt";
  EXPECT_EQ(ErrorText([&] { TFileStream f(missingDir, fmCreate); }),
            "EFCreateError: Cannot create file \"" + dir + "/no/file.txt\". No such file or directory");
  EXPECT_EQ(ErrorText([&] { TFileStream f(dir + "/absent.txt", fmOpenRead); }),
            "EFOpenError: Cannot open file \"" + dir + "/absent.txt\". No such file or directory");
  try {
    TFileStream f(dir + "/absent.txt", fmOpenReadWrite);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_TRUE(e.InheritsFrom(EFOpenError::StaticClass()));
  }
  // A relative name is expanded against the current directory.
  std::string relative = "vorn-absent-file.txt";
  EXPECT_EQ(ErrorText([&] { TFileStream f(relative, fmOpenRead); }),
            "EFOpenError: Cannot open file \"" + (std::filesystem::current_path() / relative).string() +
                "\". No such file or directory");
}

TEST(THandleStreamTest, ReadsAndWritesADescriptorItDoesNotOwn) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  {
    THandleStream out(fds[1]);
    THandleStream in(fds[0]);
    out.WriteBuffer("ping", 4);
    char buf[4];
    in.ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(in.Handle(), fds[0]);
  }
  EXPECT_EQ(close(fds[0]), 0);  // still open after the streams are gone
  EXPECT_EQ(close(fds[1]), 0);
}

TEST(TStringStreamTest, ReadsWritesAndSeeksWithinItsString) {
  TStringStream s("hello");
  EXPECT_EQ(s.ReadString(3), "hel");
  EXPECT_EQ(s.ReadString(10), "lo");
  EXPECT_EQ(s.ReadString(10), "");
  s.SetPosition(1);
  s.WriteString("EL");  // overwrites in place
  EXPECT_EQ(s.DataString(), "hELlo");
  s.Seek(0, soEnd);
  s.WriteString(", мир");
  EXPECT_EQ(s.DataString(), "hELlo, мир");
  EXPECT_EQ(s.Size(), 13);
  EXPECT_EQ(s.Seek(100, soBeginning), 13);  // positions stay inside the string
  EXPECT_EQ(s.Seek(-100, soCurrent), 0);
  s.SetPosition(10);
  s.SetSize(3);
  EXPECT_EQ(s.DataString(), "hEL");
  EXPECT_EQ(s.Position(), 3);
}

TEST(TMemoryStreamTest, LoadFromStreamReplacesTheContentAndSaveWritesAll) {
  TStringStream source("payload");
  source.SetPosition(3);
  TMemoryStream m;
  m.WriteBuffer("old content that is longer", 26);
  m.SetPosition(2);
  m.LoadFromStream(&source);  // the whole source, from its beginning
  EXPECT_EQ(m.Size(), 7);
  EXPECT_EQ(std::string(static_cast<char*>(m.Memory()), 7), "payload");
  TStringStream out;
  m.SaveToStream(&out);  // regardless of the position
  EXPECT_EQ(out.DataString(), "payload");
}
