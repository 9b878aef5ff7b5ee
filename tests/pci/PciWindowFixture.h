// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pci/PciWindowModel.h"
#include "platform/Seam.h"
#include "support/InProcessDriver.h"
#include "support/MessageRecorder.h"
#include "support/ScratchDirectory.h"

// A PCI window model in a scratch program directory, on a simulated machine
// behind the device seam, with its message boxes recorded.
class PciWindowFixture : public testing::Test {
  protected:
    void Load(const std::string& json) {
        device_.reset();
        driver_ = InProcessDriver::FromMachineJson(json);
        ASSERT_TRUE(driver_);
        device_ = std::make_unique<ScopedOverride<DeviceIo>>(*driver_);
    }

    ScratchDirectory dir_;
    MessageRecorder messages_;
    ScopedOverride<MessageBoxService> messageOverride_{messages_};
    std::unique_ptr<InProcessDriver> driver_;
    std::unique_ptr<ScopedOverride<DeviceIo>> device_;
    PciWindowModel model;
};

// The machine with its configuration window at base.
inline std::string WithWindow(std::string json, const char* base) {
    json.insert(1, std::string(R"("ecam": {"base": ")") + base + R"("}, )");
    return json;
}
