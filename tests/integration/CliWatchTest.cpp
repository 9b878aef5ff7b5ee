// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "support/AppProcess.h"
#include "support/CliTest.h"
#include "support/DriverStop.h"
#include "support/MachineJson.h"

namespace {

using namespace std::chrono_literals;

// Generous: the machine may be busy; a change shows within two intervals.
constexpr auto kDeadline = 20s;

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class CliWatchTest : public CliTest {
  protected:
    // 00:00.0 as machine files have it; 00:01.0 writable in every byte, so
    // a write of FFFFFFFF to its identity unplugs it.
    std::string Machine() {
        const std::string identity = ConfigHex({{0x00, 0x12348086}, {0x08, 0x02000000}});
        std::string json = MachineJson({{"00:00.0", {{0x00, 0x12348086}, {0x08, 0x02000000}}}});
        json.insert(json.size() - 2, R"(, {"bdf": "00:01.0", "config": ")" + identity +
                                         R"(", "writable": ")" + std::string(512, 'f') + R"("})");
        return WriteMachine("watch.json", json);
    }

    // A watch in the background, once it has read the function the first time.
    std::unique_ptr<AppProcess> StartWatch(const std::string& machine,
                                           std::vector<std::string> arguments) {
        // The driver is started here, where the fixture stops it again.
        EXPECT_EQ(Run("read 00:00.0 0", machine).exitCode, 0);
        arguments.insert(arguments.begin(), {"--machine", machine, "watch"});
        auto watch = std::make_unique<AppProcess>(std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli",
                                                  arguments);
        EXPECT_TRUE(
            WaitUntil([&] { return watch->StandardError().find("watching") != std::string::npos; },
                      kDeadline))
            << watch->StandardError();
        return watch;
    }
};

// A dword another process writes shows as one line, and an interruption
// ends the watch cleanly.
TEST_F(CliWatchTest, SeesAWriteOfAnotherProcessAndStopsWhenAsked) {
    const std::string machine = Machine();
    for (int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        auto watch = StartWatch(machine, {"00:00.0", "--interval", "100"});
        const std::string value = signalNumber == SIGINT ? "0000010B" : "0000020A";
        ASSERT_EQ(Run("write 00:00.0 3C " + value, machine).exitCode, 0);
        const std::string expected = " -> 0x" + value + " ";
        EXPECT_TRUE(WaitUntil(
            [&] { return watch->StandardOutput().find(expected) != std::string::npos; }, kDeadline))
            << watch->StandardOutput();
        watch->Signal(signalNumber);
        EXPECT_EQ(watch->WaitForExit(kDeadline), 0);
        const std::string out = watch->StandardOutput();
        EXPECT_EQ(Count(out, "\n"), 1u) << out;
        EXPECT_NE(out.find(" 0x003C 0x"), std::string::npos) << out;
        EXPECT_NE(out.find("IntLine"), std::string::npos) << out;
        EXPECT_EQ(out[4], '-');
        EXPECT_EQ(out.substr(out.find('Z') - 4, 1), ".");
    }
}

TEST_F(CliWatchTest, JsonLinesAndACountThatEndsTheWatch) {
    const std::string machine = Machine();
    auto watch = StartWatch(machine, {"--json", "00:00.0", "--count", "1", "--interval", "50"});
    ASSERT_EQ(Run("write 00:00.0 3C 00000109", machine).exitCode, 0);
    EXPECT_EQ(watch->WaitForExit(kDeadline), 0) << watch->StandardError();
    const nlohmann::json line = nlohmann::json::parse(watch->StandardOutput());
    EXPECT_EQ(line["bdf"], "00:00.0");
    EXPECT_EQ(line["offset"], 0x3C);
    EXPECT_EQ(line["new"], 0x109);
    EXPECT_TRUE(line["old"].is_number());
    EXPECT_TRUE(line["fields"].is_array());
    EXPECT_EQ(line["time"].get<std::string>().back(), 'Z');
}

// A function that goes, by an unplug or with the driver, is said once and
// ends the watch with a failure.
TEST_F(CliWatchTest, AFunctionThatGoesIsReportedOnce) {
    const std::string machine = Machine();
    struct Gone {
        const char* bdf;
        bool stopDriver;
        const char* reason;
    };
    for (const Gone& gone : {Gone{"00:01.0", false, "its identity reads FFFFFFFF"},
                             Gone{"00:00.0", true, "reading it fails"}}) {
        SCOPED_TRACE(gone.reason);
        auto watch = StartWatch(machine, {gone.bdf, "--interval", "100"});
        if (gone.stopDriver) {
            StopMachineDriver(machine);
        } else {
            ASSERT_EQ(Run(std::string("write ") + gone.bdf + " 0 FFFFFFFF", machine).exitCode, 0);
        }
        EXPECT_EQ(watch->WaitForExit(kDeadline), 1);
        const std::string err = watch->StandardError();
        EXPECT_EQ(Count(err, " is gone ("), 1u) << err;
        EXPECT_NE(err.find(gone.reason), std::string::npos) << err;
    }

    // Not there at all: said at once.
    CliRun absent = Run("watch 07:00.0", machine);
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(absent.err,
              "tarvolent-cli: no function answers at 07:00.0: its identity reads "
              "FFFFFFFF\n");
}

TEST_F(CliWatchTest, BadOptionsAreNamed) {
    const std::string machine = Machine();
    for (const char* arguments :
         {"watch", "watch 00:00.0 --interval 5", "watch 00:00.0 --interval 1f",
          "watch 00:00.0 --interval", "watch 00:00.0 --count 0", "watch 00:00.0 00:01.0",
          "watch 00:00.0 --bogus", "watch 00:20.0"}) {
        CliRun run = Run(arguments, machine);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_NE(run.err.find("usage: tarvolent-cli"), std::string::npos) << arguments;
    }
}

}  // namespace
