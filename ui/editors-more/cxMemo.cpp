#include "ui/editors-more/cxMemo.h"

#include <algorithm>

#include "rtl/ClassRegistry.h"
#include "rtl/ObjLinks.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxEditTextUtils.h"
#include "ui/editors/cxEditConsts.h"
#include "winapi/WinCtrls.h"

// ---- routines -----------------------------------------------------------------------------------------------

void CutToFirstLine(String& AText, int32_t AMaxLength) {
  // Work on byte offsets while counting code points, so no UTF-8 sequence is ever split.
  size_t bytes = AText.size();
  int32_t count = 0;
  for (size_t i = 0; i < bytes;) {
    if (AMaxLength > 0 && count == AMaxLength) {
      AText.resize(i);
      return;
    }
    char c = AText[i];
    if (c == '\r' || c == '\n') {
      AText.resize(i);
      return;
    }
    i = Utf8NextBoundary(AText, i);
    ++count;
  }
}

String cxMemoNormalizeLineBreaks(const String& AText) {
  String r;
  r.reserve(AText.size());
  for (size_t i = 0; i < AText.size(); ++i) {
    char c = AText[i];
    if (c == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n') {
      r += "\r\n";
      ++i;
    } else if (c == '\n' && i + 1 < AText.size() && AText[i + 1] == '\r') {
      // one reversed break becomes two breaks
      r += "\r\n\r\n";
      ++i;
    } else {
      r += c;
    }
  }
  return r;
}


// ---- properties ---------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxMemoProperties) {
  prop("Alignment", &TcxMemoProperties::MemoAlignment, &TcxMemoProperties::SetMemoAlignment)
      .NoDefault()
      .Stored(&TcxMemoProperties::IsMemoAlignmentStored);
  prop("AssignedValues", &TcxMemoProperties::AssignedValues, &TcxMemoProperties::SetAssignedValues);
  prop("AutoSelect", &TcxMemoProperties::AutoSelect, &TcxMemoProperties::SetAutoSelect).Default(false);
  prop("CharCase", &TcxMemoProperties::CharCase, &TcxMemoProperties::SetCharCase).Default(ecNormal);
  prop("HideSelection", &TcxMemoProperties::HideSelection, &TcxMemoProperties::SetHideSelection).Default(true);
  prop("ImeMode", &TcxMemoProperties::ImeMode, &TcxMemoProperties::SetImeMode).Default(imDontCare);
  prop("ImeName", &TcxMemoProperties::ImeName, &TcxMemoProperties::SetImeName);
  prop("MaxLength", &TcxMemoProperties::MaxLength, &TcxMemoProperties::SetMaxLength)
      .NoDefault()
      .Stored(&TcxMemoProperties::IsMaxLengthStored);
  prop("OEMConvert", &TcxMemoProperties::OEMConvert, &TcxMemoProperties::SetOEMConvert).Default(false);
  prop("ScrollBars", &TcxMemoProperties::ScrollBars, &TcxMemoProperties::SetScrollBars).Default(ssNone);
  prop("WantReturns", &TcxMemoProperties::WantReturns, &TcxMemoProperties::SetWantReturns).Default(true);
  prop("WantTabs", &TcxMemoProperties::WantTabs, &TcxMemoProperties::SetWantTabs).Default(false);
  prop("WordWrap", &TcxMemoProperties::WordWrap, &TcxMemoProperties::SetWordWrap).Default(true);
}

TcxCustomMemoProperties::TcxCustomMemoProperties(TPersistent* AOwner) : TcxCustomTextEditProperties(AOwner) {}

void TcxCustomMemoProperties::AfterConstruction() {
  inherited::AfterConstruction();
  // A memo's text starts at the top, and entering it keeps the caret where it was.
  BeginUpdate();
  GetAlignment()->SetVert(taTopJustify);
  SetAutoSelect(false);
  EndUpdate(false);
}

void TcxCustomMemoProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomMemoProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetScrollBars(source->ScrollBars());
    SetWantReturns(source->WantReturns());
    SetWantTabs(source->WantTabs());
    SetWordWrap(source->WordWrap());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TcxCustomEditViewDataClass TcxCustomMemoProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxCustomMemoViewData>();
}

TClass TcxCustomMemoProperties::GetViewInfoClass() const { return TcxCustomMemoViewInfo::StaticClass(); }

TClass TcxCustomMemoProperties::GetContainerClass() const { return TcxMemo::StaticClass(); }

int32_t TcxCustomMemoProperties::GetEditValueSource(bool) const {
  // Blob fields hand over their value, other fields their text.
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider && provider->IsBlobData() ? 0 : 1;
}

WideString TcxCustomMemoProperties::GetDisplayText(const Variant& AEditValue, bool AFullText, bool AIsInplace) {
  WideString text = inherited::GetDisplayText(AEditValue, AFullText, AIsInplace);
  if (AFullText) return text;
  // A grid cell shows the first line, and no more than a cell can hold.
  String s = Utf16ToUtf8(text);
  CutToFirstLine(s, 250);
  return Utf8ToUtf16(s);
}

void TcxCustomMemoProperties::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  Changed();
}

void TcxCustomMemoProperties::SetWantReturns(bool Value) {
  if (FWantReturns == Value) return;
  FWantReturns = Value;
  Changed();
}

void TcxCustomMemoProperties::SetWantTabs(bool Value) {
  if (FWantTabs == Value) return;
  FWantTabs = Value;
  Changed();
}

void TcxCustomMemoProperties::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Changed();
}

// ---- view data and view info --------------------------------------------------------------------------------

uint32_t TcxCustomMemoViewData::GetDrawTextFlags() {
  auto* properties = static_cast<TcxCustomMemoProperties*>(Properties);
  TScrollStyle bars = properties->ScrollBars();
  uint32_t flags = properties->WordWrap() && bars != ssHorizontal && bars != ssBoth
                       ? TOF_WORDBREAK | TOF_CHARBREAK | TOF_FULLROWS
                       : TOF_FULLROWS;
  switch (HorzAlignment) {
    case taRightJustify: flags |= TOF_RIGHT; break;
    case taCenter: flags |= TOF_CENTER_HORZ; break;
    default: break;
  }
  // The text always starts at the top: no vertical alignment and no single-line bit.
  return flags | TOF_KEEP_LEFT | TOF_EXPANDTABS;
}

void TcxCustomMemoViewData::GetTextOffsets(RECT& AOffsets) {
  AOffsets = HorzAlignment == taRightJustify ? RECT{0, 1, 2, 1} : RECT{1, 1, 1, 1};
}

void TcxCustomMemoViewInfo::DrawText(TcxCanvas* ACanvas) {
  if (Text.empty()) return;
  if (Font) ACanvas->Font()->Assign(Font);
  ACanvas->Font()->SetColor(TextColor);
  PrepareCanvasFont(ACanvas);
  HDC dc = ACanvas->Handle();
  TcxTextOutData& data = TextOutData;
  if (!data.Initialized) {
    GetEditTextParamsOnCanvas(ACanvas->Canvas(), DrawTextFlags, data.TextParams);
    data.TextRect = TextOutRect;
    data.TextRows.clear();
    data.RowCount = 0;
    bool allFit =
        BreakEditTextRows(dc, Text, data.TextRect, MaxLineCount, data.RowCount, data.TextRows, data.TextParams);
    if (MaxLineCount > 0 && data.RowCount > MaxLineCount) data.RowCount = MaxLineCount;
    data.RowCount = PlaceEditTextRows(dc, data.TextRect, data.TextParams, data.TextRows, data.RowCount);
    data.ForceEndEllipsis = MaxLineCount > 0 && data.RowCount >= MaxLineCount && !allFit && data.TextParams.EndEllipsis;
    data.Initialized = true;
  }
  int32_t length = Utf8Length(Text);
  data.SelStart = SelStart;
  data.SelLength = SelLength;
  if (data.SelStart < 0 || data.SelStart > length) data.SelLength = 0;
  if (data.SelStart + data.SelLength > length) data.SelLength = length - data.SelStart;
  data.SelTextColor = SelTextColor;
  data.SelBkColor = SelBackgroundColor;
  DrawEditTextRows(dc, data.TextRect, data.TextParams, data.ForceEndEllipsis, data.SelTextColor, data.SelBkColor,
                   data.SelLength, data.SelStart, data.RowCount, data.TextRows);
}


// ---- TcxCustomInnerMemoHelper ---------------------------------------------------------------------------------

namespace {

// Both margins, in-place memos: the cell's border gives the text its room.
constexpr WPARAM kMemoMarginFlags = 3;  // EC_LEFTMARGIN | EC_RIGHTMARGIN
// The platform control's notification that posts the deferred scroll-bar update.
constexpr UINT kMemoControlNotification = 0xB025;

}  // namespace

TcxCustomInnerMemoHelper::TcxCustomInnerMemoHelper(TcxCustomInnerMemo* AEdit)
    : TcxInterfacedPersistent(AEdit), FEdit(AEdit) {}

TWinControl* TcxCustomInnerMemoHelper::GetControl() { return FEdit; }
TcxContainer* TcxCustomInnerMemoHelper::GetControlContainer() { return FEdit->GetControlContainer(); }

LRESULT TcxCustomInnerMemoHelper::CallDefWndProc(UINT AMsg, WPARAM WParam, LPARAM LParam) {
  TMessage message{AMsg, WParam, LParam, 0};
  FEdit->TMemo::DefaultHandler(message);
  return message.Result;
}

Variant TcxCustomInnerMemoHelper::GetEditValue() { return Variant(FEdit->Text()); }
TNotifyEvent TcxCustomInnerMemoHelper::GetOnChange() { return FEdit->OnChange; }
bool TcxCustomInnerMemoHelper::GetReadOnly() { return FEdit->ReadOnly(); }
void TcxCustomInnerMemoHelper::LockBounds(bool ALock) { FEdit->LockBounds(ALock); }

void TcxCustomInnerMemoHelper::SafelySetFocus() {
  bool autoSelect = FEdit->MemoAutoSelect();
  FEdit->SetMemoAutoSelect(false);
  TObjectLink<TcxCustomInnerMemo> alive(FEdit);
  try {
    FEdit->SetFocus();
  } catch (...) {
    if (alive) FEdit->SetMemoAutoSelect(autoSelect);
    throw;
  }
  if (alive) FEdit->SetMemoAutoSelect(autoSelect);
}

// A value set by the program is no typing: it raises no change event of its own.
void TcxCustomInnerMemoHelper::SetEditValue(const Variant& Value) {
  TcxCustomMemo* memo = FEdit->Container();
  if (memo) memo->ForgetFollowedText();
  if (!FEdit->HandleAllocated()) {
    FEdit->SetText(VarToStr(Value));
    return;
  }
  if (memo) memo->LockChangeEvents(true);
  bool saved = std::exchange(FEdit->FInternalTextSetting, true);
  TObjectLink<TcxCustomInnerMemo> alive(FEdit);
  auto finish = [&] {
    if (alive) FEdit->FInternalTextSetting = saved;
    if (memo) memo->LockChangeEvents(false, false);
  };
  try {
    if (memo && memo->IsInplace() && memo->ActiveProperties()->WordWrap()) FEdit->Lines()->Clear();
    FEdit->Lines()->SetText(VarToStr(Value));
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TcxCustomInnerMemoHelper::SetParent(TWinControl* Value) { FEdit->SetParent(Value); }
void TcxCustomInnerMemoHelper::SetOnChange(TNotifyEvent Value) { FEdit->OnChange = Value; }
void TcxCustomInnerMemoHelper::SetReadOnly(bool Value) { FEdit->SetReadOnly(Value); }

void TcxCustomInnerMemoHelper::ClearSelection() {
  if (FEdit->HandleAllocated()) FEdit->ClearSelection();
}

void TcxCustomInnerMemoHelper::CopyToClipboard() {
  if (FEdit->HandleAllocated()) FEdit->CopyToClipboard();
}

TAlignment TcxCustomInnerMemoHelper::GetAlignment() { return FEdit->Alignment(); }
bool TcxCustomInnerMemoHelper::GetAutoSelect() { return FEdit->MemoAutoSelect(); }
TEditCharCase TcxCustomInnerMemoHelper::GetCharCase() { return FEdit->CharCase(); }
bool TcxCustomInnerMemoHelper::GetHideSelection() { return FEdit->HideSelection(); }
TImeMode TcxCustomInnerMemoHelper::GetImeMode() { return imDontCare; }
TImeName TcxCustomInnerMemoHelper::GetImeName() { return TImeName(); }
bool TcxCustomInnerMemoHelper::GetKeyConsumed() { return FEdit->KeyConsumed(); }
int32_t TcxCustomInnerMemoHelper::GetMaxLength() { return FEdit->MaxLength(); }
bool TcxCustomInnerMemoHelper::GetOEMConvert() { return FEdit->OEMConvert(); }
int32_t TcxCustomInnerMemoHelper::GetSelLength() { return FEdit->HandleAllocated() ? FEdit->SelLength() : 0; }
int32_t TcxCustomInnerMemoHelper::GetSelStart() { return FEdit->HandleAllocated() ? FEdit->SelStart() : 0; }
String TcxCustomInnerMemoHelper::GetSelText() { return FEdit->HandleAllocated() ? FEdit->SelText() : String(); }

void TcxCustomInnerMemoHelper::SelectAll() {
  if (FEdit->HandleAllocated()) FEdit->SelectAll();
}

void TcxCustomInnerMemoHelper::SetAlignment(TAlignment Value) { FEdit->SetAlignment(Value); }
void TcxCustomInnerMemoHelper::SetAutoSelect(bool Value) { FEdit->SetMemoAutoSelect(Value); }
void TcxCustomInnerMemoHelper::SetCharCase(TEditCharCase Value) { FEdit->SetCharCase(Value); }
void TcxCustomInnerMemoHelper::SetHideSelection(bool Value) { FEdit->SetHideSelection(Value); }
void TcxCustomInnerMemoHelper::SetKeyConsumed(bool Value) { FEdit->SetKeyConsumed(Value); }
void TcxCustomInnerMemoHelper::SetImeMode(TImeMode) {}
void TcxCustomInnerMemoHelper::SetImeName(const TImeName&) {}
void TcxCustomInnerMemoHelper::SetMaxLength(int32_t Value) { FEdit->SetMaxLength(Value); }
void TcxCustomInnerMemoHelper::SetOEMConvert(bool Value) { FEdit->SetOEMConvert(Value); }

void TcxCustomInnerMemoHelper::SetSelLength(int32_t Value) {
  if (FEdit->HandleAllocated()) FEdit->SetSelLength(Value);
}

void TcxCustomInnerMemoHelper::SetSelStart(int32_t Value) {
  if (FEdit->HandleAllocated()) FEdit->SetSelStart(Value);
}

void TcxCustomInnerMemoHelper::SetSelText(const String& Value) {
  if (FEdit->HandleAllocated()) FEdit->TMemo::SetSelText(Value);
}

POINT TcxCustomInnerMemoHelper::GetCaretPos() { return FEdit->HandleAllocated() ? FEdit->CaretPos() : POINT{0, 0}; }
TStrings* TcxCustomInnerMemoHelper::GetLines() { return FEdit->Lines(); }
TScrollStyle TcxCustomInnerMemoHelper::GetScrollBars() { return FEdit->ScrollBars(); }
bool TcxCustomInnerMemoHelper::GetWantReturns() { return FEdit->WantReturns(); }
bool TcxCustomInnerMemoHelper::GetWantTabs() { return FEdit->WantTabs(); }
bool TcxCustomInnerMemoHelper::GetWordWrap() { return FEdit->WordWrap(); }

void TcxCustomInnerMemoHelper::SetCaretPos(POINT Value) {
  if (!FEdit->HandleAllocated()) return;
  LRESULT start = ::SendMessage(FEdit->Handle(), EM_LINEINDEX, static_cast<WPARAM>(Value.y), 0);
  if (start < 0) return;
  LRESULT pos = start + Value.x;
  ::SendMessage(FEdit->Handle(), EM_SETSEL, static_cast<WPARAM>(pos), pos);
}

void TcxCustomInnerMemoHelper::SetScrollBars(TScrollStyle Value) { FEdit->SetScrollBars(Value); }
void TcxCustomInnerMemoHelper::SetWantReturns(bool Value) { FEdit->SetWantReturns(Value); }
void TcxCustomInnerMemoHelper::SetWantTabs(bool Value) { FEdit->SetWantTabs(Value); }
void TcxCustomInnerMemoHelper::SetWordWrap(bool Value) { FEdit->SetWordWrap(Value); }

// ---- TcxCustomInnerMemo -----------------------------------------------------------------------------------------

TcxCustomInnerMemo::TcxCustomInnerMemo(TComponent* AOwner) : TMemo(AOwner) {}

void TcxCustomInnerMemo::AfterConstruction() {
  FIsCreating = true;
  inherited::AfterConstruction();
  FHelper = New<TcxCustomInnerMemoHelper>(this);
  SetBorderStyle(bsNone);
  if (!ComponentState().Contains(csDesigning)) SetCursor(crIBeam);
  SetParentColor(true);
  SetParentFont(true);
  FEchoMode = eemNormal;
  FIsCreating = false;
}

TcxCustomInnerMemo::~TcxCustomInnerMemo() { FreeAndNil(FHelper); }

int32_t TcxCustomInnerMemo::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (!found && FHelper) found = FHelper->InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}

TcxContainer* TcxCustomInnerMemo::GetControlContainer() { return dynamic_cast<TcxContainer*>(Owner()); }
TcxCustomMemo* TcxCustomInnerMemo::Container() const { return dynamic_cast<TcxCustomMemo*>(Owner()); }

void TcxCustomInnerMemo::LockBounds(bool ALock) {
  if (ALock)
    ++FLockBoundsCount;
  else if (FLockBoundsCount > 0)
    --FLockBoundsCount;
}

int32_t TcxCustomInnerMemo::TextLength() {
  if (!HandleAllocated()) return Utf8Length(Text());
  HWND h = Handle();
  LRESULT lines = ::SendMessage(h, EM_GETLINECOUNT, 0, 0);
  LRESULT last = ::SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(std::max<LRESULT>(lines - 1, 0)), 0);
  if (last < 0) return 0;
  return static_cast<int32_t>(last + ::SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(last), 0));
}

void TcxCustomInnerMemo::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style &= ~(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
  Params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

// A new window takes the text in again through the lines (line breaks become the window's own).
void TcxCustomInnerMemo::CreateWnd() {
  inherited::CreateWnd();
  TcxCustomMemo* memo = Container();
  String text = Text();
  if (!text.empty()) {
    bool saved = std::exchange(FInternalTextSetting, true);
    if (memo) memo->ForgetFollowedText();
    Lines()->SetText(text);
    FInternalTextSetting = saved;
  }
  if (memo) {
    memo->FScrollBarsUpdatePending = false;
    memo->UpdateScrollBars(false);
  }
}

void TcxCustomInnerMemo::CreateHandle() {
  if (TcxContainer* container = GetControlContainer()) container->InvalidateInnerControlBounds();
  inherited::CreateHandle();
}

void TcxCustomInnerMemo::Change() {
  ++FChangeCount;
  inherited::Change();
}

void TcxCustomInnerMemo::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
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

bool TcxCustomInnerMemo::CanFocus() {
  TcxCustomMemo* memo = Container();
  return memo ? memo->CanFocusWithForm() : inherited::CanFocus();
}

void TcxCustomInnerMemo::DoEnter() {
  TObjectLink<TcxCustomInnerMemo> alive(this);
  inherited::DoEnter();
  if (alive && FAutoSelect) SelectAll();
}

// ---- keys ----

void TcxCustomInnerMemo::KeyDown(uint16_t& Key, TShiftState Shift) {
  FKeyConsumed = false;
  if (TcxCustomMemo* memo = Container()) {
    TObjectLink<TcxCustomInnerMemo> alive(this);
    memo->KeyDown(Key, Shift);
    if (!alive) return;
    if (Key == 0) {
      FKeyConsumed = true;
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

void TcxCustomInnerMemo::KeyPress(char32_t& Key) {
  FKeyConsumed = false;
  TcxCustomMemo* memo = Container();
  // Tab is typed only when the memo wants it; otherwise moving the focus is the editor's business.
  if (Key == U'\t' && !(memo && memo->ActiveProperties()->WantTabs())) {
    Key = 0;
    return;
  }
  if (memo) {
    TObjectLink<TcxCustomInnerMemo> alive(this);
    memo->KeyPress(Key);
    if (!alive) return;
    if (Key == 0) {
      FKeyConsumed = true;
      return;
    }
  }
  inherited::KeyPress(Key);
}

void TcxCustomInnerMemo::KeyUp(uint16_t& Key, TShiftState Shift) {
  FKeyConsumed = false;
  TcxCustomMemo* memo = Container();
  if (Key == VK_TAB && !(memo && memo->ActiveProperties()->WantTabs())) {
    Key = 0;
    return;
  }
  if (memo) {
    TObjectLink<TcxCustomInnerMemo> alive(this);
    memo->KeyUp(Key, Shift);
    if (!alive) return;
    if (Key == 0) {
      FKeyConsumed = true;
      return;
    }
  }
  inherited::KeyUp(Key, Shift);
}

// The text is compared by the changes the window reported rather than by a copy, so a key costs the same
// in a memo of a hundred thousand lines as in an empty one.
void TcxCustomInnerMemo::WMKeyDownRouted(TMessage& Message) {
  bool windowBefore = HandleAllocated();
  uint64_t changes = FChangeCount;
  int32_t selStart = windowBefore ? SelStart() : 0;
  int32_t selLength = windowBefore ? SelLength() : 0;
  FKeyConsumed = false;
  TObjectLink<TcxCustomInnerMemo> alive(this);
  inherited::WndProc(Message);
  if (!alive) return;
  TcxCustomMemo* memo = Container();
  if (!memo) return;
  memo->DeferredUpdateScrollBars();
  bool changed = !windowBefore || !HandleAllocated() || changes != FChangeCount || SelStart() != selStart ||
                 SelLength() != selLength;
  uint16_t key = static_cast<uint16_t>(Message.WParam);
  // Up and Down never move the host (a grid) from inside a memo.
  if (!FKeyConsumed && !changed && key != 0 && key != VK_UP && key != VK_DOWN)
    memo->DoAfterKeyDown(key, KeyDataToShiftState(Message.LParam));
}

void TcxCustomInnerMemo::WMClear(TMessage& Message) {
  TcxCustomMemo* memo = Container();
  if (!memo || memo->FInternalAction) {
    inherited::WndProc(Message);
    return;
  }
  Message.Result = 0;
  if (ReadOnly()) return;
  bool saved = memo->KeyboardAction();
  memo->SetKeyboardAction(true);
  TObjectLink<TcxCustomMemo> alive(memo);
  try {
    memo->ClearSelection();
  } catch (...) {
    if (alive) memo->SetKeyboardAction(saved);
    throw;
  }
  if (alive) memo->SetKeyboardAction(saved);
}

void TcxCustomInnerMemo::ClipboardMessage(TMessage& Message) {
  TcxCustomMemo* memo = Container();
  if (!memo) {
    inherited::WndProc(Message);
    return;
  }
  Message.Result = 0;
  bool saved = memo->KeyboardAction();
  memo->SetKeyboardAction(true);
  TObjectLink<TcxCustomMemo> alive(memo);
  try {
    if (Message.Msg == WM_CUT) {
      if (ReadOnly())
        memo->CopyToClipboard();
      else
        memo->CutToClipboard();
    } else if (!ReadOnly()) {
      memo->PasteFromClipboard();
    }
  } catch (...) {
    if (alive) memo->SetKeyboardAction(saved);
    throw;
  }
  if (alive) memo->SetKeyboardAction(saved);
}

// Text set on the window from outside (the lines' whole text): the value follows the window text.
void TcxCustomInnerMemo::WMSetText(TMessage& Message) {
  TObjectLink<TcxCustomInnerMemo> alive(this);
  inherited::WndProc(Message);
  if (!alive) return;
  TcxCustomMemo* memo = Container();
  if (!memo) return;
  memo->ForgetFollowedText();
  if (FInternalTextSetting) return;
  const char* text = reinterpret_cast<const char*>(Message.LParam);
  FInternalTextSetting = true;
  try {
    memo->ApplyEditValue(Variant(String(text ? text : "")));
  } catch (...) {
    if (alive) FInternalTextSetting = false;
    throw;
  }
  if (alive) FInternalTextSetting = false;
}

// The line list inserts its lines here (the report page receives every line this way): line breaks are
// repaired, and the editor's value and change events follow each insertion.
void TcxCustomInnerMemo::EMReplaceSel(TMessage& Message) {
  const char* text = reinterpret_cast<const char*>(Message.LParam);
  String normalized = cxMemoNormalizeLineBreaks(text ? String(text) : String());
  TcxCustomMemo* memo = Container();
  bool appended = false;
  int32_t oldLength = 0;
  if (memo && HandleAllocated()) {
    DWORD a = 0, b = 0;
    ::SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    if (a == b) {
      oldLength = TextLength();
      appended = static_cast<int32_t>(a) == oldLength;
    }
  }
  TMessage inner{Message.Msg, Message.WParam, reinterpret_cast<LPARAM>(normalized.c_str()), 0};
  TObjectLink<TcxCustomInnerMemo> alive(this);
  if (memo) memo->FAppending = appended;
  try {
    inherited::WndProc(inner);
  } catch (...) {
    if (alive && memo) memo->FAppending = false;
    throw;
  }
  Message.Result = inner.Result;
  if (!alive || !memo) return;
  memo->FAppending = false;
  memo->InnerTextReplaced(appended, normalized, oldLength);
}

// The container paints the scroll bars itself: the native ones are hidden while the window paints its
// frame, and only the corner between two bars is filled.
void TcxCustomInnerMemo::WMNCPaint(TMessage& Message) {
  TcxCustomMemo* memo = Container();
  if (!memo || !IsScrollBarInfoAvailable() || !HandleAllocated()) {
    inherited::WndProc(Message);
    return;
  }
  HWND h = Handle();
  LONG style = GetWindowLong(h, GWL_STYLE);
  SetWindowLong(h, GWL_STYLE, style & ~static_cast<LONG>(WS_HSCROLL | WS_VSCROLL));
  try {
    inherited::WndProc(Message);
  } catch (...) {
    SetWindowLong(h, GWL_STYLE, style);
    throw;
  }
  TScrollStyle bars = ScrollBars();
  LONG restored = GetWindowLong(h, GWL_STYLE) & ~static_cast<LONG>(WS_HSCROLL | WS_VSCROLL);
  if (bars == ssHorizontal || bars == ssBoth) restored |= static_cast<LONG>(WS_HSCROLL);
  if (bars == ssVertical || bars == ssBoth) restored |= static_cast<LONG>(WS_VSCROLL);
  SetWindowLong(h, GWL_STYLE, restored);
  if (bars != ssBoth) return;
  SCROLLBARINFO horz{}, vert{};
  horz.cbSize = vert.cbSize = sizeof(SCROLLBARINFO);
  if (!GetScrollBarInfo(h, OBJID_HSCROLL, &horz) || !GetScrollBarInfo(h, OBJID_VSCROLL, &vert)) return;
  auto hidden = [](const SCROLLBARINFO& i) {
    return (i.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) != 0;
  };
  if (hidden(horz) || hidden(vert)) return;
  POINT topLeft = ScreenToClient(POINT{vert.rcScrollBar.left, horz.rcScrollBar.top});
  POINT bottomRight = ScreenToClient(POINT{vert.rcScrollBar.right, horz.rcScrollBar.bottom});
  RECT corner{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  HDC dc = GetWindowDC(h);
  if (!dc) return;
  RECT window{};
  GetWindowRect(h, &window);
  POINT origin = ScreenToClient(POINT{window.left, window.top});
  OffsetRect(&corner, -origin.x, -origin.y);
  FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  ReleaseDC(h, dc);
}

void TcxCustomInnerMemo::UpdateEditScrollBars() {
  if (TcxCustomMemo* memo = Container(); memo && !memo->IsEditDestroying()) memo->UpdateScrollBars(false);
}

void TcxCustomInnerMemo::WndProc(TMessage& Message) {
  TcxCustomMemo* memo = Container();
  if (memo && memo->CheckInnerControlKey(Message)) return;
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (memo && memo->DragMode() == dmAutomatic && !memo->IsDesigning()) {
        memo->BeginDrag(false);
        return;
      }
      break;
    case WM_KEYDOWN:
      WMKeyDownRouted(Message);
      return;
    case WM_CLEAR:
      WMClear(Message);
      return;
    case WM_CUT:
    case WM_PASTE:
      ClipboardMessage(Message);
      return;
    case WM_GETDLGCODE:
      inherited::WndProc(Message);
      if (GetKeyState(VK_CONTROL) >= 0) Message.Result |= DLGC_WANTTAB;
      return;
    case WM_SETFONT:
      inherited::WndProc(Message);
      if (memo && memo->IsInplace() && HandleAllocated()) ::SendMessage(Handle(), EM_SETMARGINS, kMemoMarginFlags, 0);
      return;
    case WM_SETTEXT:
      WMSetText(Message);
      return;
    case EM_REPLACESEL:
      EMReplaceSel(Message);
      return;
    case WM_WINDOWPOSCHANGING:
      inherited::WndProc(Message);
      UpdateEditScrollBars();
      return;
    case WM_WINDOWPOSCHANGED:
      UpdateEditScrollBars();
      inherited::WndProc(Message);
      return;
    case WM_NCPAINT:
      WMNCPaint(Message);
      return;
    case WM_SETFOCUS: {
      TObjectLink<TcxCustomInnerMemo> alive(this);
      inherited::WndProc(Message);
      if (!alive || !memo || ComponentState().Contains(csDestroying)) return;
      if (!memo->HandleAllocated() || reinterpret_cast<HWND>(Message.WParam) != memo->Handle()) memo->FocusChanged();
      return;
    }
    case WM_KILLFOCUS: {
      TObjectLink<TcxCustomInnerMemo> alive(this);
      inherited::WndProc(Message);
      if (!alive || !memo || ComponentState().Contains(csDestroying)) return;
      memo->FocusChanged();
      return;
    }
    case CM_MOUSELEAVE:
      inherited::WndProc(Message);
      if (memo && !memo->IsEditDestroying()) memo->RefreshHotTrackState();
      return;
    default:
      break;
  }
  inherited::WndProc(Message);
}

void TcxCustomInnerMemo::DefaultHandler(TMessage& Message) {
  if (TcxCustomMemo* memo = Container(); memo && memo->HandleInnerControlMessage(Message)) return;
  inherited::DefaultHandler(Message);
}

// ---- mouse ----

void TcxCustomInnerMemo::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerMemo> alive(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (TcxCustomMemo* memo = alive ? Container() : nullptr)
    memo->MouseDownFromInnerControl(Button, Shift, X + Left(), Y + Top());
}

void TcxCustomInnerMemo::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerMemo> alive(this);
  inherited::MouseMove(Shift, X, Y);
  if (TcxCustomMemo* memo = alive ? Container() : nullptr) memo->MouseMove(Shift, X + Left(), Y + Top());
}

void TcxCustomInnerMemo::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerMemo> alive(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (TcxCustomMemo* memo = alive ? Container() : nullptr) memo->MouseUp(Button, Shift, X + Left(), Y + Top());
}

void TcxCustomInnerMemo::Click() {
  TObjectLink<TcxCustomInnerMemo> alive(this);
  inherited::Click();
  if (TcxCustomMemo* memo = alive ? Container() : nullptr) memo->Click();
}

void TcxCustomInnerMemo::DblClick() {
  TObjectLink<TcxCustomInnerMemo> alive(this);
  inherited::DblClick();
  if (TcxCustomMemo* memo = alive ? Container() : nullptr) memo->DblClick();
}

void TcxCustomInnerMemo::DragOver(TObject* Source, int32_t X, int32_t Y, TDragState State, bool& Accept) {
  if (TcxCustomMemo* memo = Container()) memo->DragOver(Source, X + Left(), Y + Top(), State, Accept);
}

void TcxCustomInnerMemo::DragDrop(TObject* Source, int32_t X, int32_t Y) {
  if (TcxCustomMemo* memo = Container()) memo->DragDrop(Source, X + Left(), Y + Top());
}

// The wheel belongs to the editor.
bool TcxCustomInnerMemo::DoMouseWheel(TShiftState, int32_t, POINT) { return false; }

// ---- TcxCustomMemo ----------------------------------------------------------------------------------------------

TcxCustomMemo::TcxCustomMemo(TComponent* AOwner) : TcxCustomTextEdit(AOwner) {}

TClass TcxCustomMemo::GetInnerEditClass() const { return TcxCustomInnerMemo::StaticClass(); }

void TcxCustomMemo::InitializeEdit() {
  inherited::InitializeEdit();
  SetAutoSize(false);
  SetBounds(Left(), Top(), 185, 89);
}

void TcxCustomMemo::InitializeViewData(TcxCustomEditViewData* AViewData) {
  // The memo's scroll bars are its own painted ones, never the view's.
  inherited::InitializeViewData(AViewData);
}

TStrings* TcxCustomMemo::Lines() { return InnerMemo() ? InnerMemo()->GetLines() : nullptr; }

void TcxCustomMemo::SetLines(TStrings* Value) {
  if (TStrings* lines = Lines()) lines->Assign(Value);
}

// The inner memo fills the client rectangle less a pixel on every side.
void TcxCustomMemo::AdjustInnerEditPosition(int32_t) {
  TWinControl* inner = InnerControl();
  TcxCustomEditViewInfo* viewInfo = EditViewInfo();
  if (!inner || !InnerEdit() || !viewInfo) return;
  RECT client = viewInfo->ClientRect;
  RECT bounds{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
  if (bounds.right < bounds.left) bounds.right = bounds.left;
  if (bounds.bottom < bounds.top) bounds.bottom = bounds.top;
  RECT current = inner->BoundsRect();
  if (!EqualRect(&bounds, &current)) inner->SetBoundsRect(bounds);
  AlignControls(inner, client);
}

void TcxCustomMemo::AdjustLayout() {
  inherited::AdjustLayout();
  if (HandleAllocated() && !IsEditDestroying()) AdjustInnerEditPosition(0);
}

void TcxCustomMemo::PropertiesChanged(TObject* Sender) {
  TcxCustomInnerMemo* inner = InnerMemoControl();
  if (!inner) return;
  TcxCustomMemoProperties* properties = ActiveProperties();
  if (inner->ScrollBars() != properties->ScrollBars()) {
    inner->SetScrollBars(properties->ScrollBars());
    // The window class's redraw styles follow the scroll bars: both windows are made anew.
    if (HandleAllocated()) RecreateWnd();
    if (inner->HandleAllocated()) inner->RecreateWnd();
  }
  inner->SetWantReturns(properties->WantReturns());
  inner->SetWantTabs(properties->WantTabs());
  inner->SetWordWrap(properties->WordWrap());
  inherited::PropertiesChanged(Sender);
}

bool TcxCustomMemo::IsLineBreakOrTabKey(uint16_t Key, TShiftState Shift) {
  TcxCustomMemoProperties* properties = ActiveProperties();
  if (Key == VK_RETURN) return properties->WantReturns() || Shift.Contains(ssCtrl);
  if (Key == VK_TAB) return properties->WantTabs();
  return false;
}

bool TcxCustomMemo::IsModifyingKey(uint16_t Key, TShiftState Shift) {
  return inherited::IsModifyingKey(Key, Shift) || IsLineBreakOrTabKey(Key, Shift);
}

bool TcxCustomMemo::IsModifyingChar(char32_t Key) {
  return inherited::IsModifyingChar(Key) ||
         (Key < 0x10000 && IsLineBreakOrTabKey(static_cast<uint16_t>(Key), GetShiftState()));
}

// An in-place memo opened by Enter does not take that Enter as a line break.
bool TcxCustomMemo::SendsActivationKey(char32_t Key) { return Key != U'\r'; }

void TcxCustomMemo::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (IsInplace() && Key == VK_RETURN) {
    bool ctrl = Shift.Contains(ssCtrl);
    bool wantReturns = ActiveProperties()->WantReturns();
    // Enter that makes a line break skips the in-place handling that would end editing.
    if ((wantReturns && !ctrl) || (!wantReturns && ctrl)) {
      DoEditKeyDown(Key, Shift);
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

void TcxCustomMemo::DoEditKeyDown(uint16_t& Key, TShiftState Shift) {
  TObjectLink<TcxCustomMemo> alive(this);
  inherited::DoEditKeyDown(Key, Shift);
  if (!alive || Key == 0) return;
  if (Key == 'A' && Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt)) {
    TcxCustomInnerMemo* inner = InnerMemoControl();
    if (inner && inner->HandleAllocated() && inner->TextLength() > 0) {
      inner->SelectAll();
      DoAfterKeyDown(Key, Shift);
      Key = 0;
    }
  }
}

void TcxCustomMemo::RefreshValueProgrammatically() {
  UpdateLookupFromText();
  RefreshEditValueFromDisplay();
  SetModified(false);
}

void TcxCustomMemo::ClearSelection() {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner || inner->GetSelLength() == 0) return;
  bool keyboard = KeyboardAction();
  if (keyboard && !DoEditing()) return;
  TObjectLink<TcxCustomMemo> alive(this);
  bool saved = std::exchange(FInternalAction, true);
  try {
    inner->ClearSelection();
  } catch (...) {
    if (alive) FInternalAction = saved;
    throw;
  }
  if (!alive) return;
  FInternalAction = saved;
  if (!keyboard) RefreshValueProgrammatically();
}

void TcxCustomMemo::CutToClipboard() {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner || inner->GetSelLength() == 0) return;
  inner->CopyToClipboard();
  ClearSelection();
}

void TcxCustomMemo::SetSelText(const String& Value) {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner) return;
  String text = Value;
  bool keyboard = KeyboardAction();
  int32_t maxLength = ActiveProperties()->MaxLength();
  if (keyboard && maxLength > 0) {
    // Only what fits before the limit is inserted; the text after the selection is left as it is.
    String all = DisplayText();
    int32_t before = std::min(inner->GetSelStart(), Utf8Length(all));
    int32_t room = maxLength - before;
    int32_t length = Utf8Length(text);
    if (before + length > maxLength) {
      if (room <= 0) return;
      text = text.substr(0, Utf8ByteOffset(text, room));
    }
  }
  if (text.empty()) return;
  if (keyboard && !DoEditing()) return;
  TObjectLink<TcxCustomMemo> alive(this);
  inner->SetSelText(text);
  if (alive && !keyboard) RefreshValueProgrammatically();
}

void TcxCustomMemo::InnerEditChanged(TObject* Sender) {
  // A change that did not come through the line list leaves the value behind the text.
  if (!FAppending) ForgetFollowedText();
  TObjectLink<TcxCustomMemo> alive(this);
  inherited::InnerEditChanged(Sender);
  if (alive) DeferredUpdateScrollBars();
}

void TcxCustomMemo::RefreshEditValueFromDisplay() {
  inherited::RefreshEditValueFromDisplay();
  FollowText();
}

void TcxCustomMemo::AssignEditValue(const Variant& Value) {
  ForgetFollowedText();
  inherited::AssignEditValue(Value);
}

bool TcxCustomMemo::ValueFollowsText(int32_t ATextLength) const {
  return FValueFollowsText && FEditValue.VType() == varString && FEditValue.RawData().p == FFollowedValue &&
         static_cast<const String*>(FEditValue.RawData().p)->size() == FFollowedSize && ATextLength == FFollowedLength;
}

// Just taken from the text, the value is the text itself.
void TcxCustomMemo::FollowText() {
  TcxCustomInnerMemo* inner = InnerMemoControl();
  FValueFollowsText = inner && inner->HandleAllocated() && FEditValue.VType() == varString;
  if (!FValueFollowsText) return;
  FFollowedValue = FEditValue.RawData().p;
  FFollowedSize = static_cast<const String*>(FFollowedValue)->size();
  FFollowedLength = inner->TextLength();
}

// The value follows every insertion. An insertion at the end of a text the value already holds only
// extends the value: a report of a hundred thousand lines costs no more per line than one of ten.
void TcxCustomMemo::InnerTextReplaced(bool AAppended, const String& AInserted, int32_t AOldLength) {
  TcxCustomInnerMemo* inner = InnerMemoControl();
  if (AAppended && inner && ValueFollowsText(AOldLength) &&
      inner->TextLength() == AOldLength + Utf8Length(AInserted)) {
    TcxCustomEditProperties* properties = GetActiveProperties();
    bool changed = properties->CanCompareEditValues() && !AInserted.empty();
    auto* value = static_cast<String*>(FEditValue.RawData().p);
    value->append(AInserted);
    FFollowedSize = value->size();
    FFollowedLength = AOldLength + Utf8Length(AInserted);
    if (KeyboardAction())
      SetModifiedAfterEnter(true);
    else
      SetModified(false);
    if (!changed) return;
    NotifyEditValueChanged();
    if (!properties->FiresOwnChangeEvent()) NotifyChange();
    return;
  }
  RefreshEditValueFromDisplay();
}

void TcxCustomMemo::ReadState(TReader* Reader) {
  inherited::ReadState(Reader);
  TStrings* lines = Lines();
  if (lines && lines->Count() > 0) {
    Variant value;
    DisplayToEditValue(Variant(lines->Text()), value);
    FEditValue = value;
    ForgetFollowedText();
  }
}

void TcxCustomMemo::FontChanged() {
  inherited::FontChanged();
  UpdateScrollBars(false);
}

void TcxCustomMemo::Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) {
  TcxCustomInnerMemo* inner = InnerMemoControl();
  if (!inner || !inner->HandleAllocated()) return;
  HWND h = inner->Handle();
  IcxInnerTextEdit* innerEdit = GetInnerTextEdit();
  if (AKind == sbVertical) {
    if (ACode == scLineUp || ACode == scLineDown) {
      ::SendMessage(h, EM_LINESCROLL, 0, ACode == scLineUp ? -1 : 1);
    } else if (innerEdit) {
      HWND bar = VScrollBar() && VScrollBar()->HandleAllocated() ? VScrollBar()->Handle() : nullptr;
      innerEdit->CallDefWndProc(WM_VSCROLL, (static_cast<WPARAM>(APos) << 16) | static_cast<WPARAM>(ACode),
                                reinterpret_cast<LPARAM>(bar));
    }
    APos = GetScrollPos(h, SB_VERT);
  } else if (innerEdit) {
    HWND bar = HScrollBar() && HScrollBar()->HandleAllocated() ? HScrollBar()->Handle() : nullptr;
    innerEdit->CallDefWndProc(WM_HSCROLL, (static_cast<WPARAM>(APos) << 16) | static_cast<WPARAM>(ACode),
                              reinterpret_cast<LPARAM>(bar));
    APos = GetScrollPos(h, SB_HORZ);
  }
  UpdateScrollBars(false);
}

void TcxCustomMemo::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.WindowClass.style &= ~CS_VREDRAW;
  TcxCustomMemoProperties* properties = ActiveProperties();
  TScrollStyle bars = properties->ScrollBars();
  if (bars == ssHorizontal || bars == ssBoth || !properties->WordWrap()) Params.WindowClass.style &= ~CS_HREDRAW;
}

void TcxCustomMemo::DeferredUpdateScrollBars() {
  if (IsEditDestroying() || FScrollBarsUpdatePending) return;
  TcxCustomInnerMemo* inner = InnerMemoControl();
  if (!inner || !HandleAllocated()) return;
  FScrollBarsUpdatePending = true;
  ::PostMessage(Handle(), CM_MEMOUPDATESCROLLBARS, 0, 0);
}

void TcxCustomMemo::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MEMOUPDATESCROLLBARS:
      FScrollBarsUpdatePending = false;
      UpdateScrollBars(false);
      return;
    case WM_COMMAND: {
      WORD code = HIWORD(static_cast<uintptr_t>(Message.WParam));
      TcxCustomInnerMemo* inner = InnerMemoControl();
      if ((code == EN_HSCROLL || code == EN_VSCROLL) && inner && inner->HandleAllocated() &&
          reinterpret_cast<HWND>(Message.LParam) == inner->Handle()) {
        TObjectLink<TcxCustomMemo> alive(this);
        inherited::WndProc(Message);
        if (alive) UpdateScrollBars(false);
        return;
      }
      break;
    }
    default:
      break;
  }
  TObjectLink<TcxCustomMemo> alive(this);
  inherited::WndProc(Message);
  if (!alive) return;
  if (Message.Msg == WM_WINDOWPOSCHANGED || Message.Msg == WM_NCCALCSIZE || Message.Msg == kMemoControlNotification)
    DeferredUpdateScrollBars();
}

// ---- TcxMemo ----------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxMemo) {
  prop("Lines", &TcxMemo::Lines, &TcxMemo::SetLines);
  prop("Properties", &TcxMemo::Properties, &TcxMemo::SetProperties);
  prop("Style", &TcxMemo::Style, &TcxMemo::SetStyle);
  prop("StyleDisabled", &TcxMemo::StyleDisabled, &TcxMemo::SetStyleDisabled);
  prop("StyleFocused", &TcxMemo::StyleFocused, &TcxMemo::SetStyleFocused);
  prop("StyleHot", &TcxMemo::StyleHot, &TcxMemo::SetStyleHot);
  event("OnEditing", &TcxMemo::OnEditing, &TcxMemo::OnEditing);
}

// ---- registration -------------------------------------------------------------------------------------------

void cxMemoInitialize() {
  GetRegisteredEditProperties()->Register(TcxMemoProperties::StaticClass(), cxSEditRepositoryMemoItem);
  RegisterClasses({TcxMemo::StaticClass()});
}
