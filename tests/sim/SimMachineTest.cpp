// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/MachineFileLoader.h"
#include "sim/SimMachine.h"
#include "support/SimPortIo.h"

namespace {

const char* kMachine = R"({
  "ecam": {"base": "0xE0000000", "buses": 2},
  "functions": [
    {"bdf": "00:00.0", "config": "86801019 06001000 01000006 00008000"},
    {"bdf": "01:00.0", "config": "4d1408a8 ffffffff", "writable": "00000000 0f00ff00"},
    {"bdf": "00:1c.4", "config": "86803412"}
  ],
  "memory": [
    {"base": "0x1000", "hex": "0102030405060708"},
    {"base": "0x1010", "size": "0x10", "fill": "0xaa", "writable": false},
    {"base": 1048576, "size": "0x40000000", "fill": 0}
  ]
})";

std::unique_ptr<SimMachine> Load(const std::string& json) {
    MachineLoad load = MachineFileLoader::LoadText(json, "machine.json");
    EXPECT_TRUE(load.Ok()) << load.error;
    return std::move(load.machine);
}

std::vector<uint8_t> Read(const SimMachine& machine, uint32_t address, uint32_t length) {
    std::vector<uint8_t> bytes(length);
    machine.ReadPhysical(address, bytes.data(), length);
    return bytes;
}

TEST(SimMachine, ConfigWritesHonourTheMask) {
    auto machine = Load(kMachine);
    ASSERT_TRUE(machine);
    FunctionAddress host{0, 0, 0};
    // Default mask: IDs, revision/class and header type stay.
    machine->ConfigWrite(host, 0x00, 0);
    machine->ConfigWrite(host, 0x08, 0);
    machine->ConfigWrite(host, 0x0C, 0x11223344);
    machine->ConfigWrite(host, 0x40, 0xCAFEF00D);
    EXPECT_EQ(machine->ConfigRead(host, 0x00), 0x19108086u);
    EXPECT_EQ(machine->ConfigRead(host, 0x08), 0x06000001u);
    EXPECT_EQ(machine->ConfigRead(host, 0x0C), 0x11803344u);
    EXPECT_EQ(machine->ConfigRead(host, 0x42), 0xCAFEF00Du);  // aligned down
    // A given mask: only its set bits take the written value.
    FunctionAddress nvme{1, 0, 0};
    machine->ConfigWrite(nvme, 0x04, 0x12345678);
    EXPECT_EQ(machine->ConfigRead(nvme, 0x04), 0xFF34FFF8u);
    machine->ConfigWrite(nvme, 0x00, 0);
    EXPECT_EQ(machine->ConfigRead(nvme, 0x00), 0xA808144Du);
    // Absent functions read all ones and take no writes.
    machine->ConfigWrite({0, 3, 0}, 0, 0);
    EXPECT_EQ(machine->ConfigRead({0, 3, 0}, 0), 0xFFFFFFFFu);
}

TEST(SimMachine, WindowReachesConfigSpace) {
    auto machine = Load(kMachine);
    ASSERT_TRUE(machine);
    EXPECT_EQ(Read(*machine, 0xE0000000, 4), (std::vector<uint8_t>{0x86, 0x80, 0x10, 0x19}));
    uint32_t root = 0xE0000000 + (0x1C << 15) + (4 << 12);
    EXPECT_EQ(Read(*machine, root + 2, 2), (std::vector<uint8_t>{0x34, 0x12}));
    // A 256-byte function reads 0 beyond 0xFF; an absent one 0xFF bytes.
    EXPECT_EQ(Read(*machine, root + 0xFE, 4), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(Read(*machine, 0xE0000000 + (3 << 15), 2), (std::vector<uint8_t>{0xFF, 0xFF}));
    // A read across two functions' pages.
    auto across = Read(*machine, 0xE0000000 + (1 << 20) - 2, 4);
    EXPECT_EQ(across, (std::vector<uint8_t>{0xFF, 0xFF, 0x4D, 0x14}));
    // Writes through the window honour the mask.
    uint8_t bytes[4] = {0, 0, 0x55, 0x55};
    machine->WritePhysical(0xE0000000 + (1 << 20), bytes, 4);
    machine->WritePhysical(0xE0000000 + (1 << 20) + 4, bytes, 4);
    EXPECT_EQ(machine->ConfigRead({1, 0, 0}, 0), 0xA808144Du);
    EXPECT_EQ(machine->ConfigRead({1, 0, 0}, 4), 0xFF55FFF0u);
    // Past the window's last bus is plain unbacked memory.
    EXPECT_EQ(Read(*machine, 0xE0200000, 1), std::vector<uint8_t>{0xFF});
}

TEST(SimMachine, RegionsReadWriteAndGaps) {
    auto machine = Load(kMachine);
    ASSERT_TRUE(machine);
    // Gap, hex region, gap... in one read.
    auto bytes = Read(*machine, 0x0FFE, 0x14);
    std::vector<uint8_t> expected = {0xFF, 0xFF, 1,    2,    3,    4,    5,    6,    7,    8,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0xAA};
    EXPECT_EQ(bytes, expected);
    uint8_t ones[0x20];
    std::memset(ones, 0x11, sizeof(ones));
    machine->WritePhysical(0x1004, ones, 0x10);  // ends in the read-only region's gap
    machine->WritePhysical(0x1010, ones, 4);     // read-only
    machine->WritePhysical(0x0, ones, 4);        // unbacked
    EXPECT_EQ(Read(*machine, 0x1002, 8),
              (std::vector<uint8_t>{3, 4, 0x11, 0x11, 0x11, 0x11, 0xFF, 0xFF}));
    EXPECT_EQ(Read(*machine, 0x1010, 2), (std::vector<uint8_t>{0xAA, 0xAA}));
    EXPECT_EQ(Read(*machine, 0x0, 1), std::vector<uint8_t>{0xFF});
    // The large filled region keeps writes across its lazily made pages.
    machine->WritePhysical(0x3FFFFFFE, ones, 4);
    EXPECT_EQ(Read(*machine, 0x3FFFFFFC, 8),
              (std::vector<uint8_t>{0, 0, 0x11, 0x11, 0x11, 0x11, 0, 0}));
    EXPECT_EQ(Read(*machine, 0x40100000, 1), std::vector<uint8_t>{0xFF});  // just past its end
    EXPECT_EQ(Read(*machine, 0xFFFFFFFF, 1), std::vector<uint8_t>{0xFF});
}

TEST(SimMachine, ConfigurationPorts) {
    auto ports = SimPortIo::FromMachineJson(kMachine);
    ASSERT_TRUE(ports);
    ports->OutDword(0xCF8, 0x80010000);
    EXPECT_EQ(ports->InDword(0xCF8), 0x80010000u);  // the latch reads back
    EXPECT_EQ(ports->InDword(0xCFC), 0xA808144Du);
    ports->OutDword(0xCF8, 0x80000000 | 0x0B);  // low bits ignored
    EXPECT_EQ(ports->InDword(0xCFC), 0x06000001u);
    ports->OutDword(0xCF8, 0x00000000);  // enable bit clear
    EXPECT_EQ(ports->InDword(0xCFC), 0xFFFFFFFFu);
    ports->OutDword(0xCFC, 0);
    ports->OutDword(0xCF8, 0x80000040);
    ports->OutDword(0xCFC, 0xDEADBEEF);
    EXPECT_EQ(ports->Machine().ConfigRead({0, 0, 0}, 0x40), 0xDEADBEEFu);
    EXPECT_EQ(ports->Machine().ConfigRead({0, 0, 0}, 0x00), 0x19108086u);
    ports->OutDword(0xCF8, 0x80000000 | 3 << 11);  // absent
    EXPECT_EQ(ports->InDword(0xCFC), 0xFFFFFFFFu);
    EXPECT_EQ(ports->Reads(), 5);
}

}  // namespace

namespace {

// Reads a range piece by piece, as a file frame has the driver write it.
std::vector<uint8_t> ReadInPieces(const SimMachine& machine, uint32_t address, uint32_t length,
                                  size_t* pieces = nullptr) {
    std::vector<uint8_t> bytes;
    size_t count = 0;
    EXPECT_TRUE(machine.ReadPhysicalPieces(address, length, [&](const uint8_t* at, uint64_t n) {
        EXPECT_GT(n, 0u);
        bytes.insert(bytes.end(), at, at + n);
        ++count;
        return true;
    }));
    if (pieces) *pieces = count;
    return bytes;
}

}  // namespace

// The pieces are the bytes a plain read gives, across regions, gaps, written
// pages, the window and a machine with no window at all; a refused piece
// stops the read.
TEST(SimMachine, ReadInPiecesGivesWhatAReadGives) {
    auto machine = Load(kMachine);
    ASSERT_TRUE(machine);
    uint8_t ones[8];
    std::memset(ones, 0x11, sizeof ones);
    machine->WritePhysical(0x100FFC, ones, sizeof ones);  // a written page in the fill
    auto bare = Load(R"({"memory": [{"base": "0x1000", "hex": "0102"}]})");
    ASSERT_TRUE(bare);
    const struct {
        const SimMachine* machine;
        uint32_t address;
        uint32_t length;
    } cases[] = {
        {machine.get(), 0x0FFE, 0x14},      {machine.get(), 0x100000, 0x3000},
        {machine.get(), 0xDFFFFFF0, 0x40},  {machine.get(), 0xE00FFFF0, 0x20},
        {machine.get(), 0xFFFFFF00, 0x100}, {bare.get(), 0x0, 0x2000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadInPieces(*c.machine, c.address, c.length),
                  Read(*c.machine, c.address, c.length))
            << std::hex << c.address;
    size_t pieces = 0;
    ReadInPieces(*machine, 0x100000, 0x3000, &pieces);
    EXPECT_GE(pieces, 3u);  // the initial bytes, the written page, the rest
    size_t taken = 0;
    EXPECT_FALSE(machine->ReadPhysicalPieces(
        0x0FFE, 0x14, [&](const uint8_t*, uint64_t) { return ++taken < 2; }));
    EXPECT_EQ(taken, 2u);
}
