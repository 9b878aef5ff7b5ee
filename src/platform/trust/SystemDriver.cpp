// SPDX-License-Identifier: MIT
#include "platform/trust/SystemDriver.h"

#include <grp.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/trust/DirectoryCreation.h"

namespace system_driver {

namespace {

std::string EnvironmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::string Directory() {
    return AbsoluteDirectoryPath(EnvironmentOr("BOREALIX_SYSTEM_DIR", kDefaultDirectory));
}

std::string SocketPath() {
    return Directory() + "/" + kDriverName;
}

std::string GroupName() {
    return EnvironmentOr("BOREALIX_SYSTEM_GROUP", kDefaultGroup);
}

bool ResolveGroup(gid_t* group, std::string* error) {
    const std::string name = GroupName();
    // A number needs no entry in the group database, as in tests.
    if (IsNumber(name)) {
        *group = static_cast<gid_t>(std::stoul(name));
        return true;
    }
    std::vector<char> buffer(16384);
    struct group entry {};
    struct group* found = nullptr;
    int failure = getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
    if (failure == 0 && found) {
        *group = found->gr_gid;
        return true;
    }
    *error = "the group " + name + " does not exist" +
             (failure ? std::string(" (") + std::strerror(failure) + ")" : std::string()) +
             ": create it (the package does) or set BOREALIX_SYSTEM_GROUP";
    return false;
}

}  // namespace system_driver
