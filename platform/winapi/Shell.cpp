// Item identifier lists of file-system folders and the folder browser's entry point.

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "winapi/ShlObj.h"

namespace {
std::atomic<BrowseForFolderHandler> gBrowse{nullptr};

PIDLIST_ABSOLUTE EmptyList() {
  // Only the terminating zero count: two bytes, fewer than the struct that names them.
  void* p = CoTaskMemAlloc(sizeof(USHORT));
  if (p) std::memset(p, 0, sizeof(USHORT));
  return static_cast<PIDLIST_ABSOLUTE>(p);
}
}  // namespace

LPVOID CoTaskMemAlloc(size_t size) { return std::malloc(size ? size : 1); }
void CoTaskMemFree(LPVOID p) { std::free(p); }
void ILFree(PIDLIST_ABSOLUTE pidl) { CoTaskMemFree(pidl); }

void SetBrowseForFolderHandler(BrowseForFolderHandler handler) { gBrowse = handler; }

PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFO* bi) {
  BrowseForFolderHandler h = gBrowse;
  if (!h || !bi || (bi->ulFlags & BIF_BROWSEFORCOMPUTER)) return nullptr;
  return h(bi);
}

UINT ILGetSize(PCIDLIST_ABSOLUTE pidl) {
  if (!pidl) return 0;
  const auto* b = reinterpret_cast<const BYTE*>(pidl);
  UINT size = 0;
  for (;;) {
    USHORT cb;
    std::memcpy(&cb, b + size, sizeof(cb));
    if (cb == 0) return size + sizeof(USHORT);
    size += cb;
  }
}

PIDLIST_ABSOLUTE ILCreateFromPath(LPCSTR path) {
  if (!path || path[0] != '/') return nullptr;
  std::string bytes;
  const char* p = path;
  while (*p) {
    while (*p == '/') ++p;
    const char* end = std::strchr(p, '/');
    size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
    if (n == 0) break;
    if (n + sizeof(USHORT) > 0xFFFF) return nullptr;
    auto cb = static_cast<USHORT>(n + sizeof(USHORT));
    bytes.append(reinterpret_cast<const char*>(&cb), sizeof(cb));
    bytes.append(p, n);
    p += n;
  }
  bytes.append(2, '\0');
  auto* out = static_cast<PIDLIST_ABSOLUTE>(CoTaskMemAlloc(bytes.size()));
  if (out) std::memcpy(out, bytes.data(), bytes.size());
  return out;
}

BOOL SHGetPathFromIDList(PCIDLIST_ABSOLUTE pidl, LPSTR path) {
  if (!pidl || !path) return FALSE;
  std::string out;
  const auto* b = reinterpret_cast<const BYTE*>(pidl);
  for (;;) {
    USHORT cb;
    std::memcpy(&cb, b, sizeof(cb));
    if (cb == 0) break;
    if (cb <= sizeof(USHORT)) return FALSE;
    out += '/';
    out.append(reinterpret_cast<const char*>(b + sizeof(USHORT)), cb - sizeof(USHORT));
    b += cb;
  }
  if (out.empty()) out = "/";
  if (out.size() >= static_cast<size_t>(MAX_PATH)) {
    path[0] = '\0';
    return FALSE;
  }
  std::memcpy(path, out.c_str(), out.size() + 1);
  return TRUE;
}

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, PIDLIST_ABSOLUTE* pidl) {
  (void)owner;
  if (!pidl) return E_INVALIDARG;
  *pidl = nullptr;
  if (folder != CSIDL_DESKTOP && folder != CSIDL_DRIVES) return E_FAIL;
  *pidl = EmptyList();
  return *pidl ? S_OK : E_FAIL;
}
