// SPDX-License-Identifier: MIT
#include "support/CliTest.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "protocol/DriverNames.h"
#include "support/DriverStop.h"

CliRun CliTest::Run(const std::string& arguments, std::optional<std::string> machine) {
    machines_.push_back(machine);
    std::string errPath = scratch_ / "stderr.txt";
    std::string command = std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli " +
                          (machine ? "--machine '" + *machine + "' " : "") + arguments + " 2>'" +
                          errPath + "'";
    CliRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        run.out.append(chunk, got);
    int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadWholeFile(errPath);
    return run;
}

std::string CliTest::WriteMachine(const std::string& name, const std::string& json) {
    std::string path = scratch_ / name;
    std::ofstream(path) << json;
    return path;
}

void CliTest::SetUp() {
    scratch_ = std::filesystem::path(std::getenv(kRuntimeDirectoryVariable)) / "cli-scratch";
    std::filesystem::create_directories(scratch_);
}

void CliTest::TearDown() {
    for (const std::optional<std::string>& machine : machines_) StopMachineDriver(machine);
}
