// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/trust/OutputFile.h"
#include "support/FileMode.h"
#include "support/FileText.h"
#include "support/OtherUser.h"

namespace {

namespace fs = std::filesystem;
using output_file::Kind;

struct Target {
    const char* name;
    std::string planted;  // what the other user does first, NAME for the path
    Kind kind;
    std::string refusal;  // "" when the file is written
};

std::string Planted(std::string command, const fs::path& path) {
    for (size_t at; (at = command.find("NAME")) != std::string::npos;)
        command.replace(at, 4, path.string());
    return command;
}

// Root writes a report or a dump where another user prepared the name: their
// file, their link to a file of root's, a second name of one. Each is
// refused and left as it was; what is written is root's own, dumps private.
TEST(OutputFile, WhatAnotherUserPlantedIsRefusedAndLeftAsItWas) {
    if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OtherUser other;
    const fs::path shared = other.Shared();
    const fs::path victim = shared.parent_path() / "root-file";
    std::ofstream(victim) << "root's";
    const std::string belongs = "it belongs to user " + std::to_string(OtherUser::kUid);
    const Target targets[] = {
        {"theirs.dump", "printf theirs > NAME && chmod 666 NAME", Kind::MemoryDump, belongs},
        {"theirs.log", "printf theirs > NAME", Kind::Report, belongs},
        {"link.log", "ln -s " + victim.string() + " NAME", Kind::Report, "it is a symbolic link"},
        {"dangling.dump", "ln -s NAME.made NAME", Kind::MemoryDump, "it is a symbolic link"},
        {"new.dump", "true", Kind::MemoryDump, ""},
        {"new.log", "true", Kind::Report, ""},
    };
    const mode_t mask = umask(022);
    for (const Target& target : targets) {
        SCOPED_TRACE(target.name);
        const fs::path path = shared / target.name;
        ASSERT_TRUE(other.Run(Planted(target.planted, path)));
        const std::string before = ReadWholeFile(path.string());
        std::string problem;
        std::FILE* file = output_file::OpenStream(path.string(), target.kind, "w", &problem);
        EXPECT_EQ(problem, target.refusal);
        EXPECT_EQ(file == nullptr, !target.refusal.empty());
        if (file) {
            std::fputs("written", file);
            std::fclose(file);
            EXPECT_EQ(ReadWholeFile(path.string()), "written");
            EXPECT_EQ(ModeOf(path), target.kind == Kind::MemoryDump ? 0600u : 0644u);
        } else {
            EXPECT_EQ(ReadWholeFile(path.string()), before);
        }
    }
    umask(mask);
    EXPECT_EQ(ReadWholeFile(victim.string()), "root's");
    EXPECT_FALSE(fs::exists(shared / "dangling.dump.made"));
}

// A file of this user's own: a second name of it is refused, and a dump
// written over one that others could read is made private.
TEST(OutputFile, OwnFilesAreReplacedUnlessTheyHaveAnotherName) {
    const fs::path folder = fs::path(::testing::TempDir()) / "output-file";
    fs::create_directories(folder);
    std::ofstream(folder / "old.dump") << "old contents";
    chmod((folder / "old.dump").c_str(), 0644);
    fs::create_hard_link(folder / "old.dump", folder / "second.dump");
    std::string problem;
    EXPECT_EQ(output_file::Open((folder / "second.dump").string(), Kind::MemoryDump, &problem), -1);
    EXPECT_EQ(problem, "it has 2 names (hard links)");
    EXPECT_EQ(ReadWholeFile((folder / "old.dump").string()), "old contents");

    fs::remove(folder / "second.dump");
    int fd = output_file::Open((folder / "old.dump").string(), Kind::MemoryDump, &problem);
    ASSERT_GE(fd, 0) << problem;
    close(fd);
    EXPECT_EQ(ReadWholeFile((folder / "old.dump").string()), "");
    EXPECT_EQ(ModeOf(folder / "old.dump"), 0600u);
    fs::remove_all(folder);
}

}  // namespace
