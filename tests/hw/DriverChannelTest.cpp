// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hw/DriverChannel.h"
#include "hw/DriverDevice.h"
#include "hw/RequestRoute.h"
#include "platform/Seam.h"
#include "sim/SimMachine.h"
#include "support/ChosenRequestRoute.h"
#include "support/FakeSystemServices.h"
#include "support/RecordingDeviceIo.h"
#include "support/SimPortIo.h"

namespace {

class DriverChannelTest : public testing::Test {
protected:
    FakeSystemServices system;
    RecordingDeviceIo device;
    // Function 00:00.0 reads 0x71908086 at register 0.
    std::unique_ptr<SimPortIo> ports =
        SimPortIo::FromMachineJson(R"({"functions": [{"bdf": "00:00.0", "config": "86809071"}]})");
    ScopedOverride<SystemServices> systemGuard{system};
    ScopedOverride<DeviceIo> deviceGuard{device};
    ScopedOverride<PortIo> portGuard{*ports};

    void ExpectOneDriverRequest(uint32_t code) {
        ASSERT_EQ(device.opens.size(), 1u);
        EXPECT_EQ(device.opens[0].path, "\\\\.\\Borealix");
        EXPECT_EQ(device.opens[0].access, GENERIC_READ | GENERIC_WRITE);
        EXPECT_EQ(device.opens[0].shareMode, 0u);
        EXPECT_EQ(device.opens[0].creation, OPEN_EXISTING);
        EXPECT_EQ(device.opens[0].flags, FILE_ATTRIBUTE_NORMAL);
        ASSERT_EQ(device.controls.size(), 1u);
        EXPECT_EQ(device.controls[0].code, code);
        EXPECT_FALSE(device.controls[0].inNull);
        EXPECT_EQ(device.controls[0].inSize, 580u);
        EXPECT_EQ(device.controls[0].outSize, 580u);
        EXPECT_EQ(device.closes, 1);
    }
};

TEST_F(DriverChannelTest, MemoryRequestsCarryTheirFields) {
    uint8_t buffer[16] = {};
    EXPECT_EQ(ReadPhysicalMemory(0xE0000000u, buffer, sizeof(buffer)), 1);
    ExpectOneDriverRequest(IOCTL_READ_PHYSICAL_MEMORY);
    // Packed fields are copied out before comparing: gtest binds references.
    const DriverRequest& read = device.controls[0].record;
    EXPECT_EQ(uint64_t{read.PhysicalAddress}, 0xFFFFFFFFE0000000ull);
    EXPECT_EQ(read.TransferLength, 16u);
    EXPECT_EQ(uint64_t{read.UserBuffer}, reinterpret_cast<uintptr_t>(buffer));
    // Nothing but the request's own fields is set.
    DriverRequest expected{};
    expected.TransferLength = read.TransferLength;
    expected.PhysicalAddress = read.PhysicalAddress;
    expected.UserBuffer = read.UserBuffer;
    EXPECT_EQ(std::memcmp(&read, &expected, sizeof(expected)), 0);

    device.opens.clear();
    device.controls.clear();
    device.closes = 0;
    EXPECT_EQ(WritePhysicalMemory(0x1000, buffer, 4), 1);
    ExpectOneDriverRequest(IOCTL_WRITE_PHYSICAL_MEMORY);
    EXPECT_EQ(uint64_t{device.controls[0].record.PhysicalAddress}, 0x1000u);
    EXPECT_EQ(device.controls[0].record.TransferLength, 4u);
}

TEST_F(DriverChannelTest, TransfersAbove4MiBFailWithoutSending) {
    std::vector<uint8_t> buffer(0x400001);
    EXPECT_EQ(ReadPhysicalMemory(0, buffer.data(), 0x400001), 0);
    EXPECT_EQ(WritePhysicalMemory(0, buffer.data(), 0x400001), 0);
    EXPECT_TRUE(device.opens.empty());
    EXPECT_EQ(ReadPhysicalMemory(0, buffer.data(), 0x400000), 1);
}

TEST_F(DriverChannelTest, ConfigRequestsPlaceAddressAndValue) {
    device.answer = [](uint32_t code, DriverRequest& record) {
        if (code == IOCTL_READ_PCI_CONFIG && record.ConfigAddress == 0x80001808u) {
            record.ConfigValue = 0x12345678;
        }
        return true;
    };
    uint32_t value = 0;
    EXPECT_EQ(ReadPciConfigDword(0x80001808u, &value), 1);
    ExpectOneDriverRequest(IOCTL_READ_PCI_CONFIG);
    EXPECT_EQ(value, 0x12345678u);

    device.opens.clear();
    device.controls.clear();
    device.closes = 0;
    value = 0xCAFEF00D;
    EXPECT_EQ(WritePciConfigDword(0x80000010u, &value), 1);
    ExpectOneDriverRequest(IOCTL_WRITE_PCI_CONFIG);
    EXPECT_EQ(device.controls[0].record.ConfigAddress, 0x80000010u);
    EXPECT_EQ(device.controls[0].record.ConfigValue, 0xCAFEF00Du);
}

TEST_F(DriverChannelTest, ListIsDecodedAndItsCountBounded) {
    device.answer = [](uint32_t, DriverRequest& record) {
        record.FunctionCount = 2;
        record.BusNumbers[0] = 0;
        record.DevFns[0] = 0xFB;  // 1f.3
        record.BusNumbers[1] = 3;
        record.DevFns[1] = 0x00;
        return true;
    };
    PciFunctionList list;
    EXPECT_EQ(ListPciFunctions(&list), 1);
    ExpectOneDriverRequest(IOCTL_LIST_PCI_FUNCTIONS);
    EXPECT_EQ(list.count, 2u);
    EXPECT_EQ(list.devFns[0], 0xFB);
    EXPECT_EQ(list.busNumbers[1], 3);

    device.answer = [](uint32_t, DriverRequest& record) {
        record.FunctionCount = 100000;
        return true;
    };
    EXPECT_EQ(ListPciFunctions(&list), 1);
    EXPECT_EQ(list.count, 256u);
}

TEST_F(DriverChannelTest, FailuresLeaveOutputsUntouched) {
    device.present = false;
    uint32_t value = 0xABCD;
    uint8_t buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    PciFunctionList list;
    list.count = 9;
    EXPECT_EQ(ReadPciConfigDword(0x80000000u, &value), 0);
    EXPECT_EQ(ReadPhysicalMemory(0, buffer, sizeof(buffer)), 0);
    EXPECT_EQ(ListPciFunctions(&list), 0);
    EXPECT_TRUE(device.controls.empty());
    EXPECT_EQ(device.closes, 0);

    device.present = true;
    device.answer = [](uint32_t, DriverRequest& record) {
        record.ConfigValue = 1;
        record.FunctionCount = 1;
        return false;
    };
    EXPECT_EQ(ReadPciConfigDword(0x80000000u, &value), 0);
    EXPECT_EQ(ListPciFunctions(&list), 0);
    EXPECT_EQ(value, 0xABCDu);
    EXPECT_EQ(list.count, 9u);
    EXPECT_EQ(buffer[7], 8);
    EXPECT_EQ(device.closes, 2);  // each failed call still closes
}

TEST_F(DriverChannelTest, Win9xConfigGoesThroughThePortsOnly) {
    system.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 90);
    ChosenRequestRoute route;
    device.present = false;
    uint32_t value = 0;
    EXPECT_EQ(ReadPciConfigDword(0x80000000u, &value), 1);
    EXPECT_EQ(value, 0x71908086u);
    uint32_t missing = 0;
    EXPECT_EQ(ReadPciConfigDword(0x80FF0000u, &missing), 1);
    EXPECT_EQ(missing, 0xFFFFFFFFu);
    uint32_t written = 0x55;
    EXPECT_EQ(WritePciConfigDword(0x80000004u, &written), 1);
    EXPECT_EQ(ports->Machine().ConfigRead({0, 0, 0}, 4), 0x55u);
    EXPECT_TRUE(device.opens.empty());
    std::vector<std::pair<uint16_t, uint32_t>> firstRead = {{0xCF8, 0x80000000u},
                                                            {0xCFC, 0x71908086u}};
    EXPECT_EQ(std::vector(ports->accesses.begin(), ports->accesses.begin() + 2), firstRead);
}

TEST_F(DriverChannelTest, Win9xMemoryGoesToTheVxd) {
    system.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    ChosenRequestRoute route;
    uint8_t buffer[4] = {};
    EXPECT_EQ(ReadPhysicalMemory(0xF0000u, buffer, 4), 1);
    EXPECT_EQ(WritePhysicalMemory(0x80000000u, buffer, 4), 1);
    ASSERT_EQ(device.opens.size(), 2u);
    for (const RecordingDeviceIo::Open& open : device.opens) {
        EXPECT_EQ(open.path, "\\\\.\\borexvxd.vxd");
        EXPECT_EQ(open.access, 0u);
        EXPECT_EQ(open.shareMode, 0u);
        EXPECT_EQ(open.creation, CREATE_NEW);
        EXPECT_EQ(open.flags, FILE_FLAG_DELETE_ON_CLOSE);
    }
    ASSERT_EQ(device.controls.size(), 2u);
    EXPECT_EQ(device.controls[0].code, VXD_READ_PHYSICAL_MEMORY);
    EXPECT_EQ(device.controls[1].code, VXD_WRITE_PHYSICAL_MEMORY);
    for (const RecordingDeviceIo::Control& control : device.controls) {
        EXPECT_TRUE(control.inNull);
        EXPECT_EQ(control.inSize, 0u);
        EXPECT_EQ(control.outSize, 580u);
    }
    EXPECT_EQ(uint64_t{device.controls[1].record.PhysicalAddress}, 0xFFFFFFFF80000000ull);
    EXPECT_EQ(device.closes, 2);
}

// Start-up decides the route: a version record that changes later changes
// nothing until start-up decides again.
TEST_F(DriverChannelTest, RouteIsChosenOnceAtStartUp) {
    system.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    ChooseRequestRoute();
    system.SetVersion(VER_PLATFORM_WIN32_NT, 5, 1);
    uint32_t value = 0;
    EXPECT_EQ(ReadPciConfigDword(0x80000000u, &value), 1);
    EXPECT_EQ(value, 0x71908086u);
    EXPECT_TRUE(device.opens.empty());
    ChooseRequestRoute();
    EXPECT_EQ(ReadPciConfigDword(0x80000000u, &value), 1);
    ExpectOneDriverRequest(IOCTL_READ_PCI_CONFIG);
}

TEST(OpenDriverDevice, NameTooLongFailsWithoutOpening) {
    RecordingDeviceIo device;
    ScopedOverride<DeviceIo> guard(device);
    DeviceHandle handle = INVALID_DEVICE_HANDLE;
    EXPECT_EQ(OpenDriverDevice(std::string(59, 'x'), &handle), 1);  // 4 + 59 + NUL = 64
    EXPECT_EQ(OpenDriverDevice(std::string(60, 'x'), &handle), 0);
    EXPECT_EQ(device.opens.size(), 1u);
    device.present = false;
    handle = 42;
    EXPECT_EQ(OpenDriverDevice("Borealix", &handle), 0);
    EXPECT_EQ(handle, 42);
}

}  // namespace
