// Process-wide settings of the dataset tests.
#include "EngineTestEnvironment.h"

namespace {
[[maybe_unused]] ::testing::Environment* const gMonitorEnvironment =
    ::testing::AddGlobalTestEnvironment(new scratch::EngineTestEnvironment("VORN.TEST.DATASETS."));
}  // namespace
