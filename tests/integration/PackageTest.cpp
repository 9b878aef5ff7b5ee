#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "integration/InstalledLayout.h"
#include "support/CommandOutput.h"
#include "support/FileText.h"

namespace fs = std::filesystem;

namespace {

// The package `cpack -G DEB` makes of this build, in a scratch folder.
class PackageTest : public testing::Test {
  protected:
    void SetUp() override {
        if (RunShellCommand("command -v dpkg-deb >/dev/null 2>&1").exitCode != 0)
            GTEST_SKIP() << "no dpkg-deb";
        scratch_ = fs::path(std::getenv("BOREALIX_RUNTIME_DIR")) / "package";
        fs::create_directories(scratch_);
        const CommandResult cpack = RunShellCommand(
            "cd '" + scratch_.string() + "' && '" + TARVOLENT_CPACK_COMMAND + "' -G DEB -B . " +
            "--config '" + TARVOLENT_BUILD_DIR + "/CPackConfig.cmake' 2>&1");
        ASSERT_EQ(cpack.exitCode, 0) << cpack.output;
        for (const auto& entry : fs::directory_iterator(scratch_))
            if (entry.path().extension() == ".deb") package_ = entry.path().string();
        ASSERT_FALSE(package_.empty()) << cpack.output;
    }

    std::string Deb(const std::string& arguments) const {
        return CommandOutput("dpkg-deb " + arguments + " '" + package_ + "'");
    }

    // A maintainer script run with `argument`, where the commands it may call
    // are stand-ins that note their calls (getent finds no group); those
    // absent from `present` are not there. The calls, one a line.
    std::string RunScript(const std::string& script, const std::string& argument,
                          const std::set<std::string>& present) {
        const fs::path tools = scratch_ / "tools";
        fs::remove_all(tools);
        fs::create_directories(tools);
        const fs::path log = scratch_ / "calls.log";
        fs::remove(log);
        for (const std::string& tool : present) {
            std::ofstream(tools / tool)
                << "#!/bin/sh\necho \"" << tool << " $*\" >> '" << log.string() << "'\nexit "
                << (tool == "getent" ? 2 : 0) << "\n";
            fs::permissions(tools / tool, fs::perms::owner_all);
        }
        const CommandResult run = RunShellCommand(
            "dpkg-deb --ctrl-tarfile '" + package_ + "' | tar -xO ./" + script + " > '" +
            (scratch_ / script).string() + "' && PATH='" + tools.string() + "' /bin/sh '" +
            (scratch_ / script).string() + "' " + argument + " 2>&1");
        EXPECT_EQ(run.exitCode, 0) << script << " " << argument << ": " << run.output;
        return ReadWholeFile(log.string());
    }

    fs::path scratch_;
    std::string package_;
};

}  // namespace

TEST_F(PackageTest, HoldsTheInstalledLayoutUnderUsr) {
    std::map<std::string, std::string> entries;  // path -> "mode owner" or "-> target"
    std::istringstream contents(Deb("-c"));
    for (std::string line; std::getline(contents, line);) {
        std::istringstream fields(line);
        std::string mode, owner, size, date, time, path, arrow, target;
        fields >> mode >> owner >> size >> date >> time >> path >> arrow >> target;
        if (mode[0] == 'd') continue;
        EXPECT_EQ(owner, "root/root") << path;
        entries[path] = mode[0] == 'l' ? "-> " + target : mode;
    }
    std::map<std::string, std::string> expected;
    for (const std::string& program : kInstalledPrograms)
        expected["./usr/" + program] = "-rwxr-xr-x";
    for (const std::string& data : kInstalledDataFiles) expected["./usr/" + data] = "-rw-r--r--";
    for (const std::string& link : kInstalledLinks)
        expected["./usr/" + link] = "-> " + LinkTarget(link);
    EXPECT_EQ(entries, expected);

    const std::string control = Deb("-f");
    EXPECT_NE(control.find("Package: tarvolent\n"), std::string::npos) << control;
    const size_t depends = control.find("Depends: ");
    ASSERT_NE(depends, std::string::npos) << control;
    const std::string dependencies = control.substr(depends, control.find('\n', depends) - depends);
    for (const char* package : {"libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6",
                                "qt6-qpa-plugins", "fonts-liberation", "systemd | adduser"})
        EXPECT_NE(dependencies.find(package), std::string::npos) << package << ": " << dependencies;

    // The service names the packaged driver.
    const CommandResult service = RunShellCommand(
        "dpkg-deb --fsys-tarfile '" + package_ +
        "' | tar -xO ./usr/lib/systemd/system/borealix.service | grep '^ExecStart='");
    EXPECT_EQ(service.output, "ExecStart=/usr/lib/tarvolent/BOREX64.SYS --system\n");
}

// The scripts make the group whichever tool the system has, and touch the
// service only where systemd runs.
TEST_F(PackageTest, MaintainerScriptsMakeTheGroupAndLeaveNoSystemdAlone) {
    const std::string info = Deb("-I");
    for (const char* script : {"postinst", "prerm", "postrm"})
        EXPECT_NE(info.find(std::string("*  ") + script), std::string::npos) << info;

    const bool systemdRuns = fs::is_directory("/run/systemd/system");
    const std::string enabled =
        systemdRuns ? "systemctl daemon-reload\nsystemctl enable --now borealix.socket\n"
                      "systemctl try-restart borealix.service\n"
                    : "";
    EXPECT_EQ(RunScript("postinst", "configure", {"systemd-sysusers", "addgroup", "systemctl"}),
              "systemd-sysusers /usr/lib/sysusers.d/borealix.conf\n" + enabled);
    EXPECT_EQ(RunScript("postinst", "configure", {"getent", "addgroup", "systemctl"}),
              "getent group borealix\naddgroup --system borealix\n" + enabled);
    EXPECT_EQ(RunScript("postinst", "abort-upgrade", {"systemd-sysusers", "systemctl"}), "");

    EXPECT_EQ(RunScript("prerm", "remove", {"systemctl"}),
              systemdRuns ? "systemctl disable --now borealix.socket\n"
                            "systemctl stop borealix.service\n"
                          : "");
    EXPECT_EQ(RunScript("prerm", "upgrade", {"systemctl"}), "");
    EXPECT_EQ(RunScript("postrm", "purge", {"systemctl"}),
              systemdRuns ? "systemctl daemon-reload\n" : "");
}
