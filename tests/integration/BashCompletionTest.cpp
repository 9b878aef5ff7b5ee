// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliTest.h"
#include "support/CommandOutput.h"
#include "support/DriverStop.h"

namespace fs = std::filesystem;

namespace {

const std::string kCli = std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli";

// Sources the completion as bash-completion would, finds the function it
// registered for tarvolent-cli and calls it as bash does at a tab pressed at
// the end of the line.
const char* const kHarness = R"(
source "$1" || exit 1
[[ $(complete -p tarvolent-cli) =~ -F\ ([^ ]+) ]] || exit 1
complete=${BASH_REMATCH[1]}
COMP_LINE=$2
COMP_POINT=${#COMP_LINE}
read -ra COMP_WORDS <<<"$COMP_LINE"
[[ $COMP_LINE =~ [[:space:]]$ ]] && COMP_WORDS+=("")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
"$complete" tarvolent-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "${COMPREPLY[@]}"
)";

class BashCompletionTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!HasTool("bash")) GTEST_SKIP() << "no bash";
        scratch_ = fs::path(std::getenv("BOREALIX_RUNTIME_DIR")) / "completion";
        fs::create_directories(scratch_);
        std::ofstream(scratch_ / "harness.sh") << kHarness;
    }
    void TearDown() override { StopMachineDriver(std::string("builtin")); }

    // What a tab at the end of `line` offers (sorted), with anything the
    // completion printed besides; run in the scratch folder.
    std::set<std::string> Complete(const std::string& line) {
        const CommandResult run = RunShellCommand(
            "cd '" + scratch_.string() + "' && bash harness.sh '" + TARVOLENT_SOURCE_DIR +
            "/packaging/tarvolent-cli.bash' '" + line + "' 2>&1");
        EXPECT_EQ(run.exitCode, 0) << line << ": " << run.output;
        std::set<std::string> offered;
        std::istringstream lines(run.output);
        for (std::string word; std::getline(lines, word);)
            if (!word.empty()) offered.insert(word);
        return offered;
    }

    fs::path scratch_;
};

std::string Help() {
    return CommandOutput("'" + kCli + "' --help");
}

}  // namespace

// Commands and each command's options are those the command's own help
// names, so a command or option added there and not here is caught.
TEST_F(BashCompletionTest, OffersTheCommandsAndOptionsTheHelpNames) {
    std::istringstream help(Help());
    std::set<std::string> commands;
    const std::regex commandLine(R"(^  ([a-z]+) (.*)$)");
    const std::regex option(R"((^| |\[)(--?[a-z][a-z-]*))");
    for (std::string line; std::getline(help, line);) {
        std::smatch match;
        if (!std::regex_match(line, match, commandLine)) continue;
        const std::string command = match[1];
        commands.insert(command);
        std::set<std::string> options = {"--machine"};
        const std::string rest = match[2];
        for (std::sregex_iterator it(rest.begin(), rest.end(), option), end; it != end; ++it)
            options.insert((*it)[2]);
        EXPECT_EQ(Complete(kCli + " " + command + " -"), options) << command;
    }
    EXPECT_GE(commands.size(), 6u);
    EXPECT_EQ(Complete(kCli + " "), commands);
    EXPECT_EQ(Complete(kCli + " --"), (std::set<std::string>{"--help", "--machine", "--version"}));
}

// Function addresses come from the scan of the machine the line names, the
// part before a colon left to bash; option values and files complete too.
TEST_F(BashCompletionTest, CompletesFunctionAddressesAndOptionValues) {
    std::ofstream(scratch_ / "rom.bin") << "x";
    const std::string builtin = kCli + " --machine builtin ";
    struct Case {
        std::string line;
        std::set<std::string> offered;
    };
    const Case cases[] = {
        {builtin + "read ",
         {"00:00.0", "00:01.0", "00:02.0", "00:14.0", "00:16.0", "00:17.0", "00:1b.0", "00:1c.0",
          "00:1c.4", "00:1d.0", "00:1f.0", "00:1f.3", "00:1f.4", "01:00.0", "02:00.0", "03:00.0",
          "04:00.0", "05:00.0", "0001:00:00.0"}},
        {kCli + " read --machine builtin 00:1f.", {"1f.0", "1f.3", "1f.4"}},
        {builtin + "report --current 00:1c", {"1c.0", "1c.4"}},
        {builtin + "write 00:02.0 ", {}},
        {builtin + "decode 00:1f.", {"1f.0", "1f.3", "1f.4"}},
        // Field names come from the function named before them.
        {builtin + "set 01:00.0 PCIe.DevCtl.MaxP", {"PCIe.DevCtl.MaxPayload="}},
        {builtin + "set 01:00.0 --dry-run Command.Bus", {"Command.BusMaster="}},
        {builtin + "set 00:1f.0 PCIe.", {}},
        {builtin + "set 01:00.0 Command.BusMaster=", {}},
        {builtin + "dump C0000 100 -o ro", {"rom.bin"}},
        {kCli + " scan --filter p", {"pci", "pcie"}},
        // A number's value is no function; the function after it is.
        {builtin + "watch --interval ", {}},
        {builtin + "watch --interval 100 00:1f.", {"1f.0", "1f.3", "1f.4"}},
        {builtin + "watch 00:1b.0 --count 1 ", {}},
        {builtin + "metrics -o ro", {"rom.bin"}},
        {kCli + " report --all --base ", {"auto"}},
        {kCli + " --machine bu", {"builtin"}},
        {kCli + " --machine ro", {"rom.bin"}},
        // A machine that cannot be read offers nothing and says nothing.
        {kCli + " --machine missing.json read ", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Complete(c.line), c.offered) << c.line;
}

// The words of the line reach the command as typed: nothing in them is
// run by the shell.
TEST_F(BashCompletionTest, NeverEvaluatesTheLine) {
    const fs::path ran = scratch_ / "ran";
    for (const char* word : {"$(touch${IFS}ran)", "`touch${IFS}ran`", ";touch${IFS}ran"}) {
        EXPECT_EQ(Complete(kCli + " --machine " + word + " read "), std::set<std::string>{})
            << word;
        EXPECT_FALSE(fs::exists(ran)) << word;
    }
}
