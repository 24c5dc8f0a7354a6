// Property storage and the registry manager: path order and checks, the "Line" series, the older single
// value, damaged registry values, and the owner form's show, close and destroy hooks.

#include "PropStorageSupport.h"
#include "rtl/TypInfo.h"

using namespace pst;

namespace {

const char kPath[] = "\\Software\\Pellwick\\Vorn\\";
const char kSectionKey[] = "Software\\Pellwick\\Vorn\\TfmMain";

// The main window as its form file has it: the storage, the registry manager and the page control.
const char kMainForm[] =
    "object fmMain: TfmMain\r\n"
    "  Left = 100\r\n  Top = 50\r\n  Width = 640\r\n  Height = 480\r\n"
    "  object pcAll: TcxPageControl\r\n    Tag = 3\r\n  end\r\n"
    "  object PropStorageEh: TPropStorageEh\r\n"
    "    StorageManager = RegPropStorage\r\n"
    "    StoredProps.Strings = (\r\n"
    "      '<P>.Height'\r\n      '<P>.Left'\r\n      '<P>.PixelsPerInch'\r\n      '<P>.Top'\r\n"
    "      '<P>.Width'\r\n      '<P>.WindowState'\r\n      'pcAll.<P>.Tag')\r\n"
    "  end\r\n"
    "  object RegPropStorage: TRegPropStorageManEh\r\n"
    "    Path = '\\Software\\Pellwick\\Vorn\\'\r\n    WriteAsText = False\r\n"
    "  end\r\n"
    "end\r\n";

// Keeps the stream a load hands to the reader.
class TCaptureMan : public TRegPropStorageManEh {
  RTL_CLASS(TCaptureMan, TRegPropStorageManEh)
public:
  explicit TCaptureMan(TComponent* AOwner) : TRegPropStorageManEh(AOwner) {}
  void ReadPropertiesStream(TStream* Stream, TPropStorageEh*) override {
    String data(static_cast<size_t>(Stream->Size() - Stream->Position()), '\0');
    if (!data.empty()) Stream->ReadBuffer(data.data(), static_cast<int32_t>(data.size()));
    Captured = data;
  }
  String Captured;
};

class StorageTest : public PropStorageTest {
protected:
  // A storage made in code on the program's window.
  struct Rig {
    TfmMain* Form;
    TPropStorageEh* Storage;
    TRegPropStorageManEh* Manager;
  };
  static Rig MakeRig(TRegPropStorageManEh* manager = nullptr) {
    Rig r;
    r.Form = MakeMain();
    r.Storage = New<TPropStorageEh>(r.Form);
    r.Storage->SetName("PropStorageEh");
    r.Manager = manager ? manager : New<TRegPropStorageManEh>(r.Form);
    if (r.Manager->Owner() != r.Form) r.Form->InsertComponent(r.Manager);
    r.Manager->SetName("RegPropStorage");
    r.Manager->SetPath(kPath);
    r.Manager->SetWriteAsText(false);
    r.Storage->SetStorageManager(r.Manager);
    AddProgramPaths(r.Storage->StoredProps());
    return r;
  }
  static TfmMain* LoadMainForm() {
    auto* form = New<TfmMain>(Application);
    ReadComponentFromText(kMainForm, form);
    return form;
  }
  static std::vector<String> Lines(const String& key = kSectionKey) {
    TRegistry reg;
    std::vector<String> out;
    if (!reg.OpenKeyReadOnly(key)) return out;
    for (int32_t i = 0; reg.ValueExists(StorageLineName(i)); ++i) out.push_back(reg.ReadString(StorageLineName(i)));
    return out;
  }
  static void WriteLines(const std::vector<String>& values, const String& key = kSectionKey) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, true));
    for (size_t i = 0; i < values.size(); ++i) reg.WriteString(StorageLineName(static_cast<int32_t>(i)), values[i]);
  }
};

TEST_F(StorageTest, PathsKeepPathOrderAndDuplicatesAreRefused) {
  TPropertyNamesEh* list = New<TPropertyNamesEh>();
  list->Add("pcAll.<P>.Tag");
  list->Add("<P>.Height");
  EXPECT_EQ(list->Add("<P>.Width"), 1);
  EXPECT_EQ(list->Add("<P>.Height"), -1);
  EXPECT_EQ(list->Add("<p>.HEIGHT"), -1);
  EXPECT_EQ(list->Text(), "<P>.Height\r\n<P>.Width\r\npcAll.<P>.Tag\r\n");
  list->Add("pcAll.<ForAllItems>.Tag");
  list->Add("Grid.<P>.Columns.<ForAllItems>.Width");
  list->Add("Grid.<P>.Columns");
  EXPECT_EQ(list->Text(),
            "<P>.Height\r\n<P>.Width\r\nGrid.<P>.Columns\r\nGrid.<P>.Columns.<ForAllItems>.Width\r\npcAll.<P>.Tag\r\n"
            "pcAll.<ForAllItems>.Tag\r\n");
  list->Free();
}

TEST_F(StorageTest, PathsAreCheckedAgainstTheOwner) {
  TfmMain* form = MakeMain();
  TPropertyNamesEh* list = New<TPropertyNamesEh>();
  list->Add("gone.<P>.Tag");
  list->Add("<P>.Left");
  list->SetOwner(form);  // drops what does not check out
  EXPECT_EQ(list->Text(), "<P>.Left\r\n");
  struct Case {
    const char* path;
    bool ok;
  };
  const Case cases[] = {{"<P>.Height", true},      {"pcAll.<P>.Tag", true},  {"<p>.height", true},
                        {"<P>.Font", true},        {"<P>.Font.Name", true},  {"<P>.WindowState", true},
                        {"gone.<P>.Tag", false},   {"<P>.Nothing", false},   {"<P>.Font.Nothing", false},
                        {"pcAll", false},          {"<P>", false},           {"<P>.Menu.Items", false}};
  for (const Case& c : cases) EXPECT_EQ(list->CheckPropertyPath(c.path), c.ok) << c.path;
  try {
    list->CheckPropertyPath("<P>..Height");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalide property path: \".Height\"");
  }
  EXPECT_EQ(list->Add("gone.<P>.Tag"), -1);
  list->Free();
  form->Free();
}

TEST_F(StorageTest, DefaultSectionNamesTheFormAndTheComponent) {
  TfmMain* form = MakeMain();
  auto* storage = New<TPropStorageEh>(form);
  storage->SetName("PropStorageEh");
  auto* panel = New<TPanel>(form);
  panel->SetName("Inner");
  panel->SetParent(static_cast<TWinControl*>(PageControl(form)));
  auto* loose = New<TPanel>(Application);
  loose->SetName("Loose");
  EXPECT_EQ(GetDefaultSection(nullptr), "");
  EXPECT_EQ(GetDefaultSection(form), "TfmMain");
  EXPECT_EQ(GetDefaultSection(PageControl(form)), "TfmMainpcAll");
  EXPECT_EQ(GetDefaultSection(panel), "TfmMainInner");
  EXPECT_EQ(GetDefaultSection(storage), "TfmMain.PropStorageEh");
  EXPECT_EQ(GetDefaultSection(loose), "Loose");
  EXPECT_EQ(storage->Section(), "TfmMain");
  storage->SetSection("Own");
  EXPECT_EQ(storage->Section(), "Own");
  loose->Free();
  form->Free();
}

TEST_F(StorageTest, SectionKeyHasOneSeparatorBetweenItsParts) {
  Rig r = MakeRig();
  EXPECT_EQ(r.Manager->SectionKey(r.Storage), "\\Software\\Pellwick\\Vorn\\TfmMain");
  r.Manager->SetPath("Software\\\\Odd\\\\");
  EXPECT_EQ(r.Manager->SectionKey(r.Storage), "Software\\Odd\\TfmMain");
  r.Manager->SetPath("");
  Application->SetTitle("Demo");
  EXPECT_EQ(r.Manager->SectionKey(r.Storage), "Software\\Demo\\TfmMain");
  Application->SetTitle("");
  EXPECT_EQ(r.Manager->BasePath(), "Software\\" + ChangeFileExt(ExtractFileName(Application->ExeName()), ""));
  r.Form->Free();
}

TEST_F(StorageTest, BinaryFormIsAHexSeriesThatLoadsBack) {
  Rig r = MakeRig();
  r.Storage->SaveProps();
  const std::vector<String> lines = Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 52), "545046300754666D4D61696E06666D4D61696E06486569676874");
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 80u);
  EXPECT_LE(lines.back().size(), 80u);

  r.Form->Free();
  TfmMain* other = MakeRig().Form;
  other->SetBounds(0, 0, 10, 10);
  PageControl(other)->SetTag(0);
  static_cast<TPropStorageEh*>(other->FindComponent("PropStorageEh"))->LoadProps();
  EXPECT_EQ(other->BoundsRect(), (RECT{100, 50, 740, 530}));
  EXPECT_EQ(PageControl(other)->Tag(), 3);
  other->Free();
}

TEST_F(StorageTest, TextFormIsOneLinePerValue) {
  Rig r = MakeRig();
  r.Manager->SetWriteAsText(true);
  r.Storage->SaveProps();
  const std::vector<String> lines = Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "object fmMain: TfmMain");
  EXPECT_EQ(lines.back(), "end");
  r.Form->SetBounds(1, 2, 300, 200);
  r.Storage->LoadProps();
  EXPECT_EQ(r.Form->BoundsRect(), (RECT{100, 50, 740, 530}));
  r.Form->Free();
}

TEST_F(StorageTest, SeriesIsCutInPiecesOf80AndASurplusIsDeleted) {
  Rig r = MakeRig();
  WriteLines({"a", "b", "c", "d", "e"});
  TMemoryStream stream;
  String hundred(100, '\x5A');
  stream.WriteBuffer(hundred.data(), 100);
  stream.SetPosition(0);
  r.Manager->WritePropertiesStream(r.Storage, &stream);
  const std::vector<String> lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  String piece;
  for (int i = 0; i < 40; ++i) piece += "5A";
  EXPECT_EQ(lines[0], piece);
  EXPECT_EQ(lines[1].size(), 80u);
  EXPECT_EQ(lines[2].size(), 40u);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(kSectionKey));
  EXPECT_FALSE(reg.ValueExists("Line0000000003"));
  EXPECT_FALSE(reg.ValueExists("Line0000000004"));
  r.Form->Free();
}

TEST_F(StorageTest, SeriesEndsAtTheFirstGap) {
  auto* manager = New<TCaptureMan>(nullptr);
  Rig r = MakeRig(manager);
  WriteLines({"41", "42"});
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kSectionKey, false));
    reg.WriteString("Line0000000003", "43");
  }
  r.Storage->LoadProps();
  EXPECT_EQ(manager->Captured, "AB");
  WriteLines({"4a4B", "4G44"});  // either letter case; a bad digit ends the data
  r.Storage->LoadProps();
  EXPECT_EQ(manager->Captured, "JK");
  r.Form->Free();
}

TEST_F(StorageTest, OlderSingleValueIsReadOnceAndDeleted) {
  Rig r = MakeRig();
  // Line values hold one state, the older single value another; the older one wins once.
  r.Form->SetBounds(300, 200, 400, 300);
  const String stream = Write(r.Form, {"<P>.Height", "<P>.Left", "<P>.Top", "<P>.Width"});
  r.Form->SetBounds(100, 50, 640, 480);
  r.Storage->SaveProps();
  struct Case {
    const char* name;
    bool binary;
    String data;
  };
  const Case cases[] = {{"binary data", true, stream}, {"a string in the text form", false, ObjectBinaryToText(stream)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      TRegistry reg;
      ASSERT_TRUE(reg.OpenKey("Software\\Pellwick\\Vorn", false));
      if (c.binary)
        reg.WriteBinaryData("TfmMain", c.data.data(), static_cast<int32_t>(c.data.size()));
      else
        reg.WriteString("TfmMain", c.data);
    }
    r.Form->SetBounds(0, 0, 10, 10);
    r.Storage->LoadProps();
    EXPECT_EQ(r.Form->BoundsRect(), (RECT{300, 200, 700, 500}));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Pellwick\\Vorn"));
    EXPECT_FALSE(reg.ValueExists("TfmMain"));
    r.Storage->LoadProps();  // now the series
    EXPECT_EQ(r.Form->BoundsRect(), (RECT{100, 50, 740, 530}));
  }
  r.Form->Free();
}

TEST_F(StorageTest, DamagedRegistryValuesAreRefusedCleanly) {
  struct Case {
    const char* name;
    std::function<void()> damage;
  };
  auto older = [](const String& data) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Pellwick\\Vorn", true));
    reg.WriteBinaryData("TfmMain", data.data(), static_cast<int32_t>(data.size()));
  };
  const Case cases[] = {
      {"not a string", [] {
         TRegistry reg;
         ASSERT_TRUE(reg.OpenKey(kSectionKey, true));
         reg.WriteInteger("Line0000000000", 7);
       }},
      {"bad digit inside", [this] { WriteLines({"5450463007XY"}); }},
      {"no hexadecimal at all", [this] { WriteLines({"ZZZZ"}); }},
      {"broken text form", [this] { WriteLines({"object fmMain TfmMain", "end"}); }},
      {"huge length", [this] { WriteLines({"54504630075466" "6D4D61696E06666D4D61696E064865696768740CFFFFFF7F"}); }},
      {"older value of garbage", [older] { older(String("\x01\x02\x03", 3)); }},
      {"older value cut short", [older] { older("TPF0\x07TfmM"); }},
      {"older value of another type", [] {
         TRegistry reg;
         ASSERT_TRUE(reg.OpenKey("Software\\Pellwick\\Vorn", true));
         reg.WriteInteger("TfmMain", 1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r = MakeRig();
    c.damage();
    EXPECT_THROW(r.Storage->LoadProps(), Exception);
    EXPECT_EQ(r.Form->BoundsRect(), (RECT{100, 50, 740, 530}));
    r.Form->Free();
    TRegistry reg;
    // A damaged older value is read once: it cannot shadow the saves that follow.
    if (reg.OpenKeyReadOnly("Software\\Pellwick\\Vorn")) {
      EXPECT_FALSE(reg.ValueExists("TfmMain"));
    }
    reg.CloseKey();
    reg.DeleteKey("Software\\Pellwick");
  }
}

TEST_F(StorageTest, TheFormIsHookedOnlyWhenTheStorageIsLoadedFromItsResource) {
  // Made in code: nothing is hooked.
  Rig r = MakeRig();
  EXPECT_FALSE(r.Form->OnShow.Assigned());
  r.Form->Show();
  EXPECT_TRUE(Lines().empty());
  r.Form->Free();

  int userShows = 0;
  TfmMain* form = LoadMainForm();
  auto* storage = static_cast<TPropStorageEh*>(form->FindComponent("PropStorageEh"));
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(storage->StoredProps()->Count(), 7);
  ASSERT_NE(storage->StorageManager(), nullptr);
  int saves = 0;
  storage->AfterSaveProps = [&](TObject*) { ++saves; };
  form->Show();  // nothing stored yet: the window stays as designed
  EXPECT_EQ(form->BoundsRect(), (RECT{100, 50, 740, 530}));
  form->SetBounds(200, 100, 500, 400);
  PageControl(form)->SetTag(5);
  EXPECT_TRUE(form->CloseQuery());
  EXPECT_EQ(saves, 1);
  form->Free();  // saved since the last load: not again
  EXPECT_EQ(saves, 1);

  form = LoadMainForm();
  storage = static_cast<TPropStorageEh*>(form->FindComponent("PropStorageEh"));
  storage->AfterSaveProps = [&](TObject*) { ++saves; };
  form->OnShow = [&](TObject*) { ++userShows; };  // set after loading: replaces the hook
  form->Show();
  EXPECT_EQ(userShows, 1);
  EXPECT_EQ(form->BoundsRect(), (RECT{100, 50, 740, 530}));
  storage->SetActive(false);  // keeps the store as it is
  form->Free();

  form = LoadMainForm();
  storage = static_cast<TPropStorageEh*>(form->FindComponent("PropStorageEh"));
  storage->AfterSaveProps = [&](TObject*) { ++saves; };
  form->Show();
  EXPECT_EQ(form->BoundsRect(), (RECT{200, 100, 700, 500}));
  EXPECT_EQ(PageControl(form)->Tag(), 5);
  form->Free();  // loaded and never saved: destroying saves
  EXPECT_EQ(saves, 2);
}

TEST_F(StorageTest, SaveErrorsAreShownAndTheFormStillCloses) {
  TfmMain* form = LoadMainForm();
  auto* storage = static_cast<TPropStorageEh*>(form->FindComponent("PropStorageEh"));
  storage->OnWriteCustomProps = [](TObject*, TPropWriterEh*) { throw Exception("boom"); };
  std::vector<String> shown;
  Application->OnException = [&](TObject*, Exception* e) { shown.push_back(e->Message()); };
  form->Show();
  EXPECT_TRUE(form->CloseQuery());
  EXPECT_EQ(shown, std::vector<String>{"boom"});
  EXPECT_TRUE(Lines().empty());  // a failed save writes nothing
  storage->SetActive(false);
  form->Free();
  Application->OnException = nullptr;

  // A damaged store never stops the window from showing.
  WriteLines({"5450463007XY"});
  form = LoadMainForm();
  form->Show();
  EXPECT_EQ(form->BoundsRect(), (RECT{100, 50, 740, 530}));
  form->Free();
}

TEST_F(StorageTest, CustomEntriesTravelWithTheStoredProperties) {
  Rig r = MakeRig();
  r.Storage->OnWriteCustomProps = [](TObject* sender, TPropWriterEh* w) {
    EXPECT_EQ(sender->ClassName(), "TPropStorageEh");
    w->WriteStr("Extra");
    w->WriteInteger(42);
  };
  r.Storage->SaveProps();
  std::vector<String> offered;
  int32_t extra = 0;
  r.Storage->OnReadProp = [&](TObject*, TPropReaderEh* reader, const String& name, bool& processed) {
    offered.push_back(name);
    if (name == "Extra") {
      extra = reader->ReadInteger();
      processed = true;
    }
  };
  r.Form->SetBounds(0, 0, 10, 10);
  r.Storage->LoadProps();
  EXPECT_EQ(extra, 42);
  EXPECT_EQ(r.Form->BoundsRect(), (RECT{100, 50, 740, 530}));
  // Direct properties of every object read are offered (pcAll's Tag); those the form interceptor takes
  // are not.
  EXPECT_EQ(offered, (std::vector<String>{"Extra", "Tag"}));
  r.Form->Free();
}

TEST_F(StorageTest, FreeingTheStorageGivesTheFormItsHandlersBack) {
  auto* form = New<TfmMain>(Application);
  int userShows = 0;
  TNotifyEvent user = [&](TObject*) { ++userShows; };
  form->OnShow = user;
  ReadComponentFromText(kMainForm, form);
  auto* storage = static_cast<TPropStorageEh*>(form->FindComponent("PropStorageEh"));
  EXPECT_FALSE(form->OnShow == user);
  form->Show();
  EXPECT_EQ(userShows, 1);  // the kept handler runs after the load
  storage->SetActive(false);
  storage->Free();
  EXPECT_TRUE(form->OnShow == user);
  EXPECT_FALSE(form->OnCloseQuery.Assigned());
  form->Free();
}

TEST_F(StorageTest, RegistryRootKeysHaveNames) {
  TIntToIdent toIdent = FindIntToIdent(HKEYTypeInfo());
  TIdentToInt toInt = FindIdentToInt(HKEYTypeInfo());
  ASSERT_TRUE(toIdent && toInt);
  String name;
  EXPECT_TRUE(toIdent(static_cast<int32_t>(HKEY_CURRENT_USER), name));
  EXPECT_EQ(name, "HKEY_CURRENT_USER");
  int32_t value = 0;
  EXPECT_TRUE(toInt("HKEY_DYN_DATA", value));
  EXPECT_EQ(static_cast<HKEY>(static_cast<uint32_t>(value)), HKEY_DYN_DATA);
  auto* manager = New<TRegPropStorageManEh>(nullptr);
  EXPECT_EQ(manager->Key(), HKEY_CURRENT_USER);
  manager->SetRegistryKey(rkLocalMachineEh);
  EXPECT_EQ(manager->Key(), HKEY_LOCAL_MACHINE);
  manager->SetKey(0x12345);
  manager->SetRegistryKey(rkCustomRegistryKeyEh);
  EXPECT_EQ(manager->Key(), HKEY(0x12345));
  manager->Free();
}

}  // namespace
