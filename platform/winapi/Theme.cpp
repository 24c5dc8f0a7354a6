// The visual-style calls over a built-in theme: flat light faces with one-pixel borders, a blue accent for
// hot and pressed states, glyphs from plain lines. Every class the libraries open answers every part and
// state; unknown parts draw as a plain bordered face.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/GdiDraw.h"

namespace winapi::detail {
namespace {

enum Cls {
  kButton, kClock, kComboBox, kEdit, kExplorerBar, kHeader, kListView, kMenu, kPage, kProgress, kRebar, kScrollBar,
  kSpin, kStartPanel, kStatus, kTab, kTaskBand, kTaskBar, kToolBar, kToolTip, kTrackBar, kTrayNotify, kTreeView,
  kWindow, kClassCount
};
const char* const kClassNames[kClassCount] = {
    "BUTTON",   "CLOCK",   "COMBOBOX", "EDIT",      "EXPLORERBAR", "HEADER",     "LISTVIEW", "MENU",
    "PAGE",     "PROGRESS", "REBAR",   "SCROLLBAR", "SPIN",        "STARTPANEL", "STATUS",   "TAB",
    "TASKBAND", "TASKBAR", "TOOLBAR",  "TOOLTIP",   "TRACKBAR",    "TRAYNOTIFY", "TREEVIEW", "WINDOW"};

struct Theme : GdiObject {
  Theme() : GdiObject(0) {}
  int cls = kButton;
};

std::atomic<bool> gActive{false};
std::atomic<DWORD> gAppProps{STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS | STAP_ALLOW_WEBCONTENT};

// The names GetCurrentThemeName reports: the theme file, its colour scheme and its size.
struct ThemeName {
  std::string file = "Plain.theme", color = "Light", size = "Normal";
};
std::mutex gNameLock;
ThemeName gName;

Theme* AsTheme(HTHEME h) { return dynamic_cast<Theme*>(FindObject(h, 0)); }

// The built-in palette.
constexpr COLORREF kBorder = RGB(112, 112, 112);
constexpr COLORREF kBorderHot = RGB(60, 127, 177);
constexpr COLORREF kBorderPressed = RGB(44, 98, 139);
constexpr COLORREF kBorderDisabled = RGB(173, 178, 181);
constexpr COLORREF kFace = RGB(236, 236, 236);
constexpr COLORREF kFaceHot = RGB(229, 241, 251);
constexpr COLORREF kFacePressed = RGB(204, 228, 247);
constexpr COLORREF kFaceDisabled = RGB(244, 244, 244);
constexpr COLORREF kWindowFill = RGB(255, 255, 255);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kTextDisabled = RGB(131, 131, 131);
constexpr COLORREF kAccent = RGB(6, 176, 37);       // progress chunks
constexpr COLORREF kSelection = RGB(204, 232, 255);  // selected tree items
constexpr COLORREF kCaption = RGB(0, 84, 227);
constexpr COLORREF kCaptionInactive = RGB(122, 150, 223);
constexpr COLORREF kClose = RGB(232, 17, 35);

enum class Look { Normal, Hot, Pressed, Disabled, Checked };

// The look of a (class, part, state) triple: most classes number their states normal, hot, pressed,
// disabled; a few interleave checked or mixed variants.
Look LookOf(int cls, int part, int state) {
  auto cycle = [](int s) {
    switch ((s - 1) % 4) {
      case 1: return Look::Hot;
      case 2: return Look::Pressed;
      case 3: return Look::Disabled;
      default: return Look::Normal;
    }
  };
  switch (cls) {
    case kButton:
      if (part == BP_PUSHBUTTON && state == PBS_DEFAULTED) return Look::Normal;
      if (part == BP_GROUPBOX) return state == GBS_DISABLED ? Look::Disabled : Look::Normal;
      return cycle(state);
    case kEdit:
      if (state == ETS_DISABLED) return Look::Disabled;
      if (state == ETS_HOT) return Look::Hot;
      if (state == ETS_FOCUSED || state == ETS_SELECTED) return Look::Pressed;
      return Look::Normal;
    case kTab:
      return state == TIS_HOT ? Look::Hot : state == TIS_SELECTED ? Look::Pressed : state == TIS_DISABLED ? Look::Disabled : Look::Normal;
    case kToolBar:
      if (state == TS_CHECKED) return Look::Checked;
      if (state == TS_HOTCHECKED) return Look::Pressed;
      return cycle(state);
    case kTreeView:
      if (part == TVP_TREEITEM) {
        if (state == TREIS_SELECTED || state == TREIS_SELECTEDNOTFOCUS) return Look::Pressed;
        if (state == TREIS_HOT) return Look::Hot;
        if (state == TREIS_DISABLED) return Look::Disabled;
      }
      return Look::Normal;
    case kProgress:
    case kStatus:
    case kRebar:
      return Look::Normal;
    default:
      return state <= 0 ? Look::Normal : cycle(state);
  }
}

COLORREF FaceOf(Look l) {
  switch (l) {
    case Look::Hot: return kFaceHot;
    case Look::Pressed:
    case Look::Checked: return kFacePressed;
    case Look::Disabled: return kFaceDisabled;
    default: return kFace;
  }
}
COLORREF BorderOf(Look l) {
  switch (l) {
    case Look::Hot: return kBorderHot;
    case Look::Pressed:
    case Look::Checked: return kBorderPressed;
    case Look::Disabled: return kBorderDisabled;
    default: return kBorder;
  }
}
COLORREF TextOf(Look l) { return l == Look::Disabled ? kTextDisabled : kText; }

RECT Inset(const RECT& r, int d) { return RECT{r.left + d, r.top + d, r.right - d, r.bottom - d}; }

void Solid(Canvas& cv, const RECT& r, COLORREF c) { FillSolidRect(cv, ToDeviceRect(cv, r), c); }
void Frame(Canvas& cv, const RECT& r, COLORREF c) { FrameSolidRect(cv, ToDeviceRect(cv, r), c); }

void BorderedFace(Canvas& cv, const RECT& r, Look l) {
  Solid(cv, r, FaceOf(l));
  Frame(cv, r, BorderOf(l));
}

// A small filled triangle pointing `dir` (0 up, 1 down, 2 left, 3 right), centred in r.
void Arrow(Canvas& cv, const RECT& r, int dir, COLORREF c) {
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  int s = std::max(2, std::min(r.right - r.left, r.bottom - r.top) / 4);
  for (int i = 0; i < s; ++i) {
    switch (dir) {
      case 0: Solid(cv, RECT{cx - i, cy - s / 2 + i, cx + i + 1, cy - s / 2 + i + 1}, c); break;
      case 1: Solid(cv, RECT{cx - i, cy + s / 2 - i, cx + i + 1, cy + s / 2 - i + 1}, c); break;
      case 2: Solid(cv, RECT{cx - s / 2 + i, cy - i, cx - s / 2 + i + 1, cy + i + 1}, c); break;
      default: Solid(cv, RECT{cx + s / 2 - i, cy - i, cx + s / 2 - i + 1, cy + i + 1}, c); break;
    }
  }
}

void Cross(Canvas& cv, const RECT& r, COLORREF c) {
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  int s = std::max(2, std::min(r.right - r.left, r.bottom - r.top) / 4);
  for (int i = -s; i <= s; ++i) {
    Solid(cv, RECT{cx + i, cy + i, cx + i + 1, cy + i + 1}, c);
    Solid(cv, RECT{cx + i, cy - i, cx + i + 1, cy - i + 1}, c);
  }
}

void Check(Canvas& cv, const RECT& r, COLORREF c) {
  int x = (r.left + r.right) / 2 - 3, y = (r.top + r.bottom) / 2 - 1;
  for (int i = 0; i < 7; ++i) {
    int dy = i < 3 ? i : 4 - i;
    Solid(cv, RECT{x + i, y + dy, x + i + 1, y + dy + 3}, c);
  }
}

void Disc(Canvas& cv, const RECT& r, COLORREF c) {
  HRGN rgn = CreateEllipticRgn(r.left, r.top, r.right, r.bottom);
  HBRUSH b = CreateSolidBrush(c);
  FillRgn(reinterpret_cast<HDC>(static_cast<GdiObject*>(cv.dc)), rgn, b);
  DeleteObject(b);
  DeleteObject(rgn);
}

void Gripper(Canvas& cv, const RECT& r, bool vertical) {
  // Rows (or columns) of raised dots.
  for (int p = (vertical ? r.left : r.top) + 2; p + 2 <= (vertical ? r.right : r.bottom) - 1; p += 4) {
    int m = vertical ? (r.top + r.bottom) / 2 : (r.left + r.right) / 2;
    RECT dot = vertical ? RECT{p, m - 1, p + 2, m + 1} : RECT{m - 1, p, m + 1, p + 2};
    Solid(cv, RECT{dot.left + 1, dot.top + 1, dot.right + 1, dot.bottom + 1}, RGB(255, 255, 255));
    Solid(cv, dot, RGB(160, 160, 160));
  }
}

// ---- part painters -----------------------------------------------------------------------------------
// One painter per theme class, found through the table below: a new class is a new painter and a new row.
// A class without a row draws every part as a plain bordered face.
using PartPainter = void (*)(Canvas& cv, int part, int state, Look l, const RECT& r);

void PaintButton(Canvas& cv, int part, int state, Look l, const RECT& r) {
  switch (part) {
    case BP_RADIOBUTTON: {
      int d = std::min(r.right - r.left, r.bottom - r.top);
      RECT c{r.left, r.top + (r.bottom - r.top - d) / 2, r.left + d, r.top + (r.bottom - r.top - d) / 2 + d};
      Disc(cv, c, BorderOf(l));
      Disc(cv, Inset(c, 1), l == Look::Disabled ? kFaceDisabled : l == Look::Normal ? kWindowFill : FaceOf(l));
      if (state >= RBS_CHECKEDNORMAL) Disc(cv, Inset(c, d / 3), TextOf(l));
      return;
    }
    case BP_CHECKBOX: {
      int d = std::min(r.right - r.left, r.bottom - r.top);
      RECT c{r.left, r.top + (r.bottom - r.top - d) / 2, r.left + d, r.top + (r.bottom - r.top - d) / 2 + d};
      Solid(cv, c, l == Look::Disabled ? kFaceDisabled : l == Look::Normal ? kWindowFill : FaceOf(l));
      Frame(cv, c, BorderOf(l));
      if (state >= CBS_MIXEDNORMAL) Solid(cv, Inset(c, 3), TextOf(l));
      else if (state >= CBS_CHECKEDNORMAL) Check(cv, c, TextOf(l));
      return;
    }
    case BP_GROUPBOX: Frame(cv, r, l == Look::Disabled ? kBorderDisabled : RGB(213, 223, 229)); return;
    default: BorderedFace(cv, r, l); if (state == PBS_DEFAULTED) Frame(cv, Inset(r, 1), kBorderHot); return;
  }
}

void PaintHeader(Canvas& cv, int part, int state, Look l, const RECT& r) {
  if (part == HP_HEADERSORTARROW) {
    Arrow(cv, r, state == HSAS_SORTEDDOWN ? 1 : 0, RGB(86, 86, 86));
    return;
  }
  Solid(cv, r, l == Look::Normal ? kWindowFill : FaceOf(l));
  Solid(cv, RECT{r.right - 1, r.top, r.right, r.bottom}, RGB(229, 229, 229));
  Solid(cv, RECT{r.left, r.bottom - 1, r.right, r.bottom}, RGB(229, 229, 229));
}

void PaintScrollBar(Canvas& cv, int part, int state, Look l, const RECT& r) {
  switch (part) {
    case SBP_ARROWBTN:
      Solid(cv, r, FaceOf(LookOf(kScrollBar, part, (state - 1) % 4 + 1)));
      Arrow(cv, r, (state - 1) / 4, (state - 1) % 4 == 3 ? kTextDisabled : RGB(96, 96, 96));
      return;
    case SBP_THUMBBTNHORZ:
    case SBP_THUMBBTNVERT:
      Solid(cv, Inset(r, 1), l == Look::Normal ? RGB(205, 205, 205) : l == Look::Hot ? RGB(166, 166, 166) : RGB(96, 96, 96));
      return;
    case SBP_GRIPPERHORZ:
    case SBP_GRIPPERVERT: Gripper(cv, r, part == SBP_GRIPPERHORZ); return;
    case SBP_SIZEBOX: Solid(cv, r, RGB(240, 240, 240)); return;
    default: Solid(cv, r, l == Look::Pressed ? RGB(96, 96, 96) : RGB(240, 240, 240)); return;
  }
}

void PaintTab(Canvas& cv, int part, int /*state*/, Look l, const RECT& r) {
  if (part == TABP_PANE) {
    Solid(cv, r, kWindowFill);
    Frame(cv, r, RGB(137, 140, 149));
    return;
  }
  if (part == TABP_BODY) {
    Solid(cv, r, kWindowFill);
    return;
  }
  Solid(cv, r, l == Look::Pressed ? kWindowFill : FaceOf(l));
  Solid(cv, RECT{r.left, r.top, r.right, r.top + 1}, RGB(137, 140, 149));
  Solid(cv, RECT{r.left, r.top, r.left + 1, r.bottom}, RGB(137, 140, 149));
  Solid(cv, RECT{r.right - 1, r.top, r.right, r.bottom}, RGB(137, 140, 149));
}

void PaintEdit(Canvas& cv, int part, int state, Look l, const RECT& r) {
  if (part == EP_CARET) {
    Solid(cv, r, kText);
    return;
  }
  Solid(cv, r, l == Look::Disabled || state == ETS_READONLY ? kFaceDisabled : kWindowFill);
  Frame(cv, r, l == Look::Normal ? RGB(171, 173, 179) : BorderOf(l));
}

void PaintComboBox(Canvas& cv, int /*part*/, int /*state*/, Look l, const RECT& r) {
  Solid(cv, r, FaceOf(l));
  if (l != Look::Normal) Frame(cv, r, BorderOf(l));
  Arrow(cv, r, 1, TextOf(l));
}

void PaintSpin(Canvas& cv, int part, int /*state*/, Look l, const RECT& r) {
  BorderedFace(cv, r, l);
  Arrow(cv, r, part == SPNP_UP ? 0 : part == SPNP_DOWN ? 1 : part == SPNP_UPHORZ ? 3 : 2, TextOf(l));
}

void PaintToolBar(Canvas& cv, int part, int /*state*/, Look l, const RECT& r) {
  switch (part) {
    case TP_SEPARATOR: Solid(cv, RECT{(r.left + r.right) / 2, r.top + 2, (r.left + r.right) / 2 + 1, r.bottom - 2}, RGB(192, 192, 192)); return;
    case TP_SEPARATORVERT: Solid(cv, RECT{r.left + 2, (r.top + r.bottom) / 2, r.right - 2, (r.top + r.bottom) / 2 + 1}, RGB(192, 192, 192)); return;
    default:
      // Normal toolbar buttons show the bar through them.
      if (l != Look::Normal && l != Look::Disabled) BorderedFace(cv, r, l);
      if (part == TP_SPLITBUTTONDROPDOWN || part == TP_DROPDOWNBUTTON) Arrow(cv, part == TP_DROPDOWNBUTTON ? RECT{r.right - 10, r.top, r.right, r.bottom} : r, 1, TextOf(l));
      return;
  }
}

void PaintRebar(Canvas& cv, int part, int state, Look /*l*/, const RECT& r) {
  if (part == RP_GRIPPER || part == RP_GRIPPERVERT) Gripper(cv, r, part == RP_GRIPPERVERT);
  else if (part == RP_CHEVRON || part == RP_CHEVRONVERT) {
    if (state != CHEVS_NORMAL) BorderedFace(cv, r, LookOf(kButton, 1, state));
    Arrow(cv, r, part == RP_CHEVRON ? 3 : 1, kText);
  } else {
    Solid(cv, r, kFace);
  }
}

void PaintStatus(Canvas& cv, int part, int /*state*/, Look /*l*/, const RECT& r) {
  if (part == SP_GRIPPER) {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j <= i; ++j) {
        int x = r.right - 3 - 4 * j, y = r.bottom - 3 - 4 * (i - j);
        Solid(cv, RECT{x - 1, y - 1, x + 1, y + 1}, RGB(160, 160, 160));
      }
    return;
  }
  Solid(cv, r, kFace);
  if (part == SP_PANE || part == SP_GRIPPERPANE) Solid(cv, RECT{r.right - 1, r.top + 2, r.right, r.bottom - 2}, RGB(192, 192, 192));
}

void PaintProgress(Canvas& cv, int part, int /*state*/, Look /*l*/, const RECT& r) {
  if (part == PP_CHUNK || part == PP_CHUNKVERT) {
    Solid(cv, r, kAccent);
    return;
  }
  Solid(cv, r, RGB(230, 230, 230));
  Frame(cv, r, RGB(188, 188, 188));
}

void PaintTreeView(Canvas& cv, int part, int state, Look l, const RECT& r) {
  if (part == TVP_GLYPH) {
    int d = std::min({r.right - r.left, r.bottom - r.top, 9});
    RECT g{(r.left + r.right - d) / 2, (r.top + r.bottom - d) / 2, 0, 0};
    g.right = g.left + d;
    g.bottom = g.top + d;
    Solid(cv, g, kWindowFill);
    Frame(cv, g, RGB(145, 145, 145));
    int cy = (g.top + g.bottom) / 2, cx = (g.left + g.right) / 2;
    Solid(cv, RECT{g.left + 2, cy, g.right - 2, cy + 1}, kText);
    if (state == GLPS_CLOSED) Solid(cv, RECT{cx, g.top + 2, cx + 1, g.bottom - 2}, kText);
    return;
  }
  if (part == TVP_TREEITEM) {
    if (l == Look::Pressed) {
      Solid(cv, r, kSelection);
      Frame(cv, r, RGB(153, 209, 255));
    } else if (l == Look::Hot) {
      Solid(cv, r, kFaceHot);
    }
    return;
  }
  Solid(cv, r, kWindowFill);
}

void PaintExplorerBar(Canvas& cv, int part, int state, Look /*l*/, const RECT& r) {
  switch (part) {
    case EBP_HEADERBACKGROUND: Solid(cv, r, RGB(214, 223, 247)); return;
    case EBP_NORMALGROUPBACKGROUND:
    case EBP_SPECIALGROUPBACKGROUND:
      Solid(cv, r, part == EBP_SPECIALGROUPBACKGROUND ? RGB(239, 243, 255) : RGB(214, 223, 247));
      Frame(cv, r, kWindowFill);
      return;
    case EBP_NORMALGROUPHEAD:
    case EBP_SPECIALGROUPHEAD: Solid(cv, r, part == EBP_SPECIALGROUPHEAD ? RGB(33, 93, 198) : kWindowFill); return;
    case EBP_HEADERCLOSE: if (state != EBHC_NORMAL) BorderedFace(cv, r, LookOf(kButton, 1, state)); Cross(cv, r, kText); return;
    case EBP_HEADERPIN: if (state != 1) BorderedFace(cv, r, LookOf(kButton, 1, (state - 1) % 3 + 1)); Solid(cv, Inset(r, std::min(r.right - r.left, r.bottom - r.top) / 3), kText); return;
    default: {
      // Expand and collapse buttons: a disc with a chevron.
      Disc(cv, r, state == EBNGC_NORMAL ? kWindowFill : kFaceHot);
      bool collapse = part == EBP_NORMALGROUPCOLLAPSE || part == EBP_SPECIALGROUPCOLLAPSE;
      Arrow(cv, r, collapse ? 0 : 1, RGB(33, 93, 198));
      return;
    }
  }
}

void PaintWindow(Canvas& cv, int part, int state, Look l, const RECT& r) {
  switch (part) {
    case WP_CAPTION:
    case WP_SMALLCAPTION:
    case WP_MINCAPTION:
    case WP_SMALLMINCAPTION:
    case WP_MAXCAPTION:
    case WP_SMALLMAXCAPTION: Solid(cv, r, state == CS_ACTIVE ? kCaption : kCaptionInactive); return;
    case WP_FRAMELEFT:
    case WP_FRAMERIGHT:
    case WP_FRAMEBOTTOM:
    case WP_SMALLFRAMELEFT:
    case WP_SMALLFRAMERIGHT:
    case WP_SMALLFRAMEBOTTOM: Solid(cv, r, state == FS_ACTIVE ? kCaption : kCaptionInactive); return;
    case WP_DIALOG: Solid(cv, r, kFace); return;
    case WP_HORZSCROLL:
    case WP_VERTSCROLL: Solid(cv, r, RGB(240, 240, 240)); return;
    case WP_HORZTHUMB:
    case WP_VERTTHUMB: Solid(cv, Inset(r, 1), RGB(205, 205, 205)); return;
    default: {
      bool close = part == WP_CLOSEBUTTON || part == WP_SMALLCLOSEBUTTON || part == WP_MDICLOSEBUTTON;
      Solid(cv, r, close && (l == Look::Hot || l == Look::Pressed) ? kClose : FaceOf(l));
      Frame(cv, r, BorderOf(l));
      COLORREF ink = close && l == Look::Hot ? kWindowFill : TextOf(l);
      RECT g = Inset(r, 2);
      if (close) Cross(cv, g, ink);
      else if (part == WP_MINBUTTON || part == WP_MDIMINBUTTON) Solid(cv, RECT{g.left + 2, g.bottom - 4, g.right - 2, g.bottom - 2}, ink);
      else if (part == WP_MAXBUTTON) { Frame(cv, Inset(g, 2), ink); Solid(cv, RECT{g.left + 2, g.top + 3, g.right - 2, g.top + 4}, ink); }
      else if (part == WP_RESTOREBUTTON || part == WP_MDIRESTOREBUTTON) {
        Frame(cv, RECT{g.left + 4, g.top + 2, g.right - 2, g.bottom - 4}, ink);
        Frame(cv, RECT{g.left + 2, g.top + 4, g.right - 4, g.bottom - 2}, ink);
      } else if (part == WP_SYSBUTTON || part == WP_MDISYSBUTTON) Solid(cv, Inset(g, 3), ink);
      else Arrow(cv, g, 0, ink);
      return;
    }
  }
}

void PaintMenu(Canvas& cv, int part, int /*state*/, Look l, const RECT& r) {
  if (part == MP_SEPARATOR) Solid(cv, RECT{r.left, (r.top + r.bottom) / 2, r.right, (r.top + r.bottom) / 2 + 1}, RGB(192, 192, 192));
  else if (l == Look::Hot || l == Look::Pressed) BorderedFace(cv, r, l);
  else Solid(cv, r, kFace);
}

void PaintTrackBar(Canvas& cv, int part, int /*state*/, Look l, const RECT& r) {
  if (part == TKP_TRACK || part == TKP_TRACKVERT) {
    Solid(cv, r, RGB(231, 234, 234));
    Frame(cv, r, RGB(214, 214, 214));
  } else if (part == TKP_TICS || part == TKP_TICSVERT) {
    Solid(cv, r, RGB(196, 196, 196));
  } else {
    BorderedFace(cv, r, l);
  }
}

void PaintWindowFill(Canvas& cv, int /*part*/, int /*state*/, Look /*l*/, const RECT& r) {
  Solid(cv, r, kWindowFill);
}

void PaintToolTip(Canvas& cv, int /*part*/, int /*state*/, Look /*l*/, const RECT& r) {
  Solid(cv, r, RGB(255, 255, 225));
  Frame(cv, r, RGB(118, 118, 118));
}

void PaintPlainFace(Canvas& cv, int /*part*/, int /*state*/, Look l, const RECT& r) { BorderedFace(cv, r, l); }

struct ClassPainter {
  Cls cls;
  PartPainter paint;
};
constexpr ClassPainter kPartPainters[] = {
    {kButton, PaintButton},
    {kHeader, PaintHeader},
    {kScrollBar, PaintScrollBar},
    {kTab, PaintTab},
    {kEdit, PaintEdit},
    {kComboBox, PaintComboBox},
    {kSpin, PaintSpin},
    {kToolBar, PaintToolBar},
    {kRebar, PaintRebar},
    {kStatus, PaintStatus},
    {kProgress, PaintProgress},
    {kTreeView, PaintTreeView},
    {kExplorerBar, PaintExplorerBar},
    {kWindow, PaintWindow},
    {kMenu, PaintMenu},
    {kTrackBar, PaintTrackBar},
    {kListView, PaintWindowFill},
    {kPage, PaintWindowFill},
    {kToolTip, PaintToolTip},
};

void DrawPart(Canvas& cv, int cls, int part, int state, const RECT& r) {
  PartPainter paint = PaintPlainFace;
  for (const ClassPainter& p : kPartPainters)
    if (p.cls == cls) paint = p.paint;
  paint(cv, part, state, LookOf(cls, part, state), r);
}

SIZE PartSize(int cls, int part, int state, const RECT* r, THEMESIZE ts) {
  SIZE rs{r ? r->right - r->left : 0, r ? r->bottom - r->top : 0};
  switch (cls) {
    case kButton:
      if (part == BP_RADIOBUTTON || part == BP_CHECKBOX) return SIZE{13, 13};
      break;
    case kHeader:
      if (part == HP_HEADERSORTARROW) return SIZE{9, 5};
      break;
    case kScrollBar:
      if (part == SBP_ARROWBTN) return SIZE{17, 17};
      if (part == SBP_GRIPPERHORZ || part == SBP_GRIPPERVERT) return SIZE{8, 8};
      if (part == SBP_SIZEBOX) return SIZE{17, 17};
      if (part == SBP_THUMBBTNHORZ || part == SBP_THUMBBTNVERT) return ts == TS_MIN ? SIZE{8, 8} : SIZE{17, 17};
      break;
    case kComboBox: return SIZE{17, 20};
    case kSpin: return SIZE{15, 10};
    case kToolBar:
      if (part == TP_SPLITBUTTONDROPDOWN) return SIZE{12, 22};
      if (part == TP_SEPARATOR || part == TP_SEPARATORVERT) return SIZE{6, 6};
      break;
    case kRebar:
      if (part == RP_GRIPPER) return SIZE{5, 4};
      if (part == RP_GRIPPERVERT) return SIZE{4, 5};
      if (part == RP_CHEVRON || part == RP_CHEVRONVERT) return SIZE{13, 13};
      break;
    case kStatus:
      if (part == SP_GRIPPER) return SIZE{12, 12};
      break;
    case kProgress:
      if (part == PP_CHUNK) return SIZE{8, 10};
      if (part == PP_CHUNKVERT) return SIZE{10, 8};
      break;
    case kTreeView:
      if (part == TVP_GLYPH) return SIZE{9, 9};
      break;
    case kExplorerBar:
      if (part == EBP_HEADERCLOSE || part == EBP_HEADERPIN) return SIZE{16, 16};
      if (part == EBP_NORMALGROUPCOLLAPSE || part == EBP_NORMALGROUPEXPAND || part == EBP_SPECIALGROUPCOLLAPSE ||
          part == EBP_SPECIALGROUPEXPAND)
        return SIZE{22, 22};
      break;
    case kWindow:
      if (part == WP_SMALLCLOSEBUTTON) return SIZE{15, 15};
      if (part >= WP_SYSBUTTON && part <= WP_MDIHELPBUTTON) {
        bool mdi = part == WP_MDISYSBUTTON || part == WP_MDIMINBUTTON || part == WP_MDICLOSEBUTTON ||
                   part == WP_MDIRESTOREBUTTON || part == WP_MDIHELPBUTTON;
        return mdi ? SIZE{16, 16} : SIZE{21, 21};
      }
      if (part == WP_CAPTION) return SIZE{rs.cx, 30};
      if (part == WP_SMALLCAPTION) return SIZE{rs.cx, 22};
      if (part == WP_FRAMELEFT || part == WP_FRAMERIGHT) return SIZE{4, rs.cy};
      if (part == WP_FRAMEBOTTOM) return SIZE{rs.cx, 4};
      break;
    case kTrackBar:
      if (part == TKP_THUMB || part == TKP_THUMBBOTTOM || part == TKP_THUMBTOP) return SIZE{11, 21};
      if (part == TKP_THUMBVERT || part == TKP_THUMBLEFT || part == TKP_THUMBRIGHT) return SIZE{21, 11};
      break;
    default: break;
  }
  (void)state;
  // Stretchable parts: the rectangle drawn into, or a minimal border-sized box.
  if (ts == TS_DRAW && r) return rs;
  return SIZE{ts == TS_MIN ? 2 : std::max<LONG>(rs.cx, 2), ts == TS_MIN ? 2 : std::max<LONG>(rs.cy, 2)};
}

MARGINS ContentMargins(int cls, int part) {
  switch (cls) {
    case kButton:
      if (part == BP_PUSHBUTTON) return MARGINS{3, 3, 3, 3};
      if (part == BP_GROUPBOX) return MARGINS{4, 4, 4, 4};
      return MARGINS{0, 0, 0, 0};
    case kEdit: return part == EP_EDITTEXT ? MARGINS{2, 2, 2, 2} : MARGINS{0, 0, 0, 0};
    case kHeader: return part == HP_HEADERSORTARROW ? MARGINS{0, 0, 0, 0} : MARGINS{3, 3, 0, 0};
    case kTab: return part == TABP_PANE ? MARGINS{2, 2, 2, 2} : part == TABP_BODY ? MARGINS{0, 0, 0, 0} : MARGINS{4, 4, 2, 2};
    case kToolBar: return MARGINS{3, 3, 3, 3};
    case kComboBox:
    case kSpin:
    case kTrackBar: return MARGINS{1, 1, 1, 1};
    case kProgress: return part == PP_BAR || part == PP_BARVERT ? MARGINS{3, 3, 3, 3} : MARGINS{0, 0, 0, 0};
    case kExplorerBar: return part == EBP_NORMALGROUPHEAD || part == EBP_SPECIALGROUPHEAD ? MARGINS{10, 2, 5, 2} : MARGINS{0, 0, 0, 0};
    case kToolTip: return MARGINS{4, 4, 2, 2};
    case kWindow: return part >= WP_SYSBUTTON && part <= WP_MDIHELPBUTTON ? MARGINS{2, 2, 2, 2} : MARGINS{0, 0, 0, 0};
    case kMenu: return MARGINS{2, 2, 2, 2};
    default: return MARGINS{0, 0, 0, 0};
  }
}

bool PartiallyTransparent(int cls, int part) {
  switch (cls) {
    case kButton: return part == BP_PUSHBUTTON || part == BP_RADIOBUTTON || part == BP_GROUPBOX;
    case kTab: return part != TABP_PANE && part != TABP_BODY;
    case kToolBar:
    case kRebar: return part != RP_BAND || cls == kToolBar;
    case kExplorerBar:
      return part == EBP_NORMALGROUPCOLLAPSE || part == EBP_NORMALGROUPEXPAND || part == EBP_SPECIALGROUPCOLLAPSE ||
             part == EBP_SPECIALGROUPEXPAND;
    case kHeader: return part == HP_HEADERSORTARROW;
    case kTreeView: return part == TVP_TREEITEM;
    case kStatus: return part == SP_GRIPPER;
    case kComboBox: return false;
    default: return false;
  }
}

void Broadcast(HWND h) {
  SendMessage(h, WM_THEMECHANGED, 0, 0);
  EnumChildWindows(
      h,
      [](HWND c, LPARAM) -> BOOL {
        SendMessage(c, WM_THEMECHANGED, 0, 0);
        return TRUE;
      },
      0);
}

void BroadcastToAll() {
  EnumWindows(
      [](HWND h, LPARAM) -> BOOL {
        Broadcast(h);
        return TRUE;
      },
      0);
}

}  // namespace
}  // namespace winapi::detail

using namespace winapi::detail;

namespace winapi {
void SetThemeName(const char* fileName, const char* colorName, const char* sizeName) {
  {
    std::lock_guard<std::mutex> lock(gNameLock);
    gName = ThemeName{fileName ? fileName : "", colorName ? colorName : "", sizeName ? sizeName : ""};
  }
  if (gActive) BroadcastToAll();
}

void SetThemeActive(bool active) {
  if (gActive.exchange(active) == active) return;
  BroadcastToAll();
}
}  // namespace winapi

HTHEME OpenThemeData(HWND, LPCSTR classList) {
  if (!gActive || !classList) return nullptr;
  std::string list(classList);
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    // "Explorer::TreeView" style prefixes name a sub-application; the class follows "::".
    size_t colons = name.rfind("::");
    if (colons != std::string::npos) name = name.substr(colons + 2);
    for (int i = 0; i < kClassCount; ++i)
      if (name == kClassNames[i]) {
        auto* t = new Theme();
        t->cls = i;
        RegisterObject(t);
        return reinterpret_cast<HTHEME>(static_cast<GdiObject*>(t));
      }
    start = end + 1;
  }
  return nullptr;
}

HRESULT CloseThemeData(HTHEME theme) {
  Theme* t = AsTheme(theme);
  if (!t) return E_INVALIDARG;
  UnregisterObject(t);
  delete t;
  return S_OK;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC hdc, int part, int state, const RECT* rect, const RECT* clip) {
  Theme* t = AsTheme(theme);
  if (!t || !rect || !AsDC(hdc)) return E_INVALIDARG;
  int saved = 0;
  if (clip) {
    saved = SaveDC(hdc);
    IntersectClipRect(hdc, clip->left, clip->top, clip->right, clip->bottom);
  }
  {
    Canvas cv(hdc);
    if (cv.ok && rect->right > rect->left && rect->bottom > rect->top) DrawPart(cv, t->cls, part, state, *rect);
  }
  if (clip) RestoreDC(hdc, saved);
  return S_OK;
}

HRESULT DrawThemeText(HTHEME theme, HDC hdc, int part, int state, LPCSTR text, int count, DWORD flags, DWORD,
                      const RECT* rect) {
  if (!AsTheme(theme) || !AsDC(hdc) || !rect || !text) return E_INVALIDARG;
  COLORREF color = 0;
  GetThemeColor(theme, part, state, TMT_TEXTCOLOR, &color);
  COLORREF oldColor = SetTextColor(hdc, color);
  int oldMode = SetBkMode(hdc, TRANSPARENT);
  RECT r = *rect;
  DrawText(hdc, text, count, &r, flags & ~DT_CALCRECT);
  SetBkMode(hdc, oldMode);
  SetTextColor(hdc, oldColor);
  return S_OK;
}

HRESULT GetThemeTextExtent(HTHEME theme, HDC hdc, int, int, LPCSTR text, int count, DWORD flags, const RECT* bounds,
                           RECT* extent) {
  if (!AsTheme(theme) || !AsDC(hdc) || !text || !extent) return E_INVALIDARG;
  RECT r = bounds ? *bounds : RECT{0, 0, 0, 0};
  DrawText(hdc, text, count, &r, flags | DT_CALCRECT);
  *extent = r;
  return S_OK;
}

HRESULT DrawThemeEdge(HTHEME theme, HDC hdc, int, int, const RECT* dest, UINT edge, UINT flags, RECT* content) {
  if (!AsTheme(theme) || !dest) return E_INVALIDARG;
  RECT r = *dest;
  DrawEdge(hdc, &r, edge, flags | BF_ADJUST);
  if (content) *content = r;
  return S_OK;
}

HRESULT DrawThemeIcon(HTHEME theme, HDC hdc, int, int, const RECT* rect, HIMAGELIST images, int index) {
  if (!AsTheme(theme) || !rect) return E_INVALIDARG;
  return ImageList_Draw(images, index, hdc, rect->left, rect->top, ILD_TRANSPARENT) ? S_OK : E_FAIL;
}

HRESULT GetThemePartSize(HTHEME theme, HDC, int part, int state, const RECT* rect, THEMESIZE size, SIZE* out) {
  Theme* t = AsTheme(theme);
  if (!t || !out) return E_INVALIDARG;
  *out = PartSize(t->cls, part, state, rect, size);
  return S_OK;
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC, int part, int, const RECT* bounds, RECT* content) {
  Theme* t = AsTheme(theme);
  if (!t || !bounds || !content) return E_INVALIDARG;
  MARGINS m = ContentMargins(t->cls, part);
  *content = RECT{bounds->left + m.cxLeftWidth, bounds->top + m.cyTopHeight, bounds->right - m.cxRightWidth,
                  bounds->bottom - m.cyBottomHeight};
  return S_OK;
}

HRESULT GetThemeBackgroundExtent(HTHEME theme, HDC, int part, int, const RECT* content, RECT* extent) {
  Theme* t = AsTheme(theme);
  if (!t || !content || !extent) return E_INVALIDARG;
  MARGINS m = ContentMargins(t->cls, part);
  *extent = RECT{content->left - m.cxLeftWidth, content->top - m.cyTopHeight, content->right + m.cxRightWidth,
                 content->bottom + m.cyBottomHeight};
  return S_OK;
}

HRESULT GetThemeMargins(HTHEME theme, HDC, int part, int, int, const RECT*, MARGINS* out) {
  Theme* t = AsTheme(theme);
  if (!t || !out) return E_INVALIDARG;
  *out = ContentMargins(t->cls, part);
  return S_OK;
}

HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC, int part, int, const RECT* rect, HRGN* region) {
  Theme* t = AsTheme(theme);
  if (!t || !rect || !region) return E_INVALIDARG;
  bool round = (t->cls == kButton && part == BP_RADIOBUTTON) ||
               (t->cls == kExplorerBar && (part == EBP_NORMALGROUPCOLLAPSE || part == EBP_NORMALGROUPEXPAND ||
                                           part == EBP_SPECIALGROUPCOLLAPSE || part == EBP_SPECIALGROUPEXPAND));
  *region = round ? CreateEllipticRgnIndirect(rect) : CreateRectRgnIndirect(rect);
  return S_OK;
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int) {
  Theme* t = AsTheme(theme);
  return t && PartiallyTransparent(t->cls, part) ? TRUE : FALSE;
}

BOOL IsThemePartDefined(HTHEME theme, int part, int) { return AsTheme(theme) && part >= 0 ? TRUE : FALSE; }

HRESULT GetThemeColor(HTHEME theme, int part, int state, int prop, COLORREF* color) {
  Theme* t = AsTheme(theme);
  if (!t || !color) return E_INVALIDARG;
  Look l = LookOf(t->cls, part, state);
  switch (prop) {
    case TMT_TEXTCOLOR:
    case TMT_GLYPHTEXTCOLOR:
      *color = t->cls == kWindow && (part == WP_CAPTION || part == WP_SMALLCAPTION) ? kWindowFill : TextOf(l);
      return S_OK;
    case TMT_BORDERCOLOR:
    case TMT_BORDERCOLORHINT:
      *color = t->cls == kEdit && l == Look::Normal ? RGB(171, 173, 179) : BorderOf(l);
      return S_OK;
    case TMT_FILLCOLOR:
    case TMT_FILLCOLORHINT:
    case TMT_EDGEFILLCOLOR:
      *color = t->cls == kEdit || t->cls == kListView || t->cls == kTreeView ? kWindowFill
               : t->cls == kProgress && (part == PP_CHUNK || part == PP_CHUNKVERT) ? kAccent
                                                                                  : FaceOf(l);
      return S_OK;
    case TMT_EDGELIGHTCOLOR: *color = GetSysColor(COLOR_3DLIGHT); return S_OK;
    case TMT_EDGEHIGHLIGHTCOLOR: *color = GetSysColor(COLOR_BTNHIGHLIGHT); return S_OK;
    case TMT_EDGESHADOWCOLOR: *color = GetSysColor(COLOR_BTNSHADOW); return S_OK;
    case TMT_EDGEDKSHADOWCOLOR: *color = GetSysColor(COLOR_3DDKSHADOW); return S_OK;
    case TMT_ACCENTCOLORHINT: *color = kBorderHot; return S_OK;
    case TMT_GRADIENTCOLOR1:
    case TMT_GRADIENTCOLOR2:
    case TMT_GRADIENTCOLOR3:
    case TMT_GRADIENTCOLOR4:
    case TMT_GRADIENTCOLOR5: *color = FaceOf(l); return S_OK;
    default: return E_PROP_ID_UNSUPPORTED;
  }
}

COLORREF GetThemeSysColor(HTHEME, int colorId) { return GetSysColor(colorId); }

BOOL IsThemeActive() { return gActive ? TRUE : FALSE; }
BOOL IsAppThemed() { return gActive && (gAppProps & STAP_ALLOW_CONTROLS) ? TRUE : FALSE; }
DWORD GetThemeAppProperties() { return gAppProps; }
void SetThemeAppProperties(DWORD flags) { gAppProps = flags; }

HRESULT GetCurrentThemeName(LPSTR name, int nameChars, LPSTR color, int colorChars, LPSTR size, int sizeChars) {
  if (!gActive) return E_FAIL;
  auto put = [](LPSTR out, int n, const char* v) {
    if (!out || n <= 0) return;
    std::strncpy(out, v, static_cast<size_t>(n - 1));
    out[n - 1] = 0;
  };
  std::lock_guard<std::mutex> lock(gNameLock);
  put(name, nameChars, gName.file.c_str());
  put(color, colorChars, gName.color.c_str());
  put(size, sizeChars, gName.size.c_str());
  return S_OK;
}

HRESULT DrawThemeParentBackground(HWND hwnd, HDC hdc, const RECT* rect) {
  HWND parent = GetParent(hwnd);
  if (!parent || !AsDC(hdc)) return E_FAIL;
  POINT pt{0, 0};
  MapWindowPoints(hwnd, parent, &pt, 1);
  int saved = SaveDC(hdc);
  if (rect) IntersectClipRect(hdc, rect->left, rect->top, rect->right, rect->bottom);
  OffsetViewportOrgEx(hdc, -pt.x, -pt.y, nullptr);
  SendMessage(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
  SendMessage(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), PRF_CLIENT);
  RestoreDC(hdc, saved);
  return S_OK;
}

HRESULT EnableThemeDialogTexture(HWND, DWORD) { return S_OK; }
BOOL IsThemeDialogTextureEnabled(HWND) { return FALSE; }
HRESULT SetWindowTheme(HWND, LPCSTR, LPCSTR) { return S_OK; }
HTHEME GetWindowTheme(HWND) { return nullptr; }
