// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hw/DriverChannel.h"
#include "sim/PciFunction.h"
#include "support/ForegroundDriver.h"
#include "support/PciPeer.h"

// The driver on this machine's hardware, read only, against lspci.
namespace {

namespace fs = std::filesystem;

class DriverPeerTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!HasPciFunctions()) GTEST_SKIP() << "no PCI functions on this machine";
        if (std::string why = LspciUnavailable(); !why.empty()) GTEST_SKIP() << why;
        if (!fs::exists(ForegroundDriver::Program())) GTEST_SKIP() << "driver not built";
        driver_ = std::make_unique<ForegroundDriver>("");
        ASSERT_TRUE(driver_->Ready()) << driver_->Process().StandardError();
    }
    void TearDown() override {
        if (driver_) {
            EXPECT_EQ(driver_->Stop(), 0);
        }
    }

    std::vector<std::string> DriverFunctions() {
        PciFunctionList list;
        EXPECT_EQ(ListPciFunctions(&list), 1);
        std::vector<std::string> functions;
        for (uint32_t i = 0; i < list.count; ++i) {
            FunctionAddress bdf{list.busNumbers[i], static_cast<uint8_t>(list.devFns[i] >> 3),
                                static_cast<uint8_t>(list.devFns[i] & 7)};
            functions.push_back(bdf.ToString());
        }
        return functions;
    }

    std::unique_ptr<ForegroundDriver> driver_;
};

TEST_F(DriverPeerTest, ListingEqualsLspci) {
    std::vector<std::string> expected = LspciFunctions();
    if (expected.size() > 256) expected.resize(256);
    EXPECT_EQ(DriverFunctions(), expected);
}

TEST_F(DriverPeerTest, ConfigurationDwordsEqualLspci) {
    MachineLoad dump = LspciConfigurationDump();
    ASSERT_TRUE(dump.Ok()) << dump.error;
    // Unprivileged readers see only the standard header, in lspci as here.
    uint32_t visible = geteuid() == 0 ? 0x100 : 0x40;
    size_t compared = 0;
    for (const PciFunction& function : dump.machine->Functions()) {
        const FunctionAddress& f = function.Address();
        for (uint32_t offset = 0; offset < visible; offset += 4) {
            uint32_t value = 0;
            uint32_t address =
                0x80000000u | f.bus << 16 | f.device << 11 | f.function << 8 | offset;
            ASSERT_EQ(ReadPciConfigDword(address, &value), 1) << f.ToString() << " +" << offset;
            EXPECT_EQ(value, function.ReadDword(offset)) << f.ToString() << " +" << offset;
            ++compared;
        }
    }
    EXPECT_GT(compared, 0u);
}

}  // namespace
