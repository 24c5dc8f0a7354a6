// The editor control: construction, the edit value and its change events, editing permission, validation,
// posting, focus and the repository item. Keys, mouse, in-place activation and layout live in
// cxEditControlInput.cpp.

#include <algorithm>
#include <utility>

#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxVariants.h"
#include "ui/editors/cxEdit.h"

namespace {

const char* const cxSEditRepositoryItemInvalid = "Элемент хранилища недоступен";

// Set by CreateInplace for the constructor of the one editor it makes.
thread_local bool gNextEditIsInplace = false;

}  // namespace

// ---- small routines -------------------------------------------------------------------------------------------

bool VarEqualsExact(const Variant& A, const Variant& B) {
  return VarType(A) == VarType(B) && VariantValuesEqualEx(A, B);
}

bool IsSpaceChar(char32_t C) { return C == 0 || C == 9 || C == 10 || C == 12 || C == 13 || C == 32; }

void SendKeyDown(TWinControl* AControl, uint16_t AKey) { SendMessage(AControl->Handle(), WM_KEYDOWN, AKey, 0); }

void SendChar(TWinControl* AControl, char32_t AChar) {
  SendMessage(AControl->Handle(), WM_CHAR, static_cast<WPARAM>(AChar), 0);
}

TShiftState MouseButtonToShift(TMouseButton AButton) {
  switch (AButton) {
    case mbLeft:
      return TShiftState{ssLeft};
    case mbRight:
      return TShiftState{ssRight};
    case mbMiddle:
      return TShiftState{ssMiddle};
  }
  return TShiftState{};
}

TShiftState ButtonToShift(uint8_t AButton) {
  switch (AButton) {
    case 1:
      return TShiftState{ssLeft};
    case 2:
      return TShiftState{ssRight};
    case 3:
      return TShiftState{ssMiddle};
    default:
      return TShiftState{};
  }
}

WPARAM ShiftStateToMouseKeys(TShiftState AShift) {
  WPARAM keys = 0;
  if (AShift.Contains(ssShift)) keys |= MK_SHIFT;
  if (AShift.Contains(ssCtrl)) keys |= MK_CONTROL;
  if (AShift.Contains(ssLeft)) keys |= MK_LBUTTON;
  if (AShift.Contains(ssMiddle)) keys |= MK_MBUTTON;
  if (AShift.Contains(ssRight)) keys |= MK_RBUTTON;
  return keys;
}

void EnlargeSize(SIZE& ASize, const SIZE& AOther) {
  ASize.cx = std::max(ASize.cx, AOther.cx);
  ASize.cy = std::max(ASize.cy, AOther.cy);
}

bool IsRegionEmpty(TcxRegion* ARegion) { return !ARegion || ARegion->HasNoArea(); }

void CombineRegionOr(TcxRegion* ARegion, TcxRegion* AOther) {
  if (ARegion && AOther) ARegion->CombineWith(AOther, rcmAdd, false);
}

TComponent* OwnerComponentOf(TPersistent* APersistent) {
  while (APersistent) {
    if (auto* component = dynamic_cast<TComponent*>(APersistent)) return component;
    APersistent = GetPersistentOwner(APersistent);
  }
  return nullptr;
}

// ---- TcxCustomEditData --------------------------------------------------------------------------------------

TcxCustomEditData::TcxCustomEditData(TcxCustomEdit* AEdit) : FEdit(AEdit) {}

void TcxCustomEditData::AfterConstruction() {
  inherited::AfterConstruction();
  FFreeNotificator = New<TcxFreeNotificator>(nullptr);
  FFreeNotificator->OnComponentRemoved = Event<TComponent*>(this, &TcxCustomEditData::EditRemoved);
  if (FEdit) FFreeNotificator->FreeNotification(FEdit);
}

TcxCustomEditData::~TcxCustomEditData() { FreeAndNil(FFreeNotificator); }

void TcxCustomEditData::EditRemoved(TComponent* AComponent) {
  if (AComponent == FEdit) FEdit = nullptr;
}

// ---- TcxCustomEdit: construction ----------------------------------------------------------------------------

RTL_PUBLISHED(TcxCustomEdit) {
  prop("RepositoryItem", &TcxCustomEdit::RepositoryItem, &TcxCustomEdit::SetRepositoryItem);
  event("PropertiesEvents", &TcxCustomEdit::PropertiesEvents, &TcxCustomEdit::PropertiesEvents);
}

TcxCustomEdit::TcxCustomEdit(TComponent* AOwner)
    : TcxContainer(AOwner), FIsInplace(std::exchange(gNextEditIsInplace, false)) {}

TcxCustomEdit* TcxCustomEdit::CreateInplace(TClass AClass, TComponent* AOwner, bool AIsInplace) {
  gNextEditIsInplace = AIsInplace;
  try {
    TcxCustomEdit* edit = CreateAs<TcxCustomEdit>(AClass, AOwner);
    gNextEditIsInplace = false;
    return edit;
  } catch (...) {
    gNextEditIsInplace = false;
    throw;
  }
}

// The properties exist before the container asks for its style and view info classes, which come from them.
void TcxCustomEdit::AfterConstruction() {
  FProperties = CreateAs<TcxCustomEditProperties>(GetPropertiesClass(), this);
  inherited::AfterConstruction();
  InitializeEdit();
}

void TcxCustomEdit::InitializeEdit() {
  FChangeEventsCatcher = New<TcxEditChangeEventsCatcher>(this);
  if (!FProperties) FProperties = CreateAs<TcxCustomEditProperties>(GetPropertiesClass(), this);
  SetControlStyle(ControlStyle() + csCaptureMouse + csSetCaption);
  SetTabStop(true);
  IcxCustomInnerEdit* inner = nullptr;
  CreateInnerEdit(inner);
  FInnerEdit = inner;
  if (FInnerEdit) {
    FInnerEditControl = FInnerEdit->GetControl();
    InitializeInnerEdit();
    SetInnerControl(FInnerEditControl);
  }
  SetControlStyle(ControlStyle() + csReplicatable);
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    child->SetControlStyle(child->ControlStyle() + csReplicatable);
  }
  FDataBinding = CreateAs<TcxEditDataBinding>(GetDataBindingClass(), this);
  FAutoSize = !FIsInplace;
  FCaptureButtonVisibleIndex = -1;
  FEditValue = Null();
  BindPropertiesChanged(true);
  if (FIsInplace) {
    TcxControlKeys keys{ckAllKeys, ckArrows};
    if (!GetInnerEditClass()) keys.Include(ckTab);
    SetKeys(keys);
  }
  FDblClickTimer = New<TcxTimer>(nullptr);
  FDblClickTimer->SetEnabled(false);
  FDblClickTimer->SetInterval(static_cast<int32_t>(GetDoubleClickTime()));
  FDblClickTimer->SetOnTimer(TNotifyEvent(this, &TcxCustomEdit::DoubleClickTimerTick));
  if (!FIsInplace) FProperties->SetDefaultValuesProvider(FDataBinding->GetDefaultValuesProvider());
  FIsJustCreated = true;
}

void TcxCustomEdit::BeforeDestruction() {
  FIsEditDestroying = true;
  FreeAndNil(FDblClickTimer);
  if (FRepositoryItem) {
    FRepositoryItem->RemoveListener(this);
    FRepositoryItem->RemoveFreeNotification(this);
    FRepositoryItem = nullptr;
  }
  if (FInnerEdit) FInnerEdit->SetOnChange(TNotifyEvent());
  UnhookInnerEditWindowProc();
  FInnerEdit = nullptr;
  BindPropertiesChanged(false);
  if (!FIsInplace && FProperties) FProperties->SetDefaultValuesProvider(nullptr);
  FreeAndNil(FDataBinding);
  inherited::BeforeDestruction();
}

TcxCustomEdit::~TcxCustomEdit() {
  FreeAndNil(FProperties);
  FreeAndNil(FChangeEventsCatcher);
}

void TcxCustomEdit::BindPropertiesChanged(bool ABind) {
  if (!FProperties) return;
  FProperties->OnPropertiesChanged =
      ABind ? TNotifyEvent(this, static_cast<void (TcxCustomEdit::*)(TObject*)>(&TcxCustomEdit::PropertiesChanged))
            : TNotifyEvent();
}

void TcxCustomEdit::CreateInnerEdit(IcxCustomInnerEdit*& AInnerEdit) {
  AInnerEdit = nullptr;
  TClass cls = GetInnerEditClass();
  if (!cls) return;
  TComponent* control = CreateAs<TComponent>(cls, this);
  if (auto* source = dynamic_cast<IcxInnerEditSource*>(control))
    AInnerEdit = source->GetInnerEdit();
  else
    AInnerEdit = dynamic_cast<IcxCustomInnerEdit*>(control);
}

void TcxCustomEdit::InitializeInnerEdit() {
  FInnerEdit->SetParent(this);
  FInnerEdit->SetOnChange(TNotifyEvent(this, &TcxCustomEdit::InnerEditChanged));
  if (FInnerEditControl) FInnerEditControl->SetParentShowHint(false);
}

void TcxCustomEdit::SetParent(TWinControl* Value) {
  if (FIsJustCreated && Value && FDataBinding) {
    FIsJustCreated = false;
    FDataBinding->ClearWhenNoData();
    PropertiesChanged(static_cast<TObject*>(FProperties));
    FDataBinding->UpdateDisplayValue();
  }
  inherited::SetParent(Value);
}

void TcxCustomEdit::ReadState(TReader* Reader) {
  BindPropertiesChanged(false);
  inherited::ReadState(Reader);
}

// Change events raised while the form is read are dropped: the values come from the resource.
void TcxCustomEdit::Loaded() {
  inherited::Loaded();
  LockChangeEvents(true);
  LockClick(true);
  auto unlock = [this] {
    LockClick(false);
    LockChangeEvents(false, false);
  };
  try {
    FDataBinding->ClearWhenNoData();
    RecalculateAtCursor();
    if (!FRepositoryItem) BindPropertiesChanged(true);
    PropertiesChanged(static_cast<TObject*>(GetActiveProperties()));
    EditViewInfo()->Shadow = false;
    StyleChanged(GetStyle());
  } catch (...) {
    unlock();
    throw;
  }
  unlock();
}

void TcxCustomEdit::SetName(const String& Value) {
  inherited::SetName(Value);
  if (FDataBinding) FDataBinding->ClearWhenNoData();
}

void TcxCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == FRepositoryItem) SetRepositoryItem(nullptr);
}

TClass TcxCustomEdit::GetDataBindingClass() const { return TcxEditDataBinding::StaticClass(); }

bool TcxCustomEdit::ExecuteAction(TBasicAction* AAction) { return FDataBinding && FDataBinding->ExecuteAction(AAction); }

bool TcxCustomEdit::UpdateAction(TBasicAction* AAction) { return FDataBinding && FDataBinding->UpdateAction(AAction); }

// ---- properties and the repository item -----------------------------------------------------------------------

TcxContainerStyleClass TcxCustomEdit::GetStyleClass() const {
  return FProperties ? FProperties->GetStyleClass() : TcxContainerStyleClass::Of<TcxEditStyle>();
}

TClass TcxCustomEdit::GetViewInfoClass() const {
  return FProperties ? FProperties->GetViewInfoClass() : TcxCustomEditViewInfo::StaticClass();
}

// Button style, button transparency and popup border are not shown by the base editor.
TcxContainerStyleValues TcxCustomEdit::GetHiddenStyleValues() const {
  return TcxContainerStyleValues{svButtonStyle, svButtonTransparency, svPopupBorderStyle};
}

bool TcxCustomEdit::IsNativeStyle() { return TcxCustomEditViewData::IsNativeStyleFor(GetStyle()->LookAndFeel()); }

// Each editor that asks re-points the shared properties of its item to its own data defaults.
TcxCustomEditProperties* TcxCustomEdit::GetActiveProperties() {
  if (!FRepositoryItem) return FProperties;
  TcxCustomEditProperties* properties = FRepositoryItem->Properties();
  if (FDataBinding) properties->SetDefaultValuesProvider(FDataBinding->GetDefaultValuesProvider());
  return properties;
}

TcxCustomEditProperties* TcxCustomEdit::GetRepositoryItemProperties() {
  return FRepositoryItem ? FRepositoryItem->Properties() : nullptr;
}

String TcxCustomEdit::GetCurrentDisplayText() { return DisplayText(); }

bool TcxCustomEdit::CanUseRepositoryItem(TcxEditRepositoryItem* AItem) {
  return !AItem || AItem->GetPropertiesClass()->InheritsFrom(GetPropertiesClass());
}

void TcxCustomEdit::SetRepositoryItem(TcxEditRepositoryItem* Value) {
  if (Value == FRepositoryItem) return;
  if (!CanUseRepositoryItem(Value)) throw Exception(TranslateString(cxSEditRepositoryItemInvalid));
  BeforeRepositoryItemChange();
  if (FRepositoryItem) {
    FRepositoryItem->RemoveListener(this);
    FRepositoryItem->RemoveFreeNotification(this);
  }
  FRepositoryItem = Value;
  bool quiet = IsLoading() || IsEditDestroying();
  if (Value) {
    Value->AddListener(this);
    Value->FreeNotification(this);
    FProperties->SetDefaultValuesProvider(nullptr);
    if (!quiet) PropertiesChanged(static_cast<TObject*>(Value->Properties()));
    BindPropertiesChanged(false);
  } else {
    if (!quiet) BindPropertiesChanged(true);
    FProperties->SetDefaultValuesProvider(FDataBinding->GetDefaultValuesProvider());
  }
  RepositoryItemChanged();
}

// The item is going away: it is forgotten without calling it again. The editor goes back to its own
// properties, bound and fed with its data defaults as they were before the item was set.
void TcxCustomEdit::ItemRemoved(TcxEditRepositoryItem* AItem) {
  if (AItem != FRepositoryItem) return;
  FRepositoryItem = nullptr;
  if (IsEditDestroying()) return;
  BindPropertiesChanged(true);
  if (!FIsInplace && FDataBinding) FProperties->SetDefaultValuesProvider(FDataBinding->GetDefaultValuesProvider());
}

void TcxCustomEdit::PropertiesChanged(TcxEditRepositoryItem* AItem) {
  if (IsLoading() || IsEditDestroying() || !AItem) return;
  PropertiesChanged(static_cast<TObject*>(AItem->Properties()));
}

void TcxCustomEdit::PropertiesChanged(TObject*) {
  if (!FDataBinding || IsEditDestroying()) return;
  FValidated = false;
  if (FInnerEdit) FInnerEdit->SetReadOnly(GetActiveProperties()->ReadOnly() || !FDataBinding->IsDataAvailable());
  RecalculateAtCursor();
}

// ---- the edit value ---------------------------------------------------------------------------------------------

void TcxCustomEdit::SetEditValue(const Variant& Value) {
  if (FEditValueChangingLockCount > 0) return;
  LockClick(true);
  try {
    if (!FKeyboardAction || DoEditing()) AssignEditValue(Value);
  } catch (...) {
    LockClick(false);
    throw;
  }
  LockClick(false);
}

void TcxCustomEdit::ApplyEditValue(const Variant& Value) {
  if (FEditValueChangingLockCount > 0) return;
  if (!FKeyboardAction || DoEditing()) AssignEditValue(Value);
}

void TcxCustomEdit::AssignEditValue(const Variant& Value) {
  if (FKeyboardAction && !DoEditing()) return;
  TcxCustomEditProperties* properties = GetActiveProperties();
  bool changed = properties->CanCompareEditValues() && !VarEqualsExact(FEditValue, Value);
  FEditValue = Value;
  RefreshDisplayFromEditValue();
  if (FKeyboardAction)
    SetModifiedAfterEnter(true);
  else
    SetModified(false);
  if (changed) {
    NotifyEditValueChanged();
    if (!GetActiveProperties()->FiresOwnChangeEvent()) NotifyChange();
  }
}

void TcxCustomEdit::ApplyDisplayValueLocked(const Variant& ADisplayValue) {
  SaveModified();
  try {
    ApplyDisplayValue(ADisplayValue);
  } catch (...) {
    RestoreModified();
    throw;
  }
  RestoreModified();
}

void TcxCustomEdit::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue) {
  GetActiveProperties()->ConvertToDisplayValue(AEditValue, ADisplayValue, IsEditFocused());
}

// ---- modified state and change events ---------------------------------------------------------------------------

void TcxCustomEdit::SetModified(bool Value) {
  FModified = Value;
  if (!Value) FModifiedAfterEnter = false;
}

void TcxCustomEdit::SetModifiedAfterEnter(bool Value) {
  FModifiedAfterEnter = Value;
  if (Value) {
    FModified = true;
    FValidated = false;
  }
}

void TcxCustomEdit::SaveModified() { FModifiedStack.emplace_back(FModified, FModifiedAfterEnter); }

void TcxCustomEdit::RestoreModified() {
  if (FModifiedStack.empty()) return;
  std::tie(FModified, FModifiedAfterEnter) = FModifiedStack.back();
  FModifiedStack.pop_back();
}

void TcxCustomEdit::LockClick(bool ALock) {
  if (ALock)
    ++FClickLockCount;
  else if (FClickLockCount > 0)
    --FClickLockCount;
}

void TcxCustomEdit::LockEditValueChanging(bool ALock) {
  if (ALock)
    ++FEditValueChangingLockCount;
  else if (FEditValueChangingLockCount > 0)
    --FEditValueChangingLockCount;
}

namespace {

bool HasOnChange(TcxCustomEditProperties* AOwn, TcxCustomEditProperties* AItem) {
  return (AOwn && AOwn->OnChange.Assigned()) || (AItem && AItem->OnChange.Assigned());
}

bool HasOnEditValueChanged(TcxCustomEditProperties* AOwn, TcxCustomEditProperties* AItem) {
  return (AOwn && AOwn->OnEditValueChanged.Assigned()) || (AItem && AItem->OnEditValueChanged.Assigned());
}

}  // namespace

void TcxCustomEdit::LockChangeEvents(bool ALock, bool AInvokeChanged) {
  TcxEditChangeEventsCatcher* catcher = FChangeEventsCatcher;
  if (!catcher) return;
  if (ALock) {
    if (catcher->LockCount == 0) {
      catcher->OnChangeEvent = false;
      catcher->OnEditValueChangedEvent = false;
    }
    ++catcher->LockCount;
    return;
  }
  if (catcher->LockCount <= 0) return;
  if (--catcher->LockCount > 0 || !AInvokeChanged || IsLoading() || IsEditDestroying()) return;
  bool change = std::exchange(catcher->OnChangeEvent, false);
  bool editValueChanged = std::exchange(catcher->OnEditValueChangedEvent, false);
  cx_edit_detail::TAliveLink alive(this);
  if (change && HasOnChange(FProperties, GetRepositoryItemProperties())) DoOnChange();
  if (!alive) return;
  if (editValueChanged && HasOnEditValueChanged(FProperties, GetRepositoryItemProperties())) DoOnEditValueChanged();
}

void TcxCustomEdit::DoOnChange() {
  TcxCustomEditProperties* item = GetRepositoryItemProperties();
  cx_edit_detail::TAliveLink alive(this);
  if (FProperties->OnChange) FProperties->OnChange(this);
  if (alive && item && item->OnChange) item->OnChange(this);
}

void TcxCustomEdit::DoOnEditValueChanged() {
  TcxCustomEditProperties* item = GetRepositoryItemProperties();
  cx_edit_detail::TAliveLink alive(this);
  if (FProperties->OnEditValueChanged) FProperties->OnEditValueChanged(this);
  if (alive && item && item->OnEditValueChanged) item->OnEditValueChanged(this);
}

void TcxCustomEdit::NotifyChange() {
  if (IsLoading() || IsEditDestroying()) return;
  cx_edit_detail::TAliveLink alive(this);
  if (HasOnChange(FProperties, GetRepositoryItemProperties())) {
    if (FChangeEventsCatcher->LockCount > 0) {
      FChangeEventsCatcher->OnChangeEvent = true;
    } else if (FIsInplace) {
      // The host reads Modified inside the handler: it sees the change as made.
      SaveModified();
      FModified = true;
      FModifiedAfterEnter = true;
      try {
        DoOnChange();
      } catch (...) {
        if (alive) RestoreModified();
        throw;
      }
      if (!alive) return;
      RestoreModified();
    } else {
      DoOnChange();
    }
  }
  if (!alive) return;
  TcxCustomEditProperties* properties = GetActiveProperties();
  if (!properties->FiresOwnChangeEvent() && !properties->CanCompareEditValues()) NotifyEditValueChanged();
}

void TcxCustomEdit::NotifyEditValueChanged() {
  if (IsLoading() || IsEditDestroying()) return;
  if (!HasOnEditValueChanged(FProperties, GetRepositoryItemProperties())) return;
  if (FChangeEventsCatcher->LockCount > 0) {
    FChangeEventsCatcher->OnEditValueChangedEvent = true;
    return;
  }
  if (!FIsInplace) {
    DoOnEditValueChanged();
    return;
  }
  cx_edit_detail::TAliveLink alive(this);
  SaveModified();
  FModified = true;
  FModifiedAfterEnter = true;
  try {
    DoOnEditValueChanged();
  } catch (...) {
    if (alive) RestoreModified();
    throw;
  }
  if (alive) RestoreModified();
}

void TcxCustomEdit::InnerEditChanged(TObject*) {
  if (Focused()) SetModifiedAfterEnter(true);
  NotifyChange();
}

// ---- editing permission ------------------------------------------------------------------------------------------

bool TcxCustomEdit::CanModify() {
  TcxCustomEditProperties* properties = GetActiveProperties();
  if (FIsInplace) return properties->CanModify();
  if (properties->AssignedValues()->ReadOnly()) return !properties->ReadOnly();
  IcxEditDefaultValuesProvider* provider = FDataBinding->GetDefaultValuesProvider();
  return provider && provider->GetDefaultCanModify() && FDataBinding->CanModify();
}

bool TcxCustomEdit::DoEditing() {
  if (!SupportsEditing()) return false;
  if (FDataBinding->GetModified()) return true;
  bool savedRequest = std::exchange(FEditingRequest, true);
  auto finish = [&] { FEditingRequest = savedRequest; };
  bool allowed = false;
  try {
    allowed = CanModify();
    if (allowed && OnEditing) {
      if (FIsInplace) {
        LockEditValueChanging(true);
        try {
          OnEditing(this, allowed);
        } catch (...) {
          LockEditValueChanging(false);
          throw;
        }
        LockEditValueChanging(false);
      } else {
        OnEditing(this, allowed);
      }
    }
    if (allowed && !FIsInplace) {
      LockEditValueChanging(true);
      try {
        allowed = FDataBinding->PostData();
      } catch (...) {
        LockEditValueChanging(false);
        throw;
      }
      LockEditValueChanging(false);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return allowed;
}

// ---- validation and posting -------------------------------------------------------------------------------------

bool TcxCustomEdit::DoValidateEdit(bool ARaiseOnError) {
  if (!FModifiedAfterEnter || FValidated) return true;
  Variant displayValue(DisplayText());
  String errorText;
  bool error = false;
  TcxCustomEditProperties* properties = GetActiveProperties();
  if (properties->NeedsDisplayValueValidation()) properties->CheckDisplayValue(displayValue, errorText, this, error);
  if (error) {
    cx_edit_detail::TAliveLink alive(this);
    // A value a handler corrected is shown even when the error goes on to the user.
    auto showCorrected = [&] {
      if (!alive) return;
      if (DisplayText() != VarToStr(displayValue)) SetInnerEditDisplayValue(displayValue);
      if (Visible()) {
        SelectAll();
        if (!NeedsInnerEdit()) UpdateDrawValue();
      }
    };
    if (ARaiseOnError) {
      try {
        HandleValidationError(errorText);
        if (Application) Application->ProcessMessages();
      } catch (...) {
        showCorrected();
        throw;
      }
    }
    showCorrected();
    return false;
  }
  if (FKeyboardAction && !DoEditing()) return true;
  ApplyDisplayValueLocked(displayValue);
  if (!FIsInplace && !Focused()) FModifiedAfterEnter = false;
  FValidated = true;
  return true;
}

void TcxCustomEdit::HandleValidationError(const String& AErrorText) {
  if (!Focused() && Visible()) {
    FValidationError = true;
    try {
      if (FInnerEdit && FInnerEditControl && FInnerEditControl->CanFocus())
        FInnerEdit->SafelySetFocus();
      else if (CanFocus())
        SetFocus();
    } catch (...) {
      FValidationError = false;
      throw;
    }
    FValidationError = false;
  }
  if (Visible()) SelectAll();
  if (GetActiveProperties()->BeepOnError()) MessageBeep(0);
  if (!AErrorText.empty()) throw Exception(AErrorText);
}

void TcxCustomEdit::ValidateInput() {
  if (!DoValidateEdit(true)) return;
  RefreshDisplayFromEditValue();
  FValidated = true;
}

bool TcxCustomEdit::CanPostEditValue() { return FDataBinding->GetModified() && !IsDesigning(); }

bool TcxCustomEdit::IsBoundToData() {
  IcxEditDefaultValuesProvider* provider = FDataBinding ? FDataBinding->GetDefaultValuesProvider() : nullptr;
  return provider && provider->IsDataBound();
}

bool TcxCustomEdit::IsPaintCopyOfDataEdit() {
  return IsBoundToData() && ControlState().Contains(csPaintCopy);
}

// A failed post leaves the value as the user typed it, still modified, and the error goes on to whoever
// asked for the post (a key or the exit go to the application's exception handling). An in-place editor
// is no exception: its host's failure must not pass for a successful post.
void TcxCustomEdit::PostEditValue(bool AValidate) {
  if (AValidate) {
    bool savedKeyboardAction = std::exchange(FKeyboardAction, false);
    bool valid = false;
    try {
      valid = DoValidateEdit(true);
    } catch (...) {
      FKeyboardAction = savedKeyboardAction;
      throw;
    }
    FKeyboardAction = savedKeyboardAction;
    if (!valid) return;
  }
  cx_edit_detail::TAliveLink alive(this);
  BeginPosting();
  try {
    if (FIsInplace) {
      if (OnPostEditValue) OnPostEditValue(this);
      if (alive) SetModified(false);
    } else {
      FDataBinding->SetStoredValue(GetEditValue());
    }
  } catch (...) {
    if (!alive) throw;
    EndPosting();
    HandleValidationError(String());
    throw;
  }
  if (alive) EndPosting();
}

// ---- focus ------------------------------------------------------------------------------------------------------

void TcxCustomEdit::DoEnter() {
  if (IsEditDestroying()) return;
  cx_edit_detail::TAliveLink alive(this);
  if (!FValidationError) {
    SaveModified();
    auto finish = [&] {
      if (!alive) return;
      RestoreModified();
      FModifiedAfterEnter = false;
    };
    try {
      inherited::DoEnter();
      if (alive && RefreshDisplayOnFocusChange()) FDataBinding->UpdateDisplayValue();
      if (alive && GetActiveProperties()->CanResetEditValue()) FPrevEditValue = FEditValue;
      if (alive && RefreshDisplayOnFocusChange()) RefreshDisplayFromEditValue();
    } catch (...) {
      finish();
      throw;
    }
    finish();
  }
  if (alive) RecalculateAtCursor();
}

void TcxCustomEdit::DoExit() {
  bool savedKeyboardAction = std::exchange(FKeyboardAction, false);
  cx_edit_detail::TAliveLink alive(this);
  try {
    DoExitSequence();
  } catch (...) {
    if (alive) FKeyboardAction = savedKeyboardAction;
    throw;
  }
  if (alive) FKeyboardAction = savedKeyboardAction;
}

void TcxCustomEdit::DoExitSequence() {
  if (IsEditDestroying() || FValidationError) return;
  bool modifiedAtStart = FModified;
  SaveModified();
  cx_edit_detail::TAliveLink alive(this);
  try {
    if (FModifiedAfterEnter) {
      bool valid = true;
      WithEditChangeEventsLocked([&] {
        valid = DoValidateEdit(true);
        if (valid && !FIsInplace && CanPostEditValue()) PostEditValue(false);
      });
      if (!valid) {
        RestoreModified();
        return;
      }
    }
    if (RefreshDisplayOnFocusChange()) FDataBinding->UpdateDisplayValue();
    UpdateDrawValue();
    RecalculateAtCursor();
  } catch (...) {
    if (alive) RestoreModified();
    throw;
  }
  RestoreModified();
  inherited::DoExit();
  if (!alive) return;
  FModifiedAfterEnter = false;
  FModified = modifiedAtStart;
}

void TcxCustomEdit::FocusChanged() {
  if (IsEditDestroying() || FValidationError || !FDataBinding) return;
  cx_edit_detail::TAliveLink alive(this);
  bool focused = Focused() && Application && Application->Active();
  if (focused != FFocused) {
    FFocused = focused;
    inherited::FocusChanged();
    if (!alive) return;
    UpdateDrawValue();
  }
  TCustomForm* form = GetParentForm(this);
  if (form && form->FormState().Contains(fsModal) && !form->Visible() && form->ModalResult() != mrNone &&
      form->ModalResult() != mrCancel)
    DoValidateEdit(false);
}

bool TcxCustomEdit::IsActiveControl() {
  if (Focused()) return true;
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  TWinControl* active = form->ActiveControl();
  return active && (active == this || active == FInnerEditControl);
}

void TcxCustomEdit::FocusInnerControl() {
  if (FInnerEdit)
    FInnerEdit->SafelySetFocus();
  else
    inherited::FocusInnerControl();
}
