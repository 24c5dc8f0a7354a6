#include <gtest/gtest.h>

#include "datasets/pZAZDataSet.h"
#include "rtl/Filer.h"

namespace {

struct Freer {
  TObject* Object;
  ~Freer() { Object->Free(); }
};

bool Has(const String& text, const String& line) { return text.find(line) != String::npos; }

TEST(StreamedOptions, DefaultsWriteNothingAndChangesWriteTheirMember) {
  auto* ds = New<TpZAZDataSet>(nullptr);
  Freer f{ds};
  ds->SetName("qProjects");
  String text = ComponentToText(ds);
  for (const char* name : {"oTrimCharFields", "poUseBooleanField", "oKeepSorting", "BufferChunks", "ObjectView"})
    EXPECT_FALSE(Has(text, name)) << text;

  TpZAZDsOptions options = ds->Options();
  options.Exclude(poTrimCharFields);
  options.Include(poKeepSorting);
  ds->SetOptions(options);
  TpPrepareOptions prepare = ds->PrepareOptions();
  prepare.Exclude(psSetEmptyStrToNull);
  prepare.Include(psSQLINT64ToBCD);
  ds->SetPrepareOptions(prepare);
  ds->SetDetailConditions(TDetailConditions{dcForceOpen});
  text = ComponentToText(ds);
  EXPECT_TRUE(Has(text, "oTrimCharFields = False")) << text;
  EXPECT_TRUE(Has(text, "oKeepSorting = True")) << text;
  EXPECT_TRUE(Has(text, "poEmptyStrToNull = False")) << text;
  EXPECT_TRUE(Has(text, "poSQLINT64ToBCD = True")) << text;
  EXPECT_TRUE(Has(text, "dcForceOpen = True")) << text;
  EXPECT_FALSE(Has(text, "oRefreshAfterPost")) << text;
}

TEST(StreamedOptions, ReadingAppliesMembersAndOlderEntries) {
  auto* ds = New<TpZAZDataSet>(nullptr);
  Freer f{ds};
  ReadComponentFromText(
      "object qBackups: TpZAZDataSet\n"
      "  BufferChunks = 50\n"
      "  poUseBooleanField = False\n"
      "  oFetchAll = True\n"
      "  oStartTransaction = False\n"
      "  WaitEndMasterScroll = True\n"
      "  ObjectView = True\n"
      "end\n",
      ds);
  EXPECT_EQ(ds->BufferChunks(), 50);
  EXPECT_FALSE(ds->PrepareOptions().Contains(psUseBooleanField));
  EXPECT_TRUE(ds->PrepareOptions().Contains(psGetOrderInfo));
  EXPECT_TRUE(ds->Options().Contains(poFetchAll));
  EXPECT_FALSE(ds->Options().Contains(poStartTransaction));
  EXPECT_TRUE(ds->Options().Contains(poTrimCharFields));
  EXPECT_TRUE(ds->DetailConditions().Contains(dcWaitEndMasterScroll));
}

}  // namespace
