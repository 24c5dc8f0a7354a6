#pragma once
// Look-and-feel settings: every painted control owns a TcxLookAndFeel whose Kind and NativeStyle pick the
// painter it draws with. Values an object does not set itself come from its master and in the end from the
// process-wide root; changes travel down that chain to listeners and the owner's OnChanged. A controller
// component edits the root. A shared hidden window hears system colour changes, recomputes the Office11
// colours and tells every look-and-feel to repaint.
//
// The root starts on first use (the window system must be up); DoneLookAndFeels frees it (the program at
// shutdown, tests after each case), and a later look-and-feel starts it again.

#include <cstdint>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/Components.h"
#include "rtl/Interfaces.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/dxThemeManager.h"

enum TcxLookAndFeelValue : uint8_t { lfvKind, lfvNativeStyle };
RTL_ENUM(TcxLookAndFeelValue, lfvKind, lfvNativeStyle)
using TcxLookAndFeelValues = Set<TcxLookAndFeelValue, 8>;
inline constexpr TcxLookAndFeelValues cxLookAndFeelValuesAll{lfvKind, lfvNativeStyle};

class TcxLookAndFeel;

class IcxLookAndFeelListener : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{205538BF-F19E-4285-B11F-B182D9635881}");
  virtual TObject* GetObject() = 0;
  virtual void MasterChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) = 0;
  virtual void MasterDestroying(TcxLookAndFeel* Sender) = 0;

protected:
  ~IcxLookAndFeelListener() = default;
};

// One subscriber to system colour changes; primary ones hear of a change before the ordinary ones.
class TcxSystemPaletteChangedNotifier : public TObject {
  RTL_CLASS(TcxSystemPaletteChangedNotifier, TObject)
public:
  explicit TcxSystemPaletteChangedNotifier(bool AIsPrimary = false);
  ~TcxSystemPaletteChangedNotifier() override;
  virtual void FireSystemPaletteChanged();
  bool IsPrimary() const { return FIsPrimary; }
  Event<> OnPaletteChanged;

private:
  bool FIsPrimary;
};

// The shared listener's hidden window is made with the first notifier; these let a program (or a test that
// restarts the window system) drop and remake it while notifiers live on.
void DoneSystemPaletteChangedWindow();
void EnsureSystemPaletteChangedWindow();
// How many notifiers use the shared listener (0: it does not exist).
int32_t SystemPaletteChangedListenerUseCount();

using TcxLookAndFeelChangedEvent = Event<TcxLookAndFeel*, TcxLookAndFeelValues>;

class TcxLookAndFeel : public TcxInterfacedPersistent, public IcxLookAndFeelListener {
  RTL_CLASS(TcxLookAndFeel, TcxInterfacedPersistent)
  RTL_INTERFACES(IcxLookAndFeelListener)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TPersistent*;
  explicit TcxLookAndFeel(TPersistent* AOwner);
  ~TcxLookAndFeel() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  void Assign(TPersistent* Source) override;

  TcxLookAndFeelKind Kind() const { return FCurrentKind; }
  void SetKind(TcxLookAndFeelKind Value);
  bool NativeStyle() const { return FCurrentNativeStyle; }
  void SetNativeStyle(bool Value);
  TcxLookAndFeelKind GetKind() const { return FCurrentKind; }
  bool GetNativeStyle() const { return FCurrentNativeStyle; }
  TcxLookAndFeelValues AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TcxLookAndFeelValues Value);
  void Reset();

  TcxLookAndFeel* GetMaster() const;
  void SetMaster(TcxLookAndFeel* Value);
  TcxLookAndFeel* MasterLookAndFeel() const { return GetMaster(); }
  bool IsRoot() const { return FIsRootLookAndFeel; }

  void AddChangeListener(IcxLookAndFeelListener* AListener);
  void RemoveChangeListener(IcxLookAndFeelListener* AListener);
  int32_t ChangeListenerCount() const { return static_cast<int32_t>(FChangeListenerList.size()); }

  TcxCustomLookAndFeelPainterClass GetPainterClass() const;
  TcxCustomLookAndFeelPainterClass Painter() const { return FPainter; }
  void SetPainter(TcxCustomLookAndFeelPainterClass Value) { FPainter = Value; }
  TcxCustomLookAndFeelPainterClass PainterForThemeType(TdxThemedObjectType AThemeType) const;

  bool IsKindStored() const { return FAssignedValues.Contains(lfvKind); }
  bool IsNativeStyleStored() const { return FAssignedValues.Contains(lfvNativeStyle); }

  // IcxLookAndFeelListener
  TObject* GetObject() override { return this; }
  void MasterChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) override;
  void MasterDestroying(TcxLookAndFeel* Sender) override;

  TcxLookAndFeelChangedEvent OnChanged;

  // Marks the object the process-wide root; only the unit's start-up does this.
  void MakeRoot();

protected:
  virtual TcxLookAndFeelKind ResolveKind();
  virtual bool ResolveNativeStyle();
  virtual void SystemPaletteChanged();
  TcxLookAndFeelKind InheritedKind() const;
  bool InheritedNativeStyle() const;
  void SaveState();
  void CheckChanged();
  void NotifyChanged(TcxLookAndFeelValues AChangedValues);

private:
  void PaletteChanged() { SystemPaletteChanged(); }

  TcxLookAndFeelValues FAssignedValues;
  std::vector<IcxLookAndFeelListener*> FChangeListenerList;
  TcxLookAndFeelKind FCurrentKind = lfUltraFlat;
  bool FCurrentNativeStyle = false;
  TcxLookAndFeelKind FKind = lfUltraFlat;
  bool FNativeStyle = false;
  bool FIsDestruction = false;
  bool FIsRootLookAndFeel = false;
  TcxLookAndFeel* FMasterLookAndFeel = nullptr;
  TcxCustomLookAndFeelPainterClass FPainter = nullptr;
  TcxLookAndFeelKind FPrevKind = lfUltraFlat;
  bool FPrevNativeStyle = false;
  TcxSystemPaletteChangedNotifier* FSystemPaletteChangedNotifier = nullptr;
};

// Edits the root look-and-feel; while one exists the root keeps what it sets.
class TcxLookAndFeelController : public TComponent, public IcxLookAndFeelListener {
  RTL_CLASS(TcxLookAndFeelController, TComponent)
  RTL_INTERFACES(IcxLookAndFeelListener)
  RTL_PUBLISHED_DECL
public:
  explicit TcxLookAndFeelController(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TcxLookAndFeelKind Kind() const;
  void SetKind(TcxLookAndFeelKind Value);
  bool NativeStyle() const;
  void SetNativeStyle(bool Value);

  TObject* GetObject() override { return this; }
  void MasterChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) override;
  void MasterDestroying(TcxLookAndFeel* Sender) override;

  // A component's lifetime is its owner's: the interface counts nothing.
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
};

// The root, starting it when it does not exist yet.
TcxLookAndFeel* RootLookAndFeel();
// The root as it stands (null before start-up and after DoneLookAndFeels).
TcxLookAndFeel* GetRootLookAndFeel();
void DoneLookAndFeels();
// How many controllers are registered with the root.
int32_t LookAndFeelControllerCount();

// The painter of a kind (the kind table).
TcxCustomLookAndFeelPainterClass LookAndFeelPainterOfKind(TcxLookAndFeelKind AKind);
