// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <optional>

// Who a driver admits: root, its own user, and the members of the group its
// socket admits (DriverSocket::AdmittedGroup), if any.
struct PeerAdmission {
    uid_t driverUser = 0;
    std::optional<gid_t> group;
};

// Owners are root and the driver's own user, members the admitted group's;
// anyone else may not use the driver.
enum class PeerRole { Refused, Member, Owner };

// What the process at the other end of a connected local socket is to the
// driver. Membership is the peer process's own groups as the kernel gives
// them (SO_PEERCRED and SO_PEERGROUPS), never the user database: what counts
// is what the process holds now. The peer's user goes to *user when asked.
PeerRole RoleOfPeer(int fd, const PeerAdmission& admission, uid_t* user = nullptr);
