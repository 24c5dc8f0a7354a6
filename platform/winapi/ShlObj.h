#pragma once
// The shell's folder browser and the item identifier lists it deals in, for file-system folders.
//
// An absolute item identifier list (PIDL) names a folder by its path below the file system's root "/",
// which stands for the desktop (and for "my computer"): one item per path component, each a 16-bit byte
// count (counting itself) followed by the component's UTF-8 bytes, the list closed by a zero count. The
// empty list is the root. Lists are allocated with CoTaskMemAlloc and freed with CoTaskMemFree (or ILFree).
//
// SHBrowseForFolder shows the component library's folder browse dialog (installed by forms' InstallDialogs
// through SetBrowseForFolderHandler; without it the call returns null at once). The dialog window takes
// BFFM_SETSELECTION (a path when wParam is TRUE, else a PIDL), BFFM_ENABLEOK and BFFM_SETSTATUSTEXT; the
// callback hears BFFM_INITIALIZED once the window is up and BFFM_SELCHANGED with the new folder's PIDL. Its
// buttons are component buttons, found by ID (GetDlgItem: IDOK, IDCANCEL) rather than by the class "BUTTON".
// Browsing for computers (BIF_BROWSEFORCOMPUTER) has no counterpart here: the call returns null.

#include <cstddef>
#include <cstdint>

#include "winapi/UxTheme.h"  // HRESULT and its codes
#include "winapi/Windows.h"

#pragma pack(push, 1)
struct SHITEMID {
  USHORT cb;
  BYTE abID[1];
};
struct ITEMIDLIST {
  SHITEMID mkid;
};
#pragma pack(pop)
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;

constexpr int MAX_PATH = 260;

using BFFCALLBACK = int (*)(HWND hwnd, UINT msg, LPARAM lParam, LPARAM lpData);

struct BROWSEINFO {
  HWND hwndOwner;
  PCIDLIST_ABSOLUTE pidlRoot;  // null: the root "/"
  LPSTR pszDisplayName;        // receives the chosen folder's name (MAX_PATH bytes)
  LPCSTR lpszTitle;            // the text above the tree
  UINT ulFlags;
  BFFCALLBACK lpfn;
  LPARAM lParam;
  int iImage;  // receives 0: there is no system image list
};
using LPBROWSEINFO = BROWSEINFO*;

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
constexpr UINT BIF_STATUSTEXT = 0x0004;
constexpr UINT BIF_RETURNFSANCESTORS = 0x0008;
constexpr UINT BIF_EDITBOX = 0x0010;
constexpr UINT BIF_VALIDATE = 0x0020;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
constexpr UINT BIF_USENEWUI = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
constexpr UINT BIF_NONEWFOLDERBUTTON = 0x0200;
constexpr UINT BIF_BROWSEFORCOMPUTER = 0x1000;
constexpr UINT BIF_BROWSEFORPRINTER = 0x2000;
constexpr UINT BIF_BROWSEINCLUDEFILES = 0x4000;

// Callback messages and the messages the dialog window takes.
constexpr UINT BFFM_INITIALIZED = 1;
constexpr UINT BFFM_SELCHANGED = 2;
constexpr UINT BFFM_VALIDATEFAILED = 3;
constexpr UINT BFFM_SETSTATUSTEXT = 0x0400 + 100;  // WM_USER + 100
constexpr UINT BFFM_ENABLEOK = 0x0400 + 101;
constexpr UINT BFFM_SETSELECTION = 0x0400 + 102;

// Special folders: the desktop and "my computer" are the root here; the others fail.
constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_NETWORK = 0x0012;
constexpr int CSIDL_DRIVES = 0x0011;

LPVOID CoTaskMemAlloc(size_t size);
void CoTaskMemFree(LPVOID p);

PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFO* bi);
using BrowseForFolderHandler = PIDLIST_ABSOLUTE (*)(BROWSEINFO* bi);
void SetBrowseForFolderHandler(BrowseForFolderHandler handler);

// Writes the folder's path ("/" for the empty list) into path (MAX_PATH bytes); FALSE for a null list or a
// path that does not fit.
BOOL SHGetPathFromIDList(PCIDLIST_ABSOLUTE pidl, LPSTR path);
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, PIDLIST_ABSOLUTE* pidl);
// The list of an absolute path ("/a/b", trailing separators ignored); null for a relative path.
PIDLIST_ABSOLUTE ILCreateFromPath(LPCSTR path);
// The byte size of the list including its terminator (0 for null).
UINT ILGetSize(PCIDLIST_ABSOLUTE pidl);
void ILFree(PIDLIST_ABSOLUTE pidl);
