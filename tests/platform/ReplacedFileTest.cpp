// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/trust/ReplacedFile.h"
#include "support/FileMode.h"
#include "support/FileText.h"
#include "support/OtherUser.h"

namespace {

namespace fs = std::filesystem;

// Nothing but the file itself is left in its folder: no half-written copy.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Written whole with the mode asked for, whatever the umask, over an older
// file of this user's as over none.
TEST(ReplacedFile, ReplacesWholeWithTheModeAskedFor) {
    const fs::path folder = fs::path(::testing::TempDir()) / "replaced-file";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path path = folder / "tarvolent.prom";
    const mode_t mask = umask(077);
    std::string problem;
    EXPECT_TRUE(output_file::Replace(path.string(), "first\n", 0644, &problem)) << problem;
    EXPECT_EQ(ReadWholeFile(path.string()), "first\n");
    EXPECT_EQ(ModeOf(path), 0644u);
    chmod(path.c_str(), 0600);
    EXPECT_TRUE(output_file::Replace(path.string(), "second\n", 0644, &problem)) << problem;
    umask(mask);
    EXPECT_EQ(ReadWholeFile(path.string()), "second\n");
    EXPECT_EQ(ModeOf(path), 0644u);
    EXPECT_EQ(Names(folder), std::vector<std::string>{"tarvolent.prom"});

    // A folder that is not there, a name that is a folder: refused, nothing left behind.
    EXPECT_FALSE(output_file::Replace((folder / "no/such.prom").string(), "x", 0644, &problem));
    EXPECT_NE(problem.find("No such file"), std::string::npos) << problem;
    fs::create_directory(folder / "dir.prom");
    EXPECT_FALSE(output_file::Replace((folder / "dir.prom").string(), "x", 0644, &problem));
    EXPECT_EQ(problem, "it is not a regular file");
    EXPECT_FALSE(output_file::Replace(folder.string() + "/", "x", 0644, &problem));
    EXPECT_EQ(problem, "it names no file");
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"dir.prom", "tarvolent.prom"}));
    fs::remove_all(folder);
}

// What another user planted at the name stays as it was.
TEST(ReplacedFile, WhatAnotherUserPlantedIsRefused) {
    if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OtherUser other;
    const fs::path shared = other.Shared();
    const fs::path victim = shared.parent_path() / "root-file";
    std::ofstream(victim) << "root's";
    struct Planted {
        const char* name;
        std::string command;
        std::string refusal;
    };
    const Planted planted[] = {
        {"theirs.prom", "printf theirs > " + (shared / "theirs.prom").string(),
         "it belongs to user " + std::to_string(OtherUser::kUid)},
        {"link.prom", "ln -s " + victim.string() + " " + (shared / "link.prom").string(),
         "it is a symbolic link"},
        {"fifo.prom", "mkfifo " + (shared / "fifo.prom").string(), "it is not a regular file"},
    };
    for (const Planted& p : planted) {
        SCOPED_TRACE(p.name);
        ASSERT_TRUE(other.Run(p.command));
        std::string problem;
        EXPECT_FALSE(output_file::Replace((shared / p.name).string(), "mine", 0644, &problem));
        EXPECT_EQ(problem, p.refusal);
    }
    EXPECT_EQ(ReadWholeFile((shared / "theirs.prom").string()), "theirs");
    EXPECT_EQ(ReadWholeFile(victim.string()), "root's");
    EXPECT_EQ(Names(shared), (std::vector<std::string>{"fifo.prom", "link.prom", "theirs.prom"}));
}

}  // namespace
