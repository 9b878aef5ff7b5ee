// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "integration/InstalledLayout.h"
#include "support/CommandOutput.h"
#include "support/FileText.h"

namespace fs = std::filesystem;

namespace {

// The package `cpack -G DEB` makes of this build, built once for every test
// here (it takes a while) in a scratch folder.
class PackageTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!HasTool("dpkg-deb")) return;
        scratch_ = fs::path(std::getenv("BOREALIX_RUNTIME_DIR")) / "package";
        fs::create_directories(scratch_);
        const CommandResult cpack = RunShellCommand(
            "cd '" + scratch_.string() + "' && '" + TARVOLENT_CPACK_COMMAND + "' -G DEB -B . " +
            "--config '" + TARVOLENT_BUILD_DIR + "/CPackConfig.cmake' 2>&1");
        for (const auto& entry : fs::directory_iterator(scratch_))
            if (entry.path().extension() == ".deb") package_ = entry.path().string();
        if (cpack.exitCode != 0 || package_.empty()) buildError_ = cpack.output;
    }

    void SetUp() override {
        if (!HasTool("dpkg-deb")) GTEST_SKIP() << "no dpkg-deb";
        ASSERT_TRUE(buildError_.empty()) << buildError_;
    }

    static std::string Deb(const std::string& arguments) {
        return CommandOutput("dpkg-deb " + arguments + " '" + package_ + "'");
    }
    static std::string PackagedFile(const std::string& path) {
        return CommandOutput("dpkg-deb --fsys-tarfile '" + package_ + "' | tar -xO ./" + path);
    }

    // A maintainer script run with `arguments`, where the commands it may call
    // are stand-ins that note their calls and exit with the status given;
    // commands not named are not there. The calls, one a line, and what the
    // script said.
    std::pair<std::string, std::string> RunScript(const std::string& script,
                                                  const std::string& arguments,
                                                  const std::map<std::string, int>& tools) {
        const fs::path bin = scratch_ / "tools";
        fs::remove_all(bin);
        fs::create_directories(bin);
        const fs::path log = scratch_ / "calls.log";
        fs::remove(log);
        for (const auto& [tool, status] : tools) {
            std::ofstream(bin / tool) << "#!/bin/sh\necho \"" << tool << " $*\" >> '"
                                      << log.string() << "'\nexit " << status << "\n";
            fs::permissions(bin / tool, fs::perms::owner_all);
        }
        const CommandResult run = RunShellCommand(
            "dpkg-deb --ctrl-tarfile '" + package_ + "' | tar -xO ./" + script + " > '" +
            (scratch_ / script).string() + "' && PATH='" + bin.string() + "' /bin/sh '" +
            (scratch_ / script).string() + "' " + arguments + " 2>&1");
        EXPECT_EQ(run.exitCode, 0) << script << " " << arguments << ": " << run.output;
        return {ReadWholeFile(log.string()), run.output};
    }

    static inline fs::path scratch_;
    static inline std::string package_;
    static inline std::string buildError_;
};

// The value of a control field, continuation lines included.
std::string ControlField(const std::string& control, const std::string& name) {
    const size_t start = control.find("\n" + name + ": ");
    if (start == std::string::npos) return "";
    size_t end = start + 1;
    while ((end = control.find('\n', end + 1)) != std::string::npos && control[end + 1] == ' ') {
    }
    return control.substr(start + name.size() + 3, end - start - name.size() - 3);
}

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

    // The service names the packaged driver.
    const CommandResult service = RunShellCommand(
        "dpkg-deb --fsys-tarfile '" + package_ +
        "' | tar -xO ./usr/lib/systemd/system/borealix.service | grep '^ExecStart='");
    EXPECT_EQ(service.output, "ExecStart=/usr/lib/tarvolent/BOREX64.SYS --system\n");
}

TEST_F(PackageTest, ControlFieldsNameTheVersionMaintainerAndDependencies) {
    const std::string control = "\n" + Deb("-f");
    EXPECT_EQ(ControlField(control, "Package"), "tarvolent");
    EXPECT_EQ(ControlField(control, "Version"), "1.88.00.8");
    EXPECT_EQ(ControlField(control, "Homepage"), "https://tarvolent.github.io/");
    EXPECT_TRUE(ControlField(control, "Maintainer").ends_with(">")) << control;

    const std::string dependencies = ControlField(control, "Depends");
    for (const char* package : {"libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6",
                                "qt6-qpa-plugins", "fonts-liberation", "systemd | adduser"})
        EXPECT_NE(dependencies.find(package), std::string::npos) << package << ": " << dependencies;

    std::istringstream description(ControlField(control, "Description"));
    for (std::string line; std::getline(description, line);)
        EXPECT_LE(line.size() + 1, 80u) << line;  // +1: the space before it

    // The changelog is Debian's format and names the same version.
    const fs::path changelog = scratch_ / "changelog";
    std::ofstream(changelog) << PackagedFile("usr/share/doc/tarvolent/changelog.gz");
    const CommandResult parsed = RunShellCommand("gzip -dc '" + changelog.string() +
                                                 "' | dpkg-parsechangelog -l - -S Version 2>&1");
    EXPECT_EQ(parsed.output, "1.88.00.8\n");
    EXPECT_EQ(PackagedFile("usr/share/doc/tarvolent/copyright"),
              ReadWholeFile(std::string(TARVOLENT_SOURCE_DIR) + "/packaging/copyright"));
}

// The scripts make the group whichever tool the system has and keep the
// socket's enabled state as debhelper's would; they start, restart and stop
// units only where systemd runs.
TEST_F(PackageTest, MaintainerScriptsMakeTheGroupAndKeepTheSocketsState) {
    const std::string info = Deb("-I");
    for (const char* script : {"postinst", "prerm", "postrm"})
        EXPECT_NE(info.find(std::string("*  ") + script), std::string::npos) << info;

    const bool systemdRuns = fs::is_directory("/run/systemd/system");
    const std::string enable =
        "deb-systemd-helper --quiet was-enabled borealix.socket\n"
        "deb-systemd-helper enable borealix.socket\n";
    const std::string start =
        "systemctl --system daemon-reload\n"
        "deb-systemd-invoke start borealix.socket\n";
    struct Case {
        const char* script;
        const char* arguments;
        std::map<std::string, int> tools;
        std::string calls;
        std::string callsWhereSystemdRuns;
        const char* said;  // where systemd runs
    };
    const Case cases[] = {
        {"postinst",
         "configure",
         {{"systemd-sysusers", 0},
          {"deb-systemd-helper", 0},
          {"deb-systemd-invoke", 0},
          {"systemctl", 0}},
         "systemd-sysusers /usr/lib/sysusers.d/borealix.conf\n" + enable,
         start,
         ""},
        // An upgrade where the administrator disabled the socket, without
        // systemd-sysusers: the state is kept, a running service restarts.
        {"postinst",
         "configure 1.0",
         {{"getent", 2},
          {"addgroup", 0},
          {"deb-systemd-helper", 1},
          {"deb-systemd-invoke", 0},
          {"systemctl", 0}},
         "getent group borealix\naddgroup --system borealix\n"
         "deb-systemd-helper --quiet was-enabled borealix.socket\n"
         "deb-systemd-helper update-state borealix.socket\n",
         start + "deb-systemd-invoke restart borealix.service\n",
         ""},
        {"postinst",
         "configure",
         {{"systemd-sysusers", 0},
          {"deb-systemd-helper", 0},
          {"deb-systemd-invoke", 1},
          {"systemctl", 0}},
         "systemd-sysusers /usr/lib/sysusers.d/borealix.conf\n" + enable,
         start,
         "borealix.socket did not start"},
        {"postinst", "triggered", {{"systemd-sysusers", 0}, {"deb-systemd-helper", 0}}, "", "", ""},
        {"prerm",
         "remove",
         {{"deb-systemd-invoke", 0}},
         "",
         "deb-systemd-invoke stop tarvolent-metrics.timer borealix.socket borealix.service\n",
         ""},
        {"prerm", "upgrade 1.88.00.9", {{"deb-systemd-invoke", 0}}, "", "", ""},
        {"postrm", "remove", {{"systemctl", 0}}, "", "systemctl --system daemon-reload\n", ""},
        {"postrm",
         "purge",
         {{"deb-systemd-helper", 0}},
         "deb-systemd-helper purge borealix.socket tarvolent-metrics.timer\n",
         "",
         ""},
        {"postrm", "purge", {}, "", "", ""},
    };
    for (const Case& c : cases) {
        const auto [calls, said] = RunScript(c.script, c.arguments, c.tools);
        EXPECT_EQ(calls, c.calls + (systemdRuns ? c.callsWhereSystemdRuns : ""))
            << c.script << " " << c.arguments;
        if (systemdRuns && *c.said) {
            EXPECT_NE(said.find(c.said), std::string::npos) << said;
        }
    }
}

// What a distribution checks of every package: no error and no warning.
TEST_F(PackageTest, LintianFindsNothingWrong) {
    if (!HasTool("lintian")) GTEST_SKIP() << "no lintian";
    const CommandResult lintian =
        RunShellCommand("lintian --tag-display-limit 0 '" + package_ + "' 2>&1");
    std::istringstream lines(lintian.output);
    for (std::string line; std::getline(lines, line);)
        EXPECT_FALSE(line.starts_with("E: ") || line.starts_with("W: ")) << line;
    EXPECT_EQ(lintian.exitCode, 0) << lintian.output;
}
