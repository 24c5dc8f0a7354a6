#pragma once
// Component streaming in the platform's binary form format, and its text form.
//
// Binary layout: the signature "TPF0"; then a component: an optional prefix byte (0xF0 | flags, with the
// child position as an integer value when ffChildPos is set), the class name and the component name as
// short strings (length byte, UTF-8 bytes), the property entries (short-string name, tagged value), an
// empty name, the child components, an empty name. Values start with a TValueType tag byte; integers are
// little-endian and written in the smallest tag that holds them.
//
// TReader and TWriter are the filers; TComponent::ReadState/WriteState and TPersistent::DefineProperties
// are their hooks. Published properties come from rtl's RTTI (rtl/TypInfo.h): a property is written when
// its stored rule allows and its value differs from the ancestor's (WriteDescendent) or else from its
// default (ordinal kinds with a default; 0, "" and nil for the others); a class property holding a
// persistent object is written as its nested "Prop.Sub" entries, a collection as a collection value, a
// component as a reference by name, an event as the name of the root's published method.
//
// Text form: "object Name: TClass" (or "inherited", "inline", an optional "[child position]"), entries
// "Name = value", "end". Strings are quoted runs of printable ASCII with every other code point as #n
// ("'It'#39's'"), long ones split into lines joined by "+"; sets "[a, b]"; lists "( ... )"; collections
// "< item ... end >"; binary data "{ hex }"; floats with a suffix "s" (single), "c" (currency, the value
// times 10000) or "d" (date). Written with CR LF; read with any line breaks.

#include <cstdint>
#include <vector>

#include "rtl/Components.h"
#include "rtl/Currency.h"
#include "rtl/Events.h"
#include "rtl/Sets.h"

class TStream;
class TCollection;
class Variant;
struct TPropInfo;

RTL_EXCEPTION(EParserError, EConvertError)

enum TValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20
};

enum TFilerFlag : uint8_t { ffInherited, ffChildPos, ffInline };
using TFilerFlags = Set<TFilerFlag>;

using TReaderProc = Event<TReader*>;
using TWriterProc = Event<TWriter*>;
using TStreamProc = Event<TStream*>;

// Reader hooks, as the platform's events.
using TReaderError = Event<TReader*, const String& /*message*/, bool& /*handled*/>;
// Asked for a property that the instance neither publishes nor defines (isPath: a part of a dotted
// path). Setting handled means the hook consumed the value itself through the reader; setting skip drops
// the value silently; renaming name redirects the entry to another property of instance. Otherwise the
// reader raises "Property %s does not exist".
using TPropertyNotFoundEvent =
    Event<TReader*, TPersistent* /*instance*/, String& /*name*/, bool /*isPath*/, bool& /*handled*/, bool& /*skip*/>;
// Asked for every event handler name; method holds the root's published method of that name (or nothing)
// and error whether it is missing. The hook may supply another method or clear error to accept the gap.
using TFindMethodEvent = Event<TReader*, const String& /*methodName*/, TMethod& /*method*/, bool& /*error*/>;
using TSetNameEvent = Event<TReader*, TComponent*, String& /*name*/>;
using TReferenceNameEvent = Event<TReader*, String& /*name*/>;
using TCreateComponentEvent = Event<TReader*, TComponentClass, TComponent*& /*component*/>;
using TFindComponentClassEvent = Event<TReader*, const String& /*className*/, TComponentClass& /*componentClass*/>;
using TFindAncestorEvent =
    Event<TWriter*, TComponent* /*component*/, const String& /*name*/, TComponent*& /*ancestor*/, TComponent*& /*rootAncestor*/>;

class TFiler : public TObject {
  RTL_CLASS(TFiler, TObject)
public:
  TFiler(TStream* stream, int32_t bufSize);
  ~TFiler() override;

  virtual void DefineProperty(const String& name, TReaderProc readData, TWriterProc writeData, bool hasData) = 0;
  virtual void DefineBinaryProperty(const String& name, TStreamProc readData, TStreamProc writeData,
                                    bool hasData) = 0;
  virtual void FlushBuffer() = 0;

  TStream* Stream() const { return FStream; }
  TComponent* Root() const { return FRoot; }
  virtual void SetRoot(TComponent* value);
  // The component that references are named relative to: the root, or an inline frame while it is read.
  TComponent* LookupRoot() const { return FLookupRoot; }
  TPersistent* Ancestor() const { return FAncestor; }
  void SetAncestor(TPersistent* value) { FAncestor = value; }
  bool IgnoreChildren() const { return FIgnoreChildren; }
  void SetIgnoreChildren(bool value) { FIgnoreChildren = value; }

protected:
  TStream* FStream;
  std::vector<uint8_t> FBuffer;
  int32_t FBufPos = 0;
  int32_t FBufEnd = 0;
  TComponent* FRoot = nullptr;
  TComponent* FLookupRoot = nullptr;
  TPersistent* FAncestor = nullptr;
  bool FIgnoreChildren = false;
};

class TReader : public TFiler {
  RTL_CLASS(TReader, TFiler)
public:
  explicit TReader(TStream* stream, int32_t bufSize = 4096);
  // Puts the stream back right after the last byte the reader consumed.
  ~TReader() override;

  void DefineProperty(const String& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
  void DefineBinaryProperty(const String& name, TStreamProc readData, TStreamProc writeData, bool hasData) override;
  void FlushBuffer() override;

  // Raw bytes and tags.
  void Read(void* buf, int32_t count);
  TValueType ReadValue();
  TValueType NextValue();
  void CheckValue(TValueType value);
  bool EndOfList();
  void SkipValue();
  // Copies the next value, whatever its type, to writer.
  void CopyValue(TWriter* writer);
  int64_t Position();
  void SetPosition(int64_t value);

  // Typed values; each raises EReadError "Invalid property value" on another tag.
  bool ReadBoolean();
  char ReadChar();
  int32_t ReadInteger();
  int64_t ReadInt64();
  long double ReadFloat();
  float ReadSingle();
  Currency ReadCurrency();
  TDateTime ReadDate();
  String ReadIdent();
  // A short string (length byte): names of properties, classes and components.
  String ReadStr();
  // Any string value (short, long, UTF-8 or wide), as UTF-8.
  String ReadString();
  WideString ReadWideString();
  void ReadListBegin();
  void ReadListEnd();
  // The names of a set value (after its vaSet tag has been read), up to the empty name.
  std::vector<String> ReadSetNames();
  // A vaBinary value's bytes.
  std::vector<uint8_t> ReadBinary();
  // Any scalar value as a Variant: vaNil Empty, vaNull Null, integers by width, floats, strings,
  // wide strings as OleStr, booleans.
  Variant ReadVariant();

  void ReadSignature();
  virtual void ReadPrefix(TFilerFlags& flags, int32_t& childPos);

  // Components. ReadRootComponent reads the signature and the whole tree into root (or into a new
  // instance of the streamed class when root is nullptr), then calls Loaded on every component read, the
  // root first, in reading order.
  TComponent* ReadRootComponent(TComponent* root);
  // Reads one component entry; with component nullptr a new one of the streamed class is created,
  // owned by Owner().
  TComponent* ReadComponent(TComponent* component);
  // Reads the components that follow (a stream of sibling entries up to the end of the list) into
  // owner/parent, calling proc for each; Loaded runs at the end.
  void ReadComponents(TComponent* owner, TComponent* parent, Event<TComponent*> proc);
  // The properties and children of instance (TComponent::ReadState's default).
  void ReadData(TComponent* instance);
  // A collection value (vaCollection already consumed) into collection.
  void ReadCollection(TCollection* collection);

  // References to components by name are resolved after the tree is read (ReadData and the Read*Component
  // functions bracket themselves); BeginReferences/FixupReferences/EndReferences bracket several reads.
  void BeginReferences();
  void FixupReferences();
  void EndReferences();

  TComponent* Owner() const { return FOwner; }
  void SetOwner(TComponent* value) { FOwner = value; }
  TComponent* Parent() const { return FParent; }
  void SetParent(TComponent* value) { FParent = value; }

  TReaderError OnError;
  TPropertyNotFoundEvent OnPropertyNotFound;
  TFindMethodEvent OnFindMethod;
  TSetNameEvent OnSetName;
  TReferenceNameEvent OnReferenceName;
  TCreateComponentEvent OnCreateComponent;
  TFindComponentClassEvent OnFindComponentClass;

protected:
  // Offers a failed property entry to OnError; true means handled (the entry is dropped).
  virtual bool Error(const String& message);
  virtual void SetName(TComponent* component, String& name);
  virtual void ReferenceName(String& name);
  virtual TComponentClass FindComponentClass(const String& className);
  virtual TComponent* FindAncestorComponent(const String& name, TClass componentClass);
  // Reads one property entry (name and value) into instance.
  void ReadProperty(TPersistent* instance);
  void ReadPropValue(TPersistent* instance, const TPropInfo* prop);
  // Skips the value, then raises "Property %s does not exist".
  void PropertyError(const String& name);
  // The root's published method of that name, through OnFindMethod; "Invalid property value" when none.
  virtual TMethod FindMethod(TComponent* root, const String& methodName);
  const String& PropName() const { return FPropName; }
  void SetPropName(const String& value) { FPropName = value; }
  bool CanHandleExceptions() const { return FCanHandleExcepts; }
  void SetCanHandleExceptions(bool value) { FCanHandleExcepts = value; }

private:
  struct Fixup;
  void ReadBuffer();
  uint8_t ReadByte();
  void ReadDataInner(TComponent* instance);
  void SkipSetBody();
  void SkipBytes(int64_t count);
  void SkipProperty();
  void SkipComponent(bool skipHeader);
  void DoFixupReferences();
  bool PropertyNotFound(TPersistent* instance, String& name, bool isPath);
  bool ReadStringsFallback(TPersistent* instance);
  [[noreturn]] void PropValueError();
  // Bytes the stream still holds (buffered and unread); -1 when the stream cannot tell.
  int64_t BytesLeft();
  // A 4-byte count of units of unitSize bytes, checked against what the stream still holds before
  // anything of that size is allocated: a damaged count raises EReadError.
  int32_t ReadCount(int32_t unitSize);
  template <class Container>
  void ReadUnits(Container& out, int32_t count);

public:
  // Lists, collections and components nest; a damaged stream could nest them until the stack runs
  // out. Each nested level holds a Nesting for its time; past kMaxNesting levels: EReadError.
  static constexpr int kMaxNesting = 200;
  class Nesting {
  public:
    explicit Nesting(TReader& reader);
    ~Nesting() { --FReader.FDepth; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

  private:
    TReader& FReader;
  };

private:
  int FDepth = 0;
  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  String FPropName;
  bool FCanHandleExcepts = false;
  std::vector<TComponent*>* FLoaded = nullptr;
  std::vector<Fixup>* FFixups = nullptr;
};

class TWriter : public TFiler {
  RTL_CLASS(TWriter, TFiler)
public:
  explicit TWriter(TStream* stream, int32_t bufSize = 4096);
  // Flushes what is buffered.
  ~TWriter() override;

  void DefineProperty(const String& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
  void DefineBinaryProperty(const String& name, TStreamProc readData, TStreamProc writeData, bool hasData) override;
  void FlushBuffer() override;

  void Write(const void* buf, int32_t count);
  void WriteValue(TValueType value);
  int64_t Position();

  void WriteBoolean(bool value);
  void WriteChar(char value);
  // In the smallest of vaInt8, vaInt16, vaInt32, vaInt64 that holds value.
  void WriteInteger(int64_t value);
  void WriteFloat(long double value);
  void WriteSingle(float value);
  void WriteCurrency(Currency value);
  void WriteDate(TDateTime value);
  void WriteIdent(const String& ident);
  // Short string (length byte, at most 255 bytes).
  void WriteStr(const String& value);
  // A UTF-8 string value: vaString up to 255 bytes, vaLString above.
  void WriteString(const String& value);
  void WriteUTF8Str(const String& value);
  void WriteWideString(const WideString& value);
  void WriteListBegin();
  void WriteListEnd();
  // A set value: vaSet, the member names, the empty name.
  void WriteSetNames(const std::vector<String>& names);
  void WriteBinary(const void* data, int32_t count);
  // Empty as vaNil, Null as vaNull, the scalar types with their own tags; arrays raise EWriteError.
  void WriteVariant(const Variant& value);

  void WriteSignature();
  void WritePrefix(TFilerFlags flags, int32_t childPos);
  void WriteRootComponent(TComponent* root);
  // Writes root with only what differs from ancestor (an instance of the same class, or nullptr).
  void WriteDescendent(TComponent* root, TComponent* ancestor);
  void WriteComponent(TComponent* component);
  // The properties and children of instance (TComponent::WriteState's default).
  void WriteData(TComponent* instance);
  // The published properties (those not equal to their default or the ancestor's value, and stored)
  // and then the defined properties of instance, under the current property path.
  void WriteProperties(TPersistent* instance);
  void WriteCollection(TCollection* value);
  // The name of a property entry: the current path ("Font.") followed by name.
  void WritePropName(const String& name);

  TComponent* RootAncestor() const { return FRootAncestor; }
  void SetRootAncestor(TComponent* value) { FRootAncestor = value; }
  const String& PropPath() const { return FPropPath; }
  void SetPropPath(const String& value) { FPropPath = value; }

  TFindAncestorEvent OnFindAncestor;

protected:
  void WriteProperty(TPersistent* instance, const TPropInfo* prop);

private:
  void WriteBuffer();
  void AddAncestor(TComponent* component);
  String ReferenceNameOf(TComponent* component);
  bool CollectionsEqual(TCollection* a, TCollection* b);
  bool FStringsDefined = false;

  TComponent* FRootAncestor = nullptr;
  String FPropPath;
  std::vector<TComponent*> FAncestorList;
  int32_t FAncestorPos = 0;
  int32_t FChildPos = 0;
  bool FAncestorListActive = false;  // children are matched by name against the ancestor's
};

// Conversion between the binary form and the text form ("object Name: TClass ... end").
void ObjectBinaryToText(TStream* input, TStream* output);
void ObjectTextToBinary(TStream* input, TStream* output);
String ObjectBinaryToText(const String& binary);
String ObjectTextToBinary(const String& text);

enum TStreamOriginalFormat : uint8_t { sofUnknown, sofBinary, sofText };
// What the stream at its current position holds (the position is left unchanged).
TStreamOriginalFormat TestStreamFormat(TStream* stream);

// Convenience: a whole component tree to and from a stream in the binary form.
void WriteComponentToStream(TStream* stream, TComponent* component);
TComponent* ReadComponentFromStream(TStream* stream, TComponent* instance);
// Binary <-> component tree through a byte string.
String ComponentToBinary(TComponent* component);
String ComponentToText(TComponent* component);
// Reads a text or binary form into root (nullptr: a new instance of the streamed class, owned by nobody).
TComponent* ReadComponentFromText(const String& text, TComponent* root);
