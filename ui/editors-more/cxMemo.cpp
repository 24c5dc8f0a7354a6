#include "ui/editors-more/cxMemo.h"

#include "rtl/Utf8.h"

void CutToFirstLine(String& AText, int32_t AMaxLength) {
  // Work on byte offsets while counting code points, so no UTF-8 sequence is ever split.
  size_t bytes = AText.size();
  int32_t count = 0;
  size_t limitByte = bytes;  // where AMaxLength characters end, when the text is longer
  bool longer = false;
  for (size_t i = 0; i < bytes;) {
    if (AMaxLength > 0 && count == AMaxLength) {
      limitByte = i;
      longer = true;
      break;
    }
    char c = AText[i];
    if (c == '\r' || c == '\n') {
      AText.resize(i);
      return;
    }
    size_t len = 1;
    Utf8CodePointAt(AText, i, &len);
    i += len == 0 ? 1 : len;
    ++count;
  }
  if (longer) AText.resize(limitByte);
}

String cxMemoNormalizeLineBreaks(const String& AText) {
  String r;
  r.reserve(AText.size());
  for (size_t i = 0; i < AText.size(); ++i) {
    char c = AText[i];
    if (c == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n') {
      r += "\r\n";
      ++i;
    } else if (c == '\n' && i + 1 < AText.size() && AText[i + 1] == '\r') {
      // one reversed break becomes two breaks
      r += "\r\n\r\n";
      ++i;
    } else {
      r += c;
    }
  }
  return r;
}
