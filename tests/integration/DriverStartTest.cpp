// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "driver/FrameServer.h"
#include "platform/route/UnixSocket.h"
#include "support/AppMachineRuntime.h"
#include "support/AppProcess.h"
#include "support/DriverProcesses.h"
#include "support/DriverStop.h"
#include "support/EnvironmentGuard.h"
#include "support/FileText.h"
#include "support/ForegroundDriver.h"
#include "support/HeldConnections.h"
#include "support/PciPeer.h"

// The driver's life as programs see it: many started at once, a client that
// trickles, a driver that stops when nobody has used it for a while.
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using namespace std::chrono_literals;

const std::string kCli = std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli";
const std::string kWindow = std::string(TARVOLENT_BIN_DIR) + "/tarvolent";
using Environment = std::vector<std::pair<std::string, std::string>>;

std::string GoldenScan() {
    return ReadWholeFile(std::string(TARVOLENT_SOURCE_DIR) +
                         "/tests/pci/golden/cli-scan-builtin.txt");
}

// A runtime directory of the test's own, made current, and the builtin
// machine's directory inside it; its driver is stopped at the end.
class DriverStartTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(ForegroundDriver::Program())) GTEST_SKIP() << "driver not built";
        UseFreshRuntimeDirectory("start");
    }
    void TearDown() override {
        StopMachineDriver("builtin");
        EXPECT_TRUE(WaitUntil([&] { return DriverProcessesServing(machineDirectory_) == 0; }, 10s));
    }

    void UseFreshRuntimeDirectory(const std::string& name) {
        fs::path directory = fs::path(*runtimeVariable_.Saved()) / name;
        fs::remove_all(directory);
        fs::create_directories(directory);
        fs::permissions(directory, fs::perms::owner_all);
        runtimeVariable_.Set(directory.string());
        AppMachineRuntime runtime;
        machineDirectory_ = runtime.Directory();
    }
    std::string DriverSocket() const { return machineDirectory_ + "/Borealix"; }

    Environment Env(Environment extra = {}) const {
        extra.emplace_back("BOREALIX_RUNTIME_DIR", std::getenv("BOREALIX_RUNTIME_DIR"));
        return extra;
    }

    EnvironmentGuard runtimeVariable_{kRuntimeDirectoryVariable};
    std::string machineDirectory_;
};

TEST_F(DriverStartTest, EightProgramsStartedAtOnceAllSucceedAndLeaveOneDriver) {
    const std::string expected = GoldenScan();
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        UseFreshRuntimeDirectory("round-" + std::to_string(round));
        std::vector<std::unique_ptr<AppProcess>> clients;
        for (int i = 0; i < 8; ++i) {
            clients.push_back(std::make_unique<AppProcess>(
                kCli, std::vector<std::string>{"--machine", "builtin", "scan"}, Env()));
        }
        for (auto& client : clients) {
            EXPECT_EQ(client->WaitForExit(60s), 0) << client->StandardError();
            EXPECT_EQ(client->StandardOutput(), expected);
            EXPECT_EQ(client->StandardError(), "");
        }
        EXPECT_TRUE(unix_socket::Answers(DriverSocket()));
        EXPECT_EQ(DriverProcessesServing(machineDirectory_), 1);
        StopMachineDriver("builtin");
        EXPECT_TRUE(WaitUntil([&] { return DriverProcessesServing(machineDirectory_) == 0; }, 10s));
    }
}

TEST_F(DriverStartTest, ATricklingClientDelaysAScanByTheFrameDeadlineAtMost) {
    const auto scan = [&] {
        const auto start = steady_clock::now();
        AppProcess cli(kCli, {"--machine", "builtin", "scan"}, Env());
        EXPECT_EQ(cli.WaitForExit(60s), 0) << cli.StandardError();
        EXPECT_EQ(cli.StandardOutput(), GoldenScan());
        return steady_clock::now() - start;
    };
    scan();  // starts the driver
    const auto alone = scan();

    int trickler = unix_socket::Connect(DriverSocket());
    ASSERT_GE(trickler, 0);
    std::thread trickle([trickler] {
        // One header byte every 3 s, until the driver hangs up.
        for (int i = 0; i < 20; ++i) {
            const uint8_t byte = 0x42;
            if (send(trickler, &byte, 1, MSG_NOSIGNAL) != 1) return;
            pollfd hangUp{trickler, POLLIN, 0};
            if (poll(&hangUp, 1, 3000) == 1) return;
        }
    });
    std::this_thread::sleep_for(100ms);
    const auto delayed = scan();
    trickle.join();
    close(trickler);
    // Its own time, the trickler's deadline, and room for a busy machine.
    EXPECT_LT(delayed, alone + FrameServer::kFrameDeadline + 3s)
        << duration_cast<milliseconds>(alone).count() << " ms alone";
}

// The same user's connections, held open without a byte: those the driver
// serves end at their deadline, the rest are turned away at once.
TEST_F(DriverStartTest, ConnectionsHeldOpenDelayAReadByTheFrameDeadlineAtMost) {
    const auto read = [&] {
        const auto start = steady_clock::now();
        AppProcess cli(kCli, {"--machine", "builtin", "read", "00:00.0", "0"}, Env());
        EXPECT_EQ(cli.WaitForExit(120s), 0) << cli.StandardError();
        EXPECT_EQ(cli.StandardOutput().size(), 9u) << cli.StandardOutput();
        EXPECT_EQ(cli.StandardError(), "");
        return steady_clock::now() - start;
    };
    read();  // starts the driver
    const auto alone = read();
    for (int held : {1, 10, 100}) {
        SCOPED_TRACE(std::to_string(held) + " held");
        HeldConnections hostile(DriverSocket(), held, false);
        ASSERT_TRUE(WaitUntil([&] { return hostile.Tried(); }, 10s));
        const auto delayed = read();
        EXPECT_LT(delayed, alone + 2 * FrameServer::kFrameDeadline + 3s)
            << duration_cast<milliseconds>(delayed).count() << " ms, "
            << duration_cast<milliseconds>(alone).count() << " ms alone";
    }
}

TEST_F(DriverStartTest, AnIdleDriverStopsAndTheNextStartStartsItAgain) {
    const Environment idle = Env({{"BOREALIX_IDLE_SECONDS", "1"}});
    AppProcess first(kCli, {"--machine", "builtin", "scan"}, idle);
    ASSERT_EQ(first.WaitForExit(60s), 0) << first.StandardError();
    EXPECT_EQ(DriverProcessesServing(machineDirectory_), 1);
    ASSERT_TRUE(WaitUntil([&] { return DriverProcessesServing(machineDirectory_) == 0; }, 20s));
    EXPECT_FALSE(fs::exists(DriverSocket()));

    AppProcess second(kCli, {"--machine", "builtin", "scan"}, idle);
    EXPECT_EQ(second.WaitForExit(60s), 0);
    EXPECT_EQ(second.StandardError(), "");
    EXPECT_EQ(second.StandardOutput(), GoldenScan());

    // A window left open keeps its driver however long it sits idle; once
    // it has gone, the driver follows.
    AppProcess window(kWindow, {"--machine", "builtin"},
                      Env({{"BOREALIX_IDLE_SECONDS", "1"}, {"QT_QPA_PLATFORM", "offscreen"}}));
    ASSERT_TRUE(WaitUntil([&] { return DriverProcessesServing(machineDirectory_) == 1; }, 20s));
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(window.Running()) << window.StandardError();
    EXPECT_EQ(DriverProcessesServing(machineDirectory_), 1);
    window.Signal(SIGTERM);
    EXPECT_EQ(window.WaitForExit(20s), 0);
    EXPECT_TRUE(WaitUntil([&] { return DriverProcessesServing(machineDirectory_) == 0; }, 20s));
}

// Root's own driver on this machine's hardware, where no system driver runs,
// stops when idle as the simulated ones do; the next start starts it again
// without a word.
TEST_F(DriverStartTest, RootsOwnHardwareDriverStopsWhenIdleAndStartsAgain) {
    if (geteuid() != 0) GTEST_SKIP() << "only root runs a driver of its own on the hardware";
    if (!HasPciFunctions()) GTEST_SKIP() << "no PCI functions on this machine";
    const std::string runtime = std::getenv("BOREALIX_RUNTIME_DIR");
    std::string first;
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        AppProcess cli(kCli, {"read", "00:00.0", "0"}, Env({{"BOREALIX_IDLE_SECONDS", "1"}}));
        EXPECT_EQ(cli.WaitForExit(60s), 0) << cli.StandardError();
        EXPECT_EQ(cli.StandardError(), "");
        if (start == 0) first = cli.StandardOutput();
        EXPECT_EQ(cli.StandardOutput(), first);
        EXPECT_EQ(first.size(), 9u) << first;
        EXPECT_TRUE(WaitUntil([&] { return DriverProcessesServing(runtime) == 0; }, 20s));
    }
    StopDriversUnder(runtime);
}

}  // namespace
