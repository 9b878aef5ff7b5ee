// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/AppProcess.h"
#include "support/CliTest.h"

// Machine files that once aborted or hung the driver, and its client with
// it: each is now a named error within seconds.
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class MalformedMachineTest : public CliTest {
  protected:
    // Runs the CLI, killed if it takes longer than a hang would; its run.
    CliRun RunBounded(const std::vector<std::string>& arguments) {
        AppProcess cli(std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli", arguments);
        std::optional<int> status = cli.WaitForExit(30s);
        EXPECT_TRUE(status.has_value()) << "still running: it hangs";
        return {status.value_or(-1), cli.StandardOutput(), cli.StandardError()};
    }
};

TEST_F(MalformedMachineTest, FileRegionsThatAreNotPlainFilesInsideTheFolderAreNamedErrors) {
    const fs::path folder = Scratch();
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_directory(folder / "folder");
    std::ofstream(folder.parent_path() / "outside.bin") << "secret";
    const std::pair<const char*, std::string> cases[] = {
        {"/dev/zero", "\"/dev/zero\" is not a relative path inside the machine file's folder"},
        {"../outside.bin",
         "\"../outside.bin\" is not a relative path inside the machine file's folder"},
        {"fifo", "cannot read file \"fifo\": not a regular file"},
        {"folder", "cannot read file \"folder\": Is a directory"},
    };
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(name);
        const std::string machine =
            WriteMachine("regions.json", std::string(R"({"memory": [{"base": "0x1000", )") +
                                             R"("size": "0x1000", "file": ")" + name + "\"}]}");
        CliRun run = RunBounded(
            {"--machine", machine, "dump", "1000", "10", "-o", (folder / "out.bin").string()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "BOREX64.SYS: " + machine + ": memory[0].file: " + message +
                               "\nError! Load driver failed!\n");
    }
    // The machine file itself.
    for (const fs::path& machine : {folder / "fifo", fs::path("/dev/zero"), folder / "folder"}) {
        CliRun run = RunBounded({"--machine", machine.string(), "scan"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err,
                  "Cannot read machine file " + machine.string() + ": " +
                      (machine == folder / "folder" ? "Is a directory" : "not a regular file") +
                      "\n");
    }
}

// JSON that once ended the driver with SIGSEGV or SIGABRT, and a file that
// once took it gigabytes: each a named error, said in a line or two.
TEST_F(MalformedMachineTest, HostileJsonIsANamedErrorNotACrash) {
    const fs::path folder = Scratch();
    const std::string deep =
        R"({"ecam": {"base": )" + std::string(100000, '[') + std::string(100000, ']') + "}}";
    const std::pair<std::string, std::string> cases[] = {
        {deep, "nested deeper than 32 levels at line 1, column 49"},
        {R"({"name": 1e400})",
         "not valid JSON: [json.exception.out_of_range.406] number overflow parsing '1e400'"},
    };
    for (const auto& [json, message] : cases) {
        const std::string machine = WriteMachine("hostile.json", json);
        CliRun run = RunBounded({"--machine", machine, "scan"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err,
                  "BOREX64.SYS: " + machine + ": " + message + "\nError! Load driver failed!\n");
    }
    const fs::path huge = folder / "huge.json";
    std::ofstream(huge) << "{";
    fs::resize_file(huge, uint64_t{256} << 20);  // sparse: no disk is used
    CliRun run = RunBounded({"--machine", huge.string(), "scan"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Cannot read machine file " + huge.string() + ": larger than 64 MiB\n");
}

}  // namespace
