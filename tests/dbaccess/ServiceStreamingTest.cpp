#include <gtest/gtest.h>

#include <vector>

#include "dbaccess/pZAZServices.h"
#include "rtl/StringLists.h"
#include "rtl/TypInfo.h"

TEST(ServicePublished, PropertiesInStreamingOrder) {
  struct Case {
    TClass cls;
    std::vector<String> names;
  } cases[] = {
      {TpZAZBackupService::StaticClass(),
       {"Active", "ServerName", "Protocol", "Params", "LoginPrompt", "OnAttach", "OnLogin", "LibraryName",
        "BufferSize", "Verbose", "OnTextNotify", "BackupFile", "BlockingFactor", "DatabaseName", "Options"}},
      {TpZAZValidationService::StaticClass(),
       {"Active", "ServerName", "Protocol", "Params", "LoginPrompt", "OnAttach", "OnLogin", "LibraryName",
        "BufferSize", "DatabaseName", "Options", "GlobalAction", "OnTextNotify"}},
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
