// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "pci/DeviceListLine.h"
#include "pci/PciBusScan.h"
#include "platform/Seam.h"
#include "support/InProcessDriver.h"
#include "support/ScratchDirectory.h"

namespace {

std::string Golden(const std::string& name) {
    std::ifstream file(std::string(TARVOLENT_SOURCE_DIR) + "/tests/pci/golden/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The builtin workstation scanned, with small name files of the test's own so
// the lines do not change with the installed ID database.
class DeviceListLineTest : public testing::Test {
  protected:
    void SetUp() override {
        driver_ = InProcessDriver::FromMachineFile(std::string(TARVOLENT_SOURCE_DIR) +
                                                   "/data/machines/workstation.json");
        ASSERT_TRUE(driver_);
        ScopedOverride<DeviceIo> device(*driver_);
        table.count = EnumeratePciFunctions(table);
        ASSERT_GT(table.count, 0);
        dir.Write("PciId.txt",
                  "VID 8086 Intel Corporation\n"
                  "VID 1b21 ASMedia Technology Inc.\n");
    }
    void WriteClassFile() {
        dir.Write("pcidevcl.txt",
                  "# no catch-all: some classes have no name\n"
                  "0C0330 FFFFFF USB controller (XHCI)\n"
                  "010802 FFFFFF Non-Volatile memory controller (NVM Express)\n"
                  "060400 FFFF00 PCI bridge\n");
    }
    ScratchDirectory dir;
    PciDeviceTable table;

  private:
    std::unique_ptr<InProcessDriver> driver_;
};

}  // namespace

TEST_F(DeviceListLineTest, LinesWithClassNames) {
    WriteClassFile();
    DeviceListLines list = BuildDeviceListLines(table, kDeviceFilterBoth);
    EXPECT_EQ(Joined(list.lines), Golden("devicelist-class.txt"));
}

TEST_F(DeviceListLineTest, LinesWithoutTheClassFile) {
    DeviceListLines list = BuildDeviceListLines(table, kDeviceFilterBoth);
    EXPECT_EQ(Joined(list.lines), Golden("devicelist-noclass.txt"));
}

TEST_F(DeviceListLineTest, FilterKeepsTableOrderAndMapsLinesToRows) {
    WriteClassFile();
    DeviceListLines both = BuildDeviceListLines(table, kDeviceFilterBoth);
    DeviceListLines pci = BuildDeviceListLines(table, kDeviceFilterPci);
    DeviceListLines pcie = BuildDeviceListLines(table, kDeviceFilterPciExpress);
    ASSERT_EQ(both.rows.size(), static_cast<size_t>(table.count));
    EXPECT_EQ(pci.rows.size() + pcie.rows.size(), both.rows.size());
    EXPECT_FALSE(pci.rows.empty());
    EXPECT_FALSE(pcie.rows.empty());
    for (size_t i = 0; i < pcie.rows.size(); ++i) {
        EXPECT_EQ(table.rows[pcie.rows[i]].kind, PCI_KIND_PCIE);
        EXPECT_EQ(pcie.lines[i], both.lines[pcie.rows[i]]);
        if (i) {
            EXPECT_LT(pcie.rows[i - 1], pcie.rows[i]);
        }
    }
    for (int32_t row : pci.rows) EXPECT_EQ(table.rows[row].kind, PCI_KIND_PCI);
}
