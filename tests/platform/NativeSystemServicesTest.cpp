// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/SystemServices.h"
#include "support/EnvironmentGuard.h"
#include "support/OtherUser.h"

namespace {

TEST(NativeSystemServices, HomeIsTheVariableWhenAbsoluteElseThePasswordEntry) {
    EnvironmentGuard home("HOME");
    SystemServices& system = SystemServices::Native();
    setenv("HOME", "/srv/someone", 1);
    EXPECT_EQ(system.HomeDirectory(), "/srv/someone/");
    setenv("HOME", "/", 1);
    EXPECT_EQ(system.HomeDirectory(), "/");

    const passwd* entry = getpwuid(geteuid());
    if (!entry) GTEST_SKIP() << "this user has no password entry";
    const std::string own = std::string(entry->pw_dir) + "/";
    for (const char* unusable : {"", "relative/home"}) {
        setenv("HOME", unusable, 1);
        EXPECT_EQ(system.HomeDirectory(), own) << unusable;
    }
    unsetenv("HOME");
    EXPECT_EQ(system.HomeDirectory(), own);
}

// Whether another user may write in `directory`, as the program run as
// that user judges.
bool MayWriteAsOtherUser(const std::filesystem::path& directory) {
    return OtherUser::RunThisProgram(OtherUser::Prefix(), "TARVOLENT_WRITE_PROBE",
                                     directory.string()) == "y\n";
}

// An installed program directory is root's: another user may not write there.
TEST(NativeSystemServices, WriteAccessIsThisUsersOwn) {
    SystemServices& system = SystemServices::Native();
    const std::filesystem::path scratch = std::getenv("BOREALIX_RUNTIME_DIR");
    EXPECT_TRUE(system.MayWriteDirectory(scratch));
    EXPECT_FALSE(system.MayWriteDirectory(scratch / "missing"));
    EXPECT_FALSE(system.MayWriteDirectory(""));

    if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OtherUser other;
    const std::filesystem::path program = other.Shared().parent_path() / "program";
    std::filesystem::create_directory(program);
    std::filesystem::permissions(program, std::filesystem::perms(0755));
    const std::filesystem::path own = other.Shared() / "own";
    ASSERT_TRUE(other.Run("mkdir " + own.string()));
    EXPECT_FALSE(MayWriteAsOtherUser(program));
    EXPECT_TRUE(MayWriteAsOtherUser(own));
}

}  // namespace
