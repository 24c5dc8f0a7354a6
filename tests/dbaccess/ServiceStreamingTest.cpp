#include <gtest/gtest.h>

#include <vector>

#include "dbaccess/pZAZServices.h"
#include "rtl/Filer.h"
#include "rtl/StringLists.h"
#include "rtl/TypInfo.h"

TEST(ServicePublished, PropertiesInStreamingOrder) {
  struct Case {
    TClass cls;
    std::vector<String> names;
  } cases[] = {
      {TpZAZBackupService::StaticClass(),
       {"Name", "Tag", "Active", "ServerName", "Protocol", "Params", "LoginPrompt", "OnAttach", "OnLogin",
        "LibraryName", "BufferSize", "Verbose", "OnTextNotify", "BackupFile", "BlockingFactor", "DatabaseName", "Options"}},
      {TpZAZValidationService::StaticClass(),
       {"Name", "Tag", "Active", "ServerName", "Protocol", "Params", "LoginPrompt", "OnAttach", "OnLogin",
        "LibraryName", "BufferSize", "DatabaseName", "Options", "GlobalAction", "OnTextNotify"}},
  };
  for (const Case& c : cases) {
    std::vector<String> names;
    for (const TPropInfo* p : GetPropList(c.cls)) names.push_back(p->Name);
    EXPECT_EQ(names, c.names) << c.cls->ClassName();
  }
}

TEST(ServicePublished, StoredOnlyAwayFromDefaults) {
  auto* restore = New<TpZAZRestoreService>(nullptr);
  EXPECT_FALSE(IsStoredProp(restore, "LibraryName"));
  restore->SetLibraryName("libother.so");
  EXPECT_TRUE(IsStoredProp(restore, "LibraryName"));
  // Ordinal properties stay out of a form while they hold their defaults.
  const TPropInfo* options = GetPropInfo(restore, "Options");
  EXPECT_TRUE(options->HasDefault);
  EXPECT_EQ(options->Default, 1 << CreateNewDB);
  EXPECT_EQ(GetPropInfo(restore, "BufferSize")->Default, 32000);
  EXPECT_EQ(GetPropInfo(restore, "Protocol")->Default, Local);
  restore->SetOptions({Replace});
  EXPECT_EQ(GetOrdProp(restore, "Options"), 1 << Replace);
  SetEnumProp(restore, "Protocol", "TCP");
  EXPECT_EQ(restore->Protocol(), TCP);
  restore->Free();
}

TEST(ServicePublished, FormTextRoundTripKeepsDefaultsOut) {
  auto* backup = New<TpZAZBackupService>(nullptr);
  backup->SetName("BackupService1");
  String defaults = ComponentToText(backup);
  for (const char* absent : {"LibraryName", "BufferSize", "Protocol", "Options", "Active"})
    EXPECT_EQ(defaults.find(absent), String::npos) << absent << "\n" << defaults;

  backup->SetProtocol(TCP);
  backup->SetServerName("srv");
  backup->Params()->Add("user_name=SYSDBA");
  backup->SetLibraryName("libother.so");
  backup->SetVerbose(true);
  backup->SetOptions({IgnoreLimbo, MetadataOnly});
  backup->BackupFile()->Add("/b/x.gbk");
  backup->SetDatabaseName("/d/x.fdb");
  String text = ComponentToText(backup);
  size_t last = 0;
  for (const char* name : {"ServerName", "Protocol = TCP", "Params.Strings", "LibraryName", "Verbose = True",
                           "BackupFile.Strings", "DatabaseName", "Options = [IgnoreLimbo, MetadataOnly]"}) {
    size_t at = text.find(name);
    ASSERT_NE(at, String::npos) << name << "\n" << text;
    EXPECT_GT(at, last) << name;
    last = at;
  }
  auto* copy = New<TpZAZBackupService>(nullptr);
  ReadComponentFromText(text, copy);
  EXPECT_EQ(copy->ServerName(), "srv");
  EXPECT_EQ(copy->Protocol(), TCP);
  EXPECT_EQ(copy->LibraryName(), "libother.so");
  EXPECT_TRUE(copy->Verbose());
  EXPECT_EQ(copy->Options(), (TBackupOptions{IgnoreLimbo, MetadataOnly}));
  EXPECT_EQ(copy->BackupFile()->Text(), "/b/x.gbk\r\n");
  EXPECT_EQ(copy->Params()->Text(), "user_name=SYSDBA\r\n");
  EXPECT_EQ(copy->DatabaseName(), "/d/x.fdb");
  copy->Free();
  backup->Free();
}

TEST(ServicePublished, ActiveReadFromAFormAttachesWhenLoaded) {
  // A form that says Active = True: the attach waits for Loaded, then goes to the service manager of
  // the library the form names (a missing one here, so the attach fails as the loading ends).
  const String text =
      "object Svc: TpZAZValidationService\r\n"
      "  Active = True\r\n"
      "  LoginPrompt = False\r\n"
      "  LibraryName = '/nonexistent/libnoclient.so'\r\n"
      "end\r\n";
  auto* svc = New<TpZAZValidationService>(nullptr);
  try {
    ReadComponentFromText(text, svc);
    ADD_FAILURE() << "Loaded did not attach";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Can't load library /nonexistent/libnoclient.so ");
  }
  EXPECT_FALSE(svc->Active());
  svc->Free();
}
