// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "hw/SystemFunctions.h"
#include "hw/UserFileDirectory.h"
#include "platform/Seam.h"
#include "support/FakeSystemServices.h"

namespace {

struct VersionRow {
    uint32_t platform, major, minor;
    int expected;
};

TEST(ClassifyWindowsVersion, EveryRowOfTheTable) {
    const VersionRow rows[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, OS_WIN9X},   // 95
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, OS_WIN9X},  // 98
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, OS_WINME},
        {VER_PLATFORM_WIN32_WINDOWS, 5, 2, OS_WIN2003},
        {VER_PLATFORM_WIN32_NT, 5, 0, OS_WIN2000},
        {VER_PLATFORM_WIN32_NT, 5, 1, OS_WINXP},
        {VER_PLATFORM_WIN32_NT, 5, 2, OS_WIN2003},
        {VER_PLATFORM_WIN32_NT, 4, 0, OS_OTHER},
        {VER_PLATFORM_WIN32_NT, 6, 0, OS_OTHER},
        {VER_PLATFORM_WIN32_NT, 10, 0, OS_OTHER},
        {VER_PLATFORM_WIN32s, 3, 1, OS_OTHER},
        {VER_PLATFORM_WIN32s, 5, 2, OS_WIN2003},
        {VER_PLATFORM_OTHER, 0, 0, OS_OTHER},
        {VER_PLATFORM_OTHER, 5, 2, OS_WIN2003},
    };
    FakeSystemServices system;
    ScopedOverride<SystemServices> guard(system);
    for (const VersionRow& row : rows) {
        system.SetVersion(row.platform, row.major, row.minor);
        EXPECT_EQ(ClassifyWindowsVersion(), row.expected)
            << "platform " << row.platform << " version " << row.major << "." << row.minor;
    }
    EXPECT_TRUE(IsWin9xFamily(OS_WIN9X));
    EXPECT_TRUE(IsWin9xFamily(OS_WINME));
    for (int code : {OS_OTHER, OS_WIN2000, OS_WINXP, OS_WIN2003}) EXPECT_FALSE(IsWin9xFamily(code));
}

TEST(ClassifyWindowsVersion, ThisSystemTakesTheDriverRoute) {
    EXPECT_EQ(ClassifyWindowsVersion(), OS_OTHER);
    OsVersionInfo info{};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_TRUE(SystemServices::Native().GetVersionEx(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_OTHER);
}

TEST(ParseHexField, ConvertsTheWholeTextIntoThirtyTwoBits) {
    struct Row {
        const char* text;
        uint32_t value;
        bool fits;
    };
    const Row rows[] = {
        {"ff", 0xFF, true},
        {"DeadBeef", 0xDEADBEEF, true},
        // Leading zeros never change the value, however many there are.
        {"0E0000000", 0xE0000000, true},
        {"000000000000000000000001", 1, true},
        {"0", 0, true},
        // Wider numbers keep their low 32 bits and say so.
        {"123456789", 0x23456789, false},
        {"100000000", 0, false},
        {"FFFFFFFFFFFFFFFFFFFF", 0xFFFFFFFF, false},
    };
    for (const Row& row : rows) {
        const std::optional<HexField> field = ParseHexField(row.text);
        ASSERT_TRUE(field) << row.text;
        EXPECT_EQ(field->value, row.value) << row.text;
        EXPECT_EQ(field->fits, row.fits) << row.text;
        EXPECT_EQ(ParseExactHexField(row.text), row.fits ? std::optional(row.value) : std::nullopt)
            << row.text;
    }
    for (const char* text : {"", "0x1", " 1", "1 ", "-1", "1g"}) {
        EXPECT_FALSE(ParseHexField(text)) << text;
        EXPECT_FALSE(ParseExactHexField(text)) << text;
    }
}

TEST(ParseHexFieldBytes, PairsDigitsFromTheLeftAfterAPaddingZero) {
    EXPECT_EQ(ParseHexFieldBytes("a"), (std::vector<uint8_t>{0x0A}));
    EXPECT_EQ(ParseHexFieldBytes("4142"), (std::vector<uint8_t>{0x41, 0x42}));
    EXPECT_EQ(ParseHexFieldBytes("1A2"), (std::vector<uint8_t>{0x01, 0xA2}));
    EXPECT_FALSE(ParseHexFieldBytes(""));
    EXPECT_FALSE(ParseHexFieldBytes("41 42"));
}

TEST(IsHexString, AcceptsOnlyNonEmptyHexDigits) {
    EXPECT_EQ(IsHexString(""), 0);
    EXPECT_EQ(IsHexString("0123456789abcdefABCDEF"), 1);
    EXPECT_EQ(IsHexString("fF"), 1);
    EXPECT_EQ(IsHexString("12g4"), 0);
    EXPECT_EQ(IsHexString("G"), 0);
    EXPECT_EQ(IsHexString(" 12"), 0);
    EXPECT_EQ(IsHexString("12 "), 0);
    EXPECT_EQ(IsHexString("0x12"), 0);
    EXPECT_EQ(IsHexString(std::string("1\0", 2)), 0);
}

TEST(ProgramDirectory, CutsAtTheLastSlashAndChangesDirectory) {
    FakeSystemServices system;
    ScopedOverride<SystemServices> guard(system);
    system.moduleFileName = "/a/b.c/tarvolent";
    EXPECT_EQ(ProgramDirectory(), "/a/b.c/");
    EXPECT_EQ(system.currentDirectory, "/a/b.c");
    system.moduleFileName = "/tarvolent";
    EXPECT_EQ(ProgramDirectory(), "/");
    EXPECT_EQ(system.currentDirectory, "/");
    system.currentDirectory = "/keep";
    system.moduleFileName = "";
    EXPECT_EQ(ProgramDirectory(), "");
    EXPECT_EQ(system.currentDirectory, "/keep");
}

// An installed program directory is read-only for users: their files go
// home instead, and the program directory is still made current.
TEST(UserFileDirectory, ProgramDirectoryOnlyWhereTheUserMayWrite) {
    FakeSystemServices system;
    ScopedOverride<SystemServices> guard(system);
    system.moduleFileName = "/usr/lib/tarvolent/tarvolent";
    EXPECT_EQ(UserFileDirectory(), "/usr/lib/tarvolent/");
    system.directoriesWritable = false;
    system.currentDirectory = "/elsewhere";
    EXPECT_EQ(UserFileDirectory(), "/home/tester/");
    EXPECT_EQ(system.currentDirectory, "/usr/lib/tarvolent");
    system.homeDirectory.clear();
    EXPECT_EQ(UserFileDirectory(), "/usr/lib/tarvolent/");
}

TEST(ProcessorCount, ComesFromTheSystemServices) {
    FakeSystemServices system;
    system.processors = 12;
    {
        ScopedOverride<SystemServices> guard(system);
        EXPECT_EQ(ProcessorCount(), 12);
    }
    EXPECT_GE(ProcessorCount(), 1);
}

}  // namespace
