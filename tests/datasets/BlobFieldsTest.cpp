// Blob fields of the SQL dataset against an embedded database: insert, edit, post, refresh, old values,
// cancel, null and empty blobs.
#include <gtest/gtest.h>
#include <ibase.h>
#include <unistd.h>

#include <filesystem>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBBlobStream.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"

#include "ScratchDatabase.h"

namespace {

String Pattern(size_t size, int seed) {
  String s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 13 + seed + i / 509) & 0xFF);
  return s;
}

class BlobFields : public scratch::DatabaseTest {
protected:
  void SetUp() override {
    OpenScratch("docs.fdb");
    DB->SetName("Database");
    Exec("CREATE TABLE DOCS (ID INTEGER NOT NULL PRIMARY KEY, NOTE BLOB SUB_TYPE TEXT CHARACTER SET UTF8, "
         "DATA BLOB)");
    TR->Commit();
    TR->StartTransaction();
    Exec("INSERT INTO DOCS (ID, NOTE) VALUES (1, 'первая заметка')");
    TR->CommitRetaining();

    DS = New<TFIBDataSet>(nullptr);
    DS->SetName("qDocs");
    DS->SetDatabase(DB);
    DS->SetTransaction(TR);
    DS->SelectSQL()->SetText("SELECT ID, NOTE, DATA FROM DOCS ORDER BY ID");
    DS->UpdateSQL()->SetText("UPDATE DOCS SET NOTE = ?NOTE, DATA = ?DATA WHERE ID = ?OLD_ID");
    DS->InsertSQL()->SetText("INSERT INTO DOCS (ID, NOTE, DATA) VALUES (?ID, ?NOTE, ?DATA)");
    DS->DeleteSQL()->SetText("DELETE FROM DOCS WHERE ID = ?OLD_ID");
    DS->RefreshSQL()->SetText("SELECT ID, NOTE, DATA FROM DOCS WHERE ID = ?OLD_ID");
  }

  void TearDown() override { DS->Free(); }

  // A column of a row as the server has it now, through a statement of its own; "<null>" for null.
  String ServerValue(int32_t id, const String& column) {
    auto* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText("SELECT " + column + " FROM DOCS WHERE ID = " + std::to_string(id));
    q->ExecQuery();
    const String v = q->Fields(0)->GetIsNull() ? String("<null>") : q->Fields(0)->GetAsString();
    q->CloseCursor();
    q->Free();
    return v;
  }

  TField* F(const char* name) { return DS->FieldByName(name); }

  // Large contents compared without printing them.
  static ::testing::AssertionResult Same(const String& actual, const String& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at byte " << at;
  }

  TFIBDataSet* DS = nullptr;
};

TEST_F(BlobFields, DefaultFieldsAreTheLibrarysBlobClasses) {
  DS->Open();
  EXPECT_NE(dynamic_cast<TFIBMemoField*>(F("NOTE")), nullptr);
  ASSERT_NE(dynamic_cast<TFIBBlobField*>(F("DATA")), nullptr);
  EXPECT_EQ(dynamic_cast<TFIBBlobField*>(F("DATA"))->SubType(), 0);
}

TEST_F(BlobFields, InsertEditPostAndRefreshRoundTrip) {
  const String text = "Юникодный текст: ёжик в тумане, ß, 漢字";
  const String first = Pattern(200 * 1024, 1);
  const String second = Pattern(200 * 1024 + 17, 2);
  DS->Open();
  DS->Insert();
  F("ID")->SetAsInteger(10);
  F("NOTE")->SetAsString(text);
  F("DATA")->SetAsString(first);
  DS->Post();
  EXPECT_EQ(F("NOTE")->AsString(), text);
  EXPECT_TRUE(Same(F("DATA")->AsString(), first));
  EXPECT_EQ(ServerValue(10, "NOTE"), text);
  EXPECT_TRUE(Same(ServerValue(10, "DATA"), first));

  DS->Edit();
  F("DATA")->SetAsString(second);
  DS->Post();
  DS->RefreshRecord();
  EXPECT_TRUE(Same(F("DATA")->AsString(), second));
  EXPECT_EQ(F("NOTE")->AsString(), text);  // untouched blobs keep their contents
  EXPECT_TRUE(Same(ServerValue(10, "DATA"), second));
  EXPECT_EQ(ServerValue(10, "NOTE"), text);

  TR->CommitRetaining();
  DS->Close();
  DS->Open();
  DS->Last();
  EXPECT_EQ(F("ID")->AsInteger(), 10);
  EXPECT_EQ(F("NOTE")->AsString(), text);
  EXPECT_TRUE(Same(F("DATA")->AsString(), second));
}

TEST_F(BlobFields, NullBlobReadsEmptyAndMakesNoStream) {
  DS->Open();
  EXPECT_TRUE(F("DATA")->IsNull());
  EXPECT_EQ(F("DATA")->AsString(), "");
  EXPECT_TRUE(DS->OpenBlobStreams().empty());
  EXPECT_EQ(F("NOTE")->AsString(), "первая заметка");
  EXPECT_EQ(DS->OpenBlobStreams().size(), 1u);
}

TEST_F(BlobFields, WritingEmptyContentsPostsNull) {
  DS->Open();
  DS->Edit();
  F("NOTE")->SetAsString("");
  DS->Post();
  EXPECT_TRUE(F("NOTE")->IsNull());
  EXPECT_EQ(ServerValue(1, "NOTE"), "<null>");
}

TEST_F(BlobFields, OldValueDuringEditAndCancelRestores) {
  DS->Open();
  DS->Edit();
  F("NOTE")->SetAsString("новое");
  EXPECT_EQ(F("NOTE")->AsString(), "новое");
  EXPECT_EQ(VarToStr(F("NOTE")->OldValue()), "первая заметка");
  DS->Cancel();
  EXPECT_EQ(F("NOTE")->AsString(), "первая заметка");
  EXPECT_EQ(ServerValue(1, "NOTE"), "первая заметка");

  // A second edit starts again from the restored contents.
  DS->Edit();
  F("NOTE")->SetAsString("третье");
  DS->Post();
  EXPECT_EQ(ServerValue(1, "NOTE"), "третье");
  DS->Edit();
  EXPECT_EQ(VarToStr(F("NOTE")->OldValue()), "третье");
  DS->Cancel();
}

TEST_F(BlobFields, WritingOutsideEditIsRefused) {
  DS->Open();
  int32_t code = 0;
  try {
    TStream* s = DS->CreateBlobStream(F("NOTE"), bmWrite);
    s->Free();
  } catch (const EFIBClientError& e) {
    code = e.SQLCode();
  }
  EXPECT_EQ(code, 42);
  EXPECT_EQ(F("NOTE")->AsString(), "первая заметка");
}

TEST_F(BlobFields, CachedUpdatesCarryBlobsToTheServer) {
  DS->SetCachedUpdates(true);
  DS->Open();
  DS->Edit();
  F("DATA")->SetAsString("cached");
  DS->Post();
  EXPECT_EQ(ServerValue(1, "DATA"), "<null>");
  DS->ApplyUpdates();
  DS->CommitUpdates();
  EXPECT_EQ(ServerValue(1, "DATA"), "cached");
  EXPECT_EQ(ServerValue(1, "NOTE"), "первая заметка");
}

}  // namespace

namespace {

TEST_F(BlobFields, RevertingACachedEditRestoresTheBlob) {
  DS->SetCachedUpdates(true);
  DS->Open();
  EXPECT_EQ(F("NOTE")->AsString(), "первая заметка");  // the row's stream is made while browsing
  DS->Edit();
  F("NOTE")->SetAsString("правка");
  DS->Post();
  EXPECT_EQ(F("NOTE")->AsString(), "правка");
  DS->RevertRecord();
  EXPECT_EQ(F("NOTE")->AsString(), "первая заметка");
  EXPECT_EQ(DS->PendingChanges(), 0);
}

TEST_F(BlobFields, BlobReadAfterTheTransactionEndsRaisesTheLibraryError) {
  Exec("INSERT INTO DOCS (ID, NOTE) VALUES (2, 'вторая')");
  TR->CommitRetaining();
  // With cached updates the fetched rows outlive a hard commit; without, the commit closes the dataset.
  DS->SetCachedUpdates(true);
  DS->Open();
  DS->FetchAll();
  TStream* early = DS->CreateBlobStream(F("NOTE"), bmRead);
  TR->Commit();
  ASSERT_TRUE(DS->Active());
  DS->Next();
  int32_t code = 0;
  try {
    (void)F("NOTE")->AsString();
  } catch (const EFIBClientError& e) {
    code = e.SQLCode();
  }
  EXPECT_EQ(code, 15);
  // A stream taken earlier keeps what it loaded; once the dataset frees its streams it reads nothing.
  char b[32];
  early->SetPosition(0);
  EXPECT_EQ(early->Read(b, sizeof b), static_cast<int32_t>(String("первая заметка").size()));
  DS->Close();
  early->SetPosition(0);
  EXPECT_EQ(early->Read(b, sizeof b), 0);
  early->Free();
}

}  // namespace

namespace {

TEST_F(BlobFields, ClientBlobFieldIsFilledByTheApplicationAndBecomesReadOnly) {
  int calls = 0;
  DS->OnFillClientBlob = [&](TDataSet*, TField* field, TStream* stream) {
    ++calls;
    const String text = "filled for " + field->FieldName();
    stream->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  };
  DS->Open();
  auto* data = dynamic_cast<TFIBBlobField*>(F("DATA"));
  ASSERT_NE(data, nullptr);
  data->SetIsClientField(true);
  EXPECT_EQ(data->AsString(), "filled for DATA");
  EXPECT_EQ(data->AsString(), "filled for DATA");
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(data->ReadOnly());
  // Posting the row sends none of the filled contents to the server.
  DS->Edit();
  F("NOTE")->SetAsString("другая");
  DS->Post();
  EXPECT_EQ(ServerValue(1, "DATA"), "<null>");
  EXPECT_EQ(ServerValue(1, "NOTE"), "другая");
}

}  // namespace
