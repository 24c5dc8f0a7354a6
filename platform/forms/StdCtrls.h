#pragma once
// The standard controls: edits and memos over the "EDIT" class, buttons and check boxes over "BUTTON",
// labels drawn on their parent, and group boxes that hold other controls.

#include <cstdint>

#include "forms/Controls.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "rtl/StringLists.h"

// A single-line (or, in TCustomMemo, multi-line) edit. The window keeps the text once it exists.
class TCustomEdit : public TWinControl {
  RTL_CLASS(TCustomEdit, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomEdit(TComponent* AOwner);

  int32_t MaxLength() const { return FMaxLength; }
  void SetMaxLength(int32_t v);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v);
  char32_t PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char32_t v);
  // Positions and lengths count characters (code points), line breaks of a memo as two.
  int32_t SelStart();
  void SetSelStart(int32_t v);
  int32_t SelLength();
  void SetSelLength(int32_t v);
  String SelText();
  void SetSelText(const String& v);
  bool Modified();
  void SetModified(bool v);
  void Clear() { SetText(String()); }
  void SelectAll();

  TNotifyEvent OnChange;

  void CNCommand(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // Keeps the text and the modified flag for the next window (the window owns them while it exists).
  void DestroyWnd() override;
  virtual void Change();

private:
  int32_t FMaxLength = 0;
  bool FReadOnly = false;
  char32_t FPasswordChar = 0;
  bool FModified = false;  // kept while there is no window
};

class TEdit : public TCustomEdit {
  RTL_CLASS(TEdit, TCustomEdit)
public:
  using TCustomEdit::TCustomEdit;
};

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
RTL_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)

class TCustomMemo;

// The lines of a memo, read from and written to its window.
class TMemoStrings : public TStrings {
  RTL_CLASS(TMemoStrings, TStrings)
public:
  explicit TMemoStrings(TCustomMemo* memo) : FMemo(memo) {}
  void Clear() override;
  void Delete(int32_t index) override;
  void Insert(int32_t index, const String& s) override;

protected:
  String Get(int32_t index) override;
  int32_t GetCount() override;
  String GetTextStr() override;
  void SetTextStr(const String& value) override;

private:
  TCustomMemo* FMemo;
};

class TCustomMemo : public TCustomEdit {
  RTL_CLASS(TCustomMemo, TCustomEdit)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  TStrings* Lines() const { return FLines; }
  void SetLines(TStrings* v) { FLines->Assign(v); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle v);
  // Stored only: the edit window does not wrap lines.
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v) { FWordWrap = v; }
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool v) { FWantReturns = v; }

  void WMGetDlgCode(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  TMemoStrings* FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true;
  bool FWantReturns = true;
};

class TMemo : public TCustomMemo {
  RTL_CLASS(TMemo, TCustomMemo)
public:
  using TCustomMemo::TCustomMemo;
};

// A push button. Default answers Enter and Cancel answers Esc anywhere on the form; a non-zero
// ModalResult becomes the form's on a click, which ends a modal form.
class TButton : public TWinControl {
  RTL_CLASS(TButton, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TButton(TComponent* AOwner);
  bool Default() const { return FDefault; }
  void SetDefault(bool v);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool v) { FCancel = v; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult v) { FModalResult = v; }
  void Click() override;

  void CNCommand(TMessage& m);
  void CMDialogKey(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = 0;
};

enum TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };
RTL_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)

// A check box; a click or Space toggles it (through the grayed state when AllowGrayed).
class TCheckBox : public TWinControl {
  RTL_CLASS(TCheckBox, TWinControl)
  RTL_PUBLISHED_DECL
public:
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState v);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool v) { FAllowGrayed = v; }

  void CNCommand(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  virtual void Toggle();

private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
};

// Text drawn on the parent; '&' marks the accelerator that focuses FocusControl.
class TLabel : public TGraphicControl {
  RTL_CLASS(TLabel, TGraphicControl)
  RTL_PUBLISHED_DECL
public:
  explicit TLabel(TComponent* AOwner);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool v);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* v);
  // Recomputes the size from the caption when AutoSize.
  void AdjustBounds();

  void CMTextChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMDialogChar(TMessage& m);

protected:
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  UINT DrawFlags() const;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

// A captioned frame around other controls.
class TGroupBox : public TCustomControl {
  RTL_CLASS(TGroupBox, TCustomControl)
public:
  explicit TGroupBox(TComponent* AOwner);
  void CMTextChanged(TMessage& m);

protected:
  void AdjustClientRect(RECT& rect) override;
  void Paint() override;
};

// Registers the classes above so that form text can create them (InitForms calls it).
void RegisterStdControls();
