// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <string>

#include "protocol/DriverNames.h"

// The machine's system driver: the service "Borealix", run as root on this
// machine's hardware, listening in a folder of root's on a socket that only
// root and one group may open. Tests move the folder and the group with
// BOREALIX_SYSTEM_DIR and BOREALIX_SYSTEM_GROUP.
namespace system_driver {

inline constexpr const char* kDefaultDirectory = "/run/borealix";
inline constexpr const char* kDefaultGroup = "borealix";

// $BOREALIX_SYSTEM_DIR, else /run/borealix; absolute, without a trailing '/'.
std::string Directory();
// The socket kDriverName in Directory().
std::string SocketPath();
// $BOREALIX_SYSTEM_GROUP, else "borealix": a group name or a number.
std::string GroupName();
// GroupName() as a group id; false with a message when no such group exists.
bool ResolveGroup(gid_t* group, std::string* error);

}  // namespace system_driver
