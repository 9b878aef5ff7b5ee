// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "driver/DriverBackend.h"
#include "driver/LinuxBackend.h"
#include "pci/PciReportWriter.h"
#include "pci/PciWindowFixture.h"
#include "protocol/DriverRequest.h"
#include "support/FakeSysfs.h"
#include "support/MachineJson.h"

namespace {

constexpr uint32_t kCapList = 1u << 20;

// A host bridge, a PCI function at 01:02.3 whose vendor has no name, and a
// PCI Express endpoint at 01:00.0.
const MachineFunction kHostBridge{"00:00.0", {{0x00, 0x12348086}, {0x08, 0x06000000}}};
const MachineFunction kPlainFunction{"01:02.3", {{0x00, 0x06121B21}, {0x08, 0x01060100}}};
const MachineFunction kExpressFunction{
    "01:00.0",
    {{0x00, 0xA808144D}, {0x04, kCapList}, {0x08, 0x01080200}, {0x34, 0x40}, {0x40, 0x0010}}};

class PciWindowModelTest : public PciWindowFixture {
  protected:
    void SetUp() override {
        dir_.Write("PciId.txt",
                   "VID 8086 Intel Corporation\n"
                   "DID 1234 Host Bridge X\n"
                   "VID 144d Samsung Electronics Co Ltd\n"
                   "DID a808 NVMe SSD Controller\n");
        dir_.Write("pcidevcl.txt",
                   "060000 FFFFFF Host bridge\n"
                   "010802 FFFFFF NVM Express\n");
    }

    void LoadStandard(const char* windowBase = "0xE0000000") {
        Load(WithWindow(MachineJson({kHostBridge, kPlainFunction, kExpressFunction}), windowBase));
    }
    void Choose(int bus, int device, int function) {
        form().bus = bus;
        form().device = device;
        form().function = function;
        model.ReadSelectedFunction();
    }
    void SelectRow(int row) {
        form().registerSelection = row;
        model.OnRegisterItemChanged();
    }
    int Writes() const {
        return static_cast<int>(
            std::count_if(driver_->Codes().begin(), driver_->Codes().end(), [](uint32_t code) {
                return code == IOCTL_WRITE_PCI_CONFIG || code == IOCTL_WRITE_PHYSICAL_MEMORY;
            }));
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages_.messages) texts.push_back(m.text);
        return texts;
    }
    PciFormState& form() { return model.Form(); }
};

}  // namespace

TEST_F(PciWindowModelTest, StartsEmptyWithTheBoxItems) {
    EXPECT_EQ(model.AccessMode(), 1);
    EXPECT_FALSE(model.Scanned());
    EXPECT_EQ(model.SearchPosition(), -1);
    EXPECT_TRUE(form().deviceList.empty());
    EXPECT_EQ(form().registerListTitle, "Register List");
    EXPECT_EQ(form().deviceListLabel, "PCI and PCI Express Devices");
    const std::vector<std::string> bases{"80000000", "90000000", "A0000000", "B0000000", "C0000000",
                                         "D0000000", "E0000000", "F0000000", "Auto"};
    EXPECT_EQ(PciWindowModel::BaseAddressItems(), bases);
    const auto buses = PciWindowModel::NumberItems(256);
    EXPECT_EQ(buses.front(), "00");
    EXPECT_EQ(buses[0x1F], "1F");
    EXPECT_EQ(buses.back(), "FF");
}

TEST_F(PciWindowModelTest, ChoosingAFunctionBeforeAnyScanReadsItAndListsNothing) {
    LoadStandard();
    Choose(5, 0, 0);
    ASSERT_EQ(form().registers.size(), 64u);
    for (const PciRegisterRow& row : form().registers) EXPECT_EQ(row.value, "FFFFFFFF");
    EXPECT_EQ(form().addressText, "80050000");
    EXPECT_TRUE(form().deviceList.empty());
    EXPECT_EQ(form().deviceListSelection, -1);
    EXPECT_EQ(form().registerListTitle, "Register List");

    // Without a selection in one of the boxes nothing is read.
    form().function = -1;
    const size_t reads = driver_->ConfigReads().size();
    model.ReadSelectedFunction();
    EXPECT_EQ(driver_->ConfigReads().size(), reads);
}

TEST_F(PciWindowModelTest, PciFunctionShowsMechanismAddressesOf64Registers) {
    LoadStandard();
    Choose(1, 2, 3);
    EXPECT_EQ(model.AccessMode(), 1);
    EXPECT_EQ(form().addressText, "80011300");
    ASSERT_EQ(form().registers.size(), 64u);
    EXPECT_EQ(form().registers.front().offset, "000");
    EXPECT_EQ(form().registers.back().offset, "0FC");
    EXPECT_EQ(form().registers[0].value, "06121B21");
    // No name file entry for this vendor: no name in the title.
    EXPECT_EQ(form().registerListTitle, "Register List");

    SelectRow(4);
    EXPECT_EQ(form().addressText, "80011310");
    EXPECT_EQ(form().registerAddressLabel, "PCI Configuration Space Register:  0x80011310");
    EXPECT_EQ(form().valueText, "00000000");
    // A second row replaces the register part, not adds to it.
    SelectRow(2);
    EXPECT_EQ(form().addressText, "80011308");
}

TEST_F(PciWindowModelTest, ExpressFunctionIsReadThroughTheWindow) {
    LoadStandard();
    form().baseAddressText = "e0000000";
    Choose(1, 0, 0);
    EXPECT_EQ(model.AccessMode(), 2);
    EXPECT_EQ(form().addressText, "E0100000");
    ASSERT_EQ(form().registers.size(), 1024u);
    EXPECT_EQ(form().registers.back().offset, "FFC");
    EXPECT_EQ(form().registers[0].value, "A808144D");
    EXPECT_EQ(form().registers[0x40 / 4].value, "00000010");
    EXPECT_EQ(form().registerListTitle, "Register List (NVMe SSD Controller)");

    SelectRow(0x100 / 4);
    EXPECT_EQ(form().addressText, "E0100100");
    EXPECT_EQ(form().registerAddressLabel, "PCI Configuration Space Register:  0xE0100100");
}

TEST_F(PciWindowModelTest, BaseTakesTheWholeValueOfTheTextWithinThirtyTwoBits) {
    LoadStandard();
    // Nine digits with a leading zero are still the window at E0000000.
    for (const char* text : {"0E0000000", "00000000E0000000"}) {
        form().baseAddressText = text;
        Choose(1, 0, 0);
        EXPECT_EQ(form().addressText, "E0100000") << text;
        EXPECT_EQ(form().registers[0].value, "A808144D") << text;
    }
    // A base beyond 32 bits is no window these addresses reach.
    form().baseAddressText = "1E0000000";
    Choose(1, 0, 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{kBaseAddressErrorMessage});
    EXPECT_TRUE(form().registers.empty());
    EXPECT_FALSE(PciWindowModel::ParseBaseAddressText("100000000"));
    EXPECT_FALSE(PciWindowModel::ParseBaseAddressText("auto"));
    EXPECT_TRUE(PciWindowModel::ParseBaseAddressText("Auto")->automatic);
    EXPECT_EQ(PciWindowModel::ParseBaseAddressText("ffffffff")->base, 0xFFFFFFFFu);
}

TEST_F(PciWindowModelTest, BaseAddressDoubleClickOpensOnlyWhatTheRegisterDecodes) {
    // Registers 4-9: a 32-bit BAR with flags, a 64-bit pair reachable in 32
    // bits, a 64-bit pair above 4 GiB, and a 64-bit BAR with no register left
    // for its upper half.
    Load(MachineJson({{"00:00.0",
                       {{0x00, 0x12348086},
                        {0x0C, 0xFEBF0000},
                        {0x10, 0xFEBF0008},
                        {0x14, 0xF700000C},
                        {0x18, 0x00000000},
                        {0x1C, 0xE0000004},
                        {0x20, 0x00000001},
                        {0x24, 0xD000000C},
                        {0x28, 0xFEBF0000}}}}));
    Choose(0, 0, 0);
    const std::optional<uint32_t> expected[] = {std::nullopt, 0xFEBF0000,   0xF7000000,
                                                std::nullopt, std::nullopt, std::nullopt,
                                                std::nullopt, std::nullopt};
    for (int row = 3; row <= 10; ++row) {
        form().registerSelection = row;
        EXPECT_EQ(model.OnRegisterDblClk(), expected[row - 3]) << row;
    }
    // Flag bits alone leave no address; an I/O register none either.
    Load(MachineJson({{"00:00.0", {{0x00, 0x12348086}, {0x10, 0x0000000C}, {0x14, 0xE001}}}}));
    Choose(0, 0, 0);
    for (int row : {4, 5}) {
        form().registerSelection = row;
        EXPECT_EQ(model.OnRegisterDblClk(), std::nullopt) << row;
    }
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(PciWindowModelTest, AutoFindsTheAnsweringWindowOrFallsBackToE0000000) {
    LoadStandard("0x90000000");
    PciDeviceEntry express{1, 0, 0, 0xA808, 0x144D, 0x010802, 2};
    EXPECT_EQ(model.DetectMmioBase(express), 0x90000000u);
    Choose(1, 0, 0);
    EXPECT_EQ(form().addressText, "90100000");
    EXPECT_EQ(form().registers[0].value, "A808144D");

    // No window anywhere: every probe reads FF bytes.
    Load(MachineJson({kExpressFunction}));
    EXPECT_EQ(model.DetectMmioBase(express), 0xE0000000u);
    Choose(1, 0, 0);
    EXPECT_EQ(form().addressText, "E0100000");
    EXPECT_EQ(form().registers[0].value, "FFFFFFFF");
}

TEST_F(PciWindowModelTest, RejectedBaseEmptiesTheListAndBlocksWrites) {
    LoadStandard();
    Choose(1, 2, 3);
    form().baseAddressText = "auto";
    Choose(1, 0, 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{kBaseAddressErrorMessage});
    EXPECT_EQ(form().focus, PciFormField::BaseAddress);
    EXPECT_TRUE(form().registers.empty());
    EXPECT_EQ(form().addressText, "80011300");
    EXPECT_EQ(model.AccessMode(), 2);

    // The address field still names the previous function: no write at all.
    form().valueText = "12345678";
    model.OnWriteRegister();
    EXPECT_EQ(Writes(), 0);
    EXPECT_EQ(messages_.messages.size(), 1u);

    // A base with nothing after "Auto" only.
    form().baseAddressText = "Auto ";
    Choose(1, 0, 0);
    EXPECT_EQ(messages_.messages.size(), 2u);
}

TEST_F(PciWindowModelTest, WriteStoresTheDwordAndReadsTheFunctionAgain) {
    LoadStandard();
    // Nothing read yet: no address, no write, no message.
    form().valueText = "12345678";
    model.OnWriteRegister();
    EXPECT_EQ(Writes(), 0);
    EXPECT_TRUE(messages_.messages.empty());

    form().baseAddressText = "E0000000";
    Choose(1, 0, 0);
    SelectRow(0x10 / 4);
    form().valueText = "12345678";
    model.OnWriteRegister();
    uint8_t bytes[4] = {};
    ASSERT_EQ(driver_->Backend().ReadPhysical(0xE0100010, bytes, 4), 0u);
    EXPECT_EQ(bytes[0], 0x78);
    EXPECT_EQ(bytes[1], 0x56);
    EXPECT_EQ(bytes[2], 0x34);
    EXPECT_EQ(bytes[3], 0x12);
    EXPECT_EQ(form().registers[0x10 / 4].value, "12345678");
    EXPECT_TRUE(form().registerAddressLabel.empty());
    EXPECT_TRUE(form().valueText.empty());
    EXPECT_EQ(form().registerSelection, -1);

    Choose(1, 2, 3);
    SelectRow(0x14 / 4);
    form().valueText = "cafe";
    model.OnWriteRegister();
    uint32_t value = 0;
    ASSERT_EQ(driver_->Backend().ReadConfigDword(FunctionAddress{1, 2, 3}, 0x14, &value), 0u);
    EXPECT_EQ(value, 0xCAFEu);
    EXPECT_EQ(form().registers[0x14 / 4].value, "0000CAFE");
}

TEST_F(PciWindowModelTest, BadWriteValueWritesNothing) {
    LoadStandard();
    Choose(1, 2, 3);
    SelectRow(4);
    // A value wider than 32 bits would reach the register as another one.
    for (const char* text : {"", "12G4", "0x12", "123456789"}) {
        form().valueText = text;
        model.OnWriteRegister();
    }
    EXPECT_EQ(Writes(), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>(4, kInputDataErrorMessage));
    EXPECT_EQ(form().focus, PciFormField::Value);
}

TEST_F(PciWindowModelTest, ScanListsFunctionsAndSelectsTheFirst) {
    LoadStandard();
    model.OnScanAllDevices();
    EXPECT_TRUE(model.Scanned());
    const std::vector<std::string> lines{
        "Host bridge (VendorID=8086 (Intel Corporation), DeviceID=1234, Bus 0, Device 0, "
        "Function 0)",
        // No vendor name and no class: a blank, then straight to the comma.
        " (VendorID=1B21 , DeviceID=0612, Bus 1, Device 2, Function 3)",
        "NVM Express (VendorID=144D (Samsung Electronics Co Ltd), DeviceID=A808, Bus 1, "
        "Device 0, Function 0)",
        "N/A"};
    EXPECT_EQ(form().deviceList, lines);
    EXPECT_EQ(form().deviceListSelection, 0);
    EXPECT_EQ(form().bus, 0);
    EXPECT_EQ(form().addressText, "80000000");
    EXPECT_EQ(form().registerListTitle, "Register List (Host Bridge X)");

    // Unlisted function: "N/A"; choosing "N/A" shows the function above it.
    Choose(1, 2, 4);
    EXPECT_EQ(form().deviceListSelection, 3);
    model.OnSelchangeDeviceList();
    EXPECT_EQ(form().deviceListSelection, 2);
    EXPECT_EQ(form().addressText, "E0100000");
    EXPECT_EQ(form().bus, 1);
    EXPECT_EQ(form().device, 0);
    EXPECT_EQ(form().function, 0);

    // A listed one chosen by number is selected in the list.
    Choose(1, 2, 3);
    EXPECT_EQ(form().deviceListSelection, 1);

    // Without a class file the lines start with the vendor ID.
    std::filesystem::remove(dir_.Path() / "pcidevcl.txt");
    model.OnScanAllDevices();
    EXPECT_EQ(form().deviceList[1], "VendorID=1B21 , DeviceID=0612, Bus 1, Device 2, Function 3");
}

TEST_F(PciWindowModelTest, ExpressFilterWithoutExpressFunctions) {
    Load(MachineJson({kHostBridge, kPlainFunction}));
    form().filter = kDeviceFilterPciExpress;
    model.OnScanAllDevices();
    EXPECT_EQ(Texts(), std::vector<std::string>{kNoDeviceFoundMessage});
    EXPECT_EQ(form().deviceList, std::vector<std::string>{"N/A"});
    EXPECT_EQ(form().deviceListLabel, "PCI Express Devices");
    EXPECT_FALSE(model.Scanned());
    EXPECT_TRUE(form().registers.empty());

    // "N/A" with nothing above it looks nothing up.
    model.OnSelchangeDeviceList();
    EXPECT_TRUE(form().registers.empty());

    // Not scanned: filter clicks do nothing.
    const size_t requests = driver_->Codes().size();
    form().filter = kDeviceFilterBoth;
    model.OnShowFilter();
    EXPECT_EQ(driver_->Codes().size(), requests);
    EXPECT_EQ(form().deviceListLabel, "PCI Express Devices");

    model.OnScanAllDevices();
    EXPECT_TRUE(model.Scanned());
    EXPECT_EQ(form().deviceList.size(), 3u);
    form().filter = kDeviceFilterPciExpress;
    model.OnShowFilter();
    EXPECT_EQ(form().deviceList, std::vector<std::string>{"N/A"});
    EXPECT_EQ(messages_.messages.size(), 2u);
    // Scanned stays, and the register list keeps the last function shown.
    EXPECT_TRUE(model.Scanned());
    EXPECT_EQ(form().registers.size(), 64u);
}

TEST_F(PciWindowModelTest, FilterClicksAfterAScanListAgain) {
    LoadStandard();
    model.OnScanAllDevices();
    form().filter = kDeviceFilterPci;
    model.OnShowFilter();
    EXPECT_EQ(form().deviceListLabel, "PCI Devices");
    EXPECT_EQ(form().deviceList.size(), 3u);
    EXPECT_EQ(model.ListMap(), (std::vector<int32_t>{0, 1}));
    form().filter = kDeviceFilterPciExpress;
    model.OnShowFilter();
    EXPECT_EQ(model.ListMap(), std::vector<int32_t>{2});
    EXPECT_EQ(form().bus, 1);
    EXPECT_EQ(form().registers.size(), 1024u);
}

TEST_F(PciWindowModelTest, FindNextStepsThroughMatchesAndStartsOver) {
    LoadStandard();
    // Before any scan it scans first. 8086 is the host bridge's vendor only.
    form().searchText = "8086";
    model.OnFindNext();
    EXPECT_TRUE(model.Scanned());
    EXPECT_EQ(model.SearchPosition(), 0);
    EXPECT_EQ(form().deviceListSelection, 0);

    model.OnFindNext();
    EXPECT_EQ(Texts(), std::vector<std::string>{kNoMatchMessage});
    EXPECT_EQ(model.SearchPosition(), 3);
    model.OnFindNext();
    EXPECT_EQ(model.SearchPosition(), 0);
    EXPECT_EQ(messages_.messages.size(), 1u);

    // Upper and lower halves both count: A808 (device) and 1B21 (vendor).
    form().searchText = "A8081B21";
    model.OnFindNext();
    EXPECT_EQ(model.SearchPosition(), 1);
    EXPECT_EQ(form().addressText, "80011300");
    model.OnFindNext();
    EXPECT_EQ(model.SearchPosition(), 2);
    EXPECT_EQ(form().bus, 1);
    EXPECT_EQ(form().device, 0);
    EXPECT_EQ(form().registers.size(), 1024u);

    // The position survives a scan.
    model.OnScanAllDevices();
    EXPECT_EQ(model.SearchPosition(), 2);
}

TEST_F(PciWindowModelTest, FindNextWithFourDigitsAlsoMatchesIdZero) {
    MachineFunction zeroDevice{"02:00.0", {{0x00, 0x00005555}}};
    Load(MachineJson({kHostBridge, zeroDevice}));
    form().searchText = "8086";
    model.OnFindNext();
    EXPECT_EQ(model.SearchPosition(), 0);
    model.OnFindNext();
    EXPECT_EQ(model.SearchPosition(), 1);
    EXPECT_EQ(form().addressText, "80020000");
}

TEST_F(PciWindowModelTest, FindNextRejectsBadInputBeforeScanning) {
    LoadStandard();
    for (const char* text : {"", "80 86", "-1"}) {
        form().searchText = text;
        model.OnFindNext();
    }
    EXPECT_EQ(Texts(), std::vector<std::string>(3, kSearchInputErrorMessage));
    EXPECT_EQ(form().focus, PciFormField::Search);
    EXPECT_FALSE(model.Scanned());
    EXPECT_TRUE(driver_->Codes().empty());
}

TEST_F(PciWindowModelTest, RefreshReadsAgainAndClearsTheInputs) {
    LoadStandard();
    Choose(1, 2, 3);
    SelectRow(4);
    ASSERT_EQ(driver_->Backend().WriteConfigDword(FunctionAddress{1, 2, 3}, 0x10, 0xFEDC0000), 0u);
    model.OnRefresh();
    EXPECT_EQ(form().registers[4].value, "FEDC0000");
    EXPECT_EQ(form().addressText, "80011300");
    EXPECT_TRUE(form().registerAddressLabel.empty());
    EXPECT_TRUE(form().valueText.empty());
}

// On this machine's kernel a user who is not root gets 64 bytes of a
// function: the dwords refused keep what the buffer held, as dword requests
// left them, though the function now costs one request.
TEST_F(PciWindowModelTest, RefusedDwordsKeepThePreviousFunctionsValues) {
    FakeSysfs sysfs;
    std::vector<uint8_t> whole(256, 0x11);
    whole[0] = 0x86;
    whole[1] = 0x80;
    sysfs.AddFunction("0000:00:05.0", whole);
    sysfs.AddFunction("0000:00:03.0", std::vector<uint8_t>(64, 0x22));
    device_.reset();
    driver_ = std::make_unique<InProcessDriver>(std::make_unique<LinuxBackend>(sysfs.Paths()));
    device_ = std::make_unique<ScopedOverride<DeviceIo>>(*driver_);

    Choose(0, 5, 0);
    const size_t blocks = driver_->BlockReads().size();
    Choose(0, 3, 0);
    EXPECT_EQ(driver_->BlockReads().size(), blocks + 1);
    ASSERT_EQ(form().registers.size(), 64u);
    EXPECT_EQ(form().registers[0x3C / 4].value, "22222222");
    EXPECT_EQ(form().registers[0x40 / 4].value, "11111111");
    EXPECT_EQ(form().registers[0xFC / 4].value, "11111111");
}

// A second segment holding a function of the same bus, device and function
// as segment 0's host bridge: its line names the segment, the Segment box
// lists both, Find Next reaches it, the boxes read and write it and no other.
TEST_F(PciWindowModelTest, SecondSegmentIsListedFoundReadAndWritten) {
    std::string json = MachineJson(
        {kHostBridge, kPlainFunction, {"0001:00:00.0", {{0x00, 0x09A28086}, {0x08, 0x06000000}}}});
    Load(json);
    model.OnScanAllDevices();
    ASSERT_EQ(form().deviceList.size(), 4u);
    EXPECT_EQ(form().deviceList[0],
              "Host bridge (VendorID=8086 (Intel Corporation), DeviceID=1234, Bus 0, Device 0, "
              "Function 0)");
    EXPECT_EQ(form().deviceList[2],
              "Host bridge (VendorID=8086 (Intel Corporation), DeviceID=09A2, Bus 0, Device 0, "
              "Function 0, Segment 1)");
    EXPECT_EQ(form().segments, (std::vector<uint16_t>{0, 1}));

    form().searchText = "09A2";
    model.OnFindNext();
    EXPECT_EQ(form().deviceListSelection, 2);
    EXPECT_EQ(form().segment, 1);
    EXPECT_EQ(form().registers[0].value, "09A28086");

    // Chosen by number: segment 0's function, then segment 1's.
    form().segment = 0;
    Choose(0, 0, 0);
    EXPECT_EQ(form().registers[0].value, "12348086");
    EXPECT_EQ(form().deviceListSelection, 0);
    form().segment = 1;
    Choose(0, 0, 0);
    EXPECT_EQ(form().registers[0].value, "09A28086");
    EXPECT_EQ(form().deviceListSelection, 2);
    SelectRow(0x40 / 4);
    form().valueText = "CAFE";
    model.OnWriteRegister();
    uint32_t value = 0;
    ASSERT_EQ(driver_->Backend().ReadConfigDword({0, 0, 0, 1}, 0x40, &value), 0u);
    EXPECT_EQ(value, 0xCAFEu);
    ASSERT_EQ(driver_->Backend().ReadConfigDword({0, 0, 0}, 0x40, &value), 0u);
    EXPECT_EQ(value, 0u);

    // The all-devices report heads each function with its line.
    char* text = nullptr;
    size_t size = 0;
    std::FILE* report = open_memstream(&text, &size);
    ASSERT_TRUE(report);
    WriteAllDevicesReport(model, report);
    std::fclose(report);
    const std::string written(text, size);
    std::free(text);
    EXPECT_NE(written.find("  " + form().deviceList[2] + "\n\n"), std::string::npos);

    // A machine of segment 0 alone shows no segment anywhere.
    Load(MachineJson({kHostBridge, kPlainFunction}));
    model.OnScanAllDevices();
    EXPECT_TRUE(form().segments.empty());
    for (const std::string& line : form().deviceList)
        EXPECT_EQ(line.find("Segment"), std::string::npos);
}
