// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/route/Fnv1a.h"
#include "platform/route/MachineSelection.h"
#include "platform/trust/RuntimeDirectory.h"
#include "support/EnvironmentGuard.h"
#include "support/FileMode.h"

namespace {

namespace fs = std::filesystem;

TEST(RuntimeDirectory, FollowsTheEnvironmentAndIsCreatedPrivate) {
    EnvironmentGuard runtime("BOREALIX_RUNTIME_DIR");
    EnvironmentGuard xdg("XDG_RUNTIME_DIR");
    EnvironmentGuard tmpdir("TMPDIR");
    const std::string base = RuntimeDirectory();
    std::string nested = base + "/rd/a/b";
    setenv("BOREALIX_RUNTIME_DIR", (nested + "/").c_str(), 1);
    EXPECT_EQ(RuntimeDirectory(), nested);
    EXPECT_EQ(ModeOf(nested), 0700u);
    EXPECT_EQ(ModeOf(base + "/rd/a"), 0700u);
    EXPECT_EQ(RuntimeDirectoryProblem(), "");

    // Absolute, so a driver that changes directory still finds it.
    const std::string current = fs::current_path().string();
    fs::current_path(base);
    setenv("BOREALIX_RUNTIME_DIR", "rd/./a/../a/b", 1);
    EXPECT_EQ(RuntimeDirectory(), nested);
    fs::current_path(current);

    unsetenv("BOREALIX_RUNTIME_DIR");
    setenv("XDG_RUNTIME_DIR", (base + "/xdg").c_str(), 1);
    EXPECT_EQ(RuntimeDirectory(), base + "/xdg/borealix");
    EXPECT_EQ(ModeOf(base + "/xdg/borealix"), 0700u);
    // Last, a folder of this user's in the temporary directory.
    setenv("XDG_RUNTIME_DIR", "", 1);
    setenv("TMPDIR", (base + "/tmp").c_str(), 1);
    EXPECT_EQ(RuntimeDirectory(), base + "/tmp/borealix-" + std::to_string(geteuid()));
    EXPECT_EQ(ModeOf(base + "/tmp/borealix-" + std::to_string(geteuid())), 0700u);
}

// Root owns both, so only the path keeps them apart.
TEST(RuntimeDirectory, IsNeverTheSystemDriversFolder) {
    EnvironmentGuard runtime("BOREALIX_RUNTIME_DIR");
    EnvironmentGuard system("BOREALIX_SYSTEM_DIR");
    const std::string base = RuntimeDirectory();
    setenv("BOREALIX_SYSTEM_DIR", (base + "/system/").c_str(), 1);
    for (const std::string& inside : {base + "/system", base + "/system/machines/1"}) {
        setenv("BOREALIX_RUNTIME_DIR", inside.c_str(), 1);
        EXPECT_EQ(RuntimeDirectoryProblem(), "Refused runtime directory " + inside +
                                                 ": it is the system driver's folder " + base +
                                                 "/system");
    }
    setenv("BOREALIX_RUNTIME_DIR", (base + "/system-not").c_str(), 1);
    EXPECT_EQ(RuntimeDirectoryProblem(), "");
}

TEST(SelectMachine, KeysTheRuntimeDirectoryByPathAndVersion) {
    EnvironmentGuard runtime("BOREALIX_RUNTIME_DIR");
    EnvironmentGuard machine("BOREALIX_MACHINE");
    const std::string base = RuntimeDirectory();
    std::string file = base + "/machine.json";
    std::ofstream(file) << "{}";

    std::string error;
    ASSERT_TRUE(SelectMachine(file, &error)) << error;
    EXPECT_EQ(std::string(std::getenv("BOREALIX_MACHINE")), fs::canonical(file).string());
    std::string first = std::getenv("BOREALIX_RUNTIME_DIR");
    EXPECT_EQ(first.rfind(base + "/machines/", 0), 0u);
    EXPECT_EQ(first.size(), base.size() + std::string("/machines/").size() + 16);
    EXPECT_TRUE(fs::is_directory(first));

    // The same file again is served by the same driver.
    setenv("BOREALIX_RUNTIME_DIR", base.c_str(), 1);
    ASSERT_TRUE(SelectMachine(file, &error));
    EXPECT_EQ(std::string(std::getenv("BOREALIX_RUNTIME_DIR")), first);

    // An edited file gets a driver of its own, and so does one replaced by
    // another of the same size.
    setenv("BOREALIX_RUNTIME_DIR", base.c_str(), 1);
    std::ofstream(file) << "{\"name\": \"x\"}";
    ASSERT_TRUE(SelectMachine(file, &error));
    const std::string edited = std::getenv("BOREALIX_RUNTIME_DIR");
    EXPECT_NE(edited, first);
    setenv("BOREALIX_RUNTIME_DIR", base.c_str(), 1);
    std::ofstream(file + ".new") << "{\"name\": \"y\"}";
    fs::rename(file + ".new", file);
    ASSERT_TRUE(SelectMachine(file, &error));
    EXPECT_NE(std::string(std::getenv("BOREALIX_RUNTIME_DIR")), edited);

    setenv("BOREALIX_RUNTIME_DIR", base.c_str(), 1);
    ASSERT_TRUE(SelectMachine("builtin", &error));
    EXPECT_EQ(std::string(std::getenv("BOREALIX_MACHINE")), "builtin");

    setenv("BOREALIX_RUNTIME_DIR", base.c_str(), 1);
    EXPECT_FALSE(SelectMachine(base + "/absent.json", &error));
    EXPECT_EQ(error,
              "Cannot read machine file " + base + "/absent.json: No such file or directory");
    EXPECT_FALSE(SelectMachine(base, &error));  // a directory
    EXPECT_EQ(error, "Cannot read machine file " + base + ": Is a directory");
    EXPECT_EQ(std::string(std::getenv("BOREALIX_RUNTIME_DIR")), base);
}

TEST(Fnv1a64, KnownValues) {
    EXPECT_EQ(Fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(Fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(Fnv1a64("bc", Fnv1a64("a")), Fnv1a64("abc"));
}

}  // namespace
