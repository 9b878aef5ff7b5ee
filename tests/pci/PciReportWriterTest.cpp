// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "pci/PciReportWriter.h"
#include "pci/PciWindowFixture.h"
#include "support/FileText.h"
#include "support/MachineJson.h"

namespace {

constexpr uint32_t kCapList = 1u << 20;
constexpr const char* kHeader = "    Offset (Hex)     Value (Hex)\tDescription\n";
constexpr const char* kHostLine =
    "Host bridge (VendorID=8086 (Intel Corporation), DeviceID=1234, Bus 0, Device 0, Function 0)";
constexpr const char* kExpressLine =
    "NVM Express (VendorID=144D (Samsung), DeviceID=A808, Bus 1, Device 0, Function 0)";

std::string Machine() {
    return WithWindow(
        MachineJson({{"00:00.0", {{0x00, 0x12348086}, {0x08, 0x06000000}, {0x3C, 0x0000010B}}},
                     {"01:00.0",
                      {{0x00, 0xA808144D},
                       {0x04, kCapList},
                       {0x08, 0x01080200},
                       {0x34, 0x40},
                       {0x40, 0x0010}}}}),
        "0xE0000000");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class PciReportWriterTest : public PciWindowFixture {
  protected:
    void SetUp() override {
        dir_.Write("PciId.txt", "VID 8086 Intel Corporation\nVID 144d Samsung\n");
        dir_.Write("pcidevcl.txt", "060000 FFFFFF Host bridge\n010802 FFFFFF NVM Express\n");
        dir_.Write("regdes.txt", ";IDGLOBAL\n00 Identity\n3C Interrupt\n;IDEND\n");
        Load(Machine());
    }
    std::string AllDevices() {
        return WrittenText([this](std::FILE* f) { WriteAllDevicesReport(model, f); });
    }
    std::string CurrentDevice() {
        return WrittenText([this](std::FILE* f) { WriteCurrentDeviceReport(model.Form(), f); });
    }
};

}  // namespace

TEST_F(PciReportWriterTest, AllDevicesCoversEveryScannedFunctionWhateverTheFilter) {
    model.Form().filter = kDeviceFilterPciExpress;
    model.OnScanAllDevices();
    ASSERT_EQ(model.Form().deviceList.size(), 2u);  // the endpoint and "N/A"
    const std::vector<PciRegisterRow> shownRows = model.Form().registers;

    const std::vector<std::string> lines = Lines(AllDevices());
    // Title and blank, then per function: heading, blank, header, registers, two blanks.
    ASSERT_EQ(lines.size(), 2u + (3 + 64 + 2) + (3 + 1024 + 2));
    EXPECT_EQ(lines[0],
              "========================= All PCI Devices Information==========================");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], std::string("  ") + kHostLine);
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4] + "\n", kHeader);
    EXPECT_EQ(lines[5], "             000        12348086\tIdentity");
    EXPECT_EQ(lines[6], "             004        00000000\tPCI device specific");
    EXPECT_EQ(lines[5 + 0x3C / 4], "             03C        0000010B\tInterrupt");
    EXPECT_EQ(lines[5 + 63], "             0FC        00000000\tPCI device specific");
    EXPECT_EQ(lines[69], "");
    EXPECT_EQ(lines[70], "");
    EXPECT_EQ(lines[71], std::string("  ") + kExpressLine);
    EXPECT_EQ(lines[73] + "\n", kHeader);
    EXPECT_EQ(lines[74], "             000        A808144D\tIdentity");
    EXPECT_EQ(lines[74 + 1023], "             FFC        00000000\tPCI device specific");
    EXPECT_EQ(lines[1098], "");
    EXPECT_EQ(lines[1099], "");

    // The shown function is read back; its rows and the selection stay.
    EXPECT_EQ(model.Form().addressText, "E0100000");
    EXPECT_EQ(model.AccessMode(), 2);
    EXPECT_EQ(model.Form().deviceListSelection, 0);
    EXPECT_EQ(model.Form().registers.size(), shownRows.size());
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(PciReportWriterTest, MissingDescriptionFileDropsTheTabOnlyInTheAllDevicesReport) {
    std::remove("regdes.txt");
    model.OnScanAllDevices();
    const std::vector<std::string> all = Lines(AllDevices());
    EXPECT_EQ(all[4] + "\n", kHeader);
    EXPECT_EQ(all[5], "             000        12348086");
    EXPECT_EQ(all[74], "             000        A808144D");

    const std::string current = CurrentDevice();
    const std::vector<std::string> lines = Lines(current);
    ASSERT_EQ(lines.size(), 5u + 64);
    EXPECT_EQ(lines[0],
              "========================= Current PCI Device Information==========================");
    EXPECT_EQ(lines[2], kHostLine);  // no blanks before it
    EXPECT_EQ(lines[4] + "\n", kHeader);
    EXPECT_EQ(lines[5], "             000        12348086\t");
    // Ends after its last register line.
    const std::string last = "             0FC        00000000\t\n";
    EXPECT_EQ(current.substr(current.size() - last.size() - 1), "\n" + last);
}

TEST_F(PciReportWriterTest, CurrentDeviceCopiesTheShownTextsAndNotListedIsNA) {
    model.OnScanAllDevices();
    model.Form().deviceListSelection = 1;
    model.OnSelchangeDeviceList();
    std::vector<std::string> lines = Lines(CurrentDevice());
    EXPECT_EQ(lines[2], kExpressLine);
    ASSERT_EQ(lines.size(), 5u + 1024);
    EXPECT_EQ(lines[5], "             000        A808144D\tIdentity");

    // Rows edited on screen are reported as shown, not read again.
    model.Form().registers[0].description = "as shown";
    EXPECT_EQ(Lines(CurrentDevice())[5], "             000        A808144D\tas shown");

    // A function chosen in the boxes that the list does not hold.
    model.Form().bus = 5;
    model.Form().device = 0;
    model.Form().function = 0;
    model.ReadSelectedFunction();
    ASSERT_EQ(model.Form().deviceListSelection, 2);
    lines = Lines(CurrentDevice());
    EXPECT_EQ(lines[2], "N/A");
    EXPECT_EQ(lines[5], "             000        FFFFFFFF\tIdentity");

    // With "N/A" selected the all-devices report reads the boxes' function back.
    const size_t reads = driver_->BlockReads().size();
    AllDevices();
    EXPECT_EQ(driver_->BlockReads().back(), 0x80050000u);
    EXPECT_GT(driver_->BlockReads().size(), reads);
    EXPECT_EQ(model.Form().addressText, "80050000");
}

TEST_F(PciReportWriterTest, RejectedBaseLeavesExpressSectionsWithoutRegisters) {
    model.OnScanAllDevices();
    model.Form().baseAddressText = "nonsense";
    const std::vector<std::string> lines = Lines(AllDevices());
    ASSERT_EQ(lines.size(), 2u + (3 + 64 + 2) + (3 + 2));
    EXPECT_EQ(lines[71], std::string("  ") + kExpressLine);
    EXPECT_EQ(lines[73] + "\n", kHeader);
    EXPECT_EQ(lines[74], "");
    // Once for the endpoint; the shown host bridge reads back without one.
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0].text, kBaseAddressErrorMessage);
    EXPECT_EQ(model.Form().addressText, "80000000");
}
