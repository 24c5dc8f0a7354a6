#include <gtest/gtest.h>
#include "ui/grid/cxGridCommon.h"
TEST(Placeholder, Builds) { SUCCEED(); }
