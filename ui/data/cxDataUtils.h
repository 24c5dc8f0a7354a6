#pragma once
// Small routines the data controller and its neighbours share, and the binding through which the list
// controls of the suite obtain the value they show and report edits.

#include <cstdint>

#include "rtl/Events.h"
#include "rtl/Persistent.h"
#include "rtl/Variants.h"

// A FormatFloat format for currency values, built from the regional settings.
String CurrencyNumberFormat();
// The whole-day part (truncated toward zero) and the time-of-day part of a date-time.
TDateTime DateOnly(TDateTime AValue);
TDateTime TimeOnly(TDateTime AValue);
// 0 (Sunday) .. 6 (Saturday).
int32_t FirstWeekDay();
// The first day (00:00) of the week holding the date.
TDateTime WeekStart(TDateTime ADate);
// Case-insensitive equality, or prefix match when partial.
bool TextMatches(const String& AText, const String& APattern, bool APartial);

using TcxDataBindingNotifyEvent = Event<int32_t, int32_t>;

class TcxCustomDataBinding : public TPersistent {
  RTL_CLASS(TcxCustomDataBinding, TPersistent)
public:
  TcxCustomDataBinding(TPersistent* AOwner, int32_t AKind) : FKind(AKind), FOwner(AOwner) {}

  virtual void DoNotify3(int32_t A, int32_t B) {
    if (OnNotify1.Assigned()) OnNotify1(A, B);
  }
  virtual void DoNotify4(int32_t A, int32_t B) {
    if (OnNotify2.Assigned()) OnNotify2(A, B);
  }
  virtual int32_t GetFlag5() { return 0; }
  virtual int32_t GetFlag6() { return 0; }
  virtual void DoReserved7() {}
  virtual void DoNotify8(int32_t A, int32_t B) {
    if (OnNotify3.Assigned()) OnNotify3(A, B);
  }
  virtual void DoReserved9() {}
  virtual bool GetFlag11() { return true; }
  virtual bool ExecuteAction(TObject* AAction) {
    (void)AAction;
    return false;
  }
  virtual void GetStoredValue(int32_t AFlag, bool AArgument, Variant& AValue) {
    (void)AFlag;
    (void)AArgument;
    AValue = Null();
  }
  virtual bool IsDataAvailable() { return true; }
  virtual int32_t GetFlag15() { return 0; }
  virtual void Reset() {}
  virtual bool CanModify() { return true; }
  virtual void DoReserved18(int32_t AFlag, const Variant& AValue) {
    (void)AFlag;
    (void)AValue;
  }
  // The name the list controls use for the hook they store the selected text through.
  void StoreValue(int32_t AValueSource, const Variant& AValue) { DoReserved18(AValueSource, AValue); }
  virtual bool UpdateAction(TObject* AAction) {
    (void)AAction;
    return false;
  }
  virtual void UpdateData() {}

  void SetControl(TObject* AControl) {
    if (FControl == AControl) return;
    FControl = AControl;
    DoReserved9();
  }
  TObject* Control() const { return FControl; }
  int32_t Kind() const { return FKind; }
  TPersistent* GetOwner() const { return FOwner; }

  TcxDataBindingNotifyEvent OnNotify1;
  TcxDataBindingNotifyEvent OnNotify2;
  TcxDataBindingNotifyEvent OnNotify3;

private:
  int32_t FKind;
  TPersistent* FOwner;
  TObject* FControl = nullptr;
};
