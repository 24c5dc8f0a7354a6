// The read and update transactions of SQL datasets, auto-commit and the relayed transaction events.
#include "DataSetServicesSupport.h"
#include "rtl/TypInfo.h"

namespace {

using dss::ServicesTest;

TEST_F(ServicesTest, TransactionMovesEveryStatementUntilASeparateUpdateTransactionIsGiven) {
  auto* ds = NewDataSet<TFIBDataSet>();
  EXPECT_EQ(ds->UpdateTransaction(), TR);
  EXPECT_FALSE(ds->IsUpdateTransactionStored());
  for (TFIBQuery* q : {ds->QSelect(), ds->QInsert(), ds->QUpdate(), ds->QDelete(), ds->QRefresh()})
    EXPECT_EQ(q->Transaction(), TR);

  TFIBTransaction* update = NewTransaction();
  TFIBTransaction* read = NewTransaction();
  ds->SetUpdateTransaction(update);
  EXPECT_TRUE(ds->IsUpdateTransactionStored());
  ds->SetTransaction(read);
  EXPECT_EQ(ds->QSelect()->Transaction(), read);
  EXPECT_EQ(ds->QRefresh()->Transaction(), read);
  for (TFIBQuery* q : {ds->QInsert(), ds->QUpdate(), ds->QDelete()}) EXPECT_EQ(q->Transaction(), update);

  ds->SetRefreshTransactionKind(tkUpdateTransaction);
  EXPECT_EQ(ds->QRefresh()->Transaction(), update);

  // Only an open dataset refuses a new read transaction.
  ds->Open();
  EXPECT_THROW(ds->SetTransaction(TR), EFIBError);
  ds->Close();
}

TEST_F(ServicesTest, DatabaseLendsItsDefaultUpdateTransaction) {
  TFIBTransaction* update = NewTransaction();
  DB->SetDefaultUpdateTransaction(update);
  auto* ds = New<TFIBDataSet>(nullptr);
  DataSets.push_back(ds);
  ds->SetTransaction(TR);
  ds->SetDatabase(DB);
  EXPECT_EQ(ds->UpdateTransaction(), update);
  EXPECT_EQ(ds->Transaction(), TR);
  // A dataset that already has a separate update transaction keeps it.
  TFIBTransaction* own = NewTransaction();
  auto* other = New<TFIBDataSet>(nullptr);
  DataSets.push_back(other);
  other->SetTransaction(TR);
  other->SetUpdateTransaction(own);
  other->SetDatabase(DB);
  EXPECT_EQ(other->UpdateTransaction(), own);
  DB->SetDefaultUpdateTransaction(nullptr);
}

struct AutoCommitCase {
  const char* name;
  bool autoCommit;
  bool separateUpdate;
  bool updateActiveAfterPost;
  bool rowCommitted;
};

class AutoCommitTest : public ServicesTest, public ::testing::WithParamInterface<AutoCommitCase> {};

TEST_P(AutoCommitTest, PostCommitsTheUpdateTransactionOnlyWithAutoCommit) {
  const AutoCommitCase c = GetParam();
  auto* ds = NewDataSet<TFIBDataSet>();
  TFIBTransaction* update = c.separateUpdate ? NewTransaction() : TR;
  ds->SetUpdateTransaction(update);
  ds->SetAutoCommit(c.autoCommit);
  ds->Open();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("changed");
  ds->Post();
  EXPECT_EQ(update->InTransaction(), c.updateActiveAfterPost);
  EXPECT_EQ(Committed("SELECT NAME FROM T WHERE ID = 1").AsString(), c.rowCommitted ? "changed" : "row1");
  // A retaining commit of the read transaction keeps the cursor: the rest of the rows still come.
  EXPECT_TRUE(ds->Active());
  ds->Last();
  EXPECT_EQ(ds->RecordCount(), 5);
  if (update->InTransaction()) update->Rollback();
}

INSTANTIATE_TEST_SUITE_P(Modes, AutoCommitTest,
                         ::testing::Values(AutoCommitCase{"Off", false, true, true, false},
                                           AutoCommitCase{"SeparateUpdateTransaction", true, true, false, true},
                                           AutoCommitCase{"SharedTransaction", true, false, true, true}),
                         [](const auto& info) { return String(info.param.name); });

TEST_F(ServicesTest, DeleteWithAutoCommitInTheReadTransactionCommitsRetaining) {
  auto* ds = NewDataSet<TFIBDataSet>();
  ds->SetAutoCommit(true);
  std::vector<TTransactionAction> ends;
  ds->AfterEndTransaction = [&](TFIBTransaction*, TTransactionAction a, bool) { ends.push_back(a); };
  TR->StartTransaction();
  Exec("UPDATE U SET T_ID = NULL");
  ds->Open();
  ds->Last();
  ds->Delete();
  EXPECT_EQ(ends, std::vector<TTransactionAction>{TACommitRetaining});
  EXPECT_TRUE(VarIsNull(Committed("SELECT ID FROM T WHERE ID = 5")));
  EXPECT_EQ(ds->RecordCount(), 4);
}

TEST_F(ServicesTest, TransactionEventsAreRelayedFromBothTransactions) {
  auto* ds = NewDataSet<TFIBDataSet>();
  TFIBTransaction* update = NewTransaction();
  ds->SetUpdateTransaction(update);
  std::vector<String> log;
  TFIBTransaction* read = TR;
  auto note = [&](const char* what) {
    return [&log, what, read, update](TObject* sender) {
      log.push_back(String(what) + (sender == read ? " read" : sender == update ? " update" : " ?"));
    };
  };
  auto noteEnd = [&](const char* what) {
    return [&log, what, read](TFIBTransaction* sender, TTransactionAction a, bool) {
      log.push_back(String(what) + (sender == read ? " read " : " update ") +
                    GetEnumName(TypeInfo<TTransactionAction>(), a));
    };
  };
  ds->BeforeStartTransaction = note("before start");
  ds->AfterStartTransaction = note("after start");
  ds->BeforeStartUpdateTransaction = note("before start");
  ds->AfterStartUpdateTransaction = note("after start");
  ds->BeforeEndTransaction = noteEnd("before end");
  ds->AfterEndTransaction = noteEnd("after end");
  ds->BeforeEndUpdateTransaction = noteEnd("before end");
  ds->AfterEndUpdateTransaction = noteEnd("after end");
  ds->SetAutoCommit(true);
  ds->Open();
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(42);
  ds->Post();
  ds->Close();
  TR->Commit();
  const std::vector<String> expected{"before start read", "after start read",
                                     "before start update", "after start update",
                                     "before end update TACommit", "after end update TACommit",
                                     "before end read TACommit", "after end read TACommit"};
  EXPECT_EQ(log, expected);

  // A freed dataset leaves no handler behind; a new read transaction takes the read handlers along.
  log.clear();
  TFIBTransaction* next = NewTransaction();
  ds->SetTransaction(next);
  TR->StartTransaction();
  TR->Commit();
  EXPECT_TRUE(log.empty());
  DataSets.clear();
  ds->Free();
  next->StartTransaction();
  update->StartTransaction();
  next->Commit();
  update->Commit();
  EXPECT_TRUE(log.empty());
}

TEST_F(ServicesTest, TransactionsFreedBeforeTheDatasetAreForgotten) {
  auto* ds = NewDataSet<TFIBDataSet>();
  TFIBTransaction* read = NewTransaction();
  TFIBTransaction* update = NewTransaction();
  ds->SetTransaction(read);
  ds->SetUpdateTransaction(update);
  int events = 0;
  ds->AfterStartTransaction = [&](TObject*) { ++events; };
  ds->AfterStartUpdateTransaction = [&](TObject*) { ++events; };
  update->Free();
  EXPECT_EQ(ds->UpdateTransaction(), nullptr);
  read->Free();
  EXPECT_EQ(ds->Transaction(), nullptr);
  EXPECT_THROW(ds->EnsureUpdateTransactionActive(), EFIBError);
  // With neither left, a new transaction serves both, and both relays hear it start.
  ds->SetTransaction(TR);
  EXPECT_EQ(ds->UpdateTransaction(), TR);
  ds->Open();
  EXPECT_EQ(events, 2);
}

}  // namespace
