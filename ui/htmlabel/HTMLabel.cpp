#include "ui/htmlabel/HTMLabel.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

RTL_PUBLISHED(THTMLabel) {
  prop("AnchorHint", &THTMLabel::AnchorHint, &THTMLabel::SetAnchorHint).Default(false);
  prop("AutoSizing", &THTMLabel::AutoSizing, &THTMLabel::SetAutoSizing).Default(false);
  prop("AutoSizeType", &THTMLabel::AutoSizeType, &THTMLabel::SetAutoSizeType).Default(asVertical);
  prop("BevelInner", &THTMLabel::BevelInner, &THTMLabel::SetBevelInner).Default(bvNone);
  prop("BevelOuter", &THTMLabel::BevelOuter, &THTMLabel::SetBevelOuter).Default(bvNone);
  prop("BevelWidth", &THTMLabel::BevelWidth, &THTMLabel::SetBevelWidth).Default(1);
  prop("BorderStyle", &THTMLabel::BorderStyle, &THTMLabel::SetBorderStyle).Default(bsNone);
  prop("BorderWidth", &THTMLabel::BorderWidth, &THTMLabel::SetBorderWidth).Default(0);
  prop("ColorTo", &THTMLabel::ColorTo, &THTMLabel::SetColorTo).Default(clNone);
  prop("Ellipsis", &THTMLabel::Ellipsis, &THTMLabel::SetEllipsis).Default(false);
  prop("GradientType", &THTMLabel::GradientType, &THTMLabel::SetGradientType).Default(gtFullHorizontal);
  prop("HintShowFull", &THTMLabel::HintShowFull, &THTMLabel::SetHintShowFull).Default(false);
  prop("Hover", &THTMLabel::Hover, &THTMLabel::SetHover).Default(false);
  prop("HoverColor", &THTMLabel::HoverColor, &THTMLabel::SetHoverColor).Default(clNone);
  prop("HoverFontColor", &THTMLabel::HoverFontColor, &THTMLabel::SetHoverFontColor).Default(clNone);
  prop("HTMLHint", &THTMLabel::HTMLHint, &THTMLabel::SetHTMLHint).Default(false);
  prop("HTMLText", &THTMLabel::HTMLText, &THTMLabel::SetHTMLText);
  prop("Images", &THTMLabel::Images, &THTMLabel::SetImages);
  prop("LineWidth", &THTMLabel::LineWidth, &THTMLabel::SetLineWidth).Default(0);
  prop("PictureContainer", &THTMLabel::PictureContainer, &THTMLabel::SetPictureContainer);
  prop("ShadowColor", &THTMLabel::ShadowColor, &THTMLabel::SetShadowColor).Default(clGray);
  prop("ShadowOffset", &THTMLabel::ShadowOffset, &THTMLabel::SetShadowOffset).Default(2);
  prop("URLColor", &THTMLabel::URLColor, &THTMLabel::SetURLColor).Default(clBlue);
  prop("VAlignment", &THTMLabel::VAlignment, &THTMLabel::SetVAlignment).Default(tvaTop);
  event("OnAnchorClick", &THTMLabel::OnAnchorClick, &THTMLabel::OnAnchorClick);
  event("OnAnchorEnter", &THTMLabel::OnAnchorEnter, &THTMLabel::OnAnchorEnter);
  event("OnAnchorExit", &THTMLabel::OnAnchorExit, &THTMLabel::OnAnchorExit);
  event("OnAnchorHint", &THTMLabel::OnAnchorHint, &THTMLabel::OnAnchorHint);
}

RTL_MESSAGE(THTMLabel, CM_MOUSEENTER, CMMouseEnter);
RTL_MESSAGE(THTMLabel, CM_MOUSELEAVE, CMMouseLeave);
RTL_MESSAGE(THTMLabel, CM_HINTSHOW, CMHintShow);

// ---- opening targets --------------------------------------------------------------------------------

namespace {

TURLOpener& Opener() {
  static TURLOpener opener = [](const String& url) { ShellOpenURL(url); };
  return opener;
}

// The full path of a program found on PATH, or "".
String FindOnPath(const char* program) {
  const char* path = std::getenv("PATH");
  String dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t colon = dirs.find(':', start);
    if (colon == String::npos) colon = dirs.size();
    String dir = dirs.substr(start, colon - start);
    if (!dir.empty()) {
      String full = dir + "/" + program;
      if (access(full.c_str(), X_OK) == 0) return full;
    }
    start = colon + 1;
  }
  return String();
}

}  // namespace

TURLOpener SetURLOpener(TURLOpener opener) {
  TURLOpener old = Opener();
  Opener() = opener ? std::move(opener) : TURLOpener([](const String& url) { ShellOpenURL(url); });
  return old;
}

bool IsOpenableURL(const String& url) {
  const String u = UpperCase(url);
  for (const char* scheme : {"HTTP://", "HTTPS://", "MAILTO:", "FILE://"})
    if (u.rfind(scheme, 0) == 0 && u.size() > std::strlen(scheme)) return true;
  return false;
}

bool ShellOpenURL(const String& url) {
  // The target is one argument of the program, never text for a shell. The program runs in a
  // grandchild so that the label's process has no child to wait for.
  const String program = FindOnPath("xdg-open");
  if (program.empty()) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (fork() == 0) {
      const int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
      }
      char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(url.c_str()), nullptr};
      execv(program.c_str(), argv);
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---- THTMLabel --------------------------------------------------------------------------------------

THTMLabel::THTMLabel(TComponent* AOwner)
    : TLabel(AOwner), FHTMLText(New<TStringList>()), FImageLink(New<TChangeLink>()), FCache(New<THTMLPictureCache>()) {
  SetAutoSize(false);
  FHTMLText->SetOnChange(TNotifyEvent(this, &THTMLabel::HTMLChanged));
  FImageLink->OnChange = TNotifyEvent(this, &THTMLabel::ImagesChanged);
}

THTMLabel::~THTMLabel() {
  if (FImages) FImages->UnRegisterChanges(FImageLink);
  FCache->FreePictures();
  FCache->Free();
  FHTMLText->Free();
  FImageLink->Free();
}

void THTMLabel::Loaded() {
  inherited::Loaded();
  SetCaption("");
}

void THTMLabel::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) {
    FImages = nullptr;
    UpdateDisplay();
  }
  if (component == FContainer) {
    FContainer = nullptr;
    UpdateDisplay();
  }
}

void THTMLabel::HTMLChanged(TObject*) {
  if (FSettingText) return;
  FCache->FreePictures();
  UpdateDisplay();
}

void THTMLabel::ImagesChanged(TObject*) { UpdateDisplay(); }

void THTMLabel::SetHTMLText(TStrings* v) {
  String joined;
  if (v) {
    for (int32_t i = 0; i < v->Count(); ++i) joined += v->Strings(i);
  }
  String oneLine;
  for (char ch : joined)
    if (ch != '\r' && ch != '\n') oneLine.push_back(ch);
  FHTMLText->SetText(oneLine);
}

void THTMLabel::SetImages(TCustomImageList* v) {
  if (FImages == v) return;
  if (FImages) {
    FImages->UnRegisterChanges(FImageLink);
    FImages->RemoveFreeNotification(this);
  }
  FImages = v;
  if (FImages) {
    FImages->RegisterChanges(FImageLink);
    FImages->FreeNotification(this);
  }
  UpdateDisplay();
}

void THTMLabel::SetPictureContainer(TPictureContainer* v) {
  if (FContainer == v) return;
  if (FContainer) FContainer->RemoveFreeNotification(this);
  FContainer = v;
  if (FContainer) FContainer->FreeNotification(this);
  UpdateDisplay();
}

void THTMLabel::SetAutoSizing(bool v) {
  FAutoSizing = v;
  if (v) {
    if (Align() == alLeft || Align() == alRight) SetWidth(6);
    if (Align() == alTop || Align() == alBottom) SetHeight(6);
  }
  UpdateDisplay();
}

void THTMLabel::SetAutoSizeType(TAutoSizeType v) {
  FAutoSizeType = v;
  SetAutoSizing(FAutoSizing);
}

void THTMLabel::SetEllipsis(bool v) {
  if (FEllipsis == v) return;
  FEllipsis = v;
  UpdateDisplay();
}

void THTMLabel::SetURLColor(TColor v) {
  if (FURLColor == v) return;
  FURLColor = v;
  UpdateDisplay();
}

void THTMLabel::SetVAlignment(TVAlignment v) {
  if (FVAlignment == v) return;
  FVAlignment = v;
  UpdateDisplay();
}

void THTMLabel::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) UpdateDisplay();
}

String THTMLabel::GetLabelHTML() {
  String s;
  for (int32_t i = 0; i < FHTMLText->Count(); ++i) s += FHTMLText->Strings(i);
  return s;
}

void THTMLabel::UpdateDisplay() { Invalidate(); }

bool THTMLabel::RenderText(const RECT& r, THTMLRenderInput in, THTMLRenderOutput& out) {
  in.Canvas = FCanvas;
  in.HTML = GetLabelHTML();
  in.R = r;
  in.Images = FImages;
  in.Container = FContainer;
  in.Cache = FCache;
  in.WordWrap = !FEllipsis;
  in.FocusLink = -1;
  in.ResFactor = 1.0;
  in.ScaleImages = false;
  in.LineSpacing = 0;
  const bool hit = RenderHTML(in, out);
  FXSize = out.XSize;
  return hit;
}

RECT THTMLabel::TextArea() {
  RECT r = ClientRect();
  if (FBevelInner != bvNone || FBevelOuter != bvNone) InflateRect(&r, -FBevelWidth, -FBevelWidth);
  if (FBorderStyle == bsSingle) InflateRect(&r, -FBorderWidth, -FBorderWidth);
  return r;
}

void THTMLabel::AlignVertically(RECT& r) {
  if (FVAlignment == tvaTop) return;
  THTMLRenderInput in;
  in.CheckOnly = true;
  in.URLColor = in.HoverColor = in.HoverFontColor = in.ShadowColor = clNone;
  THTMLRenderOutput out;
  FCanvas->Font()->Assign(Font());
  RenderText(r, in, out);
  if (out.YSize >= Height()) return;
  if (FVAlignment == tvaCenter)
    r.top += (Height() - out.YSize) / 2;
  else
    r.top = r.bottom - out.YSize;
}

namespace {

// A bevel of width pixels: top and left in one colour, bottom and right in the other; rect shrinks.
void Frame3D(TCanvas* c, RECT& r, TColor topLeft, TColor bottomRight, int32_t width) {
  for (int32_t i = 0; i < width; ++i) {
    if (r.right - r.left < 1 || r.bottom - r.top < 1) return;
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(topLeft);
    c->Polyline({POINT{r.left, r.bottom - 1}, POINT{r.left, r.top}, POINT{r.right - 1, r.top}});
    c->Pen()->SetColor(bottomRight);
    c->Polyline({POINT{r.right - 1, r.top}, POINT{r.right - 1, r.bottom - 1}, POINT{r.left - 1, r.bottom - 1}});
    InflateRect(&r, -1, -1);
  }
}

void Bevel(TCanvas* c, RECT& r, TBevelCut cut, int32_t width) {
  if (cut == bvNone) return;
  if (cut == bvLowered)
    Frame3D(c, r, clBtnShadow, clBtnHighlight, width);
  else
    Frame3D(c, r, clBtnHighlight, clBtnShadow, width);
}

}  // namespace

void THTMLabel::Paint() {
  if (!Caption().empty()) SetCaption("");
  RECT client = ClientRect();
  const int32_t steps = std::max(1, (client.right - client.left) / 4);
  const bool lineGradient = FGradientType == gtBottomLine || FGradientType == gtTopLine || FGradientType == gtCenterLine;
  if (!Transparent()) {
    if (FColorTo == clNone || lineGradient) {
      FCanvas->Brush()->SetColor(Color());
      FCanvas->Brush()->SetStyle(bsSolid);
      FCanvas->FillRect(client);
    } else {
      FillGradientBands(FCanvas, Color(), FColorTo, FGradientType == gtFullHorizontal, client, steps);
    }
  }
  if (lineGradient && FColorTo != clNone) {
    RECT band = client;
    if (FGradientType == gtBottomLine) band.top = band.bottom - 2;
    if (FGradientType == gtTopLine) band.bottom = band.top + 2;
    if (FGradientType == gtCenterLine) {
      band.top = (client.top + client.bottom) / 2;
      band.bottom = band.top + 2;
    }
    FillGradientBands(FCanvas, Color(), FColorTo, true, band, steps);
  }

  FCanvas->Font()->Assign(Font());
  if (FUpdateCount > 0) return;
  RECT frame = client;
  Bevel(FCanvas, frame, FBevelOuter, FBevelWidth);
  if (FBorderWidth > 0 && !Transparent()) Frame3D(FCanvas, frame, Color(), Color(), FBorderWidth);
  Bevel(FCanvas, frame, FBevelInner, FBevelWidth);
  if (FBorderStyle == bsSingle && FBorderWidth > 0) {
    FCanvas->Pen()->SetColor(clBlack);
    FCanvas->Pen()->SetWidth(FBorderWidth);
    FCanvas->Brush()->SetStyle(bsClear);
    FCanvas->Rectangle(client);
    FCanvas->Pen()->SetWidth(1);
  }
  RECT r = TextArea();
  FCanvas->Brush()->SetColor(Color());

  const bool horizontalRoom = FAutoSizeType == asHorizontal || FAutoSizeType == asBoth;
  const bool verticalRoom = FAutoSizeType == asVertical || FAutoSizeType == asBoth;
  const bool alignAllowsWidth = Align() == alNone || Align() == alLeft || Align() == alRight;
  const bool alignAllowsHeight = Align() == alNone || Align() == alTop || Align() == alBottom;
  if (FAutoSizing && horizontalRoom && alignAllowsWidth) r.right += 65535;
  if (FAutoSizing && verticalRoom && alignAllowsHeight) r.bottom += 65535;
  AlignVertically(r);
  FCanvas->Font()->Assign(Font());

  THTMLRenderInput in;
  in.XPos = FMouseX;
  in.YPos = FMouseY;
  in.HoverLink = FHoverLink;
  in.HoverStyle = FHover;
  in.ShadowOffset = FShadowOffset;
  in.ShadowColor = FShadowColor;
  in.URLColor = FURLColor;
  in.HoverColor = FHoverColor;
  in.HoverFontColor = FHoverFontColor;
  THTMLRenderOutput out;
  RenderText(r, in, out);

  if (FAutoSizing) {
    if (verticalRoom && alignAllowsHeight && Height() != out.YSize + 6) SetHeight(out.YSize + 6);
    if (horizontalRoom && alignAllowsWidth && Width() != out.XSize + 6) SetWidth(out.XSize + 6);
  }
}

String THTMLabel::IsAnchorAt(int32_t x, int32_t y, RECT& rect) {
  RECT r = TextArea();
  AlignVertically(r);
  THTMLRenderInput in;
  in.XPos = x;
  in.YPos = y;
  in.CheckOnly = true;
  in.HoverLink = FHoverLink;
  in.HoverStyle = FHover;
  in.URLColor = in.HoverColor = in.HoverFontColor = in.ShadowColor = clNone;
  THTMLRenderOutput out;
  FCanvas->Font()->Assign(Font());
  String anchor;
  if (RenderText(r, in, out)) anchor = out.AnchorVal;
  if (!anchor.empty()) {
    rect = out.HoverRect;
    FHoverLink = out.MouseLink;
  } else {
    rect = RECT{-1, -1, -1, -1};
    FHoverLink = -1;
  }
  return anchor;
}

void THTMLabel::RepaintRect(const RECT& r) {
  TWinControl* parent = Parent();
  if (!parent || !parent->HandleAllocated()) return;
  if (r.right <= r.left || r.bottom <= r.top) {
    Invalidate();
    return;
  }
  RECT moved = r;
  OffsetRect(&moved, Left(), Top());
  InvalidateRect(parent->Handle(), &moved, TRUE);
}

void THTMLabel::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  inherited::MouseMove(shift, x, y);
  FMouseX = x;
  FMouseY = y;
  RECT r;
  const String anchor = IsAnchorAt(x, y, r);
  if (!anchor.empty()) {
    const bool changed = anchor != FAnchor || !EqualRect(&r, &FHoverRect) || FHoverLink != FOldHoverLink;
    if (changed && FHover) RepaintRect(FHoverRect);
    if (Cursor() == crDefault || anchor != FAnchor || FHoverLink != FOldHoverLink) {
      if (FAnchorHint && Application) Application->CancelHint();
      SetCursor(crHandPoint);
      if (OnAnchorEnter) OnAnchorEnter(this, anchor);
      if (FHover) RepaintRect(FHoverRect);
    }
    FAnchor = anchor;
    FOldHoverLink = FHoverLink;
    FHoverRect = r;
    if (FHover) RepaintRect(r);
  } else if (Cursor() == crHandPoint) {
    SetCursor(crDefault);
    if (OnAnchorExit) OnAnchorExit(this, String());
    if (FHover) RepaintRect(FHoverRect);
    FHoverRect = r;
    FAnchor.clear();
    FOldHoverLink = -1;
  }
}

void THTMLabel::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  inherited::MouseDown(button, shift, x, y);
  // Only the left button follows a link.
  if (button != mbLeft) return;
  const String anchor = IsAnchorAt(x, y);
  if (anchor.empty()) return;
  // Web, mail and file targets go to the desktop's opener; every other target (another scheme or a
  // program-defined name) is the program's to handle.
  if (IsOpenableURL(anchor)) {
    Opener()(anchor);
    return;
  }
  if (OnAnchorClick) OnAnchorClick(this, anchor);
}

void THTMLabel::CMMouseEnter(TMessage& m) { inherited::CMMouseEnter(m); }

void THTMLabel::CMMouseLeave(TMessage& m) {
  if (FHover && FHoverLink != -1) RepaintRect(FHoverRect);
  FHoverLink = -1;
  FMouseX = FMouseY = -1;
  inherited::CMMouseLeave(m);
}

void THTMLabel::CMHintShow(TMessage& m) {
  auto* info = reinterpret_cast<THintInfo*>(m.LParam);
  m.Result = 0;  // the hint is always shown
  if (!info) return;
  bool linkHint = false;
  if (FAnchorHint) {
    String anchor = IsAnchorAt(info->CursorPos.x, info->CursorPos.y);
    if (!anchor.empty()) {
      if (OnAnchorHint) OnAnchorHint(this, anchor);
      info->HintStr = anchor;
      const POINT at = ClientToScreen(info->CursorPos);
      info->HintPos = POINT{at.x + 10, at.y - 10};
      linkHint = true;
    }
  }
  if (FHintShowFull && !linkHint) info->HintStr = FHTMLHint ? GetLabelHTML() : HTMLToPlainText(GetLabelHTML());
}
