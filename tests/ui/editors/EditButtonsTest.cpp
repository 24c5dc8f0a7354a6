#include <gtest/gtest.h>

#include <memory>

#include "EditSupport.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxEdit.h"
#include "winapi/Headless.h"

namespace {

using edit_test::Owned;

// Stands for the editor properties: owns the buttons and counts the change notifications.
class TTestButtonsOwner : public TComponent {
  RTL_CLASS(TTestButtonsOwner, TComponent)
public:
  explicit TTestButtonsOwner(TComponent* AOwner) : TComponent(AOwner) {}
  ~TTestButtonsOwner() override { FreeAndNil(Buttons); }
  void AfterConstruction() override {
    inherited::AfterConstruction();
    Buttons = New<TcxEditButtons>(static_cast<TPersistent*>(this));
    Buttons->OnChange = TNotifyEvent(this, &TTestButtonsOwner::ButtonsChanged);
  }
  void Designing(bool v) { SetDesigning(v, false); }
  TcxEditButtons* Buttons = nullptr;
  int Changes = 0;

private:
  void ButtonsChanged(TObject*) { ++Changes; }
};

class EditButtonsTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(320, 240);
    Owner.reset(New<TTestButtonsOwner>(nullptr));
  }
  void TearDown() override {
    Owner.reset();
    headless::Shutdown();
  }
  TcxEditButtons* Buttons() { return Owner->Buttons; }
  Owned<TTestButtonsOwner> Owner;
};

TEST_F(EditButtonsTest, NewButtonHasItsDefaults) {
  TcxEditButton* b = Buttons()->Add();
  EXPECT_EQ(b->Caption(), "");
  EXPECT_FALSE(b->Default());  // not designing
  EXPECT_TRUE(b->Enabled());
  EXPECT_EQ(b->Kind(), bkDown);
  EXPECT_FALSE(b->LeftAlignment());
  EXPECT_TRUE(b->Stretchable());
  EXPECT_EQ(b->TextColor(), clBtnText);
  EXPECT_TRUE(b->Visible());
  EXPECT_EQ(b->Width(), 0);
  EXPECT_FALSE(b->HasGlyph());
  EXPECT_EQ(GetPersistentOwner(Buttons()), Owner.get());
}

TEST_F(EditButtonsTest, SettingDefaultClearsItOnTheOthers) {
  TcxEditButton* a = Buttons()->Add();
  TcxEditButton* b = Buttons()->Add();
  TcxEditButton* c = Buttons()->Add();
  a->SetDefault(true);
  EXPECT_TRUE(a->Default());
  b->SetDefault(true);
  EXPECT_FALSE(a->Default());
  EXPECT_TRUE(b->Default());
  EXPECT_FALSE(c->Default());
  b->SetDefault(false);
  EXPECT_FALSE(a->Default() || b->Default() || c->Default());
}

TEST_F(EditButtonsTest, FirstButtonAddedInTheDesignerBecomesDefault) {
  Owner->Designing(true);
  TcxEditButton* a = Buttons()->Add();
  TcxEditButton* b = Buttons()->Add();
  EXPECT_TRUE(a->Default());
  EXPECT_FALSE(b->Default());
  Buttons()->Clear();
  Owner->Designing(false);
  EXPECT_FALSE(Buttons()->Add()->Default());
}

TEST_F(EditButtonsTest, CaptionShowsWithoutHotkeyPrefixes) {
  TcxEditButton* b = Buttons()->Add();
  const std::pair<const char*, const char*> cases[] = {
      {"&Open", "Open"}, {"A && B", "A & B"}, {"Go&", "Go_"}, {"&Файл", "Файл"}, {"", ""},
  };
  for (const auto& [caption, visible] : cases) {
    b->SetCaption(caption);
    EXPECT_EQ(b->Caption(), caption);
    EXPECT_EQ(b->VisibleCaption(), visible) << caption;
  }
}

TEST_F(EditButtonsTest, EveryRealChangeNotifiesTheOwnerOnce) {
  TcxEditButton* b = Buttons()->Add();
  struct Step {
    const char* name;
    void (*apply)(TcxEditButton*);
    int changes;
  };
  const Step steps[] = {
      {"caption", [](TcxEditButton* x) { x->SetCaption("x"); }, 1},
      {"same caption", [](TcxEditButton* x) { x->SetCaption("x"); }, 0},
      {"enabled", [](TcxEditButton* x) { x->SetEnabled(false); }, 1},
      {"same enabled", [](TcxEditButton* x) { x->SetEnabled(false); }, 0},
      {"kind", [](TcxEditButton* x) { x->SetKind(bkText); }, 1},
      {"left", [](TcxEditButton* x) { x->SetLeftAlignment(true); }, 1},
      {"stretchable", [](TcxEditButton* x) { x->SetStretchable(false); }, 1},
      {"text colour", [](TcxEditButton* x) { x->SetTextColor(clRed); }, 1},
      {"visible", [](TcxEditButton* x) { x->SetVisible(false); }, 1},
      {"width", [](TcxEditButton* x) { x->SetWidth(20); }, 1},
      {"negative width", [](TcxEditButton* x) { x->SetWidth(-5); }, 0},
      {"default", [](TcxEditButton* x) { x->SetDefault(true); }, 1},
      {"glyph dropped", [](TcxEditButton* x) { x->SetGlyph(nullptr); }, 1},
  };
  for (const Step& s : steps) {
    Owner->Changes = 0;
    s.apply(b);
    EXPECT_EQ(Owner->Changes, s.changes) << s.name;
  }
  EXPECT_EQ(b->Width(), 20);
}

TEST_F(EditButtonsTest, EditingTheGlyphInPlaceNotifies) {
  TcxEditButton* b = Buttons()->Add();
  TBitmap* glyph = b->Glyph();
  ASSERT_NE(glyph, nullptr);
  EXPECT_EQ(b->Glyph(), glyph);  // made once
  Owner->Changes = 0;
  glyph->SetSize(4, 4);
  EXPECT_GT(Owner->Changes, 0);
  Owner->Changes = 0;
  glyph->Canvas()->SetPixels(1, 1, clRed);
  EXPECT_GT(Owner->Changes, 0);
  b->SetGlyph(nullptr);
  EXPECT_FALSE(b->HasGlyph());
}

TEST_F(EditButtonsTest, VisibleCountSkipsHiddenButtons) {
  Buttons()->Add();
  Buttons()->Add()->SetVisible(false);
  Buttons()->Add();
  EXPECT_EQ(Buttons()->Count(), 3);
  EXPECT_EQ(Buttons()->GetVisibleCount(), 2);
  EXPECT_EQ(Buttons()->Items(1)->Index(), 1);  // collection indexes stay
}

TEST_F(EditButtonsTest, AssignCopiesEverythingInOneNotification) {
  TcxEditButton* a = Buttons()->Add();
  TcxEditButton* b = Buttons()->Add();
  a->SetCaption("&Go");
  a->SetEnabled(false);
  a->SetKind(bkGlyph);
  a->SetLeftAlignment(true);
  a->SetStretchable(false);
  a->SetTextColor(clRed);
  a->SetWidth(17);
  a->Glyph()->SetSize(3, 2);
  a->SetDefault(true);
  Owner->Changes = 0;
  b->Assign(a);
  EXPECT_EQ(Owner->Changes, 1);
  EXPECT_EQ(b->Caption(), "&Go");
  EXPECT_EQ(b->VisibleCaption(), "Go");
  EXPECT_TRUE(b->Default());
  EXPECT_FALSE(a->Default());  // still at most one
  EXPECT_FALSE(b->Enabled());
  EXPECT_EQ(b->Kind(), bkGlyph);
  EXPECT_TRUE(b->LeftAlignment());
  EXPECT_FALSE(b->Stretchable());
  EXPECT_EQ(b->TextColor(), clRed);
  EXPECT_EQ(b->Width(), 17);
  EXPECT_EQ(b->Glyph()->Width(), 3);
  EXPECT_NE(b->Glyph(), a->Glyph());
}

TEST_F(EditButtonsTest, PublishedPropertiesAreAllStored) {
  TcxEditButton* b = Buttons()->Add();
  for (const char* name : {"Caption", "Default", "Enabled", "Glyph", "Kind", "LeftAlignment", "Stretchable", "Visible",
                           "Width"}) {
    const TPropInfo* info = GetPropInfo(b, name);
    ASSERT_NE(info, nullptr) << name;
    EXPECT_TRUE(IsStoredProp(b, info)) << name;
  }
  EXPECT_EQ(GetPropInfo(b, "TextColor"), nullptr);
}

}  // namespace
