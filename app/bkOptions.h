#pragma once
// The options dialog's data: the masks of the database files, kept in the OPTIONS row.

#include "rtl/System.h"

class TdmMain;

// The masks the dialog starts with (EXTENSION as text).
String ReadDatabaseExtensions(TdmMain* data);
// "OK": the options row takes the masks, is posted and committed with retaining. The file list shown
// is not rebuilt; the masks apply the next time a project's list is built. A failing post raises and
// leaves the row in edit state.
void SaveDatabaseExtensions(TdmMain* data, const String& extensions);
