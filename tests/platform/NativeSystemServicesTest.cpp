#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "EnvironmentGuard.h"
#include "platform/SystemServices.h"

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

// The answer for `directory` in a child process running as uid and gid 65534.
bool MayWriteAsNobody(const std::string& directory) {
    const pid_t child = fork();
    if (child == 0) {
        const bool may = setresgid(65534, 65534, 65534) == 0 && setgroups(0, nullptr) == 0 &&
                         setresuid(65534, 65534, 65534) == 0 &&
                         SystemServices::Native().MayWriteDirectory(directory);
        _exit(may ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// An installed program directory is root's: another user may not write there.
TEST(NativeSystemServices, WriteAccessIsThisUsersOwn) {
    SystemServices& system = SystemServices::Native();
    const std::filesystem::path scratch = std::getenv("BOREALIX_RUNTIME_DIR");
    EXPECT_TRUE(system.MayWriteDirectory(scratch));
    EXPECT_FALSE(system.MayWriteDirectory(scratch / "missing"));
    EXPECT_FALSE(system.MayWriteDirectory(""));

    if (geteuid() != 0) GTEST_SKIP() << "another user needs root to become";
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    if ((std::filesystem::status(temp).permissions() & std::filesystem::perms::others_exec) ==
        std::filesystem::perms::none)
        GTEST_SKIP() << "another user cannot reach " << temp;
    std::string pattern = (temp / "tv-write-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(pattern.data()));
    const std::filesystem::path top = pattern;
    std::filesystem::permissions(top, std::filesystem::perms(0711));
    const std::filesystem::path program = top / "program";
    const std::filesystem::path own = top / "own";
    std::filesystem::create_directories(program);
    std::filesystem::create_directories(own);
    std::filesystem::permissions(program, std::filesystem::perms(0755));
    const bool owned = chown(own.c_str(), 65534, 65534) == 0;
    EXPECT_TRUE(owned);
    EXPECT_FALSE(MayWriteAsNobody(program));
    EXPECT_EQ(MayWriteAsNobody(own), owned);
    std::filesystem::remove_all(top);
}

}  // namespace
