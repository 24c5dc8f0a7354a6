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
