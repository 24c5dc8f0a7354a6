// Variant properties; active once the Variant type is part of the runtime.
#if __has_include("rtl/Variants.h")
#include <gtest/gtest.h>

#include "rtl/Persistent.h"
#include "rtl/TypInfo.h"
#include "rtl/Variants.h"

namespace {
enum TVarKind { vkOne, vkTwo };
RTL_ENUM(TVarKind, vkOne, vkTwo)

class TVarHolder : public TPersistent {
  RTL_CLASS(TVarHolder, TPersistent)
  RTL_PUBLISHED_DECL
public:
  Variant Value;
  bool Flag = false;
  TVarKind Kind = vkOne;
  double When = 0;
  Currency Money;
  String Text;
};
}  // namespace

RTL_PUBLISHED(TVarHolder) {
  prop("Value", &TVarHolder::Value, &TVarHolder::Value);
  prop("Flag", &TVarHolder::Flag, &TVarHolder::Flag);
  prop("Kind", &TVarHolder::Kind, &TVarHolder::Kind);
  prop("When", &TVarHolder::When, &TVarHolder::When).Type(TypeInfoDateTime());
  prop("Money", &TVarHolder::Money, &TVarHolder::Money);
  prop("Text", &TVarHolder::Text, &TVarHolder::Text);
}

TEST(TypInfoVariantTest, VariantPropertiesAndPropValuesConvertByKind) {
  TVarHolder* h = New<TVarHolder>();
  const TPropInfo* p = GetPropInfo(h, "Value");
  EXPECT_EQ(p->Kind(), tkVariant);
  SetVariantProp(h, p, Variant(42));
  EXPECT_EQ(GetVariantProp(h, p), Variant(42));
  SetPropValue(h, "Flag", Variant(true));
  EXPECT_TRUE(h->Flag);
  EXPECT_EQ(GetPropValue(h, "Flag").VType(), varBoolean);
  SetPropValue(h, "Kind", Variant("vkTwo"));
  EXPECT_EQ(h->Kind, vkTwo);
  EXPECT_EQ(GetPropValue(h, "Kind").AsString(), "vkTwo");
  EXPECT_EQ(GetPropValue(h, "Kind", false).AsInteger(), 1);
  SetPropValue(h, "When", Variant(2.5));
  EXPECT_EQ(GetPropValue(h, "When").VType(), varDate);
  SetPropValue(h, "Money", Variant(1.25));
  EXPECT_EQ(h->Money.Value, 12500);
  SetPropValue(h, "Text", Variant(12));
  EXPECT_EQ(h->Text, "12");
  h->Free();
}
#endif
