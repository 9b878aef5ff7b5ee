// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sim/MachineFileLoader.h"

namespace {

class BuiltinWorkstation : public testing::Test {
  protected:
    void SetUp() override {
        load_ = MachineFileLoader::Load("builtin");
        ASSERT_TRUE(load_.Ok()) << load_.error;
        machine_ = load_.machine.get();
    }

    // Capability IDs in chain order, bounded against loops.
    std::vector<std::pair<uint8_t, uint8_t>> Chain(const PciFunction& function) const {
        std::vector<std::pair<uint8_t, uint8_t>> chain;
        if (!(function.ReadByte(0x06) & 0x10)) return chain;
        uint8_t at = function.ReadByte(0x34);
        while (at && chain.size() < 48) {
            chain.emplace_back(at, function.ReadByte(at));
            at = function.ReadByte(at + 1u);
        }
        return chain;
    }

    bool Backed(uint32_t address) const {
        for (const MemoryRegion& region : machine_->Regions()) {
            if (address >= region.Base() && address < region.End()) return true;
        }
        return false;
    }

    MachineLoad load_;
    SimMachine* machine_ = nullptr;
};

TEST_F(BuiltinWorkstation, HasTheFunctionsOfAWorkstation) {
    std::set<uint32_t> classes;
    for (const PciFunction& function : machine_->Functions())
        classes.insert(function.ReadDword(8) >> 8);
    for (uint32_t code : {0x060000u, 0x060400u, 0x010802u, 0x020000u, 0x0C0330u, 0x010601u,
                          0x040300u, 0x060100u, 0x0C0500u}) {
        EXPECT_TRUE(classes.count(code)) << std::hex << code;
    }
    const PciFunction* lpc = machine_->Find({0, 0x1F, 0});
    ASSERT_TRUE(lpc);
    EXPECT_EQ(lpc->ReadByte(0x0E) & 0x80, 0x80);  // multi-function
    EXPECT_TRUE(machine_->Find({0, 0x1F, 4}));
    for (FunctionAddress endpoint :
         {FunctionAddress{1, 0, 0}, FunctionAddress{2, 0, 0}, FunctionAddress{3, 0, 0}}) {
        EXPECT_TRUE(machine_->Find(endpoint)) << endpoint.ToString();
    }
    // A second segment behind a window of its own, listed last.
    ASSERT_EQ(machine_->Windows().size(), 2u);
    EXPECT_EQ(machine_->Windows()[0].base, 0xE0000000u);
    EXPECT_EQ(machine_->Windows()[1].base, 0xD0000000u);
    EXPECT_EQ(machine_->Windows()[1].segment, 1u);
    EXPECT_EQ(machine_->Functions().back().Address(), (FunctionAddress{0, 0, 0, 1}));
}

TEST_F(BuiltinWorkstation, CapabilityChainsOfSeveralKinds) {
    const PciFunction* root = machine_->Find({0, 1, 0});
    ASSERT_TRUE(root);
    using Cap = std::pair<uint8_t, uint8_t>;
    EXPECT_EQ(Chain(*root), (std::vector<Cap>{{0x40, 0x01}, {0x50, 0x05}, {0x60, 0x10}}));
    std::set<uint8_t> kinds;
    bool extended = false;
    for (const PciFunction& function : machine_->Functions()) {
        for (auto [offset, id] : Chain(function)) kinds.insert(id);
        extended = extended || (function.Size() == 4096 && function.ReadDword(0x100) != 0);
    }
    for (uint8_t id : {0x01, 0x05, 0x10, 0x11, 0x09}) EXPECT_TRUE(kinds.count(id)) << int(id);
    EXPECT_TRUE(extended);
    auto ethernet = Chain(*machine_->Find({2, 0, 0}));
    std::set<uint8_t> ethernetKinds;
    for (auto [offset, id] : ethernet) ethernetKinds.insert(id);
    EXPECT_EQ(ethernetKinds, (std::set<uint8_t>{0x01, 0x05, 0x10, 0x11}));
}

TEST_F(BuiltinWorkstation, MemoryBarsRomAndRamAreBacked) {
    int bars = 0;
    for (const PciFunction& function : machine_->Functions()) {
        int count = (function.ReadByte(0x0E) & 0x7F) == 0 ? 6 : 2;
        for (int i = 0; i < count; ++i) {
            uint32_t bar = function.ReadDword(0x10 + 4 * i);
            if (bar == 0 || (bar & 1)) continue;  // unused or I/O
            EXPECT_TRUE(Backed(bar & ~0xFu)) << function.Address().ToString() << " BAR" << i;
            ++bars;
            if ((bar & 6) == 4) ++i;  // 64-bit: the upper half follows
        }
    }
    EXPECT_GE(bars, 8);
    uint8_t rom[2];
    machine_->ReadPhysical(0xC0000, rom, 2);
    EXPECT_EQ(rom[0], 0x55);
    EXPECT_EQ(rom[1], 0xAA);
    char text[9] = {};
    machine_->ReadPhysical(0x500, reinterpret_cast<uint8_t*>(text), 8);
    EXPECT_STREQ(text, "Tarvolen");
}

}  // namespace
