#pragma once
// Questions that code above the dataset framework asks about a dataset's kind without knowing its class:
// whether it is a query (queries understand SQL null tests in their filter text) and which parameters
// re-query it as a detail.

#include "db/DB.h"

// True when the upper-cased class name of the dataset, or of the class, contains "QUERY".
bool IsQueryDataSetClass(TClass AClass);
bool IsQueryDataSet(const TDataSet* ADataSet);

// The dataset's detail parameters (nil without a dataset or when it has none).
TParams* DataSetDetailParams(const TDataSet* ADataSet);
