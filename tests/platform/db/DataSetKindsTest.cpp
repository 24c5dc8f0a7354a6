// What code above the framework asks about a dataset's kind: the query class-name test and the detail
// parameters a dataset offers for re-querying.
#include <gtest/gtest.h>

#include "ArrayDataSet.h"
#include "db/DBDataSetKinds.h"

namespace {

class TArrayQuery : public TArrayDataSet {
  RTL_CLASS(TArrayQuery, TArrayDataSet)
public:
  using TArrayDataSet::TArrayDataSet;
};

class TLowerquerySet : public TArrayDataSet {
  RTL_CLASS(TLowerquerySet, TArrayDataSet)
public:
  using TArrayDataSet::TArrayDataSet;
};

// A dataset that is re-queried through parameters.
class TParamArrayDataSet : public TArrayDataSet {
  RTL_CLASS(TParamArrayDataSet, TArrayDataSet)
public:
  using TArrayDataSet::TArrayDataSet;
  ~TParamArrayDataSet() override { delete FParams; }
  TParams* GetDetailParams() const override { return FParams; }
  TParams* FParams = new TParams();
};

TEST(DataSetKinds, QueryClassesAreKnownByTheirNameInAnyCase) {
  const struct {
    TClass cls;
    bool query;
  } cases[] = {
      {TArrayDataSet::StaticClass(), false},
      {TArrayQuery::StaticClass(), true},
      {TLowerquerySet::StaticClass(), true},
      {TDataSet::StaticClass(), false},
      {nullptr, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsQueryDataSetClass(c.cls), c.query) << (c.cls ? c.cls->ClassName() : "nil");
  auto* q = New<TArrayQuery>(static_cast<TComponent*>(nullptr));
  EXPECT_TRUE(IsQueryDataSet(q));
  EXPECT_FALSE(IsQueryDataSet(nullptr));
  q->Free();
}

TEST(DataSetKinds, DetailParamsComeFromTheVirtualAccessor) {
  auto* plain = New<TArrayDataSet>(static_cast<TComponent*>(nullptr));
  auto* withParams = New<TParamArrayDataSet>(static_cast<TComponent*>(nullptr));
  withParams->FParams->CreateParam(ftInteger, "ID", ptInput);
  EXPECT_EQ(DataSetDetailParams(plain), nullptr);
  EXPECT_EQ(DataSetDetailParams(nullptr), nullptr);
  ASSERT_EQ(DataSetDetailParams(withParams), withParams->FParams);
  withParams->FParams->SetParamValues("ID", 7);
  EXPECT_EQ(DataSetDetailParams(withParams)->ParamValues("ID").AsInteger(), 7);
  withParams->Free();
  plain->Free();
}

}  // namespace
