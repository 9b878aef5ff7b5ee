// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/trust/PrivateTempFolder.h"
#include "support/DriverStop.h"

// Every test program gets a private runtime directory, and a system driver
// folder where none runs, so no test ever meets a driver that a person
// started, nor leaves one where a person would look.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::string pattern = private_temp::TemporaryDirectory() + "tarvolent-test-XXXXXX";
    if (!mkdtemp(pattern.data())) return 2;
    setenv("BOREALIX_RUNTIME_DIR", pattern.c_str(), 1);
    setenv("BOREALIX_SYSTEM_DIR", (pattern + "/no-system-driver").c_str(), 1);
    // Qt makes a runtime folder of its own under /tmp where none is set.
    const std::string xdg = pattern + "/xdg-runtime";
    if (mkdir(xdg.c_str(), 0700) != 0) return 2;
    setenv("XDG_RUNTIME_DIR", xdg.c_str(), 1);
    // Any driver a test starts on this machine's hardware only reads it.
    setenv("BOREALIX_HARDWARE_READ_ONLY", "1", 1);
    int result = RUN_ALL_TESTS();
    // A safety net behind the tests' own clean-up: no driver outlives the run.
    for (const std::string& socket : StopDriversUnder(pattern))
        std::fprintf(stderr, "note: stopped a driver left running at %s\n", socket.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return result;
}
