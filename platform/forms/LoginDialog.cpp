#include "forms/LoginDialog.h"

#include "rtl/ClassRegistry.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"

namespace {

const char* const kLoginDialogForm = R"(object frmDIZIVOdoviVoz: TfrmDIZIVOdoviVoz
  Left = 0
  Top = 0
  BorderStyle = bsDialog
  Caption = 'Database login'
  ClientWidth = 293
  ClientHeight = 222
  Position = poScreenCenter
  ActiveControl = EdPassword
  OnCreate = FormCreate
  object Bevel1: TBevel
    Left = 8
    Top = 8
    Width = 277
    Height = 57
  end
  object Bevel2: TBevel
    Left = 8
    Top = 72
    Width = 277
    Height = 105
  end
  object Label1: TLabel
    Left = 16
    Top = 16
    Caption = 'Database:'
  end
  object lbDBName: TLabel
    Left = 16
    Top = 38
    Width = 263
    Height = 16
    AutoSize = False
  end
  object Label2: TLabel
    Left = 16
    Top = 86
    Caption = '&User name'
    FocusControl = EdUserName
  end
  object Label3: TLabel
    Left = 16
    Top = 116
    Caption = '&Password'
    FocusControl = EdPassword
  end
  object Label4: TLabel
    Left = 16
    Top = 146
    Caption = 'Rol&e'
    FocusControl = EdRole
  end
  object EdUserName: TEdit
    Left = 104
    Top = 82
    Width = 169
    Height = 21
    TabOrder = 0
  end
  object EdPassword: TEdit
    Left = 104
    Top = 112
    Width = 169
    Height = 21
    TabOrder = 1
  end
  object EdRole: TEdit
    Left = 104
    Top = 142
    Width = 169
    Height = 21
    TabOrder = 2
  end
  object Button1: TButton
    Left = 124
    Top = 188
    Width = 75
    Height = 25
    Caption = '&OK'
    Default = True
    ModalResult = 1
    TabOrder = 3
  end
  object Button2: TButton
    Left = 210
    Top = 188
    Width = 75
    Height = 25
    Cancel = True
    Caption = '&Cancel'
    ModalResult = 2
    TabOrder = 4
  end
end
)";

const bool kRegistered = [] {
  RegisterClass(TfrmDIZIVOdoviVoz::StaticClass());
  RegisterFormResource("TfrmDIZIVOdoviVoz", kLoginDialogForm);
  return true;
}();

}  // namespace

RTL_PUBLISHED(TfrmDIZIVOdoviVoz) {
  using T = TfrmDIZIVOdoviVoz;
  field("Bevel1", &T::Bevel1);
  field("Bevel2", &T::Bevel2);
  field("Label1", &T::Label1);
  field("lbDBName", &T::lbDBName);
  field("Label2", &T::Label2);
  field("Label3", &T::Label3);
  field("Label4", &T::Label4);
  field("EdUserName", &T::EdUserName);
  field("EdPassword", &T::EdPassword);
  field("EdRole", &T::EdRole);
  field("Button1", &T::Button1);
  field("Button2", &T::Button2);
  method("FormCreate", &T::FormCreate);
}

void TfrmDIZIVOdoviVoz::FormCreate(TObject*) {
  SetCaption("Database login");
  Label1->SetCaption("Database:");
  Label1->Font()->SetStyle(TFontStyles{fsBold});
  Label2->SetCaption("&User name");
  Label3->SetCaption("&Password");
  Label4->SetCaption("Rol&e");
  Button1->SetCaption("&OK");
  Button2->SetCaption("&Cancel");
  EdPassword->SetPasswordChar(U'*');
}

String LoginDialogDatabaseText(const String& databaseName) {
  // Counted in characters, not bytes, so that a name is never cut inside a character.
  const WideString wide = Utf8ToUtf16(databaseName);
  if (wide.size() <= 45) return databaseName;
  return Utf16ToUtf8(wide.substr(0, 10)) + "..." + Utf16ToUtf8(wide.substr(wide.size() - 33));
}

bool ZAZLoginDialog(const String& databaseName, String& userName, String& password, String& roleName) {
  auto* form = New<TfrmDIZIVOdoviVoz>(Application);
  bool ok = false;
  try {
    form->lbDBName->SetCaption(LoginDialogDatabaseText(databaseName));
    form->EdUserName->SetText(userName);
    form->EdRole->SetText(roleName);
    ok = form->ShowModal() == mrOk;
    if (ok) {
      userName = form->EdUserName->Text();
      password = form->EdPassword->Text();
      roleName = form->EdRole->Text();
    }
  } catch (...) {
    form->Free();
    throw;
  }
  form->Free();
  return ok;
}
