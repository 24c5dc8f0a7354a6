// Component streaming: a model with properties of every streamed kind, written to the binary form,
// converted to text and back, and read again.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MutationLoop.h"
#include "rtl/Classes.h"
#include "rtl/TypInfo.h"
#include "rtl/Variants.h"

enum TStreamShape : uint8_t { ssCircle, ssSquare, ssTriangle };
RTL_ENUM(TStreamShape, ssCircle, ssSquare, ssTriangle)
enum TStreamFlag : uint8_t { sfBold, sfItalic, sfUnderline, sfStrike };
RTL_ENUM(TStreamFlag, sfBold, sfItalic, sfUnderline, sfStrike)
using TStreamFlags = Set<TStreamFlag>;

// Shared by the model's hooks: what happened, in order.
std::vector<std::string>& StreamLog();

class TStreamFont : public TPersistent {
  RTL_CLASS(TStreamFont, TPersistent)
  RTL_PUBLISHED_DECL
public:
  String Name = "Sans";
  int32_t Size = 8;
  TStreamFlags Style;
  void Assign(TPersistent* source) override;
};

class TStreamItem : public TCollectionItem {
  RTL_CLASS(TStreamItem, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  using TCollectionItem::TCollectionItem;
  String Caption;
  int32_t Width = 64;
  void Assign(TPersistent* source) override;
};

class TStreamWidget : public TComponent {
  RTL_CLASS(TStreamWidget, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TStreamWidget(TComponent* owner);
  ~TStreamWidget() override;
  void Loaded() override;

  String Caption() const { return FCaption; }
  void SetCaption(const String& v);
  void SetBuddy(TStreamWidget* v);

  int32_t Count = 0;
  bool Enabled = true;
  TStreamShape Shape = ssCircle;
  TStreamFlags Flags;
  double Ratio = 0;
  float Scale = 0;
  Currency Price;
  TDateTime When = 0;
  int64_t Big = 0;
  WideString Wide;
  char Letter = 0;
  Variant Data;
  int32_t Hidden = 0;  // never stored
  int32_t Cached = 0;  // stored only while Count is positive
  TStreamFont* Font;
  TOwnedCollection* Items;
  TStringList* Lines;
  TStreamWidget* Buddy = nullptr;
  TNotifyEvent OnPing;

  std::vector<String> Memo;            // the defined property "Memo"
  std::vector<uint8_t> Blob;           // the binary defined property "Blob"
  bool ConstructedLoading = false;     // csLoading was already set in the constructor
  bool LoadingWhenCaptionSet = false;

protected:
  void DefineProperties(TFiler* filer) override;
  void Notification(TComponent* c, TOperation op) override;

private:
  void ReadMemo(TReader* r);
  void WriteMemo(TWriter* w);
  void ReadBlob(TStream* s);
  void WriteBlob(TStream* s);
  void SetFont(TStreamFont* v) { Font->Assign(v); }
  void SetItems(TOwnedCollection* v) { Items->Assign(v); }
  void SetLines(TStringList* v) { Lines->Assign(v); }
  String FCaption;
};

// A control-like widget: it has a parent (a box or the form) and streams its own children.
class TStreamBox : public TStreamWidget {
  RTL_CLASS(TStreamBox, TStreamWidget)
public:
  using TStreamWidget::TStreamWidget;
  ~TStreamBox() override;
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return FParent; }
  void SetParentComponent(TComponent* value) override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void SetChildOrder(TComponent* child, int32_t order) override;
  std::vector<TStreamBox*> Kids;

private:
  TComponent* FParent = nullptr;
};

class TStreamForm : public TComponent {
  RTL_CLASS(TStreamForm, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TStreamForm(TComponent* owner) : TComponent(owner) {}
  void Loaded() override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void SetChildOrder(TComponent* child, int32_t order) override;

  void WidgetPing(TObject* sender);
  int Pings = 0;
  TObject* LastSender = nullptr;
  TStreamWidget* W1 = nullptr;  // published field, filled by name
  std::vector<TStreamBox*> Kids;
  String Title;
};

// The form whose resource is compiled in from data/StreamResForm.dfm.
class TStreamResForm : public TStreamForm {
  RTL_CLASS(TStreamResForm, TStreamForm)
public:
  using TStreamForm::TStreamForm;
};

// Registers the model's classes with the class registry once.
void RegisterStreamModel();

std::vector<std::string>& StreamLog() {
  static std::vector<std::string> log;
  return log;
}

void TStreamFont::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TStreamFont*>(source)) {
    Name = s->Name;
    Size = s->Size;
    Style = s->Style;
    return;
  }
  inherited::Assign(source);
}

void TStreamItem::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TStreamItem*>(source)) {
    Caption = s->Caption;
    Width = s->Width;
    return;
  }
  inherited::Assign(source);
}

TStreamWidget::TStreamWidget(TComponent* owner)
    : TComponent(owner),
      Font(New<TStreamFont>()),
      Items(New<TOwnedCollection>(this, TStreamItem::StaticClass())),
      Lines(New<TStringList>()) {
  ConstructedLoading = ComponentState().Contains(csLoading);
}

TStreamWidget::~TStreamWidget() {
  Font->Free();
  Items->Free();
  Lines->Free();
}

void TStreamWidget::Loaded() {
  inherited::Loaded();
  StreamLog().push_back("Loaded " + Name());
}

void TStreamWidget::SetCaption(const String& v) {
  FCaption = v;
  LoadingWhenCaptionSet = ComponentState().Contains(csLoading);
}

void TStreamWidget::SetBuddy(TStreamWidget* v) {
  Buddy = v;
  if (v) v->FreeNotification(this);
}

void TStreamWidget::Notification(TComponent* c, TOperation op) {
  inherited::Notification(c, op);
  if (op == opRemove && c == Buddy) Buddy = nullptr;
}

void TStreamWidget::DefineProperties(TFiler* filer) {
  inherited::DefineProperties(filer);
  auto* ancestor = dynamic_cast<TStreamWidget*>(filer->Ancestor());
  filer->DefineProperty("Memo", TReaderProc(this, &TStreamWidget::ReadMemo), TWriterProc(this, &TStreamWidget::WriteMemo),
                        ancestor ? Memo != ancestor->Memo : !Memo.empty());
  filer->DefineBinaryProperty("Blob", TStreamProc(this, &TStreamWidget::ReadBlob),
                              TStreamProc(this, &TStreamWidget::WriteBlob), ancestor ? Blob != ancestor->Blob : !Blob.empty());
  // A name older streams used for Caption: read, never written.
  filer->DefineProperty("OldCaption", TReaderProc([this](TReader* r) { SetCaption(r->ReadString()); }), nullptr, false);
}

void TStreamWidget::ReadMemo(TReader* r) {
  Memo.clear();
  r->ReadListBegin();
  while (!r->EndOfList()) Memo.push_back(r->ReadString());
  r->ReadListEnd();
}

void TStreamWidget::WriteMemo(TWriter* w) {
  w->WriteListBegin();
  for (const String& s : Memo) w->WriteString(s);
  w->WriteListEnd();
}

void TStreamWidget::ReadBlob(TStream* s) {
  Blob.resize(static_cast<size_t>(s->Size()));
  if (!Blob.empty()) s->ReadBuffer(Blob.data(), static_cast<int32_t>(Blob.size()));
}

void TStreamWidget::WriteBlob(TStream* s) { s->WriteBuffer(Blob.data(), static_cast<int32_t>(Blob.size())); }

TStreamBox::~TStreamBox() {
  // A damaged form can have a box freed before the boxes inside it: they must not keep its address.
  for (TStreamBox* kid : Kids) kid->FParent = nullptr;
  SetParentComponent(nullptr);
}

void TStreamBox::SetParentComponent(TComponent* value) {
  auto detach = [this](std::vector<TStreamBox*>& kids) { kids.erase(std::remove(kids.begin(), kids.end(), this), kids.end()); };
  if (auto* box = dynamic_cast<TStreamBox*>(FParent)) detach(box->Kids);
  if (auto* form = dynamic_cast<TStreamForm*>(FParent)) detach(form->Kids);
  FParent = value;
  if (auto* box = dynamic_cast<TStreamBox*>(value)) box->Kids.push_back(this);
  if (auto* form = dynamic_cast<TStreamForm*>(value)) form->Kids.push_back(this);
}

void TStreamBox::GetChildren(TGetChildProc proc, TComponent* root) {
  for (TStreamBox* kid : Kids)
    if (kid->Owner() == root) proc(kid);
}

void TStreamBox::SetChildOrder(TComponent* child, int32_t order) {
  auto it = std::find(Kids.begin(), Kids.end(), child);
  if (it == Kids.end()) return;
  Kids.erase(it);
  Kids.insert(Kids.begin() + std::min<size_t>(static_cast<size_t>(order), Kids.size()), static_cast<TStreamBox*>(child));
}

void TStreamForm::Loaded() {
  inherited::Loaded();
  StreamLog().push_back("Loaded " + Name());
}

// Boxes whose parent is the form first (as controls), then the owned components without a parent.
void TStreamForm::GetChildren(TGetChildProc proc, TComponent* root) {
  for (TStreamBox* kid : Kids)
    if (kid->Owner() == root) proc(kid);
  if (root == this)
    for (int32_t i = 0; i < ComponentCount(); ++i)
      if (!Components(i)->HasParent()) proc(Components(i));
}

void TStreamForm::SetChildOrder(TComponent* child, int32_t order) {
  if (child->HasParent()) return;
  child->SetComponentIndex(order);
}

void TStreamForm::WidgetPing(TObject* sender) {
  ++Pings;
  LastSender = sender;
}

RTL_PUBLISHED(TStreamFont) {
  prop("Name", &TStreamFont::Name, &TStreamFont::Name);
  prop("Size", &TStreamFont::Size, &TStreamFont::Size).Default(8);
  prop("Style", &TStreamFont::Style, &TStreamFont::Style).Default(TStreamFlags{});
}

RTL_PUBLISHED(TStreamItem) {
  prop("Caption", &TStreamItem::Caption, &TStreamItem::Caption);
  prop("Width", &TStreamItem::Width, &TStreamItem::Width).Default(64);
}

RTL_PUBLISHED(TStreamWidget) {
  prop("Caption", &TStreamWidget::Caption, &TStreamWidget::SetCaption);
  prop("Count", &TStreamWidget::Count, &TStreamWidget::Count).Default(0);
  prop("Enabled", &TStreamWidget::Enabled, &TStreamWidget::Enabled).Default(true);
  prop("Shape", &TStreamWidget::Shape, &TStreamWidget::Shape).Default(ssCircle);
  prop("Flags", &TStreamWidget::Flags, &TStreamWidget::Flags).Default(TStreamFlags{});
  prop("Ratio", &TStreamWidget::Ratio, &TStreamWidget::Ratio);
  prop("Scale", &TStreamWidget::Scale, &TStreamWidget::Scale);
  prop("Price", &TStreamWidget::Price, &TStreamWidget::Price);
  prop("When", &TStreamWidget::When, &TStreamWidget::When).Type(TypeInfoDateTime());
  prop("Big", &TStreamWidget::Big, &TStreamWidget::Big).Default(0);
  prop("Wide", &TStreamWidget::Wide, &TStreamWidget::Wide);
  prop("Letter", &TStreamWidget::Letter, &TStreamWidget::Letter).Default(0);
  prop("Data", &TStreamWidget::Data, &TStreamWidget::Data);
  prop("Hidden", &TStreamWidget::Hidden, &TStreamWidget::Hidden).Default(0).Stored(false);
  prop("Cached", &TStreamWidget::Cached, &TStreamWidget::Cached).Default(0).Stored([](TStreamWidget& w) { return w.Count > 0; });
  prop("Font", &TStreamWidget::Font, &TStreamWidget::SetFont);
  prop("Items", &TStreamWidget::Items, &TStreamWidget::SetItems);
  prop("Lines", &TStreamWidget::Lines, &TStreamWidget::SetLines);
  prop("Buddy", &TStreamWidget::Buddy, &TStreamWidget::SetBuddy);
  event("OnPing", &TStreamWidget::OnPing, &TStreamWidget::OnPing);
}

RTL_PUBLISHED(TStreamForm) {
  prop("Title", &TStreamForm::Title, &TStreamForm::Title);
  method("WidgetPing", &TStreamForm::WidgetPing);
  field("W1", &TStreamForm::W1);
}

void RegisterStreamModel() {
  static bool done = [] {
    RegisterClasses({TStreamWidget::StaticClass(), TStreamBox::StaticClass(), TStreamForm::StaticClass()});
    return true;
  }();
  (void)done;
}

// ---------------------------------------------------------------------------------------------------

namespace {

// A form with two widgets (one referring forward to the other), a box holding a box, every kind of value.
TStreamForm* BuildForm() {
  RegisterStreamModel();
  auto* form = New<TStreamForm>(nullptr);
  form->SetName("Form1");
  form->Title = "Main";
  auto* w1 = New<TStreamWidget>(form);
  w1->SetName("W1");
  auto* w2 = New<TStreamWidget>(form);
  w2->SetName("W2");
  w1->SetCaption("It's \xC3\xBC\xC3\xAF\r\n");
  w1->Count = -40000;
  w1->Enabled = false;
  w1->Shape = ssTriangle;
  w1->Flags = TStreamFlags{sfBold, sfUnderline};
  w1->Ratio = 0.1;
  w1->Scale = 1.5f;
  w1->Price = Currency::FromScaled(123456789);
  w1->When = 45000.25;
  w1->Big = int64_t(1) << 40;
  w1->Wide = u"\u0416\u0436";
  w1->Letter = 'Q';
  w1->Data = Variant(int16_t(-300));
  w1->Font->Size = 12;
  w1->Font->Style = TStreamFlags{sfItalic};
  w1->Lines->Add("first");
  w1->Lines->Add(String(300, 'x'));
  for (const char* c : {"Alpha", "Beta"}) static_cast<TStreamItem*>(w1->Items->Add())->Caption = c;
  static_cast<TStreamItem*>(w1->Items->Items(1))->Width = 100;
  w1->Memo = {"one", "two"};
  w1->Blob = {0x00, 0x01, 0xAB, 0xFF};
  w1->OnPing = TNotifyEvent(form, &TStreamForm::WidgetPing);
  w1->SetBuddy(w2);
  w2->SetBuddy(w1);
  w2->SetTag(7);
  w1->Hidden = 5;
  w1->Cached = 6;
  w2->Cached = 6;
  w2->Count = 1;
  w2->SetDesignInfo(10 | (20 << 16));
  auto* outer = New<TStreamBox>(form);
  outer->SetName("Outer");
  outer->SetParentComponent(form);
  auto* inner = New<TStreamBox>(form);
  inner->SetName("Inner");
  inner->SetParentComponent(outer);
  inner->SetCaption("in");
  return form;
}

TStreamForm* ReadForm(const String& data) {
  RegisterStreamModel();
  return static_cast<TStreamForm*>(ReadComponentFromText(data, nullptr));
}

}  // namespace

TEST(StreamingTest, TreeSurvivesBinaryTextBinaryAndReadsBackEqual) {
  TStreamForm* form = BuildForm();
  String binary = ComponentToBinary(form);
  String text = ObjectBinaryToText(binary);
  // The text form is a fixed point of the conversions. (Bytes may differ where the text form has one
  // notation for two tags: wide strings come back as UTF-8 strings.)
  EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(text)), text);

  TStreamForm* copy = ReadForm(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Name(), "Form1");
  EXPECT_EQ(copy->Title, "Main");
  ASSERT_EQ(copy->ComponentCount(), 4);
  auto* w1 = dynamic_cast<TStreamWidget*>(copy->FindComponent("W1"));
  auto* w2 = dynamic_cast<TStreamWidget*>(copy->FindComponent("W2"));
  ASSERT_TRUE(w1 && w2);
  EXPECT_EQ(copy->W1, w1);  // the published field follows the name
  EXPECT_EQ(w1->Caption(), "It's \xC3\xBC\xC3\xAF\r\n");
  EXPECT_EQ(w1->Count, -40000);
  EXPECT_FALSE(w1->Enabled);
  EXPECT_EQ(w1->Shape, ssTriangle);
  EXPECT_TRUE(w1->Flags == (TStreamFlags{sfBold, sfUnderline}));
  EXPECT_EQ(w1->Ratio, 0.1);
  EXPECT_EQ(w1->Scale, 1.5f);
  EXPECT_EQ(w1->Price.Value, 123456789);
  EXPECT_EQ(w1->When, 45000.25);
  EXPECT_EQ(w1->Big, int64_t(1) << 40);
  EXPECT_EQ(w1->Wide, u"\u0416\u0436");
  EXPECT_EQ(w1->Letter, 'Q');
  EXPECT_EQ(VarType(w1->Data), varSmallint);
  EXPECT_EQ(w1->Data.AsInteger(), -300);
  EXPECT_TRUE(VarIsEmpty(w2->Data));
  EXPECT_EQ(w1->Font->Size, 12);
  EXPECT_EQ(w1->Font->Name, "Sans");
  EXPECT_TRUE(w1->Font->Style == (TStreamFlags{sfItalic}));
  ASSERT_EQ(w1->Lines->Count(), 2);
  EXPECT_EQ(w1->Lines->Strings(1), String(300, 'x'));
  ASSERT_EQ(w1->Items->Count(), 2);
  EXPECT_EQ(static_cast<TStreamItem*>(w1->Items->Items(0))->Caption, "Alpha");
  EXPECT_EQ(static_cast<TStreamItem*>(w1->Items->Items(0))->Width, 64);
  EXPECT_EQ(static_cast<TStreamItem*>(w1->Items->Items(1))->Width, 100);
  EXPECT_EQ(w1->Memo, (std::vector<String>{"one", "two"}));
  EXPECT_EQ(w1->Blob, (std::vector<uint8_t>{0x00, 0x01, 0xAB, 0xFF}));
  EXPECT_EQ(w1->Buddy, w2);  // a forward reference, fixed up after the tree was read
  EXPECT_EQ(w2->Buddy, w1);
  EXPECT_EQ(w2->Tag(), 7);
  EXPECT_EQ(w2->DesignInfo(), 10 | (20 << 16));
  // The event is bound by name to the new form's method.
  w1->OnPing(w1);
  EXPECT_EQ(copy->Pings, 1);
  EXPECT_EQ(copy->LastSender, w1);
  // Children nest under their parent.
  ASSERT_EQ(copy->Kids.size(), 1u);
  EXPECT_EQ(copy->Kids[0]->Name(), "Outer");
  ASSERT_EQ(copy->Kids[0]->Kids.size(), 1u);
  EXPECT_EQ(copy->Kids[0]->Kids[0]->Caption(), "in");
  EXPECT_EQ(copy->Kids[0]->Kids[0]->Owner(), copy);

  // Written again, the copy gives the same bytes.
  EXPECT_EQ(ComponentToBinary(copy), binary);
  copy->Free();
  form->Free();
}

TEST(StreamingTest, TextFormShowsOnlyNonDefaultValuesInThePlatformNotation) {
  TStreamForm* form = BuildForm();
  String text = ComponentToText(form);
  const char* expected[] = {
      "object Form1: TStreamForm\r\n  Title = 'Main'\r\n",
      "  object Outer: TStreamBox\r\n    Font.Name = 'Sans'\r\n    Items = <>\r\n    object Inner: TStreamBox\r\n"
      "      Caption = 'in'\r\n",
      "  object W1: TStreamWidget\r\n    Caption = 'It'#39's '#252#239#13#10\r\n    Count = -40000\r\n"
      "    Enabled = False\r\n    Shape = ssTriangle\r\n    Flags = [sfBold, sfUnderline]\r\n    Ratio = 0.1\r\n",
      "    Scale = 1.5s\r\n    Price = 123456789c\r\n    When = 45000.25d\r\n    Big = 1099511627776\r\n"
      "    Wide = #1046#1078\r\n    Letter = 'Q'\r\n    Data = -300\r\n    Font.Name = 'Sans'\r\n    Font.Size = 12\r\n    Font.Style = [sfItalic]\r\n"
      "    Items = <\r\n      item\r\n        Caption = 'Alpha'\r\n      end\r\n      item\r\n        Caption = 'Beta'\r\n"
      "        Width = 100\r\n      end>\r\n    Lines.Strings = (\r\n      'first'\r\n      \r\n        'xxxx",
      "' +\r\n        'xxxx",
      "    Buddy = W2\r\n    OnPing = WidgetPing\r\n    Memo = (\r\n      'one'\r\n      'two')\r\n"
      "    Blob = {\r\n      0001ABFF}\r\n  end\r\n",
      "  object W2: TStreamWidget\r\n    Tag = 7\r\n    Count = 1\r\n    Cached = 6\r\n    Font.Name = 'Sans'\r\n    Items = <>\r\n    Buddy = W1\r\n    Left = 10\r\n    Top = 20\r\n  end\r\nend\r\n",
  };
  for (const char* piece : expected) EXPECT_NE(text.find(piece), String::npos) << piece << "\n---\n" << text;
  // Defaults stay out: W2's Enabled and Count, item widths of 64; strings are written unless empty.
  EXPECT_EQ(text.find("Count = 0"), String::npos);
  // Stored rules: Hidden never, Cached only where Count is positive (W2, not W1).
  EXPECT_EQ(text.find("Hidden"), String::npos);
  EXPECT_EQ(text.find("Cached"), text.rfind("Cached"));
  EXPECT_EQ(text.find("Enabled = True"), String::npos);
  EXPECT_NE(text.find("Font.Name = 'Sans'"), String::npos);
  EXPECT_EQ(text.find("Width = 64"), String::npos);
  EXPECT_NE(text.find("    Items = <>\r\n"), String::npos);
  form->Free();
}

TEST(StreamingTest, LoadedRunsAfterTheWholeTreeInReadingOrderWithCsLoadingMeanwhile) {
  TStreamForm* form = BuildForm();
  String binary = ComponentToBinary(form);
  form->Free();
  StreamLog().clear();
  TStreamForm* copy = ReadForm(binary);
  // The root first; every other component once its own children have been read, as the platform does.
  EXPECT_EQ(StreamLog(), (std::vector<std::string>{"Loaded Form1", "Loaded Inner", "Loaded Outer", "Loaded W1", "Loaded W2"}));
  auto* w1 = static_cast<TStreamWidget*>(copy->FindComponent("W1"));
  EXPECT_TRUE(w1->ConstructedLoading);
  EXPECT_TRUE(w1->LoadingWhenCaptionSet);
  EXPECT_FALSE(w1->ComponentState().Contains(csLoading));
  EXPECT_FALSE(copy->ComponentState().Contains(csLoading));
  // Made in code, a widget is not loading.
  auto* fresh = New<TStreamWidget>(copy);
  EXPECT_FALSE(fresh->ConstructedLoading);
  copy->Free();
}

TEST(StreamingTest, UnknownPropertyIsSkippedThroughTheErrorHook) {
  RegisterStreamModel();
  const String text =
      "object Form1: TStreamForm\n"
      "  object W1: TStreamWidget\n"
      "    Bogus = (1 'two' [a, b])\n"
      "    Count = 3\n"
      "    Shape = ssOval\n"
      "    Caption = 'kept'\n"
      "  end\n"
      "end\n";
  // Without a hook the first error ends the read.
  try {
    ReadForm(text);
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Error reading W1.Bogus: Property Bogus does not exist");
  }

  String bin = ObjectTextToBinary(text);
  TStringStream in(bin);
  auto* form = New<TStreamForm>(nullptr);
  std::vector<String> errors;
  {
    TReader reader(&in, 4096);
    reader.OnError = [&](TReader*, const String& msg, bool& handled) {
      errors.push_back(msg);
      handled = true;
    };
    reader.ReadRootComponent(form);
  }
  EXPECT_EQ(errors, (std::vector<String>{"Error reading W1.Bogus: Property Bogus does not exist",
                                         "Error reading W1.Shape: Invalid property value"}));
  auto* w1 = static_cast<TStreamWidget*>(form->FindComponent("W1"));
  EXPECT_EQ(w1->Count, 3);
  EXPECT_EQ(w1->Shape, ssCircle);
  EXPECT_EQ(w1->Caption(), "kept");
  EXPECT_EQ(in.Position(), in.Size());
  form->Free();
}

TEST(StreamingTest, LegacyNamesReachTheirPropertiesThroughDefinePropertiesOrTheNotFoundHook) {
  RegisterStreamModel();
  const String text =
      "object Form1: TStreamForm\n"
      "  object W1: TStreamWidget\n"
      "    OldCaption = 'legacy'\n"
      "    Number = 5\n"
      "    Junk = 'x'\n"
      "  end\n"
      "end\n";
  TStringStream in(ObjectTextToBinary(text));
  auto* form = New<TStreamForm>(nullptr);
  {
    TReader reader(&in, 4096);
    reader.OnPropertyNotFound = [](TReader*, TPersistent*, String& name, bool, bool&, bool& skip) {
      if (name == "Number")
        name = "Count";
      else
        skip = true;
    };
    reader.ReadRootComponent(form);
  }
  auto* w1 = static_cast<TStreamWidget*>(form->FindComponent("W1"));
  EXPECT_EQ(w1->Caption(), "legacy");
  EXPECT_EQ(w1->Count, 5);
  form->Free();
}

TEST(StreamingTest, MissingEventHandlerFailsUnlessTheFindMethodHookAccepts) {
  RegisterStreamModel();
  const String text =
      "object Form1: TStreamForm\n  object W1: TStreamWidget\n    OnPing = NoSuchHandler\n  end\nend\n";
  EXPECT_THROW(ReadForm(text), EReadError);
  TStringStream in(ObjectTextToBinary(text));
  auto* form = New<TStreamForm>(nullptr);
  {
    TReader reader(&in, 4096);
    reader.OnFindMethod = [form](TReader*, const String& name, TMethod& method, bool& error) {
      EXPECT_EQ(name, "NoSuchHandler");
      method = FindMethod(form, "WidgetPing");
      error = false;
    };
    reader.ReadRootComponent(form);
  }
  auto* w1 = static_cast<TStreamWidget*>(form->FindComponent("W1"));
  w1->OnPing(nullptr);
  EXPECT_EQ(form->Pings, 1);
  form->Free();
}

TEST(StreamingTest, UnknownClassIsReported) {
  RegisterStreamModel();
  try {
    ReadForm("object Form1: TStreamForm\n  object X: TNoSuchClass\n  end\nend\n");
    ADD_FAILURE();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TNoSuchClass not found");
  }
}

TEST(StreamingTest, DescendentWritesOnlyWhatDiffersFromTheAncestor) {
  TStreamForm* ancestor = BuildForm();
  TStreamForm* form = BuildForm();
  auto* w2 = static_cast<TStreamWidget*>(form->FindComponent("W2"));
  w2->SetCaption("changed");
  TStringStream s;
  {
    TWriter writer(&s, 4096);
    writer.WriteDescendent(form, ancestor);
  }
  String text = ObjectBinaryToText(s.DataString());
  EXPECT_EQ(text,
            "inherited Form1: TStreamForm\r\n"
            "  inherited Outer: TStreamBox\r\n"
            "    inherited Inner: TStreamBox\r\n"
            "    end\r\n"
            "  end\r\n"
            "  inherited W1: TStreamWidget\r\n"
            "  end\r\n"
            "  inherited W2: TStreamWidget\r\n"
            "    Caption = 'changed'\r\n"
            "  end\r\n"
            "end\r\n");
  // Read over a form made from the ancestor, the inherited entries address its existing components.
  TStreamForm* target = BuildForm();
  TStringStream in(s.DataString());
  ReadComponentFromStream(&in, target);
  EXPECT_EQ(static_cast<TStreamWidget*>(target->FindComponent("W2"))->Caption(), "changed");
  EXPECT_EQ(target->ComponentCount(), 4);
  target->Free();
  form->Free();
  ancestor->Free();
}

TEST(StreamingTest, FormResourceReadsIntoAnExistingRoot) {
  RegisterStreamModel();
  RegisterFormResource("TStreamForm",
                       "object StreamForm1: TStreamForm\n  Title = 'From resource'\n"
                       "  object W1: TStreamWidget\n    Count = 2\n  end\nend\n");
  auto* form = New<TStreamForm>(nullptr);
  EXPECT_TRUE(InitInheritedComponent(form, TComponent::StaticClass()));
  EXPECT_EQ(form->Name(), "StreamForm1");
  EXPECT_EQ(form->Title, "From resource");
  ASSERT_NE(form->W1, nullptr);
  EXPECT_EQ(form->W1->Count, 2);
  EXPECT_FALSE(ReadComponentResource(form, "TNothing"));
  EXPECT_NE(FormResourceText("tstreamform").find("From resource"), String::npos);
  UnregisterFormResource("TStreamForm");
  form->Free();
}

TEST(StreamingTest, CollectionNamePathComesFromTheOwnersPublishedProperty) {
  TStreamForm* form = BuildForm();
  auto* w1 = static_cast<TStreamWidget*>(form->FindComponent("W1"));
  EXPECT_EQ(w1->Items->Items(1)->GetNamePath(), "W1.Items[1]");
  form->Free();
}

TEST(StreamingTest, CompiledInFormResourceIsRegisteredAtStartAndReads) {
  RegisterStreamModel();
  ASSERT_TRUE(FormResourceExists("TStreamResForm"));
  auto* form = New<TStreamResForm>(nullptr);
  EXPECT_TRUE(InitInheritedComponent(form, TStreamForm::StaticClass()));
  EXPECT_EQ(form->Name(), "ResForm");
  EXPECT_EQ(form->Title, "\xD0\xA0\xD0\xB5\xD0\xB7\xD0\xB5\xD1\x80\xD0\xB2\xD0\xBD\xD1\x8B\xD0\xB5 "
                         "\xD0\xBA\xD0\xBE\xD0\xBF\xD0\xB8\xD0\xB8");
  ASSERT_EQ(form->Kids.size(), 1u);
  EXPECT_EQ(form->Kids[0]->Caption(), "\xD0\x91\xD0\xB0\xD0\xB7\xD0\xB0");
  EXPECT_TRUE(form->Kids[0]->Kids[0]->Flags == (TStreamFlags{sfBold}));
  ASSERT_NE(form->W1, nullptr);
  EXPECT_EQ(form->W1->Lines->Text(), "SELECT * FROM projects ORDER BY name\r\n");
  EXPECT_EQ(form->W1->DesignInfo(), 8 | (16 << 16));
  form->W1->OnPing(form);
  EXPECT_EQ(form->Pings, 1);
  form->Free();
}

TEST(StreamingTest, ComponentOfUnknownClassIsSkippedWholeWhenTheHookAccepts) {
  RegisterStreamModel();
  const String text =
      "object Form1: TStreamForm\n"
      "  object Gone: TNoSuchClass\n"
      "    Caption = 'x'\n"
      "    object Inside: TStreamWidget\n"
      "    end\n"
      "  end\n"
      "  object W1: TStreamWidget\n"
      "    Buddy = Nobody\n"
      "    Count = 1\n"
      "  end\n"
      "end\n";
  TStringStream in(ObjectTextToBinary(text));
  auto* form = New<TStreamForm>(nullptr);
  std::vector<String> errors;
  {
    TReader reader(&in, 4096);
    reader.OnError = [&](TReader*, const String& msg, bool& handled) {
      errors.push_back(msg);
      handled = true;
    };
    reader.ReadRootComponent(form);
  }
  EXPECT_EQ(errors, (std::vector<String>{"Class TNoSuchClass not found"}));
  ASSERT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(form->W1->Count, 1);
  EXPECT_EQ(form->W1->Buddy, nullptr);  // an unresolved reference leaves the property alone
  form->Free();
}

// ---------------------------------------------------------------------------------------------------
// Damaged forms

namespace {
// A 4-byte little-endian count.
String Count4(uint32_t v) {
  String s(4, '\0');
  for (int b = 0; b < 4; ++b) s[static_cast<size_t>(b)] = static_cast<char>(v >> (8 * b));
  return s;
}
// A binary form of one TStreamWidget whose first property entry starts with `value`.
String WidgetWithValue(const String& property, const String& value) {
  return String("TPF0") + "\x0DTStreamWidget" + String(1, '\0') + static_cast<char>(property.size()) + property +
         value;
}
}  // namespace

TEST(StreamingTest, DamagedCountsAndNestingRaiseReadErrorsWithoutAllocatingThem) {
  RegisterStreamModel();
  struct Case {
    const char* name;
    String form;
  } cases[] = {
      // 15 bytes that claim a string of 2 GiB.
      {"long string", String("TPF0\x01" "A") + String(1, '\0') + "\x01P\x0C" + Count4(0x7FFFFFFF)},
      {"long string in a widget", WidgetWithValue("Caption", "\x0C" + Count4(0x7FFFFFFF) + "abc")},
      {"UTF-8 string", WidgetWithValue("Caption", "\x14" + Count4(0x40000000))},
      {"wide string", WidgetWithValue("Wide", "\x12" + Count4(0x7FFFFFFF) + "ab")},
      {"wide string as text", WidgetWithValue("Caption", "\x12" + Count4(0x10000000))},
      {"negative length", WidgetWithValue("Caption", "\x0C" + Count4(0xFFFFFFF0))},
      {"binary", WidgetWithValue("Blob", "\x0A" + Count4(0x7FFFFFF0) + "xyz")},
      {"skipped binary", WidgetWithValue("NoSuchProperty", "\x0A" + Count4(0x7FFFFFF0))},
      {"skipped wide string", WidgetWithValue("NoSuchProperty", "\x12" + Count4(0x7FFFFFF0))},
      {"nested lists", WidgetWithValue("Data", String(100000, '\x01'))},
      {"nested collections", [] {
         String s;
         for (int i = 0; i < 50000; ++i) s += "\x0E\x01\x01P";
         return WidgetWithValue("NoSuchProperty", s);
       }()},
      // Each component the child of the one before.
      {"nested components", [] {
         String s = "TPF0";
         for (int i = 0; i < 50000; ++i) s += String("\x0DTStreamWidget") + String(2, '\0');
         return s;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(ObjectBinaryToText(c.form), EReadError);
    TStringStream in(c.form);
    EXPECT_THROW(ReadComponentFromStream(&in, nullptr), Exception);
  }
}

TEST(StreamingTest, DeeplyNestedTextIsRefused) {
  RegisterStreamModel();
  String lists = "object W: TStreamWidget\n  Data = " + String(100000, '(') + "\nend\n";
  String objects;
  for (int i = 0; i < 50000; ++i) objects += "object W: TStreamWidget\n";
  String fine = "object W: TStreamWidget\n  Memo = (((((1)))))\nend\n";
  EXPECT_THROW(ObjectTextToBinary(lists), EParserError);
  EXPECT_THROW(ObjectTextToBinary(objects), EParserError);
  EXPECT_NO_THROW(ObjectTextToBinary(fine));
}

TEST(StreamingTest, MutatedBinaryFormsFailCleanly) {
  TStreamForm* form = BuildForm();
  const String binary = ComponentToBinary(form);
  form->Free();
  mutation::RunStream(binary, [](TStream* in) {
    TComponent* c = ReadComponentFromStream(in, nullptr);
    if (c) c->Free();
  });
  mutation::Limits other;
  other.Seed = 7;
  mutation::Run(binary, [](const std::string& input) { ObjectBinaryToText(input); }, other);
}

TEST(StreamingTest, MutatedTextFormsFailCleanly) {
  TStreamForm* form = BuildForm();
  const String text = ComponentToText(form);
  form->Free();
  mutation::Run(text, [](const std::string& input) {
    TComponent* c = ReadComponentFromText(input, nullptr);
    if (c) c->Free();
  });
}
