#include "ui/htmlabel/PictureContainer.h"

#include <memory>

#include "rtl/Files.h"
#include "rtl/Resources.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"

namespace {

uint8_t Byte(const String& s, size_t i) { return static_cast<uint8_t>(s[i]); }
int32_t Word16(const String& s, size_t i) { return Byte(s, i) | (Byte(s, i + 1) << 8); }

// A graphic control extension (0x21 0xF9 0x04) whose image descriptor (0x2C) follows 8 bytes on.
bool IsFrameStart(const String& s, size_t i) {
  return i + 8 < s.size() && Byte(s, i) == 0x21 && Byte(s, i + 1) == 0xF9 && Byte(s, i + 2) == 0x04 &&
         Byte(s, i + 8) == 0x2C;
}

// Reads the rest of a stream into a string; the length is checked against what the stream holds.
String ReadRest(TStream* stream) {
  const int64_t left = stream->Size() - stream->Position();
  if (left <= 0) return String();
  if (left > INT32_MAX) throw EHTMLPictureError("Could not load image");
  String data(static_cast<size_t>(left), '\0');
  stream->ReadBuffer(data.data(), static_cast<int32_t>(left));
  return data;
}

}  // namespace

// ---- THTMLPicture ------------------------------------------------------------------------------------

THTMLPicture::~THTMLPicture() { ReleasePicture(); }

void THTMLPicture::ReleasePicture() {
  if (FPicture) FPicture->Free();
  FPicture = nullptr;
}

TGraphic* THTMLPicture::Graphic() const { return FPicture ? FPicture->Graphic() : nullptr; }

void THTMLPicture::Assign(TPersistent* source) {
  FEmpty = true;
  ReleasePicture();
  FFrameCount = -1;
  FFrame = 1;
  if (!source) {
    FData.clear();
    return;
  }
  if (auto* p = dynamic_cast<THTMLPicture*>(source)) {
    FData = p->FData;
    if (!FData.empty()) {
      try {
        LoadPicture();
        FEmpty = false;
      } catch (const Exception&) {
        ReleasePicture();  // bytes that do not decode give an empty picture, as a failed file load does
      }
    }
    Changed();
    return;
  }
  inherited::Assign(source);
}

// Builds the stream the decoder reads (for a GIF: without the frames before the chosen one) and decodes it.
void THTMLPicture::LoadPicture() {
  ReleasePicture();
  FFrameXPos = FFrameYPos = FFrameXSize = FFrameYSize = 0;
  FLogicalWidth = FLogicalHeight = 0;
  String stream;
  if (HasGIFSignature() && FData.size() >= 10 && CountFrames() >= 1) {
    FLogicalWidth = Word16(FData, 6);
    FLogicalHeight = Word16(FData, 8);
    stream.reserve(FData.size());
    int32_t reached = 0;
    for (size_t i = 0; i < FData.size(); ++i) {
      if (IsFrameStart(FData, i)) {
        ++reached;
        if (reached == FFrame && i + 16 < FData.size()) {
          FFrameXPos = Word16(FData, i + 9);
          FFrameYPos = Word16(FData, i + 11);
          FFrameXSize = Word16(FData, i + 13);
          FFrameYSize = Word16(FData, i + 15);
        }
      }
      if (reached == 0 || reached >= FFrame) stream.push_back(FData[i]);
    }
  } else {
    stream = FData;
  }
  TStringStream in(std::move(stream));
  std::unique_ptr<TPicture, void (*)(TPicture*)> picture(New<TPicture>(), [](TPicture* p) { p->Free(); });
  try {
    picture->LoadFromStream(&in);
  } catch (const Exception&) {
    throw EHTMLPictureError("Could not load image. Invalid format");
  }
  if (!picture->Graphic()) throw EHTMLPictureError("Could not load image");
  FPicture = picture.release();
}

int32_t THTMLPicture::Width() const {
  TGraphic* g = Graphic();
  return g ? g->Width() : 0;
}

int32_t THTMLPicture::Height() const {
  TGraphic* g = Graphic();
  return g ? g->Height() : 0;
}

void THTMLPicture::Draw(TCanvas* canvas, const RECT& rect) {
  TGraphic* g = Graphic();
  if (FEmpty || !g) return;
  if (FStretch)
    canvas->StretchDraw(rect, g);
  else
    canvas->Draw(rect.left, rect.top, g);
}

void THTMLPicture::LoadFromFile(const String& fileName) {
  try {
    TMemoryStream file;
    file.LoadFromFile(fileName);
    file.SetPosition(0);
    FData = ReadRest(&file);
    FFrameCount = -1;  // a new file: its frames are counted anew
    FEmpty = false;
    LoadPicture();
    Changed();
  } catch (const Exception&) {
    FEmpty = true;
    ReleasePicture();
  }
}

void THTMLPicture::LoadFromStream(TStream* stream) {
  if (!stream) return;
  FData = ReadRest(stream);
  FFrameCount = -1;
  FEmpty = false;
  try {
    LoadPicture();
  } catch (...) {
    FEmpty = true;
    throw;
  }
  Changed();
}

void THTMLPicture::ReadData(TStream* stream) {
  if (!stream) return;
  FData = ReadRest(stream);
  FFrameCount = -1;
  FEmpty = false;
  try {
    LoadPicture();
  } catch (...) {
    FEmpty = true;
    throw;
  }
}

void THTMLPicture::SaveToStream(TStream* stream) {
  if (stream && !FData.empty()) stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void THTMLPicture::WriteData(TStream* stream) { SaveToStream(stream); }

void THTMLPicture::LoadFromResourceName(const String& name) {
  if (!FormResourceExists(name)) return;
  TStringStream s(FormResourceData(name));
  LoadFromStream(&s);
}

void THTMLPicture::LoadFromAddress(const String& url) {
  const String upper = UpperCase(url);
  if (upper.rfind("RES://", 0) == 0) {
    FID = url;
    const String rest = url.substr(6);
    if (!rest.empty()) LoadFromResourceName(rest);
    return;
  }
  if (upper.rfind("FILE://", 0) == 0) {
    FID = url;
    LoadFromFile(url.substr(7));
    return;
  }
  if (!FAsynch) {
    FRequestedAddress = url;
    FID = url;
    return;
  }
  // Other addresses would be downloaded; no download takes place, so the picture stays empty and the
  // first address is the one remembered.
  if (!FDownloading) {
    FRequestedAddress = url;
    FDownloading = true;
  }
}

bool THTMLPicture::HasGIFSignature() const { return FData.size() > 4 && FData.compare(0, 4, "GIF8") == 0; }

int32_t THTMLPicture::CountFrames() {
  if (FFrameCount >= 0) return FFrameCount;
  if (!HasGIFSignature()) return -1;
  int32_t n = 0;
  for (size_t i = 0; i < FData.size(); ++i)
    if (IsFrameStart(FData, i)) ++n;
  FFrameCount = n;
  return n;
}

int32_t THTMLPicture::GetFullWidth() const {
  if (!FPicture) return 0;
  return FLogicalWidth > 0 ? FLogicalWidth : Width();
}

int32_t THTMLPicture::GetFullHeight() const {
  if (!FPicture) return 0;
  return FLogicalHeight > 0 ? FLogicalHeight : Height();
}

void THTMLPicture::SetFrame(int32_t v) {
  FFrame = v;
  if (FData.empty()) return;
  LoadPicture();
  if (OnFrameChange) OnFrameChange(this);
}

// ---- THTMLPictureCache -------------------------------------------------------------------------------

THTMLPicture* THTMLPictureCache::NewPicture() {
  auto* p = New<THTMLPicture>();
  Add(p);
  return p;
}

THTMLPicture* THTMLPictureCache::LookUpPicture(const String& url) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (PictureAt(i)->ID() == url) return PictureAt(i);
  return nullptr;
}

void THTMLPictureCache::FreePictures() {
  for (int32_t i = 0; i < Count(); ++i) PictureAt(i)->Free();
  Clear();
}

// ---- TPictureItem, TPictureCollection, TPictureContainer -------------------------------------------------

TPictureItem::TPictureItem(TCollection* collection) : TCollectionItem(collection), FPicture(New<THTMLPicture>()) {}

TPictureItem::~TPictureItem() { FPicture->Free(); }

void TPictureItem::Assign(TPersistent* source) {
  if (auto* item = dynamic_cast<TPictureItem*>(source)) {
    FPicture->Assign(item->FPicture);
    FName = item->FName;
    FTag = item->FTag;
    return;
  }
  inherited::Assign(source);
}

TPictureCollection::TPictureCollection(TPictureContainer* owner)
    : TCollection(TPictureItem::StaticClass()), FOwner(owner) {}

TPersistent* TPictureCollection::GetOwner() { return FOwner; }

TPictureContainer::TPictureContainer(TComponent* AOwner)
    : TComponent(AOwner), FItems(New<TPictureCollection>(this)) {}

TPictureContainer::~TPictureContainer() { FItems->Free(); }

THTMLPicture* TPictureContainer::LookUpPicture(const String& name) const {
  for (int32_t i = 0; i < FItems->Count(); ++i)
    if (AnsiSameText(FItems->Items(i)->Name(), name)) return FItems->Items(i)->Picture();
  return nullptr;
}
