#include "winapi/UtilWindow.h"

namespace {

const char* const kUtilWindowClass = "TPUtilWindow";

LRESULT UtilWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (!method || !method->Assigned()) return DefWindowProc(hwnd, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  (*method)(message);
  return message.Result;
}

void EnsureClass() {
  WNDCLASS existing{};
  if (GetClassInfo(nullptr, kUtilWindowClass, &existing)) return;
  WNDCLASS wc{};
  wc.lpfnWndProc = &UtilWindowProc;
  wc.lpszClassName = kUtilWindowClass;
  RegisterClass(&wc);
}

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
  EnsureClass();
  HWND wnd = CreateWindowEx(WS_EX_TOOLWINDOW, kUtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            nullptr, nullptr);
  if (!wnd) throw EOutOfResources("Cannot create a message window");
  SetWindowLongPtr(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(std::move(method))));
  return wnd;
}

void DeallocateHWnd(HWND wnd) {
  if (!wnd) return;
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtr(wnd, GWLP_USERDATA));
  SetWindowLongPtr(wnd, GWLP_USERDATA, 0);
  DestroyWindow(wnd);
  delete method;
}
