#pragma once
// A controller with plain items and a handler that records every notification it delivers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxData.h"

class RecordingController : public ::testing::Test {
protected:
  TcxDataController* DC = New<TcxDataController>(nullptr);
  std::vector<std::unique_ptr<TObject>> Items;
  std::vector<std::string> Log;

  RecordingController() {
    DC->OnUpdateControl = [this](TcxUpdateControlInfo* info) { Log.push_back(Describe(info)); };
  }
  ~RecordingController() override { DC->Free(); }

  void AddItems(std::initializer_list<TcxValueTypeClass> types) {
    for (TcxValueTypeClass t : types) {
      Items.push_back(std::make_unique<TObject>());
      DC->AddItem(Items.back().get());
      DC->ChangeValueTypeClass(static_cast<int32_t>(Items.size()) - 1, t);
    }
  }

  // Rows of values, one column per item.
  void Fill(const std::vector<std::vector<Variant>>& rows) {
    DC->BeginUpdate();
    DC->SetRecordCount(static_cast<int32_t>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c)
        DC->SetValue(static_cast<int32_t>(r), static_cast<int32_t>(c), rows[r][c]);
    DC->EndUpdate();
    Log.clear();
  }

  static std::string Describe(TcxUpdateControlInfo* info) {
    if (auto* d = dynamic_cast<TcxDataChangedInfo*>(info))
      return "Data(" + std::to_string(d->Kind) + "," + std::to_string(d->ItemIndex) + "," + std::to_string(d->RecordIndex) + ")";
    if (dynamic_cast<TcxLayoutChangedInfo*>(info)) return "Layout";
    if (auto* u = dynamic_cast<TcxUpdateRecordInfo*>(info)) return "Record(" + std::to_string(u->RecordIndex) + ")";
    if (auto* f = dynamic_cast<TcxFocusedRowChangedInfo*>(info))
      return "Row(" + std::to_string(f->PrevFocusedRowIndex) + "->" + std::to_string(f->FocusedRowIndex) + ")";
    if (auto* f = dynamic_cast<TcxFocusedRecordChangedInfo*>(info))
      return "Focus(" + std::to_string(f->PrevFocusedRecordIndex) + "->" + std::to_string(f->FocusedRecordIndex) + ")";
    if (auto* s = dynamic_cast<TcxSelectionChangedInfo*>(info)) {
      std::string r = "Sel(";
      for (int32_t i = 0; i < s->GetCount(); ++i) r += (i ? "," : "") + std::to_string(s->GetRowIndex(i));
      return r + ")";
    }
    if (dynamic_cast<TcxSearchChangedInfo*>(info)) return "Search";
    if (dynamic_cast<TcxBookmarkChangedInfo*>(info)) return "Bookmark";
    return "?";
  }

  std::string Joined() const {
    std::string s;
    for (const std::string& e : Log) s += (s.empty() ? "" : " ") + e;
    return s;
  }

  std::vector<int32_t> RowRecords() const {
    std::vector<int32_t> r;
    for (int32_t i = 0; i < DC->GetRowCount(); ++i) r.push_back(DC->GetRowInfo(i).RecordIndex);
    return r;
  }

  std::vector<std::string> Column(int32_t AItem) const {
    std::vector<std::string> r;
    for (int32_t i = 0; i < DC->GetRowCount(); ++i) r.push_back(VarToStr(DC->GetValue(DC->GetRowInfo(i).RecordIndex, AItem)));
    return r;
  }
};
