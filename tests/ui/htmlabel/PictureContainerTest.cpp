// Pictures: a crafted three-frame GIF shown frame by frame at its own offset, addresses with their schemes,
// damaged and foreign files, the cache and the container's look-up.

#include <cstdio>
#include <fstream>

#include "HTMLabelSupport.h"
#include "../../support/MutationLoop.h"
#include "../../support/ScratchFolder.h"
#include "rtl/Resources.h"
#include "rtl/Streams.h"
#include "ui/htmlabel/PictureContainer.h"

using namespace htmlabel_test;

namespace {

// LZW data of a w x h image of one palette index, with a minimum code size of 2: every two pixels follow
// a clear code, so that the code width stays 3 bits throughout.
std::string SolidLzw(int pixels, int index) {
  std::vector<int> codes;
  for (int i = 0; i < pixels; i += 2) {
    codes.push_back(4);  // clear
    codes.push_back(index);
    if (i + 1 < pixels) codes.push_back(index);
  }
  codes.push_back(5);  // end of information
  std::string bytes;
  uint32_t acc = 0;
  int bits = 0;
  for (int c : codes) {
    acc |= uint32_t(c) << bits;
    bits += 3;
    while (bits >= 8) {
      bytes.push_back(char(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) bytes.push_back(char(acc & 0xFF));
  std::string out(1, char(2));  // minimum code size
  for (size_t i = 0; i < bytes.size(); i += 255) {
    const std::string block = bytes.substr(i, 255);
    out.push_back(char(block.size()));
    out += block;
  }
  out.push_back(0);
  return out;
}

void Put16(std::string& s, int v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char((v >> 8) & 0xFF));
}

struct Frame {
  int Left, Top, W, H, Index;
};

// An 8x8 logical screen with a palette of white, red, green and blue, and one frame per entry.
std::string MakeGif(const std::vector<Frame>& frames) {
  std::string g = "GIF89a";
  Put16(g, 8);
  Put16(g, 8);
  g.push_back(char(0x81));  // global colour table of 4 entries
  g.push_back(0);
  g.push_back(0);
  const unsigned char palette[] = {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  g.append(reinterpret_cast<const char*>(palette), sizeof palette);
  for (const Frame& f : frames) {
    g += std::string("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);  // graphic control extension
    g.push_back(0x2C);
    Put16(g, f.Left);
    Put16(g, f.Top);
    Put16(g, f.W);
    Put16(g, f.H);
    g.push_back(0);
    g += SolidLzw(f.W * f.H, f.Index);
  }
  g.push_back(0x3B);
  return g;
}

const std::vector<Frame> kFrames = {{0, 0, 8, 8, 1}, {2, 2, 4, 4, 2}, {5, 6, 2, 2, 3}};

// A 2x2 bitmap file of one colour (24 bits per pixel).
std::string MakeBmp(uint8_t r, uint8_t g, uint8_t b) {
  Owned<TBitmap> bmp(New<TBitmap>());
  bmp->SetSize(2, 2);
  bmp->Canvas()->Brush()->SetColor(RGB(r, g, b));
  bmp->Canvas()->FillRect(RECT{0, 0, 2, 2});
  TStringStream s;
  bmp->SaveToStream(&s);
  return s.DataString();
}

class PictureTest : public EngineTest {};

}  // namespace

TEST_F(PictureTest, ThreeFrameGifShowsEachFrameAtItsOwnOffset) {
  const std::string gif = MakeGif(kFrames);
  Owned<THTMLPicture> pic(New<THTMLPicture>());
  TStringStream s(gif);
  pic->LoadFromStream(&s);
  ASSERT_FALSE(pic->Empty());
  EXPECT_EQ(pic->CountFrames(), 3);
  EXPECT_TRUE(pic->HasGIFSignature());

  struct Case {
    int Frame;
    int X, Y, W, H;
    uint32_t Color;
  };
  const Case cases[] = {
      {1, 0, 0, 8, 8, Rgb(255, 0, 0)},
      {2, 2, 2, 4, 4, Rgb(0, 255, 0)},
      {3, 5, 6, 2, 2, Rgb(0, 0, 255)},
  };
  Owned<TPictureContainer> container(New<TPictureContainer>(nullptr));
  TPictureItem* item = container->Items()->Add();
  item->SetName("ANIM");
  item->SetPicture(pic.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Frame);
    THTMLPicture* shown = container->LookUpPicture("anim");
    ASSERT_NE(shown, nullptr);
    shown->SetFrame(c.Frame);
    EXPECT_EQ(shown->FrameXPos(), c.X);
    EXPECT_EQ(shown->FrameYPos(), c.Y);
    EXPECT_EQ(shown->Width(), c.W);
    EXPECT_EQ(shown->Height(), c.H);
    EXPECT_EQ(shown->GetFullWidth(), 8);
    EXPECT_EQ(shown->GetFullHeight(), 8);
    // Drawn by the engine: the image takes the logical screen's room, the frame sits at its offset.
    Clear();
    THTMLRenderInput in = Input("<IMG src=\"anim\">", 20);
    in.Container = container.get();
    const auto out = Run(in);
    EXPECT_EQ(out.XSize, 8);
    const int top = out.YSize - 8;  // the image sits on the line's bottom
    EXPECT_EQ(Px(c.X, top + c.Y), c.Color);
    EXPECT_EQ(Px(c.X + c.W - 1, top + c.Y + c.H - 1), c.Color);
    if (c.Frame > 1) {
      EXPECT_EQ(Px(c.X - 1, top + c.Y), Rgb(255, 255, 255));
    }
  }
  // The bytes travel unchanged.
  TStringStream saved;
  pic->SaveToStream(&saved);
  EXPECT_EQ(saved.DataString(), gif);
}

TEST_F(PictureTest, ANewFileIsCountedAnew) {
  Owned<THTMLPicture> pic(New<THTMLPicture>());
  TStringStream one(MakeGif({{0, 0, 8, 8, 1}}));
  pic->LoadFromStream(&one);
  EXPECT_EQ(pic->CountFrames(), 1);
  TStringStream three(MakeGif(kFrames));
  pic->LoadFromStream(&three);
  EXPECT_EQ(pic->CountFrames(), 3);
  pic->SetFrame(2);
  EXPECT_EQ(pic->FrameXPos(), 2);
  EXPECT_EQ(pic->Width(), 4);
}

TEST_F(PictureTest, AFileThatIsNoImage) {
  scratch::Folder dir;
  const String path = dir.Path() + "/notes.gif";
  std::ofstream(path) << "these are notes, not a picture";
  Owned<THTMLPicture> pic(New<THTMLPicture>());
  pic->LoadFromFile(path);
  EXPECT_TRUE(pic->Empty());
  EXPECT_EQ(pic->Width(), 0);
  TStringStream s("these are notes, not a picture");
  try {
    pic->LoadFromStream(&s);
    FAIL() << "no error";
  } catch (const EHTMLPictureError& e) {
    EXPECT_STREQ(e.what(), "Could not load image. Invalid format");
  }
  EXPECT_TRUE(pic->Empty());
  // Metafiles are not among the decoders.
  TStringStream wmf(std::string("\xD7\xCD\xC6\x9A\x00\x00\x00\x00\x00\x00", 10) + std::string(40, '\0'));
  EXPECT_THROW(pic->LoadFromStream(&wmf), EHTMLPictureError);
}

TEST_F(PictureTest, AddressSchemes) {
  scratch::Folder dir;
  const String path = dir.Path() + "/pic.bmp";
  {
    std::ofstream f(path, std::ios::binary);
    f << MakeBmp(255, 0, 0);
  }
  RegisterFormResource("LOGO", MakeBmp(0, 0, 255));
  struct Case {
    String Url;
    bool Loaded;
  };
  const Case cases[] = {
      {"res://LOGO", true},  {"RES://LOGO", true},    {"Res://LOGO", true},     {"file://" + path, true},
      {"FILE://" + path, true}, {"res://NONE", false}, {"res://", false},       {"file:///no/such/file", false},
      {"http://example.org/a.gif", false},           {"ftp://example.org/a.gif", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Url);
    Owned<THTMLPicture> pic(New<THTMLPicture>());
    pic->LoadFromAddress(c.Url);
    EXPECT_EQ(!pic->Empty(), c.Loaded);
    if (c.Loaded) {
      EXPECT_EQ(pic->Width(), 2);
    }
  }
  UnregisterFormResource("LOGO");
}

TEST_F(PictureTest, CacheLoadsEachAddressOnceAndContainerIgnoresCase) {
  RegisterFormResource("LOGO", MakeBmp(0, 0, 255));
  THTMLPictureCache cache;
  THTMLRenderInput in = Input("<IMG src=\"res://LOGO\"><IMG src=\"http://example.org/x.png\">", 20);
  in.Cache = &cache;
  for (int i = 0; i < 3; ++i) Run(in);
  EXPECT_EQ(cache.Count(), 2);
  ASSERT_NE(cache.LookUpPicture("res://LOGO"), nullptr);
  EXPECT_FALSE(cache.LookUpPicture("res://LOGO")->Empty());
  EXPECT_EQ(cache.LookUpPicture("RES://LOGO"), nullptr);  // the cache compares addresses exactly
  EXPECT_EQ(Px(0, Lh - 1), Rgb(0, 0, 255));
  cache.FreePictures();
  EXPECT_EQ(cache.Count(), 0);

  Owned<TPictureContainer> container(New<TPictureContainer>(nullptr));
  TPictureItem* item = container->Items()->Add();
  item->SetName("LOGO");
  TStringStream s(MakeBmp(0, 255, 0));
  item->Picture()->LoadFromStream(&s);
  EXPECT_EQ(container->LookUpPicture("Logo"), item->Picture());
  EXPECT_EQ(container->LookUpPicture("Other"), nullptr);
  UnregisterFormResource("LOGO");
}

TEST_F(PictureTest, DamagedGifsAreRefusedInBoundedTime) {
  const std::string gif = MakeGif(kFrames);
  mutation::Run(gif, [](const std::string& input) {
    Owned<THTMLPicture> pic(New<THTMLPicture>());
    TStringStream s(input);
    pic->LoadFromStream(&s);
    pic->CountFrames();
    pic->SetFrame(3);
    pic->SetFrame(2);
  });
}
