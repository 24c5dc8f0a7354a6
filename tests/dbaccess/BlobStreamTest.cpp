// Blob streams against an embedded database: segments, old contents, access modes, a closed transaction,
// and swap files kept in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FIBDatabaseTest.h"
#include "dbaccess/FIBBlobStream.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pFIBProps.h"
#include "rtl/Streams.h"

namespace {

String Pattern(size_t size) {
  String s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

class BlobStreamTest : public scratch::DatabaseTest {
protected:
  Owned Own;

  void SetUp() override {
    OpenScratch("b.fdb");
    ExecSQL(DB, TR, "CREATE TABLE BL (ID INTEGER NOT NULL PRIMARY KEY, TXT BLOB SUB_TYPE TEXT, BIN BLOB)");
    TR->Commit();
    TR->StartTransaction();
  }

  TFIBBlobStream* NewStream(uint8_t mode) {
    auto* s = Own(new TFIBBlobStream());
    s->SetDatabase(DB);
    s->SetTransaction(TR);
    s->SetMode(mode);
    return s;
  }

  // Writes the contents as a new blob and stores it in row `id`'s column.
  void StoreRow(int32_t id, const char* column, const String& data) {
    TFIBBlobStream* s = NewStream(bmsWrite);
    if (!data.empty()) s->WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    else s->Truncate();
    s->Finalize();
    TFIBQuery* ins = NewQuery(String("UPDATE OR INSERT INTO BL (ID, ") + column + ") VALUES (:ID, :V) MATCHING (ID)");
    ins->ParamByName("ID")->SetAsInteger(id);
    ins->ParamByName("V")->SetAsQuad(s->BlobId());
    ins->ExecQuery();
  }

  fbapi::ISC_QUAD IdOf(int32_t id, const char* column) {
    TFIBQuery* q = NewQuery(String("SELECT ") + column + " FROM BL WHERE ID = " + std::to_string(id));
    q->ExecQuery();
    const fbapi::ISC_QUAD quad = q->Fields(0)->GetAsQuad();
    q->CloseCursor();
    return quad;
  }
};

TEST_F(BlobStreamTest, ContentsRoundTripInSegmentsOfAtMost65535Bytes) {
  struct Case {
    const char* Column;
    String Data;
    int32_t Segments;
  };
  const Case cases[] = {
      {"BIN", Pattern(3 * 65535 + 3), 4},
      {"BIN", Pattern(200 * 1024), 4},
      {"TXT", "Съешь же ещё этих мягких французских булок", 1},
  };
  int32_t id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Data.size());
    StoreRow(++id, c.Column, c.Data);
    TR->CommitRetaining();
    TFIBBlobStream* s = NewStream(bmsRead);
    s->SetBlobId(IdOf(id, c.Column));
    const String read = s->ReadAsString();
    EXPECT_TRUE(read == c.Data) << "read " << read.size() << " bytes";
    EXPECT_EQ(s->NumSegments(), c.Segments);
    EXPECT_LE(s->MaxSegmentSize(), 65535);
    // The statement's own text reading agrees.
    TFIBQuery* q = NewQuery(String("SELECT ") + c.Column + " FROM BL WHERE ID = " + std::to_string(id));
    q->ExecQuery();
    EXPECT_TRUE(q->Fields(0)->GetAsString() == c.Data);
    q->CloseCursor();
  }
}

TEST_F(BlobStreamTest, ChangeKeepsOldContentsUntilRevert) {
  StoreRow(1, "BIN", "0123456789");
  TFIBBlobStream* s = NewStream(bmsReadWrite);
  s->SetBlobId(IdOf(1, "BIN"));
  s->Seek(0, soBeginning);
  s->WriteBuffer("abc", 3);
  EXPECT_EQ(s->Size(), 3);
  EXPECT_EQ(s->OldSize(), 10);
  EXPECT_TRUE(s->Modified());
  char old[4];
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(s->ReadOldValue(old, 4), 4);
    EXPECT_EQ(String(old, 4), "0123");
  }
  EXPECT_EQ(s->SeekOldValue(0, soBeginning), 10);
  s->RevertToOldValue();
  EXPECT_FALSE(s->Modified());
  EXPECT_EQ(s->ReadAsString(), "0123456789");

  // Written as a new blob, the change gets a new identifier and the old blob stays as it was.
  const fbapi::ISC_QUAD before = s->BlobId();
  s->Seek(0, soBeginning);
  s->WriteBuffer("XYZ", 3);  // the first write after a load starts from empty contents
  s->Finalize();
  EXPECT_FALSE(QuadsEqual(before, s->BlobId()));
  TFIBBlobStream* fresh = NewStream(bmsRead);
  fresh->SetBlobId(s->BlobId());
  EXPECT_EQ(fresh->ReadAsString(), "XYZ");
  fresh->SetBlobId(before);
  EXPECT_EQ(fresh->ReadAsString(), "0123456789");
}

TEST_F(BlobStreamTest, AccessModesAndClosedTransactionRaiseTheLibraryErrors) {
  StoreRow(1, "TXT", "text");
  const fbapi::ISC_QUAD id = IdOf(1, "TXT");
  char b[4];
  TFIBBlobStream* w = NewStream(bmsWrite);
  EXPECT_EQ(ClientErrorCode([&] { w->Read(b, 4); }), 35);
  TFIBBlobStream* r = NewStream(bmsRead);
  r->SetBlobId(id);
  EXPECT_EQ(ClientErrorCode([&] { r->Write("x", 1); }), 36);
  r->SetClientFilled(true);
  EXPECT_EQ(r->Write("x", 1), 1);

  TFIBBlobStream* late = NewStream(bmsReadWrite);
  late->SetBlobId(id);
  TR->Commit();
  EXPECT_EQ(ClientErrorCode([&] { late->ReadAsString(); }), 15);
  late->SetTransaction(nullptr);
  EXPECT_EQ(ClientErrorCode([&] { late->ReadAsString(); }), 22);
  DB->Close();
  EXPECT_EQ(ClientErrorCode([&] { late->ReadAsString(); }), 12);
}

TEST_F(BlobStreamTest, EmptyBlobIsNotNull) {
  TFIBQuery* ins = NewQuery("INSERT INTO BL (ID, TXT, BIN) VALUES (:ID, :T, :B)");
  ins->ParamByName("ID")->SetAsInteger(1);
  ins->ParamByName("T")->SetAsString("");
  ins->ParamByName("B")->SetIsNull(true);
  ins->ExecQuery();
  TFIBQuery* q = NewQuery("SELECT TXT, BIN, CHAR_LENGTH(TXT) FROM BL");
  q->ExecQuery();
  EXPECT_FALSE(q->Fields(0)->GetIsNull());
  EXPECT_EQ(q->Fields(0)->GetAsString(), "");
  EXPECT_EQ(q->Fields(2)->GetAsInteger(), 0);
  EXPECT_TRUE(q->Fields(1)->GetIsNull());
  q->CloseCursor();
}

class BlobSwapTest : public BlobStreamTest {
protected:
  TempDir Swap;
  void SetUp() override {
    BlobStreamTest::SetUp();
    DB->BlobSwapSupport()->SetSwapDir(Swap.Path());
    DB->BlobSwapSupport()->SetActive(true);
  }
  TFIBBlobStream* KeyedStream(const fbapi::ISC_QUAD& id) {
    TFIBBlobStream* s = NewStream(bmsReadWrite);
    s->TableName = "T";
    s->FieldName = "C";
    s->KeyValues = {Variant(5), Variant(String("X"))};
    s->SetBlobId(id);
    return s;
  }
  String SwapFile() const { return Swap.Path() + "/T/C/5_X.blb"; }
};

TEST_F(BlobSwapTest, LoadedBlobIsKeptInItsSwapFileAndReadFromThere) {
  const String data = Pattern(5000);
  StoreRow(1, "BIN", data);
  const fbapi::ISC_QUAD id = IdOf(1, "BIN");
  EXPECT_EQ(KeyedStream(id)->ReadAsString(), data);
  ASSERT_TRUE(std::filesystem::exists(SwapFile()));
  // Signature, version, identifier, length, key count, then the three texts with their lengths.
  EXPECT_EQ(std::filesystem::file_size(SwapFile()), 13u + 4 + 8 + 4 + 4 + (4 + 1) + (4 + 1) + (4 + 3) + 5000);

  TFIBBlobStream* again = KeyedStream(id);
  EXPECT_EQ(again->ReadAsString(), data);
  EXPECT_TRUE(again->InSwap());

  // A file that does not match the server's blob is ignored and deleted.
  std::filesystem::resize_file(SwapFile(), std::filesystem::file_size(SwapFile()) - 1);
  {
    std::fstream f(SwapFile(), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(25);
    const int32_t wrong = 4999;
    f.write(reinterpret_cast<const char*>(&wrong), 4);
  }
  TFIBBlobStream* third = KeyedStream(id);
  EXPECT_EQ(third->ReadAsString(), data);
  EXPECT_FALSE(third->InSwap());
}

TEST_F(BlobSwapTest, SmallBlobsAndStreamsWithoutKeysAreNotSwapped) {
  DB->BlobSwapSupport()->SetMinBlobSizeToSwap(1000);
  for (size_t size : {999u, 1000u}) {
    std::filesystem::remove_all(Swap.Path() + "/T");
    StoreRow(1, "BIN", Pattern(size));
    KeyedStream(IdOf(1, "BIN"))->ReadAsString();
    EXPECT_EQ(std::filesystem::exists(SwapFile()), size >= 1000) << size;
  }
  std::filesystem::remove_all(Swap.Path() + "/T");
  TFIBBlobStream* unkeyed = KeyedStream(IdOf(1, "BIN"));
  unkeyed->KeyValues.clear();
  unkeyed->ReadAsString();
  EXPECT_FALSE(std::filesystem::exists(Swap.Path() + "/T/C/.blb"));
}

TEST_F(BlobSwapTest, ValidationDeletesFilesWhoseBlobIsGone) {
  StoreRow(1, "BIN", Pattern(2000));
  TR->CommitRetaining();
  KeyedStream(IdOf(1, "BIN"))->ReadAsString();
  ASSERT_TRUE(std::filesystem::exists(SwapFile()));
  const String shortFile = Swap.Path() + "/T/C/short.blb";
  const String version2 = Swap.Path() + "/T/v2.blb";
  std::ofstream(shortFile) << "ZAZ$BLOB";
  {
    std::ofstream f(version2, std::ios::binary);
    f << "ZAZ$BLOB_BODY";
    const int32_t v = 2;
    f.write(reinterpret_cast<const char*>(&v), 4);
    f.write("\1\0\0\0\1\0\0\0", 8);
  }
  // A well-formed file whose blob no longer exists: the kept file with another identifier.
  const String gone = Swap.Path() + "/T/C/gone.blb";
  std::filesystem::copy_file(SwapFile(), gone);
  {
    std::fstream f(gone, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(21);  // the identifier's low word
    const int32_t low = 0x7FFFFF00;
    f.write(reinterpret_cast<const char*>(&low), 4);
  }
  // Links inside the swap folder are never opened, followed or deleted: one to a damaged file outside,
  // one to a folder outside holding a damaged file.
  TempDir outside;
  const String outsideFile = outside.Path() + "/victim.blb";
  std::ofstream(outsideFile) << "not a swap file";
  std::filesystem::create_directory(outside.Path() + "/sub");
  const String outsideNested = outside.Path() + "/sub/nested.blb";
  std::ofstream(outsideNested) << "not a swap file either";
  const String fileLink = Swap.Path() + "/T/link.blb";
  const String folderLink = Swap.Path() + "/T/linked";
  std::filesystem::create_symlink(outsideFile, fileLink);
  std::filesystem::create_directory_symlink(outside.Path() + "/sub", folderLink);

  // While the server cannot be reached nothing is known of any blob: the well-formed files stay.
  auto* unreachable = Own(New<TFIBDatabase>(nullptr));
  scratch::Configure(unreachable, Swap.Path() + "/no-such.fdb");
  TFIBTransaction* trNone = Own(NewTransaction(unreachable, "TR3"));
  ValidateSwapFolder(unreachable, trNone, Swap.Path() + "/");
  EXPECT_TRUE(std::filesystem::exists(SwapFile()));
  EXPECT_TRUE(std::filesystem::exists(gone));
  EXPECT_FALSE(std::filesystem::exists(shortFile)) << "not a swap file at all";

  TFIBTransaction* tr = Own(NewTransaction(DB, "TR2"));
  ValidateSwapFolder(DB, tr, Swap.Path() + "/");
  EXPECT_TRUE(std::filesystem::is_symlink(fileLink));
  EXPECT_TRUE(std::filesystem::is_symlink(folderLink));
  EXPECT_TRUE(std::filesystem::exists(outsideFile));
  EXPECT_TRUE(std::filesystem::exists(outsideNested));
  EXPECT_TRUE(std::filesystem::exists(SwapFile()));
  EXPECT_FALSE(std::filesystem::exists(gone));
  EXPECT_FALSE(std::filesystem::exists(shortFile));
  EXPECT_FALSE(std::filesystem::exists(version2));
  if (tr->InTransaction()) tr->Commit();
}

TEST_F(BlobSwapTest, EachConnectWalksTheSwapFolderOnAThreadOfItsOwn) {
  StoreRow(1, "BIN", Pattern(2000));
  TR->CommitRetaining();
  KeyedStream(IdOf(1, "BIN"))->ReadAsString();
  ASSERT_TRUE(std::filesystem::exists(SwapFile()));
  const String gone = Swap.Path() + "/T/C/gone.blb";
  std::filesystem::copy_file(SwapFile(), gone);
  {
    std::fstream f(gone, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(21);
    const int32_t low = 0x7FFFFF00;
    f.write(reinterpret_cast<const char*>(&low), 4);
  }
  TempDir outside;
  const String outsideFile = outside.Path() + "/victim.blb";
  std::ofstream(outsideFile) << "not a swap file";
  std::filesystem::create_symlink(outsideFile, Swap.Path() + "/T/C/link.blb");

  String walked;
  int32_t deleted = -1;
  OnBlobCacheValidated = [&](const String& folder, int32_t count) {
    walked = folder;
    deleted = count;
  };
  TR->Commit();
  DB->Close();
  DB->Open();
  TR->StartTransaction();
  // The outcome arrives through the main-thread queue.
  for (int i = 0; i < 300 && deleted < 0; ++i) CheckSynchronize(100);
  OnBlobCacheValidated = nullptr;
  EXPECT_EQ(walked, Swap.Path() + "/");
  EXPECT_EQ(deleted, 1);
  EXPECT_FALSE(std::filesystem::exists(gone));
  EXPECT_TRUE(std::filesystem::exists(SwapFile()));
  EXPECT_TRUE(std::filesystem::is_symlink(Swap.Path() + "/T/C/link.blb"));
  EXPECT_TRUE(std::filesystem::exists(outsideFile));

  // Without the folder no walk starts.
  deleted = -1;
  OnBlobCacheValidated = [&](const String&, int32_t count) { deleted = count; };
  DB->BlobSwapSupport()->SetSwapDir(Swap.Path() + "/missing");
  TR->Commit();
  DB->Close();
  DB->Open();
  TR->StartTransaction();
  for (int i = 0; i < 5; ++i) CheckSynchronize(20);
  OnBlobCacheValidated = nullptr;
  EXPECT_EQ(deleted, -1);
}

}  // namespace
