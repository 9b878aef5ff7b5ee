// SPDX-License-Identifier: MIT
#include "MemoryDumpFixture.h"

#include <filesystem>

#include "hw/DriverChannel.h"
#include "support/CountingHex.h"

MemoryDumpTest::MemoryDumpTest() {
    system.tempPath = std::filesystem::path(dir.BasePath()).parent_path().string() + "/";
    std::string machine = kDumpMachine;
    machine.replace(machine.find("COUNTING"), 8, CountingHex(0x100));
    driver = InProcessDriver::FromMachineJson(machine);
    log = std::make_unique<MemoryRequestLog>(*driver);
    deviceOverride_ = std::make_unique<ScopedOverride<DeviceIo>>(*log);
}

std::vector<uint8_t> MemoryDumpTest::PhysicalBytes(uint32_t address, uint32_t length) {
    std::vector<uint8_t> bytes(length);
    EXPECT_EQ(ReadPhysicalMemory(address, bytes.data(), length), 1);
    return bytes;
}

std::vector<std::string> MemoryDumpTest::Texts() const {
    std::vector<std::string> texts;
    for (const auto& message : messages.messages) texts.push_back(message.text);
    return texts;
}

void MemoryDumpTest::GiveWindowAPage() {
    hex.SetBytesPerLine(16);
    hex.SetColumns(true, true, true, true);
    hex.SetCellSize(10, 20);
    hex.SetClientSize(800, 400);
    hex.LayoutIfPending();
}
