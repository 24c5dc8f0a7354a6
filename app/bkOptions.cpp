#include "app/bkOptions.h"

#include "app/main.h"
#include "datasets/pZAZDataSet.h"
#include "db/DB.h"
#include "dbaccess/pZAZDatabase.h"

String ReadDatabaseExtensions(TdmMain* data) { return data->qOptions->FieldByName("EXTENSION")->AsString(); }

void SaveDatabaseExtensions(TdmMain* data, const String& extensions) {
  data->qOptions->Edit();
  data->qOptions->FieldByName("EXTENSION")->SetAsString(extensions);
  data->qOptions->Post();
  data->Transaction->CommitRetaining();
}
