// The HTML label on a form of the headless window system: clicks on links (which button, which targets
// are opened and which go to the program), hover, cursor and anchor events, hints, auto-size, vertical
// alignment, the text list, and a picture of a label with tags, lists, links and a gradient.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "../../support/ScratchFolder.h"
#include "HTMLabelSupport.h"
#include "forms/Forms.h"
#include "ui/htmlabel/HTMLabel.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

using namespace htmlabel_test;

namespace {

class LabelTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(1024, 768);
    InitForms();
    Opened.clear();
    OldOpener = SetURLOpener([this](const String& url) { Opened.push_back(url); });
    Form = New<TForm>(Application, 0);
    Form->SetBounds(0, 0, 400, 300);
    Form->SetColor(clWhite);
    Label = New<THTMLabel>(Form);
    Label->SetBounds(10, 10, 300, 120);
    Label->Font()->SetName("Courier New");
    Label->Font()->SetHeight(-13);
    Label->Font()->SetColor(clBlack);
    Label->SetColor(clWhite);
    Label->SetParent(Form);
    Label->OnAnchorClick = [this](TObject*, const String& a) { Clicked.push_back(a); };
    Label->OnAnchorEnter = [this](TObject*, const String& a) { Events.push_back("enter " + a); };
    Label->OnAnchorExit = [this](TObject*, const String& a) { Events.push_back("exit " + a); };
    Form->Show();
    Pump();
    Cw = Label->Canvas()->TextWidth("x");
    Lh = Label->Canvas()->TextHeight("gh");
  }
  void TearDown() override {
    Form->Free();
    SetURLOpener(OldOpener);
    DoneForms();
    headless::Shutdown();
  }
  static void Pump() { Application->ProcessMessages(); }
  void SetText(const String& html) {
    Owned<TStringList> l(New<TStringList>());
    l->SetText(html);
    Label->SetHTMLText(l.get());
    Pump();
  }
  POINT Screen(int x, int y) { return Label->ClientToScreen(POINT{x, y}); }
  void MoveTo(int x, int y) {
    POINT p = Screen(x, y);
    headless::MouseMove(p.x, p.y);
    Pump();
  }
  void ClickAt(int x, int y, int button = VK_LBUTTON) {
    POINT p = Screen(x, y);
    headless::Click(p.x, p.y, button);
    Pump();
  }
  // Pixel of the label's client point on the form.
  uint32_t Px(int x, int y) { return headless::Pixel(Form->Handle(), Label->Left() + x, Label->Top() + y); }

  TForm* Form = nullptr;
  THTMLabel* Label = nullptr;
  TURLOpener OldOpener;
  std::vector<String> Opened, Clicked, Events;
  int Cw = 0, Lh = 0;
};

}  // namespace

TEST_F(LabelTest, ALeftClickOpensWebMailAndFileTargetsAndReportsTheRest) {
  struct Case {
    const char* Target;
    bool Opens;
  };
  const Case cases[] = {
      {"http://example.org/", true},   {"https://example.org/a?b=c", true}, {"mailto:someone@example.org", true},
      {"file:///tmp/readme.txt", true}, {"HTTP://EXAMPLE.ORG", true},        {"ftp://example.org/", false},
      {"javascript://alert", false},    {"help:contents", false},            {"page2", false},
      {"mailto:", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Target);
    Opened.clear();
    Clicked.clear();
    SetText(String("go <A href=\"") + c.Target + "\">here</A>");
    ClickAt(4 * Cw, Lh / 2);
    if (c.Opens) {
      EXPECT_EQ(Opened, std::vector<String>{c.Target});
      EXPECT_TRUE(Clicked.empty());
    } else {
      EXPECT_TRUE(Opened.empty());
      EXPECT_EQ(Clicked, std::vector<String>{c.Target});
    }
  }
  // Beside the link nothing happens.
  Opened.clear();
  Clicked.clear();
  ClickAt(Cw, Lh / 2);
  EXPECT_TRUE(Opened.empty());
  EXPECT_TRUE(Clicked.empty());
}

TEST_F(LabelTest, OnlyTheLeftButtonFollowsALink) {
  SetText("<A href=\"http://example.org/\">web</A> <A href=\"local\">local</A>");
  for (int button : {VK_RBUTTON, VK_MBUTTON}) {
    ClickAt(Cw, Lh / 2, button);
    ClickAt(5 * Cw, Lh / 2, button);
  }
  EXPECT_TRUE(Opened.empty());
  EXPECT_TRUE(Clicked.empty());
  ClickAt(Cw, Lh / 2);
  ClickAt(5 * Cw, Lh / 2);
  EXPECT_EQ(Opened, std::vector<String>{"http://example.org/"});
  EXPECT_EQ(Clicked, std::vector<String>{"local"});
}

TEST_F(LabelTest, HoverTurnsTheCursorIntoAHandAndReportsEnterAndExit) {
  SetText("plain <A href=\"one\">one</A> <A href=\"two\">two</A>");
  MoveTo(Cw, Lh / 2);
  EXPECT_EQ(Label->Cursor(), crDefault);
  MoveTo(7 * Cw, Lh / 2);
  EXPECT_EQ(Label->Cursor(), crHandPoint);
  EXPECT_EQ(Label->HoverLink(), 1);
  MoveTo(8 * Cw, Lh / 2);  // the same link: no second enter
  MoveTo(11 * Cw, Lh / 2);
  EXPECT_EQ(Label->HoverLink(), 2);
  MoveTo(Cw, Lh / 2);
  EXPECT_EQ(Label->Cursor(), crDefault);
  EXPECT_EQ(Events, (std::vector<String>{"enter one", "enter two", "exit "}));
  RECT r;
  EXPECT_EQ(Label->IsAnchorAt(11 * Cw, Lh / 2, r), "two");
  EXPECT_EQ(r.left, 10 * Cw);
  EXPECT_EQ(r.right, 13 * Cw);
  EXPECT_EQ(Label->IsAnchorAt(Cw, Lh / 2, r), "");
  EXPECT_EQ(r.left, -1);
  EXPECT_EQ(Label->HoverLink(), -1);
}

TEST_F(LabelTest, HoverModeStylesOnlyTheHoveredLink) {
  Label->SetHover(true);
  Label->SetHoverColor(clYellow);
  Label->SetHoverFontColor(clRed);
  SetText("<A href=\"x\">MMMM</A>");
  auto count = [&](uint32_t color) {
    int n = 0;
    for (int y = 0; y < Lh + 2; ++y)
      for (int x = 0; x < 4 * Cw; ++x) n += Px(x, y) == color;
    return n;
  };
  EXPECT_EQ(count(Rgb(255, 255, 0)), 0);
  EXPECT_GT(count(Rgb(0, 0, 255)), 0);  // URLColor while not hovered
  MoveTo(Cw, Lh / 2);
  EXPECT_GT(count(Rgb(255, 255, 0)), 0);  // HoverColor behind the hovered link
  EXPECT_GT(count(Rgb(255, 0, 0)), 0);    // in HoverFontColor
  EXPECT_EQ(count(Rgb(0, 0, 255)), 0);
}

TEST_F(LabelTest, AutoSizingFollowsTheText) {
  SetText("one<BR>two<BR>three");
  Label->SetAlign(alTop);
  Label->SetAutoSizing(true);
  Pump();
  EXPECT_EQ(Label->Height(), 3 * Lh + 6);
  SetText("one");
  EXPECT_EQ(Label->Height(), Lh + 6);

  Label->SetAlign(alNone);
  Label->SetAutoSizeType(asHorizontal);
  SetText("a somewhat longer line<BR>short");
  EXPECT_EQ(Label->Width(), 22 * Cw + 6);
  Label->SetAutoSizeType(asBoth);
  Pump();
  EXPECT_EQ(Label->Height(), 2 * Lh + 6);
}

TEST_F(LabelTest, VerticalAlignmentPlacesTheTextBlock) {
  SetText("<A href=\"x\">link</A>");
  struct Case {
    TVAlignment Align;
    int Top;
  };
  const int h = Label->Height();
  const Case cases[] = {{tvaTop, 0}, {tvaCenter, (h - Lh) / 2}, {tvaBottom, h - Lh}};
  for (const Case& c : cases) {
    Label->SetVAlignment(c.Align);
    Pump();
    RECT r;
    EXPECT_EQ(Label->IsAnchorAt(Cw, c.Top + Lh / 2, r), "x") << int(c.Align);
    EXPECT_EQ(r.top, c.Top);
    if (c.Top > Lh) {
      EXPECT_EQ(Label->IsAnchorAt(Cw, Lh / 2), "");
    }
  }
}

TEST_F(LabelTest, TheTextListIsKeptAsOneLine) {
  Owned<TStringList> l(New<TStringList>());
  l->Add("first <B>half</B>");
  l->Add(" second half");
  Label->SetHTMLText(l.get());
  EXPECT_EQ(Label->HTMLText()->Count(), 1);
  EXPECT_EQ(Label->GetLabelHTML(), "first <B>half</B> second half");
  EXPECT_EQ(Label->Caption(), "");
  // A change of the text drops the pictures loaded by address.
  Label->PictureCache()->NewPicture();
  Label->HTMLText()->SetText("other");
  EXPECT_EQ(Label->PictureCache()->Count(), 0);
}

TEST_F(LabelTest, HintsShowTheTargetOrTheWholeText) {
  SetText("see <A href=\"http://example.org/\">site</A><BR>and <B>more</B>");
  auto hint = [&](int x, int y) {
    THintInfo info;
    info.HintControl = Label;
    info.CursorPos = POINT{x, y};
    info.HintStr = "own hint";
    EXPECT_EQ(Label->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    return info.HintStr;
  };
  EXPECT_EQ(hint(5 * Cw, Lh / 2), "own hint");
  Label->SetAnchorHint(true);
  EXPECT_EQ(hint(5 * Cw, Lh / 2), "http://example.org/");
  Label->OnAnchorHint = [](TObject*, String& a) { a = "Visit " + a; };
  EXPECT_EQ(hint(5 * Cw, Lh / 2), "Visit http://example.org/");
  EXPECT_EQ(hint(Cw, Lh / 2), "own hint");
  Label->SetHintShowFull(true);
  EXPECT_EQ(hint(Cw, Lh / 2), "see site\r\nand more");
  Label->SetHTMLHint(true);
  EXPECT_EQ(hint(Cw, Lh / 2), "see <A href=\"http://example.org/\">site</A><BR>and <B>more</B>");
  EXPECT_EQ(hint(5 * Cw, Lh / 2), "Visit http://example.org/");
}

TEST_F(LabelTest, ALinkHintAppearsBesideThePointer) {
  SetText("see <A href=\"http://example.org/\">site</A>");
  Label->SetAnchorHint(true);
  Label->SetShowHint(true);
  Label->SetHint("the label");  // the application offers hints only to controls that have one
  const POINT p = Screen(5 * Cw, Lh / 2);
  std::vector<std::function<void()>> steps = {
      [&] { headless::MouseMove(p.x, p.y); },
      [&] { headless::AdvanceClock(static_cast<uint32_t>(Application->HintPause()) + 10); }, [] {}};
  size_t next = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    if (next < steps.size())
      steps[next++]();
    else
      Application->Terminate();
  };
  Application->Run();
  Application->OnIdle = nullptr;
  ASSERT_NE(Application->HintWindow(), nullptr);
  ASSERT_TRUE(Application->HintWindow()->IsHintVisible());
  EXPECT_EQ(Application->HintWindow()->Caption(), "http://example.org/");
  RECT wr;
  GetWindowRect(Application->HintWindow()->Handle(), &wr);
  EXPECT_EQ(wr.left, p.x + 10);
  EXPECT_EQ(wr.top, p.y - 10);
}

TEST(URLOpener, SchemesThatAreOpened) {
  struct Case {
    const char* Url;
    bool Opens;
  };
  const Case cases[] = {
      {"http://a", true},  {"https://a", true},  {"HtTpS://a", true}, {"mailto:a@b", true}, {"file:///x", true},
      {"http://", false},  {"ftp://a", false},   {"javascript:x", false}, {"sh -c 'x' http://a", false},
      {" http://a", false}, {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsOpenableURL(c.Url), c.Opens) << c.Url;
}

// The opener runs xdg-open with the target as its single argument: no shell sees the text.
TEST(URLOpener, XdgOpenGetsTheTargetAsOneArgument) {
  scratch::Folder dir;
  const String tool = dir.File("xdg-open");
  const String record = dir.File("args");
  {
    std::ofstream f(tool);
    f << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"" << record << ".tmp\"\nmv \"" << record << ".tmp\" \"" << record
      << "\"\n";
  }
  chmod(tool.c_str(), 0755);
  const char* oldPath = std::getenv("PATH");
  const String keep = oldPath ? oldPath : "";
  setenv("PATH", (dir.Path() + ":" + keep).c_str(), 1);
  const String url = "http://example.org/a b;$(touch " + dir.File("pwned") + ")&c=`id`";
  const bool started = ShellOpenURL(url);
  setenv("PATH", keep.c_str(), 1);
  ASSERT_TRUE(started);
  for (int i = 0; i < 500 && !std::filesystem::exists(record); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ifstream in(record);
  std::string count, arg;
  std::getline(in, count);
  std::getline(in, arg);
  EXPECT_EQ(count, "1");
  EXPECT_EQ(arg, url);
  EXPECT_FALSE(std::filesystem::exists(dir.File("pwned")));
}

TEST_F(LabelTest, PictureOfALabelWithTagsListsLinksAndAGradient) {
  Form->SetBounds(0, 0, 460, 300);
  Label->SetBounds(10, 10, 420, 260);
  Label->Font()->SetName("Tahoma");
  Label->Font()->SetHeight(-12);
  Label->SetColor(RGB(232, 240, 255));
  Label->SetColorTo(RGB(255, 255, 255));
  Label->SetGradientType(gtFullVertical);
  Label->SetBevelOuter(bvLowered);
  Label->SetBevelWidth(1);
  Label->SetHover(false);
  SetText(
      "<P align=\"center\"><FONT size=\"4\" color=\"#203080\"><B>Backup manager</B></FONT></P>"
      "<P align=\"center\"><SHAD>Version 1.0</SHAD> &copy; 2026 - &euro; &amp; &lt;tags&gt;</P>"
      "<P align=\"left\"><BR>Styles: <B>bold</B>, <I>italic</I>, <U>underline</U>, <S>strike</S>, H<SUB>2</SUB>O, x<SUP>2</SUP>, "
      "<FONT color=\"clRed\">red</FONT>, <FONT bgcolor=\"clYellow\">marked</FONT>, <E>speling</E>"
      "<UL><LI>Scheduled backups<UL><LI>daily<LI>weekly</UL><LI>Restore with one click</UL><BR>"
      "<P bgcolor=\"#FFE0C0\" bgcolorto=\"#FFFFFF\">A paragraph on a gradient band</P>"
      "<HR>Site: <A href=\"http://example.org/\">example.org</A>, mail: <A href=\"mailto:team@example.org\">team</A>");
  MoveTo(80, 230);  // rest the pointer somewhere neutral
  Pump();
  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  const std::string path = std::string(VORN_ARTIFACT_DIR) + "/htmlabel.png";
  ASSERT_TRUE(headless::SavePng(Form->Handle(), path.c_str())) << path;
  // The gradient runs from the top colour down to white.
  EXPECT_EQ(Px(Label->Width() - 3, 2), Rgb(232, 240, 255));
}
