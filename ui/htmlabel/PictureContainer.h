#pragma once
// Pictures that HTML texts show: a graphic that keeps the bytes of an image file unchanged and draws them
// through the platform's own decoders (bitmap, icon, JPEG, PNG, GIF; metafiles are not supported), one
// chosen frame of an animated GIF; the cache of pictures loaded by address; and the container component of
// named pictures that texts refer to by name.

#include <cstdint>

#include "forms/Graphics.h"
#include "rtl/Collections.h"
#include "rtl/Components.h"
#include "rtl/Lists.h"

// Load errors of a picture ("Could not load image. Invalid format", "Could not load image").
RTL_EXCEPTION(EHTMLPictureError, Exception)

using TDownloadProgressEvent = Event<TObject*, uint32_t, uint32_t>;
using TDownloadCancelEvent = Event<TObject*, bool&>;
using TDownloadCompleteEvent = Event<TObject*>;
using TDownloadErrorEvent = Event<TObject*, const String&>;

class THTMLPicture : public TGraphic {
  RTL_CLASS(THTMLPicture, TGraphic)
public:
  THTMLPicture() = default;
  ~THTMLPicture() override;

  // Copies another picture's bytes and loads them; no source clears the data.
  void Assign(TPersistent* source) override;
  // The shown frame's size at 96 pixels per inch; 0 when nothing is loaded.
  int32_t Width() const override;
  int32_t Height() const override;
  void SetWidth(int32_t) override {}
  void SetHeight(int32_t) override {}
  bool Empty() const override { return FEmpty || !FPicture; }
  // Stretched into rect, or at rect's top-left corner at the natural size; nothing when not loaded.
  void Draw(TCanvas* canvas, const RECT& rect) override;
  // Failures leave the picture empty and are not passed on.
  void LoadFromFile(const String& fileName) override;
  // The whole stream becomes the data and is loaded; failures are passed on.
  void LoadFromStream(TStream* stream) override;
  // The image file's own bytes, unchanged.
  void SaveToStream(TStream* stream) override;
  // An RCDATA resource of the program (the registry of named resources), when one of that name exists.
  void LoadFromResourceName(const String& name);
  // "res://NAME" loads the resource NAME, "file://PATH" the file PATH (schemes in any case); any other
  // address is remembered and nothing is loaded (pictures are never downloaded).
  void LoadFromAddress(const String& url);
  void LoadFromClipboardFormat() {}
  void SaveToClipboardFormat() {}

  // The number of frames of a GIF (graphic control extensions followed by an image descriptor), -1 for
  // other formats.
  int32_t CountFrames();
  bool HasGIFSignature() const;
  // The GIF's logical screen size when known, else the frame's size; 0 when not loaded.
  int32_t GetFullWidth() const;
  int32_t GetFullHeight() const;
  // Where the shown frame lies inside the logical screen.
  int32_t FrameXPos() const { return FFrameXPos; }
  int32_t FrameYPos() const { return FFrameYPos; }
  int32_t FrameXSize() const { return FFrameXSize; }
  int32_t FrameYSize() const { return FFrameYSize; }

  bool Stretch() const { return FStretch; }
  void SetStretch(bool v) { FStretch = v; }
  int32_t Frame() const { return FFrame; }
  void SetFrame(int32_t v);
  const String& ID() const { return FID; }  // the address the cache finds the picture under
  const String& RequestedAddress() const { return FRequestedAddress; }
  bool Asynch() const { return FAsynch; }
  void SetAsynch(bool v) { FAsynch = v; }
  const String& Data() const { return FData; }
  // The decoded graphic, or null.
  TGraphic* Graphic() const;

  TNotifyEvent OnFrameChange;
  TDownloadProgressEvent OnDownLoadProgress;
  TDownloadCancelEvent OnDownLoadCancel;
  TDownloadCompleteEvent OnDownLoadComplete;
  TDownloadErrorEvent OnDownLoadError;

protected:
  void ReadData(TStream* stream) override;
  void WriteData(TStream* stream) override;

private:
  void LoadPicture();
  void ReleasePicture();
  String FData;
  bool FEmpty = true;
  bool FStretch = false;
  TPicture* FPicture = nullptr;
  String FRequestedAddress;
  String FID;
  bool FDownloading = false;
  bool FAsynch = true;
  int32_t FFrame = 1;
  int32_t FFrameCount = -1;
  int32_t FFrameXPos = 0, FFrameYPos = 0, FFrameXSize = 0, FFrameYSize = 0;
  int32_t FLogicalWidth = 0, FLogicalHeight = 0;
};

// The pictures the HTML engine loaded by address, one per address; the cache owns them once freed
// through FreePictures.
class THTMLPictureCache : public TList {
  RTL_CLASS(THTMLPictureCache, TList)
public:
  THTMLPictureCache() = default;
  THTMLPicture* NewPicture();
  // The first picture whose address equals url exactly, or null.
  THTMLPicture* LookUpPicture(const String& url) const;
  THTMLPicture* PictureAt(int32_t index) const { return static_cast<THTMLPicture*>(Items(index)); }
  void FreePictures();
};

class TPictureItem : public TCollectionItem {
  RTL_CLASS(TPictureItem, TCollectionItem)
public:
  explicit TPictureItem(TCollection* collection);
  ~TPictureItem() override;
  void Assign(TPersistent* source) override;
  THTMLPicture* Picture() const { return FPicture; }
  // Copies the given picture.
  void SetPicture(THTMLPicture* v) { FPicture->Assign(v); }
  const String& Name() const { return FName; }
  void SetName(const String& v) { FName = v; }
  intptr_t Tag() const { return FTag; }
  void SetTag(intptr_t v) { FTag = v; }

private:
  THTMLPicture* FPicture;
  String FName;
  intptr_t FTag = 0;
};

class TPictureContainer;

class TPictureCollection : public TCollection {
  RTL_CLASS(TPictureCollection, TCollection)
public:
  explicit TPictureCollection(TPictureContainer* owner);
  TPictureItem* Add() { return static_cast<TPictureItem*>(TCollection::Add()); }
  TPictureItem* Items(int32_t index) const { return static_cast<TPictureItem*>(TCollection::Items(index)); }

protected:
  TPersistent* GetOwner() override;

private:
  TPictureContainer* FOwner;
};

class TPictureContainer : public TComponent {
  RTL_CLASS(TPictureContainer, TComponent)
public:
  explicit TPictureContainer(TComponent* AOwner);
  ~TPictureContainer() override;
  TPictureCollection* Items() const { return FItems; }
  // Copies the given collection's items.
  void SetItems(TPictureCollection* v) { FItems->Assign(v); }
  // The picture of the first item whose name equals name regardless of letter case, or null.
  THTMLPicture* LookUpPicture(const String& name) const;

private:
  TPictureCollection* FItems;
};
