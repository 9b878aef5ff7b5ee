// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>

#include "hw/DriverInstaller.h"
#include "platform/Seam.h"
#include "protocol/ErrorCodes.h"
#include "support/FakeSystemServices.h"
#include "support/RecordingServiceManager.h"

namespace {

const std::string kDir = "/opt/tarvolent/bin/";
const std::string kPath32 = kDir + "BOREALIX.SYS";
const std::string kPath64 = kDir + "BOREX64.SYS";

class LoadDriverTest : public testing::Test {
protected:
    FakeSystemServices system;
    RecordingServiceManager services;
    ScopedOverride<SystemServices> systemGuard{system};
    ScopedOverride<ServiceManager> servicesGuard{services};

    void TearDown() override { EXPECT_EQ(services.OpenHandles(), 0u) << "a handle was left open"; }
};

TEST_F(LoadDriverTest, FirstStartOn32BitSystemInstallsThe32BitFile) {
    services.startablePaths = {kPath32};
    EXPECT_EQ(LoadDriver(), 1);
    ASSERT_EQ(services.services.count("Borealix"), 1u);
    const ServiceConfig& config = services.services["Borealix"].config;
    EXPECT_EQ(config.displayName, "Borealix");
    EXPECT_EQ(config.binaryPath, kPath32);
    EXPECT_EQ(config.type, SERVICE_KERNEL_DRIVER);
    EXPECT_EQ(config.startType, SERVICE_DEMAND_START);
    EXPECT_EQ(config.errorControl, SERVICE_ERROR_NORMAL);
    EXPECT_TRUE(services.services["Borealix"].running);
    EXPECT_TRUE(system.sleeps.empty());
    EXPECT_EQ(system.currentDirectory, "/opt/tarvolent/bin");
}

TEST_F(LoadDriverTest, On64BitSystemRemovesPausesAndInstallsThe64BitFile) {
    services.startablePaths = {kPath64};
    EXPECT_EQ(LoadDriver(), 1);
    std::vector<std::string> expected = {
        "OpenSCManager",
        "CreateService Borealix " + kPath32,
        "CloseServiceHandle",
        "OpenService Borealix",
        "StartService Borealix",
        "CloseServiceHandle",
        "CloseServiceHandle",
        // removal of the failed service
        "OpenSCManager",
        "OpenService Borealix",
        "ControlService Borealix 1",
        "CloseServiceHandle",
        "OpenService Borealix",
        "DeleteService Borealix",
        "CloseServiceHandle",
        "CloseServiceHandle",
        // second try
        "OpenSCManager",
        "CreateService Borealix " + kPath64,
        "CloseServiceHandle",
        "OpenService Borealix",
        "StartService Borealix",
        "CloseServiceHandle",
        "CloseServiceHandle",
    };
    EXPECT_EQ(services.calls, expected);
    EXPECT_EQ(system.sleeps, std::vector<unsigned>{500});
    EXPECT_EQ(services.services["Borealix"].config.binaryPath, kPath64);
    EXPECT_TRUE(services.services["Borealix"].running);
}

TEST_F(LoadDriverTest, SecondStartFindsTheServiceExistingAndRunning) {
    services.services["Borealix"] = {{"Borealix", "Borealix", 1, 3, 1, kPath64}, true};
    EXPECT_EQ(LoadDriver(), 1);
    EXPECT_TRUE(system.sleeps.empty());
    EXPECT_EQ(services.calls.size(), 6u);  // create (exists), open, start (running), closes
    EXPECT_EQ(services.services["Borealix"].config.binaryPath, kPath64);
}

TEST_F(LoadDriverTest, ServiceLeftWithAnotherPathIsStartedUnchanged) {
    const std::string old = "/old/place/BOREX64.SYS";
    services.services["Borealix"] = {{"Borealix", "Borealix", 1, 3, 1, old}, false};
    services.startablePaths = {old};
    EXPECT_EQ(LoadDriver(), 1);
    EXPECT_EQ(services.services["Borealix"].config.binaryPath, old);
    EXPECT_TRUE(services.services["Borealix"].running);
    for (const std::string& call : services.calls) EXPECT_NE(call, "DeleteService Borealix");
}

TEST_F(LoadDriverTest, TotalFailureReturnsZeroAndRemovesTheService) {
    EXPECT_EQ(LoadDriver(), 0);
    EXPECT_TRUE(services.services.empty());
    ASSERT_GE(services.calls.size(), 2u);
    EXPECT_EQ(services.calls[services.calls.size() - 2], "CloseServiceHandle");
    EXPECT_NE(std::find(services.calls.end() - 4, services.calls.end(), "DeleteService Borealix"),
              services.calls.end());
}

TEST_F(LoadDriverTest, CreationFailingOtherwiseRemovesAndRetriesOnce) {
    services.createFailure = ERROR_ACCESS_DENIED;
    EXPECT_EQ(InstallDriverService("Borealix", kPath32), 0);
    int creates = 0;
    for (const std::string& call : services.calls) creates += call.rfind("CreateService", 0) == 0;
    EXPECT_EQ(creates, 2);
}

TEST_F(LoadDriverTest, Win9xFamilyInstallsNothing) {
    system.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    EXPECT_EQ(LoadDriver(), 1);
    EXPECT_TRUE(services.calls.empty());
    EXPECT_EQ(system.currentDirectory, "/opt/tarvolent/bin");
}

TEST_F(LoadDriverTest, ServiceStepsReportTheirOwnResults) {
    ScHandle manager = services.OpenSCManager(SC_MANAGER_ALL_ACCESS);
    EXPECT_EQ(StartDriverService(manager, "Borealix"), 0);  // no such service
    EXPECT_EQ(CreateDriverService(manager, "Borealix", kPath32), 1);
    EXPECT_EQ(CreateDriverService(manager, "Borealix", kPath32), 1);  // exists counts
    services.createFailure = ERROR_ACCESS_DENIED;
    EXPECT_EQ(CreateDriverService(manager, "Other", kPath32), 0);
    EXPECT_EQ(StartDriverService(manager, "Borealix"), 0);  // file not found
    services.startablePaths = {kPath32};
    EXPECT_EQ(StartDriverService(manager, "Borealix"), 1);
    EXPECT_EQ(StartDriverService(manager, "Borealix"), 1);  // already running
    services.CloseServiceHandle(manager);
    EXPECT_EQ(RemoveDriverService("Borealix"), 1);
    EXPECT_EQ(RemoveDriverService("Borealix"), 1);  // nothing there: still 1
    EXPECT_TRUE(services.services.empty());
}

}  // namespace
