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

  TClass GetContainerClass() const override;
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

// ---- the inner memo and its helper ------------------------------------------------------------------------

class TcxCustomMemo;
class TcxCustomInnerMemo;

// The memo's own part of its inner control's contract (the inner text edit's operations come with it).
class IcxInnerMemo : public IcxInnerTextEdit {
public:
  static constexpr TGUID IID = MakeGUID("{9D0DFE35-58DC-4C0C-9C98-65C5AAD757C9}");
  // The caret as column (x) and line (y), both from 0.
  virtual POINT GetCaretPos() = 0;
  virtual TStrings* GetLines() = 0;
  virtual TScrollStyle GetScrollBars() = 0;
  virtual bool GetWantReturns() = 0;
  virtual bool GetWantTabs() = 0;
  virtual bool GetWordWrap() = 0;
  virtual void SetCaretPos(POINT Value) = 0;
  virtual void SetScrollBars(TScrollStyle Value) = 0;
  virtual void SetWantReturns(bool Value) = 0;
  virtual void SetWantTabs(bool Value) = 0;
  virtual void SetWordWrap(bool Value) = 0;

protected:
  ~IcxInnerMemo() = default;
};

// Implements the editor's contract on the inner memo's behalf.
class TcxCustomInnerMemoHelper : public TcxInterfacedPersistent, public IcxInnerMemo {
  RTL_CLASS(TcxCustomInnerMemoHelper, TcxInterfacedPersistent)
  RTL_INTERFACES(IcxContainerInnerControl, IcxCustomInnerEdit, IcxInnerTextEdit, IcxInnerMemo)
public:
  explicit TcxCustomInnerMemoHelper(TcxCustomInnerMemo* AEdit);

  int32_t QueryInterface(const TGUID& iid, void** obj) override { return TcxInterfacedPersistent::QueryInterface(iid, obj); }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  // IcxContainerInnerControl
  TWinControl* GetControl() override;
  TcxContainer* GetControlContainer() override;
  // IcxCustomInnerEdit
  LRESULT CallDefWndProc(UINT AMsg, WPARAM WParam, LPARAM LParam) override;
  Variant GetEditValue() override;
  TNotifyEvent GetOnChange() override;
  bool GetReadOnly() override;
  void LockBounds(bool ALock) override;
  void SafelySetFocus() override;
  void SetEditValue(const Variant& Value) override;
  void SetParent(TWinControl* Value) override;
  void SetOnChange(TNotifyEvent Value) override;
  void SetReadOnly(bool Value) override;
  // IcxInnerTextEdit
  void ClearSelection() override;
  void CopyToClipboard() override;
  TAlignment GetAlignment() override;
  bool GetAutoSelect() override;
  TEditCharCase GetCharCase() override;
  TcxEditEchoMode GetEchoMode() override { return eemNormal; }
  bool GetHideSelection() override;
  char GetImeLastChar() override { return 0; }
  TImeMode GetImeMode() override;
  TImeName GetImeName() override;
  bool GetKeyConsumed() override;
  int32_t GetMaxLength() override;
  bool GetMultiLine() override { return true; }
  bool GetOEMConvert() override;
  char GetPasswordChar() override { return 0; }
  int32_t GetSelLength() override;
  int32_t GetSelStart() override;
  String GetSelText() override;
  void SelectAll() override;
  void SetAlignment(TAlignment Value) override;
  void SetAutoSelect(bool Value) override;
  void SetCharCase(TEditCharCase Value) override;
  void SetEchoMode(TcxEditEchoMode) override {}
  void SetHideSelection(bool Value) override;
  void SetKeyConsumed(bool Value) override;
  void SetImeMode(TImeMode Value) override;
  void SetImeName(const TImeName& Value) override;
  void SetMaxLength(int32_t Value) override;
  void SetOEMConvert(bool Value) override;
  void SetPasswordChar(char) override {}
  void SetSelLength(int32_t Value) override;
  void SetSelStart(int32_t Value) override;
  void SetSelText(const String& Value) override;
  // IcxInnerMemo
  POINT GetCaretPos() override;
  TStrings* GetLines() override;
  TScrollStyle GetScrollBars() override;
  bool GetWantReturns() override;
  bool GetWantTabs() override;
  bool GetWordWrap() override;
  void SetCaretPos(POINT Value) override;
  void SetScrollBars(TScrollStyle Value) override;
  void SetWantReturns(bool Value) override;
  void SetWantTabs(bool Value) override;
  void SetWordWrap(bool Value) override;

  TcxCustomInnerMemo* Edit() const { return FEdit; }

private:
  TcxCustomInnerMemo* FEdit;
};

// The native multi-line edit inside a memo's border; like the inner text edit it reports everything the
// user does to the owning editor, and the text its line list inserts makes the editor's value follow.
class TcxCustomInnerMemo : public TMemo, public IcxContainerInnerControl, public IcxInnerEditSource {
  RTL_CLASS(TcxCustomInnerMemo, TMemo)
  RTL_INTERFACES(IcxContainerInnerControl, IcxInnerEditSource)
public:
  explicit TcxCustomInnerMemo(TComponent* AOwner);
  ~TcxCustomInnerMemo() override;
  void AfterConstruction() override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  bool CanFocus() override;
  void Click() override;
  void DblClick() override;

  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  // IcxContainerInnerControl
  TWinControl* GetControl() override { return this; }
  TcxContainer* GetControlContainer() override;
  // IcxInnerEditSource
  IcxCustomInnerEdit* GetInnerEdit() override { return FHelper; }

  // The owning memo (nullptr while it is not a memo).
  TcxCustomMemo* Container() const;
  TcxCustomInnerMemoHelper* Helper() const { return FHelper; }
  bool MemoAutoSelect() const { return FAutoSelect; }
  void SetMemoAutoSelect(bool Value) { FAutoSelect = Value; }
  bool KeyConsumed() const { return FKeyConsumed; }
  void SetKeyConsumed(bool Value) { FKeyConsumed = Value; }
  void LockBounds(bool ALock);
  // The text's length in characters, from the window's line table (no copy of the text).
  int32_t TextLength();
  // Counts the text changes the window reported; a key that leaves it alone changed nothing.
  uint64_t ChangeCount() const { return FChangeCount; }

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void CreateHandle() override;
  void Change() override;
  void DoEnter() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void DragOver(TObject* Source, int32_t X, int32_t Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int32_t X, int32_t Y) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) override;

private:
  friend class TcxCustomInnerMemoHelper;
  friend class TcxCustomMemo;
  void WMKeyDownRouted(TMessage& Message);
  void WMClear(TMessage& Message);
  void ClipboardMessage(TMessage& Message);
  void WMSetText(TMessage& Message);
  void EMReplaceSel(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void UpdateEditScrollBars();

  bool FAutoSelect = false;
  TcxEditEchoMode FEchoMode = eemNormal;
  TcxCustomInnerMemoHelper* FHelper = nullptr;
  bool FKeyConsumed = false;
  bool FIsCreating = true;
  int32_t FLockBoundsCount = 0;
  bool FInternalTextSetting = false;
  uint64_t FChangeCount = 0;
};

// ---- the editor ---------------------------------------------------------------------------------------------

class TcxCustomMemo : public TcxCustomTextEdit {
  RTL_CLASS(TcxCustomMemo, TcxCustomTextEdit)
public:
  explicit TcxCustomMemo(TComponent* AOwner);
  void WndProc(TMessage& Message) override;

  TcxCustomMemoProperties* ActiveProperties() {
    return static_cast<TcxCustomMemoProperties*>(GetActiveProperties());
  }
  TcxCustomMemoProperties* Properties() const {
    return static_cast<TcxCustomMemoProperties*>(TcxCustomEdit::Properties());
  }
  // The inner memo's line list; setting assigns the lines.
  TStrings* Lines();
  void SetLines(TStrings* Value);
  IcxInnerMemo* InnerMemo() const { return dynamic_cast<IcxInnerMemo*>(InnerEdit()); }
  TcxCustomInnerMemo* InnerMemoControl() const { return dynamic_cast<TcxCustomInnerMemo*>(InnerControl()); }

  virtual bool IsLineBreakOrTabKey(uint16_t Key, TShiftState Shift);

  // ---- overrides ----
  TClass GetPropertiesClass() const override { return TcxCustomMemoProperties::StaticClass(); }
  TClass GetInnerEditClass() const override;
  bool HasScrollBars() const override { return true; }
  bool NeedsInnerEdit() override { return true; }
  void InitializeEdit() override;
  void InitializeViewData(TcxCustomEditViewData* AViewData) override;
  void AdjustInnerEditPosition(int32_t AvailableHeight) override;
  void AdjustLayout() override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomTextEdit::PropertiesChanged;
  bool IsModifyingKey(uint16_t Key, TShiftState Shift) override;
  bool IsModifyingChar(char32_t Key) override;
  bool SendsActivationKey(char32_t Key) override;
  void DoEditKeyDown(uint16_t& Key, TShiftState Shift) override;
  void ClearSelection() override;
  void CutToClipboard() override;
  void SetSelText(const String& Value) override;
  void InnerEditChanged(TObject* Sender) override;
  void RefreshEditValueFromDisplay() override;
  void AssignEditValue(const Variant& Value) override;
  void FontChanged() override;
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) override;

  // Posts the painted scroll bars' update to the editor's window, one at a time: it runs once the message
  // being handled is done, so a run of changes updates the bars once.
  void DeferredUpdateScrollBars();

protected:
  friend class TcxCustomInnerMemo;
  friend class TcxCustomInnerMemoHelper;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void ReadState(TReader* Reader) override;
  void CreateParams(TCreateParams& Params) override;

private:
  // The value follows a change the program made (not the keyboard).
  void RefreshValueProgrammatically();
  // The inner memo replaced its selection with AInserted (already normalised); AAppended: the selection
  // was empty at the end of a text of AOldLength characters.
  void InnerTextReplaced(bool AAppended, const String& AInserted, int32_t AOldLength);
  // The edit value is the memo's whole text as last read, and the text changed since only by appending.
  bool ValueFollowsText(int32_t ATextLength) const;
  void FollowText();
  void ForgetFollowedText() { FValueFollowsText = false; }

  bool FInternalAction = false;
  bool FScrollBarsUpdatePending = false;
  bool FAppending = false;
  bool FValueFollowsText = false;
  int32_t FFollowedLength = 0;
  const void* FFollowedValue = nullptr;
  size_t FFollowedSize = 0;
};

// The memo as the form designer shows it.
class TcxMemo : public TcxCustomMemo {
  RTL_CLASS(TcxMemo, TcxCustomMemo)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomMemo::TcxCustomMemo;
  TClass GetPropertiesClass() const override { return TcxMemoProperties::StaticClass(); }
  TcxMemoProperties* Properties() const { return static_cast<TcxMemoProperties*>(TcxCustomEdit::Properties()); }
  void SetProperties(TcxMemoProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxMemoProperties* ActiveProperties() { return static_cast<TcxMemoProperties*>(GetActiveProperties()); }
};

// Registers the memo with the registry of editor kinds and the form streamer (once; later calls find it
// there). The program's start-up and every user of the registry call it.
void cxMemoInitialize();
