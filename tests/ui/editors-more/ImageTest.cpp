// The image editor on the headless screen with real messages: pictures of every platform format loaded
// through the edit value (the bytes a BLOB field holds) and painted, the geometry of fitting, centring
// and stretching, damaged values, the clipboard, the picture dialogs, the context menu's states, and a
// picture of the editor.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "forms/Clipbrd.h"
#include "forms/Dialogs.h"
#include "forms/ExtDlgs.h"
#include "forms/Forms.h"
#include "forms/GifImg.h"
#include "forms/Jpeg.h"
#include "forms/PngImage.h"
#include "forms/StdCtrls.h"
#include "rtl/Files.h"
#include "rtl/Filer.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "../../support/MutationLoop.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxImage.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

namespace image_test {

inline uint32_t ImageRgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}
inline std::array<long, 4> ImageR4(const RECT& r) { return {long(r.left), long(r.top), long(r.right), long(r.bottom)}; }

// Channels within a tolerance (JPEG is lossy).
inline bool ImageNear(uint32_t a, uint32_t b, int tol = 24) {
  for (int s : {0, 8, 16})
    if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tol) return false;
  return true;
}

void ImageLe16(String& s, int v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void ImageLe32(String& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A bitmap of w x h: the left half colour a, the right half colour b (0x00RRGGBB).
TBitmap* ImageMakeBitmap(int w, int h, uint32_t a, uint32_t b) {
  TBitmap* bmp = New<TBitmap>();
  bmp->SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp->ScanLine(y)[x] = x < w / 2 ? a : b;
  return bmp;
}

String ImageSaved(TGraphic* g) {
  TMemoryStream* s = New<TMemoryStream>();
  g->SaveToStream(s);
  String out(static_cast<const char*>(s->Memory()), static_cast<size_t>(s->Size()));
  s->Free();
  return out;
}

String ImageBmpBytes(int w, int h, uint32_t a, uint32_t b) {
  TBitmap* bmp = ImageMakeBitmap(w, h, a, b);
  String s = ImageSaved(bmp);
  bmp->Free();
  return s;
}

String ImageJpegBytes(int w, int h, uint32_t colour) {
  TBitmap* bmp = ImageMakeBitmap(w, h, colour, colour);
  TJPEGImage* jpeg = New<TJPEGImage>();
  jpeg->Assign(bmp);
  String s = ImageSaved(jpeg);
  jpeg->Free();
  bmp->Free();
  return s;
}

// An opaque PNG of one colour, written by the platform's PNG image from a bitmap.
String ImagePngBytes(int w, int h, uint32_t colour) {
  TBitmap* bmp = ImageMakeBitmap(w, h, colour, colour);
  TPngImage* png = New<TPngImage>();
  png->Assign(bmp);
  String s = ImageSaved(png);
  png->Free();
  bmp->Free();
  return s;
}

// 2x2, colours black, white, red, green; no transparency; pixels 1 2 / 3 0 (white red / green black).
const unsigned char kImageGif2x2[] = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0,
                                      0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0,
                                      0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0,
                                      2, 3, 0x8C, 0x06, 0x05, 0,
                                      0x3B};

// An icon file with one 16 x 16 image of one opaque colour.
String ImageIconBytes(uint32_t argb) {
  String img;
  ImageLe32(img, 40);
  ImageLe32(img, 16);
  ImageLe32(img, 32);
  ImageLe16(img, 1);
  ImageLe16(img, 32);
  for (int i = 0; i < 6; ++i) ImageLe32(img, 0);
  for (int i = 0; i < 16 * 16; ++i) ImageLe32(img, argb);
  for (int i = 0; i < 16 * 4; ++i) img.push_back(0);
  String s;
  ImageLe16(s, 0);
  ImageLe16(s, 1);
  ImageLe16(s, 1);
  s.push_back(16);
  s.push_back(16);
  s.push_back(0);
  s.push_back(0);
  ImageLe16(s, 1);
  ImageLe16(s, 32);
  ImageLe32(s, static_cast<uint32_t>(img.size()));
  ImageLe32(s, 22);
  return s + img;
}

class ImageTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    static const std::pair<int, COLORREF> colors[] = {
        {COLOR_BTNFACE, RGB(212, 208, 200)}, {COLOR_WINDOW, RGB(255, 255, 255)}, {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
        {COLOR_BTNSHADOW, RGB(128, 128, 128)}, {COLOR_WINDOWFRAME, RGB(0, 0, 0)},
    };
    for (auto [index, color] : colors) SetSysColors(1, &index, &color);
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 400, 300);
    Form->SetColor(clBtnFace);
    Form->Show();
    Application->OnException = TExceptionEvent([this](TObject*, Exception* E) {
      Errors.push_back(std::string(E->Message().c_str()));
    });
    Image = New<TcxImage>(Form);
    Image->SetLeft(10);
    Image->SetTop(10);
    Image->SetParent(Form);
    Other = New<TEdit>(Form);
    Other->SetBounds(200, 200, 100, 21);
    Other->SetParent(Form);
    Idle();
  }
  void TearDown() override {
    Application->OnException = TExceptionEvent();
    Clipboard()->Clear();
    DoneForms();
    cxContainerFinalize();
    cxControlsFinalize();
    cxEditFinalize();
    cxImageFinalize();
    DoneEditPaintUtils();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  void Repaint() {
    Image->Invalidate();
    Image->Update();
    Idle();
  }
  uint32_t Pixel(int x, int y) { return headless::Pixel(Image->Handle(), x, y); }
  RECT Client() { return Image->ImageViewInfo()->ClientRect; }
  void Focus() {
    Image->SetFocus();
    Idle();
  }
  void Chord(std::initializer_list<int> mods, int vk) {
    for (int m : mods) headless::KeyDown(m);
    headless::KeyPress(vk);
    for (int m : mods) headless::KeyUp(m);
    Idle();
  }

  TForm* Form = nullptr;
  TcxImage* Image = nullptr;
  TEdit* Other = nullptr;
  std::vector<std::string> Errors;
};

// ---- the unit's routines ----------------------------------------------------------------------------------

TEST_F(ImageTest, GraphicClassRegistryAndKindRegistration) {
  auto& list = GetGraphicClassList();
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(list[0], TBitmap::StaticClass());
  EXPECT_EQ(list[1], TIcon::StaticClass());
  EXPECT_EQ(list[2], TJPEGImage::StaticClass());
  EXPECT_EQ(FindGraphicClassByName("tjpegimage"), TJPEGImage::StaticClass());
  EXPECT_EQ(FindGraphicClassByName("TPngImage"), TPngImage::StaticClass());
  EXPECT_EQ(FindGraphicClassByName("TNoSuchImage"), nullptr);
  EXPECT_EQ(GetDefaultGraphicClass(), TBitmap::StaticClass());

  TcxRegisteredClasses* kinds = GetRegisteredEditProperties();
  int32_t at = kinds->IndexOfClass(TcxImageProperties::StaticClass());
  ASSERT_GE(at, 0);
  EXPECT_EQ(kinds->Descriptions(at), "Image|Represents an image editor");
}

TEST_F(ImageTest, FitRectToAspectTable) {
  struct Case {
    RECT r;
    int w, h;
    RECT expected;
  };
  const Case cases[] = {
      {{0, 0, 100, 50}, 200, 50, {0, 0, 100, 25}},    // wider picture: full width
      {{0, 0, 100, 50}, 10, 10, {0, 0, 50, 50}},      // square into a wide area: full height
      {{10, 20, 110, 120}, 3, 1, {10, 20, 110, 53}},  // 100 * 1 div 3 truncates
      {{0, 0, 100, 100}, 1, 3, {0, 0, 33, 100}},
      {{5, 5, 5, 40}, 10, 10, {5, 5, 5, 40}},         // an empty rectangle comes back unchanged
      {{0, 0, 100, 50}, 0, 0, {0, 0, 100, 50}},       // a zero-size picture has no aspect: no division
      {{0, 0, 100, 50}, 0, 10, {0, 0, 100, 50}},
      {{0, 0, 100, 50}, 10, 0, {0, 0, 100, 50}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ImageR4(FitRectToAspect(c.r, c.w, c.h)), ImageR4(c.expected)) << c.w << "x" << c.h;
}

TEST_F(ImageTest, PictureGeometryTable) {
  // Client (10, 10)-(110, 60): 100 x 50; TopLeft scrolls an unscaled, uncentred picture.
  struct Case {
    const char* name;
    int w, h;
    bool stretch, center;
    POINT topLeft;
    RECT expected;
  };
  const Case cases[] = {
      {"plain", 20, 10, false, false, {0, 0}, {10, 10, 30, 20}},
      {"plain scrolled", 300, 200, false, false, {16, 8}, {-6, 2, 294, 202}},
      {"centred small", 20, 10, false, true, {16, 8}, {50, 30, 70, 40}},
      {"centred large crops both sides", 120, 70, false, true, {0, 0}, {0, 0, 120, 70}},
      {"centred odd", 21, 11, false, true, {0, 0}, {49, 29, 70, 40}},
      {"stretched wide", 200, 50, true, false, {0, 0}, {10, 10, 110, 35}},
      {"stretched and centred wide", 200, 50, true, true, {0, 0}, {10, 22, 110, 47}},
      {"stretched small tall", 10, 20, true, true, {0, 0}, {47, 10, 72, 60}},
      {"stretched tall uncentred", 10, 20, true, false, {0, 0}, {10, 10, 35, 60}},
  };
  for (const Case& c : cases) {
    TcxImageViewInfo* vi = New<TcxImageViewInfo>();
    TPicture* picture = New<TPicture>();
    TBitmap* bmp = ImageMakeBitmap(c.w, c.h, 0xFF0000, 0xFF0000);
    picture->SetGraphic(bmp);
    vi->Picture = picture;
    vi->Stretch = c.stretch;
    vi->Center = c.center;
    vi->TopLeft = c.topLeft;
    EXPECT_EQ(ImageR4(vi->PictureRect(RECT{10, 10, 110, 60})), ImageR4(c.expected)) << c.name;
    vi->Free();
    picture->Free();
    bmp->Free();
  }
}

TEST_F(ImageTest, ValueHeaderShortValuesAndRoundTrip) {
  String bmp = ImageBmpBytes(4, 3, 0x112233, 0x445566);
  String header;
  ImageLe16(header, 1);
  ImageLe16(header, 0x0100);
  ImageLe32(header, static_cast<uint32_t>(bmp.size()));
  TPicture* picture = New<TPicture>();

  LoadPictureFromValue(picture, TBitmap::StaticClass(), Variant(header + bmp));
  EXPECT_EQ(picture->Width(), 4);  // read behind a valid header
  // A header whose length is wrong is part of the data: no bitmap starts with it.
  String wrong = header;
  wrong[4] = static_cast<char>(wrong[4] + 1);
  LoadPictureFromValue(picture, TBitmap::StaticClass(), Variant(wrong + bmp));
  EXPECT_EQ(picture->Graphic(), nullptr);
  // Saving never writes the header and gives the same picture back.
  LoadPictureFromValue(picture, TBitmap::StaticClass(), Variant(bmp));
  EXPECT_EQ(SavePictureToString(picture), bmp);
  picture->Free();

  // Fewer than 8 bytes hold no picture: the editor is empty. The empty string is no value at all; other
  // short bytes are kept as they came (see UndecodableValueShowsEmptyAndIsNotWrittenBack).
  for (String shortValue : {String(), String("BM"), String("1234567")}) {
    Image->SetEditValue(Variant(bmp));
    ASSERT_EQ(Image->Picture()->Width(), 4);
    Image->SetEditValue(Variant(shortValue));
    EXPECT_EQ(Image->Picture()->Graphic(), nullptr);
    if (shortValue.empty())
      EXPECT_TRUE(VarIsNull(Image->EditValue()));
    else
      EXPECT_EQ(VarToStr(Image->EditValue()), shortValue);
  }
  Image->SetEditValue(Null());
  EXPECT_TRUE(VarIsNull(Image->EditValue()));
  EXPECT_FALSE(Image->Modified());
}

// ---- every platform format through the edit value, painted -------------------------------------------------

TEST_F(ImageTest, EachFormatLoadsFromTheEditValueAndPaints) {
  struct Case {
    const char* name;
    TGraphicClass cls;
    String bytes;
    int w, h;
    POINT probe;  // a picture point whose colour is known
    uint32_t colour;
    int tolerance;
  };
  const Case cases[] = {
      {"bitmap", TBitmap::StaticClass(), ImageBmpBytes(40, 30, 0xCC0000, 0x0000CC), 40, 30, {5, 5}, 0xCC0000, 0},
      {"bitmap right half", TBitmap::StaticClass(), ImageBmpBytes(40, 30, 0xCC0000, 0x0000CC), 40, 30, {35, 5},
       0x0000CC, 0},
      {"jpeg", TJPEGImage::StaticClass(), ImageJpegBytes(32, 24, 0x20A040), 32, 24, {16, 12}, 0x20A040, 12},
      {"png", TPngImage::StaticClass(), ImagePngBytes(30, 20, 0x8040C0), 30, 20, {15, 10}, 0x8040C0, 0},
      {"gif", TGIFImage::StaticClass(), String(reinterpret_cast<const char*>(kImageGif2x2), sizeof kImageGif2x2),
       2, 2, {1, 0}, 0xFF0000, 0},
      {"icon", TIcon::StaticClass(), ImageIconBytes(0xFF3060A0u), 16, 16, {8, 8}, 0x3060A0, 0},
  };
  Image->Properties()->SetCenter(false);
  for (const Case& c : cases) {
    Image->Properties()->SetGraphicClass(c.cls);
    Image->SetEditValue(Variant(c.bytes));
    ASSERT_NE(Image->Picture()->Graphic(), nullptr) << c.name;
    EXPECT_EQ(Image->Picture()->Graphic()->ClassType(), c.cls) << c.name;
    EXPECT_EQ(Image->Picture()->Width(), c.w) << c.name;
    EXPECT_EQ(Image->Picture()->Height(), c.h) << c.name;
    EXPECT_FALSE(Image->Modified()) << c.name;
    // The value read back is the graphic's own stream, which loads to the same picture.
    Variant back = Image->EditValue();
    ASSERT_TRUE(VarIsStr(back)) << c.name;
    TPicture* again = New<TPicture>();
    LoadPictureFromValue(again, c.cls, back);
    EXPECT_EQ(again->Width(), c.w) << c.name;
    again->Free();

    Repaint();
    RECT cr = Client();
    uint32_t seen = Pixel(cr.left + c.probe.x, cr.top + c.probe.y);
    EXPECT_TRUE(ImageNear(seen, c.colour, c.tolerance)) << c.name << std::hex << " seen " << seen;
    // Outside the picture the editor's background shows.
    EXPECT_EQ(Pixel(cr.right - 3, cr.bottom - 3), ImageRgb(clWindow)) << c.name;
  }
}

TEST_F(ImageTest, WithoutGraphicClassValuesAreReadAsBitmaps) {
  Image->Properties()->SetGraphicClassName("");
  EXPECT_EQ(Image->Properties()->GraphicClass(), nullptr);
  Image->SetEditValue(Variant(ImageBmpBytes(6, 4, 0x010203, 0x010203)));
  ASSERT_NE(dynamic_cast<TBitmap*>(Image->Picture()->Graphic()), nullptr);
  EXPECT_EQ(Image->Picture()->Width(), 6);
  // The editor's event may choose a class.
  Image->OnGetGraphicClass = TcxImageEditGraphicClassEvent([&](TObject* Sender, bool APasting, TGraphicClass& AClass) {
    EXPECT_EQ(Sender, Image);
    EXPECT_FALSE(APasting);
    AClass = TPngImage::StaticClass();
  });
  Image->SetEditValue(Variant(ImagePngBytes(3, 2, 0x00FF00)));
  EXPECT_NE(dynamic_cast<TPngImage*>(Image->Picture()->Graphic()), nullptr);
  // In place, the properties' event hears the grid item and the record.
  TcxImage* cell = TcxCustomEdit::CreateInplace<TcxImage>(Form);
  cell->Properties()->SetGraphicClassName("");
  TObject* item = Form;
  std::vector<int32_t> records;
  cell->Properties()->OnGetGraphicClass =
      TcxImageGraphicClassEvent([&](TObject* AItem, int32_t ARecord, bool, TGraphicClass& AClass) {
        EXPECT_EQ(AItem, item);
        records.push_back(ARecord);
        AClass = TGIFImage::StaticClass();
      });
  cell->SetInplaceParams(item, 7);
  cell->SetEditValue(Variant(String(reinterpret_cast<const char*>(kImageGif2x2), sizeof kImageGif2x2)));
  EXPECT_NE(dynamic_cast<TGIFImage*>(cell->Picture()->Graphic()), nullptr);
  EXPECT_EQ(records, std::vector<int32_t>{7});
  cell->Free();
}

TEST_F(ImageTest, StretchAndCenterPaintTheFittedRectangle) {
  Image->Properties()->SetStretch(true);
  Image->Properties()->SetCenter(true);
  Image->Properties()->SetShowFocusRect(false);
  Image->SetEditValue(Variant(ImageBmpBytes(20, 10, 0x00AA00, 0x00AA00)));
  Repaint();
  RECT cr = Client();
  RECT t = Image->ImageViewInfo()->PictureRect(cr);
  int cw = cr.right - cr.left, ch = cr.bottom - cr.top;
  // The small picture is enlarged to touch the sides on one axis and centred on the other.
  EXPECT_EQ(t.right - t.left, cw);
  EXPECT_EQ(t.bottom - t.top, cw * 10 / 20);
  EXPECT_EQ(t.top - cr.top, (ch - (t.bottom - t.top)) / 2);
  EXPECT_EQ(Pixel((t.left + t.right) / 2, (t.top + t.bottom) / 2), 0x00AA00u);
  EXPECT_EQ(Pixel(t.left + 1, t.top + 1), 0x00AA00u);
  EXPECT_EQ(Pixel(cr.left + 2, t.top - 2), ImageRgb(clWindow));
  EXPECT_EQ(Pixel(cr.left + 2, t.bottom + 1), ImageRgb(clWindow));
}

// ---- in place, transparency, immediate post, auto size ----------------------------------------------------

TEST_F(ImageTest, InplacePaintLoadsTheValueIntoAPictureOfItsOwn) {
  TcxImageProperties* props = New<TcxImageProperties>(nullptr);
  props->SetCenter(true);
  TcxEditStyle* style = New<TcxEditStyle>(nullptr, false, cssNormal, nullptr);
  style->SetBorderStyle(cbsNone);
  style->SetColor(clWindow);
  TBitmap* target = New<TBitmap>();
  target->SetSize(60, 40);
  TcxCanvas* canvas = New<TcxCanvas>(target->Canvas());
  auto* vi = static_cast<TcxImageViewInfo*>(CreateAs<TcxCustomEditViewInfo>(props->GetViewInfoClass()));
  auto* vd = static_cast<TcxImageViewData*>(props->CreateViewData(style, true));
  vd->SetDrawTextFromValue(canvas, Variant(ImageBmpBytes(10, 6, 0xC00000, 0x0000C0)), vi);
  ASSERT_NE(vi->Picture, nullptr);
  EXPECT_TRUE(vi->FreePicture);
  vd->CalculateEditRects(canvas, RECT{0, 0, 60, 40}, false, vi, TShiftState{}, mbLeft, POINT{-1, -1});
  vi->Draw(canvas);
  // Centred: (25, 17)-(35, 23), red on the left half, blue on the right.
  EXPECT_EQ(target->ScanLine(18)[26] & 0xFFFFFF, 0xC00000u);
  EXPECT_EQ(target->ScanLine(18)[34] & 0xFFFFFF, 0x0000C0u);
  EXPECT_EQ(target->ScanLine(2)[2] & 0xFFFFFF, ImageRgb(clWindow));
  // A value that is no string empties the picture: the caption shows instead.
  vd->SetDrawTextFromValue(canvas, Null(), vi);
  EXPECT_EQ(vi->Picture->Graphic(), nullptr);
  vd->Free();
  vi->Free();
  canvas->Free();
  target->Free();
  style->Free();
  props->Free();
}

TEST_F(ImageTest, GraphicTransparencyForcesTheFlagAndTransparentPicturesShowTheBackground) {
  // A bitmap whose bottom-left colour (fuchsia) is its transparent colour.
  TBitmap* bmp = ImageMakeBitmap(20, 20, 0xFF00FF, 0xFF00FF);
  for (int y = 5; y < 15; ++y)
    for (int x = 5; x < 15; ++x) bmp->ScanLine(y)[x] = 0x0000FF;
  String bytes = ImageSaved(bmp);
  bmp->Free();
  Image->Properties()->SetCenter(false);
  Image->Properties()->SetShowFocusRect(false);
  struct Case {
    TcxImageTransparency mode;
    bool transparent;
    uint32_t corner;
  };
  const Case cases[] = {{gtTransparent, true, ImageRgb(clWindow)}, {gtOpaque, false, 0xFF00FFu}};
  for (const Case& c : cases) {
    Image->Properties()->SetGraphicTransparency(c.mode);
    Image->SetEditValue(Variant(bytes));
    ASSERT_NE(Image->Picture()->Graphic(), nullptr);
    EXPECT_EQ(Image->Picture()->Graphic()->Transparent(), c.transparent);
    EXPECT_FALSE(Image->Modified());
    Repaint();
    RECT cr = Client();
    EXPECT_EQ(Pixel(cr.left + 1, cr.top + 1), c.corner) << int(c.mode);
    EXPECT_EQ(Pixel(cr.left + 10, cr.top + 10), 0x0000FFu) << int(c.mode);
  }
}

TEST_F(ImageTest, ImmediatePostPostsEveryUserChange) {
  TcxImage* cell = TcxCustomEdit::CreateInplace<TcxImage>(Form);
  cell->SetParent(Form);
  cell->Properties()->SetImmediatePost(true);
  int posts = 0;
  cell->OnPostEditValue = TNotifyEvent([&](TObject*) { ++posts; });
  cell->SetEditValue(Variant(ImageBmpBytes(4, 4, 1, 1)));
  EXPECT_EQ(posts, 0);  // loading the value is no change of the user's
  cell->DoMenuItemAction(3);  // Delete
  EXPECT_EQ(cell->Picture()->Graphic(), nullptr);
  EXPECT_EQ(posts, 1);
  cell->Free();
}

TEST_F(ImageTest, AutoSizeTakesThePictureSize) {
  EXPECT_FALSE(Image->AutoSize());
  EXPECT_EQ(Image->Width(), 140);
  EXPECT_EQ(Image->Height(), 100);
  Image->SetEditValue(Variant(ImageBmpBytes(50, 30, 1, 1)));
  Image->SetAutoSize(true);
  Idle();
  RECT cr = Client();
  EXPECT_EQ(cr.right - cr.left, 50);
  EXPECT_EQ(cr.bottom - cr.top, 30);
  EXPECT_FALSE(Image->HScrollBar()->Visible());
}

// ---- zero-size and damaged pictures ------------------------------------------------------------------------

TEST_F(ImageTest, ZeroSizePictureIsShownAsEmptyWithoutDividing) {
  Image->Properties()->SetStretch(true);
  Image->Properties()->SetCaption("Нет");
  TBitmap* zero = New<TBitmap>();
  zero->SetSize(0, 25);
  Image->Picture()->SetGraphic(zero);
  zero->Free();
  Repaint();
  EXPECT_TRUE(VarIsNull(Image->EditValue()));
  EXPECT_TRUE(Image->ImageViewInfo()->PaintsText());
  // The in-place measure of a stretched zero-width picture keeps its measured size.
  TcxImageProperties* props = New<TcxImageProperties>(nullptr);
  props->SetStretch(true);
  TcxCustomEditViewData* vd = props->CreateViewData(Image->Style(), true);
  SIZE size{};
  TcxEditSizeProperties request;
  request.Width = 100;
  String bytes;
  {
    TBitmap* b = New<TBitmap>();
    b->SetSize(0, 0);
    bytes = ImageSaved(b);
    b->Free();
  }
  vd->MeasureContentPart(nullptr, Variant(bytes), size, request);
  EXPECT_EQ(size.cx, 0);
  vd->Free();
  props->Free();
}

TEST_F(ImageTest, InplaceStretchedMeasureKeepsTheAspect) {
  TcxImageProperties* props = New<TcxImageProperties>(nullptr);
  props->SetStretch(true);
  TcxCustomEditViewData* vd = props->CreateViewData(Image->Style(), true);
  SIZE size{};
  TcxEditSizeProperties request;
  request.Width = 100;
  vd->MeasureContentPart(nullptr, Variant(ImageBmpBytes(200, 50, 1, 1)), size, request);
  EXPECT_EQ(size.cx, 100);
  EXPECT_EQ(size.cy, 25);
  vd->MeasureContentPart(nullptr, Null(), size, request);
  EXPECT_EQ(size.cy, 15);  // the default content height
  vd->Free();
  props->Free();
}

TEST_F(ImageTest, DamagedValuesNeverCrashTheDecodePath) {
  struct Case {
    TGraphicClass cls;
    String bytes;
  };
  const Case cases[] = {
      {TBitmap::StaticClass(), ImageBmpBytes(8, 6, 0x102030, 0x405060)},
      {TJPEGImage::StaticClass(), ImageJpegBytes(16, 16, 0x336699)},
      {TPngImage::StaticClass(), ImagePngBytes(5, 4, 0x996633)},
      {TGIFImage::StaticClass(), String(reinterpret_cast<const char*>(kImageGif2x2), sizeof kImageGif2x2)},
      {TIcon::StaticClass(), ImageIconBytes(0xFF00FF00u)},
      {nullptr, ImageBmpBytes(8, 6, 0x102030, 0x405060)},
  };
  for (const Case& c : cases) {
    TPicture* picture = New<TPicture>();
    TBitmap* canvas = New<TBitmap>();
    canvas->SetSize(20, 20);
    mutation::Limits limits;
    limits.Inputs = 600;
    mutation::Run(
        c.bytes,
        [&](const std::string& damaged) {
          if (TryLoadPictureFromValue(picture, c.cls, Variant(String(damaged)))) {
            // What loads also draws.
            if (picture->Graphic()) canvas->Canvas()->StretchDraw(RECT{0, 0, 20, 20}, picture->Graphic());
          } else {
            EXPECT_EQ(picture->Graphic(), nullptr);
          }
        },
        limits);
    canvas->Free();
    picture->Free();
  }
}

TEST_F(ImageTest, UndecodableValueShowsEmptyAndIsNotWrittenBack) {
  // In place, a post goes to the host: what it receives is what would be stored.
  TcxImage* cell = TcxCustomEdit::CreateInplace<TcxImage>(Form);
  cell->SetBounds(160, 10, 100, 80);
  cell->SetParent(Form);
  std::vector<Variant> posted;
  cell->OnPostEditValue = TNotifyEvent([&](TObject*) { posted.push_back(cell->EditValue()); });
  String garbage = "not a picture at all, but stored bytes";
  String truncated = ImageBmpBytes(8, 8, 1, 2).substr(0, 60);
  for (const String& bytes : {garbage, truncated}) {
    posted.clear();
    cell->SetEditValue(Variant(bytes));
    EXPECT_EQ(cell->Picture()->Graphic(), nullptr);
    EXPECT_TRUE(cell->HoldsUndecodableValue());
    EXPECT_FALSE(cell->Modified());
    cell->PostEditValue(true);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(VarToStr(posted[0]), bytes);  // the stored bytes come back unchanged, not Null
  }
  // A value of another type is no picture either, and is kept alike.
  posted.clear();
  cell->SetEditValue(Variant(int32_t(42)));
  EXPECT_EQ(cell->Picture()->Graphic(), nullptr);
  cell->PostEditValue(false);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(VarToStr(posted[0]), "42");
  // A change by the user replaces them.
  posted.clear();
  TBitmap* bmp = ImageMakeBitmap(3, 3, 0x123456, 0x123456);
  cell->Picture()->SetGraphic(bmp);
  bmp->Free();
  EXPECT_FALSE(cell->HoldsUndecodableValue());
  cell->PostEditValue(false);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(VarToStr(posted[0]).substr(0, 2), "BM");
  // Deleting it stores Null.
  posted.clear();
  cell->SetEditValue(Variant(garbage));
  cell->ClearEditValue();
  cell->PostEditValue(false);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_TRUE(VarIsNull(posted[0]));
  cell->Free();
  // Painted, the undecodable value is an empty editor.
  Image->SetEditValue(Variant(garbage));
  Repaint();
  RECT cr = Client();
  EXPECT_EQ(Pixel((cr.left + cr.right) / 2, (cr.top + cr.bottom) / 2), ImageRgb(clWindow));
}

// ---- clipboard ---------------------------------------------------------------------------------------------

TEST_F(ImageTest, CopyCutAndPasteThroughTheClipboard) {
  Image->SetEditValue(Variant(ImageBmpBytes(12, 8, 0xAA0000, 0x00AA00)));
  Focus();
  Chord({VK_CONTROL}, 'C');
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));

  TcxImage* second = New<TcxImage>(Form);
  second->SetBounds(160, 10, 140, 100);
  second->SetParent(Form);
  second->SetFocus();
  Idle();
  Chord({VK_SHIFT}, VK_INSERT);
  ASSERT_NE(dynamic_cast<TBitmap*>(second->Picture()->Graphic()), nullptr);
  EXPECT_EQ(second->Picture()->Width(), 12);
  EXPECT_EQ(second->Picture()->Bitmap()->ScanLine(0)[0], 0xAA0000u);
  EXPECT_EQ(second->Picture()->Bitmap()->ScanLine(0)[11], 0x00AA00u);
  EXPECT_TRUE(second->ModifiedAfterEnter());

  // With the JPEG class a pasted bitmap becomes a JPEG picture.
  second->Properties()->SetGraphicClass(TJPEGImage::StaticClass());
  second->PasteFromClipboard();
  EXPECT_NE(dynamic_cast<TJPEGImage*>(second->Picture()->Graphic()), nullptr);
  EXPECT_EQ(String(VarToStr(second->EditValue())).substr(0, 2), String("\xFF\xD8"));
  // Icons never paste.
  second->Properties()->SetGraphicClass(TIcon::StaticClass());
  EXPECT_FALSE(second->CanPasteFromClipboard());

  // Cut: copied and emptied.
  Clipboard()->Clear();
  Image->SetFocus();
  Idle();
  Chord({VK_SHIFT}, VK_DELETE);
  EXPECT_EQ(Image->Picture()->Graphic(), nullptr);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_TRUE(VarIsNull(Image->EditValue()));
  // Ctrl+V brings it back.
  Chord({VK_CONTROL}, 'V');
  EXPECT_EQ(Image->Picture()->Width(), 12);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(ImageTest, PictureFormatSurvivesTheClipboardWithoutAGraphicClass) {
  Image->Properties()->SetGraphicClass(TPngImage::StaticClass());
  Image->SetEditValue(Variant(ImagePngBytes(7, 5, 0x00FF00)));
  Image->CopyToClipboard();
  EXPECT_TRUE(Clipboard()->HasFormat(CF_PICTURE()));
  TcxImage* second = New<TcxImage>(Form);
  second->Properties()->SetGraphicClassName("");
  EXPECT_TRUE(second->CanPasteFromClipboard());
  second->PasteFromClipboard();
  // The clipboard holds a bitmap too, so the bitmap is what a class-less editor takes.
  ASSERT_NE(second->Picture()->Graphic(), nullptr);
  EXPECT_EQ(second->Picture()->Width(), 7);
  // An editor with a class outside the four asks for its own format.
  second->Properties()->SetGraphicClass(TGIFImage::StaticClass());
  EXPECT_EQ(second->CanPasteFromClipboard(), Clipboard()->HasFormat(second->ClipboardFormat()));
  second->Free();
}

// ---- file dialogs ----------------------------------------------------------------------------------------

class ImageDialogTest : public ImageTest {
protected:
  void SetUp() override {
    ImageTest::SetUp();
    char tmpl[] = "/tmp/image-test-XXXXXX";
    Dir = mkdtemp(tmpl);
    SavedCwd = GetCurrentDir();
  }
  void TearDown() override {
    // The dialogs change into the folders they show.
    SetCurrentDir(SavedCwd);
    std::system(("rm -rf '" + Dir + "'").c_str());
    ImageTest::TearDown();
  }
  static HWND Ctl(int id) { return headless::FindChildById(headless::ActiveWindow(), id); }
  static void TypeName(const String& name) {
    headless::WhenIdle([name] {
      headless::TypeInto(Ctl(idDlgFileName), name.c_str());
      headless::KeyPress(VK_RETURN);
    });
  }
  void Write(const String& name, const String& bytes) {
    TFileStream* f = New<TFileStream>(Dir + "/" + name, fmCreate);
    f->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    f->Free();
  }
  String Dir;
  String SavedCwd;
};

TEST_F(ImageDialogTest, SaveAsAndLoadThroughThePictureDialogs) {
  Image->SetEditValue(Variant(ImageBmpBytes(9, 7, 0x445566, 0x778899)));
  String before = VarToStr(Image->EditValue());
  bool focusedWhileOpen = false;
  headless::WhenIdle([&] {
    focusedWhileOpen = Image->Focused();
    headless::TypeInto(Ctl(idDlgFileName), (Dir + "/copy").c_str());
    headless::KeyPress(VK_RETURN);
  });
  Image->DoMenuItemAction(5);
  EXPECT_TRUE(focusedWhileOpen);
  ASSERT_TRUE(FileExists(Dir + "/copy.bmp"));  // the graphic's own extension is the default

  TcxImage* second = New<TcxImage>(Form);
  second->SetParent(Form);
  TypeName(Dir + "/copy.bmp");
  second->DoMenuItemAction(4);
  EXPECT_EQ(VarToStr(second->EditValue()), before);
  EXPECT_TRUE(second->ModifiedAfterEnter());
  // Cancelling changes nothing.
  headless::WhenIdle([] { headless::KeyPress(VK_ESCAPE); });
  second->DoMenuItemAction(4);
  EXPECT_EQ(VarToStr(second->EditValue()), before);
  second->Free();
}

TEST_F(ImageDialogTest, DamagedFileIsRefusedAndTheValueLeftAlone) {
  String good = ImageBmpBytes(5, 5, 0x111111, 0x222222);
  Write("cut.bmp", good.substr(0, good.size() - 30));
  Write("liar.png", String("\x89PNG\r\n\x1a\n") + String(40, '\x07'));
  Image->SetEditValue(Variant(good));
  for (const char* name : {"cut.bmp", "liar.png"}) {
    TypeName(Dir + "/" + name);
    try {
      Image->DoMenuItemAction(4);
      ADD_FAILURE() << name << " was accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_FALSE(e.Message().empty()) << name;
    }
    EXPECT_EQ(VarToStr(Image->EditValue()), good) << name;
    EXPECT_FALSE(Image->KeyboardAction());
  }
}

TEST_F(ImageDialogTest, DialogFilterFollowsTheCustomFilterOrTheClass) {
  String filter;
  headless::WhenIdle([&] {
    char buf[256] = {};
    SendMessage(Ctl(idDlgFilterCombo), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buf));
    filter = buf;
    headless::KeyPress(VK_ESCAPE);
  });
  Image->Properties()->SetGraphicClass(TIcon::StaticClass());
  Image->LoadFromFile();
  EXPECT_EQ(filter, "Icons (*.ico)");
  Image->Properties()->SetCustomFilter("Картинки|*.bmp");
  headless::WhenIdle([&] {
    char buf[256] = {};
    SendMessage(Ctl(idDlgFilterCombo), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buf));
    filter = buf;
    headless::KeyPress(VK_ESCAPE);
  });
  Image->LoadFromFile();
  EXPECT_EQ(filter, "Картинки");
}

// ---- the built-in context menu ----------------------------------------------------------------------------

TEST_F(ImageTest, PopupMenuItemStatesTable) {
  struct Case {
    const char* name;
    bool picture, readOnly, icon, clipboardBitmap;
    std::array<bool, 7> enabled;  // cut, copy, paste, delete, load, save, custom
  };
  const Case cases[] = {
      {"empty", false, false, false, false, {false, false, false, false, true, false, true}},
      {"empty, bitmap on clipboard", false, false, false, true, {false, false, true, false, true, false, true}},
      {"picture", true, false, false, true, {true, true, true, true, true, true, true}},
      {"picture, read-only", true, true, false, true, {false, true, false, false, false, true, true}},
      {"picture, icon class", true, false, true, true, {false, false, false, true, true, true, true}},
  };
  static const int kIndex[] = {0, 1, 2, 3, 5, 6, 8};
  for (const Case& c : cases) {
    Clipboard()->Clear();
    if (c.clipboardBitmap) {
      TBitmap* b = ImageMakeBitmap(2, 2, 1, 1);
      Clipboard()->Assign(b);
      b->Free();
    }
    Image->Properties()->SetGraphicClass(c.icon ? TIcon::StaticClass() : TBitmap::StaticClass());
    Image->Properties()->SetReadOnly(c.readOnly);
    Image->SetEditValue(c.picture ? Variant(c.icon ? ImageIconBytes(0xFF102030u) : ImageBmpBytes(4, 4, 1, 1))
                                  : Null());
    Image->UpdateEditPopupMenu();
    TMenuItem* items = Image->EditPopupMenu()->Items();
    ASSERT_EQ(items->Count(), 9);
    for (int i = 0; i < 7; ++i)
      EXPECT_EQ(items->Items(kIndex[i])->Enabled(), c.enabled[i]) << c.name << " item " << kIndex[i];
  }
  TMenuItem* items = Image->EditPopupMenu()->Items();
  EXPECT_EQ(items->Items(0)->Caption(), "Вырезать");
  EXPECT_EQ(items->Items(6)->Caption(), "Сохранить как...");
  EXPECT_EQ(items->Items(5)->ImageIndex(), 4);
  EXPECT_EQ(Image->EditPopupMenu()->Images()->Count(), 6);
}

TEST_F(ImageTest, PopupMenuVisibilityAndSeparators) {
  struct Case {
    TcxPopupMenuItems shown;
    std::array<bool, 9> visible;
  };
  const Case cases[] = {
      {{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave}, {1, 1, 1, 1, 1, 1, 1, 0, 0}},
      {{pmiCopy, pmiSave}, {0, 1, 0, 0, 1, 0, 1, 0, 0}},
      {{pmiCut, pmiCustom}, {1, 0, 0, 0, 0, 0, 0, 1, 1}},
      {{pmiLoad}, {0, 0, 0, 0, 1, 1, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Image->Properties()->PopupMenuLayout()->SetMenuItems(c.shown);
    Image->Properties()->PopupMenuLayout()->SetCustomMenuItemCaption("Своё");
    Image->UpdateEditPopupMenu();
    TMenuItem* items = Image->EditPopupMenu()->Items();
    for (int i = 0; i < 9; ++i) EXPECT_EQ(items->Items(i)->Visible(), c.visible[i]) << "item " << i;
    EXPECT_EQ(items->Items(8)->Caption(), "Своё");
  }
  // A custom glyph joins the menu's pictures after the six built-in ones.
  EXPECT_EQ(Image->EditPopupMenu()->Items()->Items(8)->ImageIndex(), -1);
  TBitmap* glyph = ImageMakeBitmap(16, 16, 0x00FF00, 0x0000FF);
  Image->Properties()->PopupMenuLayout()->SetCustomMenuItemGlyph(glyph);
  glyph->Free();
  Image->UpdateEditPopupMenu();
  EXPECT_EQ(Image->EditPopupMenu()->Items()->Items(8)->ImageIndex(), 6);
  EXPECT_EQ(Image->EditPopupMenu()->Images()->Count(), 7);
  Image->Properties()->PopupMenuLayout()->SetCustomMenuItemGlyph(nullptr);
  EXPECT_FALSE(Image->Properties()->PopupMenuLayout()->HasCustomMenuItemGlyph());
  Image->UpdateEditPopupMenu();
  EXPECT_EQ(Image->EditPopupMenu()->Images()->Count(), 6);
  // The pictures' backgrounds are masked out: drawn on white, the corner stays white.
  TBitmap* onWhite = ImageMakeBitmap(16, 16, 0xFFFFFF, 0xFFFFFF);
  Image->EditPopupMenu()->Images()->Draw(onWhite->Canvas(), 0, 0, 3);
  EXPECT_EQ(onWhite->ScanLine(0)[0] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(onWhite->ScanLine(8)[8] & 0xFFFFFF, 0xFF0000u);  // the red cross of Delete
  onWhite->Free();
}

TEST_F(ImageTest, KeyboardMenuOpensAtTenTenAndTheCustomItemClicks) {
  int custom = 0;
  Image->Properties()->OnCustomClick = TNotifyEvent([&](TObject* Sender) {
    EXPECT_EQ(Sender, Image);
    ++custom;
  });
  Image->Properties()->PopupMenuLayout()->SetMenuItems(TcxPopupMenuItems{pmiCopy, pmiCustom});
  POINT at{};
  headless::WhenIdle([&] {
    at = TPopupMenu::ActivePopup() ? TPopupMenu::ActivePopup()->PopupPoint() : POINT{-5, -5};
    headless::KeyPress(VK_ESCAPE);
  });
  // The menu key: a context menu request without a pointer position.
  SendMessage(Image->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Image->Handle()), MAKELPARAM(-1, -1));
  POINT expected = Image->ClientToScreen(POINT{10, 10});
  EXPECT_EQ(at.x, expected.x);
  EXPECT_EQ(at.y, expected.y);
  Image->EditPopupMenu()->Items()->Items(8)->Click();
  EXPECT_EQ(custom, 1);

  // With no items, or a menu of the editor's own, the built-in menu stays shut.
  Image->Properties()->PopupMenuLayout()->SetMenuItems(TcxPopupMenuItems{});
  bool opened = false;
  headless::WhenIdle([&] {
    opened = TPopupMenu::ActivePopup() != nullptr;
    if (opened) headless::KeyPress(VK_ESCAPE);
  });
  SendMessage(Image->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Image->Handle()), MAKELPARAM(-1, -1));
  Idle();
  EXPECT_FALSE(opened);
}

// ---- properties ------------------------------------------------------------------------------------------

TEST_F(ImageTest, GraphicClassNameAndItsFormMark) {
  TcxImageProperties* p = Image->Properties();
  EXPECT_EQ(p->GraphicClassName(), "TBitmap");
  p->SetGraphicClassName("tjpegimage");
  EXPECT_EQ(p->GraphicClass(), TJPEGImage::StaticClass());
  p->SetGraphicClassName("TWhatever");
  EXPECT_EQ(p->GraphicClass(), TJPEGImage::StaticClass());
  p->SetGraphicClassName("");
  EXPECT_EQ(p->GraphicClass(), nullptr);
  Image->SetName("Image1");
  String text = ComponentToText(Image);
  EXPECT_NE(text.find("IsGraphicClassNameEmpty = True"), String::npos) << text;
  p->SetGraphicClassName("TBitmap");
  EXPECT_EQ(ComponentToText(Image).find("IsGraphicClassNameEmpty"), String::npos);

  TcxImageProperties* copy = New<TcxImageProperties>(nullptr);
  p->SetCaption("пусто");
  p->SetStretch(true);
  p->SetGraphicTransparency(gtOpaque);
  p->PopupMenuLayout()->SetMenuItems(TcxPopupMenuItems{pmiSave});
  copy->Assign(p);
  EXPECT_EQ(copy->Caption(), "пусто");
  EXPECT_TRUE(copy->Stretch());
  EXPECT_EQ(copy->GraphicTransparency(), gtOpaque);
  EXPECT_EQ(copy->PopupMenuLayout()->MenuItems(), TcxPopupMenuItems{pmiSave});
  EXPECT_EQ(copy->GetDisplayText(Null()), WideString());
  EXPECT_EQ(copy->GetDisplayText(Variant(String("x"))), WideString(u"пусто"));
  copy->Free();
}

// ---- scrolling -----------------------------------------------------------------------------------------------

TEST_F(ImageTest, LargePictureScrollsByEightAndResetsOnChange) {
  Image->Properties()->SetCenter(false);
  Image->SetEditValue(Variant(ImageBmpBytes(300, 200, 0x404040, 0x808080)));
  Idle();
  TcxControlScrollBar* h = Image->HScrollBar();
  TcxControlScrollBar* v = Image->VScrollBar();
  ASSERT_TRUE(h && v);
  EXPECT_TRUE(h->Visible());
  EXPECT_TRUE(v->Visible());
  EXPECT_EQ(h->Max(), 299);
  EXPECT_EQ(v->Max(), 199);
  int32_t pos = h->Position();
  Image->Scroll(sbHorizontal, scLineDown, pos);
  EXPECT_EQ(pos, 8);
  EXPECT_EQ(Image->ImageViewInfo()->TopLeft.x, 8);
  pos = 10000;
  Image->Scroll(sbHorizontal, scPosition, pos);
  EXPECT_EQ(pos, 300 - h->PageSize());
  pos = h->Position();
  Image->Scroll(sbHorizontal, scLineUp, pos);
  EXPECT_EQ(pos, 300 - h->PageSize() - 8);
  // Any picture change returns both bars to 0.
  TBitmap* other = ImageMakeBitmap(310, 210, 1, 1);
  Image->Picture()->SetGraphic(other);
  other->Free();
  Idle();
  EXPECT_EQ(h->Position(), 0);
  EXPECT_EQ(Image->ImageViewInfo()->TopLeft.x, 0);
  // Centred pictures have no bars.
  Image->Properties()->SetCenter(true);
  Idle();
  EXPECT_FALSE(h->Visible());
}

// ---- validation ----------------------------------------------------------------------------------------------

TEST_F(ImageTest, ValidationFiresAssignPictureAndNeverFails) {
  int assigned = 0;
  Image->Properties()->OnAssignPicture = TcxImageAssignPictureEvent([&](TObject* Sender, TPicture* P) {
    EXPECT_EQ(Sender, Image);
    EXPECT_EQ(P, Image->Picture());
    ++assigned;
  });
  Image->SetEditValue(Variant(ImageBmpBytes(4, 4, 1, 1)));
  Focus();
  Chord({VK_SHIFT}, VK_DELETE);
  EXPECT_TRUE(Image->ModifiedAfterEnter());
  EXPECT_TRUE(Image->DoValidateEdit(true));
  EXPECT_EQ(assigned, 1);
  EXPECT_TRUE(Image->ModifiedAfterEnter());
  EXPECT_TRUE(Errors.empty());
}

// ---- a picture of the editor -------------------------------------------------------------------------------

TEST_F(ImageTest, PictureOfTheEditor) {
  const char* dir = std::getenv("VORN_ARTIFACT_DIR");
#ifdef VORN_ARTIFACT_DIR
  if (!dir) dir = VORN_ARTIFACT_DIR;
#endif
  if (!dir) GTEST_SKIP();
  ForceDirectories(dir);
  // A picture with a gradient, a frame and a diagonal, so that scaling faults would show.
  TBitmap* bmp = New<TBitmap>();
  bmp->SetSize(160, 90);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 160; ++x) {
      uint32_t r = static_cast<uint32_t>(x * 255 / 159), g = static_cast<uint32_t>(y * 255 / 89);
      uint32_t c = (r << 16) | (g << 8) | 0x60;
      if (x == 0 || y == 0 || x == 159 || y == 89 || x * 90 / 160 == y) c = 0x000000;
      bmp->ScanLine(y)[x] = c;
    }
  Image->SetBounds(10, 10, 200, 150);
  Image->Properties()->SetStretch(true);
  Image->SetEditValue(Variant(ImageSaved(bmp)));
  Focus();
  Repaint();
  EXPECT_TRUE(headless::SavePng(Image->Handle(), (String(dir) + "/image-stretched.png").c_str()));
  // Unscaled and uncentred in a smaller editor: scroll bars, scrolled by two lines each way.
  Image->SetBounds(10, 10, 120, 80);
  Image->Properties()->SetStretch(false);
  Image->Properties()->SetCenter(false);
  Idle();
  int32_t pos = 16;
  Image->Scroll(sbHorizontal, scPosition, pos);
  pos = 16;
  Image->Scroll(sbVertical, scPosition, pos);
  Repaint();
  EXPECT_TRUE(headless::SavePng(Image->Handle(), (String(dir) + "/image-scrolled.png").c_str()));
  bmp->Free();
  // The built-in menu with its pictures, opened by the keyboard, on the screen.
  headless::WhenIdle([&] {
    EXPECT_TRUE(headless::SavePng(nullptr, (String(dir) + "/image-menu-screen.png").c_str()));
    headless::KeyPress(VK_ESCAPE);
  });
  SendMessage(Image->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Image->Handle()), MAKELPARAM(-1, -1));
  Idle();
  Image->Properties()->SetStretch(false);
  Image->Properties()->SetCaption("Нет картинки");
  Image->SetEditValue(Null());
  Repaint();
  EXPECT_TRUE(headless::SavePng(Image->Handle(), (String(dir) + "/image-empty-caption.png").c_str()));
}

}  // namespace image_test
