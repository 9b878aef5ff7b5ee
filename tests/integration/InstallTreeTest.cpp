// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "integration/InstalledLayout.h"
#include "support/CliTest.h"
#include "support/CommandOutput.h"
#include "support/DriverStop.h"
#include "support/FileText.h"

namespace fs = std::filesystem;

namespace {

// This build installed with `cmake --install` into a scratch prefix.
class InstallTreeTest : public testing::Test {
  protected:
    void SetUp() override {
        scratch_ = fs::path(std::getenv("BOREALIX_RUNTIME_DIR")) / "install";
        prefix_ = scratch_ / "prefix";
        fs::create_directories(scratch_);
        const CommandResult install =
            RunShellCommand(std::string(TARVOLENT_CMAKE_COMMAND) + " --install '" +
                            TARVOLENT_BUILD_DIR + "' --prefix '" + prefix_.string() + "' 2>&1");
        ASSERT_EQ(install.exitCode, 0) << install.output;
    }
    void TearDown() override {
        if (ranBuiltin_) StopMachineDriver(std::string("builtin"));
    }

    std::string Installed(const std::string& relative) const { return (prefix_ / relative); }

    // Runs an installed program from the scratch folder; stdout and stderr.
    CommandResult RunInstalled(const std::string& command) {
        ranBuiltin_ = ranBuiltin_ || command.find("builtin") != std::string::npos;
        return RunShellCommand("cd '" + scratch_.string() + "' && '" + prefix_.string() + "'/" +
                               command + " 2>&1");
    }

    fs::path scratch_;
    fs::path prefix_;

  private:
    bool ranBuiltin_ = false;
};

// Width and height from a PNG's header chunk.
std::pair<uint32_t, uint32_t> PngSize(const std::string& png) {
    auto big = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24 |
               static_cast<uint32_t>(static_cast<uint8_t>(png[at + 1])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(png[at + 2])) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(png[at + 3]));
    };
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0 || png.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    return {big(16), big(20)};
}

}  // namespace

TEST_F(InstallTreeTest, LaysOutTheProgramDirectoryLinksAndSystemFiles) {
    std::set<std::string> found;
    for (auto it = fs::recursive_directory_iterator(prefix_);
         it != fs::recursive_directory_iterator(); ++it) {
        if (!it->is_directory() || it->is_symlink())
            found.insert(it->path().lexically_relative(prefix_).string());
    }
    std::set<std::string> expected = kInstalledDataFiles;
    expected.insert(kInstalledPrograms.begin(), kInstalledPrograms.end());
    expected.insert(kInstalledLinks.begin(), kInstalledLinks.end());
    EXPECT_EQ(found, expected);

    // The manifest names every file, so an uninstall from it leaves nothing.
    // Other installs of this build may have written it since, under another
    // prefix: the paths below the prefix are what count.
    std::istringstream manifest(
        ReadWholeFile(std::string(TARVOLENT_BUILD_DIR) + "/install_manifest.txt"));
    std::set<std::string> listed;
    size_t lines = 0;
    for (std::string line; std::getline(manifest, line); ++lines)
        for (const std::string& path : expected)
            if (line.ends_with("/" + path)) listed.insert(path);
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(lines, expected.size());

    for (const std::string& program : kInstalledPrograms)
        EXPECT_EQ(access(Installed(program).c_str(), X_OK), 0) << program;
    for (const std::string& link : kInstalledLinks) {
        EXPECT_TRUE(fs::is_symlink(Installed(link))) << link;
        EXPECT_EQ(fs::read_symlink(Installed(link)), LinkTarget(link));
        EXPECT_EQ(fs::canonical(Installed(link)),
                  fs::canonical(prefix_ / "lib/tarvolent" / fs::path(link).filename()));
    }
    for (const char* data : {"PciId.txt", "pcidevcl.txt", "regdes.txt"})
        EXPECT_EQ(ReadWholeFile(Installed(std::string("lib/tarvolent/") + data)),
                  ReadWholeFile(std::string(TARVOLENT_BIN_DIR) + "/" + data))
            << data;

    const auto [width, height] =
        PngSize(ReadWholeFile(Installed("share/icons/hicolor/48x48/apps/tarvolent.png")));
    EXPECT_EQ(width, 48u);
    EXPECT_EQ(height, 48u);
    EXPECT_NE(ReadWholeFile(Installed("share/icons/hicolor/scalable/apps/tarvolent.svg"))
                  .find("viewBox=\"0 0 32 32\""),
              std::string::npos);

    // The service runs the installed driver, wherever the prefix is.
    const std::string service = ReadWholeFile(Installed("lib/systemd/system/borealix.service"));
    EXPECT_NE(service.find("\nExecStart=" + Installed("lib/tarvolent/BOREX64.SYS") + " --system\n"),
              std::string::npos)
        << service;
    EXPECT_EQ(service.find("@TARVOLENT"), std::string::npos);
    // The metrics service writes with the installed CLI where node_exporter reads.
    const std::string metrics =
        ReadWholeFile(Installed("lib/systemd/system/tarvolent-metrics.service"));
    EXPECT_NE(metrics.find("\nExecStart=" + Installed("lib/tarvolent/tarvolent-cli") +
                           " metrics -o /var/lib/prometheus/node-exporter/tarvolent.prom\n"),
              std::string::npos)
        << metrics;
    EXPECT_NE(ReadWholeFile(Installed("lib/systemd/system/tarvolent-metrics.timer"))
                  .find("\nOnCalendar=minutely\n"),
              std::string::npos);
    const std::string socket = ReadWholeFile(Installed("lib/systemd/system/borealix.socket"));
    for (const char* line : {"ListenStream=/run/borealix/Borealix", "SocketMode=0660",
                             "SocketUser=root", "SocketGroup=borealix", "DirectoryMode=0755"})
        EXPECT_NE(socket.find(std::string("\n") + line + "\n"), std::string::npos) << line;
    const std::string sysusers = ReadWholeFile(Installed("lib/sysusers.d/borealix.conf"));
    EXPECT_NE(sysusers.find("\ng borealix -\n"), std::string::npos) << sysusers;
}

// Run from the links, the programs find their directory and write only
// where they are told: relative names are the caller's folder, never the
// program directory.
TEST_F(InstallTreeTest, InstalledProgramsRunThroughTheirLinks) {
    const CommandResult scan = RunInstalled("bin/tarvolent-cli --machine builtin scan");
    EXPECT_EQ(scan.exitCode, 0) << scan.output;
    EXPECT_EQ(scan.output, ReadWholeFile(std::string(TARVOLENT_SOURCE_DIR) +
                                         "/tests/pci/golden/cli-scan-builtin.txt"));

    const CommandResult dump =
        RunInstalled("bin/tarvolent-cli --machine builtin dump C0000 100 -o rom.bin");
    EXPECT_EQ(dump.exitCode, 0) << dump.output;
    EXPECT_EQ(fs::file_size(scratch_ / "rom.bin"), 0x100u);
    const CommandResult report =
        RunInstalled("bin/tarvolent-cli --machine builtin report --all -o report.log");
    EXPECT_EQ(report.exitCode, 0) << report.output;
    EXPECT_GT(fs::file_size(scratch_ / "report.log"), 0u);

    std::set<std::string> programDirectory;
    for (const auto& entry : fs::directory_iterator(prefix_ / "lib/tarvolent"))
        programDirectory.insert("lib/tarvolent/" + entry.path().filename().string());
    std::set<std::string> expected = kInstalledPrograms;
    for (const std::string& data : kInstalledDataFiles)
        if (data.rfind("lib/tarvolent/", 0) == 0) expected.insert(data);
    EXPECT_EQ(programDirectory, expected);

    const CommandResult help = RunInstalled("bin/tarvolent-cli --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("usage: tarvolent-cli"), std::string::npos);
}

// Every program says the one version, the window program without a window
// system and without touching another instance or a driver.
TEST_F(InstallTreeTest, ProgramsPrintTheProjectsVersion) {
    for (const char* program :
         {"bin/tarvolent", "bin/tarvolent-cli", "lib/tarvolent/BOREX64.SYS"}) {
        const CommandResult version =
            RunShellCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                            Installed(program) + "' --version 2>&1");
        EXPECT_EQ(version.exitCode, 0) << program;
        EXPECT_EQ(version.output, fs::path(program).filename().string() + " 1.88.00.8\n");
    }
}

TEST_F(InstallTreeTest, DesktopEntryValidates) {
    if (!HasTool("desktop-file-validate")) GTEST_SKIP() << "no desktop-file-validate";
    const CommandResult validate = RunShellCommand(
        "desktop-file-validate '" +
        Installed("share/applications/io.github.tarvolent.Tarvolent.desktop") + "' 2>&1");
    EXPECT_EQ(validate.exitCode, 0) << validate.output;
    EXPECT_EQ(validate.output, "");
}

// Software centres find the program by its metadata: it validates, launches
// the installed desktop entry, and shows screenshots the project publishes
// from docs/screenshots at the sizes those files have.
TEST_F(InstallTreeTest, SoftwareCentreMetadataValidates) {
    const std::string metainfo =
        Installed("share/metainfo/io.github.tarvolent.Tarvolent.metainfo.xml");
    const std::string text = ReadWholeFile(metainfo);
    EXPECT_NE(text.find("<launchable type=\"desktop-id\">io.github.tarvolent.Tarvolent.desktop<"),
              std::string::npos);
    EXPECT_NE(text.find("<release version=\"1.88.00.8\""), std::string::npos);
    const std::regex image(R"re(<image type="source" width="(\d+)" height="(\d+)">)re"
                           R"re(https://tarvolent\.github\.io/screenshots/([^<]+)</image>)re");
    int screenshots = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), image), end; it != end; ++it) {
        const auto [width, height] = PngSize(ReadWholeFile(std::string(TARVOLENT_SOURCE_DIR) +
                                                           "/docs/screenshots/" + (*it)[3].str()));
        EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height),
                  (*it)[1].str() + "x" + (*it)[2].str())
            << (*it)[3];
        ++screenshots;
    }
    EXPECT_GE(screenshots, 1);

    if (!HasTool("appstreamcli")) GTEST_SKIP() << "no appstreamcli";
    const CommandResult validate =
        RunShellCommand("appstreamcli validate --no-net --explain '" + metainfo + "' 2>&1");
    EXPECT_EQ(validate.exitCode, 0) << validate.output;
    EXPECT_EQ(validate.output.find("W:"), std::string::npos) << validate.output;
}

// The units load cleanly with their documentation found, and the service
// stays as closed in as its work allows.
TEST_F(InstallTreeTest, UnitsVerifyAndTheServiceStaysSandboxed) {
    if (!HasTool("systemd-analyze")) GTEST_SKIP() << "no systemd-analyze";
    const std::string units = Installed("lib/systemd/system");
    const CommandResult verify =
        RunShellCommand("cd '" + units + "' && MANPATH='" + Installed("share/man") +
                        "' systemd-analyze verify ./borealix.socket ./borealix.service "
                        "./tarvolent-metrics.service ./tarvolent-metrics.timer 2>&1");
    EXPECT_EQ(verify.exitCode, 0) << verify.output;
    EXPECT_EQ(verify.output, "");

    // Exposure at most 2.0 of 10: the driver is root with raw I/O and
    // administrator rights for /dev/mem and the configuration space, the
    // metrics service root with the right to write a folder not its own.
    for (const std::string unit : {"borealix.service", "tarvolent-metrics.service"}) {
        const CommandResult security = RunShellCommand(
            "cd '" + units + "' && systemd-analyze security --offline=true --threshold=20 ./" +
            unit + " 2>&1");
        EXPECT_EQ(security.exitCode, 0) << security.output;
        std::smatch exposure;
        EXPECT_TRUE(
            std::regex_search(security.output, exposure,
                              std::regex("Overall exposure level for " + unit + ": ([0-9.]+)")))
            << security.output;
    }
}

// The pages format cleanly and name every command and option the CLI takes.
TEST_F(InstallTreeTest, ManPagesDescribeTheRealCommands) {
    const std::string page =
        CommandOutput("gzip -dc '" + Installed("share/man/man1/tarvolent-cli.1.gz") + "'");
    std::string text = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
    const CommandResult help = RunInstalled("bin/tarvolent-cli --help");
    std::istringstream lines(help.output);
    int named = 0;
    const std::regex word(R"(--?[a-z]+|^  ([a-z]+) )");
    for (std::string line; std::getline(lines, line);) {
        for (std::sregex_iterator it(line.begin(), line.end(), word), end; it != end; ++it) {
            const std::string name = (*it)[1].matched ? (*it)[1].str() : (*it)[0].str();
            EXPECT_NE(text.find(name), std::string::npos) << name;
            ++named;
        }
    }
    EXPECT_GE(named, 12);
    for (const char* variable : {"BOREALIX_RUNTIME_DIR", "BOREALIX_HARDWARE_READ_ONLY"})
        EXPECT_NE(text.find(variable), std::string::npos) << variable;
    EXPECT_NE(text.find(Installed("lib/tarvolent")), std::string::npos);

    if (!HasTool("groff")) GTEST_SKIP() << "no groff to format the pages";
    for (const char* name : {"tarvolent.1.gz", "tarvolent-cli.1.gz"}) {
        const CommandResult format =
            RunShellCommand("gzip -dc '" + Installed(std::string("share/man/man1/") + name) +
                            "' | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1");
        EXPECT_EQ(format.exitCode, 0) << name;
        EXPECT_EQ(format.output, "") << name;
    }
}
