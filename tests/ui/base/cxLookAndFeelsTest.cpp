#include "ui/base/cxLookAndFeels.h"

#include <algorithm>
#include <string>
#include <vector>

#include "cxPainterSupport.h"

using namespace uibase_test;

namespace {

using LookAndFeelTest = PainterTest;

// Records the changes a look-and-feel reports through OnChanged.
struct ChangeLog {
  std::vector<std::pair<TcxLookAndFeel*, TcxLookAndFeelValues>> calls;
  void Watch(TcxLookAndFeel* l) {
    l->OnChanged = [this](TcxLookAndFeel* s, TcxLookAndFeelValues v) { calls.emplace_back(s, v); };
  }
  int CountFor(TcxLookAndFeel* l) const {
    int n = 0;
    for (auto& c : calls) n += c.first == l;
    return n;
  }
};

// A plain listener that logs its calls and may remove itself from its master while being told.
class TestListener : public TObject, public IcxLookAndFeelListener {
  RTL_CLASS(TestListener, TObject)
public:
  TestListener(std::vector<std::string>* log, std::string name) : FLog(log), FName(std::move(name)) {}
  int32_t QueryInterface(const TGUID&, void** obj) override {
    if (obj) *obj = nullptr;
    return RTL_E_NOINTERFACE;
  }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  TObject* GetObject() override { return this; }
  void MasterChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues) override {
    FLog->push_back(FName);
    if (RemoveSelf) Sender->RemoveChangeListener(this);
  }
  void MasterDestroying(TcxLookAndFeel*) override { FLog->push_back(FName + " destroying"); }
  bool RemoveSelf = false;

private:
  std::vector<std::string>* FLog;
  std::string FName;
};

TcxLookAndFeel* NewLookAndFeel() { return New<TcxLookAndFeel>(static_cast<TPersistent*>(nullptr)); }

}  // namespace

TEST_F(LookAndFeelTest, NewObjectsFollowTheRootThroughAController) {
  TcxLookAndFeel* a = NewLookAndFeel();
  TcxLookAndFeel* b = NewLookAndFeel();
  TcxLookAndFeel* own = NewLookAndFeel();
  EXPECT_EQ(a->Kind(), lfUltraFlat);
  EXPECT_FALSE(a->NativeStyle());
  EXPECT_TRUE(a->AssignedValues().Empty());
  ASSERT_NE(GetRootLookAndFeel(), nullptr);
  EXPECT_EQ(a->GetMaster(), GetRootLookAndFeel());
  own->SetKind(lfFlat);

  ChangeLog log;
  log.Watch(a);
  log.Watch(b);
  log.Watch(own);
  auto* controller = New<TcxLookAndFeelController>(static_cast<TComponent*>(nullptr));
  EXPECT_EQ(LookAndFeelControllerCount(), 1);
  controller->SetKind(lfStandard);
  EXPECT_EQ(controller->Kind(), lfStandard);
  EXPECT_EQ(a->Kind(), lfStandard);
  EXPECT_EQ(b->Kind(), lfStandard);
  EXPECT_EQ(own->Kind(), lfFlat) << "an own value ignores the master";
  ASSERT_EQ(log.calls.size(), 2u);
  EXPECT_EQ(log.calls[0].first, a) << "listeners hear in the order they registered";
  EXPECT_EQ(log.calls[1].first, b);
  EXPECT_EQ(log.calls[0].second, TcxLookAndFeelValues{lfvKind});

  // The last controller going resets the root and everyone that inherits follows back.
  log.calls.clear();
  controller->Free();
  EXPECT_EQ(LookAndFeelControllerCount(), 0);
  EXPECT_EQ(GetRootLookAndFeel()->Kind(), lfUltraFlat);
  EXPECT_TRUE(GetRootLookAndFeel()->AssignedValues().Empty());
  EXPECT_EQ(a->Kind(), lfUltraFlat);
  EXPECT_EQ(log.CountFor(a), 1);
  EXPECT_EQ(log.CountFor(own), 0);
  a->Free();
  b->Free();
  own->Free();
}

TEST_F(LookAndFeelTest, SettingTheValueInEffectStoresItButNotifiesNobody) {
  TcxLookAndFeel* a = NewLookAndFeel();
  ChangeLog log;
  log.Watch(a);
  a->SetKind(lfUltraFlat);
  EXPECT_TRUE(a->AssignedValues().Contains(lfvKind));
  EXPECT_TRUE(a->IsKindStored());
  EXPECT_FALSE(a->IsNativeStyleStored());
  EXPECT_TRUE(log.calls.empty());
  a->SetNativeStyle(true);
  ASSERT_EQ(log.calls.size(), 1u);
  EXPECT_EQ(log.calls[0].second, TcxLookAndFeelValues{lfvNativeStyle});
  // Dropping the assigned values falls back to the inherited ones and reports what changed.
  log.calls.clear();
  a->Reset();
  EXPECT_FALSE(a->NativeStyle());
  ASSERT_EQ(log.calls.size(), 1u);
  EXPECT_EQ(log.calls[0].second, TcxLookAndFeelValues{lfvNativeStyle});
  a->Free();
}

TEST_F(LookAndFeelTest, MastersPassOnOnlyInheritedValues) {
  TcxLookAndFeel* top = NewLookAndFeel();
  TcxLookAndFeel* mid = NewLookAndFeel();
  TcxLookAndFeel* leaf = NewLookAndFeel();
  mid->SetMaster(top);
  leaf->SetMaster(mid);
  EXPECT_EQ(leaf->GetMaster(), mid);
  ChangeLog log;
  log.Watch(mid);
  log.Watch(leaf);

  top->SetKind(lfOffice11);
  EXPECT_EQ(leaf->Kind(), lfOffice11) << "a change travels down the chain";
  EXPECT_EQ(log.calls.size(), 2u);

  log.calls.clear();
  mid->SetKind(lfFlat);
  top->SetKind(lfStandard);
  EXPECT_EQ(mid->Kind(), lfFlat);
  EXPECT_EQ(leaf->Kind(), lfFlat);
  EXPECT_EQ(log.CountFor(mid), 1) << "only its own change";
  EXPECT_EQ(log.CountFor(leaf), 1);

  // An empty set notifies nobody.
  log.calls.clear();
  mid->MasterChanged(top, {lfvKind});
  EXPECT_TRUE(log.calls.empty());

  // NativeStyle still comes from the top.
  top->SetNativeStyle(true);
  EXPECT_TRUE(leaf->NativeStyle());
  EXPECT_EQ(log.calls.back().second, TcxLookAndFeelValues{lfvNativeStyle});
  leaf->Free();
  mid->Free();
  top->Free();
}

TEST_F(LookAndFeelTest, SetMasterToTheEffectiveMasterDoesNothing) {
  TcxLookAndFeel* root = RootLookAndFeel();
  TcxLookAndFeel* a = NewLookAndFeel();
  TcxLookAndFeel* m = NewLookAndFeel();
  const int32_t rootListeners = root->ChangeListenerCount();
  a->SetMaster(root);
  EXPECT_EQ(root->ChangeListenerCount(), rootListeners);
  a->SetMaster(a);
  EXPECT_EQ(a->GetMaster(), root);
  a->SetMaster(m);
  EXPECT_EQ(root->ChangeListenerCount(), rootListeners - 1);
  EXPECT_EQ(m->ChangeListenerCount(), 1);
  a->SetMaster(nullptr);
  EXPECT_EQ(a->GetMaster(), root) << "no master: the root";
  EXPECT_EQ(m->ChangeListenerCount(), 0);
  EXPECT_EQ(root->ChangeListenerCount(), rootListeners);
  root->SetMaster(m);
  EXPECT_EQ(root->GetMaster(), nullptr) << "the root has no master";
  a->Free();
  m->Free();
}

TEST_F(LookAndFeelTest, DestroyingAMasterFallsBackToTheRoot) {
  TcxLookAndFeel* same = NewLookAndFeel();
  TcxLookAndFeel* differs = NewLookAndFeel();
  TcxLookAndFeel* master = NewLookAndFeel();
  TcxLookAndFeel* master2 = NewLookAndFeel();
  master2->SetKind(lfStandard);
  same->SetMaster(master);
  differs->SetMaster(master2);
  EXPECT_EQ(differs->Kind(), lfStandard);
  ChangeLog log;
  log.Watch(same);
  log.Watch(differs);
  master->Free();
  master2->Free();
  EXPECT_EQ(same->GetMaster(), GetRootLookAndFeel());
  EXPECT_EQ(differs->GetMaster(), GetRootLookAndFeel());
  EXPECT_EQ(differs->Kind(), lfUltraFlat);
  EXPECT_EQ(log.CountFor(same), 0) << "values unchanged: no event";
  EXPECT_EQ(log.CountFor(differs), 1);
  same->Free();
  differs->Free();
}

TEST_F(LookAndFeelTest, ListenersInOrderAndOneRemovingItselfSkipsNobody) {
  TcxLookAndFeel* a = NewLookAndFeel();
  std::vector<std::string> log;
  auto* first = New<TestListener>(&log, "first");
  auto* second = New<TestListener>(&log, "second");
  auto* third = New<TestListener>(&log, "third");
  a->AddChangeListener(first);
  a->AddChangeListener(second);
  a->AddChangeListener(third);
  a->AddChangeListener(second);
  a->AddChangeListener(nullptr);
  EXPECT_EQ(a->ChangeListenerCount(), 3) << "no duplicates, nil ignored";
  second->RemoveSelf = true;
  a->SetKind(lfFlat);
  EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "third"}));
  EXPECT_EQ(a->ChangeListenerCount(), 2);
  log.clear();
  a->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"first destroying", "third destroying"}));
  first->Free();
  second->Free();
  third->Free();
}

TEST_F(LookAndFeelTest, ControllersListenOnlyToTheRoot) {
  TcxLookAndFeel* a = NewLookAndFeel();
  auto* controller = New<TcxLookAndFeelController>(static_cast<TComponent*>(nullptr));
  a->AddChangeListener(controller);
  EXPECT_EQ(a->ChangeListenerCount(), 0);
  RootLookAndFeel()->AddChangeListener(controller);
  EXPECT_EQ(LookAndFeelControllerCount(), 1) << "already registered";
  controller->SetNativeStyle(true);
  EXPECT_TRUE(a->NativeStyle());
  controller->Free();
  EXPECT_FALSE(a->NativeStyle());
  a->Free();
}

TEST_F(LookAndFeelTest, AssignCopiesOwnValuesAndMaster) {
  TcxLookAndFeel* m = NewLookAndFeel();
  TcxLookAndFeel* src = NewLookAndFeel();
  TcxLookAndFeel* dst = NewLookAndFeel();
  m->SetNativeStyle(true);
  src->SetMaster(m);
  src->SetKind(lfOffice11);
  ChangeLog log;
  log.Watch(dst);
  dst->Assign(src);
  EXPECT_EQ(dst->Kind(), lfOffice11);
  EXPECT_TRUE(dst->NativeStyle());
  EXPECT_EQ(dst->GetMaster(), m);
  EXPECT_EQ(dst->AssignedValues(), TcxLookAndFeelValues{lfvKind});
  ASSERT_FALSE(log.calls.empty());
  EXPECT_EQ(log.calls.back().second, (TcxLookAndFeelValues{lfvKind, lfvNativeStyle}));
  TcxLookAndFeelController* wrong = New<TcxLookAndFeelController>(static_cast<TComponent*>(nullptr));
  EXPECT_THROW(dst->Assign(wrong), Exception);
  wrong->Free();
  dst->Free();
  src->Free();
  m->Free();
}

TEST_F(LookAndFeelTest, PainterSelectionForEveryKindWithThemesOffAndOn) {
  TcxLookAndFeel* a = NewLookAndFeel();
  struct Row {
    TcxLookAndFeelKind kind;
    TcxCustomLookAndFeelPainterClass painter;
  };
  const Row rows[] = {
      {lfFlat, TcxFlatLookAndFeelPainter::Instance()},
      {lfStandard, TcxStandardLookAndFeelPainter::Instance()},
      {lfUltraFlat, TcxUltraFlatLookAndFeelPainter::Instance()},
      {lfOffice11, TcxOffice11LookAndFeelPainter::Instance()},
  };
  for (bool themes : {false, true}) {
    winapi::SetThemeActive(themes);
    DoneThemeManager();  // the manager reads the switch again when it starts
    for (const Row& row : rows) {
      a->SetKind(row.kind);
      a->SetNativeStyle(false);
      EXPECT_EQ(a->GetPainterClass(), row.painter) << row.painter->ClassName();
      a->SetNativeStyle(true);
      const TcxCustomLookAndFeelPainterClass expected =
          themes ? TcxWinXPLookAndFeelPainter::Instance() : row.painter;
      EXPECT_EQ(a->GetPainterClass(), expected) << "themes " << themes << " " << row.painter->ClassName();
      EXPECT_EQ(a->PainterForThemeType(totScrollBar), expected);
    }
  }
  // An explicit painter wins, except for a particular theme class.
  a->SetPainter(TcxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(a->GetPainterClass(), TcxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(a->PainterForThemeType(totButton), TcxWinXPLookAndFeelPainter::Instance());
  EXPECT_EQ(StyleToLookAndFeelKind(TcxWinXPLookAndFeelPainter::Instance()->PainterStyle()), lfStandard);
  a->Free();
}

TEST_F(LookAndFeelTest, SystemColourChangeTellsEveryLookAndFeelAfterThePrimaryNotifiers) {
  TcxLookAndFeel* a = NewLookAndFeel();
  TcxLookAndFeel* b = NewLookAndFeel();
  std::vector<std::string> log;
  a->OnChanged = [&](TcxLookAndFeel*, TcxLookAndFeelValues v) {
    EXPECT_EQ(v, TcxLookAndFeelValues{lfvNativeStyle});
    log.push_back("a");
  };
  b->OnChanged = [&](TcxLookAndFeel*, TcxLookAndFeelValues) { log.push_back("b"); };
  auto* primary = New<TcxSystemPaletteChangedNotifier>(true);
  primary->OnPaletteChanged = [&] { log.push_back("primary"); };
  EXPECT_GT(SystemPaletteChangedListenerUseCount(), 2);
  SetSysColor(COLOR_BTNFACE, RGB(200, 200, 200));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "primary");
  // Each hears it from its own notifier and once more through the root it inherits from.
  EXPECT_EQ(std::count(log.begin(), log.end(), "a"), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "b"), 2);
  // Ordinary notifiers run from the last registered to the first.
  EXPECT_LT(std::find(log.begin(), log.end(), "b"), std::find(log.begin(), log.end(), "a"));
  primary->Free();
  a->Free();
  b->Free();
}

TEST_F(LookAndFeelTest, WithoutARootEverythingResolvesToTheDefaults) {
  TcxLookAndFeel* a = NewLookAndFeel();
  auto* controller = New<TcxLookAndFeelController>(static_cast<TComponent*>(nullptr));
  controller->SetKind(lfFlat);
  EXPECT_EQ(a->Kind(), lfFlat);
  DoneLookAndFeels();
  EXPECT_EQ(GetRootLookAndFeel(), nullptr);
  EXPECT_EQ(a->GetMaster(), nullptr);
  EXPECT_EQ(controller->Kind(), lfUltraFlat);
  controller->SetKind(lfStandard);  // no root: nothing happens
  a->Reset();
  a->SetNativeStyle(false);
  a->Reset();
  EXPECT_EQ(a->Kind(), lfUltraFlat);
  controller->Free();
  a->Free();
}

TEST_F(LookAndFeelTest, RadioPicturesAreRebuiltBeforeAnyLookAndFeelHears) {
  TcxRadioButtonImageList* radios = GetRadioImages();
  TcxLookAndFeel* a = NewLookAndFeel();
  uint32_t ringSeen = 0;
  a->OnChanged = [&](TcxLookAndFeel* l, TcxLookAndFeelValues) {
    if (ringSeen) return;
    Surface s(radios->Width(), radios->Height(), clRed);
    l->GetPainterClass()->PaintRadioButton(s.canvas, 0, 0, cxbsNormal, false, false, clDefault);
    ringSeen = s(radios->Width() / 2, 0);
  };
  a->SetKind(lfStandard);
  ringSeen = 0;
  SetSysColor(COLOR_BTNSHADOW, RGB(9, 8, 7));
  EXPECT_EQ(ringSeen, Rgb(9, 8, 7));
  a->Free();
}
