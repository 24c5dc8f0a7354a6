#pragma once
// What a text editor offers while the user types: the lookup data (the item texts, the current item,
// locating a typed prefix for automatic completion, stepping through the items by keys and the wheel, and
// the list control a drop-down shows) and the owner-drawn list box the drop-down editors show. The editor
// reaches its lookup data only through IcxTextEditLookupData, so other editors can bring their own.

#include <cstdint>

#include "rtl/ObjLinks.h"
#include "rtl/Variants.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxInnerListBox.h"
#include "ui/editors/cxTextEdit.h"

class TcxCustomEditListBox;

// The list as the text editor sees it. The owner is the editor; the items are its properties' lookup
// items. What the lookup data needs of its editor goes through the protected "editor" operations, so
// that every lookup data class reads the editor the same way.
class TcxCustomTextEditLookupData : public TcxInterfacedPersistent, public IcxTextEditLookupData {
  RTL_CLASS(TcxCustomTextEditLookupData, TcxInterfacedPersistent)
  RTL_INTERFACES(IcxTextEditLookupData)
public:
  using VirtualCtorArg = TPersistent*;
  explicit TcxCustomTextEditLookupData(TPersistent* AOwner);
  ~TcxCustomTextEditLookupData() override;

  // ---- the class's virtual operations ----
  virtual String GetItem(int32_t AIndex);
  virtual int32_t GetItemCount();
  // The list box class InitializeList makes; none in the base class.
  virtual TClass GetListBoxClass() { return nullptr; }
  // The list's selection-change handler: the highlighted item follows the list.
  virtual void TakeListSelection(TObject* Sender);
  virtual bool LocateText(String& AText, String& ATail, bool ANext, bool AExact);
  virtual void UpdateListItemCount();
  virtual bool DoCanResizeList() { return true; }
  // Two operations no lookup data of the system gives a body.
  virtual void DoNotify4() {}
  virtual void DoNotify5() {}
  virtual bool DoContainsText(const String& AText);
  virtual SIZE DoGetListPreferredSize() { return SIZE{0, 0}; }
  virtual void DoInitializeList(TWinControl* AParent);
  virtual void DoSetListBounds(const RECT& R);
  virtual void DoRefreshList();
  virtual void DoTextChanged();

  // ---- IcxTextEditLookupData ----
  bool CanResizeList(const SIZE& ASize) override { (void)ASize; return DoCanResizeList(); }
  void SyncListIndex() override { SetListIndex(FCurrentKey); }
  TObject* GetInstance() override { return this; }
  void Notify4() override { DoNotify4(); }
  void Notify5() override { DoNotify5(); }
  bool ContainsText(const String& AText) override { return DoContainsText(AText); }
  TWinControl* GetListControl() override;
  Variant GetCurrentIndex() override { return Variant(FCurrentKey); }
  String GetKeyText(const Variant& AIndex) override;
  TNotifyEvent GetOnCurrentIndexChanged() override { return OnCurrentIndexChanged; }
  TNotifyEvent GetOnItemChosen() override { return OnItemChosen; }
  SIZE GetListPreferredSize() override { return DoGetListPreferredSize(); }
  void Navigate(TcxEditLookupNavigation ADirection, bool ACycle) override;
  void InitializeList(TWinControl* AParent) override { DoInitializeList(AParent); }
  bool IsEmpty() override { return GetItemCount() == 0; }
  bool IsPointOverList(POINT AScreenPoint) override;
  bool Locate(String& AText, String& ATail, bool ANext) override { return LocateText(AText, ATail, ANext, false); }
  void SetListBounds(const RECT& R) override { DoSetListBounds(R); }
  void RefreshList() override { DoRefreshList(); }
  void SelectListItem() override;
  void SetCurrentIndex(const Variant& AIndex) override;
  void SetOnCurrentIndexChanged(TNotifyEvent AValue) override { OnCurrentIndexChanged = AValue; }
  void SetOnItemChosen(TNotifyEvent AValue) override { OnItemChosen = AValue; }
  void TextChanged() override { DoTextChanged(); }
  int32_t QueryInterface(const TGUID& iid, void** obj) override;

  // ---- the rest ----
  // Ignored unless -1 <= AIndex < count: the current item, then the list's highlight.
  void SetItemIndex(int32_t AIndex);
  // Ignored unless -1 <= AIndex < count, and when already highlighted (except -1).
  void SetListIndex(int32_t AIndex);
  int32_t CurrentKey() const { return FCurrentKey; }
  int32_t ItemIndex() const { return FCurrentKey; }
  int32_t ListIndex() const { return FItemIndex; }
  TcxCustomEditListBox* List() const { return FList.Get(); }
  // The editor that owns the lookup data (nil when another kind of object does).
  TcxCustomTextEdit* Edit() const;
  TcxCustomTextEditProperties* ActiveProperties() const;

  TNotifyEvent OnCurrentIndexChanged;
  TNotifyEvent OnItemChosen;

protected:
  // ---- what the lookup data reads of its editor ----
  // The text the editor shows.
  virtual String GetEditText();
  // The editing style of the editor's properties: 0 free typing, 1 must match, 2 selects an item, 3 none.
  virtual uint8_t GetEditingStyle();
  // Whether the properties let LocateText match the whole text exactly.
  virtual bool GetExactMatch();
  // The rows a page step covers.
  virtual int32_t GetDropDownRowCount();
  // Whether navigating in an open list writes through to the value.
  virtual bool GetImmediateUpdateText();
  // The editor's permission to change its value by the user.
  virtual bool DoEditing();
  // Whether the editor is asking for editing permission just now.
  virtual bool IsEditingRequestRunning();
  // The editor's lookup-text-change lock: set while the lookup data changes the text itself.
  virtual bool GetLookupTextChangeLock();
  virtual void SetLookupTextChangeLock(bool AValue);
  // The colour and font the editor paints with now.
  virtual TColor GetStyleColor();
  virtual TFont* GetStyleFont();

  void DoItemChosen();

  int32_t FCurrentKey = -1;
  int32_t FItemIndex = -1;
  // The list lives with the window it was placed in, which may go first.
  TObjectLink<TcxCustomEditListBox> FList;
};

// Makes the text editors' lookup data the one their properties name (the unit's start-up; also done when
// the program starts). Safe to call more than once.
void cxEditListBoxInitialize();

// The owner-drawn list box of the drop-down editors: every item one text row high, the item under the
// mouse highlighted, the wheel scrolling by the system's line count.
class TcxCustomEditListBox : public TcxCustomInnerListBox {
  RTL_CLASS(TcxCustomEditListBox, TcxCustomInnerListBox)
public:
  explicit TcxCustomEditListBox(TComponent* AOwner);
  void AfterConstruction() override;
  void WndProc(TMessage& Message) override;
  void Click() override;

  virtual bool DoDrawItem(int32_t AIndex, const RECT& ARect, TOwnerDrawState AState);
  virtual String GetItemText(int32_t AIndex);
  virtual void CheckItemHeightMode() {}
  virtual int32_t GetHeightForItems(int32_t ACount) { return ACount * GetItemHeight(-1); }
  virtual int32_t GetItemHeight(int32_t AIndex);
  virtual int32_t GetItemWidth(int32_t AIndex);

  // The window exists and is visible.
  bool IsListVisible();
  // Adds empty strings or deletes from the end, in one update, until the count matches.
  void SetItemCount(int32_t ACount);
  void RecreateWindow() { RecreateWnd(); }
  // The list box's own, then a repaint and the selection-change handler.
  void SetItemIndex(int32_t AIndex);
  int32_t ItemIndex() { return TcxCustomInnerListBox::ItemIndex(); }
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value) { FHotTrack = Value; }

  TNotifyEvent OnSelectItem;

protected:
  void DrawItem(int32_t AIndex, RECT ARect, TOwnerDrawState AState) override;
  void MeasureItem(int32_t AIndex, int32_t& AHeight) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) override;
  void DoSelectItem();

  bool FHotTrack = true;
};
