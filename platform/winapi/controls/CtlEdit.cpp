// The "EDIT" class: single and multi-line text editing over a code-point buffer.
//
// Lines of a multi-line edit end at CR LF; positions count code points, CR and LF included. Layout goes
// through the controls' measuring function only, so caret and selection geometry follow the font.
// A multi-line edit without ES_AUTOHSCROLL wraps long lines at the right edge of its formatting rectangle
// (after the blanks that follow a word, or inside a word longer than the line); otherwise it scrolls
// horizontally. A wrapped line ends where the next begins; only lines ending in CR LF have a break.

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "rtl/Utf8.h"
#include "winapi/detail/Ctl.h"

namespace winapi::ctl {

namespace {

constexpr int kDefaultLimit = 30000;
constexpr int kMaxLimit = 0x7FFFFFFE;

struct UndoRecord {
  int pos = 0;              // where the change happened
  std::u32string removed;   // the text the change took away
  int inserted = 0;         // length of the text it put in
  bool typing = false;      // consecutive typed characters join one record
};

struct Edit {
  HWND hwnd = nullptr;
  std::u32string text;
  std::vector<int> lineStarts{0};  // first position of every line (multi-line); {0} for a single line
  int anchor = 0;                  // the fixed end of the selection
  int caret = 0;                   // the moving end, where the caret is
  int limit = kDefaultLimit;
  char32_t password = 0;
  int marginLeft = 0;
  int marginRight = 0;
  bool customRect = false;
  RECT rect{};  // the formatting rectangle
  HFONT font = nullptr;
  bool modified = false;
  bool focused = false;
  bool tracking = false;
  bool canUndo = false;
  UndoRecord undo;
  int firstLine = 0;  // vertical scroll, in lines
  int xOffset = 0;    // horizontal scroll, in pixels
  int tabPixels = 0;  // 0: eight average characters
  int caretX = -1;    // the column Up and Down try to keep
  bool vscroll = false;  // created with a vertical scroll bar: it stays, disabled when not needed

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)); }
  bool Multi() const { return (Style() & ES_MULTILINE) != 0; }
  int Len() const { return static_cast<int>(text.size()); }
  int SelMin() const { return std::min(anchor, caret); }
  int SelMax() const { return std::max(anchor, caret); }
  int Lines() const { return static_cast<int>(lineStarts.size()); }
  int LineOf(int pos) const {
    auto it = std::upper_bound(lineStarts.begin(), lineStarts.end(), pos);
    return static_cast<int>(it - lineStarts.begin()) - 1;
  }
  int LineStart(int line) const { return lineStarts[static_cast<size_t>(line)]; }
  // Whether a line start follows a CR LF (or is the first): a paragraph starts there.
  bool HardStart(int start) const {
    return start == 0 || (start >= 2 && text[static_cast<size_t>(start) - 2] == U'\r' && text[static_cast<size_t>(start) - 1] == U'\n');
  }
  // End of the line's text, before its CR LF; a wrapped line ends where the next one starts.
  int LineEnd(int line) const {
    if (line + 1 < Lines()) {
      int next = lineStarts[static_cast<size_t>(line) + 1];
      return HardStart(next) ? next - 2 : next;
    }
    return Len();
  }
  // Where End and a click past the text put the caret: before the blank a wrapped line ends with.
  int CaretEnd(int line) const {
    int end = LineEnd(line);
    if (line + 1 < Lines() && end == LineStart(line + 1) && end > LineStart(line) &&
        (text[static_cast<size_t>(end) - 1] == U' ' || text[static_cast<size_t>(end) - 1] == U'\t'))
      return end - 1;
    return end;
  }
  bool Wraps() const { return (Style() & (ES_MULTILINE | ES_AUTOHSCROLL)) == ES_MULTILINE; }
  int LineHeightPx() const { return std::max(1, LineHeight(font)); }
  int VisibleLines() const { return std::max(1, static_cast<int>((rect.bottom - rect.top) / LineHeightPx())); }
};

Edit* E(HWND h) { return StateOf<Edit>(h); }

// Appends the starts of the lines after the first of the paragraphs in [from, to) (from a paragraph
// start, to the end of the text or a paragraph start), wrapped to the formatting rectangle.
void WrapRange(const Edit* e, int from, int to, std::vector<int>& out);

void Rebuild(Edit* e) {
  e->lineStarts.assign(1, 0);
  if (!e->Multi()) return;
  if (e->Wraps()) {
    WrapRange(e, 0, e->Len(), e->lineStarts);
    return;
  }
  for (int i = 0; i + 1 < e->Len(); ++i)
    if (e->text[static_cast<size_t>(i)] == U'\r' && e->text[static_cast<size_t>(i) + 1] == U'\n') {
      e->lineStarts.push_back(i + 2);
      ++i;
    }
}

// Keeps the line table in step with a replacement of [pos, pos + removed) by `inserted` characters,
// touching only the lines after the change.
void UpdateLines(Edit* e, int pos, int removed, int inserted) {
  if (!e->Multi()) return;
  if (e->Wraps()) {
    // Re-wrap the paragraphs the change touched; the lines after them only move.
    auto& ls = e->lineStarts;
    int from = e->LineOf(std::max(0, pos - 1));
    while (from > 0 && !e->HardStart(ls[static_cast<size_t>(from)])) --from;
    int delta = inserted - removed, oldEnd = pos + removed;
    size_t sync = ls.size();
    for (size_t k = static_cast<size_t>(from) + 1; k < ls.size(); ++k)
      if (ls[k] >= oldEnd + 2 && e->HardStart(ls[k] + delta)) {
        sync = k;
        break;
      }
    std::vector<int> tail;
    for (size_t k = sync; k < ls.size(); ++k) tail.push_back(ls[k] + delta);
    int scanFrom = ls[static_cast<size_t>(from)];
    ls.resize(static_cast<size_t>(from) + 1);
    WrapRange(e, scanFrom, tail.empty() ? e->Len() : tail.front(), ls);
    if (!tail.empty()) ls.push_back(tail.front());
    ls.insert(ls.end(), tail.begin() + (tail.empty() ? 0 : 1), tail.end());
    return;
  }
  // a CR LF may straddle the edges of the change: restart from the line before it
  int from = std::max(0, e->LineOf(std::max(0, pos - 1)));
  int scanFrom = e->LineStart(from);
  auto& ls = e->lineStarts;
  ls.erase(ls.begin() + from + 1, std::upper_bound(ls.begin(), ls.end(), pos + removed + 1));
  int delta = inserted - removed;
  std::vector<int> tail(ls.begin() + from + 1, ls.end());
  ls.resize(static_cast<size_t>(from) + 1);
  for (int& t : tail) t += delta;
  int scanTo = std::min(e->Len(), pos + inserted + 2);
  for (int i = scanFrom; i + 1 < scanTo; ++i)
    if (e->text[static_cast<size_t>(i)] == U'\r' && e->text[static_cast<size_t>(i) + 1] == U'\n') {
      ls.push_back(i + 2);
      ++i;
    }
  for (int t : tail)
    if (t > ls.back()) ls.push_back(t);
}

// ---- layout ------------------------------------------------------------------------------------------
std::string ShownText(const Edit* e, int from, int to) {
  if (to <= from) return {};
  if (e->password) return ToUtf8(std::u32string(static_cast<size_t>(to - from), e->password));
  return ToUtf8(e->text.data() + from, static_cast<size_t>(to - from));
}

int TabWidth(const Edit* e) {
  if (e->tabPixels > 0) return e->tabPixels;
  return std::max(1, TextWidth(e->font, "x") * 8);
}

// Width of the line's text from its start to `pos`, tabs expanded.
int Width(const Edit* e, int line, int pos) {
  int start = e->LineStart(line);
  int x = 0;
  int run = start;
  for (int i = start; i < pos; ++i) {
    if (e->text[static_cast<size_t>(i)] == U'\t' && !e->password) {
      x += TextWidth(e->font, ShownText(e, run, i));
      int tw = TabWidth(e);
      x = (x / tw + 1) * tw;
      run = i + 1;
    }
  }
  return x + TextWidth(e->font, ShownText(e, run, pos));
}

// Width of [from, to) of one line starting at lineStart, tabs expanded from the line's start.
int RunWidth(const Edit* e, int lineStart, int to) {
  int x = 0, run = lineStart;
  for (int i = lineStart; i < to; ++i) {
    if (e->text[static_cast<size_t>(i)] == U'\t' && !e->password) {
      x += TextWidth(e->font, ShownText(e, run, i));
      int tw = TabWidth(e);
      x = (x / tw + 1) * tw;
      run = i + 1;
    }
  }
  return x + TextWidth(e->font, ShownText(e, run, to));
}

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t'; }

void WrapRange(const Edit* e, int from, int to, std::vector<int>& out) {
  int room = std::max(1, static_cast<int>(e->rect.right - e->rect.left));
  int p = from;
  while (p < to) {
    // the paragraph: up to its CR LF (or the end)
    int end = p;
    while (end < e->Len() && !(e->text[static_cast<size_t>(end)] == U'\r' && end + 1 < e->Len() &&
                               e->text[static_cast<size_t>(end) + 1] == U'\n'))
      ++end;
    int ls = p;
    while (ls < end) {
      // Most lines fit whole: one measure. Otherwise grow the line a character at a time (widths
      // added up, tabs to their stops) while it fits; blanks may hang past the edge.
      if (RunWidth(e, ls, end) <= room) break;
      int lastFit = ls + 1;
      int x = 0;
      for (int i = ls; i < end; ++i) {
        char32_t c = e->text[static_cast<size_t>(i)];
        if (c == U'\t' && !e->password) {
          int tw = TabWidth(e);
          x = (x / tw + 1) * tw;
        } else {
          x += TextWidth(e->font, ShownText(e, i, i + 1));
        }
        if (i > ls && !IsBlank(c) && x > room) break;
        lastFit = i + 1;
      }
      if (lastFit >= end) break;
      // break after the last blank run before the first character that did not fit
      int brk = lastFit;
      for (int j = lastFit; j > ls; --j)
        if (IsBlank(e->text[static_cast<size_t>(j) - 1]) && !IsBlank(e->text[static_cast<size_t>(j)])) {
          brk = j;
          break;
        }
      out.push_back(brk);
      ls = brk;
    }
    if (end >= e->Len()) break;
    // the next paragraph; a `to` before the end of the text is a start the caller already has
    if (end + 2 < to || (to == e->Len() && end + 2 == to)) out.push_back(end + 2);
    if (end + 2 >= to) break;
    p = end + 2;
  }
}

int LineLeft(const Edit* e, int line) {
  int x = e->rect.left - e->xOffset;
  DWORD align = e->Style() & (ES_CENTER | ES_RIGHT);
  if (align) {
    int w = Width(e, line, e->LineEnd(line));
    int room = e->rect.right - e->rect.left;
    if (w < room) x = align == ES_RIGHT ? e->rect.right - w : e->rect.left + (room - w) / 2;
  }
  return x;
}

POINT PosOf(const Edit* e, int pos) {
  int line = e->LineOf(pos);
  int y = e->rect.top + (line - e->firstLine) * e->LineHeightPx();
  return POINT{LineLeft(e, line) + Width(e, line, std::min(pos, e->LineEnd(line))), y};
}

int CharFromPoint(const Edit* e, int x, int y) {
  int line = e->firstLine + (y - e->rect.top) / e->LineHeightPx();
  if (y < e->rect.top) line = e->firstLine - 1;
  line = std::clamp(line, 0, e->Lines() - 1);
  int left = LineLeft(e, line);
  int start = e->LineStart(line), end = e->CaretEnd(line);
  int prev = left;
  for (int i = start; i < end; ++i) {
    int next = left + Width(e, line, i + 1);
    if (x < (prev + next + 1) / 2) return i;
    prev = next;
  }
  return end;
}

void Rewrap(Edit* e) {
  if (!e->Wraps()) return;
  Rebuild(e);
  e->firstLine = std::clamp(e->firstLine, 0, std::max(0, e->Lines() - 1));
}

void ComputeRect(Edit* e) {
  if (e->customRect) return Rewrap(e);
  RECT c{};
  GetClientRect(e->hwnd, &c);
  e->rect = RECT{c.left + e->marginLeft, c.top, std::max(c.left + e->marginLeft, c.right - e->marginRight), c.bottom};
  if (e->Multi()) e->rect.bottom = c.top + std::max(1, (c.bottom - c.top) / e->LineHeightPx()) * e->LineHeightPx();
  Rewrap(e);
}

void UpdateScrollBars(Edit* e) {
  if (!e->Multi() || !e->vscroll) return;
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = e->Lines() - 1;
  si.nPage = static_cast<UINT>(e->VisibleLines());
  si.nPos = e->firstLine;
  SetScrollInfo(e->hwnd, SB_VERT, &si, TRUE);
}

void PlaceCaret(Edit* e) {
  if (!e->focused) return;
  POINT p = PosOf(e, e->caret);
  SetCaretPos(p.x, p.y);
}

// Scrolls so that the caret is in view.
void ScrollToCaret(Edit* e) {
  int line = e->LineOf(e->caret);
  if (e->Multi()) {
    int vis = e->VisibleLines();
    int old = e->firstLine;
    if (line < e->firstLine) e->firstLine = line;
    if (line >= e->firstLine + vis) e->firstLine = line - vis + 1;
    if (old != e->firstLine) UpdateScrollBars(e);
  }
  DWORD st = e->Style();
  if (!(st & (ES_CENTER | ES_RIGHT)) && (st & ES_AUTOHSCROLL)) {
    int x = Width(e, line, e->caret);
    int room = e->rect.right - e->rect.left;
    if (x - e->xOffset > room - 1) e->xOffset = x - room + std::max(1, room / 4);
    if (x < e->xOffset) e->xOffset = std::max(0, x - std::max(1, room / 4));
    if (x == 0) e->xOffset = 0;
  }
  PlaceCaret(e);
}

void Redraw(Edit* e) { InvalidateRect(e->hwnd, nullptr, TRUE); }

void SetSel(Edit* e, int anchor, int caret, bool scroll = true) {
  e->anchor = std::clamp(anchor, 0, e->Len());
  e->caret = std::clamp(caret, 0, e->Len());
  // never inside a CR LF
  for (int* p : {&e->anchor, &e->caret})
    if (*p > 0 && *p < e->Len() && e->text[static_cast<size_t>(*p) - 1] == U'\r' && e->text[static_cast<size_t>(*p)] == U'\n')
      --*p;
  if (scroll) ScrollToCaret(e);
  else PlaceCaret(e);
  Redraw(e);
}

// ---- changes -----------------------------------------------------------------------------------------
// Replaces [from, to) with `ins`, records the undo step and puts the caret after the new text.
void Replace(Edit* e, int from, int to, std::u32string ins, bool undoable, bool typing) {
  from = std::clamp(from, 0, e->Len());
  to = std::clamp(to, from, e->Len());
  std::u32string removed = e->text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
  int ilen = static_cast<int>(ins.size());
  if (undoable) {
    UndoRecord& u = e->undo;
    if (typing && e->canUndo && u.typing && removed.empty() && from == u.pos + u.inserted) {
      u.inserted += ilen;
    } else {
      u = UndoRecord{from, removed, ilen, typing};
    }
    e->canUndo = true;
  }
  e->text.replace(static_cast<size_t>(from), static_cast<size_t>(to - from), ins);
  UpdateLines(e, from, to - from, ilen);
  if (e->firstLine > e->Lines() - 1) e->firstLine = std::max(0, e->Lines() - 1);
  e->modified = true;
  e->caretX = -1;
  e->anchor = e->caret = from + ilen;
  ScrollToCaret(e);
  UpdateScrollBars(e);
  Redraw(e);
}

// A user or program change of the selection's text: applies the limit, notifies in the platform's order.
bool ReplaceSel(Edit* e, std::u32string ins, bool undoable, bool typing) {
  int room = e->limit - (e->Len() - (e->SelMax() - e->SelMin()));
  bool cut = false;
  if (static_cast<int>(ins.size()) > room) {
    ins.resize(static_cast<size_t>(std::max(0, room)));
    cut = true;
  }
  if (!e->Multi()) {
    // a single line keeps the first line only; without automatic scrolling the text must fit
    size_t br = ins.find_first_of(U"\r\n");
    if (br != std::u32string::npos) ins.resize(br);
  }
  if (cut && ins.empty()) {
    Notify(e->hwnd, EN_MAXTEXT);
    return false;
  }
  if (!e->Multi() && !(e->Style() & ES_AUTOHSCROLL)) {
    std::u32string next = e->text;
    next.replace(static_cast<size_t>(e->SelMin()), static_cast<size_t>(e->SelMax() - e->SelMin()), ins);
    std::string shown = e->password ? ToUtf8(std::u32string(next.size(), e->password)) : ToUtf8(next);
    if (TextWidth(e->font, shown) > e->rect.right - e->rect.left) {
      Notify(e->hwnd, EN_MAXTEXT);
      return false;
    }
  }
  Replace(e, e->SelMin(), e->SelMax(), std::move(ins), undoable, typing);
  Notify(e->hwnd, EN_UPDATE);
  Notify(e->hwnd, EN_CHANGE);
  if (cut) Notify(e->hwnd, EN_MAXTEXT);
  return true;
}

bool Undo(Edit* e) {
  if (!e->canUndo) return false;
  UndoRecord u = e->undo;
  std::u32string back = u.removed;
  std::u32string redo = e->text.substr(static_cast<size_t>(u.pos), static_cast<size_t>(u.inserted));
  Replace(e, u.pos, u.pos + u.inserted, back, false, false);
  // the undo itself can be undone: the record now describes the reverse change
  e->undo = UndoRecord{u.pos, redo, static_cast<int>(back.size()), false};
  e->canUndo = true;
  SetSel(e, u.pos, u.pos + static_cast<int>(back.size()));
  Notify(e->hwnd, EN_UPDATE);
  Notify(e->hwnd, EN_CHANGE);
  return true;
}

void SetText(Edit* e, const char* utf8, bool notify) {
  e->text = utf8 ? ToU32(utf8, std::strlen(utf8)) : std::u32string();
  if (!e->Multi()) {
    size_t br = e->text.find_first_of(U"\r\n");
    if (br != std::u32string::npos) e->text.resize(br);
  }
  Rebuild(e);
  e->anchor = e->caret = 0;
  e->firstLine = 0;
  e->xOffset = 0;
  e->canUndo = false;
  e->undo = UndoRecord{};
  e->modified = false;
  ScrollToCaret(e);
  UpdateScrollBars(e);
  Redraw(e);
  if (notify) {
    Notify(e->hwnd, EN_UPDATE);
    if (!e->Multi()) Notify(e->hwnd, EN_CHANGE);
  }
}

// ---- clipboard ---------------------------------------------------------------------------------------
void CopySel(Edit* e) {
  if (e->password || e->SelMin() == e->SelMax()) return;
  std::string s = ToUtf8(e->text.data() + e->SelMin(), static_cast<size_t>(e->SelMax() - e->SelMin()));
  if (!OpenClipboard(e->hwnd)) return;
  EmptyClipboard();
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, s.size() + 1);
  auto* p = static_cast<char*>(GlobalLock(g));
  std::memcpy(p, s.c_str(), s.size() + 1);
  GlobalUnlock(g);
  SetClipboardData(CF_TEXT, g);
  CloseClipboard();
}

void Paste(Edit* e) {
  if (e->Style() & ES_READONLY) return;
  if (!OpenClipboard(e->hwnd)) return;
  std::string s;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    auto g = reinterpret_cast<HGLOBAL>(h);
    if (auto* p = static_cast<const char*>(GlobalLock(g))) {
      s.assign(p, strnlen(p, GlobalSize(g)));
      GlobalUnlock(g);
    }
  }
  CloseClipboard();
  if (!s.empty()) ReplaceSel(e, ToU32(s), true, false);
}

void ClearSel(Edit* e) {
  if ((e->Style() & ES_READONLY) || e->SelMin() == e->SelMax()) return;
  ReplaceSel(e, {}, true, false);
}

// ---- keyboard ----------------------------------------------------------------------------------------
bool IsWordChar(char32_t c) { return UnicodeIsLetterOrDigit(c) || c == U'_'; }

int WordLeft(const Edit* e, int p) {
  while (p > 0 && !IsWordChar(e->text[static_cast<size_t>(p) - 1])) --p;
  while (p > 0 && IsWordChar(e->text[static_cast<size_t>(p) - 1])) --p;
  return p;
}

int WordRight(const Edit* e, int p) {
  int n = e->Len();
  while (p < n && IsWordChar(e->text[static_cast<size_t>(p)])) ++p;
  while (p < n && !IsWordChar(e->text[static_cast<size_t>(p)])) ++p;
  return p;
}

int Prev(const Edit* e, int p) {
  if (p >= 2 && e->text[static_cast<size_t>(p) - 2] == U'\r' && e->text[static_cast<size_t>(p) - 1] == U'\n') return p - 2;
  return std::max(0, p - 1);
}

int Next(const Edit* e, int p) {
  if (p + 1 < e->Len() && e->text[static_cast<size_t>(p)] == U'\r' && e->text[static_cast<size_t>(p) + 1] == U'\n') return p + 2;
  return std::min(e->Len(), p + 1);
}

int LineMove(Edit* e, int lines) {
  int line = e->LineOf(e->caret);
  if (e->caretX < 0) e->caretX = PosOf(e, e->caret).x;
  int target = std::clamp(line + lines, 0, e->Lines() - 1);
  int y = e->rect.top + (target - e->firstLine) * e->LineHeightPx();
  int keep = e->caretX;
  int p = CharFromPoint(e, keep, y);
  // CharFromPoint works on visible rows; rows off screen are measured the same way
  return p;
}

bool KeyDown(Edit* e, int vk) {
  bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  int p = e->caret;
  int keepX = -1;
  switch (vk) {
    case VK_LEFT:
      p = ctrl ? WordLeft(e, p) : (!shift && e->SelMin() != e->SelMax() ? e->SelMin() : Prev(e, p));
      break;
    case VK_RIGHT:
      p = ctrl ? WordRight(e, p) : (!shift && e->SelMin() != e->SelMax() ? e->SelMax() : Next(e, p));
      break;
    case VK_HOME: p = ctrl ? 0 : e->LineStart(e->LineOf(p)); break;
    case VK_END: p = ctrl ? e->Len() : e->CaretEnd(e->LineOf(p)); break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      if (!e->Multi()) {
        if (vk == VK_UP || vk == VK_PRIOR) p = Prev(e, p);
        else p = Next(e, p);
        break;
      }
      int n = vk == VK_UP ? -1 : vk == VK_DOWN ? 1 : vk == VK_PRIOR ? -e->VisibleLines() : e->VisibleLines();
      p = LineMove(e, n);
      keepX = e->caretX;
      break;
    }
    case VK_DELETE:
      if (shift) {
        // The clipboard keys go through the clipboard messages, so that a subclass sees every cut and paste
        // (a read-only window's own handler refuses the cut).
        SendMessage(e->hwnd, WM_CUT, 0, 0);
        return true;
      }
      if (e->Style() & ES_READONLY) return true;
      if (e->SelMin() != e->SelMax()) {
        ClearSel(e);
      } else if (p < e->Len()) {
        e->anchor = Next(e, p);
        if (ctrl) e->anchor = WordRight(e, p);
        ReplaceSel(e, {}, true, false);
      }
      return true;
    case VK_INSERT:
      if (ctrl) SendMessage(e->hwnd, WM_COPY, 0, 0);
      else if (shift) SendMessage(e->hwnd, WM_PASTE, 0, 0);
      return true;
    default: return false;
  }
  SetSel(e, shift ? e->anchor : p, p);
  if (keepX >= 0) e->caretX = keepX;
  else e->caretX = -1;
  return true;
}

char32_t Cased(const Edit* e, char32_t c) {
  DWORD st = e->Style();
  if (st & ES_UPPERCASE) return UnicodeToUpper(c);
  if (st & ES_LOWERCASE) return UnicodeToLower(c);
  return c;
}

void Char(Edit* e, char32_t c) {
  bool ro = (e->Style() & ES_READONLY) != 0;
  switch (c) {
    case 1: SetSel(e, 0, e->Len()); return;  // Ctrl+A
    case 3: SendMessage(e->hwnd, WM_COPY, 0, 0); return;   // Ctrl+C
    case 22: SendMessage(e->hwnd, WM_PASTE, 0, 0); return;  // Ctrl+V
    case 24:  // Ctrl+X
      SendMessage(e->hwnd, WM_CUT, 0, 0);
      return;
    case 26: Undo(e); return;  // Ctrl+Z
    case 8:                    // Backspace
      if (ro) return MessageBeep(0), void();
      if (e->SelMin() == e->SelMax()) {
        if (e->caret == 0) return;
        e->anchor = Prev(e, e->caret);
      }
      ReplaceSel(e, {}, true, false);
      return;
    case 127:  // Ctrl+Backspace deletes the word before the caret
      if (ro) return;
      if (e->SelMin() == e->SelMax()) e->anchor = WordLeft(e, e->caret);
      ReplaceSel(e, {}, true, false);
      return;
    case U'\r':
      if (!e->Multi()) return MessageBeep(0), void();
      if (ro) return MessageBeep(0), void();
      ReplaceSel(e, U"\r\n", true, false);
      return;
    case 27: return;  // Escape
    case U'\t':
      if (!e->Multi() || ro) return;
      ReplaceSel(e, U"\t", true, true);
      return;
    default: break;
  }
  if (c < 32) return;
  if (ro) return MessageBeep(0), void();
  if ((e->Style() & ES_NUMBER) && !(c >= U'0' && c <= U'9')) return MessageBeep(0), void();
  if (!ReplaceSel(e, std::u32string(1, Cased(e, c)), true, true)) MessageBeep(0);
}

// ---- painting ----------------------------------------------------------------------------------------
void Paint(Edit* e) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(e->hwnd, &ps);
  DWORD st = e->Style();
  bool enabled = IsWindowEnabled(e->hwnd);
  UINT colorMsg = (st & ES_READONLY) || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  HBRUSH bg = ControlColor(e->hwnd, colorMsg, dc);
  RECT c{};
  GetClientRect(e->hwnd, &c);
  FillRect(dc, &c, bg);
  COLORREF text = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
  bool showSel = e->SelMin() != e->SelMax() && (e->focused || (st & ES_NOHIDESEL));
  int h = e->LineHeightPx();
  int last = std::min(e->Lines() - 1, e->firstLine + e->VisibleLines());
  HRGN clip = CreateRectRgnIndirect(&e->rect);
  for (int line = e->firstLine; line <= last; ++line) {
    int y = e->rect.top + (line - e->firstLine) * h;
    int left = LineLeft(e, line);
    int start = e->LineStart(line), end = e->LineEnd(line);
    int s0 = std::clamp(e->SelMin(), start, end), s1 = std::clamp(e->SelMax(), start, end);
    auto draw = [&](int from, int to, COLORREF color) {
      // runs between tabs are drawn one by one so that tabs land on their stops
      int run = from;
      for (int i = from; i <= to; ++i) {
        if (i == to || (e->text[static_cast<size_t>(i)] == U'\t' && !e->password)) {
          SetTextColor(dc, color);
          DrawRun(dc, e->font, left + Width(e, line, run), y, ShownText(e, run, i));
          run = i + 1;
        }
      }
    };
    if (showSel && s0 < s1) {
      RECT r{left + Width(e, line, s0), y, left + Width(e, line, s1), y + h};
      IntersectRect(&r, &r, &e->rect);
      FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
      draw(start, s0, text);
      draw(s0, s1, GetSysColor(COLOR_HIGHLIGHTTEXT));
      draw(s1, end, text);
    } else {
      draw(start, end, text);
    }
  }
  DeleteObject(clip);
  EndPaint(e->hwnd, &ps);
}

void Scroll(Edit* e, int lines) {
  int maxFirst = std::max(0, e->Lines() - e->VisibleLines());
  int first = std::clamp(e->firstLine + lines, 0, std::max(maxFirst, e->firstLine < maxFirst ? maxFirst : e->firstLine));
  first = std::clamp(first, 0, std::max(0, e->Lines() - 1));
  if (first == e->firstLine) return;
  e->firstLine = first;
  UpdateScrollBars(e);
  PlaceCaret(e);
  Redraw(e);
}

LRESULT GetDlgCode(Edit* e, LPARAM lp) {
  LRESULT r = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
  if (e->Multi()) {
    r |= DLGC_WANTALLKEYS;
    auto* m = reinterpret_cast<const MSG*>(lp);
    if (m && m->message == WM_KEYDOWN &&
        ((m->wParam == VK_RETURN && !(e->Style() & ES_WANTRETURN)) || m->wParam == VK_ESCAPE))
      r &= ~DLGC_WANTALLKEYS;
  }
  return r;
}

LRESULT Handle(Edit* e, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      ComputeRect(e);
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
      if (cs->style & ES_PASSWORD) e->password = U'*';
      e->vscroll = (cs->style & WS_VSCROLL) != 0;
      std::string initial = cs->lpszName && reinterpret_cast<uintptr_t>(cs->lpszName) >= 0x10000 ? cs->lpszName : "";
      SetText(e, initial.c_str(), false);
      return 0;
    }
    case WM_SETTEXT: SetText(e, reinterpret_cast<const char*>(lp), true); return TRUE;
    case WM_GETTEXT: return CopyOut(ToUtf8(e->text), reinterpret_cast<char*>(lp), wp);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(ToUtf8(e->text).size());
    case WM_SETFONT:
      e->font = reinterpret_cast<HFONT>(wp);
      ComputeRect(e);
      ScrollToCaret(e);
      if (lp) Redraw(e);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(e->font);
    case WM_SIZE:
      e->customRect = false;
      ComputeRect(e);
      ScrollToCaret(e);
      UpdateScrollBars(e);
      Redraw(e);
      return 0;
    case WM_PAINT: Paint(e); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return GetDlgCode(e, lp);
    case WM_SETFOCUS:
      e->focused = true;
      CreateCaret(h, nullptr, 1, e->LineHeightPx());
      PlaceCaret(e);
      ShowCaret(h);
      Redraw(e);
      Notify(h, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      e->focused = false;
      DestroyCaret();
      Redraw(e);
      Notify(h, EN_KILLFOCUS);
      return 0;
    case WM_ENABLE: Redraw(e); return 0;
    case WM_KEYDOWN:
      if (KeyDown(e, static_cast<int>(wp))) return 0;
      break;
    case WM_CHAR: Char(e, static_cast<char32_t>(wp)); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != h) SetFocus(h);
      int p = CharFromPoint(e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      if (msg == WM_LBUTTONDBLCLK) {
        int a = p, b = p;
        while (a > 0 && IsWordChar(e->text[static_cast<size_t>(a) - 1])) --a;
        while (b < e->Len() && IsWordChar(e->text[static_cast<size_t>(b)])) ++b;
        while (b < e->Len() && e->text[static_cast<size_t>(b)] == U' ') ++b;
        SetSel(e, a, b);
        return 0;
      }
      SetSel(e, (wp & MK_SHIFT) ? e->anchor : p, p);
      e->tracking = true;
      SetCapture(h);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (e->tracking) SetSel(e, e->anchor, CharFromPoint(e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)));
      return 0;
    case WM_LBUTTONUP:
      if (e->tracking) {
        e->tracking = false;
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED: e->tracking = false; return 0;
    case WM_MOUSEWHEEL:
      if (e->Multi()) Scroll(e, -3 * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA);
      return 0;
    case WM_VSCROLL: {
      Notify(h, EN_VSCROLL);
      switch (LOWORD(wp)) {
        case SB_LINEUP: Scroll(e, -1); break;
        case SB_LINEDOWN: Scroll(e, 1); break;
        case SB_PAGEUP: Scroll(e, -e->VisibleLines()); break;
        case SB_PAGEDOWN: Scroll(e, e->VisibleLines()); break;
        case SB_TOP: Scroll(e, -e->firstLine); break;
        case SB_BOTTOM: Scroll(e, e->Lines()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: Scroll(e, static_cast<SHORT>(HIWORD(wp)) - e->firstLine); break;
        default: break;
      }
      return 0;
    }
    case WM_CUT:
      if (e->Style() & ES_READONLY) return 0;
      CopySel(e);
      ClearSel(e);
      return 0;
    case WM_COPY: CopySel(e); return 0;
    case WM_PASTE: Paste(e); return 0;
    case WM_CLEAR: ClearSel(e); return 0;
    case WM_UNDO:
    case EM_UNDO: return Undo(e);
    case EM_CANUNDO: return e->canUndo;
    case EM_EMPTYUNDOBUFFER:
      e->canUndo = false;
      e->undo = UndoRecord{};
      return 0;
    case EM_GETSEL:
      if (wp) *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(e->SelMin());
      if (lp) *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(e->SelMax());
      return MAKELRESULT(static_cast<WORD>(std::min(e->SelMin(), 0xFFFF)), static_cast<WORD>(std::min(e->SelMax(), 0xFFFF)));
    case EM_SETSEL: {
      int a = static_cast<int>(static_cast<LONG>(wp)), b = static_cast<int>(static_cast<LONG>(lp));
      if (a == -1) {
        SetSel(e, e->caret, e->caret);
        return 0;
      }
      if (b < 0) b = e->Len();
      if (a < 0) a = e->Len();
      SetSel(e, a, b);
      return 0;
    }
    case EM_REPLACESEL: {
      const char* s = reinterpret_cast<const char*>(lp);
      ReplaceSel(e, s ? ToU32(s, std::strlen(s)) : std::u32string(), wp != 0, false);
      return 0;
    }
    case EM_LIMITTEXT: e->limit = wp == 0 ? kMaxLimit : static_cast<int>(std::min<WPARAM>(wp, kMaxLimit)); return 0;
    case EM_GETLIMITTEXT: return e->limit;
    case EM_SETREADONLY: {
      LONG st = GetWindowLong(h, GWL_STYLE);
      SetWindowLong(h, GWL_STYLE, wp ? (st | static_cast<LONG>(ES_READONLY)) : (st & ~static_cast<LONG>(ES_READONLY)));
      Redraw(e);
      return TRUE;
    }
    case EM_SETPASSWORDCHAR: {
      if (e->Multi()) return 0;
      e->password = static_cast<char32_t>(wp);
      LONG st = GetWindowLong(h, GWL_STYLE);
      SetWindowLong(h, GWL_STYLE, wp ? (st | static_cast<LONG>(ES_PASSWORD)) : (st & ~static_cast<LONG>(ES_PASSWORD)));
      ScrollToCaret(e);
      Redraw(e);
      return 0;
    }
    case EM_GETPASSWORDCHAR: return static_cast<LRESULT>(e->password);
    case EM_SETMARGINS: {
      int l = LOWORD(lp), r = HIWORD(lp);
      if (wp == EC_USEFONTINFO) {
        l = r = std::max(1, TextWidth(e->font, "x") / 3);
        wp = EC_LEFTMARGIN | EC_RIGHTMARGIN;
      }
      if (wp & EC_LEFTMARGIN) e->marginLeft = l;
      if (wp & EC_RIGHTMARGIN) e->marginRight = r;
      e->customRect = false;
      ComputeRect(e);
      ScrollToCaret(e);
      Redraw(e);
      return 0;
    }
    case EM_GETMARGINS: return MAKELRESULT(static_cast<WORD>(e->marginLeft), static_cast<WORD>(e->marginRight));
    case EM_GETRECT:
      if (lp) *reinterpret_cast<RECT*>(lp) = e->rect;
      return 0;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (!lp) {
        e->customRect = false;
        ComputeRect(e);
      } else {
        e->rect = *reinterpret_cast<const RECT*>(lp);
        e->customRect = true;
      }
      ScrollToCaret(e);
      if (msg == EM_SETRECT) Redraw(e);
      return 0;
    case EM_GETLINECOUNT: return e->Lines();
    case EM_LINEFROMCHAR: {
      int p = static_cast<int>(static_cast<LONG>(wp));
      if (p < 0) p = e->SelMin();
      return e->LineOf(std::min(p, e->Len()));
    }
    case EM_LINEINDEX: {
      int line = static_cast<int>(static_cast<LONG>(wp));
      if (line < 0) line = e->LineOf(e->caret);
      return line < e->Lines() ? e->LineStart(line) : -1;
    }
    case EM_LINELENGTH: {
      int p = static_cast<int>(static_cast<LONG>(wp));
      if (p < 0) {
        // the unselected characters of the lines the selection touches
        int l0 = e->LineOf(e->SelMin()), l1 = e->LineOf(e->SelMax());
        return (e->SelMin() - e->LineStart(l0)) + (e->LineEnd(l1) - e->SelMax());
      }
      if (p > e->Len()) return 0;
      int line = e->LineOf(p);
      return e->LineEnd(line) - e->LineStart(line);
    }
    case EM_GETLINE: {
      int line = e->Multi() ? static_cast<int>(wp) : 0;
      if (!lp || line < 0 || line >= e->Lines()) return 0;
      char* buf = reinterpret_cast<char*>(lp);
      size_t room = *reinterpret_cast<const WORD*>(buf);
      std::string s = ToUtf8(e->text.data() + e->LineStart(line), static_cast<size_t>(e->LineEnd(line) - e->LineStart(line)));
      size_t n = std::min(room, s.size());
      while (n > 0 && n < s.size() && !Utf8IsBoundary(s, n)) --n;
      std::memcpy(buf, s.data(), n);
      if (n < room) buf[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case EM_LINESCROLL:
      if (!e->Multi()) return FALSE;
      if (static_cast<int>(wp) && (e->Style() & ES_AUTOHSCROLL || true)) {
        e->xOffset = std::max(0, e->xOffset + static_cast<int>(static_cast<LONG>(wp)) * std::max(1, TextWidth(e->font, "x")));
        Redraw(e);
      }
      Scroll(e, static_cast<int>(static_cast<LONG>(lp)));
      return TRUE;
    case EM_SCROLL:
      if (!e->Multi()) return FALSE;
      Handle(e, h, WM_VSCROLL, wp, 0);
      return TRUE;
    case EM_SCROLLCARET: ScrollToCaret(e); Redraw(e); return TRUE;
    case EM_GETFIRSTVISIBLELINE:
      if (e->Multi()) return e->firstLine;
      return CharFromPoint(e, e->rect.left, e->rect.top);
    case EM_POSFROMCHAR: {
      int p = static_cast<int>(wp);
      if (p < 0 || p >= e->Len()) return -1;
      POINT pt = PosOf(e, p);
      return MAKELRESULT(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
    }
    case EM_CHARFROMPOS: {
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      int p = CharFromPoint(e, x, y);
      return MAKELRESULT(static_cast<WORD>(p), static_cast<WORD>(e->LineOf(p)));
    }
    case EM_GETMODIFY: return e->modified;
    case EM_SETMODIFY: e->modified = wp != 0; return 0;
    case EM_SETTABSTOPS:
      if (!e->Multi()) return FALSE;
      // dialog units: a quarter of the average character width each
      e->tabPixels = wp == 0 ? 0 : std::max(1, *reinterpret_cast<const int*>(lp) * std::max(1, TextWidth(e->font, "x")) / 4);
      if (wp == 1 && lp == 0) e->tabPixels = 0;
      Redraw(e);
      return TRUE;
    case EM_FMTLINES: return FALSE;
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

}  // namespace

LRESULT EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Edit* e = E(h);
  if (msg == WM_NCCREATE) {
    e = new Edit();
    e->hwnd = h;
    SetState(h, e);
    return DefWindowProc(h, msg, wp, lp);
  }
  if (!e) return DefWindowProc(h, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetState(h, nullptr);
    delete e;
    return DefWindowProc(h, msg, wp, lp);
  }
  return Handle(e, h, msg, wp, lp);
}

}  // namespace winapi::ctl
