// Logical font objects, stock fonts, text metrics and the text state of device contexts.

#include <algorithm>
#include <cstring>
#include <mutex>

#include "winapi/detail/Font.h"

namespace winapi::detail {
namespace {

HFONT ToHandle(Font* f) { return reinterpret_cast<HFONT>(static_cast<GdiObject*>(f)); }

Font* NewFont(const LOGFONT& lf) {
  auto* f = new Font();
  f->lf = lf;
  f->lf.lfFaceName[sizeof f->lf.lfFaceName - 1] = 0;
  f->face = RealiseFace(f->lf);
  return f;
}

LOGFONT MakeLogFont(int height, int weight, BYTE pitchAndFamily, const char* face) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = pitchAndFamily;
  std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
  return lf;
}

}  // namespace

Font* AsFont(HFONT h) { return static_cast<Font*>(FindObject(h, OBJ_FONT)); }

HFONT StockFont(int index) {
  static Font* fonts[DEFAULT_GUI_FONT + 1] = {};
  static std::once_flag once;
  std::call_once(once, [] {
    auto stock = [](int i, const LOGFONT& lf) {
      fonts[i] = NewFont(lf);
      fonts[i]->stock = true;
      RegisterObject(fonts[i]);
    };
    stock(OEM_FIXED_FONT, MakeLogFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Terminal"));
    stock(ANSI_FIXED_FONT, MakeLogFont(13, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier"));
    stock(ANSI_VAR_FONT, MakeLogFont(13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"));
    stock(SYSTEM_FONT, MakeLogFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System"));
    stock(DEVICE_DEFAULT_FONT, MakeLogFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System"));
    stock(SYSTEM_FIXED_FONT, MakeLogFont(15, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Fixedsys"));
    stock(DEFAULT_GUI_FONT, MakeLogFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg"));
  });
  if (index < OEM_FIXED_FONT || index > DEFAULT_GUI_FONT || !fonts[index]) return nullptr;
  return ToHandle(fonts[index]);
}

Font* DCFont(DC* dc) {
  Font* f = dc ? AsFont(dc->font) : nullptr;
  return f ? f : AsFont(StockFont(SYSTEM_FONT));
}

Face* DCFace(DC* dc) { return DCFont(dc)->face; }

}  // namespace winapi::detail

using namespace winapi::detail;

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  Font* f = NewFont(*lf);
  RegisterObject(f);
  return reinterpret_cast<HFONT>(static_cast<GdiObject*>(f));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic != 0);
  lf.lfUnderline = static_cast<BYTE>(underline != 0);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) std::strncpy(lf.lfFaceName, faceName, sizeof lf.lfFaceName - 1);
  return CreateFontIndirect(&lf);
}

int GetTextFace(HDC hdc, int size, LPSTR name) {
  DC* dc = AsDC(hdc);
  if (!dc) return 0;
  const char* face = DCFont(dc)->lf.lfFaceName;
  int len = static_cast<int>(std::strlen(face));
  if (!name) return len + 1;
  if (size <= 0) return 0;
  int n = std::min(len, size - 1);
  std::memcpy(name, face, static_cast<size_t>(n));
  name[n] = 0;
  return n;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
  DC* dc = AsDC(hdc);
  if (!dc || !tm) return FALSE;
  Font* f = DCFont(dc);
  const FaceMetrics& m = f->face->m;
  *tm = TEXTMETRIC{};
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmHeight = m.ascent + m.descent;
  tm->tmInternalLeading = m.internalLeading;
  tm->tmExternalLeading = m.externalLeading;
  tm->tmAveCharWidth = m.aveCharWidth;
  tm->tmMaxCharWidth = m.maxCharWidth;
  tm->tmWeight = f->lf.lfWeight == 0 ? FW_NORMAL : f->lf.lfWeight;
  tm->tmOverhang = m.overhang;
  tm->tmDigitizedAspectX = 96;
  tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = static_cast<char>(0xFF);
  tm->tmDefaultChar = 0x1F;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = f->lf.lfItalic ? 1 : 0;
  tm->tmUnderlined = f->lf.lfUnderline ? 1 : 0;
  tm->tmStruckOut = f->lf.lfStrikeOut ? 1 : 0;
  tm->tmPitchAndFamily = static_cast<BYTE>((m.fixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE |
                                           (f->lf.lfPitchAndFamily & 0xF0));
  tm->tmCharSet = f->lf.lfCharSet;
  return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  DC* dc = AsDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->textColor;
  dc->textColor = color & 0x00FFFFFF;
  return old;
}
COLORREF GetTextColor(HDC hdc) {
  DC* dc = AsDC(hdc);
  return dc ? dc->textColor : CLR_INVALID;
}
COLORREF SetBkColor(HDC hdc, COLORREF color) {
  DC* dc = AsDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->bkColor;
  dc->bkColor = color & 0x00FFFFFF;
  return old;
}
COLORREF GetBkColor(HDC hdc) {
  DC* dc = AsDC(hdc);
  return dc ? dc->bkColor : CLR_INVALID;
}
int SetBkMode(HDC hdc, int mode) {
  DC* dc = AsDC(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}
int GetBkMode(HDC hdc) {
  DC* dc = AsDC(hdc);
  return dc ? dc->bkMode : 0;
}
UINT SetTextAlign(HDC hdc, UINT align) {
  DC* dc = AsDC(hdc);
  if (!dc) return GDI_ERROR;
  UINT old = dc->textAlign;
  dc->textAlign = align;
  return old;
}
UINT GetTextAlign(HDC hdc) {
  DC* dc = AsDC(hdc);
  return dc ? dc->textAlign : GDI_ERROR;
}
int SetTextCharacterExtra(HDC hdc, int extra) {
  DC* dc = AsDC(hdc);
  if (!dc) return static_cast<int>(0x80000000);
  int old = dc->charExtra;
  dc->charExtra = extra;
  return old;
}
int GetTextCharacterExtra(HDC hdc) {
  DC* dc = AsDC(hdc);
  return dc ? dc->charExtra : static_cast<int>(0x80000000);
}
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  DC* dc = AsDC(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->curPos;
  dc->curPos = POINT{x, y};
  return TRUE;
}
BOOL GetCurrentPositionEx(HDC hdc, POINT* pos) {
  DC* dc = AsDC(hdc);
  if (!dc || !pos) return FALSE;
  *pos = dc->curPos;
  return TRUE;
}
BOOL SetTextJustification(HDC hdc, int extra, int breakCount) {
  DC* dc = AsDC(hdc);
  if (!dc) return FALSE;
  dc->justExtra = breakCount > 0 ? extra : 0;
  dc->justBreaks = breakCount > 0 ? breakCount : 0;
  return TRUE;
}
