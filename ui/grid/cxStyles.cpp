// Styles, the style repository, style sheets and the slot store with its resolution and change notification.

#include "ui/grid/cxStyles.h"

#include <algorithm>

#include "forms/Graphics.h"
#include "rtl/Filer.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

PTypeInfo StyleColorType() { return TypeInfoAlias("TColor", TypeInfo<int32_t>()); }

// The repository a style or sheet is given as parent; any other component is the platform's cast error.
TcxStyleRepository* ParentRepository(TComponent* AValue) {
  if (AValue && !AValue->Is<TcxStyleRepository>()) rtl_detail::RaiseClassCast(AValue->ClassType(), TcxStyleRepository::StaticClass());
  return static_cast<TcxStyleRepository*>(AValue);
}

template <class T>
void EraseOne(std::vector<T*>& AList, T* AItem) {
  auto it = std::find(AList.begin(), AList.end(), AItem);
  if (it != AList.end()) AList.erase(it);
}

}  // namespace

// ---- TcxCustomStyle ---------------------------------------------------------------------------------------

void TcxCustomStyle::BeforeDestruction() {
  // The slots let go first, so that no view paints with a style that is half gone.
  while (!FListeners.empty()) {
    TcxCustomStyles* listener = FListeners.back();
    listener->HandleStyleRemoved(this);
    EraseOne(FListeners, listener);  // in case the listener held no entry any more
  }
  SetStyleRepository(nullptr);
  inherited::BeforeDestruction();
}

void TcxCustomStyle::ReadState(TReader* Reader) {
  if (auto* repository = dynamic_cast<TcxStyleRepository*>(Reader->Parent())) SetStyleRepository(repository);
  inherited::ReadState(Reader);
}

TComponent* TcxCustomStyle::GetParentComponent() const { return FStyleRepository; }

bool TcxCustomStyle::HasParent() const { return FStyleRepository != nullptr; }

void TcxCustomStyle::SetParentComponent(TComponent* Value) {
  if (!ComponentState().Contains(csLoading)) SetStyleRepository(ParentRepository(Value));
}

void TcxCustomStyle::SetStyleRepository(TcxStyleRepository* Value) {
  if (FStyleRepository == Value) return;
  if (FStyleRepository) EraseOne(FStyleRepository->FItems, this);
  FStyleRepository = Value;
  if (FStyleRepository) FStyleRepository->FItems.push_back(this);
}

void TcxCustomStyle::NotifyListeners() {
  // A listener may let go of the style while it hears of the change; walk a copy.
  const std::vector<TcxCustomStyles*> listeners = FListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
    if (std::find(FListeners.begin(), FListeners.end(), *it) != FListeners.end()) (*it)->HandleStyleChanged(this);
}

void TcxCustomStyle::AttachListener(TcxCustomStyles* AListener) {
  if (std::find(FListeners.begin(), FListeners.end(), AListener) == FListeners.end()) FListeners.push_back(AListener);
}

void TcxCustomStyle::DetachListener(TcxCustomStyles* AListener) { EraseOne(FListeners, AListener); }

// ---- TcxStyle -------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxStyle) {
  prop("AssignedValues", &TcxStyle::AssignedValues, &TcxStyle::SetAssignedValues);
  prop("Color", &TcxStyle::Color, &TcxStyle::SetColor)
      .Type(StyleColorType())
      .Default(clDefault)
      .Stored(&TcxStyle::IsColorStored);
  prop("Bitmap", &TcxStyle::Bitmap, &TcxStyle::SetBitmap).Stored(&TcxStyle::IsBitmapStored);
  prop("Font", &TcxStyle::Font, &TcxStyle::SetFont).Stored(&TcxStyle::IsFontStored);
  prop("TextColor", &TcxStyle::TextColor, &TcxStyle::SetTextColor)
      .Type(StyleColorType())
      .Default(clDefault)
      .Stored(&TcxStyle::IsTextColorStored);
}

TcxStyle::~TcxStyle() {
  FreeObject(FBitmap);
  FreeObject(FFont);
}

void TcxStyle::AfterConstruction() {
  inherited::AfterConstruction();
  FBitmap = New<TBitmap>();
  FBitmap->OnChange = TNotifyEvent(this, &TcxStyle::BitmapChanged);
  FFont = New<TFont>();
  FFont->OnChange = TNotifyEvent(this, &TcxStyle::FontChanged);
}

void TcxStyle::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxStyle*>(Source)) {
    SetBitmap(source->Bitmap());
    SetColor(source->Color());
    SetFont(source->Font());
    SetTextColor(source->TextColor());
    // The copied set wins over what the single setters derived.
    SetAssignedValues(source->AssignedValues());
    return;
  }
  inherited::Assign(Source);
}

void TcxStyle::ResetValues() {
  FAssignedValues = TcxStyleValues();
  // The bitmap is emptied quietly and its change reported once, whether or not it held a picture.
  TNotifyEvent onChange = FBitmap->OnChange;
  FBitmap->OnChange = nullptr;
  FBitmap->Assign(nullptr);
  FBitmap->OnChange = onChange;
  BitmapChanged(FBitmap);
  FColor = clDefault;
  FTextColor = clDefault;
  NotifyListeners();
}

void TcxStyle::SetAssignedValues(TcxStyleValues Value) {
  if (FAssignedValues == Value) return;
  FAssignedValues = Value;
  NotifyListeners();
}

void TcxStyle::SetBitmap(TBitmap* Value) { FBitmap->Assign(Value); }

void TcxStyle::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  if (Value == clDefault)
    FAssignedValues.Exclude(TcxStyleValue::svColor);
  else
    FAssignedValues.Include(TcxStyleValue::svColor);
  NotifyListeners();
}

void TcxStyle::SetFont(TFont* Value) { FFont->Assign(Value); }

void TcxStyle::SetTextColor(TColor Value) {
  if (FTextColor == Value) return;
  FTextColor = Value;
  if (Value == clDefault)
    FAssignedValues.Exclude(TcxStyleValue::svTextColor);
  else
    FAssignedValues.Include(TcxStyleValue::svTextColor);
  NotifyListeners();
}

void TcxStyle::BitmapChanged(TObject*) {
  if (FBitmap->Empty())
    FAssignedValues.Exclude(TcxStyleValue::svBitmap);
  else
    FAssignedValues.Include(TcxStyleValue::svBitmap);
  NotifyListeners();
}

void TcxStyle::FontChanged(TObject*) {
  // A font set back to its old values still counts as the style's own font.
  FAssignedValues.Include(TcxStyleValue::svFont);
  NotifyListeners();
}

// ---- TcxStyleRepository ----------------------------------------------------------------------------------------

void TcxStyleRepository::BeforeDestruction() {
  while (!FItems.empty()) FItems.back()->Free();
  while (!FStyleSheets.empty()) FStyleSheets.back()->Free();
  inherited::BeforeDestruction();
}

void TcxStyleRepository::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TcxCustomStyle* style : FItems)
    if (style->Owner() == Root) Proc(style);
  for (TcxCustomStyleSheet* sheet : FStyleSheets)
    if (sheet->Owner() == Root) Proc(sheet);
}

TcxCustomStyle* TcxStyleRepository::CreateStyle(TClass AStyleClass) { return CreateStyleOwnedBy(AStyleClass, this); }

TcxCustomStyle* TcxStyleRepository::CreateStyleOwnedBy(TClass AStyleClass, TComponent* AOwner) {
  auto* style = CreateAs<TcxCustomStyle>(AStyleClass, AOwner);
  style->SetStyleRepository(this);
  return style;
}

TcxCustomStyleSheet* TcxStyleRepository::CreateStyleSheet(TClass ASheetClass) {
  return CreateStyleSheetOwnedBy(ASheetClass, this);
}

TcxCustomStyleSheet* TcxStyleRepository::CreateStyleSheetOwnedBy(TClass ASheetClass, TComponent* AOwner) {
  auto* sheet = CreateAs<TcxCustomStyleSheet>(ASheetClass, AOwner);
  sheet->SetStyleRepository(this);
  return sheet;
}

// ---- TcxCustomStyleSheet ---------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxCustomStyleSheet) {
  prop("Caption", &TcxCustomStyleSheet::Caption, &TcxCustomStyleSheet::SetCaption)
      .Stored(&TcxCustomStyleSheet::IsCaptionStored);
}

TcxCustomStyleSheet::TcxCustomStyleSheet(TComponent* AOwner)
    : TcxComponent(AOwner), FBuiltIn(AOwner && AOwner->ComponentState().Contains(csDesigning)) {}

void TcxCustomStyleSheet::AfterConstruction() {
  inherited::AfterConstruction();
  FStyles = CreateAs<TcxCustomStyles>(GetStylesObjectClass(), this);
  FStyles->FOwningStyleSheet = this;
}

void TcxCustomStyleSheet::BeforeDestruction() {
  while (!FUsers.empty()) {
    TcxCustomStyles* user = FUsers.back();
    user->SetStyleSheet(nullptr);
    EraseOne(FUsers, user);
  }
  SetStyleRepository(nullptr);
  FreeObject(FStyles);
  FStyles = nullptr;
  inherited::BeforeDestruction();
}

void TcxCustomStyleSheet::ReadState(TReader* Reader) {
  if (auto* repository = dynamic_cast<TcxStyleRepository*>(Reader->Parent())) SetStyleRepository(repository);
  inherited::ReadState(Reader);
}

TComponent* TcxCustomStyleSheet::GetParentComponent() const { return FStyleRepository; }

bool TcxCustomStyleSheet::HasParent() const { return FStyleRepository != nullptr; }

void TcxCustomStyleSheet::SetParentComponent(TComponent* Value) {
  if (!ComponentState().Contains(csLoading)) SetStyleRepository(ParentRepository(Value));
}

TClass TcxCustomStyleSheet::GetStylesObjectClass() const { return TcxCustomStyles::StaticClass(); }

String TcxCustomStyleSheet::Caption() const { return FCaption.empty() ? Name() : FCaption; }

void TcxCustomStyleSheet::SetCaption(const String& Value) {
  if (Value == Caption()) return;
  if (SameText(Value, Name()))
    FCaption.clear();
  else
    FCaption = Value;
}

void TcxCustomStyleSheet::SetStylesObject(TcxCustomStyles* Value) { FStyles->Assign(Value); }

void TcxCustomStyleSheet::SetStyleRepository(TcxStyleRepository* Value) {
  if (FStyleRepository == Value) return;
  if (FStyleRepository) EraseOne(FStyleRepository->FStyleSheets, this);
  FStyleRepository = Value;
  if (FStyleRepository) FStyleRepository->FStyleSheets.push_back(this);
}

void TcxCustomStyleSheet::BroadcastValueChanged(int32_t Index) {
  const std::vector<TcxCustomStyles*> users = FUsers;
  for (TcxCustomStyles* user : users)
    if (std::find(FUsers.begin(), FUsers.end(), user) != FUsers.end()) user->NotifyValueChanged(Index);
  UpdateFakeComponentLinks();
}

void TcxCustomStyleSheet::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty("BuiltIn", TReaderProc(this, &TcxCustomStyleSheet::ReadBuiltIn),
                        TWriterProc(this, &TcxCustomStyleSheet::WriteBuiltIn), true);
}

void TcxCustomStyleSheet::ReadBuiltIn(TReader* Reader) { FBuiltIn = Reader->ReadBoolean(); }

void TcxCustomStyleSheet::WriteBuiltIn(TWriter* Writer) { Writer->WriteBoolean(FBuiltIn); }

void TcxCustomStyleSheet::CollectFakeComponentLinks(TList* AList) {
  if (!Owner() || !FStyles) return;
  for (int32_t i = 0; i < FStyles->Count(); ++i) {
    TComponent* owner = FStyles->Items(i).Item->Owner();
    if (owner && owner != Owner() && AList->IndexOf(owner) == -1) AList->Add(owner);
  }
}

void TcxCustomStyleSheet::AddUser(TcxCustomStyles* AStyles) { FUsers.push_back(AStyles); }

void TcxCustomStyleSheet::RemoveUser(TcxCustomStyles* AStyles) { EraseOne(FUsers, AStyles); }

// ---- TcxCustomStyles -------------------------------------------------------------------------------------------

TcxCustomStyles::~TcxCustomStyles() { Shutdown(); }

void TcxCustomStyles::Shutdown() {
  FDestroying = true;
  while (!FItems.empty()) DeleteEntry(Count() - 1);
  SetStyleSheet(nullptr);
}

void TcxCustomStyles::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxCustomStyles*>(Source)) {
    SetStyleSheet(source->StyleSheet());
    return;
  }
  inherited::Assign(Source);
}

bool TcxCustomStyles::FindEntry(int32_t Index, int32_t& APosition) const {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), Index,
                             [](const TcxCustomStylesItem& item, int32_t index) { return item.Index < index; });
  APosition = static_cast<int32_t>(it - FItems.begin());
  return it != FItems.end() && it->Index == Index;
}

bool TcxCustomStyles::IsOwnerWriting() {
  auto* owner = dynamic_cast<TComponent*>(GetOwner());
  return owner && owner->ComponentState().Contains(csWriting);
}

TcxCustomStyle* TcxCustomStyles::GetStyleAt(int32_t Index) {
  int32_t position;
  if (FindEntry(Index, position)) return FItems[static_cast<size_t>(position)].Item;
  // While the owner is written, only what was set on it counts: the form keeps its own slots only.
  if (FStyleSheet && FStyleSheet->FStyles && !IsOwnerWriting()) return FStyleSheet->FStyles->GetStyleAt(Index);
  return nullptr;
}

void TcxCustomStyles::SetStyleAt(int32_t Index, TcxCustomStyle* Value) {
  if (Value == GetStyleAt(Index)) return;
  int32_t position;
  if (FindEntry(Index, position)) {
    if (Value) {
      TcxCustomStyle* old = FItems[static_cast<size_t>(position)].Item;
      FItems[static_cast<size_t>(position)].Item = Value;
      Value->AttachListener(this);
      if (std::none_of(FItems.begin(), FItems.end(), [old](const TcxCustomStylesItem& i) { return i.Item == old; }))
        old->DetachListener(this);
    } else
      DeleteEntry(position);
  } else {
    if (!Value) return;
    FItems.insert(FItems.begin() + position, TcxCustomStylesItem{Index, Value});
    Value->AttachListener(this);
  }
  NotifyValueChanged(Index);
}

void TcxCustomStyles::DeleteEntry(int32_t APosition) {
  TcxCustomStyle* style = FItems[static_cast<size_t>(APosition)].Item;
  FItems.erase(FItems.begin() + APosition);
  if (std::none_of(FItems.begin(), FItems.end(), [style](const TcxCustomStylesItem& i) { return i.Item == style; }))
    style->DetachListener(this);
}

void TcxCustomStyles::SetStyleSheet(TcxCustomStyleSheet* Value) {
  if (Value == FStyleSheet || !AcceptsStyleSheet(Value)) return;
  std::vector<int32_t> indexes;
  if (FStyleSheet) {
    FStyleSheet->RemoveUser(this);
    if (!FDestroying) CollectSheetIndexes(FStyleSheet, indexes);
  }
  FStyleSheet = Value;
  if (FStyleSheet) {
    FStyleSheet->AddUser(this);
    CollectSheetIndexes(FStyleSheet, indexes);
  }
  for (int32_t index : indexes) NotifyValueChanged(index);
}

void TcxCustomStyles::CollectSheetIndexes(TcxCustomStyleSheet* ASheet, std::vector<int32_t>& AIndexes) {
  std::vector<TcxCustomStyleSheet*> visited;
  for (TcxCustomStyleSheet* sheet = ASheet; sheet && sheet->FStyles; sheet = sheet->FStyles->FStyleSheet) {
    if (std::find(visited.begin(), visited.end(), sheet) != visited.end()) break;
    visited.push_back(sheet);
    for (const TcxCustomStylesItem& item : sheet->FStyles->FItems)
      if (std::find(AIndexes.begin(), AIndexes.end(), item.Index) == AIndexes.end()) AIndexes.push_back(item.Index);
  }
}

bool TcxCustomStyles::AcceptsStyleSheet(TcxCustomStyleSheet* ASheet) {
  if (!ASheet) return true;
  if (ASheet == FOwningStyleSheet || ASheet->GetStylesObjectClass() != ClassType()) return false;
  // A sheet whose chain leads back to the sheet that owns this object would make the chain a circle.
  std::vector<TcxCustomStyleSheet*> visited;
  for (TcxCustomStyleSheet* sheet = ASheet; sheet && sheet->FStyles; sheet = sheet->FStyles->FStyleSheet) {
    if (sheet == FOwningStyleSheet || std::find(visited.begin(), visited.end(), sheet) != visited.end()) return false;
    visited.push_back(sheet);
  }
  return true;
}

void TcxCustomStyles::HandleStyleChanged(TcxCustomStyle* AStyle) {
  std::vector<int32_t> indexes;
  for (const TcxCustomStylesItem& item : FItems)
    if (item.Item == AStyle) indexes.push_back(item.Index);
  for (int32_t index : indexes) NotifyValueChanged(index);
}

void TcxCustomStyles::HandleStyleRemoved(TcxCustomStyle* AStyle) {
  for (int32_t i = Count() - 1; i >= 0; --i) {
    if (i >= Count() || FItems[static_cast<size_t>(i)].Item != AStyle) continue;
    const int32_t index = FItems[static_cast<size_t>(i)].Index;
    DeleteEntry(i);
    NotifyValueChanged(index);
  }
}

void TcxCustomStyles::NotifyValueChanged(int32_t Index) {
  if (FDestroying) return;
  ValueChanged(Index);
  if (FOwningStyleSheet) FOwningStyleSheet->BroadcastValueChanged(Index);
}

// ---- TcxStyles -------------------------------------------------------------------------------------------------

void TcxStyles::ResolveViewParams(int32_t Index, TObject* AData, TcxCustomStyle* AStyle, TcxViewParamsRec& AParams) {
  auto* slotStyle = dynamic_cast<TcxStyle*>(GetStyleAt(Index));
  auto* eventStyle = dynamic_cast<TcxStyle*>(AStyle);
  auto supplier = [&](TcxStyleValue AValue) -> TcxStyle* {
    if (eventStyle && eventStyle->AssignedValues().Contains(AValue)) return eventStyle;
    if (slotStyle && slotStyle->AssignedValues().Contains(AValue)) return slotStyle;
    return nullptr;
  };
  AParams.Bitmap = nullptr;
  TcxStyle* s = supplier(TcxStyleValue::svColor);
  AParams.Color = s ? s->Color() : clDefault;
  s = supplier(TcxStyleValue::svFont);
  AParams.Font = s ? s->Font() : nullptr;
  s = supplier(TcxStyleValue::svTextColor);
  AParams.TextColor = s ? s->TextColor() : clDefault;
  if (AParams.Color != clDefault && AParams.TextColor != clDefault && AParams.Font) return;
  TcxViewParamsRec defaults;
  GetDefaultParams(Index, AData, defaults);
  if (!AParams.Bitmap) AParams.Bitmap = defaults.Bitmap;
  if (AParams.Color == clDefault) AParams.Color = defaults.Color;
  if (!AParams.Font) AParams.Font = defaults.Font;
  if (AParams.TextColor == clDefault) AParams.TextColor = defaults.TextColor;
}

TBitmap* TcxStyles::GetAssignedBitmap(int32_t Index) {
  auto* style = dynamic_cast<TcxStyle*>(GetStyleAt(Index));
  if (style && style->AssignedValues().Contains(TcxStyleValue::svBitmap) && !style->Bitmap()->Empty()) return style->Bitmap();
  return nullptr;
}

void TcxStyles::GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams) {
  (void)AData;
  AParams.Bitmap = nullptr;
  AParams.Color = clDefault;
  AParams.Font = nullptr;
  AParams.TextColor = clDefault;
  if (Index > FMaxDefaultIndex) FMaxDefaultIndex = Index;
}

bool TcxStyles::UsesDefaultFont(int32_t Index) {
  auto* style = dynamic_cast<TcxStyle*>(GetStyleAt(Index));
  return !(style && style->AssignedValues().Contains(TcxStyleValue::svFont));
}

void TcxStyles::ControlFontChanged(TObject* Sender, TFont* AFont) {
  (void)Sender;
  const int32_t last = FMaxDefaultIndex;
  for (int32_t index = 0; index <= last; ++index) {
    if (!UsesDefaultFont(index)) continue;
    TcxViewParamsRec defaults;
    GetDefaultParams(index, nullptr, defaults);
    if (defaults.Font == AFont) NotifyValueChanged(index);
  }
}
