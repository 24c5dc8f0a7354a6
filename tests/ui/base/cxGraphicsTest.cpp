#include <gtest/gtest.h>

#include "ui/base/cxGraphics.h"

TEST(TextFlags, Placeholder) { EXPECT_EQ(TextFlagsToDrawTextFlags(0), DT_NOPREFIX); }
