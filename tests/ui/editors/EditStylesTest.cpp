#include <gtest/gtest.h>

#include "EditSupport.h"
#include "cxContainerTestSupport.h"
#include "rtl/TypInfo.h"
#include "ui/editors/cxEdit.h"

namespace {

using edit_test::Owned;

// A stand-alone editor as far as styles go: a container with editor styles.
class TTestEditContainer : public TcxContainer {
  RTL_CLASS(TTestEditContainer, TcxContainer)
public:
  explicit TTestEditContainer(TComponent* AOwner) : TcxContainer(AOwner) {}
  TcxContainerStyleClass GetStyleClass() const override { return TcxContainerStyleClass::Of<TcxEditStyle>(); }
  TcxEditStyle* Style(TcxContainerStyleState s) const { return static_cast<TcxEditStyle*>(Styles()->GetStyle(s)); }
};

// The same as the grid's cell editor: in place, so it follows no controller by default.
class TTestInplaceEditContainer : public TTestEditContainer {
  RTL_CLASS(TTestInplaceEditContainer, TTestEditContainer)
public:
  explicit TTestInplaceEditContainer(TComponent* AOwner) : TTestEditContainer(AOwner) {}
  bool IsInplace() const override { return true; }
};

class EditStylesTest : public cxcontainer_test::ContainerTest {
protected:
  void TearDown() override {
    cxEditFinalize();
    ContainerTest::TearDown();
  }
  template <class T = TTestEditContainer>
  T* NewEdit() {
    return New<T>(Form);
  }
  Owned<TcxEditStyleController> NewController() { return Owned<TcxEditStyleController>(New<TcxEditStyleController>(nullptr)); }
};

TEST_F(EditStylesTest, NormalStyleDefaultsAndValueTable) {
  TTestEditContainer* e = NewEdit();
  TcxEditStyle* s = e->Style(cssNormal);
  EXPECT_EQ(s->ButtonStyle(), btsDefault);
  EXPECT_EQ(s->ButtonTransparency(), ebtNone);
  EXPECT_EQ(s->PopupBorderStyle(), epbsDefault);
  EXPECT_TRUE(s->PopupCloseButton());
  EXPECT_EQ(s->GetValueCount(), 13);
  const char* names[] = {"BorderColor", "BorderStyle", "Color",     "Edges",       "Font",
                         "HotTrack",    "Shadow",      "TextColor", "TextStyle",   "TransparentBorder",
                         "ButtonStyle", "ButtonTransparency",       "PopupBorderStyle"};
  for (int i = 0; i < 13; ++i) {
    String name;
    EXPECT_TRUE(s->GetValueName(i, name));
    EXPECT_EQ(name, names[i]);
    int32_t index = -1;
    EXPECT_TRUE(s->FindValueByName(names[i], index));
    EXPECT_EQ(index, i);
  }
  String name = "x";
  EXPECT_FALSE(s->GetValueName(13, name));
  EXPECT_EQ(name, "");
  EXPECT_EQ(s->GetHiddenValues().ToInt(), 6776u);
  EXPECT_FALSE(s->IsPropertyVisible("ButtonTransparency"));
  EXPECT_TRUE(s->IsPropertyVisible("ButtonStyle"));
}

TEST_F(EditStylesTest, ButtonStyleIsPerStateWhileTransparencyAndPopupBorderAreShared) {
  TTestEditContainer* e = NewEdit();
  e->Style(cssHot)->SetButtonStyle(btsHotFlat);
  EXPECT_EQ(e->Style(cssHot)->ButtonStyle(), btsHotFlat);
  EXPECT_EQ(e->Style(cssNormal)->ButtonStyle(), btsDefault);
  EXPECT_EQ(e->Style(cssFocused)->ButtonStyle(), btsDefault);
  // The non-normal states default to the normal style's current value.
  e->Style(cssNormal)->SetButtonStyle(bts3D);
  EXPECT_EQ(e->Style(cssFocused)->ButtonStyle(), bts3D);
  EXPECT_EQ(e->Style(cssDisabled)->ButtonStyle(), bts3D);
  EXPECT_EQ(e->Style(cssHot)->ButtonStyle(), btsHotFlat);

  e->Style(cssFocused)->SetButtonTransparency(ebtInactive);
  e->Style(cssDisabled)->SetPopupBorderStyle(epbsFlat);
  for (TcxContainerStyleState st : {cssNormal, cssFocused, cssDisabled, cssHot}) {
    EXPECT_EQ(e->Style(st)->ButtonTransparency(), ebtInactive) << int(st);
    EXPECT_EQ(e->Style(st)->PopupBorderStyle(), epbsFlat) << int(st);
  }
  EXPECT_TRUE(e->Style(cssNormal)->AssignedValues().Contains(svButtonTransparency));
  EXPECT_FALSE(e->Style(cssFocused)->AssignedValues().Contains(svButtonTransparency));
}

TEST_F(EditStylesTest, StandAloneEditorsFollowTheGlobalControllerInPlaceOnesDoNot) {
  TTestEditContainer* standAlone = NewEdit();
  TTestInplaceEditContainer* inplace = NewEdit<TTestInplaceEditContainer>();
  TcxEditStyleController* global = GetEditStyleController();
  ASSERT_NE(global, nullptr);
  EXPECT_EQ(GetDefaultStyleController(), global);
  EXPECT_EQ(standAlone->Style(cssNormal)->ActiveStyleController(), global);
  EXPECT_EQ(standAlone->Style(cssNormal)->StyleController(), nullptr);  // the default is never streamed
  EXPECT_EQ(inplace->Style(cssNormal)->ActiveStyleController(), nullptr);

  global->StyleFocused()->SetButtonStyle(btsUltraFlat);
  global->Style()->SetButtonTransparency(ebtAlways);
  global->Style()->SetColor(clYellow);
  EXPECT_EQ(standAlone->Style(cssFocused)->ButtonStyle(), btsUltraFlat);
  EXPECT_TRUE(standAlone->Style(cssFocused)->IsValueAssigned(svButtonStyle));
  EXPECT_EQ(standAlone->Style(cssNormal)->ButtonStyle(), btsDefault);
  EXPECT_EQ(standAlone->Style(cssHot)->ButtonTransparency(), ebtAlways);
  EXPECT_EQ(standAlone->Style(cssNormal)->Color(), clYellow);
  EXPECT_EQ(inplace->Style(cssFocused)->ButtonStyle(), btsDefault);
  EXPECT_FALSE(inplace->Style(cssFocused)->IsValueAssigned(svButtonStyle));
  EXPECT_EQ(inplace->Style(cssNormal)->ButtonTransparency(), ebtNone);
}

TEST_F(EditStylesTest, ResolutionGoesThroughTheControllerChain) {
  auto a = NewController();
  auto b = NewController();
  a->Style()->SetStyleController(b.get());
  b->StyleHot()->SetButtonStyle(btsOffice11);
  b->Style()->SetPopupBorderStyle(epbsFrame3D);
  TTestEditContainer* e = NewEdit();
  e->Style(cssNormal)->SetStyleController(a.get());
  EXPECT_EQ(e->Style(cssHot)->ButtonStyle(), btsOffice11);
  EXPECT_TRUE(e->Style(cssHot)->IsValueAssigned(svButtonStyle));
  EXPECT_EQ(e->Style(cssNormal)->PopupBorderStyle(), epbsFrame3D);
  EXPECT_TRUE(e->Style(cssNormal)->IsValueAssigned(svPopupBorderStyle));
  EXPECT_FALSE(e->Style(cssNormal)->IsValueAssigned(svButtonTransparency));
  // The nearer controller wins.
  a->StyleHot()->SetButtonStyle(btsFlat);
  EXPECT_EQ(e->Style(cssHot)->ButtonStyle(), btsFlat);
  // A controller that goes away leaves the global one in its place.
  a.reset();
  EXPECT_EQ(e->Style(cssNormal)->StyleController(), nullptr);
  EXPECT_EQ(e->Style(cssHot)->ButtonStyle(), btsDefault);
}

TEST_F(EditStylesTest, ClearingTheBitFallsBackToTheControllerOrTheDefault) {
  auto c = NewController();
  TTestEditContainer* e = NewEdit();
  TcxEditStyle* s = e->Style(cssNormal);
  s->SetButtonStyle(btsSimple);
  EXPECT_EQ(s->ButtonStyle(), btsSimple);
  TcxContainerStyleValues v = s->AssignedValues();
  v.Exclude(svButtonStyle);
  s->SetAssignedValues(v);
  EXPECT_EQ(s->ButtonStyle(), btsDefault);
  s->SetStyleController(c.get());
  c->Style()->SetButtonStyle(bts3D);
  EXPECT_EQ(s->ButtonStyle(), bts3D);
  EXPECT_EQ(s->StyleController(), c.get());
  s->SetStyleController(nullptr);
}

TEST_F(EditStylesTest, WritingTheSameAssignedValueDoesNotNotify) {
  TTestEditContainer* e = NewEdit();
  int changes = 0;
  struct Counter : TObject {
    int* n;
    void Hit(TObject*) { ++*n; }
  } counter;
  counter.n = &changes;
  e->Styles()->SetOnChanged(TNotifyEvent(&counter, &Counter::Hit));
  e->Style(cssNormal)->SetButtonStyle(btsFlat);
  e->Style(cssNormal)->SetButtonStyle(btsFlat);
  e->Style(cssFocused)->SetButtonTransparency(ebtAlways);  // reported by the normal style
  e->Style(cssFocused)->SetButtonTransparency(ebtAlways);
  e->Style(cssHot)->SetPopupCloseButton(false);
  e->Style(cssHot)->SetPopupCloseButton(false);
  EXPECT_EQ(changes, 3);
  EXPECT_FALSE(e->Style(cssNormal)->PopupCloseButton());
  EXPECT_FALSE(e->Style(cssDisabled)->PopupCloseButton());
  e->Styles()->SetOnChanged(TNotifyEvent());
}

TEST_F(EditStylesTest, AssignCopiesTheEditorValuesWithTheContainerValues) {
  auto c = NewController();
  TcxEditStyle* source = c->Style();
  source->SetButtonStyle(btsHotFlat);
  source->SetButtonTransparency(ebtHideInactive);
  source->SetPopupBorderStyle(epbsSingle);
  source->SetPopupCloseButton(false);
  source->SetBorderColor(clRed);
  TTestEditContainer* e = NewEdit();
  int changes = 0;
  struct Counter : TObject {
    int* n;
    void Hit(TObject*) { ++*n; }
  } counter;
  counter.n = &changes;
  e->Styles()->SetOnChanged(TNotifyEvent(&counter, &Counter::Hit));
  e->SetStyle(source);
  EXPECT_EQ(changes, 1);
  TcxEditStyle* s = e->Style(cssNormal);
  EXPECT_EQ(s->ButtonStyle(), btsHotFlat);
  EXPECT_EQ(s->ButtonTransparency(), ebtHideInactive);
  EXPECT_EQ(s->PopupBorderStyle(), epbsSingle);
  EXPECT_FALSE(s->PopupCloseButton());
  EXPECT_EQ(s->BorderColor(), clRed);
  EXPECT_EQ(s->AssignedValues().ToInt(), source->AssignedValues().ToInt());
  e->Styles()->SetOnChanged(TNotifyEvent());
}

TEST_F(EditStylesTest, StoredValuesTable) {
  TTestEditContainer* e = NewEdit();
  e->Style(cssNormal)->SetButtonStyle(btsFlat);
  e->Style(cssFocused)->SetButtonStyle(bts3D);
  e->Style(cssFocused)->SetButtonTransparency(ebtAlways);
  e->Style(cssNormal)->SetPopupBorderStyle(epbsFlat);
  struct Case {
    TcxContainerStyleState state;
    const char* prop;
    bool stored;
  };
  const Case cases[] = {
      {cssNormal, "ButtonStyle", true},         {cssFocused, "ButtonStyle", true},
      {cssHot, "ButtonStyle", false},           {cssNormal, "ButtonTransparency", true},
      {cssFocused, "ButtonTransparency", false}, {cssNormal, "PopupBorderStyle", true},
      {cssNormal, "BorderStyle", false},
  };
  for (const Case& c : cases) {
    TcxEditStyle* s = e->Style(c.state);
    const TPropInfo* info = GetPropInfo(s, c.prop);
    ASSERT_NE(info, nullptr) << c.prop;
    EXPECT_EQ(IsStoredProp(s, info), c.stored) << c.prop << " " << int(c.state);
  }
}

TEST_F(EditStylesTest, DirectAccessStylesUseNoController) {
  GetEditStyleController()->Style()->SetButtonStyle(btsFlat);
  Owned<TcxEditStyle> s(New<TcxEditStyle>(nullptr, true, cssNormal, nullptr));
  EXPECT_EQ(s->ActiveStyleController(), nullptr);
  EXPECT_EQ(s->ButtonStyle(), btsDefault);
  s->SetButtonStyle(btsSimple);
  EXPECT_EQ(s->ButtonStyle(), btsSimple);
}

TEST_F(EditStylesTest, ControllerStylesAreAssignedThroughItsProperties) {
  auto c = NewController();
  Owned<TcxEditStyle> source(New<TcxEditStyle>(nullptr, true, cssNormal, nullptr));
  source->SetButtonStyle(btsUltraFlat);
  c->SetStyleHot(source.get());
  EXPECT_EQ(c->StyleHot()->ButtonStyle(), btsUltraFlat);
  EXPECT_EQ(c->Style()->ButtonStyle(), btsDefault);
  EXPECT_EQ(c->GetStyleClass(), TcxContainerStyleClass::Of<TcxEditStyle>());
  EXPECT_NE(GetPropInfo(c.get(), "OnStyleChanged"), nullptr);
}

TEST_F(EditStylesTest, FinalizingTheGlobalControllerReturnsStylesToNone) {
  TTestEditContainer* e = NewEdit();
  TcxEditStyleController* global = GetEditStyleController();
  global->Style()->SetButtonStyle(bts3D);
  EXPECT_EQ(e->Style(cssNormal)->ButtonStyle(), bts3D);
  cxEditFinalize();
  EXPECT_EQ(GetDefaultStyleController(), nullptr);
  EXPECT_EQ(e->Style(cssNormal)->ActiveStyleController(), nullptr);
  EXPECT_EQ(e->Style(cssNormal)->ButtonStyle(), btsDefault);
}

}  // namespace
