#pragma once
// The Office11 look's shared colours: the active colour scheme of the visual style (blue, olive or
// silver), the 65 colours computed from it (or from the system colours when no known scheme is on), the
// brushes and bitmaps made from them, and the gradient, frame, grip and arrow drawing the Office11 painters
// use. The colours are valid after the first Office11ColorsAcquire (or any Office11ColorsRecalc); brushes
// and bitmaps exist while at least one user holds the set. Every user that acquires releases once.

#include <cstdint>

#include "forms/Graphics.h"

// The Luna colour scheme found by the last computation: 0 none, 1 blue, 2 olive, 3 silver.
uint8_t LunaScheme();
// Visual styles on and a known scheme in use.
bool IsLunaSchemeActive();
// Where FillMidToneGradientRect puts its middle tone: blue 41, olive 125, silver 40, other styles 75.
int32_t Office11MidTonePercent();
// The scheme of the current visual style (what the next computation will find).
uint8_t DetectLunaScheme();

extern TColor Office11Color01, Office11Color02, Office11Color03, Office11Color04, Office11Color05,
    Office11Color06, Office11Color07, Office11Color08, Office11Color09, Office11Color10, Office11Color11,
    Office11Color12, Office11Color13, Office11Color14, Office11Color15, Office11Color16, Office11Color17,
    Office11Color18, Office11Color19, Office11Color20, Office11Color21, Office11Color22, Office11Color23,
    Office11Color24, Office11Color25, Office11Color26, Office11Color27, Office11Color28, Office11Color29,
    Office11Color30, Office11Color31, Office11Color32, Office11Color33, Office11Color34, Office11Color35,
    Office11Color36, Office11Color37, Office11Color38, Office11Color39, Office11Color40, Office11Color41,
    Office11Color42, Office11Color43, Office11Color44, Office11Color45, Office11Color46, Office11Color47,
    Office11Color48, Office11Color49, Office11Color50, Office11Color51, Office11Color52, Office11Color53,
    Office11Color54, Office11Color55, Office11Color56, Office11Color57, Office11Color58, Office11Color59,
    Office11Color60, Office11Color61, Office11Color62, Office11Color63, Office11Color64, Office11Color65;
// Colour number n (1 to 65) of the set; clNone outside that range.
TColor Office11Color(int32_t n);

// Solid brushes of the colours of the same number; Office11Brush42 frames, Office11Brush56 is the shadow.
// They belong to the set: users never delete them.
extern HBRUSH Office11Brush19, Office11Brush20, Office11Brush21, Office11Brush22, Office11Brush32,
    Office11Brush39, Office11Brush41, Office11Brush42, Office11Brush47, Office11Brush48, Office11Brush49,
    Office11Brush50, Office11Brush56;

// The submenu expand picture recoloured to the scheme, and the collapse and expand buttons.
extern TBitmap* Office11SubmenuArrowBitmap;
extern TBitmap* Office11CollapseBitmap;
extern TBitmap* Office11ExpandBitmap;
constexpr TColor Office11ExpandButtonColor1 = static_cast<TColor>(RGB(158, 174, 191));
constexpr TColor Office11ExpandButtonColor2 = static_cast<TColor>(RGB(46, 70, 95));

void Office11ColorsAcquire();
void Office11ColorsRelease();
// Computes the colours again and, while the set is held, makes its brushes and bitmaps again (after a
// system colour or theme change).
void Office11ColorsRecalc();
void Office11ColorsCompute();
// How many users hold the set.
int32_t Office11ColorsUseCount();

// Per channel MulDiv(C1, P, 100) + MulDiv(C2, 100 - P, 100), kept within 0..255, as the screen shows it.
TColor MixColorsPercent(TColor AColor1, TColor AColor2, int32_t APercent);
// CalcSystemLightColor (cxGraphics) under the name the Office11 table uses.
TColor CalcLightColor(int8_t ABtnFacePercent, int8_t AHighlightPercent, int8_t AWindowPercent);

bool IsBlackBtnFace();
bool IsWhiteBtnFace();
bool IsBlackFaceWithoutWhiteText();

void FillRectWithColor(HDC DC, const RECT& R, TColor AColor);
void FrameRectWithColor(HDC DC, const RECT& R, TColor AColor);
void FrameOffice11Rect(HDC DC, const RECT& R);
// At most 256 bands from AColor1 to AColor2 across the width (AHorizontal) or the height of R.
void FillGradientRect(HDC DC, const RECT& R, TColor AColor1, TColor AColor2, bool AHorizontal);
// One-pixel bands through a middle tone (Office11MidTonePercent) halfway across R.
void FillMidToneGradientRect(HDC DC, const RECT& R, TColor AColor1, TColor AColor2, bool AHorizontal);
// The colour FillGradientRect paints at X (or Y when not AHorizontal).
TColor GradientColorAt(const RECT& R, int32_t X, TColor AColor1, TColor AColor2, bool AHorizontal);
void DrawOffice11GripDots(HDC DC, const RECT& R, bool AVertical);
void DrawOffice11ArrowInRect(HDC DC, const RECT& R, bool ADown, bool AEnabled, bool ASelected);
void DrawOffice11Arrow(HDC DC, const RECT& R, bool ADown, int32_t ASize, bool AEnabled, bool ASelected);
