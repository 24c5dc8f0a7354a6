// The report: throttled appends, the run protocol's frame, saving it as UTF-8 with CR LF, the report memo
// on the headless backend taking a long run, and the window's standard dialogs.
#include "AppSupport.h"
#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/Files.h"
#include "rtl/Streams.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxMemo.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"

namespace apptest {
namespace {

// A window that counts the updates the report asks for.
using CountingWindow = TTestWindow;

class ReportTest : public ::testing::Test {
protected:
  TScopedTestClock Clock{EncodeDate(2026, 12, 11) + EncodeTime(6, 0, 0, 0)};
  TStringList Lines;
  CountingWindow Window;
  TReport Report;
  void SetUp() override {
    Report.SetLines(&Lines);
    Report.SetWindow(&Window);
  }
};

TEST_F(ReportTest, LinesAreHandedOverAtMostEveryIntervalAndOnFlush) {
  Report.Add("первая");  // after a quiet spell: at once
  EXPECT_EQ(Lines.Count(), 1);
  EXPECT_EQ(Window.Updates, 1);
  for (int i = 0; i < 100; ++i) Report.Add("строка " + IntToStr(i));
  EXPECT_EQ(Lines.Count(), 1);
  EXPECT_EQ(Report.Pending(), 100u);
  Clock.Advance(TReport::ThrottleInterval - 1);
  Report.Add("ещё");
  EXPECT_EQ(Lines.Count(), 1);
  Clock.Advance(1);
  Report.Add("последняя");
  EXPECT_EQ(Lines.Count(), 103);
  EXPECT_EQ(Lines.Strings(102), "последняя");
  EXPECT_EQ(Window.Updates, 2);
  Report.Add("a\r\rb\r");  // one text, as it is
  Report.Flush();
  EXPECT_EQ(Lines.Count(), 104);
  EXPECT_EQ(Lines.Strings(103), "a\r\rb\r");
  EXPECT_EQ(Window.Updates, 3);
}

TEST_F(ReportTest, TenThousandLinesOfAMinuteCostAFewHundredUpdates) {
  // Output lines a millisecond apart, as a large backup writes them.
  for (int i = 0; i < 10000; ++i) {
    Report.Add("gbak: writing data for table T" + IntToStr(i));
    Clock.Advance(1);
  }
  Report.Flush();
  EXPECT_EQ(Lines.Count(), 10000);
  EXPECT_LE(Window.Updates, 10000 / static_cast<int>(TReport::ThrottleInterval) + 2);
  EXPECT_GE(Window.Updates, 10000 / static_cast<int>(TReport::ThrottleInterval) - 2);
}

TEST_F(ReportTest, TheRunProtocolFrame) {
  struct Case {
    TRunKind kind;
    std::vector<String> failed;
    std::vector<String> expected;
  } cases[] = {
      {rkBackup, {}, {"Будет производится резервирование БД", "", "Резервирование успешно завершено!"}},
      {rkRestore,
       {"a.gdb", "b.gdb"},
       {"Будет производится восстановление БД", "",
        "Восстановление завершено c ошибками! Не восстановлены файлы:\r\ra.gdb\rb.gdb\r"}},
      {rkValidation, {"x.gdb"}, {"Будет производится проверка БД", "", "Проверка завершена c ошибками! Не найдены файлы:\r\rx.gdb\r"}},
      {rkRepair, {}, {"Будет производится исправление БД", "", "Исправление завершено!"}},
  };
  for (const Case& c : cases) {
    Lines.Clear();
    TRunProtocol protocol(Report, c.kind);
    protocol.Begin();
    for (const String& f : c.failed) protocol.Failed(f);
    protocol.Result();
    protocol.End();
    std::vector<String> expected = {"============== 11.12.2026 6:00:00 =============="};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    expected.push_back("============== 11.12.2026 6:00:00 ==============");
    expected.push_back("");
    std::vector<String> got;
    for (int32_t i = 0; i < Lines.Count(); ++i) got.push_back(Lines.Strings(i));
    EXPECT_EQ(got, expected) << c.kind;
  }
  // An error names the file and adds the message line; a new run starts with an empty failure list.
  Lines.Clear();
  TRunProtocol protocol(Report, rkBackup);
  protocol.Begin();
  protocol.Error("a.gdb", Exception("нет доступа"));
  EXPECT_EQ(protocol.FailureList(), "a.gdb\r");
  protocol.Begin();
  EXPECT_FALSE(protocol.HasFailures());
  Report.Flush();
  EXPECT_EQ(Lines.Strings(3), "Произошла ошибка : нет доступа");
}

TEST(SaveReport, WritesUtf8WithCrLfAndLoneBreaksBecomeLineEnds) {
  scratch::Folder dir("vorn-app-report");
  TStringList lines;
  for (const char* l : {"============== 11.12.2026 6:00:00 ==============", "Будет производится резервирование БД", "",
                        "Резервирование завершено c ошибками! Не удалось резервировать:\r\ra.gdb\rб.gdb\r",
                        "lf\nalone", "crlf\r\ninside"})
    lines.Add(l);
  const String file = dir.File("отчёт.txt");
  std::ofstream(file) << "older and longer content that must go";
  SaveReportToFile(&lines, file);
  EXPECT_EQ(FileBytes(file),
            "============== 11.12.2026 6:00:00 ==============\r\nБудет производится резервирование БД\r\n\r\n"
            "Резервирование завершено c ошибками! Не удалось резервировать:\r\n\r\na.gdb\r\nб.gdb\r\n\r\n"
            "lf\r\nalone\r\ncrlf\r\ninside\r\n");
  TStringList empty;
  SaveReportToFile(&empty, dir.File("empty.txt"));
  EXPECT_TRUE(FileExists(dir.File("empty.txt")));
  EXPECT_EQ(FileBytes(dir.File("empty.txt")), "");
  // A file that cannot be written: the stream error, nothing else changed.
  EXPECT_THROW(SaveReportToFile(&lines, dir.File("нет/отчёт.txt")), EFCreateError);
  EXPECT_EQ(lines.Count(), 6);
}

// ---- the report memo and the dialogs on the headless backend ---------------------------------------------------

class HeadlessReport : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    // The backend brings a clock of its own; the test's goes back on top of it.
    ClockInstalled.reset();
    headless::Init(1024, 768);
    ClockInstalled = std::make_unique<TClockInstaller>(Clock);
    InitForms();
    InstallDialogs();
    Application->SetTitle("Vorn");
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 640, 480);
    Memo = New<TcxMemo>(Form);
    Memo->SetParent(Form);
    Memo->SetAlign(alClient);
    Memo->Properties()->SetScrollBars(ssVertical);
    Form->Show();
    headless::RunUntilIdle();
  }
  void TearDown() override {
    if (Module) Module->Free();
    Module = nullptr;
    ClockInstalled.reset();
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    cxContainerFinalize();
    cxControlsFinalize();
    DoneLookAndFeels();
    DoneThemeManager();
    winapi::SetThemeActive(false);
    headless::Shutdown();
    AppTest::TearDown();
  }

  // The window's standard parts on real dialogs; the rest recorded.
  class DialogWindow : public TMainWindowDialogs {
  public:
    TMainPage VisiblePage() override { return mpReport; }
    void ShowPage(TMainPage) override {}
    void RunStateChanged(bool) override {}
    void ProjectsChanged(const TProjectsView&) override {}
    void BackupsChanged(bool) override {}
    void FileListChanged() override {}
  };

  TForm* Form = nullptr;
  TcxMemo* Memo = nullptr;
  DialogWindow Dialogs;
};

TEST_F(HeadlessReport, ABackupRunFillsTheMemoAndTheWindowAnswersBetweenLines) {
  MakeSampleDatabase(DatabasesFolder + "/a.gdb", 2000);
  MakeSampleDatabase(DatabasesFolder + "/б в.gdb", 10);
  OpenModule();
  Module->SetWindow(&Dialogs);
  Module->Report().SetLines(Memo->Lines());
  AddLocalProject("Склад", DatabasesFolder, BackupsFolder);
  const int beeps = headless::BeepCount();
  Module->BackupDatabases(0);
  EXPECT_EQ(headless::BeepCount(), beeps + 1);
  const String text = VarToStr(Memo->EditValue());
  EXPECT_EQ(text.rfind("============== 11.12.2026 6:00:00 ==============\r\nБудет производится резервирование БД\r\n\r\n", 0), 0u)
      << text;
  EXPECT_NE(text.find("Резервирование успешно завершено!\r\n============== 11.12.2026 6:00:00 ==============\r\n\r\n"),
            String::npos);
  // Saved from the memo: the same text, CR LF throughout.
  const String file = Root.File("отчёт.txt");
  SaveReportToFile(Memo->Lines(), file);
  EXPECT_EQ(FileBytes(file), std::string(text));
  ForceDirectories(VORN_ARTIFACT_DIR);
  headless::RunUntilIdle();
  headless::SavePng(Form->Handle(), VORN_ARTIFACT_DIR "/AppReportAfterBackup.png");
}

TEST_F(HeadlessReport, TheStandardDialogsShowTheTextsAndTakeTheAnswer) {
  String shown;
  headless::WhenIdle([&] {
    shown = static_cast<TLabel*>(Screen->ActiveForm()->FindComponent("Message"))->Caption();
    headless::ClickButton(headless::ActiveWindow(), "OK");
  });
  Dialogs.ShowMessageText("Не найден путь до резервных копий БД!");
  EXPECT_EQ(shown, "Не найден путь до резервных копий БД!");
  for (const char* button : {"Да", "Нет"}) {
    headless::WhenIdle([&] {
      shown = static_cast<TLabel*>(Screen->ActiveForm()->FindComponent("Message"))->Caption();
      headless::ClickButton(headless::ActiveWindow(), button);
    });
    EXPECT_EQ(Dialogs.ConfirmYesNo("Удалить проект Склад?"), String(button) == "Да") << button;
    EXPECT_EQ(shown, "Удалить проект Склад?");
  }
  const int beeps = headless::BeepCount();
  Dialogs.Beep();
  EXPECT_EQ(headless::BeepCount(), beeps + 1);
  // Handling the waiting messages paints what changed.
  Memo->Lines()->Add("строка");
  Dialogs.UpdateDuringRun();
  EXPECT_FALSE(GetUpdateRect(Form->Handle(), nullptr, FALSE));
}

}  // namespace
}  // namespace apptest
