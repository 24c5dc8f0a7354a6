// The standard dialogs, answered through the headless driver with real input.

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "FormsSupport.h"
#include "forms/Dialogs.h"
#include "forms/StdCtrls.h"
#include "rtl/Files.h"
#include "winapi/WinCtrls.h"

namespace {

using namespace ft;

class DialogsTest : public FormsTest {
protected:
  void SetUp() override {
    FormsTest::SetUp();
    InstallMessageBox();
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
  ShowMessagePos("Пароль успешно изменен!", 40, 50);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
}

}  // namespace
