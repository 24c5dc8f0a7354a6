#pragma once
// The button edit: the masked editor with embedded buttons whose clicks the application handles in
// OnButtonClick. A new editor has one ellipsis button; an editor read from a form has the stored buttons.

#include "ui/editors/cxMaskEdit.h"

class TcxCustomButtonEditProperties : public TcxCustomMaskEditProperties {
  RTL_CLASS(TcxCustomButtonEditProperties, TcxCustomMaskEditProperties)
public:
  using TcxCustomMaskEditProperties::TcxCustomMaskEditProperties;
  void AfterConstruction() override;
  TClass GetContainerClass() const override;
};

class TcxButtonEditProperties : public TcxCustomButtonEditProperties {
  RTL_CLASS(TcxButtonEditProperties, TcxCustomButtonEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomButtonEditProperties::TcxCustomButtonEditProperties;
};

class TcxCustomButtonEdit : public TcxCustomMaskEdit {
  RTL_CLASS(TcxCustomButtonEdit, TcxCustomMaskEdit)
public:
  using TcxCustomMaskEdit::TcxCustomMaskEdit;
  TClass GetPropertiesClass() const override { return TcxCustomButtonEditProperties::StaticClass(); }
  // Only the popup border is hidden: the button style and transparency are offered and stored.
  TcxContainerStyleValues GetHiddenStyleValues() const override { return TcxContainerStyleValues{svPopupBorderStyle}; }
  TcxCustomButtonEditProperties* Properties() const {
    return static_cast<TcxCustomButtonEditProperties*>(TcxCustomEdit::Properties());
  }
  TcxCustomButtonEditProperties* ActiveProperties() {
    return static_cast<TcxCustomButtonEditProperties*>(GetActiveProperties());
  }
};

class TcxButtonEdit : public TcxCustomButtonEdit {
  RTL_CLASS(TcxButtonEdit, TcxCustomButtonEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomButtonEdit::TcxCustomButtonEdit;
  TClass GetPropertiesClass() const override { return TcxButtonEditProperties::StaticClass(); }
  TcxButtonEditProperties* Properties() const {
    return static_cast<TcxButtonEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxButtonEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxButtonEditProperties* ActiveProperties() {
    return static_cast<TcxButtonEditProperties*>(GetActiveProperties());
  }

protected:
  // The first read replaces the default ellipsis button by the stored buttons instead of appending to it.
  void ReadState(TReader* Reader) override;

private:
  bool FIsFirstReadDone = false;
};

// Registers the button edit kind (once; later calls find it there).
void cxButtonEditInitialize();
