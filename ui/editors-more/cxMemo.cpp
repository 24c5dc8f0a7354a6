#include "ui/editors-more/cxMemo.h"

#include <algorithm>

#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxEditTextUtils.h"
#include "ui/editors/cxEditConsts.h"

// ---- routines -----------------------------------------------------------------------------------------------

void CutToFirstLine(String& AText, int32_t AMaxLength) {
  // Work on byte offsets while counting code points, so no UTF-8 sequence is ever split.
  size_t bytes = AText.size();
  int32_t count = 0;
  for (size_t i = 0; i < bytes;) {
    if (AMaxLength > 0 && count == AMaxLength) {
      AText.resize(i);
      return;
    }
    char c = AText[i];
    if (c == '\r' || c == '\n') {
      AText.resize(i);
      return;
    }
    i = Utf8NextBoundary(AText, i);
    ++count;
  }
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


// ---- properties ---------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxMemoProperties) {
  prop("Alignment", &TcxMemoProperties::MemoAlignment, &TcxMemoProperties::SetMemoAlignment)
      .NoDefault()
      .Stored(&TcxMemoProperties::IsMemoAlignmentStored);
  prop("AssignedValues", &TcxMemoProperties::AssignedValues, &TcxMemoProperties::SetAssignedValues);
  prop("AutoSelect", &TcxMemoProperties::AutoSelect, &TcxMemoProperties::SetAutoSelect).Default(false);
  prop("CharCase", &TcxMemoProperties::CharCase, &TcxMemoProperties::SetCharCase).Default(ecNormal);
  prop("HideSelection", &TcxMemoProperties::HideSelection, &TcxMemoProperties::SetHideSelection).Default(true);
  prop("ImeMode", &TcxMemoProperties::ImeMode, &TcxMemoProperties::SetImeMode).Default(imDontCare);
  prop("ImeName", &TcxMemoProperties::ImeName, &TcxMemoProperties::SetImeName);
  prop("MaxLength", &TcxMemoProperties::MaxLength, &TcxMemoProperties::SetMaxLength)
      .NoDefault()
      .Stored(&TcxMemoProperties::IsMaxLengthStored);
  prop("OEMConvert", &TcxMemoProperties::OEMConvert, &TcxMemoProperties::SetOEMConvert).Default(false);
  prop("ScrollBars", &TcxMemoProperties::ScrollBars, &TcxMemoProperties::SetScrollBars).Default(ssNone);
  prop("WantReturns", &TcxMemoProperties::WantReturns, &TcxMemoProperties::SetWantReturns).Default(true);
  prop("WantTabs", &TcxMemoProperties::WantTabs, &TcxMemoProperties::SetWantTabs).Default(false);
  prop("WordWrap", &TcxMemoProperties::WordWrap, &TcxMemoProperties::SetWordWrap).Default(true);
}

TcxCustomMemoProperties::TcxCustomMemoProperties(TPersistent* AOwner) : TcxCustomTextEditProperties(AOwner) {}

void TcxCustomMemoProperties::AfterConstruction() {
  inherited::AfterConstruction();
  // A memo's text starts at the top, and entering it keeps the caret where it was.
  BeginUpdate();
  GetAlignment()->SetVert(taTopJustify);
  SetAutoSelect(false);
  EndUpdate(false);
}

void TcxCustomMemoProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomMemoProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetScrollBars(source->ScrollBars());
    SetWantReturns(source->WantReturns());
    SetWantTabs(source->WantTabs());
    SetWordWrap(source->WordWrap());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TcxCustomEditViewDataClass TcxCustomMemoProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxCustomMemoViewData>();
}

TClass TcxCustomMemoProperties::GetViewInfoClass() const { return TcxCustomMemoViewInfo::StaticClass(); }

int32_t TcxCustomMemoProperties::GetEditValueSource(bool) const {
  // Blob fields hand over their value, other fields their text.
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider && provider->IsBlobData() ? 0 : 1;
}

WideString TcxCustomMemoProperties::GetDisplayText(const Variant& AEditValue, bool AFullText, bool AIsInplace) {
  WideString text = inherited::GetDisplayText(AEditValue, AFullText, AIsInplace);
  if (AFullText) return text;
  // A grid cell shows the first line, and no more than a cell can hold.
  String s = Utf16ToUtf8(text);
  CutToFirstLine(s, 250);
  return Utf8ToUtf16(s);
}

void TcxCustomMemoProperties::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  Changed();
}

void TcxCustomMemoProperties::SetWantReturns(bool Value) {
  if (FWantReturns == Value) return;
  FWantReturns = Value;
  Changed();
}

void TcxCustomMemoProperties::SetWantTabs(bool Value) {
  if (FWantTabs == Value) return;
  FWantTabs = Value;
  Changed();
}

void TcxCustomMemoProperties::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Changed();
}

// ---- view data and view info --------------------------------------------------------------------------------

uint32_t TcxCustomMemoViewData::GetDrawTextFlags() {
  auto* properties = static_cast<TcxCustomMemoProperties*>(Properties);
  TScrollStyle bars = properties->ScrollBars();
  uint32_t flags = properties->WordWrap() && bars != ssHorizontal && bars != ssBoth
                       ? TOF_WORDBREAK | TOF_CHARBREAK | TOF_FULLROWS
                       : TOF_FULLROWS;
  switch (HorzAlignment) {
    case taRightJustify: flags |= TOF_RIGHT; break;
    case taCenter: flags |= TOF_CENTER_HORZ; break;
    default: break;
  }
  // The text always starts at the top: no vertical alignment and no single-line bit.
  return flags | TOF_KEEP_LEFT | TOF_EXPANDTABS;
}

void TcxCustomMemoViewData::GetTextOffsets(RECT& AOffsets) {
  AOffsets = HorzAlignment == taRightJustify ? RECT{0, 1, 2, 1} : RECT{1, 1, 1, 1};
}

void TcxCustomMemoViewInfo::DrawText(TcxCanvas* ACanvas) {
  if (Text.empty()) return;
  if (Font) ACanvas->Font()->Assign(Font);
  ACanvas->Font()->SetColor(TextColor);
  PrepareCanvasFont(ACanvas);
  HDC dc = ACanvas->Handle();
  TcxTextOutData& data = TextOutData;
  if (!data.Initialized) {
    GetEditTextParamsOnCanvas(ACanvas->Canvas(), DrawTextFlags, data.TextParams);
    data.TextRect = TextOutRect;
    data.TextRows.clear();
    data.RowCount = 0;
    bool allFit =
        BreakEditTextRows(dc, Text, data.TextRect, MaxLineCount, data.RowCount, data.TextRows, data.TextParams);
    if (MaxLineCount > 0 && data.RowCount > MaxLineCount) data.RowCount = MaxLineCount;
    data.RowCount = PlaceEditTextRows(dc, data.TextRect, data.TextParams, data.TextRows, data.RowCount);
    data.ForceEndEllipsis = MaxLineCount > 0 && data.RowCount >= MaxLineCount && !allFit && data.TextParams.EndEllipsis;
    data.Initialized = true;
  }
  int32_t length = Utf8Length(Text);
  data.SelStart = SelStart;
  data.SelLength = SelLength;
  if (data.SelStart < 0 || data.SelStart > length) data.SelLength = 0;
  if (data.SelStart + data.SelLength > length) data.SelLength = length - data.SelStart;
  data.SelTextColor = SelTextColor;
  data.SelBkColor = SelBackgroundColor;
  DrawEditTextRows(dc, data.TextRect, data.TextParams, data.ForceEndEllipsis, data.SelTextColor, data.SelBkColor,
                   data.SelLength, data.SelStart, data.RowCount, data.TextRows);
}

// ---- registration -------------------------------------------------------------------------------------------

void cxMemoRegisterEditKind() {
  GetRegisteredEditProperties()->Register(TcxMemoProperties::StaticClass(), cxSEditRepositoryMemoItem);
}
