#include "ui/propstorage/BrowseFolderDlg.h"

#include <cctype>

#include "rtl/Files.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

// The window property under which the dialog window finds its component.
constexpr char kComponentProp[] = "VornBrowseFolderDlg";

std::function<void(THelpContext)>& HelpHandler() {
  static std::function<void(THelpContext)> handler;
  return handler;
}

// The dialog's first child window of the button class, else its OK button.
HWND FindFirstButton(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[32] = {};
    GetClassName(child, cls, sizeof cls);
    if (SameText(cls, "BUTTON")) return child;
  }
  return GetDlgItem(dialog, IDOK);
}

}  // namespace

RTL_PUBLISHED(TBrowseFolderDlg) {
  prop("HelpContext", &TBrowseFolderDlg::HelpContext, &TBrowseFolderDlg::SetHelpContext).Default(0);
  prop("DesktopRoot", &TBrowseFolderDlg::DesktopRoot, &TBrowseFolderDlg::SetDesktopRoot).Default(true);
  prop("BrowseKind", &TBrowseFolderDlg::BrowseKind, &TBrowseFolderDlg::SetBrowseKind).Default(bfFolders);
  prop("Position", &TBrowseFolderDlg::Position, &TBrowseFolderDlg::SetPosition).Default(dpScreenCenter);
  prop("DialogText", &TBrowseFolderDlg::DialogText, &TBrowseFolderDlg::SetDialogText);
  prop("FolderName", &TBrowseFolderDlg::FolderName, &TBrowseFolderDlg::SetFolderName);
  event("OnInitialized", &TBrowseFolderDlg::OnInitialized, &TBrowseFolderDlg::OnInitialized);
  event("OnSelChanged", &TBrowseFolderDlg::OnSelChanged, &TBrowseFolderDlg::OnSelChanged);
}

TBrowseFolderDlg::~TBrowseFolderDlg() { RestoreWndProc(); }

void TBrowseFolderDlg::RestoreWndProc() {
  if (FDlgWnd && FOldWndProc && IsWindow(FDlgWnd)) {
    SetWindowLongPtr(FDlgWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldWndProc));
    RemoveProp(FDlgWnd, kComponentProp);
  }
  FDlgWnd = nullptr;
  FOldWndProc = nullptr;
}

bool TBrowseFolderDlg::Execute() {
  PIDLIST_ABSOLUTE root = nullptr;
  if (FBrowseKind == bfComputers)
    SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &root);
  else if (FDesktopRoot)
    SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &root);
  else
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &root);
  char display[MAX_PATH] = {};
  BROWSEINFO bi{};
  TCustomForm* mainForm = Application ? Application->MainForm() : nullptr;
  bi.hwndOwner = mainForm && mainForm->HandleAllocated() ? mainForm->Handle() : nullptr;
  bi.pidlRoot = root;
  bi.pszDisplayName = display;
  bi.lpszTitle = FDialogText.empty() ? nullptr : FDialogText.c_str();
  bi.ulFlags = FBrowseKind == bfComputers ? BIF_BROWSEFORCOMPUTER : BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  bi.lpfn = &TBrowseFolderDlg::BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(this);
  HWND previous = GetActiveWindow();
  PIDLIST_ABSOLUTE chosen = nullptr;
  try {
    chosen = SHBrowseForFolder(&bi);
  } catch (...) {
    RestoreWndProc();
    ILFree(root);
    throw;
  }
  RestoreWndProc();
  ILFree(root);
  if (previous && IsWindow(previous)) SetActiveWindow(previous);
  if (!chosen) return false;
  FDisplayName = display;
  String folder;
  if (FBrowseKind == bfComputers) {
    folder = FDisplayName;
  } else {
    char path[MAX_PATH] = {};
    const bool ok = SHGetPathFromIDList(chosen, path);
    if (!ok) {
      ILFree(chosen);
      RaiseLastOSError();
    }
    folder = TrimTrailingBackslash(path);
  }
  FFolderName = folder;
  FSelectedName = folder;
  FImageIndex = bi.iImage;
  ILFree(chosen);
  return true;
}

int TBrowseFolderDlg::BrowseCallback(HWND Wnd, UINT Msg, LPARAM LParam, LPARAM Data) {
  auto* self = reinterpret_cast<TBrowseFolderDlg*>(Data);
  if (!self) return 0;
  if (Msg == BFFM_INITIALIZED)
    self->DoInitialized(Wnd);
  else if (Msg == BFFM_SELCHANGED)
    self->DoSelChanged(Wnd, reinterpret_cast<PCIDLIST_ABSOLUTE>(LParam));
  return 0;
}

void TBrowseFolderDlg::DoInitialized(HWND Wnd) {
  if (FPosition == dpScreenCenter) CenterWindowOnScreen(Wnd);
  FDlgWnd = Wnd;
  SetProp(Wnd, kComponentProp, reinterpret_cast<HANDLE>(this));
  FOldWndProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TBrowseFolderDlg::DialogWndProc)));
  // A folder that no longer exists opens the dialog without a preselection.
  if (FBrowseKind == bfComputers || IsExistingFolder(FFolderName))
    SendMessage(Wnd, BFFM_SETSELECTION, TRUE, reinterpret_cast<LPARAM>(FFolderName.c_str()));
  if (FHelpContext != 0) {
    if (HWND button = FindFirstButton(Wnd)) {
      RECT r{};
      GetWindowRect(button, &r);
      MapWindowPoints(nullptr, Wnd, reinterpret_cast<POINT*>(&r), 2);
      HWND help = CreateWindowEx(0, "BUTTON", "Справка", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 12,
                                 r.top, r.right - r.left, r.bottom - r.top, Wnd,
                                 reinterpret_cast<HMENU>(static_cast<uintptr_t>(idBrowseHelpButton)), nullptr, nullptr);
      if (help) SendMessage(help, WM_SETFONT, static_cast<WPARAM>(SendMessage(Wnd, WM_GETFONT, 0, 0)), 0);
      InvalidateRect(Wnd, nullptr, TRUE);
    }
  }
  if (OnInitialized) OnInitialized(this);
}

void TBrowseFolderDlg::DoSelChanged(HWND Wnd, PCIDLIST_ABSOLUTE Item) {
  FDlgWnd = Wnd;
  if (FBrowseKind == bfComputers) {
    FSelectedName = FDisplayName;
  } else {
    char path[MAX_PATH] = {};
    if (Item && SHGetPathFromIDList(Item, path)) {
      FSelectedName = path;
      SendMessage(Wnd, BFFM_ENABLEOK, 0, IsExistingFolder(FSelectedName) ? TRUE : FALSE);
    } else {
      FSelectedName.clear();
      SendMessage(Wnd, BFFM_ENABLEOK, 0, FALSE);
    }
  }
  if (OnSelChanged) OnSelChanged(this);
}

LRESULT TBrowseFolderDlg::DialogWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* self = reinterpret_cast<TBrowseFolderDlg*>(GetProp(Wnd, kComponentProp));
  if (!self) return DefWindowProc(Wnd, Msg, WParam, LParam);
  return self->WndProc(Wnd, Msg, WParam, LParam);
}

LRESULT TBrowseFolderDlg::WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  WNDPROC previous = FOldWndProc;
  if (Msg == WM_COMMAND && WParam == static_cast<WPARAM>(idBrowseHelpButton)) {
    if (FHelpContext != 0) ShowHelpContext(FHelpContext);
    return 0;
  }
  if (Msg == WM_NCDESTROY) {
    RemoveProp(Wnd, kComponentProp);
    SetWindowLongPtr(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    LRESULT result = CallWindowProc(previous, Wnd, Msg, WParam, LParam);
    FDlgWnd = nullptr;
    FOldWndProc = nullptr;
    return result;
  }
  return CallWindowProc(previous, Wnd, Msg, WParam, LParam);
}

void SetHelpContextHandler(std::function<void(THelpContext)> handler) { HelpHandler() = std::move(handler); }

void ShowHelpContext(THelpContext context) {
  if (HelpHandler()) HelpHandler()(context);
}

bool BrowseForDirectory(String& Folder, const String& Title, THelpContext HelpContext) {
  TBrowseFolderDlg* dialog = New<TBrowseFolderDlg>(Application);
  bool result = false;
  try {
    dialog->SetDialogText(Title);
    dialog->SetFolderName(Folder);
    dialog->SetHelpContext(HelpContext);
    result = dialog->Execute();
    if (result) Folder = dialog->FolderName();
  } catch (...) {
    dialog->Free();
    throw;
  }
  dialog->Free();
  return result;
}

String TrimTrailingBackslash(const String& Path) {
  if (Path.size() <= 1) return Path;
  const char last = Path.back();
  if (last != '/' && last != '\\') return Path;
  if (Path.size() == 3 && std::isalpha(static_cast<unsigned char>(Path[0])) && Path[1] == ':') return Path;
  return Path.substr(0, Path.size() - 1);
}

bool IsExistingFolder(const String& Path) {
  if (Path.empty()) return false;
  const int32_t attr = FileGetAttr(Path);
  return attr != -1 && (attr & faDirectory) != 0;
}

void FitRectToScreen(RECT& Rect) {
  const int32_t w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (Rect.right > w) OffsetRect(&Rect, w - Rect.right, 0);
  if (Rect.left < 0) OffsetRect(&Rect, -Rect.left, 0);
  if (Rect.bottom > h) OffsetRect(&Rect, 0, h - Rect.bottom);
  if (Rect.top < 0) OffsetRect(&Rect, 0, -Rect.top);
}

void CenterWindowOnScreen(HWND Wnd) {
  RECT r{};
  GetWindowRect(Wnd, &r);
  const int32_t w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  const int32_t width = r.right - r.left, height = r.bottom - r.top;
  RECT placed{(w - width) / 2, (h - height) / 2, 0, 0};
  placed.right = placed.left + width;
  placed.bottom = placed.top + height;
  FitRectToScreen(placed);
  SetWindowPos(Wnd, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RegisterDesktopCursors() {
  if (!Screen) return;
  Screen->SetCursors(crHandCursorEh, LoadCursor(nullptr, IDC_HAND));
  Screen->SetCursors(crDragCursorEh, Screen->Cursors(crDrag));
}
