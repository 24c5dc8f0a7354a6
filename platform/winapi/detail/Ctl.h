#pragma once
// Shared plumbing of the built-in window classes: per-window state in the window's extra bytes,
// notifications to the parent, text conversion and measuring.

#include <string>

#include "winapi/WinCtrls.h"
#include "winapi/Messages.h"

namespace winapi::ctl {

// Every control class keeps a pointer to its state in the first extra bytes of the window.
constexpr int kStateOffset = 0;
constexpr int kWndExtra = static_cast<int>(sizeof(LONG_PTR));

template <class T>
T* StateOf(HWND hwnd) {
  return reinterpret_cast<T*>(GetWindowLongPtr(hwnd, kStateOffset));
}
inline void SetState(HWND hwnd, void* state) { SetWindowLongPtr(hwnd, kStateOffset, reinterpret_cast<LONG_PTR>(state)); }

// WM_COMMAND(id, code) to the parent, as every classic control notifies.
void Notify(HWND hwnd, WORD code);
// WM_CTLCOLOR* asked of the parent (the control itself answers the default when it has none).
HBRUSH ControlColor(HWND hwnd, UINT msg, HDC dc);

std::u32string ToU32(const char* utf8, size_t bytes);
inline std::u32string ToU32(const std::string& s) { return ToU32(s.data(), s.size()); }
std::string ToUtf8(const char32_t* text, size_t count);
inline std::string ToUtf8(const std::u32string& s) { return ToUtf8(s.data(), s.size()); }
// Copies text into a caller's buffer of `size` bytes, cut at a code-point boundary, NUL-terminated.
LRESULT CopyOut(const std::string& text, char* buffer, size_t size);

int TextWidth(HFONT font, const std::string& utf8);
int LineHeight(HFONT font);
// Draws a run of text at (x, y) (the top of the line) in the DC's current colours and the given font.
void DrawRun(HDC dc, HFONT font, int x, int y, const std::string& utf8);

// The window classes, registered as platform classes.
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TreeViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListHeaderProc(HWND, UINT, WPARAM, LPARAM);

}  // namespace winapi::ctl

namespace winapi::detail {
// Registers the built-in classes once; called when the window manager starts or resets.
void RegisterControlClasses();
}  // namespace winapi::detail

namespace winapi::ctl {
// Plain 3-D frame pieces the controls draw with.
void FrameRect3D(HDC dc, RECT r, int topLeftColor, int bottomRightColor);
void DottedFocusRect(HDC dc, RECT r);
// The window's text, as the window procedure keeps it.
std::string WindowText(HWND hwnd);
}  // namespace winapi::ctl
