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

// The set by number; entry 0 is unused so that Office11Colors[n] is colour n.
inline TColor Office11Colors[66] = {};
inline TColor& Office11Color01 = Office11Colors[1];
inline TColor& Office11Color02 = Office11Colors[2];
inline TColor& Office11Color03 = Office11Colors[3];
inline TColor& Office11Color04 = Office11Colors[4];
inline TColor& Office11Color05 = Office11Colors[5];
inline TColor& Office11Color06 = Office11Colors[6];
inline TColor& Office11Color07 = Office11Colors[7];
inline TColor& Office11Color08 = Office11Colors[8];
inline TColor& Office11Color09 = Office11Colors[9];
inline TColor& Office11Color10 = Office11Colors[10];
inline TColor& Office11Color11 = Office11Colors[11];
inline TColor& Office11Color12 = Office11Colors[12];
inline TColor& Office11Color13 = Office11Colors[13];
inline TColor& Office11Color14 = Office11Colors[14];
inline TColor& Office11Color15 = Office11Colors[15];
inline TColor& Office11Color16 = Office11Colors[16];
inline TColor& Office11Color17 = Office11Colors[17];
inline TColor& Office11Color18 = Office11Colors[18];
inline TColor& Office11Color19 = Office11Colors[19];
inline TColor& Office11Color20 = Office11Colors[20];
inline TColor& Office11Color21 = Office11Colors[21];
inline TColor& Office11Color22 = Office11Colors[22];
inline TColor& Office11Color23 = Office11Colors[23];
inline TColor& Office11Color24 = Office11Colors[24];
inline TColor& Office11Color25 = Office11Colors[25];
inline TColor& Office11Color26 = Office11Colors[26];
inline TColor& Office11Color27 = Office11Colors[27];
inline TColor& Office11Color28 = Office11Colors[28];
inline TColor& Office11Color29 = Office11Colors[29];
inline TColor& Office11Color30 = Office11Colors[30];
inline TColor& Office11Color31 = Office11Colors[31];
inline TColor& Office11Color32 = Office11Colors[32];
inline TColor& Office11Color33 = Office11Colors[33];
inline TColor& Office11Color34 = Office11Colors[34];
inline TColor& Office11Color35 = Office11Colors[35];
inline TColor& Office11Color36 = Office11Colors[36];
inline TColor& Office11Color37 = Office11Colors[37];
inline TColor& Office11Color38 = Office11Colors[38];
inline TColor& Office11Color39 = Office11Colors[39];
inline TColor& Office11Color40 = Office11Colors[40];
inline TColor& Office11Color41 = Office11Colors[41];
inline TColor& Office11Color42 = Office11Colors[42];
inline TColor& Office11Color43 = Office11Colors[43];
inline TColor& Office11Color44 = Office11Colors[44];
inline TColor& Office11Color45 = Office11Colors[45];
inline TColor& Office11Color46 = Office11Colors[46];
inline TColor& Office11Color47 = Office11Colors[47];
inline TColor& Office11Color48 = Office11Colors[48];
inline TColor& Office11Color49 = Office11Colors[49];
inline TColor& Office11Color50 = Office11Colors[50];
inline TColor& Office11Color51 = Office11Colors[51];
inline TColor& Office11Color52 = Office11Colors[52];
inline TColor& Office11Color53 = Office11Colors[53];
inline TColor& Office11Color54 = Office11Colors[54];
inline TColor& Office11Color55 = Office11Colors[55];
inline TColor& Office11Color56 = Office11Colors[56];
inline TColor& Office11Color57 = Office11Colors[57];
inline TColor& Office11Color58 = Office11Colors[58];
inline TColor& Office11Color59 = Office11Colors[59];
inline TColor& Office11Color60 = Office11Colors[60];
inline TColor& Office11Color61 = Office11Colors[61];
inline TColor& Office11Color62 = Office11Colors[62];
inline TColor& Office11Color63 = Office11Colors[63];
inline TColor& Office11Color64 = Office11Colors[64];
inline TColor& Office11Color65 = Office11Colors[65];
// Colour number n (1 to 65) of the set; clNone outside that range.
TColor Office11Color(int32_t n);

// The grid's Office11 group rows read three colours of the set under their own names: the background where a
// group style has no record (the group row colour), the group row text, and the 2-pixel line under a group row.
inline TColor& Office11GroupBackgroundColor = Office11Colors[59];
inline TColor& Office11GroupTextColor = Office11Colors[64];
inline TColor& Office11GroupLineColor = Office11Colors[65];

// Solid brushes of the colours of the same number; Office11Brush42 frames, Office11Brush56 is the shadow.
// They belong to the set: users never delete them.
inline HBRUSH Office11Brush19 = nullptr;
inline HBRUSH Office11Brush20 = nullptr;
inline HBRUSH Office11Brush21 = nullptr;
inline HBRUSH Office11Brush22 = nullptr;
inline HBRUSH Office11Brush32 = nullptr;
inline HBRUSH Office11Brush39 = nullptr;
inline HBRUSH Office11Brush41 = nullptr;
inline HBRUSH Office11Brush42 = nullptr;
inline HBRUSH Office11Brush47 = nullptr;
inline HBRUSH Office11Brush48 = nullptr;
inline HBRUSH Office11Brush49 = nullptr;
inline HBRUSH Office11Brush50 = nullptr;
inline HBRUSH Office11Brush56 = nullptr;

// The submenu expand picture recoloured to the scheme, and the collapse and expand buttons.
inline TBitmap* Office11SubmenuArrowBitmap = nullptr;
inline TBitmap* Office11CollapseBitmap = nullptr;
inline TBitmap* Office11ExpandBitmap = nullptr;
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
