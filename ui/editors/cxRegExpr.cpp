#include "ui/editors/cxRegExpr.h"

#include <algorithm>

#include "ui/base/cxClasses.h"
#include "rtl/FormatSettings.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace {

String Msg(const char* text) { return TranslateString(String(text)); }

String Msg(const char* text, const String& arg) { return StringReplace(Msg(text), "%s", arg, {rfReplaceAll}); }

String CharText(char32_t c) { return Utf8FromCodePoint(c); }

bool IsWhite(char32_t c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

bool IsHex(char32_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

uint32_t HexValue(char32_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c - 'a' + 10;
}

const char* const SQuote = " ' ";

}  // namespace

// ---- errors ----------------------------------------------------------------------------------------

String TcxRegExprError::Formatted() const {
  String result;
  if (Line > 0) {
    result = "Line" + IntToStr(Line);
    if (Column > 0) result += ", Char" + IntToStr(Column);
    result += ": ";
  }
  return result + Message;
}

// ---- items -----------------------------------------------------------------------------------------

bool TcxRegExprSymbol::Check(char32_t& c, bool caseInsensitive) const {
  if (!caseInsensitive) return c == FSymbol;
  if (UnicodeToUpper(c) != UnicodeToUpper(FSymbol)) return false;
  c = FSymbol;
  return true;
}

char32_t TcxRegExprTimeSeparator::Value() { return static_cast<unsigned char>(FormatSettings().TimeSeparator); }
char32_t TcxRegExprDateSeparator::Value() { return static_cast<unsigned char>(FormatSettings().DateSeparator); }

bool TcxRegExprTimeSeparator::Check(char32_t& c, bool) const { return c == Value(); }
bool TcxRegExprDateSeparator::Check(char32_t& c, bool) const { return c == Value(); }

bool TcxRegExprSubrange::Check(char32_t& c, bool) const { return c >= FStart && c <= FFinish; }

bool TcxRegExprUserEnumeration::Check(char32_t& c, bool caseInsensitive) const {
  bool found = false;
  for (const auto& item : FItems)
    if (item->Check(c, caseInsensitive)) {
      found = true;
      break;
    }
  return found != FInverse;
}

std::unique_ptr<TcxRegExprItem> TcxRegExprUserEnumeration::Clone() const {
  auto result = std::make_unique<TcxRegExprUserEnumeration>(FInverse);
  for (const auto& item : FItems) result->Add(item->Clone());
  return result;
}

bool TcxRegExprDigit::Check(char32_t& c, bool) const { return (c >= '0' && c <= '9') != FInverse; }

bool TcxRegExprIdLetter::Check(char32_t& c, bool) const {
  return (c == '_' || UnicodeIsLetterOrDigit(c)) != FInverse;
}

bool TcxRegExprSpace::Check(char32_t& c, bool) const {
  return (c == 32 || c == 0 || c == 9 || c == 10 || c == 12 || c == 13) != FInverse;
}

// ---- states ----------------------------------------------------------------------------------------

void TcxRegExprSimpleState::Match(char32_t c, bool caseInsensitive, TcxRegExprStates& result, uint64_t walk,
                                  char32_t& rewritten) {
  if (FMark == walk) return;
  FMark = walk;
  if (!FItem) return;
  char32_t checked = c;
  if (!FItem->Check(checked, caseInsensitive)) return;
  if (result.empty()) rewritten = checked;
  result.push_back(this);
}

void TcxRegExprSimpleState::Expand(TcxRegExprStates& result, uint64_t walk) {
  if (FMark == walk) return;
  FMark = walk;
  result.push_back(this);
}

void TcxRegExprBlockState::Match(char32_t c, bool caseInsensitive, TcxRegExprStates& result, uint64_t walk,
                                 char32_t& rewritten) {
  // A revisit within one walk ends here: groups that can be empty and repeat form cycles of empty moves.
  if (FMark == walk) return;
  FMark = walk;
  for (TcxRegExprState* s : Successors) s->Match(c, caseInsensitive, result, walk, rewritten);
}

void TcxRegExprBlockState::Expand(TcxRegExprStates& result, uint64_t walk) {
  if (FMark == walk) return;
  FMark = walk;
  for (TcxRegExprState* s : Successors) s->Expand(result, walk);
}

// ---- quantifiers and parser items ------------------------------------------------------------------

std::unique_ptr<TcxRegExprQuantifier> TcxRegExprSimpleQuantifier::Clone() const {
  return std::make_unique<TcxRegExprSimpleQuantifier>();
}
std::unique_ptr<TcxRegExprQuantifier> TcxRegExprQuestionQuantifier::Clone() const {
  return std::make_unique<TcxRegExprQuestionQuantifier>();
}
std::unique_ptr<TcxRegExprQuantifier> TcxRegExprStarQuantifier::Clone() const {
  return std::make_unique<TcxRegExprStarQuantifier>();
}
std::unique_ptr<TcxRegExprQuantifier> TcxRegExprPlusQuantifier::Clone() const {
  return std::make_unique<TcxRegExprPlusQuantifier>();
}

std::unique_ptr<TcxRegExprParserItem> TcxRegExprParserSimpleItem::Clone() const {
  auto result = std::make_unique<TcxRegExprParserSimpleItem>(FState->Clone());
  result->SetQuantifier(FQuantifier->Clone());
  return result;
}

bool TcxRegExprParserBlockItem::CanEmpty() const {
  if (CanMissing()) return true;
  for (const auto& alt : FAlts) {
    bool all = true;
    for (const auto& item : alt)
      if (!item->CanEmpty()) {
        all = false;
        break;
      }
    if (all) return true;
  }
  return false;
}

std::unique_ptr<TcxRegExprParserItem> TcxRegExprParserBlockItem::Clone() const {
  auto result = std::make_unique<TcxRegExprParserBlockItem>();
  result->SetQuantifier(FQuantifier->Clone());
  for (const auto& alt : FAlts) {
    TcxRegExprParserAlt copy;
    for (const auto& item : alt) copy.push_back(item->Clone());
    result->FAlts.push_back(std::move(copy));
  }
  return result;
}

String TcxRegExprParserBlockItem::Print() const {
  String result = "<Start_Block>\r\n";
  for (const auto& alt : FAlts) {
    result += "<Start_Alt>\r\n";
    for (const auto& item : alt) result += item->Print();
    result += "<Finish_Alt>\r\n";
  }
  return result + "<Finish_Block> --> " + FQuantifier->Print() + "\r\n";
}

namespace {

void SetFinalAlt(TcxRegExprParserAlt& alt) {
  for (size_t i = alt.size(); i-- > 0;) {
    alt[i]->SetFinal();
    if (!alt[i]->CanMissing()) break;
  }
}

// The entries a position before the alternative leads to: its items up to the first one that is not
// optional by its own quantifier. Gives whether every item is optional.
bool AddFirstEntries(TcxRegExprParserAlt& alt, std::vector<TcxRegExprState*>& to) {
  for (auto& item : alt) {
    to.push_back(item->Entry());
    if (!item->CanMissing()) return false;
  }
  return true;
}

void LinkBlock(TcxRegExprParserBlockItem& block);

void LinkAlt(TcxRegExprParserAlt& alt) {
  for (size_t i = 0; i < alt.size(); ++i) {
    TcxRegExprState* exit = alt[i]->Exit();
    for (size_t j = i + 1; j < alt.size(); ++j) {
      exit->Successors.push_back(alt[j]->Entry());
      if (!alt[j]->CanMissing()) break;
    }
    if (alt[i]->CanRepeat()) exit->Successors.push_back(alt[i]->Entry());
    if (auto* block = dynamic_cast<TcxRegExprParserBlockItem*>(alt[i].get())) LinkBlock(*block);
  }
}

void LinkBlock(TcxRegExprParserBlockItem& block) {
  TcxRegExprState* entry = block.Entry();
  TcxRegExprState* exit = block.Exit();
  bool toExit = false;
  for (auto& alt : block.Alts())
    if (AddFirstEntries(alt, entry->Successors)) toExit = true;
  if (toExit) entry->Successors.push_back(exit);
  for (auto& alt : block.Alts()) {
    LinkAlt(alt);
    for (size_t i = alt.size(); i-- > 0;) {
      alt[i]->Exit()->Successors.push_back(exit);
      if (!alt[i]->CanMissing()) break;
    }
  }
}

}  // namespace

void TcxRegExprParserBlockItem::SetFinal() {
  for (auto& alt : FAlts) SetFinalAlt(alt);
}

int64_t TcxRegExprParserBlockItem::StateCount() const {
  int64_t n = 2;
  for (const auto& alt : FAlts)
    for (const auto& item : alt) n += item->StateCount();
  return n;
}

// ---- automaton -------------------------------------------------------------------------------------

TcxRegExprAutomat::TcxRegExprAutomat(TcxRegExprParserAlts expression, TcxRegExpr* owner)
    : FStartState(std::make_unique<TcxRegExprSimpleState>()), FExpression(std::move(expression)), FOwner(owner) {
  bool startFinal = false;
  for (auto& alt : FExpression) {
    LinkAlt(alt);
    SetFinalAlt(alt);
    if (AddFirstEntries(alt, FStartState->Successors)) startFinal = true;
  }
  FStartState->Accepting = startFinal;
  Reset();
}

TcxRegExprStates TcxRegExprAutomat::MatchSet(const TcxRegExprStates& states, char32_t& c, bool caseInsensitive) {
  TcxRegExprStates result;
  const uint64_t walk = ++FWalk;
  char32_t rewritten = c;
  for (TcxRegExprState* member : states)
    for (TcxRegExprState* s : member->Successors) s->Match(c, caseInsensitive, result, walk, rewritten);
  if (!result.empty()) c = rewritten;
  return result;
}

TcxRegExprStates TcxRegExprAutomat::Lookahead(const TcxRegExprStates& states) {
  TcxRegExprStates result;
  const uint64_t walk = ++FWalk;
  for (TcxRegExprState* member : states)
    for (TcxRegExprState* s : member->Successors) s->Expand(result, walk);
  return result;
}

bool TcxRegExprAutomat::HasFinal(const TcxRegExprStates& states) {
  for (TcxRegExprState* s : states)
    if (TcxRegExprSimpleState* simple = s->AsSimple(); simple && simple->Accepting) return true;
  return false;
}

bool TcxRegExprAutomat::FindUniqueLiteral(const TcxRegExprStates& states, char32_t& c) {
  if (states.empty()) return false;
  bool first = true;
  for (TcxRegExprState* s : states) {
    TcxRegExprSimpleState* simple = s->AsSimple();
    if (!simple || !simple->Item()) return false;
    char32_t value;
    const TcxRegExprItem* item = simple->Item();
    if (auto* symbol = dynamic_cast<const TcxRegExprSymbol*>(item))
      value = symbol->Symbol();
    else if (dynamic_cast<const TcxRegExprTimeSeparator*>(item))
      value = TcxRegExprTimeSeparator::Value();
    else if (dynamic_cast<const TcxRegExprDateSeparator*>(item))
      value = TcxRegExprDateSeparator::Value();
    else
      return false;
    if (!first && value != c) return false;
    c = value;
    first = false;
  }
  return true;
}

void TcxRegExprAutomat::Push() { FHistory.push_back(FCurrent); }

bool TcxRegExprAutomat::Pop() {
  if (FHistory.empty()) return false;
  FCurrent = std::move(FHistory.back());
  FHistory.pop_back();
  return true;
}

bool TcxRegExprAutomat::Next(char32_t& c, bool caseInsensitive) {
  char32_t checked = c;
  TcxRegExprStates next = MatchSet(FCurrent, checked, caseInsensitive);
  if (next.empty()) return false;
  Push();
  FCurrent = std::move(next);
  c = checked;
  return true;
}

bool TcxRegExprAutomat::Prev() { return Pop(); }

void TcxRegExprAutomat::Reset() {
  FHistory.clear();
  FCurrent = {FStartState.get()};
}

bool TcxRegExprAutomat::Accepting() const { return HasFinal(FCurrent); }

bool TcxRegExprAutomat::IsStart() const { return !FCurrent.empty() && FCurrent.front() == FStartState.get(); }

void TcxRegExprAutomat::CompleteLiterals() {
  // Every automaton built here reaches a final state from each of its states, so the run of forced
  // literals ends; the bound only keeps a future construction fault from hanging the editor.
  for (int64_t guard = 0; guard < TcxRegExpr::MaxStates && !HasFinal(FCurrent); ++guard) {
    TcxRegExprStates next = Lookahead(FCurrent);
    char32_t c = 0;
    if (!FindUniqueLiteral(next, c)) break;
    if (FOwner && FOwner->OnAutoInsert) FOwner->OnAutoInsert(c);
    Push();
    FCurrent = std::move(next);
  }
}

void TcxRegExprAutomat::RollBackLiterals() {
  char32_t c = 0;
  while (FindUniqueLiteral(FCurrent, c)) {
    TcxRegExprStates current = FCurrent;
    if (!Pop()) break;
    char32_t d = 0;
    if (!FindUniqueLiteral(Lookahead(FCurrent), d) || HasFinal(FCurrent)) {
      Push();
      FCurrent = std::move(current);
      break;
    }
    if (FOwner && FOwner->OnAutoRemove) FOwner->OnAutoRemove();
  }
}

// ---- compiler --------------------------------------------------------------------------------------

TcxRegExpr::TcxRegExpr() = default;
TcxRegExpr::~TcxRegExpr() = default;

void TcxRegExpr::Error(int32_t line, int32_t column, const String& message) { FErrors.Add(line, column, message); }

void TcxRegExpr::Clear() {
  FSource.clear();
  FChars.clear();
  FErrors.Clear();
  FLexems.Clear();
  FAutomat.reset();
  FPos = 0;
  FLine = 1;
  FColumn = 0;
  FCompiled = false;
}

void TcxRegExpr::CheckCompiled() const {
  if (!FCompiled) throw Exception(Msg("Regular expression is not compiled"));
}

namespace {

// Reads the source one code point at a time, keeping line and column.
struct Reader {
  const std::u32string& chars;
  size_t& pos;
  int32_t& line;
  int32_t& column;
  bool Read(char32_t& c) {
    if (pos >= chars.size()) return false;
    c = chars[pos++];
    if (c == 13)
      ++line;
    else if (c == 10)
      column = 0;
    else
      ++column;
    return true;
  }
  bool Peek(char32_t& c) const {
    if (pos >= chars.size()) return false;
    c = chars[pos];
    return true;
  }
  void SkipWhite() {
    char32_t c;
    while (Peek(c) && IsWhite(c)) Read(c);
  }
};

}  // namespace

void TcxRegExpr::Lex() {
  Reader r{FChars, FPos, FLine, FColumn};
  auto add = [&](uint8_t kind, char32_t c, int32_t line, int32_t column) {
    TcxLexem lexem;
    lexem.Line = line;
    lexem.Column = column;
    lexem.Kind = kind;
    lexem.Text = std::u32string(1, c);
    FLexems.Add(lexem);
  };
  auto addHere = [&](uint8_t kind, char32_t c) { add(kind, c, FLine, FColumn); };
  // After the opening quote: up to the closing one, two quotes in a row standing for one.
  auto quoted = [&]() {
    char32_t c;
    for (;;) {
      if (!r.Read(c)) {
        Error(FLine, FColumn + 1, Msg("Missing '%s'", SQuote));
        return;
      }
      if (c == '\'') {
        char32_t next;
        if (r.Peek(next) && next == '\'') {
          r.Read(next);
          addHere(0, '\'');
          continue;
        }
        return;
      }
      addHere(0, c);
    }
  };
  auto escape = [&]() {
    const int32_t line = FLine, column = FColumn;
    char32_t c;
    if (!r.Read(c)) return;
    if (c >= '1' && c <= '9') return add(10, c, line, column);
    if (IsWhite(c)) return Error(FLine, FColumn, Msg("The space character is not allowed after '\\'"));
    switch (c) {
      case 'w': return add(4, c, line, column);
      case 'W': return add(5, c, line, column);
      case 'd': return add(6, c, line, column);
      case 'D': return add(7, c, line, column);
      case 's': return add(8, c, line, column);
      case 'S': return add(9, c, line, column);
      case 't': return add(0, 9, line, column);
      case 'n': return add(0, 10, line, column);
      case 'r': return add(0, 13, line, column);
      case 'f': return add(0, 12, line, column);
      case 'a': return add(0, 7, line, column);
      case 'e': return add(0, 27, line, column);
      case 'p': return add(0, static_cast<unsigned char>(FormatSettings().DecimalSeparator), line, column);
      case 'x': {
        uint32_t value = 0;
        for (int i = 0; i < 2; ++i) {
          char32_t d;
          if (!r.Read(d)) return Error(FLine, FColumn + 1, Msg("Hexadecimal number expected"));
          if (!IsHex(d)) return Error(FLine, FColumn, Msg("Hexadecimal number expected but '%s' found", CharText(d)));
          value = value * 16 + HexValue(d);
        }
        return add(0, value, line, column);
      }
      default: return add(0, c, line, column);
    }
  };
  auto bracket = [&]() {
    char32_t c;
    bool first = true;
    for (;;) {
      r.SkipWhite();
      if (!r.Read(c)) {
        Error(FLine, FColumn + 1, Msg("Missing '%s'", "]"));
        return;
      }
      if (c == '\'') {
        quoted();
      } else if (c == '/') {
        addHere(11, c);
      } else if (c == ':') {
        addHere(12, c);
      } else if (c == '\\') {
        escape();
      } else if (c == ']') {
        addHere(1, c);
        return;
      } else if (first && c == '^') {
        addHere(1, c);
      } else if (!first && c == '-') {
        const int32_t line = FLine, column = FColumn;
        r.SkipWhite();
        char32_t next;
        add(r.Peek(next) && next == ']' ? 0 : 1, c, line, column);
      } else {
        addHere(0, c);
      }
      first = false;
    }
  };
  auto brace = [&]() {
    char32_t c;
    for (;;) {
      r.SkipWhite();
      if (!r.Read(c)) {
        Error(FLine, FColumn + 1, Msg("Missing '%s'", "}"));
        return;
      }
      if (c >= '0' && c <= '9') {
        TcxLexem lexem;
        lexem.Line = FLine;
        lexem.Column = FColumn;
        lexem.Kind = 2;
        lexem.Text = std::u32string(1, c);
        char32_t d;
        while (r.Peek(d) && d >= '0' && d <= '9') {
          r.Read(d);
          lexem.Text += d;
        }
        FLexems.Add(lexem);
      } else if (c == ',') {
        addHere(1, c);
      } else if (c == '}') {
        addHere(1, c);
        return;
      } else if (c == '\'') {
        Error(FLine, FColumn, Msg("Illegal '%s'", SQuote));
      } else {
        Error(FLine, FColumn, Msg("Illegal '%s'", CharText(c)));
      }
    }
  };

  int32_t parens = 0;
  char32_t c;
  while (r.Read(c)) {
    if (IsWhite(c)) continue;
    switch (c) {
      case '\'': quoted(); break;
      case '(': ++parens; addHere(1, c); break;
      case ')': --parens; addHere(1, c); break;
      case '*': case '+': case '?': case '|': addHere(1, c); break;
      case '.': addHere(3, c); break;
      case '/': addHere(11, c); break;
      case ':': addHere(12, c); break;
      case '[': addHere(1, c); bracket(); break;
      case '{': addHere(1, c); brace(); break;
      case '\\': escape(); break;
      default: addHere(0, c); break;
    }
  }
  if (parens > 0) Error(0, 0, Msg("Missing '%s'", ")"));
  if (parens < 0) Error(0, 0, Msg("Unnecessary '%s'", ")"));
}

struct TcxRegExpr::Parser {
  explicit Parser(TcxRegExpr& owner) : re(owner) {}
  TcxRegExpr& re;
  int32_t pos = 0;
  std::vector<TcxRegExprParserBlockItem*> groups;
  int64_t budget = TcxRegExpr::MaxStates;
  std::vector<std::unique_ptr<TcxRegExprParserItem>> retired;

  bool AtEnd() const { return pos >= re.FLexems.Count(); }
  const TcxLexem& Tok() const { return re.FLexems.Item(pos); }
  bool IsOp(char32_t c) const { return !AtEnd() && Tok().Kind == 1 && Tok().Text[0] == c; }
  void Error(const TcxLexem& at, const String& message) { re.Error(at.Line, at.Column, message); }

  // Takes states from the budget; false (with the error recorded once) when the expression grows too big.
  bool Spend(const TcxLexem& at, int64_t states) {
    if (budget < 0) return false;
    budget -= states;
    if (budget >= 0) return true;
    Error(at, Msg("The expression is too complex"));
    return false;
  }

  static std::unique_ptr<TcxRegExprParserItem> Simple(std::unique_ptr<TcxRegExprItem> item) {
    return std::make_unique<TcxRegExprParserSimpleItem>(std::make_unique<TcxRegExprSimpleState>(std::move(item)));
  }

  static std::unique_ptr<TcxRegExprItem> ClassItem(const TcxLexem& t) {
    switch (t.Kind) {
      case 3: return std::make_unique<TcxRegExprAll>();
      case 4: case 5: return std::make_unique<TcxRegExprIdLetter>(t.Kind == 5);
      case 6: case 7: return std::make_unique<TcxRegExprDigit>(t.Kind == 7);
      case 8: case 9: return std::make_unique<TcxRegExprSpace>(t.Kind == 9);
      case 11: return std::make_unique<TcxRegExprDateSeparator>();
      case 12: return std::make_unique<TcxRegExprTimeSeparator>();
      default: return std::make_unique<TcxRegExprSymbol>(t.Text.empty() ? U'\0' : t.Text[0]);
    }
  }

  // Alternatives up to the end of the tokens, or (inside a group) up to its ")".
  void ParseAlts(TcxRegExprParserAlts& alts, bool inGroup) {
    for (;;) {
      alts.emplace_back();
      if (AtEnd()) {
        // Inside a group the missing ")" is reported already.
        if (!inGroup) re.Error(0, 0, Msg("The alternative should not be empty"));
        return;
      }
      if (IsOp('|')) {
        Error(Tok(), Msg("The alternative should not be empty"));
        ++pos;
        continue;
      }
      if (inGroup && IsOp(')')) {
        Error(Tok(), alts.size() == 1 ? Msg("The block should not be empty") : Msg("The alternative should not be empty"));
        ++pos;
        return;
      }
      TcxRegExprParserAlt& alt = alts.back();
      for (;;) {
        if (AtEnd()) return;
        if (IsOp('|')) {
          ++pos;
          break;
        }
        if (IsOp(')')) {
          if (inGroup) {
            ++pos;
            return;
          }
          Error(Tok(), Msg("Illegal '%s'", ")"));
          ++pos;
          continue;
        }
        ParseToken(alt);
      }
    }
  }

  void ParseToken(TcxRegExprParserAlt& alt) {
    const TcxLexem t = Tok();
    ++pos;
    switch (t.Kind) {
      case 0: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 11: case 12:
        if (Spend(t, 1)) alt.push_back(Simple(ClassItem(t)));
        return;
      case 2:
        Error(t, Msg("Illegal integer value"));
        return;
      case 10: {
        const size_t n = t.Text[0] - '0';
        if (n > groups.size()) {
          Error(t, Msg("Too big reference number"));
          return;
        }
        if (Spend(t, groups[n - 1]->StateCount())) alt.push_back(groups[n - 1]->Clone());
        return;
      }
      default: break;
    }
    switch (t.Text[0]) {
      case '(': {
        auto group = std::make_unique<TcxRegExprParserBlockItem>();
        groups.push_back(group.get());
        ParseAlts(group->Alts(), true);
        if (Spend(t, 2)) alt.push_back(std::move(group));
        return;
      }
      case '[': ParseEnumeration(alt, t); return;
      case '*': case '+': case '?': ParseQuantifier(alt, t); return;
      case '{': ParseParameterQuantifier(alt, t); return;
      case '-': case ']': case '}': Error(t, Msg("Illegal '%s'", CharText(t.Text[0]))); return;
      default: return;  // "^" and "," mean nothing here
    }
  }

  void Apply(TcxRegExprParserAlt& alt, std::unique_ptr<TcxRegExprQuantifier> q) {
    auto& last = alt.back();
    if (last->HasNoQuantifier()) {
      last->SetQuantifier(std::move(q));
      return;
    }
    auto wrapper = std::make_unique<TcxRegExprParserBlockItem>();
    wrapper->SetQuantifier(std::move(q));
    wrapper->Alts().emplace_back();
    wrapper->Alts().back().push_back(std::move(last));
    last = std::move(wrapper);
  }

  void ParseQuantifier(TcxRegExprParserAlt& alt, const TcxLexem& t) {
    const char32_t op = t.Text[0];
    if (alt.empty()) {
      Error(t, Msg("Illegal quantifier '%s'", CharText(op)));
      return;
    }
    if (op == '?') return Apply(alt, std::make_unique<TcxRegExprQuestionQuantifier>());
    if (alt.back()->CanEmpty()) {
      Error(t, op == '*' ? Msg("The '*' quantifier cannot be applied here") : Msg("The '+' quantifier cannot be applied here"));
      return;
    }
    if (op == '*')
      Apply(alt, std::make_unique<TcxRegExprStarQuantifier>());
    else
      Apply(alt, std::make_unique<TcxRegExprPlusQuantifier>());
  }

  // Reads "n}", "n,}" or "n,m}" after "{"; m < 0 means no upper bound. The tokens up to "}" are used up.
  bool ReadBounds(int64_t& n, int64_t& m) {
    auto integer = [&](int64_t& v) {
      if (AtEnd() || Tok().Kind != 2) return false;
      v = 0;
      for (char32_t d : Tok().Text) v = std::min<int64_t>(v * 10 + (d - '0'), int64_t(1) << 40);
      ++pos;
      return true;
    };
    bool ok = integer(n);
    if (ok) {
      if (IsOp('}')) {
        m = n;
      } else if (IsOp(',')) {
        ++pos;
        if (IsOp('}'))
          m = -1;
        else
          ok = integer(m) && IsOp('}') && m >= n;
      } else {
        ok = false;
      }
    }
    while (!AtEnd() && !IsOp('}')) ++pos;
    if (!AtEnd()) ++pos;
    return ok;
  }

  void ParseParameterQuantifier(TcxRegExprParserAlt& alt, const TcxLexem& t) {
    int64_t n = 0, m = 0;
    const bool ok = ReadBounds(n, m);
    if (alt.empty() || !ok) {
      Error(t, Msg("Incorrect parameter quantifier"));
      return;
    }
    std::unique_ptr<TcxRegExprParserItem>& last = alt.back();
    if (last->CanMissing()) {
      Error(t, Msg("The parameter quantifier cannot be applied here"));
      return;
    }
    const int64_t copies = m < 0 ? n + 1 : m;
    if (!Spend(t, copies * (last->StateCount() + 2))) return;
    auto group = std::make_unique<TcxRegExprParserBlockItem>();
    group->Alts().emplace_back();
    TcxRegExprParserAlt& body = group->Alts().back();
    for (int64_t i = 0; i < n; ++i) body.push_back(last->Clone());
    if (m < 0) {
      auto more = last->Clone();
      more->SetQuantifier(std::make_unique<TcxRegExprStarQuantifier>());
      body.push_back(std::move(more));
    } else if (n < m) {
      body.push_back(Chain(*last, n, m));
    }
    // A reference to the replaced group copies what stands in its place.
    for (auto*& g : groups)
      if (g == last.get()) g = group.get();
    // Groups nested in the replaced item stay referable (as they stood), so it is kept until the parse ends.
    retired.push_back(std::move(last));
    last = std::move(group);
  }

  // The optional copies from depth d on: (x(x(x)?)?)? for the copies above the required ones.
  std::unique_ptr<TcxRegExprParserItem> Chain(const TcxRegExprParserItem& item, int64_t d, int64_t m) {
    if (d >= m - 1) {
      auto last = item.Clone();
      last->SetQuantifier(std::make_unique<TcxRegExprQuestionQuantifier>());
      return last;
    }
    auto group = std::make_unique<TcxRegExprParserBlockItem>();
    group->SetQuantifier(std::make_unique<TcxRegExprQuestionQuantifier>());
    group->Alts().emplace_back();
    group->Alts().back().push_back(item.Clone());
    group->Alts().back().push_back(Chain(item, d + 1, m));
    return group;
  }

  void ParseEnumeration(TcxRegExprParserAlt& alt, const TcxLexem& open) {
    auto list = std::make_unique<TcxRegExprUserEnumeration>();
    if (IsOp('^')) {
      list->SetInverse(true);
      ++pos;
    }
    if (IsOp(']')) {
      Error(Tok(), Msg("Can't create empty enumeration"));
      ++pos;
      return;
    }
    while (!AtEnd() && !IsOp(']')) {
      const TcxLexem t = Tok();
      ++pos;
      if (IsOp('-')) {
        ++pos;
        if (AtEnd()) break;
        const TcxLexem finish = Tok();
        ++pos;
        const char32_t a = t.Text.empty() ? 0 : t.Text[0];
        const char32_t b = finish.Text.empty() ? 0 : finish.Text[0];
        if (a < b)
          list->Add(std::make_unique<TcxRegExprSubrange>(a, b));
        else
          Error(finish, Msg("The starting character of the subrange must be less than the finishing one"));
        while (IsOp('-')) {
          Error(Tok(), Msg("Illegal '%s'", "-"));
          ++pos;
        }
        continue;
      }
      list->Add(ClassItem(t));
    }
    if (!AtEnd()) ++pos;
    if (Spend(open, 1)) alt.push_back(Simple(std::move(list)));
  }
};

void TcxRegExpr::Parse() {
  Parser parser(*this);
  TcxRegExprParserAlts alts;
  parser.ParseAlts(alts, false);
  if (FErrors.Count() > 0) return;
  FAutomat = std::make_unique<TcxRegExprAutomat>(std::move(alts), this);
}

void TcxRegExpr::Compile(const String& source) {
  if (!FFirstCompile) Clear();
  FFirstCompile = false;
  FSource = source;
  for (size_t i = 0; i < source.size();) {
    size_t len = 0;
    FChars.push_back(Utf8CodePointAt(source, i, &len));
    i += len ? len : 1;
  }
  bool blank = true;
  for (char32_t c : FChars)
    if (!IsWhite(c)) blank = false;
  if (blank) {
    Error(0, 0, Msg("The source stream is empty"));
    throw EcxRegExprError(&FErrors);
  }
  Lex();
  if (FErrors.Count() > 0) throw EcxRegExprError(&FErrors);
  Parse();
  if (FErrors.Count() > 0 || !FAutomat) throw EcxRegExprError(&FErrors);
  FCompiled = true;
  if (FUpdatesEnabled) FAutomat->CompleteLiterals();
}

void TcxRegExpr::Compile(TStream* source) {
  if (!source) {
    if (!FFirstCompile) Clear();
    FFirstCompile = false;
    Error(0, 0, Msg("The source stream is not assigned"));
    throw EcxRegExprError(&FErrors);
  }
  const int64_t left = source->Size() - source->Position();
  if (left > MaxSourceSize) {
    if (!FFirstCompile) Clear();
    FFirstCompile = false;
    Error(0, 0, Msg("The expression is too complex"));
    throw EcxRegExprError(&FErrors);
  }
  String text(static_cast<size_t>(std::max<int64_t>(left, 0)), '\0');
  if (!text.empty()) source->ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
  Compile(text);
}

bool TcxRegExpr::Next(char32_t& c) {
  CheckCompiled();
  if (!FAutomat->Next(c, FCaseInsensitive)) return false;
  if (FUpdatesEnabled) FAutomat->CompleteLiterals();
  return true;
}

String TcxRegExpr::NextText(const String& text) {
  CheckCompiled();
  String result;
  for (size_t i = 0; i < text.size();) {
    size_t len = 0;
    const char32_t original = Utf8CodePointAt(text, i, &len);
    if (len == 0) len = 1;
    char32_t c = original;
    if (FAutomat->Next(c, FCaseInsensitive)) result.append(text, i, len);
    i += len;
  }
  return result;
}

bool TcxRegExpr::Prev() {
  CheckCompiled();
  if (FUpdatesEnabled) FAutomat->RollBackLiterals();
  return FAutomat->Prev();
}

bool TcxRegExpr::Accepting() {
  CheckCompiled();
  return FAutomat->Accepting();
}

bool TcxRegExpr::IsStart() {
  CheckCompiled();
  return FAutomat->IsStart();
}

void TcxRegExpr::Reset() {
  CheckCompiled();
  FAutomat->Reset();
}

void TcxRegExpr::SetUpdateOn(bool value) {
  FUpdatesEnabled = value;
  if (FCompiled && value) FAutomat->CompleteLiterals();
}
