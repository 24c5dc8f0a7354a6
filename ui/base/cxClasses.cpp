#include "ui/base/cxClasses.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "rtl/Math.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

// ---- TcxComponent ------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxComponent) {
  prop("FakeComponentLink1", &TcxComponent::FakeComponentLink1, &TcxComponent::SetFakeComponentLink1).Stored(false);
  prop("FakeComponentLink2", &TcxComponent::FakeComponentLink2, &TcxComponent::SetFakeComponentLink2).Stored(false);
  prop("FakeComponentLink3", &TcxComponent::FakeComponentLink3, &TcxComponent::SetFakeComponentLink3).Stored(false);
}

TcxComponent::~TcxComponent() { ResetObjectLinks(this); }

void TcxComponent::BeforeDestruction() {
  if (!IsDestroying()) Destroying();
  inherited::BeforeDestruction();
}

void TcxComponent::Loaded() {
  inherited::Loaded();
  UpdateFakeComponentLinks();
}

size_t TcxComponent::CheckLinkIndex(int32_t index) {
  if (index < 0 || index >= FakeComponentLinkCount) throw EListError(Format("List index out of bounds (%d)", {index}));
  return static_cast<size_t>(index);
}

void TcxComponent::UpdateFakeComponentLinks() {
  if (!IsDesigning() || IsDestroying() || !Owner()) return;
  TList list;
  CollectFakeComponentLinks(&list);
  for (int32_t i = 0; i < FakeComponentLinkCount; ++i) {
    TComponent* link = i < list.Count() ? static_cast<TComponent*>(list.Get(i)) : nullptr;
    // A link must not outlive the component it shows.
    if (link && link != FFakeComponentLinks[i]) link->FreeNotification(this);
    FFakeComponentLinks[i] = link;
  }
}

void TcxComponent::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove)
    for (TComponent*& link : FFakeComponentLinks)
      if (link == AComponent) link = nullptr;
}

// ---- TcxObjectList -----------------------------------------------------------------------------------

TcxObjectList::~TcxObjectList() {
  // A list that was deleted without Free still frees what it owns.
  if (Count() > 0) TcxObjectList::Clear();
}

void TcxObjectList::Clear() {
  for (int32_t i = 0; i < Count(); ++i) FreeObject(Items(i));
  TList::Clear();
}

// ---- TcxRegisteredClassList --------------------------------------------------------------------------

TcxRegisteredClassList::~TcxRegisteredClassList() { Clear(); }

void TcxRegisteredClassList::Clear() {
  for (int32_t i = 0; i < FItems.Count(); ++i) FreeObject(Items(i));
  FItems.Clear();
}

bool TcxRegisteredClassList::FindItemIndex(TClass AItemClass, int32_t& AIndex) {
  for (int32_t i = FItems.Count() - 1; i >= 0; --i) {
    TClass itemClass = Items(i)->ItemClass;
    if (AItemClass->InheritsFrom(itemClass)) {
      AIndex = i;
      return true;
    }
    // A registered descendant: a new registration of AItemClass must go before it.
    if (itemClass->InheritsFrom(AItemClass)) AIndex = i;
  }
  return false;
}

void TcxRegisteredClassList::AddRegistration(TClass AItemClass, TClass ARegisteredClass) {
  auto* data = New<TcxRegisteredClassListItemData>(AItemClass, ARegisteredClass);
  int32_t index = -1;
  if (FindItemIndex(AItemClass, index))
    FItems.Insert(index + 1, data);
  else if (index == -1)
    FItems.Add(data);
  else
    FItems.Insert(index, data);
}

void TcxRegisteredClassList::RemoveRegistration(TClass AItemClass, TClass ARegisteredClass) {
  for (int32_t i = FItems.Count() - 1; i >= 0; --i) {
    TcxRegisteredClassListItemData* data = Items(i);
    if (data->ItemClass == AItemClass && data->RegisteredClass == ARegisteredClass) {
      FItems.Delete(i);
      data->Free();
    }
  }
}

TClass TcxRegisteredClassList::LookupRegisteredClass(TClass AItemClass) {
  int32_t index = -1;
  return FindItemIndex(AItemClass, index) ? Items(index)->RegisteredClass : nullptr;
}

// ---- TcxRegisteredClasses ----------------------------------------------------------------------------

size_t TcxRegisteredClasses::CheckIndex(int32_t index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return static_cast<size_t>(index);
}

void TcxRegisteredClasses::Register(TClass AClass, const String& ADescription) {
  if (!AClass || IndexOfClass(AClass) != -1) return;
  FItems.emplace_back(ADescription, AClass);
  if (FStreamRegistration) RegisterClass(AClass);
}

void TcxRegisteredClasses::Unregister(TClass AClass) {
  int32_t index = IndexOfClass(AClass);
  if (index != -1) FItems.erase(FItems.begin() + index);
}

TClass TcxRegisteredClasses::FindByClassName(const String& AName) const {
  for (const auto& item : FItems)
    if (item.second->ClassName() == AName) return item.second;
  return nullptr;
}

int32_t TcxRegisteredClasses::IndexOfClass(TClass AClass) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].second == AClass) return static_cast<int32_t>(i);
  return -1;
}

// ---- TcxAutoWidthObject ------------------------------------------------------------------------------

TcxAutoWidthObject::TcxAutoWidthObject(int32_t ACapacity) { FItems.SetCapacity(std::max(ACapacity, 0)); }

TcxAutoWidthObject::~TcxAutoWidthObject() {
  for (int32_t i = 0; i < FItems.Count(); ++i) FreeObject(ItemByIndex(i));
}

TcxAutoWidthItem* TcxAutoWidthObject::NewItem() {
  auto* item = New<TcxAutoWidthItem>();
  FItems.Add(item);
  return item;
}

int32_t TcxAutoWidthObject::TotalWidth() const {
  int32_t sum = 0;
  for (int32_t i = 0; i < Count(); ++i) sum += ItemByIndex(i)->RequestedWidth;
  return sum;
}

void TcxAutoWidthObject::Calculate() {
  int32_t space = FWidthToFill;
  int32_t width = TotalWidth();
  auto settle = [&](TcxAutoWidthItem* item, int32_t calculated) {
    item->CalculatedWidth = calculated;
    space -= calculated;
    width -= item->RequestedWidth;
  };
  for (int32_t i = 0; i < Count(); ++i) {
    TcxAutoWidthItem* item = ItemByIndex(i);
    item->CalculatedWidth = -1;
    if (item->Fixed) settle(item, item->RequestedWidth);
  }
  bool finalPass = false;
  bool changed;
  do {
    const int32_t passSpace = space, passWidth = width;
    int32_t runningSum = 0;
    changed = false;
    for (int32_t i = 0; i < Count(); ++i) {
      TcxAutoWidthItem* item = ItemByIndex(i);
      if (item->CalculatedWidth != -1) continue;
      // Shares are differences of cumulative products, so they add up exactly to the pass space.
      int32_t share = MulDiv(runningSum + item->RequestedWidth, passSpace, passWidth) -
                      MulDiv(runningSum, passSpace, passWidth);
      if (finalPass)
        item->CalculatedWidth = share;
      else if (item->MinimalWidth >= share) {
        settle(item, item->MinimalWidth);
        changed = true;
      }
      runningSum += item->RequestedWidth;
    }
    if (!changed) finalPass = !finalPass;
  } while (width != 0 && (changed || finalPass));
}

// ---- object links ------------------------------------------------------------------------------------

namespace {
// The live links, created with the first link and freed with the last.
struct TcxObjectLinkController {
  std::vector<TcxObjectLink*> Links;
};
TcxObjectLinkController* LinkController = nullptr;
int32_t LinkRefCount = 0;
}  // namespace

TcxObjectLink* AddObjectLink(TObject* AObject) {
  ++LinkRefCount;
  if (!LinkController) LinkController = new TcxObjectLinkController;
  auto* link = New<TcxObjectLink>();
  link->FTarget.Set(AObject);
  LinkController->Links.push_back(link);
  return link;
}

void RemoveObjectLink(TcxObjectLink* ALink) {
  if (!ALink) return;
  if (LinkController) {
    // A link whose object died without a reset is still listed: drop it by identity all the same, so
    // that the list never keeps a freed link.
    auto& links = LinkController->Links;
    links.erase(std::remove(links.begin(), links.end(), ALink), links.end());
  }
  ALink->Free();
  if (LinkRefCount > 0 && --LinkRefCount == 0) {
    delete LinkController;
    LinkController = nullptr;
  }
}

void ResetObjectLinks(TObject* AObject) {
  if (!LinkController || !AObject) return;
  auto& links = LinkController->Links;
  for (size_t i = links.size(); i-- > 0;) {
    if (links[i]->Target() == AObject) {
      links[i]->FTarget.Clear();
      links.erase(links.begin() + static_cast<ptrdiff_t>(i));
    }
  }
}

int32_t ObjectLinkCount() { return LinkRefCount; }

// ---- TcxFreeNotificator ------------------------------------------------------------------------------

void TcxFreeNotificator::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && OnComponentRemoved) OnComponentRemoved(AComponent);
}

// ---- TcxMRUItems -------------------------------------------------------------------------------------

TcxMRUItems::~TcxMRUItems() { Clear(); }

void TcxMRUItems::SetLimit(int32_t Value) {
  Value = std::max(Value, 0);
  if (Value == FLimit) return;
  FLimit = Value;
  Trim();
}

void TcxMRUItems::Add(TcxMRUItem* AItem) {
  int32_t index = IndexOf(AItem);
  if (index != -1) {
    FItems.Move(index, 0);
    AItem->Free();
  } else {
    FItems.Insert(0, AItem);
    Trim();
  }
}

void TcxMRUItems::Delete(int32_t Index) {
  TcxMRUItem* item = Items(Index);
  FItems.Delete(Index);
  item->Free();
}

void TcxMRUItems::Clear() {
  for (int32_t i = Count() - 1; i >= 0; --i) Delete(i);
}

int32_t TcxMRUItems::IndexOf(TcxMRUItem* AItem) {
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->Matches(AItem)) return i;
  return -1;
}

void TcxMRUItems::Trim() {
  if (FLimit == 0) return;
  for (int32_t i = Count() - 1; i >= FLimit; --i) Delete(i);
}

// ---- free functions ----------------------------------------------------------------------------------

namespace {
// Reaches the protected GetOwner of any persistent.
struct TPersistentAccess : TPersistent {
  static TPersistent* OwnerOf(TPersistent* p) { return (p->*&TPersistentAccess::GetOwner)(); }
};
}  // namespace

TPersistent* GetPersistentOwner(TPersistent* APersistent) {
  return APersistent ? TPersistentAccess::OwnerOf(APersistent) : nullptr;
}

SIZE MakeSize(int32_t cx, int32_t cy) { return SIZE{cx, cy}; }

int32_t RangeMiddle(int32_t ABound1, int32_t ABound2) {
  int64_t sum = static_cast<int64_t>(ABound1) + ABound2;
  if (sum <= 0) --sum;
  return static_cast<int32_t>(sum / 2);
}

bool MemoryStreamsEqual(TMemoryStream* AStream1, TMemoryStream* AStream2) {
  int64_t size = AStream1->Size();
  if (size != AStream2->Size()) return false;
  return size == 0 || std::memcmp(AStream1->Memory(), AStream2->Memory(), static_cast<size_t>(size)) == 0;
}

namespace {
TStringList* TranslationSources = nullptr;
TStringList* Translations = nullptr;

// The unit's end frees the lists it was given.
struct TTranslationListsFinalizer {
  ~TTranslationListsFinalizer() { SetTranslationLists(nullptr, nullptr); }
} TranslationListsFinalizer;
}  // namespace

void SetTranslationLists(TStringList* ASources, TStringList* ATranslations) {
  if (TranslationSources != ASources) delete TranslationSources;
  if (Translations != ATranslations) delete Translations;
  TranslationSources = ASources;
  Translations = ATranslations;
  if (TranslationSources) TranslationSources->SetCaseSensitive(true);
}

void TranslateString(const String& AText, String& AResult) {
  AResult = AText;
  if (!TranslationSources) return;
  int32_t index = TranslationSources->IndexOf(AText);
  // A translation list shorter than the sources leaves the missing texts as they are.
  if (index != -1 && Translations && index < Translations->Count()) AResult = Translations->Strings(index);
}

String TranslateString(const String& AText) {
  String result;
  TranslateString(AText, result);
  return result;
}

namespace {
bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool NameTaken(TComponent* AOwner, TComponent* AComponent, const String& AName) {
  if (!AOwner) return false;
  for (int32_t i = 0; i < AOwner->ComponentCount(); ++i) {
    TComponent* other = AOwner->Components(i);
    if (other != AComponent && CompareText(other->Name(), AName) == 0) return true;
  }
  return false;
}
}  // namespace

void MakeUniqueComponentName(TComponent* AOwner, TComponent* AParentComponent, TComponent* AComponent,
                             String& AName, const String& ABaseName, const String& AClassPrefix) {
  // Multi-byte characters consist of bytes that are no name characters, so they go whole.
  String text;
  for (char c : ABaseName)
    if (IsNameChar(c)) text += c;
  if (text.empty() || (text[0] >= '0' && text[0] <= '9')) {
    String className = AComponent->ClassName();
    if (!AClassPrefix.empty() && className.size() >= AClassPrefix.size() &&
        CompareText(className.substr(0, AClassPrefix.size()), AClassPrefix) == 0) {
      text = className.substr(AClassPrefix.size()) + text;
    } else {
      text = className + text;
      if (!text.empty() && text[0] == 'T') text.erase(0, 1);
    }
  }
  const String prefix = AParentComponent ? AParentComponent->Name() : String();
  int32_t number = ABaseName.empty() ? 1 : 0;
  for (;;) {
    AName = prefix + text;
    if (number > 0) AName += IntToStr(number);
    if (!NameTaken(AOwner, AComponent, AName) || number == INT32_MAX) return;
    ++number;
  }
}

String MakeUniqueComponentName(TComponent* AOwner, TComponent* AParentComponent, TComponent* AComponent,
                               const String& ABaseName, const String& AClassPrefix) {
  String name;
  MakeUniqueComponentName(AOwner, AParentComponent, AComponent, name, ABaseName, AClassPrefix);
  return name;
}

void RequestFreeNotification(TComponent* AListener, TComponent* AComponent) {
  if (AComponent) AComponent->FreeNotification(AListener);
}

void CancelFreeNotification(TComponent* AListener, TComponent* AComponent) {
  if (AComponent) AComponent->RemoveFreeNotification(AListener);
}
