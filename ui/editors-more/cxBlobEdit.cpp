#include "ui/editors-more/cxBlobEdit.h"

#include <algorithm>
#include <utility>

#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/Math.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxGraphics.h"
#include "ui/editors/cxEditConsts.h"
#include "ui/editors/cxEditTextUtils.h"

namespace {

// Resource strings of the blob editor (translated on every use).
const char* const cxSBlobMemo = "(ТЕКСТ)";
const char* const cxSBlobMemoEmpty = "(текст)";
const char* const cxSBlobPicture = "(РИСУНОК)";
const char* const cxSBlobPictureEmpty = "(рисунок)";
const char* const cxSBlobOle = "OLE";
const char* const cxSBlobBlob = "BLOB";
const char* const cxSBlobButtonOK = "ОК";
const char* const cxSBlobButtonCancel = "Отмена";
const char* const cxSBlobButtonClose = "Закрыть";

TImageList* gBlobImages = nullptr;

const char* const kBlobIconNames[] = {"CXBMBLOB_BLOB_NULL", "CXBMBLOB_BLOB", "CXBMBLOB_MEMO_NULL", "CXBMBLOB_MEMO",
                                      "CXBMBLOB_PICT_NULL", "CXBMBLOB_PICT", "CXBMBLOB_OLE_NULL", "CXBMBLOB_OLE"};

// The 16 x 16 icons, drawn once on an olive ground (the list's mask colour). A kind's "no data" icon is
// the outline of its "with data" icon.
TBitmap* BlobMakeIcon(int32_t AIndex) {
  TBitmap* b = New<TBitmap>();
  b->SetSize(16, 16);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clOlive);
  c->FillRect(RECT{0, 0, 16, 16});
  auto fill = [&](TColor AColor, RECT R) {
    c->Brush()->SetColor(AColor);
    c->FillRect(R);
  };
  TcxCanvas frameCanvas(c);
  const bool data = AIndex % 2 == 1;
  const TColor ink = data ? clBlack : clGray;
  switch (AIndex / 2) {
    case 0:  // raw data: a box of bits
      if (data) fill(clWhite, RECT{2, 3, 14, 13});
      frameCanvas.FrameRect(RECT{2, 3, 14, 13}, ink);
      if (data)
        for (int32_t y = 0; y < 2; ++y)
          for (int32_t x = 0; x < 4; ++x)
            if ((x + y) % 2 == 0) fill(clNavy, RECT{4 + x * 2, 6 + y * 2, 5 + x * 2, 8 + y * 2});
      break;
    case 1:  // text: a sheet with lines
      if (data) fill(clWhite, RECT{3, 1, 13, 15});
      frameCanvas.FrameRect(RECT{3, 1, 13, 15}, ink);
      if (data)
        for (int32_t y = 4; y < 13; y += 2) fill(clBlack, RECT{5, y, y == 12 ? 9 : 11, y + 1});
      break;
    case 2:  // picture: a frame with a sun and a hill
      if (data) fill(clAqua, RECT{1, 2, 15, 14});
      frameCanvas.FrameRect(RECT{1, 2, 15, 14}, ink);
      if (data) {
        fill(clYellow, RECT{10, 4, 13, 7});
        for (int32_t i = 0; i < 6; ++i) fill(clGreen, RECT{2 + i, 12 - i, 14 - i, 13 - i});
      }
      break;
    default:  // embedded object: a sheet with a ring
      if (data) fill(clWhite, RECT{2, 2, 14, 14});
      frameCanvas.FrameRect(RECT{2, 2, 14, 14}, ink);
      frameCanvas.FrameRect(RECT{5, 5, 11, 11}, data ? clRed : clGray);
      break;
  }
  return b;
}

// An update bracket on properties that never fires Changed: the settings an opening gives them are
// the popup's, not a change the editors sharing them should hear of.
template <class F>
void BlobWithoutChanged(TcxCustomEditProperties* AProperties, F&& AStep) {
  AProperties->BeginUpdate();
  try {
    AStep();
  } catch (...) {
    AProperties->EndUpdate(false);
    throw;
  }
  AProperties->EndUpdate(false);
}

}  // namespace

// ---- icons and texts -------------------------------------------------------------------------------------------

TBitmap* cxBlobEditCreateIconBitmap(const String& AResourceName) {
  for (int32_t i = 0; i < 8; ++i)
    if (AResourceName == kBlobIconNames[i]) return BlobMakeIcon(i);
  return nullptr;
}

TCustomImageList* cxBlobEditImages() {
  if (!gBlobImages) {
    gBlobImages = New<TImageList>(nullptr);
    for (int32_t i = 0; i < 8; ++i) {
      TBitmap* icon = cxBlobEditCreateIconBitmap(kBlobIconNames[i]);
      if (i == 0) {
        gBlobImages->SetWidth(icon->Width());
        gBlobImages->SetHeight(icon->Height());
      }
      gBlobImages->AddMasked(icon, clOlive);
      icon->Free();
    }
  }
  return gBlobImages;
}

bool cxBlobValueIsBlank(const Variant& AValue) {
  if (VarIsNull(AValue) || VarIsEmpty(AValue)) return true;
  return VarIsStr(AValue) && VarToStr(AValue).empty();
}

String cxBlobEditValueText(TcxBlobEditKind AKind, TcxBlobPaintStyle AStyle, const Variant& AValue) {
  if (AStyle == bpsIcon) return String();
  const bool blank = cxBlobValueIsBlank(AValue);
  if (AStyle == bpsText && AKind == bekMemo) {
    if (VarIsNull(AValue) || VarIsEmpty(AValue)) return String();
    String text = VarToStr(AValue);
    CutToFirstLine(text, 0);
    return text;
  }
  switch (AKind) {
    case bekMemo: return TranslateString(blank ? cxSBlobMemoEmpty : cxSBlobMemo);
    case bekPict: return TranslateString(blank ? cxSBlobPictureEmpty : cxSBlobPicture);
    default: return String();
  }
}

void cxBlobEditInitialize() {
  GetRegisteredEditProperties()->Register(TcxBlobEditProperties::StaticClass(), cxSEditRepositoryBlobItem);
  RegisterClasses({TcxBlobEdit::StaticClass()});
  cxBlobEditImages();
}

void cxBlobEditFinalize() { FreeAndNil(gBlobImages); }

// ---- TcxCustomBlobEditProperties ------------------------------------------------------------------------------

RTL_PUBLISHED(TcxCustomBlobEditProperties) {}

RTL_PUBLISHED(TcxBlobEditProperties) {
  prop("AlwaysSaveData", &TcxBlobEditProperties::AlwaysSaveData, &TcxBlobEditProperties::SetAlwaysSaveData)
      .Default(true);
  prop("BlobEditKind", &TcxBlobEditProperties::BlobEditKind, &TcxBlobEditProperties::SetBlobEditKind)
      .Default(bekAuto);
  prop("BlobPaintStyle", &TcxBlobEditProperties::BlobPaintStyle, &TcxBlobEditProperties::SetBlobPaintStyle)
      .Default(bpsIcon);
  prop("ImmediatePost", &TcxBlobEditProperties::ImmediatePost, &TcxBlobEditProperties::SetImmediatePost)
      .Default(false);
  prop("MemoAutoReplace", &TcxBlobEditProperties::MemoAutoReplace, &TcxBlobEditProperties::SetMemoAutoReplace)
      .Default(false);
  prop("MemoCharCase", &TcxBlobEditProperties::MemoCharCase, &TcxBlobEditProperties::SetMemoCharCase)
      .Default(ecNormal);
  prop("MemoMaxLength", &TcxBlobEditProperties::MemoMaxLength, &TcxBlobEditProperties::SetMemoMaxLength)
      .Default(0);
  prop("MemoOEMConvert", &TcxBlobEditProperties::MemoOEMConvert, &TcxBlobEditProperties::SetMemoOEMConvert)
      .Default(false);
  prop("MemoScrollBars", &TcxBlobEditProperties::MemoScrollBars, &TcxBlobEditProperties::SetMemoScrollBars)
      .Default(ssNone);
  prop("MemoWantReturns", &TcxBlobEditProperties::MemoWantReturns, &TcxBlobEditProperties::SetMemoWantReturns)
      .Default(true);
  prop("MemoWantTabs", &TcxBlobEditProperties::MemoWantTabs, &TcxBlobEditProperties::SetMemoWantTabs)
      .Default(true);
  prop("MemoWordWrap", &TcxBlobEditProperties::MemoWordWrap, &TcxBlobEditProperties::SetMemoWordWrap)
      .Default(true);
  prop("PictureAutoSize", &TcxBlobEditProperties::PictureAutoSize, &TcxBlobEditProperties::SetPictureAutoSize)
      .Default(true);
  prop("PictureFilter", &TcxBlobEditProperties::PictureFilter, &TcxBlobEditProperties::SetPictureFilter);
  prop("PictureGraphicClassName", &TcxBlobEditProperties::PictureGraphicClassName,
       &TcxBlobEditProperties::SetPictureGraphicClassName)
      .Stored(&TcxBlobEditProperties::IsPictureGraphicClassNameStored);
  prop("PictureTransparency", &TcxBlobEditProperties::PictureTransparency,
       &TcxBlobEditProperties::SetPictureTransparency)
      .Default(gtDefault);
  prop("ReadOnly", &TcxBlobEditProperties::ReadOnly, &TcxBlobEditProperties::SetReadOnly)
      .Stored(&TcxBlobEditProperties::IsReadOnlyStored);
  prop("ShowExPopupItems", &TcxBlobEditProperties::ShowExPopupItems, &TcxBlobEditProperties::SetShowExPopupItems)
      .Default(true);
  prop("ShowPicturePopup", &TcxBlobEditProperties::ShowPicturePopup, &TcxBlobEditProperties::SetShowPicturePopup)
      .Default(true);
  event("OnAssignPicture", &TcxBlobEditProperties::OnAssignPicture, &TcxBlobEditProperties::OnAssignPicture);
  event("OnButtonClick", &TcxBlobEditProperties::OnButtonClick, &TcxBlobEditProperties::OnButtonClick);
  event("OnChange", &TcxBlobEditProperties::OnChange, &TcxBlobEditProperties::OnChange);
  event("OnEditValueChanged", &TcxBlobEditProperties::OnEditValueChanged,
        &TcxBlobEditProperties::OnEditValueChanged);
  event("OnGetGraphicClass", &TcxBlobEditProperties::OnGetGraphicClass, &TcxBlobEditProperties::OnGetGraphicClass);
}

TcxCustomBlobEditProperties::TcxCustomBlobEditProperties(TPersistent* AOwner)
    : TcxCustomPopupEditProperties(AOwner), FPictureGraphicClass(::GetDefaultGraphicClass()) {}

void TcxCustomBlobEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  BeginUpdate();
  SetImmediatePopup(true);
  SetPopupMinWidth(160);
  SetPopupMinHeight(140);
  EndUpdate(false);
}

TGraphicClass TcxCustomBlobEditProperties::GetDefaultGraphicClass() const { return ::GetDefaultGraphicClass(); }

void TcxCustomBlobEditProperties::SetBlobEditKind(TcxBlobEditKind Value) {
  if (FBlobEditKind == Value) return;
  FBlobEditKind = Value;
  if (Buttons()->Count() > 0)
    Buttons()->Items(0)->SetKind(Value == bekMemo || Value == bekPict ? bkDown : bkEllipsis);
  Changed();
}

void TcxCustomBlobEditProperties::SetBlobPaintStyle(TcxBlobPaintStyle Value) {
  if (FBlobPaintStyle == Value) return;
  FBlobPaintStyle = Value;
  Changed();
}

// A stand-alone editor's provider answers blob kind 3 (text), so it works as a memo.
TcxBlobEditKind TcxCustomBlobEditProperties::ResolvedBlobEditKind() {
  if (FBlobEditKind != bekAuto) return FBlobEditKind;
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  TcxBlobEditKind kind = bekBlob;
  if (provider) {
    if (!provider->IsDataAvailable()) return bekAuto;
    switch (provider->GetDefaultBlobKind()) {
      case 2: kind = bekPict; break;
      case 3: kind = bekMemo; break;
      case 4: kind = bekOle; break;
      default: kind = bekBlob; break;
    }
  }
  BlobWithoutChanged(this, [&] { SetBlobEditKind(kind); });
  return FBlobEditKind;
}

String TcxCustomBlobEditProperties::PictureGraphicClassName() const {
  return FPictureGraphicClass ? String(FPictureGraphicClass->ClassName()) : String();
}

void TcxCustomBlobEditProperties::SetPictureGraphicClassName(const String& Value) {
  if (Value.empty()) {
    FPictureGraphicClass = nullptr;
    return;
  }
  if (TGraphicClass cls = FindGraphicClassByName(Value)) FPictureGraphicClass = cls;
}

void TcxCustomBlobEditProperties::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty("IsPictureGraphicClassNameEmpty",
                        TReaderProc(this, &TcxCustomBlobEditProperties::ReadIsPictureGraphicClassNameEmpty),
                        TWriterProc(this, &TcxCustomBlobEditProperties::WriteIsPictureGraphicClassNameEmpty),
                        FPictureGraphicClass == nullptr);
}

void TcxCustomBlobEditProperties::ReadIsPictureGraphicClassNameEmpty(TReader* Reader) {
  Reader->ReadBoolean();
  FPictureGraphicClass = nullptr;
}

void TcxCustomBlobEditProperties::WriteIsPictureGraphicClassNameEmpty(TWriter* Writer) {
  Writer->WriteBoolean(true);
}

void TcxCustomBlobEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomBlobEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetAlwaysSaveData(source->AlwaysSaveData());
    SetBlobEditKind(source->BlobEditKind());
    SetBlobPaintStyle(source->BlobPaintStyle());
    SetMemoAutoReplace(source->MemoAutoReplace());
    SetMemoCharCase(source->MemoCharCase());
    SetMemoMaxLength(source->MemoMaxLength());
    SetMemoOEMConvert(source->MemoOEMConvert());
    SetMemoScrollBars(source->MemoScrollBars());
    SetMemoWantReturns(source->MemoWantReturns());
    SetMemoWantTabs(source->MemoWantTabs());
    SetMemoWordWrap(source->MemoWordWrap());
    SetPictureAutoSize(source->PictureAutoSize());
    SetPictureFilter(source->PictureFilter());
    SetPictureGraphicClass(source->PictureGraphicClass());
    SetPictureTransparency(source->PictureTransparency());
    SetShowExPopupItems(source->ShowExPopupItems());
    SetShowPicturePopup(source->ShowPicturePopup());
    OnAssignPicture = source->OnAssignPicture;
    OnGetGraphicClass = source->OnGetGraphicClass;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TClass TcxCustomBlobEditProperties::GetContainerClass() const { return TcxCustomBlobEdit::StaticClass(); }

TcxCustomEditViewDataClass TcxCustomBlobEditProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxBlobEditViewData>();
}

TClass TcxCustomBlobEditProperties::GetViewInfoClass() const { return TcxBlobEditViewInfo::StaticClass(); }

TClass TcxCustomBlobEditProperties::GetPopupWindowClass() { return TcxBlobEditPopupWindow::StaticClass(); }

bool TcxCustomBlobEditProperties::AreEditValuesEqual(const Variant& AEditValue1, const Variant& AEditValue2) {
  if (FBlobPaintStyle == bpsText && ResolvedBlobEditKind() == bekMemo && VarIsStr(AEditValue1) &&
      VarIsStr(AEditValue2))
    return VarToStr(AEditValue1) == VarToStr(AEditValue2);
  return false;
}

int32_t TcxCustomBlobEditProperties::GetEditValueSource(bool) const {
  auto* self = const_cast<TcxCustomBlobEditProperties*>(this);
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  if (self->ResolvedBlobEditKind() == bekMemo && (!provider || !provider->IsBlobData())) return 1;
  return 0;
}

WideString TcxCustomBlobEditProperties::GetDisplayText(const Variant& AEditValue, bool AFullText, bool) {
  if (VarIsNull(AEditValue) || VarIsEmpty(AEditValue)) return WideString();
  switch (ResolvedBlobEditKind()) {
    case bekMemo:
      if (AFullText) return Utf8ToUtf16(VarToStr(AEditValue));
      return Utf8ToUtf16(cxBlobEditValueText(bekMemo, FBlobPaintStyle, AEditValue));
    case bekPict: return Utf8ToUtf16(TranslateString(cxSBlobPicture));
    case bekOle: return Utf8ToUtf16(TranslateString(cxSBlobOle));
    default: return Utf8ToUtf16(TranslateString(cxSBlobBlob));
  }
}

// ---- view data and view info ------------------------------------------------------------------------------------

void TcxBlobEditViewInfo::Assign(TObject* Source) {
  inherited::Assign(Source);
  if (auto* source = dynamic_cast<TcxBlobEditViewInfo*>(Source)) {
    IconRect = source->IconRect;
    ImageIndex = source->ImageIndex;
  }
}

void TcxBlobEditViewInfo::OffsetRects(int32_t DX, int32_t DY) {
  inherited::OffsetRects(DX, DY);
  OffsetRect(&IconRect, DX, DY);
}

void TcxBlobEditViewInfo::PaintBackground(TcxCanvas* ACanvas) {
  if (!ACanvas->RectVisible(Bounds)) return;
  // The text path paints the background, the buttons, the text and the focus frame; with an icon the
  // text is empty and the icon goes over that background.
  inherited::PaintBackground(ACanvas);
  if (ImageIndex < 0 || IsRectEmpty(&IconRect)) return;
  TcxRegion* saved = ACanvas->GetClipRegion();
  try {
    ACanvas->IntersectClip(ClientRect);
    cxBlobEditImages()->Draw(ACanvas->Canvas(), IconRect.left, IconRect.top, ImageIndex, Enabled);
  } catch (...) {
    ACanvas->SetClipRegion(saved, rcmCopy);
    throw;
  }
  ACanvas->SetClipRegion(saved, rcmCopy);
}

int32_t TcxBlobEditViewData::GetImageIndex(const Variant& AEditValue) {
  TcxCustomBlobEditProperties* p = BlobProperties();
  if (p->BlobPaintStyle() != bpsIcon) return -1;
  int32_t index;
  switch (p->ResolvedBlobEditKind()) {
    case bekMemo: index = cxBlobIconMemoNull; break;
    case bekPict: index = cxBlobIconPictNull; break;
    case bekOle: index = cxBlobIconOleNull; break;
    default: index = cxBlobIconBlobNull; break;
  }
  return cxBlobValueIsBlank(AEditValue) ? index : index + 1;
}

void TcxBlobEditViewData::EditValueToDisplayText(const Variant& AEditValue, String& AText) {
  TcxCustomBlobEditProperties* p = BlobProperties();
  AText = cxBlobEditValueText(p->ResolvedBlobEditKind(), p->BlobPaintStyle(), AEditValue);
}

uint32_t TcxBlobEditViewData::GetDrawTextFlags() {
  // One vertically centred line; a stand-alone editor ends a text that does not fit in "...".
  uint32_t flags = TOF_SINGLELINE | TOF_CENTER_VERT;
  if (!IsInplace) flags |= TOF_END_ELLIPSIS;
  return flags;
}

void TcxBlobEditViewData::CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                             TcxCustomEditViewInfo* AViewInfo, TShiftState AShift,
                                             TMouseButton AButton, POINT AMousePos) {
  inherited::CalculateEditRects(ACanvas, ABounds, AIsMouseEvent, AViewInfo, AShift, AButton, AMousePos);
  auto* viewInfo = static_cast<TcxBlobEditViewInfo*>(AViewInfo);
  viewInfo->ImageIndex = GetImageIndex(Edit ? Edit->EditValue() : Value);
  viewInfo->IconRect = RECT{};
  if (viewInfo->ImageIndex < 0) return;
  viewInfo->SetText(String());
  TCustomImageList* images = cxBlobEditImages();
  const RECT& c = viewInfo->ClientRect;
  int32_t w = images->Width(), h = images->Height();
  int32_t left = c.left + (c.right - c.left - w) / 2, top = c.top + (c.bottom - c.top - h) / 2;
  viewInfo->IconRect = RECT{left, top, left + w, top + h};
}

void TcxBlobEditViewData::GetValueContentSize(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                                              const TcxEditSizeProperties& ASizeRequest) {
  inherited::GetValueContentSize(ACanvas, AEditValue, ASize, ASizeRequest);
  if (GetImageIndex(AEditValue) < 0) return;
  TCustomImageList* images = cxBlobEditImages();
  ASize.cx += images->Width();
  ASize.cy = std::max<int32_t>(ASize.cy, images->Height());
}

// ---- the popup controls -------------------------------------------------------------------------------------------

namespace {

// The popup result of a key pressed in the popup control, or mrNone for a key the control keeps.
TModalResult BlobPopupKeyResult(TcxCustomBlobEdit* AEdit, uint16_t AKey, TShiftState AShift, bool AEnterCloses) {
  const bool alt = AShift.Contains(ssAlt);
  const TModalResult keep = AEdit->ActiveProperties()->AlwaysSaveData() ? mrOk : mrCancel;
  if ((AKey == VK_F4 && !alt) || (alt && (AKey == VK_UP || AKey == VK_DOWN))) return keep;
  if (AKey == VK_ESCAPE) return mrCancel;
  if (AKey == VK_RETURN && AEnterCloses) return mrOk;
  return mrNone;
}

}  // namespace

void TcxPopupMemo::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (FBlobEdit) {
    auto* p = FBlobEdit->ActiveProperties();
    bool enterCloses = Shift.Contains(ssCtrl) || !p->MemoWantReturns();
    TModalResult r = BlobPopupKeyResult(FBlobEdit, Key, Shift, enterCloses);
    if (r != mrNone) {
      Key = 0;
      FBlobEdit->ClosePopupWithResult(r);
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

void TcxPopupImage::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (FBlobEdit) {
    TModalResult r = BlobPopupKeyResult(FBlobEdit, Key, Shift, true);
    if (r != mrNone) {
      Key = 0;
      FBlobEdit->ClosePopupWithResult(r);
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

void TcxBlobEditPopupWindow::ForwardChar(uint16_t AChar) {
  auto* edit = dynamic_cast<TcxCustomBlobEdit*>(OwnerControl());
  TcxPopupMemo* memo = edit ? edit->PopupMemo() : nullptr;
  if (memo && edit->ActiveProperties()->MemoAutoReplace() && !memo->ActiveProperties()->ReadOnly()) {
    // The typed character replaces the whole text, as typing over a selected text would.
    memo->InnerEdit()->SetEditValue(Variant(Utf8FromCodePoint(AChar)));
    memo->SetModifiedAfterEnter(true);
    edit->PopupControlChanged(memo);
    if (IcxInnerMemo* inner = memo->InnerMemo()) inner->SetCaretPos(POINT{1, 0});
    return;
  }
  inherited::ForwardChar(AChar);
}

void TcxBlobEditPopupWindow::Resize() {
  inherited::Resize();
  if (auto* edit = dynamic_cast<TcxCustomBlobEdit*>(OwnerControl())) edit->PositionPopupButtons();
}

// ---- TcxCustomBlobEdit -----------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxBlobEdit) {
  prop("Properties", &TcxBlobEdit::Properties, &TcxBlobEdit::SetProperties);
  prop("Style", &TcxBlobEdit::Style, &TcxBlobEdit::SetStyle);
  prop("StyleDisabled", &TcxBlobEdit::StyleDisabled, &TcxBlobEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxBlobEdit::StyleFocused, &TcxBlobEdit::SetStyleFocused);
  prop("StyleHot", &TcxBlobEdit::StyleHot, &TcxBlobEdit::SetStyleHot);
  event("OnEditing", &TcxBlobEdit::OnEditing, &TcxBlobEdit::OnEditing);
}

TcxCustomBlobEdit::TcxCustomBlobEdit(TComponent* AOwner) : TcxCustomPopupEdit(AOwner) {}

TcxCustomBlobEdit::~TcxCustomBlobEdit() = default;

void TcxCustomBlobEdit::BeforeDestruction() {
  // An editor going away takes nothing from its popup: the popup is hidden without its closing handlers,
  // and its control and buttons go before the popup edit gives back what it hosts.
  if (TcxCustomEditPopupWindow* w = PopupWindow(); w && HasPopupWindow()) {
    w->OnClosed = TNotifyEvent();
    w->SetModalResult(mrCancel);
    w->CloseUp(false);
  }
  DestroyPopupControls();
  inherited::BeforeDestruction();
}

void TcxCustomBlobEdit::WndProc(TMessage& Message) {
  inherited::WndProc(Message);
  // A popup whose show request was dropped never closes: its controls go once the popup edit has found
  // the hosted one left behind and given it back.
  if (Message.Msg == CM_POPUPEDITCHECKHOSTED && FPopupControl && !HasPopupWindow() && !HostedControl())
    DestroyPopupControls();
}

void TcxCustomBlobEdit::DropDown() {
  FPopupControlsMade = false;
  inherited::DropDown();
}

void TcxCustomBlobEdit::InitializeEdit() {
  inherited::InitializeEdit();
  TControlStyle style = ControlStyle();
  style.Exclude(csSetCaption);
  SetControlStyle(style);
  SetTabStop(true);
  // The popup closes on the result its buttons and keys give it, which its own loop watches for.
  if (PopupWindow()) PopupWindow()->SetIsModal(true);
}

bool TcxCustomBlobEdit::CanChangeValue() {
  return !ActiveProperties()->ReadOnly() && DataBinding()->IsDataAvailable() && CanModify();
}

TGraphicClass TcxCustomBlobEdit::GetGraphicClass(bool APastingFromClipboard) {
  TcxCustomBlobEditProperties* p = ActiveProperties();
  if (TGraphicClass cls = p->PictureGraphicClass()) return cls;
  TGraphicClass cls = APastingFromClipboard ? TBitmap::StaticClass() : nullptr;
  if (p->OnGetGraphicClass) p->OnGetGraphicClass(nullptr, -1, APastingFromClipboard, cls);
  return cls;
}

void TcxCustomBlobEdit::PopupImageGetGraphicClass(TObject*, bool APastingFromClipboard, TGraphicClass& AGraphicClass) {
  AGraphicClass = GetGraphicClass(APastingFromClipboard);
}

void TcxCustomBlobEdit::PopupControlEditing(TObject*, bool& CanEdit) { CanEdit = CanChangeValue(); }

void TcxCustomBlobEdit::PopupControlChanged(TObject*) {
  FPopupModified = true;
  if (FOKButton) {
    FOKButton->SetEnabled(true);
    FOKButton->SetDefault(true);
  }
}

TcxButton* TcxCustomBlobEdit::CreatePopupButton(const String& ACaption, TModalResult AResult) {
  TcxButton* button = New<TcxButton>(nullptr);
  button->SetCaption(ACaption);
  button->SetModalResult(AResult);
  button->Font()->Assign(Style()->GetVisibleFont());
  return button;
}

void TcxCustomBlobEdit::CreatePopupControls() {
  DestroyPopupControls();
  TcxCustomBlobEditProperties* p = ActiveProperties();
  const TcxBlobEditKind kind = p->ResolvedBlobEditKind();
  if (kind != bekMemo && kind != bekPict) return;
  const bool canChange = CanChangeValue();
  FPopupModified = false;

  if (kind == bekMemo) {
    TcxPopupMemo* memo = New<TcxPopupMemo>(nullptr);
    FPopupControl = memo;
    memo->SetBlobEdit(this);
    memo->Style()->SetBorderStyle(cbsNone);
    TcxCustomMemoProperties* mp = memo->Properties();
    mp->BeginUpdate();
    mp->SetCharCase(p->MemoCharCase());
    mp->SetImeMode(p->ImeMode());
    mp->SetImeName(p->ImeName());
    mp->SetMaxLength(p->MemoMaxLength());
    mp->SetOEMConvert(p->MemoOEMConvert());
    mp->SetScrollBars(p->MemoScrollBars());
    mp->SetWantReturns(p->MemoWantReturns());
    mp->SetWantTabs(p->MemoWantTabs());
    mp->SetWordWrap(p->MemoWordWrap());
    mp->SetReadOnly(!canChange);
    mp->EndUpdate();
    memo->SetParent(PopupWindow());
    memo->SetEditValue(EditValue());
    memo->Style()->SetFont(Style()->GetVisibleFont());
    memo->Style()->SetColor(Style()->Color());
    if (TcxLookAndFeel* lf = PopupControlsLookAndFeel()) memo->Style()->LookAndFeel()->SetMaster(lf);
    BlobWithoutChanged(p, [&] {
      p->SetPopupSysPanelStyle(true);
      p->SetPopupAutoSize(false);
      p->SetPopupControl(memo);
    });
  } else {
    TcxPopupImage* image = New<TcxPopupImage>(nullptr);
    FPopupControl = image;
    image->SetBlobEdit(this);
    image->Style()->SetBorderStyle(cbsNone);
    TcxCustomImageProperties* ip = image->Properties();
    ip->BeginUpdate();
    ip->SetShowFocusRect(false);
    ip->SetStretch(true);
    ip->SetCustomFilter(p->PictureFilter());
    ip->SetGraphicTransparency(p->PictureTransparency());
    TcxPopupMenuItems items = ip->PopupMenuLayout()->MenuItems();
    if (!p->ShowPicturePopup())
      items = TcxPopupMenuItems{};
    else if (!p->ShowExPopupItems())
      items = items - TcxPopupMenuItems{pmiLoad, pmiSave};
    ip->PopupMenuLayout()->SetMenuItems(items);
    ip->SetReadOnly(!canChange);
    ip->SetGraphicClass(p->PictureGraphicClass());
    ip->EndUpdate();
    image->OnGetGraphicClass =
        TcxImageEditGraphicClassEvent(this, &TcxCustomBlobEdit::PopupImageGetGraphicClass);
    if (TcxLookAndFeel* lf = PopupControlsLookAndFeel()) image->Style()->LookAndFeel()->SetMaster(lf);
    image->SetParent(PopupWindow());
    image->SetEditValue(EditValue());
    BlobWithoutChanged(p, [&] {
      p->SetPopupSysPanelStyle(true);
      p->SetPopupControl(image);
      p->SetPopupAutoSize(p->PictureAutoSize());
    });
  }
  FPopupControl->Properties()->OnChange = TNotifyEvent(this, &TcxCustomBlobEdit::PopupControlChanged);
  FPopupControl->OnEditing = TcxEditEditingEvent(this, &TcxCustomBlobEdit::PopupControlEditing);

  // Close (read-only) or Cancel, and OK when the value can change; OK waits for a change.
  FCancelButton = CreatePopupButton(TranslateString(canChange ? cxSBlobButtonCancel : cxSBlobButtonClose), mrCancel);
  FCancelButton->SetCancel(true);
  TBitmap* measure = New<TBitmap>();
  try {
    measure->SetSize(1, 1);
    measure->Canvas()->Font()->Assign(FCancelButton->Font());
    FButtonHeight = MulDiv(measure->Canvas()->TextHeight("Wg"), 20, 13);
    FButtonWidth = measure->Canvas()->TextWidth(FCancelButton->Caption() + "00");
    if (canChange) {
      FOKButton = CreatePopupButton(TranslateString(cxSBlobButtonOK), mrOk);
      FOKButton->SetEnabled(false);
      FButtonWidth = std::max(FButtonWidth, measure->Canvas()->TextWidth(FOKButton->Caption() + "00"));
    }
  } catch (...) {
    measure->Free();
    throw;
  }
  measure->Free();
  const int32_t h = FButtonHeight;
  for (TcxButton* b : {FCancelButton, FOKButton})
    if (b) {
      b->SetBounds(0, 0, FButtonWidth, h);
      b->SetParent(PopupWindow());
    }
  PopupWindow()->ViewInfo()->MinSysPanelHeight = h + h / 3;
  const int32_t buttons = FOKButton ? 2 * (h / 3 + FButtonWidth) : h / 3 + FButtonWidth;
  BlobWithoutChanged(p, [&] { p->SetPopupMinWidth(buttons + GetSystemMetrics(SM_CXVSCROLL) + h / 2); });
}

void TcxCustomBlobEdit::DestroyPopupControls() {
  if (TcxCustomBlobEditProperties* p = ActiveProperties(); p && p->PopupControl() && p->PopupControl() == FPopupControl)
    BlobWithoutChanged(p, [&] { p->SetPopupControl(nullptr); });
  FreeAndNil(FOKButton);
  FreeAndNil(FCancelButton);
  if (FPopupControl) {
    FPopupControl->Properties()->OnChange = TNotifyEvent();
    FPopupControl->OnEditing = TcxEditEditingEvent();
    FreeAndNil(FPopupControl);
  }
  if (PopupWindow()) PopupWindow()->ViewInfo()->MinSysPanelHeight = 0;
}

bool TcxCustomBlobEdit::CanDropDown() { return FPopupControl != nullptr && inherited::CanDropDown(); }

void TcxCustomBlobEdit::DoInitPopup() {
  // One set of controls per opening request; a request while the popup is up keeps the controls the user
  // is working in.
  if (!HasPopupWindow() && !FPopupControlsMade) {
    CreatePopupControls();
    FPopupControlsMade = true;
  }
  inherited::DoInitPopup();
}

TWinControl* TcxCustomBlobEdit::GetPopupFocusedControl() { return FPopupControl; }

void TcxCustomBlobEdit::CalculatePopupSize(SIZE& ASize) {
  if (TcxPopupImage* image = PopupImage(); image && ActiveProperties()->PictureAutoSize()) {
    ASize = SIZE{image->Picture()->Width() + 4, image->Picture()->Height() + 4};
    return;
  }
  ASize = FPopupControl ? SIZE{FPopupControl->Width(), FPopupControl->Height()} : SIZE{0, 0};
}

void TcxCustomBlobEdit::PreparePopup() {
  // The blob popup closes through its own buttons, so its panel has no close button.
  if (FCancelButton) Style()->SetPopupCloseButton(false);
  inherited::PreparePopup();
  if (FCancelButton) PositionPopupButtons();
}

void TcxCustomBlobEdit::SetupPopupWindow() {
  inherited::SetupPopupWindow();
  if (FCancelButton) PopupWindow()->SetCloseButton(false);
}

void TcxCustomBlobEdit::PositionPopupButtons() {
  TcxCustomEditPopupWindow* w = PopupWindow();
  if (!w || !FCancelButton) return;
  w->CalculateViewInfo();
  TcxCustomEditPopupWindowViewInfo* vi = w->ViewInfo();
  const int32_t h = FButtonHeight;
  const bool top = vi->SizeGripCorner == cxGripTopLeft || vi->SizeGripCorner == cxGripTopRight;
  const bool right = vi->SizeGripCorner == cxGripTopRight || vi->SizeGripCorner == cxGripBottomRight;
  const RECT& g = vi->SizeGripRect;
  const bool grip = !IsRectEmpty(&g);
  int32_t cancelRight;
  if (grip && right)
    cancelRight = g.left - h / 6;
  else if (grip)
    cancelRight = w->Width() - std::max<int32_t>(2 * (h / 6), g.left);
  else
    // Without a grip the panel's right end is the sizing region's.
    cancelRight = vi->SizingRegionBounds.right - h / 6;
  // The band the buttons are centred in: the panel's height from its outer edge.
  const int32_t band = vi->MinSysPanelHeight > 0 ? vi->MinSysPanelHeight : vi->SysPanelHeight;
  int32_t bandTop;
  if (grip)
    bandTop = top ? g.top - 2 : g.bottom + 2 - band;
  else
    bandTop = top ? vi->SizingRegionBounds.top : vi->SizingRegionBounds.bottom - band;
  const int32_t buttonTop = bandTop + (band - h) / 2;
  FCancelButton->SetBounds(cancelRight - FButtonWidth, buttonTop, FButtonWidth, h);
  if (FOKButton) FOKButton->SetBounds(cancelRight - FButtonWidth - h / 3 - FButtonWidth, buttonTop, FButtonWidth, h);
}

void TcxCustomBlobEdit::PopupWindowShowed(TObject* Sender) {
  inherited::PopupWindowShowed(Sender);
  PositionPopupButtons();
}

void TcxCustomBlobEdit::ClosePopupWithResult(TModalResult AResult) {
  TcxCustomEditPopupWindow* w = PopupWindow();
  if (!w || !HasPopupWindow()) return;
  w->SetModalResult(AResult);
}

void TcxCustomBlobEdit::TakePopupValue() {
  Variant value;
  if (TcxPopupMemo* memo = PopupMemo()) {
    value = Variant(VarToStr(memo->InnerEdit()->GetEditValue()));
  } else if (TcxPopupImage* image = PopupImage()) {
    value = image->EditValue();
    if (TGraphic* g = image->Picture()->Graphic()) FGraphicClass = static_cast<TGraphicClass>(g->ClassType());
  } else {
    return;
  }
  bool changed = !VarEqualsExact(FEditValue, value);
  FEditValue = value;
  SetModifiedAfterEnter(true);
  RefreshDisplayFromEditValue();
  if (changed) {
    NotifyEditValueChanged();
    NotifyChange();
  }
  if (TcxPopupImage* image = PopupImage()) {
    if (Properties()->OnAssignPicture) Properties()->OnAssignPicture(this, image->Picture());
    if (RepositoryItem())
      if (auto* rp = dynamic_cast<TcxCustomBlobEditProperties*>(RepositoryItem()->Properties());
          rp && rp->OnAssignPicture)
        rp->OnAssignPicture(this, image->Picture());
  }
}

void TcxCustomBlobEdit::PopupWindowClosed(TObject* Sender) {
  cx_edit_detail::TAliveLink alive(this);
  WithEditChangeEventsLocked([&] {
    const TModalResult result = PopupWindow()->ModalResult();
    inherited::PopupWindowClosed(Sender);
    if (!alive) return;
    const bool modified = FPopupModified || (FPopupControl && FPopupControl->ModifiedAfterEnter());
    const bool accept = result == mrOk || (result != mrCancel && ActiveProperties()->AlwaysSaveData());
    if (FPopupControl && modified && accept && DoEditing()) {
      TakePopupValue();
      if (ActiveProperties()->ImmediatePost() && CanPostEditValue() && DoValidateEdit(true)) PostEditValue(false);
    }
  });
  if (!alive) return;
  DestroyPopupControls();
  RecalculateAtCursor();
}

// ---- text access and display ----------------------------------------------------------------------------------

void TcxCustomBlobEdit::GetDisplayText(String& Text) {
  TcxCustomBlobEditProperties* p = ActiveProperties();
  Text = cxBlobEditValueText(p->ResolvedBlobEditKind(), p->BlobPaintStyle(), EditValue());
}

String TcxCustomBlobEdit::ReadText() {
  if (IsDesigning()) return VarToStr(EditValue());
  if (ActiveProperties()->ResolvedBlobEditKind() != bekMemo) return String();
  if (TcxPopupMemo* memo = PopupMemo()) return VarToStr(memo->InnerEdit()->GetEditValue());
  Variant v = EditValue();
  return VarIsStr(v) ? VarToStr(v) : String();
}

bool TcxCustomBlobEdit::WriteText(const String& AText) {
  if (!IsDesigning() && ActiveProperties()->ResolvedBlobEditKind() != bekMemo) return false;
  SetEditingText(AText);
  return true;
}

void TcxCustomBlobEdit::SetEditingText(const String& AText) {
  if (!IsDesigning() && ActiveProperties()->ResolvedBlobEditKind() != bekMemo) return;
  if (TcxPopupMemo* memo = PopupMemo())
    memo->SetEditingText(AText);
  else
    SetEditValue(Variant(AText));
}

// The inner edit never shows a blob: a picture's bytes or a long text have no place in a one-line edit.
void TcxCustomBlobEdit::SetInnerEditDisplayValue(const Variant&) {}

// The shown text is a word such as "(ТЕКСТ)" or nothing: validation must never make it the value (nor hand
// it to a data binding), so the value stays what the popup or the program gave.
void TcxCustomBlobEdit::ApplyDisplayValue(const Variant&) {}

void TcxCustomBlobEdit::DisplayToEditValue(const Variant&, Variant& AEditValue) { AEditValue = EditValue(); }

void TcxCustomBlobEdit::RefreshDisplayFromEditValue() {
  if (IsEditDestroying()) return;
  UpdateDrawValue();
  RecalculateAtCursor();
  Invalidate();
}

void TcxCustomBlobEdit::InitializeViewData(TcxCustomEditViewData* AViewData) {
  inherited::InitializeViewData(AViewData);
  if (auto* data = dynamic_cast<TcxBlobEditViewData*>(AViewData)) data->Value = EditValue();
}

void TcxCustomBlobEdit::PropertiesChanged(TObject* Sender) {
  if (!IsEditDestroying()) {
    if (TcxPopupImage* image = PopupImage()) image->Properties()->SetGraphicClass(ActiveProperties()->PictureGraphicClass());
    if (TcxPopupMemo* memo = PopupMemo()) {
      memo->Properties()->SetImeMode(ActiveProperties()->ImeMode());
      memo->Properties()->SetImeName(ActiveProperties()->ImeName());
    }
  }
  inherited::PropertiesChanged(Sender);
}

void TcxCustomBlobEdit::FontChanged() {
  inherited::FontChanged();
  FollowStyleInPopup();
}

void TcxCustomBlobEdit::StyleChanged(TObject* Sender) {
  inherited::StyleChanged(Sender);
  FollowStyleInPopup();
}

// While the popup is open its memo takes the editor's colour and font, and the buttons its font.
void TcxCustomBlobEdit::FollowStyleInPopup() {
  if (IsEditDestroying() || !FPopupControl) return;
  TFont* font = Style()->GetVisibleFont();
  if (TcxPopupMemo* memo = PopupMemo()) {
    if (memo->Style()->Color() != Style()->Color()) memo->Style()->SetColor(Style()->Color());
    memo->Style()->SetFont(font);
  }
  for (TcxButton* b : {FOKButton, FCancelButton})
    if (b) b->Font()->Assign(font);
}
