#include "ui/base/cxLookAndFeels.h"

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/TypInfo.h"
#include "ui/base/dxOffice11.h"
#include "winapi/Messages.h"

// ---- the shared system-palette listener ---------------------------------------------------------------------
namespace {

class TcxSystemPaletteChangedListener {
public:
  TcxSystemPaletteChangedListener() {
    Office11ColorsAcquire();
    EnsureWindow();
  }
  ~TcxSystemPaletteChangedListener() {
    DropWindow();
    Office11ColorsRelease();
  }

  void Add(TcxSystemPaletteChangedNotifier* ANotifier) {
    (ANotifier->IsPrimary() ? FPrimary : FOrdinary).push_back(ANotifier);
  }
  void Remove(TcxSystemPaletteChangedNotifier* ANotifier) {
    auto& list = ANotifier->IsPrimary() ? FPrimary : FOrdinary;
    list.erase(std::remove(list.begin(), list.end(), ANotifier), list.end());
  }

  void EnsureWindow() {
    if (FWindow && IsWindow(FWindow)) return;
    FWindow = nullptr;
    WNDCLASS existing{};
    if (!GetClassInfo(nullptr, kClassName, &existing)) {
      WNDCLASS wc{};
      wc.lpfnWndProc = &WndProc;
      wc.lpszClassName = kClassName;
      if (!RegisterClass(&wc)) return;
    }
    // A top-level hidden window: the window system broadcasts colour changes to top-level windows only.
    FWindow = CreateWindowEx(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                             nullptr);
  }
  void DropWindow() {
    if (FWindow && IsWindow(FWindow)) DestroyWindow(FWindow);
    FWindow = nullptr;
  }

  // Primary notifiers first, each list from its last registration to its first; a notifier that goes away
  // during the round is skipped.
  void SystemPaletteChanged() {
    Office11ColorsRecalc();
    for (auto* list : {&FPrimary, &FOrdinary}) {
      std::vector<TcxSystemPaletteChangedNotifier*> snapshot = *list;
      for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        if (std::find(list->begin(), list->end(), *it) == list->end()) continue;
        (*it)->FireSystemPaletteChanged();
      }
    }
  }

  int32_t UseCount = 0;

private:
  static constexpr const char* kClassName = "TcxSystemPaletteChangedListener";
  static LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND FWindow = nullptr;
  std::vector<TcxSystemPaletteChangedNotifier*> FPrimary;
  std::vector<TcxSystemPaletteChangedNotifier*> FOrdinary;
};

TcxSystemPaletteChangedListener* gPaletteListener = nullptr;

LRESULT TcxSystemPaletteChangedListener::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SYSCOLORCHANGE && gPaletteListener) {
    try {
      gPaletteListener->SystemPaletteChanged();
    } catch (...) {
      if (!Application) throw;
      Application->HandleException(nullptr);
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void DoneSystemPaletteChangedWindow() {
  if (gPaletteListener) gPaletteListener->DropWindow();
}

void EnsureSystemPaletteChangedWindow() {
  if (gPaletteListener) gPaletteListener->EnsureWindow();
}

int32_t SystemPaletteChangedListenerUseCount() { return gPaletteListener ? gPaletteListener->UseCount : 0; }

TcxSystemPaletteChangedNotifier::TcxSystemPaletteChangedNotifier(bool AIsPrimary) : FIsPrimary(AIsPrimary) {
  if (!gPaletteListener) gPaletteListener = new TcxSystemPaletteChangedListener();
  ++gPaletteListener->UseCount;
  gPaletteListener->Add(this);
}

TcxSystemPaletteChangedNotifier::~TcxSystemPaletteChangedNotifier() {
  if (!gPaletteListener) return;
  gPaletteListener->Remove(this);
  if (--gPaletteListener->UseCount == 0) {
    delete gPaletteListener;
    gPaletteListener = nullptr;
  }
}

void TcxSystemPaletteChangedNotifier::FireSystemPaletteChanged() {
  if (OnPaletteChanged.Assigned()) OnPaletteChanged();
}

// ---- the root and the controllers ---------------------------------------------------------------------------
namespace {
TcxLookAndFeel* gRootLookAndFeel = nullptr;
int32_t gControllerCount = 0;
bool gStartingRoot = false;

void StartRoot() {
  if (gRootLookAndFeel || gStartingRoot) return;
  gStartingRoot = true;
  // While the root is made no root exists yet, so it listens to nothing.
  TcxLookAndFeel* root = nullptr;
  try {
    root = New<TcxLookAndFeel>(static_cast<TPersistent*>(nullptr));
  } catch (...) {
    gStartingRoot = false;
    throw;
  }
  root->MakeRoot();
  gRootLookAndFeel = root;
  gStartingRoot = false;
}
}  // namespace

TcxLookAndFeel* RootLookAndFeel() {
  StartRoot();
  return gRootLookAndFeel;
}

TcxLookAndFeel* GetRootLookAndFeel() { return gRootLookAndFeel; }

void DoneLookAndFeels() {
  if (gRootLookAndFeel) gRootLookAndFeel->Free();
  gRootLookAndFeel = nullptr;
  gControllerCount = 0;
}

int32_t LookAndFeelControllerCount() { return gControllerCount; }

TcxCustomLookAndFeelPainterClass LookAndFeelPainterOfKind(TcxLookAndFeelKind AKind) {
  switch (AKind) {
    case lfFlat:
      return TcxFlatLookAndFeelPainter::Instance();
    case lfStandard:
      return TcxStandardLookAndFeelPainter::Instance();
    case lfOffice11:
      return TcxOffice11LookAndFeelPainter::Instance();
    case lfUltraFlat:
    default:
      return TcxUltraFlatLookAndFeelPainter::Instance();
  }
}

// ---- TcxLookAndFeel ---------------------------------------------------------------------------------------
RTL_PUBLISHED(TcxLookAndFeel) {
  prop("Kind", &TcxLookAndFeel::Kind, &TcxLookAndFeel::SetKind).NoDefault().Stored(&TcxLookAndFeel::IsKindStored);
  prop("NativeStyle", &TcxLookAndFeel::NativeStyle, &TcxLookAndFeel::SetNativeStyle)
      .NoDefault()
      .Stored(&TcxLookAndFeel::IsNativeStyleStored);
}

TcxLookAndFeel::TcxLookAndFeel(TPersistent* AOwner) : TcxInterfacedPersistent(AOwner) {}

TcxLookAndFeel::~TcxLookAndFeel() = default;

void TcxLookAndFeel::AfterConstruction() {
  inherited::AfterConstruction();
  FKind = lfUltraFlat;
  FNativeStyle = false;
  FCurrentKind = FKind;
  FCurrentNativeStyle = FNativeStyle;
  FSystemPaletteChangedNotifier = New<TcxSystemPaletteChangedNotifier>(false);
  FSystemPaletteChangedNotifier->OnPaletteChanged = Event<>(this, &TcxLookAndFeel::PaletteChanged);
  if (TcxLookAndFeel* root = RootLookAndFeel()) {
    root->AddChangeListener(this);
    FCurrentKind = ResolveKind();
    FCurrentNativeStyle = ResolveNativeStyle();
  }
}

void TcxLookAndFeel::BeforeDestruction() {
  FreeAndNil(FSystemPaletteChangedNotifier);
  FIsDestruction = true;
  // Each listener answers by SetMaster(nil); the flag keeps the list as it is meanwhile.
  size_t count = FChangeListenerList.size();
  for (size_t i = 0; i < count && i < FChangeListenerList.size(); ++i)
    FChangeListenerList[i]->MasterDestroying(this);
  FIsDestruction = false;
  FChangeListenerList.clear();
  if (TcxLookAndFeel* master = GetMaster()) master->RemoveChangeListener(this);
  if (FIsRootLookAndFeel) {
    if (gRootLookAndFeel == this) gRootLookAndFeel = nullptr;
    FIsRootLookAndFeel = false;
  }
  inherited::BeforeDestruction();
}

void TcxLookAndFeel::MakeRoot() { FIsRootLookAndFeel = true; }

void TcxLookAndFeel::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxLookAndFeel*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  SaveState();
  FKind = source->FKind;
  FNativeStyle = source->FNativeStyle;
  FAssignedValues = source->FAssignedValues;
  SetMaster(source->GetMaster());
  CheckChanged();
}

void TcxLookAndFeel::SetKind(TcxLookAndFeelKind Value) {
  TcxLookAndFeelKind prev = FCurrentKind;
  FAssignedValues.Include(lfvKind);
  FKind = Value;
  if (ResolveKind() != prev) NotifyChanged({lfvKind});
}

void TcxLookAndFeel::SetNativeStyle(bool Value) {
  bool prev = FCurrentNativeStyle;
  FAssignedValues.Include(lfvNativeStyle);
  FNativeStyle = Value;
  if (ResolveNativeStyle() != prev) NotifyChanged({lfvNativeStyle});
}

void TcxLookAndFeel::SetAssignedValues(TcxLookAndFeelValues Value) {
  if (Value == FAssignedValues) return;
  SaveState();
  FAssignedValues = Value;
  CheckChanged();
}

void TcxLookAndFeel::Reset() { SetAssignedValues({}); }

TcxLookAndFeel* TcxLookAndFeel::GetMaster() const {
  if (FIsRootLookAndFeel) return nullptr;
  if (FMasterLookAndFeel) return FMasterLookAndFeel;
  return gRootLookAndFeel;
}

void TcxLookAndFeel::SetMaster(TcxLookAndFeel* Value) {
  if (FIsRootLookAndFeel || Value == this || Value == GetMaster()) return;
  SaveState();
  if (TcxLookAndFeel* master = GetMaster()) master->RemoveChangeListener(this);
  FMasterLookAndFeel = Value;
  if (TcxLookAndFeel* master = GetMaster()) master->AddChangeListener(this);
  CheckChanged();
}

void TcxLookAndFeel::AddChangeListener(IcxLookAndFeelListener* AListener) {
  if (!AListener) return;
  bool isController = dynamic_cast<TcxLookAndFeelController*>(AListener->GetObject()) != nullptr;
  if (isController && !FIsRootLookAndFeel) return;
  if (std::find(FChangeListenerList.begin(), FChangeListenerList.end(), AListener) != FChangeListenerList.end())
    return;
  if (FIsRootLookAndFeel && isController) ++gControllerCount;
  FChangeListenerList.push_back(AListener);
}

void TcxLookAndFeel::RemoveChangeListener(IcxLookAndFeelListener* AListener) {
  if (!AListener) return;
  auto it = std::find(FChangeListenerList.begin(), FChangeListenerList.end(), AListener);
  if (it == FChangeListenerList.end()) return;
  bool isController = dynamic_cast<TcxLookAndFeelController*>(AListener->GetObject()) != nullptr;
  if (!FIsDestruction) FChangeListenerList.erase(it);
  if (isController && FIsRootLookAndFeel) {
    if (--gControllerCount == 0) Reset();
  }
}

TcxCustomLookAndFeelPainterClass TcxLookAndFeel::GetPainterClass() const {
  if (FPainter) return FPainter;
  if (FCurrentNativeStyle && AreThemeTypesAvailable({})) return TcxWinXPLookAndFeelPainter::Instance();
  return LookAndFeelPainterOfKind(FCurrentKind);
}

TcxCustomLookAndFeelPainterClass TcxLookAndFeel::PainterForThemeType(TdxThemedObjectType AThemeType) const {
  if (FCurrentNativeStyle && IsThemeTypeAvailable(AThemeType)) return TcxWinXPLookAndFeelPainter::Instance();
  return LookAndFeelPainterOfKind(FCurrentKind);
}

void TcxLookAndFeel::MasterChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) {
  (void)Sender;
  NotifyChanged((AChangedValues * cxLookAndFeelValuesAll) - FAssignedValues);
}

void TcxLookAndFeel::MasterDestroying(TcxLookAndFeel* Sender) {
  (void)Sender;
  SetMaster(nullptr);
}

TcxLookAndFeelKind TcxLookAndFeel::InheritedKind() const {
  if (FIsRootLookAndFeel) return lfUltraFlat;
  if (FMasterLookAndFeel) return FMasterLookAndFeel->Kind();
  if (gRootLookAndFeel) return gRootLookAndFeel->Kind();
  return lfUltraFlat;
}

bool TcxLookAndFeel::InheritedNativeStyle() const {
  if (FIsRootLookAndFeel) return false;
  if (FMasterLookAndFeel) return FMasterLookAndFeel->NativeStyle();
  if (gRootLookAndFeel) return gRootLookAndFeel->NativeStyle();
  return false;
}

TcxLookAndFeelKind TcxLookAndFeel::ResolveKind() {
  return FAssignedValues.Contains(lfvKind) ? FKind : InheritedKind();
}

bool TcxLookAndFeel::ResolveNativeStyle() {
  return FAssignedValues.Contains(lfvNativeStyle) ? FNativeStyle : InheritedNativeStyle();
}

void TcxLookAndFeel::SystemPaletteChanged() { NotifyChanged({lfvNativeStyle}); }

void TcxLookAndFeel::SaveState() {
  FPrevKind = FCurrentKind;
  FPrevNativeStyle = FCurrentNativeStyle;
}

void TcxLookAndFeel::CheckChanged() {
  TcxLookAndFeelValues changed;
  if (ResolveKind() != FPrevKind) changed.Include(lfvKind);
  if (ResolveNativeStyle() != FPrevNativeStyle) changed.Include(lfvNativeStyle);
  NotifyChanged(changed);
}

void TcxLookAndFeel::NotifyChanged(TcxLookAndFeelValues AChangedValues) {
  if (AChangedValues.Empty() || FIsDestruction) return;
  FCurrentKind = ResolveKind();
  FCurrentNativeStyle = ResolveNativeStyle();
  // A listener that removes itself during its call does not make the next one skipped.
  size_t i = 0;
  while (i < FChangeListenerList.size()) {
    size_t count = FChangeListenerList.size();
    FChangeListenerList[i]->MasterChanged(this, AChangedValues);
    if (FChangeListenerList.size() == count) ++i;
  }
  if (OnChanged.Assigned()) OnChanged(this, AChangedValues);
}

// ---- TcxLookAndFeelController ---------------------------------------------------------------------------------
RTL_PUBLISHED(TcxLookAndFeelController) {
  prop("Kind", &TcxLookAndFeelController::Kind, &TcxLookAndFeelController::SetKind).NoDefault().Stored(true);
  prop("NativeStyle", &TcxLookAndFeelController::NativeStyle, &TcxLookAndFeelController::SetNativeStyle)
      .NoDefault()
      .Stored(true);
}

TcxLookAndFeelController::TcxLookAndFeelController(TComponent* AOwner) : TComponent(AOwner) {}

void TcxLookAndFeelController::AfterConstruction() {
  inherited::AfterConstruction();
  if (TcxLookAndFeel* root = RootLookAndFeel()) root->AddChangeListener(this);
}

void TcxLookAndFeelController::BeforeDestruction() {
  if (TcxLookAndFeel* root = GetRootLookAndFeel()) root->RemoveChangeListener(this);
  inherited::BeforeDestruction();
}

TcxLookAndFeelKind TcxLookAndFeelController::Kind() const {
  return gRootLookAndFeel ? gRootLookAndFeel->Kind() : lfUltraFlat;
}

void TcxLookAndFeelController::SetKind(TcxLookAndFeelKind Value) {
  if (gRootLookAndFeel) gRootLookAndFeel->SetKind(Value);
}

bool TcxLookAndFeelController::NativeStyle() const {
  return gRootLookAndFeel ? gRootLookAndFeel->NativeStyle() : false;
}

void TcxLookAndFeelController::SetNativeStyle(bool Value) {
  if (gRootLookAndFeel) gRootLookAndFeel->SetNativeStyle(Value);
}

void TcxLookAndFeelController::MasterChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) {
  (void)Sender;
  (void)AChangedValues;
}

// The form designer is not part of the running program, so there is nobody to tell that the form changed.
void TcxLookAndFeelController::MasterDestroying(TcxLookAndFeel* Sender) { (void)Sender; }

int32_t TcxLookAndFeelController::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}
