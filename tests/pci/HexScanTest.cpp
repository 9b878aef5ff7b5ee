// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "pci/names/HexScan.h"

// The C library's "%x" is the reference the description files were written for.
TEST(HexScan, ReadsAsScanfHexDoes) {
    const char* inputs[] = {"8086",
                            "  \t1af4 x",
                            "0x1F",
                            "0X",
                            "0xg",
                            "+ff",
                            "-1",
                            "-0x10",
                            "x1",
                            "-",
                            "",
                            "100000000",
                            "1ffffffff",
                            "fffffffffffffffffff",
                            "0x-1",
                            " +0x2 z",
                            "\r\n10",
                            "FfFf0000q",
                            "00000000000000000001"};
    for (const char* input : inputs) {
        unsigned expected = 0xDEAD;
        bool expectedRead = std::sscanf(input, "%x", &expected) == 1;
        uint32_t value = 0xDEAD;
        bool read = ScanHex(input, input + std::strlen(input), &value);
        EXPECT_EQ(read, expectedRead) << "[" << input << "]";
        if (expectedRead) {
            EXPECT_EQ(value, expected) << "[" << input << "]";
        }
    }
}

TEST(HexScan, StopsAtTheEndOfItsTextAndReportsWhere) {
    const char text[] = "12345 rest";
    uint32_t value = 0;
    const char* stop = nullptr;
    ASSERT_TRUE(ScanHex(text, text + 3, &value, &stop));
    EXPECT_EQ(value, 0x123u);
    EXPECT_EQ(stop, text + 3);
    ASSERT_TRUE(ScanHex(text, text + sizeof text, &value, &stop));
    EXPECT_EQ(value, 0x12345u);
    EXPECT_STREQ(stop, " rest");
    EXPECT_FALSE(ScanHex(text, text, &value));
}
