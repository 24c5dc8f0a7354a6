// What becomes of an edit made through the dataset-bound controller when the user moves away from it, over
// an SQL dataset on the embedded engine and over the in-memory dataset: the edit is posted (and a fresh
// read of the stored rows finds it) or, where moving away does not touch the dataset, kept pending in it;
// and a post that the store refuses on a focus move keeps the focus and the edit and reports the error.
#include <gtest/gtest.h>

#include <tuple>

#include "DBDataSupport.h"

// A namespace of its own: the sources of this folder share translation units.
namespace editpaths {

enum class TStore { Firebird, Memory };

const char* StoreName(TStore AStore) { return AStore == TStore::Firebird ? "Firebird" : "Memory"; }
void PrintTo(TStore AStore, std::ostream* os) { *os << StoreName(AStore); }

constexpr int32_t kId = 0, kName = 1, kQty = 2;  // the items of every controller here
constexpr int32_t kRows = 30;
constexpr int32_t kWindow = 10;   // grid-mode buffer
constexpr int32_t kEditedId = 3;  // the record every test edits, on row 2

// Thirty rows of P (ID, NAME "name<ID>", QTY ID * 10) in either store; names are unique on the server.
class EditPathsFixture : public dbdata::FirebirdSuite {
protected:
  static void SetUpTestSuite() {
    FirebirdSuite::SetUpTestSuite();
    TR->StartTransaction();
    scratch::Exec(DB, TR, "CREATE UNIQUE INDEX P_NAME ON P (NAME)");
    TR->Commit();
  }
  int RowCount() const override { return kRows; }

  void TearDown() override {
    Controllers.clear();
    if (MemOwner) {
      Source->SetDataSet(nullptr);
      MemOwner->Free();
    }
    FirebirdSuite::TearDown();
  }

  // The store's dataset, opened on its first row and set into the data source.
  TDataSet* Open(TStore AStore) {
    FStore = AStore;
    if (AStore == TStore::Firebird) return DataSet = OpenDataSet();
    MemOwner = New<TComponent>(nullptr);
    Mem = New<TdxMemData>(MemOwner);
    auto add = [this](TField* f, const char* name) {
      f->SetFieldName(name);
      f->SetDataSet(Mem);
      return f;
    };
    add(New<TIntegerField>(MemOwner), "ID");
    TField* name = add(New<TStringField>(MemOwner), "NAME");
    static_cast<TStringField*>(name)->SetSize(40);
    name->SetRequired(true);  // the in-memory store's refusal: a record without a name is not posted
    add(New<TIntegerField>(MemOwner), "QTY");
    Mem->Open();
    for (int32_t i = 1; i <= kRows; ++i) {
      Mem->Append();
      Mem->FieldByName("ID")->SetAsInteger(i);
      Mem->FieldByName("NAME")->SetAsString("name" + std::to_string(i));
      Mem->FieldByName("QTY")->SetAsInteger(i * 10);
      Mem->Post();
    }
    Mem->First();
    Source->SetDataSet(Mem);
    return DataSet = Mem;
  }

  // A value as the store holds it, read past the dataset's buffers: a fresh query on the server, the
  // stored record of the in-memory dataset (its lookup does not move the cursor).
  Variant Stored(int32_t AId, const char* AField) {
    if (FStore == TStore::Firebird)
      return Scalar(String("SELECT ") + AField + " FROM P WHERE ID = " + std::to_string(AId));
    return Mem->Lookup("ID", AId, AField);
  }

  // The record of the controller that holds the ID, -1 when it holds none (grid mode holds a window).
  static int32_t RecordOf(dbdata::BoundController& c, int32_t AId) {
    for (int32_t r = 0; r < c.DC->GetRecordCount(); ++r)
      if (c.DC->GetValue(r, kId).AsInteger() == AId) return r;
    return -1;
  }
  static int32_t FocusedId(dbdata::BoundController& c) {
    const int32_t record = c.DC->GetFocusedRecordIndex();
    return record < 0 ? 0 : c.DC->GetValue(record, kId).AsInteger();
  }

  // A controller on the source, in grid mode when asked (a window of ten rows), focused on the edited
  // record.
  dbdata::BoundController& Controller(bool AGridMode) {
    dbdata::BoundController& c = NewController();
    c.DC->DataModeController()->SetGridModeBufferCount(kWindow);
    c.DC->DataModeController()->SetGridMode(AGridMode);
    c.DC->ChangeFocusedRowIndex(kEditedId - 1);
    EXPECT_EQ(c.DC->IsGridMode(), AGridMode);
    EXPECT_EQ(FocusedId(c), kEditedId);
    EXPECT_EQ(DataSet->FieldByName("ID")->AsInteger(), kEditedId);
    return c;
  }

  TDataSet* DataSet = nullptr;
  TComponent* MemOwner = nullptr;
  TdxMemData* Mem = nullptr;

private:
  TStore FStore = TStore::Firebird;
};

// ---------------------------------------------------------------------------------------------------
// Edit, then move away

enum class TOutcome {
  Posted,         // the edit reached the store
  Shown,          // the dataset keeps the edit pending, the controller shows it and posts it when asked
  KeptInDataSet,  // the dataset keeps the edit pending; the controller has let go of it
};

struct TMoveAway {
  const char* Name;
  bool GridMode;  // the edit is made in grid mode
  void (*Move)(TcxDBDataController*);
  TOutcome Outcome;
  int32_t FocusedId;  // afterwards; 0: no record focused
};
void PrintTo(const TMoveAway& AMove, std::ostream* os) { *os << AMove.Name; }

const TMoveAway kMoves[] = {
    {"FocusChange", false, [](TcxDBDataController* dc) { dc->ChangeFocusedRowIndex(7); }, TOutcome::Posted, 8},
    {"FocusChangeInGridMode", true, [](TcxDBDataController* dc) { dc->ChangeFocusedRowIndex(7); }, TOutcome::Posted, 8},
    {"NextRow", false, [](TcxDBDataController* dc) { dc->GotoNext(); }, TOutcome::Posted, 4},
    {"NextRowInGridMode", true, [](TcxDBDataController* dc) { dc->GotoNext(); }, TOutcome::Posted, 4},
    // Five records past the window's last row: the window becomes 6..15 and the cursor stands on 15.
    {"GridModeScrollPastTheBuffer", true, [](TcxDBDataController* dc) { dc->MoveBy(5); }, TOutcome::Posted, 15},
    // Back from the window's first row: the cursor stops at the first record.
    {"GridModeScrollBackPastTheBuffer", true, [](TcxDBDataController* dc) { dc->MoveBy(-5); }, TOutcome::Posted, 1},
    {"ReSort", false, [](TcxDBDataController* dc) { dc->ChangeSorting(kQty, soDescending); }, TOutcome::Posted,
     kEditedId},
    {"Regroup", false, [](TcxDBDataController* dc) { dc->Groups()->ChangeGrouping(kQty, 0); }, TOutcome::Posted,
     kEditedId},
    // A grouped controller needs every record: grouping leaves grid mode.
    {"RegroupInGridMode", true, [](TcxDBDataController* dc) { dc->Groups()->ChangeGrouping(kQty, 0); },
     TOutcome::Posted, kEditedId},
    // Switching the structure drops the controller's own edit state; the window is read from the dataset's
    // buffers without a lock, so the pending edit stays in the dataset and shows in its row. Leaving grid
    // mode reads every record under the notification lock, which posts it.
    {"GridModeOn", false, [](TcxDBDataController* dc) { dc->DataModeController()->SetGridMode(true); },
     TOutcome::Shown, kEditedId},
    {"GridModeOff", true, [](TcxDBDataController* dc) { dc->DataModeController()->SetGridMode(false); },
     TOutcome::Posted, kEditedId},
    // The controller lets go of the dataset; the edit is the dataset's, still pending there.
    {"Unbinding", false, [](TcxDBDataController* dc) { dc->SetDataSource(nullptr); }, TOutcome::KeptInDataSet, 0},
    {"UnbindingInGridMode", true, [](TcxDBDataController* dc) { dc->SetDataSource(nullptr); }, TOutcome::KeptInDataSet,
     0},
};

class DBDataEditThenMoveAway : public EditPathsFixture,
                               public ::testing::WithParamInterface<std::tuple<TStore, TMoveAway>> {};

TEST_P(DBDataEditThenMoveAway, TheEditIsPostedOrKept) {
  const auto& [store, move] = GetParam();
  TDataSet* ds = Open(store);
  dbdata::BoundController& c = Controller(move.GridMode);
  ASSERT_TRUE(c.DC->SetEditValue(kName, Variant("edited"), evsValue));
  ASSERT_EQ(ds->State(), dsEdit);
  ASSERT_EQ(c.FocusedText(kName), "edited");

  move.Move(c.DC);

  EXPECT_EQ(FocusedId(c), move.FocusedId);
  if (move.FocusedId) {
    EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), move.FocusedId);  // the cursor follows the focus
  }
  if (move.Outcome == TOutcome::Posted) {
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_FALSE(c.DC->IsEditing());
    EXPECT_EQ(VarToStr(Stored(kEditedId, "NAME")), "edited");
    EXPECT_EQ(VarToStr(Stored(kEditedId + 1, "NAME")), "name4");
    const int32_t record = RecordOf(c, kEditedId);
    if (record >= 0) {
      EXPECT_EQ(VarToStr(c.DC->GetValue(record, kName)), "edited");
    } else {
      EXPECT_TRUE(c.DC->IsGridMode()) << "only a window may leave the edited record out";
    }
    EXPECT_EQ(c.DC->GetRecordCount(), c.DC->IsGridMode() ? kWindow : kRows);
    return;
  }
  ASSERT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), kEditedId);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "edited");
  EXPECT_EQ(VarToStr(Stored(kEditedId, "NAME")), "name3");
  if (move.Outcome == TOutcome::Shown) {
    EXPECT_EQ(c.DC->GetRecordCount(), kWindow);
    EXPECT_EQ(c.FocusedText(kName), "edited");
    c.DC->Post();
  } else {
    EXPECT_EQ(c.DC->GetRowCount(), 0);  // no rows of records the controller no longer has
    EXPECT_EQ(c.DC->GetRecordCount(), 0);
    EXPECT_EQ(c.DC->GetFocusedRowIndex(), -1);
    ds->Post();
  }
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(VarToStr(Stored(kEditedId, "NAME")), "edited");
}

INSTANTIATE_TEST_SUITE_P(, DBDataEditThenMoveAway,
                         ::testing::Combine(::testing::Values(TStore::Firebird, TStore::Memory),
                                            ::testing::ValuesIn(kMoves)),
                         [](const auto& info) {
                           return std::string(StoreName(std::get<0>(info.param))) + "_" + std::get<1>(info.param).Name;
                         });

// Closing the dataset takes its records from the controller and the rows and the focus with them;
// opening it again brings back what the dataset then holds, with the focus on the cursor.
class DBDataClosedDataSet : public EditPathsFixture,
                            public ::testing::WithParamInterface<std::tuple<TStore, bool>> {};

TEST_P(DBDataClosedDataSet, LeavesNoRowsBehind) {
  const auto& [store, grid] = GetParam();
  TDataSet* ds = Open(store);
  dbdata::BoundController& c = Controller(grid);
  ds->Close();
  EXPECT_EQ(c.DC->GetRecordCount(), 0);
  EXPECT_EQ(c.DC->GetRowCount(), 0);
  EXPECT_EQ(c.DC->GetFocusedRowIndex(), -1);
  // Opened again, the server's rows come back; the in-memory dataset starts empty.
  ds->Open();
  ds->MoveBy(4);
  const bool empty = store == TStore::Memory;
  ASSERT_EQ(ds->IsEmpty(), empty);
  EXPECT_EQ(c.DC->GetRowCount(), empty ? 0 : grid ? kWindow : kRows);
  EXPECT_EQ(FocusedId(c), empty ? 0 : 5);
}

INSTANTIATE_TEST_SUITE_P(, DBDataClosedDataSet,
                         ::testing::Combine(::testing::Values(TStore::Firebird, TStore::Memory), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(StoreName(std::get<0>(info.param))) +
                                  (std::get<1>(info.param) ? "_GridMode" : "_Loaded");
                         });

// ---------------------------------------------------------------------------------------------------
// A post the store refuses on a focus move

struct TRefusal {
  const char* Name;
  TStore Store;
  int32_t Item;
  Variant Refused;   // the value the store refuses
  const char* Says;  // a part of the error's message
  Variant Accepted;  // the value that then posts
};
void PrintTo(const TRefusal& ARefusal, std::ostream* os) { *os << ARefusal.Name; }

const TRefusal kRefusals[] = {
    {"Check", TStore::Firebird, kQty, Variant(-5), "CHECK", Variant(35)},
    {"UniqueIndex", TStore::Firebird, kName, Variant("name9"), "P_NAME", Variant("fixed")},
    {"RequiredField", TStore::Memory, kName, Null(), "NAME", Variant("fixed")},
};

struct TFocusMove {
  const char* Name;
  bool GridMode;
  void (*Move)(TcxDBDataController*);
  int32_t FocusedId;  // once the post succeeds
};
void PrintTo(const TFocusMove& AMove, std::ostream* os) { *os << AMove.Name; }

const TFocusMove kFocusMoves[] = {
    {"FocusChange", false, [](TcxDBDataController* dc) { dc->ChangeFocusedRowIndex(7); }, 8},
    {"NextRow", false, [](TcxDBDataController* dc) { dc->GotoNext(); }, 4},
    {"FocusChangeInGridMode", true, [](TcxDBDataController* dc) { dc->ChangeFocusedRowIndex(7); }, 8},
    {"GridModeScroll", true, [](TcxDBDataController* dc) { dc->MoveBy(5); }, 15},
};

class DBDataRefusedPost : public EditPathsFixture,
                          public ::testing::WithParamInterface<std::tuple<TRefusal, TFocusMove>> {};

TEST_P(DBDataRefusedPost, KeepsTheFocusAndTheEditAndReportsTheError) {
  const auto& [refusal, move] = GetParam();
  TDataSet* ds = Open(refusal.Store);
  dbdata::BoundController& c = Controller(move.GridMode);
  const int32_t row = c.DC->GetFocusedRowIndex();
  const String before = VarToStr(Stored(kEditedId, refusal.Item == kQty ? "QTY" : "NAME"));
  std::vector<String> handled;
  ds->OnPostError = [&](TDataSet*, EDatabaseError* e, TDataAction&) { handled.push_back(e->Message()); };
  ASSERT_TRUE(c.DC->SetEditValue(refusal.Item, refusal.Refused, evsValue));
  const String shown = c.FocusedText(refusal.Item);

  String message;
  try {
    move.Move(c.DC);
    ADD_FAILURE() << "the refused post was not reported";
  } catch (const EDatabaseError& e) {
    message = e.Message();
  }
  EXPECT_NE(message.find(refusal.Says), String::npos) << message;
  ASSERT_EQ(handled.size(), 1u);  // the dataset's error handler saw it first
  EXPECT_EQ(handled[0], message);
  // The focus, the cursor and the edit stay where they were.
  EXPECT_EQ(c.DC->GetFocusedRowIndex(), row);
  EXPECT_EQ(FocusedId(c), kEditedId);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), kEditedId);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_TRUE(c.DC->IsEditing());
  EXPECT_EQ(VarToStr(c.DC->GetEditValue(refusal.Item)), VarToStr(refusal.Refused));
  EXPECT_EQ(c.FocusedText(refusal.Item), shown);
  EXPECT_EQ(VarToStr(Stored(kEditedId, refusal.Item == kQty ? "QTY" : "NAME")), before);

  // Corrected, the same move posts and goes on.
  ASSERT_TRUE(c.DC->SetEditValue(refusal.Item, refusal.Accepted, evsValue));
  move.Move(c.DC);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_FALSE(c.DC->IsEditing());
  EXPECT_EQ(FocusedId(c), move.FocusedId);
  EXPECT_EQ(VarToStr(Stored(kEditedId, refusal.Item == kQty ? "QTY" : "NAME")), VarToStr(refusal.Accepted));
  EXPECT_EQ(handled.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(, DBDataRefusedPost,
                         ::testing::Combine(::testing::ValuesIn(kRefusals), ::testing::ValuesIn(kFocusMoves)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).Name) + "_" + std::get<1>(info.param).Name;
                         });

}  // namespace editpaths
