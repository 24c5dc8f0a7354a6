#pragma once
// Statement conditions: named pieces of a WHERE clause that can be switched on and off and applied to a
// statement's SQL. The statement's own text (the primary SQL) is remembered by the first Apply so that the
// conditions can be taken out again.

#include <cstdint>

#include "rtl/StringLists.h"
#include "rtl/System.h"

class TFIBQuery;
class TConditions;
class TFiler;
class TReader;
class TWriter;
class TPersistent;

class TCondition : public TObject {
  RTL_CLASS(TCondition, TObject)
public:
  explicit TCondition(TConditions* owner) : FOwner(owner) {}
  ~TCondition() override;
  String Name() const;
  String Text() const;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  void SetText(const String& value);
  void SetEnabledFromStream(bool value);
  void SetTextFromStream(const String& value);
  bool EnabledFromStream() const { return FEnabledFromStream; }
  bool TextFromStream() const { return FTextFromStream; }
  TConditions* Owner() const { return FOwner; }

private:
  friend class TConditions;
  int32_t IndexInOwner() const;
  TConditions* FOwner;
  bool FEnabled = false;
  bool FInDestruction = false;
  bool FEnabledFromStream = false;
  bool FTextFromStream = false;
};

class TConditions : public TStringList {
  RTL_CLASS(TConditions, TStringList)
public:
  explicit TConditions(TFIBQuery* owner);
  ~TConditions() override;
  void BeforeDestruction() override;

  int32_t Add(const String& s) override;
  int32_t AddObject(const String& s, TObject* obj) override;
  void Clear() override;
  void Delete(int32_t index) override;

  TCondition* ConditionAt(int32_t index);
  TCondition* AddCondition(const String& name, const String& text, bool enabled);
  TCondition* FindCondition(const String& name);
  void RemoveCondition(const String& name);
  void Apply();
  void CancelApply();
  void RestorePrimarySQL();
  // The WHERE text of the enabled conditions.
  String EnabledWhereText();

  void SaveToStrings(TStrings* list);
  void LoadFromStrings(TStrings* list);
  String GetConditionsText();
  void SetConditionsText(const String& text);

  bool Applied() const { return FApplied; }
  const String& PrimarySQL() const { return FPrimarySQL; }
  void ForgetPrimarySQL() { FPrimarySQL.clear(); }
  // Bits: applying 1, cancelling 2, restoring 4.
  uint8_t State() const { return FState; }
  TFIBQuery* Query() const { return FQuery; }

  // Form streaming: "Strings" and "Enabled" are read from older forms only; "Data" holds name, text and
  // enabled flag per condition and, against an ancestor, only what differs, then the deleted names.
  void DefineProperties(TFiler* filer) override;

protected:
  void Put(int32_t index, const String& s) override;

private:
  friend class TCondition;
  void ReadStringsData(TReader* reader);
  void ReadEnabledData(TReader* reader);
  void ReadData(TReader* reader);
  void WriteData(TWriter* writer);
  bool DataDiffers(TPersistent* ancestor);
  TFIBQuery* FQuery;
  bool FApplied = false;
  String FPrimarySQL;
  uint8_t FState = 0;
};
