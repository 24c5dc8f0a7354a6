#include <gtest/gtest.h>

#include <cstring>

#include "dbaccess/FIBCallBackList.h"
#include "dbaccess/FIBLists.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "rtl/Streams.h"
#include "rtl/Variants.h"

namespace {
class TProbe : public TObject {
  RTL_CLASS(TProbe, TObject)
public:
  explicit TProbe(int* freed) : FFreed(freed) {}
  ~TProbe() override { ++*FFreed; }
  int* FFreed;
};

// Two different texts of equal hash below 16 characters: moving one unit between neighbours changes
// the hash by a multiple of 37 minus 1.
std::pair<String, String> Collision() {
  // h(ab) = (a - 32) * 37 + b - 32 ... so "a" + 37 more in the first and 1 less in the second collide.
  String x = "A~", y = "B";
  y += static_cast<char>('~' - 37);
  return {x, y};
}
}  // namespace

TEST(TextHash, ShortAndLongRules) {
  EXPECT_EQ(TextHash(""), 0);
  EXPECT_EQ(TextHash("A"), 'A' - 32);
  EXPECT_EQ(TextHash("AB"), ('A' - 32) * 37 + 'B' - 32);
  // 16 characters: step 2, the odd positions only, with 39.
  String s16 = "abcdefghijklmnop";
  int32_t h = 0;
  for (size_t i = 0; i < 16; i += 2) h = static_cast<int32_t>(static_cast<uint32_t>(s16[i]) + static_cast<uint32_t>(h) * 39u - 32u);
  EXPECT_EQ(TextHash(s16), h);
  String changed = s16;
  changed[1] = 'Z';  // not sampled
  EXPECT_EQ(TextHash(changed), TextHash(s16));
  String s15 = s16.substr(0, 15), c15 = s15;
  c15[1] = 'Z';
  EXPECT_NE(TextHash(s15), TextHash(c15));
}

TEST(ObjStringList, HashedModeKeepsCollidingTextsFindable) {
  auto [x, y] = Collision();
  ASSERT_EQ(TextHash(x), TextHash(y));
  int freed = 0;
  auto* list = New<TObjStringList>(true);
  auto* ox = New<TProbe>(&freed);
  auto* oy = New<TProbe>(&freed);
  list->Add("SELECT * FROM T", New<TProbe>(&freed));
  int32_t ix = list->Add(x, ox);
  list->Add(y, oy);
  list->Add("select * from t", New<TProbe>(&freed));  // case counts in hashed mode
  EXPECT_EQ(list->Count(), 4);
  int32_t i;
  ASSERT_TRUE(list->Find(x, i));
  EXPECT_EQ(list->GetObject(i), ox);
  ASSERT_TRUE(list->Find(y, i));
  EXPECT_EQ(list->GetObject(i), oy);
  // Adding an existing text stores nothing and returns its index.
  auto* extra = New<TProbe>(&freed);
  ASSERT_TRUE(list->Find(x, ix));
  EXPECT_EQ(list->Add(x, extra), ix);
  EXPECT_EQ(list->Count(), 4);
  extra->Free();
  EXPECT_EQ(freed, 1);
  // Removing leaves the object to the caller; the destructor frees the rest.
  list->Remove(y);
  EXPECT_FALSE(list->Find(y, i));
  EXPECT_TRUE(list->Find(x, i));
  list->Free();
  EXPECT_EQ(freed, 4);
  oy->Free();
}

TEST(ObjStringList, SortedModeIgnoresCase) {
  auto* list = New<TObjStringList>(false);
  list->Add("beta", nullptr);
  list->Add("Alpha", nullptr);
  EXPECT_EQ(list->Add("ALPHA", nullptr), 0);
  EXPECT_EQ(list->Count(), 2);
  int32_t i;
  EXPECT_TRUE(list->Find("BETA", i));
  EXPECT_EQ(i, 1);
  EXPECT_FALSE(list->Find("gamma", i));
  EXPECT_EQ(i, 2);
  list->Remove("alpha");
  EXPECT_EQ(list->Count(), 1);
  list->Free();
}

TEST(SortedList, AddFindShiftAndLast) {
  auto* list = New<TSortedList>();
  EXPECT_EQ(list->LastValue(), -1);
  for (int32_t v : {5, 1, 9, 5, 3}) list->Add(v);
  EXPECT_EQ(list->GetCount(), 4);
  EXPECT_EQ(list->Add(5), 2);
  int32_t i;
  EXPECT_FALSE(list->Find(4, i));
  EXPECT_EQ(i, 2);
  list->ShiftFrom(4, 10);
  EXPECT_EQ(list->GetValue(0), 1);
  EXPECT_EQ(list->GetValue(1), 3);
  EXPECT_EQ(list->GetValue(2), 15);
  EXPECT_EQ(list->LastValue(), 19);
  list->Remove(15);
  EXPECT_EQ(list->GetCount(), 3);
  list->Free();
}

TEST(StringCollection, GrowthCellsAndRowDeletion) {
  auto* table = New<TStringCollection>(2);
  EXPECT_EQ(table->AddRow(), 1);
  EXPECT_EQ(table->Capacity(), 128);
  for (int i = 1; i < 129; ++i) table->AddRow();
  EXPECT_EQ(table->Count(), 129);
  EXPECT_EQ(table->Capacity(), 192);
  table->SetCell(0, 0, "a");
  table->SetCellFromBuffer(1, 1, -1, "zero-terminated");
  table->SetCellFromBuffer(0, 2, 3, "abcdef");
  *table->CellPtr(1, 2) = "in place";
  String copy = table->GetCell(0, 2);
  copy[0] = 'X';  // cells never share storage
  EXPECT_EQ(table->GetCell(0, 2), "abc");
  table->DeleteRow(0);
  EXPECT_EQ(table->Count(), 128);
  EXPECT_EQ(table->GetCell(1, 0), "zero-terminated");
  EXPECT_EQ(table->GetCell(1, 1), "in place");
  EXPECT_EQ(table->GetCell(0, 127), "");
  table->SetCellFromBuffer(1, 0, 0, "x");
  EXPECT_EQ(table->GetCell(1, 0), "");
  table->Clear();
  EXPECT_EQ(table->Capacity(), 0);
  table->Free();
}

// Rows beyond the first thousands: cells keep their addresses as the table grows, deleting a row shifts
// the ones after it across storage boundaries, and a lowered capacity empties what it cut off.
TEST(StringCollection, LargeTablesKeepCellsInPlace) {
  auto* table = New<TStringCollection>(1);
  constexpr int32_t Rows = 3000;
  table->AddRow();
  table->SetCell(0, 0, "first, long enough to live outside the string itself");
  const String* first = table->CellPtr(0, 0);
  for (int32_t r = 1; r < Rows; ++r) {
    table->AddRow();
    table->SetCell(0, r, std::to_string(r));
  }
  EXPECT_EQ(table->CellPtr(0, 0), first);
  EXPECT_EQ(*first, "first, long enough to live outside the string itself");
  table->DeleteRow(1000);
  EXPECT_EQ(table->Count(), Rows - 1);
  for (int32_t r : {999, 1000, 1023, 1024, 2047, Rows - 2})
    EXPECT_EQ(table->GetCell(0, r), std::to_string(r < 1000 ? r : r + 1)) << r;
  table->SetCapacity(1500);
  EXPECT_EQ(table->Count(), 1500);
  table->SetCapacity(Rows);
  EXPECT_EQ(table->GetCell(0, 1499), "1500");
  EXPECT_EQ(table->GetCell(0, 1500), "");
  EXPECT_EQ(table->GetCell(0, Rows - 1), "");
  table->Free();
}

namespace {
class THandlerOwner : public TComponent {
  RTL_CLASS(THandlerOwner, TComponent)
public:
  using TComponent::TComponent;
  void A(TObject*) {}
  void B(TObject*) {}
};
}  // namespace

TEST(CallBackList, AddOnceRemoveAndForgetFreedComponents) {
  auto* list = New<TNotifyEventList>(nullptr);
  auto* ds = New<THandlerOwner>(nullptr);
  auto* other = New<THandlerOwner>(nullptr);
  EXPECT_EQ(list->Add(TNotifyEvent(ds, &THandlerOwner::A)), 0);
  EXPECT_EQ(list->Add(TNotifyEvent(other, &THandlerOwner::A)), 1);
  EXPECT_EQ(list->Add(TNotifyEvent(ds, &THandlerOwner::B)), 2);
  EXPECT_EQ(list->Add(TNotifyEvent(ds, &THandlerOwner::A)), 0);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Get(-1), nullptr);
  EXPECT_EQ(list->Get(3), nullptr);
  EXPECT_FALSE(list->GetEvent(3).Assigned());
  EXPECT_EQ(list->GetEvent(1), TNotifyEvent(other, &THandlerOwner::A));
  ds->Free();  // both of its entries go
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->GetEvent(0), TNotifyEvent(other, &THandlerOwner::A));
  list->Remove(TNotifyEvent(other, &THandlerOwner::A));
  EXPECT_EQ(list->Count(), 0);
  list->Free();
  other->Free();
}

TEST(Miscellaneous, SmallRoutines) {
  EXPECT_TRUE(IsDefaultValueMacro("NOW"));
  EXPECT_FALSE(IsDefaultValueMacro("now"));
  EXPECT_FALSE(IsDefaultValueMacro(""));
  EXPECT_EQ(IntegerDigitCount(999.9L), 3);
  EXPECT_EQ(IntegerDigitCount(1000), 4);
  EXPECT_EQ(IntegerDigitCount(0.5L), 0);
  EXPECT_EQ(IntegerDigitCount(-12345), 5);
  EXPECT_EQ(RoundToDecimals(0, 2.5L), 2);
  EXPECT_EQ(RoundToDecimals(0, 3.5L), 3);  // the fraction alone is rounded: 0.5 to even is 0
  EXPECT_EQ(RoundToDecimals(2, 1.25L), 1.25L);
  TDateTime day1 = SafeTimeStampToDateTime(MakeTimeStamp(1, MSecsPerDay / 2));
  EXPECT_EQ(SafeTimeStampToDateTime(MakeTimeStamp(0, MSecsPerDay / 2)), day1 - 1);
  EXPECT_EQ(DayNumberToDateTime(693594), 0.0);  // 1899-12-30
  EXPECT_TRUE(ByteBitIsSet(0x80, 7));
  EXPECT_EQ(ChangeByteBit(0x80, 0, true), 0x81);
  EXPECT_EQ(ChangeByteBit(0x81, 7, false), 0x01);
  for (int i = 0; i < 20; ++i) {
    int32_t r = RandomRange(5, 8);
    EXPECT_TRUE(r >= 5 && r < 8);
  }
  String digits = RandomDigits(25);
  EXPECT_EQ(digits.size(), 25u);
  EXPECT_EQ(digits.find_first_not_of("0123456789"), String::npos);
  EXPECT_EQ(E10[0], 1e-18);
  EXPECT_EQ(E10[36], 1e18);
}

TEST(Miscellaneous, FullComponentNameAndLoading) {
  auto* form = New<TComponent>(nullptr);
  form->SetName("Form1");
  auto* unnamed = New<TComponent>(form);
  EXPECT_EQ(FullComponentName(unnamed), "Form1");
  EXPECT_FALSE(OwnerChainLoading(unnamed));
  form->Free();
}


TEST(Miscellaneous, VariantArrayToStreamCopiesTheDataBlock) {
  auto* stream = New<TMemoryStream>();
  Variant bytes = VarArrayCreate({1, 4}, varByte);
  for (int32_t i = 1; i <= 4; ++i) bytes[i] = i * 16;
  EXPECT_EQ(VariantArrayToStream(bytes, stream), 4);
  EXPECT_EQ(std::memcmp(stream->Memory(), "\x10\x20\x30\x40", 4), 0);
  Variant ints = VarArrayCreate({0, 1}, varInteger);
  ints[0] = 1;
  ints[1] = -2;
  EXPECT_EQ(VariantArrayToStream(ints, stream), 8);
  const int32_t expected[2] = {1, -2};
  EXPECT_EQ(std::memcmp(stream->Memory(), expected, 8), 0);
  EXPECT_EQ(VariantArrayToStream(Variant(5), stream), 0);
  EXPECT_EQ(VariantArrayToStream(bytes, nullptr), 0);
  stream->Free();
}
