// The program's main window bars read from a form's text: the main menu with its two menus, the tool bar's
// group of page buttons, the categories and the function-key shortcuts; and the form written back.

#include "BarItemsSupport.h"
#include "rtl/Filer.h"
#include "rtl/Resources.h"

using namespace baritems_test;

namespace {

class TfmBarsMain : public TForm {
  RTL_CLASS(TfmBarsMain, TForm)
public:
  using TForm::TForm;
};

String Button(const char* name, const char* caption, int category, int shortCut, bool enabled, bool page) {
  String s = String("    object ") + name + ": TdxBarButton\n      Caption = '" + caption + "'\n      Category = " +
             std::to_string(category) + "\n";
  if (!enabled) s += "      Enabled = False\n";
  s += String("      Hint = '") + caption + "'\n      Visible = ivAlways\n";
  if (page) s += "      ButtonStyle = bsChecked\n      GroupIndex = 1\n";
  if (shortCut) s += "      ShortCut = " + std::to_string(shortCut) + "\n";
  return s + "    end\n";
}

String Link(const char* item, bool beginGroup = false) {
  return String("          item\n") + (beginGroup ? "            BeginGroup = True\n" : "") + "            Item = " + item +
         "\n            Visible = True\n          end\n";
}

String Bar(const char* caption, const char* dock, bool mainMenu, const String& links) {
  String s = String("      item\n        AllowClose = False\n        AllowCustomizing = False\n") +
             "        Caption = '" + caption + "'\n        DockControl = " + dock +
             "\n        DockedLeft = 0\n        DockedTop = 0\n        FloatLeft = 0\n        FloatTop = 0\n" +
             "        FloatClientWidth = 0\n        FloatClientHeight = 0\n";
  if (mainMenu) s += "        IsMainMenu = True\n";
  s += "        ItemLinks = <\n" + links.substr(0, links.size() - 1) + ">\n";
  if (mainMenu) s += "        MultiLine = True\n";
  s += String("        Name = '") + caption + "'\n        NotDocking = [dsNone, dsLeft, dsTop, dsRight, dsBottom]\n" +
       "        OneOnRow = True\n        Row = 0\n        UseOwnFont = False\n        Visible = True\n" +
       "        WholeRow = " + (mainMenu ? "True" : "False") + "\n      end";
  return s;
}

String MainFormText() {
  String s = "object fmMain: TfmBarsMain\n  Left = 0\n  Top = 0\n  Width = 648\n  Height = 514\n"
             "  Caption = 'Vorn'\n";
  for (const char* dock : {"dxBarDockControl1", "dxBarDockControl2"})
    s += String("  object ") + dock + ": TdxBarDockControl\n    Left = 0\n    Top = 0\n    Width = 640\n" +
         "    Height = 24\n    Align = dalTop\n    BarManager = dxBarManager\n  end\n";
  s += "  object dxBarManager: TdxBarManager\n    AllowReset = False\n    Bars = <\n";
  s += Bar("Main", "dxBarDockControl1", true, Link("bbProgram") + Link("bbHelp")) + "\n";
  s += Bar("Pages", "dxBarDockControl2", false,
           Link("bbProjects") + Link("bbValidate", true) + Link("bbBackup") + Link("bbRestore") + Link("bbReport", true)) +
       ">\n";
  s += "    CanCustomize = False\n    Categories.Strings = (\n      'Main'\n      'Программа'\n      'Сервис'\n"
       "      'Помощь')\n    Style = bmsFlat\n    UseSystemFont = True\n";
  s += "    object bbProgram: TdxBarSubItem\n      Caption = 'Программа'\n      Category = 0\n      Visible = ivAlways\n"
       "      ItemLinks = <\n" +
       Link("bbOptions") + Link("bbPassword") + Link("bbLogin") + Link("bbExit", true).substr(0, Link("bbExit", true).size() - 1) +
       ">\n    end\n";
  s += "    object bbHelp: TdxBarSubItem\n      Caption = 'Помощь'\n      Category = 0\n      Visible = ivAlways\n"
       "      ItemLinks = <\n" +
       Link("bbHelpExec") + Link("bbAbout", true) + Link("bbWeb").substr(0, Link("bbWeb").size() - 1) + ">\n    end\n";
  s += Button("bbOptions", "Настройки", 1, 0, false, false);
  s += Button("bbPassword", "Смена пароля для входа", 1, 0, false, false);
  s += Button("bbLogin", "Ввести пароль для входа", 1, 0, true, false);
  s += Button("bbExit", "Выход", 1, VK_F10, true, false);
  s += Button("bbHelpExec", "Справка", 3, VK_F1, true, false);
  s += Button("bbAbout", "О программе", 3, 0, true, false);
  s += Button("bbWeb", "Домашняя страница Компании \"Pellwick\"", 3, 0, true, false);
  s += Button("bbProjects", "Проекты", 2, VK_F2, false, true);
  s += Button("bbValidate", "Проверка БД", 2, VK_F7, false, true);
  s += Button("bbBackup", "Резервирование БД", 2, VK_F5, false, true);
  s += Button("bbRestore", "Восстановление БД", 2, VK_F6, false, true);
  s += Button("bbReport", "Отчет", 2, 0, false, true);
  return s + "  end\nend\n";
}

class ProgramBarsTest : public BarItemsTest {
protected:
  void SetUp() override {
    BarItemsTest::SetUp();
    RegisterClass(TfmBarsMain::StaticClass());
    RegisterFormResource("TfmBarsMain", MainFormText());
  }
  void TearDown() override {
    UnregisterFormResource("TfmBarsMain");
    BarItemsTest::TearDown();
  }
  TfmBarsMain* Load() {
    auto* form = New<TfmBarsMain>(Application);
    form->Show();
    headless::RunUntilIdle();
    return form;
  }
  template <class T = TdxBarButton>
  static T* Find(TComponent* form, const char* name) {
    return dynamic_cast<T*>(form->FindComponent(name));
  }
  static std::vector<TdxBarButton*> Pages(TComponent* form) {
    std::vector<TdxBarButton*> v;
    for (const char* n : {"bbProjects", "bbValidate", "bbBackup", "bbRestore", "bbReport"}) v.push_back(Find(form, n));
    return v;
  }
  // The login enables the page buttons and the settings.
  static void Login(TComponent* form) {
    for (TdxBarButton* b : Pages(form)) b->SetEnabled(true);
    Find(form, "bbOptions")->SetEnabled(true);
    Find(form, "bbPassword")->SetEnabled(true);
  }
  // The key as the bar manager offers it: to each bar in turn until one takes it.
  static bool Press(TdxBarManager* m, TShortCut key) {
    for (int32_t i = 0; i < m->Bars()->Count(); ++i)
      if (m->Bars()->Items(i)->HandleShortCut(key)) return true;
    return false;
  }
};

TEST_F(ProgramBarsTest, MenusAndToolBarAreRead) {
  TfmBarsMain* form = Load();
  auto* m = dynamic_cast<TdxBarManager*>(form->FindComponent("dxBarManager"));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Style(), bmsFlat);
  EXPECT_FALSE(m->CanCustomize());
  EXPECT_FALSE(m->AllowReset());
  EXPECT_TRUE(m->UseSystemFont());
  ASSERT_EQ(m->Categories()->Count(), 4);
  EXPECT_EQ(m->Categories()->Strings(1), "Программа");
  EXPECT_EQ(m->Categories()->Strings(3), "Помощь");
  EXPECT_EQ(m->GetItemCount(), 14);
  ASSERT_EQ(m->Bars()->Count(), 2);
  TdxBar* menu = m->Bars()->Items(0);
  TdxBar* pages = m->Bars()->Items(1);
  EXPECT_TRUE(menu->IsMainMenu());
  EXPECT_FALSE(menu->CanClose());
  EXPECT_FALSE(pages->CanClose());
  EXPECT_FALSE(pages->IsDockable());
  EXPECT_EQ(menu->DockControl(), form->FindComponent("dxBarDockControl1"));
  EXPECT_EQ(pages->DockControl(), form->FindComponent("dxBarDockControl2"));
  auto* program = Find<TdxBarSubItem>(form, "bbProgram");
  ASSERT_EQ(program->ItemLinks()->Count(), 4);
  EXPECT_TRUE(program->ItemLinks()->Items(3)->GetBeginGroup());
  EXPECT_EQ(program->ItemLinks()->Items(3)->Item()->Caption(), "Выход");
  auto* help = Find<TdxBarSubItem>(form, "bbHelp");
  EXPECT_EQ(help->ItemLinks()->Items(2)->Item()->Caption(), "Домашняя страница Компании \"Pellwick\"");
  EXPECT_FALSE(Find(form, "bbOptions")->Enabled());
  // The tool bar's page buttons: one group, separators before the validation and the report.
  for (TdxBarButton* b : Pages(form)) {
    EXPECT_EQ(b->ButtonStyle(), bsChecked) << b->Name();
    EXPECT_EQ(b->GroupIndex(), 1) << b->Name();
    EXPECT_EQ(b->Hint(), b->Caption()) << b->Name();
    EXPECT_FALSE(b->Enabled());
  }
  EXPECT_TRUE(pages->ItemLinks()->Items(1)->GetBeginGroup());
  EXPECT_FALSE(pages->ItemLinks()->Items(2)->GetBeginGroup());
  EXPECT_TRUE(pages->ItemLinks()->Items(4)->GetBeginGroup());
  // Every menu link starts as most recently used, so that all of them show.
  EXPECT_EQ(program->ItemLinks()->CalcRecentItemCount(), -1);
}

TEST_F(ProgramBarsTest, FunctionKeysReachTheirItems) {
  TfmBarsMain* form = Load();
  auto* m = dynamic_cast<TdxBarManager*>(form->FindComponent("dxBarManager"));
  std::vector<std::string> clicked;
  m->OnClickItem = TdxBarClickItemEvent([&](TdxBarManager*, TdxBarItem* item) { clicked.push_back(item->Name()); });
  // Before the login the page buttons are disabled; their keys do nothing.
  EXPECT_FALSE(Press(m, ShortCut(VK_F2, {})));
  Login(form);
  const char* expected[] = {"bbHelpExec", "bbProjects", nullptr, nullptr, "bbBackup",
                            "bbRestore",  "bbValidate", nullptr, nullptr, "bbExit"};
  for (int k = 0; k < 10; ++k) {
    clicked.clear();
    const bool handled = Press(m, ShortCut(static_cast<uint16_t>(VK_F1 + k), {}));
    if (expected[k]) {
      EXPECT_TRUE(handled) << "F" << k + 1;
      EXPECT_EQ(clicked, std::vector<std::string>{expected[k]}) << "F" << k + 1;
    } else {
      EXPECT_FALSE(handled) << "F" << k + 1;
      EXPECT_TRUE(clicked.empty()) << "F" << k + 1;
    }
  }
  // The page keys press their buttons in the group; one page button is down at a time.
  std::string downs;
  for (TdxBarButton* b : Pages(form)) downs += b->Down() ? '1' : '0';
  EXPECT_EQ(downs, "01000");  // F7 pressed the validation page last
  Press(m, ShortCut(VK_F7, {}));
  EXPECT_TRUE(Find(form, "bbValidate")->Down());
}

TEST_F(ProgramBarsTest, WrittenFormReadsBackUnchanged) {
  TfmBarsMain* form = Load();
  const String text = ComponentToText(form);
  for (const char* entry : {"object bbProgram: TdxBarSubItem", "ShortCut = 121", "GroupIndex = 1",
                            "ButtonStyle = bsChecked", "Categories.Strings", "Style = bmsFlat", "CanCustomize = False"})
    EXPECT_NE(text.find(entry), String::npos) << entry << "\n" << text;
  EXPECT_EQ(text.find("Down = "), String::npos);
  form->Free();
  RegisterFormResource("TfmBarsMain", text);
  TfmBarsMain* again = Load();
  EXPECT_EQ(ComponentToText(again), text);
  EXPECT_EQ(Find<TdxBarSubItem>(again, "bbHelp")->ItemLinks()->Count(), 3);
}

}  // namespace
