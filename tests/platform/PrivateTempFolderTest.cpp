// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/SystemServices.h"
#include "platform/trust/PrivateTempFolder.h"
#include "platform/trust/RuntimeDirectory.h"
#include "support/EnvironmentGuard.h"
#include "support/OtherUser.h"

namespace {

namespace fs = std::filesystem;

// A temporary directory of the test's own in $TMPDIR.
class PrivateTempFolderTest : public testing::Test {
  protected:
    void SetUp() override {
        // Made under the usual temporary directory, where another user can go.
        if (OtherUser::Unavailable().empty()) other_ = std::make_unique<OtherUser>();
        temp_ = fs::path(RuntimeDirectory()) / "tmpdir";
        fs::remove_all(temp_);
        fs::create_directories(temp_);
        setenv("TMPDIR", temp_.c_str(), 1);
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(temp_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    EnvironmentGuard tmpdir_{"TMPDIR"};
    std::unique_ptr<OtherUser> other_;
    fs::path temp_;
};

// A child that makes its folder with a file in it, does `prepare`, says
// where the folder is, then does `then`: its pid and the folder.
template <class Then, class Prepare = void (*)()>
std::pair<int, std::string> ChildWithFolder(
    Then then, Prepare prepare = [] {}) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        std::string folder = SystemServices::Native().TempPath();
        std::ofstream(folder + "Memory1.tmp") << "physical memory";
        prepare();
        (void)!write(pipeFds[1], folder.data(), folder.size());
        close(pipeFds[1]);
        then();
        std::exit(0);
    }
    close(pipeFds[1]);
    char buffer[4096];
    ssize_t got = read(pipeFds[0], buffer, sizeof(buffer));
    close(pipeFds[0]);
    return {pid, got > 0 ? std::string(buffer, static_cast<size_t>(got)) : std::string()};
}

int WaitFor(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST_F(PrivateTempFolderTest, EachProcessHasItsOwnFolderGoneWhenItEnds) {
    auto [first, folder] = ChildWithFolder([] {});
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(fs::path(folder).parent_path().parent_path(), temp_);
    int status = WaitFor(first);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_TRUE(Entries().empty()) << "a normal exit leaves nothing";

    // Two processes at once: two folders, each private.
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    auto waitForRelease = [&] {
        char byte;
        (void)!read(release[0], &byte, 1);
    };
    auto [a, folderA] = ChildWithFolder(waitForRelease);
    auto [b, folderB] = ChildWithFolder(waitForRelease);
    EXPECT_NE(folderA, folderB);
    struct stat info {};
    ASSERT_EQ(stat(folderA.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(fs::path(folderA).parent_path().filename().string().rfind(
                  "tarvolent-" + std::to_string(a) + "-", 0),
              0u);
    EXPECT_EQ(Entries().size(), 2u);
    (void)!write(release[1], "ab", 2);
    WaitFor(a);
    WaitFor(b);
    close(release[0]);
    close(release[1]);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(PrivateTempFolderTest, TerminationSignalsRemoveTheFolderAndStillEndTheProcess) {
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signalNumber));
        auto [pid, folder] = ChildWithFolder(
            [] {
                for (;;) pause();
            },
            [] { private_temp::RemoveOnSignals(); });
        ASSERT_TRUE(fs::exists(folder));
        kill(pid, signalNumber);
        int status = WaitFor(pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber);
        EXPECT_FALSE(fs::exists(folder));
    }
}

TEST_F(PrivateTempFolderTest, AtStartTheFoldersOfDeadProcessesOfThisUserAreRemoved) {
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    auto [alive, aliveFolder] = ChildWithFolder([&] {
        char byte;
        (void)!read(release[0], &byte, 1);
    });
    auto [killed, deadFolder] = ChildWithFolder([] {
        for (;;) pause();
    });
    kill(killed, SIGKILL);  // no chance to clean up
    WaitFor(killed);
    ASSERT_TRUE(fs::exists(deadFolder));

    // A process that ended, whose pid now runs something else: the start
    // time in the name tells them apart.
    const fs::path reused = temp_ / ("tarvolent-" + std::to_string(getpid()) + "-1-abcdef");
    fs::create_directory(reused);
    fs::permissions(reused, fs::perms::owner_all);
    // Names that are not such folders, and a link with such a name.
    fs::create_directory(temp_ / "tarvolent-test-abcdef");
    fs::create_directory_symlink(temp_ / "tarvolent-test-abcdef",
                                 temp_ / ("tarvolent-" + std::to_string(killed) + "-9-zzzzzz"));

    EXPECT_EQ(private_temp::RemoveLeftovers(), 2);
    EXPECT_FALSE(fs::exists(deadFolder));
    EXPECT_FALSE(fs::exists(reused));
    EXPECT_TRUE(fs::exists(aliveFolder));
    EXPECT_TRUE(fs::exists(temp_ / "tarvolent-test-abcdef"));
    EXPECT_TRUE(fs::is_symlink(temp_ / ("tarvolent-" + std::to_string(killed) + "-9-zzzzzz")));
    (void)!write(release[1], "x", 1);
    WaitFor(alive);
    close(release[0]);
    close(release[1]);

    // Another user's folder of a dead process is theirs to clean up.
    if (!other_) return;
    setenv("TMPDIR", other_->Shared().c_str(), 1);
    const fs::path theirs =
        other_->Shared() / ("tarvolent-" + std::to_string(killed) + "-5-qwerty");
    ASSERT_TRUE(other_->Run("mkdir -m 700 " + theirs.string()));
    EXPECT_EQ(private_temp::RemoveLeftovers(), 0);
    EXPECT_TRUE(fs::exists(theirs));
}

}  // namespace
