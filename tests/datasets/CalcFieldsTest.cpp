// Calculated fields of SQL datasets: values in the record buffers, kept in the cache rows with
// poCacheCalcFields, suppressed on request, and their old and new values.
#include "DataSetServicesSupport.h"

namespace {

class CalcFields : public dss::ServicesTest {
protected:
  template <class F>
  F* AddField(TDataSet* ds, const String& name, int32_t size = 0, TFieldKind kind = fkData) {
    F* f = New<F>(ds);
    f->SetFieldName(name);
    if (size) f->SetSize(size);
    f->SetFieldKind(kind);
    f->SetDataSet(ds);
    return f;
  }

  TFIBDataSet* CalcDataSet(bool cache) {
    auto* ds = NewDataSet<TFIBDataSet>();
    if (cache) {
      TpZAZDsOptions o = ds->Options();
      o.Include(poCacheCalcFields);
      ds->SetOptions(o);
    }
    AddField<TFIBIntegerField>(ds, "ID");
    AddField<TFIBStringField>(ds, "NAME", 40);
    AddField<TFIBIntegerField>(ds, "QTY");
    AddField<TIntegerField>(ds, "DOUBLEQTY", 0, fkCalculated);
    AddField<TStringField>(ds, "LABEL", 8, fkCalculated);
    ds->OnCalcFields = [this](TDataSet* d) {
      ++Computed;
      d->FieldByName("DOUBLEQTY")->SetAsInteger(d->FieldByName("QTY")->AsInteger() * 2);
      // Longer than the field: the stored text is cut to its size.
      d->FieldByName("LABEL")->SetAsString("#" + d->FieldByName("NAME")->AsString() + "-long-tail");
    };
    return ds;
  }

  static void Walk(TDataSet* ds) {
    for (ds->First(); !ds->Eof(); ds->Next()) {
    }
  }

  int Computed = 0;
};

TEST_F(CalcFields, ValuesFollowTheRecordsAndTheirEdits) {
  TFIBDataSet* ds = CalcDataSet(false);
  ds->Open();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 2);
  EXPECT_EQ(ds->FieldByName("LABEL")->AsString(), "#row1-lo");
  ds->Next();
  ds->Next();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 6);
  EXPECT_EQ(ds->FieldByName("LABEL")->AsString(), "#row3-lo");

  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(10);
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 20);
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->NewValue().AsInteger(), 20);
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->OldValue().AsInteger(), 6);
  EXPECT_EQ(ds->FieldByName("QTY")->OldValue().AsInteger(), 3);
  ds->Post();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 20);

  ds->Append();
  EXPECT_TRUE(VarIsNull(ds->FieldByName("QTY")->OldValue()));
  EXPECT_TRUE(VarIsNull(ds->FieldByName("DOUBLEQTY")->OldValue()));
  ds->Cancel();
}

TEST_F(CalcFields, KeptValuesAreComputedOncePerRow) {
  TFIBDataSet* ds = CalcDataSet(true);
  ds->Open();
  Walk(ds);
  Walk(ds);
  EXPECT_EQ(Computed, 5);
  ds->First();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 2);
  ds->Last();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 10);
  EXPECT_EQ(ds->FieldByName("LABEL")->AsString(), "#row5-lo");
}

TEST_F(CalcFields, WithoutTheCacheEveryReadComputesAgain) {
  TFIBDataSet* ds = CalcDataSet(false);
  ds->Open();
  Walk(ds);
  const int once = Computed;
  Walk(ds);
  EXPECT_GE(once, 5);
  EXPECT_GT(Computed, once);
}

TEST_F(CalcFields, PostAndRefreshInvalidateTheKeptValues) {
  TFIBDataSet* ds = CalcDataSet(true);
  ds->Open();
  Walk(ds);
  ds->First();
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(50);
  ds->Post();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 100);
  Walk(ds);
  ds->First();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 100);

  // The row changes on the server; re-reading it computes again.
  Exec("UPDATE T SET QTY = 21 WHERE ID = 2");
  ds->Next();
  const int before = Computed;
  ds->RefreshRecord();
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 21);
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 42);
  EXPECT_GT(Computed, before);
}

TEST_F(CalcFields, SuppressionStopsTheComputation) {
  TFIBDataSet* ds = CalcDataSet(false);
  ds->DisableCalcFields();
  ds->Open();
  Walk(ds);
  EXPECT_EQ(Computed, 0);
  EXPECT_TRUE(ds->FieldByName("DOUBLEQTY")->IsNull());
  ds->EnableCalcFields();
  ds->EnableCalcFields();  // never below zero
  EXPECT_EQ(ds->CalcSuppression(), 0);
  ds->First();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 2);
}

TEST_F(CalcFields, NewValuesAreWrittenOnlyInTheEditStates) {
  TFIBDataSet* ds = CalcDataSet(false);
  ds->Open();
  // The state before the temporary value state decides.
  EXPECT_THROW(ds->FieldByName("QTY")->SetNewValue(Variant(4)), EFIBError);
  ds->Edit();
  ds->FieldByName("QTY")->SetNewValue(Variant(4));
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 4);
  EXPECT_EQ(ds->State(), dsEdit);
  ds->Post();
  EXPECT_EQ(ds->FieldByName("DOUBLEQTY")->AsInteger(), 8);
}

}  // namespace
