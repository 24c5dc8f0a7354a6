#include <gtest/gtest.h>
#include "db/DB.h"
TEST(DB, Smoke) { EXPECT_EQ(FieldTypeName(ftInteger), "Integer"); }
