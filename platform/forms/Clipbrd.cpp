#include "forms/Clipbrd.h"

#include <cstring>

#include <algorithm>
#include <vector>

#include "rtl/Streams.h"

UINT CF_PICTURE() {
  static UINT format = 0;
  if (!format) format = RegisterClipboardFormat("Vorn Picture");
  return format;
}

TClipboard* Clipboard() {
  static TClipboard* clipboard = New<TClipboard>();
  return clipboard;
}

void TClipboard::Open() {
  if (FOpenCount == 0 && !OpenClipboard(nullptr)) throw Exception("Cannot open clipboard");
  ++FOpenCount;
}

void TClipboard::Close() {
  if (FOpenCount == 0) return;
  if (--FOpenCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  Close();
}

bool TClipboard::HasFormat(UINT format) { return IsClipboardFormatAvailable(format) != FALSE; }

namespace {

HBITMAP ClipBitmapFromGraphic(TGraphic* g) {
  TBitmap* flat = New<TBitmap>();
  HBITMAP result = nullptr;
  try {
    flat->Assign(g);
    int32_t w = flat->Width(), h = flat->Height();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    result = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!result) throw EOutOfResources("Out of system resources");
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(static_cast<uint32_t*>(bits) + static_cast<size_t>(y) * w, flat->ScanLine(y),
                  static_cast<size_t>(w) * sizeof(uint32_t));
  } catch (...) {
    flat->Free();
    throw;
  }
  flat->Free();
  return result;
}

// The picture stream of CF_PICTURE: a one-byte name length, the class name, the graphic's bytes.
HGLOBAL ClipPictureFromGraphic(TGraphic* g) {
  TMemoryStream* s = New<TMemoryStream>();
  HGLOBAL result = nullptr;
  try {
    String name = g->ClassName();
    uint8_t n = static_cast<uint8_t>(std::min<size_t>(name.size(), 255));
    s->WriteBuffer(&n, 1);
    s->WriteBuffer(name.data(), n);
    g->SaveToStream(s);
    result = GlobalAlloc(GMEM_MOVEABLE, static_cast<size_t>(s->Size()));
    std::memcpy(GlobalLock(result), s->Memory(), static_cast<size_t>(s->Size()));
    GlobalUnlock(result);
  } catch (...) {
    s->Free();
    throw;
  }
  s->Free();
  return result;
}

bool ReadClipBitmap(TBitmap* dest) {
  HBITMAP h = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!h) return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  if (!GetDIBits(nullptr, h, 0, 0, nullptr, &bi, DIB_RGB_COLORS)) return false;
  int32_t w = bi.bmiHeader.biWidth, hgt = bi.bmiHeader.biHeight < 0 ? -bi.bmiHeader.biHeight : bi.bmiHeader.biHeight;
  if (w <= 0 || hgt <= 0) return false;
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * hgt);
  bi.bmiHeader.biHeight = -hgt;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  if (GetDIBits(nullptr, h, 0, static_cast<UINT>(hgt), pixels.data(), &bi, DIB_RGB_COLORS) != hgt) return false;
  TBitmap* tmp = New<TBitmap>();
  try {
    tmp->SetSize(w, hgt);
    for (int32_t y = 0; y < hgt; ++y)
      std::memcpy(tmp->ScanLine(y), pixels.data() + static_cast<size_t>(y) * w, static_cast<size_t>(w) * 4);
    dest->Assign(tmp);
  } catch (...) {
    tmp->Free();
    throw;
  }
  tmp->Free();
  return true;
}

// The graphic of a CF_PICTURE block; null when the block is damaged or names no registered class.
TGraphic* ReadClipPicture() {
  HANDLE h = GetClipboardData(CF_PICTURE());
  if (!h) return nullptr;
  size_t size = GlobalSize(h);
  auto* p = static_cast<const uint8_t*>(GlobalLock(h));
  TGraphic* g = nullptr;
  if (p && size >= 1 && size_t(p[0]) + 1 <= size) {
    String name(reinterpret_cast<const char*>(p + 1), p[0]);
    if (TGraphicClass cls = TPicture::FindGraphicClass(name)) {
      TMemoryStream* s = New<TMemoryStream>();
      g = CreateAs<TGraphic>(cls);
      try {
        s->WriteBuffer(p + 1 + p[0], static_cast<int32_t>(size - 1 - p[0]));
        s->SetPosition(0);
        g->LoadFromStream(s);
      } catch (...) {
        FreeAndNil(g);
      }
      s->Free();
    }
  }
  GlobalUnlock(h);
  return g;
}

}  // namespace

void TClipboard::Assign(TPersistent* source) {
  TGraphic* g = nullptr;
  if (auto* pic = dynamic_cast<TPicture*>(source))
    g = pic->Graphic();
  else if (auto* gr = dynamic_cast<TGraphic*>(source))
    g = gr;
  else if (source) {
    inherited::Assign(source);
    return;
  }
  Open();
  try {
    EmptyClipboard();
    if (g && !g->Empty()) {
      SetClipboardData(CF_BITMAP, ClipBitmapFromGraphic(g));
      if (!dynamic_cast<TBitmap*>(g)) SetClipboardData(CF_PICTURE(), ClipPictureFromGraphic(g));
    }
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

void TClipboard::AssignTo(TPersistent* dest) {
  auto* pic = dynamic_cast<TPicture*>(dest);
  auto* bmp = dynamic_cast<TBitmap*>(dest);
  if (!pic && !bmp) {
    inherited::AssignTo(dest);
    return;
  }
  Open();
  try {
    bool done = false;
    if (pic) {
      if (TGraphic* g = ReadClipPicture()) {
        try {
          pic->SetGraphic(g);
        } catch (...) {
          g->Free();
          throw;
        }
        g->Free();
        done = true;
      } else {
        // Read aside first, so that a failure leaves the picture as it was.
        TBitmap* tmp = New<TBitmap>();
        try {
          done = ReadClipBitmap(tmp);
          if (done) pic->SetGraphic(tmp);
        } catch (...) {
          tmp->Free();
          throw;
        }
        tmp->Free();
      }
    } else {
      done = ReadClipBitmap(bmp);
    }
    if (!done) throw EInvalidGraphic("The clipboard holds no picture");
  } catch (...) {
    Close();
    throw;
  }
  Close();
}
