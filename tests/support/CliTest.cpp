#include "support/CliTest.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "hw/DriverDevice.h"
#include "hw/DriverInstaller.h"
#include "platform/route/MachineSelection.h"

namespace {

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void Restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

}  // namespace

// SelectMachine moves this process's runtime directory: put it back after.
void StopCliDriver(const std::optional<std::string>& machine) {
    auto runtime = Environment("BOREALIX_RUNTIME_DIR");
    auto selected = Environment("BOREALIX_MACHINE");
    std::string error;
    if (!machine || SelectMachine(*machine, &error)) RemoveDriverService(kDriverName);
    Restore("BOREALIX_RUNTIME_DIR", runtime);
    Restore("BOREALIX_MACHINE", selected);
}

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
    scratch_ = std::filesystem::path(*Environment("BOREALIX_RUNTIME_DIR")) / "cli-scratch";
    std::filesystem::create_directories(scratch_);
}

void CliTest::TearDown() {
    for (const std::optional<std::string>& machine : machines_) StopCliDriver(machine);
}
