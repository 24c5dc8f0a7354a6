// A collection reached through a nested persistent property ("Settings.Rows") writes its items with
// their own property names, so that the text form reads back.
#include <gtest/gtest.h>

#include "rtl/Classes.h"
#include "rtl/Filer.h"
#include "rtl/TypInfo.h"

class TNestedRowItem : public TCollectionItem {
  RTL_CLASS(TNestedRowItem, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  using TCollectionItem::TCollectionItem;
  int32_t Height = 0;
};

class TNestedRowSettings : public TPersistent {
  RTL_CLASS(TNestedRowSettings, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TNestedRowSettings(TPersistent* owner) : Rows(New<TOwnedCollection>(owner, TNestedRowItem::StaticClass())) {}
  ~TNestedRowSettings() override { Rows->Free(); }
  TOwnedCollection* GetRows() const { return Rows; }
  void SetRows(TOwnedCollection* v) { Rows->Assign(v); }
  TOwnedCollection* Rows;
};

class TNestedRowHolder : public TComponent {
  RTL_CLASS(TNestedRowHolder, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TNestedRowHolder(TComponent* owner) : TComponent(owner), Settings(new TNestedRowSettings(this)) {}
  ~TNestedRowHolder() override { delete Settings; }
  TNestedRowSettings* GetSettings() const { return Settings; }
  void SetSettings(TNestedRowSettings* v) { Settings->Assign(v); }
  TNestedRowSettings* Settings;
};

RTL_PUBLISHED(TNestedRowItem) { prop("Height", &TNestedRowItem::Height, &TNestedRowItem::Height).Default(0); }
RTL_PUBLISHED(TNestedRowSettings) {
  prop("Rows", &TNestedRowSettings::GetRows, &TNestedRowSettings::SetRows);
}
RTL_PUBLISHED(TNestedRowHolder) {
  prop("Settings", &TNestedRowHolder::GetSettings, &TNestedRowHolder::SetSettings);
}

namespace {

TEST(NestedCollectionStreamingTest, ItemsOfANestedCollectionKeepTheirOwnNames) {
  RegisterClass(TNestedRowHolder::StaticClass());
  auto* holder = New<TNestedRowHolder>(nullptr);
  holder->SetName("Holder");
  static_cast<TNestedRowItem*>(holder->Settings->Rows->Add())->Height = 12;
  static_cast<TNestedRowItem*>(holder->Settings->Rows->Add())->Height = 30;
  String text = ComponentToText(holder);
  EXPECT_NE(text.find("  Settings.Rows = <\r\n    item\r\n      Height = 12\r\n    end"), String::npos) << text;
  EXPECT_EQ(text.find("Settings.Height"), String::npos) << text;

  auto* copy = New<TNestedRowHolder>(nullptr);
  ReadComponentFromText(text, copy);
  ASSERT_EQ(copy->Settings->Rows->Count(), 2);
  EXPECT_EQ(static_cast<TNestedRowItem*>(copy->Settings->Rows->Items(1))->Height, 30);
  copy->Free();
  holder->Free();
  UnRegisterClass(TNestedRowHolder::StaticClass());
}

}  // namespace
