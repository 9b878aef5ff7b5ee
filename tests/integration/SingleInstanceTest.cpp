// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/InstanceLock.h"
#include "support/AppMachineRuntime.h"
#include "support/AppProcess.h"
#include "support/DriverStop.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kProgram = std::string(TARVOLENT_BIN_DIR) + "/tarvolent";
const std::string kDriver = std::string(TARVOLENT_BIN_DIR) + "/BOREX64.SYS";

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

class SingleInstance : public testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(kDriver)) GTEST_SKIP() << "no driver program built";
        log_ = fs::path(std::getenv("BOREALIX_RUNTIME_DIR")) / "activation.log";
    }
    void TearDown() override { StopMachineDriver("builtin"); }

    std::unique_ptr<AppProcess> Start() {
        return std::make_unique<AppProcess>(
            kProgram, std::vector<std::string>{"--machine", "builtin"},
            std::vector<std::pair<std::string, std::string>>{
                {"QT_QPA_PLATFORM", "offscreen"}, {"TARVOLENT_TEST_ACTIVATION_LOG", log_}});
    }

    fs::path log_;
};

TEST_F(SingleInstance, ASecondStartEndsAtOnceAndActivatesTheFirst) {
    fs::path activationSocket;
    {
        AppMachineRuntime runtime;
        activationSocket = fs::path(runtime.Directory()) / "MUTEX_TARVOLENT.activate";
    }
    auto first = Start();
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(activationSocket) || !first->Running(); }, 10s));
    ASSERT_TRUE(first->Running()) << first->StandardError();

    auto second = Start();
    EXPECT_EQ(second->WaitForExit(10s), 0) << second->StandardError();
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(log_) == "activated\n"; }, 5s))
        << "log: " << ReadFile(log_);
    EXPECT_TRUE(first->Running());

    first->Signal(SIGTERM);
    EXPECT_EQ(first->WaitForExit(10s), 0) << first->StandardError();
    // The clean exit released the lock.
    AppMachineRuntime runtime;
    InstanceLock lock;
    EXPECT_EQ(lock.Create("MUTEX_TARVOLENT"), InstanceLock::Result::Created);
}

}  // namespace
