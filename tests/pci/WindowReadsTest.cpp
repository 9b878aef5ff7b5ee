// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pci/PciWindowFixture.h"
#include "pci/WindowReads.h"
#include "protocol/DriverRequest.h"

namespace {

class WindowReadsTest : public PciWindowFixture {
  protected:
    // What the window shows of the row read: the dwords it lists.
    struct Shown {
        int32_t bytes;
        std::string address;
        std::vector<uint32_t> dwords;
        std::vector<uint8_t> readable;
        bool operator==(const Shown&) const = default;
    };

    Shown ShownAfter(int32_t bytes) const {
        const auto& buffer = model.ConfigBuffer();
        const auto& readable = model.ReadableDwords();
        return {bytes, model.Form().addressText, {buffer.begin(), buffer.begin() + bytes / 4},
                {readable.begin(), readable.begin() + bytes / 4}};
    }
};

// Every row read in few requests shows what reading it on its own shows,
// with the window found by probing and with a base given, and a base box
// that holds no base reads nothing at once.
TEST_F(WindowReadsTest, RowsReadTogetherShowWhatEachShowsAlone) {
    driver_ = InProcessDriver::FromMachineFile("builtin");
    ASSERT_TRUE(driver_);
    device_ = std::make_unique<ScopedOverride<DeviceIo>>(*driver_);
    model.OnScanAllDevices();
    const int32_t rows = model.DeviceTable().Rows();
    ASSERT_GT(rows, 10);
    for (const char* base : {"Auto", "E0000000", "D0000000"}) {
        SCOPED_TRACE(base);
        model.Form().baseAddressText = base;
        std::vector<Shown> alone;
        for (int32_t row = 0; row < rows; ++row) alone.push_back(ShownAfter(model.ReadTableRow(row)));
        const size_t before = driver_->Codes().size();
        const WindowReads reads = model.ReadTableRows(0, rows);
        ASSERT_FALSE(reads.empty());
        // The blocks read, a gather read per probed candidate, and one of
        // the window's spaces.
        EXPECT_LE(driver_->Codes().size() - before, 10u);
        for (int32_t row = 0; row < rows; ++row) {
            SCOPED_TRACE(row);
            EXPECT_EQ(ShownAfter(model.ShowTableRow(row, reads[static_cast<size_t>(row)])),
                      alone[static_cast<size_t>(row)]);
        }
    }
    model.Form().baseAddressText = "G0000000";
    EXPECT_TRUE(model.ReadTableRows(0, rows).empty());
}

}  // namespace
