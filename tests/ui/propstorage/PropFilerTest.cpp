// The property filer: the stream of the program's stored paths, the form interceptor (restored bounds,
// window state, resolution, work area), nested objects, collection items, references, and damaged input.

#include "MutationLoop.h"
#include "PropStorageSupport.h"
#include "rtl/TypInfo.h"

using namespace pst;

// Published tables are registered at global scope, so the classes that have one live there.
class TTestColumn : public TCollectionItem {
  RTL_CLASS(TTestColumn, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  explicit TTestColumn(TCollection* c) : TCollectionItem(c) {}
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t v) { FWidth = v; }
  String Caption() const { return FCaption; }
  void SetCaption(const String& v) { FCaption = v; }

private:
  int32_t FWidth = 64;
  String FCaption;
};

RTL_PUBLISHED(TTestColumn) {
  prop("Caption", &TTestColumn::Caption, &TTestColumn::SetCaption);
  prop("Width", &TTestColumn::Width, &TTestColumn::SetWidth);
}

class ITestLink : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{6F1D1B52-3C1E-4F0B-9E55-2B0D7A1C9E01}");
};

// A component that hands out the interface without counting references, as components do.
class TLinkTarget : public TComponent, public ITestLink {
  RTL_CLASS(TLinkTarget, TComponent)
public:
  explicit TLinkTarget(TComponent* AOwner) : TComponent(AOwner) {}
  int32_t QueryInterface(const TGUID&, void** obj) override {
    *obj = nullptr;
    return RTL_E_NOINTERFACE;
  }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
};

// A window with a collection and an interface reference of its own.
class TGridForm : public TForm {
  RTL_CLASS(TGridForm, TForm)
  RTL_PUBLISHED_DECL
public:
  explicit TGridForm(TComponent* AOwner)
      : TForm(AOwner, 0), FColumns(New<TOwnedCollection>(this, TTestColumn::StaticClass())) {}
  ~TGridForm() override { FColumns->Free(); }
  void BeforeDestruction() override {
    FLink = nullptr;  // the component behind it goes with the form's components
    inherited::BeforeDestruction();
  }
  TOwnedCollection* Columns() const { return FColumns; }
  void SetColumns(TOwnedCollection* v) { FColumns->Assign(v); }
  IPtr<ITestLink> Link() const { return FLink; }
  void SetLink(const IPtr<ITestLink>& v) { FLink = v; }
  void AddColumns(int n) {
    for (int i = 0; i < n; ++i) static_cast<TTestColumn*>(FColumns->Add())->SetWidth(10 * (i + 1));
  }
  int32_t ColumnWidth(int i) const { return static_cast<TTestColumn*>(FColumns->Items(i))->Width(); }

private:
  TOwnedCollection* FColumns;
  IPtr<ITestLink> FLink;
};

RTL_PUBLISHED(TGridForm) {
  prop("Columns", &TGridForm::Columns, &TGridForm::SetColumns);
  prop("Link", &TGridForm::Link, &TGridForm::SetLink);
}

namespace {

class PropFilerTest : public PropStorageTest {
protected:
  void SetUp() override {
    PropStorageTest::SetUp();
    RegisterClass(TGridForm::StaticClass());
  }
  static TGridForm* MakeGrid(int columns, const char* name = "fmGrid") {
    auto* form = New<TGridForm>(Application);
    form->SetName(name);
    form->AddColumns(columns);
    return form;
  }
  static String Binary(const String& text) { return ObjectTextToBinary(text); }
  static String Text(const String& binary) { return ObjectBinaryToText(binary); }
};

String Short(const String& s) { return String(1, static_cast<char>(s.size())) + s; }

TEST_F(PropFilerTest, GoldenStreamOfTheProgramsSevenPaths) {
  TfmMain* form = MakeMain();
  TPropertyNamesEh* paths = New<TPropertyNamesEh>();
  AddProgramPaths(paths);
  const String stream = Write(form, paths);
  paths->Free();

  String expected = "TPF0" + Short("TfmMain") + Short("fmMain");
  expected += Short("Height") + String("\x03\xE0\x01", 3);
  expected += Short("Left") + String("\x02\x64", 2);
  expected += Short("PixelsPerInch") + String("\x02\x60", 2);
  expected += Short("Top") + String("\x02\x32", 2);
  expected += Short("Width") + String("\x03\x80\x02", 3);
  expected += Short("WindowState") + String("\x07", 1) + Short("wsNormal");
  expected += String(1, '\0');
  expected += Short("TcxPageControl") + Short("pcAll") + Short("Tag") + String("\x02\x03", 2);
  expected += String(3, '\0');
  EXPECT_EQ(Hex(stream), Hex(expected));
  EXPECT_EQ(Hex(stream).substr(0, 52), "545046300754666D4D61696E06666D4D61696E06486569676874");
  // The platform's routines read it as a form file.
  EXPECT_NE(Text(stream).find("object pcAll: TcxPageControl"), String::npos);

  // Read back onto a window that was moved meanwhile.
  TfmMain* other = MakeMain("fmOther");
  other->SetBounds(0, 0, 300, 200);
  PageControl(other)->SetTag(0);
  Read(other, stream);
  EXPECT_EQ(other->BoundsRect(), (RECT{100, 50, 740, 530}));
  EXPECT_EQ(PageControl(other)->Tag(), 3);
  other->Free();
  form->Free();
}

TEST_F(PropFilerTest, MaximizedWindowStoresItsRestoredBoundsAndComesBackMaximized) {
  TfmMain* form = MakeMain();
  form->Show();
  form->SetBounds(100, 80, 500, 400);
  form->SetWindowState(wsMaximized);
  ASSERT_EQ(form->WindowState(), wsMaximized);
  ASSERT_NE(form->Width(), 500);
  const String stream = Write(form, {"<P>.Height", "<P>.Left", "<P>.Top", "<P>.Width", "<P>.WindowState"});
  const String text = Text(stream);
  for (const char* line : {"Left = 100", "Top = 80", "Width = 500", "Height = 400", "WindowState = wsMaximized"})
    EXPECT_NE(text.find(line), String::npos) << line;

  form->SetWindowState(wsNormal);
  form->SetBounds(10, 10, 200, 150);
  Read(form, stream);
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_EQ(GetFormNormalBounds(form), (RECT{100, 80, 600, 480}));
  form->SetWindowState(wsNormal);  // restoring gives the stored rectangle
  EXPECT_EQ(form->BoundsRect(), (RECT{100, 80, 600, 480}));
  form->Free();
}

TEST_F(PropFilerTest, StoredBoundsFollowTheScreenResolution) {
  struct Case {
    int32_t storedPpi, screenPpi;
    RECT expected;
  };
  // 96 -> 120 multiplies by 120/96; a stored resolution of 0 or less says nothing and scales nothing.
  const Case cases[] = {{96, 120, {120, 60, 620, 435}},
                        {120, 120, {96, 48, 496, 348}},
                        {0, 120, {96, 48, 496, 348}},
                        {-1, 120, {96, 48, 496, 348}},
                        {144, 96, {64, 32, 331, 232}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.storedPpi);
    Screen->SetPixelsPerInch(96);
    TfmMain* form = MakeMain();
    form->SetBounds(96, 48, 400, 300);
    form->SetPixelsPerInch(c.storedPpi);
    const String stream = Write(form, {"<P>.Height", "<P>.Left", "<P>.PixelsPerInch", "<P>.Top", "<P>.Width"});
    form->SetBounds(0, 0, 100, 100);
    Screen->SetPixelsPerInch(c.screenPpi);
    Read(form, stream);
    EXPECT_EQ(form->BoundsRect(), c.expected);
    form->Free();
  }
  Screen->SetPixelsPerInch(96);
}

TEST_F(PropFilerTest, StoredBoundsAreClampedOntoTheWorkArea) {
  RECT work{0, 0, 1024, 740};
  SystemParametersInfo(SPI_SETWORKAREA, 0, &work, 0);
  struct Case {
    RECT stored, expected;
  };
  const Case cases[] = {{{3000, 100, 3400, 400}, {624, 100, 1024, 400}},     // a monitor since removed
                        {{-500, -50, -100, 250}, {0, 0, 400, 300}},          // left of and above the screen
                        {{10, 10, 2010, 1010}, {0, 0, 1024, 740}},           // larger than the work area
                        {{200, 600, 600, 900}, {200, 440, 600, 740}},        // over the task bar
                        {{100, 100, 500, 400}, {100, 100, 500, 400}}};       // already on the screen
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.left);
    TfmMain* form = MakeMain();
    form->SetBoundsRect(c.stored);
    const String stream = Write(form, {"<P>.Height", "<P>.Left", "<P>.Top", "<P>.Width"});
    form->SetBounds(1, 1, 50, 50);
    Read(form, stream);
    EXPECT_EQ(form->BoundsRect(), c.expected);
    form->Free();
  }
}

TEST_F(PropFilerTest, CentredFormKeepsTheStoredPlaceOnlyWhenAPlaceWasRead) {
  TfmMain* form = MakeMain();
  form->SetPosition(poScreenCenter);
  Read(form, Write(form, {"<P>.Width"}));
  EXPECT_EQ(form->Position(), poScreenCenter);
  Read(form, Write(form, {"<P>.Left"}));
  EXPECT_EQ(form->Position(), poDesigned);
  form->Free();
}

TEST_F(PropFilerTest, ClassPropertiesWriteAllTheirPropertiesOrTheOneNamed) {
  TfmMain* form = MakeMain();
  form->Font()->SetName("Tahoma");
  const String all = Text(Write(form, {"<P>.Font"}));
  for (const char* name : {"Font.Charset", "Font.Color", "Font.Height", "Font.Name", "Font.Style"})
    EXPECT_NE(all.find(name), String::npos) << name;
  const String one = Write(form, {"<P>.Font.Name"});
  EXPECT_NE(Text(one).find("Font.Name = 'Tahoma'"), String::npos);
  EXPECT_EQ(Text(one).find("Font.Color"), String::npos);
  form->Font()->SetName("Arial");
  Read(form, one);
  EXPECT_EQ(form->Font()->Name(), "Tahoma");
  form->Free();
}

TEST_F(PropFilerTest, CollectionItemsAreAddressedOneByOneOrWhole) {
  TGridForm* form = MakeGrid(3);
  const String each = Write(form, {"<P>.Columns.<ForAllItems>.Width"});
  const String text = Text(each);
  for (const char* line : {"Columns.__Item0.Width = 10", "Columns.__Item1.Width = 20", "Columns.__Item2.Width = 30"})
    EXPECT_NE(text.find(line), String::npos) << line;
  EXPECT_NE(Text(Write(form, {"<P>.Columns.<Item1>"})).find("Columns.__Item1.Caption"), String::npos);
  EXPECT_THROW(Write(form, {"<P>.Columns.<Item7>.Width"}), Exception);  // beyond the items
  EXPECT_THROW(Write(form, {"<P>.Font.<ForAllItems>"}), Exception);  // not a collection

  TGridForm* other = MakeGrid(3, "fmOther");
  for (int i = 0; i < 3; ++i) static_cast<TTestColumn*>(other->Columns()->Items(i))->SetWidth(1);
  Read(other, each);
  EXPECT_EQ(other->ColumnWidth(2), 30);

  // Whole: a stored collection with items replaces the live items; one without items leaves them.
  const String whole = Write(form, {"<P>.Columns"});
  TGridForm* five = MakeGrid(5, "fmFive");
  Read(five, whole);
  EXPECT_EQ(five->Columns()->Count(), 3);
  EXPECT_EQ(five->ColumnWidth(1), 20);
  TGridForm* empty = MakeGrid(0, "fmEmpty");
  const String none = Write(empty, {"<P>.Columns"});
  Read(five, none);
  EXPECT_EQ(five->Columns()->Count(), 3);
  for (TGridForm* f : {form, other, five, empty}) f->Free();
}

TEST_F(PropFilerTest, ItemsPastTheCollectionsEndAreSkipped) {
  TGridForm* form = MakeGrid(3);
  Read(form, Binary("object fmGrid: TGridForm\r\n"
                    "  Columns.__Item1.Width = 11\r\n"
                    "  Columns.__Item5.Width = 55\r\n"
                    "  Columns.__Item99999999999.Width = 56\r\n"
                    "  Tag = 7\r\n"
                    "end\r\n"));
  EXPECT_EQ(form->Columns()->Count(), 3);
  EXPECT_EQ(form->ColumnWidth(1), 11);
  EXPECT_EQ(form->Tag(), 7);
  form->Free();
}

TEST_F(PropFilerTest, InterfaceStoredAsANameIsConsumedAndResolved) {
  TGridForm* form = MakeGrid(0);
  auto* target = New<TLinkTarget>(form);
  target->SetName("Target");
  form->SetLink(IPtr<ITestLink>(target));
  form->SetTag(5);
  const String stream = Write(form, {"<P>.Link", "<P>.Tag"});
  EXPECT_NE(Text(stream).find("Link = Target"), String::npos);

  form->SetLink(nullptr);
  form->SetTag(0);
  Read(form, stream);
  EXPECT_EQ(dynamic_cast<TLinkTarget*>(form->Link().get()), target);
  EXPECT_EQ(form->Tag(), 5);

  TGridForm* stranger = MakeGrid(0, "fmStranger");  // no component of that name: the name is still consumed
  Read(stranger, stream);
  EXPECT_EQ(stranger->Link().get(), nullptr);
  EXPECT_EQ(stranger->Tag(), 5);
  stranger->Free();
  form->Free();
}

TEST_F(PropFilerTest, DamagedEntriesAreDroppedAndTheRestIsRead) {
  struct Case {
    const char* name;
    String stream;
  };
  const String base = "object fmMain: TfmMain\r\n  Left = 10\r\n  WindowState = wsBogus\r\n  Top = 20\r\n"
                      "  Nothing = 1\r\n  Font.Nothing = 2\r\n  Tag.Sub = 3\r\n";
  const Case cases[] = {
      {"unknown names and values", Binary(base + "end\r\n")},
      {"surplus end marker", Binary(base + "end\r\n") + String(1, '\0')},
      {"component gone", Binary(base +
                                "  object gone: TPanel\r\n    Tag = 5\r\n    object deeper: TPanel\r\n    end\r\n  end\r\n"
                                "  object pcAll: TcxPageControl\r\n    Tag = 4\r\n  end\r\nend\r\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TfmMain* form = MakeMain();
    std::vector<String> errors;
    TStringStream s(c.stream);
    TPropReaderEh reader(&s);
    reader.OnError = [&](TReader*, const String& message, bool&) { errors.push_back(message); };
    reader.ReadStoredProps(form);
    EXPECT_EQ(form->Left(), 10);
    EXPECT_EQ(form->Top(), 20);
    EXPECT_EQ(form->WindowState(), wsNormal);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0], "Error reading fmMain.WindowState: Invalid property value");
    if (String(c.name) == "component gone") {
      EXPECT_EQ(PageControl(form)->Tag(), 4);
    }
    form->Free();
  }
}

TEST_F(PropFilerTest, DirectPropertiesAreOfferedToTheReadHookFirst) {
  TfmMain* form = MakeMain();
  const String stream = Write(form, {"<P>.Font.Name", "<P>.Tag"});
  form->SetTag(9);
  std::vector<String> offered;
  TStringStream s(stream);
  TPropReaderEh reader(&s);
  reader.OnReadDirectProp = [&](TPropReaderEh* r, const String& name, bool& processed) {
    offered.push_back(name);
    if (name == "Tag") {
      EXPECT_EQ(r->ReadInteger(), 0);
      processed = true;
    }
  };
  reader.ReadStoredProps(form);
  EXPECT_EQ(offered, std::vector<String>{"Tag"});  // not the dotted path
  EXPECT_EQ(form->Tag(), 9);
  form->Free();
}

TEST_F(PropFilerTest, WriterRefusesBadPaths) {
  TfmMain* form = MakeMain();
  struct Case {
    const char* path;
    const char* message;
  };
  const Case cases[] = {{"Height", "Component name is empty."},
                        {".<P>.Height", "Component name is empty."},
                        {"<P>.", "Property name is empty."},
                        {"<P>.Nothing", "Invalide property name: Nothing"}};
  for (const Case& c : cases) {
    try {
      Write(form, {c.path});
      ADD_FAILURE() << c.path;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message) << c.path;
    }
  }
  // A component that no longer exists: its path is skipped.
  const String stream = Write(form, {"<P>.Left", "gone.<P>.Tag"});
  EXPECT_EQ(Text(stream).find("gone"), String::npos);
  form->Free();
}

TEST_F(PropFilerTest, DefinedPropertiesGoThroughTheirOwnRoutines) {
  // A component's designer position is a property it defines for the filer, not one it publishes.
  auto* module = New<TComponent>(nullptr);
  module->SetName("dmMain");
  module->SetDesignInfo((20 << 16) | 10);
  const String stream = Write(module, {"<P>.Left", "<P>.Top"});
  const String text = Text(stream);
  EXPECT_NE(text.find("Left = 10"), String::npos);
  EXPECT_NE(text.find("Top = 20"), String::npos);
  auto* other = New<TComponent>(nullptr);
  Read(other, stream);
  EXPECT_EQ(other->DesignInfo(), (20 << 16) | 10);

  TPropertyNamesEh* list = New<TPropertyNamesEh>();
  list->SetOwner(module);
  EXPECT_TRUE(list->CheckPropertyPath("<P>.Left"));
  EXPECT_FALSE(list->CheckPropertyPath("<P>.Left.Low"));  // a defined property ends the path
  list->Free();
  other->Free();
  module->Free();
}

TEST_F(PropFilerTest, ComponentsOfTheFormWithoutAParentAreItsChildrenToo) {
  TfmMain* form = MakeMain();
  auto* manager = New<TRegPropStorageManEh>(form);
  manager->SetName("RegPropStorage");
  manager->SetPath("Software\\First");
  const String stream = Write(form, {"<P>.Left", "RegPropStorage.<P>.Path", "pcAll.<P>.Tag"});
  EXPECT_NE(Text(stream).find("object RegPropStorage: TRegPropStorageManEh"), String::npos);
  manager->SetPath("");
  PageControl(form)->SetTag(0);
  Read(form, stream);
  EXPECT_EQ(manager->Path(), "Software\\First");
  EXPECT_EQ(PageControl(form)->Tag(), 3);
  form->Free();
}

TEST_F(PropFilerTest, InterceptorOfTheNearestRegisteredClassWins) {
  EXPECT_EQ(FindStoragePropertyInterceptor(TfmMain::StaticClass()), TFormStoragePropertyInterceptor::StaticClass());
  EXPECT_EQ(FindStoragePropertyInterceptor(TcxPageControl::StaticClass()), nullptr);
  RegisterStoragePropertyInterceptor(TForm::StaticClass(), TStoragePropertyInterceptor::StaticClass());
  EXPECT_EQ(FindStoragePropertyInterceptor(TfmMain::StaticClass()), TStoragePropertyInterceptor::StaticClass());
  UnregisterStoragePropertyInterceptor(TForm::StaticClass());
  EXPECT_EQ(FindStoragePropertyInterceptor(TfmMain::StaticClass()), TFormStoragePropertyInterceptor::StaticClass());
}

TEST_F(PropFilerTest, MutatedStreamsAreReadWithoutCrashOrHang) {
  TfmMain* form = MakeMain();
  TPropertyNamesEh* paths = New<TPropertyNamesEh>();
  AddProgramPaths(paths);
  paths->Add("<P>.Font");
  const String program = Write(form, paths);
  paths->Free();
  mutation::Run(program, [form](const std::string& input) { Read(form, input); });
  form->Free();

  TGridForm* grid = MakeGrid(4);
  mutation::Limits other;
  other.Seed = 29;
  const String columns = Write(grid, {"<P>.Columns", "<P>.Columns.<ForAllItems>.Width", "<P>.Tag"});
  mutation::Run(columns, [grid](const std::string& input) { Read(grid, input); }, other);
  grid->Free();
}

}  // namespace
