#pragma once
// The editors' own regular-expression engine: a mask written as an expression compiles into a
// nondeterministic automaton that the mask editor drives one typed character at a time, stepping back on
// deletion and inserting or removing the literal characters the expression forces.
//
// Text is UTF-8 and is handled by code points: a token, a typed character and a range bound are each one
// code point, so Cyrillic letters are single characters.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "rtl/Events.h"
#include "rtl/System.h"

class TStream;

// One token of the lexer. Kinds: 0 literal, 1 operator, 2 integer, 3 any, 4/5 \w \W, 6/7 \d \D,
// 8/9 \s \S, 10 group reference, 11 date separator, 12 time separator.
struct TcxLexem {
  int32_t Line = 0;
  int32_t Column = 0;
  uint8_t Kind = 0;
  std::u32string Text;
};

class TcxLexems {
public:
  void Add(const TcxLexem& lexem) { FItems.push_back(lexem); }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  void Clear() { FItems.clear(); }
  const TcxLexem& Item(int32_t index) const { return FItems.at(static_cast<size_t>(index)); }

private:
  std::vector<TcxLexem> FItems;
};

struct TcxRegExprError {
  int32_t Line = 0;
  int32_t Column = 0;
  String Message;
  // "Line<n>, Char<c>: <message>"; the position parts are left out where they are 0.
  String Formatted() const;
};

class TcxRegExprErrors {
public:
  void Add(int32_t line, int32_t column, const String& message) { FItems.push_back({line, column, message}); }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  void Clear() { FItems.clear(); }
  const TcxRegExprError& Item(int32_t index) const { return FItems.at(static_cast<size_t>(index)); }

private:
  std::vector<TcxRegExprError> FItems;
};

// Raised by Compile; refers to the compiler's error list (not owned), its own message stays empty.
class EcxRegExprError : public Exception {
  RTL_CLASS(EcxRegExprError, Exception)
public:
  explicit EcxRegExprError(const TcxRegExprErrors* errors) : Exception(String()), FErrors(errors) {}
  const TcxRegExprErrors* Errors() const { return FErrors; }

private:
  const TcxRegExprErrors* FErrors;
};

// ---- character items -------------------------------------------------------------------------------

class TcxRegExprItem {
public:
  virtual ~TcxRegExprItem() = default;
  // Whether the character fits; a case-insensitive symbol rewrites it to the case written in the mask.
  virtual bool Check(char32_t& c, bool caseInsensitive) const = 0;
  virtual std::unique_ptr<TcxRegExprItem> Clone() const = 0;
};

class TcxRegExprSymbol : public TcxRegExprItem {
public:
  explicit TcxRegExprSymbol(char32_t c) : FSymbol(c) {}
  bool Check(char32_t& c, bool caseInsensitive) const override;
  std::unique_ptr<TcxRegExprItem> Clone() const override { return std::make_unique<TcxRegExprSymbol>(FSymbol); }
  char32_t Symbol() const { return FSymbol; }

private:
  char32_t FSymbol;
};

// The regional separators, read at the moment of the test.
class TcxRegExprTimeSeparator : public TcxRegExprItem {
public:
  bool Check(char32_t& c, bool caseInsensitive) const override;
  std::unique_ptr<TcxRegExprItem> Clone() const override { return std::make_unique<TcxRegExprTimeSeparator>(); }
  static char32_t Value();
};

class TcxRegExprDateSeparator : public TcxRegExprItem {
public:
  bool Check(char32_t& c, bool caseInsensitive) const override;
  std::unique_ptr<TcxRegExprItem> Clone() const override { return std::make_unique<TcxRegExprDateSeparator>(); }
  static char32_t Value();
};

class TcxRegExprSubrange : public TcxRegExprItem {
public:
  TcxRegExprSubrange(char32_t start, char32_t finish) : FStart(start), FFinish(finish) {}
  bool Check(char32_t& c, bool caseInsensitive) const override;
  std::unique_ptr<TcxRegExprItem> Clone() const override {
    return std::make_unique<TcxRegExprSubrange>(FStart, FFinish);
  }

private:
  char32_t FStart;
  char32_t FFinish;
};

class TcxRegExprEnumeration : public TcxRegExprItem {
public:
  explicit TcxRegExprEnumeration(bool inverse = false) : FInverse(inverse) {}
  bool Inverse() const { return FInverse; }
  void SetInverse(bool value) { FInverse = value; }

protected:
  bool FInverse;
};

class TcxRegExprUserEnumeration : public TcxRegExprEnumeration {
public:
  using TcxRegExprEnumeration::TcxRegExprEnumeration;
  bool Check(char32_t& c, bool caseInsensitive) const override;
  std::unique_ptr<TcxRegExprItem> Clone() const override;
  void Add(std::unique_ptr<TcxRegExprItem> item) { FItems.push_back(std::move(item)); }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }

private:
  std::vector<std::unique_ptr<TcxRegExprItem>> FItems;
};

class TcxRegExprDigit : public TcxRegExprEnumeration {
public:
  using TcxRegExprEnumeration::TcxRegExprEnumeration;
  bool Check(char32_t& c, bool caseInsensitive) const override;
  std::unique_ptr<TcxRegExprItem> Clone() const override { return std::make_unique<TcxRegExprDigit>(FInverse); }
};

// Letters (Latin, Cyrillic and the other scripts the platform knows), digits and "_".
class TcxRegExprIdLetter : public TcxRegExprEnumeration {
public:
  using TcxRegExprEnumeration::TcxRegExprEnumeration;
  bool Check(char32_t& c, bool caseInsensitive) const override;
  std::unique_ptr<TcxRegExprItem> Clone() const override { return std::make_unique<TcxRegExprIdLetter>(FInverse); }
};

class TcxRegExprSpace : public TcxRegExprEnumeration {
public:
  using TcxRegExprEnumeration::TcxRegExprEnumeration;
  bool Check(char32_t& c, bool caseInsensitive) const override;
  std::unique_ptr<TcxRegExprItem> Clone() const override { return std::make_unique<TcxRegExprSpace>(FInverse); }
};

class TcxRegExprAll : public TcxRegExprItem {
public:
  bool Check(char32_t&, bool) const override { return true; }
  std::unique_ptr<TcxRegExprItem> Clone() const override { return std::make_unique<TcxRegExprAll>(); }
};

// ---- automaton states ------------------------------------------------------------------------------

class TcxRegExprState;
// A set of simple states; the engine keeps every set free of duplicates.
using TcxRegExprStates = std::vector<TcxRegExprState*>;

class TcxRegExprState {
public:
  virtual ~TcxRegExprState() = default;
  std::vector<TcxRegExprState*> Successors;  // not owned
  // Adds to result the simple states reached by consuming c from here. Every state is visited at most
  // once per walk (mark == walk), which ends cycles of empty moves and keeps results duplicate-free.
  // The first state that accepts gives rewritten the character as it checked it (the mask's case).
  virtual void Match(char32_t c, bool caseInsensitive, TcxRegExprStates& result, uint64_t walk,
                     char32_t& rewritten) = 0;
  // Adds to result the simple states that this state stands for (itself, or what its empty moves reach).
  virtual void Expand(TcxRegExprStates& result, uint64_t walk) = 0;
  virtual class TcxRegExprSimpleState* AsSimple() { return nullptr; }
  uint64_t FMark = 0;
};

class TcxRegExprSimpleState : public TcxRegExprState {
public:
  explicit TcxRegExprSimpleState(std::unique_ptr<TcxRegExprItem> item = nullptr) : FItem(std::move(item)) {}
  void Match(char32_t c, bool caseInsensitive, TcxRegExprStates& result, uint64_t walk,
             char32_t& rewritten) override;
  void Expand(TcxRegExprStates& result, uint64_t walk) override;
  std::unique_ptr<TcxRegExprSimpleState> Clone() const {
    return std::make_unique<TcxRegExprSimpleState>(FItem ? FItem->Clone() : nullptr);
  }
  const TcxRegExprItem* Item() const { return FItem.get(); }
  TcxRegExprSimpleState* AsSimple() override { return this; }
  bool Accepting = false;

private:
  std::unique_ptr<TcxRegExprItem> FItem;
};

// An empty-move state: the entry or the exit of a group.
class TcxRegExprBlockState : public TcxRegExprState {
public:
  void Match(char32_t c, bool caseInsensitive, TcxRegExprStates& result, uint64_t walk,
             char32_t& rewritten) override;
  void Expand(TcxRegExprStates& result, uint64_t walk) override;
};

// ---- quantifiers and parser items ------------------------------------------------------------------

class TcxRegExprQuantifier {
public:
  virtual ~TcxRegExprQuantifier() = default;
  virtual bool CanMissing() const = 0;
  virtual bool CanRepeat() const = 0;
  virtual std::unique_ptr<TcxRegExprQuantifier> Clone() const = 0;
  virtual String Print() const = 0;
};

class TcxRegExprSimpleQuantifier : public TcxRegExprQuantifier {
public:
  bool CanMissing() const override { return false; }
  bool CanRepeat() const override { return false; }
  std::unique_ptr<TcxRegExprQuantifier> Clone() const override;
  String Print() const override { return String(); }
};

class TcxRegExprQuestionQuantifier : public TcxRegExprQuantifier {
public:
  bool CanMissing() const override { return true; }
  bool CanRepeat() const override { return false; }
  std::unique_ptr<TcxRegExprQuantifier> Clone() const override;
  String Print() const override { return "?"; }
};

class TcxRegExprStarQuantifier : public TcxRegExprQuantifier {
public:
  bool CanMissing() const override { return true; }
  bool CanRepeat() const override { return true; }
  std::unique_ptr<TcxRegExprQuantifier> Clone() const override;
  String Print() const override { return "*"; }
};

class TcxRegExprPlusQuantifier : public TcxRegExprQuantifier {
public:
  bool CanMissing() const override { return false; }
  bool CanRepeat() const override { return true; }
  std::unique_ptr<TcxRegExprQuantifier> Clone() const override;
  String Print() const override { return "+"; }
};

class TcxRegExprParserItem;
using TcxRegExprParserAlt = std::vector<std::unique_ptr<TcxRegExprParserItem>>;
using TcxRegExprParserAlts = std::vector<TcxRegExprParserAlt>;

class TcxRegExprParserItem {
public:
  TcxRegExprParserItem() : FQuantifier(std::make_unique<TcxRegExprSimpleQuantifier>()) {}
  virtual ~TcxRegExprParserItem() = default;
  virtual bool CanEmpty() const = 0;
  virtual std::unique_ptr<TcxRegExprParserItem> Clone() const = 0;
  virtual String Print() const = 0;
  virtual void SetFinal() = 0;
  virtual TcxRegExprState* Entry() = 0;
  virtual TcxRegExprState* Exit() = 0;
  // The number of states the item owns, nested groups included (bounds the size of an expansion).
  virtual int64_t StateCount() const = 0;

  bool CanMissing() const { return FQuantifier->CanMissing(); }
  bool CanRepeat() const { return FQuantifier->CanRepeat(); }
  bool HasNoQuantifier() const { return dynamic_cast<TcxRegExprSimpleQuantifier*>(FQuantifier.get()) != nullptr; }
  void SetQuantifier(std::unique_ptr<TcxRegExprQuantifier> q) {
    if (q) FQuantifier = std::move(q);
  }
  const TcxRegExprQuantifier& Quantifier() const { return *FQuantifier; }

protected:
  std::unique_ptr<TcxRegExprQuantifier> FQuantifier;
};

class TcxRegExprParserSimpleItem : public TcxRegExprParserItem {
public:
  explicit TcxRegExprParserSimpleItem(std::unique_ptr<TcxRegExprSimpleState> state) : FState(std::move(state)) {}
  bool CanEmpty() const override { return CanMissing(); }
  std::unique_ptr<TcxRegExprParserItem> Clone() const override;
  String Print() const override { return "item --> " + FQuantifier->Print() + "\r\n"; }
  void SetFinal() override { FState->Accepting = true; }
  TcxRegExprState* Entry() override { return FState.get(); }
  TcxRegExprState* Exit() override { return FState.get(); }
  int64_t StateCount() const override { return 1; }

private:
  std::unique_ptr<TcxRegExprSimpleState> FState;
};

// A group: an entry and an exit state around its alternatives.
class TcxRegExprParserBlockItem : public TcxRegExprParserItem {
public:
  TcxRegExprParserBlockItem()
      : FEntry(std::make_unique<TcxRegExprBlockState>()), FExit(std::make_unique<TcxRegExprBlockState>()) {}
  bool CanEmpty() const override;
  std::unique_ptr<TcxRegExprParserItem> Clone() const override;
  String Print() const override;
  void SetFinal() override;
  TcxRegExprState* Entry() override { return FEntry.get(); }
  TcxRegExprState* Exit() override { return FExit.get(); }
  int64_t StateCount() const override;
  TcxRegExprParserAlts& Alts() { return FAlts; }
  const TcxRegExprParserAlts& Alts() const { return FAlts; }

private:
  std::unique_ptr<TcxRegExprBlockState> FEntry;
  std::unique_ptr<TcxRegExprBlockState> FExit;
  TcxRegExprParserAlts FAlts;
};

class TcxRegExpr;

class TcxRegExprAutomat {
public:
  TcxRegExprAutomat(TcxRegExprParserAlts expression, TcxRegExpr* owner);
  bool Next(char32_t& c, bool caseInsensitive);
  bool Prev();
  void Reset();
  bool Accepting() const;
  bool IsStart() const;
  TcxRegExprStates Lookahead(const TcxRegExprStates& states);
  void RollBackLiterals();
  void CompleteLiterals();
  int32_t HistoryCount() const { return static_cast<int32_t>(FHistory.size()); }

private:
  TcxRegExprStates MatchSet(const TcxRegExprStates& states, char32_t& c, bool caseInsensitive);
  static bool FindUniqueLiteral(const TcxRegExprStates& states, char32_t& c);
  static bool HasFinal(const TcxRegExprStates& states);
  void Push();
  bool Pop();

  std::vector<TcxRegExprStates> FHistory;
  TcxRegExprStates FCurrent;
  std::unique_ptr<TcxRegExprSimpleState> FStartState;
  TcxRegExprParserAlts FExpression;
  TcxRegExpr* FOwner;
  uint64_t FWalk = 0;
};

class TcxRegExpr {
public:
  TcxRegExpr();
  ~TcxRegExpr();
  TcxRegExpr(const TcxRegExpr&) = delete;
  TcxRegExpr& operator=(const TcxRegExpr&) = delete;

  // Compiles the source (UTF-8); raises EcxRegExprError listing every error found.
  void Compile(const String& source);
  // Compiles what the stream holds from its current position ("The source stream is not assigned" for
  // none). A source is a typed mask: one larger than MaxSourceSize is refused as too complex.
  void Compile(TStream* source);
  static constexpr int64_t MaxSourceSize = 1 << 20;
  bool IsCompiled() const { return FCompiled; }
  // Each of these raises Exception "Regular expression is not compiled" before a successful Compile.
  bool Next(char32_t& c);
  String NextText(const String& text);
  bool Prev();
  bool Accepting();
  bool IsStart();
  void Reset();
  void Clear();
  // The source when compiled, else empty.
  String GetSource() const { return FCompiled ? FSource : String(); }
  const TcxRegExprErrors& Errors() const { return FErrors; }
  const TcxLexems& Lexems() const { return FLexems; }

  bool UpdatesEnabled() const { return FUpdatesEnabled; }
  void SetUpdateOn(bool value);
  void SetUpdatesEnabled(bool value) { SetUpdateOn(value); }
  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool value) { FCaseInsensitive = value; }

  // Fired for each forced literal the automaton rolls back, and for each it inserts.
  Event<> OnAutoRemove;
  Event<char32_t> OnAutoInsert;

  // An expression whose expansion ({n,m} copies, group references) would need more states than this is
  // refused with "The expression is too complex", so that a short mask cannot exhaust memory.
  static constexpr int64_t MaxStates = 100000;

private:
  friend class TcxRegExprAutomat;
  void CheckCompiled() const;
  void Error(int32_t line, int32_t column, const String& message);
  void Lex();
  void Parse();
  // parser helpers (defined in the source file)
  struct Parser;

  String FSource;
  std::u32string FChars;
  TcxRegExprErrors FErrors;
  TcxLexems FLexems;
  std::unique_ptr<TcxRegExprAutomat> FAutomat;
  size_t FPos = 0;
  int32_t FLine = 1;
  int32_t FColumn = 0;
  bool FFirstCompile = true;
  bool FCompiled = false;
  bool FUpdatesEnabled = false;
  bool FCaseInsensitive = false;
};
