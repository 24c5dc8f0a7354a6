#include "ui/propstorage/PropFilerEh.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <utility>

#include "rtl/Collections.h"
#include "rtl/Math.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Variants.h"

#include "ui/propstorage/detail/PropPaths.h"

namespace {

using propstorage_detail::PersistentAccess;
using propstorage_detail::SplitFirst;

// The form's active-control field is protected; the filer reaches it the way the platform's own filer
// classes do.
struct FormAccess : TCustomForm {
  static void SetActiveControlField(TCustomForm* f, TWinControl* c) { f->*(&FormAccess::FActiveControl) = c; }
};

std::vector<String> SplitPath(const String& path) {
  std::vector<String> parts;
  size_t start = 0;
  while (true) {
    size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == String::npos ? String::npos : dot - start));
    if (dot == String::npos) break;
    start = dot + 1;
  }
  return parts;
}


bool StartsWith(const String& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool IsItemPart(const String& part) { return part == "<ForAllItems>" || StartsWith(part, "<Item"); }

struct InterceptorEntry {
  TClass Target;
  TStoragePropertyInterceptorClass Interceptor;
};

std::vector<InterceptorEntry>& Interceptors() {
  static std::vector<InterceptorEntry> list;
  return list;
}

// Persistent objects nest through class-valued properties; a cycle among them must not recurse forever.
constexpr int kMaxObjectDepth = 32;

}  // namespace

// ===================================================================================================
// Interceptor registry

void RegisterStoragePropertyInterceptor(TClass ATargetClass, TStoragePropertyInterceptorClass AInterceptorClass) {
  UnregisterStoragePropertyInterceptor(ATargetClass);
  Interceptors().push_back({ATargetClass, AInterceptorClass});
}

void UnregisterStoragePropertyInterceptor(TClass ATargetClass) {
  auto& list = Interceptors();
  list.erase(std::remove_if(list.begin(), list.end(), [&](const InterceptorEntry& e) { return e.Target == ATargetClass; }),
             list.end());
}

TStoragePropertyInterceptorClass FindStoragePropertyInterceptor(TClass AClass) {
  int best = -1;
  TStoragePropertyInterceptorClass result = nullptr;
  for (const InterceptorEntry& e : Interceptors()) {
    int distance = 0;
    for (TClass c = AClass; c; c = c->ClassParent(), ++distance) {
      if (c->ClassNameIs(e.Target->ClassName())) {
        if (best < 0 || distance < best) {
          best = distance;
          result = e.Interceptor;
        }
        break;
      }
    }
  }
  return result;
}

TComponent* FindChildComponent(TComponent* Parent, TComponent* Root, const String& AName) {
  if (!Parent || AName.empty()) return nullptr;
  TComponent* listRoot = Parent->ComponentState().Contains(csInline) ? Parent
                         : Parent == Root                              ? Root
                                                                       : Parent->Owner();
  TComponent* found = nullptr;
  Parent->GetChildren(TGetChildProc([&](TComponent* child) {
                        if (!found && SameText(child->Name(), AName)) found = child;
                      }),
                      listRoot);
  // A form lists only its controls as children here; the components it owns that have no parent
  // (managers, storages, lists) are its children too, as a form file has them.
  if (!found && Parent == Root) {
    TComponent* owned = Root->FindComponent(AName);
    if (owned && !owned->HasParent()) found = owned;
  }
  return found;
}

RECT GetFormNormalBounds(TCustomForm* AForm) {
  if (AForm->WindowState() != wsNormal && AForm->HandleAllocated()) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (GetWindowPlacement(AForm->Handle(), &wp)) return wp.rcNormalPosition;
  }
  return RECT{AForm->Left(), AForm->Top(), AForm->Left() + AForm->Width(), AForm->Top() + AForm->Height()};
}

// ===================================================================================================
// The form interceptor

RTL_PUBLISHED(TFormStoragePropertyInterceptor) {
  prop<TWinControl*>("ActiveControl", nullptr, &TFormStoragePropertyInterceptor::SetActiveControl);
  prop("Height", &TFormStoragePropertyInterceptor::Height, &TFormStoragePropertyInterceptor::SetHeight);
  prop("Left", &TFormStoragePropertyInterceptor::Left, &TFormStoragePropertyInterceptor::SetLeft);
  prop<int32_t>("PixelsPerInch", nullptr, &TFormStoragePropertyInterceptor::SetPixelsPerInch);
  prop("Top", &TFormStoragePropertyInterceptor::Top, &TFormStoragePropertyInterceptor::SetTop);
  prop("Width", &TFormStoragePropertyInterceptor::Width, &TFormStoragePropertyInterceptor::SetWidth);
  prop<TWindowState>("WindowState", nullptr, &TFormStoragePropertyInterceptor::SetWindowState);
}

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(TPersistent* ATarget)
    : TStoragePropertyInterceptor(ATarget) {
  TCustomForm* form = dynamic_cast<TCustomForm*>(ATarget);
  if (!form) throw EInvalidCast("The form interceptor stands for forms only");
  RECT r = GetFormNormalBounds(form);
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
  FPixelsPerInch = form->PixelsPerInch();
  FWindowState = form->WindowState();
  FActiveControl = form->ActiveControl();
}

int32_t TFormStoragePropertyInterceptor::Height() const {
  RECT r = GetFormNormalBounds(Form());
  return r.bottom - r.top;
}
int32_t TFormStoragePropertyInterceptor::Left() const { return GetFormNormalBounds(Form()).left; }
int32_t TFormStoragePropertyInterceptor::Top() const { return GetFormNormalBounds(Form()).top; }
int32_t TFormStoragePropertyInterceptor::Width() const {
  RECT r = GetFormNormalBounds(Form());
  return r.right - r.left;
}

void TFormStoragePropertyInterceptor::SetLeft(int32_t v) {
  FLeft = v;
  FPosRead = true;
}

void TFormStoragePropertyInterceptor::SetTop(int32_t v) {
  FTop = v;
  FPosRead = true;
}

void TFormStoragePropertyInterceptor::ApplyToTarget() {
  TCustomForm* form = Form();
  // A stored resolution of 0 (or less) says nothing about the scale: the values are taken as they are.
  const int32_t screenPpi = Screen ? Screen->PixelsPerInch() : 96;
  if (FPixelsPerInch > 0 && FPixelsPerInch != screenPpi) {
    FHeight = MulDiv(FHeight, screenPpi, FPixelsPerInch);
    FLeft = MulDiv(FLeft, screenPpi, FPixelsPerInch);
    FTop = MulDiv(FTop, screenPpi, FPixelsPerInch);
    FWidth = MulDiv(FWidth, screenPpi, FPixelsPerInch);
  }
  // Bounds stored on another screen layout (a monitor since removed, a larger resolution) are brought
  // onto the work area of the nearest monitor, shrunk first when they do not fit.
  RECT wanted{FLeft, FTop, FLeft + std::max(FWidth, 0), FTop + std::max(FHeight, 0)};
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  if (GetMonitorInfo(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &mi)) {
    const RECT& work = mi.rcWork;
    FWidth = std::clamp<int32_t>(FWidth, 0, work.right - work.left);
    FHeight = std::clamp<int32_t>(FHeight, 0, work.bottom - work.top);
    FLeft = std::clamp<int32_t>(FLeft, work.left, work.right - FWidth);
    FTop = std::clamp<int32_t>(FTop, work.top, work.bottom - FHeight);
  }
  form->SetWindowState(FWindowState);
  FormAccess::SetActiveControlField(form, FActiveControl);
  const TWindowState state = form->WindowState();
  if (state != wsNormal && form->HandleAllocated()) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    GetWindowPlacement(form->Handle(), &wp);
    wp.rcNormalPosition = RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight};
    SetWindowPlacement(form->Handle(), &wp);
  } else {
    form->SetBounds(FLeft, FTop, FWidth, FHeight);
  }
  if ((form->Position() == poScreenCenter || form->Position() == poDesktopCenter) &&
      !form->ComponentState().Contains(csDesigning) && FPosRead)
    form->SetPosition(poDesigned);
}

namespace {
const bool gFormInterceptorRegistered = [] {
  RegisterStoragePropertyInterceptor(TCustomForm::StaticClass(), TFormStoragePropertyInterceptor::StaticClass());
  return true;
}();
}  // namespace

// ===================================================================================================
// Writer

TPropWriterEh::TPropWriterEh(TStream* Stream, int32_t BufSize) : TWriter(Stream, BufSize) {}

TPropWriterEh::~TPropWriterEh() {
  for (TStoragePropertyInterceptor* i : FInterceptors) i->Free();
}

void TPropWriterEh::DefineProperty(const String& Name, TReaderProc, TWriterProc WriteData, bool) {
  FDefinedProps.push_back({Name, WriteData, {}});
}

void TPropWriterEh::DefineBinaryProperty(const String& Name, TStreamProc, TStreamProc WriteData, bool) {
  FDefinedBinProps.push_back({Name, {}, WriteData});
}

void TPropWriterEh::CollectDefined(TPersistent* Instance) {
  FDefinedProps.clear();
  FDefinedBinProps.clear();
  PersistentAccess::DefineProps(Instance, this);
}

// The interceptor a writer or reader keeps for an object, made on first use; none when no interceptor class
// is registered for the object's class or its ancestors.
static TStoragePropertyInterceptor* InterceptorIn(std::vector<TStoragePropertyInterceptor*>& made, TPersistent* Instance) {
  TStoragePropertyInterceptorClass cls = FindStoragePropertyInterceptor(Instance->ClassType());
  if (!cls) return nullptr;
  for (TStoragePropertyInterceptor* i : made)
    if (i->Target() == Instance) return i;
  auto* interceptor = CreateAs<TStoragePropertyInterceptor>(cls, Instance);
  made.push_back(interceptor);
  return interceptor;
}

TStoragePropertyInterceptor* TPropWriterEh::InterceptorFor(TPersistent* Instance) {
  return InterceptorIn(FInterceptors, Instance);
}

String TPropWriterEh::ComponentReferenceName(TComponent* C) {
  TComponent* root = Root();
  if (C->Owner() && C->Owner() == root) return C->Name();
  if (C == root) return "Owner";
  if (C->Owner() && !C->Owner()->Name().empty() && !C->Name().empty()) {
    bool ownedByRoot = false;
    for (TComponent* o = C->Owner()->Owner(); o; o = o->Owner())
      if (o == root) ownedByRoot = true;
    String ownerName = ownedByRoot ? ComponentReferenceName(C->Owner()) : C->Owner()->Name();
    return ownerName + "." + C->Name();
  }
  if (!C->Name().empty()) return C->Name() + ".Owner";
  return String();
}

void TPropWriterEh::WriteStoredProps(TComponent* Root, TStrings* PropNames) {
  SetRoot(Root);
  WriteSignature();
  WriteStr(Root->ClassName());
  WriteStr(Root->Name());
  const int32_t count = PropNames->Count();
  for (int32_t i = 0; i < count; ++i) {
    const String path = PropNames->Strings(i);
    if (path.find('.') == String::npos) throw EWriteError("Component name is empty.");
    auto [first, rest] = SplitFirst(path);
    if (first == "<P>") WriteObjectPath(Root, rest);
  }
  if (OnWriteRootExtras) OnWriteRootExtras(this);
  WriteListEnd();

  FChain.clear();
  auto open = [this](TComponent* child) {
    WriteStr(child->ClassName());
    WriteStr(child->Name());
    FChain.push_back(child);
  };
  for (int32_t i = 0; i < count; ++i) {
    const String path = PropNames->Strings(i);
    std::vector<String> parts = SplitPath(path);
    if (parts.front() == "<P>") continue;
    TComponent* current = Root;
    size_t depth = 1;
    size_t k = 0;
    bool skipped = false;
    for (; k < parts.size() && parts[k] != "<P>"; ++k, ++depth) {
      const String& part = parts[k];
      if (part.empty()) throw EWriteError("Component name is empty.");
      TComponent* child = FindChildComponent(current, Root, part);
      if (!child) {
        skipped = true;
        break;
      }
      const size_t n = FChain.size();
      if (n < depth) {
        if (n > 0) WriteListEnd();
        open(child);
      } else if (n > depth && !SameText(FChain[depth - 1]->Name(), part)) {
        WriteListEnd();
        while (FChain.size() >= depth) {
          WriteListEnd();
          FChain.pop_back();
        }
        open(child);
      } else if (n == depth && !SameText(FChain[depth - 1]->Name(), part)) {
        WriteListEnd();
        WriteListEnd();
        FChain.pop_back();
        open(child);
      }
      current = child;
    }
    if (skipped || k >= parts.size()) continue;
    // Entries belong to the innermost open object; a path that reaches another one (the list out of its
    // order) has no place in the stream.
    if (FChain.empty() || FChain.back() != current) continue;
    String rest;
    for (size_t j = k + 1; j < parts.size(); ++j) rest += (j > k + 1 ? "." : "") + parts[j];
    WriteObjectPath(current, rest);
  }
  WriteListEnd();
  for (size_t j = 0; j < FChain.size(); ++j) WriteListEnd();
  WriteListEnd();
  FChain.clear();
  FlushBuffer();
  for (TStoragePropertyInterceptor* i : FInterceptors) i->Free();
  FInterceptors.clear();
}

void TPropWriterEh::WritePropPath(TPersistent* Instance, const String& Path) { WriteObjectPath(Instance, Path); }

void TPropWriterEh::WriteObjectPath(TPersistent* Instance, const String& Path) {
  if (Path.empty()) throw EWriteError("Property name is empty.");
  if (FPrefix.size() > 1024) throw EWriteError("Property path is too deep: " + FPrefix);
  auto [first, rest] = SplitFirst(Path);
  if (!IsItemPart(first)) {
    TObject* source = Instance;
    const TPropInfo* prop = nullptr;
    if (TStoragePropertyInterceptor* interceptor = InterceptorFor(Instance)) {
      const TPropInfo* iprop = GetPropInfo(interceptor->ClassType(), first);
      if (iprop && iprop->Readable()) {
        prop = iprop;
        source = interceptor;
      }
    }
    if (!prop) prop = GetPropInfo(Instance->ClassType(), first);
    if (!prop) {
      WriteDefined(Instance, first);
      return;
    }
    if (!prop->Readable()) return;
    if (prop->Kind() != tkClass) {
      if (prop->Writable()) WriteOneProperty(Instance, prop, source);
      return;
    }
    TObject* value = GetObjectProp(source, prop);
    auto* component = dynamic_cast<TComponent*>(value);
    const bool sub = component && component->ComponentStyle().Contains(csSubComponent);
    if (!prop->Writable() && !sub) return;
    if (!value) {
      WriteStr(FPrefix + prop->Name);
      WriteValue(vaNil);
      return;
    }
    if (component && !sub) {
      String name = ComponentReferenceName(component);
      if (name.empty()) return;
      WriteStr(FPrefix + prop->Name);
      WriteIdent(name);
      return;
    }
    auto* persistent = dynamic_cast<TPersistent*>(value);
    if (!persistent) return;
    const String oldPrefix = FPrefix;
    FPrefix += prop->Name + ".";
    try {
      if (!rest.empty())
        WriteObjectPath(persistent, rest);
      else
        WriteAllProperties(persistent);
    } catch (...) {
      FPrefix = oldPrefix;
      throw;
    }
    FPrefix = oldPrefix;
    if (auto* collection = dynamic_cast<TCollection*>(persistent); collection && rest.empty()) {
      WriteStr(FPrefix + prop->Name);
      WriteValue(vaCollection);
      FPrefix.clear();
      try {
        for (int32_t i = 0; i < collection->Count(); ++i) {
          WriteListBegin();
          WriteAllProperties(collection->Items(i));
          WriteListEnd();
        }
      } catch (...) {
        FPrefix = oldPrefix;
        throw;
      }
      FPrefix = oldPrefix;
      WriteListEnd();
    }
    return;
  }
  auto* collection = dynamic_cast<TCollection*>(Instance);
  if (!collection) throw EWriteError("Component type is not Collection.");
  if (first == "<ForAllItems>") {
    if (!rest.empty()) {
      for (int32_t i = 0; i < collection->Count(); ++i) WriteItem(collection, i, rest);
    } else if (collection->Count() > 0) {
      const std::vector<String> names = AllPropertyNames(collection->Items(0));
      for (int32_t i = 0; i < collection->Count(); ++i)
        for (const String& name : names) WriteItem(collection, i, name);
    }
    return;
  }
  // "<Item12>": the digits from the sixth character on, without the closing bracket.
  const String digits = first.size() > 6 ? first.substr(5, first.size() - 6) : String();
  int32_t index = 0;
  if (!TryStrToInt(digits, index)) throw EWriteError("Invalide property name: " + first);
  WriteItem(collection, index, rest);
}

void TPropWriterEh::WriteItem(TCollection* Collection, int32_t Index, const String& Rest) {
  TCollectionItem* item = Collection->Items(Index);  // the list-index error beyond the count
  const String oldPrefix = FPrefix;
  FPrefix += "__Item" + IntToStr(Index) + ".";
  try {
    if (!Rest.empty())
      WriteObjectPath(item, Rest);
    else
      WriteAllProperties(item);
  } catch (...) {
    FPrefix = oldPrefix;
    throw;
  }
  FPrefix = oldPrefix;
}

void TPropWriterEh::WriteAllProperties(TPersistent* Instance) {
  for (const String& name : AllPropertyNames(Instance)) WriteObjectPath(Instance, name);
}

std::vector<String> TPropWriterEh::AllPropertyNames(TPersistent* Instance) {
  std::vector<String> names;
  struct Walk {
    std::vector<String>& Names;
    void Add(TPersistent* obj, const String& prefix, int depth) {
      if (depth > kMaxObjectDepth) return;
      for (const TPropInfo* prop : GetPropList(obj->ClassType(), tkAny - TTypeKinds{tkMethod, tkUnknown}, true)) {
        if (prop->Kind() != tkClass) {
          Names.push_back(prefix + prop->Name);
          continue;
        }
        TObject* value = prop->Readable() ? GetObjectProp(obj, prop) : nullptr;
        if (!value || dynamic_cast<TComponent*>(value)) continue;
        auto* persistent = dynamic_cast<TPersistent*>(value);
        if (!persistent) continue;
        Add(persistent, prefix + prop->Name + ".", depth + 1);
        if (dynamic_cast<TCollection*>(value)) Names.push_back(prefix + prop->Name);
      }
    }
  } walk{names};
  walk.Add(Instance, String(), 0);
  CollectDefined(Instance);
  for (const Defined& d : FDefinedProps) names.push_back(d.Name);
  for (const Defined& d : FDefinedBinProps) names.push_back(d.Name);
  return names;
}

void TPropWriterEh::WriteDefined(TPersistent* Instance, const String& Name) {
  CollectDefined(Instance);
  for (const Defined& d : FDefinedProps)
    if (SameText(d.Name, Name)) {
      if (d.Write.Assigned()) {
        WriteStr(FPrefix + d.Name);
        d.Write(this);
      }
      return;
    }
  for (const Defined& d : FDefinedBinProps)
    if (SameText(d.Name, Name)) {
      if (d.WriteBinary.Assigned()) {
        WriteStr(FPrefix + d.Name);
        TMemoryStream data;
        d.WriteBinary(&data);
        WriteBinary(data.Memory(), static_cast<int32_t>(data.Size()));
      }
      return;
    }
  throw EWriteError("Invalide property name: " + Name);
}

void TPropWriterEh::WriteOneProperty(TPersistent*, const TPropInfo* Prop, TObject* Source) {
  PTypeInfo type = Prop->PropType;
  const String name = FPrefix + Prop->Name;
  switch (Prop->Kind()) {
    case tkInteger: {
      const int64_t value = GetOrdProp(Source, Prop);
      String ident;
      TIntToIdent map = FindIntToIdent(type);
      WriteStr(name);
      if (map && map(static_cast<int32_t>(value), ident))
        WriteIdent(ident);
      else
        WriteInteger(value);
      return;
    }
    case tkChar:
      WriteStr(name);
      WriteChar(static_cast<char>(GetOrdProp(Source, Prop)));
      return;
    case tkEnumeration:
      WriteStr(name);
      WriteIdent(GetEnumName(type, GetOrdProp(Source, Prop)));
      return;
    case tkSet: {
      const TSetBits bits = GetSetBits(Source, Prop);
      std::vector<String> members;
      for (size_t i = 0; i < 32 && i < type->SetSize; ++i)
        if ((bits.Words[0] >> i) & 1u) members.push_back(GetEnumName(type->CompType, static_cast<int64_t>(i)));
      WriteStr(name);
      WriteSetNames(members);
      return;
    }
    case tkFloat:
      WriteStr(name);
      if (type->FloatType == ftCurr)
        WriteCurrency(GetCurrencyProp(Source, Prop));
      else if (TypeIs(type, TypeInfoDateTime()))
        WriteDate(GetFloatProp(Source, Prop));
      else if (type->FloatType == ftSingle)
        WriteSingle(static_cast<float>(GetFloatProp(Source, Prop)));
      else
        WriteFloat(GetFloatProp(Source, Prop));
      return;
    case tkString:
    case tkLString:
      WriteStr(name);
      WriteString(GetStrProp(Source, Prop));
      return;
    case tkWString:
      WriteStr(name);
      WriteWideString(GetWideStrProp(Source, Prop));
      return;
    case tkInt64:
      WriteStr(name);
      WriteInteger(GetInt64Prop(Source, Prop));
      return;
    case tkMethod: {
      TMethod method = GetMethodProp(Source, Prop);
      if (!method.Assigned()) {
        WriteStr(name);
        WriteValue(vaNil);
        return;
      }
      String methodName = Root() && method.Code.Assigned() ? MethodName(Root()->ClassType(), method.Code) : String();
      if (methodName.empty()) return;  // a handler that is no published method has no stream form
      WriteStr(name);
      WriteIdent(methodName);
      return;
    }
    case tkVariant: {
      Variant value;
      GetVariantProp(Source, Prop, value);
      WriteStr(name);
      WriteVariant(value);
      return;
    }
    case tkInterface: {
      IPtr<IInterface> value = GetInterfaceProp(Source, Prop);
      if (!value.get()) {
        WriteStr(name);
        WriteValue(vaNil);
        return;
      }
      auto* component = dynamic_cast<TComponent*>(value.get());
      if (!component) return;
      String ref = ComponentReferenceName(component);
      if (ref.empty()) throw EWriteError("Component reference name should always be non blank");
      WriteStr(name);
      WriteIdent(ref);
      return;
    }
    default:
      return;
  }
}

// ===================================================================================================
// Reader

TPropReaderEh::TPropReaderEh(TStream* Stream, int32_t BufSize) : TReader(Stream, BufSize) {}

TPropReaderEh::~TPropReaderEh() {
  for (TStoragePropertyInterceptor* i : FInterceptors) i->Free();
}

void TPropReaderEh::DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) {
  TReader::DefineProperty(Name, ReadData, WriteData, HasData);
}

void TPropReaderEh::DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData,
                                         bool HasData) {
  TReader::DefineBinaryProperty(Name, ReadData, WriteData, HasData);
}

bool TPropReaderEh::Error(const String& Message) {
  TReader::Error(Message);  // observers still hear of it
  return true;
}

TStoragePropertyInterceptor* TPropReaderEh::InterceptorFor(TPersistent* Instance) {
  return InterceptorIn(FInterceptors, Instance);
}

void TPropReaderEh::ReadStoredProps(TComponent* Root) {
  ReadSignature();
  SetRoot(Root);
  SetOwner(Root);
  SetParent(Root);
  ReadObject(Root);
}

void TPropReaderEh::ReadPropEntry(TPersistent* Instance) { ReadPropertyEntry(Instance); }

void TPropReaderEh::ReadObject(TComponent* Target) {
  Nesting nesting(*this);
  TFilerFlags flags;
  int32_t position = 0;
  ReadPrefix(flags, position);
  ReadStr();  // the class name is not checked: the object is found by its name
  const String name = ReadStr();
  TComponent* temporary = nullptr;
  if (!Target) {
    Target = FindChildComponent(Parent(), Root(), name);
    // A component that no longer exists: its entries are read and thrown away.
    if (!Target) Target = temporary = New<TComponent>(nullptr);
  }
  // This object's touched collections and interceptors; the outer object's are kept aside meanwhile.
  std::vector<TCollection*> outerTouched;
  std::vector<TStoragePropertyInterceptor*> outerInterceptors;
  outerTouched.swap(FTouched);
  outerInterceptors.swap(FInterceptors);
  bool finished = false;
  auto finishObject = [&](bool apply) {
    finished = true;
    std::vector<TCollection*> touched;
    touched.swap(FTouched);
    for (TCollection* c : touched) c->EndUpdate();
    std::vector<TStoragePropertyInterceptor*> made;
    made.swap(FInterceptors);
    std::exception_ptr failure;
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
      if (apply && !failure) {
        try {
          (*it)->ApplyToTarget();
        } catch (...) {
          failure = std::current_exception();
        }
      }
      (*it)->Free();
    }
    FTouched.swap(outerTouched);
    FInterceptors.swap(outerInterceptors);
    if (failure) std::rethrow_exception(failure);
  };
  TComponent* oldOwner = Owner();
  TComponent* oldParent = Parent();
  try {
    while (!EndOfList()) ReadPropertyEntry(Target);
    ReadListEnd();
    finishObject(true);
    TComponent* childOwner = Target->GetChildOwner();
    SetOwner(childOwner ? childOwner : Root());
    SetParent(Target->GetChildParent());
    while (!EndOfList()) ReadObject(nullptr);
    ReadListEnd();
  } catch (...) {
    // Still inside this object's properties: its collections and interceptors go, unapplied.
    if (!finished) finishObject(false);
    SetOwner(oldOwner);
    SetParent(oldParent);
    if (temporary) temporary->Free();
    throw;
  }
  SetOwner(oldOwner);
  SetParent(oldParent);
  if (temporary) temporary->Free();
}

void TPropReaderEh::ReadPropertyEntry(TPersistent* Target) {
  String path;
  try {
    path = ReadStr();
    try {
      SetCanHandleExceptions(true);
      TPersistent* obj = Target;
      bool direct = true;
      std::vector<String> parts = SplitPath(path);
      for (size_t k = 0; k + 1 < parts.size(); ++k) {
        const String& part = parts[k];
        SetPropName(part);
        auto* collection = dynamic_cast<TCollection*>(obj);
        if (collection && StartsWith(part, "__Item")) {
          int32_t index = -1;
          const String digits = part.substr(6);
          // An item that the collection no longer has: the entry is dropped, the next one read.
          if (!TryStrToInt(digits, index) || index < 0 || index >= collection->Count()) {
            SkipValue();
            return;
          }
          if (std::find(FTouched.begin(), FTouched.end(), collection) == FTouched.end()) {
            collection->BeginUpdate();
            FTouched.push_back(collection);
          }
          obj = collection->Items(index);
          direct = false;
          continue;
        }
        const TPropInfo* prop = GetPropInfo(obj->ClassType(), part);
        if (!prop) PropertyError(part);
        TObject* value = prop->Kind() == tkClass && prop->Readable() ? GetObjectProp(obj, prop) : nullptr;
        auto* next = dynamic_cast<TPersistent*>(value);
        if (!next) {
          SkipValue();
          throw EReadError("Invalid property path");
        }
        obj = next;
        direct = false;
      }
      const String name = parts.back();
      SetPropName(name);
      if (TStoragePropertyInterceptor* interceptor = InterceptorFor(obj)) {
        const TPropInfo* iprop = GetPropInfo(interceptor->ClassType(), name);
        if (iprop && iprop->Writable()) {
          ReadPropValue(interceptor, iprop);
          return;
        }
      }
      if (direct && OnReadDirectProp) {
        bool processed = false;
        OnReadDirectProp(this, name, processed);
        if (processed) return;
      }
      if (const TPropInfo* prop = GetPropInfo(obj->ClassType(), name)) {
        if (prop->Kind() == tkInterface && NextValue() != vaNil) {
          // The writer names the component that implements the interface; the name is consumed so that
          // the stream stays in step, and set when it names a component that has the interface.
          const String ref = ReadIdent();
          TComponent* c = Root();
          for (const String& p : SplitPath(ref)) {
            TComponent* next = c ? c->FindComponent(p) : nullptr;
            if (!next && SameText(p, "Owner")) next = c;
            c = next;
          }
          if (auto* intf = dynamic_cast<IInterface*>(c)) SetInterfaceProp(obj, prop, intf);
          return;
        }
        ReadPropValue(obj, prop);
        return;
      }
      // A defined property's reader cannot be recovered from half-way: errors there end the read.
      SetCanHandleExceptions(false);
      PersistentAccess::DefineProps(obj, this);
      SetCanHandleExceptions(true);
      if (PropName().empty()) return;
      PropertyError(name);
    } catch (const Exception& e) {
      String owner;
      if (auto* c = dynamic_cast<TComponent*>(Target)) owner = c->Name();
      if (owner.empty()) owner = Target->ClassName();
      throw EReadError(Format("Error reading %s%s%s: %s", {owner, ".", path, e.Message()}));
    }
  } catch (const Exception& e) {
    if (!CanHandleExceptions() || !Error(e.Message())) throw;
  }
}
