#pragma once
// The database login dialog: shows the database name and asks for user name, password and role.
// ZAZLoginDialog has the shape of the database library's login hook; the program installs it there at
// start-up (the database libraries never reach the window system themselves, and this layer does not
// know them).

#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"

class TfrmDIZIVOdoviVoz : public TForm {
  RTL_CLASS(TfrmDIZIVOdoviVoz, TForm)
  RTL_PUBLISHED_DECL
public:
  using TForm::TForm;
  TBevel* Bevel1 = nullptr;
  TBevel* Bevel2 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* lbDBName = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TEdit* EdUserName = nullptr;
  TEdit* EdPassword = nullptr;
  TEdit* EdRole = nullptr;
  TButton* Button1 = nullptr;
  TButton* Button2 = nullptr;
  void FormCreate(TObject* sender);
};

// The database name as the dialog shows it: a name longer than 45 characters as its first 10, "..." and
// its last 33 characters.
String LoginDialogDatabaseText(const String& databaseName);

// Asks for the login of the database; on OK returns the boxes' user name, password and role and true,
// otherwise leaves the arguments alone and returns false.
bool ZAZLoginDialog(const String& databaseName, String& userName, String& password, String& roleName);
