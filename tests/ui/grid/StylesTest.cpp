// Styles: the values a style supplies, resolution of a slot (event style, own style, sheet, defaults), sheets
// and their chains, and the notification of every slot that holds a changed or freed style.

#include <memory>

#include "GridTestSupport.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"

namespace grid_test {
namespace {

// Two slots with known defaults: slot 0 paints red on blue with font A, slot 1 with font B.
class TTestStyles : public TcxStyles {
  RTL_CLASS(TTestStyles, TcxStyles)
  RTL_PUBLISHED_DECL
public:
  using TcxStyles::TcxStyles;
  static TFont* FontA;
  static TFont* FontB;
  std::vector<int32_t> Changed;
  int DefaultsAsked = 0;
  void GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams) override {
    inherited::GetDefaultParams(Index, AData, AParams);
    ++DefaultsAsked;
    AParams.Color = Index == 0 ? clRed : clGreen;
    AParams.TextColor = clBlue;
    AParams.Font = Index == 0 ? FontA : FontB;
  }
  void ValueChanged(int32_t Index) override { Changed.push_back(Index); }
  TcxStyle* Slot0() { return dynamic_cast<TcxStyle*>(GetStyleAt(0)); }
  void SetSlot0(TcxStyle* Value) { SetStyleAt(0, Value); }
  TcxStyle* Slot1() { return dynamic_cast<TcxStyle*>(GetStyleAt(1)); }
  void SetSlot1(TcxStyle* Value) { SetStyleAt(1, Value); }
};
TFont* TTestStyles::FontA = nullptr;
TFont* TTestStyles::FontB = nullptr;

class TTestStyleSheet : public TcxCustomStyleSheet {
  RTL_CLASS(TTestStyleSheet, TcxCustomStyleSheet)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomStyleSheet::TcxCustomStyleSheet;
  TClass GetStylesObjectClass() const override { return TTestStyles::StaticClass(); }
  TTestStyles* TestStyles() const { return static_cast<TTestStyles*>(StylesObject()); }
  void SetTestStyles(TTestStyles* Value) { SetStylesObject(Value); }
};

// A component whose styles object a form streams.
class TStyledComponent : public TComponent {
  RTL_CLASS(TStyledComponent, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TStyledComponent(TComponent* AOwner) : TComponent(AOwner) {}
  void AfterConstruction() override {
    inherited::AfterConstruction();
    FStyles = CreateAs<TTestStyles>(TTestStyles::StaticClass(), this);
  }
  void BeforeDestruction() override {
    FreeAndNil(FStyles);
    inherited::BeforeDestruction();
  }
  TTestStyles* Styles() const { return FStyles; }
  void SetStyles(TTestStyles* Value) { FStyles->Assign(Value); }

private:
  TTestStyles* FStyles = nullptr;
};

// A root that streams every component it owns that has no parent of its own (a data module does).
class TTestRoot : public TComponent {
  RTL_CLASS(TTestRoot, TComponent)
public:
  using TComponent::TComponent;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override {
    for (int32_t i = 0; i < ComponentCount(); ++i)
      if (!Components(i)->HasParent() && Components(i)->Owner() == Root) Proc(Components(i));
  }
};

}  // namespace
}  // namespace grid_test

RTL_PUBLISHED(grid_test::TTestStyles) {
  using C = grid_test::TTestStyles;
  prop("StyleSheet", &C::StyleSheet, &C::SetStyleSheet);
  prop("Slot0", &C::Slot0, &C::SetSlot0);
  prop("Slot1", &C::Slot1, &C::SetSlot1);
}

RTL_PUBLISHED(grid_test::TTestStyleSheet) {
  prop("Styles", &grid_test::TTestStyleSheet::TestStyles, &grid_test::TTestStyleSheet::SetTestStyles);
}

RTL_PUBLISHED(grid_test::TStyledComponent) {
  prop("Styles", &grid_test::TStyledComponent::Styles, &grid_test::TStyledComponent::SetStyles);
}

namespace grid_test {
namespace {

class StylesTest : public GridTest {
protected:
  void SetUp() override {
    GridTest::SetUp();
    TTestStyles::FontA = &FontA;
    TTestStyles::FontB = &FontB;
    Repository = New<TcxStyleRepository>(Form);
    Styles = CreateAs<TTestStyles>(TTestStyles::StaticClass(), nullptr);
  }
  void TearDown() override {
    FreeAndNil(Styles);
    GridTest::TearDown();
  }
  TcxStyle* NewStyle() { return static_cast<TcxStyle*>(Repository->CreateStyle(TcxStyle::StaticClass())); }
  TTestStyleSheet* NewSheet() {
    return static_cast<TTestStyleSheet*>(Repository->CreateStyleSheet(TTestStyleSheet::StaticClass()));
  }
  TFont FontA, FontB;
  TcxStyleRepository* Repository = nullptr;
  TTestStyles* Styles = nullptr;
};

TEST_F(StylesTest, AssignedValuesFollowTheSetters) {
  TcxStyle* style = NewStyle();
  EXPECT_TRUE(style->AssignedValues().Empty());
  style->SetColor(clYellow);
  EXPECT_TRUE(style->AssignedValues().Contains(TcxStyleValue::svColor));
  style->SetColor(clDefault);
  EXPECT_FALSE(style->AssignedValues().Contains(TcxStyleValue::svColor));
  style->SetTextColor(clNavy);
  EXPECT_TRUE(style->AssignedValues().Contains(TcxStyleValue::svTextColor));
  style->Bitmap()->SetSize(4, 4);
  EXPECT_TRUE(style->AssignedValues().Contains(TcxStyleValue::svBitmap));
  style->Bitmap()->Assign(nullptr);
  EXPECT_FALSE(style->AssignedValues().Contains(TcxStyleValue::svBitmap));
  const int32_t size = style->Font()->Size();
  style->Font()->SetSize(size + 2);
  style->Font()->SetSize(size);
  EXPECT_TRUE(style->AssignedValues().Contains(TcxStyleValue::svFont)) << "a font set back still counts";
  style->ResetValues();
  EXPECT_TRUE(style->AssignedValues().Empty());
  EXPECT_EQ(style->TextColor(), clDefault);
}

TEST_F(StylesTest, ResolutionTakesEachValueFromTheFirstThatSuppliesIt) {
  TcxStyle* own = NewStyle();
  TcxStyle* fromEvent = NewStyle();
  TcxStyle* fromSheet = NewStyle();
  TTestStyleSheet* sheet = NewSheet();
  TFont ownFont;
  own->SetFont(&ownFont);
  fromEvent->SetColor(clYellow);
  fromSheet->SetTextColor(clMaroon);
  struct TCase {
    const char* Name;
    std::function<void()> Arrange;
    TcxStyle* EventStyle;
    TColor Color, TextColor;
    TFont* Font;
  };
  const TCase cases[] = {
      {"nothing: all defaults", [&] {}, nullptr, clRed, clBlue, &FontA},
      {"own style's font, the rest defaults", [&] { Styles->SetSlot0(own); }, nullptr, clRed, clBlue, own->Font()},
      {"event style's colour first", [&] { Styles->SetSlot0(own); }, fromEvent, clYellow, clBlue, own->Font()},
      {"the sheet's text colour for the slot",
       [&] {
         Styles->SetSlot0(nullptr);
         sheet->TestStyles()->SetSlot0(fromSheet);
         Styles->SetStyleSheet(sheet);
       },
       fromEvent, clYellow, clMaroon, &FontA},
      // The slot's own style replaces the sheet's style whole; the values it lacks are the defaults.
      {"own style hides the sheet's", [&] { Styles->SetSlot0(own); }, nullptr, clRed, clBlue, own->Font()},
  };
  for (const TCase& c : cases) {
    c.Arrange();
    TcxViewParamsRec params;
    Styles->ResolveViewParams(0, nullptr, c.EventStyle, params);
    EXPECT_EQ(params.Color, c.Color) << c.Name;
    EXPECT_EQ(params.TextColor, c.TextColor) << c.Name;
    EXPECT_EQ(params.Font, c.Font) << c.Name;
    EXPECT_EQ(params.Bitmap, nullptr) << c.Name;
  }
}

TEST_F(StylesTest, AFullySuppliedSlotDoesNotAskForDefaults) {
  TcxStyle* style = NewStyle();
  TFont font;
  style->SetFont(&font);
  style->SetColor(clYellow);
  style->SetTextColor(clNavy);
  Styles->SetSlot0(style);
  Styles->DefaultsAsked = 0;
  TcxViewParamsRec params;
  Styles->ResolveViewParams(0, nullptr, nullptr, params);
  EXPECT_EQ(Styles->DefaultsAsked, 0);
  style->SetAssignedValues(style->AssignedValues() - TcxStyleValue::svColor);
  Styles->ResolveViewParams(0, nullptr, nullptr, params);
  EXPECT_EQ(Styles->DefaultsAsked, 1);
  EXPECT_EQ(params.Color, clRed);
}

TEST_F(StylesTest, ASlotTheSheetSuppliesGetsNoOwnEntryAndFollowsTheSheet) {
  TcxStyle* first = NewStyle();
  TcxStyle* second = NewStyle();
  TTestStyleSheet* sheet = NewSheet();
  sheet->TestStyles()->SetSlot1(first);
  Styles->SetStyleSheet(sheet);
  Styles->SetSlot1(first);
  EXPECT_EQ(Styles->Count(), 0);
  sheet->TestStyles()->SetSlot1(second);
  EXPECT_EQ(Styles->Slot1(), second);
  EXPECT_EQ(Styles->Changed.back(), 1) << "the sheet's change reached its user";
}

TEST_F(StylesTest, ChangesReachEveryHolderAndFreeingAStyleClearsItsSlots) {
  TcxStyle* style = NewStyle();
  TTestStyleSheet* sheet = NewSheet();
  std::unique_ptr<TTestStyles, FreeDeleter> other(CreateAs<TTestStyles>(TTestStyles::StaticClass(), nullptr));
  Styles->SetSlot0(style);
  Styles->SetSlot1(style);
  other->SetSlot1(style);
  sheet->TestStyles()->SetSlot0(style);
  std::unique_ptr<TTestStyles, FreeDeleter> user(CreateAs<TTestStyles>(TTestStyles::StaticClass(), nullptr));
  user->SetStyleSheet(sheet);
  Styles->Changed.clear();
  other->Changed.clear();
  user->Changed.clear();
  style->SetColor(clYellow);
  EXPECT_EQ(Styles->Changed, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(other->Changed, (std::vector<int32_t>{1}));
  EXPECT_EQ(user->Changed, (std::vector<int32_t>{0})) << "through the sheet";
  Styles->Changed.clear();
  other->Changed.clear();
  user->Changed.clear();
  style->Free();
  EXPECT_EQ(Styles->Count(), 0);
  EXPECT_EQ(other->Count(), 0);
  EXPECT_EQ(sheet->TestStyles()->Count(), 0);
  EXPECT_EQ(Styles->Changed, (std::vector<int32_t>{1, 0})) << "each entry once, from the last";
  EXPECT_EQ(other->Changed, (std::vector<int32_t>{1}));
  EXPECT_EQ(user->Changed, (std::vector<int32_t>{0}));
}

TEST_F(StylesTest, ASheetThatWouldCloseACircleOrIsOfAnotherClassIsRefused) {
  TTestStyleSheet* a = NewSheet();
  TTestStyleSheet* b = NewSheet();
  b->TestStyles()->SetStyleSheet(a);
  a->TestStyles()->SetStyleSheet(b);
  EXPECT_EQ(a->TestStyles()->StyleSheet(), nullptr) << "b already draws on a";
  a->TestStyles()->SetStyleSheet(a);
  EXPECT_EQ(a->TestStyles()->StyleSheet(), nullptr) << "a sheet's own styles cannot use it";
  auto* plain = static_cast<TcxCustomStyleSheet*>(Repository->CreateStyleSheet(TcxCustomStyleSheet::StaticClass()));
  Styles->SetStyleSheet(plain);
  EXPECT_EQ(Styles->StyleSheet(), nullptr);
  Styles->SetStyleSheet(b);
  EXPECT_EQ(Styles->StyleSheet(), b);
  b->Free();
  EXPECT_EQ(Styles->StyleSheet(), nullptr) << "a freed sheet lets go of its users";
}

TEST_F(StylesTest, AControlFontChangeNotifiesOnlyTheSlotsPaintingWithIt) {
  TcxStyle* withFont = NewStyle();
  TFont font;
  withFont->SetFont(&font);
  TcxViewParamsRec params;
  Styles->ResolveViewParams(1, nullptr, nullptr, params);  // defaults asked up to slot 1
  Styles->Changed.clear();
  Styles->ControlFontChanged(nullptr, &FontA);
  EXPECT_EQ(Styles->Changed, (std::vector<int32_t>{0}));
  Styles->SetSlot0(withFont);
  Styles->Changed.clear();
  Styles->ControlFontChanged(nullptr, &FontA);
  EXPECT_TRUE(Styles->Changed.empty()) << "the slot's style has its own font";
}

TEST_F(StylesTest, ASheetsCaptionFallsBackToItsName) {
  TTestStyleSheet* sheet = NewSheet();
  sheet->SetName("Sheet1");
  EXPECT_EQ(sheet->Caption(), "Sheet1");
  sheet->SetCaption("Blue");
  EXPECT_EQ(sheet->Caption(), "Blue");
  EXPECT_TRUE(sheet->IsCaptionStored());
  sheet->SetCaption("SHEET1");
  EXPECT_FALSE(sheet->IsCaptionStored());
  EXPECT_FALSE(sheet->BuiltIn());
}

TEST_F(StylesTest, AFormKeepsOnlyTheSlotsSetOnTheOwner) {
  std::unique_ptr<TTestRoot, FreeDeleter> root(New<TTestRoot>(nullptr));
  root->SetName("Root");
  auto* repository = New<TcxStyleRepository>(root.get());
  repository->SetName("Repository");
  auto* style = static_cast<TcxStyle*>(repository->CreateStyleOwnedBy(TcxStyle::StaticClass(), root.get()));
  style->SetName("Style1");
  style->SetColor(clYellow);
  auto* sheet = static_cast<TTestStyleSheet*>(repository->CreateStyleSheetOwnedBy(TTestStyleSheet::StaticClass(), root.get()));
  sheet->SetName("Sheet1");
  sheet->TestStyles()->SetSlot0(style);
  auto* styled = New<TStyledComponent>(root.get());
  styled->SetName("Styled");
  styled->Styles()->SetStyleSheet(sheet);
  styled->Styles()->SetSlot1(style);
  EXPECT_EQ(styled->Styles()->Slot0(), style) << "supplied by the sheet";
  const String text = ComponentToText(root.get());
  const String styledPart = text.substr(text.find("object Styled"));
  EXPECT_NE(styledPart.find("Styles.Slot1 = Style1"), std::string::npos) << text;
  EXPECT_EQ(styledPart.find("Styles.Slot0"), std::string::npos) << text;
  EXPECT_NE(styledPart.find("Styles.StyleSheet = Sheet1"), std::string::npos) << text;
  EXPECT_NE(text.find("BuiltIn = False"), std::string::npos) << text;

  RegisterClasses({TTestRoot::StaticClass(), TStyledComponent::StaticClass(), TTestStyleSheet::StaticClass()});
  std::unique_ptr<TTestRoot, FreeDeleter> copy(New<TTestRoot>(nullptr));
  ReadComponentFromText(text, copy.get());
  auto* copiedRepository = static_cast<TcxStyleRepository*>(copy->FindComponent("Repository"));
  auto* copiedStyled = static_cast<TStyledComponent*>(copy->FindComponent("Styled"));
  ASSERT_TRUE(copiedRepository && copiedStyled);
  EXPECT_EQ(copiedRepository->Count(), 1) << "the style joined the repository it was read under";
  EXPECT_EQ(copiedRepository->StyleSheetCount(), 1);
  ASSERT_NE(copiedStyled->Styles()->Slot1(), nullptr);
  EXPECT_EQ(copiedStyled->Styles()->Slot1()->Color(), clYellow);
  EXPECT_EQ(copiedStyled->Styles()->Slot0(), copiedStyled->Styles()->Slot1()) << "through the copied sheet";
  UnRegisterClasses({TTestRoot::StaticClass(), TStyledComponent::StaticClass(), TTestStyleSheet::StaticClass()});
}

}  // namespace
}  // namespace grid_test
