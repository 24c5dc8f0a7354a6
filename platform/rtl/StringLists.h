#pragma once
// String lists: the abstract TStrings, whose descendants supply the storage through a handful of virtual
// members and get everything else (names and values, text, comma and delimited text, files, streams)
// on top; and TStringList, the general storage with sorting, duplicates, change events and objects.

#include <vector>

#include "rtl/Events.h"
#include "rtl/Lists.h"
#include "rtl/Persistent.h"

class TStream;

class TStrings : public TPersistent {
  RTL_CLASS(TStrings, TPersistent)
public:
  virtual int32_t Add(const String& s);
  virtual int32_t AddObject(const String& s, TObject* obj);
  // Adds "name=value" with the current separator.
  int32_t AddPair(const String& name, const String& value);
  void AddStrings(TStrings* strings);
  void Append(const String& s) { Add(s); }
  // Copies the strings and objects of another TStrings; other sources go the TPersistent way.
  void Assign(TPersistent* source) override;
  void BeginUpdate();
  void EndUpdate();
  // The same strings in the same order, compared exactly.
  bool Equals(TStrings* strings);
  virtual void Clear() = 0;
  virtual void Delete(int32_t index) = 0;
  virtual void Exchange(int32_t index1, int32_t index2);
  virtual void Insert(int32_t index, const String& s) = 0;
  virtual void InsertObject(int32_t index, const String& s, TObject* obj);
  // Deletes the string at curIndex and inserts it, with its object, at newIndex.
  virtual void Move(int32_t curIndex, int32_t newIndex);
  virtual int32_t IndexOf(const String& s);
  int32_t IndexOfName(const String& name);
  int32_t IndexOfObject(TObject* obj);

  virtual void LoadFromFile(const String& fileName);
  virtual void SaveToFile(const String& fileName);
  // The rest of the stream as UTF-8 text (a leading UTF-8 byte order mark is skipped).
  virtual void LoadFromStream(TStream* stream);
  virtual void SaveToStream(TStream* stream);

  int32_t Count() { return GetCount(); }
  String Strings(int32_t index) { return Get(index); }
  void SetStrings(int32_t index, const String& s) { Put(index, s); }
  TObject* Objects(int32_t index) { return GetObject(index); }
  void SetObjects(int32_t index, TObject* obj) { PutObject(index, obj); }
  int32_t Capacity() { return GetCapacity(); }
  // A hint for the storage; the base ignores it.
  virtual void SetCapacity(int32_t newCapacity);

  // The part before the first separator; empty when the line has none.
  String Names(int32_t index);
  // The part after the first separator; empty when the line has none.
  String ValueFromIndex(int32_t index);
  // Setting an empty value deletes the line; a line is added when the index is negative.
  void SetValueFromIndex(int32_t index, const String& value);
  String Values(const String& name);
  // Replaces the value of the named line, adds "name=value" when there is none, deletes it on "".
  void SetValues(const String& name, const String& value);

  // Every line followed by CR LF.
  String Text() { return GetTextStr(); }
  // Splits on CR LF, LF or CR; a last line without a break counts.
  void SetText(const String& text) { SetTextStr(text); }
  String CommaText();
  void SetCommaText(const String& value);
  String DelimitedText();
  void SetDelimitedText(const String& value);

  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char v) { FDelimiter = v; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char v) { FQuoteChar = v; }
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char v) { FNameValueSeparator = v; }
  // Only the delimiter separates items; blanks are part of them.
  bool StrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool v) { FStrictDelimiter = v; }

  // The comparison behind IndexOf, IndexOfName and sorting: locale order, case-insensitive here.
  virtual int32_t CompareStrings(const String& s1, const String& s2);

  [[noreturn]] static void Error(const char* fmt, int32_t data);

protected:
  // The storage, supplied by descendants.
  virtual String Get(int32_t index) = 0;
  virtual void Put(int32_t index, const String& s);
  virtual TObject* GetObject(int32_t index);
  virtual void PutObject(int32_t index, TObject* obj);
  virtual int32_t GetCount() = 0;
  virtual int32_t GetCapacity();
  virtual String GetTextStr();
  virtual void SetTextStr(const String& value);
  // Called with true when the first BeginUpdate opens an update and with false when the last EndUpdate
  // closes it.
  virtual void SetUpdateState(bool updating);
  int32_t UpdateCount() const { return FUpdateCount; }

private:
  int32_t FUpdateCount = 0;
  char FDelimiter = ',';
  char FQuoteChar = '"';
  char FNameValueSeparator = '=';
  bool FStrictDelimiter = false;
};

class TStringList;
// Returns < 0, 0 or > 0 as the string at index1 sorts before, with or after the one at index2.
using TStringListSortCompare = int32_t (*)(TStringList* list, int32_t index1, int32_t index2);

class TStringList : public TStrings {
  RTL_CLASS(TStringList, TStrings)
public:
  TStringList() = default;
  // With ownsObjects the list frees the objects of deleted lines and its remaining objects at the end.
  explicit TStringList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
  ~TStringList() override;
  void BeforeDestruction() override;

  // In a sorted list the string goes where it sorts; an equal string there is handled as Duplicates says.
  int32_t Add(const String& s) override;
  int32_t AddObject(const String& s, TObject* obj) override;
  void Clear() override;
  void Delete(int32_t index) override;
  void Exchange(int32_t index1, int32_t index2) override;
  void Insert(int32_t index, const String& s) override;
  void InsertObject(int32_t index, const String& s, TObject* obj) override;
  void Move(int32_t curIndex, int32_t newIndex) override;
  int32_t IndexOf(const String& s) override;
  void SetCapacity(int32_t newCapacity) override;
  // Binary search of a sorted list: true when s is there; index is its position, or where it would go.
  // With dupAccept the position is the first of the equal strings.
  virtual bool Find(const String& s, int32_t& index);
  // Sorts an unsorted list with CompareStrings; a sorted list is already in order.
  virtual void Sort();
  virtual void CustomSort(TStringListSortCompare compare);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool v);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates v) { FDuplicates = v; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool v);
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool v) { FOwnsObjects = v; }

  // Fired around every change, except inside BeginUpdate/EndUpdate, whose outer pair fires each once.
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(const TNotifyEvent& e) { FOnChange = e; }
  const TNotifyEvent& OnChanging() const { return FOnChanging; }
  void SetOnChanging(const TNotifyEvent& e) { FOnChanging = e; }

  // AnsiCompareStr or AnsiCompareText order as CaseSensitive says.
  int32_t CompareStrings(const String& s1, const String& s2) override;

protected:
  virtual void Changed();
  virtual void Changing();
  String Get(int32_t index) override;
  void Put(int32_t index, const String& s) override;
  TObject* GetObject(int32_t index) override;
  void PutObject(int32_t index, TObject* obj) override;
  int32_t GetCount() override;
  int32_t GetCapacity() override;
  void SetUpdateState(bool updating) override;
  virtual void InsertItem(int32_t index, const String& s, TObject* obj);

private:
  struct Item {
    String FString;
    TObject* FObject;
  };
  void CheckIndex(int32_t index);
  void QuickSort(int32_t l, int32_t r, TStringListSortCompare compare);
  void FreeObjects();

  std::vector<Item> FList;
  TNotifyEvent FOnChange;
  TNotifyEvent FOnChanging;
  TDuplicates FDuplicates = dupIgnore;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
  bool FMoving = false;
};
