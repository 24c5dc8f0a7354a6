#include "forms/StdCtrls.h"

#include <algorithm>

#include "rtl/ClassRegistry.h"
#include "rtl/TypInfo.h"

RTL_PUBLISHED(TCustomEdit) {
  prop("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength).Default(0);
  prop("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly).Default(false);
  prop("TabStop", &TCustomEdit::TabStop, &TCustomEdit::SetTabStop).Default(true);
  event("OnChange", &TCustomEdit::OnChange, &TCustomEdit::OnChange);
}

RTL_PUBLISHED(TCustomMemo) {
  prop("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines);
  prop("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars).Default(ssNone);
  prop("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap).Default(true);
  prop("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns).Default(true);
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
RTL_MESSAGE(TLabel, CM_TEXTCHANGED, CMTextChanged);
RTL_MESSAGE(TLabel, CM_FONTCHANGED, CMFontChanged);
RTL_MESSAGE(TLabel, CM_DIALOGCHAR, CMDialogChar);
RTL_MESSAGE(TGroupBox, CM_TEXTCHANGED, CMTextChanged);

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

char32_t Lower(char32_t c) { return c < 128 ? static_cast<char32_t>(std::tolower(static_cast<int>(c))) : c; }

// Whether key is the character after the single '&' in caption.
bool IsAccel(char32_t key, const String& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(caption[i + 1]);
    if (c >= 128) return false;
    return Lower(c) == Lower(key);
  }
  return false;
}

}  // namespace

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
  p.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_BORDER;
  if (FReadOnly) p.Style |= ES_READONLY;
  if (FPasswordChar) p.Style |= ES_PASSWORD;
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

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(new TMemoStrings(this)) {
  FControlStyle.Exclude(csFixedHeight);
  FWidth = 185;
  FHeight = 89;
}

TCustomMemo::~TCustomMemo() { delete FLines; }

void TCustomMemo::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  p.Style |= ES_MULTILINE;
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

void TGroupBox::AdjustClientRect(RECT& rect) {
  TEXTMETRIC tm{};
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, Font()->Handle());
  ::GetTextMetrics(dc, &tm);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  rect.top += tm.tmHeight;
  InflateRect(&rect, -1, -1);
}

void TGroupBox::Paint() {
  RECT r = ClientRect();
  FCanvas->Brush()->SetColor(Color());
  FCanvas->Brush()->SetStyle(bsSolid);
  FCanvas->FillRect(r);
  FCanvas->Font()->Assign(Font());
  SIZE ext = FCanvas->TextExtent(Caption().empty() ? String("0") : Caption());
  RECT frame = r;
  frame.top += ext.cy / 2;
  DrawEdge(FCanvas->Handle(), &frame, EDGE_ETCHED, BF_RECT);
  String text = Caption();
  if (text.empty()) return;
  RECT tr{8, 0, 8 + ext.cx + 4, ext.cy};
  FCanvas->FillRect(tr);
  FCanvas->Brush()->SetStyle(bsClear);
  InflateRect(&tr, -2, 0);
  ::DrawText(FCanvas->Handle(), text.c_str(), -1, &tr, DT_LEFT | DT_SINGLELINE);
}

void TGroupBox::CMTextChanged(TMessage&) {
  Invalidate();
  Realign();
}

void RegisterStdControls() {
  RegisterClasses({TEdit::StaticClass(), TMemo::StaticClass(), TButton::StaticClass(), TCheckBox::StaticClass(),
                   TLabel::StaticClass(), TGroupBox::StaticClass()});
}
