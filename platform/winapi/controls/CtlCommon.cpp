// Plumbing shared by the built-in window classes, and their registration.

#include <cstring>

#include "rtl/Utf8.h"
#include "winapi/detail/Ctl.h"

namespace winapi {

namespace {

ControlTextExtent FontMeasure(HFONT font, const char* utf8, int bytes) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SIZE sz{0, 0};
  if (bytes > 0) GetTextExtentPoint32(dc, utf8, bytes, &sz);
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  if (old) SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return ControlTextExtent{static_cast<int>(sz.cx), static_cast<int>(tm.tmHeight)};
}

ControlTextMeasure gMeasure = FontMeasure;

}  // namespace

void SetControlTextMeasure(ControlTextMeasure measure) { gMeasure = measure ? measure : FontMeasure; }

ControlTextExtent MeasureControlText(HFONT font, const char* utf8, int bytes) { return gMeasure(font, utf8, bytes); }

}  // namespace winapi

namespace winapi::ctl {

void Notify(HWND hwnd, WORD code) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
              reinterpret_cast<LPARAM>(hwnd));
}

HBRUSH ControlColor(HWND hwnd, UINT msg, HDC dc) {
  HWND parent = GetParent(hwnd);
  LRESULT r = parent ? SendMessage(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd))
                     : DefWindowProc(hwnd, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
  if (!r) r = DefWindowProc(hwnd, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
  return reinterpret_cast<HBRUSH>(r);
}

std::u32string ToU32(const char* utf8, size_t bytes) {
  std::u32string out;
  out.reserve(bytes);
  String s(utf8, bytes);
  for (size_t i = 0; i < s.size();) {
    size_t len = 0;
    out.push_back(Utf8CodePointAt(s, i, &len));
    i += len ? len : 1;
  }
  return out;
}

std::string ToUtf8(const char32_t* text, size_t count) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) Utf8Append(out, text[i]);
  return out;
}

LRESULT CopyOut(const std::string& text, char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  size_t n = std::min(text.size(), size - 1);
  while (n > 0 && n < text.size() && !Utf8IsBoundary(text, n)) --n;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return static_cast<LRESULT>(n);
}

int TextWidth(HFONT font, const std::string& utf8) {
  if (utf8.empty()) return 0;
  return MeasureControlText(font, utf8.data(), static_cast<int>(utf8.size())).width;
}

int LineHeight(HFONT font) { return MeasureControlText(font, "", 0).height; }

void DrawRun(HDC dc, HFONT font, int x, int y, const std::string& utf8) {
  if (utf8.empty()) return;
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  int mode = SetBkMode(dc, TRANSPARENT);
  TextOut(dc, x, y, utf8.data(), static_cast<int>(utf8.size()));
  SetBkMode(dc, mode);
  if (old) SelectObject(dc, old);
}

}  // namespace winapi::ctl

namespace winapi::detail {

void RegisterControlClasses() {
  struct Def {
    const char* name;
    WNDPROC proc;
    UINT style;
    int cursor;
  };
  static const Def defs[] = {
      {"EDIT", ctl::EditProc, CS_DBLCLKS | CS_PARENTDC, 1},
      {"BUTTON", ctl::ButtonProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, 0},
      {"STATIC", ctl::StaticProc, CS_DBLCLKS | CS_PARENTDC, 0},
      {"LISTBOX", ctl::ListBoxProc, CS_DBLCLKS | CS_PARENTDC, 0},
      {"COMBOBOX", ctl::ComboBoxProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, 0},
      {"SCROLLBAR", ctl::ScrollBarProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, 0},
      {WC_TREEVIEW, ctl::TreeViewProc, CS_DBLCLKS, 0},
      {WC_LISTVIEW, ctl::ListViewProc, CS_DBLCLKS, 0},
      {WC_HEADER, ctl::ListHeaderProc, CS_DBLCLKS, 0},
  };
  for (const Def& d : defs) {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof(wc);
    wc.style = d.style;
    wc.lpfnWndProc = d.proc;
    wc.cbWndExtra = ctl::kWndExtra;
    wc.hCursor = LoadCursor(nullptr, d.cursor ? IDC_IBEAM : IDC_ARROW);
    wc.lpszClassName = d.name;
    RegisterClassEx(&wc);
  }
}

}  // namespace winapi::detail

namespace winapi::ctl {

void FrameRect3D(HDC dc, RECT r, int topLeftColor, int bottomRightColor) {
  HBRUSH tl = GetSysColorBrush(topLeftColor), br = GetSysColorBrush(bottomRightColor);
  RECT t{r.left, r.top, r.right - 1, r.top + 1}, l{r.left, r.top, r.left + 1, r.bottom - 1};
  RECT b{r.left, r.bottom - 1, r.right, r.bottom}, rt{r.right - 1, r.top, r.right, r.bottom};
  FillRect(dc, &t, tl);
  FillRect(dc, &l, tl);
  FillRect(dc, &b, br);
  FillRect(dc, &rt, br);
}

void DottedFocusRect(HDC dc, RECT r) {
  HBRUSH b = GetSysColorBrush(COLOR_WINDOWTEXT);
  for (int x = r.left; x < r.right; x += 2) {
    RECT a{x, r.top, x + 1, r.top + 1}, c{x, r.bottom - 1, x + 1, r.bottom};
    FillRect(dc, &a, b);
    FillRect(dc, &c, b);
  }
  for (int y = r.top; y < r.bottom; y += 2) {
    RECT a{r.left, y, r.left + 1, y + 1}, c{r.right - 1, y, r.right, y + 1};
    FillRect(dc, &a, b);
    FillRect(dc, &c, b);
  }
}

std::string WindowText(HWND hwnd) {
  std::string s(static_cast<size_t>(DefWindowProc(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  s.resize(static_cast<size_t>(DefWindowProc(hwnd, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()))));
  return s;
}

}  // namespace winapi::ctl
