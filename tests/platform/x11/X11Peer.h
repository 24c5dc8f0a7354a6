#pragma once
// The other X client of the form tests, kept apart from the forms headers (Xlib's Screen type and the
// application's Screen object cannot meet in one source): it reads the screen, sends synthetic input
// through XTEST and writes PNG files.

#include <cstdint>
#include <string>
#include <vector>

namespace x11peer {

class Peer {
public:
  explicit Peer(const char* display);
  ~Peer();
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;
  bool Ok() const { return display_ != nullptr; }
  // The root window's pixels (0x00RRGGBB) in the rectangle.
  std::vector<uint32_t> Grab(int x, int y, int w, int h);
  uint32_t Pixel(int x, int y);
  void Click(int x, int y);
  // The pointer alone, and the left button held and let go where the pointer is (a drag).
  void Move(int x, int y);
  void Press();
  void Release();
  // Presses and releases the key of each (ASCII) character.
  void Type(const char* text);

private:
  void* display_;
};

// A colour of the window system (0x00BBGGRR) as the screen holds it (0x00RRGGBB), to compare with Pixel.
inline uint32_t Rgb(uint32_t colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

bool SavePng(const std::string& path, const std::vector<uint32_t>& pixels, int w, int h);

}  // namespace x11peer
