// Keyboard layouts: the scan codes of a 101-key keyboard and two deterministic character layouts (US and
// Russian), enough for TranslateMessage, VkKeyScan, MapVirtualKey and the test driver's typed text.

#include <cstring>

#include "winapi/Windows.h"
#include "winapi/detail/Wm.h"

using namespace winapi::detail;

namespace {

struct ScanEntry {
  int vk;
  UINT scan;
  bool extended;
};

const ScanEntry kScans[] = {
    {VK_ESCAPE, 0x01, false}, {'1', 0x02, false},        {'2', 0x03, false},         {'3', 0x04, false},
    {'4', 0x05, false},       {'5', 0x06, false},        {'6', 0x07, false},         {'7', 0x08, false},
    {'8', 0x09, false},       {'9', 0x0A, false},        {'0', 0x0B, false},         {VK_OEM_MINUS, 0x0C, false},
    {VK_OEM_PLUS, 0x0D, false}, {VK_BACK, 0x0E, false},  {VK_TAB, 0x0F, false},      {'Q', 0x10, false},
    {'W', 0x11, false},       {'E', 0x12, false},        {'R', 0x13, false},         {'T', 0x14, false},
    {'Y', 0x15, false},       {'U', 0x16, false},        {'I', 0x17, false},         {'O', 0x18, false},
    {'P', 0x19, false},       {VK_OEM_4, 0x1A, false},   {VK_OEM_6, 0x1B, false},    {VK_RETURN, 0x1C, false},
    {VK_CONTROL, 0x1D, false}, {VK_LCONTROL, 0x1D, false}, {VK_RCONTROL, 0x1D, true}, {'A', 0x1E, false},
    {'S', 0x1F, false},       {'D', 0x20, false},        {'F', 0x21, false},         {'G', 0x22, false},
    {'H', 0x23, false},       {'J', 0x24, false},        {'K', 0x25, false},         {'L', 0x26, false},
    {VK_OEM_1, 0x27, false},  {VK_OEM_7, 0x28, false},   {VK_OEM_3, 0x29, false},    {VK_SHIFT, 0x2A, false},
    {VK_LSHIFT, 0x2A, false}, {VK_OEM_5, 0x2B, false},   {'Z', 0x2C, false},         {'X', 0x2D, false},
    {'C', 0x2E, false},       {'V', 0x2F, false},        {'B', 0x30, false},         {'N', 0x31, false},
    {'M', 0x32, false},       {VK_OEM_COMMA, 0x33, false}, {VK_OEM_PERIOD, 0x34, false}, {VK_OEM_2, 0x35, false},
    {VK_RSHIFT, 0x36, false}, {VK_MULTIPLY, 0x37, false}, {VK_MENU, 0x38, false},    {VK_LMENU, 0x38, false},
    {VK_RMENU, 0x38, true},   {VK_SPACE, 0x39, false},   {VK_CAPITAL, 0x3A, false},  {VK_F1, 0x3B, false},
    {VK_F2, 0x3C, false},     {VK_F3, 0x3D, false},      {VK_F4, 0x3E, false},       {VK_F5, 0x3F, false},
    {VK_F6, 0x40, false},     {VK_F7, 0x41, false},      {VK_F8, 0x42, false},       {VK_F9, 0x43, false},
    {VK_F10, 0x44, false},    {VK_NUMLOCK, 0x45, false}, {VK_SCROLL, 0x46, false},   {VK_NUMPAD7, 0x47, false},
    {VK_NUMPAD8, 0x48, false}, {VK_NUMPAD9, 0x49, false}, {VK_SUBTRACT, 0x4A, false}, {VK_NUMPAD4, 0x4B, false},
    {VK_NUMPAD5, 0x4C, false}, {VK_NUMPAD6, 0x4D, false}, {VK_ADD, 0x4E, false},     {VK_NUMPAD1, 0x4F, false},
    {VK_NUMPAD2, 0x50, false}, {VK_NUMPAD3, 0x51, false}, {VK_NUMPAD0, 0x52, false}, {VK_DECIMAL, 0x53, false},
    {VK_OEM_102, 0x56, false}, {VK_F11, 0x57, false},    {VK_F12, 0x58, false},      {VK_HOME, 0x47, true},
    {VK_UP, 0x48, true},      {VK_PRIOR, 0x49, true},    {VK_LEFT, 0x4B, true},      {VK_RIGHT, 0x4D, true},
    {VK_END, 0x4F, true},     {VK_DOWN, 0x50, true},     {VK_NEXT, 0x51, true},      {VK_INSERT, 0x52, true},
    {VK_DELETE, 0x53, true},  {VK_DIVIDE, 0x35, true},   {VK_LWIN, 0x5B, true},      {VK_RWIN, 0x5C, true},
    {VK_APPS, 0x5D, true},    {VK_PAUSE, 0x45, false},   {VK_SNAPSHOT, 0x37, true},
};

// A key's characters: without and with Shift; letters follow Caps Lock.
struct KeyChars {
  int vk;
  uint32_t normal;
  uint32_t shifted;
  bool letter;
};

const KeyChars kUs[] = {
    {'1', '1', '!', false}, {'2', '2', '@', false}, {'3', '3', '#', false}, {'4', '4', '$', false},
    {'5', '5', '%', false}, {'6', '6', '^', false}, {'7', '7', '&', false}, {'8', '8', '*', false},
    {'9', '9', '(', false}, {'0', '0', ')', false}, {VK_OEM_MINUS, '-', '_', false}, {VK_OEM_PLUS, '=', '+', false},
    {VK_OEM_4, '[', '{', false}, {VK_OEM_6, ']', '}', false}, {VK_OEM_1, ';', ':', false},
    {VK_OEM_7, '\'', '"', false}, {VK_OEM_3, '`', '~', false}, {VK_OEM_5, '\\', '|', false},
    {VK_OEM_COMMA, ',', '<', false}, {VK_OEM_PERIOD, '.', '>', false}, {VK_OEM_2, '/', '?', false},
    {VK_SPACE, ' ', ' ', false},
};

// The Russian layout on the same keys; the letters are Cyrillic code points.
const KeyChars kRu[] = {
    {'1', '1', '!', false}, {'2', '2', '"', false}, {'3', '3', 0x2116, false}, {'4', '4', ';', false},
    {'5', '5', '%', false}, {'6', '6', ':', false}, {'7', '7', '?', false}, {'8', '8', '*', false},
    {'9', '9', '(', false}, {'0', '0', ')', false}, {VK_OEM_MINUS, '-', '_', false}, {VK_OEM_PLUS, '=', '+', false},
    {'Q', 0x0439, 0x0419, true}, {'W', 0x0446, 0x0426, true}, {'E', 0x0443, 0x0423, true},
    {'R', 0x043A, 0x041A, true}, {'T', 0x0435, 0x0415, true}, {'Y', 0x043D, 0x041D, true},
    {'U', 0x0433, 0x0413, true}, {'I', 0x0448, 0x0428, true}, {'O', 0x0449, 0x0429, true},
    {'P', 0x0437, 0x0417, true}, {VK_OEM_4, 0x0445, 0x0425, true}, {VK_OEM_6, 0x044A, 0x042A, true},
    {'A', 0x0444, 0x0424, true}, {'S', 0x044B, 0x042B, true}, {'D', 0x0432, 0x0412, true},
    {'F', 0x0430, 0x0410, true}, {'G', 0x043F, 0x041F, true}, {'H', 0x0440, 0x0420, true},
    {'J', 0x043E, 0x041E, true}, {'K', 0x043B, 0x041B, true}, {'L', 0x0434, 0x0414, true},
    {VK_OEM_1, 0x0436, 0x0416, true}, {VK_OEM_7, 0x044D, 0x042D, true}, {'Z', 0x044F, 0x042F, true},
    {'X', 0x0447, 0x0427, true}, {'C', 0x0441, 0x0421, true}, {'V', 0x043C, 0x041C, true},
    {'B', 0x0438, 0x0418, true}, {'N', 0x0442, 0x0422, true}, {'M', 0x044C, 0x042C, true},
    {VK_OEM_COMMA, 0x0431, 0x0411, true}, {VK_OEM_PERIOD, 0x044E, 0x042E, true},
    {VK_OEM_3, 0x0451, 0x0401, true}, {VK_OEM_2, '.', ',', false}, {VK_OEM_5, '\\', '/', false},
    {VK_SPACE, ' ', ' ', false},
};

HKL gLayout = HKL_US;

bool IsRu(HKL l) { return l == HKL_RU; }

const KeyChars* Find(HKL layout, int vk) {
  if (IsRu(layout)) {
    for (const auto& k : kRu)
      if (k.vk == vk) return &k;
    return nullptr;
  }
  for (const auto& k : kUs)
    if (k.vk == vk) return &k;
  return nullptr;
}

uint32_t CharOf(HKL layout, int vk, bool shift, bool caps) {
  if (!IsRu(layout) && vk >= 'A' && vk <= 'Z') {
    bool upper = shift != caps;
    return static_cast<uint32_t>(upper ? vk : vk - 'A' + 'a');
  }
  const KeyChars* k = Find(layout, vk);
  if (!k) return 0;
  bool upper = k->letter ? shift != caps : shift;
  return upper ? k->shifted : k->normal;
}

}  // namespace

namespace winapi::detail {

UINT LayoutScanCode(int vk, bool* extended) {
  for (const auto& s : kScans)
    if (s.vk == vk) {
      if (extended) *extended = s.extended;
      return s.scan;
    }
  if (extended) *extended = false;
  return 0;
}

int LayoutVkFromScan(UINT scan) {
  for (const auto& s : kScans)
    if (s.scan == scan && !s.extended && s.vk != VK_CONTROL && s.vk != VK_SHIFT && s.vk != VK_MENU) return s.vk;
  return 0;
}

uint32_t LayoutChar(int vk, bool shift, bool caps) { return CharOf(gLayout, vk, shift, caps); }
HKL ActiveLayout() { return gLayout; }
void ResetKeyboardLayout() { gLayout = HKL_US; }

}  // namespace winapi::detail

UINT MapVirtualKey(UINT code, UINT mapType) {
  switch (mapType) {
    case MAPVK_VK_TO_VSC: return LayoutScanCode(static_cast<int>(code), nullptr);
    case MAPVK_VSC_TO_VK: {
      int vk = LayoutVkFromScan(code);
      if (vk == VK_LSHIFT || vk == VK_RSHIFT) return VK_SHIFT;
      if (vk == VK_LCONTROL) return VK_CONTROL;
      if (vk == VK_LMENU) return VK_MENU;
      return static_cast<UINT>(vk);
    }
    case MAPVK_VSC_TO_VK_EX: return static_cast<UINT>(LayoutVkFromScan(code));
    case MAPVK_VK_TO_CHAR: {
      int vk = static_cast<int>(code);
      if (vk >= 'A' && vk <= 'Z') return static_cast<UINT>(vk);
      uint32_t c = CharOf(ActiveLayout(), vk, false, false);
      if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<UINT>('0' + vk - VK_NUMPAD0);
      if (vk == VK_MULTIPLY) return '*';
      if (vk == VK_ADD) return '+';
      if (vk == VK_SUBTRACT) return '-';
      if (vk == VK_DIVIDE) return '/';
      if (vk == VK_BACK) return 8;
      if (vk == VK_TAB) return 9;
      if (vk == VK_RETURN) return 13;
      if (vk == VK_ESCAPE) return 27;
      return c;
    }
    default: return 0;
  }
}

SHORT VkKeyScanExW(uint32_t ch, HKL layout) {
  if (!layout) layout = ActiveLayout();
  if (ch == 8) return VK_BACK;
  if (ch == 9) return VK_TAB;
  if (ch == 13) return VK_RETURN;
  if (ch == 27) return VK_ESCAPE;
  for (int vk = 1; vk < 256; ++vk) {
    if (CharOf(layout, vk, false, false) == ch) return static_cast<SHORT>(vk);
    if (CharOf(layout, vk, true, false) == ch) return static_cast<SHORT>(0x100 | vk);
  }
  return -1;
}

SHORT VkKeyScan(char ch) { return VkKeyScanExW(static_cast<unsigned char>(ch), nullptr); }

int ToUnicode(UINT vk, UINT, const BYTE* keyState, char16_t* buffer, int bufferSize, UINT) {
  if (!buffer || bufferSize <= 0) return 0;
  bool shift = keyState && (keyState[VK_SHIFT] & 0x80);
  bool caps = keyState && (keyState[VK_CAPITAL] & 0x01);
  uint32_t c = CharOf(ActiveLayout(), static_cast<int>(vk), shift, caps);
  if (!c || c > 0xFFFF) return 0;
  buffer[0] = static_cast<char16_t>(c);
  return 1;
}

HKL GetKeyboardLayout(DWORD) { return ActiveLayout(); }

HKL ActivateKeyboardLayout(HKL layout, UINT) {
  if (layout != HKL_US && layout != HKL_RU) return nullptr;
  HKL old = ActiveLayout();
  gLayout = layout;
  return old;
}

HKL LoadKeyboardLayout(LPCSTR id, UINT flags) {
  if (!id) return nullptr;
  HKL l = std::strcmp(id, "00000409") == 0 ? HKL_US : std::strcmp(id, "00000419") == 0 ? HKL_RU : nullptr;
  if (l && (flags & KLF_ACTIVATE)) gLayout = l;
  return l;
}

int GetKeyNameText(LONG lParam, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  UINT scan = (static_cast<UINT>(lParam) >> 16) & 0xFF;
  bool ext = (lParam >> 24) & 1;
  int vk = 0;
  for (const auto& s : kScans)
    if (s.scan == scan && s.extended == ext) {
      vk = s.vk;
      break;
    }
  static const struct {
    int vk;
    const char* name;
  } names[] = {{VK_ESCAPE, "Esc"}, {VK_BACK, "Backspace"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"},
               {VK_CONTROL, "Ctrl"}, {VK_LCONTROL, "Ctrl"}, {VK_SHIFT, "Shift"}, {VK_LSHIFT, "Shift"},
               {VK_RSHIFT, "Right Shift"}, {VK_MENU, "Alt"}, {VK_LMENU, "Alt"}, {VK_SPACE, "Space"},
               {VK_CAPITAL, "Caps Lock"}, {VK_HOME, "Home"}, {VK_END, "End"}, {VK_PRIOR, "Page Up"},
               {VK_NEXT, "Page Down"}, {VK_LEFT, "Left"}, {VK_RIGHT, "Right"}, {VK_UP, "Up"}, {VK_DOWN, "Down"},
               {VK_INSERT, "Insert"}, {VK_DELETE, "Delete"}};
  std::string name;
  for (const auto& n : names)
    if (n.vk == vk) name = n.name;
  if (name.empty() && vk >= VK_F1 && vk <= VK_F12) {
    name = std::to_string(vk - VK_F1 + 1);
    name.insert(name.begin(), 'F');
  }
  if (name.empty() && vk) {
    uint32_t c = CharOf(HKL_US, vk, false, false);
    if (c >= 'a' && c <= 'z') c = c - 'a' + 'A';
    if (c && c < 0x80) name = std::string(1, static_cast<char>(c));
  }
  int n = std::min<int>(static_cast<int>(name.size()), size - 1);
  std::memcpy(buffer, name.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}
