// The container control: geometry and shape of its frame, painting, the state styles with hot tracking,
// and the inner control it hosts (messages, focus, clipping and painted scroll bars).

#include "ui/editors/cxContainer.h"

#include <algorithm>

#include "rtl/ObjLinks.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/Messages.h"
#include "winapi/UxTheme.h"

namespace {

constexpr int32_t kContainerBorderWidths[7] = {0, 1, 2, 2, 2, 1, 1};
constexpr int32_t kLookAndFeelKindBorderWidths[4] = {2, 2, 1, 1};
constexpr int32_t kContainerShadowDepth = 3;
// The fixed frame a transparent border reserves on each side.
constexpr int32_t kTransparentBorderWidth = 2;

TcxCanvas* gContainerScreenCanvas = nullptr;

// Holds a flag for a scope, released also when an exception passes.
class TcxFlagLock {
public:
  explicit TcxFlagLock(bool& AFlag) : FFlag(AFlag), FOld(AFlag) { FFlag = true; }
  ~TcxFlagLock() { FFlag = FOld; }
  TcxFlagLock(const TcxFlagLock&) = delete;
  TcxFlagLock& operator=(const TcxFlagLock&) = delete;

private:
  bool& FFlag;
  bool FOld;
};

bool IsRectEmptyOrInverted(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }

}  // namespace

// ---- routines of the unit ----------------------------------------------------------------------------------

void AssignFont(TFont* ADest, TFont* ASource) { ADest->Assign(ASource); }

uint8_t ConvertMouseButton(TMouseButton AButton) {
  switch (AButton) {
    case mbLeft: return 1;
    case mbRight: return 2;
    case mbMiddle: return 3;
    default: return 0;
  }
}

void DrawContainerShadow(TcxCanvas* ACanvas, const RECT& R) {
  ACanvas->Brush()->SetColor(clBtnShadow);
  ACanvas->FillRect(RECT{R.left + kContainerShadowDepth, R.bottom, R.right, R.bottom + kContainerShadowDepth});
  ACanvas->ExcludeFromClip(RECT{R.left, R.bottom, R.right, R.bottom + kContainerShadowDepth});
  ACanvas->FillRect(RECT{R.right, R.top + kContainerShadowDepth, R.right + kContainerShadowDepth,
                         R.bottom + kContainerShadowDepth});
  ACanvas->ExcludeFromClip(RECT{R.right, R.top, R.right + kContainerShadowDepth, R.bottom + kContainerShadowDepth});
}

void ShrinkRectByBorders(RECT& R, const RECT& AWidths) {
  R.left += AWidths.left;
  R.top += AWidths.top;
  R.right -= AWidths.right;
  R.bottom -= AWidths.bottom;
}

int32_t GetContainerBorderWidth(TcxContainerBorderStyle ABorderStyle) {
  return ABorderStyle <= cbsOffice11 ? kContainerBorderWidths[ABorderStyle] : 0;
}

int32_t GetLookAndFeelKindBorderWidth(TcxLookAndFeelKind AKind) {
  return AKind <= lfOffice11 ? kLookAndFeelKindBorderWidths[AKind] : 0;
}

RECT GetControlRect(TControl* AControl) { return RECT{0, 0, AControl->Width(), AControl->Height()}; }

TcxContainer* GetInnerControlContainer(TWinControl* AControl) {
  if (!AControl) return nullptr;
  if (auto* c = dynamic_cast<TcxContainer*>(AControl)) return c;
  if (auto* inner = dynamic_cast<IcxContainerInnerControl*>(AControl)) return inner->GetControlContainer();
  return nullptr;
}

HRGN CreateVisibleShapeRegion(const RECT& R, bool ANoRegion, const RECT& AExcludeR, bool AShadow) {
  if (ANoRegion) return nullptr;
  HRGN result = CreateRectRgnIndirect(&R);
  if (AShadow) {
    HRGN shadow = CreateRectRgn(R.left + kContainerShadowDepth, R.top + kContainerShadowDepth,
                                R.right + kContainerShadowDepth, R.bottom + kContainerShadowDepth);
    CombineRgn(result, result, shadow, RGN_OR);
    DeleteObject(shadow);
  }
  if (!IsRectEmptyOrInverted(AExcludeR)) {
    HRGN exclude = CreateRectRgnIndirect(&AExcludeR);
    CombineRgn(result, result, exclude, RGN_DIFF);
    DeleteObject(exclude);
  }
  return result;
}

bool IsWindowOfControl(TWinControl* AControl, HWND AWnd) {
  return AControl && AControl->HandleAllocated() && AControl->Handle() == AWnd;
}

void ExcludeMissingEdges(RECT& R, int32_t AWidth, TcxBorders AEdges) {
  if (!AEdges.Contains(bLeft)) R.left += AWidth;
  if (!AEdges.Contains(bTop)) R.top += AWidth;
  if (!AEdges.Contains(bRight)) R.right -= AWidth;
  if (!AEdges.Contains(bBottom)) R.bottom -= AWidth;
}

bool IsSameString(const String& S1, const String& S2, bool ACaseSensitive) {
  return ACaseSensitive ? AnsiCompareStr(S1, S2) == 0 : AnsiUpperCase(S1) == AnsiUpperCase(S2);
}

void FillRectRing(TcxCanvas* ACanvas, const RECT& AOuter, const RECT& AInner, TColor AColor) {
  if (IsRectEmptyOrInverted(AOuter) || EqualRect(&AOuter, &AInner)) return;
  ACanvas->Brush()->SetColor(AColor);
  if (IsRectEmptyOrInverted(AInner)) {
    ACanvas->FillRect(AOuter);
    return;
  }
  ACanvas->FillRect(RECT{AOuter.left, AOuter.top, AInner.left, AOuter.bottom});
  ACanvas->FillRect(RECT{AInner.left, AOuter.top, AInner.right, AInner.top});
  ACanvas->FillRect(RECT{AInner.right, AOuter.top, AOuter.right, AOuter.bottom});
  ACanvas->FillRect(RECT{AInner.left, AInner.bottom, AInner.right, AOuter.bottom});
}

void GetMouseCursorPos(POINT& P) { GetCursorPos(&P); }

TShiftState GetCurrentShiftState() {
  TShiftState result;
  if (GetKeyState(VK_SHIFT) < 0) result.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) result.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) result.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) result.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) result.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) result.Include(ssMiddle);
  return result;
}

void InvalidateBorderArea(HWND AWnd, const RECT& AOuter, const RECT& AInner, bool AErase) {
  if (IsRectEmptyOrInverted(AInner)) {
    InvalidateRect(AWnd, &AOuter, AErase);
    return;
  }
  const RECT strips[4] = {
      {AOuter.left, AOuter.top, AInner.left, AOuter.bottom},
      {AInner.left, AOuter.top, AInner.right, AInner.top},
      {AInner.right, AOuter.top, AOuter.right, AOuter.bottom},
      {AInner.left, AInner.bottom, AInner.right, AOuter.bottom},
  };
  for (const RECT& r : strips)
    if (!IsRectEmptyOrInverted(r)) InvalidateRect(AWnd, &r, AErase);
}

void InvalidateControlRect(TWinControl* AControl, const RECT& R, bool AErase) {
  if (AControl && AControl->HandleAllocated()) InvalidateRect(AControl->Handle(), &R, AErase);
}

bool IsControlWindowVisible(TWinControl* AControl) {
  return AControl && AControl->HandleAllocated() && IsWindowVisible(AControl->Handle());
}

TcxCanvas* GetContainerScreenCanvas() {
  if (!gContainerScreenCanvas) gContainerScreenCanvas = New<TcxScreenCanvas>();
  return gContainerScreenCanvas;
}

void cxContainerFreeScreenCanvas() { FreeAndNil(gContainerScreenCanvas); }

void SetControlClipRegion(TWinControl* AControl, const TcxContainerInnerControlBounds& AClip) {
  if (!AControl || !AControl->HandleAllocated()) return;
  HRGN region = AClip.IsEmpty ? nullptr : CreateRectRgnIndirect(&AClip.Rect);
  SetWindowRgn(AControl->Handle(), region, FALSE);
}

void SetWindowShapeRegion(HWND AWnd, const RECT& R, bool ANoRegion, const RECT& AExcludeR, bool AShadow) {
  HRGN region = CreateVisibleShapeRegion(R, ANoRegion, AExcludeR, AShadow);
  HRGN current = CreateRectRgn(0, 0, 0, 0);
  bool hasCurrent = GetWindowRgn(AWnd, current) != ERROR;
  bool apply = (region || hasCurrent) && !(region && hasCurrent && EqualRgn(region, current));
  DeleteObject(current);
  if (apply)
    SetWindowRgn(AWnd, region, TRUE);  // the window owns the region from now on
  else if (region)
    DeleteObject(region);
}

bool IsScrollBarInfoAvailable() {
  // The platform layer always answers GetScrollBarInfo.
  return true;
}

bool IsNativeThemePartAvailable(bool ANativeStyle, TdxThemedObjectType AThemeType) {
  return ANativeStyle && OpenTheme(AThemeType) != nullptr;
}

TColor cxOffice11HighlightColor() {
  if (Office11ColorsUseCount() == 0) Office11ColorsCompute();
  TColor c = Office11Color42;
  return c != 0 || Office11ColorsUseCount() > 0 ? c : static_cast<TColor>(ColorToRGB(clHighlight));
}

// ---- TcxContainerViewInfo ---------------------------------------------------------------------------------

void TcxContainerViewInfo::Assign(TObject* Source) {
  if (auto* src = dynamic_cast<TcxContainerViewInfo*>(Source)) ClientRect = src->ClientRect;
}

TcxRegion* TcxContainerViewInfo::GetChangedRegion(TcxContainerViewInfo* AViewInfo) {
  (void)AViewInfo;
  return new TcxRegion();
}

void TcxContainerViewInfo::OffsetRects(int32_t DX, int32_t DY) {
  OffsetRect(&BorderRect, DX, DY);
  OffsetRect(&Bounds, DX, DY);
  OffsetRect(&ClientRect, DX, DY);
}

void TcxContainerViewInfo::DrawBorder(TcxCanvas* ACanvas, RECT R) {
  switch (BorderStyle) {
    case cbsSingle:
    case cbsThick:
      ACanvas->FrameRect(R, BorderColor, BorderWidth, cxBordersAll);
      break;
    case cbsFlat:
      ACanvas->DrawBevelEdge(R, true, true, Edges);
      InflateRect(&R, -1, -1);
      ACanvas->FrameRect(R, clBtnFace, 1, cxBordersAll);
      break;
    case cbs3D:
      ACanvas->DrawBevelEdge(R, true, true, Edges);
      InflateRect(&R, -1, -1);
      ACanvas->DrawTwoColorFrame(R, cl3DDkShadow, cl3DLight, Edges, 1);
      break;
    default:
      break;
  }
}

void TcxContainerViewInfo::PaintBackground(TcxCanvas* ACanvas) {
  if (NativeStyle) {
    if (GetContainerBorderStyle() == cbsNone) {
      ACanvas->Brush()->SetColor(BackgroundColor);
      ACanvas->FillRect(Bounds);
      return;
    }
    RECT content = Bounds;
    if (HTHEME theme = OpenTheme(ThemedObjectType))
      GetThemeBackgroundContentRect(theme, ACanvas->Handle(), NativePart, NativeState, &Bounds, &content);
    ACanvas->Brush()->SetColor(BackgroundColor);
    ACanvas->FillRect(content);
    COLORREF ring = ColorToRGB(clWindowFrame);
    if (HTHEME combo = OpenTheme(totComboBox)) GetThemeColor(combo, 1, 1, TMT_BORDERCOLOR, &ring);
    FillRectRing(ACanvas, Bounds, content, static_cast<TColor>(ring));
    return;
  }
  RECT r = BorderRect;
  r.left -= BorderWidth;
  r.top -= BorderWidth;
  if (Edges.Contains(bRight)) r.right += BorderWidth;
  if (Edges.Contains(bBottom)) r.bottom += BorderWidth;
  if (Shadow) DrawContainerShadow(ACanvas, r);
  if (!Edges.Contains(bRight)) r.right += BorderWidth;
  if (!Edges.Contains(bBottom)) r.bottom += BorderWidth;
  DrawBorder(ACanvas, r);
  ACanvas->Brush()->SetColor(BackgroundColor);
  ACanvas->FillRect(BorderRect);
}

// ---- TcxContainer: life -----------------------------------------------------------------------------------

RTL_PUBLISHED(TcxContainer) {
  prop("TabStop", &TcxContainer::TabStop, &TcxContainer::SetTabStop).Default(true);
}

TcxContainer::TcxContainer(TComponent* AOwner) : TcxControl(AOwner) {}

int32_t TcxContainer::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}

TcxContainer::~TcxContainer() {
  if (FInnerBrush) DeleteObject(FInnerBrush);
  FreeAndNil(FViewInfo);
  if (FStyles) {
    FStyles->SetOnChanged(TNotifyEvent());
    FreeAndNil(FStyles);
  }
}

void TcxContainer::AfterConstruction() {
  inherited::AfterConstruction();
  FStyles = GetStylesClass().Create(this, GetStyleClass());
  FStyles->SetOnChanged(TNotifyEvent(this, &TcxContainer::StyleChanged));
  FActiveStyleState = TcxContainerState{csNormal};
  FActiveStyle = FStyles->GetNormalStyle();
  FViewInfo = CreateAs<TcxContainerViewInfo>(GetViewInfoClass());
  LookAndFeel()->SetMaster(GetStyle()->LookAndFeel());
  SetControlStyle(ControlStyle() + csCaptureMouse + csSetCaption);
  SetTabStop(true);
  {
    TcxFlagLock internal(FInternalSetting);
    SetParentColor(DefaultParentColor() && !IsInplace() && !GetStyle()->IsValueAssigned(svColor));
    if (!ParentColor()) SetColor(clWindow);
  }
  FInnerControlBounds.IsEmpty = true;
  FIsCreating = false;
}

void TcxContainer::BeforeDestruction() {
  FIsDestroying = true;
  StopMouseTracking(this);
  inherited::BeforeDestruction();
}

void TcxContainer::Loaded() {
  inherited::Loaded();
  StyleChanged(GetStyle());
}

void TcxContainer::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TcxContainer::CreateHandle() {
  inherited::CreateHandle();
  RefreshHotTrackState();
}

void TcxContainer::SetInnerControl(TWinControl* AValue) {
  if (FInnerControl && FInnerControl != AValue) FInnerControl->RemoveFreeNotification(this);
  FInnerControl = AValue;
  // The inner control may go before the container (its owner may be another component).
  if (FInnerControl) FInnerControl->FreeNotification(this);
  InvalidateInnerControlBounds();
}

void TcxContainer::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FInnerControl) FInnerControl = nullptr;
}

void TcxContainer::LockAlignControls(bool ALock) {
  if (ALock)
    ++FLockAlignControlsCount;
  else if (FLockAlignControlsCount > 0)
    --FLockAlignControlsCount;
}

void TcxContainer::LockPopupMenu(bool ALock) {
  if (ALock)
    ++FPopupMenuLockCount;
  else if (FPopupMenuLockCount > 0)
    --FPopupMenuLockCount;
}

// ---- styles -----------------------------------------------------------------------------------------------

TcxContainerStyle* TcxContainer::GetActiveStyle() {
  TcxContainerState state = FViewInfo->ContainerState;
  if (state.Contains(csDisabled)) return GetStyleDisabled();
  if (!GetStyle()->HotTrack()) return GetStyle();
  if (state.Contains(csActive)) return GetStyleFocused();
  if (state.Contains(csHotTrack)) return GetStyleHot();
  return GetStyle();
}

TcxContainerStyle* TcxContainer::GetCurrentStyle() {
  if (!FViewInfo) return GetStyle();
  if (!(FActiveStyleState == FViewInfo->ContainerState) || !FActiveStyle) {
    FActiveStyle = GetActiveStyle();
    FActiveStyleState = FViewInfo->ContainerState;
  }
  return FActiveStyle;
}

void TcxContainer::StyleChanged(TObject* Sender) {
  (void)Sender;
  if (FIsCreating || ComponentState().Contains(csLoading) || IsDestroying()) return;
  // A style change may also change which style is active now.
  FActiveStyle = nullptr;
  RefreshHotTrackState(false);
  TColor color = GetStyle()->GetEffectiveColor();
  if (color != Color()) {
    TcxFlagLock internal(FInternalSetting);
    if (ParentColor()) SetParentColor(false);
    SetColor(color);
  }
  // Taking the style's font must not end following the parent's font: with ParentFont on, the style's
  // font is the parent's anyway.
  TcxFlagLock internal(FInternalSetting);
  bool parentFont = ParentFont();
  SetFont(GetStyle()->Font());
  if (parentFont) FParentFont = true;
}

void TcxContainer::ApplyColorChange() {
  if (FInternalSetting) {
    inherited::ApplyColorChange();
    RefreshHotTrackState(false);
  } else {
    GetStyle()->SetColor(Color());
  }
}

void TcxContainer::FontChanged() {
  if (FInternalSetting) {
    inherited::FontChanged();
    AdjustLayout();
    UpdateScrollBars(false);
    RefreshHotTrackState(false);
    return;
  }
  TcxContainerStyle* normal = GetStyle();
  bool wasAssigned = normal->FAssignedValues.Contains(svFont);
  normal->SetFont(Font());
  if (!wasAssigned) normal->FAssignedValues.Exclude(svFont);
}

void TcxContainer::CMParentColorChanged(TMessage& Message) {
  TcxContainerStyle* normal = GetStyle();
  bool wasAssigned = normal->FAssignedValues.Contains(svColor);
  inherited::WndProc(Message);
  if (!wasAssigned || ParentColor()) normal->FAssignedValues.Exclude(svColor);
  if (normal->Color() != Color()) StyleChanged(normal);
}

void TcxContainer::CMParentFontChanged(TMessage& Message) {
  TcxContainerStyle* normal = GetStyle();
  bool wasAssigned = normal->FAssignedValues.Contains(svFont);
  inherited::WndProc(Message);
  if (!ParentFont()) normal->SyncFont();
  if (!wasAssigned || ParentFont()) normal->FAssignedValues.Exclude(svFont);
}

void TcxContainer::CMEnabledChanged(TMessage& Message) {
  inherited::WndProc(Message);
  EnabledChanged();
}

void TcxContainer::EnabledChanged() {
  if (HasScrollBars() && HScrollBar()) {
    HScrollBar()->SetEnabled(Enabled());
    VScrollBar()->SetEnabled(Enabled());
  }
  RefreshHotTrackState(false);
}

void TcxContainer::ApplyStyleToInnerControl() {
  if (!FInnerControl) return;
  FInnerControl->SetColor(FViewInfo->BackgroundColor);
  FInnerControl->SetFont(GetCurrentStyle()->GetVisibleFont());
}

// ---- geometry ---------------------------------------------------------------------------------------------

void TcxContainer::GetBorderExtent(RECT& R) {
  TcxContainerStyle* style = GetCurrentStyle();
  int32_t bw = GetContainerBorderWidth(FViewInfo->BorderStyle);
  if (style->TransparentBorder())
    R = RECT{kTransparentBorderWidth, kTransparentBorderWidth, kTransparentBorderWidth, kTransparentBorderWidth};
  else if (!style->HasBorder())
    R = RECT{0, 0, 0, 0};
  else if (FViewInfo->NativeStyle) {
    int32_t w = GetStyle()->BorderStyle() == cbsNone ? 0 : kTransparentBorderWidth;
    R = RECT{w, w, w, w};
  } else {
    TcxBorders edges = style->Edges();
    R = RECT{edges.Contains(bLeft) ? bw : 0, edges.Contains(bTop) ? bw : 0, edges.Contains(bRight) ? bw : 0,
             edges.Contains(bBottom) ? bw : 0};
  }
  if (HasShadow()) {
    R.right += kContainerShadowDepth;
    R.bottom += kContainerShadowDepth;
  }
}

void TcxContainer::GetVisibleBounds(RECT& R) {
  R = RECT{0, 0, Width(), Height()};
  if (IsInplace()) return;
  if (FViewInfo->Shadow) {
    R.right -= kContainerShadowDepth;
    R.bottom -= kContainerShadowDepth;
  }
  TcxContainerStyle* style = GetCurrentStyle();
  int32_t bw = GetContainerBorderWidth(FViewInfo->BorderStyle);
  if (GetStyle()->HasBorder()) {
    if (!FViewInfo->NativeStyle) {
      if (style->TransparentBorder()) {
        InflateRect(&R, bw - kTransparentBorderWidth, bw - kTransparentBorderWidth);
        ExcludeMissingEdges(R, bw, FViewInfo->Edges);
      }
    } else if (FViewInfo->BorderStyle == cbsNone && style->TransparentBorder()) {
      InflateRect(&R, -kTransparentBorderWidth, -kTransparentBorderWidth);
    }
  } else if (style->TransparentBorder()) {
    InflateRect(&R, -kTransparentBorderWidth, -kTransparentBorderWidth);
  }
}

void TcxContainer::GetBorderBounds(RECT& R) {
  R = FViewInfo->Bounds;
  RECT extent;
  GetBorderExtent(extent);
  ShrinkRectByBorders(R, extent);
  int32_t w = GetContainerBorderWidth(FViewInfo->GetContainerBorderStyle());
  InflateRect(&R, w, w);
  ExcludeMissingEdges(R, w, GetCurrentStyle()->Edges());
}

bool TcxContainer::HasShadow() { return GetCurrentStyle()->Shadow() && !IsNativeStyle(); }

bool TcxContainer::IsNativeStyle() {
  return GetStyle()->LookAndFeel()->NativeStyle() && IsNativeThemePartAvailable(true, GetThemedObjectType());
}

int32_t TcxContainer::GetNativeState() {
  TcxContainerState state = FViewInfo->ContainerState;
  if (state.Contains(csDisabled)) return 4;
  if (state.Contains(csActive)) return 5;
  if (state.Contains(csHotTrack)) return 2;
  return 1;
}

void TcxContainer::GetContentRect(RECT& R) { R = FViewInfo->ClientRect; }

void TcxContainer::AdjustClientRect(RECT& R) {
  if (!IsDestroying() && FViewInfo) R = FViewInfo->ClientRect;
}

void TcxContainer::CalculateViewInfo(POINT P, bool AHotAllowed) {
  TcxContainerViewInfo* vi = FViewInfo;
  vi->NativeStyle = IsNativeStyle();
  int32_t previousWidth = GetContainerBorderWidth(vi->BorderStyle);
  auto calculateState = [&] {
    TcxContainerState state;
    if (!Enabled())
      state = TcxContainerState{csDisabled};
    else if (IsDesigning())
      state = TcxContainerState{csNormal};
    else if (Focused())
      state = TcxContainerState{csActive};
    else
      state = TcxContainerState{csNormal};
    if (AHotAllowed) {
      RECT visible;
      GetVisibleBounds(visible);
      if (PtInRect(&visible, P)) state.Include(csHotTrack);
    }
    vi->ContainerState = state;
    TcxContainerStyle* style = GetCurrentStyle();
    if (!style->HotTrack())
      vi->HotState = cxHotStateOff;
    else
      vi->HotState = state.Contains(csActive) || state.Contains(csHotTrack) ? cxHotStateHighlighted : cxHotStateOn;
    if (vi->NativeStyle)
      vi->BorderStyle = GetStyle()->BorderStyle();
    else {
      TcxContainerBorderStyle b = style->BorderStyle();
      vi->BorderStyle = b == cbsUltraFlat || b == cbsOffice11 ? cbsSingle : b;
    }
  };
  calculateState();
  // The hot test used the visible bounds of the old border; a narrower border widens them.
  if (!vi->NativeStyle && GetContainerBorderWidth(vi->BorderStyle) < previousWidth) calculateState();

  if (vi->NativeStyle) {
    vi->ThemedObjectType = GetThemedObjectType();
    vi->NativePart = GetNativePart();
    vi->NativeState = GetNativeState();
  }
  TcxContainerStyle* style = GetCurrentStyle();
  vi->Bounds = RECT{0, 0, Width(), Height()};
  RECT extent;
  GetBorderExtent(extent);
  vi->BorderRect = vi->Bounds;
  ShrinkRectByBorders(vi->BorderRect, extent);
  vi->ClientRect = vi->BorderRect;
  vi->BorderWidth = GetContainerBorderWidth(vi->BorderStyle);
  vi->Edges = style->Edges();
  vi->Shadow = HasShadow();

  TcxContainerBorderStyle styleBorder = style->BorderStyle();
  if (styleBorder != cbsUltraFlat && styleBorder != cbsOffice11) {
    vi->BorderColor = style->BorderColor();
  } else {
    TcxContainerState state = vi->ContainerState;
    bool highlighted = state.Contains(csActive) || (state.Contains(csHotTrack) && style->HotTrack()) ||
                       (IsDesigning() && Enabled());
    if (!highlighted)
      vi->BorderColor = clBtnShadow;
    else
      vi->BorderColor = styleBorder == cbsOffice11 ? cxOffice11HighlightColor() : clHighlight;
  }

  TColor background = style->Color();
  if (vi->NativeStyle && vi->ContainerState.Contains(csDisabled)) {
    if (HTHEME theme = OpenTheme(vi->ThemedObjectType)) {
      COLORREF fill;
      if (GetThemeColor(theme, vi->NativePart, vi->NativePart, TMT_FILLCOLOR, &fill) == S_OK)
        background = static_cast<TColor>(fill);
    }
  }
  vi->SetBackgroundColor(background);
}

void TcxContainer::ClipControlRect(const RECT& ABounds, TControl* AControl, TcxContainerInnerControlBounds& AClip) {
  if (!AControl) {
    AClip.IsEmpty = true;
    return;
  }
  AClip.Rect = RECT{0, 0, AControl->Width(), AControl->Height()};
  RECT b = AControl->BoundsRect();
  bool cut = false;
  if (b.left < ABounds.left) {
    AClip.Rect.left += ABounds.left - b.left;
    cut = true;
  }
  if (b.top < ABounds.top) {
    AClip.Rect.top += ABounds.top - b.top;
    cut = true;
  }
  if (b.right > ABounds.right) {
    AClip.Rect.right -= b.right - ABounds.right;
    cut = true;
  }
  if (b.bottom > ABounds.bottom) {
    AClip.Rect.bottom -= b.bottom - ABounds.bottom;
    cut = true;
  }
  AClip.IsEmpty = !cut;
}

void TcxContainer::AlignControls(TControl* AControl, RECT& R) {
  if (ControlStyle().Contains(csAcceptsControls)) {
    inherited::AlignControls(AControl, R);
    return;
  }
  if (FLockAlignControlsCount > 0 || OwnsScrollControl(AControl)) return;
  if (!AControl) inherited::AlignControls(AControl, R);
  if (FIsCreating) return;
  auto* win = dynamic_cast<TWinControl*>(AControl);
  if (win && win->HandleAllocated()) {
    TcxContainerInnerControlBounds clip;
    ClipControlRect(R, win, clip);
    SetControlClipRegion(win, clip);
    FInnerControlBounds = clip;
  }
}

void TcxContainer::AdjustLayout() {
  if (!FInnerControl) return;
  RECT r = FViewInfo->ClientRect;
  RECT b = FInnerControl->BoundsRect();
  if (EqualRect(&r, &b)) return;
  TcxFlagLock lock(FRefreshLock);
  FInnerControl->SetBoundsRect(r);
}

// ---- refreshing ----------------------------------------------------------------------------------------

void TcxContainer::SetWindowShape() {
  if (!HandleAllocated()) return;
  RECT r;
  GetBorderBounds(r);
  RECT none{0, 0, 0, 0};
  SetWindowShapeRegion(Handle(), r, FViewInfo->NativeStyle && FViewInfo->BorderStyle != cbsNone, none,
                       FViewInfo->Shadow);
}

bool TcxContainer::RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) {
  (void)AButton, (void)AIsMouseEvent;
  if (FRefreshLock || IsDestroying()) return true;
  bool hotAllowed = AShift.Empty() && GetCurrentStyle()->HotTrack();
  CalculateViewInfo(P, hotAllowed);
  AdjustLayout();
  ApplyStyleToInnerControl();
  SetWindowShape();
  if (HandleAllocated()) {
    RECT r = ::GetControlRect(this);
    if (!FInnerControl)
      ::InvalidateRect(Handle(), &r, FALSE);
    else
      InvalidateBorderArea(Handle(), r, FViewInfo->BorderRect, false);
  }
  if (FViewInfo->ContainerState.Contains(csHotTrack)) {
    RECT visible;
    GetVisibleBounds(visible);
    StartMouseTracking(this, visible, this);
  }
  return true;
}

bool TcxContainer::RefreshHotTrackState(bool AIsMouseEvent) {
  if (!HandleAllocated() || IsDestroying() || FRefreshingHotTrackState) return false;
  TcxFlagLock guard(FRefreshingHotTrackState);
  POINT p;
  GetMouseCursorPos(p);
  p = ScreenToClient(p);
  return RefreshContainer(p, 0, GetCurrentShiftState(), AIsMouseEvent);
}

void TcxContainer::Resize() {
  inherited::Resize();
  if (!FIsCreating) RefreshHotTrackState();
}

void TcxContainer::FocusChanged() {
  TObjectLink<TcxContainer> alive(this);
  inherited::FocusChanged();
  if (alive) RefreshHotTrackState();
}

void TcxContainer::MouseDownFromInnerControl(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxContainer> alive(this);
  SetInnerControlMouseDown(true);
  try {
    MouseDown(Button, Shift, X, Y);
  } catch (...) {
    if (alive) SetInnerControlMouseDown(false);
    throw;
  }
  if (alive) SetInnerControlMouseDown(false);
}

void TcxContainer::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxContainer> alive(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (alive) RefreshContainer(POINT{X, Y}, ConvertMouseButton(Button), Shift, true);
}

void TcxContainer::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxContainer> alive(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (alive) RefreshContainer(POINT{X, Y}, ConvertMouseButton(Button), Shift, true);
}

void TcxContainer::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxContainer> alive(this);
  inherited::MouseMove(Shift, X, Y);
  if (!alive) return;
  RefreshContainer(POINT{X, Y}, 0, Shift, true);
  RECT visible;
  GetVisibleBounds(visible);
  StartMouseTracking(this, visible, this);
}

void TcxContainer::MouseEnter(TControl* AControl) {
  TObjectLink<TcxContainer> alive(this);
  inherited::MouseEnter(AControl);
  if (!alive) return;
  RefreshHotTrackState(true);
  RECT visible;
  GetVisibleBounds(visible);
  StartMouseTracking(this, visible, this);
}

void TcxContainer::MouseLeave(TControl* AControl) {
  TObjectLink<TcxContainer> alive(this);
  inherited::MouseLeave(AControl);
  if (!alive) return;
  RefreshHotTrackState(true);
  StopMouseTracking(this);
}

void TcxContainer::MouseTrackingLeave() {
  TObjectLink<TcxContainer> alive(this);
  MouseLeave(static_cast<TControl*>(nullptr));
  if (alive) StopMouseTracking(this);
}

// ---- painting -------------------------------------------------------------------------------------------

void TcxContainer::ClipToVisibleShape() {
  RECT r;
  GetBorderBounds(r);
  RECT none{0, 0, 0, 0};
  HRGN region = CreateVisibleShapeRegion(r, FViewInfo->NativeStyle, none, FViewInfo->Shadow);
  if (region) ControlCanvas()->SetClipRegion(new TcxRegion(region), rcmIntersect);
}

void TcxContainer::Paint() {
  if (ControlState().Contains(csPaintCopy)) ClipToVisibleShape();
  if (!ControlCanvas()->RectVisible(FViewInfo->Bounds)) return;
  FViewInfo->Draw(ControlCanvas());
}

// ---- focus and keys --------------------------------------------------------------------------------------

bool TcxContainer::Focused() {
  if (IsDesigning()) return false;
  if (inherited::Focused()) return true;
  return FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused();
}

bool TcxContainer::IsFocusable() {
  return !(FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused());
}

bool TcxContainer::CanFocusOnClick() {
  if (FInnerControlMouseDown) return false;
  if (FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused()) return false;
  return inherited::CanFocusOnClick();
}

void TcxContainer::GetTabOrderList(std::vector<TWinControl*>& List) {
  if (AreChildrenInTabOrder()) {
    inherited::GetTabOrderList(List);
    return;
  }
  // The inner control stands in for the container; while it is the form's active control it takes the
  // container's place, so that Shift+Tab from it does not land on the container and bounce back.
  TCustomForm* form = GetParentForm(this);
  if (!form || !FInnerControl || form->ActiveControl() != FInnerControl) return;
  auto it = std::find(List.begin(), List.end(), static_cast<TWinControl*>(this));
  if (it != List.end()) *it = FInnerControl;
}

void TcxContainer::FocusInnerControl() {
  if (FInnerControl && FInnerControl->CanFocus()) FInnerControl->SetFocus();
}

void TcxContainer::SetFocus() {
  if (IsDesigning() || IsContainerFocused()) return;
  inherited::SetFocus();
  if (FInnerControl && FInnerControl->HandleAllocated() && HandleAllocated() && GetFocus() == Handle()) {
    FocusInnerControl();
    if (TCustomForm* form = GetParentForm(this)) form->FocusControl(FInnerControl);
  }
}

void TcxContainer::KeyDown(uint16_t& Key, TShiftState Shift) {
  TObjectLink<TcxContainer> alive(this);
  inherited::KeyDown(Key, Shift);
  if (!alive) return;
  if (Key == VK_TAB && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt) && Focused() && !SuppressTabNavigation()) {
    Key = 0;
    if (TCustomForm* form = GetParentForm(this)) {
      // The form's tab order holds the inner control in the container's place, so the search starts from
      // the control that has the focus; starting from the container itself would begin again at the top.
      TWinControl* from = form->ActiveControl();
      if (!from || (from != this && !ContainsControl(from))) from = this;
      form->SelectNext(from, !Shift.Contains(ssShift), true);
      if (alive && HandleAllocated() && GetFocus() == Handle()) FocusInnerControl();
    }
  }
}

bool TcxContainer::CheckInnerControlKey(TMessage& Message) {
  if (Message.Msg != CN_KEYDOWN && Message.Msg != CN_SYSKEYDOWN) return false;
  if (!IsMenuShortCutKey(Message)) return false;
  Message.Result = 1;
  return true;
}

void TcxContainer::DoContextPopup(POINT MousePos, bool& Handled) {
  if (FPopupMenuLockCount > 0 || (!(MousePos.x == -1 && MousePos.y == -1) && !CanShowContextPopup(MousePos))) {
    Handled = true;
    return;
  }
  inherited::DoContextPopup(MousePos, Handled);
}

void TcxContainer::StoreDefaultCursor() {
  inherited::StoreDefaultCursor();
  if (FInnerControl) FInnerControl->SetCursor(Cursor());
}

void TcxContainer::SetDragMode(TDragMode Value) {
  TControl::SetDragMode(Value);
  if (FInnerControl) FInnerControl->SetDragMode(Value);
}

void TcxContainer::SetDragKind(TDragKind Value) { FDragKind = Value; }

// ---- messages -------------------------------------------------------------------------------------------

void TcxContainer::WMKillFocus(TMessage& Message) {
  if (FInnerControl && IsWindowOfControl(FInnerControl, reinterpret_cast<HWND>(Message.WParam))) {
    Message.Result = 0;
    return;
  }
  inherited::WndProc(Message);
}

void TcxContainer::WMSetFocus(TMessage& Message) {
  if (!Visible()) return;
  if (FInnerControl && IsWindowOfControl(FInnerControl, reinterpret_cast<HWND>(Message.WParam))) {
    Message.Msg = 0;
    Message.Result = 0;
    return;
  }
  TObjectLink<TcxContainer> alive(this);
  inherited::WndProc(Message);
  if (alive && FInnerControl && FInnerControl->CanFocus()) FocusInnerControl();
}

void TcxContainer::WMSetCursor(TMessage& Message) {
  if (FInnerControl && HandleAllocated() && reinterpret_cast<HWND>(Message.WParam) == Handle() &&
      LOWORD(Message.LParam) == HTCLIENT) {
    POINT p;
    GetCursorPos(&p);
    p = ScreenToClient(p);
    if (!PtInRect(&FViewInfo->ClientRect, p)) {
      ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
      Message.Result = 1;
      return;
    }
  }
  inherited::WndProc(Message);
}

void TcxContainer::WMWindowPosChanging(TMessage& Message) {
  if (IsDestroying()) {
    Message.Result = 0;
    return;
  }
  inherited::WndProc(Message);
  if (HandleAllocated() && GetFocus() == Handle() && FInnerControl && FInnerControl->CanFocus())
    if (TCustomForm* form = GetParentForm(this)) form->FocusControl(FInnerControl);
}

void TcxContainer::WMWindowPosChanged(TMessage& Message) {
  inherited::WndProc(Message);
  if (UsesParentBackground()) RefreshHotTrackState();
}

// The built-in windows ask their parent for their colours; the inner control paints in the colours the
// container gave it from the current style.
LRESULT TcxContainer::InnerControlColor(HDC ADC) {
  TColor color = FInnerControl->Color();
  if (!FInnerBrush || FInnerBrushColor != color) {
    if (FInnerBrush) DeleteObject(FInnerBrush);
    FInnerBrush = CreateSolidBrush(ColorToRGB(color));
    FInnerBrushColor = color;
  }
  SetTextColor(ADC, ColorToRGB(FInnerControl->Font()->Color()));
  SetBkColor(ADC, ColorToRGB(color));
  return reinterpret_cast<LRESULT>(FInnerBrush);
}

void TcxContainer::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      if (FInnerControl && IsWindowOfControl(FInnerControl, reinterpret_cast<HWND>(Message.LParam)) &&
          FInnerControl->Enabled()) {
        Message.Result = InnerControlColor(reinterpret_cast<HDC>(Message.WParam));
        return;
      }
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case CN_KEYDOWN:
    case CN_KEYUP:
    case CN_CHAR:
      // The inner control answers the keys that reach the container's own window.
      if (FInnerControl && FInnerControl->HandleAllocated()) {
        Message.Result = SendMessage(FInnerControl->Handle(), Message.Msg, Message.WParam, Message.LParam);
        return;
      }
      break;
    case WM_SETFOCUS:
      WMSetFocus(Message);
      return;
    case WM_KILLFOCUS:
      WMKillFocus(Message);
      return;
    case WM_NCPAINT:
      Message.Result = 0;
      return;
    case WM_SETCURSOR:
      WMSetCursor(Message);
      return;
    case WM_WINDOWPOSCHANGING:
      WMWindowPosChanging(Message);
      return;
    case WM_WINDOWPOSCHANGED:
      WMWindowPosChanged(Message);
      return;
    case CM_CTL3DCHANGED:
    case CM_SYSCOLORCHANGE: {
      TObjectLink<TcxContainer> alive(this);
      inherited::WndProc(Message);
      if (alive) RefreshHotTrackState();
      return;
    }
    case CM_ENABLEDCHANGED:
      CMEnabledChanged(Message);
      return;
    case CM_PARENTCOLORCHANGED:
      CMParentColorChanged(Message);
      return;
    case CM_PARENTFONTCHANGED:
      CMParentFontChanged(Message);
      return;
    default:
      break;
  }
  inherited::WndProc(Message);
}

// ---- painted scroll bars that mirror the inner control's -------------------------------------------------

bool TcxContainer::GetInnerScrollBarInfo(SCROLLBARINFO& AInfo, TScrollBarKind AKind) {
  if (IsDestroying() || !Parent() || !HandleAllocated() || !FInnerControl || !FInnerControl->HandleAllocated())
    return false;
  AInfo = SCROLLBARINFO{};
  AInfo.cbSize = sizeof(SCROLLBARINFO);
  return GetScrollBarInfo(FInnerControl->Handle(), AKind == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL, &AInfo) !=
         FALSE;
}

bool TcxContainer::IsScrollBarVisible(const SCROLLBARINFO& AInfo) {
  return (AInfo.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
}

bool TcxContainer::IsScrollBarEnabled(TcxScrollBar* AScrollBar, const SCROLLBARINFO& AInfo) {
  return AScrollBar->Parent() && AScrollBar->Parent()->Enabled() && (AInfo.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
}

void TcxContainer::ScrollBarRectToClient(const RECT& AScreenRect, RECT& APlacement) {
  POINT p = ScreenToClient(POINT{AScreenRect.left, AScreenRect.top});
  int32_t w = AScreenRect.right - AScreenRect.left, h = AScreenRect.bottom - AScreenRect.top;
  if (p.x < 0 || p.y < 0 || w > Width() || h > Height())
    APlacement = RECT{0, 0, 0, 0};
  else
    APlacement = RECT{p.x, p.y, w, h};  // left, top, width, height
}

void TcxContainer::SetScrollBarVisible(TcxScrollBar* AScrollBar, bool AVisible) {
  AScrollBar->SetVisible(AVisible);
  if (AVisible) AScrollBar->BringToFront();
}

void TcxContainer::UpdateScrollBar(TcxScrollBar* AScrollBar) {
  SCROLLBARINFO info;
  if (GetInnerScrollBarInfo(info, AScrollBar->Kind()) && IsScrollBarVisible(info)) {
    AScrollBar->SetEnabled(IsScrollBarEnabled(AScrollBar, info));
    RECT placement;
    ScrollBarRectToClient(info.rcScrollBar, placement);
    AScrollBar->SetBounds(placement.left, placement.top, placement.right, placement.bottom);
    SetScrollBarVisible(AScrollBar, !(placement.right == 0 && placement.bottom == 0 && placement.left == 0 &&
                                      placement.top == 0));
  } else {
    SetScrollBarVisible(AScrollBar, false);
  }
}

void TcxContainer::UpdateScrollBars(bool AOnlyPosition) {
  if (!FInnerControl || !HasScrollBars() || IsDestroying() || !IsScrollBarInfoAvailable() || !HScrollBar()) return;
  TcxFlagLock lock(FScrollBarsCalculating);
  for (TcxScrollBar* bar : {static_cast<TcxScrollBar*>(HScrollBar()), static_cast<TcxScrollBar*>(VScrollBar())}) {
    if (!AOnlyPosition) UpdateScrollBar(bar);
    if (!bar->Visible() || !FInnerControl->HandleAllocated()) continue;
    int barKind = bar->Kind() == sbHorizontal ? SB_HORZ : SB_VERT;
    if (AOnlyPosition) {
      bar->SetPosition(GetScrollPos(FInnerControl->Handle(), barKind));
    } else {
      SCROLLINFO si{};
      si.cbSize = sizeof(SCROLLINFO);
      si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
      GetScrollInfo(FInnerControl->Handle(), barKind, &si);
      int32_t page = static_cast<int32_t>(si.nPage);
      if (page > si.nMax) page = si.nMax;
      bar->SetScrollParams(si.nMin, si.nMax, si.nPos, page, true);
    }
  }
}
