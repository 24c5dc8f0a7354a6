#include "ui/editors/cxStandardMask.h"

#include "rtl/FormatSettings.h"
#include "rtl/Utf8.h"

bool TcxStandardMaskManyItem::Check(char32_t& c) const {
  if (!Accepts(c)) return false;
  if (FCaseControl == 0)
    c = UnicodeToUpper(c);
  else if (FCaseControl == 1)
    c = UnicodeToLower(c);
  return true;
}

bool TcxStandardMaskAlphaItem::Accepts(char32_t c) const { return UnicodeIsLetter(c); }

bool TcxStandardMaskAlphaNumericItem::Accepts(char32_t c) const { return UnicodeIsLetterOrDigit(c); }

void TcxStandardMask::SetMask(const String& mask) {
  FItems.clear();
  FLeading = false;
  FSaveLiteralCharacters = true;
  FBlank = '_';
  FMask = mask;
  std::u32string chars = Utf8ToCodePoints(mask);
  if (!chars.empty() && chars[0] == '!') {
    FLeading = true;
    chars.erase(0, 1);
  }
  Compile(chars);
}

void TcxStandardMask::Compile(const std::u32string& mask) {
  uint8_t caseControl = 2;
  auto literal = [&](char32_t c) { FItems.push_back(std::make_unique<TcxStandardMaskLiteralItem>(c)); };
  const size_t n = mask.size();
  for (size_t i = 0; i < n; ++i) {
    const char32_t c = mask[i];
    switch (c) {
      case '>': caseControl = 0; break;
      case '<':
        if (i + 1 < n && mask[i + 1] == '>') {
          caseControl = 2;
          ++i;
        } else {
          caseControl = 1;
        }
        break;
      case '\\':
        if (i + 1 < n) literal(mask[++i]);
        break;
      case 'L': FItems.push_back(std::make_unique<TcxStandardMaskAlphaItem>(caseControl, false)); break;
      case 'l': FItems.push_back(std::make_unique<TcxStandardMaskAlphaItem>(caseControl, true)); break;
      case 'A': FItems.push_back(std::make_unique<TcxStandardMaskAlphaNumericItem>(caseControl, false)); break;
      case 'a': FItems.push_back(std::make_unique<TcxStandardMaskAlphaNumericItem>(caseControl, true)); break;
      case 'C': FItems.push_back(std::make_unique<TcxStandardMaskASCIIItem>(caseControl, false)); break;
      case 'c': FItems.push_back(std::make_unique<TcxStandardMaskASCIIItem>(caseControl, true)); break;
      case '0': FItems.push_back(std::make_unique<TcxStandardMaskNumericItem>(caseControl, false)); break;
      case '9': FItems.push_back(std::make_unique<TcxStandardMaskNumericItem>(caseControl, true)); break;
      case '#': FItems.push_back(std::make_unique<TcxStandardMaskNumericSymbolItem>(caseControl)); break;
      case ':': literal(static_cast<unsigned char>(FormatSettings().TimeSeparator)); break;
      case '/': literal(static_cast<unsigned char>(FormatSettings().DateSeparator)); break;
      case ';': {
        const size_t rest = n - i - 1;
        if (rest == 3 && (mask[i + 1] == '0' || mask[i + 1] == '1') && mask[i + 2] == ';') {
          FSaveLiteralCharacters = mask[i + 1] == '1';
          FBlank = mask[i + 3];
          return;
        }
        if (rest == 1 && (mask[i + 1] == '0' || mask[i + 1] == '1')) {
          FSaveLiteralCharacters = mask[i + 1] == '1';
          return;
        }
        literal(c);
        break;
      }
      default: literal(c); break;
    }
  }
}

String TcxStandardMask::GetEmptyText() const {
  String result;
  for (const auto& item : FItems) {
    if (auto* literal = dynamic_cast<const TcxStandardMaskLiteralItem*>(item.get())) {
      if (FSaveLiteralCharacters) Utf8Append(result, literal->Literal());
    } else {
      result += ' ';
    }
  }
  return result;
}

String TcxStandardMask::GetBlankText() const {
  String result;
  for (const auto& item : FItems) {
    auto* literal = dynamic_cast<const TcxStandardMaskLiteralItem*>(item.get());
    Utf8Append(result, literal ? literal->Literal() : FBlank);
  }
  return result;
}

// Each input character restarts the scan at the first unfilled position, so literals in the input land on
// their literal positions and a character may fill a place an earlier character skipped (mask "L0": "1a"
// gives "a1").
void TcxStandardMask::Format(String& text, bool useConverted) const {
  std::u32string result = Utf8ToCodePoints(GetBlankText());
  std::vector<bool> filled(FItems.size(), false);
  for (char32_t input : Utf8ToCodePoints(text)) {
    for (size_t p = 0; p < FItems.size(); ++p) {
      if (filled[p]) continue;
      char32_t c = input;
      if (FItems[p]->Check(c)) {
        result[p] = useConverted ? c : input;
        filled[p] = true;
        break;
      }
      const bool place = dynamic_cast<const TcxStandardMaskManyItem*>(FItems[p].get()) != nullptr;
      if (place && (input == FBlank || input == ' ')) {
        filled[p] = true;
        break;
      }
    }
  }
  text = Utf8FromCodePoints(result);
}

void TcxStandardMask::StripBlanks(String& text) const {
  const std::u32string chars = Utf8ToCodePoints(text);
  String result;
  for (size_t p = 0; p < chars.size() && p < FItems.size(); ++p) {
    if (dynamic_cast<const TcxStandardMaskLiteralItem*>(FItems[p].get())) {
      if (FSaveLiteralCharacters) Utf8Append(result, chars[p]);
    } else {
      Utf8Append(result, chars[p] == FBlank ? U' ' : chars[p]);
    }
  }
  text = result;
}

bool TcxStandardMask::IsComplete(String& text) const {
  std::u32string chars = Utf8ToCodePoints(text);
  if (chars.size() != FItems.size()) return false;
  for (size_t p = 0; p < chars.size(); ++p) {
    auto* place = dynamic_cast<const TcxStandardMaskManyItem*>(FItems[p].get());
    if (place && place->Optional() && (chars[p] == FBlank || chars[p] == ' ')) continue;
    if (!FItems[p]->Check(chars[p])) return false;
  }
  text = Utf8FromCodePoints(chars);
  return true;
}
