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
  // Whether the text at P does not fit and should be shown in a hint: the text, its rectangle in parent
  // coordinates and whether it is multi-line are given out. AVisibleBounds may be empty (no limit).
  virtual bool NeedShowHintInRect(POINT P, RECT& ATextRect, bool& AIsMultiLine, String& AText,
                                  const RECT& AVisibleBounds);
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
