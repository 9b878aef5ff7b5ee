// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include <thread>
#include "support/AppMachineRuntime.h"
#include "support/AppProcess.h"
#include "support/DriverStop.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kProgram = std::string(TARVOLENT_BIN_DIR) + "/tarvolent";
const std::string kDriver = std::string(TARVOLENT_BIN_DIR) + "/BOREX64.SYS";
const std::vector<std::pair<std::string, std::string>> kOffscreen = {
    {"QT_QPA_PLATFORM", "offscreen"}};

TEST(AppStartup, InstallsTheDriverStaysUpAndLeavesTheDriverRunningAtExit) {
    if (!fs::exists(kDriver)) GTEST_SKIP() << "no driver program built";
    fs::path driverSocket;
    {
        AppMachineRuntime runtime;
        driverSocket = fs::path(runtime.Directory()) / "Borealix";
    }
    AppProcess app(kProgram, {"--machine", "builtin", "ignored-file.log"}, kOffscreen);
    ASSERT_TRUE(WaitUntil([&] { return fs::is_socket(driverSocket) || !app.Running(); }, 10s));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(app.Running()) << app.StandardError();

    app.Signal(SIGTERM);
    EXPECT_EQ(app.WaitForExit(10s), 0) << app.StandardError();
    EXPECT_TRUE(fs::is_socket(driverSocket));
    StopMachineDriver("builtin");
}

TEST(AppStartup, AProgramDirectoryWithoutTheDriverReportsTheFailureAndExitsNonZero) {
    fs::path directory = fs::path(std::getenv("BOREALIX_RUNTIME_DIR")) / "no-driver";
    fs::create_directories(directory);
    fs::copy_file(kProgram, directory / "tarvolent", fs::copy_options::overwrite_existing);

    AppProcess app((directory / "tarvolent").string(), {"--machine", "builtin"}, kOffscreen);
    const std::optional<int> status = app.WaitForExit(20s);
    ASSERT_TRUE(status.has_value()) << "still running";
    EXPECT_NE(*status, 0);
    EXPECT_NE(app.StandardError().find("TARVOLENT: Error! Load driver failed!"), std::string::npos)
        << app.StandardError();
    StopMachineDriver("builtin");
}

TEST(AppStartup, AnUnreadableMachineFileEndsBeforeAnyWindowWithStatus2) {
    AppProcess app(kProgram, {"--machine", "/nonexistent/machine.json"}, kOffscreen);
    EXPECT_EQ(app.WaitForExit(10s), 2);
    EXPECT_NE(app.StandardError().find("/nonexistent/machine.json"), std::string::npos)
        << app.StandardError();

    AppProcess missing(kProgram, {"--machine"}, kOffscreen);
    EXPECT_EQ(missing.WaitForExit(10s), 2);
}

}  // namespace
