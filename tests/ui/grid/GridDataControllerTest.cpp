// The grid data controller and the item binding: the "Data" property of unbound records (round trip and
// damaged bytes), value types by name, display texts through the item, remembered filter values and the
// filter helpers.

#include <memory>

#include "GridTestSupport.h"
#include "MutationLoop.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/StringLists.h"

namespace grid_test {
namespace {

class GridDataControllerTest : public GridTest {
protected:
  void SetUp() override {
    GridTest::SetUp();
    RegisterClass(TTestView::StaticClass());
    Grid = MakeGrid();
    View = MakeView(Grid);
    View->SetName("View");
    View->SetValueTypes("TcxStringValueType,TcxIntegerValueType");
    AddLevel(Grid, View);
  }
  void TearDown() override {
    UnRegisterClass(TTestView::StaticClass());
    GridTest::TearDown();
  }
  void FillTwoColumns(TTestView* AView) {
    TcxCustomDataController* dc = AView->DataController();
    dc->SetRecordCount(3);
    const char* texts[] = {"один", "two", "три"};
    for (int32_t r = 0; r < 3; ++r) {
      dc->SetValue(r, 0, Variant(texts[r]));
      dc->SetValue(r, 1, Variant(r * 10 + 1));
    }
  }
  // A fresh view read from AText; the caller frees it.
  static TTestView* ReadView(const String& ABinary) {
    auto* view = New<TTestView>(nullptr);
    TStringStream stream(ABinary);
    try {
      ReadComponentFromStream(&stream, view);
    } catch (...) {
      view->Free();
      throw;
    }
    return view;
  }
  TcxGrid* Grid = nullptr;
  TTestView* View = nullptr;
};

// The binary form of a view with the bytes of its "Data" property replaced.
String WithData(const String& ABinary, const std::string& APayload) {
  const std::string name = "DataController.Data";
  const size_t at = ABinary.find(name);
  if (at == std::string::npos) return ABinary;
  const size_t valueAt = at + name.size();  // the value tag
  uint32_t size = 0;
  std::memcpy(&size, ABinary.data() + valueAt + 1, 4);
  std::string result = ABinary.substr(0, valueAt + 1);
  const uint32_t newSize = static_cast<uint32_t>(APayload.size());
  result.append(reinterpret_cast<const char*>(&newSize), 4);
  result += APayload;
  result += ABinary.substr(valueAt + 5 + size);
  return result;
}

std::string DataPayload(const String& ABinary) {
  const std::string name = "DataController.Data";
  const size_t valueAt = ABinary.find(name) + name.size();
  uint32_t size = 0;
  std::memcpy(&size, ABinary.data() + valueAt + 1, 4);
  return ABinary.substr(valueAt + 5, size);
}

TEST_F(GridDataControllerTest, DataRoundTripKeepsRecordsAndTypes) {
  FillTwoColumns(View);
  const String binary = ComponentToBinary(View);
  EXPECT_NE(ObjectBinaryToText(binary).find("DataController.Data = {"), std::string::npos);
  std::unique_ptr<TTestView, FreeDeleter> copy(ReadView(binary));
  TcxCustomDataController* dc = copy->DataController();
  ASSERT_EQ(dc->GetRecordCount(), 3);
  EXPECT_EQ(dc->GetValue(0, 0).AsString(), "один");
  EXPECT_EQ(dc->GetValue(2, 0).AsString(), "три");
  EXPECT_EQ(dc->GetValue(1, 1).AsInteger(), 11);
  EXPECT_EQ(copy->Items[1]->Binding->ValueType(), "TcxIntegerValueType");
  EXPECT_FALSE(static_cast<TcxGridDataController*>(dc)->HasHeldData()) << "the held bytes go once loaded";
}

TEST_F(GridDataControllerTest, AViewWithoutRecordsWritesNoData) {
  const String text = ComponentToText(View);
  EXPECT_EQ(text.find("Data ="), std::string::npos) << text;
  std::unique_ptr<TTestView, FreeDeleter> copy(ReadView(ComponentToBinary(View)));
  EXPECT_EQ(copy->DataController()->GetRecordCount(), 0);
}

TEST_F(GridDataControllerTest, DamagedDataIsAStreamFormatError) {
  FillTwoColumns(View);
  const String binary = ComponentToBinary(View);
  const std::string payload = DataPayload(binary);
  struct TCase {
    const char* Name;
    std::string Payload;
  };
  std::string longer = payload;
  const uint32_t tooLong = static_cast<uint32_t>(payload.size());  // claims 4 bytes more than follow
  std::memcpy(longer.data(), &tooLong, 4);
  const TCase cases[] = {
      {"a length of 0: the held bytes lack the header", std::string("\0\0\0\0", 4)},
      {"a length beyond the bytes that follow", longer},
      {"a negative length", std::string("\xFF\xFF\xFF\xFF", 4) + payload.substr(4)},
      {"fewer than four bytes", std::string("\1\0", 2)},
      {"cut inside the records", payload.substr(0, 4) + payload.substr(4, payload.size() - 10)},
  };
  for (const TCase& c : cases) {
    try {
      TTestView* view = ReadView(WithData(binary, c.Payload));
      view->Free();
      ADD_FAILURE() << c.Name << ": read without an error";
    } catch (const Exception& e) {
      // Raised while the form is read, the reader names the property in front of the message.
      EXPECT_NE(e.Message().find("Неверный формат потока"), std::string::npos) << c.Name << ": " << e.Message();
    }
  }
}

TEST_F(GridDataControllerTest, DamagedDataEndsInBoundedTimeAndMemory) {
  FillTwoColumns(View);
  const String binary = ComponentToBinary(View);
  mutation::Limits limits;
  limits.Inputs = 800;
  mutation::Run(
      DataPayload(binary),
      [&](const std::string& payload) {
        TTestView* view = ReadView(WithData(binary, payload));
        view->Free();
      },
      limits);
}

TEST_F(GridDataControllerTest, AnUnregisteredValueTypeIsAClearError) {
  TcxGridItemDataBinding* binding = View->Items[0]->Binding;
  const int changes = View->Items[0]->ValueTypeChanges;
  try {
    binding->SetValueType("TcxNoSuchValueType");
    FAIL() << "no error";
  } catch (const EcxInvalidDataControllerOperation& e) {
    EXPECT_NE(e.Message().find("TcxNoSuchValueType"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(binding->ValueType(), "TcxStringValueType") << "the item keeps its value type";
  binding->SetValueType("TcxFloatValueType");
  EXPECT_EQ(binding->ValueType(), "TcxFloatValueType");
  EXPECT_TRUE(binding->IsValueTypeStored());
  binding->SetValueType("TcxStringValueType");
  EXPECT_FALSE(binding->IsValueTypeStored());
  EXPECT_EQ(View->Items[0]->ValueTypeChanges, changes + 2);
}

TEST_F(GridDataControllerTest, ChangingTheValueTypeForgetsTheRememberedFilterValues) {
  TcxGridItemDataBinding* binding = View->Items[1]->Binding;
  binding->FilterMRUValueItems()->Add(Variant(1), "1");
  binding->SetValueType("TcxFloatValueType");
  EXPECT_EQ(binding->FilterMRUValueItems()->Count(), 0);
}

TEST_F(GridDataControllerTest, RememberedFilterValuesAreUniqueMostRecentFirstAndLimited) {
  TcxGridFilterMRUValueItems* items = View->Items[1]->Binding->FilterMRUValueItems();
  EXPECT_EQ(items->Limit(), 5) << "the view's option";
  for (int32_t v : {1, 2, 3}) items->Add(Variant(v), IntToStr(v));
  items->Add(Variant(2.0), "2.0");  // equal by variant comparison
  ASSERT_EQ(items->Count(), 3);
  EXPECT_EQ(items->Items(0)->Value.AsInteger(), 2);
  EXPECT_EQ(items->Items(1)->Value.AsInteger(), 3);
  for (int32_t v = 10; v < 20; ++v) items->Add(Variant(v), IntToStr(v));
  EXPECT_EQ(items->Count(), 5);
  EXPECT_EQ(items->Items(0)->Value.AsInteger(), 19);
}

TEST_F(GridDataControllerTest, DisplayTextPassesThroughTheItemsHandler) {
  FillTwoColumns(View);
  View->Items[0]->OnGetDataText = [](int32_t ARecordIndex, String& AText) { AText += "#" + IntToStr(ARecordIndex); };
  EXPECT_EQ(View->DataController()->GetDisplayText(1, 0), "two#1");
  EXPECT_EQ(View->DataController()->GetItemCaption(1), "Item1");
  EXPECT_EQ(View->DataController()->GetItemID(View->Items[1]), 1);
  auto* provider = View->Items[0]->Binding->DefaultValuesProvider();
  EXPECT_TRUE(provider->HasDisplayFormat(false)) << "an OnGetDataText handler counts as a display format";
  EXPECT_FALSE(View->Items[1]->Binding->DefaultValuesProvider()->HasDisplayFormat(true));
}

TEST_F(GridDataControllerTest, AddToFilterFillsTheTextAndReplacesOnRequest) {
  TcxGridItemDataBinding* binding = View->Items[1]->Binding;
  binding->AddToFilter(nullptr, foEqual, Variant(5), "", false);
  TcxFilterCriteriaItem* second = binding->AddToFilter(nullptr, foNotEqual, Variant(7), "", false);
  EXPECT_EQ(second->DisplayValue(), "7");
  TcxDataFilterCriteria* filter = View->DataController()->Filter();
  EXPECT_EQ(filter->Root()->Count(), 2);
  binding->AddToFilter(nullptr, foEqual, Null(), "", true);
  EXPECT_EQ(filter->Root()->Count(), 1);
  EXPECT_TRUE(binding->GetFiltered());
  binding->SetFiltered(true);
  EXPECT_TRUE(binding->GetFiltered());
  binding->SetFiltered(false);
  EXPECT_FALSE(binding->GetFiltered());
}

TEST_F(GridDataControllerTest, FilterStringsShowRememberedValuesOnlyWhereTheViewAndItemAllow) {
  FillTwoColumns(View);
  TcxGridItemDataBinding* binding = View->Items[1]->Binding;
  binding->FilterMRUValueItems()->Add(Variant(11), "11");
  std::unique_ptr<TcxDataFilterValueList> values(View->DataController()->Filter()->CreateValueList());
  TStringList lines;
  binding->GetFilterStrings(&lines, values.get());
  ASSERT_EQ(lines.Count(), values->Count());
  EXPECT_GE(values->IndexOfKind(fviMRUSeparator), 0);
  EXPECT_GE(values->IndexOfKind(fviMRU), 0);
  View->FilterMRUItemsList = false;
  binding->GetFilterStrings(&lines, values.get());
  EXPECT_EQ(values->IndexOfKind(fviMRUSeparator), -1);
  EXPECT_EQ(values->IndexOfKind(fviMRU), -1);
}

TEST_F(GridDataControllerTest, AssignDataCopiesTheRecords) {
  FillTwoColumns(View);
  TTestView* other = MakeView(Grid);
  other->SetValueTypes("TcxStringValueType,TcxIntegerValueType");
  static_cast<TcxGridDataController*>(other->DataController())->AssignData(View->DataController());
  EXPECT_EQ(other->DataController()->GetRecordCount(), 3);
  EXPECT_EQ(other->DataController()->GetValue(2, 1).AsInteger(), 21);
}

}  // namespace
}  // namespace grid_test
