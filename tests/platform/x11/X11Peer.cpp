#include "X11Peer.h"

#include <png.h>

#include <cstdio>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace x11peer {

namespace {
Display* D(void* p) { return static_cast<Display*>(p); }
}  // namespace

Peer::Peer(const char* display) : display_(XOpenDisplay(display)) {}

Peer::~Peer() {
  if (display_) XCloseDisplay(D(display_));
}

std::vector<uint32_t> Peer::Grab(int x, int y, int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  XImage* img = XGetImage(D(display_), DefaultRootWindow(D(display_)), x, y, static_cast<unsigned>(w),
                          static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!img) return px;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      px[static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)] =
          static_cast<uint32_t>(XGetPixel(img, i, j)) & 0xFFFFFF;
  XDestroyImage(img);
  return px;
}

uint32_t Peer::Pixel(int x, int y) { return Grab(x, y, 1, 1)[0]; }

void Peer::Click(int x, int y) {
  Display* d = D(display_);
  XTestFakeMotionEvent(d, DefaultScreen(d), x, y, 0);
  XTestFakeButtonEvent(d, 1, True, 0);
  XTestFakeButtonEvent(d, 1, False, 0);
  XFlush(d);
}

void Peer::Move(int x, int y) {
  Display* d = D(display_);
  XTestFakeMotionEvent(d, DefaultScreen(d), x, y, 0);
  XFlush(d);
}

void Peer::Press() {
  Display* d = D(display_);
  XTestFakeButtonEvent(d, 1, True, 0);
  XFlush(d);
}

void Peer::Release() {
  Display* d = D(display_);
  XTestFakeButtonEvent(d, 1, False, 0);
  XFlush(d);
}

void Peer::Type(const char* text) {
  Display* d = D(display_);
  for (const char* c = text; *c; ++c) {
    KeyCode kc = XKeysymToKeycode(d, static_cast<KeySym>(static_cast<unsigned char>(*c)));
    XTestFakeKeyEvent(d, kc, True, 0);
    XTestFakeKeyEvent(d, kc, False, 0);
  }
  XFlush(d);
}

bool SavePng(const std::string& path, const std::vector<uint32_t>& px, int w, int h) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t p = px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
      row[static_cast<size_t>(x) * 3] = static_cast<png_byte>(p >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(p >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace x11peer
