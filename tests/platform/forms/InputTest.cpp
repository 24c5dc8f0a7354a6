// Focus and tab order, mouse and keys reaching the right control, modal forms, exceptions in handlers,
// popup menus, dragging and the message maps.

#include "FormsSupport.h"
#include "rtl/ObjLinks.h"

using namespace ft;

namespace {

// A form built in code: three focusable controls in a panel and one directly on the form.
struct TabForm {
  TForm* Form;
  TPanel* Panel;
  TTestControl* A;
  TTestControl* B;
  TTestControl* C;
  TTestControl* D;

  TabForm() {
    Form = New<TForm>(Application, 0);
    Form->SetBounds(50, 50, 400, 300);
    Panel = New<TPanel>(Form);
    Panel->SetName("Panel");
    Panel->SetBounds(0, 0, 300, 100);
    Panel->SetParent(Form);
    A = Make("A", Panel, 10);
    B = Make("B", Panel, 80);
    C = Make("C", Panel, 150);
    D = Make("D", Form, 0);
    D->SetTop(150);
  }
  TTestControl* Make(const char* name, TWinControl* parent, int left) {
    auto* c = New<TTestControl>(Form);
    c->SetName(name);
    c->SetBounds(left, 10, 60, 20);
    c->SetParent(parent);
    return c;
  }
};

}  // namespace

TEST_F(FormsTest, TabMovesFocusInTabOrderWithKillBeforeSetAndExitBeforeEnter) {
  TabForm f;
  f.Form->SetActiveControl(f.A);
  f.Form->Show();
  Pump();
  ASSERT_TRUE(f.A->Focused());
  EXPECT_EQ(Screen->ActiveControl(), f.A);
  EXPECT_EQ(Screen->ActiveForm(), f.Form);
  Log().clear();

  headless::KeyPress(VK_TAB);
  Pump();
  EXPECT_TRUE(f.B->Focused());
  EXPECT_EQ(f.Form->ActiveControl(), f.B);
  EXPECT_EQ(Log(), (std::vector<std::string>{"kill A", "set B", "exit A", "enter B"}));

  // Disabled and non-tab-stop controls are passed over; the order wraps around the form.
  f.C->SetEnabled(false);
  f.D->SetTabStop(false);
  headless::KeyPress(VK_TAB);
  Pump();
  EXPECT_TRUE(f.A->Focused());

  // Shift+Tab goes back; a changed tab order is followed.
  f.C->SetEnabled(true);
  f.C->SetTabOrder(0);  // C A B
  headless::KeyDown(VK_SHIFT);
  headless::KeyPress(VK_TAB);
  headless::KeyUp(VK_SHIFT);
  Pump();
  EXPECT_TRUE(f.C->Focused());
  f.Form->Free();
}

TEST_F(FormsTest, ControlThatWantsTabKeepsIt) {
  TabForm f;
  f.Form->SetActiveControl(f.A);
  f.Form->Show();
  Pump();
  f.A->WantTab = true;
  uint16_t seen = 0;
  f.A->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) { seen = key; };
  headless::KeyPress(VK_TAB);
  Pump();
  EXPECT_TRUE(f.A->Focused());
  EXPECT_EQ(seen, VK_TAB);
  f.Form->Free();
}

TEST_F(FormsTest, KeyPreviewLetsTheFormSeeKeysFirst) {
  TabForm f;
  f.Form->SetActiveControl(f.A);
  f.Form->Show();
  Pump();
  std::vector<std::string> order;
  f.Form->SetKeyPreview(true);
  f.Form->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
    order.push_back("form");
    if (key == 'X') key = 0;  // eaten: the control never sees it
  };
  f.A->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { order.push_back("control"); };
  headless::KeyPress('Q');
  headless::KeyPress('X');
  Pump();
  EXPECT_EQ(order, (std::vector<std::string>{"form", "control", "form"}));
  f.Form->Free();
}

TEST_F(FormsTest, MouseReachesTheControlUnderItWindowedOrGraphic) {
  TabForm f;
  auto* box = New<TPaintBox>(f.Form);
  box->SetBounds(200, 150, 50, 40);
  box->SetParent(f.Form);
  f.Form->Show();
  Pump();

  std::vector<std::string> log;
  auto onDown = [&](TObject* s, TMouseButton b, TShiftState, int32_t x, int32_t y) {
    log.push_back(static_cast<TComponent*>(s)->Name() + " down " + std::to_string(b) + " " + std::to_string(x) + "," +
                  std::to_string(y));
  };
  auto onClick = [&](TObject* s) { log.push_back(static_cast<TComponent*>(s)->Name() + " click"); };
  box->SetName("Box");
  for (TControl* c : std::initializer_list<TControl*>{f.B, box}) {
    c->OnMouseDown = onDown;
    c->OnClick = onClick;
  }
  POINT p = f.B->ClientToScreen(POINT{5, 6});
  headless::Click(p.x, p.y);
  Pump();
  p = box->ClientToScreen(POINT{7, 8});
  headless::Click(p.x, p.y);
  Pump();
  // A press that leaves the control before release is no click.
  p = box->ClientToScreen(POINT{1, 1});
  headless::MouseMove(p.x, p.y);
  headless::MouseDown();
  headless::MouseMove(p.x + 100, p.y + 100);
  headless::MouseUp();
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"B down 0 5,6", "B click", "Box down 0 7,8", "Box click", "Box down 0 1,1"}));
  f.Form->Free();
}

TEST_F(FormsTest, ModalFormEndsWithItsModalResult) {
  TabForm main;
  Application->SetMainForm(main.Form);
  main.Form->Show();
  Pump();

  TabForm dlg;
  dlg.Form->SetPosition(poMainFormCenter);
  dlg.B->OnClick = [&](TObject*) { dlg.Form->SetModalResult(mrOk); };
  bool closed = false;
  dlg.Form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  bool mainDisabledDuringModal = false;
  RunScript({[&] {
               mainDisabledDuringModal = !IsWindowEnabled(main.Form->Handle());
               ClickOn(dlg.B);
             }});
  TModalResult r = dlg.Form->ShowModal();
  EXPECT_EQ(r, mrOk);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(mainDisabledDuringModal);
  EXPECT_FALSE(dlg.Form->Visible());
  EXPECT_TRUE(IsWindowEnabled(main.Form->Handle()));
  // Centred on the main form.
  EXPECT_EQ(dlg.Form->Left(), main.Form->Left() + (main.Form->Width() - dlg.Form->Width()) / 2);
  Application->OnIdle = nullptr;
  dlg.Form->Free();
  main.Form->Free();
}

TEST_F(FormsTest, ExceptionInHandlerReachesHandleExceptionAndTheLoopGoesOn) {
  TabForm f;
  Application->SetMainForm(f.Form);
  int clicks = 0;
  f.A->OnClick = [&](TObject*) {
    ++clicks;
    throw EConvertError("'abc' is not a valid integer value");
  };
  f.B->OnClick = [&](TObject*) {
    ++clicks;
    Abort();
  };
  RunScript({[&] { ClickOn(f.A); }, [&] { ClickOn(f.B); }, [&] { ClickOn(f.A); }});
  Application->Run();
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(Application->ShownExceptionCount(), 2);  // EAbort is silent
  EXPECT_EQ(Application->LastExceptionMessage(), "'abc' is not a valid integer value.");

  // OnException takes over from the default display.
  Exception* seen = nullptr;
  String seenMessage;
  Application->OnException = [&](TObject*, Exception* e) {
    seen = e;
    seenMessage = e->Message();
  };
  f.A->Perform(WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
  try {
    f.A->Perform(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  } catch (...) {
    Application->HandleException(f.A);
  }
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(seenMessage, "'abc' is not a valid integer value");
  EXPECT_EQ(Application->ShownExceptionCount(), 2);
}

TEST_F(FormsTest, PopupMenuItemChosenByKeysAndByAccelerator) {
  TabForm f;
  auto* menu = New<TPopupMenu>(f.Form);
  std::vector<std::string> clicked;
  auto add = [&](const char* caption, bool enabled = true) {
    auto* item = New<TMenuItem>(f.Form);
    item->SetCaption(caption);
    item->SetEnabled(enabled);
    item->OnClick = [&clicked, item](TObject*) { clicked.push_back(StripHotkey(item->Caption())); };
    menu->Items()->Add(item);
    return item;
  };
  add("&Open");
  add("-");
  add("&Disabled", false);
  add("&Save");
  f.A->SetPopupMenu(menu);
  bool popped = false;
  menu->OnPopup = [&](TObject*) { popped = true; };
  f.Form->Show();
  Pump();

  // Down, Down passes over the line and the disabled item to "Save".
  POINT p = Center(f.A);
  std::vector<int> highlights;
  RunScript({[&] { headless::Click(p.x, p.y, VK_RBUTTON); },
             [&] {
               ASSERT_NE(TPopupMenu::ActivePopup(), nullptr);
               headless::KeyPress(VK_DOWN);
             },
             [&] {
               highlights.push_back(menu->HighlightedIndex());
               headless::KeyPress(VK_DOWN);
             },
             [&] {
               highlights.push_back(menu->HighlightedIndex());
               headless::KeyPress(VK_RETURN);
             },
             [&] { EXPECT_EQ(TPopupMenu::ActivePopup(), nullptr); },
             // The accelerator chooses at once; Escape closes without a choice.
             [&] { headless::Click(p.x, p.y, VK_RBUTTON); },
             [&] { headless::TypeText("o"); },
             [&] { headless::Click(p.x, p.y, VK_RBUTTON); },
             [&] { headless::KeyPress(VK_ESCAPE); }});
  Application->Run();
  EXPECT_TRUE(popped);
  EXPECT_EQ(highlights, (std::vector<int>{0, 3}));
  EXPECT_EQ(clicked, (std::vector<std::string>{"Save", "Open"}));
  EXPECT_EQ(menu->PopupComponent(), f.A);
  f.Form->Free();
}

TEST_F(FormsTest, MenuShortCutRunsItsItem) {
  TabForm f;
  auto* menu = New<TPopupMenu>(f.Form);
  auto* item = New<TMenuItem>(f.Form);
  item->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
  int runs = 0;
  item->OnClick = [&](TObject*) { ++runs; };
  menu->Items()->Add(item);
  f.Form->SetActiveControl(f.A);
  f.Form->Show();
  Pump();
  headless::KeyDown(VK_CONTROL);
  headless::KeyPress('S');
  headless::KeyUp(VK_CONTROL);
  headless::KeyPress('S');
  Pump();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(ShortCutToText(item->ShortCut()), "Ctrl+S");
  EXPECT_EQ(TextToShortCut("Ctrl+S"), item->ShortCut());
  EXPECT_EQ(GetHotkey("Со&хранить"), U'Х');
  EXPECT_EQ(StripHotkey("&Save && Close"), "Save & Close");
}

TEST_F(FormsTest, DragAndDropBetweenTwoControls) {
  TabForm f;
  f.Form->Show();
  Pump();
  f.A->SetDragMode(dmAutomatic);
  std::vector<std::string> log;
  f.C->OnDragOver = [&](TObject*, TObject* source, int32_t, int32_t, TDragState state, bool& accept) {
    accept = source == f.A;
    if (state == dsDragEnter) log.push_back("enter C");
  };
  f.C->OnDragDrop = [&](TObject* sender, TObject* source, int32_t x, int32_t y) {
    log.push_back(static_cast<TComponent*>(sender)->Name() + " got " + static_cast<TComponent*>(source)->Name() +
                  " at " + std::to_string(x) + "," + std::to_string(y));
  };
  f.A->OnStartDrag = [&](TObject*, TDragObject*&) { log.push_back("start"); };
  f.A->OnEndDrag = [&](TObject*, TObject* target, int32_t, int32_t) {
    log.push_back(std::string("end ") + (target ? static_cast<TComponent*>(target)->Name() : "none"));
  };
  POINT from = Center(f.A);
  POINT to = f.C->ClientToScreen(POINT{12, 7});
  headless::MouseMove(from.x, from.y);
  headless::MouseDown();
  Pump();
  EXPECT_TRUE(f.A->Dragging());
  headless::MouseMove((from.x + to.x) / 2, to.y);
  headless::MouseMove(to.x, to.y);
  Pump();
  headless::MouseUp();
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"start", "enter C", "C got A at 12,7", "end C"}));
  EXPECT_FALSE(f.A->Dragging());
  EXPECT_EQ(DragObject(), nullptr);

  // Dropped where nobody accepts: the source hears of the end without a target.
  log.clear();
  headless::MouseMove(from.x, from.y);
  headless::MouseDown();
  POINT nowhere = f.D->ClientToScreen(POINT{5, 5});
  headless::MouseMove(nowhere.x, nowhere.y);
  headless::MouseUp();
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"start", "end none"}));
  f.Form->Free();
}

TEST_F(FormsTest, DragWaitsForTheThresholdWhenNotImmediate) {
  TabForm f;
  f.Form->Show();
  Pump();
  Mouse->SetDragImmediate(false);
  f.A->SetDragMode(dmAutomatic);
  int starts = 0;
  f.A->OnStartDrag = [&](TObject*, TDragObject*&) { ++starts; };
  POINT p = Center(f.A);
  headless::MouseMove(p.x, p.y);
  headless::MouseDown();
  headless::MouseMove(p.x + 2, p.y + 2);
  Pump();
  EXPECT_EQ(starts, 0);
  headless::MouseMove(p.x + 10, p.y);
  Pump();
  EXPECT_EQ(starts, 1);
  headless::MouseUp();
  Pump();
  Mouse->SetDragImmediate(true);
  f.Form->Free();
}

namespace {
class TMapControl : public TTestControl {
  RTL_CLASS(TMapControl, TTestControl)
public:
  using TTestControl::TTestControl;
  void CMColorChanged(TMessage& m) {
    ++ColorChanges;
    inherited::CMColorChanged(m);
  }
  void WMUser(TMessage& m) { m.Result = 42; }
  void DefaultHandler(TMessage& m) override {
    if (m.Msg == WM_USER + 1) ++Defaults;
    inherited::DefaultHandler(m);
  }
  int ColorChanges = 0;
  int Defaults = 0;
};
RTL_MESSAGE(TMapControl, CM_COLORCHANGED, CMColorChanged);
RTL_MESSAGE(TMapControl, WM_USER, WMUser);
}  // namespace

TEST_F(FormsTest, MessageMapDispatchesToTheMostDerivedHandler) {
  auto* c = New<TMapControl>(nullptr);
  EXPECT_EQ(c->Perform(WM_USER), 42);
  c->Perform(WM_USER + 1);
  EXPECT_EQ(c->Defaults, 1);
  c->SetColor(clRed);
  EXPECT_EQ(c->ColorChanges, 1);
  EXPECT_EQ(CM_BASE, 0xB000u);
  EXPECT_EQ(CM_MOUSEENTER, 0xB013u);
  EXPECT_EQ(CM_RELEASE, 0xB021u);
  EXPECT_EQ(CM_CONTROLLISTCHANGE, 0xB02Cu);
  c->Free();
}

TEST_F(FormsTest, ParentFontAndColorFlowToChildren) {
  TabForm f;
  f.Panel->SetColor(clYellow);
  f.Panel->Font()->SetName("Arial");
  EXPECT_EQ(f.A->Font()->Name(), "Arial");
  EXPECT_TRUE(f.A->ParentFont());
  f.A->SetParentColor(true);
  f.Panel->SetColor(clAqua);
  EXPECT_EQ(f.A->Color(), clAqua);
  f.B->Font()->SetName("Courier");
  EXPECT_FALSE(f.B->ParentFont());
  f.Panel->Font()->SetName("Tahoma");
  EXPECT_EQ(f.B->Font()->Name(), "Courier");
  f.Form->Free();
}

TEST_F(FormsTest, ReparentingMovesTheWindowWithoutRecreatingIt) {
  TabForm f;
  f.Form->Show();
  Pump();
  HWND before = f.A->Handle();
  f.A->SetParent(f.Form);
  EXPECT_EQ(f.A->Handle(), before);
  EXPECT_EQ(GetParent(before), f.Form->Handle());
  EXPECT_EQ(f.Panel->ControlCount(), 2);
  // Re-creating keeps the control's state and focus.
  f.A->SetFocus();
  f.A->RecreateWnd();
  EXPECT_TRUE(f.A->HandleAllocated());
  EXPECT_TRUE(f.A->Focused());
  f.Form->Free();
}

TEST_F(FormsTest, TimerFiresOnTheClock) {
  TabForm f;
  auto* timer = New<TTimer>(f.Form);
  int ticks = 0;
  timer->SetInterval(100);
  timer->SetOnTimer([&](TObject*) { ++ticks; });
  headless::AdvanceClock(350);
  Pump();
  EXPECT_EQ(ticks, 3);
  timer->SetEnabled(false);
  headless::AdvanceClock(500);
  Pump();
  EXPECT_EQ(ticks, 3);
  f.Form->Free();
}

TEST_F(FormsTest, WheelGoesToTheFocusedControlAndUpToItsParents) {
  TabForm f;
  f.Form->SetActiveControl(f.A);
  f.Form->Show();
  Pump();
  std::vector<std::string> log;
  f.A->OnMouseWheelDown = [&](TObject*, TShiftState, POINT, bool& handled) {
    log.push_back("A down");
    handled = false;
  };
  f.Panel->OnMouseWheel = [&](TObject*, TShiftState, int32_t delta, POINT, bool& handled) {
    log.push_back("Panel " + std::to_string(delta));
    handled = true;
  };
  POINT p = Center(f.A);
  headless::MouseMove(p.x, p.y);
  headless::Wheel(-WHEEL_DELTA);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"A down", "Panel -120"}));
  f.Form->Free();
}
