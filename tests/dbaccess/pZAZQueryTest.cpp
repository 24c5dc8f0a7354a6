#include <gtest/gtest.h>

#include "FIBDatabaseTest.h"
#include "dbaccess/pZAZQuery.h"

namespace {

class PoolTest : public scratch::DatabaseTest {
protected:
  Owned Own;

  void SetUp() override {
    OpenScratch("p.fdb");
    ExecCommitted(kCreateTableT);
  }
};

TEST_F(PoolTest, IdentityRules) {
  const String text = "select count(*) from T";
  TFIBQuery* a = AcquireCachedQuery(TR, text);
  TFIBQuery* b = AcquireCachedQuery(TR, text);
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a, b);
  a->ExecQuery();
  EXPECT_TRUE(a->Prepared());
  ReleaseCachedQuery(a);
  ReleaseCachedQuery(b);  // the key already has an idle statement: this one is freed, not leaked
  EXPECT_EQ(CacheList()->PoolOf(DB)->IdleCount(), 1);
  EXPECT_EQ(CacheList()->PoolOf(DB)->BusyCount(), 0);
  // Blanks and line breaks around the text do not matter; letter case does.
  TFIBQuery* c = AcquireCachedQuery(TR, "  \r\n" + text + "\r\n ");
  EXPECT_EQ(c, a);
  EXPECT_TRUE(c->Prepared());
  TFIBQuery* d = AcquireCachedQuery(TR, "SELECT count(*) from T");
  EXPECT_NE(d, a);
  ReleaseCachedQuery(c);
  ReleaseCachedQuery(d);
  ReleaseCachedQuery(nullptr);
  TFIBQuery* stranger = Own(New<TFIBQuery>(nullptr));
  stranger->SetDatabase(DB);
  ReleaseCachedQuery(stranger);  // unknown to the pool: left alone
  EXPECT_EQ(CacheList()->PoolOf(DB)->IdleCount(), 2);
}

TEST_F(PoolTest, TransactionSwitchedOnReuseAndPoolGoesWithItsConnection) {
  TFIBTransaction* other = Own(NewTransaction(DB, "TR2"));
  other->StartTransaction();
  TFIBQuery* q = AcquireCachedQuery(TR, "select 1 from RDB$DATABASE");
  q->ExecQuery();
  ReleaseCachedQuery(q);
  TFIBQuery* again = AcquireCachedQuery(other, "select 1 from RDB$DATABASE");
  EXPECT_EQ(again, q);
  EXPECT_EQ(again->Transaction(), other);
  EXPECT_TRUE(again->Prepared());
  again->ExecQuery();
  EXPECT_EQ(again->Fields(0)->GetAsInteger(), 1);
  ReleaseCachedQuery(again);
  EXPECT_EQ(AcquireCachedQuery(nullptr, "select 1 from RDB$DATABASE"), nullptr);
  TFIBTransaction* lonely = Own(NewTransaction(nullptr, "TR3"));
  EXPECT_EQ(AcquireCachedQuery(lonely, "select 1 from RDB$DATABASE"), nullptr);
}

TEST_F(PoolTest, FreedStatementLeavesThePool) {
  TFIBQuery* q = AcquireCachedQuery(TR, "select 2 from RDB$DATABASE");
  ReleaseCachedQuery(q);
  EXPECT_EQ(CacheList()->PoolOf(DB)->IdleCount(), 1);
  q->Free();
  EXPECT_EQ(CacheList()->PoolOf(DB)->IdleCount(), 0);
}

// Records the retries of a failing execution.
class ErrorHandler : public TComponent {
  RTL_CLASS(ErrorHandler, TComponent)
public:
  using TComponent::TComponent;
  int Calls = 0;
  int Retries = 2;
  void OnError(TpZAZQuery*, EFIBError&, TDataAction& action) {
    ++Calls;
    action = Calls <= Retries ? daRetry : daFail;
  }
};

TEST_F(PoolTest, ExecuteErrorRetriesThenFails) {
  auto* q = Own(New<TpZAZQuery>(nullptr));
  q->SetDatabase(DB);
  q->SetTransaction(TR);
  q->SQL()->SetText("insert into T (ID) values (1)");
  q->ExecQuery();
  auto* handler = Own(New<ErrorHandler>(nullptr));
  q->OnExecuteError = TFIBQueryErrorEvent(handler, &ErrorHandler::OnError);
  EXPECT_THROW(q->ExecQuery(), EFIBInterBaseError);  // duplicate key, three times
  EXPECT_EQ(handler->Calls, 3);
  EXPECT_EQ(q->About(), "6.25.0 Release");
}

}  // namespace
