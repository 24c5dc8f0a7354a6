#include "forms/StdCtrls.h"

#include "forms/Buttons.h"
#include "forms/CheckLst.h"
#include "forms/FileCtrl.h"

#include <algorithm>

#include "rtl/ClassRegistry.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"

RTL_PUBLISHED(TCustomEdit) {
  prop("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength).Default(0);
  prop("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly).Default(false);
  prop("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase).Default(ecNormal);
  prop("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle).Default(bsSingle);
  prop("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect).Default(true);
  prop("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection).Default(true);
  prop("OEMConvert", &TCustomEdit::OEMConvert, &TCustomEdit::SetOEMConvert).Default(false);
  prop("TabStop", &TCustomEdit::TabStop, &TCustomEdit::SetTabStop).Default(true);
  event("OnChange", &TCustomEdit::OnChange, &TCustomEdit::OnChange);
}

RTL_PUBLISHED(TCustomMemo) {
  prop("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines);
  prop("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars).Default(ssNone);
  prop("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap).Default(true);
  prop("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns).Default(true);
  prop("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs).Default(false);
  prop("Alignment", &TCustomMemo::Alignment, &TCustomMemo::SetAlignment).Default(taLeftJustify);
}

RTL_PUBLISHED(TButton) {
  prop("Default", &TButton::Default, &TButton::SetDefault).Default(false);
  prop("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
  prop("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Default(0);
  prop("TabStop", &TButton::TabStop, &TButton::SetTabStop).Default(true);
}

RTL_PUBLISHED(TCheckBox) {
  prop("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).Default(false);
  prop("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).Default(false);
  prop("State", &TCheckBox::State, &TCheckBox::SetState).Default(cbUnchecked);
  prop("TabStop", &TCheckBox::TabStop, &TCheckBox::SetTabStop).Default(true);
}

RTL_PUBLISHED(TRadioButton) {
  prop("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
  prop("TabStop", &TRadioButton::TabStop, &TRadioButton::SetTabStop).Default(false);
}

RTL_PUBLISHED(TCustomListBox) {
  prop("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
  prop("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect).Default(false);
  prop("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect).Default(true);
  prop("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted).Default(false);
  prop("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle).Default(lbStandard);
  prop("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight);
  prop("ItemIndex", &TCustomListBox::ItemIndex, &TCustomListBox::SetItemIndex).Default(-1);
  prop("Columns", &TCustomListBox::Columns, &TCustomListBox::SetColumns).Default(0);
  prop("IntegralHeight", &TCustomListBox::IntegralHeight, &TCustomListBox::SetIntegralHeight).Default(false);
  prop("BorderStyle", &TCustomListBox::BorderStyle, &TCustomListBox::SetBorderStyle).Default(bsSingle);
  prop("TabStop", &TCustomListBox::TabStop, &TCustomListBox::SetTabStop).Default(true);
  event("OnDrawItem", &TCustomListBox::OnDrawItem, &TCustomListBox::OnDrawItem);
  event("OnMeasureItem", &TCustomListBox::OnMeasureItem, &TCustomListBox::OnMeasureItem);
}

RTL_PUBLISHED(TCustomComboBox) {
  prop("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle).Default(csDropDown);
  prop("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
  prop("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex).Default(-1);
  prop("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted).Default(false);
  prop("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount).Default(8);
  prop("CharCase", &TCustomComboBox::CharCase, &TCustomComboBox::SetCharCase).Default(ecNormal);
  prop("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength).Default(0);
  prop("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight);
  prop("TabStop", &TCustomComboBox::TabStop, &TCustomComboBox::SetTabStop).Default(true);
  event("OnChange", &TCustomComboBox::OnChange, &TCustomComboBox::OnChange);
  event("OnSelect", &TCustomComboBox::OnSelect, &TCustomComboBox::OnSelect);
  event("OnDropDown", &TCustomComboBox::OnDropDown, &TCustomComboBox::OnDropDown);
  event("OnCloseUp", &TCustomComboBox::OnCloseUp, &TCustomComboBox::OnCloseUp);
  event("OnDrawItem", &TCustomComboBox::OnDrawItem, &TCustomComboBox::OnDrawItem);
  event("OnMeasureItem", &TCustomComboBox::OnMeasureItem, &TCustomComboBox::OnMeasureItem);
}

RTL_PUBLISHED(TLabel) {
  prop("Alignment", &TLabel::Alignment, &TLabel::SetAlignment).Default(taLeftJustify);
  prop("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(true);
  prop("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).Default(false);
  prop("Transparent", &TLabel::Transparent, &TLabel::SetTransparent).Default(false);
  prop("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar).Default(true);
  prop("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
}

RTL_MESSAGE(TCustomEdit, CN_COMMAND, CNCommand);
RTL_MESSAGE(TCustomMemo, WM_GETDLGCODE, WMGetDlgCode);
RTL_MESSAGE(TButton, CN_COMMAND, CNCommand);
RTL_MESSAGE(TButton, CM_DIALOGKEY, CMDialogKey);
RTL_MESSAGE(TCheckBox, CN_COMMAND, CNCommand);
RTL_MESSAGE(TButton, CM_DIALOGCHAR, CMDialogChar);
RTL_MESSAGE(TCheckBox, CM_DIALOGCHAR, CMDialogChar);
RTL_MESSAGE(TRadioButton, CN_COMMAND, CNCommand);
RTL_MESSAGE(TRadioButton, CM_DIALOGCHAR, CMDialogChar);
RTL_MESSAGE(TRadioButton, WM_SETFOCUS, WMSetFocus);
RTL_MESSAGE(TCustomListBox, CN_COMMAND, CNCommand);
RTL_MESSAGE(TCustomListBox, CN_DRAWITEM, CNDrawItem);
RTL_MESSAGE(TCustomListBox, CN_MEASUREITEM, CNMeasureItem);
RTL_MESSAGE(TCustomListBox, WM_NCCREATE, WMNCCreate);
RTL_MESSAGE(TCustomListBox, WM_SIZE, WMSize);
RTL_MESSAGE(TCustomComboBox, CN_COMMAND, CNCommand);
RTL_MESSAGE(TCustomComboBox, CN_DRAWITEM, CNDrawItem);
RTL_MESSAGE(TCustomComboBox, CN_MEASUREITEM, CNMeasureItem);
RTL_MESSAGE(TCustomComboBox, WM_NCCREATE, WMNCCreate);
RTL_MESSAGE(TLabel, CM_TEXTCHANGED, CMTextChanged);
RTL_MESSAGE(TLabel, CM_FONTCHANGED, CMFontChanged);
RTL_MESSAGE(TLabel, CM_DIALOGCHAR, CMDialogChar);
RTL_MESSAGE(TGroupBox, CM_TEXTCHANGED, CMTextChanged);
RTL_MESSAGE(TGroupBox, CM_DIALOGCHAR, CMDialogChar);

namespace {

// Byte offset of the code point at index cp in s (s.size() past the end).
size_t CodePointOffset(const String& s, int32_t cp) {
  for (size_t i = 0; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && cp-- == 0) return i;
  return s.size();
}

String CodePointSlice(const String& s, int32_t start, int32_t len) {
  size_t a = CodePointOffset(s, start), b = CodePointOffset(s, start + len);
  return s.substr(a, b - a);
}

}  // namespace

bool IsAccel(char32_t key, const String& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return UnicodeToUpper(Utf8CodePointAt(caption, i + 1)) == UnicodeToUpper(key);
  }
  return false;
}

// ---- TCustomEdit ----------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle = TControlStyle{csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight};
  FWidth = 121;
  FHeight = 21;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
}

void TCustomEdit::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  CreateSubClass(p, "EDIT");
  p.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  // The single border of an edit is the sunken 3-D client edge, as the window system draws its edits.
  if (FBorderStyle == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
  if (FReadOnly) p.Style |= ES_READONLY;
  if (FPasswordChar) p.Style |= ES_PASSWORD;
  if (FCharCase == ecUpperCase) p.Style |= ES_UPPERCASE;
  if (FCharCase == ecLowerCase) p.Style |= ES_LOWERCASE;
  if (!FHideSelection) p.Style |= ES_NOHIDESEL;
  if (FOEMConvert) p.Style |= ES_OEMCONVERT;
}

void TCustomEdit::SetCharCase(TEditCharCase v) {
  if (FCharCase == v) return;
  FCharCase = v;
  if (HandleAllocated()) {
    DWORD st = static_cast<DWORD>(GetWindowLong(FHandle, GWL_STYLE)) & ~(ES_UPPERCASE | ES_LOWERCASE);
    if (v == ecUpperCase) st |= ES_UPPERCASE;
    if (v == ecLowerCase) st |= ES_LOWERCASE;
    SetWindowLong(FHandle, GWL_STYLE, static_cast<LONG>(st));
  }
  // The text already there takes the new case too.
  if (v != ecNormal) {
    String t = Text();
    String c = v == ecUpperCase ? Utf8UpperCase(t) : Utf8LowerCase(t);
    if (c != t) SetText(c);
  }
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool v) {
  if (FHideSelection == v) return;
  FHideSelection = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetOEMConvert(bool v) {
  if (FOEMConvert == v) return;
  FOEMConvert = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::ClearSelection() { ::SendMessage(Handle(), WM_CLEAR, 0, 0); }
void TCustomEdit::CopyToClipboard() { ::SendMessage(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { ::SendMessage(Handle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { ::SendMessage(Handle(), WM_PASTE, 0, 0); }
bool TCustomEdit::CanUndo() { return HandleAllocated() && ::SendMessage(FHandle, EM_CANUNDO, 0, 0) != 0; }
void TCustomEdit::Undo() { ::SendMessage(Handle(), WM_UNDO, 0, 0); }
void TCustomEdit::ClearUndo() {
  if (HandleAllocated()) ::SendMessage(FHandle, EM_EMPTYUNDOBUFFER, 0, 0);
}

void TCustomEdit::DoEnter() {
  // Entering by mouse keeps the caret where the click puts it; a memo never selects itself.
  if (FAutoSelect && !FControlState.Contains(csLButtonDown) && HandleAllocated() &&
      (GetWindowLong(FHandle, GWL_STYLE) & ES_MULTILINE) == 0 && GetKeyState(VK_LBUTTON) >= 0)
    SelectAll();
  inherited::DoEnter();
}

void TCustomEdit::CreateWnd() {
  inherited::CreateWnd();
  ::SendMessage(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  if (FPasswordChar) ::SendMessage(FHandle, EM_SETPASSWORDCHAR, static_cast<WPARAM>(FPasswordChar), 0);
  ::SendMessage(FHandle, EM_SETMODIFY, FModified ? TRUE : FALSE, 0);
}

void TCustomEdit::DestroyWnd() {
  if (FHandle) {
    FText = Text();
    FModified = ::SendMessage(FHandle, EM_GETMODIFY, 0, 0) != 0;
  }
  inherited::DestroyWnd();
}

void TCustomEdit::SetMaxLength(int32_t v) {
  FMaxLength = std::max(v, 0);
  if (HandleAllocated()) ::SendMessage(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetReadOnly(bool v) {
  FReadOnly = v;
  if (HandleAllocated()) ::SendMessage(FHandle, EM_SETREADONLY, v ? TRUE : FALSE, 0);
}

void TCustomEdit::SetPasswordChar(char32_t v) {
  if (FPasswordChar == v) return;
  FPasswordChar = v;
  if (HandleAllocated()) {
    ::SendMessage(FHandle, EM_SETPASSWORDCHAR, static_cast<WPARAM>(v), 0);
    ::InvalidateRect(FHandle, nullptr, TRUE);
  }
}

int32_t TCustomEdit::SelStart() {
  DWORD a = 0, b = 0;
  ::SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return static_cast<int32_t>(a);
}

void TCustomEdit::SetSelStart(int32_t v) { ::SendMessage(Handle(), EM_SETSEL, static_cast<WPARAM>(v), v); }

int32_t TCustomEdit::SelLength() {
  DWORD a = 0, b = 0;
  ::SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return static_cast<int32_t>(b - a);
}

void TCustomEdit::SetSelLength(int32_t v) {
  int32_t start = SelStart();
  ::SendMessage(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + v);
}

String TCustomEdit::SelText() {
  DWORD a = 0, b = 0;
  ::SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return CodePointSlice(Text(), static_cast<int32_t>(a), static_cast<int32_t>(b - a));
}

void TCustomEdit::SetSelText(const String& v) {
  ::SendMessage(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(v.c_str()));
}

bool TCustomEdit::Modified() {
  if (!HandleAllocated()) return FModified;
  return ::SendMessage(FHandle, EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool v) {
  FModified = v;
  if (HandleAllocated()) ::SendMessage(FHandle, EM_SETMODIFY, v ? TRUE : FALSE, 0);
}

void TCustomEdit::SelectAll() { ::SendMessage(Handle(), EM_SETSEL, 0, -1); }

void TCustomEdit::CNCommand(TMessage& m) {
  if (HIWORD(static_cast<uintptr_t>(m.WParam)) == EN_CHANGE && !FRecreating) Change();
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

// ---- TMemoStrings ---------------------------------------------------------------------------------

int32_t TMemoStrings::GetCount() {
  HWND h = FMemo->Handle();
  int32_t n = static_cast<int32_t>(::SendMessage(h, EM_GETLINECOUNT, 0, 0));
  // The empty line after a final line break is no line of its own.
  if (n > 0 && ::SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(::SendMessage(h, EM_LINEINDEX, n - 1, 0)), 0) == 0)
    --n;
  return n;
}

String TMemoStrings::Get(int32_t index) {
  HWND h = FMemo->Handle();
  LRESULT start = ::SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return String();
  // EM_LINELENGTH counts characters; a UTF-8 character takes at most 4 bytes.
  size_t room = static_cast<size_t>(::SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0)) * 4 + 2;
  room = std::max<size_t>(room, sizeof(WORD));
  String buf(room, '\0');
  *reinterpret_cast<WORD*>(buf.data()) = static_cast<WORD>(std::min<size_t>(room, 0xFFFF));
  LRESULT n = ::SendMessage(h, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<size_t>(std::max<LRESULT>(n, 0)));
  return buf;
}

void TMemoStrings::Clear() { FMemo->Clear(); }

void TMemoStrings::Delete(int32_t index) {
  HWND h = FMemo->Handle();
  LRESULT start = ::SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return;
  LRESULT next = ::SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index + 1), 0);
  if (next < 0) next = start + ::SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  ::SendMessage(h, EM_SETSEL, static_cast<WPARAM>(start), next);
  ::SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
}

void TMemoStrings::Insert(int32_t index, const String& s) {
  if (index < 0) return;
  HWND h = FMemo->Handle();
  LRESULT pos = 0;
  String line = s + "\r\n";
  if (index < GetCount()) {
    pos = ::SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  } else {
    // Past the last line: append, starting a new line when the text does not end with one.
    LRESULT last = ::SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(::SendMessage(h, EM_GETLINECOUNT, 0, 0) - 1), 0);
    LRESULT lastLength = ::SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(last), 0);
    pos = last + lastLength;
    if (lastLength > 0) line = "\r\n" + line;
  }
  ::SendMessage(h, EM_SETSEL, static_cast<WPARAM>(pos), pos);
  ::SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

String TMemoStrings::GetTextStr() { return FMemo->Text(); }

void TMemoStrings::SetTextStr(const String& value) {
  // Any line break becomes CR LF, the edit window's own.
  String t;
  t.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\r') {
      t += "\r\n";
      if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      t += "\r\n";
    } else {
      t += c;
    }
  }
  FMemo->SetText(t);
}

// ---- TCustomMemo ----------------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(New<TMemoStrings>(this)) {
  FControlStyle.Exclude(csFixedHeight);
  FWidth = 185;
  FHeight = 89;
}

TCustomMemo::~TCustomMemo() { FreeAndNil(FLines); }

void TCustomMemo::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  p.Style |= ES_MULTILINE;
  static const DWORD aligns[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  p.Style |= aligns[FAlignment];
  // Without ES_AUTOHSCROLL the edit window wraps long lines at its right edge.
  if (FWordWrap && FScrollBars != ssHorizontal && FScrollBars != ssBoth) p.Style &= ~ES_AUTOHSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= WS_HSCROLL;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) p.Style |= WS_VSCROLL;
  if (FWantReturns) p.Style |= ES_WANTRETURN;
}

void TCustomMemo::SetScrollBars(TScrollStyle v) {
  if (FScrollBars == v) return;
  FScrollBars = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomMemo::WMGetDlgCode(TMessage& m) {
  DefaultHandler(m);
  if (!FWantReturns) m.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
  if (FWantTabs)
    m.Result |= DLGC_WANTTAB;
  else
    m.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
}

void TCustomMemo::KeyPress(char32_t& key) {
  inherited::KeyPress(key);
  if (key == U'\r' && !FWantReturns) key = 0;
}

void TCustomMemo::SetWordWrap(bool v) {
  if (FWordWrap == v) return;
  FWordWrap = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomMemo::SetAlignment(TAlignment v) {
  if (FAlignment == v) return;
  FAlignment = v;
  if (HandleAllocated()) RecreateWnd();
}

POINT TCustomMemo::CaretPos() {
  DWORD a = 0, b = 0;
  ::SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  // The caret is the moving end; EM_GETSEL cannot tell which one, the end is the platform's answer.
  LONG line = static_cast<LONG>(::SendMessage(FHandle, EM_LINEFROMCHAR, b, 0));
  LONG start = static_cast<LONG>(::SendMessage(FHandle, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  return POINT{static_cast<LONG>(b) - start, line};
}

void TCustomMemo::SetCaretPos(POINT p) {
  LRESULT start = ::SendMessage(Handle(), EM_LINEINDEX, static_cast<WPARAM>(p.y), 0);
  if (start < 0) return;
  LRESULT pos = start + p.x;
  ::SendMessage(FHandle, EM_SETSEL, static_cast<WPARAM>(pos), pos);
  ::SendMessage(FHandle, EM_SCROLLCARET, 0, 0);
}

// ---- TButton --------------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  FWidth = 75;
  FHeight = 25;
  FTabStop = true;
}

void TButton::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  CreateSubClass(p, "BUTTON");
  p.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool v) {
  if (FDefault == v) return;
  FDefault = v;
  if (HandleAllocated()) ::SendMessage(FHandle, BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this); form && FModalResult != mrNone) form->SetModalResult(FModalResult);
  inherited::Click();
}

void TButton::CNCommand(TMessage& m) {
  if (HIWORD(static_cast<uintptr_t>(m.WParam)) == BN_CLICKED) Click();
}

void TButton::CMDialogKey(TMessage& m) {
  // Enter goes to the default button unless another button has the focus (it takes Enter itself).
  bool enter = m.WParam == VK_RETURN && FDefault;
  if (enter) {
    TCustomForm* form = GetParentForm(this);
    TWinControl* active = form ? form->ActiveControl() : nullptr;
    if (active && active != this && active->InheritsFrom(TButton::StaticClass())) enter = false;
  }
  if ((enter || (m.WParam == VK_ESCAPE && FCancel)) && GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_CONTROL) >= 0 &&
      Showing() && Enabled()) {
    Click();
    m.Result = 1;
    return;
  }
  inherited::CMDialogKey(m);
}

void TButton::CMDialogChar(TMessage& m) {
  if (IsAccel(static_cast<char32_t>(m.WParam), Caption()) && CanFocus()) {
    Click();
    m.Result = 1;
  }
}

// ---- TCheckBox ------------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  FWidth = 97;
  FHeight = 17;
  FTabStop = true;
}

void TCheckBox::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  CreateSubClass(p, "BUTTON");
  // The control keeps the state itself, so the window must not toggle on its own.
  p.Style |= BS_3STATE;
}

void TCheckBox::CreateWnd() {
  inherited::CreateWnd();
  ::SendMessage(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCheckBox::SetState(TCheckBoxState v) {
  if (FState == v) return;
  FState = v;
  if (HandleAllocated()) ::SendMessage(FHandle, BM_SETCHECK, static_cast<WPARAM>(v), 0);
  if (!ComponentState().Contains(csLoading)) Click();
}

void TCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCheckBox::CNCommand(TMessage& m) {
  if (HIWORD(static_cast<uintptr_t>(m.WParam)) == BN_CLICKED) Toggle();
}

void TCheckBox::CMDialogChar(TMessage& m) {
  if (IsAccel(static_cast<char32_t>(m.WParam), Caption()) && CanFocus()) {
    SetFocus();
    if (Focused()) Toggle();
    m.Result = 1;
  }
}

// ---- TLabel ---------------------------------------------------------------------------------------

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle = TControlStyle{csSetCaption, csReplicatable};
  FWidth = 65;
  FHeight = 17;
}

UINT TLabel::DrawFlags() const {
  static const UINT aligns[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  UINT flags = DT_EXPANDTABS | aligns[FAlignment];
  flags |= FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  return flags;
}

void TLabel::Paint() {
  RECT r = ClientRect();
  if (!FTransparent) {
    FCanvas->Brush()->SetColor(Color());
    FCanvas->Brush()->SetStyle(bsSolid);
    FCanvas->FillRect(r);
  }
  String text = Caption();
  if (text.empty()) return;
  FCanvas->Font()->Assign(Font());
  if (!Enabled()) FCanvas->Font()->SetColor(clGrayText);
  FCanvas->Brush()->SetStyle(bsClear);
  FCanvas->TextExtent(text);  // selects the font into the DC
  ::DrawText(FCanvas->Handle(), text.c_str(), -1, &r, DrawFlags());
}

void TLabel::AdjustBounds() {
  if (!FAutoSize || ComponentState().Contains(csLoading)) return;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, Font()->Handle());
  String text = Caption();
  RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
  // An empty caption still takes one line's height.
  ::DrawText(dc, text.empty() ? " " : text.c_str(), -1, &r, DrawFlags() | DT_CALCRECT);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  int32_t w = FWordWrap ? FWidth : r.right - r.left, h = r.bottom - r.top;
  int32_t left = FLeft;
  if (!FWordWrap && FAlignment == taRightJustify) left = FLeft + FWidth - w;
  if (!FWordWrap && FAlignment == taCenter) left = FLeft + (FWidth - w) / 2;
  SetBounds(left, FTop, w, h);
}

void TLabel::SetAlignment(TAlignment v) {
  if (FAlignment == v) return;
  FAlignment = v;
  Invalidate();
}
void TLabel::SetAutoSize(bool v) {
  if (FAutoSize == v) return;
  FAutoSize = v;
  AdjustBounds();
}
void TLabel::SetWordWrap(bool v) {
  if (FWordWrap == v) return;
  FWordWrap = v;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetTransparent(bool v) {
  if (FTransparent == v) return;
  FTransparent = v;
  if (v)
    FControlStyle.Exclude(csOpaque);
  else
    FControlStyle.Include(csOpaque);
  Invalidate();
}
void TLabel::SetShowAccelChar(bool v) {
  if (FShowAccelChar == v) return;
  FShowAccelChar = v;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetFocusControl(TWinControl* v) {
  FFocusControl = v;
  if (v) v->FreeNotification(this);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TLabel::Loaded() {
  inherited::Loaded();
  AdjustBounds();
}

void TLabel::CMTextChanged(TMessage&) {
  Invalidate();
  AdjustBounds();
}

void TLabel::CMFontChanged(TMessage& m) {
  inherited::CMFontChanged(m);
  AdjustBounds();
}

void TLabel::CMDialogChar(TMessage& m) {
  if (FFocusControl && Enabled() && FShowAccelChar && IsAccel(static_cast<char32_t>(m.WParam), Caption()) &&
      FFocusControl->CanFocus()) {
    FFocusControl->SetFocus();
    m.Result = 1;
  }
}

// ---- TGroupBox ------------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks, csReplicatable};
  FWidth = 185;
  FHeight = 105;
  FColor = clBtnFace;
}

void AdjustGroupClientRect(TFont* font, RECT& rect) {
  TEXTMETRIC tm{};
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font->Handle());
  ::GetTextMetrics(dc, &tm);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  rect.top += tm.tmHeight;
  InflateRect(&rect, -1, -1);
}

void PaintGroupFrame(TCanvas* canvas, RECT r, TColor color, TFont* font, const String& caption) {
  canvas->Brush()->SetColor(color);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(r);
  canvas->Font()->Assign(font);
  SIZE ext = canvas->TextExtent(caption.empty() ? String("0") : caption);
  RECT frame = r;
  frame.top += ext.cy / 2;
  DrawEdge(canvas->Handle(), &frame, EDGE_ETCHED, BF_RECT);
  if (caption.empty()) return;
  RECT tr{8, 0, 8 + ext.cx + 4, ext.cy};
  canvas->FillRect(tr);
  canvas->Brush()->SetStyle(bsClear);
  InflateRect(&tr, -2, 0);
  ::DrawText(canvas->Handle(), caption.c_str(), -1, &tr, DT_LEFT | DT_SINGLELINE);
}

void TGroupBox::AdjustClientRect(RECT& rect) { AdjustGroupClientRect(Font(), rect); }

void TGroupBox::Paint() { PaintGroupFrame(FCanvas, ClientRect(), Color(), Font(), Caption()); }

void TGroupBox::CMDialogChar(TMessage& m) {
  // The group's accelerator enters the group at its first control; otherwise the children may answer.
  if (IsAccel(static_cast<char32_t>(m.WParam), Caption()) && CanFocus()) {
    SelectFirst();
    m.Result = 1;
    return;
  }
  inherited::CMDialogChar(m);
}

void TGroupBox::CMTextChanged(TMessage&) {
  Invalidate();
  Realign();
}

// ---- TRadioButton ---------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  FWidth = 113;
  FHeight = 17;
  FTabStop = false;  // only the checked button of a group is a tab stop
}

void TRadioButton::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  CreateSubClass(p, "BUTTON");
  // The control keeps the state and clears its siblings itself.
  p.Style |= BS_RADIOBUTTON;
}

void TRadioButton::CreateWnd() {
  inherited::CreateWnd();
  ::SendMessage(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool v) {
  if (FChecked == v) return;
  FChecked = v;
  SetTabStop(v);
  if (HandleAllocated()) ::SendMessage(FHandle, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!v) return;
  if (FParent)
    for (int32_t i = 0; i < FParent->ControlCount(); ++i)
      if (auto* r = dynamic_cast<TRadioButton*>(FParent->Controls(i)); r && r != this) r->SetChecked(false);
  if (!ComponentState().Contains(csLoading)) Click();
}

void TRadioButton::CNCommand(TMessage& m) {
  WORD code = HIWORD(static_cast<uintptr_t>(m.WParam));
  if (code == BN_CLICKED) SetChecked(true);
  if (code == BN_DOUBLECLICKED) DblClick();
}

void TRadioButton::WMSetFocus(TMessage& m) {
  inherited::WMSetFocus(m);
  // Arriving by an arrow key (they move within the group) checks the button.
  bool arrow = GetKeyState(VK_UP) < 0 || GetKeyState(VK_DOWN) < 0 || GetKeyState(VK_LEFT) < 0 || GetKeyState(VK_RIGHT) < 0;
  if (!FChecked && arrow) SetChecked(true);
}

void TRadioButton::CMDialogChar(TMessage& m) {
  if (IsAccel(static_cast<char32_t>(m.WParam), Caption()) && CanFocus()) {
    SetFocus();
    if (Focused()) SetChecked(true);
    m.Result = 1;
  }
}

// ---- owner drawing --------------------------------------------------------------------------------

TOwnerDrawState OwnerDrawStateOf(UINT s) {
  TOwnerDrawState r;
  if (s & ODS_SELECTED) r.Include(odSelected);
  if (s & ODS_GRAYED) r.Include(odGrayed);
  if (s & ODS_DISABLED) r.Include(odDisabled);
  if (s & ODS_CHECKED) r.Include(odChecked);
  if (s & ODS_FOCUS) r.Include(odFocused);
  if (s & ODS_DEFAULT) r.Include(odDefault);
  if (s & ODS_COMBOBOXEDIT) r.Include(odComboBoxEdit);
  return r;
}

namespace {

LONG_PTR NextControlId() {
  static LONG_PTR id = 0x7000;
  return ++id;
}

// The default look of an item of a list or combo box: the field filled, the text at its left.
void DrawItemText(TCanvas* canvas, TStrings* items, int32_t index, RECT rect) {
  canvas->FillRect(rect);
  if (index < items->Count()) {
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(rect.left + 2, rect.top, items->Strings(index));
  }
}

// Paints one owner-drawn item on canvas, the platform's way: the selection colours first, the item (or,
// for index -1, an empty field), then the focus rectangle unless a handler drew the item itself.
template <class Draw>
void PaintOwnerDrawn(TCanvas* canvas, TWinControl* control, const DRAWITEMSTRUCT& d, bool handlerAssigned,
                     Draw draw) {
  TOwnerDrawState state = OwnerDrawStateOf(d.itemState);
  canvas->SetHandle(d.hDC);
  canvas->Font()->Assign(control->Font());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(control->Color());
  int32_t index = static_cast<int32_t>(d.itemID);
  if (index >= 0 && state.Contains(odSelected)) {
    canvas->Brush()->SetColor(clHighlight);
    canvas->Font()->SetColor(clHighlightText);
  }
  if (index >= 0)
    draw(index, d.rcItem, state);
  else
    canvas->FillRect(d.rcItem);
  if (state.Contains(odFocused) && !handlerAssigned) canvas->DrawFocusRect(d.rcItem);
  canvas->SetHandle(nullptr);
}

}  // namespace

// ---- TListBoxStrings ------------------------------------------------------------------------------

int32_t TListBoxStrings::GetCount() {
  if (!FListBox->HandleAllocated()) return FListBox->FSaveItems->Count();
  return static_cast<int32_t>(::SendMessage(FListBox->Handle(), LB_GETCOUNT, 0, 0));
}

String TListBoxStrings::Get(int32_t index) {
  if (!FListBox->HandleAllocated()) return FListBox->FSaveItems->Strings(index);
  HWND h = FListBox->Handle();
  LRESULT n = ::SendMessage(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == LB_ERR) Error("List index out of bounds (%d)", index);
  String s(static_cast<size_t>(n) + 1, '\0');
  n = ::SendMessage(h, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(std::max<LRESULT>(n, 0)));
  return s;
}

TObject* TListBoxStrings::GetObject(int32_t index) {
  if (!FListBox->HandleAllocated()) return FListBox->FSaveItems->Objects(index);
  LRESULT d = ::SendMessage(FListBox->Handle(), LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  if (d == LB_ERR) Error("List index out of bounds (%d)", index);
  return reinterpret_cast<TObject*>(d);
}

void TListBoxStrings::PutObject(int32_t index, TObject* obj) {
  if (!FListBox->HandleAllocated()) return FListBox->FSaveItems->SetObjects(index, obj);
  ::SendMessage(FListBox->Handle(), LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(obj));
}

void TListBoxStrings::Put(int32_t index, const String& s) {
  int32_t selected = FListBox->ItemIndex();
  TObject* obj = GetObject(index);
  uint32_t extra = FListBox->ItemExtra(index);
  Delete(index);
  InsertObject(index, s, obj);
  FListBox->SetItemExtra(index, extra);
  if (selected == index) FListBox->SetItemIndex(index);
}

int32_t TListBoxStrings::Add(const String& s) { return AddObject(s, nullptr); }

int32_t TListBoxStrings::AddObject(const String& s, TObject* obj) {
  if (!FListBox->HandleAllocated()) {
    int32_t i = FListBox->FSaveItems->AddObject(s, obj);
    FListBox->ItemInserted(i);
    return i;
  }
  HWND h = FListBox->Handle();
  LRESULT i = ::SendMessage(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  if (i < 0) throw EOutOfResources("Not enough storage to add a list item");
  ::SendMessage(h, LB_SETITEMDATA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(obj));
  FListBox->ItemInserted(static_cast<int32_t>(i));
  return static_cast<int32_t>(i);
}

void TListBoxStrings::Insert(int32_t index, const String& s) { InsertObject(index, s, nullptr); }

void TListBoxStrings::InsertObject(int32_t index, const String& s, TObject* obj) {
  if (!FListBox->HandleAllocated()) {
    FListBox->FSaveItems->InsertObject(index, s, obj);
    FListBox->ItemInserted(index);
    return;
  }
  if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
  HWND h = FListBox->Handle();
  LRESULT i = ::SendMessage(h, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.c_str()));
  if (i < 0) throw EOutOfResources("Not enough storage to add a list item");
  ::SendMessage(h, LB_SETITEMDATA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(obj));
  FListBox->ItemInserted(static_cast<int32_t>(i));
}

void TListBoxStrings::Delete(int32_t index) {
  if (!FListBox->HandleAllocated()) {
    FListBox->FSaveItems->Delete(index);
  } else if (::SendMessage(FListBox->Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0) == LB_ERR) {
    Error("List index out of bounds (%d)", index);
  }
  FListBox->ItemDeleted(index);
}

void TListBoxStrings::Clear() {
  if (!FListBox->HandleAllocated())
    FListBox->FSaveItems->Clear();
  else
    ::SendMessage(FListBox->Handle(), LB_RESETCONTENT, 0, 0);
  FListBox->ItemsCleared();
}

int32_t TListBoxStrings::IndexOf(const String& s) {
  if (!FListBox->HandleAllocated()) return FListBox->FSaveItems->IndexOf(s);
  return static_cast<int32_t>(::SendMessage(FListBox->Handle(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(s.c_str())));
}

void TListBoxStrings::Exchange(int32_t a, int32_t b) {
  if (a == b) return;
  String sa = Get(a), sb = Get(b);
  TObject *oa = GetObject(a), *ob = GetObject(b);
  uint32_t xa = FListBox->ItemExtra(a), xb = FListBox->ItemExtra(b);
  int32_t sel = FListBox->HandleAllocated() && !FListBox->MultiSelect() ? FListBox->ItemIndex() : -2;
  Delete(a);
  InsertObject(a, sb, ob);
  FListBox->SetItemExtra(a, xb);
  Delete(b);
  InsertObject(b, sa, oa);
  FListBox->SetItemExtra(b, xa);
  if (sel == a || sel == b) FListBox->SetItemIndex(sel == a ? b : a);
}

void TListBoxStrings::Move(int32_t cur, int32_t to) {
  if (cur == to) return;
  String s = Get(cur);
  TObject* o = GetObject(cur);
  uint32_t x = FListBox->ItemExtra(cur);
  Delete(cur);
  InsertObject(to, s, o);
  FListBox->SetItemExtra(to, x);
}

void TListBoxStrings::SetUpdateState(bool updating) {
  if (FListBox->HandleAllocated()) {
    ::SendMessage(FListBox->Handle(), WM_SETREDRAW, updating ? FALSE : TRUE, 0);
    if (!updating) FListBox->Invalidate();
  }
}

// ---- TCustomListBox -------------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(New<TListBoxStrings>(this)), FSaveItems(New<TStringList>()) {
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  FWidth = 121;
  FHeight = 97;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  auto* canvas = New<TControlCanvas>();
  canvas->SetControl(this);
  FCanvas = canvas;
}

TCustomListBox::~TCustomListBox() {
  FreeAndNil(FCanvas);
  FreeAndNil(FItems);
  FreeAndNil(FSaveItems);
}

void TCustomListBox::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  CreateSubClass(p, "LISTBOX");
  p.Style |= LBS_NOTIFY | WS_VSCROLL | LBS_HASSTRINGS;
  if (FBorderStyle == bsSingle) p.Style |= WS_BORDER;
  if (FSorted) p.Style |= LBS_SORT;
  if (FMultiSelect) p.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (FStyle == lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED;
  if (FStyle == lbOwnerDrawVariable) p.Style |= LBS_OWNERDRAWVARIABLE;
  if (!FIntegralHeight) p.Style |= LBS_NOINTEGRALHEIGHT;
  if (FColumns > 0) p.Style |= LBS_MULTICOLUMN;
  p.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListBox::WMNCCreate(TMessage& m) {
  // A window id of its own lets the parent send the measuring of items back to this control.
  if (FHandle) SetWindowLongPtr(FHandle, GWLP_ID, NextControlId());
  DefaultHandler(m);
}

void TCustomListBox::CreateWnd() {
  inherited::CreateWnd();
  if (FStyle == lbOwnerDrawFixed) ::SendMessage(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
  if (FSaveItems->Count() > 0) {
    // A sorting window may put the items elsewhere: the selection follows its item, not its index.
    std::vector<LRESULT> placed;
    for (int32_t i = 0; i < FSaveItems->Count(); ++i) {
      LRESULT k = ::SendMessage(FHandle, FSorted ? LB_ADDSTRING : LB_INSERTSTRING, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(FSaveItems->Strings(i).c_str()));
      ::SendMessage(FHandle, LB_SETITEMDATA, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(FSaveItems->Objects(i)));
      for (LRESULT& p : placed)
        if (p >= k) ++p;
      placed.push_back(k);
    }
    for (size_t i = 0; i < placed.size(); ++i)
      if (i < FSaveSelected.size() && FSaveSelected[i] && FMultiSelect) ::SendMessage(FHandle, LB_SETSEL, TRUE, placed[i]);
    if (FSaveItemIndex >= 0 && static_cast<size_t>(FSaveItemIndex) < placed.size())
      FSaveItemIndex = static_cast<int32_t>(placed[static_cast<size_t>(FSaveItemIndex)]);
    FSaveItems->Clear();
    std::vector<int32_t> moved(placed.begin(), placed.end());
    bool same = true;
    for (size_t i = 0; i < moved.size(); ++i) same = same && moved[i] == static_cast<int32_t>(i);
    if (!same) ItemsMoved(moved);
  }
  FSaveSelected.clear();
  if (!FMultiSelect && FSaveItemIndex >= 0) ::SendMessage(FHandle, LB_SETCURSEL, static_cast<WPARAM>(FSaveItemIndex), 0);
  if (FColumns > 0) ::SendMessage(FHandle, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(ClientWidth() / FColumns), 0);
  if (FSaveTopIndex > 0) ::SendMessage(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FSaveTopIndex), 0);
  FSaveItemIndex = -1;
  FSaveTopIndex = 0;
}

void TCustomListBox::DestroyWnd() {
  if (FHandle) {
    int32_t n = static_cast<int32_t>(::SendMessage(FHandle, LB_GETCOUNT, 0, 0));
    FSaveItems->Clear();
    FSaveSelected.assign(static_cast<size_t>(std::max(n, 0)), false);
    for (int32_t i = 0; i < n; ++i) {
      FSaveItems->AddObject(FItems->Strings(i), FItems->Objects(i));
      FSaveSelected[static_cast<size_t>(i)] = ::SendMessage(FHandle, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
    }
    FSaveItemIndex = FMultiSelect ? -1 : ItemIndex();
    FSaveTopIndex = static_cast<int32_t>(::SendMessage(FHandle, LB_GETTOPINDEX, 0, 0));
  }
  inherited::DestroyWnd();
}

void TCustomListBox::Loaded() {
  inherited::Loaded();
  if (FSorted) FSaveItems->Sort();
}

int32_t TCustomListBox::ItemIndex() {
  if (!HandleAllocated()) return FSaveItemIndex;
  // A multi-selection list answers its caret item (the one with the focus rectangle).
  if (FMultiSelect) return static_cast<int32_t>(::SendMessage(FHandle, LB_GETCARETINDEX, 0, 0));
  return static_cast<int32_t>(::SendMessage(FHandle, LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int32_t v) {
  if (!HandleAllocated()) {
    FSaveItemIndex = v;
    return;
  }
  if (ItemIndex() == v && (v < 0 || Selected(v))) return;
  if (FMultiSelect)
    ::SendMessage(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(v), FALSE);
  else
    ::SendMessage(FHandle, LB_SETCURSEL, static_cast<WPARAM>(v), 0);
}

bool TCustomListBox::Selected(int32_t index) {
  LRESULT r = ::SendMessage(Handle(), LB_GETSEL, static_cast<WPARAM>(index), 0);
  if (r == LB_ERR) TStrings::Error("List index out of bounds (%d)", index);
  return r != 0;
}

void TCustomListBox::SetSelected(int32_t index, bool v) {
  if (FMultiSelect) {
    if (::SendMessage(Handle(), LB_SETSEL, v ? TRUE : FALSE, index) == LB_ERR)
      TStrings::Error("List index out of bounds (%d)", index);
  } else if (v) {
    SetItemIndex(index);
  } else if (ItemIndex() == index) {
    SetItemIndex(-1);
  }
}

int32_t TCustomListBox::SelCount() {
  if (!FMultiSelect) return ItemIndex() >= 0 ? 1 : 0;
  return static_cast<int32_t>(::SendMessage(Handle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SelectAll() {
  if (FMultiSelect) ::SendMessage(Handle(), LB_SETSEL, TRUE, -1);
}

void TCustomListBox::ClearSelection() {
  if (FMultiSelect)
    ::SendMessage(Handle(), LB_SETSEL, FALSE, -1);
  else
    SetItemIndex(-1);
}

void TCustomListBox::SetMultiSelect(bool v) {
  if (FMultiSelect == v) return;
  FMultiSelect = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool v) {
  if (FExtendedSelect == v) return;
  FExtendedSelect = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomListBox::SetSorted(bool v) {
  if (FSorted == v) return;
  FSorted = v;
  if (HandleAllocated())
    RecreateWnd();  // the new window sorts the items as they go in
  else if (v && !ComponentState().Contains(csLoading))
    FSaveItems->Sort();
}

void TCustomListBox::SetStyle(TListBoxStyle v) {
  if (FStyle == v) return;
  FStyle = v;
  if (HandleAllocated()) RecreateWnd();
}

int32_t TCustomListBox::ItemHeight() {
  if (HandleAllocated() && FStyle == lbStandard)
    return static_cast<int32_t>(::SendMessage(FHandle, LB_GETITEMHEIGHT, 0, 0));
  return FItemHeight;
}

void TCustomListBox::SetItemHeight(int32_t v) {
  if (v <= 0 || FItemHeight == v) return;
  FItemHeight = v;
  if (HandleAllocated() && FStyle == lbOwnerDrawFixed) {
    ::SendMessage(FHandle, LB_SETITEMHEIGHT, 0, v);
    Invalidate();
  }
}

int32_t TCustomListBox::TopIndex() {
  if (!HandleAllocated()) return FSaveTopIndex;
  return static_cast<int32_t>(::SendMessage(FHandle, LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int32_t v) {
  if (!HandleAllocated()) {
    FSaveTopIndex = v;
    return;
  }
  ::SendMessage(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(v), 0);
}

void TCustomListBox::SetColumns(int32_t v) {
  v = std::max(v, 0);
  if (FColumns == v) return;
  bool recreate = (FColumns == 0) != (v == 0);
  FColumns = v;
  if (HandleAllocated() && recreate) RecreateWnd();
  if (HandleAllocated() && v > 0) ::SendMessage(FHandle, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(ClientWidth() / v), 0);
}

void TCustomListBox::WMSize(TMessage& m) {
  inherited::WMSize(m);
  // Columns share the width.
  if (FColumns > 0 && HandleAllocated())
    ::SendMessage(FHandle, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(ClientWidth() / FColumns), 0);
}

void TCustomListBox::SetIntegralHeight(bool v) {
  if (FIntegralHeight == v) return;
  FIntegralHeight = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle v) {
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  if (HandleAllocated()) RecreateWnd();
}

int32_t TCustomListBox::ItemAtPos(POINT pos, bool existing) {
  RECT c = ClientRect();
  if (!PtInRect(&c, pos)) return -1;
  LRESULT r = ::SendMessage(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(static_cast<WORD>(pos.x), static_cast<WORD>(pos.y)));
  int32_t index = LOWORD(r);
  bool outside = HIWORD(r) != 0;
  if (outside) return existing ? -1 : FItems->Count();
  return index;
}

RECT TCustomListBox::ItemRect(int32_t index) {
  RECT r{0, 0, 0, 0};
  int32_t count = FItems->Count();
  if (index == 0 || index < count) {
    ::SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  } else if (index == count) {
    ::SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index - 1), reinterpret_cast<LPARAM>(&r));
    OffsetRect(&r, 0, r.bottom - r.top);
  }
  return r;
}

void TCustomListBox::CNCommand(TMessage& m) {
  switch (HIWORD(static_cast<uintptr_t>(m.WParam))) {
    case LBN_SELCHANGE: SelChange(); break;
    case LBN_DBLCLK: DblClick(); break;
    default: break;
  }
}

void TCustomListBox::DrawItem(int32_t index, RECT rect, TOwnerDrawState state) {
  if (OnDrawItem)
    OnDrawItem(this, index, rect, state);
  else
    DrawItemText(FCanvas, FItems, index, rect);
}

void TCustomListBox::MeasureItem(int32_t index, int32_t& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomListBox::CNDrawItem(TMessage& m) {
  const auto& d = *reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  PaintOwnerDrawn(FCanvas, this, d, OnDrawItem.Assigned(),
                  [this](int32_t i, RECT r, TOwnerDrawState s) { DrawItem(i, r, s); });
  m.Result = 1;
}

void TCustomListBox::CNMeasureItem(TMessage& m) {
  auto& mi = *reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
  int32_t h = FItemHeight;
  if (FStyle == lbOwnerDrawVariable) MeasureItem(static_cast<int32_t>(mi.itemID), h);
  mi.itemHeight = static_cast<UINT>(std::max(h, 1));
  m.Result = 1;
}

// ---- TComboBoxStrings -----------------------------------------------------------------------------

int32_t TComboBoxStrings::GetCount() {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->Count();
  return static_cast<int32_t>(::SendMessage(FCombo->Handle(), CB_GETCOUNT, 0, 0));
}

String TComboBoxStrings::Get(int32_t index) {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->Strings(index);
  HWND h = FCombo->Handle();
  LRESULT n = ::SendMessage(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == CB_ERR) Error("List index out of bounds (%d)", index);
  String s(static_cast<size_t>(n) + 1, '\0');
  n = ::SendMessage(h, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(std::max<LRESULT>(n, 0)));
  return s;
}

TObject* TComboBoxStrings::GetObject(int32_t index) {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->Objects(index);
  LRESULT d = ::SendMessage(FCombo->Handle(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  if (d == CB_ERR) Error("List index out of bounds (%d)", index);
  return reinterpret_cast<TObject*>(d);
}

void TComboBoxStrings::PutObject(int32_t index, TObject* obj) {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->SetObjects(index, obj);
  ::SendMessage(FCombo->Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(obj));
}

int32_t TComboBoxStrings::Add(const String& s) { return AddObject(s, nullptr); }

int32_t TComboBoxStrings::AddObject(const String& s, TObject* obj) {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->AddObject(s, obj);
  HWND h = FCombo->Handle();
  LRESULT i = ::SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  if (i < 0) throw EOutOfResources("Not enough storage to add a list item");
  ::SendMessage(h, CB_SETITEMDATA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(obj));
  return static_cast<int32_t>(i);
}

void TComboBoxStrings::Insert(int32_t index, const String& s) { InsertObject(index, s, nullptr); }

void TComboBoxStrings::InsertObject(int32_t index, const String& s, TObject* obj) {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->InsertObject(index, s, obj);
  if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
  HWND h = FCombo->Handle();
  LRESULT i = ::SendMessage(h, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.c_str()));
  if (i < 0) throw EOutOfResources("Not enough storage to add a list item");
  ::SendMessage(h, CB_SETITEMDATA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(obj));
}

void TComboBoxStrings::Delete(int32_t index) {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->Delete(index);
  if (::SendMessage(FCombo->Handle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0) == CB_ERR)
    Error("List index out of bounds (%d)", index);
}

void TComboBoxStrings::Clear() {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->Clear();
  // The edit part keeps its text: only the list is emptied.
  String text = FCombo->Text();
  ::SendMessage(FCombo->Handle(), CB_RESETCONTENT, 0, 0);
  if (FCombo->Style() != csDropDownList) ::SetWindowText(FCombo->Handle(), text.c_str());
}

int32_t TComboBoxStrings::IndexOf(const String& s) {
  if (!FCombo->HandleAllocated()) return FCombo->FSaveItems->IndexOf(s);
  return static_cast<int32_t>(::SendMessage(FCombo->Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(s.c_str())));
}

// ---- TCustomComboBox ------------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(New<TComboBoxStrings>(this)), FSaveItems(New<TStringList>()) {
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks, csFixedHeight};
  FWidth = 145;
  FHeight = 21;
  FTabStop = true;
  FColor = clWindow;
  FParentColor = false;
  auto* canvas = New<TControlCanvas>();
  canvas->SetControl(this);
  FCanvas = canvas;
}

TCustomComboBox::~TCustomComboBox() {
  FreeAndNil(FCanvas);
  FreeAndNil(FItems);
  FreeAndNil(FSaveItems);
}

void TCustomComboBox::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  CreateSubClass(p, "COMBOBOX");
  static const DWORD kinds[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE};
  p.Style |= kinds[FStyle] | CBS_AUTOHSCROLL | CBS_HASSTRINGS | WS_VSCROLL;
  if (FSorted) p.Style |= CBS_SORT;
  if (FCharCase == ecUpperCase) p.Style |= CBS_UPPERCASE;
  if (FCharCase == ecLowerCase) p.Style |= CBS_LOWERCASE;
  // The window's height at creation is the height of the field and the dropped list together.
  if (FStyle != csSimple) p.Height = FHeight + FItemHeight * std::max(FDropDownCount, 1) + 2;
}

void TCustomComboBox::WMNCCreate(TMessage& m) {
  if (FHandle) SetWindowLongPtr(FHandle, GWLP_ID, NextControlId());
  DefaultHandler(m);
}

void TCustomComboBox::CreateWnd() {
  String text = FText;
  inherited::CreateWnd();
  if (FMaxLength > 0) ::SendMessage(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  if (FStyle == csOwnerDrawFixed) ::SendMessage(FHandle, CB_SETITEMHEIGHT, 0, FItemHeight);
  std::vector<LRESULT> placed;
  for (int32_t i = 0; i < FSaveItems->Count(); ++i) {
    LRESULT k = ::SendMessage(FHandle, FSorted ? CB_ADDSTRING : CB_INSERTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(FSaveItems->Strings(i).c_str()));
    ::SendMessage(FHandle, CB_SETITEMDATA, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(FSaveItems->Objects(i)));
    for (LRESULT& p : placed)
      if (p >= k) ++p;
    placed.push_back(k);
  }
  if (FSaveItemIndex >= 0 && static_cast<size_t>(FSaveItemIndex) < placed.size())
    FSaveItemIndex = static_cast<int32_t>(placed[static_cast<size_t>(FSaveItemIndex)]);
  FSaveItems->Clear();
  if (FSaveItemIndex >= 0)
    ::SendMessage(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FSaveItemIndex), 0);
  else if (FStyle == csDropDown || FStyle == csSimple)
    ::SetWindowText(FHandle, text.c_str());
  FSaveItemIndex = -1;
}

void TCustomComboBox::DestroyWnd() {
  if (FHandle) {
    FText = Text();
    int32_t n = FItems->Count();
    FSaveItems->Clear();
    for (int32_t i = 0; i < n; ++i) FSaveItems->AddObject(FItems->Strings(i), FItems->Objects(i));
    FSaveItemIndex = ItemIndex();
  }
  inherited::DestroyWnd();
}

void TCustomComboBox::Loaded() {
  inherited::Loaded();
  if (FSorted) FSaveItems->Sort();
}

int32_t TCustomComboBox::ItemIndex() {
  if (!HandleAllocated()) return FSaveItemIndex;
  return static_cast<int32_t>(::SendMessage(FHandle, CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int32_t v) {
  if (!HandleAllocated()) {
    FSaveItemIndex = v;
    if (v >= 0 && v < FSaveItems->Count()) FText = FSaveItems->Strings(v);
    return;
  }
  if (ItemIndex() == v) return;
  ::SendMessage(FHandle, CB_SETCURSEL, static_cast<WPARAM>(v), 0);
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
  if (FStyle == v) return;
  FStyle = v;
  if (v == csSimple) FControlStyle.Exclude(csFixedHeight);
  else FControlStyle.Include(csFixedHeight);
  if (HandleAllocated()) RecreateWnd();
}

void TCustomComboBox::SetSorted(bool v) {
  if (FSorted == v) return;
  FSorted = v;
  if (HandleAllocated())
    RecreateWnd();
  else if (v && !ComponentState().Contains(csLoading))
    FSaveItems->Sort();
}

void TCustomComboBox::SetDropDownCount(int32_t v) {
  v = std::max(v, 1);
  if (FDropDownCount == v) return;
  FDropDownCount = v;
  if (HandleAllocated() && !DroppedDown()) RecreateWnd();
}

void TCustomComboBox::SetCharCase(TEditCharCase v) {
  if (FCharCase == v) return;
  FCharCase = v;
  if (HandleAllocated()) RecreateWnd();
  if (v != ecNormal && FStyle != csDropDownList) {
    String t = Text();
    String c = v == ecUpperCase ? Utf8UpperCase(t) : Utf8LowerCase(t);
    if (c != t) SetText(c);
  }
}

void TCustomComboBox::SetMaxLength(int32_t v) {
  FMaxLength = std::max(v, 0);
  if (HandleAllocated()) ::SendMessage(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomComboBox::SetItemHeight(int32_t v) {
  if (v <= 0 || FItemHeight == v) return;
  FItemHeight = v;
  if (HandleAllocated() && FStyle == csOwnerDrawFixed) RecreateWnd();
}

bool TCustomComboBox::DroppedDown() {
  return HandleAllocated() && ::SendMessage(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool v) { ::SendMessage(Handle(), CB_SHOWDROPDOWN, v ? TRUE : FALSE, 0); }

int32_t TCustomComboBox::SelStart() {
  DWORD a = 0, b = 0;
  ::SendMessage(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return static_cast<int32_t>(a);
}

void TCustomComboBox::SetSelStart(int32_t v) {
  ::SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(v), static_cast<WORD>(v)));
}

int32_t TCustomComboBox::SelLength() {
  DWORD a = 0, b = 0;
  ::SendMessage(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return static_cast<int32_t>(b - a);
}

void TCustomComboBox::SetSelLength(int32_t v) {
  int32_t start = SelStart();
  ::SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(start + v)));
}

void TCustomComboBox::SelectAll() { ::SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, 0xFFFF)); }

void TCustomComboBox::Clear() {
  FItems->Clear();
  SetText(String());
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}
void TCustomComboBox::Select() {
  if (OnSelect)
    OnSelect(this);
  else
    Change();
}
void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}
void TCustomComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::CNCommand(TMessage& m) {
  switch (HIWORD(static_cast<uintptr_t>(m.WParam))) {
    case CBN_DBLCLK: DblClick(); break;
    case CBN_EDITCHANGE: Change(); break;
    case CBN_DROPDOWN: DropDown(); break;
    case CBN_CLOSEUP: CloseUp(); break;
    case CBN_SELCHANGE:
      // The edit part shows the chosen item before the handlers run.
      if (FStyle != csDropDownList && ItemIndex() >= 0) {
        String t = FItems->Strings(ItemIndex());
        if (Text() != t) ::SetWindowText(FHandle, t.c_str());
      }
      Click();
      Select();
      break;
    default: break;
  }
}

void TCustomComboBox::DrawItem(int32_t index, RECT rect, TOwnerDrawState state) {
  if (OnDrawItem)
    OnDrawItem(this, index, rect, state);
  else
    DrawItemText(FCanvas, FItems, index, rect);
}

void TCustomComboBox::MeasureItem(int32_t index, int32_t& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomComboBox::CNDrawItem(TMessage& m) {
  const auto& d = *reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  PaintOwnerDrawn(FCanvas, this, d, OnDrawItem.Assigned(),
                  [this](int32_t i, RECT r, TOwnerDrawState s) { DrawItem(i, r, s); });
  m.Result = 1;
}

void TCustomComboBox::CNMeasureItem(TMessage& m) {
  auto& mi = *reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
  int32_t h = FItemHeight;
  if (FStyle == csOwnerDrawVariable) MeasureItem(static_cast<int32_t>(mi.itemID), h);
  mi.itemHeight = static_cast<UINT>(std::max(h, 1));
  m.Result = 1;
}

void RegisterStdControls() {
  RegisterClasses({TEdit::StaticClass(), TMemo::StaticClass(), TButton::StaticClass(), TCheckBox::StaticClass(),
                   TLabel::StaticClass(), TGroupBox::StaticClass(), TRadioButton::StaticClass(), TListBox::StaticClass(),
                   TComboBox::StaticClass(), TCheckListBox::StaticClass(), TBitBtn::StaticClass(),
                   TSpeedButton::StaticClass(), TFileListBox::StaticClass(), TRadioGroup::StaticClass()});
}
