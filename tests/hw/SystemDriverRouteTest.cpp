// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "driver/DriverServer.h"
#include "driver/DriverSocket.h"
#include "driver/RequestHandler.h"
#include "driver/SimBackend.h"
#include "hw/DriverChannel.h"
#include "hw/DriverInstaller.h"
#include "platform/Seam.h"
#include "platform/route/DriverRoute.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/ErrorCodes.h"
#include "sim/MachineFileLoader.h"
#include "support/DriverStop.h"
#include "support/EnvironmentGuard.h"
#include "support/FakeSystemServices.h"
#include "support/ForegroundDriver.h"

namespace {

namespace fs = std::filesystem;

// A driver served by a thread of the test at the system driver's socket, on
// a machine of one function, so a request that reaches it is told apart
// from one that reaches anything else.
class SystemDriverRouteTest : public testing::Test {
  protected:
    void SetUp() override {
        // Clients trust only a socket and folders of root's.
        if (geteuid() != 0) GTEST_SKIP() << "the system driver's folder must be root's";
        // A folder of each test's own: a process keeps what it found at one.
        static int tests = 0;
        systemDir_ = RuntimeDirectory() + "/system-route-" + std::to_string(++tests);
        fs::create_directories(systemDir_);
        setenv("BOREALIX_SYSTEM_DIR", systemDir_.c_str(), 1);
        std::string error;
        ASSERT_TRUE(socket_.Bind(systemDir_ + "/Borealix", SocketAccess{}, &error)) << error;
        MachineLoad load = MachineFileLoader::LoadText(
            R"({"functions": [{"bdf": "00:1f.3", "config": "86808da4"}]})", "one.json");
        ASSERT_TRUE(load.Ok()) << load.error;
        backend_ = std::make_unique<SimBackend>(std::move(load.machine));
        handler_ = std::make_unique<RequestHandler>(*backend_);
        serving_ = std::thread([this] { DriverServer(socket_, *handler_).Run(); });
    }

    void TearDown() override {
        if (serving_.joinable()) {
            EXPECT_TRUE(SendStopFrame(systemDir_ + "/Borealix"));
            serving_.join();
        }
        socket_.Unlink();
    }

    EnvironmentGuard systemDirVariable_{"BOREALIX_SYSTEM_DIR"};
    EnvironmentGuard machineVariable_{kMachineVariable};
    std::string systemDir_;
    DriverSocket socket_;
    std::unique_ptr<SimBackend> backend_;
    std::unique_ptr<RequestHandler> handler_;
    std::thread serving_;
};

TEST_F(SystemDriverRouteTest, LoadDriverFindsTheServiceRunningAndRequestsGoToItsSocket) {
    FakeSystemServices system;
    ScopedOverride<SystemServices> systemOverride(system);
    ASSERT_TRUE(driver_route::UsesSystemDriver());
    EXPECT_EQ(LoadDriver(), 1);
    EXPECT_TRUE(system.sleeps.empty()) << "the first try succeeded";
    EXPECT_FALSE(fs::exists(RuntimeDirectory() + "/services")) << "nothing installed";
    EXPECT_FALSE(fs::exists(RuntimeDirectory() + "/Borealix"));

    PciFunctionList list;
    ASSERT_EQ(ListPciFunctions(&list), 1);
    ASSERT_EQ(list.count, 1u);
    EXPECT_EQ(list.busNumbers[0], 0);
    EXPECT_EQ(list.devFns[0], 0x1F << 3 | 3);

    // The machine's service: there and running, and not this user's to change.
    ServiceManager& services = ServiceManager::Native();
    ScHandle manager = services.OpenSCManager(SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, 0);
    ServiceConfig config{"Borealix", "Borealix", 1, 3, 1, "/elsewhere/BOREX64.SYS"};
    EXPECT_EQ(services.CreateService(manager, config, SERVICE_ALL_ACCESS), 0);
    EXPECT_EQ(services.GetLastError(), ERROR_SERVICE_EXISTS);
    ScHandle service = services.OpenService(manager, "Borealix", SERVICE_ALL_ACCESS);
    ASSERT_NE(service, 0);
    EXPECT_FALSE(services.StartService(service));
    EXPECT_EQ(services.GetLastError(), ERROR_SERVICE_ALREADY_RUNNING);
    EXPECT_FALSE(services.ControlService(service, SERVICE_CONTROL_STOP));
    EXPECT_EQ(services.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(services.DeleteService(service));
    EXPECT_EQ(services.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(services.CloseServiceHandle(service));
    EXPECT_TRUE(services.CloseServiceHandle(manager));
    EXPECT_EQ(driver_route::DeviceSocketPath("Borealix"), systemDir_ + "/Borealix");
    EXPECT_EQ(driver_route::DeviceSocketPath("Other"), RuntimeDirectory() + "/Other");

    // A simulated machine never goes there.
    setenv("BOREALIX_MACHINE", "builtin", 1);
    EXPECT_FALSE(driver_route::UsesSystemDriver());
    EXPECT_EQ(driver_route::DeviceSocketPath("Borealix"), RuntimeDirectory() + "/Borealix");
    EXPECT_EQ(driver_route::OwnDriverProblem(), "");
}

TEST_F(SystemDriverRouteTest, ASystemDriverThatIsGoneOrDoesNotAnswerIsNotUsed) {
    EXPECT_EQ(driver_route::ProbeSystemDriver(), driver_route::SystemReach::Admitted);
    // A folder where nothing listens.
    setenv("BOREALIX_SYSTEM_DIR", (systemDir_ + "/empty").c_str(), 1);
    EXPECT_EQ(driver_route::ProbeSystemDriver(), driver_route::SystemReach::Absent);
    EXPECT_FALSE(driver_route::UsesSystemDriver());
    // A socket file left by a driver that has gone.
    setenv("BOREALIX_SYSTEM_DIR", systemDir_.c_str(), 1);
    ASSERT_TRUE(SendStopFrame(systemDir_ + "/Borealix"));
    serving_.join();
    socket_.Unlink();
    const int stale = unix_socket::Listen(systemDir_ + "/Borealix");
    ASSERT_GE(stale, 0);
    close(stale);
    EXPECT_TRUE(fs::is_socket(systemDir_ + "/Borealix"));
    EXPECT_EQ(driver_route::ProbeSystemDriver(), driver_route::SystemReach::Absent);
    fs::remove(systemDir_ + "/Borealix");
}

// Whatever listens where someone else could have put it is not the
// machine's driver, and is not even asked.
TEST_F(SystemDriverRouteTest, ASocketOrFolderThatIsNotRootsAloneIsNotTrusted) {
    const std::string socket = systemDir_ + "/Borealix";
    auto probe = [] {
        std::string problem;
        driver_route::SystemReach reach = driver_route::ProbeSystemDriver(&problem);
        return reach == driver_route::SystemReach::Untrusted ? problem : "trusted";
    };
    EXPECT_EQ(probe(), "trusted");
    fs::permissions(systemDir_, fs::perms(0777));
    EXPECT_EQ(probe(), "Refused system driver socket " + socket + ": its folder " + systemDir_ +
                           " may not be trusted: it is writable by its group or by others "
                           "(mode 0777)");
    fs::permissions(systemDir_, fs::perms(0755));
    ASSERT_EQ(chown(socket.c_str(), 65534, 65534), 0);
    EXPECT_EQ(probe(),
              "Refused system driver socket " + socket + ": it belongs to user 65534, not to root");
    EXPECT_FALSE(driver_route::UsesSystemDriver());
    EXPECT_EQ(driver_route::DeviceSocketPath("Borealix"), RuntimeDirectory() + "/Borealix");
    ASSERT_EQ(chown(socket.c_str(), 0, 0), 0);
    ASSERT_EQ(chown(systemDir_.c_str(), 65534, 65534), 0);
    EXPECT_EQ(probe(), "Refused system driver socket " + socket + ": its folder " + systemDir_ +
                           " may not be trusted: it belongs to user 65534, not to this user (0)");
    ASSERT_EQ(chown(systemDir_.c_str(), 0, 0), 0);
}

}  // namespace
