// Summaries: footer values and texts over the filtered records, group values and group texts, selected
// records only, Null handling, and the events through which an application takes part.
#include <gtest/gtest.h>

#include "DataControllerSupport.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"

namespace summary_tests {

enum { kGroup, kInt, kFloat, kDate };

struct Summaries : RecordingController {
  TFormatSettings Saved = FormatSettings();
  Summaries() {
    TFormatSettings fs = Saved;
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ',';
    fs.ShortDateFormat = "dd.mm.yyyy";
    fs.DateSeparator = '.';
    SetFormatSettings(fs);
    AddItems({TcxStringValueType::StaticClass(), TcxIntegerValueType::StaticClass(), TcxFloatValueType::StaticClass(),
              TcxDateTimeValueType::StaticClass()});
    Fill({{"a", 10, 1.5, D(2026, 1, 1)},
          {"b", Null(), 2.25, D(2026, 1, 3)},
          {"a", 20, Null(), Null()},
          {"b", 4, -8.0, D(2026, 1, 5)},
          {"a", Null(), 0.5, D(2026, 1, 2)}});
  }
  ~Summaries() override { SetFormatSettings(Saved); }
  static Variant D(int y, int m, int d) { return VarFromDateTime(EncodeDate(uint16_t(y), uint16_t(m), uint16_t(d))); }
  TcxDataSummary* S() const { return DC->Summary(); }
  TcxDataSummaryItem* Footer(int32_t AItem, TcxSummaryKind AKind, const String& AFormat = String()) {
    return S()->FooterSummaryItems()->Add(AItem < 0 ? nullptr : DC->GetItem(AItem), spFooter, AKind, AFormat);
  }
  std::vector<std::string> FooterTexts() {
    std::vector<std::string> r;
    for (int32_t i = 0; i < S()->FooterSummaryItems()->Count(); ++i) r.push_back(S()->GetFooterSummaryText(i));
    return r;
  }
};

}  // namespace summary_tests

using namespace summary_tests;

TEST_F(Summaries, FooterKindsOverIntegersFloatsDatesAndNulls) {
  struct Case {
    int Item;
    TcxSummaryKind Kind;
    bool NullIgnore;
    const char* Text;
  } cases[] = {
      {kInt, skSum, false, "34.00"},        {kInt, skMin, false, "MIN=4.00"},     {kInt, skMax, false, "MAX=20.00"},
      {kInt, skCount, false, "5"},          {kInt, skCount, true, "3"},
      // The average counts Nulls in the divisor unless told to ignore them.
      {kInt, skAverage, false, "AVG=6.80"}, {kInt, skAverage, true, "AVG=11.33"},
      {kFloat, skSum, false, "-3.75"},      {kFloat, skMin, false, "MIN=-8.00"},  {kFloat, skAverage, true, "AVG=-0.94"},
      {kDate, skMin, false, "MIN=01.01.2026"}, {kDate, skMax, false, "MAX=05.01.2026"},
      {kDate, skAverage, true, "AVG=02.01.2026 18:00:00"},
      {kInt, skNone, false, "34"},  // no kind: the value as text... of nothing calculated
  };
  for (const Case& c : cases) {
    S()->BeginUpdate();
    S()->FooterSummaryItems()->Clear();
    S()->SetOptions(c.NullIgnore ? TcxSummaryOptions{soNullIgnore} : TcxSummaryOptions{});
    Footer(c.Item, c.Kind);
    S()->EndUpdate();
    if (c.Kind == skNone) {
      EXPECT_TRUE(VarIsEmpty(S()->GetFooterSummaryValue(0)) || VarIsNull(S()->GetFooterSummaryValue(0)));
      continue;
    }
    EXPECT_EQ(S()->GetFooterSummaryText(0), c.Text) << "item " << c.Item << " kind " << int(c.Kind);
  }
}

TEST_F(Summaries, NoRecordsNullFirstValueAndItemsWithoutField) {
  Footer(kInt, skSum);
  Footer(kInt, skCount);
  Footer(kFloat, skAverage, "0.0");
  Footer(-1, skCount);  // no field: never calculated
  DC->Filter()->AddItem(nullptr, DC->GetItem(kGroup), foEqual, "none", "none");
  DC->Filter()->SetActive(true);
  EXPECT_TRUE(VarIsNull(S()->GetFooterSummaryValue(0)));
  EXPECT_EQ(S()->GetFooterSummaryValue(1), Variant(0));
  EXPECT_TRUE(VarIsNull(S()->GetFooterSummaryValue(2)));
  EXPECT_TRUE(VarIsEmpty(S()->GetFooterSummaryValue(3)));
  EXPECT_EQ(FooterTexts(), (std::vector<std::string>{"", "0", "", "0"}));  // a count shows its Empty as 0
  EXPECT_TRUE(VarIsNull(S()->GetFooterSummaryValue(9)));
  // A sum whose first value is Null starts from 0.
  DC->Filter()->Clear();
  DC->Filter()->AddItem(nullptr, DC->GetItem(kGroup), foEqual, "b", "b");
  EXPECT_EQ(S()->GetFooterSummaryValue(0), Variant(4));
  EXPECT_EQ(FooterTexts(), (std::vector<std::string>{"4.00", "2", "-2.9", "0"}));
}

TEST_F(Summaries, GroupTextsWithDefaultAndCustomItems) {
  TcxDataGroupSummaryItems* items = S()->DefaultGroupSummaryItems();
  items->Add(DC->GetItem(kInt), spGroup, skSum);
  items->Add(nullptr, spGroup, skCount);
  items->Add(DC->GetItem(kFloat), spFooter, skMax);
  DC->Groups()->ChangeGrouping(kGroup, 0);
  DC->Groups()->FullExpand();
  ASSERT_EQ(DC->GetRowCount(), 7);
  EXPECT_EQ(S()->GetGroupSummaryText(0), "(SUM=30.00, COUNT=3)");
  EXPECT_EQ(S()->GetGroupSummaryText(1), "");  // a data row
  EXPECT_EQ(S()->GetGroupSummaryText(4), "(SUM=4.00, COUNT=2)");
  EXPECT_EQ(S()->GetGroupFooterItemIndex(0, DC->GetItem(kFloat)), 2);
  EXPECT_EQ(S()->GetGroupFooterSummaryText(5, 0, 2), "MAX=2.25");
  EXPECT_EQ(S()->GetGroupFooterSummaryText(5, 0, 7), "");

  // A leading empty piece leaves no separator; texts around the pieces are the collection's.
  items->SetSeparator(";");
  items->SetBeginText("[");
  items->SetEndText("");
  items->Items(0)->SetItemLink(DC->GetItem(kDate));
  items->Items(0)->SetKind(skMin);
  EXPECT_EQ(S()->GetGroupSummaryText(0), "[MIN=01.01.2026; COUNT=3");

  // A summary group for the grouping item replaces the default items.
  TcxDataSummaryGroup* group = S()->SummaryGroups()->Add();
  group->Links()->Add()->SetItemLink(DC->GetItem(kGroup));
  group->SummaryItems()->Add(DC->GetItem(kFloat), spGroup, skAverage, "avg 0.000");
  EXPECT_EQ(S()->GetGroupSummaryItems(0), group->SummaryItems());
  EXPECT_EQ(S()->GetGroupSummaryText(0), "(avg 0.667)");  // 2 / 3: the Null counts
  EXPECT_EQ(S()->GetGroupSummaryItems(1), nullptr);
}

TEST_F(Summaries, SelectedRecordsOnly) {
  Footer(kInt, skSum);
  Footer(kInt, skCount);
  S()->SetOptions({soSelectedRecords});
  DC->ChangeFocusedRowIndex(3);
  EXPECT_EQ(FooterTexts(), (std::vector<std::string>{"4.00", "1"}));  // single selection: the focused record
  DC->ChangeFocusedRowIndex(0);
  EXPECT_EQ(FooterTexts(), (std::vector<std::string>{"10.00", "1"}));
  DC->ChangeMultiSelect(true);
  DC->SelectRows(0, 2);
  EXPECT_EQ(FooterTexts(), (std::vector<std::string>{"30.00", "3"}));
  S()->SetOptions({});
  EXPECT_EQ(FooterTexts(), (std::vector<std::string>{"34.00", "5"}));
}

TEST_F(Summaries, EventsAndPerItemAccess) {
  S()->FooterSummaryItems()->OnSummary = [](TcxDataSummaryItems*, const TcxSummaryEventArguments& args,
                                            TcxSummaryEventOutArguments& out) {
    if (args.RecordIndex == 0) out.Done = true;  // the handler counts record 0 itself: not at all
    if (VarIsNull(out.Value)) out.Value = 100;
  };
  Footer(kInt, skSum);
  EXPECT_EQ(S()->GetFooterSummaryText(0), "224.00");
  S()->FooterSummaryItems()->Items(0)->OnGetText = [](TcxDataSummaryItem*, const Variant&, bool AIsFooter, String& AText) {
    AText = (AIsFooter ? "F:" : "G:") + AText;
  };
  EXPECT_EQ(S()->GetFooterSummaryText(0), "F:224.00");
  int after = 0;
  S()->OnAfterSummary = [&](TcxDataSummary*) { ++after; };
  DC->SetValue(3, kInt, 5);
  EXPECT_EQ(after, 1);
  EXPECT_EQ(S()->GetFooterSummaryText(0), "F:225.00");

  TcxDataSummaryItems* footer = S()->FooterSummaryItems();
  footer->SetItemKind(kFloat, spFooter, skMax);
  EXPECT_EQ(footer->Count(), 2);
  EXPECT_EQ(footer->GetItemKind(kFloat, spFooter), skMax);
  EXPECT_EQ(S()->GetFooterSummaryText(1), "MAX=100.00");  // the handler turns the Null of record 2 into 100
  footer->SetItemKind(kFloat, spFooter, skNone);  // empty again: the item goes
  EXPECT_EQ(footer->Count(), 1);
  EXPECT_THROW(footer->GetItemKind(9, spFooter), EcxInvalidDataControllerOperation);
  // Removing the item's field leaves the summary item without field.
  DC->RemoveItem(DC->GetItem(kInt));
  EXPECT_EQ(footer->Items(0)->Field(), nullptr);
  EXPECT_TRUE(VarIsEmpty(S()->GetFooterSummaryValue(0)));
}
