// Pages and their codes, the window's standard dialogs, the report, the run protocol and saving the report.
#include <cstdint>

#include "app/main.h"
#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "rtl/Clock.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/Streams.h"
#include "rtl/StringLists.h"
#include "winapi/Windows.h"

// ---- pages ----------------------------------------------------------------------------------------------

TPageCode LoginPageCommand(intptr_t tag) {
  switch (tag) {
    case 0:
    case pcProjectsPage:
      return pcProjectsPage;
    case pcValidatePage:
    case pcBackupPage:
    case pcRestorePage:
    case pcReportPage:
      return static_cast<TPageCode>(tag);
    default:
      return pcNoPage;
  }
}

TPageCode PageCodeOfShownPage(TMainPage shown, intptr_t previousCode) {
  switch (shown) {
    case mpProjects:
      return pcProjectsPage;
    case mpBackup:
      return previousCode == pcValidatePage ? pcValidatePage : pcBackupPage;
    case mpRestore:
      return pcRestorePage;
    case mpReport:
      return pcReportPage;
    case mpClean:
    default:
      return LoginPageCommand(previousCode) == pcNoPage ? pcNoPage : static_cast<TPageCode>(previousCode);
  }
}

// ---- the standard dialogs -----------------------------------------------------------------------------------

void TMainWindowDialogs::ShowMessageText(const String& text) { ShowMessage(text); }

bool TMainWindowDialogs::ConfirmYesNo(const String& text) {
  return MessageDlg(text, mtConfirmation, mbYesNo, 0) == mrYes;
}

void TMainWindowDialogs::Beep() { MessageBeep(MB_OK); }

void TMainWindowDialogs::UpdateDuringRun() {
  if (Application) Application->ProcessMessages();
}

// ---- the report ---------------------------------------------------------------------------------------------

void TReport::SetLines(TStrings* lines) {
  Flush();
  FLines = lines;
}

void TReport::Add(const String& text) {
  FPending.push_back(text);
  // The first line after a quiet spell shows at once; the ones that follow wait for the interval.
  if (GetTickCount64() - FLastFlush >= ThrottleInterval) Flush();
}

void TReport::Flush() {
  if (!FPending.empty()) {
    FLastFlush = GetTickCount64();
    std::vector<String> lines;
    lines.swap(FPending);
    if (FLines) {
      FLines->BeginUpdate();
      try {
        for (const String& line : lines) FLines->Add(line);
      } catch (...) {
        FLines->EndUpdate();
        throw;
      }
      FLines->EndUpdate();
    }
  }
  if (FWindow) FWindow->UpdateDuringRun();
}

// ---- the run protocol ---------------------------------------------------------------------------------------

const TRunTexts& RunTexts(TRunKind kind) {
  // The "c" before "ошибками" is the Latin letter in all four failure texts, as the program always wrote it.
  static const TRunTexts texts[] = {
      {"Будет производится резервирование БД", "Резервирование успешно завершено!",
       "Резервирование завершено c ошибками! Не удалось резервировать:"},
      {"Будет производится восстановление БД", "Восстановление успешно завершено!",
       "Восстановление завершено c ошибками! Не восстановлены файлы:"},
      {"Будет производится проверка БД", "Проверка завершена!", "Проверка завершена c ошибками! Не найдены файлы:"},
      {"Будет производится исправление БД", "Исправление завершено!",
       "Исправление завершено c ошибками! Не найдены файлы:"},
  };
  return texts[kind];
}

String TRunProtocol::TimeLine() {
  const TFormatSettings& fs = FormatSettings();
  return "============== " + FormatDateTime(fs.ShortDateFormat + " " + fs.LongTimeFormat, Now()) + " ==============";
}

void TRunProtocol::Begin() {
  FFailures.clear();
  FReport.Add(TimeLine());
  FReport.Add(RunTexts(FKind).Opening);
  FReport.Add(String());
}

void TRunProtocol::Failed(const String& name) { FFailures += name + "\r"; }

void TRunProtocol::Error(const String& name, const Exception& error) {
  Failed(name);
  FReport.Add("Произошла ошибка : " + error.Message());
}

void TRunProtocol::Result() {
  if (FFailures.empty()) FReport.Add(RunTexts(FKind).Success);
  else FReport.Add(String(RunTexts(FKind).Failure) + "\r\r" + FFailures);
}

void TRunProtocol::End() {
  FReport.Add(TimeLine());
  FReport.Add(String());
  FReport.Flush();
}

// ---- saving ---------------------------------------------------------------------------------------------------

void SaveReportToFile(TStrings* lines, const String& fileName) {
  String text;
  const int32_t count = lines->Count();
  for (int32_t i = 0; i < count; ++i) {
    const String line = lines->Strings(i);
    for (size_t k = 0; k < line.size(); ++k) {
      const char c = line[k];
      if (c == '\r') {
        text += "\r\n";
        if (k + 1 < line.size() && line[k + 1] == '\n') ++k;
      } else if (c == '\n') {
        text += "\r\n";
      } else {
        text += c;
      }
    }
    text += "\r\n";
  }
  TFileStream file(fileName, fmCreate);
  if (!text.empty()) file.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}
