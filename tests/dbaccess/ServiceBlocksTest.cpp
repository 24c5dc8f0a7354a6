// The service components against the stand-in client: the exact bytes of parameter blocks, start
// requests and the reading of query answers.
#include <gtest/gtest.h>

#include <ibase.h>

#include <cstring>
#include <vector>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/pZAZServices.h"
#include "rtl/DynLibs.h"
#include "rtl/StringLists.h"

namespace {
using Bytes = std::vector<uint8_t>;

// The stand-in's recorded calls and its answer script.
class Fake {
public:
  Fake() : FModule(LoadLibrary(FAKEFB_PATH)) { Reset(); }
  ~Fake() { FreeLibrary(FModule); }
  template <class T>
  T& Var(const char* name) const {
    return *static_cast<T*>(GetProcAddress(FModule, name));
  }
  void Reset() {
    for (const char* n : {"fake_attach_count", "fake_detach_count", "fake_query_count", "fake_start_count",
                          "fake_answer_count", "fake_fail_query", "fake_fail_start", "fake_fail_attach",
                          "fake_spb_length", "fake_request_length"})
      Var<int>(n) = 0;
  }
  Bytes Spb() const { return Bytes(&Var<uint8_t>("fake_spb"), &Var<uint8_t>("fake_spb") + Var<int>("fake_spb_length")); }
  Bytes Request() const {
    return Bytes(&Var<uint8_t>("fake_request"), &Var<uint8_t>("fake_request") + Var<int>("fake_request_length"));
  }
  String AttachName() const { return &Var<char>("fake_attach_name"); }
  void AddAnswer(const Bytes& answer) {
    int& count = Var<int>("fake_answer_count");
    auto* answers = &Var<char>("fake_answers");
    std::memcpy(answers + 512 * count, answer.data(), answer.size());
    (&Var<int>("fake_answer_lengths"))[count] = static_cast<int>(answer.size());
    ++count;
  }
  void AddLine(const String& text) {
    Bytes a{62, static_cast<uint8_t>(text.size() & 0xFF), static_cast<uint8_t>(text.size() >> 8)};
    a.insert(a.end(), text.begin(), text.end());
    a.push_back(1);
    AddAnswer(a);
  }

private:
  TModuleHandle FModule;
};

Bytes Str(const String& s) { return Bytes(s.begin(), s.end()); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

template <class T>
T* MakeService() {
  T* svc = New<T>(nullptr);
  svc->SetLibraryName(FAKEFB_PATH);
  svc->SetLoginPrompt(false);
  return svc;
}

int32_t ClientErrorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EFIBClientError& e) {
    return e.SQLCode();
  }
  return -100;
}

class ServiceBlocks : public ::testing::Test {
protected:
  Fake fake;
};
}  // namespace

TEST_F(ServiceBlocks, ServiceNameFollowsTheProtocol) {
  struct Case {
    TProtocol protocol;
    const char* name;
  } cases[] = {{TCP, "srv:service_mgr"}, {SPX, "srv@service_mgr"}, {NamedPipe, "\\\\srv\\service_mgr"}};
  for (const Case& c : cases) {
    auto* svc = MakeService<TpZAZBackupService>();
    svc->SetProtocol(c.protocol);
    svc->SetServerName("srv");
    svc->Attach();
    EXPECT_EQ(fake.AttachName(), c.name);
    svc->Free();
  }
  auto* svc = MakeService<TpZAZBackupService>();
  svc->SetProtocol(TCP);
  svc->SetServerName("srv");
  svc->SetProtocol(Local);
  EXPECT_EQ(svc->ServerName(), "");
  svc->Attach();
  EXPECT_EQ(fake.AttachName(), "service_mgr");
  svc->Free();
}

TEST_F(ServiceBlocks, ParameterBlockFromParams) {
  struct Case {
    std::vector<const char*> lines;
    Bytes block;
  } cases[] = {
      {{"user_name=SYSDBA", "sql_role_name="}, Cat({{2, 2, 28, 6}, Str("SYSDBA"), {60, 0}})},
      {{"isc_spb_user_name=x"}, Cat({{2, 2, 28, 1}, Str("x")})},
      {{"USER_NAME=x", "password=a=b"}, Cat({{2, 2, 28, 1}, Str("x"), {29, 3}, Str("a=b")})},
      {{"no separator", " =skipped", ""}, {2, 2}},
  };
  for (const Case& c : cases) {
    auto* svc = MakeService<TpZAZBackupService>();
    for (const char* l : c.lines) svc->Params()->Add(l);
    svc->Attach();
    EXPECT_EQ(fake.Spb(), c.block) << c.lines.size();
    svc->Free();
  }
}

TEST_F(ServiceBlocks, RefusedParameterNames) {
  struct Case {
    const char* line;
    int32_t error;
  } cases[] = {{"user_name =x", 73}, {"sys_user_name=x", 72}, {"isc_spb_verbose=1", 72}, {"foo=1", 73}};
  for (const Case& c : cases) {
    auto* svc = MakeService<TpZAZBackupService>();
    svc->Params()->Add(c.line);
    EXPECT_EQ(ClientErrorOf([&] { svc->Attach(); }), c.error) << c.line;
    EXPECT_FALSE(svc->Active());
    // A failed build is tried again on the next attach.
    svc->Params()->Clear();
    svc->Attach();
    EXPECT_TRUE(svc->Active());
    svc->Free();
  }
}

TEST_F(ServiceBlocks, OverlongValuesAreRefusedNotWrapped) {
  auto* svc = MakeService<TpZAZBackupService>();
  svc->Params()->Add("password=" + String(256, 'p'));
  EXPECT_EQ(ClientErrorOf([&] { svc->Attach(); }), -1);
  svc->Params()->SetStrings(0, "password=" + String(255, 'p'));
  svc->Attach();
  EXPECT_EQ(fake.Spb().size(), 2u + 2u + 255u);
  svc->Detach();
  // A file name beyond two length bytes.
  svc->SetDatabaseName(String(65536, 'd'));
  svc->Attach();
  EXPECT_EQ(ClientErrorOf([&] { svc->ServiceStart(); }), -1);
  EXPECT_EQ(fake.Var<int>("fake_start_count"), 0);
  // The buffer size is a 16-bit length.
  EXPECT_EQ(ClientErrorOf([&] { svc->SetBufferSize(65536); }), -1);
  EXPECT_EQ(ClientErrorOf([&] { svc->SetBufferSize(3); }), -1);
  EXPECT_EQ(svc->BufferSize(), 32000);
  svc->Free();
}

TEST_F(ServiceBlocks, ParameterBlockIsRebuiltOnlyAfterParamsChange) {
  auto* svc = MakeService<TpZAZBackupService>();
  svc->Params()->Add("user_name=a");
  svc->Attach();
  svc->Detach();
  svc->Attach();
  EXPECT_EQ(fake.Spb(), Cat({{2, 2, 28, 1}, Str("a")}));
  EXPECT_EQ(ClientErrorOf([&] { svc->Params()->Add("password=b"); }), 66);
  EXPECT_EQ(ClientErrorOf([&] { svc->SetServerName("x"); }), 66);
  EXPECT_EQ(ClientErrorOf([&] { svc->SetLibraryName("x"); }), 66);
  EXPECT_EQ(ClientErrorOf([&] { svc->Attach(); }), 66);
  svc->Detach();
  svc->Params()->SetStrings(0, "user_name=b");
  svc->Attach();
  EXPECT_EQ(fake.Spb(), Cat({{2, 2, 28, 1}, Str("b")}));
  svc->Free();
}

TEST_F(ServiceBlocks, BackupRequests) {
  struct Case {
    const char* db;
    TBackupOptions options;
    bool verbose;
    int32_t factor;
    std::vector<const char*> files;
    Bytes request;
  } cases[] = {
      {"/data/a.fdb", {IgnoreChecksums, IgnoreLimbo}, true, 0, {"/backup/a.gbk12"},
       Cat({{1, 106, 11, 0}, Str("/data/a.fdb"), {108, 3, 0, 0, 0}, {107}, {5, 15, 0}, Str("/backup/a.gbk12")})},
      {"d", {}, false, 0, {}, Cat({{1, 106, 1, 0}, Str("d"), {108, 0, 0, 0, 0}})},
      {"d", {MetadataOnly, NoGarbageCollection, OldMetadataDesc, NonTransportable, ConvertExtTables}, false, 512,
       {"a.gbk=2048", "  ", "b.gbk"},
       Cat({{1, 106, 1, 0}, Str("d"), {108, 0x7C, 0, 0, 0}, {6, 0, 2, 0, 0}, {5, 5, 0}, Str("a.gbk"),
            {7, 0, 8, 0, 0}, {5, 5, 0}, Str("b.gbk")})},
      {"d", {}, false, 0, {"x=123456789"},
       Cat({{1, 106, 1, 0}, Str("d"), {108, 0, 0, 0, 0}, {5, 1, 0}, Str("x"), {7, 0x15, 0xCD, 0x5B, 0x07}})},
  };
  for (const Case& c : cases) {
    fake.Reset();
    if (c.verbose) fake.AddLine("gbak:closing file, committing, and finishing. 1024 bytes written");
    auto* svc = MakeService<TpZAZBackupService>();
    svc->SetDatabaseName(c.db);
    svc->SetOptions(c.options);
    svc->SetVerbose(c.verbose);
    svc->SetBlockingFactor(c.factor);
    for (const char* f : c.files) svc->BackupFile()->Add(f);
    svc->Attach();
    svc->ServiceStart();
    EXPECT_EQ(fake.Request(), c.request) << c.db;
    EXPECT_EQ(svc->RunningAction(), 1);
    EXPECT_EQ(svc->StartParams(), "");
    svc->Free();
  }
}

TEST_F(ServiceBlocks, RestoreRequests) {
  struct Case {
    TRestoreOptions options;
    bool verbose;
    int32_t pageSize, pageBuffers;
    std::vector<const char*> files, dbs;
    Bytes request;
  } cases[] = {
      {{CreateNewDB}, false, 0, 0, {}, {}, {2, 108, 0, 0x20, 0, 0}},
      {{DeactivateIndexes, NoShadow, NoValidityCheck, OneRelationAtATime, Replace, UseAllSpace},
       true, 8192, 2048, {"a.gbk"}, {"a.fdb=1000", "b.fdb"},
       Cat({{2, 108, 0, 0x5F, 0, 0, 107, 10, 0, 0x20, 0, 0, 9, 0, 8, 0, 0}, {5, 5, 0}, Str("a.gbk"),
            {106, 5, 0}, Str("a.fdb"), {11, 0xE8, 3, 0, 0}, {106, 5, 0}, Str("b.fdb")})},
  };
  for (const Case& c : cases) {
    fake.Reset();
    if (c.verbose) fake.AddLine("gbak:finishing, closing, and going home");
    auto* svc = MakeService<TpZAZRestoreService>();
    EXPECT_EQ(svc->Options(), TRestoreOptions{CreateNewDB});
    svc->SetOptions(c.options);
    svc->SetVerbose(c.verbose);
    svc->SetPageSize(c.pageSize);
    svc->SetPageBuffers(c.pageBuffers);
    for (const char* f : c.files) svc->BackupFile()->Add(f);
    for (const char* d : c.dbs) svc->DatabaseName()->Add(d);
    svc->Attach();
    svc->ServiceStart();
    EXPECT_EQ(fake.Request(), c.request);
    EXPECT_EQ(svc->RunningAction(), 2);
    svc->Free();
  }
}

TEST_F(ServiceBlocks, RepairRequests) {
  struct Case {
    TValidateOptions options;
    Bytes tail;
  } cases[] = {
      {{}, {}},
      {{ValidateDB, ValidateFull}, {108, 1, 0, 0, 0, 108, 0x81, 0, 0, 0}},
      {{MendDB, ValidateFull}, {108, 0x84, 0, 0, 0}},
      {{SweepDB}, {108, 2, 0, 0, 0}},
      {{ValidateDB, CheckDB}, {108, 1, 0, 0, 0, 108, 0x10, 0, 0, 0}},
      {{LimboTransactions, IgnoreChecksum, KillShadows}, {108, 0x68, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    auto* svc = MakeService<TpZAZValidationService>();
    svc->SetDatabaseName("db");
    svc->SetOptions(c.options);
    svc->Attach();
    svc->ServiceStart();
    EXPECT_EQ(fake.Request(), Cat({{3, 106, 2, 0}, Str("db"), c.tail}));
    EXPECT_EQ(svc->RunningAction(), 3);
    svc->Free();
  }
}

TEST_F(ServiceBlocks, StartRefusals) {
  auto* backup = MakeService<TpZAZBackupService>();
  EXPECT_EQ(ClientErrorOf([&] { backup->ServiceStart(); }), 65);
  backup->Attach();
  EXPECT_EQ(ClientErrorOf([&] { backup->ServiceStart(); }), 69);
  backup->SetDatabaseName("d");
  backup->BackupFile()->Add("f=notanumber");
  EXPECT_THROW(backup->ServiceStart(), EConvertError);
  EXPECT_EQ(fake.Var<int>("fake_start_count"), 0);
  backup->Free();
  auto* validation = MakeService<TpZAZValidationService>();
  validation->Attach();
  EXPECT_EQ(ClientErrorOf([&] { validation->ServiceStart(); }), 69);
  EXPECT_EQ(validation->RunningAction(), 3);
  validation->Free();
  auto* server = MakeService<TpZAZBackupService>();
  server->SetProtocol(TCP);
  EXPECT_EQ(ClientErrorOf([&] { server->Attach(); }), 67);
  server->Free();
}

TEST_F(ServiceBlocks, FetchNextLineReadsAnswers) {
  auto* svc = MakeService<TpZAZBackupService>();
  svc->SetDatabaseName("d");
  svc->Attach();
  EXPECT_EQ(ClientErrorOf([&] { svc->FetchNextLine(); }), 68);
  svc->ServiceStart();  // no handler: the output waits for FetchNextLine
  svc->Free();

  fake.Reset();
  fake.AddLine("hello");
  fake.AddAnswer({62, 0, 0, 1});
  svc = MakeService<TpZAZBackupService>();
  svc->SetDatabaseName("d");
  svc->Attach();
  svc->ServiceStart();
  EXPECT_EQ(fake.Var<int>("fake_query_count"), 2);  // read to the end before returning
  EXPECT_FALSE(svc->Eof());
  EXPECT_EQ(svc->FetchNextLine(), "hello");
  EXPECT_TRUE(svc->Eof());
  EXPECT_EQ(svc->FetchNextLine(), "");
  EXPECT_EQ(fake.Var<int>("fake_query_count"), 2);
  EXPECT_EQ(fake.Var<int>("fake_query_buffer_length"), 32000);
  svc->Free();
}

TEST_F(ServiceBlocks, MalformedAnswersRaiseClientError70) {
  for (const Bytes& answer : {Bytes{62, 5, 0, 'h', 'e', 'l', 'l', 'o', 2}, Bytes{63, 0, 0, 1}}) {
    fake.Reset();
    fake.AddAnswer(answer);
    auto* svc = MakeService<TpZAZBackupService>();
    svc->SetDatabaseName("d");
    svc->Attach();
    EXPECT_EQ(ClientErrorOf([&] { svc->ServiceStart(); }), 70);
    svc->Free();
  }
  // A line longer than the buffer.
  fake.Reset();
  fake.AddLine(String(100, 'x'));
  auto* svc = MakeService<TpZAZBackupService>();
  svc->SetBufferSize(50);
  svc->SetDatabaseName("d");
  svc->Attach();
  EXPECT_EQ(ClientErrorOf([&] { svc->ServiceStart(); }), 70);
  svc->Free();
}

TEST_F(ServiceBlocks, OutputHandlerGetsEveryLineAndTheEmptyEnd) {
  for (const char* l : {"one", "two", "three"}) fake.AddLine(l);
  auto* svc = MakeService<TpZAZBackupService>();
  std::vector<String> seen;
  svc->SetOnTextNotify([&](TObject* sender, const String& text) {
    EXPECT_EQ(sender, svc);
    seen.push_back(text);
  });
  svc->SetDatabaseName("d");
  svc->Attach();
  svc->ServiceStart();
  EXPECT_EQ(seen, (std::vector<String>{"one", "two", "three", ""}));
  EXPECT_TRUE(svc->Eof());
  svc->Free();
}

TEST_F(ServiceBlocks, ErrorAfterTheLastLineSurfacesFromServiceStart) {
  fake.AddLine("gbak: writing data");
  fake.Var<int>("fake_fail_query") = 2;
  auto* svc = MakeService<TpZAZBackupService>();
  svc->SetName("Backup1");
  std::vector<String> seen;
  svc->SetOnTextNotify([&](TObject*, const String& text) { seen.push_back(text); });
  svc->SetDatabaseName("d");
  svc->Attach();
  try {
    svc->ServiceStart();
    ADD_FAILURE() << "the failed query ended normally";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.IBErrorCode(), 335544344);
    EXPECT_EQ(e.Message(), "Backup1:\r\nUnsuccessful execution caused by a system error.I/O error during fake operation.\r\n");
    EXPECT_EQ(e.Sender(), svc);
  }
  EXPECT_EQ(seen, (std::vector<String>{"gbak: writing data"}));
  EXPECT_FALSE(svc->Active());
  EXPECT_EQ(fake.Var<int>("fake_detach_count"), 1);  // the server side is let go as well
  svc->Free();
}

TEST_F(ServiceBlocks, ActiveSwitchesAttachOnce) {
  auto* svc = MakeService<TpZAZBackupService>();
  int attached = 0;
  svc->SetOnAttach([&](TObject*) { ++attached; });
  svc->SetActive(true);
  svc->SetActive(true);
  EXPECT_EQ(fake.Var<int>("fake_attach_count"), 1);
  EXPECT_EQ(attached, 1);
  svc->SetActive(false);
  svc->SetActive(false);
  EXPECT_EQ(fake.Var<int>("fake_detach_count"), 1);
  EXPECT_EQ(ClientErrorOf([&] { svc->Detach(); }), 65);
  svc->SetActive(true);
  svc->Free();  // detaches
  EXPECT_EQ(fake.Var<int>("fake_detach_count"), 2);
}

TEST_F(ServiceBlocks, FailedAttachLeavesTheComponentDetached) {
  fake.Var<int>("fake_fail_attach") = 1;
  auto* svc = MakeService<TpZAZBackupService>();
  EXPECT_THROW(svc->Attach(), EFIBInterBaseError);
  EXPECT_FALSE(svc->Active());
  svc->Free();
}

TEST_F(ServiceBlocks, LoginStep) {
  // Without a handler and without a dialog the prompt cancels.
  auto* svc = MakeService<TpZAZBackupService>();
  svc->SetLoginPrompt(true);
  EXPECT_EQ(ClientErrorOf([&] { svc->Attach(); }), 7);
  // The handler edits a copy of Params that is copied back.
  svc->Params()->Add("user_name=a");
  svc->SetOnLogin([](TpZAZCustomService*, TStrings* params) { params->Add("password=secret"); });
  svc->Attach();
  EXPECT_EQ(fake.Spb(), Cat({{2, 2, 28, 1}, Str("a"), {29, 6}, Str("secret")}));
  EXPECT_EQ(svc->Params()->Count(), 2);
  svc->Free();
}

TEST_F(ServiceBlocks, VerboseRunsMustReachTheClosingLine) {
  const String backupShort =
      "the backup did not complete: the database may be damaged or the backup file could not be written in full";
  const String restoreShort = "the restore did not complete: the backup file may be damaged or cut short";
  struct Case {
    bool restore;
    bool verbose;
    std::vector<String> lines;
    String error;  // "" for success
  } cases[] = {
      {false, true, {"gbak:writing data for table T", "gbak:closing file, committing, and finishing. 1024 bytes written"}, ""},
      {false, true, {"gbak:writing data for table T"}, backupShort},
      {false, true, {}, backupShort},
      {false, false, {"gbak:writing data for table T"}, ""},  // nothing to tell by
      {true, true, {"gbak:restoring data for table T", "gbak:finishing, closing, and going home ",
                    "gbak:adjusting the ONLINE and FORCED WRITES flags "}, ""},
      {true, true, {"gbak:finishing, closing, and going home"}, ""},
      {true, true, {"gbak:restoring data for table T", "gbak:   10000 records restored "}, restoreShort},
      // A name that reads like the closing line is no closing line.
      {true, true, {"gbak:restoring data for table finishing, closing, and going home"}, restoreShort},
      {true, true, {"gbak:adjusting the ONLINE and FORCED WRITES flags "}, restoreShort},
      {true, false, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.restore << c.verbose << c.lines.size());
    fake.Reset();
    for (const String& l : c.lines) fake.AddLine(l);
    TpZAZBackupRestoreService* svc;
    if (c.restore) {
      auto* r = MakeService<TpZAZRestoreService>();
      r->BackupFile()->Add("b");
      r->DatabaseName()->Add("d");
      svc = r;
    } else {
      auto* b = MakeService<TpZAZBackupService>();
      b->SetDatabaseName("d");
      svc = b;
    }
    svc->SetVerbose(c.verbose);
    svc->Attach();
    String error;
    try {
      svc->ServiceStart();
    } catch (const EFIBClientError& e) {
      error = e.Message();
    }
    EXPECT_EQ(error, c.error);
    // The output was read to its end, and stays there for the caller to show.
    EXPECT_EQ(fake.Var<int>("fake_query_count"), static_cast<int>(c.lines.size()) + 1);
    std::vector<String> kept;
    while (!svc->Eof()) kept.push_back(svc->FetchNextLine());
    EXPECT_EQ(kept, c.lines);
    svc->Free();
  }
}
