#pragma once
// GDI objects as the window manager and the drawing layer share them. A handle is the object's address;
// every live object is registered so that stale or foreign handles are recognised.

#include <pixman.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "winapi/Windows.h"

namespace winapi::detail {

struct GdiObject {
  explicit GdiObject(DWORD type) : type(type) {}
  virtual ~GdiObject() = default;
  DWORD type;
  bool stock = false;  // stock objects survive DeleteObject
};

struct Region : GdiObject {
  Region();
  ~Region() override;
  pixman_region32_t rgn;
};

struct Brush : GdiObject {
  Brush() : GdiObject(OBJ_BRUSH) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  int sysColorIndex = -1;  // system colour brushes follow SetSysColors
  // Hatched and pattern brushes: a tile of 0x00RRGGBB pixels; for hatches and monochrome patterns the
  // tile holds 1 (ink) / 0 (background), coloured with the DC's colours when drawn.
  int hatch = -1;
  bool monoTile = false;
  int tileW = 0;
  int tileH = 0;
  std::vector<uint32_t> tile;
};

// The drawing attributes of a DC that SaveDC keeps (the clip is saved beside them).
struct DCAttrs {
  HPEN pen = nullptr;        // null: the stock black pen
  HBITMAP bitmap = nullptr;  // memory DCs
  int rop2 = 13;             // R2_COPYPEN
  int stretchMode = 1;       // BLACKONWHITE
  POINT windowOrg{0, 0};
  POINT viewportOrg{0, 0};
  POINT brushOrg{0, 0};
  COLORREF dcBrushColor = 0x00FFFFFF;
  COLORREF dcPenColor = 0;
};
struct DCSaved {
  DCSaved() { pixman_region32_init(&clip); }
  ~DCSaved() { pixman_region32_fini(&clip); }
  DCSaved(const DCSaved&) = delete;
  DCSaved& operator=(const DCSaved&) = delete;
  DCAttrs attrs;
  HBRUSH brush = nullptr;
  bool mono = false;
  bool hasClip = false;
  pixman_region32_t clip;
  // The text state kept beside the drawing attributes.
  HFONT font = nullptr;
  COLORREF textColor = 0;
  COLORREF bkColor = 0;
  int bkMode = 0;
  UINT textAlign = 0;
  int charExtra = 0;
  POINT curPos{};
};

// A device context: where drawing lands (a pixel surface), where its origin lies on that surface and
// which part of the surface it may touch.
struct DC : GdiObject {
  DC();
  ~DC() override;
  HWND hwnd = nullptr;      // the window of a window DC
  bool windowDC = false;    // origin at the window's corner (not its client corner)
  bool paintDC = false;     // handed out by BeginPaint
  DCAttrs attrs;            // drawing attributes (pens, origins, modes)
  bool mono = false;        // a memory DC with a monochrome bitmap: pixels are 0 or 0xFFFFFF
  std::vector<std::unique_ptr<DCSaved>> saved;
  PixelBuffer surface{};    // for DCs that are not window DCs (memory DCs of the drawing layer)
  pixman_region32_t vis;    // visible region in device coordinates
  pixman_region32_t clip;   // application clip in device coordinates, when hasClip
  bool hasClip = false;
  HBRUSH brush = nullptr;
  // Text state (fonts and text output).
  HFONT font = nullptr;  // nullptr: the system font
  COLORREF textColor = 0;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = 2;  // OPAQUE
  UINT textAlign = 0;
  int charExtra = 0;
  int justExtra = 0, justBreaks = 0;  // SetTextJustification
  POINT curPos{};
  // The surface and the surface position of device (0, 0); false when the DC cannot draw.
  bool Target(PixelBuffer* out, POINT* origin) const;
  // The effective clip (visible region and application clip) in device coordinates.
  void EffectiveClip(pixman_region32_t* out) const;
};

void RegisterObject(GdiObject* obj);
void UnregisterObject(GdiObject* obj);
GdiObject* FindObject(HGDIOBJ handle, DWORD type);  // type 0: any type
Region* AsRegion(HRGN h);
Brush* AsBrush(HBRUSH h);  // also resolves (HBRUSH)(COLOR_x + 1)
DC* AsDC(HDC h);
HRGN NewRegion(const pixman_region32_t* src);
int RegionType(const pixman_region32_t* r);

inline uint32_t ColorToPixel(COLORREF c) {
  return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF PixelToColor(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// GetStockObject's pens and DC colour objects (the drawing layer's).
HGDIOBJ StockObjectOfDrawing(int index);

// Fills `area` (device coordinates of `dc`, clipped by the DC) with a solid colour.
void FillRegionSolid(DC* dc, const pixman_region32_t* area, uint32_t pixel);

}  // namespace winapi::detail
