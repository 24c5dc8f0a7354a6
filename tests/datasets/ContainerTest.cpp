// The datasets container, the master data source of a dataset and the screen cursor shown while a
// dataset talks to the server.
#include "DataSetServicesSupport.h"
#include "db/DBScreen.h"
#include "rtl/TypInfo.h"

namespace {

using dss::ServicesTest;

class Containers : public ServicesTest {
protected:
  TDataSetsContainer* NewContainer(const String& name) {
    auto* c = New<TDataSetsContainer>(Owner);
    c->SetName(name);
    c->OnDataSetEvent = [this, c](TDataSet*, TKindDataSetEvent e) {
      Log.push_back(c->Name() + " " + GetEnumName(TypeInfo<TKindDataSetEvent>(), e));
    };
    return c;
  }
  std::vector<String> Log;
};

TEST_F(Containers, EventsReachTheMastersFirst) {
  TDataSetsContainer* a = NewContainer("A");
  TDataSetsContainer* b = NewContainer("B");
  b->SetMasterContainer(a);
  auto* ds = NewDataSet();
  ds->SetContainer(b);
  EXPECT_EQ(a->DataSetCount(), 1);
  EXPECT_EQ(b->DataSetCount(), 1);
  ds->Open();
  const std::vector<String> opening{"A deBeforeOpen", "B deBeforeOpen", "A deAfterOpen", "B deAfterOpen"};
  EXPECT_EQ(std::vector<String>(Log.begin(), Log.begin() + 4), opening);

  // An inactive container still forwards to its master.
  Log.clear();
  b->SetActive(false);
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(8);
  ds->Post();
  const std::vector<String> editing{"A deBeforeEdit", "A deAfterEdit", "A deBeforePost", "A deAfterPost"};
  EXPECT_EQ(Log, editing);

  // Leaving the chain takes the dataset out of the master's list.
  b->SetMasterContainer(nullptr);
  EXPECT_EQ(a->DataSetCount(), 0);
  Log.clear();
  b->SetActive(true);
  ds->Close();
  EXPECT_EQ(Log, (std::vector<String>{"B deBeforeClose", "B deAfterClose"}));
}

TEST_F(Containers, CircularChainsAreRefused) {
  TDataSetsContainer* a = NewContainer("A");
  TDataSetsContainer* b = NewContainer("B");
  TDataSetsContainer* c = NewContainer("C");
  EXPECT_THROW(a->SetMasterContainer(a), Exception);
  b->SetMasterContainer(a);
  c->SetMasterContainer(b);
  try {
    a->SetMasterContainer(c);
    FAIL() << "a circular chain was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Circular link is not allowed.");
  }
  EXPECT_EQ(a->MasterContainer(), nullptr);
}

TEST_F(Containers, FreedPartnersAreForgotten) {
  TDataSetsContainer* a = NewContainer("A");
  TDataSetsContainer* b = NewContainer("B");
  b->SetMasterContainer(a);
  auto* ds = NewDataSet();
  auto* other = NewDataSet();
  ds->SetContainer(b);
  other->SetContainer(b);
  DataSets.pop_back();
  other->Free();
  EXPECT_EQ(a->DataSetCount(), 1);
  EXPECT_EQ(b->DataSetCount(), 1);
  a->Free();
  EXPECT_EQ(b->MasterContainer(), nullptr);
  b->Free();
  EXPECT_EQ(ds->Container(), nullptr);
  ds->Open();  // reports to nobody
}

TEST_F(Containers, BroadcastReachesMatchingReceiversThatAcceptTheEvent) {
  TDataSetsContainer* c = NewContainer("C");
  auto* form = New<TComponent>(nullptr);
  form->SetName("Form1");
  auto* mine = New<TpZAZDataSet>(form);
  mine->SetName("qMine");
  mine->SetDatabase(DB);
  mine->SetTransaction(TR);
  mine->SelectSQL()->SetText("SELECT ID FROM T");
  auto* picky = NewDataSet();
  mine->SetContainer(c);
  picky->SetContainer(c);
  picky->ReceiveEvents()->Add("ref*");
  std::vector<String> got;
  auto note = [&got](TObject*, TObject* receiver, const String& name, Variant& info) {
    got.push_back(static_cast<TComponent*>(receiver)->Name() + " " + name);
    info = Variant(static_cast<int32_t>(got.size()));
  };
  mine->OnUserEvent = note;
  picky->OnUserEvent = note;
  std::vector<String> containerGot;
  c->OnUserEvent = [&](TObject*, TObject*, const String& name, Variant&) { containerGot.push_back(name); };

  Variant info;
  c->NotifyDataSets(nullptr, "form1.*", "Ping", info);
  EXPECT_EQ(got, std::vector<String>{"qMine Ping"});
  c->NotifyDataSets(nullptr, "", "Ping", info);
  c->NotifyDataSets(nullptr, "", "Refresh", info);
  EXPECT_EQ(got, (std::vector<String>{"qMine Ping", "qMine Ping", "qMine Refresh", "ds1 Refresh"}));
  EXPECT_EQ(info.AsInteger(), 4);
  EXPECT_EQ(containerGot.size(), 4u);

  // "OPEN" and "CLOSE" act on the dataset itself.
  c->NotifyDataSets(nullptr, "FORM1.QMINE", "open", info);
  EXPECT_TRUE(mine->Active());
  c->NotifyDataSets(nullptr, "FORM1.Q?INE", "CLOSE", info);
  EXPECT_FALSE(mine->Active());
  EXPECT_EQ(containerGot.size(), 4u);
  form->Free();
  EXPECT_EQ(c->DataSetCount(), 1);
}

TEST_F(ServicesTest, DataSourceRefusesCircularLinks) {
  auto* a = NewDataSet<TFIBDataSet>();
  auto* b = NewDataSet<TFIBDataSet>();
  auto* sa = New<TDataSource>(Owner);
  auto* sb = New<TDataSource>(Owner);
  sa->SetDataSet(a);
  sb->SetDataSet(b);
  b->SetDataSource(sa);
  EXPECT_EQ(b->DataSource(), sa);
  for (TDataSource* s : {sb, sa}) {
    try {
      a->SetDataSource(s);
      FAIL() << "a circular data source was accepted";
    } catch (const EFIBError& e) {
      EXPECT_NE(e.Message().find("Circular references not permitted."), String::npos) << e.Message();
    }
  }
  EXPECT_EQ(a->DataSource(), nullptr);
  sa->Free();
  EXPECT_EQ(b->DataSource(), nullptr);
}

// A screen of the test's own behind the hook, as the program's screen object would be.
class ScreenCursor : public ServicesTest {
protected:
  void SetUp() override {
    SetDBScreenCursorHook({[this] { return Cursor; }, [this](TCursor c) { Cursor = c; }});
    ServicesTest::SetUp();
  }
  void TearDown() override {
    ServicesTest::TearDown();
    SetDBScreenCursorHook({});
  }
  TCursor Cursor = crDefault;
};

TEST_F(ScreenCursor, ShownWhileTheDatasetTalksToTheServer) {
  auto* ds = NewDataSet();
  auto* container = New<TDataSetsContainer>(Owner);
  ds->SetContainer(container);
  ds->SetSQLScreenCursor(crSQLWait);
  std::vector<TCursor> seen;
  ds->BeforeStartTransaction = [&](TObject*) { seen.push_back(Cursor); };
  container->OnDataSetError = [&](TDataSet*, TKindDataSetError, EDatabaseError*, TDataAction&) {
    seen.push_back(Cursor);
  };
  ds->Open();
  EXPECT_EQ(Cursor, crDefault);
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(-1);
  EXPECT_THROW(ds->Post(), EFIBError);
  EXPECT_EQ(seen, (std::vector<TCursor>{crSQLWait, crSQLWait}));
  EXPECT_EQ(Cursor, crDefault);
  ds->Cancel();
  ds->Close();

  // A failing exchange puts the cursor back too, and crDefault leaves the screen's cursor alone.
  Cursor = crHandPoint;
  ds->SelectSQL()->SetText("SELECT NOTHING FROM NOWHERE");
  EXPECT_THROW(ds->Open(), EFIBError);
  EXPECT_EQ(Cursor, crHandPoint);
  ds->SetSQLScreenCursor(crDefault);
  seen.clear();
  TR->Commit();
  ds->SelectSQL()->SetText("SELECT ID, QTY FROM T");
  ds->Open();
  EXPECT_EQ(seen, std::vector<TCursor>{crHandPoint});
  ds->Close();

  // Without a screen the exchanges run as before and nothing is shown.
  SetDBScreenCursorHook({});
  ds->SetSQLScreenCursor(crSQLWait);
  ds->Open();
  EXPECT_EQ(DBScreenCursor(), crDefault);
  EXPECT_EQ(Cursor, crHandPoint);
}

}  // namespace
