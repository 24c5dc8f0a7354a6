// Process-wide settings of the data controller tests that open SQL datasets on the embedded engine.
#include "EngineTestEnvironment.h"

namespace {
[[maybe_unused]] ::testing::Environment* const gMonitorEnvironment =
    ::testing::AddGlobalTestEnvironment(new scratch::EngineTestEnvironment("VORN.TEST.UIDATA."));
}  // namespace
