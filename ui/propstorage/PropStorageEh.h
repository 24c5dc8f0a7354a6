#pragma once
// Property storage: a non-visual component on a form that loads a chosen list of its owner's properties
// when the form is shown and saves them when the form closes, through a storage manager. The registry
// manager keeps the stream in a numbered series of string values "Line0000000000", "Line0000000001", …
// under "<Path>\<Section>": the stream's bytes as upper-case hexadecimal in pieces of 80 characters, or,
// with WriteAsText, the stream's text form one line per value.

#include <cstdint>

#include "forms/Forms.h"
#include "rtl/Registry.h"
#include "rtl/StringLists.h"
#include "ui/propstorage/PropFilerEh.h"

class TPropStorageEh;
class TPropStorageManagerEh;

// The stored-property list, kept in path order: paths of one component together, a component's "<P>"
// paths before those of its children. Add refuses a path already present and, once an owner is set, a
// path that does not check out against it.
class TPropertyNamesEh : public TStringList {
  RTL_CLASS(TPropertyNamesEh, TStringList)
public:
  TPropertyNamesEh() = default;
  int32_t Add(const String& S) override;
  int32_t AddObject(const String& S, TObject* AObject) override;
  // Path order: "<P>" first, other "<...>" parts last, names case-insensitively, part by part.
  int32_t CompareStrings(const String& S1, const String& S2) override;
  TComponent* Owner() const { return FOwner; }
  // Drops every path that does not check out against the new owner.
  void SetOwner(TComponent* AOwner);
  // Whether Path names a property of the owner's tree; an empty part raises "Invalide property path".
  bool CheckPropertyPath(const String& Path);

private:
  TComponent* FOwner = nullptr;
};

using TReadPropEventEh = Event<TObject*, TPropReaderEh*, const String& /*PropName*/, bool& /*Processed*/>;
using TWriteCustomPropsEventEh = Event<TObject*, TPropWriterEh*>;

class TPropStorageEh : public TComponent {
  RTL_CLASS(TPropStorageEh, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TPropStorageEh(TComponent* AOwner);
  ~TPropStorageEh() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  void LoadProps();
  void SaveProps();

  bool Active() const { return FActive; }
  void SetActive(bool v) { FActive = v; }
  // Section if set; otherwise, outside design mode, the owner's default section.
  String Section() const;
  void SetSection(const String& v) { FSection = v; }
  TPropStorageManagerEh* StorageManager() const { return FStorageManager; }
  void SetStorageManager(TPropStorageManagerEh* v);
  TPropertyNamesEh* StoredProps() const { return FStoredProps; }
  // Copies the given list.
  void SetStoredProps(TStrings* v);
  bool Saved() const { return FSaved; }

  TNotifyEvent AfterLoadProps;
  TNotifyEvent AfterSaveProps;
  TNotifyEvent BeforeLoadProps;
  TNotifyEvent BeforeSaveProps;
  TReadPropEventEh OnReadProp;
  TWriteCustomPropsEventEh OnWriteCustomProps;

protected:
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  bool IsSectionStored() const { return !FSection.empty(); }
  void HookForm();
  void UnhookForm();
  void FormShow(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormDestroy(TObject* Sender);

  bool FActive = true;
  bool FSaved = false;
  bool FHooked = false;
  TNotifyEvent FSaveFormShow;
  TCloseQueryEvent FSaveFormCloseQuery;
  TNotifyEvent FSaveFormDestroy;
  String FSection;
  TPropStorageManagerEh* FStorageManager = nullptr;
  TPropertyNamesEh* FStoredProps;
};

// The section of a component that names none: a form's class name; a control's parent form class name
// (or its parent's name) followed by its name; "<form class>.<name>" for another component of a form.
String GetDefaultSection(TComponent* AComponent);

class TPropStorageManagerEh : public TComponent {
  RTL_CLASS(TPropStorageManagerEh, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TPropStorageManagerEh(TComponent* AOwner) : TComponent(AOwner) {}

  virtual void ReadProperties(TPropStorageEh*) {}
  // Reads a stored stream (binary or text form) onto the storage's owner; "Invalid stream format." for
  // anything else.
  virtual void ReadPropertiesStream(TStream* Stream, TPropStorageEh* PropStorage);
  virtual void WriteProperties(TPropStorageEh* PropStorage);
  virtual void WritePropertiesStream(TPropStorageEh*, TStream*) {}
  virtual void WritePropertiesText(TPropStorageEh*, const String&) {}

  bool WriteAsText() const { return FWriteAsText; }
  void SetWriteAsText(bool v) { FWriteAsText = v; }

private:
  bool FWriteAsText = true;
};

enum TRegistryKeyEh : uint8_t {
  rkClassesRootEh, rkCurrentUserEh, rkLocalMachineEh, rkUsersEh, rkPerformanceDataEh, rkCurrentConfigEh,
  rkDynDataEh, rkCustomRegistryKeyEh
};
RTL_ENUM(TRegistryKeyEh, rkClassesRootEh, rkCurrentUserEh, rkLocalMachineEh, rkUsersEh, rkPerformanceDataEh,
         rkCurrentConfigEh, rkDynDataEh, rkCustomRegistryKeyEh)

class TRegPropStorageManEh : public TPropStorageManagerEh {
  RTL_CLASS(TRegPropStorageManEh, TPropStorageManagerEh)
  RTL_PUBLISHED_DECL
public:
  explicit TRegPropStorageManEh(TComponent* AOwner) : TPropStorageManagerEh(AOwner) {}

  void ReadProperties(TPropStorageEh* PropStorage) override;
  void WritePropertiesStream(TPropStorageEh* PropStorage, TStream* Stream) override;
  void WritePropertiesText(TPropStorageEh* PropStorage, const String& Text) override;

  HKEY Key() const { return FKey; }
  void SetKey(HKEY v) { FKey = v; }
  TRegistryKeyEh RegistryKey() const { return FRegistryKey; }
  void SetRegistryKey(TRegistryKeyEh v);
  String Path() const { return FPath; }
  void SetPath(const String& v) { FPath = v; }

  // Path, or "Software\<application title>", or "Software\<program name>".
  String BasePath() const;
  // The base path and the section joined by one separator.
  String SectionKey(TPropStorageEh* PropStorage) const;

private:
  HKEY FKey = HKEY_CURRENT_USER;
  TRegistryKeyEh FRegistryKey = rkCurrentUserEh;
  String FPath;
};

// The type of a property that holds a registry root key; streamed as "HKEY_CURRENT_USER" and so on.
const TTypeInfo* HKEYTypeInfo();
// The name of a stored value: "Line" and the index in ten digits.
String StorageLineName(int32_t Index);
