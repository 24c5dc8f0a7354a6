#pragma once
// The blob editor: a popup edit that shows a large value (long text, a picture, OLE data or raw bytes) in
// one line as a small icon or a short text, and edits text and pictures in a popup that holds a memo or an
// image editor with OK and Cancel (or Close) buttons. The popup's control and buttons are made for each
// opening and freed once it has closed.

#include <cstdint>

#include "forms/Graphics.h"
#include "forms/ImgList.h"
#include "forms/StdCtrls.h"
#include "rtl/Events.h"
#include "ui/editors-more/cxImage.h"
#include "ui/editors-more/cxMemo.h"
#include "ui/editors/cxButtons.h"
#include "ui/editors/cxDropDownEdit.h"
#include "ui/editors/cxPopupEdit.h"

enum TcxBlobEditKind : uint8_t { bekAuto, bekMemo, bekPict, bekOle, bekBlob };
RTL_ENUM(TcxBlobEditKind, bekAuto, bekMemo, bekPict, bekOle, bekBlob)

enum TcxBlobPaintStyle : uint8_t { bpsDefault, bpsIcon, bpsText };
RTL_ENUM(TcxBlobPaintStyle, bpsDefault, bpsIcon, bpsText)

// Indexes of the blob icons; the "with data" icon of a kind is its "no data" icon plus one.
inline constexpr int32_t cxBlobIconBlobNull = 0;
inline constexpr int32_t cxBlobIconMemoNull = 2;
inline constexpr int32_t cxBlobIconPictNull = 4;
inline constexpr int32_t cxBlobIconOleNull = 6;

// The icons of the closed editor, made on first use: "CXBMBLOB_BLOB_NULL", "CXBMBLOB_BLOB",
// "CXBMBLOB_MEMO_NULL", "CXBMBLOB_MEMO", "CXBMBLOB_PICT_NULL", "CXBMBLOB_PICT", "CXBMBLOB_OLE_NULL",
// "CXBMBLOB_OLE", in this order.
TCustomImageList* cxBlobEditImages();
// The bitmap of one of the icons by its resource name (the caller frees it); nullptr for an unknown name.
TBitmap* cxBlobEditCreateIconBitmap(const String& AResourceName);

// Whether a value holds no data: Null, Empty or an empty string.
bool cxBlobValueIsBlank(const Variant& AValue);
// The text the closed editor (or a grid cell) shows for a value of a resolved kind.
String cxBlobEditValueText(TcxBlobEditKind AKind, TcxBlobPaintStyle AStyle, const Variant& AValue);

class TcxCustomBlobEdit;

// ---- properties -----------------------------------------------------------------------------------------------

class TcxCustomBlobEditProperties : public TcxCustomPopupEditProperties {
  RTL_CLASS(TcxCustomBlobEditProperties, TcxCustomPopupEditProperties)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomBlobEditProperties(TPersistent* AOwner);
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  // ---- the kind's answers ----
  TClass GetContainerClass() const override;
  TcxCustomEditViewDataClass GetViewDataClass() const override;
  TClass GetViewInfoClass() const override;
  TClass GetPopupWindowClass() override;
  bool IsPopupOnlyEditing() override { return true; }
  uint8_t GetDisplayFormatOptions() const override { return 0; }
  bool FiresOwnChangeEvent() const override { return false; }
  bool IsEditValueValid(Variant&, bool) override { return true; }
  bool AreEditValuesEqual(const Variant& AEditValue1, const Variant& AEditValue2) override;
  int32_t GetEditValueSource(bool AEditFocused) const override;
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;

  // ---- new virtual operation ----
  virtual TGraphicClass GetDefaultGraphicClass() const;

  // The kind after resolving bekAuto against the data defaults (changed silently when it resolves).
  TcxBlobEditKind ResolvedBlobEditKind();

  // ---- properties ----
  bool AlwaysSaveData() const { return FAlwaysSaveData; }
  void SetAlwaysSaveData(bool Value) { FAlwaysSaveData = Value; }
  TcxBlobEditKind BlobEditKind() const { return FBlobEditKind; }
  void SetBlobEditKind(TcxBlobEditKind Value);
  TcxBlobPaintStyle BlobPaintStyle() const { return FBlobPaintStyle; }
  void SetBlobPaintStyle(TcxBlobPaintStyle Value);
  bool MemoAutoReplace() const { return FMemoAutoReplace; }
  void SetMemoAutoReplace(bool Value) { FMemoAutoReplace = Value; }
  TEditCharCase MemoCharCase() const { return FMemoCharCase; }
  void SetMemoCharCase(TEditCharCase Value) { FMemoCharCase = Value; }
  int32_t MemoMaxLength() const { return FMemoMaxLength; }
  void SetMemoMaxLength(int32_t Value) { FMemoMaxLength = Value; }
  bool MemoOEMConvert() const { return FMemoOEMConvert; }
  void SetMemoOEMConvert(bool Value) { FMemoOEMConvert = Value; }
  TScrollStyle MemoScrollBars() const { return FMemoScrollBars; }
  void SetMemoScrollBars(TScrollStyle Value) { FMemoScrollBars = Value; }
  bool MemoWantReturns() const { return FMemoWantReturns; }
  void SetMemoWantReturns(bool Value) { FMemoWantReturns = Value; }
  bool MemoWantTabs() const { return FMemoWantTabs; }
  void SetMemoWantTabs(bool Value) { FMemoWantTabs = Value; }
  bool MemoWordWrap() const { return FMemoWordWrap; }
  void SetMemoWordWrap(bool Value) { FMemoWordWrap = Value; }
  bool PictureAutoSize() const { return FPictureAutoSize; }
  void SetPictureAutoSize(bool Value) { FPictureAutoSize = Value; }
  String PictureFilter() const { return FPictureFilter; }
  void SetPictureFilter(const String& Value) { FPictureFilter = Value; }
  TGraphicClass PictureGraphicClass() const { return FPictureGraphicClass; }
  void SetPictureGraphicClass(TGraphicClass Value) { FPictureGraphicClass = Value; }
  String PictureGraphicClassName() const;
  void SetPictureGraphicClassName(const String& Value);
  bool IsPictureGraphicClassNameStored() const { return FPictureGraphicClass != GetDefaultGraphicClass(); }
  TcxImageTransparency PictureTransparency() const { return FPictureTransparency; }
  void SetPictureTransparency(TcxImageTransparency Value) { FPictureTransparency = Value; }
  bool ShowExPopupItems() const { return FShowExPopupItems; }
  void SetShowExPopupItems(bool Value) { FShowExPopupItems = Value; }
  bool ShowPicturePopup() const { return FShowPicturePopup; }
  void SetShowPicturePopup(bool Value) { FShowPicturePopup = Value; }

  TcxImageAssignPictureEvent OnAssignPicture;
  TcxImageGraphicClassEvent OnGetGraphicClass;

protected:
  void DefineProperties(TFiler* Filer) override;

private:
  void ReadIsPictureGraphicClassNameEmpty(TReader* Reader);
  void WriteIsPictureGraphicClassNameEmpty(TWriter* Writer);

  bool FAlwaysSaveData = true;
  TcxBlobEditKind FBlobEditKind = bekAuto;
  TcxBlobPaintStyle FBlobPaintStyle = bpsIcon;
  bool FMemoAutoReplace = false;
  bool FMemoWantReturns = true;
  bool FMemoWantTabs = true;
  bool FMemoOEMConvert = false;
  bool FMemoWordWrap = true;
  int32_t FMemoMaxLength = 0;
  TEditCharCase FMemoCharCase = ecNormal;
  TScrollStyle FMemoScrollBars = ssNone;
  bool FPictureAutoSize = true;
  String FPictureFilter;
  TGraphicClass FPictureGraphicClass = nullptr;
  TcxImageTransparency FPictureTransparency = gtDefault;
  bool FShowExPopupItems = true;
  bool FShowPicturePopup = true;
};

class TcxBlobEditProperties : public TcxCustomBlobEditProperties {
  RTL_CLASS(TcxBlobEditProperties, TcxCustomBlobEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomBlobEditProperties::TcxCustomBlobEditProperties;
};

// ---- view data and view info ----------------------------------------------------------------------------------

class TcxBlobEditViewInfo : public TcxCustomTextEditViewInfo {
  RTL_CLASS(TcxBlobEditViewInfo, TcxCustomTextEditViewInfo)
public:
  TcxBlobEditViewInfo() = default;
  void Assign(TObject* Source) override;
  void OffsetRects(int32_t DX, int32_t DY) override;
  void PaintBackground(TcxCanvas* ACanvas) override;
  bool NeedShowHintInRect(TcxCanvas*, POINT, const RECT&, String&, bool&, RECT&) override { return false; }

  RECT IconRect{};
  int32_t ImageIndex = -1;
};

class TcxBlobEditViewData : public TcxCustomDropDownEditViewData {
  RTL_CLASS(TcxBlobEditViewData, TcxCustomDropDownEditViewData)
public:
  using TcxCustomDropDownEditViewData::TcxCustomDropDownEditViewData;
  void EditValueToDisplayText(const Variant& AEditValue, String& AText) override;
  uint32_t GetDrawTextFlags() override;
  void CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                          TcxCustomEditViewInfo* AViewInfo, TShiftState AShift, TMouseButton AButton,
                          POINT AMousePos) override;
  void GetValueContentSize(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                           const TcxEditSizeProperties& ASizeRequest) override;
  // The icon of a value, -1 when the paint style shows none.
  int32_t GetImageIndex(const Variant& AEditValue);
  TcxCustomBlobEditProperties* BlobProperties() const {
    return static_cast<TcxCustomBlobEditProperties*>(Properties);
  }
  // The value a host paints (a grid cell); the attached editor's value is used when there is an editor.
  Variant Value;
};

// ---- the popup controls ---------------------------------------------------------------------------------------

// The memo in the popup of a blob editor: Esc, F4, Alt+Up/Down and (Ctrl+)Enter close the popup.
class TcxPopupMemo : public TcxMemo {
  RTL_CLASS(TcxPopupMemo, TcxMemo)
public:
  using TcxMemo::TcxMemo;
  TcxCustomBlobEdit* BlobEdit() const { return FBlobEdit; }
  void SetBlobEdit(TcxCustomBlobEdit* Value) { FBlobEdit = Value; }

protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;

private:
  TcxCustomBlobEdit* FBlobEdit = nullptr;
};

// The image editor in the popup of a blob editor: Esc, F4, Alt+Up/Down and Enter close the popup.
class TcxPopupImage : public TcxImage {
  RTL_CLASS(TcxPopupImage, TcxImage)
public:
  using TcxImage::TcxImage;
  TcxCustomBlobEdit* BlobEdit() const { return FBlobEdit; }
  void SetBlobEdit(TcxCustomBlobEdit* Value) { FBlobEdit = Value; }

protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;

private:
  TcxCustomBlobEdit* FBlobEdit = nullptr;
};

class TcxBlobEditPopupWindow : public TcxPopupEditPopupWindow {
  RTL_CLASS(TcxBlobEditPopupWindow, TcxPopupEditPopupWindow)
public:
  using TcxPopupEditPopupWindow::TcxPopupEditPopupWindow;
  void ForwardChar(uint16_t AChar) override;

protected:
  void Resize() override;
};

// ---- the editor -----------------------------------------------------------------------------------------------

class TcxCustomBlobEdit : public TcxCustomPopupEdit {
  RTL_CLASS(TcxCustomBlobEdit, TcxCustomPopupEdit)
public:
  explicit TcxCustomBlobEdit(TComponent* AOwner);
  ~TcxCustomBlobEdit() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& Message) override;

  // ---- new virtual operations ----
  virtual void CreatePopupControls();
  virtual void DestroyPopupControls();
  // The popup control's OnEditing: allowed while the blob editor may be modified.
  virtual void PopupControlEditing(TObject* Sender, bool& CanEdit);

  TcxCustomBlobEditProperties* ActiveProperties() {
    return static_cast<TcxCustomBlobEditProperties*>(GetActiveProperties());
  }
  TcxCustomBlobEditProperties* Properties() const {
    return static_cast<TcxCustomBlobEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxCustomBlobEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }

  // The control of the open popup (a TcxPopupMemo or a TcxPopupImage) and its buttons; nullptr when closed.
  TcxCustomEdit* PopupControl() const { return FPopupControl; }
  TcxPopupMemo* PopupMemo() const { return dynamic_cast<TcxPopupMemo*>(FPopupControl); }
  TcxPopupImage* PopupImage() const { return dynamic_cast<TcxPopupImage*>(FPopupControl); }
  TcxButton* OKButton() const { return FOKButton; }
  TcxButton* CancelButton() const { return FCancelButton; }
  // The graphic class of the last picture taken from the popup.
  TGraphicClass LastGraphicClass() const { return FGraphicClass; }
  // The graphic class the popup image loads into; for pasting a bitmap unless the events choose another.
  TGraphicClass GetGraphicClass(bool APastingFromClipboard = false);
  // Whether the value may be changed through the popup (not read-only and the data can be modified).
  bool CanChangeValue();
  // Asks the open popup to close with AResult as it would for a button or key.
  void ClosePopupWithResult(TModalResult AResult);

  // ---- overrides ----
  TClass GetPropertiesClass() const override { return TcxCustomBlobEditProperties::StaticClass(); }
  bool NeedsInnerEdit() override { return false; }
  void InitializeEdit() override;
  void GetDisplayText(String& Text) override;
  String ReadText() override;
  bool WriteText(const String& AText) override;
  void SetEditingText(const String& AText) override;
  void SetInnerEditDisplayValue(const Variant& Value) override;
  void ApplyDisplayValue(const Variant& ADisplayValue) override;
  void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) override;
  void DropDown() override;
  void RefreshDisplayFromEditValue() override;
  void RefreshEditValueFromDisplay() override {}
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomPopupEdit::PropertiesChanged;
  bool CanDropDown() override;
  void DoInitPopup() override;
  TWinControl* GetPopupFocusedControl() override;
  void CalculatePopupSize(SIZE& ASize) override;
  void PreparePopup() override;
  void SetupPopupWindow() override;
  void InitializeViewData(TcxCustomEditViewData* AViewData) override;

  // Places OK and Cancel in the popup's system panel for its current size.
  void PositionPopupButtons();

protected:
  void PopupWindowClosed(TObject* Sender) override;
  void PopupWindowShowed(TObject* Sender) override;
  void FontChanged() override;
  void StyleChanged(TObject* Sender) override;

private:
  void FollowStyleInPopup();
  friend class TcxBlobEditPopupWindow;
  void PopupControlChanged(TObject* Sender);
  void PopupImageGetGraphicClass(TObject* Sender, bool APastingFromClipboard, TGraphicClass& AGraphicClass);
  TcxButton* CreatePopupButton(const String& ACaption, TModalResult AResult);
  // The edit value of the closed popup control, as the new edit value of the editor.
  void TakePopupValue();

  TcxCustomEdit* FPopupControl = nullptr;
  TcxButton* FOKButton = nullptr;
  TcxButton* FCancelButton = nullptr;
  int32_t FButtonWidth = 0;
  int32_t FButtonHeight = 0;
  TGraphicClass FGraphicClass = nullptr;
  bool FPopupModified = false;
  bool FPopupControlsMade = false;
};

class TcxBlobEdit : public TcxCustomBlobEdit {
  RTL_CLASS(TcxBlobEdit, TcxCustomBlobEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomBlobEdit::TcxCustomBlobEdit;
  TClass GetPropertiesClass() const override { return TcxBlobEditProperties::StaticClass(); }
  TcxBlobEditProperties* Properties() const {
    return static_cast<TcxBlobEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxBlobEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxBlobEditProperties* ActiveProperties() { return static_cast<TcxBlobEditProperties*>(GetActiveProperties()); }
};

// Registers the blob editor with the registry of editor kinds ("BlobEdit|Represents the BLOB editor") and
// the form streamer, and makes the icons (once; later calls find them there).
void cxBlobEditInitialize();
// Frees the icons (the tests' teardown and the program's end).
void cxBlobEditFinalize();
