// System values (metrics, the classic colour table, parameters, the monitor), rectangles, the beep,
// cursors, the caret, the clipboard and global memory blocks.

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "rtl/Utf8.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/Wm.h"

using namespace winapi::detail;

namespace {

const COLORREF kClassicColors[COLOR_COUNT] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // unused slot
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

COLORREF gColors[COLOR_COUNT];
Brush* gColorBrushes[COLOR_COUNT] = {};

struct Params {
  BOOL menuAnimation = TRUE;
  BOOL menuFade = FALSE;
  BOOL comboAnimation = TRUE;
  BOOL dragFullWindows = TRUE;
  BOOL keyboardCues = FALSE;
  BOOL uiEffects = TRUE;
  UINT hoverTime = 400;
  UINT hoverWidth = 4;
  UINT hoverHeight = 4;
  UINT wheelLines = 3;
  int doubleClickWidth = 4;
  int doubleClickHeight = 4;
};
Params gParams;

void DefaultFont(LOGFONT* lf, LONG weight) {
  std::memset(lf, 0, sizeof *lf);
  lf->lfHeight = -11;
  lf->lfWeight = weight;
  lf->lfCharSet = 1;  // DEFAULT_CHARSET
  std::strcpy(lf->lfFaceName, "Tahoma");
}

NONCLIENTMETRICS DefaultNonClient() {
  NONCLIENTMETRICS m{};
  m.cbSize = sizeof m;
  m.iBorderWidth = 1;
  m.iScrollWidth = 16;
  m.iScrollHeight = 16;
  m.iCaptionWidth = 18;
  m.iCaptionHeight = 18;
  DefaultFont(&m.lfCaptionFont, 700);
  m.iSmCaptionWidth = 12;
  m.iSmCaptionHeight = 15;
  DefaultFont(&m.lfSmCaptionFont, 700);
  m.iMenuWidth = 18;
  m.iMenuHeight = 18;
  DefaultFont(&m.lfMenuFont, 400);
  DefaultFont(&m.lfStatusFont, 400);
  DefaultFont(&m.lfMessageFont, 400);
  return m;
}
NONCLIENTMETRICS gNonClient = DefaultNonClient();

int gBeeps = 0;
std::mutex gBeepMutex;

// ---- cursors and the caret ---------------------------------------------------------------------------
struct Cursor : GdiObject {
  Cursor() : GdiObject(0) {}
  uintptr_t id = 0;
};
// stock cursors live as long as the process; the table is never destroyed so they stay reachable
std::map<uintptr_t, Cursor*>& StockCursors() {
  static auto* m = new std::map<uintptr_t, Cursor*>();
  return *m;
}
HCURSOR gCursor = nullptr;
int gShowCursor = 0;

struct Caret {
  HWND hwnd = nullptr;
  int width = 0;
  int height = 0;
  POINT pos{};
  int hidden = 1;
  UINT blink = 530;
};
Caret gCaret;

// ---- clipboard ---------------------------------------------------------------------------------------
struct GlobalBlock {
  std::vector<char> bytes;
  int locks = 0;
};
std::mutex gGlobalMutex;
std::set<GlobalBlock*> gGlobals;

GlobalBlock* AsGlobal(HGLOBAL h) {
  auto* b = static_cast<GlobalBlock*>(h);
  std::lock_guard<std::mutex> lock(gGlobalMutex);
  return gGlobals.count(b) ? b : nullptr;
}

struct Clipboard {
  bool open = false;
  HWND opener = nullptr;
  HWND owner = nullptr;
  bool changed = false;
  std::vector<std::pair<UINT, HANDLE>> data;  // in the order they were set
};
Clipboard gClip;
std::map<std::string, UINT> gClipFormats;

void FreeClipData(UINT format, HANDLE h) {
  if (!h) return;
  if (format == CF_BITMAP)
    DeleteObject(h);
  else
    GlobalFree(h);
}

HANDLE* FindClip(UINT format) {
  for (auto& [f, h] : gClip.data)
    if (f == format) return &h;
  return nullptr;
}

HGLOBAL GlobalFromBytes(const void* p, size_t n) {
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, n);
  std::memcpy(GlobalLock(g), p, n);
  GlobalUnlock(g);
  return g;
}

}  // namespace

namespace winapi::detail {

void ResetSystemValues() {
  std::copy(std::begin(kClassicColors), std::end(kClassicColors), gColors);
  for (int i = 0; i < COLOR_COUNT; ++i) {
    if (!gColorBrushes[i]) {
      gColorBrushes[i] = new Brush();
      gColorBrushes[i]->stock = true;
      gColorBrushes[i]->sysColorIndex = i;
      RegisterObject(gColorBrushes[i]);
    }
    gColorBrushes[i]->color = gColors[i];
  }
  gParams = Params{};
  gNonClient = DefaultNonClient();
  SetDoubleClickTime(500);
}

void ResetClipboard() {
  for (auto& [f, h] : gClip.data) FreeClipData(f, h);
  gClip = Clipboard{};
}

void ResetCaretAndCursor() {
  gCaret = Caret{};
  gCursor = StockCursor(IDC_ARROW);
  gShowCursor = 0;
}

HCURSOR StockCursor(LPCSTR id) {
  auto key = reinterpret_cast<uintptr_t>(id);
  auto& stock = StockCursors();
  auto it = stock.find(key);
  if (it != stock.end()) return reinterpret_cast<HCURSOR>(static_cast<GdiObject*>(it->second));
  auto* c = new Cursor();
  c->id = key;
  c->stock = true;
  RegisterObject(c);
  stock[key] = c;
  return reinterpret_cast<HCURSOR>(static_cast<GdiObject*>(c));
}

void BeepRecorded(UINT) {
  std::lock_guard<std::mutex> lock(gBeepMutex);
  ++gBeeps;
}
int BeepCounter() {
  std::lock_guard<std::mutex> lock(gBeepMutex);
  return gBeeps;
}
void ResetBeeps() {
  std::lock_guard<std::mutex> lock(gBeepMutex);
  gBeeps = 0;
}

}  // namespace winapi::detail

// ---- rectangles --------------------------------------------------------------------------------------
BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = RECT{left, top, right, bottom};
  return TRUE;
}
BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }
BOOL CopyRect(RECT* dst, const RECT* src) {
  if (!dst || !src) return FALSE;
  *dst = *src;
  return TRUE;
}
BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }
BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  *r = RECT{r->left + dx, r->top + dy, r->right + dx, r->bottom + dy};
  return TRUE;
}
BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  *r = RECT{r->left - dx, r->top - dy, r->right + dx, r->bottom + dy};
  return TRUE;
}
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (r.right <= r.left || r.bottom <= r.top) {
    *dst = RECT{0, 0, 0, 0};
    return FALSE;
  }
  *dst = r;
  return TRUE;
}
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  if (IsRectEmpty(a)) {
    *dst = IsRectEmpty(b) ? RECT{0, 0, 0, 0} : *b;
  } else if (IsRectEmpty(b)) {
    *dst = *a;
  } else {
    *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
  }
  return !IsRectEmpty(dst);
}
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  RECT r = *a, i;
  if (IntersectRect(&i, a, b)) {
    // only a subtraction that leaves a rectangle changes the result
    if (i.top == r.top && i.bottom == r.bottom) {
      if (i.left == r.left) r.left = i.right;
      else if (i.right == r.right) r.right = i.left;
    } else if (i.left == r.left && i.right == r.right) {
      if (i.top == r.top) r.top = i.bottom;
      else if (i.bottom == r.bottom) r.bottom = i.top;
    }
  }
  *dst = r;
  return !IsRectEmpty(dst);
}

// ---- metrics, colours, parameters --------------------------------------------------------------------
int GetSystemMetrics(int index) {
  int sw = ScreenWidth(), sh = ScreenHeight();
  RECT work = WorkArea();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN: return sw;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN: return sh;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN: return 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return gNonClient.iScrollWidth;
    case SM_CYCAPTION: return gNonClient.iCaptionHeight + 1;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return gNonClient.iMenuHeight + 1;
    case SM_CXFULLSCREEN: return work.right - work.left;
    case SM_CYFULLSCREEN: return work.bottom - work.top - GetSystemMetrics(SM_CYCAPTION);
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT: return 1;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CXMIN:
    case SM_CXMINTRACK: return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK: return 27;
    case SM_CXSIZE: return gNonClient.iCaptionWidth;
    case SM_CYSIZE: return gNonClient.iCaptionHeight;
    case SM_CXDOUBLECLK: return gParams.doubleClickWidth;
    case SM_CYDOUBLECLK: return gParams.doubleClickHeight;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXMINSPACING: return 160;
    case SM_CYMINSPACING: return 24;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return gNonClient.iSmCaptionHeight + 1;
    case SM_CXSMSIZE: return gNonClient.iSmCaptionWidth;
    case SM_CYSMSIZE: return gNonClient.iSmCaptionHeight;
    case SM_CXMENUSIZE: return gNonClient.iMenuWidth;
    case SM_CYMENUSIZE: return gNonClient.iMenuHeight;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 24;
    case SM_CXMAXTRACK: return sw + 12;
    case SM_CYMAXTRACK: return sh + 12;
    case SM_CXMAXIMIZED: return work.right - work.left + 8;
    case SM_CYMAXIMIZED: return work.bottom - work.top + 8;
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER: return 1;
    default: return 0;
  }
}

DWORD GetSysColor(int index) {
  if (index < 0 || index >= COLOR_COUNT) return 0;
  return gColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= COLOR_COUNT || !gColorBrushes[index]) return nullptr;
  return reinterpret_cast<HBRUSH>(static_cast<GdiObject*>(gColorBrushes[index]));
}

BOOL SetSysColors(int count, const int* indexes, const COLORREF* colors) {
  if (count <= 0 || !indexes || !colors) return FALSE;
  for (int i = 0; i < count; ++i) {
    int k = indexes[i];
    if (k < 0 || k >= COLOR_COUNT) continue;
    gColors[k] = colors[i] & 0x00FFFFFF;
    if (gColorBrushes[k]) gColorBrushes[k]->color = gColors[k];
  }
  BroadcastSend(WM_SYSCOLORCHANGE, 0, 0);
  RedrawAll();
  return TRUE;
}

BOOL SystemParametersInfo(UINT action, UINT uiParam, LPVOID pv, UINT winIni) {
  auto getBool = [&](BOOL v) {
    if (!pv) return FALSE;
    *static_cast<BOOL*>(pv) = v;
    return TRUE;
  };
  auto getUint = [&](UINT v) {
    if (!pv) return FALSE;
    *static_cast<UINT*>(pv) = v;
    return TRUE;
  };
  BOOL ok = TRUE;
  bool changed = false;
  switch (action) {
    case SPI_GETWORKAREA:
      if (!pv) return FALSE;
      *static_cast<RECT*>(pv) = WorkArea();
      return TRUE;
    case SPI_SETWORKAREA:
      SetWorkAreaRect(pv ? *static_cast<RECT*>(pv) : RECT{0, 0, ScreenWidth(), ScreenHeight()});
      changed = true;
      break;
    case SPI_GETNONCLIENTMETRICS:
      if (!pv) return FALSE;
      *static_cast<NONCLIENTMETRICS*>(pv) = gNonClient;
      return TRUE;
    case SPI_SETNONCLIENTMETRICS:
      if (!pv) return FALSE;
      gNonClient = *static_cast<NONCLIENTMETRICS*>(pv);
      changed = true;
      break;
    case SPI_GETICONTITLELOGFONT:
      if (!pv) return FALSE;
      DefaultFont(static_cast<LOGFONT*>(pv), 400);
      return TRUE;
    case SPI_GETMENUANIMATION: return getBool(gParams.menuAnimation);
    case SPI_SETMENUANIMATION: gParams.menuAnimation = static_cast<BOOL>(reinterpret_cast<uintptr_t>(pv)); changed = true; break;
    case SPI_GETMENUFADE: return getBool(gParams.menuFade);
    case SPI_SETMENUFADE: gParams.menuFade = static_cast<BOOL>(reinterpret_cast<uintptr_t>(pv)); changed = true; break;
    case SPI_GETCOMBOBOXANIMATION: return getBool(gParams.comboAnimation);
    case SPI_SETCOMBOBOXANIMATION: gParams.comboAnimation = static_cast<BOOL>(reinterpret_cast<uintptr_t>(pv)); changed = true; break;
    case SPI_GETDRAGFULLWINDOWS: return getBool(gParams.dragFullWindows);
    case SPI_SETDRAGFULLWINDOWS: gParams.dragFullWindows = static_cast<BOOL>(uiParam); changed = true; break;
    case SPI_GETKEYBOARDCUES: return getBool(gParams.keyboardCues);
    case SPI_SETKEYBOARDCUES: gParams.keyboardCues = static_cast<BOOL>(reinterpret_cast<uintptr_t>(pv)); changed = true; break;
    case SPI_GETUIEFFECTS: return getBool(gParams.uiEffects);
    case SPI_SETUIEFFECTS: gParams.uiEffects = static_cast<BOOL>(reinterpret_cast<uintptr_t>(pv)); changed = true; break;
    case SPI_GETMOUSEHOVERTIME: return getUint(gParams.hoverTime);
    case SPI_SETMOUSEHOVERTIME: gParams.hoverTime = uiParam; changed = true; break;
    case SPI_GETMOUSEHOVERWIDTH: return getUint(gParams.hoverWidth);
    case SPI_SETMOUSEHOVERWIDTH: gParams.hoverWidth = uiParam; changed = true; break;
    case SPI_GETMOUSEHOVERHEIGHT: return getUint(gParams.hoverHeight);
    case SPI_SETMOUSEHOVERHEIGHT: gParams.hoverHeight = uiParam; changed = true; break;
    case SPI_GETWHEELSCROLLLINES: return getUint(gParams.wheelLines);
    case SPI_SETWHEELSCROLLLINES: gParams.wheelLines = uiParam; changed = true; break;
    case SPI_SETDOUBLECLKWIDTH: gParams.doubleClickWidth = static_cast<int>(uiParam); changed = true; break;
    case SPI_SETDOUBLECLKHEIGHT: gParams.doubleClickHeight = static_cast<int>(uiParam); changed = true; break;
    case SPI_SETDOUBLECLICKTIME: SetDoubleClickTime(uiParam); changed = true; break;
    case SPI_GETMENUSHOWDELAY: return getUint(400);
    case SPI_GETKEYBOARDDELAY: return getUint(1);
    case SPI_GETKEYBOARDSPEED: return getUint(31);
    case SPI_GETCARETWIDTH: return getUint(1);
    case SPI_GETFOCUSBORDERWIDTH:
    case SPI_GETFOCUSBORDERHEIGHT: return getUint(1);
    case SPI_GETBEEP:
    case SPI_GETHOTTRACKING:
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETLISTBOXSMOOTHSCROLLING:
    case SPI_GETSELECTIONFADE:
    case SPI_GETTOOLTIPANIMATION:
    case SPI_GETICONTITLEWRAP: return getBool(TRUE);
    case SPI_GETFLATMENU:
    case SPI_GETDROPSHADOW:
    case SPI_GETTOOLTIPFADE:
    case SPI_GETCURSORSHADOW:
    case SPI_GETSCREENREADER:
    case SPI_GETKEYBOARDPREF:
    case SPI_GETMENUDROPALIGNMENT:
    case SPI_GETSNAPTODEFBUTTON:
    case SPI_GETFONTSMOOTHING:
    case SPI_GETACTIVEWINDOWTRACKING: return getBool(FALSE);
    case SPI_GETHIGHCONTRAST:
      if (!pv) return FALSE;
      static_cast<HIGHCONTRAST*>(pv)->dwFlags = 0;
      static_cast<HIGHCONTRAST*>(pv)->lpszDefaultScheme = nullptr;
      return TRUE;
    default: return FALSE;
  }
  if (changed && (winIni & SPIF_SENDCHANGE)) BroadcastSend(WM_SETTINGCHANGE, action, 0);
  return ok;
}

namespace {
HMONITOR TheMonitor() { return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(1)); }
}  // namespace

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  bool inside = pt.x >= 0 && pt.y >= 0 && pt.x < ScreenWidth() && pt.y < ScreenHeight();
  return inside || flags != MONITOR_DEFAULTTONULL ? TheMonitor() : nullptr;
}

HMONITOR MonitorFromRect(const RECT* r, DWORD flags) {
  if (!r) return nullptr;
  bool overlaps = r->right > 0 && r->bottom > 0 && r->left < ScreenWidth() && r->top < ScreenHeight();
  return overlaps || flags != MONITOR_DEFAULTTONULL ? TheMonitor() : nullptr;
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return flags == MONITOR_DEFAULTTONULL ? nullptr : TheMonitor();
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (monitor != TheMonitor() || !info) return FALSE;
  info->rcMonitor = RECT{0, 0, ScreenWidth(), ScreenHeight()};
  info->rcWork = WorkArea();
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

BOOL MessageBeep(UINT type) {
  BeepRecorded(type);
  if (auto* b = winapi::GetBackend()) b->Beep(type);
  return TRUE;
}

// ---- cursors -----------------------------------------------------------------------------------------
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
  if (instance || reinterpret_cast<uintptr_t>(name) >= 0x10000) return nullptr;  // resource cursors: drawing layer
  return StockCursor(name);
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = gCursor;
  if (cursor != gCursor) {
    gCursor = cursor;
    if (auto* b = winapi::GetBackend()) b->CursorChanged(cursor);
  }
  return old;
}

HCURSOR GetCursor() { return gCursor; }
int ShowCursor(BOOL show) { return show ? ++gShowCursor : --gShowCursor; }

BOOL GetCursorPos(POINT* pt) {
  if (!pt) return FALSE;
  *pt = CursorPos();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  InjectMouseMove(x, y);
  return TRUE;
}

BOOL DestroyCursor(HCURSOR cursor) { return FindObject(cursor, 0) ? TRUE : FALSE; }
BOOL ClipCursor(const RECT*) { return TRUE; }

// ---- caret -------------------------------------------------------------------------------------------
BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height) {
  if (!IsWindow(hwnd)) return FALSE;
  gCaret = Caret{hwnd, width ? width : 1, height ? height : 16, POINT{0, 0}, 1, gCaret.blink};
  return TRUE;
}

BOOL DestroyCaret() {
  if (!gCaret.hwnd) return FALSE;
  gCaret = Caret{nullptr, 0, 0, POINT{0, 0}, 1, gCaret.blink};
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  if (!gCaret.hwnd || (hwnd && hwnd != gCaret.hwnd) || gCaret.hidden == 0) return FALSE;
  --gCaret.hidden;
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  if (!gCaret.hwnd || (hwnd && hwnd != gCaret.hwnd)) return FALSE;
  ++gCaret.hidden;
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  if (!gCaret.hwnd) return FALSE;
  gCaret.pos = POINT{x, y};
  return TRUE;
}

BOOL GetCaretPos(POINT* pt) {
  if (!pt) return FALSE;
  *pt = gCaret.pos;
  return TRUE;
}

UINT GetCaretBlinkTime() { return gCaret.blink; }
BOOL SetCaretBlinkTime(UINT ms) {
  gCaret.blink = ms;
  return TRUE;
}

// ---- global memory -----------------------------------------------------------------------------------
HGLOBAL GlobalAlloc(UINT, size_t bytes) {
  auto* b = new GlobalBlock();
  b->bytes.assign(bytes, 0);
  std::lock_guard<std::mutex> lock(gGlobalMutex);
  gGlobals.insert(b);
  return b;
}

LPVOID GlobalLock(HGLOBAL mem) {
  GlobalBlock* b = AsGlobal(mem);
  if (!b) return nullptr;
  ++b->locks;
  return b->bytes.empty() ? static_cast<void*>(b) : b->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL mem) {
  GlobalBlock* b = AsGlobal(mem);
  if (!b || b->locks == 0) return FALSE;
  return --b->locks > 0;
}

size_t GlobalSize(HGLOBAL mem) {
  GlobalBlock* b = AsGlobal(mem);
  return b ? b->bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  GlobalBlock* b = AsGlobal(mem);
  if (!b) return mem;
  {
    std::lock_guard<std::mutex> lock(gGlobalMutex);
    gGlobals.erase(b);
  }
  delete b;
  return nullptr;
}

// ---- clipboard ---------------------------------------------------------------------------------------
BOOL OpenClipboard(HWND owner) {
  if (gClip.open) return FALSE;
  gClip.open = true;
  gClip.opener = owner;
  gClip.changed = false;
  return TRUE;
}

BOOL CloseClipboard() {
  if (!gClip.open) return FALSE;
  gClip.open = false;
  gClip.opener = nullptr;
  if (gClip.changed) {
    gClip.changed = false;
    if (auto* b = winapi::GetBackend()) b->ClipboardChanged();
  }
  return TRUE;
}

BOOL EmptyClipboard() {
  if (!gClip.open) return FALSE;
  HWND previous = gClip.owner;
  if (previous && previous != gClip.opener && IsWindow(previous)) SendMessage(previous, WM_DESTROYCLIPBOARD, 0, 0);
  for (auto& [f, h] : gClip.data) FreeClipData(f, h);
  gClip.data.clear();
  gClip.owner = gClip.opener;
  gClip.changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  if (!gClip.open || !data) return nullptr;
  if (HANDLE* h = FindClip(format)) {
    if (*h != data) FreeClipData(format, *h);
    *h = data;
  } else {
    gClip.data.emplace_back(format, data);
  }
  gClip.changed = true;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  if (!gClip.open) return nullptr;
  if (HANDLE* h = FindClip(format)) return *h;
  // the two text formats stand in for each other
  if (format == CF_UNICODETEXT) {
    if (HANDLE* t = FindClip(CF_TEXT)) {
      auto* p = static_cast<const char*>(GlobalLock(*t));
      size_t n = GlobalSize(*t);
      size_t len = p ? strnlen(p, n) : 0;
      std::u16string w = Utf8ToUtf16(String(p ? p : "", len));
      GlobalUnlock(*t);
      w.push_back(0);
      HGLOBAL g = GlobalFromBytes(w.data(), w.size() * sizeof(char16_t));
      gClip.data.emplace_back(CF_UNICODETEXT, g);
      return g;
    }
  } else if (format == CF_TEXT) {
    if (HANDLE* u = FindClip(CF_UNICODETEXT)) {
      auto* p = static_cast<const char16_t*>(GlobalLock(*u));
      std::string s = p ? Utf16ToUtf8(WideString(p)) : std::string();
      GlobalUnlock(*u);
      HGLOBAL g = GlobalFromBytes(s.c_str(), s.size() + 1);
      gClip.data.emplace_back(CF_TEXT, g);
      return g;
    }
  }
  return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  if (FindClip(format)) return TRUE;
  if (format == CF_TEXT || format == CF_UNICODETEXT) return FindClip(CF_TEXT) || FindClip(CF_UNICODETEXT);
  return FALSE;
}

UINT EnumClipboardFormats(UINT format) {
  if (!gClip.open) return 0;
  bool next = format == 0;
  for (auto& [f, h] : gClip.data) {
    if (next) return f;
    if (f == format) next = true;
  }
  return 0;
}

int CountClipboardFormats() { return static_cast<int>(gClip.data.size()); }

UINT RegisterClipboardFormat(LPCSTR name) {
  if (!name || !*name) return 0;
  return RegisterWindowMessage(name);  // the two share one atom space
}

HWND GetClipboardOwner() { return IsWindow(gClip.owner) ? gClip.owner : nullptr; }
HWND GetOpenClipboardWindow() { return gClip.open ? gClip.opener : nullptr; }
