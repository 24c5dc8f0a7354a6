#pragma once
// The standard dialogs, drawn as our own forms: message boxes (MessageDlg and friends, and the window
// system's MessageBox, installed by InstallDialogs), the open and save dialogs and the folder browse
// dialog. Captions are Russian, like the rest of the default Russian profile (FormatSettings): buttons
// "OK", "Отмена", "&Да", "&Нет", ...; message dialog titles "Предупреждение", "Ошибка", "Информация",
// "Подтверждение".
//
// Tests answer the dialogs through the headless driver (winapi/Headless.h: WhenIdle, FindChild,
// ClickButton, TypeInto, ClickListBoxItem, ClickTreeItem, SelectComboItem). Every control of a dialog that a
// test drives has a control ID (GetDlgCtrlID) from the list below; buttons are found by caption too.

#include <cstdint>

#include "forms/Forms.h"
#include "rtl/StringLists.h"

// Control IDs of the dialogs' controls. Message box buttons carry the ID they return (IDOK, IDYES, ...);
// the text of a message form is drawn by the label named "Message" (a component, not a window:
// Screen->ActiveForm()->FindComponent("Message")).
constexpr int idDlgFolderTree = 0x0401;   // the folder tree (file dialogs and folder browse)
constexpr int idDlgFileList = 0x0402;     // the file list of a file dialog
constexpr int idDlgFileName = 0x0403;     // the file name edit of a file dialog
constexpr int idDlgFilterCombo = 0x0404;  // the file type combo of a file dialog
constexpr int idDlgFolderEdit = 0x0405;   // the folder edit of the folder browse dialog
constexpr int idDlgNewFolder = 0x0406;    // "Создать папку" of the folder browse dialog
constexpr int idDlgFolderPath = 0x0407;   // the current folder's path shown above a file list

enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
RTL_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
enum TMsgDlgBtn : uint8_t {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp
};
RTL_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp)
using TMsgDlgButtons = Set<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
inline const TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// A message form, not shown: the icon of the type, the text (wrapped, the form sized to it) and the
// buttons in the platform's order. The default button is OK, else Yes, else the first; the cancel button
// (Esc, the close box) is Cancel, else No, else OK. The caller shows it with ShowModal and frees it.
TForm* CreateMessageDialog(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons);
// Shows a message dialog centred on the screen (or at x, y when both are >= 0) and returns the modal result
// of the button pressed (mrYes, mrOk, ...); closing it gives mrCancel.
int32_t MessageDlg(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int32_t helpCtx);
int32_t MessageDlgPos(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int32_t helpCtx, int32_t x,
                      int32_t y);
// The message with an OK button under the application's title.
void ShowMessage(const String& msg);
void ShowMessagePos(const String& msg, int32_t x, int32_t y);

// Makes the window system's MessageBox and SHBrowseForFolder (winapi/ShlObj.h) show our forms, and with
// them TApplication::ShowException. InitForms leaves it to the program (call it once forms are up; the
// dialog tests' set-up does), so that a test that never asked for boxes is never stopped by one.
// The box of MessageBox has the buttons of MB_TYPEMASK, the icon of MB_ICONMASK, the default button of
// MB_DEFBUTTON1..3 (the first when there is no such button), and the caption given ("Ошибка" for none).
// Esc and the close box answer IDCANCEL when there is a Cancel button, IDOK for a lone OK, and nothing
// otherwise (Yes/No and Abort/Retry/Ignore must be answered).
void InstallDialogs();

// The dialog components: a dialog window exists only inside Execute.
class TCommonDialog : public TComponent {
  RTL_CLASS(TCommonDialog, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t v) { FHelpContext = v; }
  virtual bool Execute() = 0;

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

protected:
  int32_t FHelpContext = 0;
};

enum TOpenOption : uint8_t {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
  ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
  ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
  ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent, ofForceShowHidden
};
RTL_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
         ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware,
         ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog,
         ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent, ofForceShowHidden)
using TOpenOptions = Set<TOpenOption>;

// The open dialog: a folder tree, the file list of the chosen folder filtered by the selected file type,
// the file name edit and the file type combo. A name typed in the edit is taken relative to the folder
// shown (an absolute path as it is); a name that is a folder opens that folder instead of closing; a name
// with a mask ("*.log") filters the list by it. Execute returns true with FileName (and Files) set.
class TOpenDialog : public TCommonDialog {
  RTL_CLASS(TOpenDialog, TCommonDialog)
  RTL_PUBLISHED_DECL
public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  bool Execute() override;

  String FileName() const { return FFileName; }
  void SetFileName(const String& v) { FFileName = v; }
  // Every chosen file with its path (one unless ofAllowMultiSelect).
  TStrings* Files() const { return FFiles; }
  String InitialDir() const { return FInitialDir; }
  void SetInitialDir(const String& v) { FInitialDir = v; }
  // Pairs "description|mask list", e.g. "Текст|*.txt|Все|*.*"; masks of one type are separated by ";".
  String Filter() const { return FFilter; }
  void SetFilter(const String& v) { FFilter = v; }
  // 1-based; the chosen type is stored back on success.
  int32_t FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int32_t v) { FFilterIndex = v; }
  // Appended (with a dot; a leading "*." or "." is dropped) to a chosen name without an extension.
  String DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const String& v) { FDefaultExt = v; }
  String Title() const { return FTitle; }
  void SetTitle(const String& v) { FTitle = v; }
  TOpenOptions Options() const { return FOptions; }
  void SetOptions(TOpenOptions v) { FOptions = v; }

  TNotifyEvent OnSelectionChange;
  TNotifyEvent OnFolderChange;
  TNotifyEvent OnTypeChange;
  Event<TObject*, bool&> OnCanClose;

protected:
  virtual bool IsSaveDialog() const { return false; }
  virtual String DefaultTitle() const;

private:
  friend class TFileDialogForm;
  String FFileName;
  TStrings* FFiles;
  String FInitialDir;
  String FFilter;
  int32_t FFilterIndex = 1;
  String FDefaultExt;
  String FTitle;
  TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

// The save dialog: as the open dialog; with ofOverwritePrompt an existing file is confirmed first
// ("Заменить?" box; No keeps the dialog open).
class TSaveDialog : public TOpenDialog {
  RTL_CLASS(TSaveDialog, TOpenDialog)
public:
  using TOpenDialog::TOpenDialog;

protected:
  bool IsSaveDialog() const override { return true; }
  String DefaultTitle() const override;
};

// The folder browse dialog: a tree of the folders under root (the file system's root when empty), the
// initial folder selected and shown, an edit that shows the selected folder and accepts a typed path, an
// optional "Создать папку" button, OK enabled only on an existing folder. Returns true with directory set
// to the chosen folder without a trailing separator (the root "/" stays).
bool SelectDirectory(const String& caption, const String& root, String& directory, bool newFolderButton = false);

// The mask list of a filter's entry (1-based index), e.g. "*.txt;*.log"; "*" when there is no such entry.
String FilterMaskList(const String& filter, int32_t index);
