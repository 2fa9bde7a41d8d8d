#include "config/ProcessSettings.h"
#include "engine/EngineTestSupport.h"

#include <gtest/gtest.h>

namespace {

// What start-up sets before anything else runs: the engine picks folders, registry
// views and redirection by it.
class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        BOOL wow64 = FALSE;
        IsWow64Process(GetCurrentProcess(), &wow64);
        ProcessSettings::SetIs64BitWindows(wow64 != FALSE);
        WriteEngineMessages();
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace
