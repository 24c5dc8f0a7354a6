#pragma once
// The classic fixed-width edit mask: every character position of the edited text belongs to one item, a
// literal shown as it is or a place that takes one character of a class, with an optional forced case.
// Positions are characters (code points) of UTF-8 text; letters are letters of any script the platform
// knows, so Cyrillic letters fill "L" and "A" places and follow ">" and "<".

#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/System.h"

class TcxStandardMaskCustomItem {
public:
  virtual ~TcxStandardMaskCustomItem() = default;
  // Whether the character fits the position; a place with case control rewrites it.
  virtual bool Check(char32_t& c) const = 0;
};

class TcxStandardMaskLiteralItem : public TcxStandardMaskCustomItem {
public:
  explicit TcxStandardMaskLiteralItem(char32_t literal) : FLiteral(literal) {}
  bool Check(char32_t& c) const override { return c == FLiteral; }
  char32_t Literal() const { return FLiteral; }

private:
  char32_t FLiteral;
};

// Case control: 0 upper, 1 lower, 2 unchanged.
class TcxStandardMaskManyItem : public TcxStandardMaskCustomItem {
public:
  TcxStandardMaskManyItem(uint8_t caseControl, bool optional) : FCaseControl(caseControl), FOptional(optional) {}
  bool Check(char32_t& c) const override;
  uint8_t CaseControl() const { return FCaseControl; }
  bool Optional() const { return FOptional; }

protected:
  virtual bool Accepts(char32_t c) const = 0;

private:
  uint8_t FCaseControl;
  bool FOptional;
};

class TcxStandardMaskAlphaItem : public TcxStandardMaskManyItem {
public:
  using TcxStandardMaskManyItem::TcxStandardMaskManyItem;

protected:
  bool Accepts(char32_t c) const override;
};

class TcxStandardMaskAlphaNumericItem : public TcxStandardMaskManyItem {
public:
  using TcxStandardMaskManyItem::TcxStandardMaskManyItem;

protected:
  bool Accepts(char32_t c) const override;
};

class TcxStandardMaskASCIIItem : public TcxStandardMaskManyItem {
public:
  using TcxStandardMaskManyItem::TcxStandardMaskManyItem;

protected:
  bool Accepts(char32_t) const override { return true; }
};

class TcxStandardMaskNumericItem : public TcxStandardMaskManyItem {
public:
  using TcxStandardMaskManyItem::TcxStandardMaskManyItem;

protected:
  bool Accepts(char32_t c) const override { return c >= '0' && c <= '9'; }
};

class TcxStandardMaskNumericSymbolItem : public TcxStandardMaskManyItem {
public:
  explicit TcxStandardMaskNumericSymbolItem(uint8_t caseControl) : TcxStandardMaskManyItem(caseControl, true) {}

protected:
  bool Accepts(char32_t c) const override { return (c >= '0' && c <= '9') || c == '+' || c == '-'; }
};

class TcxStandardMask {
public:
  // Compiles a mask text: "!" leads, ">" "<" "<>" set the case, "\" quotes, "L l A a C c 0 9 #" are places,
  // ":" and "/" the regional separators, a ";1;_" (or ";0") trailer sets save-literals and the blank.
  void SetMask(const String& mask);
  const String& Mask() const { return FMask; }
  bool Leading() const { return FLeading; }
  bool SaveLiteralCharacters() const { return FSaveLiteralCharacters; }
  char32_t BlankChar() const { return FBlank; }

  // The value of an empty field: a space per place, the literals when they are saved.
  String GetEmptyText() const;
  // The display of an empty field: the literals and the blank character per place.
  String GetBlankText() const;
  // Lays the characters of the text onto the blank text (see the source for the order of filling).
  void Format(String& text, bool useConverted = true) const;
  // From a text laid out on the mask: the saved literals and the places, a blank becoming a space.
  void StripBlanks(String& text) const;
  // The text is exactly as long as the mask and every position fits (optional places may be blank).
  bool IsComplete(String& text) const;

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  const TcxStandardMaskCustomItem* Item(int32_t index) const { return FItems.at(static_cast<size_t>(index)).get(); }

private:
  void Compile(const std::u32string& mask);

  String FMask;
  bool FLeading = false;
  bool FSaveLiteralCharacters = true;
  char32_t FBlank = '_';
  std::vector<std::unique_ptr<TcxStandardMaskCustomItem>> FItems;
};
