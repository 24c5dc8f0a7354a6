#pragma once
// The masked editor: the text editor with a mask that checks every typed character. The editor routes each
// key, character, paste, cut, caret move and value conversion to one mask mode object; three modes exist,
// chosen by MaskKind: the classic fixed-width mask and two regular-expression modes, the second of which
// inserts and removes the literal characters the expression forces (separators, fixed prefixes).
//
// Sections: the modes, the properties, the editor control. Positions count characters (code points) of UTF-8 text.

#include <cstdint>
#include <memory>

#include "rtl/Utf8.h"
#include "ui/editors/cxRegExpr.h"
#include "ui/editors/cxStandardMask.h"
#include "ui/editors/cxTextEdit.h"

class TcxCustomMaskEdit;
class TcxCustomMaskEditProperties;

enum TcxEditMaskKind : uint8_t { emkStandard, emkRegExpr, emkRegExprEx };
RTL_ENUM(TcxEditMaskKind, emkStandard, emkRegExpr, emkRegExprEx)

// Raised when a mask cannot be compiled.
class EcxMaskEditError : public Exception {
  RTL_CLASS(EcxMaskEditError, Exception)
public:
  explicit EcxMaskEditError(const String& AMessage) : Exception(AMessage) {}
};

inline constexpr const char* cxSMaskEditRegExprError = "Regular expression errors:";
inline constexpr const char* cxSMaskEditInvalidEditValue = "The edit value is invalid";

// ---- mask modes ---------------------------------------------------------------------------------------------

class TcxMaskEditCustomMode;
// A mode class: its metaclass and a creator (a derived editor supplies its own).
struct TcxMaskEditModeClass {
  using Creator = TcxMaskEditCustomMode* (*)(TcxCustomMaskEdit* AEdit, TcxCustomMaskEditProperties* AProperties);
  TClass Class = nullptr;
  Creator Create = nullptr;
  explicit operator bool() const { return Class != nullptr && Create != nullptr; }
  template <class T>
  static TcxMaskEditModeClass Of() {
    return {T::StaticClass(), [](TcxCustomMaskEdit* AEdit, TcxCustomMaskEditProperties* AProperties) {
              auto* mode = New<T>(AEdit, AProperties);
              return static_cast<TcxMaskEditCustomMode*>(mode);
            }};
  }
};

// What a mask kind does with the editor's keys and text. The Press operations answer false to swallow the
// key (the inner edit then does not act on it).
class TcxMaskEditCustomMode : public TObject {
  RTL_CLASS(TcxMaskEditCustomMode, TObject)
public:
  TcxMaskEditCustomMode(TcxCustomMaskEdit* AEdit, TcxCustomMaskEditProperties* AProperties);

  virtual uint8_t GetMaskKind() const { return emkStandard; }
  virtual void AfterPasting() = 0;
  virtual void CompileMask(const String& AMask) = 0;
  virtual String GetBlankText() = 0;
  virtual String GetFormattedText(const String& AText) = 0;
  virtual void HandleDblClick() = 0;
  virtual bool IsCursorAtMaskStart() = 0;
  virtual bool IsCursorAtMaskEnd() = 0;
  virtual bool IsTextValid(const String& AText) = 0;
  virtual void AdjustCursorPosition() = 0;
  virtual void BeforeTextInsertion() = 0;
  virtual bool PressBackspace() = 0;
  virtual bool PressDelete() = 0;
  virtual bool PressEnd() = 0;
  virtual bool PressHome() = 0;
  virtual bool PressLeft() = 0;
  virtual bool PressRight() = 0;
  virtual bool PressSymbol(char32_t& AChar) = 0;
  virtual void TextAssigned(const String& AText) = 0;
  virtual void UpdateEditValue();
  virtual void ApplyPendingEditValue() = 0;
  virtual String GetDisplayTextWithoutBlanks(const String& AText) = 0;

  // The editor's active properties when it has an editor, else the mode's own.
  TcxCustomMaskEditProperties* GetActiveProperties();
  // The editor, unless there is none or it is being destroyed.
  TcxCustomMaskEdit* Edit() const;
  bool HasEdit() const { return Edit() != nullptr; }
  const String& Mask() const { return FMask; }
  int32_t ClipboardTextLength() const { return FClipboardTextLength; }
  void SetClipboardTextLength(int32_t Value) { FClipboardTextLength = Value; }
  // Where a paste starts (the editor tells it before replacing the selection).
  void SetPasteStart(int32_t Value) { FPasteStart = Value; }
  bool NeedUpdateEditValue() const { return FNeedUpdateEditValue; }
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value) { FCharCase = Value; }
  TcxEditEchoMode EchoMode() const { return FEchoMode; }
  void SetEchoMode(TcxEditEchoMode Value) { FEchoMode = Value; }

protected:
  // Editor helpers the modes share (no-ops without an editor).
  String EditText();
  int32_t SelStart();
  int32_t SelLength();
  void SetSelection(int32_t AStart, int32_t ALength);
  bool ShiftHeld();
  void Beep();

  TcxCustomMaskEdit* FEdit;
  TcxCustomMaskEditProperties* FProperties;
  int32_t FClipboardTextLength = 0;
  int32_t FPasteStart = 0;
  bool FNeedUpdateEditValue = false;
  TEditCharCase FCharCase = ecNormal;
  TcxEditEchoMode FEchoMode = eemNormal;
  String FMask;
};

// The classic fixed-width mask: the caret behaves as an overwrite caret on the blank text.
class TcxMaskEditStandardMode : public TcxMaskEditCustomMode {
  RTL_CLASS(TcxMaskEditStandardMode, TcxMaskEditCustomMode)
public:
  using TcxMaskEditCustomMode::TcxMaskEditCustomMode;

  void AfterPasting() override;
  void CompileMask(const String& AMask) override;
  String GetBlankText() override { return FMaskObject.GetEmptyText(); }
  String GetFormattedText(const String& AText) override;
  void HandleDblClick() override {}
  bool IsCursorAtMaskStart() override;
  bool IsCursorAtMaskEnd() override;
  bool IsTextValid(const String& AText) override;
  void AdjustCursorPosition() override;
  void BeforeTextInsertion() override;
  bool PressBackspace() override;
  bool PressDelete() override;
  bool PressEnd() override;
  bool PressHome() override;
  bool PressLeft() override;
  bool PressRight() override;
  bool PressSymbol(char32_t& AChar) override;
  void TextAssigned(const String&) override { AdjustCursorPosition(); }
  void UpdateEditValue() override;
  void ApplyPendingEditValue() override;
  String GetDisplayTextWithoutBlanks(const String& AText) override;

  virtual char32_t GetBlankChar() const { return FMaskObject.BlankChar(); }
  TcxStandardMask& StandardMask() { return FMaskObject; }

protected:
  bool IsLiteralAt(int32_t APosition) const;
  bool IsPlaceAt(int32_t APosition) const;
  // The mask's text length (one character per item).
  int32_t Length() const { return FMaskObject.Count(); }

  TcxStandardMask FMaskObject;
  int32_t FCaretBeforePaste = 0;
};

// A regular-expression mask: the text is split at the caret into a head, fed into the automaton, and a
// tail that must still fit after it.
class TcxMaskEditRegExprMode : public TcxMaskEditCustomMode {
  RTL_CLASS(TcxMaskEditRegExprMode, TcxMaskEditCustomMode)
public:
  TcxMaskEditRegExprMode(TcxCustomMaskEdit* AEdit, TcxCustomMaskEditProperties* AProperties);

  uint8_t GetMaskKind() const override { return emkRegExpr; }
  void AfterPasting() override {}
  void CompileMask(const String& AMask) override;
  String GetBlankText() override { return String(); }
  String GetFormattedText(const String& AText) override;
  void HandleDblClick() override;
  bool IsCursorAtMaskStart() override { return SelStart() == 0; }
  bool IsCursorAtMaskEnd() override { return SelStart() == Utf8Length(EditText()); }
  bool IsTextValid(const String& AText) override;
  void AdjustCursorPosition() override { FMouseAction = true; }
  void BeforeTextInsertion() override {}
  bool PressBackspace() override;
  bool PressDelete() override;
  bool PressEnd() override;
  bool PressHome() override;
  bool PressLeft() override;
  bool PressRight() override;
  bool PressSymbol(char32_t& AChar) override;
  void TextAssigned(const String& AText) override;
  void UpdateEditValue() override;
  void ApplyPendingEditValue() override {}
  String GetDisplayTextWithoutBlanks(const String& AText) override { return AText; }

  virtual void DeleteSelection();
  virtual void RestoreSelection();

  TcxRegExpr& RegExpr() { return FRegExpr; }
  const std::u32string& Head() const { return FHead; }
  const std::u32string& Tail() const { return FTail; }
  void SetCaseInsensitive(bool Value) { FRegExpr.SetCaseInsensitive(Value); }

protected:
  // Whether AText as a whole passes the compiled expression (a fresh engine, so the typing state is kept).
  bool MatchesWholeText(const String& AText);
  virtual void Synchronize();
  // Feeds the tail and steps back over it; false (automaton as before) when a character is refused.
  bool CheckTail();
  // Drops the text after the caret from the editor and the tail.
  void DropTail();
  // Moves characters between head and tail, stepping the automaton.
  void HeadToTail(int32_t ACount);
  void TailToHead(int32_t ACount);
  // Resets the automaton and feeds the first ACount characters of the text into the head.
  void SyncTo(int32_t ACount);
  bool Compiled() const { return FRegExpr.IsCompiled(); }

  TcxRegExpr FRegExpr;
  std::u32string FHead;
  std::u32string FTail;
  std::u32string FSelection;
  bool FSelectionAtStart = false;
  bool FMouseAction = false;
};

// The regular-expression mask with forced literals inserted and removed by the automaton.
class TcxMaskEditRegExprExMode : public TcxMaskEditRegExprMode {
  RTL_CLASS(TcxMaskEditRegExprExMode, TcxMaskEditRegExprMode)
public:
  TcxMaskEditRegExprExMode(TcxCustomMaskEdit* AEdit, TcxCustomMaskEditProperties* AProperties);

  uint8_t GetMaskKind() const override { return emkRegExprEx; }
  void CompileMask(const String& AMask) override;
  String GetBlankText() override;
  String GetFormattedText(const String& AText) override;
  void HandleDblClick() override;
  bool IsTextValid(const String& AText) override;
  void BeforeTextInsertion() override { Synchronize(); }
  bool PressBackspace() override;
  bool PressDelete() override;
  bool PressEnd() override;
  bool PressHome() override;
  bool PressLeft() override;
  bool PressRight() override;
  bool PressSymbol(char32_t& AChar) override;
  void TextAssigned(const String& AText) override;
  void ApplyPendingEditValue() override;

protected:
  void Synchronize() override;
  void AutoInsert(char32_t AChar) { FInserted.push_back(AChar); }
  void AutoRemove() { ++FRemoved; }
  void Clear() {
    FInserted.clear();
    FRemoved = 0;
  }
  // Insertion off and on again; answers the literals switching on inserted.
  std::u32string ToggleInsertion();
  // Insertion on again after a cut made with it off; literals that inserts are stepped back over.
  bool ToggleInsertionAfterCut();
  // After a deletion: the tail is refilled with its trailing literals when it still fits, else dropped.
  void RefillOrDropTail();
  // Sends the characters to the inner edit so that they appear at once.
  void PostText(const std::u32string& AText);
  // Appends literals to the end of the editor's text, the caret staying where it is.
  void AppendLiterals(const std::u32string& ALiterals);
  // The literals the expression starts with.
  int32_t LeadingLength();
  // Keeps the caret and a selection start behind the leading literals (they cannot be edited).
  void SkipLeadingLiterals();
  // Feeds the tail with insertion off; on success steps back over it (and its trailing literals, which are
  // appended), else drops it.
  void FeedTail();

  std::u32string FInserted;
  int32_t FRemoved = 0;
  String FBlankLiterals;
};

// ---- properties ---------------------------------------------------------------------------------------------

class TcxCustomMaskEditProperties : public TcxCustomTextEditProperties {
  RTL_CLASS(TcxCustomMaskEditProperties, TcxCustomTextEditProperties)
public:
  explicit TcxCustomMaskEditProperties(TPersistent* AOwner);
  ~TcxCustomMaskEditProperties() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  virtual TcxMaskEditModeClass GetModeClass(TcxEditMaskKind AKind);
  // The mask in effect: the stored one, or the data's default mask for a blank standard mask.
  virtual String GetEditMask();
  bool IsMasked() { return !IsMaskBlank(GetEditMask()); }
  // The value of an empty field under the current mask (written by the editor).
  String GetBaseEditMask() const { return FEmptyString; }
  void SetEmptyString(const String& Value) { FEmptyString = Value; }
  static bool IsMaskBlank(const String& AMask);

  // ---- the core's questions ----
  TClass GetContainerClass() const override;
  uint8_t GetDisplayFormatOptions() const override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  void ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                         bool& AError) override;
  bool UsesLookupData() override;
  void TextSettingChanged() override;
  void SetCharCase(TEditCharCase Value) override;
  // The regional separators are resolved when a mask compiles: the display mode compiles again.
  void FormatChanged() override;

  // ---- properties ----
  bool AlwaysShowBlanksAndLiterals() const { return FAlwaysShowBlanksAndLiterals; }
  void SetAlwaysShowBlanksAndLiterals(bool Value);
  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool Value);
  String EditMask() const { return FEditMask; }
  void SetEditMask(const String& Value);
  // Stores without compiling or notifying (the editor writes back a mask it has compiled).
  void StoreEditMask(const String& Value) { FEditMask = Value; }
  bool IgnoreMaskBlank() const { return FIgnoreMaskBlank; }
  void SetIgnoreMaskBlank(bool Value);
  TcxEditMaskKind MaskKind() const { return FMaskKind; }
  void SetMaskKind(TcxEditMaskKind Value);

private:
  TcxMaskEditCustomMode* DisplayMode(const String& AMask);

  bool FAlwaysShowBlanksAndLiterals = false;
  bool FCaseInsensitive = true;
  String FEditMask;
  bool FIgnoreMaskBlank = false;
  TcxEditMaskKind FMaskKind = emkStandard;
  String FEmptyString;
  TcxMaskEditCustomMode* FDisplayMode = nullptr;
  bool FTextSettingChanging = false;
};

class TcxMaskEditProperties : public TcxCustomMaskEditProperties {
  RTL_CLASS(TcxMaskEditProperties, TcxCustomMaskEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomMaskEditProperties::TcxCustomMaskEditProperties;
};

// ---- the editor control -------------------------------------------------------------------------------------

class TcxCustomMaskEdit : public TcxCustomTextEdit {
  RTL_CLASS(TcxCustomMaskEdit, TcxCustomTextEdit)
public:
  explicit TcxCustomMaskEdit(TComponent* AOwner);
  void BeforeDestruction() override;

  // ---- new virtual operations ----
  // Lets a derived editor veto (false) or empty (0) a character typed at a 1-based position.
  virtual bool GetFlag233(char32_t& AChar, int32_t APosition) { (void)AChar, (void)APosition; return true; }
  virtual void ApplyLoadedText();

  // ---- overrides ----
  TClass GetPropertiesClass() const override { return TcxCustomMaskEditProperties::StaticClass(); }
  void InitializeEdit() override;
  void DoEditKeyDown(uint16_t& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void PasteFromClipboard() override;
  void CutToClipboard() override;
  void SetSelText(const String& Value) override;
  void SetSelStart(int32_t Value) override;
  void SetSelLength(int32_t Value) override;
  String ReadText() override;
  bool WriteText(const String& AText) override;
  void ApplyDisplayValue(const Variant& ADisplayValue) override;
  void SetInnerEditDisplayValue(const Variant& Value) override;
  void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) override;
  void RefreshDisplayFromEditValue() override;
  void InnerEditChanged(TObject* Sender) override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomTextEdit::PropertiesChanged;
  void FormatChanged() override;
  void DblClick() override;

  // ---- non-virtual ----
  // The edit value as text, literals included (empty for Null).
  String GetEditText();
  // Makes a text the edit value and shows it. An unfocused standard mask first places the text in the
  // mask, so that the value holds the mask's literals as typing would have put them there.
  void PutEditText(const String& AText);
  TcxMaskEditCustomMode* Mode() const { return FMode; }
  bool IsMasked() { return ActiveProperties()->IsMasked(); }
  bool ShiftHeld() const { return FShiftHeld; }
  void SetShiftHeld(bool Value) { FShiftHeld = Value; }
  // The display text without blanks.
  const String& MaskedText() const { return FMaskedText; }
  // Sends a key or a character to the inner edit with the posting flag set, so that the mask does not see it.
  void PostKeyToInner(uint16_t AKey);
  void PostCharToInner(char32_t AChar);
  bool IsPostingKeys() const { return FPostingKeys > 0; }
  // The inner edit's text, read directly.
  String InnerText();
  // Puts a text into the inner edit, keeping the mode out of it.
  void SetInnerText(const String& AText);
  TcxCustomMaskEditProperties* ActiveProperties() {
    return static_cast<TcxCustomMaskEditProperties*>(GetActiveProperties());
  }
  TcxCustomMaskEditProperties* Properties() const {
    return static_cast<TcxCustomMaskEditProperties*>(TcxCustomEdit::Properties());
  }

protected:
  void Loaded() override;
  void DoEnter() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  // Makes a mode of the kind (the editor's own class for the standard kind) and stores its blank text.
  void RecreateMode(TcxEditMaskKind AKind);
  // The text shown for a display text: formatted while focused or for the expression modes.
  String DisplayTextFor(const String& AText);

  TcxMaskEditCustomMode* FMode = nullptr;
  bool FShiftHeld = false;
  int32_t FPostingKeys = 0;
  String FMaskedText;
  bool FPropertiesChanging = false;
};

class TcxMaskEdit : public TcxCustomMaskEdit {
  RTL_CLASS(TcxMaskEdit, TcxCustomMaskEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomMaskEdit::TcxCustomMaskEdit;
  TClass GetPropertiesClass() const override { return TcxMaskEditProperties::StaticClass(); }
  TcxMaskEditProperties* Properties() const {
    return static_cast<TcxMaskEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxMaskEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxMaskEditProperties* ActiveProperties() { return static_cast<TcxMaskEditProperties*>(GetActiveProperties()); }
};

// Registers the masked editor kind (once; later calls find it there).
void cxMaskEditInitialize();
