#include <gtest/gtest.h>

#include "DataControllerSupport.h"
#include "MutationLoop.h"

namespace {

class Stream : public RecordingController {
protected:
  void SetUp() override {
    AddItems({TcxIntegerValueType::StaticClass(), TcxStringValueType::StaticClass(), TcxFloatValueType::StaticClass()});
    DC->ChangeTextStored(1, true);
    Fill({{1, "один", 1.5}, {Null(), "два", Null()}, {3, Null(), 3.25}});
    DC->SetDisplayText(0, 1, "показ");
    DC->SetRecordCount(4);  // record 3 has no buffer
  }

  std::string Saved(TcxCustomDataController* dc) {
    TMemoryStream s;
    dc->SaveToStream(&s);
    return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
  }

  static void LoadInto(TcxCustomDataController* dc, const std::string& bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    s.SetPosition(0);
    dc->LoadFromStream(&s);
  }

  static std::string Error(const std::function<void()>& f) {
    try {
      f();
    } catch (const EcxInvalidDataControllerOperation& e) {
      return e.Message();
    }
    return "no error";
  }

  // A controller with items of the given types.
  struct Other {
    FreeingPtr<TcxDataController> DC{New<TcxDataController>(nullptr)};
    std::vector<std::unique_ptr<TObject>> Items;
    explicit Other(std::initializer_list<TcxValueTypeClass> types, bool textStored = true) {
      for (TcxValueTypeClass t : types) {
        Items.push_back(std::make_unique<TObject>());
        DC->AddItem(Items.back().get());
        DC->ChangeValueTypeClass(static_cast<int32_t>(Items.size()) - 1, t);
      }
      if (textStored && types.size() > 1) DC->ChangeTextStored(1, true);
    }
  };
};

}  // namespace

TEST_F(Stream, LayoutStartsWithTheHeaderAndTheTypeNames) {
  const std::string bytes = Saved(DC);
  TStringStream s(bytes);
  EXPECT_EQ(StreamReadAnsiString(&s), "DataController1");
  EXPECT_EQ(StreamReadInt32(&s), 3);
  EXPECT_EQ(StreamReadAnsiString(&s), "TcxIntegerValueType");
  EXPECT_EQ(StreamReadAnsiString(&s), "TcxStringValueType");
  EXPECT_EQ(StreamReadAnsiString(&s), "TcxFloatValueType");
  EXPECT_EQ(StreamReadInt32(&s), 4);
}

TEST_F(Stream, RoundTripKeepsValuesNullsTextsAndBufferlessRecords) {
  const std::string bytes = Saved(DC);
  Other other({TcxIntegerValueType::StaticClass(), TcxStringValueType::StaticClass(), TcxFloatValueType::StaticClass()});
  other.DC->SetRecordCount(9);
  LoadInto(other.DC.get(), bytes);
  ASSERT_EQ(other.DC->GetRecordCount(), 4);
  for (int32_t r = 0; r < 4; ++r)
    for (int32_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(std::to_string(r) + "," + std::to_string(i));
      EXPECT_EQ(VarIsNull(other.DC->GetValue(r, i)), VarIsNull(DC->GetValue(r, i)));
      EXPECT_EQ(VarToStr(other.DC->GetValue(r, i)), VarToStr(DC->GetValue(r, i)));
    }
  EXPECT_EQ(other.DC->GetDisplayText(0, 1), "показ");
  EXPECT_EQ(other.DC->DataStorage()->BufferOf(3), nullptr);
  EXPECT_EQ(Saved(other.DC.get()), bytes);
}

TEST_F(Stream, ZeroRecordsWriteAndReadAnEmptyTable) {
  DC->SetRecordCount(0);
  const std::string bytes = Saved(DC);
  Other other({TcxIntegerValueType::StaticClass(), TcxStringValueType::StaticClass(), TcxFloatValueType::StaticClass()});
  other.DC->SetRecordCount(2);
  LoadInto(other.DC.get(), bytes);
  EXPECT_EQ(other.DC->GetRecordCount(), 0);
}

TEST_F(Stream, MismatchesAreRejectedBeforeRecordsAreTouched) {
  const std::string bytes = Saved(DC);
  struct Case {
    const char* Name;
    std::vector<TcxValueTypeClass> Types;
  };
  const Case cases[] = {
      {"another item order", {TcxStringValueType::StaticClass(), TcxIntegerValueType::StaticClass(), TcxFloatValueType::StaticClass()}},
      {"an extra item", {TcxIntegerValueType::StaticClass(), TcxStringValueType::StaticClass(), TcxFloatValueType::StaticClass(),
                         TcxFloatValueType::StaticClass()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Other other({});
    for (TcxValueTypeClass t : c.Types) {
      other.Items.push_back(std::make_unique<TObject>());
      other.DC->AddItem(other.Items.back().get());
      other.DC->ChangeValueTypeClass(static_cast<int32_t>(other.Items.size()) - 1, t);
    }
    other.DC->SetRecordCount(2);
    other.DC->SetValue(0, 0, c.Types[0] == TcxStringValueType::StaticClass() ? Variant(String("keep")) : Variant(5));
    EXPECT_EQ(Error([&] { LoadInto(other.DC.get(), bytes); }), "Неверный формат потока");
    EXPECT_EQ(other.DC->GetRecordCount(), 2);
    EXPECT_FALSE(VarIsNull(other.DC->GetValue(0, 0)));
  }
  std::string lower = bytes;
  lower[4] = 'd';  // "dataController1"
  EXPECT_EQ(Error([&] { LoadInto(DC, lower); }), "Неверный формат потока");
}

// A record count larger than the bytes left is refused before the table is resized.
TEST_F(Stream, RecordCountIsCheckedAgainstTheBytesLeft) {
  Other other({TcxIntegerValueType::StaticClass()}, false);
  TMemoryStream s;
  StreamWriteAnsiString(&s, "DataController1");
  StreamWriteInt32(&s, 1);
  StreamWriteAnsiString(&s, "TcxIntegerValueType");
  StreamWriteInt32(&s, 0x7FFFFFFF);
  StreamWriteBoolean(&s, true);
  s.SetPosition(0);
  EXPECT_EQ(Error([&] { other.DC->LoadFromStream(&s); }), "Неверный формат потока");
  EXPECT_EQ(other.DC->GetRecordCount(), 0);
  // A huge string length in the header is refused the same way.
  TMemoryStream h;
  StreamWriteInt32(&h, 0x40000000);
  h.SetPosition(0);
  EXPECT_EQ(Error([&] { other.DC->LoadFromStream(&h); }), "Неверный формат потока");
}

TEST_F(Stream, TruncatedRecordsRaiseTheReadErrorAndReleaseTheLocks) {
  const std::string bytes = Saved(DC);
  Other other({TcxIntegerValueType::StaticClass(), TcxStringValueType::StaticClass(), TcxFloatValueType::StaticClass()});
  EXPECT_THROW(LoadInto(other.DC.get(), bytes.substr(0, bytes.size() - 3)), EReadError);
  EXPECT_FALSE(other.DC->IsInfoLocked());
  EXPECT_EQ(other.DC->GetRowCount(), other.DC->GetRecordCount());
}

TEST_F(Stream, DamagedStreamsFailInBoundedTimeAndMemory) {
  const std::string bytes = Saved(DC);
  Other other({TcxIntegerValueType::StaticClass(), TcxStringValueType::StaticClass(), TcxFloatValueType::StaticClass()});
  mutation::Limits limits;
  limits.Inputs = 2000;
  mutation::Run(bytes, [&](const std::string& input) { LoadInto(other.DC.get(), input); }, limits);
}
