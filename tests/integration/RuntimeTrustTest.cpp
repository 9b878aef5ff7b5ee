// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/AppProcess.h"
#include "support/DriverProcesses.h"
#include "support/DriverStop.h"
#include "support/OtherUser.h"

// Another user prepares the runtime directory before we ever start: theirs,
// ours but open to them, or a link of theirs. Each is refused with a message
// naming it, and the program their planted service record names never runs.
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kBin = TARVOLENT_BIN_DIR;
const std::string kOther = std::to_string(OtherUser::kUid);
const std::string kMe = std::to_string(geteuid());

struct Trap {
    std::string runtimeDirectory;
    std::string reason;
};

class RuntimeTrustTest : public testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
        other_ = std::make_unique<OtherUser>();
        shared_ = other_->Shared();
        marker_ = shared_ / "it-ran";
        // Their program: it would leave a marker file if we ran it.
        ASSERT_TRUE(other_->Run("printf '#!/bin/sh\\ntouch " + marker_.string() + "\\n' > " +
                                Program() + " && chmod 755 " + Program()));
    }

    std::string Program() const { return (shared_ / "payload.sh").string(); }

    // The other user plants a record of the service "Borealix" in a folder.
    void PlantRecord(const fs::path& directory) {
        ASSERT_TRUE(other_->Run("mkdir -p " + (directory / "services").string() +
                                " && printf 'Name=Borealix\\nDisplayName=Borealix\\nType=1\\n"
                                "StartType=3\\nErrorControl=1\\nBinaryPath=" +
                                Program() + "\\n' > " +
                                (directory / "services/Borealix").string()));
    }

    std::vector<Trap> Traps() {
        std::vector<Trap> traps;
        fs::path theirs = shared_ / "theirs";
        EXPECT_TRUE(other_->Run("mkdir -m 777 " + theirs.string()));
        PlantRecord(theirs);
        traps.push_back(
            {theirs.string(), "it belongs to user " + kOther + ", not to this user (" + kMe + ")"});

        fs::path open = shared_ / "open";
        fs::create_directory(open);
        chmod(open.c_str(), 0777);
        PlantRecord(open);
        traps.push_back({open.string(), "it is writable by its group or by others (mode 0777)"});

        fs::path target = shared_ / "target";
        EXPECT_TRUE(other_->Run("mkdir -m 777 " + target.string()));
        PlantRecord(target);
        fs::path link = shared_ / "link";
        EXPECT_TRUE(other_->Run("ln -s " + target.string() + " " + link.string()));
        traps.push_back({link.string(), "it is a symbolic link"});
        return traps;
    }

    std::unique_ptr<OtherUser> other_;
    fs::path shared_;
    fs::path marker_;
};

TEST_F(RuntimeTrustTest, TheCliAndTheWindowRefuseAndRunNothing) {
    for (const Trap& trap : Traps()) {
        SCOPED_TRACE(trap.runtimeDirectory);
        const std::string refusal = "Error! Load driver failed!\nRefused runtime directory " +
                                    trap.runtimeDirectory + ": " + trap.reason + "\n";
        const std::vector<std::pair<std::string, std::string>> environment = {
            {"BOREALIX_RUNTIME_DIR", trap.runtimeDirectory}, {"QT_QPA_PLATFORM", "offscreen"}};
        for (const auto& machine : {std::vector<std::string>{}, {"--machine", "builtin"}}) {
            std::vector<std::string> arguments = machine;
            arguments.push_back("scan");
            AppProcess cli(kBin + "/tarvolent-cli", arguments, environment);
            EXPECT_EQ(cli.WaitForExit(20s), 1);
            EXPECT_EQ(cli.StandardError(), refusal);

            AppProcess window(kBin + "/tarvolent", machine, environment);
            EXPECT_EQ(window.WaitForExit(20s), 1);
            // (Qt may say a word of its own on stderr first.)
            EXPECT_NE(window.StandardError().find("TARVOLENT: " + refusal), std::string::npos)
                << window.StandardError();
        }
        EXPECT_FALSE(fs::exists(marker_)) << "their program ran";
        EXPECT_FALSE(fs::exists(fs::path(trap.runtimeDirectory) / "machines"));
    }
}

// Another user makes borealix-UID in the temporary directory before we do,
// with their service record in it, and folders named as ours would be. The
// CLI says so and serves from a private folder of its own, the same one for
// the next program; nothing of theirs is used or run.
TEST_F(RuntimeTrustTest, ASquattedTemporaryFolderGivesWayToAPrivateOne) {
    const fs::path squatted = shared_ / ("borealix-" + kMe);
    EXPECT_TRUE(other_->Run("mkdir -m 777 " + squatted.string()));
    PlantRecord(squatted);
    EXPECT_TRUE(other_->Run("mkdir -m 777 " + squatted.string() + "-AAAAAA && ln -s " +
                            shared_.string() + " " + squatted.string() + "-000000"));
    const std::vector<std::pair<std::string, std::string>> environment = {
        {"BOREALIX_RUNTIME_DIR", ""}, {"XDG_RUNTIME_DIR", ""}, {"TMPDIR", shared_.string()}};
    std::string serving;
    for (int run = 0; run < 2; ++run) {
        AppProcess cli(kBin + "/tarvolent-cli", {"--machine", "builtin", "read", "00:00.0", "0"},
                       environment);
        EXPECT_EQ(cli.WaitForExit(20s), 0) << cli.StandardError();
        const std::string note = "Note: " + squatted.string() +
                                 " is not used (it belongs to user " + kOther +
                                 ", not to this user (" + kMe + ")): ";
        const std::string err = cli.StandardError();
        ASSERT_EQ(err.rfind(note, 0), 0u) << err;
        const std::string folder =
            err.substr(note.size(), err.find(" serves instead\n") - note.size());
        EXPECT_EQ(folder.size(), squatted.string().size() + 7) << folder;
        EXPECT_TRUE(serving.empty() || folder == serving) << "the second program finds the first's";
        serving = folder;
    }
    struct stat info {};
    ASSERT_EQ(lstat(serving.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(StopDriversUnder(serving).size(), 1u) << "one driver served both";
    EXPECT_FALSE(fs::exists(marker_)) << "their program ran";
    EXPECT_FALSE(fs::exists(squatted / "machines"));
}

}  // namespace
