// The standard dialogs, answered through the headless driver with real input.

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "FormsSupport.h"
#include "forms/Dialogs.h"
#include "forms/StdCtrls.h"
#include "rtl/Files.h"
#include "winapi/ShlObj.h"
#include "winapi/WinCtrls.h"

namespace {

using namespace ft;

class DialogsTest : public FormsTest {
protected:
  void SetUp() override {
    FormsTest::SetUp();
    InstallDialogs();
    Application->SetTitle("Тест");
  }
  void TearDown() override {
    EXPECT_EQ(headless::PendingIdleSteps(), 0) << "a scripted answer was not used";
    headless::ClearIdleSteps();
    FormsTest::TearDown();
  }
  // Answers the next wait: a key on the active window.
  static void AnswerKey(int vk) {
    headless::WhenIdle([vk] { headless::KeyPress(vk); });
  }
  static void AnswerButton(const char* caption) {
    headless::WhenIdle([caption] { EXPECT_TRUE(headless::ClickButton(headless::ActiveWindow(), caption)) << caption; });
  }
  static String Caption(HWND h) {
    char buf[256] = {};
    GetWindowText(h, buf, sizeof(buf));
    return buf;
  }
};

// ---- message boxes -------------------------------------------------------------------------------

TEST_F(DialogsTest, MessageBoxReturnsTheIdOfEveryButtonOfEverySet) {
  struct Case {
    UINT type;
    std::vector<std::pair<const char*, int>> buttons;
  };
  const Case cases[] = {
      {MB_OK, {{"OK", IDOK}}},
      {MB_OKCANCEL, {{"OK", IDOK}, {"Отмена", IDCANCEL}}},
      {MB_YESNO, {{"Да", IDYES}, {"Нет", IDNO}}},
      {MB_YESNOCANCEL, {{"Да", IDYES}, {"Нет", IDNO}, {"Отмена", IDCANCEL}}},
      {MB_RETRYCANCEL, {{"Повторить", IDRETRY}, {"Отмена", IDCANCEL}}},
      {MB_ABORTRETRYIGNORE, {{"Прервать", IDABORT}, {"Повторить", IDRETRY}, {"Пропустить", IDIGNORE}}},
  };
  for (const Case& c : cases)
    for (auto [caption, id] : c.buttons) {
      SCOPED_TRACE(caption);
      String boxCaption;
      int buttonId = 0;
      headless::WhenIdle([&, caption = caption] {
        HWND box = headless::ActiveWindow();
        boxCaption = Caption(box);
        HWND b = headless::FindChild(box, nullptr, caption);
        buttonId = b ? GetDlgCtrlID(b) : -1;
        headless::ClickWindow(b);
      });
      EXPECT_EQ(MessageBox(nullptr, "Текст", "Заголовок", c.type | MB_ICONQUESTION), id);
      EXPECT_EQ(boxCaption, "Заголовок");
      EXPECT_EQ(buttonId, id);  // buttons carry the ID they return
    }
}

TEST_F(DialogsTest, MessageBoxEnterTakesTheDefaultButtonAndEscOnlyCancels) {
  struct Case {
    UINT type;
    int key;
    int expected;
  };
  const Case cases[] = {
      {MB_YESNOCANCEL, VK_RETURN, IDYES},
      {MB_YESNOCANCEL | MB_DEFBUTTON2, VK_RETURN, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, VK_RETURN, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON3, VK_RETURN, IDOK},  // no third button: the first is default
      {MB_OKCANCEL, VK_ESCAPE, IDCANCEL},
      {MB_RETRYCANCEL, VK_ESCAPE, IDCANCEL},
      {MB_OK, VK_ESCAPE, IDOK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    AnswerKey(c.key);
    EXPECT_EQ(MessageBox(nullptr, "Текст", nullptr, c.type), c.expected);
  }
}

TEST_F(DialogsTest, YesNoBoxIgnoresEscAndTheCloseBox) {
  for (UINT type : {MB_YESNO, MB_ABORTRETRYIGNORE}) {
    SCOPED_TRACE(type);
    bool stillOpen = false;
    AnswerKey(VK_ESCAPE);
    headless::WhenIdle([] { PostMessage(headless::ActiveWindow(), WM_CLOSE, 0, 0); });
    headless::WhenIdle([&] {
      stillOpen = Caption(headless::ActiveWindow()) == "Ошибка";  // the default caption
      headless::ClickButton(headless::ActiveWindow(), type == MB_YESNO ? "Нет" : "Пропустить");
    });
    EXPECT_EQ(MessageBox(nullptr, "Текст", nullptr, type), type == MB_YESNO ? IDNO : IDIGNORE);
    EXPECT_TRUE(stillOpen);
  }
}

TEST_F(DialogsTest, MessageBoxDisablesTheOwnerAndDrawsItsIcon) {
  TForm* main = New<TForm>(Application, 0);
  main->SetBounds(10, 10, 300, 200);
  main->Show();
  Pump();
  bool ownerDisabled = false;
  uint32_t iconPixel = 0, background = 0;
  headless::WhenIdle([&] {
    ownerDisabled = !IsWindowEnabled(main->Handle());
    HWND box = headless::ActiveWindow();
    iconPixel = headless::Pixel(box, 12 + 16, 12 + 16);  // the icon's centre
    background = headless::Pixel(box, 2, 2);
    headless::KeyPress(VK_RETURN);
  });
  EXPECT_EQ(Application->MessageBox("Удалить проект Новый проект?", "Подтверждение", MB_YESNO | MB_ICONERROR), IDYES);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_NE(iconPixel, background);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  main->Free();
}

TEST_F(DialogsTest, MessageBoxWithoutFormsReturnsZero) {
  SetMessageBoxHandler(nullptr);
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_OK), 0);
}

TEST_F(DialogsTest, ShowExceptionShowsTheMessageInAStopBox) {
  String caption, text;
  headless::WhenIdle([&] {
    caption = Caption(headless::ActiveWindow());
    if (auto* label = static_cast<TControl*>(Screen->ActiveForm()->FindComponent("Message"))) text = label->Caption();
    headless::KeyPress(VK_RETURN);
  });
  Exception e("Не найдена база данных DB.GDB");
  Application->ShowException(&e);
  EXPECT_EQ(caption, "Тест");
  EXPECT_EQ(text, "Не найдена база данных DB.GDB.");
  EXPECT_EQ(Application->LastExceptionMessage(), "Не найдена база данных DB.GDB.");
}

// ---- MessageDlg ----------------------------------------------------------------------------------

TEST_F(DialogsTest, MessageDlgCaptionsByTypeAndResults) {
  struct Case {
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    const char* click;  // nullptr: press the key
    int key;
    int32_t expected;
    const char* caption;
  };
  const Case cases[] = {
      {mtConfirmation, mbYesNo, "Да", 0, mrYes, "Подтверждение"},
      {mtConfirmation, mbYesNo, nullptr, VK_ESCAPE, mrNo, "Подтверждение"},  // No is the cancel button
      {mtConfirmation, mbYesNo, nullptr, VK_RETURN, mrYes, "Подтверждение"},
      {mtWarning, mbOKCancel, nullptr, VK_ESCAPE, mrCancel, "Предупреждение"},
      {mtError, TMsgDlgButtons{mbOK}, nullptr, VK_RETURN, mrOk, "Ошибка"},
      {mtInformation, mbYesAllNoAllCancel, "Да для всех", 0, mrYesToAll, "Информация"},
      {mtInformation, mbYesAllNoAllCancel, "Нет для всех", 0, mrNoToAll, "Информация"},
      {mtCustom, mbAbortIgnore, "Пропустить", 0, mrIgnore, "Тест"},  // the application's title
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    String caption;
    headless::WhenIdle([&] {
      caption = Caption(headless::ActiveWindow());
      if (c.click)
        EXPECT_TRUE(headless::ClickButton(headless::ActiveWindow(), c.click));
      else
        headless::KeyPress(c.key);
    });
    EXPECT_EQ(MessageDlg("Текст", c.type, c.buttons, 0), c.expected);
    EXPECT_EQ(caption, c.caption);
  }
}

TEST_F(DialogsTest, MessageDialogIsSizedToItsText) {
  TForm* shortForm = CreateMessageDialog("Коротко", mtInformation, TMsgDlgButtons{mbOK});
  String longText;
  for (int i = 0; i < 60; ++i) longText += "Длинное сообщение ";
  TForm* longForm = CreateMessageDialog(longText + "\nвторая строка", mtInformation, TMsgDlgButtons{mbOK});
  EXPECT_GT(longForm->Width(), shortForm->Width());
  EXPECT_GT(longForm->Height(), shortForm->Height());
  EXPECT_LE(longForm->Width(), Screen->Width());
  // The text and the buttons fit inside, the buttons below the text.
  for (TForm* f : {shortForm, longForm}) {
    auto* label = static_cast<TControl*>(f->FindComponent("Message"));
    ASSERT_NE(label, nullptr);
    TControl* button = nullptr;
    for (int i = 0; i < f->ControlCount(); ++i)
      if (f->Controls(i)->InheritsFrom(TButton::StaticClass())) button = f->Controls(i);
    ASSERT_NE(button, nullptr);
    EXPECT_LE(label->Left() + label->Width(), f->ClientWidth());
    EXPECT_GT(button->Top(), label->Top() + label->Height() - 1);
    EXPECT_LE(button->Top() + button->Height(), f->ClientHeight());
  }
  shortForm->Free();
  longForm->Free();
}

TEST_F(DialogsTest, ShowMessageClosesOnEnterAndShowsAtItsPosition) {
  RECT r{};
  headless::WhenIdle([&] {
    GetWindowRect(headless::ActiveWindow(), &r);
    headless::KeyPress(VK_RETURN);
  });
  int beeps = headless::BeepCount();
  ShowMessagePos("Пароль успешно изменен!", 40, 50);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(headless::BeepCount(), beeps);  // a plain message is silent, a warning is not
  AnswerKey(VK_RETURN);
  MessageDlg("Внимание", mtWarning, TMsgDlgButtons{mbOK}, 0);
  EXPECT_EQ(headless::BeepCount(), beeps + 1);
}

}  // namespace

namespace {

// A temporary folder with a few files and sub-folders, removed afterwards.
class FileDialogsTest : public DialogsTest {
protected:
  void SetUp() override {
    DialogsTest::SetUp();
    char tmpl[] = "/tmp/vorn-dialogs-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    for (const char* f : {"a.txt", "b.txt", "c.log", "Отчёт.txt"}) std::ofstream(Dir + "/" + f) << "x";
    CreateDir(Dir + "/sub");
    CreateDir(Dir + "/Папка");
    SavedCwd = GetCurrentDir();
  }
  void TearDown() override {
    SetCurrentDir(SavedCwd);
    std::system(("rm -rf '" + Dir + "'").c_str());
    DialogsTest::TearDown();
  }
  static HWND Ctl(int id) { return headless::FindChildById(headless::ActiveWindow(), id); }
  static std::vector<String> ListItems(HWND list) {
    std::vector<String> out;
    for (LRESULT i = 0, n = SendMessage(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
      char buf[512] = {};
      SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
      out.push_back(buf);
    }
    return out;
  }
  static void TypeName(const String& name) {
    headless::WhenIdle([name] {
      headless::TypeInto(Ctl(idDlgFileName), name.c_str());
      headless::KeyPress(VK_RETURN);
    });
  }
  String Dir;
  String SavedCwd;
};

TEST_F(FileDialogsTest, OpenPicksAFileByTypingOrByDoubleClick) {
  TOpenDialog* d = New<TOpenDialog>(Application);
  d->SetInitialDir(Dir);
  TypeName("b.txt");
  EXPECT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), Dir + "/b.txt");
  ASSERT_EQ(d->Files()->Count(), 1);
  EXPECT_EQ(d->Files()->Strings(0), Dir + "/b.txt");

  std::vector<String> shown;
  headless::WhenIdle([&] {
    shown = ListItems(Ctl(idDlgFileList));
    EXPECT_TRUE(headless::ClickListBoxItem(Ctl(idDlgFileList), "Отчёт.txt", true));
  });
  EXPECT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), Dir + "/Отчёт.txt");
  // Files only, sorted; the folders are in the tree.
  EXPECT_EQ(shown, (std::vector<String>{"a.txt", "b.txt", "c.log", "Отчёт.txt"}));

  headless::WhenIdle([] { headless::KeyPress(VK_ESCAPE); });
  EXPECT_FALSE(d->Execute());
  EXPECT_EQ(d->FileName(), Dir + "/Отчёт.txt");
  d->Free();
}

TEST_F(FileDialogsTest, FilterTypeChangesTheListAndIsKeptOnSuccess) {
  TOpenDialog* d = New<TOpenDialog>(Application);
  d->SetInitialDir(Dir);
  d->SetFilter("Текст|*.txt|Журналы|*.log;*.LOG|Все|*.*");
  std::vector<String> first, second;
  headless::WhenIdle([&] {
    first = ListItems(Ctl(idDlgFileList));
    EXPECT_TRUE(headless::SelectComboItem(Ctl(idDlgFilterCombo), "Журналы"));
  });
  headless::WhenIdle([&] {
    second = ListItems(Ctl(idDlgFileList));
    EXPECT_TRUE(headless::ClickListBoxItem(Ctl(idDlgFileList), "c.log"));
  });
  headless::WhenIdle([] { headless::ClickButton(headless::ActiveWindow(), "Открыть"); });
  EXPECT_TRUE(d->Execute());
  EXPECT_EQ(first, (std::vector<String>{"a.txt", "b.txt", "Отчёт.txt"}));
  EXPECT_EQ(second, (std::vector<String>{"c.log"}));
  EXPECT_EQ(d->FileName(), Dir + "/c.log");
  EXPECT_EQ(d->FilterIndex(), 2);
  // A typed mask filters the list too.
  std::vector<String> masked;
  TypeName("?.txt");
  headless::WhenIdle([&] {
    masked = ListItems(Ctl(idDlgFileList));
    headless::KeyPress(VK_ESCAPE);
  });
  EXPECT_FALSE(d->Execute());
  EXPECT_EQ(masked, (std::vector<String>{"a.txt", "b.txt"}));
  d->Free();
}

TEST_F(FileDialogsTest, SaveAppendsTheDefaultExtensionOnlyToNamesWithoutOne) {
  struct Case {
    const char* defaultExt;
    const char* typed;
    const char* expected;
  };
  const Case cases[] = {{"txt", "new", "new.txt"},
                        {"*.txt", "new", "new.txt"},
                        {".gbk", "new", "new.gbk"},
                        {"txt", "new.log", "new.log"},
                        {"", "new", "new"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.defaultExt);
    TSaveDialog* d = New<TSaveDialog>(Application);
    d->SetInitialDir(Dir);
    d->SetDefaultExt(c.defaultExt);
    TypeName(c.typed);
    EXPECT_TRUE(d->Execute());
    EXPECT_EQ(d->FileName(), Dir + "/" + c.expected);
    d->Free();
  }
}

TEST_F(FileDialogsTest, OverwritePromptAnsweredNoKeepsTheDialogOpen) {
  TSaveDialog* d = New<TSaveDialog>(Application);
  d->SetInitialDir(Dir);
  d->SetOptions(TOpenOptions{ofOverwritePrompt});
  String question, afterNo;
  TypeName("a.txt");
  headless::WhenIdle([&] {
    question = Caption(headless::ActiveWindow());
    headless::ClickButton(headless::ActiveWindow(), "Нет");
  });
  headless::WhenIdle([&] { afterNo = Caption(headless::ActiveWindow()); });
  TypeName("a.txt");
  headless::WhenIdle([] { headless::ClickButton(headless::ActiveWindow(), "Да"); });
  EXPECT_TRUE(d->Execute());
  EXPECT_EQ(question, "Предупреждение");
  EXPECT_EQ(afterNo, "Сохранить как");
  EXPECT_EQ(d->FileName(), Dir + "/a.txt");
  d->Free();
}

TEST_F(FileDialogsTest, FileMustExistRefusesAMissingFile) {
  TOpenDialog* d = New<TOpenDialog>(Application);
  d->SetInitialDir(Dir);
  d->SetOptions(TOpenOptions{ofFileMustExist});
  String warning;
  TypeName("missing.txt");
  headless::WhenIdle([&] {
    warning = Caption(headless::ActiveWindow());
    headless::KeyPress(VK_RETURN);
  });
  headless::WhenIdle([] { headless::KeyPress(VK_ESCAPE); });
  EXPECT_FALSE(d->Execute());
  EXPECT_EQ(warning, "Предупреждение");
  d->Free();
}

TEST_F(FileDialogsTest, MultiSelectReturnsEveryChosenFile) {
  TOpenDialog* d = New<TOpenDialog>(Application);
  d->SetInitialDir(Dir);
  d->SetOptions(TOpenOptions{ofAllowMultiSelect});
  headless::WhenIdle([] { headless::ClickListBoxItem(Ctl(idDlgFileList), "a.txt"); });
  headless::WhenIdle([] {
    headless::KeyDown(VK_CONTROL);
    headless::ClickListBoxItem(Ctl(idDlgFileList), "c.log");
    headless::KeyUp(VK_CONTROL);
  });
  headless::WhenIdle([] { headless::ClickButton(headless::ActiveWindow(), "Открыть"); });
  EXPECT_TRUE(d->Execute());
  ASSERT_EQ(d->Files()->Count(), 2);
  EXPECT_EQ(d->Files()->Strings(0), Dir + "/a.txt");
  EXPECT_EQ(d->Files()->Strings(1), Dir + "/c.log");
  EXPECT_EQ(d->FileName(), Dir + "/a.txt");
  d->Free();
}

TEST_F(FileDialogsTest, FoldersOpenFromTheTreeOrByTypedNameAndTheCurrentDirectoryFollows) {
  TSaveDialog* d = New<TSaveDialog>(Application);
  d->SetInitialDir(Dir);
  String path;
  headless::WhenIdle([] { EXPECT_TRUE(headless::ClickTreeItem(Ctl(idDlgFolderTree), "Папка")); });
  headless::WhenIdle([&] {
    char buf[512] = {};
    GetWindowText(Ctl(idDlgFolderPath), buf, sizeof(buf));
    path = buf;
  });
  TypeName("../sub");  // a typed folder opens instead of closing the dialog
  TypeName("x.txt");
  EXPECT_TRUE(d->Execute());
  EXPECT_EQ(path, Dir + "/Папка");
  EXPECT_EQ(d->FileName(), Dir + "/sub/x.txt");
  EXPECT_EQ(GetCurrentDir(), Dir + "/sub");

  SetCurrentDir(SavedCwd);
  d->SetOptions(TOpenOptions{ofNoChangeDir});
  TypeName("y.txt");
  EXPECT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), Dir + "/y.txt");
  EXPECT_EQ(GetCurrentDir(), SavedCwd);
  d->Free();
}

TEST_F(FileDialogsTest, ResizingTheDialogGrowsTheFileList) {
  TOpenDialog* d = New<TOpenDialog>(Application);
  d->SetInitialDir(Dir);
  RECT before{}, after{}, okBefore{}, okAfter{};
  headless::WhenIdle([&] {
    HWND dlg = headless::ActiveWindow();
    GetWindowRect(Ctl(idDlgFileList), &before);
    GetWindowRect(headless::FindChildById(dlg, IDOK), &okBefore);
    RECT w{};
    GetWindowRect(dlg, &w);
    SetWindowPos(dlg, nullptr, 0, 0, w.right - w.left + 100, w.bottom - w.top + 50, SWP_NOMOVE | SWP_NOZORDER);
  });
  headless::WhenIdle([&] {
    GetWindowRect(Ctl(idDlgFileList), &after);
    GetWindowRect(headless::FindChildById(headless::ActiveWindow(), IDOK), &okAfter);
    headless::KeyPress(VK_ESCAPE);
  });
  EXPECT_FALSE(d->Execute());
  EXPECT_EQ(after.right - after.left, before.right - before.left + 100);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top + 50);
  EXPECT_EQ(okAfter.left - okBefore.left, 100);  // the buttons keep to the bottom right corner
  EXPECT_EQ(okAfter.top - okBefore.top, 50);
  d->Free();
}

// ---- folder browse -------------------------------------------------------------------------------

TEST_F(FileDialogsTest, SelectDirectoryPicksASubfolderFromTheTree) {
  String folder = Dir + "/";
  bool okEnabled = false;
  headless::WhenIdle([&] {
    okEnabled = IsWindowEnabled(headless::FindChildById(headless::ActiveWindow(), IDOK));
    EXPECT_TRUE(headless::ClickTreeItem(Ctl(idDlgFolderTree), "Папка"));
  });
  headless::WhenIdle([] { headless::ClickButton(headless::ActiveWindow(), "OK"); });
  EXPECT_TRUE(SelectDirectory("Директория с БД", "", folder));
  EXPECT_TRUE(okEnabled);
  EXPECT_EQ(folder, Dir + "/Папка");
}

TEST_F(FileDialogsTest, SelectDirectoryKeepsTheFolderWithoutTrailingSeparatorAndCancels) {
  String folder = Dir + "/sub/";
  String caption;
  headless::WhenIdle([&] {
    caption = Caption(headless::ActiveWindow());
    headless::KeyPress(VK_RETURN);
  });
  EXPECT_TRUE(SelectDirectory("Директория для архивных копий", Dir, folder));
  EXPECT_EQ(folder, Dir + "/sub");
  EXPECT_EQ(caption, "Обзор папок");

  headless::WhenIdle([] { headless::KeyPress(VK_ESCAPE); });
  EXPECT_FALSE(SelectDirectory("", Dir, folder));
  EXPECT_EQ(folder, Dir + "/sub");
}

TEST_F(FileDialogsTest, SelectDirectoryTakesATypedPathAndDisablesOkOnMissingFolders) {
  String folder;
  bool okOnMissing = true;
  headless::WhenIdle([&] { headless::TypeInto(Ctl(idDlgFolderEdit), (Dir + "/nowhere").c_str()); });
  headless::WhenIdle([&] {
    okOnMissing = IsWindowEnabled(headless::FindChildById(headless::ActiveWindow(), IDOK));
    headless::TypeInto(Ctl(idDlgFolderEdit), "sub");  // relative to the selected folder
    headless::KeyPress(VK_RETURN);
  });
  EXPECT_TRUE(SelectDirectory("", Dir, folder));
  EXPECT_FALSE(okOnMissing);
  EXPECT_EQ(folder, Dir + "/sub");
}

TEST_F(FileDialogsTest, SelectDirectoryCreatesANewFolder) {
  String folder = Dir;
  headless::WhenIdle([] { EXPECT_TRUE(headless::ClickButton(headless::ActiveWindow(), "Создать папку")); });
  headless::WhenIdle([] { headless::ClickButton(headless::ActiveWindow(), "OK"); });
  EXPECT_TRUE(SelectDirectory("", Dir, folder, true));
  EXPECT_EQ(folder, Dir + "/Новая папка");
  EXPECT_TRUE(DirectoryExists(folder));
}

}  // namespace

namespace {

// ---- the shell's folder browser ------------------------------------------------------------------

struct BrowseLog {
  String initialSelection;
  std::vector<String> selections;
  bool enableOk = true;
};

int BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data) {
  auto* log = reinterpret_cast<BrowseLog*>(data);
  if (msg == BFFM_INITIALIZED && !log->initialSelection.empty())
    SendMessage(hwnd, BFFM_SETSELECTION, TRUE, reinterpret_cast<LPARAM>(log->initialSelection.c_str()));
  if (msg == BFFM_SELCHANGED) {
    char path[MAX_PATH] = {};
    bool ok = SHGetPathFromIDList(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path);
    log->selections.push_back(ok ? path : "?");
    SendMessage(hwnd, BFFM_ENABLEOK, 0, log->enableOk && ok && DirectoryExists(path));
  }
  return 0;
}

TEST_F(FileDialogsTest, ShellBrowseStartsAtTheCallersSelectionAndReturnsTheChosenFolder) {
  BrowseLog log;
  log.initialSelection = Dir + "/sub/";
  char display[MAX_PATH] = {};
  BROWSEINFO bi{};
  bi.pszDisplayName = display;
  bi.lpszTitle = "Директория с БД";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  bi.lpfn = &BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(&log);
  String shown;
  headless::WhenIdle([&] {
    char buf[MAX_PATH] = {};
    GetWindowText(Ctl(idDlgFolderEdit), buf, sizeof(buf));
    shown = buf;
    headless::ClickButton(headless::ActiveWindow(), "OK");
  });
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolder(&bi);
  ASSERT_NE(pidl, nullptr);
  char path[MAX_PATH] = {};
  EXPECT_TRUE(SHGetPathFromIDList(pidl, path));
  EXPECT_EQ(String(path), Dir + "/sub");
  EXPECT_EQ(String(display), "sub");
  EXPECT_EQ(shown, Dir + "/sub");
  ASSERT_FALSE(log.selections.empty());
  EXPECT_EQ(log.selections.back(), Dir + "/sub");
  ILFree(pidl);
}

TEST_F(FileDialogsTest, ShellBrowseHonoursEnableOkAndTheRoot) {
  BrowseLog log;
  log.enableOk = false;
  BROWSEINFO bi{};
  PIDLIST_ABSOLUTE root = ILCreateFromPath(Dir.c_str());
  bi.pidlRoot = root;
  bi.lpfn = &BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(&log);
  bool okEnabled = true;
  headless::WhenIdle([&] {
    okEnabled = IsWindowEnabled(headless::FindChildById(headless::ActiveWindow(), IDOK));
    headless::KeyPress(VK_ESCAPE);
  });
  EXPECT_EQ(SHBrowseForFolder(&bi), nullptr);
  EXPECT_FALSE(okEnabled);
  ASSERT_FALSE(log.selections.empty());
  EXPECT_EQ(log.selections.front(), Dir);  // the root is selected first
  bi.ulFlags = BIF_BROWSEFORCOMPUTER;      // no counterpart: refused at once
  EXPECT_EQ(SHBrowseForFolder(&bi), nullptr);
  ILFree(root);
}

TEST(ItemIdListTest, PathsRoundTripThroughLists) {
  struct Case {
    const char* path;
    const char* back;
    UINT size;
  };
  const Case cases[] = {{"/", "/", 2},
                        {"/home/user/", "/home/user", 2 + (2 + 4) + (2 + 4)},
                        {"//data//Архив", "/data/Архив", 2 + (2 + 4) + (2 + 10)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    PIDLIST_ABSOLUTE p = ILCreateFromPath(c.path);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ILGetSize(p), c.size);
    char out[MAX_PATH] = {};
    EXPECT_TRUE(SHGetPathFromIDList(p, out));
    EXPECT_STREQ(out, c.back);
    ILFree(p);
  }
  EXPECT_EQ(ILCreateFromPath("relative/path"), nullptr);
  EXPECT_EQ(ILGetSize(nullptr), 0u);
  PIDLIST_ABSOLUTE desktop = nullptr;
  EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop), S_OK);
  char out[MAX_PATH] = {};
  EXPECT_TRUE(SHGetPathFromIDList(desktop, out));
  EXPECT_STREQ(out, "/");
  ILFree(desktop);
  PIDLIST_ABSOLUTE network = nullptr;
  EXPECT_NE(SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &network), S_OK);
  EXPECT_EQ(network, nullptr);
  // A path longer than the buffer is refused rather than cut.
  String longPath;
  for (int i = 0; i < 30; ++i) longPath += "/abcdefghij";
  PIDLIST_ABSOLUTE p = ILCreateFromPath(longPath.c_str());
  EXPECT_FALSE(SHGetPathFromIDList(p, out));
  ILFree(p);
}

}  // namespace

namespace {

// A caller may subclass the browse window once it is up and add a button of its own, as a folder
// dialog component with a help button does.
struct Subclassed {
  WNDPROC previous = nullptr;
  int helpClicks = 0;
};
Subclassed* gSubclassed = nullptr;

LRESULT SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && wParam == 0xFFFF) {
    ++gSubclassed->helpClicks;
    return 0;
  }
  return CallWindowProc(gSubclassed->previous, hwnd, msg, wParam, lParam);
}

int SubclassingCallback(HWND hwnd, UINT msg, LPARAM, LPARAM) {
  if (msg != BFFM_INITIALIZED) return 0;
  gSubclassed->previous =
      reinterpret_cast<WNDPROC>(SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
  RECT ok{};
  HWND okButton = GetDlgItem(hwnd, IDOK);
  GetWindowRect(okButton, &ok);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&ok), 2);
  CreateWindowEx(0, "BUTTON", "Справка", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 12, ok.top,
                 ok.right - ok.left, ok.bottom - ok.top, hwnd, reinterpret_cast<HMENU>(static_cast<uintptr_t>(0xFFFF)),
                 nullptr, nullptr);
  return 0;
}

TEST_F(FileDialogsTest, ShellBrowseWindowCanBeSubclassedAndGivenAHelpButton) {
  Subclassed state;
  gSubclassed = &state;
  BROWSEINFO bi{};
  bi.lpfn = &SubclassingCallback;
  headless::WhenIdle([] { EXPECT_TRUE(headless::ClickButton(headless::ActiveWindow(), "Справка")); });
  headless::WhenIdle([] { headless::KeyPress(VK_ESCAPE); });  // the component's keys still work
  EXPECT_EQ(SHBrowseForFolder(&bi), nullptr);
  EXPECT_EQ(state.helpClicks, 1);
  gSubclassed = nullptr;
}

}  // namespace
