#include <gtest/gtest.h>

#include "TestDb.h"
#include "dbaccess/RegUtils.h"
#include "rtl/Registry.h"

namespace {

class RegUtils : public ::testing::Test {
protected:
  void SetUp() override { SetRegistryRoot(dir.Path()); }
  void TearDown() override { SetRegistryRoot(String()); }
  TempDir dir;
};

TEST_F(RegUtils, WritesWhileBothListsLastAndReadsBackByType) {
  WriteRegValuesHKCU({"Software", "Vorn", "Aliases"}, {"Path", "Port", "Missing"},
                     {Variant(String("/db/x.fdb")), Variant(int32_t{3050})});
  TRegistry* reg = New<TRegistry>();
  reg->SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg->OpenKeyReadOnly("Software\\Vorn\\Aliases"));
  EXPECT_FALSE(reg->ValueExists("Missing"));
  const uint8_t raw[] = {1, 2, 3};
  reg->CloseKey();
  ASSERT_TRUE(reg->OpenKey("Software\\Vorn\\Aliases", false));
  reg->WriteBinaryData("Raw", raw, 3);
  reg->Free();

  const Variant v = ReadRegValuesHKCU({"Software", "Vorn", "Aliases"}, {"Path", "Port", "Raw", "Nothing"});
  ASSERT_EQ(VarArrayDimCount(v), 2);
  EXPECT_EQ(VarArrayGet(v, {0, 0}).AsString(), "/db/x.fdb");
  EXPECT_TRUE(VarArrayGet(v, {1, 0}).AsBoolean());
  EXPECT_EQ(VarArrayGet(v, {0, 1}).AsInteger(), 3050);
  EXPECT_TRUE(VarArrayGet(v, {1, 1}).AsBoolean());
  for (int32_t i : {2, 3}) {
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(v, {0, i}))) << i;
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(v, {1, i}))) << i;
  }
}

TEST_F(RegUtils, MissingMiddleKeyGivesFalse) {
  WriteRegValuesHKCU({"A", "B", "C"}, {"X"}, {Variant(int32_t{1})});
  for (const Variant& v : {ReadRegValuesHKCU({"A", "Nope", "C"}, {"X"}), GetRegKeyNamesHKCU({"A", "Nope"})}) {
    EXPECT_EQ(VarType(v), varBoolean);
    EXPECT_FALSE(v.AsBoolean());
  }
}

TEST_F(RegUtils, KeyNamesAndFindByValueWithLetterCase) {
  WriteRegValuesHKCU({"Kinds", "Alpha"}, {"Name"}, {Variant(String("Read"))});
  WriteRegValuesHKCU({"Kinds", "Beta"}, {"Name"}, {Variant(String("write"))});
  WriteRegValuesHKCU({"Kinds", "Gamma"}, {"Name"}, {Variant(String("Write"))});
  const Variant names = GetRegKeyNamesHKCU({"Kinds"});
  ASSERT_EQ(VarArrayDimCount(names), 1);
  EXPECT_EQ(VarArrayHighBound(names, 1), 2);
  EXPECT_EQ(VarArrayElementType(names), varOleStr);
  EXPECT_EQ(VarArrayGet(names, {0}).AsString(), "Alpha");
  EXPECT_EQ(FindRegKeyByValue("Kinds", "Name", "Write"), "Gamma");
  EXPECT_EQ(FindRegKeyByValue("Kinds", "Name", "write"), "Beta");
  EXPECT_EQ(FindRegKeyByValue("Kinds", "Name", "none"), "");
  EXPECT_EQ(FindRegKeyByValue("NoSuchKey", "Name", "Read"), "");
}

}  // namespace
