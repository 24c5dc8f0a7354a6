// The X11 backend. Each visible top-level window is an X window of the same rectangle: its pixel buffer
// goes to the screen on paint (shared memory when the server offers it), X input goes through the same
// injection path as the headless driver, and the CLIPBOARD selection mirrors the in-process clipboard's
// text. Our windows draw their own non-client area, so window managers are asked not to decorate them.

#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "rtl/Utf8.h"
#include "winapi/Backend.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/X11Backend.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/Wm.h"

// X headers last: they define macros (None, True, Bool, Status ...) that our headers must not see.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

namespace wd = winapi::detail;

namespace {

int gLastXError = 0;
int IgnoreXError(Display*, XErrorEvent* e) {
  gLastXError = e->error_code;  // windows vanish under us (a window manager, a destroyed owner): not fatal
  return 0;
}

struct Native {
  ::Window xwin = 0;
  RECT rect{};  // the rectangle the X window has (or was asked to have), screen coordinates
  unsigned long configSerial = 0;  // notifies older than our last move describe a stale geometry
  bool mapped = false;       // asked to be mapped
  bool viewable = false;     // the server said so
  bool overrideRedirect = false;
  bool shaped = false;
  std::string title;
  bool dirty = false;
  RECT damage{};  // window coordinates
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void Union(RECT* into, const RECT& r) {
  into->left = std::min(into->left, r.left);
  into->top = std::min(into->top, r.top);
  into->right = std::max(into->right, r.right);
  into->bottom = std::max(into->bottom, r.bottom);
}

// UTF-8 to Latin-1 for the old STRING target; what Latin-1 lacks becomes '?'.
std::string Utf8ToLatin1(const std::string& s) {
  std::string out;
  for (size_t i = 0, len = 0; i < s.size(); i += len) {
    char32_t cp = Utf8CodePointAt(s, i, &len);
    out.push_back(cp < 0x100 ? static_cast<char>(cp) : '?');
  }
  return out;
}

std::string Latin1ToUtf8(const char* p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) Utf8Append(out, static_cast<unsigned char>(p[i]));
  return out;
}

// The character a key symbol stands for, or 0. The legacy Cyrillic symbols (what the Russian layouts
// produce) follow the KOI8 order; the rest of the legacy blocks are not mapped.
uint32_t KeySymToChar(KeySym ks) {
  if ((ks >= 0x20 && ks <= 0x7E) || (ks >= 0xA0 && ks <= 0xFF)) return static_cast<uint32_t>(ks);
  if (ks >= 0x01000100 && ks <= 0x0110FFFF) return static_cast<uint32_t>(ks & 0x00FFFFFF);
  if (ks >= 0x6C0 && ks <= 0x6FF) {
    static const char16_t kKoi[32] = {u'ю', u'а', u'б', u'ц', u'д', u'е', u'ф', u'г', u'х', u'и', u'й',
                                      u'к', u'л', u'м', u'н', u'о', u'п', u'я', u'р', u'с', u'т', u'у',
                                      u'ж', u'в', u'ь', u'ы', u'з', u'ш', u'э', u'щ', u'ч', u'ъ'};
    uint32_t lower = kKoi[(ks - 0x6C0) & 0x1F];
    return ks >= 0x6E0 ? lower - 0x20 : lower;
  }
  if (ks >= 0x6A1 && ks <= 0x6BF && ks != 0x6B0) {
    static const char16_t kOther[15] = {0x452, 0x453, 0x451, 0x454, 0x455, 0x456, 0x457, 0x458,
                                        0x459, 0x45A, 0x45B, 0x45C, 0x491, 0x45E, 0x45F};
    bool upper = ks >= 0x6B1;
    uint32_t lower = kOther[(ks - (upper ? 0x6B1 : 0x6A1))];
    if (!upper) return lower;
    return lower == 0x491 ? 0x490 : lower - 0x50;
  }
  if (ks == 0x6B0) return 0x2116;  // numero sign
  switch (ks) {
    case XK_BackSpace: return 0x08;
    case XK_Tab:
    case XK_ISO_Left_Tab: return 0x09;
    case XK_Return:
    case XK_KP_Enter: return 0x0D;
    case XK_Escape: return 0x1B;
    case XK_KP_Space: return ' ';
    case XK_KP_Multiply: return '*';
    case XK_KP_Add: return '+';
    case XK_KP_Subtract: return '-';
    case XK_KP_Decimal: return '.';
    case XK_KP_Divide: return '/';
    default: break;
  }
  if (ks >= XK_KP_0 && ks <= XK_KP_9) return static_cast<uint32_t>('0' + (ks - XK_KP_0));
  return 0;
}

// Keys that mean the same in every group.
int FunctionKeyVk(KeySym ks) {
  if (ks >= XK_F1 && ks <= XK_F24) return VK_F1 + static_cast<int>(ks - XK_F1);
  if (ks >= XK_KP_0 && ks <= XK_KP_9) return VK_NUMPAD0 + static_cast<int>(ks - XK_KP_0);
  switch (ks) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Return:
    case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_Delete:
    case XK_KP_Delete: return VK_DELETE;
    case XK_Insert:
    case XK_KP_Insert: return VK_INSERT;
    case XK_Home:
    case XK_KP_Home: return VK_HOME;
    case XK_End:
    case XK_KP_End: return VK_END;
    case XK_Prior:
    case XK_KP_Prior: return VK_PRIOR;
    case XK_Next:
    case XK_KP_Next: return VK_NEXT;
    case XK_Left:
    case XK_KP_Left: return VK_LEFT;
    case XK_Right:
    case XK_KP_Right: return VK_RIGHT;
    case XK_Up:
    case XK_KP_Up: return VK_UP;
    case XK_Down:
    case XK_KP_Down: return VK_DOWN;
    case XK_KP_Begin: return VK_CLEAR;
    case XK_Pause:
    case XK_Break: return VK_PAUSE;
    case XK_Print:
    case XK_Sys_Req: return VK_SNAPSHOT;
    case XK_Scroll_Lock: return VK_SCROLL;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Shift_L: return VK_LSHIFT;
    case XK_Shift_R: return VK_RSHIFT;
    case XK_Control_L: return VK_LCONTROL;
    case XK_Control_R: return VK_RCONTROL;
    case XK_Alt_L:
    case XK_Meta_L: return VK_LMENU;
    case XK_Alt_R:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift: return VK_RMENU;
    case XK_Super_L: return VK_LWIN;
    case XK_Super_R: return VK_RWIN;
    case XK_Menu: return VK_APPS;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;
    default: return 0;
  }
}

// Character keys are named by their Latin symbol, wherever the active group puts them (the way the
// platform keeps 'Q' the virtual key of the key that types a Cyrillic short i).
int LatinKeyVk(KeySym ks) {
  if (ks >= XK_a && ks <= XK_z) return 'A' + static_cast<int>(ks - XK_a);
  if (ks >= XK_A && ks <= XK_Z) return static_cast<int>(ks);
  if (ks >= XK_0 && ks <= XK_9) return static_cast<int>(ks);
  switch (ks) {
    case XK_space: return VK_SPACE;
    case XK_minus: return VK_OEM_MINUS;
    case XK_equal: return VK_OEM_PLUS;
    case XK_bracketleft: return VK_OEM_4;
    case XK_bracketright: return VK_OEM_6;
    case XK_semicolon: return VK_OEM_1;
    case XK_apostrophe: return VK_OEM_7;
    case XK_grave: return VK_OEM_3;
    case XK_backslash: return VK_OEM_5;
    case XK_comma: return VK_OEM_COMMA;
    case XK_period: return VK_OEM_PERIOD;
    case XK_slash: return VK_OEM_2;
    case XK_less: return VK_OEM_102;
    default: return 0;
  }
}

bool IsCyrillic(uint32_t cp) { return cp >= 0x400 && cp <= 0x4FF; }

// The character TranslateMessage makes of a key with the given state (the same rules, without Ctrl/Alt).
uint32_t ExpectedChar(int vk, bool shift, bool caps, bool num) {
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return num ? static_cast<uint32_t>('0' + vk - VK_NUMPAD0) : 0;
  switch (vk) {
    case VK_BACK: return 0x08;
    case VK_TAB: return 0x09;
    case VK_RETURN: return 0x0D;
    case VK_ESCAPE: return 0x1B;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DIVIDE: return '/';
    case VK_DECIMAL: return num ? '.' : 0;
    default: return wd::LayoutChar(vk, shift, caps);
  }
}

class X11Backend final : public winapi::Backend {
public:
  bool Open(const char* name, bool sharedMemory);
  void Close();

  void ProcessEvents() override;
  void WaitEvents(DWORD timeoutMs) override;
  void Wake() override;
  void TopLevelChanged(HWND hwnd) override;
  void TopLevelPainted(HWND hwnd, const RECT& rect) override;
  void CursorChanged(HCURSOR cursor) override;
  void Beep(UINT type) override;
  void ClipboardChanged() override;

  void Flush(bool sync);
  bool shm() const { return shm_; }

private:
  bool OnGuiThread() const { return std::this_thread::get_id() == gui_; }
  void Handle(XEvent& ev);
  void HandleKey(XKeyEvent& ev, bool down);
  void HandleConfigure(HWND h, Native& n, XConfigureEvent& ev);
  void CreateNative(HWND h, wd::Window* w, Native& n);
  void DestroyNative(HWND h);
  void SetTitle(Native& n, const std::string& text);
  void SetShape(Native& n, wd::Window* w);
  void Present(Native& n, wd::Window* w, RECT r);
  void PutRows(Native& n, wd::Window* w, const RECT& r);
  void Restack();
  void SyncActivation();
  ::Cursor CursorFor(HCURSOR c);
  HWND FindHwnd(::Window xw) const;
  void ReadWorkArea();
  void RequestClipboard();
  void ReceiveClipboard(XSelectionEvent& ev);
  void ServeClipboard(XSelectionRequestEvent& ev);

  Display* dpy_ = nullptr;
  int screen_ = 0;
  ::Window root_ = 0;
  ::Window hidden_ = 0;  // owns the selection and receives its replies
  Visual* visual_ = nullptr;
  int depth_ = 0;
  bool direct_ = false;  // the server's pixel layout is ours: buffers go out as they are
  bool shape_ = false;   // the server can cut windows to their window regions
  GC gc_ = nullptr;
  std::thread::id gui_;
  XErrorHandler oldHandler_ = nullptr;

  bool shm_ = false;
  XShmSegmentInfo seg_{};
  XImage* shmImage_ = nullptr;

  int pipe_[2] = {-1, -1};
  std::mutex wakeMutex_;
  std::condition_variable wakeCv_;
  uint64_t wakeGen_ = 0;

  std::unordered_map<HWND, Native> natives_;
  std::vector<::Window> stack_;  // our mapped windows as last stacked, top first
  HWND lastActive_ = nullptr;
  bool focusLost_ = false;
  bool inEvents_ = false;
  std::map<unsigned, ::Cursor> fontCursors_;
  ::Cursor blank_ = 0;
  ::Cursor current_ = 0;
  std::unordered_map<unsigned, int> pressedVk_;  // X key code -> the virtual key its press injected

  std::string clipText_;
  bool ownClipboard_ = false;
  bool applyingClipboard_ = false;

  Atom aClipboard_ = 0, aTargets_ = 0, aUtf8_ = 0, aText_ = 0, aIncr_ = 0, aProtocols_ = 0, aDelete_ = 0,
       aNetName_ = 0, aMotif_ = 0, aType_ = 0, aTypeNormal_ = 0, aTypeDialog_ = 0, aTypeUtility_ = 0,
       aTypePopup_ = 0, aClipProp_ = 0, aWorkArea_ = 0;
};

bool X11Backend::Open(const char* name, bool sharedMemory) {
  dpy_ = XOpenDisplay(name);
  if (!dpy_) return false;
  screen_ = DefaultScreen(dpy_);
  root_ = RootWindow(dpy_, screen_);
  visual_ = DefaultVisual(dpy_, screen_);
  depth_ = DefaultDepth(dpy_, screen_);
  if (visual_->c_class != TrueColor || (depth_ != 24 && depth_ != 32)) {
    XCloseDisplay(dpy_);
    dpy_ = nullptr;
    return false;
  }
  direct_ = visual_->red_mask == 0xFF0000 && visual_->green_mask == 0xFF00 && visual_->blue_mask == 0xFF &&
            ImageByteOrder(dpy_) == LSBFirst;
  gui_ = std::this_thread::get_id();
  oldHandler_ = XSetErrorHandler(IgnoreXError);
  gc_ = XCreateGC(dpy_, root_, 0, nullptr);
  XSetWindowAttributes a{};
  a.event_mask = PropertyChangeMask;
  hidden_ = XCreateWindow(dpy_, root_, -10, -10, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent, CWEventMask, &a);

  auto atom = [&](const char* n) { return XInternAtom(dpy_, n, False); };
  aClipboard_ = atom("CLIPBOARD");
  aTargets_ = atom("TARGETS");
  aUtf8_ = atom("UTF8_STRING");
  aText_ = atom("TEXT");
  aIncr_ = atom("INCR");
  aProtocols_ = atom("WM_PROTOCOLS");
  aDelete_ = atom("WM_DELETE_WINDOW");
  aNetName_ = atom("_NET_WM_NAME");
  aMotif_ = atom("_MOTIF_WM_HINTS");
  aType_ = atom("_NET_WM_WINDOW_TYPE");
  aTypeNormal_ = atom("_NET_WM_WINDOW_TYPE_NORMAL");
  aTypeDialog_ = atom("_NET_WM_WINDOW_TYPE_DIALOG");
  aTypeUtility_ = atom("_NET_WM_WINDOW_TYPE_UTILITY");
  aTypePopup_ = atom("_NET_WM_WINDOW_TYPE_POPUP_MENU");
  aClipProp_ = atom("VORN_CLIPBOARD");
  aWorkArea_ = atom("_NET_WORKAREA");

  int xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
  XkbLibraryVersion(&xkbMajor, &xkbMinor);
  int opcode = 0, event = 0, error = 0;
  XkbQueryExtension(dpy_, &opcode, &event, &error, &xkbMajor, &xkbMinor);
  int shapeEvent = 0, shapeError = 0;
  shape_ = XShapeQueryExtension(dpy_, &shapeEvent, &shapeError);
  Bool supported = False;
  XkbSetDetectableAutoRepeat(dpy_, True, &supported);  // held keys repeat as presses, as on the platform

  // shared memory: one screen-sized image, attached only when the server can reach it
  int shmMajor = 0, shmMinor = 0;
  Bool pixmaps = False;
  if (sharedMemory && direct_ && XShmQueryVersion(dpy_, &shmMajor, &shmMinor, &pixmaps)) {
    int w = DisplayWidth(dpy_, screen_), h = DisplayHeight(dpy_, screen_);
    shmImage_ = XShmCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &seg_,
                                static_cast<unsigned>(w), static_cast<unsigned>(h));
    if (shmImage_) {
      seg_.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(shmImage_->bytes_per_line) * h, IPC_CREAT | 0600);
      void* mem = seg_.shmid >= 0 ? shmat(seg_.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
      if (mem != reinterpret_cast<void*>(-1)) {
        seg_.shmaddr = shmImage_->data = static_cast<char*>(mem);
        seg_.readOnly = False;
        gLastXError = 0;
        XShmAttach(dpy_, &seg_);
        XSync(dpy_, False);
        shm_ = gLastXError == 0;
        shmctl(seg_.shmid, IPC_RMID, nullptr);  // freed once both sides detach
        if (!shm_) shmdt(mem);
      } else if (seg_.shmid >= 0) {
        shmctl(seg_.shmid, IPC_RMID, nullptr);
      }
      if (!shm_) {
        shmImage_->data = nullptr;
        XDestroyImage(shmImage_);
        shmImage_ = nullptr;
      }
    }
  }

  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    pipe_[0] = pipe_[1] = -1;
  }
  current_ = CursorFor(GetCursor());
  // The system colours, brushes and metrics start from their defaults once per process (the headless
  // driver resets them per test); without this a program on X would paint with zero colours.
  static bool systemValuesSet = false;
  if (!systemValuesSet) {
    winapi::detail::ResetSystemValues();
    systemValuesSet = true;
  }
  winapi::SetBackend(this, DisplayWidth(dpy_, screen_), DisplayHeight(dpy_, screen_));
  winapi::InstallMainLoopServices(true);
  // the screen's size and the desktop's work area follow the server
  XSelectInput(dpy_, root_, StructureNotifyMask | PropertyChangeMask);
  ReadWorkArea();
  RequestClipboard();
  XFlush(dpy_);
  return true;
}

void X11Backend::Close() {
  if (!dpy_) return;
  winapi::InstallMainLoopServices(false);
  winapi::SetBackend(nullptr, 0, 0);  // destroys our windows while we still listen
  wd::ResetClipboard();                // the text it held left with the selection
  for (auto& [h, n] : natives_)
    if (n.xwin) XDestroyWindow(dpy_, n.xwin);
  natives_.clear();
  stack_.clear();
  if (shm_) {
    XShmDetach(dpy_, &seg_);
    XSync(dpy_, False);
    shmdt(seg_.shmaddr);
    shmImage_->data = nullptr;
    XDestroyImage(shmImage_);
    shmImage_ = nullptr;
    shm_ = false;
  }
  for (auto& [id, c] : fontCursors_) XFreeCursor(dpy_, c);
  fontCursors_.clear();
  if (blank_) XFreeCursor(dpy_, blank_);
  blank_ = current_ = 0;
  XDestroyWindow(dpy_, hidden_);
  XFreeGC(dpy_, gc_);
  XCloseDisplay(dpy_);
  XSetErrorHandler(oldHandler_);
  dpy_ = nullptr;
  for (int& fd : pipe_) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  pressedVk_.clear();
  lastActive_ = nullptr;
  ownClipboard_ = false;
  clipText_.clear();
}

// ---- waiting -------------------------------------------------------------------------------------------
void X11Backend::Wake() {
  {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    ++wakeGen_;
  }
  wakeCv_.notify_all();
  if (pipe_[1] >= 0) {
    char b = 1;
    ssize_t r = write(pipe_[1], &b, 1);  // a full pipe already wakes the reader
    (void)r;
  }
}

void X11Backend::WaitEvents(DWORD timeoutMs) {
  if (!OnGuiThread()) {
    std::unique_lock<std::mutex> lock(wakeMutex_);
    uint64_t gen = wakeGen_;
    auto woken = [&] { return wakeGen_ != gen; };
    if (timeoutMs == INFINITE)
      wakeCv_.wait(lock, woken);
    else
      wakeCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), woken);
    return;
  }
  Flush(false);
  if (XPending(dpy_)) return;
  pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {pipe_[0], POLLIN, 0}};
  int timeout = timeoutMs == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(timeoutMs, 0x7FFFFFFF));
  poll(fds, pipe_[0] >= 0 ? 2 : 1, timeout);
  if (pipe_[0] >= 0) {
    char buf[64];
    while (read(pipe_[0], buf, sizeof buf) > 0) {
    }
  }
}

// ---- events --------------------------------------------------------------------------------------------
// The work area of the first desktop as the window manager publishes it; the whole screen without one.
void X11Backend::ReadWorkArea() {
  RECT area{0, 0, wd::ScreenWidth(), wd::ScreenHeight()};
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy_, root_, aWorkArea_, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
          Success &&
      data && format == 32 && count >= 4) {
    const long* v = reinterpret_cast<const long*>(data);  // format 32 arrives as longs
    RECT r{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]), static_cast<LONG>(v[1] + v[3])};
    if (r.right > r.left && r.bottom > r.top) area = r;
  }
  if (data) XFree(data);
  wd::SetWorkAreaRect(area);
}

HWND X11Backend::FindHwnd(::Window xw) const {
  for (const auto& [h, n] : natives_)
    if (n.xwin == xw) return h;
  return nullptr;
}

void X11Backend::ProcessEvents() {
  if (!dpy_ || !OnGuiThread() || inEvents_) return;
  inEvents_ = true;
  // titles change through SetWindowText, which does not tell the backend
  for (auto& [h, n] : natives_) {
    wd::Window* w = wd::FindWindowObj(h);
    if (w && n.xwin && w->text != n.title) SetTitle(n, w->text);
  }
  SyncActivation();
  while (XPending(dpy_)) {
    XEvent ev;
    XNextEvent(dpy_, &ev);
    Handle(ev);
  }
  if (focusLost_) {
    focusLost_ = false;
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy_, &focus, &revert);
    if (!FindHwnd(focus) && GetActiveWindow()) {
      SetActiveWindow(nullptr);  // another application has the keyboard now
      lastActive_ = nullptr;
    }
  }
  Flush(false);
  inEvents_ = false;
}

void X11Backend::Handle(XEvent& ev) {
  if (ev.type == SelectionRequest) return ServeClipboard(ev.xselectionrequest);
  if (ev.type == SelectionNotify) return ReceiveClipboard(ev.xselection);
  if (ev.type == SelectionClear) {
    if (ev.xselectionclear.selection == aClipboard_ && ev.xselectionclear.window == hidden_) {
      ownClipboard_ = false;
      RequestClipboard();
    }
    return;
  }
  if (ev.type == MappingNotify) {
    XRefreshKeyboardMapping(&ev.xmapping);
    return;
  }
  if (ev.xany.window == root_) {
    if (ev.type == PropertyNotify && ev.xproperty.atom == aWorkArea_) {
      ReadWorkArea();
    } else if (ev.type == ConfigureNotify &&
               (ev.xconfigure.width != wd::ScreenWidth() || ev.xconfigure.height != wd::ScreenHeight())) {
      wd::ResizeScreen(ev.xconfigure.width, ev.xconfigure.height);
      ReadWorkArea();
    }
    return;
  }
  HWND h = FindHwnd(ev.xany.window);
  if (!h) return;
  Native& n = natives_[h];
  switch (ev.type) {
    case Expose: {
      RECT r{ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width, ev.xexpose.y + ev.xexpose.height};
      TopLevelPainted(h, r);
      break;
    }
    case MapNotify:
      n.viewable = true;
      lastActive_ = nullptr;  // hand the keyboard to the active window now that it can take it
      SyncActivation();
      break;
    case UnmapNotify: n.viewable = false; break;
    case ConfigureNotify: HandleConfigure(h, n, ev.xconfigure); break;
    case ClientMessage:
      if (ev.xclient.message_type == aProtocols_ && static_cast<Atom>(ev.xclient.data.l[0]) == aDelete_)
        PostMessage(h, WM_CLOSE, 0, 0);
      break;
    case FocusIn:
      if (ev.xfocus.detail == NotifyPointer || ev.xfocus.detail == NotifyInferior) break;
      focusLost_ = false;
      if (GetActiveWindow() != h && IsWindowEnabled(h)) SetActiveWindow(h);
      lastActive_ = GetActiveWindow();
      if (!ownClipboard_) RequestClipboard();  // the user may have copied elsewhere meanwhile
      break;
    case FocusOut:
      if (ev.xfocus.detail == NotifyPointer || ev.xfocus.detail == NotifyInferior) break;
      focusLost_ = true;
      break;
    case MotionNotify: wd::InjectMouseMove(ev.xmotion.x_root, ev.xmotion.y_root); break;
    case ButtonPress:
    case ButtonRelease: {
      bool down = ev.type == ButtonPress;
      wd::InjectMouseMove(ev.xbutton.x_root, ev.xbutton.y_root);
      switch (ev.xbutton.button) {
        case Button1: wd::InjectMouseButton(VK_LBUTTON, down); break;
        case Button2: wd::InjectMouseButton(VK_MBUTTON, down); break;
        case Button3: wd::InjectMouseButton(VK_RBUTTON, down); break;
        case Button4:
          if (down) wd::InjectWheel(WHEEL_DELTA, false);
          break;
        case Button5:
          if (down) wd::InjectWheel(-WHEEL_DELTA, false);
          break;
        case 6:
          if (down) wd::InjectWheel(-WHEEL_DELTA, true);
          break;
        case 7:
          if (down) wd::InjectWheel(WHEEL_DELTA, true);
          break;
        default: break;
      }
      break;
    }
    case KeyPress: HandleKey(ev.xkey, true); break;
    case KeyRelease: HandleKey(ev.xkey, false); break;
    default: break;
  }
}

void X11Backend::HandleKey(XKeyEvent& ev, bool down) {
  if (!down) {
    auto it = pressedVk_.find(ev.keycode);
    if (it == pressedVk_.end()) return;
    int vk = it->second;
    pressedVk_.erase(it);
    wd::InjectKey(vk, false);
    return;
  }
  unsigned int consumed = 0;
  KeySym ks = NoSymbol;
  XkbLookupKeySym(dpy_, static_cast<KeyCode>(ev.keycode), ev.state, &consumed, &ks);
  int vk = FunctionKeyVk(ks);
  uint32_t ch = KeySymToChar(ks);
  if (!vk) {
    vk = LatinKeyVk(XkbKeycodeToKeysym(dpy_, static_cast<KeyCode>(ev.keycode), 0, 0));
    if (!vk && ev.keycode >= 8) vk = wd::LayoutVkFromScan(ev.keycode - 8);  // no Latin group: by position
    // keep our layout on the script the server types, so TranslateMessage agrees with it
    if (IsCyrillic(ch) && wd::ActiveLayout() != HKL_RU) ActivateKeyboardLayout(HKL_RU, 0);
    if (((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) && wd::ActiveLayout() != HKL_US)
      ActivateKeyboardLayout(HKL_US, 0);
  }
  const BYTE* keys = wd::AsyncKeyState();
  bool ctrl = keys[VK_CONTROL] & 0x80, alt = keys[VK_MENU] & 0x80;
  bool shift = keys[VK_SHIFT] & 0x80, caps = keys[VK_CAPITAL] & 0x01, num = keys[VK_NUMLOCK] & 0x01;
  if (vk && (ctrl || alt || !ch || ExpectedChar(vk, shift, caps, num) == ch)) {
    wd::InjectKey(vk, true);
  } else if (ch) {
    // a character our layouts do not make from this key: the key travels as a packet with its character
    vk = VK_PACKET;
    wd::InjectKey(vk, true);
    wd::InjectChar(ch);
  } else {
    return;
  }
  pressedVk_[ev.keycode] = vk;
}

void X11Backend::HandleConfigure(HWND h, Native& n, XConfigureEvent& ev) {
  if (ev.serial < n.configSerial) return;  // answers a move we have since replaced
  int x = ev.x, y = ev.y;
  if (!ev.send_event && !n.overrideRedirect) {
    ::Window child = 0;
    XTranslateCoordinates(dpy_, n.xwin, root_, 0, 0, &x, &y, &child);
  }
  RECT r{x, y, x + ev.width, y + ev.height};
  if (SameRect(r, n.rect)) return;
  n.rect = r;
  wd::Window* w = wd::FindWindowObj(h);
  if (!w || SameRect(w->rect, r)) return;
  // the window manager moved or sized the window: the window hears it as usual
  SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- windows -------------------------------------------------------------------------------------------
// Popups, menus, hints and drop-downs: no caption, and either a popup or a tool window. The window manager
// leaves these alone; everything else it manages (without decorations: we draw our own).
bool WantsOverrideRedirect(const wd::Window* w) {
  bool captioned = (w->style & WS_CAPTION) == WS_CAPTION;
  return !captioned && ((w->style & WS_POPUP) || (w->exStyle & WS_EX_TOOLWINDOW));
}

void X11Backend::CreateNative(HWND h, wd::Window* w, Native& n) {
  DWORD style = w->style, ex = w->exStyle;
  n.overrideRedirect = WantsOverrideRedirect(w);
  XSetWindowAttributes a{};
  a.override_redirect = n.overrideRedirect ? True : False;
  a.background_pixmap = None;
  a.bit_gravity = NorthWestGravity;
  a.cursor = current_;
  a.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                 PointerMotionMask | FocusChangeMask | StructureNotifyMask;
  int width = std::max(1, w->Width()), height = std::max(1, w->Height());
  n.rect = w->rect;
  n.xwin = XCreateWindow(dpy_, root_, w->rect.left, w->rect.top, static_cast<unsigned>(width),
                         static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWBackPixmap | CWBitGravity | CWEventMask | CWCursor, &a);
  if (!n.overrideRedirect) {
    Atom protocols[] = {aDelete_};
    XSetWMProtocols(dpy_, n.xwin, protocols, 1);
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | USSize | PPosition | PSize;
    size->x = w->rect.left;
    size->y = w->rect.top;
    size->width = width;
    size->height = height;
    if (!(style & WS_THICKFRAME)) {
      size->flags |= PMinSize | PMaxSize;
      size->min_width = size->max_width = width;
      size->min_height = size->max_height = height;
    }
    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint | StateHint;
    hints->input = (ex & WS_EX_NOACTIVATE) ? False : True;
    hints->initial_state = NormalState;
    XClassHint* cls = XAllocClassHint();
    cls->res_name = const_cast<char*>("vorn");
    cls->res_class = const_cast<char*>("Vorn");
    XSetWMProperties(dpy_, n.xwin, nullptr, nullptr, nullptr, 0, size, hints, cls);
    XFree(size);
    XFree(hints);
    XFree(cls);
    // we draw caption and borders ourselves
    long motif[5] = {2, 0, 0, 0, 0};
    XChangeProperty(dpy_, n.xwin, aMotif_, aMotif_, 32, PropModeReplace, reinterpret_cast<unsigned char*>(motif), 5);
    Atom type = (ex & WS_EX_TOOLWINDOW) ? aTypeUtility_ : w->owner ? aTypeDialog_ : aTypeNormal_;
    XChangeProperty(dpy_, n.xwin, aType_, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
    if (w->owner) {
      auto it = natives_.find(w->owner->handle);
      if (it != natives_.end() && it->second.xwin) XSetTransientForHint(dpy_, n.xwin, it->second.xwin);
    }
    SetTitle(n, w->text);
  } else {
    Atom type = aTypePopup_;
    XChangeProperty(dpy_, n.xwin, aType_, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
    n.title = w->text;
  }
  (void)h;
}

void X11Backend::SetShape(Native& n, wd::Window* w) {
  if (!shape_) return;
  wd::Region* rgn = w->windowRgn ? wd::AsRegion(w->windowRgn) : nullptr;
  if (!rgn) {
    if (n.shaped) XShapeCombineMask(dpy_, n.xwin, ShapeBounding, 0, 0, None, ShapeSet);
    n.shaped = false;
    return;
  }
  int count = 0;
  pixman_box32_t* boxes = pixman_region32_rectangles(&rgn->rgn, &count);
  std::vector<XRectangle> rects;
  rects.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    rects.push_back(XRectangle{static_cast<short>(boxes[i].x1), static_cast<short>(boxes[i].y1),
                               static_cast<unsigned short>(boxes[i].x2 - boxes[i].x1),
                               static_cast<unsigned short>(boxes[i].y2 - boxes[i].y1)});
  XShapeCombineRectangles(dpy_, n.xwin, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()), ShapeSet,
                          YXBanded);
  n.shaped = true;
}

void X11Backend::SetTitle(Native& n, const std::string& text) {
  n.title = text;
  if (n.overrideRedirect) return;
  auto* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
  int len = static_cast<int>(text.size());
  XChangeProperty(dpy_, n.xwin, aNetName_, aUtf8_, 8, PropModeReplace, bytes, len);
  XTextProperty prop{};
  char* list[] = {const_cast<char*>(text.c_str())};
  if (Xutf8TextListToTextProperty(dpy_, list, 1, XStdICCTextStyle, &prop) == Success) {
    XSetWMName(dpy_, n.xwin, &prop);
    XFree(prop.value);
  } else {
    XChangeProperty(dpy_, n.xwin, XA_WM_NAME, aUtf8_, 8, PropModeReplace, bytes, len);
  }
}

void X11Backend::DestroyNative(HWND h) {
  auto it = natives_.find(h);
  if (it == natives_.end()) return;
  if (it->second.xwin) XDestroyWindow(dpy_, it->second.xwin);
  stack_.erase(std::remove(stack_.begin(), stack_.end(), it->second.xwin), stack_.end());
  natives_.erase(it);
  if (lastActive_ == h) lastActive_ = nullptr;
}

void X11Backend::TopLevelChanged(HWND h) {
  if (!dpy_ || !OnGuiThread()) return;
  wd::Window* w = wd::FindWindowObj(h);
  if (!w || w->destroyed || !w->IsTopLevel()) {
    DestroyNative(h);
    Restack();
    return;
  }
  bool visible = (w->style & WS_VISIBLE) && !(w->style & WS_MINIMIZE) && w->Width() > 0 && w->Height() > 0;
  auto it = natives_.find(h);
  if (it != natives_.end() && it->second.overrideRedirect != WantsOverrideRedirect(w)) {
    DestroyNative(h);  // the style changed between managed and unmanaged: a new X window
    it = natives_.end();
  }
  if (!visible) {
    if (it != natives_.end() && it->second.mapped) {
      XUnmapWindow(dpy_, it->second.xwin);
      it->second.mapped = false;
      Restack();
    }
    return;
  }
  if (it == natives_.end()) {
    it = natives_.emplace(h, Native{}).first;
    CreateNative(h, w, it->second);
  }
  Native& n = it->second;
  SetShape(n, w);
  if (!SameRect(n.rect, w->rect)) {
    n.configSerial = NextRequest(dpy_);
    n.rect = w->rect;
    XMoveResizeWindow(dpy_, n.xwin, w->rect.left, w->rect.top, static_cast<unsigned>(w->Width()),
                      static_cast<unsigned>(w->Height()));
  }
  if (!n.mapped) {
    n.mapped = true;
    XMapWindow(dpy_, n.xwin);
  }
  Restack();
}

void X11Backend::Restack() {
  std::vector<::Window> order;
  for (wd::Window* t : wd::Desktop()->children) {
    auto it = natives_.find(t->handle);
    if (it != natives_.end() && it->second.mapped) order.push_back(it->second.xwin);
  }
  if (order == stack_) return;
  // raise, bottom first, every window from the lowest one whose place changed
  size_t n = order.size();
  size_t same = 0;  // windows at the bottom that kept their places
  while (same < n && same < stack_.size() && order[n - 1 - same] == stack_[stack_.size() - 1 - same]) ++same;
  for (size_t i = n - same; i-- > 0;) XRaiseWindow(dpy_, order[i]);
  stack_ = order;
}

void X11Backend::SyncActivation() {
  HWND active = GetActiveWindow();
  if (active == lastActive_) return;
  auto it = natives_.find(active);
  if (it == natives_.end() || !it->second.viewable || it->second.overrideRedirect) return;
  lastActive_ = active;
  XSetInputFocus(dpy_, it->second.xwin, RevertToParent, CurrentTime);
}

// ---- pixels --------------------------------------------------------------------------------------------
void X11Backend::TopLevelPainted(HWND h, const RECT& r) {
  auto it = natives_.find(h);
  if (it == natives_.end()) return;
  Native& n = it->second;
  if (n.dirty) {
    Union(&n.damage, r);
  } else {
    n.dirty = true;
    n.damage = r;
  }
}

void X11Backend::Flush(bool sync) {
  if (!dpy_) return;
  for (auto& [h, n] : natives_) {
    if (!n.dirty) continue;
    n.dirty = false;
    wd::Window* w = wd::FindWindowObj(h);
    if (w && n.mapped) Present(n, w, n.damage);
  }
  if (sync)
    XSync(dpy_, False);
  else
    XFlush(dpy_);
}

void X11Backend::Present(Native& n, wd::Window* w, RECT r) {
  if (w->pixels.empty()) return;
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, w->bufWidth);
  r.bottom = std::min<LONG>(r.bottom, w->bufHeight);
  if (r.left >= r.right || r.top >= r.bottom) return;
  if (!shm_) return PutRows(n, w, r);
  // bands the size of the shared image; the server must be done with one before the next is written
  int maxW = shmImage_->width, maxH = shmImage_->height;
  for (LONG y = r.top; y < r.bottom; y += maxH) {
    for (LONG x = r.left; x < r.right; x += maxW) {
      int bw = static_cast<int>(std::min<LONG>(maxW, r.right - x)), bh = static_cast<int>(std::min<LONG>(maxH, r.bottom - y));
      for (int row = 0; row < bh; ++row)
        std::memcpy(shmImage_->data + static_cast<size_t>(row) * shmImage_->bytes_per_line,
                    &w->pixels[static_cast<size_t>(y + row) * w->bufWidth + x], static_cast<size_t>(bw) * 4);
      XShmPutImage(dpy_, n.xwin, gc_, shmImage_, 0, 0, static_cast<int>(x), static_cast<int>(y),
                   static_cast<unsigned>(bw), static_cast<unsigned>(bh), False);
      XSync(dpy_, False);
    }
  }
}

void X11Backend::PutRows(Native& n, wd::Window* w, const RECT& r) {
  int width = r.right - r.left, height = r.bottom - r.top;
  if (direct_) {
    XImage* img = XCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                               reinterpret_cast<char*>(w->pixels.data()), static_cast<unsigned>(w->bufWidth),
                               static_cast<unsigned>(w->bufHeight), 32, w->bufWidth * 4);
    if (!img) return;
    XPutImage(dpy_, n.xwin, gc_, img, r.left, r.top, r.left, r.top, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    img->data = nullptr;  // the buffer stays the window's
    XDestroyImage(img);
    return;
  }
  // another pixel layout: convert through the image's own pixel routine
  XImage* img = XCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
  if (!img) return;
  std::vector<char> data(static_cast<size_t>(img->bytes_per_line) * height);
  img->data = data.data();
  auto scale = [](uint32_t v, unsigned long mask) {
    if (!mask) return 0ul;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    unsigned long max = mask >> shift;
    return ((static_cast<unsigned long>(v) * max + 127) / 255) << shift;
  };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint32_t p = w->pixels[static_cast<size_t>(r.top + y) * w->bufWidth + r.left + x];
      XPutPixel(img, x, y,
                scale((p >> 16) & 0xFF, visual_->red_mask) | scale((p >> 8) & 0xFF, visual_->green_mask) |
                    scale(p & 0xFF, visual_->blue_mask));
    }
  XPutImage(dpy_, n.xwin, gc_, img, 0, 0, r.left, r.top, static_cast<unsigned>(width), static_cast<unsigned>(height));
  img->data = nullptr;
  XDestroyImage(img);
}

// ---- cursor and bell -----------------------------------------------------------------------------------
::Cursor X11Backend::CursorFor(HCURSOR c) {
  if (!c) {
    if (!blank_) {
      char bits[1] = {0};
      Pixmap p = XCreateBitmapFromData(dpy_, root_, bits, 1, 1);
      XColor black{};
      blank_ = XCreatePixmapCursor(dpy_, p, p, &black, &black, 0, 0);
      XFreePixmap(dpy_, p);
    }
    return blank_;
  }
  static const struct {
    LPCSTR id;
    unsigned shape;
  } kShapes[] = {{IDC_ARROW, XC_left_ptr},        {IDC_IBEAM, XC_xterm},
                 {IDC_WAIT, XC_watch},            {IDC_CROSS, XC_crosshair},
                 {IDC_UPARROW, XC_sb_up_arrow},   {IDC_SIZE, XC_fleur},
                 {IDC_ICON, XC_icon},             {IDC_SIZENWSE, XC_bottom_right_corner},
                 {IDC_SIZENESW, XC_bottom_left_corner}, {IDC_SIZEWE, XC_sb_h_double_arrow},
                 {IDC_SIZENS, XC_sb_v_double_arrow}, {IDC_SIZEALL, XC_fleur},
                 {IDC_NO, XC_circle},             {IDC_HAND, XC_hand2},
                 {IDC_APPSTARTING, XC_watch},     {IDC_HELP, XC_question_arrow}};
  unsigned shape = XC_left_ptr;  // our own cursor images are not sent to the server
  for (const auto& s : kShapes)
    if (wd::StockCursor(s.id) == c) shape = s.shape;
  auto it = fontCursors_.find(shape);
  if (it != fontCursors_.end()) return it->second;
  ::Cursor xc = XCreateFontCursor(dpy_, shape);
  fontCursors_[shape] = xc;
  return xc;
}

void X11Backend::CursorChanged(HCURSOR cursor) {
  if (!dpy_ || !OnGuiThread()) return;
  ::Cursor xc = CursorFor(cursor);
  if (xc == current_) return;
  current_ = xc;
  for (auto& [h, n] : natives_) XDefineCursor(dpy_, n.xwin, xc);
  XFlush(dpy_);
}

void X11Backend::Beep(UINT) {
  if (!dpy_ || !OnGuiThread()) return;
  XBell(dpy_, 0);
  XFlush(dpy_);
}

// ---- clipboard -----------------------------------------------------------------------------------------
void X11Backend::ClipboardChanged() {
  if (!dpy_ || !OnGuiThread() || applyingClipboard_) return;
  std::string text;
  bool hasText = false;
  if (IsClipboardFormatAvailable(CF_TEXT) && OpenClipboard(nullptr)) {
    if (HANDLE g = GetClipboardData(CF_TEXT)) {
      auto* p = static_cast<const char*>(GlobalLock(g));
      if (p) {
        text.assign(p, strnlen(p, GlobalSize(g)));
        hasText = true;
      }
      GlobalUnlock(g);
    }
    CloseClipboard();
  }
  if (hasText) {
    clipText_ = text;
    XSetSelectionOwner(dpy_, aClipboard_, hidden_, CurrentTime);
    ownClipboard_ = XGetSelectionOwner(dpy_, aClipboard_) == hidden_;
  } else if (ownClipboard_) {
    XSetSelectionOwner(dpy_, aClipboard_, None, CurrentTime);
    ownClipboard_ = false;
    clipText_.clear();
  }
  XFlush(dpy_);
}

void X11Backend::ServeClipboard(XSelectionRequestEvent& req) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = req.display;
  reply.requestor = req.requestor;
  reply.selection = req.selection;
  reply.target = req.target;
  reply.time = req.time;
  reply.property = None;
  Atom prop = req.property != None ? req.property : req.target;  // obsolete clients name no property
  if (req.selection == aClipboard_ && ownClipboard_) {
    if (req.target == aTargets_) {
      Atom targets[] = {aTargets_, aUtf8_, XA_STRING, aText_};
      XChangeProperty(dpy_, req.requestor, prop, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(targets), 4);
      reply.property = prop;
    } else if (req.target == aUtf8_ || req.target == aText_) {
      XChangeProperty(dpy_, req.requestor, prop, aUtf8_, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(clipText_.data()), static_cast<int>(clipText_.size()));
      reply.property = prop;
    } else if (req.target == XA_STRING) {
      std::string latin = Utf8ToLatin1(clipText_);
      XChangeProperty(dpy_, req.requestor, prop, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(latin.data()), static_cast<int>(latin.size()));
      reply.property = prop;
    }
  }
  XSendEvent(dpy_, req.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  XFlush(dpy_);
}

void X11Backend::RequestClipboard() {
  ::Window owner = XGetSelectionOwner(dpy_, aClipboard_);
  if (owner == None || owner == hidden_) return;
  XConvertSelection(dpy_, aClipboard_, aUtf8_, aClipProp_, hidden_, CurrentTime);
}

void X11Backend::ReceiveClipboard(XSelectionEvent& ev) {
  if (ev.selection != aClipboard_ || ev.requestor != hidden_) return;
  if (ev.property == None) {
    if (ev.target == aUtf8_) XConvertSelection(dpy_, aClipboard_, XA_STRING, aClipProp_, hidden_, CurrentTime);
    return;
  }
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy_, hidden_, ev.property, 0, 0x1000000, True, AnyPropertyType, &type, &format, &count,
                         &after, &data) != Success)
    return;
  std::string text;
  bool ok = format == 8 && data && (type == aUtf8_ || type == XA_STRING);
  if (ok)
    text = type == aUtf8_ ? std::string(reinterpret_cast<char*>(data), count)
                          : Latin1ToUtf8(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  if (!ok) return;  // incremental transfers and other types are not taken
  if (!OpenClipboard(nullptr)) return;
  applyingClipboard_ = true;
  EmptyClipboard();
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(GlobalLock(g), text.c_str(), text.size() + 1);
  GlobalUnlock(g);
  SetClipboardData(CF_TEXT, g);
  CloseClipboard();
  applyingClipboard_ = false;
}

X11Backend* gX11 = nullptr;

}  // namespace

namespace winapi {

bool InstallX11Backend(const char* display, bool sharedMemory) {
  if (gX11) UninstallX11Backend();
  auto* b = new X11Backend();
  if (!b->Open(display, sharedMemory)) {
    delete b;
    return false;
  }
  gX11 = b;
  return true;
}

void UninstallX11Backend() {
  if (!gX11) return;
  gX11->Close();
  delete gX11;
  gX11 = nullptr;
}

bool X11BackendInstalled() { return gX11 != nullptr; }
bool X11BackendUsesShm() { return gX11 && gX11->shm(); }

void FlushX11Backend() {
  if (!gX11) return;
  gX11->ProcessEvents();
  gX11->Flush(true);
}

}  // namespace winapi
