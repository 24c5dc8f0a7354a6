#pragma once
// Image lists: equally sized pictures kept in a window-system image list, drawn by index, telling the
// controls that use them (through change links) when they change.

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"
#include "winapi/CommCtrl.h"

class TCustomImageList;

// A user's link to an image list: OnChange fires when the images change; the list clears the link's
// Images when it is freed.
class TChangeLink : public TObject {
  RTL_CLASS(TChangeLink, TObject)
public:
  TChangeLink() = default;
  ~TChangeLink() override;
  TCustomImageList* Sender() const { return FSender; }
  void SetSender(TCustomImageList* v) { FSender = v; }
  virtual void Change();
  TNotifyEvent OnChange;

private:
  TCustomImageList* FSender = nullptr;
};

enum TDrawingStyle : uint8_t { dsFocus, dsSelected, dsNormal, dsTransparent };
RTL_ENUM(TDrawingStyle, dsFocus, dsSelected, dsNormal, dsTransparent)

class TCustomImageList : public TComponent {
  RTL_CLASS(TCustomImageList, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;
  void BeforeDestruction() override;

  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t v);
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t v);
  int32_t Count();
  bool Masked() const { return FMasked; }
  void SetMasked(bool v);
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor v);
  TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle v) { FDrawingStyle = v; }
  HIMAGELIST Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }

  // Adds a picture (and its mask); returns the index.
  int32_t Add(TBitmap* image, TBitmap* mask);
  // Adds a picture whose pixels of maskColor are transparent.
  int32_t AddMasked(TBitmap* image, TColor maskColor);
  void Replace(int32_t index, TBitmap* image, TBitmap* mask);
  void Delete(int32_t index);
  void Clear();
  void Draw(TCanvas* canvas, int32_t x, int32_t y, int32_t index, bool enabled = true);
  bool Overlay(int32_t imageIndex, int32_t overlay);

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  // Updates between BeginUpdate and EndUpdate announce one change at the end.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  TNotifyEvent OnChange;

protected:
  virtual void Change();

private:
  void FreeHandle();
  HIMAGELIST FHandle = nullptr;
  int32_t FWidth = 16, FHeight = 16;
  bool FMasked = true;
  TColor FBkColor = clNone;
  TDrawingStyle FDrawingStyle = dsNormal;
  std::vector<TChangeLink*> FClients;
  int32_t FUpdateCount = 0;
  bool FChanged = false;
};

class TImageList : public TCustomImageList {
  RTL_CLASS(TImageList, TCustomImageList)
public:
  using TCustomImageList::TCustomImageList;
};
