#pragma once
// The editor unit: what every editor kind shares. Sections, in order:
//   - editor enumerations;
//   - editor buttons (cxEditButtons.cpp): the buttons an editor shows inside its border;
//   - editor styles and the global style controller (cxEditStyles.cpp);
//   - editor properties: defaults, assigned values, alignment, the data-defaults provider and the list of
//     live properties objects (cxEditProperties.cpp);
//   - the editor repository, its items and the registry of editor kinds (cxEditRepository.cpp).
// View data, view info and the editor control join this header after the properties, since they use all
// of the above.
//
// Declared in a header of its own: the pool of in-place editors, TcxInplaceEditList (cxEditPool.h).

#include <cstdint>
#include <memory>

#include "forms/Graphics.h"
#include "forms/Controls.h"
#include "forms/Menus.h"
#include "rtl/Classes.h"
#include "rtl/Collections.h"
#include "rtl/ObjLinks.h"
#include "rtl/Variants.h"
#include "ui/base/cxClasses.h"
#include "ui/data/cxDataUtils.h"
#include "ui/editors/cxContainer.h"

// ---- editor enumerations ----------------------------------------------------------------------------------
enum TcxEditBorderStyle : uint8_t { ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11 };
RTL_ENUM(TcxEditBorderStyle, ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11)

enum TcxEditButtonKind : uint8_t { bkEllipsis, bkDown, bkGlyph, bkText };
RTL_ENUM(TcxEditButtonKind, bkEllipsis, bkDown, bkGlyph, bkText)

enum TcxEditButtonStyle : uint8_t { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11 };
RTL_ENUM(TcxEditButtonStyle, btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11)

// When an editor's buttons are shown transparently or hidden.
enum TcxEditButtonTransparency : uint8_t { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };
RTL_ENUM(TcxEditButtonTransparency, ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected)

enum TcxEditPopupBorderStyle : uint8_t { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };
RTL_ENUM(TcxEditPopupBorderStyle, epbsDefault, epbsSingle, epbsFrame3D, epbsFlat)

// ---- editor buttons ---------------------------------------------------------------------------------------
// One button inside an editor's border. Every change reaches the owning properties through the collection's
// Update, so that all editors sharing those properties recalculate.
class TcxEditButton : public TCollectionItem {
  RTL_CLASS(TcxEditButton, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  explicit TcxEditButton(TCollection* ACollection);
  ~TcxEditButton() override;
  // The first button added in the form designer becomes the default one.
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  // The caption as shown: without its hotkey prefixes.
  const String& VisibleCaption() const { return FVisibleCaption; }
  bool Default() const { return FDefault; }
  // Setting it clears the flag of every other button of the collection: at most one is default.
  void SetDefault(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Made on first use; editing the bitmap in place notifies like setting it.
  TBitmap* Glyph() { return GetGlyph(); }
  TBitmap* GetGlyph();
  // Copies the picture into the button's own bitmap; nullptr drops the glyph.
  void SetGlyph(TBitmap* Value);
  bool HasGlyph() const { return FGlyph != nullptr; }
  TcxEditButtonKind Kind() const { return FKind; }
  void SetKind(TcxEditButtonKind Value);
  bool LeftAlignment() const { return FLeftAlignment; }
  void SetLeftAlignment(bool Value);
  bool Stretchable() const { return FStretchable; }
  void SetStretchable(bool Value);
  TColor TextColor() const { return FTextColor; }
  void SetTextColor(TColor Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  // 0: the paint utilities choose the width from the kind and the content. Negative widths are refused.
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t Value);

private:
  void GlyphChanged(TObject* Sender);
  String FCaption;
  bool FDefault = false;
  bool FEnabled = true;
  TBitmap* FGlyph = nullptr;
  TcxEditButtonKind FKind = bkDown;
  bool FLeftAlignment = false;
  bool FStretchable = true;
  TColor FTextColor = clBtnText;
  bool FVisible = true;
  String FVisibleCaption;
  int32_t FWidth = 0;
};

// The buttons of an editor's properties (the collection's owner).
class TcxEditButtons : public TCollection {
  RTL_CLASS(TcxEditButtons, TCollection)
public:
  using VirtualCtorArg = TPersistent*;
  explicit TcxEditButtons(TPersistent* AOwner);

  TcxEditButton* Add() { return static_cast<TcxEditButton*>(TCollection::Add()); }
  TcxEditButton* Items(int32_t AIndex) const { return static_cast<TcxEditButton*>(TCollection::Items(AIndex)); }
  TcxEditButton* GetItem(int32_t AIndex) const { return Items(AIndex); }
  int32_t VisibleCount() const { return GetVisibleCount(); }
  int32_t GetVisibleCount() const;

  // Fired for every change of a button; the owning properties bind it.
  TNotifyEvent OnChange;

protected:
  TPersistent* GetOwner() override { return FOwner; }
  void Update(TCollectionItem* AItem) override;

private:
  TPersistent* FOwner;
};

// ---- editor styles ----------------------------------------------------------------------------------------
// The editor style's own values follow the container's ten.
inline constexpr TcxContainerStyleValue svButtonStyle = static_cast<TcxContainerStyleValue>(10);
inline constexpr TcxContainerStyleValue svButtonTransparency = static_cast<TcxContainerStyleValue>(11);
inline constexpr TcxContainerStyleValue svPopupBorderStyle = static_cast<TcxContainerStyleValue>(12);
inline constexpr int32_t cxEditStyleValueCount = 13;
// Values a focused, disabled or hot editor style takes from the normal style: the container's five, and the
// button transparency and popup border, which all states share (6776).
inline constexpr TcxContainerStyleValues cxEditStyleHiddenValues{
    svEdges, svFont, svHotTrack, svShadow, svTransparentBorder, svButtonTransparency, svPopupBorderStyle};

class TcxEditStyleController;

// A container style with the three values only editors have: how buttons are drawn (per state), when they
// are shown and how a drop-down window is framed (both shared by all states).
class TcxCustomEditStyle : public TcxContainerStyle {
  RTL_CLASS(TcxCustomEditStyle, TcxContainerStyle)
public:
  TcxCustomEditStyle(TPersistent* AOwner, bool ADirectAccessMode, TcxContainerStyleState AState,
                     TcxContainerStyle* ANormalStyle);
  void Assign(TPersistent* Source) override;

  TcxEditButtonStyle ButtonStyle() const;
  void SetButtonStyle(TcxEditButtonStyle Value);
  TcxEditButtonTransparency ButtonTransparency() const;
  void SetButtonTransparency(TcxEditButtonTransparency Value);
  TcxEditPopupBorderStyle PopupBorderStyle() const;
  void SetPopupBorderStyle(TcxEditPopupBorderStyle Value);
  // Whether a drop-down editor's popup shows a close button; kept in the normal style.
  bool PopupCloseButton() const;
  void SetPopupCloseButton(bool Value);

  // Found in this style or its controller chain (the readers answer false when nothing was found).
  bool GetAssignedButtonStyle(TcxEditButtonStyle& AValue) const;
  bool GetAssignedButtonTransparency(TcxEditButtonTransparency& AValue) const;
  bool GetAssignedPopupBorderStyle(TcxEditPopupBorderStyle& AValue) const;

  bool IsButtonStyleStored() const { return IsEditValueStored(svButtonStyle); }
  bool IsButtonTransparencyStored() const { return IsEditValueStored(svButtonTransparency); }
  bool IsPopupBorderStyleStored() const { return IsEditValueStored(svPopupBorderStyle); }

  virtual TcxEditButtonStyle GetDefaultButtonStyle() const;
  virtual TcxEditButtonTransparency GetDefaultButtonTransparency() const;
  virtual TcxEditPopupBorderStyle GetDefaultPopupBorderStyle() const;

  int32_t GetValueCount() const override { return cxEditStyleValueCount; }
  bool GetValueName(int32_t AIndex, String& AName) const override;
  bool IsValueAssigned(int32_t AIndex) const override;
  TcxContainerStyleValues GetHiddenValues() const override { return cxEditStyleHiddenValues; }
  // None in direct-access mode and for in-place editors; otherwise the global editor style controller.
  TcxStyleController* GetDefaultStyleController() const override;

protected:
  TcxCustomEditStyle* EditNormalStyle() const { return static_cast<TcxCustomEditStyle*>(NormalStyle()); }
  TcxCustomEditStyle* EditControllerStyle() const { return dynamic_cast<TcxCustomEditStyle*>(ControllerStyle()); }
  bool IsEditValueStored(TcxContainerStyleValue AValue) const;

  TcxEditButtonStyle FButtonStyle = btsDefault;
  TcxEditButtonTransparency FButtonTransparency = ebtNone;
  TcxEditPopupBorderStyle FPopupBorderStyle = epbsDefault;
  bool FPopupCloseButton = true;
};

// The editor style as the form designer shows it.
class TcxEditStyle : public TcxCustomEditStyle {
  RTL_CLASS(TcxEditStyle, TcxCustomEditStyle)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomEditStyle::TcxCustomEditStyle;
  TcxEditStyleController* StyleController() const;
  void SetStyleController(TcxEditStyleController* Value);
};

// The component through which many editors share one set of editor styles.
class TcxEditStyleController : public TcxStyleController {
  RTL_CLASS(TcxEditStyleController, TcxStyleController)
  RTL_PUBLISHED_DECL
public:
  explicit TcxEditStyleController(TComponent* AOwner) : TcxStyleController(AOwner) {}
  TcxContainerStyleClass GetStyleClass() const override { return TcxContainerStyleClass::Of<TcxEditStyle>(); }

  TcxEditStyle* Style() const { return StateStyle(cssNormal); }
  TcxEditStyle* StyleDisabled() const { return StateStyle(cssDisabled); }
  TcxEditStyle* StyleFocused() const { return StateStyle(cssFocused); }
  TcxEditStyle* StyleHot() const { return StateStyle(cssHot); }
  void SetStyle(TcxEditStyle* Value) { Styles()->AssignStyle(cssNormal, Value); }
  void SetStyleDisabled(TcxEditStyle* Value) { Styles()->AssignStyle(cssDisabled, Value); }
  void SetStyleFocused(TcxEditStyle* Value) { Styles()->AssignStyle(cssFocused, Value); }
  void SetStyleHot(TcxEditStyle* Value) { Styles()->AssignStyle(cssHot, Value); }

private:
  TcxEditStyle* StateStyle(TcxContainerStyleState AState) const {
    return static_cast<TcxEditStyle*>(GetStateStyle(AState));
  }
};

// The controller every stand-alone editor uses unless it names another: made on first use (it also
// becomes the container unit's default controller) and freed by cxEditFinalize, which the program calls at
// its end and tests after each case.
TcxEditStyleController* GetEditStyleController();
void cxEditFinalize();

// ---- editor properties ------------------------------------------------------------------------------------

enum TcxEditVertAlignment : uint8_t { taTopJustify, taBottomJustify, taVCenter };
RTL_ENUM(TcxEditVertAlignment, taTopJustify, taBottomJustify, taVCenter)

// How an editor shows its buttons: beside a text area, alone, or alone with a width of their own.
enum TcxEditButtonsViewStyle : uint8_t { bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth };
RTL_ENUM(TcxEditButtonsViewStyle, bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth)

// Ctrl+Enter: the key that clicks an editor's default button unless another is set.
inline constexpr TShortCut cxEditDefaultClickKey = 0x400D;

class TcxCustomEdit;
class TcxCustomEditProperties;
class TcxCustomEditViewData;

// Sender, the index of the clicked button in Buttons.
using TcxEditButtonClickEvent = Event<TObject*, int32_t>;
// Sender (the editor), the typed display value, the error text and the error flag, all changeable.
using TcxEditValidateEvent = Event<TObject*, Variant&, String&, bool&>;

// A view data class: its constructor takes the properties, the style and the in-place flag, so the
// reference carries a creator of that very class next to the metaclass.
struct TcxCustomEditViewDataClass {
  using Creator = TcxCustomEditViewData* (*)(TcxCustomEditProperties* AProperties, TcxCustomEditStyle* AStyle,
                                             bool AIsInplace);
  TClass Class = nullptr;
  Creator Create = nullptr;
  template <class T>
  static TcxCustomEditViewDataClass Of() {
    return TcxCustomEditViewDataClass{T::StaticClass(),
                                      [](TcxCustomEditProperties* AProperties, TcxCustomEditStyle* AStyle,
                                         bool AIsInplace) -> TcxCustomEditViewData* {
                                        return New<T>(AProperties, AStyle, AIsInplace);
                                      }};
  }
  bool operator==(const TcxCustomEditViewDataClass& o) const { return Class == o.Class; }
};

// Size request of a measurement: a line-count hint and the available width (negative: unlimited).
struct TcxEditSizeProperties {
  int32_t MaxLineCount = 0;
  int32_t Width = -1;
};

// What validation needs of the editor whose typed value is checked. The editor control implements it;
// hosts that check a value without a control pass nullptr.
class IcxEditValidationSite {
public:
  // The Sender handed to OnValidate: the editor itself.
  virtual TObject* GetValidationSender() = 0;
  // The editor's own properties and, when it uses a repository item, the item's (else nullptr).
  virtual TcxCustomEditProperties* GetOwnProperties() = 0;
  virtual TcxCustomEditProperties* GetRepositoryItemProperties() = 0;
  // The text the editor shows now.
  virtual String GetCurrentDisplayText() = 0;

protected:
  ~IcxEditValidationSite() = default;
};

// Which settings of a properties object were set explicitly; the rest follow the data defaults.
class TcxCustomEditPropertiesValues : public TPersistent {
  RTL_CLASS(TcxCustomEditPropertiesValues, TPersistent)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TPersistent*;
  explicit TcxCustomEditPropertiesValues(TPersistent* AOwner) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;

  void BeginUpdate();
  void EndUpdate();
  virtual void RestoreDefaults();

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);

protected:
  TPersistent* GetOwner() override { return FOwner; }
  void Changed();
  // Whether the owner's class publishes a property of that name (for stored predicates of descendants).
  bool IsPropertyPublished(const String& APropertyName) const;
  TcxCustomEditProperties* Properties() const;

private:
  TPersistent* FOwner;
  bool FReadOnly = false;
};

// Horizontal and vertical alignment of an editor's text. Horz counts as set only once assigned, so that
// an unset one can follow the data defaults.
class TcxEditAlignment : public TPersistent {
  RTL_CLASS(TcxEditAlignment, TPersistent)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TPersistent*;
  explicit TcxEditAlignment(TPersistent* AOwner) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  // Forgets that Horz was assigned; its value stays.
  void Reset();

  TAlignment Horz() const { return FHorz; }
  void SetHorz(TAlignment Value);
  TcxEditVertAlignment Vert() const { return FVert; }
  void SetVert(TcxEditVertAlignment Value);
  bool IsHorzAssigned() const { return FIsHorzAssigned; }
  bool IsHorzStored() const { return FIsHorzAssigned; }
  bool IsVertStored() const { return FVert != taTopJustify; }

  TNotifyEvent OnChanged;

protected:
  TPersistent* GetOwner() override { return FOwner; }

private:
  friend class TcxCustomEditProperties;
  void DoChanged();
  TAlignment FHorz = taLeftJustify;
  bool FIsHorzAssigned = false;
  TPersistent* FOwner;
  TcxEditVertAlignment FVert = taTopJustify;
};

// The source of data defaults of a properties object (read-only state, alignment, formats of a bound
// field). The base implementation answers that there are none.
class IcxEditDefaultValuesProvider : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{AE727882-6FDF-4E3A-AB35-E58AB28EFE7B}");
  virtual void ClearUsages() = 0;
  virtual TAlignment GetDefaultAlignment() = 0;
  virtual uint8_t GetDefaultBlobKind() = 0;
  virtual bool GetDefaultCanModify() = 0;
  virtual String GetDefaultDisplayFormat() = 0;
  virtual String GetDefaultEditFormat() = 0;
  virtual String GetDefaultEditMask() = 0;
  virtual bool GetDefaultIsFloatValue() = 0;
  virtual int32_t GetDefaultMaxLength() = 0;
  virtual double GetDefaultMaxValue() = 0;
  virtual double GetDefaultMinValue() = 0;
  virtual int32_t GetDefaultPrecision() = 0;
  virtual bool GetDefaultReadOnly() = 0;
  virtual bool GetDefaultRequired() = 0;
  virtual TObject* GetInstance() = 0;
  virtual bool IsDataBound() = 0;
  virtual bool IsBlobData() = 0;
  virtual bool IsCurrencyData() = 0;
  virtual bool IsDataAvailable() = 0;
  virtual bool HasDisplayFormat(bool AFlag) = 0;
  virtual bool HasDisplayFormatWithoutPattern() = 0;
  virtual bool IsValidChar(char AChar) = 0;

protected:
  ~IcxEditDefaultValuesProvider() = default;
};

class TcxCustomEditDefaultValuesProvider : public TcxInterfacedPersistent, public IcxEditDefaultValuesProvider {
  RTL_CLASS(TcxCustomEditDefaultValuesProvider, TcxInterfacedPersistent)
  RTL_INTERFACES(IcxEditDefaultValuesProvider)
public:
  using TcxInterfacedPersistent::TcxInterfacedPersistent;
  // Unlinks the provider from every live properties object before it goes.
  void BeforeDestruction() override;

  void ClearUsages() override;
  TObject* GetInstance() override { return this; }
  TAlignment GetDefaultAlignment() override;
  uint8_t GetDefaultBlobKind() override { return 3; }
  bool GetDefaultCanModify() override { return true; }
  String GetDefaultDisplayFormat() override { return String(); }
  String GetDefaultEditFormat() override { return String(); }
  String GetDefaultEditMask() override { return String(); }
  bool GetDefaultIsFloatValue() override { return false; }
  int32_t GetDefaultMaxLength() override { return 0; }
  double GetDefaultMaxValue() override { return 0.0; }
  double GetDefaultMinValue() override { return 0.0; }
  int32_t GetDefaultPrecision() override { return 15; }
  bool GetDefaultReadOnly() override { return false; }
  bool GetDefaultRequired() override { return false; }
  bool IsBlobData() override { return false; }
  bool IsCurrencyData() override { return false; }
  bool IsDataAvailable() override { return true; }
  bool IsDataBound() override { return false; }
  bool HasDisplayFormat(bool) override { return false; }
  bool HasDisplayFormatWithoutPattern() override { return false; }
  bool IsValidChar(char) override { return true; }
};

// Display-format options of a properties object: a data display format applies; it applies while
// editing too.
inline constexpr uint8_t cxEditDisplayFormatApplies = 1;
inline constexpr uint8_t cxEditDisplayFormatWhileEditing = 2;

// An editor kind's settings and events, and its class factory: one object serves a stand-alone editor,
// every cell of a grid column and a repository item shared by many editors. Every change goes through
// Changed, which is silent inside update brackets and while locked.
class TcxCustomEditProperties : public TcxInterfacedPersistent {
  RTL_CLASS(TcxCustomEditProperties, TcxInterfacedPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomEditProperties(TPersistent* AOwner);
  ~TcxCustomEditProperties() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  // ---- the kind's answers ----
  // Change handler of the working alignment: what was changed there becomes the stored alignment.
  virtual void RestoreDefaultAlignment(TObject* Sender);
  virtual void SetAlignment(TcxEditAlignment* Value);
  // Change handler of Buttons.
  virtual void AlignmentChanged(TObject* Sender);
  virtual bool NeedsDisplayValueValidation() const { return false; }
  virtual bool CanCompareEditValues() const { return false; }
  // The default of UseLeftAlignmentOnEditing.
  virtual bool GetFlag10() const { return true; }
  virtual void ComponentFreeNotification(TComponent* AComponent);
  virtual TClass GetAssignedValuesClass() const { return TcxCustomEditPropertiesValues::StaticClass(); }
  virtual TAlignment GetDefaultHorzAlignment();
  // cxEditDisplayFormatApplies and cxEditDisplayFormatWhileEditing bits.
  virtual uint8_t GetDisplayFormatOptions() const { return 0; }
  virtual String GetValidationErrorText();
  virtual bool HasDataDisplayFormat(bool AIsEditing);
  // The view data, view info and control classes of the kind (the base names the base editor control).
  virtual TcxCustomEditViewDataClass GetViewDataClass() const;
  virtual bool FiresOwnChangeEvent() const { return false; }
  virtual bool WantsTabKey() const { return false; }
  virtual TClass GetContainerClass() const;
  virtual TcxContainerStyleClass GetStyleClass() const { return TcxContainerStyleClass::Of<TcxEditStyle>(); }
  virtual TClass GetViewInfoClass() const;
  virtual void Changed();
  virtual bool AreEditValuesEqual(const Variant& AEditValue1, const Variant& AEditValue2);
  // A view data of GetViewDataClass for one calculation (the caller frees it).
  virtual TcxCustomEditViewData* CreateViewData(TcxCustomEditStyle* AStyle, bool AIsInplace);
  // The size of an editor showing AEditValue, measured without a control.
  void GetEditSize(TcxCanvas* ACanvas, TcxCustomEditStyle* AStyle, bool AIsInplace, const Variant& AEditValue,
                   const TcxEditSizeProperties& AEditSizeProperties, SIZE& ASize);
  virtual void Notify26() {}
  virtual WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true);
  // A bit set the grid reads; 16: the kind has buttons.
  virtual uint32_t GetSupportedOperations();
  virtual bool IsEditValueValid(Variant& AEditValue, bool AEditFocused);
  virtual bool CanResetEditValue() const { return false; }
  virtual void ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused);
  virtual void RestoreDefaults();
  // Data that Assign does not carry.
  virtual void CopyExtraDataTo(TcxCustomEditProperties* AProperties);
  // Checks a typed display value (only for kinds that validate display values). The base never sets
  // AError itself: it fills the default error text and fires OnValidate.
  virtual void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                                 bool& AError);
  // 0 the field's value, 1 its text, 2 the value of its key fields.
  virtual int32_t GetEditValueSource(bool AEditFocused) const;

  // ---- update brackets and the change lock ----
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate(bool AInvokeChanged = true);
  int32_t UpdateCount() const { return FUpdateCount; }
  void LockChanged(bool ALock) { FChangedLocked = ALock; }
  bool IsChangedLocked() const { return FChangedLocked || FUpdateCount > 0; }

  // ---- data defaults ----
  IcxEditDefaultValuesProvider* DefaultValuesProvider() const { return FDefaultValuesProvider; }
  void SetDefaultValuesProvider(IcxEditDefaultValuesProvider* AProvider);
  bool CanModify();
  bool UsesDataDisplayFormat();
  void DoValidate(Variant& ADisplayValue, String& AErrorText, bool& ADisplayValueModified,
                  IcxEditValidationSite* AEdit, bool& AError);

  // ---- properties ----
  TcxEditAlignment* Alignment() { return GetAlignment(); }
  TcxEditAlignment* GetAlignment();
  bool IsAlignmentStored() const;
  TcxCustomEditPropertiesValues* AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TcxCustomEditPropertiesValues* Value) { FAssignedValues->Assign(Value); }
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value);
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool Value) { FBeepOnError = Value; }
  TcxEditButtons* Buttons() const { return FButtons; }
  void SetButtons(TcxEditButtons* Value) { FButtons->Assign(Value); }
  TcxEditButtonsViewStyle ButtonsViewStyle() const { return FButtonsViewStyle; }
  void SetButtonsViewStyle(TcxEditButtonsViewStyle Value);
  TShortCut ClearKey() const { return FClearKey; }
  void SetClearKey(TShortCut Value) { FClearKey = Value; }
  TShortCut ClickKey() const { return FClickKey; }
  void SetClickKey(TShortCut Value) { FClickKey = Value; }
  bool ImmediatePost() const { return FImmediatePost; }
  void SetImmediatePost(bool Value) { FImmediatePost = Value; }
  bool ReadOnly() { return GetReadOnly(); }
  bool GetReadOnly();
  void SetReadOnly(bool Value);
  bool IsReadOnlyStored() const { return FAssignedValues->ReadOnly(); }
  bool UseLeftAlignmentOnEditing() const { return FUseLeftAlignmentOnEditing; }
  void SetUseLeftAlignmentOnEditing(bool Value);
  bool IsUseLeftAlignmentOnEditingStored() const { return FUseLeftAlignmentOnEditing != GetFlag10(); }
  bool UseMouseWheel() const { return FUseMouseWheel; }
  void SetUseMouseWheel(bool Value) { FUseMouseWheel = Value; }
  bool ValidateOnEnter() const { return FValidateOnEnter; }
  void SetValidateOnEnter(bool Value) { FValidateOnEnter = Value; }

  TcxEditButtonClickEvent OnButtonClick;
  TNotifyEvent OnChange;
  TNotifyEvent OnEditValueChanged;
  TcxEditValidateEvent OnValidate;
  // Fired by Changed; bound by the owner (an editor or a repository item).
  TNotifyEvent OnPropertiesChanged;

private:
  bool IsOwnerDestroying() const;
  bool IsOwnerWriting() const;
  bool IsOwnerEditControl() const;
  void FreeNotification(TComponent* AComponent) { ComponentFreeNotification(AComponent); }

  bool FAutoSelect = true;
  bool FBeepOnError = false;
  TcxEditButtons* FButtons = nullptr;
  TcxEditButtonsViewStyle FButtonsViewStyle = bvsNormal;
  TShortCut FClearKey = 0;
  TShortCut FClickKey = cxEditDefaultClickKey;
  TcxFreeNotificator* FFreeNotificator = nullptr;
  bool FImmediatePost = false;
  TcxEditAlignment* FStoredAlignment = nullptr;
  bool FReadOnlyValue = false;
  int32_t FUpdateCount = 0;
  bool FUseLeftAlignmentOnEditing = true;
  bool FUseMouseWheel = true;
  bool FValidateOnEnter = false;
  TcxEditAlignment* FAlignment = nullptr;
  bool FChangedLocked = false;
  IcxEditDefaultValuesProvider* FDefaultValuesProvider = nullptr;
  TcxCustomEditPropertiesValues* FAssignedValues = nullptr;
};

// Every live properties object, in creation order.
const std::vector<TcxCustomEditProperties*>& EditPropertiesInstances();

// ---- editor repository and the registry of editor kinds ---------------------------------------------------

class TcxEditRepository;
class TcxEditRepositoryItem;

// What hears a repository item: its properties changed, or the item is going away.
class IcxEditRepositoryItemListener : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{4E27D642-022B-4CD2-AB96-64C7CF9B3299}");
  virtual void ItemRemoved(TcxEditRepositoryItem* AItem) = 0;
  virtual void PropertiesChanged(TcxEditRepositoryItem* AItem) = 0;

protected:
  ~IcxEditRepositoryItemListener() = default;
};

// One shared editor definition: editors and grid columns that point to the item use its properties
// instead of their own, so a change of the item reaches all of them at once.
class TcxEditRepositoryItem : public TComponent {
  RTL_CLASS(TcxEditRepositoryItem, TComponent)
public:
  explicit TcxEditRepositoryItem(TComponent* AOwner) : TComponent(AOwner) {}
  ~TcxEditRepositoryItem() override;
  void AfterConstruction() override;
  // Tells every listener ItemRemoved, the last added first, then leaves the repository.
  void BeforeDestruction() override;

  // Tells every listener, the last added first. Bound to the properties' OnPropertiesChanged.
  virtual void NotifyListeners(TObject* Sender);
  // Adds the listener once; the list holds a reference to it.
  virtual void AddListener(IcxEditRepositoryItemListener* AListener);
  // The class of the properties the item owns; each editor kind's item names its own.
  virtual TClass GetPropertiesClass() const { return TcxCustomEditProperties::StaticClass(); }
  virtual void RemoveListener(IcxEditRepositoryItemListener* AListener);

  TcxCustomEditProperties* Properties() const { return FProperties; }
  // Assigns into the owned properties.
  void SetProperties(TcxCustomEditProperties* Value);
  TcxEditRepository* Repository() const { return FRepository; }
  // Leaves the current repository and joins the new one (nullptr: none).
  void SetRepository(TcxEditRepository* Value);
  int32_t ListenerCount() const { return static_cast<int32_t>(FListeners.size()); }

  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return FRepository != nullptr; }
  // Outside loading the parent must be a repository; anything else raises EInvalidCast.
  void SetParentComponent(TComponent* AParent) override;
  void ReadState(TReader* Reader) override;

private:
  std::vector<IPtr<IcxEditRepositoryItemListener>> FListeners;
  TcxCustomEditProperties* FProperties = nullptr;
  TcxEditRepository* FRepository = nullptr;
};

// The component that holds repository items; it frees the items it still holds when it goes.
class TcxEditRepository : public TComponent {
  RTL_CLASS(TcxEditRepository, TComponent)
public:
  explicit TcxEditRepository(TComponent* AOwner) : TComponent(AOwner) {}
  // Frees the items it still holds, the last first.
  void BeforeDestruction() override;

  // An item of AItemClass (a TcxEditRepositoryItem class) owned by this repository and attached to it.
  virtual TcxEditRepositoryItem* CreateItem(TClass AItemClass);
  // An item of AItemClass owned by AOwner and attached to this repository.
  virtual TcxEditRepositoryItem* CreateItemWithOwner(TClass AItemClass, TComponent* AOwner);
  // Streams the items owned by Root as children of the repository.
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxEditRepositoryItem* Items(int32_t AIndex) const;
  // Adds an item not yet in the list; the item's SetRepository calls these two.
  void AddItem(TcxEditRepositoryItem* AItem);
  void RemoveItem(TcxEditRepositoryItem* AItem);

private:
  std::vector<TcxEditRepositoryItem*> FItems;
};

// The repository of the program, made on first call without an owner and freed by cxEditFinalize.
TcxEditRepository* GetDefaultEditRepository();
// Every editor kind linked into the program (registration text and properties class), made on first call
// without stream registration and freed by cxEditFinalize. Each kind registers once, with its text from
// cxEditConsts.h; nothing unregisters.
TcxRegisteredClasses* GetRegisteredEditProperties();

// ---- start-up of the editor framework ----------------------------------------------------------------------

// The screen cursor number of the mouse-wheel cursor.
constexpr TCursor crcxEditMouseWheel = 4101;
// Installs the mouse-wheel cursor as screen cursor crcxEditMouseWheel (when the screen exists), makes the
// global editor style controller and the list of live properties objects, and lets the filter's display
// words pass through TranslateString. The program calls it once at start-up; later calls do nothing until
// cxEditFinalize, which undoes it.
void cxEditInitialize();

namespace cx_edit_detail {
// The repository unit's share of cxEditFinalize.
void FinalizeRepository();
// The start-up's share of cxEditFinalize.
void FinalizeEditInit();
}  // namespace cx_edit_detail

// ---- view data and view info ------------------------------------------------------------------------------

// Paint states of an editor button.
inline constexpr uint8_t cxEditButtonStateDisabled = 0;
inline constexpr uint8_t cxEditButtonStateNormal = 1;
inline constexpr uint8_t cxEditButtonStatePressed = 2;
inline constexpr uint8_t cxEditButtonStateHot = 3;
// The width that stands for "no limit" when an editor is laid out to be measured.
inline constexpr int32_t cxEditUnlimitedWidth = 2147483647;

struct TcxEditButtonViewInfoData {
  TColor BackgroundColor = clDefault;
  String Caption;
  bool Default = false;
  bool IsInplace = false;
  TcxEditButtonKind Kind = bkDown;
  bool LeftAlignment = false;
  bool Leftmost = false;
  bool NativeStyle = false;
  bool Rightmost = false;
  uint8_t State = cxEditButtonStateNormal;
  TcxEditButtonStyle Style = btsDefault;
  TColor TextColor = clBtnText;
  bool Transparent = false;
  String VisibleCaption;
  bool IsOnlyDropDownButton = false;
  int32_t NativeState = 0;
  // The theme part a natively painted button is drawn with (0: none) and whether that part lets the
  // editor's background show through.
  int32_t NativePart = 0;
  bool NativePartiallyTransparent = false;
  TBitmap* Glyph = nullptr;  // the button's own bitmap, not owned here
  bool EraseBackground = false;
  int32_t ButtonIndex = -1;  // in Buttons
  bool Stretchable = true;
  RECT VisibleRect{};
  int32_t Width = 0;
};

// One shown button: its full rectangle and what it is painted with.
class TcxEditButtonViewInfo : public TPersistent {
  RTL_CLASS(TcxEditButtonViewInfo, TPersistent)
public:
  TcxEditButtonViewInfo() = default;
  void Assign(TPersistent* Source) override;
  // Empty when style, state, background colour and native state are all equal, else the bounds (the
  // caller frees the region).
  virtual TcxRegion* GetChangedRegion(TcxEditButtonViewInfo* AViewInfo);
  bool PaintsLike(const TcxEditButtonViewInfo* AViewInfo) const;
  // Invalidates the bounds (moved by AOffset) on the control's window when the button paints differently
  // from AViewInfo, erasing when the button erases its background; answers whether it did.
  virtual bool RepaintIfChanged(TWinControl* AControl, TcxEditButtonViewInfo* AViewInfo, POINT AOffset);

  RECT Bounds{};
  TcxEditButtonViewInfoData Data;
};

// Everything needed to paint one editor; filled by a view data, reused by the editor, and compared with
// a copy so that only changed borders and buttons are repainted.
class TcxCustomEditViewInfo : public TcxContainerViewInfo {
  RTL_CLASS(TcxCustomEditViewInfo, TcxContainerViewInfo)
public:
  TcxCustomEditViewInfo() = default;
  ~TcxCustomEditViewInfo() override;

  virtual TClass GetButtonViewInfoClass() const { return TcxEditButtonViewInfo::StaticClass(); }
  virtual bool PaintsText() const { return true; }
  virtual bool HasTextButtons() const;
  // P, shifted by the paint offset, lies in a button.
  virtual bool IsHotTrackPoint(POINT P) const;
  virtual void PrepareCanvasFont(TcxCanvas*) {}

  TcxContainerBorderStyle GetContainerBorderStyle() const override {
    return static_cast<TcxContainerBorderStyle>(EditBorderStyle);
  }
  void SetBackgroundColor(TColor Value) override;
  void Assign(TObject* Source) override;
  // With an equal border, button count and native state, only the buttons that changed; else the bounds.
  TcxRegion* GetChangedRegion(TcxContainerViewInfo* AViewInfo) override;
  void OffsetRects(int32_t DX, int32_t DY) override;

  // ---- painting ----
  // The frame, the background and the buttons, the buttons' rectangles kept out of the background.
  void PaintBackground(TcxCanvas* ACanvas) override;
  // One button: picks the style it is painted with and draws its border and content.
  virtual void DrawButton(TcxCanvas* ACanvas, int32_t AIndex);
  // Frame and face of a button for its state, natively or by AStyle, then its content.
  virtual void DrawButtonBorder(TcxCanvas* ACanvas, int32_t AIndex, TcxEditButtonStyle AStyle, const RECT& ARect);
  // The ellipsis, arrow, glyph or caption of a button in ARect.
  virtual void DrawButtonContent(TcxCanvas* ACanvas, int32_t AIndex, const RECT& ARect, TColor AContentColor,
                                 TColor ABackgroundColor);
  // The editor's background, then every button that shows. AFillAll fills the content area too;
  // AContentAreaMode (0 to 2) chooses what a themed frame leaves for the content.
  void PaintEditButtons(TcxCanvas* ACanvas, bool AFillAll, int32_t AContentAreaMode = 0);
  // Frame, shadow and background fill of the editor (without buttons).
  void DrawEditBackground(TcxCanvas* ACanvas, bool AFillAll, int32_t AContentAreaMode = 0);
  // Whether a hint should show for P, and its text; the base asks NeedShowHintInRect with an empty rectangle.
  virtual bool NeedShowHint(TcxCanvas* ACanvas, POINT P, String& AText, bool& AIsMultiLine, RECT& ATextRect);
  virtual bool NeedShowHintInRect(TcxCanvas* ACanvas, POINT P, const RECT& ARect, String& AText,
                                  bool& AIsMultiLine, RECT& ATextRect);
  // Invalidates on the control's window what differs from AOldViewInfo (all of the frame without one);
  // never the text area. Answers whether anything was invalidated.
  virtual bool RepaintControl(TWinControl* AControl, TcxCustomEditViewInfo* AOldViewInfo);
  // Like RepaintControl, keeping AInnerRect (clipped to the client rectangle) out of the frame's repaint.
  virtual bool RepaintControlRect(TWinControl* AControl, const RECT& AInnerRect, TcxCustomEditViewInfo* AOldViewInfo);

  int32_t ButtonCount() const { return static_cast<int32_t>(ButtonsInfo.size()); }
  TcxEditButtonViewInfo* Button(int32_t AIndex) const { return ButtonsInfo[static_cast<size_t>(AIndex)]; }
  // Makes exactly ACount button infos of GetButtonViewInfoClass, keeping existing ones.
  void SetButtonCount(int32_t ACount);

  RECT BorderExtent{};  // distances from the bounds to the text area
  TcxEditBorderStyle EditBorderStyle = ebsNone;
  std::vector<TcxEditButtonViewInfo*> ButtonsInfo;  // owned
  TcxCustomEditProperties* EditProperties = nullptr;
  bool Enabled = true;
  bool Focused = false;
  TFont* Font = nullptr;  // the style's, not owned
  bool EraseBackground = false;
  bool InnerEditVisible = false;
  RECT TextRect{};
  bool IsButtonReallyPressed = false;
  bool IsInplace = false;
  bool IsSelected = false;
  bool IsDesigning = false;
  uint32_t PaintOptions = 0;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t PressedButton = -1;
  int32_t HotButton = -1;
  RECT ShadowRect{};
  TColor TextColor = clWindowText;
  bool Transparent = false;
  TcxEditPopupBorderStyle PopupBorderStyle = epbsDefault;
  HWND WindowHandle = nullptr;
};


// A short-lived calculator made by the properties for one calculation: fills a view info from the
// properties, a style and bounds, with or without an editor.
class TcxCustomEditViewData : public TPersistent {
  RTL_CLASS(TcxCustomEditViewData, TPersistent)
public:
  TcxCustomEditViewData(TcxCustomEditProperties* AProperties, TcxCustomEditStyle* AStyle, bool AIsInplace);
  void AfterConstruction() override;

  virtual bool CanPressButton(TcxCustomEditViewInfo*, int32_t) { return true; }
  virtual void InitializeState();
  virtual void InitializeFromProperties();
  virtual void EditValueToDisplayText(const Variant&, String& AText) { AText.clear(); }
  virtual bool IsButtonPressed(TcxCustomEditViewInfo*, int32_t) { return false; }
  virtual void CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                  TcxCustomEditViewInfo* AViewInfo, TShiftState AShift, TMouseButton AButton,
                                  POINT AMousePos);
  virtual void CalculateButtonBounds(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& ARect,
                                     int32_t AIndex);
  virtual void CalculateButtonsViewInfo(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                        TcxCustomEditViewInfo* AViewInfo, TShiftState AShift, TMouseButton AButton,
                                        POINT AMousePos);
  virtual void CalculateButtonViewInfo(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& ARect,
                                       int32_t AIndex);
  virtual TColor GetBorderColor();
  virtual void GetClientExtent(RECT& AExtent);
  virtual TcxEditBorderStyle GetEditBorderStyle();
  virtual void GetContentExtent(TcxCanvas* ACanvas, RECT& AExtent);
  virtual void Calculate(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& AExtent);
  virtual bool HasShadow();
  virtual void CalculateButtonsMinSize(TcxCanvas* ACanvas, bool AIsInplace, TcxCustomEditViewInfo* AViewInfo,
                                       SIZE& AFrameSize, SIZE& AMinContentSize);
  virtual void GetValueContentSize(TcxCanvas*, const Variant&, SIZE& ASize, const TcxEditSizeProperties&) {
    ASize = SIZE{0, 0};
  }
  // Border plus buttons, and the least content the buttons need; AViewInfo may be nullptr (a temporary
  // one is laid out on unlimited bounds).
  virtual void MeasureFramePart(TcxCanvas* ACanvas, const TcxEditSizeProperties& ASizeRequest, SIZE& AFrameSize,
                                TcxCustomEditViewInfo* AViewInfo, SIZE& AMinContentSize);
  virtual void MeasureContentPart(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                                  const TcxEditSizeProperties& ASizeRequest);
  void GetEditSize(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize, TcxCustomEditViewInfo* AViewInfo,
                   const TcxEditSizeProperties& ASizeRequest);
  // Text, then OnGetDisplayText.
  void GetValueDisplayText(const Variant& AEditValue, String& AText);
  // Horizontal and vertical room around a text line.
  POINT GetTextOffsets() const;
  // The width of a button before it is fitted into the space left.
  virtual int32_t GetButtonWidth(TcxCanvas* ACanvas, TcxEditButtonViewInfo* AButton);
  static bool IsNativeStyleFor(TcxLookAndFeel* ALookAndFeel);

  TcxCustomEditProperties* Properties = nullptr;
  TcxCustomEditStyle* Style = nullptr;
  bool IsInplace = false;
  int32_t LeftSideLeftmostButtonIndex = -1;
  int32_t LeftSideRightmostButtonIndex = -1;
  int32_t RightSideLeftmostButtonIndex = -1;
  int32_t RightSideRightmostButtonIndex = -1;
  Event<TObject*, String&> OnGetDisplayText;
  RECT Bounds{};
  bool ButtonsOnlyStyle = false;
  int32_t ButtonVisibleCount = 0;
  TcxContainerState ContainerState{csNormal};
  RECT ContentOffset{};
  // The attached editor, set by the editor control for its own calculations; nullptr for hosts.
  TcxCustomEdit* Edit = nullptr;
  HWND WindowHandle = nullptr;
  bool Enabled = true;
  bool Focused = false;
  TAlignment HorzAlignment = taLeftJustify;
  TcxEditVertAlignment VertAlignment = taTopJustify;
  bool IsDesigning = false;
  bool IsRowSelected = false;
  bool IsValueSource = false;
  int32_t MaxLineCount = 0;
  bool NativeStyle = false;
  uint32_t PaintOptions = 0;
  bool IsSelected = false;
  int32_t SelStart = 0;
  int32_t SelLength = 0;
  TColor SelTextColor = clDefault;
  TColor SelBackgroundColor = clDefault;

protected:
  void CalculateViewInfoState(TcxCustomEditViewInfo* AViewInfo, const RECT& ABounds, TShiftState AShift,
                              POINT AMousePos);
};

// ---- the editor control -----------------------------------------------------------------------------------

namespace cx_edit_detail {
// Tells whether an object outlived a call-out. The link lives on the heap: kept on the stack, the
// optimiser takes its registration with the object for a dangling local address.
class TAliveLink {
public:
  explicit TAliveLink(TObject* AObject) : FLink(std::make_unique<TObjectLink<TObject>>(AObject)) {}
  explicit operator bool() const { return static_cast<bool>(*FLink); }

private:
  std::unique_ptr<TObjectLink<TObject>> FLink;
};
}  // namespace cx_edit_detail

class TcxEditDataBinding;
class TcxEditRepositoryItem;

// The editor-specific contract of an inner native control (an edit, a memo): the container part tells
// whose control it is, this part lets the editor move values and the focus through it.
class IcxCustomInnerEdit : public IcxContainerInnerControl {
public:
  static constexpr TGUID IID = MakeGUID("{468D21B5-48AA-4077-8ED5-4C6112D460B1}");
  virtual LRESULT CallDefWndProc(UINT AMsg, WPARAM WParam, LPARAM LParam) = 0;
  virtual Variant GetEditValue() = 0;
  virtual TNotifyEvent GetOnChange() = 0;
  virtual bool GetReadOnly() = 0;
  virtual void LockBounds(bool ALock) = 0;
  virtual void SafelySetFocus() = 0;
  virtual void SetEditValue(const Variant& Value) = 0;
  virtual void SetParent(TWinControl* Value) = 0;
  virtual void SetOnChange(TNotifyEvent Value) = 0;
  virtual void SetReadOnly(bool Value) = 0;

protected:
  ~IcxCustomInnerEdit() = default;
};

// An inner control whose editor contract lives in a helper object hands the helper out through this.
class IcxInnerEditSource : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{35667555-6DC8-40D5-B705-B08D5697C621}");
  virtual IcxCustomInnerEdit* GetInnerEdit() = 0;

protected:
  ~IcxInnerEditSource() = default;
};

// Sender, var CanEdit.
using TcxEditEditingEvent = Event<TObject*, bool&>;

// Holds back OnChange and OnEditValueChanged while an editor's change events are locked.
class TcxEditChangeEventsCatcher : public TObject {
  RTL_CLASS(TcxEditChangeEventsCatcher, TObject)
public:
  explicit TcxEditChangeEventsCatcher(TcxCustomEdit* AEdit) : FEdit(AEdit) {}
  TcxCustomEdit* Edit() const { return FEdit; }
  int32_t LockCount = 0;
  bool OnChangeEvent = false;
  bool OnEditValueChangedEvent = false;

private:
  TcxCustomEdit* FEdit;
};

// Per-record data of one in-place activation (a drop-down editor keeps its popup size here). The editor
// link is cleared when the editor goes, so a host may keep the data longer than the editor.
class TcxCustomEditData : public TObject {
  RTL_CLASS(TcxCustomEditData, TObject)
public:
  using VirtualCtorArg = TcxCustomEdit*;
  explicit TcxCustomEditData(TcxCustomEdit* AEdit);
  ~TcxCustomEditData() override;
  void AfterConstruction() override;
  TcxCustomEdit* Edit() const { return FEdit; }
  // True while fresh: the editor fills it on its next activation.
  bool Cleared = true;

private:
  void EditRemoved(TComponent* AComponent);
  TcxCustomEdit* FEdit;
  TcxFreeNotificator* FFreeNotificator = nullptr;
};

// The control every editor kind descends from: the edit value and the display value the properties derive
// from it, the modified state, validation, the key table, posting to a data binding or (in a grid cell) to
// the host, in-place activation, and the link to a shared repository item. Painting goes through the
// properties' view data and view info.
class TcxCustomEdit : public TcxContainer, public IcxEditRepositoryItemListener, public IcxEditValidationSite {
  RTL_CLASS(TcxCustomEdit, TcxContainer)
  RTL_INTERFACES(IcxEditRepositoryItemListener)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomEdit(TComponent* AOwner);
  ~TcxCustomEdit() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& Message) override;

  // An editor of AClass (a TcxCustomEdit class) made with the in-place flag set before anything else runs;
  // the in-place pool makes its editors this way with no owner.
  static TcxCustomEdit* CreateInplace(TClass AClass, TComponent* AOwner, bool AIsInplace = true);
  static TcxCustomEdit* CreateWithInplace(TClass AClass, TComponent* AOwner, bool AIsInplace) {
    return CreateInplace(AClass, AOwner, AIsInplace);
  }
  template <class T>
  static T* CreateInplace(TComponent* AOwner, bool AIsInplace = true) {
    return static_cast<T*>(CreateInplace(T::StaticClass(), AOwner, AIsInplace));
  }

  // ---- IInterface: a component lives as long as its owner says ----
  int32_t QueryInterface(const TGUID& iid, void** obj) override { return TcxContainer::QueryInterface(iid, obj); }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  // ---- IcxEditRepositoryItemListener ----
  void ItemRemoved(TcxEditRepositoryItem* AItem) override;
  void PropertiesChanged(TcxEditRepositoryItem* AItem) override;

  // ---- IcxEditValidationSite ----
  TObject* GetValidationSender() override { return this; }
  TcxCustomEditProperties* GetOwnProperties() override { return FProperties; }
  TcxCustomEditProperties* GetRepositoryItemProperties() override;
  String GetCurrentDisplayText() override;

  // ---- published state ----
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value) { DoSetAutoSize(Value); }
  // Applies a pending auto-size (the window is made on demand) before answering.
  int32_t Height() { return GetHeight(); }
  int32_t GetHeight();
  Variant EditValue() { return GetEditValue(); }
  bool IsEditValueStored() const { return !VarIsNull(FEditValue); }
  TcxCustomEditProperties* Properties() const { return FProperties; }
  void SetProperties(TcxCustomEditProperties* Value) { FProperties->Assign(Value); }
  // The properties in use: the repository item's when there is one (re-pointed to this editor's data
  // defaults first), else the editor's own.
  TcxCustomEditProperties* GetActiveProperties();
  TcxCustomEditProperties* ActiveProperties() { return GetActiveProperties(); }
  TcxCustomEditProperties* InternalGetActiveProperties() { return GetActiveProperties(); }
  TcxEditRepositoryItem* RepositoryItem() const { return FRepositoryItem; }
  void SetRepositoryItem(TcxEditRepositoryItem* Value);
  TcxEditDataBinding* DataBinding() const { return FDataBinding; }
  TcxEditStyle* Style() const { return static_cast<TcxEditStyle*>(GetStyle()); }
  TcxEditStyle* StyleDisabled() const { return static_cast<TcxEditStyle*>(GetStyleDisabled()); }
  TcxEditStyle* StyleFocused() const { return static_cast<TcxEditStyle*>(GetStyleFocused()); }
  TcxEditStyle* StyleHot() const { return static_cast<TcxEditStyle*>(GetStyleHot()); }
  void SetStyle(TcxEditStyle* Value) { TcxContainer::SetStyle(Value); }
  void SetStyleDisabled(TcxEditStyle* Value) { TcxContainer::SetStyleDisabled(Value); }
  void SetStyleFocused(TcxEditStyle* Value) { TcxContainer::SetStyleFocused(Value); }
  void SetStyleHot(TcxEditStyle* Value) { TcxContainer::SetStyleHot(Value); }
  // The style of the current state (normal, focused, disabled or hot).
  TcxCustomEditStyle* GetCurrentEditStyle() { return static_cast<TcxCustomEditStyle*>(GetCurrentStyle()); }
  TcxCustomEditViewInfo* EditViewInfo() const { return static_cast<TcxCustomEditViewInfo*>(ViewInfo()); }
  IcxCustomInnerEdit* InnerEdit() const { return FInnerEdit; }

  // ---- modified state and change events ----
  bool Modified() const { return FModified; }
  // False also clears the modified-after-enter mark.
  void SetModified(bool Value);
  bool ModifiedAfterEnter() const { return FModifiedAfterEnter; }
  // True also sets Modified and forgets the last validation.
  void SetModifiedAfterEnter(bool Value);
  void SaveModified();
  void RestoreModified();
  // Locking from 0 forgets deferred events; unlocking to 0 with AInvokeChanged fires those deferred.
  void LockChangeEvents(bool ALock, bool AInvokeChanged = true);
  void LockClick(bool ALock);
  void LockEditValueChanging(bool ALock);
  int32_t ChangeEventsLockCount() const { return FChangeEventsCatcher ? FChangeEventsCatcher->LockCount : 0; }
  void NotifyChange();
  void NotifyEditValueChanged();
  bool IsValidated() const { return FValidated; }
  bool IsPosting() const { return FIsPosting; }
  bool KeyboardAction() const { return FKeyboardAction; }
  void SetKeyboardAction(bool Value) { FKeyboardAction = Value; }
  TcxCustomEditData* EditData() const { return FEditData; }

  // ---- editing, validation, posting ----
  bool DoEditing();
  bool DoValidateEdit(bool ARaiseOnError);
  void PostEditValue(bool AValidate = false);
  bool CanPostEditValue();
  bool IsBoundToData();
  bool IsPaintCopyOfDataEdit();
  void RecalculateAtCursor();
  void UpdateStateAtCursor();
  bool CanHandleMouseWheel(TShiftState Shift);
  // The visible index of the default button (-1: none), and the index in Buttons of a visible button.
  int32_t DefaultButtonVisibleIndex();
  int32_t ButtonIndexOfVisible(int32_t AVisibleIndex);

  // ---- overrides of the container ----
  TcxContainerStyleClass GetStyleClass() const override;
  TClass GetViewInfoClass() const override;
  TcxContainerStyleValues GetHiddenStyleValues() const override;
  bool SuppressTabNavigation() override { return true; }
  bool IsNativeStyle() override;
  void FocusInnerControl() override;
  bool IsInplace() const override { return FIsInplace; }
  void GetBorderExtent(RECT& R) override;
  bool RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) override;
  void AdjustLayout() override;
  void FocusChanged() override;
  void GetTabOrderList(std::vector<TWinControl*>& List) override;
  void MouseLeave(TControl* AControl) override;
  void MouseLeave() override { TcxContainer::MouseLeave(); }
  void SetParent(TWinControl* Value) override;
  void Click() override;
  void DblClick() override;
  void SetName(const String& Value) override;
  // An auto-sized editor takes the height its content needs.
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;

  // ---- virtual operations of the editor, in the order the kinds override them ----
  virtual void AdjustInnerEditPosition(int32_t AvailableHeight);
  virtual void EndPosting() { FIsPosting = false; }
  virtual void BeginPosting() { FIsPosting = true; }
  virtual bool CanAutoSize() { return true; }
  virtual bool CanAutoWidth();
  virtual bool IsModifyingKey(uint16_t Key, TShiftState Shift) { (void)Key, (void)Shift; return false; }
  virtual bool IsModifyingChar(char32_t Key) { (void)Key; return false; }
  virtual bool CanModify();
  virtual void InnerEditChanged(TObject* Sender);
  virtual void CreateInnerEdit(IcxCustomInnerEdit*& AInnerEdit);
  // A view data of the active properties for the current style, attached to this editor (the caller frees).
  virtual TcxCustomEditViewData* CreateViewData();
  virtual void ClickDefaultButton();
  virtual void DoButtonClick(int32_t AVisibleIndex);
  virtual void DoButtonDown(int32_t AVisibleIndex) { (void)AVisibleIndex; }
  virtual void DoButtonUp(int32_t AVisibleIndex) { (void)AVisibleIndex; }
  virtual void DoEditKeyDown(uint16_t& Key, TShiftState Shift);
  virtual void DoEditKeyPress(char32_t& Key) { CanProcessKeyPress(Key); }
  virtual void DoEditKeyUp(uint16_t& Key, TShiftState Shift) { (void)Key, (void)Shift; }
  virtual void HandleTabKey(TShiftState Shift) { (void)Shift; }
  virtual void DoOnChange();
  virtual void DoOnEditValueChanged();
  virtual void DataBindingNotify154() {}
  virtual void GetSizeRequest(TcxEditSizeProperties& ASizeProperties);
  virtual TClass GetDataBindingClass() const;
  virtual void GetDisplayText(String& Text) { Text.clear(); }
  String DisplayText() {
    String s;
    GetDisplayText(s);
    return s;
  }
  // A TcxCustomEditData class, or nullptr when the kind keeps no per-record data.
  virtual TClass GetEditDataClass() const { return nullptr; }
  virtual Variant GetEditValue() { return FEditValue; }
  // A TWinControl class that provides IcxCustomInnerEdit (or IcxInnerEditSource), or nullptr.
  virtual TClass GetInnerEditClass() const { return nullptr; }
  virtual void HandleValidationError(const String& AErrorText);
  virtual void InitializeEdit();
  virtual void InitializeEditData() {}
  virtual void InitializeInnerEdit();
  virtual void InitializeViewData(TcxCustomEditViewData* AViewData);
  virtual bool SupportsEditing() { return true; }
  virtual void ApplyDisplayValue(const Variant& ADisplayValue) { (void)ADisplayValue; }
  virtual void AssignEditValue(const Variant& Value);
  virtual void ApplyDisplayValueLocked(const Variant& ADisplayValue);
  virtual bool IsActiveControl();
  virtual bool CanClickWhileLoading() { return false; }
  virtual bool IsClickKey(uint16_t Key, TShiftState Shift);
  virtual bool IsValidChar(char32_t AChar);
  virtual void PaintCopy();
  virtual void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue);
  virtual void ProcessButtonStateChange(TcxCustomEditViewInfo* AOldViewInfo);
  virtual void PropertiesChanged(TObject* Sender);
  virtual void RepositoryItemChanged() {}
  virtual void BeforeRepositoryItemChange() {}
  virtual void Reset();
  virtual bool SendsActivationKey(char32_t Key) { (void)Key; return true; }
  virtual bool TrySetDisplayText(const String& AText) { (void)AText; return false; }
  virtual void DoSetAutoSize(bool Value);
  virtual void SetEditValue(const Variant& Value);
  virtual void ApplyEditValue(const Variant& Value);
  virtual void SetInnerEditDisplayValue(const Variant& Value) { (void)Value; }
  virtual void RefreshDisplayFromEditValue() {}
  virtual void RefreshEditValueFromDisplay() {}
  virtual bool RefreshDisplayOnFocusChange() { return true; }
  virtual void UpdateDrawValue() {}
  virtual bool CanProcessKeyDown(uint16_t& Key, TShiftState Shift);
  virtual bool CanProcessKeyPress(char32_t& Key);
  virtual bool HandlesCursorKeys() { return false; }
  virtual void InnerEditWindowProc(TMessage& Message);
  virtual void HookInnerEditWindowProc();
  virtual void UnhookInnerEditWindowProc();
  virtual void Activate(TcxCustomEditData*& AEditData);
  virtual void ActivateByKey(char32_t AKey, TcxCustomEditData*& AEditData);
  virtual void ActivateByMouse(TShiftState Shift, int32_t X, int32_t Y, TcxCustomEditData*& AEditData);
  virtual void ClearEditValue() { SetEditValue(Null()); }
  virtual void CopyToClipboard() {}
  virtual void CutToClipboard() {}
  virtual void ValidateInput();
  // A TcxCustomEditProperties class: the kind's own properties.
  virtual TClass GetPropertiesClass() const { return TcxCustomEditProperties::StaticClass(); }
  virtual bool HasPopupWindow() { return false; }
  virtual bool IsEditFocused() { return Focused(); }
  virtual bool NeedsInnerEdit() { return false; }
  virtual bool CanUseRepositoryItem(TcxEditRepositoryItem* AItem);
  virtual void PasteFromClipboard() {}
  virtual void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
    (void)ADisplayValue, (void)AEditValue;
  }
  virtual void SelectAll() {}
  // The data binding's notice that its dataset entered or left editing; no editor acts on it yet.
  virtual void DataEditingStateChanged() {}
  // The data binding's answer (the platform's controls have no action handling of their own here).
  virtual bool ExecuteAction(TBasicAction* AAction);
  virtual bool UpdateAction(TBasicAction* AAction);

  // ---- events ----
  // Keys the editor passes on (cursor keys, Tab, refused keys) reach the host here first.
  TKeyEvent OnAfterKeyDown;
  TcxEditEditingEvent OnEditing;
  // Fired instead of a data-binding post when the editor is in-place.
  TNotifyEvent OnPostEditValue;
  // An empty slot that only the form designer uses.
  TNotifyEvent PropertiesEvents;

protected:
  void Loaded() override;
  void ReadState(TReader* Reader) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateHandle() override;
  void Paint() override;
  void DoEnter() override;
  void DoExit() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool CanResize(int32_t NewWidth, int32_t& NewHeight);
  void DoAfterKeyDown(uint16_t& Key, TShiftState Shift);
  // The exit sequence: validate and post a value changed since entering.
  void DoExitSequence();
  bool IsLoading() const { return ComponentState().Contains(csLoading); }
  bool IsEditDestroying() const { return IsDestroying() || FIsEditDestroying; }
  // Runs a step with the change events locked; the deferred events fire when the lock goes, also after a
  // failure (which goes on).
  template <class F>
  void WithEditChangeEventsLocked(F&& AStep) {
    LockChangeEvents(true);
    try {
      AStep();
    } catch (...) {
      LockChangeEvents(false, true);
      throw;
    }
    LockChangeEvents(false, true);
  }

  IcxCustomInnerEdit* FInnerEdit = nullptr;
  Variant FEditValue;
  Variant FPrevEditValue;
  TcxCustomEditProperties* FProperties = nullptr;

private:
  void DoubleClickTimerTick(TObject* Sender);
  void StartDoubleClickTimer();
  void StopDoubleClickTimer();
  void ShowingChanged();
  void BindPropertiesChanged(bool ABind);
  void SetWindowRegionLocked();
  void RemoveCharMessage();

  bool FAutoSize = true;
  int32_t FCaptureButtonVisibleIndex = -1;
  TcxEditChangeEventsCatcher* FChangeEventsCatcher = nullptr;
  int32_t FClickLockCount = 0;
  TcxTimer* FDblClickTimer = nullptr;
  TcxCustomEditData* FEditData = nullptr;
  bool FEditingRequest = false;
  int32_t FEditValueChangingLockCount = 0;
  bool FFocused = false;
  bool FHandleCreating = false;
  WNDPROC FInnerEditDefWindowProc = nullptr;
  bool FValidated = false;
  bool FEscapeConsumed = false;
  bool FIsJustCreated = true;
  bool FIsInplace = false;
  bool FIsPosting = false;
  bool FKeyboardAction = false;
  bool FModified = false;
  bool FModifiedAfterEnter = false;
  std::vector<std::pair<bool, bool>> FModifiedStack;
  bool FRefreshing = false;
  TcxEditRepositoryItem* FRepositoryItem = nullptr;
  bool FValidationError = false;
  TcxEditDataBinding* FDataBinding = nullptr;
  bool FSettingWindowRegion = false;
  bool FIsEditDestroying = false;
  TWinControl* FInnerEditControl = nullptr;
  bool FAdjustingLayout = false;
};

// ---- data binding -----------------------------------------------------------------------------------------

// An editor's only door to stored data. The base binds to nothing and answers from the editor itself, so
// a stand-alone editor keeps its value in EditValue; field-bound kinds replace it.
class TcxEditDataBinding : public TPersistent {
  RTL_CLASS(TcxEditDataBinding, TPersistent)
public:
  using VirtualCtorArg = TcxCustomEdit*;
  explicit TcxEditDataBinding(TcxCustomEdit* AEdit) : FEdit(AEdit) {}
  ~TcxEditDataBinding() override;
  // Makes the default-values provider (its class is a virtual choice).
  void AfterConstruction() override;

  virtual bool CanModify() { return true; }
  virtual void DefaultValuesChanged();
  virtual void GetDisplayValue(Variant& Value);
  virtual bool GetModified();
  virtual void GetStoredValue(Variant& Value);
  virtual void Reset();
  virtual void SetDisplayValue(const Variant& Value) { SetInnerDisplayValue(Value); }
  // Asks the data to enter editing; the answer decides whether a change may start.
  virtual bool PostData() { return true; }
  virtual void SetStoredValue(const Variant& Value) { (void)Value; }
  virtual bool IsInDesignMode();
  virtual bool ExecuteAction(TBasicAction* AAction) { (void)AAction; return false; }
  // A TcxCustomEditDefaultValuesProvider class.
  virtual TClass GetDefaultValuesProviderClass() const;
  virtual bool UpdateAction(TBasicAction* AAction) { (void)AAction; return false; }
  virtual void UpdateDisplayValue();
  virtual void ClearWhenNoData() {}

  Variant StoredValue() {
    Variant v;
    GetStoredValue(v);
    return v;
  }
  void SetInnerDisplayValue(const Variant& Value);
  IcxEditDefaultValuesProvider* GetDefaultValuesProvider() const { return FDefaultValuesProvider; }
  TcxCustomEditDefaultValuesProvider* DefaultValuesProviderObject() const { return FDefaultValuesProvider; }
  bool IsDataAvailable();
  TcxCustomEdit* Edit() const { return FEdit; }

protected:
  TPersistent* GetOwner() override;

private:
  TcxCustomEdit* FEdit;
  TcxCustomEditDefaultValuesProvider* FDefaultValuesProvider = nullptr;
};

// The binding class of the list-type controls; it adds nothing to the data controller's binding.
class TcxDataBinding : public TcxCustomDataBinding {
  RTL_CLASS(TcxDataBinding, TcxCustomDataBinding)
public:
  using TcxCustomDataBinding::TcxCustomDataBinding;
};

// ---- small routines of the editor unit ----------------------------------------------------------------------

// Same variant type and equal values.
bool VarEqualsExact(const Variant& A, const Variant& B);
// 0, 9, 10, 12, 13 and 32.
bool IsSpaceChar(char32_t C);
void SendKeyDown(TWinControl* AControl, uint16_t AKey);
void SendChar(TWinControl* AControl, char32_t AChar);
TShiftState MouseButtonToShift(TMouseButton AButton);
// The container's button code (0 none, 1 left, 2 right, 3 middle) as a shift flag.
TShiftState ButtonToShift(uint8_t AButton);
// The MK_ flags of a mouse message (Alt has none).
WPARAM ShiftStateToMouseKeys(TShiftState AShift);
void EnlargeSize(SIZE& ASize, const SIZE& AOther);
bool IsRegionEmpty(TcxRegion* ARegion);
void CombineRegionOr(TcxRegion* ARegion, TcxRegion* AOther);
TComponent* OwnerComponentOf(TPersistent* APersistent);
