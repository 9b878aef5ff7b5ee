// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "memory/hexedit/HexDataFile.h"
#include "memory/hexedit/HexPatternSearch.h"
#include "memory/hexedit/PatternScan.h"
#include "memory/hexedit/PatternStream.h"
#include "support/HexDumpDirectory.h"

namespace {

using Kernel = PatternScan::Kernel;

uint8_t Fold(uint8_t c) {
    return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c;
}

// Every position at which the pattern lies, compared byte by byte.
std::vector<uint64_t> NaiveMatches(const std::vector<uint8_t>& data,
                                   const std::vector<uint8_t>& pattern, bool exact,
                                   uint64_t from = 0) {
    std::vector<uint64_t> found;
    for (uint64_t p = from; p + pattern.size() <= data.size(); ++p) {
        size_t i = 0;
        while (i < pattern.size() &&
               (exact ? data[p + i] == pattern[i] : Fold(data[p + i]) == Fold(pattern[i])))
            ++i;
        if (i == pattern.size()) found.push_back(p);
    }
    return found;
}

std::vector<uint64_t> ScanMatches(Kernel kernel, const std::vector<uint8_t>& data,
                                  const std::vector<uint8_t>& pattern, bool exact) {
    const PatternScan scan(pattern, exact);
    std::vector<uint64_t> found;
    for (uint64_t p = 0;
         (p = scan.NextWith(kernel, data.data(), data.size(), p)) != PatternScan::kNone; ++p)
        found.push_back(p);
    return found;
}

std::vector<Kernel> Kernels() {
    std::vector<Kernel> kernels;
    for (Kernel kernel : {Kernel::Portable, Kernel::Sse2, Kernel::Avx2})
        if (PatternScan::Supported(kernel)) kernels.push_back(kernel);
    return kernels;
}

}  // namespace

TEST(PatternScan, EveryKernelFindsWhatTheNaiveSearchFinds) {
    std::mt19937 random(20240607);
    // Few byte values, so that first and last bytes pass the filter often and
    // the full compare decides; '@' and '`', '[' and '{' differ by the case
    // bit but are no letters.
    const uint8_t alphabet[] = {'a', 'A', 'b', 'B', '@', '`', '[', '{', 0x00, 0xFF};
    for (size_t length = 1; length <= 259; ++length) {
        std::vector<uint8_t> data(600 + random() % 700);
        for (uint8_t& byte : data)
            byte = alphabet[random() % 4 == 0 ? random() % 10 : random() % 2];
        // A pattern taken from the data, some letters turned to the other case.
        const size_t at = random() % (data.size() - length);
        std::vector<uint8_t> pattern(data.begin() + at, data.begin() + at + length);
        for (uint8_t& byte : pattern)
            if (random() % 8 == 0 && (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z') byte ^= 0x20;
        for (bool exact : {true, false}) {
            const std::vector<uint64_t> expected = NaiveMatches(data, pattern, exact);
            for (Kernel kernel : Kernels())
                ASSERT_EQ(ScanMatches(kernel, data, pattern, exact), expected)
                    << "length " << length << " exact " << exact << " kernel "
                    << static_cast<int>(kernel);
        }
    }
}

TEST(PatternScan, EveryByteValueFoldsOnlyAsALetter) {
    // Each value once in either order with its case-bit partner, and at the
    // very start and end, where the vector loads end.
    std::vector<uint8_t> data;
    for (int value = 0; value < 256; ++value) {
        data.push_back(static_cast<uint8_t>(value));
        data.push_back(static_cast<uint8_t>(value ^ 0x20));
        data.push_back(0x5A);
        data.push_back(static_cast<uint8_t>(value));
    }
    for (int value = 0; value < 256; ++value) {
        const uint8_t byte = static_cast<uint8_t>(value);
        for (const std::vector<uint8_t>& pattern :
             {std::vector<uint8_t>{byte}, std::vector<uint8_t>{byte, 0x5A},
              std::vector<uint8_t>{0x5A, byte}, std::vector<uint8_t>{byte, 0x5A, byte}}) {
            for (bool exact : {true, false}) {
                const std::vector<uint64_t> expected = NaiveMatches(data, pattern, exact);
                for (Kernel kernel : Kernels())
                    ASSERT_EQ(ScanMatches(kernel, data, pattern, exact), expected)
                        << "value " << value << " exact " << exact;
            }
        }
    }
}

TEST(PatternScan, EdgesOfTheRange) {
    const std::vector<uint8_t> data = {'x', 'y', 'z'};
    const PatternScan empty({}, true);
    EXPECT_EQ(empty.Next(data.data(), 3, 2), 2u);
    EXPECT_EQ(empty.Next(data.data(), 3, 3), 3u);
    EXPECT_EQ(empty.Next(data.data(), 3, 4), PatternScan::kNone);
    const PatternScan longer({'x', 'y', 'z', 'w'}, true);
    EXPECT_EQ(longer.Next(data.data(), 3), PatternScan::kNone);
    const PatternScan tail({'Y', 'Z'}, false);
    EXPECT_EQ(tail.Next(data.data(), 3), 1u);
    EXPECT_EQ(tail.Next(data.data(), 3, 2), PatternScan::kNone);
    EXPECT_EQ(tail.Next(data.data(), 2), PatternScan::kNone);
}

// The windows overlap by the pattern's length: matches that straddle a
// window's end, or begin in its last bytes, are found in order.
TEST(PatternScan, FindCrossesEveryWindowBoundary) {
    HexDumpDirectory dir;
    const uint64_t window = HexPatternSearch::kWindowBytes;
    std::vector<uint8_t> data(2 * window + 600, '.');
    std::mt19937 random(5);
    for (size_t length : {size_t{1}, size_t{2}, size_t{7}, size_t{259}}) {
        std::vector<uint8_t> pattern(length);
        for (uint8_t& byte : pattern) byte = static_cast<uint8_t>('A' + random() % 26);
        std::fill(data.begin(), data.end(), '.');
        // Around the end of the first two windows of a search from 1.
        std::vector<uint64_t> planted;
        for (uint64_t end : {1 + window, 1 + 2 * window - length}) {
            for (uint64_t at : {end - length - 1, end - length, end - length + 1, end - 1, end})
                if (planted.empty() || at >= planted.back() + length) planted.push_back(at);
        }
        for (uint64_t at : planted) std::copy(pattern.begin(), pattern.end(), data.begin() + at);
        dir.WriteData(data);
        HexDataFile file;
        ASSERT_TRUE(file.Open(dir.DataPath()));
        for (bool exact : {true, false}) {
            std::vector<uint8_t> sought = pattern;
            if (!exact) sought[0] ^= 0x20;
            std::vector<uint64_t> found;
            for (uint64_t start = 1;;) {
                const auto match = HexPatternSearch::Find(file, data.size(), start, sought, exact);
                if (!match) break;
                found.push_back(*match);
                start = *match + 1;
            }
            EXPECT_EQ(found, NaiveMatches(data, sought, exact, 1)) << "length " << length;
        }
    }
}

TEST(PatternStream, PiecesOfAnySizeGiveEveryMatchOnce) {
    std::mt19937 random(99);
    for (size_t length : {size_t{1}, size_t{2}, size_t{3}, size_t{16}, size_t{100}, size_t{259}}) {
        // Runs of one letter in either case: matches overlap and straddle.
        std::vector<uint8_t> data(5000);
        for (uint8_t& byte : data) byte = random() % 50 == 0 ? 'b' : (random() % 2 ? 'a' : 'A');
        const std::vector<uint8_t> pattern(length, 'a');
        for (bool exact : {true, false}) {
            PatternStream stream(pattern, exact);
            std::vector<uint64_t> found;
            for (size_t at = 0; at < data.size();) {
                // Pieces from nothing to longer than the pattern.
                const size_t piece =
                    std::min(data.size() - at, size_t(random() % (2 * length + 3)));
                stream.Feed(data.data() + at, piece, [&](uint64_t p) { found.push_back(p); });
                at += piece;
            }
            EXPECT_EQ(found, NaiveMatches(data, pattern, exact)) << "length " << length;
        }
    }
}
