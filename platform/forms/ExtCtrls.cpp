#include "forms/ExtCtrls.h"

#include <unordered_map>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/TypInfo.h"

RTL_PUBLISHED(TTimer) {
  prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  prop("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  event("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer);
}

RTL_PUBLISHED(TCustomPanel) {
  prop("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
  prop("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter).Default(bvRaised);
  prop("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
  prop("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth).Default(0);
  prop("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment).Default(taCenter);
}

RTL_PUBLISHED(TCustomRadioGroup) {
  prop("Items", &TCustomRadioGroup::Items, &TCustomRadioGroup::SetItems);
  prop("ItemIndex", &TCustomRadioGroup::ItemIndex, &TCustomRadioGroup::SetItemIndex).Default(-1);
  prop("Columns", &TCustomRadioGroup::Columns, &TCustomRadioGroup::SetColumns).Default(1);
}

RTL_MESSAGE(TCustomRadioGroup, CM_TEXTCHANGED, CMTextChanged);
RTL_MESSAGE(TCustomRadioGroup, WM_SIZE, WMSize);

RTL_PUBLISHED(TPaintBox) { event("OnPaint", &TPaintBox::OnPaint, &TPaintBox::OnPaint); }

// ---- TTimer ---------------------------------------------------------------------------------------

namespace {
std::unordered_map<UINT_PTR, TTimer*>& Timers() {
  static std::unordered_map<UINT_PTR, TTimer*> map;
  return map;
}
}  // namespace

struct TTimerAccess {
  static void Fire(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Timers().find(id);
    if (it == Timers().end()) return;
    try {
      it->second->Timer();
    } catch (...) {
      if (Application)
        Application->HandleException(it->second);
      else
        throw;
    }
  }
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}
TTimer::~TTimer() = default;

void TTimer::BeforeDestruction() {
  FEnabled = false;
  KillIt();
  inherited::BeforeDestruction();
}

void TTimer::Loaded() {
  inherited::Loaded();
  UpdateTimer();
}

void TTimer::KillIt() {
  if (!FTimerId) return;
  KillTimer(nullptr, FTimerId);
  Timers().erase(FTimerId);
  FTimerId = 0;
}

void TTimer::UpdateTimer() {
  KillIt();
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  if (FInterval != 0 && FEnabled && FOnTimer.Assigned()) {
    FTimerId = SetTimer(nullptr, 0, FInterval, &TTimerAccess::Fire);
    if (!FTimerId) throw EOutOfResources("Not enough timers available");
    Timers()[FTimerId] = this;
  }
}

void TTimer::SetEnabled(bool v) {
  if (v == FEnabled) return;
  FEnabled = v;
  UpdateTimer();
}
void TTimer::SetInterval(uint32_t v) {
  if (v == FInterval) return;
  FInterval = v;
  UpdateTimer();
}
void TTimer::SetOnTimer(TNotifyEvent v) {
  FOnTimer = v;
  UpdateTimer();
}
void TTimer::Timer() {
  if (FOnTimer) FOnTimer(this);
}

// ---- TCustomPanel ---------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks};
  FWidth = 185;
  FHeight = 41;
  FColor = clBtnFace;
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
  FBevelInner = v;
  Realign();
  Invalidate();
}
void TCustomPanel::SetBevelOuter(TBevelCut v) {
  FBevelOuter = v;
  Realign();
  Invalidate();
}
void TCustomPanel::SetBevelWidth(int32_t v) {
  FBevelWidth = v;
  Realign();
  Invalidate();
}
void TCustomPanel::SetBorderWidth(int32_t v) {
  FBorderWidth = v;
  Realign();
  Invalidate();
}
void TCustomPanel::SetAlignment(TAlignment v) {
  FAlignment = v;
  Invalidate();
}

void TCustomPanel::AdjustClientRect(RECT& rect) {
  int32_t w = FBorderWidth;
  if (FBevelOuter != bvNone) w += FBevelWidth;
  if (FBevelInner != bvNone) w += FBevelWidth;
  InflateRect(&rect, -w, -w);
}

void TCustomPanel::Paint() {
  RECT r = ClientRect();
  auto frame = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    HDC dc = FCanvas->Handle();
    UINT edge = cut == bvLowered ? BDR_SUNKENOUTER : (cut == bvRaised ? BDR_RAISEDINNER : 0);
    for (int32_t i = 0; i < FBevelWidth; ++i) {
      if (edge) DrawEdge(dc, &r, edge, BF_RECT);
      InflateRect(&r, -1, -1);
    }
  };
  frame(FBevelOuter);
  InflateRect(&r, -FBorderWidth, -FBorderWidth);
  frame(FBevelInner);
  FCanvas->Brush()->SetColor(Color());
  FCanvas->FillRect(r);
  String text = Caption();
  if (!text.empty()) {
    static const UINT aligns[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    FCanvas->Font()->Assign(Font());
    FCanvas->Brush()->SetStyle(bsClear);
    HDC dc = FCanvas->Handle();
    FCanvas->TextExtent(text);  // selects the font into the DC
    ::DrawText(dc, text.c_str(), -1, &r, DT_VCENTER | DT_SINGLELINE | aligns[FAlignment]);
  }
}

// ---- TPaintBox ------------------------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 105;
  FHeight = 105;
}

void TPaintBox::Paint() {
  if (OnPaint) OnPaint(this);
}

// ---- TBevel ---------------------------------------------------------------------------------------

RTL_PUBLISHED(TBevel) {
  prop("Shape", &TBevel::Shape, &TBevel::SetShape).Default(bsBox);
  prop("Style", &TBevel::Style, &TBevel::SetStyle).Default(bsLowered);
}

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle.Include(csReplicatable);
  FWidth = 50;
  FHeight = 50;
}

void TBevel::SetShape(TBevelShape v) {
  if (FShape == v) return;
  FShape = v;
  Invalidate();
}
void TBevel::SetStyle(TBevelStyle v) {
  if (FStyle == v) return;
  FStyle = v;
  Invalidate();
}

void TBevel::Paint() {
  if (FShape == bsSpacer) return;
  HDC dc = FCanvas->Handle();
  RECT r{0, 0, FWidth, FHeight};
  UINT edge = FStyle == bsLowered ? EDGE_SUNKEN : EDGE_RAISED;
  switch (FShape) {
    case bsBox: DrawEdge(dc, &r, FStyle == bsLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT); break;
    case bsFrame: DrawEdge(dc, &r, FStyle == bsLowered ? EDGE_ETCHED : EDGE_BUMP, BF_RECT); break;
    case bsTopLine: DrawEdge(dc, &r, edge, BF_TOP); break;
    case bsBottomLine: DrawEdge(dc, &r, edge, BF_BOTTOM); break;
    case bsLeftLine: DrawEdge(dc, &r, edge, BF_LEFT); break;
    case bsRightLine: DrawEdge(dc, &r, edge, BF_RIGHT); break;
    default: break;
  }
}

// ---- TImage ---------------------------------------------------------------------------------------

RTL_PUBLISHED(TImage) {
  prop("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
  prop("Center", &TImage::Center, &TImage::SetCenter).Default(false);
  prop("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  FPicture = New<TPicture>();
  FPicture->OnChange = TNotifyEvent(this, &TImage::PictureChanged);
  FWidth = 105;
  FHeight = 105;
}

TImage::~TImage() { FreeAndNil(FPicture); }

void TImage::SetStretch(bool v) {
  FStretch = v;
  Invalidate();
}
void TImage::SetCenter(bool v) {
  FCenter = v;
  Invalidate();
}
void TImage::SetTransparent(bool v) {
  FTransparent = v;
  if (FPicture->Graphic()) FPicture->Graphic()->SetTransparent(v);
  Invalidate();
}

void TImage::PictureChanged(TObject*) {
  if (FPicture->Graphic() && FPicture->Graphic()->Transparent() != FTransparent)
    FPicture->Graphic()->SetTransparent(FTransparent);
  Invalidate();
}

RECT TImage::DestRect() const {
  int32_t w = FPicture->Width(), h = FPicture->Height();
  if (FStretch) return RECT{0, 0, FWidth, FHeight};
  if (FCenter) {
    int32_t l = (FWidth - w) / 2, t = (FHeight - h) / 2;
    return RECT{l, t, l + w, t + h};
  }
  return RECT{0, 0, w, h};
}

void TImage::Paint() {
  if (TGraphic* g = FPicture->Graphic(); g && !g->Empty()) g->Draw(FCanvas, DestRect());
}

// ---- TCustomRadioGroup ----------------------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner) : TCustomControl(AOwner), FItems(New<TStringList>()) {
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks, csOpaque, csReplicatable};
  FWidth = 185;
  FHeight = 105;
  FColor = clBtnFace;
  FItems->SetOnChange(TNotifyEvent(this, &TCustomRadioGroup::ItemsChanged));
}

TCustomRadioGroup::~TCustomRadioGroup() {
  FItems->SetOnChange(TNotifyEvent());
  FreeAndNil(FItems);
}

TStrings* TCustomRadioGroup::Items() const { return FItems; }
void TCustomRadioGroup::SetItems(TStrings* v) { FItems->Assign(v); }

void TCustomRadioGroup::ReadState(TReader* reader) {
  FReading = true;
  inherited::ReadState(reader);
  FReading = false;
}

void TCustomRadioGroup::Loaded() {
  inherited::Loaded();
  UpdateButtons();
}

void TCustomRadioGroup::ItemsChanged(TObject*) {
  if (FReading || ComponentState().Contains(csLoading)) return;
  if (FItemIndex >= FItems->Count()) FItemIndex = FItems->Count() - 1;
  UpdateButtons();
}

void TCustomRadioGroup::SetItemIndex(int32_t v) {
  if (FReading || ComponentState().Contains(csLoading)) {
    FItemIndex = v;
    return;
  }
  v = std::clamp(v, -1, FItems->Count() - 1);
  if (v == FItemIndex) return;
  FUpdating = true;
  if (FItemIndex >= 0 && static_cast<size_t>(FItemIndex) < FButtons.size())
    FButtons[static_cast<size_t>(FItemIndex)]->SetChecked(false);
  FItemIndex = v;
  if (v >= 0 && static_cast<size_t>(v) < FButtons.size()) FButtons[static_cast<size_t>(v)]->SetChecked(true);
  if (!FButtons.empty()) FButtons[0]->SetTabStop(v <= 0);
  FUpdating = false;
}

void TCustomRadioGroup::SetColumns(int32_t v) {
  v = std::clamp(v, 1, 16);
  if (v == FColumns) return;
  FColumns = v;
  ArrangeButtons();
  Invalidate();
}

void TCustomRadioGroup::ButtonClick(TObject* sender) {
  if (FUpdating) return;
  for (size_t i = 0; i < FButtons.size(); ++i)
    if (FButtons[i] == sender && static_cast<TRadioButton*>(sender)->Checked()) {
      FItemIndex = static_cast<int32_t>(i);
      Click();
      return;
    }
}

void TCustomRadioGroup::UpdateButtons() {
  FUpdating = true;
  size_t n = static_cast<size_t>(FItems->Count());
  while (FButtons.size() > n) {
    FButtons.back()->Free();
    FButtons.pop_back();
  }
  while (FButtons.size() < n) {
    auto* b = New<TRadioButton>(this);
    b->OnClick = TNotifyEvent(this, &TCustomRadioGroup::ButtonClick);
    b->SetParent(this);
    FButtons.push_back(b);
  }
  for (size_t i = 0; i < n; ++i) {
    FButtons[i]->SetCaption(FItems->Strings(static_cast<int32_t>(i)));
    FButtons[i]->SetChecked(static_cast<int32_t>(i) == FItemIndex);
    FButtons[i]->SetEnabled(Enabled());
  }
  // With nothing checked the first button takes Tab so that the group can be entered.
  if (FItemIndex < 0 && !FButtons.empty()) FButtons[0]->SetTabStop(true);
  FUpdating = false;
  ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
  if (FButtons.empty()) return;
  RECT r = ClientRect();
  AdjustClientRect(r);
  int32_t count = static_cast<int32_t>(FButtons.size());
  int32_t rows = (count + FColumns - 1) / FColumns;
  int32_t colWidth = (r.right - r.left - 8) / FColumns;
  int32_t rowHeight = std::max<int32_t>(1, (r.bottom - r.top) / std::max(rows, 1));
  int32_t textHeight = 17;
  for (int32_t i = 0; i < count; ++i) {
    int32_t col = i / rows, row = i % rows;
    int32_t top = r.top + row * rowHeight + (rowHeight - textHeight) / 2;
    FButtons[static_cast<size_t>(i)]->SetBounds(r.left + 8 + col * colWidth, top, std::max(colWidth - 2, 1), textHeight);
  }
}

void TCustomRadioGroup::WMSize(TMessage& m) {
  inherited::WMSize(m);
  ArrangeButtons();
}

void TCustomRadioGroup::AdjustClientRect(RECT& rect) { AdjustGroupClientRect(Font(), rect); }

void TCustomRadioGroup::Paint() { PaintGroupFrame(FCanvas, ClientRect(), Color(), Font(), Caption()); }

void TCustomRadioGroup::CMTextChanged(TMessage&) {
  Invalidate();
  ArrangeButtons();
}
