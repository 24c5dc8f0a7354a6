// The combo box: its properties, the list in its popup, the popup's size rules and the editor.

#include "ui/editors/cxComboBox.h"

#include <algorithm>

#include "rtl/ClassRegistry.h"
#include "rtl/TypInfo.h"
#include "rtl/ObjLinks.h"
#include "ui/base/cxControls.h"
#include "ui/editors/cxEditConsts.h"
#include "winapi/Messages.h"

namespace {

// The combo box's lookup data, made for an editor by the text editor when its properties name the class.
IcxTextEditLookupData* ComboBoxCreateLookupData(TcxCustomTextEdit* AEdit) { return New<TcxComboBoxLookupData>(AEdit); }

// Keeps a flag set for a scope, also when an exception passes.
class TcxComboBoxFlagLock {
public:
  explicit TcxComboBoxFlagLock(bool& AFlag) : FFlag(AFlag), FOld(AFlag) { FFlag = true; }
  ~TcxComboBoxFlagLock() { FFlag = FOld; }
  TcxComboBoxFlagLock(const TcxComboBoxFlagLock&) = delete;
  TcxComboBoxFlagLock& operator=(const TcxComboBoxFlagLock&) = delete;

private:
  bool& FFlag;
  bool FOld;
};

// A canvas on a memory device context in the list's font. Items are measured while the list's window is
// being made and torn down, when a device context of the window itself would outlive it.
class TcxComboBoxMeasureCanvas {
public:
  explicit TcxComboBoxMeasureCanvas(TFont* AFont) : FDC(CreateCompatibleDC(nullptr)), FCanvas(&FBase) {
    FBase.SetHandle(FDC);
    FBase.Font()->Assign(AFont);
  }
  ~TcxComboBoxMeasureCanvas() {
    FBase.SetHandle(nullptr);
    DeleteDC(FDC);
  }
  TcxComboBoxMeasureCanvas(const TcxComboBoxMeasureCanvas&) = delete;
  TcxComboBoxMeasureCanvas& operator=(const TcxComboBoxMeasureCanvas&) = delete;
  TcxCanvas* Canvas() { return &FCanvas; }
  TCanvas* Base() { return &FBase; }

private:
  HDC FDC;
  TCanvas FBase;
  TcxCanvas FCanvas;
};

int32_t ComboBoxIndexOf(const Variant& AKey) {
  return VarIsNull(AKey) || VarIsEmpty(AKey) ? -1 : AKey.AsInteger();
}

}  // namespace

// ---- properties ---------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxComboBoxProperties) {
  prop("Alignment", &TcxComboBoxProperties::GetAlignment, &TcxComboBoxProperties::SetAlignment)
      .Stored(&TcxComboBoxProperties::IsAlignmentStored);
  prop("AssignedValues", &TcxComboBoxProperties::AssignedValues, &TcxComboBoxProperties::SetAssignedValues);
  prop("CaseInsensitive", &TcxComboBoxProperties::CaseInsensitive, &TcxComboBoxProperties::SetCaseInsensitive)
      .Default(true);
  prop("CharCase", &TcxComboBoxProperties::CharCase, &TcxComboBoxProperties::SetCharCase).Default(ecNormal);
  prop("DropDownAutoWidth", &TcxComboBoxProperties::DropDownAutoWidth, &TcxComboBoxProperties::SetDropDownAutoWidth)
      .Default(true);
  prop("DropDownListStyle", &TcxComboBoxProperties::DropDownListStyle, &TcxComboBoxProperties::SetDropDownListStyle)
      .Default(lsEditList);
  prop("DropDownRows", &TcxComboBoxProperties::DropDownRows, &TcxComboBoxProperties::SetDropDownRows).Default(8);
  prop("DropDownSizeable", &TcxComboBoxProperties::DropDownSizeable, &TcxComboBoxProperties::SetDropDownSizeable)
      .Default(false);
  prop("DropDownWidth", &TcxComboBoxProperties::DropDownWidth, &TcxComboBoxProperties::SetDropDownWidth).Default(0);
  prop("ImmediateDropDown", &TcxComboBoxProperties::ImmediateDropDown, &TcxComboBoxProperties::SetImmediateDropDown)
      .Default(true);
  prop("ImmediatePost", &TcxComboBoxProperties::ImmediatePost, &TcxComboBoxProperties::SetImmediatePost)
      .Default(false);
  prop("ItemHeight", &TcxComboBoxProperties::ItemHeight, &TcxComboBoxProperties::SetItemHeight).Default(0);
  prop("Items", &TcxComboBoxProperties::Items, &TcxComboBoxProperties::SetItems);
  prop("MaxLength", &TcxComboBoxProperties::MaxLength, &TcxComboBoxProperties::SetMaxLength)
      .NoDefault()
      .Stored(&TcxComboBoxProperties::IsMaxLengthStored);
  prop("PopupAlignment", &TcxComboBoxProperties::PopupAlignment, &TcxComboBoxProperties::SetPopupAlignment)
      .Default(taLeftJustify);
  prop("PostPopupValueOnTab", &TcxComboBoxProperties::PostPopupValueOnTab,
       &TcxComboBoxProperties::SetPostPopupValueOnTab)
      .Default(false);
  prop("ReadOnly", &TcxComboBoxProperties::GetReadOnly, &TcxComboBoxProperties::SetReadOnly)
      .NoDefault()
      .Stored(&TcxComboBoxProperties::IsReadOnlyStored);
  prop("Revertable", &TcxComboBoxProperties::Revertable, &TcxComboBoxProperties::SetRevertable).Default(false);
  prop("Sorted", &TcxComboBoxProperties::Sorted, &TcxComboBoxProperties::SetSorted).Default(false);
  event("OnChange", &TcxComboBoxProperties::OnChange, &TcxComboBoxProperties::OnChange);
  event("OnCloseUp", &TcxComboBoxProperties::OnCloseUp, &TcxComboBoxProperties::OnCloseUp);
  event("OnEditValueChanged", &TcxComboBoxProperties::OnEditValueChanged,
        &TcxComboBoxProperties::OnEditValueChanged);
  event("OnInitPopup", &TcxComboBoxProperties::OnInitPopup, &TcxComboBoxProperties::OnInitPopup);
  event("OnNewLookupDisplayText", &TcxComboBoxProperties::OnNewLookupDisplayText,
        &TcxComboBoxProperties::OnNewLookupDisplayText);
  event("OnPopup", &TcxComboBoxProperties::OnPopup, &TcxComboBoxProperties::OnPopup);
  event("OnValidate", &TcxComboBoxProperties::OnValidate, &TcxComboBoxProperties::OnValidate);
}

TcxCustomComboBoxProperties::TcxCustomComboBoxProperties(TPersistent* AOwner)
    : TcxCustomDropDownEditProperties(AOwner) {}

void TcxCustomComboBoxProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomComboBoxProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetDropDownListStyle(source->DropDownListStyle());
    SetDropDownRows(source->DropDownRows());
    SetItemHeight(source->ItemHeight());
    SetRevertable(source->Revertable());
    OnDrawItem = source->OnDrawItem;
    OnMeasureItem = source->OnMeasureItem;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TClass TcxCustomComboBoxProperties::GetContainerClass() const { return TcxComboBox::StaticClass(); }

TClass TcxCustomComboBoxProperties::GetViewInfoClass() const { return TcxCustomComboBoxViewInfo::StaticClass(); }

TcxCustomEditViewDataClass TcxCustomComboBoxProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxCustomComboBoxViewData>();
}

TcxTextEditLookupDataClass TcxCustomComboBoxProperties::GetLookupDataClass() {
  return TcxTextEditLookupDataClass{TcxComboBoxLookupData::StaticClass(), &ComboBoxCreateLookupData};
}

TClass TcxCustomComboBoxProperties::GetPopupWindowClass() { return TcxComboBoxPopupWindow::StaticClass(); }

TcxEditEditingStyle TcxCustomComboBoxProperties::GetEditingStyle() {
  switch (FDropDownListStyle) {
    case lsEditFixedList: return esEditList;
    case lsFixedList: return esFixedList;
    default: return esEdit;
  }
}

void TcxCustomComboBoxProperties::SetDropDownListStyle(TcxEditDropDownListStyle Value) {
  if (Value == FDropDownListStyle) return;
  FDropDownListStyle = Value;
  Changed();
}

void TcxCustomComboBoxProperties::SetDropDownRows(int32_t Value) {
  if (Value <= 0 || Value == FDropDownRows) return;
  FDropDownRows = Value;
  Changed();
}

void TcxCustomComboBoxProperties::SetItemHeight(int32_t Value) {
  if (Value == FItemHeight) return;
  FItemHeight = Value;
  Changed();
}

// ---- the lookup data ----------------------------------------------------------------------------------------

TClass TcxComboBoxLookupData::GetListBoxClass() { return TcxComboBoxListBox::StaticClass(); }

TcxComboBoxListBox* TcxComboBoxLookupData::ComboList() const { return dynamic_cast<TcxComboBoxListBox*>(List()); }

void TcxComboBoxLookupData::TakeListSelection(TObject* Sender) {
  inherited::TakeListSelection(Sender);
  // A selection set by code must not be moved at once by hot tracking under a resting pointer.
  TcxComboBoxListBox* list = ComboList();
  if (list && !list->HandlingMouse())
    if (auto* combo = dynamic_cast<TcxCustomComboBox*>(Edit())) combo->SetListMouseMoveLock(true);
}

SIZE TcxComboBoxLookupData::GetListPreferredSize(int32_t AMaxHeight, int32_t AMaxWidth) {
  (void)AMaxHeight;
  SIZE size{0, 0};
  TcxComboBoxListBox* list = ComboList();
  if (!list) return size;
  const int32_t count = GetItemCount();
  const int32_t rows = GetDropDownRowCount();
  size.cy = list->GetHeightForItems(std::min(rows, count));
  int32_t width = 0;
  for (int32_t i = 0; i < count; ++i) width = std::max(width, list->GetItemWidth(i));
  width += 4;
  list->SetScrollWidth(0);
  list->SetScrollWidth(width);
  size.cx = width;
  if (count > rows) size.cx += GetSystemMetrics(SM_CXVSCROLL);
  if (AMaxWidth > 0 && AMaxWidth < size.cx) size.cy += GetSystemMetrics(SM_CYHSCROLL);
  return size;
}

bool TcxComboBoxLookupData::CanResizeList(SIZE& ASize, int32_t AAvailableHeight) {
  TcxComboBoxListBox* list = ComboList();
  if (!list) return true;
  if (ASize.cx == list->Width() && ASize.cy == list->Height()) return true;
  const int32_t count = GetItemCount();
  const int32_t vBar = GetSystemMetrics(SM_CXVSCROLL);
  const int32_t hBar = GetSystemMetrics(SM_CYHSCROLL);
  const bool enlarging = ASize.cy >= list->Height();
  const bool limited = AAvailableHeight > 0;
  // The list's height for the first AShown items, with a horizontal bar when the items are wider.
  auto candidateFor = [&](int32_t AShown, int32_t ASum) {
    int32_t usable = ASize.cx - (AShown < count ? vBar : 0);
    return ASum + (usable < list->ScrollWidth() ? hBar : 0);
  };
  int32_t shown = 0, sum = 0;
  int32_t candidate = candidateFor(0, 0);
  while (true) {
    if (candidate == ASize.cy && (!limited || candidate <= AAvailableHeight)) break;
    bool overAvailable = limited && candidate > AAvailableHeight;
    if (candidate > ASize.cy || overAvailable) {
      // Enlarging (or no room) snaps down to whole rows; shrinking keeps the row the pointer is in.
      if ((overAvailable || enlarging) && shown > 0) {
        --shown;
        sum -= list->GetItemHeight(shown);
        candidate = candidateFor(shown, sum);
      }
      break;
    }
    if (shown == count) break;
    sum += list->GetItemHeight(shown);
    ++shown;
    candidate = candidateFor(shown, sum);
  }
  ASize.cy = candidate;
  if (shown < count) ASize.cx = std::max<int32_t>(ASize.cx, vBar);
  if (candidate > sum) ASize.cx = std::max<int32_t>(ASize.cx, vBar);
  return true;
}

// ---- the list box -------------------------------------------------------------------------------------------

TcxComboBoxListBox::TcxComboBoxListBox(TComponent* AOwner) : TcxCustomEditListBox(AOwner) {}

TcxCustomComboBox* TcxComboBoxListBox::ComboBox() const {
  // The lookup data makes the list with the popup as its owner; the popup knows its editor.
  auto* popup = dynamic_cast<TcxCustomEditPopupWindow*>(Owner());
  if (!popup) popup = dynamic_cast<TcxCustomEditPopupWindow*>(Parent());
  return popup ? dynamic_cast<TcxCustomComboBox*>(popup->OwnerControl()) : nullptr;
}

void TcxComboBoxListBox::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  // The list shows whole rows by its own sizing and scrolls sideways when an item is wider than it.
  Params.Style |= WS_HSCROLL | LBS_NOINTEGRALHEIGHT;
}

void TcxComboBoxListBox::CreateWnd() {
  inherited::CreateWnd();
  if (FScrollWidth > 0) SendMessage(Handle(), LB_SETHORIZONTALEXTENT, FScrollWidth, 0);
}

void TcxComboBoxListBox::SetScrollWidth(int32_t Value) {
  FScrollWidth = Value;
  if (HandleAllocated()) SendMessage(Handle(), LB_SETHORIZONTALEXTENT, Value, 0);
}

String TcxComboBoxListBox::GetItemText(int32_t AIndex) {
  TcxCustomComboBox* combo = ComboBox();
  TcxComboBoxLookupData* lookup = combo ? combo->LookupData() : nullptr;
  return lookup ? lookup->GetItem(AIndex) : inherited::GetItemText(AIndex);
}

int32_t TcxComboBoxListBox::GetItemHeight(int32_t AIndex) {
  TcxCustomComboBox* combo = ComboBox();
  int32_t fixed = combo ? combo->ActiveProperties()->ItemHeight() : 0;
  TcxComboBoxMeasureCanvas measure(Font());
  // The standard height is a text row: the same measure as the edit list box's.
  int32_t height = fixed > 0 ? fixed : measure.Base()->TextHeight("Wg");
  if (AIndex >= 0 && combo && combo->HasMeasureItemHandler()) combo->DoMeasureItem(AIndex, measure.Canvas(), height);
  return height;
}

int32_t TcxComboBoxListBox::GetItemWidth(int32_t AIndex) {
  TcxComboBoxMeasureCanvas measure(Font());
  return measure.Base()->TextWidth(GetItemText(AIndex));
}

int32_t TcxComboBoxListBox::GetHeightForItems(int32_t ACount) {
  int32_t height = 0;
  for (int32_t i = 0; i < ACount; ++i) height += GetItemHeight(i);
  return height;
}

void TcxComboBoxListBox::MeasureItem(int32_t AIndex, int32_t& AHeight) { AHeight = GetItemHeight(AIndex); }

void TcxComboBoxListBox::CheckItemHeightMode() {
  TcxCustomComboBox* combo = ComboBox();
  if (!combo) return;
  const bool assigned = combo->HasMeasureItemHandler();
  const int32_t fixed = combo->ActiveProperties()->ItemHeight();
  // Heights are measured when items are added: a new measuring rule needs the items measured again.
  bool recreate = FChecked ? assigned || assigned != FMeasureItemAssigned || fixed != FCheckedItemHeight : assigned;
  FChecked = true;
  FMeasureItemAssigned = assigned;
  FCheckedItemHeight = fixed;
  if (recreate && HandleAllocated()) RecreateWindow();
}

bool TcxComboBoxListBox::DoDrawItem(int32_t AIndex, const RECT& ARect, TOwnerDrawState AState) {
  TcxCustomComboBox* combo = ComboBox();
  if (!combo || !combo->HasDrawItemHandler()) return false;
  return combo->DoDrawItem(FCanvas, AIndex, ARect, AState);
}

void TcxComboBoxListBox::WndProc(TMessage& Message) {
  // The list picks items with the mouse itself: the native press would take the keyboard focus from the
  // editor, whose popup closes when its text loses the focus.
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!HandleAllocated()) break;
      TcxComboBoxFlagLock mouse(FHandlingMouse);
      POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      int32_t index = ItemAtPos(p, true);
      if (index >= 0 && index != ItemIndex()) SetItemIndex(index);
      FTracking = true;
      SetCapture(Handle());
      Message.Result = 0;
      return;
    }
    case WM_MOUSEMOVE:
      if (FTracking) {
        TcxComboBoxFlagLock mouse(FHandlingMouse);
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        int32_t index = ItemAtPos(p, true);
        if (index >= 0 && index != ItemIndex()) SetItemIndex(index);
        Message.Result = 0;
        return;
      }
      break;
    case WM_LBUTTONUP:
      if (FTracking) {
        FTracking = false;
        ChooseItemAt(POINT{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
        Message.Result = 0;
        return;
      }
      break;
    case WM_CAPTURECHANGED:
      FTracking = false;
      break;
    default:
      break;
  }
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) {
    TcxComboBoxFlagLock mouse(FHandlingMouse);
    inherited::WndProc(Message);
    return;
  }
  inherited::WndProc(Message);
}

void TcxComboBoxListBox::ChooseItemAt(POINT P) {
  cx_edit_detail::TAliveLink alive(this);
  if (GetCapture() == Handle()) ReleaseCapture();
  int32_t index = ItemAtPos(P, true);
  if (!alive || index < 0) return;
  {
    TcxComboBoxFlagLock mouse(FHandlingMouse);
    if (index != ItemIndex()) SetItemIndex(index);
  }
  if (TcxCustomComboBox* combo = alive ? ComboBox() : nullptr) combo->ClosePopup(true);
}

void TcxComboBoxListBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TcxCustomComboBox* combo = ComboBox();
  if (combo && combo->ListMouseMoveLock()) {
    // The first move after the selection was set by code (or the list opened under the pointer) is not
    // the user pointing at an item.
    combo->SetListMouseMoveLock(false);
    TcxCustomInnerListBox::MouseMove(Shift, X, Y);
    return;
  }
  inherited::MouseMove(Shift, X, Y);
}

// ---- the popup window ---------------------------------------------------------------------------------------

void TcxComboBoxPopupWindow::CalculateComboSize() {
  TcxCustomEditPopupWindowViewInfo* vi = ViewInfo();
  vi->SizeGripCorner = cxGripBottomRight;
  RECT e;
  vi->GetClientExtent(e);
  SIZE m, c;
  GetMinSize(m);
  CalculateContentSize(c);
  auto* edit = dynamic_cast<TcxCustomDropDownEdit*>(OwnerControl());
  const bool resized = edit && edit->PopupSizeChanged();
  const bool sizeable = Sizeable();
  const bool autoWidth = PopupAutoSize();
  const int32_t editorWidth = OwnerControl() ? OwnerControl()->Width() : 0;
  int32_t w;
  if ((resized && sizeable) || (!autoWidth && PopupWidth() > 0))
    w = PopupWidth();
  else if (autoWidth)
    w = std::max<int32_t>(e.left + e.right + c.cx, editorWidth);
  else
    w = editorWidth;
  if (sizeable) w = std::max(w, MinWidth());
  int32_t h;
  if (((resized && sizeable) || PopupHeight() != 0) && (sizeable || !autoWidth))
    h = PopupHeight();
  else
    h = e.top + e.bottom + c.cy;
  if (sizeable) h = std::max(h, MinHeight());
  SetBounds(Left(), Top(), std::max<int32_t>(w, m.cx), std::max<int32_t>(h, m.cy));
}

bool TcxComboBoxPopupWindow::CanResize(int32_t& NewWidth, int32_t& NewHeight) {
  if (!inherited::CanResize(NewWidth, NewHeight)) return false;
  auto* combo = dynamic_cast<TcxCustomComboBox*>(OwnerControl());
  TcxComboBoxLookupData* lookup = combo ? combo->LookupData() : nullptr;
  if (!lookup || !lookup->ComboList()) return true;
  RECT e;
  ViewInfo()->GetClientExtent(e);
  SIZE content{NewWidth - e.left - e.right, NewHeight - e.top - e.bottom};
  // The room on the popup's side of the editor, inside the work area, is the most the list may take.
  int32_t available = std::max<int32_t>(GetAvailableHeight() - e.top - e.bottom, 1);
  if (!lookup->CanResizeList(content, available)) return false;
  SIZE m;
  GetMinSize(m);
  NewWidth = std::max<int32_t>(e.left + e.right + content.cx, m.cx);
  NewHeight = std::max<int32_t>(e.top + e.bottom + content.cy, m.cy);
  return true;
}

// ---- view data and view info --------------------------------------------------------------------------------

TcxCustomComboBoxViewInfo::TcxCustomComboBoxViewInfo() {
  OnDrawOwner = TcxTextEditOwnerDrawEvent(this, &TcxCustomComboBoxViewInfo::DrawItemOwner);
}

void TcxCustomComboBoxViewInfo::DrawItemOwner(TcxCanvas* ACanvas, const RECT& ARect) {
  if (ItemIndex < 0) return;
  if (Font) ACanvas->Font()->Assign(Font);
  if (DrawSelectionBar) {
    ACanvas->Brush()->SetColor(clHighlight);
    ACanvas->Font()->SetColor(clHighlightText);
  } else {
    ACanvas->Brush()->SetColor(BackgroundColor);
    ACanvas->Font()->SetColor(TextColor);
  }
  TOwnerDrawState state = Focused ? TOwnerDrawState{odSelected, odFocused, odComboBoxEdit} : TOwnerDrawState{odComboBoxEdit};
  if (Edit) {
    Edit->DoDrawItem(ACanvas, ItemIndex, ARect, state);
  } else if (auto* properties = dynamic_cast<TcxCustomComboBoxProperties*>(EditProperties)) {
    if (properties->OnDrawItem) properties->OnDrawItem(nullptr, ACanvas, ItemIndex, ARect, state);
  }
}

void TcxCustomComboBoxViewData::PrepareDrawText(const Variant& AEditValue, TcxCustomTextEditViewInfo* AViewInfo) {
  inherited::PrepareDrawText(AEditValue, AViewInfo);
  auto* viewInfo = dynamic_cast<TcxCustomComboBoxViewInfo*>(AViewInfo);
  if (!viewInfo) return;
  auto* combo = dynamic_cast<TcxCustomComboBox*>(Edit);
  TcxCustomComboBoxProperties* properties = ComboProperties();
  viewInfo->Edit = combo;
  viewInfo->EditProperties = properties;
  int32_t index = -1;
  if (properties->DropDownListStyle() == lsFixedList) {
    if (combo) {
      if (combo->HasDrawItemHandler()) index = combo->ItemIndex();
    } else if (properties->OnDrawItem) {
      // A value painted without an editor (a grid cell): the item with that text.
      index = properties->Items()->IndexOf(VarToStr(AEditValue));
    }
  }
  viewInfo->ItemIndex = index;
  viewInfo->IsOwnerDrawing = index != -1;
}

// ---- the inner edit -----------------------------------------------------------------------------------------

void TcxCustomComboBoxInnerEdit::WndProc(TMessage& Message) {
  // Releasing the mouse in the text is no click: clicks come from choosing items.
  if (Message.Msg == WM_LBUTTONUP) SetControlState(ControlState() - csClicked);
  inherited::WndProc(Message);
}

// ---- the editor ---------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxComboBox) {
  prop("AutoSize", &TcxComboBox::AutoSize, &TcxComboBox::SetAutoSize).Default(true);
  prop("BeepOnEnter", &TcxComboBox::BeepOnEnter, &TcxComboBox::SetBeepOnEnter).Default(true);
  prop("Properties", &TcxComboBox::Properties, &TcxComboBox::SetProperties);
  prop("Style", &TcxComboBox::Style, &TcxComboBox::SetStyle);
  prop("StyleDisabled", &TcxComboBox::StyleDisabled, &TcxComboBox::SetStyleDisabled);
  prop("StyleFocused", &TcxComboBox::StyleFocused, &TcxComboBox::SetStyleFocused);
  prop("StyleHot", &TcxComboBox::StyleHot, &TcxComboBox::SetStyleHot);
  prop("Text", &TcxComboBox::Text, &TcxComboBox::SetText).Stored(false);
  event("OnEditing", &TcxComboBox::OnEditing, &TcxComboBox::OnEditing);
}

TcxCustomComboBox::TcxCustomComboBox(TComponent* AOwner) : TcxCustomDropDownEdit(AOwner) {}

void TcxCustomComboBox::InitializeEdit() {
  inherited::InitializeEdit();
  // Click comes from choosing an item only.
  SetControlStyle(ControlStyle() - csClickEvents);
}

TcxCustomComboBoxProperties* TcxCustomComboBox::RepositoryComboProperties() {
  return dynamic_cast<TcxCustomComboBoxProperties*>(GetRepositoryItemProperties());
}

int32_t TcxCustomComboBox::ItemIndex() const {
  TcxComboBoxLookupData* lookup = LookupData();
  return lookup ? lookup->CurrentKey() : -1;
}

void TcxCustomComboBox::SetItemIndex(int32_t Value) { SelectLookupItem(Value); }

void TcxCustomComboBox::ResetPopupHeight() {
  TcxCustomDropDownEditData* data = DropDownEditData();
  if (IsInplace() && ActiveProperties()->DropDownSizeable() && data)
    data->Height = 0;
  else
    ActiveProperties()->SetPopupHeight(0);
}

bool TcxCustomComboBox::HasDrawItemHandler() {
  TcxCustomComboBoxProperties* repository = RepositoryComboProperties();
  return Properties()->OnDrawItem || (repository && repository->OnDrawItem);
}

bool TcxCustomComboBox::HasMeasureItemHandler() {
  TcxCustomComboBoxProperties* repository = RepositoryComboProperties();
  return Properties()->OnMeasureItem || (repository && repository->OnMeasureItem);
}

bool TcxCustomComboBox::DoDrawItem(TcxCanvas* ACanvas, int32_t AIndex, const RECT& ARect, TOwnerDrawState AState) {
  bool drawn = false;
  cx_edit_detail::TAliveLink alive(this);
  if (Properties()->OnDrawItem) {
    Properties()->OnDrawItem(this, ACanvas, AIndex, ARect, AState);
    drawn = true;
  }
  if (!alive) return drawn;
  TcxCustomComboBoxProperties* repository = RepositoryComboProperties();
  if (repository && repository->OnDrawItem) {
    repository->OnDrawItem(this, ACanvas, AIndex, ARect, AState);
    drawn = true;
  }
  return drawn;
}

void TcxCustomComboBox::DoMeasureItem(int32_t AIndex, TcxCanvas* ACanvas, int32_t& AHeight) {
  if (Properties()->OnMeasureItem) Properties()->OnMeasureItem(this, AIndex, ACanvas, AHeight);
  TcxCustomComboBoxProperties* repository = RepositoryComboProperties();
  if (repository && repository->OnMeasureItem) repository->OnMeasureItem(this, AIndex, ACanvas, AHeight);
}

bool TcxCustomComboBox::CanDropDown() {
  TcxComboBoxLookupData* lookup = LookupData();
  return lookup && lookup->GetItemCount() > 0;
}

void TcxCustomComboBox::CalculatePopupSize(SIZE& ASize) {
  ASize = SIZE{0, 0};
  TcxCustomEditPopupWindow* popup = PopupWindow();
  TcxComboBoxLookupData* lookup = LookupData();
  if (!popup || !lookup) return;
  RECT e;
  popup->ViewInfo()->GetClientExtent(e);
  const RECT r = popup->GetPopupOwnerBounds();
  const RECT workTop = GetMonitorWorkAreaAtPoint(POINT{r.left, r.top});
  const RECT workBottom = GetMonitorWorkAreaAtPoint(POINT{r.left, r.bottom});
  int32_t above = r.top - workTop.top - e.top - e.bottom + (popup->Shadow() ? cxEditPopupShadowWidth : 0);
  int32_t below = workBottom.bottom - r.bottom - e.top - e.bottom;
  const int32_t maxHeight = std::max(above, below);
  TcxCustomComboBoxProperties* properties = ActiveProperties();
  int32_t maxWidth;
  if (properties->DropDownSizeable() || properties->DropDownAutoWidth())
    maxWidth = workTop.right - workTop.left - e.left - e.right;
  else if (properties->DropDownWidth() > 0)
    maxWidth = properties->DropDownWidth() - e.left - e.right;
  else
    maxWidth = r.right - r.left - e.left - e.right;
  ASize = lookup->GetListPreferredSize(maxHeight, maxWidth);
}

void TcxCustomComboBox::SetupPopupWindow() {
  inherited::SetupPopupWindow();
  // A sizeable list shows the system panel with its grip and close button.
  PopupWindow()->SetSysPanelStyle(ActiveProperties()->DropDownSizeable());
  TcxComboBoxLookupData* lookup = LookupData();
  if (TcxComboBoxListBox* list = lookup ? lookup->ComboList() : nullptr)
    list->LookAndFeel()->SetMaster(PopupControlsLookAndFeel());
}

void TcxCustomComboBox::PreparePopup() {
  inherited::PreparePopup();
  auto* popup = dynamic_cast<TcxComboBoxPopupWindow*>(PopupWindow());
  if (!popup) return;
  // The generic preparation sized the popup by the drop-down rule; the list's own rule (rows, at least the
  // editor's width, a size the user gave it) replaces it, also for an open popup prepared again.
  popup->CalculateComboSize();
  POINT p{popup->Left(), popup->Top()};
  popup->ComputePopupPosition(p);
  popup->CalculatePosition(p);
  popup->SetBounds(p.x, p.y, popup->Width(), popup->Height());
  popup->UpdateContent();
  popup->ApplyWindowShape();
}

void TcxCustomComboBox::Activate(TcxCustomEditData*& AEditData) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::Activate(AEditData);
  // An editor activated in a cell finds the item of the text it starts with.
  if (alive)
    if (IcxTextEditLookupData* lookup = GetLookupDataIntf()) lookup->TextChanged();
}

void TcxCustomComboBox::PopupWindowShowed(TObject* Sender) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::PopupWindowShowed(Sender);
  if (!alive) return;
  TcxComboBoxLookupData* lookup = LookupData();
  if (!lookup) return;
  lookup->SyncListIndex();
  POINT p{};
  GetCursorPos(&p);
  // A list that opens under the pointer does not take the pointer's first move as pointing at an item.
  FListMouseMoveLock = lookup->IsPointOverList(p);
}

void TcxCustomComboBox::InnerEditChanged(TObject* Sender) {
  cx_edit_detail::TAliveLink alive(this);
  IcxTextEditLookupData* lookup = GetLookupDataIntf();
  const int32_t before = lookup ? ComboBoxIndexOf(lookup->GetCurrentIndex()) : -1;
  LockClick(true);
  try {
    inherited::InnerEditChanged(Sender);
    if (alive && lookup && !FTextChangeLock && !LookupTextChangeLock()) {
      TcxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
      if (HasPopupWindow() || style == esEditList || style == esFixedList) lookup->TextChanged();
    }
  } catch (...) {
    if (alive) LockClick(false);
    throw;
  }
  if (!alive) return;
  LockClick(false);
  if (lookup && before != ComboBoxIndexOf(lookup->GetCurrentIndex())) Click();
}

void TcxCustomComboBox::DblClick() {
  cx_edit_detail::TAliveLink alive(this);
  inherited::DblClick();
  if (!alive || HasPopupWindow() || !ActiveProperties()->Revertable()) return;
  TcxComboBoxLookupData* lookup = LookupData();
  if (!lookup || lookup->GetItemCount() == 0) return;
  WithEditChangeEventsLocked([&] {
    SetLookupItemsScrolling(true);
    try {
      const int32_t before = lookup->CurrentKey();
      // Each double click steps to the next item, from the last back to the first.
      lookup->Navigate(lnNext, true);
      if (alive && before != lookup->CurrentKey() && ActiveProperties()->ImmediatePost() && CanPostEditValue() &&
          DoValidateEdit(false))
        PostEditValue();
    } catch (...) {
      if (alive) SetLookupItemsScrolling(false);
      throw;
    }
    if (alive) SetLookupItemsScrolling(false);
  });
}

void TcxCustomComboBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::MouseMove(Shift, X, Y);
  if (!alive || !HasPopupWindow() || !HandleAllocated() || GetCapture() != Handle()) return;
  // A press on the drop-down button that moves on into the open list carries on as a press in the list.
  TcxComboBoxLookupData* lookup = LookupData();
  TcxComboBoxListBox* list = lookup ? lookup->ComboList() : nullptr;
  TcxCustomEditPopupWindow* popup = PopupWindow();
  if (!list || !list->HandleAllocated() || !popup->HandleAllocated()) return;
  POINT screen = ClientToScreen(POINT{X, Y});
  RECT client = popup->ViewInfo()->ClientRect;
  POINT inPopup = popup->ScreenToClient(screen);
  if (!PtInRect(&client, inPopup) || !lookup->IsPointOverList(screen)) return;
  POINT p = list->ScreenToClient(screen);
  SendMessage(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
}

// ---- registration -------------------------------------------------------------------------------------------

void cxComboBoxInitialize() {
  cxMaskEditInitialize();
  GetRegisteredEditProperties()->Register(TcxComboBoxProperties::StaticClass(), cxSEditRepositoryComboBoxItem);
  RegisterClasses({TcxComboBox::StaticClass()});
}
