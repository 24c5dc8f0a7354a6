#include "app/password.h"

#include "app/main.h"
#include "datasets/pZAZDataSet.h"
#include "db/DB.h"
#include "dbaccess/pZAZDatabase.h"

TPasswordChange ChangeLoginPassword(TdmMain* data, const String& oldPassword, const String& newPassword,
                                    const String& confirmation) {
  TPasswordChange result;
  TpZAZDataSet* options = data->qOptions;
  if (options->FieldByName("PASS")->AsString() != oldPassword) {
    result.Message = "Неверно указан старый пароль!";
  } else if (newPassword != confirmation) {
    result.Message = "Новый пароль не совпадает с подтверждением!";
  } else {
    options->Edit();
    options->FieldByName("PASS")->SetAsString(newPassword);
    options->Post();
    data->Transaction->CommitRetaining();
    result.Changed = true;
    result.Message = "Пароль успешно изменен!";
  }
  return result;
}
