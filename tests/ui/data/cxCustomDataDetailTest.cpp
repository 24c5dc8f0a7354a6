// Detail relations and master-detail operations: the internal detail field, per-record detail objects,
// expanding with its events, link objects that carry detail controllers, and master record indexes that
// follow inserts and deletes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "DataControllerSupport.h"

namespace detail_tests {

// A link object owns the detail controller made for one master record.
class DetailLink : public TObject {
  RTL_CLASS(DetailLink, TObject)
public:
  explicit DetailLink(TcxDataController* AController) : Controller(AController) {}
  ~DetailLink() override { Controller->Free(); }
  TcxDataController* Controller;
};

// A master that makes a detail controller per record and relation.
class MasterController : public TcxDataController {
  RTL_CLASS(MasterController, TcxDataController)
public:
  using TcxDataController::TcxDataController;
  int Created = 0;
  TObject* CreateDetailLinkObject(TcxCustomDataRelation* ARelation, int32_t ARecordIndex) override {
    ++Created;
    TcxDataController* detail = New<TcxDataController>(nullptr);
    detail->SetMasterRelation(ARelation, ARecordIndex);
    return New<DetailLink>(detail);
  }
  TcxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) override {
    auto* link = dynamic_cast<DetailLink*>(ALinkObject);
    return link ? link->Controller : nullptr;
  }
};

struct Details : ::testing::Test {
  MasterController* M = New<MasterController>(nullptr);
  TcxDataController* Pattern = New<TcxDataController>(nullptr);
  TObject Item, Level;
  std::vector<std::string> Events;

  Details() {
    M->AddItem(&Item);
    M->ChangeValueTypeClass(0, TcxIntegerValueType::StaticClass());
    M->SetRecordCount(10);
    for (int32_t r = 0; r < 10; ++r) M->SetValue(r, 0, r);
    M->OnDetailExpanded = [this](TcxCustomDataController*, int32_t r) { Events.push_back("expanded " + std::to_string(r)); };
    M->OnDetailCollapsed = [this](TcxCustomDataController*, int32_t r) { Events.push_back("collapsed " + std::to_string(r)); };
  }
  ~Details() override {
    M->Free();
    Pattern->Free();
  }
  TcxCustomDataRelation* Relate() {
    TcxCustomDataRelation* rel = M->GetRelations()->Add(&Level);
    Pattern->SetMasterRelation(rel, -1);
    return rel;
  }
  int32_t InternalFields() const { return M->Fields()->Count() - M->Fields()->NonInternalCount(); }
};

}  // namespace detail_tests

using namespace detail_tests;

TEST_F(Details, FirstRelationMakesTheDetailFieldAndTheLastTakesItAway) {
  const int32_t before = InternalFields();
  TcxCustomDataRelation* rel = Relate();
  EXPECT_EQ(InternalFields(), before + 1);
  EXPECT_EQ(Pattern->GetMasterRelation(), rel);
  EXPECT_EQ(rel->BoundDetailController(), Pattern);
  EXPECT_EQ(Pattern->GetMasterDataController(), M);
  EXPECT_EQ(Pattern->GetRootDataController(), M);
  EXPECT_EQ(M->GetRelations()->FindByItem(&Level), rel);
  ASSERT_NE(M->GetDetailLinkObject(4, 0), nullptr);
  EXPECT_TRUE(M->HasDetailDataController(4, 0));
  rel->Free();
  EXPECT_EQ(InternalFields(), before);
  EXPECT_EQ(M->GetRelations()->DetailField(), nullptr);
  EXPECT_EQ(Pattern->GetMasterRelation(), nullptr);  // the relation let its detail controller go
  EXPECT_FALSE(M->HasDetailDataController(4, 0));
}

TEST_F(Details, ExpandingAsksTheHandlersAndReportsOnce) {
  Relate();
  bool allow = false;
  M->OnDetailExpanding = [&](TcxCustomDataController*, int32_t, bool& AAllow) { AAllow = allow; };
  EXPECT_FALSE(M->ChangeDetailExpanding(2, true));
  EXPECT_FALSE(M->GetDetailExpanding(2));
  EXPECT_TRUE(Events.empty());
  allow = true;
  EXPECT_TRUE(M->ChangeDetailExpanding(2, true));
  EXPECT_TRUE(M->GetDetailExpanding(2));
  EXPECT_FALSE(M->ChangeDetailExpanding(2, true));  // already so
  EXPECT_TRUE(M->ChangeDetailExpanding(2, false));
  EXPECT_FALSE(M->ChangeDetailExpanding(20, true));  // outside the table
  EXPECT_EQ(Events, (std::vector<std::string>{"expanded 2", "collapsed 2"}));
  M->ChangeDetailExpanding(3, true);
  M->CollapseDetails();
  EXPECT_FALSE(M->GetDetailExpanding(3));
  EXPECT_THROW(M->GetDetailExpanding(-7), EcxInvalidDataControllerOperation);
}

TEST_F(Details, LinkObjectsCarryClonesThatFollowInsertsAndDeletes) {
  Relate();
  for (int32_t r = 0; r < 10; ++r) ASSERT_NE(M->GetDetailDataController(r, 0), nullptr);
  EXPECT_EQ(M->Created, 10);
  EXPECT_EQ(M->GetDetailDataController(7, 0)->GetMasterRecordIndex(), 7);
  EXPECT_EQ(M->GetDetailDataController(7, 0)->GetPatternDataController(), Pattern);
  EXPECT_EQ(M->Created, 10);  // kept, not made again
  TcxCustomDataController* formerFour = M->GetDetailDataController(4, 0);

  M->DeleteRecordAt(3);
  std::vector<int32_t> masters;
  for (int32_t r = 0; r < M->GetRecordCount(); ++r) masters.push_back(M->GetDetailDataController(r, 0)->GetMasterRecordIndex());
  EXPECT_EQ(masters, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(M->GetDetailDataController(3, 0), formerFour);
  EXPECT_EQ(M->Created, 10);

  M->InsertRecordAt(1);
  EXPECT_FALSE(M->HasDetailDataController(1, 0));
  EXPECT_EQ(M->GetDetailDataController(4, 0), formerFour);
  EXPECT_EQ(formerFour->GetMasterRecordIndex(), 4);
  EXPECT_EQ(M->GetDetailDataController(1, 0)->GetMasterRecordIndex(), 1);

  // Walks over every existing detail of the relation.
  int seen = 0;
  M->ForEachDetail(M->GetRelations()->Items(0), [&](void*, TcxCustomDataController*) { ++seen; }, nullptr);
  EXPECT_EQ(seen, 10);
  M->ClearDetailLinkObject(4, 0);
  EXPECT_FALSE(M->HasDetailDataController(4, 0));
  M->ClearDetailLinkObjects();
  EXPECT_FALSE(M->HasDetailDataController(-1 + 1, -1));
}

TEST_F(Details, ActiveRelationAndBaseControllerWithoutFactory) {
  // Without a bound detail controller there is no active relation and no detail object.
  M->GetRelations()->Add(&Level);
  EXPECT_EQ(M->GetDetailActiveRelationIndex(0), -1);
  EXPECT_EQ(M->GetRelations()->GetDetailObject(0), nullptr);
  Pattern->SetMasterRelation(M->GetRelations()->Items(0), -1);
  TObject second;
  M->GetRelations()->Add(&second);
  EXPECT_EQ(M->GetDetailActiveRelationIndex(0), 0);
  M->ChangeDetailActiveRelationIndex(0, 1);
  EXPECT_EQ(M->GetDetailActiveRelationIndex(0), 1);

  TcxDataController* plain = New<TcxDataController>(nullptr);
  plain->AddItem(&Item);
  plain->SetRecordCount(2);
  plain->GetRelations()->Add(&Level);
  EXPECT_EQ(plain->GetDetailDataController(0, 0), nullptr);
  EXPECT_EQ(plain->GetDetailLinkObject(1, 0), nullptr);
  EXPECT_FALSE(plain->HasDetailDataController(0, -1));
  EXPECT_FALSE(plain->GetDetailHasChildren(0, 0));
  plain->Free();
}

TEST(DetailObject, SlotsAndClamping) {
  TcxDetailObject* o = New<TcxDetailObject>();
  o->CurrentRelationIndex = 5;
  o->SetRelationCount(3);
  EXPECT_EQ(o->CurrentRelationIndex, 2);
  EXPECT_EQ(o->InfoCount(), 3);
  o->SetRelationCount(1);  // never shrinks
  EXPECT_EQ(o->InfoCount(), 3);
  EXPECT_TRUE(o->IsEmpty());
  EXPECT_FALSE(o->InvalidateCaches());
  o->SetInfoObject(1, New<TcxDetailInfoObject>());
  o->DetailInfoList(1)->HasRecordsKnown = true;
  EXPECT_TRUE(o->IsEmpty());  // a slot without link object
  EXPECT_TRUE(o->InvalidateCaches());
  EXPECT_FALSE(o->InvalidateCaches());
  o->SetLinkObject(4, New<TObject>());
  EXPECT_EQ(o->InfoCount(), 5);
  EXPECT_FALSE(o->IsEmpty());
  EXPECT_EQ(o->LinkObjects(9), nullptr);
  EXPECT_EQ(o->DetailInfoList(-1), nullptr);
  o->FreeInfoObject(4);
  EXPECT_TRUE(o->IsEmpty());
  o->Clear();
  EXPECT_EQ(o->InfoCount(), 0);
  o->CurrentRelationIndex = 0;
  o->SetRelationCount(0);
  EXPECT_EQ(o->CurrentRelationIndex, -1);
  o->Free();
}

TEST_F(Details, MasterGoesFirstWithItsDetailControllers) {
  Relate();
  for (int32_t r = 0; r < 3; ++r) ASSERT_NE(M->GetDetailDataController(r, 0), nullptr);
  M->ChangeDetailExpanding(1, true);
  M->Free();  // frees the records' detail objects, their clones, then the relation
  M = New<MasterController>(nullptr);
  EXPECT_EQ(Pattern->GetMasterRelation(), nullptr);
}

TEST_F(Details, ExtraFiltersLeaveTheirListWhenFreed) {
  TcxDataFilterCriteria* extra = M->GetFilterList()->AddFilter();
  TcxDataFilterCriteria* other = M->GetFilterList()->AddFilter();
  extra->AddItem(nullptr, &Item, foGreater, 5, "5");
  extra->SetActive(true);  // an extra filter never narrows the rows
  EXPECT_EQ(M->GetRowCount(), 10);
  extra->Free();
  EXPECT_EQ(M->FilterList()->Count(), 1);
  EXPECT_EQ(M->FilterList()->Items(0), other);
}

namespace detail_keys_tests {

// The level items of the relations by path ("A", "AB", …) and the pattern controller of each: a detail
// controller finds its pattern by its relation's item, as the views of a grid find theirs.
std::map<std::string, TObject>& LevelItems() {
  static std::map<std::string, TObject> items;
  return items;
}
std::vector<TcxDataController*>& Patterns() {
  static std::vector<TcxDataController*> patterns;
  return patterns;
}

// A controller whose records are found again by the value of their first item and whose details are
// controllers of its own kind, three levels deep: each record of the first two levels has two relations.
class KeyedController : public TcxDataController {
  RTL_CLASS(KeyedController, TcxDataController)
public:
  using TcxDataController::TcxDataController;
  // A pattern (or the top controller) makes the patterns of its relations; a clone takes its pattern's.
  void Setup(const std::string& APath, int32_t AFirstKey, int32_t ACount, bool AMakePatterns) {
    FPath = APath;
    AddItem(&FItem);
    ChangeValueTypeClass(0, TcxIntegerValueType::StaticClass());
    Fill(AFirstKey, ACount, false);
    if (APath.size() >= 2) return;
    for (const char* relation : {"A", "B"}) {
      TcxCustomDataRelation* rel = GetRelations()->Add(&LevelItems()[APath + relation]);
      if (!AMakePatterns) continue;
      auto* pattern = New<KeyedController>(nullptr);
      Patterns().push_back(pattern);
      pattern->Setup(APath + relation, 0, 0, true);
      pattern->SetMasterRelation(rel, -1);
    }
  }
  // Records with the keys AFirstKey.. in order, or in reverse order: a reload that puts them elsewhere.
  void Fill(int32_t AFirstKey, int32_t ACount, bool AReversed) {
    SetRecordCount(0);
    SetRecordCount(ACount);
    for (int32_t r = 0; r < ACount; ++r) SetValue(r, 0, AFirstKey + (AReversed ? ACount - 1 - r : r));
  }
  int32_t RecordOfKey(int32_t AKey) {
    for (int32_t r = 0; r < GetRecordCount(); ++r)
      if (GetValue(r, 0) == Variant(AKey)) return r;
    return -1;
  }
  std::vector<TcxCustomDataField*> GetKeyFields() override { return {Fields(0)}; }
  // The detail of key k through relation n holds the keys (k * 10 + n) * 10 + 0 .. 4.
  TObject* CreateDetailLinkObject(TcxCustomDataRelation* ARelation, int32_t ARecordIndex) override {
    auto* detail = New<KeyedController>(nullptr);
    const int32_t relation = GetRelations()->Items(0) == ARelation ? 0 : 1;
    detail->Setup(FPath + (relation == 0 ? "A" : "B"), (GetValue(ARecordIndex, 0).AsInteger() * 10 + relation) * 10, 5,
                  false);
    detail->SetMasterRelation(ARelation, ARecordIndex);
    return New<detail_tests::DetailLink>(detail);
  }
  TcxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) override {
    auto* link = dynamic_cast<detail_tests::DetailLink*>(ALinkObject);
    return link ? link->Controller : nullptr;
  }

private:
  std::string FPath;
  TObject FItem;
};

std::string OpenTree(TcxCustomDataController* C) {
  std::vector<std::pair<int32_t, std::string>> open;
  for (int32_t r = 0; r < C->GetRecordCount(); ++r) {
    if (!C->GetDetailExpanding(r)) continue;
    const int32_t relation = C->GetDetailActiveRelationIndex(r);
    std::string text = std::to_string(C->GetValue(r, 0).AsInteger()) + ":" + std::to_string(relation);
    if (C->HasDetailDataController(r, relation))
      if (const std::string inner = OpenTree(C->GetDetailDataController(r, relation)); !inner.empty())
        text += "{" + inner + "}";
    open.emplace_back(C->GetValue(r, 0).AsInteger(), text);
  }
  std::sort(open.begin(), open.end());
  std::string result;
  for (const auto& [key, text] : open) result += (result.empty() ? "" : " ") + text;
  return result;
}

struct DetailKeys : ::testing::Test {
  KeyedController* M = New<KeyedController>(nullptr);
  DetailKeys() { M->Setup("", 1, 6, true); }
  ~DetailKeys() override {
    M->Free();
    for (TcxDataController* pattern : Patterns()) pattern->Free();
    Patterns().clear();
  }

  // Expands a record by key with a relation and answers its detail controller.
  static KeyedController* Open(KeyedController* C, int32_t AKey, int32_t ARelation) {
    const int32_t r = C->RecordOfKey(AKey);
    EXPECT_TRUE(C->ChangeDetailExpanding(r, true)) << AKey;
    C->ChangeDetailActiveRelationIndex(r, ARelation);
    return static_cast<KeyedController*>(C->GetDetailDataController(r, ARelation));
  }
};

}  // namespace detail_keys_tests

using namespace detail_keys_tests;

TEST_F(DetailKeys, OpenDetailsAndTheirRelationsComeBackAfterAReloadAtEveryLevel) {
  Open(M, 2, 1);
  KeyedController* five = Open(M, 5, 0);
  Open(five, 501, 1);
  KeyedController* deep = Open(five, 503, 0);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(deep->GetRecordCount(), 5);  // the third level has no details of its own
  const std::string before = OpenTree(M);
  EXPECT_EQ(before, "2:1 5:0{501:1 503:0}");

  // A full update that keeps the records keeps the tree.
  M->BeginFullUpdate();
  M->EndFullUpdate();
  EXPECT_EQ(OpenTree(M), before);

  // A reload puts every record elsewhere and takes the details with it; the keys bring the tree back.
  const int32_t wasAt = M->RecordOfKey(5);
  M->BeginFullUpdate();
  M->Fill(1, 6, true);
  EXPECT_FALSE(M->GetDetailExpanding(M->RecordOfKey(5)));
  M->EndFullUpdate();
  EXPECT_NE(M->RecordOfKey(5), wasAt);
  EXPECT_EQ(OpenTree(M), before);

  // Nested full updates restore once, at the outermost end; a key that is gone stays closed, the rest
  // come back.
  M->BeginFullUpdate();
  M->BeginFullUpdate();
  M->Fill(3, 6, false);  // keys 3..8: key 2 is gone
  M->EndFullUpdate();
  EXPECT_EQ(OpenTree(M), "");
  M->EndFullUpdate();
  EXPECT_EQ(OpenTree(M), "5:0{501:1 503:0}");
}

TEST_F(DetailKeys, ARecordThatRefusesToOpenKeepsItsDetailsClosed) {
  KeyedController* two = Open(M, 2, 1);
  Open(two, 211, 0);
  Open(M, 4, 0);
  M->BeginFullUpdate();
  M->Fill(1, 6, true);
  M->OnDetailExpanding = [](TcxCustomDataController* C, int32_t r, bool& AAllow) {
    AAllow = C->GetValue(r, 0) != Variant(2);
  };
  M->EndFullUpdate();
  EXPECT_EQ(OpenTree(M), "4:0");
  EXPECT_FALSE(M->HasDetailDataController(M->RecordOfKey(2), 1)) << "no detail is made for a record left closed";
}

TEST_F(Details, WithoutKeysAFullUpdateClosesEveryDetail) {
  // Records that cannot be found again keep no details: an open detail would stay on whatever record
  // took the place of its own.
  Relate();
  M->ChangeDetailExpanding(2, true);
  M->ChangeDetailExpanding(7, true);
  M->BeginFullUpdate();
  M->EndFullUpdate();
  EXPECT_FALSE(M->GetDetailExpanding(2));
  EXPECT_FALSE(M->GetDetailExpanding(7));
}
