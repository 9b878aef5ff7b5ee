// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/ServiceManager.h"
#include "platform/trust/FileLock.h"
#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/TrustRefusals.h"
#include "platform/trust/TrustedPath.h"
#include "protocol/ErrorCodes.h"
#include "support/EnvironmentGuard.h"
#include "support/OtherUser.h"

namespace {

namespace fs = std::filesystem;
using trusted_path::DirectoryProblem;

const std::string kOther = std::to_string(OtherUser::kUid);
const std::string kMe = std::to_string(geteuid());

fs::path Fresh(const std::string& name, mode_t mode) {
    fs::path path = fs::path(RuntimeDirectory()) / name;
    fs::remove_all(path);
    fs::create_directories(path);
    chmod(path.c_str(), mode);
    return path;
}

TEST(TrustedPath, OnlyOurOwnPrivateDirectoriesAreTrusted) {
    fs::path ours = Fresh("trust-ours", 0700);
    EXPECT_EQ(DirectoryProblem(ours), "");
    EXPECT_EQ(DirectoryProblem(Fresh("trust-readable", 0755)), "");
    EXPECT_EQ(DirectoryProblem(Fresh("trust-group", 0770)),
              "it is writable by its group or by others (mode 0770)");
    EXPECT_EQ(DirectoryProblem(Fresh("trust-others", 01777)),
              "it is writable by its group or by others (mode 1777)");
    fs::path link = fs::path(RuntimeDirectory()) / "trust-link";
    fs::remove(link);
    fs::create_directory_symlink(ours, link);
    EXPECT_EQ(DirectoryProblem(link), "it is a symbolic link");
    std::ofstream(ours / "file") << "x";
    EXPECT_EQ(DirectoryProblem(ours / "file"), "it is not a directory");
    EXPECT_EQ(DirectoryProblem(ours / "absent"),
              "it cannot be examined: No such file or directory");

    // Below a folder others may write, ours could be swapped for theirs.
    fs::path open = Fresh("trust-open", 0777);
    fs::create_directory(open / "inner");
    chmod((open / "inner").c_str(), 0700);
    EXPECT_EQ(DirectoryProblem(open / "inner"),
              "the folder " + open.string() + " above it is writable by others (mode 0777)");
    chmod(open.c_str(), 01777);  // sticky, as /tmp: nobody may rename what is ours
    EXPECT_EQ(DirectoryProblem(open / "inner"), "");
}

TEST(TrustedPath, FoldersOfAnotherUserAreRefused) {
    if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OtherUser other;
    const fs::path theirs = other.Shared() / "theirs";
    ASSERT_TRUE(other.Run("mkdir -m 700 " + theirs.string()));
    EXPECT_EQ(DirectoryProblem(theirs),
              "it belongs to user " + kOther + ", not to this user (" + kMe + ")");

    // Ours, inside theirs: they may rename it away and put their own there.
    const fs::path above = other.Shared() / "above";
    ASSERT_TRUE(other.Run("mkdir -m 777 " + above.string()));
    fs::create_directory(above / "ours");
    chmod((above / "ours").c_str(), 0700);
    EXPECT_EQ(DirectoryProblem(above / "ours"),
              "the folder " + above.string() + " above it belongs to user " + kOther);

    // A link they placed above ours points wherever they like.
    const fs::path link = other.Shared() / "link";
    fs::path target = Fresh("trust-target", 0700);
    fs::create_directory(target / "ours");
    chmod((target / "ours").c_str(), 0700);
    ASSERT_TRUE(other.Run("ln -s " + target.string() + " " + link.string()));
    EXPECT_EQ(DirectoryProblem(link / "ours"),
              "the folder " + link.string() + " above it is a link of user " + kOther);
}

TEST(TrustedPath, OpenFileRefusesLinksFifosAndFilesOthersMayWrite) {
    fs::path folder = Fresh("trust-files", 0700);
    std::string problem;
    int fd = trusted_path::OpenFile(folder / "new.lock", O_RDWR | O_CREAT, &problem);
    ASSERT_GE(fd, 0) << problem;
    struct stat info {};
    fstat(fd, &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    close(fd);

    fs::create_symlink(folder / "new.lock", folder / "link");
    EXPECT_LT(trusted_path::OpenFile(folder / "link", O_RDONLY, &problem), 0);
    EXPECT_EQ(problem, "it is a symbolic link");

    // A FIFO must neither hang the open nor be taken for a record.
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_LT(trusted_path::OpenFile(folder / "fifo", O_RDONLY, &problem), 0);
    EXPECT_EQ(problem, "it is not a regular file");

    std::ofstream(folder / "shared") << "x";
    chmod((folder / "shared").c_str(), 0666);
    EXPECT_LT(trusted_path::OpenFile(folder / "shared", O_RDONLY, &problem), 0);
    EXPECT_EQ(problem, "it is writable by its group or by others (mode 0666)");

    EXPECT_LT(trusted_path::OpenFile(folder / "absent", O_RDONLY, &problem), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(problem, "");
}

TEST(FileLock, SharedHoldersKeepAnExclusiveOneOutUntilTheyGo) {
    fs::path folder = Fresh("trust-locks", 0700);
    const std::string path = (folder / "x.clients").string();
    FileLock first, second, exclusive;
    EXPECT_EQ(first.Acquire(path, FileLock::Mode::Shared), FileLock::Result::Locked);
    EXPECT_EQ(second.Acquire(path, FileLock::Mode::Shared), FileLock::Result::Locked);
    EXPECT_EQ(exclusive.Acquire(path, FileLock::Mode::Exclusive, std::chrono::milliseconds(50)),
              FileLock::Result::Busy);
    first.Release();
    second.Release();
    EXPECT_EQ(exclusive.Acquire(path, FileLock::Mode::Exclusive), FileLock::Result::Locked);

    fs::create_symlink(path, folder / "planted.lock");
    FileLock planted;
    EXPECT_EQ(planted.Acquire((folder / "planted.lock").string(), FileLock::Mode::Exclusive),
              FileLock::Result::Refused);
    EXPECT_NE(NotedRefusals().find("Refused lock file " + (folder / "planted.lock").string() +
                                   ": it is a symbolic link"),
              std::string::npos);
}

// The service manager's records name the program it runs: a record it
// cannot trust is never opened, let alone run.
TEST(ServiceRecords, RecordsThatMayNotBeTrustedAreRefused) {
    EnvironmentGuard runtime("BOREALIX_RUNTIME_DIR");
    fs::path directory = Fresh("trust-records", 0700);
    setenv("BOREALIX_RUNTIME_DIR", directory.c_str(), 1);
    ServiceManager& services = ServiceManager::Native();
    ScHandle manager = services.OpenSCManager(SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, 0);
    const fs::path records = directory / "services";
    std::ofstream(directory / "elsewhere") << "Name=Linked\nBinaryPath=/bin/true\n";
    fs::create_symlink(directory / "elsewhere", records / "Linked");
    std::ofstream(records / "Open") << "Name=Open\nBinaryPath=/bin/true\n";
    chmod((records / "Open").c_str(), 0622);
    for (const char* name : {"Linked", "Open"}) {
        EXPECT_EQ(services.OpenService(manager, name, SERVICE_ALL_ACCESS), 0) << name;
        EXPECT_EQ(services.GetLastError(), ERROR_ACCESS_DENIED) << name;
    }
    EXPECT_NE(NotedRefusals().find("Refused service record " + (records / "Open").string() +
                                   ": it is writable by its group or by others (mode 0622)"),
              std::string::npos)
        << NotedRefusals();
    services.CloseServiceHandle(manager);

    // A services folder others may write is refused as a whole.
    chmod(records.c_str(), 0777);
    EXPECT_EQ(services.OpenSCManager(SC_MANAGER_ALL_ACCESS), 0);
    EXPECT_EQ(services.GetLastError(), ERROR_ACCESS_DENIED);
    chmod(directory.c_str(), 0777);
    EXPECT_EQ(services.OpenSCManager(SC_MANAGER_ALL_ACCESS), 0);
    EXPECT_NE(NotedRefusals().find("Refused runtime directory " + directory.string()),
              std::string::npos);
    chmod(directory.c_str(), 0700);
}

}  // namespace
