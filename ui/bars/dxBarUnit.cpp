// The bar unit: its start-up and shut-down, its process-wide lists, the texts it shows and raises, and the
// registries through which the bar controls library installs painters and window classes.

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "rtl/SysUtils.h"
#include "ui/bars/detail/dxBarState.h"

const char* const sdxBarManagerBadOwner = "TdxBarManager should have as its Owner - TForm (TCustomForm)";
const char* const sdxBarManagerMoreThenOne = "A Form should contain only a single TdxBarManager";
const char* const sdxBarDefaultCategory = "По умолчанию";
const char* const sdxBarRecursiveGroups = "You cannot create recursive groups";
const char* const sdxBarRecursiveSubItems = "You cannot create recursive subitems";
const char* const sdxBarConfirmResetToolbar =
    "Вы уверены, что хотите отменить все изменения, сделанные для панели инструментов '%s'?";

namespace {

constinit TUnitState<dxbar_detail::TBarUnitState> gState;

// Dock paths name their form first ("fmMain.dxBarDockControl1"): forms are found among the screen's.
TComponent* FindFormByName(const String& AName) {
  if (!Screen) return nullptr;
  for (int32_t i = 0; i < Screen->FormCount(); ++i)
    if (SameText(Screen->Forms(i)->Name(), AName)) return Screen->Forms(i);
  return nullptr;
}

void StartBarUnit() {
  gState.Create();
  RefreshScreenDepth();
  RecreateCheckeredBrush();
  RegisterClasses({TdxBarManager::StaticClass(), TdxBarGroup::StaticClass(), TdxBarDockControl::StaticClass(),
                   TdxBarPopupMenu::StaticClass()});
  RegisterFindGlobalComponentProc(&FindFormByName);
}

void FinishBarUnit() {
  auto& S = *gState;
  // Managers that outlived their forms go now, while the registries they use still exist.
  while (!S.Managers.empty()) S.Managers.back()->Free();
  while (!S.TemporaryItems.empty()) S.TemporaryItems.back()->Free();
  for (auto it = S.ItemClasses.rbegin(); it != S.ItemClasses.rend(); ++it) UnRegisterClass(it->ItemClass);
  S.ItemClasses.clear();
  UnRegisterClasses({TdxBarManager::StaticClass(), TdxBarGroup::StaticClass(), TdxBarDockControl::StaticClass(),
                     TdxBarPopupMenu::StaticClass()});
  UnregisterFindGlobalComponentProc(&FindFormByName);
  if (S.TrackTimer) KillTimer(nullptr, S.TrackTimer);
  if (S.CheckeredBrush) DeleteObject(S.CheckeredBrush);
  gState.Free();
}

}  // namespace

constinit const TUnit dxBarUnit{"dxBar", {}, &StartBarUnit, &FinishBarUnit};

namespace dxbar_detail {

TBarUnitState& BarState() {
  if (!gState.Exists()) throw EInvalidOperation("The bar unit (dxBar) is not started");
  return *gState;
}

TBarUnitState* BarStateOrNull() { return gState.Get(); }

}  // namespace dxbar_detail

using dxbar_detail::BarState;
using dxbar_detail::BarStateOrNull;

// ---- painters and window classes ---------------------------------------------------------------------------

void RegisterBarPainter(TdxBarManagerStyle AStyle, TdxBarItemControlPainterClass APainter) {
  if (AStyle < bmsUseLookAndFeel) BarState().Painters[AStyle] = APainter;
}

TdxBarItemControlPainterClass GetRegisteredBarPainter(TdxBarManagerStyle AStyle) {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  if (!S || AStyle >= bmsUseLookAndFeel) return nullptr;
  return S->Painters[AStyle];
}

void RegisterBarControlClasses(TClass AToolbarClass, TClass ASubMenuClass, TClass APlainButtonControlClass) {
  auto check = [](TClass c) {
    if (c && !c->InheritsFrom(TCustomdxBarControl::StaticClass()))
      throw EInvalidOperation(c->ClassName() + " is no bar window class");
  };
  check(AToolbarClass);
  check(ASubMenuClass);
  auto& S = BarState();
  S.ToolbarClass = AToolbarClass;
  S.SubMenuClass = ASubMenuClass;
  S.PlainButtonControlClass = APlainButtonControlClass;
}

// ---- managers and temporary items -------------------------------------------------------------------------

int32_t BarManagerCount() {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  return S ? static_cast<int32_t>(S->Managers.size()) : 0;
}

TdxBarManager* BarManagers(int32_t Index) { return BarState().Managers.at(static_cast<size_t>(Index)); }

TdxBarManager* GetBarManagerByForm(TCustomForm* AForm) {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  if (!S || !AForm) return nullptr;
  for (TdxBarManager* m : S->Managers)
    if (m->OwnerForm() == AForm) return m;
  return nullptr;
}

TdxBarManager* FindBarManagerFor(TComponent* AOwner) {
  if (auto* form = dynamic_cast<TCustomForm*>(AOwner)) return GetBarManagerByForm(form);
  return BarManagerCount() > 0 ? BarManagers(0) : nullptr;
}

void AddTemporaryItem(TdxBarItem* AItem) {
  auto& list = BarState().TemporaryItems;
  if (std::find(list.begin(), list.end(), AItem) == list.end()) list.push_back(AItem);
}

void RemoveTemporaryItem(TdxBarItem* AItem) {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  if (!S) return;
  auto& list = S->TemporaryItems;
  list.erase(std::remove(list.begin(), list.end(), AItem), list.end());
}

int32_t TemporaryItemCount() {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  return S ? static_cast<int32_t>(S->TemporaryItems.size()) : 0;
}

void FreeUnusedTemporaryItems() {
  auto& list = BarState().TemporaryItems;
  for (size_t i = list.size(); i-- > 0;) {
    if (i >= list.size()) continue;  // freeing an item may have taken others with it
    TdxBarItem* item = list[i];
    if (!item->HasControls()) item->Free();  // the item takes itself out of the list
  }
}

bool dxBarResetting() {
  dxbar_detail::TBarUnitState* S = BarStateOrNull();
  return S && S->Resetting;
}
