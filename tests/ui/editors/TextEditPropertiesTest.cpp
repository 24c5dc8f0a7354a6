// The text editor's settings and its painted view, without a control: display texts, password echo,
// character case, lookup-list acceptance, number formats with thousand separators, text offsets and flags.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "ui/editors/cxTextEdit.h"
#include "winapi/Headless.h"

namespace {

using edit_test::Owned;

const char* const kNbsp = "\xC2\xA0";

// A number kind: bounds, formats and thousand separators as the number editors use them.
class TTextEditNumberProperties : public TcxCustomTextEditProperties {
  RTL_CLASS(TTextEditNumberProperties, TcxCustomTextEditProperties)
public:
  using TcxCustomTextEditProperties::TcxCustomTextEditProperties;
  bool SupportsValueBounds() override { return true; }
  bool IsThousandSeparatorUsed() override { return Thousands; }
  bool Thousands = false;
};

// A list kind: typed text must be one of the lookup items.
class TTextEditListProperties : public TcxCustomTextEditProperties {
  RTL_CLASS(TTextEditListProperties, TcxCustomTextEditProperties)
public:
  using TcxCustomTextEditProperties::TcxCustomTextEditProperties;
  TcxEditEditingStyle GetEditingStyle() override { return Style; }
  bool UsesLookupData() override { return true; }
  TcxEditEditingStyle Style = esEditList;
};

class TTextEditChangeCounter : public TObject {
public:
  void On(TObject*) { ++Count; }
  int Count = 0;
};

class TextEditPropertiesTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(320, 240);
    SetFormatSettings(TFormatSettings::Russian());
  }
  void TearDown() override {
    SetFormatSettings(TFormatSettings::Russian());
    cxEditFinalize();
    DoneEditPaintUtils();
    headless::Shutdown();
  }
  static String Shown(TcxCustomTextEditProperties* AProperties, const Variant& AValue, bool AFocused = false) {
    return AProperties->GetDisplayTextFor(AValue, AFocused);
  }
};

struct TextEditDisplayCase {
  const char* name;
  TEditCharCase charCase;
  TcxEditEchoMode echo;
  char passwordChar;
  Variant value;
  const char* shown;
};

TEST_F(TextEditPropertiesTest, DisplayTextAppliesEchoModeAndCharCase) {
  const std::vector<TextEditDisplayCase> cases = {
      {"plain", ecNormal, eemNormal, 0, Variant(String("Abc")), "Abc"},
      {"upper latin", ecUpperCase, eemNormal, 0, Variant(String("Abc")), "ABC"},
      {"lower latin", ecLowerCase, eemNormal, 0, Variant(String("AbC")), "abc"},
      {"upper cyrillic", ecUpperCase, eemNormal, 0, Variant(String("привет")), "ПРИВЕТ"},
      {"lower cyrillic", ecLowerCase, eemNormal, 0, Variant(String("ПаРоль")), "пароль"},
      {"password asterisks", ecNormal, eemPassword, 0, Variant(String("abc")), "***"},
      // One password character per character, not per byte of the UTF-8 text.
      {"password cyrillic", ecNormal, eemPassword, '#', Variant(String("пароль")), "######"},
      // The character case does not show through the password.
      {"password ignores case", ecUpperCase, eemPassword, 0, Variant(String("ab")), "**"},
      {"null", ecNormal, eemNormal, 0, Variant::Null(), ""},
      {"number", ecNormal, eemNormal, 0, Variant(int32_t(12)), "12"},
      {"empty password", ecNormal, eemPassword, 0, Variant(String()), ""},
  };
  for (const TextEditDisplayCase& c : cases) {
    Owned<TcxTextEditProperties> p(New<TcxTextEditProperties>(nullptr));
    p->SetCharCase(c.charCase);
    p->SetEchoMode(c.echo);
    p->SetPasswordChar(c.passwordChar);
    EXPECT_EQ(Shown(p.get(), c.value), String(c.shown)) << c.name;
    EXPECT_EQ(Utf16ToUtf8(p->GetDisplayText(c.value)), String(c.shown)) << c.name;
  }
}

struct TextEditNumberCase {
  const char* name;
  Variant value;
  bool focused;
  const char* displayFormat;
  bool useDisplayFormatWhenEditing;
  bool thousands;
  std::string shown;
};

TEST_F(TextEditPropertiesTest, NumberDisplayTextFollowsFormatsAndFocus) {
  const std::string nb = kNbsp;
  const std::vector<TextEditNumberCase> cases = {
      {"unfocused, no format", Variant(3.5), false, "", false, false, "3,5"},
      {"unfocused with format", Variant(3.5), false, "0.00", false, false, "3,50"},
      // Focused editors show the bare value unless the display format is wanted while editing.
      {"focused ignores display format", Variant(3.5), true, "0.00", false, false, "3,5"},
      {"focused uses display format", Variant(3.5), true, "0.00", true, false, "3,50"},
      {"focused with separators", Variant(1234567.25), true, "", false, true, "1" + nb + "234" + nb + "567,25"},
      {"negative with separators", Variant(-1234.5), true, "", false, true, "-1" + nb + "234,5"},
      {"string value", Variant(String("42")), true, "", false, false, "42"},
      {"null", Variant::Null(), true, "", false, true, ""},
      {"empty text", Variant(String()), false, "0.00", false, false, ""},
  };
  for (const TextEditNumberCase& c : cases) {
    Owned<TTextEditNumberProperties> p(New<TTextEditNumberProperties>(nullptr));
    if (*c.displayFormat) p->SetDisplayFormat(c.displayFormat);
    p->SetUseDisplayFormatWhenEditing(c.useDisplayFormatWhenEditing);
    p->Thousands = c.thousands;
    EXPECT_EQ(Shown(p.get(), c.value, c.focused), String(c.shown)) << c.name;
  }
}

TEST_F(TextEditPropertiesTest, NumberKindRefusesValuesThatAreNoNumbers) {
  Owned<TTextEditNumberProperties> p(New<TTextEditNumberProperties>(nullptr));
  Variant display;
  EXPECT_THROW(p->ConvertToDisplayValue(Variant::FromDateTime(45000.5), display, false), EConvertError);
  try {
    p->ConvertToDisplayValue(Variant::FromDateTime(45000.5), display, false);
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), String("Не могу преобразовать в число"));
  }
}

struct TextEditSeparatorCase {
  std::string text;
  std::string expected;
};

TEST_F(TextEditPropertiesTest, ThousandSeparatorsGoBetweenDigitGroups) {
  const std::string nb = kNbsp;
  const std::vector<TextEditSeparatorCase> cases = {
      {"1234567", "1" + nb + "234" + nb + "567"},
      {"123", "123"},
      {"1234,5678", "1" + nb + "234,5678"},
      {"-1234", "-1" + nb + "234"},
      {"  12345  ", "  12" + nb + "345  "},
      {"1" + nb + "23" + nb + "4567", "1" + nb + "234" + nb + "567"},  // regrouped after an edit
      {"12345E10", "12" + nb + "345E10"},
      {"", ""},
  };
  for (const TextEditSeparatorCase& c : cases) {
    EXPECT_EQ(InsertThousandSeparators(c.text), String(c.expected)) << c.text;
    EXPECT_EQ(RemoveThousandSeparators(InsertThousandSeparators(c.text)),
              RemoveThousandSeparators(c.text)) << c.text;
  }
}

struct TextEditListCase {
  const char* name;
  TcxEditEditingStyle style;
  TEditCharCase charCase;
  const char* typed;
  bool accepted;
  const char* result;
};

TEST_F(TextEditPropertiesTest, ListStylesAcceptOnlyLookupItems) {
  const std::vector<TextEditListCase> cases = {
      {"capitals match a small item", esEditList, ecNormal, "APPLE", true, "APPLE"},
      {"case applied when accepted", esEditList, ecLowerCase, "APPLE", true, "apple"},
      {"cyrillic ignoring case", esFixedList, ecNormal, "ГРУША", true, "ГРУША"},
      {"not an item", esEditList, ecNormal, "plum", false, "plum"},
      {"empty always accepted", esFixedList, ecNormal, "", true, ""},
      {"free typing accepts anything", esEdit, ecUpperCase, "plum", true, "PLUM"},
  };
  for (const TextEditListCase& c : cases) {
    Owned<TTextEditListProperties> p(New<TTextEditListProperties>(nullptr));
    p->Style = c.style;
    p->SetCharCase(c.charCase);
    p->LookupItems()->Add("apple");
    p->LookupItems()->Add("груша");
    Variant value{String(c.typed)};
    EXPECT_EQ(p->NormalizeEditValue(value, true), c.accepted) << c.name;
    EXPECT_EQ(VarToStr(value), String(c.result)) << c.name;
    Variant check{String(c.typed)};
    EXPECT_EQ(p->IsEditValueValid(check, true), c.accepted) << c.name;
  }
}

TEST_F(TextEditPropertiesTest, AssignedValuesAndEffectiveSettings) {
  Owned<TTextEditNumberProperties> p(New<TTextEditNumberProperties>(nullptr));
  TTextEditChangeCounter counter;
  int& changes = counter.Count;
  p->OnPropertiesChanged = TNotifyEvent(&counter, &TTextEditChangeCounter::On);
  EXPECT_FALSE(p->AssignedValues()->MaxLength());
  p->SetMaxLength(-5);
  EXPECT_EQ(p->MaxLength(), 0);
  EXPECT_TRUE(p->AssignedValues()->MaxLength());
  EXPECT_EQ(changes, 1);
  p->SetMaxLength(0);  // unchanged and assigned: no notification
  EXPECT_EQ(changes, 1);
  p->SetMinValue(5);
  p->SetMaxValue(5);
  EXPECT_FALSE(p->HasValueBounds());  // equal bounds switch checking off
  p->SetMaxValue(10);
  EXPECT_TRUE(p->HasValueBounds());
  p->AssignedValues()->RestoreDefaults();
  EXPECT_FALSE(p->AssignedValues()->MaxValue());
  EXPECT_EQ(p->MaxValue(), 0);

  Owned<TcxTextEditProperties> a(New<TcxTextEditProperties>(nullptr));
  a->SetEchoMode(eemPassword);
  a->SetPasswordChar('#');
  a->SetMaxLength(7);
  a->SetCharCase(ecUpperCase);
  a->LookupItems()->Add("b");
  a->LookupItems()->Add("a");
  a->SetLookupItemsSorted(true);
  Owned<TcxTextEditProperties> b(New<TcxTextEditProperties>(nullptr));
  b->Assign(a.get());
  EXPECT_EQ(b->EchoMode(), eemPassword);
  EXPECT_EQ(b->PasswordChar(), '#');
  EXPECT_EQ(b->MaxLength(), 7);
  EXPECT_TRUE(b->AssignedValues()->MaxLength());
  EXPECT_EQ(b->CharCase(), ecUpperCase);
  EXPECT_TRUE(b->LookupItemsSorted());
  EXPECT_EQ(b->LookupItems()->Text(), String("a\r\nb\r\n"));
}

TEST_F(TextEditPropertiesTest, ValueBoundsProduceTheOutOfBoundsError) {
  Owned<TTextEditNumberProperties> p(New<TTextEditNumberProperties>(nullptr));
  p->SetMinValue(0);
  p->SetMaxValue(10);
  struct Case {
    Variant value;
    bool error;
  };
  for (const Case& c : {Case{Variant(5.0), false}, Case{Variant(12.0), true}, Case{Variant(-1), true},
                        Case{Variant(String("abc")), false}}) {
    Variant display = c.value;
    String text;
    bool error = false;
    p->CheckDisplayValue(display, text, nullptr, error);
    EXPECT_EQ(error, c.error) << VarToStr(c.value);
    if (c.error) {
      EXPECT_EQ(text, String("Значение выходит за допустимые границы"));
    }
  }
  p->SetMaxValue(0);  // no bounds: nothing is out of them
  Variant display{12.0};
  String text;
  bool error = false;
  p->CheckDisplayValue(display, text, nullptr, error);
  EXPECT_FALSE(error);
}

TEST_F(TextEditPropertiesTest, ViewStyleMapsToButtonsViewStyleAndHideCursor) {
  Owned<TcxTextEditProperties> p(New<TcxTextEditProperties>(nullptr));
  struct Case {
    TcxTextEditViewStyle style;
    TcxEditButtonsViewStyle buttons;
    bool hideCursor;
    TcxEditEditingStyle editing;
  };
  for (const Case& c : {Case{vsHideCursor, bvsNormal, true, esNoEdit}, Case{vsButtonsOnly, bvsButtonsOnly, true, esNoEdit},
                        Case{vsButtonsAutoWidth, bvsButtonsAutoWidth, true, esNoEdit},
                        Case{vsNormal, bvsNormal, false, esEdit}}) {
    p->SetViewStyle(c.style);
    EXPECT_EQ(p->ViewStyle(), c.style);
    EXPECT_EQ(p->ButtonsViewStyle(), c.buttons);
    EXPECT_EQ(p->HideCursor(), c.hideCursor);
    EXPECT_EQ(p->GetEditingStyle(), c.editing);
  }
  EXPECT_EQ(p->GetSupportedOperations(), 174u);
  p->Buttons()->Add();
  EXPECT_EQ(p->GetSupportedOperations(), 190u);
}

// ---- the view without a control ------------------------------------------------------------------------

class TextEditViewTest : public edit_test::PaintTest {
protected:
  void SetUp() override {
    PaintTest::SetUp();
    Properties.reset(New<TcxTextEditProperties>(nullptr));
    Style.reset(New<TcxEditStyle>(nullptr, false, cssNormal, nullptr));
    Style->SetBorderStyle(cbsSingle);
    Style->SetShadow(false);
    Style->SetTransparentBorder(false);
    Style->SetColor(clWindow);
    Style->LookAndFeel()->SetNativeStyle(false);
    Style->Font()->SetName("Courier New");
    Style->Font()->SetHeight(-13);
    Canvas.reset(New<TcxCanvas>(A->Canvas()));
  }
  void TearDown() override {
    Canvas.reset();
    Style.reset();
    Properties.reset();
    cxEditFinalize();
    PaintTest::TearDown();
  }
  // Lays out a view info for bounds and paints the value into it, as a grid cell or an inactive editor.
  TcxCustomTextEditViewInfo* Layout(const RECT& ABounds, const Variant& AValue, bool AInplace = false) {
    Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), AInplace));
    auto* textData = static_cast<TcxCustomTextEditViewData*>(data.get());
    auto* info = CreateAs<TcxCustomTextEditViewInfo>(Properties->GetViewInfoClass());
    data->CalculateEditRects(Canvas.get(), ABounds, false, info, {}, mbLeft, POINT{-1, -1});
    textData->SetDrawTextFromValue(AValue, info);
    return info;
  }
  Owned<TcxTextEditProperties> Properties;
  Owned<TcxEditStyle> Style;
  Owned<TcxCanvas> Canvas;
};

struct TextEditOffsetCase {
  const char* name;
  bool inplace;
  TAlignment horz;
  TcxEditVertAlignment vert;
  bool hideCursor;
  RECT offsets;
};

TEST_F(TextEditViewTest, TextOffsetsTable) {
  const std::vector<TextEditOffsetCase> cases = {
      {"stand-alone left", false, taLeftJustify, taTopJustify, false, {1, 1, 1, 3}},
      {"stand-alone right", false, taRightJustify, taTopJustify, false, {1, 1, 2, 3}},
      {"stand-alone centre", false, taCenter, taVCenter, false, {1, 1, 1, 3}},
      {"in-place left", true, taLeftJustify, taTopJustify, false, {1, 1, 1, 1}},
      {"in-place right", true, taRightJustify, taTopJustify, false, {1, 1, 2, 1}},
      {"no typing, top", false, taLeftJustify, taTopJustify, true, {2, 2, 1, 2}},
      {"no typing, centred", false, taLeftJustify, taVCenter, true, {2, 1, 1, 3}},
  };
  for (const TextEditOffsetCase& c : cases) {
    Properties->Alignment()->SetHorz(c.horz);
    Properties->Alignment()->SetVert(c.vert);
    Properties->SetHideCursor(c.hideCursor);
    Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), c.inplace));
    RECT r{};
    static_cast<TcxCustomTextEditViewData*>(data.get())->GetTextOffsets(r);
    EXPECT_EQ(r.left, c.offsets.left) << c.name;
    EXPECT_EQ(r.top, c.offsets.top) << c.name;
    EXPECT_EQ(r.right, c.offsets.right) << c.name;
    EXPECT_EQ(r.bottom, c.offsets.bottom) << c.name;
  }
}

TEST_F(TextEditViewTest, DrawTextFlagsFollowAlignment) {
  struct Case {
    TAlignment horz;
    TcxEditVertAlignment vert;
    uint32_t flags;
  };
  for (const Case& c : {Case{taLeftJustify, taTopJustify, 0x2C0u}, Case{taRightJustify, taBottomJustify, 0x2E2u},
                        Case{taCenter, taVCenter, 0x2D1u}}) {
    Properties->Alignment()->SetHorz(c.horz);
    Properties->Alignment()->SetVert(c.vert);
    Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), false));
    EXPECT_EQ(static_cast<TcxCustomTextEditViewData*>(data.get())->GetDrawTextFlags(), c.flags);
  }
}

// A password editor that is not showing its inner edit paints one asterisk per character, never the text.
TEST_F(TextEditViewTest, PasswordEchoIsPaintedHidden) {
  Properties->SetEchoMode(eemPassword);
  Owned<TcxCustomTextEditViewInfo> info(Layout(RECT{10, 10, 200, 40}, Variant(String("секрет"))));
  EXPECT_EQ(info->Text, String("******"));
  info->Draw(Canvas.get());
  edit_test::WriteArtifact(A.get(), "TextEditPassword");

  // The same layout with the asterisks as the value paints the same pixels.
  Owned<TBitmap> first(New<TBitmap>());
  first->Assign(A.get());
  Clear(A.get());
  Properties->SetEchoMode(eemNormal);
  Owned<TcxCustomTextEditViewInfo> plain(Layout(RECT{10, 10, 200, 40}, Variant(String("******"))));
  plain->Draw(Canvas.get());
  int differences = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (Px(A.get(), x, y) != Px(first.get(), x, y)) ++differences;
  EXPECT_EQ(differences, 0);
}

TEST_F(TextEditViewTest, PaintedTextStartsAtTheTextRectangle) {
  Owned<TcxCustomTextEditViewInfo> info(Layout(RECT{10, 10, 200, 40}, Variant(String("Wx"))));
  // Single border (1) and the text offsets (1, 1): the text starts two pixels inside.
  EXPECT_EQ(info->TextOutRect.left, 12);
  EXPECT_EQ(info->TextOutRect.top, 12);
  EXPECT_EQ(info->TextOutRect.right, 198);
  EXPECT_EQ(info->TextOutRect.bottom, 36);
  info->Draw(Canvas.get());
  // The text lands where plain text output at the rectangle's corner puts it.
  B->Canvas()->Font()->Assign(Style->GetVisibleFont());
  B->Canvas()->TextWidth("x");  // selects the font into the DC
  RefText(12, 12, "Wx");
  auto inkBox = [&](TBitmap* b) {
    RECT box{W, H, -1, -1};
    for (int y = 11; y < 36; ++y)
      for (int x = 11; x < 198; ++x)
        if (Px(b, x, y) != 0xFFFFFF) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x);
          box.bottom = std::max<LONG>(box.bottom, y);
        }
    return box;
  };
  RECT a = inkBox(A.get()), b = inkBox(B.get());
  EXPECT_GE(a.right, a.left);
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.top, b.top);
  EXPECT_EQ(a.right, b.right);
  EXPECT_EQ(a.bottom, b.bottom);
}

TEST_F(TextEditViewTest, SelectionColoursDefaultToHighlight) {
  Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), true));
  auto* textData = static_cast<TcxCustomTextEditViewData*>(data.get());
  Owned<TcxCustomTextEditViewInfo> info(CreateAs<TcxCustomTextEditViewInfo>(Properties->GetViewInfoClass()));
  textData->SelStart = 1;
  textData->SelLength = 2;
  textData->InitSelectionColors(info.get());
  EXPECT_EQ(info->SelTextColor, clHighlightText);
  EXPECT_EQ(info->SelBackgroundColor, clHighlight);
  textData->SelTextColor = static_cast<TColor>(0x0000FF);
  textData->InitSelectionColors(info.get());
  EXPECT_EQ(info->SelTextColor, static_cast<TColor>(0x0000FF));
  EXPECT_EQ(info->SelBackgroundColor, static_cast<TColor>(0xFFFF00));
}

TEST_F(TextEditViewTest, MeasuresOneRowOfText) {
  Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), false));
  SIZE size{};
  data->GetValueContentSize(Canvas.get(), Variant(String("abcd")), size, TcxEditSizeProperties{0, -1});
  A->Canvas()->Font()->Assign(Style->GetVisibleFont());
  int rowHeight = A->Canvas()->TextHeight("Zg");
  EXPECT_EQ(size.cx, A->Canvas()->TextWidth("abcd") + data->GetTextOffsets().x);
  EXPECT_EQ(size.cy, rowHeight + data->GetTextOffsets().y);
  // A limited width breaks the text into rows.
  int width = A->Canvas()->TextWidth("ab") + 1;
  data->GetValueContentSize(Canvas.get(), Variant(String("ab ab ab")), size, TcxEditSizeProperties{0, width});
  EXPECT_EQ(size.cx, width);
  EXPECT_EQ(size.cy, 3 * rowHeight + data->GetTextOffsets().y);
}

}  // namespace
