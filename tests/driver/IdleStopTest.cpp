// SPDX-License-Identifier: MIT
#include "driver/IdleStop.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/trust/FileLock.h"

namespace {

class IdleStopTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tv-idle-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
};

TEST_F(IdleStopTest, OnlyARunningProgramKeepsAnIdleDriver) {
    const std::string lock = (folder_ / "Borealix.clients").string();
    IdleStop idle(std::chrono::seconds(0), lock);
    {
        FileLock program;
        ASSERT_EQ(program.Acquire(lock, FileLock::Mode::Shared), FileLock::Result::Locked);
        EXPECT_FALSE(idle.TimeToStop());
    }
    EXPECT_TRUE(idle.TimeToStop());
}

// A driver whose runtime folder was removed can never be reached again: it
// must not wait for a program forever.
TEST_F(IdleStopTest, ADriverWhoseFolderIsGoneStillStops) {
    IdleStop idle(std::chrono::seconds(0), (folder_ / "gone" / "Borealix.clients").string());
    EXPECT_TRUE(idle.TimeToStop());
    IdleStop waiting(std::chrono::seconds(3600), (folder_ / "gone" / "Borealix.clients").string());
    EXPECT_FALSE(waiting.TimeToStop());
}

// The system driver handed its socket by systemd: no program takes a lock
// there, so only the time counts.
TEST_F(IdleStopTest, WithoutAClientsFileOnlyTheTimeCounts) {
    const std::pair<std::chrono::seconds, bool> cases[] = {{std::chrono::seconds(0), true},
                                                           {std::chrono::seconds(3600), false}};
    for (const auto& [period, stops] : cases) {
        IdleStop idle(period, "");
        EXPECT_EQ(idle.TimeToStop(), stops) << period.count();
    }
}

}  // namespace
