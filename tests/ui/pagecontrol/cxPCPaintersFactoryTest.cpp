// The painter registry: registration order, lookups by style and look-and-feel, errors, and the control's
// painter following Style and the look-and-feel.

#include "cxPCSupport.h"

using namespace pc_test;

namespace {

// Styles that stand in for the registered ones: identifiers and look-and-feel answers only.
template <int Id, int DefaultKinds, bool Native>
class TFakePainter : public TTestPainter {
  RTL_CLASS(TFakePainter, TTestPainter)
public:
  using TTestPainter::TTestPainter;
  static TcxPCStyleID GetStyleID() { return Id; }
  static String GetStyleName() { return "Fake" + IntToStr(Id); }
  static bool IsDefaultForLookAndFeel(TcxLookAndFeel* L) { return (DefaultKinds >> L->GetKind()) & 1; }
  static bool IsNativeStyleSupported(TcxLookAndFeel* L) { return Native && L->GetNativeStyle(); }
};
using TTabsLike = TFakePainter<1, 1 << lfStandard, true>;
using TButtonsLike = TFakePainter<2, 0, false>;
using TFlatLike = TFakePainter<5, (1 << lfFlat) | (1 << lfUltraFlat) | (1 << lfOffice11), false>;

class PaintersFactoryTest : public PCTest {
protected:
  void SetUp() override {
    PCTest::SetUp();
    UnregisterPainterClass(TcxPCPainterClassOf<TTestPainter>());
  }
};

TEST_F(PaintersFactoryTest, RegisteringTwiceKeepsOneEntryAndTheLastUnregisterFreesTheRegistry) {
  EXPECT_EQ(PaintersFactory(), nullptr);
  RegisterPainterClass(TcxPCPainterClassOf<TTabsLike>());
  RegisterPainterClass(TcxPCPainterClassOf<TTabsLike>());
  ASSERT_NE(PaintersFactory(), nullptr);
  EXPECT_EQ(PaintersFactory()->Count(), 1);
  UnregisterPainterClass(TcxPCPainterClassOf<TTabsLike>());
  EXPECT_EQ(PaintersFactory(), nullptr);
  RegisterPainterClass(TcxPCPainterClassOf<TFlatLike>());
  EXPECT_EQ(PaintersFactory()->Count(), 1);
  EXPECT_EQ(FindPainterClass(5), TcxPCPainterClassOf<TFlatLike>());
  EXPECT_EQ(FindPainterClass(1), nullptr);
}

TEST_F(PaintersFactoryTest, StyleForEachLookAndFeel) {
  RegisterPainterClass(TcxPCPainterClassOf<TTabsLike>());
  RegisterPainterClass(TcxPCPainterClassOf<TButtonsLike>());
  RegisterPainterClass(TcxPCPainterClassOf<TFlatLike>());
  TcxLookAndFeel* lf = New<TcxLookAndFeel>(nullptr);
  struct Case {
    TcxLookAndFeelKind kind;
    bool native;
    TcxPCStyleID forLookAndFeel, byDefault;
  };
  const Case cases[] = {
      {lfStandard, false, 1, 1}, {lfFlat, false, 5, 1},   {lfUltraFlat, false, 5, 1},
      {lfOffice11, false, 5, 1}, {lfStandard, true, 1, 1}, {lfUltraFlat, true, 5, 1},
  };
  for (const Case& c : cases) {
    lf->SetKind(c.kind);
    lf->SetNativeStyle(c.native);
    EXPECT_EQ(GetStyleForLookAndFeel(lf), c.forLookAndFeel) << int(c.kind);
    EXPECT_EQ(GetDefaultStyleID(lf), c.byDefault) << int(c.kind);
  }
  lf->Free();
}

TEST_F(PaintersFactoryTest, ErrorsNameTheRegistryAndTheOperation) {
  TcxLookAndFeel* lf = New<TcxLookAndFeel>(nullptr);
  try {
    GetDefaultStyleID(lf);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TcxPCPaintersFactory.GetDefaultStyleID: Не зарегистрирован ни один стиль");
  }
  try {
    GetPainterInstance(nullptr, nullptr);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TcxPCPaintersFactory.GetPainterInstance: PCPainterClass - nil");
  }
  EXPECT_EQ(GetStyleForLookAndFeel(lf), cxPCNoStyle);
  lf->Free();
}

TEST_F(PaintersFactoryTest, ControlFollowsStyleAndLookAndFeel) {
  RegisterPainterClass(TcxPCPainterClassOf<TTabsLike>());
  RegisterPainterClass(TcxPCPainterClassOf<TButtonsLike>());
  RegisterPainterClass(TcxPCPainterClassOf<TFlatLike>());
  auto* c = MakeControl(200, 100, {"a", "b"});
  c->LookAndFeel()->SetKind(lfStandard);
  EXPECT_EQ(c->ActualStyle(), 1);
  c->LookAndFeel()->SetKind(lfUltraFlat);
  EXPECT_EQ(c->ActualStyle(), 5);
  c->SetStyle(2);
  EXPECT_EQ(c->Style(), 2);
  EXPECT_EQ(c->ActualStyle(), 2);
  c->SetStyle(77);  // unknown: ignored
  EXPECT_EQ(c->Style(), 2);
  EXPECT_EQ(c->ActualStyle(), 2);
  c->LookAndFeel()->SetKind(lfStandard);  // an explicit style stays
  EXPECT_EQ(c->ActualStyle(), 2);
  c->SetStyle(0);
  EXPECT_EQ(c->ActualStyle(), 1);
  EXPECT_EQ(c->Painter()->PainterClass(), TcxPCPainterClassOf<TTabsLike>());
}

}  // namespace
