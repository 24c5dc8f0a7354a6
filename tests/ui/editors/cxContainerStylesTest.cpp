#include "cxContainerTestSupport.h"

#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/TypInfo.h"

using namespace cxcontainer_test;

namespace {

// A container whose colour follows its parent unless a style says otherwise (as check boxes do).
class TParentColoredContainer : public TcxContainer {
  RTL_CLASS(TParentColoredContainer, TcxContainer)
public:
  using TcxContainer::TcxContainer;
  bool DefaultParentColor() const override { return true; }
};

// A container that hides Shadow from its styles.
class TNoShadowContainer : public TcxContainer {
  RTL_CLASS(TNoShadowContainer, TcxContainer)
public:
  using TcxContainer::TcxContainer;
  TcxContainerStyleValues GetHiddenStyleValues() const override { return {svShadow}; }
};

// A container serving as a grid cell's editor.
class TInplaceContainer : public TcxContainer {
  RTL_CLASS(TInplaceContainer, TcxContainer)
public:
  using TcxContainer::TcxContainer;
  bool IsInplace() const override { return true; }
};

class cxContainerStylesTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    Container = New<TcxContainer>(Form);
    Container->SetParent(Form);
  }
  TcxContainer* Container = nullptr;
  TcxContainerStyle* S(TcxContainerStyleState s) { return Container->Styles()->GetStyle(s); }
};

TEST_F(cxContainerStylesTest, NonNormalBorderStyleFollowsTheNormalStyleByTable) {
  const TcxContainerBorderStyle expected[7][3] = {
      // focused, disabled, hot for none, single, thick, flat, 3D, ultra-flat, Office11
      {cbsFlat, cbsNone, cbsFlat},          {cbsThick, cbsSingle, cbsThick}, {cbsThick, cbsThick, cbsThick},
      {cbs3D, cbsFlat, cbs3D},              {cbs3D, cbs3D, cbs3D},           {cbsUltraFlat, cbsUltraFlat, cbsUltraFlat},
      {cbsOffice11, cbsOffice11, cbsOffice11},
  };
  for (int n = 0; n < 7; ++n) {
    S(cssNormal)->SetBorderStyle(static_cast<TcxContainerBorderStyle>(n));
    EXPECT_EQ(S(cssFocused)->BorderStyle(), expected[n][0]) << n;
    EXPECT_EQ(S(cssDisabled)->BorderStyle(), expected[n][1]) << n;
    EXPECT_EQ(S(cssHot)->BorderStyle(), expected[n][2]) << n;
  }
  // An own value wins over the table.
  S(cssFocused)->SetBorderStyle(cbsNone);
  EXPECT_EQ(S(cssFocused)->BorderStyle(), cbsNone);
}

TEST_F(cxContainerStylesTest, NormalBorderStyleDefaultsByLookAndFeelKind) {
  const std::pair<TcxLookAndFeelKind, TcxContainerBorderStyle> cases[] = {
      {lfFlat, cbsFlat}, {lfStandard, cbs3D}, {lfUltraFlat, cbsUltraFlat}, {lfOffice11, cbsOffice11}};
  for (auto [kind, border] : cases) {
    S(cssNormal)->LookAndFeel()->SetKind(kind);
    EXPECT_EQ(S(cssNormal)->BorderStyle(), border) << int(kind);
  }
}

TEST_F(cxContainerStylesTest, DefaultsOfEachState) {
  Container->SetParentColor(false);
  Container->GetStyle()->Font()->SetColor(clRed);
  Container->GetStyle()->Font()->SetStyle({fsBold});
  struct Case {
    TcxContainerStyleState state;
    TColor border, color, text;
    TFontStyles textStyle;
  } cases[] = {
      {cssNormal, clWindowFrame, clWindow, clRed, {fsBold}},
      {cssFocused, clWindowFrame, clWindow, clRed, {fsBold}},
      {cssDisabled, clBtnShadow, clBtnFace, clBtnShadow, {fsBold}},
      {cssHot, clWindowFrame, clWindow, clRed, {fsBold}},
  };
  for (const Case& c : cases) {
    TcxContainerStyle* s = S(c.state);
    EXPECT_EQ(s->BorderColor(), c.border) << int(c.state);
    EXPECT_EQ(s->Color(), c.color) << int(c.state);
    EXPECT_EQ(s->TextColor(), c.text) << int(c.state);
    EXPECT_EQ(s->TextStyle(), c.textStyle) << int(c.state);
    EXPECT_EQ(s->Edges(), cxBordersAll);
    EXPECT_TRUE(s->HotTrack());
    EXPECT_FALSE(s->Shadow());
    EXPECT_TRUE(s->TransparentBorder());
    EXPECT_EQ(s->Font(), S(cssNormal)->Font());
  }
  // The focused and hot styles follow what the normal style has.
  S(cssNormal)->SetColor(clYellow);
  S(cssNormal)->SetBorderColor(clGreen);
  EXPECT_EQ(S(cssFocused)->Color(), clYellow);
  EXPECT_EQ(S(cssHot)->BorderColor(), clGreen);
  EXPECT_EQ(S(cssDisabled)->Color(), clBtnFace);
  EXPECT_EQ(S(cssDisabled)->BorderColor(), clBtnShadow);
}

TEST_F(cxContainerStylesTest, HiddenValuesSetOnAnotherStateChangeTheNormalStyle) {
  TcxContainerStyle* hot = S(cssHot);
  hot->SetEdges({bLeft, bTop});
  hot->SetHotTrack(false);
  hot->SetShadow(true);
  hot->SetTransparentBorder(false);
  TFont f;
  f.SetName("Arial");
  hot->SetFont(&f);
  EXPECT_EQ(hot->AssignedValues(), TcxContainerStyleValues{});
  EXPECT_EQ(S(cssNormal)->AssignedValues(),
            (TcxContainerStyleValues{svEdges, svHotTrack, svShadow, svTransparentBorder, svFont}));
  EXPECT_EQ(S(cssNormal)->Edges(), (TcxBorders{bLeft, bTop}));
  EXPECT_FALSE(S(cssFocused)->HotTrack());
  EXPECT_TRUE(S(cssDisabled)->Shadow());
  EXPECT_FALSE(S(cssNormal)->TransparentBorder());
  EXPECT_EQ(S(cssNormal)->Font()->Name(), "Arial");
  EXPECT_EQ(S(cssNormal)->GetHiddenValues(), cxContainerStyleHiddenValues);
}

TEST_F(cxContainerStylesTest, ControllerChainSuppliesWhatTheStyleDoesNotSet) {
  auto* outer = New<TcxStyleController>(Form);
  auto* inner = New<TcxStyleController>(Form);
  inner->GetStyle()->SetStyleController(outer);
  S(cssNormal)->SetStyleController(inner);
  EXPECT_EQ(S(cssFocused)->StyleController(), inner);

  outer->GetStateStyle(cssFocused)->SetColor(clAqua);
  inner->GetStateStyle(cssDisabled)->SetTextColor(clMaroon);
  outer->GetStateStyle(cssDisabled)->SetTextColor(clNavy);  // the nearer controller wins
  S(cssHot)->SetBorderColor(clLime);
  outer->GetStateStyle(cssHot)->SetBorderColor(clPurple);  // the style's own wins

  EXPECT_EQ(S(cssFocused)->Color(), clAqua);
  EXPECT_TRUE(S(cssFocused)->AssignedValues().Empty());
  EXPECT_TRUE(S(cssFocused)->IsValueAssigned(svColor));
  EXPECT_FALSE(S(cssHot)->IsValueAssigned(svColor));
  EXPECT_EQ(S(cssDisabled)->TextColor(), clMaroon);
  EXPECT_EQ(S(cssHot)->BorderColor(), clLime);
  EXPECT_FALSE(S(cssNormal)->IsValueAssigned(99));

  // The controller's font reaches the style unless the style set its own.
  outer->GetStyle()->Font()->SetName("Tahoma");
  EXPECT_EQ(S(cssNormal)->Font()->Name(), "Tahoma");
  EXPECT_FALSE(S(cssNormal)->AssignedValuesField().Contains(svFont));
}

TEST_F(cxContainerStylesTest, ControllerChangesReachEveryListener) {
  auto* controller = New<TcxStyleController>(Form);
  auto* second = New<TcxContainer>(Form);
  second->SetParent(Form);
  int changes = 0;
  S(cssNormal)->SetStyleController(controller);
  second->GetStyle()->SetStyleController(controller);
  EXPECT_EQ(controller->ListenerCount(), 2);
  second->GetStyle()->OnChanged = TNotifyEvent([&changes](TObject*) { ++changes; });
  controller->GetStyle()->SetColor(clTeal);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(second->GetStyle()->GetEffectiveColor(), clTeal);
  // A style's look-and-feel follows its controller's.
  controller->GetStyle()->LookAndFeel()->SetKind(lfFlat);
  EXPECT_EQ(second->GetStyle()->BorderStyle(), cbsFlat);
}

TEST_F(cxContainerStylesTest, CyclicControllerLinkIsRefused) {
  auto* a = New<TcxStyleController>(Form);
  auto* b = New<TcxStyleController>(Form);
  auto* c = New<TcxStyleController>(Form);
  b->GetStyle()->SetStyleController(a);
  c->GetStyle()->SetStyleController(b);
  struct Case {
    TcxStyleController* target;
    TcxStyleController* link;
    TcxStyleController* expected;
  } cases[] = {
      {a, b, nullptr},  // b already uses a
      {a, c, nullptr},  // c uses b, which uses a
      {a, a, nullptr},  // itself
      {c, a, a},        // no cycle: c moves from b to a
  };
  for (const Case& k : cases) {
    k.target->GetStyle()->SetStyleController(k.link);
    EXPECT_EQ(k.target->GetStyle()->StyleController(), k.expected);
  }
  EXPECT_EQ(b->GetStyle()->StyleController(), a);
}

TEST_F(cxContainerStylesTest, DestroyingAControllerReturnsItsStylesToTheDefault) {
  auto* fallback = New<TcxStyleController>(nullptr);
  SetDefaultStyleController(fallback);
  auto* other = New<TcxContainer>(Form);  // made after the default exists: it listens there
  EXPECT_TRUE(fallback->HasListener(other->GetStyle()));
  EXPECT_EQ(other->GetStyle()->StyleController(), nullptr);

  auto* controller = New<TcxStyleController>(Form);
  controller->GetStateStyle(cssNormal)->SetColor(clFuchsia);
  other->GetStyle()->SetStyleController(controller);
  EXPECT_EQ(other->GetStyle()->GetEffectiveColor(), clFuchsia);
  EXPECT_FALSE(fallback->HasListener(other->GetStyle()));

  controller->Free();
  EXPECT_EQ(other->GetStyle()->StyleController(), nullptr);
  EXPECT_EQ(other->GetStyle()->ActiveStyleController(), fallback);
  EXPECT_TRUE(fallback->HasListener(other->GetStyle()));
  EXPECT_NE(other->GetStyle()->GetEffectiveColor(), clFuchsia);
  EXPECT_EQ(other->GetStyle()->LookAndFeel()->GetMaster(), fallback->GetStyle()->LookAndFeel());

  other->Free();
  EXPECT_EQ(fallback->ListenerCount(), 0);
  SetDefaultStyleController(nullptr);
  fallback->Free();
}

TEST_F(cxContainerStylesTest, ParentColorFollowsTheParentUntilTheStyleSetsAColour) {
  Form->SetColor(clOlive);
  Container->SetParentColor(true);
  EXPECT_EQ(S(cssNormal)->Color(), clOlive);
  EXPECT_EQ(S(cssNormal)->GetEffectiveColor(), clOlive);
  S(cssNormal)->SetColor(clYellow);
  EXPECT_FALSE(Container->ParentColor());
  EXPECT_EQ(Container->Color(), clYellow);
  // Following the parent again drops the style's own colour.
  Container->SetParentColor(true);
  EXPECT_FALSE(S(cssNormal)->AssignedValuesField().Contains(svColor));
  EXPECT_EQ(Container->Color(), clOlive);
}

TEST_F(cxContainerStylesTest, InplaceContainerPaintsWithItsOwnDefaultNotTheParentColour) {
  auto* cell = New<TInplaceContainer>(Form);
  cell->SetParent(Form);
  Form->SetColor(clOlive);
  cell->SetParentColor(true);
  EXPECT_EQ(cell->GetStyle()->Color(), clOlive);
  EXPECT_EQ(cell->GetStyle()->GetEffectiveColor(), clWindow);
}

TEST_F(cxContainerStylesTest, RestoreDefaultsTurnsParentColorBackOnUnlessTheControllerHasAColour) {
  auto* c = New<TParentColoredContainer>(Form);
  c->SetParent(Form);
  for (bool controllerColour : {false, true}) {
    auto* controller = New<TcxStyleController>(Form);
    if (controllerColour) controller->GetStyle()->SetColor(clRed);
    c->GetStyle()->SetStyleController(controller);
    c->GetStyle()->SetColor(clBlue);
    c->GetStyle()->SetShadow(true);
    c->SetParentColor(false);
    c->GetStyle()->RestoreDefaults();
    EXPECT_TRUE(c->GetStyle()->AssignedValuesField().Empty());
    EXPECT_EQ(c->ParentColor(), !controllerColour);
    EXPECT_TRUE(c->ParentFont());
    controller->Free();
  }
  // The default colour of a container that follows its parent.
  c->GetStyle()->SetAssignedValues({});
  c->SetParentColor(false);
  EXPECT_EQ(c->GetStyle()->Color(), clBtnFace);
}

TEST_F(cxContainerStylesTest, ChangesAreReportedOnceAfterTheOutermostUpdate) {
  int changes = 0;
  TcxContainerStyle* s = S(cssFocused);
  s->OnChanged = TNotifyEvent([&changes](TObject*) { ++changes; });
  s->BeginUpdate();
  s->BeginUpdate();
  s->SetColor(clRed);
  s->SetTextColor(clGreen);
  s->EndUpdate();
  EXPECT_EQ(changes, 0);
  s->EndUpdate();
  EXPECT_EQ(changes, 1);
  s->SetColor(clRed);  // assigned and equal: nothing
  EXPECT_EQ(changes, 1);
  s->EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(s->UpdateCount(), 0);
}

TEST_F(cxContainerStylesTest, AssignCopiesStoredValuesAndRefusesOtherSources) {
  auto* controller = New<TcxStyleController>(Form);
  TcxContainerStyle* src = controller->GetStateStyle(cssFocused);
  src->SetColor(clRed);
  src->SetBorderStyle(cbsThick);
  src->SetTextStyle({fsItalic});
  S(cssFocused)->Assign(src);
  EXPECT_EQ(S(cssFocused)->AssignedValuesField(), (TcxContainerStyleValues{svColor, svBorderStyle, svTextStyle}));
  EXPECT_EQ(S(cssFocused)->Color(), clRed);
  EXPECT_EQ(S(cssFocused)->BorderStyle(), cbsThick);
  EXPECT_EQ(S(cssFocused)->TextStyle(), TFontStyles{fsItalic});
  TFont font;
  EXPECT_THROW(S(cssNormal)->Assign(&font), EConvertError);
}

TEST_F(cxContainerStylesTest, DirectAccessModeAnswersStoredValues) {
  TFont font;
  font.SetStyle({fsUnderline});
  TcxContainerStyle* s = New<TcxContainerStyle>(nullptr, true, cssNormal, nullptr);
  s->SetColor(clRed);
  s->SetTextColor(clBlue);
  s->SetFont(&font);
  EXPECT_EQ(s->Font(), &font);
  EXPECT_EQ(s->Color(), clRed);
  EXPECT_EQ(s->GetEffectiveColor(), clRed);
  EXPECT_EQ(s->TextColor(), clBlue);
  EXPECT_EQ(s->TextStyle(), TFontStyles{fsUnderline});
  EXPECT_EQ(s->BorderColor(), clDefault);
  EXPECT_TRUE(s->Edges().Empty());
  EXPECT_FALSE(s->Shadow());
  EXPECT_TRUE(s->TransparentBorder());
  EXPECT_EQ(s->AssignedValues().Count(), 10u);
  s->Free();
}

TEST_F(cxContainerStylesTest, StoredValuesRespectHiddenValues) {
  auto* c = New<TNoShadowContainer>(Form);
  c->GetStyle()->SetShadow(true);
  c->GetStyle()->SetColor(clRed);
  c->GetStyleFocused()->SetColor(clRed);
  EXPECT_FALSE(c->GetStyle()->IsShadowStored());
  EXPECT_TRUE(c->GetStyle()->IsColorStored());
  EXPECT_TRUE(c->GetStyleFocused()->IsColorStored());
  EXPECT_FALSE(c->GetStyleFocused()->IsBorderColorStored());
  EXPECT_TRUE(TcxContainer::CanStoreStyleValue(c, "Color", true));
  EXPECT_FALSE(TcxContainer::CanStoreStyleValue(c, "Edges", true));
  EXPECT_TRUE(TcxContainer::CanStoreStyleValue(c, "Edges", false));
  EXPECT_FALSE(TcxContainer::CanStoreStyleValue(c, "Shadow", false));
  EXPECT_FALSE(c->GetStyle()->IsPropertyVisible("LookAndFeel"));
  EXPECT_TRUE(c->GetStyle()->IsPropertyVisible("Anything"));
  String name;
  EXPECT_TRUE(c->GetStyle()->GetValueName(9, name));
  EXPECT_EQ(name, "TransparentBorder");
  EXPECT_FALSE(c->GetStyle()->GetValueName(10, name));
  EXPECT_EQ(name, "");
}

}  // namespace

namespace {

// A container that publishes its styles as the editors do.
class TPublishedStylesContainer : public TcxContainer {
  RTL_CLASS(TPublishedStylesContainer, TcxContainer)
  RTL_PUBLISHED_DECL
public:
  using TcxContainer::TcxContainer;
};

}  // namespace

RTL_PUBLISHED(TPublishedStylesContainer) {
  prop("Style", &TPublishedStylesContainer::GetStyle, &TPublishedStylesContainer::SetStyle);
  prop("StyleFocused", &TPublishedStylesContainer::GetStyleFocused, &TPublishedStylesContainer::SetStyleFocused);
}

namespace {

TEST_F(cxContainerStylesTest, OnlyAssignedVisibleValuesAreStreamedAndReadBack) {
  RegisterClass(TPublishedStylesContainer::StaticClass());
  auto* c = New<TPublishedStylesContainer>(Form);
  c->SetName("Box");
  c->GetStyle()->SetBorderStyle(cbsThick);
  c->GetStyle()->SetShadow(true);
  c->GetStyleFocused()->SetTextStyle({fsBold});
  String text = ComponentToText(c);
  EXPECT_NE(text.find("Style.BorderStyle = cbsThick"), String::npos) << text;
  EXPECT_NE(text.find("Style.Shadow = True"), String::npos) << text;
  EXPECT_NE(text.find("StyleFocused.TextStyle = [fsBold]"), String::npos) << text;
  EXPECT_EQ(text.find("HotTrack"), String::npos) << text;
  EXPECT_EQ(text.find("StyleFocused.Shadow"), String::npos) << text;
  EXPECT_EQ(text.find("AssignedValues"), String::npos) << text;

  auto* copy = New<TPublishedStylesContainer>(nullptr);
  ReadComponentFromText(text, copy);
  EXPECT_EQ(copy->GetStyle()->BorderStyle(), cbsThick);
  EXPECT_TRUE(copy->GetStyle()->Shadow());
  EXPECT_EQ(copy->GetStyleFocused()->TextStyle(), TFontStyles{fsBold});
  EXPECT_EQ(copy->GetStyleFocused()->AssignedValuesField(), TcxContainerStyleValues{svTextStyle});
  copy->Free();
  UnRegisterClass(TPublishedStylesContainer::StaticClass());
}

}  // namespace
