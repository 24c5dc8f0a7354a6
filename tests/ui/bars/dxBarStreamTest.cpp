// A manager with two bars, categories, items and a group read from a form's text and written back; the
// defined properties ("DockControlHeights", the categories' "ItemsVisibles" and "Visibles", a group's
// "Items"); a bar reset from the form's own resource; and damaged form streams.

#include "../../support/MutationLoop.h"
#include "BarsSupport.h"
#include "rtl/Filer.h"
#include "rtl/Resources.h"

using namespace bars_test;

namespace {

class TBarsStreamForm : public TForm {
  RTL_CLASS(TBarsStreamForm, TForm)
public:
  using TForm::TForm;
};

const char* const kFormText = R"(object fmBars: TBarsStreamForm
  Left = 10
  Top = 10
  Width = 500
  Height = 300
  Caption = 'Bars'
  object dxBarDockControl1: TdxBarDockControl
    Left = 0
    Top = 0
    Width = 492
    Height = 48
    Align = dalTop
    BarManager = dxBarManager1
  end
  object dxBarManager1: TdxBarManager
    Bars = <
      item
        Caption = 'Menu'
        DockControl = dxBarDockControl1
        DockedLeft = 0
        DockedTop = 0
        FloatLeft = 0
        FloatTop = 0
        FloatClientWidth = 0
        FloatClientHeight = 0
        IsMainMenu = True
        ItemLinks = <
          item
            Item = bbMenu
            Visible = True
          end>
        MultiLine = True
        Name = 'Menu'
        NotDocking = [dsNone, dsLeft, dsTop, dsRight, dsBottom]
        OneOnRow = True
        Row = 0
        UseOwnFont = False
        Visible = True
        WholeRow = True
      end
      item
        Caption = 'Tools'
        DockControl = dxBarDockControl1
        DockedLeft = 0
        DockedTop = 24
        FloatLeft = 0
        FloatTop = 0
        FloatClientWidth = 0
        FloatClientHeight = 0
        ItemLinks = <
          item
            Item = bbOne
            Visible = True
          end
          item
            BeginGroup = True
            Item = bbTwo
            Visible = True
          end
          item
            Item = bbThree
            Visible = False
          end>
        Name = 'Tools'
        OneOnRow = True
        Row = 1
        UseOwnFont = False
        Visible = True
        WholeRow = False
      end>
    Categories.Strings = (
      'Main'
      'Сервис')
    Categories.ItemsVisibles = (
      2
      0)
    Categories.Visibles = (
      True
      False)
    Style = bmsFlat
    UseSystemFont = True
    DockControlHeights = (
      0
      0
      0
      0)
    object bbMenu: TTestMenuItem
      Caption = '&Файл'
      Category = 0
      Visible = ivAlways
    end
    object bbOne: TTestItem
      Caption = 'One'
      Category = 0
      Hint = 'One'
      Visible = ivAlways
      Tag = 30
    end
    object bbTwo: TTestItem
      Caption = 'Two'
      Category = 0
      Visible = ivAlways
      Tag = 40
    end
    object bbThree: TTestItem
      Caption = 'Three'
      Category = 1
      Visible = ivAlways
    end
    object bbHidden: TTestItem
      Caption = 'Hidden'
      Category = 0
      Visible = ivNever
    end
    object dxBarGroup1: TdxBarGroup
      Items = (
        'bbOne'
        'bbTwo')
    end
  end
end
)";

class BarsStreamTest : public BarsTest {
protected:
  void SetUp() override {
    BarsTest::SetUp();
    RegisterClass(TBarsStreamForm::StaticClass());
    RegisterFormResource("TBarsStreamForm", kFormText);
  }
  void TearDown() override {
    UnregisterFormResource("TBarsStreamForm");
    BarsTest::TearDown();
  }
  TBarsStreamForm* Load() {
    auto* form = New<TBarsStreamForm>(Application);
    form->Show();
    Idle();
    return form;
  }
  static TdxBarManager* ManagerOf(TComponent* form) {
    return dynamic_cast<TdxBarManager*>(form->FindComponent("dxBarManager1"));
  }
};

TEST_F(BarsStreamTest, LoadedManagerHasItsBarsDockedAndShown) {
  TBarsStreamForm* form = Load();
  TdxBarManager* m = ManagerOf(form);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Style(), bmsFlat);
  EXPECT_EQ(m->GetItemCount(), 5);
  ASSERT_EQ(m->Bars()->Count(), 2);
  TdxBar* menu = m->Bars()->Items(0);
  TdxBar* tools = m->Bars()->Items(1);
  auto* dock = dynamic_cast<TdxBarDockControl*>(form->FindComponent("dxBarDockControl1"));
  ASSERT_NE(dock, nullptr);
  EXPECT_EQ(dock->BarManager(), m);
  EXPECT_EQ(menu->DockControl(), dock);
  EXPECT_TRUE(menu->Visible());
  EXPECT_TRUE(menu->IsMainMenu());
  EXPECT_EQ(m->MainMenuBar(), menu);
  EXPECT_FALSE(menu->IsDockable());
  EXPECT_TRUE(menu->IsLoadedFromForm());
  EXPECT_TRUE(m->CanReset());
  ASSERT_NE(menu->GetControl(), nullptr);
  ASSERT_NE(tools->GetControl(), nullptr);
  EXPECT_EQ(dock->GetRowCount(), 2);
  EXPECT_EQ(Bounds(menu->GetControl()), "0,0," + std::to_string(dock->ClientWidth()) + ",24");
  EXPECT_EQ(Bounds(tools->GetControl()), "0,24,74,48");
  // The third link is hidden by the user, and its category hides its item too.
  EXPECT_FALSE(tools->ItemLinks()->Items(2)->Visible());
  EXPECT_EQ(m->FindItemByName("bbThree")->Visible(), ivNever);
  EXPECT_EQ(m->GetCategoryItemsVisible(1), ivNever);
  EXPECT_FALSE(m->GetCategoryVisible(1));
  EXPECT_TRUE(tools->ItemLinks()->Items(1)->GetBeginGroup());
  // A Visible read while loading shows only once the manager finished.
  EXPECT_EQ(m->FindItemByName("bbHidden")->Visible(), ivNever);
  ASSERT_EQ(m->GroupCount(), 1);
  EXPECT_EQ(m->Groups(0)->MemberCount(), 2);
  EXPECT_EQ(m->Groups(0)->Members(1), m->FindItemByName("bbTwo"));
  EXPECT_EQ(m->ReadStateCount(), 1);
}

TEST_F(BarsStreamTest, WrittenFormReadsBackToTheSameText) {
  TBarsStreamForm* form = Load();
  const String text = ComponentToText(form);
  for (const char* entry : {"object dxBarManager1: TdxBarManager", "Categories.ItemsVisibles", "Categories.Visibles",
                            "DockControlHeights", "object dxBarGroup1: TdxBarGroup", "Items = (", "IsMainMenu = True",
                            "UseSystemFont = True", "object bbOne: TTestItem"})
    EXPECT_NE(text.find(entry), String::npos) << entry << "\n" << text;
  // Defaults are not written.
  for (const char* absent : {"AllowReset", "ButtonArrowWidth", "WaitForDockingTime", "MostRecentItemsPercents",
                             "DockingStyle = ", "DockColor"})
    EXPECT_EQ(text.find(absent), String::npos) << absent << "\n" << text;
  // The names come before the lists that follow them.
  EXPECT_LT(text.find("Categories.Strings"), text.find("Categories.ItemsVisibles"));
  // Items are written inside the manager, after its properties; the manager after the dock.
  EXPECT_LT(text.find("object dxBarDockControl1"), text.find("object dxBarManager1"));
  form->Free();
  RegisterFormResource("TBarsStreamForm", text);
  TBarsStreamForm* again = Load();
  EXPECT_EQ(ComponentToText(again), text);
  TdxBarManager* m = ManagerOf(again);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Bars()->Count(), 2);
  EXPECT_EQ(m->GetCategoryItemsVisible(1), ivNever);
}

TEST_F(BarsStreamTest, DocksReadAfterTheManagerStillTakeTheirBars) {
  String text = kFormText;
  const size_t from = text.find("  object dxBarDockControl1");
  const size_t to = text.find("  object dxBarManager1");
  const String dock = text.substr(from, to - from);
  text.erase(from, to - from);
  text.insert(text.rfind("end"), dock);
  RegisterFormResource("TBarsStreamForm", text);
  TBarsStreamForm* form = Load();
  TdxBarManager* m = ManagerOf(form);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Bars()->Items(0)->DockControl(), form->FindComponent("dxBarDockControl1"));
  EXPECT_NE(m->Bars()->Items(1)->GetControl(), nullptr);
}

TEST_F(BarsStreamTest, DockControlHeightsSizeTheImplicitDocks) {
  String text = kFormText;
  const String from = "DockControlHeights = (\n      0\n      0\n      0\n      0)";
  const size_t at = text.find(from);
  ASSERT_NE(at, String::npos);
  text.replace(at, from.size(), "DockControlHeights = (\n      7\n      8\n      9\n      10\n      11)");
  RegisterFormResource("TBarsStreamForm", text);
  auto* form = New<TBarsStreamForm>(Application);
  TdxBarManager* m = ManagerOf(form);
  ASSERT_NE(m, nullptr);
  // The implicit docks have no bars: their sizes are read, then the layout shrinks them again.
  const String written = ComponentToText(form);
  EXPECT_NE(written.find("DockControlHeights = (\r\n      0\r\n      0\r\n      0\r\n      0)"), String::npos)
      << written;
}

TEST_F(BarsStreamTest, ResetTakesTheBarBackToTheFormsDesign) {
  TBarsStreamForm* form = Load();
  TdxBarManager* m = ManagerOf(form);
  TdxBar* tools = m->Bars()->Items(1);
  tools->ItemLinks()->Delete(0);
  tools->ItemLinks()->AddItem(m->FindItemByName("bbHidden"));
  std::vector<std::string> events;
  m->OnBarBeforeReset = TdxBarEvent([&](TdxBarManager*, TdxBar*) { events.push_back("before"); });
  m->OnBarAfterReset = TdxBarEvent([&](TdxBarManager*, TdxBar*) { events.push_back("after"); });
  tools->Reset();
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
  ASSERT_EQ(tools->ItemLinks()->Count(), 3);
  EXPECT_EQ(tools->ItemLinks()->Items(0)->Item(), m->FindItemByName("bbOne"));
  EXPECT_EQ(tools->ItemLinks()->Items(2)->Item(), m->FindItemByName("bbThree"));
  EXPECT_FALSE(tools->ItemLinks()->Items(2)->Visible());
  EXPECT_TRUE(tools->Visible());
  // Nothing of the design copy stays behind.
  EXPECT_EQ(BarManagerCount(), 1);
}

TEST_F(BarsStreamTest, ConfirmAndResetAsksFirst) {
  TBarsStreamForm* form = Load();
  TdxBar* tools = ManagerOf(form)->Bars()->Items(1);
  tools->ItemLinks()->Delete(0);
  Application->SetTitle("Vorn");
  String seen;
  headless::WhenIdle([&] {
    HWND box = headless::ActiveWindow();
    char buffer[512] = {};
    GetWindowText(box, buffer, sizeof(buffer));
    seen = buffer;
    EXPECT_TRUE(headless::ClickButton(box, "Отмена"));
  });
  tools->ConfirmAndReset();
  EXPECT_EQ(tools->ItemLinks()->Count(), 2);
  EXPECT_EQ(seen, "Vorn");
  headless::WhenIdle([] { EXPECT_TRUE(headless::ClickButton(headless::ActiveWindow(), "OK")); });
  tools->ConfirmAndReset();
  EXPECT_EQ(tools->ItemLinks()->Count(), 3);
}

TEST_F(BarsStreamTest, DamagedFormStreamsFailCleanly) {
  const String binary = ObjectTextToBinary(String(kFormText));
  mutation::Limits limits;
  limits.Inputs = 400;
  mutation::Run(
      binary,
      [](const std::string& input) {
        auto* form = New<TForm>(nullptr, 0);
        try {
          TStringStream stream(input);
          ReadComponentFromStream(&stream, form);
        } catch (...) {
          form->Free();
          throw;
        }
        form->Free();
      },
      limits);
  EXPECT_EQ(BarManagerCount(), 0);
  EXPECT_EQ(BarControlCount(), 0);
}

}  // namespace
