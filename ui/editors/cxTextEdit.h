#pragma once
// The text editor unit: the settings of every text-based editor kind (character case, password echo,
// maximum length, lookup items, display and edit formats, value bounds), the view that measures and paints
// an editor's text when its live inner edit is not shown, the inner single-line edit the user types into,
// and the text editor control that keeps text, display value and edit value in step.
//
// Sections, in order:
//   - enumerations and the lookup-data hook (the list a text editor offers while the user types is
//     supplied by the lookup unit, which fills the hook);
//   - properties (cxTextEdit.cpp);
//   - view data and view info (cxTextEdit.cpp);
//   - the inner edit and its helper (cxTextEditInner.cpp);
//   - the editor control (cxTextEditControl.cpp).
//
// Text is UTF-8; every caret position, selection and length here counts characters (code points).
//
// Declared in a header of their own: the lookup data, TcxCustomTextEditLookupData, and the list box the
// drop-down editors show, TcxCustomEditListBox (cxEditListBox.h).

#include <bitset>
#include <cstdint>

#include "forms/StdCtrls.h"
#include "rtl/StringLists.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditTextUtils.h"
#include "ui/editors/cxFormats.h"

class TcxCustomTextEdit;
class TcxCustomTextEditLookupData;
class TcxCustomInnerTextEdit;

// ---- enumerations -----------------------------------------------------------------------------------------

enum TcxEditEchoMode : uint8_t { eemNormal, eemPassword };
RTL_ENUM(TcxEditEchoMode, eemNormal, eemPassword)

// The published form of the buttons-only view of button editors; vsHideCursor keeps the text area but
// allows no typing.
enum TcxTextEditViewStyle : uint8_t { vsNormal, vsHideCursor, vsButtonsOnly, vsButtonsAutoWidth };
RTL_ENUM(TcxTextEditViewStyle, vsNormal, vsHideCursor, vsButtonsOnly, vsButtonsAutoWidth)

// How typing works: free typing; typed text must match a lookup item as it is typed; typed text selects a
// lookup item (the whole text is always selected); no typing.
enum TcxEditEditingStyle : uint8_t { esEdit, esEditList, esFixedList, esNoEdit };
RTL_ENUM(TcxEditEditingStyle, esEdit, esEditList, esFixedList, esNoEdit)

// The input-method settings the editors carry for the form designer and for platforms with an input
// method; this platform has none, so they are only stored and passed on.
enum TImeMode : uint8_t { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata,
                          imChinese, imSHanguel, imHanguel };
RTL_ENUM(TImeMode, imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese,
         imSHanguel, imHanguel)
using TImeName = String;

// Sender (the editor), the typed text that is not a lookup item.
using TcxNewLookupDisplayTextEvent = Event<TObject*, const String&>;

// ---- the lookup data the editor sees ----------------------------------------------------------------------

// Navigation directions of IcxTextEditLookupData::Navigate.
enum TcxEditLookupNavigation : uint8_t { lnFirst, lnLast, lnNext, lnPrevious, lnPageUp, lnPageDown };

// The list of items a text editor offers while the user types, as the editor sees it. The text editor's
// lookup unit implements it; other editors supply their own classes.
class IcxTextEditLookupData : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{F49C5F08-7758-4362-A360-1DF02354E708}");
  virtual bool CanResizeList(const SIZE& ASize) = 0;
  virtual void SyncListIndex() = 0;
  virtual TObject* GetInstance() = 0;
  virtual void Notify4() = 0;
  virtual void Notify5() = 0;
  // An item equals the text, ignoring case.
  virtual bool ContainsText(const String& AText) = 0;
  virtual TWinControl* GetListControl() = 0;
  virtual Variant GetCurrentIndex() = 0;
  virtual String GetKeyText(const Variant& AKey) = 0;
  virtual TNotifyEvent GetOnCurrentIndexChanged() = 0;
  virtual TNotifyEvent GetOnItemChosen() = 0;
  virtual SIZE GetListPreferredSize() = 0;
  virtual void Navigate(TcxEditLookupNavigation ADirection, bool ACycle) = 0;
  virtual void InitializeList(TWinControl* AParent) = 0;
  virtual bool IsEmpty() = 0;
  virtual bool IsPointOverList(POINT AScreenPoint) = 0;
  // Finds the first item that starts with AText (ignoring case): AText takes the item's spelling and
  // ATail the rest of the item. With ANext the search starts after the highlighted list item.
  virtual bool Locate(String& AText, String& ATail, bool ANext) = 0;
  virtual void SetListBounds(const RECT& ABounds) = 0;
  virtual void RefreshList() = 0;
  virtual void SelectListItem() = 0;
  virtual void SetCurrentIndex(const Variant& AKey) = 0;
  virtual void SetOnCurrentIndexChanged(TNotifyEvent AValue) = 0;
  virtual void SetOnItemChosen(TNotifyEvent AValue) = 0;
  virtual void TextChanged() = 0;

protected:
  ~IcxTextEditLookupData() = default;
};

// A lookup data class: the metaclass and a creator that makes one for an editor (the editor frees it
// through GetInstance).
struct TcxTextEditLookupDataClass {
  using Creator = IcxTextEditLookupData* (*)(TcxCustomTextEdit* AEdit);
  TClass Class = nullptr;
  Creator Create = nullptr;
  explicit operator bool() const { return Class != nullptr && Create != nullptr; }
  bool operator==(const TcxTextEditLookupDataClass& o) const { return Class == o.Class; }
};

// The lookup data class of the plain text editor, filled by the lookup unit. Until it is filled the text
// editor offers no lookup (its properties answer that they use no lookup data).
TcxTextEditLookupDataClass GetDefaultTextEditLookupDataClass();
void SetDefaultTextEditLookupDataClass(TcxTextEditLookupDataClass AClass);

// ---- thousand separators ----------------------------------------------------------------------------------
// Number editors keep the regional thousand separators in their text while the user types. Insertion
// splits off leading and trailing blanks and an exponent (from the first "E"), drops the separators there
// are and puts one between digits every three digits left of the decimal separator (or the end).
String InsertThousandSeparators(const String& AText);
String RemoveThousandSeparators(const String& AText);

// ---- properties -------------------------------------------------------------------------------------------

// Which of the text settings were set explicitly; the others follow the data defaults.
class TcxTextEditPropertiesValues : public TcxCustomEditPropertiesValues {
  RTL_CLASS(TcxTextEditPropertiesValues, TcxCustomEditPropertiesValues)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomEditPropertiesValues::TcxCustomEditPropertiesValues;
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;

  bool DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(bool Value);
  bool EditFormat() const { return FEditFormat; }
  void SetEditFormat(bool Value);
  bool MaxLength() const { return FMaxLength; }
  // Changes the text settings of the owner rather than only notifying.
  void SetMaxLength(bool Value);
  bool MaxValue() const { return FMaxValue; }
  void SetMaxValue(bool Value);
  bool MinValue() const { return FMinValue; }
  void SetMinValue(bool Value);

  // A flag is written only while set with its value at the null value, and only when the owning class
  // publishes the property; MaxLength's always.
  bool IsDisplayFormatStored() const;
  bool IsEditFormatStored() const;
  bool IsMaxValueStored() const;
  bool IsMinValueStored() const;

private:
  bool FDisplayFormat = false;
  bool FEditFormat = false;
  bool FMaxLength = false;
  bool FMaxValue = false;
  bool FMinValue = false;
};

// The settings of every text-based editor kind. Listens to the regional formats for its whole life.
class TcxCustomTextEditProperties : public TcxCustomEditProperties, public IcxFormatChangeListener {
  RTL_CLASS(TcxCustomTextEditProperties, TcxCustomEditProperties)
public:
  explicit TcxCustomTextEditProperties(TPersistent* AOwner);
  ~TcxCustomTextEditProperties() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;

  // ---- new virtual operations, in slot order ----
  virtual void DisplayFormatChanged();
  // Sets AError and the out-of-bounds text when the editor's value lies outside MinValue..MaxValue.
  virtual void ValidateValueBounds(Variant& ADisplayValue, String& AErrorText, bool& AError, TcxCustomEdit* AEdit);
  virtual Variant GetEmptyDisplayValue() { return Variant(String()); }
  // An item of LookupItems equal to AText, ignoring case.
  virtual bool FindLookupText(const String& AText);
  virtual String GetDefaultDisplayFormat() { return String(); }
  virtual int32_t GetDefaultMaxLength();
  virtual int32_t GetDropDownRowCount() { return 8; }
  virtual TcxEditEditingStyle GetEditingStyle();
  virtual TcxTextEditLookupDataClass GetLookupDataClass();
  virtual bool IsThousandSeparatorUsed() { return false; }
  // The format a focused editor shows: see the definition for the order of the sources.
  virtual void ResolveEditFormat(bool& AIsCurrency, bool& AFormatFromData, String& AFormat, TcxCustomEdit* AEdit);
  virtual bool SupportsValueBounds() { return false; }
  virtual bool UsesDropDownLookup() { return false; }
  virtual bool IsMultiLine() { return false; }
  virtual bool IsSpecialLookupChar(char32_t AChar) { (void)AChar; return false; }
  // 0 the lower bound, 1 the upper bound.
  virtual bool HasValueBound(int32_t AWhich) { (void)AWhich; return HasValueBounds(); }
  virtual bool HasValueBounds() { return MaxValue() > MinValue(); }
  virtual void LookupItemsChanged(TObject* Sender);
  virtual void TextSettingChanged();
  virtual void SetCharCase(TEditCharCase Value);
  virtual bool UsesLookupData();
  // The password form (one password character per character) or the character case of a text.
  virtual void ApplyEchoModeAndCharCase(String& AText);
  // The value as text; in the list editing styles accepted only when it is a lookup item; when accepted
  // the character case applies and the value becomes that text.
  virtual bool NormalizeEditValue(Variant& AValue, bool AEditFocused);

  // ---- the core's questions ----
  TClass GetContainerClass() const override;
  TcxCustomEditViewDataClass GetViewDataClass() const override;
  TClass GetViewInfoClass() const override;
  TClass GetAssignedValuesClass() const override { return TcxTextEditPropertiesValues::StaticClass(); }
  bool NeedsDisplayValueValidation() const override { return true; }
  bool CanCompareEditValues() const override { return true; }
  bool FiresOwnChangeEvent() const override { return true; }
  uint8_t GetDisplayFormatOptions() const override { return cxEditDisplayFormatApplies; }
  int32_t GetEditValueSource(bool AEditFocused) const override { (void)AEditFocused; return 1; }
  uint32_t GetSupportedOperations() override;
  bool CanResetEditValue() const override;
  void RestoreDefaultAlignment(TObject* Sender) override;
  void SetAlignment(TcxEditAlignment* Value) override;
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  void ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                         bool& AError) override;
  bool AreEditValuesEqual(const Variant& AEditValue1, const Variant& AEditValue2) override;

  // The regional formats changed.
  void FormatChanged() override { DisplayFormatChanged(); }

  // ---- helpers ----
  // The display text of a value for the given focus state, with echo mode and character case applied.
  String GetDisplayTextFor(const Variant& AEditValue, bool AEditFocused);
  // Whether the data supplies its own display text (then values are shown as they stand).
  bool IsDataFormatted(bool AEditFocused);
  // The text of the out-of-bounds validation error.
  String GetOutOfBoundsErrorText();

  // ---- properties ----
  TcxTextEditPropertiesValues* AssignedValues() const {
    return static_cast<TcxTextEditPropertiesValues*>(TcxCustomEditProperties::AssignedValues());
  }
  void SetAssignedValues(TcxTextEditPropertiesValues* Value) { TcxCustomEditProperties::SetAssignedValues(Value); }
  TEditCharCase CharCase() const { return FCharCase; }
  String DisplayFormat();
  void SetDisplayFormat(const String& Value);
  bool IsDisplayFormatStored() const { return AssignedValues()->DisplayFormat(); }
  TcxEditEchoMode EchoMode() const { return FEchoMode; }
  void SetEchoMode(TcxEditEchoMode Value);
  String EditFormat();
  void SetEditFormat(const String& Value);
  bool IsEditFormatStored() const { return AssignedValues()->EditFormat(); }
  bool FixedListSelection() const { return FFixedListSelection; }
  void SetFixedListSelection(bool Value);
  bool IsDisplayFormatChanging() const { return FDisplayFormatChanging; }
  bool HideCursor() const { return FHideCursor; }
  void SetHideCursor(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  TImeMode ImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode Value);
  TImeName ImeName() const { return FImeName; }
  void SetImeName(const TImeName& Value);
  bool ImmediateUpdateText() const { return FImmediateUpdateText; }
  void SetImmediateUpdateText(bool Value);
  TStringList* LookupItems() const { return FLookupItems; }
  void SetLookupItems(TStrings* Value) { FLookupItems->Assign(Value); }
  bool LookupItemsSorted() const { return FLookupItems->Sorted(); }
  void SetLookupItemsSorted(bool Value) { FLookupItems->SetSorted(Value); }
  int32_t MaxLength();
  void SetMaxLength(int32_t Value);
  bool IsMaxLengthStored() const { return AssignedValues()->MaxLength(); }
  double MaxValue();
  void SetMaxValue(double Value);
  bool IsMaxValueStored() const { return AssignedValues()->MaxValue(); }
  double MinValue();
  void SetMinValue(double Value);
  bool IsMinValueStored() const { return AssignedValues()->MinValue(); }
  bool ExactMatch() const { return FExactMatch; }
  void SetExactMatch(bool Value) { FExactMatch = Value; }
  bool UseDisplayFormatWhenEditing() const { return FUseDisplayFormatWhenEditing; }
  void SetUseDisplayFormatWhenEditing(bool Value);
  // Characters (by byte value) accepted in addition to the core's rule; hosts add to it.
  std::bitset<256>& ValidChars() { return FValidChars; }
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool Value);
  // #0 stands for "*".
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char Value);
  TcxTextEditViewStyle ViewStyle() const;
  void SetViewStyle(TcxTextEditViewStyle Value);

  TcxNewLookupDisplayTextEvent OnNewLookupDisplayText;

protected:
  void DefineProperties(TFiler* Filer) override;

private:
  void ReadIsDisplayFormatAssigned(TReader* Reader);

  TEditCharCase FCharCase = ecNormal;
  String FDisplayFormat;
  TcxEditEchoMode FEchoMode = eemNormal;
  String FEditFormat;
  bool FFixedListSelection = true;
  bool FDisplayFormatChanging = false;
  bool FHideCursor = false;
  bool FHideSelection = true;
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
  bool FImmediateUpdateText = false;
  TStringList* FLookupItems = nullptr;
  int32_t FMaxLength = 0;
  double FMaxValue = 0;
  double FMinValue = 0;
  bool FExactMatch = false;
  bool FUseDisplayFormatWhenEditing = false;
  std::bitset<256> FValidChars;
  bool FOEMConvert = false;
  char FPasswordChar = 0;
  bool FListening = false;
};

// The plain text editor's settings as the form designer shows them.
class TcxTextEditProperties : public TcxCustomTextEditProperties {
  RTL_CLASS(TcxTextEditProperties, TcxCustomTextEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomTextEditProperties::TcxCustomTextEditProperties;
};

// ---- view data and view info ------------------------------------------------------------------------------

// The cached layout of the painted text: computed on the first paint after the edit rectangles were
// calculated. The rows point into the view info's Text.
struct TcxTextOutData {
  bool Initialized = false;
  bool ForceEndEllipsis = false;
  int32_t RowCount = 0;
  RECT TextRect{};
  TcxTextRows TextRows;
  TcxEditTextParams TextParams;
  int32_t SelStart = 0;
  int32_t SelLength = 0;
  TColor SelTextColor = clHighlightText;
  TColor SelBkColor = clHighlight;
};

// Paints the content of an owner-drawn text editor: the canvas and the content rectangle.
using TcxTextEditOwnerDrawEvent = Event<TcxCanvas*, const RECT&>;

// What paints the text of an editor that does not show its live inner edit.
class TcxCustomTextEditViewInfo : public TcxCustomEditViewInfo {
  RTL_CLASS(TcxCustomTextEditViewInfo, TcxCustomEditViewInfo)
public:
  TcxCustomTextEditViewInfo() = default;

  virtual void DrawText(TcxCanvas* ACanvas);

  void PaintBackground(TcxCanvas* ACanvas) override;
  void OffsetRects(int32_t DX, int32_t DY) override;
  // Whether the text at P does not fit and should be shown in a hint: the text, its rectangle and whether it
  // is multi-line are given out. AVisibleBounds may be empty (no limit).
  bool NeedShowHintInRect(TcxCanvas* ACanvas, POINT P, const RECT& AVisibleBounds, String& AText,
                          bool& AIsMultiLine, RECT& ATextRect) override;
  // Sets the text to paint and drops the cached layout.
  void SetText(const String& AText);
  // Drops the cached layout (the edit rectangles or the text changed).
  void InvalidateTextOut() { TextOutData.Initialized = false; }

  bool ComboBoxStyle = false;
  TcxTextEditOwnerDrawEvent OnDrawOwner;
  bool DrawSelectionBar = false;
  uint32_t DrawTextFlags = 0;
  TcxEditEditingStyle EditingStyle = esEdit;
  bool HasPopupWindow = false;
  bool InnerEditShown = false;
  bool IsOwnerDrawing = false;
  int32_t MaxLineCount = 0;
  int32_t SelStart = 0;
  int32_t SelLength = 0;
  TColor SelTextColor = clHighlightText;
  TColor SelBackgroundColor = clHighlight;
  String Text;
  TcxTextOutData TextOutData;
  // The rectangle the text is laid out in: the client rectangle less the text offsets. (The inherited
  // TextRect is the text area the inner edit covers.)
  RECT TextOutRect{};
};

// Fills a text editor's view info: offsets, flags, colours and the text to paint.
class TcxCustomTextEditViewData : public TcxCustomEditViewData {
  RTL_CLASS(TcxCustomTextEditViewData, TcxCustomEditViewData)
public:
  using TcxCustomEditViewData::TcxCustomEditViewData;

  // ---- new virtual operations, in slot order ----
  // The attached editor shows its live inner edit.
  virtual bool IsInnerEditUsed();
  virtual bool IsComboBoxStyle() { return false; }
  virtual void CalculateTextFlags(TcxCanvas* ACanvas, TcxCustomTextEditViewInfo* AViewInfo);
  virtual void PrepareDrawText(const Variant& AEditValue, TcxCustomTextEditViewInfo* AViewInfo);
  virtual uint32_t GetDrawTextFlags();
  // Left, top, right and bottom room between the client rectangle and the text.
  virtual void GetTextOffsets(RECT& AOffsets);
  using TcxCustomEditViewData::GetTextOffsets;

  // ---- overrides ----
  void InitializeFromProperties() override;
  void EditValueToDisplayText(const Variant& AEditValue, String& AText) override;
  void GetValueContentSize(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                           const TcxEditSizeProperties& ASizeRequest) override;
  void Calculate(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& AExtent) override;
  void CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                          TcxCustomEditViewInfo* AViewInfo, TShiftState AShift, TMouseButton AButton,
                          POINT AMousePos) override;

  // The display text of the value goes to the view info together with the view data's selection.
  void SetDrawTextFromValue(const Variant& AEditValue, TcxCustomTextEditViewInfo* AViewInfo);
  // The selection and its colours (clDefault: not set) into the view info.
  void InitSelectionColors(TcxCustomTextEditViewInfo* AViewInfo);
  // The attached editor's focus state, else the view data's own.
  bool IsFocusedForText();
  // The attached editor has its popup open (False without editor).
  bool IsPopupWindowOpen();
  TcxCustomTextEditProperties* TextProperties() const {
    return static_cast<TcxCustomTextEditProperties*>(Properties);
  }

  // The data supplies its own display text (copied from the properties).
  bool IsValueFormattedByData = false;
};

// ---- the inner edit -----------------------------------------------------------------------------------------

// How a text-based editor drives its native edit control; the inner text edit's helper implements it (the
// memo supplies its own inner control and helper behind the same interface). Positions count characters.
class IcxInnerTextEdit : public IcxCustomInnerEdit {
public:
  static constexpr TGUID IID = MakeGUID("{263EBB8D-1EA9-4CAC-8367-ADD74D2A9651}");
  virtual void ClearSelection() = 0;
  virtual void CopyToClipboard() = 0;
  virtual TAlignment GetAlignment() = 0;
  virtual bool GetAutoSelect() = 0;
  virtual TEditCharCase GetCharCase() = 0;
  virtual TcxEditEchoMode GetEchoMode() = 0;
  virtual bool GetHideSelection() = 0;
  // The pending last byte of a character arriving through the input method, else 0.
  virtual char GetImeLastChar() = 0;
  virtual TImeMode GetImeMode() = 0;
  virtual TImeName GetImeName() = 0;
  virtual bool GetKeyConsumed() = 0;
  virtual int32_t GetMaxLength() = 0;
  virtual bool GetMultiLine() = 0;
  virtual bool GetOEMConvert() = 0;
  virtual char GetPasswordChar() = 0;
  virtual int32_t GetSelLength() = 0;
  virtual int32_t GetSelStart() = 0;
  virtual String GetSelText() = 0;
  virtual void SelectAll() = 0;
  virtual void SetAlignment(TAlignment Value) = 0;
  virtual void SetAutoSelect(bool Value) = 0;
  virtual void SetCharCase(TEditCharCase Value) = 0;
  virtual void SetEchoMode(TcxEditEchoMode Value) = 0;
  virtual void SetHideSelection(bool Value) = 0;
  virtual void SetKeyConsumed(bool Value) = 0;
  virtual void SetImeMode(TImeMode Value) = 0;
  virtual void SetImeName(const TImeName& Value) = 0;
  virtual void SetMaxLength(int32_t Value) = 0;
  virtual void SetOEMConvert(bool Value) = 0;
  virtual void SetPasswordChar(char Value) = 0;
  virtual void SetSelLength(int32_t Value) = 0;
  virtual void SetSelStart(int32_t Value) = 0;
  virtual void SetSelText(const String& Value) = 0;

protected:
  ~IcxInnerTextEdit() = default;
};

// The inner edit's text, selection and caret before a key or character reaches the native control, to tell
// afterwards whether the control acted on it.
struct TcxCustomInnerTextEditPrevState {
  bool IsPrevTextSaved = false;
  String PrevText;
  int32_t PrevSelStart = 0;
  int32_t PrevSelLength = 0;
};

// Implements the editor's contract on the inner edit's behalf.
class TcxCustomInnerTextEditHelper : public TcxInterfacedPersistent, public IcxInnerTextEdit {
  RTL_CLASS(TcxCustomInnerTextEditHelper, TcxInterfacedPersistent)
  RTL_INTERFACES(IcxContainerInnerControl, IcxCustomInnerEdit, IcxInnerTextEdit)
public:
  explicit TcxCustomInnerTextEditHelper(TcxCustomInnerTextEdit* AEdit);

  int32_t QueryInterface(const TGUID& iid, void** obj) override { return TcxInterfacedPersistent::QueryInterface(iid, obj); }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  // IcxContainerInnerControl
  TWinControl* GetControl() override;
  TcxContainer* GetControlContainer() override;
  // IcxCustomInnerEdit
  LRESULT CallDefWndProc(UINT AMsg, WPARAM WParam, LPARAM LParam) override;
  Variant GetEditValue() override;
  TNotifyEvent GetOnChange() override;
  bool GetReadOnly() override;
  void LockBounds(bool ALock) override;
  void SafelySetFocus() override;
  void SetEditValue(const Variant& Value) override;
  void SetParent(TWinControl* Value) override;
  void SetOnChange(TNotifyEvent Value) override;
  void SetReadOnly(bool Value) override;
  // IcxInnerTextEdit
  void ClearSelection() override;
  void CopyToClipboard() override;
  TAlignment GetAlignment() override;
  bool GetAutoSelect() override;
  TEditCharCase GetCharCase() override;
  TcxEditEchoMode GetEchoMode() override;
  bool GetHideSelection() override;
  char GetImeLastChar() override;
  TImeMode GetImeMode() override;
  TImeName GetImeName() override;
  bool GetKeyConsumed() override;
  int32_t GetMaxLength() override;
  bool GetMultiLine() override { return false; }
  bool GetOEMConvert() override;
  char GetPasswordChar() override;
  int32_t GetSelLength() override;
  int32_t GetSelStart() override;
  String GetSelText() override;
  void SelectAll() override;
  void SetAlignment(TAlignment Value) override;
  void SetAutoSelect(bool Value) override;
  void SetCharCase(TEditCharCase Value) override;
  void SetEchoMode(TcxEditEchoMode Value) override;
  void SetHideSelection(bool Value) override;
  void SetKeyConsumed(bool Value) override;
  void SetImeMode(TImeMode Value) override;
  void SetImeName(const TImeName& Value) override;
  void SetMaxLength(int32_t Value) override;
  void SetOEMConvert(bool Value) override;
  void SetPasswordChar(char Value) override;
  void SetSelLength(int32_t Value) override;
  void SetSelStart(int32_t Value) override;
  void SetSelText(const String& Value) override;

  TcxCustomInnerTextEdit* Edit() const { return FEdit; }
  // The selection kept while a character from the input method is being delivered.
  int32_t SavedSelLength = 0;
  int32_t SavedSelStart = 0;

private:
  TcxCustomInnerTextEdit* FEdit;
};

// The native single-line edit inside a text editor's border. Everything the user does in it reaches the
// owning editor (always its owner): keys and characters first, mouse and focus after the native handling.
class TcxCustomInnerTextEdit : public TCustomEdit, public IcxContainerInnerControl, public IcxInnerEditSource {
  RTL_CLASS(TcxCustomInnerTextEdit, TCustomEdit)
  RTL_INTERFACES(IcxContainerInnerControl, IcxInnerEditSource)
public:
  explicit TcxCustomInnerTextEdit(TComponent* AOwner);
  ~TcxCustomInnerTextEdit() override;
  void AfterConstruction() override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  bool CanFocus() override;
  void Click() override;
  void DblClick() override;

  // ---- IInterface: the editor owns the inner edit ----
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  // IcxContainerInnerControl
  TWinControl* GetControl() override { return this; }
  TcxContainer* GetControlContainer() override;
  // IcxInnerEditSource
  IcxCustomInnerEdit* GetInnerEdit() override { return FHelper; }

  // The owning editor (nullptr while it is not a text editor).
  TcxCustomTextEdit* Container() const;
  TcxCustomInnerTextEditHelper* Helper() const { return FHelper; }
  IcxInnerTextEdit* InnerTextEdit() const { return FHelper; }

  TAlignment Alignment() const { return FAlignment; }
  // Recreates the window when it changes (the alignment is a window style).
  void SetAlignment(TAlignment Value);
  TcxEditEchoMode EchoMode() const { return FEchoMode; }
  void SetEchoMode(TcxEditEchoMode Value);
  // 0 stands for "*".
  char EditPasswordChar() const { return FPasswordChar; }
  void SetEditPasswordChar(char Value);
  bool KeyConsumed() const { return FKeyConsumed; }
  void SetKeyConsumed(bool Value) { FKeyConsumed = Value; }
  int32_t LockBoundsCount() const { return FLockBoundsCount; }
  void LockBounds(bool ALock);
  TImeMode ImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode Value) { FImeMode = Value; }
  TImeName ImeName() const { return FImeName; }
  void SetImeName(const TImeName& Value) { FImeName = Value; }
  int32_t ImeCharCount() const { return FImeCharCount; }
  uint8_t ImeLastChar() const { return FImeLastChar; }
  // The selection as the native control has it (the helper may answer a saved one instead).
  int32_t NativeSelStart() { return TCustomEdit::SelStart(); }
  int32_t NativeSelLength() { return TCustomEdit::SelLength(); }
  void ApplyPasswordChar();

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void CreateHandle() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void DragOver(TObject* Source, int32_t X, int32_t Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int32_t X, int32_t Y) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) override;

private:
  void SaveState(TcxCustomInnerTextEditPrevState& AState);
  bool IsStateChanged(const TcxCustomInnerTextEditPrevState& AState);
  void SetMargins();
  void WMKeyDownRouted(TMessage& Message);
  void WMCharRouted(TMessage& Message);
  void ClipboardMessage(TMessage& Message);

  TcxEditEchoMode FEchoMode = eemNormal;
  TcxCustomInnerTextEditHelper* FHelper = nullptr;
  bool FKeyConsumed = false;
  bool FIsCreating = true;
  int32_t FLockBoundsCount = 0;
  TAlignment FAlignment = taLeftJustify;
  int32_t FImeCharCount = 0;
  uint8_t FImeLastChar = 0;
  char FPasswordChar = 0;
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
};

// ---- the text editor control ------------------------------------------------------------------------------

// The editor control of every text-based editor: the inner edit's text is the display text, the edit
// value follows it on validation, and the text follows the edit value when that is set from outside.
class TcxCustomTextEdit : public TcxCustomEdit, public IcxFormatChangeListener {
  RTL_CLASS(TcxCustomTextEdit, TcxCustomEdit)
public:
  explicit TcxCustomTextEdit(TComponent* AOwner);
  ~TcxCustomTextEdit() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& Message) override;

  // ---- new virtual operations, in slot order ----
  // The regional formats changed.
  void FormatChanged() override;
  virtual void UpdateInnerEditStyle();
  // The text an insertion at the selection gives (maximum length, character case, list styles and the
  // editing permission applied) and the caret after it; false when the insertion is refused.
  virtual bool PrepareTextInsertion(const String& AText, String& ANewText, int32_t& ANewCaretPos);
  virtual void ClampValueAtDesignTime();
  virtual void ClampToValueBounds() {}
  virtual void DoOnNewLookupDisplayText(const String& AText);
  virtual bool CanLookupNow(bool AForMouseWheel) { (void)AForMouseWheel; return false; }
  virtual void ApplyLookupSelection(TObject* Sender);
  virtual String ReadText();
  // Answers whether the text was accepted.
  virtual bool WriteText(const String& AText);
  virtual Variant LookupKeyToEditValue(const Variant& AKey);
  virtual void UpdateLookupFromText();
  virtual void SetEditingText(const String& AText);
  virtual void SelectLookupItem(int32_t AIndex);
  virtual void SetSelLength(int32_t Value);
  virtual void SetSelStart(int32_t Value);
  virtual void SetSelText(const String& Value);
  virtual void RevalidateDisplayText();
  virtual void ClearSelection();
  virtual void Undo();

  // ---- overrides of the editor core ----
  TClass GetPropertiesClass() const override { return TcxCustomTextEditProperties::StaticClass(); }
  TClass GetInnerEditClass() const override;
  void InitializeEdit() override;
  void Activate(TcxCustomEditData*& AEditData) override;
  bool SupportsEditing() override;
  void GetDisplayText(String& Text) override;
  void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) override;
  void SetInnerEditDisplayValue(const Variant& Value) override;
  void ApplyDisplayValue(const Variant& ADisplayValue) override;
  void ApplyDisplayValueLocked(const Variant& ADisplayValue) override;
  bool TrySetDisplayText(const String& AText) override;
  bool IsValidChar(char32_t AChar) override;
  bool IsModifyingKey(uint16_t Key, TShiftState Shift) override;
  bool IsModifyingChar(char32_t Key) override;
  bool HandlesCursorKeys() override { return true; }
  void GetSizeRequest(TcxEditSizeProperties& ASizeProperties) override;
  void RefreshEditValueFromDisplay() override;
  void RefreshDisplayFromEditValue() override;
  void InnerEditChanged(TObject* Sender) override;
  void UpdateDrawValue() override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomEdit::PropertiesChanged;
  void AdjustInnerEditPosition(int32_t AvailableHeight) override;
  bool NeedsInnerEdit() override;
  void DoEditKeyDown(uint16_t& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void InnerEditWindowProc(TMessage& Message) override;
  void UnhookInnerEditWindowProc() override;
  void CopyToClipboard() override;
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  void SelectAll() override;
  bool RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) override;
  void ClipControlRect(const RECT& ABounds, TControl* AControl, TcxContainerInnerControlBounds& AClip) override;

  // ---- non-virtual operations ----
  IcxInnerTextEdit* GetInnerTextEdit() const;
  TcxCustomInnerTextEdit* InnerTextEditControl() const;
  IcxTextEditLookupData* GetLookupDataIntf() const { return FLookupData; }
  // The lookup item the editor is on: -1 without lookup data or when no item is current.
  int32_t GetItemIndex() const;
  // The lookup data object (a TcxCustomTextEditLookupData of the lookup unit), or nullptr.
  TObject* LookupDataObject() const { return FLookupData ? FLookupData->GetInstance() : nullptr; }
  // 0 without typing; in the fixed-list style 0 unless a completed part is shown selected.
  int32_t SelStart();
  int32_t SelLength();
  String SelText();
  void SetSelection(int32_t ASelStart, int32_t ASelLength);
  // The character at the caret, found by bisecting the character positions.
  int32_t GetCaretCharIndex();
  bool FindSelection() const { return FFindSelection; }
  void SetFindSelection(bool Value);
  TcxCustomTextEditProperties* ActiveProperties() {
    return static_cast<TcxCustomTextEditProperties*>(GetActiveProperties());
  }
  TcxCustomTextEditProperties* Properties() const {
    return static_cast<TcxCustomTextEditProperties*>(TcxCustomEdit::Properties());
  }
  TcxCustomTextEditViewInfo* TextViewInfo() const {
    return static_cast<TcxCustomTextEditViewInfo*>(EditViewInfo());
  }
  // The text, read and written through the window text messages (ReadText and WriteText).
  String Text() { return ReadText(); }
  void SetText(const String& Value) { WriteText(Value); }
  bool BeepOnEnter() const { return FBeepOnEnter; }
  void SetBeepOnEnter(bool Value) { FBeepOnEnter = Value; }
  bool IsDisplayValueSynchronizing() const { return FIsDisplayValueSynchronizing; }
  bool LookupItemsScrolling() const { return FLookupItemsScrolling; }
  void SetLookupItemsScrolling(bool Value) { FLookupItemsScrolling = Value; }
  bool PopupJustClosed() const { return FPopupJustClosed; }
  void SetPopupJustClosed(bool Value) { FPopupJustClosed = Value; }
  bool LookupTextChangeLock() const { return FLookupTextChangeLock; }
  void SetLookupTextChangeLock(bool Value) { FLookupTextChangeLock = Value; }
  // Completes APrefix to the first lookup item it starts (APrefix takes the item's spelling) and shows the
  // rest selected; answers whether an item was found.
  bool FindAndComplete(String& APrefix);
  // Re-inserts the thousand separators of a number editor's text, keeping the caret among the same digits.
  void InsertThousandSeparatorsKeepingCaret();

protected:
  friend class TcxCustomInnerTextEdit;
  friend class TcxCustomInnerTextEditHelper;
  void Loaded() override;
  // Entered by the keyboard (Tab, an accelerator, a focus move made by the program) with AutoSelect on,
  // the whole text is selected, as in every other field of a dialog; a click keeps the caret where it lands.
  void DoEnter() override;
  void DoExit() override;
  void KeyPress(char32_t& Key) override;
  String GetText() const override;
  void SetTextBuf(const String& Value) override;

private:
  void WMGetText(TMessage& Message);
  void WMGetTextLength(TMessage& Message);
  void WMSetText(TMessage& Message);
  void WMClear(TMessage& Message);

  bool FBeepOnEnter = true;
  bool FFindSelection = false;
  bool FIsDisplayValueSynchronizing = false;
  bool FLookupItemsScrolling = false;
  bool FInternalTextSetting = false;
  bool FIsPositionAdjusting = false;
  bool FPopupJustClosed = false;
  IcxTextEditLookupData* FLookupData = nullptr;
  bool FLookupTextChangeLock = false;
  bool FFormatListening = false;
};

// The plain text editor.
class TcxTextEdit : public TcxCustomTextEdit {
  RTL_CLASS(TcxTextEdit, TcxCustomTextEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomTextEdit::TcxCustomTextEdit;
  TClass GetPropertiesClass() const override { return TcxTextEditProperties::StaticClass(); }
  TcxTextEditProperties* Properties() const {
    return static_cast<TcxTextEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxTextEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxTextEditProperties* ActiveProperties() {
    return static_cast<TcxTextEditProperties*>(GetActiveProperties());
  }
};

// Registers the plain text editor with the registry of editor kinds (once; later calls find it there).
// The program's start-up and every user of the registry call it.
void cxTextEditInitialize();
