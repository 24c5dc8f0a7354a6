#pragma once
// The two external formats of the in-memory dataset, apart from the dataset itself: the data stream
// ("Ver" header, column descriptors, values until the end) and the delimited text file.
#include <cstdint>
#include <functional>
#include <vector>

#include "rtl/System.h"

class TStream;

namespace memdata {

struct TMemStreamColumn {
  int32_t Size = 0;
  int16_t TypeCode = 0;
  String Name;
};

// How the dataset wants a column's values: by the kind of the field that has the column's name, or
// tkNone when no field has it (the value is then skipped by its type code).
enum class TMemTarget : uint8_t { tkNone, tkFixed, tkString, tkWideString, tkBlob };

struct TMemStreamTarget {
  TMemTarget Kind = TMemTarget::tkNone;
  int32_t DataSize = 0;  // the field's data size (fixed and string fields)
};

struct TMemStreamValue {
  bool Null = true;
  String Bytes;      // fixed: exactly the descriptor's size; string and blob: the text
  WideString Wide;   // wide strings
};

struct TMemStreamHandler {
  // Called once after the descriptors; returns one target per column.
  std::function<std::vector<TMemStreamTarget>(const std::vector<TMemStreamColumn>&)> Columns;
  // Called once per complete record.
  std::function<void(const std::vector<TMemStreamValue>&)> Record;
};

// Reads the whole stream from its position. A name length of 256 or more raises EDatabaseError
// "The data is incorrect". Returns the version read (0 without the header).
double ReadMemDataStream(TStream* stream, const TMemStreamHandler& handler);

// The text file. Values holding the delimiter, a line break or a leading double quote are written between
// double quotes with inner quotes doubled, so that they read back whole; every other value is written as it
// is, so files without such values keep the plain delimited layout.
String EncodeTextValue(const String& value, char delimiter);
String JoinTextLine(const std::vector<String>& values, char delimiter);
// Splits a whole file into lines of cells; line breaks are CR LF, LF or CR (outside quotes). A final
// line break ends the last line rather than starting an empty one.
std::vector<std::vector<String>> SplitTextFile(const String& text, char delimiter);

}  // namespace memdata
