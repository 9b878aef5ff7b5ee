// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <functional>

#include "ConfigBuilder.h"
#include "pcidef/ConfigWatch.h"

namespace {

using pcidef::ConfigWatch;
using pcidef::DwordChange;

// A PCI Express endpoint: Command/Status at 0x04, DevCtl/DevSta at 0x48,
// AER from 0x100.
ConfigBuilder Endpoint() {
    ConfigBuilder config(4096);
    config.Cap(0x40, 0x10).W16(0x42, 0x0002).W16(0x48, 0x2810);
    config.ExtCap(0x100, 0x0001, 2);
    return config;
}

struct WatchCase {
    const char* name;
    std::function<void(ConfigBuilder&)> change;
    std::vector<uint32_t> refused;  // dwords refused on the second read
    std::vector<DwordChange> expected;
};

TEST(ConfigWatch, NamesTheDwordsAndFieldsThatChanged) {
    const WatchCase cases[] = {
        {"nothing", [](ConfigBuilder&) {}, {}, {}},
        {"one field",
         [](ConfigBuilder& c) { c.W16(0x48, 0x2830); },
         {},
         {{0x48, 0x00002810, 0x00002830, {"PCIe.DevCtl.MaxPayload"}}}},
        {"two registers of one dword",
         [](ConfigBuilder& c) { c.W16(0x04, 0x0004).W16(0x06, 0x2010); },
         {},
         {{0x04, 0x00100000, 0x20100004, {"Command.BusMaster", "Status.RcvMasterAbort"}}}},
        {"two dwords, in offset order",
         [](ConfigBuilder& c) { c.W32(0x104, 0x00004000).W16(0x4A, 0x0004); },
         {},
         {{0x48, 0x00002810, 0x00042810, {"PCIe.DevSta.FatalErr"}},
          {0x104, 0, 0x00004000, {"AER.UncorSta.CompletionTimeout"}}}},
        {"bits no field covers: the register",
         [](ConfigBuilder& c) { c.W16(0x4A, 0x0100); },
         {},
         {{0x48, 0x00002810, 0x01002810, {"PCIe.DevSta"}}}},
        {"outside every structure",
         [](ConfigBuilder& c) { c.W32(0x800, 1); },
         {},
         {{0x800, 0, 1, {}}}},
        {"refused: no value, no field",
         [](ConfigBuilder&) {},
         {0x48 / 4},
         {{0x48, 0x00002810, std::nullopt, {}}}},
    };
    for (const WatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigBuilder config = Endpoint();
        ConfigWatch watch;
        EXPECT_TRUE(watch.Next(config.bytes).changes.empty());
        c.change(config);
        std::vector<uint8_t> readable(1024, 1);
        for (uint32_t dword : c.refused) readable[dword] = 0;
        const ConfigWatch::Step step = watch.Next(config.bytes, readable);
        EXPECT_FALSE(step.gone);
        ASSERT_EQ(step.changes.size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(step.changes[i].offset, c.expected[i].offset);
            EXPECT_EQ(step.changes[i].before, c.expected[i].before);
            EXPECT_EQ(step.changes[i].after, c.expected[i].after);
            EXPECT_EQ(step.changes[i].fields, c.expected[i].fields);
        }
        // What was read last is what the next read is compared with.
        EXPECT_TRUE(watch.Next(config.bytes, readable).changes.empty());
    }
}

// Gone once: on the read that finds the identity refused or all ones.
TEST(ConfigWatch, AFunctionThatGoesIsReportedOnce) {
    ConfigBuilder present = Endpoint();
    ConfigBuilder unplugged(4096);
    std::fill(unplugged.bytes.begin(), unplugged.bytes.end(), 0xFF);
    const std::vector<uint8_t> identityRefused = [] {
        std::vector<uint8_t> readable(1024, 1);
        readable[0] = 0;
        return readable;
    }();
    for (bool allOnes : {true, false}) {
        SCOPED_TRACE(allOnes ? "all ones" : "identity refused");
        ConfigWatch watch;
        EXPECT_FALSE(watch.Next(present.bytes).gone);
        const ConfigWatch::Step step =
            allOnes ? watch.Next(unplugged.bytes) : watch.Next(present.bytes, identityRefused);
        EXPECT_TRUE(step.gone);
        EXPECT_TRUE(step.changes.empty());
        EXPECT_TRUE(watch.Gone());
        EXPECT_FALSE(watch.Next(unplugged.bytes).gone);
        EXPECT_FALSE(watch.Next(present.bytes).gone);
    }
    // Not there from the start.
    ConfigWatch absent;
    EXPECT_TRUE(absent.Next(unplugged.bytes).gone);
    EXPECT_TRUE(pcidef::FunctionGone({}, {}));
}

}  // namespace
