#pragma once
// TPersistent: objects that can be assigned to each other and streamed.

#include "rtl/System.h"

class TFiler;

class TPersistent : public TObject {
  RTL_CLASS(TPersistent, TObject)
public:
  // Copies source into this object; classes that know the source override it. The default asks the
  // source to AssignTo this object, and fails with "Cannot assign a X to a Y" when nobody knows how.
  virtual void Assign(TPersistent* source);
  // The dotted path of names used in messages and by the streaming system.
  virtual String GetNamePath();

protected:
  virtual void AssignTo(TPersistent* dest);
  // Declares pseudo-properties to the streaming system (DefineProperty / DefineBinaryProperty).
  virtual void DefineProperties(TFiler* filer);
  virtual TPersistent* GetOwner();

  friend class TFiler;
  friend class TReader;
  friend class TWriter;

private:
  [[noreturn]] void AssignError(TPersistent* source);
};
