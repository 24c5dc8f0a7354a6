// Forms streamed from their text resources: nested panels, alignment and anchors, handlers bound by
// name, and the order of the form's life-cycle events.

#include "FormsSupport.h"
#include "rtl/ClassRegistry.h"
#include "rtl/ObjLinks.h"
#include "rtl/Resources.h"
#include "rtl/TypInfo.h"

using namespace ft;

class TLayoutForm : public TForm {
  RTL_CLASS(TLayoutForm, TForm)
  RTL_PUBLISHED_DECL
public:
  using TForm::TForm;
  TPanel* pnTop = nullptr;
  TPanel* pnBottom = nullptr;
  TPanel* pnLeft = nullptr;
  TPanel* pnClient = nullptr;
  TTestControl* edName = nullptr;
  TTestControl* btOk = nullptr;
  TTestControl* btCentered = nullptr;
  std::vector<std::string> Events;
  bool SeenFieldsInCreate = false;

  void FormCreate(TObject*) {
    Events.push_back("Create");
    SeenFieldsInCreate = edName && btOk && edName->Parent() == pnClient;
  }
  void FormShow(TObject*) { Events.push_back("Show"); }
  void FormActivate(TObject*) { Events.push_back("Activate"); }
  void FormDeactivate(TObject*) { Events.push_back("Deactivate"); }
  void FormHide(TObject*) { Events.push_back("Hide"); }
  void FormCloseQuery(TObject*, bool& canClose) {
    Events.push_back("CloseQuery");
    canClose = true;
  }
  void FormClose(TObject*, TCloseAction& action) {
    Events.push_back("Close");
    (void)action;
  }
  void FormDestroy(TObject*) {
    Events.push_back("Destroy");
    if (DestroyedLog) *DestroyedLog = Events;
  }
  std::vector<std::string>* DestroyedLog = nullptr;
};

RTL_PUBLISHED(TLayoutForm) {
  field("pnTop", &TLayoutForm::pnTop);
  field("pnBottom", &TLayoutForm::pnBottom);
  field("pnLeft", &TLayoutForm::pnLeft);
  field("pnClient", &TLayoutForm::pnClient);
  field("edName", &TLayoutForm::edName);
  field("btOk", &TLayoutForm::btOk);
  field("btCentered", &TLayoutForm::btCentered);
  method("FormCreate", &TLayoutForm::FormCreate);
  method("FormShow", &TLayoutForm::FormShow);
  method("FormActivate", &TLayoutForm::FormActivate);
  method("FormDeactivate", &TLayoutForm::FormDeactivate);
  method("FormHide", &TLayoutForm::FormHide);
  method("FormCloseQuery", &TLayoutForm::FormCloseQuery);
  method("FormClose", &TLayoutForm::FormClose);
  method("FormDestroy", &TLayoutForm::FormDestroy);
}

namespace {
const char* kLayoutForm = R"(object LayoutForm: TLayoutForm
  Left = 100
  Top = 50
  Caption = 'Layout'
  ClientWidth = 400
  ClientHeight = 300
  OnCreate = FormCreate
  OnShow = FormShow
  OnActivate = FormActivate
  OnDeactivate = FormDeactivate
  OnHide = FormHide
  OnCloseQuery = FormCloseQuery
  OnClose = FormClose
  OnDestroy = FormDestroy
  object pnTop: TPanel
    Left = 0
    Top = 0
    Width = 400
    Height = 40
    Align = alTop
  end
  object pnBottom: TPanel
    Left = 0
    Top = 260
    Width = 400
    Height = 30
    Align = alBottom
  end
  object pnLeft: TPanel
    Left = 0
    Top = 40
    Width = 80
    Height = 200
    Align = alLeft
  end
  object pnClient: TPanel
    Left = 80
    Top = 40
    Width = 320
    Height = 230
    Align = alClient
    BevelOuter = bvNone
    object edName: TTestControl
      Left = 10
      Top = 10
      Width = 300
      Height = 20
      Anchors = [akLeft, akTop, akRight]
    end
    object btOk: TTestControl
      Left = 240
      Top = 200
      Width = 70
      Height = 20
      Anchors = [akRight, akBottom]
    end
    object btCentered: TTestControl
      Left = 120
      Top = 100
      Width = 80
      Height = 20
      Anchors = []
    end
  end
end
)";

class FormStreamingTest : public FormsTest {
protected:
  void SetUp() override {
    FormsTest::SetUp();
    RegisterClass(TLayoutForm::StaticClass());
    RegisterFormResource("TLayoutForm", kLayoutForm);
  }
  void TearDown() override {
    UnregisterFormResource("TLayoutForm");
    FormsTest::TearDown();
  }
};

}  // namespace

TEST_F(FormStreamingTest, ReadsTreeAndBindsFieldsAndHandlersBeforeOnCreate) {
  auto* form = New<TLayoutForm>(Application);
  EXPECT_TRUE(form->SeenFieldsInCreate);
  EXPECT_EQ(form->Caption(), "Layout");
  EXPECT_EQ(form->ClientWidth(), 400);
  EXPECT_EQ(form->ClientHeight(), 300);
  EXPECT_EQ(form->pnClient->ControlCount(), 3);
  EXPECT_EQ(form->edName->Owner(), form);
  EXPECT_FALSE(form->HandleAllocated());  // windows come when the form is shown
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form->edName->ComponentState().Contains(csLoading));
  form->Free();
}

TEST_F(FormStreamingTest, AlignsInPlatformOrderAndFollowsAnchorsOnResize) {
  auto* form = New<TLayoutForm>(Application);
  form->Show();
  Pump();
  ASSERT_TRUE(form->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  // Top and bottom take the full width first; left then fills the height between them.
  ExpectBounds(form->pnTop, 0, 0, 400, 40);
  ExpectBounds(form->pnBottom, 0, 270, 400, 30);
  ExpectBounds(form->pnLeft, 0, 40, 80, 230);
  ExpectBounds(form->pnClient, 80, 40, 320, 230);
  ExpectBounds(form->edName, 10, 10, 300, 20);

  form->SetClientWidth(500);
  form->SetClientHeight(400);
  Pump();
  ExpectBounds(form->pnBottom, 0, 370, 500, 30);
  ExpectBounds(form->pnClient, 80, 40, 420, 330);
  ExpectBounds(form->edName, 10, 10, 400, 20);      // left and right anchored: grows
  ExpectBounds(form->btOk, 340, 300, 70, 20);       // right and bottom anchored: moves
  ExpectBounds(form->btCentered, 170, 150, 80, 20);  // no anchors: keeps its place relative to the centre
  // The windows follow the controls.
  RECT r;
  GetWindowRect(form->btOk->Handle(), &r);
  POINT o = form->pnClient->ClientToScreen(POINT{340, 300});
  EXPECT_EQ(r.left, o.x);
  EXPECT_EQ(r.top, o.y);

  form->Free();
}

TEST_F(FormStreamingTest, HiddenAlignedControlGivesItsSpaceBack) {
  auto* form = New<TLayoutForm>(Application);
  form->Show();
  form->pnLeft->SetVisible(false);
  ExpectBounds(form->pnClient, 0, 40, 400, 230);
  form->DisableAlign();
  form->pnLeft->SetVisible(true);
  ExpectBounds(form->pnClient, 0, 40, 400, 230);  // waits for EnableAlign
  form->EnableAlign();
  ExpectBounds(form->pnClient, 80, 40, 320, 230);
  form->Free();
}

TEST_F(FormStreamingTest, GrowingTopAlignedControlStaysBelowTheOneAboveIt) {
  auto* form = New<TLayoutForm>(Application);
  auto* second = New<TPanel>(form);
  second->SetBounds(0, 100, 400, 20);
  second->SetAlign(alTop);
  second->SetParent(form);
  ExpectBounds(second, 0, 40, 400, 20);
  // The lower one grows from where it is (as a dock does when a bar enters it): the upper one stays first.
  second->SetBounds(second->Left(), second->Top(), second->Width(), 26);
  ExpectBounds(form->pnTop, 0, 0, 400, 40);
  ExpectBounds(second, 0, 40, 400, 26);
  // Moved above the first, it goes first.
  second->SetBounds(0, -5, 400, 26);
  ExpectBounds(second, 0, 0, 400, 26);
  ExpectBounds(form->pnTop, 0, 26, 400, 40);
  form->Free();
}

TEST_F(FormStreamingTest, ConstraintsLimitAlignedSize) {
  auto* form = New<TLayoutForm>(Application);
  form->pnTop->Constraints()->SetMaxHeight(25);
  ExpectBounds(form->pnTop, 0, 0, 400, 25);
  ExpectBounds(form->pnLeft, 0, 25, 80, 245);
  form->Free();
}

TEST_F(FormStreamingTest, LifeCycleEventsComeInPlatformOrder) {
  auto* main = New<TForm>(Application, 0);
  Application->SetMainForm(main);
  main->Show();
  Pump();
  std::vector<std::string> log;
  auto* form = New<TLayoutForm>(Application);
  form->DestroyedLog = &log;
  form->Show();
  Pump();
  form->Close();
  Pump();
  EXPECT_FALSE(form->Visible());
  form->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"Create", "Show", "Activate", "CloseQuery", "Close", "Hide", "Deactivate",
                                           "Destroy"}));
}

TEST_F(FormStreamingTest, CloseQueryCanRefuseAndCloseActionFreeReleasesTheForm) {
  auto* form = New<TLayoutForm>(Application);
  form->Show();
  Pump();
  form->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
  form->Close();
  EXPECT_TRUE(form->Visible());
  form->OnCloseQuery = nullptr;
  TObjectLink<TLayoutForm> link(form);
  form->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
  form->Close();
  EXPECT_TRUE(link.Get() != nullptr);  // Release waits for the queue
  Pump();
  EXPECT_TRUE(link.Get() == nullptr);
}

namespace {
class TNoResourceForm : public TForm {
  RTL_CLASS(TNoResourceForm, TForm)
public:
  using TForm::TForm;
};
}  // namespace

TEST_F(FormStreamingTest, MissingResourceRaises) {
  EXPECT_THROW(New<TNoResourceForm>(Application), EResNotFound);
  EXPECT_EQ(Screen->FormCount(), 0);
  EXPECT_EQ(Application->ComponentCount(), 0);
}

namespace {

TEST_F(FormStreamingTest, FormsTakeTheScreenResolutionWhenCreated) {
  auto* before = New<TForm>(Application, 0);
  Screen->SetPixelsPerInch(120);
  auto* after = New<TForm>(Application, 0);
  EXPECT_EQ(before->PixelsPerInch(), 96);
  EXPECT_EQ(after->PixelsPerInch(), 120);
  Screen->SetPixelsPerInch(0);  // no resolution: the standard one
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
  after->Free();
  before->Free();
}

}  // namespace
