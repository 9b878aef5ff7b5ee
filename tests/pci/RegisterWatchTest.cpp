// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pci/RegisterWatch.h"

namespace {

using Dwords = std::vector<uint32_t>;
using Readable = std::vector<uint8_t>;

struct WatchRead {
    uint64_t function;
    Dwords dwords;
    Readable readable;
    RegisterWatch::Outcome outcome;
    std::vector<size_t> changed;
};

std::vector<size_t> ChangedOf(const RegisterWatch& watch, size_t count) {
    std::vector<size_t> changed;
    for (size_t i = 0; i < count + 1; ++i)
        if (watch.IsChanged(i)) changed.push_back(i);
    return changed;
}

}  // namespace

TEST(RegisterWatch, ADwordStaysChangedUntilItTakesItsOldValueOrTheFunctionChanges) {
    using O = RegisterWatch::Outcome;
    const Readable all{1, 1, 1};
    const std::vector<WatchRead> reads = {
        {7, {1, 2, 3}, all, O::Started, {}},
        {7, {1, 2, 3}, all, O::Same, {}},
        {7, {1, 5, 3}, all, O::Changed, {1}},
        // Still not its old value: still changed.
        {7, {1, 6, 4}, all, O::Changed, {1, 2}},
        {7, {1, 2, 4}, all, O::Changed, {2}},
        // A refused dword differs from every value, and from a refused one
        // it changes back.
        {7, {1, 2, 0}, {1, 1, 0}, O::Changed, {2}},
        {7, {1, 2, 3}, all, O::Same, {}},
        // Another function, or another size, starts afresh.
        {8, {9, 9, 9}, all, O::Started, {}},
        {8, {9, 9, 1}, all, O::Changed, {2}},
        {8, {9, 9}, {1, 1}, O::Started, {}},
    };
    RegisterWatch watch;
    watch.Start();
    for (size_t i = 0; i < reads.size(); ++i) {
        const WatchRead& read = reads[i];
        EXPECT_EQ(watch.Observe(read.function, read.dwords, read.readable), read.outcome) << i;
        EXPECT_EQ(ChangedOf(watch, read.dwords.size()), read.changed) << i;
    }
    watch.Stop();
    EXPECT_FALSE(watch.Active());
    EXPECT_FALSE(watch.IsChanged(2));
    // Stopped, reads are not compared; started again, the next read is the base.
    const Dwords ones{1, 1};
    const Readable read{1, 1};
    EXPECT_EQ(watch.Observe(8, ones, read), RegisterWatch::Outcome::Same);
    watch.Start();
    EXPECT_EQ(watch.Observe(8, ones, read), RegisterWatch::Outcome::Started);
    EXPECT_EQ(watch.Observe(8, ones, read), RegisterWatch::Outcome::Same);
}

TEST(RegisterWatch, AFunctionIsGoneWhenNothingOfItReadsOrAllReadsAllOnes) {
    struct Case {
        Dwords dwords;
        Readable readable;
        bool gone;
    };
    const Case cases[] = {
        {{}, {}, true},
        {{0xFFFFFFFF, 0xFFFFFFFF}, {1, 1}, true},
        {{0x12348086, 0}, {0, 0}, true},
        {{0xFFFFFFFF, 0x12345678}, {1, 0}, true},
        {{0xFFFFFFFF, 0x12345678}, {1, 1}, false},
        {{0x12348086, 0xFFFFFFFF}, {1, 1}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegisterWatch::Gone(c.dwords, c.readable), c.gone) << c.dwords.size();
}
