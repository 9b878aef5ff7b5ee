// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"
#include "support/InProcessDriver.h"

namespace {

const char* kMachine = R"({
  "ecam": {"base": "0xE0000000", "buses": 4},
  "functions": [
    {"bdf": "00:00.0", "config": "86801019 06001000 01000006"},
    {"bdf": "02:1f.7", "config": "ee1a0100"}
  ],
  "memory": [
    {"base": "0x1000", "size": "0x10", "hex": "00112233445566778899aabbccddeeff"},
    {"base": "0xFFFFF000", "size": "0x1000", "fill": "0x5a"}
  ]
})";

class RequestHandlerTest : public testing::Test {
  protected:
    void SetUp() override {
        driver_ = InProcessDriver::FromMachineJson(kMachine);
        ASSERT_TRUE(driver_);
        handle_ = driver_->CreateFile("\\\\.\\Borealix", GENERIC_READ | GENERIC_WRITE, 0,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
        ASSERT_NE(handle_, INVALID_DEVICE_HANDLE);
    }

    bool Send(uint32_t code, DriverRequest& record, uint32_t inSize = sizeof(DriverRequest)) {
        return driver_->DeviceIoControl(handle_, code, &record, inSize, &record, sizeof(record),
                                        nullptr);
    }

    // The request every bad one is followed by: it must still be served.
    void ExpectGoodConfigRead() {
        DriverRequest record{};
        record.ConfigAddress = 0x80000000u;
        ASSERT_TRUE(Send(IOCTL_READ_PCI_CONFIG, record));
        EXPECT_EQ(record.ConfigValue, 0x19108086u);
    }

    bool ReadMemory(uint32_t address, void* buffer, uint32_t length) {
        DriverRequest record{};
        record.PhysicalAddress = SignExtendAddress(address);
        record.TransferLength = length;
        record.UserBuffer = reinterpret_cast<uintptr_t>(buffer);
        return Send(IOCTL_READ_PHYSICAL_MEMORY, record);
    }

    std::unique_ptr<InProcessDriver> driver_;
    DeviceHandle handle_ = INVALID_DEVICE_HANDLE;
};

TEST_F(RequestHandlerTest, BadRequestsFailAloneAndTheNextIsServed) {
    DriverRequest record{};
    EXPECT_FALSE(Send(0x80862E2Cu, record));
    EXPECT_EQ(driver_->GetLastError(), ERROR_INVALID_FUNCTION);
    ExpectGoodConfigRead();

    record.ConfigAddress = 0x80000000u;
    EXPECT_FALSE(Send(IOCTL_READ_PCI_CONFIG, record, 100));  // truncated record
    EXPECT_EQ(driver_->GetLastError(), ERROR_INVALID_PARAMETER);
    ExpectGoodConfigRead();

    record = {};
    record.ConfigAddress = 0x00000000u;  // bit 31 clear
    record.ConfigValue = 0x12345678;
    EXPECT_FALSE(Send(IOCTL_READ_PCI_CONFIG, record));
    EXPECT_FALSE(Send(IOCTL_WRITE_PCI_CONFIG, record));
    EXPECT_EQ(record.ConfigValue, 0x12345678u);
    ExpectGoodConfigRead();

    std::vector<uint8_t> buffer(16, 0xC3);
    record = {};
    record.UserBuffer = reinterpret_cast<uintptr_t>(buffer.data());
    record.PhysicalAddress = 0x1000;
    for (uint32_t length : {0u, kMaxTransferLength + 1}) {
        record.TransferLength = length;
        EXPECT_FALSE(Send(IOCTL_READ_PHYSICAL_MEMORY, record)) << length;
        EXPECT_EQ(driver_->GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(buffer, std::vector<uint8_t>(16, 0xC3));
    ExpectGoodConfigRead();

    // Output buffer of the wrong size.
    EXPECT_FALSE(driver_->DeviceIoControl(handle_, IOCTL_READ_PCI_CONFIG, &record, sizeof(record),
                                          &record, 100, nullptr));
    ExpectGoodConfigRead();
}

TEST_F(RequestHandlerTest, ConfigAddressesIgnoreTheTwoLowBits) {
    DriverRequest record{};
    record.ConfigAddress = 0x80000000u | 0x0B;  // inside the class dword
    ASSERT_TRUE(Send(IOCTL_READ_PCI_CONFIG, record));
    EXPECT_EQ(record.ConfigValue, 0x06000001u);  // dword 0x08

    record.ConfigAddress = 0x80000000u | 0x13;  // write lands on dword 0x10
    record.ConfigValue = 0xF0000000u;
    ASSERT_TRUE(Send(IOCTL_WRITE_PCI_CONFIG, record));
    record.ConfigAddress = 0x80000010u;
    record.ConfigValue = 0;
    ASSERT_TRUE(Send(IOCTL_READ_PCI_CONFIG, record));
    EXPECT_EQ(record.ConfigValue, 0xF0000000u);

    // An absent function reads all ones; the last one listed is found.
    record.ConfigAddress = 0x80000000u | 5 << 16;
    ASSERT_TRUE(Send(IOCTL_READ_PCI_CONFIG, record));
    EXPECT_EQ(record.ConfigValue, 0xFFFFFFFFu);
    record.ConfigAddress = 0x80000000u | 2 << 16 | 0x1F << 11 | 7 << 8;
    ASSERT_TRUE(Send(IOCTL_READ_PCI_CONFIG, record));
    EXPECT_EQ(record.ConfigValue, 0x00011AEEu);
    EXPECT_EQ(driver_->ConfigReads().size(), 4u);
    EXPECT_EQ(driver_->ConfigReads().back(), record.ConfigAddress);
}

TEST_F(RequestHandlerTest, MemoryUsesTheLowHalfOfTheAddressAndNeverWraps) {
    uint8_t bytes[4] = {};
    // 0xE0000000 is sent sign-extended; it reaches the window's first function.
    ASSERT_TRUE(ReadMemory(0xE0000000u, bytes, 4));
    EXPECT_EQ(std::memcmp(bytes, "\x86\x80\x10\x19", 4), 0);

    std::vector<uint8_t> tail(0x1000);
    ASSERT_TRUE(ReadMemory(0xFFFFF000u, tail.data(), 0x1000));  // ends exactly at 4 GiB
    EXPECT_EQ(tail.back(), 0x5A);
    std::vector<uint8_t> wrapping(0x20, 0x11);
    EXPECT_FALSE(ReadMemory(0xFFFFFFF0u, wrapping.data(), 0x20));
    EXPECT_EQ(wrapping, std::vector<uint8_t>(0x20, 0x11));

    // Write then read back through the VxD codes, record in the output buffer.
    DeviceHandle vxd =
        driver_->CreateFile("\\\\.\\borexvxd.vxd", 0, 0, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_NE(vxd, INVALID_DEVICE_HANDLE);
    uint8_t written[3] = {0xDE, 0xAD, 0x42};
    DriverRequest record{};
    record.PhysicalAddress = 0x1004;
    record.TransferLength = 3;
    record.UserBuffer = reinterpret_cast<uintptr_t>(written);
    ASSERT_TRUE(driver_->DeviceIoControl(vxd, VXD_WRITE_PHYSICAL_MEMORY, nullptr, 0, &record,
                                         sizeof(record), nullptr));
    uint8_t readBack[8] = {};
    record.PhysicalAddress = 0x1002;
    record.TransferLength = 8;
    record.UserBuffer = reinterpret_cast<uintptr_t>(readBack);
    ASSERT_TRUE(driver_->DeviceIoControl(vxd, VXD_READ_PHYSICAL_MEMORY, nullptr, 0, &record,
                                         sizeof(record), nullptr));
    EXPECT_EQ(std::memcmp(readBack, "\x22\x33\xDE\xAD\x42\x77\x88\x99", 8), 0);
    // The VxD codes take no input buffer.
    EXPECT_FALSE(driver_->DeviceIoControl(vxd, VXD_READ_PHYSICAL_MEMORY, &record, sizeof(record),
                                          &record, sizeof(record), nullptr));
    EXPECT_TRUE(driver_->CloseHandle(vxd));
}

TEST(InProcessDriverTest, ListsAtMost256FunctionsInFileOrder) {
    std::string functions;
    for (int i = 0; i < 300; ++i) {
        char entry[96];
        std::snprintf(entry, sizeof(entry), R"(%s{"bdf": "%02x:%02x.%x", "config": "86800000"})",
                      i ? "," : "", 255 - i / 32, (i / 8) % 4 * 8 + 1, i % 8);
        functions += entry;
    }
    auto driver = InProcessDriver::FromMachineJson("{\"functions\": [" + functions + "]}");
    ASSERT_TRUE(driver);
    DeviceHandle handle = driver->CreateFile("\\\\.\\Borealix", 0, 0, OPEN_EXISTING, 0);
    DriverRequest record;
    std::memset(&record, 0xAB, sizeof(record));
    ASSERT_TRUE(driver->DeviceIoControl(handle, IOCTL_LIST_PCI_FUNCTIONS, &record, sizeof(record),
                                        &record, sizeof(record), nullptr));
    EXPECT_EQ(record.FunctionCount, 256u);
    EXPECT_EQ(record.BusNumbers[0], 255);
    EXPECT_EQ(record.DevFns[0], 1 << 3);
    EXPECT_EQ(record.BusNumbers[255], 255 - 255 / 32);
    EXPECT_EQ(record.DevFns[255], ((255 / 8) % 4 * 8 + 1) << 3 | 7);
    EXPECT_EQ(record.Reserved[0], 0xAB);  // not an output
    EXPECT_EQ(driver->Codes(), std::vector<uint32_t>{IOCTL_LIST_PCI_FUNCTIONS});
}

TEST(InProcessDriverTest, OpensOnlyTheDriverDevicesWhilePresent) {
    auto driver = InProcessDriver::FromMachineJson(R"({"functions": []})");
    ASSERT_TRUE(driver);
    EXPECT_EQ(driver->CreateFile("\\\\.\\Other", 0, 0, OPEN_EXISTING, 0), INVALID_DEVICE_HANDLE);
    EXPECT_EQ(driver->GetLastError(), ERROR_FILE_NOT_FOUND);
    driver->SetPresent(false);
    EXPECT_EQ(driver->CreateFile("\\\\.\\Borealix", 0, 0, OPEN_EXISTING, 0), INVALID_DEVICE_HANDLE);
    EXPECT_EQ(driver->OpenCount(), 0);
    driver->SetPresent(true);
    EXPECT_NE(driver->CreateFile("\\\\.\\Borealix", 0, 0, OPEN_EXISTING, 0), INVALID_DEVICE_HANDLE);
    EXPECT_EQ(driver->OpenCount(), 1);
}

}  // namespace

// The requests of our own refuse what they cannot carry out as asked, and
// every one is followed by a request that is served.
TEST_F(RequestHandlerTest, BlockReadAndSegmentListRefuseMalformedRecords) {
    std::vector<uint8_t> buffer(kMaxTransferLength + kListedFunctionSize);
    struct Case {
        const char* what;
        uint32_t code;
        uint32_t address;
        uint32_t length;
        uint32_t status;
    };
    const Case cases[] = {
        {"a block of 256", IOCTL_READ_PCI_CONFIG_BLOCK, 0x80000000u, 320, ERROR_SUCCESS},
        {"a block of 4096", IOCTL_READ_PCI_CONFIG_BLOCK, 0x80000000u, 5120, ERROR_SUCCESS},
        {"a block of 512", IOCTL_READ_PCI_CONFIG_BLOCK, 0x80000000u, 640, ERROR_INVALID_PARAMETER},
        {"bytes without flags", IOCTL_READ_PCI_CONFIG_BLOCK, 0x80000000u, 256,
         ERROR_INVALID_PARAMETER},
        {"a block from a register", IOCTL_READ_PCI_CONFIG_BLOCK, 0x80000040u, 320,
         ERROR_INVALID_PARAMETER},
        {"a block without the enable bit", IOCTL_READ_PCI_CONFIG_BLOCK, 0, 320,
         ERROR_INVALID_PARAMETER},
        {"a list of one", IOCTL_LIST_PCI_SEGMENT_FUNCTIONS, 0, 4, ERROR_SUCCESS},
        {"a list of no entry", IOCTL_LIST_PCI_SEGMENT_FUNCTIONS, 0, 0, ERROR_INVALID_PARAMETER},
        {"a list of part of an entry", IOCTL_LIST_PCI_SEGMENT_FUNCTIONS, 0, 6,
         ERROR_INVALID_PARAMETER},
        {"a list of a transfer's length", IOCTL_LIST_PCI_SEGMENT_FUNCTIONS, 0, kMaxTransferLength,
         ERROR_SUCCESS},
        // Found by fuzzing: the driver took any length, and as much memory.
        {"a list longer than a transfer", IOCTL_LIST_PCI_SEGMENT_FUNCTIONS, 0,
         kMaxTransferLength + kListedFunctionSize, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DriverRequest record{};
        record.ConfigAddress = c.address;
        record.TransferLength = c.length;
        record.UserBuffer = reinterpret_cast<uintptr_t>(buffer.data());
        EXPECT_EQ(Send(c.code, record), c.status == ERROR_SUCCESS);
        EXPECT_EQ(driver_->GetLastError(), c.status);
        ExpectGoodConfigRead();
    }

    // A list too small for every function says how many there are.
    DriverRequest record{};
    record.TransferLength = kListedFunctionSize;
    record.UserBuffer = reinterpret_cast<uintptr_t>(buffer.data());
    ASSERT_TRUE(Send(IOCTL_LIST_PCI_SEGMENT_FUNCTIONS, record));
    EXPECT_EQ(record.FunctionCount, 2u);
    ListedFunction first{};
    std::memcpy(&first, buffer.data(), sizeof(first));
    EXPECT_EQ(first.bus, 0);
    // A block of an absent function: every dword read, as 0xFF.
    record = {};
    record.UserBuffer = reinterpret_cast<uintptr_t>(buffer.data());
    record.ConfigAddress = 0x80050000u;
    SetRequestSegment(&record, 3);
    record.TransferLength = ConfigBlockLength(256);
    ASSERT_TRUE(Send(IOCTL_READ_PCI_CONFIG_BLOCK, record));
    EXPECT_EQ(record.ConfigValue, ERROR_SUCCESS);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 256),
              std::vector<uint8_t>(256, 0xFF));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 256, buffer.begin() + 320),
              std::vector<uint8_t>(64, 1));
}

// The reads of many things refuse a record that does not say exactly what
// it asks for, and answer each part as its own request would have been.
TEST_F(RequestHandlerTest, BlocksAndGatherReadsRefuseMalformedRecords) {
    std::vector<uint8_t> buffer(4 * 1024 * 1024);
    struct Case {
        const char* what;
        uint32_t code;
        uint32_t count;
        uint32_t each;  // bytes per function, or per piece
        uint32_t length;
        uint32_t firstAddress;  // of a gather's pieces
        uint32_t status;
    };
    constexpr uint32_t kBlocks = IOCTL_READ_PCI_CONFIG_BLOCKS;
    constexpr uint32_t kGather = IOCTL_READ_PHYSICAL_GATHER;
    const Case cases[] = {
        {"two blocks of 256", kBlocks, 2, 256, 2 * 320, 0, ERROR_SUCCESS},
        {"256 blocks of 4096", kBlocks, 256, 4096, 256 * 5120, 0, ERROR_SUCCESS},
        {"no function", kBlocks, 0, 256, 0, 0, ERROR_INVALID_PARAMETER},
        {"more functions than the record names", kBlocks, 257, 256, 257 * 320, 0,
         ERROR_INVALID_PARAMETER},
        {"blocks of 512", kBlocks, 2, 512, 2 * 640, 0, ERROR_INVALID_PARAMETER},
        {"a length for one block fewer", kBlocks, 2, 256, 320, 0, ERROR_INVALID_PARAMETER},
        {"two dwords", kGather, 2, 4, 10, 0x1000, ERROR_SUCCESS},
        {"128 pieces of 4096", kGather, 128, 4096, 128 * 4097, 0x1000, ERROR_SUCCESS},
        {"no piece", kGather, 0, 4, 0, 0x1000, ERROR_INVALID_PARAMETER},
        {"129 pieces", kGather, 129, 4, 129 * 5, 0x1000, ERROR_INVALID_PARAMETER},
        {"pieces of nothing", kGather, 2, 0, 2, 0x1000, ERROR_INVALID_PARAMETER},
        {"pieces of 4097", kGather, 2, 4097, 2 * 4098, 0x1000, ERROR_INVALID_PARAMETER},
        {"bytes without flags", kGather, 2, 4, 8, 0x1000, ERROR_INVALID_PARAMETER},
        {"a piece past 4 GiB", kGather, 2, 4, 10, 0xFFFFFFFEu, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DriverRequest record{};
        record.FunctionCount = c.count;
        record.ConfigValue = c.each;
        record.TransferLength = c.length;
        record.UserBuffer = reinterpret_cast<uintptr_t>(buffer.data());
        for (uint32_t i = 0; c.code == kGather && i < std::min(c.count, kMaxGatherPieces); ++i)
            SetGatherAddress(&record, i, c.firstAddress + 4 * i);
        EXPECT_EQ(Send(c.code, record), c.status == ERROR_SUCCESS);
        EXPECT_EQ(driver_->GetLastError(), c.status);
        ExpectGoodConfigRead();
    }

    // Each function's block as its block read gives it: a present one and
    // an absent one, read whole.
    DriverRequest record{};
    record.FunctionCount = 2;
    record.BusNumbers[1] = 5;
    record.ConfigValue = 256;
    record.TransferLength = 2 * ConfigBlockLength(256);
    record.UserBuffer = reinterpret_cast<uintptr_t>(buffer.data());
    ASSERT_TRUE(Send(IOCTL_READ_PCI_CONFIG_BLOCKS, record));
    EXPECT_EQ(record.ConfigValue, ERROR_SUCCESS);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 4),
              (std::vector<uint8_t>{0x86, 0x80, 0x10, 0x19}));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 320, buffer.begin() + 576),
              std::vector<uint8_t>(256, 0xFF));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 576, buffer.begin() + 640),
              std::vector<uint8_t>(64, 1));

    // Pieces in the order asked, each its own memory's bytes.
    record = {};
    record.FunctionCount = 3;
    record.ConfigValue = 4;
    record.TransferLength = 3 * 5;
    SetGatherAddress(&record, 0, 0x1004);
    SetGatherAddress(&record, 1, 0x1000);
    SetGatherAddress(&record, 2, 0xFFFFF000u);
    record.UserBuffer = reinterpret_cast<uintptr_t>(buffer.data());
    ASSERT_TRUE(Send(IOCTL_READ_PHYSICAL_GATHER, record));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 15),
              (std::vector<uint8_t>{0x44, 0x55, 0x66, 0x77, 0x00, 0x11, 0x22, 0x33, 0x5A, 0x5A,
                                    0x5A, 0x5A, 1, 1, 1}));
}
