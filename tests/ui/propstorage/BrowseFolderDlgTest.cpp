// The folder picker, answered through the headless driver, and the small desktop routines.

#include <algorithm>
#include <fstream>

#include "PropStorageSupport.h"
#include "rtl/Files.h"
#include "ui/propstorage/BrowseFolderDlg.h"

using namespace pst;

namespace {

class BrowseFolderTest : public PropStorageTest {
protected:
  void SetUp() override {
    PropStorageTest::SetUp();
    Folders = Dir + "/folders";
    CreateDir(Folders);
    CreateDir(Folders + "/Backup");
    CreateDir(Folders + "/Архив");
    std::ofstream(Folders + "/file.txt") << "x";
  }
  void TearDown() override {
    SetHelpContextHandler(nullptr);
    PropStorageTest::TearDown();
  }
  static HWND Dialog() { return headless::ActiveWindow(); }
  static HWND Ctl(int id) { return headless::FindChildById(Dialog(), id); }
  static String EditText() {
    char buf[MAX_PATH] = {};
    GetWindowText(Ctl(idDlgFolderEdit), buf, sizeof buf);
    return buf;
  }
  static bool OkEnabled() { return IsWindowEnabled(GetDlgItem(Dialog(), IDOK)); }

  String Folders;
};

TEST_F(BrowseFolderTest, PreselectsTheFolderAndReturnsItWithoutTheTrailingSeparator) {
  String folder = Folders + "/Backup/";
  String shown;
  headless::WhenIdle([&] {
    shown = EditText();
    headless::ClickButton(Dialog(), "OK");
  });
  EXPECT_TRUE(BrowseForDirectory(folder, "Директория для архивных копий"));
  EXPECT_EQ(folder, Folders + "/Backup");
  EXPECT_EQ(shown, Folders + "/Backup");
}

TEST_F(BrowseFolderTest, ChoosingFromTheTreeAndCancelling) {
  String folder = Folders;
  headless::WhenIdle([] { EXPECT_TRUE(headless::ClickTreeItem(Ctl(idDlgFolderTree), "Архив")); });
  headless::WhenIdle([] { headless::ClickButton(Dialog(), "OK"); });
  EXPECT_TRUE(BrowseForDirectory(folder, ""));
  EXPECT_EQ(folder, Folders + "/Архив");

  headless::WhenIdle([] { headless::KeyPress(VK_ESCAPE); });
  EXPECT_FALSE(BrowseForDirectory(folder, ""));
  EXPECT_EQ(folder, Folders + "/Архив");
}

TEST_F(BrowseFolderTest, OkIsEnabledOnlyOnExistingFolders) {
  auto* dlg = New<TBrowseFolderDlg>(Application);
  dlg->SetFolderName(Folders);
  std::vector<String> selections;
  dlg->OnSelChanged = [&](TObject* sender) { selections.push_back(static_cast<TBrowseFolderDlg*>(sender)->SelectedName()); };
  bool onMissing = true, onExisting = false;
  headless::WhenIdle([&] {
    // A folder removed while the dialog is open is still in the tree: choosing it disables OK.
    RemoveDir(Folders + "/Backup");
    EXPECT_TRUE(headless::ClickTreeItem(Ctl(idDlgFolderTree), "Backup"));
  });
  headless::WhenIdle([&] {
    onMissing = OkEnabled();
    EXPECT_TRUE(headless::ClickTreeItem(Ctl(idDlgFolderTree), "Архив"));
  });
  headless::WhenIdle([&] {
    onExisting = OkEnabled();
    headless::ClickButton(Dialog(), "OK");
  });
  EXPECT_TRUE(dlg->Execute());
  EXPECT_FALSE(onMissing);
  EXPECT_TRUE(onExisting);
  EXPECT_EQ(dlg->FolderName(), Folders + "/Архив");
  ASSERT_GE(selections.size(), 3u);
  EXPECT_EQ(selections.front(), Folders);  // the preselection
  EXPECT_NE(std::find(selections.begin(), selections.end(), Folders + "/Backup"), selections.end());
  EXPECT_EQ(dlg->Handle(), nullptr);       // the dialog window is gone
  dlg->Free();
}

TEST_F(BrowseFolderTest, MissingInitialFolderOpensWithoutPreselection) {
  auto* dlg = New<TBrowseFolderDlg>(Application);
  dlg->SetFolderName(Folders + "/gone");
  int initialized = 0;
  dlg->OnInitialized = [&](TObject*) { ++initialized; };
  String shown;
  headless::WhenIdle([&] {
    shown = EditText();
    headless::KeyPress(VK_ESCAPE);
  });
  EXPECT_FALSE(dlg->Execute());
  EXPECT_EQ(initialized, 1);
  EXPECT_NE(shown, Folders + "/gone");
  EXPECT_EQ(dlg->FolderName(), Folders + "/gone");  // unchanged by cancel
  dlg->Free();
}

TEST_F(BrowseFolderTest, HelpButtonAppearsOnlyWithAHelpContextAndOpensIt) {
  std::vector<THelpContext> opened;
  SetHelpContextHandler([&](THelpContext c) { opened.push_back(c); });
  String folder = Folders;
  bool withoutHelp = true;
  headless::WhenIdle([&] {
    withoutHelp = headless::FindChild(Dialog(), "BUTTON", "Справка") != nullptr;
    headless::KeyPress(VK_ESCAPE);
  });
  EXPECT_FALSE(BrowseForDirectory(folder, "", 0));
  EXPECT_FALSE(withoutHelp);

  RECT help{}, ok{};
  headless::WhenIdle([&] {
    HWND button = headless::FindChild(Dialog(), "BUTTON", "Справка");
    ASSERT_NE(button, nullptr);
    GetWindowRect(button, &help);
    MapWindowPoints(nullptr, Dialog(), reinterpret_cast<POINT*>(&help), 2);
    GetWindowRect(GetDlgItem(Dialog(), IDOK), &ok);
    MapWindowPoints(nullptr, Dialog(), reinterpret_cast<POINT*>(&ok), 2);
    EXPECT_TRUE(headless::ClickButton(Dialog(), "Справка"));
  });
  headless::WhenIdle([] { headless::KeyPress(VK_ESCAPE); });
  EXPECT_FALSE(BrowseForDirectory(folder, "", 42));
  EXPECT_EQ(opened, std::vector<THelpContext>{42});
  EXPECT_EQ(help.left, 12);
  EXPECT_EQ(help.top, ok.top);
  EXPECT_EQ(help.right - help.left, ok.right - ok.left);
}

TEST_F(BrowseFolderTest, DialogIsCentredOnTheScreen) {
  RECT r{};
  headless::WhenIdle([&] {
    GetWindowRect(Dialog(), &r);
    headless::KeyPress(VK_ESCAPE);
  });
  String folder = Folders;
  EXPECT_FALSE(BrowseForDirectory(folder, ""));
  const int w = r.right - r.left, h = r.bottom - r.top;
  EXPECT_EQ(r.left, (1024 - w) / 2);
  EXPECT_EQ(r.top, (768 - h) / 2);
}

TEST(DesktopRoutinesTest, TrailingSeparatorIsTrimmedExceptFromARoot) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {{"/home/user/", "/home/user"}, {"/home/user", "/home/user"}, {"/", "/"}, {"", ""},
                        {"C:\\", "C:\\"},              {"C:\\Data\\", "C:\\Data"},   {"a/", "a"}, {"//", "/"}};
  for (const Case& c : cases) EXPECT_EQ(TrimTrailingBackslash(c.in), c.out) << c.in;
}

TEST_F(BrowseFolderTest, RectanglesAreFittedOntoTheScreenAndWindowsCentred) {
  struct Case {
    RECT in, out;
  };
  const Case cases[] = {{{900, 700, 1100, 800}, {824, 668, 1024, 768}},
                        {{-50, -20, 150, 80}, {0, 0, 200, 100}},
                        {{-10, -10, 2000, 1000}, {0, 0, 2010, 1010}},  // larger than the screen: top left
                        {{10, 10, 20, 20}, {10, 10, 20, 20}}};
  for (const Case& c : cases) {
    RECT r = c.in;
    FitRectToScreen(r);
    EXPECT_EQ(r, c.out);
  }
  TfmMain* form = MakeMain();
  form->Show();
  form->SetBounds(5, 5, 400, 300);
  CenterWindowOnScreen(form->Handle());
  EXPECT_EQ(form->BoundsRect(), (RECT{312, 234, 712, 534}));
  form->SetBounds(5, 5, 1500, 900);  // the window system keeps it a little larger than the screen
  RECT big{};
  GetWindowRect(form->Handle(), &big);
  const int32_t w = big.right - big.left, h = big.bottom - big.top;
  ASSERT_GT(w, 1024);
  CenterWindowOnScreen(form->Handle());
  EXPECT_EQ(form->BoundsRect(), (RECT{0, 0, w, h}));
  form->Free();
}

TEST_F(BrowseFolderTest, ExtraCursorsAreRegistered) {
  RegisterDesktopCursors();
  EXPECT_NE(Screen->Cursors(crHandCursorEh), nullptr);
  EXPECT_EQ(Screen->Cursors(crDragCursorEh), Screen->Cursors(crDrag));
}

}  // namespace
