#pragma once
// The property filer: a chosen set of properties of a component tree, named by property paths, written
// as a binary component stream (the shape of a form resource, so that the platform's routines turn it
// into text and back) and read back onto live objects.
//
// Path syntax: component names, the marker "<P>", then a property path on that component:
// "<P>.Height", "pcAll.<P>.Tag", "<P>.Font.Name", "<P>.Columns.<ForAllItems>.Width",
// "<P>.Columns.<Item2>". Items of a collection addressed by a path are streamed as "__Item<n>." parts of
// the property name ("Columns.__Item0.Width").
//
// Interceptors stand in for chosen properties of a class: the form interceptor stores a form's restored
// bounds even while the form is maximized, and scales them when the screen resolution changed.

#include <cstdint>
#include <vector>

#include "forms/Forms.h"
#include "rtl/Filer.h"
#include "rtl/StringLists.h"

class TPropWriterEh;
class TPropReaderEh;

// Stands for the properties of one target object while the filer runs.
class TStoragePropertyInterceptor : public TPersistent {
  RTL_CLASS(TStoragePropertyInterceptor, TPersistent)
public:
  using VirtualCtorArg = TPersistent*;
  explicit TStoragePropertyInterceptor(TPersistent* ATarget) : FTarget(ATarget) {}
  TPersistent* Target() const { return FTarget; }
  // Kept for the class's shape; the filer never asks it.
  virtual bool NeedIntercept() { return true; }
  // Called after the target's properties were read.
  virtual void ApplyToTarget() {}

private:
  TPersistent* FTarget;
};

using TStoragePropertyInterceptorClass = const TMetaClass*;

class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
  RTL_CLASS(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)
  RTL_PUBLISHED_DECL
public:
  explicit TFormStoragePropertyInterceptor(TPersistent* ATarget);
  void ApplyToTarget() override;

  TCustomForm* Form() const { return static_cast<TCustomForm*>(Target()); }
  // The target's current normal bounds.
  int32_t Height() const;
  int32_t Left() const;
  int32_t Top() const;
  int32_t Width() const;

  void SetActiveControl(TWinControl* v) { FActiveControl = v; }
  void SetHeight(int32_t v) { FHeight = v; }
  void SetLeft(int32_t v);
  void SetPixelsPerInch(int32_t v) { FPixelsPerInch = v; }
  void SetTop(int32_t v);
  void SetWidth(int32_t v) { FWidth = v; }
  void SetWindowState(TWindowState v) { FWindowState = v; }

private:
  TWinControl* FActiveControl = nullptr;
  int32_t FHeight = 0;
  int32_t FLeft = 0;
  int32_t FPixelsPerInch = 0;
  bool FPosRead = false;
  int32_t FTop = 0;
  int32_t FWidth = 0;
  TWindowState FWindowState = wsNormal;
};

// Adds a pair; an earlier pair for the same target class is replaced.
void RegisterStoragePropertyInterceptor(TClass ATargetClass, TStoragePropertyInterceptorClass AInterceptorClass);
void UnregisterStoragePropertyInterceptor(TClass ATargetClass);
// The interceptor class of the nearest registered ancestor of AClass (the first registered on a tie).
TStoragePropertyInterceptorClass FindStoragePropertyInterceptor(TClass AClass);
// The child of Parent with that name (case-insensitive), as Parent lists its children for streaming.
TComponent* FindChildComponent(TComponent* Parent, TComponent* Root, const String& AName);
// The form's restored (normal) rectangle, also while it is maximized or minimized.
RECT GetFormNormalBounds(TCustomForm* AForm);

using TWriteOwnerPropsEventEh = Event<TPropWriterEh*>;
using TReadOwnerPropEventEh = Event<TPropReaderEh*, const String& /*PropName*/, bool& /*Processed*/>;

class TPropWriterEh : public TWriter {
  RTL_CLASS(TPropWriterEh, TWriter)
public:
  explicit TPropWriterEh(TStream* Stream, int32_t BufSize = 1024);
  ~TPropWriterEh() override;

  void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
  void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;

  // Writes the whole stream for Root: its class and name, the entries of the "<P>" paths, then one
  // object entry per named child component with its entries.
  void WriteStoredProps(TComponent* Root, TStrings* PropNames);
  // The entry of one property path on an object (what a root-extras handler may use).
  void WritePropPath(TPersistent* Instance, const String& Path);

  TWriteOwnerPropsEventEh OnWriteRootExtras;

private:
  struct Defined {
    String Name;
    TWriterProc Write;
    TStreamProc WriteBinary;
  };
  void WriteObjectPath(TPersistent* Instance, const String& Path);
  void WriteAllProperties(TPersistent* Instance);
  void WriteOneProperty(TPersistent* Instance, const TPropInfo* Prop, TObject* Source);
  void WriteDefined(TPersistent* Instance, const String& Name);
  void WriteItem(TCollection* Collection, int32_t Index, const String& Rest);
  void CollectDefined(TPersistent* Instance);
  TStoragePropertyInterceptor* InterceptorFor(TPersistent* Instance);
  std::vector<String> AllPropertyNames(TPersistent* Instance);
  String ComponentReferenceName(TComponent* C);

  std::vector<TComponent*> FChain;
  std::vector<Defined> FDefinedBinProps;
  std::vector<Defined> FDefinedProps;
  std::vector<TStoragePropertyInterceptor*> FInterceptors;
  String FPrefix;
  bool FCollecting = false;
};

class TPropReaderEh : public TReader {
  RTL_CLASS(TPropReaderEh, TReader)
public:
  explicit TPropReaderEh(TStream* Stream, int32_t BufSize = 1024);
  ~TPropReaderEh() override;

  void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
  void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;

  // Reads the signature and the root object with everything below it onto Root.
  void ReadStoredProps(TComponent* Root);
  // Reads one property entry onto Instance (what an OnReadDirectProp handler may defer to).
  void ReadPropEntry(TPersistent* Instance);

  TReadOwnerPropEventEh OnReadDirectProp;

protected:
  // Every error of one entry is reported as handled: the entry is dropped and reading goes on.
  bool Error(const String& Message) override;

private:
  void ReadObject(TComponent* Target);
  void ReadPropertyEntry(TPersistent* Target);
  void ApplyInterceptors();
  TStoragePropertyInterceptor* InterceptorFor(TPersistent* Instance);

  std::vector<TCollection*> FTouched;
  std::vector<TStoragePropertyInterceptor*> FInterceptors;
  TPersistent* FCurrentObject = nullptr;
};
