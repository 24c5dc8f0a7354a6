// Submenus of popup menus and the form's menu bar, driven by the mouse and the keys through the
// application's own loop.

#include "FormsSupport.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Resources.h"
#include "rtl/TypInfo.h"

using namespace ft;

namespace {

// A form that writes the WM_INITMENUPOPUP it hears to the log.
class TMenuForm : public TForm {
  RTL_CLASS(TMenuForm, TForm)
public:
  using TForm::TForm;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_INITMENUPOPUP) Log().push_back("init " + StripHotkey(reinterpret_cast<TMenuItem*>(m.WParam)->Caption()));
    inherited::WndProc(m);
  }
};

struct MenuFixture {
  TMenuForm* Form;
  TTestControl* Ctl;
  std::vector<std::string> Clicked;

  MenuFixture() {
    Form = New<TMenuForm>(Application, 0);
    Form->SetBounds(60, 40, 400, 300);
    Ctl = New<TTestControl>(Form);
    Ctl->SetName("Ctl");
    Ctl->SetBounds(20, 20, 100, 40);
    Ctl->SetParent(Form);
  }
  TMenuItem* Add(TMenuItem* parent, const char* caption, TShortCut sc = 0) {
    auto* item = New<TMenuItem>(Form);
    item->SetCaption(caption);
    item->SetShortCut(sc);
    item->OnClick = [this, item](TObject*) {
      // A parent's OnClick runs before its submenu opens; a leaf's once every menu window is gone.
      std::string name = StripHotkey(item->Caption());
      if (item->Count())
        Clicked.push_back("open " + name);
      else
        Clicked.push_back(name + (TMenu::OpenLevelCount() ? " (menu still open)" : ""));
    };
    parent->Add(item);
    return item;
  }
};

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// The screen point in the middle of the index-th visible item of an open level.
POINT ItemPoint(int level, int index) {
  TMenuItem* parent = TMenu::OpenLevelItem(level);
  int y = 1, seen = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    int h = item->IsLine() ? TMenu::LineHeight : TMenu::ItemHeight;
    if (seen++ == index) {
      POINT p{30, y + h / 2};
      ClientToScreen(TMenu::OpenLevelWindow(level), &p);
      return p;
    }
    y += h;
  }
  ADD_FAILURE() << "no item " << index;
  return POINT{0, 0};
}

// The screen point in the middle of bar item index.
POINT BarPoint(TCustomForm* form, int index) {
  RECT wr;
  GetWindowRect(form->Handle(), &wr);
  RECT bar = form->MenuBarRect();
  RECT item = form->Menu()->BarItemRects().at(static_cast<size_t>(index));
  return POINT{wr.left + bar.left + (item.left + item.right) / 2, wr.top + bar.top + (item.top + item.bottom) / 2};
}

}  // namespace

TEST_F(FormsTest, PopupSubmenusOpenByHoverAndKeysAndCloseOneLevelAtATime) {
  MenuFixture f;
  auto* menu = New<TPopupMenu>(f.Form);
  TMenuItem* file = f.Add(menu->Items(), "&File");
  f.Add(file, "&New");
  f.Add(file, "-");
  f.Add(file, "&Open", ShortCut('O', TShiftState{ssCtrl}));
  TMenuItem* recent = f.Add(file, "&Recent");
  f.Add(recent, "One");
  f.Add(recent, "&Two");
  f.Add(menu->Items(), "&Edit");
  f.Ctl->SetPopupMenu(menu);
  f.Form->Show();
  Pump();

  POINT at = Center(f.Ctl);
  std::vector<int> seen;
  auto note = [&] {
    seen.push_back(TMenu::OpenLevelCount());
    for (int l = 0; l < TMenu::OpenLevelCount(); ++l) seen.push_back(TMenu::OpenLevelHighlight(l));
  };
  RunScript({[&] { headless::Click(at.x, at.y, VK_RBUTTON); },
             [&] {
               POINT p = ItemPoint(0, 0);
               headless::MouseMove(p.x, p.y);
             },
             [&] {
               // Hovering "File" opened its submenu with nothing highlighted; the parent's OnClick ran first.
               ASSERT_EQ(TMenu::OpenLevelCount(), 2);
               EXPECT_EQ(TMenu::OpenLevelItem(1), file);
               note();
               headless::KeyPress(VK_DOWN);
             },
             [&] { headless::KeyPress(VK_DOWN); },  // over the line to "Open"
             [&] { headless::KeyPress(VK_DOWN); },
             [&] {
               note();
               headless::KeyPress(VK_RIGHT);  // opens "Recent" at its first item
             },
             [&] {
               note();
               headless::KeyPress(VK_LEFT);
             },
             [&] {
               note();
               headless::KeyPress(VK_ESCAPE);
             },
             [&] {
               note();
               headless::KeyPress(VK_RIGHT);  // "File" is highlighted: its submenu again, at the first item
             },
             [&] {
               note();
               headless::TypeText("r");  // the accelerator of an item with sub-items opens them
             },
             [&] {
               note();
               headless::TypeText("t");
             },
             [&] { EXPECT_EQ(TPopupMenu::ActivePopup(), nullptr); }});
  Application->Run();
  EXPECT_EQ(seen, (std::vector<int>{2, 0, -1,  //
                                    2, 0, 3,   //
                                    3, 0, 3, 0,  //
                                    2, 0, 3,  //
                                    1, 0,  //
                                    2, 0, 0,  //
                                    3, 0, 3, 0}));
  EXPECT_EQ(f.Clicked, (std::vector<std::string>{"open File", "open Recent", "open File", "open Recent",
                                                 "Two"}));
  f.Form->Free();
}

TEST_F(FormsTest, PopupSubmenuItemChosenByMouseAndClickOutsideClosesTheChain) {
  MenuFixture f;
  auto* menu = New<TPopupMenu>(f.Form);
  TMenuItem* file = f.Add(menu->Items(), "&File");
  TMenuItem* off = f.Add(file, "Off");
  off->SetEnabled(false);
  f.Add(file, "On");
  f.Ctl->SetPopupMenu(menu);
  f.Form->Show();
  Pump();
  POINT at = Center(f.Ctl);
  auto hoverFile = [] {
    POINT p = ItemPoint(0, 0);
    headless::MouseMove(p.x, p.y);
  };
  RunScript({[&] { headless::Click(at.x, at.y, VK_RBUTTON); }, hoverFile,
             [&] {
               ASSERT_EQ(TMenu::OpenLevelCount(), 2);
               POINT p = ItemPoint(1, 0);  // disabled: the click does nothing
               headless::Click(p.x, p.y);
             },
             [&] {
               EXPECT_EQ(TMenu::OpenLevelCount(), 2);
               POINT p = ItemPoint(1, 1);
               headless::Click(p.x, p.y);
             },
             [&] { EXPECT_EQ(TMenu::OpenLevelCount(), 0); },
             [&] { headless::Click(at.x, at.y, VK_RBUTTON); }, hoverFile,
             [&] { headless::Click(900, 700); },  // outside every menu window
             [&] { EXPECT_EQ(TMenu::OpenLevelCount(), 0); }});
  Application->Run();
  EXPECT_EQ(f.Clicked, (std::vector<std::string>{"open File", "On", "open File"}));
  f.Form->Free();
}

struct BarFixture : MenuFixture {
  TMainMenu* Menu;
  TMenuItem* File;
  TMenuItem* Edit;
  TMenuItem* Help;
  BarFixture() {
    Menu = New<TMainMenu>(Form);
    File = Add(Menu->Items(), "&File");
    Add(File, "&New");
    Add(File, "E&xit");
    Edit = Add(Menu->Items(), "&Edit");
    Add(Edit, "&Copy");
    TMenuItem* paste = Add(Edit, "&Paste");
    Add(paste, "&Text");
    Help = Add(Menu->Items(), "&Help");
  }
};

TEST_F(FormsTest, MenuBarTakesItsHeightFromTheClientArea) {
  MenuFixture f;
  auto* panel = New<TPanel>(f.Form);
  panel->SetAlign(alClient);
  panel->SetParent(f.Form);
  int32_t plain = f.Form->ClientHeight();
  auto* menu = New<TMainMenu>(f.Form);
  f.Add(menu->Items(), "&File");
  // Without a window the client size already counts the bar; with one, the frame changes in place.
  f.Form->SetMenu(menu);
  EXPECT_EQ(f.Form->ClientHeight(), plain - TMainMenu::BarHeight());
  f.Form->SetMenu(nullptr);
  f.Form->Show();
  Pump();
  EXPECT_EQ(f.Form->ClientHeight(), plain);
  int32_t outer = f.Form->Height();
  f.Form->SetMenu(menu);
  Pump();
  EXPECT_EQ(f.Form->Height(), outer);
  EXPECT_EQ(f.Form->ClientHeight(), plain - TMainMenu::BarHeight());
  EXPECT_EQ(panel->Height(), plain - TMainMenu::BarHeight());
  // The client area starts below the bar; the bar is drawn in the menu colour.
  RECT wr;
  GetWindowRect(f.Form->Handle(), &wr);
  RECT bar = f.Form->MenuBarRect();
  EXPECT_EQ(f.Form->ClientOrigin().y, wr.top + bar.bottom);
  EXPECT_EQ(headless::Pixel(nullptr, wr.left + bar.right - 3, wr.top + bar.top + 3), Rgb(GetSysColor(COLOR_MENU)));
  // The menu going takes the bar with it.
  menu->Free();
  Pump();
  EXPECT_EQ(f.Form->Menu(), nullptr);
  EXPECT_EQ(f.Form->ClientHeight(), plain);
  f.Form->Free();
}

TEST_F(FormsTest, MenuBarOpensByClickAndFollowsTheMouseAlongTheBar) {
  BarFixture f;
  f.Form->SetMenu(f.Menu);
  f.Form->Show();
  Pump();
  Log().clear();
  uint32_t highlight = 0;
  RunScript({[&] {
               POINT p = BarPoint(f.Form, 1);
               headless::Click(p.x, p.y);
             },
             [&] {
               ASSERT_EQ(TMenu::OpenLevelCount(), 1);
               EXPECT_EQ(TMenu::OpenLevelItem(0), f.Edit);
               EXPECT_EQ(TMenu::OpenLevelHighlight(0), -1);
               EXPECT_EQ(f.Menu->BarHighlight(), 1);
               POINT p = BarPoint(f.Form, 1);
               highlight = headless::Pixel(nullptr, p.x, p.y - 7);
               p = BarPoint(f.Form, 0);
               headless::MouseMove(p.x, p.y);
             },
             [&] {
               ASSERT_EQ(TMenu::OpenLevelCount(), 1);
               EXPECT_EQ(TMenu::OpenLevelItem(0), f.File);
               EXPECT_EQ(f.Menu->BarHighlight(), 0);
               POINT p = ItemPoint(0, 1);
               headless::MouseMove(p.x, p.y);
               headless::Click(p.x, p.y);
             },
             [&] {
               EXPECT_EQ(TMenu::OpenLevelCount(), 0);
               EXPECT_EQ(f.Menu->BarHighlight(), -1);
               // A bar item without sub-items is chosen by its click.
               POINT p = BarPoint(f.Form, 2);
               headless::Click(p.x, p.y);
             }});
  Application->Run();
  EXPECT_EQ(highlight, Rgb(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(Log(), (std::vector<std::string>{"init Edit", "init File"}));
  EXPECT_EQ(f.Clicked, (std::vector<std::string>{"open Edit", "open File", "Exit", "Help"}));
  f.Form->Free();
}

TEST_F(FormsTest, MenuBarOpensByAltLetterAndF10AndWalksWithTheArrows) {
  BarFixture f;
  f.Form->SetMenu(f.Menu);
  f.Form->SetActiveControl(f.Ctl);
  f.Form->Show();
  Pump();
  std::vector<int> seen;
  auto note = [&] {
    seen.push_back(f.Menu->BarHighlight());
    seen.push_back(TMenu::OpenLevelCount());
    for (int l = 0; l < TMenu::OpenLevelCount(); ++l) seen.push_back(TMenu::OpenLevelHighlight(l));
  };
  auto altLetter = [](int vk) {
    headless::KeyDown(VK_MENU);
    headless::KeyPress(vk);
    headless::KeyUp(VK_MENU);
  };
  RunScript({[&] { altLetter('E'); },
             [&] {
               note();  // Edit open at "Copy"
               headless::KeyPress(VK_DOWN);
             },
             [&] { headless::KeyPress(VK_RIGHT); },  // "Paste" has sub-items
             [&] {
               note();
               headless::KeyPress(VK_RETURN);
             },
             [&] {
               note();  // menu mode over; "Text" chosen
               headless::KeyPress(VK_F10);
             },
             [&] {
               note();  // the bar selected, nothing dropped
               headless::KeyPress(VK_RIGHT);
             },
             [&] {
               note();
               headless::KeyPress(VK_DOWN);
             },
             [&] {
               note();
               headless::KeyPress(VK_RIGHT);  // a leaf: the next bar item, dropped
             },
             [&] {
               note();  // "Help" has no popup
               headless::KeyPress(VK_LEFT);
             },
             [&] {
               note();
               headless::KeyPress(VK_ESCAPE);  // the popup closes, the bar stays selected
             },
             [&] {
               note();
               headless::KeyPress(VK_ESCAPE);
             },
             [&] {
               note();
               headless::KeyPress(VK_MENU);  // Alt alone
             },
             [&] {
               note();
               headless::TypeText("f");  // in menu mode a letter drops its bar item
             },
             [&] {
               note();
               headless::TypeText("x");
             },
             [&] {
               note();
               altLetter('Q');  // no such bar item: the key goes on
             },
             [&] { note(); }});
  Application->Run();
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 0,     //
                                    1, 2, 1, 0,  //
                                    -1, 0,       //
                                    0, 0,        //
                                    1, 0,        //
                                    1, 1, 0,     //
                                    2, 0,        //
                                    1, 1, 0,     //
                                    1, 0,        //
                                    -1, 0,       //
                                    0, 0,        //
                                    0, 1, 0,     //
                                    -1, 0,       //
                                    -1, 0}));
  EXPECT_EQ(f.Clicked, (std::vector<std::string>{"open Edit", "open Paste", "Text", "open Edit", "open Edit",
                                                 "open File", "Exit"}));
  EXPECT_TRUE(f.Ctl->Focused());
  f.Form->Free();
}

TEST_F(FormsTest, MenuBarFollowsItemChanges) {
  BarFixture f;
  f.Form->SetMenu(f.Menu);
  f.Form->Show();
  Pump();
  RECT before = f.Menu->BarItemRects().at(1);
  f.File->SetCaption("&File and more");
  EXPECT_GT(f.Menu->BarItemRects().at(1).left, before.left);
  // A hidden item leaves the bar: its place goes to the next one.
  f.File->SetVisible(false);
  ASSERT_EQ(f.Menu->BarItems().size(), 2u);
  EXPECT_EQ(f.Menu->BarItems()[0], f.Edit);
  // A disabled item does not drop and its accelerator does nothing.
  f.Edit->SetEnabled(false);
  EXPECT_EQ(f.Menu->FindBarHotkey('E'), -1);
  RunScript({[&] {
               POINT p = BarPoint(f.Form, 0);
               headless::Click(p.x, p.y);
             },
             [&] {
               EXPECT_EQ(TMenu::OpenLevelCount(), 0);
               EXPECT_EQ(f.Menu->BarHighlight(), 0);
               headless::KeyPress(VK_ESCAPE);
             }});
  Application->Run();
  EXPECT_TRUE(f.Clicked.empty());
  f.Form->Free();
}

TEST_F(FormsTest, PopupPaintsChecksShortCutsDisabledItemsAndTheHighlight) {
  MenuFixture f;
  auto* menu = New<TPopupMenu>(f.Form);
  TMenuItem* checked = f.Add(menu->Items(), "A");
  checked->SetChecked(true);
  f.Add(menu->Items(), "B", ShortCut('B', TShiftState{ssCtrl}));
  f.Add(menu->Items(), "C")->SetEnabled(false);
  TMenuItem* sub = f.Add(menu->Items(), "D");
  f.Add(sub, "E");
  f.Ctl->SetPopupMenu(menu);
  f.Form->Show();
  Pump();
  POINT at = Center(f.Ctl);
  // Counts the pixels of a colour in a rectangle of the level's window.
  auto count = [](int left, int top, int right, int bottom, uint32_t color) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += headless::Pixel(TMenu::OpenLevelWindow(0), x, y) == color;
    return n;
  };
  uint32_t text = Rgb(GetSysColor(COLOR_MENUTEXT)), face = Rgb(GetSysColor(COLOR_MENU));
  RunScript({[&] { headless::Click(at.x, at.y, VK_RBUTTON); },
             [&] {
               RECT r;
               GetClientRect(TMenu::OpenLevelWindow(0), &r);
               int h = TMenu::ItemHeight;
               // Row 0: a check mark in the left column.
               EXPECT_GT(count(2, 1, 22, 1 + h, text), 5);
               // Row 1: the shortcut text at the right end, beyond the short caption.
               EXPECT_GT(count(r.right / 2, 1 + h, r.right - 18, 1 + 2 * h, text), 5);
               // Row 2: greyed text, nothing in the text colour.
               int area = (r.right - 24) * h;
               EXPECT_LT(count(24, 1 + 2 * h, r.right, 1 + 3 * h, face), area - 3);
               EXPECT_EQ(count(24, 1 + 2 * h, r.right, 1 + 3 * h, text), 0);
               // Row 3: the submenu arrow at the right end.
               EXPECT_GT(count(r.right - 16, 1 + 3 * h, r.right, 1 + 4 * h, text), 5);
               headless::KeyPress(VK_DOWN);
             },
             [&] {
               // Row 0 highlighted.
               RECT r;
               GetClientRect(TMenu::OpenLevelWindow(0), &r);
               EXPECT_EQ(headless::Pixel(TMenu::OpenLevelWindow(0), r.right - 3, 3), Rgb(GetSysColor(COLOR_HIGHLIGHT)));
               headless::KeyPress(VK_ESCAPE);
             }});
  Application->Run();
  EXPECT_TRUE(f.Clicked.empty());
  f.Form->Free();
}

class TMenuStreamForm : public TForm {
  RTL_CLASS(TMenuStreamForm, TForm)
  RTL_PUBLISHED_DECL
public:
  using TForm::TForm;
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* miFile = nullptr;
  TMenuItem* miOpen = nullptr;
  TScrollBox* sbBox = nullptr;
};

RTL_PUBLISHED(TMenuStreamForm) {
  field("MainMenu1", &TMenuStreamForm::MainMenu1);
  field("miFile", &TMenuStreamForm::miFile);
  field("miOpen", &TMenuStreamForm::miOpen);
  field("sbBox", &TMenuStreamForm::sbBox);
}

TEST_F(FormsTest, StreamedFormKeepsItsClientHeightUnderItsMenuBar) {
  RegisterClass(TMenuStreamForm::StaticClass());
  RegisterFormResource("TMenuStreamForm", R"(object MenuStreamForm: TMenuStreamForm
  Left = 100
  Top = 50
  Caption = 'Menus'
  ClientWidth = 300
  ClientHeight = 200
  Menu = MainMenu1
  object sbBox: TScrollBox
    Left = 0
    Top = 0
    Width = 120
    Height = 60
    BorderStyle = bsNone
    VertScrollBar.Increment = 16
  end
  object MainMenu1: TMainMenu
    object miFile: TMenuItem
      Caption = '&File'
      object miOpen: TMenuItem
        Caption = '&Open'
        ShortCut = 16463
      end
    end
  end
end
)");
  struct Unregister {
    ~Unregister() { UnregisterFormResource("TMenuStreamForm"); }
  } unregister;
  auto* form = New<TMenuStreamForm>(Application);
  ASSERT_EQ(form->Menu(), form->MainMenu1);
  EXPECT_EQ(form->ClientHeight(), 200);
  ASSERT_EQ(form->MainMenu1->BarItems().size(), 1u);
  EXPECT_EQ(form->miOpen->Parent(), form->miFile);
  EXPECT_EQ(form->miOpen->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
  EXPECT_EQ(form->sbBox->VertScrollBar()->Increment(), 16);
  form->Show();
  Pump();
  EXPECT_EQ(form->ClientHeight(), 200);
  EXPECT_EQ(form->ClientWidth(), 300);
  form->Free();
}
