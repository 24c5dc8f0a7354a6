#pragma once
// Ini files: sections of "key=value" lines. Section and key names ignore letter case. TIniFile reads the
// file as it is on disk and writes every change through; TMemIniFile works on a copy in memory that
// UpdateFile writes back.

#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/System.h"

class TStrings;

namespace rtl_detail {
struct IniData;
}

class TCustomIniFile : public TObject {
  RTL_CLASS(TCustomIniFile, TObject)
public:
  explicit TCustomIniFile(const String& fileName) : FFileName(fileName) {}
  const String& FileName() const { return FFileName; }

  virtual String ReadString(const String& section, const String& ident, const String& defaultValue) = 0;
  virtual void WriteString(const String& section, const String& ident, const String& value) = 0;
  // Integers may also be written in hexadecimal as "0x1F"; unreadable text gives the default.
  virtual int32_t ReadInteger(const String& section, const String& ident, int32_t defaultValue);
  virtual void WriteInteger(const String& section, const String& ident, int32_t value);
  // Any integer but 0 reads as true; writes "1" or "0".
  virtual bool ReadBool(const String& section, const String& ident, bool defaultValue);
  virtual void WriteBool(const String& section, const String& ident, bool value);
  // Floats use the decimal separator of the process-wide format settings.
  virtual double ReadFloat(const String& section, const String& ident, double defaultValue);
  virtual void WriteFloat(const String& section, const String& ident, double value);
  // Dates and times in the text forms of the process-wide format settings; unreadable text gives the
  // default.
  virtual TDateTime ReadDateTime(const String& section, const String& ident, TDateTime defaultValue);
  virtual void WriteDateTime(const String& section, const String& ident, TDateTime value);
  virtual TDateTime ReadDate(const String& section, const String& ident, TDateTime defaultValue);
  virtual void WriteDate(const String& section, const String& ident, TDateTime value);
  virtual TDateTime ReadTime(const String& section, const String& ident, TDateTime defaultValue);
  virtual void WriteTime(const String& section, const String& ident, TDateTime value);

  // The keys of a section, in file order.
  virtual void ReadSection(const String& section, std::vector<String>& idents) = 0;
  virtual void ReadSections(std::vector<String>& sections) = 0;
  // The "key=value" lines of a section.
  virtual void ReadSectionValues(const String& section, std::vector<String>& lines) = 0;
  virtual void EraseSection(const String& section) = 0;
  virtual void DeleteKey(const String& section, const String& ident) = 0;
  virtual void UpdateFile() = 0;
  // The same three into a string list, which is cleared first.
  void ReadSection(const String& section, TStrings* strings);
  void ReadSections(TStrings* strings);
  void ReadSectionValues(const String& section, TStrings* strings);

  // A section exists when it has at least one key, as on the platform.
  bool SectionExists(const String& section);
  bool ValueExists(const String& section, const String& ident);

protected:
  String FFileName;
};

// The file in memory: read at creation, written by UpdateFile.
class TMemIniFile : public TCustomIniFile {
  RTL_CLASS(TMemIniFile, TCustomIniFile)
public:
  explicit TMemIniFile(const String& fileName);
  ~TMemIniFile() override;
  using TCustomIniFile::ReadSection;
  using TCustomIniFile::ReadSections;
  using TCustomIniFile::ReadSectionValues;

  String ReadString(const String& section, const String& ident, const String& defaultValue) override;
  void WriteString(const String& section, const String& ident, const String& value) override;
  void ReadSection(const String& section, std::vector<String>& idents) override;
  void ReadSections(std::vector<String>& sections) override;
  void ReadSectionValues(const String& section, std::vector<String>& lines) override;
  void EraseSection(const String& section) override;
  void DeleteKey(const String& section, const String& ident) override;
  // Writes the sections to the file (a failure raises EOSError).
  void UpdateFile() override;

  void Clear();
  // The content as the lines of the file, and replacing it by such lines.
  void GetStrings(std::vector<String>& lines);
  void SetStrings(const std::vector<String>& lines);
  void GetStrings(TStrings* lines);
  void SetStrings(TStrings* lines);
  // Works on another file from now on, reading it when reload is set.
  void Rename(const String& fileName, bool reload);

protected:
  std::unique_ptr<rtl_detail::IniData> FData;
};

// Every read sees the file as it is now; every change is written at once.
class TIniFile : public TMemIniFile {
  RTL_CLASS(TIniFile, TMemIniFile)
public:
  explicit TIniFile(const String& fileName) : TMemIniFile(fileName) {}
  using TCustomIniFile::ReadSection;
  using TCustomIniFile::ReadSections;
  using TCustomIniFile::ReadSectionValues;

  String ReadString(const String& section, const String& ident, const String& defaultValue) override;
  void WriteString(const String& section, const String& ident, const String& value) override;
  void ReadSection(const String& section, std::vector<String>& idents) override;
  void ReadSections(std::vector<String>& sections) override;
  void ReadSectionValues(const String& section, std::vector<String>& lines) override;
  void EraseSection(const String& section) override;
  void DeleteKey(const String& section, const String& ident) override;

private:
  void Reload();
};
