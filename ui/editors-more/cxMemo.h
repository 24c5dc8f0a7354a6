#pragma once
// The multi-line text editor: a text editor whose inner control is a native multi-line EDIT window. It adds
// scroll bars, word wrap, Enter and Tab as typed characters, the text as a list of lines, and multi-line
// painting where no live control shows the text (grid cells).

#include <cstdint>

#include "forms/StdCtrls.h"
#include "rtl/System.h"
#include "ui/editors/cxTextEdit.h"

// Posted by the memo to itself: update the painted scroll bars once the current message is handled.
constexpr UINT CM_MEMOUPDATESCROLLBARS = 0x8068;

// Cuts the text before its first line break (CR or LF) found within its first AMaxLength characters (within
// the whole text when AMaxLength is 0 or less or not below the text's length); with a positive AMaxLength a
// text still longer than that is cut to AMaxLength characters. Characters are code points.
void CutToFirstLine(String& AText, int32_t AMaxLength);

// Rewrites every reversed line break (LF followed by CR) of a text the memo's line list inserts as CR LF
// followed by a further CR LF; CR LF pairs are kept as they are.
String cxMemoNormalizeLineBreaks(const String& AText);


// ---- properties ---------------------------------------------------------------------------------------------

class TcxCustomMemoProperties : public TcxCustomTextEditProperties {
  RTL_CLASS(TcxCustomMemoProperties, TcxCustomTextEditProperties)
public:
  explicit TcxCustomMemoProperties(TPersistent* AOwner);
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  TcxCustomEditViewDataClass GetViewDataClass() const override;
  TClass GetViewInfoClass() const override;
  bool IsMultiLine() override { return true; }
  bool WantsTabKey() const override { return FWantTabs; }
  int32_t GetEditValueSource(bool AEditFocused) const override;
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;

  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value);
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

private:
  TScrollStyle FScrollBars = ssNone;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FWordWrap = true;
};

// The published form: the memo's Alignment is the horizontal part of the core's alignment.
class TcxMemoProperties : public TcxCustomMemoProperties {
  RTL_CLASS(TcxMemoProperties, TcxCustomMemoProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomMemoProperties::TcxCustomMemoProperties;
  TAlignment MemoAlignment() { return GetAlignment()->Horz(); }
  void SetMemoAlignment(TAlignment Value) { GetAlignment()->SetHorz(Value); }
  bool IsMemoAlignmentStored() { return GetAlignment()->IsHorzStored(); }
};

// ---- view data and view info --------------------------------------------------------------------------------

class TcxCustomMemoViewData : public TcxCustomTextEditViewData {
  RTL_CLASS(TcxCustomMemoViewData, TcxCustomTextEditViewData)
public:
  using TcxCustomTextEditViewData::TcxCustomTextEditViewData;
  uint32_t GetDrawTextFlags() override;
  void GetTextOffsets(RECT& AOffsets) override;
  using TcxCustomTextEditViewData::GetTextOffsets;
};

class TcxCustomMemoViewInfo : public TcxCustomTextEditViewInfo {
  RTL_CLASS(TcxCustomMemoViewInfo, TcxCustomTextEditViewInfo)
public:
  void DrawText(TcxCanvas* ACanvas) override;
};

// Registers the memo kind with the editor kind registry (unit initialisation; safe to repeat).
void cxMemoRegisterEditKind();
