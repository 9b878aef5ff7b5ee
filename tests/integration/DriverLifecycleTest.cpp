// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "hw/DriverChannel.h"
#include "hw/DriverDevice.h"
#include "hw/DriverInstaller.h"
#include "platform/Seam.h"
#include "platform/ServiceManager.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "support/EnvironmentGuard.h"
#include "support/FakeSystemServices.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBuiltDriver = fs::path(TARVOLENT_BIN_DIR) / "BOREX64.SYS";

std::string DriverSocket() { return RuntimeDirectory() + "/" + kDriverName; }

bool ServiceExists(const std::string& name) {
    ServiceManager& services = ServiceManager::Current();
    ScHandle manager = services.OpenSCManager(SC_MANAGER_ALL_ACCESS);
    ScHandle service = services.OpenService(manager, name, SERVICE_ALL_ACCESS);
    if (service) services.CloseServiceHandle(service);
    services.CloseServiceHandle(manager);
    return service != 0;
}

// A program directory of its own, holding the driver as a 64-bit system
// would: no BOREALIX.SYS beside BOREX64.SYS. The driver serves the builtin
// simulated machine, never this machine's hardware.
class DriverLifecycleTest : public testing::Test {
protected:
    fs::path programDir;
    FakeSystemServices system;
    ScopedOverride<SystemServices> systemGuard{system};
    EnvironmentGuard machineVariable{kMachineVariable};

    void SetUp() override {
        if (!fs::exists(kBuiltDriver)) GTEST_SKIP() << "driver not built: " << kBuiltDriver;
        programDir = fs::path(RuntimeDirectory()) / ("program-" + std::to_string(getpid()));
        fs::create_directories(programDir);
        system.moduleFileName = (programDir / "tarvolent").string();
        machineVariable.Set("builtin");
    }

    void TearDown() override {
        RemoveDriverService(kDriverName);
        EXPECT_FALSE(unix_socket::Answers(DriverSocket()));
        EXPECT_FALSE(ServiceExists(kDriverName));
        std::error_code ignored;
        fs::remove_all(programDir, ignored);
    }

    void InstallDriverFile() { fs::create_symlink(kBuiltDriver, programDir / "BOREX64.SYS"); }
};

TEST_F(DriverLifecycleTest, FirstStartTakesThe64BitPathAndASecondFindsItRunning) {
    InstallDriverFile();
    ASSERT_EQ(LoadDriver(), 1);
    EXPECT_EQ(system.sleeps, std::vector<unsigned>{500});
    EXPECT_TRUE(unix_socket::Answers(DriverSocket()));

    // The driver answers requests: the builtin machine's host bridge.
    uint32_t id = 0;
    EXPECT_EQ(ReadPciConfigDword(0x80000000u, &id), 1);
    EXPECT_NE(id, 0xFFFFFFFFu);
    PciFunctionList list;
    EXPECT_EQ(ListPciFunctions(&list), 1);
    EXPECT_GT(list.count, 0u);

    system.sleeps.clear();
    EXPECT_EQ(LoadDriver(), 1);
    EXPECT_TRUE(system.sleeps.empty()) << "the running service was not found";
    EXPECT_TRUE(ServiceExists(kDriverName));
}

TEST_F(DriverLifecycleTest, ProgramDirectoryWithoutTheDriverFails) {
    EXPECT_EQ(LoadDriver(), 0);
    EXPECT_FALSE(ServiceExists(kDriverName));
    uint32_t value = 0x1234;
    EXPECT_EQ(ReadPciConfigDword(0x80000000u, &value), 0);
    EXPECT_EQ(value, 0x1234u);
}

TEST_F(DriverLifecycleTest, StoppedServiceIsStartedAgain) {
    InstallDriverFile();
    ASSERT_EQ(LoadDriver(), 1);
    ServiceManager& services = ServiceManager::Current();
    ScHandle manager = services.OpenSCManager(SC_MANAGER_ALL_ACCESS);
    ScHandle service = services.OpenService(manager, kDriverName, SERVICE_ALL_ACCESS);
    ASSERT_NE(service, 0);
    EXPECT_TRUE(services.ControlService(service, SERVICE_CONTROL_STOP));
    services.CloseServiceHandle(service);
    services.CloseServiceHandle(manager);
    EXPECT_FALSE(unix_socket::Answers(DriverSocket()));

    system.sleeps.clear();
    EXPECT_EQ(LoadDriver(), 1);  // the record names BOREX64.SYS, so no second try
    EXPECT_TRUE(system.sleeps.empty());
    EXPECT_TRUE(unix_socket::Answers(DriverSocket()));
}

}  // namespace
