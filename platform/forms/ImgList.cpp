#include "forms/ImgList.h"

#include <algorithm>

#include "rtl/TypInfo.h"

RTL_PUBLISHED(TCustomImageList) {
  prop("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth).Default(16);
  prop("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight).Default(16);
  prop("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked).Default(true);
  prop("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor)
      .Type(TypeInfoAlias("TColor", TypeInfo<int32_t>()))
      .Default(clNone);
  prop("DrawingStyle", &TCustomImageList::DrawingStyle, &TCustomImageList::SetDrawingStyle).Default(dsNormal);
  event("OnChange", &TCustomImageList::OnChange, &TCustomImageList::OnChange);
}

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}
TCustomImageList::~TCustomImageList() = default;

void TCustomImageList::BeforeDestruction() {
  for (TChangeLink* l : FClients) l->SetSender(nullptr);
  FClients.clear();
  FreeHandle();
  inherited::BeforeDestruction();
}

void TCustomImageList::FreeHandle() {
  if (FHandle) ImageList_Destroy(FHandle);
  FHandle = nullptr;
}

HIMAGELIST TCustomImageList::Handle() {
  if (!FHandle) {
    FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR32 | (FMasked ? ILC_MASK : 0), 4, 4);
    if (!FHandle) throw EInvalidOperation("Failed to create the image list");
    ImageList_SetBkColor(FHandle, FBkColor == clNone ? CLR_NONE : ColorToRGB(FBkColor));
  }
  return FHandle;
}

int32_t TCustomImageList::Count() { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

// A size or mask change starts over with an empty list, as the platform's image list does.
void TCustomImageList::SetWidth(int32_t v) {
  if (v == FWidth) return;
  FWidth = v;
  FreeHandle();
  Change();
}
void TCustomImageList::SetHeight(int32_t v) {
  if (v == FHeight) return;
  FHeight = v;
  FreeHandle();
  Change();
}
void TCustomImageList::SetMasked(bool v) {
  if (v == FMasked) return;
  FMasked = v;
  FreeHandle();
  Change();
}
void TCustomImageList::SetBkColor(TColor v) {
  FBkColor = v;
  if (FHandle) ImageList_SetBkColor(FHandle, v == clNone ? CLR_NONE : ColorToRGB(v));
  Change();
}

int32_t TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  int32_t r = ImageList_Add(Handle(), image ? image->Handle() : nullptr, mask ? mask->Handle() : nullptr);
  Change();
  return r;
}

int32_t TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
  int32_t r = ImageList_AddMasked(Handle(), image->Handle(), ColorToRGB(maskColor));
  Change();
  return r;
}

void TCustomImageList::Replace(int32_t index, TBitmap* image, TBitmap* mask) {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid image index");
  ImageList_Replace(Handle(), index, image ? image->Handle() : nullptr, mask ? mask->Handle() : nullptr);
  Change();
}

void TCustomImageList::Delete(int32_t index) {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid image index");
  ImageList_Remove(Handle(), index);
  Change();
}

void TCustomImageList::Clear() {
  if (FHandle) ImageList_RemoveAll(FHandle);
  Change();
}

void TCustomImageList::Draw(TCanvas* canvas, int32_t x, int32_t y, int32_t index, bool enabled) {
  if (!FHandle || index < 0 || index >= Count()) return;
  static const UINT styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
  UINT style = styles[FDrawingStyle];
  if (!enabled) {
    // A disabled picture is drawn saturated (greyed), as the platform shows disabled glyphs.
    IMAGELISTDRAWPARAMS p{};
    p.cbSize = sizeof(p);
    p.himl = FHandle;
    p.i = index;
    p.hdcDst = canvas->Handle();
    p.x = x;
    p.y = y;
    p.rgbBk = CLR_NONE;
    p.rgbFg = CLR_DEFAULT;
    p.fStyle = ILD_TRANSPARENT;
    p.fState = ILS_SATURATE;
    ImageList_DrawIndirect(&p);
    return;
  }
  ImageList_Draw(FHandle, index, canvas->Handle(), x, y, style);
}

bool TCustomImageList::Overlay(int32_t imageIndex, int32_t overlay) {
  return ImageList_SetOverlayImage(Handle(), imageIndex, overlay + 1) != FALSE;
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  link->SetSender(this);
  if (std::find(FClients.begin(), FClients.end(), link) == FClients.end()) FClients.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  FClients.erase(std::remove(FClients.begin(), FClients.end(), link), FClients.end());
  link->SetSender(nullptr);
}

void TCustomImageList::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FChanged) {
    FChanged = false;
    Change();
  }
}

void TCustomImageList::Change() {
  if (FUpdateCount > 0) {
    FChanged = true;
    return;
  }
  for (TChangeLink* l : std::vector<TChangeLink*>(FClients)) l->Change();
  if (OnChange) OnChange(this);
}
