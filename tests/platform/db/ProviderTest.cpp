// The framework's side of the provider interface: which datasets offer it, and its answers where a
// dataset has none of its own.
#include <gtest/gtest.h>

#include "ArrayDataSet.h"
#include "db/DBProvider.h"

namespace {

// The smallest dataset that offers the interface, answering with the framework's defaults.
class TProvidedDataSet : public TArrayDataSet, public IProviderSupport {
  RTL_CLASS(TProvidedDataSet, TArrayDataSet)
public:
  using TArrayDataSet::TArrayDataSet;
  String PSGetQuoteChar() override { return String(); }
  String PSGetTableName() override { return "T"; }
  String PSGetKeyFields() override { return PSDefaultKeyFields(this); }
  void PSSetCommandText(const String&) override {}
  EUpdateError PSGetUpdateException(const Exception& e, const EUpdateError* prev) override {
    return PSDefaultUpdateException(e, prev);
  }
  bool PSInTransaction() override { return false; }
  bool PSIsSQLBased() override { return false; }
  bool PSIsSQLSupported() override { return false; }
  void PSStartTransaction() override {}
  void PSEndTransaction(bool) override {}
  bool PSUpdateRecord(TUpdateKind, TDataSet*) override { return false; }
  int32_t PSExecuteStatement(const String&, TParams*, TDataSet**) override { return 0; }
  void PSReset() override {}
  void PSExecute() override {}
  TParams* PSGetParams() override { return nullptr; }
  void PSSetParams(TParams*) override {}
};

TEST(ProviderSupport, OfferedOnlyByDataSetsThatImplementIt) {
  auto* plain = New<TArrayDataSet>(static_cast<TComponent*>(nullptr));
  auto* provided = New<TProvidedDataSet>(static_cast<TComponent*>(nullptr));
  EXPECT_EQ(GetProviderSupport(plain), nullptr);
  EXPECT_EQ(GetProviderSupport(nullptr), nullptr);
  EXPECT_EQ(GetProviderSupport(provided), static_cast<IProviderSupport*>(provided));
  plain->Free();
  provided->Free();
}

TEST(ProviderSupport, DefaultKeyIsTheFieldsFlaggedInKeyInFieldOrder) {
  auto* ds = New<TProvidedDataSet>(static_cast<TComponent*>(nullptr));
  ds->FieldDefs()->Add("A", ftInteger);
  ds->FieldDefs()->Add("B", ftString, 10);
  ds->FieldDefs()->Add("C", ftInteger);
  ds->Open();
  EXPECT_EQ(PSDefaultKeyFields(ds), "");
  ds->FieldByName("C")->SetProviderFlags({pfInUpdate, pfInKey});
  ds->FieldByName("A")->SetProviderFlags({pfInKey});
  EXPECT_EQ(GetProviderSupport(ds)->PSGetKeyFields(), "A;C");
  EXPECT_EQ(PSDefaultKeyFields(nullptr), "");
  ds->Free();
}

TEST(ProviderSupport, DefaultUpdateErrorKeepsMessageAndChainsCodes) {
  const EUpdateError first = PSDefaultUpdateException(Exception("first"), nullptr);
  EXPECT_EQ(first.Message(), "first");
  EXPECT_EQ(first.ErrorCode(), 0);
  EXPECT_EQ(first.PreviousError(), 0);
  const EUpdateError coded("coded", "ctx", 7, 3);
  const EUpdateError copy = PSDefaultUpdateException(coded, &first);
  EXPECT_EQ(copy.Context(), "ctx");
  EXPECT_EQ(copy.ErrorCode(), 7);
  EXPECT_EQ(copy.PreviousError(), 3);
  const EUpdateError chained = PSDefaultUpdateException(Exception("next"), &coded);
  EXPECT_EQ(chained.PreviousError(), 7);
}

}  // namespace
