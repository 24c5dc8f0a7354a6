#pragma once
// The popup edit: a drop-down editor whose popup shows a control of the form. While the popup is open that
// control is lifted from where it lives, hosted in the popup filling its client area, and put back exactly as
// it was afterwards, however the popup closes. The calculator, date and blob editors are popup edits that
// host controls of their own.

#include <vector>

#include "rtl/ObjLinks.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxDropDownEdit.h"

class TcxCustomPopupEdit;

// The popup window's view info: the three-dimensional frame is drawn as four plain rings.
class TcxPopupEditPopupWindowViewInfo : public TcxCustomEditPopupWindowViewInfo {
  RTL_CLASS(TcxPopupEditPopupWindowViewInfo, TcxCustomEditPopupWindowViewInfo)
public:
  TcxPopupEditPopupWindowViewInfo() = default;
  void DrawBorder(TcxCanvas* ACanvas, RECT& R) override;
};

class TcxPopupEditPopupWindow : public TcxCustomEditPopupWindow {
  RTL_CLASS(TcxPopupEditPopupWindow, TcxCustomEditPopupWindow)
public:
  explicit TcxPopupEditPopupWindow(TControl* AOwnerControl) : TcxCustomEditPopupWindow(AOwnerControl) {}
  TClass GetViewInfoClass() const override { return TcxPopupEditPopupWindowViewInfo::StaticClass(); }
};

// ---- properties ---------------------------------------------------------------------------------------------

class TcxCustomPopupEditProperties : public TcxCustomDropDownEditProperties {
  RTL_CLASS(TcxCustomPopupEditProperties, TcxCustomDropDownEditProperties)
public:
  explicit TcxCustomPopupEditProperties(TPersistent* AOwner);
  ~TcxCustomPopupEditProperties() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  TClass GetContainerClass() const override;
  TClass GetPopupWindowClass() override { return TcxPopupEditPopupWindow::StaticClass(); }
  bool UsesDropDownLookup() override { return false; }
  bool PopupCapturesFocus() override { return true; }
  // A freed PopupControl is forgotten.
  void ComponentFreeNotification(TComponent* AComponent) override;

  // The control the popup shows; none by default.
  TControl* PopupControl() const { return FPopupControl; }
  void SetPopupControl(TControl* Value);

private:
  void ControlRemoved(TComponent* AComponent) { ComponentFreeNotification(AComponent); }

  TControl* FPopupControl = nullptr;
  TcxFreeNotificator* FFreeNotificator = nullptr;
};

class TcxPopupEditProperties : public TcxCustomPopupEditProperties {
  RTL_CLASS(TcxPopupEditProperties, TcxCustomPopupEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomPopupEditProperties::TcxCustomPopupEditProperties;
  void AfterConstruction() override;
};

// ---- the editor ---------------------------------------------------------------------------------------------

// What a hosted control had before it was taken, so that it gets exactly that back.
struct TcxPopupControlSavedState {
  TAlign Align = alNone;
  bool IsForm = false;
  TBorderStyle BorderStyle = bsNone;  // forms only
  RECT Bounds{};
  TWinControl* Parent = nullptr;      // cleared when the parent goes first
  bool Visible = false;
  int32_t TabOrder = -1;              // windowed controls only
  // The siblings that lay above the control, bottom to top: brought up again after it, they put it back at
  // its place in the parent's stacking (and alignment) order.
  std::vector<TObjectLink<TControl>> Above;
};

class TcxCustomPopupEdit : public TcxCustomDropDownEdit {
  RTL_CLASS(TcxCustomPopupEdit, TcxCustomDropDownEdit)
public:
  explicit TcxCustomPopupEdit(TComponent* AOwner);
  ~TcxCustomPopupEdit() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void WndProc(TMessage& Message) override;

  // ---- new virtual operations ----
  // Gives the hosted control back exactly as it was taken: hidden, its parent, Align, a form's border,
  // bounds, tab order, then its visibility. Nothing when no control is hosted.
  virtual void RestorePopupControl();
  // Saves what the control has before it is hosted. Nothing when a control is hosted already: a second
  // opening request before the first showed must not save the hosting state as the control's own.
  virtual void TakePopupControl();

  // ---- drop-down operations ----
  // True when PopupControl is assigned.
  bool CanDropDown() override;
  // The containment check, then OnInitPopup. Raises "Циклические ссылки не допустимы" for a control that
  // is the editor, contains it, or is the popup window.
  void DoInitPopup() override;
  // PopupControl when it is a windowed control, else none.
  TWinControl* GetPopupFocusedControl() override;
  // PopupControl's Width by Height.
  void CalculatePopupSize(SIZE& ASize) override;
  // Takes the control, puts it into the popup visible, sizes and places the popup, then aligns the control
  // alClient.
  void PreparePopup() override;
  // The hosted control's Left, Top, Width and Height from R, in that order.
  void SetPopupContentBounds(const RECT& R) override;
  // Also asks, after the show request, whether the control was left behind in a popup that never showed.
  void DropDown() override;
  // Gives the control back, then the drop-down editor's closed handling.
  void PopupWindowClosed(TObject* Sender) override;

  TClass GetPropertiesClass() const override { return TcxCustomPopupEditProperties::StaticClass(); }
  TcxCustomPopupEditProperties* ActiveProperties() {
    return static_cast<TcxCustomPopupEditProperties*>(GetActiveProperties());
  }
  TcxCustomPopupEditProperties* Properties() const {
    return static_cast<TcxCustomPopupEditProperties*>(TcxCustomEdit::Properties());
  }

  // The control hosted in the popup now (taken and not yet given back), or none.
  TControl* HostedControl() const { return FHostedControl; }
  const TcxPopupControlSavedState& SavedPopupControlState() const { return FSaved; }
  // The check DoInitPopup runs; raises Exception with the translated message.
  void CheckPopupControl();

private:
  void HostedComponentRemoved(TComponent* AComponent);
  // Gives back a control left in a popup that never showed (its show request was dropped).
  void CheckOrphanedPopupControl();

  TControl* FHostedControl = nullptr;
  TcxPopupControlSavedState FSaved;
  TcxFreeNotificator* FHostNotificator = nullptr;
  bool FRestoring = false;
};

class TcxPopupEdit : public TcxCustomPopupEdit {
  RTL_CLASS(TcxPopupEdit, TcxCustomPopupEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomPopupEdit::TcxCustomPopupEdit;
  TClass GetPropertiesClass() const override { return TcxPopupEditProperties::StaticClass(); }
  TcxPopupEditProperties* Properties() const {
    return static_cast<TcxPopupEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxPopupEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxPopupEditProperties* ActiveProperties() {
    return static_cast<TcxPopupEditProperties*>(GetActiveProperties());
  }
};

// The message a popup edit posts to itself after a show request, to find a control left behind when the
// request was dropped.
constexpr UINT CM_POPUPEDITCHECKHOSTED = 0x8069;

// Registers the popup edit kind (once; later calls find it there).
void cxPopupEditInitialize();
