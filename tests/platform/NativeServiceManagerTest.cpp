// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ServiceManager.h"
#include "platform/SystemServices.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/ErrorCodes.h"
#include "support/EnvironmentGuard.h"

namespace {

ServiceConfig ConfigOf(const std::string& name, const std::string& path) {
    return {name, name, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path};
}

std::string RecordText(const std::string& name) {
    std::ifstream file(RuntimeDirectory() + "/services/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class NativeServiceManagerTest : public testing::Test {
protected:
    ServiceManager& services = ServiceManager::Native();
    ScHandle manager = 0;
    EnvironmentGuard daemonGuard{"TARVOLENT_FAKE_DAEMON"};

    void SetUp() override { manager = services.OpenSCManager(SC_MANAGER_ALL_ACCESS); }
    void TearDown() override { EXPECT_TRUE(services.CloseServiceHandle(manager)); }
};

TEST_F(NativeServiceManagerTest, RecordsAreCreatedOnceOpenedAndDeleted) {
    ScHandle created = services.CreateService(manager, ConfigOf("Records", "/x/BOREX64.SYS"),
                                              SERVICE_ALL_ACCESS);
    ASSERT_NE(created, 0);
    EXPECT_EQ(RecordText("Records"),
              "Name=Records\nDisplayName=Records\nType=1\nStartType=3\nErrorControl=1\n"
              "BinaryPath=/x/BOREX64.SYS\n");
    EXPECT_EQ(services.CreateService(manager, ConfigOf("Records", "/y"), SERVICE_ALL_ACCESS), 0);
    EXPECT_EQ(services.GetLastError(), ERROR_SERVICE_EXISTS);
    EXPECT_NE(RecordText("Records").find("/x/BOREX64.SYS"), std::string::npos);

    EXPECT_EQ(services.OpenService(manager, "Missing", SERVICE_ALL_ACCESS), 0);
    EXPECT_EQ(services.GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(services.CreateService(manager, ConfigOf("a/b", "/x"), SERVICE_ALL_ACCESS), 0);
    EXPECT_EQ(services.GetLastError(), ERROR_INVALID_NAME);
    EXPECT_EQ(services.CreateService(created, ConfigOf("Other", "/x"), SERVICE_ALL_ACCESS), 0);
    EXPECT_EQ(services.GetLastError(), ERROR_INVALID_HANDLE);

    ScHandle opened = services.OpenService(manager, "Records", SERVICE_ALL_ACCESS);
    ASSERT_NE(opened, 0);
    EXPECT_FALSE(services.ControlService(opened, SERVICE_CONTROL_STOP));
    EXPECT_EQ(services.GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
    EXPECT_TRUE(services.DeleteService(opened));
    EXPECT_FALSE(services.DeleteService(created));
    EXPECT_EQ(services.GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_TRUE(services.CloseServiceHandle(opened));
    EXPECT_TRUE(services.CloseServiceHandle(created));
    EXPECT_FALSE(services.CloseServiceHandle(created));
    EXPECT_EQ(services.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(services.OpenService(manager, "Records", SERVICE_ALL_ACCESS), 0);
}

TEST_F(NativeServiceManagerTest, MalformedRecordIsRefused) {
    std::filesystem::create_directories(RuntimeDirectory() + "/services");
    std::ofstream(RuntimeDirectory() + "/services/Broken") << "Name=Broken\nColour=blue\n";
    EXPECT_EQ(services.OpenService(manager, "Broken", SERVICE_ALL_ACCESS), 0);
    EXPECT_EQ(services.GetLastError(), ERROR_GEN_FAILURE);
}

TEST_F(NativeServiceManagerTest, StartSpawnsTheDaemonAndStopEndsIt) {
    std::string program = SystemServices::Native().ModuleFileName();
    setenv("TARVOLENT_FAKE_DAEMON", "Daemon", 1);
    ScHandle service = services.CreateService(manager, ConfigOf("Daemon", program),
                                              SERVICE_ALL_ACCESS);
    ASSERT_NE(service, 0);
    ASSERT_TRUE(services.StartService(service)) << services.GetLastError();
    std::string socketPath = RuntimeDirectory() + "/Daemon";
    EXPECT_TRUE(unix_socket::Answers(socketPath));
    EXPECT_FALSE(services.StartService(service));
    EXPECT_EQ(services.GetLastError(), ERROR_SERVICE_ALREADY_RUNNING);
    EXPECT_TRUE(services.ControlService(service, SERVICE_CONTROL_STOP));
    EXPECT_FALSE(unix_socket::Answers(socketPath));
    EXPECT_FALSE(services.ControlService(service, SERVICE_CONTROL_STOP));
    EXPECT_EQ(services.GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
    EXPECT_TRUE(services.DeleteService(service));
    EXPECT_TRUE(services.CloseServiceHandle(service));
}

TEST_F(NativeServiceManagerTest, StartFailuresNameTheirCause) {
    std::string program = SystemServices::Native().ModuleFileName();
    std::string notExecutable = RuntimeDirectory() + "/plain.txt";
    std::ofstream(notExecutable) << "x";
    struct Case {
        const char* name;
        std::string path;
        const char* daemonMode;
        uint32_t error;
    };
    const Case cases[] = {
        {"NoFile", RuntimeDirectory() + "/BOREALIX.SYS", "NoFile", ERROR_FILE_NOT_FOUND},
        {"NotExec", notExecutable, "NotExec", ERROR_FILE_NOT_FOUND},
        {"Aborts", program, "fail", ERROR_PROCESS_ABORTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("TARVOLENT_FAKE_DAEMON", c.daemonMode, 1);
        ScHandle service =
            services.CreateService(manager, ConfigOf(c.name, c.path), SERVICE_ALL_ACCESS);
        ASSERT_NE(service, 0);
        EXPECT_FALSE(services.StartService(service));
        EXPECT_EQ(services.GetLastError(), c.error);
        EXPECT_TRUE(services.DeleteService(service));
        EXPECT_TRUE(services.CloseServiceHandle(service));
    }
}

}  // namespace
