#include <gtest/gtest.h>

#include "dbaccess/FIBMiscellaneous.h"
#include "memdata/dxmdaset.h"
#include "rtl/Variants.h"

namespace {

// A dataset with one BCD field and one row, 12,34.
class FieldBufferTest : public ::testing::Test {
protected:
  TComponent* owner = nullptr;
  TdxMemData* ds = nullptr;
  TBCDField* amount = nullptr;

  void SetUp() override {
    owner = New<TComponent>(nullptr);
    ds = New<TdxMemData>(owner);
    amount = New<TBCDField>(owner);
    amount->SetFieldName("amount");
    amount->SetSize(2);
    amount->SetDataSet(ds);
    ds->Open();
    ds->Append();
    amount->SetAsCurrency(Currency::FromScaled(123400));
    ds->Post();
  }
  void TearDown() override { owner->Free(); }
};

}  // namespace

TEST_F(FieldBufferTest, BcdValueReadsAsTextWithTheLocaleSeparator) {
  EXPECT_EQ(VarToStr(GetBcdFieldVariant(amount, false)), "12,34");
  ds->Edit();
  amount->Clear();
  EXPECT_TRUE(VarIsNull(GetBcdFieldVariant(amount, false)));
  EXPECT_FALSE(GetFieldBuffer(amount, false, nullptr));
}

TEST_F(FieldBufferTest, OldValueIsReadInTheOldValueStateAndTheStateComesBack) {
  ds->Edit();
  amount->SetAsCurrency(Currency::FromScaled(567800));
  EXPECT_EQ(VarToStr(GetBcdFieldVariant(amount, true)), "12,34");
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(VarToStr(GetBcdFieldVariant(amount, false)), "56,78");
}
