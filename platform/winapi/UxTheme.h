#pragma once
// The visual-style (theme) calls with a built-in theme drawn from plain primitives. Themes are off until
// winapi::SetThemeActive(true); while off, OpenThemeData answers null and IsThemeActive false. Class names
// are matched without regard to case; a class list ("Button;Edit") opens its first known class. Part and
// state numbers keep their documented values. Included by winapi/WinGdi.h.

#include "winapi/Windows.h"

struct THEME__;
using HTHEME = THEME__*;
using HRESULT = LONG;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT E_PROP_ID_UNSUPPORTED = static_cast<HRESULT>(0x80070490);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

enum THEMESIZE { TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2 };

struct MARGINS {
  int cxLeftWidth;
  int cxRightWidth;
  int cyTopHeight;
  int cyBottomHeight;
};

// ---- parts and states --------------------------------------------------------------------------------------
// BUTTON
constexpr int BP_PUSHBUTTON = 1, BP_RADIOBUTTON = 2, BP_CHECKBOX = 3, BP_GROUPBOX = 4, BP_USERBUTTON = 5;
constexpr int PBS_NORMAL = 1, PBS_HOT = 2, PBS_PRESSED = 3, PBS_DISABLED = 4, PBS_DEFAULTED = 5;
constexpr int RBS_UNCHECKEDNORMAL = 1, RBS_UNCHECKEDHOT = 2, RBS_UNCHECKEDPRESSED = 3, RBS_UNCHECKEDDISABLED = 4,
              RBS_CHECKEDNORMAL = 5, RBS_CHECKEDHOT = 6, RBS_CHECKEDPRESSED = 7, RBS_CHECKEDDISABLED = 8;
constexpr int CBS_UNCHECKEDNORMAL = 1, CBS_UNCHECKEDHOT = 2, CBS_UNCHECKEDPRESSED = 3, CBS_UNCHECKEDDISABLED = 4,
              CBS_CHECKEDNORMAL = 5, CBS_CHECKEDHOT = 6, CBS_CHECKEDPRESSED = 7, CBS_CHECKEDDISABLED = 8,
              CBS_MIXEDNORMAL = 9, CBS_MIXEDHOT = 10, CBS_MIXEDPRESSED = 11, CBS_MIXEDDISABLED = 12;
constexpr int GBS_NORMAL = 1, GBS_DISABLED = 2;
// HEADER
constexpr int HP_HEADERITEM = 1, HP_HEADERITEMLEFT = 2, HP_HEADERITEMRIGHT = 3, HP_HEADERSORTARROW = 4;
constexpr int HIS_NORMAL = 1, HIS_HOT = 2, HIS_PRESSED = 3;
constexpr int HSAS_SORTEDUP = 1, HSAS_SORTEDDOWN = 2;
// SCROLLBAR
constexpr int SBP_ARROWBTN = 1, SBP_THUMBBTNHORZ = 2, SBP_THUMBBTNVERT = 3, SBP_LOWERTRACKHORZ = 4,
              SBP_UPPERTRACKHORZ = 5, SBP_LOWERTRACKVERT = 6, SBP_UPPERTRACKVERT = 7, SBP_GRIPPERHORZ = 8,
              SBP_GRIPPERVERT = 9, SBP_SIZEBOX = 10;
constexpr int ABS_UPNORMAL = 1, ABS_UPHOT = 2, ABS_UPPRESSED = 3, ABS_UPDISABLED = 4, ABS_DOWNNORMAL = 5,
              ABS_DOWNHOT = 6, ABS_DOWNPRESSED = 7, ABS_DOWNDISABLED = 8, ABS_LEFTNORMAL = 9, ABS_LEFTHOT = 10,
              ABS_LEFTPRESSED = 11, ABS_LEFTDISABLED = 12, ABS_RIGHTNORMAL = 13, ABS_RIGHTHOT = 14,
              ABS_RIGHTPRESSED = 15, ABS_RIGHTDISABLED = 16;
constexpr int SCRBS_NORMAL = 1, SCRBS_HOT = 2, SCRBS_PRESSED = 3, SCRBS_DISABLED = 4;
constexpr int SZB_RIGHTALIGN = 1, SZB_LEFTALIGN = 2;
// TAB
constexpr int TABP_TABITEM = 1, TABP_TABITEMLEFTEDGE = 2, TABP_TABITEMRIGHTEDGE = 3, TABP_TABITEMBOTHEDGE = 4,
              TABP_TOPTABITEM = 5, TABP_TOPTABITEMLEFTEDGE = 6, TABP_TOPTABITEMRIGHTEDGE = 7,
              TABP_TOPTABITEMBOTHEDGE = 8, TABP_PANE = 9, TABP_BODY = 10;
constexpr int TIS_NORMAL = 1, TIS_HOT = 2, TIS_SELECTED = 3, TIS_DISABLED = 4, TIS_FOCUSED = 5;
// EDIT
constexpr int EP_EDITTEXT = 1, EP_CARET = 2;
constexpr int ETS_NORMAL = 1, ETS_HOT = 2, ETS_SELECTED = 3, ETS_DISABLED = 4, ETS_FOCUSED = 5, ETS_READONLY = 6,
              ETS_ASSIST = 7;
// COMBOBOX
constexpr int CP_DROPDOWNBUTTON = 1;
constexpr int CBXS_NORMAL = 1, CBXS_HOT = 2, CBXS_PRESSED = 3, CBXS_DISABLED = 4;
// SPIN
constexpr int SPNP_UP = 1, SPNP_DOWN = 2, SPNP_UPHORZ = 3, SPNP_DOWNHORZ = 4;
constexpr int UPS_NORMAL = 1, UPS_HOT = 2, UPS_PRESSED = 3, UPS_DISABLED = 4;
constexpr int DNS_NORMAL = 1, DNS_HOT = 2, DNS_PRESSED = 3, DNS_DISABLED = 4;
// TOOLBAR
constexpr int TP_BUTTON = 1, TP_DROPDOWNBUTTON = 2, TP_SPLITBUTTON = 3, TP_SPLITBUTTONDROPDOWN = 4,
              TP_SEPARATOR = 5, TP_SEPARATORVERT = 6;
constexpr int TS_NORMAL = 1, TS_HOT = 2, TS_PRESSED = 3, TS_DISABLED = 4, TS_CHECKED = 5, TS_HOTCHECKED = 6;
// REBAR
constexpr int RP_GRIPPER = 1, RP_GRIPPERVERT = 2, RP_BAND = 3, RP_CHEVRON = 4, RP_CHEVRONVERT = 5;
constexpr int CHEVS_NORMAL = 1, CHEVS_HOT = 2, CHEVS_PRESSED = 3;
// STATUS
constexpr int SP_PANE = 1, SP_GRIPPERPANE = 2, SP_GRIPPER = 3;
// PROGRESS
constexpr int PP_BAR = 1, PP_BARVERT = 2, PP_CHUNK = 3, PP_CHUNKVERT = 4;
// TREEVIEW
constexpr int TVP_TREEITEM = 1, TVP_GLYPH = 2, TVP_BRANCH = 3;
constexpr int TREIS_NORMAL = 1, TREIS_HOT = 2, TREIS_SELECTED = 3, TREIS_DISABLED = 4, TREIS_SELECTEDNOTFOCUS = 5;
constexpr int GLPS_CLOSED = 1, GLPS_OPENED = 2;
// EXPLORERBAR
constexpr int EBP_HEADERBACKGROUND = 1, EBP_HEADERCLOSE = 2, EBP_HEADERPIN = 3, EBP_IEBARMENU = 4,
              EBP_NORMALGROUPBACKGROUND = 5, EBP_NORMALGROUPCOLLAPSE = 6, EBP_NORMALGROUPEXPAND = 7,
              EBP_NORMALGROUPHEAD = 8, EBP_SPECIALGROUPBACKGROUND = 9, EBP_SPECIALGROUPCOLLAPSE = 10,
              EBP_SPECIALGROUPEXPAND = 11, EBP_SPECIALGROUPHEAD = 12;
constexpr int EBHC_NORMAL = 1, EBHC_HOT = 2, EBHC_PRESSED = 3;
constexpr int EBNGC_NORMAL = 1, EBNGC_HOT = 2, EBNGC_PRESSED = 3;
// TRACKBAR
constexpr int TKP_TRACK = 1, TKP_TRACKVERT = 2, TKP_THUMB = 3, TKP_THUMBBOTTOM = 4, TKP_THUMBTOP = 5,
              TKP_THUMBVERT = 6, TKP_THUMBLEFT = 7, TKP_THUMBRIGHT = 8, TKP_TICS = 9, TKP_TICSVERT = 10;
// WINDOW
constexpr int WP_CAPTION = 1, WP_SMALLCAPTION = 2, WP_MINCAPTION = 3, WP_SMALLMINCAPTION = 4, WP_MAXCAPTION = 5,
              WP_SMALLMAXCAPTION = 6, WP_FRAMELEFT = 7, WP_FRAMERIGHT = 8, WP_FRAMEBOTTOM = 9,
              WP_SMALLFRAMELEFT = 10, WP_SMALLFRAMERIGHT = 11, WP_SMALLFRAMEBOTTOM = 12, WP_SYSBUTTON = 13,
              WP_MDISYSBUTTON = 14, WP_MINBUTTON = 15, WP_MDIMINBUTTON = 16, WP_MAXBUTTON = 17,
              WP_CLOSEBUTTON = 18, WP_SMALLCLOSEBUTTON = 19, WP_MDICLOSEBUTTON = 20, WP_RESTOREBUTTON = 21,
              WP_MDIRESTOREBUTTON = 22, WP_HELPBUTTON = 23, WP_MDIHELPBUTTON = 24, WP_HORZSCROLL = 25,
              WP_HORZTHUMB = 26, WP_VERTSCROLL = 27, WP_VERTTHUMB = 28, WP_DIALOG = 29;
constexpr int CS_ACTIVE = 1, CS_INACTIVE = 2, CS_DISABLED = 3;
constexpr int FS_ACTIVE = 1, FS_INACTIVE = 2;
constexpr int CBS_NORMAL = 1, CBS_HOT = 2, CBS_PUSHED = 3, CBS_DISABLED = 4;  // caption buttons
// MENU
constexpr int MP_MENUITEM = 1, MP_MENUDROPDOWN = 2, MP_MENUBARITEM = 3, MP_MENUBARDROPDOWN = 4, MP_CHEVRON = 5,
              MP_SEPARATOR = 6;

// Property identifiers of GetThemeColor.
constexpr int TMT_BORDERCOLOR = 3801;
constexpr int TMT_FILLCOLOR = 3802;
constexpr int TMT_TEXTCOLOR = 3803;
constexpr int TMT_EDGELIGHTCOLOR = 3804;
constexpr int TMT_EDGEHIGHLIGHTCOLOR = 3805;
constexpr int TMT_EDGESHADOWCOLOR = 3806;
constexpr int TMT_EDGEDKSHADOWCOLOR = 3807;
constexpr int TMT_EDGEFILLCOLOR = 3808;
constexpr int TMT_TRANSPARENTCOLOR = 3809;
constexpr int TMT_GRADIENTCOLOR1 = 3810;
constexpr int TMT_GRADIENTCOLOR2 = 3811;
constexpr int TMT_GRADIENTCOLOR3 = 3812;
constexpr int TMT_GRADIENTCOLOR4 = 3813;
constexpr int TMT_GRADIENTCOLOR5 = 3814;
constexpr int TMT_SHADOWCOLOR = 3815;
constexpr int TMT_GLOWCOLOR = 3816;
constexpr int TMT_TEXTBORDERCOLOR = 3817;
constexpr int TMT_TEXTSHADOWCOLOR = 3818;
constexpr int TMT_GLYPHTEXTCOLOR = 3819;
constexpr int TMT_GLYPHTRANSPARENTCOLOR = 3820;
constexpr int TMT_FILLCOLORHINT = 3821;
constexpr int TMT_BORDERCOLORHINT = 3822;
constexpr int TMT_ACCENTCOLORHINT = 3823;

constexpr DWORD ETDT_DISABLE = 0x01;
constexpr DWORD ETDT_ENABLE = 0x02;
constexpr DWORD ETDT_USETABTEXTURE = 0x04;
constexpr DWORD ETDT_ENABLETAB = ETDT_ENABLE | ETDT_USETABTEXTURE;
constexpr DWORD STAP_ALLOW_NONCLIENT = 0x01;
constexpr DWORD STAP_ALLOW_CONTROLS = 0x02;
constexpr DWORD STAP_ALLOW_WEBCONTENT = 0x04;

// ---- calls ----------------------------------------------------------------------------------------------
HTHEME OpenThemeData(HWND hwnd, LPCSTR classList);
HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC hdc, int part, int state, const RECT* rect, const RECT* clip);
// Text in the part's text colour over a transparent background, laid out by DrawText with `flags`.
HRESULT DrawThemeText(HTHEME theme, HDC hdc, int part, int state, LPCSTR text, int count, DWORD flags,
                      DWORD flags2, const RECT* rect);
HRESULT GetThemeTextExtent(HTHEME theme, HDC hdc, int part, int state, LPCSTR text, int count, DWORD flags,
                           const RECT* bounds, RECT* extent);
HRESULT DrawThemeEdge(HTHEME theme, HDC hdc, int part, int state, const RECT* dest, UINT edge, UINT flags,
                      RECT* content);
HRESULT DrawThemeIcon(HTHEME theme, HDC hdc, int part, int state, const RECT* rect, HIMAGELIST images, int index);
HRESULT GetThemePartSize(HTHEME theme, HDC hdc, int part, int state, const RECT* rect, THEMESIZE size, SIZE* out);
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC hdc, int part, int state, const RECT* bounds, RECT* content);
HRESULT GetThemeBackgroundExtent(HTHEME theme, HDC hdc, int part, int state, const RECT* content, RECT* extent);
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC hdc, int part, int state, const RECT* rect, HRGN* region);
HRESULT GetThemeMargins(HTHEME theme, HDC hdc, int part, int state, int prop, const RECT* rect, MARGINS* out);
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state);
BOOL IsThemePartDefined(HTHEME theme, int part, int state);
HRESULT GetThemeColor(HTHEME theme, int part, int state, int prop, COLORREF* color);
COLORREF GetThemeSysColor(HTHEME theme, int colorId);
BOOL IsThemeActive();
BOOL IsAppThemed();
DWORD GetThemeAppProperties();
void SetThemeAppProperties(DWORD flags);
// The name of the built-in theme file, its colour scheme and size name.
HRESULT GetCurrentThemeName(LPSTR name, int nameChars, LPSTR color, int colorChars, LPSTR size, int sizeChars);
// Paints the parent's background behind `hwnd` into `hdc` (WM_ERASEBKGND then WM_PRINTCLIENT to the parent,
// with the viewport moved so the parent draws in its own coordinates); `rect` limits it in hwnd's coordinates.
HRESULT DrawThemeParentBackground(HWND hwnd, HDC hdc, const RECT* rect);
HRESULT EnableThemeDialogTexture(HWND hwnd, DWORD flags);
BOOL IsThemeDialogTextureEnabled(HWND hwnd);
HRESULT SetWindowTheme(HWND hwnd, LPCSTR subAppName, LPCSTR subIdList);
HTHEME GetWindowTheme(HWND hwnd);

namespace winapi {
// Turns visual styles on or off for the whole process; every window hears WM_THEMECHANGED.
void SetThemeActive(bool active);
// The names GetCurrentThemeName reports (by default "Plain.theme", "Light", "Normal"); while styles are on,
// every window hears WM_THEMECHANGED, as when the user picks another colour scheme.
void SetThemeName(const char* fileName, const char* colorName, const char* sizeName);
}  // namespace winapi
