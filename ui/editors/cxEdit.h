#pragma once
// The editor unit: what every editor kind shares. Sections, in order:
//   - editor enumerations;
//   - editor buttons (cxEditButtons.cpp): the buttons an editor shows inside its border;
//   - editor styles and the global style controller (cxEditStyles.cpp).
// The editor core (properties, view data and view info, the editor control) joins this header later;
// it goes after the styles, since it uses all of the above.

#include <cstdint>

#include "forms/Graphics.h"
#include "rtl/Classes.h"
#include "rtl/Collections.h"
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
