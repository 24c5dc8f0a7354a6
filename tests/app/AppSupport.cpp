#include "AppSupport.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "EngineTestEnvironment.h"
#include "app/VORN.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Files.h"

namespace apptest {

namespace {

// The program's units for the whole executable, and the process set-up the program makes (the locale,
// so that file names in any script reach the engine). The user's own data folder is never looked at.
class ProgramEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    PrepareProcessEnvironment();
    FDataHome = std::make_unique<scratch::Folder>("vorn-app-xdg");
    setenv("XDG_DATA_HOME", FDataHome->Path().c_str(), 1);
    StartUnits({&VornUnit});
  }
  void TearDown() override {
    FinishUnits();
    FDataHome.reset();
  }

private:
  std::unique_ptr<scratch::Folder> FDataHome;
};

[[maybe_unused]] ::testing::Environment* const gEngineEnvironment =
    ::testing::AddGlobalTestEnvironment(new scratch::EngineTestEnvironment("VORN.APP.TEST."));
[[maybe_unused]] ::testing::Environment* const gProgramEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProgramEnvironment);

// A connection of its own to a database, dialect and character set as given.
template <class F>
auto WithConnection(const String& path, int dialect, F&& work) {
  TFIBDatabase* db = New<TFIBDatabase>(nullptr);
  TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
  struct Closer {
    TFIBDatabase* DB;
    TFIBTransaction* TR;
    ~Closer() {
      if (TR->InTransaction()) TR->Commit();
      TR->Free();
      DB->Close();
      DB->Free();
    }
  } closer{db, tr};
  scratch::Configure(db, path, dialect);
  tr->SetDefaultDatabase(db);
  db->Open();
  tr->StartTransaction();
  return work(db, tr);
}

Variant FirstValue(TFIBDatabase* db, TFIBTransaction* tr, const String& sql) {
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  struct Freer {
    TFIBQuery* Q;
    ~Freer() { Q->Free(); }
  } freer{q};
  q->SetDatabase(db);
  q->SetTransaction(tr);
  q->SQL()->SetText(sql);
  q->ExecQuery();
  return q->Eof() ? Variant::Null() : q->Fields(0)->GetAsVariant();
}

}  // namespace

bool ProtectFromDeletion(const String& file, bool protect) {
  if (geteuid() != 0) return chmod(ExtractFileDir(file).c_str(), protect ? 0500 : 0700) == 0;
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = protect ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

void MakeSampleDatabase(const String& path, int32_t rows) {
  scratch::CreateDatabase(path);
  WithConnection(path, 3, [&](TFIBDatabase* db, TFIBTransaction* tr) {
    scratch::Exec(db, tr, "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))");
    tr->Commit();
    tr->StartTransaction();
    scratch::Exec(db, tr,
                  "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + IntToStr(rows) +
                      ") DO BEGIN INSERT INTO T VALUES (:I, 'строка ' || :I); I = I + 1; END END");
    return 0;
  });
}

int64_t CountSampleRows(const String& path, int64_t* idSum) {
  return WithConnection(path, 3, [&](TFIBDatabase* db, TFIBTransaction* tr) {
    if (idSum) {
      const Variant sum = FirstValue(db, tr, "SELECT SUM(ID) FROM T");
      *idSum = VarIsNull(sum) ? 0 : sum.AsInt64();
    }
    return FirstValue(db, tr, "SELECT COUNT(*) FROM T").AsInt64();
  });
}

const String& TemplateOwnDatabase() {
  // Made on first use, removed when the process ends.
  static const std::unique_ptr<scratch::Folder> folder = std::make_unique<scratch::Folder>("vorn-app-template");
  static const String path = [] {
    const String p = folder->File("db.gdb");
    CreateOwnDatabase(p);
    return p;
  }();
  return path;
}

void AppTest::SetUp() {
  ClockInstalled = std::make_unique<TClockInstaller>(Clock);
  ProgramFolder = Root.File("программа");
  DatabasesFolder = Root.File("базы данных");
  BackupsFolder = Root.File("архив");
  for (const String& f : {ProgramFolder, DatabasesFolder, BackupsFolder}) ForceDirectories(f);
  Lines = new TStringList();
}

void AppTest::TearDown() {
  if (Module) Module->Free();
  Module = nullptr;
  delete Lines;
  ClockInstalled.reset();
}

void AppTest::OpenModule(bool withDatabase) {
  if (withDatabase) {
    ASSERT_TRUE(CopyFile(TemplateOwnDatabase(), ProgramFolder + "/db.gdb", true));
    ForceDirectories(ProgramFolder + "/bk");
  }
  Module = New<TdmMain>(nullptr);
  Module->SetWindow(&Window);
  Module->Report().SetLines(Lines);
  Module->OpenOwnDatabase(ProgramFolder);
}

void AppTest::ExecOwn(const String& sql) {
  WithConnection(ProgramFolder + "/db.gdb", 1, [&](TFIBDatabase* db, TFIBTransaction* tr) {
    scratch::Exec(db, tr, sql);
    return 0;
  });
}

Variant AppTest::OwnValue(const String& sql) {
  return WithConnection(ProgramFolder + "/db.gdb", 1,
                        [&](TFIBDatabase* db, TFIBTransaction* tr) { return FirstValue(db, tr, sql); });
}

int32_t AppTest::AddLocalProject(const String& name, const String& rsFolder, const String& bkFolder) {
  Module->AddProject();
  Module->qProjects->Edit();
  Module->qProjects->FieldByName("NAME")->SetAsString(name);
  Module->qProjects->FieldByName("RSFOLDER")->SetAsString(rsFolder);
  Module->qProjects->FieldByName("BKFOLDER")->SetAsString(bkFolder);
  Module->qProjects->FieldByName("ISREMOTE")->SetAsString("F");
  Module->SaveProject();
  return Module->qProjects->FieldByName("ID")->AsInteger();
}

String AppTest::ReportText() const {
  String text;
  for (int32_t i = 0; i < Lines->Count(); ++i) text += Lines->Strings(i) + "\r\n";
  return text;
}

std::vector<String> AppTest::ReportLines() const {
  std::vector<String> lines;
  for (int32_t i = 0; i < Lines->Count(); ++i) lines.push_back(Lines->Strings(i));
  return lines;
}

std::vector<String> AppTest::FileList() {
  std::vector<String> names;
  TdxMemData* md = Module->mdDbFiles;
  if (!md->Active()) return names;
  md->First();
  for (; !md->Eof(); md->Next()) names.push_back(md->FieldByName("filename")->AsString());
  md->First();
  return names;
}

void AppTest::CheckFiles(std::initializer_list<const char*> names) {
  TdxMemData* md = Module->mdDbFiles;
  for (const char* name : names) {
    ASSERT_TRUE(md->Locate("filename", Variant(String(name)), TLocateOptions{})) << name;
    md->Edit();
    md->FieldByName("check")->SetAsBoolean(true);
    md->Post();
  }
}

}  // namespace apptest
