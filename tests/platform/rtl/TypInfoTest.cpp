#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/Persistent.h"
#include "rtl/TypInfo.h"

namespace {

enum TShade { shLight, shMedium, shDark };
enum class TEdge : uint8_t { eLeft, eTop, eRight, eBottom };
using TEdges = Set<TEdge>;
using TTextEvent = Event<TObject*, const String&>;

class TFontish : public TPersistent {
  RTL_CLASS(TFontish, TPersistent)
};

class TBaseWidget : public TPersistent {
  RTL_CLASS(TBaseWidget, TPersistent)
  RTL_PUBLISHED_DECL
public:
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t v) { FTag = v; }
  TShade Shade() const { return FShade; }
  void SetShade(TShade v) { FShade = v; }
  String Caption() const { return FCaption; }
  void SetCaption(const String& v) { FCaption = v; }
  const TNotifyEvent& OnClick() const { return FOnClick; }
  void SetOnClick(const TNotifyEvent& v) { FOnClick = v; }

  String FCaption;

private:
  int32_t FTag = 0;
  TShade FShade = shMedium;
  TNotifyEvent FOnClick;
};

class TWidget : public TBaseWidget {
  RTL_CLASS(TWidget, TBaseWidget)
  RTL_PUBLISHED_DECL
public:
  int64_t Big = 0;
  char Letter = 'a';
  double Ratio = 0;
  Currency Price;
  WideString Wide;
  bool Enabled = true;
  TEdges Edges{TEdge::eLeft, TEdge::eTop};
  TFontish* Font = nullptr;
  TTextEvent OnText;
  int32_t Color = 0;
  TWidget* Partner = nullptr;

  void Clicked(TObject*) { ++Clicks; }
  bool Accepts(int32_t v) { return v > Tag(); }
  void TextChanged(TObject*, const String& s) { LastText = s; }
  int Clicks = 0;
  String LastText;

private:
  bool IsRatioStored() const { return Ratio != 1.5; }
  int32_t Secret() const { return 42; }
};

// Enumerations declare their names in their own namespace.
RTL_ENUM(TShade, shLight, shMedium, shDark)
RTL_ENUM(TEdge, eLeft, eTop, eRight, eBottom)

}  // namespace

RTL_PUBLISHED(TBaseWidget) {
  prop("Tag", &TBaseWidget::Tag, &TBaseWidget::SetTag).Default(0);
  prop("Shade", &TBaseWidget::Shade, &TBaseWidget::SetShade).Default(shMedium);
  prop("Caption", &TBaseWidget::Caption, &TBaseWidget::SetCaption);
  event("OnClick", &TBaseWidget::OnClick, &TBaseWidget::SetOnClick);
}

RTL_PUBLISHED(TWidget) {
  prop("Big", &TWidget::Big, &TWidget::Big);
  prop("Letter", &TWidget::Letter, &TWidget::Letter);
  prop("Ratio", &TWidget::Ratio, &TWidget::Ratio).Stored(&TWidget::IsRatioStored);
  prop("Price", &TWidget::Price, &TWidget::Price);
  prop("Wide", &TWidget::Wide, &TWidget::Wide).Stored(false);
  prop("Enabled", &TWidget::Enabled, &TWidget::Enabled).Default(true);
  prop("Edges", &TWidget::Edges, &TWidget::Edges).Default(TEdges{TEdge::eLeft, TEdge::eTop});
  prop("Font", &TWidget::Font, &TWidget::Font);
  event("OnText", &TWidget::OnText, &TWidget::OnText);
  prop("Color", &TWidget::Color, &TWidget::Color).Type(TypeInfoAlias("TTestColor", TypeInfo<int32_t>()));
  prop("Secret", &TWidget::Secret);
  prop("Partner", &TWidget::Partner, &TWidget::Partner);
  // Redeclared: a new default for the inherited Tag keeps its place in the list.
  prop("Tag", &TWidget::Tag, &TWidget::SetTag).Default(7);
  method("Clicked", &TWidget::Clicked);
  method("TextChanged", &TWidget::TextChanged);
  method("Accepts", &TWidget::Accepts);
  field("PartnerField", &TWidget::Partner);
}

namespace {
std::vector<std::string> Names(const std::vector<const TPropInfo*>& props) {
  std::vector<std::string> r;
  for (const TPropInfo* p : props) r.push_back(p->Name);
  return r;
}
}  // namespace

TEST(TypInfoTest, PropertyListHasAncestorsFirstInDeclarationOrder) {
  EXPECT_EQ(Names(GetPropList(TBaseWidget::StaticClass())),
            (std::vector<std::string>{"Tag", "Shade", "Caption", "OnClick"}));
  EXPECT_EQ(Names(GetPropList(TWidget::StaticClass())),
            (std::vector<std::string>{"Tag", "Shade", "Caption", "OnClick", "Big", "Letter", "Ratio", "Price", "Wide",
                                      "Enabled", "Edges", "Font", "OnText", "Color", "Secret", "Partner"}));
  EXPECT_EQ(Names(GetPropList(TWidget::StaticClass(), tkMethods)), (std::vector<std::string>{"OnClick", "OnText"}));
  EXPECT_EQ(Names(GetPropList(TWidget::StaticClass(), TTypeKinds{tkInteger, tkEnumeration})),
            (std::vector<std::string>{"Color", "Enabled", "Secret", "Shade", "Tag"}));
  EXPECT_TRUE(GetPropList(TPersistent::StaticClass()).empty());
}

TEST(TypInfoTest, KindsAndTypesFollowThePropertyTypes) {
  struct TCase {
    const char* Name;
    TTypeKind Kind;
    const char* TypeName;
  };
  const TCase cases[] = {
      {"Tag", tkInteger, "Integer"},     {"Shade", tkEnumeration, "TShade"}, {"Caption", tkString, "string"},
      {"OnClick", tkMethod, "TNotifyEvent"}, {"Big", tkInt64, "Int64"},     {"Letter", tkChar, "Char"},
      {"Ratio", tkFloat, "Double"},      {"Price", tkFloat, "Currency"},     {"Wide", tkWString, "WideString"},
      {"Enabled", tkEnumeration, "Boolean"}, {"Edges", tkSet, "set of TEdge"}, {"Font", tkClass, "TFontish"},
      {"Color", tkInteger, "TTestColor"}};
  for (const TCase& c : cases) {
    const TPropInfo* p = GetPropInfo(TWidget::StaticClass(), c.Name);
    ASSERT_NE(p, nullptr) << c.Name;
    EXPECT_EQ(p->Kind(), c.Kind) << c.Name;
    EXPECT_EQ(p->PropType->Name, c.TypeName) << c.Name;
  }
  EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), "font")->PropType->ClassType, TFontish::StaticClass());
  EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), "Price")->PropType->FloatType, ftCurr);
  EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), "Nope"), nullptr);
  EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), "Tag", TTypeKinds{tkString}), nullptr);
  EXPECT_FALSE(GetPropInfo(TWidget::StaticClass(), "Secret")->Writable());
}

TEST(TypInfoTest, GenericAccessorsReadAndWriteEveryKind) {
  TWidget* w = New<TWidget>();
  SetOrdProp(w, "TAG", 5);
  SetOrdProp(w, "Big", int64_t(1) << 40);
  SetOrdProp(w, "Letter", 'q');
  SetFloatProp(w, "Ratio", 2.25);
  SetFloatProp(w, "Price", 12.3456);
  SetStrProp(w, "Caption", "Привет");
  SetStrProp(w, "Wide", "Ключ");
  SetEnumProp(w, "Shade", "SHDARK");
  SetEnumProp(w, "Enabled", "False");
  SetSetProp(w, "Edges", "[eRight, eBottom]");
  EXPECT_EQ(w->Tag(), 5);
  EXPECT_EQ(GetInt64Prop(w, "Big"), int64_t(1) << 40);
  EXPECT_EQ(w->Letter, 'q');
  EXPECT_EQ(GetFloatProp(w, "Ratio"), 2.25);
  EXPECT_EQ(w->Price.Value, 123456);
  EXPECT_EQ(GetStrProp(w, "Caption"), "Привет");
  EXPECT_EQ(w->Wide, u"Ключ");
  EXPECT_EQ(GetStrProp(w, "Wide"), "Ключ");
  EXPECT_EQ(GetEnumProp(w, "Shade"), "shDark");
  EXPECT_FALSE(w->Enabled);
  EXPECT_EQ(w->Edges, (TEdges{TEdge::eRight, TEdge::eBottom}));
  EXPECT_EQ(GetSetProp(w, "Edges"), "eRight,eBottom");
  EXPECT_EQ(GetSetProp(w, "Edges", true), "[eRight,eBottom]");
  EXPECT_EQ(GetOrdProp(w, "Edges"), 0b1100);
  EXPECT_EQ(GetOrdProp(w, "Secret"), 42);

  TFontish* font = New<TFontish>();
  SetObjectProp(w, "Font", font);
  EXPECT_EQ(GetObjectProp(w, "Font"), font);
  SetObjectProp(w, "Font", w);  // not a TFontish: ignored
  EXPECT_EQ(w->Font, font);
  EXPECT_EQ(GetObjectProp(w, "Font", TWidget::StaticClass()), nullptr);
  font->Free();
  w->Free();
}

TEST(TypInfoTest, AccessErrorsAreReported) {
  TWidget* w = New<TWidget>();
  struct TCase {
    std::function<void()> Call;
    std::string Message;
  };
  const std::vector<TCase> cases = {
      {[&] { GetOrdProp(w, "Missing"); }, "Property Missing does not exist"},
      {[&] { SetOrdProp(w, "Secret", 1); }, "Property is read-only"},
      {[&] { GetOrdProp(w, "Caption"); }, "Invalid property type: string"},
      {[&] { SetEnumProp(w, "Shade", "shNone"); }, "Invalid property element: shNone"},
      {[&] { SetSetProp(w, "Edges", "eLeft,eMiddle"); }, "Invalid property element: eMiddle"},
      {[&] { SetOrdProp(w, "Shade", 3); }, "Invalid property value"},
  };
  for (const TCase& c : cases) {
    try {
      c.Call();
      ADD_FAILURE() << c.Message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.Message);
    }
  }
  TBaseWidget* base = New<TBaseWidget>();
  EXPECT_THROW(GetOrdProp(base, GetPropInfo(TWidget::StaticClass(), "Big")), EInvalidCast);
  base->Free();
  w->Free();
}

TEST(TypInfoTest, DefaultsAndStoredRules) {
  TWidget* w = New<TWidget>();
  const TPropInfo* tag = GetPropInfo(w, "Tag");
  EXPECT_TRUE(tag->HasDefault);
  EXPECT_EQ(tag->Default, 7);
  EXPECT_EQ(tag->Owner, TWidget::StaticClass());
  EXPECT_EQ(tag->NameIndex, 0);
  EXPECT_EQ(GetPropInfo(TBaseWidget::StaticClass(), "Tag")->Default, 0);
  EXPECT_EQ(GetPropInfo(w, "Shade")->Default, shMedium);
  EXPECT_EQ(GetPropInfo(w, "Enabled")->Default, 1);
  EXPECT_EQ(GetPropInfo(w, "Edges")->Default, 0b11);
  EXPECT_FALSE(GetPropInfo(w, "Big")->HasDefault);
  EXPECT_TRUE(IsStoredProp(w, "Caption"));
  EXPECT_FALSE(IsStoredProp(w, "Wide"));
  w->Ratio = 1.5;
  EXPECT_FALSE(IsStoredProp(w, "Ratio"));
  w->Ratio = 2;
  EXPECT_TRUE(IsStoredProp(w, "Ratio"));
  w->Free();
}

TEST(TypInfoTest, PublishedMethodsFoundByNameBindIntoEvents) {
  TWidget* form = New<TWidget>();
  TWidget* button = New<TWidget>();
  // What the streamer does with "OnClick = Clicked": find the method of the root, set it on the child.
  SetMethodProp(button, "OnClick", FindMethod(form, "clicked"));
  button->OnClick()(button);
  EXPECT_EQ(form->Clicks, 1);
  TMethod m = GetMethodProp(button, "OnClick");
  EXPECT_EQ(m.Data, form);
  EXPECT_EQ(MethodName(TWidget::StaticClass(), m.Code), "Clicked");
  EXPECT_EQ(MethodName(TWidget::StaticClass(), GetMethodProp(button, "OnText").Code), "");

  auto onText = MethodEvent<TTextEvent>(form, "TextChanged");
  onText(form, "hello");
  EXPECT_EQ(form->LastText, "hello");
  EXPECT_THROW(SetMethodProp(button, "OnClick", FindMethod(form, "TextChanged")), EInvalidCast);
  EXPECT_FALSE(MethodEvent<TNotifyEvent>(form, "NoSuchHandler").Assigned());
  EXPECT_EQ(MethodAddress(TBaseWidget::StaticClass(), "Clicked"), nullptr);
  auto accepts = MethodEvent<FuncEvent<bool, int32_t>>(form, "Accepts");
  EXPECT_TRUE(accepts(3));
  EXPECT_FALSE(accepts(-1));
  EXPECT_THROW(MethodEvent<Event<int32_t>>(form, "Accepts"), EInvalidCast);

  // A callable-backed event survives the round trip through TMethod.
  int calls = 0;
  button->SetOnClick(TNotifyEvent([&](TObject*) { ++calls; }));
  TMethod fn = GetMethodProp(button, "OnClick");
  SetMethodProp(form, "OnClick", fn);
  form->OnClick()(nullptr);
  EXPECT_EQ(calls, 1);
  SetMethodProp(form, "OnClick", TMethod());
  EXPECT_FALSE(form->OnClick().Assigned());
  button->Free();
  form->Free();
}

TEST(TypInfoTest, PublishedFieldsAreFilledByName) {
  TWidget* form = New<TWidget>();
  TWidget* other = New<TWidget>();
  EXPECT_TRUE(SetPublishedField(form, "partnerfield", other));
  EXPECT_EQ(form->Partner, other);
  EXPECT_EQ(GetPublishedField(form, "PartnerField"), other);
  EXPECT_FALSE(SetPublishedField(form, "Nothing", other));
  TFontish* font = New<TFontish>();
  EXPECT_THROW(SetPublishedField(form, "PartnerField", font), EInvalidCast);
  font->Free();
  other->Free();
  form->Free();
}

TEST(TypInfoTest, EnumAndSetTextConversions) {
  PTypeInfo shade = TypeInfo<TShade>();
  EXPECT_EQ(GetEnumName(shade, 2), "shDark");
  EXPECT_EQ(GetEnumName(shade, 3), "");
  EXPECT_EQ(GetEnumValue(shade, "shlight"), 0);
  EXPECT_EQ(GetEnumValue(shade, "dark"), -1);
  EXPECT_EQ(GetEnumValue(TypeInfo<bool>(), "TRUE"), 1);
  EXPECT_EQ(shade->MaxValue, 2);
  PTypeInfo edges = TypeInfo<TEdges>();
  EXPECT_EQ(edges->CompType, TypeInfo<TEdge>());
  TSetBits bits = StringToSet(edges, " [ eTop , eBottom ] ");
  EXPECT_EQ(bits.Words[0], 0b1010u);
  EXPECT_EQ(SetToString(edges, bits, true), "[eTop,eBottom]");
  EXPECT_EQ(SetToString(edges, StringToSet(edges, "[]")), "");
  EXPECT_EQ(TypeInfo<TEdges>(), edges);
  EXPECT_THROW((TypeInfo<Set<TEdge, 3>>()), EInvalidOperation);  // four members do not fit
}

TEST(TypInfoTest, IntegerIdentifierMaps) {
  PTypeInfo colorType = TypeInfoAlias("TTestColor", TypeInfo<int32_t>());
  EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), "Color")->PropType, colorType);
  static const TIdentMapEntry colors[] = {{0x0000FF, "clRed"}, {-16777201, "clBtnFace"}};
  RegisterIntegerConsts(colorType, colors, 2);
  int32_t v = 0;
  ASSERT_TRUE(FindIdentToInt(colorType));
  EXPECT_TRUE(FindIdentToInt(colorType)("CLBTNFACE", v));
  EXPECT_EQ(v, -16777201);
  String name;
  EXPECT_TRUE(FindIntToIdent(colorType)(0xFF, name));
  EXPECT_EQ(name, "clRed");
  EXPECT_FALSE(FindIntToIdent(colorType)(5, name));
  EXPECT_FALSE(FindIntToIdent(TypeInfo<int32_t>()));
  EXPECT_THROW(TypeInfoAlias("TTestColor", TypeInfo<double>()), EInvalidOperation);
  EXPECT_EQ(TypeInfoDateTime()->FloatType, ftDouble);
}

namespace {
class IPlug : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{A1B2C3D4-0000-4000-8000-00000000CAFE}");
};
class TPlug : public TInterfacedObject, public IPlug {
  RTL_CLASS(TPlug, TInterfacedObject)
};
class TSocket : public TPersistent {
  RTL_CLASS(TSocket, TPersistent)
  RTL_PUBLISHED_DECL
public:
  IPtr<IPlug> Plug;
};
}  // namespace

RTL_PUBLISHED(TSocket) { prop("Plug", &TSocket::Plug, &TSocket::Plug); }

TEST(TypInfoTest, InterfacePropertiesHoldCountedReferences) {
  const TPropInfo* p = GetPropInfo(TSocket::StaticClass(), "Plug");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Kind(), tkInterface);
  EXPECT_EQ(p->PropType->IntfGUID, IPlug::IID);
  TSocket* socket = New<TSocket>();
  IPtr<IPlug> plug = New<TPlug>();
  SetInterfaceProp(socket, p, plug.get());
  EXPECT_EQ(socket->Plug, plug);
  EXPECT_EQ(GetInterfaceProp(socket, p).get(), static_cast<IInterface*>(plug.get()));
  IPtr<IInterface> other = New<TInterfacedObject>();
  SetInterfaceProp(socket, p, other.get());  // not an IPlug
  EXPECT_FALSE(socket->Plug);
  socket->Free();
}

namespace {
class TRaced : public TWidget {
  RTL_CLASS(TRaced, TWidget)
  RTL_PUBLISHED_DECL
public:
  int32_t Extra = 0;
};
}  // namespace

RTL_PUBLISHED(TRaced) { prop("Extra", &TRaced::Extra, &TRaced::Extra).Default(3); }

#include <thread>

TEST(TypInfoTest, FirstQueriesFromSeveralThreadsBuildOneTable) {
  std::vector<const TPropInfo*> seen(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&seen, i] { seen[i] = GetPropInfo(TRaced::StaticClass(), "Extra"); });
  for (std::thread& t : threads) t.join();
  ASSERT_NE(seen[0], nullptr);
  for (const TPropInfo* p : seen) EXPECT_EQ(p, seen[0]);
  EXPECT_EQ(GetPropList(TRaced::StaticClass()).size(), GetPropList(TWidget::StaticClass()).size() + 1);
}
