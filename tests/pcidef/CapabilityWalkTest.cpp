// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ConfigBuilder.h"
#include "pcidef/CapabilityWalk.h"

namespace {

using pcidef::CapabilityWalk;
using pcidef::ConfigView;

struct ChainCase {
    const char* name;
    std::function<std::vector<uint8_t>()> bytes;
    std::vector<uint16_t> offsets;  // entries expected, in chain order
    const char* note;               // in the only note expected; nullptr: no note
    std::vector<uint8_t> readable = {};
};

// Standard capabilities at 0x40, 0x44, ... 0xFC: every dword past the header.
std::vector<uint8_t> FullChain(uint8_t lastNext) {
    ConfigBuilder config;
    for (uint32_t at = 0x40; at < 0x100; at += 4) config.Cap(at, 0x09);
    return config.W8(0xFD, lastNext).bytes;
}

std::vector<uint16_t> Offsets(uint32_t first, uint32_t last) {
    std::vector<uint16_t> offsets;
    for (uint32_t at = first; at <= last; at += 4) offsets.push_back(static_cast<uint16_t>(at));
    return offsets;
}

std::vector<uint8_t> AllReadableBut(size_t size, uint32_t offset) {
    std::vector<uint8_t> readable(size / 4, 1);
    readable[offset / 4] = 0;
    return readable;
}

const ChainCase kCases[] = {
    {"three linked",
     [] { return ConfigBuilder().Cap(0x40, 1).Cap(0x50, 5).Cap(0x60, 0x10).bytes; },
     {0x40, 0x50, 0x60},
     nullptr},
    {"no list without the status bit",
     [] { return ConfigBuilder().Cap(0x40, 1).W16(0x06, 0).bytes; },
     {},
     nullptr},
    {"loop back to the first",
     [] { return ConfigBuilder().Cap(0x40, 1).Cap(0x50, 5).W8(0x51, 0x40).bytes; },
     {0x40, 0x50},
     "pointer 0x40 at 0x51 leads back"},
    {"points at itself",
     [] { return ConfigBuilder().Cap(0x40, 1).W8(0x41, 0x40).bytes; },
     {0x40},
     "leads back"},
    {"first pointer into the header",
     [] { return ConfigBuilder().W16(6, 0x10).W8(0x34, 0x20).bytes; },
     {},
     "pointer 0x20 at 0x34 points into the header"},
    {"later pointer into the header",
     [] { return ConfigBuilder().Cap(0x40, 1).W8(0x41, 0x3C).bytes; },
     {0x40},
     "pointer 0x3C at 0x41 points into the header"},
    {"unaligned pointer read as hardware does",
     [] { return ConfigBuilder().Cap(0x40, 1).W8(0x34, 0x43).bytes; },
     {0x40},
     "pointer 0x43 at 0x34 is not dword-aligned; read as 0x40"},
    {"48 capabilities end", [] { return FullChain(0); }, Offsets(0x40, 0xFC), nullptr},
    {"48 capabilities and a loop", [] { return FullChain(0x80); }, Offsets(0x40, 0xFC),
     "pointer 0x80 at 0xFD leads back"},
    {"past the bytes read",
     [] {
         auto bytes = ConfigBuilder().Cap(0x40, 1).W8(0x41, 0x70).bytes;
         bytes.resize(0x60);
         return bytes;
     },
     {0x40},
     "pointer 0x70 at 0x41 points past the 0x60 bytes read"},
    {"capability that could not be read",
     [] { return ConfigBuilder().Cap(0x40, 1).Cap(0x50, 5).bytes; },
     {0x40},
     "the capability at 0x50 could not be read",
     AllReadableBut(256, 0x50)},
    {"status that could not be read",
     [] { return ConfigBuilder().Cap(0x40, 1).bytes; },
     {},
     "the Status register could not be read",
     AllReadableBut(256, 0x04)},
    {"cardbus list starts at 0x14",
     [] { return ConfigBuilder(256, 2).W16(6, 0x10).W8(0x14, 0x80).W8(0x80, 1).bytes; },
     {0x80},
     nullptr},
    {"extended list",
     [] { return ConfigBuilder(4096).ExtCap(0x100, 1).ExtCap(0x148, 3).bytes; },
     {0x100, 0x148},
     nullptr},
    {"no extended list in 256 bytes",
     [] { return ConfigBuilder(256).W32(0xFC, 0x10001).bytes; },
     {},
     nullptr},
    {"extended list of all ones",
     [] { return ConfigBuilder(4096).W32(0x100, 0xFFFFFFFF).bytes; },
     {},
     nullptr},
    {"extended loop",
     [] {
         ConfigBuilder config(4096);
         config.ExtCap(0x100, 1).ExtCap(0x200, 3);
         return config.W32(0x200, config.Read32(0x200) | 0x100 << 20).bytes;
     },
     {0x100, 0x200},
     "pointer 0x100 at 0x200 leads back"},
    {"extended pointer below 0x100",
     [] { return ConfigBuilder(4096).ExtCap(0x100, 1).W32(0x100, 0x0C010001).bytes; },
     {0x100},
     "pointer 0x0C0 at 0x100 points below 0x100"},
    {"extended pointer unaligned",
     [] { return ConfigBuilder(4096).ExtCap(0x100, 1).W32(0x100, 0x14210001).W32(0x140, 3).bytes; },
     {0x100, 0x140},
     "pointer 0x142 at 0x100 is not dword-aligned; read as 0x140"},
    {"extended chain into all ones",
     [] {
         return ConfigBuilder(4096).ExtCap(0x100, 1).W32(0x100, 0x20010001).W32(0x200, ~0u).bytes;
     },
     {0x100},
     "the capability at 0x200 reads 0xFFFFFFFF"},
    {"extended capability that could not be read",
     [] { return ConfigBuilder(4096).ExtCap(0x100, 1).ExtCap(0x180, 3).bytes; },
     {0x100},
     "the capability at 0x180 could not be read",
     AllReadableBut(4096, 0x180)},
};

TEST(CapabilityWalk, EndsEveryHostileChainWithTheRightNote) {
    for (const ChainCase& c : kCases) {
        std::vector<uint8_t> bytes = c.bytes();
        CapabilityWalk walk = CapabilityWalk::Of(ConfigView(bytes, c.readable));
        std::vector<uint16_t> offsets;
        for (const auto& entry : walk.entries) offsets.push_back(entry.offset);
        EXPECT_EQ(offsets, c.offsets) << c.name;
        if (!c.note) {
            EXPECT_TRUE(walk.notes.empty()) << c.name << ": " << walk.notes.front();
            continue;
        }
        ASSERT_EQ(walk.notes.size(), 1u) << c.name;
        EXPECT_NE(walk.notes[0].find(c.note), std::string::npos) << c.name << ": " << walk.notes[0];
    }
}

TEST(CapabilityWalk, ReadsIdsAndVersionsOfBothLists) {
    auto bytes = ConfigBuilder(4096).Cap(0x40, 0x10).Cap(0x80, 0x11).ExtCap(0x100, 0x1E, 2).bytes;
    CapabilityWalk walk = CapabilityWalk::Of(ConfigView(bytes));
    ASSERT_EQ(walk.entries.size(), 3u);
    EXPECT_EQ(walk.entries[0].id, 0x10);
    EXPECT_EQ(walk.entries[1].id, 0x11);
    EXPECT_EQ(walk.entries[2].space, pcidef::Space::Extended);
    EXPECT_EQ(walk.entries[2].id, 0x1E);
    EXPECT_EQ(walk.entries[2].version, 2);
}

}  // namespace
