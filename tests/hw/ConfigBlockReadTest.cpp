// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "driver/LinuxBackend.h"
#include "hw/DriverChannel.h"
#include "pcidef/ConfigMechanism.h"
#include "platform/Seam.h"
#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"
#include "sim/SimMachine.h"
#include "support/ChosenRequestRoute.h"
#include "support/FakeSysfs.h"
#include "support/FakeSystemServices.h"
#include "support/InProcessDriver.h"
#include "support/MachineJson.h"
#include "support/SimPortIo.h"

namespace {

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

// What a function's config file looks like to the backend.
enum class Shape { File, Unreadable, Directory, Absent };

struct Case {
    const char* name;
    Shape shape;
    size_t fileSize;
};

const Case kCases[] = {
    {"whole header", Shape::File, 256},
    {"whole extended space", Shape::File, 4096},
    {"what an unprivileged reader gets", Shape::File, 64},
    {"a length that ends inside a dword", Shape::File, 70},
    {"no read permission (root reads it all the same)", Shape::Unreadable, 256},
    {"a config that cannot be read at all", Shape::Directory, 0},
    {"an absent function", Shape::Absent, 0},
};

struct Answers {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> read;
    int carriedOut = 0;
};

// Every dword asked on its own: the header by ReadPciConfigDword, and beyond
// it, where configuration mechanism addresses do not reach, as the driver's
// backend answers it. A refused dword gives 0 where the block read gives 0.
Answers ByDwords(InProcessDriver& driver, const FunctionAddress& function, uint32_t size) {
    Answers answers{std::vector<uint8_t>(size), std::vector<uint8_t>(size / 4), 1};
    for (uint32_t offset = 0; offset < size; offset += 4) {
        uint32_t value = 0;
        const bool read =
            offset < 256
                ? ReadPciConfigDword(function.segment,
                                     config_mechanism::AddressOf(function, offset), &value) == 1
                : driver.Backend().ReadConfigDword(function, offset, &value) == ERROR_SUCCESS;
        answers.read[offset / 4] = read ? 1 : 0;
        std::memcpy(answers.bytes.data() + offset, &value, 4);
    }
    return answers;
}

Answers ByBlock(const FunctionAddress& function, uint32_t size) {
    Answers answers{std::vector<uint8_t>(size, 0xEE), std::vector<uint8_t>(size / 4, 0xEE), 0};
    answers.carriedOut =
        ReadPciConfigBlock(function, size, answers.bytes.data(), answers.read.data());
    return answers;
}

TEST(ConfigBlockRead, AnswersEveryDwordAsTheDwordRequestsDo) {
    FakeSysfs sysfs;
    for (const Case& c : kCases) {
        for (const auto& [size, segment] : {std::pair{256u, 0}, {4096u, 0}, {256u, 1}}) {
            const FunctionAddress function{0, 3, 0, static_cast<uint16_t>(segment)};
            const std::string name = function.ToString(true);
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(size) + " bytes of " + name);
            const std::filesystem::path config =
                std::filesystem::path(sysfs.Paths().devices) / name / "config";
            std::filesystem::remove_all(config.parent_path());
            if (c.shape == Shape::File || c.shape == Shape::Unreadable)
                sysfs.AddFunction(name, Pattern(c.fileSize));
            if (c.shape == Shape::Unreadable) chmod(config.c_str(), 0);
            if (c.shape == Shape::Directory) std::filesystem::create_directories(config);
            InProcessDriver driver(std::make_unique<LinuxBackend>(sysfs.Paths()));
            ScopedOverride<DeviceIo> device(driver);

            const Answers expected = ByDwords(driver, function, size);
            const Answers block = ByBlock(function, size);
            EXPECT_EQ(block.carriedOut, 1);
            EXPECT_EQ(block.read, expected.read);
            EXPECT_EQ(block.bytes, expected.bytes);
            EXPECT_EQ(driver.BlockReads(), std::vector<uint32_t>{0x80001800u});
        }
    }
}

TEST(ConfigBlockRead, WithoutADriverChangesNothing) {
    FakeSysfs sysfs;
    sysfs.AddFunction("0000:00:00.0", Pattern(256));
    InProcessDriver driver(std::make_unique<LinuxBackend>(sysfs.Paths()));
    driver.SetPresent(false);
    ScopedOverride<DeviceIo> device(driver);
    const Answers block = ByBlock({0, 0, 0}, 256);
    EXPECT_EQ(block.carriedOut, 0);
    EXPECT_EQ(block.bytes, std::vector<uint8_t>(256, 0xEE));
    EXPECT_EQ(block.read, std::vector<uint8_t>(64, 0xEE));
    // Only the two sizes a function has.
    std::array<uint8_t, 512> bytes{};
    std::array<uint8_t, 128> read{};
    driver.SetPresent(true);
    EXPECT_EQ(ReadPciConfigBlock({0, 0, 0}, 512, bytes.data(), read.data()), 0);
    EXPECT_TRUE(driver.BlockReads().empty());
}

// A driver from before the requests of our own: it refuses their codes as
// unknown, and the program asks with the record's own requests instead.
class OlderDriver : public DeviceIo {
  public:
    explicit OlderDriver(DeviceIo& driver) : driver_(driver) {}
    DeviceHandle CreateFile(const std::string& path, uint32_t access, uint32_t share,
                            uint32_t creation, uint32_t flags) override {
        return driver_.CreateFile(path, access, share, creation, flags);
    }
    bool DeviceIoControl(DeviceHandle handle, uint32_t code, void* in, uint32_t inSize, void* out,
                         uint32_t outSize, uint32_t* returned) override {
        refused_ = code == IOCTL_READ_PCI_CONFIG_BLOCK || code == IOCTL_LIST_PCI_SEGMENT_FUNCTIONS ||
                   code == IOCTL_READ_PCI_CONFIG_BLOCKS || code == IOCTL_READ_PHYSICAL_GATHER;
        return !refused_ &&
               driver_.DeviceIoControl(handle, code, in, inSize, out, outSize, returned);
    }
    bool CloseHandle(DeviceHandle handle) override { return driver_.CloseHandle(handle); }
    uint32_t GetLastError() override {
        return refused_ ? ERROR_INVALID_FUNCTION : driver_.GetLastError();
    }

  private:
    DeviceIo& driver_;
    bool refused_ = false;
};

TEST(ConfigBlockRead, AnOlderDriverIsAskedDwordByDword) {
    FakeSysfs sysfs;
    sysfs.AddFunction("0000:00:03.0", Pattern(64));
    sysfs.AddFunction("0001:00:00.0", Pattern(256));
    InProcessDriver driver(std::make_unique<LinuxBackend>(sysfs.Paths()));
    OlderDriver older(driver);
    ScopedOverride<DeviceIo> device(older);

    const Answers block = ByBlock({0, 3, 0}, 256);
    EXPECT_EQ(block.carriedOut, 1);
    EXPECT_EQ(block.read, ByDwords(driver, {0, 3, 0}, 256).read);
    EXPECT_EQ(std::count(block.read.begin(), block.read.end(), 1), 16);
    EXPECT_TRUE(driver.BlockReads().empty());
    // Its list has segment 0 alone.
    std::vector<FunctionAddress> functions;
    ASSERT_EQ(ListPciSegmentFunctions(&functions), 1);
    EXPECT_EQ(functions, (std::vector<FunctionAddress>{FunctionAddress{0, 3, 0}}));
}

// Many functions, or many pieces of memory, in one request answer as each
// one's own read does; an older driver is asked one read at a time and
// answers the same.
TEST(ConfigBlockRead, ReadsOfManyAnswerAsEachOwnRead) {
    FakeSysfs sysfs;
    sysfs.AddFunction("0000:00:03.0", Pattern(64));
    sysfs.AddFunction("0000:00:04.0", Pattern(4096));
    sysfs.AddFunction("0001:00:04.0", Pattern(256));
    sysfs.SetMemory(Pattern(0x3000));
    InProcessDriver driver(std::make_unique<LinuxBackend>(sysfs.Paths()));
    OlderDriver older(driver);
    const std::vector<FunctionAddress> functions{{0, 3, 0}, {0, 4, 0}, {0, 5, 0}, {0, 4, 0, 1}};
    const std::vector<uint32_t> addresses{0x10, 0x2FFC, 0x0, 0x3000, 0x123};
    for (uint32_t size : {256u, 4096u}) {
        for (DeviceIo* io : {static_cast<DeviceIo*>(&driver), static_cast<DeviceIo*>(&older)}) {
            SCOPED_TRACE(std::to_string(size) + (io == &older ? " bytes, older driver" : " bytes"));
            ScopedOverride<DeviceIo> device(*io);
            std::vector<uint8_t> expected;
            for (const FunctionAddress& function : functions) {
                const Answers one = ByBlock(function, size);
                expected.insert(expected.end(), one.bytes.begin(), one.bytes.end());
                expected.insert(expected.end(), one.read.begin(), one.read.end());
            }
            std::vector<uint8_t> blocks(functions.size() * ConfigBlockLength(size), 0xEE);
            EXPECT_EQ(ReadPciConfigBlocks(functions, size, blocks.data()), 1);
            EXPECT_EQ(blocks, expected);
        }
    }
    for (uint32_t length : {4u, 16u}) {
        std::vector<uint8_t> expectedBytes(addresses.size() * length, 0);
        std::vector<uint8_t> expectedRead(addresses.size());
        {
            ScopedOverride<DeviceIo> device(driver);
            for (size_t i = 0; i < addresses.size(); ++i)
                expectedRead[i] =
                    ReadPhysicalMemory(addresses[i], expectedBytes.data() + i * length, length);
        }
        ASSERT_NE(std::count(expectedRead.begin(), expectedRead.end(), 0), 0);
        ASSERT_NE(std::count(expectedRead.begin(), expectedRead.end(), 1), 0);
        for (DeviceIo* io : {static_cast<DeviceIo*>(&driver), static_cast<DeviceIo*>(&older)}) {
            SCOPED_TRACE(std::to_string(length) + (io == &older ? "-byte pieces, older driver"
                                                                : "-byte pieces"));
            ScopedOverride<DeviceIo> device(*io);
            std::vector<uint8_t> bytes(addresses.size() * length, 0xEE);
            std::vector<uint8_t> read(addresses.size(), 0xEE);
            ReadPhysicalGather(addresses, length, bytes.data(), read.data());
            EXPECT_EQ(bytes, expectedBytes);
            EXPECT_EQ(read, expectedRead);
        }
    }
}

// The 9x route has no driver: each dword through the ports, which reach the
// first 256 bytes of segment 0's functions and nothing of other segments.
TEST(ConfigBlockRead, OnThePortRouteReadsTheHeaderDwordByDword) {
    FakeSystemServices system;
    system.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    ScopedOverride<SystemServices> systemOverride(system);
    auto ports = SimPortIo::FromMachineJson(MachineJson({{"00:1f.3", {{0x00, 0xA3488086}}}}));
    ASSERT_TRUE(ports);
    ScopedOverride<PortIo> portsOverride(*ports);
    ChosenRequestRoute route;

    Answers block = ByBlock({0, 0x1F, 3}, 4096);
    ASSERT_EQ(block.carriedOut, 1);
    EXPECT_EQ(ports->Reads(), 64);
    EXPECT_EQ(std::vector<uint8_t>(block.bytes.begin(), block.bytes.begin() + 4),
              (std::vector<uint8_t>{0x86, 0x80, 0x48, 0xA3}));
    EXPECT_EQ(std::count(block.read.begin(), block.read.end(), 1), 64);
    EXPECT_EQ(std::count(block.read.begin() + 64, block.read.end(), 0), 1024 - 64);
    block = ByBlock({0, 0x1F, 3, 1}, 256);
    EXPECT_EQ(block.carriedOut, 1);
    EXPECT_EQ(block.read, std::vector<uint8_t>(64, 0));
    EXPECT_EQ(ports->Reads(), 64);
}

}  // namespace
