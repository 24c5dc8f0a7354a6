// Selection of the dataset-bound controller. In grid mode the controller's rows are the data link's
// window of buffered records, so a row index means another record after every scroll: the selection is
// kept as dataset bookmarks in dataset order, and range and whole-set selections walk the dataset.
#include <algorithm>

#include "ui/data/cxDBData.h"
#include "ui/data/detail/cxScopeGuard.h"

// ---------------------------------------------------------------------------------------------------
// The bookmark list

TcxDBDataController* TcxDBDataSelection::DBController() const {
  return static_cast<TcxDBDataController*>(DataController());
}

// The controller makes its selection before its provider and frees the provider first.
bool TcxDBDataSelection::InGridMode() const {
  TcxDBDataController* dc = DBController();
  return dc && dc->DBProvider() && dc->DataModeController() && dc->IsGridMode();
}

int32_t TcxDBDataSelection::Compare(const TBookmarkStr& A, const TBookmarkStr& B) const {
  return DBController()->DBProvider()->CompareBookmarks(A, B);
}

void TcxDBDataSelection::ClearAnchor() {
  TcxDataSelection::ClearAnchor();
  FSelectionAnchor.clear();
}

void TcxDBDataSelection::InsertItem(int32_t APosition, int32_t ARowIndex, int32_t AIndex, int32_t ALevel) {
  if (!FSyncingCount && InGridMode()) {
    const TBookmarkStr bookmark = DBController()->GetRowBookmark(ARowIndex);
    InsertBookmark(APosition < 0 ? static_cast<int32_t>(FBookmarks.size()) : APosition, bookmark);
  }
  TcxDataSelection::InsertItem(APosition, ARowIndex, AIndex, ALevel);
}

void TcxDBDataSelection::ClearItems() {
  TcxDataSelection::ClearItems();
  if (!FSyncingCount) FBookmarks.clear();
}

void TcxDBDataSelection::DeleteItem(int32_t APosition) {
  if (!FSyncingCount && APosition >= 0 && APosition < static_cast<int32_t>(FBookmarks.size())) DeleteBookmark(APosition);
  TcxDataSelection::DeleteItem(APosition);
}

void TcxDBDataSelection::SetInternalCount(int32_t ACount) {
  FSyncingCount = true;
  cxdata::ScopeGuard reset{[this] { FSyncingCount = false; }};
  TcxDataSelection::SetInternalCount(ACount);
}

bool TcxDBDataSelection::FindByRowIndex(int32_t ARowIndex, int32_t& APosition) const {
  if (!InGridMode()) return TcxDataSelection::FindByRowIndex(ARowIndex, APosition);
  return FindBookmark(DBController()->GetRowBookmark(ARowIndex), APosition);
}

bool TcxDBDataSelection::FollowsRows() const { return !InGridMode(); }

bool TcxDBDataSelection::FindBookmark(const TBookmarkStr& ABookmark, int32_t& APosition) const {
  int32_t low = 0, high = static_cast<int32_t>(FBookmarks.size()) - 1;
  while (low <= high) {
    const int32_t middle = low + (high - low) / 2;
    const int32_t c = Compare(FBookmarks[static_cast<size_t>(middle)], ABookmark);
    if (c == 0) {
      APosition = middle;
      return true;
    }
    if (c < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  APosition = low;
  return false;
}

void TcxDBDataSelection::MergeBookmark(const TBookmarkStr& ABookmark) {
  int32_t position;
  if (!FindBookmark(ABookmark, position)) InsertBookmark(position, ABookmark);
}

void TcxDBDataSelection::InsertBookmark(int32_t APosition, const TBookmarkStr& ABookmark) {
  APosition = std::clamp(APosition, 0, static_cast<int32_t>(FBookmarks.size()));
  FBookmarks.insert(FBookmarks.begin() + APosition, ABookmark);
}

void TcxDBDataSelection::DeleteBookmark(int32_t APosition) {
  if (FBookmarks[static_cast<size_t>(APosition)] == FSelectionAnchor) FSelectionAnchor.clear();
  FBookmarks.erase(FBookmarks.begin() + APosition);
}

void TcxDBDataSelection::SyncCount() { SetInternalCount(static_cast<int32_t>(FBookmarks.size())); }

bool TcxDBDataSelection::DropInvalidBookmarks() {
  TcxDBDataProvider* provider = DBController()->DBProvider();
  bool dropped = false;
  for (int32_t i = static_cast<int32_t>(FBookmarks.size()) - 1; i >= 0; --i) {
    const TBookmarkStr& bookmark = FBookmarks[static_cast<size_t>(i)];
    if (bookmark.empty() || !provider->BookmarkValid(bookmark)) {
      DeleteItem(i);
      dropped = true;
    }
  }
  return dropped;
}

// ---------------------------------------------------------------------------------------------------
// The controller's selection in grid mode

TcxDataSelection* TcxDBDataController::CreateDataSelection() { return New<TcxDBDataSelection>(this); }

TcxDBDataSelection* TcxDBDataController::DBSelection() const {
  return static_cast<TcxDBDataSelection*>(DataControllerInfo()->GetSelection());
}

namespace {

// The selection changed as a whole: one notification for the entries and one for the rows shown.
void NotifyBookmarkSelection(TcxDBDataController* AController) {
  AController->LockInfo();
  cxdata::ScopeGuard unlock{[AController] { AController->UnlockInfo(); }};
  AController->DBSelection()->Changed();
  AController->Change(dccLayout);
}

}  // namespace

TBookmarkStr TcxDBDataController::GetSelectionAnchorBookmark() {
  if (!IsGridMode()) RaiseControllerError(cxSDataNotInGridMode);
  return DBSelection()->SelectionAnchor();
}

Variant TcxDBDataController::GetSelectedRecordKey(int32_t ARecordIndex) {
  if (!IsGridMode()) return TcxCustomDataController::GetSelectedRecordKey(ARecordIndex);
  return Variant(GetRecordBookmark(ARecordIndex));
}

int32_t TcxDBDataController::GetSelectedRowIndex(int32_t I) const {
  auto* self = const_cast<TcxDBDataController*>(this);
  if (IsSingleSelection() || !self->IsGridMode()) return TcxCustomDataController::GetSelectedRowIndex(I);
  const std::vector<TBookmarkStr>& bookmarks = DBSelection()->Bookmarks();
  const int32_t rows = GetRowCount();
  if (I < 0 || I >= static_cast<int32_t>(bookmarks.size()) || rows == 0) return -1;
  const TBookmarkStr& bookmark = bookmarks[static_cast<size_t>(I)];
  TcxDBDataProvider* p = DBProvider();
  // Outside the window no row shows it; inside, its row is found by walking the window.
  if (p->CompareBookmarks(bookmark, self->GetRowBookmark(0)) < 0 ||
      p->CompareBookmarks(bookmark, self->GetRowBookmark(rows - 1)) > 0)
    return -1;
  for (int32_t row = 0; row < rows; ++row)
    if (self->GetRowBookmark(row) == bookmark) return row;
  return -1;
}

int32_t TcxDBDataController::GetSelectionAnchorRowIndex() const {
  if (const_cast<TcxDBDataController*>(this)->IsGridMode()) return -1;
  return TcxCustomDataController::GetSelectionAnchorRowIndex();
}

bool TcxDBDataController::IsSelectionAnchorSet() const {
  if (const_cast<TcxDBDataController*>(this)->IsGridMode()) return !DBSelection()->SelectionAnchor().empty();
  return TcxCustomDataController::IsSelectionAnchorSet();
}

void TcxDBDataController::SetSelectionAnchor(int32_t ARow) {
  if (!IsGridMode()) {
    TcxCustomDataController::SetSelectionAnchor(ARow);
    return;
  }
  DataControllerInfo()->CheckRowIndex(ARow);
  DBSelection()->SetSelectionAnchor(GetRowBookmark(ARow));
}

void TcxDBDataController::SelectAll() {
  if (!IsGridMode()) {
    TcxCustomDataController::SelectAll();
    return;
  }
  TDataSet* ds = GetDataSet();
  if (IsSingleSelection() || !ds || !ds->Active()) return;
  TcxDBDataProvider* p = DBProvider();
  TcxDBDataSelection* sel = DBSelection();
  p->LockNotify();
  try {
    p->SavePos();
    p->First();
    sel->ClearBookmarks();
    // Walked in dataset order: each bookmark goes to the end.
    for (; !ds->Eof(); ds->Next()) sel->InsertBookmark(static_cast<int32_t>(sel->Bookmarks().size()), ds->Bookmark());
    sel->SyncCount();
    p->RestorePos();
  } catch (...) {
    sel->ClearBookmarks();
    sel->SyncCount();
    p->UnlockNotify();
    throw;
  }
  p->UnlockNotify();
  NotifyBookmarkSelection(this);
}

void TcxDBDataController::SelectFromAnchor(int32_t ARow, bool AKeepSelection) {
  if (!IsGridMode()) {
    TcxCustomDataController::SelectFromAnchor(ARow, AKeepSelection);
    return;
  }
  TDataSet* ds = GetDataSet();
  if (!ds || !ds->Active() || (ds->State() == dsInsert && ds->Eof())) return;
  TcxDBDataSelection* sel = DBSelection();
  const TBookmarkStr anchor = sel->SelectionAnchor();
  if (anchor.empty()) return;
  DataControllerInfo()->CheckRowIndex(ARow);
  const TBookmarkStr target = GetRowBookmark(ARow);
  TcxDBDataProvider* p = DBProvider();
  p->LockNotify();
  {
  cxdata::ScopeGuard unlock{[p] { p->UnlockNotify(); }};
  p->SavePos();
  const bool anchorFirst = p->CompareBookmarks(anchor, target) <= 0;
  const TBookmarkStr& start = anchorFirst ? anchor : target;
  const TBookmarkStr& end = anchorFirst ? target : anchor;
  auto same = [p](const TBookmarkStr& A, const TBookmarkStr& B) { return p->CompareBookmarks(A, B) == 0; };
  // The record next to a bookmark in dataset order (empty at either end).
  auto neighbour = [ds](const TBookmarkStr& ABookmark, bool AForward) {
    ds->SetBookmark(ABookmark);
    if (AForward)
      ds->Next();
    else
      ds->Prior();
    return (AForward ? ds->Eof() : ds->Bof()) ? TBookmarkStr() : ds->Bookmark();
  };
  bool done = false;
  const std::vector<TBookmarkStr>& list = sel->Bookmarks();
  // A range that grew or shrank by one record at the moving end needs no walk.
  if (!AKeepSelection && !list.empty()) {
    const size_t n = list.size();
    if (same(start, end)) {
      sel->ClearBookmarks();
      sel->InsertBookmark(0, start);
      done = true;
    } else if (anchorFirst) {
      if (n >= 2 && same(list[n - 2], end) && same(list.front(), start)) {
        sel->DeleteBookmark(static_cast<int32_t>(n) - 1);
        done = true;
      } else if (same(list.front(), start)) {
        const TBookmarkStr before = neighbour(end, false);
        if (!before.empty() && same(before, list.back())) {
          sel->InsertBookmark(static_cast<int32_t>(n), end);
          done = true;
        }
      }
    } else {
      if (n >= 2 && same(list[1], start) && same(list.back(), end)) {
        sel->DeleteBookmark(0);
        done = true;
      } else if (same(list.back(), end)) {
        const TBookmarkStr after = neighbour(start, true);
        if (!after.empty() && same(after, list.front())) {
          sel->InsertBookmark(0, start);
          done = true;
        }
      }
    }
  }
  if (!done) {
    try {
      if (!AKeepSelection) sel->ClearBookmarks();
      ds->SetBookmark(start);
      for (; !ds->Eof(); ds->Next()) {
        const TBookmarkStr bookmark = ds->Bookmark();
        sel->MergeBookmark(bookmark);
        if (same(bookmark, end)) break;
      }
    } catch (...) {
      sel->ClearBookmarks();
      sel->SyncCount();
      throw;
    }
  }
  sel->SyncCount();
  p->RestorePos();
  }
  NotifyBookmarkSelection(this);
}

bool TcxDBDataController::FocusSelectedRow(int32_t I) {
  if (!IsGridMode()) return TcxCustomDataController::FocusSelectedRow(I);
  TDataSet* ds = GetDataSet();
  if (!ds) return false;
  ds->SetBookmark(GetSelectedBookmark(I));
  return true;
}

void TcxDBDataController::ForEachRow(bool ASelectedOnly, const TcxForEachRowProc& AProc) {
  if (!IsGridMode()) {
    TcxCustomDataController::ForEachRow(ASelectedOnly, AProc);
    return;
  }
  TDataSet* ds = GetDataSet();
  if (!ds || !ds->Active()) return;
  auto visitFocused = [&] {
    const int32_t row = GetFocusedRowIndex();
    if (row != -1) AProc(row, GetRowInfo(row));
  };
  if (ASelectedOnly) {
    if (IsSingleSelection()) {
      visitFocused();
      return;
    }
    // The callback may change the selection; the walk goes over the bookmarks it started with.
    const std::vector<TBookmarkStr> bookmarks = DBSelection()->Bookmarks();
    for (const TBookmarkStr& bookmark : bookmarks) {
      ds->SetBookmark(bookmark);
      visitFocused();
    }
    return;
  }
  TcxDBDataProvider* p = DBProvider();
  for (p->First(); !p->IsEOF(); p->Next()) visitFocused();
}

// ---------------------------------------------------------------------------------------------------
// Deleting the selected records of grid mode

void TcxDBDataProvider::DeleteSelection() {
  if (!IsGridMode() || !CanModify()) {
    TcxCustomDataProvider::DeleteSelection();
    return;
  }
  TDataSet* ds = DataSet();
  TcxDBDataSelection* sel = DBController()->DBSelection();
  ds->DisableControls();
  cxdata::ScopeGuard enable{[ds] { ds->EnableControls(); }};
  for (int32_t i = static_cast<int32_t>(sel->Bookmarks().size()) - 1; i >= 0; --i) {
    ds->SetBookmark(sel->Bookmarks()[static_cast<size_t>(i)]);
    ds->Delete();
    sel->DeleteItem(i);
  }
}
