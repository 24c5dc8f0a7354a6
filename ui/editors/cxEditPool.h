#pragma once
// The pool of in-place editors a host (a grid, the filter control) edits its cells with: at most one
// hidden editor per properties object, handed out again and again instead of a control per cell. Each time
// an editor is handed out by properties it is re-configured from them, so a column's settings always
// reach its editor; the host parents it, activates it on the cell and hides it again afterwards.

#include <cstdint>
#include <vector>

#include "rtl/Classes.h"
#include "ui/editors/cxEdit.h"

class TcxInplaceEditList : public TObject {
  RTL_CLASS(TcxInplaceEditList, TObject)
public:
  TcxInplaceEditList() = default;
  // Frees every pooled editor, the last first.
  ~TcxInplaceEditList() override;
  TcxInplaceEditList(const TcxInplaceEditList&) = delete;
  TcxInplaceEditList& operator=(const TcxInplaceEditList&) = delete;

  // A hidden in-place editor of the control class the properties name, without an owner.
  virtual TcxCustomEdit* CreateEdit(TcxCustomEditProperties* AProperties);

  // The pooled editor of AProperties (made and appended when missing), its own properties assigned from
  // AProperties with the change events that assignment causes dropped. nullptr for nullptr.
  TcxCustomEdit* GetEdit(TcxCustomEditProperties* AProperties);
  // The first pooled editor whose own properties are exactly of APropertiesClass (a properties class);
  // when none, a new in-place editor of that kind keyed by its own properties (neither assigned nor hidden).
  TcxCustomEdit* GetEdit(TClass APropertiesClass);
  // The editor of the entry keyed by AProperties, or nullptr.
  TcxCustomEdit* FindEdit(TcxCustomEditProperties* AProperties) const;
  // The entry keyed by AProperties, or -1.
  int32_t IndexOfProperties(TcxCustomEditProperties* AProperties) const;
  // Unparents and frees the entry's editor and closes the gap; -1 does nothing.
  void Remove(int32_t AIndex);
  void RemoveByProperties(TcxCustomEditProperties* AProperties) { Remove(IndexOfProperties(AProperties)); }
  // Removes every entry, the last first.
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxCustomEdit* Edits(int32_t AIndex) const;
  TcxCustomEditProperties* Properties(int32_t AIndex) const;

private:
  struct TcxInplaceEditListItem {
    TcxCustomEdit* Edit;                     // owned by the pool
    TcxCustomEditProperties* Properties;     // the key
  };
  void CheckIndex(int32_t AIndex) const;
  std::vector<TcxInplaceEditListItem> FItems;
};
