#include "EditControlSupport.h"
#include "forms/ExtCtrls.h"

using namespace edctl_test;

namespace {

// The key events of an editor as one line: "d<vk>" OnKeyDown, "p<code>" OnKeyPress, "a<vk>" the host's
// after-key-down, "b<index>" a button click. Modifier keys are left out.
struct EdCtlKeyLog {
  std::string Text;
  void Add(const char* AKind, int ACode) {
    if (ACode == VK_SHIFT || ACode == VK_CONTROL || ACode == VK_MENU) return;
    Text += (Text.empty() ? "" : " ") + std::string(AKind) + std::to_string(ACode);
  }
};

class EdCtlTest : public EdCtlFixture {
protected:
  void Listen(TEdCtlEdit* AEdit) {
    AEdit->OnKeyDown = TKeyEvent([this](TObject*, uint16_t& Key, TShiftState) { Keys.Add("d", Key); });
    AEdit->OnKeyPress = TKeyPressEvent([this](TObject*, char32_t& Key) { Keys.Add("p", static_cast<int>(Key)); });
    AEdit->OnAfterKeyDown = TKeyEvent([this](TObject*, uint16_t& Key, TShiftState) {
      Keys.Add("a", Key);
      if (Key == VK_TAB && HostTakesTab) Key = 0;
    });
    AEdit->Properties()->OnButtonClick = TcxEditButtonClickEvent([this](TObject*, int32_t AIndex) {
      Keys.Add("b", AIndex);
    });
  }
  // An in-place editor on the form, as the grid puts one on a cell.
  TEdCtlEdit* MakeInplace() {
    TEdCtlEdit* edit = TcxCustomEdit::CreateInplace<TEdCtlEdit>(Form);
    edit->SetVisible(false);
    edit->SetBounds(10, 50, 120, 20);
    edit->SetParent(Form);
    Idle();
    return edit;
  }
  void CountChanges(TcxCustomEditProperties* AProperties, const char* AName) {
    std::string name = AName;
    AProperties->OnChange = TNotifyEvent([this, name](TObject*) { Changes.push_back(name + ":change"); });
    AProperties->OnEditValueChanged =
        TNotifyEvent([this, name](TObject*) { Changes.push_back(name + ":value"); });
  }
  EdCtlKeyLog Keys;
  bool HostTakesTab = false;
  std::vector<std::string> Changes;
};

}  // namespace

// ---- edit value and display value ---------------------------------------------------------------------------

TEST_F(EdCtlTest, EditValueIsShownThroughThePropertiesAndTypingChangesItOnlyOnValidation) {
  struct Case {
    Variant value;
    const char* shown;
  } cases[] = {{Variant(5), "5"}, {Null(), ""}, {Variant(String("12")), "12"}, {Variant(-40), "-40"}};
  for (const Case& c : cases) {
    Edit->SetEditValue(c.value);
    EXPECT_EQ(Edit->DisplayText(), c.shown);
    EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), c.value)) << c.shown;
    EXPECT_FALSE(Edit->Modified()) << "a value from the program is not an edit";
  }
  Edit->SetEditValue(Variant(5));
  Edit->Props()->SetValidateOnEnter(true);
  FocusEdit(Edit);
  Type("12");
  EXPECT_EQ(Edit->DisplayText(), "512");
  EXPECT_EQ(VarToStr(Edit->EditValue()), "5") << "the display value is not the edit value yet";
  EXPECT_TRUE(Edit->Modified());
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  Press(VK_RETURN);
  EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), Variant(512)));
  EXPECT_TRUE(Edit->IsValidated());
  EXPECT_TRUE(Errors.empty());
}

// ---- validation -----------------------------------------------------------------------------------------------

TEST_F(EdCtlTest, LeavingWithAWrongValueReportsTheErrorRefocusesSelectsBeepsAndEscRestores) {
  Edit->Props()->SetBeepOnError(true);
  Edit->SetEditValue(Variant(5));
  int validations = 0;
  Edit->Props()->OnValidate = TcxEditValidateEvent([&](TObject* Sender, Variant&, String&, bool&) {
    EXPECT_EQ(Sender, Edit);
    ++validations;
  });
  FocusEdit(Edit);
  Type("x");
  ASSERT_EQ(Edit->DisplayText(), "5x");
  int beeps = headless::BeepCount();
  int selects = Edit->SelectAllCount;

  ClickOn(Other);
  EXPECT_EQ(Errors, std::vector<std::string>{kEdCtlInvalidValue});
  EXPECT_TRUE(Edit->Focused()) << "the focus goes back to the editor";
  EXPECT_FALSE(Other->Focused());
  EXPECT_GT(Edit->SelectAllCount, selects);
  EXPECT_TRUE(Edit->AllSelected);
  EXPECT_EQ(headless::BeepCount(), beeps + 1);
  EXPECT_EQ(validations, 1);
  EXPECT_EQ(Edit->DisplayText(), "5x") << "the wrong text stays for correction";
  EXPECT_EQ(VarToStr(Edit->EditValue()), "5");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());

  // Esc puts back the value held on entering, and its character goes no further.
  Listen(Edit);
  Press(VK_ESCAPE);
  EXPECT_EQ(Edit->DisplayText(), "5");
  EXPECT_TRUE(Edit->AllSelected);
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(Keys.Text, "d27");
  // A second Esc, with nothing to undo, passes through.
  Press(VK_ESCAPE);
  EXPECT_EQ(Keys.Text, "d27 d27 p27");
  ClickOn(Other);
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(Errors.size(), 1u);
}

TEST_F(EdCtlTest, ValidateHandlerDecidesTheMessageAndMayCorrectTheText) {
  struct Case {
    const char* name;
    const char* errorText;  // nullptr: keep the default text
    const char* corrected;  // nullptr: leave the display value
    std::vector<std::string> errors;
    const char* shown;
  } cases[] = {
      {"default text", nullptr, nullptr, {kEdCtlInvalidValue}, "7q"},
      {"own text", "Нужно целое число", nullptr, {"Нужно целое число"}, "7q"},
      {"corrected while failing", "Нужно целое число", "0", {"Нужно целое число"}, "0"},
      {"empty text: no exception", "", nullptr, {}, "7q"},
  };
  Edit->Props()->SetValidateOnEnter(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Errors.clear();
    Edit->Props()->OnValidate = TcxEditValidateEvent([&](TObject*, Variant& AValue, String& AText, bool&) {
      if (c.errorText) AText = c.errorText;
      if (c.corrected) AValue = Variant(String(c.corrected));
    });
    Edit->SetEditValue(Variant(7));
    FocusEdit(Edit);
    Edit->AllSelected = false;  // the caret after the text
    Type("q");
    Press(VK_RETURN);
    EXPECT_EQ(Errors, c.errors);
    EXPECT_EQ(Edit->DisplayText(), c.shown);
    EXPECT_EQ(VarToStr(Edit->EditValue()), "7");
    EXPECT_TRUE(Edit->Focused());
    Press(VK_ESCAPE);
  }
}

TEST_F(EdCtlTest, AValidatedValueIsNotValidatedAgainOnLeaving) {
  int validations = 0;
  Edit->Props()->OnValidate = TcxEditValidateEvent([&](TObject*, Variant&, String&, bool&) { ++validations; });
  Edit->Props()->SetValidateOnEnter(true);
  FocusEdit(Edit);
  Type("42");
  Press(VK_RETURN);
  EXPECT_EQ(validations, 1);
  ClickOn(Other);
  EXPECT_EQ(validations, 1);
  EXPECT_TRUE(Other->Focused());
  EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), Variant(42)));
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  // A new change is validated again.
  FocusEdit(Edit);
  Type("1");
  ClickOn(Other);
  EXPECT_EQ(validations, 2);
  EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), Variant(421)));
}

// ---- keys -------------------------------------------------------------------------------------------------------

TEST_F(EdCtlTest, KeyTable) {
  struct Case {
    const char* name;
    bool defaultButton;
    bool validateOnEnter;
    bool hostTakesTab;
    int modifier;  // 0: none
    int key;
    const char* log;
    bool editKeepsFocus;
  } cases[] = {
      {"ctrl+enter clicks the default button", true, false, false, VK_CONTROL, VK_RETURN, "b0", true},
      {"ctrl+enter without default button", false, false, false, VK_CONTROL, VK_RETURN, "d13 p10", true},
      {"enter without validation passes on", false, false, false, 0, VK_RETURN, "d13 p13", true},
      {"tab moves on", false, false, false, 0, VK_TAB, "d9 a9 p9", false},
      {"shift+tab moves back", false, false, false, VK_SHIFT, VK_TAB, "d9 a9 p9", false},
      {"ctrl+tab is no navigation", false, false, false, VK_CONTROL, VK_TAB, "d9", true},
      {"a host that takes tab keeps the focus", false, false, true, 0, VK_TAB, "d9 a9 p9", true},
      {"cursor keys go to the host", false, false, false, 0, VK_DOWN, "d40 a40", true},
      {"page keys go to the host", false, false, false, 0, VK_PRIOR, "d33 a33", true},
      {"esc without changes passes", false, false, false, 0, VK_ESCAPE, "d27 p27", true},
      {"a letter", false, false, false, 0, 'A', "d65 p97", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TEdCtlEdit* edit = MakeInplace();
    Listen(edit);
    if (c.defaultButton) edit->Props()->Buttons()->Add()->SetDefault(true);
    edit->Props()->SetValidateOnEnter(c.validateOnEnter);
    HostTakesTab = c.hostTakesTab;
    TcxCustomEditData* data = nullptr;
    edit->Activate(data);
    Idle();
    ASSERT_TRUE(edit->Focused());
    Keys.Text.clear();
    if (c.modifier)
      PressWith(c.modifier, c.key);
    else
      Press(c.key);
    EXPECT_EQ(Keys.Text, c.log);
    EXPECT_EQ(edit->Focused(), c.editKeepsFocus);
    edit->Free();
    Idle();
  }
}

TEST_F(EdCtlTest, ClearKeyEmptiesTheValueAsAnEdit) {
  Edit->Props()->SetClearKey(ShortCut(VK_DELETE, TShiftState{ssCtrl}));
  Edit->SetEditValue(Variant(9));
  FocusEdit(Edit);
  PressWith(VK_CONTROL, VK_DELETE);
  EXPECT_TRUE(VarIsNull(Edit->EditValue()));
  EXPECT_EQ(Edit->DisplayText(), "");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  EXPECT_TRUE(Edit->IsValidated());
}

TEST_F(EdCtlTest, ReadOnlyEditorRefusesTypedCharacters) {
  Edit->Props()->SetReadOnly(true);
  Edit->SetEditValue(Variant(3));
  int editing = 0;
  Edit->OnEditing = TcxEditEditingEvent([&](TObject*, bool&) { ++editing; });
  FocusEdit(Edit);
  Type("45");
  EXPECT_EQ(Edit->DisplayText(), "3");
  EXPECT_FALSE(Edit->Modified());
  EXPECT_EQ(editing, 0) << "OnEditing is asked only when the change may start";
  Edit->Props()->SetReadOnly(false);
  Edit->OnEditing = TcxEditEditingEvent([&](TObject*, bool& ACanEdit) {
    ++editing;
    ACanEdit = false;
  });
  Type("4");
  EXPECT_EQ(Edit->DisplayText(), "3");
  EXPECT_EQ(editing, 1);
}

// ---- modified state and change events -------------------------------------------------------------------------

TEST_F(EdCtlTest, ChangeEventsFireOnRealChangesAndWaitWhileLocked) {
  CountChanges(Edit->Properties(), "own");
  Edit->SetEditValue(Variant(1));
  EXPECT_EQ(Changes, (std::vector<std::string>{"own:value", "own:change"}));
  Changes.clear();
  Edit->SetEditValue(Variant(1));
  EXPECT_TRUE(Changes.empty()) << "the same value is no change";
  Edit->SetEditValue(Variant(String("1")));
  EXPECT_EQ(Changes.size(), 2u) << "another variant type is a change";

  struct Case {
    const char* name;
    int locks;
    bool invoke;
    std::vector<std::string> after;
  } cases[] = {
      {"one lock, fired at the end", 1, true, {"own:change", "own:value"}},
      {"one lock, dropped", 1, false, {}},
      {"nested locks fire once", 2, true, {"own:change", "own:value"}},
  };
  int value = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Changes.clear();
    for (int i = 0; i < c.locks; ++i) Edit->LockChangeEvents(true);
    Edit->SetEditValue(Variant(++value));
    Edit->SetEditValue(Variant(++value));
    for (int i = 1; i < c.locks; ++i) {
      Edit->LockChangeEvents(false, c.invoke);
      EXPECT_TRUE(Changes.empty());
    }
    Edit->LockChangeEvents(false, c.invoke);
    EXPECT_EQ(Changes, c.after);
    EXPECT_EQ(Edit->ChangeEventsLockCount(), 0);
  }
  Edit->LockChangeEvents(false, true);  // never below zero
  EXPECT_EQ(Edit->ChangeEventsLockCount(), 0);
}

TEST_F(EdCtlTest, EditValueChangingLockIgnoresNewValues) {
  Edit->SetEditValue(Variant(1));
  // A handler that answers a change with another value while the lock holds changes nothing.
  Edit->Properties()->OnEditValueChanged = TNotifyEvent([&](TObject*) {
    Edit->LockEditValueChanging(true);
    Edit->SetEditValue(Variant(99));
    Edit->LockEditValueChanging(false);
  });
  Edit->SetEditValue(Variant(2));
  EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), Variant(2)));
  Edit->LockEditValueChanging(false);  // never below zero
  Edit->Properties()->OnEditValueChanged = TNotifyEvent();
  Edit->SetEditValue(Variant(3));
  EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), Variant(3)));
}

TEST_F(EdCtlTest, TypingMarksTheEditorModifiedAndFiresOnChangePerCharacter) {
  CountChanges(Edit->Properties(), "own");
  FocusEdit(Edit);
  Type("12");
  EXPECT_EQ(Changes, (std::vector<std::string>{"own:change", "own:change"}));
  EXPECT_TRUE(Edit->Modified());
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  EXPECT_TRUE(Edit->DataBinding()->GetModified());
  // The saved state comes back balanced.
  Edit->SaveModified();
  Edit->SetModified(false);
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  Edit->RestoreModified();
  EXPECT_TRUE(Edit->Modified());
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  // Leaving posts; the editor keeps the value and forgets the edit mark.
  ClickOn(Other);
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_TRUE(VarEqualsExact(Edit->EditValue(), Variant(12)));
}

TEST_F(EdCtlTest, InplaceChangeHandlersSeeTheEditorModified) {
  TEdCtlEdit* edit = MakeInplace();
  std::vector<bool> seen;
  edit->Properties()->OnChange = TNotifyEvent([&](TObject*) { seen.push_back(edit->Modified()); });
  edit->SetEditValue(Variant(3));
  EXPECT_EQ(seen, std::vector<bool>{true});
  EXPECT_FALSE(edit->Modified());
}

// ---- repository item --------------------------------------------------------------------------------------------

namespace {

class TEdCtlItem : public TcxEditRepositoryItem {
  RTL_CLASS(TEdCtlItem, TcxEditRepositoryItem)
public:
  using TcxEditRepositoryItem::TcxEditRepositoryItem;
  TClass GetPropertiesClass() const override { return TEdCtlProperties::StaticClass(); }
};

}  // namespace

TEST_F(EdCtlTest, RepositoryItemOfTheKindIsUsedAndAnotherKindIsRefused) {
  auto* item = static_cast<TEdCtlItem*>(GetDefaultEditRepository()->CreateItem(TEdCtlItem::StaticClass()));
  CountChanges(Edit->Properties(), "own");
  CountChanges(item->Properties(), "item");
  int changed = Edit->PropertiesChangedCount;
  Edit->SetRepositoryItem(item);
  EXPECT_EQ(Edit->RepositoryItem(), item);
  EXPECT_EQ(Edit->GetActiveProperties(), item->Properties());
  EXPECT_EQ(item->Properties()->DefaultValuesProvider(), Edit->DataBinding()->GetDefaultValuesProvider());
  EXPECT_EQ(Edit->Properties()->DefaultValuesProvider(), nullptr);
  EXPECT_GT(Edit->PropertiesChangedCount, changed);
  // A change of the item reaches the editor; one of its own properties no longer does.
  changed = Edit->PropertiesChangedCount;
  item->Properties()->SetAutoSelect(false);
  EXPECT_EQ(Edit->PropertiesChangedCount, changed + 1);
  Edit->Properties()->SetAutoSelect(false);
  EXPECT_EQ(Edit->PropertiesChangedCount, changed + 1);
  // Events fire from the own properties first, then from the item's.
  Edit->SetEditValue(Variant(8));
  EXPECT_EQ(Changes, (std::vector<std::string>{"own:value", "item:value", "own:change", "item:change"}));

  // An item of a kind the editor cannot use is refused with the translated text, and nothing changes.
  TcxEditRepositoryItem* other = GetDefaultEditRepository()->CreateItem(TcxEditRepositoryItem::StaticClass());
  try {
    Edit->SetRepositoryItem(other);
    ADD_FAILURE() << "no exception";
  } catch (Exception& e) {
    EXPECT_EQ(e.Message(), "Элемент хранилища недоступен");
  }
  EXPECT_EQ(Edit->RepositoryItem(), item);
  auto* sources = New<TStringList>();
  auto* translations = New<TStringList>();
  sources->Add("Элемент хранилища недоступен");
  translations->Add("Repository item unavailable");
  SetTranslationLists(sources, translations);
  EXPECT_THROW(
      try { Edit->SetRepositoryItem(other); } catch (Exception& e) {
        EXPECT_EQ(e.Message(), "Repository item unavailable");
        throw;
      },
      Exception);
  SetTranslationLists(nullptr, nullptr);

  // Freeing the item gives the editor its own properties back, bound again.
  item->Free();
  EXPECT_EQ(Edit->RepositoryItem(), nullptr);
  EXPECT_EQ(Edit->GetActiveProperties(), Edit->Properties());
  changed = Edit->PropertiesChangedCount;
  Edit->Properties()->SetAutoSelect(true);
  EXPECT_EQ(Edit->PropertiesChangedCount, changed + 1);
  Edit->SetRepositoryItem(nullptr);
  EXPECT_EQ(Edit->Properties()->DefaultValuesProvider(), Edit->DataBinding()->GetDefaultValuesProvider());
}

// ---- in-place activation ------------------------------------------------------------------------------------------

TEST_F(EdCtlTest, ActivateByKeyShowsFocusesAndTypesTheKey) {
  TEdCtlEdit* edit = MakeInplace();
  edit->WithEditData = true;
  edit->SetEditValue(Variant(5));
  TcxCustomEditData* data = nullptr;
  edit->ActivateByKey(U'7', data);
  Idle();
  EXPECT_TRUE(edit->Visible());
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(edit->DisplayText(), "7") << "the key replaces the selected value";
  EXPECT_TRUE(edit->ModifiedAfterEnter());
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->ClassType(), TEdCtlEditData::StaticClass());
  EXPECT_EQ(data->Edit(), edit);
  EXPECT_FALSE(data->Cleared);
  EXPECT_EQ(edit->EditDataInitCount, 1);
  // The same data again is not filled twice; Activate starts unmodified.
  edit->Activate(data);
  EXPECT_EQ(edit->EditDataInitCount, 1);
  EXPECT_FALSE(edit->Modified());
  // The data outlives the editor and forgets it.
  edit->Free();
  EXPECT_EQ(data->Edit(), nullptr);
  data->Free();
}

TEST_F(EdCtlTest, ActivateByMouseReplaysTheClickAndASecondClickIsADoubleClick) {
  TEdCtlEdit* edit = MakeInplace();
  std::vector<POINT> downs;
  int doubleClicks = 0;
  edit->OnMouseDown = TMouseEvent([&](TObject*, TMouseButton, TShiftState, int32_t X, int32_t Y) {
    downs.push_back(POINT{X, Y});
  });
  edit->OnDblClick = TNotifyEvent([&](TObject*) { ++doubleClicks; });
  TcxCustomEditData* data = nullptr;
  // The grid passes the point in its own client coordinates; the editor sits at (10, 50).
  edit->ActivateByMouse(TShiftState{ssLeft}, 30, 60, data);
  Idle();
  EXPECT_TRUE(edit->Focused());
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].x, 20);
  EXPECT_EQ(downs[0].y, 10);
  EXPECT_NE(GetCapture(), edit->Handle()) << "the button is already up";
  POINT p = edit->ClientToScreen(POINT{20, 10});
  headless::Click(p.x, p.y);
  Idle();
  EXPECT_EQ(doubleClicks, 1);
  // Once the double-click time is over, a click is a click.
  edit->ActivateByMouse(TShiftState{ssLeft}, 30, 60, data);
  headless::AdvanceClock(GetDoubleClickTime() + 10);
  Idle();
  headless::Click(p.x, p.y);
  Idle();
  EXPECT_EQ(doubleClicks, 1);
}

// An in-place editor hands its value to the host through OnPostEditValue. When the host fails, the edit
// is not lost and the failure is not taken for success: the value stays modified and the error reaches
// the user through the application.
TEST_F(EdCtlTest, FailedInplacePostKeepsTheEditAndReportsTheError) {
  TEdCtlEdit* edit = MakeInplace();
  edit->Props()->SetValidateOnEnter(true);
  bool fail = true;
  std::vector<std::string> posted;
  edit->OnPostEditValue = TNotifyEvent([&](TObject*) {
    posted.push_back(std::string(VarToStr(edit->EditValue()).c_str()));
    if (fail) throw Exception("Ошибка записи");
  });
  edit->SetEditValue(Variant(5));
  TcxCustomEditData* data = nullptr;
  edit->ActivateByKey(U'7', data);
  Idle();
  Press(VK_RETURN);
  EXPECT_EQ(Errors, std::vector<std::string>{"Ошибка записи"});
  EXPECT_EQ(posted, std::vector<std::string>{"7"});
  EXPECT_TRUE(edit->Modified());
  EXPECT_TRUE(edit->ModifiedAfterEnter());
  EXPECT_EQ(edit->DisplayText(), "7");
  EXPECT_TRUE(edit->Focused());
  EXPECT_FALSE(edit->IsPosting());
  // Called by the host directly, the failure comes back to the host.
  EXPECT_THROW(edit->PostEditValue(false), Exception);
  EXPECT_TRUE(edit->Modified());
  // Once the host accepts, the editor is clean.
  fail = false;
  Press(VK_RETURN);
  EXPECT_EQ(posted.back(), "7");
  EXPECT_FALSE(edit->Modified());
  EXPECT_EQ(Errors.size(), 1u);
}

TEST_F(EdCtlTest, InplaceEditorLeavesItsParentOutOfTheTabOrder) {
  auto* panel = New<TPanel>(Form);
  panel->SetBounds(200, 10, 150, 100);
  panel->SetParent(Form);
  TEdCtlEdit* edit = TcxCustomEdit::CreateInplace<TEdCtlEdit>(panel);
  edit->SetParent(panel);
  std::vector<TWinControl*> list{panel, Other};
  edit->GetTabOrderList(list);
  EXPECT_EQ(list, std::vector<TWinControl*>{Other});
  EXPECT_TRUE(edit->IsInplace());
  EXPECT_FALSE(Edit->IsInplace());
  EXPECT_FALSE(edit->AutoSize());
  edit->SetAutoSize(true);
  EXPECT_FALSE(edit->AutoSize()) << "in-place editors never size themselves";
}

// ---- buttons and painting --------------------------------------------------------------------------------------

TEST_F(EdCtlTest, ButtonClickFiresOnReleaseOverTheButtonOnly) {
  std::vector<int32_t> clicks;
  Edit->Props()->OnButtonClick = TcxEditButtonClickEvent([&](TObject*, int32_t AIndex) { clicks.push_back(AIndex); });
  Edit->Props()->Buttons()->Add()->SetKind(bkEllipsis);
  Edit->Props()->Buttons()->Add()->SetKind(bkDown);
  Idle();
  ASSERT_EQ(Edit->EditViewInfo()->ButtonCount(), 2);
  RECT b = Edit->EditViewInfo()->Button(1)->Bounds;
  POINT inside = Edit->ClientToScreen(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
  headless::Click(inside.x, inside.y);
  Idle();
  EXPECT_EQ(clicks, std::vector<int32_t>{1});
  // Pressed on the button, released elsewhere: no click.
  headless::MouseMove(inside.x, inside.y);
  headless::MouseDown();
  Idle();
  EXPECT_EQ(Edit->EditViewInfo()->PressedButton, 1);
  POINT away = Edit->ClientToScreen(POINT{5, 5});
  headless::MouseMove(away.x, away.y);
  headless::MouseUp();
  Idle();
  EXPECT_EQ(clicks, std::vector<int32_t>{1});
  EXPECT_EQ(Edit->EditViewInfo()->PressedButton, -1);
}

TEST_F(EdCtlTest, AButtonTakesADoubleClickAsASecondPress) {
  std::vector<int32_t> clicks;
  int doubleClicks = 0;
  Edit->Props()->OnButtonClick = TcxEditButtonClickEvent([&](TObject*, int32_t AIndex) { clicks.push_back(AIndex); });
  Edit->OnDblClick = TNotifyEvent([&](TObject*) { ++doubleClicks; });
  Edit->Props()->Buttons()->Add()->SetKind(bkEllipsis);
  Idle();
  RECT b = Edit->EditViewInfo()->Button(0)->Bounds;
  POINT on = Edit->ClientToScreen(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
  headless::Click(on.x, on.y);
  headless::Click(on.x, on.y);
  Idle();
  EXPECT_EQ(clicks, (std::vector<int32_t>{0, 0}));
  EXPECT_EQ(doubleClicks, 0);
  // Off the button a double click is the control's.
  POINT off = Edit->ClientToScreen(POINT{5, 5});
  headless::Click(off.x, off.y);
  headless::Click(off.x, off.y);
  Idle();
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(EdCtlTest, AutoSizedEditorTakesTheMeasuredHeight) {
  auto* edit = New<TEdCtlEdit>(Form);
  edit->SetBounds(200, 10, 100, 60);
  edit->SetParent(Form);
  Idle();
  ASSERT_TRUE(edit->AutoSize());
  TcxEditSizeProperties request{1, 100};
  SIZE size{};
  edit->Properties()->GetEditSize(GetContainerScreenCanvas(), edit->Style(), false, edit->EditValue(), request, size);
  ASSERT_GT(size.cy, 0);
  EXPECT_EQ(edit->Height(), size.cy);
  EXPECT_EQ(edit->Width(), 100) << "the width stays: the buttons do not size it";
  edit->SetHeight(80);
  EXPECT_EQ(edit->Height(), size.cy);
  edit->SetAutoSize(false);
  edit->SetHeight(80);
  EXPECT_EQ(edit->Height(), 80);
  // Aligned to a side, the height is the parent's to give.
  edit->SetAutoSize(true);
  edit->SetAlign(alLeft);
  Idle();
  EXPECT_EQ(edit->Height(), Form->ClientHeight());
}

TEST_F(EdCtlTest, FocusChangesReachTheHost) {
  std::vector<bool> seen;
  Edit->OnFocusChanged = TNotifyEvent([&](TObject*) { seen.push_back(Edit->Focused()); });
  FocusEdit(Edit);
  ClickOn(Other);
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  EXPECT_EQ(Edit->EditViewInfo()->ContainerState.Contains(csActive), false);
  FocusEdit(Edit);
  EXPECT_TRUE(Edit->EditViewInfo()->ContainerState.Contains(csActive));
}

TEST_F(EdCtlTest, AcceleratorOfATextButtonClicksIt) {
  std::vector<int32_t> clicks;
  Edit->Props()->OnButtonClick = TcxEditButtonClickEvent([&](TObject*, int32_t AIndex) { clicks.push_back(AIndex); });
  Edit->Props()->Buttons()->Add()->SetKind(bkEllipsis);
  TcxEditButton* go = Edit->Props()->Buttons()->Add();
  go->SetKind(bkText);
  go->SetCaption("&Go");
  Idle();
  // The form offers a dialog character to its controls in turn; the editor takes it for its button.
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'g', 0), 1);
  EXPECT_EQ(clicks, std::vector<int32_t>{1});
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'x', 0), 0);
  go->SetEnabled(false);
  Idle();
  EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 'g', 0), 0);
  EXPECT_EQ(clicks, std::vector<int32_t>{1});
}

// Closing a dialog with a result other than Cancel takes the typed value, quietly: a wrong one stays out.
TEST_F(EdCtlTest, ClosingAModalFormValidatesWithoutRaisingUnlessCancelled) {
  struct Case {
    const char* name;
    TModalResult result;
    const char* typed;
    const char* value;
  } cases[] = {
      {"ok takes a valid value", mrOk, "3", "53"},
      {"ok leaves a wrong value out quietly", mrOk, "w", "5"},
      {"cancel takes nothing", mrCancel, "3", "5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* dialog = New<TForm>(Application, 0);
    dialog->SetBounds(100, 100, 200, 120);
    auto* edit = New<TEdCtlEdit>(dialog);
    edit->SetAutoSize(false);
    edit->SetBounds(10, 10, 100, 24);
    edit->SetParent(dialog);
    edit->SetEditValue(Variant(5));
    dialog->SetActiveControl(edit);
    headless::WhenIdle([&] { headless::TypeText(c.typed); });
    headless::WhenIdle([&] {
      EXPECT_EQ(edit->DisplayText(), std::string("5") + c.typed);
      dialog->SetModalResult(c.result);
    });
    EXPECT_EQ(dialog->ShowModal(), c.result);
    Idle();
    EXPECT_EQ(VarToStr(edit->EditValue()), c.value);
    EXPECT_TRUE(Errors.empty());
    dialog->Free();
    Idle();
  }
}

TEST_F(EdCtlTest, ClickLockSilencesClicks) {
  int clicks = 0;
  Edit->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  ClickOn(Edit);
  EXPECT_EQ(clicks, 1);
  Edit->LockClick(true);
  ClickOn(Edit);
  EXPECT_EQ(clicks, 1);
  Edit->LockClick(false);
  Edit->LockClick(false);  // never below zero
  ClickOn(Edit);
  EXPECT_EQ(clicks, 2);
}

TEST(EdCtlRoutines, SmallRoutinesOfTheEditorUnit) {
  for (char32_t c : {U'\0', U'\t', U'\n', U'\f', U'\r', U' '}) EXPECT_TRUE(IsSpaceChar(c)) << int(c);
  for (char32_t c : {U'a', U'\v', U'_', U'\u00A0'}) EXPECT_FALSE(IsSpaceChar(c)) << int(c);

  struct Keys {
    TShiftState shift;
    WPARAM keys;
  } keys[] = {
      {TShiftState{}, 0},
      {TShiftState{ssShift, ssCtrl}, MK_SHIFT | MK_CONTROL},
      {TShiftState{ssLeft, ssAlt}, MK_LBUTTON},
      {TShiftState{ssMiddle, ssRight}, MK_MBUTTON | MK_RBUTTON},
  };
  for (const Keys& k : keys) EXPECT_EQ(ShiftStateToMouseKeys(k.shift), k.keys);

  EXPECT_EQ(ButtonToShift(0), TShiftState{});
  EXPECT_EQ(ButtonToShift(1), TShiftState{ssLeft});
  EXPECT_EQ(ButtonToShift(2), TShiftState{ssRight});
  EXPECT_EQ(ButtonToShift(3), TShiftState{ssMiddle});
  EXPECT_EQ(MouseButtonToShift(mbMiddle), TShiftState{ssMiddle});

  SIZE s{3, 9};
  EnlargeSize(s, SIZE{5, 2});
  EXPECT_EQ(s.cx, 5);
  EXPECT_EQ(s.cy, 9);

  EXPECT_TRUE(VarEqualsExact(Variant(1), Variant(1)));
  EXPECT_FALSE(VarEqualsExact(Variant(1), Variant(String("1"))));
  EXPECT_FALSE(VarEqualsExact(Variant(1), Variant(2)));
  EXPECT_TRUE(VarEqualsExact(Null(), Null()));

  auto* owner = New<TComponent>(nullptr);
  auto* properties = New<TcxCustomEditProperties>(owner);
  EXPECT_EQ(OwnerComponentOf(properties), owner);
  EXPECT_EQ(OwnerComponentOf(owner), owner);
  EXPECT_EQ(OwnerComponentOf(nullptr), nullptr);
  properties->Free();
  owner->Free();

  TcxRegion empty;
  TcxRegion box(RECT{0, 0, 4, 4});
  EXPECT_TRUE(IsRegionEmpty(&empty));
  EXPECT_TRUE(IsRegionEmpty(nullptr));
  CombineRegionOr(&empty, &box);
  EXPECT_FALSE(IsRegionEmpty(&empty));
}
