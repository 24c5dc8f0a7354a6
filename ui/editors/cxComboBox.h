#pragma once
// The combo box: a drop-down editor whose popup is a list of strings (the Items of its properties). Typing
// is matched against the items through the text editor's lookup data; this unit adds the three list
// styles, the list in the popup with its owner drawing and item heights, the popup's size rules (rows,
// automatic width, user sizing in whole rows), the press on the drop-down button that carries on into the
// list, double-click cycling through the items and owner drawing of the closed editor.

#include <cstdint>

#include "forms/StdCtrls.h"
#include "ui/editors/cxDropDownEdit.h"
#include "ui/editors/cxEditListBox.h"
#include "ui/editors/cxTextEdit.h"

class TcxCustomComboBox;
class TcxComboBoxListBox;

// How typing is bound to the items: matched against them (only item texts are accepted), free typing
// completed from them, or no free text at all (the value is one of the items).
enum TcxEditDropDownListStyle : uint8_t { lsEditFixedList, lsEditList, lsFixedList };
RTL_ENUM(TcxEditDropDownListStyle, lsEditFixedList, lsEditList, lsFixedList)

// Owner drawing of an item: the editor (nil when a value is painted without one), the canvas, the item,
// its rectangle and state.
using TcxEditDrawItemEvent = Event<TcxCustomComboBox*, TcxCanvas*, int32_t, const RECT&, TOwnerDrawState>;
// The height of an item: the editor, the item, the canvas, the height (in and out). The form library has a
// list-box event of another shape under the name the editors' unit uses, hence the prefix.
using TcxEditMeasureItemEvent = Event<TcxCustomComboBox*, int32_t, TcxCanvas*, int32_t&>;

// ---- properties ---------------------------------------------------------------------------------------------

class TcxCustomComboBoxProperties : public TcxCustomDropDownEditProperties {
  RTL_CLASS(TcxCustomComboBoxProperties, TcxCustomDropDownEditProperties)
public:
  explicit TcxCustomComboBoxProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;

  TClass GetContainerClass() const override;
  TClass GetViewInfoClass() const override;
  TcxCustomEditViewDataClass GetViewDataClass() const override;
  TcxTextEditLookupDataClass GetLookupDataClass() override;
  TClass GetPopupWindowClass() override;
  int32_t GetDropDownRowCount() override { return FDropDownRows; }
  TcxEditEditingStyle GetEditingStyle() override;
  bool IsPopupOnlyEditing() override { return FDropDownListStyle == lsFixedList; }
  bool UsesLookupData() override { return true; }

  TcxEditDropDownListStyle DropDownListStyle() const { return FDropDownListStyle; }
  void SetDropDownListStyle(TcxEditDropDownListStyle Value);
  int32_t DropDownRows() const { return FDropDownRows; }
  // Values of 0 or less are ignored.
  void SetDropDownRows(int32_t Value);
  // 0: the list's standard height.
  int32_t ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int32_t Value);
  bool Revertable() const { return FRevertable; }
  void SetRevertable(bool Value) { FRevertable = Value; }
  bool DropDownAutoWidth() const { return PopupAutoSize(); }
  void SetDropDownAutoWidth(bool Value) { SetPopupAutoSize(Value); }
  bool DropDownSizeable() const { return PopupSizeable(); }
  void SetDropDownSizeable(bool Value) { SetPopupSizeable(Value); }
  int32_t DropDownWidth() const { return PopupWidth(); }
  void SetDropDownWidth(int32_t Value) { SetPopupWidth(Value); }
  TStringList* Items() const { return LookupItems(); }
  void SetItems(TStrings* Value) { SetLookupItems(Value); }
  bool Sorted() const { return LookupItemsSorted(); }
  void SetSorted(bool Value) { SetLookupItemsSorted(Value); }

  TcxEditDrawItemEvent OnDrawItem;
  TcxEditMeasureItemEvent OnMeasureItem;

private:
  TcxEditDropDownListStyle FDropDownListStyle = lsEditList;
  int32_t FDropDownRows = 8;
  int32_t FItemHeight = 0;
  bool FRevertable = false;
};

// The combo box's settings as the form designer shows them.
class TcxComboBoxProperties : public TcxCustomComboBoxProperties {
  RTL_CLASS(TcxComboBoxProperties, TcxCustomComboBoxProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomComboBoxProperties::TcxCustomComboBoxProperties;
};

// ---- the list in the popup ----------------------------------------------------------------------------------

// The lookup data of the combo box: its list is a TcxComboBoxListBox, sized by rows and by its widest item.
class TcxComboBoxLookupData : public TcxCustomTextEditLookupData {
  RTL_CLASS(TcxComboBoxLookupData, TcxCustomTextEditLookupData)
public:
  using TcxCustomTextEditLookupData::TcxCustomTextEditLookupData;

  TClass GetListBoxClass() override;
  void TakeListSelection(TObject* Sender) override;

  // The list's size for DropDownRows rows at most and its widest item; the scroll bars it will show are
  // counted in. AMaxWidth (0 = none) is the width the popup can give it.
  SIZE GetListPreferredSize(int32_t AMaxHeight, int32_t AMaxWidth);
  // Snaps a requested list size to whole rows (down when enlarging, up when shrinking) within the height
  // available on the popup's side of the editor (0 = unlimited). Always accepts.
  bool CanResizeList(SIZE& ASize, int32_t AAvailableHeight);
  using TcxCustomTextEditLookupData::CanResizeList;
  TcxComboBoxListBox* ComboList() const;
};

// The owner-drawn list of a combo box: item heights from ItemHeight and OnMeasureItem, items drawn by
// OnDrawItem when it is assigned, and a release of the left button over an item chooses it.
class TcxComboBoxListBox : public TcxCustomEditListBox {
  RTL_CLASS(TcxComboBoxListBox, TcxCustomEditListBox)
public:
  using VirtualCtorArg = TComponent*;
  explicit TcxComboBoxListBox(TComponent* AOwner);
  void WndProc(TMessage& Message) override;

  bool DoDrawItem(int32_t AIndex, const RECT& ARect, TOwnerDrawState AState) override;
  String GetItemText(int32_t AIndex) override;
  void CheckItemHeightMode() override;
  int32_t GetHeightForItems(int32_t ACount) override;
  int32_t GetItemHeight(int32_t AIndex) override;
  int32_t GetItemWidth(int32_t AIndex) override;

  // The editor whose popup holds the list.
  TcxCustomComboBox* ComboBox() const;
  // The list's scroll extent as last set for the preferred size.
  int32_t ScrollWidth() const { return FScrollWidth; }
  void SetScrollWidth(int32_t Value);
  // While a mouse message is handled: the selection then comes from the user, not from code.
  bool HandlingMouse() const { return FHandlingMouse; }

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void MeasureItem(int32_t AIndex, int32_t& AHeight) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

private:
  // Chooses the item under a release of the left button and closes the popup accepting it.
  void ChooseItemAt(POINT P);

  bool FTracking = false;
  // The item-height mode was checked once (the first check recreates the window only for OnMeasureItem).
  bool FChecked = false;
  bool FMeasureItemAssigned = false;
  int32_t FCheckedItemHeight = 0;
  int32_t FScrollWidth = 0;
  bool FHandlingMouse = false;
};

// The popup of the combo box: only its size rule and user resizing (whole rows) differ.
class TcxComboBoxPopupWindow : public TcxCustomEditPopupWindow {
  RTL_CLASS(TcxComboBoxPopupWindow, TcxCustomEditPopupWindow)
public:
  using VirtualCtorArg = TControl*;
  explicit TcxComboBoxPopupWindow(TControl* AOwnerControl) : TcxCustomEditPopupWindow(AOwnerControl) {}
  void FitSizeToControls() override { CalculateComboSize(); }
  bool CanResize(int32_t& NewWidth, int32_t& NewHeight) override;
  void CalculateComboSize();
};

// ---- view data and view info --------------------------------------------------------------------------------

class TcxCustomComboBoxViewInfo : public TcxCustomTextEditViewInfo {
  RTL_CLASS(TcxCustomComboBoxViewInfo, TcxCustomTextEditViewInfo)
public:
  TcxCustomComboBoxViewInfo();

  // The item OnDrawItem paints (-1: none) and the editor (nil when painting a value without one).
  int32_t ItemIndex = -1;
  TcxCustomComboBox* Edit = nullptr;

private:
  void DrawItemOwner(TcxCanvas* ACanvas, const RECT& ARect);
};

class TcxCustomComboBoxViewData : public TcxCustomDropDownEditViewData {
  RTL_CLASS(TcxCustomComboBoxViewData, TcxCustomDropDownEditViewData)
public:
  using TcxCustomDropDownEditViewData::TcxCustomDropDownEditViewData;
  bool IsComboBoxStyle() override { return true; }
  // Also picks the item OnDrawItem paints: the editor's current item, or for a value painted without an
  // editor the item with the value's text.
  void PrepareDrawText(const Variant& AEditValue, TcxCustomTextEditViewInfo* AViewInfo) override;
  TcxCustomComboBoxProperties* ComboProperties() const {
    return static_cast<TcxCustomComboBoxProperties*>(Properties);
  }
};

// ---- the editor ---------------------------------------------------------------------------------------------

// Releasing the mouse in the text does not click the editor: clicks come from choosing items.
class TcxCustomComboBoxInnerEdit : public TcxCustomDropDownInnerEdit {
  RTL_CLASS(TcxCustomComboBoxInnerEdit, TcxCustomDropDownInnerEdit)
public:
  using VirtualCtorArg = TComponent*;
  using TcxCustomDropDownInnerEdit::TcxCustomDropDownInnerEdit;
  void WndProc(TMessage& Message) override;
};

class TcxCustomComboBox : public TcxCustomDropDownEdit {
  RTL_CLASS(TcxCustomComboBox, TcxCustomDropDownEdit)
public:
  explicit TcxCustomComboBox(TComponent* AOwner);

  bool CanDropDown() override;
  void CalculatePopupSize(SIZE& ASize) override;
  void SetupPopupWindow() override;
  void PreparePopup() override;
  void Activate(TcxCustomEditData*& AEditData) override;
  TClass GetPropertiesClass() const override { return TcxCustomComboBoxProperties::StaticClass(); }
  TClass GetInnerEditClass() const override { return TcxCustomComboBoxInnerEdit::StaticClass(); }
  void InnerEditChanged(TObject* Sender) override;
  void DblClick() override;

  TcxCustomComboBoxProperties* ActiveProperties() {
    return static_cast<TcxCustomComboBoxProperties*>(GetActiveProperties());
  }
  TcxCustomComboBoxProperties* Properties() const {
    return static_cast<TcxCustomComboBoxProperties*>(TcxCustomEdit::Properties());
  }
  // The repository item's properties when the editor uses one, else nil.
  TcxCustomComboBoxProperties* RepositoryComboProperties();
  TcxComboBoxLookupData* LookupData() const { return dynamic_cast<TcxComboBoxLookupData*>(LookupDataObject()); }
  // The current item (-1: none); setting it chooses the item as the user would.
  int32_t ItemIndex() const;
  void SetItemIndex(int32_t Value);
  // Forgets a height the user gave the popup.
  void ResetPopupHeight();
  // The list ignores its next mouse move (its selection was set by code or it opened under the pointer).
  bool ListMouseMoveLock() const { return FListMouseMoveLock; }
  void SetListMouseMoveLock(bool Value) { FListMouseMoveLock = Value; }
  bool TextChangeLock() const { return FTextChangeLock; }
  void SetTextChangeLock(bool Value) { FTextChangeLock = Value; }
  // Fires OnDrawItem of the properties and then of the repository item's properties.
  bool DoDrawItem(TcxCanvas* ACanvas, int32_t AIndex, const RECT& ARect, TOwnerDrawState AState);
  bool HasDrawItemHandler();
  bool HasMeasureItemHandler();
  void DoMeasureItem(int32_t AIndex, TcxCanvas* ACanvas, int32_t& AHeight);

protected:
  void InitializeEdit() override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

public:
  void PopupWindowShowed(TObject* Sender) override;

private:
  bool FListMouseMoveLock = false;
  bool FTextChangeLock = false;
};

class TcxComboBox : public TcxCustomComboBox {
  RTL_CLASS(TcxComboBox, TcxCustomComboBox)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomComboBox::TcxCustomComboBox;
  TClass GetPropertiesClass() const override { return TcxComboBoxProperties::StaticClass(); }
  TcxComboBoxProperties* Properties() const {
    return static_cast<TcxComboBoxProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxComboBoxProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxComboBoxProperties* ActiveProperties() {
    return static_cast<TcxComboBoxProperties*>(GetActiveProperties());
  }
};

// Registers the combo box with the registry of editor kinds and the combo box class for form streaming
// (once; later calls find them there).
void cxComboBoxInitialize();
