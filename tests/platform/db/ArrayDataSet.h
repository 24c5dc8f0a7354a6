#pragma once
// A small array-backed dataset implementing the record-buffer protocol, for the framework's tests.
// Stored record: per data field a null flag byte and DataSize bytes; the record buffer adds a 4-byte
// bookmark (the row id), a bookmark flag and the calculated area.
#include <cstring>
#include <vector>

#include "db/DB.h"

class TArrayDataSet : public TDataSet {
  RTL_CLASS(TArrayDataSet, TDataSet)
public:
  explicit TArrayDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

  int32_t FailPosts = 0;    // InternalPost raises this many times
  int32_t FailDeletes = 0;
  bool ReadOnlyDataSet = false;

  int32_t StoredCount() const { return static_cast<int32_t>(FRows.size()); }

  int32_t GetRecordCount() const override { return static_cast<int32_t>(FRows.size()); }
  int32_t RecNo() const override { return FCursor + 1; }

  bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override {
    CheckBrowseMode();
    int32_t row = FindRow(keyFields, keyValues, options);
    if (row < 0) return false;
    DoBeforeScroll();
    FCursor = row;
    Resync(TResyncMode{rmExact, rmCenter});
    DoAfterScroll();
    return true;
  }

  Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) override {
    int32_t row = FindRow(keyFields, keyValues, TLocateOptions());
    if (row < 0) return Null();
    return WithRow(row, [&] { return FieldValues(resultFields); });
  }

protected:
  TRecordBuffer AllocRecordBuffer() override { return new uint8_t[BufferSize()](); }
  void FreeRecordBuffer(TRecordBuffer& buffer) override {
    delete[] buffer;
    buffer = nullptr;
  }
  uint16_t GetRecordSize() const override { return static_cast<uint16_t>(FRecSize); }
  bool IsCursorOpen() const override { return FOpen; }
  bool GetCanModify() const override { return !ReadOnlyDataSet; }

  void InternalOpen() override {
    if (FieldCount() == 0) {
      SetDefaultFields(true);
      CreateFields();
    } else {
      InitFieldDefsFromFields();
    }
    BindFields(true);
    FRecSize = 0;
    FOffsets.clear();
    for (TField* f : *Fields()) {
      FOffsets.push_back(FRecSize);
      if (f->FieldKind() == fkData) FRecSize += f->DataSize() + 1;
    }
    SetBookmarkSize(4);
    FCursor = -1;
    FOpen = true;
  }

  void InternalClose() override {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    SetDefaultFields(false);
    FOpen = false;
  }

  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool) override {
    const int32_t n = static_cast<int32_t>(FRows.size());
    for (;;) {
      switch (mode) {
        case gmCurrent:
          if (FCursor < 0 || FCursor >= n) return grError;
          break;
        case gmNext:
          if (FCursor >= n - 1) {
            FCursor = n;
            return grEOF;
          }
          ++FCursor;
          break;
        case gmPrior:
          if (FCursor <= 0) {
            FCursor = -1;
            return grBOF;
          }
          --FCursor;
          break;
      }
      Fill(buffer, FCursor);
      if (Accepted(buffer)) return grOK;
      if (mode == gmCurrent) return grError;
    }
  }

  void InternalFirst() override { FCursor = -1; }
  void InternalLast() override { FCursor = static_cast<int32_t>(FRows.size()); }
  void InternalSetToRecord(TRecordBuffer buffer) override { FCursor = IndexOfId(IdOfBuffer(buffer)); }
  void InternalInitRecord(TRecordBuffer buffer) override { std::memset(buffer, 0, FRecSize); }
  void InternalGotoBookmark(const void* bookmark) override {
    int32_t id;
    std::memcpy(&id, bookmark, 4);
    int32_t i = IndexOfId(id);
    if (i < 0) DatabaseError("Bookmark not found", this);
    FCursor = i;
  }
  void GetBookmarkData(TRecordBuffer buffer, void* data) override { std::memcpy(data, buffer + FRecSize, 4); }
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override { std::memcpy(buffer + FRecSize, data, 4); }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override {
    return static_cast<TBookmarkFlag>(buffer[FRecSize + 4]);
  }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override { buffer[FRecSize + 4] = flag; }
  void ClearCalcFields(TRecordBuffer buffer) override {
    std::memset(buffer + FRecSize + 5, 0, CalcFieldsSize());
  }

  void InternalPost() override {
    TDataSet::InternalPost();
    if (FailPosts > 0) {
      --FailPosts;
      DatabaseError("Post failed");
    }
    std::vector<uint8_t> data(ActiveBuffer(), ActiveBuffer() + FRecSize);
    if (State() == dsEdit) {
      FRows[FCursor] = data;
      return;
    }
    int32_t id = ++FLastId;
    if (GetBookmarkFlag(ActiveBuffer()) == bfEOF || FCursor < 0 || FCursor >= static_cast<int32_t>(FRows.size())) {
      FRows.push_back(data);
      FIds.push_back(id);
      FCursor = static_cast<int32_t>(FRows.size()) - 1;
    } else {
      FRows.insert(FRows.begin() + FCursor, data);
      FIds.insert(FIds.begin() + FCursor, id);
    }
    SetBookmarkData(ActiveBuffer(), &id);
  }

  void InternalAddRecord(const void* buffer, bool append) override {
    auto* b = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t> data(b, b + FRecSize);
    int32_t id = ++FLastId;
    if (append || FCursor < 0) {
      FRows.push_back(data);
      FIds.push_back(id);
      FCursor = static_cast<int32_t>(FRows.size()) - 1;
    } else {
      FRows.insert(FRows.begin() + FCursor, data);
      FIds.insert(FIds.begin() + FCursor, id);
    }
  }

  void InternalDelete() override {
    if (FailDeletes > 0) {
      --FailDeletes;
      DatabaseError("Delete failed");
    }
    FRows.erase(FRows.begin() + FCursor);
    FIds.erase(FIds.begin() + FCursor);
    if (FCursor >= static_cast<int32_t>(FRows.size())) FCursor = static_cast<int32_t>(FRows.size()) - 1;
  }

  bool GetFieldData(TField* field, void* buffer) override {
    uint8_t* slot = Slot(field);
    if (!slot || !slot[0]) return false;
    if (buffer) std::memcpy(buffer, slot + 1, field->DataSize());
    return true;
  }

  void SetFieldData(TField* field, const void* buffer) override {
    uint8_t* slot = Slot(field);
    if (!slot) DatabaseError("Dataset not in edit or insert mode", this);
    slot[0] = buffer ? 1 : 0;
    if (buffer) std::memcpy(slot + 1, buffer, field->DataSize());
    else std::memset(slot + 1, 0, field->DataSize());
    if (State() != dsCalcFields && State() != dsFilter)
      DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
  }

private:
  int32_t BufferSize() const { return FRecSize + 5 + CalcFieldsSize(); }

  uint8_t* Slot(TField* field) {
    TRecordBuffer buf;
    switch (State()) {
      case dsFilter: buf = FFilterBuffer; break;
      case dsOldValue:
        if (State() == dsOldValue && FCursor >= 0 && FCursor < static_cast<int32_t>(FRows.size()) &&
            field->FieldKind() == fkData)
          return FRows[FCursor].data() + FOffsets[field->Index()];
        buf = ActiveBuffer();
        break;
      default: buf = GetActiveRecBuf(); break;
    }
    if (!buf) return nullptr;
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
      return buf + FRecSize + 5 + field->Offset();
    return buf + FOffsets[field->Index()];
  }

  void Fill(TRecordBuffer buffer, int32_t row) {
    std::memcpy(buffer, FRows[row].data(), FRecSize);
    std::memcpy(buffer + FRecSize, &FIds[row], 4);
    buffer[FRecSize + 4] = bfCurrent;
    GetCalcFields(buffer);
  }

  bool Accepted(TRecordBuffer buffer) {
    if (!Filtered() || !OnFilterRecord().Assigned()) return true;
    bool accept = true;
    TRecordBuffer save = FFilterBuffer;
    FFilterBuffer = buffer;
    TDataSetState old = SetTempState(dsFilter);
    try {
      OnFilterRecord()(this, accept);
    } catch (...) {
      RestoreState(old);
      FFilterBuffer = save;
      throw;
    }
    RestoreState(old);
    FFilterBuffer = save;
    return accept;
  }

  int32_t IdOfBuffer(TRecordBuffer b) const {
    int32_t id;
    std::memcpy(&id, b + FRecSize, 4);
    return id;
  }
  int32_t IndexOfId(int32_t id) const {
    for (size_t i = 0; i < FIds.size(); ++i)
      if (FIds[i] == id) return static_cast<int32_t>(i);
    return -1;
  }

  template <class F>
  auto WithRow(int32_t row, F fn) -> decltype(fn()) {
    std::vector<uint8_t> temp(BufferSize());
    std::memcpy(temp.data(), FRows[row].data(), FRecSize);
    TRecordBuffer save = FFilterBuffer;
    FFilterBuffer = temp.data();
    TDataSetState old = SetTempState(dsFilter);
    try {
      auto r = fn();
      RestoreState(old);
      FFilterBuffer = save;
      return r;
    } catch (...) {
      RestoreState(old);
      FFilterBuffer = save;
      throw;
    }
  }

  int32_t FindRow(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
    std::vector<TField*> keys;
    GetFieldList(keys, keyFields);
    for (int32_t row = 0; row < static_cast<int32_t>(FRows.size()); ++row) {
      bool match = WithRow(row, [&] {
        for (size_t k = 0; k < keys.size(); ++k) {
          Variant want = keys.size() == 1 && !VarIsArray(keyValues) ? keyValues : keyValues[static_cast<int32_t>(k)];
          Variant have = keys[k]->AsVariant();
          if (VarIsNull(want) || VarIsNull(have)) {
            if (VarIsNull(want) != VarIsNull(have)) return false;
            continue;
          }
          if (VarIsStr(want)) {
            String a = VarToStr(have), b = VarToStr(want);
            if (options.Contains(loPartialKey)) a = a.substr(0, b.size());
            bool eq = options.Contains(loCaseInsensitive) ? AnsiSameText(a, b) : a == b;
            if (!eq) return false;
          } else if (!VarSameValue(have, want)) {
            return false;
          }
        }
        return true;
      });
      if (match) return row;
    }
    return -1;
  }

  std::vector<std::vector<uint8_t>> FRows;
  std::vector<int32_t> FIds;
  std::vector<int32_t> FOffsets;
  int32_t FRecSize = 0;
  int32_t FCursor = -1;
  int32_t FLastId = 0;
  bool FOpen = false;
  TRecordBuffer FFilterBuffer = nullptr;
};
