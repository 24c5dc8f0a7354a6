#include "rtl/StringLists.h"

#include <algorithm>

#include "rtl/Streams.h"
#include "rtl/SysUtils.h"

namespace {

const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SListCapacityError = "List capacity out of bounds (%d)";
const char* const SDuplicateString = "String list does not allow duplicates";
const char* const SSortedListError = "Operation not allowed on sorted list";

int32_t StringListCompareStrings(TStringList* list, int32_t index1, int32_t index2) {
  return list->CompareStrings(list->Strings(index1), list->Strings(index2));
}

String QuotedString(const String& s, char quote) {
  String result(1, quote);
  for (char c : s) {
    result += c;
    if (c == quote) result += c;
  }
  result += quote;
  return result;
}

// Reads a quoted item at value[p] (the opening quote): doubled quotes stand for one; the item ends at the
// closing quote, or at the end of the text when there is none. Leaves p after the item.
String ExtractQuoted(const String& value, size_t& p, size_t end, char quote) {
  String result;
  ++p;
  while (p < end) {
    if (value[p] == quote) {
      if (p + 1 < end && value[p + 1] == quote) {
        result += quote;
        p += 2;
      } else {
        ++p;
        return result;
      }
    } else {
      result += value[p++];
    }
  }
  return result;
}

bool IsBlank(char c) { return c != 0 && static_cast<unsigned char>(c) <= ' '; }

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TStrings

void TStrings::Error(const char* fmt, int32_t data) {
  String msg(fmt);
  size_t p = msg.find("%d");
  if (p != String::npos) msg.replace(p, 2, std::to_string(data));
  throw EStringListError(msg);
}

int32_t TStrings::Add(const String& s) {
  int32_t result = GetCount();
  Insert(result, s);
  return result;
}

int32_t TStrings::AddObject(const String& s, TObject* obj) {
  int32_t result = Add(s);
  PutObject(result, obj);
  return result;
}

int32_t TStrings::AddPair(const String& name, const String& value) {
  return Add(name + FNameValueSeparator + value);
}

void TStrings::AddStrings(TStrings* strings) {
  BeginUpdate();
  try {
    for (int32_t i = 0; i < strings->GetCount(); ++i) AddObject(strings->Get(i), strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(TPersistent* source) {
  if (auto* strings = dynamic_cast<TStrings*>(source)) {
    if (strings == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(strings);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  inherited::Assign(source);
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

bool TStrings::Equals(TStrings* strings) {
  int32_t n = GetCount();
  if (n != strings->GetCount()) return false;
  for (int32_t i = 0; i < n; ++i)
    if (Get(i) != strings->Get(i)) return false;
  return true;
}

void TStrings::Exchange(int32_t index1, int32_t index2) {
  BeginUpdate();
  try {
    TObject* tempObject = GetObject(index1);
    String tempString = Get(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, tempString);
    PutObject(index2, tempObject);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(int32_t index, const String& s, TObject* obj) {
  Insert(index, s);
  PutObject(index, obj);
}

void TStrings::Move(int32_t curIndex, int32_t newIndex) {
  if (curIndex == newIndex) return;
  BeginUpdate();
  try {
    String tempString = Get(curIndex);
    TObject* tempObject = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, tempString, tempObject);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int32_t TStrings::IndexOf(const String& s) {
  for (int32_t i = 0, n = GetCount(); i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int32_t TStrings::IndexOfName(const String& name) {
  for (int32_t i = 0, n = GetCount(); i < n; ++i) {
    String s = Get(i);
    size_t p = s.find(FNameValueSeparator);
    if (p != String::npos && CompareStrings(s.substr(0, p), name) == 0) return i;
  }
  return -1;
}

int32_t TStrings::IndexOfObject(TObject* obj) {
  for (int32_t i = 0, n = GetCount(); i < n; ++i)
    if (GetObject(i) == obj) return i;
  return -1;
}

void TStrings::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const String& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(&stream);
}

void TStrings::LoadFromStream(TStream* stream) {
  BeginUpdate();
  try {
    int64_t size = stream->Size() - stream->Position();
    String s(static_cast<size_t>(size > 0 ? size : 0), '\0');
    size_t got = 0;
    while (got < s.size()) {
      int32_t n = stream->Read(s.data() + got, static_cast<int32_t>(std::min<size_t>(s.size() - got, INT32_MAX)));
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    s.resize(got);
    if (s.compare(0, 3, "\xEF\xBB\xBF") == 0) s.erase(0, 3);
    SetTextStr(s);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::SaveToStream(TStream* stream) {
  String s = GetTextStr();
  size_t done = 0;
  while (done < s.size()) {
    auto n = static_cast<int32_t>(std::min<size_t>(s.size() - done, INT32_MAX));
    stream->WriteBuffer(s.data() + done, n);
    done += static_cast<size_t>(n);
  }
}

String TStrings::Names(int32_t index) {
  String s = Get(index);
  size_t p = s.find(FNameValueSeparator);
  return p == String::npos ? String() : s.substr(0, p);
}

String TStrings::ValueFromIndex(int32_t index) {
  if (index < 0) return String();
  String s = Get(index);
  size_t p = s.find(FNameValueSeparator);
  return p == String::npos ? String() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int32_t index, const String& value) {
  if (!value.empty()) {
    if (index < 0) index = Add(String());
    Put(index, Names(index) + FNameValueSeparator + value);
  } else if (index >= 0) {
    Delete(index);
  }
}

String TStrings::Values(const String& name) {
  int32_t i = IndexOfName(name);
  return i >= 0 ? ValueFromIndex(i) : String();
}

void TStrings::SetValues(const String& name, const String& value) {
  int32_t i = IndexOfName(name);
  if (!value.empty()) {
    if (i < 0) i = Add(String());
    Put(i, name + FNameValueSeparator + value);
  } else if (i >= 0) {
    Delete(i);
  }
}

String TStrings::CommaText() {
  char oldDelimiter = FDelimiter, oldQuote = FQuoteChar;
  FDelimiter = ',';
  FQuoteChar = '"';
  String result;
  try {
    result = DelimitedText();
  } catch (...) {
    FDelimiter = oldDelimiter;
    FQuoteChar = oldQuote;
    throw;
  }
  FDelimiter = oldDelimiter;
  FQuoteChar = oldQuote;
  return result;
}

void TStrings::SetCommaText(const String& value) {
  char oldDelimiter = FDelimiter, oldQuote = FQuoteChar;
  FDelimiter = ',';
  FQuoteChar = '"';
  try {
    SetDelimitedText(value);
  } catch (...) {
    FDelimiter = oldDelimiter;
    FQuoteChar = oldQuote;
    throw;
  }
  FDelimiter = oldDelimiter;
  FQuoteChar = oldQuote;
}

String TStrings::DelimitedText() {
  int32_t n = GetCount();
  if (n == 1 && Get(0).empty()) return String(2, FQuoteChar);
  String result;
  for (int32_t i = 0; i < n; ++i) {
    String s = Get(i);
    bool quote = false;
    for (char c : s) {
      if (c == 0) break;
      if (c == FQuoteChar || c == FDelimiter || (!FStrictDelimiter && IsBlank(c))) {
        quote = true;
        break;
      }
    }
    if (i > 0) result += FDelimiter;
    result += quote ? QuotedString(s, FQuoteChar) : s;
  }
  return result;
}

void TStrings::SetDelimitedText(const String& value) {
  BeginUpdate();
  try {
    Clear();
    // The text ends at a NUL character, as a C string would.
    size_t end = value.find('\0');
    if (end == String::npos) end = value.size();
    size_t p = 0;
    auto skipBlanks = [&] {
      if (!FStrictDelimiter)
        while (p < end && IsBlank(value[p])) ++p;
    };
    skipBlanks();
    while (p < end) {
      String s;
      if (value[p] == FQuoteChar) {
        s = ExtractQuoted(value, p, end, FQuoteChar);
      } else {
        size_t p1 = p;
        while (p < end && (FStrictDelimiter || static_cast<unsigned char>(value[p]) > ' ') && value[p] != FDelimiter)
          ++p;
        s = value.substr(p1, p - p1);
      }
      Add(s);
      skipBlanks();
      if (p < end && value[p] == FDelimiter) {
        // A trailing delimiter closes one more, empty item.
        if (p + 1 == end) Add(String());
        ++p;
        skipBlanks();
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Put(int32_t index, const String& s) {
  BeginUpdate();
  try {
    TObject* tempObject = GetObject(index);
    Delete(index);
    InsertObject(index, s, tempObject);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TObject* TStrings::GetObject(int32_t) { return nullptr; }

void TStrings::PutObject(int32_t, TObject*) {}

int32_t TStrings::GetCapacity() { return GetCount(); }

void TStrings::SetCapacity(int32_t) {}

String TStrings::GetTextStr() {
  String result;
  for (int32_t i = 0, n = GetCount(); i < n; ++i) {
    result += Get(i);
    result += "\r\n";
  }
  return result;
}

void TStrings::SetTextStr(const String& value) {
  BeginUpdate();
  try {
    Clear();
    size_t p = 0, n = value.size();
    while (p < n) {
      size_t start = p;
      while (p < n && value[p] != '\r' && value[p] != '\n') ++p;
      Add(value.substr(start, p - start));
      if (p < n && value[p] == '\r') ++p;
      if (p < n && value[p] == '\n') ++p;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::SetUpdateState(bool) {}

int32_t TStrings::CompareStrings(const String& s1, const String& s2) { return AnsiCompareText(s1, s2); }

// ---------------------------------------------------------------------------------------------------
// TStringList

TStringList::~TStringList() { FreeObjects(); }

void TStringList::BeforeDestruction() {
  // Nobody listens to a list that is going away.
  FOnChange = nullptr;
  FOnChanging = nullptr;
  FreeObjects();
  inherited::BeforeDestruction();
}

void TStringList::FreeObjects() {
  if (!FOwnsObjects) return;
  for (Item& item : FList) {
    TObject* obj = item.FObject;
    item.FObject = nullptr;
    if (obj) obj->Free();
  }
}

void TStringList::CheckIndex(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(FList.size())) Error(SListIndexError, index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && FOnChange) FOnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && FOnChanging) FOnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int32_t TStringList::Add(const String& s) { return AddObject(s, nullptr); }

int32_t TStringList::AddObject(const String& s, TObject* obj) {
  int32_t result;
  if (!FSorted) {
    result = static_cast<int32_t>(FList.size());
  } else if (Find(s, result)) {
    switch (FDuplicates) {
      case dupIgnore: return result;
      case dupError: Error(SDuplicateString, 0);
      case dupAccept: break;
    }
  }
  InsertItem(result, s, obj);
  return result;
}

void TStringList::InsertItem(int32_t index, const String& s, TObject* obj) {
  Changing();
  FList.insert(FList.begin() + index, Item{s, obj});
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(FList);
  if (FOwnsObjects)
    for (Item& item : old)
      if (item.FObject) item.FObject->Free();
  Changed();
}

void TStringList::Delete(int32_t index) {
  CheckIndex(index);
  Changing();
  TObject* obj = FOwnsObjects && !FMoving ? FList[static_cast<size_t>(index)].FObject : nullptr;
  FList.erase(FList.begin() + index);
  if (obj) obj->Free();
  Changed();
}

void TStringList::Exchange(int32_t index1, int32_t index2) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(FList[static_cast<size_t>(index1)], FList[static_cast<size_t>(index2)]);
  Changed();
}

void TStringList::Insert(int32_t index, const String& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int32_t index, const String& s, TObject* obj) {
  if (FSorted) Error(SSortedListError, 0);
  if (index < 0 || index > static_cast<int32_t>(FList.size())) Error(SListIndexError, index);
  InsertItem(index, s, obj);
}

void TStringList::Move(int32_t curIndex, int32_t newIndex) {
  if (curIndex == newIndex) return;
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  BeginUpdate();
  try {
    Item item = FList[static_cast<size_t>(curIndex)];
    // The object moves with its string, so deleting the old line must not free it.
    FMoving = true;
    Delete(curIndex);
    FMoving = false;
    InsertObject(newIndex, item.FString, item.FObject);
  } catch (...) {
    FMoving = false;
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TStringList::Find(const String& s, int32_t& index) {
  bool result = false;
  int32_t l = 0, h = static_cast<int32_t>(FList.size()) - 1;
  while (l <= h) {
    int32_t i = l + (h - l) / 2;
    int32_t c = CompareStrings(FList[static_cast<size_t>(i)].FString, s);
    if (c < 0) {
      l = i + 1;
    } else {
      h = i - 1;
      if (c == 0) {
        result = true;
        if (FDuplicates != dupAccept) l = i;
      }
    }
  }
  index = l;
  return result;
}

int32_t TStringList::IndexOf(const String& s) {
  if (!FSorted) {
    for (size_t i = 0; i < FList.size(); ++i)
      if (CompareStrings(FList[i].FString, s) == 0) return static_cast<int32_t>(i);
    return -1;
  }
  int32_t result;
  return Find(s, result) ? result : -1;
}

void TStringList::Sort() { CustomSort(StringListCompareStrings); }

void TStringList::CustomSort(TStringListSortCompare compare) {
  if (FSorted || FList.size() <= 1) return;
  Changing();
  QuickSort(0, static_cast<int32_t>(FList.size()) - 1, compare);
  Changed();
}

// The platform's quicksort over indices, so that equal strings end up in the same order as there. The
// pivot is followed through the exchanges because the comparer sees indices, not values.
void TStringList::QuickSort(int32_t l, int32_t r, TStringListSortCompare compare) {
  int32_t i;
  do {
    i = l;
    int32_t j = r;
    int32_t p = l + (r - l) / 2;
    do {
      while (i < r && compare(this, i, p) < 0) ++i;
      while (j > l && compare(this, j, p) > 0) --j;
      if (i <= j) {
        if (i != j) std::swap(FList[static_cast<size_t>(i)], FList[static_cast<size_t>(j)]);
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(l, j, compare);
    l = i;
  } while (i < r);
}

void TStringList::SetSorted(bool v) {
  if (FSorted == v) return;
  if (v) Sort();
  FSorted = v;
}

void TStringList::SetCaseSensitive(bool v) {
  if (FCaseSensitive == v) return;
  FCaseSensitive = v;
  if (FSorted) {
    // The order changes with the comparison.
    FSorted = false;
    Sort();
    FSorted = true;
  }
}

int32_t TStringList::CompareStrings(const String& s1, const String& s2) {
  return FCaseSensitive ? AnsiCompareStr(s1, s2) : AnsiCompareText(s1, s2);
}

String TStringList::Get(int32_t index) {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)].FString;
}

void TStringList::Put(int32_t index, const String& s) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(index);
  Changing();
  FList[static_cast<size_t>(index)].FString = s;
  Changed();
}

TObject* TStringList::GetObject(int32_t index) {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)].FObject;
}

void TStringList::PutObject(int32_t index, TObject* obj) {
  CheckIndex(index);
  Changing();
  FList[static_cast<size_t>(index)].FObject = obj;
  Changed();
}

int32_t TStringList::GetCount() { return static_cast<int32_t>(FList.size()); }

int32_t TStringList::GetCapacity() { return static_cast<int32_t>(FList.capacity()); }

void TStringList::SetCapacity(int32_t newCapacity) {
  if (newCapacity < static_cast<int32_t>(FList.size())) Error(SListCapacityError, newCapacity);
  if (static_cast<size_t>(newCapacity) > FList.capacity()) {
    FList.reserve(static_cast<size_t>(newCapacity));
  } else if (static_cast<size_t>(newCapacity) < FList.capacity()) {
    std::vector<Item> smaller;
    smaller.reserve(static_cast<size_t>(newCapacity));
    for (Item& item : FList) smaller.push_back(std::move(item));
    FList.swap(smaller);
  }
}
