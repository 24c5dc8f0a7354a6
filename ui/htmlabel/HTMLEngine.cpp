#include "ui/htmlabel/HTMLEngine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>

#include "rtl/Math.h"
#include "rtl/SysUtils.h"

namespace {

constexpr size_t npos = String::npos;
// Numbers read from tags are kept to a range in which no position or size can overflow.
constexpr int32_t kMaxNumber = 100000;
// The largest requested picture size and the largest font size in points a tag may ask for.
constexpr int32_t kMaxPictureSide = 4096;
constexpr int32_t kMaxPoints = 144;

struct Freer {
  void operator()(TObject* o) const {
    if (o) o->Free();
  }
};
template <class T>
using Owned = std::unique_ptr<T, Freer>;

bool IsAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// A signed decimal number at s[from], kept to +-kMaxNumber; false when no digit is there.
bool ReadNumber(const String& s, size_t from, int32_t& value) {
  size_t i = from;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  int64_t v = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) v = std::min<int64_t>(v * 10 + (s[i] - '0'), kMaxNumber);
  value = static_cast<int32_t>(negative ? -v : v);
  return true;
}

// A parsed tag: its text as written (from "<" to ">" or to the end of the text) and upper-cased.
struct TTag {
  String Text, Upper;
  bool Closing = false;
  // The letter k places after "<" or "</" (upper case), or 0.
  char At(size_t k) const {
    const size_t i = (Closing ? 2 : 1) + k;
    return i < Upper.size() ? Upper[i] : '\0';
  }
  // Where the attribute name stands (not as a part of a longer word), or npos.
  size_t Find(const char* name) const {
    const size_t n = std::strlen(name);
    for (size_t p = Upper.find(name); p != npos; p = Upper.find(name, p + 1)) {
      const bool before = !IsAlnum(name[0]) || p == 0 || !IsAlnum(Upper[p - 1]);
      const bool after = p + n >= Upper.size() || !IsAlnum(Upper[p + n]);
      if (before && after) return p;
    }
    return npos;
  }
  // The text between the first two double quotes after the attribute name, as written (upper-cased
  // when upper is set).
  bool Value(const char* name, String& value, bool upper = false) const {
    const size_t p = Find(name);
    if (p == npos) return false;
    const size_t q1 = Text.find('"', p + std::strlen(name));
    if (q1 == npos) return false;
    const size_t q2 = Text.find('"', q1 + 1);
    if (q2 == npos) return false;
    value = (upper ? Upper : Text).substr(q1 + 1, q2 - q1 - 1);
    return true;
  }
  bool Number(const char* name, int32_t& value) const {
    String v;
    return Value(name, v) && ReadNumber(v, 0, value);
  }
};

struct TEntity {
  const char* Name;
  const char* Text;
};
const TEntity kEntities[] = {
    {"amp", "&"},         {"quot", "\""},       {"sect", "\xC2\xA7"},  {"permil", "\xE2\x80\xB0"},
    {"reg", "\xC2\xAE"},  {"copy", "\xC2\xA9"}, {"para", "\xC2\xB6"},  {"trade", "\xE2\x84\xA2"},
    {"euro", "\xE2\x82\xAC"}, {"nbsp", " "},    {"lt", "<"},           {"gt", ">"},
};

struct TNamedColor {
  const char* Name;
  TColor Color;
};
const TNamedColor kColors[] = {
    {"clred", RGB(255, 0, 0)},       {"clblack", RGB(0, 0, 0)},       {"clblue", RGB(0, 0, 255)},
    {"clgreen", RGB(0, 128, 0)},     {"claqua", RGB(0, 255, 255)},    {"clyellow", RGB(255, 255, 0)},
    {"clfuchsia", RGB(255, 0, 255)}, {"clwhite", RGB(255, 255, 255)}, {"cllime", RGB(0, 255, 0)},
    {"clsilver", RGB(192, 192, 192)}, {"clgray", RGB(128, 128, 128)}, {"clolive", RGB(128, 128, 0)},
    {"clnavy", RGB(0, 0, 128)},      {"clpurple", RGB(128, 0, 128)},  {"clteal", RGB(0, 128, 128)},
    {"clmaroon", RGB(128, 0, 0)},
    {"clbackground", clSystemColor | 1},       {"clactivecaption", clSystemColor | 2},
    {"clinactivecaption", clSystemColor | 3},  {"clmenu", clSystemColor | 4},
    {"clwindow", clSystemColor | 5},           {"clwindowframe", clSystemColor | 6},
    {"clmenutext", clSystemColor | 7},         {"clwindowtext", clSystemColor | 8},
    {"clcaptiontext", clSystemColor | 9},      {"clactiveborder", clSystemColor | 10},
    {"clinactiveborder", clSystemColor | 11},  {"clappworkspace", clSystemColor | 12},
    {"clhighlight", clSystemColor | 13},       {"clhighlighttext", clSystemColor | 14},
    {"clbtnface", clSystemColor | 15},         {"clbtnshadow", clSystemColor | 16},
    {"clgraytext", clSystemColor | 17},        {"clbtntext", clSystemColor | 18},
    {"clinactivecaptiontext", clSystemColor | 19}, {"clbtnhighlight", clSystemColor | 20},
    {"cl3ddkshadow", clSystemColor | 21},      {"cl3dlight", clSystemColor | 22},
    {"clinfotext", clSystemColor | 23},        {"clinfobk", clSystemColor | 24},
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

enum TParaAlign { paLeft, paRight, paCenter };

// Everything a tag may change that a line's drawing pass has to start from again.
struct TTagState {
  bool InLink = false;
  String LinkTarget;
  int32_t LinkCount = 0;
  int32_t LinkStartX = 0, LinkStartY = 0, LinkStartLine = -1;
  bool Shadow = false, Sub = false, Sup = false, Hidden = false, Error = false, ParaBack = false;
  int32_t ListLevel = 0;
  int32_t Rotation = 0;  // tenths of a degree, counter-clockwise
  TParaAlign Align = paLeft;
  int32_t Indent = 0;
  TColor FontBrush = clNone, HiFont = clNone, HiBrush = clNone, ParaBrush = clNone;
  TColor ParaColor = clNone;  // the paragraph's own background, already under the whole line
  TColor LinkBrush = clNone, LinkFont = clNone;
  bool LinkBrushKept = false, LinkFontKept = false;
};

// One line in progress.
struct TLineRun {
  bool Drawing = false;   // the second pass (draws unless check only, and hit-tests)
  size_t End = 0;         // where the line's source ends
  bool DropRest = false;  // the rest of the text is not shown (no word wrap)
  int32_t Left = 0, Top = 0, X = 0;
  int32_t Height = 0;     // the largest text or image height
  int32_t Total = 0;      // the placed line's height (drawing pass)
  int32_t SubExtra = 0, SupExtra = 0;
  int32_t ImageOffset = 0;
  int32_t BlankWidth = 0;
  bool EndsInBlank = false;
  bool ListItemSeen = false;
  bool Ended = false;
};

class TRenderer {
public:
  TRenderer(const THTMLRenderInput& in, THTMLRenderOutput& out) : FIn(in), FOut(out), FC(in.Canvas) {}
  bool Run();

private:
  int32_t GhHeight() { return FC->TextHeight("gh"); }
  int32_t TextBottom(const TLineRun& l) const { return l.Top + l.SupExtra + l.Height; }
  bool Drawing(const TLineRun& l) const { return l.Drawing && !FIn.CheckOnly; }
  size_t RunLine(size_t pos, TLineRun& l);
  size_t Word(size_t pos, TLineRun& l);
  size_t Tag(size_t pos, TLineRun& l);
  void Image(const TTag& t, TLineRun& l, size_t& pos, size_t tagStart);
  void DrawWord(const String& word, const SIZE& size, TLineRun& l);
  void SetBrush(TColor c) {
    if (c == clNone) {
      FC->Brush()->SetStyle(bsClear);
    } else {
      FC->Brush()->SetColor(c);
      FC->Brush()->SetStyle(bsSolid);
    }
  }
  TColor BrushNow() const { return FC->Brush()->Style() == bsClear ? clNone : FC->Brush()->Color(); }
  void SetStyle(TFontStyle s, bool on) {
    TFontStyles st = FC->Font()->Style();
    on ? st.Include(s) : st.Exclude(s);
    FC->Font()->SetStyle(st);
  }
  int32_t Ppi();
  THTMLPicture* FindPicture(const String& src);

  const THTMLRenderInput& FIn;
  THTMLRenderOutput& FOut;
  TCanvas* FC;
  String FText;
  Owned<TFont> FStartFont;
  TColor FStartBrushColor = clWhite;
  TTagState FS;
  int32_t FLine = 0;
  int32_t FHitLink = -1;  // the link a word or image under the point belongs to
  int32_t FPpi = 0;
};

int32_t TRenderer::Ppi() {
  if (FPpi == 0) {
    FPpi = GetDeviceCaps(FC->Handle(), LOGPIXELSX);
    if (FPpi <= 0) FPpi = 96;
  }
  return FPpi;
}

THTMLPicture* TRenderer::FindPicture(const String& src) {
  if (src.find("://") != npos) {
    if (!FIn.Cache) return nullptr;
    if (THTMLPicture* p = FIn.Cache->LookUpPicture(src)) return p;
    // Every address is loaded once: the picture is filed under its address even when it stays empty,
    // so that repainting does not add a picture per paint.
    THTMLPicture* p = FIn.Cache->NewPicture();
    p->SetAsynch(false);
    p->LoadFromAddress(src);
    return p;
  }
  if (src.find(':') == npos && FIn.Container) return FIn.Container->LookUpPicture(src);
  return nullptr;
}

bool TRenderer::Run() {
  FOut = THTMLRenderOutput();
  FStartFont.reset(New<TFont>());
  FStartFont->Assign(FC->Font());
  FStartBrushColor = FC->Brush()->Color();
  const TBrushStyle startBrushStyle = FC->Brush()->Style();
  FC->Brush()->SetStyle(bsClear);

  // The text: "<#" loses its "<" and the first ">" after it goes; line feeds are dropped and carriage
  // returns become line breaks. Entities are decoded per word (in one pass), so that "&lt;" never opens
  // a tag and "&nbsp;" keeps its neighbours together.
  FText = FIn.HTML;
  if (size_t p = FText.find("<#"); p != npos) {
    FText.erase(p, 1);
    if (size_t q = FText.find('>', p); q != npos) FText.erase(q, 1);
  }
  {
    String t;
    t.reserve(FText.size());
    for (char ch : FText) {
      if (ch == '\n') continue;
      if (ch == '\r')
        t += "<BR>";
      else
        t.push_back(ch);
    }
    FText.swap(t);
  }

  const int32_t startGh = GhHeight();
  Owned<TFont> lineFont(New<TFont>());
  int32_t y = FIn.R.top;
  size_t pos = 0;
  while (pos < FText.size()) {
    // Measuring pass from the state at the line's start.
    lineFont->Assign(FC->Font());
    const TColor lineBrush = BrushNow();
    const TTagState lineState = FS;
    const int32_t gh = GhHeight();
    TLineRun m;
    m.End = FText.size();
    m.Left = m.X = FIn.R.left;
    m.Top = y;
    m.Height = gh;
    const size_t end = RunLine(pos, m);
    if (end == pos && !m.DropRest) break;  // nothing could be laid out: stop rather than loop
    const int32_t width = std::max(0, m.X - FIn.R.left - m.BlankWidth);
    FOut.XSize = std::max(FOut.XSize, width);

    // Placing.
    int32_t left = FIn.R.left;
    const int32_t room = FIn.R.right - FIn.R.left;
    if (FS.Align == paRight && FIn.R.right - width > left) left = FIn.R.right - width;
    if (FS.Align == paCenter && room > width) left += (room - width) / 2;
    left += FS.Indent;
    const int32_t total = m.Height + FIn.LineSpacing + m.SubExtra + m.SupExtra;

    if (!FIn.MeasureOnly) {
      // Drawing (or hit-testing) pass over the line's source from the same state.
      FC->Font()->Assign(lineFont.get());
      SetBrush(lineBrush);
      FS = lineState;
      TLineRun d;
      d.Drawing = true;
      d.End = end;
      d.Left = d.X = left;
      d.Top = y;
      d.Height = m.Height;
      d.Total = total;
      d.SubExtra = m.SubExtra;
      d.SupExtra = m.SupExtra;
      RunLine(pos, d);
    }
    y += total;
    FOut.YSize += total;
    ++FLine;
    pos = m.DropRest ? FText.size() : end;
    if (!FIn.MeasureOnly && y + gh > FIn.R.bottom) break;
  }
  FOut.YSize = std::max(FOut.YSize, startGh);
  FOut.HyperLinks = FS.LinkCount;

  FC->Font()->Assign(FStartFont.get());
  FC->Brush()->SetColor(FStartBrushColor);
  FC->Brush()->SetStyle(startBrushStyle);
  return !FOut.AnchorVal.empty() || FOut.MouseLink >= 0;
}

size_t TRenderer::RunLine(size_t pos, TLineRun& l) {
  if (l.Drawing && FS.ParaBack && Drawing(l)) {
    FC->FillRect(RECT{FIn.R.left, l.Top, FIn.R.right, l.Top + l.Total});
  }
  while (pos < l.End && !l.Ended) {
    if (FText[pos] != '<') {
      pos = Word(pos, l);
      continue;
    }
    if (l.End - pos <= 2 && l.End == FText.size()) {  // a "<" with at most one character after it
      pos = l.End;
      break;
    }
    pos = Tag(pos, l);
  }
  return pos;
}

size_t TRenderer::Word(size_t pos, TLineRun& l) {
  size_t stop = FText.find('<', pos);
  if (stop == npos || stop > l.End) stop = l.End;
  if (FIn.WordWrap) {
    const size_t blank = FText.find(' ', pos);
    if (blank != npos && blank < stop) stop = blank + 1;
  }
  const String raw = FText.substr(pos, stop - pos);
  const String word = DecodeHTMLEntities(raw);
  if (!l.Drawing) FOut.StripVal += word;
  if (FS.Hidden || word.empty()) return stop;

  const SIZE size = FC->TextExtent(word);
  l.Height = std::max<int32_t>(l.Height, size.cy);
  if (FS.Sub) l.SubExtra = std::max<int32_t>(l.SubExtra, size.cy / 4);
  if (FS.Sup) l.SupExtra = std::max<int32_t>(l.SupExtra, size.cy / 4);
  const bool endsInBlank = raw.back() == ' ';

  if (!l.Drawing) {
    const int32_t room = FIn.R.right - FIn.R.left;
    const int32_t lineWidth = l.X - l.Left + size.cx;
    const bool fits = lineWidth < room || size.cx >= room || !l.EndsInBlank;
    if (!fits && FIn.WordWrap) {
      l.Ended = true;  // the word waits for the next line
      return pos;
    }
    if (!fits) {
      l.DropRest = true;
      l.Ended = true;
    }
  } else {
    DrawWord(word, size, l);
  }
  l.X += size.cx;
  l.EndsInBlank = endsInBlank;
  l.BlankWidth = endsInBlank ? FC->TextWidth(" ") : 0;
  return stop;
}

void TRenderer::DrawWord(const String& word, const SIZE& size, TLineRun& l) {
  int32_t bottom = TextBottom(l) - l.ImageOffset;
  if (FS.Sup) bottom -= l.SupExtra;
  if (FS.Sub) bottom += l.SubExtra;

  // The hit test: the word's box within the line's text band.
  if (FS.InLink && FIn.XPos >= l.X && FIn.XPos < l.X + size.cx) {
    const int32_t bandBottom = TextBottom(l) - l.ImageOffset;
    if (FIn.YPos >= bandBottom - GhHeight() && FIn.YPos < bandBottom) {
      FOut.AnchorVal = FS.LinkTarget;
      FHitLink = FS.LinkCount;
    }
  }
  if (FS.InLink && FS.LinkCount == FIn.FocusLink) FOut.FocusAnchor = FS.LinkTarget;
  if (!Drawing(l)) return;
  if (!FIn.WordWrap && l.X >= FIn.R.right) return;  // past an ellipsis: nothing more shows

  HDC dc = FC->Handle();
  UINT flags = DT_SINGLELINE | DT_BOTTOM | DT_EXPANDTABS | DT_EXTERNALLEADING | DT_NOPREFIX;
  if (!FIn.WordWrap) flags |= DT_END_ELLIPSIS;
  const int32_t right = std::max(l.X, FIn.R.right);
  // A background of its own (a font's, a highlight's, a hovered link's) goes behind the word; the
  // paragraph's lies under the whole line already.
  const TColor back = BrushNow();
  if (back != clNone && !(FS.ParaBack && back == FS.ParaColor))
    FC->FillRect(RECT{l.X, bottom - size.cy, std::min(l.X + size.cx, right), bottom});
  if (FS.Shadow) {
    const TColor keep = FC->Font()->Color();
    FC->Font()->SetColor(FIn.ShadowColor);
    FC->TextExtent(word);  // selects the font with its colour
    SetBkMode(dc, TRANSPARENT);
    RECT r{l.X + FIn.ShadowOffset, l.Top, right + FIn.ShadowOffset, bottom + FIn.ShadowOffset};
    ::DrawText(dc, word.data(), static_cast<int>(word.size()), &r, flags);
    FC->Font()->SetColor(keep);
  }
  FC->TextExtent(word);
  SetBkMode(dc, TRANSPARENT);
  if (FS.Rotation != 0) {
    // Rotated text: the canvas font turned about the top-left corner of the word's upright cell. The
    // layout keeps the upright extent.
    LOGFONT lf{};
    GetObject(FC->Font()->Handle(), sizeof lf, &lf);
    lf.lfEscapement = lf.lfOrientation = FS.Rotation;
    HFONT rotated = CreateFontIndirect(&lf);
    HGDIOBJ old = SelectObject(dc, rotated);
    const UINT align = SetTextAlign(dc, TA_LEFT | TA_TOP);
    ExtTextOut(dc, l.X, bottom - size.cy, 0, nullptr, word.data(), static_cast<UINT>(word.size()), nullptr);
    SetTextAlign(dc, align);
    SelectObject(dc, old);
    DeleteObject(rotated);
  } else {
    RECT r{l.X, l.Top, right, bottom};
    ::DrawText(dc, word.data(), static_cast<int>(word.size()), &r, flags);
  }

  if (FS.Error) {
    // A red zig-zag under the word, its phase taken from x so that neighbouring words join.
    std::vector<POINT> pts;
    const int32_t last = l.X + size.cx;
    for (int32_t x = l.X & ~1; x <= last && pts.size() < 100000; x += 2)
      pts.push_back(POINT{x, (x % 4 == 0) ? bottom - 1 : bottom + 1});
    if (pts.size() >= 2) {
      FC->Pen()->SetColor(clRed);
      FC->Pen()->SetWidth(1);
      FC->Pen()->SetStyle(psSolid);
      FC->Polyline(pts);
    }
  }
}

size_t TRenderer::Tag(size_t pos, TLineRun& l) {
  TTag t;
  const size_t gt = FText.find('>', pos);
  const size_t next = gt == npos ? FText.size() : gt + 1;
  t.Text = FText.substr(pos, next - pos);
  t.Upper = UpperCase(t.Text);
  t.Closing = t.Text.size() > 1 && t.Text[1] == '/';
  const char a = t.At(0), b = t.At(1);
  const bool drawing = Drawing(l);
  const bool selected = FIn.Selected;
  auto endLine = [&] {
    l.Ended = true;
    return next;
  };

  if (!t.Closing) {
    switch (a) {
      case 'A': {
        ++FS.LinkCount;
        FS.InLink = true;
        FS.LinkTarget.clear();
        if (size_t q1 = t.Text.find('"'); q1 != npos)
          if (size_t q2 = t.Text.find('"', q1 + 1); q2 != npos)
            FS.LinkTarget = DecodeHTMLEntities(t.Text.substr(q1 + 1, q2 - q1 - 1));
        FS.LinkStartX = l.X;
        FS.LinkStartY = l.Top;
        FS.LinkStartLine = FLine;
        const bool styled = !(FIn.HoverStyle && FS.LinkCount != FIn.HoverLink);
        FS.LinkBrushKept = FS.LinkFontKept = false;
        if (drawing && styled) {
          SetStyle(fsUnderline, true);
          if (FIn.HoverColor != clNone) {
            FS.LinkBrush = BrushNow();
            FS.LinkBrushKept = true;
            SetBrush(FIn.HoverColor);
          }
          if (FIn.HoverFontColor != clNone) {
            FS.LinkFont = FC->Font()->Color();
            FS.LinkFontKept = true;
            FC->Font()->SetColor(FIn.HoverFontColor);
          }
        }
        if (!selected && !(FIn.HoverStyle && FS.LinkCount == FIn.HoverLink && FIn.HoverFontColor != clNone))
          FC->Font()->SetColor(FIn.URLColor);
        break;
      }
      case 'B':
        if (b == '>') {
          SetStyle(fsBold, true);
        } else if (b == 'L') {
          if (!FIn.Blink) FC->Font()->SetColor(FStartBrushColor);
        } else if (b == 'O') {
          if (drawing && !selected) {
            String v;
            const RECT area{FIn.R.left, FIn.R.top, std::min(FIn.R.right, FIn.R.left + 4096),
                            std::min(FIn.R.bottom, FIn.R.top + 4096)};
            if (t.Value("BACKGROUND", v)) {
              THTMLPicture* p = FindPicture(v);
              if (p && !p->Empty() && p->GetFullWidth() > 0 && p->GetFullHeight() > 0) {
                HDC dc = FC->Handle();
                const int saved = SaveDC(dc);
                IntersectClipRect(dc, FIn.R.left, FIn.R.top, FIn.R.right, FIn.R.bottom);
                for (int32_t ty = area.top; ty < area.bottom; ty += p->GetFullHeight())
                  for (int32_t tx = area.left; tx < area.right; tx += p->GetFullWidth())
                    p->Draw(FC, RECT{tx, ty, tx + p->GetFullWidth(), ty + p->GetFullHeight()});
                RestoreDC(dc, saved);
              }
            }
            if (t.Value("BGCOLOR", v, true)) {
              const TColor from = HTMLColor(v);
              String to, dir;
              const TColor keep = BrushNow();
              const RECT fill{area.left - 2, area.top, area.right, area.bottom};
              if (t.Value("BGCOLORTO", to, true)) {
                const bool horizontal = !t.Value("DIR", dir, true) || dir == "H";
                FillGradientBands(FC, from, HTMLColor(to), horizontal, fill, 64);
              } else {
                SetBrush(from);
                FC->FillRect(fill);
              }
              SetBrush(keep);
            }
          }
        } else if (b == 'R') {
          if (!l.Drawing) FOut.StripVal += "\r";
          return endLine();
        }
        break;
      case 'E':
        FS.Error = true;
        break;
      case 'F': {
        String v;
        if (t.Value("FACE", v) && !v.empty()) FC->Font()->SetName(v);
        if (!selected && t.Value(" COLOR", v, true)) FC->Font()->SetColor(HTMLColor(v));
        if (drawing && !selected && t.Value("BGCOLOR", v, true)) {
          FS.FontBrush = BrushNow();
          SetBrush(HTMLColor(v));
        }
        if (size_t p = t.Find("SIZE"); p != npos) {
          size_t eq = t.Upper.find('=', p);
          if (eq != npos) {
            ++eq;
            while (eq < t.Upper.size() && (t.Upper[eq] == ' ' || t.Upper[eq] == '"')) ++eq;
            int32_t n = 0;
            if (ReadNumber(t.Upper, eq, n)) {
              static const int32_t points[] = {8, 10, 12, 14, 16};
              const int32_t pt = (n >= 1 && n <= 5) ? points[n - 1] : std::clamp(n, 1, kMaxPoints);
              FC->Font()->SetSize(pt);
            }
          }
        }
        break;
      }
      case 'H':
        if (b == 'I') {
          if (drawing) {
            FS.HiFont = FC->Font()->Color();
            FS.HiBrush = BrushNow();
            SetBrush(clHighlight);
            FC->Font()->SetColor(clHighlightText);
          }
        } else if (b == 'R') {
          if (drawing) {
            const int32_t yLine = l.Top + l.Total;
            FC->Pen()->SetColor(clBlack);
            FC->Pen()->SetStyle(psSolid);
            FC->Pen()->SetWidth(1);
            FC->MoveTo(FIn.R.left, yLine);
            FC->LineTo(FIn.R.right, yLine);
          }
          if (!l.Drawing) FOut.StripVal += "\r";
          return endLine();
        }
        break;
      case 'I':
        if (b == '>') {
          SetStyle(fsItalic, true);
        } else if (b == 'N') {
          int32_t v = 0;
          if (t.Number("X", v) && FIn.R.left + v > l.X) l.X = FIn.R.left + v;
        } else if (b == 'M') {
          size_t p = next;
          Image(t, l, p, pos);
          return p;
        }
        break;
      case 'L': {
        if (l.ListItemSeen) {
          l.Ended = true;  // a second list item starts the next line
          return pos;
        }
        l.ListItemSeen = true;
        l.X += 12 * std::min(FS.ListLevel, 1000);
        if (drawing && !FS.Hidden) {
          Owned<TFont> keep(New<TFont>());
          keep->Assign(FC->Font());
          FC->Font()->SetName("Symbol");
          const String bullet = (FS.ListLevel % 2 == 1) ? "\xE2\x80\xA2" : "o";
          FC->TextExtent(bullet);
          SetBkMode(FC->Handle(), TRANSPARENT);
          RECT r{l.X, l.Top, l.X + 12, TextBottom(l) - l.ImageOffset};
          ::DrawText(FC->Handle(), bullet.data(), static_cast<int>(bullet.size()), &r,
                     DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX | DT_NOCLIP);
          FC->Font()->Assign(keep.get());
        }
        l.X += 12;
        break;
      }
      case 'P': {
        String v;
        if (t.Value("ALIGN", v, true)) {
          if (v.find("RIGHT") != npos) FS.Align = paRight;
          if (v.find("LEFT") != npos) FS.Align = paLeft;
          if (v.find("CENTER") != npos) FS.Align = paCenter;
        }
        int32_t indent = 0;
        if (t.Number("INDENT", indent)) FS.Indent = indent;
        if (drawing && t.Value("BGCOLOR", v, true)) {
          const TColor from = HTMLColor(v);
          FS.ParaBrush = BrushNow();
          FS.ParaColor = from;
          String to;
          if (t.Value("BGCOLORTO", to, true)) {
            FillGradientBands(FC, from, HTMLColor(to), true,
                              RECT{FIn.R.left, l.Top, FIn.R.right, l.Top + l.Total + 2}, 64);
            SetBrush(from);
          } else {
            SetBrush(from);
            FC->FillRect(RECT{FIn.R.left, l.Top, FIn.R.right, l.Top + l.Total});
          }
          FS.ParaBack = true;
        }
        break;
      }
      case 'R': {
        int32_t degrees = 0;
        if (t.Number("A", degrees)) FS.Rotation = (degrees % 360) * 10;
        break;
      }
      case 'S':
        if (t.Upper.rfind("<SUB>", 0) == 0) {
          FS.Sub = true;
        } else if (t.Upper.rfind("<SUP>", 0) == 0) {
          FS.Sup = true;
        } else if (b == 'H') {
          FS.Shadow = true;
        } else if (b == '>') {
          SetStyle(fsStrikeOut, true);
        }
        break;
      case 'U':
        if (b == '>') {
          SetStyle(fsUnderline, true);
        } else {
          FS.ListLevel = std::min(FS.ListLevel + 1, 1000);
          return endLine();
        }
        break;
      case 'Z':
        FS.Hidden = true;
        break;
      default:
        break;
    }
    return next;
  }

  switch (a) {
    case 'A': {
      const bool styled = !(FIn.HoverStyle && FS.LinkCount != FIn.HoverLink);
      if (styled && drawing) {
        SetStyle(fsUnderline, false);
        if (FS.LinkBrushKept) SetBrush(FS.LinkBrush);
        if (FS.LinkFontKept) FC->Font()->SetColor(FS.LinkFont);
      }
      if (!selected) FC->Font()->SetColor(FStartFont->Color());
      if (FS.InLink && l.Drawing) {
        const int32_t bottom = l.Top + l.Total;
        const RECT r{FS.LinkStartLine == FLine ? FS.LinkStartX : l.Left, FS.LinkStartY, l.X, bottom};
        if (FHitLink == FS.LinkCount) {
          FOut.HoverRect = r;
          FOut.MouseLink = FS.LinkCount;
        }
        if (FS.LinkCount == FIn.FocusLink && drawing) {
          RECT f = r;
          InflateRect(&f, 1, 1);
          FC->DrawFocusRect(f);
        }
      }
      FS.InLink = false;
      break;
    }
    case 'B':
      if (b == '>')
        SetStyle(fsBold, false);
      else
        FC->Font()->SetColor(FStartFont->Color());
      break;
    case 'E':
      FS.Error = false;
      break;
    case 'F':
      FC->Font()->SetName(FStartFont->Name());
      FC->Font()->SetSize(FStartFont->Size());
      if (drawing && !selected) {
        FC->Font()->SetColor(FStartFont->Color());
        SetBrush(FS.FontBrush);
      }
      break;
    case 'H':
      if (drawing) {
        FC->Font()->SetColor(FS.HiFont == clNone ? FStartFont->Color() : FS.HiFont);
        SetBrush(FS.HiBrush);
      }
      break;
    case 'I':
      SetStyle(fsItalic, false);
      break;
    case 'L':
      return endLine();
    case 'P':
      if (drawing) SetBrush(FS.ParaBrush);
      FS.ParaBack = false;
      return endLine();
    case 'R':
      FS.Rotation = 0;
      break;
    case 'S':
      if (b == 'U') {
        FS.Sub = FS.Sup = false;
      } else if (b == 'H') {
        FS.Shadow = false;
      } else {
        SetStyle(fsStrikeOut, false);
      }
      break;
    case 'U':
      if (b == '>') {
        SetStyle(fsUnderline, false);
      } else if (FS.ListLevel > 0) {
        --FS.ListLevel;
      } else {
        SetStyle(fsUnderline, false);
      }
      break;
    case 'Z':
      FS.Hidden = false;
      break;
    default:
      break;
  }
  return next;
}

void TRenderer::Image(const TTag& t, TLineRun& l, size_t& pos, size_t tagStart) {
  String src;
  t.Value("SRC", src);
  int32_t reqW = 0, reqH = 0;
  t.Number("WIDTH", reqW);
  t.Number("HEIGHT", reqH);
  reqW = std::clamp(reqW, 0, kMaxPictureSide);
  reqH = std::clamp(reqH, 0, kMaxPictureSide);
  const bool stretched = reqW >= 1 && reqH >= 1;

  // What a source shows and the room it takes.
  struct TSource {
    THTMLPicture* Picture = nullptr;
    int32_t Index = -1;
    int32_t W = 0, H = 0;
  };
  auto resolve = [&](const String& s) {
    TSource r;
    const String upper = UpperCase(s);
    if (upper.rfind("IDX:", 0) == 0) {
      int32_t idx = -1;
      if (FIn.Images && ReadNumber(s, 4, idx) && idx >= 0 && idx < FIn.Images->Count()) {
        r.Index = idx;
        r.W = MulDiv(FIn.Images->Width(), Ppi(), 96);
        r.H = MulDiv(FIn.Images->Height(), Ppi(), 96);
      }
      return r;
    }
    if (upper.rfind("SSYS:", 0) == 0 || upper.rfind("LSYS:", 0) == 0) return r;  // no system image list here
    r.Picture = FindPicture(s);
    if (r.Picture && !r.Picture->Empty()) {
      r.W = MulDiv(stretched ? reqW : r.Picture->GetFullWidth(), Ppi(), 96);
      r.H = MulDiv(stretched ? reqH : r.Picture->GetFullHeight(), Ppi(), 96);
    } else {
      r.Picture = nullptr;
    }
    return r;
  };
  TSource img = resolve(src);

  if (!l.Drawing) {
    const int32_t room = FIn.R.right - FIn.R.left;
    if (l.X - l.Left + img.W > room && img.W < room && l.X > l.Left) {
      l.Ended = true;  // too wide for the rest of the line: it starts the next one
      pos = tagStart;
      return;
    }
  }
  String align;
  if (t.Find("ALIGN") != npos) {
    const int32_t gh = GhHeight();
    if (t.Upper.find("\"TOP") != npos)
      l.ImageOffset = std::max(0, l.Height - gh);
    else if (t.Upper.find("\"MIDDLE") != npos)
      l.ImageOffset = std::max(0, l.Height - gh) / 2;
  }
  l.Height = std::max(l.Height, img.H);

  if (l.Drawing) {
    const int32_t top = TextBottom(l) - img.H;
    const bool onImage = FIn.XPos >= l.X && FIn.XPos < l.X + img.W && FIn.YPos >= top && FIn.YPos < top + img.H;
    if (onImage && FS.InLink) {
      FOut.AnchorVal = FS.LinkTarget;
      FHitLink = FS.LinkCount;
      String alt;
      if (t.Value("ALT", alt)) {
        TSource other = resolve(alt);
        if (other.Picture || other.Index >= 0) img.Picture = other.Picture, img.Index = other.Index;
      }
    }
    if (Drawing(l)) {
      if (img.Index >= 0) {
        FIn.Images->Draw(FC, l.X, top, img.Index);
      } else if (img.Picture) {
        if (stretched) {
          const bool keep = img.Picture->Stretch();
          img.Picture->SetStretch(true);
          img.Picture->Draw(FC, RECT{l.X, top, l.X + img.W, top + img.H});
          img.Picture->SetStretch(keep);
        } else {
          const int32_t x = l.X + img.Picture->FrameXPos(), y = top + img.Picture->FrameYPos();
          img.Picture->Draw(FC, RECT{x, y, x + img.Picture->Width(), y + img.Picture->Height()});
        }
      }
    }
  }
  l.X += img.W;
  l.EndsInBlank = false;
  l.BlankWidth = 0;
}

}  // namespace

bool RenderHTML(const THTMLRenderInput& in, THTMLRenderOutput& out) {
  if (!in.Canvas) {
    out = THTMLRenderOutput();
    return false;
  }
  TRenderer r(in, out);
  return r.Run();
}

String DecodeHTMLEntities(const String& text) {
  if (text.find('&') == npos) return text;
  String out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '&') {
      bool matched = false;
      for (const TEntity& e : kEntities) {
        const size_t n = std::strlen(e.Name);
        if (i + n + 1 < text.size() + 0 && text[i + 1 + n] == ';') {
          bool same = true;
          for (size_t k = 0; k < n && same; ++k) same = Lower(text[i + 1 + k]) == e.Name[k];
          if (same) {
            out += e.Text;
            i += n + 2;
            matched = true;
            break;
          }
        }
      }
      if (matched) continue;
    }
    out.push_back(text[i++]);
  }
  return out;
}

String HTMLToPlainText(const String& html) {
  String s = html;
  auto replaceAll = [&s](const char* tag, const char* with) {
    const String upper(tag);
    for (size_t p = 0; (p = UpperCase(s).find(upper, p)) != npos;) {
      s.replace(p, upper.size(), with);
      p += std::strlen(with);
    }
  };
  replaceAll("<BR>", "\r\n");
  replaceAll("<HR>", "\r\n");
  // Hidden text: each "<Z>" with its "</Z>" as written (either case).
  for (const char* open : {"<Z>", "<z>"}) {
    const String close = open[1] == 'Z' ? "</Z>" : "</z>";
    for (size_t p; (p = s.find(open)) != npos;) {
      const size_t q = s.find(close, p);
      if (q == npos) break;
      s.erase(p, q + close.size() - p);
    }
  }
  String out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '<') {
      const size_t q = s.find('>', i);
      if (q == npos) break;
      i = q;
      continue;
    }
    out.push_back(s[i]);
  }
  return out;
}

void FillGradientBands(TCanvas* canvas, TColor fromColor, TColor toColor, bool horizontal, const RECT& rect,
                       int32_t steps) {
  const int32_t n = std::max(1, steps);
  const COLORREF f = ColorToRGB(fromColor), t = ColorToRGB(toColor);
  const int32_t fr = GetRValue(f), fg = GetGValue(f), fb = GetBValue(f);
  const int32_t dr = GetRValue(t) - fr, dg = GetGValue(t) - fg, db = GetBValue(t) - fb;
  const int32_t extent = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
  if (extent <= 0 || rect.right <= rect.left || rect.bottom <= rect.top) return;
  const TColor penColor = canvas->Pen()->Color();
  const TPenStyle penStyle = canvas->Pen()->Style();
  const int32_t penWidth = canvas->Pen()->Width();
  const TColor brushColor = canvas->Brush()->Color();
  const TBrushStyle brushStyle = canvas->Brush()->Style();
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetWidth(1);
  canvas->Brush()->SetStyle(bsSolid);
  const int32_t bandSize = extent / n + 1;
  for (int32_t i = 0; i < n; ++i) {
    const TColor c = RGB(fr + static_cast<int32_t>(Round(double(i) * dr / n)), fg + static_cast<int32_t>(Round(double(i) * dg / n)),
                         fb + static_cast<int32_t>(Round(double(i) * db / n)));
    canvas->Pen()->SetColor(c);
    canvas->Brush()->SetColor(c);
    const int32_t start = static_cast<int32_t>(Round(double(i) * extent / n));
    if (horizontal) {
      const int32_t x = rect.left + start;
      canvas->Rectangle(x, rect.top, std::min(x + bandSize, static_cast<int32_t>(rect.right)), rect.bottom);
    } else {
      const int32_t y = rect.top + start;
      canvas->Rectangle(rect.left, y, rect.right, std::min(y + bandSize, static_cast<int32_t>(rect.bottom)));
    }
  }
  canvas->Pen()->SetColor(penColor);
  canvas->Pen()->SetStyle(penStyle);
  canvas->Pen()->SetWidth(penWidth);
  canvas->Brush()->SetColor(brushColor);
  canvas->Brush()->SetStyle(brushStyle);
}

TColor HTMLColor(const String& value) {
  if (!value.empty() && value[0] == '#') {
    if (value.size() < 7) return clBlack;
    int v[6];
    for (int k = 0; k < 6; ++k) {
      v[k] = HexDigit(value[1 + k]);
      if (v[k] < 0) return clBlack;
    }
    return RGB(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
  }
  String lower(value);
  for (char& ch : lower) ch = Lower(ch);
  for (const TNamedColor& c : kColors)
    if (lower == c.Name) return c.Color;
  return clBlack;
}
