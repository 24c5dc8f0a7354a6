// Master-detail links of the SQL datasets, the end-of-scroll notification, and what a dataset does
// when its connection or read transaction goes away.
#include <cmath>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBDecimals.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBTimer.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Classes.h"
#include "rtl/GUID.h"

// --- the data link -------------------------------------------------------------------------------------------

TFIBDataLink::~TFIBDataLink() {
  if (FDetail && FDetail->FDataLink == this) FDetail->FDataLink = nullptr;
}

TDataSet* TFIBDataLink::DetailDataSet() const { return FDetail; }

void TFIBDataLink::ActiveChanged() {
  if (!FDetail) return;
  if (Active())
    FDetail->MasterRecordChanged();
  else
    FDetail->MasterClosed();
}

void TFIBDataLink::RecordChanged(TField* field) {
  if (!FDetail || field || !FDetail->Active()) return;
  if (FDetail->MasterValuesChanged()) FDetail->MasterRecordChanged();
}

// --- construction hooks --------------------------------------------------------------------------------------

void TFIBCustomDataSet::InitMasterLinks() {
  using T = TFIBCustomDataSet;
  FLinkObject = New<TFIBBase>(this);
  FLinkObject->SetOnDatabaseDisconnecting(TNotifyEvent(this, &T::DoDatabaseDisconnecting));
  FLinkObject->SetOnDatabaseDisconnected(TNotifyEvent(this, &T::DoDatabaseDisconnected));
  FLinkObject->SetOnDatabaseFree(TNotifyEvent(this, &T::DoDatabaseFree));
  FLinkObject->SetOnTransactionEnding(TNotifyEvent(this, &T::DoTransactionEnding));
  FLinkObject->SetOnTransactionEnded(TNotifyEvent(this, &T::DoTransactionEnded));
  FLinkObject->SetOnTransactionFree(TNotifyEvent(this, &T::DoTransactionFree));
  FSelect->Base()->SetOnTransactionEnding(TNotifyEvent(this, &T::SelectTransactionEnding));
  FDataLink = New<TFIBDataLink>(this);
}

void TFIBCustomDataSet::ReleaseMasterLinks() {
  FreeAndNil(FMasterWaitTimer);
  FreeAndNil(FEndScrollTimer);
  FreeAndNil(FLinkObject);
}

void TFIBCustomDataSet::SyncLinkObject() {
  if (!FLinkObject) return;
  FLinkObject->SetDatabase(FDatabase);
  // Given a connection alone, the link would pick the connection's default transaction; the dataset's
  // own read transaction is the one it must hear about.
  FLinkObject->SetTransaction(FTransaction);
}

// --- master values ----------------------------------------------------------------------------------------

TDataSet* TFIBCustomDataSet::MasterDataSet() const {
  TDataSource* source = GetDataSource();
  return source ? source->DataSet() : nullptr;
}

template <class Visit>
bool TFIBCustomDataSet::ForEachMasterParam(Visit visit) {
  TDataSet* master = MasterDataSet();
  if (!master) return false;
  TFIBXSQLDA* params = FSelect->Params();
  TFIBXSQLDA* server = FSelect->ServerParams();
  if (params->Count() == 0 && server->Count() == 0) return false;
  auto fieldFor = [master](const String& name) -> TField* {
    return master->FindField(HasMasterPrefix(name) ? name.substr(4) : name);
  };
  for (int32_t i = 0; i < params->Count(); ++i) {
    TFIBXSQLVAR* p = params->GetVar(i);
    if (TField* f = fieldFor(p->Name()))
      if (visit(p, f)) return true;
  }
  // Parameters that only the server text has (brought in by macros) follow the same rule.
  for (int32_t i = 0; i < server->Count(); ++i) {
    TFIBXSQLVAR* p = server->GetVar(i);
    if (params->FindByName(p->Name())) continue;
    if (TField* f = fieldFor(p->Name()))
      if (visit(p, f)) return true;
  }
  return false;
}

bool TFIBCustomDataSet::ParamDiffersFromField(TFIBXSQLVAR* param, TField* field) {
  if (field->IsNull() != param->GetIsNull()) return true;
  if (field->IsNull()) return false;
  switch (field->DataType()) {
    case ftString:
    case ftWideString: return field->AsString() != param->GetAsString();
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean: return field->AsInteger() != param->GetAsInteger();
    case ftFloat:
    case ftCurrency: return field->AsFloat() != param->GetAsDouble();
    case ftBCD:
      if (field->Size() == 0) return field->AsLargeInt() != std::llround(param->GetAsDouble());
      return CompareBcd(field->AsBCD(), param->GetAsBcd()) != 0;
    case ftDate:
    case ftTime:
    case ftDateTime: return field->AsDateTime() != param->GetAsDateTime();
    case ftLargeint: return field->AsLargeInt() != param->GetAsInt64();
    case ftGuid: {
      auto* guid = dynamic_cast<TGuidField*>(field);
      return !guid || !IsEqualGUID(guid->AsGuid(), param->GetAsGuid());
    }
    default: return false;
  }
}

bool TFIBCustomDataSet::MasterValuesChanged() {
  // Parameter values that change the statement text (macros, null tests) need it built again.
  if (FSelect->Prepared() && FSelect->NeedsRebuild()) {
    FSelect->RebuildParams();
    return true;
  }
  return ForEachMasterParam([](TFIBXSQLVAR* p, TField* f) { return ParamDiffersFromField(p, f); });
}

void TFIBCustomDataSet::SetParamsFromMaster() {
  ForEachMasterParam([](TFIBXSQLVAR* p, TField* f) {
    if (f->IsNull()) {
      p->SetIsNull(true);
      return false;
    }
    switch (f->DataType()) {
      case ftString: p->SetAsString(f->AsString()); break;
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftBoolean: p->SetAsInteger(f->AsInteger()); break;
      case ftFloat:
      case ftCurrency: p->SetAsDouble(f->AsFloat()); break;
      case ftBCD:
        if (f->Size() == 0)
          p->SetAsInt64(f->AsLargeInt());
        else
          p->SetAsBcd(f->AsBCD());
        break;
      case ftDate: p->SetAsDate(f->AsDateTime()); break;
      case ftTime: p->SetAsTime(f->AsDateTime()); break;
      case ftDateTime: p->SetAsDateTime(f->AsDateTime()); break;
      case ftBlob: {
        TStream* stream = f->DataSet()->CreateBlobStream(f, bmRead);
        try {
          p->LoadFromStream(stream);
        } catch (...) {
          stream->Free();
          throw;
        }
        stream->Free();
        break;
      }
      case ftWideString: p->SetAsVariant(f->AsVariant()); break;
      case ftLargeint: p->SetAsInt64(f->AsLargeInt()); break;
      case ftGuid: {
        auto* guid = dynamic_cast<TGuidField*>(f);
        if (!guid) RaiseClientError(1, {});
        p->SetAsGuid(guid->AsGuid());
        break;
      }
      default: RaiseClientError(1, {});
    }
    return false;
  });
}

// --- following the master ---------------------------------------------------------------------------------

void TFIBCustomDataSet::MasterRecordChanged() {
  auto* fibMaster = dynamic_cast<TFIBCustomDataSet*>(MasterDataSet());
  const bool masterReopening = fibMaster && fibMaster->FMasterRefreshRunning;
  if (!FMasterWaitTimer || FMasterWaitTimer->Interval() == 0) {
    RefreshForMaster();
  } else if (!masterReopening) {
    // Every move restarts the wait, so the refresh follows the last move of a quick run.
    FMasterWaitTimer->SetEnabled(false);
    FMasterWaitTimer->SetEnabled(true);
  } else {
    // A master that reopens for its own master has stopped moving: no reason to wait again.
    FMasterRefreshRunning = true;
    try {
      RefreshForMaster();
    } catch (...) {
      FMasterRefreshRunning = false;
      throw;
    }
    FMasterRefreshRunning = false;
  }
}

void TFIBCustomDataSet::MasterWaitTimerFired(TObject*) {
  FMasterRefreshRunning = true;
  try {
    RefreshForMaster();
  } catch (...) {
    FMasterRefreshRunning = false;
    throw;
  }
  FMasterRefreshRunning = false;
}

void TFIBCustomDataSet::RefreshForMaster() {
  if (FMasterWaitTimer) FMasterWaitTimer->SetEnabled(false);
  DisableControls();
  try {
    if (!StringsAreBlank(SelectSQL()) && (Active() || FDetailConditions.Contains(dcForceOpen))) CloseOpen(false);
  } catch (...) {
    EnableControls();
    DataEvent(deDataSetScroll, 0);
    throw;
  }
  EnableControls();
  DataEvent(deDataSetScroll, 0);
}

void TFIBCustomDataSet::MasterClosed() {
  if (FDetailConditions.Contains(dcIgnoreMasterClose) || !Active()) return;
  try {
    Close();
  } catch (...) {
    if (auto* fibMaster = dynamic_cast<TFIBCustomDataSet*>(MasterDataSet())) fibMaster->CloseCursor();
    throw;
  }
}

bool TFIBCustomDataSet::MasterWaitPending() const { return FMasterWaitTimer && FMasterWaitTimer->Enabled(); }

void TFIBCustomDataSet::FlushMasterWait() {
  TDataSet* master = MasterDataSet();
  if (!master || !MasterWaitPending()) return;
  if (auto* fibMaster = dynamic_cast<TFIBCustomDataSet*>(master)) fibMaster->FlushMasterWait();
  if (MasterValuesChanged()) RefreshForMaster();
  if (FMasterWaitTimer) FMasterWaitTimer->SetEnabled(false);
}

void TFIBCustomDataSet::RefreshMaster() {
  if (TDataSet* master = MasterDataSet()) master->Refresh();
}

// --- detail conditions and timers ---------------------------------------------------------------------------

TDetailConditions TFIBCustomDataSet::DetailConditions() const {
  TDetailConditions result = FDetailConditions;
  if (FMasterWaitTimer && FMasterWaitTimer->Interval() != 0)
    result.Include(dcWaitEndMasterScroll);
  else
    result.Exclude(dcWaitEndMasterScroll);
  return result;
}

void TFIBCustomDataSet::SetDetailConditions(TDetailConditions value) {
  FDetailConditions = value;
  FDetailConditions.Exclude(dcWaitEndMasterScroll);
  if (value.Contains(dcWaitEndMasterScroll)) {
    EnsureMasterWaitTimer();
    FMasterWaitTimer->SetInterval(static_cast<uint32_t>(FMasterWaitInterval));
  } else {
    FreeAndNil(FMasterWaitTimer);
  }
}

void TFIBCustomDataSet::SetMasterWaitInterval(int32_t value) {
  FMasterWaitInterval = value < 0 ? 0 : value;
  if (FMasterWaitTimer) FMasterWaitTimer->SetInterval(static_cast<uint32_t>(FMasterWaitInterval));
  if (FEndScrollTimer) FEndScrollTimer->SetInterval(static_cast<uint32_t>(FMasterWaitInterval));
}

void TFIBCustomDataSet::EnsureMasterWaitTimer() {
  if (FMasterWaitTimer) return;
  FMasterWaitTimer = New<TFIBTimer>(nullptr);
  FMasterWaitTimer->SetEnabled(false);
  FMasterWaitTimer->SetInterval(0);
  FMasterWaitTimer->SetOnTimer(TNotifyEvent(this, &TFIBCustomDataSet::MasterWaitTimerFired));
}

void TFIBCustomDataSet::EnsureEndScrollTimer() {
  if (FEndScrollTimer) return;
  FEndScrollTimer = New<TFIBTimer>(nullptr);
  FEndScrollTimer->SetEnabled(false);
  FEndScrollTimer->SetInterval(0);
  FEndScrollTimer->SetOnTimer(TNotifyEvent(this, &TFIBCustomDataSet::EndScrollTimerFired));
}

void TFIBCustomDataSet::SetOnEndScroll(const TDataSetNotifyEvent& value) {
  if (!value.Assigned()) {
    FreeAndNil(FEndScrollTimer);
  } else {
    EnsureEndScrollTimer();
    FEndScrollTimer->SetInterval(static_cast<uint32_t>(FMasterWaitInterval));
  }
  FOnEndScroll = value;
}

void TFIBCustomDataSet::DoAfterScroll() {
  if (FScrollEventsDisabled > 0) return;
  TDataSet::DoAfterScroll();
  if (FEndScrollTimer) {
    FEndScrollTimer->SetEnabled(false);
    FEndScrollTimer->SetEnabled(true);
  }
}

void TFIBCustomDataSet::DoAfterDelete() {
  TDataSet::DoAfterDelete();
  if (FDetailConditions.Contains(dcForceMasterRefresh) && !FCachedUpdates) RefreshMaster();
}

void TFIBCustomDataSet::EndScrollTimerFired(TObject*) {
  if (FEndScrollTimer) FEndScrollTimer->SetEnabled(false);
  if (FOnEndScroll.Assigned()) FOnEndScroll(this);
}

// --- connection and transaction events ---------------------------------------------------------------------

bool TFIBCustomDataSet::HardEndOfReadTransaction() const {
  return FTransaction && (FTransaction->State() == trsRollingBack || FTransaction->State() == trsCommitting);
}

void TFIBCustomDataSet::SelectTransactionEnding(TObject*) {
  TFIBTransaction* tr = FSelect->Transaction();
  if (!FSelect->Open() || !tr || (tr->State() != trsRollingBack && tr->State() != trsCommitting)) return;
  // Rows of cached updates must outlive the transaction: whatever the server still has is read now.
  if (FCachedUpdates && FIsOpen) {
    while (FetchRecord()) {
    }
  }
  FSelect->CloseCursor();
  FCursorAtEnd = true;
}

void TFIBCustomDataSet::DoTransactionEnding(TObject* sender) {
  if (TransactionEnding.Assigned()) TransactionEnding(sender);
  if (!HardEndOfReadTransaction() || !Active()) return;
  const bool leaving = ComponentState().Contains(csDestroying) || ComponentState().Contains(csDesigning);
  if (!FCachedUpdates || leaving) {
    Close();
    return;
  }
  if (FSelect->Open()) {
    while (FetchRecord()) {
    }
    FSelect->CloseCursor();
  }
  FCursorAtEnd = true;
  if (State() == dsBrowse) Resync({});
}

void TFIBCustomDataSet::DoTransactionEnded(TObject* sender) {
  if (TransactionEnded.Assigned()) TransactionEnded(sender);
}

void TFIBCustomDataSet::DoDatabaseDisconnecting(TObject* sender) {
  if (Active()) {
    if (FCachedUpdates) {
      if (FSelect->Open()) {
        while (FetchRecord()) {
        }
        FSelect->CloseCursor();
      }
      FCursorAtEnd = true;
    } else {
      Close();
    }
  }
  FIsPrepared = false;
  if (DatabaseDisconnecting.Assigned()) DatabaseDisconnecting(sender);
}

void TFIBCustomDataSet::DoDatabaseDisconnected(TObject* sender) {
  if (DatabaseDisconnected.Assigned()) DatabaseDisconnected(sender);
}

void TFIBCustomDataSet::DoDatabaseFree(TObject* sender) {
  if (DatabaseFree.Assigned()) DatabaseFree(sender);
  // The connection is going: nothing may keep pointing at it.
  FDatabase = nullptr;
  FIsPrepared = false;
}

void TFIBCustomDataSet::DoTransactionFree(TObject* sender) {
  if (TransactionFree.Assigned()) TransactionFree(sender);
}
