// The text editor control: text, display value and edit value in step, the insertion routine that pasted
// and programmatic text passes through, clipboard, keys, and the switch between the live inner edit and the
// painted text. Also the parts of the settings and the view that ask the editor.

#include <algorithm>
#include <utility>

#include "rtl/ClassRegistry.h"
#include "rtl/DateTime.h"
#include "rtl/ObjLinks.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxEditConsts.h"
#include "ui/editors/cxTextEdit.h"
#include "winapi/WinCtrls.h"

namespace {

// The clipboard's plain text, or false when it holds none.
bool TextEditClipboardText(HWND AOwner, String& AText) {
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

// The first ACount characters of AText.
String TextEditLeft(const String& AText, int32_t ACount) {
  return AText.substr(0, Utf8ByteOffset(AText, std::max(ACount, 0)));
}

// AText from character AStart on.
String TextEditFrom(const String& AText, int32_t AStart) {
  size_t offset = Utf8ByteOffset(AText, std::max(AStart, 0));
  return offset >= AText.size() ? String() : AText.substr(offset);
}

}  // namespace

// ---- the parts of the settings and the view that ask the editor ---------------------------------------------

TClass TcxCustomTextEditProperties::GetContainerClass() const { return TcxTextEdit::StaticClass(); }

void TcxCustomTextEditProperties::ValidateValueBounds(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                      TcxCustomEdit* AEdit) {
  Variant value = ADisplayValue;
  if (AEdit) AEdit->DisplayToEditValue(ADisplayValue, value);
  if (!VarIsNumeric(value) && VarType(value) != varDate) return;
  double v = value.AsDouble();
  if ((HasValueBound(0) && v < MinValue()) || (HasValueBound(1) && v > MaxValue())) {
    AError = true;
    AErrorText = GetOutOfBoundsErrorText();
  }
}

void TcxCustomTextEditProperties::CheckDisplayValue(Variant& ADisplayValue, String& AErrorText,
                                                    IcxEditValidationSite* AEdit, bool& AError) {
  if (SupportsValueBounds() && HasValueBounds()) {
    TcxCustomEdit* edit = AEdit ? dynamic_cast<TcxCustomEdit*>(AEdit->GetValidationSender()) : nullptr;
    ValidateValueBounds(ADisplayValue, AErrorText, AError, edit);
  }
  inherited::CheckDisplayValue(ADisplayValue, AErrorText, AEdit, AError);
}

void TcxCustomTextEditProperties::ResolveEditFormat(bool& AIsCurrency, bool& AFormatFromData, String& AFormat,
                                                    TcxCustomEdit* AEdit) {
  AIsCurrency = false;
  AFormatFromData = false;
  AFormat.clear();
  if (AssignedValues()->EditFormat()) {
    AFormat = FEditFormat;
    return;
  }
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  if ((!AEdit || !AEdit->IsInplace()) && provider && provider->HasDisplayFormatWithoutPattern()) {
    AFormatFromData = true;
    return;
  }
  if (provider) {
    String format = provider->GetDefaultEditFormat();
    if (!format.empty()) {
      AFormat = format;
      return;
    }
  }
  if (AssignedValues()->DisplayFormat()) {
    AFormat = DisplayFormat();
  } else if (provider) {
    AFormat = provider->GetDefaultDisplayFormat();
    if (AFormat.empty() && !(GetDisplayFormatOptions() & cxEditDisplayFormatWhileEditing))
      AIsCurrency = provider->IsCurrencyData();
  }
  if (!FUseDisplayFormatWhenEditing) AFormat.clear();
}

bool TcxCustomTextEditViewData::IsInnerEditUsed() { return Edit && Edit->NeedsInnerEdit(); }

bool TcxCustomTextEditViewData::IsFocusedForText() { return Edit ? Edit->IsEditFocused() : Focused; }

bool TcxCustomTextEditViewData::IsPopupWindowOpen() { return Edit && Edit->HasPopupWindow(); }

// ---- TcxCustomTextEdit: life ----------------------------------------------------------------------------------

TcxCustomTextEdit::TcxCustomTextEdit(TComponent* AOwner) : TcxCustomEdit(AOwner) {}

TClass TcxCustomTextEdit::GetInnerEditClass() const { return TcxCustomInnerTextEdit::StaticClass(); }

void TcxCustomTextEdit::InitializeEdit() {
  inherited::InitializeEdit();
  FBeepOnEnter = true;
  FFindSelection = false;
  if (TWinControl* inner = InnerControl()) inner->SetColor(clWindow);
  SetBounds(Left(), Top(), 121, 21);
  TcxTextEditLookupDataClass lookupClass = ActiveProperties()->GetLookupDataClass();
  if (lookupClass) {
    FLookupData = lookupClass.Create(this);
    if (FLookupData) FLookupData->SetOnItemChosen(TNotifyEvent(this, &TcxCustomTextEdit::ApplyLookupSelection));
  }
  GetFormatController()->AddListener(this);
  FFormatListening = true;
}

void TcxCustomTextEdit::BeforeDestruction() {
  if (FFormatListening) GetFormatController()->RemoveListener(this);
  FFormatListening = false;
  if (FLookupData) {
    TObject* lookup = FLookupData->GetInstance();
    FLookupData = nullptr;
    if (lookup) lookup->Free();
  }
  inherited::BeforeDestruction();
}

TcxCustomTextEdit::~TcxCustomTextEdit() {
  if (FFormatListening) GetFormatController()->RemoveListener(this);
}

void TcxCustomTextEdit::Loaded() {
  inherited::Loaded();
  RecalculateAtCursor();
}

void TcxCustomTextEdit::Activate(TcxCustomEditData*& AEditData) {
  TObjectLink<TcxCustomTextEdit> alive(this);
  inherited::Activate(AEditData);
  if (!alive || !HandleAllocated()) return;
  SetSelStart(0);
  if (ActiveProperties()->AutoSelect()) SelectAll();
}

IcxInnerTextEdit* TcxCustomTextEdit::GetInnerTextEdit() const { return dynamic_cast<IcxInnerTextEdit*>(InnerEdit()); }

TcxCustomInnerTextEdit* TcxCustomTextEdit::InnerTextEditControl() const {
  return dynamic_cast<TcxCustomInnerTextEdit*>(InnerControl());
}

bool TcxCustomTextEdit::SupportsEditing() { return ActiveProperties()->GetEditingStyle() != esNoEdit; }

// ---- text, display value and edit value ----------------------------------------------------------------------

void TcxCustomTextEdit::GetDisplayText(String& Text) {
  Text = InnerEdit() ? VarToStr(InnerEdit()->GetEditValue()) : String();
}

String TcxCustomTextEdit::ReadText() { return DisplayText(); }

bool TcxCustomTextEdit::WriteText(const String& AText) { return TrySetDisplayText(AText); }

String TcxCustomTextEdit::GetText() const { return const_cast<TcxCustomTextEdit*>(this)->ReadText(); }

void TcxCustomTextEdit::SetTextBuf(const String& Value) { WriteText(Value); }

void TcxCustomTextEdit::DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
  AEditValue = ADisplayValue;
}

void TcxCustomTextEdit::SetInnerEditDisplayValue(const Variant& Value) {
  if (InnerEdit()) InnerEdit()->SetEditValue(Value);
}

void TcxCustomTextEdit::ApplyDisplayValue(const Variant& ADisplayValue) {
  DataBinding()->SetDisplayValue(ADisplayValue);
  if (KeyboardAction()) return;
  UpdateLookupFromText();
  RefreshEditValueFromDisplay();
  SetModified(false);
}

// A typed text that is no lookup item is announced before it becomes the value.
void TcxCustomTextEdit::ApplyDisplayValueLocked(const Variant& ADisplayValue) {
  bool findSelection = FFindSelection;
  TcxCustomTextEditProperties* properties = ActiveProperties();
  if (properties->GetEditingStyle() == esEdit && FLookupData && properties->UsesLookupData()) {
    String text = VarToStr(ADisplayValue);
    if (!FLookupData->ContainsText(text)) DoOnNewLookupDisplayText(text);
  }
  inherited::ApplyDisplayValueLocked(ADisplayValue);
  FFindSelection = findSelection;
}

bool TcxCustomTextEdit::TrySetDisplayText(const String& AText) {
  Variant value{AText};
  if (!ActiveProperties()->NormalizeEditValue(value, IsEditFocused())) return false;
  if (KeyboardAction() && !DoEditing()) return false;
  ApplyDisplayValue(value);
  return true;
}

void TcxCustomTextEdit::RefreshEditValueFromDisplay() {
  TcxCustomEditProperties* properties = GetActiveProperties();
  bool canCompare = properties->CanCompareEditValues();
  Variant old = FEditValue;
  Variant value;
  DisplayToEditValue(Variant(DisplayText()), value);
  bool changed = canCompare && !VarEqualsExact(old, value);
  FEditValue = value;
  if (KeyboardAction())
    SetModifiedAfterEnter(true);
  else
    SetModified(false);
  if (!changed) return;
  NotifyEditValueChanged();
  if (!properties->FiresOwnChangeEvent()) NotifyChange();
}

void TcxCustomTextEdit::RefreshDisplayFromEditValue() {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  Variant display;
  if (properties->NeedsDisplayValueValidation()) {
    Variant value = FEditValue;
    if (properties->IsEditValueValid(value, IsEditFocused())) {
      EditValueToDisplayValue(FEditValue, display);
    } else if (IsEditFocused()) {
      display = properties->GetEmptyDisplayValue();
    } else {
      try {
        display = VarType(FEditValue) == varDate ? Variant(DateTimeToStr(VarToDateTime(FEditValue)))
                                                 : Variant(VarToStr(FEditValue));
      } catch (const EVariantError&) {
        display = Variant(String());
      }
    }
  } else {
    EditValueToDisplayValue(FEditValue, display);
  }
  SaveModified();
  bool synchronizing = std::exchange(FIsDisplayValueSynchronizing, true);
  TObjectLink<TcxCustomTextEdit> alive(this);
  try {
    DataBinding()->SetDisplayValue(display);
  } catch (...) {
    if (alive) {
      FIsDisplayValueSynchronizing = synchronizing;
      RestoreModified();
    }
    throw;
  }
  if (!alive) return;
  FIsDisplayValueSynchronizing = synchronizing;
  RestoreModified();
  UpdateLookupFromText();
  UpdateDrawValue();
}

void TcxCustomTextEdit::InnerEditChanged(TObject* Sender) {
  TObjectLink<TcxCustomTextEdit> alive(this);
  WithEditChangeEventsLocked([&] {
    inherited::InnerEditChanged(Sender);
    if (!alive) return;
    TWinControl* inner = InnerControl();
    if (!NeedsInnerEdit() || !inner || !inner->Visible()) UpdateDrawValue();
    TcxCustomTextEditProperties* properties = ActiveProperties();
    if (IsEditFocused() && !FIsDisplayValueSynchronizing && properties->SupportsValueBounds() &&
        properties->IsThousandSeparatorUsed())
      InsertThousandSeparatorsKeepingCaret();
  });
}

void TcxCustomTextEdit::InsertThousandSeparatorsKeepingCaret() {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner) return;
  String text = DisplayText();
  String separated = InsertThousandSeparators(text);
  if (separated == text) return;
  double number = 0;
  if (!TryStrToFloat(Trim(RemoveThousandSeparators(separated)), number)) return;
  std::u32string separator = Utf8ToCodePoints(FormatSettings().ThousandSeparator);
  auto isSeparatorAt = [&](const std::u32string& s, size_t i) {
    return !separator.empty() && s.compare(i, separator.size(), separator) == 0;
  };
  // Characters other than separators before the caret, counted in the old text and found in the new one.
  std::u32string oldText = Utf8ToCodePoints(text);
  size_t caret = static_cast<size_t>(std::clamp<int32_t>(inner->GetSelStart(), 0, static_cast<int32_t>(oldText.size())));
  int32_t count = 0;
  for (size_t i = 0; i < caret;) {
    if (isSeparatorAt(oldText, i)) {
      i += separator.size();
      continue;
    }
    ++count;
    ++i;
  }
  std::u32string newText = Utf8ToCodePoints(separated);
  size_t position = 0;
  for (int32_t seen = 0; position < newText.size() && seen < count;) {
    if (isSeparatorAt(newText, position)) {
      position += separator.size();
      continue;
    }
    ++seen;
    ++position;
  }
  bool synchronizing = std::exchange(FIsDisplayValueSynchronizing, true);
  TObjectLink<TcxCustomTextEdit> alive(this);
  try {
    inner->SetEditValue(Variant(separated));
  } catch (...) {
    if (alive) FIsDisplayValueSynchronizing = synchronizing;
    throw;
  }
  if (!alive) return;
  FIsDisplayValueSynchronizing = synchronizing;
  inner->SetSelStart(static_cast<int32_t>(position));
  inner->SetSelLength(0);
}

void TcxCustomTextEdit::FormatChanged() {
  ActiveProperties()->Changed();
  RefreshDisplayFromEditValue();
}

void TcxCustomTextEdit::ClampValueAtDesignTime() {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  if (DataBinding()->IsInDesignMode() && properties->SupportsValueBounds() && InnerEdit() &&
      properties->MaxValue() > properties->MinValue())
    ClampToValueBounds();
}

void TcxCustomTextEdit::RevalidateDisplayText() {
  if (!InnerEdit()) return;
  TcxCustomTextEditProperties* properties = ActiveProperties();
  TcxEditEditingStyle style = properties->GetEditingStyle();
  if (style == esEditList || style == esFixedList) {
    if ((!ModifiedAfterEnter() && IsInplace()) || IsBoundToData()) {
      RefreshDisplayFromEditValue();
      return;
    }
    Variant value{DisplayText()};
    if (properties->NormalizeEditValue(value, IsEditFocused())) return;
    SaveModified();
    try {
      DataBinding()->SetDisplayValue(properties->GetEmptyDisplayValue());
    } catch (...) {
      RestoreModified();
      throw;
    }
    RestoreModified();
    if (!ModifiedAfterEnter()) RefreshEditValueFromDisplay();
  } else if (!ModifiedAfterEnter()) {
    DataBinding()->UpdateDisplayValue();
  }
}

void TcxCustomTextEdit::PropertiesChanged(TObject* Sender) {
  if (!DataBinding() || IsEditDestroying()) {
    inherited::PropertiesChanged(Sender);
    return;
  }
  TcxCustomTextEditProperties* properties = ActiveProperties();
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (inner) inner->SetAlignment(properties->Alignment()->Horz());
  if (FLookupData) {
    FLookupData->RefreshList();
    if (!FLookupTextChangeLock) FLookupData->TextChanged();
  }
  if (inner && !NeedsInnerEdit()) UpdateDrawValue();
  if (inner) {
    inner->SetAlignment(properties->Alignment()->Horz());
    inner->SetAutoSelect(properties->AutoSelect() && !IsInplace());
    inner->SetCharCase(properties->CharCase());
    inner->SetEchoMode(properties->EchoMode());
    inner->SetHideSelection(properties->HideSelection());
    inner->SetMaxLength(properties->MaxLength());
    inner->SetImeMode(properties->ImeMode());
    inner->SetImeName(properties->ImeName());
    inner->SetOEMConvert(properties->OEMConvert());
    inner->SetPasswordChar(properties->PasswordChar());
    ClampValueAtDesignTime();
    if (!IsPosting()) RevalidateDisplayText();
    UpdateDrawValue();
  }
  inherited::PropertiesChanged(Sender);
  if (TWinControl* control = InnerControl()) control->Invalidate();
}

// ---- painted text and the inner edit's place ------------------------------------------------------------------

bool TcxCustomTextEdit::NeedsInnerEdit() {
  TcxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style != esEdit && style != esEditList) return false;
  if (!InnerEdit() || IsDesigning()) return false;
  return IsActiveControl() || ActiveProperties()->Alignment()->Horz() == taLeftJustify;
}

void TcxCustomTextEdit::UpdateDrawValue() {
  TcxCustomTextEditViewInfo* viewInfo = TextViewInfo();
  if (!viewInfo || !DataBinding() || IsEditDestroying()) return;
  TcxCustomEditViewData* data = CreateViewData();
  if (!data) return;
  try {
    InitializeViewData(data);
    if (auto* textData = dynamic_cast<TcxCustomTextEditViewData*>(data))
      textData->PrepareDrawText(Variant(DisplayText()), viewInfo);
  } catch (...) {
    data->Free();
    throw;
  }
  data->Free();
  if (!HandleAllocated()) return;
  UpdateStateAtCursor();
  viewInfo = TextViewInfo();
  // The completed part of a list editor's text is painted selected.
  viewInfo->SelStart = 0;
  viewInfo->SelLength = 0;
  TcxEditEditingStyle style = viewInfo->EditingStyle;
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (style == esFixedList && FFindSelection &&
      ActiveProperties()->FixedListSelection() && inner) {
    if (viewInfo->DrawSelectionBar) {
      viewInfo->SelStart = 0;
      viewInfo->SelLength = Utf8Length(viewInfo->Text) - inner->GetSelLength();
      viewInfo->SelTextColor = clHighlight;
      viewInfo->SelBackgroundColor = clHighlightText;
    } else {
      viewInfo->SelStart = inner->GetSelStart();
      viewInfo->SelLength = inner->GetSelLength();
      viewInfo->SelTextColor = clHighlightText;
      viewInfo->SelBackgroundColor = clHighlight;
    }
  }
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TcxCustomTextEdit::AdjustInnerEditPosition(int32_t AvailableHeight) {
  TWinControl* inner = InnerControl();
  if (FIsPositionAdjusting || !inner || !InnerEdit()) return;
  bool saved = std::exchange(FIsPositionAdjusting, true);
  try {
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    RECT client = viewInfo->ClientRect;
    bool nativeInplace = IsInplace() && viewInfo->NativeStyle;
    int32_t top = client.top + 1;
    switch (ActiveProperties()->Alignment()->Vert()) {
      case taBottomJustify:
        top = client.bottom - AvailableHeight + 1 + (nativeInplace ? 1 : 0);
        if (IsInplace()) top = std::max<int32_t>(top, client.top + 1);
        break;
      case taVCenter:
        top = client.top + (client.bottom - client.top - AvailableHeight + (nativeInplace ? 1 : 0)) / 2 + 1;
        if (IsInplace()) top = std::max<int32_t>(top, client.top + 1);
        break;
      default:
        break;
    }
    RECT bounds{client.left + 1, top, client.right, top + AvailableHeight};
    RECT current = inner->BoundsRect();
    if (!EqualRect(&bounds, &current)) inner->SetBoundsRect(bounds);
    RECT area = client;
    if (IsInplace()) InflateRect(&area, 0, -1);
    AlignControls(inner, area);
  } catch (...) {
    FIsPositionAdjusting = saved;
    throw;
  }
  FIsPositionAdjusting = saved;
}

void TcxCustomTextEdit::ClipControlRect(const RECT& ABounds, TControl* AControl,
                                        TcxContainerInnerControlBounds& AClip) {
  if (AControl && AControl == InnerControl() && !NeedsInnerEdit()) {
    // Hidden by clipping: the painted text shows instead.
    AClip.IsEmpty = false;
    AClip.Rect = RECT{0, 0, 0, 0};
    return;
  }
  inherited::ClipControlRect(ABounds, AControl, AClip);
  TcxCustomTextEditViewInfo* viewInfo = TextViewInfo();
  TcxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (!AClip.IsEmpty && !IsInplace() && viewInfo && viewInfo->NativeStyle && viewInfo->ComboBoxStyle &&
      (style == esEdit || style == esEditList)) {
    AClip.Rect.right -= 1;
    AClip.Rect.bottom -= 1;
  }
}

void TcxCustomTextEdit::UpdateInnerEditStyle() {
  TWinControl* inner = InnerControl();
  if (!inner || !InnerEdit() || IsCreating()) return;
  InnerEdit()->LockBounds(true);
  try {
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    inner->SetColor(viewInfo->BackgroundColor);
    TFont* font = New<TFont>();
    try {
      font->Assign(GetCurrentStyle()->GetVisibleFont());
      font->SetColor(viewInfo->TextColor);
      inner->SetFont(font);
    } catch (...) {
      font->Free();
      throw;
    }
    font->Free();
  } catch (...) {
    InnerEdit()->LockBounds(false);
    throw;
  }
  InnerEdit()->LockBounds(false);
}

bool TcxCustomTextEdit::RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) {
  if (!HandleAllocated() || IsEditDestroying()) return false;
  TObjectLink<TcxCustomTextEdit> alive(this);
  bool changed = inherited::RefreshContainer(P, AButton, AShift, AIsMouseEvent);
  if (!alive) return changed;
  if (changed) UpdateInnerEditStyle();
  SetDoubleBuffered(!NeedsInnerEdit());
  return changed;
}

void TcxCustomTextEdit::GetSizeRequest(TcxEditSizeProperties& ASizeProperties) {
  if (TextViewInfo()) {
    ASizeProperties.MaxLineCount = 1;
    ASizeProperties.Width = -1;
    return;
  }
  inherited::GetSizeRequest(ASizeProperties);
}

// ---- selection --------------------------------------------------------------------------------------------------

int32_t TcxCustomTextEdit::SelStart() {
  TcxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner || style == esNoEdit || (style == esFixedList && !FFindSelection)) return 0;
  return inner->GetSelStart();
}

int32_t TcxCustomTextEdit::SelLength() {
  TcxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner || style == esNoEdit || (style == esFixedList && !FFindSelection)) return 0;
  return inner->GetSelLength();
}

String TcxCustomTextEdit::SelText() {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  return inner ? inner->GetSelText() : String();
}

void TcxCustomTextEdit::SetSelStart(int32_t Value) {
  if (IcxInnerTextEdit* inner = GetInnerTextEdit()) inner->SetSelStart(Value);
}

void TcxCustomTextEdit::SetSelLength(int32_t Value) {
  if (IcxInnerTextEdit* inner = GetInnerTextEdit()) inner->SetSelLength(Value);
}

void TcxCustomTextEdit::SetSelection(int32_t ASelStart, int32_t ASelLength) {
  SetSelStart(ASelStart);
  SetSelLength(ASelLength);
}

void TcxCustomTextEdit::SelectAll() {
  if (IcxInnerTextEdit* inner = GetInnerTextEdit()) inner->SelectAll();
}

void TcxCustomTextEdit::SetFindSelection(bool Value) {
  if (!HandleAllocated() || FFindSelection == Value) return;
  FFindSelection = Value;
  UpdateStateAtCursor();
  UpdateDrawValue();
}

int32_t TcxCustomTextEdit::GetCaretCharIndex() {
  TcxCustomInnerTextEdit* inner = InnerTextEditControl();
  if (!inner || !inner->HandleAllocated()) return 0;
  HWND wnd = inner->Handle();
  POINT caret{};
  GetCaretPos(&caret);
  auto xOf = [&](int32_t AIndex) {
    LRESULT r = ::SendMessage(wnd, EM_POSFROMCHAR, static_cast<WPARAM>(AIndex), 0);
    return static_cast<int32_t>(static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(r))));
  };
  int32_t length = Utf8Length(DisplayText());
  int32_t low = 0, high = std::max(length - 1, 0);
  while (high - low > 1) {
    int32_t middle = (low + high) / 2;
    if (xOf(middle) <= caret.x)
      low = middle;
    else
      high = middle;
  }
  if (xOf(low) == caret.x) return low;
  return xOf(high) == caret.x ? high : high + 1;
}

// ---- text insertion ----------------------------------------------------------------------------------------------

// Caret positions and the maximum length count characters: a Cyrillic letter counts once although it takes
// two bytes.
bool TcxCustomTextEdit::PrepareTextInsertion(const String& AText, String& ANewText, int32_t& ANewCaretPos) {
  ANewText.clear();
  ANewCaretPos = 0;
  TcxCustomTextEditProperties* properties = ActiveProperties();
  TcxEditEditingStyle style = properties->GetEditingStyle();
  bool keyboard = KeyboardAction();
  if (keyboard && style == esNoEdit) return false;
  if (style == esFixedList || style == esNoEdit) SelectAll();
  String text = DisplayText();
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  int32_t selStart = inner ? inner->GetSelStart() : 0;
  int32_t selLength = inner ? inner->GetSelLength() : 0;
  String before = TextEditLeft(text, selStart);
  String after = TextEditFrom(text, selStart + selLength);
  int32_t maxLength = properties->MaxLength();
  String newText;
  if (keyboard && style == esEdit && maxLength > 0) {
    newText = before + AText;
    if (Utf8Length(newText) > maxLength) newText = TextEditLeft(newText, maxLength);
    ANewCaretPos = Utf8Length(newText);
    if (ANewCaretPos < selStart) return false;
    newText += after;
    if (Utf8Length(newText) > maxLength) newText = TextEditLeft(newText, maxLength);
  } else {
    newText = style == esFixedList ? AText : before + AText + after;
    ANewCaretPos = (style == esFixedList ? 0 : selStart) + Utf8Length(AText);
  }
  Variant value{newText};
  if (!properties->NormalizeEditValue(value, IsEditFocused())) return false;
  if (keyboard && !DoEditing()) return false;
  ANewText = VarToStr(value);
  return true;
}

void TcxCustomTextEdit::SetSelText(const String& Value) {
  String newText;
  int32_t caret = 0;
  if (!PrepareTextInsertion(Value, newText, caret)) return;
  TObjectLink<TcxCustomTextEdit> alive(this);
  ApplyDisplayValue(Variant(newText));
  if (!alive) return;
  SetSelStart(caret);
  SetSelLength(0);
}

void TcxCustomTextEdit::ClearSelection() {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner || inner->GetSelLength() == 0) return;
  int32_t start = inner->GetSelStart();
  String text = DisplayText();
  String rest = TextEditLeft(text, start) + TextEditFrom(text, start + inner->GetSelLength());
  TObjectLink<TcxCustomTextEdit> alive(this);
  if (TrySetDisplayText(rest) && alive) {
    SetSelStart(start);
    SetSelLength(0);
  }
}

void TcxCustomTextEdit::SetEditingText(const String& AText) {
  if (!DoEditing()) return;
  SetText(AText);
  SetModifiedAfterEnter(true);
}

// There is no undo history: Undo is the value as it was on entering.
void TcxCustomTextEdit::Undo() { Reset(); }

// ---- clipboard -----------------------------------------------------------------------------------------------------

void TcxCustomTextEdit::CopyToClipboard() {
  TcxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == esFixedList || style == esNoEdit) SelectAll();
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (inner && inner->GetSelLength() > 0) inner->CopyToClipboard();
}

void TcxCustomTextEdit::CutToClipboard() {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner || SelLength() == 0) return;
  if (KeyboardAction()) {
    String newText;
    int32_t caret = 0;
    if (PrepareTextInsertion(String(), newText, caret)) inner->CallDefWndProc(WM_CUT, 0, 0);
    return;
  }
  inner->CopyToClipboard();
  SetSelText(String());
}

void TcxCustomTextEdit::PasteFromClipboard() {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  String text;
  if (!inner || !TextEditClipboardText(HandleAllocated() ? Handle() : nullptr, text)) return;
  if (KeyboardAction()) {
    String newText;
    int32_t caret = 0;
    if (PrepareTextInsertion(text, newText, caret)) inner->CallDefWndProc(WM_PASTE, 0, 0);
    return;
  }
  SetSelText(text);
}

// ---- keys -----------------------------------------------------------------------------------------------------------

bool TcxCustomTextEdit::IsValidChar(char32_t AChar) {
  if (inherited::IsValidChar(AChar)) return true;
  return AChar < 256 && ActiveProperties()->ValidChars().test(static_cast<size_t>(AChar));
}

bool TcxCustomTextEdit::IsModifyingKey(uint16_t Key, TShiftState Shift) {
  if (inherited::IsModifyingKey(Key, Shift) || Key == VK_DELETE) return true;
  if (!FLookupData || !ActiveProperties()->UsesLookupData() || FLookupData->IsEmpty() || !CanLookupNow(false))
    return false;
  if (Key == VK_PRIOR || Key == VK_NEXT) return !HasPopupWindow();
  if (Key == VK_UP || Key == VK_DOWN) return !HasPopupWindow() && !Shift.Contains(ssAlt);
  return false;
}

bool TcxCustomTextEdit::IsModifyingChar(char32_t Key) { return Key == 8 || Key == 22 || Key == 24 || Key >= 32; }

void TcxCustomTextEdit::KeyPress(char32_t& Key) {
  if (Key == 27 && FPopupJustClosed && !HasPopupWindow()) FPopupJustClosed = false;
  bool saved = KeyboardAction();
  SetKeyboardAction(true);
  TObjectLink<TcxCustomTextEdit> alive(this);
  try {
    inherited::KeyPress(Key);
  } catch (...) {
    if (alive) SetKeyboardAction(saved);
    throw;
  }
  if (alive) SetKeyboardAction(saved);
}

void TcxCustomTextEdit::DoEditKeyDown(uint16_t& Key, TShiftState Shift) {
  TObjectLink<TcxCustomTextEdit> alive(this);
  TcxCustomTextEditProperties* properties = ActiveProperties();
  TcxEditEditingStyle style = properties->GetEditingStyle();
  if (style == esFixedList && (Key == VK_LEFT || Key == VK_RIGHT || Key == VK_DELETE)) {
    SetFindSelection(false);
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  bool findSelectionBefore = FFindSelection;
  uint16_t original = Key;
  if (inner) inner->SetKeyConsumed(true);
  inherited::DoEditKeyDown(Key, Shift);
  if (!alive) return;
  inner = GetInnerTextEdit();
  if (original == VK_RETURN && findSelectionBefore) SelectAll();
  if (Key >= VK_PRIOR && Key <= VK_DELETE) {
    if (Key == VK_LEFT || Key == VK_RIGHT) {
      if (!Shift.Contains(ssShift) && inner && inner->GetSelLength() > 0) {
        int32_t start = inner->GetSelStart();
        int32_t caret = Key == VK_RIGHT ? start + inner->GetSelLength() : start;
        inner->SetSelStart(caret);
        inner->SetSelLength(0);
        Key = 0;
      }
      SetFindSelection(false);
    } else if (Key == VK_DELETE) {
      if (style == esEditList) {
        DoAfterKeyDown(Key, Shift);
        Key = 0;
      } else {
        SetFindSelection(false);
      }
    } else if (Key < VK_INSERT) {
      bool lookupKey = Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN ||
                       (style == esFixedList && (Key == VK_HOME || Key == VK_END));
      if (lookupKey && FLookupData && properties->UsesLookupData() && CanLookupNow(false) && !FLookupData->IsEmpty()) {
        WithEditChangeEventsLocked([&] {
          FLookupItemsScrolling = true;
          Variant before = FLookupData->GetCurrentIndex();
          LockClick(true);
          try {
            bool ctrl = Shift.Contains(ssCtrl);
            switch (Key) {
              case VK_PRIOR: FLookupData->Navigate(ctrl ? lnFirst : lnPageUp, false); break;
              case VK_NEXT: FLookupData->Navigate(ctrl ? lnLast : lnPageDown, false); break;
              case VK_END: FLookupData->Navigate(lnLast, false); break;
              case VK_HOME: FLookupData->Navigate(lnFirst, false); break;
              case VK_UP: FLookupData->Navigate(lnPrevious, false); break;
              default: FLookupData->Navigate(lnNext, false); break;
            }
          } catch (...) {
            LockClick(false);
            FLookupItemsScrolling = false;
            throw;
          }
          LockClick(false);
          if (!VarEqualsExact(before, FLookupData->GetCurrentIndex())) {
            SetModifiedAfterEnter(true);
            Click();
            if (CanPostEditValue() && properties->ImmediatePost() && DoValidateEdit(true)) PostEditValue(false);
          }
          FLookupItemsScrolling = false;
        });
        if (!alive) return;
        Key = 0;
      } else if (Key != VK_HOME && Key != VK_END && Key != 0 && !(inner && inner->GetMultiLine())) {
        DoAfterKeyDown(Key, Shift);
        Key = 0;
      }
    }
  }
  if (Key == VK_END && style != esFixedList && (!inner || inner->GetSelLength() == 0)) SetFindSelection(false);
  if (Key != 0 && inner) inner->SetKeyConsumed(false);
}

// Typing into an editor with lookup items completes the typed text to the first item it starts, the rest
// shown selected; in the list styles a character that completes nothing is refused.
void TcxCustomTextEdit::DoEditKeyPress(char32_t& Key) {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (inner) inner->SetKeyConsumed(true);
  TObjectLink<TcxCustomTextEdit> alive(this);
  inherited::DoEditKeyPress(Key);
  if (!alive) return;
  TcxCustomTextEditProperties* properties = ActiveProperties();
  bool lookup = FLookupData && properties->UsesLookupData() && inner;
  bool found = false;
  if (Key != 0 && lookup) {
    FLookupTextChangeLock = false;
    bool savedKeyboardAction = KeyboardAction();
    SetKeyboardAction(true);
    Variant before = FLookupData->GetCurrentIndex();
    LockClick(true);
    auto finish = [&] {
      if (!alive) return;
      LockClick(false);
      SetKeyboardAction(savedKeyboardAction);
      if (FLookupData && !VarEqualsExact(before, FLookupData->GetCurrentIndex())) {
        SetModifiedAfterEnter(true);
        Click();
      }
    };
    try {
      TcxEditEditingStyle style = properties->GetEditingStyle();
      bool fixedList = properties->FixedListSelection();
      if (style == esFixedList && !fixedList && Key == 8) {
        Key = 0;
        SetFindSelection(false);
      }
      if (Key == 8) {
        String text = DisplayText();
        if (style == esEditList && !text.empty() && !FFindSelection) {
          int32_t start = inner->GetSelStart();
          inner->SetSelLength(Utf8Length(text) - start);
          SetFindSelection(true);
        }
        if (FFindSelection) {
          String prefix = TextEditLeft(text, inner->GetSelStart());
          int32_t length = Utf8Length(prefix);
          prefix = TextEditLeft(prefix, std::max(length - 1, 0));
          bool savedLock = std::exchange(FLookupTextChangeLock, true);
          found = FindAndComplete(prefix);
          FLookupTextChangeLock = savedLock;
        }
        if (style == esFixedList) Key = 0;
      } else if (Key >= 32) {
        String text = DisplayText();
        int32_t selStart = inner->GetSelStart(), selLength = inner->GetSelLength();
        bool atEnd = selLength == 0 && selStart == Utf8Length(text);
        if (style == esEditList || style == esFixedList || atEnd || FFindSelection || selLength > 0) {
          bool findSelectionBefore = FFindSelection;
          bool savedLock = std::exchange(FLookupTextChangeLock, true);
          String typed = Utf8FromCodePoint(Key);
          String search;
          if (selLength > 0)
            search = TextEditLeft(text, selStart) + typed;
          else if (style != esFixedList)
            search = TextEditLeft(text, selStart) + typed + TextEditFrom(text, selStart);
          else if (FFindSelection)
            search = text + typed;
          else
            search = typed;
          if (style == esFixedList && selLength == 0 && FFindSelection) {
            found = FindAndComplete(search);
            if (!found) search = typed;
          }
          if (!found) found = FindAndComplete(search);
          if (!found && style == esFixedList && !fixedList) {
            search = typed;
            found = FindAndComplete(search);
          }
          FLookupTextChangeLock = savedLock;
          if ((style == esEditList || style == esFixedList) && !found) {
            Key = 0;
            if (style == esEditList && !DisplayText().empty()) SetFindSelection(true);
            if (style == esFixedList && fixedList && findSelectionBefore) SetFindSelection(true);
          }
        }
      }
    } catch (...) {
      finish();
      throw;
    }
    finish();
    if (!alive) return;
    if (found) Key = 0;
  }
  if (Key != 0 && inner) inner->SetKeyConsumed(false);
}

bool TcxCustomTextEdit::FindAndComplete(String& APrefix) {
  if (!FLookupData) return false;
  TcxCustomTextEditProperties* properties = ActiveProperties();
  String search = APrefix;
  String tail;
  bool found = FLookupData->Locate(search, tail, false);
  if (found) APrefix = search;
  SetFindSelection(found);
  if (APrefix.empty()) {
    if (properties->GetEditingStyle() != esFixedList) DataBinding()->SetDisplayValue(properties->GetEmptyDisplayValue());
    SetFindSelection(false);
  }
  if (found) {
    DataBinding()->SetDisplayValue(Variant(APrefix + tail));
    SetSelStart(Utf8Length(APrefix));
    SetSelLength(Utf8Length(tail));
  }
  UpdateDrawValue();
  return found;
}

// ---- the inner edit's window procedure while hooked ----------------------------------------------------------------

void TcxCustomTextEdit::InnerEditWindowProc(TMessage& Message) {
  if (Message.Msg == WM_SETFOCUS) {
    // Focusing while activated by a key: the text is selected, the native caret comes after unhooking.
    IcxInnerTextEdit* inner = GetInnerTextEdit();
    if (inner && inner->GetAutoSelect()) SelectAll();
    Message.Result = 0;
    return;
  }
  inherited::InnerEditWindowProc(Message);
}

void TcxCustomTextEdit::UnhookInnerEditWindowProc() {
  inherited::UnhookInnerEditWindowProc();
  TcxCustomInnerTextEdit* inner = InnerTextEditControl();
  if (!inner || !inner->HandleAllocated() || GetFocus() != inner->Handle() || IsEditDestroying()) return;
  bool autoSelect = inner->AutoSelect();
  inner->SetAutoSelect(false);
  TObjectLink<TcxCustomInnerTextEdit> alive(inner);
  try {
    ::SendMessage(inner->Handle(), WM_SETFOCUS, 0, 0);
  } catch (...) {
    if (alive) inner->SetAutoSelect(autoSelect);
    throw;
  }
  if (alive) inner->SetAutoSelect(autoSelect);
}

// ---- lookup ----------------------------------------------------------------------------------------------------------

void TcxCustomTextEdit::DoOnNewLookupDisplayText(const String& AText) {
  if (auto* own = dynamic_cast<TcxCustomTextEditProperties*>(TcxCustomEdit::Properties()))
    if (own->OnNewLookupDisplayText) own->OnNewLookupDisplayText(this, AText);
  if (auto* item = dynamic_cast<TcxCustomTextEditProperties*>(GetRepositoryItemProperties()))
    if (item->OnNewLookupDisplayText) item->OnNewLookupDisplayText(this, AText);
}

void TcxCustomTextEdit::ApplyLookupSelection(TObject*) {
  if (!FLookupData) return;
  Variant value = LookupKeyToEditValue(FLookupData->GetCurrentIndex());
  bool differs = !VarEqualsExact(value, FEditValue);
  if (differs && !DoEditing()) return;
  TObjectLink<TcxCustomTextEdit> alive(this);
  SaveModified();
  try {
    ApplyEditValue(value);
  } catch (...) {
    if (alive) RestoreModified();
    throw;
  }
  if (!alive) return;
  RestoreModified();
  if (differs) SetModifiedAfterEnter(true);
  SelectAll();
  UpdateStateAtCursor();
}

Variant TcxCustomTextEdit::LookupKeyToEditValue(const Variant& AKey) {
  Variant value;
  DisplayToEditValue(Variant(FLookupData ? FLookupData->GetKeyText(AKey) : String()), value);
  return value;
}

void TcxCustomTextEdit::UpdateLookupFromText() {
  if (ActiveProperties()->UsesLookupData()) SetFindSelection(false);
}

int32_t TcxCustomTextEdit::GetItemIndex() const {
  if (!FLookupData) return -1;
  const Variant index = FLookupData->GetCurrentIndex();
  return VarIsNull(index) || VarIsEmpty(index) ? -1 : index.AsInteger();
}

void TcxCustomTextEdit::SelectLookupItem(int32_t AIndex) {
  if (!FLookupData) return;
  Variant before = FLookupData->GetCurrentIndex();
  TObjectLink<TcxCustomTextEdit> alive(this);
  LockClick(true);
  try {
    FLookupData->SetCurrentIndex(Variant(AIndex));
    Variant value = LookupKeyToEditValue(FLookupData->GetCurrentIndex());
    if (!VarEqualsExact(value, FEditValue)) SetEditValue(value);
  } catch (...) {
    if (alive) LockClick(false);
    throw;
  }
  if (!alive) return;
  LockClick(false);
  if (!VarEqualsExact(before, FLookupData->GetCurrentIndex())) {
    SetModified(false);
    Click();
  }
}

// ---- messages of the editor itself ------------------------------------------------------------------------------------

void TcxCustomTextEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXT:
      WMGetText(Message);
      return;
    case WM_GETTEXTLENGTH:
      WMGetTextLength(Message);
      return;
    case WM_SETTEXT:
      if (FInternalTextSetting) break;
      WMSetText(Message);
      return;
    case WM_CLEAR:
      WMClear(Message);
      return;
    default:
      break;
  }
  inherited::WndProc(Message);
}

// The buffer counts bytes; the copy never splits a character.
void TcxCustomTextEdit::WMGetText(TMessage& Message) {
  Message.Result = 0;
  if (IsEditDestroying()) return;
  auto* buffer = reinterpret_cast<char*>(Message.LParam);
  size_t size = static_cast<size_t>(Message.WParam);
  if (!buffer || size == 0) return;
  String text = ReadText();
  size_t count = std::min(text.size(), size - 1);
  while (count > 0 && count < text.size() && !Utf8IsBoundary(text, count)) --count;
  std::copy_n(text.data(), count, buffer);
  buffer[count] = '\0';
  Message.Result = static_cast<LRESULT>(count);
}

void TcxCustomTextEdit::WMGetTextLength(TMessage& Message) {
  Message.Result = IsEditDestroying() ? 0 : static_cast<LRESULT>(ReadText().size());
}

void TcxCustomTextEdit::WMSetText(TMessage& Message) {
  const char* text = reinterpret_cast<const char*>(Message.LParam);
  bool saved = std::exchange(FInternalTextSetting, true);
  TObjectLink<TcxCustomTextEdit> alive(this);
  try {
    Message.Result = WriteText(text ? String(text) : String()) ? 1 : 0;
  } catch (...) {
    if (alive) FInternalTextSetting = saved;
    throw;
  }
  if (alive) FInternalTextSetting = saved;
}

void TcxCustomTextEdit::WMClear(TMessage& Message) {
  Message.Result = 0;
  if (ActiveProperties()->ReadOnly() || !DataBinding()->IsDataAvailable()) return;
  bool saved = KeyboardAction();
  SetKeyboardAction(true);
  TObjectLink<TcxCustomTextEdit> alive(this);
  try {
    ClearSelection();
  } catch (...) {
    if (alive) SetKeyboardAction(saved);
    throw;
  }
  if (alive) SetKeyboardAction(saved);
}

void TcxCustomTextEdit::DoEnter() {
  TObjectLink<TcxCustomTextEdit> alive(this);
  inherited::DoEnter();
  // The inner edit is focused with its own AutoSelect held off (so that a click is not undone); the
  // editor selects for the keyboard entries instead. A press of the left button is a click.
  if (!alive || IsInplace() || IsEditDestroying() || !ActiveProperties()->AutoSelect()) return;
  if (GetKeyState(VK_LBUTTON) < 0) return;
  SelectAll();
}

void TcxCustomTextEdit::DoExit() {
  TObjectLink<TcxCustomTextEdit> alive(this);
  inherited::DoExit();
  if (alive) SetFindSelection(false);
}

// ---- TcxTextEdit ---------------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxTextEdit) {
  prop("AutoSize", &TcxTextEdit::AutoSize, &TcxTextEdit::SetAutoSize).Default(true);
  prop("BeepOnEnter", &TcxTextEdit::BeepOnEnter, &TcxTextEdit::SetBeepOnEnter).Default(true);
  prop("Properties", &TcxTextEdit::Properties, &TcxTextEdit::SetProperties);
  prop("Style", &TcxTextEdit::Style, &TcxTextEdit::SetStyle);
  prop("StyleDisabled", &TcxTextEdit::StyleDisabled, &TcxTextEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxTextEdit::StyleFocused, &TcxTextEdit::SetStyleFocused);
  prop("StyleHot", &TcxTextEdit::StyleHot, &TcxTextEdit::SetStyleHot);
  prop("Text", &TcxTextEdit::Text, &TcxTextEdit::SetText).Stored(false);
  event("OnEditing", &TcxTextEdit::OnEditing, &TcxTextEdit::OnEditing);
}

void cxTextEditInitialize() {
  GetRegisteredEditProperties()->Register(TcxTextEditProperties::StaticClass(), cxSEditRepositoryTextItem);
  RegisterClasses({TcxTextEdit::StaticClass()});
}
