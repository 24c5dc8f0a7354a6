// The installed font families, as the font dialogs and Screen->Fonts list them.

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <mutex>

#include "forms/Graphics.h"
#include "rtl/SysUtils.h"

std::vector<String> GetFontFamilyNames() {
  static std::once_flag once;
  static std::vector<String>* names = new std::vector<String>();
  std::call_once(once, [] {
    // A private configuration, destroyed after use, leaves the one the text layer uses untouched.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(config, pattern, objects);
    if (set) {
      for (int i = 0; i < set->nfont; ++i) {
        FcChar8* family = nullptr;
        // The first family name of a font is its own; later ones are translations.
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
          names->emplace_back(reinterpret_cast<const char*>(family));
      }
      FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    std::sort(names->begin(), names->end(), [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
    names->erase(std::unique(names->begin(), names->end(), [](const String& a, const String& b) {
                   return AnsiCompareText(a, b) == 0;
                 }),
                 names->end());
  });
  return *names;
}
