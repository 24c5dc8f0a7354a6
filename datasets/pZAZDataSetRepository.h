#pragma once
// The dataset side of the dataset repository (ZAZ$DATASETS_INFO): copying a dataset's stored row into it
// and writing its current settings back. The row cache itself lives with the connection layer
// (dbaccess/pZAZDataSetInfo.h), which cannot see datasets; these two take the dataset and use that cache.

#include "rtl/System.h"

class TFIBTransaction;
class TpDataSetInfoCollect;
class TpZAZDataSet;

// Copies the cached row of the dataset's DataSet_ID into the dataset: the stored SQL texts that are not
// empty and differ, the update settings and the conditions and description. Runs under the cache's lock;
// in the designer the row is always read anew. Without a row, a connection or an ID nothing changes.
void LoadDataSetInfo(TpDataSetInfoCollect* collect, TpZAZDataSet* dataSet);
// The same with the process-wide cache.
void LoadDataSetInfo(TpZAZDataSet* dataSet);

// Writes the dataset's SQL texts, key fields, generator, update table, update-only-modified flag,
// conditions and the description (the row's own when `description` is empty) into its row, adding the
// row when missing and first bringing an older table up to the current columns, domain and triggers.
void StoreDataSetInfo(TpZAZDataSet* dataSet, const String& description);

// Brings ZAZ$DATASETS_INFO up to the current layout with the started transaction: the ZAZ$BOOLEAN domain,
// the update table, update-only-modified and conditions columns, the row version generator, column and
// triggers. Steps the table already has are skipped by their own errors.
void UpgradeDataSetsInfoTable(TFIBTransaction* transaction);
