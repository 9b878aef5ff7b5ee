// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/DeviceIo.h"
#include "platform/route/UnixSocket.h"
#include "protocol/DriverRequest.h"
#include "support/AppProcess.h"
#include "support/DriverStop.h"
#include "support/ForegroundDriver.h"
#include "support/OtherUser.h"

// What a driver read, looked for where a core dump or a reader of its
// memory would find it.
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr uint8_t kFill = 0xA5;
constexpr uint32_t kReadLength = 0x100000;
// Larger mappings are address space that sanitizers and allocators reserve,
// almost none of it ever touched; a buffer of kReadLength is not among them.
constexpr unsigned long long kLargestMapping = 256ull << 20;

// The longest run of `byte` in the readable memory of process `pid`.
size_t LongestRunIn(pid_t pid, uint8_t byte) {
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream maps(proc + "/maps");
    std::ifstream memory(proc + "/mem", std::ios::binary);
    size_t longest = 0;
    std::vector<char> chunk(1 << 20);
    for (std::string line; std::getline(maps, line);) {
        unsigned long long start = 0, end = 0;
        char permissions[5] = {};
        if (std::sscanf(line.c_str(), "%llx-%llx %4s", &start, &end, permissions) != 3 ||
            permissions[0] != 'r' || line.find("[vvar") != std::string::npos ||
            end - start > kLargestMapping) {
            continue;
        }
        size_t run = 0;
        for (unsigned long long at = start; at < end; at += chunk.size()) {
            const size_t size = std::min<unsigned long long>(chunk.size(), end - at);
            memory.clear();
            memory.seekg(static_cast<std::streamoff>(at));
            if (!memory.read(chunk.data(), static_cast<std::streamsize>(size))) break;
            for (size_t i = 0; i < size; ++i) {
                run = static_cast<uint8_t>(chunk[i]) == byte ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
    }
    return longest;
}

TEST(DriverMemory, WhatARequestReadIsGoneFromTheDriverOnceAnswered) {
    if (!fs::exists(ForegroundDriver::Program())) GTEST_SKIP() << "driver not built";
    const fs::path machine = fs::path(std::getenv("BOREALIX_RUNTIME_DIR")) / "scrub.json";
    std::ofstream(machine)
        << R"({"name": "scrub", "memory": [{"base": "0x100000", "size": "0x100000", "fill": "0xA5"}]})";
    ForegroundDriver driver(machine.string(), "Scrub");
    ASSERT_TRUE(driver.Ready()) << driver.Process().StandardError();
    // The region is a fill byte: only a read puts its bytes in memory.
    EXPECT_LT(LongestRunIn(driver.Process().Pid(), kFill), 4096u);

    DeviceIo& io = DeviceIo::Native();
    DeviceHandle handle = io.CreateFile("\\\\.\\Scrub", GENERIC_READ | GENERIC_WRITE, 0,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(handle, INVALID_DEVICE_HANDLE);
    std::vector<uint8_t> read(kReadLength);
    DriverRequest record{};
    record.TransferLength = kReadLength;
    record.PhysicalAddress = 0x100000;
    record.UserBuffer = reinterpret_cast<uintptr_t>(read.data());
    EXPECT_TRUE(io.DeviceIoControl(handle, IOCTL_READ_PHYSICAL_MEMORY, &record, sizeof(record),
                                   &record, sizeof(record), nullptr));
    io.CloseHandle(handle);
    ASSERT_EQ(read, std::vector<uint8_t>(kReadLength, kFill));
    EXPECT_LT(LongestRunIn(driver.Process().Pid(), kFill), 4096u);
    fs::remove(machine);
}

// A process that cannot be dumped keeps its memory from other processes of
// its user as well: the other user's own driver tells which kind it is.
TEST(DriverMemory, DriversOnThisMachinesHardwareCannotBeDumped) {
    if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    if (!fs::exists(ForegroundDriver::Program())) GTEST_SKIP() << "driver not built";
    OtherUser other;
    const struct {
        const char* machine;
        bool readable;
    } cases[] = {{"", false}, {"builtin", true}};
    for (const auto& [machine, readable] : cases) {
        SCOPED_TRACE(*machine ? machine : "hardware");
        const fs::path runtime = other.Shared() / (std::string("runtime-") + machine);
        AppProcess driver(
            "/bin/sh",
            {"-c", "exec " + OtherUser::Prefix() + ForegroundDriver::Program() + " --foreground"},
            {{"BOREALIX_RUNTIME_DIR", runtime.string()}, {"BOREALIX_MACHINE", machine}});
        const std::string socket = (runtime / "Borealix").string();
        ASSERT_TRUE(
            WaitUntil([&] { return unix_socket::Answers(socket) || !driver.Running(); }, 10s));
        ASSERT_TRUE(driver.Running()) << driver.StandardError();
        const std::string environment = "/proc/" + std::to_string(driver.Pid()) + "/environ";
        EXPECT_EQ(other.Run("cat " + environment + " >/dev/null 2>&1"), readable);
        EXPECT_TRUE(SendStopFrame(socket));
        EXPECT_EQ(driver.WaitForExit(10s), 0) << driver.StandardError();
    }
}

}  // namespace
