// Realised faces: the platform's face names resolved through fontconfig to installed fonts that cover
// Cyrillic, loaded with FreeType at the requested size, with their metrics and cached glyphs.

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "winapi/detail/Font.h"

namespace winapi::detail {
namespace {

std::mutex& FaceMutex() {
  static std::mutex m;
  return m;
}

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

struct Resolved {
  std::string file;
  int index = 0;
  std::string family;
  bool synthBold = false;
  bool synthItalic = false;
};

// The installed families that stand in for a requested face, best first.
std::vector<std::string> Candidates(const LOGFONT& lf) {
  std::string name = Lower(lf.lfFaceName);
  static const char* const mono[] = {"courier new", "courier", "lucida console", "consolas", "fixedsys",
                                     "terminal", "monospace", "system fixed", "lucida sans typewriter"};
  static const char* const serif[] = {"times new roman", "times", "georgia", "serif", "garamond",
                                      "book antiqua", "palatino linotype", "cambria", "ms serif"};
  auto in = [&](const char* const* list, size_t n) { return std::find(list, list + n, name) != list + n; };
  std::vector<std::string> out;
  bool isMono = in(mono, std::size(mono)) || (name.empty() && ((lf.lfPitchAndFamily & 3) == FIXED_PITCH ||
                                                               (lf.lfPitchAndFamily & 0xF0) == FF_MODERN));
  bool isSerif = in(serif, std::size(serif)) || (name.empty() && (lf.lfPitchAndFamily & 0xF0) == FF_ROMAN);
  if (!name.empty() && !isMono && !isSerif) out.emplace_back(lf.lfFaceName);  // an installed family by name
  if (isMono) {
    out.emplace_back("Liberation Mono");
    out.emplace_back("DejaVu Sans Mono");
  } else if (isSerif) {
    out.emplace_back("Liberation Serif");
    out.emplace_back("DejaVu Serif");
  } else {
    out.emplace_back("Liberation Sans");
    out.emplace_back("DejaVu Sans");
  }
  return out;
}

bool HasFamily(FcPattern* p, const std::string& family) {
  FcChar8* f = nullptr;
  for (int i = 0; FcPatternGetString(p, FC_FAMILY, i, &f) == FcResultMatch; ++i)
    if (Lower(reinterpret_cast<const char*>(f)) == Lower(family)) return true;
  return false;
}

Resolved Resolve(const LOGFONT& lf) {
  static std::once_flag once;
  std::call_once(once, [] {
    FcInit();
    std::atexit(FcFini);  // fontconfig's caches go with the process, not as leaks
  });
  int weight = lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight;
  bool italic = lf.lfItalic != 0;
  FcCharSet* cyr = FcCharSetCreate();
  FcCharSetAddChar(cyr, 0x0416);  // a Cyrillic letter: every stand-in must draw Cyrillic
  Resolved best;
  std::vector<std::string> cands = Candidates(lf);
  cands.emplace_back("sans-serif");
  for (size_t ci = 0; ci < cands.size() && best.file.empty(); ++ci) {
    bool generic = ci + 1 == cands.size();
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(cands[ci].c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddInteger(pat, FC_WIDTH, FC_WIDTH_NORMAL);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcPatternAddCharSet(pat, FC_CHARSET, cyr);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res = FcResultNoMatch;
    FcPattern* m = FcFontMatch(nullptr, pat, &res);
    if (m && (generic || HasFamily(m, cands[ci]))) {
      FcChar8* file = nullptr;
      FcCharSet* cs = nullptr;
      bool covers = FcPatternGetCharSet(m, FC_CHARSET, 0, &cs) == FcResultMatch && FcCharSetHasChar(cs, 0x0416);
      if (FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch && (covers || generic)) {
        best.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(m, FC_INDEX, 0, &best.index);
        FcChar8* fam = nullptr;
        if (FcPatternGetString(m, FC_FAMILY, 0, &fam) == FcResultMatch) best.family = reinterpret_cast<const char*>(fam);
        int gotWeight = FC_WEIGHT_REGULAR, gotSlant = FC_SLANT_ROMAN;
        FcPatternGetInteger(m, FC_WEIGHT, 0, &gotWeight);
        FcPatternGetInteger(m, FC_SLANT, 0, &gotSlant);
        best.synthBold = weight >= FW_SEMIBOLD && gotWeight < FC_WEIGHT_DEMIBOLD;
        best.synthItalic = italic && gotSlant == FC_SLANT_ROMAN;
      }
    }
    if (m) FcPatternDestroy(m);
    FcPatternDestroy(pat);
  }
  FcCharSetDestroy(cyr);
  return best;
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    FT_Init_FreeType(&l);
    return l;
  }();
  return lib;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

struct Face::Impl {
  FT_Face ft = nullptr;   // unrotated: measures and draws horizontal text
  FT_Face rot = nullptr;  // with the escapement's rotation
  Resolved res;
  uint32_t loadFlags = FT_LOAD_TARGET_LIGHT;
  int asciiAdvance[128];
  std::unordered_map<uint32_t, int> advances;
  std::unordered_map<uint32_t, Glyph> glyphs;
  std::unordered_map<uint32_t, Glyph> rotated;

  ~Impl() {
    if (ft) FT_Done_Face(ft);
    if (rot) FT_Done_Face(rot);
  }

  // Loads and renders one glyph of `face` into `g` (coverage only when `render`).
  void Load(FT_Face face, uint32_t cp, Glyph& g, bool render) {
    if (cp < 0x20 || !face) return;  // control characters take no room
    FT_UInt gi = FT_Get_Char_Index(face, cp);
    if (FT_Load_Glyph(face, gi, static_cast<FT_Int32>(loadFlags)) != 0) return;
    FT_GlyphSlot slot = face->glyph;
    if (res.synthBold) FT_GlyphSlot_Embolden(slot);
    if (res.synthItalic) FT_GlyphSlot_Oblique(slot);
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (!render) return;
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = -slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
    for (int y = 0; y < g.height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      uint8_t* dst = g.coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(g.width);
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        for (int x = 0; x < g.width; ++x) dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      } else {
        std::memcpy(dst, row, static_cast<size_t>(g.width));
      }
    }
  }
};

Face::~Face() { delete impl; }

int Face::Advance(uint32_t cp) {
  std::lock_guard<std::mutex> lock(FaceMutex());
  if (cp < 128) return impl->asciiAdvance[cp];
  auto it = impl->advances.find(cp);
  if (it != impl->advances.end()) return it->second;
  Glyph g;
  impl->Load(impl->ft, cp, g, false);
  impl->advances.emplace(cp, g.advance);
  return g.advance;
}

const Glyph& Face::Horizontal(uint32_t cp) {
  std::lock_guard<std::mutex> lock(FaceMutex());
  auto it = impl->glyphs.find(cp);
  if (it != impl->glyphs.end()) return it->second;
  Glyph& g = impl->glyphs[cp];
  impl->Load(impl->ft, cp, g, true);
  return g;
}

const Glyph& Face::Rotated(uint32_t cp) {
  std::lock_guard<std::mutex> lock(FaceMutex());
  auto it = impl->rotated.find(cp);
  if (it != impl->rotated.end()) return it->second;
  Glyph& g = impl->rotated[cp];
  impl->Load(impl->rot, cp, g, true);
  return g;
}

namespace {

std::unique_ptr<Face> Realise(const LOGFONT& lf) {
  auto face = std::make_unique<Face>();
  face->lf = lf;
  face->impl = new Face::Impl();
  Face::Impl& im = *face->impl;
  std::fill(std::begin(im.asciiAdvance), std::end(im.asciiAdvance), 0);
  im.res = Resolve(lf);
  face->family = im.res.family;
  if (lf.lfQuality == NONANTIALIASED_QUALITY) im.loadFlags = FT_LOAD_TARGET_MONO;
  if (im.res.file.empty() || FT_New_Face(Library(), im.res.file.c_str(), im.res.index, &im.ft) != 0) {
    im.ft = nullptr;
    return face;
  }
  FT_Face ft = im.ft;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  const TT_HoriHeader* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
  double upem = ft->units_per_EM ? ft->units_per_EM : 2048;
  double winAsc = os2 && os2->usWinAscent ? os2->usWinAscent : ft->ascender;
  double winDesc = os2 && os2->usWinAscent ? os2->usWinDescent : -ft->descender;
  // Negative heights ask for the character height (the em), positive ones for the cell height.
  int cell = 0;
  double ppem;
  if (lf.lfHeight < 0) {
    ppem = -lf.lfHeight;
  } else {
    cell = lf.lfHeight == 0 ? 16 : lf.lfHeight;
    ppem = cell * upem / (winAsc + winDesc);
  }
  int ippem = std::max(1, Round(ppem));
  int wppem = ippem;
  if (lf.lfWidth > 0 && os2 && os2->xAvgCharWidth > 0) wppem = std::max(1, Round(lf.lfWidth * upem / os2->xAvgCharWidth));
  FT_Set_Pixel_Sizes(ft, static_cast<FT_UInt>(wppem), static_cast<FT_UInt>(ippem));
  double scale = ippem / upem;
  double xscale = wppem / upem;
  FaceMetrics& m = face->m;
  m.ascent = Round(winAsc * scale);
  m.descent = cell ? cell - m.ascent : Round(winDesc * scale);
  if (cell == 0 && m.ascent + m.descent < ippem) m.descent = ippem - m.ascent;
  m.internalLeading = std::max(0, m.ascent + m.descent - ippem);
  if (hhea) {
    double gap = hhea->Line_Gap - ((winAsc + winDesc) - (hhea->Ascender - hhea->Descender));
    m.externalLeading = std::max(0, Round(gap * scale));
  }
  m.aveCharWidth = os2 && os2->xAvgCharWidth > 0 ? std::max(1, Round(os2->xAvgCharWidth * xscale)) : ippem / 2;
  m.maxCharWidth = std::max(m.aveCharWidth, Round(ft->max_advance_width * xscale));
  m.underlinePos = std::max(1, Round(-ft->underline_position * scale));
  m.underlineThickness = std::max(1, Round(ft->underline_thickness * scale));
  m.strikeOutPos = os2 && os2->yStrikeoutPosition > 0 ? Round(os2->yStrikeoutPosition * scale) : m.ascent / 3;
  m.fixedPitch = FT_IS_FIXED_WIDTH(ft);
  for (uint32_t c = 0x20; c < 128; ++c) {
    Glyph g;
    im.Load(ft, c, g, false);
    im.asciiAdvance[c] = g.advance;
  }
  if (im.res.synthBold) m.overhang = 0;
  if (lf.lfEscapement % 3600 != 0) {
    face->angle = (lf.lfEscapement % 3600) * M_PI / 1800.0;
    if (FT_New_Face(Library(), im.res.file.c_str(), im.res.index, &im.rot) == 0) {
      FT_Set_Pixel_Sizes(im.rot, static_cast<FT_UInt>(wppem), static_cast<FT_UInt>(ippem));
      double c = std::cos(face->angle), s = std::sin(face->angle);
      FT_Matrix mat{static_cast<FT_Fixed>(std::lround(c * 65536)), static_cast<FT_Fixed>(std::lround(-s * 65536)),
                    static_cast<FT_Fixed>(std::lround(s * 65536)), static_cast<FT_Fixed>(std::lround(c * 65536))};
      FT_Set_Transform(im.rot, &mat, nullptr);
    } else {
      im.rot = nullptr;
    }
  }
  return face;
}

std::string Key(const LOGFONT& lf) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d/%d/%d/%d/%d/%d|", static_cast<int>(lf.lfHeight), static_cast<int>(lf.lfWidth),
                static_cast<int>(lf.lfEscapement % 3600), static_cast<int>(lf.lfWeight), lf.lfItalic ? 1 : 0,
                (lf.lfPitchAndFamily << 8) | lf.lfQuality);
  return std::string(buf) + Lower(std::string_view(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof lf.lfFaceName)));
}

}  // namespace

Face* RealiseFace(const LOGFONT& lf) {
  static std::mutex cacheMutex;
  static std::map<std::string, std::unique_ptr<Face>> cache;
  std::lock_guard<std::mutex> lock(cacheMutex);
  std::string key = Key(lf);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  std::unique_ptr<Face> f = Realise(lf);
  Face* raw = f.get();
  cache.emplace(std::move(key), std::move(f));
  return raw;
}

}  // namespace winapi::detail
