#pragma once
// The password dialog's change: the old password checked, the new one confirmed, then stored.
//
// The password is kept as the program has always kept it: in plain text in the OPTIONS row of the
// program's own database, which is readable by the user only.

#include "rtl/System.h"

class TdmMain;

struct TPasswordChange {
  bool Changed = false;  // the dialog closes
  String Message;        // shown in a message box either way
};

// "OK" of the password dialog: the old password must equal the stored one exactly ("Неверно указан старый
// пароль!"), the new one its confirmation ("Новый пароль не совпадает с подтверждением!"); then the options
// row takes the new password (an empty one is stored as null), is posted and committed with retaining
// ("Пароль успешно изменен!"). A failing post raises and leaves the row in edit state.
TPasswordChange ChangeLoginPassword(TdmMain* data, const String& oldPassword, const String& newPassword,
                                    const String& confirmation);
