// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <vector>

#include "driver/LinuxBackend.h"
#include "protocol/ErrorCodes.h"
#include "support/FakeSysfs.h"

namespace {

std::vector<uint8_t> Config(size_t size, uint8_t first) {
    std::vector<uint8_t> config(size);
    for (size_t i = 0; i < size; ++i) config[i] = static_cast<uint8_t>(first + i);
    return config;
}

TEST(LinuxBackend, ListsEverySegmentInTheKernelsOrder) {
    FakeSysfs sysfs;
    sysfs.AddFunction("0000:0a:00.0", Config(256, 0));
    sysfs.AddFunction("0000:00:1f.3", Config(256, 0));
    sysfs.AddFunction("0001:00:00.0", Config(256, 0));
    sysfs.AddFunction("0000:00:02.0", Config(256, 0));
    sysfs.AddFunction("0000:00:1f.0", Config(256, 0));
    sysfs.AddFunction("not-a-function", Config(256, 0));
    LinuxBackend backend(sysfs.Paths());
    std::vector<FunctionAddress> functions;
    ASSERT_EQ(backend.ListFunctions(&functions), ERROR_SUCCESS);
    std::vector<FunctionAddress> expected = {
        {0, 2, 0}, {0, 0x1F, 0}, {0, 0x1F, 3}, {0x0A, 0, 0}, {0, 0, 0, 1}};
    EXPECT_EQ(functions, expected);

    LinuxBackend::Paths nowhere = sysfs.Paths();
    nowhere.devices += "/absent";
    EXPECT_EQ(LinuxBackend(nowhere).ListFunctions(&functions), ERROR_SUCCESS);
    EXPECT_TRUE(functions.empty());
}

TEST(LinuxBackend, ShortConfigFilesFailInsteadOfGivingFiller) {
    FakeSysfs sysfs;
    sysfs.AddFunction("0000:00:00.0", Config(64, 0x10));  // what an unprivileged reader sees
    sysfs.SetMcfg({{0xE0000000, 0, 0, 0x3F}});
    LinuxBackend backend(sysfs.Paths());
    uint32_t value = 0x12345678;
    ASSERT_EQ(backend.ReadConfigDword({0, 0, 0}, 0x3C, &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 0x4F4E4D4Cu);
    EXPECT_EQ(backend.ReadConfigDword({0, 0, 0}, 0x40, &value), ERROR_ACCESS_DENIED);
    EXPECT_EQ(value, 0x4F4E4D4Cu);
}

TEST(LinuxBackend, McfgWindowGoesToConfigFilesAndTheRestToMemory) {
    FakeSysfs sysfs;
    sysfs.AddFunction("0000:00:00.0", Config(256, 0));
    sysfs.AddFunction("0000:41:00.0", Config(4096, 0x80));
    // Segment 1 has a window of its own; segment 0's second window starts
    // at bus 0x40.
    sysfs.SetMcfg(
        {{0xE0000000, 0, 0, 0x0F}, {0xD0000000, 1, 0, 0xFF}, {0xC0000000, 0, 0x40, 0x4F}});
    sysfs.SetMemory(Config(0x2000, 0x33));
    LinuxBackend backend(sysfs.Paths());
    ASSERT_EQ(backend.Windows().size(), 3u);

    uint8_t bytes[8] = {};
    ASSERT_EQ(backend.ReadPhysical(0xC0000000 + (0x41 << 20) + 0xFFC, bytes, 8), ERROR_SUCCESS);
    // The last four bytes of 41:00.0, then the absent 41:00.1.
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8),
              (std::vector<uint8_t>{0x7C, 0x7D, 0x7E, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF}));
    // A 256-byte function reads 0 past its end.
    ASSERT_EQ(backend.ReadPhysical(0xE00000FE, bytes, 4), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0xFE, 0xFF, 0, 0}));
    // Below the window's first bus is no configuration space: memory.
    EXPECT_NE(backend.ReadPhysical(0xC0000000, bytes, 4), ERROR_SUCCESS);
    // Memory, and what the memory file refuses.
    ASSERT_EQ(backend.ReadPhysical(0x1000, bytes, 2), ERROR_SUCCESS);
    EXPECT_EQ(bytes[0], static_cast<uint8_t>(0x33 + 0x1000));
    uint8_t untouched[4] = {9, 9, 9, 9};
    EXPECT_NE(backend.ReadPhysical(0x1FFE, untouched, 4), ERROR_SUCCESS);

    uint8_t value[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    ASSERT_EQ(backend.WritePhysical(0xC0000000 + (0x41 << 20) + 0x40, value, 4), ERROR_SUCCESS);
    EXPECT_EQ(sysfs.Config("0000:41:00.0")[0x43], 0xEF);
    ASSERT_EQ(backend.WritePhysical(0x10, value, 4), ERROR_SUCCESS);
    ASSERT_EQ(backend.ReadPhysical(0x10, bytes, 4), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), std::vector<uint8_t>(value, value + 4));
    // A write to an absent function is dropped, as the hardware drops it.
    EXPECT_EQ(backend.WriteConfigDword({5, 0, 0}, 0, 0), ERROR_SUCCESS);
}

// A machine with two PCI domains: each function of each is listed, read and
// reached through its own segment's window, and the same bus, device and
// function of the other segment is another function.
TEST(LinuxBackend, TwoDomainsEachBehindItsWindow) {
    FakeSysfs sysfs;
    sysfs.AddFunction("0000:00:00.0", Config(256, 0x00));
    sysfs.AddFunction("0001:00:00.0", Config(4096, 0x80));
    sysfs.AddFunction("0001:03:00.0", Config(64, 0x40));  // what an unprivileged reader sees
    sysfs.SetMcfg({{0xE0000000, 0, 0, 0xFF}, {0xD0000000, 1, 0, 0x0F}});
    LinuxBackend backend(sysfs.Paths());
    std::vector<FunctionAddress> functions;
    ASSERT_EQ(backend.ListFunctions(&functions), ERROR_SUCCESS);
    EXPECT_EQ(functions, (std::vector<FunctionAddress>{{0, 0, 0}, {0, 0, 0, 1}, {3, 0, 0, 1}}));

    struct Read {
        FunctionAddress function;
        uint32_t offset;
        uint32_t status;
        uint32_t value;
    };
    const Read reads[] = {
        {{0, 0, 0}, 0x00, ERROR_SUCCESS, 0x03020100},
        {{0, 0, 0, 1}, 0x00, ERROR_SUCCESS, 0x83828180},
        {{0, 0, 0, 1}, 0x800, ERROR_SUCCESS, 0x83828180},  // the byte pattern wraps
        {{3, 0, 0, 1}, 0x3C, ERROR_SUCCESS, 0x7F7E7D7C},
        {{3, 0, 0, 1}, 0x40, ERROR_ACCESS_DENIED, 0},
        {{3, 0, 0}, 0x00, ERROR_SUCCESS, 0xFFFFFFFF},  // absent in segment 0
        {{0, 0, 0, 2}, 0x00, ERROR_SUCCESS, 0xFFFFFFFF},
    };
    for (const Read& read : reads) {
        SCOPED_TRACE(read.function.ToString() + " +" + std::to_string(read.offset));
        uint32_t value = 0;
        EXPECT_EQ(backend.ReadConfigDword(read.function, read.offset, &value), read.status);
        if (read.status == ERROR_SUCCESS) {
            EXPECT_EQ(value, read.value);
        }
    }

    uint32_t identity = 0;
    auto* bytes = reinterpret_cast<uint8_t*>(&identity);
    ASSERT_EQ(backend.ReadPhysical(0xD0000000, bytes, 4), ERROR_SUCCESS);
    EXPECT_EQ(identity, 0x83828180u);
    ASSERT_EQ(backend.ReadPhysical(0xE0000000, bytes, 4), ERROR_SUCCESS);
    EXPECT_EQ(identity, 0x03020100u);
    uint8_t value[4] = {1, 2, 3, 4};
    ASSERT_EQ(backend.WritePhysical(0xD0000040, value, 4), ERROR_SUCCESS);
    EXPECT_EQ(sysfs.Config("0001:00:00.0")[0x43], 4);
    EXPECT_EQ(sysfs.Config("0000:00:00.0")[0x43], 0x43);
}

TEST(LinuxBackend, MissingOrMalformedMcfgRedirectsNothing) {
    FakeSysfs sysfs;
    LinuxBackend missing(sysfs.Paths());
    EXPECT_TRUE(missing.Windows().empty());
    EXPECT_TRUE(ParseMcfgTable({'M', 'C', 'F', 'G', 200, 0}).empty());
    EXPECT_TRUE(ParseMcfgTable(std::vector<uint8_t>(60, 0)).empty());
}

}  // namespace

TEST(LinuxBackend, ReadOnlyRefusesEveryWriteAndChangesNothing) {
    FakeSysfs sysfs;
    sysfs.AddFunction("0000:00:00.0", Config(256, 0));
    sysfs.SetMcfg({{0xE0000000, 0, 0, 0x0F}});
    sysfs.SetMemory(Config(0x2000, 0x33));
    LinuxBackend::Paths paths = sysfs.Paths();
    paths.readOnly = true;
    LinuxBackend backend(paths);

    EXPECT_EQ(backend.WriteConfigDword({0, 0, 0}, 0x40, 0x12345678), ERROR_ACCESS_DENIED);
    uint8_t value[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_EQ(backend.WritePhysical(0xE0000040, value, 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(backend.WritePhysical(0x10, value, 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(sysfs.Config("0000:00:00.0"), Config(256, 0));
    uint32_t dword = 0;
    ASSERT_EQ(backend.ReadConfigDword({0, 0, 0}, 0x40, &dword), ERROR_SUCCESS);
    EXPECT_EQ(dword, 0x43424140u);
    uint8_t bytes[4] = {};
    ASSERT_EQ(backend.ReadPhysical(0x10, bytes, 4), ERROR_SUCCESS);
    EXPECT_EQ(bytes[0], static_cast<uint8_t>(0x33 + 0x10));
}
