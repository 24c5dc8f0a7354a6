// Server errors of posts and deletes: the platform's error events with their actions, the library's own
// handlers before them, and the dataset left as it was by a refused post.
#include "DataSetServicesSupport.h"

namespace {

using dss::ServicesTest;

struct ActionCase {
  TDataAction action;
  bool expectAbort;  // EAbort instead of the server error
};

class PostErrorActions : public ServicesTest, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(PostErrorActions, RefusedPostKeepsTheEditAndTheCache) {
  auto* ds = NewDataSet<TFIBDataSet>();
  int calls = 0;
  ds->OnPostError = [&](TDataSet*, EDatabaseError* e, TDataAction& action) {
    ++calls;
    EXPECT_NE(String(e->Message()).find("CHECK"), String::npos) << e->Message();
    action = GetParam().action;
  };
  ds->Open();
  ds->Next();
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(-1);
  if (GetParam().expectAbort) EXPECT_THROW(ds->Post(), EAbort);
  else EXPECT_THROW(ds->Post(), EFIBError);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), -1);
  EXPECT_EQ(ds->FieldByName("QTY")->OldValue().AsInteger(), 2);
  ds->Cancel();
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 2);
  EXPECT_EQ(ds->RecNo(), 2);
}

INSTANTIATE_TEST_SUITE_P(Actions, PostErrorActions,
                         ::testing::Values(ActionCase{daFail, false}, ActionCase{daAbort, true}),
                         [](const auto& info) { return String(info.param.action == daFail ? "Fail" : "Abort"); });

TEST_F(ServicesTest, RetryPostsAgainAfterTheHandlerMendedTheRecord) {
  auto* ds = NewDataSet<TFIBDataSet>();
  int calls = 0;
  ds->OnPostError = [&](TDataSet* d, EDatabaseError*, TDataAction& action) {
    ++calls;
    d->FieldByName("QTY")->SetAsInteger(7);
    action = daRetry;
  };
  ds->Open();
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(-3);
  ds->Post();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 7);
}

TEST_F(ServicesTest, RefusedInsertLeavesNoRowBehind) {
  auto* ds = NewDataSet<TFIBDataSet>();
  ds->Open();
  ds->Last();
  ds->MoveBy(-2);  // on row 3
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(1);  // a key that exists
  ds->FieldByName("NAME")->SetAsString("dup");
  EXPECT_THROW(ds->Post(), EFIBError);
  EXPECT_EQ(ds->State(), dsInsert);
  ds->Cancel();
  EXPECT_EQ(ds->RecordCount(), 5);
  ds->First();
  for (int i = 1; i <= 5; ++i, ds->Next()) EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), i);
}

TEST_F(ServicesTest, DeleteErrorActions) {
  auto* ds = NewDataSet<TFIBDataSet>();
  TDataAction answer = daAbort;
  int calls = 0;
  ds->OnDeleteError = [&](TDataSet*, EDatabaseError*, TDataAction& action) {
    ++calls;
    action = answer;
  };
  ds->Open();  // row 1 is referenced by U
  EXPECT_THROW(ds->Delete(), EAbort);
  EXPECT_EQ(ds->RecordCount(), 1);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  answer = daFail;
  EXPECT_THROW(ds->Delete(), EFIBError);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
}

// The re-read after a post fails on the server (a division by zero in its condition) once the row is
// written: the post is complete all the same, and the re-read's error is raised at its end.
struct RefreshFailureCase {
  const char* name;
  bool inserting;
};

class RefreshAfterPostFails : public ServicesTest, public ::testing::WithParamInterface<RefreshFailureCase> {
protected:
  // NAME and QTY of row id as the dataset's transaction sees it; empty when there is none.
  String RowInTransaction(int id) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText("SELECT NAME || '/' || QTY FROM T WHERE ID = " + std::to_string(id));
    q->ExecQuery();
    String row = q->Eof() ? String() : q->Fields(0)->GetAsString();
    q->Free();
    return row;
  }
};

TEST_P(RefreshAfterPostFails, ThePostCompletesAndTheErrorIsRaised) {
  const bool inserting = GetParam().inserting;
  auto* ds = NewDataSet<TpZAZDataSet>();
  ds->RefreshSQL()->SetText("SELECT ID, NAME, QTY FROM T WHERE ID = ?OLD_ID AND 1 / (QTY - QTY) = 0");
  int postErrors = 0, afterPosts = 0;
  ds->OnPostError = [&](TDataSet*, EDatabaseError*, TDataAction&) { ++postErrors; };
  ds->AfterPost = [&](TDataSet*) { ++afterPosts; };
  ds->Open();
  ds->Last();
  const int id = inserting ? 6 : 5;
  if (inserting) {
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(id);
  } else {
    ds->Edit();
  }
  ds->FieldByName("NAME")->SetAsString("posted");
  ds->FieldByName("QTY")->SetAsInteger(8);
  try {
    ds->Post();
    ADD_FAILURE() << "the failed re-read went unreported";
  } catch (const EFIBError& e) {
    EXPECT_NE(e.Message().find("divide by zero"), String::npos) << e.Message();
  }
  // Written once, left in the cache as posted, and the dataset out of the edit state.
  EXPECT_EQ(RowInTransaction(id), "posted/8");
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->RecordCount(), inserting ? 6 : 5);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), id);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "posted");
  EXPECT_EQ(postErrors, 0);
  EXPECT_EQ(afterPosts, 1);
  // The next post is an ordinary one: nothing of the failure is left over.
  ds->RefreshSQL()->SetText("SELECT ID, NAME, QTY FROM T WHERE ID = ?OLD_ID");
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(9);
  ds->Post();
  EXPECT_EQ(RowInTransaction(id), "posted/9");
  ds->Close();
  ds->Open();
  ds->FetchAll();
  EXPECT_EQ(ds->RecordCount(), inserting ? 6 : 5);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RefreshAfterPostFails,
                         ::testing::Values(RefreshFailureCase{"Insert", true}, RefreshFailureCase{"Edit", false}),
                         [](const auto& info) { return String(info.param.name); });

TEST_F(ServicesTest, ContainerSeesPostErrorsBeforeTheDatasetAndMayRetry) {
  auto* ds = NewDataSet();
  auto* container = New<TDataSetsContainer>(Owner);
  ds->SetContainer(container);
  std::vector<String> log;
  int containerCalls = 0;
  container->OnDataSetError = [&](TDataSet* d, TKindDataSetError kind, EDatabaseError*, TDataAction& action) {
    log.push_back(kind == deOnPostError ? "container post" : "container other");
    // The first time the container only watches; the second time it mends and retries.
    if (++containerCalls == 2) {
      d->FieldByName("QTY")->SetAsInteger(9);
      action = daRetry;
    }
  };
  ds->OnPostError = [&](TDataSet*, EDatabaseError*, TDataAction&) { log.push_back("dataset"); };
  ds->Open();
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(-5);
  EXPECT_THROW(ds->Post(), EFIBError);
  EXPECT_EQ(log, (std::vector<String>{"container post", "dataset"}));
  ds->Post();
  EXPECT_EQ(log, (std::vector<String>{"container post", "dataset", "container post"}));
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 9);
  EXPECT_EQ(ds->State(), dsBrowse);
}

}  // namespace
