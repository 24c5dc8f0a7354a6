#pragma once
// The standard controls: edits and memos over the "EDIT" class, buttons and check boxes over "BUTTON",
// labels drawn on their parent, and group boxes that hold other controls.

#include <cstdint>
#include <vector>

#include "forms/Controls.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "rtl/StringLists.h"
#include "winapi/WinCtrls.h"

enum TEditCharCase : uint8_t { ecNormal, ecUpperCase, ecLowerCase };
RTL_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)

// A single-line (or, in TCustomMemo, multi-line) edit. The window keeps the text once it exists.
class TCustomEdit : public TWinControl {
  RTL_CLASS(TCustomEdit, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomEdit(TComponent* AOwner);

  int32_t MaxLength() const { return FMaxLength; }
  void SetMaxLength(int32_t v);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v);
  char32_t PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char32_t v);
  // Positions and lengths count characters (code points), line breaks of a memo as two.
  int32_t SelStart();
  void SetSelStart(int32_t v);
  int32_t SelLength();
  void SetSelLength(int32_t v);
  String SelText();
  void SetSelText(const String& v);
  bool Modified();
  void SetModified(bool v);
  void Clear() { SetText(String()); }
  void SelectAll();
  // Typed letters (and the text when the case changes) become upper or lower case.
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase v);
  // bsSingle draws the sunken border; bsNone none.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);
  // A single-line edit selects all of its text when the focus enters it from the keyboard.
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool v) { FAutoSelect = v; }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool v);
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool v);
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool CanUndo();
  void Undo();
  void ClearUndo();

  TNotifyEvent OnChange;

  void CNCommand(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // Keeps the text and the modified flag for the next window (the window owns them while it exists).
  void DestroyWnd() override;
  virtual void Change();
  void DoEnter() override;

private:
  TEditCharCase FCharCase = ecNormal;
  TBorderStyle FBorderStyle = bsSingle;
  bool FAutoSelect = true;
  bool FHideSelection = true;
  bool FOEMConvert = false;
  int32_t FMaxLength = 0;
  bool FReadOnly = false;
  char32_t FPasswordChar = 0;
  bool FModified = false;  // kept while there is no window
};

class TEdit : public TCustomEdit {
  RTL_CLASS(TEdit, TCustomEdit)
public:
  using TCustomEdit::TCustomEdit;
};

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
RTL_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)

class TCustomMemo;

// The lines of a memo, read from and written to its window.
class TMemoStrings : public TStrings {
  RTL_CLASS(TMemoStrings, TStrings)
public:
  explicit TMemoStrings(TCustomMemo* memo) : FMemo(memo) {}
  void Clear() override;
  void Delete(int32_t index) override;
  void Insert(int32_t index, const String& s) override;

protected:
  String Get(int32_t index) override;
  int32_t GetCount() override;
  String GetTextStr() override;
  void SetTextStr(const String& value) override;

private:
  TCustomMemo* FMemo;
};

class TCustomMemo : public TCustomEdit {
  RTL_CLASS(TCustomMemo, TCustomEdit)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  TStrings* Lines() const { return FLines; }
  void SetLines(TStrings* v) { FLines->Assign(v); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle v);
  // Long lines wrap at the right edge unless there is a horizontal scroll bar.
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool v) { FWantReturns = v; }
  // Tab types a tab character instead of moving the focus.
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool v) { FWantTabs = v; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  // The caret as column (x) and line (y), both from 0.
  POINT CaretPos();
  void SetCaretPos(POINT p);

  void WMGetDlgCode(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;
  // Without WantReturns, Enter is never typed as a line break (it belongs to the form's default button).
  void KeyPress(char32_t& key) override;

private:
  TMemoStrings* FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true;
  bool FWantReturns = true;
  bool FWantTabs = false;
  TAlignment FAlignment = taLeftJustify;
};

class TMemo : public TCustomMemo {
  RTL_CLASS(TMemo, TCustomMemo)
public:
  using TCustomMemo::TCustomMemo;
};

// A push button. Default answers Enter and Cancel answers Esc anywhere on the form; a non-zero
// ModalResult becomes the form's on a click, which ends a modal form.
class TButton : public TWinControl {
  RTL_CLASS(TButton, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TButton(TComponent* AOwner);
  bool Default() const { return FDefault; }
  void SetDefault(bool v);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool v) { FCancel = v; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult v) { FModalResult = v; }
  void Click() override;

  void CNCommand(TMessage& m);
  void CMDialogKey(TMessage& m);
  void CMDialogChar(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = 0;
};

enum TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };
RTL_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)

// A check box; a click or Space toggles it (through the grayed state when AllowGrayed).
class TCheckBox : public TWinControl {
  RTL_CLASS(TCheckBox, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState v);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool v) { FAllowGrayed = v; }

  void CNCommand(TMessage& m);
  void CMDialogChar(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  virtual void Toggle();

private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
};

// Text drawn on the parent; '&' marks the accelerator that focuses FocusControl.
class TLabel : public TGraphicControl {
  RTL_CLASS(TLabel, TGraphicControl)
  RTL_PUBLISHED_DECL
public:
  explicit TLabel(TComponent* AOwner);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool v);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* v);
  // Recomputes the size from the caption when AutoSize.
  void AdjustBounds();

  void CMTextChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMDialogChar(TMessage& m);

protected:
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  UINT DrawFlags() const;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

// A captioned frame around other controls.
// The etched frame of a group with its caption cut into the top edge, and the client area inside it; shared
// by the group box and the radio group.
void PaintGroupFrame(TCanvas* canvas, RECT r, TColor color, TFont* font, const String& caption);
void AdjustGroupClientRect(TFont* font, RECT& rect);

class TGroupBox : public TCustomControl {
  RTL_CLASS(TGroupBox, TCustomControl)
public:
  explicit TGroupBox(TComponent* AOwner);
  void CMTextChanged(TMessage& m);
  void CMDialogChar(TMessage& m);

protected:
  void AdjustClientRect(RECT& rect) override;
  void Paint() override;
};

// A round option button: checking one clears the checked radio buttons that share its parent; the
// arrow keys move (and check) within the group.
class TRadioButton : public TWinControl {
  RTL_CLASS(TRadioButton, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return FChecked; }
  void SetChecked(bool v);

  void CNCommand(TMessage& m);
  void CMDialogChar(TMessage& m);
  void WMSetFocus(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

private:
  bool FChecked = false;
};

enum TListBoxStyle : uint8_t { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
RTL_ENUM(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable)
enum TOwnerDrawStateItem : uint8_t {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive, odNoAccel,
  odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = Set<TOwnerDrawStateItem>;
TOwnerDrawState OwnerDrawStateOf(UINT itemState);
// (control, index, item rectangle, state) and (control, index, height to set).
using TDrawItemEvent = Event<TWinControl*, int32_t, RECT, TOwnerDrawState>;
using TMeasureItemEvent = Event<TWinControl*, int32_t, int32_t&>;

class TCustomListBox;

// The items of a list box: the window's while it exists, kept in a string list otherwise. Objects ride
// in the items' data.
class TListBoxStrings : public TStrings {
  RTL_CLASS(TListBoxStrings, TStrings)
public:
  explicit TListBoxStrings(TCustomListBox* listBox) : FListBox(listBox) {}
  int32_t Add(const String& s) override;
  int32_t AddObject(const String& s, TObject* obj) override;
  void Clear() override;
  void Delete(int32_t index) override;
  void Insert(int32_t index, const String& s) override;
  void InsertObject(int32_t index, const String& s, TObject* obj) override;
  int32_t IndexOf(const String& s) override;
  void Exchange(int32_t index1, int32_t index2) override;
  void Move(int32_t curIndex, int32_t newIndex) override;

protected:
  String Get(int32_t index) override;
  int32_t GetCount() override;
  TObject* GetObject(int32_t index) override;
  void PutObject(int32_t index, TObject* obj) override;
  void Put(int32_t index, const String& s) override;
  void SetUpdateState(bool updating) override;

private:
  TCustomListBox* FListBox;
};

// A list of strings over the "LISTBOX" window: single, multiple (MultiSelect) or extended
// (MultiSelect + ExtendedSelect) selection, sorting, owner drawing through the canvas.
class TCustomListBox : public TWinControl {
  RTL_CLASS(TCustomListBox, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  TStrings* Items() const { return FItems; }
  void SetItems(TStrings* v) { FItems->Assign(v); }
  int32_t ItemIndex();
  void SetItemIndex(int32_t v);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool v);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool v);
  bool Selected(int32_t index);
  void SetSelected(int32_t index, bool v);
  int32_t SelCount();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool v);
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle v);
  int32_t ItemHeight();
  void SetItemHeight(int32_t v);
  int32_t TopIndex();
  void SetTopIndex(int32_t v);
  // More than 0 lays the items out in that many columns of ClientWidth / Columns pixels.
  int32_t Columns() const { return FColumns; }
  void SetColumns(int32_t v);
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool v);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);
  TCanvas* Canvas() const { return FCanvas; }
  void Clear() { FItems->Clear(); }
  void SelectAll();
  void ClearSelection();
  // The item at a client point; -1 when there is none (existing: only items that are there).
  int32_t ItemAtPos(POINT pos, bool existing);
  RECT ItemRect(int32_t index);

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  void CNCommand(TMessage& m);
  void CNDrawItem(TMessage& m);
  void CNMeasureItem(TMessage& m);
  void WMNCCreate(TMessage& m);
  void WMSize(TMessage& m);

protected:
  friend class TListBoxStrings;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Loaded() override;
  virtual void DrawItem(int32_t index, RECT rect, TOwnerDrawState state);
  virtual void MeasureItem(int32_t index, int32_t& height);
  // The selection changed through the user (LBN_SELCHANGE): OnClick.
  virtual void SelChange() { Click(); }
  // Per-item state of descendants follows the items through these (with or without a window).
  virtual void ItemInserted(int32_t index) { (void)index; }
  virtual void ItemDeleted(int32_t index) { (void)index; }
  virtual void ItemsCleared() {}
  // A new sorting window placed the saved item i at newIndex[i].
  virtual void ItemsMoved(const std::vector<int32_t>& newIndex) { (void)newIndex; }
  virtual uint32_t ItemExtra(int32_t index) { (void)index; return 0; }
  virtual void SetItemExtra(int32_t index, uint32_t extra) { (void)index, (void)extra; }

  TListBoxStrings* FItems;
  TStringList* FSaveItems;  // the items while there is no window
  TCanvas* FCanvas;
  int32_t FSaveItemIndex = -1;
  int32_t FSaveTopIndex = 0;
  std::vector<bool> FSaveSelected;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FSorted = false;
  bool FIntegralHeight = false;
  TListBoxStyle FStyle = lbStandard;
  int32_t FItemHeight = 16;
  int32_t FColumns = 0;
  TBorderStyle FBorderStyle = bsSingle;
};

class TListBox : public TCustomListBox {
  RTL_CLASS(TListBox, TCustomListBox)
public:
  using TCustomListBox::TCustomListBox;
};

enum TComboBoxStyle : uint8_t { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
RTL_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable)

class TCustomComboBox;

// The items of a combo box: the window's while it exists, kept in a string list otherwise.
class TComboBoxStrings : public TStrings {
  RTL_CLASS(TComboBoxStrings, TStrings)
public:
  explicit TComboBoxStrings(TCustomComboBox* combo) : FCombo(combo) {}
  int32_t Add(const String& s) override;
  int32_t AddObject(const String& s, TObject* obj) override;
  void Clear() override;
  void Delete(int32_t index) override;
  void Insert(int32_t index, const String& s) override;
  void InsertObject(int32_t index, const String& s, TObject* obj) override;
  int32_t IndexOf(const String& s) override;

protected:
  String Get(int32_t index) override;
  int32_t GetCount() override;
  TObject* GetObject(int32_t index) override;
  void PutObject(int32_t index, TObject* obj) override;

private:
  TCustomComboBox* FCombo;
};

// An edit with a list over the "COMBOBOX" window: csDropDown (edit and drop-down list), csSimple
// (edit and a list always shown), csDropDownList (a selection field, no typing).
class TCustomComboBox : public TWinControl {
  RTL_CLASS(TCustomComboBox, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  TStrings* Items() const { return FItems; }
  void SetItems(TStrings* v) { FItems->Assign(v); }
  int32_t ItemIndex();
  void SetItemIndex(int32_t v);
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle v);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool v);
  int32_t DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int32_t v);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase v);
  int32_t MaxLength() const { return FMaxLength; }
  void SetMaxLength(int32_t v);
  int32_t ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int32_t v);
  bool DroppedDown();
  void SetDroppedDown(bool v);
  int32_t SelStart();
  void SetSelStart(int32_t v);
  int32_t SelLength();
  void SetSelLength(int32_t v);
  void SelectAll();
  void Clear();
  TCanvas* Canvas() const { return FCanvas; }

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  void CNCommand(TMessage& m);
  void CNDrawItem(TMessage& m);
  void CNMeasureItem(TMessage& m);
  void WMNCCreate(TMessage& m);

protected:
  friend class TComboBoxStrings;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Loaded() override;
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();
  virtual void DrawItem(int32_t index, RECT rect, TOwnerDrawState state);
  virtual void MeasureItem(int32_t index, int32_t& height);

  TComboBoxStrings* FItems;
  TStringList* FSaveItems;
  TCanvas* FCanvas;
  int32_t FSaveItemIndex = -1;
  TComboBoxStyle FStyle = csDropDown;
  bool FSorted = false;
  int32_t FDropDownCount = 8;
  TEditCharCase FCharCase = ecNormal;
  int32_t FMaxLength = 0;
  int32_t FItemHeight = 16;
};

class TComboBox : public TCustomComboBox {
  RTL_CLASS(TComboBox, TCustomComboBox)
public:
  using TCustomComboBox::TCustomComboBox;
};

// Whether key is the character after the single '&' of caption, letter case aside (any script).
bool IsAccel(char32_t key, const String& caption);

// Registers the classes above so that form text can create them (InitForms calls it).
void RegisterStdControls();
