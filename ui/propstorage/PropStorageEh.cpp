#include "ui/propstorage/PropStorageEh.h"

#include <iterator>
#include <memory>
#include <utility>

#include "rtl/Collections.h"
#include "rtl/Files.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

#include "ui/propstorage/detail/PropPaths.h"

namespace {

using propstorage_detail::PersistentAccess;
using propstorage_detail::SplitFirst;


// Collects the names an object defines for the filer, without streaming anything.
class TDefinePropertyFiler : public TFiler {
  RTL_CLASS(TDefinePropertyFiler, TFiler)
public:
  TDefinePropertyFiler() : TFiler(nullptr, 16) {}
  void DefineProperty(const String& name, TReaderProc, TWriterProc, bool) override { Names.push_back(name); }
  void DefineBinaryProperty(const String& name, TStreamProc, TStreamProc, bool) override { Names.push_back(name); }
  void FlushBuffer() override {}
  std::vector<String> Names;
};


bool StartsWithText(const String& s, const char* prefix) {
  const String p(prefix);
  return s.size() >= p.size() && SameText(s.substr(0, p.size()), p);
}

// The first character of a stream in the text form.
bool IsTextFormStart(char c) { return c == '\t' || c == '\v' || c == '\r' || c == ' ' || c == 'I' || c == 'O' || c == 'i' || c == 'o'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

constexpr int32_t kHexPiece = 80;

// Writes values[0..] as the "Line" series of the open key and drops the surplus of an earlier, longer one.
void WriteLines(TRegistry& reg, const std::vector<String>& values) {
  int32_t i = 0;
  for (; i < static_cast<int32_t>(values.size()); ++i) reg.WriteString(StorageLineName(i), values[static_cast<size_t>(i)]);
  while (reg.ValueExists(StorageLineName(i))) reg.DeleteValue(StorageLineName(i++));
}

const TIdentMapEntry kRootKeys[] = {
    {static_cast<int32_t>(HKEY_CLASSES_ROOT), "HKEY_CLASSES_ROOT"},
    {static_cast<int32_t>(HKEY_CURRENT_USER), "HKEY_CURRENT_USER"},
    {static_cast<int32_t>(HKEY_LOCAL_MACHINE), "HKEY_LOCAL_MACHINE"},
    {static_cast<int32_t>(HKEY_USERS), "HKEY_USERS"},
    {static_cast<int32_t>(HKEY_PERFORMANCE_DATA), "HKEY_PERFORMANCE_DATA"},
    {static_cast<int32_t>(HKEY_CURRENT_CONFIG), "HKEY_CURRENT_CONFIG"},
    {static_cast<int32_t>(HKEY_DYN_DATA), "HKEY_DYN_DATA"},
};

}  // namespace

const TTypeInfo* HKEYTypeInfo() {
  static const PTypeInfo type = [] {
    PTypeInfo t = TypeInfoAlias("HKEY", TypeInfo<int32_t>());
    RegisterIntegerConsts(t, kRootKeys, std::size(kRootKeys));
    return t;
  }();
  return type;
}

namespace {
const bool gHKEYRegistered = (HKEYTypeInfo(), true);
}  // namespace

String StorageLineName(int32_t Index) {
  String digits = IntToStr(Index);
  if (digits.size() < 10) digits.insert(0, 10 - digits.size(), '0');
  return "Line" + digits;
}

// ===================================================================================================
// TPropertyNamesEh

int32_t TPropertyNamesEh::CompareStrings(const String& S1, const String& S2) {
  String a = S1, b = S2;
  while (true) {
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : a.empty() ? -1 : 1;
    auto [a1, aRest] = SplitFirst(a);
    auto [b1, bRest] = SplitFirst(b);
    const bool aP = SameText(a1, "<P>"), bP = SameText(b1, "<P>");
    if (aP != bP) return aP ? -1 : 1;
    const bool aMark = !a1.empty() && a1[0] == '<', bMark = !b1.empty() && b1[0] == '<';
    if (aMark != bMark) return aMark ? 1 : -1;
    const int32_t c = AnsiCompareText(a1, b1);
    if (c != 0) return c;
    a = aRest;
    b = bRest;
  }
}

int32_t TPropertyNamesEh::Add(const String& S) { return AddObject(S, nullptr); }

int32_t TPropertyNamesEh::AddObject(const String& S, TObject* AObject) {
  if (FOwner && !FOwner->ComponentState().Contains(csLoading) && !CheckPropertyPath(S)) return -1;
  int32_t index = 0;
  const int32_t count = Count();
  for (; index < count; ++index) {
    const int32_t c = CompareStrings(S, Strings(index));
    if (c == 0) return -1;
    if (c < 0) break;
  }
  InsertObject(index, S, AObject);
  return index;
}

void TPropertyNamesEh::SetOwner(TComponent* AOwner) {
  FOwner = AOwner;
  if (!FOwner) return;
  for (int32_t i = Count() - 1; i >= 0; --i) {
    bool ok = false;
    try {
      ok = CheckPropertyPath(Strings(i));
    } catch (const Exception&) {
      ok = false;
    }
    if (!ok) Delete(i);
  }
}

bool TPropertyNamesEh::CheckPropertyPath(const String& Path) {
  if (!FOwner) return false;
  String rest = Path;
  auto next = [&rest]() {
    auto [first, tail] = SplitFirst(rest);
    if (first.empty()) throw Exception("Invalide property path: \"" + rest + "\"");
    rest = tail;
    return first;
  };
  if (rest.empty()) throw Exception("Invalide property path: \"\"");
  TComponent* component = FOwner;
  String part = next();
  while (!SameText(part, "<P>")) {
    component = FindChildComponent(component, FOwner, part);
    if (!component || rest.empty()) return false;
    part = next();
  }
  if (rest.empty()) return false;
  TPersistent* obj = component;
  std::unique_ptr<TCollectionItem, void (*)(TCollectionItem*)> temporary(nullptr, [](TCollectionItem* i) { i->Free(); });
  for (int depth = 0; depth < 64; ++depth) {
    part = next();
    auto* collection = dynamic_cast<TCollection*>(obj);
    if (collection && SameText(part, "<ForAllItems>")) {
      if (!temporary) temporary.reset(CreateAs<TCollectionItem>(collection->ItemClass(), nullptr));
      obj = temporary.get();
    } else if (collection && StartsWithText(part, "<Item")) {
      int32_t index = -1;
      if (part.rfind("<Item", 0) == 0 && part.size() > 6) TryStrToInt(part.substr(5, part.size() - 6), index);
      if (index >= 0 && index < collection->Count()) obj = collection->Items(index);
    } else {
      const TPropInfo* prop = nullptr;
      if (TStoragePropertyInterceptorClass icls = FindStoragePropertyInterceptor(obj->ClassType()))
        prop = GetPropInfo(icls, part);
      const TPropInfo* own = GetPropInfo(obj->ClassType(), part);
      if (!prop) prop = own;
      if (!prop) {
        TDefinePropertyFiler filer;
        PersistentAccess::DefineProps(obj, &filer);
        for (const String& name : filer.Names)
          if (SameText(name, part)) return rest.empty();
        return false;
      }
      if (prop->Kind() == tkClass) {
        TObject* value = own && own->Readable() ? GetObjectProp(obj, own) : nullptr;
        auto* persistent = dynamic_cast<TPersistent*>(value);
        if (!persistent) return false;
        obj = persistent;
      }
    }
    if (rest.empty()) return true;
  }
  return false;
}

// ===================================================================================================
// TPropStorageEh

RTL_PUBLISHED(TPropStorageEh) {
  prop("Active", &TPropStorageEh::Active, &TPropStorageEh::SetActive).Default(true);
  event("AfterLoadProps", &TPropStorageEh::AfterLoadProps, &TPropStorageEh::AfterLoadProps);
  event("AfterSaveProps", &TPropStorageEh::AfterSaveProps, &TPropStorageEh::AfterSaveProps);
  event("BeforeLoadProps", &TPropStorageEh::BeforeLoadProps, &TPropStorageEh::BeforeLoadProps);
  event("BeforeSaveProps", &TPropStorageEh::BeforeSaveProps, &TPropStorageEh::BeforeSaveProps);
  event("OnReadProp", &TPropStorageEh::OnReadProp, &TPropStorageEh::OnReadProp);
  event("OnWriteCustomProps", &TPropStorageEh::OnWriteCustomProps, &TPropStorageEh::OnWriteCustomProps);
  prop("Section", &TPropStorageEh::Section, &TPropStorageEh::SetSection).Stored(&TPropStorageEh::IsSectionStored);
  prop("StorageManager", &TPropStorageEh::StorageManager, &TPropStorageEh::SetStorageManager);
  prop("StoredProps", &TPropStorageEh::StoredProps, &TPropStorageEh::SetStoredProps);
}

TPropStorageEh::TPropStorageEh(TComponent* AOwner) : TComponent(AOwner), FStoredProps(New<TPropertyNamesEh>()) {}

TPropStorageEh::~TPropStorageEh() { FStoredProps->Free(); }

void TPropStorageEh::AfterConstruction() {
  inherited::AfterConstruction();
  FStoredProps->SetOwner(Owner());
}

void TPropStorageEh::BeforeDestruction() {
  if (!ComponentState().Contains(csDesigning)) UnhookForm();
  inherited::BeforeDestruction();
}

String TPropStorageEh::Section() const {
  if (!FSection.empty()) return FSection;
  if (ComponentState().Contains(csDesigning)) return String();
  return GetDefaultSection(Owner());
}

void TPropStorageEh::SetStorageManager(TPropStorageManagerEh* v) {
  if (FStorageManager == v) return;
  if (FStorageManager) FStorageManager->RemoveFreeNotification(this);
  FStorageManager = v;
  if (v) v->FreeNotification(this);
}

void TPropStorageEh::SetStoredProps(TStrings* v) {
  FStoredProps->BeginUpdate();
  try {
    FStoredProps->Clear();
    if (v)
      for (int32_t i = 0; i < v->Count(); ++i) FStoredProps->Add(v->Strings(i));
  } catch (...) {
    FStoredProps->EndUpdate();
    throw;
  }
  FStoredProps->EndUpdate();
}

void TPropStorageEh::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FStorageManager) FStorageManager = nullptr;
}

void TPropStorageEh::Loaded() {
  inherited::Loaded();
  if (!ComponentState().Contains(csDesigning) && dynamic_cast<TCustomForm*>(Owner())) HookForm();
}

void TPropStorageEh::HookForm() {
  if (FHooked) return;
  auto* form = static_cast<TCustomForm*>(Owner());
  FSaveFormShow = form->OnShow;
  FSaveFormCloseQuery = form->OnCloseQuery;
  FSaveFormDestroy = form->OnDestroy;
  form->OnShow = TNotifyEvent(this, &TPropStorageEh::FormShow);
  form->OnCloseQuery = TCloseQueryEvent(this, &TPropStorageEh::FormCloseQuery);
  form->OnDestroy = TNotifyEvent(this, &TPropStorageEh::FormDestroy);
  FHooked = true;
}

void TPropStorageEh::UnhookForm() {
  if (!FHooked) return;
  FHooked = false;
  if (auto* form = dynamic_cast<TCustomForm*>(Owner())) {
    form->OnShow = FSaveFormShow;
    form->OnCloseQuery = FSaveFormCloseQuery;
    form->OnDestroy = FSaveFormDestroy;
  }
}

void TPropStorageEh::FormShow(TObject* Sender) {
  if (FActive) {
    // Stored state that cannot be read leaves the form as designed; nothing is shown.
    try {
      LoadProps();
    } catch (const Exception&) {
    }
  }
  if (FSaveFormShow) FSaveFormShow(Sender);
}

void TPropStorageEh::FormCloseQuery(TObject* Sender, bool& CanClose) {
  if (FSaveFormCloseQuery) FSaveFormCloseQuery(Sender, CanClose);
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (CanClose && FActive && form && form->HandleAllocated()) {
    try {
      SaveProps();
    } catch (const Exception&) {
      if (Application) Application->HandleException(this);
    }
  }
}

void TPropStorageEh::FormDestroy(TObject* Sender) {
  if (FActive && !FSaved) {
    try {
      SaveProps();
    } catch (const Exception&) {
      if (Application) Application->HandleException(this);
    }
  }
  if (FSaveFormDestroy) FSaveFormDestroy(Sender);
}

void TPropStorageEh::LoadProps() {
  if (BeforeLoadProps) BeforeLoadProps(this);
  FSaved = false;
  if (FStorageManager) FStorageManager->ReadProperties(this);
  if (AfterLoadProps) AfterLoadProps(this);
}

void TPropStorageEh::SaveProps() {
  if (BeforeSaveProps) BeforeSaveProps(this);
  if (FStorageManager) {
    FStorageManager->WriteProperties(this);
    FSaved = true;
  }
  if (AfterSaveProps) AfterSaveProps(this);
}

String GetDefaultSection(TComponent* AComponent) {
  if (!AComponent) return String();
  if (dynamic_cast<TCustomForm*>(AComponent)) return AComponent->ClassName();
  String result = AComponent->Name();
  if (auto* control = dynamic_cast<TControl*>(AComponent)) {
    if (TCustomForm* form = GetParentForm(control))
      result = form->ClassName() + result;
    else if (control->Parent())
      result = control->Parent()->Name() + result;
  } else if (auto* form = dynamic_cast<TCustomForm*>(AComponent->Owner())) {
    result = Format("%s.%s", {form->ClassName(), result});
  }
  return result;
}

// ===================================================================================================
// TPropStorageManagerEh

RTL_PUBLISHED(TPropStorageManagerEh) {}

void TPropStorageManagerEh::WriteProperties(TPropStorageEh* PropStorage) {
  TMemoryStream stream;
  {
    TPropWriterEh writer(&stream, 1024);
    writer.OnWriteRootExtras = [PropStorage](TPropWriterEh* w) {
      if (PropStorage->OnWriteCustomProps) PropStorage->OnWriteCustomProps(PropStorage, w);
    };
    writer.WriteStoredProps(PropStorage->Owner(), PropStorage->StoredProps());
  }
  stream.SetPosition(0);
  if (FWriteAsText) {
    String binary(static_cast<size_t>(stream.Size()), '\0');
    if (!binary.empty()) stream.ReadBuffer(binary.data(), static_cast<int32_t>(binary.size()));
    WritePropertiesText(PropStorage, ObjectBinaryToText(binary));
  } else {
    WritePropertiesStream(PropStorage, &stream);
  }
}

void TPropStorageManagerEh::ReadPropertiesStream(TStream* Stream, TPropStorageEh* PropStorage) {
  char head[4] = {};
  const int64_t start = Stream->Position();
  const int32_t got = Stream->Read(head, 4);
  Stream->SetPosition(start);
  const bool binary = got >= 1 && (static_cast<uint8_t>(head[0]) == 0xFF || (got == 4 && String(head, 4) == "TPF0"));
  const bool text = got >= 1 && IsTextFormStart(head[0]);
  if (!binary && !text) throw EReadError("Invalid stream format.");
  TMemoryStream converted;
  TStream* source = Stream;
  if (!binary) {
    ObjectTextToBinary(Stream, &converted);
    converted.SetPosition(0);
    source = &converted;
  }
  TPropReaderEh reader(source, 1024);
  reader.OnReadDirectProp = [PropStorage](TPropReaderEh* r, const String& name, bool& processed) {
    if (PropStorage->OnReadProp) PropStorage->OnReadProp(PropStorage, r, name, processed);
  };
  reader.ReadStoredProps(PropStorage->Owner());
}

// ===================================================================================================
// TRegPropStorageManEh

RTL_PUBLISHED(TRegPropStorageManEh) {
  prop("RegistryKey", &TRegPropStorageManEh::RegistryKey, &TRegPropStorageManEh::SetRegistryKey).Default(rkCurrentUserEh);
  prop("Path", &TRegPropStorageManEh::Path, &TRegPropStorageManEh::SetPath);
  prop("WriteAsText", &TRegPropStorageManEh::WriteAsText, &TRegPropStorageManEh::SetWriteAsText).Default(true);
}

void TRegPropStorageManEh::SetRegistryKey(TRegistryKeyEh v) {
  FRegistryKey = v;
  static const HKEY keys[] = {HKEY_CLASSES_ROOT,  HKEY_CURRENT_USER,     HKEY_LOCAL_MACHINE, HKEY_USERS,
                              HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
  if (v != rkCustomRegistryKeyEh) FKey = keys[v];
}

String TRegPropStorageManEh::BasePath() const {
  if (!FPath.empty()) return FPath;
  String title = Application ? Application->Title() : String();
  if (title.empty() && Application) title = ChangeFileExt(ExtractFileName(Application->ExeName()), "");
  return "Software\\" + title;
}

String TRegPropStorageManEh::SectionKey(TPropStorageEh* PropStorage) const {
  // The base path may end in a separator of its own ("\Software\Pellwick\Vorn\"); the key is built
  // with one separator between the parts and none doubled.
  String key = BasePath() + "\\" + PropStorage->Section();
  String result;
  for (char c : key)
    if (c != '\\' || result.empty() || result.back() != '\\') result += c;
  while (result.size() > 1 && result.back() == '\\') result.pop_back();
  return result;
}

void TRegPropStorageManEh::ReadProperties(TPropStorageEh* PropStorage) {
  TRegistry reg;
  reg.SetRootKey(FKey);
  const String section = PropStorage->Section();
  const String base = BasePath();
  if (reg.KeyExists(base) && reg.OpenKey(base, false)) {
    if (reg.ValueExists(section)) {
      // The older single-value form is read once. It is removed before it is read, so that a damaged
      // value cannot hide every later save behind it.
      String data;
      try {
        if (reg.GetDataType(section) == rdBinary) {
          std::vector<uint8_t> bytes = reg.ReadBinaryData(section);
          data.assign(bytes.begin(), bytes.end());
        } else {
          data = reg.ReadString(section);
        }
      } catch (...) {
        reg.DeleteValue(section);
        throw;
      }
      reg.DeleteValue(section);
      reg.CloseKey();
      TStringStream stream(data);
      ReadPropertiesStream(&stream, PropStorage);
      return;
    }
    reg.CloseKey();
  }
  if (!reg.OpenKeyReadOnly(SectionKey(PropStorage))) return;
  std::vector<String> values;
  const size_t valueCount = reg.GetValueNames().size();
  for (size_t i = 0; i < valueCount; ++i) {
    const String name = StorageLineName(static_cast<int32_t>(i));
    if (!reg.ValueExists(name)) break;
    values.push_back(reg.ReadString(name));
  }
  reg.CloseKey();
  if (values.empty()) return;
  String data;
  if (!values.front().empty() && IsTextFormStart(values.front()[0])) {
    for (size_t i = 0; i < values.size(); ++i) data += (i ? "\r\n" : "") + values[i];
  } else {
    bool stop = false;
    for (const String& v : values) {
      for (size_t i = 0; i < v.size(); i += 2) {
        const int hi = HexDigit(v[i]);
        const int lo = i + 1 < v.size() ? HexDigit(v[i + 1]) : -1;
        if (hi < 0 || lo < 0) {
          stop = true;
          break;
        }
        data += static_cast<char>(hi * 16 + lo);
      }
      if (stop) break;
    }
  }
  TStringStream stream(data);
  ReadPropertiesStream(&stream, PropStorage);
}

void TRegPropStorageManEh::WritePropertiesStream(TPropStorageEh* PropStorage, TStream* Stream) {
  static const char kHex[] = "0123456789ABCDEF";
  std::vector<String> pieces;
  String piece;
  uint8_t buf[1024];
  for (int32_t n; (n = Stream->Read(buf, sizeof buf)) > 0;) {
    for (int32_t i = 0; i < n; ++i) {
      piece += kHex[buf[i] >> 4];
      piece += kHex[buf[i] & 15];
      if (static_cast<int32_t>(piece.size()) == kHexPiece) {
        pieces.push_back(piece);
        piece.clear();
      }
    }
  }
  if (!piece.empty()) pieces.push_back(piece);
  TRegistry reg;
  reg.SetRootKey(FKey);
  if (!reg.OpenKey(SectionKey(PropStorage), true)) throw ERegistryException("Failed to open key " + SectionKey(PropStorage));
  WriteLines(reg, pieces);
  reg.CloseKey();
}

void TRegPropStorageManEh::WritePropertiesText(TPropStorageEh* PropStorage, const String& Text) {
  TStringList* lines = New<TStringList>();
  std::vector<String> values;
  try {
    lines->SetText(Text);
    for (int32_t i = 0; i < lines->Count(); ++i) values.push_back(lines->Strings(i));
  } catch (...) {
    lines->Free();
    throw;
  }
  lines->Free();
  TRegistry reg;
  reg.SetRootKey(FKey);
  if (!reg.OpenKey(SectionKey(PropStorage), true)) throw ERegistryException("Failed to open key " + SectionKey(PropStorage));
  WriteLines(reg, values);
  reg.CloseKey();
}
