// The database login dialog answered through the headless driver: the boxes typed into and OK, Escape
// leaving the arguments alone, and how a long database name is shortened.

#include "FormsSupport.h"
#include "forms/LoginDialog.h"

namespace {

using namespace ft;

class LoginDialogTest : public FormsTest {
protected:
  void TearDown() override {
    EXPECT_EQ(headless::PendingIdleSteps(), 0) << "a scripted answer was not used";
    headless::ClearIdleSteps();
    FormsTest::TearDown();
  }
};

TEST_F(LoginDialogTest, LongNamesKeepTheirStartAndEnd) {
  const String n45(45, 'a');
  EXPECT_EQ(LoginDialogDatabaseText(n45), n45);
  const String n46 = "0123456789" + String(3, 'x') + "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456";
  ASSERT_EQ(n46.size(), 46u);
  EXPECT_EQ(LoginDialogDatabaseText(n46), "0123456789...ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456");
  // Characters, not bytes: a Cyrillic name of 46 letters is cut between letters.
  String cyr;
  for (int i = 0; i < 46; ++i) cyr += "ж";
  String expected;
  for (int i = 0; i < 10; ++i) expected += "ж";
  expected += "...";
  for (int i = 0; i < 33; ++i) expected += "ж";
  EXPECT_EQ(LoginDialogDatabaseText(cyr), expected);
}

TEST_F(LoginDialogTest, OkReturnsTheBoxesAndTheFormIsLaidOutAsTheDialog) {
  String user = "SYSDBA", password = "old", role = "R1";
  TfrmDIZIVOdoviVoz* seen = nullptr;
  headless::WhenIdle([&] {
    HWND dlg = headless::ActiveWindow();
    char caption[64] = {};
    GetWindowText(dlg, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Database login");
    seen = dynamic_cast<TfrmDIZIVOdoviVoz*>(Screen->ActiveForm());
    ASSERT_NE(seen, nullptr);
    EXPECT_TRUE(seen->EdPassword->Focused()) << "the password box comes first";
    EXPECT_EQ(seen->EdUserName->Text(), "SYSDBA");
    EXPECT_EQ(seen->EdPassword->Text(), "") << "the password is never shown";
    EXPECT_EQ(seen->EdRole->Text(), "R1");
    EXPECT_EQ(seen->lbDBName->Caption(), "srv:/data/db.fdb");
    EXPECT_EQ(seen->ClientWidth(), 293);
    EXPECT_EQ(seen->ClientHeight(), 222);
    EXPECT_TRUE(seen->Label1->Font()->Style().Contains(fsBold));
    EXPECT_EQ(seen->EdPassword->PasswordChar(), U'*');
    headless::TypeText("секрет");
  });
  headless::WhenIdle([&] { headless::TypeInto(seen->EdRole->Handle(), "ADMIN"); });
  headless::WhenIdle([] { headless::KeyPress(VK_RETURN); });
  EXPECT_TRUE(ZAZLoginDialog("srv:/data/db.fdb", user, password, role));
  EXPECT_EQ(user, "SYSDBA");
  EXPECT_EQ(password, "секрет");
  EXPECT_EQ(role, "ADMIN");
}

TEST_F(LoginDialogTest, CancelLeavesTheArgumentsAlone) {
  String user = "U", password = "P", role = "R";
  headless::WhenIdle([] { headless::TypeText("typed"); });
  headless::WhenIdle([] { headless::KeyPress(VK_ESCAPE); });
  EXPECT_FALSE(ZAZLoginDialog("db", user, password, role));
  EXPECT_EQ(user, "U");
  EXPECT_EQ(password, "P");
  EXPECT_EQ(role, "R");
  headless::WhenIdle([] {
    auto* form = dynamic_cast<TfrmDIZIVOdoviVoz*>(Screen->ActiveForm());
    ASSERT_NE(form, nullptr);
    headless::ClickWindow(form->Button2->Handle());
  });
  EXPECT_FALSE(ZAZLoginDialog("db", user, password, role));
}

}  // namespace
