// Picture formats: JPEG, PNG, GIF, icons and bitmap files read from files made here (the JPEG and PNG
// ones through their libraries, the others by hand), drawn on a canvas and checked pixel by pixel;
// damaged files raise and change nothing; pictures travel through form text.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "FormsSupport.h"
#include "forms/GifImg.h"
#include "forms/Jpeg.h"
#include "forms/PngImage.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

// After the platform headers: jpeglib defines TRUE and FALSE as macros when nobody has.
#include <jpeglib.h>
#include <png.h>

using namespace ft;

namespace {

// One folder per test process (each test runs in a process of its own), made on first use and removed with
// its files when the process ends.
String TempDir() {
  struct Folder {
    String path;
    Folder() {
      char tmpl[] = "/tmp/forms-graphics-XXXXXX";
      if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
      path = tmpl;
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static Folder dir;
  return dir.path;
}

void WriteFile(const String& name, const String& bytes) {
  FILE* f = std::fopen(name.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// 0x00RRGGBB of a pixel of a bitmap.
uint32_t At(TBitmap* b, int x, int y) { return b->ScanLine(y)[x] & 0xFFFFFFu; }

// Draws graphic at its size onto a bitmap filled with background.
std::unique_ptr<TBitmap> Render(TGraphic* g, TColor background = clWhite) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetSize(g->Width(), g->Height());
  bmp->Canvas()->Brush()->SetColor(background);
  bmp->Canvas()->FillRect(RECT{0, 0, g->Width(), g->Height()});
  bmp->Canvas()->Draw(0, 0, g);
  return bmp;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int s = 0; s <= 16; s += 8)
    if (std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF)) > tolerance) return false;
  return true;
}

// A JPEG of w×h through libjpeg: left half red, right half blue.
String MakeJpeg(int w, int h, int quality = 95) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
  for (int x = 0; x < w; ++x) {
    bool left = x < w / 2;
    row[3 * x] = left ? 255 : 0;
    row[3 * x + 1] = 0;
    row[3 * x + 2] = left ? 0 : 255;
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  String s(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return s;
}

// A PNG through libpng from RGBA bytes.
String MakePng(int w, int h, const std::vector<uint8_t>& rgba) {
  String out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        static_cast<String*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, const_cast<png_bytep>(rgba.data() + static_cast<size_t>(y) * w * 4));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// 2×2, colours black, white, red, green; green (3) transparent; pixels 1 2 / 3 0.
const unsigned char kGif2x2[] = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0,
                                 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0,     // global colour table
                                 0x21, 0xF9, 4, 1, 0, 0, 3, 0,                       // transparent index 3
                                 0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0,                    // image 2×2
                                 2, 3, 0x8C, 0x06, 0x05, 0,                          // LZW data
                                 0x3B};
// 4×1 of white, the run encoded with a code defined by its own use; no transparency.
const unsigned char kGif4x1[] = {'G', 'I', 'F', '8', '7', 'a', 4, 0, 1, 0, 0x81, 0, 0,
                                 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0,
                                 0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0,
                                 2, 2, 0x8C, 0x53, 0,
                                 0x3B};

void Le16(String& s, int v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(String& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// An icon image: 32-bit DIB of one colour with alpha, the top-left pixel clear, and its mask.
String IconImage(int size, uint32_t argb) {
  String s;
  Le32(s, 40);
  Le32(s, static_cast<uint32_t>(size));
  Le32(s, static_cast<uint32_t>(size * 2));
  Le16(s, 1);
  Le16(s, 32);
  for (int i = 0; i < 6; ++i) Le32(s, 0);
  for (int y = size - 1; y >= 0; --y)
    for (int x = 0; x < size; ++x) Le32(s, x == 0 && y == 0 ? 0u : argb);
  int stride = (size + 31) / 32 * 4;
  for (int y = size - 1; y >= 0; --y)
    for (int b = 0; b < stride; ++b) s.push_back(static_cast<char>(y == 0 && b == 0 ? 0x80 : 0));
  return s;
}

// An icon file of a 16×16 red image and a 32×32 blue one.
String MakeIcon() {
  String a = IconImage(16, 0xFFFF0000u), b = IconImage(32, 0xFF0000FFu);
  String s;
  Le16(s, 0);
  Le16(s, 1);
  Le16(s, 2);
  uint32_t offset = 6 + 32;
  for (auto [size, img] : {std::pair<int, String*>{16, &a}, {32, &b}}) {
    s.push_back(static_cast<char>(size));
    s.push_back(static_cast<char>(size));
    s.push_back(0);
    s.push_back(0);
    Le16(s, 1);
    Le16(s, 32);
    Le32(s, static_cast<uint32_t>(img->size()));
    Le32(s, offset);
    offset += static_cast<uint32_t>(img->size());
  }
  return s + a + b;
}

// A 2×2 24-bit bitmap file, bottom-up with padded rows: top row red, green; bottom row blue, white.
String MakeBmp24() {
  String s = "BM";
  Le32(s, 14 + 40 + 16);
  Le32(s, 0);
  Le32(s, 54);
  Le32(s, 40);
  Le32(s, 2);
  Le32(s, 2);
  Le16(s, 1);
  Le16(s, 24);
  for (int i = 0; i < 6; ++i) Le32(s, 0);
  const unsigned char rows[] = {255, 0, 0, 255, 255, 255, 0, 0,   // bottom: blue, white (B, G, R)
                                0, 0, 255, 0, 255, 0, 0, 0};      // top: red, green
  s.append(reinterpret_cast<const char*>(rows), sizeof rows);
  return s;
}

// A 4×2 8-bit run-length bitmap of red (0) and blue (1): top row alternating, bottom row a blue run.
String MakeBmpRle8() {
  const unsigned char runs[] = {4, 1, 0, 0,              // bottom row: four blue, end of line
                                0, 4, 0, 1, 0, 1, 0, 0,  // top row: four literal pixels, end of line
                                0, 1};                   // end of bitmap
  String s = "BM";
  Le32(s, static_cast<uint32_t>(62 + sizeof runs));
  Le32(s, 0);
  Le32(s, 62);
  Le32(s, 40);
  Le32(s, 4);
  Le32(s, 2);
  Le16(s, 1);
  Le16(s, 8);
  Le32(s, 1);  // run-length, 8 bits
  Le32(s, sizeof runs);
  Le32(s, 0);
  Le32(s, 0);
  Le32(s, 2);  // two colours
  Le32(s, 0);
  Le32(s, 0x00FF0000u);  // red (B, G, R, 0)
  Le32(s, 0x000000FFu);  // blue
  s.append(reinterpret_cast<const char*>(runs), sizeof runs);
  return s;
}

template <class T>
std::unique_ptr<T> Load(const String& bytes) {
  auto g = std::make_unique<T>();
  TStringStream s(bytes);
  g->LoadFromStream(&s);
  return g;
}

}  // namespace

class GraphicFormatsTest : public FormsTest {};

TEST_F(GraphicFormatsTest, JpegFileLoadsByExtensionAndDrawsItsColours) {
  String file = TempDir() + "/two.jpg";
  WriteFile(file, MakeJpeg(32, 16));
  TPicture picture;
  picture.LoadFromFile(file);
  ASSERT_TRUE(dynamic_cast<TJPEGImage*>(picture.Graphic()));
  EXPECT_EQ(picture.Width(), 32);
  EXPECT_EQ(picture.Height(), 16);
  auto bmp = Render(picture.Graphic());
  EXPECT_TRUE(Near(At(bmp.get(), 4, 8), 0xFF0000, 24)) << std::hex << At(bmp.get(), 4, 8);
  EXPECT_TRUE(Near(At(bmp.get(), 27, 8), 0x0000FF, 24)) << std::hex << At(bmp.get(), 27, 8);
}

TEST_F(GraphicFormatsTest, JpegScaleAndGrayscaleDecodeAgain) {
  auto jpeg = Load<TJPEGImage>(MakeJpeg(32, 16));
  jpeg->SetScale(jsHalf);
  EXPECT_EQ(jpeg->Width(), 16);
  EXPECT_EQ(jpeg->Height(), 8);
  jpeg->SetScale(jsEighth);
  EXPECT_EQ(jpeg->Width(), 4);
  jpeg->SetScale(jsFullSize);
  jpeg->SetGrayscale(true);
  auto bmp = Render(jpeg.get());
  uint32_t p = At(bmp.get(), 4, 8);
  EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
  EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF);
}

TEST_F(GraphicFormatsTest, JpegCompressesAnAssignedBitmapWithItsQuality) {
  TBitmap source;
  source.SetSize(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) source.ScanLine(y)[x] = ((x * 4) << 16) | ((y * 4) << 8) | ((x ^ y) * 4 & 0xFF);
  std::vector<size_t> sizes;
  for (int quality : {10, 95}) {
    TJPEGImage jpeg;
    jpeg.Assign(&source);
    jpeg.SetCompressionQuality(quality);
    jpeg.JPEGNeeded();
    TMemoryStream out;
    jpeg.SaveToStream(&out);
    sizes.push_back(static_cast<size_t>(out.Size()));
    auto* bytes = static_cast<const uint8_t*>(out.Memory());
    ASSERT_GE(out.Size(), 3);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    out.SetPosition(0);
    TJPEGImage back;
    back.LoadFromStream(&out);
    ASSERT_EQ(back.Width(), 64);
    auto bmp = Render(&back);
    if (quality == 95) {
      EXPECT_TRUE(Near(At(bmp.get(), 40, 20), source.ScanLine(20)[40], 16));
    }
  }
  EXPECT_LT(sizes[0], sizes[1]);
}

TEST_F(GraphicFormatsTest, PngKeepsAlphaAndDrawsBlended) {
  // Opaque red, half-transparent blue, fully clear.
  std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 0, 255, 128, 0, 255, 0, 0};
  String file = TempDir() + "/alpha.png";
  WriteFile(file, MakePng(3, 1, rgba));
  TPicture picture;
  picture.LoadFromFile(file);
  auto* png = dynamic_cast<TPngImage*>(picture.Graphic());
  ASSERT_TRUE(png);
  EXPECT_TRUE(png->HasAlpha());
  EXPECT_EQ(png->Pixel(1, 0), 0x800000FFu);
  auto bmp = Render(png, clWhite);
  EXPECT_EQ(At(bmp.get(), 0, 0), 0xFF0000u);
  EXPECT_TRUE(Near(At(bmp.get(), 1, 0), 0x7F7FFF, 2)) << std::hex << At(bmp.get(), 1, 0);
  EXPECT_EQ(At(bmp.get(), 2, 0), 0xFFFFFFu);
  // Saved and read back, the pixels are the same.
  TMemoryStream out;
  png->SaveToStream(&out);
  out.SetPosition(0);
  TPngImage back;
  back.LoadFromStream(&out);
  EXPECT_EQ(back.Pixels(), png->Pixels());
}

TEST_F(GraphicFormatsTest, GifReadsTheFirstImageWithItsTransparentColour) {
  struct Case {
    const unsigned char* bytes;
    size_t size;
    int w, h;
    bool transparent;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB
  };
  const Case cases[] = {
      {kGif2x2, sizeof kGif2x2, 2, 2, true, {0xFFFFFFFFu, 0xFFFF0000u, 0x0000FF00u, 0xFF000000u}},
      {kGif4x1, sizeof kGif4x1, 4, 1, false, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}},
  };
  for (const Case& c : cases) {
    auto gif = Load<TGIFImage>(String(reinterpret_cast<const char*>(c.bytes), c.size));
    ASSERT_EQ(gif->Width(), c.w);
    ASSERT_EQ(gif->Height(), c.h);
    EXPECT_EQ(gif->Transparent(), c.transparent);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) EXPECT_EQ(gif->Pixel(x, y), c.pixels[static_cast<size_t>(y * c.w + x)]) << x << "," << y;
  }
  // Drawn, the transparent pixel leaves the background; opaque, it shows its own colour.
  auto gif = Load<TGIFImage>(String(reinterpret_cast<const char*>(kGif2x2), sizeof kGif2x2));
  auto bmp = Render(gif.get(), clBlue);
  EXPECT_EQ(At(bmp.get(), 0, 1), 0x0000FFu);
  EXPECT_EQ(At(bmp.get(), 1, 0), 0xFF0000u);
  gif->SetTransparent(false);
  bmp = Render(gif.get(), clBlue);
  EXPECT_EQ(At(bmp.get(), 0, 1), 0x00FF00u);
}

TEST_F(GraphicFormatsTest, IconPicksTheImageNearestToTheRequestedSize) {
  String file = TempDir() + "/two.ico";
  WriteFile(file, MakeIcon());
  TPicture picture;
  picture.LoadFromFile(file);
  auto* icon = dynamic_cast<TIcon*>(picture.Graphic());
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->ImageCount(), 2);
  EXPECT_TRUE(icon->Transparent());
  struct Case {
    int request;
    int size;
    uint32_t color;
  };
  for (Case c : {Case{0, 32, 0x0000FFu}, Case{16, 16, 0xFF0000u}, Case{20, 16, 0xFF0000u}, Case{48, 32, 0x0000FFu}}) {
    icon->SetSize(c.request, c.request);
    EXPECT_EQ(icon->Width(), c.size) << c.request;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon->Handle(), &info));
    BITMAP bm{};
    GetObject(info.hbmColor, sizeof bm, &bm);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(bm.bmWidth, c.size);
    auto bmp = Render(icon, clLime);
    EXPECT_EQ(At(bmp.get(), 5, 5), c.color) << c.request;
    EXPECT_EQ(At(bmp.get(), 0, 0), 0x00FF00u) << "the clear corner shows the background";
  }
  // Saved and read back, both images are there.
  TMemoryStream out;
  icon->SaveToStream(&out);
  out.SetPosition(0);
  TIcon back;
  back.LoadFromStream(&out);
  ASSERT_EQ(back.ImageCount(), 2);
  EXPECT_EQ(back.ImageSize(0).cx, 16);
  EXPECT_EQ(back.ImageSize(1).cx, 32);
}

TEST_F(GraphicFormatsTest, IconTakesAHandleOverAndSavesIt) {
  auto src = Load<TIcon>(MakeIcon());
  src->SetSize(16, 16);
  TIcon icon;
  icon.SetHandle(CopyIcon(src->Handle()));
  EXPECT_EQ(icon.Width(), 16);
  TMemoryStream out;
  icon.SaveToStream(&out);
  out.SetPosition(0);
  TIcon back;
  back.LoadFromStream(&out);
  auto bmp = Render(&back, clLime);
  EXPECT_EQ(At(bmp.get(), 5, 5), 0xFF0000u);
  EXPECT_EQ(At(bmp.get(), 0, 0), 0x00FF00u);
  Application->Icon()->Assign(&back);
  EXPECT_FALSE(Application->Icon()->Empty());
}

TEST_F(GraphicFormatsTest, FormIconTravelsThroughFormText) {
  auto* form = New<TForm>(Application, 0);
  form->SetName("IconForm");
  auto icon = Load<TIcon>(MakeIcon());
  form->SetIcon(icon.get());
  String text = ComponentToText(form);
  EXPECT_NE(text.find("Icon.Data = {"), String::npos);
  auto* back = New<TForm>(nullptr, 0);
  ReadComponentFromText(text, back);
  EXPECT_EQ(back->Icon()->ImageCount(), 2);
  EXPECT_TRUE(back->Icon()->Equals(icon.get()));
  // A form without an icon writes none.
  auto* plain = New<TForm>(Application, 0);
  plain->SetName("PlainForm");
  EXPECT_EQ(ComponentToText(plain).find("Icon"), String::npos);
  form->Free();
  back->Free();
  plain->Free();
}

TEST_F(GraphicFormatsTest, BitmapFilesReadPaddedBottomUpRowsAndRoundTrip) {
  auto bmp = Load<TBitmap>(MakeBmp24());
  ASSERT_EQ(bmp->Width(), 2);
  EXPECT_EQ(At(bmp.get(), 0, 0), 0xFF0000u);
  EXPECT_EQ(At(bmp.get(), 1, 0), 0x00FF00u);
  EXPECT_EQ(At(bmp.get(), 0, 1), 0x0000FFu);
  EXPECT_EQ(At(bmp.get(), 1, 1), 0xFFFFFFu);
  auto rle = Load<TBitmap>(MakeBmpRle8());
  ASSERT_EQ(rle->Width(), 4);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(At(rle.get(), x, 0), x % 2 ? 0x0000FFu : 0xFF0000u) << x;
    EXPECT_EQ(At(rle.get(), x, 1), 0x0000FFu) << x;
  }
  String file = TempDir() + "/round.bmp";
  bmp->SaveToFile(file);
  TPicture picture;
  picture.LoadFromFile(file);
  ASSERT_TRUE(dynamic_cast<TBitmap*>(picture.Graphic()));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(At(picture.Bitmap(), x, y), At(bmp.get(), x, y));
}

TEST_F(GraphicFormatsTest, DamagedFilesRaiseAndLeaveTheGraphicAsItWas) {
  String jpeg = MakeJpeg(32, 32), png = MakePng(2, 1, {1, 2, 3, 255, 4, 5, 6, 255});
  String gif(reinterpret_cast<const char*>(kGif2x2), sizeof kGif2x2), ico = MakeIcon(), bmp = MakeBmp24();
  auto corrupt = [](String s, size_t at) {
    for (size_t i = at; i < std::min(s.size(), at + 8); ++i) s[i] = static_cast<char>(0xA5);
    return s;
  };
  struct Case {
    const char* name;
    TGraphicClass cls;
    String bytes;
  };
  const Case cases[] = {
      {"truncated jpeg", TJPEGImage::StaticClass(), jpeg.substr(0, jpeg.size() / 2)},
      {"not a jpeg", TJPEGImage::StaticClass(), corrupt(jpeg, 0)},
      {"corrupt jpeg frame header", TJPEGImage::StaticClass(), corrupt(jpeg, jpeg.find("\xFF\xC0") + 4)},
      {"empty jpeg", TJPEGImage::StaticClass(), String()},
      {"truncated png", TPngImage::StaticClass(), png.substr(0, png.size() - 20)},
      {"corrupt png", TPngImage::StaticClass(), corrupt(png, 16)},
      {"truncated gif", TGIFImage::StaticClass(), gif.substr(0, gif.size() - 5)},
      {"gif without image", TGIFImage::StaticClass(), gif.substr(0, 33) + ";"},
      // an image of 65535 x 65535 pixels whose four bytes of data cannot fill it
      {"gif larger than its data", TGIFImage::StaticClass(),
       gif.substr(0, 38) + String("\xFF\xFF\xFF\xFF", 4) + gif.substr(42)},
      {"truncated icon", TIcon::StaticClass(), ico.substr(0, ico.size() - 100)},
      {"corrupt icon directory", TIcon::StaticClass(), corrupt(ico, 6 + 8)},
      {"truncated bitmap", TBitmap::StaticClass(), bmp.substr(0, bmp.size() - 4)},
      {"not a bitmap", TBitmap::StaticClass(), String("XX") + bmp.substr(2)},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TGraphic> g(CreateAs<TGraphic>(c.cls));
    TStringStream s(c.bytes);
    EXPECT_THROW(g->LoadFromStream(&s), EInvalidGraphic) << c.name;
    EXPECT_TRUE(g->Empty()) << c.name;
  }
  // A picture that fails to load keeps what it had.
  TPicture picture;
  TStringStream good(png);
  picture.LoadFromStream(&good);
  TStringStream bad(jpeg.substr(0, 200));
  EXPECT_THROW(picture.LoadFromStream(&bad), EInvalidGraphic);
  EXPECT_TRUE(dynamic_cast<TPngImage*>(picture.Graphic()));
  TStringStream unknown("plain text, not a picture");
  EXPECT_THROW(picture.LoadFromStream(&unknown), EInvalidGraphic);
}

TEST_F(GraphicFormatsTest, MangledFilesEitherLoadOrRaiseButNeverCrash) {
  // Random damage (fixed seed): every reader must stay inside its data, whatever the bytes say.
  const String samples[] = {MakeJpeg(16, 16), MakePng(3, 2, std::vector<uint8_t>(24, 200)),
                            String(reinterpret_cast<const char*>(kGif2x2), sizeof kGif2x2), MakeIcon(), MakeBmp24(),
                            MakeBmpRle8()};
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; };
  int loaded = 0, raised = 0;
  for (const String& sample : samples)
    for (int round = 0; round < 150; ++round) {
      String bytes = sample;
      int edits = 1 + static_cast<int>(next() % 4);
      for (int e = 0; e < edits; ++e) {
        size_t at = 4 + next() % (bytes.size() - 4);  // the signature stays, so the right reader runs
        bytes[at] = static_cast<char>(next() & 0xFF);
      }
      if (next() % 4 == 0) bytes.resize(4 + next() % (bytes.size() - 4));
      TPicture picture;
      TStringStream s(bytes);
      try {
        picture.LoadFromStream(&s);
        auto bmp = Render(picture.Graphic());
        ++loaded;
      } catch (const EInvalidGraphic&) {
        ++raised;
      }
    }
  EXPECT_GT(raised, 0);
  EXPECT_GT(loaded, 0);
}

TEST_F(GraphicFormatsTest, PictureFindsFormatsByExtensionSignatureAndClassName) {
  EXPECT_EQ(TPicture::FindFormat("JPEG"), TJPEGImage::StaticClass());
  EXPECT_EQ(TPicture::FindFormat(".png"), TPngImage::StaticClass());
  EXPECT_EQ(TPicture::FindGraphicClass("tjpegimage"), TJPEGImage::StaticClass());
  EXPECT_EQ(GraphicExtension(TJPEGImage::StaticClass()), "jpg");
  EXPECT_EQ(GraphicFilter(TIcon::StaticClass()), "Icons (*.ico)|*.ico");
  EXPECT_EQ(GraphicFileMask(TGraphic::StaticClass()), "*.bmp;*.ico;*.jpg;*.jpeg;*.png;*.gif");
  EXPECT_EQ(GraphicFilter(TGraphic::StaticClass()).rfind("All (*.bmp;*.ico;", 0), 0u);
  struct Case {
    String bytes;
    TGraphicClass cls;
  };
  const Case cases[] = {{MakeJpeg(8, 8), TJPEGImage::StaticClass()},
                        {MakePng(1, 1, {0, 0, 0, 255}), TPngImage::StaticClass()},
                        {String(reinterpret_cast<const char*>(kGif4x1), sizeof kGif4x1), TGIFImage::StaticClass()},
                        {MakeIcon(), TIcon::StaticClass()},
                        {MakeBmp24(), TBitmap::StaticClass()}};
  for (const Case& c : cases) {
    TPicture picture;
    TStringStream s(c.bytes);
    picture.LoadFromStream(&s);
    ASSERT_TRUE(picture.Graphic());
    EXPECT_EQ(picture.Graphic()->ClassType(), c.cls);
  }
  TPicture picture;
  EXPECT_THROW(picture.LoadFromFile(TempDir() + "/picture.tiff"), EInvalidGraphic);
}

namespace {
class TPictureHolder : public TComponent {
  RTL_CLASS(TPictureHolder, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TPictureHolder(TComponent* owner) : TComponent(owner) {}
  ~TPictureHolder() override {
    delete FPicture;
    delete FGlyph;
  }
  TPicture* Picture() const { return FPicture; }
  void SetPicture(TPicture* v) { FPicture->Assign(v); }
  TBitmap* Glyph() const { return FGlyph; }
  void SetGlyph(TBitmap* v) { FGlyph->Assign(v); }

private:
  TPicture* FPicture = new TPicture();
  TBitmap* FGlyph = new TBitmap();
};
}  // namespace

RTL_PUBLISHED(TPictureHolder) {
  prop("Glyph", &TPictureHolder::Glyph, &TPictureHolder::SetGlyph);
  prop("Picture", &TPictureHolder::Picture, &TPictureHolder::SetPicture);
}

TEST_F(GraphicFormatsTest, PicturesRoundTripThroughFormTextWithTheirClass) {
  RegisterClass(TPictureHolder::StaticClass());
  struct Case {
    String bytes;
    TGraphicClass cls;
  };
  const Case cases[] = {{MakePng(2, 1, {255, 0, 0, 255, 0, 0, 255, 100}), TPngImage::StaticClass()},
                        {MakeJpeg(16, 8), TJPEGImage::StaticClass()},
                        {MakeIcon(), TIcon::StaticClass()},
                        {String(reinterpret_cast<const char*>(kGif2x2), sizeof kGif2x2), TGIFImage::StaticClass()}};
  for (const Case& c : cases) {
    FreeingPtr<TPictureHolder> holder(New<TPictureHolder>(nullptr));
    holder->SetName("Holder");
    TStringStream s(c.bytes);
    holder->Picture()->LoadFromStream(&s);
    holder->Glyph()->SetSize(2, 2);
    holder->Glyph()->ScanLine(1)[1] = 0x123456;
    String text = ComponentToText(holder.get());
    EXPECT_NE(text.find("Picture.Data = {"), String::npos) << text;
    EXPECT_NE(text.find("Glyph.Data = {"), String::npos) << text;
    FreeingPtr<TPictureHolder> back(New<TPictureHolder>(nullptr));
    ReadComponentFromText(text, back.get());
    ASSERT_TRUE(back->Picture()->Graphic()) << c.cls->ClassName();
    EXPECT_EQ(back->Picture()->Graphic()->ClassType(), c.cls);
    EXPECT_TRUE(back->Picture()->Graphic()->Equals(holder->Picture()->Graphic())) << c.cls->ClassName();
    ASSERT_EQ(back->Glyph()->Width(), 2);
    EXPECT_EQ(At(back->Glyph(), 1, 1), 0x123456u);
  }
  // An empty picture writes nothing.
  FreeingPtr<TPictureHolder> empty(New<TPictureHolder>(nullptr));
  empty->SetName("Empty");
  EXPECT_EQ(ComponentToText(empty.get()).find("Data"), String::npos);
}

TEST_F(GraphicFormatsTest, ImageControlShowsAPngOverItsParent) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(20, 20, 200, 100);
  form->SetColor(clWhite);
  auto* image = New<TImage>(form);
  image->SetBounds(10, 10, 20, 20);
  image->SetParent(form);
  image->SetStretch(true);
  TStringStream s(MakePng(2, 1, {255, 0, 0, 255, 0, 0, 255, 0}));
  image->Picture()->LoadFromStream(&s);
  form->Show();
  Pump();
  EXPECT_EQ(headless::Pixel(form->Handle(), 15, 15), 0xFF0000u);
  EXPECT_EQ(headless::Pixel(form->Handle(), 25, 15), 0xFFFFFFu);  // the clear half shows the form
  form->Free();
}

TEST_F(GraphicFormatsTest, ScreenListsTheInstalledFontFamiliesSorted) {
  TStrings* fonts = Screen->Fonts();
  ASSERT_GT(fonts->Count(), 0);
  EXPECT_GE(fonts->IndexOf("DejaVu Sans"), 0);
  for (int32_t i = 1; i < fonts->Count(); ++i) EXPECT_LT(AnsiCompareText(fonts->Strings(i - 1), fonts->Strings(i)), 0);
}
