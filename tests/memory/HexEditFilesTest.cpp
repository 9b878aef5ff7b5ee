// SPDX-License-Identifier: MIT
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "HexModelFixture.h"

TEST_F(HexModelTest, AttachCreatesAZeroMapBesideTheDataAndDestructionDeletesBoth) {
    {
        HexEditModel local;
        dir.WriteData(HexDumpDirectory::Counting(20));
        ASSERT_EQ(local.AttachDump(20, 0x1000, dir.BasePath()), 0);
        // size / 8 + 1 bytes of zeros.
        EXPECT_EQ(dir.ReadFile(dir.MapPath()), std::vector<uint8_t>(3, 0));
        EXPECT_EQ(local.Pane(), PaneHexHigh);
        EXPECT_EQ(local.BaseAddress(), 0x1000u);
        EXPECT_FALSE(local.HasSelection());

        // Detaching keeps the files; they go with the window.
        EXPECT_EQ(local.AttachDump(0, 0, "ignored"), 0);
        EXPECT_FALSE(local.Attached());
        EXPECT_EQ(local.BasePath(), dir.BasePath());
        EXPECT_TRUE(std::filesystem::exists(dir.MapPath()));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.DataPath()));
    EXPECT_FALSE(std::filesystem::exists(dir.MapPath()));
}

TEST_F(HexModelTest, AMissingDataFileFailsTheAttachAndNamesTheFile) {
    EXPECT_EQ(model.AttachDump(16, 0, dir.BasePath()), 1);
    EXPECT_FALSE(model.Attached());
    EXPECT_NE(model.LastError().find(dir.DataPath()), std::string::npos) << model.LastError();
    EXPECT_EQ(model.Char('1', false), HexCharEffect::None);

    EXPECT_EQ(model.AttachDump(16, 0, (dir.DataPath() + "/nowhere/x")), 1);
}

TEST_F(HexModelTest, AMapThatCannotBeFilledFailsTheAttachInsteadOfLosingMarks) {
    dir.WriteData(HexDumpDirectory::Counting(16));
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    // The map needs 0x100001 bytes: far more than the file may grow to.
    const int result = model.AttachDump(0x800000, 0, dir.BasePath());
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(model.Attached());
    EXPECT_NE(model.LastError().find("map.tmp"), std::string::npos) << model.LastError();
}

TEST_F(HexModelTest, ReadDataAndTheMapAreCutToTheDumpAndClearRemovesEveryMark) {
    Attach(HexDumpDirectory::Counting(20));
    uint8_t buffer[32];
    EXPECT_EQ(model.ReadData(buffer, 16, 10), 4u);
    EXPECT_EQ(buffer[0], 16);
    EXPECT_EQ(buffer[3], 19);
    EXPECT_EQ(model.ReadData(buffer, 20, 10), 0u);

    Click(57 + 1, 0);  // character pane, byte 1
    Type("x");
    Click(57 + 9, 1);  // byte 25 lies beyond the data: nothing to type into
    Type("y");
    Click(57 + 2, 1);  // byte 18
    Type("z");
    uint8_t bits[8] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(model.ReadModifiedMap(bits, 16, 100), 4u);
    EXPECT_EQ(bits[0], 0x04);  // bit 2: byte 18
    EXPECT_EQ(model.ReadModifiedMap(bits, 0, 20), 20u);
    EXPECT_EQ(bits[0], 0x02);
    EXPECT_EQ(bits[2], 0x04);

    model.ClearModifiedMap();
    EXPECT_FALSE(model.IsModified(1));
    EXPECT_FALSE(model.IsModified(18));
    EXPECT_EQ(model.ByteAt(18), 'z');
}

TEST_F(HexModelTest, BytesTheFileLacksShowAs0xFFAndAreNeverWritten) {
    // The owner promised 32 bytes but the file holds 16.
    dir.WriteData(HexDumpDirectory::Counting(16));
    model.SetCellSize(kCellWidth, kCellHeight);
    model.SetClientSize(800, 400);
    ASSERT_EQ(model.AttachDump(32, 0, dir.BasePath()), 0);
    model.LayoutIfPending();
    EXPECT_EQ(model.ByteAt(20), 0xFF);
    uint8_t buffer[32];
    model.ReadData(buffer, 0, 32);
    EXPECT_EQ(buffer[15], 15);
    EXPECT_EQ(buffer[16], 0xFF);

    Click(9 + 3 * 4, 1);  // byte 20, high nibble
    Type("1");
    EXPECT_FALSE(model.IsModified(20));
    EXPECT_EQ(model.Caret(), 20u);
    EXPECT_NE(model.LastError(), "");
    EXPECT_EQ(dir.ReadFile(dir.DataPath()).size(), 16u);
}
