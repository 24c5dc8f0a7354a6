// The inner edit of the text editors and its helper: the native single-line edit the user types into,
// and the routing of its keys, characters, mouse, focus and clipboard messages to the owning editor.

#include <utility>

#include "rtl/ObjLinks.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxTextEdit.h"
#include "winapi/WinCtrls.h"

namespace {

// The input-method character message. This platform has no input method, but a host may deliver a
// composed character this way; it arrives as one character message per code point.
constexpr UINT kTextEditImeCharMessage = 0x0286;

// Left margin 0, right margin 1 pixel: the editor's border already gives the text its room.
constexpr WPARAM kTextEditMarginFlags = 3;  // EC_LEFTMARGIN | EC_RIGHTMARGIN
constexpr LPARAM kTextEditMargins = 0x10000;

}  // namespace

// ---- TcxCustomInnerTextEditHelper ---------------------------------------------------------------------------

TcxCustomInnerTextEditHelper::TcxCustomInnerTextEditHelper(TcxCustomInnerTextEdit* AEdit)
    : TcxInterfacedPersistent(AEdit), FEdit(AEdit) {}

TWinControl* TcxCustomInnerTextEditHelper::GetControl() { return FEdit; }

TcxContainer* TcxCustomInnerTextEditHelper::GetControlContainer() { return FEdit->GetControlContainer(); }

LRESULT TcxCustomInnerTextEditHelper::CallDefWndProc(UINT AMsg, WPARAM WParam, LPARAM LParam) {
  TMessage message{AMsg, WParam, LParam, 0};
  // The native control's own procedure, past the routing of the inner edit's window procedure.
  FEdit->TCustomEdit::DefaultHandler(message);
  return message.Result;
}

Variant TcxCustomInnerTextEditHelper::GetEditValue() { return Variant(FEdit->Text()); }

TNotifyEvent TcxCustomInnerTextEditHelper::GetOnChange() { return FEdit->OnChange; }

bool TcxCustomInnerTextEditHelper::GetReadOnly() { return FEdit->ReadOnly(); }

void TcxCustomInnerTextEditHelper::LockBounds(bool ALock) { FEdit->LockBounds(ALock); }

void TcxCustomInnerTextEditHelper::SafelySetFocus() {
  bool autoSelect = FEdit->AutoSelect();
  FEdit->SetAutoSelect(false);
  TObjectLink<TcxCustomInnerTextEdit> alive(FEdit);
  try {
    FEdit->SetFocus();
  } catch (...) {
    if (alive) FEdit->SetAutoSelect(autoSelect);
    throw;
  }
  if (alive) FEdit->SetAutoSelect(autoSelect);
}

void TcxCustomInnerTextEditHelper::SetEditValue(const Variant& Value) {
  String text = VarToStr(Value);
  String old = FEdit->Text();
  FEdit->SetText(text);
  // A designer gets no change notification from the native control, so the change is reported here.
  if (FEdit->ComponentState().Contains(csDesigning) && old != text && FEdit->OnChange) FEdit->OnChange(FEdit);
}

void TcxCustomInnerTextEditHelper::SetParent(TWinControl* Value) { FEdit->SetParent(Value); }

void TcxCustomInnerTextEditHelper::SetOnChange(TNotifyEvent Value) { FEdit->OnChange = Value; }

void TcxCustomInnerTextEditHelper::SetReadOnly(bool Value) { FEdit->SetReadOnly(Value); }

void TcxCustomInnerTextEditHelper::ClearSelection() {
  if (FEdit->HandleAllocated()) FEdit->ClearSelection();
}

void TcxCustomInnerTextEditHelper::CopyToClipboard() {
  if (FEdit->HandleAllocated()) FEdit->CopyToClipboard();
}

TAlignment TcxCustomInnerTextEditHelper::GetAlignment() { return FEdit->Alignment(); }
bool TcxCustomInnerTextEditHelper::GetAutoSelect() { return FEdit->AutoSelect(); }
TEditCharCase TcxCustomInnerTextEditHelper::GetCharCase() { return FEdit->CharCase(); }
TcxEditEchoMode TcxCustomInnerTextEditHelper::GetEchoMode() { return FEdit->EchoMode(); }
bool TcxCustomInnerTextEditHelper::GetHideSelection() { return FEdit->HideSelection(); }

char TcxCustomInnerTextEditHelper::GetImeLastChar() {
  return FEdit->ImeCharCount() == 2 ? static_cast<char>(FEdit->ImeLastChar()) : 0;
}

TImeMode TcxCustomInnerTextEditHelper::GetImeMode() { return FEdit->ImeMode(); }
TImeName TcxCustomInnerTextEditHelper::GetImeName() { return FEdit->ImeName(); }
bool TcxCustomInnerTextEditHelper::GetKeyConsumed() { return FEdit->KeyConsumed(); }
int32_t TcxCustomInnerTextEditHelper::GetMaxLength() { return FEdit->MaxLength(); }
bool TcxCustomInnerTextEditHelper::GetOEMConvert() { return FEdit->OEMConvert(); }
char TcxCustomInnerTextEditHelper::GetPasswordChar() { return FEdit->EditPasswordChar(); }

int32_t TcxCustomInnerTextEditHelper::GetSelLength() {
  if (FEdit->ImeCharCount() > 0) return SavedSelLength;
  return FEdit->HandleAllocated() ? FEdit->NativeSelLength() : 0;
}

int32_t TcxCustomInnerTextEditHelper::GetSelStart() {
  if (FEdit->ImeCharCount() > 0) return SavedSelStart;
  return FEdit->HandleAllocated() ? FEdit->NativeSelStart() : 0;
}

String TcxCustomInnerTextEditHelper::GetSelText() { return FEdit->HandleAllocated() ? FEdit->SelText() : String(); }

void TcxCustomInnerTextEditHelper::SelectAll() {
  if (FEdit->HandleAllocated()) FEdit->SelectAll();
}

void TcxCustomInnerTextEditHelper::SetAlignment(TAlignment Value) {
  TcxCustomTextEdit* edit = FEdit->Container();
  if (edit && edit->ActiveProperties()->UseLeftAlignmentOnEditing()) Value = taLeftJustify;
  FEdit->SetAlignment(Value);
}

void TcxCustomInnerTextEditHelper::SetAutoSelect(bool Value) { FEdit->SetAutoSelect(Value); }
void TcxCustomInnerTextEditHelper::SetCharCase(TEditCharCase Value) { FEdit->SetCharCase(Value); }
void TcxCustomInnerTextEditHelper::SetEchoMode(TcxEditEchoMode Value) { FEdit->SetEchoMode(Value); }
void TcxCustomInnerTextEditHelper::SetHideSelection(bool Value) { FEdit->SetHideSelection(Value); }
void TcxCustomInnerTextEditHelper::SetKeyConsumed(bool Value) { FEdit->SetKeyConsumed(Value); }
void TcxCustomInnerTextEditHelper::SetImeMode(TImeMode Value) { FEdit->SetImeMode(Value); }
void TcxCustomInnerTextEditHelper::SetImeName(const TImeName& Value) { FEdit->SetImeName(Value); }
void TcxCustomInnerTextEditHelper::SetMaxLength(int32_t Value) { FEdit->SetMaxLength(Value); }
void TcxCustomInnerTextEditHelper::SetOEMConvert(bool Value) { FEdit->SetOEMConvert(Value); }
void TcxCustomInnerTextEditHelper::SetPasswordChar(char Value) { FEdit->SetEditPasswordChar(Value); }

void TcxCustomInnerTextEditHelper::SetSelLength(int32_t Value) {
  if (!FEdit->HandleAllocated()) return;
  if (FEdit->ImeCharCount() > 0)
    SavedSelLength = Value;
  else
    FEdit->TCustomEdit::SetSelLength(Value);
}

void TcxCustomInnerTextEditHelper::SetSelStart(int32_t Value) {
  if (!FEdit->HandleAllocated()) return;
  if (FEdit->ImeCharCount() > 0)
    SavedSelStart = Value;
  else
    FEdit->TCustomEdit::SetSelStart(Value);
}

void TcxCustomInnerTextEditHelper::SetSelText(const String& Value) {
  if (FEdit->HandleAllocated()) FEdit->TCustomEdit::SetSelText(Value);
}

// ---- TcxCustomInnerTextEdit ---------------------------------------------------------------------------------

TcxCustomInnerTextEdit::TcxCustomInnerTextEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TcxCustomInnerTextEdit::AfterConstruction() {
  FIsCreating = true;
  inherited::AfterConstruction();
  FHelper = New<TcxCustomInnerTextEditHelper>(this);
  SetControlStyle(ControlStyle() + csDoubleClicks);
  SetParentColor(true);
  SetParentFont(false);
  FEchoMode = eemNormal;
  FAlignment = taLeftJustify;
  FIsCreating = false;
}

TcxCustomInnerTextEdit::~TcxCustomInnerTextEdit() { FreeAndNil(FHelper); }

int32_t TcxCustomInnerTextEdit::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (!found && FHelper) found = FHelper->InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}

TcxContainer* TcxCustomInnerTextEdit::GetControlContainer() { return dynamic_cast<TcxContainer*>(Owner()); }

TcxCustomTextEdit* TcxCustomInnerTextEdit::Container() const { return dynamic_cast<TcxCustomTextEdit*>(Owner()); }

void TcxCustomInnerTextEdit::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TcxCustomInnerTextEdit::SetEchoMode(TcxEditEchoMode Value) {
  if (FEchoMode == Value) return;
  FEchoMode = Value;
  ApplyPasswordChar();
}

void TcxCustomInnerTextEdit::SetEditPasswordChar(char Value) {
  if (FPasswordChar == Value) return;
  FPasswordChar = Value;
  if (FEchoMode == eemPassword) ApplyPasswordChar();
}

void TcxCustomInnerTextEdit::ApplyPasswordChar() {
  char32_t c = 0;
  if (FEchoMode == eemPassword) c = FPasswordChar ? static_cast<char32_t>(static_cast<unsigned char>(FPasswordChar)) : U'*';
  TCustomEdit::SetPasswordChar(c);
}

void TcxCustomInnerTextEdit::LockBounds(bool ALock) {
  if (ALock)
    ++FLockBoundsCount;
  else if (FLockBoundsCount > 0)
    --FLockBoundsCount;
}

void TcxCustomInnerTextEdit::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (FAlignment == taRightJustify) Params.Style |= ES_RIGHT;
  if (FAlignment == taCenter) Params.Style |= ES_CENTER;
  Params.Style &= ~(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
  Params.Style |= ES_AUTOHSCROLL;
  Params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TcxCustomInnerTextEdit::CreateWnd() {
  inherited::CreateWnd();
  SetMargins();
}

void TcxCustomInnerTextEdit::CreateHandle() {
  if (TcxContainer* container = GetControlContainer()) container->InvalidateInnerControlBounds();
  inherited::CreateHandle();
}

void TcxCustomInnerTextEdit::SetMargins() {
  if (HandleAllocated()) ::SendMessage(Handle(), EM_SETMARGINS, kTextEditMarginFlags, kTextEditMargins);
}

void TcxCustomInnerTextEdit::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if (FIsCreating || FLockBoundsCount > 0) return;
  TcxContainer* container = GetControlContainer();
  if (container) container->LockAlignControls(true);
  try {
    inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  } catch (...) {
    if (container) container->LockAlignControls(false);
    throw;
  }
  if (container) container->LockAlignControls(false);
}

bool TcxCustomInnerTextEdit::CanFocus() {
  TcxCustomTextEdit* edit = Container();
  return edit ? edit->CanFocusWithForm() : inherited::CanFocus();
}

// ---- keys ----

void TcxCustomInnerTextEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  FKeyConsumed = false;
  TcxCustomTextEdit* edit = Container();
  if (edit) {
    TObjectLink<TcxCustomInnerTextEdit> alive(this);
    edit->KeyDown(Key, Shift);
    if (!alive) return;
    if (Key == 0) {
      FKeyConsumed = true;
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

void TcxCustomInnerTextEdit::KeyPress(char32_t& Key) {
  FKeyConsumed = false;
  // The native control never sees Tab: moving the focus is the editor's business.
  if (Key == U'\t') {
    Key = 0;
    return;
  }
  TcxCustomTextEdit* edit = Container();
  if (edit) {
    TObjectLink<TcxCustomInnerTextEdit> alive(this);
    edit->KeyPress(Key);
    if (!alive) return;
    if (Key == 0) {
      FKeyConsumed = true;
      return;
    }
    // A single-line control would only beep at these.
    if ((Key == U'\r' || Key == 27) &&
        (edit->IsInplace() || edit->PopupJustClosed() || (Key == U'\r' && !edit->BeepOnEnter()))) {
      edit->SetPopupJustClosed(false);
      Key = 0;
      return;
    }
  }
  inherited::KeyPress(Key);
}

void TcxCustomInnerTextEdit::KeyUp(uint16_t& Key, TShiftState Shift) {
  FKeyConsumed = false;
  if (Key == VK_TAB) {
    Key = 0;
    return;
  }
  TcxCustomTextEdit* edit = Container();
  if (edit) {
    TObjectLink<TcxCustomInnerTextEdit> alive(this);
    edit->KeyUp(Key, Shift);
    if (!alive) return;
    if (Key == 0) {
      FKeyConsumed = true;
      return;
    }
  }
  inherited::KeyUp(Key, Shift);
}

void TcxCustomInnerTextEdit::SaveState(TcxCustomInnerTextEditPrevState& AState) {
  AState.IsPrevTextSaved = HandleAllocated();
  if (!AState.IsPrevTextSaved) return;
  AState.PrevText = Text();
  AState.PrevSelStart = NativeSelStart();
  AState.PrevSelLength = NativeSelLength();
}

bool TcxCustomInnerTextEdit::IsStateChanged(const TcxCustomInnerTextEditPrevState& AState) {
  if (!HandleAllocated() || !AState.IsPrevTextSaved) return true;
  return NativeSelStart() != AState.PrevSelStart || NativeSelLength() != AState.PrevSelLength ||
         AnsiUpperCase(Text()) != AnsiUpperCase(AState.PrevText);
}

void TcxCustomInnerTextEdit::WMKeyDownRouted(TMessage& Message) {
  TcxCustomTextEdit* edit = Container();
  if (edit && edit->HasPopupWindow() &&
      edit->ActiveProperties()->IsSpecialLookupChar(static_cast<char32_t>(Message.WParam))) {
    if (IcxTextEditLookupData* lookup = edit->GetLookupDataIntf())
      if (TWinControl* list = lookup->GetListControl(); list && list->HandleAllocated())
        ::SendMessage(list->Handle(), WM_KEYDOWN, Message.WParam, Message.LParam);
    return;
  }
  TcxCustomInnerTextEditPrevState state;
  SaveState(state);
  FKeyConsumed = false;
  TObjectLink<TcxCustomInnerTextEdit> alive(this);
  inherited::WndProc(Message);
  if (!alive || !edit) return;
  // A key the native control ignored (Left at the start of the text) may still be of use to a host.
  if (!FKeyConsumed && !IsStateChanged(state)) {
    uint16_t key = static_cast<uint16_t>(Message.WParam);
    if (key != 0) edit->DoAfterKeyDown(key, KeyDataToShiftState(Message.LParam));
  }
}

void TcxCustomInnerTextEdit::WMCharRouted(TMessage& Message) {
  TcxCustomInnerTextEditPrevState state;
  SaveState(state);
  FKeyConsumed = false;
  TObjectLink<TcxCustomInnerTextEdit> alive(this);
  inherited::WndProc(Message);
  if (!alive) return;
  TcxCustomTextEdit* edit = Container();
  if (FImeCharCount > 0) {
    --FImeCharCount;
    if (FImeCharCount == 0 && edit && edit->FindSelection() && HandleAllocated()) {
      TCustomEdit::SetSelStart(FHelper->SavedSelStart);
      TCustomEdit::SetSelLength(FHelper->SavedSelLength);
    }
  }
  if (!edit) return;
  edit->SetLookupTextChangeLock(false);
  if (!FKeyConsumed && IsStateChanged(state)) edit->SetFindSelection(false);
}

void TcxCustomInnerTextEdit::ClipboardMessage(TMessage& Message) {
  TcxCustomTextEdit* edit = Container();
  if (!edit) {
    inherited::WndProc(Message);
    return;
  }
  Message.Result = 0;
  bool saved = edit->KeyboardAction();
  edit->SetKeyboardAction(true);
  TObjectLink<TcxCustomTextEdit> alive(edit);
  try {
    switch (Message.Msg) {
      case WM_CUT:
        if (ReadOnly())
          edit->CopyToClipboard();
        else
          edit->CutToClipboard();
        break;
      case WM_PASTE:
        if (!ReadOnly()) edit->PasteFromClipboard();
        break;
      case WM_CLEAR:
        if (!ReadOnly()) edit->ClearSelection();
        break;
      default:
        break;
    }
  } catch (...) {
    if (alive) edit->SetKeyboardAction(saved);
    throw;
  }
  if (alive) edit->SetKeyboardAction(saved);
}

void TcxCustomInnerTextEdit::WndProc(TMessage& Message) {
  TcxCustomTextEdit* edit = Container();
  if (edit && edit->CheckInnerControlKey(Message)) return;
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (edit && edit->DragMode() == dmAutomatic && !edit->IsDesigning()) {
        edit->BeginDrag(false);
        return;
      }
      break;
    case WM_KEYDOWN:
      WMKeyDownRouted(Message);
      return;
    case WM_CHAR:
      WMCharRouted(Message);
      return;
    case kTextEditImeCharMessage: {
      uint32_t c = static_cast<uint32_t>(Message.WParam);
      FImeCharCount = 1;
      FImeLastChar = static_cast<uint8_t>(c & 0xFF);
      FHelper->SavedSelStart = HandleAllocated() ? NativeSelStart() : 0;
      FHelper->SavedSelLength = HandleAllocated() ? NativeSelLength() : 0;
      if (HandleAllocated()) ::SendMessage(Handle(), WM_CHAR, Message.WParam, Message.LParam);
      Message.Result = 0;
      return;
    }
    case WM_SETFOCUS: {
      TObjectLink<TcxCustomInnerTextEdit> alive(this);
      inherited::WndProc(Message);
      if (!alive || !edit || ComponentState().Contains(csDestroying)) return;
      if (!edit->HandleAllocated() || reinterpret_cast<HWND>(Message.WParam) != edit->Handle()) edit->FocusChanged();
      return;
    }
    case WM_KILLFOCUS: {
      TObjectLink<TcxCustomInnerTextEdit> alive(this);
      inherited::WndProc(Message);
      if (!alive || !edit || ComponentState().Contains(csDestroying)) return;
      edit->FocusChanged();
      return;
    }
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case WM_NCPAINT:
      Message.Result = 0;
      return;
    case WM_SIZE:
      inherited::WndProc(Message);
      SetMargins();
      return;
    case WM_GETDLGCODE: {
      inherited::WndProc(Message);
      Message.Result |= DLGC_WANTCHARS;
      if (GetKeyState(VK_CONTROL) >= 0) Message.Result |= DLGC_WANTTAB;
      if (edit && (edit->IsInplace() || edit->HasPopupWindow())) Message.Result |= DLGC_WANTALLKEYS;
      return;
    }
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
      ClipboardMessage(Message);
      return;
    case CM_MOUSELEAVE:
      inherited::WndProc(Message);
      if (edit && !edit->IsEditDestroying()) edit->RefreshHotTrackState();
      return;
    default:
      break;
  }
  inherited::WndProc(Message);
}

// Messages the native control leaves alone go to the editor first.
void TcxCustomInnerTextEdit::DefaultHandler(TMessage& Message) {
  if (TcxCustomTextEdit* edit = Container(); edit && edit->HandleInnerControlMessage(Message)) return;
  inherited::DefaultHandler(Message);
}

// ---- mouse ----

void TcxCustomInnerTextEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerTextEdit> alive(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (TcxCustomTextEdit* edit = alive ? Container() : nullptr)
    edit->MouseDownFromInnerControl(Button, Shift, X + Left(), Y + Top());
}

void TcxCustomInnerTextEdit::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerTextEdit> alive(this);
  inherited::MouseMove(Shift, X, Y);
  if (TcxCustomTextEdit* edit = alive ? Container() : nullptr) edit->MouseMove(Shift, X + Left(), Y + Top());
}

void TcxCustomInnerTextEdit::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerTextEdit> alive(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (TcxCustomTextEdit* edit = alive ? Container() : nullptr) edit->MouseUp(Button, Shift, X + Left(), Y + Top());
}

void TcxCustomInnerTextEdit::Click() {
  TObjectLink<TcxCustomInnerTextEdit> alive(this);
  inherited::Click();
  if (TcxCustomTextEdit* edit = alive ? Container() : nullptr) edit->Click();
}

void TcxCustomInnerTextEdit::DblClick() {
  TObjectLink<TcxCustomInnerTextEdit> alive(this);
  inherited::DblClick();
  if (TcxCustomTextEdit* edit = alive ? Container() : nullptr) edit->DblClick();
}

void TcxCustomInnerTextEdit::DragOver(TObject* Source, int32_t X, int32_t Y, TDragState State, bool& Accept) {
  if (TcxCustomTextEdit* edit = Container()) edit->DragOver(Source, X + Left(), Y + Top(), State, Accept);
}

void TcxCustomInnerTextEdit::DragDrop(TObject* Source, int32_t X, int32_t Y) {
  if (TcxCustomTextEdit* edit = Container()) edit->DragDrop(Source, X + Left(), Y + Top());
}

// The wheel belongs to the editor.
bool TcxCustomInnerTextEdit::DoMouseWheel(TShiftState, int32_t, POINT) { return false; }
