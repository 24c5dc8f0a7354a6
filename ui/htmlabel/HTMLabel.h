#pragma once
// A windowless label that shows HTML-formatted text through the HTML engine: links that react to the
// mouse (hand cursor, hover colours, hints) and open web and mail targets, lists, colours, pictures and
// shadows on a plain, gradient or transparent background with bevels and a border.

#include <functional>

#include "forms/Controls.h"
#include "forms/ExtCtrls.h"
#include "forms/ImgList.h"
#include "forms/StdCtrls.h"
#include "rtl/StringLists.h"
#include "ui/htmlabel/HTMLEngine.h"
#include "ui/htmlabel/PictureContainer.h"

enum TAutoSizeType : uint8_t { asVertical, asHorizontal, asBoth };
RTL_ENUM(TAutoSizeType, asVertical, asHorizontal, asBoth)
enum TGradientType : uint8_t { gtFullHorizontal, gtFullVertical, gtBottomLine, gtCenterLine, gtTopLine };
RTL_ENUM(TGradientType, gtFullHorizontal, gtFullVertical, gtBottomLine, gtCenterLine, gtTopLine)
enum TVAlignment : uint8_t { tvaTop, tvaCenter, tvaBottom };
RTL_ENUM(TVAlignment, tvaTop, tvaCenter, tvaBottom)

using TAnchorClick = Event<TObject*, const String&>;
using TAnchorHintEvent = Event<TObject*, String&>;

// Opens a link's target outside the program. The default runs "xdg-open" with the target as its one
// argument (no shell); tests put their own in its place. Returns the one it replaces.
using TURLOpener = std::function<void(const String& url)>;
TURLOpener SetURLOpener(TURLOpener opener);
// Whether a target is one the label hands to the opener: http://, https://, mailto: and file:// (any case).
bool IsOpenableURL(const String& url);
// Starts "xdg-open url" detached from the program; false when it could not be started.
bool ShellOpenURL(const String& url);

class THTMLabel : public TLabel {
  RTL_CLASS(THTMLabel, TLabel)
  RTL_PUBLISHED_DECL
public:
  explicit THTMLabel(TComponent* AOwner);
  ~THTMLabel() override;

  bool AnchorHint() const { return FAnchorHint; }
  void SetAnchorHint(bool v) { FAnchorHint = v; }
  bool AutoSizing() const { return FAutoSizing; }
  void SetAutoSizing(bool v);
  TAutoSizeType AutoSizeType() const { return FAutoSizeType; }
  void SetAutoSizeType(TAutoSizeType v);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut v) { FBevelInner = v; UpdateDisplay(); }
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut v) { FBevelOuter = v; UpdateDisplay(); }
  int32_t BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int32_t v) { FBevelWidth = v; UpdateDisplay(); }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v) { FBorderStyle = v; UpdateDisplay(); }
  int32_t BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int32_t v) { FBorderWidth = v; UpdateDisplay(); }
  TColor ColorTo() const { return FColorTo; }
  void SetColorTo(TColor v) { FColorTo = v; UpdateDisplay(); }
  bool Ellipsis() const { return FEllipsis; }
  void SetEllipsis(bool v);
  TGradientType GradientType() const { return FGradientType; }
  void SetGradientType(TGradientType v) { FGradientType = v; UpdateDisplay(); }
  bool HintShowFull() const { return FHintShowFull; }
  void SetHintShowFull(bool v) { FHintShowFull = v; }
  bool Hover() const { return FHover; }
  void SetHover(bool v) { FHover = v; UpdateDisplay(); }
  TColor HoverColor() const { return FHoverColor; }
  void SetHoverColor(TColor v) { FHoverColor = v; UpdateDisplay(); }
  TColor HoverFontColor() const { return FHoverFontColor; }
  void SetHoverFontColor(TColor v) { FHoverFontColor = v; UpdateDisplay(); }
  bool HTMLHint() const { return FHTMLHint; }
  void SetHTMLHint(bool v) { FHTMLHint = v; }
  TStringList* HTMLText() const { return FHTMLText; }
  // Stores the given lines as one line (line breaks removed).
  void SetHTMLText(TStrings* v);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* v);
  int32_t LineWidth() const { return FLineWidth; }
  void SetLineWidth(int32_t v) { FLineWidth = v; }
  TPictureContainer* PictureContainer() const { return FContainer; }
  void SetPictureContainer(TPictureContainer* v);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor v) { FShadowColor = v; UpdateDisplay(); }
  int32_t ShadowOffset() const { return FShadowOffset; }
  void SetShadowOffset(int32_t v) { FShadowOffset = v; UpdateDisplay(); }
  TColor URLColor() const { return FURLColor; }
  void SetURLColor(TColor v);
  TVAlignment VAlignment() const { return FVAlignment; }
  void SetVAlignment(TVAlignment v);

  // The target of the link at client point (x, y), or "", with that link's rectangle ((-1,-1,-1,-1)
  // when none); the link's index goes to the hovered-link field.
  String IsAnchorAt(int32_t x, int32_t y, RECT& rect);
  String IsAnchorAt(int32_t x, int32_t y) {
    RECT r;
    return IsAnchorAt(x, y, r);
  }
  // The text lines joined without separators.
  virtual String GetLabelHTML();
  virtual void UpdateDisplay();
  // One engine run with the label's images, pictures and word wrap.
  virtual bool RenderText(const RECT& r, THTMLRenderInput in, THTMLRenderOutput& out);

  THTMLPictureCache* PictureCache() const { return FCache; }
  int32_t HoverLink() const { return FHoverLink; }
  RECT HoverRect() const { return FHoverRect; }
  int32_t TextWidth() const { return FXSize; }
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

  TAnchorClick OnAnchorClick;
  TAnchorClick OnAnchorEnter;
  TAnchorClick OnAnchorExit;
  TAnchorHintEvent OnAnchorHint;

  void CMMouseEnter(TMessage& m);
  void CMMouseLeave(TMessage& m);
  void CMHintShow(TMessage& m);

protected:
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;

private:
  void HTMLChanged(TObject*);
  void ImagesChanged(TObject*);
  RECT TextArea();
  void AlignVertically(RECT& r);
  void RepaintRect(const RECT& r);

  bool FAnchorHint = false;
  bool FAutoSizing = false;
  TAutoSizeType FAutoSizeType = asVertical;
  TBevelCut FBevelInner = bvNone, FBevelOuter = bvNone;
  int32_t FBevelWidth = 1;
  TBorderStyle FBorderStyle = bsNone;
  int32_t FBorderWidth = 0;
  TColor FColorTo = clNone;
  bool FEllipsis = false;
  TGradientType FGradientType = gtFullHorizontal;
  bool FHintShowFull = false;
  bool FHover = false;
  TColor FHoverColor = clNone, FHoverFontColor = clNone;
  bool FHTMLHint = false;
  TStringList* FHTMLText;
  TCustomImageList* FImages = nullptr;
  TChangeLink* FImageLink;
  int32_t FLineWidth = 0;
  TPictureContainer* FContainer = nullptr;
  TColor FShadowColor = clGray;
  int32_t FShadowOffset = 2;
  TColor FURLColor = clBlue;
  TVAlignment FVAlignment = tvaTop;
  THTMLPictureCache* FCache;
  int32_t FHoverLink = -1, FOldHoverLink = -1;
  String FAnchor;
  RECT FHoverRect{0, 0, 0, 0};
  int32_t FXSize = 0;
  int32_t FUpdateCount = 0;
  int32_t FMouseX = -1, FMouseY = -1;
  bool FSettingText = false;
};
