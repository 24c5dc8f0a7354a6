#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "dbaccess/IB_Intf.h"
#include "dbaccess/pZAZServices.h"
#include "rtl/StringLists.h"

TEST(ClientLibrary, SameNameGivesTheSameBindingAndAnotherNameAnother) {
  IPtr<IIBClientLibrary> a = GetClientLibraryByName(DefaultClientLibraryName);
  EXPECT_EQ(a, GetClientLibraryByName(DefaultClientLibraryName));
  EXPECT_EQ(a->GetLibraryName(), "libfbclient.so.2");
  // The same file by another name is another binding.
  IPtr<IIBClientLibrary> b = GetClientLibraryByName(FAKEFB_PATH);
  EXPECT_NE(a, b);
  EXPECT_EQ(b->GetLibraryName(), FAKEFB_PATH);
}

TEST(ClientLibrary, RealClientReportsItsVersion) {
  IPtr<IIBClientLibrary> lib = GetClientLibraryByName(DefaultClientLibraryName);
  EXPECT_GE(lib->ClientMajorVersion(), 3);
  EXPECT_NO_THROW(lib->Proc(ep_isc_service_attach));
}

TEST(ClientLibrary, MissingFileFailsAndIsTriedAgainLater) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      GetClientLibraryByName("/nonexistent/libnothing.so");
      FAIL() << "loaded a missing file";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Can't load library /nonexistent/libnothing.so ");
      EXPECT_EQ(e.ClassType(), Exception::StaticClass());
    }
  }
}

TEST(ClientLibrary, VersionFollowsTheEntryPointsTheFileHas) {
  struct Case {
    const char* path;
    int32_t major, minor;
  } cases[] = {{FAKEFB_PATH, 6, 3}, {FAKEFB5_PATH, 5, 0}, {FAKEFB6_PATH, 6, 0}};
  for (const Case& c : cases) {
    IPtr<IIBClientLibrary> lib = GetClientLibraryByName(c.path);
    EXPECT_EQ(lib->ClientMajorVersion(), c.major) << c.path;
    EXPECT_EQ(lib->ClientMinorVersion(), c.minor) << c.path;
  }
}

TEST(ClientLibrary, VersionFiveClientCannotReachTheServiceManager) {
  TpZAZBackupService* svc = New<TpZAZBackupService>(nullptr);
  svc->SetLibraryName(FAKEFB5_PATH);
  svc->SetLoginPrompt(false);
  try {
    svc->Attach();
    ADD_FAILURE() << "attached through a version 5 client";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), String("Can't find procedure isc_service_attach in ") + FAKEFB5_PATH);
  }
  svc->Free();
}

TEST(ClientLibrary, NeverBoundEntryPointsFailAsMissing) {
  IPtr<IIBClientLibrary> lib = GetClientLibraryByName(FAKEFB_PATH);
  for (TIBEntryPoint ep : {ep_isc_array_lookup_desc, ep_isc_blob_set_desc, ep_isc_add_user, ep_isc_prepare_transaction2}) {
    try {
      lib->Proc(ep);
      ADD_FAILURE() << EntryPointName(ep);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), String("Can't find procedure ") + EntryPointName(ep) + " in " + FAKEFB_PATH);
    }
  }
}

TEST(ClientLibrary, MissingRequiredEntryPointRaisesOSErrorAndRegistersNothing) {
  for (int attempt = 0; attempt < 2; ++attempt)
    EXPECT_THROW(GetClientLibraryByName(FAKEFBBROKEN_PATH), EOSError);
}

TEST(ClientLibrary, FreeingTwiceUnloadsOnce) {
  TIBClientLibrary* lib = New<TIBClientLibrary>(FAKEFB_PATH);
  EXPECT_TRUE(lib->Loaded());
  lib->FreeClientLibrary();
  EXPECT_FALSE(lib->Loaded());
  lib->FreeClientLibrary();
  EXPECT_THROW(lib->Proc(ep_isc_sqlcode), Exception);
  lib->Free();
}

TEST(ClientLibrary, ConcurrentFirstRequestsShareOneBinding) {
  std::vector<IPtr<IIBClientLibrary>> got(8);
  std::vector<std::thread> threads;
  // Another spelling of the fake's path, which no other test asks for.
  String path = FAKEFB_PATH;
  String full = path.substr(0, path.find_last_of('/')) + "/." + path.substr(path.find_last_of('/'));
  for (size_t i = 0; i < got.size(); ++i)
    threads.emplace_back([&, i] { got[i] = GetClientLibraryByName(full); });
  for (auto& t : threads) t.join();
  for (const auto& p : got) EXPECT_EQ(p, got[0]);
}

TEST(ClientLibrary, AnsweredByItsInterfaceIdentifier) {
  IPtr<IIBClientLibrary> lib = GetClientLibraryByName(FAKEFB_PATH);
  auto* obj = dynamic_cast<TObject*>(lib.get());
  ASSERT_NE(obj, nullptr);
  EXPECT_TRUE(Supports(obj, IIBClientLibrary::IID));
  EXPECT_EQ(GUIDToString(IIBClientLibrary::IID), "{BB362CBF-2BD0-41A8-8982-F5E3327354A6}");
}

TEST(ClientLibrary, EventBlockTakesItsNamesAsAnArrayOfFifteen) {
  IPtr<IIBClientLibrary> lib = GetClientLibraryByName(DefaultClientLibraryName);
  char first[] = "FIRST", second[] = "SECOND_EVENT";
  char* names[15] = {first, second};
  ISC_UCHAR *events = nullptr, *results = nullptr;
  ISC_LONG length = lib->isc_event_block(&events, &results, static_cast<ISC_USHORT>(2), names);
  // Version byte, then per name a length byte, the name and a 4-byte count.
  EXPECT_EQ(length, 1 + (1 + 5 + 4) + (1 + 12 + 4));
  ASSERT_NE(events, nullptr);
  EXPECT_EQ(events[1], 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(events) + 2, 5), "FIRST");
  lib->isc_free(reinterpret_cast<ISC_SCHAR*>(events));
  lib->isc_free(reinterpret_cast<ISC_SCHAR*>(results));
}
