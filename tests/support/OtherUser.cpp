// SPDX-License-Identifier: MIT
#include "support/OtherUser.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/CommandOutput.h"

std::string OtherUser::Unavailable() {
    if (geteuid() != 0) return "needs root to become another user";
    if (CommandOutput("command -v setpriv").empty()) return "setpriv is not installed";
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    if ((std::filesystem::status(temp).permissions() & std::filesystem::perms::others_exec) ==
        std::filesystem::perms::none)
        return "another user cannot reach " + temp.string();
    return {};
}

std::string OtherUser::Prefix(const std::string& groups) {
    std::string uid = std::to_string(kUid);
    return "setpriv --reuid=" + uid + " --regid=" + uid +
           (groups.empty() ? " --clear-groups " : " --groups=" + groups + " ");
}

OtherUser::OtherUser() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tv-users-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return;
    root_ = pattern;
    chmod(root_.c_str(), 0755);
    shared_ = root_ / "shared";
    mkdir(shared_.c_str(), 0777);
    chmod(shared_.c_str(), 01777);
}

OtherUser::~OtherUser() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

std::string OtherUser::RunThisProgram(const std::string& setprivPrefix, const std::string& variable,
                                      const std::string& value) {
    // The program's own path: another user may not follow /proc/PID/exe.
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    return CommandOutput(variable + "='" + value + "' " + setprivPrefix + program + " 2>&1");
}

bool OtherUser::Run(const std::string& command) const {
    std::string quoted;
    for (char c : command) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return std::system((Prefix() + "sh -c '" + quoted + "'").c_str()) == 0;
}
