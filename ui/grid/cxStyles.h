#pragma once
// Styles: named sets of painting values (background bitmap and colour, font, text colour) that forms keep
// on a style repository and assign to the numbered slots of a styles object (a view's, a column's, a
// level's). A style sheet carries one prepared styles object that other styles objects draw on for the
// slots they leave empty. Painting code asks a styles object for the values of a slot (ResolveViewParams):
// the style an event returned, else the slot's own style, else the sheet's, else the owner's defaults, value
// by value. Every change of a style travels to the styles objects that hold it, through the sheets that
// hold it to their users, so that the views that paint with it repaint.

#include <cstdint>
#include <vector>

#include "ui/base/cxClasses.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxGraphics.h"

class TBitmap;
class TFont;
class TcxCustomStyles;
class TcxCustomStyleSheet;
class TcxStyleRepository;

// Scoped: the editors' container styles have values of the same names.
enum class TcxStyleValue : uint8_t { svBitmap, svColor, svFont, svTextColor };
RTL_ENUM(TcxStyleValue, svBitmap, svColor, svFont, svTextColor)
using TcxStyleValues = Set<TcxStyleValue>;

// ---- styles --------------------------------------------------------------------------------------------------

class TcxCustomStyle : public TComponent {
  RTL_CLASS(TcxCustomStyle, TComponent)
public:
  explicit TcxCustomStyle(TComponent* AOwner) : TComponent(AOwner) {}
  // The styles objects that hold the style forget it first (each slot notifying), then it leaves its
  // repository.
  void BeforeDestruction() override;
  void ReadState(TReader* Reader) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override;
  // A repository only; anything else is the platform's invalid type-cast error.
  void SetParentComponent(TComponent* Value) override;

  TcxStyleRepository* StyleRepository() const { return FStyleRepository; }
  void SetStyleRepository(TcxStyleRepository* Value);
  int32_t ListenerCount() const { return static_cast<int32_t>(FListeners.size()); }
  TcxCustomStyles* Listeners(int32_t Index) const { return FListeners.at(static_cast<size_t>(Index)); }

  // Every listening styles object hears of a change (last listener first).
  virtual void NotifyListeners();
  virtual void AttachListener(TcxCustomStyles* AListener);
  virtual void DetachListener(TcxCustomStyles* AListener);
  virtual void ResetValues() {}

private:
  std::vector<TcxCustomStyles*> FListeners;
  TcxStyleRepository* FStyleRepository = nullptr;
};

// The style forms use. AssignedValues says which values it supplies; it follows the setters.
class TcxStyle : public TcxCustomStyle {
  RTL_CLASS(TcxStyle, TcxCustomStyle)
  RTL_PUBLISHED_DECL
public:
  explicit TcxStyle(TComponent* AOwner) : TcxCustomStyle(AOwner) {}
  ~TcxStyle() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;
  void ResetValues() override;

  TcxStyleValues AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TcxStyleValues Value);
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFont* Font() const { return FFont; }
  void SetFont(TFont* Value);
  TColor TextColor() const { return FTextColor; }
  void SetTextColor(TColor Value);

  bool IsBitmapStored() const { return FAssignedValues.Contains(TcxStyleValue::svBitmap); }
  bool IsColorStored() const { return FAssignedValues.Contains(TcxStyleValue::svColor); }
  bool IsFontStored() const { return FAssignedValues.Contains(TcxStyleValue::svFont); }
  bool IsTextColorStored() const { return FAssignedValues.Contains(TcxStyleValue::svTextColor); }

private:
  void BitmapChanged(TObject* Sender);
  void FontChanged(TObject* Sender);
  TcxStyleValues FAssignedValues;
  TBitmap* FBitmap = nullptr;
  TColor FColor = clDefault;
  TFont* FFont = nullptr;
  TColor FTextColor = clDefault;
};

// ---- the repository ------------------------------------------------------------------------------------------

class TcxStyleRepository : public TComponent {
  RTL_CLASS(TcxStyleRepository, TComponent)
public:
  explicit TcxStyleRepository(TComponent* AOwner) : TComponent(AOwner) {}
  // Frees every listed style, then every listed sheet.
  void BeforeDestruction() override;
  // First the styles owned by Root, then the sheets owned by Root.
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;

  // A style of AStyleClass owned by the repository (or by AOwner) and listed in it.
  TcxCustomStyle* CreateStyle(TClass AStyleClass);
  TcxCustomStyle* CreateStyleOwnedBy(TClass AStyleClass, TComponent* AOwner);
  TcxCustomStyleSheet* CreateStyleSheet(TClass ASheetClass);
  TcxCustomStyleSheet* CreateStyleSheetOwnedBy(TClass ASheetClass, TComponent* AOwner);

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxCustomStyle* Items(int32_t Index) const { return FItems.at(static_cast<size_t>(Index)); }
  int32_t StyleSheetCount() const { return static_cast<int32_t>(FStyleSheets.size()); }
  TcxCustomStyleSheet* StyleSheets(int32_t Index) const { return FStyleSheets.at(static_cast<size_t>(Index)); }

private:
  friend class TcxCustomStyle;
  friend class TcxCustomStyleSheet;
  std::vector<TcxCustomStyle*> FItems;
  std::vector<TcxCustomStyleSheet*> FStyleSheets;
};

// ---- style sheets ----------------------------------------------------------------------------------------

class TcxCustomStyleSheet : public TcxComponent {
  RTL_CLASS(TcxCustomStyleSheet, TcxComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomStyleSheet(TComponent* AOwner);
  void AfterConstruction() override;
  // Every user (from the last) lets go of the sheet; then the sheet leaves its repository and frees its
  // styles object.
  void BeforeDestruction() override;
  void ReadState(TReader* Reader) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override;
  void SetParentComponent(TComponent* Value) override;

  // The class of the styles object a sheet carries; a sheet only serves styles objects of exactly it.
  virtual TClass GetStylesObjectClass() const;

  // The stored caption, or the component's name when none is stored.
  String Caption() const;
  void SetCaption(const String& Value);
  bool IsCaptionStored() const { return !FCaption.empty(); }
  // Whether the sheet was made in the form designer; fixed at construction, kept by streaming.
  bool BuiltIn() const { return FBuiltIn; }
  TcxCustomStyles* StylesObject() const { return FStyles; }
  void SetStylesObject(TcxCustomStyles* Value);
  TcxStyleRepository* StyleRepository() const { return FStyleRepository; }
  void SetStyleRepository(TcxStyleRepository* Value);
  int32_t UserCount() const { return static_cast<int32_t>(FUsers.size()); }
  TcxCustomStyles* Users(int32_t Index) const { return FUsers.at(static_cast<size_t>(Index)); }

  // A slot of the sheet's styles changed: every user hears of that slot.
  void BroadcastValueChanged(int32_t Index);

protected:
  void DefineProperties(TFiler* Filer) override;
  void CollectFakeComponentLinks(TList* AList) override;

private:
  friend class TcxCustomStyles;
  void ReadBuiltIn(TReader* Reader);
  void WriteBuiltIn(TWriter* Writer);
  void AddUser(TcxCustomStyles* AStyles);
  void RemoveUser(TcxCustomStyles* AStyles);

  String FCaption;
  bool FBuiltIn = false;
  TcxCustomStyles* FStyles = nullptr;
  TcxStyleRepository* FStyleRepository = nullptr;
  std::vector<TcxCustomStyles*> FUsers;
};

// ---- styles objects ----------------------------------------------------------------------------------------

// One slot entry of a styles object.
struct TcxCustomStylesItem {
  int32_t Index;
  TcxCustomStyle* Item;
};

class TcxCustomStyles : public TcxInterfacedPersistent {
  RTL_CLASS(TcxCustomStyles, TcxInterfacedPersistent)
public:
  using VirtualCtorArg = TPersistent*;
  explicit TcxCustomStyles(TPersistent* AOwner) : TcxInterfacedPersistent(AOwner) {}
  ~TcxCustomStyles() override;
  // Copies the sheet from a styles object of the same family; descendants then copy their slots.
  void Assign(TPersistent* Source) override;

  // The own style of a slot, else the sheet's for it (unless the owner is being written), else nil.
  TcxCustomStyle* GetStyleAt(int32_t Index);
  void SetStyleAt(int32_t Index, TcxCustomStyle* Value);
  TcxCustomStyleSheet* StyleSheet() const { return FStyleSheet; }
  void SetStyleSheet(TcxCustomStyleSheet* Value);
  // The sheet whose styles object this is, or nil.
  TcxCustomStyleSheet* OwningStyleSheet() const { return FOwningStyleSheet; }
  bool IsDestroying() const { return FDestroying; }

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  const TcxCustomStylesItem& Items(int32_t APosition) const { return FItems.at(static_cast<size_t>(APosition)); }
  // Binary search by slot index: the entry's position, or the insert position on a miss.
  bool FindEntry(int32_t Index, int32_t& APosition) const;

  virtual bool AcceptsStyleSheet(TcxCustomStyleSheet* ASheet);
  void HandleStyleChanged(TcxCustomStyle* AStyle);
  void HandleStyleRemoved(TcxCustomStyle* AStyle);
  virtual void ValueChanged(int32_t Index) { (void)Index; }
  // ValueChanged, and the owning sheet's broadcast to its users; silent while the object is destroyed.
  virtual void NotifyValueChanged(int32_t Index);

protected:
  // Takes the object apart: no more notifications, every entry dropped, the sheet left.
  void Shutdown();
  bool IsOwnerWriting();

private:
  friend class TcxCustomStyleSheet;
  void DeleteEntry(int32_t APosition);
  void CollectSheetIndexes(TcxCustomStyleSheet* ASheet, std::vector<int32_t>& AIndexes);

  std::vector<TcxCustomStylesItem> FItems;
  TcxCustomStyleSheet* FStyleSheet = nullptr;
  TcxCustomStyleSheet* FOwningStyleSheet = nullptr;
  bool FDestroying = false;
};

// Styles with defaults: painting code resolves a slot's values here, and the object listens to a control's
// font so that the slots painting with that font repaint when it changes.
class TcxStyles : public TcxCustomStyles, public IcxFontListener {
  RTL_CLASS(TcxStyles, TcxCustomStyles)
  RTL_INTERFACES(IcxFontListener)
public:
  using TcxCustomStyles::TcxCustomStyles;

  // AStyle: a style an event of the owner chose for this occasion, or nil. AData: what the owner's
  // defaults may need (a record, a cell), or nil.
  void ResolveViewParams(int32_t Index, TObject* AData, TcxCustomStyle* AStyle, TcxViewParamsRec& AParams);
  // The bitmap of the slot's style when it assigns a non-empty one, else nil.
  TBitmap* GetAssignedBitmap(int32_t Index);
  // The base clears the bitmap and remembers the highest slot asked for; descendants fill the rest.
  virtual void GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams);
  virtual bool UsesDefaultFont(int32_t Index);
  void ControlFontChanged(TObject* Sender, TFont* AFont);
  int32_t MaxDefaultIndex() const { return FMaxDefaultIndex; }

  // IcxFontListener
  void Changed(TObject* Sender, TFont* AFont) override { ControlFontChanged(Sender, AFont); }

private:
  int32_t FMaxDefaultIndex = 0;
};
