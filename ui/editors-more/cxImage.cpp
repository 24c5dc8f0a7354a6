#include "ui/editors-more/cxImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "forms/Clipbrd.h"
#include "forms/ExtDlgs.h"
#include "forms/Forms.h"
#include "forms/GifImg.h"
#include "forms/Jpeg.h"
#include "forms/PngImage.h"
#include "rtl/Filer.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxGraphics.h"
#include "ui/editors/cxEditConsts.h"

namespace {

std::vector<TGraphicClass>* gGraphicClassList = nullptr;
TImageList* gMenuImages = nullptr;

// Resource strings of the built-in menu (translated on every showing).
const char* const cxSMenuItemCaptionCut = "Вырезать";
const char* const cxSMenuItemCaptionCopy = "Копировать";
const char* const cxSMenuItemCaptionPaste = "Вставить";
const char* const cxSMenuItemCaptionDelete = "Удалить";
const char* const cxSMenuItemCaptionLoad = "Загрузить...";
const char* const cxSMenuItemCaptionSave = "Сохранить как...";

const struct ImageRegistration {
  ImageRegistration() { RegisterImageEditor(); }
} gImageRegistration;

// The six 16 x 16 menu pictures, drawn once: the fuchsia background is the mask colour. The image list
// takes clDefault as a colour of its own, so the bitmap's transparent colour (its bottom-left pixel) is
// handed over instead.
TBitmap* MakeMenuGlyph(int32_t AIndex) {
  TBitmap* b = New<TBitmap>();
  b->SetSize(16, 16);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(RECT{0, 0, 16, 16});
  auto fill = [&](TColor AColor, RECT R) {
    c->Brush()->SetColor(AColor);
    c->FillRect(R);
  };
  TcxCanvas frameCanvas(c);
  switch (AIndex) {
    case 0:  // cut: two blades and two rings
      for (int32_t i = 0; i < 9; ++i) {
        fill(clGray, RECT{4 + i / 2, 1 + i, 5 + i / 2, 2 + i});
        fill(clGray, RECT{11 - i / 2, 1 + i, 12 - i / 2, 2 + i});
      }
      frameCanvas.FrameRect(RECT{2, 10, 7, 15}, clNavy);
      frameCanvas.FrameRect(RECT{9, 10, 14, 15}, clNavy);
      break;
    case 1:  // copy: two sheets
      fill(clWhite, RECT{1, 1, 10, 12});
      frameCanvas.FrameRect(RECT{1, 1, 10, 12}, clNavy);
      fill(clWhite, RECT{6, 4, 15, 15});
      frameCanvas.FrameRect(RECT{6, 4, 15, 15}, clNavy);
      break;
    case 2:  // paste: a board with a sheet
      fill(clOlive, RECT{1, 2, 12, 15});
      frameCanvas.FrameRect(RECT{1, 2, 12, 15}, clMaroon);
      fill(clGray, RECT{4, 1, 9, 4});
      fill(clWhite, RECT{7, 7, 15, 15});
      frameCanvas.FrameRect(RECT{7, 7, 15, 15}, clNavy);
      break;
    case 3:  // delete: a red cross
      for (int32_t i = 0; i < 10; ++i) {
        fill(clRed, RECT{3 + i, 3 + i, 5 + i, 5 + i});
        fill(clRed, RECT{12 - i, 3 + i, 14 - i, 5 + i});
      }
      break;
    case 4:  // load: an open folder
      fill(clYellow, RECT{1, 4, 14, 14});
      frameCanvas.FrameRect(RECT{1, 4, 14, 14}, clOlive);
      fill(clOlive, RECT{1, 3, 6, 4});
      break;
    default:  // save: a disk
      fill(clNavy, RECT{1, 1, 15, 15});
      fill(clWhite, RECT{4, 2, 12, 7});
      fill(clSilver, RECT{5, 10, 11, 15});
      break;
  }
  return b;
}

TImageList* MenuImages() {
  if (!gMenuImages) {
    gMenuImages = New<TImageList>(nullptr);
    for (int32_t i = 0; i < 6; ++i) {
      TBitmap* glyph = MakeMenuGlyph(i);
      if (i == 0) {
        gMenuImages->SetWidth(glyph->Width());
        gMenuImages->SetHeight(glyph->Height());
      }
      gMenuImages->AddMasked(glyph, glyph->TransparentColor());
      glyph->Free();
    }
  }
  return gMenuImages;
}

// The 8-byte header some stores put in front of the graphic data: 1, 0x0100, the length of the rest.
bool HasValueHeader(const String& S) {
  if (S.size() < 8) return false;
  auto u16 = [&](size_t i) {
    return static_cast<uint16_t>(static_cast<uint8_t>(S[i]) | (static_cast<uint8_t>(S[i + 1]) << 8));
  };
  uint32_t len = 0;
  for (size_t i = 0; i < 4; ++i) len |= static_cast<uint32_t>(static_cast<uint8_t>(S[4 + i])) << (8 * i);
  return u16(0) == 1 && u16(2) == 0x0100 && static_cast<int64_t>(static_cast<int32_t>(len)) ==
                                                 static_cast<int64_t>(S.size()) - 8;
}

bool IsPictureEmpty(TPicture* APicture) {
  return !APicture || !APicture->Graphic() || APicture->Graphic()->Empty();
}

}  // namespace

// ---- graphic classes and the value format -----------------------------------------------------------------

std::vector<TGraphicClass>& GetGraphicClassList() {
  if (!gGraphicClassList) {
    gGraphicClassList = new std::vector<TGraphicClass>();
    // No metafile class exists on this platform; the two formats it adds (PNG, GIF) follow the JPEG.
    for (TGraphicClass cls : {TBitmap::StaticClass(), TIcon::StaticClass(), TJPEGImage::StaticClass(),
                              TPngImage::StaticClass(), TGIFImage::StaticClass()})
      if (std::find(gGraphicClassList->begin(), gGraphicClassList->end(), cls) == gGraphicClassList->end())
        gGraphicClassList->push_back(cls);
  }
  return *gGraphicClassList;
}

TGraphicClass FindGraphicClassByName(const String& AName) {
  for (TGraphicClass cls : GetGraphicClassList())
    if (SameText(cls->ClassName(), AName)) return cls;
  return nullptr;
}

TGraphicClass GetDefaultGraphicClass() {
  auto& list = GetGraphicClassList();
  return list.empty() ? nullptr : list.front();
}

bool TryLoadPictureFromValue(TPicture* APicture, TGraphicClass AGraphicClass, const Variant& AValue) {
  if (!VarIsStr(AValue)) {
    APicture->Assign(nullptr);
    return true;
  }
  String s = VarToStr(AValue);
  if (s.size() < 8) {
    APicture->Assign(nullptr);
    // A short value is empty by the format's rules; only a non-empty one is data we failed to read.
    return s.empty();
  }
  size_t start = HasValueHeader(s) ? 8 : 0;
  TMemoryStream* stream = New<TMemoryStream>();
  bool ok = true;
  try {
    stream->WriteBuffer(s.data() + start, static_cast<int32_t>(s.size() - start));
    stream->SetPosition(0);
    if (stream->Size() == 0) {
      APicture->Assign(nullptr);
    } else if (AGraphicClass) {
      TGraphic* graphic = CreateAs<TGraphic>(AGraphicClass);
      try {
        graphic->LoadFromStream(stream);
        APicture->SetGraphic(graphic);
      } catch (...) {
        graphic->Free();
        throw;
      }
      graphic->Free();
    } else {
      APicture->Bitmap()->LoadFromStream(stream);
    }
  } catch (Exception&) {
    ok = false;
  } catch (std::bad_alloc&) {
    ok = false;
  }
  if (!ok) APicture->Assign(nullptr);
  stream->Free();
  return ok;
}

void LoadPictureFromValue(TPicture* APicture, TGraphicClass AGraphicClass, const Variant& AValue) {
  TryLoadPictureFromValue(APicture, AGraphicClass, AValue);
}

String SavePictureToString(TPicture* APicture) {
  if (IsPictureEmpty(APicture)) return String();
  TMemoryStream* stream = New<TMemoryStream>();
  String result;
  try {
    APicture->Graphic()->SaveToStream(stream);
    result.assign(static_cast<const char*>(stream->Memory()), static_cast<size_t>(stream->Size()));
  } catch (...) {
    stream->Free();
    throw;
  }
  stream->Free();
  return result;
}

// A zero width or height has no aspect: the quotient would divide by zero, so the rectangle stays.
RECT FitRectToAspect(const RECT& R, int32_t AWidth, int32_t AHeight) {
  int32_t w = R.right - R.left, h = R.bottom - R.top;
  if (w <= 0 || h <= 0 || AWidth <= 0 || AHeight <= 0) return R;
  RECT result{R.left, R.top, R.left, R.top};
  if (static_cast<double>(w) / h >= static_cast<double>(AWidth) / AHeight) {
    result.right = R.left + static_cast<int32_t>(static_cast<int64_t>(h) * AWidth / AHeight);
    result.bottom = R.bottom;
  } else {
    result.right = R.right;
    result.bottom = R.top + static_cast<int32_t>(static_cast<int64_t>(w) * AHeight / AWidth);
  }
  return result;
}

void cxImageFinalize() {
  delete std::exchange(gGraphicClassList, nullptr);
  FreeAndNil(gMenuImages);
}

void RegisterImageEditor() {
  GetRegisteredEditProperties()->Register(TcxImageProperties::StaticClass(), cxSEditRepositoryImageItem);
}

// ---- TcxPopupMenuLayout -------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxPopupMenuLayout) {
  prop("MenuItems", &TcxPopupMenuLayout::MenuItems, &TcxPopupMenuLayout::SetMenuItems)
      .Default(TcxPopupMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave});
  prop("CustomMenuItemCaption", &TcxPopupMenuLayout::CustomMenuItemCaption,
       &TcxPopupMenuLayout::SetCustomMenuItemCaption);
  prop("CustomMenuItemGlyph", &TcxPopupMenuLayout::CustomMenuItemGlyph,
       &TcxPopupMenuLayout::SetCustomMenuItemGlyph)
      .Stored(&TcxPopupMenuLayout::HasCustomMenuItemGlyph);
}

TcxPopupMenuLayout::~TcxPopupMenuLayout() { FreeAndNil(FCustomMenuItemGlyph); }

void TcxPopupMenuLayout::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxPopupMenuLayout*>(Source)) {
    FMenuItems = source->FMenuItems;
    FCustomMenuItemCaption = source->FCustomMenuItemCaption;
    SetCustomMenuItemGlyph(source->FCustomMenuItemGlyph ? source->CustomMenuItemGlyph() : nullptr);
    return;
  }
  inherited::Assign(Source);
}

TBitmap* TcxPopupMenuLayout::CustomMenuItemGlyph() {
  if (!FCustomMenuItemGlyph) FCustomMenuItemGlyph = New<TBitmap>();
  return FCustomMenuItemGlyph;
}

void TcxPopupMenuLayout::SetCustomMenuItemGlyph(TBitmap* Value) {
  if (!Value) {
    FreeAndNil(FCustomMenuItemGlyph);
    return;
  }
  CustomMenuItemGlyph()->Assign(Value);
}

// ---- TcxCustomImageProperties -------------------------------------------------------------------------------

RTL_PUBLISHED(TcxCustomImageProperties) {}

RTL_PUBLISHED(TcxImageProperties) {
  prop("Caption", &TcxImageProperties::Caption, &TcxImageProperties::SetCaption);
  prop("Center", &TcxImageProperties::Center, &TcxImageProperties::SetCenter).Default(true);
  prop("CustomFilter", &TcxImageProperties::CustomFilter, &TcxImageProperties::SetCustomFilter);
  prop("GraphicClassName", &TcxImageProperties::GraphicClassName, &TcxImageProperties::SetGraphicClassName)
      .Stored(&TcxImageProperties::IsGraphicClassNameStored);
  prop("GraphicTransparency", &TcxImageProperties::GraphicTransparency,
       &TcxImageProperties::SetGraphicTransparency)
      .Default(gtDefault);
  prop("PopupMenuLayout", &TcxImageProperties::PopupMenuLayout, &TcxImageProperties::SetPopupMenuLayout);
  prop("ShowFocusRect", &TcxImageProperties::ShowFocusRect, &TcxImageProperties::SetShowFocusRect).Default(true);
  prop("Stretch", &TcxImageProperties::Stretch, &TcxImageProperties::SetStretch).Default(false);
  event("OnAssignPicture", &TcxImageProperties::OnAssignPicture, &TcxImageProperties::OnAssignPicture);
  event("OnCustomClick", &TcxImageProperties::OnCustomClick, &TcxImageProperties::OnCustomClick);
  event("OnGetGraphicClass", &TcxImageProperties::OnGetGraphicClass, &TcxImageProperties::OnGetGraphicClass);
}

TcxCustomImageProperties::TcxCustomImageProperties(TPersistent* AOwner)
    : TcxCustomEditProperties(AOwner),
      FGraphicClass(::GetDefaultGraphicClass()),
      FPopupMenuLayout(New<TcxPopupMenuLayout>()) {
  RegisterImageEditor();
}

TcxCustomImageProperties::~TcxCustomImageProperties() { FreeAndNil(FPopupMenuLayout); }

void TcxCustomImageProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomImageProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetCaption(source->FCaption);
    SetCenter(source->FCenter);
    FCustomFilter = source->FCustomFilter;
    SetGraphicClass(source->FGraphicClass);
    SetGraphicTransparency(source->FGraphicTransparency);
    FPopupMenuLayout->Assign(source->FPopupMenuLayout);
    SetShowFocusRect(source->FShowFocusRect);
    SetStretch(source->FStretch);
    OnAssignPicture = source->OnAssignPicture;
    OnCustomClick = source->OnCustomClick;
    OnGetGraphicClass = source->OnGetGraphicClass;
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TClass TcxCustomImageProperties::GetContainerClass() const { return TcxImage::StaticClass(); }

TcxCustomEditViewDataClass TcxCustomImageProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxImageViewData>();
}

TClass TcxCustomImageProperties::GetViewInfoClass() const { return TcxImageViewInfo::StaticClass(); }

WideString TcxCustomImageProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  if (VarIsNull(AEditValue)) return WideString();
  return Utf8ToUtf16(FCaption);
}

void TcxCustomImageProperties::CheckDisplayValue(Variant&, String&, IcxEditValidationSite* AEdit, bool&) {
  auto* edit = dynamic_cast<TcxCustomImage*>(AEdit);
  if (!edit) return;
  edit->LockEditValueChanging(true);
  try {
    edit->DoOnAssignPicture();
    edit->SaveModified();
    try {
      edit->SetModified(false);
      edit->DoEditing();
    } catch (...) {
      edit->RestoreModified();
      throw;
    }
    edit->RestoreModified();
  } catch (...) {
    edit->LockEditValueChanging(false);
    throw;
  }
  edit->LockEditValueChanging(false);
}

TGraphicClass TcxCustomImageProperties::GetDefaultGraphicClass() const { return ::GetDefaultGraphicClass(); }

TGraphicClass TcxCustomImageProperties::GetGraphicClass(TObject* AItem, int32_t ARecordIndex,
                                                        bool APastingFromClipboard) {
  TGraphicClass result = FGraphicClass;
  if (!result) {
    result = APastingFromClipboard ? TBitmap::StaticClass() : nullptr;
    if (OnGetGraphicClass) OnGetGraphicClass(AItem, ARecordIndex, APastingFromClipboard, result);
  }
  return result;
}

void TcxCustomImageProperties::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  Changed();
}

void TcxCustomImageProperties::SetCenter(bool Value) {
  if (FCenter == Value) return;
  FCenter = Value;
  Changed();
}

void TcxCustomImageProperties::SetGraphicClass(TGraphicClass Value) {
  if (FGraphicClass == Value) return;
  FGraphicClass = Value;
  Changed();
}

String TcxCustomImageProperties::GraphicClassName() const {
  return FGraphicClass ? String(FGraphicClass->ClassName()) : String();
}

void TcxCustomImageProperties::SetGraphicClassName(const String& Value) {
  if (Value.empty()) {
    SetGraphicClass(nullptr);
    return;
  }
  if (TGraphicClass cls = FindGraphicClassByName(Value)) SetGraphicClass(cls);
}

void TcxCustomImageProperties::SetGraphicTransparency(TcxImageTransparency Value) {
  if (FGraphicTransparency == Value) return;
  FGraphicTransparency = Value;
  Changed();
}

void TcxCustomImageProperties::SetShowFocusRect(bool Value) {
  if (FShowFocusRect == Value) return;
  FShowFocusRect = Value;
  Changed();
}

void TcxCustomImageProperties::SetStretch(bool Value) {
  if (FStretch == Value) return;
  FStretch = Value;
  Changed();
}

// The default class is not "none", so an empty class name needs a mark of its own in form data.
void TcxCustomImageProperties::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty("IsGraphicClassNameEmpty",
                        TReaderProc(this, &TcxCustomImageProperties::ReadIsGraphicClassNameEmpty),
                        TWriterProc(this, &TcxCustomImageProperties::WriteIsGraphicClassNameEmpty),
                        FGraphicClass == nullptr);
}

void TcxCustomImageProperties::ReadIsGraphicClassNameEmpty(TReader* Reader) {
  Reader->ReadBoolean();
  SetGraphicClassName(String());
}

void TcxCustomImageProperties::WriteIsGraphicClassNameEmpty(TWriter* Writer) { Writer->WriteBoolean(true); }

// ---- TcxImageViewInfo -----------------------------------------------------------------------------------------

TcxImageViewInfo::~TcxImageViewInfo() {
  if (FreePicture) FreeAndNil(Picture);
  FreeAndNil(TempBitmap);
}

bool TcxImageViewInfo::PaintsText() const { return IsPictureEmpty(Picture) && !Caption.empty(); }

void TcxImageViewInfo::Assign(TObject* Source) {
  inherited::Assign(Source);
  if (auto* source = dynamic_cast<TcxImageViewInfo*>(Source)) {
    ShowFocusRect = source->ShowFocusRect;
    TopLeft = source->TopLeft;
    Caption = source->Caption;
    Center = source->Center;
    Stretch = source->Stretch;
    FullClientRect = source->FullClientRect;
    HScrollBarShown = source->HScrollBarShown;
    VScrollBarShown = source->VScrollBarShown;
    if (!FreePicture) Picture = source->Picture;
  }
}

RECT TcxImageViewInfo::PictureRect(const RECT& C) const {
  int32_t pw = Picture ? Picture->Width() : 0, ph = Picture ? Picture->Height() : 0;
  int32_t cw = C.right - C.left, ch = C.bottom - C.top;
  RECT t{};
  if (Stretch) {
    t = FitRectToAspect(C, pw, ph);
    if (Center) OffsetRect(&t, (cw - (t.right - t.left)) / 2, (ch - (t.bottom - t.top)) / 2);
  } else {
    t = RECT{C.left, C.top, C.left + pw, C.top + ph};
    if (Center)
      OffsetRect(&t, (cw - pw) / 2, (ch - ph) / 2);
    else
      OffsetRect(&t, -TopLeft.x, -TopLeft.y);
  }
  return t;
}

// A solid black frame one pixel wide along the inside of R.
void TcxImageViewInfo::DrawFocusFrame(TcxCanvas* ACanvas, const RECT& R) {
  ACanvas->Brush()->SetColor(clBlack);
  ACanvas->FillRect(RECT{R.left, R.top, R.left + 1, R.bottom});
  ACanvas->FillRect(RECT{R.right - 1, R.top, R.right, R.bottom});
  ACanvas->FillRect(RECT{R.left, R.top, R.right, R.top + 1});
  ACanvas->FillRect(RECT{R.left, R.bottom - 1, R.right, R.bottom});
}

void TcxImageViewInfo::Draw(TcxCanvas* ACanvas) {
  RECT c = ClientRect;
  if (IsPictureEmpty(Picture)) {
    inherited::Draw(ACanvas);
    if (!Caption.empty()) {
      ACanvas->Brush()->SetStyle(bsClear);
      if (Font) ACanvas->Font()->Assign(Font);
      ACanvas->Font()->SetColor(TextColor);
      ACanvas->DrawText(Caption, c, tfSingleLine | tfAlignHCenter | tfAlignVCenter);
      ACanvas->Brush()->SetStyle(bsSolid);
    }
    if (ShowFocusRect) DrawFocusFrame(ACanvas, c);
    return;
  }
  RECT t = PictureRect(c);

  // The border area and the buttons, with the client area left to the picture.
  TcxRegion* saved = ACanvas->GetClipRegion();
  ACanvas->ExcludeFromClip(c);
  PaintEditButtons(ACanvas, false);
  ACanvas->SetClipRegion(saved, rcmCopy);

  RECT clip = c;
  if (ShowFocusRect) {
    DrawFocusFrame(ACanvas, c);
    InflateRect(&clip, -1, -1);
  }
  saved = ACanvas->GetClipRegion();
  ACanvas->IntersectClip(clip);
  try {
    TGraphic* graphic = Picture->Graphic();
    if (Transparent || !graphic->Transparent()) {
      ACanvas->Canvas()->StretchDraw(t, graphic);
    } else {
      // A transparent graphic is flattened onto the background first, so that what shows through it
      // is the editor's colour and not whatever was painted there before.
      try {
        if (!TempBitmap) TempBitmap = New<TBitmap>();
        TempBitmap->SetSize(Picture->Width(), Picture->Height());
        TempBitmap->Canvas()->Brush()->SetColor(BackgroundColor);
        TempBitmap->Canvas()->FillRect(RECT{0, 0, Picture->Width(), Picture->Height()});
        TempBitmap->Canvas()->Draw(0, 0, graphic);
        ACanvas->Canvas()->StretchDraw(t, TempBitmap);
      } catch (EOutOfResources&) {
        ACanvas->Brush()->SetColor(BackgroundColor);
        ACanvas->FillRect(c);
        ACanvas->Canvas()->StretchDraw(t, graphic);
      }
    }
    RECT covered{};
    IntersectRect(&covered, &t, &c);
    if (!EqualRect(&covered, &c) && !Transparent) {
      ACanvas->ExcludeFromClip(t);
      ACanvas->Brush()->SetColor(BackgroundColor);
      ACanvas->FillRect(c);
    }
  } catch (...) {
    ACanvas->SetClipRegion(saved, rcmCopy);
    throw;
  }
  ACanvas->SetClipRegion(saved, rcmCopy);
}

// ---- TcxImageViewData -----------------------------------------------------------------------------------------

void TcxImageViewData::CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                          TcxCustomEditViewInfo* AViewInfo, TShiftState AShift,
                                          TMouseButton AButton, POINT AMousePos) {
  inherited::CalculateEditRects(ACanvas, ABounds, AIsMouseEvent, AViewInfo, AShift, AButton, AMousePos);
  if (IsRectEmpty(&ABounds)) return;
  auto* vi = dynamic_cast<TcxImageViewInfo*>(AViewInfo);
  auto* properties = dynamic_cast<TcxCustomImageProperties*>(Properties);
  if (!vi || !properties) return;
  vi->Caption = properties->Caption();
  vi->Center = properties->Center();
  vi->Stretch = properties->Stretch();
  vi->ShowFocusRect = properties->ShowFocusRect() && vi->Focused && !IsRowSelected;
  if (vi->Center || vi->Stretch) vi->TopLeft = POINT{0, 0};
  // The scroll bars of a stand-alone editor take strips of the client area.
  vi->FullClientRect = vi->ClientRect;
  vi->HScrollBarShown = vi->VScrollBarShown = false;
  if (auto* image = dynamic_cast<TcxCustomImage*>(Edit); image && !IsInplace) {
    if (image->HScrollBar() && image->HScrollBar()->Visible()) {
      vi->HScrollBarShown = true;
      vi->ClientRect.bottom = std::max(vi->ClientRect.top, vi->ClientRect.bottom - image->HScrollBar()->Height());
    }
    if (image->VScrollBar() && image->VScrollBar()->Visible()) {
      vi->VScrollBarShown = true;
      vi->ClientRect.right = std::max(vi->ClientRect.left, vi->ClientRect.right - image->VScrollBar()->Width());
    }
    vi->TextRect = vi->ClientRect;
  }
}

void TcxImageViewData::SetDrawTextFromValue(TcxCanvas*, const Variant& AEditValue,
                                            TcxCustomEditViewInfo* AViewInfo) {
  auto* vi = dynamic_cast<TcxImageViewInfo*>(AViewInfo);
  auto* properties = dynamic_cast<TcxCustomImageProperties*>(Properties);
  if (!vi || !properties) return;
  if (!VarIsStr(AEditValue)) {
    if (vi->Picture) vi->Picture->Assign(nullptr);
    return;
  }
  if (!vi->Picture) {
    vi->Picture = New<TPicture>();
    vi->FreePicture = true;
  }
  LoadPictureFromValue(vi->Picture, properties->GetGraphicClass(InplaceItem, RecordIndex, false), AEditValue);
  if (properties->GraphicTransparency() != gtDefault && !IsPictureEmpty(vi->Picture))
    vi->Picture->Graphic()->SetTransparent(properties->GraphicTransparency() == gtTransparent);
}

void TcxImageViewData::MeasureContentPart(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                                          const TcxEditSizeProperties& ASizeRequest) {
  auto* properties = static_cast<TcxCustomImageProperties*>(Properties);
  if (IsInplace) {
    if (Edit) {
      RECT extent{};
      GetClientExtent(extent);
      ASize = SIZE{Edit->Width() - (extent.left + extent.right), Edit->Height() - (extent.top + extent.bottom)};
      return;
    }
    ASize = SIZE{0, properties->DefaultContentHeight()};
    if (VarIsStr(AEditValue)) {
      TPicture* picture = New<TPicture>();
      try {
        LoadPictureFromValue(picture, properties->GetGraphicClass(InplaceItem, RecordIndex, false), AEditValue);
        ASize = SIZE{picture->Width(), picture->Height()};
        if (properties->Stretch() && ASizeRequest.Width > 0 && picture->Width() > 0)
          ASize = SIZE{ASizeRequest.Width,
                       static_cast<int32_t>(std::nearbyint(static_cast<double>(picture->Height()) *
                                                           ASizeRequest.Width / picture->Width()))};
      } catch (...) {
        picture->Free();
        throw;
      }
      picture->Free();
    } else if (!properties->Caption().empty() && ACanvas) {
      ACanvas->Font()->Assign(Style->GetVisibleFont());
      ACanvas->TextExtent(properties->Caption(), ASize);
    }
    return;
  }
  auto* image = dynamic_cast<TcxCustomImage*>(Edit);
  ASize = image ? SIZE{image->Picture()->Width(), image->Picture()->Height()} : SIZE{0, 0};
}

// ---- TcxCustomImage -------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxCustomImage) {}

RTL_PUBLISHED(TcxImage) {
  prop("AutoSize", &TcxImage::AutoSize, &TcxImage::SetAutoSize).Default(false);
  prop("Picture", &TcxImage::Picture, &TcxImage::SetPicture);
  prop("Properties", &TcxImage::Properties, &TcxImage::SetProperties);
  prop("Style", &TcxImage::Style, &TcxImage::SetStyle);
  prop("StyleDisabled", &TcxImage::StyleDisabled, &TcxImage::SetStyleDisabled);
  prop("StyleFocused", &TcxImage::StyleFocused, &TcxImage::SetStyleFocused);
  prop("StyleHot", &TcxImage::StyleHot, &TcxImage::SetStyleHot);
  event("OnEditing", &TcxImage::OnEditing, &TcxImage::OnEditing);
  event("OnGetGraphicClass", &TcxImage::OnGetGraphicClass, &TcxImage::OnGetGraphicClass);
}

TcxCustomImage::TcxCustomImage(TComponent* AOwner) : TcxCustomEdit(AOwner) {}

TcxCustomImage::~TcxCustomImage() {
  FreeAndNil(FEditPopupMenu);
  if (auto* vi = dynamic_cast<TcxImageViewInfo*>(ViewInfo()); vi && !vi->FreePicture) vi->Picture = nullptr;
  FreeAndNil(FPicture);
}

void TcxCustomImage::InitializeEdit() {
  inherited::InitializeEdit();
  SetAutoSize(false);
  SetWidth(140);
  SetHeight(100);
  FClipboardFormat = CF_PICTURE();
  FPicture = New<TPicture>();
  FPicture->OnChange = TNotifyEvent(this, &TcxCustomImage::PictureChanged);
  if (auto* vi = dynamic_cast<TcxImageViewInfo*>(ViewInfo())) vi->Picture = FPicture;
}

void TcxCustomImage::InitializeViewData(TcxCustomEditViewData* AViewData) {
  inherited::InitializeViewData(AViewData);
  // A view info made again (another properties class) learns the picture anew.
  if (auto* vi = dynamic_cast<TcxImageViewInfo*>(ViewInfo()); vi && !vi->FreePicture) vi->Picture = FPicture;
}

Variant TcxCustomImage::GetEditValue() {
  if (FHoldsUndecodableValue) return FUndecodableValue;
  if (IsPictureEmpty(FPicture)) return Null();
  return Variant(SavePictureToString(FPicture));
}

void TcxCustomImage::AssignEditValue(const Variant& Value) {
  FInternalChanging = true;
  try {
    bool readable = true;
    if (VarIsStr(Value)) {
      readable = TryLoadPictureFromValue(FPicture, GetGraphicClass(false), Value);
    } else {
      FPicture->Assign(nullptr);
      readable = VarIsNull(Value) || VarIsEmpty(Value);
    }
    // Bytes we cannot show are kept as they came, so that a post without a user change stores them back
    // unchanged instead of erasing them.
    FHoldsUndecodableValue = !readable;
    FUndecodableValue = readable ? Variant() : Value;
    SetModified(false);
  } catch (...) {
    FInternalChanging = false;
    throw;
  }
  FInternalChanging = false;
}

void TcxCustomImage::PropertiesChanged(TObject* Sender) {
  if (!FPicture || IsEditDestroying()) return;
  PictureChanged(nullptr);
  RefreshScrollBars();
  inherited::PropertiesChanged(Sender);
}

bool TcxCustomImage::CanAutoSize() { return !(IsPictureEmpty(FPicture) && IsDesigning()); }

void TcxCustomImage::PictureChanged(TObject* Sender) {
  // A change made by the user (anything but loading the edit value) replaces undecodable bytes.
  if (Sender && !FInternalChanging) {
    FHoldsUndecodableValue = false;
    FUndecodableValue = Variant();
  }
  LockChangeEvents(true, true);
  try {
    TcxCustomImageProperties* properties = ActiveProperties();
    if (properties->GraphicTransparency() != gtDefault) {
      TNotifyEvent saved = FPicture->OnChange;
      FPicture->OnChange = TNotifyEvent();
      try {
        if (!IsPictureEmpty(FPicture))
          FPicture->Graphic()->SetTransparent(properties->GraphicTransparency() == gtTransparent);
      } catch (...) {
        FPicture->OnChange = saved;
        throw;
      }
      FPicture->OnChange = saved;
    }
    if (!IsLoading()) {
      ResetScrollPosition();
      AdjustLayout();
    }
    if (!FInternalChanging) {
      if (KeyboardAction()) SetModifiedAfterEnter(true);
      NotifyChange();
      RecalculateAtCursor();
    }
    if (properties->ImmediatePost() && CanPostEditValue() && DoValidateEdit(true)) PostEditValue(false);
  } catch (...) {
    LockChangeEvents(false, true);
    throw;
  }
  LockChangeEvents(false, true);
  RefreshScrollBars();
}

void TcxCustomImage::DoOnAssignPicture() {
  if (auto* own = Properties(); own->OnAssignPicture) own->OnAssignPicture(this, FPicture);
  if (RepositoryItem()) {
    auto* repo = static_cast<TcxCustomImageProperties*>(RepositoryItem()->Properties());
    if (repo->OnAssignPicture) repo->OnAssignPicture(this, FPicture);
  }
}

bool TcxCustomImage::CanPasteFromClipboard() {
  TGraphicClass cls = ActiveProperties()->GraphicClass();
  TClipboard* clipboard = Clipboard();
  if (cls == TBitmap::StaticClass() || cls == TJPEGImage::StaticClass()) return clipboard->HasFormat(CF_BITMAP);
  if (cls == TIcon::StaticClass()) return false;
  if (!cls) return clipboard->HasFormat(CF_PICTURE());
  return clipboard->HasFormat(FClipboardFormat);
}

void TcxCustomImage::CustomClick() {
  if (Properties()->OnCustomClick) Properties()->OnCustomClick(this);
  if (RepositoryItem()) {
    auto* repo = static_cast<TcxCustomImageProperties*>(RepositoryItem()->Properties());
    if (repo->OnCustomClick) repo->OnCustomClick(this);
  }
}

TGraphicClass TcxCustomImage::GetGraphicClass(bool APastingFromClipboard) {
  TcxCustomImageProperties* properties = ActiveProperties();
  if (IsInplace()) return properties->GetGraphicClass(FInplaceItem, FInplaceRecordIndex, APastingFromClipboard);
  TGraphicClass result = properties->GraphicClass();
  if (!result) {
    result = APastingFromClipboard ? TBitmap::StaticClass() : nullptr;
    if (OnGetGraphicClass) OnGetGraphicClass(this, APastingFromClipboard, result);
  }
  return result;
}

// ---- scrolling ------------------------------------------------------------------------------------------------

void TcxCustomImage::ComputeScrollBarsData() {
  RECT content = ContentRect();
  TcxCustomImageProperties* properties = ActiveProperties();
  if (IsInplace() || IsRectEmpty(&content) || AutoSize() || properties->Center() || properties->Stretch() ||
      IsPictureEmpty(FPicture))
    return;
  SetScrollBarInfo(sbHorizontal, 0, FPicture->Width() - 1, 8, content.right - content.left,
                   ImageViewInfo()->TopLeft.x, true, true);
  SetScrollBarInfo(sbVertical, 0, FPicture->Height() - 1, 8, content.bottom - content.top,
                   ImageViewInfo()->TopLeft.y, true, true);
  UpdateViewPosition();
}

void TcxCustomImage::Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) {
  if (ACode == scLineUp)
    APos -= 8;
  else if (ACode == scLineDown)
    APos += 8;
  TcxControlScrollBar* bar = AKind == sbHorizontal ? HScrollBar() : VScrollBar();
  if (!bar) return;
  int32_t extent = AKind == sbHorizontal ? FPicture->Width() : FPicture->Height();
  APos = std::min(APos, extent - bar->PageSize());
  bar->SetPosition(APos);
  APos = bar->Position();
  UpdateViewPosition();
}

void TcxCustomImage::UpdateViewPosition() {
  if (!HandleAllocated()) return;
  TcxImageViewInfo* vi = ImageViewInfo();
  if (!vi) return;
  vi->TopLeft = POINT{HScrollBar() && HScrollBar()->Visible() ? HScrollBar()->Position() : 0,
                      VScrollBar() && VScrollBar()->Visible() ? VScrollBar()->Position() : 0};
  UpdateStateAtCursor();
  RECT r = ClientRect();
  ::InvalidateRect(Handle(), &r, FALSE);
}

void TcxCustomImage::ResetScrollPosition() {
  if (HScrollBar()) HScrollBar()->SetPosition(0);
  if (VScrollBar()) VScrollBar()->SetPosition(0);
  UpdateViewPosition();
}

void TcxCustomImage::GetContentRect(RECT& R) {
  TcxImageViewInfo* vi = ImageViewInfo();
  if (!vi) {
    R = RECT{};
    return;
  }
  R = vi->FullClientRect;
  if (IsRectEmpty(&R)) R = vi->ClientRect;
  if (HScrollBar() && HScrollBar()->Visible()) R.bottom = std::max(R.top, R.bottom - HScrollBar()->Height());
  if (VScrollBar() && VScrollBar()->Visible()) R.right = std::max(R.left, R.right - VScrollBar()->Width());
}

void TcxCustomImage::RefreshScrollBars() {
  inherited::RefreshScrollBars();
  // Bars that came or went change the client area: lay the editor out again for the new one.
  if (TcxImageViewInfo* vi = ImageViewInfo();
      vi && HScrollBar() && (vi->HScrollBarShown != HScrollBar()->Visible() ||
                             vi->VScrollBarShown != VScrollBar()->Visible())) {
    AdjustLayout();
    if (HandleAllocated()) Invalidate();
  }
  UpdateViewPosition();
}

// ---- clipboard and files ----------------------------------------------------------------------------------

void TcxCustomImage::ClearEditValue() {
  if (DoEditing()) FPicture->SetGraphic(nullptr);
}

void TcxCustomImage::CopyToClipboard() {
  if (FPicture->Graphic()) Clipboard()->Assign(FPicture);
}

void TcxCustomImage::CutToClipboard() {
  CopyToClipboard();
  ClearEditValue();
}

void TcxCustomImage::PasteFromClipboard() {
  if (!CanPasteFromClipboard() || !DoEditing()) return;
  TClipboard* clipboard = Clipboard();
  if (!clipboard->HasFormat(CF_BITMAP)) {
    FPicture->Assign(clipboard);
  } else if (GetGraphicClass(true) == TJPEGImage::StaticClass()) {
    TJPEGImage* jpeg = New<TJPEGImage>();
    try {
      jpeg->NewBitmap();
      jpeg->Bitmap()->Assign(clipboard);
      jpeg->JPEGNeeded();
      FPicture->SetGraphic(jpeg);
    } catch (...) {
      jpeg->Free();
      throw;
    }
    jpeg->Free();
  } else {
    // Read aside first: a failed read leaves the picture as it was.
    TBitmap* bitmap = New<TBitmap>();
    try {
      bitmap->Assign(clipboard);
      FPicture->Bitmap()->Assign(bitmap);
    } catch (...) {
      bitmap->Free();
      throw;
    }
    bitmap->Free();
  }
}

void TcxCustomImage::LoadFromFile() {
  if (!CanModify()) return;
  TOpenPictureDialog* dialog = New<TOpenPictureDialog>(nullptr);
  try {
    TcxCustomImageProperties* properties = ActiveProperties();
    if (!properties->CustomFilter().empty())
      dialog->SetFilter(properties->CustomFilter());
    else
      dialog->SetFilter(GraphicFilter(properties->GraphicClass() ? properties->GraphicClass()
                                                                  : TGraphic::StaticClass()));
    bool saved = std::exchange(FIsDialogShowing, true);
    bool chosen = false;
    try {
      chosen = dialog->Execute();
    } catch (...) {
      FIsDialogShowing = saved;
      throw;
    }
    FIsDialogShowing = saved;
    if (chosen && DoEditing()) FPicture->LoadFromFile(dialog->FileName());
  } catch (...) {
    dialog->Free();
    throw;
  }
  dialog->Free();
}

void TcxCustomImage::SaveToFile() {
  if (!FPicture->Graphic()) return;
  TSavePictureDialog* dialog = New<TSavePictureDialog>(Application);
  try {
    TcxCustomImageProperties* properties = ActiveProperties();
    TGraphicClass cls = FPicture->Graphic()->ClassType();
    dialog->SetFilter(!properties->CustomFilter().empty() ? properties->CustomFilter() : GraphicFilter(cls));
    dialog->SetDefaultExt(GraphicExtension(cls));
    bool saved = std::exchange(FIsDialogShowing, true);
    bool chosen = false;
    try {
      chosen = dialog->Execute();
    } catch (...) {
      FIsDialogShowing = saved;
      throw;
    }
    FIsDialogShowing = saved;
    if (chosen) FPicture->SaveToFile(dialog->FileName());
  } catch (...) {
    dialog->Free();
    throw;
  }
  dialog->Free();
}

bool TcxCustomImage::Focused() { return FIsDialogShowing || inherited::Focused(); }

// ---- keys and the built-in menu ---------------------------------------------------------------------------

template <class F>
void TcxCustomImage::WithKeyboardAction(F&& AStep) {
  SetKeyboardAction(true);
  try {
    AStep();
  } catch (...) {
    SetKeyboardAction(false);
    throw;
  }
  SetKeyboardAction(false);
}

void TcxCustomImage::KeyDown(uint16_t& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  uint16_t key = Key;
  WithKeyboardAction([&] {
    if (key == VK_INSERT && Shift.Contains(ssShift))
      PasteFromClipboard();
    else if (key == VK_INSERT && Shift.Contains(ssCtrl))
      CopyToClipboard();
    else if (key == VK_DELETE && Shift.Contains(ssShift))
      CutToClipboard();
  });
}

void TcxCustomImage::KeyPress(char32_t& Key) {
  inherited::KeyPress(Key);
  char32_t key = Key;
  WithKeyboardAction([&] {
    if (key == 3)
      CopyToClipboard();
    else if (key == 22)
      PasteFromClipboard();
    else if (key == 24)
      CutToClipboard();
  });
}

void TcxCustomImage::DoContextPopup(POINT MousePos, bool& Handled) {
  if (PopupMenu() || ActiveProperties()->PopupMenuLayout()->MenuItems().Empty()) {
    inherited::DoContextPopup(MousePos, Handled);
    return;
  }
  Handled = true;
  POINT p = (MousePos.x == -1 && MousePos.y == -1) ? POINT{10, 10} : MousePos;
  UpdateEditPopupMenu();
  p = ClientToScreen(p);
  FEditPopupMenu->Popup(p.x, p.y);
}

void TcxCustomImage::UpdateEditPopupMenu() {
  static const char* const captions[] = {cxSMenuItemCaptionCut,    cxSMenuItemCaptionCopy, cxSMenuItemCaptionPaste,
                                         cxSMenuItemCaptionDelete, "-",                    cxSMenuItemCaptionLoad,
                                         cxSMenuItemCaptionSave,   "-",                    ""};
  static const int32_t tags[] = {0, 1, 2, 3, -1, 4, 5, -1, 6};
  if (!FEditPopupMenu) {
    FEditPopupMenu = New<TPopupMenu>(nullptr);
    FEditPopupMenu->SetImages(MenuImages());
    for (int32_t i = 0; i < 9; ++i) {
      TMenuItem* item = New<TMenuItem>(FEditPopupMenu);
      item->SetCaption(captions[i]);
      item->SetTag(tags[i]);
      if (tags[i] >= 0 && tags[i] < 6) item->SetImageIndex(tags[i]);
      item->OnClick = TNotifyEvent(this, &TcxCustomImage::MenuItemClick);
      FEditPopupMenu->Items()->Add(item);
    }
  }
  TMenuItem* items = FEditPopupMenu->Items();
  for (int32_t i : {0, 1, 2, 3, 5, 6}) items->Items(i)->SetCaption(TranslateString(captions[i]));

  TcxCustomImageProperties* properties = ActiveProperties();
  TcxPopupMenuLayout* layout = properties->PopupMenuLayout();
  TcxPopupMenuItems shown = layout->MenuItems();
  static const TcxPopupMenuItem kinds[] = {pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiCut, pmiLoad, pmiSave, pmiCut,
                                           pmiCustom};
  for (int32_t i : {0, 1, 2, 3, 5, 6, 8}) items->Items(i)->SetVisible(shown.Contains(kinds[i]));
  items->Items(4)->SetVisible(items->Items(5)->Visible() || items->Items(6)->Visible());
  items->Items(7)->SetVisible(items->Items(8)->Visible());
  items->Items(8)->SetCaption(layout->CustomMenuItemCaption());
  // Menu items draw from the menu's image list only: a custom glyph goes into a list of the editor's own,
  // after copies of the six shared pictures, transparent by its bottom-left colour.
  if (layout->HasCustomMenuItemGlyph() && !layout->CustomMenuItemGlyph()->Empty()) {
    if (!FCustomMenuImages) FCustomMenuImages = New<TImageList>(FEditPopupMenu);
    FCustomMenuImages->BeginUpdate();
    FCustomMenuImages->Clear();
    for (int32_t i = 0; i < 6; ++i) {
      TBitmap* glyph = MakeMenuGlyph(i);
      FCustomMenuImages->AddMasked(glyph, glyph->TransparentColor());
      glyph->Free();
    }
    TBitmap* custom = layout->CustomMenuItemGlyph();
    FCustomMenuImages->AddMasked(custom, custom->TransparentColor());
    FCustomMenuImages->EndUpdate();
    FEditPopupMenu->SetImages(FCustomMenuImages);
    items->Items(8)->SetImageIndex(6);
  } else {
    FEditPopupMenu->SetImages(MenuImages());
    items->Items(8)->SetImageIndex(-1);
  }

  bool empty = IsPictureEmpty(FPicture);
  bool canModify = CanModify();
  bool notIcon = properties->GraphicClass() != TIcon::StaticClass();
  items->Items(0)->SetEnabled(canModify && !empty && notIcon);
  items->Items(1)->SetEnabled(!empty && notIcon);
  items->Items(2)->SetEnabled(canModify && CanPasteFromClipboard());
  items->Items(3)->SetEnabled(!empty && canModify);
  items->Items(5)->SetEnabled(canModify);
  items->Items(6)->SetEnabled(!empty);
  items->Items(8)->SetEnabled(true);
}

void TcxCustomImage::MenuItemClick(TObject* Sender) {
  if (auto* item = dynamic_cast<TMenuItem*>(Sender)) DoMenuItemAction(static_cast<int32_t>(item->Tag()));
}

void TcxCustomImage::DoMenuItemAction(int32_t ATag) {
  WithKeyboardAction([&] {
    switch (ATag) {
      case 0: CutToClipboard(); break;
      case 1: CopyToClipboard(); break;
      case 2: PasteFromClipboard(); break;
      case 3: ClearEditValue(); break;
      case 4: LoadFromFile(); break;
      case 5: SaveToFile(); break;
      case 6: CustomClick(); break;
      default: break;
    }
  });
}
