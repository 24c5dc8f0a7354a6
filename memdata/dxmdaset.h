#pragma once
// TdxMemData: a dataset that keeps all its rows in memory. Declared with persistent fields, opened empty,
// filled through the ordinary insert/append/post operations or from a text file, a data stream, or the
// persisted data of its form resource. Sorting by one field, per-field indexes that speed up locating,
// local filtering through OnFilterRecord, bookmarks, blobs, auto-increment fields and stored calculated and
// lookup values.
#include <cstdint>
#include <memory>
#include <vector>

#include "db/DB.h"
#include "rtl/Collections.h"
#include "rtl/Sets.h"
#include "rtl/Streams.h"

namespace memdata {
class TMemStore;
class TMemIndexData;
}  // namespace memdata

class TdxMemData;
class TdxMemFields;

enum TdxSortOption : uint8_t { soDesc, soCaseInsensitive };
RTL_ENUM(TdxSortOption, soDesc, soCaseInsensitive)
using TdxSortOptions = Set<TdxSortOption>;

enum TdxMemPersistentOption : uint8_t { poNone, poActive, poLoad };
RTL_ENUM(TdxMemPersistentOption, poNone, poActive, poLoad)

// Binds one dataset field to its slot in the stored record.
class TdxMemField : public TObject {
  RTL_CLASS(TdxMemField, TObject)
public:
  TdxMemField(TdxMemFields* owner, TField* field, int32_t index) : FOwner(owner), FField(field), FIndex(index) {}
  TField* Field() const { return FField; }
  TFieldType DataType() const;
  int32_t DataSize() const;
  int32_t Offset() const;       // of the null-flag byte
  int32_t ValueOffset() const { return Offset() + 1; }
  bool AutoIncrement() const;
  bool IsWideString() const { return DataType() == ftWideString; }
  int64_t MaxIncValue() const;
  int32_t Index() const { return FIndex; }

private:
  TdxMemFields* FOwner;
  TField* FField;
  int32_t FIndex;  // column in the store
};

// The stored columns in field order, with the lists of calculated, auto-increment and wide-string ones.
class TdxMemFields : public TObject {
  RTL_CLASS(TdxMemFields, TObject)
public:
  explicit TdxMemFields(TdxMemData* dataSet) : FDataSet(dataSet) {}
  ~TdxMemFields() override;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TdxMemField* Items(int32_t i) const { return FItems[static_cast<size_t>(i)]; }
  TdxMemField* IndexOf(TField* field) const;
  int32_t RecordSize() const;
  const std::vector<TdxMemField*>& CalcFields() const { return FCalcFields; }
  const std::vector<TdxMemField*>& AutoIncFields() const { return FAutoIncFields; }
  const std::vector<TdxMemField*>& WideStringFields() const { return FWideFields; }
  TdxMemData* DataSet() const { return FDataSet; }

private:
  friend class TdxMemData;
  friend class TdxMemField;
  void Clear();
  TdxMemData* FDataSet;
  std::vector<TdxMemField*> FItems;
  std::vector<TdxMemField*> FCalcFields;
  std::vector<TdxMemField*> FAutoIncFields;
  std::vector<TdxMemField*> FWideFields;
};

// An optional order of the records by one field that locating uses; built when first searched after a
// change.
class TdxMemIndex : public TCollectionItem {
  RTL_CLASS(TdxMemIndex, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  explicit TdxMemIndex(TCollection* collection);
  ~TdxMemIndex() override;
  void Assign(TPersistent* source) override;

  const String& FieldName() const { return FFieldName; }
  void SetFieldName(const String& value);
  TdxSortOptions SortOptions() const { return FSortOptions; }
  void SetSortOptions(TdxSortOptions value);
  TField* Field() const { return FField; }
  bool IsDirty() const;

protected:
  String GetDisplayName() override;

private:
  friend class TdxMemData;
  friend class TdxMemIndexes;
  TdxMemData* DataSet() const;
  void ResolveField();
  void Prepare();  // builds the order when dirty
  String FFieldName;
  TdxSortOptions FSortOptions;
  TField* FField = nullptr;
  std::unique_ptr<memdata::TMemIndexData> FData;
};

class TdxMemIndexes : public TOwnedCollection {
  RTL_CLASS(TdxMemIndexes, TOwnedCollection)
public:
  explicit TdxMemIndexes(TdxMemData* owner);
  TdxMemIndex* Add() { return static_cast<TdxMemIndex*>(TCollection::Add()); }
  TdxMemIndex* Items(int32_t i) const { return static_cast<TdxMemIndex*>(TCollection::Items(i)); }
  TdxMemIndex* GetIndexByField(TField* field) const;
  TdxMemData* DataSet() const { return FDataSet; }

private:
  friend class TdxMemData;
  void SetDirty();
  void RemoveRecord(const uint8_t* data, int32_t recordPos);
  void CheckFields();
  void AfterEdit(const uint8_t* data);
  TdxMemData* FDataSet;
};

// The persisted rows of a dataset declared on a form: a data stream kept in the form resource as the
// binary property "Data".
class TdxMemPersistent : public TPersistent {
  RTL_CLASS(TdxMemPersistent, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TdxMemPersistent(TdxMemData* dataSet);
  ~TdxMemPersistent() override;
  void Assign(TPersistent* source) override;

  TdxMemPersistentOption Option() const { return FOption; }
  void SetOption(TdxMemPersistentOption value) { FOption = value; }
  TMemoryStream* Stream() const { return FStream; }
  bool HasData() const { return FStream->Size() > 0; }
  // Loads the persisted bytes into the dataset (once at a time).
  void LoadData();
  // Replaces the persisted bytes.
  void SaveData(TStream* source);

protected:
  void DefineProperties(TFiler* filer) override;
  TPersistent* GetOwner() override;

private:
  friend class TdxMemData;
  void ReadData(TStream* stream);
  void WriteData(TStream* stream);
  TdxMemData* FDataSet;
  TMemoryStream* FStream;
  TdxMemPersistentOption FOption = poActive;
  bool FIsLoadFromPersistent = false;
};

class TdxMemData : public TDataSet {
  RTL_CLASS(TdxMemData, TDataSet)
  RTL_PUBLISHED_DECL
public:
  explicit TdxMemData(TComponent* AOwner);
  ~TdxMemData() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  // The hidden RecId field's component name follows the dataset's.
  void SetName(const String& newName) override;
  // The streamed fields, without the hidden RecId field: the constructor makes that one every time,
  // so a streamed copy would collide with it when the dataset is read back as a root.
  void GetChildren(TGetChildProc proc, TComponent* root) override;

  TdxMemIndexes* Indexes() const { return FIndexes; }
  void SetIndexes(TdxMemIndexes* value);
  TdxMemPersistent* Persistent() const { return FPersistent; }
  void SetPersistent(TdxMemPersistent* value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  TdxSortOptions SortOptions() const { return FSortOptions; }
  void SetSortOptions(TdxSortOptions value);
  const String& SortedField() const { return FSortedFieldName; }
  void SetSortedField(const String& value);
  // The field found for SortedField, or nullptr.
  TField* SortedFieldObj() const { return FSortedField; }

  TField* RecIdField() const { return FRecIdField; }
  TdxMemFields* MemFields() const { return FData; }
  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char value) { FDelimiter = value; }
  bool IsLoading() const { return FLoadFlag; }

  // Text file and data stream. A text value that holds the delimiter, a line break or a leading double
  // quote is written between double quotes (inner quotes doubled) so that it reads back whole; every other
  // value is written as it is. A value the field refuses ends ReadTextFile with the field's error, the
  // pending record cancelled, the loading flag cleared and the controls enabled again.
  void WriteTextFile(const String& fileName);
  void ReadTextFile(const String& fileName);
  void ReadDataStream(TStream* stream);

  // The framework's value access overloads stay visible beside the native pair overridden here.
  using TDataSet::GetFieldData;
  using TDataSet::SetFieldData;

  // Locating.
  bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override;
  Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) override;
  virtual int32_t FindRecordNumber(const String& keyFields, const Variant& keyValues, TLocateOptions options);

  // Bookmarks, counts and positions.
  bool BookmarkValid(const TBookmark& bookmark) override;
  int32_t CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
  TStream* CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  bool GetFieldData(TField* field, void* buffer) override;
  bool GetCurrentRecord(TRecordBuffer buffer) override;
  bool IsSequenced() override { return true; }
  int32_t RecNo() const override;
  void SetRecNo(int32_t value) override;
  void SetFiltered(bool value) override;
  void SetOnFilterRecord(const TFilterRecordEvent& value) override;
  void Loaded() override;

  // The blob value of the active record (for the blob stream).
  String GetBlobData(TField* field);
  void SetBlobData(TField* field, const String& value);

  virtual bool IsFieldTypeSupported(TFieldType fieldType);

protected:
  // The record-buffer protocol.
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
  uint16_t GetRecordSize() const override;
  void InternalAddRecord(const void* buffer, bool append) override;
  void InternalClose() override;
  void InternalDelete() override;
  void InternalFirst() override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalHandleException() override;
  void InternalInitFieldDefs() override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalPost() override;
  void InternalRefresh() override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  bool IsCursorOpen() const override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  void SetFieldData(TField* field, const void* buffer) override;
  int32_t GetRecordCount() const override;
  bool GetCanModify() const override;
  void DoOnNewRecord() override;
  void Notification(TComponent* component, TOperation operation) override;
  // While a file or stream loads, the dataset's events stay silent.
  void DoBeforeOpen() override;
  void DoAfterOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeInsert() override;
  void DoAfterInsert() override;
  void DoBeforeEdit() override;
  void DoAfterEdit() override;
  void DoBeforePost() override;
  void DoAfterPost() override;
  void DoBeforeCancel() override;
  void DoAfterCancel() override;
  void DoBeforeDelete() override;
  void DoAfterDelete() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;

  // The operations this dataset adds.
  virtual void SetBlobValue(std::vector<String*>& slots, int32_t index, const String& value);
  virtual void FilterPostedRecord();
  virtual void UpdateFilterList();

private:
  friend class TdxMemIndex;
  friend class TdxMemIndexes;
  friend class TdxMemPersistent;
  friend class TMemBlobStream;
  friend class TdxMemField;
  friend class TdxMemFields;

  // Record buffer: stored record, 4-byte bookmark, 1-byte flag, one native pointer per blob field.
  int32_t BookmarkOffset() const;
  int32_t BlobsOffset() const;
  String** BufferBlobs(TRecordBuffer buffer) const;
  TRecordBuffer RecBuf() const;
  int32_t EditedRecord() const;  // the buffer field values come from in the current state
  uint8_t* FieldSlot(TRecordBuffer buffer, TField* field) const;

  // The current view: the filter list while filtering, else the record list.
  bool Filtering() const;
  int32_t ViewCount() const;
  int32_t ViewToRecord(int32_t i) const;
  int32_t RecordToView(int32_t recordPos) const;
  bool RecordAccepted(int32_t recordPos);

  void CreateRecIdField();
  void BindMemFields();
  void MakeSort();
  void MoveToSortedPlace(int32_t recordPos, bool inserted);
  void SettleAutoInc(uint8_t* data);
  int32_t BlobFieldIndex(TField* field) const;
  void ResolveIndexFields();
  int32_t LocateRecord(const String& keyFields, const Variant& keyValues, TLocateOptions options);
  void CopyBlobs(String** dest, String** src) const;
  void FilterInserted(int32_t recordPos);
  void FilterDeleted(int32_t recordPos);
  void RefreshCalcValues();

  memdata::TMemStore* FStore = nullptr;
  TdxMemFields* FData = nullptr;
  TdxMemIndexes* FIndexes = nullptr;
  TdxMemPersistent* FPersistent = nullptr;
  TField* FRecIdField = nullptr;
  TField* FSortedField = nullptr;
  String FSortedFieldName;
  TdxSortOptions FSortOptions;
  std::vector<TField*> FBlobFields;
  std::vector<int32_t> FFilterList;  // record positions (0-based) accepted by the filter, ascending
  int32_t FCurRec = -1;
  int32_t FLastBookmark = 0;
  int32_t FRecBufSize = 0;
  bool FActive = false;
  bool FLoadFlag = false;
  bool FReadOnly = false;
  bool FIsModified = false;
  bool FSkipPersistent = false;  // a file or stream load reopens the dataset without the persisted rows
  char FDelimiter = '\t';
  TRecordBuffer FFilterBuffer = nullptr;
};
