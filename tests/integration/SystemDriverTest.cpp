// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver/FrameServer.h"
#include "platform/route/DriverRoute.h"
#include "platform/route/UnixSocket.h"
#include "support/AppProcess.h"
#include "support/CommandOutput.h"
#include "support/DriverProcesses.h"
#include "support/DriverStop.h"
#include "support/EnvironmentGuard.h"
#include "support/FileText.h"
#include "support/ForegroundDriver.h"
#include "support/HeldConnections.h"
#include "support/OtherUser.h"
#include "support/PciPeer.h"

// The machine's system driver, run as root on this machine's hardware (read
// only) in a folder of the test's, for a group in nobody's database entry,
// used by another user with and without that group.
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr gid_t kTestGroup = 64917;
const std::string kGroup = std::to_string(kTestGroup);
const std::string kBin = TARVOLENT_BIN_DIR;
const std::string kCli = kBin + "/tarvolent-cli";

struct UserRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

mode_t ModeOf(const fs::path& path, struct stat* info) {
    *info = {};
    EXPECT_EQ(lstat(path.c_str(), info), 0) << path;
    return info->st_mode & 07777;
}

// "BB:DD.F" of each line of a scan, from its "Bus B, Device D, Function F)".
std::vector<std::string> ScannedFunctions(const std::string& scan) {
    std::vector<std::string> functions;
    std::istringstream lines(scan);
    for (std::string line; std::getline(lines, line);) {
        unsigned bus = 0, device = 0, function = 0;
        size_t at = line.rfind("Bus ");
        if (at == std::string::npos ||
            std::sscanf(line.c_str() + at, "Bus %X, Device %X, Function %X)", &bus, &device,
                        &function) != 3) {
            functions.push_back("unreadable: " + line);
            continue;
        }
        char text[16];
        std::snprintf(text, sizeof text, "%02x:%02x.%x", bus, device, function);
        functions.push_back(text);
    }
    return functions;
}

// A listening socket at `path` with `mode`, as systemd makes one, held at
// descriptor 9 so a launcher can hand it on as descriptor 3.
bool HoldHandedSocket(const fs::path& path, mode_t mode) {
    sockaddr_un address;
    if (!unix_socket::FillAddress(path, &address)) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    bool listening = fd >= 0 && fchmod(fd, mode) == 0 &&
                     bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                     chmod(path.c_str(), mode) == 0 && listen(fd, 16) == 0 && dup2(fd, 9) == 9;
    if (fd >= 0 && fd != 9) close(fd);
    return listening;
}

class SystemDriverTest : public testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
        if (!fs::exists(ForegroundDriver::Program())) GTEST_SKIP() << "driver not built";
        ASSERT_EQ(fcntl(9, F_GETFD), -1) << "descriptor 9 is taken";
        other_ = std::make_unique<OtherUser>();
        systemDir_ = other_->Shared().parent_path() / "system";
        runtime_ = other_->Shared() / "runtime";
        // The drivers, programs and probes of this test see its folder and group.
        systemDirVariable_.Set(systemDir_.string());
        systemGroupVariable_.Set(kGroup);
    }

    void TearDown() override {
        // Whatever serves the folder is stopped, ours or one that detached.
        if (other_ && SendStopFrame(SystemSocket()) && driver_) {
            EXPECT_EQ(driver_->WaitForExit(10s), 0) << driver_->StandardError();
        }
        driver_.reset();
        if (other_) StopDriversUnder(runtime_.string());
    }

    std::string SystemSocket() const { return (systemDir_ / "Borealix").string(); }

    bool Served() const {
        return driver_route::ProbeSystemDriver() == driver_route::SystemReach::Admitted;
    }

    // True once the driver serves its socket; false when it ended first.
    bool WaitUntilServed() {
        return WaitUntil([&] { return Served() || !driver_->Running(); }, 10s) &&
               driver_->Running();
    }

    // BOREX64.SYS --system as started by hand, in the foreground.
    bool StartByHand() {
        driver_ = std::make_unique<AppProcess>(
            ForegroundDriver::Program(), std::vector<std::string>{"--system", "--foreground"});
        return WaitUntilServed();
    }

    // The driver exec'd by a shell that first runs `setup` (LISTEN_PID=$$ is
    // the driver's pid), with descriptor 9 of this process as its 3.
    void Launch(const std::string& setup) {
        driver_ = std::make_unique<AppProcess>(
            "/bin/sh",
            std::vector<std::string>{"-c", setup + "; exec \"$0\" --system --foreground 3<&9 9<&-",
                                     ForegroundDriver::Program()});
        close(9);
    }

    // A command run as the other user with these groups ("" for none), in a
    // runtime directory and temporary folder of that user's own.
    UserRun RunAs(const std::string& groups, const std::string& command) const {
        const fs::path errors = other_->Shared().parent_path() / "stderr.txt";
        CommandResult result = RunShellCommand(
            OtherUser::Prefix(groups) + "env BOREALIX_RUNTIME_DIR=" + runtime_.string() +
            " TMPDIR=" + other_->Shared().string() + " QT_QPA_PLATFORM=offscreen " + command +
            " 2>" + errors.string());
        return {result.exitCode, result.output, ReadWholeFile(errors.string())};
    }

    // A command run as root in this test's own runtime directory.
    static UserRun RunAsRoot(const std::string& command) {
        const fs::path errors = fs::path(std::getenv("BOREALIX_RUNTIME_DIR")) / "stderr.txt";
        CommandResult result = RunShellCommand(command + " 2>" + errors.string());
        return {result.exitCode, result.output, ReadWholeFile(errors.string())};
    }

    // The other user, a member, holding `count` connections to the system
    // driver and opening each again as soon as the driver lets it go.
    std::unique_ptr<AppProcess> MemberHolding(int count) const {
        const std::string program = fs::read_symlink("/proc/self/exe").string();
        auto holder = std::make_unique<AppProcess>(
            "/bin/sh",
            std::vector<std::string>{"-c", "exec " + OtherUser::Prefix(kGroup) + program},
            std::vector<std::pair<std::string, std::string>>{
                {"TARVOLENT_HOLD_CONNECTIONS", SystemSocket()},
                {"TARVOLENT_HOLD_COUNT", std::to_string(count)}});
        EXPECT_TRUE(WaitUntil(
            [&] { return holder->StandardOutput() == "holding\n" || !holder->Running(); }, 10s))
            << holder->StandardError();
        return holder;
    }

    // Nothing was installed or started for the other user.
    void ExpectNothingOfTheUsersOwn() const {
        EXPECT_TRUE(!fs::exists(runtime_ / "services") || fs::is_empty(runtime_ / "services"));
        EXPECT_EQ(DriverProcessesServing(runtime_.string()), 0);
    }

    std::string Refusal() const {
        return "Error! Load driver failed!\nTo use this machine's hardware without root, join the "
               "group " +
               kGroup + " and log in again: the service Borealix at " + SystemSocket() +
               " does not admit this user.\n";
    }

    std::unique_ptr<OtherUser> other_;
    fs::path systemDir_;
    fs::path runtime_;
    EnvironmentGuard systemDirVariable_{"BOREALIX_SYSTEM_DIR"};
    EnvironmentGuard systemGroupVariable_{"BOREALIX_SYSTEM_GROUP"};
    EnvironmentGuard idleSecondsVariable_{"BOREALIX_IDLE_SECONDS"};
    std::unique_ptr<AppProcess> driver_;
};

// The function of the dump with the most set bytes beyond the standard
// header, so a window shows more than the first 64 bytes.
const PciFunction& RichestFunction(const SimMachine& machine) {
    const PciFunction* richest = &machine.Functions().front();
    int most = -1;
    for (const PciFunction& function : machine.Functions()) {
        int set = 0;
        for (uint32_t offset = 0x40; offset < 0x100; offset += 4)
            set += function.ReadDword(offset) != 0;
        if (set > most) {
            most = set;
            richest = &function;
        }
    }
    return *richest;
}

TEST_F(SystemDriverTest, AMemberReadsTheWholeConfigurationSpaceAsLspciAndOthersAreRefused) {
    if (!HasPciFunctions()) GTEST_SKIP() << "no PCI functions on this machine";
    if (std::string why = LspciUnavailable(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(StartByHand()) << driver_->StandardError();
    struct stat info {};
    EXPECT_EQ(ModeOf(systemDir_, &info), 0755u);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(ModeOf(SystemSocket(), &info), 0660u);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_gid, kTestGroup);

    UserRun scan = RunAs(kGroup, kCli + " scan");
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    std::vector<std::string> listed = LspciFunctions();
    if (listed.size() > 256) listed.resize(256);
    EXPECT_EQ(ScannedFunctions(scan.out), listed);

    // Every dword of every function, beyond the 64 bytes the kernel shows
    // every user.
    MachineLoad dump = LspciConfigurationDump();
    ASSERT_TRUE(dump.Ok()) << dump.error;
    std::string script;
    std::vector<uint32_t> expected;
    for (const PciFunction& function : dump.machine->Functions()) {
        for (uint32_t offset = 0; offset < 0x100; offset += 4) {
            char read[128];
            std::snprintf(read, sizeof read, "%s read %s %X || echo failed; ", kCli.c_str(),
                          function.Address().ToString().c_str(), offset);
            script += read;
            expected.push_back(function.ReadDword(offset));
        }
    }
    UserRun reads = RunAs(kGroup, "sh -c '" + script + "'");
    std::istringstream values(reads.out);
    size_t compared = 0;
    for (std::string value; std::getline(values, value); ++compared) {
        char text[16];
        ASSERT_LT(compared, expected.size());
        std::snprintf(text, sizeof text, "%08X", expected[compared]);
        EXPECT_EQ(value, text) << "read " << compared << ": " << reads.err;
    }
    EXPECT_EQ(compared, expected.size());
    ExpectNothingOfTheUsersOwn();

    // Without the group: refused by the socket, and told what to do.
    UserRun refused = RunAs("", kCli + " read 00:00.0 40");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, Refusal());
    UserRun window = RunAs("", kBin + "/tarvolent");
    EXPECT_NE(window.exitCode, 0);
    EXPECT_NE(window.err.find("TARVOLENT: " + Refusal()), std::string::npos) << window.err;
    ExpectNothingOfTheUsersOwn();

    // The member's window shows the richest function as lspci shows it.
    const fs::path lspci = other_->Shared().parent_path() / "lspci.txt";
    std::ofstream(lspci) << CommandOutput("lspci -xxx");
    fs::permissions(lspci, fs::perms(0644));
    const fs::path shot = other_->Shared() / "pci-window.png";
    const std::string program = (fs::path(kBin).parent_path() / "tests" / "test_app").string();
    UserRun shown = RunAs(
        kGroup,
        "env TARVOLENT_TEST_SYSTEM_DIR=" + systemDir_.string() +
            " TARVOLENT_TEST_FUNCTION=" + RichestFunction(*dump.machine).Address().ToString() +
            " TARVOLENT_TEST_LSPCI_DUMP=" + lspci.string() +
            " TARVOLENT_TEST_SCREENSHOT=" + shot.string() + " " + program +
            " --gtest_also_run_disabled_tests --gtest_filter=UnprivilegedWindow.*");
    EXPECT_EQ(shown.exitCode, 0) << shown.out << shown.err;
    EXPECT_TRUE(fs::exists(shot));
    // Kept where asked: the window as the README shows it.
    if (const char* keep = std::getenv("TARVOLENT_KEEP_SCREENSHOT"))
        fs::copy_file(shot, keep, fs::copy_options::overwrite_existing);
}

// Root without a runtime directory named (sudo), where another user made
// borealix-0 in the temporary directory first: the system driver serves,
// and nothing of root's own is needed, made or refused.
TEST_F(SystemDriverTest, ASquattedTemporaryFolderDoesNotStandBetweenRootAndIt) {
    if (!HasPciFunctions()) GTEST_SKIP() << "no PCI functions on this machine";
    ASSERT_TRUE(StartByHand()) << driver_->StandardError();
    const fs::path shared = other_->Shared();
    ASSERT_TRUE(other_->Run("mkdir -m 777 " + (shared / "borealix-0").string()));
    AppProcess cli(kCli, {"scan"},
                   {{"BOREALIX_RUNTIME_DIR", ""}, {"XDG_RUNTIME_DIR", ""}, {"TMPDIR", shared}});
    EXPECT_EQ(cli.WaitForExit(20s), 0);
    EXPECT_EQ(cli.StandardError(), "");
    EXPECT_FALSE(cli.StandardOutput().empty());
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(shared), {}),
              std::vector<fs::path>{shared / "borealix-0"});
}

TEST_F(SystemDriverTest, WithoutItOnlySimulatedMachinesServeAUserWhoIsNotRoot) {
    UserRun scan = RunAs(kGroup, kCli + " scan");
    EXPECT_EQ(scan.exitCode, 1);
    EXPECT_EQ(scan.out, "");
    EXPECT_EQ(scan.err,
              "Error! Load driver failed!\nTo use this machine's hardware without root, install "
              "the service Borealix at " +
                  SystemSocket() + " (it does not run), join the group " + kGroup +
                  " and log in again.\n");
    ExpectNothingOfTheUsersOwn();

    UserRun simulated = RunAs("", kCli + " --machine builtin read 00:00.0 0");
    EXPECT_EQ(simulated.exitCode, 0) << simulated.err;
    EXPECT_EQ(simulated.out.size(), 9u) << simulated.out;
}

TEST_F(SystemDriverTest, ServesTheSocketItIsHandedAndOnlyWhenItIsHandedToIt) {
    if (!HasPciFunctions()) GTEST_SKIP() << "no PCI functions on this machine";
    fs::create_directory(systemDir_);
    fs::permissions(systemDir_, fs::perms(0755));
    // Open to everyone on the file system, so the driver's own check decides.
    ASSERT_TRUE(HoldHandedSocket(SystemSocket(), 0666));
    Launch("export LISTEN_PID=$$ LISTEN_FDS=1");
    ASSERT_TRUE(WaitUntilServed()) << driver_->StandardError();
    UserRun member = RunAs(kGroup, kCli + " scan");
    EXPECT_EQ(member.exitCode, 0) << member.err;
    EXPECT_FALSE(member.out.empty());
    UserRun stranger = RunAs("", kCli + " scan");
    EXPECT_EQ(stranger.exitCode, 1);
    EXPECT_EQ(stranger.err, Refusal());
    // systemd's socket and folder: nothing made there, nothing removed.
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(systemDir_), {}),
              std::vector<fs::path>{SystemSocket()});
    ASSERT_TRUE(SendStopFrame(SystemSocket()));
    EXPECT_EQ(driver_->WaitForExit(10s), 0) << driver_->StandardError();
    EXPECT_TRUE(fs::is_socket(SystemSocket()));
    fs::remove(SystemSocket());

    // Sockets meant for another process, or not as it expects, are not taken.
    const fs::path elsewhere = other_->Shared().parent_path() / "handed";
    const std::pair<std::string, std::string> wrong[] = {
        {"export LISTEN_PID=$$ LISTEN_FDS=2", "LISTEN_FDS: \"2\": one socket was expected"},
        {"export LISTEN_PID=$$ LISTEN_FDS=1; exec 9</dev/null",
         "descriptor 3 from LISTEN_FDS is not a listening local stream socket"}};
    for (const auto& [setup, message] : wrong) {
        ASSERT_TRUE(HoldHandedSocket(elsewhere, 0666));
        Launch(setup);
        EXPECT_EQ(driver_->WaitForExit(10s), 1) << setup;
        EXPECT_EQ(driver_->StandardError(), "BOREX64.SYS: " + message + "\n");
        fs::remove(elsewhere);
    }
    ASSERT_TRUE(HoldHandedSocket(elsewhere, 0666));
    Launch("export LISTEN_PID=1 LISTEN_FDS=1");
    ASSERT_TRUE(WaitUntilServed()) << driver_->StandardError();
    struct stat info {};
    EXPECT_EQ(ModeOf(SystemSocket(), &info), 0660u) << "made its own";
    EXPECT_EQ(info.st_gid, kTestGroup);
}

TEST_F(SystemDriverTest, RefusesFoldersAndSettingsItCannotTrust) {
    const fs::path top = other_->Shared().parent_path();
    const std::string theirs = (top / "theirs").string();
    fs::create_directory(theirs);
    fs::permissions(theirs, fs::perms(0755));
    ASSERT_EQ(chown(theirs.c_str(), OtherUser::kUid, OtherUser::kUid), 0);
    const fs::path open = top / "open";
    fs::create_directory(open);
    fs::permissions(open, fs::perms(0777));
    const fs::path linked = top / "linked";
    fs::create_directory(top / "real");
    fs::permissions(top / "real", fs::perms(0755));
    fs::create_directory_symlink(top / "real", linked);
    const std::pair<std::string, std::string> folders[] = {
        {theirs, "it belongs to user 65534, not to this user (0)"},
        {open.string(), "it is writable by its group or by others (mode 0777)"},
        {linked.string(), "it is a symbolic link"}};
    for (const auto& [folder, problem] : folders) {
        AppProcess driver(ForegroundDriver::Program(), {"--system", "--foreground"},
                          {{"BOREALIX_SYSTEM_DIR", folder}});
        EXPECT_EQ(driver.WaitForExit(10s), 1) << folder;
        EXPECT_EQ(driver.StandardError(),
                  "BOREX64.SYS: Refused system driver folder " + folder + ": " + problem + "\n");
        EXPECT_FALSE(fs::exists(fs::path(folder) / "Borealix"));
    }

    const std::pair<std::vector<std::pair<std::string, std::string>>, std::string> settings[] = {
        {{{"BOREALIX_MACHINE", "builtin"}},
         "--system serves this machine's hardware, not a simulated machine (BOREALIX_MACHINE is "
         "set)"},
        {{{"BOREALIX_SYSTEM_GROUP", "tarvolent-no-such-group"}},
         "the group tarvolent-no-such-group does not exist: create it (the package does) or set "
         "BOREALIX_SYSTEM_GROUP"}};
    for (const auto& [environment, message] : settings) {
        AppProcess driver(ForegroundDriver::Program(), {"--system", "--foreground"}, environment);
        EXPECT_EQ(driver.WaitForExit(10s), 1) << message;
        EXPECT_EQ(driver.StandardError(), "BOREX64.SYS: " + message + "\n");
    }
    UserRun user = RunAs(kGroup, ForegroundDriver::Program() + " --system --foreground");
    EXPECT_EQ(user.exitCode, 1);
    EXPECT_EQ(user.err, "BOREX64.SYS: --system must run as root\n");
    EXPECT_FALSE(fs::exists(systemDir_));
}

// Connections one user holds open without a byte, opened again as soon as
// the driver lets them go, delay another user's read by a frame deadline at
// most, and never make the driver look as if it refused that user.
TEST_F(SystemDriverTest, ConnectionsOneUserHoldsDelayNoOtherUser) {
    if (!HasPciFunctions()) GTEST_SKIP() << "no PCI functions on this machine";
    ASSERT_TRUE(StartByHand()) << driver_->StandardError();
    const auto bound = 2 * FrameServer::kFrameDeadline + 3s;
    for (int held : {1, 10, 100}) {
        for (bool memberHolds : {true, false}) {
            SCOPED_TRACE(std::to_string(held) +
                         (memberHolds ? " held by the member" : " held by root"));
            std::unique_ptr<AppProcess> member;
            std::unique_ptr<HeldConnections> root;
            if (memberHolds) {
                member = MemberHolding(held);
                ASSERT_TRUE(member->Running()) << member->StandardError();
            } else {
                root = std::make_unique<HeldConnections>(SystemSocket(), held, true);
                ASSERT_TRUE(WaitUntil([&] { return root->Tried(); }, 10s));
            }
            const auto start = std::chrono::steady_clock::now();
            UserRun read = memberHolds ? RunAsRoot(kCli + " read 00:00.0 0")
                                       : RunAs(kGroup, kCli + " read 00:00.0 0");
            const auto took = std::chrono::steady_clock::now() - start;
            EXPECT_EQ(read.exitCode, 0) << read.err;
            EXPECT_EQ(read.out.size(), 9u) << read.out;
            EXPECT_EQ(read.err.find("does not admit"), std::string::npos) << read.err;
            EXPECT_LT(took, bound)
                << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
        }
    }
    ExpectNothingOfTheUsersOwn();
}

// A driver that takes the connection and never answers is reported as not
// answering, not as refusing this user.
TEST_F(SystemDriverTest, ADriverThatDoesNotAnswerIsReportedAsATimeout) {
    fs::create_directory(systemDir_);
    fs::permissions(systemDir_, fs::perms(0755));
    // Listening, never accepting: a connection waits in its queue.
    ASSERT_TRUE(HoldHandedSocket(SystemSocket(), 0666));
    UserRun read = RunAs(kGroup, kCli + " read 00:00.0 0");
    close(9);
    EXPECT_EQ(read.exitCode, 1);
    EXPECT_EQ(read.out, "");
    EXPECT_EQ(read.err, "Error! Load driver failed!\nThe service Borealix at " + SystemSocket() +
                            " did not answer within 10 seconds; try again.\n");
    ExpectNothingOfTheUsersOwn();
    fs::remove(SystemSocket());
}

// systemd starts the driver again on the next connection to the socket it
// keeps; a driver started by hand has nobody to do that.
TEST_F(SystemDriverTest, ItStopsWhenIdleOnlyWhereTheServiceManagerHandedItItsSocket) {
    idleSecondsVariable_.Set("1");
    ASSERT_TRUE(StartByHand()) << driver_->StandardError();
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(driver_->Running());
    EXPECT_TRUE(Served());
    ASSERT_TRUE(SendStopFrame(SystemSocket()));
    EXPECT_EQ(driver_->WaitForExit(10s), 0) << driver_->StandardError();

    ASSERT_TRUE(HoldHandedSocket(SystemSocket(), 0666));
    Launch("export LISTEN_PID=$$ LISTEN_FDS=1");
    ASSERT_TRUE(WaitUntilServed()) << driver_->StandardError();
    EXPECT_EQ(driver_->WaitForExit(15s), 0) << driver_->StandardError();
    EXPECT_TRUE(fs::is_socket(SystemSocket())) << "the service manager's socket stays";
    fs::remove(SystemSocket());
}

// A benchmark beside a running system driver measures the machine it starts
// itself, never this machine's memory through that driver.
TEST_F(SystemDriverTest, ABenchmarkBesideItMeasuresItsOwnMachine) {
    const fs::path bench = fs::path(kBin).parent_path() / "bench" / "bench_dump";
    if (!fs::exists(bench)) GTEST_SKIP() << "benchmarks not built";
    ASSERT_TRUE(StartByHand()) << driver_->StandardError();
    AppProcess run(bench.string(), {}, {{"TARVOLENT_BENCH_DUMP_MIB", "1"}});
    EXPECT_EQ(run.WaitForExit(300s), 0) << run.StandardError();
    EXPECT_NE(run.StandardOutput().find("ratio 1 MiB dump vs dd bs=4M: "), std::string::npos)
        << run.StandardOutput();
}

}  // namespace
