// The masked editor: its mask modes, properties and control. In the regular-expression modes the automaton
// always stands after the head (the text before the caret); the tail (the text after it) must still fit
// whenever the head changes.

#include "ui/editors/cxMaskEdit.h"

#include <algorithm>
#include <utility>

#include "rtl/ClassRegistry.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxControls.h"
#include "ui/editors/cxEditConsts.h"

namespace {

bool MaskEditClipboardText(HWND AOwner, String& AText) {
  if (!IsClipboardFormatAvailable(CF_TEXT)) return false;
  if (!OpenClipboard(AOwner)) return false;
  bool found = false;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    auto g = reinterpret_cast<HGLOBAL>(h);
    if (auto* p = static_cast<const char*>(GlobalLock(g))) {
      AText.assign(p, strnlen(p, GlobalSize(g)));
      GlobalUnlock(g);
      found = true;
    }
  }
  CloseClipboard();
  return found;
}

}  // namespace

// ---- TcxMaskEditCustomMode ------------------------------------------------------------------------------------

TcxMaskEditCustomMode::TcxMaskEditCustomMode(TcxCustomMaskEdit* AEdit, TcxCustomMaskEditProperties* AProperties)
    : FEdit(AEdit), FProperties(AProperties) {}

TcxCustomMaskEdit* TcxMaskEditCustomMode::Edit() const {
  return FEdit && !FEdit->ComponentState().Contains(csDestroying) ? FEdit : nullptr;
}

TcxCustomMaskEditProperties* TcxMaskEditCustomMode::GetActiveProperties() {
  if (TcxCustomMaskEdit* edit = Edit()) return edit->ActiveProperties();
  return FProperties;
}

String TcxMaskEditCustomMode::EditText() {
  TcxCustomMaskEdit* edit = Edit();
  return edit ? edit->InnerText() : String();
}

int32_t TcxMaskEditCustomMode::SelStart() {
  TcxCustomMaskEdit* edit = Edit();
  IcxInnerTextEdit* inner = edit ? edit->GetInnerTextEdit() : nullptr;
  return inner ? inner->GetSelStart() : 0;
}

int32_t TcxMaskEditCustomMode::SelLength() {
  TcxCustomMaskEdit* edit = Edit();
  IcxInnerTextEdit* inner = edit ? edit->GetInnerTextEdit() : nullptr;
  return inner ? inner->GetSelLength() : 0;
}

// Straight to the inner edit: going through the editor would call AdjustCursorPosition again.
void TcxMaskEditCustomMode::SetSelection(int32_t AStart, int32_t ALength) {
  TcxCustomMaskEdit* edit = Edit();
  IcxInnerTextEdit* inner = edit ? edit->GetInnerTextEdit() : nullptr;
  if (!inner) return;
  inner->SetSelStart(std::max(AStart, 0));
  inner->SetSelLength(std::max(ALength, 0));
}

bool TcxMaskEditCustomMode::ShiftHeld() {
  TcxCustomMaskEdit* edit = Edit();
  return edit && edit->ShiftHeld();
}

void TcxMaskEditCustomMode::Beep() {
  if (GetActiveProperties()->BeepOnError()) MessageBeep(0);
}

void TcxMaskEditCustomMode::UpdateEditValue() {
  TcxCustomMaskEdit* edit = Edit();
  if (!edit) return;
  String text;
  if (edit->ModifiedAfterEnter()) {
    text = GetFormattedText(edit->InnerText());
  } else {
    Variant display;
    GetActiveProperties()->ConvertToDisplayValue(edit->EditValue(), display, edit->IsEditFocused());
    text = VarToStr(display);
  }
  edit->SetInnerText(text);
}

// ---- TcxMaskEditStandardMode ----------------------------------------------------------------------------------

bool TcxMaskEditStandardMode::IsLiteralAt(int32_t APosition) const {
  if (APosition < 0 || APosition >= FMaskObject.Count()) return false;
  return dynamic_cast<const TcxStandardMaskLiteralItem*>(FMaskObject.Item(APosition)) != nullptr;
}

bool TcxMaskEditStandardMode::IsPlaceAt(int32_t APosition) const {
  return APosition >= 0 && APosition < FMaskObject.Count() && !IsLiteralAt(APosition);
}

void TcxMaskEditStandardMode::CompileMask(const String& AMask) {
  FMask = AMask;
  FMaskObject.SetMask(TcxCustomMaskEditProperties::IsMaskBlank(AMask) ? String() : AMask);
  if (!HasEdit()) FNeedUpdateEditValue = true;
}

void TcxMaskEditStandardMode::ApplyPendingEditValue() {
  if (!FNeedUpdateEditValue) return;
  FNeedUpdateEditValue = false;
  if (TcxCustomMaskEdit* edit = Edit()) edit->SetEditValue(Variant(FMaskObject.GetEmptyText()));
}

void TcxMaskEditStandardMode::UpdateEditValue() {
  TcxMaskEditCustomMode::UpdateEditValue();
  AdjustCursorPosition();
}

String TcxMaskEditStandardMode::GetFormattedText(const String& AText) {
  String text = AText;
  FMaskObject.Format(text, true);
  return text;
}

String TcxMaskEditStandardMode::GetDisplayTextWithoutBlanks(const String& AText) {
  String text = AText;
  if (FMaskObject.Count() > 0) {
    FMaskObject.Format(text, GetActiveProperties()->CharCase() == ecNormal);
    FMaskObject.StripBlanks(text);
  }
  return text;
}

bool TcxMaskEditStandardMode::IsTextValid(const String& AText) {
  String text = AText;
  if (FMaskObject.IsComplete(text)) return true;
  if (!GetActiveProperties()->IgnoreMaskBlank()) return false;
  return AText == GetFormattedText(String()) || AText == FMaskObject.GetEmptyText() || AText.empty();
}

void TcxMaskEditStandardMode::AdjustCursorPosition() {
  TcxCustomMaskEdit* edit = Edit();
  if (!edit || !edit->HandleAllocated() || !edit->IsMasked()) return;
  if (SelLength() != 0) return;
  int32_t start = SelStart();
  if (start < Utf8Length(EditText())) SetSelection(start, 1);
}

bool TcxMaskEditStandardMode::IsCursorAtMaskStart() {
  int32_t firstPlace = 0;
  while (firstPlace < Length() && IsLiteralAt(firstPlace)) ++firstPlace;
  TcxCustomMaskEdit* edit = Edit();
  if (SelStart() <= firstPlace && SelLength() <= 1) return true;
  return edit && edit->GetCaretCharIndex() == SelStart();
}

bool TcxMaskEditStandardMode::IsCursorAtMaskEnd() { return SelStart() == Utf8Length(EditText()); }

bool TcxMaskEditStandardMode::PressSymbol(char32_t& AChar) {
  TcxCustomMaskEdit* edit = Edit();
  if (!edit) return false;
  int32_t length = Utf8Length(EditText());
  int32_t position = SelStart();
  if (length == 0 || position >= length || position >= Length()) return false;
  if (IsLiteralAt(position)) {
    if (SelLength() > 1) PressDelete();
    bool shift = edit->ShiftHeld();
    edit->SetShiftHeld(false);
    PressRight();
    edit->SetShiftHeld(shift);
    if (SelStart() != position) return PressSymbol(AChar);
    return false;
  }
  char32_t c = AChar;
  if (!FMaskObject.Item(position)->Check(c)) return false;
  if (!edit->GetFlag233(c, position + 1)) return false;
  if (c == 0) {
    Beep();
    return false;
  }
  if (SelLength() > 1) PressDelete();
  SetSelection(position, 1);
  if (IcxInnerTextEdit* inner = edit->GetInnerTextEdit()) inner->SetSelText(Utf8FromCodePoint(c));
  SetSelection(position, 1);
  PressRight();
  return false;
}

bool TcxMaskEditStandardMode::PressDelete() {
  TcxCustomMaskEdit* edit = Edit();
  IcxInnerTextEdit* inner = edit ? edit->GetInnerTextEdit() : nullptr;
  if (!inner) return false;
  int32_t start = SelStart(), length = SelLength();
  std::u32string text = Utf8ToCodePoints(EditText());
  int32_t end = std::min<int32_t>(start + length, static_cast<int32_t>(text.size()));
  if (end <= start) return false;
  std::u32string part = text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
  bool changed = false;
  for (int32_t i = start; i < end; ++i)
    if (IsPlaceAt(i) && part[static_cast<size_t>(i - start)] != GetBlankChar()) {
      part[static_cast<size_t>(i - start)] = GetBlankChar();
      changed = true;
    }
  if (changed) {
    SetSelection(start, end - start);
    inner->SetSelText(Utf8FromCodePoints(part));
  }
  SetSelection(start, 0);
  AdjustCursorPosition();
  return false;
}

bool TcxMaskEditStandardMode::PressBackspace() {
  if (SelLength() <= 1) PressLeft();
  return PressDelete();
}

bool TcxMaskEditStandardMode::PressLeft() {
  TcxCustomMaskEdit* edit = Edit();
  if (!edit) return false;
  int32_t start = SelStart(), length = SelLength();
  if (edit->ShiftHeld()) {
    if (length == 1) {
      SetSelection(start + 1, 0);
      edit->PostKeyToInner(VK_LEFT);
      edit->PostKeyToInner(VK_LEFT);
    }
    return true;
  }
  int32_t position = start;
  if (length >= 2) {
    while (position < Length() && IsLiteralAt(position)) ++position;
  } else {
    int32_t p = start - 1;
    while (p >= 0 && IsLiteralAt(p)) --p;
    if (p >= 0) position = p;
  }
  SetSelection(position, 0);
  AdjustCursorPosition();
  return false;
}

bool TcxMaskEditStandardMode::PressRight() {
  TcxCustomMaskEdit* edit = Edit();
  if (!edit) return false;
  int32_t start = SelStart(), length = SelLength();
  int32_t textLength = Utf8Length(EditText());
  if (edit->ShiftHeld()) {
    if (length == 1 && start == edit->GetCaretCharIndex()) SetSelection(start, 0);
    return true;
  }
  int32_t position = start;
  if (length <= 1) {
    int32_t p = start + 1;
    while (p < textLength && IsLiteralAt(p)) ++p;
    if (p <= textLength) position = p;
  } else if (start + length >= textLength) {
    position = textLength;
  } else {
    position = start + length - 1;
    while (position > start && IsLiteralAt(position)) --position;
  }
  SetSelection(position, 0);
  AdjustCursorPosition();
  return false;
}

bool TcxMaskEditStandardMode::PressHome() {
  if (ShiftHeld()) return true;
  SetSelection(0, 0);
  if (IsLiteralAt(0))
    PressRight();
  else
    AdjustCursorPosition();
  return false;
}

bool TcxMaskEditStandardMode::PressEnd() {
  if (ShiftHeld()) return true;
  SetSelection(Utf8Length(EditText()), 0);
  return false;
}

void TcxMaskEditStandardMode::BeforeTextInsertion() {
  FCaretBeforePaste = SelStart();
  SetSelection(FCaretBeforePaste, FClipboardTextLength);
}

void TcxMaskEditStandardMode::AfterPasting() {
  int32_t last = Utf8Length(EditText()) - 1;
  int32_t position = std::max(std::min(FCaretBeforePaste + FClipboardTextLength, last), 0);
  SetSelection(position, 0);
  if (IsLiteralAt(position))
    PressRight();
  else
    AdjustCursorPosition();
}

// ---- TcxMaskEditRegExprMode -------------------------------------------------------------------------------------

TcxMaskEditRegExprMode::TcxMaskEditRegExprMode(TcxCustomMaskEdit* AEdit, TcxCustomMaskEditProperties* AProperties)
    : TcxMaskEditCustomMode(AEdit, AProperties) {
  FRegExpr.SetCaseInsensitive(GetActiveProperties()->CaseInsensitive());
}

void TcxMaskEditRegExprMode::CompileMask(const String& AMask) {
  FMask = AMask;
  FHead.clear();
  FTail.clear();
  FSelection.clear();
  if (TcxCustomMaskEditProperties::IsMaskBlank(AMask)) {
    FRegExpr.Clear();
    return;
  }
  try {
    FRegExpr.Compile(AMask);
  } catch (const EcxRegExprError& e) {
    String message = TranslateString(cxSMaskEditRegExprError);
    const TcxRegExprErrors& errors = FRegExpr.Errors();
    for (int32_t i = 0; i < errors.Count(); ++i) message += "\r\n" + errors.Item(i).Formatted();
    FRegExpr.Clear();
    throw EcxMaskEditError(message);
  }
}

void TcxMaskEditRegExprMode::SyncTo(int32_t ACount) {
  FHead.clear();
  FTail = Utf8ToCodePoints(EditText());
  FSelection.clear();
  if (!Compiled()) return;
  FRegExpr.Reset();
  TailToHead(std::min<int32_t>(ACount, static_cast<int32_t>(FTail.size())));
}

void TcxMaskEditRegExprMode::HeadToTail(int32_t ACount) {
  for (int32_t i = 0; i < ACount && !FHead.empty(); ++i) {
    if (Compiled()) FRegExpr.Prev();
    FTail.insert(FTail.begin(), FHead.back());
    FHead.pop_back();
  }
}

void TcxMaskEditRegExprMode::TailToHead(int32_t ACount) {
  for (int32_t i = 0; i < ACount && !FTail.empty(); ++i) {
    char32_t c = FTail.front();
    if (Compiled()) FRegExpr.Next(c);
    FHead.push_back(FTail.front());
    FTail.erase(FTail.begin());
  }
}

void TcxMaskEditRegExprMode::Synchronize() {
  TcxCustomMaskEdit* edit = Edit();
  if (!edit) return;
  String text = EditText();
  if (!(FMouseAction || (FHead.empty() && FTail.empty() && !text.empty()))) return;
  FMouseAction = false;
  SyncTo(edit->GetCaretCharIndex());
}

void TcxMaskEditRegExprMode::DeleteSelection() {
  FSelection.clear();
  int32_t start = SelStart(), length = SelLength();
  if (length <= 0) return;
  int32_t head = static_cast<int32_t>(FHead.size());
  if (start != head && start + length != head) {
    // The model lost the caret (a programmatic selection): stand at the selection's start.
    SyncTo(start);
    head = static_cast<int32_t>(FHead.size());
  }
  if (start == head) {
    length = std::min<int32_t>(length, static_cast<int32_t>(FTail.size()));
    FSelection = FTail.substr(0, static_cast<size_t>(length));
    FTail.erase(0, static_cast<size_t>(length));
    FSelectionAtStart = true;
  } else {
    length = std::min(length, head);
    FSelection = FHead.substr(static_cast<size_t>(head - length));
    FHead.erase(static_cast<size_t>(head - length));
    if (Compiled())
      for (int32_t i = 0; i < length; ++i) FRegExpr.Prev();
    FSelectionAtStart = false;
  }
}

void TcxMaskEditRegExprMode::RestoreSelection() {
  if (FSelectionAtStart) {
    FTail.insert(0, FSelection);
  } else {
    for (char32_t c : FSelection) {
      char32_t d = c;
      if (Compiled()) FRegExpr.Next(d);
      FHead.push_back(c);
    }
  }
  FSelection.clear();
}

bool TcxMaskEditRegExprMode::CheckTail() {
  if (!Compiled()) return true;
  int32_t fed = 0;
  bool fits = true;
  for (char32_t c : FTail) {
    char32_t d = c;
    if (!FRegExpr.Next(d)) {
      fits = false;
      break;
    }
    ++fed;
  }
  for (int32_t i = 0; i < fed; ++i) FRegExpr.Prev();
  return fits;
}

void TcxMaskEditRegExprMode::DropTail() {
  FTail.clear();
  TcxCustomMaskEdit* edit = Edit();
  IcxInnerTextEdit* inner = edit ? edit->GetInnerTextEdit() : nullptr;
  if (!inner) return;
  int32_t start = SelStart(), length = SelLength();
  int32_t from = start + length;
  int32_t textLength = Utf8Length(EditText());
  if (from >= textLength) return;
  SetSelection(from, textLength - from);
  inner->SetSelText(String());
  SetSelection(start, length);
}

bool TcxMaskEditRegExprMode::PressSymbol(char32_t& AChar) {
  if (!Compiled()) return true;
  Synchronize();
  bool hadSelection = SelLength() > 0;
  DeleteSelection();
  char32_t c = AChar;
  if (!FRegExpr.Next(c)) {
    RestoreSelection();
    Beep();
    return false;
  }
  AChar = c;
  FHead.push_back(c);
  if (CheckTail()) return true;
  // What follows the caret would no longer fit: the character goes in and the rest is dropped.
  TcxCustomMaskEdit* edit = Edit();
  if (hadSelection && edit) {
    edit->PostKeyToInner(VK_DELETE);
    Beep();
  }
  if (edit) edit->PostCharToInner(c);
  DropTail();
  return false;
}

bool TcxMaskEditRegExprMode::PressBackspace() {
  if (!Compiled()) return true;
  Synchronize();
  TcxCustomMaskEdit* edit = Edit();
  if (SelLength() > 0) {
    DeleteSelection();
    if (CheckTail()) return true;
    if (edit) edit->PostCharToInner(8);
    DropTail();
    Beep();
    return false;
  }
  if (FHead.empty()) return true;
  FRegExpr.Prev();
  FHead.pop_back();
  if (!CheckTail()) DropTail();
  return true;
}

bool TcxMaskEditRegExprMode::PressDelete() {
  if (!Compiled()) return true;
  Synchronize();
  TcxCustomMaskEdit* edit = Edit();
  if (SelLength() > 0) {
    DeleteSelection();
    if (CheckTail()) return true;
    if (edit) edit->PostKeyToInner(VK_DELETE);
    DropTail();
    Beep();
    return false;
  }
  if (FTail.empty()) return true;
  FTail.erase(FTail.begin());
  if (!CheckTail()) {
    // Everything after the caret goes; the key then has nothing left to delete.
    DropTail();
  }
  return true;
}

bool TcxMaskEditRegExprMode::PressHome() {
  if (!Compiled()) return true;
  Synchronize();
  FTail = FHead + FTail;
  FHead.clear();
  FRegExpr.Reset();
  return true;
}

bool TcxMaskEditRegExprMode::PressEnd() {
  if (!Compiled()) return true;
  Synchronize();
  TailToHead(static_cast<int32_t>(FTail.size()));
  return true;
}

void TcxMaskEditRegExprMode::HandleDblClick() {
  if (!Compiled()) return;
  FMouseAction = true;
  PressEnd();
}

bool TcxMaskEditRegExprMode::PressLeft() {
  if (!Compiled()) return true;
  Synchronize();
  int32_t length = SelLength();
  TcxCustomMaskEdit* edit = Edit();
  if (length > 0 && !ShiftHeld()) {
    int32_t start = SelStart();
    if (edit && edit->GetCaretCharIndex() == start + length) HeadToTail(length);
    return true;
  }
  HeadToTail(1);
  return true;
}

bool TcxMaskEditRegExprMode::PressRight() {
  if (!Compiled()) return true;
  Synchronize();
  int32_t length = SelLength();
  TcxCustomMaskEdit* edit = Edit();
  if (length > 0 && !ShiftHeld()) {
    int32_t start = SelStart();
    if (edit && edit->GetCaretCharIndex() == start) TailToHead(length);
    return true;
  }
  TailToHead(1);
  return true;
}

bool TcxMaskEditRegExprMode::MatchesWholeText(const String& AText) {
  TcxRegExpr engine;
  engine.SetCaseInsensitive(GetActiveProperties()->CaseInsensitive());
  try {
    engine.Compile(FRegExpr.GetSource());
  } catch (const EcxRegExprError&) {
    return false;
  }
  for (char32_t c : Utf8ToCodePoints(AText))
    if (!engine.Next(c)) return false;
  return GetActiveProperties()->IgnoreMaskBlank() || engine.Accepting();
}

bool TcxMaskEditRegExprMode::IsTextValid(const String& AText) {
  if (AText.empty()) return true;
  if (!Compiled()) return false;
  return MatchesWholeText(AText);
}

String TcxMaskEditRegExprMode::GetFormattedText(const String& AText) {
  if (!Compiled()) return AText;
  FRegExpr.Reset();
  String text = FRegExpr.NextText(AText);
  // The automaton no longer stands after the head: the next key re-synchronises.
  FRegExpr.Reset();
  FHead.clear();
  FTail.clear();
  FMouseAction = true;
  return text;
}

void TcxMaskEditRegExprMode::TextAssigned(const String& AText) {
  if (!Compiled()) return;
  FSelection.clear();
  if (FClipboardTextLength > 0) {
    int32_t count = FPasteStart + FClipboardTextLength;
    FClipboardTextLength = 0;
    FHead.clear();
    FTail = Utf8ToCodePoints(AText);
    FRegExpr.Reset();
    TailToHead(count);
    return;
  }
  FHead.clear();
  FTail = Utf8ToCodePoints(AText);
  FRegExpr.Reset();
  // Where the caret stands in the new text is the inner edit's business: look at it on the next key.
  FMouseAction = true;
}

void TcxMaskEditRegExprMode::UpdateEditValue() {
  TcxMaskEditCustomMode::UpdateEditValue();
  if (!Compiled()) return;
  String text = EditText();
  SetSelection(Utf8Length(text), 0);
  FRegExpr.Reset();
  FHead = Utf8ToCodePoints(text);
  FRegExpr.NextText(text);
  FTail.clear();
  FMouseAction = false;
}

// ---- TcxMaskEditRegExprExMode -----------------------------------------------------------------------------------

TcxMaskEditRegExprExMode::TcxMaskEditRegExprExMode(TcxCustomMaskEdit* AEdit, TcxCustomMaskEditProperties* AProperties)
    : TcxMaskEditRegExprMode(AEdit, AProperties) {
  FRegExpr.OnAutoInsert = Event<char32_t>(this, &TcxMaskEditRegExprExMode::AutoInsert);
  FRegExpr.OnAutoRemove = Event<>(this, &TcxMaskEditRegExprExMode::AutoRemove);
  FRegExpr.SetUpdatesEnabled(true);
}

void TcxMaskEditRegExprExMode::CompileMask(const String& AMask) {
  Clear();
  TcxMaskEditRegExprMode::CompileMask(AMask);
  FBlankLiterals = Utf8FromCodePoints(FInserted);
  if (!HasEdit()) FNeedUpdateEditValue = true;
}

void TcxMaskEditRegExprExMode::ApplyPendingEditValue() {
  if (!FNeedUpdateEditValue) return;
  FNeedUpdateEditValue = false;
  if (TcxCustomMaskEdit* edit = Edit()) edit->SetEditValue(Variant(FBlankLiterals));
}

std::u32string TcxMaskEditRegExprExMode::ToggleInsertion() {
  Clear();
  FRegExpr.SetUpdateOn(false);
  FRegExpr.SetUpdateOn(true);
  std::u32string inserted = FInserted;
  Clear();
  return inserted;
}

String TcxMaskEditRegExprExMode::GetBlankText() {
  if (!Compiled()) return String();
  TcxRegExpr engine;
  String literals;
  engine.OnAutoInsert = [&literals](char32_t c) { literals += Utf8FromCodePoint(c); };
  engine.SetCaseInsensitive(GetActiveProperties()->CaseInsensitive());
  engine.SetUpdateOn(true);
  try {
    engine.Compile(FRegExpr.GetSource());
  } catch (const EcxRegExprError&) {
    return String();
  }
  return literals;
}

int32_t TcxMaskEditRegExprExMode::LeadingLength() { return Utf8Length(GetBlankText()); }

String TcxMaskEditRegExprExMode::GetFormattedText(const String& AText) {
  if (!Compiled()) return AText;
  FRegExpr.SetUpdateOn(false);
  FRegExpr.Reset();
  String text = FRegExpr.NextText(AText);
  Clear();
  FRegExpr.SetUpdateOn(true);
  text += Utf8FromCodePoints(FInserted);
  Clear();
  FRegExpr.Reset();
  FHead.clear();
  FTail.clear();
  FMouseAction = true;
  return text;
}

bool TcxMaskEditRegExprExMode::IsTextValid(const String& AText) {
  if (!Compiled()) return false;
  if (AText == GetBlankText()) return true;
  return MatchesWholeText(AText);
}

void TcxMaskEditRegExprExMode::TextAssigned(const String& AText) {
  if (!Compiled()) return;
  FSelection.clear();
  FRegExpr.SetUpdateOn(false);
  FRegExpr.Reset();
  FRegExpr.NextText(AText);
  Clear();
  FRegExpr.SetUpdateOn(true);
  FHead = Utf8ToCodePoints(AText) + FInserted;
  FTail.clear();
  Clear();
  FMouseAction = true;
  if (HasEdit()) Synchronize();
}

// Forward steps carry the literals the engine inserts after a character; a step that passes the
// selection start is taken back, so the caret never stands inside a run of literals.
void TcxMaskEditRegExprExMode::Synchronize() {
  TcxCustomMaskEdit* edit = Edit();
  if (!edit || !Compiled()) return;
  String text = EditText();
  if (!(FMouseAction || (FHead.empty() && FTail.empty() && !text.empty()))) return;
  FMouseAction = false;
  int32_t start = SelStart(), length = SelLength();
  FHead.clear();
  FTail = Utf8ToCodePoints(text);
  FSelection.clear();
  FRegExpr.Reset();
  std::u32string leading = ToggleInsertion();
  if (FTail.compare(0, leading.size(), leading) == 0) {
    FHead = leading;
    FTail.erase(0, leading.size());
  } else {
    FRegExpr.Reset();
  }
  auto stepForward = [&]() -> bool {
    if (FTail.empty()) return false;
    Clear();
    char32_t c = FTail.front();
    if (!FRegExpr.Next(c)) {
      Clear();
      return false;
    }
    FHead.push_back(FTail.front());
    FTail.erase(FTail.begin());
    std::u32string inserted = FInserted;
    Clear();
    size_t carried = 0;
    while (carried < inserted.size() && !FTail.empty() && FTail.front() == inserted[carried]) {
      FHead.push_back(FTail.front());
      FTail.erase(FTail.begin());
      ++carried;
    }
    return true;
  };
  while (static_cast<int32_t>(FHead.size()) < start) {
    size_t before = FHead.size();
    if (!stepForward()) break;
    if (static_cast<int32_t>(FHead.size()) > start && static_cast<int32_t>(before) >= static_cast<int32_t>(leading.size())) {
      // Overshot into a run of literals: step back over the character and its literals.
      Clear();
      FRegExpr.Prev();
      std::u32string back = FHead.substr(before);
      FHead.erase(before);
      FTail.insert(0, back);
      Clear();
      break;
    }
  }
  int32_t head = static_cast<int32_t>(FHead.size());
  if (length > 0) {
    int32_t selectionStart = std::min(start, head);
    while (static_cast<int32_t>(FHead.size()) < start + length)
      if (!stepForward()) break;
    SetSelection(selectionStart, static_cast<int32_t>(FHead.size()) - selectionStart);
    // The automaton stands at the selection's end: the caret goes there too.
  } else if (head != start) {
    SetSelection(head, 0);
  }
}

void TcxMaskEditRegExprExMode::SkipLeadingLiterals() {
  int32_t leading = LeadingLength();
  if (leading == 0) return;
  int32_t start = SelStart(), length = SelLength();
  if (start >= leading) return;
  int32_t end = std::max(start + length, leading);
  FMouseAction = true;
  SetSelection(leading, end - leading);
  Synchronize();
}

void TcxMaskEditRegExprExMode::PostText(const std::u32string& AText) {
  TcxCustomMaskEdit* edit = Edit();
  if (!edit) return;
  for (char32_t c : AText) edit->PostCharToInner(c);
}

void TcxMaskEditRegExprExMode::AppendLiterals(const std::u32string& ALiterals) {
  if (ALiterals.empty()) return;
  int32_t start = SelStart(), length = SelLength();
  SetSelection(Utf8Length(EditText()), 0);
  PostText(ALiterals);
  SetSelection(start, length);
}

void TcxMaskEditRegExprExMode::FeedTail() {
  FRegExpr.SetUpdateOn(false);
  int32_t fed = 0;
  bool fits = true;
  for (char32_t c : FTail) {
    char32_t d = c;
    if (!FRegExpr.Next(d)) {
      fits = false;
      break;
    }
    ++fed;
  }
  if (fits) {
    Clear();
    FRegExpr.SetUpdateOn(true);
    std::u32string literals = FInserted;
    Clear();
    FTail += literals;
    AppendLiterals(literals);
    FRegExpr.SetUpdatesEnabled(false);
    for (size_t i = 0; i < static_cast<size_t>(fed) + literals.size(); ++i) FRegExpr.Prev();
  } else {
    for (int32_t i = 0; i < fed; ++i) FRegExpr.Prev();
    DropTail();
  }
  // Back at the head's end, whose literals are already in the head: switching on inserts nothing more.
  Clear();
  FRegExpr.SetUpdateOn(true);
  Clear();
}

void TcxMaskEditRegExprExMode::RefillOrDropTail() { FeedTail(); }

bool TcxMaskEditRegExprExMode::PressSymbol(char32_t& AChar) {
  char32_t typed = AChar;
  AChar = 0;  // the mode shows what is to appear itself
  if (!Compiled()) {
    AChar = typed;
    return true;
  }
  Synchronize();
  SkipLeadingLiterals();
  Clear();
  TcxCustomMaskEdit* edit = Edit();
  // Only a selection this key cuts may come back on refusal; one left from an earlier deletion would
  // put text into the model that the editor no longer shows.
  FSelection.clear();
  bool hadSelection = SelLength() > 0;
  if (hadSelection) {
    FRegExpr.SetUpdateOn(false);
    DeleteSelection();
    ToggleInsertionAfterCut();
  }
  Clear();
  char32_t c = typed;
  if (!FRegExpr.Next(c)) {
    Clear();
    FRegExpr.SetUpdateOn(false);
    RestoreSelection();
    FRegExpr.SetUpdateOn(true);
    Clear();
    Beep();
    return false;
  }
  std::u32string literals = FInserted;
  Clear();
  FHead.push_back(c);
  FHead += literals;
  if (edit) {
    edit->PostCharToInner(c);
    PostText(literals);
  }
  FeedTail();
  return false;
}

bool TcxMaskEditRegExprExMode::ToggleInsertionAfterCut() {
  Clear();
  FRegExpr.SetUpdateOn(true);
  bool inserted = !FInserted.empty();
  Clear();
  if (inserted) {
    FRegExpr.SetUpdatesEnabled(false);
    FRegExpr.Prev();
    FRegExpr.SetUpdateOn(true);
    Clear();
  }
  return inserted;
}

bool TcxMaskEditRegExprExMode::PressBackspace() {
  if (!Compiled()) return true;
  Synchronize();
  Clear();
  TcxCustomMaskEdit* edit = Edit();
  if (SelLength() > 0) {
    SkipLeadingLiterals();
    if (SelLength() == 0) {
      Beep();
      return false;
    }
    FRegExpr.SetUpdateOn(false);
    DeleteSelection();
    ToggleInsertionAfterCut();
    if (edit) edit->PostCharToInner(8);
    FeedTail();
    return false;
  }
  int32_t leading = LeadingLength();
  if (static_cast<int32_t>(FHead.size()) <= leading) {
    Beep();
    return false;
  }
  Clear();
  FRegExpr.Prev();
  int32_t count = std::min<int32_t>(FRemoved + 1, static_cast<int32_t>(FHead.size()));
  Clear();
  FHead.erase(FHead.size() - static_cast<size_t>(count));
  if (edit)
    for (int32_t i = 0; i < count; ++i) edit->PostCharToInner(8);
  FeedTail();
  return false;
}

bool TcxMaskEditRegExprExMode::PressDelete() {
  if (!Compiled()) return true;
  Synchronize();
  Clear();
  TcxCustomMaskEdit* edit = Edit();
  int32_t leading = LeadingLength();
  if (SelLength() > 0) {
    SkipLeadingLiterals();
    if (SelLength() == 0) {
      Beep();
      return false;
    }
    FRegExpr.SetUpdateOn(false);
    DeleteSelection();
    ToggleInsertionAfterCut();
    if (edit) edit->PostKeyToInner(VK_DELETE);
    FeedTail();
    return false;
  }
  if (SelStart() < leading) {
    // The literals the expression starts with cannot be deleted.
    Beep();
    return false;
  }
  if (FTail.empty()) return false;
  Clear();
  char32_t c = FTail.front();
  int32_t count = 1;
  if (FRegExpr.Next(c)) {
    count += static_cast<int32_t>(FInserted.size());
    Clear();
    FRegExpr.Prev();
  }
  Clear();
  count = std::min<int32_t>(count, static_cast<int32_t>(FTail.size()));
  FTail.erase(0, static_cast<size_t>(count));
  if (edit)
    for (int32_t i = 0; i < count; ++i) edit->PostKeyToInner(VK_DELETE);
  FeedTail();
  return false;
}

bool TcxMaskEditRegExprExMode::PressHome() { return TcxMaskEditRegExprMode::PressHome(); }

bool TcxMaskEditRegExprExMode::PressEnd() {
  if (!Compiled()) return true;
  Synchronize();
  FRegExpr.SetUpdateOn(false);
  TailToHead(static_cast<int32_t>(FTail.size()));
  Clear();
  FRegExpr.SetUpdateOn(true);
  std::u32string literals = FInserted;
  Clear();
  // Literals the text still lacks at its end are shown, so that text and automaton agree.
  FHead += literals;
  AppendLiterals(literals);
  return true;
}

void TcxMaskEditRegExprExMode::HandleDblClick() {
  if (!Compiled()) return;
  FMouseAction = true;
  PressEnd();
}

bool TcxMaskEditRegExprExMode::PressLeft() {
  if (!Compiled()) return true;
  Synchronize();
  Clear();
  TcxCustomMaskEdit* edit = Edit();
  int32_t length = SelLength();
  if (length > 0 && !ShiftHeld()) {
    if (edit && edit->GetCaretCharIndex() == SelStart() + length) {
      FRegExpr.SetUpdateOn(false);
      TcxMaskEditRegExprMode::PressLeft();
      ToggleInsertionAfterCut();
    }
    return true;
  }
  if (FHead.empty()) return true;
  int32_t caret = static_cast<int32_t>(FHead.size());
  Clear();
  FRegExpr.Prev();
  int32_t count = FRemoved;
  Clear();
  FTail.insert(FTail.begin(), FHead.back());
  FHead.pop_back();
  if (FRegExpr.IsStart() && count + 1 >= caret) count = static_cast<int32_t>(FHead.size());
  for (int32_t i = 0; i < count && !FHead.empty(); ++i) {
    FTail.insert(FTail.begin(), FHead.back());
    FHead.pop_back();
    if (edit) edit->PostKeyToInner(VK_LEFT);
  }
  return true;
}

bool TcxMaskEditRegExprExMode::PressRight() {
  if (!Compiled()) return true;
  Synchronize();
  Clear();
  TcxCustomMaskEdit* edit = Edit();
  int32_t length = SelLength();
  if (length > 0 && !ShiftHeld()) {
    if (edit && edit->GetCaretCharIndex() == SelStart()) {
      FRegExpr.SetUpdateOn(false);
      TcxMaskEditRegExprMode::PressRight();
      Clear();
      FRegExpr.SetUpdateOn(true);
      Clear();
    }
    return true;
  }
  if (FTail.empty()) return true;
  char32_t c = FTail.front();
  FRegExpr.Next(c);
  FHead.push_back(FTail.front());
  FTail.erase(FTail.begin());
  std::u32string inserted = FInserted;
  Clear();
  for (size_t i = 0; i < inserted.size() && !FTail.empty(); ++i) {
    FHead.push_back(FTail.front());
    FTail.erase(FTail.begin());
    if (edit) edit->PostKeyToInner(VK_RIGHT);
  }
  return true;
}

// ---- TcxCustomMaskEditProperties ------------------------------------------------------------------------------

RTL_PUBLISHED(TcxMaskEditProperties) {
  prop("AlwaysShowBlanksAndLiterals", &TcxMaskEditProperties::AlwaysShowBlanksAndLiterals,
       &TcxMaskEditProperties::SetAlwaysShowBlanksAndLiterals)
      .Default(false);
  prop("AssignedValues", &TcxMaskEditProperties::AssignedValues, &TcxMaskEditProperties::SetAssignedValues);
  prop("CaseInsensitive", &TcxMaskEditProperties::CaseInsensitive, &TcxMaskEditProperties::SetCaseInsensitive)
      .Default(true);
  prop("CharCase", &TcxMaskEditProperties::CharCase, &TcxMaskEditProperties::SetCharCase).Default(ecNormal);
  prop("EchoMode", &TcxMaskEditProperties::EchoMode, &TcxMaskEditProperties::SetEchoMode).Default(eemNormal);
  prop("HideSelection", &TcxMaskEditProperties::HideSelection, &TcxMaskEditProperties::SetHideSelection)
      .Default(true);
  prop("IgnoreMaskBlank", &TcxMaskEditProperties::IgnoreMaskBlank, &TcxMaskEditProperties::SetIgnoreMaskBlank)
      .Default(false);
  prop("ImeMode", &TcxMaskEditProperties::ImeMode, &TcxMaskEditProperties::SetImeMode).Default(imDontCare);
  prop("ImeName", &TcxMaskEditProperties::ImeName, &TcxMaskEditProperties::SetImeName);
  prop("LookupItems", &TcxMaskEditProperties::LookupItems, &TcxMaskEditProperties::SetLookupItems);
  prop("LookupItemsSorted", &TcxMaskEditProperties::LookupItemsSorted, &TcxMaskEditProperties::SetLookupItemsSorted)
      .Default(false);
  prop("MaskKind", &TcxMaskEditProperties::MaskKind, &TcxMaskEditProperties::SetMaskKind).Default(emkStandard);
  prop("EditMask", &TcxMaskEditProperties::EditMask, &TcxMaskEditProperties::SetEditMask);
  prop("MaxLength", &TcxMaskEditProperties::MaxLength, &TcxMaskEditProperties::SetMaxLength)
      .NoDefault()
      .Stored(&TcxMaskEditProperties::IsMaxLengthStored);
  prop("OEMConvert", &TcxMaskEditProperties::OEMConvert, &TcxMaskEditProperties::SetOEMConvert).Default(false);
  prop("PasswordChar", &TcxMaskEditProperties::PasswordChar, &TcxMaskEditProperties::SetPasswordChar)
      .Default(char(0));
  prop("ValidateOnEnter", &TcxMaskEditProperties::ValidateOnEnter, &TcxMaskEditProperties::SetValidateOnEnter)
      .Default(true);
  event("OnNewLookupDisplayText", &TcxMaskEditProperties::OnNewLookupDisplayText,
        &TcxMaskEditProperties::OnNewLookupDisplayText);
}

TcxCustomMaskEditProperties::TcxCustomMaskEditProperties(TPersistent* AOwner) : TcxCustomTextEditProperties(AOwner) {}

void TcxCustomMaskEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  SetValidateOnEnter(true);
}

TcxCustomMaskEditProperties::~TcxCustomMaskEditProperties() {
  if (FDisplayMode) FDisplayMode->Free();
}

bool TcxCustomMaskEditProperties::IsMaskBlank(const String& AMask) {
  for (unsigned char c : AMask)
    if (c != 0 && c != 9 && c != 10 && c != 12 && c != 13 && c != 32) return false;
  return true;
}

TcxMaskEditModeClass TcxCustomMaskEditProperties::GetModeClass(TcxEditMaskKind AKind) {
  switch (AKind) {
    case emkRegExpr: return TcxMaskEditModeClass::Of<TcxMaskEditRegExprMode>();
    case emkRegExprEx: return TcxMaskEditModeClass::Of<TcxMaskEditRegExprExMode>();
    default: return TcxMaskEditModeClass::Of<TcxMaskEditStandardMode>();
  }
}

String TcxCustomMaskEditProperties::GetEditMask() {
  if (FMaskKind == emkStandard && IsMaskBlank(FEditMask))
    if (IcxEditDefaultValuesProvider* provider = DefaultValuesProvider()) return provider->GetDefaultEditMask();
  return FEditMask;
}

void TcxCustomMaskEditProperties::SetEditMask(const String& Value) {
  if (Value == GetEditMask()) {
    FEditMask = Value;
    return;
  }
  // A mask that does not compile changes nothing.
  TcxMaskEditCustomMode* probe = GetModeClass(FMaskKind).Create(nullptr, this);
  try {
    probe->CompileMask(Value);
  } catch (...) {
    probe->Free();
    throw;
  }
  probe->Free();
  FEditMask = Value;
  Changed();
}

void TcxCustomMaskEditProperties::SetMaskKind(TcxEditMaskKind Value) {
  if (FMaskKind == Value) return;
  FMaskKind = Value;
  Changed();
}

void TcxCustomMaskEditProperties::SetAlwaysShowBlanksAndLiterals(bool Value) {
  if (FAlwaysShowBlanksAndLiterals == Value) return;
  FAlwaysShowBlanksAndLiterals = Value;
  Changed();
}

void TcxCustomMaskEditProperties::SetCaseInsensitive(bool Value) {
  if (CharCase() != ecNormal) Value = true;
  FCaseInsensitive = Value;
  Changed();
}

void TcxCustomMaskEditProperties::SetIgnoreMaskBlank(bool Value) {
  if (FIgnoreMaskBlank == Value) return;
  FIgnoreMaskBlank = Value;
  Changed();
}

void TcxCustomMaskEditProperties::SetCharCase(TEditCharCase Value) {
  if (Value != ecNormal) FCaseInsensitive = true;
  inherited::SetCharCase(Value);
}

void TcxCustomMaskEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomMaskEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    FMaskKind = source->FMaskKind;
    FEditMask = source->FEditMask;
    FCaseInsensitive = source->FCaseInsensitive;
    FIgnoreMaskBlank = source->FIgnoreMaskBlank;
    FAlwaysShowBlanksAndLiterals = source->FAlwaysShowBlanksAndLiterals;
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TClass TcxCustomMaskEditProperties::GetContainerClass() const { return TcxMaskEdit::StaticClass(); }

uint8_t TcxCustomMaskEditProperties::GetDisplayFormatOptions() const {
  if (const_cast<TcxCustomMaskEditProperties*>(this)->IsMasked()) return 0;
  return inherited::GetDisplayFormatOptions();
}

bool TcxCustomMaskEditProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  if (IsMasked()) return true;
  return inherited::IsEditValueValid(AEditValue, AEditFocused);
}

bool TcxCustomMaskEditProperties::UsesLookupData() { return !IsMasked() && inherited::UsesLookupData(); }

void TcxCustomMaskEditProperties::TextSettingChanged() {
  if (IsMasked() && !FTextSettingChanging && MaxLength() != 0) {
    FTextSettingChanging = true;
    BeginUpdate();
    try {
      SetMaxLength(0);
    } catch (...) {
      EndUpdate();
      FTextSettingChanging = false;
      throw;
    }
    EndUpdate();
    FTextSettingChanging = false;
  }
  inherited::TextSettingChanged();
}

void TcxCustomMaskEditProperties::FormatChanged() {
  if (FDisplayMode) {
    FDisplayMode->Free();
    FDisplayMode = nullptr;
  }
  inherited::FormatChanged();
}

TcxMaskEditCustomMode* TcxCustomMaskEditProperties::DisplayMode(const String& AMask) {
  TcxMaskEditModeClass modeClass = GetModeClass(FMaskKind);
  if (!FDisplayMode || FDisplayMode->ClassType() != modeClass.Class || FDisplayMode->Mask() != AMask) {
    if (FDisplayMode) FDisplayMode->Free();
    FDisplayMode = nullptr;
    TcxMaskEditCustomMode* mode = modeClass.Create(nullptr, this);
    try {
      mode->CompileMask(AMask);
    } catch (...) {
      mode->Free();
      throw;
    }
    FDisplayMode = mode;
  }
  if (auto* regExpr = dynamic_cast<TcxMaskEditRegExprMode*>(FDisplayMode)) regExpr->SetCaseInsensitive(FCaseInsensitive);
  return FDisplayMode;
}

void TcxCustomMaskEditProperties::ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                        bool AEditFocused) {
  if (!IsMasked() || (!AEditFocused && HasDataDisplayFormat(false))) {
    inherited::ConvertToDisplayValue(AEditValue, ADisplayValue, AEditFocused);
    return;
  }
  String text = VarIsNull(AEditValue) || VarIsEmpty(AEditValue) ? String() : VarToStr(AEditValue);
  TcxMaskEditCustomMode* mode = DisplayMode(GetEditMask());
  if (AEditFocused || FMaskKind != emkStandard || FAlwaysShowBlanksAndLiterals)
    text = mode->GetFormattedText(text);
  else
    text = mode->GetDisplayTextWithoutBlanks(text);
  ADisplayValue = Variant(text);
}

void TcxCustomMaskEditProperties::CheckDisplayValue(Variant& ADisplayValue, String& AErrorText,
                                                    IcxEditValidationSite* AEdit, bool& AError) {
  if (!AError && IsMasked()) {
    TcxMaskEditCustomMode* mode = nullptr;
    if (auto* edit = AEdit ? dynamic_cast<TcxCustomMaskEdit*>(AEdit->GetValidationSender()) : nullptr)
      mode = edit->Mode();
    if (!mode || mode->Mask() != GetEditMask()) mode = DisplayMode(GetEditMask());
    if (!mode->IsTextValid(VarToStr(ADisplayValue))) {
      AError = true;
      AErrorText = TranslateString(cxSMaskEditInvalidEditValue);
    }
  }
  inherited::CheckDisplayValue(ADisplayValue, AErrorText, AEdit, AError);
}

// ---- TcxCustomMaskEdit -------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxMaskEdit) {
  prop("AutoSize", &TcxMaskEdit::AutoSize, &TcxMaskEdit::SetAutoSize).Default(true);
  prop("BeepOnEnter", &TcxMaskEdit::BeepOnEnter, &TcxMaskEdit::SetBeepOnEnter).Default(true);
  prop("Properties", &TcxMaskEdit::Properties, &TcxMaskEdit::SetProperties);
  prop("Style", &TcxMaskEdit::Style, &TcxMaskEdit::SetStyle);
  prop("StyleDisabled", &TcxMaskEdit::StyleDisabled, &TcxMaskEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxMaskEdit::StyleFocused, &TcxMaskEdit::SetStyleFocused);
  prop("StyleHot", &TcxMaskEdit::StyleHot, &TcxMaskEdit::SetStyleHot);
  prop("Text", &TcxMaskEdit::Text, &TcxMaskEdit::SetText).Stored(false);
  event("OnEditing", &TcxMaskEdit::OnEditing, &TcxMaskEdit::OnEditing);
}

TcxCustomMaskEdit::TcxCustomMaskEdit(TComponent* AOwner) : TcxCustomTextEdit(AOwner) {}

void TcxCustomMaskEdit::InitializeEdit() {
  inherited::InitializeEdit();
  RecreateMode(emkStandard);
}

void TcxCustomMaskEdit::BeforeDestruction() {
  if (FMode) {
    FMode->Free();
    FMode = nullptr;
  }
  inherited::BeforeDestruction();
}

void TcxCustomMaskEdit::RecreateMode(TcxEditMaskKind AKind) {
  if (FMode) {
    FMode->Free();
    FMode = nullptr;
  }
  FMode = ActiveProperties()->GetModeClass(AKind).Create(this, ActiveProperties());
  FMode->SetCharCase(ActiveProperties()->CharCase());
  FMode->SetEchoMode(ActiveProperties()->EchoMode());
  if (auto* regExpr = dynamic_cast<TcxMaskEditRegExprMode*>(FMode))
    regExpr->SetCaseInsensitive(ActiveProperties()->CaseInsensitive());
  ActiveProperties()->SetEmptyString(FMode->GetBlankText());
}

String TcxCustomMaskEdit::InnerText() {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  return inner ? VarToStr(inner->GetEditValue()) : String();
}

void TcxCustomMaskEdit::SetInnerText(const String& AText) {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner || InnerText() == AText) return;
  ++FPostingKeys;
  try {
    inner->SetEditValue(Variant(AText));
  } catch (...) {
    --FPostingKeys;
    throw;
  }
  --FPostingKeys;
}

void TcxCustomMaskEdit::PostKeyToInner(uint16_t AKey) {
  TWinControl* inner = InnerControl();
  if (!inner || !inner->HandleAllocated()) return;
  ++FPostingKeys;
  TObjectLink<TcxCustomMaskEdit> alive(this);
  try {
    ::SendMessage(inner->Handle(), WM_KEYDOWN, AKey, 0);
  } catch (...) {
    if (alive) --FPostingKeys;
    throw;
  }
  if (alive) --FPostingKeys;
}

void TcxCustomMaskEdit::PostCharToInner(char32_t AChar) {
  TWinControl* inner = InnerControl();
  if (!inner || !inner->HandleAllocated()) return;
  ++FPostingKeys;
  TObjectLink<TcxCustomMaskEdit> alive(this);
  try {
    ::SendMessage(inner->Handle(), WM_CHAR, static_cast<WPARAM>(AChar), 0);
  } catch (...) {
    if (alive) --FPostingKeys;
    throw;
  }
  if (alive) --FPostingKeys;
}

// ---- keys -----------------------------------------------------------------------------------------------------

void TcxCustomMaskEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (IsPostingKeys()) return;
  inherited::KeyDown(Key, Shift);
}

void TcxCustomMaskEdit::KeyPress(char32_t& Key) {
  if (IsPostingKeys()) return;
  inherited::KeyPress(Key);
}

void TcxCustomMaskEdit::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (IsPostingKeys()) return;
  inherited::KeyUp(Key, Shift);
}

void TcxCustomMaskEdit::DoEditKeyDown(uint16_t& Key, TShiftState Shift) {
  if (!FMode || !IsMasked()) {
    inherited::DoEditKeyDown(Key, Shift);
    return;
  }
  TObjectLink<TcxCustomMaskEdit> alive(this);
  if (!CanProcessKeyDown(Key, Shift)) {
    if (!alive) return;
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  if (!alive) return;
  if (Key == VK_TAB) {
    inherited::DoEditKeyDown(Key, Shift);
    return;
  }
  FShiftHeld = Shift.Contains(ssShift);
  bool pass = true;
  bool ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
      if (!HasPopupWindow()) {
        DoAfterKeyDown(Key, Shift);
        Key = 0;
        return;
      }
      break;
    case VK_LEFT:
      if (ctrl) {
        PostKeyToInner(VK_HOME);
        pass = FMode->PressHome();
      } else {
        bool atStart = FMode->IsCursorAtMaskStart();
        pass = FMode->PressLeft();
        if (!pass && atStart) DoAfterKeyDown(Key, Shift);
      }
      break;
    case VK_RIGHT:
      if (ctrl) {
        PostKeyToInner(VK_END);
        pass = FMode->PressEnd();
      } else {
        bool atEnd = FMode->IsCursorAtMaskEnd();
        pass = FMode->PressRight();
        if (!pass && atEnd) DoAfterKeyDown(Key, Shift);
      }
      break;
    case VK_DELETE:
      if (FShiftHeld) {
        if (SelLength() == 0) pass = FMode->PressBackspace();
      } else {
        pass = FMode->PressDelete();
      }
      break;
    case VK_HOME: pass = FMode->PressHome(); break;
    case VK_END: pass = FMode->PressEnd(); break;
    default: break;
  }
  if (!alive) return;
  if (!pass) {
    Key = 0;
    return;
  }
  inherited::DoEditKeyDown(Key, Shift);
}

void TcxCustomMaskEdit::DoEditKeyPress(char32_t& Key) {
  if (!FMode || !IsMasked()) {
    inherited::DoEditKeyPress(Key);
    return;
  }
  if (Key == U'\t' || Key == 27) {
    Key = 0;
    return;
  }
  TObjectLink<TcxCustomMaskEdit> alive(this);
  if (!CanProcessKeyPress(Key)) {
    if (alive) Key = 0;
    return;
  }
  if (!alive || Key == U'\r') return;
  if (Key == 3 || Key == 22 || Key == 24) {
    inherited::DoEditKeyPress(Key);
    return;
  }
  bool pass = Key == 8 ? FMode->PressBackspace() : FMode->PressSymbol(Key);
  if (alive && !pass) Key = 0;
}

// ---- clipboard and selection ------------------------------------------------------------------------------------

void TcxCustomMaskEdit::SetSelText(const String& Value) {
  if (!FMode || !IsMasked()) {
    inherited::SetSelText(Value);
    return;
  }
  TObjectLink<TcxCustomMaskEdit> alive(this);
  FMode->SetClipboardTextLength(Utf8Length(Value));
  FMode->SetPasteStart(SelStart());
  FMode->BeforeTextInsertion();
  inherited::SetSelText(Value);
  if (!alive || !FMode) return;
  FMode->AfterPasting();
  FMode->SetClipboardTextLength(0);
}

void TcxCustomMaskEdit::PasteFromClipboard() {
  if (!FMode || !IsMasked()) {
    inherited::PasteFromClipboard();
    return;
  }
  String text;
  if (!GetInnerTextEdit() || !MaskEditClipboardText(HandleAllocated() ? Handle() : nullptr, text)) return;
  SetSelText(text);
}

void TcxCustomMaskEdit::CutToClipboard() {
  if (!FMode || !IsMasked()) {
    inherited::CutToClipboard();
    return;
  }
  if (SelLength() == 0) return;
  CopyToClipboard();
  if (FMode->PressDelete()) PostKeyToInner(VK_DELETE);
}

void TcxCustomMaskEdit::SetSelStart(int32_t Value) {
  inherited::SetSelStart(Value);
  if (FMode && IsMasked()) FMode->AdjustCursorPosition();
}

void TcxCustomMaskEdit::SetSelLength(int32_t Value) {
  inherited::SetSelLength(Value);
  if (FMode && IsMasked()) FMode->AdjustCursorPosition();
}

// ---- mouse ----------------------------------------------------------------------------------------------------------

void TcxCustomMaskEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomMaskEdit> alive(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (alive && Button == mbLeft && FMode && IsMasked()) FMode->AdjustCursorPosition();
}

void TcxCustomMaskEdit::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomMaskEdit> alive(this);
  inherited::MouseMove(Shift, X, Y);
  if (!alive || !Shift.Contains(ssLeft) || !FMode || !IsMasked()) return;
  bool saved = std::exchange(FShiftHeld, true);
  FMode->AdjustCursorPosition();
  FShiftHeld = saved;
}

void TcxCustomMaskEdit::DblClick() {
  TObjectLink<TcxCustomMaskEdit> alive(this);
  inherited::DblClick();
  if (alive && FMode && IsMasked()) FMode->HandleDblClick();
}

void TcxCustomMaskEdit::DoEnter() {
  TObjectLink<TcxCustomMaskEdit> alive(this);
  inherited::DoEnter();
  if (alive && FMode && IsMasked() && ActiveProperties()->AutoSelect()) FMode->HandleDblClick();
}

// ---- text and values ------------------------------------------------------------------------------------------------

String TcxCustomMaskEdit::ReadText() {
  String text = inherited::ReadText();
  if (!FMode || !IsMasked()) return text;
  return FMode->GetDisplayTextWithoutBlanks(text);
}

bool TcxCustomMaskEdit::WriteText(const String& AText) {
  if (!FMode || !IsMasked()) return inherited::WriteText(AText);
  ApplyEditValue(Variant(AText));
  return true;
}

String TcxCustomMaskEdit::GetEditText() {
  const Variant value = EditValue();
  return VarIsNull(value) || VarIsEmpty(value) ? String() : VarToStr(value);
}

void TcxCustomMaskEdit::PutEditText(const String& AText) {
  Variant value(AText);
  if (FMode && IsMasked() && !IsEditFocused() && FMode->GetMaskKind() == emkStandard)
    DisplayToEditValue(Variant(FMode->GetFormattedText(AText)), value);
  SetEditValue(value);
}

String TcxCustomMaskEdit::DisplayTextFor(const String& AText) {
  if (IsEditFocused() || FMode->GetMaskKind() != emkStandard || ActiveProperties()->AlwaysShowBlanksAndLiterals())
    return FMode->GetFormattedText(AText);
  return FMode->GetDisplayTextWithoutBlanks(AText);
}

void TcxCustomMaskEdit::ApplyDisplayValue(const Variant& ADisplayValue) {
  if (!FMode || !IsMasked() || IsLoadingComponent(this)) {
    inherited::ApplyDisplayValue(ADisplayValue);
    return;
  }
  String text = DisplayTextFor(VarToStr(ADisplayValue));
  TObjectLink<TcxCustomMaskEdit> alive(this);
  inherited::ApplyDisplayValue(Variant(text));
  if (alive && FMode) FMode->TextAssigned(text);
}

void TcxCustomMaskEdit::SetInnerEditDisplayValue(const Variant& Value) {
  ++FPostingKeys;
  try {
    inherited::SetInnerEditDisplayValue(Value);
  } catch (...) {
    --FPostingKeys;
    throw;
  }
  --FPostingKeys;
}

void TcxCustomMaskEdit::DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
  if (!FMode || !IsMasked()) {
    inherited::DisplayToEditValue(ADisplayValue, AEditValue);
    return;
  }
  AEditValue = Variant(FMode->GetDisplayTextWithoutBlanks(VarToStr(ADisplayValue)));
}

void TcxCustomMaskEdit::RefreshDisplayFromEditValue() {
  TObjectLink<TcxCustomMaskEdit> alive(this);
  inherited::RefreshDisplayFromEditValue();
  if (alive && FMode && IsMasked()) FMode->TextAssigned(InnerText());
}

void TcxCustomMaskEdit::InnerEditChanged(TObject* Sender) {
  if (FMode && IsMasked()) FMaskedText = FMode->GetDisplayTextWithoutBlanks(InnerText());
  inherited::InnerEditChanged(Sender);
}

void TcxCustomMaskEdit::Loaded() {
  inherited::Loaded();
  ApplyLoadedText();
}

void TcxCustomMaskEdit::ApplyLoadedText() {
  if (!FMode || !IsMasked()) return;
  String text = InnerText();
  if (!text.empty()) ApplyDisplayValue(Variant(text));
}

// The regional separators are resolved when a mask compiles: a format change compiles it again.
void TcxCustomMaskEdit::FormatChanged() {
  if (FMode) {
    TcxCustomMaskEditProperties* properties = ActiveProperties();
    FMode->CompileMask(properties->GetEditMask());
    properties->SetEmptyString(FMode->GetBlankText());
  }
  inherited::FormatChanged();
}

void TcxCustomMaskEdit::PropertiesChanged(TObject* Sender) {
  if (!DataBinding() || IsEditDestroying() || !FMode || FPropertiesChanging) {
    inherited::PropertiesChanged(Sender);
    return;
  }
  TcxCustomMaskEditProperties* properties = ActiveProperties();
  FPropertiesChanging = true;
  properties->LockChanged(true);
  bool kindChanged = false, maskChanged = false, caseChanged = false;
  try {
    String mask = properties->GetEditMask();
    bool cleared = false;
    if (FMode->GetMaskKind() != properties->MaskKind()) {
      bool standardBefore = FMode->GetMaskKind() == emkStandard;
      if (standardBefore != (properties->MaskKind() == emkStandard)) {
        // A mask of one family means nothing to the other; only a mask set together with the kind stays.
        if (mask == FMode->Mask()) mask = String();
        properties->StoreEditMask(String());
        cleared = true;
      }
      RecreateMode(properties->MaskKind());
      String effective = properties->GetEditMask();
      FMode->CompileMask(effective);
      if (!TcxCustomMaskEditProperties::IsMaskBlank(effective)) FMode->UpdateEditValue();
      kindChanged = true;
    }
    if (mask != FMode->Mask()) {
      properties->SetMaxLength(0);
      FMode->CompileMask(mask);
      if (cleared) properties->StoreEditMask(mask);
      if (!TcxCustomMaskEditProperties::IsMaskBlank(mask)) {
        FMode->UpdateEditValue();
      } else if (FMode->GetMaskKind() == emkStandard && SelLength() == 1) {
        if (IcxInnerTextEdit* inner = GetInnerTextEdit()) inner->SetSelLength(0);
      }
      properties->SetEmptyString(FMode->GetBlankText());
      maskChanged = true;
    }
    if (properties->CharCase() != FMode->CharCase()) {
      if (properties->CharCase() == ecNormal) {
        if (IcxInnerTextEdit* inner = GetInnerTextEdit()) inner->SetCharCase(ecNormal);
        if (IsMasked()) FMode->UpdateEditValue();
      }
      caseChanged = true;
    }
    FMode->SetCharCase(properties->CharCase());
    FMode->SetEchoMode(properties->EchoMode());
    if ((!InnerEdit() || !VarIsNull(EditValue())) && IsMasked()) FMode->ApplyPendingEditValue();
    if (auto* regExpr = dynamic_cast<TcxMaskEditRegExprMode*>(FMode))
      regExpr->SetCaseInsensitive(properties->CaseInsensitive());
  } catch (...) {
    properties->LockChanged(false);
    FPropertiesChanging = false;
    throw;
  }
  properties->LockChanged(false);
  TObjectLink<TcxCustomMaskEdit> alive(this);
  try {
    inherited::PropertiesChanged(Sender);
  } catch (...) {
    if (alive) FPropertiesChanging = false;
    throw;
  }
  if (!alive) return;
  FPropertiesChanging = false;
  if ((kindChanged || maskChanged || caseChanged) && FMode && IsMasked())
    FMaskedText = FMode->GetDisplayTextWithoutBlanks(InnerText());
}

void cxMaskEditInitialize() {
  cxTextEditInitialize();
  GetRegisteredEditProperties()->Register(TcxMaskEditProperties::StaticClass(), cxSEditRepositoryMaskItem);
  RegisterClasses({TcxMaskEdit::StaticClass()});
}
