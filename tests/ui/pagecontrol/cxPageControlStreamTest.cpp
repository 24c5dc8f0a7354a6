// A page control read from and written to the form's text: the active page and the tab selection after
// loading, a disabled active page, and the stored client rectangle.

#include "cxPCSupport.h"
#include "forms/ExtCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/Resources.h"

using namespace pc_test;

namespace {

class TPagesForm : public TForm {
  RTL_CLASS(TPagesForm, TForm)
public:
  using TForm::TForm;
};

String FormText(const char* activePage, bool twoEnabled) {
  String s = "object PagesForm: TPagesForm\n  Left = 10\n  Top = 10\n  Width = 400\n  Height = 300\n";
  s += "  object pcAll: TcxPageControl\n    Left = 0\n    Top = 0\n    Width = 300\n    Height = 200\n";
  s += String("    ActivePage = ") + activePage + "\n    HideTabs = True\n    LookAndFeel.Kind = lfUltraFlat\n";
  s += "    ClientRectBottom = 200\n    ClientRectRight = 300\n    ClientRectTop = 0\n";
  s += "    object tsOne: TcxTabSheet\n      Caption = 'One'\n      object Panel1: TPanel\n        Align = alClient\n"
       "      end\n    end\n";
  s += "    object tsTwo: TcxTabSheet\n      Caption = 'Two'\n      ImageIndex = 1\n      BorderWidth = 4\n";
  if (!twoEnabled) s += "      Enabled = False\n";
  s += "    end\n  end\nend\n";
  return s;
}

class PageControlStreamTest : public PCTest {
protected:
  void SetUp() override {
    PCTest::SetUp();
    RegisterClass(TPagesForm::StaticClass());
    RegisterClass(TcxPageControl::StaticClass());
    RegisterClass(TcxTabSheet::StaticClass());
    RegisterClass(TPanel::StaticClass());
  }
  void TearDown() override {
    UnregisterFormResource("TPagesForm");
    PCTest::TearDown();
  }
  TcxPageControl* Load(const char* activePage, bool twoEnabled) {
    RegisterFormResource("TPagesForm", FormText(activePage, twoEnabled));
    auto* form = New<TPagesForm>(Application);
    form->Show();
    Idle();
    return dynamic_cast<TcxPageControl*>(form->FindComponent("pcAll"));
  }
};

TEST_F(PageControlStreamTest, LoadedActivePageSelectsItsTab) {
  TcxPageControl* pc = Load("tsTwo", true);
  ASSERT_NE(pc, nullptr);
  ASSERT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage()->Name(), "tsTwo");
  EXPECT_EQ(pc->TabIndex(), 1);
  EXPECT_TRUE(pc->HideTabs());
  EXPECT_EQ(pc->LookAndFeel()->Kind(), lfUltraFlat);
  EXPECT_EQ(pc->Tabs()->Text(), "One\r\nTwo\r\n");
  EXPECT_EQ(pc->Pages(1)->Tab()->StoredImageIndex(), 1);
  EXPECT_TRUE(pc->Pages(1)->Visible());
  EXPECT_FALSE(pc->Pages(0)->Visible());
  EXPECT_EQ(RectStr(pc->Pages(1)->BoundsRect()), "0,0,300,200");
}

TEST_F(PageControlStreamTest, DisabledActivePageIsDroppedAfterLoading) {
  TcxPageControl* pc = Load("tsTwo", false);
  ASSERT_NE(pc, nullptr);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_EQ(pc->ActivePageIndex(), -1);
}

TEST_F(PageControlStreamTest, WrittenFormKeepsPagesInOrderAndTheClientRectangle) {
  auto* pc = MakeControl<TcxPageControl>(300, 200);
  pc->SetName("pc");
  for (const char* name : {"a", "b"}) {
    auto* page = New<TcxTabSheet>(Form);
    page->SetName(name);
    page->SetPageControl(pc);
  }
  pc->Pages(1)->SetPageIndex(0);
  const String text = ComponentToText(pc);
  // The test style's page area on a single row of tabs: 20 pixels down from the top.
  EXPECT_NE(text.find("ClientRectBottom = 200"), String::npos) << text;
  EXPECT_EQ(text.find("ClientRectLeft"), String::npos) << text;
  EXPECT_NE(text.find("ClientRectRight = 300"), String::npos) << text;
  EXPECT_NE(text.find("ClientRectTop = 20"), String::npos) << text;
  EXPECT_LT(text.find("object b"), text.find("object a")) << text;
  EXPECT_EQ(text.find("PageIndex"), String::npos) << text;
}

}  // namespace
