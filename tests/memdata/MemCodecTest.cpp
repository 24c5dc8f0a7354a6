// The data stream reader and the text file encoding, apart from the dataset.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "MutationLoop.h"
#include "memdata/detail/MemCodec.h"
#include "rtl/Streams.h"

using namespace memdata;

namespace {

// Builds a data stream byte by byte.
struct StreamBuilder {
  TMemoryStream s;
  StreamBuilder& Raw(const void* p, size_t n) {
    s.WriteBuffer(p, static_cast<int32_t>(n));
    return *this;
  }
  template <class T>
  StreamBuilder& Put(T v) { return Raw(&v, sizeof v); }
  StreamBuilder& Header(double version) { return Raw("Ver", 3).Put(version); }
  StreamBuilder& Column(int32_t size, int16_t code, const String& name) {
    Put(size).Put(code).Put(static_cast<int16_t>(name.size()));
    return Raw(name.data(), name.size());
  }
  StreamBuilder& Str(const String& v) { return Put(static_cast<int32_t>(v.size())).Raw(v.data(), v.size()); }
};

struct Collected {
  std::vector<TMemStreamColumn> columns;
  std::vector<std::vector<TMemStreamValue>> records;
};

Collected Read(TStream* s, std::vector<TMemStreamTarget> targets, double* version = nullptr) {
  Collected out;
  TMemStreamHandler h;
  h.Columns = [&](const std::vector<TMemStreamColumn>& c) {
    out.columns = c;
    return targets;
  };
  h.Record = [&](const std::vector<TMemStreamValue>& v) { out.records.push_back(v); };
  s->SetPosition(0);
  double v = ReadMemDataStream(s, h);
  if (version) *version = v;
  return out;
}

const TMemStreamTarget kInt{TMemTarget::tkFixed, 4};
const TMemStreamTarget kStr{TMemTarget::tkString, 11};
const TMemStreamTarget kNone{TMemTarget::tkNone, 0};

}  // namespace

TEST(MemDataStream, VersionedFixedValuesCarryANullFlag) {
  StreamBuilder b;
  b.Header(1.0).Put<int32_t>(2).Column(4, 3, "ID").Column(10, 1, "NAME");
  b.Put<uint8_t>(1).Put<int32_t>(42).Str("Иван");
  b.Put<uint8_t>(0).Put<int32_t>(0).Str("");
  double version = -1;
  Collected c = Read(&b.s, {kInt, kStr}, &version);
  EXPECT_EQ(version, 1.0);
  ASSERT_EQ(c.columns.size(), 2u);
  EXPECT_EQ(c.columns[1].Name, "NAME");
  ASSERT_EQ(c.records.size(), 2u);
  int32_t id = 0;
  std::memcpy(&id, c.records[0][0].Bytes.data(), 4);
  EXPECT_EQ(id, 42);
  EXPECT_EQ(c.records[0][1].Bytes, "Иван");
  EXPECT_TRUE(c.records[1][0].Null);
  EXPECT_TRUE(c.records[1][1].Null);  // a zero length is null, not an empty string
}

TEST(MemDataStream, WithoutHeaderFixedValuesHaveNoFlag) {
  StreamBuilder b;
  b.Put<int32_t>(1).Column(4, 3, "ID").Put<int32_t>(7).Put<int32_t>(8);
  double version = -1;
  Collected c = Read(&b.s, {kInt}, &version);
  EXPECT_EQ(version, 0.0);
  ASSERT_EQ(c.records.size(), 2u);
  EXPECT_FALSE(c.records[1][0].Null);
  EXPECT_EQ(c.records[1][0].Bytes[0], 8);
}

TEST(MemDataStream, VersionBelowOneCountsAsOne) {
  StreamBuilder b;
  b.Header(0.5).Put<int32_t>(1).Column(4, 3, "ID").Put<uint8_t>(1).Put<int32_t>(5);
  double version = 0;
  Collected c = Read(&b.s, {kInt}, &version);
  EXPECT_EQ(version, 1.0);
  ASSERT_EQ(c.records.size(), 1u);
}

TEST(MemDataStream, UnknownColumnsAreSkippedByTypeCode) {
  StreamBuilder b;
  b.Header(1).Put<int32_t>(4).Column(4, 3, "GONE_INT").Column(0, 20, "GONE_WIDE").Column(0, 14, "GONE_MEMO");
  b.Column(10, 1, "NAME");
  b.Put<uint8_t>(1).Put<int32_t>(1);                                    // skipped integer: flag and 4 bytes
  b.Put<int32_t>(2).Put<uint8_t>(1).Put<char16_t>(u'Ж').Put<char16_t>(u'ы');  // skipped wide: flag, 2 chars
  b.Str("memo text");                                                   // skipped memo
  b.Str("kept");
  Collected c = Read(&b.s, {kNone, kNone, kNone, kStr});
  ASSERT_EQ(c.records.size(), 1u);
  EXPECT_EQ(c.records[0][3].Bytes, "kept");
}

TEST(MemDataStream, WideStringAndBlobColumns) {
  StreamBuilder b;
  b.Header(1).Put<int32_t>(2).Column(0, 20, "W").Column(0, 13, "B");
  b.Put<int32_t>(3).Put<uint8_t>(1).Put<char16_t>(u'М').Put<char16_t>(u'и').Put<char16_t>(u'р');
  b.Str(String("\x00\x01\x02", 3));
  Collected c = Read(&b.s, {{TMemTarget::tkWideString, 0}, {TMemTarget::tkBlob, 0}});
  ASSERT_EQ(c.records.size(), 1u);
  EXPECT_EQ(c.records[0][0].Wide, u"Мир");
  EXPECT_EQ(c.records[0][1].Bytes, String("\x00\x01\x02", 3));
}

TEST(MemDataStream, LongStringIsCutToTheLargerSizeAndTheRestSkipped) {
  StreamBuilder b;
  b.Header(1).Put<int32_t>(2).Column(3, 1, "S").Column(4, 3, "I");
  b.Str("abcdefghijklmnop").Put<uint8_t>(1).Put<int32_t>(9);
  Collected c = Read(&b.s, {{TMemTarget::tkString, 5}, kInt});
  ASSERT_EQ(c.records.size(), 1u);
  EXPECT_EQ(c.records[0][0].Bytes, "abcde");
  EXPECT_EQ(c.records[0][1].Bytes[0], 9);
}

TEST(MemDataStream, AShortRecordIsDropped) {
  StreamBuilder b;
  b.Header(1).Put<int32_t>(1).Column(4, 3, "ID").Put<uint8_t>(1).Put<int32_t>(1).Put<uint8_t>(1).Put<int16_t>(2);
  EXPECT_EQ(Read(&b.s, {kInt}).records.size(), 1u);
}

namespace {
void ExpectIncorrect(StreamBuilder& b, const TMemStreamTarget& target) {
  try {
    Read(&b.s, {target});
    ADD_FAILURE() << "expected an error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "The data is incorrect");
  }
}
}  // namespace

TEST(MemDataStream, NameOf256BytesIsRejected) {
  StreamBuilder b;
  b.Header(1).Put<int32_t>(1).Column(4, 3, String(256, 'n')).Put<uint8_t>(1).Put<int32_t>(1);
  ExpectIncorrect(b, kInt);
}

TEST(MemTextFile, PlainValuesStayAsTheyAre) {
  EXPECT_EQ(JoinTextLine({"a", "Привет мир", "", "x\"y"}, '\t'), "a\tПривет мир\t\tx\"y");
}

TEST(MemTextFile, ValuesWithDelimitersLineBreaksOrLeadingQuotesReadBackWhole) {
  const std::vector<String> values = {"a\tb", "line1\r\nline2", "lf\nonly", "\"quoted\"", "cr\r", "", "ё\t\"Ж\""};
  String text = JoinTextLine({"h1", "h2"}, '\t') + "\r\n" + JoinTextLine(values, '\t') + "\r\n";
  auto lines = SplitTextFile(text, '\t');
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (std::vector<String>{"h1", "h2"}));
  EXPECT_EQ(lines[1], values);
}

TEST(MemTextFile, SplitsLinesAtEveryKindOfBreak) {
  auto lines = SplitTextFile("a;b\r\nc\nd;\re", ';');
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], (std::vector<String>{"a", "b"}));
  EXPECT_EQ(lines[1], (std::vector<String>{"c"}));
  EXPECT_EQ(lines[2], (std::vector<String>{"d", ""}));
  EXPECT_EQ(lines[3], (std::vector<String>{"e"}));
}

TEST(MemDataStream, DamagedWidthsAndLengthsAreNotAllocated) {
  const TMemStreamTarget kWide{TMemTarget::tkWideString, 0};
  const TMemStreamTarget kBlob{TMemTarget::tkBlob, 0};
  struct Case {
    const char* name;
    std::function<void(StreamBuilder&)> build;
    TMemStreamTarget target;
  } cases[] = {
      // 27 bytes whose column claims a width of 2 GiB.
      {"fixed width", [](StreamBuilder& b) { b.Header(1).Put<int32_t>(1).Column(0x7FFFFFFF, 3, "ID").Put<int16_t>(1); }, kInt},
      {"fixed width without header", [](StreamBuilder& b) { b.Put<int32_t>(1).Column(0x7FFFFFFF, 3, "ID").Put<int32_t>(1); }, kInt},
      {"string length", [](StreamBuilder& b) { b.Header(1).Put<int32_t>(1).Column(0x7FFFFFFF, 1, "S").Put<int32_t>(0x7FFFFFFF).Put<int32_t>(5); }, TMemStreamTarget{TMemTarget::tkString, 0x7FFFFFFF}},
      {"wide length", [](StreamBuilder& b) { b.Header(1).Put<int32_t>(1).Column(0, 20, "W").Put<int32_t>(0x7FFFFFFF).Put<uint8_t>(1).Put<int32_t>(5); }, kWide},
      {"blob length", [](StreamBuilder& b) { b.Header(1).Put<int32_t>(1).Column(0, 15, "B").Put<int32_t>(0x7FFFFFF0).Put<int32_t>(5); }, kBlob},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StreamBuilder b;
    c.build(b);
    mutation::AllocationWatch watch;
    EXPECT_TRUE(Read(&b.s, {c.target}).records.empty());
    EXPECT_LT(watch.Max(), 1u << 20);
  }
}

TEST(MemDataStream, RecordsThatTakeNoBytesAreRefused) {
  // Without the header a fixed value has no null flag, so a width of 0 reads nothing: the same empty
  // record would repeat without end.
  for (const TMemStreamTarget& target : {kInt, kNone}) {
    StreamBuilder b;
    b.Put<int32_t>(1).Column(0, 3, "ID").Put<int32_t>(7);
    ExpectIncorrect(b, target);
  }
}

TEST(MemDataStream, MutatedStreamsEndCleanly) {
  StreamBuilder b;
  b.Header(1).Put<int32_t>(5).Column(4, 3, "ID").Column(10, 1, "NAME").Column(0, 20, "WIDE").Column(0, 15, "MEMO");
  b.Column(8, 6, "SKIPPED");
  for (int i = 0; i < 4; ++i) {
    b.Put<uint8_t>(1).Put<int32_t>(i).Str("name" + std::to_string(i));
    b.Put<int32_t>(2).Put<uint8_t>(1).Put<char16_t>(u'Ж').Put<char16_t>(u'x');
    b.Str(String(40, 'm'));
    b.Put<uint8_t>(1).Put<double>(i * 1.5);
  }
  const String valid(static_cast<const char*>(b.s.Memory()), static_cast<size_t>(b.s.Size()));
  const std::vector<TMemStreamTarget> targets = {kInt, kStr, {TMemTarget::tkWideString, 0}, {TMemTarget::tkBlob, 0}, kNone};
  mutation::RunStream(valid, [&](TStream* s) { Read(s, targets); });
}
