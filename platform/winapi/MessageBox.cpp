// MessageBox: the window system only forwards to the box the component library draws.

#include <atomic>

#include "winapi/Windows.h"

namespace {
std::atomic<MessageBoxHandler> gHandler{nullptr};
}

void SetMessageBoxHandler(MessageBoxHandler handler) { gHandler = handler; }

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  MessageBoxHandler h = gHandler;
  return h ? h(owner, text ? text : "", caption, type) : 0;
}
