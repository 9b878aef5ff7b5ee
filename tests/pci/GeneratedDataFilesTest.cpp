// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pci/names/PciClassFile.h"
#include "pci/names/PciIdFile.h"
#include "pci/names/RegisterDescription.h"

// The files the build places beside the program, looked up as the program does.
class GeneratedDataFiles : public testing::Test {
  protected:
    void SetUp() override { std::filesystem::current_path(TARVOLENT_BIN_DIR); }
    void TearDown() override { std::filesystem::current_path(previous_); }
    static std::string ClassName(uint32_t code) {
        std::string name;
        EXPECT_EQ(LookupClassName(code, &name), 1);
        return name;
    }

  private:
    std::filesystem::path previous_ = std::filesystem::current_path();
};

TEST_F(GeneratedDataFiles, NameWellKnownVendorsAndDevices) {
    EXPECT_EQ(LookupVendorName(0x8086), "Intel Corporation");
    EXPECT_EQ(LookupVendorName(0x10de), "NVIDIA Corporation");
    EXPECT_EQ(LookupVendorName(0x1af4), "Red Hat, Inc.");
    EXPECT_EQ(LookupDeviceName(0x1af4, 0x1000), "Virtio network device");
    EXPECT_EQ(LookupDeviceName(0x8086, 0x100e), "82540EM Gigabit Ethernet Controller");
    EXPECT_EQ(LookupVendorName(0x0000), "");
}

TEST_F(GeneratedDataFiles, ClassLinesGoFromSpecificToGeneral) {
    EXPECT_EQ(ClassName(0x0C0330), "USB controller (XHCI)");
    EXPECT_EQ(ClassName(0x010802), "Non-Volatile memory controller (NVM Express)");
    EXPECT_EQ(ClassName(0x060400), "PCI bridge (Normal decode)");
    EXPECT_EQ(ClassName(0x060480), "PCI bridge");
    EXPECT_EQ(ClassName(0x06AB00), "Bridge");
    EXPECT_EQ(ClassName(0xEE0000), "Unknown device class");
}

TEST_F(GeneratedDataFiles, LinesFitTheReadersBuffer) {
    for (const char* name : {"PciId.txt", "pcidevcl.txt", "regdes.txt"}) {
        std::ifstream file(name, std::ios::binary);
        ASSERT_TRUE(file) << name;
        std::string line;
        int number = 0;
        while (std::getline(file, line)) {
            ++number;
            EXPECT_LE(line.size() + 1, 255u) << name << ":" << number;
        }
        EXPECT_TRUE(file.eof()) << name;
    }
}

TEST_F(GeneratedDataFiles, RegisterDescriptionsCoverTheHeader) {
    DescriptionFile file(kRegisterDescriptionFileName);
    ASSERT_TRUE(file.IsOpen());
    std::string description;
    for (uint32_t offset = 0; offset < 0x40; offset += 4) {
        file.Rewind();
        LookupRegisterDescription(file, offset, 0xFFFFFFFF, &description);
        EXPECT_NE(description, kNoRegisterDescription) << offset;
    }
    file.Rewind();
    LookupRegisterDescription(file, 0x40, 0xFFFFFFFF, &description);
    EXPECT_EQ(description, kNoRegisterDescription);
}

TEST_F(GeneratedDataFiles, BridgesOfTheBuiltinMachineHaveTheirOwnHeader) {
    DescriptionFile file(kRegisterDescriptionFileName);
    ASSERT_TRUE(file.IsOpen());
    std::string bridge, endpoint, shared;
    LookupRegisterDescription(file, 0x18, 0x19018086, &bridge);
    file.Rewind();
    LookupRegisterDescription(file, 0x18, 0x15338086, &endpoint);
    file.Rewind();
    LookupRegisterDescription(file, 0x00, 0x19018086, &shared);
    EXPECT_EQ(bridge.rfind("Secondary latency timer", 0), 0u) << bridge;
    EXPECT_EQ(endpoint, "I/O base (register access window)");
    EXPECT_EQ(shared, "Device ID (31:16), Vendor ID (15:0)");
}
