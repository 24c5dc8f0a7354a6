#pragma once
// The routines that the bar and menu windows, the item controls and the painters share: glyphs in their
// disabled, faded and shadowed looks, size grips and the frame of sizeable drop-down windows, arrows,
// gradients and tiled backgrounds, clip regions, text wrappers, mouse-leave tracking, windows at a point,
// layered alpha, and the bar unit's small process-wide registries: the item classes with the item-control
// class each is shown with, and the list of live bar windows.
//
// The process-wide values live in the bar unit's state (dxBarUnit, dxBar.h): the unit must be started
// before any of the registries or the checkered brush are used.

#include <cstdint>

#include "forms/Graphics.h"
#include "winapi/UxTheme.h"
#include "winapi/Windows.h"

class TCanvas;
class TBitmap;
class TFont;
class TControl;
class TWinControl;
class TCustomImageList;
class TCustomdxBarControl;
class TdxBarItem;

enum TdxBarItemVisible : uint8_t;

// ---- size grips and sizeable drop-down windows -------------------------------------------------------------

// Height of the grip strip of a sizeable drop-down window.
int32_t GetDropDownGripHeight();
// The corner a drop-down window's grip sits in (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right),
// from the window's rectangle R1 and the rectangle R2 it drops from.
int32_t GetSizeGripCorner(const RECT& R1, const RECT& R2);
// A plain size grip pointing into Corner of Rect; Rect becomes the grip cell.
void DrawSizeGrip(HDC DC, RECT& Rect, int32_t Corner);
// The themed size grip, placed as DrawSizeGrip places its cell.
void DrawThemedSizeGrip(HDC DC, const RECT& Rect, int32_t Corner);
// The plain grip drawn over what is already there: its button-face pixels are left out.
void DrawTransparentSizeGrip(HDC DC, const RECT& Rect);
// Frame and grip strip of a sizeable drop-down window; GripRect and CloseRect come back in client
// coordinates (empty when the window is not sizeable).
void PaintDropDownNonClient(HWND Window, bool Sizeable, bool Flat, int32_t Corner, RECT& GripRect,
                            RECT& CloseRect, bool Hot, bool Pressed);
// The caption close button in the grip strip, on the side away from the grip; answers its rectangle.
RECT DrawDropDownCloseButton(HDC DC, const RECT& StripRect, bool Hot, int32_t Corner, bool Flat, bool Pressed);
void DrawThemedSmallCloseButton(HDC DC, const RECT& Rect, bool Hot, int32_t Corner, bool Pressed);

// ---- text, arrows, frames, gradients ------------------------------------------------------------------------

int DrawTextString(HDC DC, const String& S, RECT& R, UINT Format);
BOOL ExtTextOutString(HDC DC, int X, int Y, UINT Options, const RECT* R, const String& S);
SIZE GetTextExtentString(HDC DC, const String& S);
// S without its accelerator marks: every "&" before the last character goes and the character after it
// stays ("&&" becomes "&"); a trailing "&" stays.
String RemoveAmpersands(const String& S);
// A filled triangle centred in Rect, pointing right (Horizontal) or down, in the colours of its state.
void DrawArrow(HDC DC, const RECT& Rect, bool Horizontal, bool Flat, bool Selected, bool Enabled);
void DrawHighlightFrame(HDC DC, const RECT& Rect);
// A vertical gradient from Color1 to Color2 in 256 bands.
void FillGradientBands(TCanvas* Canvas, const RECT& Rect, TColor Color1, TColor Color2);
// Tiles Bitmap over Rect (tile (i, j) at Rect's origin + (i * width, j * height) - the origin of
// OriginRect, for every tile over OriginRect) when it is not empty; otherwise fills Rect with Brush or,
// without one, with a solid brush of Color.
void FillRectOrBitmap(HDC DC, const RECT& Rect, const RECT& OriginRect, TBitmap* Bitmap, TColor Color,
                      HBRUSH Brush);
TColor GetNearestScreenColor(TColor Color);
// Widths below 20 become 20.
void EnsureMinItemWidth(int32_t& Width);

// The look of a glyph on a bar: TintColor clNone means no tint.
struct TdxBarGlyphParams {
  HBRUSH BackgroundBrush = nullptr;
  RECT PaintRect{};
  TColor ImageListBkColor = clFuchsia;
  TColor TintColor = clNone;
  bool KeepBackground = false;
  bool ShadowStyle = false;
  bool PressedOffset = false;
  bool Down = false;
  bool Hot = false;
  bool Faded = false;
  bool Grayscale = false;
  bool Enabled = true;
  int32_t ImageIndex = -1;
  TCustomImageList* ImageList = nullptr;
  TBitmap* Bitmap = nullptr;
  RECT GlyphRect{};
};
void DrawBarGlyph(HDC DC, const TdxBarGlyphParams& P);

// ---- clip regions -----------------------------------------------------------------------------------------

// A copy of DC's clip region (nullptr and AHadRegion false when there is none).
HRGN SaveCurrentClipRegion(HDC DC, bool& AHadRegion);
// Selects the saved region back (or none) and frees the copy.
void RestoreSavedClipRegion(HDC DC, HRGN ARegion, bool AHadRegion);
void AddClipRect(HDC DC, const RECT& R);
void ExcludeRectFromRegion(HRGN ARegion, const RECT& R);

// ---- fonts ----------------------------------------------------------------------------------------------------

// Frees AHandle and makes a new font: with AScaled a copy of AFont at the icon-title font's height (-11
// when that is -10 or smaller in magnitude), else a plain copy.
void MakeDerivedFont(TFont* AFont, HFONT& AHandle, bool AScaled);

// ---- windows -------------------------------------------------------------------------------------------------

void SetLayeredAlpha(HWND Window, uint8_t Alpha);
TControl* FindControlFromWindow(HWND Handle);
bool IsChildWindowOf(HWND Window, HWND Parent);
HWND FindDeepestWindowAtPoint(POINT ScreenPoint);
RECT GetWorkAreaAtPoint(POINT P);
// Every queued mouse message (or WM_PAINT) is dispatched; a WM_QUIT met is posted again and ends the loop.
void DispatchPendingMouseMessages();
void DispatchPendingPaintMessages();
// The menu sounds; this platform has no sound aliases, so they are silent.
void PlayMenuSound(int32_t Kind);
bool IsPrimaryMouseButtonDown();
bool IsSecondaryMouseButtonDown();

// Mouse-leave tracking: WM_MOUSELEAVE reaches the window once the pointer leaves it. Without the system's
// tracking one window at a time is polled every 50 ms.
void StartMouseLeaveTracking(HWND Window);
void CancelMouseLeaveTracking(HWND Window);
bool IsMouseLeaveTracked(HWND Window);
// Whether the system's tracking is used (tests switch to the polling fallback).
bool UsesSystemMouseLeaveTracking();
void SetUsesSystemMouseLeaveTracking(bool AValue);

// ---- themes ---------------------------------------------------------------------------------------------------

int32_t GetEditThemeState(TWinControl* Control);
TColor GetThemedEditColor(HTHEME Theme, int32_t State);
TColor GetThemedEditTextColor(HTHEME Theme, int32_t State);
// The fill colour of the tool bar theme class; the button face when the theme gives none.
TColor GetThemedToolbarColor();

// ---- the bar unit's registries and shared values ------------------------------------------------------------

TdxBarItemVisible BooleanToItemVisible(bool B);

// One registered item class: the item-control class its links are shown with (may be null: such links show
// nothing), and whether the customizing form offers it for new items.
struct TRegItemRecord {
  TClass ItemClass = nullptr;
  TClass ControlClass = nullptr;
  bool OfferedAtDesignTime = false;
};
// Registering also makes the item class known to the component streamer; unregistering forgets both.
void RegisterItemClass(TClass ItemClass, TClass ControlClass, bool OfferedAtDesignTime);
void UnregisterItemClass(TClass ItemClass);
int32_t GetDesignItemClassCount();
TClass GetDesignItemClass(int32_t N);
// The record of exactly that class (not of an ancestor), or nullptr.
const TRegItemRecord* FindRegItemRecord(TClass ItemClass);

void AddBarControl(TCustomdxBarControl* ABarControl);
void RemoveBarControl(TCustomdxBarControl* ABarControl);
bool IsBarControlAlive(const TObject* ABarControl);
int32_t BarControlCount();
TCustomdxBarControl* BarControls(int32_t Index);
// The innermost active bar or menu window (the head of the active chain), or nullptr.
TCustomdxBarControl* GetActiveBarControl();
void SetActiveBarControl(TCustomdxBarControl* AValue);
// The top window of the chain ABarControl is in (through the windows each was opened from); the toolbar
// form answers nullptr when that top window is a menu.
TCustomdxBarControl* GetRootBarControl(TCustomdxBarControl* ABarControl);
TCustomdxBarControl* GetRootToolbarControl(TCustomdxBarControl* ABarControl);
// A toolbar window docked left or right; and one whose bar turns its captions there.
bool IsVerticalToolbar(TCustomdxBarControl* ABarControl);
bool IsRotatedVerticalToolbar(TCustomdxBarControl* ABarControl);
bool IsAnyPopupMenuShowing();

// The screen's colour depth (refreshed at start-up and on system colour changes).
int32_t ScreenColorDepth();
void RefreshScreenDepth();
// The 8 x 8 pattern brush that pressed check buttons are painted with.
HBRUSH CheckeredBrush();
void RecreateCheckeredBrush();
