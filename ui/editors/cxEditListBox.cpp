// The lookup data of the text editors (locating a typed prefix, the current and the highlighted item,
// navigation) and the owner-drawn list box the drop-down editors show.

#include "ui/editors/cxEditListBox.h"

#include <algorithm>

#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "winapi/Messages.h"

namespace {

// Holds the lookup-text-change lock of the lookup data's editor for a scope, cleared at the end also
// when an exception passes.
template <class TSetter>
class TcxEditListBoxScopeExit {
public:
  explicit TcxEditListBoxScopeExit(TSetter ASetter) : FSetter(ASetter) {}
  ~TcxEditListBoxScopeExit() { FSetter(); }
  TcxEditListBoxScopeExit(const TcxEditListBoxScopeExit&) = delete;
  TcxEditListBoxScopeExit& operator=(const TcxEditListBoxScopeExit&) = delete;

private:
  TSetter FSetter;
};

// The locale's upper case of a text, for comparisons that ignore case.
String EditListBoxUpper(const String& S) { return AnsiUpperCase(S); }

}  // namespace

// ---- TcxCustomTextEditLookupData ---------------------------------------------------------------------------

TcxCustomTextEditLookupData::TcxCustomTextEditLookupData(TPersistent* AOwner) : TcxInterfacedPersistent(AOwner) {}

TcxCustomTextEditLookupData::~TcxCustomTextEditLookupData() = default;

int32_t TcxCustomTextEditLookupData::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (!found) return inherited::QueryInterface(iid, obj);
  if (obj) *obj = found;
  return RTL_S_OK;
}

TWinControl* TcxCustomTextEditLookupData::GetListControl() { return FList.Get(); }

String TcxCustomTextEditLookupData::GetKeyText(const Variant& AIndex) {
  if (VarIsNull(AIndex) || VarIsEmpty(AIndex)) return String();
  int32_t index = AIndex.AsInteger();
  return index >= 0 && index < GetItemCount() ? GetItem(index) : String();
}

bool TcxCustomTextEditLookupData::DoContainsText(const String& AText) {
  String upper = EditListBoxUpper(AText);
  for (int32_t i = 0, n = GetItemCount(); i < n; ++i)
    if (EditListBoxUpper(GetItem(i)) == upper) return true;
  return false;
}

bool TcxCustomTextEditLookupData::IsPointOverList(POINT AScreenPoint) {
  TcxCustomEditListBox* list = FList.Get();
  if (!list || !list->HandleAllocated()) return false;
  POINT p = list->ScreenToClient(AScreenPoint);
  RECT client = list->ClientRect();
  return PtInRect(&client, p) != FALSE;
}

void TcxCustomTextEditLookupData::SetItemIndex(int32_t AIndex) {
  if (AIndex < -1 || AIndex >= GetItemCount()) return;
  FCurrentKey = AIndex;
  SetListIndex(AIndex);
}

void TcxCustomTextEditLookupData::SetListIndex(int32_t AIndex) {
  if (AIndex < -1 || AIndex >= GetItemCount()) return;
  if (AIndex == FItemIndex && AIndex != -1) return;
  TcxCustomEditListBox* list = FList.Get();
  if (list && GetItemCount() > 0) {
    // Going to no item passes item 0 first, so that the list scrolls back to its top.
    if (AIndex == -1) list->SetItemIndex(0);
    list->SetItemIndex(AIndex);
  }
  FItemIndex = AIndex;
}

void TcxCustomTextEditLookupData::TakeListSelection(TObject* Sender) {
  (void)Sender;
  if (TcxCustomEditListBox* list = FList.Get()) FItemIndex = list->ItemIndex();
}

void TcxCustomTextEditLookupData::DoItemChosen() {
  if (OnItemChosen) OnItemChosen(this);
}

bool TcxCustomTextEditLookupData::LocateText(String& AText, String& ATail, bool ANext, bool AExact) {
  const int32_t count = GetItemCount();
  bool found = false;
  if (count > 0) {
    if (AExact && GetExactMatch()) {
      String upper = EditListBoxUpper(AText);
      int32_t index = -1;
      for (int32_t i = 0; i < count && index < 0; ++i)
        if (EditListBoxUpper(GetItem(i)) == upper) index = i;
      if (index < 0) {
        FCurrentKey = -1;
      } else {
        ATail.clear();
        FCurrentKey = index;
      }
      return index >= 0;
    }
    if (!AText.empty()) {
      // Positions count characters, so a prefix never ends inside a multi-byte character.
      const int32_t length = Utf8Length(AText);
      const String upper = EditListBoxUpper(AText);
      for (int32_t i = ANext ? FItemIndex + 1 : 0; i < count && !found; ++i) {
        String item = GetItem(i);
        if (Utf8Length(item) < length) continue;
        size_t prefixBytes = Utf8ByteOffset(item, length);
        String prefix = item.substr(0, prefixBytes);
        if (EditListBoxUpper(prefix) != upper) continue;
        AText = prefix;
        ATail = item.substr(prefixBytes);
        FCurrentKey = i;
        found = true;
      }
    }
  }
  if (found) return true;
  // What no match does to the current item depends on how strictly the editor binds text to items.
  switch (GetEditingStyle()) {
    case 1: {
      if (AExact) {
        FCurrentKey = -1;
      } else if (AText.empty()) {
        bool emptyIsItem = false;
        for (int32_t i = 0; i < count && !emptyIsItem; ++i) emptyIsItem = GetItem(i).empty();
        if (!emptyIsItem) FCurrentKey = -1;
      }
      break;
    }
    case 2:
      if (AExact) FCurrentKey = -1;
      break;
    default: FCurrentKey = -1; break;
  }
  return false;
}

void TcxCustomTextEditLookupData::UpdateListItemCount() {
  if (TcxCustomEditListBox* list = FList.Get()) list->SetItemCount(GetItemCount());
}

void TcxCustomTextEditLookupData::DoRefreshList() { UpdateListItemCount(); }

void TcxCustomTextEditLookupData::DoSetListBounds(const RECT& R) {
  if (TcxCustomEditListBox* list = FList.Get()) list->SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
}

void TcxCustomTextEditLookupData::DoTextChanged() {
  if (IsEditingRequestRunning()) return;
  String text = GetEditText();
  if (FItemIndex >= 0 && FItemIndex < GetItemCount() && EditListBoxUpper(GetItem(FItemIndex)) == EditListBoxUpper(text))
    return;
  String tail;
  LocateText(text, tail, false, true);
}

void TcxCustomTextEditLookupData::SetCurrentIndex(const Variant& AIndex) {
  const int32_t old = FCurrentKey;
  int32_t index = VarIsNull(AIndex) || VarIsEmpty(AIndex) ? -1 : AIndex.AsInteger();
  SetItemIndex(index);
  SetLookupTextChangeLock(true);
  TcxEditListBoxScopeExit unlock([this] { SetLookupTextChangeLock(false); });
  if (FCurrentKey != old) {
    DoItemChosen();
  } else if (index >= 0 && index < GetItemCount() && GetItem(index) != GetEditText()) {
    // The item is current already, but the editor shows another text: the item is chosen again.
    DoItemChosen();
  }
}

void TcxCustomTextEditLookupData::SelectListItem() {
  if (FItemIndex == -1) return;
  const int32_t old = FCurrentKey;
  SetCurrentIndex(Variant(FItemIndex));
  // Choosing the current item again re-applies it.
  if (FCurrentKey == old) DoItemChosen();
}

void TcxCustomTextEditLookupData::Navigate(TcxEditLookupNavigation ADirection, bool ACycle) {
  const int32_t count = GetItemCount();
  if (count == 0) return;
  const int32_t start = FItemIndex != -1 ? FItemIndex : FCurrentKey;
  const int32_t rows = GetDropDownRowCount();
  int32_t target = start;
  switch (ADirection) {
    case lnFirst: target = 0; break;
    case lnLast: target = count - 1; break;
    case lnNext:
      if (start >= count - 1)
        target = ACycle ? 0 : start;
      else
        target = start + 1;
      break;
    case lnPrevious:
      target = start - 1;
      if (target < 0) target = ACycle ? count - 1 : start;
      break;
    case lnPageUp:
      if (start == -1)
        target = ACycle ? count - 1 : -1;
      else if (start == 0 && ACycle)
        target = count - 1;
      else
        target = std::max(start - rows + 1, 0);
      break;
    case lnPageDown:
      if (start == -1) {
        target = rows - 1;
      } else {
        target = start + rows - 1;
        if (start == count - 1 && ACycle) target = 0;
      }
      if (target > count - 1) target = count - 1;
      break;
  }
  TcxCustomEditListBox* list = FList.Get();
  if (!list || !list->IsListVisible() || (GetImmediateUpdateText() && DoEditing()))
    SetCurrentIndex(Variant(target));
  else
    SetListIndex(target);
}

void TcxCustomTextEditLookupData::DoInitializeList(TWinControl* AParent) {
  if (!FList) {
    TClass listClass = GetListBoxClass();
    if (!listClass || !listClass->InheritsFrom(TcxCustomEditListBox::StaticClass()))
      throw EInvalidOperation("The lookup data has no list box class");
    FList = static_cast<TcxCustomEditListBox*>(listClass->Create(AParent));
  }
  TcxCustomEditListBox* list = FList.Get();
  list->SetColor(GetStyleColor());
  if (TFont* font = GetStyleFont()) {
    list->Font()->Assign(font);
    list->Canvas()->Font()->Assign(font);
  }
  list->SetParent(AParent);
  list->OnSelectItem = TNotifyEvent(this, &TcxCustomTextEditLookupData::TakeListSelection);
  list->SetItemCount(GetItemCount());
  list->TcxCustomInnerListBox::SetItemIndex(FItemIndex);
  list->CheckItemHeightMode();
  DoTextChanged();
}

// ---- what the lookup data reads of its editor ----

TcxCustomTextEdit* TcxCustomTextEditLookupData::Edit() const { return dynamic_cast<TcxCustomTextEdit*>(Owner()); }

TcxCustomTextEditProperties* TcxCustomTextEditLookupData::ActiveProperties() const {
  TcxCustomTextEdit* edit = Edit();
  return edit ? edit->ActiveProperties() : nullptr;
}

String TcxCustomTextEditLookupData::GetItem(int32_t AIndex) {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  return properties ? properties->LookupItems()->Strings(AIndex) : String();
}

int32_t TcxCustomTextEditLookupData::GetItemCount() {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  return properties ? properties->LookupItems()->Count() : 0;
}

String TcxCustomTextEditLookupData::GetEditText() {
  TcxCustomTextEdit* edit = Edit();
  return edit ? edit->Text() : String();
}

uint8_t TcxCustomTextEditLookupData::GetEditingStyle() {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  return properties ? static_cast<uint8_t>(properties->GetEditingStyle()) : 0;
}

bool TcxCustomTextEditLookupData::GetExactMatch() {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  return properties && properties->ExactMatch();
}

int32_t TcxCustomTextEditLookupData::GetDropDownRowCount() {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  return properties ? properties->GetDropDownRowCount() : 8;
}

bool TcxCustomTextEditLookupData::GetImmediateUpdateText() {
  TcxCustomTextEditProperties* properties = ActiveProperties();
  return properties && properties->ImmediateUpdateText();
}

bool TcxCustomTextEditLookupData::DoEditing() {
  TcxCustomTextEdit* edit = Edit();
  return !edit || edit->DoEditing();
}

// The editor core keeps whether it is asking for editing permission to itself; a text change during that
// request is rare (an OnEditing handler that writes the text) and locating again is harmless.
bool TcxCustomTextEditLookupData::IsEditingRequestRunning() { return false; }

bool TcxCustomTextEditLookupData::GetLookupTextChangeLock() {
  TcxCustomTextEdit* edit = Edit();
  return edit && edit->LookupTextChangeLock();
}

void TcxCustomTextEditLookupData::SetLookupTextChangeLock(bool AValue) {
  if (TcxCustomTextEdit* edit = Edit()) edit->SetLookupTextChangeLock(AValue);
}

TColor TcxCustomTextEditLookupData::GetStyleColor() {
  TcxCustomEdit* edit = Edit();
  return edit && edit->GetCurrentStyle() ? edit->GetCurrentStyle()->GetEffectiveColor() : clWindow;
}

TFont* TcxCustomTextEditLookupData::GetStyleFont() {
  TcxCustomEdit* edit = Edit();
  return edit && edit->GetCurrentStyle() ? edit->GetCurrentStyle()->GetVisibleFont() : nullptr;
}

// ---- TcxCustomEditListBox ----------------------------------------------------------------------------------

TcxCustomEditListBox::TcxCustomEditListBox(TComponent* AOwner) : TcxCustomInnerListBox(AOwner) {}

void TcxCustomEditListBox::AfterConstruction() {
  inherited::AfterConstruction();
  SetStyle(lbOwnerDrawVariable);
  SetBorderStyle(bsNone);
}

bool TcxCustomEditListBox::DoDrawItem(int32_t AIndex, const RECT& ARect, TOwnerDrawState AState) {
  (void)AIndex, (void)ARect, (void)AState;
  return false;
}

String TcxCustomEditListBox::GetItemText(int32_t AIndex) { return Items()->Strings(AIndex); }

int32_t TcxCustomEditListBox::GetItemHeight(int32_t AIndex) {
  (void)AIndex;
  Canvas()->Font()->Assign(Font());
  return Canvas()->TextHeight("Wg");
}

int32_t TcxCustomEditListBox::GetItemWidth(int32_t AIndex) {
  Canvas()->Font()->Assign(Font());
  return Canvas()->TextWidth(GetItemText(AIndex));
}

bool TcxCustomEditListBox::IsListVisible() { return HandleAllocated() && IsWindowVisible(Handle()); }

void TcxCustomEditListBox::SetItemCount(int32_t ACount) {
  ACount = std::max(ACount, 0);
  if (Items()->Count() == ACount) return;
  Items()->BeginUpdate();
  try {
    while (Items()->Count() < ACount) Items()->Add(String());
    while (Items()->Count() > ACount) Items()->Delete(Items()->Count() - 1);
  } catch (...) {
    Items()->EndUpdate();
    throw;
  }
  Items()->EndUpdate();
}

void TcxCustomEditListBox::SetItemIndex(int32_t AIndex) {
  TcxCustomInnerListBox::SetItemIndex(AIndex);
  RepaintList();
  DoSelectItem();
}

void TcxCustomEditListBox::Click() {
  inherited::Click();
  RepaintList();
  DoSelectItem();
}

void TcxCustomEditListBox::DoSelectItem() {
  if (OnSelectItem) OnSelectItem(this);
}

void TcxCustomEditListBox::DrawItem(int32_t AIndex, RECT ARect, TOwnerDrawState AState) {
  if (DoDrawItem(AIndex, ARect, AState)) return;
  FCanvas->FillRect(ARect);
  if (AIndex < 0 || AIndex >= Items()->Count()) return;
  // Two pixels in from the side the text is read from.
  RECT r = ARect;
  r.left += 2;
  FCanvas->Brush()->SetStyle(bsClear);
  FCanvas->DrawText(GetItemText(AIndex), r, tfSingleLine | tfAlignVCenter | tfAlignLeft);
  FCanvas->Brush()->SetStyle(bsSolid);
}

void TcxCustomEditListBox::MeasureItem(int32_t AIndex, int32_t& AHeight) {
  (void)AIndex;
  AHeight = GetItemHeight(-1);
}

void TcxCustomEditListBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseMove(Shift, X, Y);
  if (!HandleAllocated() || GetCapture() == Handle() || !FHotTrack) return;
  int32_t index = ItemAtPos(POINT{X, Y}, false);
  if (index != -1 && index < Items()->Count() && index != ItemIndex()) SetItemIndex(index);
}

bool TcxCustomEditListBox::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) {
  if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (!HandleAllocated()) return false;
  UINT lines = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  LRESULT result = 1;
  for (UINT i = 0; i < lines; ++i)
    result = SendMessage(Handle(), WM_VSCROLL, WheelDelta > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
  return lines > 0 && result == 0;
}

void TcxCustomEditListBox::WndProc(TMessage& Message) {
  inherited::WndProc(Message);
  // A list that shows draws its selection as focused without taking the focus from the editor.
  if (Message.Msg == WM_WINDOWPOSCHANGED && HandleAllocated()) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
    if (pos && (pos->flags & SWP_SHOWWINDOW))
      CallWindowProc(FDefWndProc ? FDefWndProc : DefWindowProc, Handle(), WM_SETFOCUS, 0, 0);
  }
}

// ---- the unit's start-up ------------------------------------------------------------------------------------

void cxEditListBoxInitialize() {
  if (GetDefaultTextEditLookupDataClass()) return;
  SetDefaultTextEditLookupDataClass(TcxTextEditLookupDataClass{
      TcxCustomTextEditLookupData::StaticClass(),
      [](TcxCustomTextEdit* AEdit) -> IcxTextEditLookupData* { return New<TcxCustomTextEditLookupData>(AEdit); }});
}

namespace {
// The unit's initialisation: the plain text editor offers its lookup items from the start.
const bool gEditListBoxInitialized = (cxEditListBoxInitialize(), true);
}  // namespace
