#pragma once
// Shared pieces of the bar model tests: a headless form with the bar unit started, a test item whose
// control records what it is told, and test bar windows whose measures are plain numbers, so that the
// dock's row layout can be pinned by tables.
//
// A test tool bar is as long as the sum of its shown links' lengths (a test item's length is its Tag,
// 20 when the Tag is 0) and 20 pixels thick; its minimum length is the length of its first link. A
// multi-line bar wraps its links into rows of 20 pixels.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/Headless.h"

namespace bars_test {

inline std::vector<std::string>& Journal() {
  static std::vector<std::string> journal;
  return journal;
}

// A command whose control reports to the journal; its Tag is its length on a test tool bar.
class TTestItem : public TdxBarItem {
  RTL_CLASS(TTestItem, TdxBarItem)
public:
  explicit TTestItem(TComponent* AOwner) : TdxBarItem(AOwner) {}
  int Clicks = 0;
  void DoClick() override {
    ++Clicks;
    TdxBarItem::DoClick();
  }
};

// An item with a menu of its own (as a sub-item has), for the menu-chain rules of the links.
class TTestMenuItem : public TdxBarItem {
  RTL_CLASS(TTestMenuItem, TdxBarItem)
public:
  explicit TTestMenuItem(TComponent* AOwner) : TdxBarItem(AOwner) {}
  void AfterConstruction() override {
    FMenu = New<TdxBarItemLinks>(nullptr);
    FMenu->SetOwner(this);
    TdxBarItem::AfterConstruction();
    FMenu->SetBarManager(BarManager());
  }
  void BeforeDestruction() override {
    Destroying();
    FreeAndNil(FMenu);
    TdxBarItem::BeforeDestruction();
  }
  void BarManagerChanged() override {
    if (FMenu) FMenu->SetBarManager(BarManager());
  }
  bool IsClickable() const override { return false; }
  TdxBarItemLinks* SubItemLinks() const override { return FMenu; }

private:
  TdxBarItemLinks* FMenu = nullptr;
};

class TTestItemControl : public TdxBarItemControl {
  RTL_CLASS(TTestItemControl, TdxBarItemControl)
public:
  explicit TTestItemControl(TdxBarItemLink* ALink)
      : TdxBarItemControl(ALink), FName(ALink && ALink->Item() ? ALink->Item()->Name() : "?") {}
  ~TTestItemControl() override { Note("freed"); }
  void CaptionChanged() override { Note("caption"); }
  void EnabledChanged() override { Note("enabled"); }
  void GlyphChanged() override { Note("glyph"); }
  void VisibleChanged() override { Note("visible"); }
  void BeginGroupChanged() override { Note("begingroup"); }
  void ShortCutChanged() override { Note("shortcut"); }
  void PaintStyleChanged() override { Note("paintstyle"); }
  void WidthChanged() override { Note("width"); }
  void DownChanged() override { Note("down"); }

private:
  void Note(const char* what) { Journal().push_back(FName + ":" + what); }
  std::string FName;
};

inline int32_t TestLength(TdxBarItemLink* ALink) {
  const intptr_t tag = ALink->Item() ? ALink->Item()->Tag() : 0;
  return tag > 0 ? static_cast<int32_t>(tag) : 20;
}

// A tool bar window of plain numbers.
class TTestBarControl : public TCustomdxBarControl {
  RTL_CLASS(TTestBarControl, TCustomdxBarControl)
public:
  explicit TTestBarControl(TComponent* AOwner) : TCustomdxBarControl(AOwner) {}
  int Rebuilds = 0;
  int ItemRectCalcs = 0;

  void Rebuild() override { ++Rebuilds; }
  int32_t Content() {
    int32_t sum = 0;
    for (int32_t i = 0; ItemLinks() && i < ItemLinks()->VisibleItemCount(); ++i)
      sum += TestLength(ItemLinks()->VisibleItems(i));
    return sum;
  }
  int32_t FirstLength() {
    return ItemLinks() && ItemLinks()->VisibleItemCount() > 0 ? TestLength(ItemLinks()->VisibleItems(0)) : 0;
  }
  int32_t CalcContentWidth(TdxBarDockingStyle AStyle) override {
    return AStyle == dsLeft || AStyle == dsRight ? 20 : Content();
  }
  int32_t CalcContentHeight(TdxBarDockingStyle AStyle) override {
    return AStyle == dsLeft || AStyle == dsRight ? Content() : 20;
  }
  int32_t CalcMinWidth(TdxBarDockingStyle AStyle) override {
    return AStyle == dsLeft || AStyle == dsRight ? 20 : FirstLength();
  }
  int32_t CalcMinHeight(TdxBarDockingStyle AStyle) override {
    return AStyle == dsLeft || AStyle == dsRight ? FirstLength() : 20;
  }
  SIZE CalcSizeForWidth(TdxBarDockingStyle, int32_t AWidth) override {
    const int32_t content = Content();
    if (!Bar() || !Bar()->MultiLine() || AWidth <= 0) return SIZE{AWidth, 20};
    return SIZE{AWidth, 20 * std::max<int32_t>(1, (content + AWidth - 1) / AWidth)};
  }
  SIZE CalcSizeForHeight(TdxBarDockingStyle, int32_t AHeight) override { return SIZE{20, AHeight}; }
  void CalcItemRects() override { ++ItemRectCalcs; }
  void RecreateForDocking(TdxBarDockingStyle AStyle, TdxDockControl* ADock) override {
    TCustomdxBarControl::RecreateForDocking(AStyle, ADock);
    if (!ADock) SetParent(nullptr);
  }

protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomdxBarControl::CreateParams(Params);
    if (!Parent()) {
      Params.Style = WS_POPUP;
      Params.WndParent = nullptr;
    }
  }
};

class TTestMenuControl : public TCustomdxBarControl {
  RTL_CLASS(TTestMenuControl, TCustomdxBarControl)
public:
  explicit TTestMenuControl(TComponent* AOwner) : TCustomdxBarControl(AOwner) {}
  bool IsMenuLike() const override { return true; }
};

class BarsTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(1000, 700);
    static const int kIndexes[] = {COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_HIGHLIGHT, COLOR_WINDOW};
    static const COLORREF kColors[] = {RGB(212, 208, 200), RGB(128, 128, 128), RGB(255, 255, 255), RGB(10, 36, 106),
                                       RGB(255, 255, 255)};
    SetSysColors(5, kIndexes, kColors);
    InitForms();
    InstallDialogs();
    StartUnits({&dxBarUnit});
    RegisterBarControlClasses(TTestBarControl::StaticClass(), TTestMenuControl::StaticClass());
    RegisterItemClass(TTestItem::StaticClass(), TTestItemControl::StaticClass(), true);
    RegisterItemClass(TTestMenuItem::StaticClass(), TTestItemControl::StaticClass(), true);
    Journal().clear();
    Form = New<TForm>(Application, 0);
    Form->SetName("fmTest");
    Form->SetBounds(10, 10, 600, 400);
    Form->Show();
    Idle();
  }
  void TearDown() override {
    DoneForms();
    FinishUnits();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  static void Idle() { headless::RunUntilIdle(); }

  TdxBarManager* MakeManager() {
    auto* m = New<TdxBarManager>(Form);
    m->SetName("dxBarManager1");
    return m;
  }
  template <class T = TTestItem>
  T* MakeItem(TdxBarManager* AManager, const char* AName, int32_t ACategory = 0, intptr_t ALength = 0) {
    T* item = New<T>(Form);
    item->SetName(AName);
    item->SetCategory(ACategory);
    item->SetTag(ALength);
    (void)AManager;
    return item;
  }
  // A bar docked at the top of a dock with links to the given items.
  TdxBar* MakeBar(TdxBarManager* AManager, const char* ACaption, std::initializer_list<TdxBarItem*> AItems) {
    TdxBar* bar = AManager->Bars()->Add();
    bar->SetCaption(ACaption);
    for (TdxBarItem* item : AItems) bar->ItemLinks()->AddItem(item);
    return bar;
  }
  static TTestBarControl* Window(TdxBar* ABar) { return dynamic_cast<TTestBarControl*>(ABar->GetControl()); }
  static std::string Bounds(TControl* c) {
    const RECT r = c->BoundsRect();
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
  }
  TForm* Form = nullptr;
};

}  // namespace bars_test
