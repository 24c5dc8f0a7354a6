#pragma once
// The folder browse dialog as a component, its one-call form BrowseForDirectory, and small desktop
// routines that keep a window on the screen.
//
// The dialog is the window system's folder browser (winapi/ShlObj.h, shown as our own modal form over
// the platform tree view); the component starts it at FolderName, keeps OK enabled only on existing
// folders, may add a help button "Справка", and returns the chosen folder without a trailing separator.

#include <cstdint>
#include <functional>

#include "forms/Forms.h"
#include "winapi/ShlObj.h"

enum TBrowseKind : uint8_t { bfFolders, bfComputers };
RTL_ENUM(TBrowseKind, bfFolders, bfComputers)
enum TDialogPosition : uint8_t { dpDefault, dpScreenCenter };
RTL_ENUM(TDialogPosition, dpDefault, dpScreenCenter)

using THelpContext = int32_t;

class TBrowseFolderDlg : public TComponent {
  RTL_CLASS(TBrowseFolderDlg, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TBrowseFolderDlg(TComponent* AOwner) : TComponent(AOwner) {}
  ~TBrowseFolderDlg() override;

  // True when the user chose an item with OK; FolderName then holds it.
  bool Execute();

  THelpContext HelpContext() const { return FHelpContext; }
  void SetHelpContext(THelpContext v) { FHelpContext = v; }
  bool DesktopRoot() const { return FDesktopRoot; }
  void SetDesktopRoot(bool v) { FDesktopRoot = v; }
  TBrowseKind BrowseKind() const { return FBrowseKind; }
  void SetBrowseKind(TBrowseKind v) { FBrowseKind = v; }
  TDialogPosition Position() const { return FPosition; }
  void SetPosition(TDialogPosition v) { FPosition = v; }
  String DialogText() const { return FDialogText; }
  void SetDialogText(const String& v) { FDialogText = v; }
  String FolderName() const { return FFolderName; }
  void SetFolderName(const String& v) { FFolderName = v; }
  String DisplayName() const { return FDisplayName; }
  // The item selected in the open dialog (its path, or a computer's name).
  String SelectedName() const { return FSelectedName; }
  int32_t ImageIndex() const { return FImageIndex; }
  // The dialog window while the dialog is open.
  HWND Handle() const { return FDlgWnd; }

  TNotifyEvent OnInitialized;
  TNotifyEvent OnSelChanged;

protected:
  // The dialog window's messages, after the component has taken over its window procedure.
  virtual LRESULT WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

private:
  static int BrowseCallback(HWND Wnd, UINT Msg, LPARAM LParam, LPARAM Data);
  static LRESULT DialogWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  void DoInitialized(HWND Wnd);
  void DoSelChanged(HWND Wnd, PCIDLIST_ABSOLUTE Item);
  void RestoreWndProc();

  WNDPROC FOldWndProc = nullptr;
  THelpContext FHelpContext = 0;
  HWND FDlgWnd = nullptr;
  bool FDesktopRoot = true;
  TBrowseKind FBrowseKind = bfFolders;
  TDialogPosition FPosition = dpScreenCenter;
  String FDialogText;
  String FDisplayName;
  String FSelectedName;
  String FFolderName;
  int32_t FImageIndex = 0;
};

// The dialog's help button: its identifier, and who opens a help topic. The platform has no help
// viewer; the program installs one (nothing happens while none is installed).
constexpr int idBrowseHelpButton = 0xFFFF;
void SetHelpContextHandler(std::function<void(THelpContext)> handler);
void ShowHelpContext(THelpContext context);

// Shows the folder browse dialog with Title above the tree, starting at Folder; true with the chosen
// folder in Folder on OK.
bool BrowseForDirectory(String& Folder, const String& Title, THelpContext HelpContext = 0);

// A path without its trailing separator; the file system's root "/" (and a drive root "C:\") stays.
String TrimTrailingBackslash(const String& Path);
// Whether Path names an existing folder.
bool IsExistingFolder(const String& Path);
// Moves a rectangle onto the primary screen; one larger than the screen ends at its left or top edge.
void FitRectToScreen(RECT& Rect);
// Centres a window on the primary screen without changing its size, Z order or activation.
void CenterWindowOnScreen(HWND Wnd);

// Two extra screen cursors: a hand and a drag cursor, under these numbers.
constexpr TCursor crHandCursorEh = 14000;
constexpr TCursor crDragCursorEh = 14001;
// Registers them with the screen object (once it exists).
void RegisterDesktopCursors();
