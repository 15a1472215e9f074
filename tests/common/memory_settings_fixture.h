#pragma once
// Each test gets a fresh in-memory store as the process-wide one, so the settings code under
// test never touches a file and no test sees another's values.
#include <gtest/gtest.h>

#include <memory>

#include "common/registry.h"
#include "platform/settings_store.h"

namespace orvanta::test {

struct MemorySettingsTest : ::testing::Test {
    std::shared_ptr<platform::ISettingsStore> store = platform::MakeMemorySettingsStore();
    void SetUp() override { SetSettingsStore(store); }
    void TearDown() override { SetSettingsStore(nullptr); }
};

}  // namespace orvanta::test
