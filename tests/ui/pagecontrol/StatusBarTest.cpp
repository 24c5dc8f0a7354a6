// The status bar panel styles on a real bar of the headless window system: registration, the text
// panel's text rectangle, image and alignment, exclusive auto-hint, defaults and assignment, indicator
// widths and lamps, lock-key panels following real key messages through the 100 ms watcher, and the
// container panel hosting a control.

#include <filesystem>
#include <memory>
#include <string>

#include "StatusBarSupport.h"
#include "forms/ExtCtrls.h"
#include "forms/ImgList.h"
#include "forms/StdCtrls.h"
#include "rtl/ObjLinks.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"

namespace statusbar_test {
namespace {

// ---- registration ---------------------------------------------------------------------------------------

TEST_F(StatusBarTest, TheFourStylesAreRegisteredWithTheirDescriptionsAndGoAtFinalization) {
  TcxRegisteredClasses* list = GetRegisteredStatusBarPanelStyles();
  ASSERT_EQ(list->Count(), 4);
  const struct {
    TClass cls;
    const char* description;
  } expected[] = {{TdxStatusBarTextPanelStyle::StaticClass(), "Text Panel"},
                  {TdxStatusBarContainerPanelStyle::StaticClass(), "Container Panel"},
                  {TdxStatusBarKeyboardStatePanelStyle::StaticClass(), "Keyboard State Panel"},
                  {TdxStatusBarStateIndicatorPanelStyle::StaticClass(), "State Indicator Panel"}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list->Items(i), expected[i].cls) << i;
    EXPECT_EQ(list->Descriptions(i), expected[i].description) << i;
  }
  // The container control can be streamed by name.
  EXPECT_EQ(GetClass("TdxStatusBarContainerControl"), TdxStatusBarContainerControl::StaticClass());
  dxStatusBarFinalize();
  EXPECT_EQ(GetRegisteredStatusBarPanelStyles()->Count(), 4);  // made again on the next use
}

// ---- base style and text ---------------------------------------------------------------------------------

TEST_F(StatusBarTest, ANewPanelShowsTextAndTheStyleStartsFromItsDefaults) {
  TdxStatusBarPanel* p = Bar->Panels()->Add();
  auto* s = StyleOf<TdxStatusBarTextPanelStyle>(p);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Alignment(), taLeftJustify);
  EXPECT_FALSE(s->ColorAssigned());
  EXPECT_EQ(s->GetColor(), Bar->Color());
  EXPECT_TRUE(s->ParentFont());
  EXPECT_EQ(s->Font()->Name(), "Tahoma");
  EXPECT_EQ(s->ImageIndex(), -1);
  EXPECT_EQ(s->EllipsisType(), dxetNone);
  EXPECT_FALSE(s->AutoHint());
  EXPECT_TRUE(s->UsesPanelWidth());
  EXPECT_EQ(s->GetMinWidth(), 20);

  // A font set on the style stops following the bar; the bar's next font then leaves it alone.
  s->Font()->SetHeight(-20);
  EXPECT_FALSE(s->ParentFont());
  Bar->Font()->SetName("Courier New");
  EXPECT_EQ(s->Font()->Name(), "Tahoma");
  s->SetParentFont(true);
  EXPECT_EQ(s->Font()->Name(), "Courier New");
  EXPECT_TRUE(s->ParentFont());

  // Colour and font are stored only when they are the style's own.
  const TPropInfo* color = GetPropInfo(s, "Color");
  const TPropInfo* font = GetPropInfo(s, "Font");
  EXPECT_FALSE(IsStoredProp(s, color));
  EXPECT_FALSE(IsStoredProp(s, font));
  s->SetColor(clRed);
  EXPECT_TRUE(IsStoredProp(s, color));
  EXPECT_EQ(s->GetColor(), clRed);
}

TEST_F(StatusBarTest, AssignCopiesWhatTheSourceHasOfItsOwnAndRestoresTheRest) {
  TdxStatusBarPanel* a = Bar->Panels()->Add();
  TdxStatusBarPanel* b = Bar->Panels()->Add();
  auto* src = StyleOf<TdxStatusBarTextPanelStyle>(a);
  auto* dst = StyleOf<TdxStatusBarTextPanelStyle>(b);
  dst->SetColor(clYellow);
  dst->SetAlignment(taCenter);
  dst->Font()->SetHeight(-30);
  src->SetImageIndex(3);
  src->SetEllipsisType(dxetSmartPath);
  src->SetAlignment(taRightJustify);
  dst->Assign(src);
  EXPECT_EQ(dst->Alignment(), taRightJustify);
  EXPECT_FALSE(dst->ColorAssigned());  // the source has no colour of its own
  EXPECT_TRUE(dst->ParentFont());
  EXPECT_EQ(dst->Font()->Height(), Bar->Font()->Height());
  EXPECT_EQ(dst->ImageIndex(), 3);
  EXPECT_EQ(dst->EllipsisType(), dxetSmartPath);

  // Between styles of different kinds only the base properties travel.
  TdxStatusBarPanel* c = Bar->Panels()->Add();
  c->SetPanelStyleClass(TdxStatusBarStateIndicatorPanelStyle::StaticClass());
  auto* ind = StyleOf<TdxStatusBarStateIndicatorPanelStyle>(c);
  src->SetColor(clLime);
  ind->SetSpacing(9);
  ind->Assign(src);
  EXPECT_EQ(ind->Color(), clLime);
  EXPECT_EQ(ind->Alignment(), taRightJustify);
  EXPECT_EQ(ind->Spacing(), 9);

  dst->RestoreDefaults();
  EXPECT_EQ(dst->Alignment(), taLeftJustify);
  EXPECT_EQ(dst->ImageIndex(), -1);
  EXPECT_EQ(dst->EllipsisType(), dxetNone);
}

TEST_F(StatusBarTest, AutoHintIsHeldByOneTextPanelAtATime) {
  auto* first = StyleOf<TdxStatusBarTextPanelStyle>(Bar->Panels()->Add());
  auto* second = StyleOf<TdxStatusBarTextPanelStyle>(Bar->Panels()->Add());
  first->SetAutoHint(true);
  EXPECT_TRUE(first->AutoHint());
  second->SetAutoHint(true);
  EXPECT_FALSE(first->AutoHint());
  EXPECT_TRUE(second->AutoHint());
  second->SetAutoHint(false);
  EXPECT_FALSE(first->AutoHint());
  EXPECT_FALSE(second->AutoHint());
}

TEST_F(StatusBarTest, TheTextRectangleLeavesRoomForTheImageAndTwoPixelsEachSide) {
  TImageList* images = New<TImageList>(Form);
  images->SetWidth(16);
  images->SetHeight(16);
  std::unique_ptr<TBitmap> glyph(New<TBitmap>());
  glyph->SetSize(16, 16);
  glyph->Canvas()->Brush()->SetColor(clRed);
  glyph->Canvas()->FillRect(RECT{0, 0, 16, 16});
  images->Add(glyph.get(), nullptr);

  const struct {
    bool images;
    int32_t imageIndex;
    int32_t textLeft;
    bool redImage;
  } cases[] = {
      {false, -1, 2, false},
      {false, 0, 2, false},  // no image list: the index is ignored
      {true, -1, 2, false},
      {true, 0, 1 + 16 + 1 + 2, true},
      {true, 1, 2, false},  // past the images
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "images " << c.images << " index " << c.imageIndex);
    Bar->Panels()->Clear();
    Bar->SetImages(c.images ? images : nullptr);
    TdxStatusBarPanel* p = AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 120);
    AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 40);
    p->SetText("Ready");
    auto* s = StyleOf<TdxStatusBarTextPanelStyle>(p);
    s->SetImageIndex(c.imageIndex);
    RECT seen{};
    String shown;
    s->OnGetText = [&](TObject*, const RECT& r, String& text) {
      seen = r;
      shown = text;
      text = "Changed";
    };
    Bar->Invalidate();
    Bar->Update();
    const RECT panel = Bar->GetPanelRect(0);
    EXPECT_EQ(panel.left, 0);
    EXPECT_EQ(panel.right, 120);
    EXPECT_EQ(seen.left, panel.left + c.textLeft);
    EXPECT_EQ(seen.right, panel.right - 2);
    EXPECT_EQ(seen.top, panel.top);
    EXPECT_EQ(seen.bottom, panel.bottom);
    EXPECT_EQ(shown, "Ready");
    // The image stands one pixel in, centred across the panel.
    const int cy = (panel.top + panel.bottom) / 2;
    EXPECT_EQ(Px(panel.left + 2, cy) == Rgb(255, 0, 0), c.redImage);
  }
}

// Where the dark pixels of a panel's text begin and end.
std::pair<int, int> InkRange(TdxStatusBar* bar, const RECT& r) {
  bar->Update();
  int first = -1, last = -1;
  for (int x = r.left + 1; x < r.right - 1; ++x)
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
      const uint32_t p = headless::Pixel(bar->Handle(), x, y);
      if (((p >> 16) & 0xFF) < 90 && ((p >> 8) & 0xFF) < 90 && (p & 0xFF) < 90) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  return {first, last};
}

TEST_F(StatusBarTest, TextIsAlignedAsTheStyleSays) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 200);
  AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 40);
  p->SetText("WWW");
  auto* s = StyleOf<TdxStatusBarTextPanelStyle>(p);
  const int w = Bar->GetDrawingCanvas()->TextWidth("WWW");
  const RECT r = Bar->GetPanelRect(0);
  const struct {
    TAlignment a;
    int expectedFirst;
  } cases[] = {{taLeftJustify, r.left + 2}, {taCenter, r.left + 2 + (196 - w) / 2}, {taRightJustify, r.right - 2 - w}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.a));
    s->SetAlignment(c.a);
    auto [first, last] = InkRange(Bar, r);
    EXPECT_NEAR(first, c.expectedFirst, 2);
    EXPECT_NEAR(last - first, w, 3);
  }
}

TEST_F(StatusBarTest, ATruncatedTextEndsInsideItsPanel) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 60);
  AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 40);
  p->SetText("/home/user/backups/2026-12-11/db.gbk");
  auto* s = StyleOf<TdxStatusBarTextPanelStyle>(p);
  const RECT r = Bar->GetPanelRect(0);
  for (TdxStatusBarEllipsisType e : {dxetTruncate, dxetSmartPath}) {
    s->SetEllipsisType(e);
    auto [first, last] = InkRange(Bar, r);
    EXPECT_GE(first, r.left + 2) << int(e);
    EXPECT_LT(last, r.right - 2) << int(e);
  }
}

// ---- state indicators ------------------------------------------------------------------------------------

TEST_F(StatusBarTest, IndicatorPanelsMeasureTheirVisibleLamps) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarStateIndicatorPanelStyle::StaticClass());
  auto* s = StyleOf<TdxStatusBarStateIndicatorPanelStyle>(p);
  EXPECT_FALSE(s->UsesPanelWidth());
  const struct {
    int count;
    int hidden;
    int spacing;
    int width;
  } cases[] = {
      {0, 0, 4, 20},                       // no indicators at all
      {3, 3, 4, 4},                        // all hidden: the spacing alone
      {1, 0, 4, 4 + 17 + 4},               //
      {3, 1, 4, 4 + 2 * (17 + 4)},         //
      {3, 0, 0, 3 * 17},                   //
      {2, 0, 10, 10 + 2 * (17 + 10)},      //
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " lamps, " << c.hidden << " hidden, spacing " << c.spacing);
    s->Indicators()->Clear();
    s->SetSpacing(c.spacing);
    for (int i = 0; i < c.count; ++i) s->Indicators()->Add()->SetVisible(i >= c.hidden);
    EXPECT_EQ(s->GetMinWidth(), c.width);
    EXPECT_EQ(p->EffectiveWidth(), c.width);
    EXPECT_EQ(Bar->GetPanelRect(0).right, std::max<int>(c.width, Bar->ClientWidth()));
  }
}

TEST_F(StatusBarTest, LampsAreDrawnFromTheSpacingInTheirColours) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarStateIndicatorPanelStyle::StaticClass());
  AddPanel(TdxStatusBarTextPanelStyle::StaticClass());
  auto* s = StyleOf<TdxStatusBarStateIndicatorPanelStyle>(p);
  const TdxStatusBarStateIndicatorType types[] = {sitOff, sitYellow, sitBlue, sitGreen, sitRed, sitTeal, sitPurple};
  std::vector<uint32_t> centres;
  for (TdxStatusBarStateIndicatorType t : types) {
    std::unique_ptr<TBitmap> b(New<TBitmap>());
    ASSERT_TRUE(LoadStatusBarIndicatorBitmap(b.get(), t));
    EXPECT_EQ(b->Width(), 17);
    EXPECT_EQ(b->Height(), 8);
    centres.push_back(b->ScanLine(4)[8] & 0xFFFFFF);
    s->Indicators()->Add()->SetIndicatorType(t);
  }
  // Every lamp colour differs from the others.
  for (size_t i = 0; i < centres.size(); ++i)
    for (size_t j = i + 1; j < centres.size(); ++j) EXPECT_NE(centres[i], centres[j]) << i << " " << j;
  const RECT r = Bar->GetPanelRect(0);
  const int top = (r.top + r.bottom) / 2 - 4;
  for (size_t i = 0; i < centres.size(); ++i) {
    const int x = r.left + 4 + static_cast<int>(i) * (17 + 4);
    EXPECT_EQ(Px(x + 8, top + 4), centres[i]) << i;
    // The corner is transparent: the panel's face shows through.
    EXPECT_EQ(Px(x, top), Rgb(212, 208, 200)) << i;
  }
}

TEST_F(StatusBarTest, AnIndicatorTypeOutsideTheSevenLeavesTheLampAsItWas) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarStateIndicatorPanelStyle::StaticClass());
  auto* item = StyleOf<TdxStatusBarStateIndicatorPanelStyle>(p)->Indicators()->Add();
  EXPECT_EQ(item->IndicatorType(), sitOff);
  item->SetIndicatorType(sitRed);
  const uint32_t red = item->IndicatorBitmap()->ScanLine(4)[8];
  item->SetIndicatorType(static_cast<TdxStatusBarStateIndicatorType>(7));
  EXPECT_EQ(item->IndicatorType(), sitRed);
  EXPECT_EQ(item->IndicatorBitmap()->ScanLine(4)[8], red);
}

// ---- keyboard states -------------------------------------------------------------------------------------

TEST_F(StatusBarTest, KeyboardPanelsStartWithTheFourKeysAndTheirCaptions) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarKeyboardStatePanelStyle::StaticClass());
  auto* s = StyleOf<TdxStatusBarKeyboardStatePanelStyle>(p);
  const struct {
    TdxStatusBarKeyboardState state;
    int code;
    const char* active;
    const char* inactive;
  } cases[] = {{dxksCapsLock, 20, "CAPS", "CAPS"},
               {dxksNumLock, 144, "NUM", "NUM"},
               {dxksScrollLock, 145, "SCRL", "SCRL"},
               {dxksInsert, 45, "OVR", "INS"}};
  for (const auto& c : cases) {
    TdxStatusBarKeyStateAppearance* a = s->Appearance(c.state);
    EXPECT_EQ(a->Code(), c.code);
    EXPECT_EQ(a->ActiveCaption(), c.active);
    EXPECT_EQ(a->InactiveCaption(), c.inactive);
    EXPECT_EQ(a->ActiveFontColor(), s->Font()->Color());
    EXPECT_EQ(a->InactiveFontColor(), clBtnShadow);
  }
  EXPECT_EQ(s->KeyboardStates(), dxksAllKeyboardStates);
  EXPECT_FALSE(s->FullRect());
  EXPECT_TRUE(s->DrawsOwnBorders());
  EXPECT_EQ(s->Notifier()->WatchedKeyCount(), 4);
  EXPECT_EQ(s->Notifier()->Timer()->Interval(), 100u);
}

TEST_F(StatusBarTest, KeyboardPanelsMeasureTheShownKeys) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarKeyboardStatePanelStyle::StaticClass());
  auto* s = StyleOf<TdxStatusBarKeyboardStatePanelStyle>(p);
  TcxCanvas* canvas = Bar->GetDrawingCanvas();
  canvas->SetFont(s->Font());
  auto key = [&](const char* a, const char* b) { return std::max(canvas->TextWidth(a), canvas->TextWidth(b)) + 4; };
  const int caps = key("CAPS", "CAPS"), num = key("NUM", "NUM"), scrl = key("SCRL", "SCRL"), ins = key("OVR", "INS");
  const int sep = Bar->Painter()->SeparatorSize();
  const struct {
    TdxStatusBarKeyboardStates states;
    bool fullRect;
    int width;
  } cases[] = {
      {{}, false, 50},
      {{}, true, 50},
      {{dxksCapsLock}, false, caps + 2},
      {{dxksCapsLock}, true, caps},
      {{dxksInsert, dxksNumLock}, false, num + 2 + sep + ins + 2},
      {dxksAllKeyboardStates, false, caps + num + scrl + ins + 8 + 3 * sep},
      {dxksAllKeyboardStates, true, caps + num + scrl + ins + 3 * sep},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "full " << c.fullRect << " width " << c.width);
    s->SetKeyboardStates(c.states);
    s->SetFullRect(c.fullRect);
    EXPECT_EQ(s->GetMinWidth(), c.width);
    EXPECT_EQ(s->DrawsOwnBorders(), !c.fullRect);
  }
}

TEST_F(StatusBarTest, LockKeysShowTheirStateWithinAHundredMilliseconds) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarKeyboardStatePanelStyle::StaticClass());
  AddPanel(TdxStatusBarTextPanelStyle::StaticClass());
  auto* s = StyleOf<TdxStatusBarKeyboardStatePanelStyle>(p);
  s->SetKeyboardStates({dxksCapsLock, dxksInsert});
  // Distinct colours, so that the drawn state can be read from the pixels.
  for (TdxStatusBarKeyboardState k : {dxksCapsLock, dxksInsert}) {
    s->Appearance(k)->SetActiveFontColor(clRed);
    s->Appearance(k)->SetInactiveFontColor(clBlue);
  }
  Idle();
  const RECT r = Bar->GetPanelRect(0);
  const int capsWidth = s->Appearance(dxksCapsLock)->KeyRectWidth(Bar->GetDrawingCanvas()) + 2;
  const RECT capsRect{r.left, r.top, r.left + capsWidth, r.bottom};
  const RECT insRect{capsRect.right + Bar->Painter()->SeparatorSize(), r.top, r.right, r.bottom};
  const int red = 0, blue = 2;
  EXPECT_GT(CountTinted(Bar, capsRect, blue), 0);
  EXPECT_EQ(CountTinted(Bar, capsRect, red), 0);
  EXPECT_FALSE(s->IsKeyActive(dxksCapsLock));

  const int refreshes = Bar->KeyboardRefreshCount();
  headless::KeyPress(VK_CAPITAL);
  Idle();
  EXPECT_TRUE(s->IsKeyActive(dxksCapsLock));
  EXPECT_EQ(Bar->KeyboardRefreshCount(), refreshes);  // not before the watcher's next look
  Advance(100);
  EXPECT_EQ(Bar->KeyboardRefreshCount(), refreshes + 1);
  EXPECT_GT(CountTinted(Bar, capsRect, red), 0);
  EXPECT_EQ(CountTinted(Bar, capsRect, blue), 0);
  EXPECT_GT(CountTinted(Bar, insRect, blue), 0);  // Insert is still off: "INS"

  // A quiet period asks for nothing more.
  Advance(300);
  EXPECT_EQ(Bar->KeyboardRefreshCount(), refreshes + 1);

  headless::KeyPress(VK_INSERT);
  Advance(100);
  EXPECT_TRUE(s->IsKeyActive(dxksInsert));
  EXPECT_GT(CountTinted(Bar, insRect, red), 0);

  // Caps Lock held down while on is still on; toggled off it goes back to the inactive colour.
  headless::KeyDown(VK_CAPITAL);
  Advance(100);
  EXPECT_FALSE(s->IsKeyActive(dxksCapsLock));  // the press itself toggled it off
  headless::KeyUp(VK_CAPITAL);
  Advance(100);
  EXPECT_GT(CountTinted(Bar, capsRect, blue), 0);
  EXPECT_EQ(CountTinted(Bar, capsRect, red), 0);
}

TEST_F(StatusBarTest, AnEmptyKeySetDrawsOnlyTheFrame) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarKeyboardStatePanelStyle::StaticClass());
  AddPanel(TdxStatusBarTextPanelStyle::StaticClass());
  auto* s = StyleOf<TdxStatusBarKeyboardStatePanelStyle>(p);
  s->SetFullRect(true);
  s->SetKeyboardStates({});
  EXPECT_EQ(p->EffectiveWidth(), 50);
  const RECT r = Bar->GetPanelRect(0);
  EXPECT_EQ(r.right - r.left, 50);
  const RECT inside{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  EXPECT_EQ(Count(Bar, inside, Rgb(212, 208, 200)), (inside.right - inside.left) * (inside.bottom - inside.top));
  EXPECT_EQ(Px(r.left, r.top + 3), Rgb(128, 128, 128));       // lowered frame: shadow on the left
  EXPECT_EQ(Px(r.right - 1, r.top + 3), Rgb(255, 255, 255));  // and light on the right
}

TEST_F(StatusBarTest, FreeingTheKeyboardStyleStopsItsWatcher) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarKeyboardStatePanelStyle::StaticClass());
  p->SetPanelStyleClass(TdxStatusBarTextPanelStyle::StaticClass());
  const int refreshes = Bar->KeyboardRefreshCount();
  headless::KeyPress(VK_NUMLOCK);
  Advance(300);
  EXPECT_EQ(Bar->KeyboardRefreshCount(), refreshes);
}

// ---- container -------------------------------------------------------------------------------------------

TEST_F(StatusBarTest, AContainerPanelHostsAControlSizedToThePanel) {
  AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 60);
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarContainerPanelStyle::StaticClass(), 150);
  AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 60);
  auto* s = StyleOf<TdxStatusBarContainerPanelStyle>(p);
  TdxStatusBarContainerControl* c = s->Container();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Owner(), Form);
  EXPECT_EQ(c->Parent(), Bar);
  EXPECT_EQ(c->PanelStyle(), s);
  EXPECT_TRUE(c->ControlStyle().Contains(csAcceptsControls));
  EXPECT_FALSE(c->IsFocusable());
  EXPECT_TRUE(s->CanDelete());

  TEdit* edit = New<TEdit>(Form);
  edit->SetParent(c);
  Bar->Invalidate();
  Idle();
  const RECT r = Bar->GetPanelRect(1);
  EXPECT_EQ(c->Left(), r.left);
  EXPECT_EQ(c->Top(), r.top);
  EXPECT_EQ(c->Width(), r.right - r.left);
  EXPECT_EQ(c->Height(), r.bottom - r.top);
  EXPECT_EQ(edit->Left(), 0);
  EXPECT_EQ(edit->Top(), 0);
  EXPECT_EQ(edit->Width(), c->Width());
  EXPECT_EQ(edit->Height(), c->Height());

  // Without alignment the control keeps its own bounds.
  s->SetAlignControl(false);
  edit->SetBounds(3, 2, 40, 12);
  Bar->Invalidate();
  Idle();
  EXPECT_EQ(edit->Width(), 40);

  // The container follows the panel's visibility.
  p->SetVisible(false);
  EXPECT_FALSE(c->Visible());
  p->SetVisible(true);
  EXPECT_TRUE(c->Visible());
}

TEST_F(StatusBarTest, TheLastContainerPanelStopsShortOfTheSizeGrip) {
  AddPanel(TdxStatusBarTextPanelStyle::StaticClass(), 60);
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarContainerPanelStyle::StaticClass(), 150);
  TdxStatusBarContainerControl* c = StyleOf<TdxStatusBarContainerPanelStyle>(p)->Container();
  for (bool grip : {true, false}) {
    Bar->SetSizeGrip(grip);
    Idle();
    const int right = Bar->ClientWidth() - (grip ? Bar->Painter()->SizeGripWidth() : 0);
    EXPECT_EQ(c->Left() + c->Width(), right) << grip;
  }
  // Only the last panel gives way to the grip.
  Bar->SetSizeGrip(true);
  RECT first = Bar->GetPanelRect(0);
  const RECT before = first;
  Bar->Panels()->Items(0)->PanelStyle()->AdjustPanelRect(first);
  EXPECT_EQ(first.right, before.right);
}

TEST_F(StatusBarTest, ContainerAndStyleFreeEachOther) {
  TdxStatusBarPanel* p = AddPanel(TdxStatusBarContainerPanelStyle::StaticClass(), 150);
  TdxStatusBarContainerControl* c = StyleOf<TdxStatusBarContainerPanelStyle>(p)->Container();
  TObjectLink<> link(c);
  // Another style: the container goes with the old one.
  p->SetPanelStyleClass(TdxStatusBarTextPanelStyle::StaticClass());
  EXPECT_EQ(link.Get(), nullptr);

  // Freeing the container leaves its panel without a style.
  p->SetPanelStyleClass(TdxStatusBarContainerPanelStyle::StaticClass());
  c = StyleOf<TdxStatusBarContainerPanelStyle>(p)->Container();
  ASSERT_NE(c, nullptr);
  c->Free();
  EXPECT_EQ(p->PanelStyle(), nullptr);
  Bar->Invalidate();
  Idle();  // a panel without a style still paints
}

TEST_F(StatusBarTest, ADesignedContainerTakesTheFirstFreeNameFromThePanelID) {
  Form->SetDesigning(true);
  TdxStatusBarPanel* first = AddPanel(TdxStatusBarTextPanelStyle::StaticClass());
  TdxStatusBarPanel* p = Bar->Panels()->Add();
  const int32_t id = p->ID();
  EXPECT_EQ(id, first->ID() + 1);
  // The name that the panel's ID gives is taken already.
  TPanel* taken = New<TPanel>(Form);
  taken->SetName("StatusBar1Container" + IntToStr(id));
  p->SetPanelStyleClass(TdxStatusBarContainerPanelStyle::StaticClass());
  TdxStatusBarContainerControl* c = StyleOf<TdxStatusBarContainerPanelStyle>(p)->Container();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Name(), "StatusBar1Container" + IntToStr(id + 1));
  Form->SetDesigning(false);
}

TEST_F(StatusBarTest, AssigningAContainerStyleFindsTheContainerByName) {
  TdxStatusBarPanel* a = AddPanel(TdxStatusBarContainerPanelStyle::StaticClass());
  TdxStatusBarPanel* b = AddPanel(TdxStatusBarContainerPanelStyle::StaticClass());
  auto* sa = StyleOf<TdxStatusBarContainerPanelStyle>(a);
  auto* sb = StyleOf<TdxStatusBarContainerPanelStyle>(b);
  sa->Container()->SetName("Host");
  sa->SetAlignControl(false);
  TdxStatusBarContainerControl* host = sa->Container();
  TdxStatusBarContainerControl* own = sb->Container();
  sb->Assign(sa);
  EXPECT_FALSE(sb->AlignControl());
  EXPECT_EQ(sb->Container(), host);
  EXPECT_EQ(host->PanelStyle(), sb);
  EXPECT_EQ(sa->Container(), nullptr);  // a container serves one panel
  EXPECT_EQ(own->PanelStyle(), nullptr);
  own->Free();
}

}  // namespace
}  // namespace statusbar_test
