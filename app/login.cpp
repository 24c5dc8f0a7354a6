#include "app/login.h"

#include "db/DB.h"

bool LoginPasswordMatches(TDataSet* options, const String& entered) {
  if (!options || !options->Active() || options->IsEmpty()) return false;
  return options->FieldByName("PASS")->AsString() == entered;
}
