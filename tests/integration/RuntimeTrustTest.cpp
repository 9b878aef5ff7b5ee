#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/AppProcess.h"
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

}  // namespace
