// DrawText: prefixes, line ends, word breaks, tabs, ellipses, alignment and measuring, laid out with the
// DC's font and drawn through the same run output as ExtTextOut.

#include <algorithm>
#include <cstring>

#include "rtl/Utf8.h"
#include "winapi/detail/Font.h"

namespace winapi::detail {
namespace {

// One drawn character: its code point, advance, whether a prefix underlines it and the source bytes it
// came from ([src0, src1), with its "&"; src0 < 0 for inserted ellipsis dots).
struct Unit {
  uint32_t cp;
  int adv;
  bool underline;
  int src0, src1;
};
using Units = std::vector<Unit>;

struct Layout {
  UINT fmt = 0;
  int tabWidth = 0;
  int avail = 0;
  int ellipsisWidth = 0;
  int dotAdvance = 0;
};

bool Expand(const Layout& L) { return (L.fmt & DT_EXPANDTABS) && L.tabWidth > 0; }

// The pen position after `u` when it starts at `pos` (tabs from the line's start).
int Step(const Layout& L, int pos, const Unit& u) {
  if (u.cp == '\t' && Expand(L)) return (pos / L.tabWidth + 1) * L.tabWidth;
  return pos + u.adv;
}

int Measure(const Layout& L, const Unit* u, size_t n, int start = 0) {
  int pos = start;
  for (size_t i = 0; i < n; ++i) pos = Step(L, pos, u[i]);
  return pos - start;
}

void AppendDots(const Layout& L, Units& u) {
  for (int i = 0; i < 3; ++i) u.push_back(Unit{'.', L.dotAdvance, false, -1, -1});
}

// The most leading units of `u` that fit in `room`.
size_t FitCount(const Layout& L, const Units& u, int room) {
  int pos = 0;
  size_t n = 0;
  while (n < u.size()) {
    int next = Step(L, pos, u[n]);
    if (next > room) break;
    pos = next;
    ++n;
  }
  return n;
}

void EndEllipsis(const Layout& L, Units& u) {
  u.resize(FitCount(L, u, L.avail - L.ellipsisWidth));
  AppendDots(L, u);
}

void WordEllipsis(const Layout& L, Units& u) {
  size_t n = FitCount(L, u, L.avail - L.ellipsisWidth);
  size_t m = n;
  if (m < u.size() && u[m].cp != ' ')
    while (m > 0 && u[m - 1].cp != ' ') --m;
  while (m > 0 && u[m - 1].cp == ' ') --m;
  u.resize(m > 0 ? m : n);
  AppendDots(L, u);
}

// Keeps the part after the last path separator and as much of the beginning as fits.
void PathEllipsis(const Layout& L, Units& u) {
  size_t sep = u.size();
  for (size_t i = u.size(); i-- > 0;)
    if (u[i].cp == '\\' || u[i].cp == '/') {
      sep = i;
      break;
    }
  if (sep == u.size()) return EndEllipsis(L, u);
  Units tail(u.begin() + static_cast<ptrdiff_t>(sep), u.end());
  Units head(u.begin(), u.begin() + static_cast<ptrdiff_t>(sep));
  int tailWidth = Measure(L, tail.data(), tail.size());
  head.resize(FitCount(L, head, L.avail - L.ellipsisWidth - tailWidth));
  AppendDots(L, head);
  head.insert(head.end(), tail.begin(), tail.end());
  u = std::move(head);
}

// Cuts one paragraph into lines at the available width (DT_WORDBREAK).
void Wrap(const Layout& L, const Units& p, std::vector<Units>& lines) {
  size_t i = 0, e = p.size();
  if (e == 0) {
    lines.emplace_back();
    return;
  }
  while (i < e) {
    int pos = 0;
    size_t j = i, lastSpace = SIZE_MAX;
    for (; j < e; ++j) {
      int next = Step(L, pos, p[j]);
      if (p[j].cp == ' ') {
        if (j > i) lastSpace = j;
        pos = next;
        continue;  // blanks at a line's end hang outside the width
      }
      if (next > L.avail && j > i) break;
      pos = next;
    }
    auto take = [&](size_t a, size_t b) {
      lines.emplace_back(p.begin() + static_cast<ptrdiff_t>(a), p.begin() + static_cast<ptrdiff_t>(b));
    };
    if (j >= e) {
      take(i, e);
      break;
    }
    size_t end = lastSpace;
    if (end != SIZE_MAX)
      while (end > i && p[end - 1].cp == ' ') --end;
    if (lastSpace != SIZE_MAX && end > i) {
      take(i, end);
      i = lastSpace + 1;
    } else if (L.fmt & DT_EDITCONTROL) {
      take(i, j);  // a word wider than the line breaks between characters
      i = j;
    } else {
      size_t k = j;
      while (k < e && p[k].cp != ' ') ++k;
      take(i, k);  // a word wider than the line overflows it
      i = k;
      while (i < e && p[i].cp == ' ') ++i;
    }
  }
}

std::string Rebuild(const std::string& src, const Units& u) {
  std::string out;
  for (const Unit& x : u) {
    if (x.src0 >= 0) out.append(src, static_cast<size_t>(x.src0), static_cast<size_t>(x.src1 - x.src0));
    else out.push_back(static_cast<char>(x.cp));
  }
  return out;
}

int DoDrawText(HDC hdc, char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  DC* dc = AsDC(hdc);
  if (!dc || !rect) return 0;
  if (count < 0) count = text ? static_cast<int>(std::strlen(text)) : 0;
  std::string src = text && count > 0 ? std::string(text, static_cast<size_t>(count)) : std::string();
  Face* face = DCFace(dc);
  const FaceMetrics& m = face->m;
  Layout L;
  int tabChars = 8;
  if (format & DT_TABSTOP) {
    tabChars = static_cast<int>((format >> 8) & 0xFF);
    format &= ~0xFF00u;  // the tab length occupies these bits
  }
  if (params && params->iTabLength > 0) tabChars = params->iTabLength;
  L.fmt = format;
  L.tabWidth = tabChars * m.aveCharWidth;
  int leftMargin = params ? params->iLeftMargin : 0, rightMargin = params ? params->iRightMargin : 0;
  L.avail = rect->right - rect->left - leftMargin - rightMargin;
  int extra = dc->charExtra;
  L.dotAdvance = face->Advance('.') + extra;
  L.ellipsisWidth = 3 * L.dotAdvance;
  int lineHeight = m.ascent + m.descent + ((format & DT_EXTERNALLEADING) ? m.externalLeading : 0);
  if (params) params->uiLengthDrawn = static_cast<UINT>(src.size());

  // Units and paragraphs (prefixes resolved; line ends split paragraphs unless single-line).
  bool prefixes = !(format & DT_NOPREFIX);
  bool single = format & DT_SINGLELINE;
  std::vector<Units> paras(1);
  for (size_t i = 0; i < src.size();) {
    size_t len = 1;
    uint32_t cp = static_cast<uint32_t>(Utf8CodePointAt(src, i, &len));
    if (len == 0) len = 1;
    size_t start = i;
    bool underline = false;
    if (prefixes && cp == '&') {
      if (i + 1 >= src.size()) break;  // a lone trailing "&" shows nothing
      i += 1;
      cp = static_cast<uint32_t>(Utf8CodePointAt(src, i, &len));
      if (len == 0) len = 1;
      underline = cp != '&';
    }
    if (!single && (cp == '\r' || cp == '\n')) {
      i += len;
      if (cp == '\r' && i < src.size() && src[i] == '\n') ++i;
      paras.emplace_back();
      continue;
    }
    paras.back().push_back(Unit{cp, face->Advance(cp) + extra, underline, static_cast<int>(start), static_cast<int>(i + len)});
    i += len;
  }
  if (paras.size() > 1 && paras.back().empty()) paras.pop_back();  // a final line end opens no line
  if (src.empty()) paras.clear();

  std::vector<Units> lines;
  for (Units& p : paras) {
    if ((format & DT_WORDBREAK) && !single) Wrap(L, p, lines);
    else lines.push_back(std::move(p));
  }

  bool calc = format & DT_CALCRECT;
  // Text below the rectangle: the last whole line ends in an ellipsis (word-broken, ellipsis requested).
  UINT ellipsis = format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS);
  if (calc && L.avail <= 0) ellipsis = 0;  // measuring from an empty rectangle asks for the natural size
  std::vector<bool> forced(lines.size(), false);
  int height = rect->bottom - rect->top;
  if (!calc && ellipsis && (format & DT_WORDBREAK) && !single && lineHeight > 0 &&
      static_cast<int>(lines.size()) * lineHeight > height) {
    size_t visible = static_cast<size_t>(std::max(1, height / lineHeight));
    if (visible < lines.size()) {
      lines.resize(visible);
      forced.resize(visible);
      forced[visible - 1] = true;
    }
  }
  bool modified = false;
  std::string modifiedText;
  std::vector<int> widths(lines.size());
  for (size_t k = 0; k < lines.size(); ++k) {
    Units& u = lines[k];
    int w = Measure(L, u.data(), u.size());
    if (ellipsis && (w > L.avail || forced[k])) {
      if (forced[k]) {
        u.resize(FitCount(L, u, L.avail - L.ellipsisWidth));
        AppendDots(L, u);
      } else if (format & DT_PATH_ELLIPSIS) {
        PathEllipsis(L, u);
      } else if (format & DT_WORD_ELLIPSIS) {
        WordEllipsis(L, u);
      } else {
        EndEllipsis(L, u);
      }
      if (!modified) modifiedText = Rebuild(src, u);
      modified = true;
      w = Measure(L, u.data(), u.size());
    }
    widths[k] = w;
  }
  if (modified && (format & DT_MODIFYSTRING) && text) {
    std::memcpy(text, modifiedText.c_str(), modifiedText.size() + 1);
  }

  int total = static_cast<int>(lines.size()) * lineHeight;
  if (calc) {
    int maxWidth = lines.empty() ? 0 : *std::max_element(widths.begin(), widths.end());
    rect->right = rect->left + (lines.empty() ? 0 : leftMargin + maxWidth + rightMargin);
    rect->bottom = rect->top + total;
    return total;
  }
  if (lines.empty()) return 0;

  int y0 = rect->top;
  if (single) {
    if (format & DT_VCENTER) y0 = rect->top + (height - lineHeight) / 2;
    else if (format & DT_BOTTOM) y0 = rect->bottom - lineHeight;
  }
  UINT savedAlign = dc->textAlign;
  int savedExtra = dc->justExtra, savedBreaks = dc->justBreaks;
  dc->textAlign = TA_LEFT | TA_TOP;
  dc->justExtra = dc->justBreaks = 0;
  UINT options = (format & DT_NOCLIP) ? 0 : ETO_CLIPPED;
  Run run;
  for (size_t k = 0; k < lines.size(); ++k) {
    int top = y0 + static_cast<int>(k) * lineHeight;
    if ((format & DT_EDITCONTROL) && k > 0 && top + lineHeight > rect->bottom) break;  // no partial last line
    const Units& u = lines[k];
    int x = rect->left + leftMargin;
    if (format & DT_CENTER) x += (L.avail - widths[k]) / 2;
    else if (format & DT_RIGHT) x += L.avail - widths[k];
    run.cps.clear();
    run.adv.clear();
    run.bytes.clear();
    int pos = 0;
    for (const Unit& c : u) {
      int next = Step(L, pos, c);
      run.cps.push_back(c.cp);
      run.adv.push_back(next - pos);
      run.bytes.push_back(1);
      pos = next;
    }
    if (!(format & DT_PREFIXONLY)) OutputRun(dc, x, top, options, rect, run);
    if (prefixes && !(format & DT_HIDEPREFIX)) {
      int px = x;
      for (size_t i = 0; i < u.size(); ++i) {
        if (u[i].underline)
          TextStroke(dc, px, px + run.adv[i], top + m.ascent + m.underlinePos, m.underlineThickness,
                     options ? rect : nullptr);
        px += run.adv[i];
      }
    }
  }
  dc->textAlign = savedAlign;
  dc->justExtra = savedExtra;
  dc->justBreaks = savedBreaks;
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return y0 - rect->top + lineHeight;
  return total;
}

}  // namespace
}  // namespace winapi::detail

int DrawText(HDC hdc, LPCSTR text, int count, RECT* rect, UINT format) {
  // The text is written only with DT_MODIFYSTRING, where the caller hands a writable buffer.
  return winapi::detail::DoDrawText(hdc, const_cast<char*>(text), count, rect, format, nullptr);
}

int DrawTextEx(HDC hdc, LPSTR text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  return winapi::detail::DoDrawText(hdc, text, count, rect, format, params);
}
