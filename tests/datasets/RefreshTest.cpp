// Refresh re-reads the current record only; CloseOpen reads every row anew and keeps the field objects.
#include "DataSetServicesSupport.h"

namespace {

using dss::ServicesTest;

TEST_F(ServicesTest, RefreshRereadsOnlyTheCurrentRecordAndKeepsPendingCachedChanges) {
  auto* ds = NewDataSet<TFIBDataSet>();
  ds->SetCachedUpdates(true);
  ds->Open();
  ds->FetchAll();  // the rows outlive the hard commit below
  // A pending change in the second row.
  ds->Next();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("pending");
  ds->Post();
  ASSERT_TRUE(ds->HasPendingChanges());
  // Another transaction changes the first and the third row.
  TFIBTransaction* other = NewTransaction();
  other->StartTransaction();
  Exec("UPDATE T SET NAME = 'new' || ID WHERE ID IN (1, 3)", other);
  other->Commit();
  TR->Commit();
  TR->StartTransaction();

  ds->First();
  ds->Refresh();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "new1");
  EXPECT_EQ(ds->RecNo(), 1);
  ds->Next();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "pending");
  EXPECT_TRUE(ds->HasPendingChanges());
  ds->Next();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "row3");  // not the current record: not re-read
  ds->CancelUpdates();
  ds->Close();
}

TEST_F(ServicesTest, CloseOpenReadsEveryRowAndKeepsTheFieldObjects) {
  auto* ds = NewDataSet<TFIBDataSet>();
  ds->Open();
  TField* name = ds->FieldByName("NAME");
  Exec("UPDATE T SET NAME = 'new' || ID WHERE ID IN (1, 3)");
  Exec("INSERT INTO T (ID, NAME, QTY) VALUES (6, 'row6', 6)");
  ds->CloseOpen(true);
  EXPECT_EQ(ds->FieldByName("NAME"), name);
  EXPECT_EQ(ds->RecordCount(), 6);
  ds->First();
  EXPECT_EQ(name->AsString(), "new1");
  ds->SetRecNo(3);
  EXPECT_EQ(name->AsString(), "new3");
  // Default fields are still the dataset's own: a plain close drops them.
  ds->Close();
  EXPECT_EQ(ds->FieldCount(), 0);
}

}  // namespace
