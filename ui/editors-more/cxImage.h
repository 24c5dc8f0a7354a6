#pragma once
// The image editor: an editor whose edit value is a picture, carried as the bytes the graphic's own
// stream format writes (so a BLOB field can hold it). Stand-alone it shows the picture unscaled with
// scroll bars, centred or stretched, with a context menu of clipboard and file actions; in place the
// view data and view info paint a value without a control.

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"
#include "forms/ImgList.h"
#include "forms/Menus.h"
#include "rtl/Events.h"
#include "ui/editors/cxEdit.h"

// ---- graphic classes and the value format -----------------------------------------------------------------

// The graphic classes values may be loaded into, in registration order; made on first use.
std::vector<TGraphicClass>& GetGraphicClassList();
// The first class whose name equals AName without regard to case; nullptr when none does.
TGraphicClass FindGraphicClassByName(const String& AName);
// The first class of the list (the bitmap), nullptr for an empty list.
TGraphicClass GetDefaultGraphicClass();

// Loads a picture value (the graphic's bytes, optionally behind the 8-byte header) into APicture; a
// value that is no string, too short or cannot be read leaves the picture empty.
void LoadPictureFromValue(TPicture* APicture, TGraphicClass AGraphicClass, const Variant& AValue);
// As LoadPictureFromValue; false when the value held bytes that could not be read as a picture.
bool TryLoadPictureFromValue(TPicture* APicture, TGraphicClass AGraphicClass, const Variant& AValue);
// The bytes of the picture's graphic; empty for no picture or an empty one. Never adds the header.
String SavePictureToString(TPicture* APicture);
// R's top-left corner and the largest size of AWidth:AHeight that fits R; R itself when it is empty or
// the aspect is undefined (a zero width or height).
RECT FitRectToAspect(const RECT& R, int32_t AWidth, int32_t AHeight);

// Frees the graphic-class list and the shared menu images; the tests' teardown calls it.
void cxImageFinalize();

// ---- the built-in context menu -------------------------------------------------------------------------------

enum TcxPopupMenuItem : uint8_t { pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave, pmiCustom };
RTL_ENUM(TcxPopupMenuItem, pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave, pmiCustom)
using TcxPopupMenuItems = Set<TcxPopupMenuItem>;

class TcxPopupMenuLayout : public TPersistent {
  RTL_CLASS(TcxPopupMenuLayout, TPersistent)
  RTL_PUBLISHED_DECL
public:
  TcxPopupMenuLayout() = default;
  ~TcxPopupMenuLayout() override;
  void Assign(TPersistent* Source) override;

  TcxPopupMenuItems MenuItems() const { return FMenuItems; }
  void SetMenuItems(TcxPopupMenuItems Value) { FMenuItems = Value; }
  String CustomMenuItemCaption() const { return FCustomMenuItemCaption; }
  void SetCustomMenuItemCaption(const String& Value) { FCustomMenuItemCaption = Value; }
  // Made empty on first read; nullptr frees it, a bitmap is copied.
  TBitmap* CustomMenuItemGlyph();
  void SetCustomMenuItemGlyph(TBitmap* Value);
  bool HasCustomMenuItemGlyph() const { return FCustomMenuItemGlyph != nullptr; }

private:
  TcxPopupMenuItems FMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave};
  String FCustomMenuItemCaption;
  TBitmap* FCustomMenuItemGlyph = nullptr;
};

// ---- properties ----------------------------------------------------------------------------------------------

enum TcxImageTransparency : uint8_t { gtDefault, gtOpaque, gtTransparent };
RTL_ENUM(TcxImageTransparency, gtDefault, gtOpaque, gtTransparent)

class TcxCustomImage;

// Sender, the picture being validated.
using TcxImageAssignPictureEvent = Event<TObject*, TPicture*>;
// The grid item, the record index, whether pasting, the class to use (changeable).
using TcxImageGraphicClassEvent = Event<TObject*, int32_t, bool, TGraphicClass&>;
// Sender (the editor), whether pasting, the class to use (changeable).
using TcxImageEditGraphicClassEvent = Event<TObject*, bool, TGraphicClass&>;

class TcxCustomImageProperties : public TcxCustomEditProperties {
  RTL_CLASS(TcxCustomImageProperties, TcxCustomEditProperties)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomImageProperties(TPersistent* AOwner);
  ~TcxCustomImageProperties() override;
  void Assign(TPersistent* Source) override;

  // ---- the kind's answers ----
  TClass GetContainerClass() const override;
  TcxCustomEditViewDataClass GetViewDataClass() const override;
  TClass GetViewInfoClass() const override;
  bool NeedsDisplayValueValidation() const override { return true; }
  bool CanResetEditValue() const override { return true; }
  int32_t GetEditValueSource(bool) const override { return 0; }
  uint32_t GetSupportedOperations() override { return inherited::GetSupportedOperations() | 2; }
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  // Never an error: fires OnAssignPicture and asks for editing, keeping the modified state.
  void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                         bool& AError) override;

  // ---- new virtual operations ----
  virtual TGraphicClass GetDefaultGraphicClass() const;
  // The set class; else the bitmap when pasting and none otherwise, then OnGetGraphicClass.
  virtual TGraphicClass GetGraphicClass(TObject* AItem, int32_t ARecordIndex, bool APastingFromClipboard = false);

  // ---- properties ----
  String Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool Center() const { return FCenter; }
  void SetCenter(bool Value);
  String CustomFilter() const { return FCustomFilter; }
  void SetCustomFilter(const String& Value) { FCustomFilter = Value; }
  int32_t DefaultContentHeight() const { return FDefaultContentHeight; }
  TGraphicClass GraphicClass() const { return FGraphicClass; }
  void SetGraphicClass(TGraphicClass Value);
  String GraphicClassName() const;
  void SetGraphicClassName(const String& Value);
  bool IsGraphicClassNameStored() const { return FGraphicClass != GetDefaultGraphicClass(); }
  TcxImageTransparency GraphicTransparency() const { return FGraphicTransparency; }
  void SetGraphicTransparency(TcxImageTransparency Value);
  TcxPopupMenuLayout* PopupMenuLayout() const { return FPopupMenuLayout; }
  void SetPopupMenuLayout(TcxPopupMenuLayout* Value) { FPopupMenuLayout->Assign(Value); }
  bool ShowFocusRect() const { return FShowFocusRect; }
  void SetShowFocusRect(bool Value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);

  TcxImageAssignPictureEvent OnAssignPicture;
  TNotifyEvent OnCustomClick;
  TcxImageGraphicClassEvent OnGetGraphicClass;

protected:
  void DefineProperties(TFiler* Filer) override;

private:
  void ReadIsGraphicClassNameEmpty(TReader* Reader);
  void WriteIsGraphicClassNameEmpty(TWriter* Writer);

  String FCaption;
  bool FCenter = true;
  String FCustomFilter;
  int32_t FDefaultContentHeight = 15;
  TGraphicClass FGraphicClass = nullptr;
  TcxImageTransparency FGraphicTransparency = gtDefault;
  TcxPopupMenuLayout* FPopupMenuLayout = nullptr;
  bool FShowFocusRect = true;
  bool FStretch = false;
};

class TcxImageProperties : public TcxCustomImageProperties {
  RTL_CLASS(TcxImageProperties, TcxCustomImageProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomImageProperties::TcxCustomImageProperties;
};

// ---- view data and view info ------------------------------------------------------------------------------

class TcxImageViewInfo : public TcxCustomEditViewInfo {
  RTL_CLASS(TcxImageViewInfo, TcxCustomEditViewInfo)
public:
  TcxImageViewInfo() = default;
  ~TcxImageViewInfo() override;
  bool PaintsText() const override;
  void Draw(TcxCanvas* ACanvas) override;
  void Assign(TObject* Source) override;

  // Where the picture lands in the client rectangle C (see Draw).
  RECT PictureRect(const RECT& C) const;

  bool FreePicture = false;           // the view info owns Picture
  TBitmap* TempBitmap = nullptr;      // owned; made on the first transparent paint
  bool ShowFocusRect = false;
  POINT TopLeft{0, 0};                // the scroll offset of the picture
  String Caption;
  bool Center = false;
  TPicture* Picture = nullptr;        // the editor's, or an own one for in-place painting
  bool Stretch = false;
  // The client rectangle before the editor's scroll bars took their strips, and the bars it left room for.
  RECT FullClientRect{};
  bool HScrollBarShown = false;
  bool VScrollBarShown = false;

private:
  void DrawFocusFrame(TcxCanvas* ACanvas, const RECT& R);
};

class TcxImageViewData : public TcxCustomEditViewData {
  RTL_CLASS(TcxImageViewData, TcxCustomEditViewData)
public:
  using TcxCustomEditViewData::TcxCustomEditViewData;
  void CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                          TcxCustomEditViewInfo* AViewInfo, TShiftState AShift, TMouseButton AButton,
                          POINT AMousePos) override;
  // In-place painting: the value becomes the view info's own picture.
  void SetDrawTextFromValue(TcxCanvas* ACanvas, const Variant& AEditValue, TcxCustomEditViewInfo* AViewInfo);
  void MeasureContentPart(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                          const TcxEditSizeProperties& ASizeRequest) override;
  // The grid item and record index of an in-place paint (none when stand-alone).
  TObject* InplaceItem = nullptr;
  int32_t RecordIndex = -1;
};

// ---- the editor control ---------------------------------------------------------------------------------

class TcxCustomImage : public TcxCustomEdit {
  RTL_CLASS(TcxCustomImage, TcxCustomEdit)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomImage(TComponent* AOwner);
  ~TcxCustomImage() override;

  // ---- new virtual operations ----
  virtual bool CanPasteFromClipboard();
  virtual void CustomClick();
  virtual TGraphicClass GetGraphicClass(bool APastingFromClipboard = false);

  // ---- other operations ----
  void PictureChanged(TObject* Sender);
  void DoOnAssignPicture();
  void MenuItemClick(TObject* Sender);
  void DoMenuItemAction(int32_t ATag);
  // Builds the menu on first use and brings captions, visibility and enabled states up to date.
  void UpdateEditPopupMenu();
  void LoadFromFile();
  void SaveToFile();
  void ResetScrollPosition();
  void UpdateViewPosition();
  TPopupMenu* EditPopupMenu() const { return FEditPopupMenu; }
  TcxImageViewInfo* ImageViewInfo() const { return static_cast<TcxImageViewInfo*>(ViewInfo()); }
  // True while a value that could not be read as a picture is held unchanged (it is what GetEditValue
  // hands back, so that posting never overwrites stored bytes the editor cannot show).
  bool HoldsUndecodableValue() const { return FHoldsUndecodableValue; }

  // ---- published state ----
  TPicture* Picture() const { return FPicture; }
  void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
  TcxCustomImageProperties* ActiveProperties() {
    return static_cast<TcxCustomImageProperties*>(GetActiveProperties());
  }
  TcxCustomImageProperties* Properties() const { return static_cast<TcxCustomImageProperties*>(FProperties); }
  void SetProperties(TcxCustomImageProperties* Value) { FProperties->Assign(Value); }
  UINT ClipboardFormat() const { return FClipboardFormat; }
  // The grid item and record an in-place editor edits, handed to the properties' OnGetGraphicClass (the
  // editor core keeps no such link, so the host sets it on activation).
  void SetInplaceParams(TObject* AItem, int32_t ARecordIndex) {
    FInplaceItem = AItem;
    FInplaceRecordIndex = ARecordIndex;
  }

  TcxImageEditGraphicClassEvent OnGetGraphicClass;

  // ---- overrides of the editor core and the container ----
  void InitializeEdit() override;
  Variant GetEditValue() override;
  void AssignEditValue(const Variant& Value) override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomEdit::PropertiesChanged;
  bool CanAutoSize() override;
  bool CanAutoWidth() override { return true; }
  bool HasScrollBars() const override { return true; }
  // The client area less the strips of the visible scroll bars, which lie inside the border.
  void GetContentRect(RECT& R) override;
  void ComputeScrollBarsData() override;
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) override;
  void RefreshScrollBars() override;
  void ClearEditValue() override;
  void CopyToClipboard() override;
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  bool Focused() override;
  TClass GetPropertiesClass() const override { return TcxCustomImageProperties::StaticClass(); }
  void InitializeViewData(TcxCustomEditViewData* AViewData) override;

protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoContextPopup(POINT MousePos, bool& Handled) override;

private:
  // Runs a step with the keyboard-action flag set, clearing it afterwards also on error.
  template <class F>
  void WithKeyboardAction(F&& AStep);

  UINT FClipboardFormat = 0;
  TPopupMenu* FEditPopupMenu = nullptr;
  TImageList* FCustomMenuImages = nullptr;  // owned by the menu; only while there is a custom glyph
  bool FInternalChanging = false;
  bool FIsDialogShowing = false;
  TPicture* FPicture = nullptr;
  Variant FUndecodableValue;
  TObject* FInplaceItem = nullptr;
  int32_t FInplaceRecordIndex = -1;
  bool FHoldsUndecodableValue = false;
};

class TcxImage : public TcxCustomImage {
  RTL_CLASS(TcxImage, TcxCustomImage)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomImage::TcxCustomImage;
  TClass GetPropertiesClass() const override { return TcxImageProperties::StaticClass(); }
  TcxImageProperties* Properties() const { return static_cast<TcxImageProperties*>(FProperties); }
  void SetProperties(TcxImageProperties* Value) { FProperties->Assign(Value); }
};

// Registers the image editor kind ("Image|Represents an image editor"); done at start-up and again by
// every image properties object, so that the kind survives the editor framework's reset.
void RegisterImageEditor();
