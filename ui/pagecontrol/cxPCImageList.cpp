// The tab image list: follows the control's Images, draws for the painters and keeps turned copies of the
// images for vertical captions.

#include <memory>

#include "rtl/SysUtils.h"
#include "ui/base/cxClasses.h"
#include "ui/pagecontrol/cxPC.h"
#include "ui/pagecontrol/cxPCPainters.h"

namespace {

// Hears the destruction of the base image list.
class TcxPCImageListNotifier : public TComponent {
  RTL_CLASS(TcxPCImageListNotifier, TComponent)
public:
  explicit TcxPCImageListNotifier(TComponent* AOwner) : TComponent(AOwner) {}
  TNotifyEvent OnFreed;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && OnFreed.Assigned()) OnFreed(AComponent);
  }
};

}  // namespace

TcxPCImageList::TcxPCImageList(TcxCustomTabControl* AOwner) : FOwner(AOwner) {
  FChangeLink = New<TChangeLink>();
  FChangeLink->OnChange = TNotifyEvent(this, &TcxPCImageList::Changed);
  auto* notifier = New<TcxPCImageListNotifier>(nullptr);
  notifier->OnFreed = TNotifyEvent(this, &TcxPCImageList::BaseImagesFreed);
  FFreeNotifier = notifier;
}

TcxPCImageList::~TcxPCImageList() {
  if (FBaseImages) {
    FBaseImages->UnRegisterChanges(FChangeLink);
    FBaseImages->RemoveFreeNotification(FFreeNotifier);
  }
  FreeAndNil(FFreeNotifier);
  FreeAndNil(FChangeLink);
  FreeRotatedImages();
}

void TcxPCImageList::SetBaseImages(TCustomImageList* Value) {
  if (Value == FBaseImages) return;
  if (FBaseImages) {
    FBaseImages->UnRegisterChanges(FChangeLink);
    FBaseImages->RemoveFreeNotification(FFreeNotifier);
  }
  FBaseImages = Value;
  if (FBaseImages) {
    FBaseImages->RegisterChanges(FChangeLink);
    FBaseImages->FreeNotification(FFreeNotifier);
  }
  Changed(this);
}

void TcxPCImageList::BaseImagesFreed(TObject* Sender) {
  if (Sender == FBaseImages) {
    FBaseImages = nullptr;
    Changed(this);
  }
}

void TcxPCImageList::SetRotation(uint8_t Value) {
  FRotation = Value;
  Changed(this);
}

SIZE TcxPCImageList::GetSize() const {
  if (!FBaseImages || FBaseImages->Width() <= 0 || FBaseImages->Height() <= 0) return SIZE{0, 0};
  return SIZE{FBaseImages->Width(), FBaseImages->Height()};
}

SIZE TcxPCImageList::GetRotatedSize() const {
  SIZE s = GetSize();
  if (FRotation != 0) std::swap(s.cx, s.cy);
  return s;
}

void TcxPCImageList::FreeRotatedImages() {
  for (auto& e : FRotatedImages)
    if (e.Bitmap) FreeAndNil(e.Bitmap);
  FRotatedImages.clear();
}

void TcxPCImageList::RebuildRotatedImages() {
  FreeRotatedImages();
  if (FRotation == 0 || !FBaseImages || FBaseImages->Count() <= 0) return;
  FRotatedImages.resize(static_cast<size_t>(FBaseImages->Count()));
  for (auto& e : FRotatedImages) e.Bitmap = New<TBitmap>();
}

void TcxPCImageList::Changed(TObject* Sender) {
  (void)Sender;
  RebuildRotatedImages();
  if (OnChange.Assigned()) OnChange(this);
}

void TcxPCImageList::Draw(TcxCanvas* ACanvas, int32_t X, int32_t Y, int32_t AIndex, bool AEnabled,
                          TColor ABackgroundColor) {
  const int32_t count = FBaseImages ? FBaseImages->Count() : 0;
  if (count <= 0) throw Exception("TcxPCImageList.Draw: " + TranslateString("BaseImages не задан"));
  if (AIndex < 0 || AIndex >= count)
    throw Exception("TcxPCImageList.Draw: " +
                    Format(TranslateString("Индекс (%d) должен быть между 0 и %d"), {AIndex, count - 1}));
  const bool native = FOwner && FOwner->Painter() && FOwner->Painter()->IsNativePainting();
  const int32_t w = FBaseImages->Width(), h = FBaseImages->Height();
  if (FRotation != 0 && static_cast<size_t>(AIndex) < FRotatedImages.size()) {
    TcxPCImageListRotatedImagesElement& e = FRotatedImages[static_cast<size_t>(AIndex)];
    if (!e.Valid || e.BackgroundColor != ABackgroundColor) {
      e.Bitmap->SetSize(w, h);
      e.Bitmap->Canvas()->Brush()->SetColor(ABackgroundColor);
      e.Bitmap->Canvas()->FillRect(RECT{0, 0, w, h});
      e.Bitmap->SetTransparent(native);
      FBaseImages->Draw(e.Bitmap->Canvas(), 0, 0, AIndex, AEnabled);
      TcxCanvas::RotateBitmap(e.Bitmap, FRotation, false);
      e.BackgroundColor = ABackgroundColor;
      e.Valid = true;
    }
    ACanvas->Draw(X, Y, e.Bitmap);
    return;
  }
  if (native) {
    FBaseImages->Draw(ACanvas->Canvas(), X, Y, AIndex, AEnabled);
    return;
  }
  std::unique_ptr<TBitmap> b(New<TBitmap>());
  b->SetSize(w, h);
  b->Canvas()->Brush()->Assign(ACanvas->Brush());
  b->Canvas()->Font()->Assign(ACanvas->Font());
  b->Canvas()->Pen()->Assign(ACanvas->Pen());
  b->Canvas()->Brush()->SetStyle(bsSolid);
  b->Canvas()->Brush()->SetColor(ABackgroundColor);
  b->Canvas()->FillRect(RECT{0, 0, w, h});
  FBaseImages->Draw(b->Canvas(), 0, 0, AIndex, AEnabled);
  ACanvas->Draw(X, Y, b.get());
}
