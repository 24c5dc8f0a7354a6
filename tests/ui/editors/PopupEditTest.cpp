// The popup edit on a headless form, driven through the message loop: a control of the form lifted into the
// popup and given back exactly however the popup closes, the refusal of a control that holds the editor,
// the size rule, the focus, and the editor or the control going away while the popup is open.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "cxContainerTestSupport.h"
#include "forms/ExtCtrls.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxPopupEdit.h"
#include "winapi/Headless.h"

using namespace cxcontainer_test;

namespace {

const char* const kPopupEditCyclicText = "Циклические ссылки не допустимы";

class PopupEditTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    cxPopupEditInitialize();
    Application->OnException = TExceptionEvent([this](TObject*, Exception* E) {
      Errors.push_back(std::string(E->Message().c_str()));
    });
    Form->SetBounds(0, 0, 800, 600);
    Host = New<TPanel>(Form);
    Host->SetParent(Form);
    Host->SetBounds(400, 20, 300, 200);
    Control = New<TPanel>(Form);
    Control->SetParent(Host);
    Control->SetBounds(10, 20, 160, 90);
    Inner = New<TEdit>(Form);
    Inner->SetParent(Control);
    Inner->SetBounds(5, 5, 100, 21);
    Edit = New<TcxPopupEdit>(Form);
    Edit->SetParent(Form);
    Edit->SetBounds(20, 20, 150, 24);
    Edit->Properties()->SetPopupControl(Control);
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(20, 300, 100, 21);
    Idle();
    Edit->SetFocus();
    Idle();
  }
  void TearDown() override {
    Application->OnException = TExceptionEvent();
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  // Opens through the posted request, as the drop-down button does.
  void Open() {
    Edit->DropDown();
    Idle();
  }
  bool IsOpen() { return Edit->HasPopupWindow(); }

  TPanel* Host = nullptr;
  TPanel* Control = nullptr;
  TEdit* Inner = nullptr;
  TcxPopupEdit* Edit = nullptr;
  TEdit* Other = nullptr;
  std::vector<std::string> Errors;
};

struct PopupEditPlace {
  TAlign align;
  bool visible;
  bool onForm;  // directly on the form instead of on the host panel
};

std::string PopupEditPlaceName(const PopupEditPlace& p) {
  static const char* const kAligns[] = {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"};
  return std::string(kAligns[p.align]) + (p.visible ? " visible" : " hidden") + (p.onForm ? " on the form" : " on a panel");
}

enum class PopupEditClose { Accept, Cancel, OutsideClick, FocusElsewhere, CloseButton, DroppedRequest };

const char* PopupEditCloseName(PopupEditClose c) {
  switch (c) {
    case PopupEditClose::Accept: return "accept";
    case PopupEditClose::Cancel: return "cancel";
    case PopupEditClose::OutsideClick: return "outside click";
    case PopupEditClose::FocusElsewhere: return "focus elsewhere";
    case PopupEditClose::CloseButton: return "close button";
    case PopupEditClose::DroppedRequest: return "dropped show request";
  }
  return "";
}

// The control's place in its parent's list, which decides what paints over what.
int32_t PopupEditIndexIn(TControl* AControl) {
  TWinControl* parent = AControl->Parent();
  for (int32_t i = 0; parent && i < parent->ControlCount(); ++i)
    if (parent->Controls(i) == AControl) return i;
  return -1;
}

TEST_F(PopupEditTest, AHostedControlIsGivenBackExactlyHoweverThePopupCloses) {
  const PopupEditPlace places[] = {
      {alNone, true, false},  {alTop, true, false},   {alBottom, true, false}, {alLeft, true, true},
      {alRight, true, false}, {alClient, true, false}, {alNone, false, false}, {alTop, false, true},
      {alClient, false, true}, {alLeft, false, false},
  };
  const PopupEditClose closes[] = {PopupEditClose::Accept,         PopupEditClose::Cancel,
                                   PopupEditClose::OutsideClick,   PopupEditClose::FocusElsewhere,
                                   PopupEditClose::CloseButton,    PopupEditClose::DroppedRequest};
  Edit->Properties()->SetPopupSysPanelStyle(true);
  // A sibling on the host keeps the aligned layout non-trivial.
  auto* sibling = New<TPanel>(Form);
  sibling->SetParent(Host);
  sibling->SetBounds(200, 120, 60, 40);
  sibling->SetAlign(alTop);
  for (const PopupEditPlace& place : places) {
    for (PopupEditClose how : closes) {
      SCOPED_TRACE(PopupEditPlaceName(place) + ", " + PopupEditCloseName(how));
      Control->SetAlign(alNone);
      Control->SetParent(place.onForm ? static_cast<TWinControl*>(Form) : Host);
      Control->SetBounds(10, 50, 160, 90);
      Control->SetAlign(place.align);
      Control->SetVisible(place.visible);
      Idle();
      const RECT bounds = Control->BoundsRect();
      const RECT siblingBounds = sibling->BoundsRect();
      TWinControl* const parent = Control->Parent();
      const int32_t tabOrder = Control->TabOrder();
      const int32_t index = PopupEditIndexIn(Control);

      if (how == PopupEditClose::DroppedRequest) {
        // The show request is taken off the queue before it arrives, as validation does.
        Edit->DropDown();
        MSG m;
        while (PeekMessage(&m, Edit->PopupWindow()->Handle(), CM_SHOWPOPUPWINDOW, CM_SHOWPOPUPWINDOW, PM_REMOVE)) {
        }
        EXPECT_EQ(Edit->PopupWindow(), Control->Parent());
        Idle();
      } else {
        Open();
        ASSERT_TRUE(IsOpen());
        EXPECT_EQ(Edit->PopupWindow(), Control->Parent());
        EXPECT_EQ(alClient, Control->Align());
        EXPECT_TRUE(Control->Visible());
        EXPECT_EQ(R4(Edit->PopupWindow()->ViewInfo()->ClientRect), R4(Control->BoundsRect()));
        switch (how) {
          case PopupEditClose::Accept: Edit->ClosePopup(true); break;
          case PopupEditClose::Cancel: Edit->ClosePopup(false); break;
          case PopupEditClose::OutsideClick: Click(Form, 300, 450); break;
          case PopupEditClose::FocusElsewhere:
            Other->SetFocus();
            break;
          case PopupEditClose::CloseButton: {
            const RECT& b = Edit->PopupWindow()->ViewInfo()->CloseButtonRect;
            ASSERT_FALSE(IsRectEmpty(&b));
            Click(Edit->PopupWindow(), (b.left + b.right) / 2, (b.top + b.bottom) / 2);
            break;
          }
          default: break;
        }
        Idle();
      }
      EXPECT_FALSE(IsOpen());
      EXPECT_EQ(nullptr, Edit->HostedControl());
      EXPECT_EQ(parent, Control->Parent());
      EXPECT_EQ(place.align, Control->Align());
      EXPECT_EQ(place.visible, Control->Visible());
      EXPECT_EQ(R4(bounds), R4(Control->BoundsRect()));
      EXPECT_EQ(tabOrder, Control->TabOrder());
      EXPECT_EQ(index, PopupEditIndexIn(Control));
      EXPECT_EQ(R4(siblingBounds), R4(sibling->BoundsRect()));
      EXPECT_EQ(Inner->Parent(), Control);
      EXPECT_TRUE(Errors.empty());
      Edit->SetFocus();
      Idle();
    }
  }
}

TEST_F(PopupEditTest, AFormLosesItsBorderWhileShownAndGetsItBack) {
  auto* form = New<TForm>(Application, 0);
  form->SetBorderStyle(bsSizeToolWin);
  form->SetBounds(500, 300, 180, 120);
  Edit->Properties()->SetPopupControl(form);
  Open();
  ASSERT_TRUE(IsOpen());
  EXPECT_EQ(bsNone, form->BorderStyle());
  EXPECT_EQ(Edit->PopupWindow(), form->Parent());
  EXPECT_TRUE(form->Visible());
  Edit->ClosePopup(false);
  Idle();
  EXPECT_EQ(bsSizeToolWin, form->BorderStyle());
  EXPECT_EQ(nullptr, form->Parent());
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(R4(RECT{500, 300, 680, 420}), R4(form->BoundsRect()));
  form->Free();
}

TEST_F(PopupEditTest, AControlHoldingTheEditorIsRefused) {
  struct CyclicCase {
    const char* name;
    std::function<TControl*()> control;
  };
  auto* holder = New<TPanel>(Form);
  holder->SetParent(Form);
  holder->SetBounds(10, 200, 300, 80);
  auto* inner = New<TPanel>(Form);
  inner->SetParent(holder);
  inner->SetBounds(5, 5, 200, 60);
  const CyclicCase cases[] = {
      {"the editor itself", [&] { return static_cast<TControl*>(Edit); }},
      {"the editor's form", [&] { return static_cast<TControl*>(Form); }},
      {"the editor's parent panel", [&] { return static_cast<TControl*>(inner); }},
      {"a panel two levels up", [&] { return static_cast<TControl*>(holder); }},
      {"the popup window", [&] { return static_cast<TControl*>(Edit->PopupWindow()); }},
  };
  for (const CyclicCase& c : cases) {
    SCOPED_TRACE(c.name);
    Edit->SetParent(std::string(c.name) == "the editor's form" || std::string(c.name) == "the editor itself" ||
                            std::string(c.name) == "the popup window"
                        ? static_cast<TWinControl*>(Form)
                        : inner);
    Edit->SetBounds(20, 20, 150, 24);
    TControl* control = c.control();
    Edit->Properties()->SetPopupControl(control);
    Idle();
    const RECT bounds = control->BoundsRect();
    TWinControl* parent = control->Parent();
    int inits = 0;
    Edit->Properties()->OnInitPopup = TNotifyEvent([&](TObject*) { ++inits; });
    try {
      Edit->DropDown();
      ADD_FAILURE() << "no exception";
    } catch (Exception& e) {
      EXPECT_EQ(kPopupEditCyclicText, std::string(e.Message().c_str()));
      EXPECT_EQ("Exception", std::string(e.ClassName().c_str()));
    }
    Idle();
    EXPECT_EQ(0, inits);
    EXPECT_FALSE(IsOpen());
    EXPECT_EQ(nullptr, Edit->HostedControl());
    EXPECT_EQ(parent, control->Parent());
    EXPECT_EQ(R4(bounds), R4(control->BoundsRect()));
    Edit->Properties()->OnInitPopup = TNotifyEvent();
  }
  // Through the keyboard the message reaches the application's exception handling.
  Edit->SetParent(inner);
  Edit->Properties()->SetPopupControl(holder);
  Edit->SetFocus();
  Idle();
  headless::KeyPress(VK_F4);
  Idle();
  ASSERT_EQ(1u, Errors.size());
  EXPECT_EQ(kPopupEditCyclicText, Errors[0]);
  EXPECT_FALSE(IsOpen());
  EXPECT_EQ(Form, holder->Parent());
}

TEST_F(PopupEditTest, SizeRule) {
  struct SizeCase {
    bool autoSize, sizeable;
    int popupWidth, popupHeight;
    int controlWidth, controlHeight;
    int wantWidth, wantHeight;  // of the popup; -1: the control's size plus the frame
  };
  const SizeCase cases[] = {
      {true, true, 250, 200, 160, 120, -1, -1},     // the control's own size plus the frame
      {true, true, 250, 200, 300, 220, -1, -1},
      {true, true, 250, 200, 160, 90, -1, 100},     // sizeable: never below the minimum height
      {true, true, 250, 200, 40, 30, 100, 100},
      {true, false, 250, 200, 40, 30, -1, -1},      // the minimums hold only for a sizeable popup
      {false, true, 250, 200, 160, 90, 250, 200},   // the popup's size; the control follows
      {false, false, 0, 120, 160, 90, 150, 120},    // width 0: as wide as the editor
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.autoSize << c.sizeable << " " << c.popupWidth << "x" << c.popupHeight
                                    << " control " << c.controlWidth << "x" << c.controlHeight);
    Edit->Properties()->SetPopupAutoSize(c.autoSize);
    Edit->Properties()->SetPopupSizeable(c.sizeable);
    Edit->Properties()->SetPopupWidth(c.popupWidth);
    Edit->Properties()->SetPopupHeight(c.popupHeight);
    Control->SetBounds(10, 50, c.controlWidth, c.controlHeight);
    Open();
    ASSERT_TRUE(IsOpen());
    TcxCustomEditPopupWindow* w = Edit->PopupWindow();
    RECT e;
    w->ViewInfo()->GetClientExtent(e);
    const int frameW = e.left + e.right, frameH = e.top + e.bottom;
    EXPECT_EQ(c.wantWidth < 0 ? c.controlWidth + frameW : c.wantWidth, w->Width());
    EXPECT_EQ(c.wantHeight < 0 ? c.controlHeight + frameH : c.wantHeight, w->Height());
    // The control fills the client area.
    EXPECT_EQ(w->Width() - frameW, Control->Width());
    EXPECT_EQ(w->Height() - frameH, Control->Height());
    Edit->ClosePopup(false);
    Idle();
    EXPECT_EQ(c.controlWidth, Control->Width());
    EXPECT_EQ(c.controlHeight, Control->Height());
    Edit->SetFocus();
    Idle();
  }
}

TEST_F(PopupEditTest, AnAlignedControlIsMeasuredAtItsOwnSize) {
  // Whatever size the popup had before, an aligned control is measured as it lies in its own parent.
  Edit->Properties()->SetPopupSysPanelStyle(false);
  const TAlign aligns[] = {alClient, alTop, alLeft, alClient};
  const SIZE previous[] = {{400, 300}, {120, 110}, {500, 150}, {130, 120}};
  for (size_t i = 0; i < std::size(aligns); ++i) {
    SCOPED_TRACE(i);
    Control->SetAlign(alNone);
    Control->SetBounds(10, 50, 160, 90);
    Control->SetAlign(aligns[i]);
    Idle();
    const SIZE own{Control->Width(), Control->Height()};
    Edit->PopupWindow()->SetBounds(0, 0, previous[i].cx, previous[i].cy);
    Open();
    ASSERT_TRUE(IsOpen());
    TcxCustomEditPopupWindow* w = Edit->PopupWindow();
    RECT e;
    w->ViewInfo()->GetClientExtent(e);
    EXPECT_EQ(std::max<int>(own.cx + e.left + e.right, 100), w->Width());
    EXPECT_EQ(std::max<int>(own.cy + e.top + e.bottom, 100), w->Height());
    Edit->ClosePopup(false);
    Idle();
    EXPECT_EQ(own.cx, Control->Width());
    EXPECT_EQ(own.cy, Control->Height());
    Edit->SetFocus();
    Idle();
  }
}

TEST_F(PopupEditTest, FocusGoesIntoTheControlAndBack) {
  ASSERT_TRUE(Edit->Focused());
  Open();
  ASSERT_TRUE(IsOpen());
  // A panel takes no focus of its own: its first tab stop does.
  EXPECT_EQ(Inner->Handle(), GetFocus());
  EXPECT_TRUE(IsOpen());  // the focus moving into the popup does not close it
  Edit->ClosePopup(true);
  Idle();
  EXPECT_FALSE(IsOpen());
  EXPECT_TRUE(Edit->Focused());
  // A windowed control that is a tab stop gets the focus itself.
  Edit->Properties()->SetPopupControl(Inner);
  Open();
  ASSERT_TRUE(IsOpen());
  EXPECT_EQ(Inner->Handle(), GetFocus());
  Edit->ClosePopup(false);
  Idle();
  EXPECT_EQ(Control, Inner->Parent());
  EXPECT_TRUE(Edit->Focused());
}

TEST_F(PopupEditTest, FreeingTheEditorWhileOpenGivesTheControlBack) {
  Control->SetAlign(alBottom);
  Idle();
  const RECT bounds = Control->BoundsRect();
  Open();
  ASSERT_TRUE(IsOpen());
  Edit->Free();
  Edit = nullptr;
  Idle();
  EXPECT_EQ(Host, Control->Parent());
  EXPECT_EQ(alBottom, Control->Align());
  EXPECT_TRUE(Control->Visible());
  EXPECT_EQ(R4(bounds), R4(Control->BoundsRect()));
  EXPECT_EQ(Control, Inner->Parent());
  EXPECT_TRUE(cxShownPopups().empty());
}

TEST_F(PopupEditTest, FreeingTheEditorBeforeThePopupShowedGivesTheControlBack) {
  const RECT bounds = Control->BoundsRect();
  Edit->DropDown();
  ASSERT_EQ(Edit->PopupWindow(), Control->Parent());
  Edit->Free();
  Edit = nullptr;
  Idle();
  EXPECT_EQ(Host, Control->Parent());
  EXPECT_EQ(alNone, Control->Align());
  EXPECT_TRUE(Control->Visible());
  EXPECT_EQ(R4(bounds), R4(Control->BoundsRect()));
}

TEST_F(PopupEditTest, ChangingPopupControlWhileOpenGivesBackTheHostedOne) {
  auto* next = New<TPanel>(Form);
  next->SetParent(Form);
  next->SetBounds(30, 400, 120, 60);
  Open();
  ASSERT_TRUE(IsOpen());
  Edit->Properties()->SetPopupControl(next);
  Idle();
  Edit->ClosePopup(false);
  Idle();
  EXPECT_EQ(Host, Control->Parent());
  EXPECT_EQ(Form, next->Parent());
  Edit->SetFocus();
  Idle();
  Open();
  ASSERT_TRUE(IsOpen());
  EXPECT_EQ(Edit->PopupWindow(), next->Parent());
  EXPECT_EQ(Host, Control->Parent());
  Edit->ClosePopup(false);
  Idle();
  EXPECT_EQ(Form, next->Parent());
  EXPECT_EQ(R4(RECT{30, 400, 150, 460}), R4(next->BoundsRect()));
}

TEST_F(PopupEditTest, TypingIntoTheClosedEditorOpensThePopupAndReachesTheControl) {
  ASSERT_TRUE(Edit->Focused());
  headless::TypeText("a");
  Idle();
  ASSERT_TRUE(IsOpen());
  EXPECT_EQ(Inner->Handle(), GetFocus());
  EXPECT_EQ("a", std::string(Inner->Text().c_str()));
  EXPECT_EQ("", std::string(Edit->Text().c_str()));
  Edit->ClosePopup(true);
  Idle();
  EXPECT_EQ(Control, Inner->Parent());
}

TEST_F(PopupEditTest, FreeingTheControlWhileOpenClosesThePopupAndForgetsIt) {
  Open();
  ASSERT_TRUE(IsOpen());
  Control->Free();
  Control = nullptr;
  Inner = nullptr;
  Idle();
  EXPECT_FALSE(IsOpen());
  EXPECT_EQ(nullptr, Edit->HostedControl());
  EXPECT_EQ(nullptr, Edit->Properties()->PopupControl());
  EXPECT_FALSE(Edit->CanDropDown());
  Edit->SetFocus();
  Idle();
  Edit->DropDown();
  Idle();
  EXPECT_FALSE(IsOpen());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(PopupEditTest, TheHostPanelFreedWhileOpenLeavesTheControlWithoutParent) {
  Open();
  ASSERT_TRUE(IsOpen());
  Host->Free();
  Host = nullptr;
  Edit->ClosePopup(false);
  Idle();
  EXPECT_EQ(nullptr, Control->Parent());
  EXPECT_EQ(nullptr, Edit->HostedControl());
}

TEST_F(PopupEditTest, ASecondRequestBeforeShowingKeepsTheFirstSavedState) {
  Control->SetAlign(alLeft);
  Idle();
  const RECT bounds = Control->BoundsRect();
  Edit->DropDown();
  Edit->DropDown();
  Idle();
  ASSERT_TRUE(IsOpen());
  EXPECT_EQ(Host, Edit->SavedPopupControlState().Parent);
  EXPECT_EQ(alLeft, Edit->SavedPopupControlState().Align);
  Edit->ClosePopup(false);
  Idle();
  EXPECT_EQ(Host, Control->Parent());
  EXPECT_EQ(alLeft, Control->Align());
  EXPECT_EQ(R4(bounds), R4(Control->BoundsRect()));
}

TEST_F(PopupEditTest, PropertiesDefaultsAssignAndFreeNotification) {
  auto* p = New<TcxPopupEditProperties>(nullptr);
  EXPECT_TRUE(p->PopupAutoSize());
  EXPECT_EQ(200, p->PopupHeight());
  EXPECT_EQ(100, p->PopupMinHeight());
  EXPECT_EQ(100, p->PopupMinWidth());
  EXPECT_TRUE(p->PopupSizeable());
  EXPECT_EQ(250, p->PopupWidth());
  EXPECT_TRUE(p->ImmediateDropDown());
  EXPECT_TRUE(p->ImmediatePopup());
  EXPECT_TRUE(p->PopupCapturesFocus());
  EXPECT_FALSE(p->UsesDropDownLookup());
  EXPECT_EQ(TcxPopupEdit::StaticClass(), p->GetContainerClass());
  EXPECT_EQ(TcxPopupEditPopupWindow::StaticClass(), p->GetPopupWindowClass());
  auto* custom = New<TcxCustomPopupEditProperties>(nullptr);
  EXPECT_FALSE(custom->ImmediatePopup());
  EXPECT_EQ(250, custom->PopupWidth());

  auto* panel = New<TPanel>(Form);
  p->SetPopupControl(panel);
  p->SetPopupWidth(300);
  custom->Assign(p);
  EXPECT_EQ(panel, custom->PopupControl());
  EXPECT_EQ(300, custom->PopupWidth());
  // Both forget the control when it goes; one that no longer refers to it is not told.
  custom->SetPopupControl(Control);
  panel->Free();
  EXPECT_EQ(nullptr, p->PopupControl());
  EXPECT_EQ(Control, custom->PopupControl());
  custom->Free();
  p->Free();

  // The kind is registered under its text.
  TcxRegisteredClasses* r = GetRegisteredEditProperties();
  int32_t i = r->IndexOfClass(TcxPopupEditProperties::StaticClass());
  ASSERT_GE(i, 0);
  EXPECT_EQ("PopupEdit|Represents an edit control with a dropdown list", std::string(r->Descriptions(i).c_str()));
  EXPECT_EQ(TcxPopupEdit::StaticClass(), FindClass("TcxPopupEdit"));
}

TEST_F(PopupEditTest, PopupControlIsStoredAsAReferenceAndReadBack) {
  Control->SetName("Pan");
  Edit->SetName("Pe");
  Edit->Properties()->SetPopupWidth(300);
  String written = ComponentToText(Edit);
  EXPECT_NE(written.find("Properties.PopupControl = Pan"), String::npos) << written;
  EXPECT_NE(written.find("Properties.PopupWidth = 300"), String::npos) << written;
  // Defaults are not written.
  EXPECT_EQ(written.find("PopupHeight"), String::npos) << written;
  EXPECT_EQ(written.find("ImmediatePopup"), String::npos) << written;

  RegisterClasses({TPanel::StaticClass(), TcxPopupEdit::StaticClass()});
  auto* form = New<TForm>(Application, 0);
  const String text =
      "object PopupEditForm: TForm\r\n"
      "  object Pe2: TcxPopupEdit\r\n"
      "    Properties.PopupControl = Pan2\r\n"
      "    Properties.PopupWidth = 300\r\n"
      "  end\r\n"
      "  object Pan2: TPanel\r\n"
      "  end\r\n"
      "end\r\n";
  ReadComponentFromText(text, form);
  auto* pe = dynamic_cast<TcxPopupEdit*>(form->FindComponent("Pe2"));
  auto* pan = dynamic_cast<TPanel*>(form->FindComponent("Pan2"));
  ASSERT_NE(nullptr, pe);
  ASSERT_NE(nullptr, pan);
  EXPECT_EQ(pan, pe->Properties()->PopupControl());
  EXPECT_EQ(300, pe->Properties()->PopupWidth());
  EXPECT_EQ(200, pe->Properties()->PopupHeight());
  form->Free();
}

TEST_F(PopupEditTest, TheThreeDimensionalFrameIsFourPlainRings) {
  TcxPopupEditPopupWindowViewInfo vi;
  vi.PopupBorderStyle = epbsFrame3D;
  for (bool clientEdge : {false, true}) {
    SCOPED_TRACE(clientEdge);
    vi.ClientEdge = clientEdge;
    auto* b = New<TBitmap>();
    b->SetSize(20, 20);
    {
      TcxCanvas cx(b->Canvas());
      RECT r{0, 0, 20, 20};
      vi.DrawBorder(&cx, r);
      EXPECT_EQ(R4(RECT{4, 4, 16, 16}), R4(r));
    }
    auto px = [&](int x, int y) {
      COLORREF c = b->Canvas()->Pixels(x, y);
      return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
    };
    EXPECT_EQ(Rgb(cl3DLight), px(0, 5));
    EXPECT_EQ(Rgb(cl3DDkShadow), px(19, 5));
    EXPECT_EQ(Rgb(clBtnHighlight), px(1, 5));
    EXPECT_EQ(Rgb(clBtnShadow), px(18, 5));
    EXPECT_EQ(Rgb(TColor(clSystemColor | COLOR_INACTIVEBORDER)), px(2, 5));
    EXPECT_EQ(Rgb(clBtnFace), px(3, 5));
    b->Free();
  }
}

}  // namespace
